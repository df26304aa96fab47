#pragma once
// Pictures: pixels shared copy-on-write (platform/media/pixels.h). A
// snapshot (for an encoder, a cache or a copy of the picture) costs
// nothing, and the next write to the picture detaches it. Drawing a whole
// picture's worth of another one exactly (a crop) makes it a view of that
// one, and a blank picture is white without being filled until it is read.
#include <cstdint>
#include <memory>

#include "media/pixels.h"
#include "runtime/classes.h"

class Graphics;

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

  // RGB32 pixels for writing, rows contiguous: detaches shared storage and
  // gives the picture a new content stamp. Take it again before each write
  // pass; a pointer kept across a Snapshot() would write into the snapshot.
  std::uint32_t* Bits();
  std::uint32_t* Row(std::int32_t y) { return Bits() + static_cast<std::size_t>(y) * Width(); }

  // The current pixels, shared read-only (none for an empty picture). For
  // reading them as RGB32 rows without detaching: RgbPixels(Snapshot()).
  PixelSnapshot Snapshot() const noexcept { return pixels_; }
  // Replaces the pixels (a drawing that covers the whole picture).
  void SetPixels(PixelSnapshot pixels) noexcept;
  // The stamp of the current content (0 for an empty picture).
  std::uint64_t ContentStamp() const noexcept { return pixels_ ? pixels_->stamp : 0; }
  // A new picture showing the same pixels, sharing them until either is written.
  Ref<Picture> Clone() const;

 private:
  PixelSnapshot pixels_;
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
