#pragma once
// The application object of a run: the system makes one (a subclass) and
// registers it; the platform holds it until the runtime stops.
#include <cstdint>

#include "runtime/classes.h"

#include "ui/menu.h"

class Application : public Object {
 public:
  static const ClassTable* StaticClass();
  const Ref<MenuBar>& MenuBarRef() const noexcept { return menuBar_; }
  void SetMenuBar(Ref<MenuBar> bar);

 private:
  Ref<MenuBar> menuBar_;
};

// Application.MenuBar.Set (application, 0, menu bar).
void ApplicationMenuBarSet(Application& app, std::int32_t index, Ref<MenuBar> bar);
// Makes the object the application object of the run and keeps it.
void _RuntimeRegisterAppObject(const Ref<Application>& app);
Ref<Application> RuntimeAppObject();
