// Pictures, Graphics.DrawPicture and JPEG files: decoding, encoding,
// orientation, odd colour models, broken files and saving.
#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <QImage>
#include <QImageReader>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "files/folder_item.h"
#include "media/jpeg.h"
#include "media/picture_qt.h"
#include "runtime/runtime.h"
#include "runtime/task_pool.h"
#include "support/media_fixtures.h"
#include "testing.h"

using namespace media_test;

namespace {

// Raw TurboJPEG encoding of packed pixels of the given format.
std::vector<unsigned char> EncodeRaw(const std::vector<unsigned char>& pixels, int w, int h, int format, int samp) {
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(tjCompress2(tj, pixels.data(), w, 0, h, format, &out, &size, samp, 95, 0), 0) << tjGetErrorStr2(tj);
  std::vector<unsigned char> bytes(out, out + size);
  tjFree(out);
  tjDestroy(tj);
  return bytes;
}

// A JPEG with an EXIF block holding only the orientation tag.
std::vector<unsigned char> WithExifOrientation(std::vector<unsigned char> jpeg, int orientation) {
  const unsigned char app1[] = {0xff, 0xe1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0,            // APP1, length 34
                                'M', 'M', 0x00, 0x2a, 0x00, 0x00, 0x00, 0x08,              // TIFF header
                                0x00, 0x01,                                                // one entry
                                0x01, 0x12, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01,            // orientation, SHORT
                                0x00, static_cast<unsigned char>(orientation), 0x00, 0x00,  // its value
                                0x00, 0x00, 0x00, 0x00};                                   // no next IFD
  jpeg.insert(jpeg.begin() + 2, std::begin(app1), std::end(app1));
  return jpeg;
}

// Four quadrants of distinct colours, big enough to survive 4:2:0.
Ref<Picture> Quadrants(std::int32_t w, std::int32_t h) {
  const std::uint32_t colours[4] = {Rgb(220, 30, 30), Rgb(30, 200, 40), Rgb(40, 40, 210), Rgb(230, 230, 40)};
  Ref<Picture> p = NewPicture(w, h);
  std::uint32_t* bits = p->Bits();
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) bits[y * w + x] = colours[(y >= h / 2) * 2 + (x >= w / 2)];
  return p;
}

int MaxDistance(const Ref<Picture>& a, const Ref<Picture>& b) {
  const PixelSnapshot ra = RgbOf(a), rb = RgbOf(b);
  int worst = 0;
  for (std::int32_t y = 0; y < a->Height(); ++y)
    for (std::int32_t x = 0; x < a->Width(); ++x)
      worst = std::max(worst, Distance(PixelAt(ra, x, y), PixelAt(rb, x, y)));
  return worst;
}

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override { ClearPictureFileCaches(); }
  ScratchFolder dir;
};

}  // namespace

TEST(Pictures, ConstructorMakesABlankPictureAndRefusesEmptySizes) {
  Ref<Picture> p = NewPicture(3, 2);
  EXPECT_EQ(p->Width(), 3);
  EXPECT_EQ(p->Height(), 2);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(PixelAt(p, i % 3, i / 3), 0xffffffffu);
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {5, -7}}) {
    try {
      NewPicture(w, h);
      ADD_FAILURE() << w << " x " << h << " was made";
    } catch (const RuntimeException& e) {
      std::string size = std::to_string(w);
      size.append(" x ").append(std::to_string(h));
      EXPECT_NE(e.Message().find(size), std::string::npos) << e.Message();
    }
  }
}

TEST(Pictures, CopiesShareUntilWrittenAndEveryWriteGetsANewStamp) {
  Ref<Picture> a = Solid(4, 4, Rgb(1, 2, 3));
  const std::uint64_t stamp = a->ContentStamp();
  Ref<Picture> b = a->Clone();
  EXPECT_EQ(b->ContentStamp(), stamp);
  EXPECT_EQ(RgbOf(a)->Row(0), RgbOf(b)->Row(0));  // shared, not copied
  b->Bits()[0] = Rgb(9, 9, 9);
  EXPECT_NE(b->ContentStamp(), stamp);
  EXPECT_EQ(a->ContentStamp(), stamp);
  EXPECT_EQ(PixelAt(a, 0, 0), Rgb(1, 2, 3));
  EXPECT_EQ(PixelAt(b, 0, 0), Rgb(9, 9, 9));
}

