#pragma once
// The application object of a run: the system makes one (a subclass) and
// registers it; the platform holds it until the runtime stops.
#include <cstdint>

#include "runtime/classes.h"
#include "ui/menu.h"

class Application : public Object {
 public:
  static const ClassTable* StaticClass();
  // Application.MenuBar.Set (application, 0, menu bar) and Get.
  void MenuBarSet(std::int32_t index, Ref<MenuBar> bar);
  Ref<MenuBar> MenuBarGet() const { return menuBar_; }

 private:
  Ref<MenuBar> menuBar_;
};

// Makes the object the application object of the run and keeps it.
void _RuntimeRegisterAppObject(const Ref<Application>& app);
// The application object of the run, none before it is registered.
Ref<Application> RuntimeAppObject();
