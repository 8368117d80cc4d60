// rulecore: an embeddable expert-system shell.
// Compiling rules into the network, priming them, releasing them, and the
// entry of tokens.
#include <algorithm>
#include <set>

#include "core/binding_info.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"
#include "facts/pattern.h"
#include "functions/function_call.h"
#include "rete/network.h"
#include "rete/rule.h"
#include "rete/rule_engine.h"

namespace rulecore {

namespace {

bool IsVariable(IIEValue* v) {
  return v && IEVariableTypes.Contains(v->GetDType());
}

// Every test of a pattern in slot order, then position order, with its slot.
struct SlotTest {
  int slot;
  TIEPatternMatchTest* test;
};

std::vector<SlotTest> TestsOf(TIEPattern* pattern) {
  std::vector<SlotTest> out;
  for (int s = 0; s < pattern->GetSlotCount(); ++s)
    for (int t = 0; t < pattern->GetSlotTestCount(s); ++t)
      out.push_back({s, pattern->GetSlotTest(s, t)});
  return out;
}

}  // namespace

// ================================================================ TReteNetwork

TReteNetwork::TReteNetwork(IRuleEngine* engine)
    : engine_(engine),
      alpha_context_(
          std::make_unique<TMatchContext>(engine ? engine->GetContext() : nullptr, engine)) {}

TReteNetwork::~TReteNetwork() {
  Clear();
}

TIEContext* TReteNetwork::RootContext() {
  return engine_ ? engine_->GetContext() : nullptr;
}

IFact* TReteNetwork::NullFact() {
  return engine_ ? engine_->NullFact() : nullptr;
}

TIEToken* TReteNetwork::NullToken() {
  IFact* fact = NullFact();
  if (!null_token_ || null_token_->GetFact() != fact) null_token_ = MakeRef<TIEToken>(taAdd, fact);
  return null_token_.get();
}

void TReteNetwork::SetMinActivationStrength(float value) {
  min_strength_ = ClampStrength(value);
}

TReteNode* TReteNetwork::AddNode(std::unique_ptr<TReteNode> node) {
  nodes_.push_back(std::move(node));
  return nodes_.back().get();
}

void TReteNetwork::Connect(TReteNode* from, TReteNode* to, TCallType type) {
  from->successors_.push_back({to, type});
  to->predecessors_.push_back(from);
}

void TReteNetwork::Use(TRule* rule, TReteNode* node, const char* trace) {
  rule_nodes_[rule].push_back(node);
  if (trace) traces_[rule] += std::string(" ") + trace;
}

TPatternMatchNode* TReteNetwork::CreateSuccessor(TReteNode* parent, TPatternMatchTest test,
                                                 const TNodeArgs& args, IIEValue* value,
                                                 TRule* rule) {
  auto find = [&](TReteNode* candidate) -> TPatternMatchNode* {
    auto* node = dynamic_cast<TPatternMatchNode*>(candidate);
    return node && node->Equals(test, args, value) ? node : nullptr;
  };
  TPatternMatchNode* found = nullptr;
  if (parent) {
    for (const TReteNode::Edge& e : parent->successors_)
      if ((found = find(e.node))) break;
  } else {
    for (TReteNode* root : roots_)
      if ((found = find(root))) break;
  }
  if (found) {
    ++found->use_count_;
    Use(rule, found, parent ? "=1" : nullptr);
    return found;
  }
  auto* node = static_cast<TPatternMatchNode*>(
      AddNode(std::make_unique<TPatternMatchNode>(this, next_number_++, test, args, value)));
  if (parent)
    Connect(parent, node, ctSingle);
  else
    roots_.push_back(node);
  Use(rule, node, "+1");
  return node;
}

// ---------------------------------------------------------------- calls with bindings

Ref<IFunCall> TReteNetwork::Evaluate(IFunCall* call, TRule* rule) {
  Ref<IFunCall> copy = call->Clone();
  for (int i = 0; i < copy->GetArgumentCount(); ++i) {
    IIEValue* arg = copy->GetArgument(i);
    if (!arg) continue;
    if (arg->GetDType() == dtFunCall && arg->GetAsFunCall()) {
      Ref<IFunCall> inner = Evaluate(arg->GetAsFunCall(), rule);
      copy->SetArgument(i, Ref<IIEValue>(new TIEValue(inner.get())).get());
    } else if (IsVariable(arg)) {
      TBinding* b = rule->GetBindingByName(std::string(arg->PeekText()));
      if (!b || b->SlotName() == SLocalBinding) continue;
      auto* info = new TBindingInfo(b->FactIdx(), b->SlotName(), b->SubIdx());
      copy->SetArgument(i, Ref<IIEValue>(new TIEValue(info, true)).get());
    }
  }
  return copy;
}

namespace {
template <class F>
void ForEachBindingInfo(IFunCall* call, F&& f) {
  if (!call) return;
  for (int i = 0; i < call->GetArgumentCount(); ++i) {
    IIEValue* arg = call->GetArgument(i);
    if (!arg) continue;
    if (arg->GetDType() == dtFunCall) {
      ForEachBindingInfo(arg->GetAsFunCall(), f);
    } else if (arg->GetDType() == dtObject) {
      if (auto* info = dynamic_cast<TBindingInfo*>(arg->GetAsObject())) f(info);
    }
  }
}
}  // namespace

bool TReteNetwork::HasMorePatterns(IFunCall* call, int32_t index) {
  bool more = false;
  ForEachBindingInfo(call, [&](TBindingInfo* info) { more = more || info->FactIdx() != index; });
  return more;
}

void TReteNetwork::CleanUpBinding(IFunCall* call) {
  ForEachBindingInfo(call, [](TBindingInfo* info) { info->SetFactIdx(0); });
}

// ---------------------------------------------------------------- compiling

void TReteNetwork::AddRule(TRule* rule) {
  if (!enabled_) return;
  if (rule->PatternCount() == 0) {
    std::unique_ptr<TIEPattern> initial = engine_->InitialFactPattern()->Clone();
    rule->AddPattern(std::move(initial));
  }
  if (rule_nodes_.count(rule)) return;
  rule_nodes_[rule];
  traces_[rule] = rule->RuleName() + ":";
  const int patterns = rule->PatternCount();
  std::vector<TReteNode*> ends(static_cast<size_t>(patterns), nullptr);
  std::vector<TReteNode*> roots;
  std::vector<TReteNode*> fresh;
  size_t used_before = 0;
  auto collect_fresh = [&](const char*) {};
  (void)collect_fresh;

  // First pass: alpha chains.
  for (int i = 0; i < patterns; ++i) {
    TIEPattern* pattern = rule->Pattern(i);
    bool test_ce = pattern->Name() == STestCE;
    TReteNode* end = CreateSuccessor(nullptr, test_ce ? pmtUnknown : pmtTestClassType, TNodeArgs{},
                                     NewAtom(test_ce ? STestCE : pattern->Name()).get(), rule);
    roots.push_back(end);
    ends[static_cast<size_t>(i)] = end;
    if (test_ce) continue;
    // Divisions of multislots that multifield variables take runs of.
    std::set<int> divided;
    for (int s = 0; s < pattern->GetSlotCount(); ++s) {
      int32_t length = pattern->GetSlotLength(s);
      if (length < 1) continue;
      TNodeArgs args;
      args.slot = pattern->GetSlotName(s);
      args.multi.assign(static_cast<size_t>(length), false);
      bool any = false;
      for (int t = 0; t < pattern->GetSlotTestCount(s); ++t) {
        TIEPatternMatchTest* test = pattern->GetSlotTest(s, t);
        IIEValue* v = test->SlotValue();
        int32_t p = test->MultiSlotSubIndex();
        if (v && v->GetDType() == dtMultiVariable && p >= 0 && p < length) {
          args.multi[static_cast<size_t>(p)] = true;
          any = true;
        }
      }
      if (!any) continue;
      args.length = length;
      divided.insert(s);
      end = CreateSuccessor(end, pmtTestMultiSlotMultiField, args, nullptr, rule);
    }
    for (int s = 0; s < pattern->GetSlotCount(); ++s) {
      int32_t length = pattern->GetSlotLength(s);
      if (length < 0 || divided.count(s)) continue;
      TNodeArgs args;
      args.slot = pattern->GetSlotName(s);
      args.length = length;
      end = CreateSuccessor(end, pmtTestMultiSlotLength, args, nullptr, rule);
    }
    for (const SlotTest& st : TestsOf(pattern)) {
      IIEValue* value = st.test->SlotValue();
      if (!value || IsVariable(value)) continue;
      Ref<IIEValue> node_value(value);
      if (value->GetDType() == dtFunCall) {
        Ref<IFunCall> call = Evaluate(value->GetAsFunCall(), rule);
        if (HasMorePatterns(call.get(), i)) continue;
        CleanUpBinding(call.get());
        node_value = Ref<IIEValue>(new TIEValue(call.get()));
      }
      TNodeArgs args;
      args.slot = pattern->GetSlotName(st.slot);
      args.sub_index = st.test->MultiSlotSubIndex();
      bool whole = args.sub_index == NoSubIndex;
      TPatternMatchTest kind = st.test->IsPositive()
                                   ? (whole ? pmtTestEqual : pmtTestMultiSlotEqual)
                                   : (whole ? pmtTestNotEqual : pmtTestMultiSlotNotEqual);
      end = CreateSuccessor(end, kind, args, node_value.get(), rule);
    }
    ends[static_cast<size_t>(i)] = end;
  }

  // Second pass: a variable used more than once in one pattern - in two
  // slots or at two positions of one slot - must take equal values there.
  for (int i = 0; i < patterns; ++i) {
    TIEPattern* pattern = rule->Pattern(i);
    if (pattern->Name() == STestCE) continue;
    std::vector<SlotTest> tests = TestsOf(pattern);
    std::set<std::string> seen;
    for (size_t a = 0; a < tests.size(); ++a) {
      IIEValue* va = tests[a].test->SlotValue();
      if (!IsVariable(va)) continue;
      std::string name(va->PeekText());
      if (!seen.insert(name).second) continue;
      for (size_t b = a + 1; b < tests.size(); ++b) {
        IIEValue* vb = tests[b].test->SlotValue();
        if (!IsVariable(vb) || vb->PeekText() != name) continue;
        bool pa = tests[a].test->IsPositive();
        bool pb = tests[b].test->IsPositive();
        if (!pa && !pb) continue;
        TNodeArgs args;
        args.slot = pattern->GetSlotName(tests[a].slot);
        args.sub_index = tests[a].test->MultiSlotSubIndex();
        args.slot2 = pattern->GetSlotName(tests[b].slot);
        args.sub_index2 = tests[b].test->MultiSlotSubIndex();
        if (args.slot == args.slot2 && args.sub_index == args.sub_index2) continue;
        ends[static_cast<size_t>(i)] = CreateSuccessor(
            ends[static_cast<size_t>(i)],
            pa && pb ? pmtTestSlotValueEqual : pmtTestSlotValueNotEqual, args, nullptr, rule);
      }
    }
  }

  // Third pass: joins.
  TReteNode* left = ends[0];
  for (int i = 1; i < patterns; ++i) {
    TIEPattern* pattern = rule->Pattern(i);
    bool test_ce = pattern->Name() == STestCE;
    std::unique_ptr<TTestNode> node;
    TJoinNode* join = nullptr;
    if (test_ce) {
      node = std::make_unique<TTestNode>(this, next_number_);
    } else {
      TJoinKind kind = pattern->NegatedCount() == 0       ? jkPositive
                       : pattern->NegatedCount() % 2 != 0 ? jkNegated
                                                          : jkExists;
      auto j = std::make_unique<TJoinNode>(this, next_number_, kind, pattern->Unique());
      join = j.get();
      node = std::move(j);
    }
    IFactTemplate* tmpl = pattern->Template();
    bool back_chain = tmpl && tmpl->IsBackwardChaining();
    std::set<std::string> joined;
    for (const SlotTest& st : TestsOf(pattern)) {
      IIEValue* value = st.test->SlotValue();
      if (!value) continue;
      const std::string slot = pattern->GetSlotName(st.slot);
      if (IsVariable(value) && join) {
        std::string name(value->PeekText());
        if (!joined.insert(name).second) continue;  // later uses: equal within the pattern
        TBinding* b = rule->GetBindingByName(name);
        if (!b) RaiseIE(SCorruptedVariable, {name});
        if (b->FactIdx() == i || b->SlotName() == SLocalBinding) continue;
        TSlotTestType type = st.test->IsPositive() ? sttEquals : sttNotEquals;
        int32_t sub = st.test->MultiSlotSubIndex();
        if (b->SubIdx() == NoSubIndex && sub == NoSubIndex)
          join->AddJoinTest(TIEJoinTest(type, b->SlotName(), slot, b->FactIdx()));
        else
          join->AddJoinTest(TIEJoinTest(type, b->SlotName(), b->SubIdx(), slot, sub, b->FactIdx()));
      } else if (value->GetDType() == dtFunCall) {
        if (back_chain) RaiseIE(SBackChainFuncallPatterns, {pattern->Name()});
        Ref<IFunCall> call = Evaluate(value->GetAsFunCall(), rule);
        if (!test_ce && !HasMorePatterns(call.get(), i)) continue;
        auto test = std::make_unique<TIEPatternMatchTest>(
            nullptr, st.test->TestType(), st.test->MultiSlotSubIndex(),
            Ref<IIEValue>(new TIEValue(call.get())).get());
        node->AddTest(std::move(test));
      }
    }
    TReteNode* right = ends[static_cast<size_t>(i)];
    TReteNode* reused = nullptr;
    if (join && join->Kind() == jkPositive) {
      for (const TReteNode::Edge& e : left->successors_) {
        auto* other = dynamic_cast<TJoinNode*>(e.node);
        if (other && e.type == ctLeft && join->SameAs(*other, other->RightInput()) &&
            other->RightInput() == right) {
          reused = other;
          break;
        }
      }
    }
    if (reused) {
      ++reused->use_count_;
      Use(rule, reused, "=2");
      left = reused;
      continue;
    }
    ++next_number_;
    TReteNode* added = AddNode(std::move(node));
    Connect(left, added, ctLeft);
    if (join) {
      Connect(right, added, ctRight);
      join->SetRightInput(right);
      if (back_chain && !pattern->Explicit()) join->AttachBackChain(pattern, rule);
    }
    Use(rule, added, "+2");
    left = added;
  }

  // Fourth pass: the terminal node, then the facts that exist already.
  auto* terminal = static_cast<TPatternMatchTerminalNode*>(
      AddNode(std::make_unique<TPatternMatchTerminalNode>(this, next_number_++, rule)));
  Connect(left, terminal, ctActivate);
  Use(rule, terminal, "+t");
  (void)used_before;
  // The nodes made for this rule are those used once, by it alone.
  for (TReteNode* n : rule_nodes_[rule])
    if (n->use_count_ == 1 && std::find(fresh.begin(), fresh.end(), n) == fresh.end())
      fresh.push_back(n);
  Prime(rule, fresh);
  terminal->SetInitialized(true);
}

// Feeds a new rule the facts that exist, through its own nodes only: the
// nodes it shares with other rules hold their state already, so they are
// not called again, and the other rules' activations stay as they are.
void TReteNetwork::Prime(TRule* rule, const std::vector<TReteNode*>& fresh) {
  if (!engine_) return;
  std::unordered_set<TReteNode*> fresh_set(fresh.begin(), fresh.end());
  struct Entry {
    TReteNode* from;
    TReteNode* to;
    TCallType type;
  };
  std::vector<Entry> entries;
  std::vector<TReteNode*> fresh_roots;
  for (TReteNode* n : fresh) {
    if (n->predecessors_.empty() && std::find(roots_.begin(), roots_.end(), n) != roots_.end())
      fresh_roots.push_back(n);
    for (TReteNode* p : n->predecessors_) {
      if (fresh_set.count(p)) continue;
      for (const TReteNode::Edge& e : p->successors_)
        if (e.node == n) entries.push_back({p, n, e.type});
    }
  }
  std::vector<Ref<IFact>> facts;
  for (int i = 0; i < engine_->FactCount(); ++i)
    facts.emplace_back(engine_->FactAt(i));

  // Runs the facts from the root above `through` down to `to` (and on into
  // the new nodes), calling nothing else.
  auto feed = [&](TReteNode* through, TReteNode* to) {
    std::unordered_set<TReteNode*> allowed(fresh_set);
    TReteNode* root = through;
    while (root) {
      allowed.insert(root);
      if (root->predecessors_.empty()) break;
      root = root->predecessors_.front();
    }
    allowed.insert(to);
    const auto* saved = filter_;
    filter_ = &allowed;
    try {
      for (const Ref<IFact>& fact : facts) {
        Ref<TIEToken> token(new TIEToken(taAdd, fact.get()));
        root->CallNode(token.get(), ctSingle);
      }
    } catch (...) {
      filter_ = saved;
      throw;
    }
    filter_ = saved;
  };
  auto replay = [&](TJoinNode* from, TReteNode* to, TCallType type) {
    const auto* saved = filter_;
    filter_ = &fresh_set;
    try {
      from->ForEachOutput([&](TIEToken* token) { to->CallNode(token, type); });
    } catch (...) {
      filter_ = saved;
      throw;
    }
    filter_ = saved;
  };
  auto handle = [&](const Entry& e) {
    if (auto* join = dynamic_cast<TJoinNode*>(e.from))
      replay(join, e.to, e.type);
    else if (dynamic_cast<TPatternMatchNode*>(e.from))
      feed(e.from, e.to);
  };
  // Right inputs first, so that left tokens meet complete right memories.
  for (const Entry& e : entries)
    if (e.type == ctRight) handle(e);
  for (TReteNode* root : fresh_roots)
    feed(root, root);
  for (const Entry& e : entries)
    if (e.type != ctRight) handle(e);
  (void)rule;
}

// ---------------------------------------------------------------- releasing

void TReteNetwork::FreeNode(TReteNode* node) {
  for (TReteNode* p : node->predecessors_) {
    auto& s = p->successors_;
    s.erase(std::remove_if(s.begin(), s.end(),
                           [&](const TReteNode::Edge& e) { return e.node == node; }),
            s.end());
  }
  for (const TReteNode::Edge& e : node->successors_) {
    auto& p = e.node->predecessors_;
    p.erase(std::remove(p.begin(), p.end(), node), p.end());
  }
  roots_.erase(std::remove(roots_.begin(), roots_.end(), node), roots_.end());
  auto it = std::find_if(nodes_.begin(), nodes_.end(),
                         [&](const std::unique_ptr<TReteNode>& n) { return n.get() == node; });
  if (it != nodes_.end()) {
    std::unique_ptr<TReteNode> dying = std::move(*it);
    nodes_.erase(it);
  }
}

void TReteNetwork::RemoveRule(TRule* rule) {
  auto it = rule_nodes_.find(rule);
  if (it == rule_nodes_.end()) return;
  std::vector<TReteNode*> nodes = std::move(it->second);
  rule_nodes_.erase(it);
  traces_.erase(rule);
  for (auto n = nodes.rbegin(); n != nodes.rend(); ++n)
    if (--(*n)->use_count_ == 0) FreeNode(*n);
}

void TReteNetwork::Clear() {
  // Terminal nodes withdraw their activations as they go.
  rule_nodes_.clear();
  traces_.clear();
  roots_.clear();
  while (!nodes_.empty()) {
    std::unique_ptr<TReteNode> dying = std::move(nodes_.back());
    nodes_.pop_back();
  }
}

std::string TReteNetwork::Trace(TRule* rule) const {
  auto it = traces_.find(rule);
  return it == traces_.end() ? std::string() : it->second;
}

const std::vector<TReteNode*>* TReteNetwork::RuleNodes(TRule* rule) const {
  auto it = rule_nodes_.find(rule);
  return it == rule_nodes_.end() ? nullptr : &it->second;
}

// ---------------------------------------------------------------- tokens, activations

bool TReteNetwork::ProcessToken(TIEToken* token) {
  if (!enabled_ && (token->GetTag() == taAdd || token->GetTag() == taUpdate)) return false;
  std::vector<TReteNode*> roots = roots_;
  bool passed = false;
  for (TReteNode* root : roots)
    passed = root->CallNode(token, ctSingle) || passed;
  return passed;
}

void TReteNetwork::Activate(TActivation* activation) {
  if (engine_) engine_->AddActivation(activation);
  if (OnActivation) OnActivation(this, activation);
}

void TReteNetwork::Deactivate(TActivation* activation) {
  if (engine_) engine_->RemoveActivation(activation);
  if (OnDeactivation) OnDeactivation(this, activation);
}

void TReteNetwork::RuleFired(TActivation* activation) {
  if (engine_) engine_->RuleFired(activation);
  if (OnRuleFired) OnRuleFired(this, activation);
}

}  // namespace rulecore
