// rulecore: an embeddable expert-system shell.
// The parser framework, the top-level loop and the constructs. Expressions,
// facts and patterns are in parser_expressions.cpp.
#include "language/clips_parser.h"

#include <strings.h>

#include "core/defined_type.h"
#include "core/helper_functions.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/context.h"
#include "facts/fact_set.h"
#include "facts/fact_template.h"
#include "functions/interpreted_function.h"
#include "platform/exception.h"
#include "rete/rule.h"
#include "rete/rule_engine.h"

namespace rulecore {

// ================================================================ TIEParser

TIEParser::TIEParser(IRuleEngine* engine, TIETokenizerStream* stream)
    : engine_(engine), stream_(stream) {}

TIEParser::~TIEParser() = default;

void TIEParser::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TIEParser*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  stream_ = other->stream_;
  require_templates_ = other->require_templates_;
  static_checks_ = other->static_checks_;
  error_handling_ = other->error_handling_;
  max_errors_ = other->max_errors_;
}

void TIEParser::Clear() {
  if (stream_) stream_->Clear();
}

std::string TIEParser::GenerateSymbol(const std::string& prefix) {
  return engine_->GenerateSymbol(prefix);
}

std::string TIEParser::GetSyntaxStatement(IUserFunction* function) const {
  return Format(
      SyntaxFormat,
      {Format(CLIPSSyntaxFormat, {function->GetFunctionName() + function->GetArgumentString()})});
}

// ================================================================ TIEClipsParser

TIEClipsParser::TIEClipsParser(IRuleEngine* engine, TIETokenizerStream* stream)
    : TIEParser(engine, stream) {
  AddSlotFunction("assert", 0, 65535);
  AddSlotFunction("fuzzy-assert", 0, 65535);
  AddSlotFunction("fuzzy-assert-unconditional", 0, 65535);
  AddSlotFunction("modify", 1, 65535);
  AddSlotFunction("duplicate", 1, 65535);
}

TIEClipsParser::~TIEClipsParser() = default;

void TIEClipsParser::AddSlotFunction(const std::string& name, uint16_t first, uint16_t last) {
  if (last == 0) last = 1;
  if (first > last) last = first;
  for (TSlotFunction& f : slot_functions_) {
    if (f.name == name) {
      f.first = first;
      f.last = last;
      return;
    }
  }
  slot_functions_.push_back({name, first, last});
}

void TIEClipsParser::Assign(const TPersistent& source) {
  TIEParser::Assign(source);
  if (auto* other = dynamic_cast<const TIEClipsParser*>(&source))
    slot_functions_ = other->slot_functions_;
}

const TSlotFunction* TIEClipsParser::FindSlotFunction(const std::string& name) const {
  for (const TSlotFunction& f : slot_functions_)
    if (f.name == name) return &f;
  return nullptr;
}

TIEContext* TIEClipsParser::GlobalContext() {
  return engine_->GetContext();
}

// ---------------------------------------------------------------- tokens, errors

Ref<IStreamToken> TIEClipsParser::Next() {
  return stream_->NextToken();
}

void TIEClipsParser::PutBack(IStreamToken* token) {
  stream_->PutBackToken(token);
}

void TIEClipsParser::ParseError(const std::string& routine, const std::string& message) {
  Ref<IStreamToken> current = stream_ ? stream_->GetCurrentToken() : nullptr;
  int32_t line = current ? current->GetLineNumber() : (stream_ ? stream_->LineNumber() : 0);
  std::string echo = stream_ ? stream_->ToString() : std::string();
  if (echo.size() > 255)
    echo = echo.substr(0, 128) + "... " + NewLineString + echo.substr(echo.size() - 128);
  throw EIEParseException(Format(SParseError, {message, routine, std::to_string(line), echo}),
                          line);
}

void TIEClipsParser::Expect(int32_t kind, const char* routine, const std::string& message) {
  Ref<IStreamToken> t = Next();
  if (!t->Is(kind)) ParseError(routine, message);
}

Ref<IStreamToken> TIEClipsParser::ParseHeader(std::string& name, std::string& comment,
                                              const char* error_message, const char* routine,
                                              const char* keyword) {
  Ref<IStreamToken> t = Next();
  if (!t->Is(kTokenOpenParen)) ParseError(routine, error_message);
  t = Next();
  if (!t->IsSymbol(keyword)) ParseError(routine, error_message);
  t = Next();
  if (!t->Is(dtAtom)) ParseError(routine, SMissingName);
  name = t->GetText();
  comment.clear();
  t = Next();
  if (t->Is(dtString)) {
    comment = t->GetText();
    t = Next();
  }
  return t;
}

