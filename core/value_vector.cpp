// rulecore: an embeddable expert-system shell.
#include "core/value_vector.h"

#include "core/ie_exception.h"
#include "core/ie_value.h"
#include "core/messages.h"

namespace rulecore {

// ---------------------------------------------------------------- TValueVector

void TValueVector::CheckIndex(int index) const {
  if (index < 0 || index >= GetValueCount()) RaiseIE(SListIndexError, {index});
}

IIEValue* TValueVector::Get(int index) const {
  CheckIndex(index);
  return values_[static_cast<size_t>(index)].get();
}

void TValueVector::Put(int index, IIEValue* value) {
  CheckIndex(index);
  values_[static_cast<size_t>(index)] = Ref<IIEValue>(value);
}

int TValueVector::Add(IIEValue* value) {
  values_.emplace_back(value);
  return GetValueCount() - 1;
}

IIEValue* TValueVector::First() const {
  return Get(0);
}

IIEValue* TValueVector::Last() const {
  return Get(GetValueCount() - 1);
}

int TValueVector::IndexOf(IIEValue* value) const {
  for (size_t i = 0; i < values_.size(); ++i) {
    IIEValue* v = values_[i].get();
    if (v == value || (v && value && v->Equals(value))) return static_cast<int>(i);
  }
  return -1;
}

void TValueVector::Insert(int index, IIEValue* value) {
  if (index < 0 || index > GetValueCount()) RaiseIE(SListIndexError, {index});
  values_.emplace(values_.begin() + index, value);
}

void TValueVector::Delete(int index) {
  CheckIndex(index);
  values_.erase(values_.begin() + index);
}

void TValueVector::Append(IValueVector* other) {
  if (!other) return;
  int n = other->GetValueCount();  // read first: `other` may be this vector
  values_.reserve(values_.size() + static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    values_.emplace_back(other->Get(i));
}

int TValueVector::Remove(IIEValue* value) {
  int i = IndexOf(value);
  if (i >= 0) Delete(i);
  return i;
}

std::string TValueVector::GetToString() const {
  std::string out;
  for (const Ref<IIEValue>& v : values_) {
    if (v) out += v->GetToString();
    out += ' ';
  }
  return out;
}

int32_t TValueVector::GetHashCode() const {
  uint32_t h = 0;
  for (const Ref<IIEValue>& v : values_)
    if (v) h += static_cast<uint32_t>(v->GetHashCode());
  return static_cast<int32_t>(h);
}

bool TValueVector::Equals(IValueVector* other) {
  if (other == this) return true;
  if (!other || other->GetValueCount() != GetValueCount()) return false;
  for (int i = 0; i < GetValueCount(); ++i) {
    IIEValue* a = values_[static_cast<size_t>(i)].get();
    IIEValue* b = other->Get(i);
    if (a == b) continue;
    if (!a || !b || !a->Equals(b)) return false;
  }
  return true;
}

bool TValueVector::Equals(IInterface* other) {
  auto* vector = Query<IValueVector>(other);
  return vector && Equals(vector);
}

void TValueVector::Assign(IInterface* source) {
  auto* other = Query<IValueVector>(source);
  if (!other) throw EConvertError("Cannot assign a non-vector interface to a TValueVector");
  if (other == this) return;
  std::vector<Ref<IIEValue>> copies;
  copies.reserve(static_cast<size_t>(other->GetValueCount()));
  for (int i = 0; i < other->GetValueCount(); ++i) {
    IIEValue* v = other->Get(i);
    copies.push_back(v ? v->Clone() : nullptr);
  }
  values_.swap(copies);
}

Ref<IValueVector> TValueVector::Clone() const {
  Ref<TValueVector> copy(new TValueVector);
  copy->values_.reserve(values_.size());
  for (const Ref<IIEValue>& v : values_)
    copy->values_.push_back(v ? v->Clone() : nullptr);
  copy->tag_ = tag_;
  return copy;
}

// ---------------------------------------------------------------- TSingletonsVector

namespace {
TObject* NewSingletons(TComponent*) {
  return new TSingletonsVector;
}
TObject* NewValueHashTable(TComponent*) {
  return new TValueHashTable;
}
}  // namespace

RC_DEFINE_CLASS(TSingletonsVector, TPersistent, NewSingletons)
RC_DEFINE_CLASS(TValueHashTable, TPersistent, NewValueHashTable)

TSingletonsVector::TSingletonsVector(ISingletonsParser* parser)
    : x_(new TValueVector), y_(new TValueVector), parser_(parser) {}

int TSingletonsVector::Add(IIEValue* x, IIEValue* y) {
  x_->Add(x);
  return y_->Add(y);
}

void TSingletonsVector::Clear() {
  x_->Clear();
  y_->Clear();
}

void TSingletonsVector::Insert(int index, IIEValue* x, IIEValue* y) {
  x_->Insert(index, x);
  y_->Insert(index, y);
}

void TSingletonsVector::Delete(int index) {
  x_->Delete(index);
  y_->Delete(index);
}

void TSingletonsVector::Append(ISingletonsVector* other) {
  if (!other) return;
  int n = other->GetCount();
  for (int i = 0; i < n; ++i)
    Add(other->GetXValues(i), other->GetYValues(i));
}

bool TSingletonsVector::Equals(ISingletonsVector* other) {
  if (other == this) return true;
  if (!other || other->GetCount() != GetCount()) return false;
  for (int i = 0; i < GetCount(); ++i) {
    IIEValue* x = GetXValues(i);
    IIEValue* y = GetYValues(i);
    IIEValue* ox = other->GetXValues(i);
    IIEValue* oy = other->GetYValues(i);
    if (x != ox && (!x || !x->Equals(ox))) return false;
    if (y != oy && (!y || !y->Equals(oy))) return false;
  }
  return true;
}

bool TSingletonsVector::Equals(IInterface* other) {
  auto* singletons = Query<ISingletonsVector>(other);
  return singletons && Equals(singletons);
}

std::string TSingletonsVector::GetToString() const {
  if (parser_) return parser_->PrettyPrint(const_cast<TSingletonsVector*>(this));
  std::string out;
  for (int i = 0; i < GetCount(); ++i) {
    IIEValue* x = GetXValues(i);
    IIEValue* y = GetYValues(i);
    out += '(';
    if (x) out += x->GetToString();
    out += ' ';
    if (y) out += y->GetToString();
    out += ") ";
  }
  return out;
}

int32_t TSingletonsVector::GetHashCode() const {
  return static_cast<int32_t>(static_cast<uint32_t>(x_->GetHashCode()) +
                              static_cast<uint32_t>(y_->GetHashCode()));
}

void TSingletonsVector::CopyPairs(const ISingletonsVector& source) {
  Ref<TValueVector> x(new TValueVector);
  Ref<TValueVector> y(new TValueVector);
  for (int i = 0; i < source.GetCount(); ++i) {
    IIEValue* sx = source.GetXValues(i);
    IIEValue* sy = source.GetYValues(i);
    x->Add(sx ? sx->Clone().get() : nullptr);
    y->Add(sy ? sy->Clone().get() : nullptr);
  }
  x_ = x;
  y_ = y;
  parser_ = source.GetParser();
  tag_ = source.GetTag();
}

void TSingletonsVector::Assign(IInterface* source) {
  auto* other = Query<ISingletonsVector>(source);
  if (!other)
    throw EConvertError("Cannot assign a non-singletons interface to a TSingletonsVector");
  if (other != this) CopyPairs(*other);
}

void TSingletonsVector::Assign(const TPersistent& source) {
  if (auto* other = dynamic_cast<const TSingletonsVector*>(&source)) {
    if (other != this) CopyPairs(*other);
    return;
  }
  TPersistent::Assign(source);
}

Ref<ISingletonsVector> TSingletonsVector::Clone() const {
  Ref<TSingletonsVector> copy(new TSingletonsVector(parser_));
  copy->CopyPairs(*this);
  return copy;
}

// ---------------------------------------------------------------- TValueHashTable

IIEValue* TValueHashTable::Get(std::string_view name) const {
  const Ref<IIEValue>* v = table_.Find(name);
  return v ? v->get() : nullptr;
}

void TValueHashTable::Assign(const TPersistent& source) {
  auto* other = dynamic_cast<const TValueHashTable*>(&source);
  if (!other) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  TStringHashTable<Ref<IIEValue>> copy;
  for (const auto& [name, value] : other->table_)
    copy.Put(name, value ? value->Clone() : nullptr);
  table_ = std::move(copy);
}

std::string TValueHashTable::GetToString() const {
  std::string out;
  for (const auto& [name, value] : table_) {
    out += name;
    out += " = ";
    if (value) out += value->GetToString();
    out += NewLineString;
  }
  return out;
}

}  // namespace rulecore
