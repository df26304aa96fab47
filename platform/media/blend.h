#pragma once
// Private to the platform: the pixel work of the cross-fade.
#include <cstddef>
#include <cstdint>

// out = a * (1 - t) + b * t per channel, t = weight / 256 (0 to 256),
// rounded; big pictures are split over a few threads.
void BlendPixels(const std::uint32_t* a, const std::uint32_t* b, std::uint32_t* out, std::size_t count,
                 std::uint32_t weight);
// The 8-bit weight nearest to step / steps (steps > 0, 0 <= step <= steps).
std::uint32_t BlendWeight(std::int64_t step, std::int64_t steps) noexcept;
