// rulecore: an embeddable expert-system shell.
#include "rete/token.h"

#include "core/ie_value.h"
#include "core/value_vector.h"
#include "platform/format.h"

namespace rulecore {

// ---------------------------------------------------------------- TDivision

const TSlotDivision* TDivision::Find(std::string_view slot) const {
  for (const TSlotDivision& d : slots)
    if (d.slot == slot) return &d;
  return nullptr;
}

bool TDivision::Equals(const TDivision* other) const {
  if (other == this) return true;
  if (!other || other->slots.size() != slots.size()) return false;
  for (size_t i = 0; i < slots.size(); ++i)
    if (slots[i].slot != other->slots[i].slot || slots[i].starts != other->slots[i].starts)
      return false;
  return true;
}

namespace {
bool SameDivision(const TDivision* a, const TDivision* b) {
  if (a == b) return true;
  if (!a || !b) return false;
  return a->Equals(b);
}

int32_t FactId(IFact* fact) {
  return fact ? fact->GetID() : -1;
}

uint64_t Mix(uint64_t h, IFact* fact, const TDivision* division) {
  uint64_t x = h ^ (static_cast<uint64_t>(static_cast<uint32_t>(FactId(fact))) +
                    0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
  if (division) x ^= division->slots.size() * 0xBF58476D1CE4E5B9ull;
  x ^= x >> 31;
  x *= 0x94D049BB133111EBull;
  return x ^ (x >> 29);
}
}  // namespace

// ---------------------------------------------------------------- TIEToken

TIEToken::TIEToken(TTokenAction action, IFact* fact, TDivision* division)
    : count_(1),
      fact_(fact),
      sort_code_(FactId(fact)),
      tag_(action),
      division_(division),
      chain_hash_(Mix(0, fact, division)) {}

TIEToken::TIEToken(TIEToken* parent, IFact* fact, TDivision* division)
    : count_(parent->count_ + 1),
      fact_(fact),
      parent_(parent),
      strength_(parent->strength_),
      sort_code_(static_cast<int32_t>(static_cast<uint32_t>(parent->sort_code_) * 8u +
                                      static_cast<uint32_t>(FactId(fact)))),
      tag_(parent->tag_),
      division_(division),
      chain_hash_(Mix(parent->chain_hash_, fact, division)) {}

TIEToken::TIEToken(const TIEToken& other)
    : IInterface(),
      IReteToken(),
      count_(other.count_),
      negated_count_(other.negated_count_),
      fact_(other.fact_),
      parent_(other.parent_),
      strength_(other.strength_),
      sort_code_(other.sort_code_),
      tag_(other.tag_),
      division_(other.division_),
      chain_hash_(other.chain_hash_) {}

bool TIEToken::Equals(IReteToken* other) {
  if (other == this) return true;
  auto* t = dynamic_cast<TIEToken*>(other);
  if (!t) return false;
  const TIEToken* a = this;
  const TIEToken* b = t;
  while (a && b) {
    if (a == b) return true;
    if (a->sort_code_ != b->sort_code_ || FactId(a->fact_.get()) != FactId(b->fact_.get()) ||
        a->fact_.get() != b->fact_.get() || a->strength_ != b->strength_ ||
        !SameDivision(a->division_.get(), b->division_.get()))
      return false;
    a = a->parent_.get();
    b = b->parent_.get();
  }
  return a == b;
}

const TIEToken* TIEToken::Link(int index) const {
  if (index < 0 || index >= count_) return nullptr;
  const TIEToken* t = this;
  for (int steps = count_ - 1 - index; steps > 0; --steps)
    t = t->parent_.get();
  return t;
}

IFact* TIEToken::GetFacts(int index) const {
  const TIEToken* link = Link(index);
  return link ? link->fact_.get() : nullptr;
}

std::string TIEToken::GetToString() const {
  static const char* const kTags[] = {"taClear", "taAdd", "taRemove", "taUpdate"};
  std::string s = std::string(kTags[tag_]) + " cnt=" + std::to_string(count_) +
                  " negcnt=" + std::to_string(negated_count_);
  for (const TIEToken* t = this; t; t = t->parent_.get())
    if (t->fact_) s += std::string(NewLineString) + t->fact_->GetToString();
  return s;
}

std::string TIEToken::GetToFactsString() const {
  std::vector<const TIEToken*> links;
  for (const TIEToken* t = this; t; t = t->parent_.get())
    links.push_back(t);
  std::string s;
  for (auto it = links.rbegin(); it != links.rend(); ++it) {
    if (!s.empty()) s += ", ";
    s += "f-" + std::to_string(FactId((*it)->fact_.get()));
  }
  return s;
}

// ---------------------------------------------------------------- slot values

Ref<IIEValue> SlotValueAt(IFact* fact, const TDivision* division, std::string_view slot,
                          int32_t sub_index) {
  if (!fact) return nullptr;
  IIEValue* value = fact->GetValue(slot);
  if (sub_index == NoSubIndex || !value) return Ref<IIEValue>(value);
  if (value->GetDType() != dtList) return nullptr;
  IValueVector* list = value->GetAsList();
  if (!list) return nullptr;
  const TSlotDivision* d = division ? division->Find(slot) : nullptr;
  if (!d) {
    if (sub_index < 0 || sub_index >= list->GetValueCount()) return nullptr;
    return Ref<IIEValue>(list->Get(sub_index));
  }
  if (sub_index < 0 || static_cast<size_t>(sub_index) + 1 >= d->starts.size()) return nullptr;
  int32_t begin = d->starts[static_cast<size_t>(sub_index)];
  int32_t end = d->starts[static_cast<size_t>(sub_index) + 1];
  if (!d->multi[static_cast<size_t>(sub_index)])
    return begin < list->GetValueCount() ? Ref<IIEValue>(list->Get(begin)) : nullptr;
  Ref<TValueVector> run(new TValueVector);
  run->Reserve(end - begin);
  for (int32_t i = begin; i < end && i < list->GetValueCount(); ++i)
    run->Add(list->Get(i));
  return NewList(run.get());
}

Ref<IIEValue> TokenSlotValue(const TIEToken* token, int index, std::string_view slot,
                             int32_t sub_index) {
  const TIEToken* link = token ? token->Link(index) : nullptr;
  if (!link) return nullptr;
  return SlotValueAt(link->GetFact(), link->Division(), slot, sub_index);
}

Ref<IIEValue> TokenSlotValue(IReteToken* token, int index, std::string_view slot,
                             int32_t sub_index) {
  if (!token) return nullptr;
  if (auto* t = dynamic_cast<TIEToken*>(token)) return TokenSlotValue(t, index, slot, sub_index);
  return SlotValueAt(token->GetFacts(index), nullptr, slot, sub_index);
}

// ---------------------------------------------------------------- TIETokenTree

TIEToken* TIETokenTree::Find(int32_t key, TIEToken* token) const {
  auto [begin, end] = by_hash_.equal_range(token->ChainHash());
  for (auto it = begin; it != end; ++it) {
    TIEToken* stored = it->second.second->get();
    if (it->second.first == key && stored->Equals(token)) return stored;
  }
  return nullptr;
}

bool TIETokenTree::Add(int32_t key, TIEToken* token) {
  if (Find(key, token)) return false;
  Bucket& bucket = buckets_[key];
  bucket.emplace_back(token);
  by_hash_.emplace(token->ChainHash(), std::make_pair(key, std::prev(bucket.end())));
  ++count_;
  return true;
}

Ref<TIEToken> TIETokenTree::Remove(int32_t key, TIEToken* token) {
  auto [begin, end] = by_hash_.equal_range(token->ChainHash());
  for (auto it = begin; it != end; ++it) {
    if (it->second.first != key || !(*it->second.second)->Equals(token)) continue;
    Ref<TIEToken> stored = *it->second.second;
    auto bucket = buckets_.find(key);
    bucket->second.erase(it->second.second);
    if (bucket->second.empty()) buckets_.erase(bucket);
    by_hash_.erase(it);
    --count_;
    return stored;
  }
  return nullptr;
}

const TIETokenTree::Bucket* TIETokenTree::Get(int32_t key) const {
  auto it = buckets_.find(key);
  return it == buckets_.end() ? nullptr : &it->second;
}

void TIETokenTree::Clear() {
  by_hash_.clear();
  buckets_.clear();
  count_ = 0;
}

}  // namespace rulecore
