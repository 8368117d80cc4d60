// rulecore: an embeddable expert-system shell.
#include "facts/slot_test.h"

#include "core/ie_value.h"
#include "facts/context.h"
#include "facts/pattern.h"
#include "functions/function_call.h"

namespace rulecore {

namespace {
TObject* NewPatternMatchTest(TComponent*) {
  return new TIEPatternMatchTest;
}
TObject* NewJoinTest(TComponent*) {
  return new TIEJoinTest;
}

bool SameValue(IIEValue* a, IIEValue* b) {
  return a == b || (a && a->Equals(b));
}
}  // namespace

RC_DEFINE_CLASS(TIESlotTest, TPersistent, nullptr)
RC_DEFINE_CLASS(TIEPatternMatchTest, TIESlotTest, NewPatternMatchTest)
RC_DEFINE_CLASS(TIEJoinTest, TIESlotTest, NewJoinTest)

// ================================================================ TIESlotTest

std::string TIESlotTest::GetToString() const {
  return test_type_ == sttEquals ? "=" : "<>";
}

bool TIESlotTest::Equals(const TIESlotTest& other) const {
  return &other.ClassType() == &ClassType() && other.test_type_ == test_type_;
}

std::unique_ptr<TIESlotTest> TIESlotTest::Clone() const {
  std::unique_ptr<TObject> object(CreateInstance(ClassType()));
  auto* test = dynamic_cast<TIESlotTest*>(object.get());
  test->Assign(*this);
  object.release();
  return std::unique_ptr<TIESlotTest>(test);
}

void TIESlotTest::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TIESlotTest*>(&source)) {
    test_type_ = other->test_type_;
    return;
  }
  TPersistent::Assign(source);
}

// ================================================================ TIEPatternMatchTest

TIEPatternMatchTest::TIEPatternMatchTest(TIEPattern* pattern) : pattern_(pattern) {}

TIEPatternMatchTest::TIEPatternMatchTest(TIEPattern* pattern, TSlotTestType type, int32_t sub_index,
                                         IIEValue* value)
    : TIESlotTest(type),
      slot_value_(value ? value->Clone() : nullptr),
      sub_index_(sub_index),
      pattern_(pattern) {}

void TIEPatternMatchTest::SetSlotValue(IIEValue* value) {
  slot_value_ = value ? value->Clone() : nullptr;
  if (pattern_) pattern_->TestChange(this);
}

void TIEPatternMatchTest::SetMultiSlotSubIndex(int32_t index) {
  if (index == sub_index_) return;
  sub_index_ = index;
  if (pattern_) pattern_->TestChange(this);
}

void TIEPatternMatchTest::SetConjunction(bool on) {
  if (on == conjunction_) return;
  conjunction_ = on;
  if (pattern_) pattern_->TestConjunctionChange(this);
}

bool TIEPatternMatchTest::PerformTest(TIEContext* context) {
  Ref<IIEValue> result = slot_value_ ? slot_value_->Resolve(context) : Ref<IIEValue>(FCNil);
  bool is_false = result && result->Equals(FCFalse);
  return TestType() == sttEquals ? !is_false : is_false;
}

Ref<IIEValue> TIEPatternMatchTest::ConvertToFunCall(IReasoner* reasoner, IIEValue* argument) const {
  Ref<TFunctionCall> call;
  if (slot_value_ && slot_value_->GetDType() == dtFunCall) {
    IFunCall* own = slot_value_->GetAsFunCall();
    if (TestType() == sttEquals) return Ref<IIEValue>(new TIEValue(own));
    call = Ref<TFunctionCall>(new TFunctionCall(reasoner, "not"));
    call->AddArgument(own);
  } else {
    call = Ref<TFunctionCall>(new TFunctionCall(reasoner, TestType() == sttEquals ? "eq" : "neq"));
    call->AddArgument(slot_value_ ? slot_value_.get() : FCNil);
    call->AddArgument(argument);
  }
  return Ref<IIEValue>(new TIEValue(static_cast<IFunCall*>(call.get())));
}

std::string TIEPatternMatchTest::GetToString() const {
  std::string s = TIESlotTest::GetToString() + " SubIdx: " + std::to_string(sub_index_);
  if (slot_value_) s += " Slot: " + slot_value_->GetToString();
  return s;
}

bool TIEPatternMatchTest::Equals(const TIESlotTest& other) const {
  if (!TIESlotTest::Equals(other)) return false;
  auto& test = static_cast<const TIEPatternMatchTest&>(other);
  return SameValue(slot_value_.get(), test.slot_value_.get()) && sub_index_ == test.sub_index_ &&
         conjunction_ == test.conjunction_;
}

bool TIEPatternMatchTest::Matches(bool positive, bool conjunction, int32_t sub_index,
                                  IIEValue* value) const {
  return conjunction == conjunction_ && Matches(positive, sub_index, value);
}

