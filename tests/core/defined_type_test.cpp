// rulecore: an embeddable expert-system shell.
// Defined types: allowed kinds and values, ranges, cardinality, explanations,
// defaults, change notification, inheritance, equality and copying.
#include "core/defined_type.h"

#include <gtest/gtest.h>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

Ref<TIEDefinedType> NewType(const std::string& name) {
  Ref<TIEDefinedType> t(new TIEDefinedType);
  t->SetName(name);
  return t;
}

Ref<IIEValue> ListOf(std::initializer_list<Ref<IIEValue>> items) {
  Ref<TValueVector> v(new TValueVector);
  for (const auto& item : items)
    v->Add(item.get());
  return NewList(v.get());
}

// ---------------------------------------------------------------- kinds

TEST(TIEDefinedTypeTest, FreshTypeAcceptsEverySingleFieldKindAndTheFullIntegerRange) {
  Ref<TIEDefinedType> t = NewType("any");
  EXPECT_EQ(t->GetName(), "any");
  EXPECT_TRUE(t->GetBaseTypes() == IESlotTypes);
  EXPECT_TRUE(t->IsValid(NewAtom("x").get()));
  EXPECT_TRUE(t->IsValid(NewString("x").get()));
  EXPECT_TRUE(t->IsValid(NewInteger(-2147483647 - 1).get()));
  EXPECT_TRUE(t->IsValid(NewInteger(2147483647).get()));
  EXPECT_TRUE(t->IsValid(NewFloat(1e300).get()));
  EXPECT_TRUE(t->IsValid(NewFactId(3).get()));
}

TEST(TIEDefinedTypeTest, DefaultNameIsImplicit) {
  Ref<TIEDefinedType> t(new TIEDefinedType);
  EXPECT_EQ(t->GetName(), SImplicitDefinedType);
  EXPECT_FALSE(t->GetImplicit());
}

TEST(TIEDefinedTypeTest, KindOutsideBaseTypesIsExplainedWithUpperCaseKindNames) {
  Ref<TIEDefinedType> t = NewType("color");
  t->SetBaseTypes({dtAtom, dtString});
  Ref<IIEValue> five = NewInteger(5);
  EXPECT_FALSE(t->IsValid(five.get()));
  EXPECT_EQ(
      t->GetInvalidValueString(five.get()),
      Format(SInvalidValue, {"5", Format(SNotCorrectType, {"ATOM, STRING", "5", "dtInteger"})}));
}

TEST(TIEDefinedTypeTest, VariablesCallsAndNoneAreAlwaysValid) {
  Ref<TIEDefinedType> t = NewType("n");
  t->SetBaseTypes({dtInteger});
  EXPECT_TRUE(t->IsValid(NewVariable("x").get()));
  Ref<IIEValue> multi(new TIEValue(std::string_view("rest"), dtMultiVariable));
  EXPECT_TRUE(t->IsValid(multi.get()));
  Ref<IIEValue> none(new TIEValue);
  EXPECT_TRUE(t->IsValid(none.get()));
  EXPECT_EQ(t->GetInvalidValueString(NewVariable("x").get()), "");
}

TEST(TIEDefinedTypeTest, BaseTypesOutsideTheSlotKindsAreDropped) {
  Ref<TIEDefinedType> t = NewType("t");
  t->SetBaseTypes({dtInteger, dtList, dtMultiSlot});
  EXPECT_TRUE(t->GetBaseTypes() == TIETypes{dtInteger});
}

// ---------------------------------------------------------------- allowed values

