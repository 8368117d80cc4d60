// rulecore: an embeddable expert-system shell.
// Fact templates and slots: kinds, defaults, validity, naming, slot tables, copying and printing.
#include "facts/fact_template.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/defined_type.h"
#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "core/value_vector.h"
#include "facts/fact.h"
#include "functions/function_call.h"
#include "platform/format.h"
#include "support/test_engine.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

// The text the test engine raises for every attempt to read rule-language text.
constexpr const char* kEngineReadsNoText = "The test engine reads no rule-language text: %s";

Ref<IIEValue> ListOf(std::initializer_list<Ref<IIEValue>> items) {
  Ref<TValueVector> v(new TValueVector);
  for (const auto& item : items)
    v->Add(item.get());
  return NewList(v.get());
}

Ref<TFactTemplate> NewTemplate(const std::string& name, TComponent* owner = nullptr) {
  return Ref<TFactTemplate>(new TFactTemplate(owner, name));
}

Ref<TIEDefinedType> ColorType() {
  Ref<TIEDefinedType> t(new TIEDefinedType);
  t->SetName("color");
  t->SetBaseTypes({dtAtom});
  t->AddConstraint(NewAtom("red").get());
  t->AddConstraint(NewAtom("green").get());
  return t;
}

const TIETypes kMultiSlotKinds = IESlotTypes | IEMultiSlotTypes;

// Templates owned by a test engine, which outlives them.
class EngineTemplateTest : public ::testing::Test {
 protected:
  Ref<TFactTemplate> EngineTemplate(const std::string& name) {
    Ref<TFactTemplate> t = NewTemplate(name, engine_.get());
    engine_->AddTemplate(t.get());
    return t;
  }
  void DynamicChecks(bool on) {
    engine_->SetTypeChecks(on ? TTypeChecks{tcStatic, tcDynamic} : TTypeChecks{tcStatic});
  }

  std::unique_ptr<TestEngine> engine_ = std::make_unique<TestEngine>();
};

// ================================================================ slot kinds and defaults

TEST(TFactSlotTest, DefaultIsMadeForTheFirstAcceptedKindInAFixedOrder) {
  struct Case {
    TIETypes kinds;
    TIEType kind;
    std::string text;
  };
  const std::vector<Case> cases = {
      {{dtInteger, dtFloat}, dtInteger, "0"},
      {{dtFloat}, dtFloat, "0.0000"},
      {{dtInteger, dtString}, dtString, "\"\""},
      {{dtString, dtAtom}, dtAtom, ""},
      {{dtFactId, dtFact}, dtFactId, "<Fact-0>"},
      {{dtFact}, dtFact, ""},
      {{dtSingletons}, dtNone, ""},
  };
  for (const Case& c : cases) {
    Ref<TFactSlot> slot(new TFactSlot);
    slot->SetSlotType(c.kinds);
    ASSERT_NE(slot->GetSlotDefault(), nullptr) << c.text;
    EXPECT_EQ(slot->GetSlotDefault()->GetDType(), c.kind) << SetToString(c.kinds);
    EXPECT_EQ(slot->GetSlotDefault()->GetToString(), c.text) << SetToString(c.kinds);
  }
  Ref<TFactSlot> fuzzy(new TFactSlot);
  fuzzy->SetSlotType({dtFuzzy});
  EXPECT_EQ(fuzzy->GetSlotDefault(), FCNil);
  EXPECT_TRUE(fuzzy->IsFuzzy());
}

TEST(TFactSlotTest, MultislotDefaultIsAFreshEmptyListNeverTheSharedConstant) {
  Ref<TFactSlot> a(new TFactSlot);
  Ref<TFactSlot> b(new TFactSlot);
  a->SetSlotType(kMultiSlotKinds);
  b->SetSlotType(kMultiSlotKinds);
  IIEValue* da = a->GetSlotDefault();
  ASSERT_EQ(da->GetDType(), dtList);
  EXPECT_EQ(da->GetAsList()->GetValueCount(), 0);
  EXPECT_NE(da, FCNilList);
  EXPECT_NE(da->GetAsList(), FCNilList->GetAsList());
  EXPECT_NE(da->GetAsList(), b->GetSlotDefault()->GetAsList());
  da->GetAsList()->Add(NewAtom("x").get());
  EXPECT_EQ(FCNilList->GetAsList()->GetValueCount(), 0);
  EXPECT_EQ(b->GetSlotDefault()->GetAsList()->GetValueCount(), 0);
}

TEST(TFactSlotTest, FuzzyCannotBeMixedWithOtherSingleFieldKinds) {
  Ref<TFactSlot> slot(new TFactSlot);
  slot->SetSlotType({dtAtom});
  EXPECT_EQ(ErrorOf([&] { slot->SetSlotType({dtFuzzy, dtAtom}); }), SCannotMixFuzzy);
  EXPECT_TRUE(slot->GetSlotType() == TIETypes{dtAtom});

  slot->SetSlotType({dtFuzzy, dtList, dtMultiSlot});
  EXPECT_TRUE(slot->IsFuzzy());
  ASSERT_EQ(slot->GetSlotDefault()->GetDType(), dtList);
  EXPECT_EQ(slot->GetSlotDefault()->GetAsList()->GetValueCount(), 0);
}

TEST(TFactSlotTest, ChangingKindsReplacesOnlyADefaultTheNewKindsRefuse) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* slot = t->AddSlot("x", NewInteger(5).get());
  IIEValue* five = slot->GetSlotDefault();

  slot->SetSlotType({dtInteger, dtFloat});
  EXPECT_EQ(slot->GetSlotDefault(), five);

  slot->SetSlotType({dtAtom});
  EXPECT_EQ(slot->GetSlotDefault()->GetDType(), dtAtom);
  EXPECT_EQ(slot->GetSlotDefault()->GetToString(), "");
}

// ================================================================ slot names

