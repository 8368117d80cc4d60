// rulecore: an embeddable expert-system shell.
// The Rete network: matching through alpha, join, negated, existence and test
// nodes, multifield divisions, node sharing and its trace, priming of rules
// added while facts exist, and releasing rules.
#include "rete/network.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact_template.h"
#include "rete/rule.h"
#include "support/test_engine.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

class NetworkTest : public ::testing::Test {
 protected:
  NetworkTest() {
    engine.AddTestFunctions();
    engine.SetReadsText(true);
  }

  void Define(const std::string& text) { engine.Parse(text, false); }
  Ref<IFact> Assert(const std::string& text) { return engine.AssertText(text); }

  // The facts strings of the waiting activations of `rule`, sorted.
  std::vector<std::string> Matches(const std::string& rule) {
    std::vector<std::string> out;
    for (const Ref<TActivation>& a : engine.Agenda())
      if (a->Rule()->RuleName() == rule) out.push_back(a->Token()->GetToFactsString());
    std::sort(out.begin(), out.end());
    return out;
  }

  TestEngine engine;
};

using Strings = std::vector<std::string>;

TEST_F(NetworkTest, JoinMatchesFactsSharingAVariable) {
  Define("(defrule r (a ?x) (b ?x) =>)");
  Assert("(a 1)");  // f-0
  Assert("(a 2)");  // f-1
  Assert("(b 2)");  // f-2
  Assert("(b 3)");  // f-3
  EXPECT_EQ(Matches("r"), (Strings{"f-1, f-2"}));
  Assert("(a 3)");  // f-4
  EXPECT_EQ(Matches("r"), (Strings{"f-1, f-2", "f-4, f-3"}));
}

TEST_F(NetworkTest, RetractingAFactWithdrawsItsActivations) {
  Define("(defrule r (a ?x) (b ?x) =>)");
  Ref<IFact> a = Assert("(a 1)");
  Assert("(b 1)");
  ASSERT_EQ(Matches("r").size(), 1u);
  engine.Retract(a.get());
  EXPECT_TRUE(Matches("r").empty());
}

TEST_F(NetworkTest, ConstantsAndSlotsFilterFacts) {
  Define(
      "(deftemplate person (slot name) (slot age))"
      "(defrule adult (person (name ?n) (age ?a&:(eq ?a 40))) =>)"
      "(defrule ann (person (name ann)) =>)");
  Assert("(person (name ann) (age 40))");
  Assert("(person (name bob) (age 30))");
  EXPECT_EQ(Matches("adult"), (Strings{"f-0"}));
  EXPECT_EQ(Matches("ann"), (Strings{"f-0"}));
}

TEST_F(NetworkTest, NegationHoldsWhileNoMatchingFactExists) {
  Define("(defrule lonely (a ?x) (not (b ?x)) =>)");
  Ref<IFact> a = Assert("(a 1)");
  EXPECT_EQ(Matches("lonely").size(), 1u);
  Ref<IFact> b = Assert("(b 1)");
  EXPECT_TRUE(Matches("lonely").empty());
  Assert("(b 2)");
  EXPECT_TRUE(Matches("lonely").empty());
  engine.Retract(b.get());
  EXPECT_EQ(Matches("lonely").size(), 1u);
}

TEST_F(NetworkTest, NegationKeepsItsCountWhenTheBlockingFactCameFirst) {
  Define("(defrule lonely (a ?x) (not (b ?x)) =>)");
  Ref<IFact> b = Assert("(b 1)");
  Assert("(a 1)");
  EXPECT_TRUE(Matches("lonely").empty());
  engine.Retract(b.get());
  EXPECT_EQ(Matches("lonely").size(), 1u);
  Ref<IFact> b2 = Assert("(b 1)");
  EXPECT_TRUE(Matches("lonely").empty());
  engine.Retract(b2.get());
  EXPECT_EQ(Matches("lonely").size(), 1u);
}

TEST_F(NetworkTest, ExistenceActivatesOnceWhileAnyMatchingFactExists) {
  Define("(defrule some (a ?x) (exists (b ?x ?)) =>)");
  Assert("(a 1)");
  EXPECT_TRUE(Matches("some").empty());
  Ref<IFact> b1 = Assert("(b 1 x)");
  Ref<IFact> b2 = Assert("(b 1 y)");
  EXPECT_EQ(Matches("some").size(), 1u);  // once, not once per b fact
  engine.Retract(b1.get());
  EXPECT_EQ(Matches("some").size(), 1u);
  engine.Retract(b2.get());
  EXPECT_TRUE(Matches("some").empty());
}

