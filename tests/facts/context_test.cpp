// rulecore: an embeddable expert-system shell.
// Tests of bindings, binding tables and execution contexts: scopes, lookups, return values,
// binding references into a partial match, list expansion and resolving a fact's values.
#include "facts/context.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/binding_info.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "core/value_vector.h"
#include "facts/fact_template.h"
#include "platform/format.h"
#include "support/test_engine.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

// ---------------------------------------------------------------- helpers

// A context that records what its binding table tells it.
class RecordingContext : public TIEContext {
 public:
  RecordingContext() : TIEContext(nullptr, nullptr) {}
  void Notify(TBinding* binding, TTableNotification action) override {
    TIEContext::Notify(binding, action);
    static const char* const kNames[] = {"added", "deleted", "cleared"};
    log.push_back(std::string(kNames[action]) + (binding ? " " + binding->Name() : ""));
  }
  std::vector<std::string> log;
};

Ref<IIEValue> Place(int32_t fact_idx, const std::string& slot, int32_t sub_idx) {
  return Ref<IIEValue>(new TIEValue(new TBindingInfo(fact_idx, slot, sub_idx), true));
}

Ref<IIEValue> ListOf(std::initializer_list<IIEValue*> values) {
  Ref<TValueVector> v(new TValueVector);
  for (IIEValue* x : values)
    v->Add(x);
  return NewList(v.get());
}

// The printed elements of a list, one per entry.
std::vector<std::string> Texts(IValueVector* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->GetValueCount(); ++i)
    out.push_back(list->Get(i)->GetToString());
  return out;
}

using Strings = std::vector<std::string>;

// A template "item" with a slot "name" and a multislot "tags".
struct ItemFacts {
  ItemFacts() : tmpl(new TFactTemplate(nullptr, "item")) {
    tmpl->AddSlot("name", NewAtom("none").get());
    tmpl->AddMultiSlot("tags", NewEmptyList().get());
  }
  Ref<IFact> Make(const std::string& name, int32_t id) {
    Ref<IFact> fact = tmpl->NewFact();
    fact->SetValue("name", NewAtom(name).get());
    fact->SetValue("tags", ListOf({NewAtom(name + "-0").get(), NewAtom(name + "-1").get()}).get());
    fact->SetID(id);
    return fact;
  }
  Ref<TFactTemplate> tmpl;
};

// ---------------------------------------------------------------- bindings

TEST(TBindingTest, ValueBindingIsALocalPlaceAndPrintsNameValueAndPlace) {
  Ref<IIEValue> five = NewInteger(5);
  TBinding binding("x", five.get());
  EXPECT_EQ(binding.FactIdx(), LocalBindingIndex);
  EXPECT_EQ(binding.SlotName(), SLocalBinding);
  EXPECT_EQ(binding.SubIdx(), NoSubIndex);
  EXPECT_EQ(binding.Value(), five.get());
  EXPECT_EQ(binding.ToString(), "name=x value=5 FactIdx=-2 SlotIdx=__LOCAL");
}

TEST(TBindingTest, PatternBindingHasNoValueAndPrintsItsSubIndex) {
  TBinding binding("y", 1, "tags", 3);
  EXPECT_EQ(binding.Value(), nullptr);
  EXPECT_EQ(binding.ToString(), "name=y FactIdx=1 SlotIdx=tags SubIdx=3");
}

TEST(TBindingTest, EqualWhenNamePlaceAndValueAgree) {
  Ref<IIEValue> five = NewInteger(5);
  Ref<IIEValue> another_five = NewInteger(5);
  Ref<IIEValue> six = NewInteger(6);
  TBinding binding("x", five.get());
  TBinding same("x", another_five.get());
  TBinding other_value("x", six.get());
  TBinding other_name("z", five.get());
  TBinding no_value("x", LocalBindingIndex, SLocalBinding, NoSubIndex);
  TBindingInfo bare(LocalBindingIndex, SLocalBinding, NoSubIndex);
  EXPECT_TRUE(binding.Equals(&same));
  EXPECT_FALSE(binding.Equals(&other_value));
  EXPECT_FALSE(binding.Equals(&other_name));
  EXPECT_FALSE(binding.Equals(&no_value));
  EXPECT_FALSE(binding.Equals(&bare));
  EXPECT_TRUE(no_value.Equals(&no_value));
  // A binding is a place too: a bare place with the same coordinates accepts it.
  EXPECT_TRUE(bare.Equals(&binding));
}

