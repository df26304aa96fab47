#include "mainwindow/timer1.h"

#include "runtime/class_entries.h"

using Timer1 = Window1::Timer1;

namespace {

const ClassTable* gTimer1Table = nullptr;  // Window1.Timer1.__ctbl
using Args = std::span<const Variant>;

MethodFunction SetWindowOp() {
  return BindMethod<Timer1>([](Timer1& timer, Args a) -> Variant {
    timer._SetWindow(Arg<Ref<Window>>(a, 0));
    return {};
  });
}
MethodFunction WindowOp() {
  return BindMethod<Timer1>([](Timer1& timer, Args) -> Variant { return Ref<Object>(timer.Window()); });
}
MethodFunction IndexOp() {
  return BindMethod<Timer1>([](Timer1& timer, Args) -> Variant { return timer._Index(); });
}
MethodFunction SetIndexOp() {
  return BindMethod<Timer1>([](Timer1& timer, Args a) -> Variant {
    timer._SetIndex(Arg<std::int32_t>(a, 0));
    return {};
  });
}
// A Timer operation bound for an interface.
MethodFunction TimerSlot(const char* name) {
  const VirtualSlot* slot = Timer::StaticClass()->FindVirtual(name);
  return slot ? slot->function : MethodFunction{};
}

ClassDefinition Definition() {
  const Attributes publicHidden = {{"__Scope", "Public"}, {"Hidden", ""}};
  const Attributes isPublic = {{"__Scope", "Public"}};
  return {
      .name = "Window1.Timer1",
      .parent = Timer::StaticClass(),
      .methods = {{"_SetWindow", "%%o<Window>", SetWindowOp(), "", publicHidden},
                  {"Window", "%o<Window>%", WindowOp(), "", isPublic},
                  {"_Index", "%i4%", IndexOp(), "", publicHidden},
                  {"_SetIndex", "%%i4", SetIndexOp(), "", publicHidden},
                  {"Constructor", "%%", BindMethod(&Timer1::Constructor), "", isPublic}},
      .properties = {Property("Index", "i4", &Timer1::Index, isPublic),
                     Property("ownerWindow", "o<Window>", &Timer1::Window, &Timer1::_SetWindow,
                              {{"__Scope", "Private"}})},
      .attributes = {{"__Scope", "Private"}},
      .vtable = {{"_SetWindow", SetWindowOp()},
                 {"Window", WindowOp()},
                 {"_Index", IndexOp()},
                 {"_SetIndex", SetIndexOp()},
                 {"Constructor", BindMethod(&Timer1::Constructor)}},
      .interfaces = {{"actionSource",
                      {{"addActionNotificationReceiver", TimerSlot("addActionNotificationReceiver")},
                       {"removeActionNotificationReceiver", TimerSlot("removeActionNotificationReceiver")}}},
                     {"_PaneChild",
                      {{"_SetWindow", SetWindowOp()},
                       {"Window", WindowOp()},
                       {"_Index", IndexOp()},
                       {"_SetIndex", SetIndexOp()}}}},
      .finalizer = [](Object& o) { Timer1::__Exit(Receiver<Timer1>(o)); },
      .factory = [] { return static_cast<Object*>(new Timer1()); },
  };
}

}  // namespace

const ClassTable* Timer1::__Lookup() {
  if (!gTimer1Table) __ctblinit();
  return gTimer1Table;
}

void Timer1::__ctblinit() {
  if (gTimer1Table) return;
  gTimer1Table = RuntimeNewClass(Definition());
}

void Timer1::__Exit(Timer1& timer) { timer.ownerWindow_.Reset(); }
