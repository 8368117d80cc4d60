// rulecore: an embeddable expert-system shell.
// Tests of rules: names, the bindings worked out as patterns are added, salience, preparing a
// context from a partial match, firing, change notification, copying and moving between engines.
#include "rete/rule.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/context.h"
#include "facts/fact_template.h"
#include "facts/pattern.h"
#include "functions/function_call.h"
#include "language/parse_exception.h"
#include "platform/format.h"
#include "support/parse_helpers.h"
#include "support/test_engine.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

// ---------------------------------------------------------------- helpers

// A binding as "name pattern slot position".
std::string BindingText(const TBinding& b) {
  return b.Name() + " " + std::to_string(b.FactIdx()) + " " + b.SlotName() + " " +
         std::to_string(b.SubIdx());
}

using Strings = std::vector<std::string>;

class RuleTest : public ::testing::Test {
 protected:
  RuleTest() {
    engine.SetReadsText(true);
    engine.AddTestFunctions();
  }

  // Parses `text` (one defrule) into the engine and returns the rule.
  TRule* Rule(const std::string& text) {
    engine.Parse(text);
    return engine.RuleAt(engine.RuleCount() - 1);
  }

  Strings Bindings(const TRule& rule) {
    Strings out;
    for (int i = 0; i < rule.GetBindingCount(); ++i)
      out.push_back(BindingText(*rule.GetBinding(i)));
    return out;
  }

  // A fact read from text, numbered `id`.
  Ref<IFact> Fact(const std::string& text, int32_t id) {
    Ref<IFact> fact = engine.ParseFact(text);
    fact->SetID(id);
    return fact;
  }

  // The value the root context holds for `name`, as text.
  std::string Global(const std::string& name) {
    TBinding* b = engine.GetContext()->FindGlobalBinding(name);
    return b && b->Value() ? b->Value()->GetToString() : "<unbound>";
  }

  TestEngine engine;
};

// The text of the first test of `slot` in `pattern`.
std::string FirstTest(const TIEPattern& pattern, const std::string& slot) {
  int s = pattern.IndexOfSlotName(slot);
  if (s < 0 || pattern.GetSlotTestCount(s) == 0) return "<none>";
  return pattern.GetSlotTest(s, 0)->SlotValue()->GetToString();
}

// ================================================================ names

using RuleNameTest = RuleTest;

TEST_F(RuleNameTest, DefaultNameIsRuleAndItsId) {
  for (int i = 0; i < 3; ++i)
    engine.NewRuleId();
  auto rule = std::make_unique<TRule>(&engine);
  EXPECT_EQ(rule->RuleId(), 3);
  EXPECT_EQ(rule->RuleName(), "Rule_3");
}

TEST_F(RuleNameTest, NameWithAForbiddenCharacterIsRefusedAndKept) {
  auto rule = std::make_unique<TRule>(&engine);
  for (char c : std::string(" '\"#()[]?:$&;<>")) {
    std::string name = std::string("bad") + c + "name";
    EXPECT_EQ(EngineFailure([&] { rule->SetRuleName(name); }), Format(SInvalidName, {name}));
    EXPECT_EQ(rule->RuleName(), "Rule_0");
  }
  EXPECT_TRUE(engine.RenameLog().empty());
}

TEST_F(RuleNameTest, NewNameIsToldToTheEngine) {
  auto rule = std::make_unique<TRule>(&engine);
  int changes = engine.RuleChanges();
  rule->SetRuleName("fresh-name_2");
  EXPECT_EQ(rule->RuleName(), "fresh-name_2");
  EXPECT_EQ(engine.RenameLog(), (Strings{"rule Rule_0->fresh-name_2"}));
  EXPECT_EQ(engine.RuleChanges(), changes + 1);
  rule->SetRuleName("fresh-name_2");
  EXPECT_EQ(engine.RenameLog().size(), 1u);
}

// ================================================================ patterns and bindings

using RulePatternTest = RuleTest;

TEST_F(RulePatternTest, AddingAPatternNeedsAnEngine) {
  TRule rule;
  Ref<TFactTemplate> tmpl(new TFactTemplate(nullptr, "a"));
  EXPECT_EQ(EngineFailure([&] {
              rule.AddPattern(std::make_unique<TIEPattern>(nullptr, "a", tmpl.get(), 0));
            }),
            SUnknownEngine);
  EXPECT_EQ(rule.PatternCount(), 0);
}

