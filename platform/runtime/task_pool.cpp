#include "runtime/task_pool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace task_pool {

namespace {

class Pool {
 public:
  Pool() {
    const std::size_t count = std::max(1u, std::thread::hardware_concurrency());
    workers_.reserve(count);
    for (std::size_t i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
  }
  ~Pool() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& t : workers_) t.join();
  }
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  void Post(std::function<void()> task) {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
      ++unfinished_;
    }
    ready_.notify_one();
  }
  void WaitUntilIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [&] { return unfinished_ == 0; });
  }
  std::size_t Size() const noexcept { return workers_.size(); }

 private:
  void Work() {
    for (;;) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty()) return;  // stopping, and every task has run
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
      std::lock_guard lock(mutex_);
      if (--unfinished_ == 0) idle_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_, idle_;
  std::deque<std::function<void()>> tasks_;
  std::size_t unfinished_ = 0;  // queued or running
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

Pool& Shared() {
  static Pool pool;
  return pool;
}

}  // namespace

void Post(std::function<void()> task) { Shared().Post(std::move(task)); }

void ParallelFor(std::size_t count, const std::function<void(std::size_t)>& part) {
  if (count == 0) return;
  struct Progress {
    std::atomic<std::size_t> next{0};
    std::size_t done = 0;
    std::mutex mutex;
    std::condition_variable finished;
  };
  auto shared = std::make_shared<Progress>();
  // Takes parts until none is left; the helpers that start late find none.
  auto work = [shared, count, &part] {
    std::size_t ran = 0;
    for (std::size_t i; (i = shared->next.fetch_add(1)) < count; ++ran) part(i);
    if (ran == 0) return;
    std::lock_guard lock(shared->mutex);
    shared->done += ran;
    if (shared->done == count) shared->finished.notify_all();
  };
  const std::size_t helpers = std::min(count, Workers()) - 1;
  for (std::size_t h = 0; h < helpers; ++h) Post(work);
  work();
  std::unique_lock lock(shared->mutex);
  shared->finished.wait(lock, [&] { return shared->done == count; });
}
std::size_t Workers() noexcept { return Shared().Size(); }
void WaitUntilIdle() { Shared().WaitUntilIdle(); }

}  // namespace task_pool
