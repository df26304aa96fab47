#pragma once
// Menus: items, the menu bar and the quit item. A menu bar is a tree of
// items; its children are the menus, theirs the entries. The tree is plain
// data here; platform/ui/menu_qt.* shows it in a window.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/classes.h"

class MenuItem : public Object {
 public:
  MenuItem();
  ~MenuItem() override;

  // The platform's default construction (the virtual no-argument
  // Constructor): an item with no text, no shortcut, AutoEnable off.
  void Constructor();

  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  const std::string& Text() const noexcept { return text_; }
  void SetText(std::string text) { text_ = std::move(text); }
  // The shortcut as written ("Cmd+Q"); empty when never set or set empty.
  const std::string& KeyboardShortcut() const noexcept;
  // Whether KeyboardShortcut was ever set (an item may have it set to "").
  bool KeyboardShortcutIsSet() const noexcept { return shortcut_.has_value(); }
  void SetKeyboardShortcut(std::string shortcut) { shortcut_ = std::move(shortcut); }
  bool AutoEnable() const noexcept { return autoEnable_; }
  void SetAutoEnable(bool on) noexcept { autoEnable_ = on; }
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool on) noexcept { enabled_ = on; }
  bool IsSeparator() const noexcept { return text_ == "-"; }

  // Children, in the order they were appended.
  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(children_.size()); }
  const std::vector<Ref<MenuItem>>& Children() const noexcept { return children_; }
  MenuItem* Parent() const noexcept { return parent_; }
  // Adds the item at the end (taking it from a former parent); raises
  // NilObjectException for none, and refuses the item itself or one of
  // its ancestors, which would make the tree a loop.
  void Append(const Ref<MenuItem>& item);
  // The direct child of that Name, or none.
  Ref<MenuItem> Child(std::string_view name) const;
  // The item of that Name anywhere below this one, nearer levels first;
  // `depth` limits how many levels are searched (below 1: all of them).
  Ref<MenuItem> _Lookup(std::string_view name, std::int32_t depth = 0) const;

  // The user chose the item: raises its Action event; when its class
  // handles none, the platform's own action for its Name runs (the Edit
  // entries act on the focused text field).
  void Activate();
  // Before its menu opens: enabled when AutoEnable is on or the
  // platform's own action for the Name applies now; then EnableMenu.
  void UpdateEnabled();

  static const ClassTable* StaticClass();

 private:
  bool IsSelfOrAncestor(const MenuItem* item) const noexcept;
  void Detach(MenuItem* child) noexcept;

  std::string name_;
  std::string text_;
  std::optional<std::string> shortcut_;
  bool autoEnable_ = false;
  bool enabled_ = true;
  std::vector<Ref<MenuItem>> children_;
  MenuItem* parent_ = nullptr;  // not owned: the parent owns this item
};

class MenuBar : public MenuItem {
 public:
  static const ClassTable* StaticClass();
};

// An item whose Action runs the platform's quit action.
class QuitMenuItem : public MenuItem {
 public:
  static const ClassTable* StaticClass();
};

// The platform's quit action: ends the event loop, so that shut-down runs.
void QuitMenuAction();

// The standard actions the platform offers for items by Name (the Edit
// entries on the focused text field); implemented beside the Qt menus.
bool RuntimeMenuActionAvailable(std::string_view name);
bool RuntimePerformMenuAction(std::string_view name);
