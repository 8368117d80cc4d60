// rulecore: an embeddable expert-system shell.
#include "core/binding_info.h"

namespace rulecore {

namespace {
TObject* NewBindingInfo(TComponent*) {
  return new TBindingInfo;
}
}  // namespace

RC_DEFINE_CLASS(TBindingInfo, TPersistent, NewBindingInfo)

void TBindingInfo::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TBindingInfo*>(&source)) {
    sub_idx_ = other->sub_idx_;
    fact_idx_ = other->fact_idx_;
    slot_name_ = other->slot_name_;
    return;
  }
  TPersistent::Assign(source);
}

bool TBindingInfo::Equals(const TPersistent* other) const {
  auto* info = dynamic_cast<const TBindingInfo*>(other);
  return info && info->fact_idx_ == fact_idx_ && info->slot_name_ == slot_name_ &&
         info->sub_idx_ == sub_idx_;
}

std::string TBindingInfo::ToString() const {
  std::string s = "FactIdx=" + std::to_string(fact_idx_) + " SlotIdx=" + slot_name_;
  if (sub_idx_ != NoSubIndex) s += " SubIdx=" + std::to_string(sub_idx_);
  return s;
}

}  // namespace rulecore
