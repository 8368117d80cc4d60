// rulecore: an embeddable expert-system shell.
#include "rete/rule.h"

#include "rete/token.h"

#include <algorithm>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "functions/function_call.h"
#include "language/printer.h"
#include "rete/rule_engine.h"

namespace rulecore {

namespace {
TObject* NewRule(TComponent*) {
  return new TRule;
}

bool StartsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}
}  // namespace

RC_DEFINE_CLASS(TRule, TComponent, NewRule)

IRuleEngine* AsRuleEngine(TComponent* owner) {
  return dynamic_cast<IRuleEngine*>(owner);
}

TRule::TRule(IRuleEngine* engine) : salience_value_(NewInteger(0)), engine_(engine) {
  rule_id_ = engine ? engine->NewRuleId() : 0;
  name_ = "Rule_" + std::to_string(rule_id_);
}

TRule::~TRule() {
  for (auto& p : patterns_)
    p->SetOwner(nullptr);
}

// ---------------------------------------------------------------- properties

void TRule::Change() {
  if (update_count_ > 0) return;
  if (engine_) engine_->RuleChange(this);
  if (on_change_) on_change_(this);
}

void TRule::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) Change();
}

void TRule::SetRuleName(const std::string& name) {
  if (name == name_) return;
  if (ContainsCharacters(name, SInvalidNameCharacters) > 0) RaiseIE(SInvalidName, {name});
  std::string old = name_;
  name_ = name;
  if (engine_) engine_->RenameRule(this, old);
  Change();
}

void TRule::SetComment(const std::string& comment) {
  if (comment == comment_) return;
  comment_ = comment;
  Change();
}

void TRule::SetOneShot(bool on) {
  if (on == one_shot_) return;
  one_shot_ = on;
  Change();
}

void TRule::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  Change();
}

void TRule::SetEngine(IRuleEngine* engine) {
  if (engine == engine_) return;
  if (ComponentState().Contains(csDesigning)) {
    engine_ = engine;
    return;
  }
  std::unique_ptr<TRule> self = engine_ ? engine_->ExtractRule(this) : nullptr;
  engine_ = engine;
  if (engine_) rule_id_ = engine_->NewRuleId();
  if (self) {
    if (engine_)
      engine_->AddRule(std::move(self));
    else
      self.release();  // the caller holds the rule now
  }
}

// ---------------------------------------------------------------- salience

void TRule::SetSalience(int32_t salience) {
  salience_value_ = NewInteger(salience);
  if (salience == salience_) return;
  salience_ = salience;
  Change();
}

void TRule::SetSalience(IIEValue* value) {
  salience_value_ = Ref<IIEValue>(value ? value : NewInteger(0).get());
  EvaluateSalience();
}

void TRule::EvaluateSalience() {
  if (!salience_value_) return;
  // A constant is read as it is; this runs for every activation.
  if (IENumericTypes.Contains(salience_value_->GetDType())) {
    salience_ = salience_value_->GetAsInteger();
    return;
  }
  if (!engine_) return;  // without an engine only a constant can be read
  std::unique_ptr<TIEContext> context = engine_->GetContext()->Push();
  // Salience orders the agenda only: the rule itself does not change, so
  // nobody is told (the agenda evaluates it while facts propagate).
  salience_ = salience_value_->Resolve(context.get())->GetAsInteger();
}

// ---------------------------------------------------------------- bindings

int TRule::IndexOfBinding(std::string_view name) const {
  for (size_t i = 0; i < bindings_.size(); ++i)
    if (bindings_[i]->Name() == name) return static_cast<int>(i);
  return -1;
}

TBinding* TRule::GetBindingByName(std::string_view name) const {
  int i = IndexOfBinding(name);
  return i < 0 ? nullptr : bindings_[static_cast<size_t>(i)].get();
}

TBinding* TRule::AddBinding(const std::string& name, int32_t pattern_index,
                            const std::string& slot_name, int32_t sub_index) {
  for (auto& b : bindings_)
    if (b->Name() == name && b->FactIdx() == pattern_index && b->SlotName() == slot_name &&
        b->SubIdx() == sub_index)
      return b.get();
  bindings_.push_back(std::make_unique<TBinding>(name, pattern_index, slot_name, sub_index));
  return bindings_.back().get();
}

// ---------------------------------------------------------------- patterns

int TRule::IndexOfTemplate(IFactTemplate* tmpl) const {
  for (size_t i = 0; i < patterns_.size(); ++i)
    if (patterns_[i]->Template() == tmpl) return static_cast<int>(i);
  return -1;
}

int TRule::IndexOfPattern(const TIEPattern* pattern) const {
  for (size_t i = 0; i < patterns_.size(); ++i)
    if (patterns_[i].get() == pattern) return static_cast<int>(i);
  return -1;
}

