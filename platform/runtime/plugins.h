#pragma once
// Plug-in entry points. The platform registers each member of its plug-in
// classes (the bevel button, the movie, track and effect classes) under its
// declaration text; the system looks every member up by that text at
// start-up and calls through the entry it got back.
#include <any>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/object.h"

// One entry: the declaration and a typed std::function, or nothing when the
// declaration did not resolve (calling it raises an exception naming it).
struct PluginEntrypoint {
  std::string declaration;
  std::any function;
};

class PluginEntrypointTable : public Object {
 public:
  explicit PluginEntrypointTable(std::size_t count) : entries_(count) {}
  std::size_t Count() const noexcept { return entries_.size(); }
  // 1-based, as the system fills it.
  PluginEntrypoint& Entry(std::size_t index);
  const PluginEntrypoint& Entry(std::size_t index) const;

 private:
  std::vector<PluginEntrypoint> entries_;
};

// Platform side: offers a member under its declaration text.
void RuntimeRegisterPluginMember(std::string declaration, std::any function);
// System side.
Ref<PluginEntrypointTable> RuntimeAllocatePluginEntrypointsTable(std::size_t count);
PluginEntrypoint RuntimeLookupPluginEntrypoint(std::string_view declaration);

// Calls an entry as the signature Sig, for example
// PluginCall<void(BevelButton&, const std::string&)>(entry, button, "x").
template <class Sig, class... A>
decltype(auto) PluginCall(const PluginEntrypoint& entry, A&&... args) {
  auto* fn = std::any_cast<std::function<Sig>>(&entry.function);
  if (!fn || !*fn)
    throw RuntimeException("PlugInException", "the plug-in member \"" + entry.declaration + "\" is not available");
  return (*fn)(std::forward<A>(args)...);
}
