// rulecore: an embeddable expert-system shell.
#include "facts/fact.h"

#include "core/defined_type.h"
#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact_engine.h"
#include "facts/fact_printer.h"
#include "facts/fact_template.h"

namespace rulecore {

namespace {

TObject* NewFact(TComponent*) {
  return new TFact;
}

// The copy a slot or fact keeps of a value. Clone shares a list's vector
// with its source; the copy gets a vector of its own, so that changing one
// fact's list in place leaves the slot default and every other fact alone.
Ref<IIEValue> CopyValue(IIEValue* value) {
  if (!value) return nullptr;
  if (value->GetDType() != dtList) return value->Clone();
  return Ref<IIEValue>(new TIEValue(value));
}

}  // namespace

RC_DEFINE_CLASS(TFact, TPersistent, NewFact)

TFact::TFact(IFactTemplate* tmpl, IFact* source) : template_(tmpl) {
  if (source) Assign(static_cast<IInterface*>(source));
}

TFact::~TFact() = default;

IFactEngine* TFact::Engine() const {
  return template_ ? AsFactEngine(template_->GetOwner()) : nullptr;
}

bool TFact::DynamicChecks() const {
  IFactEngine* engine = Engine();
  return engine && engine->GetTypeChecks().Contains(tcDynamic);
}

void TFact::CheckTemplate() const {
  if (!template_) RaiseIE(SNoTemplate);
}

// ---------------------------------------------------------------- slot access

TFactValueEntry& TFact::Fill(std::string_view slot_name) {
  if (TFactValueEntry* entry = values_.Find(slot_name)) return *entry;
  IFactSlot* slot = nullptr;
  if (!template_->ContainsSlot(slot_name, &slot)) RaiseIE(SInvalidSlotName, {slot_name});
  IIEValue* d = slot->GetSlotDefault();
  values_.Put(slot_name, TFactValueEntry{d ? CopyValue(d) : Ref<IIEValue>(FCNil), Ref(slot)});
  return *values_.Find(slot_name);
}

IIEValue* TFact::GetValue(std::string_view slot_name) {
  CheckTemplate();
  return Fill(slot_name).value.get();
}

IIEValue* TFact::GetValueHinted(std::string_view slot_name, int32_t& hint) {
  CheckTemplate();
  if (TFactValueEntry* entry = values_.Find(slot_name, hint)) return entry->value.get();
  return GetValue(slot_name);
}

bool TFact::ContainsKey(std::string_view slot_name) const {
  CheckTemplate();
  if (values_.ContainsKey(slot_name)) return true;
  if (!template_->ContainsSlot(slot_name)) return false;
  const_cast<TFact*>(this)->Fill(slot_name);
  return true;
}

void TFact::SetValue(std::string_view slot_name, IIEValue* value) {
  CheckTemplate();
  bool dynamic = DynamicChecks();
  TFactValueEntry* entry = values_.Find(slot_name);
  IFactSlot* slot = entry ? entry->slot.get() : nullptr;
  bool lookup =
      !entry || (dynamic && (!slot || slot->GetTemplateName() != template_->GetTemplateName()));
  if (lookup && !template_->ContainsSlot(slot_name, &slot)) RaiseIE(SInvalidSlotName, {slot_name});
  if (dynamic && value && !slot->IsValid(value)) {
    TIETypes kinds = slot->GetSlotType();
    TIEType kind = value->GetDType();
    if (kind == dtInteger && kinds.Contains(dtFloat)) {
      value->SetAsFloat(value->GetAsInteger());
    } else if ((kind == dtAtom || kind == dtString) && kinds.Contains(dtFuzzy)) {
      IFactEngine* engine = Engine();
      IIEDefinedType* type = slot->GetExtendedTypeInfo();
      Ref<IIEValue> fuzzy = engine->EvalFuzzyExpression(type ? type->GetFuzzyType() : nullptr,
                                                        value, engine->GetContext());
      value->Assign(static_cast<IInterface*>(fuzzy.get()));
    } else {
      RaiseIE(slot->GetInvalidValueString(value));
    }
  }
  // The entry is made only once the value has been accepted, so that a
  // refused value never reaches the fact.
  if (!entry) {
    values_.Put(slot_name, TFactValueEntry{Ref<IIEValue>(value ? value : FCNil), Ref(slot)});
    return;
  }
  if (lookup) entry->slot = Ref<IFactSlot>(slot);
  entry->value = Ref<IIEValue>(value ? value : FCNil);
}

std::vector<IIEValue*> TFact::GetSlotValues() const {
  std::vector<IIEValue*> out;
  out.reserve(static_cast<size_t>(values_.Count()));
  for (const auto& [name, entry] : values_)
    out.push_back(entry.value.get());
  return out;
}

std::vector<std::string> TFact::GetSlotNames() const {
  std::vector<std::string> out;
  out.reserve(static_cast<size_t>(values_.Count()));
  for (const auto& [name, entry] : values_)
    out.push_back(name);
  return out;
}

// ---------------------------------------------------------------- template change

void TFact::SetTemplate(IFactTemplate* tmpl) {
  if (tmpl == template_.get()) return;
  Ref<IFactTemplate> keep(tmpl);
  if (!tmpl) {
    values_.Clear();
    template_.reset();
    return;
  }
  if (template_) {
    for (const std::string& name : template_->GetSlotNames()) {
      IFactSlot* slot = nullptr;
      TFactValueEntry* entry = values_.Find(name);
      if (tmpl->ContainsSlot(name, &slot)) {
        if (entry) entry->slot = Ref<IFactSlot>(slot);
      } else if (entry) {
        values_.Remove(name);
      }
    }
  }
  template_ = keep;
  for (IFactSlot* slot : tmpl->GetSlots()) {
    std::string name = slot->GetName();
    if (values_.ContainsKey(name)) continue;
    IIEValue* d = slot->GetSlotDefault();
    values_.Put(name, TFactValueEntry{d ? CopyValue(d) : Ref<IIEValue>(FCNil), Ref(slot)});
  }
}

// ---------------------------------------------------------------- copying

void TFact::AssignValues(IFact* source) {
  CheckTemplate();
  IFactTemplate* theirs = source ? source->GetTemplate() : nullptr;
  if (theirs != template_.get())
    RaiseIE(SFactTemplatesDifferent,
            {theirs ? theirs->GetTemplateName() : std::string(), template_->GetTemplateName()});
  if (source == static_cast<IFact*>(this)) return;
  // Clone first, so that a failure leaves this fact as it was.
  std::vector<std::pair<std::string, Ref<IIEValue>>> copies;
  if (auto* fact = dynamic_cast<TFact*>(source)) {
    for (const auto& [name, entry] : fact->values_)
      copies.emplace_back(name, CopyValue(entry.value.get()));
  } else {
    for (const std::string& name : source->GetSlotNames()) {
      IIEValue* v = source->GetValue(name);
      copies.emplace_back(name, CopyValue(v));
    }
  }
  values_.Clear();
  values_.Reserve(copies.size());
  for (auto& [name, value] : copies) {
    IFactSlot* slot = nullptr;
    template_->ContainsSlot(name, &slot);
    values_.Put(name, TFactValueEntry{value, Ref<IFactSlot>(slot)});
  }
}

void TFact::Assign(IInterface* source) {
  auto* fact = Query<IFact>(source);
  if (!fact) throw EConvertError("Cannot assign a non-fact interface to a TFact");
  if (fact == static_cast<IFact*>(this)) return;
  IFactTemplate* theirs = fact->GetTemplate();
  IFactEngine* engine = Engine();
  if (template_ && theirs && theirs != template_.get() &&
      theirs->GetOwner() != template_->GetOwner() && engine) {
    // Carried into this fact's engine: find or make the template there and
    // read the fact back through the engine's parser.
    IFactTemplate* own = engine->FindFactTemplate(theirs->GetTemplateName());
    if (!own) own = engine->CreateFactTemplate(theirs);
    Ref<IFact> parsed = engine->ParseFact(fact->GetToString());
    SetTemplate(parsed->GetTemplate());
    AssignValues(parsed.get());
  } else {
    template_ = Ref<IFactTemplate>(theirs);
    values_.Clear();
    if (theirs) AssignValues(fact);
  }
  id_ = fact->GetID();
  tag_ = fact->GetTag();
}

void TFact::Assign(const TPersistent& source) {
  if (auto* fact = dynamic_cast<const TFact*>(&source)) {
    Assign(static_cast<IInterface*>(const_cast<TFact*>(fact)));
    return;
  }
  TPersistent::Assign(source);
}

Ref<IFact> TFact::Clone() const {
  Ref<TFact> copy(new TFact(template_.get()));
  copy->Assign(static_cast<IInterface*>(const_cast<TFact*>(this)));
  return copy;
}

void TFact::SetValues(const TStringHashTable<TFactValueEntry>& values) {
  values_.Clear();
  for (const auto& [name, entry] : values)
    SetValue(name, CopyValue(entry.value.get()).get());
}

// ---------------------------------------------------------------- equality, hash

bool TFact::Equals(IFact* other) {
  if (other == static_cast<IFact*>(this)) return true;
  if (!other || other->GetTemplate() != template_.get()) return false;
  if (!template_) return false;
  auto* tmpl = dynamic_cast<TFactTemplate*>(template_.get());
  std::vector<std::string> names;
  if (!tmpl) names = template_->GetSlotNames();
  int count = tmpl ? tmpl->SlotNames().Count() : static_cast<int>(names.size());
  for (int i = 0; i < count; ++i) {
    const std::string& name = tmpl ? tmpl->SlotNames().Get(i) : names[static_cast<size_t>(i)];
    IFactSlot* slot = nullptr;
    if (template_->ContainsSlot(name, &slot) && slot->IsFuzzy()) continue;
    IIEValue* mine = GetValue(name);
    IIEValue* theirs = other->GetValue(name);
    if (mine != theirs && !(mine && mine->Equals(theirs))) return false;
  }
  return true;
}

bool TFact::Equals(IInterface* other) {
  auto* fact = Query<IFact>(other);
  return fact && Equals(fact);
}

int32_t TFact::GetHashCode() const {
  if (!template_) return 0;
  std::string text;
  auto* self = const_cast<TFact*>(this);
  for (const std::string& name : template_->GetSlotNames()) {
    IFactSlot* slot = nullptr;
    if (template_->ContainsSlot(name, &slot) && slot->IsFuzzy()) continue;
    text += self->GetValue(name)->GetToString();
  }
  uint32_t h = static_cast<uint32_t>(template_->GetHashCode()) * 31u +
               static_cast<uint32_t>(CalculateHash(text, 1));
  return static_cast<int32_t>(h);
}

// ---------------------------------------------------------------- printing

std::string TFact::GetToString() const {
  if (IFactEngine* engine = Engine())
    return engine->PrettyPrint(static_cast<IFact*>(const_cast<TFact*>(this)));
  return FactToRuleText(*const_cast<TFact*>(this));
}

std::string TFact::GetToIDString() const {
  if (IFactEngine* engine = Engine()) {
    int digits = static_cast<int>(std::to_string(engine->GetNextFactId()).size());
    std::string format = "%s%" + std::to_string(digits) + "." + std::to_string(digits) + "d %s";
    return Format(format, {"f-", id_, GetToString()});
  }
  return "f-" + std::to_string(id_) + " " + GetToString();
}

}  // namespace rulecore