// ---------------------------------------------------------------- the top level

TParsedType TIEClipsParser::GetConstructType(IStreamToken* token) {
  switch (token->GetDataType()) {
    case dtAtom:
    case dtInteger:
    case dtFloat:
    case dtVariable:
    case dtMultiVariable:
      return ptValue;
    case kTokenOpenParen: {
      PutBack(token);
      std::string head = stream_->Head();
      if (head == "defrule") return ptRule;
      if (head == "deffacts") return ptFactSet;
      if (head == "deftemplate") return ptFactTemplate;
      if (head == "deffunction") return ptFunction;
      if (head == "defglobal") return ptGlobals;
      if (head == "deftype") return ptDefType;
      if (head == "EOF") return ptEOF;
      return ptFunCall;
    }
    case kTokenEOF:
      if (token->GetText() == "EOF") return ptEOF;
      ParseError("GetConstructType", Format(SExpectedParenConstVar, {token->ToString()}));
    default:
      ParseError("GetConstructType", Format(SExpectedParenConstVar, {token->ToString()}));
  }
}

bool TIEClipsParser::ParseExpression(bool execute) {
  Ref<IStreamToken> token = Next();
  TParsedType type = GetConstructType(token.get());
  Ref<IIEValue> value(FCNil);
  TObject* object = nullptr;
  Ref<IInterface> intf;
  switch (type) {
    case ptValue:
      value = token->Value(GlobalContext());
      break;
    case ptFunCall:
      if (execute) {
        value = ParseNExecuteFunCall();
      } else {
        Ref<IFunCall> call = ParseFunCall();
        value = Ref<IIEValue>(new TIEValue(call.get()));
      }
      break;
    case ptRule: {
      std::unique_ptr<TRule> rule = ParseRule();
      object = rule.get();
      engine_->AddRule(std::move(rule));
      break;
    }
    case ptFactSet: {
      TFactSet* set = ParseFactSet();
      set->SetEngineNoParse(engine_);
      engine_->AddFactSet(set);
      object = set;
      break;
    }
    case ptFactTemplate: {
      Ref<IFactTemplate> tmpl = ParseFactTemplate();
      engine_->AddFactTemplate(tmpl.get());
      intf = tmpl;
      break;
    }
    case ptFunction: {
      Ref<IUserFunction> function = ParseFunction();
      function->AddReasoner(engine_);
      intf = function;
      break;
    }
    case ptGlobals:
      ParseGlobalVariables();
      break;
    case ptDefType: {
      Ref<IIEDefinedType> defined = ParseDefinedType();
      engine_->AddDefinedType(defined.get());
      intf = defined;
      break;
    }
    case ptEOF:
    case ptNone:
      value = Ref<IIEValue>(FCEOF);
      break;
  }
  TParsedType reported = type;
  if (value && value->Equals(FCNil)) {
    reported = ptNone;
  } else if (value && !intf) {
    intf = value;
  }
  if (execute && (reported == ptValue || reported == ptFunCall))
    engine_->PrintOut("", value->GetToString() + NewLineString);
  if (OnParse) OnParse(this, reported, object, intf.get());
  return value.get() != FCEOF;
}

void TIEClipsParser::Parse(bool execute) {
  if (error_handling_ == ehRaiseImmediate) {
    while (ParseExpression(execute)) {
    }
    return;
  }
  std::vector<std::string> messages;
  for (;;) {
    try {
      if (!ParseExpression(true)) break;
      continue;
    } catch (const EAbort&) {
      throw;
    } catch (const EIEParseException& e) {
      messages.push_back(e.what());
    } catch (const std::exception& e) {
      Ref<IStreamToken> current = stream_->GetCurrentToken();
      messages.push_back(Format(
          SParseError,
          {e.what(), "Parse", std::to_string(current->GetLineNumber()), stream_->ToString()}));
    }
    if (static_cast<int32_t>(messages.size()) > max_errors_) break;
    stream_->MoveToNextConstruct();
  }
  if (messages.empty()) return;
  std::string text;
  for (const std::string& m : messages)
    text += m + NewLineString;
  int32_t line = stream_->GetCurrentToken()->GetLineNumber();
  if (messages.size() == 1) {
    EIEParseException e(text, line);
    e.Messages() = messages;
    throw e;
  }
  EIEParseException e(Format(SMultipleParseError, {text}), line);
  e.Messages() = messages;
  throw e;
}

