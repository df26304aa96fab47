// The main window after a real start-up: its size, title and frame, its 29
// controls read back from their Qt widgets, the tab order, the effect
// stored at each activation, and a picture of the whole window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <filesystem>

#include "mainwindow/control_table.h"
#include "mainwindow/timer1.h"
#include "support/app_fixture.h"
#include "ui/control_qt.h"
#include "ui/window_qt.h"

using namespace app_test;

namespace {

enum class Kind { ProgressBar, Button, Field, Label, Canvas, Timer };

struct Expected {
  const char* name;
  Kind kind;
  int left, top, width, height;
  const char* text;  // caption, text, or nullptr
  int tabIndex;      // 0 for the progress bar and the timer, which have none
};

// Hand-written from the window's design, in creation order.
const Expected kExpected[] = {
    {"ProgressBar1", Kind::ProgressBar, 27, 14, 639, 20, nullptr, 0},
    {"BevelButton1", Kind::Button, 27, 80, 120, 22, "source folder", 9},
    {"fadetext", Kind::Field, 155, 205, 26, 22, "2", 11},
    {"StaticText1", Kind::Label, 48, 206, 99, 20, "fade frames ", 12},
    {"BevelButton2", Kind::Button, 27, 46, 154, 22, "destination folder", 13},
    {"Timer1", Kind::Timer, 0, 0, 0, 0, nullptr, 0},
    {"BevelButton3", Kind::Button, 27, 267, 120, 22, "start fading", 14},
    {"BevelButton4", Kind::Button, 27, 115, 120, 22, "source video", 15},
    {"StaticText2", Kind::Label, 161, 80, 20, 23, "or", 17},
    {"sourcefps", Kind::Field, 155, 115, 26, 22, "10", 18},
    {"StaticText3", Kind::Label, 193, 115, 123, 23, "has how many fps?", 19},
    {"stilltext", Kind::Field, 155, 174, 26, 22, "1", 20},
    {"StaticText4", Kind::Label, 48, 175, 99, 20, "still frames", 21},
    {"Canvas1", Kind::Canvas, 472, 75, 152, 114, nullptr, 23},
    {"StaticText12", Kind::Label, 552, 150, 64, 20, "cropping", 0},
    {"StaticText5", Kind::Label, 27, 379, 639, 124, nullptr, 24},
    {"StaticText6", Kind::Label, 48, 301, 76, 20, "after fading", 27},
    {"fps", Kind::Field, 155, 333, 26, 22, "25", 28},
    {"StaticText7", Kind::Label, 193, 334, 23, 20, "fps", 29},
    {"BevelButton6", Kind::Button, 27, 333, 120, 22, "make movie", 30},
    {"ftop", Kind::Field, 515, 46, 30, 22, "0", 31},
    {"fbottom", Kind::Field, 515, 201, 30, 22, "0", 32},
    {"fleft", Kind::Field, 430, 121, 30, 22, "0", 33},
    {"fright", Kind::Field, 636, 121, 30, 22, "0", 34},
    {"StaticText8", Kind::Label, 552, 46, 31, 20, "top", 35},
    {"StaticText9", Kind::Label, 552, 201, 82, 20, "bottom", 36},
    {"StaticText10", Kind::Label, 430, 97, 34, 20, "left", 37},
    {"StaticText11", Kind::Label, 636, 97, 38, 20, "right", 38},
    {"TextField1", Kind::Field, 21, 559, 152, 22, "", 39},
};

const ClassTable* ClassOf(Kind kind) {
  switch (kind) {
    case Kind::ProgressBar: return ProgressBar::StaticClass();
    case Kind::Button: return BevelButton::StaticClass();
    case Kind::Field: return TextField::StaticClass();
    case Kind::Label: return StaticText::StaticClass();
    case Kind::Canvas: return Canvas::StaticClass();
    case Kind::Timer: return Timer::StaticClass();
  }
  return nullptr;
}

// The widget's rectangle in the window's content area.
QRect InContent(QWidget* widget) {
  QWidget* content = WindowContentWidget(MainWindow());
  return QRect(widget->mapTo(content, QPoint(0, 0)), widget->size());
}

}  // namespace

