// rulecore: an embeddable expert-system shell.
// TFact: one entry of the knowledge base, a template and one value per slot.
// Values are filled lazily from the slot defaults as they are read; under the
// engine's dynamic type checks a written value is tested (and an integer for
// a float slot becomes a float in place). Equality and the hash code, the
// basis of duplicate detection, skip fuzzy slots. The engine numbers facts
// when it asserts them; -1 marks a fact that was never asserted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/interfaces.h"
#include "platform/string_hash_table.h"

namespace rulecore {

class IFactEngine;

// One slot value of a fact, with the template slot it belongs to.
struct TFactValueEntry {
  Ref<IIEValue> value;
  Ref<IFactSlot> slot;  // nil until first needed
};

class RULECORE_API TFact : public TPersistent, public IFact {
  RC_DECLARE_CLASS(TFact)

 public:
  using IFact::Assign;
  using IFact::Equals;

  // A fact of `tmpl` (may be nil) holding no values yet; with `source`,
  // assigned from it.
  explicit TFact(IFactTemplate* tmpl = nullptr, IFact* source = nullptr);
  ~TFact() override;

  // ---- IFact
  // SNoTemplate, or SFactTemplatesDifferent unless `source` has this very
  // template; then every value of `source` is cloned into this fact.
  void AssignValues(IFact* source) override;
  bool ContainsKey(std::string_view slot_name) const override;
  int32_t GetHashCode() const override;
  int32_t GetID() const override { return id_; }
  IFactTemplate* GetTemplate() const override { return template_.get(); }
  std::string GetToString() const override;
  std::string GetToIDString() const override;
  // The slot's value object itself, filled from the default when missing.
  // SNoTemplate; SInvalidSlotName for a slot the template does not have.
  IIEValue* GetValue(std::string_view slot_name) override;
  IIEValue* GetValueHinted(std::string_view slot_name, int32_t& hint) override;
  std::vector<IIEValue*> GetSlotValues() const override;
  std::vector<std::string> GetSlotNames() const override;
  // Stores `value` itself (shared). Under dynamic checks an invalid value
  // raises the slot's explanation, except the in-place conversions.
  void SetValue(std::string_view slot_name, IIEValue* value) override;
  void SetID(int32_t id) override { id_ = id; }
  void SetTemplate(IFactTemplate* tmpl) override;
  bool Equals(IFact* other) override;
  bool Equals(IInterface* other) override;
  Ref<IFact> Clone() const override;
  int32_t GetTag() const override { return tag_; }
  void SetTag(int32_t tag) override { tag_ = tag; }
  void Assign(IInterface* source) override;
  void Assign(const TPersistent& source) override;

  // Replaces all values by clones of the given ones, through SetValue.
  void SetValues(const TStringHashTable<TFactValueEntry>& values);
  const TStringHashTable<TFactValueEntry>& Values() const { return values_; }
  void RemoveValues() { values_.Clear(); }

 private:
  IFactEngine* Engine() const;
  bool DynamicChecks() const;
  TFactValueEntry& Fill(std::string_view slot_name);
  void CheckTemplate() const;

  TStringHashTable<TFactValueEntry> values_;
  int32_t id_ = -1;
  int32_t tag_ = 0;
  Ref<IFactTemplate> template_;
};

}  // namespace rulecore
