// rulecore: an embeddable expert-system shell.
// The engine's fact list: changes from outside routed through the engine,
// preserved ids and the id order, finding facts by id, by identity and by
// equality, the lookup cache and hash-code collisions, text forms and
// assignment between engines.
#include "engine/fact_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ie_value.h"
#include "core/messages.h"
#include "engine/inference_engine.h"
#include "facts/fact.h"
#include "facts/fact_template.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "platform/string_list.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

const std::string NL = NewLineString;

class FactListTest : public ::testing::Test {
 protected:
  FactListTest() {
    engine.OnPrintOut = [this](TObject*, const std::string&, const std::string& text) {
      out += text;
    };
  }

  void Define(const std::string& text) { engine.Parse(text, false); }

  // A new, unasserted fact read from `text`, carrying `id`.
  Ref<IFact> Fact(const std::string& text, int32_t id = -1) {
    Ref<IFact> fact = engine.ParseFact(text);
    fact->SetID(id);
    return fact;
  }

  // The ids of the listed facts, in list order.
  std::string Ids() {
    std::string s;
    for (int i = 0; i < facts().Count(); ++i)
      s += (i ? " " : "") + std::to_string(facts().Get(i)->GetID());
    return s;
  }

  // Checks that every listed fact is found at its own place by id and by
  // identity (the binary searches rely on the id order).
  void ExpectEveryFactFound() {
    for (int i = 0; i < facts().Count(); ++i) {
      IFact* f = facts().Get(i);
      EXPECT_EQ(facts().FindFact(f->GetID()), i) << "id " << f->GetID();
      EXPECT_EQ(facts().IndexOf(f), i) << "id " << f->GetID();
      EXPECT_EQ(facts().GetFactByID(f->GetID()), f);
    }
  }

  TFacts& facts() { return engine.Facts(); }

  TInferenceEngine engine;
  std::string out;
};

// ================================================================ defaults

TEST_F(FactListTest, TheEnginesListStartsWithTheInitialFactTheCacheOnAndIdsNotPreserved) {
  EXPECT_EQ(facts().Engine(), &engine);
  EXPECT_FALSE(facts().PreserveIDs());
  EXPECT_TRUE(facts().CacheHashCodes());
  EXPECT_FALSE(facts().InternalUpdate());
  EXPECT_EQ(facts().MaxFactId(), 0);
  ASSERT_EQ(facts().Count(), 1);
  EXPECT_EQ(facts().Get(0)->GetToString(), "(Initial-Fact)");
  EXPECT_EQ(engine.FactCount(), 1);
  EXPECT_EQ(engine.FactAt(0), facts().Get(0));
}

// ================================================================ changes from outside

TEST_F(FactListTest, AddingFromOutsideAssertsTheFact) {
  Define("(defrule r (a ?x) =>)");
  engine.SetWatch({cwFact});
  std::vector<std::string> asserted;
  engine.OnAssertion = [&](TObject*, IFact* f) { asserted.push_back(f->GetToIDString()); };
  Ref<IFact> fact = Fact("(a 1)", 40);
  EXPECT_EQ(facts().Add(fact.get()), 1);
  EXPECT_EQ(fact->GetID(), 1);  // the carried id is not kept
  EXPECT_EQ(out, " ==> f-1 (a 1 )" + NL);
  EXPECT_EQ(asserted, std::vector<std::string>{"f-1 (a 1 )"});
  EXPECT_EQ(engine.Agenda().Count(), 1);
  EXPECT_EQ(facts().MaxFactId(), 1);
  EXPECT_FALSE(facts().InternalUpdate());
}

TEST_F(FactListTest, AFactRefusedAsADuplicateIsNotListed) {
  facts().Add(Fact("(a 1)").get());
  out.clear();
  engine.SetWatch({cwFact});
  EXPECT_EQ(facts().Add(Fact("(a 1)").get()), -1);
  EXPECT_EQ(Ids(), "0 1");
  EXPECT_EQ(out, "");
}

TEST_F(FactListTest, AFactWithoutTemplateIsRefusedWithNothingChanged) {
  Ref<IFact> bare(new TFact());
  ExpectIEError([&] { facts().Add(bare.get()); }, SNoTemplate);
  EXPECT_EQ(Ids(), "0");
  EXPECT_FALSE(facts().InternalUpdate());
}

