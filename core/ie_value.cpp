// rulecore: an embeddable expert-system shell.
#include "core/ie_value.h"

#include <cmath>
#include <cstdint>
#include <typeinfo>
#include <utility>
#include <vector>

#include "core/binding_info.h"
#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/messages.h"
#include "core/value_vector.h"
#include "support/fuzzkit.h"

namespace rulecore {

namespace {

TObject* NewValue(TComponent*) {
  return new TIEValue;
}
TObject* NewNexus(TComponent*) {
  return new TIEValueNexus(nullptr);
}

bool IsTextKind(TIEType kind) {
  return IEStringTypes.Contains(kind);
}

// The kinds whose payload is an interface holding one reference.
constexpr TIETypes kInterfaceKinds{dtFunCall, dtFact, dtList, dtSingletons, dtFuzzy};

}  // namespace

RC_DEFINE_CLASS(TIEValueNexus, TComponent, NewNexus)
RC_DEFINE_CLASS(TIEValue, TPersistent, NewValue)

void TIEValueNexus::Notification(TComponent* c, TOperation op) {
  TComponent::Notification(c, op);
  // The value frees this nexus in response; nothing may follow this call.
  if (op == opRemove && value_) value_->Notification(c, op);
}

// ---------------------------------------------------------------- construction

TIEValue::TIEValue() = default;

TIEValue::TIEValue(const TClassInfo* cls) : kind_(dtClass) {
  payload_.cls = cls;
}

TIEValue::TIEValue(int32_t value, TIEType kind) {
  if (!IEIntegerTypes.Contains(kind)) RaiseIE(SInvalidValueType);
  kind_ = kind;
  payload_.i = value;
}

TIEValue::TIEValue(std::string_view text, TIEType kind)
    : text_(text), text_hash_(CalculateHash(text)) {
  if (!IsTextKind(kind)) RaiseIE(SInvalidValueType);
  kind_ = kind;
}

TIEValue::TIEValue(double value) : kind_(dtFloat) {
  payload_.f = value;
}

TIEValue::TIEValue(IValueVector* list) : kind_(dtList) {
  payload_.list = list;
  if (list) list->AddRef();
}

TIEValue::TIEValue(IFact* fact) : kind_(dtFact) {
  payload_.fact = fact;
  if (fact) fact->AddRef();
}

TIEValue::TIEValue(IFunCall* call) : kind_(dtFunCall) {
  payload_.call = call;
  if (call) call->AddRef();
}

TIEValue::TIEValue(ISingletonsVector* singletons) : kind_(dtSingletons) {
  payload_.singletons = singletons;
  if (singletons) singletons->AddRef();
}

TIEValue::TIEValue(IFuzzySet* set) : kind_(dtFuzzy) {
  payload_.fuzzy = set;
  if (set) set->AddRef();
}

TIEValue::TIEValue(TObject* object, bool owns) {
  if (owns) {
    TakeOwnership(object);
  } else {
    kind_ = dtObject;
    payload_.object = object;
  }
}

TIEValue::TIEValue(void* address) : kind_(dtExternalAddress) {
  payload_.address = address;
}

TIEValue::TIEValue(IIEValue* source) {
  if (auto* v = dynamic_cast<TIEValue*>(source)) {
    CopyFrom(*v, /*clone_list=*/true);
  } else if (source) {
    source->AssignTo(this);
  }
}

TIEValue::~TIEValue() {
  on_change_.reset();
  constant_ = false;
  Clear();
}

// ---------------------------------------------------------------- changes

void TIEValue::CheckMutable() const {
  if (constant_) RaiseIE(SConstantValueChange, {GetToString()});
}

void TIEValue::Changing(TIEType /*new_kind*/) {
  CheckMutable();
  Clear();
}

void TIEValue::Clear() {
  if (kind_ == dtObject && owns_) {
    TObject* object = payload_.object;
    nexus_.reset();  // stops watching before the object goes
    owns_ = false;
    payload_.object = nullptr;
    kind_ = dtNone;
    auto* component = dynamic_cast<TComponent*>(object);
    if (!component || !component->ComponentState().Contains(csDestroying)) delete object;
  } else if (kInterfaceKinds.Contains(kind_)) {
    IInterface* held = HeldInterface();
    payload_ = Payload{};
    kind_ = dtNone;
    if (held) held->Release();
  }
}

void TIEValue::Changed() {
  if (on_change_ && *on_change_) (*on_change_)(this);
}

void TIEValue::Reset() {
  Changing(dtNone);
  payload_ = Payload{};
  text_.clear();
  text_hash_ = 0;
  kind_ = dtNone;
}

void TIEValue::SetOnChange(TIEValueChangeEvent handler) {
  if (handler)
    on_change_ = std::make_unique<TIEValueChangeEvent>(std::move(handler));
  else
    on_change_.reset();
}

void TIEValue::SetText(std::string_view text, TIEType kind) {
  // `text` may point into this value's own text; copy before clearing.
  std::string copy(text);
  Changing(kind);
  kind_ = kind;
  text_ = std::move(copy);
  text_hash_ = CalculateHash(text_);
  Changed();
}

void TIEValue::SetInt(int32_t value, TIEType kind) {
  SetPayload(kind, &Payload::i, value);
}

void TIEValue::SetAsFloat(double value) {
  SetPayload(dtFloat, &Payload::f, value);
}

void TIEValue::SetAsExternalAddress(void* address) {
  SetPayload(dtExternalAddress, &Payload::address, address);
}

void TIEValue::SetAsFunCall(IFunCall* call) {
  SetHeld(dtFunCall, &Payload::call, call);
}

void TIEValue::SetAsFact(IFact* fact) {
  SetHeld(dtFact, &Payload::fact, fact);
}

void TIEValue::SetAsList(IValueVector* list) {
  SetHeld(dtList, &Payload::list, list);
}

void TIEValue::SetAsSingletons(ISingletonsVector* singletons) {
  SetHeld(dtSingletons, &Payload::singletons, singletons);
}

void TIEValue::SetAsFuzzy(IFuzzySet* set) {
  SetHeld(dtFuzzy, &Payload::fuzzy, set);
}

void TIEValue::SetAsObject(TObject* object) {
  SetPayload(dtObject, &Payload::object, object);
}

void TIEValue::SetAsClass(const TClassInfo* cls) {
  SetPayload(dtClass, &Payload::cls, cls);
}

void TIEValue::SetAsOwnedObject(TObject* object) {
  if (kind_ == dtObject && owns_ && payload_.object == object) return;  // already ours
  Changing(dtObject);
  TakeOwnership(object);
  Changed();
}

void TIEValue::TakeOwnership(TObject* object) {
  kind_ = dtObject;
  payload_.object = object;
  owns_ = object != nullptr;
  if (auto* component = dynamic_cast<TComponent*>(object)) {
    nexus_ = std::make_unique<TIEValueNexus>(this);
    nexus_->FreeNotification(component);
  }
}

void TIEValue::Notification(TComponent* c, TOperation op) {
  if (op != opRemove || kind_ != dtObject || !owns_ || payload_.object != c) return;
  // Someone else frees the component: forget it without freeing it again.
  owns_ = false;
  payload_.object = nullptr;
  std::unique_ptr<TIEValueNexus> nexus = std::move(nexus_);
  bool was_constant = constant_;
  constant_ = false;
  Reset();
  constant_ = was_constant;
}

// ---------------------------------------------------------------- getters

void TIEValue::TypeError(const char* wanted) const {
  RaiseIE(SNotCorrectType, {wanted, GetToString(), GetIETypeName(kind_)});
}

std::string TIEValue::GetAsString() const {
  if (IsTextKind(kind_)) return text_;
  switch (kind_) {
    case dtInteger:
      return std::to_string(payload_.i);
    case dtFloat:
      return FloatToStr4(payload_.f);
    case dtFuzzy:
      return payload_.fuzzy ? payload_.fuzzy->GetToString() : std::string();
    default:
      TypeError("string");
  }
}

int32_t TIEValue::GetAsInteger() const {
  switch (kind_) {
    case dtAtom:
    case dtString: {
      int32_t i;
      if (TryStrToInt(text_, &i)) return i;
      double f;
      if (TryStrToFloat(text_, &f)) return TruncToInt32(f);
      break;
    }
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return payload_.i;
    case dtExternalAddress:
      return static_cast<int32_t>(reinterpret_cast<uintptr_t>(payload_.address));
    case dtFloat:
      return TruncToInt32(payload_.f);
    case dtFuzzy:
      if (payload_.fuzzy) return TruncToInt32(std::round(payload_.fuzzy->GetCrispValue()));
      break;
    default:
      break;
  }
  TypeError("integer");
}

double TIEValue::GetAsNumeric() const {
  switch (kind_) {
    case dtAtom:
    case dtString: {
      if (this == FCNil) return 0.0;
      double f;
      if (TryStrToFloat(text_, &f)) return f;
      break;
    }
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return payload_.i;
    case dtExternalAddress:
      return static_cast<double>(
          static_cast<int32_t>(reinterpret_cast<uintptr_t>(payload_.address)));
    case dtFloat:
      return payload_.f;
    case dtFuzzy:
      if (payload_.fuzzy) return payload_.fuzzy->GetCrispValue();
      break;
    default:
      break;
  }
  TypeError("numeric");
}

int32_t TIEValue::GetAsFactId() const {
  if (kind_ == dtFloat) return TruncToInt32(payload_.f);
  if (IEFactTypes.Contains(kind_)) return payload_.i;
  TypeError("fact id");
}

int32_t TIEValue::GetAsDescriptor() const {
  if (kind_ == dtDescriptor) return payload_.i;
  TypeError("descriptor");
}

void* TIEValue::GetAsExternalAddress() const {
  if (kind_ == dtObject) return payload_.object;
  if (kind_ == dtExternalAddress) return payload_.address;
  TypeError("External Address");
}

TObject* TIEValue::GetAsObject() const {
  if (kind_ == dtObject) return payload_.object;
  TypeError("object");
}

const TClassInfo* TIEValue::GetAsClass() const {
  if (kind_ == dtClass) return payload_.cls;
  TypeError("class");
}

IFact* TIEValue::GetAsFact() const {
  if (kind_ == dtFact) return payload_.fact;
  TypeError("fact");
}

IFunCall* TIEValue::GetAsFunCall() const {
  if (kind_ == dtFunCall) return payload_.call;
  TypeError("function call");
}

IValueVector* TIEValue::GetAsList() const {
  if (kind_ == dtList) return payload_.list;
  TypeError("list");
}

ISingletonsVector* TIEValue::GetAsSingletons() const {
  if (kind_ == dtSingletons) return payload_.singletons;
  TypeError("singletons");
}

IFuzzySet* TIEValue::GetAsFuzzy() const {
  if (kind_ == dtFuzzy) return payload_.fuzzy;
  TypeError("fuzzy value");
}

// ---------------------------------------------------------------- printing

namespace {

std::string QuoteString(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '"';
  for (char c : text) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '"')
      out += "\\\"";
    else
      out += c;
  }
  out += '"';
  return out;
}

}  // namespace

