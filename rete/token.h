// rulecore: an embeddable expert-system shell.
// Tokens and token memories of the matcher. A token is a partial match: a
// chain of facts in pattern order, every pattern contributing one position
// (negated, existence and test elements contribute the engine's null fact),
// so that token positions and the rule's binding positions always agree.
// Tokens share their parent chains. A fact whose multislot is divided among
// multifield variables carries the division on its link, and every reader of
// a slot position goes through SlotValueAt so that the division is honoured.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/interfaces.h"
#include "rete/pool.h"

namespace rulecore {

// Where the positions of one multislot begin when multifield variables take
// runs of its elements: position p covers elements [starts[p], starts[p+1]).
struct TSlotDivision {
  std::string slot;
  std::vector<int32_t> starts;  // one per position, plus the list length
  std::vector<bool> multi;      // whether position p is a multifield variable
};

// The divisions of the multislots of one fact in one match.
class RULECORE_API TDivision : public IInterface {
 public:
  std::vector<TSlotDivision> slots;

  const TSlotDivision* Find(std::string_view slot) const;
  bool Equals(const TDivision* other) const;
};

class RULECORE_API TIEToken final : public IReteToken {
 public:
  RULECORE_POOLED(TIEToken)

  // A token of one fact.
  TIEToken(TTokenAction action, IFact* fact, TDivision* division = nullptr);
  // `parent` extended by `fact`: the parent's tag and strength, count + 1.
  TIEToken(TIEToken* parent, IFact* fact, TDivision* division = nullptr);
  // A copy of one link (sharing the parent chain).
  TIEToken(const TIEToken& other);

  bool Equals(IReteToken* other) override;
  // The same test between two tokens of the matcher.
  bool SameChain(const TIEToken* other) const;
  int32_t GetNegatedCount() const override { return negated_count_; }
  void SetNegatedCount(int32_t count) override { negated_count_ = count; }
  int GetCount() const override { return count_; }
  IFact* GetFact() const override { return fact_.get(); }
  // The fact of pattern `index` (0 is the first), nil outside the token.
  IFact* GetFacts(int index) const override;
  IReteToken* GetParent() const override { return parent_.get(); }
  int32_t GetSortCode() const override { return sort_code_; }
  TTokenAction GetTag() const override { return tag_; }
  float GetStrength() const override { return strength_; }
  void SetStrength(float strength) override { strength_ = strength; }
  void SetTag(TTokenAction action) override { tag_ = action; }
  // The tag's name, " cnt=", " negcnt=", then each fact on its own line,
  // last first.
  std::string GetToString() const override;
  // "f-<id>" of each fact in pattern order, joined by ", ".
  std::string GetToFactsString() const override;

  TIEToken* Parent() const { return parent_.get(); }
  // A well-mixed hash of the facts of the token (and their divisions' being
  // there), used to find equal tokens in memories. Equal tokens hash alike.
  uint64_t ChainHash() const { return chain_hash_; }
  TDivision* Division() const { return division_.get(); }
  // The link holding the fact of pattern `index`; nil outside the token.
  const TIEToken* Link(int index) const;

 private:
  int32_t count_;
  int32_t negated_count_ = 0;
  Ref<IFact> fact_;
  Ref<TIEToken> parent_;
  float strength_ = 1.0f;
  int32_t sort_code_;
  TTokenAction tag_;
  Ref<TDivision> division_;
  uint64_t chain_hash_;
};

// The value of `slot` of `fact`, or of its position `sub_index` (NoSubIndex:
// the whole value). With a division for the slot, a single-field position
// reads its element and a multifield position a new list of its run.
// Returns nil for a position the value does not have.
RULECORE_API Ref<IIEValue> SlotValueAt(IFact* fact, const TDivision* division,
                                       std::string_view slot, int32_t sub_index);
// The same value, borrowed from the fact: it stays valid while the fact
// keeps its values. A list made for a multifield run is kept in `made`.
// `hint` is the slot's position last time (see IFact::GetValueHinted).
RULECORE_API IIEValue* PeekSlotValue(IFact* fact, const TDivision* division, std::string_view slot,
                                     int32_t sub_index, int32_t& hint, Ref<IIEValue>& made);
RULECORE_API IIEValue* PeekTokenSlotValue(const TIEToken* token, int index, std::string_view slot,
                                          int32_t sub_index, int32_t& hint, Ref<IIEValue>& made);
// The same for the fact of pattern `index` in `token`.
RULECORE_API Ref<IIEValue> TokenSlotValue(IReteToken* token, int index, std::string_view slot,
                                          int32_t sub_index);
RULECORE_API Ref<IIEValue> TokenSlotValue(const TIEToken* token, int index, std::string_view slot,
                                          int32_t sub_index);

// A hashed token memory. Tokens are kept per key (the hash of the values a
// join compares, or 0 when the memory is not hashed) in arrival order; equal
// tokens are stored once. An index by the tokens' chain hashes finds a stored
// token without walking its key's list.
class RULECORE_API TIETokenTree {
 public:
  struct Entry;
  using List = std::pair<Entry*, Entry*>;  // first, last
  struct Entry {
    RULECORE_POOLED(Entry)
    Ref<TIEToken> token;
    uint64_t hash = 0;
    int32_t key = 0;
    // Negated and existence joins: how many facts match the token.
    int32_t matches = 0;
    // A join's right memory: the values its tests compare, read once.
    std::unique_ptr<Ref<IIEValue>[]> values;
    List* list = nullptr;  // the key's list, in arrival order
    Entry* prev = nullptr;
    Entry* next = nullptr;
    Entry* same_hash = nullptr;  // the index chain
  };

  TIETokenTree() = default;
  ~TIETokenTree();
  TIETokenTree(const TIETokenTree&) = delete;
  TIETokenTree& operator=(const TIETokenTree&) = delete;

  // Stores `token` under `key`. With `once`, nil when an equal token is
  // already stored under that key; without, the caller knows it is not.
  Entry* Add(int32_t key, TIEToken* token, bool once = true);
  // Removes the stored token equal to `token` and returns it (and its
  // entry's match count in `matches`); nil when none.
  Ref<TIEToken> Remove(TIEToken* token, int32_t* matches = nullptr);
  // The stored token equal to `token`, nil when none.
  TIEToken* Find(int32_t key, TIEToken* token) const;
  // Calls `f` with each entry stored under `key`, in arrival order, until
  // it returns false. `f` may not add to or remove from this memory.
  template <class F>
  void ForEachIn(int32_t key, F&& f) const {
    auto it = lists_.find(key);
    if (it == lists_.end()) return;
    for (Entry* e = it->second.first; e; e = e->next)
      if (!f(*e)) return;
  }
  // Calls `f` with every entry, key by key.
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& [key, list] : lists_)
      for (Entry* e = list.first; e; e = e->next)
        f(*e);
  }
  void Clear();
  int Count() const { return count_; }

 private:
  // Whether the entry holds a token equal to `token`.
  static bool Holds(const Entry* e, uint64_t hash, const TIEToken* token);
  Entry** Slot(uint64_t hash) const { return &index_[hash & (index_.size() - 1)]; }
  void Grow();
  // Drops the empty lists.
  void Sweep();

  // Nodes stay put: entries point at them. A key whose list empties keeps
  // it for a while, since the same keys tend to come back (a fact changed
  // and changed back); the empty lists are swept once there are more than
  // a thousand of them and four times as many as the others.
  std::unordered_map<int32_t, List> lists_;
  size_t empty_lists_ = 0;
  mutable std::vector<Entry*> index_;  // chained by same_hash; size a power of 2
  int count_ = 0;
};

}  // namespace rulecore
