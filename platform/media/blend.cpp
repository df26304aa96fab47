#include "media/blend.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace {

// Two channels at a time: red and blue in one word, green in another; every
// partial sum stays below 2^16 within its lane.
void BlendRange(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, std::size_t count,
                std::uint32_t weight) {
  const std::uint32_t keep = 256 - weight;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t x = a[i], y = b[i];
    const std::uint32_t rb = (((x & 0xff00ffu) * keep + (y & 0xff00ffu) * weight + 0x800080u) >> 8) & 0xff00ffu;
    const std::uint32_t g = (((x & 0x00ff00u) * keep + (y & 0x00ff00u) * weight + 0x008000u) >> 8) & 0x00ff00u;
    out[i] = 0xff000000u | rb | g;
  }
}

constexpr std::size_t kPixelsPerThread = std::size_t{1} << 20;

}  // namespace

std::uint32_t BlendWeight(std::int64_t step, std::int64_t steps) noexcept {
  return static_cast<std::uint32_t>((step * 256 + steps / 2) / steps);
}

void BlendPixels(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, std::size_t count,
                 std::uint32_t weight) {
  const std::size_t hardware = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t parts = std::min<std::size_t>({4, hardware, count / kPixelsPerThread + 1});
  if (parts <= 1) return BlendRange(a, b, out, count, weight);
  const std::size_t chunk = (count + parts - 1) / parts;
  std::vector<std::jthread> helpers;
  helpers.reserve(parts - 1);
  for (std::size_t p = 1; p < parts; ++p) {
    const std::size_t begin = p * chunk, n = std::min(chunk, count - std::min(count, begin));
    helpers.emplace_back([=] { BlendRange(a + begin, b + begin, out + begin, n, weight); });
  }
  BlendRange(a, b, out, std::min(chunk, count), weight);
}