TEST_F(RulePatternTest, InitialFactGoesBeforeAFirstNegatedOrTestElement) {
  TRule* rule = Rule("(defrule r (not (a)) => )");
  ASSERT_EQ(rule->PatternCount(), 2);
  EXPECT_EQ(rule->Pattern(0)->Name(), SInitialFactPattern);
  EXPECT_EQ(rule->Pattern(0)->NegatedCount(), 0);
  EXPECT_EQ(rule->Pattern(0)->Template(), engine.FindFactTemplate(SInitialFactPattern));
  EXPECT_EQ(rule->Pattern(1)->Name(), "a");
  EXPECT_EQ(rule->Pattern(1)->NegatedCount(), 1);
  TRule* test_first = Rule("(defrule t (test (eq 1 1)) (a) => )");
  ASSERT_EQ(test_first->PatternCount(), 3);
  EXPECT_EQ(test_first->Pattern(0)->Name(), SInitialFactPattern);
  EXPECT_EQ(test_first->Pattern(1)->Name(), STestCE);
  EXPECT_EQ(test_first->Pattern(2)->Name(), "a");
}

TEST_F(RulePatternTest, PositiveFirstPatternGetsNoInitialFact) {
  TRule* rule = Rule("(defrule r (a) (not (b)) (test (eq 1 1)) => )");
  ASSERT_EQ(rule->PatternCount(), 3);
  EXPECT_EQ(rule->Pattern(0)->Name(), "a");
}

TEST_F(RulePatternTest, VariablesBindAtTheirFirstOccurrence) {
  TRule* rule = Rule("(defrule r (a ?x ?y) (b ?y ?z) => )");
  EXPECT_EQ(Bindings(*rule), (Strings{"x 0 __Data 0", "y 0 __Data 1", "z 1 __Data 1"}));
  EXPECT_EQ(rule->IndexOfBinding("y"), 1);
  EXPECT_EQ(rule->IndexOfBinding("Y"), -1);
  EXPECT_EQ(rule->GetBindingByName("q"), nullptr);
}

TEST_F(RulePatternTest, SlotVariablesBindToTheirSlotAndPosition) {
  TRule* rule = Rule(
      "(deftemplate p (slot s) (multislot m))"
      "(defrule r (p (s ?s) (m ?a $?rest)) => )");
  EXPECT_EQ(Bindings(*rule), (Strings{"a 0 m 0", "rest 0 m 1", "s 0 s -1"}));
}

TEST_F(RulePatternTest, PatternBindingBindsTheWholeFact) {
  TRule* rule = Rule("(defrule r (b) ?f <- (a) => )");
  EXPECT_EQ(Bindings(*rule), (Strings{"f 1 __PATTERN -1"}));
  EXPECT_EQ(rule->Pattern(1)->BoundName(), "f");
}

TEST_F(RulePatternTest, AnonymousVariablesOfNegatedPatternsAreRenamedApart) {
  TRule* rule = Rule("(defrule r (a ?x) (not (b ?x ?)) => )");
  ASSERT_EQ(rule->GetBindingCount(), 2);
  EXPECT_EQ(BindingText(*rule->GetBinding(0)), "x 0 __Data 0");
  const TBinding& anonymous = *rule->GetBinding(1);
  EXPECT_EQ(anonymous.Name().rfind(std::string("_2_") + SBlankPrefix, 0), 0u) << anonymous.Name();
  EXPECT_EQ(anonymous.FactIdx(), 1);
  EXPECT_EQ(anonymous.SubIdx(), 1);
  // The test in the pattern carries the new name.
  int s = rule->Pattern(1)->IndexOfSlotName(SDefaultSlotName);
  EXPECT_EQ(rule->Pattern(1)->GetSlotTest(s, 1)->SlotValue()->GetToString(),
            "?" + anonymous.Name());
  // Each negated pattern's anonymous variables take its own position.
  TRule* two = Rule("(defrule s (a) (not (b ?)) (not (c ?)) => )");
  ASSERT_EQ(two->GetBindingCount(), 2);
  EXPECT_EQ(two->GetBinding(0)->Name().rfind("_2_", 0), 0u) << two->GetBinding(0)->Name();
  EXPECT_EQ(two->GetBinding(1)->Name().rfind("_3_", 0), 0u) << two->GetBinding(1)->Name();
  EXPECT_EQ(two->GetBinding(1)->FactIdx(), 2);
}

