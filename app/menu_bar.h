#pragma once
// The application's one menu bar, File then Edit, made on the first request
// and shared by the application object and the main window.
#include "ui/menu.h"

namespace Menu {

class Menu : public MenuBar {
 public:
  // Builds the two menus, each through the object's virtual operations.
  void Constructor();
  void Untitled1();  // File
  void Untitled2();  // Edit

  static const ClassTable* __Lookup();
  static void __ctblinit();
};

// The accessor Menu.Menu: the shared bar, built on the first call; a
// reference of the caller's own. A bar whose building failed is dropped,
// so the next call builds a whole new one.
Ref<Menu> Instance();
// Menu._implicitInstance.__Exit: lets go of the shared bar.
void _implicitInstance__Exit();

}  // namespace Menu
