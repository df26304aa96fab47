#include "media/effect.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/blend.h"
#include "media/fit.h"
#include "runtime/class_entries.h"
#include "testing.h"

namespace {

std::function<bool(std::int32_t)>& FailPredicate() {
  static std::function<bool(std::int32_t)> predicate;
  return predicate;
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
  using T = QTEffectSequence;
  static const ClassTable* table = RuntimeNewClass({
      .name = "QTEffectSequence",
      .properties = {Property("Frame", "i4", &T::Frame, &T::SetFrame), ReadOnlyProperty("Image", "o<Picture>", &T::Image)},
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
  if (!w.fitted) w.fitted = FittedOnBlack(w.from, w.to->width, w.to->height);
  w.picture = New<Picture>(BlendedOnDemand(w.fitted, w.to, BlendWeight(frame_, frames_)));
  return w.picture;
}

namespace effect_seam {
void FailWhen(std::function<bool(std::int32_t step)> predicate) { FailPredicate() = std::move(predicate); }
}  // namespace effect_seam
