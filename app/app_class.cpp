#include "app/app_class.h"

namespace {
const ClassTable* gAppTable = nullptr;  // App.__ctbl
}

const ClassTable* App::__Lookup() {
  if (!gAppTable) __ctblinit();
  return gAppTable;
}

void App::__ctblinit() {
  if (gAppTable) return;
  // Everything is inherited: entries, layout, virtual table; no initialiser
  // or finaliser of its own, no attribute.
  gAppTable = RuntimeNewClass({
      .name = "App",
      .parent = Application::StaticClass(),
      .factory = [] { return static_cast<Object*>(new App()); },
  });
}