TEST(DrawPicture, EqualSizesCopyExactlyAndClipAtEveryEdge) {
  Ref<Picture> src = Gradient(10, 8);
  struct Case {
    int dx, dy, sx, sy, w, h;
  };
  // Inside, off each edge of the target, off each edge of the source, and off both.
  const Case cases[] = {{2, 1, 1, 1, 5, 4},   {-3, 2, 0, 0, 6, 3}, {10, 2, 0, 0, 6, 3}, {2, -2, 0, 0, 4, 5},
                        {2, 9, 0, 0, 4, 5},   {0, 0, -2, 0, 6, 4}, {0, 0, 7, 0, 6, 4},  {0, 0, 0, -3, 4, 6},
                        {0, 0, 0, 6, 4, 6},   {-1, -1, 8, 6, 9, 9}, {0, 0, 0, 0, 10, 8}};
  for (const Case& c : cases) {
    Ref<Picture> dst = Solid(12, 9, Rgb(0, 0, 0));
    dst->Graphics()->DrawPicture(src, c.dx, c.dy, c.w, c.h, c.sx, c.sy, c.w, c.h);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 12; ++x) {
        const int sx = x - c.dx + c.sx, sy = y - c.dy + c.sy;
        const bool inside = x >= c.dx && x < c.dx + c.w && y >= c.dy && y < c.dy + c.h && sx >= 0 && sx < 10 &&
                            sy >= 0 && sy < 8;
        ASSERT_EQ(PixelAt(dst, x, y), inside ? PixelAt(src, sx, sy) : Rgb(0, 0, 0))
            << "case " << c.dx << "," << c.dy << "," << c.sx << "," << c.sy << " at " << x << "," << y;
      }
  }
}

TEST(DrawPicture, ScalesSmoothlyAndKeepsToTheDestination) {
  // Doubling: every destination pixel lies between its neighbouring source pixels.
  Ref<Picture> src = Gradient(8, 8);
  Ref<Picture> dst = Solid(20, 20, Rgb(0, 0, 0));
  dst->Graphics()->DrawPicture(src, 2, 2, 16, 16, 0, 0, 8, 8);
  EXPECT_EQ(PixelAt(dst, 1, 1), Rgb(0, 0, 0));
  EXPECT_EQ(PixelAt(dst, 18, 18), Rgb(0, 0, 0));
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_LE(Distance(PixelAt(dst, x + 2, y + 2), PixelAt(src, x / 2, y / 2)), 40);
  // Halving a 2 x 2 checker averages it.
  Ref<Picture> checker = NewPicture(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) checker->Bits()[y * 64 + x] = ((x + y) & 1) ? Rgb(255, 255, 255) : Rgb(0, 0, 0);
  Ref<Picture> small = Solid(8, 8, Rgb(0, 0, 0));
  small->Graphics()->DrawPicture(checker, 0, 0, 8, 8, 0, 0, 64, 64);
  for (int i = 0; i < 64; ++i) EXPECT_NEAR(Red(PixelAt(small, i % 8, i / 8)), 128, 3);
  // A scaled drawing clipped by the target: what is left keeps its scale.
  Ref<Picture> half = Solid(4, 4, Rgb(0, 0, 0));
  half->Graphics()->DrawPicture(Solid(4, 4, Rgb(200, 10, 10)), -4, -4, 8, 8, 0, 0, 4, 4);
  EXPECT_EQ(Distance(PixelAt(half, 3, 3), Rgb(200, 10, 10)), 0);
  EXPECT_THROW(half->Graphics()->DrawPicture(nullptr, 0, 0, 1, 1, 0, 0, 1, 1), NilObjectException);
  half->Graphics()->DrawPicture(src, 0, 0, 0, 4, 0, 0, 4, 4);  // empty: draws nothing
  half->Graphics()->DrawPicture(src, 0, 0, -4, 4, 0, 0, 4, 4);
}

TEST(DrawPicture, DrawingAPictureIntoItselfReadsTheOldPixels) {
  Ref<Picture> p = Gradient(6, 6);
  Ref<Picture> before = p->Clone();
  p->Graphics()->DrawPicture(p, 1, 1, 5, 5, 0, 0, 5, 5);
  for (int y = 1; y < 6; ++y)
    for (int x = 1; x < 6; ++x) ASSERT_EQ(PixelAt(p, x, y), PixelAt(before, x - 1, y - 1));
  EXPECT_EQ(PixelAt(before, 5, 5), PixelAt(Gradient(6, 6), 5, 5));  // the clone is untouched
}

