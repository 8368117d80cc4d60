// rulecore: an embeddable expert-system shell.
#include "engine/fact_list.h"

#include <algorithm>

#include "core/helper_functions.h"
#include "core/ie_exception.h"
#include "core/messages.h"
#include "engine/inference_engine.h"
#include "platform/properties.h"
#include "platform/string_list.h"

namespace rulecore {

namespace {
TObject* NewFacts(TComponent*) {
  return new TFacts();
}

// Below this many facts a walk of the list beats a binary search.
constexpr int kLinearSearchLimit = 5;

bool IsFuzzyFact(IFact* fact) {
  IFactTemplate* tmpl = fact->GetTemplate();
  return tmpl && tmpl->IsFuzzy();
}
}  // namespace

RC_DEFINE_CLASS(TFacts, TPersistent, NewFacts)

// The list's two settings, streamed with the engine that owns the list.
static const bool published_facts = [] {
  TPublished<TFacts>()
      .Boolean(
          "PreserveIDs", [](TFacts& f) { return f.PreserveIDs(); },
          [](TFacts& f, bool v) { f.SetPreserveIDs(v); })
      .Boolean(
          "CacheHashCodes", [](TFacts& f) { return f.CacheHashCodes(); },
          [](TFacts& f, bool v) { f.SetCacheHashCodes(v); });
  return true;
}();

TFacts::TFacts(TInferenceEngine* engine) : engine_(engine) {}

TFacts::~TFacts() = default;

// ---------------------------------------------------------------- the cache

void TFacts::SetCacheHashCodes(bool on) {
  if (on == cache_hash_codes_) return;
  cache_hash_codes_ = on;
  if (on) {
    CreateCache();
  } else {
    hash_cache_.clear();
    fuzzy_cache_.clear();
  }
}

void TFacts::CreateCache() {
  hash_cache_.clear();
  fuzzy_cache_.clear();
  hash_cache_.reserve(std::max<size_t>(items_.size(), 101));
  for (Item& item : items_) {
    item.hash = IsFuzzyFact(item.fact.get()) ? 0 : item.fact->GetHashCode();
    Cache(item.fact.get(), item.hash);
  }
}

void TFacts::Cache(IFact* fact, int32_t hash) {
  if (IsFuzzyFact(fact))
    fuzzy_cache_.push_back(fact);
  else
    hash_cache_.emplace(hash, fact);
}

void TFacts::Uncache(IFact* fact, int32_t hash) {
  auto in_fuzzy = std::find(fuzzy_cache_.begin(), fuzzy_cache_.end(), fact);
  if (in_fuzzy != fuzzy_cache_.end()) {
    fuzzy_cache_.erase(in_fuzzy);
    return;
  }
  // The code the fact was cached under, not its current one: a fact changed
  // in place while listed hashes differently now.
  auto [begin, end] = hash_cache_.equal_range(hash);
  for (auto it = begin; it != end; ++it) {
    if (it->second == fact) {
      hash_cache_.erase(it);
      return;
    }
  }
}

// ---------------------------------------------------------------- element access

void TFacts::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) RaiseIE(SListIndexError, {index});
}

IFact* TFacts::Get(int index) const {
  CheckIndex(index);
  return items_[static_cast<size_t>(index)].fact.get();
}

void TFacts::Put(int index, IFact* fact) {
  CheckIndex(index);
  Item& item = items_[static_cast<size_t>(index)];
  if (item.fact.get() == fact) return;
  Ref<IFact> keep(fact);
  if (cache_hash_codes_) Uncache(item.fact.get(), item.hash);
  item.fact = keep;
  item.hash = 0;
  if (cache_hash_codes_ && fact) {
    if (!IsFuzzyFact(fact)) item.hash = fact->GetHashCode();
    Cache(fact, item.hash);
  }
}

// ---------------------------------------------------------------- changing the list

