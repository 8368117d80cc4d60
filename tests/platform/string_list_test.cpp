// rulecore: an embeddable expert-system shell.
// Tests of the collections: TStringList, TStringHashTable, TSet and TEnumInfo.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/component.h"
#include "platform/enum_set.h"
#include "platform/exception.h"
#include "platform/string_hash_table.h"
#include "platform/string_list.h"
#include "platform/type_info.h"

namespace rulecore {
namespace {

std::vector<std::string> Strings(const TStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i)
    out.push_back(list.Get(i));
  return out;
}

using Lines = std::vector<std::string>;

// ---------------------------------------------------------------- TStringList

TEST(TStringListTest, AddAppendsAndReturnsTheIndex) {
  TStringList list;
  EXPECT_EQ(list.Add("one"), 0);
  EXPECT_EQ(list.Add("two"), 1);
  EXPECT_EQ(list.Add("one"), 2);
  EXPECT_EQ(Strings(list), (Lines{"one", "two", "one"}));
}

TEST(TStringListTest, LookupsIgnoreLetterCaseUnlessCaseSensitive) {
  TStringList list;
  list.Add("Alpha");
  list.Add("beta");
  EXPECT_FALSE(list.CaseSensitive());
  EXPECT_EQ(list.IndexOf("ALPHA"), 0);
  EXPECT_EQ(list.IndexOf("Beta"), 1);
  EXPECT_EQ(list.IndexOf("gamma"), -1);
  EXPECT_EQ(list.IndexOf("alph"), -1);
  EXPECT_EQ(list.IndexOf("alphabet"), -1);

  list.SetCaseSensitive(true);
  list.Add("alpha");
  EXPECT_EQ(list.IndexOf("alpha"), 2);
  EXPECT_EQ(list.IndexOf("ALPHA"), -1);
}

TEST(TStringListTest, LookupsSeePastEmbeddedNulCharacters) {
  TStringList list;
  list.Add(std::string("a\0b", 3));
  list.Add(std::string("a\0c", 3));
  EXPECT_EQ(list.IndexOf(std::string("A\0C", 3)), 1);
  EXPECT_EQ(list.IndexOf(std::string("a\0d", 3)), -1);
}

TEST(TStringListTest, SortedListPlacesNewStringsInOrder) {
  TStringList list;
  list.SetSorted(true);
  EXPECT_EQ(list.Add("pear"), 0);
  EXPECT_EQ(list.Add("Apple"), 0);
  EXPECT_EQ(list.Add("zucchini"), 2);
  EXPECT_EQ(list.Add("banana"), 1);
  EXPECT_EQ(Strings(list), (Lines{"Apple", "banana", "pear", "zucchini"}));

  // Equal strings keep their order of arrival.
  TComponent first;
  TComponent second;
  list.Add("Key", &first);
  EXPECT_EQ(list.Add("KEY", &second), 3);
  EXPECT_EQ(list.GetObject(2), &first);
}

TEST(TStringListTest, SetSortedSortsWhatIsThereWithItsObjects) {
  TStringList list;
  TComponent c, b, a;
  list.Add("c", &c);
  list.Add("B", &b);
  list.Add("a", &a);
  list.SetSorted(true);
  EXPECT_EQ(Strings(list), (Lines{"a", "B", "c"}));
  EXPECT_EQ(list.GetObject(0), &a);
  EXPECT_EQ(list.GetObject(1), &b);
  EXPECT_EQ(list.GetObject(2), &c);
}

TEST(TStringListTest, ChangingCaseSensitivityResortsASortedList) {
  TStringList list;
  list.SetSorted(true);
  list.Add("b");
  list.Add("B");
  list.Add("a");
  list.Add("A");
  list.SetCaseSensitive(true);
  EXPECT_EQ(Strings(list), (Lines{"A", "B", "a", "b"}));
  // New strings still land in their place under the new order.
  list.Add("C");
  EXPECT_EQ(Strings(list), (Lines{"A", "B", "C", "a", "b"}));
}

TEST(TStringListTest, InsertPutDeleteAndExchangeKeepObjectsBesideStrings) {
  TStringList list;
  TComponent x, y;
  list.Add("first", &x);
  list.Add("third");
  list.Insert(1, "second", &y);
  list.Insert(3, "fourth");
  EXPECT_EQ(Strings(list), (Lines{"first", "second", "third", "fourth"}));
  EXPECT_EQ(list.IndexOfObject(&y), 1);
  list.Exchange(0, 1);
  EXPECT_EQ(list.Get(0), "second");
  EXPECT_EQ(list.GetObject(0), &y);
  EXPECT_EQ(list.GetObject(1), &x);
  list.Put(2, "THIRD");
  list.PutObject(3, &x);
  list.Delete(0);
  EXPECT_EQ(Strings(list), (Lines{"first", "THIRD", "fourth"}));
  EXPECT_EQ(list.IndexOfObject(&y), -1);
  EXPECT_EQ(list.IndexOfObject(&x), 0);
  EXPECT_EQ(list.GetObject(2), &x);
}

TEST(TStringListTest, OutOfRangeIndexesRaiseAnException) {
  TStringList list;
  list.Add("only");
  EXPECT_THROW(list.Get(1), Exception);
  EXPECT_THROW(list.Get(-1), Exception);
  EXPECT_THROW(list.Put(1, "x"), Exception);
  EXPECT_THROW(list.GetObject(5), Exception);
  EXPECT_THROW(list.PutObject(-2, nullptr), Exception);
  EXPECT_THROW(list.Delete(1), Exception);
  EXPECT_THROW(list.Exchange(0, 1), Exception);
  EXPECT_THROW(list.Insert(2, "x"), Exception);
  EXPECT_THROW(list.Insert(-1, "x"), Exception);
  EXPECT_EQ(Strings(list), (Lines{"only"}));
  list.Insert(1, "end");  // inserting at Count appends
  EXPECT_EQ(Strings(list), (Lines{"only", "end"}));
  try {
    list.Get(7);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find('7'), std::string::npos) << e.what();
  }
}

