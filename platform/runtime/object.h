#pragma once
// Intrusively reference-counted platform objects and Ref<T>, the holder of
// one reference. An empty Ref is "none"; using it raises NilObjectException.
#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "runtime/exceptions.h"

class ClassTable;

class Object {
 public:
  Object() = default;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;
  virtual ~Object() = default;

  void AddRef() const noexcept { refs_.fetch_add(1, std::memory_order_relaxed); }
  // Drops one reference; the last one runs the class's finalisers, then
  // destroys the object.
  void Release() const noexcept;
  int RefCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

  // The class table the object was made from (none for internal objects).
  const ClassTable* Class() const noexcept { return class_; }
  void SetClass(const ClassTable* table) noexcept { class_ = table; }

  // Every platform class answers its own table; see RuntimeNewClass.
  static const ClassTable* StaticClass() { return nullptr; }

 private:
  mutable std::atomic<int> refs_{0};
  const ClassTable* class_ = nullptr;
};

template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  explicit Ref(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) noexcept : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
    requires std::is_convertible_v<U*, T*>
  Ref(const Ref<U>& o) noexcept : Ref(o.get()) {}
  template <class U>
    requires std::is_convertible_v<U*, T*>
  Ref(Ref<U>&& o) noexcept : p_(o.detach()) {}
  ~Ref() { Reset(); }

  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  T* operator->() const { return &Deref(); }
  T& operator*() const { return Deref(); }
  T& Deref() const {
    if (!p_) RaiseNilObjectException();
    return *p_;
  }
  T* get() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  bool IsNil() const noexcept { return p_ == nullptr; }
  void Reset() noexcept {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  // Hands the reference over to the caller without releasing it.
  T* detach() noexcept { return std::exchange(p_, nullptr); }

  friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

// Makes a new native platform object of class T, tagged with T's class table.
template <class T, class... A>
Ref<T> New(A&&... args) {
  Ref<T> r(new T(std::forward<A>(args)...));
  if (!r->Class()) r->SetClass(T::StaticClass());
  return r;
}

// The object as U, or none when it is of another type.
template <class U, class T>
Ref<U> DynamicRef(const Ref<T>& r) noexcept {
  return Ref<U>(dynamic_cast<U*>(r.get()));
}
