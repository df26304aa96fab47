#pragma once
// Delegates: a function entry bound to an object, called through an invoker
// chosen by the signature text it was made with.
#include <string>
#include <string_view>

#include "runtime/classes.h"

class Delegate : public Object {
 public:
  Delegate(std::string invoker, MethodFunction function, Object* bound, std::string signature);

  const std::string& InvokerName() const noexcept { return invoker_; }
  const std::string& Signature() const noexcept { return signature_; }
  // The object the delegate was bound to; not owned, since the bound window
  // holds the controls that hold its handlers.
  Object* Bound() const noexcept { return bound_; }
  const MethodFunction& Function() const noexcept { return function_; }

  // Calls the function through the invoker: `me` is the object that raised
  // the event (the bound object when none is given), then the arguments.
  Variant Invoke(Object* me, std::span<const Variant> args = {}) const;

  static const ClassTable* StaticClass();

 private:
  std::string invoker_;
  MethodFunction function_;
  Object* bound_;
  std::string signature_;
};

// Raises a RuntimeException when the invoker is not one the platform has:
// "Delegate.Invoke", "Delegate.IM_Invoke%%", "Delegate.IM_Invoke%b%s",
// "Delegate.IM_Invoke%%o<Graphics>".
Ref<Delegate> RuntimeCreateDelegate(std::string_view invoker, MethodFunction function, Object* bound,
                                    std::string_view signature);
