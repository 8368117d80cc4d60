// rulecore: an embeddable expert-system shell.
// The Rete network. Each rule compiles into alpha chains (one-input nodes
// testing single facts, shared between rules), a chain of join and test nodes
// (two-input nodes keeping partial matches in hashed memories) and a terminal
// node that turns complete matches into activations. Fact changes enter as
// tokens at the roots and propagate depth-first.
//
// Node kinds:
//   TPatternMatchNode          alpha test on one fact (template, slot values,
//                              lengths, divisions of multislots)
//   TTestNode                  "test" element: calls evaluated on the token
//   TJoinNode                  joins a token with one pattern's facts:
//                              positive, negated (odd negation count) or
//                              existence (even count above 0)
//   TPatternMatchTerminalNode  the rule's activations
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "facts/context.h"
#include "facts/slot_test.h"
#include "rete/activation.h"
#include "rete/token.h"

namespace rulecore {

class IRuleEngine;
class TIEPattern;
class TJoinValues;
class TReteNetwork;
class TRule;

enum TCallType : uint8_t { ctLeft, ctRight, ctSingle, ctActivate };

enum TPatternMatchTest : uint8_t {
  pmtUnknown,
  pmtTestClassType,
  pmtTestEqual,
  pmtTestNotEqual,
  pmtTestSlotValueEqual,
  pmtTestSlotValueNotEqual,
  pmtTestMultiSlotEqual,
  pmtTestMultiSlotNotEqual,
  pmtTestMultiSlotLength,
  pmtTestMultiSlotMultiField,
  pmtFailTest
};

// What an alpha test reads: a slot and position, a second slot and position
// (slot-to-slot tests), a length, and for divisions which positions take
// runs of elements.
struct TNodeArgs {
  std::string slot;
  int32_t sub_index = NoSubIndex;
  std::string slot2;
  int32_t sub_index2 = NoSubIndex;
  int32_t length = 0;
  std::vector<bool> multi;

  bool operator==(const TNodeArgs& o) const {
    return slot == o.slot && sub_index == o.sub_index && slot2 == o.slot2 &&
           sub_index2 == o.sub_index2 && length == o.length && multi == o.multi;
  }
};

// The context calls run in while matching: binding references read the
// token's facts, and the fact being matched stands after them, all with the
// divisions of their multislots.
class RULECORE_API TMatchContext : public TIEContext {
 public:
  TMatchContext(TIEContext* parent, IFactEngine* engine) : TIEContext(parent, engine) {}
  // The fact being matched and its division.
  void SetMatch(IReteToken* token, IFact* fact, TDivision* division);
  Ref<IIEValue> ResolveBindingInfo(const TBindingInfo& info) override;

 private:
  Ref<TDivision> division_;
};

class RULECORE_API TReteNode {
 public:
  struct Edge {
    TReteNode* node;
    TCallType type;
  };

  TReteNode(TReteNetwork* network, int32_t number) : network_(network), number_(number) {}
  virtual ~TReteNode() = default;
  TReteNode(const TReteNode&) = delete;
  TReteNode& operator=(const TReteNode&) = delete;

  // Handles a token arriving through an edge of `type`; true when it passed.
  virtual bool CallNode(TIEToken* token, TCallType type) = 0;
  // Calls every successor with the type stored on its edge.
  bool CallChildren(TIEToken* token);
  virtual std::string GetToString() const;

  int32_t Number() const { return number_; }
  int32_t UseCount() const { return use_count_; }
  const std::vector<Edge>& Successors() const { return successors_; }
  const std::vector<TReteNode*>& Predecessors() const { return predecessors_; }

 protected:
  friend class TReteNetwork;
  TReteNetwork* network_;
  int32_t number_;
  int32_t use_count_ = 1;
  std::vector<Edge> successors_;
  std::vector<TReteNode*> predecessors_;
};

class RULECORE_API TPatternMatchNode : public TReteNode {
 public:
  TPatternMatchNode(TReteNetwork* network, int32_t number, TPatternMatchTest test, TNodeArgs args,
                    IIEValue* value);

  bool CallNode(TIEToken* token, TCallType type) override;
  std::string GetToString() const override;
  bool Equals(TPatternMatchTest test, const TNodeArgs& args, IIEValue* value) const;

  TPatternMatchTest Test() const { return test_; }
  const TNodeArgs& Args() const { return args_; }
  IIEValue* Value() const { return value_.get(); }

 private:
  bool Passes(TIEToken* token);
  // Compares `actual` with the node's value (a constant, or a call run on
  // the token); fuzzy values give a degree that may weaken the token.
  bool Compare(IIEValue* actual, TIEToken* token, float* degree);
  bool PassDivisions(TIEToken* token);

  TPatternMatchTest test_;
  TNodeArgs args_;
  Ref<IIEValue> value_;
  int32_t hint_ = -1;  // where the slots were found in the last fact
  int32_t hint2_ = -1;
};

class RULECORE_API TTestNode : public TReteNode {
 public:
  TTestNode(TReteNetwork* network, int32_t number);

