// The application under Qt's real message boxes and the window system's own
// input, as a user meets it: a message box stays until the user answers it
// while Timer1 ticks, and a close meanwhile waits for that answer; the window
// manager's close button and Ctrl+Q end a long tick within a few frames; a
// click during a long tick is held and acted on once the tick is over.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <chrono>
#include <functional>

#include "support/folder_run_fixture.h"

using namespace app_test;
using namespace engine_test;
using media_test::ScratchFolder;

namespace {

const std::uint32_t kRed = Rgb(200, 40, 40), kGreen = Rgb(40, 180, 60), kBlue = Rgb(50, 60, 200);

// Answers the next modal message box as a user does: it is found while it
// shows, read, left open for a while (the event loops run, the timers fire),
// then its OK button is clicked.
class UserAnswers {
 public:
  explicit UserAnswers(int delayMilliseconds) : delay_(delayMilliseconds) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
    poll_.start(10);
  }
  bool shown = false, answered = false, closedBeforeAnswer = false;
  std::string text;
  std::function<void()> whenShown;  // what the user does once the message shows

 private:
  void Poll() {
    if (!shown) {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      box_ = box;
      shown = true;
      text = box->text().toStdString();
      clock_.start();
      if (whenShown) whenShown();
      return;
    }
    if (answered || closedBeforeAnswer) return;
    if (!box_ || !box_->isVisible()) {
      closedBeforeAnswer = true;
      return;
    }
    if (clock_.elapsed() < delay_) return;
    answered = true;
    QTest::mouseClick(box_->button(QMessageBox::Ok), Qt::LeftButton);
  }

  int delay_;
  QTimer poll_;
  QPointer<QMessageBox> box_;
  QElapsedTimer clock_;
};

// Photos big enough that a long fade takes seconds.
void LargePhotos(const std::string& folder) {
  std::filesystem::create_directories(folder);
  const std::uint32_t colours[] = {kRed, kGreen, kBlue};
  for (int i = 0; i < 3; ++i)
    GetFolderItem(folder + "/photo" + std::to_string(i + 1) + ".jpg")->SaveAsJPEG(media_test::Solid(640, 480, colours[i]));
  RuntimeCompleteHandlerWork();
}

// The frames in the folder are 000001.jpg onwards without a gap, each a
// whole picture, with no temporary file beside them; their number.
int ExpectCompleteFrames(const std::string& folder) {
  const Names names = FileNames(folder);
  EXPECT_EQ(names, FrameNames(static_cast<int>(names.size())));
  for (const std::string& name : names)
    EXPECT_TRUE(GetFolderItem(folder + "/" + name)->OpenAsPicture()) << name << " is not a whole picture";
  return static_cast<int>(names.size());
}

}  // namespace

// A run that fails shows its message in a real message box, which stays
// until the user answers it, however often Timer1 fires meanwhile; the run
// is stopped and the application goes on.
TEST(RealLoops, TheMessageOfAFailedRunStaysUntilTheUserAnswersIt) {
  ScratchFolder scratch;
  const std::string source = scratch / "photos", dest = scratch / "frames";
  std::optional<UserAnswers> user;
  AppRun run = RunApp([&] {
    MakeEntries(source, {PhotoEntry("a.jpg", kRed), TextEntry("b.jpg"), PhotoEntry("c.jpg", kBlue)});
    Prepare(source, dest);
    dialog_seam::Enable(false);  // real message boxes from here on
    user.emplace(800);
    Click("BevelButton3");
    ASSERT_TRUE(WaitUntil([&] { return user->answered || user->closedBeforeAnswer; }, 20000));
    EXPECT_FALSE(RuntimeHasPendingException());
    EXPECT_FALSE(RuntimeIsQuitting());
    Window1& w = MainWindow();
    EXPECT_EQ(w.tflag, 0);
    EXPECT_EQ(Caption("BevelButton3"), "start fading");
    // Still usable: the stopped timer ticks come and go.
    ProcessEventsFor(300);
    EXPECT_FALSE(RuntimeHasPendingException());
  });
  EXPECT_EQ(run.status, 0);
  ASSERT_TRUE(user && user->shown);
  EXPECT_TRUE(user->answered) << "the message closed before the user answered it";
  EXPECT_EQ(user->text, "cannot read b.jpg: not a JPEG file");
}

// The window manager's close button while the message of a failed run
// shows: the message is modal, and Qt takes no close for a window that a
// modal box blocks (as for any such window), so the message stays until
// the user answers it; the run is stopped, and the user's next close ends
// the application normally at once.
TEST(RealLoops, ACloseWhileTheMessageOfAFailedRunShowsWaitsForTheAnswer) {
  ScratchFolder scratch;
  const std::string source = scratch / "photos", dest = scratch / "frames";
  std::optional<UserAnswers> user;
  std::chrono::steady_clock::time_point closedAgain{};
  AppRun run = RunApp([&] {
    MakeEntries(source, {PhotoEntry("a.jpg", kRed), TextEntry("b.jpg"), PhotoEntry("c.jpg", kBlue)});
    Prepare(source, dest);
    dialog_seam::Enable(false);  // real message boxes from here on
    user.emplace(800);
    user->whenShown = [] { RequestCloseAsTheWindowManagerDoes(); };
    Click("BevelButton3");
    ASSERT_TRUE(WaitUntil([&] { return user->answered || user->closedBeforeAnswer; }, 20000));
    EXPECT_FALSE(RuntimeIsQuitting()) << "the close was taken behind the message";
    EXPECT_FALSE(RuntimeHasPendingException());
    EXPECT_EQ(MainWindow().tflag, 0);
    EXPECT_EQ(Caption("BevelButton3"), "start fading");
    closedAgain = std::chrono::steady_clock::now();
    RequestCloseAsTheWindowManagerDoes();
    EXPECT_TRUE(WaitUntil([] { return RuntimeIsQuitting(); }, 5000));
  });
  EXPECT_LT(std::chrono::steady_clock::now() - closedAgain, std::chrono::seconds(1)) << "the application ended late";
  EXPECT_EQ(run.status, 0);
  ASSERT_TRUE(user && user->shown);
  EXPECT_TRUE(user->answered) << "the message closed before the user answered it";
  EXPECT_EQ(user->text, "cannot read b.jpg: not a JPEG file");
  // The first frame, written before the failed transition, is whole.
  EXPECT_EQ(ExpectCompleteFrames(dest), 1);
}

