// rulecore: an embeddable expert-system shell.
// TestEngine: a small engine for the unit tests of templates, facts, fact
// sets, patterns, contexts and functions. It does what the engine does for
// those calls - keeps templates, defined types and functions by name, numbers
// and stores asserted facts with the duplicate check, generates symbols,
// prints through the rule-language forms - and it reads no rule-language
// text: its parse calls raise, so tests that need a parser belong with the
// engine's own tests. A few test functions (eq, neq, not, and, or, +, return,
// bind-global) are available through AddTestFunctions. With SetReadsText(true)
// it reads rule-language text through the real parser, and it keeps the
// rules, globals and output a parser produces.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "facts/context.h"
#include "facts/pattern.h"
#include "platform/component.h"
#include "platform/string_hash_table.h"
#include "rete/network.h"
#include "rete/rule_engine.h"

namespace rulecore {

class TestEngine : public TComponent, public IRuleEngine {
 public:
  explicit TestEngine(TComponent* owner = nullptr);
  ~TestEngine() override;

  // ---- settings the tests change
  void SetTypeChecks(TTypeChecks checks) { type_checks_ = checks; }
  void SetNextFactId(int32_t id) { next_fact_id_ = id; }
  void SetFactDuplication(bool on) { fact_duplication_ = on; }
  // Lets the parse calls read text through the parser (off: they raise).
  void SetReadsText(bool on) { reads_text_ = on; }

  // ---- what the tests inspect
  const std::vector<Ref<IFact>>& Facts() const { return facts_; }
  const std::vector<std::string>& RenameLog() const { return rename_log_; }
  const std::vector<TFactSet*>& FactSets() const { return fact_sets_; }
  int UserFunctionCount() const { return functions_.Count(); }
  const std::string& Output() const { return output_; }
  int RuleCount() const { return static_cast<int>(rules_.size()); }
  TRule* RuleAt(int i) const { return rules_[static_cast<size_t>(i)].get(); }
  int RuleChanges() const { return rule_changes_; }
  const TValueHashTable& Globals() const { return globals_; }
  // Parses `text` as the top-level loop does (executing calls when asked).
  void Parse(const std::string& text, bool execute = true);

  // ---- matching: rules added are compiled into this network, asserted
  // facts propagate through it, and activations wait in arrival order.
  TReteNetwork& Network() { return *network_; }
  const std::vector<Ref<TActivation>>& Agenda() const { return agenda_; }
  // Retracts a listed fact; false when it is not listed.
  bool Retract(IFact* fact);
  // Fires the first waiting activation; false when none waits.
  bool FireOne();
  // Parses a fact and asserts it; the asserted fact, or nil for a duplicate.
  Ref<IFact> AssertText(const std::string& text);

  // Registers a template under its name.
  void AddTemplate(IFactTemplate* tmpl);
  // Registers eq, neq, not, and, or, +, return and bind-global.
  void AddTestFunctions();

  // ---- IFactEngine
  TComponent* GetComponent() override { return this; }
  TTypeChecks GetTypeChecks() const override { return type_checks_; }
  int32_t GetNextFactId() const override { return next_fact_id_; }
  TIEContext* GetContext() override { return &context_; }
  std::string GenerateSymbol(const std::string& prefix) override;
  std::string PrettyPrint(IFunCall* call) override;
  std::string PrettyPrint(IFact* fact) override;
  std::string PrettyPrint(IUserFunction* function) override;
  std::string PrettyPrint(IInterpretedFunction* function) override;
  std::string PrettyPrint(IIEDefinedType* type) override;
  std::string PrettyPrint(IFactTemplate* tmpl) override;
  std::string PrettyPrint(IFactSlot* slot) override;
  std::string PrettyPrint(TFactSet* fact_set) override;
  std::string PrettyPrint(TIEPattern* pattern) override;
  void ChangeFactTemplateName(const std::string& old_name, const std::string& new_name) override;
  Ref<IFactSlot> ParseFactTemplateSlot(const std::string& text) override;
  Ref<IIEValue> ParseValue(const std::string& text) override;
  Ref<IFact> ParseFact(const std::string& text) override;
  IFactTemplate* FindFactTemplate(const std::string& name) override;
  IIEDefinedType* FindDefinedType(const std::string& name) override;
  IFactTemplate* CreateFactTemplate(IFactTemplate* source) override;
  Ref<IFact> Assert(IFact* fact, bool flag) override;
  void AddFactSet(TFactSet* fact_set) override;
  void RemoveFactSet(TFactSet* fact_set) override;
  Ref<IIEValue> EvalFuzzyExpression(IFuzzyVariable* variable, IIEValue* value,
                                    TIEContext* context) override;

