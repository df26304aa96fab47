// The platform's windows and controls on their own: property blocks,
// window construction and its events, event handlers and the prologue
// that finds a handler's window, and what each control does on Qt.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "media/picture.h"
#include "platform_init.h"
#include "plugin_signatures.h"
#include "runtime/plugins.h"
#include "runtime/runtime.h"
#include "support/app_fixture.h"
#include "ui/canvas_qt.h"
#include "ui/control_qt.h"
#include "ui/controls.h"
#include "ui/window_qt.h"

using namespace std::string_literals;
using app_test::ProcessEventsFor;
using app_test::WaitUntil;

namespace {

std::vector<std::string> gEvents;

// A window class that records its events, as a system's window class would handle them.
const ClassTable* RecordingWindowClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "TestRecordingWindow",
      .parent = Window::StaticClass(),
      .events = {{"Layout", [](Object&) { gEvents.push_back("Layout"); }},
                 {"CreateControls", [](Object&) { gEvents.push_back("CreateControls"); }},
                 {"Open", [](Object&) { gEvents.push_back("Open"); }},
                 {"Activate", [](Object&) { gEvents.push_back("Activate"); }},
                 {"Deactivate", [](Object&) { gEvents.push_back("Deactivate"); }},
                 {"Close", [](Object&) { gEvents.push_back("Close"); }}},
  });
  return table;
}

class Platform : public ::testing::Test {
 protected:
  void SetUp() override {
    RuntimeInit();
    gEvents.clear();
  }
  void TearDown() override {
    RuntimeReleaseWindowLists();
    RuntimeExit();
  }

  // A constructed, hidden window of the recording class.
  Ref<Window> MakeWindow(bool visible = false) {
    Ref<Window> window = RuntimeCheckCastAs<Window>(RuntimeNewObject(RecordingWindowClass()), Window::StaticClass());
    window->SetVisible(visible);
    window->SetWidth(300);
    window->SetHeight(200);
    window->Constructor();
    return window;
  }

  template <class T>
  Ref<T> Add(Window& window, const std::string& name) {
    Ref<T> control = RuntimeCheckCastAs<T>(window.__New(T::StaticClass()), T::StaticClass());
    control->Constructor();
    window._AddControl(name, control);
    return control;
  }
};

// A delegate that records the object it was raised with and answers `result`.
Ref<Delegate> Recorder(std::vector<Object*>& mes, Variant result = {}, const char* invoker = "Delegate.IM_Invoke%%") {
  return RuntimeCreateDelegate(
      invoker,
      [&mes, result](Object& me, std::span<const Variant>) -> Variant {
        mes.push_back(&me);
        return result;
      },
      nullptr, "(  )");
}

}  // namespace

// --- property blocks -----------------------------------------------------------

TEST_F(Platform, PropertyBlocksSetEachKindThroughTheClassesSetters) {
  Ref<TextField> field = RuntimeCheckCastAs<TextField>(RuntimeNewObject(TextField::StaticClass()),
                                                       TextField::StaticClass());
  _SetProperties(*field,
                 "LimitText " "\xff\xff\xff\xfe" "ReadOnly " "\x01" "BackColor " "\x01\x02\xfe"
                 "CueText " "\x00\x00\x00\x03" "a\xc3\xa9" "Text " "\x00\x00\x00\x00"s);
  EXPECT_EQ(app_test::PropertyValue<std::int32_t>(*field, "LimitText"), -2);
  EXPECT_TRUE(field->ReadOnly());
  EXPECT_EQ(field->BackColor(), (Color{1, 2, 254}));
  EXPECT_EQ(field->CueText(), "a\xc3\xa9");
  EXPECT_EQ(field->Text(), "");
  _SetProperties(*field, "");  // an empty block sets nothing
  EXPECT_EQ(app_test::PropertyValue<std::int32_t>(*field, "LimitText"), -2);
}

