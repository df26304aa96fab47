// The window's menu-item accessors: an item of the window's menu bar by its Name.
#include "mainwindow/window1.h"

namespace {

// The item of that Name anywhere in the window's bar, as the class. The
// lookup's result goes to the type test as it comes: a Name that no item
// carries (UntitledMenu3) gives none, which the test refuses with
// NilObjectException.
template <class Item>
Ref<Item> BarItem(Window1& window, std::string_view name) {
  Ref<MenuBar> bar = window.MenuBarGet();
  if (!bar) RaiseNilObjectException("the menu bar of the window");
  Ref<MenuItem> item = bar->_Lookup(name);
  return RuntimeCheckCastAs<Item>(Ref<Object>(item), Item::StaticClass());
}

}  // namespace

Ref<MenuItem> Window1::UntitledMenu0() { return BarItem<MenuItem>(*this, "UntitledMenu0"); }
Ref<MenuItem> Window1::EditClear() { return BarItem<MenuItem>(*this, "EditClear"); }
Ref<MenuItem> Window1::EditPaste() { return BarItem<MenuItem>(*this, "EditPaste"); }
Ref<MenuItem> Window1::EditCopy() { return BarItem<MenuItem>(*this, "EditCopy"); }
Ref<MenuItem> Window1::EditCut() { return BarItem<MenuItem>(*this, "EditCut"); }
Ref<MenuItem> Window1::UntitledMenu1() { return BarItem<MenuItem>(*this, "UntitledMenu1"); }
Ref<MenuItem> Window1::EditUndo() { return BarItem<MenuItem>(*this, "EditUndo"); }
Ref<MenuItem> Window1::UntitledMenu2() { return BarItem<MenuItem>(*this, "UntitledMenu2"); }
Ref<QuitMenuItem> Window1::FileQuit() { return BarItem<QuitMenuItem>(*this, "FileQuit"); }
Ref<MenuItem> Window1::UntitledMenu3() { return BarItem<MenuItem>(*this, "UntitledMenu3"); }
