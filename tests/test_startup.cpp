// The process from start-up to exit, observed through the trace and dialog
// seams: order of the steps, quitting, and exceptions that escape handlers.
#include <gtest/gtest.h>
#include <signal.h>

#include <QTimer>
#include <algorithm>
#include <cstring>

#include "app/startup.h"
#include "dialogs/dialogs.h"
#include "runtime/runtime.h"
#include "support/app_fixture.h"

using app_test::ExpectInOrder;
using app_test::IndexOf;

namespace {

// Runs the whole process entry with the seams on; returns the exit status.
int RunProcess(std::function<void()> onLoop, std::function<void()> onInit = nullptr) {
  RuntimeEnableTrace(true);
  RuntimeTakeTrace();
  dialog_seam::Enable(true);
  if (onLoop) RuntimeOnLoopEntered(std::move(onLoop));
  if (onInit) RuntimeOnFrameworkInitialization(std::move(onInit));
  return vindralo_main();
}

}  // namespace

TEST(Startup, RunsEveryStepInOrderAndExitsWithZeroAfterQuit) {
  const int status = RunProcess([] { RuntimeRequestQuit(); });
  auto trace = RuntimeTakeTrace();
  EXPECT_EQ(status, 0);
  ExpectInOrder(trace, {"runtime started", "class Application", "class App", "framework initialisation",
                        "startup", "external classes", "application object registered", "loop entered",
                        "quit requested", "loop returned", "release framework globals", "runtime stopped"});
  EXPECT_EQ(std::count(trace.begin(), trace.end(), "startup"), 1);
  // The system's own class tables are registered after every platform class.
  auto firstOwn = IndexOf(trace, "class App");
  for (std::ptrdiff_t i = firstOwn + 1; i < IndexOf(trace, "framework initialisation"); ++i)
    EXPECT_EQ(trace[i].rfind("class ", 0), std::string::npos) << trace[i];
  EXPECT_TRUE(dialog_seam::Messages().empty());
}

TEST(Startup, AnExceptionInAHandlerIsShownOnceAndTheProcessStillShutsDown) {
  bool afterThrow = false;
  const int status = RunProcess([&] {
    throw RuntimeException("TestException", "boom in a handler");
    afterThrow = true;
  });
  auto trace = RuntimeTakeTrace();
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(afterThrow);
  auto messages = dialog_seam::Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("TestException"), std::string::npos);
  EXPECT_NE(messages[0].find("boom in a handler"), std::string::npos);
  ExpectInOrder(trace, {"loop entered", "loop returned", "unhandled exception", "release framework globals",
                        "runtime stopped"});
}

TEST(Startup, AnExceptionDuringStartupSkipsTheLoopAndStillShutsDown) {
  const int status = RunProcess(nullptr, [] { throw NilObjectException("the start-up test object is absent"); });
  auto trace = RuntimeTakeTrace();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(IndexOf(trace, "loop entered"), -1);
  EXPECT_EQ(IndexOf(trace, "startup"), -1);
  ASSERT_EQ(dialog_seam::Messages().size(), 1u);
  EXPECT_NE(dialog_seam::Messages()[0].find("NilObjectException"), std::string::npos);
  ExpectInOrder(trace, {"unhandled exception", "release framework globals", "runtime stopped"});
}

TEST(DispatchBoundary, KeepsTheFirstExceptionAndDropsLaterOnes) {
  RuntimeInit();
  RuntimeDispatch([] { throw RuntimeException("First", "one"); });
  RuntimeDispatch([] { throw RuntimeException("Second", "two"); });
  EXPECT_TRUE(RuntimeHasPendingException());
  try {
    _RuntimeRun();
    FAIL() << "the kept exception was not rethrown";
  } catch (const RuntimeException& e) {
    EXPECT_EQ(e.ClassName(), "First");
  }
  EXPECT_EQ(RuntimeExit(), 0);
}

TEST(DispatchBoundary, AnExceptionInsideAModalLoopUnwindsTheWaitingHandler) {
  // A real message box: its nested loop must return when another event
  // handler fails, and the handler waiting in it must not go on.
  dialog_seam::Enable(false);
  RuntimeInit();
  bool continuedAfterBox = false;
  RuntimeOnLoopEntered([&] {
    QTimer::singleShot(50, [] { RuntimeDispatch([] { throw RuntimeException("Inner", "raised in a nested loop"); }); });
    MsgBox("waiting");
    continuedAfterBox = true;
  });
  try {
    _RuntimeRun();
    FAIL() << "the exception was lost";
  } catch (const RuntimeException& e) {
    EXPECT_EQ(e.ClassName(), "Inner");
  }
  EXPECT_FALSE(continuedAfterBox);
  RuntimeExit();
}

TEST(DispatchBoundary, QuittingDuringALongLoopUnwindsTheHandlerAsANormalQuit) {
  int iterations = 0;
  const int status = RunProcess([&] {
    QTimer::singleShot(30, [] { RuntimeRequestQuit(); });
    for (;;) {  // a long loop that only a quit ends
      ++iterations;
      RuntimeBackgroundTask();
    }
  });
  EXPECT_EQ(status, 0);
  EXPECT_GT(iterations, 1);
  EXPECT_TRUE(dialog_seam::Messages().empty());
}

// The signals a session manager, a terminal or `kill` sends end the
// application as Quit does, also from inside a long handler; once the
// application is gone they have their default effect again.
TEST(QuitSignals, EachQuitSignalUnwindsALongHandlerAsANormalQuit) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(signal));
    int iterations = 0;
    const int status = RunProcess([&] {
      QTimer::singleShot(30, [signal] { raise(signal); });
      for (;;) {  // a long loop that only a quit ends
        ++iterations;
        RuntimeBackgroundTask();
      }
    });
    const auto trace = RuntimeTakeTrace();
    EXPECT_EQ(status, 0);
    EXPECT_GT(iterations, 1);
    EXPECT_TRUE(dialog_seam::Messages().empty());
    ExpectInOrder(trace, {"loop entered", "quit requested", "loop returned", "runtime stopped"});
    struct sigaction now {};
    sigaction(signal, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
  }
}

TEST(QuitSignals, ASignalTheProcessWasStartedWithIgnoredStaysIgnored) {
  signal(SIGHUP, SIG_IGN);  // as nohup starts a program
  bool ignored = false, laterTimerRan = false, quittingBeforeIt = true;
  const int status = RunProcess([&] {
    struct sigaction now {};
    sigaction(SIGHUP, nullptr, &now);
    ignored = now.sa_handler == SIG_IGN;
    raise(SIGHUP);
    QTimer::singleShot(100, [&] {
      laterTimerRan = true;
      quittingBeforeIt = RuntimeIsQuitting();
      RuntimeRequestQuit();
    });
  });
  signal(SIGHUP, SIG_DFL);
  EXPECT_TRUE(ignored);
  EXPECT_TRUE(laterTimerRan);
  EXPECT_FALSE(quittingBeforeIt);
  EXPECT_EQ(status, 0);
}
