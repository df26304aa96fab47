// The main window's own events and its implicit-instance accessor.
#include "app/plugin_entrypoints.h"
#include "mainwindow/control_table.h"
#include "mainwindow/window1.h"
#include "plugin_signatures.h"

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
  // The shared menu bar (Menu.Menu) is set here with MenuBarSet(0, bar).
  _SetProperties(*this, WindowBlock());
}

void Window1::CreateControls() { RuntimeCallVirtual(*this, "_CreateControls0"); }

void Window1::Event_Activate() {
  theEffect = PluginCall<plugin_sig::GetCrossFadeEffect>(PluginEntry("GetQTCrossFadeEffect() As QTEffect"));
}