TEST_F(FactListTest, DeletingFromOutsideRetractsTheFact) {
  Define("(defrule r (a ?x) =>)");
  facts().Add(Fact("(a 1)").get());
  facts().Add(Fact("(a 2)").get());
  ASSERT_EQ(engine.Agenda().Count(), 2);
  engine.SetWatch({cwFact});
  std::string retracted;
  engine.OnRetraction = [&](TObject*, IFact* f) {
    // Raised while the fact is still listed.
    retracted += f->GetToString() + (facts().IndexOf(f) >= 0 ? " listed" : " gone");
  };
  facts().Delete(1);
  EXPECT_EQ(out, " <== f-1 (a 1 )" + NL);
  EXPECT_EQ(retracted, "(a 1 ) listed");
  EXPECT_EQ(Ids(), "0 2");
  EXPECT_EQ(engine.Agenda().Count(), 1);
  // The duplicate test no longer finds it.
  EXPECT_EQ(facts().FindFact(Fact("(a 1)").get()), -1);
  ExpectIEError([&] { facts().Delete(2); }, Format(SListIndexError, {2}));
  ExpectIEError([&] { facts().Delete(-1); }, Format(SListIndexError, {-1}));
}

TEST_F(FactListTest, ClearingFromOutsideRetractsEverythingAndRaisesOnlyClearFacts) {
  Define("(defrule r (a ?x) =>)");
  facts().Add(Fact("(a 1)").get());
  facts().Add(Fact("(a 2)").get());
  ASSERT_EQ(engine.Agenda().Count(), 2);
  engine.SetWatch({cwFact, cwActivation});
  out.clear();
  std::string log;
  engine.OnRetraction = [&](TObject*, IFact*) { log += "retraction "; };
  engine.OnRemoveActivation = [&](TObject*, int, TActivation*) { log += "remove-activation "; };
  engine.OnClearFacts = [&](TObject*) { log += "clear-facts "; };
  facts().Clear();
  EXPECT_EQ(facts().Count(), 0);
  EXPECT_TRUE(engine.Agenda().Empty());
  EXPECT_EQ(out, "");
  EXPECT_EQ(log, "clear-facts ");
  EXPECT_EQ(facts().MaxFactId(), 0);
  // The next id goes on, and the facts are new again for the network.
  EXPECT_EQ(engine.GetNextFactId(), 3);
  EXPECT_EQ(facts().Add(Fact("(a 1)").get()), 0);
  EXPECT_EQ(Ids(), "3");
  EXPECT_EQ(engine.Agenda().Count(), 1);
}

TEST_F(FactListTest, InsertingFromOutsideAssertsAndKeepsTheIdOrder) {
  facts().Add(Fact("(a 1)").get());
  facts().Add(Fact("(a 2)").get());
  facts().Insert(0, Fact("(a 3)").get());
  EXPECT_EQ(Ids(), "0 1 2 3");
  ExpectEveryFactFound();
  ExpectIEError([&] { facts().Insert(9, Fact("(a 4)").get()); }, Format(SListIndexError, {9}));
  EXPECT_EQ(Ids(), "0 1 2 3");
}

TEST_F(FactListTest, AssertingAFactThatIsAlreadyListedIsRefusedEvenWithDuplicatesAllowed) {
  engine.SetFactDuplication(true);
  Ref<IFact> fact = Fact("(a 1)");
  EXPECT_EQ(engine.AssertFact(fact.get()), 1);
  EXPECT_EQ(engine.AssertFact(fact.get()), -1);
  EXPECT_EQ(fact->GetID(), 1);
  EXPECT_EQ(Ids(), "0 1");
  // An equal copy is a fact of its own.
  EXPECT_EQ(engine.AssertFact(Fact("(a 1)").get()), 2);
}

// ================================================================ preserved ids

TEST_F(FactListTest, APreservedIdIsKeptAndMovesTheNextIdPastIt) {
  facts().SetPreserveIDs(true);
  Ref<IFact> seven = Fact("(a 7)", 7);
  EXPECT_EQ(facts().Add(seven.get()), 1);
  EXPECT_EQ(seven->GetID(), 7);
  EXPECT_EQ(engine.GetNextFactId(), 8);
  EXPECT_EQ(facts().MaxFactId(), 7);
  EXPECT_EQ(engine.AssertText("(a next)"), 8);
}

