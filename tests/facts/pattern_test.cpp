// rulecore: an embeddable expert-system shell.
// Tests of slot tests (pattern-match and join tests) and patterns: construction, change
// notification, copying, rewriting of "|" and "&" connectives, and the rule-language form.
#include "facts/pattern.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "core/value_vector.h"
#include "facts/context.h"
#include "facts/fact_template.h"
#include "facts/slot_test.h"
#include "functions/function_call.h"
#include "functions/user_function.h"
#include "platform/format.h"
#include "support/test_engine.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

// ---------------------------------------------------------------- test objects

using Strings = std::vector<std::string>;

// The rule side of a pattern: counts changes and records variable bindings.
class RecordingOwner : public IPatternOwner {
 public:
  explicit RecordingOwner(TestEngine* engine = nullptr) : engine_(engine) {}

  void PatternChanged(TIEPattern*) override { ++changes; }
  void BindPatternVariable(TIEPattern*, const std::string& name, const std::string& slot_name,
                           int32_t sub_index) override {
    bindings.push_back(name + " " + slot_name + " " + std::to_string(sub_index));
  }
  IFactEngine* PatternEngine() override { return engine_; }

  int changes = 0;
  Strings bindings;

 private:
  TestEngine* engine_;
};

// A test that counts its live instances.
class CountedTest : public TIEPatternMatchTest {
 public:
  explicit CountedTest(int* live, IIEValue* value)
      : TIEPatternMatchTest(nullptr, sttEquals, NoSubIndex, value), live_(live) {
    ++*live_;
  }
  ~CountedTest() override { --*live_; }

 private:
  int* live_;
};

// A function that always answers the same value (nothing when nil).
class AnswerFunction : public TIEUserFunction {
 public:
  AnswerFunction(const std::string& name, IIEValue* answer)
      : TIEUserFunction(name, "", "", 0, kUnboundedArguments), answer_(answer) {}

 protected:
  void DoCall(IFunCall*, TIEContext*, Ref<IIEValue>& result) override { result = answer_; }

 private:
  Ref<IIEValue> answer_;
};

Ref<IIEValue> ListOf(std::initializer_list<IIEValue*> values) {
  Ref<TValueVector> v(new TValueVector);
  for (IIEValue* x : values)
    v->Add(x);
  return NewList(v.get());
}

Ref<IIEValue> CallValue(IReasoner* reasoner, const std::string& name,
                        std::initializer_list<IIEValue*> args) {
  Ref<TFunctionCall> call(new TFunctionCall(reasoner, name));
  for (IIEValue* a : args)
    call->AddArgument(a);
  return Ref<IIEValue>(new TIEValue(static_cast<IFunCall*>(call.get())));
}

// "light": slots color and size, multislot tags.
Ref<TFactTemplate> LightTemplate(TComponent* owner = nullptr) {
  Ref<TFactTemplate> tmpl(new TFactTemplate(owner, "light"));
  tmpl->AddSlot("size", NewInteger(0).get());
  tmpl->AddSlot("color", NewAtom("none").get());
  tmpl->AddMultiSlot("tags", NewEmptyList().get());
  return tmpl;
}

// "a": an ordered template.
Ref<TFactTemplate> OrderedTemplate(TComponent* owner = nullptr) {
  Ref<TFactTemplate> tmpl(new TFactTemplate(owner, "a"));
  tmpl->AddMultiSlot(SDefaultSlotName, NewEmptyList().get());
  return tmpl;
}

Ref<IFact> Light(TFactTemplate* tmpl, const std::string& color,
                 std::initializer_list<IIEValue*> tags = {}) {
  Ref<IFact> fact = tmpl->NewFact();
  fact->SetValue("color", NewAtom(color).get());
  fact->SetValue("tags", ListOf(tags).get());
  return fact;
}

// The printed slot values of every test of one slot.
Strings SlotTexts(const TIEPattern& pattern, const std::string& slot) {
  Strings out;
  int i = pattern.IndexOfSlotName(slot);
  for (int j = 0; j < pattern.GetSlotTestCount(i); ++j) {
    IIEValue* v = pattern.GetSlotTest(i, j)->SlotValue();
    out.push_back(v ? v->GetToString() : "<none>");
  }
  return out;
}

// Runs every test of one slot against `fact` with `variable` bound to the slot's value.
bool SlotPasses(TestEngine& engine, const TIEPattern& pattern, const std::string& slot, IFact* fact,
                const std::string& variable) {
  auto context = engine.GetContext()->Push();
  context->SetFact(fact);
  context->AddLocalBinding(variable, fact->GetValue(slot));
  int i = pattern.IndexOfSlotName(slot);
  for (int j = 0; j < pattern.GetSlotTestCount(i); ++j)
    if (!pattern.GetSlotTest(i, j)->PerformTest(context.get())) return false;
  return true;
}

// ---------------------------------------------------------------- pattern-match tests

TEST(TIEPatternMatchTestTest, PrintsTypeSubIndexAndValue) {
  TIEPatternMatchTest equals(nullptr, sttEquals, NoSubIndex, NewAtom("red").get());
  TIEPatternMatchTest differs(nullptr, sttNotEquals, 2, nullptr);
  EXPECT_EQ(equals.GetToString(), "= SubIdx: -1 Slot: red");
  EXPECT_EQ(differs.GetToString(), "<> SubIdx: 2");
}

