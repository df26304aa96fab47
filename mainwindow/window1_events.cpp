// The main window's own events and its implicit-instance accessor.
#include "app/menu_bar.h"
#include "app/plugin_calls.h"
#include "mainwindow/control_table.h"
#include "mainwindow/window1.h"

Ref<Window1> Window1Accessor() {
  Ref<Object> window = _GetImplicitWindow("Window1.Window1");
  if (!window) {
    // The platform builds the window, raises Layout and CreateControls and
    // shows it (its block sets Visible).
    window = RuntimeNewObject(Window1::__Lookup());
    RuntimeCallVirtual(*window, "Constructor");
  }
  return RuntimeCheckCastAs<Window1>(window, Window1::__Lookup());
}

void Window1::Layout() {
  // The bar the application object got at start-up; the window shows it too.
  Ref<MenuBar> bar = Menu::Instance();
  MenuBarSet(0, bar);
  bar.Reset();
  _SetProperties(*this, WindowBlock());
}

void Window1::CreateControls() { RuntimeCallVirtual(*this, "_CreateControls0"); }

void Window1::Event_Activate() {
  theEffect = plugin::GetQTCrossFadeEffect();
}
