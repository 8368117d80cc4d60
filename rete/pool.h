// rulecore: an embeddable expert-system shell.
// A free list of fixed-size blocks for the matcher's small, short-lived
// objects (tokens, memory entries), which are made and freed by the million
// while facts change. Each thread keeps its own list; a block goes back to
// the list of the thread that frees it and the lists give their blocks back
// when the thread ends. Under AddressSanitizer the pool steps aside so that
// a use after free is still caught.
#pragma once

#include <cstddef>
#include <new>

namespace rulecore {

#if defined(__SANITIZE_ADDRESS__)
#define RULECORE_POOL_DISABLED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RULECORE_POOL_DISABLED 1
#endif
#endif

// The initial-exec model reaches a thread's list without a call into the
// dynamic linker; the library is loaded with the program, or late but within
// the static surplus the loader keeps for that.
#if defined(__GNUC__) && !defined(_WIN32)
#define RULECORE_POOL_TLS __attribute__((tls_model("initial-exec")))
#else
#define RULECORE_POOL_TLS
#endif

template <size_t Size>
class TBlockPool {
 public:
  static void* Allocate() {
#ifndef RULECORE_POOL_DISABLED
    if (Node* n = free_) {
      free_ = n->next;
      return n;
    }
    Enlist();
#endif
    return ::operator new(Size);
  }

  static void Release(void* p) noexcept {
    if (!p) return;
#ifndef RULECORE_POOL_DISABLED
    Node* n = static_cast<Node*>(p);
    if (!free_) Enlist();
    n->next = free_;
    free_ = n;
#else
    ::operator delete(p);
#endif
  }

 private:
  static_assert(Size >= sizeof(void*), "a block must hold the free-list link");
  struct Node {
    Node* next;
  };
  // The list is a plain pointer per thread, so that reaching it costs no
  // call; a separate object, made the first time the list is empty, gives
  // the blocks back when the thread ends.
  struct Keeper {
    ~Keeper() {
      while (Node* n = free_) {
        free_ = n->next;
        ::operator delete(n);
      }
    }
  };
  static void Enlist() noexcept {
    thread_local Keeper keeper;
  }

  RULECORE_POOL_TLS static inline thread_local Node* free_ = nullptr;
};

// Gives a class pooled allocation of its own size (not of derived classes).
#define RULECORE_POOLED(Class)                                                                   \
  static void* operator new(size_t size) {                                                       \
    return size == sizeof(Class) ? TBlockPool<sizeof(Class)>::Allocate() : ::operator new(size); \
  }                                                                                              \
  static void operator delete(void* p, size_t size) noexcept {                                   \
    if (size == sizeof(Class))                                                                   \
      TBlockPool<sizeof(Class)>::Release(p);                                                     \
    else                                                                                         \
      ::operator delete(p);                                                                      \
  }

}  // namespace rulecore
