// The menu bar in the running application: one bar shared by the
// application object and the main window, the window's accessors, the Edit
// entries on the window's fields, and quitting from the menu and with
// Ctrl+Q followed by the whole shut-down.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "app/application.h"
#include "app/menu_bar.h"
#include "app/startup.h"
#include "runtime/runtime.h"
#include "support/app_fixture.h"
#include "ui/window_qt.h"

using app_test::ExpectInOrder;
using app_test::IndexOf;
using app_test::MainWindow;
using app_test::RunApp;

namespace {

QMenuBar* WindowMenuBar() { return WindowQMainWindow(MainWindow())->findChild<QMenuBar*>(); }
QAction* WindowAction(const char* name) { return WindowMenuBar()->findChild<QAction*>(name); }

// Keys and the keyboard focus reach the window once it is the active one,
// as they do for a user.
void WaitUntilTheWindowIsActive() {
  QMainWindow* frame = WindowQMainWindow(MainWindow());
  ASSERT_TRUE(app_test::WaitUntil([frame] { return QApplication::activeWindow() == frame; }, 5000));
}

// Runs the process with `quitBy` as the first event of the loop; nothing
// else ends the loop but a watchdog, which fails the test.
struct QuitRun {
  int status = -1;
  bool quitByTheUser = false;
  std::vector<std::string> trace;
  int itemsLeft = -1;
};

QuitRun RunUntilTheUserQuits(std::function<void()> quitBy) {
  RuntimeEnableTrace(true);
  RuntimeTakeTrace();
  dialog_seam::Enable(true);
  QuitRun run;
  RuntimeOnLoopEntered([&] {
    QTimer::singleShot(10000, [] { RuntimeRequestQuit(); });  // watchdog
    quitBy();
    run.quitByTheUser = RuntimeIsQuitting();
  });
  run.status = vindralo_main();
  run.trace = RuntimeTakeTrace();
  run.itemsLeft = menu_seam::LiveItems();
  dialog_seam::Enable(false);
  return run;
}

const std::vector<std::string> kShutdown = {
    "quit requested",
    "loop returned",
    "release framework globals",
    "release FileTypes.pJpeg",
    "release FileTypes.pQuicktime",
    "release FileTypes.pVideoAvi",
    "release FileTypes.pMpeg",
    "release FileTypes.pVideoMp4",
    "release FileTypes.pImageJpeg2000",
    "release FileTypes.pImagePict",
    "release FileTypes.pImagePng",
    "release FileTypes.pVideoXM4v",
    "release FileTypes.pVideoXMpeg",
    "release FileTypes.pVideoXMsvideo",
    "release Menu._implicitInstance",
    "runtime stopped",
};

}  // namespace