TEST(Pictures, QtImagesInAndOut) {
  QImage image(3, 2, QImage::Format_ARGB32);
  image.fill(QColor(10, 20, 30));
  Ref<Picture> p = PictureFromQImage(image);
  ASSERT_TRUE(p);
  EXPECT_EQ(PixelAt(p, 2, 1), Rgb(10, 20, 30));
  const QImage back = PictureAsQImage(*p);
  EXPECT_EQ(back.constBits(), reinterpret_cast<const uchar*>(RgbOf(p)->Row(0)));  // no copy
  EXPECT_EQ(back.pixel(1, 1), Rgb(10, 20, 30));
  EXPECT_FALSE(PictureFromQImage(QImage()));
}

TEST_F(PictureFiles, JpegRoundTripsAtOddAndEvenSizes) {
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {17, 9}, {64, 48}, {333, 127}}) {
    // Tiny pictures are one colour: 4:2:0 shares colour between neighbours.
    Ref<Picture> p = w * h < 16 ? Solid(w, h, Rgb(200, 120, 40)) : Gradient(w, h);
    Ref<FolderItem> file = GetFolderItem(dir / "frame.jpg");
    file->SaveAsJPEG(p);
    ClearPictureFileCaches();
    Ref<Picture> back = file->OpenAsPicture();
    ASSERT_TRUE(back) << w << " x " << h;
    ASSERT_EQ(back->Width(), w);
    ASSERT_EQ(back->Height(), h);
    EXPECT_LE(MaxDistance(p, back), 24) << w << " x " << h;
    const PixelSnapshot backRgb = RgbOf(back);
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(PixelAt(backRgb, i % w, i / w) >> 24, 0xffu);  // opaque RGB32
    // What was written is a 4:2:0 JPEG.
    const auto bytes = ReadAll(dir / "frame.jpg");
    tjhandle tj = tjInitDecompress();
    int jw = 0, jh = 0, samp = -1, cs = -1;
    ASSERT_EQ(tjDecompressHeader3(tj, bytes.data(), bytes.size(), &jw, &jh, &samp, &cs), 0);
    tjDestroy(tj);
    EXPECT_EQ(samp, TJSAMP_420);
  }
}

// A big picture is encoded in strips side by side and joined with restart
// markers: every decoder sees the pixels of one encoding of the whole, for
// RGB pixels and for YUV planes kept from a photo, at sizes whose last
// strip is short or whose width is no multiple of 16.
TEST_F(PictureFiles, APictureEncodedInStripsDecodesAsOneWholeEncoding) {
  tjhandle decoder = tjInitDecompress(), encoder = tjInitCompress();
  auto decode = [&](const unsigned char* bytes, std::size_t size, int w, int h) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 4);
    EXPECT_EQ(tjDecompress2(decoder, bytes, size, rgb.data(), w, 0, h, TJPF_BGRX, 0), 0) << tjGetErrorStr2(decoder);
    return rgb;
  };
  for (auto [w, h] : {std::pair{1000, 1100}, {1601, 4001}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    Ref<Picture> picture = Gradient(w, h);
    for (std::int32_t y = 0; y < h; y += 7) picture->Row(y)[(y * 13) % w] = Rgb(255, 0, 255);  // sharp detail
    // The photo kept as YUV: the same picture written and opened again.
    GetFolderItem(dir / "photo.jpg")->SaveAsJPEG(picture);
    ClearPictureFileCaches();
    Ref<Picture> photo = GetFolderItem(dir / "photo.jpg")->OpenAsPicture();
    ASSERT_TRUE(photo);
    ASSERT_EQ(photo->Snapshot()->Layout(), PixelLayout::kYuv420);
    for (const PixelSnapshot& pixels : {picture->Snapshot(), photo->Snapshot()}) {
      const std::vector<unsigned char> striped = EncodeJPEG(*pixels)->Bytes();
      const unsigned char restartInterval[] = {0xff, 0xdd};
      ASSERT_NE(std::search(striped.begin(), striped.end(), std::begin(restartInterval), std::end(restartInterval)),
                striped.end())
          << "no restart interval: not encoded in strips";
      // One whole encoding of the same pixels, straight from TurboJPEG.
      unsigned char* whole = nullptr;
      unsigned long wholeSize = 0;
      if (pixels->Layout() == PixelLayout::kYuv420) {
        const unsigned char* planes[3] = {pixels->Plane(0), pixels->Plane(1), pixels->Plane(2)};
        const int strides[3] = {pixels->PlaneStride(0), pixels->PlaneStride(1), pixels->PlaneStride(2)};
        ASSERT_EQ(tjCompressFromYUVPlanes(encoder, planes, w, strides, h, TJSAMP_420, &whole, &wholeSize, 90, 0), 0);
      } else {
        ASSERT_EQ(tjCompress2(encoder, reinterpret_cast<const unsigned char*>(pixels->Row(0)), w, 0, h, TJPF_BGRX,
                              &whole, &wholeSize, TJSAMP_420, 90, 0),
                  0);
      }
      EXPECT_TRUE(decode(striped.data(), striped.size(), w, h) == decode(whole, wholeSize, w, h));
      tjFree(whole);
    }
  }
  tjDestroy(decoder);
  tjDestroy(encoder);
}