TEST(TIEDefinedTypeTest, AllowedAtomsIgnoreCaseButDoNotAdmitStrings) {
  Ref<TIEDefinedType> t = NewType("color");
  t->SetBaseTypes({dtAtom});
  t->AddConstraint(NewAtom("red").get());
  t->AddConstraint(NewAtom("green").get());
  EXPECT_TRUE(t->GetConstraints() == TValueConstraints{vcAtom});
  EXPECT_TRUE(t->IsValid(NewAtom("RED").get()));
  EXPECT_FALSE(t->IsValid(NewAtom("blue").get()));
  EXPECT_FALSE(t->IsValid(NewString("red").get()));
  EXPECT_EQ(t->GetInvalidValueString(NewAtom("blue").get()),
            Format(SInvalidValue, {"blue", SNotAllowedValue}));

  t->SetBaseTypes({dtAtom, dtString});
  EXPECT_TRUE(t->IsValid(NewString("red").get()));  // no string list yet: any string
  t->AddConstraint(NewString("Red").get());
  EXPECT_TRUE(t->IsValid(NewString("red").get()));
  EXPECT_FALSE(t->IsValid(NewString("blue").get()));
}

TEST(TIEDefinedTypeTest, MultiDefaultNeverSharesTheSharedEmptyList) {
  Ref<TIEDefinedType> t = NewType("m");
  Ref<IIEValue> d = t->CreateValidDefault(true);
  d->GetAsList()->Add(NewAtom("x").get());
  EXPECT_EQ(FCNilList->GetAsList()->GetValueCount(), 0);
}

TEST(TIEDefinedTypeTest, IntegerIsCheckedAgainstAllowedFloatsWhenOnlyFloatsAreActive) {
  Ref<TIEDefinedType> t = NewType("f");
  t->AddConstraint(NewFloat(1.5).get());
  t->AddConstraint(NewFloat(2.0).get());
  EXPECT_TRUE(t->IsValid(NewInteger(2).get()));
  EXPECT_FALSE(t->IsValid(NewInteger(3).get()));
  EXPECT_TRUE(t->IsValid(NewFloat(1.5).get()));
}

TEST(TIEDefinedTypeTest, IntegralFloatIsCheckedAgainstAllowedIntegersWhenOnlyIntegersAreActive) {
  Ref<TIEDefinedType> t = NewType("i");
  t->AddConstraint(NewInteger(4).get());
  EXPECT_TRUE(t->IsValid(NewFloat(4.0).get()));
  // A float with a fraction has its own (inactive) list and passes it.
  EXPECT_TRUE(t->IsValid(NewFloat(4.5).get()));
  EXPECT_FALSE(t->IsValid(NewFloat(5.0).get()));
}

TEST(TIEDefinedTypeTest, AddingAnEqualValueTwiceKeepsOneEntry) {
  Ref<TIEDefinedType> t = NewType("t");
  t->AddConstraint(NewAtom("a").get());
  t->AddConstraint(NewAtom("A").get());
  t->AddConstraint(NewInteger(1).get());
  t->AddConstraint(NewInteger(1).get());
  EXPECT_EQ(t->GetConstraintAtomsCount(), 1);
  EXPECT_EQ(t->GetConstraintIntegersCount(), 1);
}

TEST(TIEDefinedTypeTest, ConstraintOfAnotherKindIsRefused) {
  Ref<TIEDefinedType> t = NewType("t");
  EXPECT_EQ(ErrorOf([&] { t->AddConstraint(NewFactId(1).get()); }),
            Format(SInvalidConstraint, {"t", "FactId"}));
  EXPECT_TRUE(t->GetConstraints().Empty());
}

TEST(TIEDefinedTypeTest, ReadingAnInactiveListRaisesNoSuchConstraint) {
  Ref<TIEDefinedType> t = NewType("t");
  EXPECT_EQ(ErrorOf([&] { t->GetConstraintAtom(0); }), Format(SNoSuchConstraint, {"t", "Atom"}));
  EXPECT_EQ(ErrorOf([&] { t->GetConstraintStringsCount(); }),
            Format(SNoSuchConstraint, {"t", "String"}));
  EXPECT_EQ(ErrorOf([&] { t->DeleteConstraint(0, vcInteger); }),
            Format(SNoSuchConstraint, {"t", "Integer"}));
  EXPECT_EQ(ErrorOf([&] { t->GetConstraintFloat(0); }), Format(SNoSuchConstraint, {"t", "Float"}));
}

