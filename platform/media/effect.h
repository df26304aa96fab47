#pragma once
// The cross-fade effect and its sequences. A sequence of n steps from
// image1 to image2 gives, for step j, the blend with weight j/n on image2;
// step n is image2 exactly. Steps are computed on request, one at a time;
// asking again for the same step gives the same picture. Pictures of
// different sizes fade at image2's size, image1 scaled to fit inside it,
// centred on black.
#include <cstdint>
#include <functional>

#include "media/picture.h"
#include "runtime/classes.h"

class QTEffect : public Object {
 public:
  static const ClassTable* StaticClass();
};

// A new cross-fade effect (a new object at every call).
Ref<QTEffect> GetQTCrossFadeEffect();

class QTEffectSequence : public Object {
 public:
  QTEffectSequence();
  ~QTEffectSequence() override;
  static const ClassTable* StaticClass();

  // A transition from image1 to image2 in `frames` steps. A none effect is
  // taken as the cross-fade. A sequence with an absent picture, or with
  // `frames` of 0 or below, gives no picture for any step.
  void Constructor(const Ref<QTEffect>& effect, const Ref<Picture>& image1, const Ref<Picture>& image2,
                   std::int32_t frames);
  std::int32_t Frame() const noexcept { return frame_; }
  void SetFrame(std::int32_t frame) noexcept { frame_ = frame; }
  std::int32_t Frames() const noexcept { return frames_; }
  // The picture of the selected step; none for a step outside 1 to frames.
  Ref<Picture> Image();

 private:
  struct Work;
  std::int32_t frame_ = 0;
  std::int32_t frames_ = 0;
  Ref<Picture> image1_, image2_;
  std::unique_ptr<Work> work_;
};
