// Frames saved inside a handler are written by worker threads; these tests
// hold the workers back (the pool's seam) so that every waiting point has
// something to wait for, and read the files back with plain file reads
// that wait for nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "dialogs/dialogs.h"
#include "files/folder_item.h"
#include "files/write_pool.h"
#include "media/jpeg.h"
#include "media/movie.h"
#include "runtime/runtime.h"
#include "support/media_fixtures.h"
#include "testing.h"

namespace {

using namespace media_test;
namespace fs = std::filesystem;

// Workers that sleep before each save they take, or wait at a gate for the
// paths held (and then sleep for the paths slowed); restored when the test
// ends.
class Workers {
 public:
  explicit Workers(int sleepMilliseconds = 15) {
    write_pool::SetBeforeEachSave([this, sleepMilliseconds](const std::string& path) {
      std::unique_lock lock(mutex_);
      if (failing_.contains(path))
        throw IOException("while saving " + fs::path(path).filename().string() + ": the disk is full");
      if (held_.contains(path) || holdAll_) {
        opened_.wait(lock, [&] { return open_; });
        const int extra = slowed_.contains(path) ? slowed_[path] : 0;
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(extra));
        return;
      }
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(sleepMilliseconds));
    });
  }
  ~Workers() {
    Open();
    try {
      write_pool::WaitForAll();
    } catch (const RuntimeException&) {
    }
    write_pool::SetBeforeEachSave(nullptr);
    write_pool::SetLimits({});
  }
  void Hold(const std::string& path) {
    std::lock_guard lock(mutex_);
    held_.insert(path);
  }
  void Slow(const std::string& path, int milliseconds) {
    std::lock_guard lock(mutex_);
    slowed_[path] = milliseconds;
  }
  void HoldAll() {
    std::lock_guard lock(mutex_);
    holdAll_ = true;
  }
  // The save of that path fails, as on a full disk.
  void Fail(const std::string& path) {
    std::lock_guard lock(mutex_);
    failing_.insert(path);
  }
  void Open() {
    {
      std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }
  bool IsOpen() {
    std::lock_guard lock(mutex_);
    return open_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  std::set<std::string> held_, failing_;
  std::map<std::string, int> slowed_;
  bool holdAll_ = false;
  bool open_ = false;
};

// Runs the body as the event loop runs a handler; the message of what it
// raised (and its dispatch's end), or "" when nothing was raised.
std::string AsHandler(const std::function<void()>& body) {
  RuntimeDispatch(body);
  if (!RuntimeHasPendingException()) return "";
  try {
    _RuntimeRun();  // only rethrows: an exception is pending
  } catch (const RuntimeException& e) {
    return e.ClassName() + ": " + e.Message();
  }
  return "no RuntimeException";
}

// The colour in the middle of a JPEG file read as plain bytes, or 0 when
// the file is missing or no complete JPEG.
std::uint32_t FileColour(const std::string& path) {
  if (!fs::exists(path)) return 0;
  const std::vector<unsigned char> bytes = ReadAll(path);
  std::string why;
  auto pixels = DecodeJPEG(bytes.data(), bytes.size(), &why);
  if (!pixels) return 0;
  const PixelSnapshot rgb = RgbPixels(std::move(pixels));
  return rgb->Row(rgb->height / 2)[rgb->width / 2];
}

bool Near(std::uint32_t a, std::uint32_t b) { return a != 0 && Distance(a, b) <= 6; }

std::uint32_t ColourOf(int i) { return Rgb((i * 37) % 256, (i * 91 + 40) % 256, (i * 53 + 100) % 256); }

std::string FrameName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "%06d.jpg", i);
  return name;
}

// No temporary file is left behind.
std::vector<std::string> HiddenFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().front() == '.') names.push_back(e.path().filename().string());
  return names;
}

void SaveFrames(const std::string& folder, int count, std::int32_t w = 48, std::int32_t h = 32) {
  for (int i = 1; i <= count; ++i) GetFolderItem(folder + "/" + FrameName(i))->SaveAsJPEG(Solid(w, h, ColourOf(i)));
}

