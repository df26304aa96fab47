// How the platform shows a menu bar on Qt: separators, shortcuts on the
// primary modifier, enabling, the Edit entries on the focused text field,
// and the quit item.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTest>

#include "app/menu_bar.h"
#include "runtime/runtime.h"
#include "ui/menu_qt.h"

TEST(MenuShortcut, MapsTheWrittenShortcutToThePrimaryModifier) {
  struct Case {
    const char* text;
    QKeySequence expected;
  };
  const Case cases[] = {
      {"Cmd+Q", QKeySequence(Qt::CTRL | Qt::Key_Q)},
      {"Cmd+Z", QKeySequence(Qt::CTRL | Qt::Key_Z)},
      {"Shift+Cmd+Z", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
      {"Option+Cmd+X", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_X)},
      {"Cmd++", QKeySequence(Qt::CTRL | Qt::Key_Plus)},
      {"F5", QKeySequence(Qt::Key_F5)},
      {"", QKeySequence()},
      {"Cmd+", QKeySequence()},
      {"Hyper+Q", QKeySequence()},
      {"Cmd+NoSuchKey", QKeySequence()},
  };
  for (const Case& c : cases) EXPECT_EQ(MenuShortcutToKeySequence(c.text), c.expected) << c.text;
}

namespace {

// The application's bar shown in a window of the test's own, with one text
// field that has the focus.
class QtMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RuntimeInit();
    Menu::Menu::__ctblinit();
    bar_ = Menu::Instance();
    window_ = new QMainWindow();
    field_ = new QLineEdit(window_);
    window_->setCentralWidget(field_);
    qbar_ = BuildQtMenuBar(*bar_, window_);
    window_->setMenuBar(qbar_);
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    field_->setFocus();
    QApplication::processEvents();
  }
  void TearDown() override {
    delete window_;
    bar_.Reset();
    Menu::_implicitInstance__Exit();
    RuntimeExit();
  }

  QAction* Action(const char* name) { return qbar_->findChild<QAction*>(name); }
  QMenu* MenuNamed(const char* name) { return qbar_->findChild<QMenu*>(name); }
  // What opening the Edit menu does to its entries.
  void OpenEdit() { emit MenuNamed("UntitledMenu0")->aboutToShow(); }
  // Opens the Edit menu and chooses the entry, as a user would.
  void Choose(const char* name) {
    OpenEdit();
    Action(name)->trigger();
  }

  Ref<Menu::Menu> bar_;
  QMainWindow* window_ = nullptr;
  QLineEdit* field_ = nullptr;
  QMenuBar* qbar_ = nullptr;
};

}  // namespace

TEST_F(QtMenuTest, ShowsFileThenEditWithASeparatorAndTheShortcuts) {
  const auto titles = qbar_->actions();
  ASSERT_EQ(titles.size(), 2);
  EXPECT_EQ(titles[0]->text(), "File");
  EXPECT_EQ(titles[1]->text(), "Edit");
  EXPECT_TRUE(titles[0]->isEnabled() && titles[1]->isEnabled()) << "titles open whatever their AutoEnable";

  const auto file = titles[0]->menu()->actions();
  ASSERT_EQ(file.size(), 1);
  EXPECT_EQ(file[0]->text(), "Quit");
  EXPECT_EQ(file[0]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  EXPECT_TRUE(file[0]->isEnabled()) << "AutoEnable";

  struct Row {
    const char* text;  // nullptr: a separator
    QKeySequence shortcut;
  };
  const Row edit[] = {{"Undo", QKeySequence(Qt::CTRL | Qt::Key_Z)}, {nullptr, {}},
                      {"Cut", QKeySequence(Qt::CTRL | Qt::Key_X)},  {"Copy", QKeySequence(Qt::CTRL | Qt::Key_C)},
                      {"Paste", QKeySequence(Qt::CTRL | Qt::Key_V)}, {"Clear", QKeySequence()}};
  const auto actions = titles[1]->menu()->actions();
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(edit)));
  for (qsizetype i = 0; i < actions.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actions[i]->isSeparator(), edit[i].text == nullptr);
    if (edit[i].text) {
      EXPECT_EQ(actions[i]->text(), edit[i].text);
    }
    EXPECT_EQ(actions[i]->shortcut(), edit[i].shortcut);
  }
}

TEST_F(QtMenuTest, EditEntriesActOnTheFocusedFieldAndAreEnabledOnlyWhenTheyApply) {
  QGuiApplication::clipboard()->clear();
  field_->setText("hello world");
  OpenEdit();
  for (const char* name : {"EditUndo", "EditCut", "EditCopy", "EditPaste", "EditClear"})
    EXPECT_FALSE(Action(name)->isEnabled()) << name << ": nothing selected, nothing to undo or paste";

  field_->setSelection(6, 5);  // "world"
  OpenEdit();
  for (const char* name : {"EditCut", "EditCopy", "EditClear"}) EXPECT_TRUE(Action(name)->isEnabled()) << name;
  Choose("EditCopy");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "world");
  EXPECT_EQ(field_->text(), "hello world");

  Choose("EditCut");
  EXPECT_EQ(field_->text(), "hello ");
  OpenEdit();
  EXPECT_TRUE(Action("EditUndo")->isEnabled());
  EXPECT_TRUE(Action("EditPaste")->isEnabled());
  Choose("EditUndo");
  EXPECT_EQ(field_->text(), "hello world");

  field_->setSelection(0, 6);  // "hello "
  Choose("EditClear");
  EXPECT_EQ(field_->text(), "world") << "Clear removes the selection";
  // Chosen while it still looks enabled (a stale menu): it deletes nothing
  // when nothing is selected.
  field_->setCursorPosition(0);
  Action("EditClear")->trigger();
  EXPECT_EQ(field_->text(), "world");

  field_->setCursorPosition(5);
  Choose("EditPaste");
  EXPECT_EQ(field_->text(), "worldworld");
}

TEST_F(QtMenuTest, AReadOnlyFieldOffersOnlyCopy) {
  QGuiApplication::clipboard()->setText("x");
  field_->setText("abc");
  field_->selectAll();
  field_->setReadOnly(true);
  OpenEdit();
  EXPECT_TRUE(Action("EditCopy")->isEnabled());
  for (const char* name : {"EditUndo", "EditCut", "EditPaste", "EditClear"})
    EXPECT_FALSE(Action(name)->isEnabled()) << name;
  Action("EditCut")->trigger();  // a stale enabled state must not edit it either
  Action("EditClear")->trigger();
  EXPECT_EQ(field_->text(), "abc");
}

TEST_F(QtMenuTest, QuitEndsTheLoopFromTheMenuAndFromCtrlQ) {
  EXPECT_FALSE(RuntimeIsQuitting());
  Action("FileQuit")->trigger();
  EXPECT_TRUE(RuntimeIsQuitting());
  RuntimeInit();  // clears the quit for the second way in; the application stays
  EXPECT_FALSE(RuntimeIsQuitting());
  QTest::keyClick(window_, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_TRUE(RuntimeIsQuitting());
}
