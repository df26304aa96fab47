#pragma once
// A timer: raises Action every Period milliseconds while Mode is 2, once
// when Mode is 1 (then Mode becomes 0), never when Mode is 0 or it is
// disabled. A new timer is enabled, Mode 2, Period 1000, and starts at
// once. Action is never re-entered: a firing that comes while the timer's
// handler is still running (inside a message box, a background task) is
// dropped.
#include <cstdint>
#include <memory>

#include "runtime/classes.h"
#include "ui/instance_events.h"

struct TimerNative;  // the Qt timer (timer.cpp)

class Timer : public Object, public InstanceEventTarget {
 public:
  Timer();
  ~Timer() override;
  static const ClassTable* StaticClass();

  std::int32_t Mode() const noexcept { return mode_; }
  void SetMode(std::int32_t v);
  std::int32_t Period() const noexcept { return period_; }
  void SetPeriod(std::int32_t v);
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool v);
  // Stops the timer for good, whatever Mode and Enabled say later.
  void Halt();
  // Whether the Qt timer is running now.
  bool Running() const noexcept;
  // Raises Action, with the timer as its object.
  void _CallAction();

  // A firing of the Qt timer (inside RuntimeDispatch).
  void OnFired();

 protected:
  std::span<const std::string_view> InstanceEvents() const override;

 private:
  void Arm();

  std::int32_t mode_ = 2, period_ = 1000;
  bool enabled_ = true, inAction_ = false, halted_ = false;
  std::unique_ptr<TimerNative> native_;
};

// Stops every timer for the rest of the process (the last-resort message
// must not have a tick behind it).
void StopAllTimers();
