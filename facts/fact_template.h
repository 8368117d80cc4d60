// rulecore: an embeddable expert-system shell.
// Fact templates (deftemplate) and their slots. A slot has a name, the kinds
// it accepts, an optional defined type that constrains it further, and a
// default. A template owns its slots in a table by name and keeps their names
// sorted (case-insensitively); an ordered template is one whose only slot is
// the multislot "__Data". Templates are owned by an engine (or another
// component, or nothing) and shared by reference; a slot points back to its
// template without counting it, and the template clears that pointer when it
// goes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/interfaces.h"
#include "platform/string_hash_table.h"
#include "platform/string_list.h"

namespace rulecore {

class IFactEngine;
class TFactTemplate;

class RULECORE_API TFactSlot : public TPersistent, public IFactSlot {
  RC_DECLARE_CLASS(TFactSlot)

 public:
  using IFactSlot::Assign;

  // A slot of `tmpl` (may be nil), without name, kinds or default.
  explicit TFactSlot(TFactTemplate* tmpl = nullptr);
  ~TFactSlot() override;

  TFactTemplate* Template() const { return template_; }
  bool IsMultiSlot() const;

  bool GetDefaultDynamic() const override { return default_dynamic_; }
  IIEDefinedType* GetExtendedTypeInfo() const override { return type_info_.get(); }
  std::string GetName() const override { return name_; }
  const std::string& Name() const { return name_; }
  IIEValue* GetSlotDefault() const override { return default_.get(); }
  TIETypes GetSlotType() const override { return slot_type_; }
  std::string GetToString() const override;
  std::string GetTemplateName() const override;
  bool IsFuzzy() const override { return slot_type_.Contains(dtFuzzy); }
  int32_t GetTag() const override { return tag_; }
  void SetTag(int32_t tag) override { tag_ = tag; }

  void SetDefaultDynamic(bool on) override { default_dynamic_ = on; }
  // Takes the type's base kinds (plus the multifield kinds for "__Data").
  void SetExtendedTypeInfo(IIEDefinedType* type) override;
  // SInvalidName for a name with a forbidden character; registers the slot
  // in its template under the new name.
  void SetName(const std::string& name) override;
  // Stores a clone of `value` (a shared constant itself) and listens to it.
  // Under dynamic type checks an invalid default raises SInvalidSlotDefault.
  void SetSlotDefault(IIEValue* value) override;
  // SCannotMixFuzzy when dtFuzzy comes with other single-field kinds. A
  // default the new kinds refuse is replaced by a valid one.
  void SetSlotType(TIETypes kinds) override;

  Ref<IIEValue> CreateValidDefault(bool multi) override;
  std::string GetInvalidValueString(IIEValue* value) override;
  bool IsValid(IIEValue* value) override;

  bool Equals(IInterface* other) override;
  // Copies name, dynamic flag, Tag, type and default from any slot.
  void Assign(IInterface* source) override;
  void Assign(const TPersistent& source) override;
  Ref<IFactSlot> CloneSlot() const;

 protected:
  // Told after the default changed in place; SInvalidValue under dynamic
  // checks when the changed default is not valid.
  virtual void ValueChanged(IIEValue* value);

 private:
  friend class TFactTemplate;
  IFactEngine* Engine() const;
  bool DynamicChecks() const;
  void Listen(bool on);

  TFactTemplate* template_;  // not counted; cleared by the template
  Ref<IIEValue> default_;
  std::string name_;
  TIETypes slot_type_;
  int32_t tag_ = 0;
  Ref<IIEDefinedType> type_info_;
  bool default_dynamic_ = false;
};

class RULECORE_API TFactTemplate : public TPersistent, public IFactTemplate {
  RC_DECLARE_CLASS(TFactTemplate)

 public:
  using IFactTemplate::Assign;

  explicit TFactTemplate(TComponent* owner = nullptr);
  // The name is set directly, without checking it.
  TFactTemplate(TComponent* owner, const std::string& name);
  // Starts as a copy of `parent` (when given), then takes name and comment;
  // `parent` is remembered when it has the same owner.
  TFactTemplate(TComponent* owner, const std::string& name, const std::string& comment,
                IFactTemplate* parent);
  ~TFactTemplate() override;

