#include "media/effect.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/blend.h"

namespace {

std::function<bool(std::int32_t)>& FailPredicate() {
  static std::function<bool(std::int32_t)> predicate;
  return predicate;
}

// image1 made the size of image2: scaled to fit inside it, keeping its
// shape, centred on black; made when first read.
PixelSnapshot FittedTo(const PixelSnapshot& from, std::int32_t width, std::int32_t height) {
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

}  // namespace

struct QTEffectSequence::Work {
  PixelSnapshot from, to;  // taken when the sequence was made
  PixelSnapshot fitted;    // `from` at the size of `to`, for the blended steps
  std::int32_t step = 0;   // the step `picture` shows
  Ref<Picture> picture;
};

const ClassTable* QTEffect::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "QTEffect",
      .factory = [] { return static_cast<Object*>(new QTEffect()); },
  });
  return table;
}

Ref<QTEffect> GetQTCrossFadeEffect() { return New<QTEffect>(); }

QTEffectSequence::QTEffectSequence() = default;
QTEffectSequence::~QTEffectSequence() = default;

const ClassTable* QTEffectSequence::StaticClass() {
  auto self = [](Object& o) -> QTEffectSequence& { return static_cast<QTEffectSequence&>(o); };
  static const ClassTable* table = RuntimeNewClass({
      .name = "QTEffectSequence",
      .properties = {{.name = "Frame",
                      .type = "i4",
                      .getter = [=](Object& o) -> Variant { return self(o).Frame(); },
                      .setter = [=](Object& o, const Variant& v) {
                        self(o).SetFrame(VariantAs<std::int32_t>(v, "a frame number"));
                      }},
                     {.name = "Image",
                      .type = "o<Picture>",
                      .getter = [=](Object& o) -> Variant { return Ref<Object>(self(o).Image()); }}},
      .factory = [] { return static_cast<Object*>(new QTEffectSequence()); },
  });
  return table;
}

void QTEffectSequence::Constructor(const Ref<QTEffect>&, const Ref<Picture>& image1, const Ref<Picture>& image2,
                                   std::int32_t frames) {
  // Every effect this platform makes is the cross-fade, so a none effect
  // means the same.
  frames_ = frames;
  frame_ = 0;
  work_ = std::make_unique<Work>();
  if (image1) work_->from = image1->Snapshot();
  if (image2) work_->to = image2->Snapshot();
}

Ref<Picture> QTEffectSequence::Image() {
  if (!work_ || !work_->from || !work_->to || frames_ <= 0 || frame_ < 1 || frame_ > frames_) return nullptr;
  if (auto& fail = FailPredicate(); fail && fail(frame_)) return nullptr;
  Work& w = *work_;
  if (w.picture && w.step == frame_) return w.picture;
  // Let the previous step go first, so its storage can serve this one.
  w.picture.Reset();
  w.step = frame_;
  if (frame_ == frames_) {
    w.picture = New<Picture>(w.to);  // the last step is image2 itself
    return w.picture;
  }
  // A recipe: the pixels are blended when first read, by the worker that
  // encodes the step when it is saved.
  if (!w.fitted) w.fitted = FittedTo(w.from, w.to->width, w.to->height);
  w.picture = New<Picture>(BlendedOnDemand(w.fitted, w.to, BlendWeight(frame_, frames_)));
  return w.picture;
}

namespace effect_seam {
void FailWhen(std::function<bool(std::int32_t step)> predicate) { FailPredicate() = std::move(predicate); }
}  // namespace effect_seam
