// rulecore: an embeddable expert-system shell.
// Tokens and token memories of the matcher. A token is a partial match: a
// chain of facts in pattern order, every pattern contributing one position
// (negated, existence and test elements contribute the engine's null fact),
// so that token positions and the rule's binding positions always agree.
// Tokens share their parent chains. A fact whose multislot is divided among
// multifield variables carries the division on its link, and every reader of
// a slot position goes through SlotValueAt so that the division is honoured.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ie_consts.h"
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

class TIEToken;
class TIETokenTree;

// A token stored in a memory. A join's entries also list the tokens the join
// made from them (the entry's children), so that withdrawing a token drops
// what it made without matching again. A token carries the entry of the
// first memory that stores it (most are stored once); further memories make
// their own.
struct TTokenEntry {
  RULECORE_POOLED(TTokenEntry)
  Ref<TIEToken> token;
  TIETokenTree* tree = nullptr;  // the memory holding it
  int32_t key = 0;
  // Negated and existence joins: how many facts match the token.
  int32_t matches = 0;
  // A join's right memory: the values its tests compare, read once.
  std::unique_ptr<Ref<IIEValue>[]> values;
  // The memory's bucket of the key, in arrival order; the first entry's
  // `prev` is the last.
  TTokenEntry* prev = nullptr;
  TTokenEntry* next = nullptr;
  // A fact's token (one without a parent) is found through its memory's
  // index, chained here; any other token lists the entries holding it,
  // chained here.
  TTokenEntry* chain = nullptr;
  // The newest of the tokens made from this entry (see TIETokenTree).
  TIEToken* children = nullptr;
};

class RULECORE_API TIEToken final : public IReteToken {
 public:
  RULECORE_POOLED(TIEToken)

  // A token of one fact.
  TIEToken(TTokenAction action, IFact* fact, TDivision* division = nullptr);
  // `parent` extended by the fact of `origin`, a fact's token: the parent's
  // tag and strength, count + 1.
  TIEToken(TIEToken* parent, TIEToken* origin);
  // A copy of one link (sharing the parent chain), held by no memory.
  TIEToken(const TIEToken& other);
  ~TIEToken() override;

  bool Equals(IReteToken* other) override;
  // The same test between two tokens of the matcher.
  bool SameChain(const TIEToken* other) const;
  int32_t GetNegatedCount() const override { return negated_count_; }
  void SetNegatedCount(int32_t count) override { negated_count_ = count; }
  int GetCount() const override { return count_; }
  IFact* GetFact() const override { return fact_; }
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

  // The matcher's references. Tokens are made and dropped by the million
  // within one engine, and a count kept in the token spares the shared
  // count's locked arithmetic: the token holds one shared reference on
  // itself while the matcher holds any, which it takes and gives back
  // without locked arithmetic when no one else holds the token. Holders
  // through an interface (activations, hosts) count on the shared count as
  // usual.
  void AddRef() const noexcept {
    if (local_count_++ == 0) AddFirstRef();
  }
  void Release() const noexcept {
    if (--local_count_ == 0) ReleaseLastRef();
  }

  TIEToken* Parent() const { return parent_.get(); }
  // A well-mixed hash that finds the token where it is stored. A fact's
  // token hashes its fact (and division): its withdrawal comes as a new
  // token, equal to the stored one. Any other token is withdrawn as the very
  // object that was stored, and hashes its address.
  uint64_t Identity() const;
  TDivision* Division() const { return parent_ ? origin_->division_ : division_; }
  // The link holding the fact of pattern `index`; nil outside the token.
  const TIEToken* Link(int index) const {
    if (index < 0 || index >= count_) return nullptr;
    const TIEToken* t = this;
    for (int steps = count_ - 1 - index; steps > 0; --steps)
      t = t->parent_.get();
    return t;
  }

 private:
  friend class TIETokenTree;

  int32_t count_;
  mutable int32_t local_count_ = 0;
  // A fact's token holds a reference to its fact and division. A token made
  // by a join borrows both from `origin`, the fact's token it was made with,
  // and holds that instead: millions of tokens are made from a few facts,
  // and the facts' shared counts would be counted up and down with each.
  IFact* fact_;
  Ref<TIEToken> parent_;
  float strength_ = 1.0f;
  int32_t sort_code_;
  TTokenAction tag_;
  int32_t negated_count_ = 0;
  union {
    TDivision* division_;  // without a parent
    TIEToken* origin_;     // with one
  };
  // The matcher's links (see TIETokenTree): the entries holding the token
  // (its own, then others chained from `holds_`), the entries of the join it
  // was made from (left input, right input) and its neighbours among the
  // children of each.
  TTokenEntry entry_;
  TTokenEntry* holds_ = nullptr;
  TTokenEntry* made_from_[2] = {nullptr, nullptr};
  TIEToken* older_[2] = {nullptr, nullptr};
  TIEToken* newer_[2] = {nullptr, nullptr};
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
// `value` is the whole value of `slot`: the element or run of position
// `sub_index` (see PeekSlotValue).
RULECORE_API IIEValue* PeekSlotElement(IIEValue* value, const TDivision* division,
                                       std::string_view slot, int32_t sub_index,
                                       Ref<IIEValue>& made);
// Joins read a slot for every token that passes them; the common case, a
// whole value, goes without a call.
inline IIEValue* PeekSlotValue(IFact* fact, const TDivision* division, std::string_view slot,
                               int32_t sub_index, int32_t& hint, Ref<IIEValue>& made) {
  if (!fact) return nullptr;
  IIEValue* value = fact->GetValueHinted(slot, hint);
  if (sub_index == NoSubIndex || !value) return value;
  return PeekSlotElement(value, division, slot, sub_index, made);
}
inline IIEValue* PeekTokenSlotValue(const TIEToken* token, int index, std::string_view slot,
                                    int32_t sub_index, int32_t& hint, Ref<IIEValue>& made) {
  const TIEToken* link = token ? token->Link(index) : nullptr;
  if (!link) return nullptr;
  // A made link's division is its fact token's: read only when needed.
  return PeekSlotValue(link->GetFact(), sub_index == NoSubIndex ? nullptr : link->Division(), slot,
                       sub_index, hint, made);
}
// The same for the fact of pattern `index` in `token`.
RULECORE_API Ref<IIEValue> TokenSlotValue(IReteToken* token, int index, std::string_view slot,
                                          int32_t sub_index);
RULECORE_API Ref<IIEValue> TokenSlotValue(const TIEToken* token, int index, std::string_view slot,
                                          int32_t sub_index);

// A hashed token memory. Tokens are kept under a key (the hash of the values
// a join compares, or 0 when the memory is not hashed) in buckets chained
// through the entries, in arrival order, so that the tokens of one key are
// met in the order they came; equal tokens are stored once. Facts' tokens
// are also indexed by their identity.
//
// A join links each token it makes under the entries it made it from: the
// left token's entry and, for a positive join, the right fact's entry. Each
// entry lists its children newest first, linked through the token's side of
// the memory (0 for a left memory, 1 for a right one); the newest child's
// `newer` link points at the oldest, so that both ends are at hand. The
// lists hold a reference to each child.
class RULECORE_API TIETokenTree {
 public:
  using Entry = TTokenEntry;

