#include "runtime/trace.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "testing.h"

namespace {
std::mutex gMutex;
bool gOn = false;
std::vector<std::string> gEvents;
}  // namespace

void RuntimeTrace(std::string_view event) {
  std::lock_guard lock(gMutex);
  if (gOn) gEvents.emplace_back(event);
}

void RuntimeEnableTrace(bool on) {
  std::lock_guard lock(gMutex);
  gOn = on;
}

std::vector<std::string> RuntimeTakeTrace() {
  std::lock_guard lock(gMutex);
  return std::exchange(gEvents, {});
}
