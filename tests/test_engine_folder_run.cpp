// The folder fade run in the running application, tick by tick of the real
// Timer1: the frames it writes (checked by their content), the progress
// values, status texts and messages of each tick, stopping and resuming,
// starting again after the end, steps that give no picture, folders whose
// photos are mixed with other entries, and the failures that stop the run
// with a clear message.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <functional>

#include "media/effect.h"
#include "support/folder_run_fixture.h"
#include "testing.h"

using namespace app_test;
using namespace engine_test;
using media_test::ScratchFolder;

namespace {

const std::uint32_t kRed = Rgb(200, 40, 40), kGreen = Rgb(40, 180, 60), kBlue = Rgb(50, 60, 200);
const std::uint32_t kGrey = Rgb(128, 128, 128), kOrange = Rgb(230, 140, 30);

// The preview shows a crop of a photo of that colour (not yet a JPEG).
testing::AssertionResult BackdropShows(const Ref<Picture>& backdrop, std::uint32_t colour) {
  if (!backdrop) return testing::AssertionFailure() << "no backdrop";
  const Margins m;
  if (backdrop->Width() != kPhotoWidth - m.left - m.right || backdrop->Height() != kPhotoHeight - m.top - m.bottom)
    return testing::AssertionFailure() << "the backdrop is " << backdrop->Width() << "x" << backdrop->Height();
  if (media_test::Distance(media_test::PixelAt(backdrop, 30, 30), colour) > 10)
    return testing::AssertionFailure() << "the backdrop shows " << std::hex << media_test::PixelAt(backdrop, 30, 30);
  return testing::AssertionSuccess();
}

// The modification times of the files, to show that nothing was written.
std::vector<std::filesystem::file_time_type> Times(const std::string& folder) {
  std::vector<std::filesystem::file_time_type> times;
  for (const std::string& name : FileNames(folder)) times.push_back(std::filesystem::last_write_time(folder + "/" + name));
  return times;
}

// The photos of the worked example: a catalogue file first, then three photos.
std::vector<Entry> WorkedExampleEntries() {
  return {TextEntry("a-catalogue.txt"), PhotoEntry("photo1.jpg", kRed), PhotoEntry("photo2.jpg", kGreen),
          PhotoEntry("photo3.jpg", kBlue)};
}

// Where a run stands.
struct RunPlace {
  std::int32_t fcnter, itemIdx, firstflag;
  friend bool operator==(const RunPlace&, const RunPlace&) = default;
  friend std::ostream& operator<<(std::ostream& out, const RunPlace& p) {
    return out << "fcnter " << p.fcnter << ", itemIdx " << p.itemIdx << ", firstflag " << p.firstflag;
  }
};

// Turns the effect seam off again however the test ends.
struct EffectSeamOff {
  ~EffectSeamOff() { effect_seam::FailWhen({}); }
};

}  // namespace

