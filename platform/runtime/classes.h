#pragma once
// Class tables: the platform's reflection records. Objects are made from
// them, window events are dispatched through their event entries, property
// blocks find their setters in them and casts check them.
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/object.h"
#include "runtime/variant.h"

// A name and a value; a flag attribute such as "Hidden" has an empty value.
using Attributes = std::vector<std::pair<std::string, std::string>>;

// A method called through the reflection layer: the receiver, then the
// arguments; no result is std::monostate.
using MethodFunction = std::function<Variant(Object& self, std::span<const Variant> args)>;

struct MethodEntry {
  std::string name;
  std::string signature;  // "%result%params", such as "%s%i4"
  MethodFunction function;
  std::string invoker;  // the delegate invoker used to call it
  Attributes attributes;
};

struct EventEntry {
  std::string name;
  std::function<void(Object&)> handler;  // empty: the class does not handle it
};

struct PropertyEntry {
  std::string name;
  std::string type;  // "i4", "b", "c" (colour), "s", "d", "o<Class>", "A2s", ...
  std::function<Variant(Object&)> getter;
  std::function<void(Object&, const Variant&)> setter;
  Attributes attributes;
};

struct VirtualSlot {
  std::string name;
  MethodFunction function;  // may be empty for operations the platform keeps internal
};

struct InterfaceRecord {
  std::string name;
  std::vector<std::pair<std::string, MethodFunction>> methods;  // in the interface's order
  // The bound operation of that name, none when there is none.
  const MethodFunction* Find(std::string_view method) const noexcept;
};

// What RuntimeNewClass is given. The parent's entries come first in the
// finished table; the definition's own entries follow in their order.
struct ClassDefinition {
  std::string name;
  const ClassTable* parent = nullptr;
  std::vector<MethodEntry> methods;
  std::vector<EventEntry> events;  // entries named like the parent's fill those
  std::vector<PropertyEntry> properties;
  Attributes attributes;
  std::vector<VirtualSlot> vtable;  // a slot named like a parent's replaces it
  std::vector<InterfaceRecord> interfaces;
  std::function<void(Object&)> initializer;
  std::function<void(Object&)> finalizer;
  // Allocates the native object with zeroed state; inherited when empty.
  std::function<Object*()> factory;
};

class ClassTable {
 public:
  explicit ClassTable(ClassDefinition def);

  const std::string& Name() const noexcept { return def_.name; }
  const ClassTable* Parent() const noexcept { return def_.parent; }
  const std::vector<MethodEntry>& Methods() const noexcept { return def_.methods; }
  const std::vector<EventEntry>& Events() const noexcept { return def_.events; }
  const std::vector<PropertyEntry>& Properties() const noexcept { return def_.properties; }
  const Attributes& ClassAttributes() const noexcept { return def_.attributes; }
  const std::vector<VirtualSlot>& Vtable() const noexcept { return def_.vtable; }
  const std::vector<InterfaceRecord>& Interfaces() const noexcept { return def_.interfaces; }
  const std::function<void(Object&)>& Initializer() const noexcept { return def_.initializer; }
  const std::function<void(Object&)>& Finalizer() const noexcept { return def_.finalizer; }
  const std::function<Object*()>& Factory() const noexcept { return def_.factory; }

  const MethodEntry* FindMethod(std::string_view name) const noexcept;
  const EventEntry* FindEvent(std::string_view name) const noexcept;
  const PropertyEntry* FindProperty(std::string_view name) const noexcept;
  const VirtualSlot* FindVirtual(std::string_view name) const noexcept;
  const InterfaceRecord* FindInterface(std::string_view name) const noexcept;
  // True when this class is `other` or derives from it.
  bool IsA(const ClassTable* other) const noexcept;

 private:
  ClassDefinition def_;
};

// Builds and registers a class table; the table lives for the process.
const ClassTable* RuntimeNewClass(ClassDefinition def);
// The registered table of that class name, or none.
const ClassTable* RuntimeFindClass(std::string_view name) noexcept;
// How many tables have been built so far (a build is traced as "class <name>").
std::size_t RuntimeClassCount() noexcept;

// A new object of the class: zeroed storage, then every initialiser from the
// root class down. Raises when the class has no factory.
Ref<Object> RuntimeNewObject(const ClassTable* table);

// The object as the class: raises IllegalCastException when it is of
// another class, NilObjectException when it is none.
Ref<Object> RuntimeCheckCast(const Ref<Object>& object, const ClassTable* table);
template <class T>
Ref<T> RuntimeCheckCastAs(const Ref<Object>& object, const ClassTable* table) {
  Ref<Object> checked = RuntimeCheckCast(object, table);
  Ref<T> typed = DynamicRef<T>(checked);
  if (!typed) throw IllegalCastException("the object is not a " + table->Name());
  return typed;
}

// Raises the class event of that name on the object, when its class fills
// it; returns whether a handler ran.
bool RuntimeRaiseClassEvent(Object& object, std::string_view event);

// Calls a virtual operation of the object's class table by name.
Variant RuntimeCallVirtual(Object& object, std::string_view slot, std::span<const Variant> args = {});
