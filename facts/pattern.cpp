// rulecore: an embeddable expert-system shell.
#include "facts/pattern.h"

#include <strings.h>
#include <algorithm>
#include <atomic>
#include <utility>

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact_engine.h"
#include "functions/function_call.h"

namespace rulecore {

RC_DEFINE_CLASS(TIEPattern, TPersistent, nullptr)

// ================================================================ TSlotTests

TSlotTests::~TSlotTests() {
  // Tests die without telling a pattern that is going away itself.
  pattern_ = nullptr;
  tests_.clear();
}

void TSlotTests::Add(std::unique_ptr<TIEPatternMatchTest> test) {
  TIEPatternMatchTest* raw = test.get();
  raw->SetPattern(pattern_);
  tests_.push_back(std::move(test));
  if (pattern_) pattern_->TestNotification(raw, true);
}

void TSlotTests::Put(int i, std::unique_ptr<TIEPatternMatchTest> test) {
  Delete(i);
  TIEPatternMatchTest* raw = test.get();
  raw->SetPattern(pattern_);
  tests_.insert(tests_.begin() + i, std::move(test));
  if (pattern_) pattern_->TestNotification(raw, true);
}

std::unique_ptr<TIEPatternMatchTest> TSlotTests::Extract(int i) {
  if (i < 0 || i >= Count()) RaiseIE(SListIndexError, {i});
  std::unique_ptr<TIEPatternMatchTest> test = std::move(tests_[static_cast<size_t>(i)]);
  tests_.erase(tests_.begin() + i);
  if (pattern_) pattern_->TestNotification(test.get(), false);
  // The test has left the pattern: its later changes are no concern of the
  // pattern's, which may be gone by then.
  test->SetPattern(nullptr);
  return test;
}

void TSlotTests::Delete(int i) {
  Extract(i);
}

void TSlotTests::Clear() {
  while (Count() > 0)
    Delete(Count() - 1);
}

// ================================================================ TIEPattern

TIEPattern::TIEPattern(IPatternOwner* owner, const std::string& name, IFactTemplate* tmpl,
                       int32_t negated_count)
    : template_(tmpl), negated_count_(negated_count), name_(name), owner_(owner) {
  if (tmpl)
    for (const std::string& slot : tmpl->GetSlotNames())
      EnsureSlot(slot);
}

TIEPattern::~TIEPattern() = default;

IFactEngine* TIEPattern::Engine() const {
  if (owner_)
    if (IFactEngine* e = owner_->PatternEngine()) return e;
  return template_ ? AsFactEngine(template_->GetOwner()) : nullptr;
}

TIEPattern::SlotEntry& TIEPattern::EnsureSlot(const std::string& name) {
  auto before = [](const SlotEntry& e, const std::string& n) {
    int c = strcasecmp(e.name.c_str(), n.c_str());
    return c < 0 || (c == 0 && e.name < n);
  };
  auto it = std::lower_bound(slots_.begin(), slots_.end(), name, before);
  if (it != slots_.end() && it->name == name) return *it;
  SlotEntry entry;
  entry.name = name;
  return *slots_.insert(it, std::move(entry));
}

int TIEPattern::IndexOfSlotName(std::string_view name) const {
  for (size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i].name == name) return static_cast<int>(i);
  return -1;
}

int TIEPattern::GetSlotTestCount(int i) const {
  const SlotEntry& e = slots_[static_cast<size_t>(i)];
  return e.tests ? e.tests->Count() : 0;
}

TIEPatternMatchTest* TIEPattern::GetSlotTest(int i, int j) const {
  const SlotEntry& e = slots_[static_cast<size_t>(i)];
  if (!e.tests || j < 0 || j >= e.tests->Count()) RaiseIE(SListIndexError, {j});
  return e.tests->Get(j);
}

