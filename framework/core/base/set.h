#pragma once
// A small set over an enumeration, the framework's "set of" type. Elements
// are the enum's underlying values 0..N-1; `Bits()` and `FromBits()` give the
// packed form where a set is stored or passed as an integer.

#include <bitset>
#include <cstdint>
#include <initializer_list>

template <class E, std::size_t N = 64>
class TSet {
public:
  constexpr TSet() = default;
  TSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }

  bool Contains(E e) const { return FBits.test(Index(e)); }
  TSet& Include(E e) { FBits.set(Index(e)); return *this; }
  TSet& Exclude(E e) { FBits.reset(Index(e)); return *this; }
  bool Empty() const { return FBits.none(); }
  std::size_t Count() const { return FBits.count(); }
  void Clear() { FBits.reset(); }

  TSet operator+(const TSet& o) const { TSet r; r.FBits = FBits | o.FBits; return r; }
  TSet operator*(const TSet& o) const { TSet r; r.FBits = FBits & o.FBits; return r; }
  TSet operator-(const TSet& o) const { TSet r; r.FBits = FBits & ~o.FBits; return r; }
  TSet operator+(E e) const { TSet r = *this; return r.Include(e); }
  TSet operator-(E e) const { TSet r = *this; return r.Exclude(e); }
  TSet& operator+=(const TSet& o) { FBits |= o.FBits; return *this; }
  TSet& operator-=(const TSet& o) { FBits &= ~o.FBits; return *this; }
  TSet& operator+=(E e) { return Include(e); }
  TSet& operator-=(E e) { return Exclude(e); }
  bool operator==(const TSet& o) const { return FBits == o.FBits; }
  // True when every element of this set is in o.
  bool SubsetOf(const TSet& o) const { return (FBits & ~o.FBits).none(); }

  std::uint64_t Bits() const { return FBits.to_ullong(); }
  static TSet FromBits(std::uint64_t bits) {
    TSet r;
    for (std::size_t i = 0; i < N && i < 64; ++i)
      if (bits & (std::uint64_t(1) << i)) r.FBits.set(i);
    return r;
  }

private:
  static std::size_t Index(E e) { return static_cast<std::size_t>(e); }
  std::bitset<N> FBits;
};
