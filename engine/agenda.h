// rulecore: an embeddable expert-system shell.
// TIEAgenda: the activations waiting to fire, ordered by descending salience;
// among equal salience the newest comes first under the depth-first strategy
// and last under the breadth-first one. Insertion and removal cost a
// logarithmic number of steps; index 0 fires next. The agenda holds one
// reference to each activation.
#pragma once

#include <cstdint>
#include <set>
#include <vector>

#include "core/ie_consts.h"
#include "rete/activation.h"

namespace rulecore {

class RULECORE_API TIEAgenda {
 public:
  explicit TIEAgenda(TSearchStrategy strategy = ssDepthFirst) : strategy_(strategy) {}
  // Releases the activations still waiting.
  ~TIEAgenda() { Clear(); }
  // The entries index into the agenda's own set: an agenda is not copied.
  TIEAgenda(const TIEAgenda&) = delete;
  TIEAgenda& operator=(const TIEAgenda&) = delete;

  // Inserts `activation` by its rule's current salience; returns its index.
  int Add(TActivation* activation);
  // The same without working out the index, which costs a walk.
  void Put(TActivation* activation);
  // Removes `activation`; false when it is not on the agenda.
  bool Remove(TActivation* activation);
  bool Contains(TActivation* activation) const { return activation->agenda_ == this; }
  void Clear();

  int Count() const { return static_cast<int>(order_.size()); }
  bool Empty() const { return order_.empty(); }
  // The activation at `index` (0 fires next). REQUIRES: 0 <= index < Count().
  TActivation* Get(int index) const;
  TActivation* First() const { return order_.empty() ? nullptr : order_.begin()->activation; }
  // The index of `activation`, -1 when absent.
  int IndexOf(TActivation* activation) const;
  // The activations in firing order.
  std::vector<Ref<TActivation>> Items() const;

  TSearchStrategy Strategy() const { return strategy_; }
  // Changes the strategy and re-adds every activation, in the old order,
  // under the new one.
  void SetStrategy(TSearchStrategy strategy);
  // Re-sorts by each activation's current salience; among equal saliences the
  // waiting order stays as it was.
  void Resort();
  // Re-adding the agenda's own `count` activations, cleared and added again
  // in the order they waited: before each one's Add, ExpectReAdd names it
  // with its place in that order. Among equal saliences they keep that
  // order under either strategy, and activations added later still go
  // before them (depth-first) or after them (breadth-first). Any other
  // activation added meanwhile is placed as usual.
  void BeginReAdd(int count);
  void ExpectReAdd(TActivation* activation, int position) {
    readd_activation_ = activation;
    readd_position_ = position;
  }
  void EndReAdd() { readd_activation_ = nullptr; }

 private:
  struct Entry {
    int32_t salience;
    int64_t rank;  // orders equal saliences: smaller fires first
    TActivation* activation;
    bool operator<(const Entry& o) const {
      if (salience != o.salience) return salience > o.salience;
      return rank < o.rank;
    }
  };
  void Insert(TActivation* activation);
  void Place(TActivation* activation, int32_t salience, int64_t rank);
  std::set<Entry>::iterator Where(TActivation* activation) const;
  void Rebuild();

  TSearchStrategy strategy_;
  std::set<Entry> order_;
  int64_t sequence_ = 0;
  // The re-adding under way: ranks readd_base_ + 1 .. readd_base_ +
  // readd_count_ are reserved for it.
  int64_t readd_base_ = 0;
  int64_t readd_count_ = 0;
  const TActivation* readd_activation_ = nullptr;
  int64_t readd_position_ = 0;
};

}  // namespace rulecore