std::string TIEValue::GetToString() const {
  switch (kind_) {
    case dtNone:
      return {};
    case dtAtom:
    case dtSlot:
    case dtMultiSlot:
      return text_;
    case dtString:
      return QuoteString(text_);
    case dtInteger:
      return std::to_string(payload_.i);
    case dtVariable:
      return "?" + text_;
    case dtMultiVariable:
      return "$?" + text_;
    case dtFactId:
      return "<Fact-" + std::to_string(payload_.i) + ">";
    case dtFloat:
      return FloatToStr4(payload_.f);
    case dtFunCall:
      return payload_.call ? payload_.call->GetToString() : std::string();
    case dtFact:
      return payload_.fact ? payload_.fact->GetToString() : std::string();
    case dtList:
      return payload_.list ? payload_.list->GetToString() : std::string();
    case dtObject: {
      if (!payload_.object) return {};
      if (auto* info = AsBindingInfo(payload_.object))
        return "<" + info->ClassName() + ": " + info->ToString() + ">";
      return "<Object: " + payload_.object->ClassName() + ">";
    }
    case dtClass:
      return payload_.cls ? std::string(payload_.cls->name) : std::string();
    case dtExternalAddress:
      return "<External-Address: " + std::to_string(reinterpret_cast<uintptr_t>(payload_.address)) +
             ">";
    case dtSingletons:
      return payload_.singletons ? payload_.singletons->GetToString() : std::string();
    case dtFuzzy:
      return payload_.fuzzy ? payload_.fuzzy->GetToString() : std::string();
    default:
      return "<UNKNOWN>";
  }
}

