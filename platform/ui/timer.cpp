#include "ui/timer.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <array>
#include <vector>

#include "runtime/class_entries.h"
#include "runtime/runtime.h"

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
      OnFired();
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
void Timer::Halt() {
  halted_ = true;
  Arm();
}

void Timer::OnFired() {
  if (inAction_) return;  // its handler is still running
  if (mode_ == 1) mode_ = 0;
  inAction_ = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{inAction_};
  // Through the class's virtual table, where a subclass may replace it.
  RuntimeCallVirtual(*this, "_CallAction");
}

void Timer::_CallAction() { RaiseInstanceEvent(*this, "Action"); }

const ClassTable* Timer::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Timer",
      .events = {{"Action", nullptr}},
      .properties = {Property("Mode", "i4", &Timer::Mode, &Timer::SetMode),
                     Property("Period", "i4", &Timer::Period, &Timer::SetPeriod),
                     Property("Enabled", "b", &Timer::Enabled, &Timer::SetEnabled),
                     ReadOnlyProperty("_Running", "b", &Timer::Running, {{"__Scope", "Private"}, {"Hidden", ""}})},
      // Nothing calls Reset or the action receivers' operations.
      .vtable = {InternalSlot("Reset"), InternalSlot("addActionNotificationReceiver"),
                 InternalSlot("removeActionNotificationReceiver"),
                 {"_CallAction", BindMethod(&Timer::_CallAction)}},
      .factory = [] { return static_cast<Object*>(new Timer()); },
  });
  return table;
}
