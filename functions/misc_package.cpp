// rulecore: an embeddable expert-system shell.
// The families of the package (decoding, encoding, the current date-time,
// date-time text, pretty-printing) are one body template each, instantiated
// per kind. Listings end every line, the total line included, with
// NewLineString, so that what follows starts on a line of its own.
#include "functions/misc_package.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/helper_functions.h"
#include "core/ie_consts.h"
#include "functions/arithmetic_internal.h"
#include "functions/builtin.h"
#include "functions/datetime.h"
#include "functions/interpreted_function.h"
#include "rete/activation.h"

namespace rulecore {

namespace {

using namespace builtin;

// ---------------------------------------------------------------- date and time

enum TDecodeDateTimeFunctionType {
  ddtYear,
  ddtMonth,
  ddtDay,
  ddtHour,
  ddtMinute,
  ddtSecond,
  ddtMillisecond
};
enum TEncodeDateTimeFunctionType { edtDate, edtTime };
enum TSystemDateTimeFunctionType { sdtDateTime, sdtDate, sdtTime };
enum TDateTimeStringFunctionType {
  dtsStrDateTime,
  dtsStrDate,
  dtsStrTime,
  dtsDateTimeStr,
  dtsDateStr,
  dtsTimeStr,
  dtsDateTimeStrFormat
};

template <TDecodeDateTimeFunctionType Kind>
Ref<IIEValue> DoDecode(IFunCall* call, TIEContext* context, const char* name) {
  const double value = NumberOf(Arg(call, 0, context).get(), name);
  if (Kind <= ddtDay) {
    const TDateParts d = DecodeDate(value, name);
    return NewInteger(Kind == ddtYear ? d.year : Kind == ddtMonth ? d.month : d.day);
  }
  const TTimeParts t = DecodeTime(value, name);
  switch (Kind) {
    case ddtHour:
      return NewInteger(t.hour);
    case ddtMinute:
      return NewInteger(t.minute);
    case ddtSecond:
      return NewInteger(t.second);
    default:
      return NewInteger(t.millisecond);
  }
}

// The integer argument i, or `missing` when the call has no argument i.
int32_t OptionalInteger(IFunCall* call, int i, TIEContext* context, const char* name,
                        int32_t missing) {
  if (i >= call->GetArgumentCount()) return missing;
  return IntegerOf(Arg(call, i, context).get(), name);
}

template <TEncodeDateTimeFunctionType Kind>
Ref<IIEValue> DoEncode(IFunCall* call, TIEContext* context, const char* name) {
  const int32_t first = OptionalInteger(call, 0, context, name, 0);
  if (Kind == edtDate) {
    const int32_t month = OptionalInteger(call, 1, context, name, 1);
    const int32_t day = OptionalInteger(call, 2, context, name, 1);
    return NewFloat(EncodeDate(first, month, day, name));
  }
  const int32_t minute = OptionalInteger(call, 1, context, name, 0);
  const int32_t second = OptionalInteger(call, 2, context, name, 0);
  const int32_t millisecond = OptionalInteger(call, 3, context, name, 0);
  return NewFloat(EncodeTime(first, minute, second, millisecond, name));
}

// The whole days and the time of day of a date-time.
double DatePart(double date_time) {
  return std::trunc(date_time);
}
double TimePart(double date_time) {
  return std::fabs(date_time - std::trunc(date_time));
}

template <TSystemDateTimeFunctionType Kind>
Ref<IIEValue> DoSystemDateTime(IFunCall*, TIEContext*, const char*) {
  const double now = Now();
  return NewFloat(Kind == sdtDateTime ? now : Kind == sdtDate ? DatePart(now) : TimePart(now));
}

template <TDateTimeStringFunctionType Kind>
Ref<IIEValue> DoDateTimeString(IFunCall* call, TIEContext* context, const char* name) {
  Ref<IIEValue> value = Arg(call, 0, context);
  switch (Kind) {
    case dtsStrDateTime:
      return NewFloat(TextToDateTime(value->GetAsString(), name));
    case dtsStrDate:
      return NewFloat(TextToDate(value->GetAsString(), name));
    case dtsStrTime:
      return NewFloat(TextToTime(value->GetAsString(), name));
    case dtsDateTimeStr:
      return NewString(DateTimeToText(NumberOf(value.get(), name), name));
    case dtsDateStr:
      return NewString(DateToText(NumberOf(value.get(), name), name));
    case dtsTimeStr:
      return NewString(TimeToText(NumberOf(value.get(), name), name));
    default: {
      const double date_time = NumberOf(value.get(), name);
      return NewString(FormatDateTime(Arg(call, 1, context)->GetAsString(), date_time, name));
    }
  }
}

// (time): seconds since midnight, to the millisecond.
Ref<IIEValue> DoTime(IFunCall*, TIEContext*, const char*) {
  return NewFloat(std::round(TimePart(Now()) * 86400000.0) / 1000.0);
}

// ---------------------------------------------------------------- guard, parse

// The firing rule may not re-activate while the arguments run. Its Enabled
// flag is changed without recompiling the rule, so the activations it
// already has stay and no new ones appear; the flag is restored unless the
// rule has left the engine meanwhile.
Ref<IIEValue> DoGuard(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  TActivation* current = engine->CurrentActivation();
  TRule* rule = current ? current->Rule() : nullptr;
  const std::string rule_name = rule ? rule->RuleName() : std::string();
  const bool saved = rule && rule->Enabled();
  if (rule) rule->SetEnabledFlag(false);
  auto restore = [&] {
    if (!rule) return;
    TActivation* now = engine->CurrentActivation();
    if (engine->FindRule(rule_name) == rule || (now && now->Rule() == rule))
      rule->SetEnabledFlag(saved);
  };
  Ref<IIEValue> result(FCNil);
  try {
    for (int i = 0; i < call->GetArgumentCount(); ++i) {
      result = Arg(call, i, context);
      if (context->ReturnSet()) break;
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return result;
}

Ref<IIEValue> DoParse(IFunCall* call, TIEContext* context, const char*) {
  const std::string text = Arg(call, 0, context)->GetAsString();
  EngineOf(context)->Parse(text, true);
  return Bool(true);
}

// ---------------------------------------------------------------- listings

// Sorted as the platform's string lists sort: ignoring case (ties keep a
// fixed order by the exact text).
void SortNames(std::vector<std::string>& names) {
  auto folded = [](const std::string& s) {
    std::string f = s;
    for (char& c : f)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return f;
  };
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const std::string fa = folded(a), fb = folded(b);
    return fa != fb ? fa < fb : a < b;
  });
}

// The names sorted, one per line, then "for a total of N <what>".
void PrintListing(TInferenceEngine* engine, std::vector<std::string> names, const char* what) {
  SortNames(names);
  std::string text;
  for (const std::string& n : names)
    text += n + NewLineString;
  text += "for a total of " + std::to_string(names.size()) + what + NewLineString;
  engine->PrintOut("", text);
}

Ref<IIEValue> DoListRules(IFunCall*, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::vector<std::string> names;
  for (int i = 0; i < engine->RuleCount(); ++i)
    names.push_back(engine->RuleAt(i)->RuleName());
  PrintListing(engine, std::move(names), " rules.");
  return Ref<IIEValue>(FCNil);
}

Ref<IIEValue> DoListDefTypes(IFunCall*, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::vector<std::string> names;
  for (int i = 0; i < engine->DefinedTypeCount(); ++i)
    names.push_back(engine->DefinedTypeAt(i)->GetName());
  PrintListing(engine, std::move(names), " deftypes.");
  return Ref<IIEValue>(FCNil);
}

Ref<IIEValue> DoListFactSets(IFunCall*, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::vector<std::string> names;
  for (TFactSet* set : engine->FactSets())
    names.push_back(set->FactSetName());
  PrintListing(engine, std::move(names), " deffacts.");
  return Ref<IIEValue>(FCNil);
}

// Every function the engine knows, built-in ones included; the optional
// argument is accepted and not used.
Ref<IIEValue> DoListFunctions(IFunCall*, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::vector<std::string> names;
  for (IUserFunction* f : engine->GetUserFunctions())
    names.push_back(f->GetFunctionName());
  PrintListing(engine, std::move(names), " deffunctions.");
  return Ref<IIEValue>(FCNil);
}

Ref<IIEValue> DoListTemplates(IFunCall*, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::vector<std::string> names;
  for (int i = 0; i < engine->FactTemplateCount(); ++i)
    names.push_back(engine->FactTemplateAt(i)->GetTemplateName());
  PrintListing(engine, std::move(names), " deftemplates.");
  return Ref<IIEValue>(FCNil);
}

// (facts [start [end [max]]]): the facts whose ids lie from start to end, at
// most max of them, in fact-list order; printed sorted by their id text
// (the ids are padded to one width, so that is the order of the ids).
Ref<IIEValue> DoShowFacts(IFunCall* call, TIEContext* context, const char* name) {
  TInferenceEngine* engine = EngineOf(context);
  const int32_t start = OptionalInteger(call, 0, context, name, INT32_MIN);
  const int32_t end = OptionalInteger(call, 1, context, name, INT32_MAX);
  const int32_t max = OptionalInteger(call, 2, context, name, engine->FactCount());
  std::vector<std::string> lines;
  for (int i = 0; i < engine->FactCount(); ++i) {
    IFact* fact = engine->FactAt(i);
    const int32_t id = fact->GetID();
    if (id < start || id > end) continue;
    if (static_cast<int64_t>(lines.size()) >= max) break;
    lines.push_back(fact->GetToIDString());
  }
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const std::string& line : lines)
    text += line + NewLineString;
  text += "For a total of " + std::to_string(lines.size()) + " facts." + NewLineString;
  engine->PrintOut("", text);
  return Bool(true);
}

// (rules [logical-name]): every rule's text, one print per rule.
Ref<IIEValue> DoShowRules(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  const std::string channel =
      call->GetArgumentCount() > 0 ? Arg(call, 0, context)->GetAsString() : std::string();
  std::vector<TRule*> rules;
  for (int i = 0; i < engine->RuleCount(); ++i)
    rules.push_back(engine->RuleAt(i));
  for (TRule* rule : rules)
    engine->PrintOut(channel, engine->PrettyPrint(rule) + NewLineString);
  engine->PrintOut(channel,
                   "For a total of " + std::to_string(rules.size()) + " rules." + NewLineString);
  return Bool(true);
}

Ref<IIEValue> DoAgenda(IFunCall*, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::vector<Ref<TActivation>> items = engine->Agenda().Items();
  std::string text;
  for (const Ref<TActivation>& a : items)
    text += a->GetToString() + NewLineString;
  text += "for a total of " + std::to_string(items.size()) + " activations." + NewLineString;
  engine->PrintOut("", text);
  return Ref<IIEValue>(FCNil);
}

// ---------------------------------------------------------------- pretty-printing

enum TPrettyPrintFunctionType { ppfFactSet, ppfUserFunction, ppfFactTemplate, ppfRule, ppfDefType };

template <TPrettyPrintFunctionType Kind>
Ref<IIEValue> DoPrettyPrint(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  const std::string name = Arg(call, 0, context)->GetAsString();
  switch (Kind) {
    case ppfFactSet:
      if (TFactSet* set = engine->FindFactSet(name)) return NewString(engine->PrettyPrint(set));
      RaiseIE(SUnknownName, {"fact set", name});
    case ppfUserFunction: {
      IUserFunction* f = nullptr;
      if (!engine->ContainsUserFunction(name, &f)) RaiseIE(SUnknownName, {"user function", name});
      if (auto* interpreted = dynamic_cast<IInterpretedFunction*>(f))
        return NewString(engine->PrettyPrint(interpreted));
      return NewString(engine->PrettyPrint(f));
    }
    case ppfFactTemplate:
      if (IFactTemplate* t = engine->FindFactTemplate(name))
        return NewString(engine->PrettyPrint(t));
      RaiseIE(SUnknownName, {"fact template", name});
    case ppfRule:
      if (TRule* rule = engine->FindRule(name)) return NewString(engine->PrettyPrint(rule));
      RaiseIE(SUnknownName, {"rule", name});
    default:
      if (IIEDefinedType* type = engine->FindDefinedType(name))
        return NewString(engine->PrettyPrint(type));
      RaiseIE(SUnknownName, {"defined type", name});
  }
}

// ---------------------------------------------------------------- deleting constructs

Ref<IIEValue> DoUnDefFacts(IFunCall* call, TIEContext* context, const char*) {
  return Bool(EngineOf(context)->RemoveFactSet(Arg(call, 0, context)->GetAsString()));
}

Ref<IIEValue> DoUnDefFunction(IFunCall* call, TIEContext* context, const char*) {
  return Bool(EngineOf(context)->RemoveFunction(Arg(call, 0, context)->GetAsString()));
}

Ref<IIEValue> DoUnDefRule(IFunCall* call, TIEContext* context, const char*) {
  return Bool(EngineOf(context)->RemoveRule(Arg(call, 0, context)->GetAsString()));
}

// The engine's own templates stay: the initial-fact pattern and the null
// fact point at them, and rules without patterns would never match again.
Ref<IIEValue> DoUnDefTemplate(IFunCall* call, TIEContext* context, const char*) {
  const std::string name = Arg(call, 0, context)->GetAsString();
  if (name == SInitialFactPattern || name == SNullFact) return Bool(false);
  return Bool(EngineOf(context)->RemoveFactTemplate(name));
}

Ref<IIEValue> DoUnDefType(IFunCall* call, TIEContext* context, const char*) {
  return Bool(EngineOf(context)->RemoveDefinedType(Arg(call, 0, context)->GetAsString()));
}

// ---------------------------------------------------------------- settings

template <TTypeCheck Check>
Ref<IIEValue> DoGetTypeCheck(IFunCall*, TIEContext* context, const char*) {
  return Bool(EngineOf(context)->TypeChecks().Contains(Check));
}

// Returns the previous state; the check is on when the argument is TRUE.
template <TTypeCheck Check>
Ref<IIEValue> DoSetTypeCheck(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  const bool previous = engine->TypeChecks().Contains(Check);
  const bool on = Arg(call, 0, context)->Equals(FCTrue);
  TTypeChecks checks = engine->TypeChecks();
  if (on)
    checks.Include(Check);
  else
    checks.Exclude(Check);
  engine->SetTypeChecks(checks);
  return Bool(previous);
}

// Without an argument the setting; with one, the setting becomes whether it
// is TRUE and the argument's value is the result.
Ref<IIEValue> DoResetGlobals(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  if (call->GetArgumentCount() == 0) return Bool(engine->ResetGlobals());
  Ref<IIEValue> value = Arg(call, 0, context);
  engine->SetResetGlobals(value->Equals(FCTrue));
  return value;
}

// The result is an empty value (no kind).
Ref<IIEValue> DoSetGen(IFunCall* call, TIEContext* context, const char* name) {
  const int32_t n = IntegerOf(Arg(call, 0, context).get(), name);
  EngineOf(context)->SetSymbolIndex(n);
  return Ref<IIEValue>(new TIEValue());
}

// ---------------------------------------------------------------- host dialogs

// The text of argument i, or "" when the call has no argument i.
std::string OptionalText(IFunCall* call, int i, TIEContext* context) {
  return i < call->GetArgumentCount() ? Arg(call, i, context)->GetAsString() : std::string();
}

Ref<IIEValue> DoInputBox(IFunCall* call, TIEContext* context, const char* name) {
  TInferenceEngine* engine = EngineOf(context);
  if (!engine->OnInputBox) RaiseIE(SNoHostDialog, {name, "OnInputBox"});
  const std::string caption = OptionalText(call, 0, context);
  const std::string prompt = OptionalText(call, 1, context);
  const std::string default_text = OptionalText(call, 2, context);
  return NewString(engine->OnInputBox(engine, caption, prompt, default_text));
}

Ref<IIEValue> DoInputQuery(IFunCall* call, TIEContext* context, const char* name) {
  TInferenceEngine* engine = EngineOf(context);
  if (!engine->OnInputQuery) RaiseIE(SNoHostDialog, {name, "OnInputQuery"});
  const std::string caption = OptionalText(call, 0, context);
  const std::string prompt = OptionalText(call, 1, context);
  std::string value = OptionalText(call, 2, context);
  if (!engine->OnInputQuery(engine, caption, prompt, value)) return Bool(false);
  return NewString(value);
}

// (message-dlg text type buttons [help-context]): the type is one of the
// names of TMsgDlgType, the buttons a set text such as "[mbYes, mbNo]"; the
// result is the name of the button pressed, e.g. "mrYes".
Ref<IIEValue> DoMessageDlg(IFunCall* call, TIEContext* context, const char* name) {
  TInferenceEngine* engine = EngineOf(context);
  if (!engine->OnMessageDlg) RaiseIE(SNoHostDialog, {name, "OnMessageDlg"});
  const std::string message = Arg(call, 0, context)->GetAsString();
  const std::string type_name = Arg(call, 1, context)->GetAsString();
  const int type = MsgDlgTypeInfo().IndexOf(type_name);
  if (type < 0) throw EConvertError(Format(SInvalidDialogType, {type_name}));
  const TMsgDlgButtons buttons = TMsgDlgButtons::FromBits(
      StringToSet(Arg(call, 2, context)->GetAsString(), MsgDlgBtnInfo(), ""));
  const int32_t help = OptionalInteger(call, 3, context, name, 0);
  const TModalResult result =
      engine->OnMessageDlg(engine, message, static_cast<TMsgDlgType>(type), buttons, help);
  const int index = static_cast<int>(result);
  const TEnumInfo& results = ModalResultInfo();
  return NewString(index < results.Count() ? results.names[static_cast<size_t>(index)]
                                           : results.names[0]);
}

Ref<IIEValue> DoShowMessage(IFunCall* call, TIEContext* context, const char* name) {
  TInferenceEngine* engine = EngineOf(context);
  if (!engine->OnShowMessage) RaiseIE(SNoHostDialog, {name, "OnShowMessage"});
  engine->OnShowMessage(engine, Arg(call, 0, context)->GetAsString());
  return Bool(true);
}

}  // namespace

void TMiscPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  const char* date_arg = " <system-date-numeric-expression>";
  const char* time_arg = " <system-time-numeric-expression>";
  Add(this, "decode-year", "Returns the year of a date-time number", date_arg, 1, 1,
      DoDecode<ddtYear>);
  Add(this, "decode-month", "Returns the month (1 to 12) of a date-time number", date_arg, 1, 1,
      DoDecode<ddtMonth>);
  Add(this, "decode-day", "Returns the day of the month of a date-time number", date_arg, 1, 1,
      DoDecode<ddtDay>);
  Add(this, "decode-hour", "Returns the hour (0 to 23) of a date-time number", time_arg, 1, 1,
      DoDecode<ddtHour>);
  Add(this, "decode-minute", "Returns the minute of a date-time number", time_arg, 1, 1,
      DoDecode<ddtMinute>);
  Add(this, "decode-second", "Returns the second of a date-time number", time_arg, 1, 1,
      DoDecode<ddtSecond>);
  Add(this, "decode-millisecond", "Returns the millisecond of a date-time number", time_arg, 1, 1,
      DoDecode<ddtMillisecond>);
  Add(this, "encode-date", "Returns the date-time number of a date; a missing month or day is 1",
      " <year-integer-expression> [<month-integer-expression> [<day-integer-expression>]]", 1, 3,
      DoEncode<edtDate>);
  Add(this, "encode-time",
      "Returns the fraction of a day of a time of day; a missing minute, second or millisecond "
      "is 0",
      " <hour-integer-expression> [<minute-integer-expression> [<second-integer-expression> "
      "[<millisecond-integer-expression>]]]",
      1, 4, DoEncode<edtTime>);
  Add(this, "system-datetime", "Returns the current date and time as a date-time number", "", 0, 0,
      DoSystemDateTime<sdtDateTime>);
  Add(this, "system-date", "Returns the current date as a date-time number (whole days)", "", 0, 0,
      DoSystemDateTime<sdtDate>);
  Add(this, "system-time", "Returns the current time of day as a fraction of a day", "", 0, 0,
      DoSystemDateTime<sdtTime>);
  Add(this, "str-datetime",
      "Converts a text \"YYYY-MM-DD HH:MM:SS\" (a date, a time or both) to a date-time number",
      " <string-expression> ", 1, 1, DoDateTimeString<dtsStrDateTime>);
  Add(this, "str-date", "Converts a text \"YYYY-MM-DD\" to a date-time number",
      " <string-expression> ", 1, 1, DoDateTimeString<dtsStrDate>);
  Add(this, "str-time", "Converts a text \"HH:MM[:SS[.mmm]]\" to a fraction of a day",
      " <string-expression> ", 1, 1, DoDateTimeString<dtsStrTime>);
  Add(this, "datetime-str", "Returns a date-time number as the text \"YYYY-MM-DD HH:MM:SS\"",
      " <numeric-expression> ", 1, 1, DoDateTimeString<dtsDateTimeStr>);
  Add(this, "date-str", "Returns the date of a date-time number as the text \"YYYY-MM-DD\"",
      " <numeric-expression> ", 1, 1, DoDateTimeString<dtsDateStr>);
  Add(this, "time-str", "Returns the time of a date-time number as the text \"HH:MM:SS\"",
      " <numeric-expression> ", 1, 1, DoDateTimeString<dtsTimeStr>);
  Add(this, "datetime-str-format",
      "Returns a date-time number written by a pattern (d dd ddd dddd m mm mmm mmmm yy yyyy h hh "
      "n nn s ss z zzz t tt c am/pm a/p ampm, quoted text as it stands)",
      " <numeric-expression> <format-string-expression>", 2, 2,
      DoDateTimeString<dtsDateTimeStrFormat>);
  Add(this, "guard",
      "Evaluates the expressions in order while the rule being fired cannot be activated again; "
      "returns the last value",
      " <function-call-argument>+", 1, kAny, DoGuard);
  Add(this, "parse", "Parses and executes the rule-language text; returns TRUE",
      " <string-expression>", 1, 1, DoParse);
  Add(this, "time", "Returns the seconds since midnight", "", 0, 0, DoTime);
  Add(this, "agenda", "Prints the activations on the agenda", "", 0, 0, DoAgenda);
  Add(this, "get-dynamic-constraint-checking",
      "Returns TRUE when the values of facts are checked against their slots' constraints", "", 0,
      0, DoGetTypeCheck<tcDynamic>);
  Add(this, "get-static-constraint-checking",
      "Returns TRUE when parsed constructs are checked against the slots' constraints", "", 0, 0,
      DoGetTypeCheck<tcStatic>);
  Add(this, "input-box",
      "Asks the host for a text; returns the text entered, or the default when cancelled",
      " [<caption-string> [<prompt-string> [<default-string>]]]", 0, 3, DoInputBox);
  Add(this, "input-query",
      "Asks the host for a text; returns the text entered, or FALSE when cancelled",
      " [<caption-string> [<prompt-string> [<default-string>]]]", 0, 3, DoInputQuery);
  Add(this, "message-dlg",
      "Shows a message dialog with the given type and buttons; returns the button pressed "
      "(mrOk, mrCancel, mrYes, mrNo ...)",
      " <string-expression> mtWarning|mtError|mtInformation|mtConfirmation|mtCustom "
      "<string-set-expression> [<integer-expression>]",
      2, 4, DoMessageDlg);
  Add(this, "show-message", "Shows a message with an OK button; returns TRUE",
      " <string-expression> ", 1, 1, DoShowMessage);
  Add(this, "list-defrules", "Prints the names of the rules", "", 0, 0, DoListRules);
  Add(this, "list-deftypes", "Prints the names of the defined types", "", 0, 0, DoListDefTypes);
  Add(this, "list-deffacts", "Prints the names of the fact sets", "", 0, 0, DoListFactSets);
  Add(this, "list-deffunctions", "Prints the names of the functions", "", 0, 1, DoListFunctions);
  Add(this, "list-deftemplates", "Prints the names of the fact templates", "", 0, 0,
      DoListTemplates);
  Add(this, "ppdeffacts", "Returns the definition of a fact set", " <fact-set-name>", 1, 1,
      DoPrettyPrint<ppfFactSet>);
  Add(this, "ppdeffunction",
      "Returns the definition of a deffunction, or the help line of a built-in function",
      " <function-name>", 1, 1, DoPrettyPrint<ppfUserFunction>);
  Add(this, "ppdeftemplate", "Returns the definition of a fact template", " <fact-template-name>",
      1, 1, DoPrettyPrint<ppfFactTemplate>);
  Add(this, "ppdefrule", "Returns the definition of a rule", " <rulename>", 1, 1,
      DoPrettyPrint<ppfRule>);
  Add(this, "ppdeftype", "Returns the definition of a defined type", " <type-name>", 1, 1,
      DoPrettyPrint<ppfDefType>);
  Add(this, "set-reset-globals",
      "Without an argument returns whether reset restores the globals; with one, sets it to "
      "whether the argument is TRUE",
      " [<boolean-expression>]", 0, 1, DoResetGlobals);
  Add(this, "setgen", "Moves the number that gensym* appends forward", " <integer-expression>", 1,
      1, DoSetGen);
  Add(this, "set-dynamic-constraint-checking",
      "Turns the checking of fact values on (TRUE) or off; returns the previous setting",
      " <boolean-expression>", 1, 1, DoSetTypeCheck<tcDynamic>);
  Add(this, "set-static-constraint-checking",
      "Turns the checking of parsed constructs on (TRUE) or off; returns the previous setting",
      " <boolean-expression>", 1, 1, DoSetTypeCheck<tcStatic>);
  Add(this, "facts", "Prints the facts, optionally those from a start id to an end id, at most max",
      " [<start-integer-expression> [<end-integer-expression> [<max-integer-expression>]]]", 0, 3,
      DoShowFacts);
  Add(this, "rules", "Prints the definitions of the rules", "[<logical-name>]", 0, 1, DoShowRules);
  Add(this, "undeffacts", "Removes a fact set; FALSE when there is none", " <fact-set-name>", 1, 1,
      DoUnDefFacts);
  Add(this, "undeffunction", "Removes a function; FALSE when there is none", " <function-name>", 1,
      1, DoUnDefFunction);
  Add(this, "undefrule", "Removes a rule; FALSE when there is none", " <rule-name>", 1, 1,
      DoUnDefRule);
  Add(this, "undeftemplate",
      "Removes a fact template with its facts and rules; FALSE when there is none",
      " <fact-template-name>", 1, 1, DoUnDefTemplate);
  Add(this, "undeftype",
      "Removes a defined type with the templates that use it; FALSE when there is none",
      "<defined-type-name-expression>", 1, 1, DoUnDefType);
}

}  // namespace rulecore
