// The video fade run, driven through the main window: a test video whose
// frames are solid colours is opened with "source video", a destination is
// chosen, and "start fading" is clicked with the dialog seam answering. The
// written frames are identified by their colours; what the window shows is
// sampled inside the run's background tasks.
#include <gtest/gtest.h>

#include <QMainWindow>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/plugin_entrypoints.h"
#include "files/write_pool.h"
#include "plugin_signatures.h"
#include "support/engine_fixtures.h"
#include "testing.h"
#include "ui/window_qt.h"

using namespace app_test;
using namespace engine_test;
using media_test::Distance;
using media_test::Rgb;
using media_test::ScratchFolder;

namespace {

constexpr std::int32_t kWidth = 64, kHeight = 48;
constexpr int kTolerance = 16;  // H.264, then JPEG: a few levels off

// Eight frames at 4 fps, two seconds long. Sampled at 2 per second the run
// takes frames 0, 2, 4 and 6, and at 2.0 s, past the end, the last frame 7.
// The frames it must skip are all dark, so an off-by-one shows.
const std::uint32_t kRed = Rgb(200, 40, 40), kGreen = Rgb(40, 200, 40), kBlue = Rgb(40, 40, 200),
                    kYellow = Rgb(200, 200, 40), kCyan = Rgb(40, 200, 200), kDark = Rgb(40, 40, 40);
const std::vector<std::uint32_t> kTwoSeconds = {kRed, kDark, kGreen, kDark, kBlue, kDark, kYellow, kCyan};

struct Fixture {
  ScratchFolder media, destination;
  std::string video = media / "clip.mov";
  explicit Fixture(const std::vector<std::uint32_t>& frames = kTwoSeconds, double rate = 4) {
    WriteSolidVideo(video, kWidth, kHeight, rate, frames);
  }
};

// Destination, video and the three numbers of a run, as a user sets them.
void Prepare(const Fixture& f, const char* rate, const char* still, const char* fade) {
  ChooseDestination(f.destination.Path());
  OpenSourceVideo(f.video);
  SetField("sourcefps", rate);
  SetField("stilltext", still);
  SetField("fadetext", fade);
}

// Checks each frame file against the colour it must show.
void ExpectFrames(const std::string& folder, const std::vector<std::uint32_t>& colours, std::int32_t w = kWidth,
                  std::int32_t h = kHeight) {
  const std::vector<std::string> names = FrameNames(static_cast<int>(colours.size()));
  for (std::size_t i = 0; i < colours.size(); ++i) {
    Ref<Picture> p = PictureOf(folder + "/" + names[i]);
    ASSERT_TRUE(p) << names[i];
    EXPECT_EQ(p->Width(), w) << names[i];
    EXPECT_EQ(p->Height(), h) << names[i];
    EXPECT_LE(Distance(CentreOf(p), colours[i]), kTolerance)
        << names[i] << " shows " << std::hex << CentreOf(p) << ", wanted " << colours[i];
  }
}

std::string Saving(int frame, int maximum) {
  return "saving " + FrameNames(frame).back() + " of " + std::to_string(maximum);
}

// A change seen by the watcher: the status, the bar and the preview colour.
struct Change {
  std::string status;
  std::int32_t value, maximum;
  std::uint32_t preview;
};

void ExpectChanges(const std::vector<Shown>& seen, const std::vector<Change>& expected) {
  ASSERT_EQ(seen.size(), expected.size() + 1);  // the state before the click comes first
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const Shown& s = seen[i + 1];
    const Change& e = expected[i];
    EXPECT_EQ(s.status, e.status) << "change " << i;
    EXPECT_EQ(s.value, e.value) << "change " << i;
    EXPECT_EQ(s.maximum, e.maximum) << "change " << i;
    EXPECT_LE(Distance(s.PreviewColour(), e.preview), kTolerance) << "change " << i;
  }
}

void ExpectCleanRun(const AppRun& run) {
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(RuntimeHasPendingException());
}

// Stands in for one plug-in member while it lives: the table the system
// filled at start-up is swapped for one with that entry changed, and back.
class PluginStandIn {
 public:
  template <class Sig>
  PluginStandIn(std::string_view declaration, std::function<Sig> member) {
    const auto declarations = PluginDeclarations();
    saved_ = RuntimeAllocatePluginEntrypointsTable(declarations.size());
    Ref<PluginEntrypointTable> changed = RuntimeAllocatePluginEntrypointsTable(declarations.size());
    for (std::size_t i = 0; i < declarations.size(); ++i) {
      saved_->Entry(i + 1) = PluginEntry(declarations[i]);
      changed->Entry(i + 1) = declarations[i] == declaration ? PluginEntrypoint{std::string(declaration), member}
                                                            : saved_->Entry(i + 1);
    }
    SetPluginEntrypoints(changed);
  }
  ~PluginStandIn() { SetPluginEntrypoints(saved_); }
  PluginStandIn(const PluginStandIn&) = delete;
  PluginStandIn& operator=(const PluginStandIn&) = delete;

