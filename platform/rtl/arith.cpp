#include "platform/rtl/arith.h"

#include <cmath>
#include <limits>

namespace lab {

namespace {

// 2^63 is exact as a double; every double below it in magnitude converts to int64 safely.
constexpr double kTwo63 = 9223372036854775808.0;

std::int64_t CheckedToInt64(double whole) {
  if (!(whole >= -kTwo63 && whole < kTwo63)) throw EInvalidOp("Invalid floating point operation");
  return static_cast<std::int64_t>(whole);
}

}  // namespace

std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) noexcept {
  if (c == 0) return -1;
  std::int64_t n = static_cast<std::int64_t>(a) * b;
  std::int64_t d = c;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  // Adding half the divisor before a truncating division rounds the exact quotient half away from zero.
  const std::int64_t q = n >= 0 ? (n + d / 2) / d : (n - d / 2) / d;
  if (q > std::numeric_limits<std::int32_t>::max() || q < std::numeric_limits<std::int32_t>::min())
    return -1;
  return static_cast<std::int32_t>(q);
}

std::int64_t Round(double value) {
  double r = std::round(value);  // halves away from zero ...
  if (std::fabs(value - std::trunc(value)) == 0.5 && std::fmod(r, 2.0) != 0)
    r -= std::copysign(1.0, value);  // ... then back to the even neighbour
  return CheckedToInt64(r);
}

std::int64_t Trunc(double value) { return CheckedToInt64(std::trunc(value)); }

}  // namespace lab