// ---------------------------------------------------------------- equality

namespace {

template <class T>
bool SameOrEqual(T* a, T* b) {
  if (a == b) return true;
  return a && b && a->Equals(b);
}

}  // namespace

bool TIEValue::Equals(IIEValue* other) {
  if (other == this) return true;
  if (!other) return false;
  // Two plain values of one kind, the common case in matching, are compared
  // without asking the other value through its interface.
  if (typeid(*other) == typeid(TIEValue)) {
    const auto* plain = static_cast<const TIEValue*>(other);
    if (plain->kind_ == kind_) {
      switch (kind_) {
        case dtAtom:
        case dtString:
          return plain->text_hash_ == text_hash_ && plain->text_ == text_;
        case dtInteger:
        case dtFactId:
        case dtDescriptor:
          return plain->payload_.i == payload_.i;
        case dtFloat:
          return plain->payload_.f == payload_.f;
        default:
          break;
      }
    }
  }
  TIEType other_kind = other->GetDType();
  if (other_kind != kind_) {
    if (kind_ != dtFuzzy) return other_kind == dtFuzzy && other->Equals(this);
  }
  switch (kind_) {
    case dtNone:
      return true;
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return other->PeekText() == text_;
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return other->GetAsInteger() == payload_.i;
    case dtFloat:
      return other->GetAsFloat() == payload_.f;
    case dtFunCall:
      return SameOrEqual<IFunCall>(payload_.call, other->GetAsFunCall());
    case dtFact:
      return SameOrEqual<IFact>(payload_.fact, other->GetAsFact());
    case dtList:
      return SameOrEqual<IValueVector>(payload_.list, other->GetAsList());
    case dtSingletons:
      return SameOrEqual<ISingletonsVector>(payload_.singletons, other->GetAsSingletons());
    case dtObject:
      return payload_.object == other->GetAsObject();
    case dtClass:
      return payload_.cls == other->GetAsClass();
    case dtExternalAddress:
      return payload_.address == other->GetAsExternalAddress();
    case dtFuzzy:
      return payload_.fuzzy && payload_.fuzzy->EqualsValue(other);
    default:
      return false;
  }
}

