#pragma once
// Private to the platform: a picture made another size as the cross-fade
// (image1 at image2's size) and a movie (a picture at the track's size) both
// need it: scaled smoothly to fit inside, keeping its shape, centred on
// black.
#include "media/pixels.h"

// The pixels fitted into width x height, as RGB32, made when first read; the
// pixels themselves when they are that size already.
PixelSnapshot FittedOnBlack(const PixelSnapshot& from, std::int32_t width, std::int32_t height);