TEST(MenuInTheApp, OneBarIsSharedByTheApplicationAndTheWindowAndItsAccessorsFindItsItems) {
  RuntimeEnableTrace(true);
  RuntimeTakeTrace();
  const auto run = RunApp([] {
    Ref<Menu::Menu> shared = Menu::Instance();
    EXPECT_EQ(RuntimeAppObject()->MenuBarGet().get(), shared.get());
    EXPECT_EQ(MainWindow().MenuBarGet().get(), shared.get());
    EXPECT_EQ(menu_seam::LiveItems(), 10) << "one bar, two menus, seven entries: built once";

    const auto titles = WindowMenuBar()->actions();
    ASSERT_EQ(titles.size(), 2);
    EXPECT_EQ(titles[0]->text(), "File");
    EXPECT_EQ(titles[1]->text(), "Edit");

    Window1& window = MainWindow();
    struct Case {
      Ref<MenuItem> (Window1::*accessor)();
      const char* name;
    };
    const Case cases[] = {
        {&Window1::UntitledMenu0, "UntitledMenu0"}, {&Window1::EditClear, "EditClear"},
        {&Window1::EditPaste, "EditPaste"},         {&Window1::EditCopy, "EditCopy"},
        {&Window1::EditCut, "EditCut"},             {&Window1::UntitledMenu1, "UntitledMenu1"},
        {&Window1::EditUndo, "EditUndo"},           {&Window1::UntitledMenu2, "UntitledMenu2"},
    };
    for (const Case& c : cases) {
      Ref<MenuItem> item = (window.*c.accessor)();
      ASSERT_TRUE(item) << c.name;
      EXPECT_EQ(item.get(), shared->_Lookup(c.name).get()) << c.name;
    }
    Ref<QuitMenuItem> quit = window.FileQuit();
    ASSERT_TRUE(quit);
    EXPECT_EQ(quit->Name(), "FileQuit");
    EXPECT_EQ(quit->Class(), QuitMenuItem::StaticClass());
    // No item carries this Name: the lookup gives none and the type test refuses it.
    EXPECT_THROW(window.UntitledMenu3(), NilObjectException);
    EXPECT_EQ(RuntimeAppObject()->MenuBarGet().get(), shared.get()) << "nothing was rebuilt";
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
  // The application has its bar before the window exists to show it.
  ExpectInOrder(RuntimeTakeTrace(),
                {"application menu bar set", "application object registered", "window menu bar shown"});
}

TEST(MenuInTheApp, EditEntriesCopyAndPasteBetweenTheWindowsFields) {
  const auto run = RunApp([] {
    QGuiApplication::clipboard()->clear();
    auto* fade = qobject_cast<QLineEdit*>(app_test::WidgetNamed("fadetext"));
    auto* top = qobject_cast<QLineEdit*>(app_test::WidgetNamed("ftop"));
    ASSERT_TRUE(fade && top);
    WaitUntilTheWindowIsActive();
    auto choose = [](const char* name) {
      emit WindowMenuBar()->findChild<QMenu*>("UntitledMenu0")->aboutToShow();
      QAction* action = WindowAction(name);
      ASSERT_TRUE(action->isEnabled()) << name;
      action->trigger();
    };
    fade->setFocus();
    fade->selectAll();
    choose("EditCopy");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "2");
    top->setFocus();
    top->selectAll();
    choose("EditPaste");
    EXPECT_EQ(top->text(), "2");
    EXPECT_EQ(fade->text(), "2");
  });
  EXPECT_EQ(run.status, 0);
}

TEST(MenuInTheApp, QuitFromTheFileMenuEndsTheLoopAndShutDownReleasesTypesThenTheBar) {
  const auto run = RunUntilTheUserQuits([] {
    QAction* quit = WindowAction("FileQuit");
    ASSERT_TRUE(quit);
    ASSERT_TRUE(quit->isEnabled());
    quit->trigger();
  });
  EXPECT_TRUE(run.quitByTheUser);
  EXPECT_EQ(run.status, 0);
  ExpectInOrder(run.trace, kShutdown);
  EXPECT_LT(IndexOf(run.trace, "file type withdrawn video/x-msvideo"), IndexOf(run.trace, "release Menu._implicitInstance"));
  EXPECT_EQ(run.itemsLeft, 0) << "the bar and its items are gone once the process has stopped";
}

TEST(MenuInTheApp, CtrlQQuitsTheRunningApplicationWhereverTheFocusIs) {
  for (const char* target : {"the window", "a focused text field"}) {
    SCOPED_TRACE(target);
    const bool toField = target[0] == 'a';
    const auto run = RunUntilTheUserQuits([toField] {
      WaitUntilTheWindowIsActive();
      QWidget* receiver = WindowQMainWindow(MainWindow());
      if (toField) {
        receiver = app_test::WidgetNamed("stilltext");
        receiver->setFocus();
      }
      QTest::keyClick(receiver, Qt::Key_Q, Qt::ControlModifier);
    });
    EXPECT_TRUE(run.quitByTheUser);
    EXPECT_EQ(run.status, 0);
    ExpectInOrder(run.trace, kShutdown);
  }
}

TEST(MenuInTheApp, AFailureWhileBuildingTheBarEndsStartUpAndShutDownStillRuns) {
  RuntimeEnableTrace(true);
  RuntimeTakeTrace();
  dialog_seam::Enable(true);
  menu_seam::OnAppend([](const MenuItem&, const MenuItem& item) {
    if (item.Name() == "EditCopy") throw NilObjectException("the Edit menu is absent");
  });
  const int status = vindralo_main();
  menu_seam::OnAppend(nullptr);
  const auto trace = RuntimeTakeTrace();
  const auto messages = dialog_seam::Messages();
  dialog_seam::Enable(false);

  EXPECT_EQ(status, 1);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("NilObjectException"), std::string::npos) << messages[0];
  // The application object and the window are never made; the loop is not entered.
  EXPECT_EQ(IndexOf(trace, "application menu bar set"), -1);
  EXPECT_EQ(IndexOf(trace, "application object registered"), -1);
  EXPECT_EQ(IndexOf(trace, "window menu bar shown"), -1);
  EXPECT_EQ(IndexOf(trace, "loop entered"), -1);
  ExpectInOrder(trace, {"file type registered video/x-msvideo", "unhandled exception", "release framework globals",
                        "file type withdrawn image/jpeg", "file type withdrawn video/x-msvideo",
                        "release Menu._implicitInstance", "runtime stopped"});
  EXPECT_EQ(menu_seam::LiveItems(), 0) << "the half-built bar was released";
}
