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

template <size_t Size>
class TBlockPool {
 public:
  static void* Allocate() {
#ifndef RULECORE_POOL_DISABLED
    Lists& lists = Mine();
    if (Node* n = lists.free) {
      lists.free = n->next;
      return n;
    }
#endif
    return ::operator new(Size);
  }

  static void Release(void* p) noexcept {
    if (!p) return;
#ifndef RULECORE_POOL_DISABLED
    Node* n = static_cast<Node*>(p);
    Lists& lists = Mine();
    n->next = lists.free;
    lists.free = n;
#else
    ::operator delete(p);
#endif
  }

 private:
  static_assert(Size >= sizeof(void*), "a block must hold the free-list link");
  struct Node {
    Node* next;
  };
  struct Lists {
    Node* free = nullptr;
    ~Lists() {
      while (free) {
        Node* n = free;
        free = n->next;
        ::operator delete(n);
      }
    }
  };
  static Lists& Mine() {
    thread_local Lists lists;
    return lists;
  }
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