TEST(TFactSlotTest, NamesWithForbiddenCharactersAreRefused) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* slot = t->AddSlot("x", NewInteger(1).get());
  for (char c : std::string(SInvalidNameCharacters)) {
    std::string name = std::string("a") + c + "b";
    EXPECT_EQ(ErrorOf([&] { slot->SetName(name); }), Format(SInvalidName, {name})) << name;
  }
  EXPECT_EQ(slot->GetName(), "x");
  EXPECT_EQ(t->GetSlotNames(), std::vector<std::string>{"x"});
}

TEST(TFactSlotTest, RenamingMovesTheSlotToItsNewNameInTheTemplate) {
  Ref<TFactTemplate> t = NewTemplate("t");
  t->AddSlot("a", NewInteger(1).get());
  IFactSlot* b = t->AddSlot("b", NewInteger(2).get());
  b->SetName("Z");
  EXPECT_FALSE(t->ContainsSlot("b"));
  EXPECT_EQ(t->GetSlot("Z"), b);
  EXPECT_EQ(t->GetSlotCount(), 2);
  EXPECT_EQ(t->GetSlotNames(), (std::vector<std::string>{"a", "Z"}));
  EXPECT_EQ(b->GetTemplateName(), "t");
}

TEST(TFactSlotTest, RenamingOntoAnotherSlotsNameReplacesThatSlot) {
  Ref<TFactTemplate> t = NewTemplate("t");
  Ref<IFactSlot> a(t->AddSlot("a", NewInteger(1).get()));
  IFactSlot* b = t->AddSlot("b", NewInteger(2).get());
  b->SetName("a");
  EXPECT_EQ(t->GetSlotCount(), 1);
  EXPECT_EQ(t->GetSlot("a"), b);
  EXPECT_EQ(t->GetSlotNames(), std::vector<std::string>{"a"});
  // The displaced slot no longer belongs to the template.
  EXPECT_EQ(a->GetTemplateName(), "");
  Ref<IFact> fact = t->NewFact();
  EXPECT_EQ(fact->GetValue("a")->GetAsInteger(), 2);
}

TEST(TFactSlotTest, RenamingACopyOfASlotLeavesTheOriginalInPlace) {
  Ref<TFactTemplate> t = NewTemplate("t");
  auto* x = static_cast<TFactSlot*>(t->AddSlot("x", NewInteger(1).get()));
  Ref<IFactSlot> copy = x->CloneSlot();
  EXPECT_EQ(t->GetSlotCount(), 1);
  copy->SetName("y");
  EXPECT_EQ(t->GetSlot("x"), static_cast<IFactSlot*>(x));
  EXPECT_EQ(t->GetSlot("y"), copy.get());
  EXPECT_EQ(t->GetSlotNames(), (std::vector<std::string>{"x", "y"}));
}

// ================================================================ defined types

TEST(TFactSlotTest, DefinedTypeDecidesKindsDefaultAndValidity) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* paint = t->AddSlot("paint", NewAtom("blue").get());
  Ref<TIEDefinedType> color = ColorType();
  paint->SetExtendedTypeInfo(color.get());
  EXPECT_EQ(paint->GetExtendedTypeInfo(), color.get());
  EXPECT_TRUE(paint->GetSlotType() == TIETypes{dtAtom});
  EXPECT_EQ(paint->GetSlotDefault()->GetToString(), "red");
  EXPECT_TRUE(paint->IsValid(NewAtom("green").get()));
  Ref<IIEValue> blue = NewAtom("blue");
  EXPECT_FALSE(paint->IsValid(blue.get()));
  EXPECT_EQ(
      paint->GetInvalidValueString(blue.get()),
      Format(SInvalidSlotValue, {Format(SInvalidValue, {"blue", SNotAllowedValue}), "paint"}));
  EXPECT_EQ(paint->GetInvalidValueString(NewAtom("red").get()), "");
}

TEST(TFactSlotTest, DataSlotWithADefinedTypeStaysAMultislot) {
  Ref<TFactTemplate> t = NewTemplate("colors");
  IFactSlot* data = t->AddMultiSlot(SDefaultSlotName, NewEmptyList().get());
  Ref<TIEDefinedType> color = ColorType();
  data->SetExtendedTypeInfo(color.get());
  EXPECT_TRUE(data->GetSlotType() == (TIETypes{dtAtom} | IEMultiSlotTypes));
  ASSERT_EQ(data->GetSlotDefault()->GetDType(), dtList);
  EXPECT_TRUE(t->IsOrdered());
}

TEST(TFactSlotTest, ImplicitDefinedTypeFollowsTheSlotsKinds) {
  Ref<TFactSlot> slot(new TFactSlot);
  Ref<TIEDefinedType> implicit(new TIEDefinedType);
  implicit->SetImplicit(true);
  slot->SetExtendedTypeInfo(implicit.get());
  slot->SetSlotType({dtInteger, dtFloat});
  EXPECT_TRUE(implicit->GetBaseTypes() == (TIETypes{dtInteger, dtFloat}));

  Ref<TIEDefinedType> named = ColorType();
  slot->SetExtendedTypeInfo(named.get());
  slot->SetSlotType({dtAtom, dtString});
  EXPECT_TRUE(named->GetBaseTypes() == TIETypes{dtAtom});
}

// ================================================================ slot defaults

TEST(TFactSlotTest, DefaultIsStoredAsACopyButSharedConstantsAsThemselves) {
  Ref<TFactSlot> slot(new TFactSlot);
  slot->SetSlotType(IESlotTypes);
  Ref<IIEValue> value = NewInteger(4);
  slot->SetSlotDefault(value.get());
  EXPECT_NE(slot->GetSlotDefault(), value.get());
  EXPECT_TRUE(slot->GetSlotDefault()->Equals(value.get()));
  value->SetAsInteger(5);
  EXPECT_EQ(slot->GetSlotDefault()->GetAsInteger(), 4);

  slot->SetSlotDefault(FCTrue);
  EXPECT_EQ(slot->GetSlotDefault(), FCTrue);
}

