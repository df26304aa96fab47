#pragma once
// Values that cross the reflection layer: property setters, method entries,
// delegates and plug-in calls.
#include <cstdint>
#include <string>
#include <variant>

#include "runtime/object.h"

struct Color {
  std::uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

using Variant = std::variant<std::monostate, std::int32_t, bool, double, float, std::string, Color,
                             Ref<Object>>;

// The value as T; a value of another kind raises a RuntimeException that
// names what was expected.
template <class T>
const T& VariantAs(const Variant& v, const char* expected) {
  if (const T* p = std::get_if<T>(&v)) return *p;
  throw RuntimeException("TypeMismatchException", std::string("expected ") + expected);
}
