#pragma once
// Menus: items, the menu bar and the quit item.
#include "runtime/classes.h"

class MenuItem : public Object {
 public:
  static const ClassTable* StaticClass();
};

class MenuBar : public MenuItem {
 public:
  static const ClassTable* StaticClass();
};