bool TIEValue::Equals(IInterface* other) {
  auto* value = Query<IIEValue>(other);
  return value && Equals(value);
}

bool TIEValue::EqualsStar(IIEValue* other) {
  if (other == this) return true;
  if (!other) return false;
  TIEType other_kind = other->GetDType();
  if (kind_ == dtFunCall && other_kind != dtFunCall) return false;
  if (kind_ != dtFuzzy && other_kind == dtFuzzy) return other->EqualsStar(this);
  switch (kind_) {
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      if (IsTextKind(other_kind)) return other->PeekText() == text_;
      return other->GetAsString() == text_;
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return other->GetAsInteger() == payload_.i;
    case dtFloat:
      return other->GetAsFloat() == payload_.f;
    default:
      return Equals(other);
  }
}

// ---------------------------------------------------------------- hashing

int32_t TIEValue::GetHashCode() const {
  switch (kind_) {
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return text_hash_;
    case dtFuzzy:
      return CalculateHash(GetAsString());
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return payload_.i;
    case dtFloat:
      return TruncToInt32(payload_.f);
    case dtExternalAddress:
      return static_cast<int32_t>(reinterpret_cast<uintptr_t>(payload_.address));
    case dtFunCall:
      return payload_.call ? payload_.call->GetHashCode() : 0;
    case dtFact:
      return payload_.fact ? payload_.fact->GetHashCode() : 0;
    case dtList:
      return payload_.list ? payload_.list->GetHashCode() : 0;
    case dtSingletons:
      return payload_.singletons ? payload_.singletons->GetHashCode() : 0;
    case dtObject:
      return static_cast<int32_t>(reinterpret_cast<uintptr_t>(payload_.object));
    case dtClass:
      return static_cast<int32_t>(reinterpret_cast<uintptr_t>(payload_.cls));
    default:
      return 0;
  }
}

