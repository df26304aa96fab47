#pragma once
// Private to the platform: the user input that arrives while a handler runs
// a background task. Clicks and keys for the windows' controls are held and
// delivered once no handler runs, as if they had come then, so that no
// control's handler runs inside another; the window system's close request,
// the menu bar and its open menus are not held, so that closing the window
// and Quit work during a long loop.
#include <functional>

namespace held_input {

// While a Scope lives, input is held (scopes nest).
class Scope {
 public:
  Scope();
  ~Scope();
  Scope(const Scope&) = delete;
  Scope& operator=(const Scope&) = delete;
};

// Holds other work that must wait until no handler runs (a menu item
// chosen during a long loop), in order with the input held.
void Hold(std::function<void()> work);
// Delivers what was held, in the order it came (the runtime calls it once
// no handler and no background task runs).
void Deliver();
// Forgets what was held (the application is quitting).
void Forget();
bool Any() noexcept;

}  // namespace held_input