TEST_F(NetworkTest, LeadingExistenceActivatesTheRuleOnce) {
  Define("(defrule any (exists (b ?)) =>)");
  Assert("(Initial-Fact)");
  Assert("(b 1)");
  Assert("(b 2)");
  EXPECT_EQ(Matches("any").size(), 1u);
}

TEST_F(NetworkTest, TestElementsFilterTokensAndKeepPositions) {
  Define("(defrule big (a ?x) (test (eq ?x 2)) (b ?y) =>)");
  Assert("(a 1)");
  Assert("(a 2)");
  Assert("(b 7)");
  // The test element holds a position of its own (the null fact), so the
  // pattern after it is position 2.
  ASSERT_EQ(Matches("big").size(), 1u);
  const Ref<TActivation>& act = engine.Agenda().front();
  EXPECT_EQ(act->Token()->GetCount(), 3);
  EXPECT_EQ(act->Token()->GetFacts(2)->GetID(), 2);
}

TEST_F(NetworkTest, AVariableTwiceInOneMultislotMustTakeEqualValues) {
  Define("(defrule twin (a ?x ?x) =>)");
  Assert("(a 1 2)");
  Assert("(a 3 3)");
  EXPECT_EQ(Matches("twin"), (Strings{"f-1"}));
}

TEST_F(NetworkTest, AJoinedVariableTwiceInALaterPatternIsTestedEachTime) {
  Define("(defrule pair (k ?x) (a ?x ?x) =>)");
  Assert("(k 1)");
  Assert("(a 1 2)");
  Assert("(a 1 1)");
  EXPECT_EQ(Matches("pair"), (Strings{"f-0, f-2"}));
}

TEST_F(NetworkTest, MultifieldVariablesTakeRunsOfElements) {
  Define("(defrule mid (a $?before x $?after) =>)");
  Assert("(a x)");
  Assert("(a 1 x 2 3)");
  Assert("(a x 1 x)");  // two divisions: x at 0 and x at 2
  Assert("(a 1 2)");
  EXPECT_EQ(Matches("mid"), (Strings{"f-0", "f-1", "f-2", "f-2"}));
}

TEST_F(NetworkTest, MultifieldBindingsReachTheActions) {
  Define(
      "(defrule grab (a $?before x $?after) => (bind-global seen (+ 0 1)))"
      "(defrule first (b ?first $?rest) (c $?rest) =>)");
  Assert("(b 1 2 3)");
  Assert("(c 2 3)");
  Assert("(c 3)");
  EXPECT_EQ(Matches("first"), (Strings{"f-0, f-1"}));
}

TEST_F(NetworkTest, TwoRulesShareTheRootAndTheConstantTest) {
  Define("(deftemplate a (slot x)) (defrule r1 (a (x 1)) =>) (defrule r2 (a (x 1)) =>)");
  TReteNetwork& net = engine.Network();
  EXPECT_EQ(net.Trace(engine.FindRule("r1")), "r1: +1 +1 +t");
  EXPECT_EQ(net.Trace(engine.FindRule("r2")), "r2: =1 +t");
  int before = net.NodeCount();
  Assert("(a (x 1))");
  EXPECT_EQ(Matches("r1").size(), 1u);
  EXPECT_EQ(Matches("r2").size(), 1u);
  engine.ExtractRule(engine.FindRule("r2"));
  EXPECT_EQ(net.NodeCount(), before - 1);  // only r2's terminal went
  EXPECT_EQ(Matches("r1").size(), 1u);
  EXPECT_TRUE(Matches("r2").empty());
}

TEST_F(NetworkTest, JoinBetweenTwoOrderedPatternsIsTraced) {
  // Each ordered pattern: its root and the test that the fact has exactly
  // one field; then the join and the terminal.
  Define("(defrule r (a ?x) (b ?x) =>)");
  EXPECT_EQ(engine.Network().Trace(engine.FindRule("r")), "r: +1 +1 +1 +1 +2 +t");
  TJoinNode* join = nullptr;
  for (TReteNode* n : *engine.Network().RuleNodes(engine.FindRule("r")))
    if ((join = dynamic_cast<TJoinNode*>(n))) break;
  ASSERT_NE(join, nullptr);
  ASSERT_EQ(join->JoinTests().size(), 1u);
  EXPECT_EQ(join->JoinTests()[0].GetToString(),
            "= tstMultiSlot TokenIdx: 0 Left: __Data 0 Right: __Data 0");
}