 private:
  Ref<PluginEntrypointTable> saved_;
};

}  // namespace

// A 2.0 s video at 2 samples a second, still 2, fade 1: thirteen frames,
// every one from the sample the run is meant to take.
TEST(VideoFade, WorkedExampleFrameForFrame) {
  Fixture f;
  std::vector<std::string> filesWhenDone;
  AppRun run = RunApp([&] {
    Prepare(f, "2", "2", "1");
    ASSERT_EQ(FieldText("TextField1").substr(0, 2), "2 ");  // the video's Duration reads 2
    dialog_seam::TakeLog();
    dialog_seam::OnShow([&](const DialogRecord& r) {
      if (r.kind == "MsgBox") filesWhenDone = FileNames(f.destination.Path());
    });
    // Slow writers: the message must still wait for the last frames.
    write_pool::SetBeforeEachSave(
        [](const std::string&) { std::this_thread::sleep_for(std::chrono::milliseconds(10)); });
    Watcher watcher;
    watcher.Start();
    Click("BevelButton3");
    watcher.Stop();
    write_pool::SetBeforeEachSave(nullptr);

    EXPECT_EQ(dialog_seam::Messages(), std::vector<std::string>{"all done "});
    // Every pass shows the picture it fades from; every effect frame its
    // name and the Maximum; every pass ends with the frame counter.
    ExpectChanges(watcher.Seen(), {
                                      {Saving(2, 12), 0, 12, kRed},
                                      {Saving(3, 12), 0, 12, kRed},
                                      {Saving(3, 12), 5, 12, kRed},
                                      {Saving(5, 12), 5, 12, kGreen},
                                      {Saving(6, 12), 5, 12, kGreen},
                                      {Saving(6, 12), 8, 12, kGreen},
                                      {Saving(8, 12), 8, 12, kBlue},
                                      {Saving(9, 12), 8, 12, kBlue},
                                      {Saving(9, 12), 11, 12, kBlue},
                                      {Saving(11, 12), 11, 12, kYellow},
                                      {Saving(12, 12), 11, 12, kYellow},
                                      {Saving(12, 12), 14, 12, kYellow},
                                  });
    const Shown end = ShownNow();
    EXPECT_EQ(end.status, Saving(12, 12));
    EXPECT_EQ(end.value, 14);
    EXPECT_EQ(end.maximum, 12);
    // The run has no stop: the button and the folder run's flag stay.
    EXPECT_EQ(ControlNamed<BevelButton>("BevelButton3")->Caption(), "start fading");
    EXPECT_EQ(MainWindow().tflag, 0);
  });
  ExpectCleanRun(run);
  EXPECT_EQ(filesWhenDone, FrameNames(13));  // all complete before "all done " opened
  EXPECT_EQ(FileNames(f.destination.Path()), FrameNames(13));
  ExpectFrames(f.destination.Path(), {kRed,                                  // sample 0
                                      Mix(kRed, kGreen), kGreen, kGreen,     // pass 1: 0.0 to 0.5
                                      Mix(kGreen, kBlue), kBlue, kBlue,      // pass 2: 0.5 to 1.0
                                      Mix(kBlue, kYellow), kYellow, kYellow, // pass 3: 1.0 to 1.5
                                      Mix(kYellow, kCyan), kCyan, kCyan});   // pass 4: 1.5 to 2.0
}

// A rate of 0 or below, or a video shorter than one step: only the first
// frame, from position 0.0; the Maximum follows the sample count, and the
// bar's value, the preview and the status stay as they were.
TEST(VideoFade, NoPassFromZeroNegativeOrShortProduct) {
  struct Case {
    const char* rate;
    std::vector<std::uint32_t> frames;  // at 4 fps
    std::int32_t maximum;               // n x (still 2 + fade 1)
  };
  const Case cases[] = {
      {"0", kTwoSeconds, 0},
      {"-3", kTwoSeconds, -18},          // n = 2.0 x -3 = -6
      {"1", {kGreen, kDark, kDark}, 0},  // 0.75 s x 1: n = 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("sourcefps ") + c.rate);
    Fixture f(c.frames);
    AppRun run = RunApp([&] {
      Prepare(f, c.rate, "2", "1");
      const Shown before = ShownNow();
      dialog_seam::TakeLog();
      Watcher watcher;
      watcher.Start();
      Click("BevelButton3");
      watcher.Stop();
      EXPECT_EQ(dialog_seam::Messages(), std::vector<std::string>{"all done "});
      const Shown after = ShownNow();
      EXPECT_EQ(after.maximum, c.maximum);
      EXPECT_EQ(after.status, before.status);
      EXPECT_EQ(after.value, before.value);
      EXPECT_EQ(after.preview.get(), before.preview.get());
      EXPECT_EQ(watcher.Seen().size(), 1u);  // nothing changed during the run
    });
    ExpectCleanRun(run);
    EXPECT_EQ(FileNames(f.destination.Path()), FrameNames(1));
    ExpectFrames(f.destination.Path(), {c.frames[0]});
  }
}