  bool CallNode(TIEToken* token, TCallType type) override;
  std::string GetToString() const override;

  // A function test: equals passes when the call does not yield FALSE.
  void AddTest(std::unique_ptr<TIEPatternMatchTest> test);
  const std::vector<std::unique_ptr<TIEPatternMatchTest>>& Tests() const { return tests_; }
  // The tokens that arrived (for a test, those that passed), each listing
  // the tokens made from it.
  const TIETokenTree& LeftMemory() const { return left_; }

 protected:
  // Runs the function tests with `token` and the fact being matched.
  bool RunTests(IReteToken* token, IFact* fact, TDivision* division);
  // Withdraws every token made from the entry.
  void DropOutputs(TIETokenTree::Entry* e);

  std::vector<std::unique_ptr<TIEPatternMatchTest>> tests_;
  TMatchContext context_;
  TIETokenTree left_{0};
};

enum TJoinKind : uint8_t { jkPositive, jkNegated, jkExists };

class RULECORE_API TJoinNode : public TTestNode {
 public:
  TJoinNode(TReteNetwork* network, int32_t number, TJoinKind kind, bool unique);

  bool CallNode(TIEToken* token, TCallType type) override;
  std::string GetToString() const override;

  void AddJoinTest(const TIEJoinTest& test);
  const std::vector<TIEJoinTest>& JoinTests() const { return join_tests_; }
  TJoinKind Kind() const { return kind_; }
  bool Unique() const { return unique_; }
  // Same class, kind, join and function tests, and right input.
  bool SameAs(const TJoinNode& other, TReteNode* right_input) const;
  // Remembers the backward-chaining pattern this join asks goals for.
  void AttachBackChain(TIEPattern* pattern, TRule* rule);
  int32_t TokensPassed() const { return passed_; }
  const TIETokenTree& RightMemory() const { return right_; }
  TReteNode* RightInput() const { return right_input_; }
  void SetRightInput(TReteNode* node) { right_input_ = node; }
  // Every token this node currently passes on, as the successors saw them.
  void ForEachOutput(const std::function<void(TIEToken*)>& f);

 private:
  void ReadLeft(TIEToken* left, TJoinValues& a) const;
  void ReadRight(TIEToken* right, TJoinValues& b) const;
  int32_t KeyOf(const TJoinValues& values) const;
  // Whether the left token and the right token pass the join tests (their
  // values read beforehand) and the function tests.
  bool Match(TIEToken* left, const TJoinValues& a, TIEToken* right, const TJoinValues& b);
  bool MatchLeft(TIEToken* left, const TJoinValues& a, TIEToken* right);
  bool MatchLeft(TIEToken* left, const TJoinValues& a, TIETokenTree::Entry& right);
  bool MatchRight(TIEToken* left, TIEToken* right, const TJoinValues& b);
  void Emit(TIETokenTree::Entry* left, TIETokenTree::Entry* right, TTokenAction action);
  void EmitNull(TIETokenTree::Entry* left, TTokenAction action);
  void FromLeft(TIEToken* token);
  void FromRight(TIEToken* token);
  void AskForBackChain(TIEToken* left);

  TJoinKind kind_;
  bool unique_;
  std::vector<TIEJoinTest> join_tests_;
  int shortcut_ = -1;       // the first equality test (-1: none)
  std::vector<int> keyed_;  // the equality tests the memories hash by
  // Where each test's slots were found in the last facts read.
  struct Hints {
    int32_t left = -1;
    int32_t right = -1;
  };
  mutable std::vector<Hints> hints_;
  TIETokenTree right_{1};
  TReteNode* right_input_ = nullptr;
  TIEPattern* back_chain_pattern_ = nullptr;
  TRule* back_chain_rule_ = nullptr;
  int32_t passed_ = 0;
};

class RULECORE_API TPatternMatchTerminalNode : public TReteNode {
 public:
  TPatternMatchTerminalNode(TReteNetwork* network, int32_t number, TRule* rule);
  ~TPatternMatchTerminalNode() override;

  bool CallNode(TIEToken* token, TCallType type) override;
  std::string GetToString() const override;

  TRule* Rule() const { return rule_; }
  // Makes an activation unless the rule is disabled or a fired one-shot
  // rule, or the token is an update once the node is initialized.
  void AddActivation(TIEToken* token);
  // Withdraws the first activation whose token equals `token`.
  void StandDown(TIEToken* token);
  // Withdraws every activation, last first.
  void StandDown();
  void Deactivate(TActivation* activation);
  // Takes the activation off the list without telling anyone.
  void Forget(TActivation* activation);
  // The activation fired: it leaves the list and the engine is told.
  void RuleFired(TActivation* activation);
  int GetActivationCount() const { return count_; }
  // REQUIRES: 0 <= i < GetActivationCount(); walks the list.
  TActivation* GetActivation(int i) const;
  int IndexOf(TActivation* activation) const;
  void SetInitialized(bool on) { initialized_ = on; }