TEST_F(FactListTest, APreservedIdBelowTheNextIdLeavesTheNextIdAlone) {
  for (int i = 1; i <= 9; ++i)
    engine.AssertText("(b " + std::to_string(i) + ")");
  ASSERT_EQ(engine.GetNextFactId(), 10);
  engine.Retract(4);
  facts().SetPreserveIDs(true);
  Ref<IFact> four = Fact("(a 4)", 4);
  EXPECT_EQ(facts().Add(four.get()), 4);
  EXPECT_EQ(four->GetID(), 4);
  EXPECT_EQ(engine.GetNextFactId(), 10);
  EXPECT_EQ(Ids(), "0 1 2 3 4 5 6 7 8 9");
  ExpectEveryFactFound();
}

TEST_F(FactListTest, PreservedIdsLowerThanTheLastOneStayInIdOrder) {
  facts().SetPreserveIDs(true);
  for (int32_t id : {20, 5, 12, 3, 30, 1})
    facts().Add(Fact("(a " + std::to_string(id) + ")", id).get());
  EXPECT_EQ(Ids(), "0 1 3 5 12 20 30");
  EXPECT_EQ(engine.GetNextFactId(), 31);
  EXPECT_EQ(facts().MaxFactId(), 30);
  ExpectEveryFactFound();
  EXPECT_TRUE(engine.Retract(12));
  EXPECT_EQ(Ids(), "0 1 3 5 20 30");
  ExpectEveryFactFound();
}

TEST_F(FactListTest, AnIdAlreadyListedIsNotPreserved) {
  facts().SetPreserveIDs(true);
  engine.AssertText("(a 1)");
  Ref<IFact> clash = Fact("(a other)", 1);
  EXPECT_EQ(facts().Add(clash.get()), 2);
  EXPECT_EQ(clash->GetID(), 2);
  EXPECT_EQ(Ids(), "0 1 2");
}

TEST_F(FactListTest, FactsAssertedWhileAPreservedFactPropagatesGetIdsPastIt) {
  for (int i = 1; i <= 5; ++i)
    engine.AssertText("(b " + std::to_string(i) + ")");  // ids 1 to 5
  engine.Retract(2);
  facts().SetPreserveIDs(true);
  // Another fact asserted from within the preserved fact's assertion must
  // not take an id that is listed already.
  engine.OnAssertion = [&](TObject*, IFact* f) {
    if (f->GetToString() == "(a 2 )") engine.AssertText("(c 1)");
  };
  facts().Add(Fact("(a 2)", 2).get());
  EXPECT_EQ(Ids(), "0 1 2 3 4 5 6");
  ExpectEveryFactFound();
  EXPECT_EQ(engine.FactById(6)->GetToString(), "(c 1 )");
}

// ================================================================ finding facts

TEST_F(FactListTest, FindFactByIdInAShortAndInALongList) {
  engine.AssertText("(a 1)");
  engine.AssertText("(a 2)");
  engine.Retract(1);
  ASSERT_LT(facts().Count(), 5);
  EXPECT_EQ(facts().FindFact(2), 1);
  EXPECT_EQ(facts().FindFact(1), -1);
  EXPECT_EQ(facts().GetFactByID(1), nullptr);
  for (int i = 3; i <= 12; ++i)
    engine.AssertText("(a " + std::to_string(i) + ")");
  for (int32_t gone : {4, 7, 12})
    engine.Retract(gone);
  ASSERT_GE(facts().Count(), 5);
  EXPECT_EQ(Ids(), "0 2 3 5 6 8 9 10 11");
  ExpectEveryFactFound();
  for (int32_t absent : {-1, 1, 4, 7, 12, 99})
    EXPECT_EQ(facts().FindFact(absent), -1) << absent;
}

TEST_F(FactListTest, IndexOfGoesByIdentityInAShortListAndByIdInALongOne) {
  engine.AssertText("(a 1)");
  Ref<IFact> copy = facts().Get(1)->Clone();
  copy->SetID(facts().Get(1)->GetID());
  ASSERT_LT(facts().Count(), 5);
  EXPECT_EQ(facts().IndexOf(facts().Get(1)), 1);
  EXPECT_EQ(facts().IndexOf(copy.get()), -1);
  for (int i = 2; i <= 5; ++i)
    engine.AssertText("(a " + std::to_string(i) + ")");
  ASSERT_GE(facts().Count(), 5);
  EXPECT_EQ(facts().IndexOf(copy.get()), 1);  // the listed fact with its id
  // Without an id only the very fact is found.
  Ref<IFact> unasserted = Fact("(a 3)");
  EXPECT_EQ(facts().IndexOf(unasserted.get()), -1);
  EXPECT_EQ(facts().IndexOf(nullptr), -1);
}