TEST(TIEPatternMatchTestTest, StoresACopyOfItsValue) {
  Ref<IIEValue> red = NewAtom("red");
  TIEPatternMatchTest test(nullptr, sttEquals, NoSubIndex, red.get());
  EXPECT_NE(test.SlotValue(), red.get());
  red->SetAsAtom("blue");
  EXPECT_EQ(test.SlotValue()->GetAsAtom(), "red");
  test.SetSlotValue(red.get());
  EXPECT_NE(test.SlotValue(), red.get());
  EXPECT_EQ(test.SlotValue()->GetAsAtom(), "blue");
}

TEST(TIEPatternMatchTestTest, EqualityNeedsClassTypeValuePositionAndConnective) {
  TIEPatternMatchTest test(nullptr, sttEquals, 1, NewAtom("red").get());
  TIEPatternMatchTest same(nullptr, sttEquals, 1, NewAtom("red").get());
  TIEPatternMatchTest other_type(nullptr, sttNotEquals, 1, NewAtom("red").get());
  TIEPatternMatchTest other_value(nullptr, sttEquals, 1, NewAtom("blue").get());
  TIEPatternMatchTest other_position(nullptr, sttEquals, 2, NewAtom("red").get());
  TIEPatternMatchTest other_connective(nullptr, sttEquals, 1, NewAtom("red").get());
  other_connective.SetConjunction(false);
  TIEJoinTest join(sttEquals, "color", "color", 0);
  EXPECT_TRUE(test.Equals(same));
  EXPECT_FALSE(test.Equals(other_type));
  EXPECT_FALSE(test.Equals(other_value));
  EXPECT_FALSE(test.Equals(other_position));
  EXPECT_FALSE(test.Equals(other_connective));
  EXPECT_FALSE(test.Equals(join));
  EXPECT_FALSE(join.Equals(test));
}

TEST(TIEPatternMatchTestTest, MatchesAnswersForGivenAttributes) {
  TIEPatternMatchTest test(nullptr, sttNotEquals, 1, NewAtom("red").get());
  test.SetConjunction(false);
  Ref<IIEValue> red = NewAtom("red");
  EXPECT_TRUE(test.Matches(false, 1, red.get()));
  EXPECT_TRUE(test.Matches(false, false, 1, red.get()));
  EXPECT_FALSE(test.Matches(false, true, 1, red.get()));
  EXPECT_FALSE(test.Matches(true, 1, red.get()));
  EXPECT_FALSE(test.Matches(false, 0, red.get()));
  EXPECT_FALSE(test.Matches(false, 1, NewAtom("blue").get()));
}

TEST(TIEPatternMatchTestTest, CloneIsAnEqualIndependentCopy) {
  TIEPatternMatchTest test(nullptr, sttNotEquals, 3, NewAtom("red").get());
  test.SetConjunction(false);
  std::unique_ptr<TIESlotTest> copy = test.Clone();
  ASSERT_NE(dynamic_cast<TIEPatternMatchTest*>(copy.get()), nullptr);
  EXPECT_TRUE(copy->Equals(test));
  auto* match = static_cast<TIEPatternMatchTest*>(copy.get());
  EXPECT_NE(match->SlotValue(), test.SlotValue());
  match->SlotValue()->SetAsAtom("green");
  EXPECT_EQ(test.SlotValue()->GetAsAtom(), "red");
}

TEST(TIEPatternMatchTestTest, PredicatePassesUnlessItAnswersTheAtomFalse) {
  TestEngine engine;
  const std::vector<std::pair<Ref<IIEValue>, bool>> answers = {{Ref<IIEValue>(FCTrue), true},
                                                               {Ref<IIEValue>(FCFalse), false},
                                                               {NewAtom("false"), true},
                                                               {NewString("FALSE"), true},
                                                               {NewInteger(0), true}};
  auto context = engine.GetContext()->Push();
  int n = 0;
  for (const auto& [answer, passes] : answers) {
    std::string name = "answer" + std::to_string(n++);
    Ref<IUserFunction> f(new AnswerFunction(name, answer.get()));
    f->AddReasoner(&engine);
    Ref<IIEValue> call = CallValue(&engine, name, {});
    TIEPatternMatchTest positive(nullptr, sttEquals, NoSubIndex, call.get());
    TIEPatternMatchTest negative(nullptr, sttNotEquals, NoSubIndex, call.get());
    EXPECT_EQ(positive.PerformTest(context.get()), passes) << answer->GetToString();
    EXPECT_EQ(negative.PerformTest(context.get()), !passes) << answer->GetToString();
    f->ClearReasoners();
  }
}

TEST(TIEPatternMatchTestTest, VariableAndCallThatYieldsNothingAreTested) {
  TestEngine engine;
  auto context = engine.GetContext()->Push();
  context->AddLocalBinding("flag", FCFalse);
  TIEPatternMatchTest variable(nullptr, sttEquals, NoSubIndex, NewVariable("flag").get());
  EXPECT_FALSE(variable.PerformTest(context.get()));

  Ref<IUserFunction> silent(new AnswerFunction("silent", nullptr));
  silent->AddReasoner(&engine);
  TIEPatternMatchTest call(nullptr, sttEquals, NoSubIndex, CallValue(&engine, "silent", {}).get());
  EXPECT_TRUE(call.PerformTest(context.get()));
  silent->ClearReasoners();
}

