// rulecore: an embeddable expert-system shell.
#include "platform/stack_guard.h"

#include <pthread.h>

#include <cstdint>

namespace rulecore {

namespace {

// The lowest usable stack address of the calling thread; 0 when unknown.
uintptr_t StackLimit() {
  thread_local uintptr_t limit = [] {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return uintptr_t{0};
    void* low = nullptr;
    size_t size = 0;
    uintptr_t result = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) result = reinterpret_cast<uintptr_t>(low);
    pthread_attr_destroy(&attr);
    return result;
  }();
  return limit;
}

}  // namespace

bool StackNearlyExhausted() {
  uintptr_t limit = StackLimit();
  if (limit == 0) return false;
  char here = 0;
  auto address = reinterpret_cast<uintptr_t>(&here);
  return address < limit + kStackReserve;
}

}  // namespace rulecore
