// The class table of Window: its methods, its 33 events in the platform's
// order, its properties (the window's block entries among them) and its 50
// virtual operations in slot order.
#include <QWidget>

#include "runtime/class_entries.h"
#include "ui/control.h"
#include "ui/window.h"
#include "ui/window_qt.h"

namespace {

using Args = std::span<const Variant>;

template <class F>
MethodFunction W(F f) {
  return BindMethod<Window>(std::move(f));
}

Variant None() { return {}; }

MethodFunction ShowOp() { return W([](Window& w, Args) { w.Show(); return None(); }); }
MethodFunction HideOp() { return W([](Window& w, Args) { w.Hide(); return None(); }); }
MethodFunction CloseOp() { return W([](Window& w, Args) { w.Close(); return None(); }); }
MethodFunction RefreshOp() {
  return W([](Window& w, Args a) { w.Refresh(a.empty() ? false : Arg<bool>(a, 0)); return None(); });
}
MethodFunction RefreshRectOp() {
  return W([](Window& w, Args a) {
    if (QWidget* content = WindowContentWidget(w))
      content->update(Arg<std::int32_t>(a, 0), Arg<std::int32_t>(a, 1), Arg<std::int32_t>(a, 2),
                      Arg<std::int32_t>(a, 3));
    return None();
  });
}
MethodFunction UpdateNowOp() {
  return W([](Window& w, Args) {
    if (QMainWindow* frame = WindowQMainWindow(w)) frame->repaint();
    return None();
  });
}
MethodFunction ControlOp() {
  return W([](Window& w, Args a) -> Variant { return w.ControlAt(Arg<std::int32_t>(a, 0)); });
}
MethodFunction SetFocusOp() {
  return W([](Window& w, Args) {
    if (QMainWindow* frame = WindowQMainWindow(w)) frame->activateWindow();
    return None();
  });
}
MethodFunction AddControlOp() {
  return W([](Window& w, Args a) {
    w._AddControl(Arg<std::string>(a, 0), Arg<Ref<Object>>(a, 1));
    return None();
  });
}
MethodFunction SelfOp() { return W([](Window& w, Args) -> Variant { return Ref<Object>(&w); }); }
MethodFunction NewOp() {
  // Through the reflection layer the class comes by name.
  return W([](Window& w, Args a) -> Variant {
    const std::string name = Arg<std::string>(a, 0);
    const ClassTable* cls = RuntimeFindClass(name);
    if (!cls) RaiseNilObjectException("the class " + name);
    return w.__New(cls);
  });
}
MethodFunction MinimizeOp() { return W([](Window& w, Args) { w.Minimize(); return None(); }); }
MethodFunction MaximizeOp() { return W([](Window& w, Args) { w.Maximize(); return None(); }); }
MethodFunction RestoreOp() { return W([](Window& w, Args) { w.Restore(); return None(); }); }
MethodFunction ActivatedOp() { return W([](Window& w, Args) { w._Activated(); return None(); }); }
MethodFunction DeactivatedOp() { return W([](Window& w, Args) { w._Deactivated(); return None(); }); }
MethodFunction ConstructorOp() { return W([](Window& w, Args) { w.Constructor(); return None(); }); }
MethodFunction FocusNextOp() { return W([](Window& w, Args) { w.FocusNext(); return None(); }); }
MethodFunction FocusPreviousOp() { return W([](Window& w, Args) { w.FocusPrevious(); return None(); }); }

std::vector<MethodEntry> Methods() {
  return {
      {"Show", "%%", ShowOp()},
      {"Hide", "%%", HideOp()},
      {"Close", "%%", CloseOp()},
      {"Refresh", "%%b", RefreshOp()},
      {"RefreshRect", "%%i4i4i4i4", RefreshRectOp()},
      {"UpdateNow", "%%", UpdateNowOp()},
      {"Control", "%o<RectControl>%i4", ControlOp()},
      {"SetFocus", "%%", SetFocusOp()},
      {"Minimize", "%%", MinimizeOp()},
      {"Maximize", "%%", MaximizeOp()},
      {"Restore", "%%", RestoreOp()},
      {"FocusNext", "%%", FocusNextOp()},
      {"FocusPrevious", "%%", FocusPreviousOp()},
  };
}

std::vector<EventEntry> Events() {
  std::vector<EventEntry> events;
  for (const char* name :
       {"Layout", "CreateControls", "AddMenuHandlers", "SetupBindings", "Open", "Close", "CancelClose", "KeyDown",
        "KeyUp", "MouseMove", "MouseEnter", "MouseExit", "Paint", "MouseDown", "MouseDrag", "MouseUp",
        "EnableMenuItems", "Resized", "Resizing", "Moved", "DropObject", "Activate", "Deactivate", "Minimize",
        "Maximize", "Restore", "MouseWheel", "ConstructContextualMenu", "ContextualMenuAction", "DragEnter",
        "DragExit", "DragOver", "ContentsChanged"})
    events.push_back({name, nullptr});
  return events;
}

std::vector<PropertyEntry> Properties() {
  return {
      // The entries of a window's property block, in its order.
      Property("Placement", "i4", &Window::Placement, &Window::SetPlacement),
      Property("Width", "i4", &Window::Width, &Window::SetWidth),
      Property("Height", "i4", &Window::Height, &Window::SetHeight),
      Property("MinWidth", "i4", &Window::MinWidth, &Window::SetMinWidth),
      Property("MinHeight", "i4", &Window::MinHeight, &Window::SetMinHeight),
      Property("MaxWidth", "i4", &Window::MaxWidth, &Window::SetMaxWidth),
      Property("MaxHeight", "i4", &Window::MaxHeight, &Window::SetMaxHeight),
      Property("Frame", "i4", &Window::Frame, &Window::SetFrame),
      KeptProperty("Composite", "b", false),
      Property("HasBackColor", "b", &Window::HasBackColor, &Window::SetHasBackColor),
      Property("BackColor", "c", &Window::BackColor, &Window::SetBackColor),
      Property("Title", "s", &Window::Title, &Window::SetTitle),
      Property("Visible", "b", &Window::Visible, &Window::SetVisible),
      Property("FullScreen", "b", &Window::FullScreen, &Window::SetFullScreen),
      Property("MenuBarVisible", "b", &Window::MenuBarVisible, &Window::SetMenuBarVisible),
      Property("CloseButton", "b", &Window::CloseButton, &Window::SetCloseButton),
      Property("Resizeable", "b", &Window::Resizeable, &Window::SetResizeable),
      KeptProperty("LiveResize", "b", true),
      Property("MaximizeButton", "b", &Window::MaximizeButton, &Window::SetMaximizeButton),
      Property("MinimizeButton", "b", &Window::MinimizeButton, &Window::SetMinimizeButton),
      KeptProperty("MacProcID", "i4", std::int32_t{0}),
      // The window's other properties.
      Property("Left", "i4", &Window::Left, &Window::SetLeft),
      Property("Top", "i4", &Window::Top, &Window::SetTop),
      Property("ContentsChanged", "b", &Window::ContentsChanged, &Window::SetContentsChanged),
      ReadOnlyProperty("ControlCount", "i4", &Window::ControlCount),
      Property<Window>("MenuBar", "o<MenuBar>", &Window::MenuBarGet,
                       [](Window& w, Ref<MenuBar> bar) { w.MenuBarSet(0, std::move(bar)); }),
  };
}

std::vector<VirtualSlot> Vtable() {
  return {
      {"Show", ShowOp()},
      InternalSlot("ShowWithin"),
      InternalSlot("ShowModalWithin"),
      {"Hide", HideOp()},
      {"Close", CloseOp()},
      {"Refresh", RefreshOp()},
      {"RefreshRect", RefreshRectOp()},
      InternalSlot("ShowModal"),
      InternalSlot("NewDragItem"),
      InternalSlot("AcceptTextDrop"),
      InternalSlot("AcceptPictureDrop"),
      InternalSlot("AcceptFileDrop"),
      InternalSlot("AcceptMacDataDrop"),
      InternalSlot("AcceptRawDataDrop"),
      {"Control", ControlOp()},
      {"SetFocus", SetFocusOp()},
      InternalSlot("DrawInto"),
      InternalSlot("_DrawBackground"),
      {"UpdateNow", UpdateNowOp()},
      {"_AddControl", AddControlOp()},
      InternalSlot("_AddMenuHandler"),
      {"Window", SelfOp()},
      InternalSlot("Operator_Convert"),
      {"__New", NewOp()},
      InternalSlot("_Move"),
      {"Maximize", MaximizeOp()},
      {"Minimize", MinimizeOp()},
      {"Restore", RestoreOp()},
      InternalSlot("_Update"),
      InternalSlot("_CallMoved"),
      InternalSlot("_EnableMenuItems"),
      {"_CallActivated", ActivatedOp()},
      {"_CallDeactivated", DeactivatedOp()},
      InternalSlot("_HandleMenuCommand"),
      {"_UnifiedClose", CloseOp()},
      InternalSlot("_CallMouseDown"),
      InternalSlot("_CallResized"),
      InternalSlot("_CallResizing"),
      InternalSlot("_RemoveControl"),
      InternalSlot("_MouseEnter"),
      InternalSlot("_MouseExit"),
      InternalSlot("_MouseMove"),
      InternalSlot("_Paint"),
      InternalSlot("_MouseWheel"),
      InternalSlot("_KeyDown"),
      InternalSlot("__DependencyList"),
      {"Constructor", ConstructorOp()},
      {"TrueWindow", SelfOp()},
      {"FocusNext", FocusNextOp()},
      {"FocusPrevious", FocusPreviousOp()},
  };
}

}  // namespace

const ClassTable* Window::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Window",
      .methods = Methods(),
      .events = Events(),
      .properties = Properties(),
      .vtable = Vtable(),
      .factory = [] { return static_cast<Object*>(new Window()); },
  });
  return table;
}