TEST(TIEPatternMatchTestTest, ResolutionErrorsPassThrough) {
  TestEngine engine;
  auto context = engine.GetContext()->Push();
  TIEPatternMatchTest unknown_variable(nullptr, sttEquals, NoSubIndex, NewVariable("ghost").get());
  TIEPatternMatchTest unknown_function(nullptr, sttNotEquals, NoSubIndex,
                                       CallValue(&engine, "nowhere", {}).get());
  ExpectIEError([&] { unknown_variable.PerformTest(context.get()); },
                Format(SCorruptedVariable, {"ghost"}));
  ExpectIEError([&] { unknown_function.PerformTest(context.get()); },
                Format(SNoSuchFunction, {"nowhere"}));
}

TEST(TIEPatternMatchTestTest, ConvertsAConstantToEqOrNeqOfValueAndArgument) {
  TestEngine engine;
  Ref<IIEValue> v = NewVariable("v");
  TIEPatternMatchTest equals(nullptr, sttEquals, NoSubIndex, NewAtom("red").get());
  TIEPatternMatchTest differs(nullptr, sttNotEquals, NoSubIndex, NewAtom("red").get());
  Ref<IIEValue> eq = equals.ConvertToFunCall(&engine, v.get());
  Ref<IIEValue> neq = differs.ConvertToFunCall(&engine, v.get());
  ASSERT_EQ(eq->GetDType(), dtFunCall);
  EXPECT_EQ(eq->GetToString(), "(eq red ?v)");
  EXPECT_EQ(neq->GetToString(), "(neq red ?v)");
  EXPECT_EQ(eq->GetAsFunCall()->GetReasoner(), static_cast<IReasoner*>(&engine));
}

TEST(TIEPatternMatchTestTest, ConvertsACallToItselfOrToItsNegation) {
  TestEngine engine;
  Ref<IIEValue> v = NewVariable("v");
  Ref<IIEValue> predicate = CallValue(&engine, "big", {v.get()});
  TIEPatternMatchTest equals(nullptr, sttEquals, NoSubIndex, predicate.get());
  TIEPatternMatchTest differs(nullptr, sttNotEquals, NoSubIndex, predicate.get());
  Ref<IIEValue> same = equals.ConvertToFunCall(&engine, v.get());
  Ref<IIEValue> negated = differs.ConvertToFunCall(&engine, v.get());
  EXPECT_EQ(same->GetAsFunCall(), predicate->GetAsFunCall());
  EXPECT_EQ(negated->GetToString(), "(not (big ?v))");
  EXPECT_EQ(negated->GetAsFunCall()->GetArgument(0)->GetAsFunCall(), predicate->GetAsFunCall());
}

// ---------------------------------------------------------------- join tests

TEST(TIEJoinTestTest, PrintsKindTokenAndSlots) {
  TIEJoinTest whole(sttEquals, "color", "shade", 1);
  TIEJoinTest elements(sttNotEquals, "tags", 1, "items", 2, 0);
  EXPECT_EQ(whole.GetToString(), "= tstSlot TokenIdx: 1 Left: color Right: shade");
  EXPECT_EQ(elements.GetToString(), "<> tstMultiSlot TokenIdx: 0 Left: tags 1 Right: items 2");
  EXPECT_EQ(whole.JoinType(), tstSlot);
  EXPECT_EQ(whole.LeftSubIndex(), NoSubIndex);
  EXPECT_EQ(whole.RightSubIndex(), NoSubIndex);
  EXPECT_EQ(elements.JoinType(), tstMultiSlot);
}

TEST(TIEJoinTestTest, EqualityComparesEveryFieldAndCloneKeepsThem) {
  TIEJoinTest test(sttEquals, "tags", 1, "items", 2, 0);
  EXPECT_TRUE(test.Equals(TIEJoinTest(sttEquals, "tags", 1, "items", 2, 0)));
  EXPECT_FALSE(test.Equals(TIEJoinTest(sttNotEquals, "tags", 1, "items", 2, 0)));
  EXPECT_FALSE(test.Equals(TIEJoinTest(sttEquals, "Tags", 1, "items", 2, 0)));
  EXPECT_FALSE(test.Equals(TIEJoinTest(sttEquals, "tags", 0, "items", 2, 0)));
  EXPECT_FALSE(test.Equals(TIEJoinTest(sttEquals, "tags", 1, "items", 2, 1)));
  EXPECT_FALSE(test.Equals(TIEJoinTest(sttEquals, "tags", "items", 0)));
  std::unique_ptr<TIESlotTest> copy = test.Clone();
  ASSERT_NE(dynamic_cast<TIEJoinTest*>(copy.get()), nullptr);
  EXPECT_TRUE(copy->Equals(test));
  EXPECT_EQ(copy->GetToString(), test.GetToString());
}

TEST(TIEJoinTestTest, WholeSlotsAreComparedStrictly) {
  TestEngine engine;
  Ref<TFactTemplate> tmpl = LightTemplate();
  auto context = engine.GetContext()->Push();
  context->SetToken(Ref<IReteToken>(new FakeToken({Light(tmpl.get(), "red")})).get());
  TIEJoinTest equals(sttEquals, "color", "color", 0);
  TIEJoinTest differs(sttNotEquals, "color", "color", 0);
  Ref<IFact> red = Light(tmpl.get(), "red");
  Ref<IFact> blue = Light(tmpl.get(), "blue");
  context->SetFact(red.get());
  EXPECT_TRUE(equals.PerformTest(context.get()));
  EXPECT_FALSE(differs.PerformTest(context.get()));
  context->SetFact(blue.get());
  EXPECT_FALSE(equals.PerformTest(context.get()));
  EXPECT_TRUE(differs.PerformTest(context.get()));
}