TEST(TIEDefinedTypeTest, SwitchingAConstraintOffFreesItsListAndOnStartsEmpty) {
  Ref<TIEDefinedType> t = NewType("t");
  t->AddConstraint(NewInteger(7).get());
  t->SetConstraints({});
  EXPECT_FALSE(t->IsValid(NewInteger(7).get()) == false);  // no list: any integer
  t->SetConstraints({vcInteger});
  EXPECT_EQ(t->GetConstraintIntegersCount(), 0);
  // An active but empty list admits nothing of its kind.
  EXPECT_FALSE(t->IsValid(NewInteger(7).get()));
}

TEST(TIEDefinedTypeTest, RemoveDeleteAndClearConstraints) {
  Ref<TIEDefinedType> t = NewType("t");
  for (const char* a : {"a", "b", "c"})
    t->AddConstraint(NewAtom(a).get());
  t->AddConstraint(NewFloat(0.5).get());
  t->RemoveConstraint(NewAtom("B").get());
  ASSERT_EQ(t->GetConstraintAtomsCount(), 2);
  EXPECT_EQ(t->GetConstraintAtom(1), "c");
  t->DeleteConstraint(0, vcAtom);
  EXPECT_EQ(t->GetConstraintAtom(0), "c");
  t->ClearConstraints({vcAtom});
  EXPECT_EQ(t->GetConstraintAtomsCount(), 0);
  EXPECT_EQ(t->GetConstraintFloatsCount(), 1);
  t->ClearConstraints();
  EXPECT_EQ(t->GetConstraintFloatsCount(), 0);
  EXPECT_TRUE(t->GetConstraints() == (TValueConstraints{vcAtom, vcFloat}));
}

TEST(TIEDefinedTypeTest, IsConstraintReportsTheListThatHoldsTheValue) {
  Ref<TIEDefinedType> t = NewType("t");
  t->AddConstraint(NewString("x").get());
  t->AddConstraint(NewFloat(2.0).get());
  TValueConstraint c = vcAtom;
  EXPECT_TRUE(t->IsConstraint(NewString("X").get(), &c));
  EXPECT_EQ(c, vcString);
  EXPECT_TRUE(t->IsConstraint(NewInteger(2).get(), &c));
  EXPECT_EQ(c, vcFloat);
  EXPECT_FALSE(t->IsConstraint(NewAtom("x").get(), &c));
  EXPECT_FALSE(t->IsConstraint(NewFactId(2).get(), &c));
}

// ---------------------------------------------------------------- range, cardinality

TEST(TIEDefinedTypeTest, RangeLimitsNumbersInclusively) {
  Ref<TIEDefinedType> t = NewType("age");
  t->SetRangeLimited(true);
  t->SetMinRange(0);
  t->SetMaxRange(120);
  EXPECT_TRUE(t->IsValid(NewInteger(0).get()));
  EXPECT_TRUE(t->IsValid(NewFloat(120.0).get()));
  EXPECT_FALSE(t->IsValid(NewFloat(120.5).get()));
  EXPECT_TRUE(t->IsValid(NewAtom("unknown").get()));  // not a number: no range check
  EXPECT_EQ(t->GetInvalidValueString(NewInteger(-1).get()),
            Format(SInvalidValue, {"-1", Format(SOutOfRangeError, {0.0, 120.0})}));
  EXPECT_EQ(Format(SOutOfRangeError, {0.0, 120.0}), "Range must be between 0.0000 and 120.0000");
}

