// Test pictures and the check of written frames, with TurboJPEG alone, so
// that they do not lean on the code they measure.
#include <sys/stat.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <random>

#include "bench.h"
#include "handles.h"

bench::Image bench::Scene(int width, int height, int look, int shift, unsigned grainSeed, int grain) {
  Image image{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  std::minstd_rand noise(grainSeed * 7919u + 1);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const int n = grain > 0 ? static_cast<int>(noise() % static_cast<unsigned>(grain)) : 0;
      const int sx = x + shift;
      const int disc = (((sx + look * 131) / 211 + (y + look * 57) / 173) & 1) ? 36 : 0;
      const int r = ((look & 1 ? sx : width - sx) * 190 / width + n + disc) & 0xff;
      const int g = ((look & 2 ? y : height - y) * 170 / height + n + 20) & 0xff;
      const int b = ((sx + y) * 110 / (width + height) + 40 * (look % 3) + n + disc / 2) & 0xff;
      image.pixels[static_cast<std::size_t>(y) * width + x] =
          0xff000000u | static_cast<std::uint32_t>(r << 16 | g << 8 | b);
    }
  return image;
}

bool bench::WriteJpeg(const std::string& path, const Image& image) {
  TjHandle tj(tjInitCompress());
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  if (!tj || tjCompress2(tj.get(), reinterpret_cast<const unsigned char*>(image.pixels.data()), image.width,
                         image.width * 4, image.height, TJPF_BGRX, &bytes, &size, TJSAMP_420, 90, 0) != 0)
    return false;
  std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(bytes, tjFree);
  File file(std::fopen(path.c_str(), "wb"));
  return file && std::fwrite(bytes, 1, size, file.get()) == size && std::fclose(file.release()) == 0;
}

bench::Image bench::ReadJpeg(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};
  std::vector<unsigned char> bytes(static_cast<std::size_t>(info.st_size));
  File file(std::fopen(path.c_str(), "rb"));
  if (!file || std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return {};
  TjHandle tj(tjInitDecompress());
  Image image;
  int subsampling = 0, colourspace = 0;
  if (!tj || tjDecompressHeader3(tj.get(), bytes.data(), bytes.size(), &image.width, &image.height, &subsampling,
                                 &colourspace) != 0)
    return {};
  image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
  if (tjDecompress2(tj.get(), bytes.data(), bytes.size(), reinterpret_cast<unsigned char*>(image.pixels.data()),
                    image.width, image.width * 4, image.height, TJPF_BGRX, 0) != 0)
    return {};
  return image;
}

bench::Image bench::Cropped(const Image& image, int margin) {
  Image out{image.width - 2 * margin, image.height - 2 * margin, {}};
  out.pixels.reserve(static_cast<std::size_t>(out.width) * out.height);
  for (int y = 0; y < out.height; ++y) {
    const auto row = image.pixels.begin() + static_cast<std::ptrdiff_t>(y + margin) * image.width + margin;
    out.pixels.insert(out.pixels.end(), row, row + out.width);
  }
  return out;
}

double bench::FrameError(const std::string& frame, const Image& a, const Image& b, int step, int steps) {
  const Image got = ReadJpeg(frame);
  if (got.width != b.width || got.height != b.height || b.pixels.empty() || a.pixels.size() != b.pixels.size())
    return 1e9;
  const std::uint32_t weight = static_cast<std::uint32_t>((step * 256 + steps / 2) / steps), keep = 256 - weight;
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < got.pixels.size(); ++i)
    for (int shift = 0; shift < 24; shift += 8) {
      const std::uint32_t x = (a.pixels[i] >> shift) & 0xff, y = (b.pixels[i] >> shift) & 0xff;
      const int expected = static_cast<int>((x * keep + y * weight + 128) >> 8);
      sum += static_cast<std::uint64_t>(std::abs(static_cast<int>((got.pixels[i] >> shift) & 0xff) - expected));
    }
  return static_cast<double>(sum) / (3.0 * static_cast<double>(got.pixels.size()));
}
