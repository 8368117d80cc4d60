// rulecore: an embeddable expert-system shell.
#include "engine/agenda.h"

#include <iterator>

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

// Each activation remembers its agenda and rank, so that finding its entry
// again is a search of the ordered set and needs no index of its own.
void TIEAgenda::Place(TActivation* activation, int32_t salience, int64_t rank) {
  activation->SetSortSalience(salience);
  order_.insert(Entry{salience, rank, activation});
  activation->agenda_ = this;
  activation->agenda_rank_ = rank;
  activation->AddRef();
}

std::set<TIEAgenda::Entry>::iterator TIEAgenda::Where(TActivation* activation) const {
  if (!Contains(activation)) return order_.end();
  return order_.find(Entry{activation->SortSalience(), activation->agenda_rank_, activation});
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
  auto it = Where(activation);
  if (it == order_.end()) return false;
  order_.erase(it);
  activation->agenda_ = nullptr;
  activation->Release();
  return true;
}

void TIEAgenda::Clear() {
  std::vector<TActivation*> held;
  for (const Entry& e : order_)
    held.push_back(e.activation);
  order_.clear();
  for (TActivation* a : held) {
    a->agenda_ = nullptr;
    a->Release();
  }
}

TActivation* TIEAgenda::Get(int index) const {
  if (index < 0 || index >= Count()) RaiseIE(SListIndexError, {index});
  return std::next(order_.begin(), index)->activation;
}

int TIEAgenda::IndexOf(TActivation* activation) const {
  auto it = Where(activation);
  if (it == order_.end()) return -1;
  return static_cast<int>(std::distance(order_.begin(), it));
}

std::vector<Ref<TActivation>> TIEAgenda::Items() const {
  std::vector<Ref<TActivation>> out;
  out.reserve(order_.size());
  for (const Entry& e : order_)
    out.emplace_back(e.activation);
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