bool TIEPatternMatchTest::Matches(bool positive, int32_t sub_index, IIEValue* value) const {
  return positive == IsPositive() && sub_index == sub_index_ && SameValue(slot_value_.get(), value);
}

std::unique_ptr<TIESlotTest> TIEPatternMatchTest::Clone() const {
  auto copy = std::make_unique<TIEPatternMatchTest>(pattern_);
  copy->Assign(*this);
  return copy;
}

void TIEPatternMatchTest::Assign(const TPersistent& source) {
  TIESlotTest::Assign(source);
  if (auto* other = dynamic_cast<const TIEPatternMatchTest*>(&source)) {
    slot_value_ = other->slot_value_ ? other->slot_value_->Clone() : nullptr;
    sub_index_ = other->sub_index_;
    conjunction_ = other->conjunction_;
  }
}

// ================================================================ TIEJoinTest

TIEJoinTest::TIEJoinTest(TSlotTestType type, const std::string& left_slot,
                         const std::string& right_slot, int32_t token_idx)
    : TIESlotTest(type), right_slot_(right_slot), left_slot_(left_slot), token_idx_(token_idx) {}

TIEJoinTest::TIEJoinTest(TSlotTestType type, const std::string& left_slot, int32_t left_sub_index,
                         const std::string& right_slot, int32_t right_sub_index, int32_t token_idx)
    : TIESlotTest(type),
      right_sub_index_(right_sub_index),
      right_slot_(right_slot),
      left_slot_(left_slot),
      token_idx_(token_idx),
      left_sub_index_(left_sub_index),
      join_type_(tstMultiSlot) {}

namespace {

// The value at `sub_index` of a slot value (the whole value for -1); nil for
// a position the value does not have.
IIEValue* Element(IIEValue* value, int32_t sub_index) {
  if (sub_index == NoSubIndex || !value) return value;
  if (value->GetDType() != dtList) return nullptr;
  IValueVector* list = value->GetAsList();
  if (!list || sub_index < 0 || sub_index >= list->GetValueCount()) return nullptr;
  return list->Get(sub_index);
}

}  // namespace

bool TIEJoinTest::PerformTest(TIEContext* context) {
  IReteToken* token = context ? context->Token() : nullptr;
  IFact* left_fact = token && token_idx_ >= 0 && token_idx_ < token->GetCount()
                         ? token->GetFacts(token_idx_)
                         : nullptr;
  if (!left_fact) return true;
  IFact* right_fact = context->Fact();
  if (!right_fact) return false;
  IIEValue* left = Element(left_fact->GetValue(left_slot_),
                           join_type_ == tstMultiSlot ? left_sub_index_ : NoSubIndex);
  IIEValue* right = Element(right_fact->GetValue(right_slot_),
                            join_type_ == tstMultiSlot ? right_sub_index_ : NoSubIndex);
  if (!left || !right) return false;  // no such position: nothing to compare with
  bool equal = left->Equals(right);
  return TestType() == sttEquals ? equal : !equal;
}

std::string TIEJoinTest::GetToString() const {
  std::string s = TIESlotTest::GetToString() + " " +
                  (join_type_ == tstSlot ? "tstSlot" : "tstMultiSlot") +
                  " TokenIdx: " + std::to_string(token_idx_);
  if (join_type_ == tstMultiSlot)
    return s + " Left: " + left_slot_ + " " + std::to_string(left_sub_index_) +
           " Right: " + right_slot_ + " " + std::to_string(right_sub_index_);
  return s + " Left: " + left_slot_ + " Right: " + right_slot_;
}

bool TIEJoinTest::Equals(const TIESlotTest& other) const {
  if (!TIESlotTest::Equals(other)) return false;
  auto& t = static_cast<const TIEJoinTest&>(other);
  return right_sub_index_ == t.right_sub_index_ && right_slot_ == t.right_slot_ &&
         left_slot_ == t.left_slot_ && token_idx_ == t.token_idx_ &&
         left_sub_index_ == t.left_sub_index_ && join_type_ == t.join_type_;
}

std::unique_ptr<TIESlotTest> TIEJoinTest::Clone() const {
  auto copy = std::make_unique<TIEJoinTest>();
  copy->Assign(*this);
  return copy;
}

void TIEJoinTest::Assign(const TPersistent& source) {
  TIESlotTest::Assign(source);
  if (auto* t = dynamic_cast<const TIEJoinTest*>(&source)) {
    right_sub_index_ = t->right_sub_index_;
    right_slot_ = t->right_slot_;
    left_slot_ = t->left_slot_;
    token_idx_ = t->token_idx_;
    left_sub_index_ = t->left_sub_index_;
    join_type_ = t->join_type_;
  }
}

}  // namespace rulecore
