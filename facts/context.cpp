// rulecore: an embeddable expert-system shell.
#include "facts/context.h"

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact_engine.h"
#include "platform/component.h"
#include "support/fuzzkit.h"

namespace rulecore {

namespace {
TObject* NewBinding(TComponent*) {
  return new TBinding;
}
}  // namespace

RC_DEFINE_CLASS(TBinding, TBindingInfo, NewBinding)
RC_DEFINE_CLASS(TIEContext, TPersistent, nullptr)

IFactEngine* AsFactEngine(TComponent* owner) {
  return dynamic_cast<IFactEngine*>(owner);
}

// ---------------------------------------------------------------- TBinding

TBinding::TBinding(const std::string& name, int32_t fact_idx, const std::string& slot_name,
                   int32_t sub_idx)
    : TBindingInfo(fact_idx, slot_name, sub_idx), name_(name) {}

TBinding::TBinding(const std::string& name, IIEValue* value)
    : TBindingInfo(LocalBindingIndex, SLocalBinding, NoSubIndex), value_(value), name_(name) {}

void TBinding::Assign(const TPersistent& source) {
  TBindingInfo::Assign(source);
  if (auto* other = dynamic_cast<const TBinding*>(&source)) {
    value_ = other->value_;
    name_ = other->name_;
  }
}

bool TBinding::Equals(const TPersistent* other) const {
  auto* binding = dynamic_cast<const TBinding*>(other);
  if (!binding || !TBindingInfo::Equals(other) || binding->name_ != name_) return false;
  if (binding->value_ == value_) return true;
  return value_ && binding->value_ && value_->Equals(binding->value_.get());
}

std::string TBinding::ToString() const {
  std::string s = "name=" + name_;
  if (value_) s += " value=" + value_->GetToString();
  return s + " " + TBindingInfo::ToString();
}

// ---------------------------------------------------------------- TBindings

TBinding* TBindings::Get(std::string_view name) const {
  const std::unique_ptr<TBinding>* b = table_.Find(name);
  return b ? b->get() : nullptr;
}

TBinding* TBindings::Put(std::unique_ptr<TBinding> binding) {
  TBinding* raw = binding.get();
  if (table_.ContainsKey(raw->Name())) Remove(raw->Name());
  table_.Put(raw->Name(), std::move(binding));
  context_->Notify(raw, tnAdded);
  return raw;
}

bool TBindings::Remove(std::string_view name) {
  TBinding* b = Get(name);
  if (!b) return false;
  context_->Notify(b, tnDeleted);
  return table_.Remove(name);
}

void TBindings::Clear() {
  table_.Clear();
  context_->Notify(nullptr, tnCleared);
}

// ---------------------------------------------------------------- TIEContext

TIEContext::TIEContext(TIEContext* parent, IFactEngine* engine)
    : engine_(engine), bindings_(this), parent_(parent) {}

TIEContext::~TIEContext() = default;

TIEContext* TIEContext::Root() {
  TIEContext* c = this;
  while (c->parent_)
    c = c->parent_;
  return c;
}

const TIEContext* TIEContext::Root() const {
  const TIEContext* c = this;
  while (c->parent_)
    c = c->parent_;
  return c;
}

std::unique_ptr<TIEContext> TIEContext::Push() {
  return std::make_unique<TIEContext>(this, engine_);
}

TIEContext* TIEContext::Pop() {
  if (!parent_) return this;
  parent_->return_set_ = return_set_;
  parent_->return_value_ = return_value_;
  return parent_;
}

TBinding* TIEContext::FindBinding(std::string_view name) const {
  for (const TIEContext* c = this; c; c = c->parent_)
    if (TBinding* b = c->bindings_.Get(name)) return b;
  return nullptr;
}

TBinding* TIEContext::FindGlobalBinding(std::string_view name) const {
  return Root()->bindings_.Get(name);
}

IIEValue* TIEContext::GetVariable(std::string_view name) const {
  TBinding* b = FindBinding(name);
  if (!b) RaiseIE(SUnknownVariable, {name});
  return b->Value();
}

TBinding* TIEContext::AddBinding(const std::string& name, int32_t fact_idx,
                                 const std::string& slot_name, int32_t sub_idx) {
  for (TIEContext* c = this; c; c = c->parent_)
    if (c->bindings_.Remove(name)) break;
  return bindings_.Put(std::make_unique<TBinding>(name, fact_idx, slot_name, sub_idx));
}

TBinding* TIEContext::AddBinding(const std::string& name, IIEValue* value) {
  if (TBinding* b = FindBinding(name)) {
    b->SetValue(value);
    return b;
  }
  return bindings_.Put(std::make_unique<TBinding>(name, value));
}

TBinding* TIEContext::AddLocalBinding(const std::string& name, IIEValue* value) {
  return bindings_.Put(std::make_unique<TBinding>(name, value));
}

TBinding* TIEContext::AddGlobalBinding(const std::string& name, IIEValue* value) {
  TIEContext* root = Root();
  if (TBinding* b = root->bindings_.Get(name)) {
    b->SetValue(value);
    return b;
  }
  return root->bindings_.Put(std::make_unique<TBinding>(name, value));
}

TBinding* TIEContext::SetVariable(const std::string& name, IIEValue* value) {
  if (TBinding* b = bindings_.Get(name)) {
    b->SetValue(value);
    return b;
  }
  return AddBinding(name, value);
}

void TIEContext::SetReturnValue(IIEValue* value) {
  return_value_ = Ref<IIEValue>(value);
  return_set_ = true;
}

void TIEContext::ClearReturnValue() {
  return_set_ = false;
}

void TIEContext::Clear() {
  bindings_.Clear();
}

void TIEContext::Notify(TBinding* /*binding*/, TTableNotification action) {
  if (action == tnCleared) return_set_ = false;
}

void TIEContext::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TIEContext*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  return_set_ = other->return_set_;
  return_value_ = other->return_value_ ? other->return_value_->Clone() : nullptr;
}

