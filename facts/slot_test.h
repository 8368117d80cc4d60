// rulecore: an embeddable expert-system shell.
// Slot tests. A pattern-match test constrains one slot (or one position of a
// multislot) of the fact being matched with a constant, a variable, a
// predicate call or a binding reference; a join test compares a slot of the
// fact being matched with a slot of an earlier fact of the partial match.
// Tests are owned by their pattern's slot lists.
#pragma once

#include <memory>
#include <string>

#include "core/interfaces.h"
#include "platform/object.h"

namespace rulecore {

class TIEContext;
class TIEPattern;

enum TSlotTestType : uint8_t { sttEquals, sttNotEquals };
using TJoinTestType = TTemplateSlotType;  // tstSlot: whole values; tstMultiSlot: elements

class RULECORE_API TIESlotTest : public TPersistent {
  RC_DECLARE_CLASS(TIESlotTest)

 public:
  explicit TIESlotTest(TSlotTestType type = sttEquals) : test_type_(type) {}

  TSlotTestType TestType() const { return test_type_; }
  void SetTestType(TSlotTestType type) { test_type_ = type; }
  bool IsPositive() const { return test_type_ == sttEquals; }

  // "=" or "<>".
  virtual std::string GetToString() const;
  // True when both are of the very same class with the same test type.
  virtual bool Equals(const TIESlotTest& other) const;
  virtual std::unique_ptr<TIESlotTest> Clone() const;
  virtual bool PerformTest(TIEContext* context) = 0;
  void Assign(const TPersistent& source) override;

 private:
  TSlotTestType test_type_;
};

class RULECORE_API TIEPatternMatchTest : public TIESlotTest {
  RC_DECLARE_CLASS(TIEPatternMatchTest)

 public:
  explicit TIEPatternMatchTest(TIEPattern* pattern = nullptr);
  TIEPatternMatchTest(TIEPattern* pattern, TSlotTestType type, int32_t sub_index, IIEValue* value);

  IIEValue* SlotValue() const { return slot_value_.get(); }
  // Stores a clone of `value` and tells the pattern.
  void SetSlotValue(IIEValue* value);
  int32_t MultiSlotSubIndex() const { return sub_index_; }
  void SetMultiSlotSubIndex(int32_t index);
  bool Conjunction() const { return conjunction_; }
  void SetConjunction(bool on);
  TIEPattern* Pattern() const { return pattern_; }
  void SetPattern(TIEPattern* pattern) { pattern_ = pattern; }

  // Resolves the value in the context: an equals test passes when the result
  // is anything but the atom FALSE, a not-equals test when it is FALSE.
  // Errors of the resolution pass through.
  bool PerformTest(TIEContext* context) override;
  // The test as a call bound to `reasoner`: (eq value argument) or
  // (neq value argument) for a non-call value; the call itself, or (not
  // call), for a call value.
  Ref<IIEValue> ConvertToFunCall(IReasoner* reasoner, IIEValue* argument) const;

  // "=" or "<>", " SubIdx: " and the index, " Slot: " and the value.
  std::string GetToString() const override;
  bool Equals(const TIESlotTest& other) const override;
  // Whether the test has these attributes (`positive` means sttEquals).
  bool Matches(bool positive, bool conjunction, int32_t sub_index, IIEValue* value) const;
  bool Matches(bool positive, int32_t sub_index, IIEValue* value) const;
  std::unique_ptr<TIESlotTest> Clone() const override;
  void Assign(const TPersistent& source) override;

 private:
  Ref<IIEValue> slot_value_;
  int32_t sub_index_ = NoSubIndex;
  bool conjunction_ = true;
  TIEPattern* pattern_;  // not owned
};

class RULECORE_API TIEJoinTest : public TIESlotTest {
  RC_DECLARE_CLASS(TIEJoinTest)

 public:
  TIEJoinTest() = default;
  // Whole slot values (tstSlot).
  TIEJoinTest(TSlotTestType type, const std::string& left_slot, const std::string& right_slot,
              int32_t token_idx);
  // Elements of multislots (tstMultiSlot).
  TIEJoinTest(TSlotTestType type, const std::string& left_slot, int32_t left_sub_index,
              const std::string& right_slot, int32_t right_sub_index, int32_t token_idx);

  int32_t RightSubIndex() const { return right_sub_index_; }
  const std::string& RightSlot() const { return right_slot_; }
  const std::string& LeftSlot() const { return left_slot_; }
  int32_t TokenIdx() const { return token_idx_; }
  int32_t LeftSubIndex() const { return left_sub_index_; }
  TJoinTestType JoinType() const { return join_type_; }

  // Compares the right slot of the context's fact with the left slot of the
  // token's fact number TokenIdx; a missing token fact always passes. An
  // element position past the end of a multislot matches nothing.
  bool PerformTest(TIEContext* context) override;
  std::string GetToString() const override;
  bool Equals(const TIESlotTest& other) const override;
  std::unique_ptr<TIESlotTest> Clone() const override;
  void Assign(const TPersistent& source) override;

 private:
  int32_t right_sub_index_ = NoSubIndex;
  std::string right_slot_;
  std::string left_slot_;
  int32_t token_idx_ = 0;
  int32_t left_sub_index_ = NoSubIndex;
  TJoinTestType join_type_ = tstSlot;
};

}  // namespace rulecore