TEST(TIEDefinedTypeTest, CardinalityLimitsListsAndElementsAreValidatedToo) {
  Ref<TIEDefinedType> t = NewType("pair");
  t->SetBaseTypes({dtInteger});
  t->SetCardinalityLimited(true);
  t->SetMinCardinality(2);
  t->SetMaxCardinality(3);
  EXPECT_TRUE(t->IsValid(ListOf({NewInteger(1), NewInteger(2)}).get()));
  Ref<IIEValue> one = ListOf({NewInteger(1)});
  EXPECT_FALSE(t->IsValid(one.get()));
  EXPECT_EQ(t->GetInvalidValueString(one.get()),
            Format(SInvalidValue, {"1 ", Format(SListCardinalityError, {2, 3})}));
  // An invalid element is explained by its own text.
  Ref<IIEValue> bad = ListOf({NewInteger(1), NewAtom("x")});
  EXPECT_EQ(t->GetInvalidValueString(bad.get()),
            Format(SInvalidValue, {"x", Format(SNotCorrectType, {"INTEGER", "x", "dtAtom"})}));
}

// ---------------------------------------------------------------- defaults

TEST(TIEDefinedTypeTest, SingleDefaultFollowsTheFirstBaseKind) {
  Ref<TIEDefinedType> t = NewType("t");
  Ref<IIEValue> d = t->CreateValidDefault(false);
  EXPECT_EQ(d->GetDType(), dtAtom);
  EXPECT_EQ(d->GetAsString(), "");
  EXPECT_FALSE(IsValueConstant(d.get()));

  t->AddConstraint(NewAtom("green").get());
  t->AddConstraint(NewAtom("red").get());
  EXPECT_EQ(t->CreateValidDefault(false)->GetAsString(), "green");

  t->SetBaseTypes({dtString});
  EXPECT_EQ(t->CreateValidDefault(false)->GetDType(), dtString);
  t->SetBaseTypes({dtFactId});
  EXPECT_EQ(t->CreateValidDefault(false)->GetDType(), dtFactId);
  t->SetBaseTypes({dtDescriptor});
  EXPECT_EQ(t->CreateValidDefault(false)->GetDType(), dtDescriptor);
  t->SetBaseTypes({dtObject});
  EXPECT_EQ(t->CreateValidDefault(false)->GetAsObject(), nullptr);
}

TEST(TIEDefinedTypeTest, NumericDefaultComesFromAllowedValuesOrTheRange) {
  Ref<TIEDefinedType> t = NewType("n");
  t->SetBaseTypes({dtInteger});
  EXPECT_EQ(t->CreateValidDefault(false)->GetAsInteger(), 0);
  t->SetRangeLimited(true);
  EXPECT_EQ(t->CreateValidDefault(false)->GetAsInteger(), 0);  // range still the default
  t->SetMinRange(5.9);
  EXPECT_EQ(t->CreateValidDefault(false)->GetAsInteger(), 5);
  t->SetMinRange(kDefaultMinRange);
  t->SetMaxRange(-3.5);
  EXPECT_EQ(t->CreateValidDefault(false)->GetAsInteger(), -3);
  t->AddConstraint(NewInteger(42).get());
  EXPECT_EQ(t->CreateValidDefault(false)->GetAsInteger(), 42);

  Ref<TIEDefinedType> f = NewType("f");
  f->SetBaseTypes({dtFloat});
  f->SetRangeLimited(true);
  f->SetMinRange(1.25);
  Ref<IIEValue> d = f->CreateValidDefault(false);
  EXPECT_EQ(d->GetDType(), dtFloat);
  EXPECT_EQ(d->GetAsFloat(), 1.25);
}

TEST(TIEDefinedTypeTest, MultiDefaultIsAnEmptyListOrMinCardinalityDefaults) {
  Ref<TIEDefinedType> t = NewType("m");
  Ref<IIEValue> empty = t->CreateValidDefault(true);
  ASSERT_EQ(empty->GetDType(), dtList);
  EXPECT_EQ(empty->GetAsList()->GetValueCount(), 0);
  EXPECT_NE(empty.get(), FCNilList);
  EXPECT_NE(empty->GetAsList(), FCNilList->GetAsList());

  t->SetBaseTypes({dtInteger});
  t->SetCardinalityLimited(true);
  t->SetMinCardinality(2);
  t->SetMaxCardinality(3);
  Ref<IIEValue> two = t->CreateValidDefault(true);
  ASSERT_EQ(two->GetAsList()->GetValueCount(), 2);
  EXPECT_EQ(two->GetAsList()->Get(1)->GetDType(), dtInteger);
  EXPECT_TRUE(t->IsValid(two.get()));
}