// The bytes given to a sink while the strips are encoded (a frame written
// while the rest of it is encoded) are the JPEG returned, byte for byte,
// whether the picture was encoded in strips or whole.
TEST_F(PictureFiles, AnEncodingGivesItsSinkTheBytesItReturns) {
  struct Collect final : JpegSink {
    std::vector<unsigned char> bytes;
    void Part(std::span<const std::span<const unsigned char>> parts) noexcept override {
      for (auto part : parts) bytes.insert(bytes.end(), part.begin(), part.end());
    }
    void Restart() noexcept override { bytes.clear(); }
  };
  for (auto [w, h] : {std::pair{1601, 4001}, {64, 48}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    Ref<Picture> picture = Gradient(w, h);
    for (std::int32_t y = 0; y < h; y += 7) picture->Row(y)[(y * 13) % w] = Rgb(255, 0, 255);
    Collect sink;
    const std::vector<unsigned char> returned = EncodeJPEG(*picture->Snapshot(), sink)->Bytes();
    EXPECT_EQ(sink.bytes, returned);
    EXPECT_EQ(returned, EncodeJPEG(*picture->Snapshot())->Bytes());
  }
}

TEST_F(PictureFiles, TheEightExifOrientationsTurnThePictureUpright) {
  Ref<Picture> upright = Quadrants(64, 32);
  const Ref<FolderItem> plain = GetFolderItem(dir / "plain.jpg");
  plain->SaveAsJPEG(upright);
  const auto jpeg = ReadAll(dir / "plain.jpg");
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string path = dir / (std::string("o") + std::to_string(orientation) + ".jpg");
    WriteAll(path, WithExifOrientation(jpeg, orientation));
    Ref<Picture> ours = GetFolderItem(path)->OpenAsPicture();
    ASSERT_TRUE(ours) << orientation;
    // Qt's own reader, turning the picture itself, is the reference.
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    Ref<Picture> theirs = PictureFromQImage(reader.read());
    ASSERT_TRUE(theirs);
    ASSERT_EQ(ours->Width(), theirs->Width()) << orientation;
    ASSERT_EQ(ours->Height(), theirs->Height()) << orientation;
    EXPECT_EQ(ours->Width(), orientation >= 5 ? 32 : 64);
    EXPECT_LE(MaxDistance(ours, theirs), 12) << orientation;
  }
  // Orientation 6 turns clockwise: the bottom-left quadrant comes to the top left.
  Ref<Picture> six = GetFolderItem(dir / "o6.jpg")->OpenAsPicture();
  EXPECT_LE(Distance(PixelAt(six, 4, 4), PixelAt(upright, 4, 28)), 12);
  EXPECT_LE(Distance(PixelAt(six, 28, 4), PixelAt(upright, 4, 4)), 12);
}

