// rulecore: an embeddable expert-system shell.
// TIEPattern: one conditional element of a rule's left-hand side - the
// template it matches, how many negations enclose it, the variable its fact
// is bound to, and per slot an ordered list of tests. Every change reaches
// the owning rule (IPatternOwner) and OnChange unless an update is open.
// FixTests rewrites the "|" and "&" connectives of a slot into calls of "or"
// and "and" over a variable that binds the slot.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/interfaces.h"
#include "facts/slot_test.h"

namespace rulecore {

class IFactEngine;
class TIEPattern;

// The rule a pattern belongs to, as the pattern sees it.
class RULECORE_API IPatternOwner {
 public:
  // Told after every change of one of its patterns.
  virtual void PatternChanged(TIEPattern* pattern) = 0;
  // Told to bind `name` to the slot and position of `pattern`.
  virtual void BindPatternVariable(TIEPattern* pattern, const std::string& name,
                                   const std::string& slot_name, int32_t sub_index) = 0;
  // The engine that generates symbols and binds calls; nil when none.
  virtual IFactEngine* PatternEngine() = 0;

 protected:
  ~IPatternOwner() = default;
};

class TIEPattern;

// The tests of one slot. Owns its tests: deleting frees, extracting hands
// the test to the caller, detached from the pattern; both tell the pattern.
class RULECORE_API TSlotTests {
 public:
  explicit TSlotTests(TIEPattern* pattern) : pattern_(pattern) {}
  ~TSlotTests();

  int Count() const { return static_cast<int>(tests_.size()); }
  TIEPatternMatchTest* Get(int i) const { return tests_[static_cast<size_t>(i)].get(); }
  void Add(std::unique_ptr<TIEPatternMatchTest> test);
  void Put(int i, std::unique_ptr<TIEPatternMatchTest> test);
  void Delete(int i);
  std::unique_ptr<TIEPatternMatchTest> Extract(int i);
  void Clear();

 private:
  TIEPattern* pattern_;
  std::vector<std::unique_ptr<TIEPatternMatchTest>> tests_;
};

class RULECORE_API TIEPattern : public TPersistent {
  RC_DECLARE_CLASS(TIEPattern)

 public:
  // One (empty) slot entry per slot name of `tmpl`.
  TIEPattern(IPatternOwner* owner, const std::string& name, IFactTemplate* tmpl,
             int32_t negated_count);
  ~TIEPattern() override;

  bool Unique() const { return unique_; }
  void SetUnique(bool on);
  bool Explicit() const { return explicit_; }
  void SetExplicit(bool on);
  IFactTemplate* Template() const { return template_.get(); }
  int32_t NegatedCount() const { return negated_count_; }
  void SetNegatedCount(int32_t count);
  // Odd counts negate: a doubly negated pattern is positive.
  bool IsNegated() const { return negated_count_ % 2 != 0; }
  const std::string& BoundName() const { return bound_name_; }
  // SInvalidPatternBinding for a negated pattern named "test".
  void SetBoundName(const std::string& name);
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  IPatternOwner* Owner() const { return owner_; }
  void SetOwner(IPatternOwner* owner);
  const std::string& Comment() const { return comment_; }
  void SetComment(const std::string& comment) { comment_ = comment; }
  void SetOnChange(std::function<void(TIEPattern*)> handler) { on_change_ = std::move(handler); }
  int TestCount() const { return test_count_; }
  int DisjunctionCount() const { return disjunction_count_; }

  // ---- slots, sorted by name
  int GetSlotCount() const { return static_cast<int>(slots_.size()); }
  const std::string& GetSlotName(int i) const { return slots_[static_cast<size_t>(i)].name; }
  int IndexOfSlotName(std::string_view name) const;
  TSlotTests* GetSlotTests(int i) const { return slots_[static_cast<size_t>(i)].tests.get(); }
  int GetSlotTestCount(int i) const;
  TIEPatternMatchTest* GetSlotTest(int i, int j) const;
  void SetSlotTest(int i, int j, std::unique_ptr<TIEPatternMatchTest> test);
  // -1 when the pattern does not fix the number of fields of the multislot.
  int32_t GetSlotLength(int i) const { return slots_[static_cast<size_t>(i)].length; }
  void SetSlotLength(int i, int32_t length);

  // Appends `test` to the tests of `slot_name`. SNoTemplate without template,
  // SInvalidSlotName for a slot the template does not have.
  TIEPatternMatchTest* AddTest(const std::string& slot_name,
                               std::unique_ptr<TIEPatternMatchTest> test);
  TIEPatternMatchTest* AddTest(const std::string& slot_name, IIEValue* value, int32_t sub_index,
                               bool negated, bool conjunction);

  // Rewrites the "|" connectives of every slot (see the file comment).
  // Raises "Rule missing for pattern" when a generated variable is needed
  // and there is no owning rule; the tests are then left as they were.
  void FixTests();

  void BeginUpdate();
  void EndUpdate();
  // Tells the owner and OnChange, unless an update is open.
  virtual void Change();
  // Hooks the slot test lists and tests call.
  virtual void TestNotification(TIEPatternMatchTest* test, bool added);
  virtual void TestChange(TIEPatternMatchTest* test);
  virtual void TestConjunctionChange(TIEPatternMatchTest* test);

  // The engine's pattern printer when the template belongs to one, else the
  // rule-language form.
  std::string GetToString() const;
  void Assign(const TPersistent& source) override;
  std::unique_ptr<TIEPattern> Clone() const;

 private:
  struct SlotEntry {
    std::string name;
    std::unique_ptr<TSlotTests> tests;  // nil until the slot has a test
    int32_t length = -1;
  };
  SlotEntry& EnsureSlot(const std::string& name);
  IFactEngine* Engine() const;

  bool unique_ = false;
  bool explicit_ = false;
  Ref<IFactTemplate> template_;
  int32_t negated_count_ = 0;
  std::string bound_name_;
  std::string name_;
  std::vector<SlotEntry> slots_;  // sorted by name, case-insensitively
  int update_count_ = 0;
  IPatternOwner* owner_;  // not owned
  std::function<void(TIEPattern*)> on_change_;
  int test_count_ = 0;
  int disjunction_count_ = 0;
  std::string comment_;
};

// The rule-language form of a pattern (conditional element); `generate`
// names a fresh variable for a slot whose constraint text is empty.
RULECORE_API std::string PatternToRuleText(const TIEPattern& pattern,
                                           const std::function<std::string(bool multi)>& generate);

}  // namespace rulecore
