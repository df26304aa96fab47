#pragma once
// The plug-in entry-point table: one entry per member of the platform's
// plug-in classes, looked up by declaration text at start-up, in the order
// of kPluginDeclarations.
#include <span>
#include <string_view>

#include "runtime/plugins.h"

std::span<const std::string_view> PluginDeclarations();
// Keeps the table filled at start-up.
void SetPluginEntrypoints(Ref<PluginEntrypointTable> table);
// The entry for a declaration of the list; raises when the table is not
// filled or the declaration is not in the list.
const PluginEntrypoint& PluginEntry(std::string_view declaration);