TEST_F(PictureFiles, GrayscaleAndCmykJpegsOpen) {
  std::vector<unsigned char> gray(40 * 30);
  for (int i = 0; i < 40 * 30; ++i) gray[i] = static_cast<unsigned char>((i % 40) * 6);
  WriteAll(dir / "gray.jpg", EncodeRaw(gray, 40, 30, TJPF_GRAY, TJSAMP_GRAY));
  Ref<Picture> g = GetFolderItem(dir / "gray.jpg")->OpenAsPicture();
  ASSERT_TRUE(g);
  EXPECT_EQ(g->Width(), 40);
  const std::uint32_t mid = PixelAt(g, 20, 10);
  EXPECT_NEAR(Red(mid), 120, 4);
  EXPECT_EQ(Red(mid), Green(mid));
  EXPECT_EQ(Green(mid), Blue(mid));

  // Left half red, right half dark blue, in TurboJPEG's (Adobe's inverted) CMYK.
  std::vector<unsigned char> cmyk(32 * 16 * 4);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) {
      const unsigned char red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 128};
      std::copy_n(x < 16 ? red : blue, 4, &cmyk[(y * 32 + x) * 4]);
    }
  WriteAll(dir / "cmyk.jpg", EncodeRaw(cmyk, 32, 16, TJPF_CMYK, TJSAMP_444));
  Ref<Picture> c = GetFolderItem(dir / "cmyk.jpg")->OpenAsPicture();
  ASSERT_TRUE(c);
  EXPECT_LE(Distance(PixelAt(c, 4, 8), Rgb(255, 0, 0)), 6);
  EXPECT_LE(Distance(PixelAt(c, 28, 8), Rgb(0, 0, 128)), 6);
}

TEST_F(PictureFiles, BrokenFilesGiveNoPicture) {
  Gradient(64, 64)->Graphics();  // nothing drawn; just a picture to save
  GetFolderItem(dir / "good.jpg")->SaveAsJPEG(Gradient(64, 64));
  const auto good = ReadAll(dir / "good.jpg");
  const std::vector<std::pair<std::string, std::vector<unsigned char>>> broken{
      {"empty.jpg", {}},
      {"garbage.jpg", std::vector<unsigned char>(500, 0x5a)},
      {"header-only.jpg", std::vector<unsigned char>(good.begin(), good.begin() + 40)},
      {"truncated.jpg", std::vector<unsigned char>(good.begin(), good.begin() + good.size() / 2)},
      {"text.png", {'h', 'e', 'l', 'l', 'o'}},
  };
  for (const auto& [name, bytes] : broken) {
    WriteAll(dir / name, bytes);
    EXPECT_FALSE(GetFolderItem(dir / name)->OpenAsPicture()) << name;
  }
  EXPECT_FALSE(GetFolderItem(dir / "missing.jpg")->OpenAsPicture());
  EXPECT_FALSE(GetFolderItem(dir.Path())->OpenAsPicture());  // a folder
}

TEST_F(PictureFiles, OtherFormatsOpenThroughQt) {
  QImage image(5, 4, QImage::Format_RGB32);
  image.fill(QColor(0, 128, 255));
  ASSERT_TRUE(image.save(QString::fromStdString(dir / "p.png")));
  Ref<Picture> p = GetFolderItem(dir / "p.png")->OpenAsPicture();
  ASSERT_TRUE(p);
  EXPECT_EQ(PixelAt(p, 4, 3), Rgb(0, 128, 255));
}

TEST_F(PictureFiles, SavingReplacesAnExistingFrameAndLeavesNoTemporaryFile) {
  Ref<FolderItem> file = GetFolderItem(dir / "000001.jpg");
  file->SaveAsJPEG(Solid(16, 16, Rgb(250, 0, 0)));
  file->SaveAsJPEG(Solid(16, 16, Rgb(0, 0, 250)));
  EXPECT_LE(Distance(PixelAt(file->OpenAsPicture(), 8, 8), Rgb(0, 0, 250)), 4);
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"000001.jpg"});
  EXPECT_THROW(file->SaveAsJPEG(nullptr), NilObjectException);
}

TEST_F(PictureFiles, AFailedSaveRaisesAnExceptionNamingTheFile) {
  // A folder that does not exist, and a "folder" that is a file: both fail for every user.
  WriteAll(dir / "plain-file", {1, 2, 3});
  // The frame is named by its name: its folder is the one the user chose.
  const std::pair<std::string, std::string> cases[] = {{dir / "no-such-folder/000042.jpg", "No such file or directory"},
                                                       {dir / "plain-file/000042.jpg", "Not a directory"}};
  for (const auto& [path, reason] : cases) {
    try {
      GetFolderItem(path)->SaveAsJPEG(Solid(8, 8, Rgb(1, 2, 3)));
      ADD_FAILURE() << "saved " << path;
    } catch (const IOException& e) {
      EXPECT_EQ(e.Message(), "while saving 000042.jpg: " + reason);
    }
  }
}

