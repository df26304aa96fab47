#include "ui/timer.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <array>

#include "runtime/runtime.h"
#include "runtime/class_entries.h"

struct TimerNative {
  QTimer timer;
};

namespace {
constexpr std::array<std::string_view, 1> kEvents{"Action"};

std::vector<Timer*>& AliveTimers() {
  static std::vector<Timer*> timers;
  return timers;
}
}  // namespace

void StopAllTimers() {
  for (Timer* timer : AliveTimers()) timer->Halt();
}

Timer::Timer() : native_(std::make_unique<TimerNative>()) {
  native_->timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&native_->timer, &QTimer::timeout, &native_->timer, [this] {
    RuntimeDispatch([this] {
      Ref<Timer> keep(this);
      _Fired();
    });
  });
  AliveTimers().push_back(this);
  Arm();
}

Timer::~Timer() { std::erase(AliveTimers(), this); }

std::span<const std::string_view> Timer::InstanceEvents() const { return kEvents; }

void Timer::Arm() {
  QTimer& timer = native_->timer;
  if (mode_ == 0 || !enabled_ || halted_ || !QCoreApplication::instance()) {
    timer.stop();
    return;
  }
  timer.setSingleShot(mode_ == 1);
  timer.start(std::max(1, period_));  // a period of 0 would fire on every pass of the loop
}

bool Timer::Running() const noexcept { return native_->timer.isActive(); }

void Timer::SetMode(std::int32_t v) {
  mode_ = v;
  Arm();
}
void Timer::SetPeriod(std::int32_t v) {
  period_ = v;
  Arm();
}
void Timer::SetEnabled(bool v) {
  enabled_ = v;
  Arm();
}
void Timer::Reset() { Arm(); }
void Timer::Halt() {
  halted_ = true;
  Arm();
}

void Timer::_Fired() {
  if (inAction_) return;  // its handler is still running
  if (mode_ == 1) mode_ = 0;
  inAction_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{inAction_};
  // Through the class's virtual table, so that a subclass's own _CallAction runs.
  if (Class() && Class()->FindVirtual("_CallAction")) RuntimeCallVirtual(*this, "_CallAction");
  else _CallAction();
}

void Timer::_CallAction() {
  RaiseInstanceEvent(*this, "Action");
  for (Ref<Object> receiver : std::vector<Ref<Object>>(receivers_)) {
    const ClassTable* cls = receiver->Class();
    const InterfaceRecord* notified = cls ? cls->FindInterface("actionNotificationReceiver") : nullptr;
    if (!notified) continue;
    for (auto& [name, method] : notified->methods)
      if (name == "PerformAction" && method) {
        const Variant args[] = {Ref<Object>(this)};
        method(*receiver, args);
      }
  }
}

void Timer::addActionNotificationReceiver(const Ref<Object>& receiver) {
  if (!receiver) RaiseNilObjectException("the action notification receiver");
  if (std::find(receivers_.begin(), receivers_.end(), receiver) == receivers_.end()) receivers_.push_back(receiver);
}

void Timer::removeActionNotificationReceiver(const Ref<Object>& receiver) { std::erase(receivers_, receiver); }

namespace {
using Args = std::span<const Variant>;
MethodFunction ResetOp() {
  return BindMethod<Timer>([](Timer& t, Args) -> Variant {
    t.Reset();
    return {};
  });
}
MethodFunction AddReceiverOp() {
  return BindMethod<Timer>([](Timer& t, Args a) -> Variant {
    t.addActionNotificationReceiver(Arg<Ref<Object>>(a, 0));
    return {};
  });
}
MethodFunction RemoveReceiverOp() {
  return BindMethod<Timer>([](Timer& t, Args a) -> Variant {
    t.removeActionNotificationReceiver(Arg<Ref<Object>>(a, 0));
    return {};
  });
}
MethodFunction CallActionOp() {
  return BindMethod<Timer>([](Timer& t, Args) -> Variant {
    t._CallAction();
    return {};
  });
}
}  // namespace

const ClassTable* Timer::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Timer",
      .methods = {{"Reset", "%%", ResetOp()},
                  {"addActionNotificationReceiver", "%%o<actionNotificationReceiver>", AddReceiverOp()},
                  {"removeActionNotificationReceiver", "%%o<actionNotificationReceiver>", RemoveReceiverOp()}},
      .events = {{"Action", nullptr}},
      .properties = {Property("Mode", "i4", &Timer::Mode, &Timer::SetMode),
                     Property("Period", "i4", &Timer::Period, &Timer::SetPeriod),
                     Property("Enabled", "b", &Timer::Enabled, &Timer::SetEnabled),
                     ReadOnlyProperty("_Running", "b", &Timer::Running, {{"__Scope", "Private"}, {"Hidden", ""}})},
      .vtable = {{"Reset", ResetOp()},
                 {"addActionNotificationReceiver", AddReceiverOp()},
                 {"removeActionNotificationReceiver", RemoveReceiverOp()},
                 {"_CallAction", CallActionOp()}},
      .factory = [] { return static_cast<Object*>(new Timer()); },
  });
  return table;
}