TEST(TStringListTest, TextEndsEveryStringWithCarriageReturnLineFeedAndReadsBack) {
  TStringList list;
  EXPECT_EQ(list.Text(), "");
  list.Add("a");
  list.Add("");
  list.Add("c");
  EXPECT_EQ(list.Text(), "a\r\n\r\nc\r\n");
  TStringList copy;
  copy.SetText(list.Text());
  EXPECT_EQ(Strings(copy), Strings(list));
}

TEST(TStringListTest, SetTextSplitsOnEveryKindOfLineBreak) {
  TStringList list;
  list.Add("replaced");
  list.SetText("one\r\ntwo\nthree\rfour");
  EXPECT_EQ(Strings(list), (Lines{"one", "two", "three", "four"}));
  list.SetText("a\n\nb\r\n");
  EXPECT_EQ(Strings(list), (Lines{"a", "", "b"}));
  list.SetText("\r\r\n");
  EXPECT_EQ(Strings(list), (Lines{"", ""}));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}

TEST(TStringListTest, SetTextOnASortedListKeepsItSorted) {
  TStringList list;
  list.SetSorted(true);
  list.SetText("pear\napple\nfig\n");
  EXPECT_EQ(Strings(list), (Lines{"apple", "fig", "pear"}));
  EXPECT_EQ(list.Add("grape"), 2);
}

TEST(TStringListTest, AssignCopiesStringsObjectsAndSettings) {
  TStringList source;
  TComponent obj;
  source.SetCaseSensitive(true);
  source.SetSorted(true);
  source.Add("b");
  source.Add("a", &obj);
  TStringList copy;
  copy.Add("gone");
  copy.Assign(source);
  EXPECT_EQ(Strings(copy), (Lines{"a", "b"}));
  EXPECT_EQ(copy.GetObject(0), &obj);
  EXPECT_TRUE(copy.CaseSensitive());
  EXPECT_TRUE(copy.Sorted());
  // The copy is independent of its source.
  copy.Put(0, "changed");
  EXPECT_EQ(source.Get(0), "a");
  copy.Assign(copy);
  EXPECT_EQ(copy.Count(), 2);
}

