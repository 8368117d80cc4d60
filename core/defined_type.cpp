// rulecore: an embeddable expert-system shell.
#include "core/defined_type.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"

namespace rulecore {

namespace {

TObject* NewDefinedType(TComponent*) {
  return new TIEDefinedType;
}

const char* ConstraintWord(TValueConstraint c) {
  switch (c) {
    case vcAtom:
      return "Atom";
    case vcString:
      return "String";
    case vcInteger:
      return "Integer";
    case vcFloat:
      return "Float";
  }
  return "";
}

std::string Upper(std::string s) {
  for (char& c : s)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool IsIntegral(double f) {
  return std::isfinite(f) && std::trunc(f) == f;
}

}  // namespace

RC_DEFINE_CLASS(TIEDefinedType, TPersistent, NewDefinedType)

TIEDefinedType::TIEDefinedType(IReasoner* reasoner) : reasoner_(reasoner) {}

TIEDefinedType::~TIEDefinedType() = default;

// ---------------------------------------------------------------- changes

void TIEDefinedType::Change() {
  if (update_count_ > 0) {
    changed_while_updating_ = true;
    return;
  }
  if (on_change_) on_change_(this);
}

void TIEDefinedType::BeginUpdate() {
  if (update_count_++ == 0) SetUpdateState(true);
}

void TIEDefinedType::EndUpdate() {
  if (update_count_ == 0) return;
  if (--update_count_ == 0) SetUpdateState(false);
}

void TIEDefinedType::SetUpdateState(bool updating) {
  if (updating) {
    changed_while_updating_ = false;
  } else if (changed_while_updating_) {
    changed_while_updating_ = false;
    Change();
  }
}

void TIEDefinedType::SetAncestor(IIEDefinedType* ancestor) {
  if (ancestor == ancestor_.get()) return;
  for (IIEDefinedType* a = ancestor; a; a = a->GetAncestor())
    if (a == this) RaiseIE(STypeInheritanceLoop, {name_});
  ancestor_ = Ref<IIEDefinedType>(ancestor);
  if (ancestor) implicit_ = false;
  Change();
}

void TIEDefinedType::SetImplicit(bool on) {
  if (on == implicit_) return;
  implicit_ = on;
  Change();
}

void TIEDefinedType::SetUnits(const std::string& units) {
  if (units == units_) return;
  units_ = units;
  Change();
}

void TIEDefinedType::SetComment(const std::string& comment) {
  if (comment == comment_) return;
  comment_ = comment;
  Change();
}

void TIEDefinedType::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Change();
}

void TIEDefinedType::SetReasoner(IReasoner* reasoner) {
  if (reasoner == reasoner_) return;
  reasoner_ = reasoner;
  Change();
}

void TIEDefinedType::SetBaseTypes(TIETypes kinds) {
  if (kinds == base_types_) return;
  const TIETypes fuzzy_only{dtFuzzy};
  if (kinds.Contains(dtFuzzy) && !(kinds == fuzzy_only)) RaiseIE(SCannotMixFuzzy);
  TIETypes next = kinds & IESlotTypesWithFuzzy;
  Ref<IFuzzyVariable> variable = fuzzy_type_;
  if (next == fuzzy_only && !variable) {
    variable = NewFuzzyVariable(name_);  // raises before anything changes
    if (range_limited_) variable->SetLimits(min_range_, max_range_);
  } else if (!(next == fuzzy_only)) {
    variable.reset();
  }
  base_types_ = next;
  fuzzy_type_ = variable;
  Change();
}

void TIEDefinedType::SetFuzzyType(IFuzzyVariable* variable) {
  if (variable == fuzzy_type_.get()) return;
  fuzzy_type_ = Ref<IFuzzyVariable>(variable);
  Change();
}

void TIEDefinedType::SetConstraints(TValueConstraints constraints) {
  if (constraints == constraints_) return;
  auto switch_list = [&](TValueConstraint c, auto&& create, auto&& destroy) {
    bool was = constraints_.Contains(c);
    bool now = constraints.Contains(c);
    if (now && !was) create();
    if (was && !now) destroy();
  };
  switch_list(
      vcAtom, [&] { atoms_ = std::make_unique<TStringList>(); }, [&] { atoms_.reset(); });
  switch_list(
      vcString, [&] { strings_ = std::make_unique<TStringList>(); }, [&] { strings_.reset(); });
  switch_list(
      vcInteger, [&] { integers_.emplace(); }, [&] { integers_.reset(); });
  switch_list(
      vcFloat, [&] { floats_ = Ref<TValueVector>(new TValueVector); }, [&] { floats_.reset(); });
  constraints_ = constraints;
  Change();
}

void TIEDefinedType::SetMaxCardinality(int32_t value) {
  if (value == max_cardinality_) return;
  max_cardinality_ = value;
  Change();
}

void TIEDefinedType::SetMinCardinality(int32_t value) {
  if (value == min_cardinality_) return;
  min_cardinality_ = value;
  Change();
}

void TIEDefinedType::SetMaxRange(double value) {
  if (value == max_range_) return;
  max_range_ = value;
  Change();
}

void TIEDefinedType::SetMinRange(double value) {
  if (value == min_range_) return;
  min_range_ = value;
  Change();
}

void TIEDefinedType::SetCardinalityLimited(bool on) {
  if (on == cardinality_limited_) return;
  cardinality_limited_ = on;
  Change();
}

void TIEDefinedType::SetRangeLimited(bool on) {
  if (on == range_limited_) return;
  range_limited_ = on;
  Change();
}

// ---------------------------------------------------------------- allowed values

void TIEDefinedType::NoSuchConstraint(TValueConstraint constraint) const {
  RaiseIE(SNoSuchConstraint, {name_, ConstraintWord(constraint)});
}

std::string TIEDefinedType::GetConstraintAtom(int index) const {
  if (!atoms_) NoSuchConstraint(vcAtom);
  return atoms_->Get(index);
}

int TIEDefinedType::GetConstraintAtomsCount() const {
  if (!atoms_) NoSuchConstraint(vcAtom);
  return atoms_->Count();
}

std::string TIEDefinedType::GetConstraintString(int index) const {
  if (!strings_) NoSuchConstraint(vcString);
  return strings_->Get(index);
}

int TIEDefinedType::GetConstraintStringsCount() const {
  if (!strings_) NoSuchConstraint(vcString);
  return strings_->Count();
}

int32_t TIEDefinedType::GetConstraintInteger(int index) const {
  if (!integers_) NoSuchConstraint(vcInteger);
  if (index < 0 || index >= static_cast<int>(integers_->size())) RaiseIE(SListIndexError, {index});
  return (*integers_)[static_cast<size_t>(index)];
}

int TIEDefinedType::GetConstraintIntegersCount() const {
  if (!integers_) NoSuchConstraint(vcInteger);
  return static_cast<int>(integers_->size());
}

double TIEDefinedType::GetConstraintFloat(int index) const {
  if (!floats_) NoSuchConstraint(vcFloat);
  return floats_->Get(index)->GetAsFloat();
}

int TIEDefinedType::GetConstraintFloatsCount() const {
  if (!floats_) NoSuchConstraint(vcFloat);
  return floats_->GetValueCount();
}

TValueConstraint TIEDefinedType::GetValueConstraint(IIEValue* value) const {
  switch (value ? value->GetDType() : dtNone) {
    case dtAtom:
      return vcAtom;
    case dtString:
      return vcString;
    case dtInteger:
      if (!IsActive(vcInteger) && IsActive(vcFloat)) return vcFloat;
      return vcInteger;
    case dtFloat:
      if (!IsActive(vcFloat) && IsActive(vcInteger) && IsIntegral(value->GetAsFloat()))
        return vcInteger;
      return vcFloat;
    default: {
      std::string kind = GetIETypeName(value ? value->GetDType() : dtNone);
      RaiseIE(SInvalidConstraint, {name_, kind.substr(std::min<size_t>(2, kind.size()))});
    }
  }
}

int TIEDefinedType::FindConstraint(IIEValue* value, TValueConstraint constraint) const {
  switch (constraint) {
    case vcAtom:
      return atoms_ ? atoms_->IndexOf(value->PeekText()) : -1;
    case vcString:
      return strings_ ? strings_->IndexOf(value->PeekText()) : -1;
    case vcInteger: {
      if (!integers_) return -1;
      int32_t i = value->GetAsInteger();
      auto it = std::find(integers_->begin(), integers_->end(), i);
      return it == integers_->end() ? -1 : static_cast<int>(it - integers_->begin());
    }
    case vcFloat: {
      if (!floats_) return -1;
      double f = value->GetAsFloat();
      for (int i = 0; i < floats_->GetValueCount(); ++i)
        if (floats_->Get(i)->GetAsFloat() == f) return i;
      return -1;
    }
  }
  return -1;
}

void TIEDefinedType::AddConstraint(IIEValue* value) {
  TValueConstraint c = GetValueConstraint(value);
  if (!IsActive(c)) {
    BeginUpdate();
    SetConstraints(constraints_ | TValueConstraints{c});
    EndUpdate();
  }
  if (FindConstraint(value, c) >= 0) return;
  switch (c) {
    case vcAtom:
      atoms_->Add(std::string(value->PeekText()));
      break;
    case vcString:
      strings_->Add(std::string(value->PeekText()));
      break;
    case vcInteger:
      integers_->push_back(value->GetAsInteger());
      break;
    case vcFloat:
      floats_->Add(NewFloat(value->GetAsFloat()).get());
      break;
  }
  Change();
}

void TIEDefinedType::RemoveConstraint(IIEValue* value) {
  TValueConstraint c = GetValueConstraint(value);
  int i = FindConstraint(value, c);
  if (i < 0) return;
  DeleteConstraint(i, c);
}

void TIEDefinedType::DeleteConstraint(int index, TValueConstraint constraint) {
  if (!IsActive(constraint)) NoSuchConstraint(constraint);
  switch (constraint) {
    case vcAtom:
      atoms_->Delete(index);
      break;
    case vcString:
      strings_->Delete(index);
      break;
    case vcInteger:
      if (index < 0 || index >= static_cast<int>(integers_->size()))
        RaiseIE(SListIndexError, {index});
      integers_->erase(integers_->begin() + index);
      break;
    case vcFloat:
      floats_->Delete(index);
      break;
  }
  Change();
}

void TIEDefinedType::ClearConstraints() {
  ClearConstraints(constraints_);
}

void TIEDefinedType::ClearConstraints(TValueConstraints which) {
  if (which.Contains(vcAtom) && atoms_) atoms_->Clear();
  if (which.Contains(vcString) && strings_) strings_->Clear();
  if (which.Contains(vcInteger) && integers_) integers_->clear();
  if (which.Contains(vcFloat) && floats_) floats_->Clear();
  Change();
}

bool TIEDefinedType::IsConstraint(IIEValue* value, TValueConstraint* constraint) {
  if (!value) return false;
  TIEType kind = value->GetDType();
  if (kind != dtAtom && kind != dtString && kind != dtInteger && kind != dtFloat) return false;
  TValueConstraint c = GetValueConstraint(value);
  if (!IsActive(c) || FindConstraint(value, c) < 0) return false;
  if (constraint) *constraint = c;
  return true;
}

// ---------------------------------------------------------------- validation

bool TIEDefinedType::IsValidSingle(IIEValue* value, std::string* reason) {
  TIEType kind = value->GetDType();
  if (kind == dtList) {
    IValueVector* list = value->GetAsList();
    int count = list ? list->GetValueCount() : 0;
    if (cardinality_limited_ && (count < min_cardinality_ || count > max_cardinality_)) {
      if (reason)
        *reason = Format(SInvalidValue,
                         {value->GetToString(),
                          Format(SListCardinalityError, {min_cardinality_, max_cardinality_})});
      return false;
    }
    for (int i = 0; i < count; ++i) {
      IIEValue* element = list->Get(i);
      if (element && !IsValidSingle(element, reason)) return false;
    }
    return true;
  }

  auto fail = [&](const std::string& why) {
    if (reason) *reason = Format(SInvalidValue, {value->GetToString(), why});
    return false;
  };

  if (base_types_.Contains(dtFuzzy)) {
    if (kind == dtFuzzy) {
      IFuzzySet* set = value->GetAsFuzzy();
      IFuzzyVariable* owner = set ? set->GetFuzzyVariable() : nullptr;
      if (owner && fuzzy_type_ && (owner == fuzzy_type_.get() || owner->Equals(fuzzy_type_.get())))
        return true;
      return fail(SInvalidFuzzyValue);
    }
    constexpr TIETypes kReadLater{dtAtom,  dtString,  dtInteger,    dtVariable,
                                  dtFloat, dtFunCall, dtSingletons, dtMultiVariable};
    if (kReadLater.Contains(kind)) return true;
    return fail(SInvalidFuzzyValue);
  }

  if (!base_types_.Contains(kind) && !IEAlwaysValidTypes.Contains(kind))
    return fail(Format(SNotCorrectType, {Upper(SetToString(base_types_, ", ", false)),
                                         value->GetToString(), GetIETypeName(kind)}));
  if (kind == dtAtom || kind == dtString || kind == dtInteger || kind == dtFloat) {
    TValueConstraint c = GetValueConstraint(value);
    if (IsActive(c) && FindConstraint(value, c) < 0) return fail(SNotAllowedValue);
  }
  if (range_limited_ && (kind == dtInteger || kind == dtFloat)) {
    double v = value->GetAsFloat();
    if (v < min_range_ || v > max_range_)
      return fail(Format(SOutOfRangeError, {min_range_, max_range_}));
  }
  return true;
}

bool TIEDefinedType::IsValid(IIEValue* value) {
  if (!value) return true;
  return IsValidSingle(value, nullptr);
}

std::string TIEDefinedType::GetInvalidValueString(IIEValue* value) {
  std::string reason;
  if (!value || IsValidSingle(value, &reason)) return {};
  return reason;
}

Ref<IIEValue> TIEDefinedType::CreateValidDefault(bool multi) {
  if (multi) {
    if (cardinality_limited_ && min_cardinality_ > 0) {
      Ref<TValueVector> list(new TValueVector);
      list->Reserve(min_cardinality_);
      for (int32_t i = 0; i < min_cardinality_; ++i)
        list->Add(CreateValidDefault(false).get());
      return NewList(list.get());
    }
    // A new empty vector: a clone of FCNilList would share the constant's
    // vector, and whoever fills the default would fill the constant too.
    return NewEmptyList();
  }
  // A number from the range: 0 while the range is the default one, else the
  // lower limit when it was changed, else the upper limit.
  auto range_choice = [&]() -> double {
    if (!range_limited_) return 0.0;
    if (min_range_ == kDefaultMinRange && max_range_ == kDefaultMaxRange) return 0.0;
    if (min_range_ != kDefaultMinRange) return min_range_;
    return max_range_;
  };
  if (base_types_.Contains(dtAtom))
    return NewAtom(atoms_ && atoms_->Count() > 0 ? atoms_->Get(0) : std::string());
  if (base_types_.Contains(dtString))
    return NewString(strings_ && strings_->Count() > 0 ? strings_->Get(0) : std::string());
  if (base_types_.Contains(dtInteger)) {
    if (integers_ && !integers_->empty()) return NewInteger(integers_->front());
    return NewInteger(TruncToInt32(range_choice()));
  }
  if (base_types_.Contains(dtFloat)) {
    if (floats_ && floats_->GetValueCount() > 0) return NewFloat(floats_->Get(0)->GetAsFloat());
    return NewFloat(range_choice());
  }
  if (base_types_.Contains(dtObject)) return Ref<IIEValue>(new TIEValue(nullptr, false));
  if (base_types_.Contains(dtExternalAddress))
    return Ref<IIEValue>(new TIEValue(static_cast<void*>(nullptr)));
  if (base_types_.Contains(dtFuzzy)) {
    if (fuzzy_type_) return Ref<IIEValue>(new TIEValue(fuzzy_type_->NewDefaultSet().get()));
    return Ref<IIEValue>(FCNil);
  }
  if (base_types_.Contains(dtFactId)) return NewFactId(0);
  if (base_types_.Contains(dtFact))
    return Ref<IIEValue>(new TIEValue(static_cast<IFact*>(nullptr)));
  if (base_types_.Contains(dtDescriptor)) return Ref<IIEValue>(new TIEValue(0, dtDescriptor));
  if (base_types_.Contains(dtClass))
    return Ref<IIEValue>(new TIEValue(static_cast<const TClassInfo*>(nullptr)));
  return Ref<IIEValue>(new TIEValue);
}

// ---------------------------------------------------------------- text

std::string TypeKeywordsToString(TIETypes kinds) {
  if (kinds == IESlotTypes) return STypeVariableKeyword;
  struct KindWord {
    TIEType kind;
    const char* word;
  };
  static constexpr KindWord kWords[] = {
      {dtAtom, STypeSymbolKeyword},           {dtString, STypeStringKeyword},
      {dtInteger, STypeIntegerKeyword},       {dtFloat, STypeFloatKeyword},
      {dtFactId, STypeFactIdKeyword},         {dtFact, STypeFactKeyword},
      {dtDescriptor, STypeDescriptorKeyword}, {dtObject, STypeObjectKeyword},
      {dtClass, STypeClassKeyword},           {dtExternalAddress, STypeExternalAddrKeyword},
      {dtFuzzy, STypeFuzzyKeyword},
  };
  std::string out;
  for (const KindWord& w : kWords) {
    if (!kinds.Contains(w.kind)) continue;
    if (!out.empty()) out += ' ';
    out += w.word;
  }
  return out;
}

std::string ConstraintToString(const TIEDefinedType& type, TValueConstraint constraint) {
  std::string out;
  switch (constraint) {
    case vcAtom:
      if (type.atoms_)
        for (int i = 0; i < type.atoms_->Count(); ++i)
          out += type.atoms_->Get(i) + " ";
      break;
    case vcString:
      if (type.strings_)
        for (int i = 0; i < type.strings_->Count(); ++i)
          out += "\"" + type.strings_->Get(i) + "\" ";
      break;
    case vcInteger:
      if (type.integers_)
        for (int32_t v : *type.integers_)
          out += std::to_string(v) + " ";
      break;
    case vcFloat:
      if (type.floats_)
        for (int i = 0; i < type.floats_->GetValueCount(); ++i)
          out += FloatToStr4(type.floats_->Get(i)->GetAsFloat()) + " ";
      break;
  }
  return out;
}

std::string GetAllowedString(const TIEDefinedType& type) {
  if (type.GetBaseTypes().Contains(dtFuzzy)) return {};
  TValueConstraints c = type.GetConstraints();
  std::string out;
  auto clause = [&](const char* keyword, std::string values) {
    out += IndentString;
    out += keyword;
    out += values;
    out += ") ";
    out += NewLineString;
  };
  if (c == TValueConstraints{vcAtom, vcString, vcInteger, vcFloat}) {
    clause("(allowed-values ",
           ConstraintToString(type, vcAtom) + ConstraintToString(type, vcString) +
               ConstraintToString(type, vcInteger) + ConstraintToString(type, vcFloat));
    return out;
  }
  if (c.Contains(vcAtom) && c.Contains(vcString)) {
    clause("(allowed-lexemes ",
           ConstraintToString(type, vcAtom) + ConstraintToString(type, vcString));
  } else if (c.Contains(vcAtom)) {
    clause("(allowed-symbols ", ConstraintToString(type, vcAtom));
  } else if (c.Contains(vcString)) {
    clause("(allowed-strings ", ConstraintToString(type, vcString));
  }
  if (c.Contains(vcInteger) && c.Contains(vcFloat)) {
    clause("(allowed-numbers ",
           ConstraintToString(type, vcInteger) + ConstraintToString(type, vcFloat));
  } else if (c.Contains(vcInteger)) {
    clause("(allowed-integers ", ConstraintToString(type, vcInteger));
  } else if (c.Contains(vcFloat)) {
    clause("(allowed-floats ", ConstraintToString(type, vcFloat));
  }
  return out;
}

namespace {

// Range, cardinality, units and allowed values, one indented line each.
std::string ConstraintFacets(const TIEDefinedType& type) {
  std::string out;
  auto line = [&out](const std::string& text) {
    out += IndentString;
    out += text;
    out += NewLineString;
  };
  if (type.GetRangeLimited())
    line(Format("(range %.4f %.4f)", {type.GetMinRange(), type.GetMaxRange()}));
  if (type.GetCardinalityLimited())
    line(Format("(cardinality %d %d)", {type.GetMinCardinality(), type.GetMaxCardinality()}));
  if (!type.GetUnits().empty()) line("(units \"" + type.GetUnits() + "\")");
  out += GetAllowedString(type);
  return out;
}

}  // namespace

std::string DefinedTypeFacets(const TIEDefinedType& type) {
  return "(type " + TypeKeywordsToString(type.GetBaseTypes()) + ")" + NewLineString +
         ConstraintFacets(type);
}

std::string DefinedTypeToRuleText(const TIEDefinedType& type) {
  std::string out = "(deftype " + type.GetName();
  // Quoted as a string value is, so that quotes in the comment read back.
  if (!type.GetComment().empty()) out += " " + NewString(type.GetComment())->GetToString();
  out += NewLineString;
  out += IndentString;
  IIEDefinedType* ancestor = type.GetAncestor();
  out += "(extends (type " +
         (ancestor ? ancestor->GetName() : TypeKeywordsToString(type.GetBaseTypes())) + "))";
  out += NewLineString;
  out += ConstraintFacets(type);
  out += ")";
  return out;
}

std::string TIEDefinedType::GetToString() const {
  if (reasoner_) return reasoner_->PrettyPrint(const_cast<TIEDefinedType*>(this));
  if (implicit_) return DefinedTypeFacets(*this);
  return DefinedTypeToRuleText(*this);
}

std::string TIEDefinedType::GetValueToString(IIEValue* value) const {
  return value ? value->GetToString() : std::string();
}

std::string TIEDefinedType::GetDescription() const {
  std::string out;
  auto line = [&](const char* label, const std::string& text) {
    if (text.empty()) return;
    out += label;
    out += text;
    out += NewLineString;
  };
  line("Primitive Types: ", Upper(SetToString(base_types_, ", ", false)));
  std::string allowed;
  auto join = [&](std::string_view item) {
    if (!allowed.empty()) allowed += ", ";
    allowed += item;
  };
  if (atoms_)
    for (int i = 0; i < atoms_->Count(); ++i)
      join(atoms_->Get(i));
  if (strings_)
    for (int i = 0; i < strings_->Count(); ++i)
      join("\"" + strings_->Get(i) + "\"");
  if (integers_)
    for (int32_t v : *integers_)
      join(std::to_string(v));
  if (floats_)
    for (int i = 0; i < floats_->GetValueCount(); ++i)
      join(FloatToStr4(floats_->Get(i)->GetAsFloat()));
  if (range_limited_) join(Format("%.4f-%.4f", {min_range_, max_range_}));
  line("Allowed: ", allowed);
  if (cardinality_limited_)
    line("Cardinality: ", Format("%d-%d", {min_cardinality_, max_cardinality_}));
  line("Comment: ", comment_);
  line("Units: ", units_);
  line("Ancestor Type: ", ancestor_ ? ancestor_->GetName() : std::string());
  if (fuzzy_type_) {
    std::string terms;
    for (int i = 0; i < fuzzy_type_->GetTermCount(); ++i) {
      if (!terms.empty()) terms += ", ";
      if (IFuzzySet* term = fuzzy_type_->GetTerm(i)) terms += term->GetName();
    }
    line("Fuzzy Terms: ", terms);
  }
  return out;
}

// ---------------------------------------------------------------- equality, copying

bool ConstraintsEqual(const TIEDefinedType& a, const TIEDefinedType& b) {
  if (!(a.constraints_ == b.constraints_)) return false;
  auto lists_equal = [](const TStringList* x, const TStringList* y) {
    if (!x || !y) return x == y;
    if (x->Count() != y->Count()) return false;
    for (int i = 0; i < x->Count(); ++i)
      if (x->Get(i) != y->Get(i)) return false;
    return true;
  };
  if (!lists_equal(a.atoms_.get(), b.atoms_.get())) return false;
  if (!lists_equal(a.strings_.get(), b.strings_.get())) return false;
  if (a.integers_ != b.integers_) return false;
  if (!a.floats_ || !b.floats_) return !a.floats_ && !b.floats_;
  return a.floats_->Equals(static_cast<IValueVector*>(b.floats_.get()));
}

bool TIEDefinedType::Equals(IIEDefinedType* other) {
  if (other == this) return true;
  if (!other || other->GetName() != name_ || !(other->GetBaseTypes() == base_types_)) return false;
  if (base_types_.Contains(dtFuzzy)) {
    IFuzzyVariable* theirs = other->GetFuzzyType();
    return fuzzy_type_ && theirs && fuzzy_type_->Equals(theirs);
  }
  auto* typed = dynamic_cast<TIEDefinedType*>(other);
  if (!typed) return false;
  return FloatEquals(min_range_, typed->min_range_) && FloatEquals(max_range_, typed->max_range_) &&
         min_cardinality_ == typed->min_cardinality_ &&
         max_cardinality_ == typed->max_cardinality_ && range_limited_ == typed->range_limited_ &&
         cardinality_limited_ == typed->cardinality_limited_ && ConstraintsEqual(*this, *typed);
}

bool TIEDefinedType::Equals(IInterface* other) {
  auto* type = Query<IIEDefinedType>(other);
  return type && Equals(type);
}

void TIEDefinedType::CopyFrom(const TIEDefinedType& source) {
  if (&source == this) return;
  // Build the copied fuzzy variable first: it is the one step that can fail.
  Ref<IFuzzyVariable> fuzzy;
  if (source.fuzzy_type_) {
    fuzzy = NewFuzzyVariable(source.fuzzy_type_->GetName());
    fuzzy->Assign(source.fuzzy_type_.get());
  }
  BeginUpdate();
  name_ = source.name_;
  base_types_ = source.base_types_;
  range_limited_ = source.range_limited_;
  min_range_ = source.min_range_;
  max_range_ = source.max_range_;
  cardinality_limited_ = source.cardinality_limited_;
  min_cardinality_ = source.min_cardinality_;
  max_cardinality_ = source.max_cardinality_;
  implicit_ = source.implicit_;
  ancestor_ = source.ancestor_;
  comment_ = source.comment_;
  units_ = source.units_;
  tag_ = source.tag_;
  constraints_ = source.constraints_;
  atoms_ = source.atoms_ ? std::make_unique<TStringList>() : nullptr;
  if (atoms_) atoms_->Assign(*source.atoms_);
  strings_ = source.strings_ ? std::make_unique<TStringList>() : nullptr;
  if (strings_) strings_->Assign(*source.strings_);
  integers_ = source.integers_;
  floats_.reset();
  if (source.floats_) {
    Ref<IValueVector> copy = source.floats_->Clone();
    floats_ = Ref<TValueVector>(static_cast<TValueVector*>(copy.get()));
  }
  fuzzy_type_ = fuzzy;
  Change();
  EndUpdate();
}

void TIEDefinedType::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TIEDefinedType*>(&source)) {
    CopyFrom(*other);
    return;
  }
  TPersistent::Assign(source);
}

void TIEDefinedType::Assign(IInterface* source) {
  auto* other = dynamic_cast<TIEDefinedType*>(source);
  if (!other) throw EConvertError("Cannot assign a non-type interface to a TIEDefinedType");
  CopyFrom(*other);
}

Ref<IIEDefinedType> TIEDefinedType::Clone() const {
  Ref<TIEDefinedType> copy(new TIEDefinedType(reasoner_));
  copy->CopyFrom(*this);
  return copy;
}

}  // namespace rulecore