// ---------------------------------------------------------------- resolution

Ref<IIEValue> TIEValue::Resolve(IIEContext* context) {
  switch (kind_) {
    case dtVariable:
    case dtMultiVariable: {
      if (!context) RaiseIE(SNoContext, {GetIETypeName(kind_)});
      IIEValue* bound = context->FindBindingValue(text_);
      if (!bound) RaiseIE(SCorruptedVariable, {text_});
      return Ref<IIEValue>(bound);
    }
    case dtFunCall: {
      if (!payload_.call) return Ref<IIEValue>(this);
      // A function that yields nothing evaluates to the empty atom.
      Ref<IIEValue> result = payload_.call->Execute(context);
      return result ? result : Ref<IIEValue>(FCNil);
    }
    case dtObject:
      if (auto* info = AsBindingInfo(payload_.object)) {
        if (!context) RaiseIE(SNoContext, {GetIETypeName(kind_)});
        return context->ResolveBindingInfo(*info);
      }
      return Ref<IIEValue>(this);
    case dtSingletons: {
      // Singletons become a fuzzy set with one point per pair, each
      // coordinate resolved in the context and read as a number.
      std::vector<std::pair<double, double>> points;
      if (payload_.singletons) {
        for (int i = 0; i < payload_.singletons->GetCount(); ++i) {
          IIEValue* x = payload_.singletons->GetXValues(i);
          IIEValue* y = payload_.singletons->GetYValues(i);
          points.emplace_back(x ? x->Resolve(context)->GetAsNumeric() : 0.0,
                              y ? y->Resolve(context)->GetAsNumeric() : 0.0);
        }
      }
      return Ref<IIEValue>(new TIEValue(NewFuzzySet(points).get()));
    }
    default:
      return Ref<IIEValue>(this);
  }
}

// ---------------------------------------------------------------- assignment

namespace {

// A copy of an owned object: components are created with the source's owner,
// other persistent objects without; anything else cannot be copied.
TObject* CopyOwnedObject(const TObject* source) {
  const TClassInfo& cls = source->ClassType();
  auto* persistent = dynamic_cast<const TPersistent*>(source);
  if (!persistent || !cls.create) RaiseIE(SUncloneableValue, {cls.name});
  auto* component = dynamic_cast<const TComponent*>(source);
  std::unique_ptr<TObject> copy(CreateInstance(cls, component ? component->Owner() : nullptr));
  auto* target = dynamic_cast<TPersistent*>(copy.get());
  if (!target) RaiseIE(SUncloneableValue, {cls.name});
  // A class that does not know how to assign itself cannot be copied either.
  try {
    target->Assign(*persistent);
  } catch (const EConvertError&) {
    RaiseIE(SUncloneableValue, {cls.name});
  }
  return copy.release();
}

}  // namespace

IInterface* TIEValue::HeldInterface() const {
  switch (kind_) {
    case dtFunCall:
      return payload_.call;
    case dtFact:
      return payload_.fact;
    case dtList:
      return payload_.list;
    case dtSingletons:
      return payload_.singletons;
    case dtFuzzy:
      return payload_.fuzzy;
    default:
      return nullptr;
  }
}

