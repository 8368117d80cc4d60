// rulecore: an embeddable expert-system shell.
#include "facts/fact_printer.h"

#include <cctype>

#include "core/defined_type.h"
#include "core/helper_functions.h"
#include "core/ie_value.h"
#include "facts/fact_set.h"

namespace rulecore {

namespace {

std::string Upper(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsBlank(const std::string& s) {
  return s.find_first_not_of(" \t\r\n") == std::string::npos;
}

// The printed form of a defined type as a slot shows it.
std::string TypeText(IIEDefinedType* type) {
  if (auto* t = dynamic_cast<TIEDefinedType*>(type)) {
    if (t->GetImplicit()) return DefinedTypeFacets(*t);
  }
  return type->GetToString();
}

}  // namespace

std::string IndentLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '\n') out += IndentString;
  }
  return out;
}

std::string SlotDefaultClause(const IFactSlot& slot) {
  IIEValue* d = slot.GetSlotDefault();
  if (!d || d->Equals(FCNil) || d->Equals(FCNilList)) return {};
  std::string text = d->GetToString();
  if (IsBlank(text)) return {};
  return std::string(slot.GetDefaultDynamic() ? "(default-dynamic " : "(default ") + text + ") ";
}

std::string SlotToRuleText(const IFactSlot& slot) {
  TIETypes kinds = slot.GetSlotType();
  bool multi = kinds.Contains(dtMultiSlot);
  std::string out = multi ? "(multislot " : "(slot ";
  out += slot.GetName();
  out += ' ';
  std::string clause = SlotDefaultClause(slot);
  IIEDefinedType* type = slot.GetExtendedTypeInfo();
  if (type && type->GetImplicit()) {
    out += TypeText(type);
    if (!clause.empty()) out += std::string(IndentString) + IndentString + clause;
  } else if (type) {
    out += "(type " + type->GetName() + ")";
    if (!clause.empty()) out += std::string(IndentString) + IndentString + clause;
  } else if (!(kinds == IESlotTypes) && !(kinds == (IESlotTypes | IEMultiSlotTypes))) {
    TIETypes shown = kinds - IEAlwaysValidTypes;
    if (multi) shown = shown - IEMultiSlotTypes;
    out += "(type " + Upper(SetToString(shown, " ", false)) + (multi ? ") " : ")");
    if (!clause.empty()) out += std::string(NewLineString) + IndentString + IndentString + clause;
  } else {
    out += clause;
  }
  out += ')';
  return out;
}

std::string TemplateToRuleText(const IFactTemplate& tmpl) {
  std::string out = "(deftemplate " + tmpl.GetTemplateName();
  if (!tmpl.GetComment().empty()) out += " " + NewString(tmpl.GetComment())->GetToString();
  if (IFactTemplate* parent = tmpl.GetParent())
    out += std::string(NewLineString) + IndentString + "extends " + parent->GetTemplateName();
  if (tmpl.IsOrdered()) {
    IFactSlot* data = nullptr;
    tmpl.ContainsSlot(SDefaultSlotName, &data);
    IIEDefinedType* type = data ? data->GetExtendedTypeInfo() : nullptr;
    if (type && type->GetImplicit())
      out += " " + TypeText(type);
    else if (type)
      out += " is-a " + type->GetName();
  } else {
    out += NewLineString;
    for (IFactSlot* slot : tmpl.GetSlots()) {
      out += IndentString;
      out += IndentLines(slot->GetToString());
      out += NewLineString;
    }
  }
  out += ')';
  return out;
}

namespace {

// A slot value as rule text: a list element by element, each followed by a
// blank, with nil written out, so that the text reads back to the same
// value (nil prints as nothing, and a list would lose the element).
std::string SlotValueText(IIEValue* value) {
  if (!value || value->GetDType() != dtList) return ValueToRuleText(value);
  IValueVector* list = value->GetAsList();
  std::string out;
  for (int i = 0; list && i < list->GetValueCount(); ++i)
    out += ValueToRuleText(list->Get(i)) + " ";
  return out;
}

}  // namespace

std::string FactToRuleText(IFact& fact) {
  IFactTemplate* tmpl = fact.GetTemplate();
  std::string out = "(";
  if (!tmpl) {
    for (IIEValue* v : fact.GetSlotValues()) {
      if (v) out += v->GetToString();
      out += ' ';
    }
    return out + ")";
  }
  out += tmpl->GetTemplateName();
  if (tmpl->IsOrdered()) {
    std::string data = SlotValueText(fact.GetValue(SDefaultSlotName));
    if (!data.empty()) out += " " + data;
  } else {
    for (const std::string& name : tmpl->GetSlotNames()) {
      IIEValue* value = fact.GetValue(name);
      if (value->GetToString().empty()) {
        // Nil or an empty list: left out, it reads back as the slot's
        // default; written out when the default is something else. Other
        // values without text (no value at all) cannot be written.
        bool nil = value->GetDType() == dtList || value->GetDType() == dtAtom;
        IFactSlot* slot = nullptr;
        tmpl->ContainsSlot(name, &slot);
        IIEValue* d = slot ? slot->GetSlotDefault() : nullptr;
        if (!nil || !d || d->GetToString().empty()) continue;
        out += " (" + name + (value->GetDType() == dtList ? "" : " nil") + ")";
        continue;
      }
      out += " (" + name + " " + SlotValueText(value) + ")";
    }
  }
  return out + ")";
}

std::string FactSetToRuleText(TFactSet& fact_set) {
  std::string out = "(deffacts " + fact_set.FactSetName();
  if (!fact_set.Comment().empty()) out += " " + NewString(fact_set.Comment())->GetToString();
  out += NewLineString;
  for (int i = 0; i < fact_set.Count(); ++i) {
    out += IndentString;
    IFact* fact = fact_set.GetFact(i);
    out += IndentLines(fact ? FactToRuleText(*fact) : fact_set.FactText(i));
    out += NewLineString;
  }
  return out + ")";
}

}  // namespace rulecore
