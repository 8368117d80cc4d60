// rulecore: an embeddable expert-system shell.
// Facts: lazy slot values, dynamic type checks, template changes, copying, equality, hashing,
// printing.
#include "facts/fact.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

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

// The text the test engine raises for every attempt to read rule-language text.
constexpr const char* kEngineReadsNoText = "The test engine reads no rule-language text: %s";

Ref<IIEValue> ListOf(std::initializer_list<Ref<IIEValue>> items) {
  Ref<TValueVector> v(new TValueVector);
  for (const auto& item : items)
    v->Add(item.get());
  return NewList(v.get());
}

// person: age (integer, default 0), name (string, default ""), tags (multislot).
Ref<TFactTemplate> PersonTemplate(TComponent* owner = nullptr) {
  Ref<TFactTemplate> t(new TFactTemplate(owner, "person"));
  t->AddSlot("name", NewString("").get())->SetSlotType({dtString});
  t->AddSlot("age", NewInteger(0).get())->SetSlotType({dtInteger});
  t->AddMultiSlot("tags", NewEmptyList().get());
  return t;
}

Ref<TFact> NewFactOf(IFactTemplate* tmpl) {
  return Ref<TFact>(new TFact(tmpl));
}

// Facts whose template is owned by a test engine, which outlives them.
class EngineFactTest : public ::testing::Test {
 protected:
  Ref<TFactTemplate> EngineTemplate(Ref<TFactTemplate> t) {
    engine_->AddTemplate(t.get());
    return t;
  }
  void DynamicChecks(bool on) {
    engine_->SetTypeChecks(on ? TTypeChecks{tcStatic, tcDynamic} : TTypeChecks{tcStatic});
  }
  // measure: value (float only, default 0.0), count (integer only, default 0).
  Ref<TFactTemplate> MeasureTemplate() {
    Ref<TFactTemplate> t(new TFactTemplate(engine_.get(), "measure"));
    t->AddSlot("value", NewFloat(0.0).get())->SetSlotType({dtFloat});
    t->AddSlot("count", NewInteger(0).get())->SetSlotType({dtInteger});
    return EngineTemplate(t);
  }

  std::unique_ptr<TestEngine> engine_ = std::make_unique<TestEngine>();
};

// ================================================================ reading and writing slots

TEST(TFactValuesTest, UnwrittenSlotReadsAsOneCopyOfItsDefault) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFact> fact = NewFactOf(person.get());
  EXPECT_TRUE(fact->GetSlotNames().empty());
  EXPECT_EQ(fact->GetID(), -1);
  IIEValue* age = fact->GetValue("age");
  EXPECT_NE(age, person->GetSlot("age")->GetSlotDefault());
  EXPECT_TRUE(age->Equals(person->GetSlot("age")->GetSlotDefault()));
  EXPECT_EQ(fact->GetValue("age"), age);
  EXPECT_EQ(fact->GetSlotNames(), std::vector<std::string>{"age"});
  // The value is the fact's own: changing it changes the fact, not the default.
  age->SetAsInteger(31);
  EXPECT_EQ(fact->GetValue("age")->GetAsInteger(), 31);
  EXPECT_EQ(person->GetSlot("age")->GetSlotDefault()->GetAsInteger(), 0);
}

TEST(TFactValuesTest, ContainsKeyFillsAKnownSlotAndRefusesNothing) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFact> fact = NewFactOf(person.get());
  EXPECT_FALSE(fact->ContainsKey("height"));
  EXPECT_TRUE(fact->GetSlotNames().empty());
  EXPECT_TRUE(fact->ContainsKey("name"));
  EXPECT_EQ(fact->GetSlotNames(), std::vector<std::string>{"name"});
  EXPECT_EQ(fact->GetValue("name")->GetToString(), "\"\"");
}

TEST(TFactValuesTest, UnknownSlotNameIsRefused) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFact> fact = NewFactOf(person.get());
  EXPECT_EQ(ErrorOf([&] { fact->GetValue("height"); }), Format(SInvalidSlotName, {"height"}));
  EXPECT_EQ(ErrorOf([&] { fact->SetValue("height", NewInteger(1).get()); }),
            Format(SInvalidSlotName, {"height"}));
  EXPECT_TRUE(fact->GetSlotNames().empty());
}

