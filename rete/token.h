// rulecore: an embeddable expert-system shell.
// Tokens and token memories of the matcher. A token is a partial match: a
// chain of facts in pattern order, every pattern contributing one position
// (negated, existence and test elements contribute the engine's null fact),
// so that token positions and the rule's binding positions always agree.
// Tokens share their parent chains. A fact whose multislot is divided among
// multifield variables carries the division on its link, and every reader of
// a slot position goes through SlotValueAt so that the division is honoured.
#pragma once

#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/interfaces.h"

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

class RULECORE_API TIEToken : public IReteToken {
 public:
  // A token of one fact.
  TIEToken(TTokenAction action, IFact* fact, TDivision* division = nullptr);
  // `parent` extended by `fact`: the parent's tag and strength, count + 1.
  TIEToken(TIEToken* parent, IFact* fact, TDivision* division = nullptr);
  // A copy of one link (sharing the parent chain).
  TIEToken(const TIEToken& other);

  bool Equals(IReteToken* other) override;
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
// The same for the fact of pattern `index` in `token`.
RULECORE_API Ref<IIEValue> TokenSlotValue(IReteToken* token, int index, std::string_view slot,
                                          int32_t sub_index);
RULECORE_API Ref<IIEValue> TokenSlotValue(const TIEToken* token, int index, std::string_view slot,
                                          int32_t sub_index);

// A hashed token memory. Tokens are kept per key (the hash of a chosen
// value, or 0 when the memory is not hashed) in arrival order; equal tokens
// are stored once.
class RULECORE_API TIETokenTree {
 public:
  using Bucket = std::list<Ref<TIEToken>>;

  TIETokenTree() = default;

  // Stores `token` under `key`; false when an equal token is already stored.
  bool Add(int32_t key, TIEToken* token);
  // Removes the stored token equal to `token`; returns it (nil when none).
  Ref<TIEToken> Remove(int32_t key, TIEToken* token);
  // The stored token equal to `token`, nil when none.
  TIEToken* Find(int32_t key, TIEToken* token) const;
  // The tokens stored under `key` (nil when none).
  const Bucket* Get(int32_t key) const;
  // Calls `f` for every stored token, bucket by bucket.
  template <class F>
  void ForEach(F&& f) const {
    for (const auto& [key, bucket] : buckets_)
      for (const Ref<TIEToken>& t : bucket)
        f(t.get());
  }
  void Clear();
  int Count() const { return count_; }

 private:
  std::unordered_map<int32_t, Bucket> buckets_;
  std::unordered_multimap<uint64_t, std::pair<int32_t, Bucket::iterator>> by_hash_;
  int count_ = 0;
};

}  // namespace rulecore