TEST_F(PictureFiles, SavingIntoAReadOnlyFolderRaisesAnExceptionNamingTheFile) {
  // Root may write there all the same.
  const std::string locked = dir / "locked";
  std::filesystem::create_directory(locked);
  chmod(locked.c_str(), 0555);
  if (access(locked.c_str(), W_OK) == 0) GTEST_SKIP() << "this user writes into read-only folders";
  try {
    GetFolderItem(locked + "/000042.jpg")->SaveAsJPEG(Solid(8, 8, Rgb(1, 2, 3)));
    ADD_FAILURE() << "saved into a read-only folder";
  } catch (const IOException& e) {
    EXPECT_EQ(e.Message(), "while saving 000042.jpg: Permission denied");
  }
}

TEST_F(PictureFiles, SavingAgainReusesTheEncodingOnlyWhileThePictureIsUnchanged) {
  Ref<Picture> p = Gradient(40, 30);
  GetFolderItem(dir / "a.jpg")->SaveAsJPEG(p);
  GetFolderItem(dir / "b.jpg")->SaveAsJPEG(p);
  GetFolderItem(dir / "c.jpg")->SaveAsJPEG(p->Clone());  // same content, another picture
  EXPECT_EQ(ReadAll(dir / "a.jpg"), ReadAll(dir / "b.jpg"));
  EXPECT_EQ(ReadAll(dir / "a.jpg"), ReadAll(dir / "c.jpg"));
  // A change, however small, is encoded afresh.
  p->Bits()[0] = Rgb(0, 0, 255);
  GetFolderItem(dir / "d.jpg")->SaveAsJPEG(p);
  EXPECT_NE(ReadAll(dir / "a.jpg"), ReadAll(dir / "d.jpg"));
  p->Graphics()->DrawPicture(Solid(40, 30, Rgb(0, 255, 0)), 0, 0, 40, 30, 0, 0, 40, 30);
  GetFolderItem(dir / "e.jpg")->SaveAsJPEG(p);
  EXPECT_LE(Distance(PixelAt(GetFolderItem(dir / "e.jpg")->OpenAsPicture(), 20, 15), Rgb(0, 255, 0)), 4);
}

// Opening an entry of a folder inside a handler decodes the next photos
// ahead; one that changes before it is opened is read as it is then, both
// for entries of the listing and for items made from their paths.
TEST_F(PictureFiles, APhotoDecodedAheadAndChangedSinceIsReadAsItIsNow) {
  struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  const std::uint32_t colours[] = {Rgb(200, 0, 0), Rgb(0, 200, 0), Rgb(0, 0, 200)};
  const char* names[] = {"p1.jpg", "p2.jpg", "p3.jpg"};
  for (int i = 0; i < 3; ++i) {
    const std::string path = dir / names[i];
    GetFolderItem(path)->SaveAsJPEG(Solid(16, 16, colours[i]));
    utimensat(AT_FDCWD, path.c_str(), old, 0);  // settled, so its decoding may be made ahead
  }
  for (bool byPath : {false, true}) {
    SCOPED_TRACE(byPath ? "items made from paths" : "entries of the listing");
    RuntimeDispatch([&] {  // as a run does, inside a handler
      Ref<FolderItem> folder = GetFolderItem(dir.Path());
      ASSERT_EQ(folder->Count(), 3);
      auto entry = [&](std::int32_t i) { return byPath ? GetFolderItem(folder->Item(i)->Path()) : folder->Item(i); };
      ASSERT_TRUE(entry(1)->OpenAsPicture());  // p2 and p3 are decoded ahead
      task_pool::WaitUntilIdle();
      // Rewritten behind the platform's back, with the old time.
      const std::uint32_t now = byPath ? Rgb(250, 250, 0) : Rgb(0, 250, 250);
      WriteAll(dir / "p3.jpg", EncodeJPEG(*Solid(16, 16, now)->Snapshot())->Bytes());
      utimensat(AT_FDCWD, (dir / "p3.jpg").c_str(), old, 0);
      EXPECT_LE(Distance(PixelAt(entry(2)->OpenAsPicture(), 8, 8), colours[1]), 4);
      EXPECT_LE(Distance(PixelAt(entry(3)->OpenAsPicture(), 8, 8), now), 4);
    });
    task_pool::WaitUntilIdle();  // what the runtime does when it stops
  }
}

