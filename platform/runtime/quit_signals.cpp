#include "runtime/quit_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <cerrno>
#include <iterator>
#include <utility>

#include "runtime/runtime.h"

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The self-pipe: a signal handler may do next to nothing, so it writes one
// byte, and the event loop, woken by the byte, requests the quit. Made once
// and kept open for the life of the process.
int gPipe[2] = {-1, -1};

struct Previous {
  struct sigaction action {};
  bool replaced = false;
};
Previous gPrevious[std::size(kQuitSignals)];

QPointer<QSocketNotifier> gWatcher;  // deleted with the application it belongs to

extern "C" void OnQuitSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a request; nothing is lost by failing.
  [[maybe_unused]] const ssize_t written = write(gPipe[1], &byte, 1);
  errno = saved;
}

void Drain() {
  char bytes[64];
  while (read(gPipe[0], bytes, sizeof bytes) > 0) {
  }
}

void RestorePrevious() {
  for (std::size_t i = 0; i < std::size(kQuitSignals); ++i)
    if (std::exchange(gPrevious[i].replaced, false)) sigaction(kQuitSignals[i], &gPrevious[i].action, nullptr);
}

}  // namespace

void RuntimeHonourQuitSignals() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || gWatcher) return;
  // Without a pipe the signals keep their default effect: the program still
  // runs, it only cannot finish its writes when killed.
  if (gPipe[0] < 0 && pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  Drain();  // a signal that came while no application watched belongs to none

  struct sigaction quit {};
  quit.sa_handler = OnQuitSignal;
  sigemptyset(&quit.sa_mask);
  quit.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < std::size(kQuitSignals); ++i) {
    Previous& previous = gPrevious[i];
    if (sigaction(kQuitSignals[i], nullptr, &previous.action) != 0 || previous.action.sa_handler == SIG_IGN) continue;
    previous.replaced = sigaction(kQuitSignals[i], &quit, nullptr) == 0;
  }

  gWatcher = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, app);
  QObject::connect(gWatcher, &QSocketNotifier::activated, [] {
    Drain();
    RuntimeDispatch(RuntimeRequestQuit);
  });
  QObject::connect(gWatcher, &QObject::destroyed, [] { RestorePrevious(); });
}
