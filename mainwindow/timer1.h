#pragma once
// Window1.Timer1, the class of the window's timer Timer1: a Timer that a
// window holds beside its controls. Through the _PaneChild interface the
// platform tells it its window, and the Action handler's prologue finds the
// window through its Window operation.
#include <cstdint>

#include "mainwindow/window1.h"

class Window1::Timer1 : public Timer {
 public:
  static const ClassTable* __Lookup();
  static void __ctblinit();
  static void __Exit(Timer1& timer);

  // Changes nothing: Mode and Period keep the platform's defaults until
  // the property block is applied.
  void Constructor() {}
  // Holds the window (releasing the one held before).
  void _SetWindow(Ref<::Window> window) { ownerWindow_ = std::move(window); }
  Ref<::Window> Window() const { return ownerWindow_; }
  std::int32_t _Index() const noexcept { return Index; }
  void _SetIndex(std::int32_t index) noexcept { Index = index; }

  std::int32_t Index = 0;

 private:
  Ref<::Window> ownerWindow_;
};