TEST(TBindingsTest, PuttingATakenNameReplacesTheOldBindingAndReportsBoth) {
  RecordingContext context;
  Ref<IIEValue> one = NewInteger(1);
  Ref<IIEValue> two = NewInteger(2);
  context.Bindings().Put(std::make_unique<TBinding>("x", one.get()));
  TBinding* second = context.Bindings().Put(std::make_unique<TBinding>("x", two.get()));
  EXPECT_EQ(context.Bindings().Count(), 1);
  EXPECT_EQ(context.Bindings().Get("x"), second);
  EXPECT_EQ(context.GetVariable("x"), two.get());
  EXPECT_EQ(context.log, (std::vector<std::string>{"added x", "deleted x", "added x"}));
}

TEST(TBindingsTest, RemovingAndClearingReportToTheContext) {
  RecordingContext context;
  Ref<IIEValue> one = NewInteger(1);
  context.Bindings().Put(std::make_unique<TBinding>("x", one.get()));
  context.Bindings().Put(std::make_unique<TBinding>("y", one.get()));
  EXPECT_TRUE(context.Bindings().Remove("x"));
  EXPECT_FALSE(context.Bindings().Remove("x"));
  context.Bindings().Clear();
  EXPECT_EQ(context.Bindings().Count(), 0);
  EXPECT_EQ(context.log, (std::vector<std::string>{"added x", "added y", "deleted x", "cleared"}));
}

// ---------------------------------------------------------------- scopes

TEST(TIEContextScopeTest, RootBindingIsVisibleFromPushedContextsUntilHiddenLocally) {
  TestEngine engine;
  TIEContext* root = engine.GetContext();
  Ref<IIEValue> global = NewAtom("global");
  Ref<IIEValue> local = NewAtom("local");
  root->AddBinding("x", global.get());
  auto child = root->Push();
  auto grandchild = child->Push();
  EXPECT_EQ(grandchild->GetVariable("x"), global.get());

  child->AddLocalBinding("x", local.get());
  EXPECT_EQ(child->GetVariable("x"), local.get());
  EXPECT_EQ(grandchild->GetVariable("x"), local.get());
  EXPECT_EQ(root->GetVariable("x"), global.get());
  EXPECT_EQ(grandchild->FindGlobalBinding("x")->Value(), global.get());
}

TEST(TIEContextScopeTest, SetVariableOfANameBoundOnlyInTheParentChangesTheParent) {
  TestEngine engine;
  TIEContext* root = engine.GetContext();
  Ref<IIEValue> one = NewInteger(1);
  Ref<IIEValue> two = NewInteger(2);
  root->AddBinding("x", one.get());
  auto child = root->Push();
  child->SetVariable("x", two.get());
  EXPECT_EQ(root->GetVariable("x"), two.get());
  EXPECT_EQ(child->Bindings().Count(), 0);
}

TEST(TIEContextScopeTest, SetVariableChangesTheOwnBindingAndBindsUnknownNamesHere) {
  TestEngine engine;
  TIEContext* root = engine.GetContext();
  Ref<IIEValue> one = NewInteger(1);
  Ref<IIEValue> two = NewInteger(2);
  Ref<IIEValue> three = NewInteger(3);
  root->AddBinding("x", one.get());
  auto child = root->Push();
  child->AddLocalBinding("x", two.get());
  child->SetVariable("x", three.get());
  EXPECT_EQ(child->GetVariable("x"), three.get());
  EXPECT_EQ(root->GetVariable("x"), one.get());

  child->SetVariable("fresh", one.get());
  EXPECT_EQ(child->Bindings().Get("fresh")->Value(), one.get());
  EXPECT_EQ(root->FindBinding("fresh"), nullptr);
}

TEST(TIEContextScopeTest, AddBindingChangesTheNearestBindingOrBindsLocally) {
  TestEngine engine;
  TIEContext* root = engine.GetContext();
  Ref<IIEValue> one = NewInteger(1);
  Ref<IIEValue> two = NewInteger(2);
  root->AddBinding("x", one.get());
  auto child = root->Push();
  TBinding* changed = child->AddBinding("x", two.get());
  EXPECT_EQ(changed, root->Bindings().Get("x"));
  EXPECT_EQ(root->GetVariable("x"), two.get());

  TBinding* made = child->AddBinding("y", one.get());
  EXPECT_EQ(made, child->Bindings().Get("y"));
  EXPECT_EQ(made->FactIdx(), LocalBindingIndex);
  EXPECT_EQ(root->FindBinding("y"), nullptr);
}