TEST(TIEDefinedTypeTest, TypeWithNoCreatableKindDefaultsToNone) {
  Ref<TIEDefinedType> t = NewType("t");
  t->SetBaseTypes({});
  EXPECT_EQ(t->CreateValidDefault(false)->GetDType(), dtNone);
}

// ---------------------------------------------------------------- fuzzy types

class FakeFuzzyVariable : public IFuzzyVariable {
 public:
  explicit FakeFuzzyVariable(std::string name) : name_(std::move(name)) {}
  std::string GetName() const override { return name_; }
  void SetName(const std::string& name) override { name_ = name; }
  double GetLowerLimit() const override { return lo_; }
  double GetUpperLimit() const override { return hi_; }
  void SetLimits(double lo, double hi) override {
    lo_ = lo;
    hi_ = hi;
  }
  std::string GetUnits() const override { return {}; }
  void SetUnits(const std::string&) override {}
  int GetTermCount() const override { return 0; }
  IFuzzySet* GetTerm(int) const override { return nullptr; }
  void ClearFuzzySets() override {}
  Ref<IFuzzySet> NewDefaultSet() override { return nullptr; }
  bool Equals(IFuzzyVariable* other) const override { return other->GetName() == name_; }
  void Assign(IFuzzyVariable* source) override { name_ = source->GetName(); }
  std::string GetToString() const override { return name_; }

 private:
  std::string name_;
  double lo_ = 0, hi_ = 0;
};

class FuzzyKitScope {
 public:
  FuzzyKitScope() {
    TFuzzyKit kit;
    kit.new_variable = [](const std::string& name) -> Ref<IFuzzyVariable> {
      return Ref<IFuzzyVariable>(new FakeFuzzyVariable(name));
    };
    kit.new_set = [](const std::vector<std::pair<double, double>>&) -> Ref<IFuzzySet> {
      return nullptr;
    };
    SetFuzzyKit(kit);
  }
  ~FuzzyKitScope() { SetFuzzyKit(TFuzzyKit{}); }
};

TEST(TIEDefinedTypeTest, FuzzyCannotBeMixedWithOtherKinds) {
  Ref<TIEDefinedType> t = NewType("t");
  EXPECT_EQ(ErrorOf([&] { t->SetBaseTypes({dtFuzzy, dtInteger}); }), SCannotMixFuzzy);
  EXPECT_TRUE(t->GetBaseTypes() == IESlotTypes);
}

TEST(TIEDefinedTypeTest, FuzzyTypeWithoutAFuzzyLibraryIsRefusedAndLeftUnchanged) {
  Ref<TIEDefinedType> t = NewType("temperature");
  EXPECT_EQ(ErrorOf([&] { t->SetBaseTypes({dtFuzzy}); }), SFuzzyUnavailable);
  EXPECT_TRUE(t->GetBaseTypes() == IESlotTypes);
  EXPECT_EQ(t->GetFuzzyType(), nullptr);
}

TEST(TIEDefinedTypeTest, BecomingFuzzyCreatesAVariableNamedAfterTheTypeWithItsRange) {
  FuzzyKitScope kit;
  Ref<TIEDefinedType> t = NewType("temperature");
  t->SetRangeLimited(true);
  t->SetMinRange(0);
  t->SetMaxRange(100);
  t->SetBaseTypes({dtFuzzy});
  ASSERT_NE(t->GetFuzzyType(), nullptr);
  EXPECT_EQ(t->GetFuzzyType()->GetName(), "temperature");
  EXPECT_EQ(t->GetFuzzyType()->GetUpperLimit(), 100.0);
  // Crisp kinds are read into fuzzy values later and pass; others do not.
  EXPECT_TRUE(t->IsValid(NewAtom("hot").get()));
  EXPECT_TRUE(t->IsValid(NewFloat(3.5).get()));
  EXPECT_FALSE(t->IsValid(NewFactId(1).get()));
  EXPECT_EQ(t->GetInvalidValueString(NewFactId(1).get()),
            Format(SInvalidValue, {"<Fact-1>", SInvalidFuzzyValue}));
  EXPECT_EQ(GetAllowedString(*t), "");

  t->SetBaseTypes({dtFloat});
  EXPECT_EQ(t->GetFuzzyType(), nullptr);
}