TEST(WritePool, EveryFrameAHandlerSavedIsCompleteWhenItReturns) {
  ScratchFolder dir;
  Workers workers;
  EXPECT_EQ(AsHandler([&] { SaveFrames(dir.Path(), 12); }), "");
  for (int i = 1; i <= 12; ++i) EXPECT_TRUE(Near(FileColour(dir / FrameName(i)), ColourOf(i))) << FrameName(i);
  EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
}

TEST(WritePool, OutsideAnyHandlerASaveIsDoneWhenItReturns) {
  ScratchFolder dir;
  Workers workers;
  SaveFrames(dir.Path(), 3);
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(Near(FileColour(dir / FrameName(i)), ColourOf(i))) << FrameName(i);
}

// Each platform call that reads a folder or a file, made right after the
// saves inside the same handler, sees every frame.
TEST(WritePool, ReadsAndListingsInsideTheHandlerSeeEveryFrameSaved) {
  struct Case {
    const char* call;
    std::function<void(const std::string& folder)> check;
  };
  const std::vector<Case> cases = {
      {"Count", [](const std::string& f) { EXPECT_EQ(GetFolderItem(f)->Count(), 6); }},
      {"Item",
       [](const std::string& f) {
         Ref<FolderItem> last = GetFolderItem(f)->Item(6);
         ASSERT_TRUE(last);
         EXPECT_EQ(last->Name(), FrameName(6));
       }},
      {"Exists", [](const std::string& f) { EXPECT_TRUE(GetFolderItem(f + "/" + FrameName(6))->Exists()); }},
      {"OpenAsPicture",
       [](const std::string& f) {
         Ref<Picture> p = GetFolderItem(f + "/" + FrameName(6))->OpenAsPicture();
         ASSERT_TRUE(p);
         EXPECT_TRUE(Near(PixelAt(p, 24, 16), ColourOf(6)));
       }},
      {"OpenEditableMovie",
       [](const std::string& f) {
         // A JPEG is no movie; opening it as one waits for it all the same.
         GetFolderItem(f + "/" + FrameName(6))->OpenEditableMovie();
         EXPECT_TRUE(Near(FileColour(f + "/" + FrameName(6)), ColourOf(6)));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    ScratchFolder dir;
    Workers workers;
    EXPECT_EQ(AsHandler([&] {
                SaveFrames(dir.Path(), 6);
                c.check(dir.Path());
              }),
              "");
  }
}

// A dialog or message box opened right after the saves shows the folder
// with every frame complete (the user may look into it meanwhile).
TEST(WritePool, DialogsOpenedAfterTheSavesFindEveryFrameComplete) {
  struct Case {
    const char* kind;
    std::function<void()> open;
  };
  const std::vector<Case> cases = {
      {"SelectFolder", [] { SelectFolder(); }},
      {"GetOpenFolderItem", [] { GetOpenFolderItem(""); }},
      {"MsgBox", [] { MsgBox("all done "); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    ScratchFolder dir;
    Workers workers;
    dialog_seam::Enable(true);
    int completeWhenShown = -1;
    dialog_seam::OnShow([&](const DialogRecord&) {
      completeWhenShown = 0;
      for (int i = 1; i <= 6; ++i) completeWhenShown += Near(FileColour(dir / FrameName(i)), ColourOf(i));
    });
    EXPECT_EQ(AsHandler([&] {
                SaveFrames(dir.Path(), 6);
                c.open();
              }),
              "");
    dialog_seam::OnShow(nullptr);
    dialog_seam::Enable(false);
    EXPECT_EQ(completeWhenShown, 6);
  }
}

// What "make movie" does right after a run, inside one handler: list the
// folder, open each frame, append it to a new movie.
TEST(WritePool, AMovieMadeRightAfterTheFramesWereSavedHoldsEveryFrame) {
  ScratchFolder dir;
  const std::string frames = dir / "frames", movie = dir / "run.mov";
  fs::create_directory(frames);
  Workers workers;
  constexpr int kCount = 8;
  EXPECT_EQ(AsHandler([&] {
              SaveFrames(frames, kCount, 64, 48);
              Ref<FolderItem> folder = GetFolderItem(frames);
              std::vector<Ref<FolderItem>> entries;
              for (std::int32_t i = 1; i <= folder->Count(); ++i) entries.push_back(folder->Item(i));
              ASSERT_EQ(entries.size(), std::size_t{kCount});
              Ref<Picture> first = entries[0]->OpenAsPicture();
              ASSERT_TRUE(first);
              Ref<EditableMovie> made = GetFolderItem(movie)->CreateMovie();
              Ref<QTVideoTrack> track = made->NewVideoTrack(first->Width(), first->Height(), 10.0);
              ASSERT_TRUE(track);
              for (const Ref<FolderItem>& entry : entries) {
                Ref<Picture> picture = entry->OpenAsPicture();
                ASSERT_TRUE(picture) << entry->Name();
                track->AppendPicture(picture);
              }
            }),
            "");
  Ref<EditableMovie> back = EditableMovie::Open(movie);
  ASSERT_TRUE(back);
  EXPECT_NEAR(back->Duration(), kCount / 10.0, 0.01);
  for (int i = 1; i <= kCount; ++i) {
    back->SetPosition((i - 1) / 10.0 + 0.01);
    Ref<Picture> frame = back->Picture();
    ASSERT_TRUE(frame);
    EXPECT_LE(Distance(PixelAt(frame, 32, 24), ColourOf(i)), 12) << "frame " << i;
  }
}

TEST(WritePool, APictureChangedRightAfterItsSaveIsWrittenAsItWasSaved) {
  ScratchFolder dir;
  Workers workers;
  EXPECT_EQ(AsHandler([&] {
              Ref<Picture> p = Solid(40, 30, Rgb(220, 20, 20));
              GetFolderItem(dir / "red.jpg")->SaveAsJPEG(p);
              std::fill_n(p->Bits(), 40 * 30, Rgb(20, 20, 220));
              GetFolderItem(dir / "blue.jpg")->SaveAsJPEG(p);
              p->Graphics()->DrawPicture(Solid(40, 30, Rgb(20, 220, 20)), 0, 0, 40, 30, 0, 0, 40, 30);
            }),
            "");
  EXPECT_TRUE(Near(FileColour(dir / "red.jpg"), Rgb(220, 20, 20)));
  EXPECT_TRUE(Near(FileColour(dir / "blue.jpg"), Rgb(20, 20, 220)));
}

TEST(WritePool, TwoSavesToOnePathLandInTheOrderTheyWereMade) {
  ScratchFolder dir;
  const std::string path = dir / "x.jpg";
  // The first save is slow; a second one that did not wait for it would be
  // overwritten by it.
  std::atomic<int> seen{0};
  write_pool::SetBeforeEachSave([&](const std::string& p) {
    if (p == path && seen++ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(60));
  });
  EXPECT_EQ(AsHandler([&] {
              GetFolderItem(path)->SaveAsJPEG(Solid(16, 16, Rgb(220, 20, 20)));
              GetFolderItem(path)->SaveAsJPEG(Solid(16, 16, Rgb(20, 20, 220)));
            }),
            "");
  EXPECT_TRUE(Near(FileColour(path), Rgb(20, 20, 220)));
  write_pool::SetBeforeEachSave(nullptr);
}

// The still copies of a run save one unchanged picture again and again;
// the last step of a cross-fade is the next picture itself.
TEST(WritePool, SavesOfOneContentQueuedTogetherShareOneEncoding) {
  ScratchFolder dir;
  Workers workers;
  ClearPictureFileCaches();
  write_pool::ResetStats();
  EXPECT_EQ(AsHandler([&] {
              Ref<Picture> p = Gradient(64, 48);
              for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) GetFolderItem(dir / name)->SaveAsJPEG(p);
              GetFolderItem(dir / "d.jpg")->SaveAsJPEG(p->Clone());
              p->Bits()[0] = Rgb(0, 0, 255);  // changed: encoded afresh
              GetFolderItem(dir / "e.jpg")->SaveAsJPEG(p);
            }),
            "");
  EXPECT_EQ(write_pool::CurrentStats().encodes, 2u);
  for (const char* name : {"b.jpg", "c.jpg", "d.jpg"}) EXPECT_EQ(ReadAll(dir / "a.jpg"), ReadAll(dir / name)) << name;
  EXPECT_NE(ReadAll(dir / "a.jpg"), ReadAll(dir / "e.jpg"));
}

TEST(WritePool, PendingPicturesStayWithinTheLimits) {
  ScratchFolder dir;
  constexpr std::int32_t w = 64, h = 48;
  constexpr std::size_t bytes = std::size_t{w} * h * 4;
  // The most pending at one moment: saves, and pixel bytes not yet encoded
  // (an encoded picture's save may still wait to be written).
  struct Case {
    write_pool::Limits limits;
    std::size_t saves, pixelBytes;
  };
  const std::vector<Case> cases = {
      {{.saves = 3, .pixelBytes = 100 * bytes}, 3, 3 * bytes},
      {{.saves = 100, .pixelBytes = 2 * bytes}, 16, 2 * bytes},
      // A picture bigger than the limit is let in alone.
      {{.saves = 100, .pixelBytes = 1}, 16, bytes},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.limits.saves << " saves, " << c.limits.pixelBytes << " bytes");
    Workers workers(5);
    write_pool::SetLimits(c.limits);
    write_pool::ResetStats();
    EXPECT_EQ(AsHandler([&] { SaveFrames(dir.Path(), 16, w, h); }), "");
    const write_pool::Stats stats = write_pool::CurrentStats();
    EXPECT_EQ(stats.writes, 16u);
    EXPECT_LE(stats.peakSaves, c.saves);
    EXPECT_LE(stats.peakPixelBytes, c.pixelBytes);
    for (int i = 1; i <= 16; ++i) EXPECT_TRUE(Near(FileColour(dir / FrameName(i)), ColourOf(i))) << FrameName(i);
  }
}

TEST(WritePool, TheDefaultLimitsKeepA24MegapixelRunToAFewPictures) {
  const write_pool::Limits limits = write_pool::CurrentLimits();
  const std::size_t photo = std::size_t{6000} * 4000 * 4, yuvPhoto = std::size_t{6000} * 4000 * 3 / 2;
  EXPECT_GE(limits.saves, std::size_t{2});
  EXPECT_LE(limits.pixelBytes, 2 * photo);
  EXPECT_GE(limits.pixelBytes, 3 * yuvPhoto) << "a few frames in YUV in flight at once";
}

// A folder removed while its frames wait for the workers: the frames fail,
// and the first one in the order of the saves is named.
TEST(WritePool, AFailedWriteRaisesTheFirstFailedFileWhenTheHandlerEnds) {
  ScratchFolder dir;
  const std::string gone = dir / "gone";
  fs::create_directory(gone);
  Workers workers;
  workers.HoldAll();
  workers.Slow(gone + "/000001.jpg", 40);  // fails last
  const std::string raised = AsHandler([&] {
    SaveFrames(gone, 3);
    fs::remove(gone);
    workers.Open();
  });
  EXPECT_EQ(raised, "IOException: while saving 000001.jpg: No such file or directory");
  // Raised once: the next handler starts clean.
  EXPECT_EQ(AsHandler([&] { GetFolderItem(dir / "fine.jpg")->SaveAsJPEG(Solid(8, 8, Rgb(1, 2, 3))); }), "");
}

// A waiting point that waits for a later frame only still names the first
// frame that failed.
TEST(WritePool, AFailedWriteIsRaisedAtTheFirstWaitingPointInsideTheHandler) {
  ScratchFolder dir;
  const std::string gone = dir / "gone";
  fs::create_directory(gone);
  Workers workers;
  workers.HoldAll();
  workers.Slow(gone + "/000001.jpg", 40);  // fails last
  std::string caught;
  bool wentOn = false;
  EXPECT_EQ(AsHandler([&] {
              SaveFrames(gone, 3);
              fs::remove(gone);
              workers.Open();
              try {
                GetFolderItem(gone + "/000003.jpg")->Exists();
                wentOn = true;
              } catch (const IOException& e) {
                caught = e.Message();
              }
            }),
            "");
  EXPECT_FALSE(wentOn);
  EXPECT_EQ(caught, "while saving 000001.jpg: No such file or directory");
}

// The saves made after a failed one are dropped, not written: the folder
// holds the frames before the failure and nothing after it, and saving the
// failed frames again fills it as if nothing had failed.
TEST(WritePool, SavesAfterAFailedOneAreDroppedLeavingNoHoles) {
  ScratchFolder dir;
  Workers workers;
  workers.Fail(dir / FrameName(3));
  const std::string raised = AsHandler([&] { SaveFrames(dir.Path(), 6); });
  EXPECT_EQ(raised, "IOException: while saving " + FrameName(3) + ": the disk is full");
  EXPECT_EQ(fs::exists(dir / FrameName(1)) + fs::exists(dir / FrameName(2)), 2);
  for (int i = 3; i <= 6; ++i) EXPECT_FALSE(fs::exists(dir / FrameName(i))) << FrameName(i);
  EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});

  Workers healthy;  // nothing fails any more
  EXPECT_EQ(AsHandler([&] { SaveFrames(dir.Path(), 6); }), "");
  for (int i = 1; i <= 6; ++i) EXPECT_TRUE(Near(FileColour(dir / FrameName(i)), ColourOf(i))) << FrameName(i);
}