TEST(TIEContextScopeTest, AddGlobalBindingWritesTheRootFromAnyDepth) {
  TestEngine engine;
  TIEContext* root = engine.GetContext();
  Ref<IIEValue> one = NewInteger(1);
  Ref<IIEValue> two = NewInteger(2);
  auto child = root->Push();
  auto grandchild = child->Push();
  grandchild->AddLocalBinding("g", one.get());
  grandchild->AddGlobalBinding("g", one.get());
  EXPECT_EQ(root->GetVariable("g"), one.get());
  TBinding* global = root->Bindings().Get("g");
  EXPECT_EQ(grandchild->AddGlobalBinding("g", two.get()), global);
  EXPECT_EQ(root->GetVariable("g"), two.get());
  EXPECT_EQ(grandchild->GetVariable("g"), one.get());  // still hidden by the local one
}

TEST(TIEContextScopeTest, PatternBindingReplacesTheBindingUpTheChainByOneHere) {
  TestEngine engine;
  TIEContext* root = engine.GetContext();
  Ref<IIEValue> one = NewInteger(1);
  root->AddBinding("x", one.get());
  auto child = root->Push();
  TBinding* b = child->AddBinding("x", 0, "tags", 1);
  EXPECT_EQ(root->FindBinding("x"), nullptr);
  EXPECT_EQ(child->FindBinding("x"), b);
  EXPECT_EQ(b->FactIdx(), 0);
  EXPECT_EQ(b->SlotName(), "tags");
  EXPECT_EQ(b->SubIdx(), 1);
  EXPECT_EQ(b->Value(), nullptr);
}

TEST(TIEContextScopeTest, UnknownVariableRaisesWithItsName) {
  TestEngine engine;
  auto child = engine.GetContext()->Push();
  ExpectIEError([&] { child->GetVariable("nowhere"); }, Format(SUnknownVariable, {"nowhere"}));
  EXPECT_EQ(child->FindBindingValue("nowhere"), nullptr);
}

// ---------------------------------------------------------------- return values

TEST(TIEContextReturnTest, PopHandsTheReturnValueToTheParent) {
  TestEngine engine;
  TIEContext* root = engine.GetContext();
  Ref<IIEValue> seven = NewInteger(7);
  auto child = root->Push();
  child->SetReturnValue(seven.get());
  EXPECT_TRUE(child->ReturnSet());
  EXPECT_EQ(child->Pop(), root);
  EXPECT_TRUE(root->ReturnSet());
  EXPECT_EQ(root->ReturnValue(), seven.get());
  root->ClearReturnValue();
  EXPECT_FALSE(root->ReturnSet());
}

TEST(TIEContextReturnTest, PopOfTheRootReturnsTheRoot) {
  TestEngine engine;
  TIEContext* root = engine.GetContext();
  EXPECT_EQ(root->Pop(), root);
}

TEST(TIEContextReturnTest, ClearRemovesBindingsAndTheReturnFlag) {
  TestEngine engine;
  auto context = engine.GetContext()->Push();
  Ref<IIEValue> one = NewInteger(1);
  context->AddLocalBinding("x", one.get());
  context->SetReturnValue(one.get());
  context->Clear();
  EXPECT_EQ(context->Bindings().Count(), 0);
  EXPECT_FALSE(context->ReturnSet());
}

TEST(TIEContextReturnTest, AssignCopiesTheReturnValueButNotTheBindings) {
  TestEngine engine;
  auto source = engine.GetContext()->Push();
  auto target = engine.GetContext()->Push();
  Ref<IIEValue> value = NewAtom("done");
  source->AddLocalBinding("x", value.get());
  source->SetReturnValue(value.get());
  target->Assign(*source);
  EXPECT_TRUE(target->ReturnSet());
  ASSERT_NE(target->ReturnValue(), nullptr);
  EXPECT_NE(target->ReturnValue(), value.get());
  EXPECT_TRUE(target->ReturnValue()->Equals(value.get()));
  EXPECT_EQ(target->Bindings().Count(), 0);
}

// ---------------------------------------------------------------- binding references

