#pragma once
// Small fixtures for the media tests: a scratch folder, pictures of known
// content and colour comparisons.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/picture.h"

namespace media_test {

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string base = std::filesystem::temp_directory_path().string() + "/vindralo-media-XXXXXX";
    std::vector<char> name(base.begin(), base.end());
    name.push_back('\0');
    path_ = mkdtemp(name.data());
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::uint32_t Rgb(int r, int g, int b) {
  return 0xff000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) |
         static_cast<std::uint32_t>(b);
}
inline int Red(std::uint32_t p) { return (p >> 16) & 0xff; }
inline int Green(std::uint32_t p) { return (p >> 8) & 0xff; }
inline int Blue(std::uint32_t p) { return p & 0xff; }

// The largest channel difference.
inline int Distance(std::uint32_t a, std::uint32_t b) {
  return std::max({std::abs(Red(a) - Red(b)), std::abs(Green(a) - Green(b)), std::abs(Blue(a) - Blue(b))});
}

inline Ref<Picture> Solid(std::int32_t w, std::int32_t h, std::uint32_t colour) {
  Ref<Picture> p = NewPicture(w, h);
  std::uint32_t* bits = p->Bits();
  std::fill(bits, bits + static_cast<std::size_t>(w) * h, colour);
  return p;
}

// Smooth gradients with a pattern: survives JPEG within a few levels.
inline Ref<Picture> Gradient(std::int32_t w, std::int32_t h) {
  Ref<Picture> p = NewPicture(w, h);
  std::uint32_t* bits = p->Bits();
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x)
      bits[static_cast<std::size_t>(y) * w + x] = Rgb(x * 255 / std::max(1, w - 1), y * 255 / std::max(1, h - 1),
                                                      (x + y) * 255 / std::max(1, w + h - 2));
  return p;
}

// The picture's pixels as RGB32 rows, read without touching the picture. A
// decoded photo (YUV) is converted on every call: a test that reads many
// of its pixels takes this once and reads them from it.
inline PixelSnapshot RgbOf(const Ref<Picture>& p) { return RgbPixels(p->Snapshot()); }
inline std::uint32_t PixelAt(const PixelSnapshot& rgb, std::int32_t x, std::int32_t y) { return rgb->Row(y)[x]; }
inline std::uint32_t PixelAt(const Ref<Picture>& p, std::int32_t x, std::int32_t y) { return PixelAt(RgbOf(p), x, y); }

inline std::vector<unsigned char> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
inline void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace media_test