void TIEValue::CopyFrom(const TIEValue& source, bool clone_list) {
  if (source.kind_ == dtObject && source.owns_) {
    if (source.payload_.object)
      TakeOwnership(CopyOwnedObject(source.payload_.object));
    else
      kind_ = dtObject;
  } else if (source.kind_ == dtList && (clone_list || source.constant_)) {
    // A copy of a shared constant gets a vector of its own: sharing the
    // constant's would let the copy's owner change the constant.
    kind_ = dtList;
    text_ = source.text_;
    text_hash_ = source.text_hash_;
    Ref<IValueVector> copy = source.payload_.list ? source.payload_.list->Clone() : nullptr;
    payload_.list = copy.detach();
  } else {
    kind_ = source.kind_;
    text_ = source.text_;
    text_hash_ = source.text_hash_;
    payload_ = source.payload_;
    if (IInterface* held = HeldInterface()) held->AddRef();
  }
  tag_ = source.tag_;
}

void TIEValue::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TIEValue*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  // The source may be held only through this value (an element of its own
  // list): keep it alive until it has been copied.
  Ref<const TIEValue> keep(other->RefCount() > 0 ? other : nullptr);
  Reset();
  CopyFrom(*other, /*clone_list=*/false);
  Changed();
}

void TIEValue::Assign(IInterface* source) {
  auto* value = Query<IIEValue>(source);
  if (!value) throw EConvertError("Cannot assign a non-value interface to a TIEValue");
  if (value == this) return;
  // As above: the source may live only inside this value's payload.
  Ref<IIEValue> keep(value->RefCount() > 0 ? value : nullptr);
  if (auto* other = dynamic_cast<TIEValue*>(value)) {
    Reset();
    CopyFrom(*other, /*clone_list=*/true);
    Changed();
  } else {
    value->AssignTo(this);
  }
}

void TIEValue::AssignTo(IIEValue* dest) const {
  if (!dest || dest == this) return;
  // Read before `dest` changes: this value may be held only by `dest`'s old
  // payload and go with it.
  const int32_t tag = tag_;
  switch (kind_) {
    case dtNone:
      dest->Reset();
      break;
    case dtAtom:
      dest->SetAsAtom(text_);
      break;
    case dtString:
      dest->SetAsString(text_);
      break;
    case dtVariable:
      dest->SetAsVariable(text_);
      break;
    case dtMultiVariable:
      dest->SetAsMultiVariable(text_);
      break;
    case dtSlot:
      dest->SetAsSlot(text_);
      break;
    case dtMultiSlot:
      dest->SetAsMultiSlot(text_);
      break;
    case dtInteger:
      dest->SetAsInteger(payload_.i);
      break;
    case dtFactId:
      dest->SetAsFactId(payload_.i);
      break;
    case dtDescriptor:
      dest->SetAsDescriptor(payload_.i);
      break;
    case dtExternalAddress:
      dest->SetAsExternalAddress(payload_.address);
      break;
    case dtFloat:
      dest->SetAsFloat(payload_.f);
      break;
    case dtFunCall:
      dest->SetAsFunCall(payload_.call);
      break;
    case dtFact:
      dest->SetAsFact(payload_.fact);
      break;
    case dtSingletons:
      dest->SetAsSingletons(payload_.singletons);
      break;
    case dtFuzzy:
      dest->SetAsFuzzy(payload_.fuzzy);
      break;
    case dtList: {
      Ref<IValueVector> copy = payload_.list ? payload_.list->Clone() : nullptr;
      dest->SetAsList(copy.get());
      break;
    }
    case dtObject:
      if (owns_ && payload_.object) {
        std::unique_ptr<TObject> copy(CopyOwnedObject(payload_.object));
        dest->SetAsOwnedObject(copy.get());
        copy.release();
      } else
        dest->SetAsObject(payload_.object);
      break;
    case dtClass:
      dest->SetAsClass(payload_.cls);
      break;
    default:
      dest->Reset();
      break;
  }
  dest->SetTag(tag);
}

Ref<IIEValue> TIEValue::Clone() const {
  Ref<TIEValue> copy(new TIEValue);
  copy->Assign(static_cast<const TPersistent&>(*this));
  return copy;
}

// ---------------------------------------------------------------- constants

struct ValueConstants {
  static TIEValue* Make(TIEValue* v) {
    v->AddRef();  // held until the library is unloaded
    v->constant_ = true;
    return v;
  }
};

