#include "ui/menu.h"

#include <algorithm>
#include <deque>

#include "runtime/class_entries.h"
#include "runtime/runtime.h"
#include "testing.h"

namespace {

int gLiveItems = 0;
std::function<void(const MenuItem&, const MenuItem&)> gOnAppend;

using Args = std::span<const Variant>;

// The operations of a menu item, in slot order. Overloads carry their
// parameter types in the slot name. The slots of operations that nothing
// calls (enabling, inserting and removing, closing, items by index, pop-up,
// cloning) are listed without one.
std::vector<VirtualSlot> MenuItemSlots() {
  auto bind = [](auto body) { return BindMethod<MenuItem>(body); };
  return {
      InternalSlot("Enable"),
      InternalSlot("Close"),
      InternalSlot("Item"),
      {"Count", bind([](MenuItem& m, Args) -> Variant { return m.Count(); })},
      {"Child", bind([](MenuItem& m, Args a) -> Variant { return Ref<Object>(m.Child(Arg<std::string>(a, 0))); })},
      {"Append", bind([](MenuItem& m, Args a) -> Variant {
         m.Append(Arg<Ref<MenuItem>>(a, 0));
         return {};
       })},
      InternalSlot("Insert"),
      InternalSlot("Remove(Int32)"),
      InternalSlot("Remove(MenuItem)"),
      InternalSlot("Remove(String)"),
      {"_Lookup(String)",
       bind([](MenuItem& m, Args a) -> Variant { return Ref<Object>(m._Lookup(Arg<std::string>(a, 0))); })},
      {"_Lookup(String, Int32)", bind([](MenuItem& m, Args a) -> Variant {
         return Ref<Object>(m._Lookup(Arg<std::string>(a, 0), Arg<std::int32_t>(a, 1)));
       })},
      {"MenuItem()", BindMethod(&MenuItem::Constructor)},
      InternalSlot("Constructor(String, Variant)"),
      InternalSlot("PopUp()"),
      InternalSlot("PopUp(Int32, Int32)"),
      InternalSlot("_Swap(String, MenuItem)"),
      InternalSlot("_DisableEntirely"),
      InternalSlot("_SelfEnable"),
      InternalSlot("MenuItem(String, Variant)"),
      {"Constructor()", BindMethod(&MenuItem::Constructor)},
  };
}

}  // namespace

MenuItem::MenuItem() { ++gLiveItems; }

MenuItem::~MenuItem() {
  for (auto& child : children_) child->parent_ = nullptr;
  --gLiveItems;
}

void MenuItem::Constructor() {
  text_.clear();
  shortcut_.reset();
  autoEnable_ = false;
  enabled_ = true;
}

const std::string& MenuItem::KeyboardShortcut() const noexcept {
  static const std::string kNone;
  return shortcut_ ? *shortcut_ : kNone;
}

bool MenuItem::IsSelfOrAncestor(const MenuItem* item) const noexcept {
  for (const MenuItem* m = this; m; m = m->parent_)
    if (m == item) return true;
  return false;
}

void MenuItem::Detach(MenuItem* child) noexcept {
  auto it = std::find_if(children_.begin(), children_.end(), [&](auto& c) { return c.get() == child; });
  if (it == children_.end()) return;
  child->parent_ = nullptr;
  children_.erase(it);  // may release the child: nothing of it is used after this
}

void MenuItem::Append(const Ref<MenuItem>& item) {
  if (!item) RaiseNilObjectException("the menu item to add");
  if (IsSelfOrAncestor(item.get()))
    throw RuntimeException("RuntimeException", "while adding menu item \"" + item->Name() +
                                                   "\": an item cannot be put inside itself");
  if (gOnAppend) gOnAppend(*this, *item);
  Ref<MenuItem> keep = item;  // the former parent may hold the only other reference
  if (item->parent_) item->parent_->Detach(item.get());
  children_.push_back(keep);
  keep->parent_ = this;
}

Ref<MenuItem> MenuItem::Child(std::string_view name) const {
  for (auto& child : children_)
    if (child->Name() == name) return child;
  return {};
}

Ref<MenuItem> MenuItem::_Lookup(std::string_view name, std::int32_t depth) const {
  // Breadth first, so that a menu is found before an entry of the same Name.
  std::deque<std::pair<const MenuItem*, std::int32_t>> queue{{this, 0}};
  while (!queue.empty()) {
    auto [item, level] = queue.front();
    queue.pop_front();
    if (depth > 0 && level >= depth) continue;
    for (auto& child : item->children_) {
      if (child->Name() == name) return child;
      queue.emplace_back(child.get(), level + 1);
    }
  }
  return {};
}

void MenuItem::Activate() {
  Ref<MenuItem> self(this);  // the handler may take the item out of its menu
  if (!RuntimeRaiseClassEvent(*this, "Action")) RuntimePerformMenuAction(name_);
}

void MenuItem::UpdateEnabled() {
  enabled_ = autoEnable_ || RuntimeMenuActionAvailable(name_);
  RuntimeRaiseClassEvent(*this, "EnableMenu");
}

const ClassTable* MenuItem::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "MenuItem",
      .events = {{"Action", {}}, {"EnableMenu", {}}},
      .properties =
          {
              Property("Name", "s", &MenuItem::Name, &MenuItem::SetName),
              Property("Text", "s", &MenuItem::Text, &MenuItem::SetText),
              Property("KeyboardShortcut", "s", &MenuItem::KeyboardShortcut, &MenuItem::SetKeyboardShortcut),
              Property("AutoEnable", "b", &MenuItem::AutoEnable, &MenuItem::SetAutoEnable),
              Property("Enabled", "b", &MenuItem::Enabled, &MenuItem::SetEnabled),
          },
      .vtable = MenuItemSlots(),
      .factory = [] { return static_cast<Object*>(new MenuItem()); },
  });
  return table;
}

const ClassTable* MenuBar::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "MenuBar",
      .parent = MenuItem::StaticClass(),
      .vtable = {{"_InstallClone(MenuItem)", {}}, {"__DependencyList", {}}},
      .factory = [] { return static_cast<Object*>(new MenuBar()); },
  });
  return table;
}

void QuitMenuAction() { RuntimeRequestQuit(); }

const ClassTable* QuitMenuItem::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "QuitMenuItem",
      .parent = MenuItem::StaticClass(),
      .events = {{"Action", [](Object&) { QuitMenuAction(); }}},
      .factory = [] { return static_cast<Object*>(new QuitMenuItem()); },
  });
  return table;
}

namespace menu_seam {
int LiveItems() noexcept { return gLiveItems; }
void OnAppend(std::function<void(const MenuItem&, const MenuItem&)> hook) { gOnAppend = std::move(hook); }
}  // namespace menu_seam
