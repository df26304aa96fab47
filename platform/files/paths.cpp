#include "files/paths.h"

namespace {
// How long before a reading a change must lie for the reading to be kept.
constexpr std::int64_t kSettledNanoseconds = 50'000'000;
}  // namespace

std::string FolderOfPath(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOfPath(const std::string& path) {
  if (path == "/") return "/";
  return path.substr(path.rfind('/') + 1);
}

std::string JoinedPath(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

std::int64_t Nanoseconds(const timespec& time) noexcept {
  return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

std::int64_t NowNanoseconds() noexcept {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

bool SettledWhenRead(std::int64_t changed, std::int64_t readAt) noexcept {
  return readAt - changed > kSettledNanoseconds;
}
