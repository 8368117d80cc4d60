// rulecore: an embeddable expert-system shell.
#include "facts/fact_template.h"

#include <algorithm>

#include "core/defined_type.h"
#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/context.h"
#include "facts/fact.h"
#include "facts/fact_engine.h"
#include "facts/fact_printer.h"
#include "platform/component.h"

namespace rulecore {

namespace {

TObject* NewSlot(TComponent*) {
  return new TFactSlot;
}
TObject* NewTemplate(TComponent* owner) {
  return new TFactTemplate(owner);
}

void CheckName(const std::string& name) {
  if (ContainsCharacters(name, SInvalidNameCharacters) > 0) RaiseIE(SInvalidName, {name});
}

// The index of `name` in the slot-name list, letter case included: the list
// is sorted without regard to case, but slot names differing only in case
// are different slots.
int ExactIndex(const TStringList& names, std::string_view name) {
  for (int i = 0; i < names.Count(); ++i)
    if (names.Get(i) == name) return i;
  return -1;
}

// The copy a slot or fact keeps of a value. Clone shares a list's vector
// with its source; the copy gets a vector of its own, so that changing one
// fact's list in place leaves the slot default and every other fact alone.
Ref<IIEValue> CopyValue(IIEValue* value) {
  if (!value) return nullptr;
  if (value->GetDType() != dtList) return value->Clone();
  return Ref<IIEValue>(new TIEValue(value));
}

bool IsBlank(std::string_view s) {
  return s.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

std::string Upper(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

RC_DEFINE_CLASS(TFactSlot, TPersistent, NewSlot)
RC_DEFINE_CLASS(TFactTemplate, TPersistent, NewTemplate)

// ================================================================ TFactSlot

TFactSlot::TFactSlot(TFactTemplate* tmpl) : template_(tmpl) {}

TFactSlot::~TFactSlot() {
  Listen(false);
  template_ = nullptr;
}

bool TFactSlot::IsMultiSlot() const {
  return slot_type_.Contains(dtList) || slot_type_.Contains(dtMultiSlot);
}

IFactEngine* TFactSlot::Engine() const {
  return template_ ? template_->Engine() : nullptr;
}

bool TFactSlot::DynamicChecks() const {
  IFactEngine* engine = Engine();
  return engine && engine->GetTypeChecks().Contains(tcDynamic);
}

std::string TFactSlot::GetTemplateName() const {
  return template_ ? template_->GetTemplateName() : std::string();
}

void TFactSlot::Listen(bool on) {
  // The shared constants never change, and their listener slot is not ours.
  if (!default_ || IsValueConstant(default_.get())) return;
  if (on)
    default_->SetOnChange([this](IIEValue* v) { ValueChanged(v); });
  else
    default_->SetOnChange(nullptr);
}

void TFactSlot::ValueChanged(IIEValue* value) {
  if (DynamicChecks() && !IsValid(value)) RaiseIE(SInvalidValue, {value->GetToString(), name_});
}

void TFactSlot::SetName(const std::string& name) {
  if (name == name_) return;
  CheckName(name);
  if (template_) template_->NewSlotName(this, name);
  name_ = name;
}

void TFactSlot::SetSlotDefault(IIEValue* value) {
  if (value && DynamicChecks() && !IsValid(value))
    RaiseIE(SInvalidSlotDefault, {value->GetToString()});
  Ref<IIEValue> stored;
  if (value) stored = IsValueConstant(value) ? Ref<IIEValue>(value) : CopyValue(value);
  if (template_) template_->NewSlotDefault(this, stored);
  Listen(false);
  default_ = stored;
  Listen(true);
}

void TFactSlot::SetSlotType(TIETypes kinds) {
  if (kinds == slot_type_) return;
  if (kinds.Contains(dtFuzzy) && !((kinds - IEMultiSlotTypes) == TIETypes{dtFuzzy}))
    RaiseIE(SCannotMixFuzzy);
  // The implicit type follows first: it is the step that can still refuse.
  if (type_info_ && type_info_->GetImplicit()) type_info_->SetBaseTypes(kinds);
  if (template_) template_->NewSlotType(this, kinds);
  slot_type_ = kinds;
  if (!default_ || !IsValid(default_.get()))
    SetSlotDefault(CreateValidDefault(kinds.Contains(dtMultiSlot)).get());
}

void TFactSlot::SetExtendedTypeInfo(IIEDefinedType* type) {
  if (type == type_info_.get()) return;
  TIETypes kinds = type ? type->GetBaseTypes() : TIETypes{};
  if (template_ && type) template_->NewSlotType(this, kinds);
  type_info_ = Ref<IIEDefinedType>(type);
  if (name_ == SDefaultSlotName) kinds = kinds | IEMultiSlotTypes;
  SetSlotType(kinds);
}

Ref<IIEValue> TFactSlot::CreateValidDefault(bool multi) {
  if (type_info_) return type_info_->CreateValidDefault(multi);
  if (multi) return NewEmptyList();
  if (slot_type_.Contains(dtAtom)) return NewAtom("");
  if (slot_type_.Contains(dtString)) return NewString("");
  if (slot_type_.Contains(dtInteger)) return NewInteger(0);
  if (slot_type_.Contains(dtFloat)) return NewFloat(0.0);
  if (slot_type_.Contains(dtObject)) return Ref<IIEValue>(new TIEValue(nullptr, false));
  if (slot_type_.Contains(dtExternalAddress))
    return Ref<IIEValue>(new TIEValue(static_cast<void*>(nullptr)));
  if (slot_type_.Contains(dtFuzzy)) return Ref<IIEValue>(FCNil);
  if (slot_type_.Contains(dtFactId)) return NewFactId(0);
  if (slot_type_.Contains(dtFact)) return Ref<IIEValue>(new TIEValue(static_cast<IFact*>(nullptr)));
  if (slot_type_.Contains(dtDescriptor)) return Ref<IIEValue>(new TIEValue(0, dtDescriptor));
  if (slot_type_.Contains(dtClass))
    return Ref<IIEValue>(new TIEValue(static_cast<const TClassInfo*>(nullptr)));
  return Ref<IIEValue>(new TIEValue);
}

bool TFactSlot::IsValid(IIEValue* value) {
  if (!value) return true;
  if (value == FCNil) return !slot_type_.Contains(dtList);
  if (value == FCNilList) return slot_type_.Contains(dtList);
  if (type_info_) return type_info_->IsValid(value);
  auto accepted = [&](TIEType kind) {
    return slot_type_.Contains(kind) || IEAlwaysValidTypes.Contains(kind);
  };
  if (!accepted(value->GetDType())) return false;
  if (value->GetDType() == dtList) {
    IValueVector* list = value->GetAsList();
    for (int i = 0; list && i < list->GetValueCount(); ++i) {
      IIEValue* element = list->Get(i);
      if (element && !accepted(element->GetDType())) return false;
    }
  }
  return true;
}

std::string TFactSlot::GetInvalidValueString(IIEValue* value) {
  if (!value) return {};
  if (type_info_) {
    std::string why = type_info_->GetInvalidValueString(value);
    return why.empty() ? why : Format(SInvalidSlotValue, {why, name_});
  }
  std::string kinds = Upper(SetToString(slot_type_, ", ", false));
  TIEType kind = value->GetDType();
  if (!slot_type_.Contains(kind) && kind != dtVariable && kind != dtFunCall &&
      kind != dtMultiVariable)
    return Format(
        SInvalidSlotValue,
        {Format(SNotCorrectType, {kinds, value->GetToString(), GetIETypeName(kind)}), name_});
  if (kind == dtList) {
    IValueVector* list = value->GetAsList();
    for (int i = 0; list && i < list->GetValueCount(); ++i) {
      IIEValue* e = list->Get(i);
      if (!e || slot_type_.Contains(e->GetDType()) || IEAlwaysValidTypes.Contains(e->GetDType()))
        continue;
      return Format(
          SInvalidSlotValue,
          {Format(SNotCorrectType, {kinds, value->GetToString(),
                                    GetIETypeName(e->GetDType()) + " (" + e->GetToString() + ")"}),
           name_});
    }
  }
  return {};
}

std::string TFactSlot::GetToString() const {
  if (template_) return template_->SlotToString(this);
  return SlotToRuleText(*this);
}

bool TFactSlot::Equals(IInterface* other) {
  if (other == static_cast<IFactSlot*>(this)) return true;
  auto* slot = Query<IFactSlot>(other);
  if (!slot || slot->GetName() != name_ || !(slot->GetSlotType() == slot_type_)) return false;
  IIEDefinedType* theirs = slot->GetExtendedTypeInfo();
  if (type_info_.get() != theirs && !(type_info_ && theirs && type_info_->Equals(theirs)))
    return false;
  IIEValue* their_default = slot->GetSlotDefault();
  if (default_.get() == their_default) return true;
  return default_ && their_default && default_->EqualsStar(their_default);
}

void TFactSlot::Assign(IInterface* source) {
  auto* slot = Query<IFactSlot>(source);
  if (!slot) throw EConvertError("Cannot assign a non-slot interface to a TFactSlot");
  if (slot == static_cast<IFactSlot*>(this)) return;
  SetName(slot->GetName());
  default_dynamic_ = slot->GetDefaultDynamic();
  tag_ = slot->GetTag();
  IIEDefinedType* type = slot->GetExtendedTypeInfo();
  IFactEngine* engine = Engine();
  IIEDefinedType* own = type && engine ? engine->FindDefinedType(type->GetName()) : nullptr;
  if (own && own != type) {
    // Carried into another engine: use that engine's type of the same name,
    // and read a default that holds engine objects back through its parser.
    Ref<IIEValue> value(slot->GetSlotDefault());
    if (value && IEReparseTypes.Contains(value->GetDType()))
      value = engine->ParseValue(value->GetToString());
    type_info_ = Ref<IIEDefinedType>(own);
    slot_type_ = TIETypes{};
    SetSlotType(slot->GetSlotType());
    SetSlotDefault(value.get());
  } else {
    type_info_ = Ref<IIEDefinedType>(type);
    if (!(slot_type_ == slot->GetSlotType())) {
      if (template_) template_->NewSlotType(this, slot->GetSlotType());
      slot_type_ = slot->GetSlotType();
    }
    SetSlotDefault(slot->GetSlotDefault());
  }
}

void TFactSlot::Assign(const TPersistent& source) {
  if (auto* slot = dynamic_cast<const TFactSlot*>(&source)) {
    Assign(static_cast<IInterface*>(const_cast<TFactSlot*>(slot)));
    return;
  }
  TPersistent::Assign(source);
}

Ref<IFactSlot> TFactSlot::CloneSlot() const {
  Ref<TFactSlot> copy(new TFactSlot(nullptr));
  copy->Assign(static_cast<IInterface*>(const_cast<TFactSlot*>(this)));
  copy->template_ = template_;
  return copy;
}

// ================================================================ TFactTemplate

TFactTemplate::TFactTemplate(TComponent* owner) : owner_(owner) {
  slot_names_.SetSorted(true);
}

TFactTemplate::TFactTemplate(TComponent* owner, const std::string& name) : TFactTemplate(owner) {
  name_ = name;
}

TFactTemplate::TFactTemplate(TComponent* owner, const std::string& name, const std::string& comment,
                             IFactTemplate* parent)
    : TFactTemplate(owner) {
  if (parent) {
    CopyFrom(*parent);
    if (parent->GetOwner() == owner) parent_ = Ref<IFactTemplate>(parent);
  }
  name_ = name;
  comment_ = comment;
}

TFactTemplate::~TFactTemplate() {
  for (auto& [name, slot] : slots_)
    if (auto* s = dynamic_cast<TFactSlot*>(slot.get())) s->template_ = nullptr;
}

IFactEngine* TFactTemplate::Engine() const {
  return AsFactEngine(owner_);
}

void TFactTemplate::RecomputeOrdered() {
  is_ordered_ = slots_.Count() < 2 && slots_.ContainsKey(SDefaultSlotName);
}

// ---------------------------------------------------------------- slot hooks

void TFactTemplate::NewSlotName(TFactSlot* slot, const std::string& name) {
  Ref<IFactSlot> keep(slot);  // the table may hold the only reference
  // The old name is this slot's entry only when the table holds this slot
  // there; a copy of a slot shares its name without being registered.
  const Ref<IFactSlot>* old = slot->name_.empty() ? nullptr : slots_.Find(slot->name_);
  if (old && old->get() == static_cast<IFactSlot*>(slot)) {
    int i = ExactIndex(slot_names_, slot->name_);
    if (i >= 0) slot_names_.Delete(i);
    slots_.Remove(slot->name_);
  }
  // A slot already registered under the new name is displaced.
  if (const Ref<IFactSlot>* displaced = slots_.Find(name)) {
    if (auto* s = dynamic_cast<TFactSlot*>(displaced->get());
        s && s != slot && s->template_ == this)
      s->template_ = nullptr;
    int i = ExactIndex(slot_names_, name);
    if (i >= 0) slot_names_.Delete(i);
  }
  slot_names_.Add(name);
  slots_.Put(name, keep);
  names_changed_ = true;
  RecomputeOrdered();
}

void TFactTemplate::NewSlotDefault(TFactSlot* /*slot*/, Ref<IIEValue>& default_value) {
  if (default_value && default_value->GetDType() == dtFunCall) {
    Ref<IIEValue> copy(new TIEValue);
    IFunCall* call = default_value->GetAsFunCall();
    Ref<IFunCall> call_copy = call ? call->Clone() : nullptr;
    copy->SetAsFunCall(call_copy.get());
    default_value = copy;
  }
}

void TFactTemplate::NewSlotType(TFactSlot* /*slot*/, TIETypes /*kinds*/) {
  types_changed_ = true;
}

std::string TFactTemplate::SlotToString(const TFactSlot* slot) const {
  if (IFactEngine* engine = Engine()) return engine->PrettyPrint(const_cast<TFactSlot*>(slot));
  return SlotToRuleText(*slot);
}

// ---------------------------------------------------------------- slots

IFactSlot* TFactTemplate::AddSlot(const std::string& name, IIEValue* default_value) {
  if (!default_value) RaiseIE(SBadSlotType);
  if (default_value->GetDType() == dtList)
    RaiseIE(SInvalidSlotDefault, {default_value->GetToString()});
  // A slot without a name would never be registered.
  if (IsBlank(name)) RaiseIE(SBadSlotName, {name});
  if (const Ref<IFactSlot>* existing = slots_.Find(name)) {
    IIEValue* current = (*existing)->GetSlotDefault();
    if (current && current->GetDType() == dtList) RaiseIE(SInvalidExistingMultiSlotChange);
    (*existing)->SetSlotDefault(default_value);
    return existing->get();
  }
  Ref<TFactSlot> slot(new TFactSlot(this));
  slot->SetSlotType(IESlotTypes);
  slot->SetSlotDefault(default_value);
  slot->SetName(name);
  RecomputeOrdered();
  return slot.get();
}

IFactSlot* TFactTemplate::AddMultiSlot(const std::string& name, IIEValue* default_value) {
  if (!default_value) RaiseIE(SBadSlotType);
  if (default_value->GetDType() != dtList)
    RaiseIE(SInvalidDefaultMultislotValue, {default_value->GetAsString()});
  if (IsBlank(name)) RaiseIE(SBadSlotName, {name});
  if (const Ref<IFactSlot>* existing = slots_.Find(name)) {
    IIEValue* current = (*existing)->GetSlotDefault();
    if (current && current->GetDType() != dtList) RaiseIE(SInvalidExistingSlotChange);
    (*existing)->SetSlotDefault(default_value);
    return existing->get();
  }
  Ref<TFactSlot> slot(new TFactSlot(this));
  slot->SetSlotType(IESlotTypes | IEMultiSlotTypes);
  slot->SetSlotDefault(default_value);
  slot->SetName(name);
  RecomputeOrdered();
  return slot.get();
}

IFactSlot* TFactTemplate::AddSlot(IFactSlot* source) {
  std::string name = source ? source->GetName() : std::string();
  if (IsBlank(name)) RaiseIE(SBadSlotName, {name});
  // The source may be this template's own slot of that name, held only by
  // the table entry the copy is about to take.
  Ref<IFactSlot> keep(source);
  Ref<TFactSlot> slot(new TFactSlot(this));
  slot->Assign(static_cast<IInterface*>(source));
  RecomputeOrdered();
  return slot.get();
}

IFactSlot* TFactTemplate::GetSlot(std::string_view name) const {
  const Ref<IFactSlot>* slot = slots_.Find(name);
  if (!slot) RaiseIE(SInvalidSlotName, {name});
  return slot->get();
}

bool TFactTemplate::ContainsSlot(std::string_view name) const {
  return slots_.ContainsKey(name);
}

bool TFactTemplate::ContainsSlot(std::string_view name, IFactSlot** slot) const {
  const Ref<IFactSlot>* found = slots_.Find(name);
  if (slot) *slot = found ? found->get() : nullptr;
  return found != nullptr;
}

std::vector<IFactSlot*> TFactTemplate::GetSlots() const {
  std::vector<IFactSlot*> out;
  out.reserve(static_cast<size_t>(slots_.Count()));
  for (const auto& [name, slot] : slots_)
    out.push_back(slot.get());
  return out;
}

std::vector<std::string> TFactTemplate::GetSlotNames() const {
  std::vector<std::string> out;
  out.reserve(static_cast<size_t>(slot_names_.Count()));
  for (int i = 0; i < slot_names_.Count(); ++i)
    out.push_back(slot_names_.Get(i));
  return out;
}

void TFactTemplate::SetSlot(std::string_view name, IFactSlot* slot) {
  if (!slot || slot->GetName() != name)
    RaiseIE(SNoIndexNameMatch, {name, slot ? slot->GetName() : std::string()});
  if (!slots_.ContainsKey(name)) slot_names_.Add(std::string(name));
  slots_.Put(name, Ref<IFactSlot>(slot));
  names_changed_ = types_changed_ = true;
}

void TFactTemplate::RemoveSlot(std::string_view name) {
  if (!slots_.ContainsKey(name)) RaiseIE(SInvalidSlotName, {name});
  int i = ExactIndex(slot_names_, name);
  if (i >= 0) slot_names_.Delete(i);
  Ref<IFactSlot> slot = *slots_.Find(name);
  slots_.Remove(name);
  if (auto* s = dynamic_cast<TFactSlot*>(slot.get()); s && s->template_ == this)
    s->template_ = nullptr;
  names_changed_ = types_changed_ = true;
}

void TFactTemplate::ClearSlots() {
  for (auto& [n, slot] : slots_)
    if (auto* s = dynamic_cast<TFactSlot*>(slot.get()); s && s->template_ == this)
      s->template_ = nullptr;
  slots_.Clear();
  slot_names_.Clear();
  names_changed_ = types_changed_ = true;
}

bool TFactTemplate::ContainsType(IIEDefinedType* type) const {
  for (const auto& [name, slot] : slots_)
    if (slot->GetExtendedTypeInfo() == type) return true;
  return false;
}

bool TFactTemplate::IsFuzzy() const {
  if (types_changed_) {
    is_fuzzy_ = std::any_of(slots_.begin(), slots_.end(),
                            [](const auto& entry) { return entry.second->IsFuzzy(); });
    types_changed_ = false;
  }
  return is_fuzzy_;
}

void TFactTemplate::SetTemplateName(const std::string& name) {
  if (name == name_) return;
  CheckName(name);
  if (IFactEngine* engine = Engine()) engine->ChangeFactTemplateName(name_, name);
  name_ = name;
  names_changed_ = true;
}

// ---------------------------------------------------------------- facts

void TFactTemplate::FillFactWithDefaults(IFact* fact) {
  IFactTemplate* tmpl = fact ? fact->GetTemplate() : nullptr;
  if (!tmpl) RaiseIE(SNoTemplate);
  if (tmpl != static_cast<IFactTemplate*>(this))
    RaiseIE(SFactTemplatesDifferent, {tmpl->GetTemplateName(), name_});
  IFactEngine* engine = Engine();
  for (int i = 0; i < slot_names_.Count(); ++i) {
    const std::string& name = slot_names_.Get(i);
    IFactSlot* slot = slots_.Find(name)->get();
    IIEValue* d = slot->GetSlotDefault();
    Ref<IIEValue> value = d ? CopyValue(d) : Ref<IIEValue>(FCNil);
    if (slot->GetDefaultDynamic() && engine) {
      // A variable resolves to its bound value itself: the fact keeps a copy,
      // so that changing the fact never changes the variable.
      Ref<IIEValue> resolved = value->Resolve(engine->GetContext());
      value = resolved.get() == value.get() ? resolved : CopyValue(resolved.get());
    }
    fact->SetValue(name, value.get());
  }
}

Ref<IFact> TFactTemplate::NewFact() {
  Ref<TFact> fact(new TFact(this));
  FillFactWithDefaults(fact.get());
  return fact;
}

// ---------------------------------------------------------------- equality, hash, copy

int32_t TFactTemplate::GetHashCode() const {
  if (names_changed_) {
    std::string text = name_ + "\r\n";
    for (int i = 0; i < slot_names_.Count(); ++i)
      text += slot_names_.Get(i) + "\r\n";
    hash_code_ = CalculateHash(text, 1);
    names_changed_ = false;
  }
  return hash_code_;
}

bool TFactTemplate::Equals(IInterface* other) {
  if (other == static_cast<IFactTemplate*>(this)) return true;
  auto* tmpl = Query<IFactTemplate>(other);
  if (!tmpl || tmpl->IsOrdered() != is_ordered_ || tmpl->GetTemplateName() != name_) return false;
  for (const auto& [name, slot] : slots_) {
    IFactSlot* theirs = nullptr;
    if (!tmpl->ContainsSlot(name, &theirs) || !slot->Equals(static_cast<IInterface*>(theirs)))
      return false;
  }
  return true;
}

void TFactTemplate::AssignSlots(IFactTemplate* source) {
  if (source == static_cast<IFactTemplate*>(this)) return;  // clearing first would lose them
  ClearSlots();
  IFactEngine* engine = Engine();
  for (IFactSlot* slot : source->GetSlots()) {
    if (engine) {
      Ref<IFactSlot> parsed = engine->ParseFactTemplateSlot(slot->GetToString());
      AddSlot(parsed.get());
    } else {
      AddSlot(slot);
    }
  }
}

void TFactTemplate::CopyFrom(const IFactTemplate& source) {
  auto& src = const_cast<IFactTemplate&>(source);
  backward_chaining_ = src.IsBackwardChaining();
  comment_ = src.GetComment();
  name_ = src.GetTemplateName();
  parent_ = Ref<IFactTemplate>(src.GetParent());
  AssignSlots(&src);
  is_fuzzy_ = src.IsFuzzy();
  is_ordered_ = src.IsOrdered();
  names_changed_ = true;  // recomputed from the copied names on first use
  types_changed_ = false;
}

void TFactTemplate::Assign(IInterface* source) {
  auto* tmpl = Query<IFactTemplate>(source);
  if (!tmpl) throw EConvertError("Cannot assign a non-template interface to a TFactTemplate");
  if (tmpl != static_cast<IFactTemplate*>(this)) CopyFrom(*tmpl);
}

void TFactTemplate::Assign(const TPersistent& source) {
  if (auto* tmpl = dynamic_cast<const TFactTemplate*>(&source)) {
    Assign(static_cast<IInterface*>(const_cast<TFactTemplate*>(tmpl)));
    return;
  }
  TPersistent::Assign(source);
}

Ref<IFactTemplate> TFactTemplate::Clone(TComponent* new_owner) const {
  Ref<TFactTemplate> copy(new TFactTemplate(new_owner));
  copy->Assign(static_cast<IInterface*>(const_cast<TFactTemplate*>(this)));
  return copy;
}

std::string TFactTemplate::GetToString() const {
  if (IFactEngine* engine = Engine())
    return engine->PrettyPrint(static_cast<IFactTemplate*>(const_cast<TFactTemplate*>(this)));
  return TemplateToRuleText(*this);
}

}  // namespace rulecore
