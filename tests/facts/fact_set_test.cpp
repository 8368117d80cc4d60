// rulecore: an embeddable expert-system shell.
// Fact sets: entries and their texts, engine connection, resets, printing and copying.
#include "facts/fact_set.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/context.h"
#include "facts/fact.h"
#include "facts/fact_template.h"
#include "platform/format.h"
#include "support/test_engine.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

// The text the test engine raises for every attempt to read rule-language text.
constexpr const char* kEngineReadsNoText = "The test engine reads no rule-language text: %s";

TStringList Texts(std::initializer_list<const char*> lines) {
  TStringList list;
  for (const char* line : lines)
    list.Add(line);
  return list;
}

class TFactSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    point_ = Ref<TFactTemplate>(new TFactTemplate(engine_.get(), "point"));
    point_->AddSlot("x", NewInteger(0).get());
    engine_->AddTemplate(point_.get());
  }

  // A new fact of the engine's template point with x set to `value`.
  Ref<IFact> Point(IIEValue* value) {
    Ref<IFact> fact = point_->NewFact();
    fact->SetValue("x", value);
    return fact;
  }
  Ref<IFact> Point(int32_t x) { return Point(NewInteger(x).get()); }

  // A set connected to the engine before its facts are added, so that no
  // text needs reading.
  std::unique_ptr<TFactSet> ConnectedSet() {
    auto set = std::make_unique<TFactSet>();
    set->SetEngine(engine_.get());
    return set;
  }

  std::unique_ptr<TestEngine> engine_ = std::make_unique<TestEngine>();
  Ref<TFactTemplate> point_;
};

// ================================================================ construction and connection

TEST_F(TFactSetTest, NewSetIsNamedFactSetAndHoldsNothing) {
  auto set = std::make_unique<TFactSet>();
  EXPECT_EQ(set->FactSetName(), "FactSet");
  EXPECT_EQ(set->Comment(), "");
  EXPECT_EQ(set->Count(), 0);
  EXPECT_EQ(set->Engine(), nullptr);
  EXPECT_EQ(set->GetToString(), "(deffacts FactSet\r\n)");
}

TEST_F(TFactSetTest, SetOwnedByAnEngineJoinsItsFactSets) {
  auto* set = new TFactSet(engine_.get());
  EXPECT_EQ(set->Engine(), static_cast<IFactEngine*>(engine_.get()));
  EXPECT_EQ(engine_->FactSets(), std::vector<TFactSet*>{set});
  delete set;
  EXPECT_TRUE(engine_->FactSets().empty());
}

TEST_F(TFactSetTest, SetInAFormBeingDesignedJoinsTheFormsEngine) {
  auto form = std::make_unique<TComponent>();
  auto* engine = new TestEngine(form.get());
  auto* idle = new TFactSet(form.get());
  EXPECT_EQ(idle->Engine(), nullptr);
  form->SetDesigning(true);
  auto* designed = new TFactSet(form.get());
  EXPECT_EQ(designed->Engine(), static_cast<IFactEngine*>(engine));
  EXPECT_EQ(engine->FactSets(), std::vector<TFactSet*>{designed});
}

TEST_F(TFactSetTest, ConnectingASetWithTextsReadsThemThroughTheEngine) {
  auto set = std::make_unique<TFactSet>();
  set->SetFacts(Texts({"(point (x 1))"}));
  EXPECT_EQ(ErrorOf([&] { set->SetEngine(engine_.get()); }),
            Format(kEngineReadsNoText, {"(point (x 1))"}));
  EXPECT_EQ(set->FactText(0), "(point (x 1))");
}

TEST_F(TFactSetTest, ReplacingTheTextsOfAConnectedSetReadsEachAsALine) {
  auto set = ConnectedSet();
  EXPECT_EQ(ErrorOf([&] { set->SetFacts(Texts({"(point (x 1))"})); }),
            Format(kEngineReadsNoText, {"(point (x 1))\r\n"}));
}

TEST_F(TFactSetTest, DisconnectingDropsTheFactsAndKeepsTheTexts) {
  auto set = ConnectedSet();
  EXPECT_EQ(engine_->FactSets(), std::vector<TFactSet*>{set.get()});
  Ref<IFact> fact = Point(1);
  set->AddFact(fact.get());
  set->SetEngine(nullptr);
  EXPECT_EQ(set->Engine(), nullptr);
  EXPECT_TRUE(engine_->FactSets().empty());
  EXPECT_EQ(set->GetFact(0), nullptr);
  EXPECT_EQ(set->IndexOf(fact.get()), -1);
  EXPECT_EQ(set->FactText(0), "(point (x 1))");
}

