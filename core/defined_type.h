// rulecore: an embeddable expert-system shell.
// TIEDefinedType: a named, reusable constraint on values (the rule language's
// deftype): the kinds allowed, lists of allowed atoms, strings, integers and
// floats, a numeric range, a cardinality for multifield values, units and a
// comment, or for fuzzy types a fuzzy variable. Slots delegate validation and
// default creation to their defined type. Every refusal raises EIEException
// and leaves the type unchanged; every change calls OnChange unless an update
// (BeginUpdate/EndUpdate) is open, in which case one call follows the
// outermost EndUpdate.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/interfaces.h"
#include "core/value_vector.h"
#include "platform/string_list.h"
#include "support/fuzzkit.h"

namespace rulecore {

inline constexpr double kDefaultMinRange = -2147483648.0;
inline constexpr double kDefaultMaxRange = 2147483647.0;
inline constexpr int32_t kDefaultMaxCardinality = 2147483647;

class RULECORE_API TIEDefinedType : public TPersistent, public IIEDefinedType {
  RC_DECLARE_CLASS(TIEDefinedType)

 public:
  using IIEDefinedType::Equals;

  // REQUIRES: `reasoner`, when given, outlives this type or is cleared first.
  explicit TIEDefinedType(IReasoner* reasoner = nullptr);
  ~TIEDefinedType() override;

  // ---- properties
  IIEDefinedType* GetAncestor() const override { return ancestor_.get(); }
  TIETypes GetBaseTypes() const override { return base_types_; }
  std::string GetComment() const override { return comment_; }
  TValueConstraints GetConstraints() const override { return constraints_; }
  IFuzzyVariable* GetFuzzyType() const override { return fuzzy_type_.get(); }
  int32_t GetMaxCardinality() const override { return max_cardinality_; }
  double GetMaxRange() const override { return max_range_; }
  int32_t GetMinCardinality() const override { return min_cardinality_; }
  double GetMinRange() const override { return min_range_; }
  std::string GetName() const override { return name_; }
  IReasoner* GetReasoner() const override { return reasoner_; }
  bool GetCardinalityLimited() const override { return cardinality_limited_; }
  bool GetRangeLimited() const override { return range_limited_; }
  std::string GetUnits() const override { return units_; }
  bool GetImplicit() const override { return implicit_; }
  const TNotifyEvent& GetOnChange() const override { return on_change_; }
  void SetOnChange(TNotifyEvent handler) override { on_change_ = std::move(handler); }
  int32_t GetTag() const override { return tag_; }
  void SetTag(int32_t tag) override { tag_ = tag; }

  // Raises STypeInheritanceLoop when this type is an ancestor of `ancestor`.
  // A type that gets an ancestor is no longer implicit.
  void SetAncestor(IIEDefinedType* ancestor) override;
  void SetImplicit(bool on) override;
  void SetUnits(const std::string& units) override;
  // Raises SCannotMixFuzzy when dtFuzzy comes with other kinds. Kinds outside
  // the slot kinds (with fuzzy) are dropped. Becoming {dtFuzzy} creates a
  // fuzzy variable named after the type (SFuzzyUnavailable without a
  // fuzzy-set library); leaving it drops the variable.
  void SetBaseTypes(TIETypes kinds) override;
  void SetComment(const std::string& comment) override;
  // Creates an empty list for every constraint switched on; frees the list of
  // every constraint switched off.
  void SetConstraints(TValueConstraints constraints) override;
  void SetFuzzyType(IFuzzyVariable* variable) override;
  void SetMaxCardinality(int32_t value) override;
  void SetMaxRange(double value) override;
  void SetMinCardinality(int32_t value) override;
  void SetMinRange(double value) override;
  void SetName(const std::string& name) override;
  void SetReasoner(IReasoner* reasoner) override;
  void SetCardinalityLimited(bool on) override;
  void SetRangeLimited(bool on) override;

  // ---- allowed values (SNoSuchConstraint when the list is not active)
  std::string GetConstraintAtom(int index) const override;
  int GetConstraintAtomsCount() const override;
  double GetConstraintFloat(int index) const override;
  int GetConstraintFloatsCount() const override;
  int32_t GetConstraintInteger(int index) const override;
  int GetConstraintIntegersCount() const override;
  std::string GetConstraintString(int index) const override;
  int GetConstraintStringsCount() const override;
  // Switches the value's constraint on when needed and appends the value
  // unless an equal one is there; SInvalidConstraint for other kinds.
  void AddConstraint(IIEValue* value) override;
  void ClearConstraints() override;
  void ClearConstraints(TValueConstraints which) override;
  void RemoveConstraint(IIEValue* value) override;
  void DeleteConstraint(int index, TValueConstraint constraint) override;
  // Whether `value` is in the list of its constraint kind.
  bool IsConstraint(IIEValue* value, TValueConstraint* constraint) override;
  // The list a value is checked against: its own kind's, or for an integer
  // with only floats active the floats, and for an integral float with only
  // integers active the integers. SInvalidConstraint for other kinds.
  TValueConstraint GetValueConstraint(IIEValue* value) const;

