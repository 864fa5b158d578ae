#pragma once
// Arithmetic that must give exactly the results of the Windows routines and the framework's rounding,
// since layout code scales sizes with it and stored widths depend on the outcome.

#include <concepts>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/rtl/exceptions.h"

namespace lab {

// The floating-point errors of the framework.
LAB_EXCEPTION(EMathError, Exception);
LAB_EXCEPTION(EInvalidOp, EMathError);
LAB_EXCEPTION(EZeroDivide, EMathError);
LAB_EXCEPTION(EOverflow, EMathError);

// a × b / c with a 64-bit intermediate, rounded half away from zero. Answers -1 when c is 0 or the
// result does not fit 32 bits, as Windows does.
std::int32_t MulDiv(std::int32_t a, std::int32_t b, std::int32_t c) noexcept;

// Nearest integer, halves to the even neighbour. NaN, infinities and values outside the 64-bit range
// raise EInvalidOp.
std::int64_t Round(double value);

// Integer part, toward zero; same range rule as Round.
std::int64_t Trunc(double value);

// Value in the range of To, the nearer end of it when outside: sizes and pixels are worked out in
// 64 bits where they may pass the coordinate range, and brought back with this.
template <std::integral To, std::integral From>
constexpr To SaturateCast(From Value) noexcept {
  if (std::cmp_less(Value, std::numeric_limits<To>::min())) return std::numeric_limits<To>::min();
  if (std::cmp_greater(Value, std::numeric_limits<To>::max())) return std::numeric_limits<To>::max();
  return static_cast<To>(Value);
}

}  // namespace lab
