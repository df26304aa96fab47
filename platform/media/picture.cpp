#include "media/picture.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "media/picture_qt.h"
#include "media/pixel_pool.h"

namespace {

// The largest picture the platform makes: 2^28 pixels (1 GiB of pixels).

std::string SizeText(std::int32_t width, std::int32_t height) {
  return std::to_string(width) + " x " + std::to_string(height);
}

// The Graphics of a picture: draws into the picture's own pixels.
class PictureGraphics final : public Graphics {
 public:
  explicit PictureGraphics(Ref<Picture> target) : target_(std::move(target)) {}

 protected:
  std::int32_t TargetWidth() const override { return target_->Width(); }
  std::int32_t TargetHeight() const override { return target_->Height(); }
  void DrawPlacement(const Picture& source, const Placement& p) override;

 private:
  Ref<Picture> target_;
};

void PictureGraphics::DrawPlacement(const Picture& source, const Placement& p) {
  // Hold the source's pixels first: when the source is the target itself,
  // taking the target's Bits() then detaches, so the rows never overlap.
  PixelSnapshot src = source.Snapshot();
  Picture& target = *target_;
  std::uint32_t* dst = target.Bits();
  const std::size_t dstStride = static_cast<std::size_t>(target.Width());
  const std::size_t srcStride = static_cast<std::size_t>(src->width);
  if (p.exact) {
    const auto sx = static_cast<std::size_t>(p.sx), sy = static_cast<std::size_t>(p.sy);
    for (std::int32_t y = 0; y < p.dh; ++y)
      std::memcpy(dst + (static_cast<std::size_t>(p.dy) + y) * dstStride + p.dx,
                  src->pixels.get() + (sy + y) * srcStride + sx, static_cast<std::size_t>(p.dw) * 4);
    return;
  }
  // Scaled: the whole source pixels the placement covers, scaled smoothly
  // (area averaging when shrinking) to the destination's size.
  const auto x0 = static_cast<std::int32_t>(std::floor(p.sx));
  const auto y0 = static_cast<std::int32_t>(std::floor(p.sy));
  const auto x1 = std::min(src->width, static_cast<std::int32_t>(std::ceil(p.sx + p.sw)));
  const auto y1 = std::min(src->height, static_cast<std::int32_t>(std::ceil(p.sy + p.sh)));
  if (x1 <= x0 || y1 <= y0) return;
  const QImage part(reinterpret_cast<const uchar*>(src->pixels.get() + static_cast<std::size_t>(y0) * srcStride + x0),
                    x1 - x0, y1 - y0, static_cast<qsizetype>(srcStride * 4), QImage::Format_RGB32);
  const QImage scaled = part.scaled(p.dw, p.dh, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGB32);
  for (std::int32_t y = 0; y < p.dh; ++y)
    std::memcpy(dst + (static_cast<std::size_t>(p.dy) + y) * dstStride + p.dx, scaled.constScanLine(y),
                static_cast<std::size_t>(p.dw) * 4);
}

// One axis of a drawing: the destination span [d, d + dl) maps onto the
// source span [s, s + sl). Keeps the destination pixels that lie inside the
// target and whose source lies inside the picture.
bool ClipAxis(double d, double dl, double s, double sl, double srcLimit, double dstLimit, std::int32_t& outD,
              std::int32_t& outDl, double& outS, double& outSl) {
  const double k = sl / dl;  // source pixels per destination pixel
  double lo = std::max({d, 0.0, d + (0.0 - s) / k});
  double hi = std::min({d + dl, dstLimit, d + (srcLimit - s) / k});
  lo = std::round(lo);
  hi = std::round(hi);
  if (!(hi > lo)) return false;
  outD = static_cast<std::int32_t>(lo);
  outDl = static_cast<std::int32_t>(hi - lo);
  double s0 = std::clamp(s + (lo - d) * k, 0.0, srcLimit);
  double s1 = std::clamp(s + (hi - d) * k, 0.0, srcLimit);
  outS = s0;
  outSl = s1 - s0;
  return outSl > 0;
}

}  // namespace

std::uint64_t NewContentStamp() noexcept {
  static std::atomic<std::uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

std::shared_ptr<PixelBuffer> NewPixelBuffer(std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0)
    throw RuntimeException("RuntimeException", "a picture of " + SizeText(width, height) + " pixels cannot be made");
  if (std::int64_t{width} * height > kMaxPicturePixels)
    throw RuntimeException("OutOfMemoryException",
                           "a picture of " + SizeText(width, height) + " pixels is too large to be made");
  auto buffer = std::make_shared<PixelBuffer>();
  buffer->width = width;
  buffer->height = height;
  buffer->stamp = NewContentStamp();
  buffer->pixels = TakePixelStorage(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  return buffer;
}

Picture::Picture(PixelSnapshot pixels) noexcept : pixels_(std::move(pixels)) {}

const ClassTable* Picture::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Picture",
      .methods = {{.name = "Constructor",
                   .signature = "%%i4i4i4",
                   .function = [](Object& self, std::span<const Variant> args) -> Variant {
                     if (args.size() < 2) throw RuntimeException("RuntimeException", "Picture.Constructor needs a size");
                     std::int32_t depth = args.size() > 2 ? VariantAs<std::int32_t>(args[2], "a depth") : 32;
                     static_cast<Picture&>(self).Constructor(VariantAs<std::int32_t>(args[0], "a width"),
                                                             VariantAs<std::int32_t>(args[1], "a height"), depth);
                     return {};
                   }}},
      .properties = {{.name = "Width",
                      .type = "i4",
                      .getter = [](Object& o) -> Variant { return static_cast<Picture&>(o).Width(); }},
                     {.name = "Height",
                      .type = "i4",
                      .getter = [](Object& o) -> Variant { return static_cast<Picture&>(o).Height(); }},
                     {.name = "Graphics",
                      .type = "o<Graphics>",
                      .getter = [](Object& o) -> Variant {
                        return Ref<Object>(static_cast<Picture&>(o).Graphics());
                      }}},
      .factory = [] { return static_cast<Object*>(new Picture()); },
  });
  return table;
}

