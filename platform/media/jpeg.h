#pragma once
// Private to the platform: JPEG decoding and encoding with TurboJPEG.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "media/picture.h"

// A picture encoded as JPEG: the bytes the encoder wrote, in storage that
// goes back to the platform's pool for the next encoding when let go.
class EncodedJpeg {
 public:
  EncodedJpeg(std::unique_ptr<std::uint32_t[]> storage, std::size_t words, std::size_t size) noexcept
      : storage_(std::move(storage)), words_(words), size_(size) {}
  EncodedJpeg(const EncodedJpeg&) = delete;
  EncodedJpeg& operator=(const EncodedJpeg&) = delete;
  ~EncodedJpeg();
  const unsigned char* data() const noexcept { return reinterpret_cast<const unsigned char*>(storage_.get()); }
  std::size_t size() const noexcept { return size_; }

 private:
  std::unique_ptr<std::uint32_t[]> storage_;
  std::size_t words_, size_;
};
using EncodedBytes = std::shared_ptr<const EncodedJpeg>;

// True when the bytes start like a JPEG file.
bool LooksLikeJPEG(const unsigned char* data, std::size_t size) noexcept;
// The JPEG's pixels, upright by its EXIF orientation; grayscale and CMYK
// files included. A colour JPEG of 4:2:0 that needs no turning keeps its
// YUV planes (PixelLayout::kYuv420); others give RGB32. None for a file
// that does not decode or is cut short; `why` (if given) then says why, in
// TurboJPEG's words where it has them.
std::shared_ptr<PixelBuffer> DecodeJPEG(const unsigned char* data, std::size_t size, std::string* why = nullptr);
// The pixels as JPEG, quality 90, 4:2:0 (YUV pixels as they are, without
// converting). Raises RuntimeException with TurboJPEG's text when encoding
// fails.
EncodedBytes EncodeJPEG(const PixelBuffer& pixels);