void TIEPattern::SetSlotTest(int i, int j, std::unique_ptr<TIEPatternMatchTest> test) {
  SlotEntry& e = slots_[static_cast<size_t>(i)];
  if (!e.tests || j < 0 || j >= e.tests->Count()) RaiseIE(SListIndexError, {j});
  e.tests->Put(j, std::move(test));
}

void TIEPattern::SetSlotLength(int i, int32_t length) {
  slots_[static_cast<size_t>(i)].length = length;
  Change();
}

TIEPatternMatchTest* TIEPattern::AddTest(const std::string& slot_name,
                                         std::unique_ptr<TIEPatternMatchTest> test) {
  if (!template_) RaiseIE(SNoTemplate);
  if (!template_->ContainsSlot(slot_name)) RaiseIE(SInvalidSlotName, {slot_name});
  SlotEntry& e = EnsureSlot(slot_name);
  if (!e.tests) e.tests = std::make_unique<TSlotTests>(this);
  TIEPatternMatchTest* raw = test.get();
  e.tests->Add(std::move(test));
  return raw;
}

TIEPatternMatchTest* TIEPattern::AddTest(const std::string& slot_name, IIEValue* value,
                                         int32_t sub_index, bool negated, bool conjunction) {
  auto test = std::make_unique<TIEPatternMatchTest>(this, negated ? sttNotEquals : sttEquals,
                                                    sub_index, value);
  test->SetPattern(nullptr);  // no notification for a change before it is added
  test->SetConjunction(conjunction);
  return AddTest(slot_name, std::move(test));
}

// ---------------------------------------------------------------- properties

void TIEPattern::SetUnique(bool on) {
  if (on == unique_) return;
  unique_ = on;
  Change();
}

void TIEPattern::SetExplicit(bool on) {
  if (on == explicit_) return;
  explicit_ = on;
  Change();
}

void TIEPattern::SetNegatedCount(int32_t count) {
  if (count == negated_count_) return;
  negated_count_ = count;
  Change();
}

void TIEPattern::SetBoundName(const std::string& name) {
  if (IsNegated() && name_ == STestCE) RaiseIE(SInvalidPatternBinding);
  if (name == bound_name_) return;
  bound_name_ = name;
  Change();
}

void TIEPattern::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Change();
}

void TIEPattern::SetOwner(IPatternOwner* owner) {
  if (owner == owner_) return;
  Change();
  owner_ = owner;
  Change();
}

void TIEPattern::BeginUpdate() {
  ++update_count_;
}

void TIEPattern::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) Change();
}

void TIEPattern::Change() {
  if (update_count_ > 0) return;
  if (owner_) owner_->PatternChanged(this);
  if (on_change_) on_change_(this);
}

void TIEPattern::TestNotification(TIEPatternMatchTest* test, bool added) {
  int delta = added ? 1 : -1;
  test_count_ += delta;
  if (!test->Conjunction()) disjunction_count_ += delta;
  Change();
}

void TIEPattern::TestChange(TIEPatternMatchTest*) {
  Change();
}

void TIEPattern::TestConjunctionChange(TIEPatternMatchTest* test) {
  disjunction_count_ += test->Conjunction() ? -1 : 1;
  Change();
}

// ---------------------------------------------------------------- connectives