TEST(TFactSlotTest, ListDefaultGetsAListOfItsOwn) {
  Ref<TFactTemplate> t = NewTemplate("t");
  Ref<IIEValue> list = ListOf({NewAtom("a")});
  IFactSlot* tags = t->AddMultiSlot("tags", list.get());
  list->GetAsList()->Add(NewAtom("b").get());
  EXPECT_EQ(tags->GetSlotDefault()->GetToString(), "a ");
}

TEST(TFactSlotTest, FunctionCallDefaultGetsACallOfItsOwn) {
  Ref<TFactTemplate> t = NewTemplate("t");
  Ref<TFunctionCall> call(new TFunctionCall(nullptr, "gensym"));
  Ref<IIEValue> value(new TIEValue(static_cast<IFunCall*>(call.get())));
  IFactSlot* slot = t->AddSlot("id", value.get());
  IFunCall* stored = slot->GetSlotDefault()->GetAsFunCall();
  ASSERT_NE(stored, nullptr);
  EXPECT_NE(stored, static_cast<IFunCall*>(call.get()));
  EXPECT_EQ(stored->GetName(), "gensym");
  call->AddArgument(NewInteger(1).get());
  EXPECT_EQ(stored->GetArgumentCount(), 0);
}

TEST_F(EngineTemplateTest, InvalidDefaultIsRefusedUnderDynamicChecks) {
  DynamicChecks(true);
  Ref<TFactTemplate> t = EngineTemplate("t");
  IFactSlot* count = t->AddSlot("count", NewInteger(3).get());
  count->SetSlotType({dtInteger});
  EXPECT_EQ(ErrorOf([&] { count->SetSlotDefault(NewAtom("many").get()); }),
            Format(SInvalidSlotDefault, {"many"}));
  EXPECT_EQ(count->GetSlotDefault()->GetAsInteger(), 3);
}

TEST_F(EngineTemplateTest, InvalidDefaultIsAcceptedSilentlyWithoutDynamicChecks) {
  DynamicChecks(false);
  Ref<TFactTemplate> t = EngineTemplate("t");
  IFactSlot* count = t->AddSlot("count", NewInteger(3).get());
  count->SetSlotType({dtInteger});
  count->SetSlotDefault(NewAtom("many").get());
  EXPECT_EQ(count->GetSlotDefault()->GetToString(), "many");
}

TEST_F(EngineTemplateTest, DefaultChangedInPlaceIsCheckedUnderDynamicChecks) {
  DynamicChecks(true);
  Ref<TFactTemplate> t = EngineTemplate("t");
  IFactSlot* count = t->AddSlot("count", NewInteger(3).get());
  count->SetSlotType({dtInteger});
  EXPECT_EQ(ErrorOf([&] { count->GetSlotDefault()->SetAsAtom("many"); }),
            Format(SInvalidValue, {"many", "count"}));
  EXPECT_EQ(ErrorOf([&] { count->GetSlotDefault()->SetAsInteger(7); }), "");

  DynamicChecks(false);
  EXPECT_EQ(ErrorOf([&] { count->GetSlotDefault()->SetAsAtom("many"); }), "");
}

// ================================================================ validity

TEST(TFactSlotTest, SharedEmptyValuesAreValidForTheMatchingSlotShape) {
  Ref<TFactSlot> single(new TFactSlot);
  Ref<TFactSlot> multi(new TFactSlot);
  single->SetSlotType({dtInteger});
  multi->SetSlotType({dtInteger, dtList, dtMultiSlot});
  EXPECT_TRUE(single->IsValid(nullptr));
  EXPECT_TRUE(single->IsValid(FCNil));
  EXPECT_FALSE(single->IsValid(FCNilList));
  EXPECT_TRUE(multi->IsValid(FCNilList));
  EXPECT_FALSE(multi->IsValid(FCNil));
}

TEST(TFactSlotTest, VariablesAndFunctionCallsAreValidForAnySlot) {
  Ref<TFactSlot> slot(new TFactSlot);
  slot->SetSlotType({dtInteger});
  Ref<TFunctionCall> call(new TFunctionCall(nullptr, "+"));
  Ref<IIEValue> value_of_call(new TIEValue(static_cast<IFunCall*>(call.get())));
  Ref<IIEValue> rest(new TIEValue(std::string_view("rest"), dtMultiVariable));
  EXPECT_TRUE(slot->IsValid(value_of_call.get()));
  EXPECT_TRUE(slot->IsValid(NewVariable("x").get()));
  EXPECT_TRUE(slot->IsValid(rest.get()));
  EXPECT_EQ(slot->GetInvalidValueString(NewVariable("x").get()), "");
  EXPECT_FALSE(slot->IsValid(NewAtom("x").get()));
}

TEST(TFactSlotTest, ListIsValidOnlyWhenEveryElementIsAccepted) {
  Ref<TFactSlot> nums(new TFactSlot);
  nums->SetSlotType({dtInteger, dtList, dtMultiSlot});
  EXPECT_TRUE(nums->IsValid(ListOf({NewInteger(1), NewVariable("x")}).get()));
  EXPECT_FALSE(nums->IsValid(ListOf({NewInteger(1), NewAtom("a")}).get()));
}

TEST(TFactSlotTest, RefusalExplainsTheAcceptedKindsInUpperCase) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* color = t->AddSlot("color", NewAtom("red").get());
  color->SetSlotType({dtAtom, dtString});
  Ref<IIEValue> five = NewInteger(5);
  EXPECT_FALSE(color->IsValid(five.get()));
  EXPECT_EQ(color->GetInvalidValueString(five.get()),
            "Not a ATOM, STRING type.  Value (5) is a dtInteger type for color slot");
  EXPECT_EQ(color->GetInvalidValueString(five.get()),
            Format(SInvalidSlotValue,
                   {Format(SNotCorrectType, {"ATOM, STRING", "5", "dtInteger"}), "color"}));
}

