#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <qpa/qwindowsysteminterface.h>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/startup.h"
#include "runtime/event_loops.h"
#include "runtime/runtime.h"
#include "ui/control_qt.h"
#include "ui/window_qt.h"

namespace app_test {

AppRun RunApp(const std::function<void()>& body) {
  dialog_seam::Enable(true);
  RuntimeOnLoopEntered([body] {
    body();
    RuntimeRequestQuit();
  });
  AppRun run;
  run.status = vindralo_main();
  run.messages = dialog_seam::Messages();
  dialog_seam::Enable(false);
  return run;
}

Window1& MainWindow() {
  Ref<Window> window = _GetImplicitWindow("Window1.Window1");
  auto* main = dynamic_cast<Window1*>(window.get());
  if (!main) RaiseNilObjectException("the main window");
  return *main;  // the platform holds it
}

QWidget* WidgetNamed(std::string_view name) {
  Ref<RectControl> control = ControlNamed<RectControl>(name);
  return RectControlWidget(*control);
}

namespace {
QWindow* MainQWindow() {
  QWidget* frame = WindowQMainWindow(MainWindow());
  return frame ? frame->windowHandle() : nullptr;
}
}  // namespace

void RequestCloseAsTheWindowManagerDoes() { QWindowSystemInterface::handleCloseEvent(MainQWindow()); }

void PressKeyAsTheWindowSystemDoes(int key, Qt::KeyboardModifiers modifiers) {
  QWindow* window = MainQWindow();
  QWindowSystemInterface::handleKeyEvent(window, QEvent::KeyPress, key, modifiers);
  QWindowSystemInterface::handleKeyEvent(window, QEvent::KeyRelease, key, modifiers);
}

const QuitRequest kQuitRequests[2] = {
    {"the close button", [] { RequestCloseAsTheWindowManagerDoes(); }},
    {"Ctrl+Q", [] { PressKeyAsTheWindowSystemDoes(Qt::Key_Q, Qt::ControlModifier); }},
};

void ClickAsTheWindowSystemDoes(std::string_view control) {
  QWidget* frame = WindowQMainWindow(MainWindow());
  QWidget* widget = WidgetNamed(control);
  const QPointF local = widget->mapTo(frame, widget->rect().center());
  const QPointF global = frame->mapToGlobal(local);
  QWindow* window = frame->windowHandle();
  QWindowSystemInterface::handleMouseEvent(window, local, global, Qt::LeftButton, Qt::LeftButton,
                                           QEvent::MouseButtonPress);
  QWindowSystemInterface::handleMouseEvent(window, local, global, Qt::NoButton, Qt::LeftButton,
                                           QEvent::MouseButtonRelease);
}

void ProcessEventsFor(int milliseconds) {
  // While the application unwinds (a quit, or an exception a handler left)
  // no loop runs: the time passes without one, and no timer is made that
  // would never fire and pile up at every call of a wait loop.
  if (RuntimeIsQuitting() || RuntimeHasPendingException()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return;
  }
  QEventLoop loop;
  QTimer end;  // goes with this call even when the loop is ended early
  end.setSingleShot(true);
  QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
  end.start(milliseconds);
  RuntimeRunLoop(loop);
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMilliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > timeoutMilliseconds) return false;
    ProcessEventsFor(5);
  }
  return true;
}

std::ptrdiff_t IndexOf(const std::vector<std::string>& trace, const std::string& event) {
  auto it = std::find(trace.begin(), trace.end(), event);
  return it == trace.end() ? -1 : it - trace.begin();
}

void ExpectInOrder(const std::vector<std::string>& trace, const std::vector<std::string>& events) {
  std::ptrdiff_t last = -1;
  for (auto& e : events) {
    const std::ptrdiff_t i = IndexOf(trace, e);
    ASSERT_GE(i, 0) << "missing from the trace: " << e;
    EXPECT_GT(i, last) << "out of order: " << e;
    last = i;
  }
}

std::string TestOutputFolder() {
  const char* env = std::getenv("VINDRALO_TEST_OUTPUT");
  std::string folder = env && *env ? env : (std::filesystem::temp_directory_path() / "vindralo-test-output").string();
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace app_test
