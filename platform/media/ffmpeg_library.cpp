#include "media/ffmpeg_library.h"

#include <dlfcn.h>

#include <mutex>
#include <string>

#include "runtime/exceptions.h"

namespace {

// The library of this major version, as the headers the platform was built
// with describe it.
void* Open(const char* library, int major, std::string& failure) {
  const std::string soname = std::string("lib") + library + ".so." + std::to_string(major);
  void* handle = dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle && failure.empty()) failure = dlerror();
  return handle;
}

}  // namespace

const FfmpegLibrary& Ffmpeg() {
  static std::once_flag loaded;
  static FfmpegLibrary library;
  static std::string failure;
  std::call_once(loaded, [] {
    void* avutil = Open("avutil", LIBAVUTIL_VERSION_MAJOR, failure);
    void* avcodec = Open("avcodec", LIBAVCODEC_VERSION_MAJOR, failure);
    void* avformat = Open("avformat", LIBAVFORMAT_VERSION_MAJOR, failure);
    void* swscale = Open("swscale", LIBSWSCALE_VERSION_MAJOR, failure);
    if (!failure.empty()) return;
    // The libraries stay loaded for the rest of the process.
#define VINDRALO_FFMPEG_LOOKUP(from, name)                                 \
  library.name = reinterpret_cast<decltype(library.name)>(dlsym(from, #name)); \
  if (!library.name && failure.empty()) failure = std::string("no function ") + #name;
    VINDRALO_FFMPEG_FUNCTIONS(VINDRALO_FFMPEG_LOOKUP)
#undef VINDRALO_FFMPEG_LOOKUP
  });
  if (!failure.empty()) throw IOException("FFmpeg cannot be loaded: " + failure);
  return library;
}
