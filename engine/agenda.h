// rulecore: an embeddable expert-system shell.
// TIEAgenda: the activations waiting to fire, ordered by descending salience;
// among equal salience the newest comes first under the depth-first strategy
// and last under the breadth-first one. Each salience keeps its activations
// in a list linked through them, so that an insertion usually costs a step
// at one end of its list and a removal costs no search; reading by index
// walks the lists. Index 0 fires next. The agenda holds one reference to
// each activation.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "core/ie_consts.h"
#include "rete/activation.h"

namespace rulecore {

class RULECORE_API TIEAgenda {
 public:
  explicit TIEAgenda(TSearchStrategy strategy = ssDepthFirst) : strategy_(strategy) {}
  // Releases the activations still waiting.
  ~TIEAgenda() { Clear(); }
  // The activations link into the agenda's own levels: an agenda is not
  // copied.
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

  int Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  // The activation at `index` (0 fires next). REQUIRES: 0 <= index < Count().
  TActivation* Get(int index) const;
  TActivation* First() const { return levels_.empty() ? nullptr : levels_.begin()->second.first; }
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
  // The activations of one salience in firing order, linked through the
  // activations, which also keep the rank that orders them.
  struct Level {
    TActivation* first = nullptr;
    TActivation* last = nullptr;
  };
  void Insert(TActivation* activation);
  void Place(TActivation* activation, int32_t salience, int64_t rank);
  // Takes the activation out of its level, dropping the level once empty.
  void Unlink(TActivation* activation);
  void Rebuild();
  template <class F>
  void ForEachInOrder(F&& f) const {
    for (const auto& [salience, level] : levels_)
      for (TActivation* a = level.first; a; a = a->agenda_next_)
        if (!f(a)) return;
  }

  TSearchStrategy strategy_;
  std::map<int32_t, Level, std::greater<>> levels_;  // highest salience first
  int count_ = 0;
  int64_t sequence_ = 0;
  // The re-adding under way: ranks readd_base_ + 1 .. readd_base_ +
  // readd_count_ are reserved for it.
  int64_t readd_base_ = 0;
  int64_t readd_count_ = 0;
  const TActivation* readd_activation_ = nullptr;
  int64_t readd_position_ = 0;
};

}  // namespace rulecore