TEST_F(FactListTest, FindFactFindsAnEqualFactWithTheCacheOnAndOff) {
  for (int i = 1; i <= 6; ++i)
    engine.AssertText("(a " + std::to_string(i) + ")");
  for (bool cache : {true, false}) {
    facts().SetCacheHashCodes(cache);
    EXPECT_EQ(facts().FindFact(Fact("(a 4)").get()), 4) << cache;
    EXPECT_EQ(facts().FindFact(Fact("(a 9)").get()), -1) << cache;
    EXPECT_EQ(facts().FindFact(static_cast<IFact*>(nullptr)), -1);
  }
}

TEST_F(FactListTest, AFactChangedWhileListedLeavesNoStaleCacheEntry) {
  Define("(deftemplate p (slot v))");
  engine.AssertText("(p (v 1))");
  IFact* listed = facts().Get(1);
  listed->SetValue("v", NewInteger(2).get());
  engine.Retract(1);
  // Its cache entry went with it: an equal fact is new, and finding one
  // reads no retracted fact.
  EXPECT_EQ(facts().FindFact(Fact("(p (v 1))").get()), -1);
  EXPECT_EQ(engine.AssertText("(p (v 1))"), 2);
  EXPECT_EQ(engine.AssertText("(p (v 2))"), 3);
}

// ================================================================ the cache and duplicates

TEST_F(FactListTest, AllowingDuplicatesTurnsTheCacheOffAndRefusingThemRebuildsIt) {
  engine.SetFactDuplication(true);
  EXPECT_FALSE(facts().CacheHashCodes());
  EXPECT_EQ(engine.AssertText("(a 1)"), 1);
  EXPECT_EQ(engine.AssertText("(a 1)"), 2);
  EXPECT_EQ(facts().FindFact(Fact("(a 1)").get()), 1);  // the first equal one
  engine.SetFactDuplication(false);
  EXPECT_TRUE(facts().CacheHashCodes());
  // The rebuilt cache knows the facts listed while it was off.
  EXPECT_EQ(facts().FindFact(Fact("(a 1)").get()), 1);
  EXPECT_EQ(engine.AssertText("(a 1)"), -1);
  EXPECT_EQ(engine.AssertText("(a 2)"), 3);
  EXPECT_TRUE(engine.RetractText("(a 1)"));
  EXPECT_EQ(Ids(), "0 2 3");
  EXPECT_EQ(facts().FindFact(Fact("(a 1)").get()), 1);
}

TEST_F(FactListTest, TheDuplicateTestWorksWithTheCacheTurnedOffByTheHost) {
  facts().SetCacheHashCodes(false);
  EXPECT_EQ(engine.AssertText("(a 1)"), 1);
  EXPECT_EQ(engine.AssertText("(a 1)"), -1);
  facts().SetCacheHashCodes(true);
  EXPECT_EQ(engine.AssertText("(a 1)"), -1);
  EXPECT_EQ(engine.AssertText("(a 2)"), 2);
}

TEST_F(FactListTest, DistinctFactsWithTheSameHashCodeAreBothAsserted) {
  // The slot texts "ab"+"c" and "a"+"bc" read the same when joined, so the
  // two facts share a hash code though they differ.
  Define("(deftemplate p (slot x) (slot y))");
  Ref<IFact> first = Fact("(p (x ab) (y c))");
  Ref<IFact> second = Fact("(p (x a) (y bc))");
  ASSERT_EQ(first->GetHashCode(), second->GetHashCode());
  ASSERT_FALSE(first->Equals(second.get()));
  ASSERT_TRUE(facts().CacheHashCodes());
  EXPECT_EQ(engine.AssertFact(first.get()), 1);
  EXPECT_EQ(engine.AssertFact(second.get()), 2);
  EXPECT_EQ(Ids(), "0 1 2");
  // Equal facts are still found, each under the shared code.
  EXPECT_EQ(engine.AssertText("(p (x ab) (y c))"), -1);
  EXPECT_EQ(engine.AssertText("(p (x a) (y bc))"), -1);
  EXPECT_EQ(facts().FindFact(Fact("(p (x a) (y bc))").get()), 2);
  // Retracting one leaves the other findable.
  EXPECT_TRUE(engine.RetractText("(p (x ab) (y c))"));
  EXPECT_EQ(facts().FindFact(Fact("(p (x a) (y bc))").get()), 1);
  EXPECT_EQ(facts().FindFact(Fact("(p (x ab) (y c))").get()), -1);
  EXPECT_EQ(engine.AssertText("(p (x ab) (y c))"), 3);
}

