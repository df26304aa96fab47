#pragma once
// The application class: an Application that adds and replaces nothing.
#include "app/application.h"

class App : public Application {
 public:
  static const ClassTable* __Lookup();
  static void __ctblinit();
};
