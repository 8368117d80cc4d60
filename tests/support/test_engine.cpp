// rulecore: an embeddable expert-system shell.
#include "support/test_engine.h"

#include <algorithm>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact.h"
#include "facts/fact_printer.h"
#include "facts/fact_set.h"
#include "facts/fact_template.h"
#include "facts/pattern.h"
#include "functions/function_call.h"
#include "functions/user_function.h"
#include "language/clips_parser.h"
#include "language/printer.h"
#include "rete/rule.h"
#include "support/fuzzkit.h"
#include "support/test_helpers.h"

namespace rulecore {

TestEngine::TestEngine(TComponent* owner)
    : TComponent(owner), context_(nullptr, this), network_(new TReteNetwork(this)) {}

TestEngine::~TestEngine() {
  network_.reset();
  agenda_.clear();
  rules_.clear();
  initial_pattern_.reset();
  // Disconnect fact sets and functions while this engine can still answer.
  while (!fact_sets_.empty())
    fact_sets_.back()->SetEngine(nullptr);
  for (auto& f : test_functions_)
    f->ClearReasoners();
  for (auto& [name, tmpl] : templates_)
    if (auto* t = dynamic_cast<TFactTemplate*>(tmpl.get())) t->ReleaseOwner();
  context_.Clear();
}

void TestEngine::AddTemplate(IFactTemplate* tmpl) {
  templates_.Put(tmpl->GetTemplateName(), Ref<IFactTemplate>(tmpl));
}

void TestEngine::AddDefinedTypeEntry(IIEDefinedType* type) {
  types_.Put(type->GetName(), Ref<IIEDefinedType>(type));
}

std::string TestEngine::GenerateSymbol(const std::string& prefix) {
  return prefix + std::to_string(symbol_index_++);
}

// ---------------------------------------------------------------- printing

std::string TestEngine::PrettyPrint(IFunCall* call) {
  return FunCallToRuleText(*call);
}
std::string TestEngine::PrettyPrint(IFact* fact) {
  return FactToRuleText(*fact);
}
std::string TestEngine::PrettyPrint(IUserFunction* function) {
  return function->GetFunctionName();
}
std::string TestEngine::PrettyPrint(IInterpretedFunction* function) {
  return function->GetFunctionName();
}
std::string TestEngine::PrettyPrint(IIEDefinedType* type) {
  return type->GetName();
}
std::string TestEngine::PrettyPrint(IFactTemplate* tmpl) {
  return TemplateToRuleText(*tmpl);
}
std::string TestEngine::PrettyPrint(IFactSlot* slot) {
  return SlotToRuleText(*slot);
}
std::string TestEngine::PrettyPrint(TFactSet* fact_set) {
  return FactSetToRuleText(*fact_set);
}
std::string TestEngine::PrettyPrint(TIEPattern* pattern) {
  return PatternToRuleText(
      *pattern, [this](bool multi) { return GenerateSymbol(multi ? SMultiSlotVar : SSlotVar); });
}

// ---------------------------------------------------------------- constructs

void TestEngine::ChangeFactTemplateName(const std::string& old_name, const std::string& new_name) {
  rename_log_.push_back(old_name + "->" + new_name);
  if (Ref<IFactTemplate>* t = templates_.Find(old_name)) {
    Ref<IFactTemplate> keep = *t;
    templates_.Remove(old_name);
    templates_.Put(new_name, keep);
  }
}

template <class Result, class Read>
Result TestEngine::ReadText(const std::string& text, Read read) {
  if (!reads_text_) RaiseIE("The test engine reads no rule-language text: %s", {text});
  TMemoryStream source(text);
  TIEClipsStream stream(&source, [this](const std::string& p) { return GenerateSymbol(p); });
  TIEClipsParser parser(this, &stream);
  parser.SetStaticTypeChecks(type_checks_.Contains(tcStatic));
  return read(parser);
}

Ref<IFactSlot> TestEngine::ParseFactTemplateSlot(const std::string& text) {
  return ReadText<Ref<IFactSlot>>(
      text, [](TIEClipsParser& p) { return p.ParseFactTemplateSlot(nullptr); });
}

Ref<IIEValue> TestEngine::ParseValue(const std::string& text) {
  return ReadText<Ref<IIEValue>>(text, [](TIEClipsParser& p) { return p.ParseValue(); });
}

Ref<IFact> TestEngine::ParseFact(const std::string& text) {
  return ReadText<Ref<IFact>>(text, [](TIEClipsParser& p) { return p.ParseFact(); });
}

std::unique_ptr<TRule> TestEngine::ParseRule(const std::string& text) {
  return ReadText<std::unique_ptr<TRule>>(text, [](TIEClipsParser& p) { return p.ParseRule(); });
}

void TestEngine::Parse(const std::string& text, bool execute) {
  bool reads = reads_text_;
  reads_text_ = true;
  try {
    ReadText<bool>(text, [execute](TIEClipsParser& p) {
      p.Parse(execute);
      return true;
    });
  } catch (...) {
    reads_text_ = reads;
    throw;
  }
  reads_text_ = reads;
}

// ---------------------------------------------------------------- rule engine

IFactTemplate* TestEngine::CreateFactTemplate(const std::string& name) {
  if (IFactTemplate* t = FindFactTemplate(name)) return t;
  Ref<TFactTemplate> t(new TFactTemplate(this, name));
  AddFactTemplate(t.get());
  return t.get();
}

void TestEngine::AddFactTemplate(IFactTemplate* tmpl) {
  if (tmpl->GetSlotCount() == 0) tmpl->AddMultiSlot(SDefaultSlotName, NewEmptyList().get());
  AddTemplate(tmpl);
}

void TestEngine::AddRule(std::unique_ptr<TRule> rule) {
  if (TRule* old = FindRule(rule->RuleName())) {
    network_->RemoveRule(old);
    ExtractRule(old);
  }
  TRule* added = rule.get();
  rules_.push_back(std::move(rule));
  network_->AddRule(added);
}

std::unique_ptr<TRule> TestEngine::ExtractRule(TRule* rule) {
  if (network_) network_->RemoveRule(rule);
  for (auto it = rules_.begin(); it != rules_.end(); ++it) {
    if (it->get() != rule) continue;
    std::unique_ptr<TRule> out = std::move(*it);
    rules_.erase(it);
    return out;
  }
  return nullptr;
}

TRule* TestEngine::FindRule(const std::string& name) {
  for (auto& r : rules_)
    if (r->RuleName() == name) return r.get();
  return nullptr;
}

void TestEngine::SetGlobalVariable(const std::string& name, IIEValue* value) {
  globals_.Put(name, value);
  context_.AddGlobalBinding(name, value);
}

void TestEngine::RenameRule(TRule* rule, const std::string& old_name) {
  rename_log_.push_back("rule " + old_name + "->" + rule->RuleName());
}

TIEPattern* TestEngine::InitialFactPattern() {
  if (!initial_pattern_)
    initial_pattern_ = std::make_unique<TIEPattern>(nullptr, SInitialFactPattern,
                                                    CreateFactTemplate(SInitialFactPattern), 0);
  return initial_pattern_.get();
}

IFact* TestEngine::NullFact() {
  if (!null_fact_) null_fact_ = Ref<IFact>(new TFact(CreateFactTemplate(SNullFact)));
  return null_fact_.get();
}

std::string TestEngine::PrettyPrint(TRule* rule) {
  return RuleToRuleText(
      *rule, [this](bool multi) { return GenerateSymbol(multi ? SMultiSlotVar : SSlotVar); });
}

void TestEngine::PrintOut(const std::string& channel, const std::string& text) {
  output_ += text;
}

IFactTemplate* TestEngine::FindFactTemplate(const std::string& name) {
  Ref<IFactTemplate>* t = templates_.Find(name);
  return t ? t->get() : nullptr;
}

IIEDefinedType* TestEngine::FindDefinedType(const std::string& name) {
  Ref<IIEDefinedType>* t = types_.Find(name);
  return t ? t->get() : nullptr;
}

IFactTemplate* TestEngine::CreateFactTemplate(IFactTemplate* source) {
  Ref<IFactTemplate> copy = source->Clone(this);
  AddTemplate(copy.get());
  return copy.get();
}

Ref<IFact> TestEngine::Assert(IFact* fact, bool /*flag*/) {
  if (!fact_duplication_) {
    for (const Ref<IFact>& f : facts_)
      if (f->GetHashCode() == fact->GetHashCode() && f->Equals(fact)) return nullptr;
  }
  Ref<IFact> keep(fact);
  fact->SetID(next_fact_id_++);
  facts_.emplace_back(fact);
  Ref<TIEToken> token(new TIEToken(taAdd, fact));
  network_->ProcessToken(token.get());
  ProcessPendingFacts();
  return keep;
}

bool TestEngine::Retract(IFact* fact) {
  auto it = std::find_if(facts_.begin(), facts_.end(),
                         [&](const Ref<IFact>& f) { return f.get() == fact; });
  if (it == facts_.end()) return false;
  Ref<IFact> keep = *it;
  Ref<TIEToken> token(new TIEToken(taRemove, fact));
  network_->ProcessToken(token.get());
  facts_.erase(std::find_if(facts_.begin(), facts_.end(),
                            [&](const Ref<IFact>& f) { return f.get() == fact; }));
  ProcessPendingFacts();
  return true;
}

Ref<IFact> TestEngine::AssertText(const std::string& text) {
  Ref<IFact> fact = ParseFact(text);
  context_.Resolve(fact.get());
  return Assert(fact.get(), false);
}

void TestEngine::AddPendingFact(IFact* fact, bool assertion) {
  pending_.emplace_back(Ref<IFact>(fact), assertion);
}

void TestEngine::ProcessPendingFacts() {
  while (!pending_.empty()) {
    auto [fact, assertion] = pending_.front();
    pending_.erase(pending_.begin());
    if (assertion)
      Assert(fact.get(), false);
    else
      Retract(fact.get());
  }
}

void TestEngine::AddActivation(TActivation* activation) {
  agenda_.emplace_back(activation);
}

void TestEngine::RemoveActivation(TActivation* activation) {
  agenda_.erase(std::remove_if(agenda_.begin(), agenda_.end(),
                               [&](const Ref<TActivation>& a) { return a.get() == activation; }),
                agenda_.end());
}

void TestEngine::RuleFired(TActivation* activation) {
  RemoveActivation(activation);
}

bool TestEngine::FireOne() {
  if (agenda_.empty()) return false;
  Ref<TActivation> first = agenda_.front();
  first->Fire();
  return true;
}

void TestEngine::AddFactSet(TFactSet* fact_set) {
  if (std::find(fact_sets_.begin(), fact_sets_.end(), fact_set) == fact_sets_.end())
    fact_sets_.push_back(fact_set);
}

void TestEngine::RemoveFactSet(TFactSet* fact_set) {
  fact_sets_.erase(std::remove(fact_sets_.begin(), fact_sets_.end(), fact_set), fact_sets_.end());
}

Ref<IIEValue> TestEngine::EvalFuzzyExpression(IFuzzyVariable*, IIEValue*, TIEContext*) {
  RaiseIE(SFuzzyUnavailable);
}

// ---------------------------------------------------------------- functions

void TestEngine::AddUserFunction(IUserFunction* function) {
  functions_.Put(function->GetFunctionName(), Ref<IUserFunction>(function));
}

void TestEngine::RemoveUserFunction(IUserFunction* function) {
  Ref<IUserFunction>* f = functions_.Find(function->GetFunctionName());
  if (f && f->get() == function) functions_.Remove(function->GetFunctionName());
}

bool TestEngine::ContainsUserFunction(std::string_view name) {
  return functions_.ContainsKey(name);
}

bool TestEngine::ContainsUserFunction(std::string_view name, IUserFunction** function) {
  Ref<IUserFunction>* f = functions_.Find(name);
  if (function) *function = f ? f->get() : nullptr;
  return f != nullptr;
}

IUserFunction* TestEngine::GetUserFunction(std::string_view name) {
  Ref<IUserFunction>* f = functions_.Find(name);
  if (!f) RaiseIE(SNoSuchFunction, {name});
  return f->get();
}

std::vector<IUserFunction*> TestEngine::GetUserFunctions() {
  std::vector<IUserFunction*> out;
  for (auto& [name, f] : functions_)
    out.push_back(f.get());
  return out;
}

void TestEngine::SetUserFunction(std::string_view name, IUserFunction* function) {
  functions_.Put(name, Ref<IUserFunction>(function));
}

namespace {

Ref<IIEValue> Arg(IFunCall* call, int i, TIEContext* context) {
  return call->GetArgument(i)->Resolve(context);
}

Ref<IIEValue> Bool(bool b) {
  return Ref<IIEValue>(b ? FCTrue : FCFalse);
}

}  // namespace

void TestEngine::AddTestFunctions() {
  auto add = [this](const std::string& name, int32_t min, int32_t max, TestFunction::Body body) {
    Ref<IUserFunction> f(new TestFunction(name, min, max, std::move(body)));
    test_functions_.push_back(f);
    f->AddReasoner(this);
  };
  add("eq", 2, kUnboundedArguments, [](IFunCall* c, TIEContext* x) {
    Ref<IIEValue> first = Arg(c, 0, x);
    for (int i = 1; i < c->GetArgumentCount(); ++i)
      if (!first->Equals(Arg(c, i, x).get())) return Bool(false);
    return Bool(true);
  });
  add("neq", 2, kUnboundedArguments, [](IFunCall* c, TIEContext* x) {
    Ref<IIEValue> first = Arg(c, 0, x);
    for (int i = 1; i < c->GetArgumentCount(); ++i)
      if (first->Equals(Arg(c, i, x).get())) return Bool(false);
    return Bool(true);
  });
  add("not", 1, 1, [](IFunCall* c, TIEContext* x) { return Bool(Arg(c, 0, x)->Equals(FCFalse)); });
  add("and", 1, kUnboundedArguments, [](IFunCall* c, TIEContext* x) {
    for (int i = 0; i < c->GetArgumentCount(); ++i)
      if (!Arg(c, i, x)->Equals(FCTrue)) return Bool(false);
    return Bool(true);
  });
  add("or", 1, kUnboundedArguments, [](IFunCall* c, TIEContext* x) {
    for (int i = 0; i < c->GetArgumentCount(); ++i)
      if (Arg(c, i, x)->Equals(FCTrue)) return Bool(true);
    return Bool(false);
  });
  add("+", 0, kUnboundedArguments, [](IFunCall* c, TIEContext* x) {
    int32_t sum = 0;
    for (int i = 0; i < c->GetArgumentCount(); ++i)
      sum += Arg(c, i, x)->GetAsInteger();
    return NewInteger(sum);
  });
  add("return", 0, 1, [](IFunCall* c, TIEContext* x) {
    Ref<IIEValue> v = c->GetArgumentCount() ? Arg(c, 0, x) : Ref<IIEValue>(FCNil);
    x->SetReturnValue(v.get());
    return v;
  });
  add("bind-global", 2, 2, [](IFunCall* c, TIEContext* x) {
    Ref<IIEValue> v = Arg(c, 1, x);
    x->AddGlobalBinding(c->GetArgument(0)->GetAsString(), v.get());
    return v;
  });
}

}  // namespace rulecore
