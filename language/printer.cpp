// rulecore: an embeddable expert-system shell.
#include "language/printer.h"

#include <atomic>

#include "core/ie_value.h"
#include "facts/fact_printer.h"
#include "facts/pattern.h"
#include "functions/function_call.h"
#include "rete/rule.h"
#include "rete/rule_engine.h"

namespace rulecore {

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

// `text` as a string literal, with its quotes and backslashes escaped, so
// that it reads back as the same text.
std::string Quoted(const std::string& text) {
  return NewString(text)->GetToString();
}

std::function<std::string(bool)> Generator(TRule& rule,
                                           const std::function<std::string(bool)>& generate) {
  if (generate) return generate;
  IRuleEngine* engine = rule.Engine();
  if (engine)
    return
        [engine](bool multi) { return engine->GenerateSymbol(multi ? SMultiSlotVar : SSlotVar); };
  return [](bool multi) {
    static std::atomic<int> counter{0};
    return std::string(multi ? SMultiSlotVar : SSlotVar) + std::to_string(++counter);
  };
}

std::string Patterns(TRule& rule, const std::function<std::string(bool)>& generate) {
  std::string out;
  bool first = true;
  for (int i = 0; i < rule.PatternCount(); ++i) {
    // The pattern generated after a goal pattern is not written: reading the
    // goal pattern back generates it again.
    if (i > 0 && StartsWith(rule.Pattern(i - 1)->Name(), SBackChainPrefix)) continue;
    if (!first) out += NewLineString;
    first = false;
    out += IndentString;
    out += IndentLines(PatternToRuleText(*rule.Pattern(i), generate));
  }
  return out;
}

std::string Actions(TRule& rule) {
  std::string out;
  for (int i = 0; i < rule.ActionCount(); ++i) {
    if (i > 0) out += NewLineString;
    out += IndentString;
    out += IndentLines(rule.Action(i)->GetToString());
  }
  return out;
}

}  // namespace

std::string RuleToRuleText(TRule& rule, const std::function<std::string(bool)>& generate) {
  std::string out = "(defrule " + rule.RuleName();
  if (!rule.Comment().empty())
    out += std::string(NewLineString) + IndentString + Quoted(rule.Comment());
  out += NewLineString;
  if (rule.Salience() != 0 || rule.OneShot() || !rule.Enabled()) {
    out += IndentString;
    out += "(declare";
    if (rule.Salience() != 0) out += " (salience " + std::to_string(rule.Salience()) + ")";
    if (!rule.Enabled()) out += " (enabled FALSE)";
    if (rule.OneShot()) out += " (oneshot TRUE)";
    out += ")";
    out += NewLineString;
  }
  out += Patterns(rule, Generator(rule, generate));
  out += std::string(NewLineString) + IndentString + "=>" + NewLineString;
  out += Actions(rule);
  out += ")";
  return out;
}

std::string RulePartToRuleText(TRule& rule, TRuleConstruct part,
                               const std::function<std::string(bool)>& generate) {
  return part == rcPattern ? Patterns(rule, Generator(rule, generate)) : Actions(rule);
}

std::string UserFunctionHelp(IUserFunction& function, const std::string& prefix) {
  std::string out;
  std::string comment = function.GetComment();
  size_t i = 0;
  while (i < comment.size()) {
    size_t j = comment.find_first_of("\r\n", i);
    if (j == std::string::npos) j = comment.size();
    if (j > i) out += prefix + ";; " + comment.substr(i, j - i) + NewLineString;
    i = j + 1;
  }
  out += prefix + ";; (" + function.GetFunctionName() + function.GetArgumentString() + ")" +
         " function";
  return out;
}

std::string InterpretedFunctionToRuleText(IInterpretedFunction& function) {
  std::string out = "(deffunction " + function.GetFunctionName();
  if (!function.GetComment().empty()) out += " " + Quoted(function.GetComment());
  out += " (";
  for (int i = 0; i < function.GetArgumentCount(); ++i) {
    if (i > 0) out += " ";
    out += function.GetArgument(i)->GetToString();
  }
  out += ")";
  for (int i = 0; i < function.GetStatementCount(); ++i) {
    out += NewLineString;
    out += IndentString;
    IIEValue* statement = function.GetStatement(i);
    out += IndentLines(statement ? statement->GetToString() : std::string());
  }
  return out + ")";
}

std::string GlobalToRuleText(const std::string& name, IIEValue* value) {
  return "(defglobal ?" + name + " = " + ValueToRuleText(value) + ")";
}

std::string GlobalsToRuleText(const TValueHashTable& globals) {
  std::string out = "(defglobal";
  for (int i = 0; i < globals.Count(); ++i) {
    IIEValue* value = globals.ValueAt(i);
    out += " ?" + globals.KeyAt(i) + " = " + ValueToRuleText(value);
  }
  return out + ")";
}

std::string SingletonsToRuleText(ISingletonsVector& points) {
  std::string out = "(";
  for (int i = 0; i < points.GetCount(); ++i) {
    IIEValue* x = points.GetXValues(i);
    IIEValue* y = points.GetYValues(i);
    out += "(" + (x ? x->GetToString() : std::string()) + " " +
           (y ? y->GetToString() : std::string()) + ")";
  }
  return out + ")";
}

}  // namespace rulecore