  // ---- validation and defaults
  bool IsValid(IIEValue* value) override;
  // "" for a valid value, else SInvalidValue with the value and the reason.
  std::string GetInvalidValueString(IIEValue* value) override;
  Ref<IIEValue> CreateValidDefault(bool multi) override;

  // ---- text
  // The reasoner's pretty-print when there is a reasoner; otherwise the
  // deftype form, or for an implicit type its facets (DefinedTypeFacets).
  std::string GetToString() const override;
  std::string GetValueToString(IIEValue* value) const override;
  // A description for editors, one labelled line per property that is set.
  std::string GetDescription() const;

  // ---- updates, equality, copying
  void BeginUpdate() override;
  void EndUpdate() override;
  bool Equals(IIEDefinedType* other) override;
  bool Equals(IInterface* other) override;
  void Assign(IInterface* source) override;
  void Assign(const TPersistent& source) override;
  Ref<IIEDefinedType> Clone() const override;

 protected:
  // Told when the outermost update opens (true) and closes (false).
  virtual void SetUpdateState(bool updating);
  // Calls OnChange, or remembers the change while an update is open.
  void Change();

 private:
  friend std::string ConstraintToString(const TIEDefinedType& type, TValueConstraint constraint);
  friend bool ConstraintsEqual(const TIEDefinedType& a, const TIEDefinedType& b);

  bool IsValidSingle(IIEValue* value, std::string* reason);
  bool IsActive(TValueConstraint c) const { return constraints_.Contains(c); }
  // The index of `value` in the list of `constraint`, -1 when absent.
  int FindConstraint(IIEValue* value, TValueConstraint constraint) const;
  [[noreturn]] void NoSuchConstraint(TValueConstraint constraint) const;
  void CopyFrom(const TIEDefinedType& source);

  std::string name_ = "implicit";
  TIETypes base_types_ = IESlotTypes;
  TValueConstraints constraints_;
  bool range_limited_ = false;
  double min_range_ = kDefaultMinRange;
  double max_range_ = kDefaultMaxRange;
  bool cardinality_limited_ = false;
  int32_t min_cardinality_ = 0;
  int32_t max_cardinality_ = kDefaultMaxCardinality;
  bool implicit_ = false;
  Ref<IIEDefinedType> ancestor_;
  std::string comment_;
  std::string units_;
  int32_t tag_ = 0;
  TNotifyEvent on_change_;

  IReasoner* reasoner_;
  Ref<IFuzzyVariable> fuzzy_type_;
  int update_count_ = 0;
  bool changed_while_updating_ = false;
  std::unique_ptr<TStringList> atoms_;    // allowed atoms, while vcAtom is active
  std::unique_ptr<TStringList> strings_;  // allowed strings, while vcString is active
  std::optional<std::vector<int32_t>> integers_;
  Ref<TValueVector> floats_;  // allowed floats, while vcFloat is active
};

// One allowed-value list as text: atoms and integers each followed by a
// blank, strings quoted and followed by a blank, floats as "%.4f" and a blank.
RULECORE_API std::string ConstraintToString(const TIEDefinedType& type,
                                            TValueConstraint constraint);
// The allowed-value clauses of the rule language, one per line, each indented
// and closed with ") " and a line break. Empty for fuzzy types.
RULECORE_API std::string GetAllowedString(const TIEDefinedType& type);
// Whether the allowed-value lists of two types are equal.
RULECORE_API bool ConstraintsEqual(const TIEDefinedType& a, const TIEDefinedType& b);
// The constraint clauses of a type as a slot declaration writes them: the
// "(type ...)" clause, then range, cardinality, units and allowed values,
// each on its own line, every line ended by a line break.
RULECORE_API std::string DefinedTypeFacets(const TIEDefinedType& type);
// The deftype form: "(deftype name "comment" (extends (type ...)) facets)",
// naming the ancestor in the type clause when there is one.
RULECORE_API std::string DefinedTypeToRuleText(const TIEDefinedType& type);
// The type keywords for a set of kinds, separated by blanks ("?VARIABLE" for
// all the slot kinds).
RULECORE_API std::string TypeKeywordsToString(TIETypes kinds);

}  // namespace rulecore
