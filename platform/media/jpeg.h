#pragma once
// Private to the platform: JPEG decoding and encoding with TurboJPEG.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/picture.h"

using EncodedBytes = std::shared_ptr<const std::vector<unsigned char>>;

// True when the bytes start like a JPEG file.
bool LooksLikeJPEG(const unsigned char* data, std::size_t size) noexcept;
// The JPEG's pixels, upright by its EXIF orientation; grayscale and CMYK
// files included. None for a file that does not decode or is cut short;
// `why` (if given) then says why, in TurboJPEG's words where it has them.
std::shared_ptr<PixelBuffer> DecodeJPEG(const unsigned char* data, std::size_t size, std::string* why = nullptr);
// The pixels as JPEG, quality 90, 4:2:0. Raises RuntimeException with
// TurboJPEG's text when encoding fails.
EncodedBytes EncodeJPEG(const PixelBuffer& pixels);
