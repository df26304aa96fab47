#include "mainwindow/timer1.h"

#include "ui/method_entries.h"
#include "ui/property_entries.h"

using Timer1 = Window1::Timer1;

namespace {
const ClassTable* gTimer1Table = nullptr;  // Window1.Timer1.__ctbl
using Args = std::span<const Variant>;
}  // namespace

// Builds the class table (a friend, for the private ownerWindow).
struct Timer1Table {
  static Timer1& Me(Object& o) { return property_entries::Receiver<Timer1>(o); }

  static MethodFunction SetWindowOp() {
    return [](Object& o, Args a) -> Variant {
      Me(o)._SetWindow(Arg<Ref<Window>>(a, 0));
      return {};
    };
  }
  static MethodFunction WindowOp() {
    return [](Object& o, Args) -> Variant { return Ref<Object>(Me(o).Window()); };
  }
  static MethodFunction IndexOp() {
    return [](Object& o, Args) -> Variant { return Me(o)._Index(); };
  }
  static MethodFunction SetIndexOp() {
    return [](Object& o, Args a) -> Variant {
      Me(o)._SetIndex(Arg<std::int32_t>(a, 0));
      return {};
    };
  }
  static MethodFunction ConstructorOp() {
    return [](Object& o, Args) -> Variant {
      Me(o).Constructor();
      return {};
    };
  }
  // A Timer operation bound for an interface.
  static MethodFunction TimerSlot(const char* name) {
    const VirtualSlot* slot = Timer::StaticClass()->FindVirtual(name);
    return slot ? slot->function : MethodFunction{};
  }

  static ClassDefinition Definition() {
    const Attributes publicHidden = {{"__Scope", "Public"}, {"Hidden", ""}};
    const Attributes isPublic = {{"__Scope", "Public"}};
    return {
        .name = "Window1.Timer1",
        .parent = Timer::StaticClass(),
        .methods = {{"_SetWindow", "%%o<Window>", SetWindowOp(), "", publicHidden},
                    {"Window", "%o<Window>%", WindowOp(), "", isPublic},
                    {"_Index", "%i4%", IndexOp(), "", publicHidden},
                    {"_SetIndex", "%%i4", SetIndexOp(), "", publicHidden},
                    {"Constructor", "%%", ConstructorOp(), "", isPublic}},
        .properties =
            {{"Index", "i4", [](Object& o) -> Variant { return Me(o).Index; },
              [](Object& o, const Variant& v) { Me(o).Index = VariantAs<std::int32_t>(v, "an Int32"); }, isPublic},
             {"ownerWindow", "o<Window>", [](Object& o) -> Variant { return Ref<Object>(Me(o).ownerWindow_); },
              [](Object& o, const Variant& v) {
                Me(o).ownerWindow_ = property_entries::Kind<Ref<Window>>::From(v);
              },
              {{"__Scope", "Private"}}}},
        .attributes = {{"__Scope", "Private"}},
        .vtable = {{"_SetWindow", SetWindowOp()},
                   {"Window", WindowOp()},
                   {"_Index", IndexOp()},
                   {"_SetIndex", SetIndexOp()},
                   {"Constructor", ConstructorOp()}},
        .interfaces = {{"actionSource",
                        {{"addActionNotificationReceiver", TimerSlot("addActionNotificationReceiver")},
                         {"removeActionNotificationReceiver", TimerSlot("removeActionNotificationReceiver")}}},
                       {"_PaneChild",
                        {{"_SetWindow", SetWindowOp()},
                         {"Window", WindowOp()},
                         {"_Index", IndexOp()},
                         {"_SetIndex", SetIndexOp()}}}},
        .finalizer = [](Object& o) { Timer1::__Exit(Me(o)); },
        .factory = [] { return static_cast<Object*>(new Timer1()); },
    };
  }
};

const ClassTable* Timer1::__Lookup() {
  if (!gTimer1Table) __ctblinit();
  return gTimer1Table;
}

void Timer1::__ctblinit() {
  if (gTimer1Table) return;
  gTimer1Table = RuntimeNewClass(Timer1Table::Definition());
}

void Timer1::__Exit(Timer1& timer) { timer.ownerWindow_.Reset(); }
