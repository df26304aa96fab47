#pragma once
// The platform's one pool of worker threads, one per core, shared by all of
// its parallel work (encoding and writing frames, blending, converting
// movie pictures). It is made on first use and its threads are joined when
// the process ends, after every task queued has run.
//
// A task must never wait for a task queued after it: when every worker
// waited that way, nothing would run. Work that several tasks need is done
// by whichever asks for it first while the others wait for that one.
#include <cstddef>
#include <functional>

namespace task_pool {

// Queues the task; a worker runs it soon. Never blocks. A task must not
// throw.
void Post(std::function<void()> task);

// Runs part(0) to part(count - 1), on the workers and on the calling thread,
// and returns when all have run. The caller takes parts itself while it
// waits, so it may be a task of the pool. A part must not throw.
void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& part);

// The number of worker threads.
std::size_t Workers() noexcept;

// Waits until no task is queued or running (the runtime's stop: no task may
// outlive what it uses, Qt among it).
void WaitUntilIdle();

}  // namespace task_pool
