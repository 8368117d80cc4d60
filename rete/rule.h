// rulecore: an embeddable expert-system shell.
// TRule: one production rule - a name, a comment, a salience, the patterns of
// its left-hand side and the calls of its right-hand side. Adding a pattern
// works out the variable bindings the actions will see (which pattern, which
// slot, which position); firing fills a fresh context from the matched facts
// and runs the actions there. A rule belongs to its engine's rule collection.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/interfaces.h"
#include "facts/context.h"
#include "facts/pattern.h"
#include "platform/component.h"

namespace rulecore {

class IRuleEngine;
class TRule;

using TRuleFireEvent = std::function<void(TRule* sender, TIEContext* context)>;

class RULECORE_API TRule : public TComponent, public IPatternOwner {
  RC_DECLARE_CLASS(TRule)

 public:
  // A rule of `engine` (may be nil), named "Rule_<id>".
  explicit TRule(IRuleEngine* engine = nullptr);
  ~TRule() override;

  int32_t RuleId() const { return rule_id_; }
  const std::string& RuleName() const { return name_; }
  // SInvalidName for a name with a forbidden character (the name is kept);
  // the engine is told of the new name.
  void SetRuleName(const std::string& name);
  const std::string& Comment() const { return comment_; }
  void SetComment(const std::string& comment);
  bool OneShot() const { return one_shot_; }
  void SetOneShot(bool on);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  // Changes Enabled without recompiling the rule: while it is off the rule
  // makes no new activations, and the activations it has stay as they are.
  // The guard function uses it to keep a firing rule from re-activating.
  void SetEnabledFlag(bool on) { enabled_ = on; }
  bool Fired() const { return fired_; }
  IRuleEngine* Engine() const { return engine_; }
  // Moves the rule from the old engine's collection to the new one's.
  void SetEngine(IRuleEngine* engine);
  void SetOnFire(TRuleFireEvent handler) { on_fire_ = std::move(handler); }
  void SetOnChange(std::function<void(TRule*)> handler) { on_change_ = std::move(handler); }

  // ---- salience
  int32_t Salience() const { return salience_; }
  // Stores the integer as the salience expression.
  void SetSalience(int32_t salience);
  // Stores the expression (a constant, a global variable or a call) and
  // evaluates it.
  void SetSalience(IIEValue* value);
  IIEValue* SalienceValue() const { return salience_value_.get(); }
  // Resolves the salience expression in a fresh context of the engine.
  virtual void EvaluateSalience();

  // ---- left-hand side
  int PatternCount() const { return static_cast<int>(patterns_.size()); }
  TIEPattern* Pattern(int i) const { return patterns_[static_cast<size_t>(i)].get(); }
  // Appends a pattern and works out its bindings (see the file comment).
  // Raises SUnknownEngine without engine and SNegatedVariable when a
  // variable's first use is negated.
  virtual void AddPattern(std::unique_ptr<TIEPattern> pattern);
  // The index of the first pattern on `tmpl`, -1 when none.
  int IndexOfTemplate(IFactTemplate* tmpl) const;
  int IndexOfPattern(const TIEPattern* pattern) const;

  // ---- right-hand side
  int ActionCount() const { return static_cast<int>(actions_.size()); }
  IFunCall* Action(int i) const { return actions_[static_cast<size_t>(i)].get(); }
  void AddAction(IFunCall* action);
  void InsertAction(int i, IFunCall* action);
  void RemoveAction(int i);

  // ---- bindings
  int GetBindingCount() const { return static_cast<int>(bindings_.size()); }
  TBinding* GetBinding(int i) const { return bindings_[static_cast<size_t>(i)].get(); }
  int IndexOfBinding(std::string_view name) const;
  TBinding* GetBindingByName(std::string_view name) const;
  // Adds a binding unless an equal one (name, pattern, slot, position) exists.
  virtual TBinding* AddBinding(const std::string& name, int32_t pattern_index,
                               const std::string& slot_name, int32_t sub_index);

  // ---- firing
  // Binds every variable of the partial match in `context`, and "__RULE".
  virtual void Prepare(IReteToken* token, TIEContext* context);
  // Runs the actions for the partial match. SUnknownEngine without engine.
  virtual void Fire(IReteToken* token);
  // Clears the fired flag.
  virtual void Reset() { fired_ = false; }

  void BeginUpdate() { ++update_count_; }
  void EndUpdate();
  // Tells the engine and OnChange, unless an update is open.
  virtual void Change();

  // The engine's pretty-print, or the rule-language form without engine.
  std::string GetToString();
  // Copies name, flags, comment, patterns, actions and salience from a rule
  // of the same engine; a rule of another engine is printed and read back
  // by this rule's engine.
  void Assign(const TPersistent& source) override;

  // ---- IPatternOwner
  void PatternChanged(TIEPattern* pattern) override;
  void BindPatternVariable(TIEPattern* pattern, const std::string& name,
                           const std::string& slot_name, int32_t sub_index) override;
  IFactEngine* PatternEngine() override;

 private:
  void InsertInitialFactPattern();
  void RenameInCall(IFunCall* call);
  void CopyFrom(const TRule& source);

  int32_t rule_id_ = 0;
  int32_t salience_ = 0;
  std::string comment_;
  std::string name_;
  Ref<IIEValue> salience_value_;
  std::vector<Ref<IFunCall>> actions_;
  std::vector<std::unique_ptr<TIEPattern>> patterns_;
  std::vector<std::unique_ptr<TBinding>> bindings_;
  IRuleEngine* engine_ = nullptr;
  TRuleFireEvent on_fire_;
  int update_count_ = 0;
  std::function<void(TRule*)> on_change_;
  bool one_shot_ = false;
  bool fired_ = false;
  bool enabled_ = true;
  std::map<std::string, std::string> renamed_;  // anonymous variables of negated patterns
};

}  // namespace rulecore
