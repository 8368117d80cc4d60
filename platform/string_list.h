// rulecore: an embeddable expert-system shell.
// TStringList: an ordered list of strings, each with an optional object
// pointer beside it (not owned). Lookups ignore letter case unless
// CaseSensitive is set; a sorted list keeps its order on Add.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/object.h"

namespace rulecore {

class RULECORE_API TStringList : public TPersistent {
  RC_DECLARE_CLASS(TStringList)

 public:
  TStringList() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  // REQUIRES: 0 <= i < Count(); raises EListError-style Exception otherwise.
  const std::string& Get(int i) const;
  void Put(int i, const std::string& s);
  TObject* GetObject(int i) const;
  void PutObject(int i, TObject* obj);

  // Returns the index of the new string.
  int Add(const std::string& s, TObject* obj = nullptr);
  void Insert(int i, const std::string& s, TObject* obj = nullptr);
  void Delete(int i);
  void Exchange(int i, int j);
  void Clear() { items_.clear(); }

  // The index of the first string equal to `s`, -1 when none.
  int IndexOf(std::string_view s) const;
  int IndexOfObject(const TObject* obj) const;

  bool CaseSensitive() const { return case_sensitive_; }
  // A sorted list is sorted again under the new comparison.
  void SetCaseSensitive(bool on);
  bool Sorted() const { return sorted_; }
  void SetSorted(bool on);
  void Sort();

  // All strings, each followed by a line break ("\r\n").
  std::string Text() const;
  // Replaces the contents with the lines of `text` ("\r\n", "\n" or "\r"); a
  // sorted list stays sorted.
  void SetText(std::string_view text);

  void Assign(const TPersistent& source) override;

 private:
  struct Item {
    std::string text;
    TObject* object = nullptr;
  };
  int Compare(std::string_view a, std::string_view b) const;
  void CheckIndex(int i) const;

  std::vector<Item> items_;
  bool case_sensitive_ = false;
  bool sorted_ = false;
};

}  // namespace rulecore
