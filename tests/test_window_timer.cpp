// Timer1: its class Window1.Timer1 with its interfaces, the window it
// finds through _PaneChild, its ticks every 100 ms, and a handler that is
// never re-entered while it waits in a message box.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "dialogs/dialogs.h"
#include "mainwindow/timer1.h"
#include "support/app_fixture.h"

using namespace app_test;

namespace {

std::vector<std::string> Names(const auto& entries) {
  std::vector<std::string> names;
  for (auto& e : entries) names.push_back(e.name);
  return names;
}

Ref<Window1::Timer1> NewTimer1() {
  return RuntimeCheckCastAs<Window1::Timer1>(RuntimeNewObject(Window1::Timer1::__Lookup()),
                                             Window1::Timer1::__Lookup());
}

}  // namespace

TEST(Timer1Class, TableInterfacesAndOperations) {
  const ClassTable* cls = Window1::Timer1::__Lookup();
  EXPECT_EQ(cls, Window1::Timer1::__Lookup());
  EXPECT_EQ(cls->Name(), "Window1.Timer1");
  EXPECT_EQ(cls->Parent(), Timer::StaticClass());
  EXPECT_EQ(cls->ClassAttributes(), (Attributes{{"__Scope", "Private"}}));

  const auto& methods = cls->Methods();
  ASSERT_GE(methods.size(), 5u);
  const std::vector<std::tuple<std::string, std::string, bool>> own = {
      {"_SetWindow", "%%o<Window>", true}, {"Window", "%o<Window>%", false}, {"_Index", "%i4%", true},
      {"_SetIndex", "%%i4", true},         {"Constructor", "%%", false}};
  for (std::size_t i = 0; i < own.size(); ++i) {
    const MethodEntry& m = methods[methods.size() - own.size() + i];
    EXPECT_EQ(m.name, std::get<0>(own[i]));
    EXPECT_EQ(m.signature, std::get<1>(own[i]));
    Attributes expected{{"__Scope", "Public"}};
    if (std::get<2>(own[i])) expected.push_back({"Hidden", ""});
    EXPECT_EQ(m.attributes, expected) << m.name;
  }
  EXPECT_EQ(Names(cls->Properties()),
            (std::vector<std::string>{"Mode", "Period", "Enabled", "_Running", "Index", "ownerWindow"}));
  EXPECT_EQ(cls->Properties()[4].type, "i4");
  EXPECT_EQ(cls->Properties()[5].type, "o<Window>");
  EXPECT_EQ(cls->Properties()[5].attributes, (Attributes{{"__Scope", "Private"}}));
  EXPECT_EQ(Names(cls->Events()), (std::vector<std::string>{"Action"}));
  EXPECT_EQ(Names(cls->Vtable()),
            (std::vector<std::string>{"Reset", "addActionNotificationReceiver", "removeActionNotificationReceiver",
                                      "_CallAction", "_SetWindow", "Window", "_Index", "_SetIndex", "Constructor"}));

  ASSERT_EQ(cls->Interfaces().size(), 2u);
  const InterfaceRecord& source = cls->Interfaces()[0];
  EXPECT_EQ(source.name, "actionSource");
  ASSERT_EQ(source.methods.size(), 2u);
  EXPECT_EQ(source.methods[0].first, "addActionNotificationReceiver");
  EXPECT_EQ(source.methods[1].first, "removeActionNotificationReceiver");
  const InterfaceRecord& pane = cls->Interfaces()[1];
  EXPECT_EQ(pane.name, "_PaneChild");
  std::vector<std::string> paneNames;
  for (auto& [name, function] : pane.methods) {
    paneNames.push_back(name);
    EXPECT_TRUE(function) << name;
  }
  EXPECT_EQ(paneNames, (std::vector<std::string>{"_SetWindow", "Window", "_Index", "_SetIndex"}));
}

