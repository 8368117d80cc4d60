// rulecore: an embeddable expert-system shell.
#include "functions/standard_package.h"

#include "functions/builtin.h"
#include "functions/multifield_functions.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <vector>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "engine/inference_engine.h"
#include "facts/context.h"
#include "facts/fact_template.h"
#include "functions/user_function.h"
#include "platform/exception.h"
#include "platform/streams.h"

namespace rulecore {

namespace {

using namespace builtin;

// ---------------------------------------------------------------- facts, engine

Ref<IIEValue> DoAssert(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  int32_t id = -1;
  for (int i = 0; i < call->GetArgumentCount(); ++i) {
    Ref<IIEValue> value = Arg(call, i, context);
    Ref<IFact> fact = value->GetAsFact()->Clone();
    context->Resolve(fact.get());
    id = engine->AssertFact(fact.get());
  }
  return id < 0 ? Bool(false) : NewFactId(id);
}

// A refused duplicate yields FALSE, as for assert, never the id -1.
Ref<IIEValue> DoAssertString(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  int32_t id = -1;
  for (int i = 0; i < call->GetArgumentCount(); ++i)
    id = engine->AssertText(Arg(call, i, context)->GetAsString());
  return id < 0 ? Bool(false) : NewFactId(id);
}

Ref<IIEValue> DoRetractString(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  for (int i = 0; i < call->GetArgumentCount(); ++i)
    engine->RetractText(Arg(call, i, context)->GetAsString());
  return Bool(true);
}

// ---------------------------------------------------------------- input, output

Ref<IIEValue> DoOpen(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::string path = Arg(call, 0, context)->GetAsString();
  Ref<IIEValue> name = Arg(call, 1, context);
  FileMode mode = FileMode::kRead;
  if (call->GetArgumentCount() > 2) {
    std::string letter = Arg(call, 2, context)->GetAsString();
    if (letter == "r")
      mode = FileMode::kRead;
    else if (letter == "w")
      mode = FileMode::kWrite;
    else if (letter == "r+")
      mode = FileMode::kReadWrite;
    else if (letter == "a")
      mode = FileMode::kAppend;
    else
      RaiseIE(SInvalidFileAccess, {letter});
  }
  // A file that cannot be opened raises the stream's own error.
  engine->AddStream(name->GetAsString(), std::make_unique<TTextStream>(path, mode));
  return name->Clone();
}

// Closing a name that is not open is no error, but the result tells: TRUE
// when every named stream was open and is now closed, else FALSE.
Ref<IIEValue> DoClose(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  if (call->GetArgumentCount() == 0) {
    engine->ClearStreams();
    return Bool(true);
  }
  bool all = true;
  for (int i = 0; i < call->GetArgumentCount(); ++i) {
    std::string name = Arg(call, i, context)->GetAsString();
    if (engine->ContainsStream(name))
      engine->RemoveStream(name);
    else
      all = false;
  }
  return Bool(all);
}

// Marks each named template as backward-chaining and gives it its goal
// template "need-<name>", which has the template's slots but no parent. A
// goal template that exists already is kept: making it anew would take the
// rules written on it along with the old one.
Ref<IIEValue> DoDoBackwardChaining(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  for (int i = 0; i < call->GetArgumentCount(); ++i) {
    std::string name = Arg(call, i, context)->GetAsString();
    if (name == "test" || name == "not") RaiseIE(SBackChainCE, {name});
    IFactTemplate* tmpl = engine->CreateFactTemplate(name);
    tmpl->SetBackwardChaining(true);
    const std::string goal_name = SBackChainPrefix + name;
    if (engine->FindFactTemplate(goal_name)) continue;
    Ref<TFactTemplate> goal(new TFactTemplate(engine, goal_name, "Goal seeker for " + name, tmpl));
    goal->SetParent(nullptr);
    engine->AddFactTemplate(goal.get());
  }
  return Bool(true);
}

Ref<IIEValue> DoDribbleOn(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  return Bool(engine->StartCapture(Arg(call, 0, context)->GetAsString()));
}

Ref<IIEValue> DoDribbleOff(IFunCall*, TIEContext* context, const char*) {
  return Bool(EngineOf(context)->StopCapture());
}

Ref<IIEValue> DoRead(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::string name = call->GetArgumentCount() ? Arg(call, 0, context)->GetAsString() : "";
  return engine->ReadToken(name)->Value();
}

Ref<IIEValue> DoBatch(IFunCall* call, TIEContext* context, const char*) {
  return Bool(EngineOf(context)->Batch(Arg(call, 0, context)->GetAsString()));
}

// ---------------------------------------------------------------- knowledge-base files

Ref<IIEValue> DoLoad(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  engine->LoadFromFile(Arg(call, 0, context)->GetAsString());
  return Bool(true);
}

Ref<IIEValue> DoLoadFacts(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  engine->LoadFacts(Arg(call, 0, context)->GetAsString());
  return Bool(true);
}

Ref<IIEValue> DoSave(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  engine->SaveToFile(Arg(call, 0, context)->GetAsString());
  return Bool(true);
}

// With template names the file holds their facts, template after template;
// it is written only once every name has been evaluated and every fact
// printed, so a failure leaves an existing file as it was.
Ref<IIEValue> DoSaveFacts(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::string path = Arg(call, 0, context)->GetAsString();
  if (call->GetArgumentCount() == 1) {
    engine->SaveFacts(path);
    return Bool(true);
  }
  TMemoryStream text;
  for (int i = 1; i < call->GetArgumentCount(); ++i)
    engine->SaveFacts(text, Arg(call, i, context)->GetAsString());
  ReplaceFileContents(path, text.Data());
  return Bool(true);
}

// An empty line and the end of input both read as the symbol EOF.
Ref<IIEValue> DoReadLine(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::string name = call->GetArgumentCount() ? Arg(call, 0, context)->GetAsString() : "";
  std::string line = engine->ReadLine(name);
  return line.empty() ? Ref<IIEValue>(FCEOF) : NewString(line);
}

// watch and unwatch: one keyword, compared case-sensitively.
Ref<IIEValue> Watch(IFunCall* call, TIEContext* context, bool on) {
  TInferenceEngine* engine = EngineOf(context);
  std::string word = Arg(call, 0, context)->GetAsString();
  static const std::pair<const char*, TConstructWatch> kinds[] = {{"rules", cwRule},
                                                                  {"facts", cwFact},
                                                                  {"activations", cwActivation},
                                                                  {"compilations", cwCompilation},
                                                                  {"statistics", cwStatistics}};
  TConstructWatches watch = engine->Watch();
  if (word == "all") {
    watch = on ? TConstructWatches{cwActivation, cwFact, cwRule, cwCompilation, cwStatistics}
               : TConstructWatches{};
  } else {
    auto kind = std::find_if(std::begin(kinds), std::end(kinds),
                             [&](const auto& k) { return word == k.first; });
    if (kind == std::end(kinds)) RaiseIE(on ? SCannotWatch : SCannotUnWatch, {word});
    on ? watch.Include(kind->second) : watch.Exclude(kind->second);
  }
  engine->SetWatch(watch);
  return Bool(true);
}

Ref<IIEValue> DoWatch(IFunCall* call, TIEContext* context, const char*) {
  return Watch(call, context, true);
}

Ref<IIEValue> DoUnwatch(IFunCall* call, TIEContext* context, const char*) {
  return Watch(call, context, false);
}

Ref<IIEValue> DoRetract(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  for (int i = 0; i < call->GetArgumentCount(); ++i) {
    Ref<IIEValue> value = Arg(call, i, context);
    if (i == 0 && value->GetDType() == dtAtom && value->PeekText() == "*") {
      engine->RetractFacts();
      break;
    }
    if (IFact* fact = engine->FactById(value->GetAsFactId())) engine->RetractFact(fact);
  }
  return Bool(true);
}

using SlotChanges = std::vector<std::pair<std::string, Ref<IIEValue>>>;

// The (slot value...) arguments from index 1 on, made into values and
// checked against the fact's template before anything changes.
SlotChanges ReadSlotChanges(IFunCall* call, TIEContext* context, TInferenceEngine* engine,
                            IFact* fact) {
  IFactTemplate* tmpl = fact->GetTemplate();
  bool dynamic = engine->GetTypeChecks().Contains(tcDynamic);
  SlotChanges changes;
  for (int i = 1; i < call->GetArgumentCount(); ++i) {
    Ref<IIEValue> pair = Arg(call, i, context);
    IValueVector* items = pair->GetAsList();
    if (!items || items->GetValueCount() == 0) RaiseIE(SExpectedValue);
    std::string name = items->Get(0)->GetAsString();
    IFactSlot* slot = tmpl->GetSlot(name);
    Ref<IIEValue> value;
    bool item_is_list =
        items->GetValueCount() >= 2 && items->Get(1) && items->Get(1)->GetDType() == dtList;
    if (slot->GetSlotType().Contains(dtMultiSlot) && !item_is_list) {
      Ref<TValueVector> list(new TValueVector);
      for (int k = 1; k < items->GetValueCount(); ++k)
        list->Add(items->Get(k)->Resolve(context).get());
      value = NewList(list.get());
    } else {
      value = items->GetValueCount() >= 2 ? items->Get(1)->Resolve(context) : Ref<IIEValue>(FCNil);
      if (value->GetDType() == dtList) value = value->Clone();
    }
    if (dynamic && !slot->IsValid(value.get()) &&
        !(value->GetDType() == dtInteger && slot->GetSlotType().Contains(dtFloat)))
      RaiseIE(slot->GetInvalidValueString(value.get()));
    changes.emplace_back(name, value);
  }
  return changes;
}

IFact* ListedFact(TInferenceEngine* engine, IIEValue* id) {
  IFact* fact = engine->FactById(id->GetAsFactId());
  if (!fact) RaiseIE(SNoSuchFact, {std::to_string(id->GetAsFactId())});
  return fact;
}

Ref<IIEValue> DoModify(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  Ref<IFact> fact(ListedFact(engine, Arg(call, 0, context).get()));
  // Every new value is made and checked before the fact leaves the fact
  // list, so that a refused value leaves the fact as it was.
  SlotChanges changes = ReadSlotChanges(call, context, engine, fact.get());
  engine->BeginFactModify(fact.get());
  for (auto& [name, value] : changes)
    fact->SetValue(name, value.get());
  context->Resolve(fact.get());
  return NewFactId(engine->EndFactModify(fact.get()));
}

// A changed copy is asserted; the original stays. FALSE when the copy is
// refused as a duplicate.
Ref<IIEValue> DoDuplicate(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  IFact* fact = ListedFact(engine, Arg(call, 0, context).get());
  SlotChanges changes = ReadSlotChanges(call, context, engine, fact);
  Ref<IFact> copy = fact->Clone();
  for (auto& [name, value] : changes)
    copy->SetValue(name, value.get());
  context->Resolve(copy.get());
  int32_t id = engine->AssertFact(copy.get());
  return id < 0 ? Bool(false) : NewFactId(id);
}

Ref<IIEValue> DoGetSlotValue(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  Ref<IIEValue> which = Arg(call, 0, context);
  Ref<IFact> fact;
  switch (which->GetDType()) {
    case dtInteger:
    case dtFactId:
      fact = Ref<IFact>(engine->FactById(which->GetAsInteger()));
      if (!fact) RaiseIE(SNoSuchFact, {which->GetAsString()});
      break;
    case dtFact:
      fact = Ref<IFact>(which->GetAsFact());
      break;
    default:
      RaiseIE(SInvalidArgType, {GetIETypeName(which->GetDType()),
                                GetIETypeName(dtFactId) + ", " + GetIETypeName(dtFact)});
  }
  std::string slot = call->GetArgumentCount() > 1 ? Arg(call, 1, context)->GetAsString()
                                                  : std::string(SDefaultSlotName);
  return fact->GetValue(slot)->Clone();
}

Ref<IIEValue> DoReset(IFunCall*, TIEContext* context, const char*) {
  EngineOf(context)->Reset();
  return Bool(true);
}

Ref<IIEValue> DoRun(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  int32_t limit = call->GetArgumentCount() ? Arg(call, 0, context)->GetAsInteger() : 2147483647;
  return NewInteger(engine->Run(limit));
}

Ref<IIEValue> DoHalt(IFunCall*, TIEContext* context, const char*) {
  EngineOf(context)->Halt();
  return Bool(true);
}

Ref<IIEValue> DoExit(IFunCall*, TIEContext*, const char*) {
  throw EAbort();
}

// The printout text of one value: crlf a line break, strings and numbers
// bare, lists in parentheses, anything else its printed form.
std::string PrintoutText(IIEValue* v) {
  switch (v->GetDType()) {
    case dtAtom:
      return v->PeekText() == "crlf" ? std::string(NewLineString) : v->GetAsString();
    case dtString:
    case dtInteger:
    case dtFloat:
      return v->GetAsString();
    case dtList:
      return "(" + v->GetToString() + ")";
    default:
      return v->GetToString();
  }
}

// The logical name is evaluated after the other arguments.
Ref<IIEValue> DoPrintOut(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::string text;
  for (int i = 1; i < call->GetArgumentCount(); ++i)
    text += PrintoutText(Arg(call, i, context).get());
  std::string channel = call->GetArgumentCount() ? Arg(call, 0, context)->GetAsString() : "";
  engine->PrintOut(channel, text);
  return Ref<IIEValue>(FCNil);
}

// ---------------------------------------------------------------- format

// Field widths and precisions beyond this are refused rather than written.
constexpr int kMaxFormatField = 10000;

// One directive: "%", flags, width, precision and its letter, rendered with
// the value. `flags` holds what stands between the "%" and the letter.
std::string RenderDirective(const std::string& flags, char letter, IIEValue* value) {
  bool left = false, zero = false, dot = false;
  int width = 0, precision = -1;
  for (char c : flags) {
    if (c == '-') {
      left = true;
    } else if (c == '.') {
      dot = true;
      precision = 0;
    } else if (c >= '0' && c <= '9') {
      int& n = dot ? precision : width;
      if (!dot && c == '0' && width == 0) {
        zero = true;
        continue;
      }
      n = n * 10 + (c - '0');
      if (n > kMaxFormatField) RaiseIE(SFormatFieldTooWide, {"%" + flags + letter});
    }
  }
  std::string c_format = "%";
  if (left) c_format += '-';
  if (zero && !left) c_format += '0';
  if (width) c_format += std::to_string(width);
  if (precision >= 0) c_format += "." + std::to_string(precision);
  auto printf_text = [](const std::string& format, auto arg) {
    int n = std::snprintf(nullptr, 0, format.c_str(), arg);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    std::snprintf(out.data(), out.size() + 1, format.c_str(), arg);
    return out;
  };
  switch (letter) {
    case 'd':
      return printf_text(c_format + "lld", static_cast<long long>(value->GetAsInteger()));
    case 'u':
      return printf_text(c_format + "llu", static_cast<unsigned long long>(
                                               static_cast<uint32_t>(value->GetAsInteger())));
    case 'x':
      return printf_text(c_format + "llX", static_cast<unsigned long long>(
                                               static_cast<uint32_t>(value->GetAsInteger())));
    case 'e':
    case 'f':
    case 'g':
      return printf_text(c_format + letter, value->GetAsNumeric());
    case 'm':  // a money amount: two decimals unless a precision is given
      return printf_text(precision >= 0 ? c_format + "f" : c_format + ".2f", value->GetAsNumeric());
    case 'p':
      return printf_text(
          "%08llX", static_cast<unsigned long long>(static_cast<uint32_t>(value->GetAsInteger())));
    case 's': {
      std::string text = value->GetToString();
      if (precision >= 0 && static_cast<size_t>(precision) < text.size()) text.resize(precision);
      if (static_cast<size_t>(width) > text.size())
        text.insert(left ? text.size() : 0, static_cast<size_t>(width) - text.size(), ' ');
      return text;
    }
    default:
      return {};
  }
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// (format name "control" args...): each argument fills the first directive
// left in the text; an argument with no directive left is appended after a
// blank.
Ref<IIEValue> DoFormat(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  std::string text = call->GetArgument(1)->GetAsString();  // as written
  for (int i = 2; i < call->GetArgumentCount(); ++i) {
    size_t percent, letter_at = 0;
    while (true) {
      percent = text.find('%');
      if (percent == std::string::npos || percent + 1 >= text.size()) break;
      letter_at = percent + 1;
      while (letter_at + 1 < text.size() &&
             std::string_view("%-0123456789.").find(text[letter_at]) != std::string_view::npos)
        ++letter_at;
      if (letter_at == percent + 1 && text[letter_at] == 'n') {
        text.replace(percent, 2, NewLineString);
        continue;
      }
      break;
    }
    Ref<IIEValue> value = Arg(call, i, context);
    if (percent != std::string::npos) {
      if (percent + 1 >= text.size()) continue;  // a lone "%" at the end uses the argument up
      const char letter = text[letter_at];
      if (std::string_view("duxefgmps").find(letter) == std::string_view::npos) continue;
      std::string flags = text.substr(percent + 1, letter_at - percent - 1);
      text = text.substr(0, percent) + RenderDirective(flags, letter, value.get()) +
             text.substr(letter_at + 1);
      continue;
    }
    switch (value->GetDType()) {
      case dtString:
        text += " " + value->GetAsString();
        break;
      case dtFactId:
      case dtExternalAddress:
        text += " " + std::to_string(value->GetAsInteger());
        break;
      case dtList:
        text += " (" + value->GetToString() + ")";
        break;
      default:
        text += " " + value->GetToString();
        break;
    }
  }
  ReplaceAll(text, "%n", NewLineString);
  engine->PrintOut(Arg(call, 0, context)->GetAsString(), text);
  return Ref<IIEValue>(FCNil);
}

// ---------------------------------------------------------------- comparisons

// Compares each adjacent pair of numeric arguments; stops at the first pair
// for which `holds` fails, without evaluating further arguments.
template <class Holds>
Ref<IIEValue> Ordered(IFunCall* call, TIEContext* context, Holds holds) {
  double previous = Arg(call, 0, context)->GetAsNumeric();
  for (int i = 1; i < call->GetArgumentCount(); ++i) {
    double next = Arg(call, i, context)->GetAsNumeric();
    if (!holds(previous, next)) return Bool(false);
    previous = next;
  }
  return Bool(true);
}

Ref<IIEValue> DoGt(IFunCall* c, TIEContext* x, const char*) {
  return Ordered(c, x, [](double a, double b) { return a > b; });
}
Ref<IIEValue> DoGe(IFunCall* c, TIEContext* x, const char*) {
  return Ordered(c, x, [](double a, double b) { return a >= b; });
}
Ref<IIEValue> DoLt(IFunCall* c, TIEContext* x, const char*) {
  return Ordered(c, x, [](double a, double b) { return a < b; });
}
Ref<IIEValue> DoLe(IFunCall* c, TIEContext* x, const char*) {
  return Ordered(c, x, [](double a, double b) { return a <= b; });
}

// ---------------------------------------------------------------- control

bool IsFalse(IIEValue* value) {
  return value->Equals(FCFalse);
}

Ref<IIEValue> DoAnd(IFunCall* call, TIEContext* context, const char*) {
  for (int i = 0; i < call->GetArgumentCount(); ++i)
    if (IsFalse(Arg(call, i, context).get())) return Bool(false);
  return Bool(true);
}

// Only TRUE itself counts as true here.
Ref<IIEValue> DoOr(IFunCall* call, TIEContext* context, const char*) {
  for (int i = 0; i < call->GetArgumentCount(); ++i)
    if (Arg(call, i, context)->Equals(FCTrue)) return Bool(true);
  return Bool(false);
}

Ref<IIEValue> DoNot(IFunCall* call, TIEContext* context, const char*) {
  return Bool(IsFalse(Arg(call, 0, context).get()));
}

bool IsKeyword(IIEValue* value, std::string_view word) {
  return value && value->GetDType() == dtAtom && value->PeekText() == word;
}

// Evaluates arguments [from, to) in order into `result`; stops at `else`
// when `stop_at_else`, and at a return, whose value becomes the result.
// Answers whether a return was met.
bool Actions(IFunCall* call, TIEContext* context, int from, int to, bool stop_at_else,
             Ref<IIEValue>& result) {
  for (int i = from; i < to; ++i) {
    if (stop_at_else && IsKeyword(call->GetArgument(i), "else")) return false;
    Ref<IIEValue> value = Arg(call, i, context);
    if (context->ReturnSet()) {
      result = Ref<IIEValue>(context->ReturnValue());
      return true;
    }
    result = value;
  }
  return false;
}

Ref<IIEValue> DoIf(IFunCall* call, TIEContext* context, const char*) {
  if (!IsKeyword(call->GetArgument(1), "then")) RaiseIE(SSyntaxError, {SMissingThen});
  Ref<IIEValue> result = Bool(false);
  const int count = call->GetArgumentCount();
  if (!IsFalse(Arg(call, 0, context).get())) {
    Actions(call, context, 2, count, true, result);
    return result;
  }
  for (int i = 3; i < count; ++i) {
    if (IsKeyword(call->GetArgument(i), "else")) {
      Actions(call, context, i + 1, count, false, result);
      break;
    }
  }
  return result;
}

// No iteration limit: a loop that never ends is the program's.
Ref<IIEValue> DoWhile(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> result = Arg(call, 0, context);
  const int first = IsKeyword(call->GetArgument(1), "do") ? 2 : 1;
  while (!IsFalse(result.get())) {
    if (Actions(call, context, first, call->GetArgumentCount(), false, result)) return result;
    result = Arg(call, 0, context);
  }
  return result;
}

// The loop variable is named by argument 0: a variable as written (?x) or
// any expression whose string form is the name.
Ref<IIEValue> DoForEach(IFunCall* call, TIEContext* context, const char*) {
  IIEValue* named = call->GetArgument(0);
  std::string name =
      named && (named->GetDType() == dtVariable || named->GetDType() == dtMultiVariable)
          ? named->GetAsString()
          : Arg(call, 0, context)->GetAsString();
  Ref<IIEValue> list = Arg(call, 1, context);
  Ref<IValueVector> items(list->GetAsList());
  Ref<IIEValue> result(FCNil);
  for (int i = 0; i < items->GetValueCount(); ++i) {
    context->SetVariable(name, items->Get(i)->Resolve(context).get());
    if (Actions(call, context, 2, call->GetArgumentCount(), false, result)) break;
  }
  return result;
}

bool IsAtom(IIEValue* value, std::string_view a, std::string_view b = {}) {
  return value && value->GetDType() == dtAtom &&
         (value->PeekText() == a || (!b.empty() && value->PeekText() == b));
}

// (try body... [finally cleanup...] [catch handler...]): an error in the body
// or the cleanup is caught, its message bound to ?__ERROR, and the handler
// runs. Leaving the program (exit) is never caught.
Ref<IIEValue> DoTry(IFunCall* call, TIEContext* context, const char*) {
  const int count = call->GetArgumentCount();
  int fin = -1, handler = -1;
  for (int i = 0; i < count && fin < 0; ++i)
    if (IsAtom(call->GetArgument(i), "finally")) fin = i;
  for (int i = fin < 0 ? 0 : fin + 1; i < count && handler < 0; ++i)
    if (IsAtom(call->GetArgument(i), "catch", "except")) handler = i;
  if (fin < 0 && handler < 0) RaiseIE(SMissingCatchStatement);
  const int body_end = fin >= 0 ? fin : handler;
  Ref<IIEValue> result(FCNil);
  std::string error;
  bool failed = false;
  try {
    Actions(call, context, 0, body_end, false, result);
  } catch (const std::exception& e) {
    failed = true;
    error = e.what();
  }
  if (fin >= 0) {
    try {
      Actions(call, context, fin + 1, handler >= 0 ? handler : count, false, result);
    } catch (const std::exception& e) {
      if (!failed) error = e.what();
      failed = true;
    }
  }
  if (failed) {
    result = Bool(false);
    context->SetVariable("__ERROR", NewString(error).get());
    if (handler >= 0) Actions(call, context, handler + 1, count, false, result);
  }
  return result;
}

Ref<IIEValue> DoThrow(IFunCall* call, TIEContext* context, const char*) {
  throw Exception(Arg(call, 0, context)->GetAsString());
}

// The value is kept as written; the construct that receives it resolves it.
Ref<IIEValue> DoReturn(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> value(call->GetArgument(0) ? call->GetArgument(0) : FCNil);
  context->SetReturnValue(value.get());
  return value;
}

// A variable as written gives its value; anything else names a binding by
// its string form, whose value is returned (nil when there is none).
Ref<IIEValue> DoGetVar(IFunCall* call, TIEContext* context, const char*) {
  IIEValue* named = call->GetArgument(0);
  if (named && (named->GetDType() == dtVariable || named->GetDType() == dtMultiVariable))
    return named->Resolve(context);
  TBinding* binding = context->FindBinding(Arg(call, 0, context)->GetAsString());
  return binding && binding->Value() ? Ref<IIEValue>(binding->Value()) : Ref<IIEValue>(FCNil);
}

Ref<IIEValue> DoBind(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> value = Arg(call, 1, context);
  context->SetVariable(call->GetArgument(0)->GetAsString(), value.get());
  return value;
}

Ref<IIEValue> DoEq(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> first = Arg(call, 0, context);
  for (int i = 1; i < call->GetArgumentCount(); ++i)
    if (!first->Equals(Arg(call, i, context).get())) return Bool(false);
  return Bool(true);
}

Ref<IIEValue> DoEqStar(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> first = Arg(call, 0, context);
  for (int i = 1; i < call->GetArgumentCount(); ++i)
    if (!first->EqualsStar(Arg(call, i, context).get())) return Bool(false);
  return Bool(true);
}

Ref<IIEValue> DoNumEq(IFunCall* call, TIEContext* context, const char*) {
  double first = Arg(call, 0, context)->GetAsNumeric();
  for (int i = 1; i < call->GetArgumentCount(); ++i)
    if (Arg(call, i, context)->GetAsNumeric() != first) return Bool(false);
  return Bool(true);
}

Ref<IIEValue> DoNumNeq(IFunCall* call, TIEContext* context, const char*) {
  double first = Arg(call, 0, context)->GetAsNumeric();
  for (int i = 1; i < call->GetArgumentCount(); ++i)
    if (Arg(call, i, context)->GetAsNumeric() == first) return Bool(false);
  return Bool(true);
}

// The position among the candidates (0 for the first), or FALSE.
Ref<IIEValue> DoMember(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> wanted = Arg(call, 0, context);
  for (int i = 1; i < call->GetArgumentCount(); ++i)
    if (wanted->Equals(Arg(call, i, context).get())) return NewInteger(i - 1);
  return Bool(false);
}

Ref<IIEValue> DoGenSym(IFunCall*, TIEContext* context, const char*) {
  return NewAtom(EngineOf(context)->GenerateSymbol("gen"));
}

Ref<IIEValue> DoStore(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> value = Arg(call, 1, context);
  std::string key = Arg(call, 0, context)->GetAsString();
  EngineOf(context)->EngineVariables().Put(key, value.get());
  return value;
}

// The key is taken as written, not evaluated.
Ref<IIEValue> DoFetch(IFunCall* call, TIEContext* context, const char*) {
  TValueHashTable& storage = EngineOf(context)->EngineVariables();
  std::string key = call->GetArgument(0)->GetAsString();
  return storage.ContainsKey(key) ? Ref<IIEValue>(storage.Get(key)) : Ref<IIEValue>(FCNil);
}

Ref<IIEValue> DoClearStorage(IFunCall*, TIEContext* context, const char*) {
  EngineOf(context)->EngineVariables().Clear();
  return Ref<IIEValue>(FCNil);
}

Ref<IIEValue> DoVersion(IFunCall*, TIEContext* context, const char*) {
  return NewFloat(EngineOf(context)->Version());
}

Ref<IIEValue> DoClear(IFunCall*, TIEContext* context, const char*) {
  EngineOf(context)->Clear();
  return Bool(true);
}

// The rule language speaks of the check, not of the engine setting: TRUE
// means that equal facts are refused (the engine's FactDuplication is off).
Ref<IIEValue> DoGetFactDuplication(IFunCall*, TIEContext* context, const char*) {
  return Bool(!EngineOf(context)->FactDuplication());
}

// Returns the previous setting, in the same sense as get-fact-duplication.
Ref<IIEValue> DoSetFactDuplication(IFunCall* call, TIEContext* context, const char*) {
  TInferenceEngine* engine = EngineOf(context);
  bool previous = !engine->FactDuplication();
  engine->SetFactDuplication(Arg(call, 0, context)->Equals(FCFalse));
  return Bool(previous);
}

Ref<IIEValue> DoRemove(IFunCall* call, TIEContext* context, const char*) {
  std::error_code error;
  return Bool(std::filesystem::remove(Arg(call, 0, context)->GetAsString(), error));
}

// An existing target is not replaced: the result is FALSE.
Ref<IIEValue> DoRename(IFunCall* call, TIEContext* context, const char*) {
  std::string from = Arg(call, 0, context)->GetAsString();
  std::string to = Arg(call, 1, context)->GetAsString();
  std::error_code error;
  if (std::filesystem::exists(to, error) || !std::filesystem::exists(from, error))
    return Bool(false);
  std::filesystem::rename(from, to, error);
  return Bool(!error);
}

Ref<IIEValue> DoNeq(IFunCall* call, TIEContext* context, const char*) {
  Ref<IIEValue> first = Arg(call, 0, context);
  for (int i = 1; i < call->GetArgumentCount(); ++i)
    if (first->Equals(Arg(call, i, context).get())) return Bool(false);
  return Bool(true);
}

}  // namespace

void TStandardPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  Add(this, "and", "Returns TRUE unless an argument is FALSE; stops at the first FALSE",
      " <expression>*", 0, kAny, DoAnd);
  Add(this, "assert", "Asserts facts and returns the fact id of the last one", " <fact>*", 0, kAny,
      DoAssert);
  Add(this, "assert-string", "Parses each string as a fact and asserts it", " <string-expression>*",
      1, kAny, DoAssertString);
  Add(this, "batch", "Runs the commands of a file, one per line", " <filename>", 1, 1, DoBatch);
  Add(this, "bind", "Gives the variable the value and returns it", " <variable> <expression>", 2, 2,
      DoBind);
  Add(this, "clear", "Clears the knowledge base", "", 0, 0, DoClear);
  Add(this, "clear-storage", "Forgets every stored value", "", 0, 0, DoClearStorage);
  Add(this, "close", "Closes the files open under the logical names, or every file",
      " [<logical-name>+]", 0, kAny, DoClose);
  Add(this, "do-backward-chaining",
      "Marks the fact templates as backward-chaining and makes their goal templates",
      " <fact-template-name>*", 0, kAny, DoDoBackwardChaining);
  Add(this, "dribble-on", "Sends console output to the file until dribble-off", " <filename>", 1, 1,
      DoDribbleOn);
  Add(this, "dribble-off", "Ends sending console output to a file", "", 0, 0, DoDribbleOff);
  Add(this, "duplicate", "Asserts a changed copy of a fact and returns its fact id",
      " <fact-index> (<slot-name> <expression>)*", 2, kAny, DoDuplicate);
  Add(this, "eq", "Returns TRUE if the first argument is equal in type and value to all others",
      " <expression> <expression>+", 1, kAny, DoEq);
  Add(this, "eq*", "Returns TRUE if the first argument is equal in value to all others",
      " <expression> <expression>+", 1, kAny, DoEqStar);
  Add(this, "=", "Returns TRUE if the first argument is numerically equal to all others",
      " <numeric-expression> <numeric-expression>+", 1, kAny, DoNumEq);
  Add(this, "exit", "Leaves the program at once", "", 0, 0, DoExit);
  Add(this, "__get-var", "Returns the value of the variable", " <variable-name>", 1, 1, DoGetVar);
  Add(this, "fetch", "Returns the value stored under the name, or nil", " <lexeme-expression>", 1,
      1, DoFetch);
  Add(this, "foreach", "Runs the actions once for each item of the list, bound to the variable",
      " <variable-name> <list-expression> <expression>*", 2, kAny, DoForEach);
  Add(this, "format", "Prints the control string with its directives filled by the arguments",
      " <logical-name> <string-expression> <expression>*", 2, kAny, DoFormat);
  Add(this, "gensym*", "Returns a new symbol", "", 0, 0, DoGenSym);
  Add(this, "get-fact-duplication", "Returns TRUE if equal facts are refused", "", 0, 0,
      DoGetFactDuplication);
  Add(this, "get-slot-value", "Returns the value of a slot of a fact",
      " <fact-id-expression>|<fact-expression> [<slot-name-expression> ]", 1, 2, DoGetSlotValue);
  Add(this, ">", "Returns TRUE if each argument is greater than the one after it",
      " <numeric-expression> <numeric-expression>+", 2, kAny, DoGt);
  Add(this, ">=", "Returns TRUE if each argument is greater than or equal to the one after it",
      " <numeric-expression> <numeric-expression>+", 2, kAny, DoGe);
  Add(this, "halt", "Stops the execution of rules after the current one", "", 0, 0, DoHalt);
  Add(this, "if", "Runs the then actions when the predicate is not FALSE, else the else actions",
      " <predicate-expression> then <expression>+ [else <expression>+]", 2, kAny, DoIf);
  Add(this, "load", "Loads the constructs of a file and runs its commands", " <filename>", 1, 1,
      DoLoad);
  Add(this, "load-facts", "Asserts the facts written in a file", " <filename>", 1, 1, DoLoadFacts);
  Add(this, "<", "Returns TRUE if each argument is less than the one after it",
      " <numeric-expression> <numeric-expression>+", 2, kAny, DoLt);
  Add(this, "<=", "Returns TRUE if each argument is less than or equal to the one after it",
      " <numeric-expression> <numeric-expression>+", 2, kAny, DoLe);
  Add(this, "member", "Returns the position of the first argument among the others, or FALSE",
      " <to-find-expression> <expression>+", 2, kAny, DoMember);
  Add(this, "modify", "Changes slots of a fact and returns its new fact id",
      " <fact-index> (<slot-name> <expression>)+", 1, kAny, DoModify);
  Add(this, "neq", "Returns TRUE if the first argument differs in type or value from all others",
      " <expression> <expression>*", 1, kAny, DoNeq);
  Add(this, "<>", "Returns TRUE if the first argument is numerically different from all others",
      " <numeric-expression> <numeric-expression>*", 1, kAny, DoNumNeq);
  Add(this, "not", "Returns TRUE if the argument is FALSE, else FALSE", " <expression>", 1, 1,
      DoNot);
  Add(this, "open", "Opens a file under a logical name and returns the name",
      " <filename> <logical-name> [a|r|w|r+]", 2, 3, DoOpen);
  Add(this, "or", "Returns TRUE at the first argument that is TRUE, else FALSE", " <expression>*",
      0, kAny, DoOr);
  Add(this, "printout", "Prints its arguments to the logical name", " <logical-name> <expression>*",
      0, kAny, DoPrintOut);
  Add(this, "read", "Reads one value from the logical name", " [<logical-name>]", 0, 1, DoRead);
  Add(this, "readline", "Reads a line from the logical name, or EOF", " [<logical-name>]", 0, 1,
      DoReadLine);
  Add(this, "remove", "Deletes the file; TRUE on success", " [<file-name>]", 1, 1, DoRemove);
  Add(this, "rename", "Renames the file; TRUE on success", " [<old-file-name> <new-file-name>]", 2,
      2, DoRename);
  Add(this, "reset", "Resets the knowledge base", "", 0, 0, DoReset);
  Add(this, "retract", "Retracts facts by fact id, or every fact with *", " *|<fact-index>*", 1,
      kAny, DoRetract);
  Add(this, "retract-string", "Retracts the facts equal to each string read as a fact",
      " <fact-string>", 0, kAny, DoRetractString);
  Add(this, "return", "Leaves the deffunction or actions with the value", " <expression>", 1, 1,
      DoReturn);
  Add(this, "run", "Fires rules, at most the given number", " [<integer-expression>]", 0, 1, DoRun);
  Add(this, "save", "Saves the knowledge base to a file", " <filename>", 1, 1, DoSave);
  Add(this, "save-facts", "Saves the facts, or those of the given templates, to a file",
      " <file-name> [<fact-template-name>+]", 1, kAny, DoSaveFacts);
  Add(this, "set-fact-duplication",
      "Refuses equal facts with TRUE, allows them with FALSE; returns the previous setting",
      " <boolean-expression>", 1, 1, DoSetFactDuplication);
  Add(this, "store", "Stores the value under the name and returns it", " <variable-name> <value>",
      2, 2, DoStore);
  Add(this, "try", "Runs the body and, when it raises, the handler with ?__ERROR set",
      " [<expression>*] [finally [<expression>*>] [catch|except [<expression>*]]", 1, kAny, DoTry);
  Add(this, "throw", "Raises an error with the text", " <lexeme-expression>", 1, 1, DoThrow);
  Add(this, "unwatch", "Stops printing what happens to the given kind of item",
      " all|rules|facts|activations|compilations|statistics", 1, 1, DoUnwatch);
  Add(this, "version", "Returns the engine's version number", "", 0, 0, DoVersion);
  Add(this, "watch", "Prints what happens to the given kind of item",
      " all|rules|facts|activations|compilations|statistics", 1, 1, DoWatch);
  Add(this, "while", "Runs the actions while the condition is not FALSE",
      " <boolean-expression> [do] <expression>*", 2, kAny, DoWhile);
  AddMultifieldFunctions(this);
}

}  // namespace rulecore
