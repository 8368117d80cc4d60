// rulecore: an embeddable expert-system shell.
// TFacts: the engine's list of asserted facts, in ascending id order, with a
// lookup cache for the duplicate check. A change made from outside (a host
// adding or deleting a fact) goes through the owning engine as an assertion
// or retraction; the engine itself changes the list only while InternalUpdate
// is set. The list holds one reference to each fact; the engine owns the list.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/interfaces.h"
#include "platform/object.h"

namespace rulecore {

class TInferenceEngine;

class RULECORE_API TFacts : public TPersistent {
  RC_DECLARE_CLASS(TFacts)

 public:
  // `engine` may be nil for a free-standing list. REQUIRES: the engine
  // outlives the list.
  explicit TFacts(TInferenceEngine* engine = nullptr);
  ~TFacts() override;
  TFacts(const TFacts&) = delete;
  TFacts& operator=(const TFacts&) = delete;

  TInferenceEngine* Engine() const { return engine_; }
  // True while the engine itself changes the list: the list operations then
  // act on the list alone.
  bool InternalUpdate() const { return internal_update_; }

  // Facts added from outside keep the id they carry (when no listed fact has
  // it); the engine's next id then moves past it.
  bool PreserveIDs() const { return preserve_ids_; }
  void SetPreserveIDs(bool on) { preserve_ids_ = on; }
  // The highest id of a fact added from outside; 0 after Clear.
  int32_t MaxFactId() const { return max_fact_id_; }
  // Whether the duplicate check finds equal facts through the cache (by hash
  // code, then equality) instead of a scan of the list. Turning it on builds
  // the cache from the listed facts.
  bool CacheHashCodes() const { return cache_hash_codes_; }
  void SetCacheHashCodes(bool on);
  // Builds the cache anew from the listed facts, in list order.
  void CreateCache();

  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  // REQUIRES: 0 <= index < Count(); SListIndexError otherwise.
  IFact* Get(int index) const;
  // Replaces the fact at `index` (the cache follows). The caller keeps the
  // list in id order. SListIndexError for an index out of range.
  void Put(int index, IFact* fact);

  // From outside: asserts the fact through the engine (a fact refused as a
  // duplicate is not listed) and returns its index, -1 when refused.
  // Internally, or without an engine: lists the fact where its id belongs
  // (at the end unless its id is lower than the last one) and returns its
  // index. The engine's errors (SNoTemplate) pass through.
  int Add(IFact* fact);
  // As Add; `index` is followed only as far as the id order allows, since
  // FindFact relies on that order. SListIndexError for an index out of range.
  void Insert(int index, IFact* fact);
  // From outside: the engine retracts the fact at `index` (watch line and
  // events included). Internally: removes it from the cache and the list.
  // SListIndexError for an index out of range.
  void Delete(int index);
  // Empties the cache and the list, sets MaxFactId to 0 and, from outside,
  // has the engine retract every fact at once (RetractFacts). The engine's
  // next fact id stays as it is.
  void Clear();

  // The index of the fact with that id, -1 when none.
  int FindFact(int32_t id) const;
  // The index of the first listed fact equal to `fact`, -1 when none (the
  // duplicate test).
  int FindFact(IFact* fact) const;
  // The index of `fact`: by identity in a short list or for a fact without
  // id, else by its id. -1 when absent.
  int IndexOf(IFact* fact) const;
  IFact* GetFactByID(int32_t id) const;

  // Every fact's text (GetToString / GetToIDString), one per line, without a
  // line break after the last.
  std::string GetToString() const;
  std::string GetToIDString() const;

  // From another fact list: every source fact is copied, in order, onto this
  // engine's template of the same name (or one made from the source's) and
  // added as Add does, after this list was cleared. A template of that name
  // that differs raises SFactTemplatesDifferent before anything changes.
  // Any other source goes to TPersistent::Assign.
  void Assign(const TPersistent& source) override;

 protected:
  // A TStringList target receives every fact's text in order; a fact list
  // target is assigned from this one.
  void AssignTo(TPersistent& dest) const override;

 private:
  friend class TInferenceEngine;

  struct Item {
    Ref<IFact> fact;
    int32_t hash;  // the hash code the fact was cached under
  };

  // Sets InternalUpdate for one engine-side change of the list.
  class InternalScope {
   public:
    explicit InternalScope(TFacts& facts) : facts_(facts), was_(facts.internal_update_) {
      facts_.internal_update_ = true;
    }
    ~InternalScope() { facts_.internal_update_ = was_; }

   private:
    TFacts& facts_;
    bool was_;
  };

  // The engine's side of Add, with the hash code already computed (the
  // engine computed it for the duplicate test). Returns the index.
  int Append(IFact* fact, int32_t hash);
  // The engine's side of Delete.
  void Remove(int index);
  // The engine's side of Clear.
  void ClearList();
  // The duplicate test with the hash code already computed.
  int FindEqual(IFact* fact, int32_t hash) const;
  // The position of `fact` itself, -1 when it is not listed.
  int Locate(IFact* fact) const;
  // The first position whose fact has an id not below `id`.
  int LowerBound(int32_t id) const;
  bool UsesCache() const { return cache_hash_codes_ && !preserve_ids_; }
  void Cache(IFact* fact, int32_t hash);
  void Uncache(IFact* fact, int32_t hash);
  void CheckIndex(int index) const;

  TInferenceEngine* engine_;
  bool internal_update_ = false;
  bool preserve_ids_ = false;
  bool cache_hash_codes_ = true;
  int32_t max_fact_id_ = 0;
  std::vector<Item> items_;  // ascending ids
  // Every non-fuzzy listed fact under its hash code: facts whose codes
  // collide are all kept, and equality decides.
  std::unordered_multimap<int32_t, IFact*> hash_cache_;
  std::vector<IFact*> fuzzy_cache_;  // the listed facts of fuzzy templates
};

}  // namespace rulecore
