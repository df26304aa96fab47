#include "runtime/runtime.h"

#include <QApplication>
#include <QTimer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/dialogs.h"
#include "runtime/event_loops.h"
#include "runtime/trace.h"

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
  std::vector<std::function<void()>> dispatchEndHooks;
  std::vector<std::function<void()>> exitHooks;
  std::vector<QEventLoop*> loops;
  std::function<void()> onInitialization;
  std::function<void()> onLoopEntered;
};

State& S() {
  static State s;
  return s;
}

// Every hook runs even when an earlier one raised: a hook that waits for
// pending work must not be skipped because another reported a failure.
void RunDispatchEndHooks() {
  std::exception_ptr first;
  auto& hooks = S().dispatchEndHooks;
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
  for (QEventLoop* loop : S().loops) loop->exit(code);
}

}  // namespace

void RuntimeSetArguments(int argc, char** argv) {
  auto& s = S();
  s.args.assign(argv, argv + argc);
  if (s.args.empty()) s.args.push_back("vindralo");
}

void RuntimeInit() {
  auto& s = S();
  s.pending = nullptr;
  s.quitting = false;
  s.exitStatus = 0;
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
  if (auto hook = std::exchange(S().onInitialization, nullptr)) hook();
  struct NoReceiver : Object {} none;
  entry(none, {});
  RunDispatchEndHooks();
}

void _RuntimeRun() {
  auto& s = S();
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
  auto& s = S();
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
  // The message must show even though the loop has been told to end.
  const bool wasQuitting = std::exchange(s.quitting, false);
  try {
    MsgBox(text);
  } catch (...) {
  }
  s.quitting = wasQuitting;
}

int RuntimeExit() {
  auto& s = S();
  for (auto& hook : s.exitHooks) {
    try {
      hook();
    } catch (...) {
      // A failure at exit cannot be shown any more; it still ends in status 1.
      s.exitStatus = 1;
    }
  }
  RuntimeTrace("runtime stopped");
  s.app.reset();
  s.quitting = false;
  return std::exchange(s.exitStatus, 0);
}

void RuntimeBackgroundTask() {
  if (QCoreApplication::instance())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  RuntimeCheckUnwind();
}

void RuntimeRequestQuit() {
  S().quitting = true;
  RuntimeTrace("quit requested");
  ExitAllLoops(0);
}

bool RuntimeIsQuitting() noexcept { return S().quitting; }

void RuntimeDispatch(const std::function<void()>& handler) noexcept {
  auto& s = S();
  auto capture = [&s](std::exception_ptr e) {
    if (!s.pending) s.pending = e;
    ExitAllLoops(1);
  };
  ++s.dispatchDepth;
  struct Leave {
    int& depth;
    ~Leave() { --depth; }
  } leave{s.dispatchDepth};
  try {
    handler();
  } catch (const QuitSignal&) {
  } catch (...) {
    capture(std::current_exception());
  }
  try {
    RunDispatchEndHooks();
  } catch (...) {
    capture(std::current_exception());
  }
}

bool RuntimeHasPendingException() noexcept { return S().pending != nullptr; }
int RuntimeDispatchDepth() noexcept { return S().dispatchDepth; }

void RuntimeCheckUnwind() {
  auto& s = S();
  if (s.quitting || s.pending) throw QuitSignal();
}

void RuntimeAddDispatchEndHook(std::function<void()> hook) { S().dispatchEndHooks.push_back(std::move(hook)); }
void RuntimeAddExitHook(std::function<void()> hook) { S().exitHooks.push_back(std::move(hook)); }

void RuntimeRunLoop(QEventLoop& loop) {
  auto& loops = S().loops;
  loops.push_back(&loop);
  struct Pop {
    std::vector<QEventLoop*>& loops;
    ~Pop() { loops.pop_back(); }
  } pop{loops};
  if (S().quitting || S().pending) return;
  loop.exec();
}

void RuntimeOnFrameworkInitialization(std::function<void()> hook) { S().onInitialization = std::move(hook); }
void RuntimeOnLoopEntered(std::function<void()> hook) { S().onLoopEntered = std::move(hook); }
