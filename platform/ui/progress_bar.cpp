#include "ui/progress_bar.h"

#include <QProgressBar>
#include <algorithm>

#include "ui/control_qt.h"

void ProgressBar::MakeWidget(NativeWidget& native) {
  auto* bar = new QProgressBar(native.parent);
  bar->setTextVisible(false);
  native.widget = bar;
}

void ProgressBar::ApplyAll() {
  RectControl::ApplyAll();
  ApplyValue();
}

void ProgressBar::ApplyValue() {
  auto* bar = NativeAs<QProgressBar>(*this);
  if (!bar) return;
  // Qt ignores a value outside its range, and shows a busy bar for an
  // empty range; the bar shows the value clamped instead.
  const int maximum = std::max(1, maximum_);
  const int shown = maximum_ <= 0 ? 0 : std::clamp(value_, 0, maximum_);
  bar->setRange(0, maximum);
  bar->setValue(shown);
}

void ProgressBar::SetValue(std::int32_t v) {
  value_ = v;
  ApplyValue();
}

void ProgressBar::SetMaximum(std::int32_t v) {
  maximum_ = v;
  ApplyValue();
}

const ClassTable* ProgressBar::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "ProgressBar",
      .parent = RectControl::StaticClass(),
      .properties = {Property("Value", "i4", &ProgressBar::Value, &ProgressBar::SetValue),
                     Property("Maximum", "i4", &ProgressBar::Maximum, &ProgressBar::SetMaximum)},
      .factory = [] { return static_cast<Object*>(new ProgressBar()); },
  });
  return table;
}
