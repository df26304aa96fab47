#include "files/temp_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "files/file_descriptor.h"
#include "files/paths.h"
#include "runtime/exceptions.h"

namespace {

constexpr char kPrefix[] = ".vindralo-";
constexpr char kSuffix[] = ".tmp";
// ".vindralo-" + 8 hex digits of the process id + "-" + 16 hex digits + ".tmp"
constexpr std::size_t kNameLength = sizeof kPrefix - 1 + 8 + 1 + 16 + sizeof kSuffix - 1;

// The process that wrote a temporary file of ours, or 0 for another name.
pid_t WriterOf(const char* name) {
  if (std::strlen(name) != kNameLength || std::strncmp(name, kPrefix, sizeof kPrefix - 1) != 0) return 0;
  unsigned pid = 0;
  unsigned long long number = 0;
  char tail[sizeof kSuffix] = {};
  if (std::sscanf(name + sizeof kPrefix - 1, "%8x-%16llx%4s", &pid, &number, tail) != 3) return 0;
  if (std::strcmp(tail, kSuffix) != 0) return 0;
  return static_cast<pid_t>(pid);
}

// Whether the process has ended. Our own id counts as ended: before this
// process's first temporary file in a folder, a name with its id was left
// by an earlier process that had the same id.
bool Ended(pid_t pid) {
  if (pid == getpid()) return true;
  return kill(pid, 0) != 0 && errno == ESRCH;
}

struct CloseDir {
  void operator()(DIR* d) const noexcept { closedir(d); }
};

std::string Reason(int error) { return std::strerror(error); }

}  // namespace

std::string NewTempName() {
  static std::atomic<std::uint64_t> counter{0};
  char name[kNameLength + 1];
  std::snprintf(name, sizeof name, "%s%08x-%016" PRIx64 "%s", kPrefix, static_cast<unsigned>(getpid()),
                counter.fetch_add(1), kSuffix);
  return name;
}

std::string NewTempPathBeside(const std::string& target) {
  const std::string folder = FolderOfPath(target);
  RemoveStaleTempFiles(AT_FDCWD, folder);
  return JoinedPath(folder, NewTempName());
}

void RemoveStaleTempFiles(int folderFd, const std::string& folder) {
  static std::mutex mutex;
  // A folder is known by its path and its inode: a folder made anew where
  // another was may get the old one's inode.
  static std::set<std::tuple<dev_t, ino_t, std::string>> cleaned;
  std::lock_guard lock(mutex);
  FileDescriptor dir(openat(folderFd, folderFd == AT_FDCWD ? folder.c_str() : ".",
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat st{};
  if (dir.fd < 0 || fstat(dir.fd, &st) != 0) return;  // the write that follows reports the folder
  if (!cleaned.insert({st.st_dev, st.st_ino, folder}).second) return;
  const int fd = dup(dir.fd);
  if (fd < 0) return;
  std::unique_ptr<DIR, CloseDir> entries(fdopendir(fd));
  if (!entries) {
    close(fd);
    return;
  }
  while (const dirent* entry = readdir(entries.get())) {
    const pid_t writer = WriterOf(entry->d_name);
    if (writer > 0 && Ended(writer)) unlinkat(dir.fd, entry->d_name, 0);
  }
}

TempFileWriter::TempFileWriter(int folderFd, std::string targetName)
    : folderFd_(folderFd), targetName_(std::move(targetName)), temp_(NewTempName()) {
  fd_ = openat(folderFd_, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) throw IOException("while saving " + targetName_ + ": " + Reason(errno));
}

TempFileWriter::~TempFileWriter() {
  if (finished_) return;
  if (fd_ >= 0) close(fd_);
  unlinkat(folderFd_, temp_.c_str(), 0);
}

void TempFileWriter::Append(std::span<const std::span<const unsigned char>> parts) noexcept {
  if (error_ != 0) return;
  // Gathered writes, picking up where a short one stopped.
  iovec left[IOV_MAX];
  std::size_t next = 0;
  while (next < parts.size()) {
    int count = 0;
    for (; next < parts.size() && count < IOV_MAX; ++next)
      if (!parts[next].empty())
        left[count++] = {const_cast<unsigned char*>(parts[next].data()), parts[next].size()};
    for (int first = 0; first < count;) {
      ssize_t n = writev(fd_, left + first, count - first);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        error_ = errno;
        return;
      }
      for (; first < count && static_cast<std::size_t>(n) >= left[first].iov_len; ++first)
        n -= static_cast<ssize_t>(left[first].iov_len);
      if (first < count) {
        left[first].iov_base = static_cast<unsigned char*>(left[first].iov_base) + n;
        left[first].iov_len -= static_cast<std::size_t>(n);
      }
    }
  }
}

void TempFileWriter::Rewind() noexcept {
  if (error_ != 0) return;
  if (ftruncate(fd_, 0) != 0 || lseek(fd_, 0, SEEK_SET) != 0) error_ = errno;
}

std::string TempFileWriter::Finish() {
  const int closed = close(std::exchange(fd_, -1));
  if (error_ == 0 && closed != 0) error_ = errno;
  if (error_ != 0) {
    unlinkat(folderFd_, temp_.c_str(), 0);
    finished_ = true;
    throw IOException("while saving " + targetName_ + ": " + Reason(error_));
  }
  finished_ = true;
  return temp_;
}

std::string WriteTempFile(int folderFd, const std::string& targetName,
                          std::span<const std::span<const unsigned char>> parts) {
  TempFileWriter file(folderFd, targetName);
  file.Append(parts);
  return file.Finish();
}

void ReplaceWithTempFile(int folderFd, const std::string& tempName, const std::string& targetName) {
  if (renameat(folderFd, tempName.c_str(), folderFd, targetName.c_str()) == 0) return;
  const int error = errno;
  unlinkat(folderFd, tempName.c_str(), 0);
  throw IOException("while replacing " + targetName + ": " + Reason(error));
}
