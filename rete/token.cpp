// rulecore: an embeddable expert-system shell.
#include "rete/token.h"

#include <cassert>
#include <iterator>

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
    : count_(1), fact_(fact), sort_code_(FactId(fact)), tag_(action), division_(division) {
  if (fact_) fact_->AddRef();
  if (division_) division_->AddRef();
}

TIEToken::TIEToken(TIEToken* parent, TIEToken* origin)
    : count_(parent->count_ + 1),
      fact_(origin->fact_),
      parent_(parent),
      strength_(parent->strength_),
      // A fact's token has its fact's id for its sort code.
      sort_code_(static_cast<int32_t>(static_cast<uint32_t>(parent->sort_code_) * 8u +
                                      static_cast<uint32_t>(origin->sort_code_))),
      tag_(parent->tag_),
      origin_(origin) {
  assert(!origin->parent_);
  origin_->AddRef();
}

TIEToken::TIEToken(const TIEToken& other)
    : IInterface(),
      IReteToken(),
      count_(other.count_),
      fact_(other.fact_),
      parent_(other.parent_),
      strength_(other.strength_),
      sort_code_(other.sort_code_),
      tag_(other.tag_),
      negated_count_(other.negated_count_),
      division_(other.division_) {
  if (parent_) {
    origin_->AddRef();
  } else {
    if (fact_) fact_->AddRef();
    if (division_) division_->AddRef();
  }
}

TIEToken::~TIEToken() {
  // Memories and child lists hold references: a token they still list
  // cannot be going.
  assert(!entry_.tree && !holds_ && !made_from_[0] && !made_from_[1]);
  if (parent_) {
    origin_->Release();
  } else {
    if (fact_) fact_->Release();
    if (division_) division_->Release();
  }
}

uint64_t TIEToken::Identity() const {
  if (!parent_) return Mix(0, fact_, division_);
  uint64_t x = reinterpret_cast<uintptr_t>(this);
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDull;
  return x ^ (x >> 33);
}

bool TIEToken::Equals(IReteToken* other) {
  if (other == this) return true;
  auto* t = dynamic_cast<TIEToken*>(other);
  return t && SameChain(t);
}

bool TIEToken::SameChain(const TIEToken* other) const {
  const TIEToken* a = this;
  const TIEToken* b = other;
  while (a && b) {
    if (a == b) return true;
    if (a->fact_ != b->fact_ || a->sort_code_ != b->sort_code_ || a->strength_ != b->strength_ ||
        !SameDivision(a->Division(), b->Division()))
      return false;
    a = a->parent_.get();
    b = b->parent_.get();
  }
  return a == b;
}

IFact* TIEToken::GetFacts(int index) const {
  const TIEToken* link = Link(index);
  return link ? link->fact_ : nullptr;
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
    s += "f-" + std::to_string(FactId((*it)->fact_));
  }
  return s;
}

// ---------------------------------------------------------------- slot values

IIEValue* PeekSlotElement(IIEValue* value, const TDivision* division, std::string_view slot,
                          int32_t sub_index, Ref<IIEValue>& made) {
  if (value->GetDType() != dtList) return nullptr;
  IValueVector* list = value->GetAsList();
  if (!list) return nullptr;
  const TSlotDivision* d = division ? division->Find(slot) : nullptr;
  if (!d) {
    if (sub_index < 0 || sub_index >= list->GetValueCount()) return nullptr;
    return list->Get(sub_index);
  }
  if (sub_index < 0 || static_cast<size_t>(sub_index) + 1 >= d->starts.size()) return nullptr;
  int32_t begin = d->starts[static_cast<size_t>(sub_index)];
  int32_t end = d->starts[static_cast<size_t>(sub_index) + 1];
  if (!d->multi[static_cast<size_t>(sub_index)])
    return begin < list->GetValueCount() ? list->Get(begin) : nullptr;
  Ref<TValueVector> run(new TValueVector);
  run->Reserve(end - begin);
  for (int32_t i = begin; i < end && i < list->GetValueCount(); ++i)
    run->Add(list->Get(i));
  made = NewList(run.get());
  return made.get();
}

