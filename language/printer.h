// rulecore: an embeddable expert-system shell.
// The rule-language printer: rules, rule parts, user-function help texts,
// deffunctions, globals and point lists (templates, slots, facts, fact sets,
// patterns, calls and defined types have their forms beside their classes).
// Printing round-trips: the parser reads every form back to an equivalent
// object.
#pragma once

#include <functional>
#include <string>

#include "core/interfaces.h"
#include "core/value_vector.h"

namespace rulecore {

class TRule;

// The "(defrule ...)" form. `generate` names fresh variables for slots whose
// constraint text is empty; nil uses the rule's engine (or a counter).
RULECORE_API std::string RuleToRuleText(TRule& rule,
                                        const std::function<std::string(bool multi)>& generate);
// Only the patterns (rcPattern) or only the actions (rcAction), as in the rule form.
RULECORE_API std::string RulePartToRuleText(TRule& rule, TRuleConstruct part,
                                            const std::function<std::string(bool)>& generate);
// A help text: the comment as ";; " lines, then ";; (name arguments) function".
RULECORE_API std::string UserFunctionHelp(IUserFunction& function, const std::string& prefix);
// "(deffunction name "comment" (?a $?b) actions...)".
RULECORE_API std::string InterpretedFunctionToRuleText(IInterpretedFunction& function);
// "(defglobal ?*name* = value)".
RULECORE_API std::string GlobalToRuleText(const std::string& name, IIEValue* value);
// "(defglobal ?*a* = 1 ?*b* = 2)" for a table of globals.
RULECORE_API std::string GlobalsToRuleText(const TValueHashTable& globals);
// "((x y) (x y) ...)".
RULECORE_API std::string SingletonsToRuleText(ISingletonsVector& points);

}  // namespace rulecore
