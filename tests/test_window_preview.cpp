// The preview: Canvas1's painting stretches the backdrop into W - 1 by
// H - 1 and draws nothing without one (checked on the pixels the canvas
// really paints), and the bundle picture is loaded once and kept, or tried
// again after a failed load.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QWidget>
#include <cstdlib>
#include <filesystem>

#include "runtime/runtime.h"
#include "support/app_fixture.h"
#include "ui/control_qt.h"

using namespace app_test;
namespace fs = std::filesystem;

namespace {

// What the canvas itself paints, without the labels inside it.
QImage PaintedCanvas() {
  QWidget* canvas = WidgetNamed("Canvas1");
  QImage image(canvas->size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  canvas->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground);
  return image;
}

// A picture whose left half is one colour and right half another.
Ref<Picture> TwoColourPicture(int width, int height, std::uint32_t left, std::uint32_t right) {
  Ref<Picture> picture = NewPicture(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = picture->Row(y);
    for (int x = 0; x < width; ++x) row[x] = x < width / 2 ? left : right;
  }
  return picture;
}

// A picture in which every pixel differs from its neighbours.
Ref<Picture> PatternPicture(int width, int height) {
  Ref<Picture> picture = NewPicture(width, height);
  for (int y = 0; y < height; ++y) {
    std::uint32_t* row = picture->Row(y);
    for (int x = 0; x < width; ++x) row[x] = 0xff000000u | static_cast<std::uint32_t>(x * 1667 + y * 40503) % 0xffffffu;
  }
  return picture;
}

}  // namespace

TEST(Preview, TheBackdropIsStretchedIntoOnePixelLessThanTheCanvas) {
  AppRun run = RunApp([] {
    Ref<Canvas> canvas = ControlNamed<Canvas>("Canvas1");
    ASSERT_EQ(WidgetNamed("Canvas1")->size(), QSize(152, 114));
    const QRgb background = WidgetNamed("Canvas1")->palette().color(QPalette::Window).rgb();

    canvas->SetBackdrop(TwoColourPicture(4, 2, 0xffff0000u, 0xff0000ffu));
    QImage image = PaintedCanvas();
    EXPECT_EQ(image.pixel(0, 0), 0xffff0000u);
    EXPECT_EQ(image.pixel(30, 100), 0xffff0000u);
    EXPECT_EQ(image.pixel(120, 10), 0xff0000ffu);
    EXPECT_EQ(image.pixel(150, 112), 0xff0000ffu) << "the last drawn pixel is at W - 2, H - 2";
    for (int y = 0; y < 114; ++y) EXPECT_EQ(image.pixel(151, y), background) << "last column, row " << y;
    for (int x = 0; x < 152; ++x) EXPECT_EQ(image.pixel(x, 113), background) << "last row, column " << x;

    // A picture of exactly W - 1 by H - 1 is drawn unscaled.
    Ref<Picture> exact = PatternPicture(151, 113);
    canvas->SetBackdrop(exact);
    image = PaintedCanvas();
    int differing = 0;
    for (int y = 0; y < 113; ++y)
      for (int x = 0; x < 151; ++x) differing += image.pixel(x, y) != exact->Row(y)[x];
    EXPECT_EQ(differing, 0);

    // Without a backdrop nothing is drawn.
    canvas->SetBackdrop(nullptr);
    image = PaintedCanvas();
    differing = 0;
    for (int y = 0; y < 114; ++y)
      for (int x = 0; x < 152; ++x) differing += image.pixel(x, y) != background;
    EXPECT_EQ(differing, 0);
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
}

TEST(Preview, TheBundlePictureIsTheFirstBackdropAndIsKept) {
  AppRun run = RunApp([] {
    Ref<Picture> first = ControlNamed<Canvas>("Canvas1")->Backdrop();
    ASSERT_TRUE(first) << "no if_k100.png in the build's Resources folder";
    EXPECT_EQ(first->Width(), 151);
    EXPECT_EQ(first->Height(), 113);
    EXPECT_EQ(if_k100().get(), first.get());
    EXPECT_EQ(if_k100().get(), first.get());
  });
  EXPECT_EQ(run.status, 0);
}

// The loading rules need a bundle of the test's own: the test runs a copy
// of its program from a scratch bundle whose Resources it controls.
TEST(BundlePicture, CachesAfterSuccessAndRetriesAfterFailure) {
  const fs::path bundle = fs::path(TestOutputFolder()) / ("bundle-" + std::to_string(getpid()));
  fs::remove_all(bundle);
  fs::create_directories(bundle / "bin");
  const fs::path self = fs::read_symlink("/proc/self/exe");
  const fs::path copy = bundle / "bin" / self.filename();
  std::error_code ec;
  fs::create_hard_link(self, copy, ec);
  if (ec) fs::copy_file(self, copy);

  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VINDRALO_BUNDLE_CHILD", "1");
  child.setProcessEnvironment(env);
  child.setProcessChannelMode(QProcess::MergedChannels);
  child.start(QString::fromStdString(copy.string()), {"--gtest_filter=BundlePictureChild.*", "--gtest_also_run_disabled_tests"});
  ASSERT_TRUE(child.waitForFinished(120000));
  const QString output = QString::fromUtf8(child.readAll());
  EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
  EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
  fs::remove_all(bundle);
}

// Disabled: the test above runs it in its own process.
TEST(BundlePictureChild, DISABLED_InAScratchBundle) {
  if (!std::getenv("VINDRALO_BUNDLE_CHILD")) GTEST_SKIP() << "runs only in the scratch bundle";
  RuntimeInit();
  const fs::path resources = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "Resources";
  ASSERT_FALSE(fs::exists(resources));

  // No Resources folder: none, and no error.
  EXPECT_FALSE(if_k100());
  // The folder without the file, then a file that is no picture: none each time, tried again each time.
  fs::create_directories(resources);
  EXPECT_FALSE(if_k100());
  {
    std::FILE* f = std::fopen((resources / "if_k100.png").c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("not a picture", f);
    std::fclose(f);
  }
  EXPECT_FALSE(if_k100());
  // A picture appears: it is loaded.
  QImage image(20, 10, QImage::Format_RGB32);
  image.fill(QColor(10, 200, 30));
  ASSERT_TRUE(image.save(QString::fromStdString((resources / "if_k100.png").string()), "PNG"));
  Ref<Picture> loaded = if_k100();
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Width(), 20);
  EXPECT_EQ(loaded->Row(5)[5], 0xff0ac81eu);
  // Once loaded it is kept: the file system is not asked again.
  fs::remove(resources / "if_k100.png");
  fs::remove(resources);
  EXPECT_EQ(if_k100().get(), loaded.get());
  EXPECT_EQ(if_k100().get(), loaded.get());
  RuntimeExit();
}
