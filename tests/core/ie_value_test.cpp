// rulecore: an embeddable expert-system shell.
// Tests of TIEValue: construction, change notification, conversion, printing, copying,
// equality, hashing, resolution, the shared constants and ownership of host objects.
#include "core/ie_value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/binding_info.h"
#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/messages.h"
#include "core/value_vector.h"
#include "platform/component.h"
#include "platform/format.h"
#include "support/test_helpers.h"

namespace rulecore {
namespace {

// ---------------------------------------------------------------- test objects

// A copyable host object that counts its live instances.
class TCountedThing : public TPersistent {
  RC_DECLARE_CLASS(TCountedThing)

 public:
  TCountedThing() { ++live; }
  ~TCountedThing() override { --live; }
  void Assign(const TPersistent& source) override {
    if (auto* other = dynamic_cast<const TCountedThing*>(&source)) {
      size = other->size;
      return;
    }
    TPersistent::Assign(source);
  }

  int size = 0;
  static int live;
};
int TCountedThing::live = 0;
TObject* NewCountedThing(TComponent*) {
  return new TCountedThing;
}
RC_DEFINE_CLASS(TCountedThing, TPersistent, NewCountedThing)

// A copyable component.
class TWidget : public TComponent {
  RC_DECLARE_CLASS(TWidget)

 public:
  explicit TWidget(TComponent* owner) : TComponent(owner) {}
  void Assign(const TPersistent& source) override {
    if (auto* other = dynamic_cast<const TWidget*>(&source)) {
      size = other->size;
      return;
    }
    TComponent::Assign(source);
  }

  int size = 0;
};
TObject* NewWidget(TComponent* owner) {
  return new TWidget(owner);
}
RC_DEFINE_CLASS(TWidget, TComponent, NewWidget)

// A host object that is not persistent and so cannot be copied.
class TPlainThing : public TObject {
  RC_DECLARE_CLASS(TPlainThing)
};
RC_DEFINE_CLASS(TPlainThing, TObject, nullptr)

// A context with a table of bindings; binding references resolve to an atom
// naming the place they stand for.
class TestContext final : public IIEContext {
 public:
  void Bind(const std::string& name, IIEValue* value) { bindings_[name] = Ref<IIEValue>(value); }

  IIEValue* FindBindingValue(std::string_view name) override {
    looked_up.emplace_back(name);
    auto it = bindings_.find(std::string(name));
    return it == bindings_.end() ? nullptr : it->second.get();
  }
  Ref<IIEValue> ResolveBindingInfo(const TBindingInfo& info) override {
    resolved_info = &info;
    return NewAtom(info.SlotName() + "@" + std::to_string(info.FactIdx()));
  }

  std::vector<std::string> looked_up;
  const TBindingInfo* resolved_info = nullptr;