void TRule::InsertInitialFactPattern() {
  TIEPattern* initial = engine_->InitialFactPattern();
  std::unique_ptr<TIEPattern> copy = initial->Clone();
  copy->SetOwner(this);
  patterns_.insert(patterns_.begin(), std::move(copy));
}

void TRule::RenameInCall(IFunCall* call) {
  if (!call || renamed_.empty()) return;
  for (int i = 0; i < call->GetArgumentCount(); ++i) {
    IIEValue* arg = call->GetArgument(i);
    if (!arg) continue;
    if (arg->GetDType() == dtFunCall) {
      RenameInCall(arg->GetAsFunCall());
    } else if (IEVariableTypes.Contains(arg->GetDType())) {
      auto it = renamed_.find(std::string(arg->PeekText()));
      if (it != renamed_.end())
        call->SetArgument(i, Ref<IIEValue>(new TIEValue(it->second, arg->GetDType())).get());
    }
  }
}

void TRule::AddPattern(std::unique_ptr<TIEPattern> owned) {
  if (!engine_) RaiseIE(SUnknownEngine);
  BeginUpdate();
  TIEPattern* pattern = owned.get();
  pattern->SetOwner(this);
  IFactTemplate* tmpl = pattern->Template();
  // A rule must start with a positive pattern: a leading negated or
  // existence element, test element or goal pattern gets the initial fact
  // in front, so that it holds once and not once per fact.
  bool inserted = patterns_.empty() && (pattern->NegatedCount() > 0 || pattern->Name() == STestCE ||
                                        (tmpl && tmpl->IsBackwardChaining()));
  if (inserted) InsertInitialFactPattern();
  patterns_.push_back(std::move(owned));
  int32_t index = static_cast<int32_t>(patterns_.size()) - 1;
  try {
    if (StartsWith(pattern->Name(), SBackChainPrefix) && pattern->BoundName().empty())
      pattern->SetBoundName(engine_->GenerateSymbol(SFactPrefix));
    if (!pattern->BoundName().empty())
      AddBinding(pattern->BoundName(), index, SPatternBinding, NoSubIndex);

    for (int s = 0; s < pattern->GetSlotCount(); ++s) {
      for (int t = 0; t < pattern->GetSlotTestCount(s); ++t) {
        TIEPatternMatchTest* test = pattern->GetSlotTest(s, t);
        IIEValue* value = test->SlotValue();
        if (!value || !IEVariableTypes.Contains(value->GetDType())) continue;
        std::string name(value->PeekText());
        auto renamed = renamed_.find(name);
        if (renamed != renamed_.end()) {
          test->SetSlotValue(Ref<IIEValue>(new TIEValue(renamed->second, value->GetDType())).get());
          name = renamed->second;
        }
        if (IndexOfBinding(name) >= 0) continue;
        if (pattern->IsNegated() && StartsWith(name, SBlankPrefix)) {
          std::string fresh = "_" + std::to_string(patterns_.size()) + "_" + name;
          renamed_[name] = fresh;
          test->SetSlotValue(Ref<IIEValue>(new TIEValue(fresh, value->GetDType())).get());
          name = fresh;
        } else if (!test->IsPositive()) {
          RaiseIE(SNegatedVariable, {name});
        }
        AddBinding(name, index, pattern->GetSlotName(s), test->MultiSlotSubIndex());
      }
    }
    for (int s = 0; s < pattern->GetSlotCount(); ++s)
      for (int t = 0; t < pattern->GetSlotTestCount(s); ++t) {
        IIEValue* value = pattern->GetSlotTest(s, t)->SlotValue();
        if (value && value->GetDType() == dtFunCall) RenameInCall(value->GetAsFunCall());
      }
    pattern->FixTests();
  } catch (...) {
    // Nothing of the failed pattern stays: its bindings and the pattern go.
    bindings_.erase(
        std::remove_if(bindings_.begin(), bindings_.end(),
                       [&](const std::unique_ptr<TBinding>& b) { return b->FactIdx() == index; }),
        bindings_.end());
    patterns_.pop_back();
    if (inserted) patterns_.erase(patterns_.begin());
    EndUpdate();
    throw;
  }
  if (StartsWith(pattern->Name(), SBackChainPrefix)) {
    // The goal pattern is followed by a pattern that holds while the goal's
    // fact itself is absent: the same tests, on the template without prefix.
    std::string base = pattern->Name().substr(std::string(SBackChainPrefix).size());
    IFactTemplate* base_template = engine_->FindFactTemplate(base);
    if (!base_template) base_template = pattern->Template();
    auto absent = std::make_unique<TIEPattern>(this, base, base_template, 1);
    for (int s = 0; s < pattern->GetSlotCount(); ++s) {
      if (!base_template->ContainsSlot(pattern->GetSlotName(s))) continue;
      for (int t = 0; t < pattern->GetSlotTestCount(s); ++t) {
        auto copy = std::make_unique<TIEPatternMatchTest>(nullptr);
        copy->Assign(*pattern->GetSlotTest(s, t));
        absent->AddTest(pattern->GetSlotName(s), std::move(copy));
      }
    }
    AddPattern(std::move(absent));
  }
  EndUpdate();
}