TEST_F(Platform, FaultyPropertyBlocksRaiseAndNameTheProblem) {
  Ref<TextField> field = RuntimeCheckCastAs<TextField>(RuntimeNewObject(TextField::StaticClass()),
                                                       TextField::StaticClass());
  struct Case {
    std::string block, exceptionClass, mentions;
  };
  const Case cases[] = {
      {"LimitText " "\x00\x00\x00\x07" "Frobnicate " "\x01"s, "KeyNotFoundException", "Frobnicate"},
      {"LimitText " "\x00\x00"s, "UnsupportedFormatException", "LimitText"},
      {"CueText " "\x00\x00\x00\x09" "abc"s, "UnsupportedFormatException", "CueText"},
      {"CueText " "\xff\xff\xff\xff" "abc"s, "UnsupportedFormatException", "CueText"},
      {"ReadOnly"s, "UnsupportedFormatException", "blank"},
      {" \x01"s, "UnsupportedFormatException", "blank"},
      {"TextSize " "\x00\x00\x00\x0c"s, "UnsupportedFormatException", "TextSize"},
  };
  for (const Case& c : cases) {
    try {
      _SetProperties(*field, c.block);
      ADD_FAILURE() << "no exception for " << c.mentions;
    } catch (const RuntimeException& e) {
      EXPECT_EQ(e.ClassName(), c.exceptionClass) << e.Message();
      EXPECT_NE(e.Message().find(c.mentions), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find("TextField"), std::string::npos) << e.Message();
    }
  }
  EXPECT_EQ(app_test::PropertyValue<std::int32_t>(*field, "LimitText"), 7)
      << "the entries before the faulty one stay set";
  Ref<Timer> timer = RuntimeCheckCastAs<Timer>(RuntimeNewObject(Timer::StaticClass()), Timer::StaticClass());
  EXPECT_THROW(_SetProperties(*timer, "_Running " "\x01"s), RuntimeException) << "a read-only property";
}

// --- windows ---------------------------------------------------------------------

TEST_F(Platform, ConstructorRaisesLayoutAndCreateControlsThenShowsAndActivates) {
  Ref<Window> window = MakeWindow(true);
  EXPECT_EQ(gEvents, (std::vector<std::string>{"Layout", "CreateControls", "Open"}));
  EXPECT_TRUE(WindowQMainWindow(*window)->isVisible());
  EXPECT_TRUE(WaitUntil([&] { return window->IsActive(); }, 2000));
  ProcessEventsFor(30);
  EXPECT_EQ(std::count(gEvents.begin(), gEvents.end(), "Activate"), 1) << "one activation at the first showing";
  EXPECT_EQ(_GetImplicitWindow("TestRecordingWindow").get(), window.get());
  EXPECT_TRUE(window->IsMainWindow());
  EXPECT_THROW(window->Constructor(), RuntimeException);
}

TEST_F(Platform, AHiddenWindowIsShownOnlyWhenAsked) {
  Ref<Window> window = MakeWindow(false);
  ProcessEventsFor(20);
  EXPECT_FALSE(WindowQMainWindow(*window)->isVisible());
  EXPECT_EQ(std::count(gEvents.begin(), gEvents.end(), "Activate"), 0);
  window->Show();
  EXPECT_TRUE(WindowQMainWindow(*window)->isVisible());
  EXPECT_TRUE(WaitUntil([&] { return window->IsActive(); }, 2000));
}

TEST_F(Platform, ClosingTheMainWindowQuitsAndAnotherWindowJustEnds) {
  Ref<Window> main = MakeWindow(true);
  Ref<Window> other = MakeWindow(true);
  EXPECT_FALSE(other->IsMainWindow());
  other->Close();
  EXPECT_FALSE(RuntimeIsQuitting());
  EXPECT_TRUE(WaitUntil([&] { return RuntimeOpenWindows().size() == 1; }, 2000));
  EXPECT_FALSE(other->Constructed()) << "the closed window let its Qt window go";
  main->Close();
  EXPECT_TRUE(RuntimeIsQuitting());
  EXPECT_NE(std::find(gEvents.begin(), gEvents.end(), "Close"), gEvents.end());
}