void TIEPattern::FixTests() {
  if (disjunction_count_ <= 0) return;
  IFactEngine* engine = Engine();
  // The new test lists are planned first and put in place only when every
  // slot has been planned, so a failure leaves the pattern as it was. In a
  // plan, a kept test is its index in the slot and a new test is -1.
  using Step = std::pair<int, std::unique_ptr<TIEPatternMatchTest>>;
  std::vector<std::pair<TSlotTests*, std::vector<Step>>> plans;
  for (SlotEntry& slot : slots_) {
    TSlotTests* tests = slot.tests.get();
    if (!tests || tests->Count() == 0) continue;
    std::vector<Step> plan;
    bool rewritten = false;
    int n = tests->Count();
    int k = 0;
    while (k < n) {
      int32_t sub = tests->Get(k)->MultiSlotSubIndex();
      int j = k;
      bool has_or = false;
      while (j < n && tests->Get(j)->MultiSlotSubIndex() == sub) {
        if (j > k && !tests->Get(j)->Conjunction()) has_or = true;
        ++j;
      }
      if (!has_or) {
        for (int t = k; t < j; ++t)
          plan.emplace_back(t, nullptr);
        k = j;
        continue;
      }
      rewritten = true;
      // The run's variable: its first test's, when that binds a variable.
      Ref<IIEValue> variable;
      int start = k;
      IIEValue* first = tests->Get(k)->SlotValue();
      if (tests->Get(k)->IsPositive() && first && IEVariableTypes.Contains(first->GetDType())) {
        variable = first->Clone();
        start = k + 1;
      } else {
        if (!owner_) RaiseIE("Rule missing for pattern");
        if (!engine) RaiseIE(SUnknownEngine);
        std::string name = engine->GenerateSymbol(SBlankPrefix);
        owner_->BindPatternVariable(this, name, slot.name, sub);
        variable = NewVariable(name);
      }
      Ref<TFunctionCall> either(new TFunctionCall(engine, "or"));
      int g = start;
      while (g < j) {
        int end = g + 1;
        while (end < j && tests->Get(end)->Conjunction())
          ++end;
        if (end - g == 1) {
          either->AddArgument(tests->Get(g)->ConvertToFunCall(engine, variable.get()).get());
        } else {
          Ref<TFunctionCall> both(new TFunctionCall(engine, "and"));
          for (int t = g; t < end; ++t)
            both->AddArgument(tests->Get(t)->ConvertToFunCall(engine, variable.get()).get());
          either->AddArgument(static_cast<IFunCall*>(both.get()));
        }
        g = end;
      }
      plan.emplace_back(
          -1, std::make_unique<TIEPatternMatchTest>(nullptr, sttEquals, sub, variable.get()));
      Ref<IIEValue> call(new TIEValue(static_cast<IFunCall*>(either.get())));
      plan.emplace_back(-1,
                        std::make_unique<TIEPatternMatchTest>(nullptr, sttEquals, sub, call.get()));
      k = j;
    }
    if (rewritten) plans.emplace_back(tests, std::move(plan));
  }

  BeginUpdate();
  for (auto& [tests, plan] : plans) {
    std::vector<std::unique_ptr<TIEPatternMatchTest>> old;
    while (tests->Count() > 0)
      old.push_back(tests->Extract(0));
    for (auto& [index, test] : plan)
      tests->Add(index >= 0 ? std::move(old[static_cast<size_t>(index)]) : std::move(test));
  }
  EndUpdate();
}

// ---------------------------------------------------------------- copying, text

void TIEPattern::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TIEPattern*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  comment_ = other->comment_;
  bound_name_ = other->bound_name_;
  unique_ = other->unique_;
  explicit_ = other->explicit_;
  name_ = other->name_;
  template_ = other->template_;
  negated_count_ = other->negated_count_;
  slots_.clear();
  test_count_ = disjunction_count_ = 0;
  for (const SlotEntry& e : other->slots_) {
    SlotEntry& mine = EnsureSlot(e.name);
    mine.length = e.length;
    if (!e.tests) continue;
    mine.tests = std::make_unique<TSlotTests>(this);
    for (int i = 0; i < e.tests->Count(); ++i) {
      auto copy = std::make_unique<TIEPatternMatchTest>(this);
      copy->Assign(*e.tests->Get(i));
      mine.tests->Add(std::move(copy));
    }
  }
  EndUpdate();
}

std::unique_ptr<TIEPattern> TIEPattern::Clone() const {
  auto copy = std::make_unique<TIEPattern>(owner_, name_, nullptr, negated_count_);
  copy->Assign(*this);
  return copy;
}