 private:
  std::map<std::string, Ref<IIEValue>> bindings_;
};

// ---------------------------------------------------------------- helpers

std::string NotCorrectType(const char* word, const char* shown, const char* kind) {
  return Format(SNotCorrectType, {word, shown, kind});
}

void* Address(uintptr_t n) {
  return reinterpret_cast<void*>(n);
}

Ref<IIEValue> Value(TIEValue* v) {
  return Ref<IIEValue>(v);
}

TIEValue* Impl(const Ref<IIEValue>& v) {
  return dynamic_cast<TIEValue*>(v.get());
}

// A named setter, applied to a value through its interface.
struct Setter {
  const char* name;
  std::function<void(IIEValue*)> apply;
};

// One setter call of every kind; owned objects are handed over only on success.
std::vector<Setter> AllSetters() {
  static TPlainThing unowned;
  return {
      {"SetAsAtom", [](IIEValue* v) { v->SetAsAtom("a"); }},
      {"SetAsString", [](IIEValue* v) { v->SetAsString("s"); }},
      {"SetAsVariable", [](IIEValue* v) { v->SetAsVariable("x"); }},
      {"SetAsMultiVariable", [](IIEValue* v) { v->SetAsMultiVariable("xs"); }},
      {"SetAsSlot", [](IIEValue* v) { v->SetAsSlot("color"); }},
      {"SetAsMultiSlot", [](IIEValue* v) { v->SetAsMultiSlot("colors"); }},
      {"SetAsInteger", [](IIEValue* v) { v->SetAsInteger(3); }},
      {"SetAsFactId", [](IIEValue* v) { v->SetAsFactId(4); }},
      {"SetAsDescriptor", [](IIEValue* v) { v->SetAsDescriptor(5); }},
      {"SetAsFloat", [](IIEValue* v) { v->SetAsFloat(1.5); }},
      {"SetAsExternalAddress", [](IIEValue* v) { v->SetAsExternalAddress(Address(64)); }},
      {"SetAsFunCall", [](IIEValue* v) { v->SetAsFunCall(nullptr); }},
      {"SetAsFact", [](IIEValue* v) { v->SetAsFact(nullptr); }},
      {"SetAsList", [](IIEValue* v) { v->SetAsList(new TValueVector); }},
      {"SetAsSingletons", [](IIEValue* v) { v->SetAsSingletons(new TSingletonsVector); }},
      {"SetAsFuzzy", [](IIEValue* v) { v->SetAsFuzzy(nullptr); }},
      {"SetAsObject", [](IIEValue* v) { v->SetAsObject(&unowned); }},
      {"SetAsOwnedObject",
       [](IIEValue* v) {
         auto thing = std::make_unique<TCountedThing>();
         v->SetAsOwnedObject(thing.get());
         thing.release();
       }},
      {"SetAsClass", [](IIEValue* v) { v->SetAsClass(&TCountedThing::StaticClass()); }},
  };
}

// ---------------------------------------------------------------- construction

TEST(TIEValueConstructionTest, EveryConstructorGivesAnUnheldValueOfItsKind) {
  TObject* no_object = nullptr;
  struct Case {
    TIEValue* value;
    TIEType kind;
  };
  const Case cases[] = {
      {new TIEValue, dtNone},
      {new TIEValue(&TCountedThing::StaticClass()), dtClass},
      {new TIEValue(7, dtInteger), dtInteger},
      {new TIEValue(7, dtFactId), dtFactId},
      {new TIEValue(7, dtDescriptor), dtDescriptor},
      {new TIEValue("t", dtAtom), dtAtom},
      {new TIEValue("t", dtString), dtString},
      {new TIEValue("t", dtVariable), dtVariable},
      {new TIEValue("t", dtMultiVariable), dtMultiVariable},
      {new TIEValue("t", dtSlot), dtSlot},
      {new TIEValue("t", dtMultiSlot), dtMultiSlot},
      {new TIEValue(1.5), dtFloat},
      {new TIEValue(static_cast<IValueVector*>(new TValueVector)), dtList},
      {new TIEValue(static_cast<IFact*>(nullptr)), dtFact},
      {new TIEValue(static_cast<IFunCall*>(nullptr)), dtFunCall},
      {new TIEValue(static_cast<ISingletonsVector*>(new TSingletonsVector)), dtSingletons},
      {new TIEValue(static_cast<IFuzzySet*>(nullptr)), dtFuzzy},
      {new TIEValue(no_object, false), dtObject},
      {new TIEValue(Address(16)), dtExternalAddress},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value->RefCount(), 0) << GetIETypeName(c.kind);
    Ref<IIEValue> held(c.value);
    EXPECT_EQ(held->GetDType(), c.kind);
    EXPECT_EQ(held->RefCount(), 1);
  }
}

TEST(TIEValueConstructionTest, IntegerConstructorRequiresAnIntegerKind) {
  for (TIEType kind : {dtNone, dtAtom, dtFloat, dtObject, dtExternalAddress, dtList}) {
    ExpectIEError([&] { TIEValue v(1, kind); }, SInvalidValueType);
  }
}

TEST(TIEValueConstructionTest, TextConstructorRequiresATextKind) {
  for (TIEType kind : {dtNone, dtInteger, dtFloat, dtFactId, dtFunCall, dtFuzzy}) {
    ExpectIEError([&] { TIEValue v(std::string_view("x"), kind); }, SInvalidValueType);
  }
}

TEST(TIEValueConstructionTest, ConstructingFromAnotherValueCopiesItAndClonesItsList) {
  Ref<IIEValue> list = NewEmptyList();
  list->GetAsList()->Add(NewAtom("a").get());
  list->SetTag(12);
  Ref<IIEValue> copy = Value(new TIEValue(list.get()));
  EXPECT_EQ(copy->GetDType(), dtList);
  EXPECT_EQ(copy->GetTag(), 12);
  EXPECT_NE(copy->GetAsList(), list->GetAsList());
  EXPECT_TRUE(copy->Equals(list.get()));
  list->GetAsList()->Add(NewAtom("b").get());
  EXPECT_EQ(copy->GetToString(), "a ");
}

// ---------------------------------------------------------------- change notification

TEST(TIEValueOnChangeTest, EverySetterNotifiesExactlyOnceWithTheValueAsSender) {
  for (const Setter& setter : AllSetters()) {
    Ref<IIEValue> v = Value(new TIEValue);
    int calls = 0;
    IIEValue* sender = nullptr;
    v->SetOnChange([&](IIEValue* s) {
      ++calls;
      sender = s;
    });
    setter.apply(v.get());
    EXPECT_EQ(calls, 1) << setter.name;
    EXPECT_EQ(sender, v.get()) << setter.name;
  }
  EXPECT_EQ(TCountedThing::live, 0);
}

TEST(TIEValueOnChangeTest, ResetAndTagChangesDoNotNotify) {
  Ref<IIEValue> v = NewAtom("x");
  int calls = 0;
  v->SetOnChange([&](IIEValue*) { ++calls; });
  v->Reset();
  v->SetTag(3);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(v->GetDType(), dtNone);
  EXPECT_EQ(v->GetToString(), "");
}

TEST(TIEValueOnChangeTest, AssignmentsNotifyOnce) {
  Ref<IIEValue> source = NewInteger(8);
  Ref<IIEValue> dest = NewAtom("old");
  int calls = 0;
  dest->SetOnChange([&](IIEValue*) { ++calls; });
  dest->Assign(static_cast<IInterface*>(source.get()));
  EXPECT_EQ(calls, 1);
  Impl(dest)->Assign(*Impl(NewFloat(2)));
  EXPECT_EQ(calls, 2);
  source->AssignTo(dest.get());
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(dest->GetToString(), "8");
}

TEST(TIEValueOnChangeTest, ClearedHandlerIsNoLongerCalled) {
  Ref<IIEValue> v = NewAtom("x");
  int calls = 0;
  v->SetOnChange([&](IIEValue*) { ++calls; });
  ASSERT_NE(v->GetOnChange(), nullptr);
  v->SetOnChange(nullptr);
  EXPECT_EQ(v->GetOnChange(), nullptr);
  v->SetAsInteger(1);
  EXPECT_EQ(calls, 0);
}

// ---------------------------------------------------------------- getters

TEST(TIEValueGetterTest, TextGettersGiveTheTextOfEveryTextKind) {
  for (TIEType kind : {dtAtom, dtString, dtVariable, dtMultiVariable, dtSlot, dtMultiSlot}) {
    Ref<IIEValue> v = Value(new TIEValue(std::string_view("word"), kind));
    EXPECT_EQ(v->GetAsString(), "word") << GetIETypeName(kind);
    EXPECT_EQ(v->GetAsAtom(), "word");
    EXPECT_EQ(v->GetAsVariable(), "word");
    EXPECT_EQ(v->GetAsMultiVariable(), "word");
    EXPECT_EQ(v->GetAsSlot(), "word");
    EXPECT_EQ(v->GetAsMultiSlot(), "word");
    EXPECT_EQ(v->PeekText(), "word");
  }
}

TEST(TIEValueGetterTest, StringGetterPrintsIntegersAndFloats) {
  EXPECT_EQ(NewInteger(-42)->GetAsString(), "-42");
  EXPECT_EQ(NewFloat(2)->GetAsString(), "2.0000");
  EXPECT_EQ(NewFloat(-0.125)->GetAsAtom(), "-0.1250");
  EXPECT_EQ(NewInteger(7)->PeekText(), "");
}

TEST(TIEValueGetterTest, StringGetterRejectsOtherKinds) {
  ExpectIEError([] { NewFactId(3)->GetAsString(); },
                NotCorrectType("string", "<Fact-3>", "dtFactId"));
  ExpectIEError([] { Value(new TIEValue)->GetAsAtom(); }, NotCorrectType("string", "", "dtNone"));
  ExpectIEError([] { Value(new TIEValue(9, dtDescriptor))->GetAsVariable(); },
                NotCorrectType("string", "<UNKNOWN>", "dtDescriptor"));
  Ref<IIEValue> list = NewEmptyList();
  list->GetAsList()->Add(NewAtom("a").get());
  ExpectIEError([&] { list->GetAsSlot(); }, NotCorrectType("string", "a ", "dtList"));
}

TEST(TIEValueGetterTest, IntegerGetterReadsTextAsIntegerOrTruncatedFloat) {
  EXPECT_EQ(NewAtom("42")->GetAsInteger(), 42);
  EXPECT_EQ(NewString(" -7 ")->GetAsInteger(), -7);
  EXPECT_EQ(NewAtom("3.99")->GetAsInteger(), 3);
  EXPECT_EQ(NewString("-3.99")->GetAsInteger(), -3);
  EXPECT_EQ(NewAtom("1e3")->GetAsInteger(), 1000);
}

TEST(TIEValueGetterTest, IntegerGetterReadsIntegerKindsAndTruncatesFloats) {
  EXPECT_EQ(NewInteger(-5)->GetAsInteger(), -5);
  EXPECT_EQ(NewFactId(6)->GetAsInteger(), 6);
  EXPECT_EQ(Value(new TIEValue(8, dtDescriptor))->GetAsInteger(), 8);
  EXPECT_EQ(Value(new TIEValue(Address(4096)))->GetAsInteger(), 4096);
  EXPECT_EQ(NewFloat(3.7)->GetAsInteger(), 3);
  EXPECT_EQ(NewFloat(-3.7)->GetAsInteger(), -3);
}

TEST(TIEValueGetterTest, IntegerGetterRejectsUnreadableTextAndOtherKinds) {
  ExpectIEError([] { NewAtom("abc")->GetAsInteger(); }, NotCorrectType("integer", "abc", "dtAtom"));
  ExpectIEError([] { NewString("12x")->GetAsInteger(); },
                NotCorrectType("integer", "\"12x\"", "dtString"));
  // Only atoms and strings are read as numbers.
  ExpectIEError([] { NewVariable("12")->GetAsInteger(); },
                NotCorrectType("integer", "?12", "dtVariable"));
  ExpectIEError([] { Value(new TIEValue(&TCountedThing::StaticClass()))->GetAsInteger(); },
                NotCorrectType("integer", "TCountedThing", "dtClass"));
}

TEST(TIEValueGetterTest, NumericGetterReadsNilAsZeroButNoOtherEmptyText) {
  EXPECT_EQ(FCNil->GetAsNumeric(), 0.0);
  EXPECT_EQ(FCNil->GetAsFloat(), 0.0);
  ExpectIEError([] { FCEmptyString->GetAsNumeric(); }, NotCorrectType("numeric", "", "dtAtom"));
  ExpectIEError([] { NewAtom("")->GetAsFloat(); }, NotCorrectType("numeric", "", "dtAtom"));
  ExpectIEError([] { NewString("")->GetAsNumeric(); },
                NotCorrectType("numeric", "\"\"", "dtString"));
}

TEST(TIEValueGetterTest, NumericGetterReadsTextAndNumberKinds) {
  EXPECT_EQ(NewAtom("2.5")->GetAsNumeric(), 2.5);
  EXPECT_EQ(NewString("-4")->GetAsFloat(), -4.0);
  EXPECT_EQ(NewInteger(9)->GetAsNumeric(), 9.0);
  EXPECT_EQ(NewFactId(2)->GetAsNumeric(), 2.0);
  EXPECT_EQ(Value(new TIEValue(3, dtDescriptor))->GetAsFloat(), 3.0);
  EXPECT_EQ(NewFloat(0.1)->GetAsFloat(), 0.1);
}

TEST(TIEValueGetterTest, NumericGetterRejectsUnreadableTextAndOtherKinds) {
  ExpectIEError([] { NewAtom("two")->GetAsFloat(); }, NotCorrectType("numeric", "two", "dtAtom"));
  ExpectIEError([] { NewVariable("x")->GetAsNumeric(); },
                NotCorrectType("numeric", "?x", "dtVariable"));
  ExpectIEError([] { NewEmptyList()->GetAsNumeric(); }, NotCorrectType("numeric", "", "dtList"));
}

TEST(TIEValueGetterTest, FactIdGetterAcceptsIntegerFactIdAndFloat) {
  EXPECT_EQ(NewInteger(4)->GetAsFactId(), 4);
  EXPECT_EQ(NewFactId(5)->GetAsFactId(), 5);
  EXPECT_EQ(NewFloat(6.9)->GetAsFactId(), 6);
  ExpectIEError([] { NewAtom("4")->GetAsFactId(); }, NotCorrectType("fact id", "4", "dtAtom"));
  ExpectIEError([] { Value(new TIEValue(4, dtDescriptor))->GetAsFactId(); },
                NotCorrectType("fact id", "<UNKNOWN>", "dtDescriptor"));
}

TEST(TIEValueGetterTest, DescriptorGetterAcceptsOnlyDescriptors) {
  EXPECT_EQ(Value(new TIEValue(11, dtDescriptor))->GetAsDescriptor(), 11);
  ExpectIEError([] { NewInteger(11)->GetAsDescriptor(); },
                NotCorrectType("descriptor", "11", "dtInteger"));
}

TEST(TIEValueGetterTest, ExternalAddressGetterAcceptsObjectsAndAddresses) {
  TCountedThing thing;
  EXPECT_EQ(Value(new TIEValue(&thing, false))->GetAsExternalAddress(),
            static_cast<void*>(static_cast<TObject*>(&thing)));
  EXPECT_EQ(Value(new TIEValue(Address(256)))->GetAsExternalAddress(), Address(256));
  ExpectIEError([] { NewInteger(256)->GetAsExternalAddress(); },
                NotCorrectType("External Address", "256", "dtInteger"));
}

TEST(TIEValueGetterTest, ReferenceGettersAcceptOnlyTheirOwnKind) {
  TCountedThing thing;
  Ref<IIEValue> object = Value(new TIEValue(&thing, false));
  EXPECT_EQ(object->GetAsObject(), &thing);
  EXPECT_EQ(object->GetAsOwnedObject(), &thing);
  EXPECT_EQ(Value(new TIEValue(&TWidget::StaticClass()))->GetAsClass(), &TWidget::StaticClass());
  Ref<TValueVector> vector(new TValueVector);
  EXPECT_EQ(NewList(vector.get())->GetAsList(), vector.get());

  Ref<IIEValue> atom = NewAtom("a");
  ExpectIEError([&] { atom->GetAsObject(); }, NotCorrectType("object", "a", "dtAtom"));
  ExpectIEError([&] { atom->GetAsOwnedObject(); }, NotCorrectType("object", "a", "dtAtom"));
  ExpectIEError([&] { atom->GetAsClass(); }, NotCorrectType("class", "a", "dtAtom"));
  ExpectIEError([&] { atom->GetAsFact(); }, NotCorrectType("fact", "a", "dtAtom"));
  ExpectIEError([&] { atom->GetAsFunCall(); }, NotCorrectType("function call", "a", "dtAtom"));
  ExpectIEError([&] { atom->GetAsList(); }, NotCorrectType("list", "a", "dtAtom"));
  ExpectIEError([&] { atom->GetAsSingletons(); }, NotCorrectType("singletons", "a", "dtAtom"));
  ExpectIEError([&] { atom->GetAsFuzzy(); }, NotCorrectType("fuzzy value", "a", "dtAtom"));
  ExpectIEError([&] { NewInteger(1)->GetAsList(); }, NotCorrectType("list", "1", "dtInteger"));
}

// ---------------------------------------------------------------- printing

TEST(TIEValuePrintTest, TextKindsPrintInRuleNotation) {
  EXPECT_EQ(Value(new TIEValue)->GetToString(), "");
  EXPECT_EQ(NewAtom("red")->GetToString(), "red");
  EXPECT_EQ(Value(new TIEValue("color", dtSlot))->GetToString(), "color");
  EXPECT_EQ(Value(new TIEValue("colors", dtMultiSlot))->GetToString(), "colors");
  EXPECT_EQ(NewVariable("x")->GetToString(), "?x");
  EXPECT_EQ(Value(new TIEValue("rest", dtMultiVariable))->GetToString(), "$?rest");
}

TEST(TIEValuePrintTest, StringIsQuotedWithBackslashesAndQuotesEscaped) {
  EXPECT_EQ(NewString("hello world")->GetToString(), "\"hello world\"");
  EXPECT_EQ(NewString("")->GetToString(), "\"\"");
  EXPECT_EQ(NewString("say \"hi\"")->GetToString(), "\"say \\\"hi\\\"\"");
  EXPECT_EQ(NewString("a\\b")->GetToString(), "\"a\\\\b\"");
  // A backslash before a quote is doubled, and the quote gets its own backslash.
  EXPECT_EQ(NewString("\\\"")->GetToString(), "\"\\\\\\\"\"");
}

TEST(TIEValuePrintTest, NumbersPrintInDecimal) {
  EXPECT_EQ(NewInteger(0)->GetToString(), "0");
  EXPECT_EQ(NewInteger(-2147483647 - 1)->GetToString(), "-2147483648");
  EXPECT_EQ(NewFactId(12)->GetToString(), "<Fact-12>");
  EXPECT_EQ(Value(new TIEValue(5, dtDescriptor))->GetToString(), "<UNKNOWN>");
}

TEST(TIEValuePrintTest, FloatPrintsWithFourDecimalsEvenWhenIntegral) {
  EXPECT_EQ(NewFloat(2)->GetToString(), "2.0000");
  EXPECT_EQ(NewFloat(3.141592653589793)->GetToString(), "3.1416");
  EXPECT_EQ(NewFloat(-0.5)->GetToString(), "-0.5000");
  EXPECT_EQ(NewFloat(1e10)->GetToString(), "10000000000.0000");
  EXPECT_EQ(NewFloat(0.00004)->GetToString(), "0.0000");
}

TEST(TIEValuePrintTest, ListPrintsItsElementsEachFollowedByABlank) {
  Ref<IIEValue> list = NewEmptyList();
  EXPECT_EQ(list->GetToString(), "");
  list->GetAsList()->Add(NewAtom("a").get());
  list->GetAsList()->Add(NewString("b").get());
  list->GetAsList()->Add(NewInteger(3).get());
  EXPECT_EQ(list->GetToString(), "a \"b\" 3 ");
  EXPECT_EQ(Value(new TIEValue(static_cast<IValueVector*>(nullptr)))->GetToString(), "");
}

TEST(TIEValuePrintTest, ObjectsPrintAsBindingPlaceOrClassName) {
  TObject* no_object = nullptr;
  EXPECT_EQ(Value(new TIEValue(no_object, false))->GetToString(), "");
  EXPECT_EQ(Value(new TIEValue(new TBindingInfo(1, "color", 2), true))->GetToString(),
            "<TBindingInfo: FactIdx=1 SlotIdx=color SubIdx=2>");
  EXPECT_EQ(Value(new TIEValue(new TBindingInfo(0, "size", NoSubIndex), true))->GetToString(),
            "<TBindingInfo: FactIdx=0 SlotIdx=size>");
  TCountedThing thing;
  EXPECT_EQ(Value(new TIEValue(&thing, false))->GetToString(), "<Object: TCountedThing>");
  TComponent component;
  EXPECT_EQ(Value(new TIEValue(&component, false))->GetToString(), "<Object: TComponent>");
}

TEST(TIEValuePrintTest, ClassAndAddressAndEmptyReferencesPrint) {
  EXPECT_EQ(Value(new TIEValue(&TWidget::StaticClass()))->GetToString(), "TWidget");
  EXPECT_EQ(Value(new TIEValue(static_cast<const TClassInfo*>(nullptr)))->GetToString(), "");
  EXPECT_EQ(Value(new TIEValue(Address(4096)))->GetToString(), "<External-Address: 4096>");
  EXPECT_EQ(Value(new TIEValue(Address(0)))->GetToString(), "<External-Address: 0>");
  EXPECT_EQ(Value(new TIEValue(static_cast<IFunCall*>(nullptr)))->GetToString(), "");
  EXPECT_EQ(Value(new TIEValue(static_cast<IFact*>(nullptr)))->GetToString(), "");
}

// ---------------------------------------------------------------- assignment

TEST(TIEValueAssignTest, AssignFromPersistentSharesTheList) {
  Ref<IIEValue> source = NewEmptyList();
  source->GetAsList()->Add(NewAtom("a").get());
  Ref<IIEValue> copy = NewAtom("old");
  Impl(copy)->Assign(*Impl(source));
  EXPECT_EQ(copy->GetAsList(), source->GetAsList());
  source->GetAsList()->Add(NewAtom("b").get());
  EXPECT_EQ(copy->GetToString(), "a b ");
}

TEST(TIEValueAssignTest, AssignFromInterfaceClonesTheList) {
  Ref<IIEValue> source = NewEmptyList();
  source->GetAsList()->Add(NewAtom("a").get());
  Ref<IIEValue> copy = NewAtom("old");
  copy->Assign(static_cast<IInterface*>(source.get()));
  EXPECT_NE(copy->GetAsList(), source->GetAsList());
  EXPECT_TRUE(copy->Equals(source.get()));
  source->GetAsList()->Add(NewAtom("b").get());
  EXPECT_EQ(copy->GetToString(), "a ");
}

TEST(TIEValueAssignTest, AssignToClonesTheList) {
  Ref<IIEValue> source = NewEmptyList();
  source->GetAsList()->Add(NewInteger(1).get());
  Ref<IIEValue> dest = NewInteger(0);
  source->AssignTo(dest.get());
  EXPECT_NE(dest->GetAsList(), source->GetAsList());
  source->GetAsList()->Get(0)->SetAsInteger(2);
  EXPECT_EQ(dest->GetToString(), "1 ");
}

TEST(TIEValueAssignTest, CloneSharesTheListLikePersistentAssign) {
  Ref<IIEValue> source = NewEmptyList();
  Ref<IIEValue> copy = source->Clone();
  EXPECT_NE(copy.get(), source.get());
  EXPECT_EQ(copy->GetAsList(), source->GetAsList());
  EXPECT_EQ(copy->RefCount(), 1);
}

TEST(TIEValueAssignTest, EveryWayOfCopyingCarriesKindPayloadAndTag) {
  Ref<IIEValue> source = NewString("text");
  source->SetTag(42);
  Ref<IIEValue> by_persistent = Value(new TIEValue);
  Impl(by_persistent)->Assign(*Impl(source));
  Ref<IIEValue> by_interface = Value(new TIEValue);
  by_interface->Assign(static_cast<IInterface*>(source.get()));
  Ref<IIEValue> by_assign_to = Value(new TIEValue);
  source->AssignTo(by_assign_to.get());
  Ref<IIEValue> by_clone = source->Clone();
  for (const Ref<IIEValue>& copy : {by_persistent, by_interface, by_assign_to, by_clone}) {
    EXPECT_EQ(copy->GetDType(), dtString);
    EXPECT_EQ(copy->GetToString(), "\"text\"");
    EXPECT_EQ(copy->GetTag(), 42);
  }
}

TEST(TIEValueAssignTest, AssigningNoneResetsTheDestination) {
  Ref<IIEValue> none = Value(new TIEValue);
  Ref<IIEValue> dest = NewAtom("x");
  dest->SetTag(1);
  none->AssignTo(dest.get());
  EXPECT_EQ(dest->GetDType(), dtNone);
  EXPECT_EQ(dest->GetTag(), 0);
  Ref<IIEValue> other = NewFloat(1);
  other->Assign(static_cast<IInterface*>(none.get()));
  EXPECT_EQ(other->GetDType(), dtNone);
}

TEST(TIEValueAssignTest, AssignFromANonValueRaisesConvertError) {
  Ref<IIEValue> dest = NewAtom("x");
  Ref<TValueVector> vector(new TValueVector);
  EXPECT_THROW(dest->Assign(static_cast<IInterface*>(vector.get())), EConvertError);
  EXPECT_EQ(dest->GetToString(), "x");
}

TEST(TIEValueAssignTest, OwnedPersistentObjectIsCopiedToANewInstance) {
  auto* info = new TBindingInfo(3, "weight", 1);
  Ref<IIEValue> source = Value(new TIEValue(info, true));
  Ref<IIEValue> copy = source->Clone();
  ASSERT_TRUE(copy->IsOwningObject());
  auto* copied = dynamic_cast<TBindingInfo*>(copy->GetAsObject());
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, info);
  EXPECT_TRUE(copied->Equals(info));
  EXPECT_EQ(copy->GetToString(), source->GetToString());

