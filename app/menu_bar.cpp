#include "app/menu_bar.h"

#include <span>

#include "runtime/class_entries.h"
#include "runtime/trace.h"

namespace Menu {
namespace {

// One item of the bar, in the order it is built. `shortcut` nullptr: never
// set; "": set to the empty text. `parent` nullptr: the bar itself,
// otherwise the Name of the bar's menu that receives the item.
struct ItemRow {
  const ClassTable* (*itemClass)();
  const char* name;
  bool autoEnable;
  const char* text;
  const char* shortcut;
  const char* parent;
};

// The Names are not in display order: File is "UntitledMenu2", Edit
// "UntitledMenu0".
constexpr ItemRow kFileMenu[] = {
    {&MenuItem::StaticClass, "UntitledMenu2", false, "File", "", nullptr},
    {&QuitMenuItem::StaticClass, "FileQuit", true, "Quit", "Cmd+Q", "UntitledMenu2"},
};

constexpr ItemRow kEditMenu[] = {
    {&MenuItem::StaticClass, "UntitledMenu0", false, "Edit", "", nullptr},
    {&MenuItem::StaticClass, "EditUndo", false, "Undo", "Cmd+Z", "UntitledMenu0"},
    {&MenuItem::StaticClass, "UntitledMenu1", false, "-", nullptr, "UntitledMenu0"},
    {&MenuItem::StaticClass, "EditCut", false, "Cut", "Cmd+X", "UntitledMenu0"},
    {&MenuItem::StaticClass, "EditCopy", false, "Copy", "Cmd+C", "UntitledMenu0"},
    {&MenuItem::StaticClass, "EditPaste", false, "Paste", "Cmd+V", "UntitledMenu0"},
    {&MenuItem::StaticClass, "EditClear", false, "Clear", "", "UntitledMenu0"},
};

// Each item is made, constructed, filled and appended before the next is
// made; a menu is looked up anew for every item. A nil item or menu raises
// NilObjectException (through Ref), and what was made is released.
void BuildItems(MenuItem& bar, std::span<const ItemRow> rows) {
  for (const ItemRow& row : rows) {
    Ref<Object> object = RuntimeNewObject(row.itemClass());
    RuntimeCallVirtual(object.Deref(), "Constructor()");
    Ref<MenuItem> item = DynamicRef<MenuItem>(object);
    item->SetName(row.name);
    item->SetAutoEnable(row.autoEnable);
    item->SetText(row.text);
    if (row.shortcut) item->SetKeyboardShortcut(row.shortcut);
    Ref<MenuItem> parent = row.parent ? bar.Child(row.parent) : Ref<MenuItem>(&bar);
    parent->Append(item);
  }
}

// An own operation of the class: takes only the object, returns nothing.
MethodEntry PublicMethod(const char* name, void (Menu::*op)()) {
  return {name, "%%", BindMethod(op), "Delegate.IM_Invoke%%", {{"__Scope", "Public"}}};
}

const ClassTable* gTable = nullptr;  // Menu.Menu.__ctbl

// Menu._implicitInstance. Never destroyed, so that a bar still held when
// the process ends is not let go after the class tables it uses.
Ref<Menu>& ImplicitInstance() {
  static auto* instance = new Ref<Menu>();
  return *instance;
}

}  // namespace

void Menu::Constructor() {
  RuntimeCallVirtual(*this, "Untitled1");
  RuntimeCallVirtual(*this, "Untitled2");
}

void Menu::Untitled1() { BuildItems(*this, kFileMenu); }

void Menu::Untitled2() { BuildItems(*this, kEditMenu); }

const ClassTable* Menu::__Lookup() {
  if (!gTable) __ctblinit();
  return gTable;
}

void Menu::__ctblinit() {
  if (gTable) return;
  gTable = RuntimeNewClass({
      .name = "Menu.Menu",
      .parent = MenuBar::StaticClass(),
      .methods = {PublicMethod("Constructor", &Menu::Constructor), PublicMethod("Untitled1", &Menu::Untitled1),
                  PublicMethod("Untitled2", &Menu::Untitled2)},
      .attributes = {{"__Scope", "Public"}},
      // Replaces MenuItem's Constructor(); adds the two menu builders.
      .vtable = {{"Constructor()", BindMethod(&Menu::Constructor)},
                 {"Untitled1", BindMethod(&Menu::Untitled1)},
                 {"Untitled2", BindMethod(&Menu::Untitled2)}},
      .factory = [] { return static_cast<Object*>(new Menu()); },
  });
}

Ref<Menu> Instance() {
  Ref<Menu>& held = ImplicitInstance();
  if (!held) {
    Ref<Menu> bar = RuntimeCheckCastAs<Menu>(RuntimeNewObject(Menu::__Lookup()), Menu::__Lookup());
    RuntimeCallVirtual(*bar, "Constructor()");
    // Kept only once it is complete: a failure above drops the half-built bar.
    held = std::move(bar);
  }
  return held;
}

void _implicitInstance__Exit() {
  RuntimeTrace("release Menu._implicitInstance");
  ImplicitInstance().Reset();
}

}  // namespace Menu