TEST(TStringListTest, AssignFromAnotherClassRaisesConvertError) {
  TStringList list;
  list.Add("kept");
  TComponent component;
  EXPECT_THROW(list.Assign(component), EConvertError);
  EXPECT_EQ(Strings(list), (Lines{"kept"}));
}

// ---------------------------------------------------------------- TStringHashTable

std::vector<std::string> Keys(const TStringHashTable<int>& table) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : table)
    keys.push_back(key);
  return keys;
}

TEST(TStringHashTableTest, KeepsEntriesInInsertionOrder) {
  TStringHashTable<int> table;
  EXPECT_TRUE(table.Empty());
  table.Put("zeta", 1);
  table.Put("alpha", 2);
  table.Put("mu", 3);
  EXPECT_EQ(table.Count(), 3);
  EXPECT_EQ(Keys(table), (Lines{"zeta", "alpha", "mu"}));
  EXPECT_EQ(table.At(1).second, 2);
}

TEST(TStringHashTableTest, PutReplacesAnExistingEntryInItsPlace) {
  TStringHashTable<int> table;
  table.Put("a", 1);
  table.Put("b", 2);
  table.Put("c", 3);
  table.Put("a", 10);
  EXPECT_EQ(table.Count(), 3);
  EXPECT_EQ(Keys(table), (Lines{"a", "b", "c"}));
  ASSERT_NE(table.Find("a"), nullptr);
  EXPECT_EQ(*table.Find("a"), 10);
}

TEST(TStringHashTableTest, KeysAreComparedExactly) {
  TStringHashTable<int> table;
  table.Put("Fact", 1);
  table.Put("fact", 2);
  EXPECT_EQ(table.Count(), 2);
  EXPECT_EQ(*table.Find("Fact"), 1);
  EXPECT_EQ(*table.Find("fact"), 2);
  EXPECT_EQ(table.Find("FACT"), nullptr);
  EXPECT_FALSE(table.ContainsKey("FACT"));
}

TEST(TStringHashTableTest, RemoveKeepsTheOrderAndLookupsOfTheRest) {
  TStringHashTable<int> table;
  for (int i = 0; i < 6; ++i)
    table.Put("k" + std::to_string(i), i);
  EXPECT_TRUE(table.Remove("k1"));
  EXPECT_TRUE(table.Remove("k4"));
  EXPECT_FALSE(table.Remove("k4"));
  EXPECT_FALSE(table.Remove("missing"));
  EXPECT_EQ(Keys(table), (Lines{"k0", "k2", "k3", "k5"}));
  for (int i : {0, 2, 3, 5}) {
    const int* v = table.Find("k" + std::to_string(i));
    ASSERT_NE(v, nullptr) << i;
    EXPECT_EQ(*v, i);
  }
  // Entries added and replaced after a removal still land where they belong.
  table.Put("k5", 50);
  table.Put("k6", 6);
  EXPECT_EQ(*table.Find("k5"), 50);
  EXPECT_EQ(Keys(table), (Lines{"k0", "k2", "k3", "k5", "k6"}));
}

// A value whose destructor looks at the table it was stored in.
struct TWitness {
  TStringHashTable<TWitness>* table = nullptr;
  std::string key;
  std::vector<std::string>* seen = nullptr;

  TWitness(TStringHashTable<TWitness>* t, std::string k, std::vector<std::string>* s)
      : table(t), key(std::move(k)), seen(s) {}
  TWitness(TWitness&& o) noexcept
      : table(std::exchange(o.table, nullptr)), key(std::move(o.key)), seen(o.seen) {}
  TWitness& operator=(TWitness&& o) noexcept {
    table = std::exchange(o.table, nullptr);
    key = std::move(o.key);
    seen = o.seen;
    return *this;
  }
  ~TWitness() {
    if (!table) return;
    seen->push_back(key + (table->ContainsKey(key) ? " still in" : " gone") + " count " +
                    std::to_string(table->Count()));
  }
};

