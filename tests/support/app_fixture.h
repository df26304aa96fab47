#pragma once
// Drives the whole application in a test: runs the real process entry
// (vindralo_main) with the dialog seam on and runs the test's body inside
// the event loop once start-up is done, as a dispatched event, so the body
// sees the main window exactly as a user would. The application quits when
// the body returns.
#include <Qt>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "mainwindow/window1.h"
#include "testing.h"

class QWidget;

namespace app_test {

struct AppRun {
  int status = -1;                    // the process exit status
  std::vector<std::string> messages;  // the message boxes shown, in order
};

// Runs the application around `body`.
AppRun RunApp(const std::function<void()>& body);

// The main window (the implicit instance); fails the test when there is none.
Window1& MainWindow();

// The control the main window holds under the name, as T; raises
// NilObjectException when there is none and IllegalCastException when it is
// of another class.
template <class T>
Ref<T> ControlNamed(std::string_view name) {
  return RuntimeCheckCastAs<T>(RuntimeWindowControlByName(MainWindow(), name), T::StaticClass());
}

// A property's value as the object's class table gives it.
template <class V>
V PropertyValue(Object& object, std::string_view name) {
  const PropertyEntry* entry = object.Class() ? object.Class()->FindProperty(name) : nullptr;
  if (!entry) throw RuntimeException("KeyNotFoundException", "no property " + std::string(name));
  return std::get<V>(entry->getter(object));
}

// The Qt widget of a control of the main window.
QWidget* WidgetNamed(std::string_view name);

// Input as the window system delivers it to the main window: queued, and
// handled at the next pass of whichever event loop runs (a background task's
// included), not sent straight to a widget.
// The window manager's close button.
void RequestCloseAsTheWindowManagerDoes();
// A key press and release, with modifiers (Ctrl+Q: Qt::Key_Q, Qt::ControlModifier).
void PressKeyAsTheWindowSystemDoes(int key, Qt::KeyboardModifiers modifiers);
// A left click in the middle of the control's widget.
void ClickAsTheWindowSystemDoes(std::string_view control);
// The two ways a user asks a running application to end: the window
// manager's close button and Ctrl+Q, each named for a test's trace.
struct QuitRequest {
  const char* what;
  void (*request)();
};
extern const QuitRequest kQuitRequests[2];

// Runs the event loop (every kind of event) for that long; while the
// application quits or an exception is pending, only lets the time pass.
void ProcessEventsFor(int milliseconds);
// Runs the event loop until the condition holds or the time is up; whether it holds.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMilliseconds);

// The position of an event in a trace, -1 when it is not there.
std::ptrdiff_t IndexOf(const std::vector<std::string>& trace, const std::string& event);
// Every event is in the trace, each after the one before it.
void ExpectInOrder(const std::vector<std::string>& trace, const std::vector<std::string>& events);

// The folder where tests leave files for people to look at
// ($VINDRALO_TEST_OUTPUT, made when missing).
std::string TestOutputFolder();

}  // namespace app_test
