#include "ui/menu.h"

const ClassTable* MenuItem::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "MenuItem",
      .factory = [] { return static_cast<Object*>(new MenuItem()); },
  });
  return table;
}

const ClassTable* MenuBar::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({
      .name = "MenuBar",
      .parent = MenuItem::StaticClass(),
      .factory = [] { return static_cast<Object*>(new MenuBar()); },
  });
  return table;
}