TEST(TIEJoinTestTest, MultislotElementsAreComparedByPosition) {
  TestEngine engine;
  Ref<TFactTemplate> tmpl = LightTemplate();
  Ref<IFact> left = Light(tmpl.get(), "red", {NewAtom("a").get(), NewAtom("b").get()});
  Ref<IFact> right = Light(tmpl.get(), "red", {NewAtom("b").get(), NewAtom("c").get()});
  auto context = engine.GetContext()->Push();
  context->SetToken(Ref<IReteToken>(new FakeToken({left})).get());
  context->SetFact(right.get());
  EXPECT_TRUE(TIEJoinTest(sttEquals, "tags", 1, "tags", 0, 0).PerformTest(context.get()));
  EXPECT_FALSE(TIEJoinTest(sttEquals, "tags", 0, "tags", 0, 0).PerformTest(context.get()));
  EXPECT_TRUE(TIEJoinTest(sttNotEquals, "tags", 0, "tags", 0, 0).PerformTest(context.get()));
  // An element against a whole single-field slot, and whole lists against each other.
  context->SetFact(Light(tmpl.get(), "a").get());
  EXPECT_TRUE(TIEJoinTest(sttEquals, "tags", 0, "color", -1, 0).PerformTest(context.get()));
  EXPECT_FALSE(TIEJoinTest(sttEquals, "tags", -1, "tags", -1, 0).PerformTest(context.get()));
}

TEST(TIEJoinTestTest, MissingTokenFactPassesEvenForNotEquals) {
  TestEngine engine;
  Ref<TFactTemplate> tmpl = LightTemplate();
  auto context = engine.GetContext()->Push();
  context->SetFact(Light(tmpl.get(), "red").get());
  TIEJoinTest equals(sttEquals, "tags", 0, "tags", 0, 1);
  TIEJoinTest differs(sttNotEquals, "tags", 0, "tags", 0, 1);
  EXPECT_TRUE(equals.PerformTest(context.get()));  // no token at all
  EXPECT_TRUE(differs.PerformTest(context.get()));
  context->SetToken(Ref<IReteToken>(new FakeToken({Light(tmpl.get(), "red")})).get());
  EXPECT_TRUE(equals.PerformTest(context.get()));  // the token has one fact only
  EXPECT_TRUE(differs.PerformTest(context.get()));
}

TEST(TIEJoinTestTest, PositionPastTheEndOfAMultislotMatchesNothing) {
  TestEngine engine;
  Ref<TFactTemplate> tmpl = LightTemplate();
  Ref<IFact> left = Light(tmpl.get(), "red", {NewAtom("a").get()});
  Ref<IFact> right = Light(tmpl.get(), "red", {NewAtom("a").get(), NewAtom("b").get()});
  auto context = engine.GetContext()->Push();
  context->SetToken(Ref<IReteToken>(new FakeToken({left})).get());
  context->SetFact(right.get());
  EXPECT_FALSE(TIEJoinTest(sttEquals, "tags", 1, "tags", 1, 0).PerformTest(context.get()));
  EXPECT_FALSE(TIEJoinTest(sttNotEquals, "tags", 1, "tags", 1, 0).PerformTest(context.get()));
  EXPECT_FALSE(TIEJoinTest(sttNotEquals, "tags", 0, "tags", 5, 0).PerformTest(context.get()));
}

// ---------------------------------------------------------------- patterns

TEST(TIEPatternTest, StartsWithOneEmptyEntryPerTemplateSlotInNameOrder) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  ASSERT_EQ(pattern.GetSlotCount(), 3);
  EXPECT_EQ(pattern.GetSlotName(0), "color");
  EXPECT_EQ(pattern.GetSlotName(1), "size");
  EXPECT_EQ(pattern.GetSlotName(2), "tags");
  EXPECT_EQ(pattern.IndexOfSlotName("size"), 1);
  EXPECT_EQ(pattern.IndexOfSlotName("weight"), -1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(pattern.GetSlotLength(i), -1);
    EXPECT_EQ(pattern.GetSlotTestCount(i), 0);
  }
  EXPECT_EQ(pattern.Template(), tmpl.get());
  EXPECT_EQ(pattern.Name(), "light");
  EXPECT_EQ(pattern.TestCount(), 0);
}

TEST(TIEPatternTest, AddTestNeedsATemplateWithThatSlot) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  TIEPattern bare(nullptr, "light", nullptr, 0);
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  ExpectIEError([&] { bare.AddTest("color", NewAtom("red").get(), NoSubIndex, false, true); },
                SNoTemplate);
  ExpectIEError([&] { pattern.AddTest("weight", NewAtom("red").get(), NoSubIndex, false, true); },
                Format(SInvalidSlotName, {"weight"}));
  EXPECT_EQ(pattern.TestCount(), 0);
}

TEST(TIEPatternTest, AddTestBuildsTheTestAndCountsIt) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  TIEPatternMatchTest* first =
      pattern.AddTest("tags", NewAtom("x").get(), 1, /*negated=*/true, /*conjunction=*/true);
  TIEPatternMatchTest* second = pattern.AddTest("tags", NewAtom("y").get(), 1, false, false);
  EXPECT_EQ(first->TestType(), sttNotEquals);
  EXPECT_EQ(first->MultiSlotSubIndex(), 1);
  EXPECT_TRUE(first->Conjunction());
  EXPECT_EQ(first->Pattern(), &pattern);
  EXPECT_FALSE(second->Conjunction());
  int tags = pattern.IndexOfSlotName("tags");
  EXPECT_EQ(pattern.GetSlotTest(tags, 0), first);
  EXPECT_EQ(pattern.GetSlotTest(tags, 1), second);
  EXPECT_EQ(pattern.TestCount(), 2);
  EXPECT_EQ(pattern.DisjunctionCount(), 1);

  second->SetConjunction(true);
  EXPECT_EQ(pattern.DisjunctionCount(), 0);
  first->SetConjunction(false);
  EXPECT_EQ(pattern.DisjunctionCount(), 1);
  ExpectIEError([&] { pattern.GetSlotTest(tags, 2); }, Format(SListIndexError, {2}));
}

