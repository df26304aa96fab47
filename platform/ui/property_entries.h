#pragma once
// Class-table property entries made from a class's accessor pair, so that
// every platform class lists its properties as a table of name, type code
// and accessors. The entry's getter and setter convert between the class's
// C++ value and the reflection layer's Variant.
#include <string>
#include <type_traits>
#include <utility>

#include "runtime/classes.h"

namespace property_entries {

template <class V>
struct Kind;

template <>
struct Kind<std::int32_t> {
  static Variant To(std::int32_t v) { return v; }
  static std::int32_t From(const Variant& v) { return VariantAs<std::int32_t>(v, "an Int32"); }
};
template <>
struct Kind<bool> {
  static Variant To(bool v) { return v; }
  static bool From(const Variant& v) { return VariantAs<bool>(v, "a Boolean"); }
};
template <>
struct Kind<float> {
  static Variant To(float v) { return v; }
  static float From(const Variant& v) {
    if (auto* d = std::get_if<double>(&v)) return static_cast<float>(*d);
    return VariantAs<float>(v, "a Single");
  }
};
template <>
struct Kind<double> {
  static Variant To(double v) { return v; }
  static double From(const Variant& v) { return VariantAs<double>(v, "a Double"); }
};
template <>
struct Kind<Color> {
  static Variant To(Color v) { return v; }
  static Color From(const Variant& v) { return VariantAs<Color>(v, "a Color"); }
};
template <>
struct Kind<std::string> {
  static Variant To(const std::string& v) { return v; }
  static std::string From(const Variant& v) { return VariantAs<std::string>(v, "a String"); }
};
template <class U>
struct Kind<Ref<U>> {
  static Variant To(const Ref<U>& v) { return Ref<Object>(v); }
  static Ref<U> From(const Variant& v) {
    if (std::holds_alternative<std::monostate>(v)) return {};
    const Ref<Object>& o = VariantAs<Ref<Object>>(v, "an object");
    if (!o) return {};
    Ref<U> typed = DynamicRef<U>(o);
    if (!typed) throw IllegalCastException("the value is not a " + U::StaticClass()->Name());
    return typed;
  }
};

// The object as the class whose entry is used.
template <class T>
T& Receiver(Object& object) {
  if (auto* t = dynamic_cast<T*>(&object)) return *t;
  throw IllegalCastException("an object of class " + (object.Class() ? object.Class()->Name() : "(none)") +
                             " has no such property");
}

}  // namespace property_entries

// A readable and writable property: getter `get`, setter `set`. The entry
// is used on objects of class T (by default the class of the accessors,
// which may be a base of T).
template <class T = void, class B, class R, class A>
PropertyEntry Property(std::string name, std::string type, R (B::*get)() const, void (B::*set)(A),
                       Attributes attributes = {}) {
  using Recv = std::conditional_t<std::is_void_v<T>, B, T>;
  using V = std::remove_cvref_t<R>;
  using K = property_entries::Kind<V>;
  static_assert(std::is_same_v<V, std::remove_cvref_t<A>>, "getter and setter of different kinds");
  return {std::move(name), std::move(type),
          [get](Object& o) -> Variant { return K::To((property_entries::Receiver<Recv>(o).*get)()); },
          [set](Object& o, const Variant& v) { (property_entries::Receiver<Recv>(o).*set)(K::From(v)); },
          std::move(attributes)};
}

// A property that can only be read.
template <class T = void, class B, class R>
PropertyEntry ReadOnlyProperty(std::string name, std::string type, R (B::*get)() const,
                               Attributes attributes = {}) {
  using Recv = std::conditional_t<std::is_void_v<T>, B, T>;
  using K = property_entries::Kind<std::remove_cvref_t<R>>;
  return {std::move(name), std::move(type),
          [get](Object& o) -> Variant { return K::To((property_entries::Receiver<Recv>(o).*get)()); },
          nullptr, std::move(attributes)};
}