Ref<IIEValue> SlotValueAt(IFact* fact, const TDivision* division, std::string_view slot,
                          int32_t sub_index) {
  int32_t hint = -1;
  Ref<IIEValue> made;
  IIEValue* value = PeekSlotValue(fact, division, slot, sub_index, hint, made);
  return made ? made : Ref<IIEValue>(value);
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

TIETokenTree::~TIETokenTree() {
  Clear();
}

namespace {
// Whether `stored`, a fact's token, and `token` hold the same fact alike.
bool SameFactToken(const TIEToken* stored, const TIEToken* token) {
  return !stored->Parent() && stored->GetFact() == token->GetFact() &&
         SameDivision(stored->Division(), token->Division());
}
}  // namespace

TIETokenTree::Entry* TIETokenTree::Locate(TIEToken* token) const {
  if (token->Parent()) {
    if (token->entry_.tree == this) return &token->entry_;
    for (Entry* e = token->holds_; e; e = e->chain)
      if (e->tree == this) return e;
    return nullptr;
  }
  if (index_.empty()) return nullptr;
  for (Entry* e = *Slot(token->Identity()); e; e = e->chain)
    if (e->token.get() == token || SameFactToken(e->token.get(), token)) return e;
  return nullptr;
}

void TIETokenTree::Grow() {
  std::vector<Entry*> old = std::move(index_);
  index_.assign(old.empty() ? 16 : old.size() * 2, nullptr);
  for (Entry* head : old) {
    while (head) {
      Entry* next = head->chain;
      Entry*& slot = *Slot(head->token->Identity());
      head->chain = slot;
      slot = head;
      head = next;
    }
  }
}

TIETokenTree::Entry* TIETokenTree::Add(int32_t key, TIEToken* token, bool once) {
  if (once && Locate(token)) return nullptr;
  assert(once || !Locate(token));
  const bool own = !token->entry_.tree;
  Entry* e = own ? &token->entry_ : new Entry;
  e->token = Ref<TIEToken>(token);
  e->tree = this;
  e->key = key;
  if (static_cast<size_t>(count_) >= buckets_.size()) GrowBuckets();
  Append(e);
  if (token->Parent()) {
    if (!own) {
      e->chain = token->holds_;
      token->holds_ = e;
    }
  } else {
    if (static_cast<size_t>(indexed_) >= index_.size()) Grow();
    Entry** slot = Slot(token->Identity());
    e->chain = *slot;
    *slot = e;
    ++indexed_;
  }
  ++count_;
  return e;
}

void TIETokenTree::Erase(Entry* e) {
  while (e->children)
    Orphan(e->children);
  TIEToken* token = e->token.get();
  if (token->Parent()) {
    Unhold(e);
  } else {
    Entry** link = Slot(token->Identity());
    while (*link != e)
      link = &(*link)->chain;
    *link = e->chain;
    --indexed_;
  }
  Entry*& head = buckets_[Bucket(e->key)];
  if (e == head) {
    head = e->next;
    if (head) head->prev = e->prev;  // the last
  } else {
    e->prev->next = e->next;
    if (e->next)
      e->next->prev = e->prev;
    else
      head->prev = e->prev;  // the entry was the last
  }
  Free(e);
  --count_;
}

void TIETokenTree::Unhold(Entry* e) {
  TIEToken* token = e->token.get();
  if (e == &token->entry_) return;
  Entry** link = &token->holds_;
  while (*link != e)
    link = &(*link)->chain;
  *link = e->chain;
}

void TIETokenTree::Free(Entry* e) {
  if (e != &e->token->entry_) {
    delete e;
    return;
  }
  // The memory's reference goes last: it may be the token's last.
  Ref<TIEToken> token = std::move(e->token);
  e->tree = nullptr;
  e->key = 0;
  e->matches = 0;
  e->values.reset();
  e->prev = e->next = e->chain = nullptr;
}

bool TIETokenTree::Remove(TIEToken* token) {
  Entry* e = Locate(token);
  if (!e) return false;
  Erase(e);
  return true;
}

void TIETokenTree::Append(Entry* e) {
  Entry*& head = buckets_[Bucket(e->key)];
  e->next = nullptr;
  if (!head) {
    head = e;
    e->prev = e;
    return;
  }
  Entry* last = head->prev;
  last->next = e;
  e->prev = last;
  head->prev = e;
}

void TIETokenTree::GrowBuckets() {
  std::vector<Entry*> old = std::move(buckets_);
  bucket_bits_ = old.empty() ? 4 : bucket_bits_ + 1;
  buckets_.assign(size_t{1} << bucket_bits_, nullptr);
  for (Entry* head : old) {
    while (head) {
      Entry* next = head->next;
      Append(head);
      head = next;
    }
  }
}

void TIETokenTree::Clear() {
  for (Entry* head : buckets_) {
    Entry* e = head;
    while (e) {
      Entry* next = e->next;
      while (e->children)
        Orphan(e->children);
      if (e->token->Parent()) Unhold(e);
      Free(e);
      e = next;
    }
  }
  buckets_.clear();
  bucket_bits_ = 0;
  index_.clear();
  indexed_ = 0;
  count_ = 0;
}

// The newest child heads the list; `older` runs towards the oldest, and
// `newer` back, the head's `newer` pointing at the oldest.
void TIETokenTree::Link(Entry* e, int side, TIEToken* child) {
  TIEToken* head = e->children;
  child->older_[side] = head;
  if (head) {
    child->newer_[side] = head->newer_[side];
    head->newer_[side] = child;
  } else {
    child->newer_[side] = child;
  }
  e->children = child;
  child->made_from_[side] = e;
}

void TIETokenTree::Unlink(Entry* e, int side, TIEToken* child) {
  TIEToken* older = child->older_[side];
  TIEToken* newer = child->newer_[side];
  if (child == e->children) {
    e->children = older;
    if (older) older->newer_[side] = newer;  // the oldest
  } else {
    newer->older_[side] = older;
    if (older)
      older->newer_[side] = newer;
    else
      e->children->newer_[side] = newer;  // the child was the oldest
  }
  child->older_[side] = child->newer_[side] = nullptr;
  child->made_from_[side] = nullptr;
}

void TIETokenTree::Adopt(Entry* left, Entry* right, TIEToken* child) {
  child->AddRef();
  Link(left, left->tree->side_, child);
  if (right) Link(right, right->tree->side_, child);
}

void TIETokenTree::Orphan(TIEToken* child) {
  for (int side = 0; side < 2; ++side)
    if (Entry* e = child->made_from_[side]) Unlink(e, side, child);
  child->Release();
}

}  // namespace rulecore
