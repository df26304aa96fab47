// Placeholders for the engine's handlers and helper methods of Window1,
// until the engine's own definitions replace this file: every click and
// tick reaches its handler, which does nothing yet.
#include "mainwindow/window1.h"

void Window1::BevelButton1_Action() {}
void Window1::BevelButton2_Action() {}
void Window1::BevelButton3_Action() {}
void Window1::BevelButton4_Action() {}
void Window1::BevelButton6_Action() {}
void Window1::Timer1_Action() {}
std::string Window1::bildname(std::int32_t) { return {}; }
Ref<Picture> Window1::croppicture(const Ref<Picture>&, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
  return {};
}
