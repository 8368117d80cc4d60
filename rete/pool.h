// rulecore: an embeddable expert-system shell.
// A free list of fixed-size blocks for the matcher's small, short-lived
// objects (tokens, memory entries, activations), which are made and freed by
// the million while facts change. Each thread keeps its own list; a block
// goes back to the list of the thread that frees it. Under AddressSanitizer
// the pool steps aside so that a use after free is still caught.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

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

// Asks for the cache lines of [p, p + size) ahead of their use; nil asks
// for nothing. Only a hint: nothing waits for it.
inline void PrefetchLines(const void* p, size_t size) noexcept {
#if defined(__GNUC__)
  if (!p) return;
  const char* at = static_cast<const char*>(p);
  for (size_t offset = 0; offset < size; offset += 64)
    __builtin_prefetch(at + offset, 1);
#else
  (void)p;
  (void)size;
#endif
}

template <size_t Size>
class TBlockPool {
 public:
  static void* Allocate() {
#ifndef RULECORE_POOL_DISABLED
    if (!free_) Refill();
    Node* n = free_;
    free_ = n->next;
    Prefetch(free_);
    return n;
#else
    return ::operator new(Size);
#endif
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
  static_assert(Size % alignof(void*) == 0, "blocks follow one another in a slab");
  struct Node {
    Node* next;
  };
  // Blocks are cut from slabs, which saves the allocator's header on each
  // block and keeps neighbours together. Slabs live as long as the program:
  // a block may outlive the thread that cut it, and objects destroyed while
  // the program ends may still give blocks back. The free blocks of a thread
  // that ends go to the depot, where other threads find them.
  static constexpr size_t kSlab = 64 * 1024;
  static constexpr size_t kLine = 64;
  struct Depot {
    std::mutex mutex;
    std::vector<Node*> free;   // free lists of ended threads, each whole
    std::vector<void*> slabs;  // so that leak checkers see them held
  };
  static Depot& TheDepot() {
    static Depot* depot = new Depot;  // never freed, see above
    return *depot;
  }
  // The next block to be handed out is asked for now, so that reading its
  // link and filling it do not wait for memory when its turn comes: freed
  // blocks go cold while the matcher works through thousands of others.
  static void Prefetch(const Node* n) noexcept {
    PrefetchLines(n, Size);
  }
  static void Refill() {
    Enlist();
    Depot& depot = TheDepot();
    std::lock_guard<std::mutex> lock(depot.mutex);
    if (!depot.free.empty()) {
      free_ = depot.free.back();
      depot.free.pop_back();
      return;
    }
    // Slabs start on a cache line, so that a block whose size is a multiple
    // of the line's spans no more lines than it must.
    char* slab = static_cast<char*>(::operator new (kSlab, std::align_val_t{kLine}));
    depot.slabs.push_back(slab);
    for (size_t at = 0; at + Size <= kSlab; at += Size) {
      Node* n = reinterpret_cast<Node*>(slab + at);
      n->next = free_;
      free_ = n;
    }
  }
  struct Keeper {
    // The list goes whole: walking it to join it to another would touch
    // every free block, megabytes of them as the program ends.
    ~Keeper() {
      if (!free_) return;
      Depot& depot = TheDepot();
      std::lock_guard<std::mutex> lock(depot.mutex);
      depot.free.push_back(std::exchange(free_, nullptr));
    }
  };
  static void Enlist() noexcept {
    thread_local Keeper keeper;
  }

  RULECORE_POOL_TLS static inline thread_local Node* free_ = nullptr;
};

// Doubles a chained hash index (16 slots at first; sizes are powers of 2):
// every item moves to the slot of its hash. `Link` is the item's member
// holding the next item of its chain, `HashOf` the member holding its hash.
template <class T, T* T::*Link, uint64_t T::*HashOf>
void GrowChainedIndex(std::vector<T*>& index) {
  std::vector<T*> old = std::move(index);
  index.assign(old.empty() ? 16 : old.size() * 2, nullptr);
  const uint64_t mask = index.size() - 1;
  for (T* head : old) {
    while (head) {
      T* next = head->*Link;
      T*& slot = index[head->*HashOf & mask];
      head->*Link = slot;
      slot = head;
      head = next;
    }
  }
}

// Gives a class pooled allocation of its own size (not of derived classes).
#define RULECORE_POOLED(Class)                                                                   \
  static void* operator new(size_t size) {                                                       \
    static_assert(alignof(Class) <= alignof(void*), "pooled blocks are aligned for pointers");   \
    return size == sizeof(Class) ? TBlockPool<sizeof(Class)>::Allocate() : ::operator new(size); \
  }                                                                                              \
  static void operator delete(void* p, size_t size) noexcept {                                   \
    if (size == sizeof(Class))                                                                   \
      TBlockPool<sizeof(Class)>::Release(p);                                                     \
    else                                                                                         \
      ::operator delete(p);                                                                      \
  }

}  // namespace rulecore
