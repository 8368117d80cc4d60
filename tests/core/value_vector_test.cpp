// rulecore: an embeddable expert-system shell.
// Tests of the value collections: multifield vectors, singleton pairs and name-to-value tables.
#include "core/value_vector.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "platform/format.h"

namespace rulecore {
namespace {

// A vector holding the atoms of `words`, in order.
Ref<TValueVector> AtomVector(std::initializer_list<const char*> words) {
  Ref<TValueVector> v(new TValueVector);
  for (const char* w : words)
    v->Add(NewAtom(w).get());
  return v;
}

// Runs `action` and expects the list-index error for `index`.
template <class F>
void ExpectIndexError(F action, int index) {
  try {
    action();
    ADD_FAILURE() << "no error raised for index " << index;
  } catch (const EIEException& e) {
    EXPECT_EQ(std::string(e.what()), Format(SListIndexError, {index}));
  }
}

// ---------------------------------------------------------------- TValueVector

TEST(TValueVectorTest, AddAppendsAndReturnsTheNewIndex) {
  Ref<TValueVector> v(new TValueVector);
  EXPECT_EQ(v->GetValueCount(), 0);
  Ref<IIEValue> a = NewAtom("a");
  Ref<IIEValue> b = NewInteger(2);
  EXPECT_EQ(v->Add(a.get()), 0);
  EXPECT_EQ(v->Add(b.get()), 1);
  EXPECT_EQ(v->Add(nullptr), 2);
  EXPECT_EQ(v->GetValueCount(), 3);
  EXPECT_EQ(v->Get(0), a.get());
  EXPECT_EQ(v->Get(1), b.get());
  EXPECT_EQ(v->Get(2), nullptr);
  EXPECT_EQ(v->First(), a.get());
  EXPECT_EQ(v->Last(), nullptr);
}

TEST(TValueVectorTest, HoldsOneReferencePerEntry) {
  Ref<IIEValue> a = NewAtom("a");
  ASSERT_EQ(a->RefCount(), 1);
  {
    Ref<TValueVector> v(new TValueVector);
    v->Add(a.get());
    v->Add(a.get());
    EXPECT_EQ(a->RefCount(), 3);
    v->Delete(0);
    EXPECT_EQ(a->RefCount(), 2);
  }
  EXPECT_EQ(a->RefCount(), 1);
}

TEST(TValueVectorTest, InsertPutAndDeleteEditInPlace) {
  Ref<TValueVector> v = AtomVector({"a", "c"});
  v->Insert(1, NewAtom("b").get());
  v->Insert(3, NewAtom("d").get());  // at the end
  v->Insert(0, NewAtom("start").get());
  EXPECT_EQ(v->GetToString(), "start a b c d ");
  v->Put(0, NewInteger(0).get());
  EXPECT_EQ(v->GetToString(), "0 a b c d ");
  v->Delete(2);
  EXPECT_EQ(v->GetToString(), "0 a c d ");
  v->Clear();
  EXPECT_EQ(v->GetValueCount(), 0);
  EXPECT_EQ(v->GetToString(), "");
}

TEST(TValueVectorTest, OutOfRangeIndexRaisesListIndexError) {
  Ref<TValueVector> v = AtomVector({"a", "b"});
  ExpectIndexError([&] { v->Get(2); }, 2);
  ExpectIndexError([&] { v->Get(-1); }, -1);
  ExpectIndexError([&] { v->Put(5, nullptr); }, 5);
  ExpectIndexError([&] { v->Delete(2); }, 2);
  ExpectIndexError([&] { v->Insert(3, nullptr); }, 3);
  ExpectIndexError([&] { v->Insert(-1, nullptr); }, -1);
  EXPECT_EQ(v->GetToString(), "a b ");
  Ref<TValueVector> empty(new TValueVector);
  ExpectIndexError([&] { empty->First(); }, 0);
  ExpectIndexError([&] { empty->Last(); }, -1);
}

TEST(TValueVectorTest, PrintsEachElementFollowedByABlank) {
  Ref<TValueVector> v(new TValueVector);
  v->Add(NewAtom("a").get());
  v->Add(NewString("b c").get());
  v->Add(NewFloat(2).get());
  v->Add(nullptr);
  v->Add(NewVariable("x").get());
  EXPECT_EQ(v->GetToString(), "a \"b c\" 2.0000  ?x ");
}

TEST(TValueVectorTest, EqualButDistinctElementsMakeEqualVectors) {
  Ref<TValueVector> a = AtomVector({"x", "y"});
  Ref<TValueVector> b = AtomVector({"x", "y"});
  ASSERT_NE(a->Get(0), b->Get(0));
  EXPECT_TRUE(a->Equals(static_cast<IValueVector*>(b.get())));
  EXPECT_TRUE(a->Equals(static_cast<IInterface*>(b.get())));
  EXPECT_EQ(a->GetHashCode(), b->GetHashCode());
}

TEST(TValueVectorTest, DifferentLengthOrderKindOrNilMakeVectorsUnequal) {
  Ref<TValueVector> xy = AtomVector({"x", "y"});
  EXPECT_FALSE(xy->Equals(static_cast<IValueVector*>(AtomVector({"x"}).get())));
  EXPECT_FALSE(xy->Equals(static_cast<IValueVector*>(AtomVector({"y", "x"}).get())));
  EXPECT_FALSE(xy->Equals(static_cast<IValueVector*>(AtomVector({"x", "Y"}).get())));
  Ref<TValueVector> strings(new TValueVector);
  strings->Add(NewString("x").get());
  strings->Add(NewString("y").get());
  EXPECT_FALSE(xy->Equals(static_cast<IValueVector*>(strings.get())));
  Ref<TValueVector> with_nil = AtomVector({"x"});
  with_nil->Add(nullptr);
  EXPECT_FALSE(xy->Equals(static_cast<IValueVector*>(with_nil.get())));
  EXPECT_FALSE(with_nil->Equals(static_cast<IValueVector*>(xy.get())));
  EXPECT_FALSE(xy->Equals(static_cast<IValueVector*>(nullptr)));
  // A value is no vector.
  EXPECT_FALSE(xy->Equals(static_cast<IInterface*>(NewAtom("x").get())));
}

TEST(TValueVectorTest, NilEntriesAtTheSamePlaceCompareEqual) {
  Ref<TValueVector> a = AtomVector({"x"});
  Ref<TValueVector> b = AtomVector({"x"});
  a->Add(nullptr);
  b->Add(nullptr);
  EXPECT_TRUE(a->Equals(static_cast<IValueVector*>(b.get())));
}

TEST(TValueVectorTest, HashIsTheSumOfElementHashes) {
  Ref<TValueVector> v(new TValueVector);
  Ref<IIEValue> word = NewAtom("hello");
  v->Add(word.get());
  v->Add(NewInteger(40).get());
  v->Add(nullptr);
  v->Add(NewFloat(-2.9).get());
  EXPECT_EQ(v->GetHashCode(), CalculateHash("hello") + 40 - 2);
  Ref<TValueVector> empty(new TValueVector);
  EXPECT_EQ(empty->GetHashCode(), 0);
}

TEST(TValueVectorTest, HashSumWrapsAroundIn32Bits) {
  Ref<TValueVector> v(new TValueVector);
  v->Add(NewInteger(2147483647).get());
  v->Add(NewInteger(3).get());
  EXPECT_EQ(v->GetHashCode(), -2147483646);
}

TEST(TValueVectorTest, CloneCopiesElementsSoChangingTheCloneLeavesTheSource) {
  Ref<TValueVector> source = AtomVector({"a", "b"});
  source->SetTag(7);
  Ref<IValueVector> copy = source->Clone();
  EXPECT_TRUE(copy->Equals(static_cast<IValueVector*>(source.get())));
  EXPECT_NE(copy->Get(0), source->Get(0));
  EXPECT_EQ(copy->GetTag(), 7);
  copy->Get(0)->SetAsInteger(1);
  copy->Add(NewAtom("c").get());
  EXPECT_EQ(source->GetToString(), "a b ");
  EXPECT_EQ(copy->GetToString(), "1 b c ");
}

TEST(TValueVectorTest, AssignReplacesContentWithClones) {
  Ref<TValueVector> source = AtomVector({"a", "b"});
  Ref<TValueVector> dest = AtomVector({"old", "older", "oldest"});
  dest->Assign(static_cast<IInterface*>(source.get()));
  EXPECT_EQ(dest->GetToString(), "a b ");
  EXPECT_NE(dest->Get(0), source->Get(0));
  dest->Get(1)->SetAsAtom("changed");
  EXPECT_EQ(source->GetToString(), "a b ");
}

TEST(TValueVectorTest, AssignFromANonVectorRaisesConvertError) {
  Ref<TValueVector> dest = AtomVector({"a"});
  EXPECT_THROW(dest->Assign(static_cast<IInterface*>(NewAtom("x").get())), EConvertError);
  EXPECT_EQ(dest->GetToString(), "a ");
}

TEST(TValueVectorTest, AppendSharesTheOtherVectorsElements) {
  Ref<TValueVector> a = AtomVector({"a"});
  Ref<TValueVector> b = AtomVector({"b", "c"});
  a->Append(b.get());
  ASSERT_EQ(a->GetValueCount(), 3);
  EXPECT_EQ(a->Get(1), b->Get(0));
  EXPECT_EQ(a->Get(2), b->Get(1));
  b->Get(0)->SetAsAtom("B");
  EXPECT_EQ(a->GetToString(), "a B c ");
  a->Append(nullptr);
  EXPECT_EQ(a->GetValueCount(), 3);
}

TEST(TValueVectorTest, AppendToItselfDoublesTheContent) {
  Ref<TValueVector> a = AtomVector({"x", "y"});
  a->Append(a.get());
  EXPECT_EQ(a->GetToString(), "x y x y ");
  EXPECT_EQ(a->Get(0), a->Get(2));
}

TEST(TValueVectorTest, IndexOfMatchesByStrictEquality) {
  Ref<TValueVector> v(new TValueVector);
  v->Add(NewAtom("5").get());
  v->Add(NewInteger(5).get());
  v->Add(NewString("x").get());
  v->Add(nullptr);
  v->Add(NewInteger(5).get());
  EXPECT_EQ(v->IndexOf(NewInteger(5).get()), 1);
  EXPECT_EQ(v->IndexOf(NewAtom("5").get()), 0);
  EXPECT_EQ(v->IndexOf(NewString("x").get()), 2);
  EXPECT_EQ(v->IndexOf(NewAtom("x").get()), -1);
  EXPECT_EQ(v->IndexOf(NewFloat(5.0).get()), -1);
  EXPECT_EQ(v->IndexOf(nullptr), 3);
}

TEST(TValueVectorTest, RemoveDropsTheFirstStrictlyEqualEntry) {
  Ref<TValueVector> v = AtomVector({"a", "b", "a"});
  EXPECT_EQ(v->Remove(NewAtom("a").get()), 0);
  EXPECT_EQ(v->GetToString(), "b a ");
  EXPECT_EQ(v->Remove(NewString("b").get()), -1);
  EXPECT_EQ(v->Remove(NewAtom("A").get()), -1);
  EXPECT_EQ(v->GetToString(), "b a ");
}

// ---------------------------------------------------------------- TSingletonsVector

// Pairs (1 0), (2 1) of integers.
Ref<TSingletonsVector> OneTwo() {
  Ref<TSingletonsVector> s(new TSingletonsVector);
  s->Add(NewInteger(1).get(), NewInteger(0).get());
  s->Add(NewInteger(2).get(), NewInteger(1).get());
  return s;
}

// A parser that prints a fixed marker and the pair count.
class CountingPrinter : public ISingletonsParser {
 public:
  Ref<ISingletonsVector> ParseSingletons(const std::string&) override { return nullptr; }
  std::string PrettyPrint(ISingletonsVector* singletons) override {
    return "pairs:" + std::to_string(singletons->GetCount());
  }
};

TEST(TSingletonsVectorTest, PrintsPairsWithoutParser) {
  Ref<TSingletonsVector> s = OneTwo();
  EXPECT_EQ(s->GetCount(), 2);
  EXPECT_EQ(s->GetToString(), "(1 0) (2 1) ");
  Ref<TSingletonsVector> empty(new TSingletonsVector);
  EXPECT_EQ(empty->GetToString(), "");
}

TEST(TSingletonsVectorTest, PrintsThroughItsParserWhenItHasOne) {
  CountingPrinter printer;
  Ref<TSingletonsVector> s = OneTwo();
  s->SetParser(&printer);
  EXPECT_EQ(s->GetParser(), &printer);
  EXPECT_EQ(s->GetToString(), "pairs:2");
  s->SetParser(nullptr);
}

TEST(TSingletonsVectorTest, AddInsertAndDeleteKeepPairsTogether) {
  Ref<TSingletonsVector> s = OneTwo();
  EXPECT_EQ(s->Add(NewInteger(5).get(), NewFloat(0.5).get()), 2);
  s->Insert(0, NewInteger(0).get(), NewInteger(1).get());
  EXPECT_EQ(s->GetToString(), "(0 1) (1 0) (2 1) (5 0.5000) ");
  s->Delete(1);
  EXPECT_EQ(s->GetToString(), "(0 1) (2 1) (5 0.5000) ");
  s->SetYValues(0, NewInteger(9).get());
  s->SetXValues(2, NewInteger(4).get());
  EXPECT_EQ(s->GetToString(), "(0 9) (2 1) (4 0.5000) ");
  EXPECT_EQ(s->IndexOfX(NewInteger(2).get()), 1);
  EXPECT_EQ(s->IndexOfY(NewFloat(0.5).get()), 2);
  EXPECT_EQ(s->IndexOfY(NewInteger(3).get()), -1);
  s->Clear();
  EXPECT_EQ(s->GetCount(), 0);
}

TEST(TSingletonsVectorTest, OutOfRangeIndexRaisesListIndexError) {
  Ref<TSingletonsVector> s = OneTwo();
  ExpectIndexError([&] { s->GetXValues(2); }, 2);
  ExpectIndexError([&] { s->GetYValues(-1); }, -1);
  ExpectIndexError([&] { s->Delete(2); }, 2);
  EXPECT_EQ(s->GetCount(), 2);
}

TEST(TSingletonsVectorTest, EqualsComparesPairwise) {
  Ref<TSingletonsVector> a = OneTwo();
  Ref<TSingletonsVector> b = OneTwo();
  EXPECT_TRUE(a->Equals(static_cast<ISingletonsVector*>(b.get())));
  EXPECT_TRUE(a->Equals(static_cast<IInterface*>(b.get())));
  b->SetYValues(1, NewInteger(2).get());
  EXPECT_FALSE(a->Equals(static_cast<ISingletonsVector*>(b.get())));
  b->SetYValues(1, NewFloat(1.0).get());  // 1.0 is not strictly the integer 1
  EXPECT_FALSE(a->Equals(static_cast<ISingletonsVector*>(b.get())));
  b->SetYValues(1, nullptr);
  EXPECT_FALSE(a->Equals(static_cast<ISingletonsVector*>(b.get())));
  EXPECT_FALSE(b->Equals(static_cast<ISingletonsVector*>(a.get())));
  Ref<TSingletonsVector> shorter(new TSingletonsVector);
  shorter->Add(NewInteger(1).get(), NewInteger(0).get());
  EXPECT_FALSE(a->Equals(static_cast<ISingletonsVector*>(shorter.get())));
  EXPECT_FALSE(a->Equals(static_cast<ISingletonsVector*>(nullptr)));
}

TEST(TSingletonsVectorTest, HashIsXHashPlusYHash) {
  Ref<TSingletonsVector> s(new TSingletonsVector);
  s->Add(NewAtom("low").get(), NewInteger(3).get());
  s->Add(NewInteger(10).get(), NewFloat(0.75).get());
  EXPECT_EQ(s->GetHashCode(), (CalculateHash("low") + 10) + (3 + 0));
  EXPECT_EQ(s->GetHashCode(), s->XValues()->GetHashCode() + s->YValues()->GetHashCode());
}

TEST(TSingletonsVectorTest, CloneAndAssignCopyEveryPairAndTheTag) {
  CountingPrinter printer;
  Ref<TSingletonsVector> source = OneTwo();
  source->SetTag(3);
  Ref<ISingletonsVector> copy = source->Clone();
  EXPECT_TRUE(copy->Equals(static_cast<ISingletonsVector*>(source.get())));
  EXPECT_EQ(copy->GetTag(), 3);
  copy->GetXValues(0)->SetAsInteger(100);
  EXPECT_EQ(source->GetToString(), "(1 0) (2 1) ");

  source->SetParser(&printer);
  Ref<TSingletonsVector> dest(new TSingletonsVector);
  dest->Add(NewAtom("old").get(), NewAtom("pair").get());
  dest->Assign(static_cast<IInterface*>(source.get()));
  EXPECT_EQ(dest->GetParser(), &printer);
  EXPECT_EQ(dest->GetTag(), 3);
  EXPECT_NE(dest->GetXValues(0), source->GetXValues(0));
  dest->SetParser(nullptr);
  EXPECT_EQ(dest->GetToString(), "(1 0) (2 1) ");
  source->SetParser(nullptr);
}

TEST(TSingletonsVectorTest, AppendSharesTheOtherPairs) {
  Ref<TSingletonsVector> a = OneTwo();
  Ref<TSingletonsVector> b(new TSingletonsVector);
  b->Add(NewInteger(3).get(), NewInteger(1).get());
  a->Append(b.get());
  EXPECT_EQ(a->GetToString(), "(1 0) (2 1) (3 1) ");
  EXPECT_EQ(a->GetXValues(2), b->GetXValues(0));
  a->Append(a.get());
  EXPECT_EQ(a->GetCount(), 6);
}

// ---------------------------------------------------------------- TValueHashTable

TEST(TValueHashTableTest, PrintsNameEqualsValueLinesInInsertionOrder) {
  TValueHashTable table;
  table.Put("zeta", NewAtom("last").get());
  table.Put("alpha", NewString("s").get());
  table.Put("mid", NewInteger(3).get());
  EXPECT_EQ(table.GetToString(), "zeta = last\r\nalpha = \"s\"\r\nmid = 3\r\n");
  // Putting an existing name replaces the value in its place.
  table.Put("zeta", NewFloat(1).get());
  EXPECT_EQ(table.GetToString(), "zeta = 1.0000\r\nalpha = \"s\"\r\nmid = 3\r\n");
  EXPECT_EQ(table.Count(), 3);
}

TEST(TValueHashTableTest, LooksUpAndRemovesByExactName) {
  TValueHashTable table;
  Ref<IIEValue> v = NewInteger(1);
  table.Put("Key", v.get());
  EXPECT_EQ(table.Get("Key"), v.get());
  EXPECT_EQ(table.Get("key"), nullptr);
  EXPECT_TRUE(table.ContainsKey("Key"));
  EXPECT_FALSE(table.Remove("key"));
  EXPECT_TRUE(table.Remove("Key"));
  EXPECT_EQ(table.Count(), 0);
  EXPECT_EQ(v->RefCount(), 1);
}

TEST(TValueHashTableTest, AssignClonesEveryValue) {
  TValueHashTable source;
  source.Put("a", NewAtom("x").get());
  source.Put("b", NewInteger(2).get());
  TValueHashTable dest;
  dest.Put("stale", NewAtom("gone").get());
  dest.Assign(source);
  EXPECT_EQ(dest.GetToString(), "a = x\r\nb = 2\r\n");
  ASSERT_NE(dest.Get("a"), nullptr);
  EXPECT_NE(dest.Get("a"), source.Get("a"));
  EXPECT_TRUE(dest.Get("a")->Equals(source.Get("a")));
  dest.Get("a")->SetAsAtom("y");
  EXPECT_EQ(source.GetToString(), "a = x\r\nb = 2\r\n");
}

}  // namespace
}  // namespace rulecore
