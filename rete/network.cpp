// rulecore: an embeddable expert-system shell.
#include "rete/network.h"

#include <algorithm>
#include <array>

#include "core/binding_info.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/fact.h"
#include "facts/pattern.h"
#include "functions/function_call.h"
#include "rete/rule.h"
#include "rete/rule_engine.h"

namespace rulecore {

namespace {

bool IsFalse(IIEValue* v) {
  return v && v->Equals(FCFalse);
}

int32_t HashOf(IIEValue* v) {
  return v ? v->GetHashCode() : 0;
}

bool SameValue(IIEValue* a, IIEValue* b) {
  return a == b || (a && b && a->Equals(b));
}

const char* CallTypeName(TCallType type) {
  switch (type) {
    case ctLeft:
      return "ctLeft";
    case ctRight:
      return "ctRight";
    case ctSingle:
      return "ctSingle";
    case ctActivate:
      return "ctActivate";
  }
  return "";
}

}  // namespace

// ================================================================ TMatchContext

void TMatchContext::SetMatch(IReteToken* token, IFact* fact, TDivision* division) {
  SetToken(token);
  SetFact(fact);
  division_ = Ref<TDivision>(division);
}

Ref<IIEValue> TMatchContext::ResolveBindingInfo(const TBindingInfo& info) {
  IReteToken* token = Token();
  int count = token ? token->GetCount() : 0;
  IFact* fact = nullptr;
  Ref<IIEValue> value;
  if (info.FactIdx() == count && Fact()) {
    fact = Fact();
    if (info.SlotName() != SPatternBinding)
      value = SlotValueAt(fact, division_.get(), info.SlotName(), info.SubIdx());
  } else if (token && info.FactIdx() >= 0 && info.FactIdx() < count) {
    fact = token->GetFacts(info.FactIdx());
    if (info.SlotName() != SPatternBinding)
      value = TokenSlotValue(token, info.FactIdx(), info.SlotName(), info.SubIdx());
  }
  if (!fact) RaiseIE(SCorruptedVariable, {info.ToString()});
  if (info.SlotName() == SPatternBinding) return NewFactId(fact->GetID());
  if (!value) RaiseIE(SCorruptedVariable, {info.ToString()});
  return value;
}

// ================================================================ TReteNode

bool TReteNode::CallChildren(TIEToken* token) {
  bool passed = false;
  for (const Edge& e : successors_) {
    if (!network_->Allowed(e.node)) continue;
    passed = e.node->CallNode(token, e.type) || passed;
  }
  return passed;
}

std::string TReteNode::GetToString() const {
  return "node " + std::to_string(number_);
}

// ================================================================ alpha nodes

TPatternMatchNode::TPatternMatchNode(TReteNetwork* network, int32_t number, TPatternMatchTest test,
                                     TNodeArgs args, IIEValue* value)
    : TReteNode(network, number), test_(test), args_(std::move(args)), value_(value) {}

bool TPatternMatchNode::Equals(TPatternMatchTest test, const TNodeArgs& args,
                               IIEValue* value) const {
  return test == test_ && args == args_ && SameValue(value_.get(), value);
}

std::string TPatternMatchNode::GetToString() const {
  static const char* const kNames[] = {"pmtUnknown",
                                       "pmtTestClassType",
                                       "pmtTestEqual",
                                       "pmtTestNotEqual",
                                       "pmtTestSlotValueEqual",
                                       "pmtTestSlotValueNotEqual",
                                       "pmtTestMultiSlotEqual",
                                       "pmtTestMultiSlotNotEqual",
                                       "pmtTestMultiSlotLength",
                                       "pmtTestMultiSlotMultiField",
                                       "pmtFailTest"};
  std::string s = TReteNode::GetToString() + " " + kNames[test_] + " " + args_.slot;
  if (args_.sub_index != NoSubIndex) s += "[" + std::to_string(args_.sub_index) + "]";
  if (value_) s += " " + value_->GetToString();
  return s;
}

bool TPatternMatchNode::Compare(IIEValue* actual, TIEToken* token, float* /*degree*/) {
  if (value_ && value_->GetDType() == dtFunCall) {
    if (token->GetTag() == taRemove) return true;  // a removal follows the fact it removes
    TMatchContext& context = network_->AlphaContext();
    context.SetMatch(token, nullptr, nullptr);
    Ref<IIEValue> result = value_->Resolve(&context);
    context.SetMatch(nullptr, nullptr, nullptr);
    bool is_false = IsFalse(result.get());
    return test_ == pmtTestEqual || test_ == pmtTestMultiSlotEqual ? !is_false : is_false;
  }
  if (!actual) return false;
  bool equal = actual->Equals(value_.get());
  return test_ == pmtTestEqual || test_ == pmtTestMultiSlotEqual ? equal : !equal;
}

bool TPatternMatchNode::Passes(TIEToken* token) {
  IFact* fact = token->GetFact();
  if (!fact) return false;
  TDivision* division = token->Division();
  switch (test_) {
    case pmtTestClassType: {
      std::string_view wanted = value_ ? value_->PeekText() : std::string_view();
      for (IFactTemplate* t = fact->GetTemplate(); t; t = t->GetParent())
        if (t->GetTemplateName() == wanted) return true;
      return false;
    }
    case pmtTestEqual:
    case pmtTestNotEqual:
    case pmtTestMultiSlotEqual:
    case pmtTestMultiSlotNotEqual: {
      Ref<IIEValue> made;
      IIEValue* actual = PeekSlotValue(fact, division, args_.slot, args_.sub_index, hint_, made);
      float degree = 1.0f;
      return Compare(actual, token, &degree);
    }
    case pmtTestSlotValueEqual:
    case pmtTestSlotValueNotEqual: {
      Ref<IIEValue> made_a, made_b;
      IIEValue* a = PeekSlotValue(fact, division, args_.slot, args_.sub_index, hint_, made_a);
      IIEValue* b = PeekSlotValue(fact, division, args_.slot2, args_.sub_index2, hint2_, made_b);
      if (!a || !b) return false;
      return a->Equals(b) == (test_ == pmtTestSlotValueEqual);
    }
    case pmtTestMultiSlotLength: {
      IIEValue* v = fact->GetValue(args_.slot);
      IValueVector* list = v && v->GetDType() == dtList ? v->GetAsList() : nullptr;
      return list && list->GetValueCount() == args_.length;
    }
    default:
      return false;
  }
}

bool TPatternMatchNode::PassDivisions(TIEToken* token) {
  IFact* fact = token->GetFact();
  IIEValue* v = fact ? fact->GetValue(args_.slot) : nullptr;
  IValueVector* list = v && v->GetDType() == dtList ? v->GetAsList() : nullptr;
  if (!list) return false;
  const int32_t length = list->GetValueCount();
  const size_t positions = args_.multi.size();
  int32_t singles = 0;
  for (bool m : args_.multi)
    singles += m ? 0 : 1;
  if (length < singles) return false;
  // Every way of sharing the spare elements among the multifield positions,
  // the first of them taking the fewest first.
  std::vector<int32_t> starts(positions + 1, 0);
  bool passed = false;
  std::function<void(size_t, int32_t, int32_t)> divide = [&](size_t p, int32_t at, int32_t spare) {
    if (p == positions) {
      if (spare != 0) return;
      starts[positions] = at;
      Ref<TDivision> division(new TDivision);
      if (token->Division()) division->slots = token->Division()->slots;
      division->slots.push_back({args_.slot, starts, args_.multi});
      Ref<TIEToken> divided(new TIEToken(token->GetTag(), fact, division.get()));
      divided->SetStrength(token->GetStrength());
      passed = CallChildren(divided.get()) || passed;
      return;
    }
    starts[p] = at;
    if (!args_.multi[p]) {
      divide(p + 1, at + 1, spare);
      return;
    }
    for (int32_t take = 0; take <= spare; ++take)
      divide(p + 1, at + take, spare - take);
  };
  divide(0, 0, length - singles);
  return passed;
}

bool TPatternMatchNode::CallNode(TIEToken* token, TCallType /*type*/) {
  if (token->GetTag() == taClear) return CallChildren(token);
  if (test_ == pmtTestMultiSlotMultiField) return PassDivisions(token);
  if (!Passes(token)) return false;
  return CallChildren(token);
}

// ================================================================ test nodes

TTestNode::TTestNode(TReteNetwork* network, int32_t number)
    : TReteNode(network, number), context_(network->RootContext(), network->Engine()) {}

void TTestNode::AddTest(std::unique_ptr<TIEPatternMatchTest> test) {
  tests_.push_back(std::move(test));
}

bool TTestNode::RunTests(IReteToken* token, IFact* fact, TDivision* division) {
  if (tests_.empty()) return true;
  context_.SetMatch(token, fact, division);
  bool ok = true;
  try {
    for (auto& test : tests_) {
      if (!test->PerformTest(&context_)) {
        ok = false;
        break;
      }
    }
  } catch (...) {
    context_.SetMatch(nullptr, nullptr, nullptr);
    throw;
  }
  context_.SetMatch(nullptr, nullptr, nullptr);
  return ok;
}

// A test keeps the tokens that passed, each with the token it made, so that
// a withdrawal drops just what the addition made, whatever the tests say now.
bool TTestNode::CallNode(TIEToken* token, TCallType /*type*/) {
  switch (token->GetTag()) {
    case taClear:
      left_.Clear();
      return CallChildren(token);
    case taRemove: {
      TIETokenTree::Entry* e = left_.Locate(token);
      if (!e) return false;
      DropOutputs(e);
      left_.Erase(e);
      return true;
    }
    default:
      break;
  }
  if (!RunTests(token, nullptr, nullptr)) return false;
  TIETokenTree::Entry* e = left_.Add(0, token, network_->Priming());
  if (!e) return false;
  Ref<TIEToken> extended(new TIEToken(token, network_->NullToken()));
  TIETokenTree::Adopt(e, nullptr, extended.get());
  return CallChildren(extended.get());
}

void TTestNode::DropOutputs(TIETokenTree::Entry* e) {
  TIETokenTree::DropChildren(e, [this](TIEToken* child) {
    child->SetTag(taRemove);
    CallChildren(child);
  });
}

std::string TTestNode::GetToString() const {
  return TReteNode::GetToString() + " test (" + std::to_string(tests_.size()) + " tests)";
}

// ================================================================ join nodes

TJoinNode::TJoinNode(TReteNetwork* network, int32_t number, TJoinKind kind, bool unique)
    : TTestNode(network, number), kind_(kind), unique_(unique) {}

void TJoinNode::AddJoinTest(const TIEJoinTest& test) {
  join_tests_.push_back(test);
  hints_.push_back({});
  if (test.TestType() == sttEquals) {
    keyed_.push_back(static_cast<int>(join_tests_.size()) - 1);
    shortcut_ = keyed_.front();
  }
}

bool TJoinNode::SameAs(const TJoinNode& other, TReteNode* right_input) const {
  if (other.kind_ != kind_ || other.unique_ != unique_ || other.right_input_ != right_input ||
      other.join_tests_.size() != join_tests_.size() || other.tests_.size() != tests_.size())
    return false;
  for (size_t i = 0; i < join_tests_.size(); ++i)
    if (!join_tests_[i].Equals(other.join_tests_[i])) return false;
  for (size_t i = 0; i < tests_.size(); ++i)
    if (!tests_[i]->Equals(*other.tests_[i]) ||
        tests_[i]->MultiSlotSubIndex() != other.tests_[i]->MultiSlotSubIndex())
      return false;
  return true;
}

void TJoinNode::AttachBackChain(TIEPattern* pattern, TRule* rule) {
  IFactTemplate* tmpl = pattern ? pattern->Template() : nullptr;
  if (!tmpl || !tmpl->IsBackwardChaining()) RaiseIE(SInvalidBackchainPattern);
  back_chain_pattern_ = pattern;
  back_chain_rule_ = rule;
}

// What the join tests read from one token, one value per test (nil where
// the token has no such position), read once and compared with every
// candidate of the other side.
// The values are borrowed from the facts of the tokens, which the caller
// holds; only lists made for multifield runs are owned here.
class TJoinValues {
 public:
  explicit TJoinValues(size_t n) {
    if (n > kInline) {
      heap_.resize(n);
      values_ = heap_.data();
    }
  }
  // The values a memory entry keeps.
  explicit TJoinValues(const Ref<IIEValue>* kept) : kept_(kept) {}
  TJoinValues(const TJoinValues&) = delete;
  TJoinValues& operator=(const TJoinValues&) = delete;