TEST(TIEContextResolveTest, FactAddressBindingYieldsANewFactIdEachTime) {
  TestEngine engine;
  ItemFacts items;
  auto context = engine.GetContext()->Push();
  context->SetToken(Ref<IReteToken>(new FakeToken({items.Make("a", 40)})).get());
  Ref<IIEValue> place = Place(0, SPatternBinding, NoSubIndex);
  Ref<IIEValue> first = place->Resolve(context.get());
  Ref<IIEValue> second = place->Resolve(context.get());
  EXPECT_EQ(first->GetDType(), dtFactId);
  EXPECT_EQ(first->GetAsFactId(), 40);
  EXPECT_NE(first.get(), second.get());
  EXPECT_TRUE(first->Equals(second.get()));
}

TEST(TIEContextResolveTest, SlotAndElementReferencesReadTheTokenFacts) {
  TestEngine engine;
  ItemFacts items;
  Ref<IFact> a = items.Make("a", 1);
  Ref<IFact> b = items.Make("b", 2);
  auto context = engine.GetContext()->Push();
  context->SetToken(Ref<IReteToken>(new FakeToken({a, b})).get());
  // The whole slot is the fact's own value object.
  EXPECT_EQ(Place(1, "name", NoSubIndex)->Resolve(context.get()).get(), b->GetValue("name"));
  EXPECT_EQ(Place(0, "tags", 1)->Resolve(context.get())->GetAsAtom(), "a-1");
  EXPECT_EQ(Place(1, "tags", 0)->Resolve(context.get())->GetAsAtom(), "b-0");
}

TEST(TIEContextResolveTest, TheFactBeingMatchedStandsAfterTheTokenFacts) {
  TestEngine engine;
  ItemFacts items;
  Ref<IFact> a = items.Make("a", 1);
  Ref<IFact> matched = items.Make("m", 9);
  auto context = engine.GetContext()->Push();
  context->SetToken(Ref<IReteToken>(new FakeToken({a})).get());
  context->SetFact(matched.get());
  EXPECT_EQ(Place(1, "name", NoSubIndex)->Resolve(context.get())->GetAsAtom(), "m");
  EXPECT_EQ(Place(0, "name", NoSubIndex)->Resolve(context.get())->GetAsAtom(), "a");
  EXPECT_EQ(Place(1, SPatternBinding, NoSubIndex)->Resolve(context.get())->GetAsFactId(), 9);

  // Without a token the fact being matched is the first one.
  auto bare = engine.GetContext()->Push();
  bare->SetFact(matched.get());
  EXPECT_EQ(Place(0, "tags", 0)->Resolve(bare.get())->GetAsAtom(), "m-0");
}

TEST(TIEContextResolveTest, ReferenceToAMissingFactRaisesCorruptedBinding) {
  TestEngine engine;
  ItemFacts items;
  auto context = engine.GetContext()->Push();
  context->SetToken(Ref<IReteToken>(new FakeToken({items.Make("a", 1)})).get());
  TBindingInfo info(3, "name", NoSubIndex);
  ExpectIEError([&] { Place(3, "name", NoSubIndex)->Resolve(context.get()); },
                Format(SCorruptedVariable, {info.ToString()}));
}

// ---------------------------------------------------------------- lists

TEST(TIEContextListTest, ExpandListSplicesAVariableBoundToAListIntoOneFlatList) {
  TestEngine engine;
  auto context = engine.GetContext()->Push();
  Ref<IIEValue> bound = ListOf({NewAtom("b").get(), ListOf({NewAtom("c").get()}).get()});
  context->AddLocalBinding("rest", bound.get());
  Ref<IIEValue> list = ListOf({NewAtom("a").get(), NewVariable("rest").get(), NewInteger(4).get()});
  Ref<TValueVector> out = context->ExpandList(list->GetAsList());
  EXPECT_EQ(Texts(out.get()), (Strings{"a", "b", "c", "4"}));
  // The source list is left as it was.
  EXPECT_EQ(list->GetAsList()->GetValueCount(), 3);
}

TEST(TIEContextListTest, ExpandListPassesResolutionErrorsThrough) {
  TestEngine engine;
  auto context = engine.GetContext()->Push();
  Ref<IIEValue> list = ListOf({NewVariable("nobody").get()});
  ExpectIEError([&] { context->ExpandList(list->GetAsList()); },
                Format(SCorruptedVariable, {"nobody"}));
}

