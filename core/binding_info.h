// rulecore: an embeddable expert-system shell.
// TBindingInfo: a place in a partial match - which fact (by its position in
// the match), which slot, and which element of a multislot. Patterns hold one
// inside a dtObject value to stand for "the value found there"; the value
// resolves it through the execution context.
#pragma once

#include <cstdint>
#include <string>

#include "core/ie_consts.h"
#include "platform/object.h"

namespace rulecore {

class RULECORE_API TBindingInfo : public TPersistent {
  RC_DECLARE_CLASS(TBindingInfo)

 public:
  TBindingInfo() = default;
  TBindingInfo(int32_t fact_idx, const std::string& slot_name, int32_t sub_idx)
      : sub_idx_(sub_idx), fact_idx_(fact_idx), slot_name_(slot_name) {}

  int32_t SubIdx() const { return sub_idx_; }
  int32_t FactIdx() const { return fact_idx_; }
  const std::string& SlotName() const { return slot_name_; }
  void SetSubIdx(int32_t v) { sub_idx_ = v; }
  void SetFactIdx(int32_t v) { fact_idx_ = v; }
  void SetSlotName(const std::string& v) { slot_name_ = v; }

  void Assign(const TPersistent& source) override;
  // True iff `other` is a binding info (or a descendant) for the same place.
  virtual bool Equals(const TPersistent* other) const;
  // "FactIdx=<n> SlotIdx=<slot>", with " SubIdx=<n>" when there is one.
  virtual std::string ToString() const;

 private:
  int32_t sub_idx_ = NoSubIndex;
  int32_t fact_idx_ = 0;
  std::string slot_name_;
};

// `object` as a binding info; nil when it is none. Values resolve one for
// every test that reads a binding, so the class itself is recognised
// without a dynamic cast (its descendants still take one).
inline const TBindingInfo* AsBindingInfo(const TObject* object) {
  if (!object) return nullptr;
  if (&object->ClassType() == &TBindingInfo::StaticClass())
    return static_cast<const TBindingInfo*>(object);
  return dynamic_cast<const TBindingInfo*>(object);
}

}  // namespace rulecore