TEST(FolderRun, TheWorkedExampleFrameForFrame) {
  ScratchFolder scratch;
  const std::string source = scratch / "photos", dest = scratch / "frames";
  AppRun run = RunApp([&] {
    MakeEntries(source, WorkedExampleEntries());
    Prepare(source, dest);
    Window1& w = MainWindow();
    ASSERT_EQ(w.cnt, 3);
    TickRecorder recorder(dest);

    // Idle ticks do nothing, whatever the fields hold.
    const std::int32_t valueBefore = Progress()->Value();
    ASSERT_TRUE(WaitUntil([&] { return recorder.idleTicks >= 2; }, 5000));
    EXPECT_TRUE(FileNames(dest).empty());
    EXPECT_EQ(Progress()->Value(), valueBefore);
    EXPECT_EQ(w.fcnter, 1);
    EXPECT_EQ(w.itemIdx, 2);
    EXPECT_EQ(w.firstflag, 0);

    Click("BevelButton3");
    ASSERT_EQ(Progress()->Maximum(), 12);
    ASSERT_TRUE(recorder.WaitForTicks(3));
    const std::vector<Tick>& t = recorder.ticks;

    EXPECT_EQ(t[0].values, (std::vector<std::int32_t>{2, 3, 4, 5, 6}));
    EXPECT_EQ(t[0].statuses, Names{"saving 000005.jpg of 12"});
    EXPECT_TRUE(t[0].messages.empty());
    EXPECT_EQ(t[0].value, 6);
    EXPECT_EQ(t[0].itemIdx, 3);
    EXPECT_EQ(t[0].tflag, 1);
    EXPECT_EQ(t[0].files, FrameNames(5));
    EXPECT_TRUE(BackdropShows(t[0].backdrop, kGreen));

    EXPECT_EQ(t[1].values, (std::vector<std::int32_t>{7, 8, 9, 10}));
    EXPECT_EQ(t[1].statuses, Names{"saving 000009.jpg of 12"});
    EXPECT_TRUE(t[1].messages.empty());
    EXPECT_EQ(t[1].value, 10);
    EXPECT_EQ(t[1].itemIdx, 4);
    EXPECT_EQ(t[1].files, FrameNames(9));
    EXPECT_TRUE(BackdropShows(t[1].backdrop, kBlue));

    EXPECT_TRUE(t[2].values.empty());
    EXPECT_TRUE(t[2].statuses.empty());
    EXPECT_EQ(t[2].messages, Names{"all done 10 12"});
    EXPECT_EQ(t[2].value, 10);
    EXPECT_EQ(t[2].tflag, 0);
    EXPECT_EQ(t[2].files, FrameNames(9));
    EXPECT_EQ(Caption("BevelButton3"), "stop fading") << "the caption follows the clicks, not the run";

    ExpectFrames(dest, ExpectedFrames({kRed, kGreen, kBlue}, {}));
    EXPECT_FALSE(w.sequence) << "the sequence is let go at the end of each transition";

    // Starting again after the end: no "stopped", and the next tick ends at
    // once with the same numbers, writing nothing.
    const auto times = Times(dest);
    dialog_seam::TakeLog();
    Click("BevelButton3");
    EXPECT_TRUE(TakeDialogKinds().empty());
    EXPECT_EQ(w.tflag, 1);
    EXPECT_EQ(Caption("BevelButton3"), "stop fading");
    ASSERT_TRUE(recorder.WaitForTicks(4));
    EXPECT_EQ(t[3].messages, Names{"all done 10 12"});
    EXPECT_EQ(t[3].value, 10);
    EXPECT_EQ(t[3].tflag, 0);
    EXPECT_EQ(FileNames(dest), FrameNames(9));
    EXPECT_EQ(Times(dest), times);
  });
  EXPECT_EQ(run.status, 0);
}

TEST(FolderRun, StopAfterTheFirstTickThenResume) {
  ScratchFolder scratch;
  const std::string source = scratch / "photos", dest = scratch / "frames";
  AppRun run = RunApp([&] {
    MakeEntries(source, WorkedExampleEntries());
    Prepare(source, dest);
    Window1& w = MainWindow();
    TickRecorder recorder(dest);
    auto state = [&] { return RunPlace{w.fcnter, w.itemIdx, w.firstflag}; };
    RunPlace afterStop{};
    recorder.afterTick = [&](std::size_t tick) {
      if (tick != 1) return;
      dialog_seam::TakeLog();
      Click("BevelButton3");
      EXPECT_EQ(TakeDialogKinds(), Names{"MsgBox stopped"});
      EXPECT_EQ(Caption("BevelButton3"), "start fading");
      afterStop = state();
    };
    Click("BevelButton3");
    ASSERT_TRUE(recorder.WaitForTicks(1));
    EXPECT_EQ(afterStop, (RunPlace{6, 3, 1}));

    // Stopped: the ticks come and do nothing.
    const int idle = recorder.idleTicks;
    ASSERT_TRUE(WaitUntil([&] { return recorder.idleTicks >= idle + 3; }, 5000));
    EXPECT_EQ(FileNames(dest), FrameNames(5));
    EXPECT_EQ(Progress()->Value(), 6);
    EXPECT_EQ(state(), afterStop);

    Click("BevelButton3");
    EXPECT_EQ(state(), afterStop) << "starting changes nothing of the run's place";
    EXPECT_EQ(Caption("BevelButton3"), "stop fading");
    ASSERT_TRUE(recorder.WaitForTicks(3));
    const std::vector<Tick>& t = recorder.ticks;
    EXPECT_EQ(t[1].values, (std::vector<std::int32_t>{7, 8, 9, 10})) << "no second first frame";
    EXPECT_EQ(t[1].files, FrameNames(9));
    EXPECT_EQ(t[1].status, "saving 000009.jpg of 12");
    EXPECT_EQ(t[2].messages, Names{"all done 10 12"});
    ExpectFrames(dest, ExpectedFrames({kRed, kGreen, kBlue}, {}));
  });
  EXPECT_EQ(run.status, 0);
}