// 1.3 s at 2 samples a second: the product 2.6 gives passes 1 and 2, and
// the Maximum the truncated count 2. With still 1 there are no copies and
// the value after pass i is 2 + i x (fade + 1).
TEST(VideoFade, FractionalProductGivesWholePassesOnly) {
  std::vector<std::uint32_t> frames(13, kDark);  // 10 fps: samples at frames 0, 5 and 10
  frames[0] = kRed;
  frames[5] = kGreen;
  frames[10] = kBlue;
  Fixture f(frames, 10);
  AppRun run = RunApp([&] {
    Prepare(f, "2", "1", "1");
    Watcher watcher;
    watcher.Start();
    Click("BevelButton3");
    watcher.Stop();
    ExpectChanges(watcher.Seen(), {
                                      {Saving(2, 4), 0, 4, kRed},
                                      {Saving(3, 4), 0, 4, kRed},
                                      {Saving(3, 4), 4, 4, kRed},
                                      {Saving(4, 4), 4, 4, kGreen},
                                      {Saving(5, 4), 4, 4, kGreen},
                                      {Saving(5, 4), 6, 4, kGreen},
                                  });
  });
  ExpectCleanRun(run);
  EXPECT_EQ(FileNames(f.destination.Path()), FrameNames(5));
  ExpectFrames(f.destination.Path(), {kRed, Mix(kRed, kGreen), kGreen, Mix(kGreen, kBlue), kBlue});
}

// A second run into the same folder numbers from "000001.jpg" again and
// rewrites those names; what it does not reach stays from the first run.
// Neither run touches the folder run's state.
TEST(VideoFade, SecondRunRewritesFromTheFirstName) {
  Fixture f;
  AppRun run = RunApp([&] {
    Prepare(f, "2", "2", "1");
    Window1& w = MainWindow();
    const auto folderState = std::make_tuple(w.fcnter, w.itemIdx, w.firstflag, w.tflag);
    Click("BevelButton3");
    ASSERT_EQ(FileNames(f.destination.Path()), FrameNames(13));
    SetField("stilltext", "1");
    Click("BevelButton3");
    EXPECT_EQ(dialog_seam::Messages(), (std::vector<std::string>{"all done ", "all done "}));
    EXPECT_EQ(FieldText("TextField1"), Saving(9, 8));
    EXPECT_EQ(ControlNamed<ProgressBar>("ProgressBar1")->Value(), 10);
    EXPECT_EQ(std::make_tuple(w.fcnter, w.itemIdx, w.firstflag, w.tflag), folderState);
  });
  ExpectCleanRun(run);
  EXPECT_EQ(FileNames(f.destination.Path()), FrameNames(13));
  ExpectFrames(f.destination.Path(), {kRed,                                   // second run
                                      Mix(kRed, kGreen), kGreen,              //
                                      Mix(kGreen, kBlue), kBlue,              //
                                      Mix(kBlue, kYellow), kYellow,           //
                                      Mix(kYellow, kCyan), kCyan,             //
                                      kYellow, Mix(kYellow, kCyan), kCyan, kCyan});  // left from the first
}

// The margins are read for every picture: changed while pass 1 waits in a
// background task, they crop both pictures of pass 2 and later, while the
// copy of pass 1 keeps the crop its picture was cut with.
TEST(VideoFade, MarginsAreReadAnewForEveryPicture) {
  Fixture f;
  AppRun run = RunApp([&] {
    Prepare(f, "2", "2", "1");
    SetField("ftop", "4");
    SetField("fbottom", "0");
    Watcher watcher;
    watcher.OnChange([](const Shown& s) {
      if (s.status == Saving(3, 12) && s.value == 0) {
        SetField("fleft", "10");
        SetField("fright", "6");
        SetField("fbottom", "2");
      }
    });
    watcher.Start();
    Click("BevelButton3");
    watcher.Stop();
  });
  ExpectCleanRun(run);
  ASSERT_EQ(FileNames(f.destination.Path()), FrameNames(13));
  const std::vector<std::string> names = FrameNames(13);
  for (int i = 0; i < 13; ++i) {
    Ref<Picture> p = PictureOf(f.destination / names[i]);
    ASSERT_TRUE(p);
    const bool before = i < 4;  // 000001 to 000004
    EXPECT_EQ(p->Width(), before ? kWidth : kWidth - 16) << names[i];
    EXPECT_EQ(p->Height(), before ? kHeight - 4 : kHeight - 6) << names[i];
  }
}