TEST(TIEContextListTest, FlattenListSplicesNestedListsWithoutResolving) {
  Ref<IIEValue> variable = NewVariable("x");
  Ref<IIEValue> list = ListOf({NewAtom("a").get(),
                               ListOf({variable.get(), ListOf({NewInteger(3).get()}).get()}).get(),
                               NewAtom("z").get()});
  Ref<TValueVector> out = TIEContext::FlattenList(list->GetAsList());
  ASSERT_EQ(out->GetValueCount(), 4);
  EXPECT_EQ(out->Get(1), variable.get());
  EXPECT_EQ(out->Get(2)->GetAsInteger(), 3);
  EXPECT_EQ(Texts(out.get()), (Strings{"a", "?x", "3", "z"}));
}

// ---------------------------------------------------------------- resolving facts

TEST(TIEContextFactTest, ResolveReplacesVariablesByCopiesOfTheirValues) {
  TestEngine engine;
  ItemFacts items;
  auto context = engine.GetContext()->Push();
  Ref<IIEValue> bound = NewAtom("lamp");
  context->AddLocalBinding("n", bound.get());
  Ref<IFact> fact = items.tmpl->NewFact();
  fact->SetValue("name", NewVariable("n").get());
  EXPECT_EQ(context->Resolve(fact.get()), fact.get());
  IIEValue* stored = fact->GetValue("name");
  EXPECT_NE(stored, bound.get());
  EXPECT_EQ(stored->GetAsAtom(), "lamp");
  // Changing the fact's value in place leaves the variable alone.
  stored->SetAsAtom("desk");
  EXPECT_EQ(bound->GetAsAtom(), "lamp");
}

TEST(TIEContextFactTest, ResolveExpandsListsInPlace) {
  TestEngine engine;
  ItemFacts items;
  auto context = engine.GetContext()->Push();
  Ref<IIEValue> rest = ListOf({NewAtom("y").get(), NewAtom("z").get()});
  context->AddLocalBinding("rest", rest.get());
  Ref<IFact> fact = items.tmpl->NewFact();
  Ref<IIEValue> tags = ListOf({NewAtom("x").get(), NewVariable("rest").get()});
  fact->SetValue("tags", tags.get());
  context->Resolve(fact.get());
  EXPECT_EQ(fact->GetValue("tags"), tags.get());
  EXPECT_EQ(Texts(tags->GetAsList()), (Strings{"x", "y", "z"}));
  EXPECT_EQ(Texts(rest->GetAsList()), (Strings{"y", "z"}));
}

TEST(TIEContextFactTest, ResolveOfTheSharedEmptyListLeavesTheConstantAlone) {
  TestEngine engine;
  ItemFacts items;
  auto context = engine.GetContext()->Push();
  Ref<IFact> fact = items.tmpl->NewFact();
  fact->SetValue("tags", FCNilList);
  context->Resolve(fact.get());
  EXPECT_EQ(fact->GetValue("tags")->GetDType(), dtList);
  EXPECT_EQ(fact->GetValue("tags")->GetAsList()->GetValueCount(), 0);
  EXPECT_EQ(FCNilList->GetAsList()->GetValueCount(), 0);
}

TEST(TIEContextFactTest, ResolvePassesUnknownVariablesThrough) {
  TestEngine engine;
  ItemFacts items;
  auto context = engine.GetContext()->Push();
  Ref<IFact> fact = items.tmpl->NewFact();
  fact->SetValue("name", NewVariable("ghost").get());
  ExpectIEError([&] { context->Resolve(fact.get()); }, Format(SCorruptedVariable, {"ghost"}));
}

TEST(TIEContextFactTest, FuzzySlotValueIsEvaluatedByTheEngine) {
  TestEngine engine;
  Ref<TFactTemplate> tmpl(new TFactTemplate(nullptr, "climate"));
  tmpl->AddSlot("temperature", NewAtom("none").get())->SetSlotType(TIETypes{dtFuzzy});
  ASSERT_TRUE(tmpl->IsFuzzy());
  Ref<IFact> fact = tmpl->NewFact();
  fact->SetValue("temperature", NewAtom("hot").get());
  auto context = engine.GetContext()->Push();
  // The test engine has no fuzzy library: its refusal shows the value went there.
  ExpectIEError([&] { context->Resolve(fact.get()); }, SFuzzyUnavailable);

  auto without_engine = std::make_unique<TIEContext>(nullptr, nullptr);
  ExpectIEError([&] { without_engine->Resolve(fact.get()); }, SUnknownEngine);
}

}  // namespace
}  // namespace rulecore
