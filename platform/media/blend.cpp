#include "media/blend.h"

#include <algorithm>
#include <functional>

#include "runtime/task_pool.h"

namespace {

// Two channels at a time: red and blue in one word, green in another; every
// partial sum stays below 2^16 within its lane.
void BlendRow(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, std::size_t count,
              std::uint32_t weight) {
  const std::uint32_t keep = 256 - weight;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t x = a[i], y = b[i];
    const std::uint32_t rb = (((x & 0xff00ffu) * keep + (y & 0xff00ffu) * weight + 0x800080u) >> 8) & 0xff00ffu;
    const std::uint32_t g = (((x & 0x00ff00u) * keep + (y & 0x00ff00u) * weight + 0x008000u) >> 8) & 0x00ff00u;
    out[i] = 0xff000000u | rb | g;
  }
}

// The same rounding, one byte at a time (a plane of YUV).
void BlendBytes(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* out, std::size_t count,
                std::uint32_t weight) {
  const std::uint32_t keep = 256 - weight;
  for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>((a[i] * keep + b[i] * weight + 128) >> 8);
}

std::int32_t Half(std::int32_t n) { return (n + 1) / 2; }

// Runs work(top, bottom) over rows [0, rows) in bands side by side on the
// platform's workers: a big picture's blend is memory-bound work that one
// core leaves the others waiting for.
void InBands(std::int32_t rows, const std::function<void(std::int32_t, std::int32_t)>& work) {
  constexpr std::int32_t kBand = 128;
  const std::int32_t bands = (rows + kBand - 1) / kBand;
  task_pool::ParallelFor(static_cast<std::size_t>(bands), [&](std::size_t band) {
    const std::int32_t top = static_cast<std::int32_t>(band) * kBand;
    work(top, std::min(rows, top + kBand));
  });
}

}  // namespace

std::uint32_t BlendWeight(std::int64_t step, std::int64_t steps) noexcept {
  return static_cast<std::uint32_t>((step * 256 + steps / 2) / steps);
}

PixelSnapshot BlendedOnDemand(PixelSnapshot a, PixelSnapshot b, std::uint32_t weight) {
  const std::int32_t width = b->width, height = b->height;
  if (a->Layout() == PixelLayout::kYuv420 && b->Layout() == PixelLayout::kYuv420) {
    return PixelsOnDemand(width, height, PixelLayout::kYuv420, [a, b, weight](PixelBuffer& out) {
      // Bands of chroma rows (two luma rows each) side by side.
      InBands(Half(out.height), [&](std::int32_t top, std::int32_t bottom) {
        for (int plane = 0; plane < 3; ++plane) {
          const std::int32_t w = plane == 0 ? out.width : Half(out.width);
          const std::int32_t first = plane == 0 ? 2 * top : top;
          const std::int32_t last = plane == 0 ? std::min(out.height, 2 * bottom) : bottom;
          const std::uint8_t *pa = a->Plane(plane), *pb = b->Plane(plane);
          std::uint8_t* po = out.PlaneStorage(plane);
          for (std::int32_t y = first; y < last; ++y)
            BlendBytes(pa + static_cast<std::size_t>(y) * a->PlaneStride(plane),
                       pb + static_cast<std::size_t>(y) * b->PlaneStride(plane),
                       po + static_cast<std::size_t>(y) * out.PlaneStride(plane), static_cast<std::size_t>(w), weight);
        }
      });
    });
  }
  return PixelsOnDemand(width, height, PixelLayout::kRgb32, [a, b, weight](PixelBuffer& out) {
    const PixelSnapshot ra = RgbPixels(a), rb = RgbPixels(b);
    InBands(out.height, [&](std::int32_t top, std::int32_t bottom) {
      for (std::int32_t y = top; y < bottom; ++y)
        BlendRow(ra->Row(y), rb->Row(y), out.Storage() + static_cast<std::size_t>(y) * out.Stride(),
                 static_cast<std::size_t>(out.width), weight);
    });
  });
}
