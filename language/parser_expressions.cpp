// rulecore: an embeddable expert-system shell.
// The parser below the construct level: function calls, value sequences and
// lists, typed slot values, point lists, slot/value pairs, facts, global
// variable definitions, and a rule's conditional elements and actions.
#include <cctype>

#include "core/helper_functions.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "core/value_vector.h"
#include "facts/context.h"
#include "facts/fact.h"
#include "facts/fact_template.h"
#include "facts/pattern.h"
#include "functions/function_call.h"
#include "language/clips_parser.h"
#include "rete/rule.h"
#include "rete/rule_engine.h"

namespace rulecore {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string Upper(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsValueToken(const IStreamToken& t) {
  switch (t.GetDataType()) {
    case dtAtom:
    case dtString:
    case dtInteger:
    case dtFloat:
    case dtVariable:
    case dtMultiVariable:
      return true;
    default:
      return false;
  }
}

Ref<IIEValue> CallValue(IFunCall* call) {
  return Ref<IIEValue>(new TIEValue(call));
}

// True for a test element inside "not": it keeps negation count 0 and
// carries the negation in its test.
bool IsNegatedTest(const TIEPattern& pattern) {
  if (pattern.Name() != STestCE) return false;
  int s = pattern.IndexOfSlotName(SDefaultSlotName);
  return s >= 0 && pattern.GetSlotTestCount(s) > 0 && !pattern.GetSlotTest(s, 0)->IsPositive();
}

}  // namespace

// Counts one level of nesting while a call or conditional element is read.
class NestingGuard {
 public:
  NestingGuard(TIEClipsParser& parser, const char* routine) : parser_(parser) {
    if (++parser_.depth_ > TIEClipsParser::kMaxNesting) {
      --parser_.depth_;
      parser_.ParseError(routine, Format(SNestingTooDeep, {TIEClipsParser::kMaxNesting}));
    }
  }
  ~NestingGuard() { --parser_.depth_; }

