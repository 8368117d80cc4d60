// rulecore: an embeddable expert-system shell.
// IInterface is the intrusive reference-counted base of every shared object
// (values, vectors, facts, templates, calls, defined types). Ref<T> holds one
// count. Counting rule: a new object starts at count zero and its first holder
// takes the first reference; the object deletes itself when the last holder
// lets go. The count is atomic; everything else about an object is used by one
// thread at a time. Interfaces derive virtually from IInterface so that one
// object can implement several of them and still have a single count.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "platform/export.h"

namespace rulecore {

class RULECORE_API IInterface {
 public:
  IInterface(const IInterface&) = delete;
  IInterface& operator=(const IInterface&) = delete;

  void AddRef() const noexcept { count_.fetch_add(1, std::memory_order_relaxed); }
  // Deletes the object when this was the last reference.
  void Release() const noexcept {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  int32_t RefCount() const noexcept { return count_.load(std::memory_order_relaxed); }

 protected:
  IInterface() = default;
  virtual ~IInterface() = default;

  // For objects made and dropped by the million on one thread: the first
  // reference of an object no one holds yet, and the last one of an object
  // only the caller holds, need no locked arithmetic, since no other thread
  // can be holding it to count at the same time.
  void AddFirstRef() const noexcept {
    if (count_.load(std::memory_order_relaxed) == 0)
      count_.store(1, std::memory_order_relaxed);
    else
      AddRef();
  }
  void ReleaseLastRef() const noexcept {
    if (count_.load(std::memory_order_acquire) == 1) {
      count_.store(0, std::memory_order_relaxed);
      delete this;
    } else {
      Release();
    }
  }

 private:
  mutable std::atomic<int32_t> count_{0};
};

// An intrusive smart pointer: holds one reference to a T (or nothing).
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  Ref(T* p) noexcept : p_(p) {
    if (p_) p_->AddRef();
  }
  Ref(const Ref& o) noexcept : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) noexcept : Ref(o.get()) {}
  template <class U>
  Ref(Ref<U>&& o) noexcept : p_(o.detach()) {}
  ~Ref() {
    if (p_) p_->Release();
  }

  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

  void reset() noexcept { Ref().swap(*this); }
  void swap(Ref& o) noexcept { std::swap(p_, o.p_); }
  // Gives up the reference without releasing it.
  T* detach() noexcept { return std::exchange(p_, nullptr); }
  // Takes over a reference already counted for `p` (the converse of
  // detach).
  static Ref adopt(T* p) noexcept {
    Ref r;
    r.p_ = p;
    return r;
  }

  friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

 private:
  T* p_ = nullptr;
};

template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>(new T(std::forward<Args>(args)...));
}

// Asks an object for another of its interfaces; nil when it has none.
template <class To, class From>
To* Query(From* p) noexcept {
  return dynamic_cast<To*>(p);
}

}  // namespace rulecore