TEST(TFactSlotTest, RefusedListNamesTheFirstRefusedElement) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* nums = t->AddMultiSlot("nums", NewEmptyList().get());
  nums->SetSlotType({dtInteger, dtList, dtMultiSlot});
  Ref<IIEValue> list = ListOf({NewInteger(1), NewAtom("a"), NewString("s")});
  EXPECT_EQ(
      nums->GetInvalidValueString(list.get()),
      Format(SInvalidSlotValue,
             {Format(SNotCorrectType, {"INTEGER, LIST, MULTISLOT", "1 a \"s\" ", "dtAtom (a)"}),
              "nums"}));
}

// ================================================================ slot equality and copying

TEST(TFactSlotTest, SlotsAreEqualWithTheSameNameKindsAndAnEqStarDefault) {
  Ref<TFactTemplate> a = NewTemplate("a");
  Ref<TFactTemplate> b = NewTemplate("b");
  IFactSlot* x = a->AddSlot("x", NewInteger(1).get());
  IFactSlot* y = b->AddSlot("x", NewFloat(1.0).get());
  EXPECT_TRUE(x->Equals(y));
  y->SetSlotDefault(NewInteger(2).get());
  EXPECT_FALSE(x->Equals(y));
  y->SetSlotDefault(NewInteger(1).get());
  y->SetSlotType({dtInteger});
  EXPECT_FALSE(x->Equals(y));
  IFactSlot* other = b->AddSlot("X", NewInteger(1).get());
  EXPECT_FALSE(x->Equals(other));
}

TEST(TFactSlotTest, AssignCopiesNameFlagsTypeAndDefault) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* source = t->AddSlot("paint", NewAtom("green").get());
  Ref<TIEDefinedType> color = ColorType();
  source->SetExtendedTypeInfo(color.get());
  source->SetSlotDefault(NewAtom("green").get());
  source->SetDefaultDynamic(true);
  source->SetTag(9);

  Ref<TFactSlot> copy(new TFactSlot);
  copy->Assign(static_cast<IInterface*>(source));
  EXPECT_EQ(copy->GetName(), "paint");
  EXPECT_TRUE(copy->GetDefaultDynamic());
  EXPECT_EQ(copy->GetTag(), 9);
  EXPECT_EQ(copy->GetExtendedTypeInfo(), color.get());
  EXPECT_TRUE(copy->GetSlotType() == TIETypes{dtAtom});
  EXPECT_NE(copy->GetSlotDefault(), source->GetSlotDefault());
  EXPECT_EQ(copy->GetSlotDefault()->GetToString(), "green");
  EXPECT_TRUE(copy->Equals(source));
}

// ================================================================ templates: slots

TEST(TFactTemplateTest, NameGivenAtConstructionIsNotChecked) {
  Ref<TFactTemplate> t = NewTemplate("odd (name)");
  EXPECT_EQ(t->GetTemplateName(), "odd (name)");
  EXPECT_EQ(t->GetSlotCount(), 0);
  EXPECT_FALSE(t->IsOrdered());
  EXPECT_FALSE(t->IsBackwardChaining());
  EXPECT_EQ(t->GetOwner(), nullptr);
}

TEST(TFactTemplateTest, AddSlotCreatesASingleSlotAcceptingEverySlotKind) {
  Ref<TFactTemplate> t = NewTemplate("t");
  Ref<IIEValue> d = NewAtom("red");
  IFactSlot* slot = t->AddSlot("color", d.get());
  EXPECT_EQ(t->GetSlot("color"), slot);
  EXPECT_EQ(slot->GetName(), "color");
  EXPECT_EQ(slot->GetTemplateName(), "t");
  EXPECT_TRUE(slot->GetSlotType() == IESlotTypes);
  EXPECT_NE(slot->GetSlotDefault(), d.get());
  EXPECT_EQ(slot->GetSlotDefault()->GetToString(), "red");

  IFactSlot* tags = t->AddMultiSlot("tags", ListOf({NewAtom("a")}).get());
  EXPECT_TRUE(tags->GetSlotType() == kMultiSlotKinds);
  EXPECT_EQ(tags->GetSlotDefault()->GetToString(), "a ");
  EXPECT_EQ(t->GetSlotCount(), 2);
}

TEST(TFactTemplateTest, AddSlotRefusesAMissingOrMultifieldDefault) {
  Ref<TFactTemplate> t = NewTemplate("t");
  EXPECT_EQ(ErrorOf([&] { t->AddSlot("x", nullptr); }), SBadSlotType);
  EXPECT_EQ(ErrorOf([&] {
              t->AddSlot("x", ListOf({NewAtom("a"), NewAtom("b")}).get());
            }),
            Format(SInvalidSlotDefault, {"a b "}));
  EXPECT_EQ(t->GetSlotCount(), 0);
}

TEST(TFactTemplateTest, AddMultiSlotRefusesASingleDefaultOrABlankName) {
  Ref<TFactTemplate> t = NewTemplate("t");
  EXPECT_EQ(ErrorOf([&] { t->AddMultiSlot("x", nullptr); }), SBadSlotType);
  EXPECT_EQ(ErrorOf([&] { t->AddMultiSlot("x", NewAtom("red").get()); }),
            Format(SInvalidDefaultMultislotValue, {"red"}));
  EXPECT_EQ(ErrorOf([&] { t->AddMultiSlot("  ", NewEmptyList().get()); }),
            Format(SBadSlotName, {"  "}));
  EXPECT_EQ(t->GetSlotCount(), 0);
}

TEST(TFactTemplateTest, AddSlotRefusesABlankName) {
  Ref<TFactTemplate> t = NewTemplate("t");
  EXPECT_EQ(ErrorOf([&] { t->AddSlot("", NewAtom("red").get()); }), Format(SBadSlotName, {""}));
  Ref<TFactSlot> unnamed(new TFactSlot);
  unnamed->SetSlotType({dtInteger});
  EXPECT_EQ(ErrorOf([&] { t->AddSlot(unnamed.get()); }), Format(SBadSlotName, {""}));
  EXPECT_EQ(t->GetSlotCount(), 0);
  EXPECT_TRUE(t->GetSlotNames().empty());
}