TEST(FolderRun, APhotoThatVanishesEndsTheRunWithExitAndANewStartTriesThePairAgain) {
  struct Case {
    Names vanishing;
    std::string message;
  };
  const std::vector<Case> cases = {{{"photo3.jpg"}, "exit 4"}, {{"photo2.jpg", "photo3.jpg"}, "exit 3"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    ScratchFolder scratch;
    const std::string source = scratch / "photos", dest = scratch / "frames";
    AppRun run = RunApp([&] {
      const std::vector<Entry> entries = WorkedExampleEntries();
      MakeEntries(source, entries);
      Prepare(source, dest);
      Window1& w = MainWindow();
      TickRecorder recorder(dest);
      recorder.afterTick = [&](std::size_t tick) {
        if (tick == 1)
          for (const std::string& name : c.vanishing) std::filesystem::remove(source + "/" + name);
      };
      Click("BevelButton3");
      ASSERT_TRUE(recorder.WaitForTicks(2));
      const Tick& ended = recorder.ticks[1];
      EXPECT_EQ(ended.messages, Names{c.message});
      EXPECT_EQ(ended.tflag, 0);
      EXPECT_TRUE(ended.values.empty()) << "the progress bar is not touched";
      EXPECT_EQ(ended.value, 6);
      EXPECT_EQ(ended.itemIdx, 3);
      EXPECT_EQ(ended.files, FrameNames(5));
      EXPECT_EQ(Caption("BevelButton3"), "stop fading");

      // The photos come back; a new start does the same pair again.
      for (const Entry& e : entries)
        if (std::find(c.vanishing.begin(), c.vanishing.end(), e.name) != c.vanishing.end()) MakeEntries(source, {e});
      dialog_seam::TakeLog();
      Click("BevelButton3");
      EXPECT_TRUE(TakeDialogKinds().empty());
      EXPECT_EQ(w.tflag, 1);
      ASSERT_TRUE(recorder.WaitForTicks(4));
      EXPECT_EQ(recorder.ticks[2].files, FrameNames(9));
      EXPECT_EQ(recorder.ticks[3].messages, Names{"all done 10 12"});
      ExpectFrames(dest, ExpectedFrames({kRed, kGreen, kBlue}, {}));
    });
    EXPECT_EQ(run.status, 0);
  }
}

TEST(FolderRun, AStepThatGivesNoPictureIsSkippedUnderTheSameNumber) {
  struct TickExpect {
    std::int32_t value, itemIdx;
    Names statuses;
    Names messages;
  };
  struct Case {
    const char* what;
    std::int32_t failingStep;
    Colours frames;
    std::vector<TickExpect> ticks;
  };
  const std::uint32_t ab1 = Mix(kRed, kGreen, 1, 3), ab2 = Mix(kRed, kGreen, 2, 3);
  const std::uint32_t bc1 = Mix(kGreen, kBlue, 1, 3), bc2 = Mix(kGreen, kBlue, 2, 3);
  const std::vector<Case> cases = {
      {"the last step: the copies are written and the pair is done again",
       3,
       {kRed, ab1, ab2, kGreen, ab1, ab2, kGreen, kGreen, bc1, bc2, kBlue, kBlue},
       {{5, 2, {"some problemss", "saving 000004.jpg of 12"}, {}},
        {9, 3, {"saving 000008.jpg of 12"}, {}},
        {13, 4, {"saving 000012.jpg of 12"}, {}},
        {13, 4, {}, {"all done 13 12"}}}},
      {"a middle step: the next step takes its number and the pair counts as done",
       2,
       {kRed, ab1, kGreen, kGreen, bc1, bc2, kBlue, kBlue},
       {{5, 3, {"some problemss", "saving 000004.jpg of 12"}, {}},
        {9, 4, {"saving 000008.jpg of 12"}, {}},
        {9, 4, {}, {"all done 9 12"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder scratch;
    const std::string source = scratch / "photos", dest = scratch / "frames";
    EffectSeamOff seamOff;
    int failures = 1;  // the step fails once, at its first request
    effect_seam::FailWhen([&](std::int32_t step) { return step == c.failingStep && failures-- > 0; });
    AppRun run = RunApp([&] {
      MakeEntries(source, WorkedExampleEntries());
      Prepare(source, dest);
      TickRecorder recorder(dest);
      Click("BevelButton3");
      ASSERT_TRUE(recorder.WaitForTicks(c.ticks.size()));
      for (std::size_t i = 0; i < c.ticks.size(); ++i) {
        SCOPED_TRACE("tick " + std::to_string(i + 1));
        const Tick& t = recorder.ticks[i];
        EXPECT_EQ(t.value, c.ticks[i].value);
        EXPECT_EQ(t.itemIdx, c.ticks[i].itemIdx);
        EXPECT_EQ(t.statuses, c.ticks[i].statuses);
        EXPECT_EQ(t.messages, c.ticks[i].messages);
      }
      ExpectFrames(dest, c.frames);
    });
    EXPECT_EQ(run.status, 0);
  }
}

TEST(FolderRun, EveryPhotoIsUsedInListingOrderWhateverElseTheFolderHolds) {
  struct Case {
    const char* what;
    std::vector<Entry> entries;
    Colours photos;  // the run's photos in listing order
    Settings settings;
  };
  const std::vector<Case> cases = {
      {"only photos",
       {PhotoEntry("p1.jpg", kRed), PhotoEntry("p2.jpg", kGreen), PhotoEntry("p3.jpg", kBlue)},
       {kRed, kGreen, kBlue},
       {}},
      {"other files before, among and after the photos",
       {TextEntry("0-first.txt"), PhotoEntry("p1.jpg", kRed), FolderEntry("p1b-folder"), TextEntry("p1c.png"),
        PhotoEntry("p2.JPG", kGreen), TextEntry(".hidden.jpg"), PhotoEntry("p3.jpg", kBlue),
        TextEntry("zz-last.txt")},
       {kRed, kGreen, kBlue},
       {}},
      {"numbers in names sort by value",
       {PhotoEntry("img10.jpg", kBlue), PhotoEntry("img2.jpg", kGreen), PhotoEntry("img1.jpg", kRed),
        TextEntry("img3.txt"), PhotoEntry("img20.jpg", kGrey)},
       {kRed, kGreen, kBlue, kGrey},
       {.still = 1, .fade = 1}},
      {"one photo: the first frame and the end in the first tick",
       {TextEntry("notes.txt"), PhotoEntry("only.jpg", kOrange)},
       {kOrange},
       {.still = 3, .fade = 4}},
      {"two photos, no copies",
       {PhotoEntry("a.jpg", kOrange), PhotoEntry("b.jpg", kGrey)},
       {kOrange, kGrey},
       {.still = 1, .fade = 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder scratch;
    const std::string source = scratch / "photos", dest = scratch / "frames";
    AppRun run = RunApp([&] {
      MakeEntries(source, c.entries);
      Prepare(source, dest, c.settings);
      Window1& w = MainWindow();
      const auto cnt = static_cast<std::int32_t>(c.photos.size());
      ASSERT_EQ(w.cnt, cnt);
      TickRecorder recorder(dest);
      Click("BevelButton3");
      // One transition per tick from the first, then one tick that ends.
      const std::size_t ticks = c.photos.size();
      ASSERT_TRUE(recorder.WaitForTicks(ticks));
      const Colours frames = ExpectedFrames(c.photos, c.settings);
      const auto written = static_cast<std::int32_t>(frames.size());
      const std::int32_t maximum = cnt * c.settings.still + cnt * c.settings.fade;
      EXPECT_EQ(recorder.ticks.back().messages,
                Names{"all done " + std::to_string(written + 1) + " " + std::to_string(maximum)});
      for (std::size_t i = 0; i + 1 < ticks; ++i) {
        const std::string last = FrameNames(1 + static_cast<int>(i + 1) * (c.settings.fade + c.settings.still)).back();
        EXPECT_EQ(recorder.ticks[i].status, "saving " + last + " of " + std::to_string(maximum)) << "tick " << i + 1;
      }
      EXPECT_EQ(Progress()->Value(), written + 1);
      ExpectFrames(dest, frames);
      EXPECT_EQ(w.itemIdx, cnt + 1);
    });
    EXPECT_EQ(run.status, 0);
  }
}

TEST(FolderRun, FieldsAreReadAtEveryTick) {
  ScratchFolder scratch;
  const std::string source = scratch / "photos", dest = scratch / "frames";
  AppRun run = RunApp([&] {
    MakeEntries(source, WorkedExampleEntries());
    Prepare(source, dest);
    TickRecorder recorder(dest);
    recorder.afterTick = [&](std::size_t tick) {
      if (tick == 1) SetField("fadetext", "4");
      if (tick == 1) SetField("stilltext", "3");
    };
    Click("BevelButton3");
    ASSERT_TRUE(recorder.WaitForTicks(3));
    // Tick 2 fades in 5 steps and makes two copies; the Maximum stays 12.
    EXPECT_EQ(recorder.ticks[1].value, 13);
    EXPECT_EQ(recorder.ticks[1].status, "saving 000012.jpg of 12");
    EXPECT_EQ(recorder.ticks[2].messages, Names{"all done 13 12"});
    Colours frames = ExpectedFrames({kRed, kGreen}, {});
    const Colours second = ExpectedFrames({kGreen, kBlue}, {.still = 3, .fade = 4});
    frames.insert(frames.end(), second.begin() + 1, second.end());
    ExpectFrames(dest, frames);
  });
  EXPECT_EQ(run.status, 0);
}

// Ways a ".jpg" entry can fail to be a picture.
enum class Bad { kTruncated, kEmpty, kText, kFolder, kDanglingLink, kFifo, kHuge };

void MakeBad(const std::string& path, Bad kind) {
  namespace fs = std::filesystem;
  switch (kind) {
    case Bad::kTruncated: media_test::WriteAll(path, {0xff, 0xd8, 0xff, 0xe0, 0, 0x10, 'J', 'F', 'I', 'F'}); break;
    case Bad::kEmpty: media_test::WriteAll(path, {}); break;
    case Bad::kText: media_test::WriteAll(path, {'n', 'o', 't', 'e', '\n'}); break;
    case Bad::kFolder: fs::create_directories(path); break;
    case Bad::kDanglingLink: fs::create_symlink(path + ".gone", path); break;
    case Bad::kFifo: ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); break;
    case Bad::kHuge: {
      // Sparse: far more than any picture could need, on no disk space.
      std::ofstream(path).close();
      fs::resize_file(path, std::uintmax_t{40} << 30);
      break;
    }
  }
}

// The folders of a run, and what spoils it and mends it again.
struct RunFolders {
  std::string source, dest;
};
struct Spoiler {
  std::function<void(const RunFolders&)> spoil, mend;
};

// The photo (1-based) of the worked example made bad, then made good.
Spoiler BadPhoto(Bad kind, int photo) {
  const std::string name = "photo" + std::to_string(photo) + ".jpg";
  const std::uint32_t colours[] = {kRed, kGreen, kBlue};
  const std::uint32_t colour = colours[photo - 1];
  return {[=](const RunFolders& f) {
            std::filesystem::remove(f.source + "/" + name);
            MakeBad(f.source + "/" + name, kind);
          },
          [=](const RunFolders& f) {
            std::filesystem::remove_all(f.source + "/" + name);
            MakeEntries(f.source, {PhotoEntry(name, colour)});
          }};
}
// The run's source or destination folder moved away, then back.
Spoiler Moved(std::string RunFolders::*folder) {
  return {[=](const RunFolders& f) { std::filesystem::rename(f.*folder, f.*folder + "-moved"); },
          [=](const RunFolders& f) { std::filesystem::rename(f.*folder + "-moved", f.*folder); }};
}

// A photo that does not read, or a folder that is gone, stops the run as
// "stop fading" would, with a message that names the file and the reason;
// the application goes on. Once the cause is mended, a new start does the
// failed tick again, and the frames end up as after a run that never failed.
TEST(FolderRun, AFailureStopsTheRunWithAMessageAndAResumedRunEndsAsIfNoneHad) {
  enum When { kBeforeTheChoice, kBeforeTheStart, kAfterTheFirstTick };
  struct Case {
    const char* what;
    Spoiler spoiler;
    When when;
    std::size_t failedTick;
    std::string message;  // its start; <source> and <dest> stand for the folders' paths
    int framesOnDisk;     // in the destination when the tick has failed
    std::int32_t fcnter;  // where the undone tick leaves the run (firstflag 0 before the first frame)
  };
  const std::vector<Case> cases = {
      {"a cut-short first photo", BadPhoto(Bad::kTruncated, 1), kBeforeTheChoice, 1, "cannot read photo1.jpg: ", 0, 1},
      // Tick 1 writes the first frame, then fails at the transition: the
      // frame stays and is written again.
      {"an empty file", BadPhoto(Bad::kEmpty, 2), kBeforeTheChoice, 1, "cannot read photo2.jpg: the file is empty", 1,
       1},
      {"a text file", BadPhoto(Bad::kText, 2), kBeforeTheChoice, 1, "cannot read photo2.jpg: not a JPEG file", 1, 1},
      {"a folder", BadPhoto(Bad::kFolder, 3), kBeforeTheChoice, 2, "cannot read photo3.jpg: it is a folder", 5, 6},
      {"a dangling link", BadPhoto(Bad::kDanglingLink, 2), kBeforeTheChoice, 1,
       "cannot read photo2.jpg: No such file or directory", 1, 1},
      {"a FIFO, which must not block", BadPhoto(Bad::kFifo, 2), kBeforeTheChoice, 1,
       "cannot read photo2.jpg: it is not a regular file", 1, 1},
      {"a 40 GB file", BadPhoto(Bad::kHuge, 3), kBeforeTheChoice, 2,
       "cannot read photo3.jpg: the file is too large for a picture", 5, 6},
      {"the source folder gone before the first frame", Moved(&RunFolders::source), kBeforeTheStart, 1,
       "the source folder <source> is missing", 0, 1},
      {"the source folder gone during the run", Moved(&RunFolders::source), kAfterTheFirstTick, 2,
       "the source folder <source> is missing", 5, 6},
      // The frames written went with the folder; none is listed where it was.
      {"the destination folder gone during the run", Moved(&RunFolders::dest), kAfterTheFirstTick, 2,
       "while saving 000006.jpg: the destination folder <dest> is missing", 0, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder scratch;
    const RunFolders folders{scratch / "photos", scratch / "frames"};
    std::string message = c.message;
    for (const auto& [token, path] : {std::pair{"<source>", folders.source}, std::pair{"<dest>", folders.dest}})
      if (const auto at = message.find(token); at != std::string::npos) message.replace(at, std::strlen(token), path);
    // The frames of a run that never failed, for comparison.
    const Colours expected = ExpectedFrames({kRed, kGreen, kBlue}, {});
    AppRun run = RunApp([&] {
      MakeEntries(folders.source, WorkedExampleEntries());
      RuntimeCompleteHandlerWork();  // the photos are on disk before one is spoilt
      if (c.when == kBeforeTheChoice) c.spoiler.spoil(folders);
      Prepare(folders.source, folders.dest);
      if (c.when == kBeforeTheStart) c.spoiler.spoil(folders);
      Window1& w = MainWindow();
      TickRecorder recorder(folders.dest);
      recorder.afterTick = [&](std::size_t tick) {
        if (tick == 1 && c.when == kAfterTheFirstTick) c.spoiler.spoil(folders);
      };
      Click("BevelButton3");
      ASSERT_TRUE(recorder.WaitForTicks(c.failedTick));
      const Tick& failed = recorder.ticks[c.failedTick - 1];
      ASSERT_EQ(failed.messages.size(), 1u);
      EXPECT_EQ(failed.messages[0].rfind(message, 0), 0u) << failed.messages[0];
      EXPECT_EQ(failed.tflag, 0);
      EXPECT_EQ(Caption("BevelButton3"), "start fading");
      // The failed tick is undone: the run stands where the tick began.
      EXPECT_EQ(failed.files, FrameNames(c.framesOnDisk));
      EXPECT_EQ(w.fcnter, c.fcnter);
      EXPECT_EQ(w.firstflag, c.fcnter == 1 ? 0 : 1);

      // Stopped: ticks write nothing more.
      const int idle = recorder.idleTicks;
      ASSERT_TRUE(WaitUntil([&] { return recorder.idleTicks >= idle + 2; }, 5000));
      EXPECT_EQ(FileNames(folders.dest), failed.files);

      // Mended; a new start resumes and ends the run.
      c.spoiler.mend(folders);
      dialog_seam::TakeLog();
      Click("BevelButton3");
      ASSERT_TRUE(WaitUntil([&] { return !dialog_seam::Messages().empty(); }, 20000));
      EXPECT_EQ(dialog_seam::Messages(), Names{"all done 10 12"});
      ExpectFrames(folders.dest, expected);
    });
    EXPECT_EQ(run.status, 0);
  }
}

TEST(FolderRun, MarginsThatLeaveNoPictureStopTheRunNamingTheSizeAndTheMargins) {
  ScratchFolder scratch;
  const std::string source = scratch / "photos", dest = scratch / "frames";
  AppRun run = RunApp([&] {
    MakeEntries(source, WorkedExampleEntries());
    Prepare(source, dest, {.margins = {.top = 0, .bottom = 0, .left = 40, .right = 30}});
    TickRecorder recorder(dest);
    Click("BevelButton3");
    ASSERT_TRUE(recorder.WaitForTicks(1));
    EXPECT_EQ(recorder.ticks[0].messages,
              Names{"the margins top 0, bottom 0, left 40, right 30 leave nothing of a picture of 64 x 48"});
    EXPECT_EQ(recorder.ticks[0].tflag, 0);
    EXPECT_TRUE(FileNames(dest).empty());
  });
  EXPECT_EQ(run.status, 0);
}

// A new choice starts a new run: after a run has ended, another source and
// destination give a whole run from "000001.jpg" and the first photo; a
// choice made while a run is active stops it before its dialog shows, and a
// choice made starts a new run while a cancelled one leaves the run's place.
TEST(FolderRun, ANewChoiceStartsANewRunAndStopsAnActiveOne) {
  ScratchFolder scratch;
  const std::string first = scratch / "first", second = scratch / "second";
  const std::string destA = scratch / "framesA", destB = scratch / "framesB", video = scratch / "clip.mov";
  AppRun run = RunApp([&] {
    MakeEntries(first, WorkedExampleEntries());
    MakeEntries(second, {PhotoEntry("x.jpg", kGrey), PhotoEntry("y.jpg", kOrange)});
    Prepare(first, destA);
    Window1& w = MainWindow();
    TickRecorder recorder(destA);
    Click("BevelButton3");
    ASSERT_TRUE(recorder.WaitForTicks(3));
    ASSERT_EQ(recorder.ticks[2].messages, Names{"all done 10 12"});

    std::filesystem::create_directories(destB);
    ClickAnswering("BevelButton2", destB);
    ClickAnswering("BevelButton1", second);
    EXPECT_EQ((RunPlace{w.fcnter, w.itemIdx, w.firstflag}), (RunPlace{1, 2, 0}));
    dialog_seam::TakeLog();
    Click("BevelButton3");
    ASSERT_TRUE(WaitUntil([] { return !dialog_seam::Messages().empty(); }, 20000));
    EXPECT_EQ(dialog_seam::Messages(), Names{"all done 6 8"});
    ExpectFrames(destB, ExpectedFrames({kGrey, kOrange}, {}));

    // A short video for the source-video choice.
    Ref<QTVideoTrack> track = GetFolderItem(video)->CreateMovie()->NewVideoTrack(32, 24, 25.0);
    for (int i = 0; i < 3; ++i) track->AppendPicture(media_test::Solid(32, 24, kGrey));
  });
  EXPECT_EQ(run.status, 0);

  struct Choice {
    const char* what;
    const char* button;
    std::optional<std::string> answer;
    RunPlace after;
  };
  const Choice choices[] = {
      {"a destination", "BevelButton2", destB, {1, 2, 0}},
      {"a source folder", "BevelButton1", second, {1, 2, 0}},
      {"a source video", "BevelButton4", video, {1, 2, 0}},
      {"a source folder dialog cancelled", "BevelButton1", std::nullopt, {6, 3, 1}},
  };
  for (const Choice& c : choices) {
    SCOPED_TRACE(c.what);
    const std::string dest = scratch / "framesC";
    std::filesystem::remove_all(dest);
    AppRun during = RunApp([&] {
      Prepare(first, dest);
      Window1& w = MainWindow();
      TickRecorder recorder(dest);
      std::int32_t tflagInDialog = -1;
      std::string captionInDialog;
      dialog_seam::OnShow([&](const DialogRecord&) {
        tflagInDialog = w.tflag;
        captionInDialog = Caption("BevelButton3");
      });
      recorder.afterTick = [&](std::size_t tick) {
        if (tick == 1) ClickAnswering(c.button, c.answer);
      };
      Click("BevelButton3");
      ASSERT_TRUE(recorder.WaitForTicks(1));
      dialog_seam::OnShow(nullptr);
      EXPECT_EQ(tflagInDialog, 0);
      EXPECT_EQ(captionInDialog, "start fading");
      EXPECT_EQ((RunPlace{w.fcnter, w.itemIdx, w.firstflag}), c.after);
      // Stopped: the ticks that come write nothing.
      const int idle = recorder.idleTicks;
      ASSERT_TRUE(WaitUntil([&] { return recorder.idleTicks >= idle + 2; }, 5000));
      EXPECT_EQ(recorder.ticks.size(), 1u);
      EXPECT_EQ(FileNames(dest), FrameNames(5));
    });
    EXPECT_EQ(during.status, 0);
  }
}
