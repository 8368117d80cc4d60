// rulecore: an embeddable expert-system shell.
#include "rete/activation.h"

#include "platform/format.h"
#include "rete/network.h"
#include "rete/rule.h"
#include "rete/rule_engine.h"

namespace rulecore {

float ClampStrength(float strength) {
  if (!(strength >= 0.0f)) return 0.0f;  // also NaN
  return strength > 1.0f ? 1.0f : strength;
}

static_assert(sizeof(void*) != 8 || sizeof(TActivation) == 128,
              "an activation fills two cache lines");

TActivation::TActivation(TRule* rule, IReteToken* token, TPatternMatchTerminalNode* node,
                         float strength)
    : strength_(ClampStrength(strength)), rule_(rule), token_(token), node_(node) {}

void TActivation::SetStrength(float strength) {
  strength_ = ClampStrength(strength);
}

void TActivation::Fire() {
  Ref<TActivation> keep(this);
  try {
    rule_->Fire(token_.get());
  } catch (...) {
    // A firing that failed is used up all the same: the activation leaves its
    // node quietly, and the engine takes it off the agenda.
    if (node_) node_->Forget(this);
    throw;
  }
  if (node_)
    node_->RuleFired(this);
  else if (rule_->Engine())
    rule_->Engine()->RuleFired(this);
}

Ref<TActivation> TActivation::Clone() const {
  Ref<TActivation> copy(new TActivation(rule_, token_.get(), node_, strength_));
  copy->stamp_ = stamp_;
  copy->sort_salience_ = sort_salience_;
  return copy;
}

void TActivation::Assign(const TActivation& source) {
  rule_ = source.rule_;
  token_ = source.token_;
  node_ = source.node_;
  strength_ = source.strength_;
}

std::string TActivation::GetToString() const {
  return std::to_string(rule_->Salience()) + " " + rule_->RuleName() + " : " +
         (token_ ? token_->GetToFactsString() : std::string()) + " (" + FloatToStr4(strength_) +
         ")";
}

}  // namespace rulecore