int TFacts::Append(IFact* fact, int32_t hash) {
  const int32_t id = fact->GetID();
  // A preserved id may be lower than the last one: the fact then goes where
  // its id belongs, so that the binary searches by id stay right.
  int index = Count();
  if (!items_.empty() && id >= 0 && id < items_.back().fact->GetID()) index = LowerBound(id);
  items_.insert(items_.begin() + index, Item{Ref<IFact>(fact), hash});
  if (cache_hash_codes_) Cache(fact, hash);
  return index;
}

int TFacts::Add(IFact* fact) {
  if (internal_update_ || !engine_) {
    int32_t hash = cache_hash_codes_ && !IsFuzzyFact(fact) ? fact->GetHashCode() : 0;
    return Append(fact, hash);
  }
  Ref<IFact> keep(fact);
  const int32_t own_id = fact->GetID();
  int32_t id;
  if (preserve_ids_ && own_id >= 0 && FindFact(own_id) < 0) {
    max_fact_id_ = std::max(max_fact_id_, own_id);
    id = engine_->AssertFactAs(fact, own_id);
    // The engine's next id passes every id kept so far, even when the fact
    // was refused.
    engine_->next_fact_id_ = std::max(engine_->next_fact_id_, max_fact_id_ + 1);
  } else {
    id = engine_->AssertFact(fact);
    if (id >= 0) max_fact_id_ = std::max(max_fact_id_, id);
  }
  if (id < 0) return -1;
  return Locate(fact);
}

void TFacts::Insert(int index, IFact* fact) {
  if (index < 0 || index > Count()) RaiseIE(SListIndexError, {index});
  if (!internal_update_ && engine_) {
    Add(fact);
    return;
  }
  const int32_t id = fact->GetID();
  // An index that would break the id order is replaced by the fact's place.
  bool fits =
      id < 0 || ((index == 0 || items_[static_cast<size_t>(index - 1)].fact->GetID() < id) &&
                 (index == Count() || items_[static_cast<size_t>(index)].fact->GetID() > id));
  if (!fits) index = LowerBound(id);
  int32_t hash = cache_hash_codes_ && !IsFuzzyFact(fact) ? fact->GetHashCode() : 0;
  items_.insert(items_.begin() + index, Item{Ref<IFact>(fact), hash});
  if (cache_hash_codes_) Cache(fact, hash);
}

void TFacts::Remove(int index) {
  CheckIndex(index);
  Item& item = items_[static_cast<size_t>(index)];
  if (cache_hash_codes_) Uncache(item.fact.get(), item.hash);
  items_.erase(items_.begin() + index);
}

void TFacts::Delete(int index) {
  CheckIndex(index);
  if (internal_update_ || !engine_)
    Remove(index);
  else
    engine_->RetractAt(static_cast<size_t>(index));
}

void TFacts::ClearList() {
  hash_cache_.clear();
  fuzzy_cache_.clear();
  items_.clear();
  max_fact_id_ = 0;
}

void TFacts::Clear() {
  ClearList();
  if (!internal_update_ && engine_) engine_->RetractFacts();
}

// ---------------------------------------------------------------- finding facts

int TFacts::LowerBound(int32_t id) const {
  auto pos = std::lower_bound(items_.begin(), items_.end(), id,
                              [](const Item& item, int32_t v) { return item.fact->GetID() < v; });
  return static_cast<int>(pos - items_.begin());
}

int TFacts::FindFact(int32_t id) const {
  if (Count() < kLinearSearchLimit) {
    for (int i = 0; i < Count(); ++i)
      if (items_[static_cast<size_t>(i)].fact->GetID() == id) return i;
    return -1;
  }
  int i = LowerBound(id);
  return i < Count() && items_[static_cast<size_t>(i)].fact->GetID() == id ? i : -1;
}

IFact* TFacts::GetFactByID(int32_t id) const {
  int i = FindFact(id);
  return i < 0 ? nullptr : items_[static_cast<size_t>(i)].fact.get();
}

int TFacts::IndexOf(IFact* fact) const {
  if (!fact) return -1;
  if (Count() < kLinearSearchLimit || fact->GetID() == -1) {
    for (int i = 0; i < Count(); ++i)
      if (items_[static_cast<size_t>(i)].fact.get() == fact) return i;
    return -1;
  }
  return FindFact(fact->GetID());
}

