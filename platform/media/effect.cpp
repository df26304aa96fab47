#include "media/effect.h"

#include <algorithm>
#include <cmath>

#include "media/blend.h"

namespace {

std::function<bool(std::int32_t)>& FailPredicate() {
  static std::function<bool(std::int32_t)> predicate;
  return predicate;
}

// image1 made the size of image2: scaled to fit inside it, keeping its
// shape, centred on black.
PixelSnapshot FittedTo(const PixelSnapshot& from, std::int32_t width, std::int32_t height) {
  if (from->width == width && from->height == height) return from;
  Ref<Picture> canvas = New<Picture>(PixelSnapshot(NewPixelBuffer(width, height)));
  std::fill_n(canvas->Bits(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xff000000u);
  const double scale = std::min(static_cast<double>(width) / from->width, static_cast<double>(height) / from->height);
  const auto w = std::clamp(static_cast<std::int32_t>(std::lround(from->width * scale)), 1, width);
  const auto h = std::clamp(static_cast<std::int32_t>(std::lround(from->height * scale)), 1, height);
  canvas->Graphics()->DrawPicture(New<Picture>(from), (width - w) / 2, (height - h) / 2, w, h, 0, 0, from->width,
                                  from->height);
  return canvas->Snapshot();
}

}  // namespace

struct QTEffectSequence::Work {
  PixelSnapshot from, to;  // taken when the sequence was made
  PixelSnapshot fitted;    // `from` at the size of `to`, made at the first blended step
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
  try {
    if (!w.fitted) w.fitted = FittedTo(w.from, w.to->width, w.to->height);
    auto out = NewPixelBuffer(w.to->width, w.to->height);
    BlendPixels(w.fitted->pixels.get(), w.to->pixels.get(), out->pixels.get(),
                static_cast<std::size_t>(out->width) * static_cast<std::size_t>(out->height),
                BlendWeight(frame_, frames_));
    w.picture = New<Picture>(PixelSnapshot(std::move(out)));
  } catch (const RuntimeException&) {
    return nullptr;  // no memory for the step: it gives no picture
  }
  return w.picture;
}

namespace effect_seam {
void FailWhen(std::function<bool(std::int32_t step)> predicate) { FailPredicate() = std::move(predicate); }
}  // namespace effect_seam