// ---------------------------------------------------------------- resolution

IIEValue* TIEContext::FindBindingValue(std::string_view name) {
  TBinding* b = FindBinding(name);
  return b ? b->Value() : nullptr;
}

Ref<IIEValue> TIEContext::ResolveBindingInfo(const TBindingInfo& info) {
  IFact* fact = nullptr;
  int count = token_ ? token_->GetCount() : 0;
  if (count == info.FactIdx() && fact_) {
    fact = fact_.get();  // the fact being matched is the next one
  } else if (token_ && info.FactIdx() >= 0 && info.FactIdx() < count) {
    fact = token_->GetFacts(info.FactIdx());
  }
  if (!fact) RaiseIE(SCorruptedVariable, {info.ToString()});
  if (info.SlotName() == SPatternBinding) return NewFactId(fact->GetID());
  IIEValue* value = fact->GetValue(info.SlotName());
  if (info.SubIdx() == NoSubIndex) return Ref<IIEValue>(value);
  IValueVector* list = value->GetAsList();
  return Ref<IIEValue>(list->Get(info.SubIdx()));
}

Ref<TValueVector> TIEContext::ExpandList(IValueVector* list) {
  Ref<TValueVector> out(new TValueVector);
  if (!list) return out;
  for (int i = 0; i < list->GetValueCount(); ++i) {
    IIEValue* element = list->Get(i);
    if (!element) {
      out->Add(nullptr);
      continue;
    }
    Ref<IIEValue> resolved = element->Resolve(this);
    if (resolved && resolved->GetDType() == dtList) {
      Ref<TValueVector> inner = ExpandList(resolved->GetAsList());
      out->Append(inner.get());
    } else {
      out->Add(resolved.get());
    }
  }
  return out;
}

Ref<TValueVector> TIEContext::FlattenList(IValueVector* list) {
  Ref<TValueVector> out(new TValueVector);
  if (!list) return out;
  for (int i = 0; i < list->GetValueCount(); ++i) {
    IIEValue* element = list->Get(i);
    if (element && element->GetDType() == dtList) {
      Ref<TValueVector> inner = FlattenList(element->GetAsList());
      out->Append(inner.get());
    } else {
      out->Add(element);
    }
  }
  return out;
}

IFact* TIEContext::Resolve(IFact* fact) {
  if (!fact) return fact;
  IFactTemplate* tmpl = fact->GetTemplate();
  bool fuzzy_template = tmpl && tmpl->IsFuzzy();
  for (const std::string& name : fact->GetSlotNames()) {
    IIEValue* value = fact->GetValue(name);
    if (!value) continue;
    Ref<IIEValue> result = value->Resolve(this);
    // A value found elsewhere (a variable's value, say) is copied, so that
    // changes the fact makes in place never reach the variable.
    if (result.get() != value) result = result->Clone();
    IFactSlot* slot = tmpl ? tmpl->GetSlot(name) : nullptr;
    if (fuzzy_template && slot && slot->IsFuzzy()) {
      bool is_fuzzy = result->GetDType() == dtFuzzy;
      if (!is_fuzzy && result->GetDType() == dtList) {
        IValueVector* list = result->GetAsList();
        is_fuzzy = list && list->GetValueCount() == 1 && list->Get(0) &&
                   list->Get(0)->GetDType() == dtFuzzy;
      }
      if (!is_fuzzy) {
        if (!engine_) RaiseIE(SUnknownEngine);
        IIEDefinedType* type = slot->GetExtendedTypeInfo();
        result =
            engine_->EvalFuzzyExpression(type ? type->GetFuzzyType() : nullptr, result.get(), this);
        if (slot->GetSlotType().Contains(dtMultiSlot) && result->GetDType() != dtList) {
          Ref<TValueVector> wrap(new TValueVector);
          wrap->Add(result.get());
          result = NewList(wrap.get());
        }
      }
      if (result->GetDType() == dtFuzzy) {
        IFuzzySet* set = result->GetAsFuzzy();
        IIEDefinedType* type = slot->GetExtendedTypeInfo();
        if (set && !set->GetFuzzyVariable() && type && type->GetFuzzyType())
          set->SetFuzzyVariable(type->GetFuzzyType());
      }
    } else if (!fuzzy_template && result->GetDType() == dtList) {
      Ref<TValueVector> expanded = ExpandList(result->GetAsList());
      // The shared empty list never changes; the fact gets a list of its own.
      if (IsValueConstant(result.get())) result = result->Clone();
      result->SetAsList(expanded.get());
    }
    fact->SetValue(name, result.get());
  }
  return fact;
}

}  // namespace rulecore