TEST(TFactTemplateTest, SlotAndMultislotCannotBeRedefinedAsEachOther) {
  Ref<TFactTemplate> t = NewTemplate("t");
  t->AddMultiSlot("tags", NewEmptyList().get());
  t->AddSlot("color", NewAtom("red").get());
  EXPECT_EQ(ErrorOf([&] { t->AddSlot("tags", NewAtom("a").get()); }),
            SInvalidExistingMultiSlotChange);
  EXPECT_EQ(ErrorOf([&] { t->AddMultiSlot("color", NewEmptyList().get()); }),
            SInvalidExistingSlotChange);
  EXPECT_EQ(t->GetSlot("color")->GetSlotDefault()->GetToString(), "red");
}

TEST(TFactTemplateTest, AddingAnExistingSlotReplacesOnlyItsDefault) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* x = t->AddSlot("x", NewInteger(1).get());
  x->SetSlotType({dtInteger});
  EXPECT_EQ(t->AddSlot("x", NewInteger(2).get()), x);
  EXPECT_TRUE(x->GetSlotType() == TIETypes{dtInteger});
  EXPECT_EQ(x->GetSlotDefault()->GetAsInteger(), 2);

  IFactSlot* tags = t->AddMultiSlot("tags", NewEmptyList().get());
  EXPECT_EQ(t->AddMultiSlot("tags", ListOf({NewAtom("a")}).get()), tags);
  EXPECT_EQ(tags->GetSlotDefault()->GetToString(), "a ");
  EXPECT_EQ(t->GetSlotCount(), 2);
}

TEST(TFactTemplateTest, AddSlotFromAnotherSlotAddsACopy) {
  Ref<TFactTemplate> source = NewTemplate("source");
  IFactSlot* x = source->AddSlot("x", NewInteger(1).get());
  x->SetSlotType({dtInteger});
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* copy = t->AddSlot(x);
  EXPECT_NE(copy, x);
  EXPECT_EQ(t->GetSlot("x"), copy);
  EXPECT_EQ(copy->GetTemplateName(), "t");
  EXPECT_TRUE(copy->Equals(x));
  EXPECT_EQ(source->GetSlot("x"), x);
}

TEST(TFactTemplateTest, AddingATemplatesOwnSlotReplacesItByACopy) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* x = t->AddSlot("x", NewInteger(1).get());
  x->SetSlotType({dtInteger});
  x->SetTag(4);
  IFactSlot* copy = t->AddSlot(x);
  EXPECT_EQ(t->GetSlot("x"), copy);
  EXPECT_EQ(t->GetSlotCount(), 1);
  EXPECT_TRUE(copy->GetSlotType() == TIETypes{dtInteger});
  EXPECT_EQ(copy->GetSlotDefault()->GetAsInteger(), 1);
  EXPECT_EQ(copy->GetTag(), 4);
}

TEST(TFactTemplateTest, UnknownSlotNameIsRefusedByGetButNotByContains) {
  Ref<TFactTemplate> t = NewTemplate("t");
  t->AddSlot("x", NewInteger(1).get());
  EXPECT_EQ(ErrorOf([&] { t->GetSlot("y"); }), Format(SInvalidSlotName, {"y"}));
  EXPECT_EQ(ErrorOf([&] { t->GetSlot("X"); }), Format(SInvalidSlotName, {"X"}));
  IFactSlot* found = t->GetSlot("x");
  EXPECT_FALSE(t->ContainsSlot("y", &found));
  EXPECT_EQ(found, nullptr);
  EXPECT_TRUE(t->ContainsSlot("x", &found));
  EXPECT_EQ(found, t->GetSlot("x"));
}

TEST(TFactTemplateTest, SlotNamesAreListedCaseInsensitivelySorted) {
  Ref<TFactTemplate> t = NewTemplate("t");
  for (const char* name : {"zeta", "Alpha", "gamma", "Beta"})
    t->AddSlot(name, NewInteger(0).get());
  EXPECT_EQ(t->GetSlotNames(), (std::vector<std::string>{"Alpha", "Beta", "gamma", "zeta"}));
  EXPECT_EQ(t->GetSlots().size(), 4u);
}

TEST(TFactTemplateTest, SlotNamesDifferingOnlyInCaseStayDistinct) {
  Ref<TFactTemplate> t = NewTemplate("box");
  IFactSlot* upper = t->AddSlot("Size", NewInteger(1).get());
  t->AddSlot("size", NewInteger(2).get());
  EXPECT_EQ(t->GetSlotCount(), 2);
  t->RemoveSlot("size");
  EXPECT_EQ(t->GetSlotNames(), std::vector<std::string>{"Size"});
  EXPECT_EQ(t->GetSlot("Size"), upper);
  Ref<IFact> fact = t->NewFact();
  EXPECT_EQ(fact->GetValue("Size")->GetAsInteger(), 1);

  t->AddSlot("size", NewInteger(2).get());
  upper->SetName("width");
  EXPECT_EQ(t->GetSlotNames(), (std::vector<std::string>{"size", "width"}));
}

TEST(TFactTemplateTest, OrderedExactlyWhileTheOnlySlotIsData) {
  Ref<TFactTemplate> t = NewTemplate("list");
  t->AddMultiSlot(SDefaultSlotName, NewEmptyList().get());
  EXPECT_TRUE(t->IsOrdered());
  t->AddSlot("x", NewInteger(0).get());
  EXPECT_FALSE(t->IsOrdered());
  // Removing slots leaves the flag as it was.
  t->RemoveSlot("x");
  EXPECT_FALSE(t->IsOrdered());

  Ref<TFactTemplate> u = NewTemplate("u");
  IFactSlot* data = u->AddMultiSlot("values", NewEmptyList().get());
  EXPECT_FALSE(u->IsOrdered());
  data->SetName(SDefaultSlotName);
  EXPECT_TRUE(u->IsOrdered());
}