TEST(TIEPatternTest, NegatedWhenTheNegationCountIsOdd) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  const std::pair<int32_t, bool> cases[] = {{0, false}, {1, true}, {2, false}, {3, true}};
  for (const auto& [count, negated] : cases) {
    pattern.SetNegatedCount(count);
    EXPECT_EQ(pattern.IsNegated(), negated) << count;
  }
}

TEST(TIEPatternTest, OnlyANegatedTestElementRefusesABinding) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  TIEPattern test_ce(nullptr, STestCE, tmpl.get(), 1);
  ExpectIEError([&] { test_ce.SetBoundName("f"); }, SInvalidPatternBinding);
  EXPECT_EQ(test_ce.BoundName(), "");
  test_ce.SetNegatedCount(2);
  test_ce.SetBoundName("f");
  EXPECT_EQ(test_ce.BoundName(), "f");

  TIEPattern negated(nullptr, "light", tmpl.get(), 1);
  negated.SetBoundName("g");
  EXPECT_EQ(negated.BoundName(), "g");
}

TEST(TIEPatternTest, EveryChangeReachesTheOwnerAndOnChange) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner;
  TIEPattern pattern(&owner, "light", tmpl.get(), 0);
  int on_change = 0;
  pattern.SetOnChange([&](TIEPattern* p) {
    EXPECT_EQ(p, &pattern);
    ++on_change;
  });
  pattern.SetName("lamp");
  pattern.SetNegatedCount(1);
  pattern.SetUnique(true);
  pattern.SetExplicit(true);
  pattern.SetBoundName("f");
  pattern.SetSlotLength(2, 3);
  TIEPatternMatchTest* test = pattern.AddTest("color", NewAtom("red").get(), -1, false, true);
  test->SetSlotValue(NewAtom("blue").get());
  test->SetMultiSlotSubIndex(0);
  test->SetConjunction(false);
  EXPECT_EQ(owner.changes, 10);
  EXPECT_EQ(on_change, 10);
  EXPECT_EQ(pattern.GetSlotLength(2), 3);

  // Setting what is already there is no change.
  pattern.SetName("lamp");
  pattern.SetNegatedCount(1);
  pattern.SetUnique(true);
  pattern.SetExplicit(true);
  pattern.SetBoundName("f");
  test->SetMultiSlotSubIndex(0);
  test->SetConjunction(false);
  EXPECT_EQ(owner.changes, 10);
}

TEST(TIEPatternTest, NestedUpdatesReportOneChangeAtTheEnd) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner;
  TIEPattern pattern(&owner, "light", tmpl.get(), 0);
  pattern.BeginUpdate();
  pattern.BeginUpdate();
  pattern.SetName("lamp");
  pattern.AddTest("color", NewAtom("red").get(), -1, false, true);
  pattern.EndUpdate();
  EXPECT_EQ(owner.changes, 0);
  pattern.EndUpdate();
  EXPECT_EQ(owner.changes, 1);
}

TEST(TIEPatternTest, ChangingTheOwnerTellsTheOldOwnerAndTheNewOne) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner old_owner;
  RecordingOwner new_owner;
  TIEPattern pattern(&old_owner, "light", tmpl.get(), 0);
  pattern.SetOwner(&new_owner);
  EXPECT_EQ(pattern.Owner(), &new_owner);
  EXPECT_EQ(old_owner.changes, 1);
  EXPECT_EQ(new_owner.changes, 1);
}

TEST(TIEPatternTest, DeletingATestFreesItAndExtractingHandsItOver) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  int live = 0;
  pattern.AddTest("color", std::make_unique<CountedTest>(&live, NewAtom("red").get()));
  auto disjunct = std::make_unique<CountedTest>(&live, NewAtom("blue").get());
  disjunct->SetConjunction(false);
  pattern.AddTest("color", std::move(disjunct));
  EXPECT_EQ(live, 2);
  EXPECT_EQ(pattern.TestCount(), 2);
  EXPECT_EQ(pattern.DisjunctionCount(), 1);
  TSlotTests* tests = pattern.GetSlotTests(pattern.IndexOfSlotName("color"));

  std::unique_ptr<TIEPatternMatchTest> taken = tests->Extract(1);
  EXPECT_EQ(live, 2);
  EXPECT_EQ(pattern.TestCount(), 1);
  EXPECT_EQ(pattern.DisjunctionCount(), 0);
  // A test that left the pattern no longer changes it.
  EXPECT_EQ(taken->Pattern(), nullptr);
  taken->SetConjunction(true);
  EXPECT_EQ(pattern.DisjunctionCount(), 0);

  tests->Delete(0);
  EXPECT_EQ(live, 1);
  EXPECT_EQ(pattern.TestCount(), 0);
  taken.reset();
  EXPECT_EQ(live, 0);
}