  // `side`: 0 for a join's left input (or a test's), 1 for its right input.
  explicit TIETokenTree(int side = 0) : side_(side) {}
  ~TIETokenTree();
  TIETokenTree(const TIETokenTree&) = delete;
  TIETokenTree& operator=(const TIETokenTree&) = delete;

  // Stores `token` under `key`. With `once`, nil when the token (or for a
  // fact's token an equal one) is already stored; without, the caller knows
  // it is not.
  Entry* Add(int32_t key, TIEToken* token, bool once = true);
  // The entry holding `token` (see TIEToken::Identity); nil when none.
  Entry* Locate(TIEToken* token) const;
  // Takes the entry out of the memory and frees it; children it still has
  // are unlinked without a word.
  void Erase(Entry* e);
  // Removes the stored token equal to `token`; false when none.
  bool Remove(TIEToken* token);
  // Calls `f` with each entry stored under `key`, in arrival order, until
  // it returns false. `f` may not add to or remove from this memory.
  template <class F>
  void ForEachIn(int32_t key, F&& f) const {
    if (buckets_.empty()) return;
    for (Entry *e = buckets_[Bucket(key)], *next; e; e = next) {
      // A long bucket (a join without equality tests keeps one) is walked
      // while its tokens' joins run: the next entry arrives meanwhile.
      next = e->next;
      PrefetchLines(next, sizeof(Entry));
      if (e->key == key && !f(*e)) return;
    }
  }
  // Calls `f` with every entry, bucket by bucket.
  template <class F>
  void ForEach(F&& f) const {
    for (Entry* head : buckets_)
      for (Entry* e = head; e; e = e->next)
        f(*e);
  }
  void Clear();
  int Count() const { return count_; }

  // Links `child` under the entries it was made from (`right` may be nil).
  static void Adopt(Entry* left, Entry* right, TIEToken* child);
  // Unlinks the children of `e` from both their entries, oldest first, and
  // calls `f` with each (held while `f` runs).
  template <class F>
  static void DropChildren(Entry* e, F&& f) {
    const int side = e->tree->side_;
    // The lines of a token made long ago are fetched together rather than
    // one after another as its fields are read; most entries have one child.
    PrefetchLines(e->children, sizeof(TIEToken));
    while (TIEToken* newest = e->children) {
      Ref<TIEToken> child(newest->newer_[side]);
      Orphan(child.get());
      // The next child's lines arrive while this one's withdrawal runs.
      if (TIEToken* rest = e->children) PrefetchLines(rest->newer_[side], sizeof(TIEToken));
      f(child.get());
    }
  }
  // Calls `f` with each child of `e`, oldest first. `f` may not change them.
  template <class F>
  static void ForEachChild(const Entry* e, F&& f) {
    const int side = e->tree->side_;
    TIEToken* newest = e->children;
    if (!newest) return;
    for (TIEToken* c = newest->newer_[side];; c = c->newer_[side]) {
      f(c);
      if (c == newest) return;
    }
  }

 private:
  // Unlinks `child` from the entries it was made from, and lets go of the
  // lists' reference.
  static void Orphan(TIEToken* child);
  static void Link(Entry* e, int side, TIEToken* child);
  // Takes a made token's entry off the token's list of further entries.
  static void Unhold(Entry* e);
  // Frees a separate entry, or lets the token's own go (and the token's
  // reference with it).
  static void Free(Entry* e);
  static void Unlink(Entry* e, int side, TIEToken* child);
  Entry** Slot(uint64_t hash) const { return &index_[hash & (index_.size() - 1)]; }
  void Grow();
  size_t Bucket(int32_t key) const {
    return (static_cast<uint32_t>(key) * 0x9E3779B1u) >> (32 - bucket_bits_);
  }
  void Append(Entry* e);
  // Doubles the buckets; entries of one key keep their order.
  void GrowBuckets();

  int side_;
  std::vector<Entry*> buckets_;  // size 2^bucket_bits_, at least the count
  int bucket_bits_ = 0;
  mutable std::vector<Entry*> index_;  // facts' tokens, chained by `chain`; size a power of 2
  int indexed_ = 0;
  int count_ = 0;
};

}  // namespace rulecore