// ---------------------------------------------------------------- notification

TEST(TIEDefinedTypeTest, EverySetterNotifiesOnceAndUpdatesBatchTheirChanges) {
  Ref<TIEDefinedType> t = NewType("t");
  int changes = 0;
  t->SetOnChange([&](TObject* sender) {
    EXPECT_EQ(sender, static_cast<TObject*>(t.get()));
    ++changes;
  });
  t->SetUnits("kg");
  t->SetComment("weight");
  t->SetRangeLimited(true);
  EXPECT_EQ(changes, 3);
  t->SetUnits("kg");  // unchanged: no notification
  EXPECT_EQ(changes, 3);

  t->BeginUpdate();
  t->BeginUpdate();
  t->SetMinRange(1);
  t->SetMaxRange(2);
  t->EndUpdate();
  EXPECT_EQ(changes, 3);
  t->EndUpdate();
  EXPECT_EQ(changes, 4);

  t->BeginUpdate();
  t->EndUpdate();
  EXPECT_EQ(changes, 4);  // nothing changed inside the update
}

// ---------------------------------------------------------------- inheritance

TEST(TIEDefinedTypeTest, AncestorLoopIsRefusedAndAnAncestorEndsImplicitness) {
  Ref<TIEDefinedType> a = NewType("a");
  Ref<TIEDefinedType> b = NewType("b");
  Ref<TIEDefinedType> c = NewType("c");
  c->SetImplicit(true);
  b->SetAncestor(a.get());
  c->SetAncestor(b.get());
  EXPECT_FALSE(c->GetImplicit());
  EXPECT_EQ(ErrorOf([&] { a->SetAncestor(c.get()); }), Format(STypeInheritanceLoop, {"a"}));
  EXPECT_EQ(a->GetAncestor(), nullptr);
  EXPECT_EQ(ErrorOf([&] { a->SetAncestor(a.get()); }), Format(STypeInheritanceLoop, {"a"}));
  b->SetAncestor(nullptr);  // break the chain so the references can go
  c->SetAncestor(nullptr);
}

// ---------------------------------------------------------------- equality, copying

Ref<TIEDefinedType> RichType() {
  Ref<TIEDefinedType> t = NewType("rich");
  t->SetBaseTypes({dtAtom, dtString, dtInteger, dtFloat});
  t->AddConstraint(NewAtom("a").get());
  t->AddConstraint(NewString("s").get());
  t->AddConstraint(NewInteger(1).get());
  t->AddConstraint(NewFloat(2.5).get());
  t->SetRangeLimited(true);
  t->SetMinRange(-10);
  t->SetMaxRange(10);
  t->SetCardinalityLimited(true);
  t->SetMaxCardinality(4);
  t->SetUnits("m");
  t->SetComment("c");
  return t;
}

TEST(TIEDefinedTypeTest, CloneIsEqualAndIndependent) {
  Ref<TIEDefinedType> t = RichType();
  Ref<IIEDefinedType> copy = t->Clone();
  EXPECT_TRUE(t->Equals(copy.get()));
  EXPECT_TRUE(copy->Equals(t.get()));
  EXPECT_EQ(copy->GetUnits(), "m");
  copy->AddConstraint(NewAtom("b").get());
  EXPECT_FALSE(t->Equals(copy.get()));
  EXPECT_EQ(t->GetConstraintAtomsCount(), 1);
}

