#pragma once
// A Pascal-style set over an enumeration: member ordinal n is bit n, so a set's numeric value matches
// the value stored in forms and option streams.

#include <bit>
#include <cstddef>
#include <iterator>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

namespace lab {

template <class E>
class TSet {
  static_assert(std::is_enum_v<E>, "TSet is a set of enumeration members");

 public:
  using Bits = std::uint64_t;

  constexpr TSet() noexcept = default;
  constexpr TSet(std::initializer_list<E> members) noexcept {
    for (E e : members) bits_ |= Bit(e);
  }
  static constexpr TSet FromValue(Bits value) noexcept {
    TSet s;
    s.bits_ = value;
    return s;
  }

  constexpr Bits Value() const noexcept { return bits_; }
  constexpr bool Contains(E e) const noexcept { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const noexcept { return bits_ == 0; }
  constexpr int Count() const noexcept { return std::popcount(bits_); }

  constexpr TSet& Include(E e) noexcept { bits_ |= Bit(e); return *this; }
  constexpr TSet& Exclude(E e) noexcept { bits_ &= ~Bit(e); return *this; }
  constexpr TSet& operator+=(TSet o) noexcept { bits_ |= o.bits_; return *this; }
  constexpr TSet& operator-=(TSet o) noexcept { bits_ &= ~o.bits_; return *this; }
  constexpr TSet& operator*=(TSet o) noexcept { bits_ &= o.bits_; return *this; }
  constexpr TSet& operator+=(E e) noexcept { return Include(e); }
  constexpr TSet& operator-=(E e) noexcept { return Exclude(e); }

  friend constexpr TSet operator+(TSet a, TSet b) noexcept { return a += b; }
  friend constexpr TSet operator-(TSet a, TSet b) noexcept { return a -= b; }
  friend constexpr TSet operator*(TSet a, TSet b) noexcept { return a *= b; }
  friend constexpr TSet operator+(TSet a, E e) noexcept { return a += e; }
  friend constexpr TSet operator-(TSet a, E e) noexcept { return a -= e; }
  friend constexpr bool operator==(TSet a, TSet b) noexcept = default;
  // Subset and superset, as Pascal's <= and >= on sets.
  friend constexpr bool operator<=(TSet a, TSet b) noexcept { return (a.bits_ & ~b.bits_) == 0; }
  friend constexpr bool operator>=(TSet a, TSet b) noexcept { return b <= a; }

  class iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = E;
    using difference_type = std::ptrdiff_t;
    using pointer = const E*;
    using reference = E;

    constexpr iterator() noexcept = default;
    constexpr explicit iterator(Bits rest) noexcept : rest_(rest) {}
    constexpr E operator*() const noexcept { return static_cast<E>(std::countr_zero(rest_)); }
    constexpr iterator& operator++() noexcept { rest_ &= rest_ - 1; return *this; }
    constexpr iterator operator++(int) noexcept { iterator old = *this; ++*this; return old; }
    constexpr bool operator==(const iterator&) const noexcept = default;

   private:
    Bits rest_ = 0;
  };
  constexpr iterator begin() const noexcept { return iterator(bits_); }
  constexpr iterator end() const noexcept { return iterator(0); }

 private:
  static constexpr Bits Bit(E e) noexcept {
    const auto ordinal = static_cast<std::underlying_type_t<E>>(e);
    return Bits{1} << ordinal;
  }
  Bits bits_ = 0;
};

}  // namespace lab
