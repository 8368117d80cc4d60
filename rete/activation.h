// rulecore: an embeddable expert-system shell.
// TActivation: a rule whose patterns are all matched by one token, waiting on
// the agenda to fire. Activations are shared by their terminal node (which
// lists the rule's current activations) and the agenda; the run holds the
// one it fires until the firing ends.
#pragma once

#include <string>

#include "core/interfaces.h"
#include "rete/pool.h"

namespace rulecore {

class TRule;
class TPatternMatchTerminalNode;
class TIEAgenda;

class RULECORE_API TActivation : public IInterface {
 public:
  RULECORE_POOLED(TActivation)

  // REQUIRES: `rule` and `node` outlive the activation while it is listed.
  TActivation(TRule* rule, IReteToken* token, TPatternMatchTerminalNode* node, float strength);

  TRule* Rule() const { return rule_; }
  IReteToken* Token() const { return token_.get(); }
  TPatternMatchTerminalNode* Node() const { return node_; }
  float Strength() const { return strength_; }
  // Stores the strength clamped to [0, 1].
  void SetStrength(float strength);

  // Fires the rule with the token, then tells the terminal node (which takes
  // the activation off its list and tells the engine).
  void Fire();
  // A new activation for the same rule, token and node.
  Ref<TActivation> Clone() const;
  void Assign(const TActivation& source);
  // "<salience> <rule> : <facts> (<strength>)".
  std::string GetToString() const;

  // The agenda's bookkeeping: the order of arrival, which breaks ties.
  uint64_t Stamp() const { return stamp_; }
  void SetStamp(uint64_t stamp) { stamp_ = stamp; }
  // The salience the agenda sorted the activation by.
  int32_t SortSalience() const { return sort_salience_; }
  void SetSortSalience(int32_t salience) { sort_salience_ = salience; }
  // Detaches the activation from its node (the node is going away).
  void ForgetNode() { node_ = nullptr; }
  // Whether its terminal node lists it (false once the node withdrew it or
  // it fired, and for an activation made without a node).
  bool Listed() const { return node_listed_; }

 private:
  friend class TPatternMatchTerminalNode;
  friend class TIEAgenda;

  // Laid out to fill two cache lines exactly, as the pool's slabs start on
  // a line: the strength sits beside the shared count.
  float strength_;
  TRule* rule_;
  Ref<IReteToken> token_;
  TPatternMatchTerminalNode* node_;
  uint64_t stamp_ = 0;
  int32_t sort_salience_ = 0;
  bool node_listed_ = false;
  // The terminal node's list of its activations (the node holds a reference
  // to each listed one).
  TActivation* node_prev_ = nullptr;
  TActivation* node_next_ = nullptr;
  // The node's index by the token's identity (copied here).
  TActivation* node_same_hash_ = nullptr;
  uint64_t node_hash_ = 0;
  // The agenda that holds the activation, the rank it sorted it by, and its
  // neighbours among the activations of its salience.
  const TIEAgenda* agenda_ = nullptr;
  int64_t agenda_rank_ = 0;
  TActivation* agenda_prev_ = nullptr;
  TActivation* agenda_next_ = nullptr;
  [[maybe_unused]] char line_pad_[8] = {};
};

// `strength` clamped to [0, 1].
RULECORE_API float ClampStrength(float strength);

}  // namespace rulecore
