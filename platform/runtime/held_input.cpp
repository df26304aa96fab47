#include "runtime/held_input.h"

#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <utility>
#include <vector>

namespace held_input {

namespace {

// Mouse, wheel, key, touch and tablet input, as the window system delivers
// it to a window.
bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

// Whether a mouse event reaches the window's menu bar, which stays usable.
bool ForMenuBar(QWindow& window, QEvent& event) {
  auto* mouse = dynamic_cast<QMouseEvent*>(&event);
  if (!mouse) return false;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->windowHandle() != &window) continue;
    for (QWidget* hit = top->childAt(mouse->position().toPoint()); hit; hit = hit->parentWidget())
      if (qobject_cast<QMenuBar*>(hit)) return true;
  }
  return false;
}

class Holder : public QObject {
 public:
  bool eventFilter(QObject* target, QEvent* event) override {
    auto* window = qobject_cast<QWindow*>(target);
    // Only what the window system delivers to a window: what a window passes
    // on to its widgets was decided there.
    if (!window || !IsUserInput(event->type())) return false;
    if (QApplication::activePopupWidget() || ForMenuBar(*window, *event)) return false;
    // Moves are let go, not held: delivered later they would describe a
    // pointer that has moved on.
    if (event->type() != QEvent::MouseMove && held.size() < kMostHeld) {
      std::shared_ptr<QEvent> copy(event->clone());
      held.push_back([target = QPointer<QWindow>(window), copy] {
        // A window that a modal dialog blocks by now takes no input, as Qt
        // would have it.
        QWidget* modal = QApplication::activeModalWidget();
        if (target && (!modal || modal->windowHandle() == target)) QCoreApplication::sendEvent(target, copy.get());
      });
    }
    return true;
  }

  static constexpr std::size_t kMostHeld = 256;
  int scopes = 0;
  std::vector<std::function<void()>> held;
};

Holder& TheHolder() {
  static Holder holder;
  return holder;
}

}  // namespace

Scope::Scope() {
  Holder& h = TheHolder();
  if (h.scopes++ == 0 && QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(&h);
}

Scope::~Scope() {
  Holder& h = TheHolder();
  if (--h.scopes == 0 && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(&h);
}

void Hold(std::function<void()> work) { TheHolder().held.push_back(std::move(work)); }

void Deliver() {
  // Taken first: delivering one can run a handler that holds more, which
  // the next delivery takes in turn.
  for (auto& work : std::exchange(TheHolder().held, {})) work();
}

void Forget() { TheHolder().held.clear(); }

bool Any() noexcept { return !TheHolder().held.empty(); }

}  // namespace held_input
