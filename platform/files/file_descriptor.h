#pragma once
// Private to the platform: a file descriptor that closes itself.
#include <unistd.h>

#include <utility>

struct FileDescriptor {
  int fd = -1;
  explicit FileDescriptor(int f = -1) noexcept : fd(f) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    std::swap(fd, other.fd);
    return *this;
  }
  ~FileDescriptor() {
    if (fd >= 0) close(fd);
  }
};