bool TIEClipsParser::LoadFacts() {
  for (;;) {
    Ref<IStreamToken> t = Next();
    if (t->IsEOF()) break;
    PutBack(t.get());
    Ref<IFact> fact = ParseFact();
    GlobalContext()->Resolve(fact.get());
    engine_->Assert(fact.get(), false);
  }
  return true;
}

// ---------------------------------------------------------------- defrule

void TIEClipsParser::ParseDeclare(TRule* rule) {
  for (;;) {
    Ref<IStreamToken> t = Next();
    if (t->Is(kTokenCloseParen)) return;
    if (!t->Is(kTokenOpenParen)) ParseError("ParseRule", SMissingCloseParens);
    t = Next();
    if (t->IsSymbol("salience")) {
      t = Next();
      if (t->Is(dtInteger) || t->Is(dtVariable)) {
        rule->SetSalience(t->Value().get());
      } else if (t->Is(kTokenOpenParen)) {
        PutBack(t.get());
        Ref<IFunCall> call = ParseFunCall();
        rule->SetSalience(Ref<IIEValue>(new TIEValue(call.get())).get());
      } else {
        ParseError("ParseRule", Format(SExpectedIntVarFun, {"salience"}));
      }
    } else if (t->IsSymbol("oneshot") || t->IsSymbol("enabled")) {
      bool oneshot = t->IsSymbol("oneshot");
      t = Next();
      Ref<IIEValue> value;
      if (t->Is(kTokenOpenParen)) {
        PutBack(t.get());
        value = ParseNExecuteFunCall();
      } else {
        value = t->Value();
      }
      bool on = value && value->Equals(FCTrue);
      if (oneshot)
        rule->SetOneShot(on);
      else
        rule->SetEnabled(on);
    } else {
      ParseError("ParseRule", SExpectedRuleProperty);
    }
    Expect(kTokenCloseParen, "ParseRule", SMissingCloseParens);
  }
}

std::unique_ptr<TRule> TIEClipsParser::ParseRule() {
  std::string name, comment;
  Ref<IStreamToken> t = ParseHeader(name, comment, SExpectedDefRule, "ParseRule", "defrule");
  auto rule = std::make_unique<TRule>(engine_);
  rule->BeginUpdate();
  rule->SetRuleName(name);
  rule->SetComment(comment);
  if (t->Is(kTokenOpenParen)) {
    Ref<IStreamToken> keyword = Next();
    if (keyword->IsSymbol("declare")) {
      ParseDeclare(rule.get());
    } else {
      PutBack(keyword.get());
      PutBack(t.get());
    }
  } else {
    PutBack(t.get());
  }
  TVariables variables;
  ParseRulePatterns(rule.get(), variables);
  t = Next();
  if (!t->Is(kTokenEquals)) ParseError("ParseRule", SExpectedEqGT);
  t = Next();
  if (!t->IsSymbol(">")) ParseError("ParseRule", SExpectedEqGT);
  ParseRuleActions(rule.get(), variables);
  Expect(kTokenCloseParen, "ParseRule", SMissingCloseParens);
  if (OnParseRule) OnParseRule(this, rule.get());
  rule->EndUpdate();
  return rule;
}

// ---------------------------------------------------------------- deffacts

TFactSet* TIEClipsParser::ParseFactSet() {
  std::string name, comment;
  Ref<IStreamToken> t = ParseHeader(name, comment, SExpectedDeffacts, "ParseFactSet", "deffacts");
  auto set = std::make_unique<TFactSet>(engine_->GetComponent());
  engine_->RemoveFactSet(set.get());
  set->SetFactSetName(name);
  set->SetComment(comment);
  while (t->Is(kTokenOpenParen)) {
    PutBack(t.get());
    Ref<IFact> fact = ParseFact();
    set->AddFact(fact.get());
    t = Next();
  }
  if (!t->Is(kTokenCloseParen)) ParseError("ParseFactSet", SMissingCloseParens);
  if (OnParseFactSet) OnParseFactSet(this, set.get());
  return set.release();
}

