#pragma once
// Private to the platform: the Qt side of a window. The frame is a
// QMainWindow (a menu bar is attached to it), its central widget the
// content area that holds the controls at their pixel positions.
#include <QElapsedTimer>
#include <QMainWindow>
#include <memory>

#include "ui/window.h"

// Holds its window without owning it; the window detaches it before it
// lets the Qt window go, so no late Qt event reaches it.
class WindowFrame : public QMainWindow {
 public:
  explicit WindowFrame(Window& owner) : owner_(&owner) {}
  void Detach() noexcept { owner_ = nullptr; }

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  Window* owner_;
};

struct WindowNative {
  std::unique_ptr<WindowFrame> frame;
  QWidget* content = nullptr;        // owned by the frame
  QElapsedTimer lastRepaint;         // throttles Refresh(True)
};

// The window's QMainWindow and its content area; none before Window.Constructor.
inline QMainWindow* WindowQMainWindow(const Window& window) {
  return window.Native() ? window.Native()->frame.get() : nullptr;
}
inline QWidget* WindowContentWidget(const Window& window) {
  return window.Native() ? window.Native()->content : nullptr;
}

// The main window's QMainWindow, the parent of dialogs and message boxes;
// none when there is no main window.
QWidget* MainWindowFrame();