void TRule::PatternChanged(TIEPattern*) {
  Change();
}

void TRule::BindPatternVariable(TIEPattern* pattern, const std::string& name,
                                const std::string& slot_name, int32_t sub_index) {
  AddBinding(name, IndexOfPattern(pattern), slot_name, sub_index);
}

IFactEngine* TRule::PatternEngine() {
  return engine_;
}

// ---------------------------------------------------------------- actions

void TRule::AddAction(IFunCall* action) {
  actions_.emplace_back(action);
  Change();
}

void TRule::InsertAction(int i, IFunCall* action) {
  if (i < 0 || i > ActionCount()) RaiseIE(SListIndexError, {i});
  actions_.emplace(actions_.begin() + i, action);
  Change();
}

void TRule::RemoveAction(int i) {
  if (i < 0 || i >= ActionCount()) RaiseIE(SListIndexError, {i});
  actions_.erase(actions_.begin() + i);
  Change();
}

// ---------------------------------------------------------------- firing

void TRule::Prepare(IReteToken* token, TIEContext* context) {
  for (auto& binding : bindings_) {
    if (binding->SlotName() == SLocalBinding) continue;
    int32_t idx = binding->FactIdx();
    IFact* fact = token && idx >= 0 && idx < token->GetCount() ? token->GetFacts(idx) : nullptr;
    if (!fact) continue;
    IFactTemplate* tmpl = fact->GetTemplate();
    if (tmpl && tmpl->GetTemplateName() == SNullFact) continue;
    Ref<IIEValue> value;
    if (binding->SlotName() == SPatternBinding) {
      value = NewFactId(fact->GetID());
    } else {
      // Read through the token, so that a multislot divided among multifield
      // variables gives each variable its own run.
      value = TokenSlotValue(token, idx, binding->SlotName(), binding->SubIdx());
      if (!value) continue;
    }
    binding->SetValue(value.get());
    context->AddLocalBinding(binding->Name(), value.get());
  }
  context->AddLocalBinding(SRuleBinding, NewString(name_).get());
}

void TRule::Fire(IReteToken* token) {
  if (!engine_) RaiseIE(SUnknownEngine);
  std::unique_ptr<TIEContext> context = engine_->GetContext()->Push();
  context->SetToken(token);
  Prepare(token, context.get());
  fired_ = true;
  if (on_fire_) on_fire_(this, context.get());
  // The actions are held while they run: an action may change this rule.
  std::vector<Ref<IFunCall>> actions = actions_;
  if (!context->ReturnSet()) {
    for (const Ref<IFunCall>& action : actions) {
      action->Execute(context.get());
      if (context->ReturnSet()) break;
    }
  }
  if (context->ReturnSet()) context->ClearReturnValue();
  context->Clear();
}

// ---------------------------------------------------------------- text, copying

std::string TRule::GetToString() {
  if (engine_) return engine_->PrettyPrint(this);
  return RuleToRuleText(*this, nullptr);
}

void TRule::CopyFrom(const TRule& source) {
  BeginUpdate();
  name_ = source.name_;
  enabled_ = source.enabled_;
  comment_ = source.comment_;
  one_shot_ = source.one_shot_;
  patterns_.clear();
  bindings_.clear();
  renamed_.clear();
  for (int i = 0; i < source.PatternCount(); ++i) {
    std::unique_ptr<TIEPattern> copy = source.Pattern(i)->Clone();
    copy->SetOwner(this);
    patterns_.push_back(std::move(copy));
  }
  for (const auto& b : source.bindings_) {
    auto copy = std::make_unique<TBinding>();
    copy->Assign(*b);
    bindings_.push_back(std::move(copy));
  }
  renamed_ = source.renamed_;
  actions_.clear();
  for (const Ref<IFunCall>& a : source.actions_)
    actions_.push_back(a->Clone());
  salience_value_ = source.salience_value_ ? source.salience_value_->Clone() : NewInteger(0);
  salience_ = source.salience_;
  EndUpdate();
}

void TRule::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TRule*>(&source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  if (other == this) return;
  if (other->engine_ == engine_) {
    CopyFrom(*other);
    return;
  }
  if (!other->engine_ || !engine_) RaiseIE(SUnknownEngine);
  std::unique_ptr<TRule> parsed = engine_->ParseRule(const_cast<TRule*>(other)->GetToString());
  CopyFrom(*parsed);
  for (auto& p : patterns_)
    p->SetOwner(this);
}

}  // namespace rulecore
