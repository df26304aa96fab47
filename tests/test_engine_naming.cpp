// Frame names and cropping, called through the main window's class table
// as the fade runs reach them: bildname's bands of leading zeros, and
// croppicture's margins (the new picture's size, where its pixels come
// from, and margins that leave no picture).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/run_failure.h"
#include "support/app_fixture.h"
#include "support/media_fixtures.h"

using namespace app_test;
using media_test::PixelAt;

namespace {

std::string Bildname(std::int32_t frame) {
  const Variant args[] = {frame};
  return std::get<std::string>(RuntimeCallVirtual(MainWindow(), "bildname", args));
}

Ref<Picture> Crop(const Ref<Picture>& source, std::int32_t top, std::int32_t bottom, std::int32_t left,
                  std::int32_t right) {
  const Variant args[] = {Ref<Object>(source), top, bottom, left, right};
  Variant result = RuntimeCallVirtual(MainWindow(), "croppicture", args);
  return RuntimeCheckCastAs<Picture>(std::get<Ref<Object>>(result), Picture::StaticClass());
}

// Every pixel tells where it is: no two positions of a picture up to
// 4096 x 4096 share a value.
std::uint32_t PlaceCode(std::int32_t x, std::int32_t y) {
  return 0xff000000u | (static_cast<std::uint32_t>(y) << 12) | static_cast<std::uint32_t>(x);
}
Ref<Picture> PlaceCoded(std::int32_t w, std::int32_t h) {
  Ref<Picture> p = NewPicture(w, h);
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) p->Row(y)[x] = PlaceCode(x, y);
  return p;
}

// The first pixel of the picture that is not the source's pixel at the
// offset; "" when every pixel matches.
std::string MismatchAgainstSource(const Ref<Picture>& cropped, std::int32_t offsetX, std::int32_t offsetY) {
  for (std::int32_t y = 0; y < cropped->Height(); ++y)
    for (std::int32_t x = 0; x < cropped->Width(); ++x)
      if (PixelAt(cropped, x, y) != PlaceCode(x + offsetX, y + offsetY))
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
  return "";
}

}  // namespace

TEST(Bildname, LeadingZerosByBand) {
  const std::vector<std::pair<std::int32_t, std::string>> cases = {
      {0, "000000.jpg"},       {1, "000001.jpg"},        {9, "000009.jpg"},       {10, "000010.jpg"},
      {99, "000099.jpg"},      {100, "000100.jpg"},      {999, "000999.jpg"},     {1000, "001000.jpg"},
      {9999, "009999.jpg"},    {10000, "010000.jpg"},    {99999, "099999.jpg"},   {100000, "100000.jpg"},
      {999999, "999999.jpg"},  {1000000, "1000000.jpg"}, {2147483647, "2147483647.jpg"}};
  AppRun run = RunApp([&] {
    for (const auto& [frame, name] : cases) EXPECT_EQ(Bildname(frame), name) << frame;
  });
  EXPECT_EQ(run.status, 0);
}

struct CropCase {
  const char* what;
  std::int32_t top, bottom, left, right;
};

TEST(Croppicture, SizeAndPlaceOfTheKeptRectangle) {
  const std::vector<CropCase> cases = {
      {"the four margins", 10, 20, 30, 40},
      {"a top margin takes rows, not columns", 10, 0, 0, 0},
      {"a right margin only", 0, 0, 0, 7},
      {"one pixel left", 240, 239, 320, 319},
  };
  AppRun run = RunApp([&] {
    Ref<Picture> source = PlaceCoded(640, 480);
    const std::uint64_t before = source->ContentStamp();
    for (const CropCase& c : cases) {
      SCOPED_TRACE(c.what);
      Ref<Picture> cropped = Crop(source, c.top, c.bottom, c.left, c.right);
      EXPECT_EQ(cropped->Width(), 640 - c.left - c.right);
      EXPECT_EQ(cropped->Height(), 480 - c.top - c.bottom);
      EXPECT_EQ(PixelAt(cropped, 0, 0), PlaceCode(c.left, c.top));
      EXPECT_EQ(MismatchAgainstSource(cropped, c.left, c.top), "");
    }
    // The worked example once more, by the numbers.
    Ref<Picture> example = Crop(source, 10, 20, 30, 40);
    EXPECT_EQ(example->Width(), 570);
    EXPECT_EQ(example->Height(), 450);
    EXPECT_EQ(PixelAt(example, 0, 0), PixelAt(source, 30, 10));
    EXPECT_EQ(source->ContentStamp(), before) << "the source is not changed";
  });
  EXPECT_EQ(run.status, 0);
}