  Ref<IIEValue> by_assign_to = Value(new TIEValue);
  source->AssignTo(by_assign_to.get());
  EXPECT_TRUE(by_assign_to->IsOwningObject());
  EXPECT_NE(by_assign_to->GetAsObject(), info);
}

TEST(TIEValueAssignTest, CopiesOfOwnedObjectsAreFreedWithTheirValues) {
  ASSERT_EQ(TCountedThing::live, 0);
  {
    auto* thing = new TCountedThing;
    thing->size = 17;
    Ref<IIEValue> source = Value(new TIEValue(thing, true));
    Ref<IIEValue> copy = Value(new TIEValue);
    copy->Assign(static_cast<IInterface*>(source.get()));
    EXPECT_EQ(TCountedThing::live, 2);
    auto* copied = dynamic_cast<TCountedThing*>(copy->GetAsObject());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->size, 17);
  }
  EXPECT_EQ(TCountedThing::live, 0);
}

TEST(TIEValueAssignTest, OwnedComponentIsCopiedWithTheSameOwner) {
  TComponent owner;
  auto* widget = new TWidget(&owner);
  widget->size = 5;
  Ref<IIEValue> source = Value(new TIEValue(widget, true));
  Ref<IIEValue> copy = source->Clone();
  auto* copied = dynamic_cast<TWidget*>(copy->GetAsObject());
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, widget);
  EXPECT_EQ(copied->Owner(), &owner);
  EXPECT_EQ(copied->size, 5);
  EXPECT_EQ(owner.ComponentCount(), 2);
  copy.reset();
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(TIEValueAssignTest, OwnedObjectThatCannotBeCopiedRaisesUncloneable) {
  const std::string expected = Format(SUncloneableValue, {"TPlainThing"});
  Ref<IIEValue> source = Value(new TIEValue(new TPlainThing, true));
  ExpectIEError([&] { source->Clone(); }, expected);
  Ref<IIEValue> dest = NewAtom("x");
  ExpectIEError([&] { source->AssignTo(dest.get()); }, expected);
  ExpectIEError([&] { dest->Assign(static_cast<IInterface*>(source.get())); }, expected);
  ExpectIEError([&] { Impl(dest)->Assign(*Impl(source)); }, expected);
  // The source keeps its object.
  EXPECT_TRUE(source->IsOwningObject());
}

