// The class table of Window: its methods, its 33 events in the platform's
// order, its properties (the window's block entries among them) and its 50
// virtual operations in slot order. The slots bound to an operation are
// those the system calls and those the platform's own windows need; the
// others are listed without one.
#include "runtime/class_entries.h"
#include "ui/window.h"

namespace {

using Args = std::span<const Variant>;

MethodFunction RefreshOp() {
  return BindMethod<Window>([](Window& w, Args a) -> Variant {
    w.Refresh(a.empty() ? false : Arg<bool>(a, 0));
    return {};
  });
}
MethodFunction AddControlOp() {
  return BindMethod<Window>([](Window& w, Args a) -> Variant {
    w._AddControl(Arg<std::string>(a, 0), Arg<Ref<Object>>(a, 1));
    return {};
  });
}
MethodFunction NewOp() {
  // Through the reflection layer the class comes by name.
  return BindMethod<Window>([](Window& w, Args a) -> Variant {
    const std::string name = Arg<std::string>(a, 0);
    const ClassTable* cls = RuntimeFindClass(name);
    if (!cls) RaiseNilObjectException("the class " + name);
    return w.__New(cls);
  });
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
  using W = Window;
  return {
      // The entries of a window's property block, in its order.
      KeptProperty("Placement", "i4", std::int32_t{0}),
      Property("Width", "i4", &W::Width, &W::SetWidth),
      Property("Height", "i4", &W::Height, &W::SetHeight),
      Property("MinWidth", "i4", &W::MinWidth, &W::SetMinWidth),
      Property("MinHeight", "i4", &W::MinHeight, &W::SetMinHeight),
      Property("MaxWidth", "i4", &W::MaxWidth, &W::SetMaxWidth),
      Property("MaxHeight", "i4", &W::MaxHeight, &W::SetMaxHeight),
      KeptProperty("Frame", "i4", std::int32_t{0}),  // 0, a document window, is the only frame shown
      KeptProperty("Composite", "b", false),
      Property("HasBackColor", "b", &W::HasBackColor, &W::SetHasBackColor),
      Property("BackColor", "c", &W::BackColor, &W::SetBackColor),
      Property("Title", "s", &W::Title, &W::SetTitle),
      Property("Visible", "b", &W::Visible, &W::SetVisible),
      KeptProperty("FullScreen", "b", false),
      Property("MenuBarVisible", "b", &W::MenuBarVisible, &W::SetMenuBarVisible),
      Property("CloseButton", "b", &W::CloseButton, &W::SetCloseButton),
      Property("Resizeable", "b", &W::Resizeable, &W::SetResizeable),
      KeptProperty("LiveResize", "b", true),
      Property("MaximizeButton", "b", &W::MaximizeButton, &W::SetMaximizeButton),
      Property("MinimizeButton", "b", &W::MinimizeButton, &W::SetMinimizeButton),
      KeptProperty("MacProcID", "i4", std::int32_t{0}),
      // The window's other properties.
      Property("ContentsChanged", "b", &W::ContentsChanged, &W::SetContentsChanged),
      ReadOnlyProperty("ControlCount", "i4", &W::ControlCount),
      Property<W>("MenuBar", "o<MenuBar>", &W::MenuBarGet,
                  [](W& w, Ref<MenuBar> bar) { w.MenuBarSet(0, std::move(bar)); }),
  };
}

std::vector<VirtualSlot> Vtable() {
  std::vector<VirtualSlot> slots;
  for (const char* name :
       {"Show", "ShowWithin", "ShowModalWithin", "Hide", "Close", "Refresh", "RefreshRect", "ShowModal",
        "NewDragItem", "AcceptTextDrop", "AcceptPictureDrop", "AcceptFileDrop", "AcceptMacDataDrop",
        "AcceptRawDataDrop", "Control", "SetFocus", "DrawInto", "_DrawBackground", "UpdateNow", "_AddControl",
        "_AddMenuHandler", "Window", "Operator_Convert", "__New", "_Move", "Maximize", "Minimize", "Restore",
        "_Update", "_CallMoved", "_EnableMenuItems", "_CallActivated", "_CallDeactivated", "_HandleMenuCommand",
        "_UnifiedClose", "_CallMouseDown", "_CallResized", "_CallResizing", "_RemoveControl", "_MouseEnter",
        "_MouseExit", "_MouseMove", "_Paint", "_MouseWheel", "_KeyDown", "__DependencyList", "Constructor",
        "TrueWindow", "FocusNext", "FocusPrevious"})
    slots.push_back(InternalSlot(name));
  const std::pair<const char*, MethodFunction> bound[] = {
      {"Show", BindMethod(&Window::Show)},         {"Hide", BindMethod(&Window::Hide)},
      {"Close", BindMethod(&Window::Close)},       {"Refresh", RefreshOp()},
      {"__New", NewOp()},                          {"_AddControl", AddControlOp()},
      {"Constructor", BindMethod(&Window::Constructor)},
  };
  for (auto& [name, function] : bound)
    for (VirtualSlot& slot : slots)
      if (slot.name == name) slot.function = function;
  return slots;
}

}  // namespace

const ClassTable* Window::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Window",
      .methods = {{"Show", "%%", BindMethod(&Window::Show)},
                  {"Hide", "%%", BindMethod(&Window::Hide)},
                  {"Close", "%%", BindMethod(&Window::Close)},
                  {"Refresh", "%%b", RefreshOp()}},
      .events = Events(),
      .properties = Properties(),
      .vtable = Vtable(),
      .factory = [] { return static_cast<Object*>(new Window()); },
  });
  return table;
}
