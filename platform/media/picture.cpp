#include "media/picture.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/picture_qt.h"
#include "runtime/class_entries.h"

namespace {

// The placement's part of YUV 4:2:0 pixels at the destination's size: each
// pixel the average of four source pixels around its centre (JFIF's full
// range YCbCr, as a JPEG holds it). The last one made is kept: a preview
// is painted again and again while its picture stays.
QImage ScaledFromYuv(const PixelBuffer& src, const Graphics::Placement& p) {
  // The image scaled from the pixels of that stamp for that placement.
  struct ScaledCopy {
    std::uint64_t stamp = 0;
    Graphics::Placement placement;
    QImage image;
  };
  static ScaledCopy last;
  const Graphics::Placement& q = last.placement;
  if (last.stamp == src.stamp && q.dx == p.dx && q.dy == p.dy && q.dw == p.dw && q.dh == p.dh && q.sx == p.sx &&
      q.sy == p.sy && q.sw == p.sw && q.sh == p.sh)
    return last.image;
  QImage out(p.dw, p.dh, QImage::Format_RGB32);
  const std::uint8_t *luma = src.Plane(0), *cb = src.Plane(1), *cr = src.Plane(2);
  const std::size_t lumaStride = static_cast<std::size_t>(src.PlaneStride(0));
  const std::size_t chromaStride = static_cast<std::size_t>(src.PlaneStride(1));
  const double kx = p.sw / p.dw, ky = p.sh / p.dh;
  const int dx = std::max(1, static_cast<int>(kx / 2)), dy = std::max(1, static_cast<int>(ky / 2));
  auto channel = [](double v) { return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
  for (int y = 0; y < p.dh; ++y) {
    auto* line = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
    const int cy = static_cast<int>(p.sy + (y + 0.5) * ky);
    const int rows[2] = {std::clamp(cy - dy / 2, 0, src.height - 1), std::clamp(cy + dy / 2, 0, src.height - 1)};
    for (int x = 0; x < p.dw; ++x) {
      const int cx = static_cast<int>(p.sx + (x + 0.5) * kx);
      const int cols[2] = {std::clamp(cx - dx / 2, 0, src.width - 1), std::clamp(cx + dx / 2, 0, src.width - 1)};
      int l = 0, u = 0, v = 0;
      for (int row : rows)
        for (int col : cols) {
          l += luma[static_cast<std::size_t>(row) * lumaStride + col];
          u += cb[static_cast<std::size_t>(row / 2) * chromaStride + col / 2];
          v += cr[static_cast<std::size_t>(row / 2) * chromaStride + col / 2];
        }
      const double Y = l / 4.0, Cb = u / 4.0 - 128, Cr = v / 4.0 - 128;
      line[x] = 0xff000000u | channel(Y + 1.402 * Cr) << 16 | channel(Y - 0.344136 * Cb - 0.714136 * Cr) << 8 |
                channel(Y + 1.772 * Cb);
    }
  }
  last = {src.stamp, p, out};
  return out;
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
  if (p.exact && p.dx == 0 && p.dy == 0 && p.dw == target.Width() && p.dh == target.Height()) {
    // Every pixel of the target is replaced: it shows that part of the
    // source, shared, not copied.
    target.SetPixels(PixelView(src, static_cast<std::int32_t>(p.sx), static_cast<std::int32_t>(p.sy), p.dw, p.dh));
    return;
  }
  src = RgbPixels(src);
  std::uint32_t* dst = target.Bits();
  const std::size_t dstStride = static_cast<std::size_t>(target.Width());
  if (p.exact) {
    const auto sx = static_cast<std::int32_t>(p.sx), sy = static_cast<std::int32_t>(p.sy);
    for (std::int32_t y = 0; y < p.dh; ++y)
      std::memcpy(dst + (static_cast<std::size_t>(p.dy) + y) * dstStride + p.dx, src->Row(sy + y) + sx,
                  static_cast<std::size_t>(p.dw) * 4);
    return;
  }
  // Scaled: the whole source pixels the placement covers, scaled smoothly
  // (area averaging when shrinking) to the destination's size.
  const auto x0 = static_cast<std::int32_t>(std::floor(p.sx));
  const auto y0 = static_cast<std::int32_t>(std::floor(p.sy));
  const auto x1 = std::min(src->width, static_cast<std::int32_t>(std::ceil(p.sx + p.sw)));
  const auto y1 = std::min(src->height, static_cast<std::int32_t>(std::ceil(p.sy + p.sh)));
  if (x1 <= x0 || y1 <= y0) return;
  const QImage part(reinterpret_cast<const uchar*>(src->Row(y0) + x0), x1 - x0, y1 - y0,
                    static_cast<qsizetype>(src->Stride() * 4), QImage::Format_RGB32);
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

Picture::Picture(PixelSnapshot pixels) noexcept : pixels_(std::move(pixels)) {}

const ClassTable* Picture::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Picture",
      .methods = {{.name = "Constructor",
                   .signature = "%%i4i4i4",
                   .function = BindMethod<Picture>([](Picture& picture, std::span<const Variant> args) -> Variant {
                     const std::int32_t depth = args.size() > 2 ? Arg<std::int32_t>(args, 2) : 32;
                     picture.Constructor(Arg<std::int32_t>(args, 0), Arg<std::int32_t>(args, 1), depth);
                     return {};
                   })}},
      .properties = {ReadOnlyProperty("Width", "i4", &Picture::Width), ReadOnlyProperty("Height", "i4", &Picture::Height),
                     ReadOnlyProperty("Graphics", "o<Graphics>", &Picture::Graphics)},
      .factory = [] { return static_cast<Object*>(new Picture()); },
  });
  return table;
}