// Frames are put in place in the order they were saved: while an early one
// is still being written, the later ones, though encoded, are not on disk,
// so a process killed at any moment leaves the frames up to some point.
TEST(WritePool, FramesArePutInPlaceInTheOrderTheyWereSaved) {
  ScratchFolder dir;
  Workers workers(0);
  workers.Hold(dir / FrameName(1));
  std::vector<std::string> seenWhileHeld;
  EXPECT_EQ(AsHandler([&] {
              write_pool::ResetStats();
              SaveFrames(dir.Path(), 5);
              // Frames 2 to 5 are encoded and written aside before frame 1 is.
              const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
              while (write_pool::CurrentStats().encodes < 4 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
              std::this_thread::sleep_for(std::chrono::milliseconds(20));
              for (const auto& e : fs::directory_iterator(dir.Path()))
                if (e.path().filename().string().front() != '.') seenWhileHeld.push_back(e.path().filename());
              workers.Open();
            }),
            "");
  EXPECT_EQ(seenWhileHeld, std::vector<std::string>{});
  for (int i = 1; i <= 5; ++i) EXPECT_TRUE(Near(FileColour(dir / FrameName(i)), ColourOf(i))) << FrameName(i);
}

TEST(WritePool, ASaveThatCannotStartRaisesAtOnce) {
  ScratchFolder dir;
  WriteAll(dir / "plain-file", {1, 2, 3});
  Workers workers;
  const std::pair<std::string, std::string> cases[] = {{dir / "plain-file/000042.jpg", "Not a directory"},
                                                       {dir / "no-such-folder/000042.jpg", "No such file or directory"}};
  for (const auto& [path, reason] : cases) {
    SCOPED_TRACE(path);
    std::string caught;
    EXPECT_EQ(AsHandler([&] {
                try {
                  GetFolderItem(path)->SaveAsJPEG(Solid(8, 8, Rgb(1, 2, 3)));
                } catch (const IOException& e) {
                  caught = e.Message();
                }
              }),
              "");
    EXPECT_EQ(caught, "while saving 000042.jpg: " + reason);
  }
}

// A frame lands in the folder that held its path when it was saved, even
// when the folder is renamed before the worker writes it.
TEST(WritePool, AFrameFollowsItsFolderWhenTheFolderIsRenamed) {
  ScratchFolder dir;
  const std::string before = dir / "before", after = dir / "after";
  fs::create_directory(before);
  Workers workers;
  workers.HoldAll();
  EXPECT_EQ(AsHandler([&] {
              SaveFrames(before, 2);
              fs::rename(before, after);
              workers.Open();
            }),
            "");
  for (int i = 1; i <= 2; ++i) EXPECT_TRUE(Near(FileColour(after + "/" + FrameName(i)), ColourOf(i)));
}

// A handler run inside another one's background task (a repaint, a tick)
// waits for its own frames only, not for the running handler's.
TEST(WritePool, ANestedHandlerWaitsForItsOwnFramesOnly) {
  ScratchFolder dir;
  Workers workers;
  workers.Hold(dir / "outer.jpg");
  // Should the nested handler wait for the held frame, the gate opens after
  // a while all the same, and the test fails instead of hanging.
  std::jthread watchdog([&](std::stop_token stop) {
    for (int i = 0; i < 200 && !stop.stop_requested(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    workers.Open();
  });
  bool gateClosedAfterNested = false;
  std::uint32_t nestedColour = 0;
  EXPECT_EQ(AsHandler([&] {
              GetFolderItem(dir / "outer.jpg")->SaveAsJPEG(Solid(8, 8, Rgb(200, 0, 0)));
              RuntimeDispatch([&] { GetFolderItem(dir / "nested.jpg")->SaveAsJPEG(Solid(8, 8, Rgb(0, 0, 200))); });
              gateClosedAfterNested = !workers.IsOpen();
              nestedColour = FileColour(dir / "nested.jpg");
              workers.Open();
            }),
            "");
  watchdog.request_stop();
  EXPECT_TRUE(gateClosedAfterNested);
  EXPECT_TRUE(Near(nestedColour, Rgb(0, 0, 200)));
  EXPECT_TRUE(Near(FileColour(dir / "outer.jpg"), Rgb(200, 0, 0)));
}

// A failed frame of the running handler is raised in that handler, where
// its run can stop with a message, not at the end of a handler nested in
// it (a repaint during its background task, or one that saves frames of
// its own, which are written), where it would be an unhandled exception.
TEST(WritePool, AFailureIsRaisedInTheHandlerThatSavedTheFrameNotInANestedOne) {
  struct Case {
    const char* nested;
    bool saves;
  };
  for (const Case c : {Case{"a repaint", false}, Case{"a handler that saves", true}}) {
    SCOPED_TRACE(c.nested);
    ScratchFolder dir;
    Workers workers(0);
    workers.Fail(dir / "outer.jpg");
    bool raisedInNested = true;
    std::string caught;
    EXPECT_EQ(AsHandler([&] {
                write_pool::ResetStats();
                GetFolderItem(dir / "outer.jpg")->SaveAsJPEG(Solid(8, 8, Rgb(200, 0, 0)));
                // The failure is known before the nested handler runs.
                const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (write_pool::CurrentStats().writes < 1 && std::chrono::steady_clock::now() < deadline)
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
                RuntimeDispatch([&] {
                  if (c.saves) GetFolderItem(dir / "nested.jpg")->SaveAsJPEG(Solid(8, 8, Rgb(0, 0, 200)));
                });
                raisedInNested = RuntimeHasPendingException();
                try {
                  RuntimeCompleteHandlerWork();
                } catch (const IOException& e) {
                  caught = e.Message();
                }
              }),
              "");
    EXPECT_FALSE(raisedInNested);
    EXPECT_EQ(caught, "while saving outer.jpg: the disk is full");
    if (c.saves) {
      EXPECT_TRUE(Near(FileColour(dir / "nested.jpg"), Rgb(0, 0, 200)));
    }
  }
}

// Quitting during a long loop unwinds the handler; what it saved is
// complete all the same.
TEST(WritePool, AQuitDuringAHandlerKeepsEveryFrameItSaved) {
  ScratchFolder dir;
  Workers workers;
  int saved = 0;
  EXPECT_EQ(AsHandler([&] {
              for (int i = 1; i <= 100; ++i) {
                GetFolderItem(dir / FrameName(i))->SaveAsJPEG(Solid(48, 32, ColourOf(i)));
                saved = i;
                if (i == 10) RuntimeRequestQuit();
                RuntimeBackgroundTask();  // unwinds with the quit signal
              }
            }),
            "");
  EXPECT_EQ(saved, 10);
  for (int i = 1; i <= saved; ++i) EXPECT_TRUE(Near(FileColour(dir / FrameName(i)), ColourOf(i))) << FrameName(i);
  EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
  EXPECT_EQ(RuntimeExit(), 0);
}

// Writes still pending when the runtime stops are finished first; one that
// fails makes the exit status 1.
TEST(WritePool, TheRuntimeStopsOnlyAfterEveryPendingWrite) {
  ScratchFolder dir;
  const std::string gone = dir / "gone";
  Workers workers(30);
  for (int i = 1; i <= 6; ++i) write_pool::Submit(dir / FrameName(i), *Solid(48, 32, ColourOf(i)));
  EXPECT_EQ(RuntimeExit(), 0);
  for (int i = 1; i <= 6; ++i) EXPECT_TRUE(Near(FileColour(dir / FrameName(i)), ColourOf(i))) << FrameName(i);

  fs::create_directory(gone);
  workers.HoldAll();
  write_pool::Submit(gone + "/000001.jpg", *Solid(8, 8, Rgb(1, 2, 3)));
  fs::remove(gone);
  workers.Open();
  EXPECT_EQ(RuntimeExit(), 1);
}

}  // namespace

// Every name the file system allows can be a frame or a movie: the
// temporary names are short whatever the target's name.
TEST(WritePool, NamesAsLongAsTheFileSystemAllowsCanBeWritten) {
  ScratchFolder dir;
  const std::string longName = std::string(246, 'f') + ".jpg";  // 250 bytes
  ASSERT_EQ(longName.size(), 250u);
  Workers workers;
  EXPECT_EQ(AsHandler([&] { GetFolderItem(dir / longName)->SaveAsJPEG(Solid(8, 8, Rgb(9, 99, 199))); }), "");
  EXPECT_TRUE(Near(FileColour(dir / longName), Rgb(9, 99, 199)));
  GetFolderItem(dir / ("b" + longName))->SaveAsJPEG(Solid(8, 8, Rgb(9, 99, 199)));  // outside a handler
  EXPECT_TRUE(Near(FileColour(dir / ("b" + longName)), Rgb(9, 99, 199)));

  const std::string movieName = std::string(246, 'm') + ".mov";
  {
    Ref<EditableMovie> movie = GetFolderItem(dir / movieName)->CreateMovie();
    Ref<QTVideoTrack> track = movie->NewVideoTrack(16, 16, 25);
    ASSERT_TRUE(track);
    track->AppendPicture(Solid(16, 16, Rgb(9, 99, 199)));
  }
  EXPECT_TRUE(fs::exists(dir / movieName));
  EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{});
}

// A temporary file that a killed process left behind is removed by the next
// write into its folder; one of a process still running is left alone.
TEST(WritePool, TemporaryFilesOfEndedProcessesAreRemovedByTheNextWrite) {
  ScratchFolder dir;
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_GT(ended, 0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  auto tempOf = [](pid_t pid) {
    char name[64];
    std::snprintf(name, sizeof name, ".vindralo-%08x-%016x.tmp", static_cast<unsigned>(pid), 7u);
    return std::string(name);
  };
  const std::string left = tempOf(ended), running = tempOf(1);
  WriteAll(dir / left, {1, 2, 3});
  WriteAll(dir / running, {1, 2, 3});
  Workers workers;
  EXPECT_EQ(AsHandler([&] { SaveFrames(dir.Path(), 1); }), "");
  EXPECT_EQ(HiddenFiles(dir.Path()), std::vector<std::string>{running});
}