// ---------------------------------------------------------------- deftemplate

Ref<IFactTemplate> TIEClipsParser::ParseFactTemplate() {
  std::string name, comment;
  Ref<IStreamToken> t =
      ParseHeader(name, comment, SExpectedDefTemplate, "ParseFactTemplate", "deftemplate");
  IFactTemplate* parent = nullptr;
  IIEDefinedType* isa = nullptr;
  if (t->Is(dtAtom)) {
    if (t->IsSymbol("extends")) {
      t = Next();
      if (!t->Is(dtAtom)) ParseError("ParseFactTemplate", SMissingParentTemplateName);
      parent = engine_->FindFactTemplate(t->GetText());
    } else if (t->IsSymbol("is-a")) {
      t = Next();
      if (!t->Is(dtAtom)) ParseError("ParseFactTemplate", SMissingIsaTypeName);
      isa = engine_->FindDefinedType(t->GetText());
      if (!isa) ParseError("ParseFactTemplate", Format(SUnknownTypeName, {t->GetText()}));
    } else {
      ParseError("ParseFactTemplate", SExpectedExtends);
    }
    t = Next();
  }
  Ref<TFactTemplate> tmpl(new TFactTemplate(engine_->GetComponent(), name, comment, parent));
  if (isa) {
    IFactSlot* data = tmpl->AddMultiSlot(SDefaultSlotName, NewEmptyList().get());
    data->SetExtendedTypeInfo(isa);
  } else {
    while (t->Is(kTokenOpenParen)) {
      PutBack(t.get());
      ParseFactTemplateSlot(tmpl.get());
      t = Next();
    }
  }
  if (!t->Is(kTokenCloseParen)) ParseError("ParseFactTemplate", SMissingCloseParens);
  if (OnParseFactTemplate) OnParseFactTemplate(this, tmpl.get());
  return tmpl;
}

namespace {

bool SameWord(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
}

// The slot's own implicit defined type, made (or copied from a named type)
// when needed, so that a named type is never changed through a slot.
TIEDefinedType* OwnImplicitType(Ref<IIEDefinedType>& type, IRuleEngine* engine, TIETypes kinds) {
  auto* own = dynamic_cast<TIEDefinedType*>(type.get());
  if (own && own->GetImplicit()) return own;
  Ref<TIEDefinedType> fresh(new TIEDefinedType(nullptr));
  if (own) {
    fresh->Assign(*own);
    fresh->SetAncestor(nullptr);
  } else {
    fresh->SetBaseTypes(kinds & IESlotTypesWithFuzzy);
  }
  fresh->SetName(SImplicitDefinedType);
  fresh->SetImplicit(true);
  type = fresh;
  return fresh.get();
}

}  // namespace

