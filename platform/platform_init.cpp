#include "platform_init.h"

#include "app/application.h"
#include "app/file_type.h"
#include "runtime/delegate.h"
#include "runtime/trace.h"
#include "runtime/values.h"
#include "ui/menu.h"

void RuntimeInitPlatformClasses() {
  Delegate::StaticClass();
  StringArray::StaticClass();
  Application::StaticClass();
  MenuItem::StaticClass();
  MenuBar::StaticClass();
  QuitMenuItem::StaticClass();
  FileType::StaticClass();  // last of the platform's classes
}

void _RuntimeInitExternalClasses() { RuntimeTrace("external classes"); }

void RuntimeReleaseFrameworkGlobals() { RuntimeTrace("release framework globals"); }
