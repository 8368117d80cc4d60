// rulecore: an embeddable expert-system shell.
#include "engine/agenda.h"

#include "core/ie_exception.h"
#include "core/messages.h"
#include "rete/rule.h"

namespace rulecore {

void TIEAgenda::Insert(TActivation* activation) {
  int32_t salience = activation->Rule()->Salience();
  if (activation == readd_activation_) {
    // The rank Resort would give: in waiting order, below (depth-first) or
    // above (breadth-first) every rank handed out before.
    const int64_t i = readd_position_;
    const int64_t rank =
        strategy_ == ssDepthFirst ? -(readd_base_ + readd_count_ - i) : readd_base_ + i + 1;
    readd_activation_ = nullptr;
    Place(activation, salience, rank);
    return;
  }
  int64_t seq = ++sequence_;
  // Depth-first: the newest of a salience fires first; breadth-first: last.
  int64_t rank = strategy_ == ssDepthFirst ? -seq : seq;
  activation->SetStamp(static_cast<uint64_t>(seq));
  Place(activation, salience, rank);
}

// A level is ordered by rank. A new activation mostly belongs at one end
// (depth-first: the front; breadth-first and re-adding: the back), so the
// search for its place starts there.
void TIEAgenda::Place(TActivation* activation, int32_t salience, int64_t rank) {
  activation->SetSortSalience(salience);
  activation->agenda_ = this;
  activation->agenda_rank_ = rank;
  activation->AddRef();
  Level& level = levels_[salience];
  TActivation* after = level.last;
  if (level.first && rank < level.first->agenda_rank_)
    after = nullptr;
  else
    while (after && after->agenda_rank_ > rank)
      after = after->agenda_prev_;
  TActivation* before = after ? after->agenda_next_ : level.first;
  activation->agenda_prev_ = after;
  activation->agenda_next_ = before;
  if (after)
    after->agenda_next_ = activation;
  else
    level.first = activation;
  if (before)
    before->agenda_prev_ = activation;
  else
    level.last = activation;
  ++count_;
}

void TIEAgenda::Unlink(TActivation* activation) {
  auto it = levels_.find(activation->SortSalience());
  Level& level = it->second;
  if (activation->agenda_prev_)
    activation->agenda_prev_->agenda_next_ = activation->agenda_next_;
  else
    level.first = activation->agenda_next_;
  if (activation->agenda_next_)
    activation->agenda_next_->agenda_prev_ = activation->agenda_prev_;
  else
    level.last = activation->agenda_prev_;
  activation->agenda_prev_ = activation->agenda_next_ = nullptr;
  activation->agenda_ = nullptr;
  if (!level.first) levels_.erase(it);
  --count_;
}

int TIEAgenda::Add(TActivation* activation) {
  Put(activation);
  return IndexOf(activation);
}

void TIEAgenda::Put(TActivation* activation) {
  if (!activation) RaiseIE(SInvalidAgendaItem);
  if (!Contains(activation)) Insert(activation);
}

bool TIEAgenda::Remove(TActivation* activation) {
  if (!activation || !Contains(activation)) return false;
  Unlink(activation);
  activation->Release();
  return true;
}

void TIEAgenda::Clear() {
  std::vector<TActivation*> held;
  held.reserve(static_cast<size_t>(count_));
  ForEachInOrder([&](TActivation* a) {
    held.push_back(a);
    return true;
  });
  levels_.clear();
  count_ = 0;
  for (TActivation* a : held) {
    a->agenda_prev_ = a->agenda_next_ = nullptr;
    a->agenda_ = nullptr;
    a->Release();
  }
}

TActivation* TIEAgenda::Get(int index) const {
  if (index < 0 || index >= Count()) RaiseIE(SListIndexError, {index});
  TActivation* found = nullptr;
  ForEachInOrder([&](TActivation* a) {
    if (index-- > 0) return true;
    found = a;
    return false;
  });
  return found;
}

int TIEAgenda::IndexOf(TActivation* activation) const {
  if (!activation || !Contains(activation)) return -1;
  int i = 0;
  int found = -1;
  ForEachInOrder([&](TActivation* a) {
    if (a == activation) {
      found = i;
      return false;
    }
    ++i;
    return true;
  });
  return found;
}

std::vector<Ref<TActivation>> TIEAgenda::Items() const {
  std::vector<Ref<TActivation>> out;
  out.reserve(static_cast<size_t>(count_));
  ForEachInOrder([&](TActivation* a) {
    out.emplace_back(a);
    return true;
  });
  return out;
}

void TIEAgenda::Rebuild() {
  std::vector<Ref<TActivation>> items = Items();
  Clear();
  for (const Ref<TActivation>& a : items)
    Insert(a.get());
}

void TIEAgenda::SetStrategy(TSearchStrategy strategy) {
  if (strategy == strategy_) return;
  strategy_ = strategy;
  Rebuild();
}

void TIEAgenda::BeginReAdd(int count) {
  readd_base_ = sequence_;
  readd_count_ = count;
  readd_activation_ = nullptr;
  sequence_ += count;
}

void TIEAgenda::Resort() {
  // Re-adding one by one would turn the order of equal saliences around under
  // depth-first. Instead each activation gets a fresh rank in its old order,
  // all of them below (depth-first) or above (breadth-first) every rank given
  // so far, so later activations still go in front of or behind them.
  std::vector<Ref<TActivation>> items = Items();
  Clear();
  const int64_t n = static_cast<int64_t>(items.size());
  const int64_t base = sequence_;
  sequence_ += n;
  for (int64_t i = 0; i < n; ++i) {
    TActivation* activation = items[static_cast<size_t>(i)].get();
    int32_t salience = activation->Rule()->Salience();
    int64_t rank = strategy_ == ssDepthFirst ? -(base + n - i) : base + i + 1;
    Place(activation, salience, rank);
  }
}

}  // namespace rulecore
