#pragma once
// Private to the platform: turning pixels upright, as an EXIF orientation or
// a movie's display rotation asks.
#include <memory>

#include "media/picture.h"

// The steps, applied in this order: mirror (left-right), flip (top-bottom),
// then turn 90 degrees clockwise. The eight EXIF orientations are the eight
// combinations (Qt's QImageIOHandler::Transformations use the same bits).
struct Orientation {
  bool mirror = false;
  bool flip = false;
  bool rotate90 = false;
  bool IsIdentity() const noexcept { return !mirror && !flip && !rotate90; }
};

// The pixels turned upright: mirrored and flipped in place (the buffer is
// the caller's own), turned into a new buffer when rotate90 is set.
std::shared_ptr<PixelBuffer> ApplyOrientation(std::shared_ptr<PixelBuffer> pixels, Orientation orientation);
