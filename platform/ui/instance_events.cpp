#include "ui/instance_events.h"

#include <algorithm>

#include "runtime/trace.h"
#include "ui/control.h"
#include "ui/window.h"

void InstanceEventTarget::InstallHandler(std::string_view event, Ref<Delegate> handler) {
  auto events = InstanceEvents();
  if (std::find(events.begin(), events.end(), event) == events.end())
    throw RuntimeException("UnsupportedOperationException",
                           "no event \"" + std::string(event) + "\" to install a handler for");
  for (auto& [name, installed] : handlers_)
    if (name == event) {
      installed = std::move(handler);
      return;
    }
  handlers_.emplace_back(std::string(event), std::move(handler));
}

Ref<Delegate> InstanceEventTarget::InstalledHandler(std::string_view event) const {
  for (auto& [name, installed] : handlers_)
    if (name == event) return installed;
  return {};
}

Variant InstanceEventTarget::RaiseInstanceEvent(Object& me, std::string_view event, std::span<const Variant> args) {
  // A copy, so that a handler that replaces itself finishes on its own delegate.
  Ref<Delegate> handler = InstalledHandler(event);
  if (!handler) return {};
  RuntimeTrace("event " + sourceName_ + "." + std::string(event));
  return handler->Invoke(&me, args);
}

void _InstallInstanceEventHandler(Object& target, std::string_view event, Ref<Delegate> handler) {
  auto* events = dynamic_cast<InstanceEventTarget*>(&target);
  if (!events)
    throw RuntimeException("UnsupportedOperationException",
                           "an object of class " + (target.Class() ? target.Class()->Name() : std::string("(none)")) +
                               " raises no events");
  events->InstallHandler(event, std::move(handler));
}

Ref<Window> RuntimeSwapSelfAndMe(Object& me) {
  if (auto* window = dynamic_cast<Window*>(&me)) return Ref<Window>(window);
  if (auto* control = dynamic_cast<Control*>(&me)) {
    Ref<Window> window = control->Window();
    if (!window) RaiseNilObjectException("the window of control " + control->Name());
    return window;
  }
  const ClassTable* cls = me.Class();
  const InterfaceRecord* pane = cls ? cls->FindInterface("_PaneChild") : nullptr;
  if (const MethodFunction* window = pane ? pane->Find("Window") : nullptr) {
    Variant result = (*window)(me, {});
    if (auto* object = std::get_if<Ref<Object>>(&result))
      if (Ref<Window> found = DynamicRef<Window>(*object)) return found;
    RaiseNilObjectException("the window of the " + cls->Name() + " that raised the event");
  }
  RaiseNilObjectException("the window of an object that is neither a control nor a pane child");
}