TEST(TFactValuesTest, FactWithoutTemplateRefusesSlotAccess) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFact> orphan(new TFact);
  Ref<TFact> other = NewFactOf(person.get());
  EXPECT_EQ(ErrorOf([&] { orphan->GetValue("age"); }), SNoTemplate);
  EXPECT_EQ(ErrorOf([&] { orphan->SetValue("age", NewInteger(1).get()); }), SNoTemplate);
  EXPECT_EQ(ErrorOf([&] { orphan->ContainsKey("age"); }), SNoTemplate);
  EXPECT_EQ(ErrorOf([&] { orphan->AssignValues(other.get()); }), SNoTemplate);
  EXPECT_EQ(orphan->GetToString(), "()");
}

TEST(TFactValuesTest, WrittenValueIsSharedNotCopied) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFact> fact = NewFactOf(person.get());
  Ref<IIEValue> age = NewInteger(40);
  fact->SetValue("age", age.get());
  EXPECT_EQ(fact->GetValue("age"), age.get());
  age->SetAsInteger(41);
  EXPECT_EQ(fact->GetValue("age")->GetAsInteger(), 41);
  fact->SetValue("age", nullptr);
  EXPECT_EQ(fact->GetValue("age"), FCNil);
}

TEST_F(EngineFactTest, IntegerForAFloatSlotBecomesAFloatUnderDynamicChecks) {
  DynamicChecks(true);
  Ref<TFactTemplate> measure = MeasureTemplate();
  Ref<TFact> fact = NewFactOf(measure.get());
  Ref<IIEValue> three = NewInteger(3);
  fact->SetValue("value", three.get());
  EXPECT_EQ(fact->GetValue("value"), three.get());
  EXPECT_EQ(three->GetDType(), dtFloat);
  EXPECT_EQ(three->GetAsFloat(), 3.0);
}

TEST_F(EngineFactTest, IntegerForAFloatSlotIsStoredUncheckedWithoutDynamicChecks) {
  DynamicChecks(false);
  Ref<TFactTemplate> measure = MeasureTemplate();
  Ref<TFact> fact = NewFactOf(measure.get());
  Ref<IIEValue> three = NewInteger(3);
  fact->SetValue("value", three.get());
  EXPECT_EQ(fact->GetValue("value")->GetDType(), dtInteger);
  fact->SetValue("count", NewAtom("many").get());
  EXPECT_EQ(fact->GetValue("count")->GetToString(), "many");
}

TEST_F(EngineFactTest, RefusedValueLeavesTheFactAsItWas) {
  DynamicChecks(true);
  Ref<TFactTemplate> measure = MeasureTemplate();
  Ref<TFact> fact = NewFactOf(measure.get());
  const std::string refusal =
      Format(SInvalidSlotValue, {Format(SNotCorrectType, {"INTEGER", "many", "dtAtom"}), "count"});

  // A slot never written keeps reading as its default.
  EXPECT_EQ(ErrorOf([&] { fact->SetValue("count", NewAtom("many").get()); }), refusal);
  EXPECT_EQ(fact->GetValue("count")->GetDType(), dtInteger);
  EXPECT_EQ(fact->GetValue("count")->GetAsInteger(), 0);

  fact->SetValue("count", NewInteger(4).get());
  EXPECT_EQ(ErrorOf([&] { fact->SetValue("count", NewAtom("many").get()); }), refusal);
  EXPECT_EQ(fact->GetValue("count")->GetAsInteger(), 4);
}

TEST_F(EngineFactTest, DynamicChecksLookUpASlotRemovedFromTheTemplateAgain) {
  DynamicChecks(true);
  Ref<TFactTemplate> measure = MeasureTemplate();
  Ref<TFact> fact = NewFactOf(measure.get());
  fact->SetValue("count", NewInteger(1).get());
  measure->RemoveSlot("count");
  EXPECT_EQ(ErrorOf([&] { fact->SetValue("count", NewInteger(2).get()); }),
            Format(SInvalidSlotName, {"count"}));
}

