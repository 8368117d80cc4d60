// rulecore: an embeddable expert-system shell.
// Micro benchmarks of templates and facts: reading slots of a filled fact,
// creating facts with defaults, and the equality and hash code the duplicate
// check uses. Allocations are counted per iteration ("allocs").
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "core/ie_value.h"
#include "facts/fact.h"
#include "facts/fact_template.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

// The counting allocator replaces the global one for this program; g++
// cannot see that new and delete are replaced together.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

namespace rulecore {
namespace {

// A template shaped like the seating facts of the seating benchmark.
Ref<TFactTemplate> SeatingTemplate() {
  Ref<TFactTemplate> t(new TFactTemplate(nullptr, "seating"));
  for (const char* slot : {"seat1", "name1", "name2", "seat2", "id", "pid", "path_done"})
    t->AddSlot(slot, NewInteger(0).get());
  return t;
}

void ReportAllocations(benchmark::State& state, long before) {
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(g_allocations.load() - before),
                                                benchmark::Counter::kAvgIterations);
}

void BM_FactSlotRead(benchmark::State& state) {
  Ref<TFactTemplate> t = SeatingTemplate();
  Ref<IFact> f = t->NewFact();
  long before = g_allocations.load();
  for (auto _ : state) {
    benchmark::DoNotOptimize(f->GetValue("path_done"));
    benchmark::DoNotOptimize(f->GetValue("seat1"));
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_FactSlotRead);

void BM_FactSlotWrite(benchmark::State& state) {
  Ref<TFactTemplate> t = SeatingTemplate();
  Ref<IFact> f = t->NewFact();
  Ref<IIEValue> v = NewInteger(5);
  long before = g_allocations.load();
  for (auto _ : state)
    f->SetValue("id", v.get());
  ReportAllocations(state, before);
}
BENCHMARK(BM_FactSlotWrite);

void BM_NewFactWithDefaults(benchmark::State& state) {
  Ref<TFactTemplate> t = SeatingTemplate();
  long before = g_allocations.load();
  for (auto _ : state) {
    Ref<IFact> f = t->NewFact();
    benchmark::DoNotOptimize(f.get());
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_NewFactWithDefaults);

void BM_FactEquals(benchmark::State& state) {
  Ref<TFactTemplate> t = SeatingTemplate();
  Ref<IFact> a = t->NewFact();
  Ref<IFact> b = t->NewFact();
  long before = g_allocations.load();
  for (auto _ : state)
    benchmark::DoNotOptimize(a->Equals(b.get()));
  ReportAllocations(state, before);
}
BENCHMARK(BM_FactEquals);

void BM_FactHashCode(benchmark::State& state) {
  Ref<TFactTemplate> t = SeatingTemplate();
  Ref<IFact> a = t->NewFact();
  long before = g_allocations.load();
  for (auto _ : state)
    benchmark::DoNotOptimize(a->GetHashCode());
  ReportAllocations(state, before);
}
BENCHMARK(BM_FactHashCode);

}  // namespace
}  // namespace rulecore