TEST_F(RulePatternTest, RenamingReachesCallsOfThePattern) {
  auto rule = std::make_unique<TRule>(&engine);
  rule->AddPattern(std::make_unique<TIEPattern>(nullptr, "a", engine.CreateFactTemplate("a"), 0));
  auto negated = std::make_unique<TIEPattern>(nullptr, "b", engine.CreateFactTemplate("b"), 1);
  negated->AddTest(SDefaultSlotName, NewVariable("_blank_9").get(), 0, false, true);
  Ref<TFunctionCall> inner(new TFunctionCall(&engine, "eq"));
  inner->AddArgument(NewVariable("_blank_9").get());
  inner->AddArgument(NewAtom("red").get());
  Ref<TFunctionCall> outer(new TFunctionCall(&engine, "not"));
  outer->AddArgument(static_cast<IFunCall*>(inner.get()));
  negated->AddTest(SDefaultSlotName, Ref<IIEValue>(new TIEValue(outer.get())).get(), 0, false,
                   true);
  rule->AddPattern(std::move(negated));
  TIEPattern* b = rule->Pattern(1);
  int s = b->IndexOfSlotName(SDefaultSlotName);
  EXPECT_EQ(b->GetSlotTest(s, 0)->SlotValue()->GetToString(), "?_2__blank_9");
  EXPECT_EQ(b->GetSlotTest(s, 1)->SlotValue()->GetToString(), "(not (eq ?_2__blank_9 red))");
  EXPECT_EQ(Bindings(*rule), (Strings{"_2__blank_9 1 __Data 0"}));
}

TEST_F(RulePatternTest, FirstUseUnderNegationIsRefusedAndLeavesNothing) {
  auto rule = std::make_unique<TRule>(&engine);
  auto pattern = std::make_unique<TIEPattern>(nullptr, "a", engine.CreateFactTemplate("a"), 0);
  pattern->AddTest(SDefaultSlotName, NewVariable("x").get(), 0, true, true);
  EXPECT_EQ(EngineFailure([&] { rule->AddPattern(std::move(pattern)); }),
            Format(SNegatedVariable, {"x"}));
  EXPECT_EQ(rule->PatternCount(), 0);
  EXPECT_EQ(rule->GetBindingCount(), 0);
  // A negated first pattern that fails takes its initial fact and the
  // bindings made before the failure with it.
  auto negated = std::make_unique<TIEPattern>(nullptr, "a", engine.CreateFactTemplate("a"), 1);
  negated->AddTest(SDefaultSlotName, NewVariable("y").get(), 0, false, true);
  negated->AddTest(SDefaultSlotName, NewVariable("x").get(), 1, true, true);
  EXPECT_EQ(EngineFailure([&] { rule->AddPattern(std::move(negated)); }),
            Format(SNegatedVariable, {"x"}));
  EXPECT_EQ(rule->PatternCount(), 0);
  EXPECT_EQ(rule->GetBindingCount(), 0);
}

TEST_F(RulePatternTest, NegatedFirstUseInRuleTextIsAnEngineError) {
  EXPECT_EQ(EngineFailure([&] { engine.Parse("(defrule r (a ~?x) => )"); }),
            Format(SNegatedVariable, {"x"}));
  EXPECT_EQ(engine.RuleCount(), 0);
}

TEST_F(RulePatternTest, NegatedUseAfterABindingIsAJoinTest) {
  TRule* rule = Rule("(defrule r (a ?x) (b ~?x) => )");
  EXPECT_EQ(Bindings(*rule), (Strings{"x 0 __Data 0"}));
}