TEST(Timer1Class, TheWindowItHoldsAndItsIndex) {
  Ref<Window1::Timer1> timer = NewTimer1();
  EXPECT_EQ(timer->_Index(), 0);
  EXPECT_FALSE(timer->Window());
  // Constructor changes nothing: the platform's defaults stay.
  RuntimeCallVirtual(*timer, "Constructor");
  EXPECT_EQ(timer->Mode(), 2);
  EXPECT_EQ(timer->Period(), 1000);
  EXPECT_TRUE(timer->Enabled());

  Ref<Window> first = New<Window>(), second = New<Window>();
  const InterfaceRecord* pane = timer->Class()->FindInterface("_PaneChild");
  ASSERT_TRUE(pane);
  {
    const Variant withFirst[] = {Ref<Object>(first)};
    pane->methods[0].second(*timer, withFirst);
  }
  EXPECT_EQ(timer->Window().get(), first.get());
  EXPECT_EQ(first->RefCount(), 2);
  EXPECT_EQ(RuntimeSwapSelfAndMe(*timer).get(), first.get());
  timer->_SetWindow(second);
  EXPECT_EQ(first->RefCount(), 1) << "a second window replaces the first and releases it";
  EXPECT_EQ(second->RefCount(), 2);
  const Variant seven[] = {std::int32_t{7}};
  pane->methods[3].second(*timer, seven);
  EXPECT_EQ(std::get<std::int32_t>(pane->methods[2].second(*timer, {})), 7);

  timer.Reset();  // __Exit
  EXPECT_EQ(second->RefCount(), 1) << "the window held was released once";
}

TEST(Timer1, FindsItsWindowAndTicksEvery100Milliseconds) {
  AppRun run = RunApp([] {
    Window1& window = MainWindow();
    Ref<Window1::Timer1> timer = ControlNamed<Window1::Timer1>("Timer1");
    EXPECT_EQ(timer->Window().get(), &window) << "the platform tells the timer its window before it fires";
    EXPECT_EQ(timer->Index, 0);
    Ref<Delegate> handler = timer->InstalledHandler("Action");
    ASSERT_TRUE(handler);
    EXPECT_EQ(handler->Signature(), "(  )");
    EXPECT_EQ(handler->InvokerName(), "Delegate.IM_Invoke%%");
    EXPECT_EQ(handler->Bound(), &window);

    // Every firing reaches the installed handler (Timer1_Action).
    RuntimeEnableTrace(true);
    RuntimeTakeTrace();
    std::vector<qint64> ticks;
    QElapsedTimer clock;
    clock.start();
    const MethodFunction original = handler->Function();
    timer->InstallHandler("Action", RuntimeCreateDelegate(
                                        "Delegate.IM_Invoke%%",
                                        [&](Object& me, std::span<const Variant> args) -> Variant {
                                          ticks.push_back(clock.elapsed());
                                          return original(me, args);
                                        },
                                        &window, "(  )"));
    ASSERT_TRUE(WaitUntil([&] { return ticks.size() >= 11; }, 15000));
    // A late tick is followed by an early one (the timer keeps its
    // schedule), so the period shows in the mean interval. The upper bound
    // leaves room for a loaded machine (a stall of a whole second among the
    // ten intervals still passes) and still tells 100 ms from a slower timer.
    const double mean = static_cast<double>(ticks.back() - ticks.front()) / static_cast<double>(ticks.size() - 1);
    EXPECT_GE(mean, 80.0);
    EXPECT_LE(mean, 300.0);
    auto trace = RuntimeTakeTrace();
    RuntimeEnableTrace(false);
    EXPECT_GE(std::count(trace.begin(), trace.end(), "event Timer1.Action"), 5);
    timer->InstallHandler("Action", handler);
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(run.messages.empty());
}

TEST(Timer1, IsNotReenteredWhileItsHandlerWaitsInAMessageBox) {
  int entered = 0, running = 0, deepest = 0, enteredWhileWaiting = -1;
  AppRun run = RunApp([&] {
    Window1& window = MainWindow();
    Ref<Window1::Timer1> timer = ControlNamed<Window1::Timer1>("Timer1");
    dialog_seam::OnShow([&](const DialogRecord&) {
      dialog_seam::OnShow(nullptr);
      ProcessEventsFor(450);  // four or five periods while the box is open
      enteredWhileWaiting = entered;
    });
    timer->InstallHandler("Action", RuntimeCreateDelegate(
                                        "Delegate.IM_Invoke%%",
                                        [&](Object&, std::span<const Variant>) -> Variant {
                                          ++entered;
                                          deepest = std::max(deepest, ++running);
                                          if (entered == 1) MsgBox("waiting");
                                          --running;
                                          return {};
                                        },
                                        &window, "(  )"));
    EXPECT_TRUE(WaitUntil([&] { return entered >= 3; }, 5000)) << "the ticks did not resume after the box";
  });
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(enteredWhileWaiting, 1) << "a tick entered the handler while it waited";
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(run.messages, (std::vector<std::string>{"waiting"}));
}