TEST_F(NetworkTest, ARuleAddedWhileFactsExistIsPrimedWithoutDisturbingOthers) {
  Define("(defrule old (a ?x) =>)");
  Assert("(a 1)");
  Assert("(a 2)");
  ASSERT_EQ(Matches("old").size(), 2u);
  // Fire one of them: the new rule shares the root and must not revive it.
  ASSERT_TRUE(engine.FireOne());
  ASSERT_EQ(Matches("old").size(), 1u);
  Define("(defrule new (a ?x) (b ?x) =>)");
  Assert("(b 1)");
  Assert("(b 2)");
  EXPECT_EQ(Matches("new").size(), 2u);
  EXPECT_EQ(Matches("old").size(), 1u);
  Define("(defrule late (a ?x) =>)");
  EXPECT_EQ(Matches("late").size(), 2u);
  EXPECT_EQ(Matches("old").size(), 1u);
}

TEST_F(NetworkTest, DisabledAndFiredOneShotRulesGetNoActivations) {
  Define(
      "(defrule off (declare (enabled FALSE)) (a ?x) =>)"
      "(defrule once (declare (oneshot TRUE)) (a ?x) =>)");
  Assert("(a 1)");
  EXPECT_TRUE(Matches("off").empty());
  ASSERT_EQ(Matches("once").size(), 1u);
  ASSERT_TRUE(engine.FireOne());
  Assert("(a 2)");
  EXPECT_TRUE(Matches("once").empty());
}

TEST_F(NetworkTest, FiringBindsTheMatchedValues) {
  Define("(defrule copy (a ?x) (b ?y) => (bind-global seen (+ ?x ?y)))");
  Assert("(a 20)");
  Assert("(b 22)");
  ASSERT_TRUE(engine.FireOne());
  IIEValue* seen = engine.GetContext()->FindBindingValue("seen");
  ASSERT_NE(seen, nullptr);
  EXPECT_EQ(seen->GetAsInteger(), 42);
  EXPECT_TRUE(engine.Agenda().empty());
}

TEST_F(NetworkTest, ActivationTextShowsSalienceRuleFactsAndStrength) {
  Define("(defrule r1 (declare (salience 10)) (a ?x) (b ?x) =>)");
  Assert("(c 0)");
  Assert("(a 1)");
  Assert("(c 0 0)");
  Assert("(b 1)");
  ASSERT_EQ(engine.Agenda().size(), 1u);
  EXPECT_EQ(engine.Agenda().front()->GetToString(), "10 r1 : f-1, f-3 (1.0000)");
}

TEST_F(NetworkTest, StrengthIsClampedToTheUnitRange) {
  EXPECT_EQ(ClampStrength(1.7f), 1.0f);
  EXPECT_EQ(ClampStrength(-0.2f), 0.0f);
  EXPECT_EQ(ClampStrength(0.5f), 0.5f);
}

// A withdrawal drops what the addition made, whatever the join's function
// tests would say now: a global they read may have changed in between.
TEST_F(NetworkTest, WithdrawalsDoNotDependOnTestsThatChangedSinceTheMatch) {
  Define("(defglobal ?*limit* = 0)");
  Define("(defrule r (a ?x) (b ?y&:(neq ?x ?*limit*)) =>)");
  Ref<IFact> a1 = Assert("(a 1)");
  Ref<IFact> a2 = Assert("(a 2)");
  Ref<IFact> b = Assert("(b 5)");
  Ref<IFact> c = Assert("(b 6)");
  EXPECT_EQ(Matches("r").size(), 4u);
  Define("(defglobal ?*limit* = 1)");
  engine.Retract(b.get());  // the right input
  EXPECT_EQ(Matches("r").size(), 2u);
  engine.Retract(a1.get());  // the left input
  EXPECT_EQ(Matches("r"), (Strings{"f-1, f-3"}));
  (void)a2;
  (void)c;
}

TEST_F(NetworkTest, WithdrawalsThroughATestElementIgnoreItsCurrentResult) {
  Define("(defglobal ?*limit* = 0)");
  Define("(defrule t (a ?x) (test (neq ?x ?*limit*)) (c ?x) =>)");
  Ref<IFact> a = Assert("(a 1)");
  Assert("(c 1)");
  ASSERT_EQ(Matches("t").size(), 1u);
  Define("(defglobal ?*limit* = 1)");
  engine.Retract(a.get());
  EXPECT_TRUE(Matches("t").empty());
  Assert("(a 1)");  // fails the test now
  EXPECT_TRUE(Matches("t").empty());
}