TEST(TIEDefinedTypeTest, EqualityComparesNameKindsRangesWithToleranceAndLists) {
  Ref<TIEDefinedType> a = RichType();
  Ref<TIEDefinedType> b = RichType();
  EXPECT_TRUE(a->Equals(b.get()));
  b->SetMaxRange(10.00005);
  EXPECT_TRUE(a->Equals(b.get()));
  b->SetMaxRange(10.01);
  EXPECT_FALSE(a->Equals(b.get()));
  b = RichType();
  b->SetName("Rich");
  EXPECT_FALSE(a->Equals(b.get()));
  b = RichType();
  b->SetCardinalityLimited(false);
  EXPECT_FALSE(a->Equals(b.get()));
  b = RichType();
  b->RemoveConstraint(NewFloat(2.5).get());
  EXPECT_FALSE(a->Equals(b.get()));
  EXPECT_FALSE(a->Equals(static_cast<IInterface*>(NewAtom("rich").get())));
}

TEST(TIEDefinedTypeTest, AssignFromAnotherObjectFailsWithoutChangingTheType) {
  Ref<TIEDefinedType> t = RichType();
  Ref<IIEValue> v = NewAtom("x");
  EXPECT_THROW(t->Assign(static_cast<IInterface*>(v.get())), EConvertError);
  EXPECT_EQ(t->GetName(), "rich");
}

// ---------------------------------------------------------------- text

TEST(TIEDefinedTypeTest, AllowedStringWritesOneIndentedClausePerList) {
  Ref<TIEDefinedType> t = NewType("t");
  t->AddConstraint(NewAtom("red").get());
  t->AddConstraint(NewAtom("green").get());
  EXPECT_EQ(GetAllowedString(*t), "    (allowed-symbols red green ) \r\n");
  t->AddConstraint(NewInteger(1).get());
  t->AddConstraint(NewFloat(2.5).get());
  EXPECT_EQ(GetAllowedString(*t),
            "    (allowed-symbols red green ) \r\n"
            "    (allowed-numbers 1 2.5000 ) \r\n");
  t->AddConstraint(NewString("x").get());
  EXPECT_EQ(GetAllowedString(*t), "    (allowed-values red green \"x\" 1 2.5000 ) \r\n");
  EXPECT_EQ(ConstraintToString(*t, vcString), "\"x\" ");
}

TEST(TIEDefinedTypeTest, PrintedFormNamesKindsRangeCardinalityUnitsAndAllowedValues) {
  Ref<TIEDefinedType> t = NewType("score");
  t->SetBaseTypes({dtInteger, dtFloat});
  t->SetRangeLimited(true);
  t->SetMinRange(0);
  t->SetMaxRange(10);
  t->SetUnits("points");
  EXPECT_EQ(t->GetToString(),
            "(deftype score\r\n"
            "    (extends (type INTEGER FLOAT))\r\n"
            "    (range 0.0000 10.0000)\r\n"
            "    (units \"points\")\r\n"
            ")");
  t->SetImplicit(true);
  EXPECT_EQ(t->GetToString(),
            "(type INTEGER FLOAT)\r\n"
            "    (range 0.0000 10.0000)\r\n"
            "    (units \"points\")\r\n");
  EXPECT_EQ(TypeKeywordsToString(IESlotTypes), "?VARIABLE");
}

TEST(TIEDefinedTypeTest, DescriptionListsTheSetPropertiesWithTheirLabels) {
  Ref<TIEDefinedType> t = NewType("t");
  t->SetBaseTypes({dtAtom});
  t->AddConstraint(NewAtom("a").get());
  t->AddConstraint(NewAtom("b").get());
  t->SetUnits("u");
  EXPECT_EQ(t->GetDescription(),
            "Primitive Types: ATOM\r\n"
            "Allowed: a, b\r\n"
            "Units: u\r\n");
}

}  // namespace
}  // namespace rulecore
