// rulecore: an embeddable expert-system shell.
// Micro benchmarks of the value model: creating, copying, comparing and
// hashing values, the operations the matcher performs most often.
#include <benchmark/benchmark.h>

#include "core/ie_value.h"
#include "core/value_vector.h"

namespace rulecore {
namespace {

void BM_CreateInteger(benchmark::State& state) {
  int32_t i = 0;
  for (auto _ : state) {
    Ref<IIEValue> v = NewInteger(++i);
    benchmark::DoNotOptimize(v.get());
  }
}
BENCHMARK(BM_CreateInteger);

void BM_CreateFloat(benchmark::State& state) {
  double f = 0;
  for (auto _ : state) {
    Ref<IIEValue> v = NewFloat(f += 0.5);
    benchmark::DoNotOptimize(v.get());
  }
}
BENCHMARK(BM_CreateFloat);

void BM_CreateShortAtom(benchmark::State& state) {
  for (auto _ : state) {
    Ref<IIEValue> v = NewAtom("assign_seats");
    benchmark::DoNotOptimize(v.get());
  }
}
BENCHMARK(BM_CreateShortAtom);

void BM_CreateLongAtom(benchmark::State& state) {
  for (auto _ : state) {
    Ref<IIEValue> v = NewAtom("a-rather-long-symbol-name-for-a-slot-value");
    benchmark::DoNotOptimize(v.get());
  }
}
BENCHMARK(BM_CreateLongAtom);

void BM_CloneAtom(benchmark::State& state) {
  Ref<IIEValue> v = NewAtom("hobby");
  for (auto _ : state) {
    Ref<IIEValue> c = v->Clone();
    benchmark::DoNotOptimize(c.get());
  }
}
BENCHMARK(BM_CloneAtom);

void BM_ShareValue(benchmark::State& state) {
  Ref<IIEValue> v = NewInteger(7);
  for (auto _ : state) {
    Ref<IIEValue> c = v;
    benchmark::DoNotOptimize(c.get());
  }
}
BENCHMARK(BM_ShareValue);

void BM_EqualsInteger(benchmark::State& state) {
  Ref<IIEValue> a = NewInteger(42);
  Ref<IIEValue> b = NewInteger(42);
  for (auto _ : state)
    benchmark::DoNotOptimize(a->Equals(b.get()));
}
BENCHMARK(BM_EqualsInteger);

void BM_EqualsAtom(benchmark::State& state) {
  Ref<IIEValue> a = NewAtom("a-rather-long-symbol-name-for-a-slot-value");
  Ref<IIEValue> b = NewAtom("a-rather-long-symbol-name-for-a-slot-value");
  for (auto _ : state)
    benchmark::DoNotOptimize(a->Equals(b.get()));
}
BENCHMARK(BM_EqualsAtom);

void BM_EqualsDifferentKinds(benchmark::State& state) {
  Ref<IIEValue> a = NewAtom("5");
  Ref<IIEValue> b = NewInteger(5);
  for (auto _ : state)
    benchmark::DoNotOptimize(a->Equals(b.get()));
}
BENCHMARK(BM_EqualsDifferentKinds);

void BM_EqualsStarAtomAtom(benchmark::State& state) {
  Ref<IIEValue> a = NewAtom("a-rather-long-symbol-name-for-a-slot-value");
  Ref<IIEValue> b = NewAtom("a-rather-long-symbol-name-for-a-slot-value");
  for (auto _ : state)
    benchmark::DoNotOptimize(a->EqualsStar(b.get()));
}
BENCHMARK(BM_EqualsStarAtomAtom);

void BM_EqualsStarIntegerFloat(benchmark::State& state) {
  Ref<IIEValue> a = NewInteger(3);
  Ref<IIEValue> b = NewFloat(3.7);
  for (auto _ : state)
    benchmark::DoNotOptimize(a->EqualsStar(b.get()));
}
BENCHMARK(BM_EqualsStarIntegerFloat);

void BM_HashInteger(benchmark::State& state) {
  Ref<IIEValue> a = NewInteger(123456);
  for (auto _ : state)
    benchmark::DoNotOptimize(a->GetHashCode());
}
BENCHMARK(BM_HashInteger);

void BM_HashShortAtom(benchmark::State& state) {
  Ref<IIEValue> a = NewAtom("hobby");
  for (auto _ : state)
    benchmark::DoNotOptimize(a->GetHashCode());
}
BENCHMARK(BM_HashShortAtom);

void BM_HashLongAtom(benchmark::State& state) {
  Ref<IIEValue> a = NewAtom("a-rather-long-symbol-name-for-a-slot-value");
  for (auto _ : state)
    benchmark::DoNotOptimize(a->GetHashCode());
}
BENCHMARK(BM_HashLongAtom);

void BM_CloneList(benchmark::State& state) {
  Ref<TValueVector> v(new TValueVector);
  for (int i = 0; i < state.range(0); ++i)
    v->Add(NewInteger(i).get());
  for (auto _ : state) {
    Ref<IValueVector> c = v->Clone();
    benchmark::DoNotOptimize(c.get());
  }
}
BENCHMARK(BM_CloneList)->Arg(8)->Arg(64);

void BM_EqualsList(benchmark::State& state) {
  Ref<TValueVector> a(new TValueVector);
  Ref<TValueVector> b(new TValueVector);
  for (int i = 0; i < state.range(0); ++i) {
    a->Add(NewAtom("x").get());
    b->Add(NewAtom("x").get());
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(a->Equals(static_cast<IValueVector*>(b.get())));
}
BENCHMARK(BM_EqualsList)->Arg(8)->Arg(64);

}  // namespace
}  // namespace rulecore