Ref<IFactSlot> TIEClipsParser::ParseFactTemplateSlot(TFactTemplate* tmpl) {
  const char* routine = "ParseFactTemplateSlot";
  Expect(kTokenOpenParen, routine, SMissingOpenParens);
  Ref<IStreamToken> t = Next();
  bool multi = false;
  if (t->IsSymbol("slot") || t->IsSymbol("field"))
    multi = false;
  else if (t->IsSymbol("multislot"))
    multi = true;
  else
    ParseError(routine, Format(SInvalidSlotType, {t->ToString()}));
  t = Next();
  if (!t->Is(dtAtom)) ParseError(routine, Format(SBadSlotName, {t->ToString()}));
  std::string name = t->GetText();
  TIETypes kinds = multi ? (IESlotTypes | IEMultiSlotTypes) : IESlotTypes;
  Ref<IIEDefinedType> type;
  Ref<IIEValue> default_value;
  bool dynamic = false;

  for (;;) {
    t = Next();
    if (t->Is(kTokenCloseParen)) break;
    if (!t->Is(kTokenOpenParen)) ParseError("ParseFactTemplate", SMissingCloseParens);
    t = Next();
    std::string keyword = t->GetText();
    bool fuzzy = kinds.Contains(dtFuzzy);
    if (SameWord(keyword, "default") || SameWord(keyword, "default-dynamic")) {
      dynamic = SameWord(keyword, "default-dynamic");
      if (multi) {
        Ref<IValueVector> list = ParseList();
        default_value = NewList(list.get());
      } else {
        default_value = ParseValue(kinds, type.get());
      }
      if (!dynamic) {
        if (default_value->GetDType() == dtList) {
          Ref<TValueVector> expanded = GlobalContext()->ExpandList(default_value->GetAsList());
          default_value = NewList(expanded.get());
        } else {
          default_value = default_value->Resolve(GlobalContext());
        }
      }
    } else if (SameWord(keyword, "type")) {
      TIETypes declared;
      Ref<IIEDefinedType> named;
      ParseSlotTypes(declared, named);
      kinds = multi ? (declared | IEMultiSlotTypes) : declared;
      if (named) type = named;
    } else if (SameWord(keyword, "range") || SameWord(keyword, "cardinality") ||
               SameWord(keyword, "units")) {
      if (fuzzy && !SameWord(keyword, "cardinality")) ParseError(routine, SFuzzyDefinitionError);
      TIEDefinedType* own = OwnImplicitType(type, engine_, kinds);
      if (SameWord(keyword, "units")) {
        t = Next();
        own->SetUnits(t->GetText());
      } else {
        ParseRangeAndCardinality(own, keyword);
        continue;  // the facet's ")" is read
      }
    } else if (keyword.rfind("allowed-", 0) == 0) {
      if (fuzzy) ParseError(routine, SFuzzyDefinitionError);
      TIEDefinedType* own = OwnImplicitType(type, engine_, kinds);
      ParseAllowedEnumerations(own, keyword);
      continue;  // the facet's ")" is read
    } else {
      ParseError(routine, Format(SInvalidSlotQualifier, {keyword}));
    }
    Expect(kTokenCloseParen, routine, SMissingCloseParens);
  }

  Ref<TFactSlot> slot(new TFactSlot(nullptr));
  slot->SetName(name);
  if (type) slot->SetExtendedTypeInfo(type.get());
  slot->SetSlotType(kinds);
  if (default_value) {
    if (kinds.Contains(dtFuzzy) &&
        (default_value->GetDType() == dtAtom || default_value->GetDType() == dtString)) {
      IFuzzyVariable* variable = type ? type->GetFuzzyType() : nullptr;
      default_value = engine_->EvalFuzzyExpression(variable, default_value.get(), GlobalContext());
    }
    bool empty = default_value.get() == FCNil ||
                 (default_value->GetDType() == dtList && default_value->GetAsList() &&
                  default_value->GetAsList()->GetValueCount() == 0);
    if (static_checks_ && !empty && !slot->IsValid(default_value.get())) {
      if (default_value->GetDType() == dtInteger && kinds.Contains(dtFloat))
        default_value = NewFloat(default_value->GetAsInteger());
      else
        ParseError(routine, slot->GetInvalidValueString(default_value.get()));
    }
    slot->SetSlotDefault(default_value.get());
    slot->SetDefaultDynamic(dynamic);
  }
  if (!tmpl) return slot;
  return Ref<IFactSlot>(tmpl->AddSlot(slot.get()));
}

void TIEClipsParser::ParseSlotTypes(TIETypes& kinds, Ref<IIEDefinedType>& type) {
  const char* routine = "ParseSlotTypes";
  kinds = TIETypes{};
  for (;;) {
    Ref<IStreamToken> t = Next();
    if (t->Is(kTokenCloseParen) || t->IsEOF()) {
      PutBack(t.get());
      break;
    }
    std::string word;
    if (t->Is(dtAtom))
      word = t->GetText();
    else if (t->Is(dtVariable))
      word = "?" + t->GetText();
    else
      ParseError(routine, Format(SInvalidSlotType, {t->ToString()}));
    if (JoinTypeKeyword(word, &kinds)) continue;
    IIEDefinedType* named = engine_->FindDefinedType(word);
    if (!named) ParseError(routine, Format(SInvalidSlotType, {word}));
    if (type) ParseError(routine, SNoMultiTypeInheritance);
    type = Ref<IIEDefinedType>(named);
    kinds = kinds | named->GetBaseTypes();
  }
  if (kinds.Contains(dtFuzzy) && !((kinds - IEMultiSlotTypes) == TIETypes{dtFuzzy}))
    ParseError(routine, SCannotMixFuzzy);
}