TEST(TIEValueAssignTest, OwnedComponentThatCannotAssignRaisesUncloneableAndLeavesNoCopy) {
  TComponent owner;
  Ref<IIEValue> source = Value(new TIEValue(new TComponent(&owner), true));
  ExpectIEError([&] { source->Clone(); }, Format(SUncloneableValue, {"TComponent"}));
  EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(TIEValueAssignTest, NotOwnedObjectIsSharedNotCopied) {
  TPlainThing plain;
  Ref<IIEValue> source = Value(new TIEValue(&plain, false));
  Ref<IIEValue> copy = source->Clone();
  EXPECT_EQ(copy->GetAsObject(), &plain);
  EXPECT_FALSE(copy->IsOwningObject());
}

TEST(TIEValueAssignTest, AssigningAnElementOfItsOwnListKeepsTheElementAlive) {
  Ref<IIEValue> holder = NewEmptyList();
  holder->GetAsList()->Add(NewString("inner").get());
  IIEValue* inner = holder->GetAsList()->Get(0);
  inner->SetTag(4);
  holder->Assign(static_cast<IInterface*>(inner));
  EXPECT_EQ(holder->GetToString(), "\"inner\"");
  EXPECT_EQ(holder->GetTag(), 4);

  Ref<IIEValue> persistent_holder = NewEmptyList();
  persistent_holder->GetAsList()->Add(NewAtom("x").get());
  auto* element = dynamic_cast<TIEValue*>(persistent_holder->GetAsList()->Get(0));
  Impl(persistent_holder)->Assign(*element);
  EXPECT_EQ(persistent_holder->GetToString(), "x");
}

TEST(TIEValueAssignTest, AssigningIntoTheListThatHoldsTheSourceKeepsTheTag) {
  Ref<IIEValue> holder = NewEmptyList();
  holder->GetAsList()->Add(NewAtom("x").get());
  IIEValue* inner = holder->GetAsList()->Get(0);
  inner->SetTag(9);
  inner->AssignTo(holder.get());
  EXPECT_EQ(holder->GetToString(), "x");
  EXPECT_EQ(holder->GetTag(), 9);
}

TEST(TIEValueAssignTest, SettingAValueToWhatItHoldsKeepsIt) {
  Ref<IIEValue> list = NewEmptyList();
  list->SetAsList(list->GetAsList());
  EXPECT_EQ(list->GetAsList()->GetValueCount(), 0);
  Ref<IIEValue> text = NewAtom("same");
  text->SetAsString(text->PeekText());
  EXPECT_EQ(text->GetToString(), "\"same\"");
  text->Assign(static_cast<IInterface*>(text.get()));
  EXPECT_EQ(text->GetToString(), "\"same\"");
}

// ---------------------------------------------------------------- strict equality

TEST(TIEValueEqualsTest, IdentityIsEqualAndNilIsNot) {
  Ref<IIEValue> v = NewAtom("a");
  EXPECT_TRUE(v->Equals(v.get()));
  EXPECT_FALSE(v->Equals(static_cast<IIEValue*>(nullptr)));
  EXPECT_FALSE(v->Equals(static_cast<IInterface*>(nullptr)));
  EXPECT_TRUE(Value(new TIEValue)->Equals(Value(new TIEValue).get()));
}

TEST(TIEValueEqualsTest, KindsMustMatch) {
  EXPECT_FALSE(NewAtom("x")->Equals(NewString("x").get()));
  EXPECT_FALSE(NewAtom("x")->Equals(NewVariable("x").get()));
  EXPECT_FALSE(NewInteger(5)->Equals(NewFactId(5).get()));
  EXPECT_FALSE(NewInteger(5)->Equals(NewFloat(5).get()));
  EXPECT_FALSE(NewFloat(5)->Equals(NewInteger(5).get()));
  EXPECT_FALSE(NewAtom("5")->Equals(NewInteger(5).get()));
  EXPECT_FALSE(NewInteger(5)->Equals(NewAtom("5").get()));
  EXPECT_FALSE(Value(new TIEValue)->Equals(NewAtom("").get()));
}

TEST(TIEValueEqualsTest, TextComparesByteForByteWithCase) {
  EXPECT_TRUE(NewAtom("Red")->Equals(NewAtom("Red").get()));
  EXPECT_FALSE(NewAtom("Red")->Equals(NewAtom("red").get()));
  EXPECT_FALSE(NewString("a ")->Equals(NewString("a").get()));
  const std::string with_nul("a\0b", 3);
  EXPECT_TRUE(NewString(with_nul)->Equals(NewString(with_nul).get()));
  EXPECT_FALSE(NewString(with_nul)->Equals(NewString("a").get()));
}

TEST(TIEValueEqualsTest, NumbersCompareExactly) {
  EXPECT_TRUE(NewInteger(-3)->Equals(NewInteger(-3).get()));
  EXPECT_FALSE(NewInteger(3)->Equals(NewInteger(4).get()));
  EXPECT_TRUE(NewFloat(0.25)->Equals(NewFloat(0.25).get()));
  EXPECT_FALSE(NewFloat(0.1 + 0.2)->Equals(NewFloat(0.3).get()));
  EXPECT_FALSE(NewFloat(1.0)->Equals(NewFloat(1.00001).get()));
}

TEST(TIEValueEqualsTest, ListsCompareElementByElement) {
  Ref<IIEValue> a = NewEmptyList();
  Ref<IIEValue> b = NewEmptyList();
  EXPECT_TRUE(a->Equals(b.get()));
  a->GetAsList()->Add(NewAtom("x").get());
  EXPECT_FALSE(a->Equals(b.get()));
  b->GetAsList()->Add(NewAtom("x").get());
  EXPECT_TRUE(a->Equals(b.get()));
  b->GetAsList()->Get(0)->SetAsString("x");
  EXPECT_FALSE(a->Equals(b.get()));
}

TEST(TIEValueEqualsTest, ReferenceKindsCompareByIdentity) {
  TCountedThing one;
  TCountedThing two;
  EXPECT_TRUE(Value(new TIEValue(&one, false))->Equals(Value(new TIEValue(&one, false)).get()));
  EXPECT_FALSE(Value(new TIEValue(&one, false))->Equals(Value(new TIEValue(&two, false)).get()));
  const TClassInfo* widget = &TWidget::StaticClass();
  EXPECT_TRUE(Value(new TIEValue(widget))->Equals(Value(new TIEValue(widget)).get()));
  EXPECT_FALSE(Value(new TIEValue(widget))
                   ->Equals(Value(new TIEValue(&TCountedThing::StaticClass())).get()));
  EXPECT_TRUE(Value(new TIEValue(Address(8)))->Equals(Value(new TIEValue(Address(8))).get()));
  EXPECT_FALSE(Value(new TIEValue(Address(8)))->Equals(Value(new TIEValue(Address(9))).get()));
}

TEST(TIEValueEqualsTest, InterfaceEqualityAcceptsOnlyValues) {
  Ref<IIEValue> a = NewAtom("a");
  EXPECT_TRUE(a->Equals(static_cast<IInterface*>(NewAtom("a").get())));
  Ref<TValueVector> vector(new TValueVector);
  EXPECT_FALSE(a->Equals(static_cast<IInterface*>(vector.get())));
}

// ---------------------------------------------------------------- converting equality

TEST(TIEValueEqualsStarTest, TextEqualsStarConvertsTheOtherToText) {
  EXPECT_TRUE(NewAtom("5")->EqualsStar(NewInteger(5).get()));
  EXPECT_TRUE(NewAtom("5")->EqualsStar(NewString("5").get()));
  EXPECT_TRUE(NewString("5")->EqualsStar(NewAtom("5").get()));
  EXPECT_FALSE(NewAtom("5")->EqualsStar(NewAtom("05").get()));
  EXPECT_TRUE(NewAtom("2.0000")->EqualsStar(NewFloat(2).get()));
  EXPECT_FALSE(NewAtom("2.0000")->Equals(NewFloat(2).get()));
  EXPECT_FALSE(NewAtom("2")->EqualsStar(NewFloat(2).get()));
}

TEST(TIEValueEqualsStarTest, NumbersConvertTheOtherWithTheirOwnGetter) {
  EXPECT_TRUE(NewInteger(5)->EqualsStar(NewAtom("5").get()));
  EXPECT_TRUE(NewInteger(3)->EqualsStar(NewFloat(3.7).get()));
  EXPECT_FALSE(NewFloat(3.7)->EqualsStar(NewInteger(3).get()));
  EXPECT_TRUE(NewFloat(3.0)->EqualsStar(NewInteger(3).get()));
  EXPECT_TRUE(NewFloat(2.5)->EqualsStar(NewString("2.5").get()));
  EXPECT_TRUE(NewFactId(4)->EqualsStar(NewInteger(4).get()));
}

TEST(TIEValueEqualsStarTest, GetterErrorOfTheOtherValuePropagates) {
  ExpectIEError([] { NewInteger(3)->EqualsStar(NewAtom("abc").get()); },
                NotCorrectType("integer", "abc", "dtAtom"));
  ExpectIEError([] { NewFloat(1)->EqualsStar(NewEmptyList().get()); },
                NotCorrectType("numeric", "", "dtList"));
  ExpectIEError([] { NewAtom("a")->EqualsStar(NewFactId(2).get()); },
                NotCorrectType("string", "<Fact-2>", "dtFactId"));
}

TEST(TIEValueEqualsStarTest, CallsEqualOnlyCalls) {
  Ref<IIEValue> call = Value(new TIEValue(static_cast<IFunCall*>(nullptr)));
  EXPECT_FALSE(call->EqualsStar(NewAtom("").get()));
  EXPECT_FALSE(call->EqualsStar(NewInteger(0).get()));
  EXPECT_TRUE(call->EqualsStar(call.get()));
  EXPECT_TRUE(call->EqualsStar(Value(new TIEValue(static_cast<IFunCall*>(nullptr))).get()));
  EXPECT_FALSE(call->EqualsStar(static_cast<IIEValue*>(nullptr)));
}

TEST(TIEValueEqualsStarTest, OtherKindsFallBackToStrictEquality) {
  Ref<IIEValue> a = NewEmptyList();
  Ref<IIEValue> b = NewEmptyList();
  EXPECT_TRUE(a->EqualsStar(b.get()));
  b->GetAsList()->Add(NewInteger(1).get());
  EXPECT_FALSE(a->EqualsStar(b.get()));
  EXPECT_FALSE(a->EqualsStar(NewAtom("").get()));
}

// ---------------------------------------------------------------- hashing

TEST(TIEValueHashTest, TextKindsHashTheirText) {
  for (TIEType kind : {dtAtom, dtString, dtVariable, dtMultiVariable, dtSlot, dtMultiSlot}) {
    Ref<IIEValue> v = Value(new TIEValue(std::string_view("abc"), kind));
    EXPECT_EQ(v->GetHashCode(), (97 * 31 + 98) * 31 + 99) << GetIETypeName(kind);
  }
  EXPECT_EQ(NewAtom("")->GetHashCode(), 0);
}

TEST(TIEValueHashTest, NumbersHashAsTheirIntegerValue) {
  EXPECT_EQ(NewInteger(-12)->GetHashCode(), -12);
  EXPECT_EQ(NewFactId(33)->GetHashCode(), 33);
  EXPECT_EQ(Value(new TIEValue(44, dtDescriptor))->GetHashCode(), 44);
  EXPECT_EQ(NewFloat(3.9)->GetHashCode(), 3);
  EXPECT_EQ(NewFloat(-3.9)->GetHashCode(), -3);
  EXPECT_EQ(Value(new TIEValue)->GetHashCode(), 0);
}

TEST(TIEValueHashTest, ListHashIsTheSumOfElementHashes) {
  Ref<IIEValue> list = NewEmptyList();
  list->GetAsList()->Add(NewInteger(10).get());
  list->GetAsList()->Add(NewAtom("b").get());
  list->GetAsList()->Add(NewFloat(2.5).get());
  EXPECT_EQ(list->GetHashCode(), 10 + 98 + 2);
}

TEST(TIEValueHashTest, EqualValuesHashAlike) {
  auto make_list = [] {
    Ref<IIEValue> l = NewEmptyList();
    l->GetAsList()->Add(NewString("longer than sixteen characters").get());
    l->GetAsList()->Add(NewFloat(-7.25).get());
    return l;
  };
  std::vector<std::pair<Ref<IIEValue>, Ref<IIEValue>>> pairs = {
      {NewAtom("a long atom name here"), NewAtom("a long atom name here")},
      {NewString("s"), NewString("s")},
      {NewInteger(77), NewInteger(77)},
      {NewFloat(1e9 + 0.5), NewFloat(1e9 + 0.5)},
      {make_list(), make_list()},
  };
  for (auto& [a, b] : pairs) {
    ASSERT_TRUE(a->Equals(b.get())) << a->GetToString();
    EXPECT_EQ(a->GetHashCode(), b->GetHashCode()) << a->GetToString();
  }
}

// ---------------------------------------------------------------- resolution

TEST(TIEValueResolveTest, VariableResolvesToTheBoundValueItself) {
  TestContext context;
  Ref<IIEValue> bound = NewInteger(3);
  Ref<IIEValue> rest = NewEmptyList();
  context.Bind("x", bound.get());
  context.Bind("rest", rest.get());
  EXPECT_EQ(NewVariable("x")->Resolve(&context).get(), bound.get());
  EXPECT_EQ(Value(new TIEValue("rest", dtMultiVariable))->Resolve(&context).get(), rest.get());
  EXPECT_EQ(context.looked_up, (std::vector<std::string>{"x", "rest"}));
}

TEST(TIEValueResolveTest, VariableWithoutContextRaisesNoContext) {
  ExpectIEError([] { NewVariable("x")->Resolve(nullptr); }, Format(SNoContext, {"dtVariable"}));
  ExpectIEError([] { Value(new TIEValue("x", dtMultiVariable))->Resolve(nullptr); },
                Format(SNoContext, {"dtMultiVariable"}));
}

TEST(TIEValueResolveTest, UnboundVariableRaisesCorruptedBindingWithItsName) {
  TestContext context;
  ExpectIEError([&] { NewVariable("missing")->Resolve(&context); },
                Format(SCorruptedVariable, {"missing"}));
}

TEST(TIEValueResolveTest, BindingInfoIsResolvedByTheContext) {
  TestContext context;
  auto* info = new TBindingInfo(2, "color", NoSubIndex);
  Ref<IIEValue> place = Value(new TIEValue(info, true));
  Ref<IIEValue> resolved = place->Resolve(&context);
  EXPECT_EQ(context.resolved_info, info);
  EXPECT_EQ(resolved->GetToString(), "color@2");
  ExpectIEError([&] { place->Resolve(nullptr); }, Format(SNoContext, {"dtObject"}));
}

TEST(TIEValueResolveTest, OtherValuesResolveToThemselves) {
  TestContext context;
  TCountedThing thing;
  std::vector<Ref<IIEValue>> values = {NewAtom("x"),
                                       NewString("x"),
                                       NewInteger(1),
                                       NewFloat(1),
                                       NewEmptyList(),
                                       NewFactId(1),
                                       Value(new TIEValue(&thing, false)),
                                       Value(new TIEValue)};
  for (const Ref<IIEValue>& v : values) {
    EXPECT_EQ(v->Resolve(&context).get(), v.get()) << v->GetToString();
    EXPECT_EQ(v->Resolve(nullptr).get(), v.get()) << v->GetToString();
  }
  EXPECT_TRUE(context.looked_up.empty());
}

// ---------------------------------------------------------------- shared constants

TEST(TIEValueConstantsTest, FourteenConstantsHoldTheirValues) {
  const std::pair<IIEValue*, const char*> atoms[] = {
      {FCTrue, "TRUE"},     {FCFalse, "FALSE"},     {FCNil, ""},        {FCCatch, "catch"},
      {FCExcept, "except"}, {FCFinally, "finally"}, {FCElse, "else"},   {FCDo, "do"},
      {FCEOF, "EOF"},       {FCThen, "then"},       {FCEmptyString, ""}};
  for (const auto& [value, text] : atoms) {
    EXPECT_EQ(value->GetDType(), dtAtom) << text;
    EXPECT_EQ(value->GetAsAtom(), text);
  }
  EXPECT_EQ(FCPI->GetDType(), dtFloat);
  EXPECT_EQ(FCPI->GetAsFloat(), 3.141592653589793);
  EXPECT_EQ(FCPI->GetToString(), "3.1416");
  EXPECT_EQ(FCZero->GetDType(), dtFloat);
  EXPECT_EQ(FCZero->GetAsFloat(), 0.0);
  ASSERT_EQ(FCNilList->GetDType(), dtList);
  EXPECT_EQ(FCNilList->GetAsList()->GetValueCount(), 0);
}

TEST(TIEValueConstantsTest, NilAndEmptyStringAreDistinctButPrintAlike) {
  EXPECT_NE(FCNil, FCEmptyString);
  EXPECT_EQ(FCNil->GetToString(), FCEmptyString->GetToString());
  EXPECT_TRUE(FCNil->Equals(FCEmptyString));
}

TEST(TIEValueConstantsTest, ConstantnessIsByIdentity) {
  const IIEValue* constants[] = {FCTrue,   FCFalse,   FCNil,         FCNilList, FCCatch,
                                 FCExcept, FCFinally, FCElse,        FCDo,      FCEOF,
                                 FCThen,   FCPI,      FCEmptyString, FCZero};
  for (const IIEValue* c : constants)
    EXPECT_TRUE(IsValueConstant(c)) << c->GetToString();
  EXPECT_FALSE(IsValueConstant(nullptr));
  EXPECT_FALSE(IsValueConstant(NewAtom("TRUE").get()));
  Ref<IIEValue> copy = FCTrue->Clone();
  EXPECT_FALSE(IsValueConstant(copy.get()));
  EXPECT_TRUE(copy->Equals(FCTrue));
  copy->SetAsAtom("changed");  // a copy of a constant can change
  EXPECT_EQ(FCTrue->GetToString(), "TRUE");
}

TEST(TIEValueConstantsTest, ConstantsRefuseEverySetter) {
  for (IIEValue* constant : {FCTrue, FCNil, FCPI, FCNilList}) {
    const std::string before = constant->GetToString();
    const TIEType kind = constant->GetDType();
    const std::string expected = Format(SConstantValueChange, {before});
    for (const Setter& setter : AllSetters()) {
      ExpectIEError([&] { setter.apply(constant); }, expected);
      EXPECT_EQ(constant->GetToString(), before) << setter.name;
      EXPECT_EQ(constant->GetDType(), kind) << setter.name;
    }
  }
  EXPECT_EQ(TCountedThing::live, 0);
}

TEST(TIEValueConstantsTest, ConstantsRefuseResetAndAssignment) {
  const std::string expected = Format(SConstantValueChange, {"FALSE"});
  ExpectIEError([] { FCFalse->Reset(); }, expected);
  ExpectIEError([] { FCFalse->Assign(static_cast<IInterface*>(NewAtom("x").get())); }, expected);
  auto* impl = dynamic_cast<TIEValue*>(FCFalse);
  ASSERT_NE(impl, nullptr);
  EXPECT_TRUE(impl->IsConstant());
  ExpectIEError([&] { impl->Assign(*Impl(NewInteger(1))); }, expected);
  ExpectIEError([] { NewInteger(1)->AssignTo(FCFalse); }, expected);
  EXPECT_EQ(FCFalse->GetToString(), "FALSE");
}

TEST(TIEValueConstantsTest, EmptyListConstantRefusesChangesToItsVector) {
  IValueVector* shared = FCNilList->GetAsList();
  Ref<IIEValue> x = NewAtom("x");
  Ref<TValueVector> other(new TValueVector);
  other->Add(x.get());
  const std::string expected = Format(SConstantValueChange, {""});
  ExpectIEError([&] { shared->Add(x.get()); }, expected);
  ExpectIEError([&] { shared->Insert(0, x.get()); }, expected);
  ExpectIEError([&] { shared->Append(other.get()); }, expected);
  ExpectIEError([&] { shared->Assign(static_cast<IInterface*>(other.get())); }, expected);
  EXPECT_EQ(shared->GetValueCount(), 0);
  // What cannot change an empty vector is allowed.
  shared->Clear();
  EXPECT_EQ(shared->Remove(x.get()), -1);
  shared->Append(NewEmptyList()->GetAsList());
  EXPECT_EQ(x->RefCount(), 2);
}

TEST(TIEValueConstantsTest, CopiesOfTheEmptyListConstantGetTheirOwnVector) {
  Ref<IIEValue> clone = FCNilList->Clone();
  Ref<IIEValue> assigned = NewAtom("x");
  Impl(assigned)->Assign(*dynamic_cast<TIEValue*>(FCNilList));
  for (const Ref<IIEValue>& copy : {clone, assigned}) {
    ASSERT_EQ(copy->GetDType(), dtList);
    EXPECT_NE(copy->GetAsList(), FCNilList->GetAsList());
    copy->GetAsList()->Add(NewInteger(1).get());
    EXPECT_EQ(copy->GetToString(), "1 ");
  }
  EXPECT_EQ(FCNilList->GetAsList()->GetValueCount(), 0);
  EXPECT_EQ(FCNilList->GetToString(), "");
}

// ---------------------------------------------------------------- owned objects

TEST(TIEValueOwnershipTest, ValueFreesItsOwnedObjectWhenDestroyedOrReset) {
  ASSERT_EQ(TCountedThing::live, 0);
  {
    Ref<IIEValue> v = Value(new TIEValue(new TCountedThing, true));
    EXPECT_TRUE(v->IsOwningObject());
    EXPECT_EQ(TCountedThing::live, 1);
  }
  EXPECT_EQ(TCountedThing::live, 0);
  Ref<IIEValue> v = Value(new TIEValue);
  v->SetAsOwnedObject(new TCountedThing);
  EXPECT_EQ(TCountedThing::live, 1);
  v->Reset();
  EXPECT_EQ(TCountedThing::live, 0);
  EXPECT_FALSE(v->IsOwningObject());
}

TEST(TIEValueOwnershipTest, ChangingToAnotherValueFreesTheOwnedObject) {
  Ref<IIEValue> v = Value(new TIEValue(new TCountedThing, true));
  v->SetAsOwnedObject(new TCountedThing);
  EXPECT_EQ(TCountedThing::live, 1);
  v->SetAsInteger(1);
  EXPECT_EQ(TCountedThing::live, 0);
  EXPECT_FALSE(v->IsOwningObject());
}

TEST(TIEValueOwnershipTest, HandingOverTheSameObjectAgainKeepsIt) {
  auto* thing = new TCountedThing;
  Ref<IIEValue> v = Value(new TIEValue(thing, true));
  v->SetAsOwnedObject(thing);
  EXPECT_EQ(TCountedThing::live, 1);
  EXPECT_EQ(v->GetAsObject(), thing);
}

TEST(TIEValueOwnershipTest, ObjectThatIsNotOwnedIsLeftAlone) {
  TCountedThing thing;
  {
    Ref<IIEValue> v = Value(new TIEValue(&thing, false));
    EXPECT_FALSE(v->IsOwningObject());
    v->Reset();
    v->SetAsObject(&thing);
  }
  EXPECT_EQ(TCountedThing::live, 1);
}

TEST(TIEValueOwnershipTest, ValueResetsItselfWhenTheOwnerFreesItsComponent) {
  auto owner = std::make_unique<TComponent>();
  auto* part = new TWidget(owner.get());
  Ref<IIEValue> v = Value(new TIEValue(part, true));
  int calls = 0;
  v->SetOnChange([&](IIEValue*) { ++calls; });
  owner.reset();
  EXPECT_EQ(v->GetDType(), dtNone);
  EXPECT_FALSE(v->IsOwningObject());
  EXPECT_EQ(calls, 0);
  v->SetAsAtom("reused");  // nothing left to free
  EXPECT_EQ(v->GetToString(), "reused");
}

TEST(TIEValueOwnershipTest, ValueResetsItselfWhenItsComponentIsFreedDirectly) {
  auto* part = new TWidget(nullptr);
  Ref<IIEValue> v = Value(new TIEValue);
  v->SetAsOwnedObject(part);
  delete part;
  EXPECT_EQ(v->GetDType(), dtNone);
}

TEST(TIEValueOwnershipTest, ResettingTheValueFreesItsComponentAndTellsTheOwner) {
  TComponent owner;
  Ref<IIEValue> v = Value(new TIEValue(new TWidget(&owner), true));
  ASSERT_EQ(owner.ComponentCount(), 1);
  v->Reset();
  EXPECT_EQ(owner.ComponentCount(), 0);
  v->SetAsOwnedObject(new TWidget(&owner));
  v.reset();
  EXPECT_EQ(owner.ComponentCount(), 0);
}

}  // namespace
}  // namespace rulecore