TEST(TFactTemplateTest, SetSlotRequiresTheSlotToCarryThatName) {
  Ref<TFactTemplate> t = NewTemplate("t");
  t->AddSlot("a", NewInteger(1).get());
  Ref<TFactTemplate> other = NewTemplate("other");
  IFactSlot* b = other->AddSlot("b", NewInteger(2).get());
  EXPECT_EQ(ErrorOf([&] { t->SetSlot("a", b); }), Format(SNoIndexNameMatch, {"a", "b"}));
  EXPECT_EQ(t->GetSlot("a")->GetSlotDefault()->GetAsInteger(), 1);

  t->SetSlot("b", b);
  EXPECT_EQ(t->GetSlot("b"), b);
  EXPECT_EQ(t->GetSlotNames(), (std::vector<std::string>{"a", "b"}));
}

TEST(TFactTemplateTest, RemovedSlotsLeaveTheTemplate) {
  Ref<TFactTemplate> t = NewTemplate("t");
  Ref<IFactSlot> a(t->AddSlot("a", NewInteger(1).get()));
  t->AddSlot("b", NewInteger(2).get());
  EXPECT_EQ(ErrorOf([&] { t->RemoveSlot("c"); }), Format(SInvalidSlotName, {"c"}));
  t->RemoveSlot("a");
  EXPECT_FALSE(t->ContainsSlot("a"));
  EXPECT_EQ(t->GetSlotNames(), std::vector<std::string>{"b"});
  EXPECT_EQ(a->GetTemplateName(), "");
  t->ClearSlots();
  EXPECT_EQ(t->GetSlotCount(), 0);
  EXPECT_TRUE(t->GetSlotNames().empty());
}

TEST(TFactTemplateTest, ContainsTypeLooksForTheVeryDefinedTypeObject) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* paint = t->AddSlot("paint", NewAtom("red").get());
  Ref<TIEDefinedType> color = ColorType();
  Ref<IIEDefinedType> equal_copy = color->Clone();
  EXPECT_FALSE(t->ContainsType(color.get()));
  paint->SetExtendedTypeInfo(color.get());
  EXPECT_TRUE(t->ContainsType(color.get()));
  EXPECT_FALSE(t->ContainsType(equal_copy.get()));
}

TEST(TFactTemplateTest, IsFuzzyFollowsTheKindsOfItsSlots) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* temp = t->AddSlot("temp", NewAtom("warm").get());
  EXPECT_FALSE(t->IsFuzzy());
  temp->SetSlotType({dtFuzzy});
  EXPECT_TRUE(t->IsFuzzy());
  t->RemoveSlot("temp");
  EXPECT_FALSE(t->IsFuzzy());
}

// ================================================================ templates: names and hash

TEST(TFactTemplateTest, TemplateNamesWithForbiddenCharactersAreRefused) {
  Ref<TFactTemplate> t = NewTemplate("point");
  for (char c : std::string(SInvalidNameCharacters)) {
    std::string name = std::string("p") + c;
    EXPECT_EQ(ErrorOf([&] { t->SetTemplateName(name); }), Format(SInvalidName, {name})) << name;
  }
  EXPECT_EQ(t->GetTemplateName(), "point");
  t->SetTemplateName("pos-2d");
  EXPECT_EQ(t->GetTemplateName(), "pos-2d");
}

TEST_F(EngineTemplateTest, RenamingAnEngineTemplateTellsTheEngineFirst) {
  Ref<TFactTemplate> t = EngineTemplate("point");
  t->SetTemplateName("point");
  EXPECT_TRUE(engine_->RenameLog().empty());
  t->SetTemplateName("pos");
  EXPECT_EQ(engine_->RenameLog(), std::vector<std::string>{"point->pos"});
  EXPECT_EQ(engine_->FindFactTemplate("pos"), t.get());
  EXPECT_EQ(engine_->FindFactTemplate("point"), nullptr);
  EXPECT_EQ(ErrorOf([&] { t->SetTemplateName("a b"); }), Format(SInvalidName, {"a b"}));
  EXPECT_EQ(engine_->RenameLog().size(), 1u);
}

TEST(TFactTemplateTest, HashCodeFollowsTheTemplateAndSlotNamesOnly) {
  Ref<TFactTemplate> a = NewTemplate("point");
  a->AddSlot("y", NewInteger(0).get());
  a->AddSlot("x", NewInteger(0).get());
  EXPECT_EQ(a->GetHashCode(), CalculateHash("point\r\nx\r\ny\r\n", 1));

  Ref<TFactTemplate> b = NewTemplate("point");
  b->AddSlot("x", NewAtom("left").get());
  b->AddSlot("y", NewFloat(2.5).get());
  EXPECT_EQ(a->GetHashCode(), b->GetHashCode());

  b->GetSlot("y")->SetName("z");
  EXPECT_EQ(b->GetHashCode(), CalculateHash("point\r\nx\r\nz\r\n", 1));
  b->SetTemplateName("pos");
  EXPECT_EQ(b->GetHashCode(), CalculateHash("pos\r\nx\r\nz\r\n", 1));
  b->RemoveSlot("z");
  EXPECT_EQ(b->GetHashCode(), CalculateHash("pos\r\nx\r\n", 1));
}

TEST(TFactTemplateTest, EqualityExaminesOnlyThisTemplatesSlots) {
  Ref<TFactTemplate> small = NewTemplate("point");
  small->AddSlot("x", NewInteger(0).get());
  Ref<TFactTemplate> large = NewTemplate("point");
  large->AddSlot("x", NewInteger(0).get());
  large->AddSlot("y", NewInteger(0).get());
  EXPECT_TRUE(small->Equals(static_cast<IInterface*>(large.get())));
  EXPECT_FALSE(large->Equals(static_cast<IInterface*>(small.get())));

  Ref<TFactTemplate> renamed = NewTemplate("pos");
  renamed->AddSlot("x", NewInteger(0).get());
  EXPECT_FALSE(small->Equals(static_cast<IInterface*>(renamed.get())));
  large->GetSlot("x")->SetSlotDefault(NewInteger(1).get());
  EXPECT_FALSE(small->Equals(static_cast<IInterface*>(large.get())));
}

// ================================================================ templates: copying