void TIEClipsParser::ParseRangeAndCardinality(TIEDefinedType* type, const std::string& keyword) {
  const char* routine = "ParseDefinedType";
  bool range = SameWord(keyword, "range");
  // Reads one bound: a number, ?VARIABLE (no bound), a variable or a call.
  auto bound = [&](bool* present) -> double {
    Ref<IStreamToken> t = Next();
    *present = true;
    if (t->Is(dtInteger) || t->Is(dtFloat)) return t->GetNumber();
    if (t->Is(dtVariable) && t->GetText() == "VARIABLE") {
      *present = false;
      return 0;
    }
    if (t->Is(dtVariable)) return t->Value(GlobalContext())->GetAsNumeric();
    if (t->Is(kTokenOpenParen)) {
      PutBack(t.get());
      return ParseNExecuteFunCall()->GetAsNumeric();
    }
    if (t->Is(kTokenCloseParen)) ParseError(routine, SMissingRange);
    ParseError(routine, Format(SExpectedIntVarFun, {keyword}));
  };
  bool has_low = false, has_high = false;
  double low = bound(&has_low);
  double high = bound(&has_high);
  type->BeginUpdate();
  if (range) {
    type->SetRangeLimited(true);
    type->SetMinRange(has_low ? low : kDefaultMinRange);
    type->SetMaxRange(has_high ? high : kDefaultMaxRange);
    if (type->GetMinRange() > type->GetMaxRange()) {
      type->EndUpdate();
      ParseError(routine, Format(SInvalidLowHiLimits, {type->GetMinRange(), type->GetMaxRange()}));
    }
  } else {
    type->SetCardinalityLimited(true);
    type->SetMinCardinality(has_low ? TruncToInt32(low) : 0);
    type->SetMaxCardinality(has_high ? TruncToInt32(high) : kDefaultMaxCardinality);
  }
  type->EndUpdate();
  Expect(kTokenCloseParen, routine, SMissingCloseParens);
}

void TIEClipsParser::ParseAllowedEnumerations(TIEDefinedType* type, const std::string& keyword) {
  const char* routine = "ParseDefinedType";
  static const char* const kKinds[] = {"allowed-values",  "allowed-lexemes", "allowed-strings",
                                       "allowed-symbols", "allowed-numbers", "allowed-integers",
                                       "allowed-floats"};
  bool known = false;
  for (const char* k : kKinds)
    known = known || keyword == k;
  if (!known) ParseError(routine, Format(SMissingAllowedEnumeration, {keyword}));
  type->BeginUpdate();
  try {
    for (;;) {
      Ref<IStreamToken> t = Next();
      if (t->Is(kTokenCloseParen)) break;
      if (!(t->Is(dtAtom) || t->Is(dtString) || t->Is(dtInteger) || t->Is(dtFloat)))
        ParseError(routine, Format(SMissingAllowedEnumeration, {t->ToString()}));
      type->AddConstraint(t->Value().get());
    }
  } catch (...) {
    type->EndUpdate();
    throw;
  }
  type->EndUpdate();
}

// ---------------------------------------------------------------- deffunction

Ref<IUserFunction> TIEClipsParser::ParseFunction() {
  const char* routine = "ParseFunction";
  std::string name, comment;
  Ref<IStreamToken> t = ParseHeader(name, comment, SExpectedDefFunction, routine, "deffunction");
  Ref<TInterpretedFunction> function(new TInterpretedFunction(name));
  function->SetComment(comment);
  if (!t->Is(kTokenOpenParen)) ParseError(routine, SMissingOpenParens);
  for (;;) {
    t = Next();
    if (t->Is(kTokenCloseParen)) break;
    if (t->Is(dtVariable))
      function->AddArgument(t->GetText(), dtVariable);
    else if (t->Is(dtMultiVariable))
      function->AddArgument(t->GetText(), dtMultiVariable);
    else
      ParseError(routine, SMissingCloseParens);
  }
  t = Next();
  if (t->Is(dtString))
    function->SetComment(t->GetText());
  else
    PutBack(t.get());
  for (;;) {
    t = Next();
    if (t->Is(kTokenCloseParen)) break;
    if (t->Is(kTokenOpenParen)) {
      PutBack(t.get());
      Ref<IFunCall> call = ParseFunCall();
      function->AddStatement(call.get());
    } else if (t->Is(dtAtom) || t->Is(dtString) || t->Is(dtInteger) || t->Is(dtFloat) ||
               t->Is(dtVariable) || t->Is(dtMultiVariable)) {
      function->AddStatement(t->Value().get());
    } else {
      ParseError(routine, Format(SUnexpectedCharacter, {t->ToString()}));
    }
  }
  if (OnParseFunction) OnParseFunction(this, function.get());
  return function;
}

