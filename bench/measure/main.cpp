// vindralo_measure RESULT PROGRAM [ARGUMENTS...]: runs the program as one
// whole process and writes "SECONDS PEAK-KIB STATUS" to RESULT: the wall
// time from spawn to exit, the peak resident memory that wait4 reports for
// it, and its exit status (-1 when it could not start or was killed).
//
// Every road of the benchmark, ours and each peer, runs through this small
// process, so all are timed the same way. It also keeps the peaks honest:
// a program spawned by posix_spawn (vfork, then exec) starts its ru_maxrss
// from the high-water mark of the process that spawned it, and the
// benchmark itself holds big photos; this process holds almost nothing.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s RESULT PROGRAM [ARGUMENTS...]\n", argv[0]);
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int status = 0;
  struct rusage usage {};
  int exitStatus = -1;
  if (posix_spawnp(&pid, argv[2], nullptr, nullptr, argv + 2, environ) == 0 &&
      wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status))
    exitStatus = WEXITSTATUS(status);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::FILE* result = std::fopen(argv[1], "w");
  if (!result) {
    std::perror(argv[1]);
    return 2;
  }
  std::fprintf(result, "%.6f %ld %d\n", seconds, usage.ru_maxrss, exitStatus);
  return std::fclose(result) == 0 ? 0 : 2;
}