TEST(TFactTemplateTest, TemplateExtendingAParentStartsAsACopyOfIt) {
  Ref<TFactTemplate> base = NewTemplate("base");
  base->AddSlot("x", NewInteger(1).get());
  base->SetBackwardChaining(true);
  Ref<TFactTemplate> child(new TFactTemplate(nullptr, "child", "a comment", base.get()));
  EXPECT_EQ(child->GetTemplateName(), "child");
  EXPECT_EQ(child->GetComment(), "a comment");
  EXPECT_EQ(child->GetParent(), static_cast<IFactTemplate*>(base.get()));
  EXPECT_TRUE(child->IsBackwardChaining());
  ASSERT_TRUE(child->ContainsSlot("x"));
  EXPECT_NE(child->GetSlot("x"), base->GetSlot("x"));
  EXPECT_TRUE(child->GetSlot("x")->Equals(base->GetSlot("x")));
  EXPECT_EQ(child->GetSlot("x")->GetTemplateName(), "child");

  child->AddSlot("y", NewInteger(2).get());
  child->GetSlot("x")->SetSlotDefault(NewInteger(5).get());
  EXPECT_EQ(base->GetSlotCount(), 1);
  EXPECT_EQ(base->GetSlot("x")->GetSlotDefault()->GetAsInteger(), 1);
}

TEST_F(EngineTemplateTest, ParentOfAnotherOwnerIsCopiedButNotRemembered) {
  Ref<TFactTemplate> base = EngineTemplate("base");
  base->AddSlot("x", NewInteger(1).get());
  Ref<TFactTemplate> child(new TFactTemplate(nullptr, "child", "", base.get()));
  EXPECT_EQ(child->GetParent(), nullptr);
  EXPECT_TRUE(child->ContainsSlot("x"));
  EXPECT_EQ(child->GetOwner(), nullptr);
}

TEST(TFactTemplateTest, CloneWithoutEngineCopiesEverythingIndependently) {
  Ref<TFactTemplate> t = NewTemplate("list");
  t->SetComment("numbers");
  t->SetBackwardChaining(true);
  t->AddMultiSlot(SDefaultSlotName, ListOf({NewInteger(1)}).get());
  Ref<IFactTemplate> copy = t->Clone(nullptr);
  EXPECT_EQ(copy->GetTemplateName(), "list");
  EXPECT_EQ(copy->GetComment(), "numbers");
  EXPECT_TRUE(copy->IsBackwardChaining());
  EXPECT_TRUE(copy->IsOrdered());
  EXPECT_TRUE(copy->Equals(static_cast<IInterface*>(t.get())));
  EXPECT_TRUE(t->Equals(static_cast<IInterface*>(copy.get())));
  EXPECT_EQ(copy->GetHashCode(), t->GetHashCode());

  copy->GetSlot(SDefaultSlotName)->GetSlotDefault()->GetAsList()->Add(NewInteger(2).get());
  EXPECT_EQ(t->GetSlot(SDefaultSlotName)->GetSlotDefault()->GetToString(), "1 ");
}

TEST_F(EngineTemplateTest, CloningIntoAnEngineReadsEachSlotThroughItsParser) {
  Ref<TFactTemplate> t = NewTemplate("point");
  IFactSlot* x = t->AddSlot("x", NewInteger(1).get());
  EXPECT_EQ(ErrorOf([&] { t->Clone(engine_.get()); }),
            Format(kEngineReadsNoText, {x->GetToString()}));
  EXPECT_EQ(t->GetSlotCount(), 1);
}

TEST(TFactTemplateTest, AssigningSlotsFromItselfKeepsThem) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* x = t->AddSlot("x", NewInteger(1).get());
  t->AssignSlots(t.get());
  EXPECT_EQ(t->GetSlotCount(), 1);
  EXPECT_EQ(t->GetSlot("x"), x);
}

// ================================================================ templates: new facts

TEST(TFactTemplateTest, NewFactHoldsACopyOfEveryDefault) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* x = t->AddSlot("x", NewInteger(1).get());
  IFactSlot* tags = t->AddMultiSlot("tags", ListOf({NewAtom("a")}).get());
  Ref<IFact> fact = t->NewFact();
  EXPECT_EQ(fact->GetTemplate(), static_cast<IFactTemplate*>(t.get()));
  EXPECT_EQ(fact->GetSlotNames().size(), 2u);
  EXPECT_NE(fact->GetValue("x"), x->GetSlotDefault());
  EXPECT_EQ(fact->GetValue("x")->GetAsInteger(), 1);
  fact->GetValue("tags")->GetAsList()->Add(NewAtom("b").get());
  EXPECT_EQ(tags->GetSlotDefault()->GetToString(), "a ");
}

TEST(TFactTemplateTest, FillFactWithDefaultsRequiresAFactOfThisTemplate) {
  Ref<TFactTemplate> point = NewTemplate("point");
  Ref<TFactTemplate> other = NewTemplate("other");
  Ref<TFact> orphan(new TFact);
  Ref<TFact> foreign(new TFact(other.get()));
  EXPECT_EQ(ErrorOf([&] { point->FillFactWithDefaults(orphan.get()); }), SNoTemplate);
  EXPECT_EQ(ErrorOf([&] { point->FillFactWithDefaults(foreign.get()); }),
            Format(SFactTemplatesDifferent, {"other", "point"}));
}

TEST_F(EngineTemplateTest, DynamicDefaultIsResolvedInTheEngineContextForEveryFact) {
  Ref<TFactTemplate> t = EngineTemplate("event");
  IFactSlot* stamp = t->AddSlot("stamp", NewVariable("now").get());
  stamp->SetDefaultDynamic(true);
  t->AddSlot("label", NewVariable("now").get());
  engine_->GetContext()->AddGlobalBinding("now", NewInteger(42).get());
  Ref<IFact> first = t->NewFact();
  engine_->GetContext()->AddGlobalBinding("now", NewInteger(43).get());
  Ref<IFact> second = t->NewFact();
  EXPECT_EQ(first->GetValue("stamp")->GetAsInteger(), 42);
  EXPECT_EQ(second->GetValue("stamp")->GetAsInteger(), 43);
  EXPECT_EQ(first->GetValue("label")->GetDType(), dtVariable);
  EXPECT_EQ(stamp->GetSlotDefault()->GetDType(), dtVariable);
  // The fact holds a copy of the variable's value, not the value itself.
  second->GetValue("stamp")->SetAsInteger(0);
  EXPECT_EQ(engine_->GetContext()->GetVariable("now")->GetAsInteger(), 43);
}