// ---------------------------------------------------------------- defglobal

bool TIEClipsParser::ParseGlobalVariables() {
  const char* routine = "ParseGlobalVariables";
  Expect(kTokenOpenParen, routine, SExpectedDefGlobal);
  Ref<IStreamToken> t = Next();
  if (!t->IsSymbol("defglobal")) ParseError(routine, SExpectedDefGlobal);
  for (;;) {
    t = Next();
    if (t->Is(kTokenCloseParen)) break;
    PutBack(t.get());
    std::string name;
    Ref<IIEValue> value = ParseVariable(name);
    engine_->SetGlobalVariable(name, value.get());
  }
  return true;
}

// ---------------------------------------------------------------- deftype

Ref<IIEDefinedType> TIEClipsParser::ParseDefinedType() {
  const char* routine = "ParseDefinedType";
  std::string name, comment;
  Ref<IStreamToken> t = ParseHeader(name, comment, SExpectedDefType, routine, "deftype");
  if (!t->Is(kTokenOpenParen)) ParseError(routine, SMissingOpenParens);
  t = Next();
  if (!t->IsSymbol("extends")) ParseError(routine, Format(SExpectedKeyword, {"extends"}));
  Expect(kTokenOpenParen, routine, SMissingOpenParens);
  t = Next();
  if (!t->IsSymbol("type")) ParseError(routine, Format(SExpectedKeyword, {"type"}));
  TIETypes kinds;
  Ref<IIEDefinedType> parent;
  ParseSlotTypes(kinds, parent);
  Expect(kTokenCloseParen, routine, SMissingCloseParens);
  Expect(kTokenCloseParen, routine, SMissingCloseParens);
  // A fuzzy type needs a fuzzy variable, which this build cannot make: say
  // so as a parse error before the type is built.
  if (kinds.Contains(dtFuzzy)) ParseError(routine, SFuzzyUnavailable);

  Ref<TIEDefinedType> type(new TIEDefinedType(engine_));
  type->BeginUpdate();
  if (auto* p = dynamic_cast<TIEDefinedType*>(parent.get())) type->Assign(*p);
  type->SetName(name);
  type->SetComment(comment);
  type->SetImplicit(false);
  type->SetAncestor(parent.get());
  type->SetBaseTypes(kinds);
  type->EndUpdate();
  for (;;) {
    t = Next();
    if (t->Is(kTokenCloseParen)) break;
    if (!t->Is(kTokenOpenParen)) ParseError(routine, SMissingCloseParens);
    t = Next();
    std::string keyword = t->GetText();
    if (keyword == "range" || keyword == "cardinality") {
      ParseRangeAndCardinality(type.get(), keyword);
    } else if (keyword == "units") {
      t = Next();
      type->SetUnits(t->GetText());
      Expect(kTokenCloseParen, routine, SMissingCloseParens);
    } else if (keyword.rfind("allowed-", 0) == 0) {
      ParseAllowedEnumerations(type.get(), keyword);
    } else {
      ParseError(routine, Format(SInvalidSlotQualifier, {keyword}));
    }
  }
  if (OnParseDefinedType) OnParseDefinedType(this, type.get());
  return type;
}

// ---------------------------------------------------------------- helpers

std::string TIEClipsParser::GenerateVarName(int32_t index, const std::string& prefix,
                                            const std::string& slot) {
  std::string name = prefix + slot;
  if (index > 0) name += std::to_string(index);
  return name;
}

Ref<IIEValue> TIEClipsParser::GenerateVariable(const TVariables& variables,
                                               const std::string& prefix, const std::string& slot) {
  int32_t index = 0;
  std::string name = GenerateVarName(index, prefix, slot);
  while (variables.count(name))
    name = GenerateVarName(++index, prefix, slot);
  return NewVariable(name);
}

void ParseText(IRuleEngine* engine, const std::string& text, bool execute) {
  TMemoryStream source(text);
  TIEClipsStream stream(
      &source, [engine](const std::string& prefix) { return engine->GenerateSymbol(prefix); });
  TIEClipsParser parser(engine, &stream);
  parser.Parse(execute);
}

}  // namespace rulecore
