#pragma once
// Class-table entries made from a class's C++ members: the one way every
// platform class lists its properties and binds its operations. Each entry
// checks the object it is used on (it must be of the class the entry was
// made for) and the kind of every value handed in.
//
//   Property(name, type, &C::Get, &C::Set)  read and write through accessors
//   Property(name, type, &C::member)         read and write a data member
//   Property<C>(name, type, get, set)        the same with callables on C&
//   ReadOnlyProperty(name, type, &C::Get)    read only
//   KeptProperty(name, type, initial)        a value the platform only keeps
//                                            (the class derives from KeptValues)
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "runtime/classes.h"

namespace class_entries {

// Converts between a C++ value and a Variant, checking the Variant's kind.
template <class V>
struct Kind {
  static Variant To(const V& v) { return v; }
  static V From(const Variant& v) { return VariantAs<V>(v, Expected()); }
  static const char* Expected() {
    if constexpr (std::is_same_v<V, std::int32_t>) return "an Int32";
    else if constexpr (std::is_same_v<V, bool>) return "a Boolean";
    else if constexpr (std::is_same_v<V, double>) return "a Double";
    else if constexpr (std::is_same_v<V, Color>) return "a Color";
    else if constexpr (std::is_same_v<V, std::string>) return "a String";
    else static_assert(sizeof(V) == 0, "a kind no property or argument has");
  }
};
template <>
struct Kind<float> {
  static Variant To(float v) { return v; }
  static float From(const Variant& v) {
    if (auto* d = std::get_if<double>(&v)) return static_cast<float>(*d);
    return VariantAs<float>(v, "a Single");
  }
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

// The class a member pointer belongs to.
template <class M>
struct MemberOf;
template <class R, class C>
struct MemberOf<R C::*> {
  using type = C;
};

}  // namespace class_entries

// The object an entry is used on, as the class the entry was made for.
template <class T>
T& Receiver(Object& object) {
  if (auto* t = dynamic_cast<T*>(&object)) return *t;
  throw IllegalCastException("an object of class " + (object.Class() ? object.Class()->Name() : "(none)") +
                             " has no such member");
}

// A readable and writable property. `get` and `set` are member pointers of
// the receiver's class (a data member serves as either) or callables taking
// the receiver; T, the receiver's class, is the members' class by default.
template <class T = void, class Get, class Set>
PropertyEntry Property(std::string name, std::string type, Get get, Set set, Attributes attributes = {}) {
  using Recv = std::conditional_t<std::is_void_v<T>, typename class_entries::MemberOf<Get>::type, T>;
  using V = std::remove_cvref_t<std::invoke_result_t<Get, Recv&>>;
  using K = class_entries::Kind<V>;
  return {std::move(name), std::move(type),
          [get](Object& o) -> Variant { return K::To(std::invoke(get, Receiver<Recv>(o))); },
          [set](Object& o, const Variant& v) {
            if constexpr (std::is_member_object_pointer_v<Set>) std::invoke(set, Receiver<Recv>(o)) = K::From(v);
            else std::invoke(set, Receiver<Recv>(o), K::From(v));
          },
          std::move(attributes)};
}

template <class Field>
  requires std::is_member_object_pointer_v<Field>
PropertyEntry Property(std::string name, std::string type, Field field, Attributes attributes = {}) {
  return Property(std::move(name), std::move(type), field, field, std::move(attributes));
}

template <class T = void, class Get>
PropertyEntry ReadOnlyProperty(std::string name, std::string type, Get get, Attributes attributes = {}) {
  using Recv = std::conditional_t<std::is_void_v<T>, typename class_entries::MemberOf<Get>::type, T>;
  using K = class_entries::Kind<std::remove_cvref_t<std::invoke_result_t<Get, Recv&>>>;
  return {std::move(name), std::move(type),
          [get](Object& o) -> Variant { return K::To(std::invoke(get, Receiver<Recv>(o))); }, nullptr,
          std::move(attributes)};
}

// The values of an object's kept properties: settings the platform stores
// and gives back but that change nothing it shows (no widget of this
// platform has them).
class KeptValues {
 public:
  virtual ~KeptValues() = default;
  const Variant* Find(std::string_view name) const {
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
  }
  void Keep(std::string_view name, Variant value) { values_.insert_or_assign(std::string(name), std::move(value)); }

 private:
  std::map<std::string, Variant, std::less<>> values_;
};

// A property whose value the object only keeps: `initial` until it is set.
template <class V>
PropertyEntry KeptProperty(std::string name, std::string type, V initial, Attributes attributes = {}) {
  using K = class_entries::Kind<V>;
  return {name, std::move(type),
          [name, initial = K::To(initial)](Object& o) -> Variant {
            const Variant* kept = Receiver<KeptValues>(o).Find(name);
            return kept ? *kept : initial;
          },
          [name](Object& o, const Variant& v) { Receiver<KeptValues>(o).Keep(name, K::To(K::From(v))); },
          std::move(attributes)};
}

// A method entry or virtual operation of class T: f gets the receiver as T
// and the arguments.
template <class T, class F>
MethodFunction BindMethod(F f) {
  return [f = std::move(f)](Object& o, std::span<const Variant> args) -> Variant {
    return f(Receiver<T>(o), args);
  };
}

// A method that takes nothing and returns nothing: the member function.
template <class T>
MethodFunction BindMethod(void (T::*op)()) {
  return BindMethod<T>([op](T& receiver, std::span<const Variant>) -> Variant {
    (receiver.*op)();
    return {};
  });
}

// Argument i as the kind V (std::int32_t, bool, std::string, Ref<U>, ...).
template <class V>
V Arg(std::span<const Variant> args, std::size_t i) {
  if (i >= args.size())
    throw RuntimeException("RuntimeException", "argument " + std::to_string(i + 1) + " is missing");
  return class_entries::Kind<V>::From(args[i]);
}

// A virtual slot that the table lists but that the platform offers no
// operation for.
inline VirtualSlot InternalSlot(std::string name) { return {std::move(name), nullptr}; }
