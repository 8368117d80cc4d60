// rulecore: an embeddable expert-system shell.
// The rule-language forms of slots, templates, facts and fact sets, used when
// an object has no engine to print it (an engine may decorate its own forms).
// Printing round-trips: the parser reads these forms back to equal objects.
#pragma once

#include <string>

#include "core/interfaces.h"

namespace rulecore {

class TFactSet;

// "(default <value>) " or "(default-dynamic <value>) "; empty when the slot
// has no default worth writing (none, the empty atom or list, blank text).
RULECORE_API std::string SlotDefaultClause(const IFactSlot& slot);
// "(slot name ...)" or "(multislot name ...)".
RULECORE_API std::string SlotToRuleText(const IFactSlot& slot);
// "(deftemplate name ...)".
RULECORE_API std::string TemplateToRuleText(const IFactTemplate& tmpl);
// "(name (slot value) ...)", or "(name values...)" for an ordered template.
RULECORE_API std::string FactToRuleText(IFact& fact);
// "(deffacts name ...)".
RULECORE_API std::string FactSetToRuleText(TFactSet& fact_set);
// `text` with IndentString after every line break in it.
RULECORE_API std::string IndentLines(const std::string& text);

}  // namespace rulecore