// Decoding ahead holds each file it reads whole, so the files are charged
// against its budget: files larger than the budget are not read ahead at
// all, and of files nearly as large only one at a time, so that a folder of
// huge files cannot make memory spike (the photo opened is read all the
// same). The peak resident size shows what was held.
TEST_F(PictureFiles, DecodingAheadChargesTheFilesItReads) {
#if defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "the thread sanitizer's shadow memory adds several bytes of resident size to every byte read";
#endif
  struct Case {
    const char* what;
    std::uintmax_t fileBytes;
    std::uintmax_t readAhead;  // the most files held ahead at once
  };
  constexpr std::uintmax_t kMiB = std::uintmax_t{1} << 20;
  // In this order: the peak of the first case stays the process's peak.
  const Case cases[] = {{"files larger than the budget", 200 * kMiB, 0},
                        {"files that fit the budget only one at a time", 120 * kMiB, 1}};
  auto peakBytes = [] {
    struct rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uintmax_t>(usage.ru_maxrss) * 1024;
  };
  struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    GetFolderItem(folder / "p1.jpg")->SaveAsJPEG(Solid(16, 16, Rgb(200, 0, 0)));
    for (const char* name : {"p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"}) {
      const std::string path = folder / name;
      std::ofstream(path).close();
      std::filesystem::resize_file(path, c.fileBytes);  // sparse: no disk space
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
      utimensat(AT_FDCWD, entry.path().c_str(), old, 0);  // settled, so they may be decoded ahead
    const std::uintmax_t before = peakBytes();
    RuntimeDispatch([&] {  // as a run does, inside a handler
      Ref<FolderItem> photos = GetFolderItem(folder.Path());
      ASSERT_EQ(photos->Count(), 5);
      ASSERT_TRUE(photos->Item(1)->OpenAsPicture());
      task_pool::WaitUntilIdle();
    });
    const std::uintmax_t grown = peakBytes() - before;
    EXPECT_LT(grown, c.readAhead * c.fileBytes + c.fileBytes / 2) << grown / kMiB << " MiB";
  }
}

TEST_F(PictureFiles, OpeningAgainGivesAnIndependentPictureAndSeesChanges) {
  const std::string path = dir / "x.jpg";
  GetFolderItem(path)->SaveAsJPEG(Solid(16, 16, Rgb(200, 0, 0)));
  // Let the file settle so that its decode may be kept.
  struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  utimensat(AT_FDCWD, path.c_str(), old, 0);
  Ref<Picture> first = GetFolderItem(path)->OpenAsPicture();
  first->Bits()[0] = Rgb(1, 1, 1);  // the caller's own copy
  Ref<Picture> second = GetFolderItem(path)->OpenAsPicture();
  EXPECT_LE(Distance(PixelAt(second, 0, 0), Rgb(200, 0, 0)), 4);
  // Replaced by another file: the new content.
  GetFolderItem(path)->SaveAsJPEG(Solid(16, 16, Rgb(0, 200, 0)));
  utimensat(AT_FDCWD, path.c_str(), old, 0);
  EXPECT_LE(Distance(PixelAt(GetFolderItem(path)->OpenAsPicture(), 8, 8), Rgb(0, 200, 0)), 4);
  // Rewritten in place with the same size and time: still seen (the inode's change time moves).
  const auto blue = [&] {
    GetFolderItem(dir / "blue.jpg")->SaveAsJPEG(Solid(16, 16, Rgb(0, 0, 200)));
    return ReadAll(dir / "blue.jpg");
  }();
  GetFolderItem(path)->OpenAsPicture();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(blue.data()), static_cast<std::streamsize>(blue.size()));
  }
  utimensat(AT_FDCWD, path.c_str(), old, 0);
  EXPECT_LE(Distance(PixelAt(GetFolderItem(path)->OpenAsPicture(), 8, 8), Rgb(0, 0, 200)), 4);
}
