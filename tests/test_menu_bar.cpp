// The application's menu bar as data: its items, its sharing, its class
// table, and what a failure while building leaves behind.
#include <gtest/gtest.h>

#include "app/menu_bar.h"
#include "testing.h"

namespace {

enum class Shortcut { NeverSet, Empty, Set };

struct Expected {
  const char* menu;  // nullptr: a menu title on the bar
  const char* name;
  const char* text;
  Shortcut shortcutState;
  const char* shortcut;
  bool autoEnable;
  bool quitItem;
};

// Display order: File first, then Edit with its six entries.
const Expected kBar[] = {
    {nullptr, "UntitledMenu2", "File", Shortcut::Empty, "", false, false},
    {"UntitledMenu2", "FileQuit", "Quit", Shortcut::Set, "Cmd+Q", true, true},
    {nullptr, "UntitledMenu0", "Edit", Shortcut::Empty, "", false, false},
    {"UntitledMenu0", "EditUndo", "Undo", Shortcut::Set, "Cmd+Z", false, false},
    {"UntitledMenu0", "UntitledMenu1", "-", Shortcut::NeverSet, "", false, false},
    {"UntitledMenu0", "EditCut", "Cut", Shortcut::Set, "Cmd+X", false, false},
    {"UntitledMenu0", "EditCopy", "Copy", Shortcut::Set, "Cmd+C", false, false},
    {"UntitledMenu0", "EditPaste", "Paste", Shortcut::Set, "Cmd+V", false, false},
    {"UntitledMenu0", "EditClear", "Clear", Shortcut::Empty, "", false, false},
};

// The bar, flattened in display order: each menu, then its entries.
std::vector<std::pair<const MenuItem*, Ref<MenuItem>>> Flatten(const MenuBar& bar) {
  std::vector<std::pair<const MenuItem*, Ref<MenuItem>>> out;
  for (auto& menu : bar.Children()) {
    out.emplace_back(&bar, menu);
    for (auto& entry : menu->Children()) out.emplace_back(menu.get(), entry);
  }
  return out;
}

void ExpectCompleteBar(const MenuBar& bar) {
  auto items = Flatten(bar);
  ASSERT_EQ(items.size(), std::size(kBar));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Expected& e = kBar[i];
    const auto& [parent, item] = items[i];
    SCOPED_TRACE(e.name);
    const std::string parentName = parent == &bar ? "" : parent->Name();
    EXPECT_EQ(parentName, e.menu ? e.menu : "");
    EXPECT_EQ(item->Name(), e.name);
    EXPECT_EQ(item->Text(), e.text);
    EXPECT_EQ(item->KeyboardShortcutIsSet(), e.shortcutState != Shortcut::NeverSet);
    EXPECT_EQ(item->KeyboardShortcut(), e.shortcut);
    EXPECT_EQ(item->AutoEnable(), e.autoEnable);
    EXPECT_EQ(item->Class(), e.quitItem ? QuitMenuItem::StaticClass() : MenuItem::StaticClass());
    EXPECT_EQ(item->Parent(), parent);
  }
}

class MenuBarTest : public ::testing::Test {
 protected:
  void SetUp() override { Menu::Menu::__ctblinit(); }
  void TearDown() override {
    menu_seam::OnAppend(nullptr);
    Menu::_implicitInstance__Exit();
    EXPECT_EQ(menu_seam::LiveItems(), 0) << "every item of the bar is let go with it";
  }
};

}  // namespace

TEST_F(MenuBarTest, IsBuiltOnceWithEveryItemAsDeclaredAndShared) {
  Ref<Menu::Menu> first = Menu::Instance();
  ExpectCompleteBar(*first);
  const int items = menu_seam::LiveItems();
  EXPECT_EQ(items, 1 + static_cast<int>(std::size(kBar)));
  Ref<Menu::Menu> second = Menu::Instance();
  EXPECT_EQ(first.get(), second.get());
  EXPECT_EQ(menu_seam::LiveItems(), items) << "the second request builds nothing";
  EXPECT_EQ(first->Class(), Menu::Menu::__Lookup());
  EXPECT_EQ(first->Class()->Name(), "Menu.Menu");
}

