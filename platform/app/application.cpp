#include "app/application.h"

#include "runtime/runtime.h"
#include "runtime/trace.h"

namespace {
Ref<Application>& AppObject() {
  static Ref<Application> app;
  return app;
}
}  // namespace

const ClassTable* Application::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "Application",
      .factory = [] { return static_cast<Object*>(new Application()); },
  });
  return table;
}

void Application::MenuBarSet(std::int32_t, Ref<MenuBar> bar) {
  RuntimeTrace("application menu bar set");
  menuBar_ = std::move(bar);
}

void _RuntimeRegisterAppObject(const Ref<Application>& app) {
  RuntimeTrace("application object registered");
  AppObject() = app;
  // The runtime lets go of the application object when it stops.
  static bool hooked = false;
  if (!hooked) {
    hooked = true;
    RuntimeAddExitHook([] { AppObject().Reset(); });
  }
}

Ref<Application> RuntimeAppObject() { return AppObject(); }