TEST(TIEPatternTest, SetSlotTestReplacesAndFreesTheOldTest) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  int live = 0;
  pattern.AddTest("color", std::make_unique<CountedTest>(&live, NewAtom("red").get()));
  pattern.AddTest("color", NewAtom("blue").get(), -1, false, true);
  int color = pattern.IndexOfSlotName("color");
  auto replacement = std::make_unique<TIEPatternMatchTest>(nullptr, sttNotEquals, NoSubIndex,
                                                           NewAtom("green").get());
  TIEPatternMatchTest* raw = replacement.get();
  pattern.SetSlotTest(color, 0, std::move(replacement));
  EXPECT_EQ(live, 0);
  EXPECT_EQ(pattern.GetSlotTest(color, 0), raw);
  EXPECT_EQ(raw->Pattern(), &pattern);
  EXPECT_EQ(SlotTexts(pattern, "color"), (Strings{"green", "blue"}));
  EXPECT_EQ(pattern.TestCount(), 2);
}

TEST(TIEPatternTest, DestroyingAPatternDoesNotReportItsTests) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner;
  {
    TIEPattern pattern(&owner, "light", tmpl.get(), 0);
    pattern.AddTest("color", NewAtom("red").get(), -1, false, true);
    owner.changes = 0;
  }
  EXPECT_EQ(owner.changes, 0);
}

TEST(TIEPatternTest, CloneCopiesEverythingWithTestsOfItsOwn) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner;
  TIEPattern pattern(&owner, "light", tmpl.get(), 3);
  pattern.SetComment("note");
  pattern.SetBoundName("f");
  pattern.SetUnique(true);
  pattern.SetExplicit(true);
  pattern.SetSlotLength(2, 2);
  pattern.AddTest("color", NewAtom("red").get(), -1, false, true);
  pattern.AddTest("color", NewAtom("blue").get(), -1, true, false);
  std::unique_ptr<TIEPattern> copy = pattern.Clone();
  EXPECT_EQ(copy->Owner(), &owner);
  EXPECT_EQ(copy->Comment(), "note");
  EXPECT_EQ(copy->BoundName(), "f");
  EXPECT_TRUE(copy->Unique());
  EXPECT_TRUE(copy->Explicit());
  EXPECT_EQ(copy->Name(), "light");
  EXPECT_EQ(copy->Template(), tmpl.get());
  EXPECT_EQ(copy->NegatedCount(), 3);
  EXPECT_EQ(copy->GetSlotLength(2), 2);
  EXPECT_EQ(copy->TestCount(), 2);
  EXPECT_EQ(copy->DisjunctionCount(), 1);
  int color = copy->IndexOfSlotName("color");
  for (int j = 0; j < 2; ++j) {
    EXPECT_TRUE(copy->GetSlotTest(color, j)->Equals(*pattern.GetSlotTest(color, j)));
    EXPECT_NE(copy->GetSlotTest(color, j), pattern.GetSlotTest(color, j));
    EXPECT_EQ(copy->GetSlotTest(color, j)->Pattern(), copy.get());
  }
  EXPECT_EQ(copy->GetToString(), pattern.GetToString());
}

// ---------------------------------------------------------------- connectives

TEST(TIEPatternFixTestsTest, AlternativesWithoutVariableGainAGeneratedOne) {
  TestEngine engine;
  engine.AddTestFunctions();
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner(&engine);
  TIEPattern pattern(&owner, "light", tmpl.get(), 0);
  pattern.AddTest("color", NewAtom("red").get(), NoSubIndex, false, true);
  pattern.AddTest("color", NewAtom("blue").get(), NoSubIndex, false, false);
  pattern.FixTests();

  std::string blank = std::string(SBlankPrefix) + "1";
  EXPECT_EQ(owner.bindings, (Strings{blank + " color -1"}));
  EXPECT_EQ(SlotTexts(pattern, "color"),
            (Strings{"?" + blank, "(or (eq red ?" + blank + ") (eq blue ?" + blank + "))"}));
  int color = pattern.IndexOfSlotName("color");
  for (int j = 0; j < 2; ++j) {
    EXPECT_EQ(pattern.GetSlotTest(color, j)->TestType(), sttEquals);
    EXPECT_EQ(pattern.GetSlotTest(color, j)->MultiSlotSubIndex(), NoSubIndex);
  }
  EXPECT_EQ(pattern.TestCount(), 2);
  EXPECT_EQ(pattern.DisjunctionCount(), 0);

  EXPECT_TRUE(SlotPasses(engine, pattern, "color", Light(tmpl.get(), "red").get(), blank));
  EXPECT_TRUE(SlotPasses(engine, pattern, "color", Light(tmpl.get(), "blue").get(), blank));
  EXPECT_FALSE(SlotPasses(engine, pattern, "color", Light(tmpl.get(), "green").get(), blank));
}

TEST(TIEPatternFixTestsTest, LeadingVariableIsKeptAndAndGroupsBecomeAndCalls) {
  TestEngine engine;
  engine.AddTestFunctions();
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner(&engine);
  TIEPattern pattern(&owner, "light", tmpl.get(), 0);
  // ?x&~green&red|blue
  pattern.AddTest("color", NewVariable("x").get(), NoSubIndex, false, true);
  pattern.AddTest("color", NewAtom("green").get(), NoSubIndex, true, true);
  pattern.AddTest("color", NewAtom("red").get(), NoSubIndex, false, true);
  pattern.AddTest("color", NewAtom("blue").get(), NoSubIndex, false, false);
  pattern.FixTests();

  EXPECT_TRUE(owner.bindings.empty());
  EXPECT_EQ(SlotTexts(pattern, "color"),
            (Strings{"?x", "(or (and (neq green ?x) (eq red ?x)) (eq blue ?x))"}));
  const std::pair<const char*, bool> cases[] = {
      {"red", true}, {"blue", true}, {"green", false}, {"yellow", false}};
  for (const auto& [color, passes] : cases)
    EXPECT_EQ(SlotPasses(engine, pattern, "color", Light(tmpl.get(), color).get(), "x"), passes)
        << color;
}