TEST_F(MenuBarTest, LookupFindsMenusAndEntriesByNameAndNothingForAnUnknownName) {
  Ref<Menu::Menu> bar = Menu::Instance();
  for (const Expected& e : kBar) {
    Ref<MenuItem> found = bar->_Lookup(e.name);
    ASSERT_TRUE(found) << e.name;
    EXPECT_EQ(found->Name(), e.name);
  }
  EXPECT_EQ(bar->_Lookup("EditCut")->Parent(), bar->Child("UntitledMenu0").get()) << "two levels below the bar";
  EXPECT_TRUE(bar->_Lookup("UntitledMenu3").IsNil());
  EXPECT_TRUE(bar->_Lookup("EditCut", 1).IsNil()) << "one level only";
  EXPECT_TRUE(bar->Child("EditCut").IsNil()) << "Child looks at direct children only";
  // The lookup is the class table's own operation too.
  const Variant name = std::string("FileQuit");
  Variant viaSlot = RuntimeCallVirtual(*bar, "_Lookup(String)", std::span(&name, 1));
  EXPECT_EQ(std::get<Ref<Object>>(viaSlot).get(), bar->_Lookup("FileQuit").get());
}

TEST_F(MenuBarTest, AFailureWhileBuildingLeavesNoInstanceAndTheNextRequestBuildsAWholeBar) {
  // Every point of failure: a menu title, the first entry, an entry late in Edit.
  for (const char* failAt : {"UntitledMenu0", "FileQuit", "EditPaste"}) {
    SCOPED_TRACE(failAt);
    menu_seam::OnAppend([failAt](const MenuItem&, const MenuItem& item) {
      if (item.Name() == failAt) throw NilObjectException("the menu to append to is absent");
    });
    EXPECT_THROW(Menu::Instance(), NilObjectException);
    EXPECT_EQ(menu_seam::LiveItems(), 0) << "the half-built bar is released";
    menu_seam::OnAppend(nullptr);
    Ref<Menu::Menu> bar = Menu::Instance();
    ExpectCompleteBar(*bar);
    EXPECT_EQ(Menu::Instance().get(), bar.get());
    bar.Reset();
    Menu::_implicitInstance__Exit();
  }
}

TEST_F(MenuBarTest, ReleasingTheInstanceLetsTheBarGoAndALaterRequestBuildsANewOne) {
  Ref<Menu::Menu> bar = Menu::Instance();
  bar.Reset();
  EXPECT_GT(menu_seam::LiveItems(), 0) << "the global still holds the bar";
  Menu::_implicitInstance__Exit();
  EXPECT_EQ(menu_seam::LiveItems(), 0);
  Menu::_implicitInstance__Exit();  // releasing an empty global is harmless
  ExpectCompleteBar(*Menu::Instance());
}

TEST_F(MenuBarTest, TheClassTableReplacesOnlyTheNoArgumentConstructorAndAddsTheTwoBuilders) {
  const ClassTable* table = Menu::Menu::__Lookup();
  EXPECT_EQ(table->Parent(), MenuBar::StaticClass());
  std::vector<std::string> slots;
  for (auto& s : table->Vtable()) slots.push_back(s.name);
  const std::vector<std::string> expected = {
      "Enable", "Close", "Item", "Count", "Child", "Append", "Insert", "Remove(Int32)", "Remove(MenuItem)",
      "Remove(String)", "_Lookup(String)", "_Lookup(String, Int32)", "MenuItem()", "Constructor(String, Variant)",
      "PopUp()", "PopUp(Int32, Int32)", "_Swap(String, MenuItem)", "_DisableEntirely", "_SelfEnable",
      "MenuItem(String, Variant)", "Constructor()", "_InstallClone(MenuItem)", "__DependencyList", "Untitled1",
      "Untitled2"};
  EXPECT_EQ(slots, expected);
  // A bare object built through its own Constructor() slot gets both menus.
  Ref<Object> bare = RuntimeNewObject(table);
  EXPECT_EQ(dynamic_cast<MenuItem&>(*bare).Count(), 0) << "making the object builds nothing";
  RuntimeCallVirtual(*bare, "Constructor()");
  ExpectCompleteBar(dynamic_cast<MenuBar&>(*bare));
}