TEST_F(FactListTest, FactsOfAFuzzyTemplateAreFoundByEqualityWithTheCacheOnAndOff) {
  // A template with a fuzzy slot: equality (and so the duplicate test)
  // skips that slot.
  Ref<TFactTemplate> tmpl(new TFactTemplate(&engine, "reading"));
  tmpl->AddSlot("sensor", FCNil);
  Ref<TFactSlot> level(new TFactSlot);
  level->SetName("level");
  level->SetSlotType({dtFuzzy});
  tmpl->AddSlot(level.get());
  engine.AddFactTemplate(tmpl.get());
  ASSERT_TRUE(tmpl->IsFuzzy());
  auto reading = [&](const char* sensor) {
    Ref<IFact> f(new TFact(tmpl.get()));
    f->SetValue("sensor", NewAtom(sensor).get());
    return f;
  };
  for (bool cache : {true, false}) {
    SCOPED_TRACE(cache ? "cache on" : "cache off");
    engine.RetractFacts();
    facts().SetCacheHashCodes(cache);
    Ref<IFact> a = reading("a");
    EXPECT_GE(engine.AssertFact(a.get()), 0);
    EXPECT_GE(engine.AssertFact(reading("b").get()), 0);
    EXPECT_EQ(engine.AssertFact(reading("a").get()), -1);
    EXPECT_EQ(facts().FindFact(reading("b").get()), 1);
    EXPECT_TRUE(engine.RetractFact(a.get()));
    EXPECT_EQ(facts().FindFact(reading("a").get()), -1);
    EXPECT_GE(engine.AssertFact(reading("a").get()), 0);
    EXPECT_EQ(facts().Count(), 2);
  }
}

// ================================================================ text

TEST_F(FactListTest, TheTextFormsListEveryFactOnALineOfItsOwn) {
  engine.AssertText("(a 1)");
  engine.AssertText("(b x y)");
  EXPECT_EQ(facts().GetToString(), "(Initial-Fact)" + NL + "(a 1 )" + NL + "(b x y )");
  EXPECT_EQ(facts().GetToIDString(),
            "f-0 (Initial-Fact)" + NL + "f-1 (a 1 )" + NL + "f-2 (b x y )");
  TStringList lines;
  lines.Add("old");
  lines.Assign(facts());
  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines.Get(2), "(b x y )");
  engine.RetractFacts();
  EXPECT_EQ(facts().GetToString(), "");
}

// ================================================================ assignment

class FactListAssignTest : public FactListTest {
 protected:
  FactListAssignTest() {
    source.Parse("(deftemplate p (slot v) (slot w (default 0)))", false);
    source.AssertText("(p (v 1))");
    source.AssertText("(q x)");
    source.AssertText("(p (v 2) (w 5))");
  }
  TInferenceEngine source;
};

TEST_F(FactListAssignTest, AssigningCopiesEveryFactOntoThisEnginesTemplates) {
  Define("(deftemplate p (slot v) (slot w (default 0)))");
  Define("(defrule r (p (v ?v)) =>)");
  engine.SetWatch({cwFact});
  facts().Assign(source.Facts());
  EXPECT_EQ(facts().GetToString(), source.Facts().GetToString());
  EXPECT_EQ(out, " ==> f-1 (Initial-Fact)" + NL + " ==> f-2 (p (v 1) (w 0))" + NL +
                     " ==> f-3 (q x )" + NL + " ==> f-4 (p (v 2) (w 5))" + NL);
  for (int i = 0; i < facts().Count(); ++i) {
    IFact* copy = facts().Get(i);
    EXPECT_NE(copy, source.Facts().Get(i));
    EXPECT_EQ(copy->GetTemplate()->GetOwner(), &engine) << copy->GetToString();
  }
  EXPECT_EQ(facts().Get(1)->GetTemplate(), engine.FindFactTemplate("p"));
  // The template this engine lacked was made here.
  ASSERT_NE(engine.FindFactTemplate("q"), nullptr);
  EXPECT_EQ(facts().Get(2)->GetTemplate(), engine.FindFactTemplate("q"));
  // The copies match this engine's rules and do not share values.
  EXPECT_EQ(engine.Agenda().Count(), 2);
  facts().Get(1)->SetValue("v", NewInteger(9).get());
  EXPECT_EQ(source.Facts().Get(1)->GetToString(), "(p (v 1) (w 0))");
}

