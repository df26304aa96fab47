// _CreateControls0: walks the control table and, for each control in turn,
// makes it, adds it to the window under its name, gives it its text
// settings, applies its property block and installs its event handler.
// Every setting goes to the control that the window holds under the name.
#include "app/plugin_calls.h"
#include "mainwindow/control_table.h"
#include "mainwindow/timer1.h"
#include "mainwindow/window1.h"

namespace {

// The control held under the row's name, checked to be of its class.
template <class T = Object>
Ref<T> Held(Window1& window, const ControlRow& row) {
  return RuntimeCheckCastAs<T>(RuntimeWindowControlByName(window, row.name), InfoOf(row.cls).checked());
}

void SetTextSize12(Window1& window, const ControlRow& row) {
  if (row.cls == ControlClass::StaticText) Held<StaticText>(window, row)->SetTextSize(12.0f);
  else Held<TextField>(window, row)->SetTextSize(12.0f);
}

void SetTextUnit0(Window1& window, const ControlRow& row) {
  switch (row.cls) {
    case ControlClass::BevelButton:
      // A plug-in control: through its plug-in member.
      plugin::BevelButtonTextUnitSet(*Held<BevelButton>(window, row), 0);
      break;
    case ControlClass::TextField: Held<TextField>(window, row)->SetTextUnit(0); break;
    default: Held<StaticText>(window, row)->SetTextUnit(0); break;
  }
}

void InstallHandler(Window1& window, const ControlRow& row) {
  const MethodEntry* method = window.Class()->FindMethod(row.handler.method);
  if (!method) RaiseNilObjectException("the handler " + std::string(row.handler.method));
  Ref<Delegate> handler =
      RuntimeCreateDelegate(row.handler.invoker, method->function, &window, row.handler.signature);
  _InstallInstanceEventHandler(*Held(window, row), row.handler.event, handler);
}

}  // namespace

void Window1::_CreateControls0() {
  for (const ControlRow& row : Window1Controls()) {
    {
      Ref<Object> control = __New(InfoOf(row.cls).made());
      RuntimeCallVirtual(*control, "Constructor");
      _AddControl(std::string(row.name), control);
    }
    if (row.textSize12) SetTextSize12(*this, row);
    if (InfoOf(row.cls).textBearing) SetTextUnit0(*this, row);
    if (row.cls == ControlClass::Canvas) Held<Canvas>(*this, row)->SetBackdrop(if_k100());
    _SetProperties(*Held(*this, row), ControlBlock(row));
    if (!row.handler.event.empty()) InstallHandler(*this, row);
  }
}