TEST_F(TFactSetTest, RemovingTheEngineComponentKeepsTheTexts) {
  auto set = std::make_unique<TFactSet>();
  auto engine = std::make_unique<TestEngine>();
  set->SetEngine(engine.get());
  Ref<TFactTemplate> tmpl(new TFactTemplate(engine.get(), "point"));
  tmpl->AddSlot("x", NewInteger(0).get());
  engine->AddTemplate(tmpl.get());
  Ref<IFact> fact = tmpl->NewFact();
  set->AddFact(fact.get());
  // An engine that goes without disconnecting its sets first: the set hears
  // of it only through the free notification.
  engine->RemoveFactSet(set.get());
  engine.reset();
  EXPECT_EQ(set->Engine(), nullptr);
  ASSERT_EQ(set->Count(), 1);
  EXPECT_EQ(set->GetFact(0), nullptr);
  EXPECT_EQ(set->FactText(0), "(point (x 0))");
  EXPECT_EQ(set->GetToString(), "(deffacts FactSet\r\n    (point (x 0))\r\n)");
}

// ================================================================ entries

TEST_F(TFactSetTest, AddFactAppendsThePrintedFormWithTheFactAttached) {
  auto set = ConnectedSet();
  Ref<IFact> one = Point(1);
  Ref<IFact> two = Point(2);
  EXPECT_EQ(set->AddFact(one.get()), 0);
  EXPECT_EQ(set->AddFact(two.get()), 1);
  EXPECT_EQ(set->FactText(1), "(point (x 2))");
  EXPECT_EQ(set->GetFact(0), one.get());
  EXPECT_EQ(set->Facts().Text(), "(point (x 1))\r\n(point (x 2))\r\n");
  set->SetFact(0, two.get());
  EXPECT_EQ(set->GetFact(0), two.get());
}

TEST_F(TFactSetTest, EntryIndexOutsideTheListIsRefused) {
  auto set = ConnectedSet();
  Ref<IFact> one = Point(1);
  set->AddFact(one.get());
  EXPECT_EQ(ErrorOf([&] { set->GetFact(1); }), Format(SListIndexError, {1}));
  EXPECT_EQ(ErrorOf([&] { set->SetFact(-1, one.get()); }), Format(SListIndexError, {-1}));
  EXPECT_EQ(ErrorOf([&] { set->FactText(3); }), Format(SListIndexError, {3}));
}

TEST_F(TFactSetTest, IndexOfAndRemoveLookForTheVeryFactObject) {
  auto set = ConnectedSet();
  Ref<IFact> one = Point(1);
  Ref<IFact> two = Point(2);
  Ref<IFact> equal_to_two = Point(2);
  set->AddFact(one.get());
  set->AddFact(two.get());
  EXPECT_EQ(set->IndexOf(two.get()), 1);
  EXPECT_EQ(set->IndexOf(equal_to_two.get()), -1);
  EXPECT_LT(set->Remove(equal_to_two.get()), 0);
  EXPECT_EQ(set->Remove(one.get()), 0);
  EXPECT_EQ(set->Count(), 1);
  EXPECT_EQ(set->IndexOf(two.get()), 0);
  EXPECT_EQ(set->FactText(0), "(point (x 2))");
}

TEST_F(TFactSetTest, RemovingNilLeavesEntriesThatWereNotRead) {
  auto set = std::make_unique<TFactSet>();
  set->SetFacts(Texts({"(point (x 1))", "(point (x 2))"}));
  EXPECT_EQ(set->IndexOf(nullptr), -1);
  EXPECT_LT(set->Remove(nullptr), 0);
  EXPECT_EQ(set->Count(), 2);
}

TEST_F(TFactSetTest, SetWithoutEngineHoldsTextsOnly) {
  auto set = std::make_unique<TFactSet>();
  set->SetFacts(Texts({"(point (x 1))", "(point (x 2))"}));
  ASSERT_EQ(set->Count(), 2);
  EXPECT_EQ(set->FactText(1), "(point (x 2))");
  EXPECT_EQ(set->GetFact(0), nullptr);
  EXPECT_EQ(set->Facts().Text(), "(point (x 1))\r\n(point (x 2))\r\n");
  set->Reset();
  EXPECT_TRUE(engine_->Facts().empty());
}

// ================================================================ reset

TEST_F(TFactSetTest, ResetAssertsACopyOfEveryFactInOrder) {
  auto set = ConnectedSet();
  Ref<IFact> one = Point(1);
  Ref<IFact> two = Point(2);
  set->AddFact(one.get());
  set->AddFact(two.get());
  set->Reset();
  const std::vector<Ref<IFact>>& asserted = engine_->Facts();
  ASSERT_EQ(asserted.size(), 2u);
  EXPECT_NE(asserted[0].get(), one.get());
  EXPECT_NE(asserted[1].get(), two.get());
  EXPECT_TRUE(asserted[0]->Equals(one.get()));
  EXPECT_TRUE(asserted[1]->Equals(two.get()));
  EXPECT_EQ(asserted[0]->GetID(), 0);
  EXPECT_EQ(asserted[1]->GetID(), 1);
  EXPECT_EQ(one->GetID(), -1);
  EXPECT_EQ(set->GetFact(0), one.get());
}

