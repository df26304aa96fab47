#pragma once
// Pictures: 32 bits per pixel in Qt's Format_RGB32 layout (0xffRRGGBB, one
// std::uint32_t per pixel), rows contiguous. Pixel storage is shared
// copy-on-write: a snapshot (for an encoder, a cache or a copy of the
// picture) costs nothing, and the next write to the picture detaches it.
// Every distinct content carries a stamp that no other content has, so
// "saved again while unchanged" can be recognised without comparing pixels.
#include <cstdint>
#include <memory>

#include "runtime/classes.h"

class Graphics;

// The largest picture the platform makes or reads: 2^28 pixels (1 GiB).
constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// One picture's pixels, immutable once shared.
struct PixelBuffer {
  PixelBuffer() = default;
  PixelBuffer(const PixelBuffer&) = delete;
  PixelBuffer& operator=(const PixelBuffer&) = delete;
  ~PixelBuffer();  // hands big storage back to the platform's pool for reuse
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint64_t stamp = 0;  // unique per content; see NewContentStamp
  std::unique_ptr<std::uint32_t[]> pixels;
};
using PixelSnapshot = std::shared_ptr<const PixelBuffer>;

// A stamp that no content has had before in this process.
std::uint64_t NewContentStamp() noexcept;
// A buffer of that size whose pixels are not yet set (the caller fills
// every pixel). Raises RuntimeException naming the size when it is not
// positive or too large to hold.
std::shared_ptr<PixelBuffer> NewPixelBuffer(std::int32_t width, std::int32_t height);

class Picture : public Object {
 public:
  // An empty picture (0 x 0) until Constructor gives it a size.
  Picture() = default;
  // A picture over these pixels, shared until either side writes.
  explicit Picture(PixelSnapshot pixels) noexcept;
  static const ClassTable* StaticClass();

  // Picture.Constructor: a blank (white) picture of that size. A width or
  // height of zero or below raises a RuntimeException naming the size.
  void Constructor(std::int32_t width, std::int32_t height, std::int32_t depth = 32);

  std::int32_t Width() const noexcept { return pixels_ ? pixels_->width : 0; }
  std::int32_t Height() const noexcept { return pixels_ ? pixels_->height : 0; }
  // A Graphics that draws into this picture.
  Ref<::Graphics> Graphics();

  // Pixels for writing: detaches shared storage and gives the picture a new
  // content stamp. Take it again before each write pass; a pointer kept
  // across a Snapshot() would write into the snapshot.
  std::uint32_t* Bits();
  const std::uint32_t* Bits() const noexcept { return pixels_ ? pixels_->pixels.get() : nullptr; }
  std::uint32_t* Row(std::int32_t y) { return Bits() + static_cast<std::size_t>(y) * Width(); }
  const std::uint32_t* Row(std::int32_t y) const noexcept {
    return Bits() + static_cast<std::size_t>(y) * Width();
  }
  // Pixels for reading through a non-const reference (a Ref<Picture>):
  // no detaching, the content stamp stays.
  const std::uint32_t* ConstBits() const noexcept { return Bits(); }
  const std::uint32_t* ConstRow(std::int32_t y) const noexcept { return Row(y); }

  // The current pixels, shared read-only (none for an empty picture).
  PixelSnapshot Snapshot() const noexcept { return pixels_; }
  // The stamp of the current content (0 for an empty picture).
  std::uint64_t ContentStamp() const noexcept { return pixels_ ? pixels_->stamp : 0; }
  // A new picture showing the same pixels, sharing them until either is written.
  Ref<Picture> Clone() const;

 private:
  std::shared_ptr<const PixelBuffer> pixels_;
};

// Picture.Constructor through the class table: a new blank picture.
Ref<Picture> NewPicture(std::int32_t width, std::int32_t height, std::int32_t depth = 32);

class Graphics : public Object {
 public:
  static const ClassTable* StaticClass();

  // Draws the source rectangle (sx, sy, sw, sh) of the picture into the
  // destination rectangle (dx, dy, dw, dh). Both rectangles are clipped to
  // their pictures; equal sizes copy pixels exactly, other sizes scale with
  // smooth filtering. An absent picture raises NilObjectException; empty or
  // negative rectangles draw nothing.
  virtual void DrawPicture(const Ref<Picture>& picture, std::int32_t dx, std::int32_t dy, std::int32_t dw,
                           std::int32_t dh, std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh);

  // A drawing after clipping: the destination in whole pixels, the source
  // rectangle it maps from (fractional when a scaled drawing was clipped).
  struct Placement {
    std::int32_t dx = 0, dy = 0, dw = 0, dh = 0;
    double sx = 0, sy = 0, sw = 0, sh = 0;
    // True when no scaling is involved: the source is whole pixels of the
    // same size as the destination.
    bool exact = false;
  };

 protected:
  Graphics() = default;
  // The width and height of what this Graphics draws into.
  virtual std::int32_t TargetWidth() const = 0;
  virtual std::int32_t TargetHeight() const = 0;
  // Draws one clipped placement; the default DrawPicture calls it only when
  // something is left to draw.
  virtual void DrawPlacement(const Picture& source, const Placement& placement) = 0;
  // Clips both rectangles: the destination to the target's size and the
  // source to the picture, trimming the other rectangle in proportion.
  // False when nothing is left to draw.
  static bool Clip(const Picture& source, std::int32_t targetWidth, std::int32_t targetHeight, std::int32_t dx,
                   std::int32_t dy, std::int32_t dw, std::int32_t dh, std::int32_t sx, std::int32_t sy,
                   std::int32_t sw, std::int32_t sh, Placement& out);
};