TEST_F(RulePatternTest, EqualBindingIsKept) {
  auto rule = std::make_unique<TRule>(&engine);
  TBinding* first = rule->AddBinding("x", 0, "s", NoSubIndex);
  EXPECT_EQ(rule->AddBinding("x", 0, "s", NoSubIndex), first);
  TBinding* other = rule->AddBinding("x", 0, "s", 2);
  EXPECT_NE(other, first);
  EXPECT_EQ(rule->GetBindingCount(), 2);
}

TEST_F(RulePatternTest, GoalPatternIsBoundAndFollowedByItsAbsence) {
  TRule* rule = Rule("(defrule r (need-a ?x) => )");
  ASSERT_EQ(rule->PatternCount(), 2);
  TIEPattern* goal = rule->Pattern(0);
  EXPECT_EQ(goal->BoundName().rfind(SFactPrefix, 0), 0u) << goal->BoundName();
  TIEPattern* absent = rule->Pattern(1);
  EXPECT_EQ(absent->Name(), "a");
  EXPECT_EQ(absent->NegatedCount(), 1);
  EXPECT_TRUE(absent->BoundName().empty());
  EXPECT_EQ(FirstTest(*absent, SDefaultSlotName), "?x");
  EXPECT_EQ(rule->GetBindingByName(goal->BoundName())->SlotName(), SPatternBinding);
}

TEST_F(RulePatternTest, OrConnectivesAreRewrittenOnTheRulesPattern) {
  TRule* rule = Rule("(defrule r (a ?x&red|blue) => )");
  TIEPattern* a = rule->Pattern(0);
  int s = a->IndexOfSlotName(SDefaultSlotName);
  ASSERT_EQ(a->GetSlotTestCount(s), 2);
  EXPECT_EQ(a->GetSlotTest(s, 0)->SlotValue()->GetToString(), "?x");
  ASSERT_EQ(a->GetSlotTest(s, 1)->SlotValue()->GetDType(), dtFunCall);
  EXPECT_EQ(a->GetSlotTest(s, 1)->SlotValue()->GetAsFunCall()->GetName(), "or");
}

TEST_F(RulePatternTest, PatternsKnowTheirRuleAndTemplate) {
  TRule* rule = Rule("(defrule r (a) (b) (a 1) => )");
  EXPECT_EQ(rule->IndexOfTemplate(engine.FindFactTemplate("b")), 1);
  EXPECT_EQ(rule->IndexOfTemplate(engine.FindFactTemplate("a")), 0);
  EXPECT_EQ(rule->IndexOfPattern(rule->Pattern(2)), 2);
  EXPECT_EQ(rule->Pattern(2)->Owner(), rule);
}

// ================================================================ salience

using RuleSalienceTest = RuleTest;

TEST_F(RuleSalienceTest, ExpressionIsEvaluatedWithTheEngine) {
  auto rule = std::make_unique<TRule>(&engine);
  Ref<TFunctionCall> sum(new TFunctionCall(&engine, "+"));
  sum->AddArgument(2, dtInteger);
  sum->AddArgument(3, dtInteger);
  rule->SetSalience(Ref<IIEValue>(new TIEValue(static_cast<IFunCall*>(sum.get()))).get());
  EXPECT_EQ(rule->Salience(), 5);
  EXPECT_EQ(rule->SalienceValue()->GetDType(), dtFunCall);
  rule->SetSalience(-7);
  EXPECT_EQ(rule->Salience(), -7);
  EXPECT_EQ(rule->SalienceValue()->GetAsInteger(), -7);
}

TEST_F(RuleSalienceTest, WithoutEngineOnlyAConstantIsRead) {
  TRule rule;
  rule.SetSalience(NewInteger(4).get());
  EXPECT_EQ(rule.Salience(), 4);
  rule.SetSalience(NewVariable("*s*").get());
  EXPECT_EQ(rule.Salience(), 4);
}

// ================================================================ preparing and firing

using RuleFiringTest = RuleTest;