TEST(TFactValuesTest, SetValuesReplacesAllValuesByCopies) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFact> source = NewFactOf(person.get());
  source->SetValue("age", NewInteger(7).get());
  Ref<TFact> fact = NewFactOf(person.get());
  fact->SetValue("name", NewString("Ann").get());
  fact->SetValues(source->Values());
  EXPECT_EQ(fact->GetSlotNames(), std::vector<std::string>{"age"});
  EXPECT_NE(fact->GetValue("age"), source->GetValue("age"));
  EXPECT_EQ(fact->GetValue("age")->GetAsInteger(), 7);
}

// ================================================================ changing the template

TEST(TFactValuesTest, NewTemplateKeepsSharedSlotsDropsOthersAndFillsItsOwn) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFactTemplate> employee(new TFactTemplate(nullptr, "employee"));
  employee->AddSlot("age", NewInteger(18).get());
  employee->AddSlot("salary", NewInteger(1000).get());

  Ref<TFact> fact = NewFactOf(person.get());
  Ref<IIEValue> age = NewInteger(30);
  fact->SetValue("age", age.get());
  fact->SetValue("name", NewString("Ann").get());
  fact->SetTemplate(employee.get());
  EXPECT_EQ(fact->GetTemplate(), static_cast<IFactTemplate*>(employee.get()));
  EXPECT_EQ(fact->GetValue("age"), age.get());
  EXPECT_EQ(fact->GetValue("salary")->GetAsInteger(), 1000);
  std::vector<std::string> names = fact->GetSlotNames();
  EXPECT_EQ(names.size(), 2u);
  EXPECT_EQ(std::count(names.begin(), names.end(), "name"), 0);
}

TEST(TFactValuesTest, RemovingTheTemplateRemovesAllValues) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<IFact> fact = person->NewFact();
  fact->SetTemplate(nullptr);
  EXPECT_EQ(fact->GetTemplate(), nullptr);
  EXPECT_TRUE(fact->GetSlotNames().empty());
  EXPECT_EQ(ErrorOf([&] { fact->GetValue("age"); }), SNoTemplate);
}

// ================================================================ copying

TEST(TFactValuesTest, AssignValuesCopiesTheValuesOfAFactOfTheSameTemplate) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFact> source = NewFactOf(person.get());
  source->SetValue("tags", ListOf({NewAtom("a")}).get());
  source->SetID(5);
  Ref<TFact> fact = NewFactOf(person.get());
  fact->SetValue("age", NewInteger(3).get());
  fact->AssignValues(source.get());
  EXPECT_EQ(fact->GetSlotNames(), std::vector<std::string>{"tags"});
  EXPECT_EQ(fact->GetID(), -1);
  fact->GetValue("tags")->GetAsList()->Add(NewAtom("b").get());
  EXPECT_EQ(source->GetValue("tags")->GetToString(), "a ");
}

TEST(TFactValuesTest, AssignValuesRefusesAnotherTemplateOfTheSameName) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFactTemplate> twin = PersonTemplate();
  Ref<TFact> source = NewFactOf(twin.get());
  source->SetValue("age", NewInteger(9).get());
  Ref<TFact> fact = NewFactOf(person.get());
  fact->SetValue("age", NewInteger(3).get());
  EXPECT_EQ(ErrorOf([&] { fact->AssignValues(source.get()); }),
            Format(SFactTemplatesDifferent, {"person", "person"}));
  EXPECT_EQ(fact->GetValue("age")->GetAsInteger(), 3);
}