std::string TIEPattern::GetToString() const {
  IFactEngine* engine = template_ ? AsFactEngine(template_->GetOwner()) : nullptr;
  if (engine) return engine->PrettyPrint(const_cast<TIEPattern*>(this));
  static std::atomic<int> counter{0};
  return PatternToRuleText(*this, [](bool multi) {
    return std::string(multi ? SMultiSlotVar : SSlotVar) + std::to_string(++counter);
  });
}

namespace {

std::string ConstraintText(const TIEPattern& pattern, int slot, bool in_test_ce) {
  std::string out;
  for (int j = 0; j < pattern.GetSlotTestCount(slot); ++j) {
    TIEPatternMatchTest* test = pattern.GetSlotTest(slot, j);
    if (j > 0) {
      TIEPatternMatchTest* prev = pattern.GetSlotTest(slot, j - 1);
      if (test->MultiSlotSubIndex() != prev->MultiSlotSubIndex())
        out += ' ';
      else
        out += test->Conjunction() ? '&' : '|';
    }
    // A test element writes its negation as "(not (test ...))" instead.
    if (!test->IsPositive() && !in_test_ce) out += '~';
    IIEValue* value = test->SlotValue();
    if (!value) continue;
    if (value->GetDType() == dtFunCall && !in_test_ce) out += ':';
    out += ValueToRuleText(value);
  }
  return out;
}

std::string TrimBlanks(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

}  // namespace

std::string PatternToRuleText(const TIEPattern& pattern,
                              const std::function<std::string(bool multi)>& generate) {
  IFactTemplate* tmpl = pattern.Template();
  if (!tmpl) RaiseIE(SNoTemplate);
  std::string comment;
  const std::string& c = pattern.Comment();
  size_t i = 0;
  while (i < c.size()) {
    size_t j = c.find_first_of("\r\n", i);
    if (j == std::string::npos) j = c.size();
    std::string line = TrimBlanks(c.substr(i, j - i));
    if (!line.empty()) comment += (line[0] == ';' ? "" : "; ") + line + NewLineString;
    i = j + 1;
  }
  bool in_test_ce = pattern.Name() == STestCE;
  auto slot_text = [&](int s) {
    std::string text = ConstraintText(pattern, s, in_test_ce);
    if (!text.empty()) return text;
    IFactSlot* slot = nullptr;
    tmpl->ContainsSlot(pattern.GetSlotName(s), &slot);
    return generate(slot && slot->GetSlotType().Contains(dtMultiSlot));
  };
  std::string text = "(" + pattern.Name() + " ";
  int data = pattern.IndexOfSlotName(SDefaultSlotName);
  if (data >= 0 && pattern.GetSlotTestCount(data) > 0) {
    text += slot_text(data);
  } else {
    for (int s = 0; s < pattern.GetSlotCount(); ++s) {
      if (pattern.GetSlotTestCount(s) == 0) continue;
      text += "(" + pattern.GetSlotName(s) + " " + slot_text(s) + ") ";
    }
  }
  text += ")";
  // A test element inside "not" keeps negation count 0 and carries the "not"
  // in its test; it reads back from the call inside "(not (test ...))".
  if (in_test_ce && data >= 0 && pattern.GetSlotTestCount(data) > 0 &&
      !pattern.GetSlotTest(data, 0)->IsPositive())
    text = "(not " + text + ")";
  if (pattern.Unique()) text = "(unique " + text + ")";
  if (pattern.Explicit()) text = "(explicit " + text + ")";
  int32_t n = pattern.NegatedCount();
  if (n == 1) {
    text = "(not " + text + ")";
  } else if (n >= 2) {
    text = "(exists " + text + ")";
    for (int32_t k = 0; k < n - 2; ++k)
      text = "(not " + text + ")";
  }
  if (!pattern.BoundName().empty()) text = "?" + pattern.BoundName() + " <- " + text;
  return comment + text;
}

}  // namespace rulecore
