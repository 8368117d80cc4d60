// rulecore: an embeddable expert-system shell.
// TSet<E>: a small bit set over an enumeration with at most 32 members
// (bit n = ordinal n). A value outside 0..31 is a member of no set.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace rulecore {

template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (E e : members)
      Include(e);
  }
  static constexpr TSet FromBits(uint32_t bits) {
    TSet s;
    s.bits_ = bits;
    return s;
  }

  constexpr bool Contains(E e) const {
    auto n = static_cast<unsigned>(e);
    return n < 32 && (bits_ >> n) & 1u;
  }
  constexpr TSet& Include(E e) {
    auto n = static_cast<unsigned>(e);
    if (n < 32) bits_ |= 1u << n;
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    auto n = static_cast<unsigned>(e);
    if (n < 32) bits_ &= ~(1u << n);
    return *this;
  }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr uint32_t Bits() const { return bits_; }
  constexpr int Count() const { return __builtin_popcount(bits_); }

  friend constexpr TSet operator|(TSet a, TSet b) { return FromBits(a.bits_ | b.bits_); }
  friend constexpr TSet operator&(TSet a, TSet b) { return FromBits(a.bits_ & b.bits_); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.bits_ & ~b.bits_); }
  friend constexpr bool operator==(TSet a, TSet b) { return a.bits_ == b.bits_; }
  // True iff every member of this set is in `other`.
  constexpr bool SubsetOf(TSet other) const { return (bits_ & ~other.bits_) == 0; }

 private:
  uint32_t bits_ = 0;
};

}  // namespace rulecore