  // ---- IReasoner
  void AddUserFunction(IUserFunction* function) override;
  void RemoveUserFunction(IUserFunction* function) override;
  bool ContainsUserFunction(std::string_view name) override;
  bool ContainsUserFunction(std::string_view name, IUserFunction** function) override;
  IUserFunction* GetUserFunction(std::string_view name) override;
  std::vector<IUserFunction*> GetUserFunctions() override;
  void SetUserFunction(std::string_view name, IUserFunction* function) override;

  // ---- IRuleEngine
  IFactTemplate* CreateFactTemplate(const std::string& name) override;
  void AddFactTemplate(IFactTemplate* tmpl) override;
  void AddDefinedType(IIEDefinedType* type) override { AddDefinedTypeEntry(type); }
  void AddRule(std::unique_ptr<TRule> rule) override;
  std::unique_ptr<TRule> ExtractRule(TRule* rule) override;
  TRule* FindRule(const std::string& name) override;
  void SetGlobalVariable(const std::string& name, IIEValue* value) override;
  int32_t NewRuleId() override { return next_rule_id_++; }
  void RuleChange(TRule*) override { ++rule_changes_; }
  void RenameRule(TRule* rule, const std::string& old_name) override;
  TIEPattern* InitialFactPattern() override;
  IFact* NullFact() override;
  std::unique_ptr<TRule> ParseRule(const std::string& text) override;
  std::string PrettyPrint(TRule* rule) override;
  void PrintOut(const std::string& channel, const std::string& text) override;
  ISingletonsParser* SingletonsParser() override { return nullptr; }
  void AddActivation(TActivation* activation) override;
  void RemoveActivation(TActivation* activation) override;
  void RuleFired(TActivation* activation) override;
  int FactCount() override { return static_cast<int>(facts_.size()); }
  IFact* FactAt(int index) override { return facts_[static_cast<size_t>(index)].get(); }
  void AddPendingFact(IFact* fact, bool assertion) override;

 private:
  TTypeChecks type_checks_{tcStatic};
  int32_t next_fact_id_ = 0;
  int32_t symbol_index_ = 1;
  bool fact_duplication_ = false;
  TIEContext context_;
  std::vector<Ref<IFact>> facts_;
  std::vector<std::string> rename_log_;
  std::vector<TFactSet*> fact_sets_;
  TStringHashTable<Ref<IFactTemplate>> templates_;
  TStringHashTable<Ref<IIEDefinedType>> types_;
  TStringHashTable<Ref<IUserFunction>> functions_;
  std::vector<Ref<IUserFunction>> test_functions_;
  void AddDefinedTypeEntry(IIEDefinedType* type);
  template <class Result, class Read>
  Result ReadText(const std::string& text, Read read);
  bool reads_text_ = false;
  int32_t next_rule_id_ = 0;
  int rule_changes_ = 0;
  std::string output_;
  std::vector<std::unique_ptr<TRule>> rules_;
  TValueHashTable globals_;
  std::unique_ptr<TIEPattern> initial_pattern_;
  Ref<IFact> null_fact_;
  std::vector<Ref<TActivation>> agenda_;
  std::vector<std::pair<Ref<IFact>, bool>> pending_;
  std::unique_ptr<TReteNetwork> network_;
  void ProcessPendingFacts();
};

}  // namespace rulecore