 private:
  TRule* rule_;
  // Takes the activation off the list; nil when it is not there.
  Ref<TActivation> Take(TActivation* activation);

  TActivation** Slot(uint64_t hash) { return &index_[hash & (index_.size() - 1)]; }
  void Grow();

  // In arrival order (linked through the activations, each listed one held
  // by the node), with an index by token hash chained through the
  // activations, so that withdrawing an activation costs no walk of the list.
  TActivation* first_ = nullptr;
  TActivation* last_ = nullptr;
  int count_ = 0;
  std::vector<TActivation*> index_;  // size a power of 2
  bool initialized_ = false;
};

using TActivationEvent = std::function<void(TReteNetwork* sender, TActivation* activation)>;

class RULECORE_API TReteNetwork {
 public:
  // REQUIRES: `engine` outlives the network.
  explicit TReteNetwork(IRuleEngine* engine);
  ~TReteNetwork();
  TReteNetwork(const TReteNetwork&) = delete;
  TReteNetwork& operator=(const TReteNetwork&) = delete;

  IRuleEngine* Engine() const { return engine_; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on) { enabled_ = on; }
  float MinActivationStrength() const { return min_strength_; }
  void SetMinActivationStrength(float value);

  // Compiles the rule (see the file comment) and primes it with the facts
  // that exist: the rule gets its activations at once, and the rules it
  // shares nodes with are not disturbed. Errors leave what was built in the
  // rule's node list, so that RemoveRule releases it.
  void AddRule(TRule* rule);
  // Releases the rule's nodes; nodes shared with other rules survive.
  void RemoveRule(TRule* rule);
  bool HasRule(TRule* rule) const { return rule_nodes_.count(rule) > 0; }
  // The rule's compilation trace: "<name>: +1 +1 +2 +t".
  std::string Trace(TRule* rule) const;
  const std::vector<TReteNode*>* RuleNodes(TRule* rule) const;
  // Removes every node, root and rule entry.
  void Clear();

  // Sends a token to every root; true when a root accepted it. Add and
  // update tokens are ignored while the network is disabled.
  bool ProcessToken(TIEToken* token);

  int GetRootCount() const { return static_cast<int>(roots_.size()); }
  TReteNode* GetRoot(int i) const { return roots_[static_cast<size_t>(i)]; }
  int NodeCount() const { return static_cast<int>(nodes_.size()); }

  // The terminal nodes' calls.
  void Activate(TActivation* activation);
  void Deactivate(TActivation* activation);
  void RuleFired(TActivation* activation);

  // A copy of `call` in which every variable bound by `rule` is a binding
  // reference, so that nodes can read it from a token.
  Ref<IFunCall> Evaluate(IFunCall* call, TRule* rule);
  // Whether any binding reference in `call` names a pattern other than `index`.
  static bool HasMorePatterns(IFunCall* call, int32_t index);
  // Points every binding reference of `call` at pattern 0.
  static void CleanUpBinding(IFunCall* call);

  TActivationEvent OnActivation;
  TActivationEvent OnDeactivation;
  TActivationEvent OnRuleFired;

  // The engine's context, the parent of the nodes' match contexts.
  TIEContext* RootContext();
  IFact* NullFact();
  // A token of the null fact, the origin of the tokens that negated,
  // existence and test elements make.
  TIEToken* NullToken();
  // The context alpha nodes run calls in.
  TMatchContext& AlphaContext() { return *alpha_context_; }
  // While a new rule is primed, only its own nodes (and the shared nodes on
  // the way to them) are called.
  bool Allowed(TReteNode* node) const { return !filter_ || filter_->count(node) > 0; }
  // Whether a new rule is being primed. Only then can a token reach a
  // memory that already holds its equal: priming sends the facts again
  // through the shared nodes above the new ones.
  bool Priming() const { return filter_ != nullptr; }

 private:
  friend class TPatternMatchNode;
  friend class TJoinNode;
  TReteNode* AddNode(std::unique_ptr<TReteNode> node);
  void Connect(TReteNode* from, TReteNode* to, TCallType type);
  TPatternMatchNode* CreateSuccessor(TReteNode* parent, TPatternMatchTest test,
                                     const TNodeArgs& args, IIEValue* value, TRule* rule);
  void Use(TRule* rule, TReteNode* node, const char* trace);
  void FreeNode(TReteNode* node);
  void Prime(TRule* rule, const std::vector<TReteNode*>& fresh);

  IRuleEngine* engine_;
  bool enabled_ = true;
  float min_strength_ = 0.0f;
  std::vector<std::unique_ptr<TReteNode>> nodes_;
  std::vector<TReteNode*> roots_;
  std::unordered_map<TRule*, std::vector<TReteNode*>> rule_nodes_;
  std::unordered_map<TRule*, std::string> traces_;
  int32_t next_number_ = 0;
  std::unique_ptr<TMatchContext> alpha_context_;
  const std::unordered_set<TReteNode*>* filter_ = nullptr;
  Ref<TIEToken> null_token_;
};

}  // namespace rulecore
