#pragma once
// The framework's fixed-point money type: a 64-bit integer counting ten-thousandths, so sums of amounts
// are exact. Products and quotients round to the nearest ten-thousandth, halves to even, as the
// framework's floating-point unit does.

#include <compare>
#include <cstdint>

namespace lab {

class Currency {
 public:
  static constexpr std::int64_t Scale = 10000;

  constexpr Currency() noexcept = default;
  // Whole units; EOverflow when they do not fit.
  explicit Currency(std::int64_t units);

  // A value from its scaled integer: FromRaw(12345) is 1.2345.
  static constexpr Currency FromRaw(std::int64_t raw) noexcept {
    Currency c;
    c.raw_ = raw;
    return c;
  }
  constexpr std::int64_t Raw() const noexcept { return raw_; }
  double ToDouble() const noexcept { return static_cast<double>(raw_) / Scale; }

  // Arithmetic raises EOverflow when the result leaves the range, EZeroDivide on division by zero.
  Currency operator-() const;
  Currency& operator+=(Currency other);
  Currency& operator-=(Currency other);
  Currency& operator*=(Currency other);
  Currency& operator/=(Currency other);
  friend Currency operator+(Currency a, Currency b) { return a += b; }
  friend Currency operator-(Currency a, Currency b) { return a -= b; }
  friend Currency operator*(Currency a, Currency b) { return a *= b; }
  friend Currency operator/(Currency a, Currency b) { return a /= b; }

  friend constexpr bool operator==(Currency, Currency) noexcept = default;
  friend constexpr auto operator<=>(Currency, Currency) noexcept = default;

 private:
  std::int64_t raw_ = 0;
};

inline constexpr Currency MinCurrency = Currency::FromRaw(INT64_MIN);  // -922337203685477.5808
inline constexpr Currency MaxCurrency = Currency::FromRaw(INT64_MAX);  //  922337203685477.5807

}  // namespace lab