TEST(TIEPatternFixTestsTest, NegatedFirstTestIsAnAlternativeNotTheVariable) {
  TestEngine engine;
  engine.AddTestFunctions();
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner(&engine);
  TIEPattern pattern(&owner, "light", tmpl.get(), 0);
  // ~red|blue
  pattern.AddTest("color", NewAtom("red").get(), NoSubIndex, true, true);
  pattern.AddTest("color", NewAtom("blue").get(), NoSubIndex, false, false);
  pattern.FixTests();
  std::string blank = std::string(SBlankPrefix) + "1";
  EXPECT_EQ(SlotTexts(pattern, "color"),
            (Strings{"?" + blank, "(or (neq red ?" + blank + ") (eq blue ?" + blank + "))"}));
  EXPECT_FALSE(SlotPasses(engine, pattern, "color", Light(tmpl.get(), "red").get(), blank));
  EXPECT_TRUE(SlotPasses(engine, pattern, "color", Light(tmpl.get(), "green").get(), blank));
}

TEST(TIEPatternFixTestsTest, OnlyTheRunWithAnAlternativeIsRewritten) {
  TestEngine engine;
  engine.AddTestFunctions();
  Ref<TFactTemplate> tmpl = OrderedTemplate();
  RecordingOwner owner(&engine);
  TIEPattern pattern(&owner, "a", tmpl.get(), 0);
  // (a ?x&~big red|blue)
  TIEPatternMatchTest* x =
      pattern.AddTest(SDefaultSlotName, NewVariable("x").get(), 0, false, true);
  pattern.AddTest(SDefaultSlotName, NewAtom("big").get(), 0, true, true);
  pattern.AddTest(SDefaultSlotName, NewAtom("red").get(), 1, false, true);
  pattern.AddTest(SDefaultSlotName, NewAtom("blue").get(), 1, false, false);
  pattern.FixTests();

  std::string blank = std::string(SBlankPrefix) + "1";
  EXPECT_EQ(owner.bindings, (Strings{blank + " __Data 1"}));
  EXPECT_EQ(
      SlotTexts(pattern, SDefaultSlotName),
      (Strings{"?x", "big", "?" + blank, "(or (eq red ?" + blank + ") (eq blue ?" + blank + "))"}));
  int data = pattern.IndexOfSlotName(SDefaultSlotName);
  EXPECT_EQ(pattern.GetSlotTest(data, 0), x);
  EXPECT_EQ(pattern.GetSlotTest(data, 1)->TestType(), sttNotEquals);
  EXPECT_EQ(pattern.GetSlotTest(data, 2)->MultiSlotSubIndex(), 1);
  EXPECT_EQ(pattern.GetSlotTest(data, 3)->MultiSlotSubIndex(), 1);
  EXPECT_EQ(pattern.TestCount(), 4);
}

TEST(TIEPatternFixTestsTest, PatternWithoutAlternativesIsLeftAlone) {
  TestEngine engine;
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner(&engine);
  TIEPattern pattern(&owner, "light", tmpl.get(), 0);
  TIEPatternMatchTest* x = pattern.AddTest("color", NewVariable("x").get(), -1, false, true);
  pattern.AddTest("color", NewAtom("red").get(), -1, true, true);
  owner.changes = 0;
  pattern.FixTests();
  EXPECT_EQ(owner.changes, 0);
  EXPECT_EQ(pattern.GetSlotTest(pattern.IndexOfSlotName("color"), 0), x);
  EXPECT_EQ(SlotTexts(pattern, "color"), (Strings{"?x", "red"}));
}

TEST(TIEPatternFixTestsTest, RewriteIsOneChange) {
  TestEngine engine;
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner(&engine);
  TIEPattern pattern(&owner, "light", tmpl.get(), 0);
  pattern.AddTest("color", NewAtom("red").get(), -1, false, true);
  pattern.AddTest("color", NewAtom("blue").get(), -1, false, false);
  owner.changes = 0;
  pattern.FixTests();
  EXPECT_EQ(owner.changes, 1);
}

TEST(TIEPatternFixTestsTest, GeneratedVariableNeedsAnOwningRuleAndFailureKeepsTheTests) {
  TestEngine engine;
  Ref<TFactTemplate> tmpl = LightTemplate(&engine);
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  pattern.AddTest("color", NewAtom("red").get(), NoSubIndex, false, true);
  pattern.AddTest("color", NewAtom("blue").get(), NoSubIndex, false, false);
  ExpectIEError([&] { pattern.FixTests(); }, "Rule missing for pattern");
  EXPECT_EQ(SlotTexts(pattern, "color"), (Strings{"red", "blue"}));
  EXPECT_EQ(pattern.TestCount(), 2);
  EXPECT_EQ(pattern.DisjunctionCount(), 1);
}