 private:
  TIEClipsParser& parser_;
};

// ---------------------------------------------------------------- calls

Ref<IFunCall> TIEClipsParser::ParseFunCall() {
  const char* routine = "ParseFunCall";
  NestingGuard nesting(*this, routine);
  Ref<IStreamToken> t = Next();
  if (!t->Is(kTokenOpenParen)) ParseError(routine, SMissingOpenParens);
  std::string comment = Trim(t->GetWhitespace());
  t = Next();
  Ref<TFunctionCall> call;
  if (t->Is(dtAtom) || t->Is(kTokenEquals)) {
    call = Ref<TFunctionCall>(new TFunctionCall(engine_, t->GetText()));
  } else if (t->Is(dtVariable) || t->Is(dtMultiVariable)) {
    call = Ref<TFunctionCall>(new TFunctionCall(engine_, "__get-var"));
    call->AddArgument(t->Value().get());
  } else {
    ParseError(routine, SMissingName);
  }
  call->SetComment(comment);
  const TSlotFunction* slots = FindSlotFunction(call->Name());
  for (;;) {
    t = Next();
    if (t->Is(kTokenCloseParen)) break;
    if (t->IsEOF()) ParseError(routine, SUnexpectedEOF);
    if (t->Is(kTokenOpenParen)) {
      Ref<IStreamToken> peek = Next();
      PutBack(peek.get());
      PutBack(t.get());
      int position = call->GetArgumentCount() + 1;
      if (slots && slots->first == 0) {
        Ref<IFact> fact = ParseFact();
        call->AddArgument(fact.get());
      } else if (slots && position >= slots->first && position <= slots->last) {
        Ref<IValueVector> pair = ParseValuePair();
        call->AddArgument(pair.get());
      } else if (peek->Is(kTokenOpenParen)) {
        Ref<ISingletonsVector> points = ParseSingletons();
        call->AddArgument(Ref<IIEValue>(new TIEValue(points.get())).get());
      } else {
        Ref<IFunCall> nested = ParseFunCall();
        call->AddArgument(nested.get());
      }
    } else if (IsValueToken(*t)) {
      call->AddArgument(t->Value().get());
    } else {
      call->AddArgument(NewString(t->GetText().empty()
                                      ? std::string(1, static_cast<char>(t->GetDataType()))
                                      : t->GetText())
                            .get());
    }
  }
  if (OnParseFunCall) OnParseFunCall(this, call.get());
  return call;
}

Ref<IIEValue> TIEClipsParser::ParseNExecuteFunCall() {
  Ref<IFunCall> call = ParseFunCall();
  Ref<IIEValue> result = call->Execute(GlobalContext());
  return result ? result : Ref<IIEValue>(FCNil);
}

// ---------------------------------------------------------------- values

Ref<IIEValue> TIEClipsParser::ParseParenthesised(IStreamToken* open) {
  Ref<IStreamToken> peek = Next();
  PutBack(peek.get());
  PutBack(open);
  if (peek->Is(kTokenOpenParen)) {
    Ref<ISingletonsVector> points = ParseSingletons();
    return Ref<IIEValue>(new TIEValue(points.get()));
  }
  return CallValue(ParseFunCall().get());
}

Ref<IIEValue> TIEClipsParser::ParseValue() {
  const char* routine = "ParseValue";
  Ref<TValueVector> values(new TValueVector);
  for (;;) {
    Ref<IStreamToken> t = Next();
    if (t->Is(kTokenCloseParen) || t->IsEOF()) {
      PutBack(t.get());
      break;
    }
    if (t->Is(kTokenOpenParen)) {
      values->Add(ParseParenthesised(t.get()).get());
    } else if (t->Is(kTokenOpenBracket) || t->Is(kTokenCloseBracket)) {
      values->Add(NewAtom(t->Is(kTokenOpenBracket) ? "[" : "]").get());
    } else if (IsValueToken(*t)) {
      values->Add(t->Value().get());
    } else if (values->GetValueCount() >= 2) {
      PutBack(t.get());
      break;
    } else {
      ParseError(routine, Format(SBadArgument, {t->ToString()}));
    }
  }
  if (values->GetValueCount() == 1) return Ref<IIEValue>(values->Get(0));
  return NewList(values.get());
}

Ref<IValueVector> TIEClipsParser::ParseList() {
  const char* routine = "ParseList";
  Ref<TValueVector> values(new TValueVector);
  for (;;) {
    Ref<IStreamToken> t = Next();
    if (t->Is(kTokenCloseParen) || t->IsEOF()) {
      PutBack(t.get());
      break;
    }
    if (t->Is(kTokenOpenParen)) {
      values->Add(ParseParenthesised(t.get()).get());
    } else if (t->Is(kTokenEquals)) {
      Ref<IStreamToken> peek = Next();
      if (!peek->Is(kTokenOpenParen)) ParseError(routine, SAtomNotEquals);
      PutBack(peek.get());
      Ref<IFunCall> call = ParseFunCall();
      values->Add(CallValue(call.get()).get());
    } else if (t->Is(kTokenOpenBracket) || t->Is(kTokenCloseBracket)) {
      values->Add(NewAtom(t->Is(kTokenOpenBracket) ? "[" : "]").get());
    } else if (IsValueToken(*t)) {
      values->Add(t->Value().get());
    } else {
      ParseError(routine, Format(SBadSlotValue, {t->ToString()}));
    }
  }
  return values;
}

Ref<IIEValue> TIEClipsParser::CheckTypedValue(Ref<IIEValue> value, TIETypes kinds,
                                              IIEDefinedType* type) {
  if (!static_checks_ || IEAlwaysValidTypes.Contains(value->GetDType())) return value;
  if (type) {
    if (!type->IsValid(value.get()))
      ParseError("ParseValue(SlotTypes)", type->GetInvalidValueString(value.get()));
    return value;
  }
  TIEType kind = value->GetDType();
  if (kinds.Contains(kind)) return value;
  if (kind == dtFloat && kinds.Contains(dtInteger)) return NewInteger(value->GetAsInteger());
  if (kind == dtInteger && kinds.Contains(dtFloat)) return NewFloat(value->GetAsInteger());
  ParseError(
      "ParseValue",
      Format(SInvalidSlotValue,
             {Format(SNotCorrectType, {Upper(SetToString(kinds - IEMultiSlotTypes, ", ", false)),
                                       value->GetToString(), GetIETypeName(kind)}),
              "ParseValue"}));
}

Ref<IIEValue> TIEClipsParser::ParseValue(TIETypes kinds, IIEDefinedType* type) {
  const char* routine = "ParseValue";
  if (kinds.Contains(dtMultiSlot)) {
    Ref<IValueVector> list = ParseList();
    Ref<IIEValue> value = NewList(list.get());
    if (kinds.Contains(dtFuzzy) && static_checks_) {
      if (!type) ParseError(routine, SNeedFuzzyType);
      Ref<IIEValue> fuzzy =
          engine_->EvalFuzzyExpression(type->GetFuzzyType(), value.get(), GlobalContext());
      if (!fuzzy) ParseError(routine, Format(SInvalidFuzzyExpression, {value->GetToString()}));
      if (fuzzy->GetDType() != dtList) {
        Ref<TValueVector> wrap(new TValueVector);
        wrap->Add(fuzzy.get());
        return NewList(wrap.get());
      }
      return fuzzy;
    }
    if (!static_checks_) return value;
    // Every element must be of the slot's kinds (or a defined type's).
    if (type) {
      if (!type->IsValid(value.get()))
        ParseError("ParseValue(SlotTypes)", type->GetInvalidValueString(value.get()));
    } else {
      for (int i = 0; i < list->GetValueCount(); ++i)
        list->Put(i, CheckTypedValue(Ref<IIEValue>(list->Get(i)), kinds, nullptr).get());
    }
    return value;
  }
  if (kinds.Contains(dtFuzzy)) {
    if (!type) ParseError(routine, SNeedFuzzyType);
    Ref<IIEValue> sequence = ParseValue();
    return engine_->EvalFuzzyExpression(type->GetFuzzyType(), sequence.get(), GlobalContext());
  }
  Ref<IStreamToken> t = Next();
  Ref<IIEValue> value;
  if (t->Is(kTokenOpenParen)) {
    PutBack(t.get());
    value = CallValue(ParseFunCall().get());
  } else if (t->Is(kTokenEquals)) {
    Ref<IStreamToken> peek = Next();
    if (!peek->Is(kTokenOpenParen)) ParseError(routine, SAtomNotEquals);
    PutBack(peek.get());
    value = CallValue(ParseFunCall().get());
  } else if (IsValueToken(*t)) {
    value = t->Value();
  } else {
    ParseError(routine, Format(SBadSlotValue, {t->ToString()}));
  }
  return CheckTypedValue(value, kinds, type);
}

Ref<IIEValue> TIEClipsParser::ParseValue(IFactSlot* slot) {
  Ref<IIEValue> value = ParseValue(slot->GetSlotType(), slot->GetExtendedTypeInfo());
  if (static_checks_ && !slot->IsValid(value.get())) {
    if (value->GetDType() == dtInteger && slot->GetSlotType().Contains(dtFloat))
      return NewFloat(value->GetAsInteger());
    ParseError("ParseValue(Fact Slot)", slot->GetInvalidValueString(value.get()));
  }
  return value;
}

Ref<ISingletonsVector> TIEClipsParser::ParseSingletons() {
  const char* routine = "ParseFuzzyPoints";
  Expect(kTokenOpenParen, routine, SMissingOpenParens);
  Ref<TSingletonsVector> points(new TSingletonsVector(engine_->SingletonsParser()));
  auto item = [&]() -> Ref<IIEValue> {
    Ref<IStreamToken> t = Next();
    if (t->Is(dtInteger) || t->Is(dtFloat) || t->Is(dtVariable)) return t->Value();
    if (t->Is(kTokenOpenParen)) {
      PutBack(t.get());
      return CallValue(ParseFunCall().get());
    }
    ParseError(routine, SExpectedNumVarFun);
  };
  for (;;) {
    Ref<IStreamToken> t = Next();
    if (!t->Is(kTokenOpenParen)) {
      PutBack(t.get());
      break;
    }
    Ref<IIEValue> x = item();
    Ref<IIEValue> y = item();
    points->Add(x.get(), y.get());
    Expect(kTokenCloseParen, routine, SMissingCloseParens);
  }
  Expect(kTokenCloseParen, routine, SMissingCloseParens);
  if (OnParseSingletons) OnParseSingletons(this, points.get());
  return points;
}

Ref<IValueVector> TIEClipsParser::ParseValuePair() {
  const char* routine = "ParseValuePair";
  Expect(kTokenOpenParen, routine, SMissingOpenParens);
  Ref<IStreamToken> t = Next();
  if (!t->Is(dtAtom)) ParseError(routine, SExpectedAtom);
  Ref<TValueVector> pair(new TValueVector);
  pair->Add(NewAtom(t->GetText()).get());
  Ref<IStreamToken> peek = Next();
  if (peek->Is(kTokenCloseParen)) ParseError(routine, SExpectedValue);
  PutBack(peek.get());
  pair->Add(ParseValue().get());
  Expect(kTokenCloseParen, routine, SMissingCloseParens);
  return pair;
}

// ---------------------------------------------------------------- facts

Ref<IFact> TIEClipsParser::ParseFact() {
  const char* routine = "ParseFact";
  Expect(kTokenOpenParen, routine, SMissingOpenParens);
  Ref<IStreamToken> t = Next();
  if (!t->Is(dtAtom)) ParseError(routine, SExpectedAtom);
  IFactTemplate* tmpl = nullptr;
  if (require_templates_) {
    tmpl = engine_->FindFactTemplate(t->GetText());
    if (!tmpl) ParseError(routine, Format(SUnknownFactTemplate, {t->GetText()}));
  } else {
    tmpl = engine_->CreateFactTemplate(t->GetText());
  }
  Ref<TFact> fact(new TFact(tmpl));
  if (tmpl->IsOrdered()) {
    ParseFactSlot(fact.get());
  } else {
    for (;;) {
      t = Next();
      if (t->Is(kTokenCloseParen)) break;
      if (!t->Is(kTokenOpenParen)) ParseError(routine, SMissingCloseParens);
      PutBack(t.get());
      ParseFactSlot(fact.get());
    }
  }
  if (OnParseFact) OnParseFact(this, fact.get());
  return fact;
}

std::string TIEClipsParser::ParseFactSlot(IFact* fact) {
  const char* routine = "ParseFactSlot";
  IFactTemplate* tmpl = fact->GetTemplate();
  std::string name = SDefaultSlotName;
  if (!tmpl->IsOrdered()) {
    Expect(kTokenOpenParen, routine, SMissingOpenParens);
    Ref<IStreamToken> t = Next();
    if (!t->Is(dtAtom)) ParseError(routine, Format(SBadSlotName, {t->ToString()}));
    name = t->GetText();
  }
  IFactSlot* slot = nullptr;
  if (!tmpl->ContainsSlot(name, &slot)) ParseError(routine, Format(SInvalidSlotName, {name}));
  Ref<IIEValue> value = ParseValue(slot);
  fact->SetValue(name, value.get());
  Expect(kTokenCloseParen, routine, SMissingCloseParens);
  return name;
}

Ref<IIEValue> TIEClipsParser::ParseVariable(std::string& name) {
  const char* routine = "ParseVariable";
  Ref<IStreamToken> t = Next();
  if (!t->Is(dtVariable)) ParseError(routine, SMissingName);
  name = t->GetText();
  if (name.size() < 2 || name.front() != '*' || name.back() != '*')
    ParseError(routine, Format(SBadVariableName, {name}));
  t = Next();
  if (!t->Is(kTokenEquals)) ParseError(routine, Format(SExpectedChar, {"="}));
  t = Next();
  Ref<IIEValue> value;
  if (t->Is(kTokenOpenParen)) {
    PutBack(t.get());
    value = CallValue(ParseFunCall().get());
  } else if (IsValueToken(*t)) {
    value = t->Value();
  } else {
    ParseError(routine, SExpectedValue);
  }
  if (OnParseVariable) OnParseVariable(this, name, value.get());
  return value;
}

// ---------------------------------------------------------------- rules

void TIEClipsParser::ParseRulePatterns(TRule* rule, TVariables& variables) {
  const char* routine = "ParseRulePatterns";
  for (;;) {
    Ref<IStreamToken> t = Next();
    std::string bound;
    if (t->Is(dtVariable)) {
      bound = t->GetText();
      Ref<IStreamToken> arrow = Next();
      if (!arrow->IsSymbol("<-")) ParseError(routine, SExpectedAssignment);
    } else if (t->Is(kTokenOpenParen)) {
      PutBack(t.get());
    } else {
      PutBack(t.get());
      return;
    }
    std::unique_ptr<TIEPattern> pattern = ParsePattern(0, variables);
    if (!bound.empty()) {
      if (pattern->NegatedCount() != 0 || IsNegatedTest(*pattern))
        ParseError(routine, SInvalidTestBinding);
      pattern->SetBoundName(bound);
    }
    rule->AddPattern(std::move(pattern));
  }
}

std::unique_ptr<TIEPattern> TIEClipsParser::ParsePattern(int32_t negated_count,
                                                         TVariables& variables) {
  const char* routine = "ParsePattern";
  NestingGuard nesting(*this, routine);
  Ref<IStreamToken> t = Next();
  if (!t->Is(kTokenOpenParen)) ParseError(routine, SExpectedAtom);
  std::string comment = Trim(t->GetWhitespace());
  t = Next();
  if (!t->Is(dtAtom)) ParseError(routine, SExpectedAtom);
  const std::string keyword = t->GetText();

  auto wrapped = [&](int32_t count) {
    std::unique_ptr<TIEPattern> inner = ParsePattern(count, variables);
    Expect(kTokenCloseParen, routine, SMissingCloseParens);
    return inner;
  };
  if (keyword == "not") return wrapped(negated_count + 1);
  if (keyword == "exists") return wrapped(negated_count + 2);
  if (keyword == "unique" || keyword == "explicit") {
    std::unique_ptr<TIEPattern> inner = wrapped(negated_count);
    if (keyword == "unique")
      inner->SetUnique(true);
    else
      inner->SetExplicit(true);
    return inner;
  }
  if (keyword == STestCE) {
    IFactTemplate* tmpl = engine_->CreateFactTemplate(STestCE);
    auto pattern = std::make_unique<TIEPattern>(nullptr, STestCE, tmpl, 0);
    pattern->SetComment(comment);
    Ref<IFunCall> call = ParseFunCall();
    pattern->AddTest(SDefaultSlotName, CallValue(call.get()).get(), NoSubIndex,
                     negated_count % 2 != 0, true);
    Expect(kTokenCloseParen, routine, SMissingCloseParens);
    return pattern;
  }

  IFactTemplate* tmpl = nullptr;
  if (require_templates_) {
    tmpl = engine_->FindFactTemplate(keyword);
    if (!tmpl) ParseError(routine, Format(SUnknownFactTemplate, {keyword}));
  } else {
    tmpl = engine_->CreateFactTemplate(keyword);
  }
  auto pattern = std::make_unique<TIEPattern>(nullptr, keyword, tmpl, negated_count);
  pattern->SetComment(comment);
  IFactSlot* data = nullptr;
  if (tmpl->ContainsSlot(SDefaultSlotName, &data)) {
    ParseSlotConstraints(pattern.get(), data, variables);
  } else {
    for (;;) {
      t = Next();
      if (t->Is(kTokenCloseParen)) break;
      if (!t->Is(kTokenOpenParen)) ParseError(routine, SMissingCloseParens);
      t = Next();
      if (!t->Is(dtAtom)) ParseError(routine, Format(SBadSlotName, {t->ToString()}));
      IFactSlot* slot = nullptr;
      if (!tmpl->ContainsSlot(t->GetText(), &slot))
        ParseError(routine, Format(SInvalidSlotName, {t->GetText()}));
      ParseSlotConstraints(pattern.get(), slot, variables);
    }
  }
  if (OnParsePattern) OnParsePattern(this, pattern.get());
  return pattern;
}

void TIEClipsParser::ParseSlotConstraints(TIEPattern* pattern, IFactSlot* slot,
                                          TVariables& variables) {
  const char* routine = "ParsePattern";
  const std::string name = slot->GetName();
  TIETypes kinds = slot->GetSlotType();
  bool multi = kinds.Contains(dtMultiSlot);
  bool fuzzy = kinds.Contains(dtFuzzy);
  int32_t sub = multi ? 0 : NoSubIndex;
  bool conjunction = true;
  Ref<IStreamToken> t = Next();
  while (!t->Is(kTokenCloseParen)) {
    bool negated = false;
    if (t->Is(kTokenTilde)) {
      negated = true;
      t = Next();
    }
    bool variable = t->Is(dtVariable) || t->Is(dtMultiVariable);
    if (fuzzy && !variable && !t->IsSymbol(":")) {
      PutBack(t.get());
      Ref<IIEValue> value = ParseValue();
      if (value->GetDType() != dtFuzzy) {
        IIEDefinedType* type = slot->GetExtendedTypeInfo();
        value = engine_->EvalFuzzyExpression(type ? type->GetFuzzyType() : nullptr, value.get(),
                                             GlobalContext());
      }
      pattern->AddTest(name, value.get(), sub, negated, conjunction);
    } else if (variable) {
      TIEType kind = t->Is(dtVariable) ? dtVariable : dtMultiVariable;
      auto [it, fresh] = variables.emplace(t->GetText(), kind);
      if (!fresh) kind = it->second;
      Ref<IIEValue> value(new TIEValue(t->GetText(), kind));
      pattern->AddTest(name, value.get(), sub, negated, conjunction);
    } else if (t->IsSymbol(":")) {
      Ref<IFunCall> call = ParseFunCall();
      pattern->AddTest(name, CallValue(call.get()).get(), sub, negated, conjunction);
    } else if (t->Is(dtAtom) || t->Is(dtString) || t->Is(dtInteger) || t->Is(dtFloat)) {
      pattern->AddTest(name, t->Value().get(), sub, negated, conjunction);
    } else if (t->Is(kTokenEquals)) {
      Ref<IFunCall> call = ParseFunCall();
      std::string fresh = engine_->GenerateSymbol(SEqStarPrefix);
      TIEType kind = multi ? dtMultiVariable : dtVariable;
      variables.emplace(fresh, kind);
      Ref<IIEValue> var(new TIEValue(fresh, kind));
      pattern->AddTest(name, var.get(), sub, false, conjunction);
      Ref<TFunctionCall> eq(new TFunctionCall(engine_, "eq*"));
      eq->AddArgument(var->Clone().get());
      eq->AddArgument(call.get());
      pattern->AddTest(name, CallValue(eq.get()).get(), sub, negated, conjunction);
    } else {
      ParseError(routine, Format(SBadSlotValue, {t->ToString()}));
    }
    t = Next();
    if (t->Is(kTokenAmpersand)) {
      conjunction = true;
      t = Next();
    } else if (t->Is(kTokenBar)) {
      conjunction = false;
      t = Next();
    } else if (multi) {
      ++sub;
      conjunction = true;
    } else if (!t->Is(kTokenCloseParen)) {
      ParseError(routine, Format(SNotMultiSlot, {name}));
    }
  }
  if (multi) pattern->SetSlotLength(pattern->IndexOfSlotName(name), sub);
}

void TIEClipsParser::ParseRuleActions(TRule* rule, TVariables& /*variables*/) {
  for (;;) {
    Ref<IStreamToken> t = Next();
    PutBack(t.get());
    if (!t->Is(kTokenOpenParen)) return;
    Ref<IFunCall> call = ParseFunCall();
    rule->AddAction(call.get());
  }
}

}  // namespace rulecore
