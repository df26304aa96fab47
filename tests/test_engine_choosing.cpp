// Choosing the destination, the source folder and the source video by
// clicking the window's buttons with the dialogs answered: the run state
// each choice leaves, the captions, the status of an opened video and the
// count of ".jpg" entries; then "start fading" and "stop fading" on the
// folder road: the progress maximum, the run flag, the caption and the
// messages.
#include <gtest/gtest.h>

#include "media/movie.h"
#include "support/engine_fixture.h"

using namespace app_test;
using namespace engine_test;
using media_test::ScratchFolder;

namespace {

using Names = std::vector<std::string>;

// Folder paths as the platform names them (FolderItem paths carry no "/").
std::string PathOf(const Ref<FolderItem>& item) { return item ? item->Path() : "(none)"; }

// Files whose names say ".jpg" but whose content the count never reads.
void MakeNamedFiles(const std::string& folder, const Names& names) {
  std::vector<Entry> entries;
  for (const std::string& n : names) entries.push_back(TextEntry(n));
  MakeEntries(folder, entries);
}

// A short movie of our own making.
void MakeMovie(const std::string& path) {
  Ref<EditableMovie> movie = GetFolderItem(path)->CreateMovie();
  Ref<QTVideoTrack> track = movie->NewVideoTrack(32, 24, 25.0);
  for (int i = 0; i < 5; ++i) track->AppendPicture(media_test::Solid(32, 24, Rgb(10 * i, 100, 200)));
}

}  // namespace

