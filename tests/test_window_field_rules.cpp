// The field rules of the main window, driven by real key events on the
// fields' Qt widgets: the still and fade fields never keep a value below
// 1, and the source-rate field turns a value below 1 into "10" before the
// next key lands.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "support/app_fixture.h"

using namespace app_test;

namespace {

QLineEdit* Field(const char* name) { return static_cast<QLineEdit*>(WidgetNamed(name)); }

// Replaces the whole text by what one key event types (a single key, or an
// input method's commit of several characters at once).
void TypeOver(QLineEdit* field, const QString& typed) {
  field->selectAll();
  QTest::sendKeyEvent(QTest::Click, field, typed.size() == 1 ? Qt::Key(typed[0].toUpper().unicode()) : Qt::Key_unknown,
                      typed, Qt::NoModifier);
}

struct Typing {
  const char* typed;     // replaces the whole text at once
  const char* expected;  // the field's text afterwards
};

}  // namespace

TEST(FieldRules, StillAndFadeFieldsNeverHoldAValueBelowOne) {
  const Typing cases[] = {
      {"0", "1"}, {"0.5", "1"}, {"-3", "1"}, {".9", "1"}, {"abc", "1"},
      {"1", "1"}, {"1.5", "1.5"}, {"2", "2"}, {"12", "12"},
  };
  AppRun run = RunApp([&] {
    for (const char* name : {"stilltext", "fadetext"}) {
      QLineEdit* field = Field(name);
      for (const Typing& c : cases) {
        TypeOver(field, c.typed);
        EXPECT_EQ(field->text(), c.expected) << name << " typed over with \"" << c.typed << "\"";
        EXPECT_EQ(ControlNamed<TextField>(name)->Text(), c.expected);
      }
      // Key by key: every change is checked, so a leading minus is already
      // replaced before the digit lands.
      field->selectAll();
      QTest::keyClicks(field, "-3");
      EXPECT_EQ(field->text(), "13") << name;
      // Deleting the whole text leaves no value, which is below 1.
      field->selectAll();
      QTest::keyClick(field, Qt::Key_Backspace);
      EXPECT_EQ(field->text(), "1") << name;
      // A change made by code is checked as well.
      ControlNamed<TextField>(name)->SetText("0");
      EXPECT_EQ(field->text(), "1") << name;
    }
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
}

TEST(FieldRules, SourceRateBelowOneBecomesTenBeforeTheKeyLands) {
  AppRun run = RunApp([] {
    QLineEdit* field = Field("sourcefps");
    Ref<TextField> control = ControlNamed<TextField>("sourcefps");
    struct Case {
      const char* before;
      Qt::Key key;
      const char* expected;
    };
    const Case cases[] = {
        {"0.5", Qt::Key_5, "105"}, {"0", Qt::Key_7, "107"}, {"", Qt::Key_2, "102"},
        {"2", Qt::Key_5, "25"},    {"1", Qt::Key_0, "10"},  {"30", Qt::Key_Backspace, "3"},
    };
    for (const Case& c : cases) {
      control->SetText(c.before);  // no TextChange rule on this field: the text stays as set
      ASSERT_EQ(field->text(), c.before);
      field->setCursorPosition(static_cast<int>(field->text().size()));
      QTest::keyClick(field, c.key);
      EXPECT_EQ(field->text(), c.expected) << "\"" << c.before << "\" then a key";
    }
    // A key can leave a value below 1; it stays until the next key.
    control->SetText("10");
    field->selectAll();
    QTest::keyClick(field, Qt::Key_0);
    EXPECT_EQ(field->text(), "0");
    QTest::keyClick(field, Qt::Key_3);
    EXPECT_EQ(field->text(), "103");
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
}

TEST(FieldRules, TheOtherFieldsTakeWhatIsTyped) {
  RunApp([] {
    for (const char* name : {"fps", "ftop", "TextField1"}) {
      QLineEdit* field = Field(name);
      TypeOver(field, "0");
      EXPECT_EQ(field->text(), "0") << name;
      TypeOver(field, "-3");
      EXPECT_EQ(field->text(), "-3") << name;
    }
  });
}
