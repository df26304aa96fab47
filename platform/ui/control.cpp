#include "ui/control.h"

#include <algorithm>

#include "ui/control_qt.h"
#include "ui/window.h"
#include "ui/window_qt.h"

// --- Control ----------------------------------------------------------------

Control::~Control() {
  if (window_) window_->ForgetControl(*this);
}

Ref<::Window> Control::Window() const { return Ref<::Window>(window_); }

const ClassTable* Control::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Control",
      // Index: the control-array index, -2147483648 for a control in no array.
      .properties = {Property("Name", "s", &Control::Name, &Control::SetName),
                     KeptProperty("Index", "i4", std::int32_t{0})},
      .vtable = {{"Window", BindMethod<Control>([](Control& c, std::span<const Variant>) -> Variant {
                    return Ref<Object>(c.Window());
                  })}},
  });
  return table;
}

// --- RectControl ------------------------------------------------------------

RectControl::RectControl() = default;
RectControl::~RectControl() = default;

bool RectControl::Constructed() const noexcept { return native_ != nullptr; }

void RectControl::Constructor() {
  if (native_) return;
  ::Window* window = WindowPointer();
  if (!window) RaiseNilObjectException("the window of the control " + Name() + " to construct");
  QWidget* content = WindowContentWidget(*window);
  if (!content) RaiseNilObjectException("the Qt window of the control " + Name() + " (the window is not constructed)");
  auto native = std::make_unique<NativeWidget>();
  native->parent = content;
  MakeWidget(*native);
  if (!native->widget) RaiseNilObjectException("the Qt widget of the control " + Name());
  native_ = std::move(native);
  ApplyAll();
}

void RectControl::ApplyAll() {
  QWidget* w = RectControlWidget(*this);
  if (!w) return;
  ApplyParent();
  ApplyFocusPolicy();
  w->setEnabled(enabled_);
  w->setToolTip(ToQString(helpTag_));
}

namespace {
int ClampCoordinate(std::int64_t v) {
  return static_cast<int>(std::clamp<std::int64_t>(v, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}
}  // namespace

void RectControl::ApplyGeometry() {
  QWidget* w = RectControlWidget(*this);
  if (!w) return;
  // Left and Top count from the window's content area, also inside another control.
  QPoint offset;
  if (QWidget* parent = w->parentWidget(); parent && native_->parent && parent != native_->parent)
    offset = parent->mapTo(native_->parent, QPoint(0, 0));
  w->setGeometry(ClampCoordinate(std::int64_t{left_} - offset.x()), ClampCoordinate(std::int64_t{top_} - offset.y()),
                 ClampCoordinate(std::max(0, width_)), ClampCoordinate(std::max(0, height_)));
}

void RectControl::ApplyParent() {
  QWidget* w = RectControlWidget(*this);
  if (!w) return;
  QWidget* target = native_->parent;
  if (!initialParent_.empty() && WindowPointer()) {
    Ref<Object> named = RuntimeWindowControlByName(*WindowPointer(), initialParent_);
    if (auto* host = dynamic_cast<RectControl*>(named.get()); host && host != this)
      if (QWidget* hostWidget = RectControlWidget(*host)) target = hostWidget;
  }
  if (target && w->parentWidget() != target) w->setParent(target);
  ApplyGeometry();
  w->setVisible(visible_);  // a new parent hides the widget
}

void RectControl::ApplyFocusPolicy() {
  QWidget* w = RectControlWidget(*this);
  if (!w) return;
  w->setFocusPolicy(!AcceptsFocus() ? Qt::NoFocus : tabStop_ ? Qt::StrongFocus : Qt::ClickFocus);
  if (WindowPointer()) WindowPointer()->UpdateTabOrder();
}

void RectControl::SetLeft(std::int32_t v) {
  left_ = v;
  ApplyGeometry();
}
void RectControl::SetTop(std::int32_t v) {
  top_ = v;
  ApplyGeometry();
}
void RectControl::SetWidth(std::int32_t v) {
  width_ = v;
  ApplyGeometry();
}
void RectControl::SetHeight(std::int32_t v) {
  height_ = v;
  ApplyGeometry();
}
void RectControl::SetTabIndex(std::int32_t v) {
  tabIndex_ = v;
  if (RectControlWidget(*this) && WindowPointer()) WindowPointer()->UpdateTabOrder();
}
void RectControl::SetTabStop(bool v) {
  tabStop_ = v;
  ApplyFocusPolicy();
}
void RectControl::SetVisible(bool v) {
  visible_ = v;
  if (QWidget* w = RectControlWidget(*this)) w->setVisible(v);
}
void RectControl::SetEnabled(bool v) {
  enabled_ = v;
  if (QWidget* w = RectControlWidget(*this)) w->setEnabled(v);
}
void RectControl::SetHelpTag(const std::string& v) {
  helpTag_ = v;
  if (QWidget* w = RectControlWidget(*this)) w->setToolTip(ToQString(v));
}
void RectControl::SetInitialParent(const std::string& v) {
  initialParent_ = v;
  ApplyParent();
}

const ClassTable* RectControl::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "RectControl",
      .parent = Control::StaticClass(),
      .properties =
          {
              Property("Left", "i4", &RectControl::Left, &RectControl::SetLeft),
              Property("Top", "i4", &RectControl::Top, &RectControl::SetTop),
              Property("Width", "i4", &RectControl::Width, &RectControl::SetWidth),
              Property("Height", "i4", &RectControl::Height, &RectControl::SetHeight),
              // Which edges would keep their distance to the window's edges
              // when it resizes: the controls stay where they were placed
              // (the main window cannot be resized).
              KeptProperty("LockLeft", "b", true),
              KeptProperty("LockTop", "b", true),
              KeptProperty("LockRight", "b", false),
              KeptProperty("LockBottom", "b", false),
              // The page of a tab panel the control is on (no tab panels here).
              KeptProperty("TabPanelIndex", "i4", std::int32_t{0}),
              Property("TabIndex", "i4", &RectControl::TabIndex, &RectControl::SetTabIndex),
              Property("TabStop", "b", &RectControl::TabStop, &RectControl::SetTabStop),
              Property("Visible", "b", &RectControl::Visible, &RectControl::SetVisible),
              Property("Enabled", "b", &RectControl::Enabled, &RectControl::SetEnabled),
              Property("HelpTag", "s", &RectControl::HelpTag, &RectControl::SetHelpTag),
              // Whether the control dims while its window is inactive (Qt's
              // controls look the same in active and inactive windows).
              KeptProperty("AutoDeactivate", "b", true),
              Property("InitialParent", "s", &RectControl::InitialParent, &RectControl::SetInitialParent),
          },
      .vtable = {{"Constructor", BindMethod(&RectControl::Constructor)}},
  });
  return table;
}