int TFacts::Locate(IFact* fact) const {
  int i = IndexOf(fact);
  return i >= 0 && items_[static_cast<size_t>(i)].fact.get() == fact ? i : -1;
}

int TFacts::FindFact(IFact* fact) const {
  if (!fact) return -1;
  const bool fuzzy = IsFuzzyFact(fact);
  return FindEqual(fact, UsesCache() && !fuzzy ? fact->GetHashCode() : 0);
}

int TFacts::FindEqual(IFact* fact, int32_t hash) const {
  if (!UsesCache()) {
    for (int i = 0; i < Count(); ++i)
      if (fact->Equals(items_[static_cast<size_t>(i)].fact.get())) return i;
    return -1;
  }
  IFact* found = nullptr;
  if (IsFuzzyFact(fact)) {
    for (IFact* listed : fuzzy_cache_) {
      if (fact->Equals(listed)) {
        found = listed;
        break;
      }
    }
  } else {
    // Equal hash codes do not make equal facts: equality decides, and among
    // several equal facts (listed while duplicates were allowed) the first
    // listed one answers, as the scan would.
    auto [begin, end] = hash_cache_.equal_range(hash);
    for (auto it = begin; it != end; ++it)
      if ((!found || it->second->GetID() < found->GetID()) && fact->Equals(it->second))
        found = it->second;
  }
  return found ? Locate(found) : -1;
}

// ---------------------------------------------------------------- text

std::string TFacts::GetToString() const {
  std::string out;
  for (size_t i = 0; i < items_.size(); ++i)
    out += (i ? NewLineString : "") + items_[i].fact->GetToString();
  return out;
}

std::string TFacts::GetToIDString() const {
  std::string out;
  for (size_t i = 0; i < items_.size(); ++i)
    out += (i ? NewLineString : "") + items_[i].fact->GetToIDString();
  return out;
}

// ---------------------------------------------------------------- assignment

void TFacts::Assign(const TPersistent& source) {
  auto* from = dynamic_cast<const TFacts*>(&source);
  if (!from) {
    TPersistent::Assign(source);
    return;
  }
  if (from == this) return;
  // Every template is chosen before the list changes, so that a template
  // that differs leaves this list as it was.
  std::vector<Ref<IFact>> copies;
  copies.reserve(from->items_.size());
  for (const Item& item : from->items_) {
    IFact* fact = item.fact.get();
    IFactTemplate* theirs = fact->GetTemplate();
    IFactTemplate* tmpl = theirs;
    if (engine_ && theirs && theirs->GetOwner() != engine_) {
      const std::string name = theirs->GetTemplateName();
      if (IFactTemplate* own = engine_->FindFactTemplate(name)) {
        if (!own->Equals(static_cast<IInterface*>(theirs)) ||
            own->GetSlotCount() != theirs->GetSlotCount())
          RaiseIE(SFactTemplatesDifferent, {name, own->GetTemplateName()});
        tmpl = own;
      }
    }
    Ref<IFact> copy = fact->Clone();
    copy->SetID(fact->GetID());
    if (tmpl != theirs) copy->SetTemplate(tmpl);
    copies.push_back(copy);
  }
  Clear();
  for (const Ref<IFact>& copy : copies) {
    IFactTemplate* tmpl = copy->GetTemplate();
    // A template this engine lacks is made here, so that the facts match
    // this engine's rules and its saved text reads back.
    if (engine_ && tmpl && tmpl->GetOwner() != engine_)
      copy->SetTemplate(engine_->CreateFactTemplate(tmpl));
    Add(copy.get());
  }
}

void TFacts::AssignTo(TPersistent& dest) const {
  if (auto* list = dynamic_cast<TStringList*>(&dest)) {
    list->Clear();
    for (const Item& item : items_)
      list->Add(item.fact->GetToString());
    return;
  }
  if (auto* facts = dynamic_cast<TFacts*>(&dest)) {
    facts->Assign(*this);
    return;
  }
  TPersistent::AssignTo(dest);
}

}  // namespace rulecore