TEST_F(TFactSetTest, EveryResetAssertsCopiesOfItsOwn) {
  auto set = ConnectedSet();
  Ref<IFact> one = Point(1);
  set->AddFact(one.get());
  set->Reset();
  set->Reset();
  // The engine refuses the second copy as a duplicate.
  EXPECT_EQ(engine_->Facts().size(), 1u);

  engine_->SetFactDuplication(true);
  set->Reset();
  ASSERT_EQ(engine_->Facts().size(), 2u);
  EXPECT_NE(engine_->Facts()[0].get(), engine_->Facts()[1].get());
  engine_->Facts()[1]->GetValue("x")->SetAsInteger(5);
  EXPECT_EQ(engine_->Facts()[0]->GetValue("x")->GetAsInteger(), 1);
  EXPECT_EQ(one->GetValue("x")->GetAsInteger(), 1);
}

TEST_F(TFactSetTest, ResetAssertsTheValueAVariableHasAtResetTime) {
  auto set = ConnectedSet();
  Ref<IFact> fact = Point(NewVariable("start").get());
  set->AddFact(fact.get());
  EXPECT_EQ(set->FactText(0), "(point (x ?start))");
  engine_->GetContext()->AddGlobalBinding("start", NewInteger(5).get());
  set->Reset();
  engine_->GetContext()->AddGlobalBinding("start", NewInteger(6).get());
  set->Reset();
  ASSERT_EQ(engine_->Facts().size(), 2u);
  EXPECT_EQ(engine_->Facts()[0]->GetValue("x")->GetAsInteger(), 5);
  EXPECT_EQ(engine_->Facts()[1]->GetValue("x")->GetAsInteger(), 6);
  EXPECT_EQ(fact->GetValue("x")->GetToString(), "?start");
}

TEST_F(TFactSetTest, LoadingResetsUnlessTheHostIsDesigning) {
  auto set = ConnectedSet();
  Ref<IFact> one = Point(1);
  set->AddFact(one.get());
  set->SetDesigning(true);
  set->Loaded();
  EXPECT_TRUE(engine_->Facts().empty());
  set->SetDesigning(false);
  set->Loaded();
  EXPECT_EQ(engine_->Facts().size(), 1u);
}

// ================================================================ printing

TEST_F(TFactSetTest, SetPrintsAsDeffactsWithItsCommentAndOneFactALine) {
  auto set = ConnectedSet();
  set->SetFactSetName("startup");
  set->SetComment("initial points");
  Ref<IFact> one = Point(1);
  Ref<IFact> two = Point(2);
  set->AddFact(one.get());
  set->AddFact(two.get());
  const std::string expected =
      "(deffacts startup \"initial points\"\r\n"
      "    (point (x 1))\r\n"
      "    (point (x 2))\r\n"
      ")";
  EXPECT_EQ(set->GetToString(), expected);
  set->SetEngine(nullptr);
  EXPECT_EQ(set->GetToString(), expected);
}

TEST_F(TFactSetTest, TextsPrintWithEveryLineIndented) {
  auto set = std::make_unique<TFactSet>();
  set->SetFacts(Texts({"(a)", "(b\r\nc)"}));
  EXPECT_EQ(set->GetToString(), "(deffacts FactSet\r\n    (a)\r\n    (b\r\n    c)\r\n)");
}

// ================================================================ copying

TEST_F(TFactSetTest, AssignCopiesNameCommentAndCopiesOfTheFacts) {
  auto source = ConnectedSet();
  source->SetFactSetName("startup");
  source->SetComment("points");
  Ref<IFact> one = Point(1);
  source->AddFact(one.get());
  auto copy = std::make_unique<TFactSet>();
  copy->SetFacts(Texts({"(old)"}));
  copy->Assign(*source);
  EXPECT_EQ(copy->FactSetName(), "startup");
  EXPECT_EQ(copy->Comment(), "points");
  ASSERT_EQ(copy->Count(), 1);
  EXPECT_EQ(copy->FactText(0), "(point (x 1))");
  ASSERT_NE(copy->GetFact(0), nullptr);
  EXPECT_NE(copy->GetFact(0), one.get());
  EXPECT_TRUE(copy->GetFact(0)->Equals(one.get()));
  EXPECT_EQ(copy->Engine(), nullptr);
}

TEST_F(TFactSetTest, CloneOfASetWithoutEngineKeepsItsTexts) {
  auto source = std::make_unique<TFactSet>();
  source->SetFacts(Texts({"(a)", "(b)"}));
  std::unique_ptr<TFactSet> copy(source->Clone(nullptr));
  EXPECT_EQ(copy->Facts().Text(), "(a)\r\n(b)\r\n");
  EXPECT_EQ(copy->GetFact(0), nullptr);
}

TEST_F(TFactSetTest, CloneIntoAnEngineReadsTheFactsThroughItsParser) {
  auto source = ConnectedSet();
  Ref<IFact> one = Point(1);
  source->AddFact(one.get());
  const int owned = engine_->ComponentCount();
  EXPECT_EQ(ErrorOf([&] { source->Clone(engine_.get()); }),
            Format(kEngineReadsNoText, {"(point (x 1))"}));
  // The unfinished copy is gone again.
  EXPECT_EQ(engine_->ComponentCount(), owned);
  EXPECT_EQ(engine_->FactSets(), std::vector<TFactSet*>{source.get()});
}

}  // namespace
}  // namespace rulecore
