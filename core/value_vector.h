// rulecore: an embeddable expert-system shell.
// The value collections: TValueVector, the payload of every multifield value;
// TSingletonsVector, (x, y) pairs from which fuzzy sets are built; and
// TValueHashTable, a name-to-value table. Vectors hold one reference per
// entry (entries may be nil); Append shares values, Clone and Assign copy them.
#pragma once

#include <string>
#include <vector>

#include "core/interfaces.h"
#include "platform/string_hash_table.h"

namespace rulecore {

class RULECORE_API TValueVector : public IValueVector {
 public:
  using IValueVector::Equals;

  TValueVector() = default;

  int GetValueCount() const override { return static_cast<int>(values_.size()); }
  IIEValue* Get(int index) const override;
  void Put(int index, IIEValue* value) override;
  int Add(IIEValue* value) override;
  void Clear() override { values_.clear(); }
  IIEValue* First() const override;
  IIEValue* Last() const override;
  int IndexOf(IIEValue* value) const override;
  void Insert(int index, IIEValue* value) override;
  void Delete(int index) override;
  void Append(IValueVector* other) override;
  int Remove(IIEValue* value) override;
  // Each element's printed form followed by one blank.
  std::string GetToString() const override;
  // The sum of the elements' hash codes (32-bit wrap-around).
  int32_t GetHashCode() const override;
  // Equal counts and, position by position, both nil or strictly equal.
  bool Equals(IValueVector* other) override;
  bool Equals(IInterface* other) override;
  // Empties this vector and fills it with clones of the source's values.
  // Raises EConvertError when the source is no value vector.
  void Assign(IInterface* source) override;
  Ref<IValueVector> Clone() const override;
  int32_t GetTag() const override { return tag_; }
  void SetTag(int32_t tag) override { tag_ = tag; }

  void Reserve(int n) { values_.reserve(static_cast<size_t>(n)); }

 private:
  void CheckIndex(int index) const;

  std::vector<Ref<IIEValue>> values_;
  int32_t tag_ = 0;
};

class RULECORE_API TSingletonsVector : public TPersistent, public ISingletonsVector {
  RC_DECLARE_CLASS(TSingletonsVector)

 public:
  using ISingletonsVector::Equals;

  // REQUIRES: `parser`, when given, outlives this vector or is cleared first.
  explicit TSingletonsVector(ISingletonsParser* parser = nullptr);

  int GetCount() const override { return x_->GetValueCount(); }
  IIEValue* GetXValues(int index) const override { return x_->Get(index); }
  void SetXValues(int index, IIEValue* value) override { x_->Put(index, value); }
  IIEValue* GetYValues(int index) const override { return y_->Get(index); }
  void SetYValues(int index, IIEValue* value) override { y_->Put(index, value); }
  int Add(IIEValue* x, IIEValue* y) override;
  void Clear() override;
  ISingletonsParser* GetParser() const override { return parser_; }
  void SetParser(ISingletonsParser* parser) override { parser_ = parser; }
  int IndexOfX(IIEValue* value) const override { return x_->IndexOf(value); }
  int IndexOfY(IIEValue* value) const override { return y_->IndexOf(value); }
  void Insert(int index, IIEValue* x, IIEValue* y) override;
  void Delete(int index) override;
  void Append(ISingletonsVector* other) override;
  bool Equals(ISingletonsVector* other) override;
  bool Equals(IInterface* other) override;
  // With a parser its pretty-print; else "(x y) " for every pair.
  std::string GetToString() const override;
  int32_t GetHashCode() const override;
  void Assign(IInterface* source) override;
  void Assign(const TPersistent& source) override;
  Ref<ISingletonsVector> Clone() const override;
  int32_t GetTag() const override { return tag_; }
  void SetTag(int32_t tag) override { tag_ = tag; }

  TValueVector* XValues() const { return x_.get(); }
  TValueVector* YValues() const { return y_.get(); }

 private:
  void CopyPairs(const ISingletonsVector& source);

  int32_t tag_ = 0;
  Ref<TValueVector> x_;
  Ref<TValueVector> y_;
  ISingletonsParser* parser_;
};

// A table from names to values, in insertion order.
class RULECORE_API TValueHashTable : public TPersistent {
  RC_DECLARE_CLASS(TValueHashTable)

 public:
  TValueHashTable() = default;

  void Put(std::string_view name, IIEValue* value) { table_.Put(name, Ref<IIEValue>(value)); }
  // Nil when the name is absent.
  IIEValue* Get(std::string_view name) const;
  bool ContainsKey(std::string_view name) const { return table_.ContainsKey(name); }
  bool Remove(std::string_view name) { return table_.Remove(name); }
  void Clear() { table_.Clear(); }
  int Count() const { return table_.Count(); }
  const std::string& KeyAt(int i) const { return table_.At(i).first; }
  IIEValue* ValueAt(int i) const { return table_.At(i).second.get(); }

  // Copies every entry of another table with a clone of its value.
  void Assign(const TPersistent& source) override;
  // "name = value" and a line break for every entry.
  std::string GetToString() const;

 private:
  TStringHashTable<Ref<IIEValue>> table_;
};

}  // namespace rulecore
