#include "media/fit.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>

PixelSnapshot FittedOnBlack(const PixelSnapshot& from, std::int32_t width, std::int32_t height) {
  if (from->width == width && from->height == height) return from;
  return PixelsOnDemand(width, height, PixelLayout::kRgb32, [from](PixelBuffer& out) {
    std::fill_n(out.Storage(), static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height),
                0xff000000u);
    const double scale =
        std::min(static_cast<double>(out.width) / from->width, static_cast<double>(out.height) / from->height);
    const auto w = std::clamp(static_cast<std::int32_t>(std::lround(from->width * scale)), 1, out.width);
    const auto h = std::clamp(static_cast<std::int32_t>(std::lround(from->height * scale)), 1, out.height);
    const PixelSnapshot rgb = RgbPixels(from);
    const QImage whole(reinterpret_cast<const uchar*>(rgb->Row(0)), rgb->width, rgb->height,
                       static_cast<qsizetype>(rgb->Stride() * 4), QImage::Format_RGB32);
    const QImage scaled =
        whole.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
    const std::int32_t left = (out.width - w) / 2, top = (out.height - h) / 2;
    for (std::int32_t y = 0; y < h; ++y)
      std::memcpy(out.Storage() + static_cast<std::size_t>(top + y) * out.Stride() + left, scaled.constScanLine(y),
                  static_cast<std::size_t>(w) * 4);
  });
}