TEST(TFactValuesTest, AssignTakesTheTemplateValuesIdAndTagOfTheSource) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFactTemplate> point(new TFactTemplate(nullptr, "point"));
  point->AddSlot("x", NewInteger(0).get());
  Ref<TFact> source = NewFactOf(person.get());
  source->SetValue("age", NewInteger(30).get());
  source->SetID(4);
  source->SetTag(8);
  Ref<TFact> fact = NewFactOf(point.get());
  fact->SetValue("x", NewInteger(1).get());
  fact->Assign(static_cast<IInterface*>(source.get()));
  EXPECT_EQ(fact->GetTemplate(), static_cast<IFactTemplate*>(person.get()));
  EXPECT_EQ(fact->GetID(), 4);
  EXPECT_EQ(fact->GetTag(), 8);
  EXPECT_EQ(fact->GetSlotNames(), std::vector<std::string>{"age"});
  EXPECT_NE(fact->GetValue("age"), source->GetValue("age"));
  EXPECT_TRUE(fact->Equals(static_cast<IFact*>(source.get())));
}

TEST_F(EngineFactTest, AssignFromAnotherOwnerReadsTheFactThroughThisEngine) {
  Ref<TFactTemplate> own = EngineTemplate(PersonTemplate(engine_.get()));
  Ref<TFactTemplate> foreign = PersonTemplate();
  Ref<TFact> source = NewFactOf(foreign.get());
  source->SetValue("age", NewInteger(30).get());
  Ref<TFact> fact = NewFactOf(own.get());
  fact->SetValue("age", NewInteger(1).get());
  EXPECT_EQ(ErrorOf([&] { fact->Assign(static_cast<IInterface*>(source.get())); }),
            Format(kEngineReadsNoText, {"(person (age 30) (name \"\"))"}));
  EXPECT_EQ(fact->GetTemplate(), static_cast<IFactTemplate*>(own.get()));
  EXPECT_EQ(fact->GetValue("age")->GetAsInteger(), 1);
}

TEST(TFactValuesTest, CloneIsAnIndependentFactOfTheSameTemplateIdAndTag) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<IFact> fact = person->NewFact();
  fact->SetValue("tags", ListOf({NewAtom("a")}).get());
  fact->SetID(12);
  fact->SetTag(3);
  Ref<IFact> copy = fact->Clone();
  EXPECT_NE(copy.get(), fact.get());
  EXPECT_EQ(copy->GetTemplate(), fact->GetTemplate());
  EXPECT_EQ(copy->GetID(), 12);
  EXPECT_EQ(copy->GetTag(), 3);
  EXPECT_TRUE(copy->Equals(fact.get()));
  copy->GetValue("tags")->GetAsList()->Add(NewAtom("b").get());
  EXPECT_EQ(fact->GetValue("tags")->GetToString(), "a ");
  EXPECT_FALSE(copy->Equals(fact.get()));
}

// ================================================================ equality and hash

TEST(TFactEqualityTest, FactsWithEqualValuesAreEqualAndHashAlike) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<IFact> a = person->NewFact();
  Ref<IFact> b = person->NewFact();
  a->SetValue("name", NewString("Ann").get());
  b->SetValue("name", NewString("Ann").get());
  EXPECT_TRUE(a->Equals(b.get()));
  EXPECT_TRUE(b->Equals(a.get()));
  EXPECT_EQ(a->GetHashCode(), b->GetHashCode());
  b->SetValue("age", NewInteger(1).get());
  EXPECT_FALSE(a->Equals(b.get()));
  EXPECT_NE(a->GetHashCode(), b->GetHashCode());
}

TEST(TFactEqualityTest, UnreadSlotsCompareAndHashAsTheirDefaults) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFact> lazy = NewFactOf(person.get());
  Ref<IFact> filled = person->NewFact();
  EXPECT_EQ(lazy->GetHashCode(), filled->GetHashCode());
  EXPECT_TRUE(lazy->Equals(filled.get()));
  EXPECT_TRUE(filled->Equals(static_cast<IFact*>(NewFactOf(person.get()).get())));
}

TEST(TFactEqualityTest, FactsDifferingOnlyInAFuzzySlotAreEqualAndHashAlike) {
  Ref<TFactTemplate> room(new TFactTemplate(nullptr, "room"));
  room->AddSlot("name", NewAtom("").get());
  room->AddSlot("temp", NewAtom("").get())->SetSlotType({dtFuzzy});
  Ref<IFact> a = room->NewFact();
  Ref<IFact> b = room->NewFact();
  a->SetValue("name", NewAtom("hall").get());
  b->SetValue("name", NewAtom("hall").get());
  a->SetValue("temp", NewAtom("hot").get());
  b->SetValue("temp", NewAtom("cold").get());
  EXPECT_TRUE(a->Equals(b.get()));
  EXPECT_EQ(a->GetHashCode(), b->GetHashCode());
  b->SetValue("name", NewAtom("attic").get());
  EXPECT_FALSE(a->Equals(b.get()));
}