TEST(Croppicture, ZeroMarginsGiveADistinctFullSizeCopy) {
  AppRun run = RunApp([] {
    Ref<Picture> source = PlaceCoded(64, 48);
    Ref<Picture> copy = Crop(source, 0, 0, 0, 0);
    EXPECT_NE(copy.get(), source.get());
    EXPECT_EQ(copy->Width(), 64);
    EXPECT_EQ(copy->Height(), 48);
    EXPECT_EQ(MismatchAgainstSource(copy, 0, 0), "");
    // Drawing into the copy leaves the source as it was.
    copy->Row(5)[5] = 0xff123456u;
    EXPECT_EQ(PixelAt(source, 5, 5), PlaceCode(5, 5));
  });
  EXPECT_EQ(run.status, 0);
}

TEST(Croppicture, NegativeOrWrappingMarginsGiveALargerPicture) {
  AppRun run = RunApp([] {
    Ref<Picture> source = PlaceCoded(20, 10);
    Ref<Picture> wide = Crop(source, -2, -3, -4, -5);
    ASSERT_EQ(wide->Width(), 29);
    ASSERT_EQ(wide->Height(), 15);
    EXPECT_EQ(PixelAt(wide, 4, 2), PlaceCode(0, 0));
    EXPECT_EQ(PixelAt(wide, 23, 11), PlaceCode(19, 9));
    EXPECT_EQ(PixelAt(wide, 0, 0), 0xffffffffu) << "where nothing is drawn a new picture stays white";
    EXPECT_EQ(PixelAt(wide, 28, 14), 0xffffffffu);

    // Margins whose sum wraps around to a positive width: a picture of that
    // width, with nothing of the source in it.
    Ref<Picture> wrapped = Crop(source, 0, 0, 2147483647, 2147483647);
    ASSERT_EQ(wrapped->Width(), 22);
    ASSERT_EQ(wrapped->Height(), 10);
    EXPECT_EQ(PixelAt(wrapped, 0, 0), 0xffffffffu);
    EXPECT_EQ(PixelAt(wrapped, 21, 9), 0xffffffffu);
  });
  EXPECT_EQ(run.status, 0);
}

TEST(Croppicture, MarginsThatLeaveNoPictureRaiseAClearException) {
  const std::vector<CropCase> cases = {
      {"left and right take the whole width", 0, 0, 320, 320},
      {"top and bottom take more than the height", 300, 300, 0, 0},
      {"one margin wider than the picture", 0, 0, 700, 0},
      {"margins that make a picture too large to hold", -40000, -40000, -40000, -40000},
  };
  AppRun run = RunApp([&] {
    Ref<Picture> source = PlaceCoded(640, 480);
    for (const CropCase& c : cases) {
      SCOPED_TRACE(c.what);
      try {
        Crop(source, c.top, c.bottom, c.left, c.right);
        ADD_FAILURE() << "a picture came back";
      } catch (const RunFailure& e) {
        // The picture's size and the margins are named.
        EXPECT_EQ(e.Message().rfind("the margins top " + std::to_string(c.top) + ", bottom " +
                                        std::to_string(c.bottom) + ", left " + std::to_string(c.left) + ", right " +
                                        std::to_string(c.right),
                                    0),
                  0u)
            << e.Message();
        EXPECT_TRUE(e.Message().find("leave nothing of a picture of 640 x 480") != std::string::npos ||
                    e.Message().find("too large to hold") != std::string::npos)
            << e.Message();
      }
    }
    EXPECT_THROW(Crop(nullptr, 0, 0, 0, 0), NilObjectException) << "no picture to crop";
  });
  EXPECT_EQ(run.status, 0);
}