void Picture::Constructor(std::int32_t width, std::int32_t height, std::int32_t) {
  // White, filled only if it is ever read before being drawn over.
  pixels_ = PixelsOnDemand(width, height, PixelLayout::kRgb32, [](PixelBuffer& b) {
    std::fill_n(b.Storage(), static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height), 0xffffffffu);
  });
}

void Picture::SetPixels(PixelSnapshot pixels) noexcept { pixels_ = std::move(pixels); }

Ref<::Graphics> Picture::Graphics() { return Ref<::Graphics>(New<PictureGraphics>(Ref<Picture>(this))); }

std::uint32_t* Picture::Bits() {
  if (!pixels_) return nullptr;
  // Only this picture holds its own contiguous RGB32 pixels: write in place
  // under a new stamp. Otherwise write into a copy, leaving the snapshots
  // (and the pictures this one is a view of) as they were.
  const bool own = pixels_.use_count() == 1 && pixels_->Layout() == PixelLayout::kRgb32 &&
                   pixels_->Stride() == static_cast<std::size_t>(pixels_->width) &&
                   const_cast<PixelBuffer&>(*pixels_).Storage() != nullptr &&
                   pixels_->Row(0) == const_cast<PixelBuffer&>(*pixels_).Storage();
  std::shared_ptr<PixelBuffer> out;
  if (own) {
    out = std::const_pointer_cast<PixelBuffer>(pixels_);
    out->stamp = NewContentStamp();
  } else {
    const PixelSnapshot rgb = RgbPixels(pixels_);
    out = NewPixelBuffer(rgb->width, rgb->height);
    for (std::int32_t y = 0; y < rgb->height; ++y)
      std::memcpy(out->Storage() + static_cast<std::size_t>(y) * rgb->width, rgb->Row(y),
                  static_cast<std::size_t>(rgb->width) * 4);
  }
  pixels_ = out;
  return out->Storage();
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
                   .function = BindMethod<Graphics>([](Graphics& g, std::span<const Variant> args) -> Variant {
                     auto i = [&](std::size_t n) { return Arg<std::int32_t>(args, n); };
                     g.DrawPicture(Arg<Ref<Picture>>(args, 0), i(1), i(2), i(3), i(4), i(5), i(6), i(7), i(8));
                     return {};
                   })}},
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
  const PixelSnapshot rgb = RgbPixels(picture.Snapshot());
  // The image shares the pixels, and holds them while it lives.
  auto* held = new PixelSnapshot(rgb);
  return QImage(reinterpret_cast<const uchar*>(rgb->Row(0)), rgb->width, rgb->height,
                static_cast<qsizetype>(rgb->Stride()) * 4, QImage::Format_RGB32,
                [](void* p) { delete static_cast<PixelSnapshot*>(p); }, held);
}

Ref<Picture> PictureFromQImage(const QImage& image) {
  if (image.isNull()) return nullptr;
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  auto buffer = NewPixelBuffer(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y)
    std::memcpy(buffer->Storage() + static_cast<std::size_t>(y) * rgb.width(), rgb.constScanLine(y),
                static_cast<std::size_t>(rgb.width()) * 4);
  return New<Picture>(PixelSnapshot(std::move(buffer)));
}

void PaintPlacement(QPainter& painter, const Picture& source, const Graphics::Placement& p) {
  const PixelSnapshot pixels = source.Snapshot();
  if (!pixels) return;
  painter.save();
  if (pixels->Layout() == PixelLayout::kYuv420 && !p.exact) {
    // A photo shown small (the preview): only the pixels shown are
    // converted, not the whole photo.
    painter.drawImage(QPointF(p.dx, p.dy), ScaledFromYuv(*pixels, p));
  } else {
    painter.setRenderHint(QPainter::SmoothPixmapTransform, !p.exact);
    painter.drawImage(QRectF(p.dx, p.dy, p.dw, p.dh), PictureAsQImage(source), QRectF(p.sx, p.sy, p.sw, p.sh));
  }
  painter.restore();
}
