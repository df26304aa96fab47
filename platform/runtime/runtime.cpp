#include "runtime/runtime.h"

#include <QApplication>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/message_box.h"
#include "files/write_pool.h"
#include "runtime/event_loops.h"
#include "runtime/held_input.h"
#include "runtime/task_pool.h"
#include "runtime/trace.h"
#include "testing.h"
#include "ui/timer.h"

namespace {

struct State {
  int argc = 1;
  std::vector<std::string> args{"vindralo"};
  std::vector<char*> argv;
  std::unique_ptr<QApplication> app;
  std::exception_ptr pending;
  bool quitting = false;
  int exitStatus = 0;
  int dispatchDepth = 0;
  int backgroundDepth = 0;  // background tasks running, nested ones included
  bool heldDeliveryPosted = false;
  bool lastResort = false;  // the last-resort message is up: nothing may end its loop
  std::vector<std::function<void()>> dispatchEndHooks;
  std::vector<std::function<void()>> exitHooks;
  std::vector<QEventLoop*> loops;
  std::vector<int> loopDepths;  // the dispatch depth at which each loop runs
  std::function<void()> onInitialization;
  std::function<void()> onLoopEntered;
};

State& RuntimeState() {
  static State s;
  return s;
}

// Every hook runs even when an earlier one raised: a hook that waits for
// pending work must not be skipped because another reported a failure.
void RunDispatchEndHooks() {
  std::exception_ptr first;
  auto& hooks = RuntimeState().dispatchEndHooks;
  for (std::size_t i = 0; i < hooks.size(); ++i) {
    try {
      hooks[i]();
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

void ExitAllLoops(int code) {
  for (QEventLoop* loop : RuntimeState().loops) loop->exit(code);
}

// One more level of a depth for as long as it lives.
struct DepthScope {
  explicit DepthScope(int& depth) : depth(depth) { ++depth; }
  ~DepthScope() { --depth; }
  DepthScope(const DepthScope&) = delete;
  DepthScope& operator=(const DepthScope&) = delete;
  int& depth;
};

// Whether the innermost event loop is handling its own events: no handler
// it dispatched, and no background task, is running.
bool InLoopItself() {
  auto& s = RuntimeState();
  const int loopDepth = s.loopDepths.empty() ? 0 : s.loopDepths.back();
  return s.backgroundDepth == 0 && s.dispatchDepth == loopDepth;
}

// What was held during background tasks is delivered from the innermost
// event loop once the handlers it dispatched have returned.
void DeliverHeldInputLater() {
  auto& s = RuntimeState();
  if (s.heldDeliveryPosted || !held_input::Any()) return;
  s.heldDeliveryPosted = true;
  QTimer::singleShot(0, [] {
    auto& s = RuntimeState();
    s.heldDeliveryPosted = false;
    if (s.quitting || s.pending || s.lastResort) return held_input::Forget();
    // Still inside a handler (this ran from its background task): the end
    // of that handler posts the delivery again.
    if (!InLoopItself()) return;
    held_input::Deliver();
  });
}

}  // namespace

void RuntimeSetArguments(int argc, char** argv) {
  auto& s = RuntimeState();
  s.args.assign(argv, argv + argc);
  if (s.args.empty()) s.args.push_back("vindralo");
}

void RuntimeInit() {
  auto& s = RuntimeState();
  s.pending = nullptr;
  s.quitting = false;
  s.exitStatus = 0;
  s.heldDeliveryPosted = false;  // a delivery posted to an earlier application never ran
  if (!QApplication::instance()) {
    s.argv.clear();
    for (auto& a : s.args) s.argv.push_back(a.data());
    s.argv.push_back(nullptr);
    s.argc = static_cast<int>(s.args.size());
    s.app = std::make_unique<QApplication>(s.argc, s.argv.data());
    QApplication::setQuitOnLastWindowClosed(false);  // the main window's close quits explicitly
  }
  RuntimeHonourQuitSignals();
  RuntimeTrace("runtime started");
}

void _RunFrameworkInitialization(const MethodFunction& entry) {
  if (!entry) RaiseNilObjectException("the start-up entry");
  RuntimeTrace("framework initialisation");
  if (auto hook = std::exchange(RuntimeState().onInitialization, nullptr)) hook();
  struct NoReceiver : Object {} none;
  entry(none, {});
  RunDispatchEndHooks();
}

void _RuntimeRun() {
  auto& s = RuntimeState();
  RuntimeTrace("loop entered");
  if (auto hook = std::exchange(s.onLoopEntered, nullptr))
    QTimer::singleShot(0, [hook] { RuntimeDispatch(hook); });
  if (!s.quitting && !s.pending) {
    QEventLoop loop;
    RuntimeRunLoop(loop);
  }
  RuntimeTrace("loop returned");
  if (s.pending) std::rethrow_exception(std::exchange(s.pending, nullptr));
}

void _UnhandledException(std::exception_ptr error) {
  auto& s = RuntimeState();
  s.exitStatus = 1;
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const RuntimeException& e) {
    text = "An exception of class " + e.ClassName() + " was not handled.\n" + e.Message();
  } catch (const std::exception& e) {
    text = std::string("An exception was not handled.\n") + e.what();
  } catch (...) {
    text = "An exception of unknown kind was not handled.";
  }
  RuntimeTrace("unhandled exception");
  // Nothing but the user closes this message: no timer ticks behind it, a
  // handler that fails meanwhile does not end its loop, and frames still
  // being written are finished first (a failure among them is told too).
  StopAllTimers();
  held_input::Forget();
  s.lastResort = true;
  try {
    write_pool::WaitForAll();
  } catch (const RuntimeException& e) {
    text += "\n" + e.Message();
  }
  const bool wasQuitting = std::exchange(s.quitting, false);
  try {
    ShowMessageBox(text);
  } catch (...) {
    // Nothing is left to tell it to: the process ends with status 1 as it is.
  }
  s.quitting = wasQuitting;
  s.lastResort = false;
}

int RuntimeExit() {
  auto& s = RuntimeState();
  for (auto& hook : s.exitHooks) {
    try {
      hook();
    } catch (...) {
      // A failure at exit cannot be shown any more; it still ends in status 1.
      s.exitStatus = 1;
    }
  }
  // No worker task outlives the application (a photo decoded ahead reads
  // through Qt).
  task_pool::WaitUntilIdle();
  RuntimeTrace("runtime stopped");
  held_input::Forget();
  s.app.reset();
  s.quitting = false;
  return std::exchange(s.exitStatus, 0);
}

void RuntimeBackgroundTask() {
  auto& s = RuntimeState();
  if (QCoreApplication::instance()) {
    DepthScope background(s.backgroundDepth);
    held_input::Scope hold;
    QCoreApplication::processEvents();
  }
  RuntimeCheckUnwind();
}

void RuntimeRunWhenNoHandlerRuns(std::function<void()> work) {
  held_input::Hold(std::move(work));
  if (InLoopItself()) DeliverHeldInputLater();
}

void RuntimeCompleteHandlerWork() { RunDispatchEndHooks(); }

bool RuntimeInBackgroundTask() noexcept { return RuntimeState().backgroundDepth > 0; }

void RuntimeRequestQuit() {
  RuntimeState().quitting = true;
  RuntimeTrace("quit requested");
  ExitAllLoops(0);
}

bool RuntimeIsQuitting() noexcept { return RuntimeState().quitting; }

void RuntimeDispatch(const std::function<void()>& handler) noexcept {
  auto& s = RuntimeState();
  auto capture = [&s](std::exception_ptr e) {
    // Behind the last-resort message a failure is only counted: the
    // process ends with status 1 already.
    if (s.lastResort) return;
    if (!s.pending) s.pending = e;
    ExitAllLoops(1);
  };
  {
    DepthScope dispatching(s.dispatchDepth);
    try {
      handler();
    } catch (const QuitSignal&) {
      // The platform's own quit unwound the handler: no failure to keep.
    } catch (...) {
      capture(std::current_exception());
    }
    try {
      RunDispatchEndHooks();
    } catch (...) {
      capture(std::current_exception());
    }
  }
  // The handler is over: the loop that dispatched it may be on its own again.
  if (InLoopItself()) DeliverHeldInputLater();
}

bool RuntimeHasPendingException() noexcept { return RuntimeState().pending != nullptr; }
int RuntimeDispatchDepth() noexcept { return RuntimeState().dispatchDepth; }

void RuntimeCheckUnwind() {
  auto& s = RuntimeState();
  if (s.quitting || s.pending) throw QuitSignal();
}

void RuntimeAddDispatchEndHook(std::function<void()> hook) {
  RuntimeState().dispatchEndHooks.push_back(std::move(hook));
}
void RuntimeAddExitHook(std::function<void()> hook) { RuntimeState().exitHooks.push_back(std::move(hook)); }

void RuntimeRunLoop(QEventLoop& loop) {
  auto& s = RuntimeState();
  s.loops.push_back(&loop);
  s.loopDepths.push_back(s.dispatchDepth);
  struct Pop {
    State& s;
    ~Pop() {
      s.loops.pop_back();
      s.loopDepths.pop_back();
    }
  } pop{s};
  if (s.quitting || s.pending) return;
  loop.exec();
}

void RuntimeOnFrameworkInitialization(std::function<void()> hook) { RuntimeState().onInitialization = std::move(hook); }
void RuntimeOnLoopEntered(std::function<void()> hook) { RuntimeState().onLoopEntered = std::move(hook); }
