#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "app/startup.h"
#include "dialogs/dialogs.h"
#include "runtime/event_loops.h"
#include "runtime/runtime.h"
#include "ui/control_qt.h"

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

std::string TestOutputFolder() {
  const char* env = std::getenv("VINDRALO_TEST_OUTPUT");
  std::string folder = env && *env ? env : (std::filesystem::temp_directory_path() / "vindralo-test-output").string();
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace app_test
