#pragma once
// Private to the platform: the pixel work of the cross-fade.
#include <cstddef>
#include <cstdint>

#include "media/pixels.h"

// The 8-bit weight nearest to step / steps (steps > 0, 0 <= step <= steps).
std::uint32_t BlendWeight(std::int64_t step, std::int64_t steps) noexcept;

// a * (1 - t) + b * t for every channel, t = weight / 256 (0 to 256),
// rounded: a buffer of their size whose pixels are made when first read
// (by the worker that encodes them). Two YUV 4:2:0 buffers blend plane by
// plane; otherwise both are taken as RGB32. Both must be of one size.
PixelSnapshot BlendedOnDemand(PixelSnapshot a, PixelSnapshot b, std::uint32_t weight);