TEST_F(RuleFiringTest, PrepareBindsVariablesFactsAndTheRuleName) {
  TRule* rule = Rule("(defrule r ?f <- (a ?x ?y) (b ?y) => )");
  Ref<IReteToken> token(new FakeToken({Fact("(a 1 2)", 5), Fact("(b 2)", 6)}));
  std::unique_ptr<TIEContext> context = engine.GetContext()->Push();
  rule->Prepare(token.get(), context.get());
  EXPECT_EQ(context->GetVariable("x")->GetToString(), "1");
  EXPECT_EQ(context->GetVariable("y")->GetToString(), "2");
  IIEValue* f = context->GetVariable("f");
  EXPECT_EQ(f->GetDType(), dtFactId);
  EXPECT_EQ(f->GetAsInteger(), 5);
  IIEValue* name = context->GetVariable(SRuleBinding);
  EXPECT_EQ(name->GetDType(), dtString);
  EXPECT_EQ(name->GetAsString(), "r");
  EXPECT_EQ(rule->GetBindingByName("y")->Value()->GetToString(), "2");
}

TEST_F(RuleFiringTest, PrepareReadsWholeSlotsAndMultislotPositions) {
  TRule* rule = Rule(
      "(deftemplate p (slot s) (multislot m))"
      "(defrule r (p (s ?s) (m ?first ?second)) => )");
  Ref<IReteToken> token(new FakeToken({Fact("(p (s hello) (m a b))", 1)}));
  std::unique_ptr<TIEContext> context = engine.GetContext()->Push();
  rule->Prepare(token.get(), context.get());
  EXPECT_EQ(context->GetVariable("s")->GetToString(), "hello");
  EXPECT_EQ(context->GetVariable("first")->GetToString(), "a");
  EXPECT_EQ(context->GetVariable("second")->GetToString(), "b");
}

TEST_F(RuleFiringTest, PrepareSkipsTheNullFactOfNegatedElements) {
  TRule* rule = Rule("(defrule r (a ?x) (not (b ?z)) => )");
  Ref<IReteToken> token(new FakeToken({Fact("(a 1)", 1), Ref<IFact>(engine.NullFact())}));
  std::unique_ptr<TIEContext> context = engine.GetContext()->Push();
  rule->Prepare(token.get(), context.get());
  EXPECT_EQ(context->GetVariable("x")->GetToString(), "1");
  EXPECT_EQ(context->FindBinding("z"), nullptr);
}

TEST_F(RuleFiringTest, FireRunsTheActionsWithTheBindings) {
  TRule* rule = Rule(
      "(defrule r ?f <- (a ?x) => (bind-global seen ?x) (bind-global fact ?f)"
      " (bind-global rule ?__RULE))");
  Ref<IReteToken> token(new FakeToken({Fact("(a 41)", 3)}));
  EXPECT_FALSE(rule->Fired());
  rule->Fire(token.get());
  EXPECT_TRUE(rule->Fired());
  EXPECT_EQ(Global("seen"), "41");
  EXPECT_EQ(Global("fact"), "<Fact-3>");
  EXPECT_EQ(Global("rule"), "\"r\"");
  // The firing's own scope is gone: the root has no local bindings.
  EXPECT_EQ(engine.GetContext()->FindBinding("x"), nullptr);
  rule->Reset();
  EXPECT_FALSE(rule->Fired());
}

TEST_F(RuleFiringTest, OnFireSeesThePreparedContextBeforeTheActions) {
  TRule* rule = Rule("(defrule r (a ?x) => (bind-global seen ?x))");
  std::string seen_x, seen_global;
  rule->SetOnFire([&](TRule* sender, TIEContext* context) {
    EXPECT_EQ(sender, rule);
    seen_x = context->GetVariable("x")->GetToString();
    seen_global = Global("seen");
  });
  Ref<IReteToken> token(new FakeToken({Fact("(a 7)", 1)}));
  rule->Fire(token.get());
  EXPECT_EQ(seen_x, "7");
  EXPECT_EQ(seen_global, "<unbound>");
  EXPECT_EQ(Global("seen"), "7");
}

TEST_F(RuleFiringTest, ReturnStopsTheRemainingActions) {
  TRule* rule = Rule("(defrule r (a) => (bind-global one 1) (return 2) (bind-global three 3))");
  Ref<IReteToken> token(new FakeToken({Fact("(a)", 1)}));
  rule->Fire(token.get());
  EXPECT_EQ(Global("one"), "1");
  EXPECT_EQ(Global("three"), "<unbound>");
  EXPECT_FALSE(engine.GetContext()->ReturnSet());
}