void Picture::Constructor(std::int32_t width, std::int32_t height, std::int32_t) {
  auto buffer = NewPixelBuffer(width, height);
  std::fill_n(buffer->pixels.get(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
              0xffffffffu);
  pixels_ = std::move(buffer);
}

Ref<::Graphics> Picture::Graphics() { return Ref<::Graphics>(New<PictureGraphics>(Ref<Picture>(this))); }

std::uint32_t* Picture::Bits() {
  if (!pixels_) return nullptr;
  // Only this picture holds the pixels: write in place under a new stamp.
  // Otherwise write into a copy, leaving the snapshots as they were.
  std::shared_ptr<PixelBuffer> own;
  if (pixels_.use_count() == 1) {
    own = std::const_pointer_cast<PixelBuffer>(pixels_);
    own->stamp = NewContentStamp();
  } else {
    own = NewPixelBuffer(pixels_->width, pixels_->height);
    std::memcpy(own->pixels.get(), pixels_->pixels.get(),
                static_cast<std::size_t>(own->width) * static_cast<std::size_t>(own->height) * 4);
  }
  pixels_ = own;
  return own->pixels.get();
}

Ref<Picture> Picture::Clone() const { return New<Picture>(pixels_); }

Ref<Picture> NewPicture(std::int32_t width, std::int32_t height, std::int32_t depth) {
  Ref<Picture> picture = New<Picture>();
  picture->Constructor(width, height, depth);
  return picture;
}

const ClassTable* Graphics::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Graphics",
      .methods = {{.name = "DrawPicture",
                   .signature = "%%o<Picture>i4i4i4i4i4i4i4i4",
                   .function = [](Object& self, std::span<const Variant> args) -> Variant {
                     if (args.size() != 9) throw RuntimeException("RuntimeException", "DrawPicture needs 9 arguments");
                     auto i = [&](std::size_t n) { return VariantAs<std::int32_t>(args[n], "an integer"); };
                     Ref<Picture> pic = DynamicRef<Picture>(VariantAs<Ref<Object>>(args[0], "a picture"));
                     static_cast<Graphics&>(self).DrawPicture(pic, i(1), i(2), i(3), i(4), i(5), i(6), i(7), i(8));
                     return {};
                   }}},
  });
  return table;
}

void Graphics::DrawPicture(const Ref<Picture>& picture, std::int32_t dx, std::int32_t dy, std::int32_t dw,
                           std::int32_t dh, std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh) {
  if (!picture) RaiseNilObjectException("the picture to draw");
  Placement p;
  if (!Clip(*picture, TargetWidth(), TargetHeight(), dx, dy, dw, dh, sx, sy, sw, sh, p)) return;
  DrawPlacement(*picture, p);
}

bool Graphics::Clip(const Picture& source, std::int32_t targetWidth, std::int32_t targetHeight, std::int32_t dx,
                    std::int32_t dy, std::int32_t dw, std::int32_t dh, std::int32_t sx, std::int32_t sy,
                    std::int32_t sw, std::int32_t sh, Placement& out) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return false;
  if (source.Width() <= 0 || source.Height() <= 0 || targetWidth <= 0 || targetHeight <= 0) return false;
  if (!ClipAxis(dx, dw, sx, sw, source.Width(), targetWidth, out.dx, out.dw, out.sx, out.sw)) return false;
  if (!ClipAxis(dy, dh, sy, sh, source.Height(), targetHeight, out.dy, out.dh, out.sy, out.sh)) return false;
  out.exact = sw == dw && sh == dh;
  return true;
}

QImage PictureAsQImage(const Picture& picture) {
  if (picture.Width() <= 0 || picture.Height() <= 0) return {};
  return QImage(reinterpret_cast<const uchar*>(picture.Bits()), picture.Width(), picture.Height(),
                static_cast<qsizetype>(picture.Width()) * 4, QImage::Format_RGB32);
}

Ref<Picture> PictureFromQImage(const QImage& image) {
  if (image.isNull()) return nullptr;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  auto buffer = NewPixelBuffer(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y)
    std::memcpy(buffer->pixels.get() + static_cast<std::size_t>(y) * rgb.width(), rgb.constScanLine(y),
                static_cast<std::size_t>(rgb.width()) * 4);
  return New<Picture>(PixelSnapshot(std::move(buffer)));
}

void PaintPlacement(QPainter& painter, const Picture& source, const Graphics::Placement& p) {
  const QImage image = PictureAsQImage(source);
  if (image.isNull()) return;
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, !p.exact);
  painter.drawImage(QRectF(p.dx, p.dy, p.dw, p.dh), image, QRectF(p.sx, p.sy, p.sw, p.sh));
  painter.restore();
}
