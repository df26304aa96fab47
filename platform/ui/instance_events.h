#pragma once
// Instance event handlers: the delegates installed on one control or timer
// for the events it raises, and the prologue through which a handler finds
// the window of the object that raised its event.
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/delegate.h"

class Window;

class InstanceEventTarget {
 public:
  virtual ~InstanceEventTarget() = default;

  // Installs the handler of one of the events the class raises, replacing
  // the one installed before; raises for an event that the class lacks.
  void InstallHandler(std::string_view event, Ref<Delegate> handler);
  // The installed handler, none when there is none.
  Ref<Delegate> InstalledHandler(std::string_view event) const;

  // The name the object was added to its window under ("" before): events
  // are traced as "event <name>.<event>".
  void SetEventSourceName(std::string name) { sourceName_ = std::move(name); }

 protected:
  // The events this class raises.
  virtual std::span<const std::string_view> InstanceEvents() const = 0;
  // Calls the handler installed for the event, with `me` (the object that
  // raised it) as the delegate's object; a monostate when none is installed.
  Variant RaiseInstanceEvent(Object& me, std::string_view event, std::span<const Variant> args = {});

 private:
  std::vector<std::pair<std::string, Ref<Delegate>>> handlers_;
  std::string sourceName_;
};

// Installs the delegate as the object's handler of the event ("Action",
// "TextChange", "KeyDown", "Paint", ...). Raises for an object that raises
// no instance events, or for an event its class lacks.
void _InstallInstanceEventHandler(Object& target, std::string_view event, Ref<Delegate> handler);

// The prologue of every handler: the window that the object raising the
// event belongs to. A window is its own; a control gives its window; any
// other object is asked through its class's _PaneChild interface ("Window").
// Raises NilObjectException when there is none.
Ref<Window> RuntimeSwapSelfAndMe(Object& me);