TEST(TFactEqualityTest, EqualityIsStrictAndNeedsTheVeryTemplateObject) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<TFactTemplate> twin = PersonTemplate();
  Ref<IFact> a = person->NewFact();
  Ref<IFact> b = person->NewFact();
  Ref<IFact> c = twin->NewFact();
  EXPECT_FALSE(a->Equals(c.get()));
  a->SetValue("age", NewInteger(1).get());
  b->SetValue("age", NewFloat(1.0).get());
  EXPECT_FALSE(a->Equals(b.get()));
  EXPECT_TRUE(a->Equals(a.get()));
  EXPECT_FALSE(a->Equals(static_cast<IInterface*>(NewInteger(1).get())));
}

// ================================================================ printed forms

TEST(TFactPrintTest, FactPrintsItsSlotsInSortedNameOrderLeavingOutWhatReadsBackAsDefault) {
  Ref<TFactTemplate> person = PersonTemplate();
  Ref<IFact> fact = person->NewFact();
  EXPECT_EQ(fact->GetToString(), "(person (age 0) (name \"\"))");
  fact->SetValue("name", NewString("Ann").get());
  fact->SetValue("age", NewInteger(30).get());
  fact->SetValue("tags", ListOf({NewAtom("a"), NewAtom("b")}).get());
  EXPECT_EQ(fact->GetToString(), "(person (age 30) (name \"Ann\") (tags a b ))");
  // nil is written out where the default is something else (here the empty
  // string); a value without text of any other kind cannot be written.
  fact->SetValue("name", NewAtom("").get());
  fact->GetValue("age")->Reset();
  EXPECT_EQ(fact->GetToString(), "(person (name nil) (tags a b ))");
  fact->SetValue("tags", ListOf({NewAtom(""), NewAtom("b")}).get());
  EXPECT_EQ(fact->GetToString(), "(person (name nil) (tags nil b ))");
}

TEST(TFactPrintTest, OrderedFactPrintsItsDataAfterTheName) {
  Ref<TFactTemplate> list(new TFactTemplate(nullptr, "list"));
  list->AddMultiSlot(SDefaultSlotName, NewEmptyList().get());
  Ref<IFact> fact = list->NewFact();
  EXPECT_EQ(fact->GetToString(), "(list)");
  fact->SetValue(SDefaultSlotName, ListOf({NewInteger(1), NewString("two")}).get());
  EXPECT_EQ(fact->GetToString(), "(list 1 \"two\" )");
}

TEST_F(EngineFactTest, IdStringPadsTheIdToTheWidthOfTheNextId) {
  Ref<TFactTemplate> point(new TFactTemplate(engine_.get(), "point"));
  point->AddSlot("x", NewInteger(1).get());
  EngineTemplate(point);
  Ref<IFact> fact = point->NewFact();
  fact->SetID(7);
  engine_->SetNextFactId(12);
  EXPECT_EQ(fact->GetToIDString(), "f-07 (point (x 1))");
  engine_->SetNextFactId(120);
  EXPECT_EQ(fact->GetToIDString(), "f-007 (point (x 1))");
  engine_->SetNextFactId(8);
  EXPECT_EQ(fact->GetToIDString(), "f-7 (point (x 1))");
}

TEST(TFactPrintTest, IdStringWithoutEngineIsNotPadded) {
  Ref<TFactTemplate> point(new TFactTemplate(nullptr, "point"));
  point->AddSlot("x", NewInteger(1).get());
  Ref<IFact> fact = point->NewFact();
  fact->SetID(7);
  EXPECT_EQ(fact->GetToIDString(), "f-7 (point (x 1))");
}

}  // namespace
}  // namespace rulecore
