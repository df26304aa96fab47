// A disk that fills during a folder run, on a small tmpfs: the run stops
// with a message naming the frame and the system's reason, the folder holds
// whole frames without a gap, and once there is room a new start ends with
// the very files of a run that never failed.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>

#include "support/folder_run_fixture.h"

using namespace app_test;
using namespace engine_test;
using media_test::ScratchFolder;

namespace {

const Colours kPhotos = {Rgb(200, 40, 40), Rgb(40, 180, 60), Rgb(50, 60, 200), Rgb(230, 140, 30)};
const Settings kSettings = {.still = 2, .fade = 4, .margins = {}};

std::vector<Entry> Photos() {
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < kPhotos.size(); ++i)
    entries.push_back(PhotoEntry("photo" + std::to_string(i + 1) + ".jpg", kPhotos[i]));
  return entries;
}

// A tmpfs of a given size mounted on a folder for the test's life.
class SmallDisk {
 public:
  explicit SmallDisk(std::string folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
    if (mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=40k") != 0) error_ = std::strerror(errno);
  }
  ~SmallDisk() {
    if (error_.empty()) umount2(folder_.c_str(), MNT_DETACH);
  }
  const std::string& Error() const { return error_; }
  bool Grow() { return mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT, "size=16m") == 0; }

 private:
  std::string folder_;
  std::string error_;
};

std::vector<unsigned char> Bytes(const std::string& path) { return media_test::ReadAll(path); }

// Runs the folder run to its end.
void RunToTheEnd() {
  dialog_seam::TakeLog();
  Click("BevelButton3");
  ASSERT_TRUE(WaitUntil([] { return !dialog_seam::Messages().empty(); }, 30000));
}

}  // namespace

TEST(DiskFull, ARunThatFillsTheDiskStopsAndAResumedRunEndsWithTheSameFiles) {
  ScratchFolder scratch;
  const std::string source = scratch / "photos", reference = scratch / "reference", dest = scratch / "small";
  const int frames = static_cast<int>(ExpectedFrames(kPhotos, kSettings).size());

  AppRun referenceRun = RunApp([&] {
    MakeEntries(source, Photos());
    Prepare(source, reference, kSettings);
    RunToTheEnd();
    EXPECT_EQ(dialog_seam::Messages(), Names{"all done " + std::to_string(frames + 1) + " 24"});
  });
  ASSERT_EQ(referenceRun.status, 0);
  ASSERT_EQ(FileNames(reference), FrameNames(frames));

  SmallDisk disk(dest);
  if (!disk.Error().empty()) GTEST_SKIP() << "a small tmpfs cannot be mounted here: " << disk.Error();
  AppRun run = RunApp([&] {
    Prepare(source, dest, kSettings);
    RunToTheEnd();
    const Names messages = dialog_seam::Messages();
    EXPECT_EQ(MainWindow().tflag, 0);
    EXPECT_EQ(Caption("BevelButton3"), "start fading");
    // Whole frames up to the failed one, nothing after it, no temporary file.
    const Names written = FileNames(dest);
    ASSERT_LT(written.size(), static_cast<std::size_t>(frames)) << "the disk did not fill";
    EXPECT_EQ(written, FrameNames(static_cast<int>(written.size())));
    // The message names the first frame missing, by its name, and the system's reason.
    const std::string failed = FrameNames(static_cast<int>(written.size()) + 1).back();
    EXPECT_EQ(messages, Names{"while saving " + failed + ": No space left on device"});
    for (const std::string& name : written) EXPECT_EQ(Bytes(dest + "/" + name), Bytes(reference + "/" + name)) << name;

    ASSERT_TRUE(disk.Grow());
    RunToTheEnd();
    EXPECT_EQ(dialog_seam::Messages(), Names{"all done " + std::to_string(frames + 1) + " 24"});
  });
  EXPECT_EQ(run.status, 0);
  ASSERT_EQ(FileNames(dest), FrameNames(frames));
  for (const std::string& name : FrameNames(frames))
    EXPECT_EQ(Bytes(dest + "/" + name), Bytes(reference + "/" + name)) << name;
}