TEST(TStringHashTableTest, RemovedValueDiesAfterTheTableIsConsistent) {
  std::vector<std::string> seen;
  TStringHashTable<TWitness> table;
  table.Put("x", TWitness(&table, "x", &seen));
  table.Put("y", TWitness(&table, "y", &seen));
  table.Remove("x");
  EXPECT_EQ(seen, (Lines{"x gone count 1"}));
  table.Clear();
  EXPECT_EQ(seen, (Lines{"x gone count 1", "y gone count 0"}));
  EXPECT_TRUE(table.Empty());
  table.Put("z", TWitness(&table, "z", &seen));
  EXPECT_TRUE(table.ContainsKey("z"));
  EXPECT_FALSE(table.ContainsKey("y"));
  table.Clear();
  EXPECT_EQ(seen.back(), "z gone count 0");
}

TEST(TStringHashTableTest, HoldsMoveOnlyValues) {
  TStringHashTable<std::unique_ptr<int>> table;
  table.Put("a", std::make_unique<int>(1));
  table.Put("b", std::make_unique<int>(2));
  table.Put("a", std::make_unique<int>(3));
  EXPECT_TRUE(table.Remove("b"));
  ASSERT_EQ(table.Count(), 1);
  EXPECT_EQ(**table.Find("a"), 3);
}

// ---------------------------------------------------------------- TSet and TEnumInfo

enum TColour { clRed, clGreen, clBlue, clLast = 31, clBeyond = 32 };

TEST(TSetTest, IncludeExcludeAndContainsOnlyForOrdinalsBelow32) {
  TSet<TColour> s;
  EXPECT_TRUE(s.Empty());
  s.Include(clGreen).Include(clLast);
  EXPECT_TRUE(s.Contains(clGreen));
  EXPECT_TRUE(s.Contains(clLast));
  EXPECT_FALSE(s.Contains(clRed));
  EXPECT_EQ(s.Count(), 2);
  EXPECT_EQ(s.Bits(), (1u << 1) | (1u << 31));
  s.Exclude(clGreen).Exclude(clRed);
  EXPECT_EQ(s, TSet<TColour>{clLast});
  // Ordinals outside the 32 bits belong to no set.
  TSet<TColour> beyond{clBeyond};
  EXPECT_TRUE(beyond.Empty());
  TSet<TColour> full = TSet<TColour>::FromBits(0xffffffffu);
  EXPECT_FALSE(full.Contains(clBeyond));
  full.Exclude(clBeyond);
  EXPECT_EQ(full.Count(), 32);
}

TEST(TSetTest, UnionIntersectionDifferenceAndSubset) {
  TSet<TColour> warm{clRed, clGreen};
  TSet<TColour> cool{clGreen, clBlue};
  EXPECT_EQ(warm | cool, (TSet<TColour>{clRed, clGreen, clBlue}));
  EXPECT_EQ(warm & cool, TSet<TColour>{clGreen});
  EXPECT_EQ(warm - cool, TSet<TColour>{clRed});
  EXPECT_TRUE((warm & cool).SubsetOf(warm));
  EXPECT_FALSE(warm.SubsetOf(cool));
  EXPECT_TRUE(TSet<TColour>().SubsetOf(cool));
}

TEST(TEnumInfoTest, IndexOfFindsMembersByExactName) {
  TEnumInfo info("TColour", {"clRed", "clGreen", "clBlue"});
  EXPECT_EQ(info.Count(), 3);
  EXPECT_EQ(info.IndexOf("clBlue"), 2);
  EXPECT_EQ(info.IndexOf("clred"), -1);
  EXPECT_EQ(info.IndexOf(""), -1);
}

}  // namespace
}  // namespace rulecore