TEST(ChoosingTheSourceFolder, CountsEntriesWhoseNamesContainDotJpg) {
  struct Case {
    const char* what;
    Names files;
    Names folders;
    std::int32_t cnt;
  };
  const std::vector<Case> cases = {
      {"the naming rules", {"a.jpg", "b.jpeg", "c.JPG.txt", "d.jpg.txt"}, {"e.jpg"}, 4},
      {"an empty folder", {}, {}, 0},
      {"hidden companions are not listed", {"._a.jpg", ".b.jpg", "c.jpg"}, {}, 1},
      {"other kinds of picture", {"a.png", "b.JPEG", "c.jp g", "jpg"}, {"d"}, 0},
  };
  ScratchFolder scratch;
  AppRun run = RunApp([&] {
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const Case& c = cases[i];
      SCOPED_TRACE(c.what);
      const std::string folder = scratch / ("source" + std::to_string(i));
      MakeNamedFiles(folder, c.files);
      for (const std::string& sub : c.folders) std::filesystem::create_directories(folder + "/" + sub);
      ClickAnswering("BevelButton1", folder);
      Window1& w = MainWindow();
      EXPECT_EQ(w.cnt, c.cnt);
      EXPECT_EQ(PathOf(w.sourcefolder), folder);
      EXPECT_EQ(Caption("BevelButton1"), "source" + std::to_string(i));
    }
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
}

TEST(ChoosingTheSources, EachChoiceLeavesTheStateOfItsRowInTheTable) {
  ScratchFolder scratch;
  const std::string a = scratch / "five", b = scratch / "three", dest = scratch / "frames";
  const std::string movie = scratch / "clip.mov", notMovie = scratch / "notes.txt";
  AppRun run = RunApp([&] {
    MakeNamedFiles(a, {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"});
    MakeNamedFiles(b, {"x.jpg", "y.jpg", "z.jpg", "readme.txt"});
    std::filesystem::create_directories(dest);
    MakeMovie(movie);
    media_test::WriteAll(notMovie, {'n', 'o'});
    Window1& w = MainWindow();

    // No destination: "source video" refuses before any dialog opens.
    dialog_seam::TakeLog();
    ClickAnswering("BevelButton4", movie);
    EXPECT_EQ(TakeDialogKinds(), Names{"MsgBox destination folder first"});
    EXPECT_FALSE(w.sourcevideo);
    EXPECT_EQ(Caption("BevelButton4"), "source video");
    dialog_seam::NextAnswer();  // the answer no dialog asked for

    // A folder, then another: the second one's count.
    ClickAnswering("BevelButton1", a);
    EXPECT_EQ(w.cnt, 5);
    ClickAnswering("BevelButton1", b);
    EXPECT_EQ(w.cnt, 3);
    EXPECT_EQ(PathOf(w.sourcefolder), b);
    EXPECT_EQ(Caption("BevelButton1"), "three");

    // The destination.
    ClickAnswering("BevelButton2", dest);
    EXPECT_EQ(PathOf(w.destfolder), dest);
    EXPECT_EQ(Caption("BevelButton2"), "frames");

    // A file that is no movie, and a file that is missing: nothing changes.
    const std::string statusBefore = FieldText("TextField1");
    for (const std::string& file : {notMovie, scratch / "missing.mov"}) {
      SCOPED_TRACE(file);
      ClickAnswering("BevelButton4", file);
      EXPECT_FALSE(w.sourcevideo);
      EXPECT_EQ(PathOf(w.sourcefolder), b);
      EXPECT_EQ(Caption("BevelButton1"), "three");
      EXPECT_EQ(Caption("BevelButton4"), "source video");
      EXPECT_EQ(FieldText("TextField1"), statusBefore);
    }
    // A cancelled video dialog: nothing changes either.
    ClickAnswering("BevelButton4", std::nullopt);
    EXPECT_FALSE(w.sourcevideo);
    EXPECT_EQ(PathOf(w.sourcefolder), b);

    // A video after a folder: the folder is dropped, the count kept, the
    // status shows duration, time duration and time scale.
    ClickAnswering("BevelButton4", movie);
    ASSERT_TRUE(w.sourcevideo);
    EXPECT_FALSE(w.sourcefolder);
    EXPECT_EQ(w.cnt, 3);
    EXPECT_EQ(Caption("BevelButton1"), "source folder");
    EXPECT_EQ(Caption("BevelButton4"), "clip.mov");
    Ref<EditableMovie> same = EditableMovie::Open(movie);
    ASSERT_TRUE(same);
    EXPECT_EQ(FieldText("TextField1"),
              Str(same->Duration()) + " " + Str(same->TimeDuration()) + " " + Str(same->TimeScale()));
    EXPECT_GT(same->Duration(), 0);

    // A folder after the video: the video is dropped.
    ClickAnswering("BevelButton1", a);
    EXPECT_FALSE(w.sourcevideo);
    EXPECT_EQ(w.cnt, 5);
    EXPECT_EQ(Caption("BevelButton1"), "five");
    EXPECT_EQ(Caption("BevelButton4"), "source video");

    // Cancelling the source folder after a choice: no folder, the caption
    // and the count as they were, and "start fading" asks for a source.
    ClickAnswering("BevelButton1", std::nullopt);
    EXPECT_FALSE(w.sourcefolder);
    EXPECT_EQ(Caption("BevelButton1"), "five");
    EXPECT_EQ(w.cnt, 5);
    dialog_seam::TakeLog();
    {
      QuietTimer quiet;
      Click("BevelButton3");
      EXPECT_EQ(w.tflag, 0);
    }
    EXPECT_EQ(TakeDialogKinds(), Names{"MsgBox please select a source folder or source video"});

    // Cancelling the destination after a choice: no destination, the
    // caption kept, and "source video" refuses again.
    ClickAnswering("BevelButton2", std::nullopt);
    EXPECT_FALSE(w.destfolder);
    EXPECT_EQ(Caption("BevelButton2"), "frames");
    dialog_seam::TakeLog();
    ClickAnswering("BevelButton4", movie);
    EXPECT_EQ(TakeDialogKinds(), Names{"MsgBox destination folder first"});
    EXPECT_FALSE(w.sourcevideo);
  });
  EXPECT_EQ(run.status, 0);
}

TEST(StartAndStop, RefusesWithoutADestinationOrASource) {
  ScratchFolder scratch;
  const std::string photos = scratch / "photos", dest = scratch / "frames";
  AppRun run = RunApp([&] {
    MakeNamedFiles(photos, {"1.jpg", "2.jpg"});
    std::filesystem::create_directories(dest);
    QuietTimer quiet;
    Window1& w = MainWindow();
    const std::int32_t maximum = Progress()->Maximum();

    // Nothing chosen, then only a source: the destination is asked for.
    dialog_seam::TakeLog();
    Click("BevelButton3");
    ClickAnswering("BevelButton1", photos);
    Click("BevelButton3");
    EXPECT_EQ(TakeDialogKinds(), (Names{"MsgBox please select a destination folder", "SelectFolder",
                                        "MsgBox please select a destination folder"}));
    // A destination but no source.
    ClickAnswering("BevelButton1", std::nullopt);
    ClickAnswering("BevelButton2", dest);
    dialog_seam::TakeLog();
    Click("BevelButton3");
    EXPECT_EQ(TakeDialogKinds(), Names{"MsgBox please select a source folder or source video"});
    EXPECT_EQ(w.tflag, 0);
    EXPECT_EQ(Progress()->Maximum(), maximum);
    EXPECT_EQ(Caption("BevelButton3"), "start fading");
  });
  EXPECT_EQ(run.status, 0);
}

TEST(StartAndStop, MaximumFlagAndCaptionAlternate) {
  ScratchFolder scratch;
  const std::string photos = scratch / "photos", empty = scratch / "empty", dest = scratch / "frames";
  AppRun run = RunApp([&] {
    MakeNamedFiles(photos, {"a.jpg", "b.jpg", "c.jpg"});
    std::filesystem::create_directories(empty);
    std::filesystem::create_directories(dest);
    QuietTimer quiet;
    Window1& w = MainWindow();
    ClickAnswering("BevelButton2", dest);
    ClickAnswering("BevelButton1", photos);
    SetField("stilltext", "2");
    SetField("fadetext", "2");
    const std::int32_t fcnter = w.fcnter, itemIdx = w.itemIdx, firstflag = w.firstflag;

    struct Expect {
      std::int32_t maximum, tflag;
      const char* caption;
      Names dialogs;
    };
    const std::vector<Expect> clicks = {{12, 1, "stop fading", {}},
                                        {12, 0, "start fading", {"MsgBox stopped"}},
                                        {12, 1, "stop fading", {}},
                                        {12, 0, "start fading", {"MsgBox stopped"}}};
    dialog_seam::TakeLog();
    for (std::size_t i = 0; i < clicks.size(); ++i) {
      SCOPED_TRACE("click " + std::to_string(i + 1));
      std::string captionWhileStopped;
      dialog_seam::OnShow([&](const DialogRecord&) { captionWhileStopped = Caption("BevelButton3"); });
      Click("BevelButton3");
      dialog_seam::OnShow(nullptr);
      EXPECT_EQ(Progress()->Maximum(), clicks[i].maximum);
      EXPECT_EQ(w.tflag, clicks[i].tflag);
      EXPECT_EQ(Caption("BevelButton3"), clicks[i].caption);
      EXPECT_EQ(TakeDialogKinds(), clicks[i].dialogs);
      if (!clicks[i].dialogs.empty()) {
        EXPECT_EQ(captionWhileStopped, "stop fading") << "the caption changes once the message is closed";
      }
    }
    EXPECT_EQ(w.fcnter, fcnter);
    EXPECT_EQ(w.itemIdx, itemIdx);
    EXPECT_EQ(w.firstflag, firstflag);

    // The stopping click takes the fields as they are then.
    Click("BevelButton3");
    SetField("stilltext", "3");
    Click("BevelButton3");
    EXPECT_EQ(Progress()->Maximum(), 3 * 3 + 3 * 2);
    // Products and sum wrap around as 32-bit integers.
    SetField("stilltext", "1000000000");
    SetField("fadetext", "1000000000");
    Click("BevelButton3");
    EXPECT_EQ(Progress()->Maximum(), 1705032704);
    Click("BevelButton3");
    // A folder without photos: the user is told, and nothing starts.
    ClickAnswering("BevelButton1", empty);
    dialog_seam::TakeLog();
    const std::int32_t maximum = Progress()->Maximum();
    Click("BevelButton3");
    EXPECT_EQ(TakeDialogKinds(), std::vector<std::string>{"MsgBox the source folder holds no .jpg pictures"});
    EXPECT_EQ(w.tflag, 0);
    EXPECT_EQ(Caption("BevelButton3"), "start fading");
    EXPECT_EQ(Progress()->Maximum(), maximum);
  });
  EXPECT_EQ(run.status, 0);
}