TEST_F(FactListAssignTest, AssigningWithPreservedIdsKeepsTheSourceIds) {
  source.Retract(1);
  facts().SetPreserveIDs(true);
  engine.AssertText("(z 1)");
  facts().Assign(source.Facts());
  EXPECT_EQ(Ids(), "0 2 3");
  EXPECT_EQ(engine.GetNextFactId(), 4);
  ExpectEveryFactFound();
}

TEST_F(FactListAssignTest, ATemplateOfTheSameNameThatDiffersIsRefusedAndNothingChanges) {
  Define("(deftemplate p (slot v))");
  engine.AssertText("(keep me)");
  const std::string before = facts().GetToIDString();
  ExpectIEError([&] { facts().Assign(source.Facts()); },
                Format(SFactTemplatesDifferent, {"p", "p"}));
  EXPECT_EQ(facts().GetToIDString(), before);
}

TEST_F(FactListAssignTest, AFreeStandingListTakesTheFactsAsTheyAre) {
  TFacts list;
  list.Assign(source.Facts());
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.GetToString(), source.Facts().GetToString());
  EXPECT_EQ(list.Get(3)->GetID(), 3);
  EXPECT_EQ(list.Get(3)->GetTemplate(), source.FindFactTemplate("p"));
  // Without an engine the list changes on its own.
  list.Delete(0);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(source.Facts().Count(), 4);
  EXPECT_EQ(list.FindFact(list.Get(0)), 0);
  list.Clear();
  EXPECT_TRUE(list.Empty());
}

TEST_F(FactListAssignTest, SettingTheEnginesFactsCopiesThemIntoItsOwnList) {
  Define("(deftemplate p (slot v) (slot w (default 0)))");
  engine.SetFacts(source.Facts());
  EXPECT_EQ(facts().GetToString(), source.Facts().GetToString());
  EXPECT_NE(facts().Get(1), source.Facts().Get(1));
}

TEST(FreeStandingFactListTest, KeepsItsIdOrderAndCacheOnItsOwn) {
  TInferenceEngine engine;  // only reads the facts
  auto fact = [&](const std::string& text, int32_t id) {
    Ref<IFact> f = engine.ParseFact(text);
    f->SetID(id);
    return f;
  };
  auto ids = [](const TFacts& list) {
    std::string s;
    for (int i = 0; i < list.Count(); ++i)
      s += (i ? " " : "") + std::to_string(list.Get(i)->GetID());
    return s;
  };
  TFacts list;
  EXPECT_EQ(list.Engine(), nullptr);
  EXPECT_EQ(list.Add(fact("(a 3)", 3).get()), 0);
  EXPECT_EQ(list.Add(fact("(a 1)", 1).get()), 0);  // a lower id goes before
  list.Insert(2, fact("(a 2)", 2).get());          // index 2 would break the order
  list.Insert(3, fact("(a 5)", 5).get());
  EXPECT_EQ(ids(list), "1 2 3 5");
  EXPECT_EQ(engine.FactCount(), 1);  // the engine saw none of it
  // Put replaces an entry, and the cache follows.
  list.Put(0, fact("(a 9)", 1).get());
  EXPECT_EQ(list.FindFact(fact("(a 1)", -1).get()), -1);
  EXPECT_EQ(list.FindFact(fact("(a 9)", -1).get()), 0);
  ExpectIEError([&] { list.Put(4, fact("(a 4)", 4).get()); }, Format(SListIndexError, {4}));
  list.Delete(1);
  EXPECT_EQ(ids(list), "1 3 5");
  EXPECT_EQ(list.FindFact(fact("(a 2)", -1).get()), -1);
  EXPECT_EQ(list.FindFact(3), 1);
}

TEST_F(FactListAssignTest, OnlyFactListsAndStringListsTakePartInAssignment) {
  TStringList strings;
  EXPECT_THROW(facts().Assign(strings), EConvertError);
}

}  // namespace
}  // namespace rulecore