TEST_F(RuleFiringTest, FiringNeedsAnEngine) {
  TRule rule;
  Ref<IReteToken> token(new FakeToken({}));
  EXPECT_EQ(EngineFailure([&] { rule.Fire(token.get()); }), SUnknownEngine);
  EXPECT_FALSE(rule.Fired());
}

// ================================================================ changes, copies, engines

using RuleLifecycleTest = RuleTest;

TEST_F(RuleLifecycleTest, ChangesAreToldOnceAfterAnUpdate) {
  auto rule = std::make_unique<TRule>(&engine);
  int told = 0;
  rule->SetOnChange([&](TRule*) { ++told; });
  int engine_told = engine.RuleChanges();
  rule->SetComment("c");
  EXPECT_EQ(told, 1);
  rule->BeginUpdate();
  rule->SetOneShot(true);
  rule->SetEnabled(false);
  rule->SetSalience(3);
  EXPECT_EQ(told, 1);
  rule->EndUpdate();
  EXPECT_EQ(told, 2);
  EXPECT_EQ(engine.RuleChanges(), engine_told + 2);
  rule->SetOneShot(true);
  EXPECT_EQ(told, 2);
}

TEST_F(RuleLifecycleTest, CopyWithinAnEngineTakesEveryPart) {
  TRule* source = Rule(
      "(defrule src \"note\" (declare (salience 4) (oneshot TRUE) (enabled FALSE))"
      " ?f <- (a ?x) => (bind-global seen ?x))");
  auto copy = std::make_unique<TRule>(&engine);
  copy->Assign(*source);
  EXPECT_EQ(copy->RuleName(), "src");
  EXPECT_EQ(copy->Comment(), "note");
  EXPECT_EQ(copy->Salience(), 4);
  EXPECT_TRUE(copy->OneShot());
  EXPECT_FALSE(copy->Enabled());
  ASSERT_EQ(copy->PatternCount(), 1);
  EXPECT_NE(copy->Pattern(0), source->Pattern(0));
  EXPECT_EQ(copy->Pattern(0)->Owner(), copy.get());
  EXPECT_EQ(Bindings(*copy), Bindings(*source));
  ASSERT_EQ(copy->ActionCount(), 1);
  EXPECT_NE(copy->Action(0), source->Action(0));
  EXPECT_EQ(copy->GetToString(), source->GetToString());
}

TEST_F(RuleLifecycleTest, CopyFromAnotherEngineReadsTheText) {
  TRule* source = Rule("(defrule src (declare (salience 2)) (a ?x) (not (b ?x)) => (foo ?x))");
  TestEngine other;
  other.SetReadsText(true);
  auto copy = std::make_unique<TRule>(&other);
  copy->Assign(*source);
  EXPECT_EQ(copy->RuleName(), "src");
  EXPECT_EQ(copy->Salience(), 2);
  ASSERT_EQ(copy->PatternCount(), 2);
  EXPECT_EQ(copy->Pattern(0)->Owner(), copy.get());
  EXPECT_EQ(copy->Pattern(1)->Template(), other.FindFactTemplate("b"));
  EXPECT_EQ(Bindings(*copy), Bindings(*source));
  EXPECT_EQ(copy->GetToString(), source->GetToString());
}

TEST_F(RuleLifecycleTest, CopyNeedsEnginesOnBothSides) {
  TRule* source = Rule("(defrule src (a) => )");
  TRule loose;
  EXPECT_EQ(EngineFailure([&] { loose.Assign(*source); }), SUnknownEngine);
}

TEST_F(RuleLifecycleTest, MovingToAnotherEngineMovesTheRule) {
  TRule* rule = Rule("(defrule r (a) => )");
  TestEngine other;
  for (int i = 0; i < 5; ++i)
    other.NewRuleId();
  rule->SetEngine(&other);
  EXPECT_EQ(engine.RuleCount(), 0);
  ASSERT_EQ(other.RuleCount(), 1);
  EXPECT_EQ(other.RuleAt(0), rule);
  EXPECT_EQ(rule->Engine(), &other);
  EXPECT_EQ(rule->RuleId(), 5);
  EXPECT_EQ(rule->RuleName(), "r");
}

}  // namespace
}  // namespace rulecore
