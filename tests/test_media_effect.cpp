// The cross-fade effect sequence.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "media/effect.h"
#include "support/media_fixtures.h"
#include "testing.h"

using namespace media_test;

namespace {

Ref<QTEffectSequence> Sequence(const Ref<Picture>& a, const Ref<Picture>& b, std::int32_t frames,
                               Ref<QTEffect> effect = GetQTCrossFadeEffect()) {
  Ref<QTEffectSequence> s = New<QTEffectSequence>();
  s->Constructor(effect, a, b, frames);
  return s;
}

Ref<Picture> Step(const Ref<QTEffectSequence>& s, std::int32_t j) {
  s->SetFrame(j);
  return s->Image();
}

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

}  // namespace

TEST(CrossFade, StepJOfNHasWeightJOverN) {
  const Ref<Picture> a = Solid(8, 6, Rgb(0, 200, 40)), b = Solid(8, 6, Rgb(255, 0, 240));
  for (std::int32_t n : {1, 2, 3, 7, 100}) {
    Ref<QTEffectSequence> s = Sequence(a, b, n);
    for (std::int32_t j = 1; j <= n; ++j) {
      Ref<Picture> p = Step(s, j);
      ASSERT_TRUE(p);
      ASSERT_EQ(p->Width(), 8);
      const double t = static_cast<double>(j) / n;
      const std::uint32_t want = Rgb(static_cast<int>(std::lround(255 * t)), static_cast<int>(std::lround(200 * (1 - t))),
                                     static_cast<int>(std::lround(40 + 200 * t)));
      ASSERT_LE(Distance(PixelAt(p, 5, 3), want), 1) << j << " of " << n;
      ASSERT_EQ(PixelAt(p, 5, 3) >> 24, 0xffu);
    }
  }
}

TEST(CrossFade, TheLastStepIsImage2ExactlyAndARequestAgainGivesTheSamePicture) {
  const Ref<Picture> a = Gradient(31, 17), b = Gradient(31, 17);
  b->Graphics()->DrawPicture(Solid(10, 10, Rgb(1, 2, 3)), 3, 3, 10, 10, 0, 0, 10, 10);
  Ref<QTEffectSequence> s = Sequence(a, b, 5);
  Ref<Picture> last = Step(s, 5);
  ASSERT_TRUE(last);
  const PixelSnapshot lastRgb = RgbOf(last), bRgb = RgbOf(b);
  for (std::int32_t y = 0; y < 17; ++y) EXPECT_TRUE(std::equal(lastRgb->Row(y), lastRgb->Row(y) + 31, bRgb->Row(y)));
  EXPECT_EQ(last->ContentStamp(), b->ContentStamp());  // saved again without encoding
  EXPECT_EQ(s->Image().get(), last.get());
  Ref<Picture> third = Step(s, 3);
  EXPECT_EQ(s->Image().get(), third.get());
  EXPECT_EQ(s->Frame(), 3);
  // Writing to a step's picture leaves image2 alone.
  last->Bits()[0] = Rgb(9, 9, 9);
  EXPECT_NE(PixelAt(b, 0, 0), Rgb(9, 9, 9));
}

TEST(CrossFade, PicturesOfDifferentSizesFadeAtImage2sSizeWithImage1FittedOnBlack) {
  const Ref<Picture> a = Solid(10, 10, Rgb(250, 250, 250)), b = Solid(40, 20, Rgb(0, 0, 200));
  Ref<QTEffectSequence> s = Sequence(a, b, 2);
  Ref<Picture> mid = Step(s, 1);
  ASSERT_TRUE(mid);
  EXPECT_EQ(mid->Width(), 40);
  EXPECT_EQ(mid->Height(), 20);
  // image1 becomes a 20 x 20 square in the middle; the bars either side are black.
  EXPECT_LE(Distance(PixelAt(mid, 20, 10), Rgb(125, 125, 225)), 2);
  EXPECT_LE(Distance(PixelAt(mid, 2, 10), Rgb(0, 0, 100)), 2);
  EXPECT_LE(Distance(PixelAt(mid, 37, 10), Rgb(0, 0, 100)), 2);
}

TEST(CrossFade, OddArgumentsGiveNoPictureAndNeverCrash) {
  const Ref<Picture> a = Solid(4, 4, Rgb(0, 0, 0)), b = Solid(4, 4, Rgb(255, 255, 255));
  Ref<QTEffectSequence> s = Sequence(a, b, 3);
  for (std::int32_t j : {0, -1, 4, 2147483647}) EXPECT_FALSE(Step(s, j)) << j;
  for (std::int32_t n : {0, -5}) EXPECT_FALSE(Step(Sequence(a, b, n), 1)) << n;
  EXPECT_FALSE(Step(Sequence(nullptr, b, 3), 1));
  EXPECT_FALSE(Step(Sequence(a, nullptr, 3), 3));
  EXPECT_FALSE(New<QTEffectSequence>()->Image());  // never constructed
  // A none effect is the cross-fade.
  EXPECT_LE(Distance(PixelAt(Step(Sequence(a, b, 2, nullptr), 1), 0, 0), Rgb(128, 128, 128)), 1);
  EXPECT_NE(GetQTCrossFadeEffect().get(), GetQTCrossFadeEffect().get());
}

TEST(CrossFade, TheSeamMakesAChosenStepGiveNone) {
  const Ref<Picture> a = Solid(4, 4, Rgb(0, 0, 0)), b = Solid(4, 4, Rgb(255, 255, 255));
  effect_seam::FailWhen([](std::int32_t step) { return step == 2; });
  Ref<QTEffectSequence> s = Sequence(a, b, 3);
  EXPECT_TRUE(Step(s, 1));
  EXPECT_FALSE(Step(s, 2));
  EXPECT_TRUE(Step(s, 3));
  effect_seam::FailWhen({});
  EXPECT_TRUE(Step(s, 2));
}

TEST(CrossFade, AMillionStepsInBoundedMemory) {
  const Ref<Picture> a = Solid(64, 64, Rgb(0, 0, 0)), b = Solid(64, 64, Rgb(255, 255, 255));
  Ref<QTEffectSequence> s = Sequence(a, b, 1'000'000);
  // Every step's pixels are made (read) and let go. The first half warms
  // up every allocator (a sanitizer's quarantine included); the second may
  // not grow.
  auto made = [&](std::int32_t j) { return PixelAt(Step(s, j), 0, 0) >> 24 == 0xffu; };
  for (std::int32_t j = 1; j <= 500'000; j += 13) ASSERT_TRUE(made(j));
  const long before = ResidentKilobytes();
  for (std::int32_t j = 500'001; j <= 1'000'000; j += 13) ASSERT_TRUE(made(j));
  EXPECT_LT(ResidentKilobytes() - before, 8192);
  EXPECT_LE(Distance(PixelAt(Step(s, 500'000), 0, 0), Rgb(128, 128, 128)), 1);
  EXPECT_EQ(PixelAt(Step(s, 1'000'000), 0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(PixelAt(Step(s, 1), 0, 0), Rgb(0, 0, 0));
}
