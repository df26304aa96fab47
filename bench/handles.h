#pragma once
// Owners of a TurboJPEG handle and of a C file, shared by the benchmark and
// its floor program. The floor is a plain libjpeg-turbo program: this
// header includes TurboJPEG and the C library alone.
#include <turbojpeg.h>

#include <cstdio>
#include <memory>

namespace bench {

struct TjDestroy {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDestroy>;

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

}  // namespace bench
