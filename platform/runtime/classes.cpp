#include "runtime/classes.h"

#include <algorithm>
#include <deque>
#include <map>

#include "runtime/trace.h"

namespace {

template <class Entry>
const Entry* FindByName(const std::vector<Entry>& list, std::string_view name) noexcept {
  // Own entries come last and win over a parent's of the same name.
  for (auto it = list.rbegin(); it != list.rend(); ++it)
    if (it->name == name) return &*it;
  return nullptr;
}

struct Registry {
  std::deque<ClassTable> tables;  // stable addresses
  std::map<std::string, const ClassTable*, std::less<>> byName;
};

Registry& ClassRegistry() {
  static Registry r;
  return r;
}

ClassDefinition MergeWithParent(ClassDefinition def) {
  const ClassTable* parent = def.parent;
  if (!parent) return def;
  auto prepend = [](auto& own, const auto& inherited) {
    std::remove_reference_t<decltype(own)> merged(inherited.begin(), inherited.end());
    merged.insert(merged.end(), own.begin(), own.end());
    own = std::move(merged);
  };
  prepend(def.methods, parent->Methods());
  prepend(def.properties, parent->Properties());

  // Events and slots: the parent's list in its order; an own entry of the
  // same name fills the parent's, the others follow.
  auto fill = [](auto& own, const auto& inherited, auto member) {
    std::remove_reference_t<decltype(own)> merged(inherited.begin(), inherited.end());
    for (auto& entry : own) {
      auto it = std::find_if(merged.begin(), merged.end(), [&](auto& e) { return e.name == entry.name; });
      if (it != merged.end()) (*it).*member = entry.*member;
      else merged.push_back(entry);
    }
    own = std::move(merged);
  };
  fill(def.events, parent->Events(), &EventEntry::handler);
  fill(def.vtable, parent->Vtable(), &VirtualSlot::function);
  if (!def.factory) def.factory = parent->Factory();
  return def;
}

}  // namespace

const MethodFunction* InterfaceRecord::Find(std::string_view method) const noexcept {
  for (auto& [name, function] : methods)
    if (name == method && function) return &function;
  return nullptr;
}

ClassTable::ClassTable(ClassDefinition def) : def_(std::move(def)) {}

const MethodEntry* ClassTable::FindMethod(std::string_view name) const noexcept {
  return FindByName(def_.methods, name);
}
const EventEntry* ClassTable::FindEvent(std::string_view name) const noexcept {
  return FindByName(def_.events, name);
}
const PropertyEntry* ClassTable::FindProperty(std::string_view name) const noexcept {
  return FindByName(def_.properties, name);
}
const VirtualSlot* ClassTable::FindVirtual(std::string_view name) const noexcept {
  return FindByName(def_.vtable, name);
}
const InterfaceRecord* ClassTable::FindInterface(std::string_view name) const noexcept {
  for (const ClassTable* c = this; c; c = c->Parent())
    if (auto* r = FindByName(c->def_.interfaces, name)) return r;
  return nullptr;
}
bool ClassTable::IsA(const ClassTable* other) const noexcept {
  for (const ClassTable* c = this; c; c = c->Parent())
    if (c == other) return true;
  return false;
}

const ClassTable* RuntimeNewClass(ClassDefinition def) {
  auto& r = ClassRegistry();
  std::string name = def.name;
  if (r.byName.count(name)) throw RuntimeException("RuntimeException", "class " + name + " is registered twice");
  const ClassTable& table = r.tables.emplace_back(MergeWithParent(std::move(def)));
  r.byName.emplace(name, &table);
  RuntimeTrace("class " + name);
  return &table;
}

const ClassTable* RuntimeFindClass(std::string_view name) noexcept {
  auto& r = ClassRegistry();
  auto it = r.byName.find(name);
  return it == r.byName.end() ? nullptr : it->second;
}

std::size_t RuntimeClassCount() noexcept { return ClassRegistry().tables.size(); }

Ref<Object> RuntimeNewObject(const ClassTable* table) {
  if (!table) RaiseNilObjectException("the class table");
  if (!table->Factory()) throw RuntimeException("RuntimeException", "class " + table->Name() + " cannot make objects");
  Ref<Object> object(table->Factory()());
  object->SetClass(table);
  std::vector<const ClassTable*> chain;
  for (const ClassTable* c = table; c; c = c->Parent()) chain.push_back(c);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    if ((*it)->Initializer()) (*it)->Initializer()(*object);
  return object;
}

Ref<Object> RuntimeCheckCast(const Ref<Object>& object, const ClassTable* table) {
  if (!object) RaiseNilObjectException("the object to cast");
  if (!table) RaiseNilObjectException("the class table to cast to");
  const ClassTable* cls = object->Class();
  if (!cls || !cls->IsA(table))
    throw IllegalCastException("an object of class " + (cls ? cls->Name() : std::string("(none)")) +
                               " is not a " + table->Name());
  return object;
}

bool RuntimeRaiseClassEvent(Object& object, std::string_view event) {
  const ClassTable* cls = object.Class();
  const EventEntry* entry = cls ? cls->FindEvent(event) : nullptr;
  if (!entry || !entry->handler) return false;
  entry->handler(object);
  return true;
}

Variant RuntimeCallVirtual(Object& object, std::string_view slot, std::span<const Variant> args) {
  const ClassTable* cls = object.Class();
  const VirtualSlot* s = cls ? cls->FindVirtual(slot) : nullptr;
  if (!s || !s->function)
    throw RuntimeException("RuntimeException", "no virtual operation " + std::string(slot));
  return s->function(object, args);
}

void Object::Release() const noexcept {
  if (refs_.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  auto* self = const_cast<Object*>(this);
  // Keep the object alive while finalisers run; they may hand it around.
  refs_.store(1 << 30, std::memory_order_relaxed);
  for (const ClassTable* c = class_; c; c = c->Parent()) {
    if (!c->Finalizer()) continue;
    try {
      c->Finalizer()(*self);
    } catch (...) {
      // A finaliser cannot report a failure; the object is freed regardless.
    }
  }
  delete self;
}