// A rule primed below a join it shares is given the very tokens the join
// made, so that withdrawing them later reaches both rules.
TEST_F(NetworkTest, ARulePrimedBelowASharedJoinLosesItsMatchesWithTheSharedOnes) {
  Define("(defrule r1 (a ?x) (b ?x) (c ?x) =>)");
  Ref<IFact> a = Assert("(a 1)");
  Ref<IFact> b = Assert("(b 1)");
  Assert("(c 1)");
  Assert("(d 1)");
  Assert("(a 2)");
  Assert("(b 2)");
  Assert("(d 2)");
  Define("(defrule r2 (a ?x) (b ?x) (d ?x) =>)");
  EXPECT_EQ(Matches("r1"), (Strings{"f-0, f-1, f-2"}));
  EXPECT_EQ(Matches("r2"), (Strings{"f-0, f-1, f-3", "f-4, f-5, f-6"}));
  engine.Retract(b.get());
  EXPECT_TRUE(Matches("r1").empty());
  EXPECT_EQ(Matches("r2"), (Strings{"f-4, f-5, f-6"}));
  engine.Retract(a.get());
  Assert("(b 1)");
  EXPECT_EQ(Matches("r2"), (Strings{"f-4, f-5, f-6"}));
}

TEST_F(NetworkTest, AMemoryStoresEqualTokensOnce) {
  TIETokenTree memory;
  Ref<IFact> f = Assert("(a 1)");
  Ref<TIEToken> t1(new TIEToken(taAdd, f.get()));
  Ref<TIEToken> t2(new TIEToken(taAdd, f.get()));
  EXPECT_NE(memory.Add(0, t1.get()), nullptr);
  EXPECT_EQ(memory.Add(0, t2.get()), nullptr);
  EXPECT_EQ(memory.Count(), 1);
  EXPECT_TRUE(memory.Remove(t2.get()));
  EXPECT_EQ(memory.Count(), 0);
  EXPECT_FALSE(memory.Remove(t2.get()));
}

// The matcher counts its references to a token apart from holders through
// an interface; the token lives while either kind holds it.
TEST_F(NetworkTest, ATokenLivesWhileTheMatcherOrAnOutsideHolderKeepsIt) {
  Ref<IFact> f = Assert("(a 1)");
  Ref<IReteToken> outside;
  {
    Ref<TIEToken> t(new TIEToken(taAdd, f.get()));
    Ref<TIEToken> again(t);
    outside = Ref<IReteToken>(t.get());
    EXPECT_EQ(t->RefCount(), 2);  // the outside holder and the matcher's one
  }
  EXPECT_EQ(outside->RefCount(), 1);
  EXPECT_EQ(outside->GetFact(), f.get());
  Ref<TIEToken> matcher(static_cast<TIEToken*>(outside.get()));
  outside.reset();
  EXPECT_EQ(matcher->RefCount(), 1);
  EXPECT_EQ(matcher->GetCount(), 1);
}

// A token made by a join borrows its fact from the fact's token, which it
// holds: the facts stay readable after they are retracted and let go by
// everyone else.
TEST_F(NetworkTest, AJoinedTokenKeepsItsFactsAfterTheyAreRetracted) {
  Ref<IFact> a = Assert("(a 1)");
  Ref<IFact> b = Assert("(b 2)");
  Ref<TIEToken> joined;
  {
    Ref<TIEToken> left(new TIEToken(taAdd, a.get()));
    Ref<TIEToken> right(new TIEToken(taAdd, b.get()));
    joined = Ref<TIEToken>(new TIEToken(left.get(), right.get()));
  }
  engine.Retract(a.get());
  engine.Retract(b.get());
  a.reset();
  b.reset();
  ASSERT_EQ(joined->GetCount(), 2);
  EXPECT_EQ(joined->GetFacts(0)->GetTemplate()->GetTemplateName(), "a");
  EXPECT_EQ(joined->GetFact()->GetTemplate()->GetTemplateName(), "b");
  EXPECT_EQ(TokenSlotValue(joined.get(), 1, SDefaultSlotName, 0)->GetToString(), "2");
  Ref<TIEToken> copy(new TIEToken(*joined));
  joined.reset();
  EXPECT_EQ(copy->GetFact()->GetTemplate()->GetTemplateName(), "b");
}

TEST_F(NetworkTest, AJoinCalledWithAWrongCallTypeRaises) {
  Define("(defrule r (a ?x) (b ?x) =>)");
  TReteNetwork& net = engine.Network();
  TJoinNode* join = nullptr;
  for (TReteNode* n : *net.RuleNodes(engine.FindRule("r")))
    if ((join = dynamic_cast<TJoinNode*>(n))) break;
  ASSERT_NE(join, nullptr);
  Ref<IFact> f = Assert("(a 1)");
  Ref<TIEToken> t(new TIEToken(taAdd, f.get()));
  ExpectIEError([&] { join->CallNode(t.get(), ctSingle); }, Format(SInvalidCallType, {"ctSingle"}));
}

}  // namespace
}  // namespace rulecore