TEST(TIEPatternFixTestsTest, GeneratedVariableNeedsAnEngine) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  RecordingOwner owner;  // no engine behind the rule, none behind the template
  TIEPattern pattern(&owner, "light", tmpl.get(), 0);
  pattern.AddTest("color", NewAtom("red").get(), NoSubIndex, false, true);
  pattern.AddTest("color", NewAtom("blue").get(), NoSubIndex, false, false);
  ExpectIEError([&] { pattern.FixTests(); }, SUnknownEngine);
  EXPECT_EQ(SlotTexts(pattern, "color"), (Strings{"red", "blue"}));
  EXPECT_TRUE(owner.bindings.empty());
}

// ---------------------------------------------------------------- rule-language form

std::string Generated(bool multi) {
  return multi ? "$?gen" : "?gen";
}

TEST(PatternToRuleTextTest, OrderedPatternPrintsItsConstraintsBack) {
  Ref<TFactTemplate> tmpl = OrderedTemplate();
  TIEPattern pattern(nullptr, "a", tmpl.get(), 0);
  // ?x&~red|blue at position 0, then 7 at position 1
  pattern.AddTest(SDefaultSlotName, NewVariable("x").get(), 0, false, true);
  pattern.AddTest(SDefaultSlotName, NewAtom("red").get(), 0, true, true);
  pattern.AddTest(SDefaultSlotName, NewAtom("blue").get(), 0, false, false);
  pattern.AddTest(SDefaultSlotName, NewInteger(7).get(), 1, false, true);
  EXPECT_EQ(PatternToRuleText(pattern, Generated), "(a ?x&~red|blue 7)");
}

TEST(PatternToRuleTextTest, SlotPatternPrintsOnlySlotsWithTests) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  pattern.AddTest("size", NewVariable("s").get(), NoSubIndex, false, true);
  pattern.AddTest("size",
                  CallValue(nullptr, ">", {NewVariable("s").get(), NewInteger(2).get()}).get(),
                  NoSubIndex, false, true);
  pattern.AddTest("color", NewString("dim red").get(), NoSubIndex, true, true);
  EXPECT_EQ(PatternToRuleText(pattern, Generated),
            "(light (color ~\"dim red\") (size ?s&:(> ?s 2)) )");
}

TEST(PatternToRuleTextTest, EmptyConstraintIsWrittenAsAFreshVariable) {
  Ref<TFactTemplate> tmpl = LightTemplate();
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  pattern.AddTest("color", nullptr, NoSubIndex, false, true);
  pattern.AddTest("tags", nullptr, NoSubIndex, false, true);
  EXPECT_EQ(PatternToRuleText(pattern, Generated), "(light (color ?gen) (tags $?gen) )");
}

TEST(PatternToRuleTextTest, TestElementWritesItsCallAlone) {
  Ref<TFactTemplate> tmpl = OrderedTemplate();
  TIEPattern pattern(nullptr, STestCE, tmpl.get(), 0);
  pattern.AddTest(SDefaultSlotName,
                  CallValue(nullptr, "eq", {NewVariable("x").get(), NewInteger(1).get()}).get(),
                  NoSubIndex, false, true);
  EXPECT_EQ(PatternToRuleText(pattern, Generated), "(test (eq ?x 1))");
}

TEST(PatternToRuleTextTest, WrappersNestInnermostFirst) {
  Ref<TFactTemplate> tmpl = OrderedTemplate();
  TIEPattern pattern(nullptr, "a", tmpl.get(), 0);
  pattern.AddTest(SDefaultSlotName, NewAtom("x").get(), 0, false, true);
  const std::pair<int32_t, const char*> negations[] = {{0, "(a x)"},
                                                       {1, "(not (a x))"},
                                                       {2, "(exists (a x))"},
                                                       {3, "(not (exists (a x)))"},
                                                       {4, "(not (not (exists (a x))))"}};
  for (const auto& [count, text] : negations) {
    pattern.SetNegatedCount(count);
    EXPECT_EQ(PatternToRuleText(pattern, Generated), text);
  }
  pattern.SetNegatedCount(1);
  pattern.SetUnique(true);
  pattern.SetExplicit(true);
  EXPECT_EQ(PatternToRuleText(pattern, Generated), "(not (explicit (unique (a x))))");
}

TEST(PatternToRuleTextTest, CommentLinesAndBindingComeFirst) {
  Ref<TFactTemplate> tmpl = OrderedTemplate();
  TIEPattern pattern(nullptr, "a", tmpl.get(), 0);
  pattern.AddTest(SDefaultSlotName, NewAtom("x").get(), 0, false, true);
  pattern.SetBoundName("f");
  pattern.SetComment("  first line  \r\n;; second\n");
  EXPECT_EQ(PatternToRuleText(pattern, Generated), std::string("; first line") + NewLineString +
                                                       ";; second" + NewLineString + "?f <- (a x)");
}

TEST(PatternToRuleTextTest, PatternWithoutTemplateCannotBePrinted) {
  TIEPattern pattern(nullptr, "a", nullptr, 0);
  ExpectIEError([&] { PatternToRuleText(pattern, Generated); }, SNoTemplate);
}

TEST(PatternToRuleTextTest, PatternOfAnEngineTemplatePrintsThroughTheEngine) {
  TestEngine engine;
  Ref<TFactTemplate> tmpl = LightTemplate(&engine);
  TIEPattern pattern(nullptr, "light", tmpl.get(), 0);
  pattern.AddTest("color", nullptr, NoSubIndex, false, true);
  // The engine names the fresh variable with its own symbol counter.
  EXPECT_EQ(pattern.GetToString(), std::string("(light (color ") + SSlotVar + "1) )");
  EXPECT_EQ(pattern.GetToString(), std::string("(light (color ") + SSlotVar + "2) )");
}

}  // namespace
}  // namespace rulecore
