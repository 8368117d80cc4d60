// rulecore: an embeddable expert-system shell.
#include "engine/inference_engine.h"

#include <algorithm>

#include "core/defined_type.h"
#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact.h"
#include "facts/fact_printer.h"
#include "facts/fact_template.h"
#include "functions/business_package.h"
#include "functions/function_call.h"
#include "functions/interpreted_function.h"
#include "functions/math_package.h"
#include "functions/misc_package.h"
#include "functions/predicate_package.h"
#include "functions/standard_package.h"
#include "functions/string_package.h"
#include "functions/trig_package.h"
#include "language/clips_parser.h"
#include "language/clips_stream.h"
#include "language/printer.h"
#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "platform/streams.h"

namespace rulecore {

namespace {
TObject* NewEngine(TComponent* owner) {
  return new TInferenceEngine(owner);
}
constexpr const char* kImplied = "(Implied)";
}  // namespace

RC_DEFINE_CLASS(TInferenceEngine, TComponent, NewEngine)

// ================================================================ construction

TInferenceEngine::TInferenceEngine(TComponent* owner)
    : TComponent(owner),
      context_(std::make_unique<TIEContext>(nullptr, this)),
      network_(std::make_unique<TReteNetwork>(this)) {
  CreateInitialObjects();
  AddDefaultPackages();
  Ref<IFact> initial(new TFact(FindFactTemplate(SInitialFactPattern)));
  AssertFact(initial.get());
}

void TInferenceEngine::AddDefaultPackages() {
  if (packages_.Contains(pStandard)) NewPackage<TStandardPackage>(this);
  if (packages_.Contains(pMiscellaneous)) NewPackage<TMiscPackage>(this);
  if (packages_.Contains(pPredicate)) NewPackage<TPredicatePackage>(this);
  if (packages_.Contains(pMath)) NewPackage<TMathPackage>(this);
  if (packages_.Contains(pString)) NewPackage<TStringPackage>(this);
  if (packages_.Contains(pTrigonometry)) NewPackage<TTrigonometryPackage>(this);
  if (packages_.Contains(pBusiness)) NewPackage<TBusinessPackage>(this);
  if (OnAddDefaultPackages) OnAddDefaultPackages(this);
}

void TInferenceEngine::FreePackages() {
  for (int i = ComponentCount() - 1; i >= 0; --i)
    if (i < ComponentCount())
      if (auto* package = dynamic_cast<TUserPackage*>(Component(i))) delete package;
}

void TInferenceEngine::SetPackages(TFunctionPackages packages) {
  if (packages == packages_) return;
  FreePackages();
  packages_ = packages;
  AddDefaultPackages();
}

TInferenceEngine::~TInferenceEngine() {
  OnPrintOut = nullptr;
  OnReadLine = nullptr;
  OnReadToken = nullptr;
  OnAssertion = OnRetraction = nullptr;
  OnClearFacts = OnStartInference = OnClear = OnReset = nullptr;
  OnAddDefinedType = OnRemoveDefinedType = nullptr;
  OnAddUserFunction = OnRemoveUserFunction = nullptr;
  OnClearRules = OnClearFactTemplates = OnClearDefinedTypes = OnAddDefaultPackages = nullptr;
  OnAddActivation = OnRemoveActivation = nullptr;
  OnAddRule = OnRemoveRule = OnRuleFired = nullptr;
  OnNewFactTemplate = OnRemoveFactTemplate = nullptr;
  OnEndInference = nullptr;
  OnInputBox = nullptr;
  OnInputQuery = nullptr;
  OnMessageDlg = nullptr;
  OnShowMessage = nullptr;
  // The packages this engine owns unregister their functions while the
  // engine can still answer.
  FreePackages();
  Destroying();
  Clear();
  ReleaseOwnedLinks();
  network_.reset();
  agenda_.Clear();
  initial_pattern_.reset();
  null_fact_.reset();
}

void TInferenceEngine::CreateInitialObjects() {
  initial_pattern_ = std::make_unique<TIEPattern>(nullptr, SInitialFactPattern,
                                                  CreateFactTemplate(SInitialFactPattern), 0);
  null_fact_ = Ref<IFact>(new TFact(CreateFactTemplate(SNullFact)));
}

// Drops every link that objects outside keep to this engine: templates,
// defined types, functions and fact sets forget it.
void TInferenceEngine::ReleaseOwnedLinks() {
  for (auto& [name, tmpl] : templates_)
    if (auto* t = dynamic_cast<TFactTemplate*>(tmpl.get())) t->ReleaseOwner();
  for (auto& [name, type] : types_)
    type->SetReasoner(nullptr);
  std::vector<Ref<IUserFunction>> functions;
  for (auto& [name, f] : functions_)
    functions.push_back(f);
  functions_.Clear();
  for (auto& f : functions)
    if (auto* uf = dynamic_cast<TIEUserFunction*>(f.get())) uf->ForgetReasoner(this);
  std::vector<TFactSet*> sets = fact_sets_;
  for (TFactSet* s : sets)
    s->SetEngineNoParse(nullptr);
  fact_sets_.clear();
}

// ================================================================ settings

void TInferenceEngine::SetStrategy(TSearchStrategy strategy) {
  if (strategy == agenda_.Strategy()) return;
  std::vector<Ref<TActivation>> items = agenda_.Items();
  agenda_.Clear();
  agenda_.SetStrategy(strategy);
  for (const Ref<TActivation>& a : items)
    AddActivation(a.get());
}

void TInferenceEngine::SetSymbolIndex(int32_t value) {
  if (value > symbol_index_)
    symbol_index_ = value;
  else
    ++symbol_index_;
}

std::string TInferenceEngine::GenerateSymbol(const std::string& prefix) {
  return prefix + std::to_string(symbol_index_++);
}

// ================================================================ output

void TInferenceEngine::PrintOut(const std::string& channel, const std::string& text) {
  if (channel.empty() || channel == "t") {
    if (capture_)
      capture_->WriteString(text);
    else if (OnPrintOut)
      OnPrintOut(this, channel, text);
    return;
  }
  if (std::unique_ptr<TTextStream>* stream = streams_.Find(channel)) {
    (*stream)->Put(text);
    return;
  }
  if (!OnPrintOut) RaiseIE(SNoSuchFunction, {"printout"});
}

std::string TInferenceEngine::ReadLine(const std::string& channel) {
  const bool console = channel.empty() || channel == "t";
  if (!console) {
    if (std::unique_ptr<TTextStream>* stream = streams_.Find(channel)) {
      std::string line;
      return (*stream)->GetLine(line) ? line : std::string();
    }
  }
  if (console && batch_) {
    std::string line;
    batch_->GetLine(line);
    PrintOut("", line + NewLineString);
    return line;
  }
  if (!OnReadLine) RaiseIE(SNoReadFunctionWarning, {"readline"});
  std::string text;
  OnReadLine(this, channel, text);
  return text;
}

namespace {

// The first token of the next line that holds one; the rest of that line is
// skipped. At the end of the stream, the EOF token.
Ref<IStreamToken> NextTokenOfLines(TTextStream& stream) {
  std::string line;
  while (stream.GetLine(line)) {
    TMemoryStream text(line);
    TIEClipsStream tokens(&text);
    Ref<IStreamToken> token = tokens.NextToken();
    if (!token->IsEOF()) return token;
  }
  return Ref<IStreamToken>(new TIEStreamToken(kTokenEOF, "EOF"));
}

}  // namespace

Ref<IStreamToken> TInferenceEngine::ReadToken(const std::string& channel) {
  const bool console = channel.empty() || channel == "t";
  if (!console) {
    if (std::unique_ptr<TTextStream>* stream = streams_.Find(channel))
      return NextTokenOfLines(**stream);
  }
  if (console && batch_) {
    Ref<IStreamToken> token = NextTokenOfLines(*batch_);
    PrintOut("", token->GetText() + NewLineString);
    return token;
  }
  if (!OnReadToken) RaiseIE(SNoReadFunctionWarning, {"read"});
  Ref<IStreamToken> token;
  OnReadToken(this, channel, token);
  return token ? token : Ref<IStreamToken>(new TIEStreamToken(kTokenEOF, "EOF"));
}

bool TInferenceEngine::Batch(TTextStream& stream) {
  TTextStream* outer = batch_;
  batch_ = &stream;
  try {
    std::string line;
    while (batch_->GetLine(line))
      Parse(line, true);
  } catch (...) {
    batch_ = outer;
    throw;
  }
  batch_ = outer;
  return true;
}

bool TInferenceEngine::Batch(const std::string& path) {
  TTextStream stream(path, FileMode::kRead);
  return Batch(stream);
}

bool TInferenceEngine::StartCapture(std::unique_ptr<TStream> stream) {
  capture_ = std::move(stream);
  return true;
}

bool TInferenceEngine::StartCapture(const std::string& path) {
  try {
    return StartCapture(std::make_unique<TFileStream>(path, FileMode::kWrite));
  } catch (const std::exception&) {
    return false;
  }
}

bool TInferenceEngine::StopCapture() {
  capture_.reset();
  return true;
}

bool TInferenceEngine::AddStream(const std::string& name, std::unique_ptr<TTextStream> stream) {
  if (std::unique_ptr<TTextStream>* old = streams_.Find(name)) {
    if (old->get() == stream.get()) return true;
    if (duplicate_constructs_ == dcIgnore) return false;
    if (duplicate_constructs_ == dcError) RaiseIE(SDuplicateStreamNames, {name});
  }
  streams_.Put(name, std::move(stream));
  return true;
}

void TInferenceEngine::RemoveStream(const std::string& name) {
  if (!streams_.Find(name)) RaiseIE(SInvalidStreamName, {name});
  streams_.Remove(name);
}

void TInferenceEngine::ClearStreams() {
  streams_.Clear();
}

void TInferenceEngine::Watched(TConstructWatch item, const std::string& line) {
  if (watch_.Contains(item) && OnPrintOut) PrintOut("", line + NewLineString);
}

// ================================================================ text

template <class Result, class Read>
Result TInferenceEngine::ReadText(const std::string& text, Read read) {
  TMemoryStream source(text);
  TIEClipsStream stream(&source, [this](const std::string& p) { return GenerateSymbol(p); });
  TIEClipsParser parser(this, &stream);
  parser.SetStaticTypeChecks(type_checks_.Contains(tcStatic));
  parser.SetErrorHandling(parser_error_handling_);
  parser.SetMaxErrors(parser_max_errors_);
  return read(parser);
}

void TInferenceEngine::Parse(const std::string& text, bool execute) {
  ReadText<bool>(text, [execute](TIEClipsParser& p) {
    p.Parse(execute);
    return true;
  });
}

Ref<IFactSlot> TInferenceEngine::ParseFactTemplateSlot(const std::string& text) {
  return ReadText<Ref<IFactSlot>>(
      text, [](TIEClipsParser& p) { return p.ParseFactTemplateSlot(nullptr); });
}

Ref<IFunCall> TInferenceEngine::ParseFunCall(const std::string& text) {
  return ReadText<Ref<IFunCall>>(text, [](TIEClipsParser& p) { return p.ParseFunCall(); });
}

Ref<IIEValue> TInferenceEngine::Parse(const std::string& text, TIEType kind) {
  switch (kind) {
    case dtNone:
      return Ref<IIEValue>(new TIEValue());
    case dtAtom:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return Ref<IIEValue>(new TIEValue(text, kind));
    case dtString: {
      std::string_view body = text;
      if (!body.empty() && body.front() == '"') body.remove_prefix(1);
      if (!body.empty() && body.back() == '"') body.remove_suffix(1);
      return NewString(body);
    }
    case dtInteger:
    case dtFactId: {
      int32_t n = 0;
      if (!TryStrToInt(text, &n))
        throw EConvertError("'" + text + "' is not a valid integer value");
      return Ref<IIEValue>(new TIEValue(n, kind));
    }
    case dtFloat: {
      double d = 0;
      if (!TryStrToFloat(text, &d))
        throw EConvertError("'" + text + "' is not a valid floating point value");
      return NewFloat(d);
    }
    case dtFact:
      return Ref<IIEValue>(new TIEValue(ParseFact(text).get()));
    case dtFunCall:
      return Ref<IIEValue>(new TIEValue(ParseFunCall(text).get()));
    case dtList: {
      Ref<IIEValue> value = ParseValue(text);
      return value ? value : Ref<IIEValue>(new TIEValue());
    }
    case dtDescriptor:
    case dtObject:
    case dtClass:
    case dtExternalAddress:
    case dtSingletons:
    case dtFuzzy:
      RaiseIE(SParseTypeError, {GetIETypeName(kind)});
  }
  RaiseIE(SParseTypeError, {"Unknown Type (" + std::to_string(static_cast<int>(kind)) + ")"});
}

Ref<IIEValue> TInferenceEngine::ParseValue(const std::string& text) {
  return ReadText<Ref<IIEValue>>(text, [](TIEClipsParser& p) { return p.ParseValue(); });
}

Ref<IFact> TInferenceEngine::ParseFact(const std::string& text) {
  return ReadText<Ref<IFact>>(text, [](TIEClipsParser& p) { return p.ParseFact(); });
}

bool TInferenceEngine::ParseGlobalVariables(const std::string& text) {
  return ReadText<bool>(text, [](TIEClipsParser& p) { return p.ParseGlobalVariables(); });
}

Ref<IIEValue> TInferenceEngine::ParseVariable(const std::string& text, std::string& name) {
  return ReadText<Ref<IIEValue>>(text,
                                 [&name](TIEClipsParser& p) { return p.ParseVariable(name); });
}

std::unique_ptr<TRule> TInferenceEngine::ParseRule(const std::string& text) {
  return ReadText<std::unique_ptr<TRule>>(text, [](TIEClipsParser& p) { return p.ParseRule(); });
}

Ref<IFactTemplate> TInferenceEngine::ParseFactTemplate(const std::string& text) {
  return ReadText<Ref<IFactTemplate>>(text,
                                      [](TIEClipsParser& p) { return p.ParseFactTemplate(); });
}

Ref<IIEDefinedType> TInferenceEngine::ParseDefinedType(const std::string& text) {
  return ReadText<Ref<IIEDefinedType>>(text,
                                       [](TIEClipsParser& p) { return p.ParseDefinedType(); });
}

TFactSet* TInferenceEngine::ParseFactSet(const std::string& text) {
  return ReadText<TFactSet*>(text, [](TIEClipsParser& p) { return p.ParseFactSet(); });
}

Ref<IUserFunction> TInferenceEngine::ParseFunction(const std::string& text) {
  return ReadText<Ref<IUserFunction>>(text, [this](TIEClipsParser& p) {
    Ref<IUserFunction> function = p.ParseFunction();
    function->AddReasoner(this);
    return function;
  });
}

std::string TInferenceEngine::PrettyPrint(IFunCall* call) {
  return FunCallToRuleText(*call);
}
std::string TInferenceEngine::PrettyPrint(IFact* fact) {
  return FactToRuleText(*fact);
}
std::string TInferenceEngine::PrettyPrint(IUserFunction* function) {
  return UserFunctionHelp(*function, "");
}
std::string TInferenceEngine::PrettyPrint(IInterpretedFunction* function) {
  return InterpretedFunctionToRuleText(*function);
}
std::string TInferenceEngine::PrettyPrint(IIEDefinedType* type) {
  auto* t = dynamic_cast<TIEDefinedType*>(type);
  if (!t) return type->GetName();
  return t->GetImplicit() ? DefinedTypeFacets(*t) : DefinedTypeToRuleText(*t);
}
std::string TInferenceEngine::PrettyPrint(IFactTemplate* tmpl) {
  return TemplateToRuleText(*tmpl);
}
std::string TInferenceEngine::PrettyPrint(IFactSlot* slot) {
  return SlotToRuleText(*slot);
}
std::string TInferenceEngine::PrettyPrint(TFactSet* fact_set) {
  return FactSetToRuleText(*fact_set);
}
std::string TInferenceEngine::PrettyPrint(TIEPattern* pattern) {
  return PatternToRuleText(
      *pattern, [this](bool multi) { return GenerateSymbol(multi ? SMultiSlotVar : SSlotVar); });
}
std::string TInferenceEngine::PrettyPrint(TRule* rule) {
  return RuleToRuleText(
      *rule, [this](bool multi) { return GenerateSymbol(multi ? SMultiSlotVar : SSlotVar); });
}

Ref<IIEValue> TInferenceEngine::EvalFuzzyExpression(IFuzzyVariable*, IIEValue*, TIEContext*) {
  RaiseIE(SFuzzyUnavailable);
}

// ================================================================ templates, types

IFactTemplate* TInferenceEngine::FindFactTemplate(const std::string& name) {
  Ref<IFactTemplate>* t = templates_.Find(name);
  return t ? t->get() : nullptr;
}

IFactTemplate* TInferenceEngine::CreateFactTemplate(const std::string& name) {
  if (IFactTemplate* t = FindFactTemplate(name)) return t;
  Ref<TFactTemplate> tmpl(new TFactTemplate(this, name));
  tmpl->SetComment(kImplied);
  AddFactTemplate(tmpl.get());
  return tmpl.get();
}

IFactTemplate* TInferenceEngine::CreateFactTemplate(IFactTemplate* source) {
  if (IFactTemplate* t = FindFactTemplate(source->GetTemplateName())) return t;
  Ref<IFactTemplate> copy(new TFactTemplate(this, source->GetTemplateName()));
  copy->SetComment(source->GetComment());
  for (IFactSlot* slot : source->GetSlots())
    copy->AddSlot(slot);
  AddFactTemplate(copy.get());
  return copy.get();
}

void TInferenceEngine::AddFactTemplate(IFactTemplate* tmpl) {
  Ref<IFactTemplate> keep(tmpl);
  if (tmpl->GetSlotCount() == 0) tmpl->AddMultiSlot(SDefaultSlotName, NewEmptyList().get());
  const std::string name = tmpl->GetTemplateName();
  if (Ref<IFactTemplate>* old = templates_.Find(name)) {
    if (old->get() == tmpl) return;
    // The engine's own templates defined again as they are (a saved
    // knowledge base lists them) stay: replacing them would retract
    // (Initial-Fact) and drop the rules that match it.
    if ((name == SInitialFactPattern || name == SNullFact) && (*old)->Equals(tmpl) &&
        tmpl->Equals(old->get()))
      return;
    if (duplicate_constructs_ == dcIgnore) return;
    if (duplicate_constructs_ == dcError) RaiseIE(SDuplicateTemplateNames, {name});
    SwapTemplate(old->get(), tmpl);
    return;
  }
  templates_.Put(name, keep);
  if (OnNewFactTemplate) OnNewFactTemplate(this, tmpl);
}

// The old template makes way for the new one of the same name, and what
// used it is read again against the new one.
void TInferenceEngine::SwapTemplate(IFactTemplate* old_tmpl, IFactTemplate* new_tmpl) {
  Ref<IFactTemplate> gone(old_tmpl);
  Ref<IFactTemplate> keep(new_tmpl);
  if (new_tmpl->GetSlotCount() == 0) new_tmpl->AddMultiSlot(SDefaultSlotName, NewEmptyList().get());
  if (OnRemoveFactTemplate) OnRemoveFactTemplate(this, gone.get());
  templates_.Put(new_tmpl->GetTemplateName(), keep);
  if (OnNewFactTemplate) OnNewFactTemplate(this, new_tmpl);
  ReplaceTemplate(gone.get(), new_tmpl);
  if (auto* t = dynamic_cast<TFactTemplate*>(gone.get())) t->ReleaseOwner();
}

// A defined type replaced under its own name: every template with a slot of
// the old type is copied with the new type in its place and replaces the
// template, which reads its facts and rules again.
void TInferenceEngine::ReplaceDefinedType(IIEDefinedType* old_type, IIEDefinedType* new_type) {
  std::vector<Ref<IFactTemplate>> users;
  for (auto& [name, tmpl] : templates_)
    if (tmpl->ContainsType(old_type)) users.push_back(tmpl);
  for (const Ref<IFactTemplate>& tmpl : users) {
    Ref<IFactTemplate> copy = tmpl->Clone(this);
    for (IFactSlot* slot : copy->GetSlots())
      if (slot->GetExtendedTypeInfo() == old_type) slot->SetExtendedTypeInfo(new_type);
    SwapTemplate(tmpl.get(), copy.get());
  }
}

// A template replaced under another name takes its dependants with it. One
// replaced under its own name keeps them where they still fit: its listed
// facts (last first) and the rules that use it are printed, retracted or
// removed, and read again against the new template; what no longer fits
// (a slot gone, a value the slot refuses) is dropped without a word. The
// fact-set entries are read again in place, so that a reset still asserts
// the facts a deffacts names.
void TInferenceEngine::ReplaceTemplate(IFactTemplate* old_tmpl, IFactTemplate* new_tmpl) {
  if (old_tmpl->GetTemplateName() != new_tmpl->GetTemplateName()) {
    RemoveDependencies(old_tmpl);
    return;
  }
  auto of_template = [old_tmpl](const Ref<IFact>& f) { return f->GetTemplate() == old_tmpl; };
  std::erase_if(pending_assertions_, of_template);
  std::erase_if(pending_retractions_, of_template);
  std::vector<std::string> fact_texts;
  for (int i = facts_.Count(); i-- > 0;) {
    if (i >= facts_.Count() || facts_.Get(i)->GetTemplate() != old_tmpl) continue;
    fact_texts.push_back(facts_.Get(i)->GetToString());
    RetractAt(static_cast<size_t>(i));
  }
  for (TFactSet* set : fact_sets_) {
    for (int i = 0; i < set->Count(); ++i) {
      IFact* f = set->GetFact(i);
      if (!f || f->GetTemplate() != old_tmpl) continue;
      try {
        Ref<IFact> again = ParseFact(set->FactText(i));
        set->SetFact(i, again.get());
      } catch (const EIEException&) {
        set->ClearEntry(i);
      }
    }
  }
  std::vector<std::string> rule_names, rule_texts;
  for (auto& [rule_name, rule] : rules_) {
    if (rule->IndexOfTemplate(old_tmpl) < 0) continue;
    rule_names.push_back(rule_name);
    rule_texts.push_back(rule->GetToString());
  }
  for (const std::string& r : rule_names)
    RemoveRule(r);
  for (const std::string& text : fact_texts) {
    try {
      Ref<IFact> again = ParseFact(text);
      AssertFact(again.get());
    } catch (const EIEException&) {
    }
  }
  for (const std::string& text : rule_texts) {
    try {
      Parse(text, true);
    } catch (const EIEException&) {
    }
  }
}

void TInferenceEngine::RemoveDependencies(IFactTemplate* tmpl) {
  auto of_template = [tmpl](const Ref<IFact>& f) { return f->GetTemplate() == tmpl; };
  std::erase_if(pending_assertions_, of_template);
  std::erase_if(pending_retractions_, of_template);
  for (int i = facts_.Count(); i-- > 0;)
    if (i < facts_.Count() && facts_.Get(i)->GetTemplate() == tmpl)
      RetractAt(static_cast<size_t>(i));
  for (TFactSet* set : fact_sets_)
    for (int i = 0; i < set->Count(); ++i)
      // The entry's text goes too: read again, it would name a template
      // that no longer exists and become a different fact.
      if (IFact* f = set->GetFact(i); f && f->GetTemplate() == tmpl) set->ClearEntry(i);
  std::vector<std::string> dependent;
  for (auto& [rule_name, rule] : rules_)
    if (rule->IndexOfTemplate(tmpl) >= 0) dependent.push_back(rule_name);
  for (const std::string& r : dependent)
    RemoveRule(r);
}

bool TInferenceEngine::RemoveFactTemplate(const std::string& name) {
  Ref<IFactTemplate>* found = templates_.Find(name);
  if (!found) return false;
  Ref<IFactTemplate> gone = *found;
  if (OnRemoveFactTemplate) OnRemoveFactTemplate(this, gone.get());
  RemoveDependencies(gone.get());
  templates_.Remove(name);
  if (auto* t = dynamic_cast<TFactTemplate*>(gone.get())) t->ReleaseOwner();
  return true;
}

bool TInferenceEngine::RemoveDefinedType(const std::string& name) {
  Ref<IIEDefinedType>* found = types_.Find(name);
  if (!found) return false;
  Ref<IIEDefinedType> gone = *found;
  gone->SetReasoner(nullptr);
  if (OnRemoveDefinedType) OnRemoveDefinedType(this, gone.get());
  std::vector<std::string> dependent;
  for (auto& [tmpl_name, tmpl] : templates_)
    if (tmpl->ContainsType(gone.get())) dependent.push_back(tmpl_name);
  for (const std::string& t : dependent)
    RemoveFactTemplate(t);
  types_.Remove(name);
  return true;
}

void TInferenceEngine::ChangeFactTemplateName(const std::string& old_name,
                                              const std::string& new_name) {
  Ref<IFactTemplate>* t = templates_.Find(old_name);
  if (!t || old_name.empty()) return;
  Ref<IFactTemplate> keep = *t;
  templates_.Remove(old_name);
  templates_.Put(new_name, keep);
}

IIEDefinedType* TInferenceEngine::FindDefinedType(const std::string& name) {
  Ref<IIEDefinedType>* t = types_.Find(name);
  return t ? t->get() : nullptr;
}

void TInferenceEngine::AddDefinedType(IIEDefinedType* type) {
  Ref<IIEDefinedType> keep(type);
  const std::string name = type->GetName();
  if (Ref<IIEDefinedType>* old = types_.Find(name)) {
    if (old->get() == type) return;
    if (duplicate_constructs_ == dcIgnore) return;
    if (duplicate_constructs_ == dcError) RaiseIE(SDuplicateDefTypeNames, {name});
    Ref<IIEDefinedType> gone = *old;
    gone->SetReasoner(nullptr);
    if (OnRemoveDefinedType) OnRemoveDefinedType(this, gone.get());
    type->SetReasoner(this);
    types_.Put(name, keep);
    if (OnAddDefinedType) OnAddDefinedType(this, type);
    ReplaceDefinedType(gone.get(), type);
    return;
  }
  type->SetReasoner(this);
  types_.Put(name, keep);
  if (OnAddDefinedType) OnAddDefinedType(this, type);
}

// ================================================================ functions

void TInferenceEngine::AddUserFunction(IUserFunction* function) {
  Ref<IUserFunction> keep(function);
  const std::string name = function->GetFunctionName();
  if (Ref<IUserFunction>* old = functions_.Find(name)) {
    if (old->get() == function) return;
    if (duplicate_constructs_ == dcIgnore) return;
    if (duplicate_constructs_ == dcError) RaiseIE(SDuplicateFunctionNames, {name});
    Ref<IUserFunction> gone = *old;
    functions_.Remove(name);
    if (auto* uf = dynamic_cast<TIEUserFunction*>(gone.get())) uf->ForgetReasoner(this);
    if (OnRemoveUserFunction) OnRemoveUserFunction(this, gone.get());
  }
  functions_.Put(name, keep);
  if (function->IndexOfReasoner(this) < 0) function->AddReasoner(this);
  if (OnAddUserFunction) OnAddUserFunction(this, function);
}

void TInferenceEngine::RemoveUserFunction(IUserFunction* function) {
  Ref<IUserFunction>* f = functions_.Find(function->GetFunctionName());
  if (!f || f->get() != function) return;
  Ref<IUserFunction> keep(function);
  functions_.Remove(function->GetFunctionName());
  if (OnRemoveUserFunction) OnRemoveUserFunction(this, function);
}

bool TInferenceEngine::ContainsUserFunction(std::string_view name) {
  return functions_.ContainsKey(name);
}

bool TInferenceEngine::ContainsUserFunction(std::string_view name, IUserFunction** function) {
  Ref<IUserFunction>* f = functions_.Find(name);
  if (function) *function = f ? f->get() : nullptr;
  return f != nullptr;
}

IUserFunction* TInferenceEngine::GetUserFunction(std::string_view name) {
  Ref<IUserFunction>* f = functions_.Find(name);
  if (!f) RaiseIE(SNoSuchFunction, {name});
  return f->get();
}

std::vector<IUserFunction*> TInferenceEngine::GetUserFunctions() {
  std::vector<IUserFunction*> out;
  for (auto& [name, f] : functions_)
    out.push_back(f.get());
  return out;
}

void TInferenceEngine::SetUserFunction(std::string_view name, IUserFunction* function) {
  if (function->GetFunctionName() != name)
    RaiseIE(SWrongFunctionName, {name, function->GetFunctionName()});
  AddUserFunction(function);
}

// ================================================================ rules

TRule* TInferenceEngine::FindRule(const std::string& name) {
  std::unique_ptr<TRule>* r = rules_.Find(name);
  return r ? r->get() : nullptr;
}

void TInferenceEngine::AddRule(std::unique_ptr<TRule> rule) {
  const std::string name = rule->RuleName();
  if (TRule* old = FindRule(name)) {
    if (old == rule.get()) {
      rule.release();
      return;
    }
    if (duplicate_constructs_ == dcIgnore) return;
    if (duplicate_constructs_ == dcError) RaiseIE(SDuplicateRuleNames, {name});
    RemoveRule(name);
  }
  TRule* added = rule.get();
  try {
    network_->AddRule(added);
  } catch (...) {
    network_->RemoveRule(added);
    throw;
  }
  rules_.Put(name, std::move(rule));
  Watched(cwCompilation, network_->Trace(added));
  if (OnAddRule) OnAddRule(this, added);
}

std::unique_ptr<TRule> TInferenceEngine::ExtractRule(TRule* rule) {
  std::unique_ptr<TRule>* entry = rules_.Find(rule->RuleName());
  if (!entry || entry->get() != rule) return nullptr;
  network_->RemoveRule(rule);
  std::unique_ptr<TRule> out = std::move(*entry);
  rules_.Remove(rule->RuleName());
  return out;
}

bool TInferenceEngine::RemoveRule(const std::string& name) {
  TRule* rule = FindRule(name);
  if (!rule) return false;
  if (OnRemoveRule) OnRemoveRule(this, rule);
  Retire(ExtractRule(rule));
  return true;
}

void TInferenceEngine::Retire(std::unique_ptr<TRule> rule) {
  // The rule of the firing activation is still running its actions: it is
  // freed when the firing ends.
  if (rule && current_ && current_->Rule() == rule.get()) retired_rules_.push_back(std::move(rule));
}

void TInferenceEngine::RuleChange(TRule* rule) {
  std::unique_ptr<TRule>* entry = rules_.Find(rule->RuleName());
  if (!entry || entry->get() != rule) return;
  network_->RemoveRule(rule);
  network_->AddRule(rule);
}

void TInferenceEngine::RenameRule(TRule* rule, const std::string& old_name) {
  std::unique_ptr<TRule>* entry = rules_.Find(old_name);
  if (!entry || entry->get() != rule || old_name == rule->RuleName()) return;
  if (rules_.ContainsKey(rule->RuleName())) RaiseIE(SDuplicateRuleNames, {rule->RuleName()});
  std::unique_ptr<TRule> moved = std::move(*entry);
  rules_.Remove(old_name);
  rules_.Put(rule->RuleName(), std::move(moved));
}

// ================================================================ fact sets

void TInferenceEngine::AddFactSet(TFactSet* fact_set) {
  for (TFactSet* s : fact_sets_) {
    if (s == fact_set) return;
    if (s->FactSetName() == fact_set->FactSetName()) {
      s->SetEngineNoParse(nullptr);
      break;
    }
  }
  fact_sets_.push_back(fact_set);
}

TFactSet* TInferenceEngine::FindFactSet(const std::string& name) const {
  for (TFactSet* s : fact_sets_)
    if (s->FactSetName() == name) return s;
  return nullptr;
}

bool TInferenceEngine::RemoveFactSet(const std::string& name) {
  TFactSet* set = FindFactSet(name);
  if (!set) return false;
  set->SetEngineNoParse(nullptr);
  if (set->Owner() == this) delete set;
  return true;
}

bool TInferenceEngine::RemoveFunction(const std::string& name) {
  Ref<IUserFunction>* found = functions_.Find(name);
  if (!found) return false;
  Ref<IUserFunction> gone = *found;
  functions_.Remove(name);
  if (auto* fn = dynamic_cast<TInterpretedFunction*>(gone.get()))
    fn->Discard();
  else if (auto* uf = dynamic_cast<TIEUserFunction*>(gone.get()))
    uf->ForgetReasoner(this);
  return true;
}

const TEnumInfo& MsgDlgTypeInfo() {
  static const TEnumInfo info(
      "TMsgDlgType", {"mtWarning", "mtError", "mtInformation", "mtConfirmation", "mtCustom"});
  return info;
}

const TEnumInfo& MsgDlgBtnInfo() {
  static const TEnumInfo info(
      "TMsgDlgBtn", {"mbYes", "mbNo", "mbOK", "mbCancel", "mbAbort", "mbRetry", "mbIgnore", "mbAll",
                     "mbNoToAll", "mbYesToAll", "mbHelp"});
  return info;
}

const TEnumInfo& ModalResultInfo() {
  static const TEnumInfo info(
      "TModalResult", {"mrNone", "mrOk", "mrCancel", "mrAbort", "mrRetry", "mrIgnore", "mrYes",
                       "mrNo", "mrAll", "mrNoToAll", "mrYesToAll", "mrHelp"});
  return info;
}

void TInferenceEngine::RemoveFactSet(TFactSet* fact_set) {
  fact_sets_.erase(std::remove(fact_sets_.begin(), fact_sets_.end(), fact_set), fact_sets_.end());
}

// ================================================================ facts

void TInferenceEngine::SetFactDuplication(bool on) {
  fact_duplication_ = on;
  facts_.SetCacheHashCodes(!on);
}

IFact* TInferenceEngine::FactById(int32_t id) const {
  return facts_.GetFactByID(id);
}

int32_t TInferenceEngine::AssertFact(IFact* fact) {
  return AssertFactAs(fact, -1);
}

int32_t TInferenceEngine::AssertFactAs(IFact* fact, int32_t own_id) {
  IFactTemplate* tmpl = fact->GetTemplate();
  if (!tmpl) RaiseIE(SNoTemplate);
  Ref<IFact> keep(fact);
  // A fact already listed would be listed twice, with its first entry's id
  // changed under the list's order.
  if (fact->GetID() >= 0 && facts_.Locate(fact) >= 0) return -1;
  // The hash code is read once, for both the duplicate test and the cache.
  const int32_t hash = facts_.CacheHashCodes() && !tmpl->IsFuzzy() ? fact->GetHashCode() : 0;
  if (!fact_duplication_ && facts_.FindEqual(fact, hash) >= 0) return -1;
  int32_t id;
  if (own_id >= 0) {
    id = own_id;
    // Facts asserted while this one propagates get ids past it.
    next_fact_id_ = std::max(next_fact_id_, own_id + 1);
  } else {
    id = NewFactId();
  }
  fact->SetID(id);
  {
    TFacts::InternalScope internal(facts_);
    facts_.Append(fact, hash);
  }
  if (Watching(cwFact)) Watched(cwFact, " ==> " + fact->GetToIDString());
  Ref<TIEToken> token(new TIEToken(taAdd, fact));
  network_->ProcessToken(token.get());
  ProcessPendingFacts();
  if (OnAssertion) OnAssertion(this, fact);
  return id;
}

Ref<IFact> TInferenceEngine::Assert(IFact* fact, bool /*flag*/) {
  Ref<IFact> keep(fact);
  return AssertFact(fact) >= 0 ? keep : nullptr;
}

int32_t TInferenceEngine::AssertText(const std::string& text) {
  Ref<IFact> fact = ParseFact(text);
  context_->Resolve(fact.get());
  return AssertFact(fact.get());
}

void TInferenceEngine::RetractAt(size_t index) {
  Ref<IFact> fact(facts_.Get(static_cast<int>(index)));
  if (OnRetraction) OnRetraction(this, fact.get());
  Ref<TIEToken> token(new TIEToken(taRemove, fact.get()));
  network_->ProcessToken(token.get());
  {
    TFacts::InternalScope internal(facts_);
    if (Watching(cwFact)) Watched(cwFact, " <== " + fact->GetToIDString());
    // Found again: the handlers above may have changed the list.
    int i = facts_.Locate(fact.get());
    if (i >= 0) facts_.Remove(i);
  }
  ProcessPendingFacts();
}

bool TInferenceEngine::Retract(int32_t id) {
  int i = facts_.FindFact(id);
  if (i < 0) return false;
  RetractAt(static_cast<size_t>(i));
  return true;
}

bool TInferenceEngine::RetractText(const std::string& text) {
  Ref<IFact> fact = ParseFact(text);
  context_->Resolve(fact.get());
  int i = facts_.FindFact(fact.get());
  if (i < 0) return false;
  RetractAt(static_cast<size_t>(i));
  return true;
}

bool TInferenceEngine::RetractFact(IFact* fact) {
  int i = facts_.Locate(fact);
  if (i < 0) i = facts_.FindFact(fact);
  if (i < 0) return false;
  RetractAt(static_cast<size_t>(i));
  return true;
}

void TInferenceEngine::RetractFacts() {
  {
    TFacts::InternalScope internal(facts_);
    facts_.Clear();
  }
  // The agenda empties silently: the clear token then finds no activation
  // left to withdraw, and OnClearFacts is the one notice given.
  agenda_.Clear();
  Ref<TIEToken> token(new TIEToken(taClear, nullptr));
  network_->ProcessToken(token.get());
  if (OnClearFacts) OnClearFacts(this);
}

void TInferenceEngine::BeginFactModify(IFact* fact) {
  modifying_ = true;
  RetractFact(fact);
}

int32_t TInferenceEngine::EndFactModify(IFact* fact) {
  try {
    int32_t id = AssertFact(fact);
    modifying_ = false;
    return id;
  } catch (...) {
    modifying_ = false;
    throw;
  }
}

void TInferenceEngine::AddPendingFact(IFact* fact, bool assertion) {
  (assertion ? pending_assertions_ : pending_retractions_).emplace_back(fact);
}

void TInferenceEngine::ProcessPendingFacts() {
  while (!pending_assertions_.empty()) {
    Ref<IFact> fact = pending_assertions_.front();
    pending_assertions_.erase(pending_assertions_.begin());
    AssertFact(fact.get());
  }
  while (!pending_retractions_.empty()) {
    Ref<IFact> fact = pending_retractions_.front();
    pending_retractions_.erase(pending_retractions_.begin());
    RetractFact(fact.get());
  }
}

// ================================================================ agenda, run

void TInferenceEngine::AddActivation(TActivation* activation) {
  try {
    activation->Rule()->EvaluateSalience();
    agenda_.Put(activation);
    if (Watching(cwActivation))
      Watched(cwActivation, "==> Activation: " + activation->Rule()->RuleName() + " : " +
                                activation->Token()->GetToFactsString());
    // The index costs a walk of the agenda: only a listener pays for it.
    if (OnAddActivation) OnAddActivation(this, agenda_.IndexOf(activation), activation);
  } catch (const EAbort&) {
  }
}

void TInferenceEngine::RebuildAgenda() {
  std::vector<Ref<TActivation>> items = agenda_.Items();
  if (items.empty()) return;
  agenda_.Clear();
  agenda_.BeginReAdd(static_cast<int>(items.size()));
  size_t i = 0;
  // An activation that AddActivation did not put back (its salience raised,
  // or a silent abort was swallowed) waits on under the salience it had.
  // One that its terminal node withdrew meanwhile (a salience expression
  // that changed the facts) stays out.
  auto withdrawn = [](TActivation* a) { return a->Node() && !a->Listed(); };
  auto put_back = [this, &withdrawn, &items](size_t i) {
    TActivation* a = items[i].get();
    if (withdrawn(a) || agenda_.Contains(a)) return;
    agenda_.ExpectReAdd(a, static_cast<int>(i));
    agenda_.Put(a);
  };
  try {
    for (; i < items.size(); ++i) {
      TActivation* a = items[i].get();
      if (withdrawn(a)) continue;
      agenda_.ExpectReAdd(a, static_cast<int>(i));
      AddActivation(a);
      put_back(i);
    }
  } catch (...) {
    for (; i < items.size(); ++i)
      put_back(i);
    agenda_.EndReAdd();
    throw;
  }
  agenda_.EndReAdd();
}

void TInferenceEngine::RemoveActivation(TActivation* activation) {
  if (!agenda_.Contains(activation)) return;
  if (OnRemoveActivation) OnRemoveActivation(this, agenda_.IndexOf(activation), activation);
  if (Watching(cwActivation))
    Watched(cwActivation, "<== Activation: " + activation->Rule()->RuleName() + " : " +
                              activation->Token()->GetToFactsString());
  agenda_.Remove(activation);
}

void TInferenceEngine::RuleFired(TActivation* activation) {
  if (OnRuleFired) OnRuleFired(this, activation->Rule());
  RemoveActivation(activation);
}

void TInferenceEngine::Lock() {
  if (!lock_) lock_ = std::make_unique<std::recursive_mutex>();
  lock_->lock();
}

void TInferenceEngine::Unlock() {
  if (lock_) lock_->unlock();
}

void TInferenceEngine::BeginInference() {
  if (OnStartInference) OnStartInference(this);
  start_time_ = MillisecondClock();
  rules_fired_ = 0;
  max_fact_count_ = FactCount();
  fact_count_sum_ = 0;
  max_agenda_size_ = agenda_.Count();
  agenda_size_sum_ = 0;
  halted_ = false;
}

void TInferenceEngine::CountFiring() {
  if (!watch_.Contains(cwStatistics)) return;
  fact_count_sum_ += static_cast<float>(FactCount());
  agenda_size_sum_ += static_cast<float>(agenda_.Count());
  max_fact_count_ = std::max(max_fact_count_, FactCount());
  max_agenda_size_ = std::max(max_agenda_size_, agenda_.Count());
}

void TInferenceEngine::EndInference() {
  if (watch_.Contains(cwStatistics) && rules_fired_ > 0 && OnPrintOut) {
    double seconds = (MillisecondClock() - start_time_) / 1000.0;
    double fired = rules_fired_;
    std::string rate =
        seconds == 0 ? std::to_string(rules_fired_) : Format("%.4f", {fired / seconds});
    Watched(cwStatistics, std::to_string(rules_fired_) + " rules fired.     Run time is " +
                              Format("%.4f", {seconds}) + " seconds");
    Watched(cwStatistics, rate + " rules per second");
    Watched(cwStatistics, Format("%.4f", {fact_count_sum_ / fired}) + " mean number of facts (" +
                              std::to_string(max_fact_count_) + " maximum)");
    Watched(cwStatistics, Format("%.4f", {agenda_size_sum_ / fired}) +
                              " mean number of activations (" + std::to_string(max_agenda_size_) +
                              " maximum)");
  }
  if (OnEndInference) OnEndInference(this, rules_fired_);
}

int32_t TInferenceEngine::Run(int32_t max_rules) {
  BeginInference();
  while (!agenda_.Empty() && !halted_ && rules_fired_ < max_rules) {
    Lock();
    try {
      if (!agenda_.Empty() && agenda_.First()->Rule()->OneShot() &&
          agenda_.First()->Rule()->Fired()) {
        // A one-shot rule fires once until the next reset: the activations
        // it had queued before it fired are dropped, not fired.
        Ref<TActivation> spent(agenda_.First());
        if (spent->Node()) spent->Node()->Forget(spent.get());
        RemoveActivation(spent.get());
        Unlock();
        continue;
      }
      if (!agenda_.Empty()) {
        current_ = Ref<TActivation>(agenda_.First());
        if (Watching(cwRule))
          Watched(cwRule, "FIRE " + std::to_string(rules_fired_) + " " +
                              current_->Rule()->RuleName() + " " +
                              current_->Token()->GetToFactsString());
        current_->Fire();
        CountFiring();
        current_.reset();
        retired_rules_.clear();
        ++rules_fired_;
      }
      if (salience_evaluation_ == sEveryTime) RebuildAgenda();
    } catch (...) {
      // The firing activation leaves the agenda whatever its rule did.
      if (current_) agenda_.Remove(current_.get());
      current_.reset();
      retired_rules_.clear();
      Unlock();
      throw;
    }
    Unlock();
  }
  EndInference();
  return rules_fired_;
}

// ================================================================ clear, reset

void TInferenceEngine::Clear() {
  halted_ = false;
  next_fact_id_ = 0;
  next_rule_id_ = 0;
  // The agenda goes first: the network then finds no activation left to
  // withdraw, so a clear prints no "<== Activation" lines.
  agenda_.Clear();
  network_->Clear();
  for (auto& [name, rule] : rules_)
    Retire(std::move(rule));
  rules_.Clear();
  if (OnClearRules) OnClearRules(this);
  for (auto& [name, tmpl] : templates_)
    if (auto* t = dynamic_cast<TFactTemplate*>(tmpl.get())) t->ReleaseOwner();
  templates_.Clear();
  if (OnClearFactTemplates) OnClearFactTemplates(this);
  globals_.Clear();  // with every current value
  for (auto& [name, type] : types_)
    type->SetReasoner(nullptr);
  types_.Clear();
  if (OnClearDefinedTypes) OnClearDefinedTypes(this);
  null_fact_.reset();
  std::vector<TFactSet*> sets = fact_sets_;
  fact_sets_.clear();
  for (TFactSet* s : sets) {
    s->SetEngineNoParse(nullptr);
    if (s->Owner() == this) delete s;
  }
  {
    TFacts::InternalScope internal(facts_);
    facts_.Clear();
  }
  pending_assertions_.clear();
  pending_retractions_.clear();
  // Deffunctions go; built-in functions stay.
  std::vector<Ref<IUserFunction>> interpreted;
  for (auto& [name, f] : functions_)
    if (dynamic_cast<IInterpretedFunction*>(f.get())) interpreted.push_back(f);
  for (auto& f : interpreted) {
    functions_.Remove(f->GetFunctionName());
    if (auto* fn = dynamic_cast<TInterpretedFunction*>(f.get())) fn->Discard();
  }
  initial_pattern_.reset();
  engine_variables_.Clear();
  ClearStreams();
  if (!ComponentState().Contains(csDestroying)) CreateInitialObjects();
  if (OnClear) OnClear(this);
}

void TInferenceEngine::Reset() {
  RetractFacts();
  next_fact_id_ = 0;
  for (auto& [name, rule] : rules_)
    rule->Reset();
  Ref<IFact> initial(new TFact(CreateFactTemplate(SInitialFactPattern)));
  AssertFact(initial.get());
  if (reset_globals_)
    for (int i = 0; i < globals_.Count(); ++i)
      ResetGlobalVariable(globals_.KeyAt(i), globals_.ValueAt(i));
  std::vector<TFactSet*> sets = fact_sets_;
  for (TFactSet* s : sets)
    s->Reset();
  if (OnReset) OnReset(this);
}

}  // namespace rulecore
