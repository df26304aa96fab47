#include "media/orientation.h"

#include <algorithm>

std::shared_ptr<PixelBuffer> ApplyOrientation(std::shared_ptr<PixelBuffer> pixels, Orientation o) {
  if (!pixels || o.IsIdentity()) return pixels;
  const std::size_t w = static_cast<std::size_t>(pixels->width);
  const std::size_t h = static_cast<std::size_t>(pixels->height);
  std::uint32_t* p = pixels->Storage();
  if (o.mirror)
    for (std::size_t y = 0; y < h; ++y) std::reverse(p + y * w, p + (y + 1) * w);
  if (o.flip)
    for (std::size_t y = 0; y < h / 2; ++y) std::swap_ranges(p + y * w, p + (y + 1) * w, p + (h - 1 - y) * w);
  pixels->stamp = NewContentStamp();
  if (!o.rotate90) return pixels;
  // Clockwise: source (x, y) lands at (h - 1 - y, x); done in tiles so both
  // sides stay in cache.
  auto out = NewPixelBuffer(pixels->height, pixels->width);
  std::uint32_t* q = out->Storage();
  constexpr std::size_t kTile = 64;
  for (std::size_t ty = 0; ty < h; ty += kTile)
    for (std::size_t tx = 0; tx < w; tx += kTile) {
      const std::size_t yEnd = std::min(h, ty + kTile), xEnd = std::min(w, tx + kTile);
      for (std::size_t y = ty; y < yEnd; ++y)
        for (std::size_t x = tx; x < xEnd; ++x) q[x * h + (h - 1 - y)] = p[y * w + x];
    }
  return out;
}
