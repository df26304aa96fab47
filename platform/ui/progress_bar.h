#pragma once
// A progress bar from 0 to Maximum. Value and Maximum keep what was set; a
// value beyond the maximum shows a full bar, one below 0 an empty bar, and
// a maximum of 0 or below an empty bar (there is nothing to measure).
#include <cstdint>

#include "ui/control.h"

class ProgressBar : public RectControl {
 public:
  static const ClassTable* StaticClass();

  std::int32_t Value() const noexcept { return value_; }
  void SetValue(std::int32_t v);
  std::int32_t Maximum() const noexcept { return maximum_; }
  void SetMaximum(std::int32_t v);

 protected:
  void MakeWidget(NativeWidget& native) override;
  void ApplyAll() override;
  bool AcceptsFocus() const override { return false; }
  std::span<const std::string_view> InstanceEvents() const override { return {}; }

 private:
  void ApplyValue();

  std::int32_t value_ = 0, maximum_ = 100;
};
