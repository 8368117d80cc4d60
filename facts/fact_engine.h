// rulecore: an embeddable expert-system shell.
// IFactEngine: the engine as templates, facts, fact sets, patterns and
// execution contexts see it. A template, fact set or context whose owner
// offers this interface asks the engine for its type checks, printers,
// parsers, lookups and assertion; without one each falls back to its own
// behaviour. The engine implements it; it is not reference counted, and its
// holders must not outlive it (the engine clears their links when it goes).
#pragma once

#include <string>

#include "core/interfaces.h"

namespace rulecore {

class TComponent;
class TFactSet;
class TIEContext;
class TIEPattern;

class RULECORE_API IFactEngine : public IReasoner {
 public:
  // The engine as a component (for ownership and free notification).
  virtual TComponent* GetComponent() = 0;
  // When values are tested against declared types.
  virtual TTypeChecks GetTypeChecks() const = 0;
  // The identifier the next asserted fact will get.
  virtual int32_t GetNextFactId() const = 0;
  // The engine's own execution context (the global scope).
  virtual TIEContext* GetContext() = 0;
  // A new symbol: `prefix` followed by the next symbol number.
  virtual std::string GenerateSymbol(const std::string& prefix) = 0;

  using IReasoner::PrettyPrint;
  virtual std::string PrettyPrint(IFactTemplate* tmpl) = 0;
  virtual std::string PrettyPrint(IFactSlot* slot) = 0;
  virtual std::string PrettyPrint(TFactSet* fact_set) = 0;
  virtual std::string PrettyPrint(TIEPattern* pattern) = 0;

  // Told before a template of this engine changes its name.
  virtual void ChangeFactTemplateName(const std::string& old_name, const std::string& new_name) = 0;
  // Readers of rule-language text; parse errors pass through as raised.
  virtual Ref<IFactSlot> ParseFactTemplateSlot(const std::string& text) = 0;
  virtual Ref<IIEValue> ParseValue(const std::string& text) = 0;
  virtual Ref<IFact> ParseFact(const std::string& text) = 0;
  // The engine's template or defined type of that name; nil when none.
  virtual IFactTemplate* FindFactTemplate(const std::string& name) = 0;
  virtual IIEDefinedType* FindDefinedType(const std::string& name) = 0;
  // A template of this engine made from `source` (of another owner).
  virtual IFactTemplate* CreateFactTemplate(IFactTemplate* source) = 0;
  // Asserts `fact`; returns the fact in the fact base (nil when refused as a
  // duplicate).
  virtual Ref<IFact> Assert(IFact* fact, bool flag) = 0;
  virtual void AddFactSet(TFactSet* fact_set) = 0;
  virtual void RemoveFactSet(TFactSet* fact_set) = 0;
  // `value` read as a fuzzy expression of `variable` (nil when the slot or
  // type that asks has no fuzzy variable).
  virtual Ref<IIEValue> EvalFuzzyExpression(IFuzzyVariable* variable, IIEValue* value,
                                            TIEContext* context) = 0;

 protected:
  ~IFactEngine() = default;
};

// The engine behind `owner`, when `owner` is one; nil otherwise.
RULECORE_API IFactEngine* AsFactEngine(TComponent* owner);

}  // namespace rulecore
