#pragma once
// A picture's pixels. A buffer is immutable once shared, and holds its
// pixels in one of three ways:
// - in storage of its own;
// - as a view of a rectangle of another buffer (a crop: nothing copied);
// - as a recipe that makes them on demand (a cross-fade step): the first
//   thread that reads them runs the recipe and any other waits for it, so a
//   step is blended by the worker that encodes it, and a step never read
//   costs nothing.
// Pixels are rows of RGB32 (Qt's Format_RGB32, 0xffRRGGBB), or the Y, Cb
// and Cr planes of 4:2:0 as a JPEG holds them (decoded photos: a quarter
// of the memory, and blended and encoded without converting). Every
// distinct content carries a stamp that no other content has, so "saved
// again while unchanged" can be recognised without comparing pixels.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// The largest picture the platform makes or reads: 2^28 pixels (1 GiB).
constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

enum class PixelLayout { kRgb32, kYuv420 };

class PixelBuffer;
using PixelSnapshot = std::shared_ptr<const PixelBuffer>;

class PixelBuffer {
 public:
  PixelBuffer(const PixelBuffer&) = delete;
  PixelBuffer& operator=(const PixelBuffer&) = delete;
  ~PixelBuffer();  // hands big storage back to the platform's pool for reuse

  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint64_t stamp = 0;  // unique per content; see NewContentStamp

  PixelLayout Layout() const noexcept { return layout_; }

  // kRgb32: row y (made first when the pixels are made on demand), rows
  // Stride() pixels apart.
  const std::uint32_t* Row(std::int32_t y) const;
  std::size_t Stride() const noexcept { return stride_; }
  // kYuv420: plane 0 (luma, width x height), 1 (Cb) and 2 (Cr) (each
  // (width + 1) / 2 x (height + 1) / 2), rows PlaneStride(p) bytes apart.
  const std::uint8_t* Plane(int plane) const;
  int PlaneStride(int plane) const noexcept { return plane == 0 ? static_cast<int>(stride_) : chromaStride_; }

  // Own storage, for the one who fills a new buffer before sharing it.
  std::uint32_t* Storage() noexcept { return storage_.get(); }
  std::uint8_t* PlaneStorage(int plane) noexcept;

 private:
  friend struct PixelMaking;
  PixelBuffer() = default;
  void Make() const;  // runs the recipe once

  PixelLayout layout_ = PixelLayout::kRgb32;
  std::size_t stride_ = 0;  // kRgb32: pixels; kYuv420: luma bytes
  int chromaStride_ = 0;    // kYuv420: chroma bytes
  // Own storage: RGB32 pixels, or the three planes one after the other.
  std::unique_ptr<std::uint32_t[]> storage_;
  std::size_t storageWords_ = 0;
  std::size_t chromaOffset_ = 0;  // kYuv420: bytes from the luma plane to Cb; Cr follows at twice that
  // A view: the owner's pixels from (x_, y_).
  PixelSnapshot owner_;
  std::int32_t x_ = 0, y_ = 0;
  // Made on demand: the recipe fills the own storage once.
  bool onDemand_ = false;
  mutable std::once_flag made_;
  mutable std::function<void(PixelBuffer&)> recipe_;
};

// A stamp that no content has had before in this process.
std::uint64_t NewContentStamp() noexcept;

// A buffer of that size and layout with storage of its own whose pixels are
// not yet set (the caller fills every one). Raises RuntimeException naming
// the size when it is not positive or too large to hold.
std::shared_ptr<PixelBuffer> NewPixelBuffer(std::int32_t width, std::int32_t height,
                                            PixelLayout layout = PixelLayout::kRgb32);
// A buffer whose pixels `fill` writes into its own storage (as a new buffer
// of that size and layout) the first time they are read.
PixelSnapshot PixelsOnDemand(std::int32_t width, std::int32_t height, PixelLayout layout,
                             std::function<void(PixelBuffer&)> fill);
// The rectangle (x, y, width, height) of the source, which it must lie in,
// without a copy. A YUV source gives a YUV view when x and y are even, else
// an RGB32 view of its conversion.
PixelSnapshot PixelView(const PixelSnapshot& source, std::int32_t x, std::int32_t y, std::int32_t width,
                        std::int32_t height);
// The bytes a buffer's pixels of that size and layout take in storage.
std::size_t PixelBytes(const PixelBuffer& pixels) noexcept;
// The pixels as RGB32: the buffer itself, or its conversion.
PixelSnapshot RgbPixels(const PixelSnapshot& pixels);
