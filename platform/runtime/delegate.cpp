#include "runtime/delegate.h"

#include <array>

namespace {

struct Invoker {
  std::string_view name;
  std::size_t arguments;
  bool (*accepts)(std::span<const Variant>);
};

bool None(std::span<const Variant>) { return true; }
bool OneString(std::span<const Variant> a) { return std::holds_alternative<std::string>(a[0]); }
bool OneObject(std::span<const Variant> a) { return std::holds_alternative<Ref<Object>>(a[0]); }

constexpr std::array kInvokers{
    Invoker{"Delegate.Invoke", 0, None},
    Invoker{"Delegate.IM_Invoke%%", 0, None},
    Invoker{"Delegate.IM_Invoke%b%s", 1, OneString},
    Invoker{"Delegate.IM_Invoke%%o<Graphics>", 1, OneObject},
};

const Invoker* FindInvoker(std::string_view name) {
  for (auto& i : kInvokers)
    if (i.name == name) return &i;
  return nullptr;
}

}  // namespace

Delegate::Delegate(std::string invoker, MethodFunction function, Object* bound, std::string signature)
    : invoker_(std::move(invoker)), function_(std::move(function)), bound_(bound), signature_(std::move(signature)) {}

Variant Delegate::Invoke(Object* me, std::span<const Variant> args) const {
  const Invoker* inv = FindInvoker(invoker_);
  if (!inv || args.size() != inv->arguments || !inv->accepts(args))
    throw RuntimeException("RuntimeException", "a delegate of signature \"" + signature_ +
                                                   "\" was called with the wrong arguments");
  Object* receiver = me ? me : bound_;
  if (!receiver) RaiseNilObjectException("the delegate's object");
  if (!function_) RaiseNilObjectException("the delegate's function");
  return function_(*receiver, args);
}

const ClassTable* Delegate::StaticClass() {
  static const ClassTable* table = RuntimeNewClass({.name = "Delegate"});
  return table;
}

Ref<Delegate> RuntimeCreateDelegate(std::string_view invoker, MethodFunction function, Object* bound,
                                    std::string_view signature) {
  if (!FindInvoker(invoker))
    throw RuntimeException("RuntimeException", "no delegate invoker " + std::string(invoker));
  return New<Delegate>(std::string(invoker), std::move(function), bound, std::string(signature));
}
