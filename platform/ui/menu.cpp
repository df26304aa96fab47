#include "ui/menu.h"

#include <algorithm>
#include <deque>

#include "runtime/class_entries.h"
#include "runtime/runtime.h"

namespace {

int gLiveItems = 0;
std::function<void(const MenuItem&, const MenuItem&)> gOnAppend;

std::int32_t IntArg(std::span<const Variant> a, std::size_t i) { return VariantAs<std::int32_t>(a[i], "an Integer"); }
const std::string& StrArg(std::span<const Variant> a, std::size_t i) { return VariantAs<std::string>(a[i], "a String"); }
Ref<MenuItem> ItemArg(std::span<const Variant> a, std::size_t i) {
  return DynamicRef<MenuItem>(VariantAs<Ref<Object>>(a[i], "a MenuItem"));
}
void Arity(std::span<const Variant> a, std::size_t n) {
  if (a.size() != n) throw RuntimeException("RuntimeException", "a menu operation got the wrong number of arguments");
}

// A slot whose operation takes the item and returns nothing.
template <class F>
VirtualSlot Slot(std::string name, std::size_t arity, F body) {
  return {std::move(name), [arity, body](Object& self, std::span<const Variant> args) -> Variant {
            Arity(args, arity);
            return body(Receiver<MenuItem>(self), args);
          }};
}

Variant None() { return {}; }

// The operations of a menu item, in slot order. Overloads carry their
// parameter types in the slot name; the platform's internal operations
// (pop-up, cloning, dependency lists) have no entry.
std::vector<VirtualSlot> MenuItemSlots() {
  using A = std::span<const Variant>;
  return {
      Slot("Enable", 0, [](MenuItem& m, A) { m.Enable(); return None(); }),
      Slot("Close", 0, [](MenuItem& m, A) { m.Close(); return None(); }),
      Slot("Item", 1, [](MenuItem& m, A a) -> Variant { return Ref<Object>(m.Item(IntArg(a, 0))); }),
      Slot("Count", 0, [](MenuItem& m, A) -> Variant { return m.Count(); }),
      Slot("Child", 1, [](MenuItem& m, A a) -> Variant { return Ref<Object>(m.Child(StrArg(a, 0))); }),
      Slot("Append", 1, [](MenuItem& m, A a) { m.Append(ItemArg(a, 0)); return None(); }),
      Slot("Insert", 2, [](MenuItem& m, A a) { m.Insert(IntArg(a, 0), ItemArg(a, 1)); return None(); }),
      Slot("Remove(Int32)", 1, [](MenuItem& m, A a) { m.Remove(IntArg(a, 0)); return None(); }),
      Slot("Remove(MenuItem)", 1, [](MenuItem& m, A a) { m.Remove(ItemArg(a, 0)); return None(); }),
      Slot("Remove(String)", 1, [](MenuItem& m, A a) { m.Remove(std::string_view(StrArg(a, 0))); return None(); }),
      Slot("_Lookup(String)", 1, [](MenuItem& m, A a) -> Variant { return Ref<Object>(m._Lookup(StrArg(a, 0))); }),
      Slot("_Lookup(String, Int32)", 2,
           [](MenuItem& m, A a) -> Variant { return Ref<Object>(m._Lookup(StrArg(a, 0), IntArg(a, 1))); }),
      Slot("MenuItem()", 0, [](MenuItem& m, A) { m.Constructor(); return None(); }),
      Slot("Constructor(String, Variant)", 2, [](MenuItem& m, A a) { m.Constructor(StrArg(a, 0), a[1]); return None(); }),
      {"PopUp()", {}},
      {"PopUp(Int32, Int32)", {}},
      {"_Swap(String, MenuItem)", {}},
      {"_DisableEntirely", {}},
      {"_SelfEnable", {}},
      Slot("MenuItem(String, Variant)", 2, [](MenuItem& m, A a) { m.Constructor(StrArg(a, 0), a[1]); return None(); }),
      Slot("Constructor()", 0, [](MenuItem& m, A) { m.Constructor(); return None(); }),
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

void MenuItem::Constructor(std::string text, Variant tag) {
  Constructor();
  text_ = std::move(text);
  tag_ = std::move(tag);
}

const std::string& MenuItem::KeyboardShortcut() const noexcept {
  static const std::string kNone;
  return shortcut_ ? *shortcut_ : kNone;
}

Ref<MenuItem> MenuItem::Item(std::int32_t index) const {
  if (index < 0 || index >= Count()) return {};
  return children_[static_cast<std::size_t>(index)];
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

void MenuItem::Append(const Ref<MenuItem>& item) { Insert(Count(), item); }

void MenuItem::Insert(std::int32_t index, const Ref<MenuItem>& item) {
  if (!item) RaiseNilObjectException("the menu item to add");
  if (IsSelfOrAncestor(item.get()))
    throw RuntimeException("RuntimeException", "while adding menu item \"" + item->Name() +
                                                   "\": an item cannot be put inside itself");
  if (gOnAppend) gOnAppend(*this, *item);
  Ref<MenuItem> keep = item;  // the former parent may hold the only other reference
  if (item->parent_) item->parent_->Detach(item.get());
  index = std::clamp(index, std::int32_t{0}, Count());
  children_.insert(children_.begin() + index, keep);
  keep->parent_ = this;
}

void MenuItem::Remove(std::int32_t index) {
  if (Ref<MenuItem> child = Item(index)) Detach(child.get());
}

void MenuItem::Remove(const Ref<MenuItem>& item) {
  if (item) Detach(item.get());
}

void MenuItem::Remove(std::string_view name) {
  if (Ref<MenuItem> child = Child(name)) Detach(child.get());
}

void MenuItem::Close() {
  Ref<MenuItem> self(this);  // keeps the item alive while its parent lets go
  if (parent_) parent_->Detach(this);
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
