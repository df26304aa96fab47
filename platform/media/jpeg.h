#pragma once
// Private to the platform: JPEG decoding and encoding with TurboJPEG.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "media/picture.h"

// A picture encoded as JPEG: the bytes the encoder wrote, in storage that
// goes back to the platform's pool for the next encoding when let go. A
// picture encoded in strips is their parts and the markers that join them,
// written one after the other without being copied together.
class EncodedJpeg {
 public:
  using Part = std::span<const unsigned char>;
  struct Storage {
    std::unique_ptr<std::uint32_t[]> words;
    std::size_t count = 0;
  };
  EncodedJpeg(std::vector<Storage> storage, std::vector<unsigned char> joints, std::vector<Part> parts) noexcept;
  EncodedJpeg(const EncodedJpeg&) = delete;
  EncodedJpeg& operator=(const EncodedJpeg&) = delete;
  ~EncodedJpeg();
  // The bytes, in order (the parts may point into `joints`).
  std::span<const Part> Parts() const noexcept { return parts_; }
  std::size_t size() const noexcept;
  // All the bytes in one piece, for a reader that wants them so.
  std::vector<unsigned char> Bytes() const;

 private:
  std::vector<Storage> storage_;
  std::vector<unsigned char> joints_;
  std::vector<Part> parts_;
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

// Takes a JPEG's bytes while it is being encoded, so that they can be
// written while the rest is encoded: parts come in order, one call at a
// time (from any thread); Restart voids the parts before it, the whole JPEG
// following anew. Neither may throw.
class JpegSink {
 public:
  virtual void Part(std::span<const std::span<const unsigned char>> parts) noexcept = 0;
  virtual void Restart() noexcept = 0;

 protected:
  ~JpegSink() = default;
};
// The same encoding, its bytes given to `sink` as they are made: once it
// returns, the sink has had exactly the bytes returned (after its last
// Restart). When it raises, what the sink had is to be dropped.
EncodedBytes EncodeJPEG(const PixelBuffer& pixels, JpegSink& sink);