TEST(MainWindow, OpensAsDesignedWithEveryControlInPlace) {
  AppRun run = RunApp([] {
    Window1& window = MainWindow();
    QMainWindow* frame = WindowQMainWindow(window);
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), "vindralo");
    EXPECT_EQ(WindowContentWidget(window)->size(), QSize(686, 523));
    EXPECT_FALSE(frame->isFullScreen());
    // Not resizeable or maximisable; minimising and closing are offered.
    EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
    EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(frame->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(frame->windowFlags() & Qt::WindowCloseButtonHint);

    ASSERT_EQ(window.ControlCount(), 29);
    for (int i = 0; i < 29; ++i) {
      const Expected& e = kExpected[i];
      SCOPED_TRACE(e.name);
      EXPECT_EQ(window.Controls()[static_cast<std::size_t>(i)].first, e.name) << "added out of order";
      Ref<Object> control = RuntimeWindowControlByName(window, e.name);
      ASSERT_TRUE(control);
      EXPECT_NO_THROW(RuntimeCheckCast(control, ClassOf(e.kind)));
      if (e.kind == Kind::Timer) {
        EXPECT_NO_THROW(RuntimeCheckCast(control, Window1::Timer1::__Lookup()));
        continue;
      }
      QWidget* widget = RectControlWidget(dynamic_cast<RectControl&>(*control));
      ASSERT_TRUE(widget);
      EXPECT_TRUE(widget->isVisible());
      EXPECT_EQ(InContent(widget), QRect(e.left, e.top, e.width, e.height));
      switch (e.kind) {
        case Kind::Button: EXPECT_EQ(static_cast<QPushButton*>(widget)->text(), e.text); break;
        case Kind::Field: EXPECT_EQ(static_cast<QLineEdit*>(widget)->text(), e.text); break;
        case Kind::Label:
          if (e.text) {
            EXPECT_EQ(static_cast<QLabel*>(widget)->text(), e.text);
          }
          break;
        case Kind::ProgressBar:
          EXPECT_EQ(static_cast<QProgressBar*>(widget)->value(), 0);
          EXPECT_EQ(static_cast<QProgressBar*>(widget)->maximum(), 100);
          break;
        default: break;
      }
    }
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
}

TEST(MainWindow, ControlDetailsMatchTheDesign) {
  AppRun run = RunApp([] {
    Window1& window = MainWindow();
    // The instructions: the label shows each of the eight lines of its
    // block's text (checked line by line in test_window_blocks) on a line
    // of its own, wrapped in 639 by 124.
    auto* instructions = static_cast<QLabel*>(WidgetNamed("StaticText5"));
    EXPECT_EQ(instructions->text().split('\n'), QString::fromStdString(InstructionsText()).split('\r'));
    EXPECT_TRUE(instructions->wordWrap());

    // Text size 12 on exactly StaticText5, fps and StaticText7; the others
    // keep the default font's size.
    const qreal defaultSize = QApplication::font().pointSizeF();
    for (auto& [name, object] : window.Controls()) {
      auto* styled = dynamic_cast<TextStyled*>(object.get());
      if (!styled) continue;
      SCOPED_TRACE(name);
      const bool twelve = name == "StaticText5" || name == "fps" || name == "StaticText7";
      EXPECT_EQ(styled->TextSize(), twelve ? 12.0f : 0.0f);
      const QFont font = RectControlWidget(dynamic_cast<RectControl&>(*object))->font();
      if (twelve) {
        EXPECT_EQ(font.pixelSize(), 12);  // a point of the layout is a pixel
      } else {
        EXPECT_EQ(font.pointSizeF(), defaultSize);
      }
      EXPECT_EQ(styled->TextUnit(), 0);
    }

    // StaticText12 lies inside the canvas, at its window position.
    QWidget* canvas = WidgetNamed("Canvas1");
    QWidget* cropping = WidgetNamed("StaticText12");
    EXPECT_EQ(cropping->parentWidget(), canvas);
    EXPECT_EQ(cropping->geometry(), QRect(552 - 472, 150 - 75, 64, 20));

    // TextField1 lies below the content area's bottom edge (523).
    EXPECT_EQ(WidgetNamed("TextField1")->y(), 559);

    // The crop fields: text "0", cue text "0", centred.
    for (const char* name : {"ftop", "fbottom", "fleft", "fright"}) {
      auto* field = static_cast<QLineEdit*>(WidgetNamed(name));
      EXPECT_EQ(field->placeholderText(), "0") << name;
      EXPECT_TRUE(field->alignment() & Qt::AlignHCenter) << name;
    }
    EXPECT_EQ(static_cast<QLineEdit*>(WidgetNamed("fadetext"))->placeholderText(), "");

    // Locks: all four False on ProgressBar1, fps and StaticText7.
    for (auto& [name, object] : window.Controls()) {
      auto* rc = dynamic_cast<RectControl*>(object.get());
      if (!rc) continue;
      const bool unlocked = name == "ProgressBar1" || name == "fps" || name == "StaticText7";
      EXPECT_EQ(PropertyValue<bool>(*rc, "LockLeft"), !unlocked) << name;
      EXPECT_EQ(PropertyValue<bool>(*rc, "LockTop"), !unlocked) << name;
      EXPECT_FALSE(PropertyValue<bool>(*rc, "LockRight") || PropertyValue<bool>(*rc, "LockBottom")) << name;
      EXPECT_EQ(PropertyValue<std::int32_t>(*rc, "Index"), std::numeric_limits<std::int32_t>::min()) << name;
    }

    // The bundle picture is the canvas's first backdrop.
    Ref<Canvas> canvasControl = ControlNamed<Canvas>("Canvas1");
    ASSERT_TRUE(canvasControl->Backdrop());
    EXPECT_EQ(canvasControl->Backdrop().get(), if_k100().get());

    // The timer runs every 100 ms, repeating.
    Ref<Timer> timer = ControlNamed<Timer>("Timer1");
    EXPECT_EQ(timer->Mode(), 2);
    EXPECT_EQ(timer->Period(), 100);
    EXPECT_TRUE(timer->Running());
  });
  EXPECT_EQ(run.status, 0);
}

TEST(MainWindow, TabOrderFollowsTabIndex) {
  RunApp([] {
    // Every control has the TabIndex of the design.
    for (const Expected& e : kExpected) {
      if (e.kind == Kind::Timer) continue;
      auto& control = dynamic_cast<RectControl&>(*RuntimeWindowControlByName(MainWindow(), e.name));
      EXPECT_EQ(control.TabIndex(), e.tabIndex) << e.name;
    }
    // Only the text fields take the keyboard focus (the buttons and the
    // canvas do not accept it); they follow their TabIndex.
    const std::vector<std::string> expected = {"fadetext", "sourcefps", "stilltext", "fps",       "ftop",
                                               "fbottom",  "fleft",     "fright",    "TextField1"};
    std::vector<QWidget*> fields;
    for (auto& name : expected) fields.push_back(WidgetNamed(name));
    QWidget* w = fields[0];
    std::vector<QWidget*> chain{w};
    for (QWidget* next = w->nextInFocusChain(); next != w; next = next->nextInFocusChain())
      if (std::find(fields.begin(), fields.end(), next) != fields.end()) chain.push_back(next);
    EXPECT_EQ(chain, fields);
    for (const char* name : {"BevelButton1", "Canvas1", "StaticText1", "ProgressBar1"})
      EXPECT_EQ(WidgetNamed(name)->focusPolicy(), Qt::NoFocus) << name;
  });
}

TEST(MainWindow, EachActivationStoresANewEffectAndReleasesTheOldOne) {
  RunApp([] {
    Window1& window = MainWindow();
    ASSERT_TRUE(WaitUntil([&] { return bool(window.theEffect); }, 2000)) << "no activation at start-up";
    Ref<QTEffect> first = window.theEffect;

    // Another window takes the activation: deactivating changes nothing.
    QWidget other;
    other.resize(100, 100);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return !window.IsActive(); }, 2000));
    EXPECT_EQ(window.theEffect.get(), first.get());

    WindowQMainWindow(window)->activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return window.IsActive(); }, 2000));
    ASSERT_TRUE(window.theEffect);
    EXPECT_NE(window.theEffect.get(), first.get());
    EXPECT_EQ(first->RefCount(), 1) << "the window still holds the effect before";
  });
}

TEST(MainWindow, MenuBarAndPictureOfTheWindow) {
  RunApp([] {
    QMainWindow* frame = WindowQMainWindow(MainWindow());
    ProcessEventsFor(50);
    const QPixmap picture = frame->grab();
    EXPECT_GE(picture.height(), 523);
    const std::string path = TestOutputFolder() + "/main_window.png";
    EXPECT_TRUE(picture.save(QString::fromStdString(path), "PNG"));
    EXPECT_TRUE(std::filesystem::exists(path));
  });
}