namespace {

// The vector of the shared empty list: it refuses to grow, as the constant
// holding it refuses every change. Operations that cannot change an empty
// vector (Put, Delete, Remove, Clear) behave as on any vector. Its clones
// are ordinary vectors.
class TConstantValueVector final : public TValueVector {
 public:
  int Add(IIEValue*) override { Refuse(); }
  void Insert(int, IIEValue*) override { Refuse(); }
  void Append(IValueVector* other) override {
    if (other && other->GetValueCount() > 0) Refuse();
  }
  void Assign(IInterface* source) override {
    auto* other = Query<IValueVector>(source);
    if (other && other->GetValueCount() > 0) Refuse();
    TValueVector::Assign(source);
  }

 private:
  [[noreturn]] void Refuse() const { RaiseIE(SConstantValueChange, {GetToString()}); }
};

TIEValue* MakeAtomConstant(const char* text) {
  return ValueConstants::Make(new TIEValue(std::string_view(text), dtAtom));
}
}  // namespace

IIEValue* const FCTrue = MakeAtomConstant("TRUE");
IIEValue* const FCFalse = MakeAtomConstant("FALSE");
IIEValue* const FCNil = MakeAtomConstant("");
IIEValue* const FCNilList = ValueConstants::Make(new TIEValue(new TConstantValueVector));

std::string ValueToRuleText(IIEValue* value) {
  if (!value) return {};
  // An atom without text can only have been written as nil.
  if (value == FCNil || (value->GetDType() == dtAtom && value->PeekText().empty())) return "nil";
  return value->GetToString();
}
IIEValue* const FCCatch = MakeAtomConstant("catch");
IIEValue* const FCExcept = MakeAtomConstant("except");
IIEValue* const FCFinally = MakeAtomConstant("finally");
IIEValue* const FCElse = MakeAtomConstant("else");
IIEValue* const FCDo = MakeAtomConstant("do");
IIEValue* const FCEOF = MakeAtomConstant("EOF");
IIEValue* const FCThen = MakeAtomConstant("then");
IIEValue* const FCPI = ValueConstants::Make(new TIEValue(3.141592653589793));
IIEValue* const FCEmptyString = MakeAtomConstant("");
IIEValue* const FCZero = ValueConstants::Make(new TIEValue(0.0));

namespace {
// Releases the constants when the library is unloaded.
struct ConstantsRelease {
  ~ConstantsRelease() {
    for (IIEValue* v : {FCTrue, FCFalse, FCNil, FCNilList, FCCatch, FCExcept, FCFinally, FCElse,
                        FCDo, FCEOF, FCThen, FCPI, FCEmptyString, FCZero})
      v->Release();
  }
} g_constants_release;
}  // namespace

bool IsValueConstant(const IIEValue* value) {
  if (!value) return false;
  for (IIEValue* v : {FCTrue, FCFalse, FCNil, FCNilList, FCCatch, FCExcept, FCFinally, FCElse, FCDo,
                      FCEOF, FCThen, FCPI, FCEmptyString, FCZero})
    if (v == value) return true;
  return false;
}

Ref<IIEValue> NewAtom(std::string_view text) {
  return Ref<IIEValue>(new TIEValue(text, dtAtom));
}
Ref<IIEValue> NewString(std::string_view text) {
  return Ref<IIEValue>(new TIEValue(text, dtString));
}
Ref<IIEValue> NewVariable(std::string_view name) {
  return Ref<IIEValue>(new TIEValue(name, dtVariable));
}
Ref<IIEValue> NewInteger(int32_t value) {
  return Ref<IIEValue>(new TIEValue(value, dtInteger));
}
Ref<IIEValue> NewFactId(int32_t id) {
  return Ref<IIEValue>(new TIEValue(id, dtFactId));
}
Ref<IIEValue> NewFloat(double value) {
  return Ref<IIEValue>(new TIEValue(value));
}
Ref<IIEValue> NewList(IValueVector* list) {
  return Ref<IIEValue>(new TIEValue(list));
}
Ref<IIEValue> NewEmptyList() {
  return Ref<IIEValue>(new TIEValue(new TValueVector));
}

}  // namespace rulecore
