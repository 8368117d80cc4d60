// rulecore: an embeddable expert-system shell.
// IRuleEngine: the engine as rules and the parser see it - the construct
// collections they register with, rule ids and renames, the initial-fact
// pattern and null fact of the matcher, the default output, and the readers
// and printers of rule-language text. The inference engine implements it;
// like IFactEngine it is not reference counted.
#pragma once

#include <memory>
#include <string>

#include "facts/fact_engine.h"

namespace rulecore {

class TActivation;
class TRule;
class TIEPattern;

class RULECORE_API IRuleEngine : public IFactEngine {
 public:
  using IFactEngine::CreateFactTemplate;
  using IFactEngine::PrettyPrint;

  // The template of that name, created as an ordered template when missing.
  virtual IFactTemplate* CreateFactTemplate(const std::string& name) = 0;
  // ---- construct collections; each applies the duplicate-name rule
  virtual void AddFactTemplate(IFactTemplate* tmpl) = 0;
  virtual void AddDefinedType(IIEDefinedType* type) = 0;
  // Takes ownership of the rule.
  virtual void AddRule(std::unique_ptr<TRule> rule) = 0;
  // Gives up the rule (the caller owns it afterwards); nil when unknown.
  virtual std::unique_ptr<TRule> ExtractRule(TRule* rule) = 0;
  virtual TRule* FindRule(const std::string& name) = 0;
  virtual void SetGlobalVariable(const std::string& name, IIEValue* value) = 0;
  // ---- rules
  virtual int32_t NewRuleId() = 0;
  // Told after a rule changed (patterns, actions, flags, salience).
  virtual void RuleChange(TRule* rule) = 0;
  // Told after a rule took a new name.
  virtual void RenameRule(TRule* rule, const std::string& old_name) = 0;
  // The pattern on the initial fact that rules starting with a negated or
  // test element get in front, and the fact those elements match.
  virtual TIEPattern* InitialFactPattern() = 0;
  virtual IFact* NullFact() = 0;
  // ---- text
  virtual std::unique_ptr<TRule> ParseRule(const std::string& text) = 0;
  virtual std::string PrettyPrint(TRule* rule) = 0;
  // Prints `text` to the logical output `channel` ("t" or "" for the host).
  virtual void PrintOut(const std::string& channel, const std::string& text) = 0;
  virtual ISingletonsParser* SingletonsParser() = 0;
  // ---- the matcher's calls
  // An activation entered (left) the rule's terminal node; the engine puts it
  // on (takes it off) the agenda.
  virtual void AddActivation(TActivation* activation) = 0;
  virtual void RemoveActivation(TActivation* activation) = 0;
  // The activation's rule fired; it leaves the agenda.
  virtual void RuleFired(TActivation* activation) = 0;
  // The asserted facts, in order of their ids.
  virtual int FactCount() = 0;
  virtual IFact* FactAt(int index) = 0;
  // Queues a fact for assertion (or retraction) once the current
  // propagation has ended.
  virtual void AddPendingFact(IFact* fact, bool assertion) = 0;

 protected:
  ~IRuleEngine() = default;
};

// The rule engine behind `owner`, when `owner` is one; nil otherwise.
RULECORE_API IRuleEngine* AsRuleEngine(TComponent* owner);

}  // namespace rulecore
