// Showing a menu bar in a window's Qt window (QMainWindow::setMenuBar).
#include <QMainWindow>

#include "runtime/trace.h"
#include "ui/menu_qt.h"
#include "ui/window.h"
#include "ui/window_qt.h"

// The window gets a new QMenuBar built from the bar as it stands; no bar:
// the window shows none. The one shown before goes at once, with the
// references its actions held to the items.
void AttachMenuBarToWindow(Window& window, const Ref<MenuBar>& bar) {
  QMainWindow* frame = WindowQMainWindow(window);
  if (!frame) return;  // Window.Constructor attaches it once the Qt window exists
  QWidget* old = frame->menuWidget();
  frame->setMenuWidget(bar ? BuildQtMenuBar(*bar, frame) : nullptr);
  delete old;
  RuntimeTrace(bar ? "window menu bar shown" : "window menu bar removed");
}