  // ---- IFactTemplate
  Ref<IFactTemplate> Clone(TComponent* new_owner) const override;
  // Replaces the slots by copies of the source's, read back through the
  // owning engine's slot parser when there is one.
  void AssignSlots(IFactTemplate* source) override;
  bool IsBackwardChaining() const override { return backward_chaining_; }
  bool IsOrdered() const override { return is_ordered_; }
  // SNoTemplate / SFactTemplatesDifferent unless `fact` is of this template.
  void FillFactWithDefaults(IFact* fact) override;
  std::string GetComment() const override { return comment_; }
  int32_t GetHashCode() const override;
  std::string GetToString() const override;
  TComponent* GetOwner() const override { return owner_; }
  IFactTemplate* GetParent() const override { return parent_.get(); }
  int GetSlotCount() const override { return slots_.Count(); }
  // SInvalidSlotName for an unknown name.
  IFactSlot* GetSlot(std::string_view name) const override;
  std::vector<IFactSlot*> GetSlots() const override;
  // The slot names in case-insensitive alphabetical order.
  std::vector<std::string> GetSlotNames() const override;
  std::string GetTemplateName() const override { return name_; }
  bool IsFuzzy() const override;
  void SetBackwardChaining(bool on) override { backward_chaining_ = on; }
  void SetComment(const std::string& comment) override { comment_ = comment; }
  void SetParent(IFactTemplate* parent) override { parent_ = Ref<IFactTemplate>(parent); }
  void SetSlot(std::string_view name, IFactSlot* slot) override;
  // SInvalidName for a forbidden character; the owning engine is told first.
  void SetTemplateName(const std::string& name) override;
  // Both add a slot or replace the default of an existing one. SBadSlotType
  // without default, SInvalidSlotDefault / SInvalidDefaultMultislotValue for
  // a default of the wrong shape, SBadSlotName for a blank name.
  IFactSlot* AddMultiSlot(const std::string& name, IIEValue* default_value) override;
  IFactSlot* AddSlot(const std::string& name, IIEValue* default_value) override;
  // Adds a copy of `slot` (replacing a slot of its name); SBadSlotName when
  // it has no name.
  IFactSlot* AddSlot(IFactSlot* slot) override;
  bool ContainsSlot(std::string_view name) const override;
  bool ContainsSlot(std::string_view name, IFactSlot** slot) const override;
  bool ContainsType(IIEDefinedType* type) const override;
  void RemoveSlot(std::string_view name) override;
  void ClearSlots() override;
  int32_t GetTag() const override { return tag_; }
  void SetTag(int32_t tag) override { tag_ = tag; }
  bool Equals(IInterface* other) override;
  void Assign(IInterface* source) override;
  void Assign(const TPersistent& source) override;

  // A new fact of this template filled with the defaults.
  Ref<IFact> NewFact();
  // The slot names in their sorted order, without copying.
  const TStringList& SlotNames() const { return slot_names_; }
  IFactEngine* Engine() const;
  // Clears the owner link (the engine does so before it goes).
  void ReleaseOwner() { owner_ = nullptr; }

 protected:
  // Told by a slot before it changes its name, default or kinds.
  virtual void NewSlotName(TFactSlot* slot, const std::string& name);
  virtual void NewSlotDefault(TFactSlot* slot, Ref<IIEValue>& default_value);
  virtual void NewSlotType(TFactSlot* slot, TIETypes kinds);
  virtual std::string SlotToString(const TFactSlot* slot) const;

 private:
  friend class TFactSlot;
  void RecomputeOrdered();
  void CopyFrom(const IFactTemplate& source);

  bool backward_chaining_ = false;
  Ref<IFactTemplate> parent_;
  std::string comment_;
  TStringHashTable<Ref<IFactSlot>> slots_;
  std::string name_;
  bool is_ordered_ = false;
  TComponent* owner_;
  mutable bool types_changed_ = true;
  mutable bool names_changed_ = true;
  mutable bool is_fuzzy_ = false;
  mutable int32_t hash_code_ = 0;
  TStringList slot_names_;  // sorted, case-insensitive
  int32_t tag_ = 0;
};

}  // namespace rulecore