TEST(TFactTemplateTest, DynamicDefaultWithoutEngineIsCopiedAsItStands) {
  Ref<TFactTemplate> t = NewTemplate("event");
  t->AddSlot("stamp", NewVariable("now").get())->SetDefaultDynamic(true);
  Ref<IFact> fact = t->NewFact();
  EXPECT_EQ(fact->GetValue("stamp")->GetToString(), "?now");
}

// ================================================================ printed forms

TEST(TFactTemplatePrintTest, TypedSlotsPrintTheirKindsAndDefaultsOnIndentedLines) {
  Ref<TFactTemplate> point = NewTemplate("point");
  point->AddSlot("x", NewInteger(0).get())->SetSlotType({dtInteger});
  point->AddSlot("y", NewInteger(0).get())->SetSlotType({dtInteger});
  EXPECT_EQ(point->GetSlot("x")->GetToString(), "(slot x (type INTEGER)\r\n        (default 0) )");
  EXPECT_EQ(point->GetToString(),
            "(deftemplate point\r\n"
            "    (slot x (type INTEGER)\r\n"
            "            (default 0) )\r\n"
            "    (slot y (type INTEGER)\r\n"
            "            (default 0) )\r\n"
            ")");
}

TEST(TFactTemplatePrintTest, SlotsAcceptingEveryKindPrintOnlyAWorthwhileDefault) {
  Ref<TFactTemplate> t = NewTemplate("t");
  EXPECT_EQ(t->AddSlot("color", NewAtom("red").get())->GetToString(),
            "(slot color (default red) )");
  EXPECT_EQ(t->AddSlot("blank", FCNil)->GetToString(), "(slot blank )");
  EXPECT_EQ(t->AddSlot("spaces", NewAtom("  ").get())->GetToString(), "(slot spaces )");
  EXPECT_EQ(t->AddMultiSlot("tags", ListOf({NewAtom("a"), NewAtom("b")}).get())->GetToString(),
            "(multislot tags (default a b ) )");
  EXPECT_EQ(t->AddMultiSlot("none", NewEmptyList().get())->GetToString(), "(multislot none )");
  IFactSlot* stamp = t->AddSlot("stamp", NewVariable("now").get());
  stamp->SetDefaultDynamic(true);
  EXPECT_EQ(stamp->GetToString(), "(slot stamp (default-dynamic ?now) )");
}

TEST(TFactTemplatePrintTest, TypedMultislotLeavesOutTheMultifieldKinds) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* tags = t->AddMultiSlot("tags", NewEmptyList().get());
  tags->SetSlotType({dtAtom, dtString, dtList, dtMultiSlot});
  EXPECT_EQ(tags->GetToString(), "(multislot tags (type ATOM STRING) )");
  tags->SetSlotDefault(ListOf({NewAtom("a")}).get());
  EXPECT_EQ(tags->GetToString(), "(multislot tags (type ATOM STRING) \r\n        (default a ) )");
}

TEST(TFactTemplatePrintTest, SlotWithANamedTypePrintsTheTypesName) {
  Ref<TFactTemplate> t = NewTemplate("t");
  IFactSlot* paint = t->AddSlot("paint", NewAtom("red").get());
  Ref<TIEDefinedType> color = ColorType();
  paint->SetExtendedTypeInfo(color.get());
  EXPECT_EQ(paint->GetToString(), "(slot paint (type color)        (default red) )");
}

TEST(TFactTemplatePrintTest, SlotWithAnImplicitTypePrintsTheTypesFacets) {
  Ref<TFactSlot> slot(new TFactSlot);
  slot->SetName("n");
  Ref<TIEDefinedType> implicit(new TIEDefinedType);
  implicit->SetImplicit(true);
  implicit->SetBaseTypes({dtInteger});
  implicit->SetRangeLimited(true);
  implicit->SetMinRange(1);
  implicit->SetMaxRange(10);
  slot->SetExtendedTypeInfo(implicit.get());
  EXPECT_EQ(slot->GetToString(),
            "(slot n (type INTEGER)\r\n"
            "    (range 1.0000 10.0000)\r\n"
            "        (default 1) )");
}

TEST(TFactTemplatePrintTest, OrderedTemplatePrintsNoSlots) {
  Ref<TFactTemplate> t = NewTemplate("list");
  t->AddMultiSlot(SDefaultSlotName, NewEmptyList().get());
  EXPECT_EQ(t->GetToString(), "(deftemplate list)");
  t->SetComment("numbers");
  EXPECT_EQ(t->GetToString(), "(deftemplate list \"numbers\")");
  Ref<TIEDefinedType> color = ColorType();
  t->GetSlot(SDefaultSlotName)->SetExtendedTypeInfo(color.get());
  EXPECT_EQ(t->GetToString(), "(deftemplate list \"numbers\" is-a color)");
}

TEST(TFactTemplatePrintTest, CommentAndParentPrecedeTheSlots) {
  Ref<TFactTemplate> base = NewTemplate("base");
  base->AddSlot("x", NewInteger(1).get());
  Ref<TFactTemplate> child(new TFactTemplate(nullptr, "child", "say \"hi\"", base.get()));
  // The comment is written as a string, escaped, so that it reads back.
  EXPECT_EQ(child->GetToString(),
            "(deftemplate child \"say \\\"hi\\\"\"\r\n"
            "    extends base\r\n"
            "    (slot x (default 1) )\r\n"
            ")");
}

}  // namespace
}  // namespace rulecore
