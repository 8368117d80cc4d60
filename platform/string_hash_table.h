// rulecore: an embeddable expert-system shell.
// TStringHashTable<T>: a table from byte-string keys to values that keeps its
// entries in insertion order, so listing a table is deterministic. Lookups
// are by hash once the table is larger than a few entries, and by a walk of
// the entries until then; removal shifts the entries after the removed one.
// Keys are compared exactly (letter case matters).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace rulecore {

// Hashing that accepts std::string and std::string_view alike, so lookups by
// view build no string.
struct TransparentStringHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

template <class T>
class TStringHashTable {
 public:
  using Entry = std::pair<std::string, T>;

  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }

  // Stores `value` under `key`, replacing an existing entry in its place.
  void Put(std::string_view key, T value) {
    const size_t at = Position(key);
    if (at != kNone) {
      entries_[at].second = std::move(value);
      return;
    }
    entries_.emplace_back(std::string(key), std::move(value));
    if (!index_.empty())
      index_.emplace(std::string(key), entries_.size() - 1);
    else if (entries_.size() > kLinear)
      for (size_t i = 0; i < entries_.size(); ++i)
        index_.emplace(entries_[i].first, i);
  }
  // Makes room for `count` entries in all.
  void Reserve(size_t count) { entries_.reserve(count); }

  // The entry's value, or nil when the key is absent.
  T* Find(std::string_view key) {
    size_t i = Position(key);
    return i == kNone ? nullptr : &entries_[i].second;
  }
  const T* Find(std::string_view key) const {
    size_t i = Position(key);
    return i == kNone ? nullptr : &entries_[i].second;
  }
  // Find, trying the position in `hint` first; `hint` is set to where the
  // key was found.
  T* Find(std::string_view key, int32_t& hint) {
    const size_t at = static_cast<size_t>(hint);
    if (at < entries_.size() && SameKey(entries_[at].first, key)) return &entries_[at].second;
    size_t i = Position(key);
    if (i == kNone) return nullptr;
    hint = static_cast<int32_t>(i);
    return &entries_[i].second;
  }
  bool ContainsKey(std::string_view key) const { return Find(key) != nullptr; }

  // Removes the entry; returns false when there was none.
  bool Remove(std::string_view key) {
    const size_t pos = Position(key);
    if (pos == kNone) return false;
    // The value dies last, after the table is consistent again, so that its
    // destructor may look at the table.
    [[maybe_unused]] T victim = std::move(entries_[pos].second);
    if (!index_.empty()) index_.erase(index_.find(key));
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pos));
    for (auto& [k, i] : index_)
      if (i > pos) --i;
    return true;
  }

  void Clear() {
    std::vector<Entry> victims;
    victims.swap(entries_);
    index_.clear();
  }

  // Entries in insertion order. REQUIRES: 0 <= i < Count().
  const Entry& At(int i) const { return entries_[static_cast<size_t>(i)]; }
  Entry& At(int i) { return entries_[static_cast<size_t>(i)]; }
  auto begin() { return entries_.begin(); }
  auto end() { return entries_.end(); }
  auto begin() const { return entries_.begin(); }
  auto end() const { return entries_.end(); }

 private:
  static constexpr size_t kNone = static_cast<size_t>(-1);
  // Keys are short names: comparing them in place beats calling memcmp.
  static bool SameKey(const std::string& a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < b.size(); ++i)
      if (a[i] != b[i]) return false;
    return true;
  }
  // Small tables (the slots of a fact, say) are searched in order: comparing
  // a few short names is cheaper than hashing one, and they keep no index.
  // The index, once made, is kept while the table has entries.
  static constexpr size_t kLinear = 8;
  size_t Position(std::string_view key) const {
    if (index_.empty()) {
      for (size_t i = 0; i < entries_.size(); ++i)
        if (SameKey(entries_[i].first, key)) return i;
      return kNone;
    }
    auto it = index_.find(key);
    return it == index_.end() ? kNone : it->second;
  }

  std::unordered_map<std::string, size_t, TransparentStringHash, std::equal_to<>> index_;
  std::vector<Entry> entries_;
};

}  // namespace rulecore