TEST_F(Platform, WindowPropertiesOnTheQtWindow) {
  Ref<Window> window = RuntimeCheckCastAs<Window>(RuntimeNewObject(Window::StaticClass()), Window::StaticClass());
  window->SetVisible(false);
  window->Constructor();
  QMainWindow* frame = WindowQMainWindow(*window);
  window->SetTitle("a title");
  EXPECT_EQ(frame->windowTitle(), "a title");
  window->SetResizeable(false);
  window->SetWidth(321);
  window->SetHeight(123);
  frame->show();
  EXPECT_EQ(WindowContentWidget(*window)->size(), QSize(321, 123));
  EXPECT_EQ(frame->minimumSize(), frame->maximumSize());
  window->SetMaximizeButton(true);
  EXPECT_FALSE(frame->windowFlags() & Qt::WindowMaximizeButtonHint) << "no maximising a fixed window";
  window->SetResizeable(true);
  EXPECT_TRUE(frame->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_NE(frame->minimumSize(), frame->maximumSize());
  window->SetCloseButton(false);
  EXPECT_FALSE(frame->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_TRUE(frame->isVisible()) << "changing the flags keeps the window shown";
  window->SetHasBackColor(true);
  window->SetBackColor({10, 20, 30});
  EXPECT_TRUE(WindowContentWidget(*window)->autoFillBackground());
  EXPECT_EQ(WindowContentWidget(*window)->palette().color(QPalette::Window), QColor(10, 20, 30));
}

// --- event handlers and the prologue ------------------------------------------------

TEST_F(Platform, HandlersReceiveTheControlAndThePrologueFindsItsWindow) {
  Ref<Window> window = MakeWindow(true);
  Ref<BevelButton> button = Add<BevelButton>(*window, "button");
  std::vector<Object*> mes;
  _InstallInstanceEventHandler(*button, "Action", Recorder(mes));
  QTest::mouseClick(RectControlWidget(*button), Qt::LeftButton);
  ASSERT_EQ(mes.size(), 1u);
  EXPECT_EQ(mes[0], button.get());
  EXPECT_EQ(RuntimeSwapSelfAndMe(*button).get(), window.get());
  EXPECT_EQ(RuntimeSwapSelfAndMe(*window).get(), window.get());

  EXPECT_THROW(_InstallInstanceEventHandler(*button, "Paint", Recorder(mes)), RuntimeException);
  Ref<Picture> picture = NewPicture(1, 1);
  EXPECT_THROW(_InstallInstanceEventHandler(*picture, "Action", Recorder(mes)), RuntimeException);
  EXPECT_THROW(RuntimeSwapSelfAndMe(*picture), NilObjectException);
  Ref<BevelButton> orphan = New<BevelButton>();
  EXPECT_THROW(RuntimeSwapSelfAndMe(*orphan), NilObjectException);
  EXPECT_THROW(orphan->Constructor(), NilObjectException) << "a control belongs to a window before it is made";
}

TEST_F(Platform, TextFieldRaisesTextChangeOnEveryChangeAndKeyDownBeforeTheKey) {
  Ref<Window> window = MakeWindow(true);
  Ref<TextField> field = Add<TextField>(*window, "field");
  auto* line = NativeAs<QLineEdit>(*field);
  std::vector<Object*> changes, keys;
  _InstallInstanceEventHandler(*field, "TextChange", Recorder(changes));
  field->SetText("ab");
  EXPECT_EQ(changes.size(), 1u) << "a change by code";
  field->SetText("ab");
  EXPECT_EQ(changes.size(), 1u) << "no change, no event";
  QTest::keyClicks(line, "cd");
  EXPECT_EQ(changes.size(), 3u) << "every typed key";
  EXPECT_EQ(field->Text(), "abcd");

  // A KeyDown handler answering True withholds the key; False lets it through.
  std::vector<std::string> seen;
  bool withhold = true;
  _InstallInstanceEventHandler(
      *field, "KeyDown",
      RuntimeCreateDelegate(
          "Delegate.IM_Invoke%b%s",
          [&](Object& me, std::span<const Variant> args) -> Variant {
            EXPECT_EQ(&me, field.get());
            seen.push_back(std::get<std::string>(args[0]));
            EXPECT_EQ(static_cast<TextField&>(me).Text(), "abcd") << "raised before the key is applied";
            return withhold;
          },
          nullptr, "( String ) as Boolean"));
  QTest::keyClick(line, Qt::Key_X);
  EXPECT_EQ(field->Text(), "abcd");
  withhold = false;
  QTest::keyClick(line, Qt::Key_Backspace);
  EXPECT_EQ(field->Text(), "abc");
  EXPECT_EQ(seen, (std::vector<std::string>{"x", "\x08"}));
}

TEST_F(Platform, CanvasGraphicsDrawsOnlyDuringPaint) {
  Ref<Window> window = MakeWindow(true);
  Ref<Canvas> canvas = Add<Canvas>(*window, "canvas");
  canvas->SetWidth(20);
  canvas->SetHeight(10);
  Ref<Graphics> kept;
  _InstallInstanceEventHandler(*canvas, "Paint",
                               RuntimeCreateDelegate(
                                   "Delegate.IM_Invoke%%o<Graphics>",
                                   [&](Object&, std::span<const Variant> args) -> Variant {
                                     kept = DynamicRef<Graphics>(std::get<Ref<Object>>(args[0]));
                                     return {};
                                   },
                                   nullptr, "( Graphics )"));
  RectControlWidget(*canvas)->grab();
  ASSERT_TRUE(kept);
  EXPECT_THROW(kept->DrawPicture(NewPicture(2, 2), 0, 0, 2, 2, 0, 0, 2, 2), NilObjectException);

  // Without a handler the canvas shows its backdrop over its whole area.
  Ref<Canvas> plain = Add<Canvas>(*window, "plain");
  plain->SetWidth(8);
  plain->SetHeight(4);
  Ref<Picture> red = NewPicture(2, 2);
  for (int y = 0; y < 2; ++y) red->Row(y)[0] = red->Row(y)[1] = 0xffff0000u;
  plain->SetBackdrop(red);
  const QImage image = RectControlWidget(*plain)->grab().toImage();
  EXPECT_EQ(image.pixel(7, 3), 0xffff0000u);
}

// --- controls on Qt ----------------------------------------------------------------

TEST_F(Platform, ProgressBarShowsValuesOutsideItsRangeSensibly) {
  Ref<Window> window = MakeWindow();
  Ref<ProgressBar> bar = Add<ProgressBar>(*window, "bar");
  auto* qt = NativeAs<QProgressBar>(*bar);
  struct Case {
    std::int32_t value, maximum;
    int shownValue, shownMaximum;
  };
  const Case cases[] = {{50, 100, 50, 100}, {150, 100, 100, 100}, {-5, 100, 0, 100}, {3, 0, 0, 1}, {3, -7, 0, 1}};
  for (const Case& c : cases) {
    bar->SetMaximum(c.maximum);
    bar->SetValue(c.value);
    EXPECT_EQ(bar->Value(), c.value);
    EXPECT_EQ(bar->Maximum(), c.maximum);
    EXPECT_EQ(qt->value(), c.shownValue) << c.value << " of " << c.maximum;
    EXPECT_EQ(qt->maximum(), c.shownMaximum) << "never Qt's busy bar";
  }
}

TEST_F(Platform, StaticTextBreaksLinesAtCRAndSitsInsideItsInitialParent) {
  Ref<Window> window = MakeWindow();
  Ref<Canvas> host = Add<Canvas>(*window, "host");
  host->SetLeft(100);
  host->SetTop(50);
  host->SetWidth(80);
  host->SetHeight(60);
  Ref<StaticText> label = Add<StaticText>(*window, "label");
  label->SetText("one\rtwo\r\nthree\nfour");
  EXPECT_EQ(NativeAs<QLabel>(*label)->text(), "one\ntwo\nthree\nfour");
  EXPECT_EQ(label->Text(), "one\rtwo\r\nthree\nfour");
  label->SetLeft(110);
  label->SetTop(70);
  label->SetWidth(30);
  label->SetHeight(12);
  label->SetInitialParent("host");
  EXPECT_EQ(RectControlWidget(*label)->parentWidget(), RectControlWidget(*host));
  EXPECT_EQ(RectControlWidget(*label)->geometry(), QRect(10, 20, 30, 12)) << "Left and Top count from the window";
  label->SetInitialParent("nobody");
  EXPECT_EQ(RectControlWidget(*label)->parentWidget(), WindowContentWidget(*window));
  EXPECT_EQ(RectControlWidget(*label)->geometry(), QRect(110, 70, 30, 12));
}

TEST_F(Platform, BevelButtonCaptionAndItsPluginMembers) {
  _RuntimeInitExternalClasses();
  Ref<Window> window = MakeWindow(true);
  Ref<BevelButton> button = Add<BevelButton>(*window, "button");
  auto* qt = NativeAs<QPushButton>(*button);
  PluginCall<plugin_sig::BevelStringSet>(RuntimeLookupPluginEntrypoint("BevelButton.Caption.Set"), *button,
                                         "Tom & Jerry");
  EXPECT_EQ(button->Caption(), "Tom & Jerry");
  EXPECT_EQ(PluginCall<plugin_sig::BevelStringGet>(RuntimeLookupPluginEntrypoint("BevelButton.Caption.Get"), *button),
            "Tom & Jerry");
  EXPECT_EQ(qt->text(), "Tom && Jerry") << "the caption is no mnemonic";
  EXPECT_TRUE(qt->shortcut().isEmpty());
  // A kept property: set and read back, the button stays a push button.
  PluginCall<plugin_sig::BevelBooleanSet>(RuntimeLookupPluginEntrypoint("BevelButton.Value.Set"), *button, true);
  EXPECT_TRUE(PluginCall<plugin_sig::BevelBooleanGet>(RuntimeLookupPluginEntrypoint("BevelButton.Value.Get"), *button));
  EXPECT_FALSE(qt->isCheckable());
  PluginCall<plugin_sig::BevelColorSet>(RuntimeLookupPluginEntrypoint("BevelButton.TextColor.Set"), *button,
                                        Color{200, 0, 0});
  EXPECT_EQ(qt->palette().color(QPalette::ButtonText), QColor(200, 0, 0));
  // Every one of its own properties is a plug-in member, both ways.
  for (const PropertyEntry& p : BevelButton::StaticClass()->Properties()) {
    if (RectControl::StaticClass()->FindProperty(p.name)) continue;
    for (const char* way : {".Get", ".Set"}) {
      auto entry = RuntimeLookupPluginEntrypoint("BevelButton." + p.name + way);
      EXPECT_TRUE(entry.function.has_value()) << entry.declaration;
    }
  }
}

TEST_F(Platform, TimerModesAndPeriod) {
  Ref<Timer> once = New<Timer>(), never = New<Timer>(), off = New<Timer>();
  int onceCount = 0, neverCount = 0, offCount = 0;
  auto counter = [](int& n) {
    return RuntimeCreateDelegate(
        "Delegate.IM_Invoke%%",
        [&n](Object&, std::span<const Variant>) -> Variant {
          ++n;
          return {};
        },
        nullptr, "(  )");
  };
  once->InstallHandler("Action", counter(onceCount));
  never->InstallHandler("Action", counter(neverCount));
  off->InstallHandler("Action", counter(offCount));
  once->SetPeriod(10);
  once->SetMode(1);
  never->SetPeriod(10);
  never->SetMode(0);
  off->SetPeriod(10);
  off->SetEnabled(false);
  ProcessEventsFor(150);
  EXPECT_EQ(onceCount, 1);
  EXPECT_EQ(once->Mode(), 0) << "a single firing ends in mode 0";
  EXPECT_EQ(neverCount, 0);
  EXPECT_EQ(offCount, 0);
  EXPECT_FALSE(once->Running() || never->Running() || off->Running());
}
