#pragma once
// Method entries and virtual slots bound to a class's C++ operations: the
// receiver is checked to be of the class, the arguments to be of the kinds
// the operation takes.
#include <functional>
#include <span>
#include <string>

#include "runtime/classes.h"
#include "ui/property_entries.h"

template <class T>
MethodFunction BindMethod(std::function<Variant(T&, std::span<const Variant>)> f) {
  return [f = std::move(f)](Object& o, std::span<const Variant> args) -> Variant {
    return f(property_entries::Receiver<T>(o), args);
  };
}

// Argument i as the kind V (std::int32_t, bool, std::string, Ref<U>, ...).
template <class V>
V Arg(std::span<const Variant> args, std::size_t i) {
  if (i >= args.size())
    throw RuntimeException("RuntimeException", "argument " + std::to_string(i + 1) + " is missing");
  return property_entries::Kind<V>::From(args[i]);
}

// A virtual slot the platform keeps internal: present in the table, not callable.
inline VirtualSlot InternalSlot(std::string name) { return {std::move(name), nullptr}; }
