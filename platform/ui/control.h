#pragma once
// Controls: objects a window holds under a name. RectControl is every
// control with a rectangle in the window: its position and size count from
// the window's content area (also for a control placed inside another by
// InitialParent), and its Qt widget is made by RectControl.Constructor.
#include <cstdint>
#include <memory>
#include <string>

#include "runtime/class_entries.h"
#include "ui/instance_events.h"

class Window;
struct NativeWidget;  // the control's Qt widget (ui/control_qt.h)

class Control : public Object, public KeptValues, public InstanceEventTarget {
 public:
  Control() = default;
  ~Control() override;
  static const ClassTable* StaticClass();

  // The window the control belongs to (set by Window.__New), none when
  // there is none or the window has ended.
  Ref<::Window> Window() const;
  ::Window* WindowPointer() const noexcept { return window_; }

  const std::string& Name() const noexcept { return name_; }
  void SetName(const std::string& name) { name_ = name; }

 private:
  friend class ::Window;
  ::Window* window_ = nullptr;  // not owned: the window holds its controls
  std::string name_;
};

class RectControl : public Control {
 public:
  RectControl();
  ~RectControl() override;
  static const ClassTable* StaticClass();

  // RectControl.Constructor: makes the Qt widget in the window's content
  // area and applies every value set so far. Raises NilObjectException for
  // a control that belongs to no window.
  void Constructor();
  bool Constructed() const noexcept;

  std::int32_t Left() const noexcept { return left_; }
  void SetLeft(std::int32_t v);
  std::int32_t Top() const noexcept { return top_; }
  void SetTop(std::int32_t v);
  std::int32_t Width() const noexcept { return width_; }
  void SetWidth(std::int32_t v);
  std::int32_t Height() const noexcept { return height_; }
  void SetHeight(std::int32_t v);
  // Keyboard focus order among the window's controls.
  std::int32_t TabIndex() const noexcept { return tabIndex_; }
  void SetTabIndex(std::int32_t v);
  bool TabStop() const noexcept { return tabStop_; }
  void SetTabStop(bool v);
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool v);
  bool Enabled() const noexcept { return enabled_; }
  void SetEnabled(bool v);
  // The tooltip; empty for none.
  const std::string& HelpTag() const noexcept { return helpTag_; }
  void SetHelpTag(const std::string& v);
  // The name of the control of the same window this one is placed inside.
  const std::string& InitialParent() const noexcept { return initialParent_; }
  void SetInitialParent(const std::string& v);

 protected:
  // Makes the Qt widget with native.parent as its parent, stores it in
  // native.widget and connects its signals.
  virtual void MakeWidget(NativeWidget& native) = 0;
  // Applies every kept value to the widget (after MakeWidget); subclasses
  // apply their own and call this.
  virtual void ApplyAll();
  // Whether the control takes keyboard focus (from the tab key, a click).
  virtual bool AcceptsFocus() const { return true; }
  void ApplyFocusPolicy();

 public:
  // The Qt side (ui/control_qt.h), none before Constructor.
  NativeWidget* Native() const noexcept { return native_.get(); }

 private:
  void ApplyGeometry();
  void ApplyParent();

  std::unique_ptr<NativeWidget> native_;
  std::int32_t left_ = 0, top_ = 0, width_ = 80, height_ = 22;
  std::int32_t tabIndex_ = 0;
  bool tabStop_ = true, visible_ = true, enabled_ = true;
  std::string helpTag_, initialParent_;
};
