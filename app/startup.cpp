#include "app/startup.h"

#include "app/app_class.h"
#include "app/file_types.h"
#include "app/menu_bar.h"
#include "app/plugin_entrypoints.h"
#include "mainwindow/timer1.h"
#include "mainwindow/window1.h"
#include "platform_init.h"
#include "runtime/delegate.h"
#include "runtime/runtime.h"
#include "runtime/trace.h"

int vindralo_main() {
  RuntimeInit();
  vindralo_initialize();
  _Main();
  vindralo_finalize();
  return RuntimeExit();
}

void vindralo_initialize() {
  RuntimeInitPlatformClasses();
  // The system's own classes, last of all.
  Window1::__ctblinit();
  Window1::Timer1::__ctblinit();
  Menu::Menu::__ctblinit();
  App::__ctblinit();
}

void _Main() {
  try {
    Ref<Delegate> startup = RuntimeCreateDelegate(
        "Delegate.Invoke",
        [](Object&, std::span<const Variant>) -> Variant {
          _Startup();
          return {};
        },
        nullptr, "(  )");
    _RunFrameworkInitialization(startup->Function());
    startup.Reset();
    _RuntimeRun();
  } catch (...) {
    _UnhandledException(std::current_exception());
  }
}

void _Startup() {
  RuntimeTrace("startup");
  _RuntimeInitExternalClasses();
  _InitPluginEntrypoints();
  _InitFileTypes();
  _NewAppInstance();
  _ApplicationAddMenuHandlers();
  _MakeDefaultView();
}

void _InitPluginEntrypoints() {
  auto declarations = PluginDeclarations();
  Ref<PluginEntrypointTable> table = RuntimeAllocatePluginEntrypointsTable(declarations.size());
  for (std::size_t i = 0; i < declarations.size(); ++i)
    table->Entry(i + 1) = RuntimeLookupPluginEntrypoint(declarations[i]);
  SetPluginEntrypoints(std::move(table));
}

void _InitFileTypes() { FileTypes::_Initialize(); }

void _NewAppInstance() {
  Ref<Application> app = RuntimeCheckCastAs<Application>(RuntimeNewObject(App::__Lookup()), App::__Lookup());
  Ref<MenuBar> bar = Menu::Instance();  // built on this first request
  app->MenuBarSet(0, bar);
  bar.Reset();
  _RuntimeRegisterAppObject(app);
}

void _ApplicationAddMenuHandlers() {}

void _MakeDefaultView() {
  // The platform holds and shows the window from now on.
  Window1Accessor().Reset();
}

void vindralo_finalize() {
  RuntimeReleaseFrameworkGlobals();
  FileTypes::ReleaseAll();
  Menu::_implicitInstance__Exit();
}