// A destination folder that vanishes during the run: the next frame cannot
// be written, the run ends with a message naming the file (not the
// application), and the frames written before stay complete.
TEST(VideoFade, FailedWriteEndsTheRunWithAMessage) {
  Fixture f;
  const std::string moved = f.destination.Path() + "-moved";
  AppRun run = RunApp([&] {
    Prepare(f, "2", "2", "1");
    Watcher watcher;
    watcher.OnChange([&](const Shown& s) {
      if (s.status == Saving(3, 12) && s.value == 0) std::filesystem::rename(f.destination.Path(), moved);
    });
    watcher.Start();
    Click("BevelButton3");
  });
  EXPECT_EQ(run.status, 0);
  // No "all done ": the frame by its name, the folder by its whole path
  // (it is gone, so the user must find where it was).
  EXPECT_EQ(run.messages, std::vector<std::string>{"while saving 000004.jpg: the destination folder " +
                                                   f.destination.Path() + " is missing"});
  // Nothing lands beside the vanished folder under a joined name.
  EXPECT_FALSE(std::filesystem::exists(f.destination.Path() + "000004.jpg"));
  EXPECT_FALSE(std::filesystem::exists(f.destination.Path()));
  EXPECT_EQ(FileNames(moved), FrameNames(3));
  ExpectFrames(moved, {kRed, Mix(kRed, kGreen), kGreen});
  std::filesystem::remove_all(moved);
}

// A sample the video does not give ends the run with a message naming the
// video (as its button shows it) and the position, not the application;
// the frames written before stay complete.
TEST(VideoFade, ASampleThatCannotBeReadEndsTheRunNamingTheVideo) {
  Fixture f;
  AppRun run = RunApp([&] {
    Prepare(f, "2", "2", "1");
    // The fourth sample (the second pass's first, at 0.5 s) gives none.
    int samples = 0;
    PluginStandIn unreadable("EditableMovie.Picture.Get",
                             std::function<plugin_sig::MoviePictureGet>([&](EditableMovie& movie) {
                               return ++samples == 4 ? Ref<Picture>() : movie.Picture();
                             }));
    Click("BevelButton3");
    EXPECT_EQ(samples, 4);
    EXPECT_FALSE(RuntimeIsQuitting());
  });
  ExpectCleanRun(run);
  EXPECT_EQ(run.messages, std::vector<std::string>{"cannot read clip.mov at 0.5 seconds"});
  EXPECT_EQ(FileNames(f.destination.Path()), FrameNames(4));
  ExpectFrames(f.destination.Path(), {kRed, Mix(kRed, kGreen), kGreen, kGreen});
}

// The window manager's close button or Ctrl+Q while the run waits in a
// background task ends the application as a normal quit, at once: no
// message, and every frame saved before is complete, with no temporary
// file left beside them.
TEST(VideoFade, CloseAndQuitDuringTheRunKeepTheFramesWritten) {
  for (const QuitRequest& c : kQuitRequests) {
    SCOPED_TRACE(c.what);
    Fixture f;
    std::chrono::steady_clock::time_point requested{};
    AppRun run = RunApp([&] {
      Prepare(f, "2", "2", "1");
      dialog_seam::TakeLog();
      Watcher watcher;
      watcher.OnChange([&](const Shown& s) {
        if (s.status != Saving(6, 12) || requested != std::chrono::steady_clock::time_point{}) return;
        requested = std::chrono::steady_clock::now();
        c.request();
      });
      watcher.Start();
      Click("BevelButton3");  // returns when the quit has unwound the run
      EXPECT_TRUE(RuntimeIsQuitting());
      EXPECT_TRUE(dialog_seam::Messages().empty());  // no "all done "
    });
    EXPECT_LT(std::chrono::steady_clock::now() - requested, std::chrono::seconds(1)) << "the application ended late";
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(FileNames(f.destination.Path()), FrameNames(6));
    ExpectFrames(f.destination.Path(), {kRed, Mix(kRed, kGreen), kGreen, kGreen, Mix(kGreen, kBlue), kBlue});
  }
}
