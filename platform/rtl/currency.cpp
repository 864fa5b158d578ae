#include "platform/rtl/currency.h"

#include "platform/rtl/arith.h"

namespace lab {

namespace {

using Wide = __int128;

[[noreturn]] void Overflow() { throw EOverflow("Floating point overflow"); }

std::int64_t Narrow(Wide v) {
  if (v > INT64_MAX || v < INT64_MIN) Overflow();
  return static_cast<std::int64_t>(v);
}

// n / d rounded to the nearest integer, halves to even (d > 0).
Wide DivideToEven(Wide n, Wide d) {
  Wide q = n / d;
  Wide r = n % d;
  if (r < 0) {  // floor division, so the remainder is in [0, d)
    r += d;
    --q;
  }
  if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
  return q;
}

}  // namespace

Currency::Currency(std::int64_t units) : raw_(Narrow(static_cast<Wide>(units) * Scale)) {}

Currency Currency::operator-() const {
  if (raw_ == INT64_MIN) Overflow();
  return FromRaw(-raw_);
}

Currency& Currency::operator+=(Currency other) {
  if (__builtin_add_overflow(raw_, other.raw_, &raw_)) Overflow();
  return *this;
}

Currency& Currency::operator-=(Currency other) {
  if (__builtin_sub_overflow(raw_, other.raw_, &raw_)) Overflow();
  return *this;
}

Currency& Currency::operator*=(Currency other) {
  raw_ = Narrow(DivideToEven(static_cast<Wide>(raw_) * other.raw_, Scale));
  return *this;
}

Currency& Currency::operator/=(Currency other) {
  if (other.raw_ == 0) throw EZeroDivide("Floating point division by zero");
  Wide n = static_cast<Wide>(raw_) * Scale;
  Wide d = other.raw_;
  if (d < 0) {
    n = -n;
    d = -d;
  }
  raw_ = Narrow(DivideToEven(n, d));
  return *this;
}

}  // namespace lab
