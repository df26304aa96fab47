#include "runtime/plugins.h"

#include <map>

namespace {
std::map<std::string, std::any, std::less<>>& PluginMembers() {
  static std::map<std::string, std::any, std::less<>> m;
  return m;
}
}  // namespace

PluginEntrypoint& PluginEntrypointTable::Entry(std::size_t index) {
  if (index < 1 || index > entries_.size())
    throw RuntimeException("OutOfBoundsException", "plug-in entry " + std::to_string(index) + " is out of bounds");
  return entries_[index - 1];
}
const PluginEntrypoint& PluginEntrypointTable::Entry(std::size_t index) const {
  return const_cast<PluginEntrypointTable*>(this)->Entry(index);
}

void RuntimeRegisterPluginMember(std::string declaration, std::any function) {
  PluginMembers()[std::move(declaration)] = std::move(function);
}

Ref<PluginEntrypointTable> RuntimeAllocatePluginEntrypointsTable(std::size_t count) {
  return New<PluginEntrypointTable>(count);
}

PluginEntrypoint RuntimeLookupPluginEntrypoint(std::string_view declaration) {
  auto& m = PluginMembers();
  auto it = m.find(declaration);
  return {std::string(declaration), it == m.end() ? std::any{} : it->second};
}