  IIEValue* operator[](size_t i) const { return kept_ ? kept_[i].get() : values_[i]; }
  // Value `i`; a list made for a multifield run is held here.
  void Set(size_t i, IIEValue* value, Ref<IIEValue>&& made) {
    values_[i] = value;
    if (made) made_.push_back(std::move(made));
  }
  // The values as a memory entry keeps them.
  std::unique_ptr<Ref<IIEValue>[]> Keep(size_t n) const {
    auto kept = std::make_unique<Ref<IIEValue>[]>(n);
    for (size_t i = 0; i < n; ++i)
      kept[i] = Ref<IIEValue>(values_[i]);
    return kept;
  }

  private : static constexpr size_t kInline = 6;
  IIEValue* inline_[kInline];
  IIEValue** values_ = inline_;
  std::vector<IIEValue*> heap_;
  std::vector<Ref<IIEValue>> made_;
  const Ref<IIEValue>* kept_ = nullptr;
};

void TJoinNode::ReadLeft(TIEToken* left, TJoinValues& a) const {
  for (size_t i = 0; i < join_tests_.size(); ++i) {
    const TIEJoinTest& t = join_tests_[i];
    Ref<IIEValue> made;
    IIEValue* value = PeekTokenSlotValue(
        left, t.TokenIdx(), t.LeftSlot(),
        t.JoinType() == tstMultiSlot ? t.LeftSubIndex() : NoSubIndex, hints_[i].left, made);
    a.Set(i, value, std::move(made));
  }
}

void TJoinNode::ReadRight(TIEToken* right, TJoinValues& b) const {
  for (size_t i = 0; i < join_tests_.size(); ++i) {
    const TIEJoinTest& t = join_tests_[i];
    Ref<IIEValue> made;
    IIEValue* value = PeekSlotValue(right->GetFact(), right->Division(), t.RightSlot(),
                                    t.JoinType() == tstMultiSlot ? t.RightSubIndex() : NoSubIndex,
                                    hints_[i].right, made);
    b.Set(i, value, std::move(made));
  }
}

// The memories are keyed by every equality test at once: a token and a fact
// can only match when their key values are equal, so a bucket holds just the
// candidates that agree on all of them. Each value's hash is mixed in, not
// just added: values' own hashes are often sums of small multiples (a
// number, a name's letters), and summing them again lets different pairs
// meet on one key, (id 109, name n91) with (id 115, name n31) say.
int32_t TJoinNode::KeyOf(const TJoinValues& values) const {
  uint64_t key = 0;
  for (int i : keyed_) {
    key = (key ^ static_cast<uint32_t>(HashOf(values[static_cast<size_t>(i)]))) *
          0x9E3779B97F4A7C15ull;
    key ^= key >> 32;
  }
  return static_cast<int32_t>(key);
}

bool TJoinNode::Match(TIEToken* left, const TJoinValues& a, TIEToken* right, const TJoinValues& b) {
  for (size_t i = 0; i < join_tests_.size(); ++i) {
    const TIEJoinTest& t = join_tests_[i];
    if (!a[i] && t.TokenIdx() >= left->GetCount()) continue;  // no such fact: passes
    if (!a[i] || !b[i]) return false;  // no such position: nothing to compare with
    if (a[i]->Equals(b[i]) != (t.TestType() == sttEquals)) return false;
  }
  return tests_.empty() || RunTests(left, right->GetFact(), right->Division());
}

bool TJoinNode::MatchLeft(TIEToken* left, const TJoinValues& a, TIEToken* right) {
  TJoinValues b(join_tests_.size());
  ReadRight(right, b);
  return Match(left, a, right, b);
}

bool TJoinNode::MatchLeft(TIEToken* left, const TJoinValues& a, TIETokenTree::Entry& right) {
  if (!right.values) return MatchLeft(left, a, right.token.get());
  return Match(left, a, right.token.get(), TJoinValues(right.values.get()));
}

bool TJoinNode::MatchRight(TIEToken* left, TIEToken* right, const TJoinValues& b) {
  TJoinValues a(join_tests_.size());
  ReadLeft(left, a);
  return Match(left, a, right, b);
}

void TJoinNode::Emit(TIETokenTree::Entry* left, TIETokenTree::Entry* right, TTokenAction action) {
  TIEToken* fact = right->token.get();
  Ref<TIEToken> joined(new TIEToken(left->token.get(), fact));
  joined->SetTag(action);
  joined->SetStrength(std::min(left->token->GetStrength(), fact->GetStrength()));
  TIETokenTree::Adopt(left, right, joined.get());
  ++passed_;
  CallChildren(joined.get());
}

void TJoinNode::EmitNull(TIETokenTree::Entry* left, TTokenAction action) {
  Ref<TIEToken> joined(new TIEToken(left->token.get(), network_->NullToken()));
  joined->SetTag(action);
  TIETokenTree::Adopt(left, nullptr, joined.get());
  ++passed_;
  CallChildren(joined.get());
}

// Nothing below a join reaches back into its memories, so the walks below
// run over the stored lists themselves. A join stores the tokens it is given
// (they are never changed once made), and lists under their entries the
// tokens it made from them; negated and existence joins keep the count of
// facts matching each left token in its entry. A withdrawal drops what the
// entry made. Only a fact leaving a negated or existence join is matched
// again, against the left tokens whose counts it changes.
void TJoinNode::FromLeft(TIEToken* token) {
  const TTokenAction action = token->GetTag();
  if (action == taRemove) {
    TIETokenTree::Entry* e = left_.Locate(token);
    if (!e) return;
    DropOutputs(e);
    left_.Erase(e);
    return;
  }
  TJoinValues a(join_tests_.size());
  ReadLeft(token, a);
  const int32_t key = KeyOf(a);
  const int32_t right_key = shortcut_ < 0 ? 0 : key;
  TIETokenTree::Entry* entry = left_.Add(key, token, network_->Priming());
  if (!entry) return;
  int32_t before = passed_;
  if (kind_ == jkPositive) {
    right_.ForEachIn(right_key, [&](TIETokenTree::Entry& right) {
      if (!MatchLeft(token, a, right)) return true;
      Emit(entry, &right, action);
      return !unique_;
    });
  } else {
    int32_t count = 0;
    right_.ForEachIn(right_key, [&](TIETokenTree::Entry& right) {
      if (MatchLeft(token, a, right)) ++count;
      return true;
    });
    entry->matches = count;
    if ((kind_ == jkNegated) == (count == 0)) EmitNull(entry, action);
  }
  if (passed_ == before) AskForBackChain(token);
}

void TJoinNode::FromRight(TIEToken* token) {
  const TTokenAction action = token->GetTag();
  if (action != taRemove) {
    TJoinValues b(join_tests_.size());
    ReadRight(token, b);
    const int32_t key = KeyOf(b);
    TIETokenTree::Entry* entry = right_.Add(key, token, network_->Priming());
    if (!entry) return;
    // Facts are few beside the partial matches that meet them, so a fact's
    // entry keeps the values the tests compare, read once.
    if (!join_tests_.empty()) entry->values = b.Keep(join_tests_.size());
    left_.ForEachIn(key, [&](TIETokenTree::Entry& left) {
      if (!MatchRight(left.token.get(), token, b)) return true;
      if (kind_ == jkPositive) {
        Emit(&left, entry, action);
      } else if (kind_ == jkNegated) {
        if (left.matches++ == 0) DropOutputs(&left);
      } else {
        if (++left.matches == 1) EmitNull(&left, action);
      }
      return true;
    });
    return;
  }
  TIETokenTree::Entry* stored = right_.Locate(token);
  if (!stored) return;
  if (kind_ == jkPositive) {
    DropOutputs(stored);
    right_.Erase(stored);
    return;
  }
  Ref<TIEToken> fact = stored->token;
  const int32_t key = stored->key;
  std::unique_ptr<Ref<IIEValue>[]> values = std::move(stored->values);
  right_.Erase(stored);
  TJoinValues read(join_tests_.size());
  if (!values) ReadRight(fact.get(), read);
  const TJoinValues kept(values.get());
  const TJoinValues& b = values ? kept : read;
  left_.ForEachIn(key, [&](TIETokenTree::Entry& left) {
    if (!MatchRight(left.token.get(), fact.get(), b)) return true;
    left.matches = std::max(0, left.matches - 1);
    if (left.matches != 0) return true;
    if (kind_ == jkNegated)
      EmitNull(&left, taAdd);
    else
      DropOutputs(&left);
    return true;
  });
}

bool TJoinNode::CallNode(TIEToken* token, TCallType type) {
  if (token->GetTag() == taClear) {
    left_.Clear();
    right_.Clear();
    return CallChildren(token);
  }
  if (type == ctLeft)
    FromLeft(token);
  else if (type == ctRight)
    FromRight(token);
  else
    RaiseIE(SInvalidCallType, {CallTypeName(type)});
  return true;
}

// The tokens are those the successors were given, as they stand in the
// child lists.
void TJoinNode::ForEachOutput(const std::function<void(TIEToken*)>& f) {
  std::vector<Ref<TIEToken>> outputs;
  left_.ForEach([&](const TIETokenTree::Entry& e) {
    TIETokenTree::ForEachChild(&e, [&](TIEToken* child) { outputs.emplace_back(child); });
  });
  for (const Ref<TIEToken>& token : outputs) {
    token->SetTag(taAdd);
    f(token.get());
  }
}

void TJoinNode::AskForBackChain(TIEToken* left) {
  TIEPattern* pattern = back_chain_pattern_;
  if (!pattern || pattern->Name().rfind(SBackChainPrefix, 0) == 0) return;
  IRuleEngine* engine = network_->Engine();
  IFactTemplate* goal_template = engine->CreateFactTemplate(SBackChainPrefix + pattern->Name());
  IFactTemplate* tmpl = pattern->Template();
  Ref<TFact> goal(new TFact(goal_template));
  for (int s = 0; s < pattern->GetSlotCount(); ++s) {
    const std::string& name = pattern->GetSlotName(s);
    IFactSlot* slot = nullptr;
    if (!tmpl->ContainsSlot(name, &slot) || !goal_template->ContainsSlot(name)) continue;
    bool multi = slot->GetSlotType().Contains(dtMultiSlot);
    Ref<TValueVector> list(new TValueVector);
    Ref<IIEValue> single(FCNil);
    for (int t = 0; t < pattern->GetSlotTestCount(s); ++t) {
      TIEPatternMatchTest* test = pattern->GetSlotTest(s, t);
      IIEValue* value = test->SlotValue();
      if (!test->IsPositive() || !value || value->GetDType() == dtFunCall) continue;
      Ref<IIEValue> contribution(value);
      if (IEVariableTypes.Contains(value->GetDType())) {
        contribution.reset();
        TBinding* b = back_chain_rule_
                          ? back_chain_rule_->GetBindingByName(std::string(value->PeekText()))
                          : nullptr;
        if (b && b->FactIdx() >= 0 && b->FactIdx() < left->GetCount())
          contribution = TokenSlotValue(left, b->FactIdx(), b->SlotName(), b->SubIdx());
        if (!contribution) continue;
      }
      if (!multi) {
        single = contribution;
        continue;
      }
      int32_t position = test->MultiSlotSubIndex();
      if (position >= 0 && position < list->GetValueCount())
        list->Put(position, contribution.get());
      else {
        while (position > list->GetValueCount())
          list->Add(FCNil);
        list->Add(contribution.get());
      }
    }
    if (multi)
      goal->SetValue(name, NewList(list.get()).get());
    else
      goal->SetValue(name, single->Clone().get());
  }
  engine->AddPendingFact(goal.get(), true);
}

std::string TJoinNode::GetToString() const {
  const char* kinds[] = {"join", "not", "exists"};
  return TReteNode::GetToString() + " " + kinds[kind_] + " (" + std::to_string(join_tests_.size()) +
         " join tests, " + std::to_string(tests_.size()) + " tests)";
}

// ================================================================ terminal nodes

TPatternMatchTerminalNode::TPatternMatchTerminalNode(TReteNetwork* network, int32_t number,
                                                     TRule* rule)
    : TReteNode(network, number), rule_(rule) {}

TPatternMatchTerminalNode::~TPatternMatchTerminalNode() {
  StandDown();
}

bool TPatternMatchTerminalNode::CallNode(TIEToken* token, TCallType /*type*/) {
  switch (token->GetTag()) {
    case taClear:
      StandDown();
      break;
    case taRemove:
      StandDown(token);
      break;
    default:
      AddActivation(token);
      break;
  }
  return true;
}

void TPatternMatchTerminalNode::AddActivation(TIEToken* token) {
  if (rule_->OneShot() && rule_->Fired()) return;
  if (!rule_->Enabled()) return;
  if (token->GetTag() == taUpdate && initialized_) return;
  // The list's reference is the activation's first.
  TActivation* activation = new TActivation(rule_, token, this, token->GetStrength());
  activation->AddRef();
  activation->node_listed_ = true;
  activation->node_prev_ = last_;
  if (last_)
    last_->node_next_ = activation;
  else
    first_ = activation;
  last_ = activation;
  ++count_;
  if (static_cast<size_t>(count_) > index_.size()) Grow();
  activation->node_hash_ = token->Identity();
  TActivation** slot = Slot(activation->node_hash_);
  activation->node_same_hash_ = *slot;
  *slot = activation;
  network_->Activate(activation);
}

int TPatternMatchTerminalNode::IndexOf(TActivation* activation) const {
  int i = 0;
  for (TActivation* a = first_; a; a = a->node_next_, ++i)
    if (a == activation) return i;
  return -1;
}

TActivation* TPatternMatchTerminalNode::GetActivation(int i) const {
  if (i < 0 || i >= GetActivationCount()) RaiseIE(SListIndexError, {i});
  TActivation* a = first_;
  while (i-- > 0)
    a = a->node_next_;
  return a;
}

Ref<TActivation> TPatternMatchTerminalNode::Take(TActivation* activation) {
  if (!activation->node_listed_ || activation->node_ != this) return nullptr;
  if (activation->node_prev_)
    activation->node_prev_->node_next_ = activation->node_next_;
  else
    first_ = activation->node_next_;
  if (activation->node_next_)
    activation->node_next_->node_prev_ = activation->node_prev_;
  else
    last_ = activation->node_prev_;
  activation->node_prev_ = activation->node_next_ = nullptr;
  activation->node_listed_ = false;
  --count_;
  Ref<TActivation> taken = Ref<TActivation>::adopt(activation);  // the list's reference
  for (TActivation** link = Slot(activation->node_hash_); *link; link = &(*link)->node_same_hash_) {
    if (*link == activation) {
      *link = activation->node_same_hash_;
      break;
    }
  }
  activation->node_same_hash_ = nullptr;
  taken->ForgetNode();
  return taken;
}

void TPatternMatchTerminalNode::Grow() {
  GrowChainedIndex<TActivation, &TActivation::node_same_hash_, &TActivation::node_hash_>(index_);
}

void TPatternMatchTerminalNode::StandDown(TIEToken* token) {
  if (index_.empty()) return;
  const uint64_t hash = token->Identity();
  for (TActivation* a = *Slot(hash); a; a = a->node_same_hash_) {
    if (a->node_hash_ == hash && static_cast<TIEToken*>(a->Token())->SameChain(token)) {
      Deactivate(a);
      return;
    }
  }
}

void TPatternMatchTerminalNode::StandDown() {
  while (last_)
    Deactivate(last_);
}

void TPatternMatchTerminalNode::Deactivate(TActivation* activation) {
  Ref<TActivation> taken = Take(activation);
  if (taken) network_->Deactivate(taken.get());
}

void TPatternMatchTerminalNode::Forget(TActivation* activation) {
  Take(activation);
}

void TPatternMatchTerminalNode::RuleFired(TActivation* activation) {
  Ref<TActivation> keep(activation);
  Take(activation);
  activation->ForgetNode();
  network_->RuleFired(activation);
}

std::string TPatternMatchTerminalNode::GetToString() const {
  return TReteNode::GetToString() + " terminal " + rule_->RuleName();
}

}  // namespace rulecore