// The last resort for a fault of the program: its message stays until the
// user answers it, no tick of any timer comes behind it, and the
// application then ends with status 1.
TEST(RealLoops, TheLastResortMessageStaysUntilTheUserAnswersIt) {
  std::optional<UserAnswers> user;
  int faultyTicks = 0;
  AppRun run = RunApp([&] {
    dialog_seam::Enable(false);
    Ref<Window1::Timer1> timer = ControlNamed<Window1::Timer1>("Timer1");
    timer->InstallHandler("Action", RuntimeCreateDelegate(
                                        "Delegate.IM_Invoke%%",
                                        [&](Object&, std::span<const Variant>) -> Variant {
                                          ++faultyTicks;
                                          throw NilObjectException("a fault of the program");
                                        },
                                        &MainWindow(), "(  )"));
    user.emplace(800);
    WaitUntil([] { return RuntimeHasPendingException(); }, 5000);
  });
  EXPECT_EQ(run.status, 1);
  ASSERT_TRUE(user && user->shown);
  EXPECT_TRUE(user->answered) << "the message closed before the user answered it";
  EXPECT_NE(user->text.find("NilObjectException"), std::string::npos) << user->text;
  EXPECT_NE(user->text.find("a fault of the program"), std::string::npos) << user->text;
  EXPECT_EQ(faultyTicks, 1) << "a tick came behind the message";
}

// The window manager's close button and Ctrl+Q, during a tick of thousands
// of frames: the tick is cut short, the application quits normally, and
// what was written is whole frames without a gap or a temporary file.
TEST(RealLoops, CloseAndQuitEndALongTickAtOnceKeepingWholeFrames) {
  for (const QuitRequest& c : kQuitRequests) {
    SCOPED_TRACE(c.what);
    ScratchFolder scratch;
    const std::string source = scratch / "photos", dest = scratch / "frames";
    constexpr int kFade = 5000;
    std::chrono::steady_clock::time_point requested{};
    AppRun run = RunApp([&] {
      LargePhotos(source);
      Prepare(source, dest, {.still = 1, .fade = kFade, .margins = {}});
      QTimer watch;
      QObject::connect(&watch, &QTimer::timeout, [&] {
        if (Progress()->Value() < 20) return;
        watch.stop();
        requested = std::chrono::steady_clock::now();
        c.request();
      });
      watch.start(5);
      Click("BevelButton3");
      EXPECT_TRUE(WaitUntil([] { return RuntimeIsQuitting(); }, 60000));
    });
    EXPECT_LT(std::chrono::steady_clock::now() - requested, std::chrono::seconds(1)) << "the application ended late";
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.messages.empty());
    const int frames = ExpectCompleteFrames(dest);
    EXPECT_GE(frames, 19);
    EXPECT_LT(frames, kFade / 2) << "the tick ran on after the request";
  }
}

// A click on "stop fading" during a long tick is held while the tick runs
// (no handler runs inside another) and acted on once it is over.
TEST(RealLoops, AClickDuringALongTickIsActedOnOnceTheTickIsOver) {
  ScratchFolder scratch;
  const std::string source = scratch / "photos", dest = scratch / "frames";
  constexpr int kFade = 200;
  AppRun run = RunApp([&] {
    LargePhotos(source);
    Prepare(source, dest, {.still = 1, .fade = kFade, .margins = {}});
    TickRecorder recorder(dest);
    bool clicked = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (Progress()->Value() < 20) return;
      watch.stop();
      ClickAsTheWindowSystemDoes("BevelButton3");
      clicked = true;
    });
    watch.start(5);
    dialog_seam::TakeLog();
    Click("BevelButton3");
    ASSERT_TRUE(WaitUntil([&] { return !dialog_seam::Messages().empty(); }, 60000));
    ASSERT_TRUE(clicked);
    ASSERT_EQ(recorder.ticks.size(), 1u);
    EXPECT_EQ(recorder.ticks[0].tflag, 1) << "the click was acted on inside the tick";
    EXPECT_EQ(recorder.ticks[0].fcnter, 1 + 1 + kFade + 1) << "the tick was cut short";
    EXPECT_EQ(dialog_seam::Messages(), Names{"stopped"});
    EXPECT_EQ(MainWindow().tflag, 0);
    EXPECT_EQ(Caption("BevelButton3"), "start fading");
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ExpectCompleteFrames(dest), 1 + kFade + 1);
}
