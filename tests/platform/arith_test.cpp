#include "platform/rtl/arith.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>

#include "platform/rtl/checks.h"

namespace lab {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZeroInEverySignCombination) {
  EXPECT_EQ(MulDiv(3, 1, 2), 2);     // 1.5
  EXPECT_EQ(MulDiv(5, 1, 2), 3);     // 2.5: not to even
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);   // -1.5
  EXPECT_EQ(MulDiv(3, -1, 2), -2);
  EXPECT_EQ(MulDiv(3, 1, -2), -2);
  EXPECT_EQ(MulDiv(-3, -1, -2), -2);
  EXPECT_EQ(MulDiv(-3, 1, -2), 2);
  EXPECT_EQ(MulDiv(1, 1, 3), 0);     // 0.33
  EXPECT_EQ(MulDiv(2, 1, 3), 1);     // 0.67
  EXPECT_EQ(MulDiv(-2, 1, 3), -1);
  EXPECT_EQ(MulDiv(-4, 1, 3), -1);   // -1.33
  EXPECT_EQ(MulDiv(-5, 1, 3), -2);   // -1.67
  EXPECT_EQ(MulDiv(0, 7, 3), 0);
}

TEST(MulDiv, UsesAWideIntermediate) {
  EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, INT_MAX), INT_MAX);
  EXPECT_EQ(MulDiv(INT_MIN, INT_MIN, INT_MIN), INT_MIN);
  EXPECT_EQ(MulDiv(INT_MIN, 1, -1), -1);          // 2^31 does not fit: overflow
  EXPECT_EQ(MulDiv(INT_MIN, -1, -1), INT_MIN);
  EXPECT_EQ(MulDiv(32767, 12, 32767), 12);
}

TEST(MulDiv, ZeroDivisorAndOverflowAnswerMinusOne) {
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(0, 0, 0), -1);
  EXPECT_EQ(MulDiv(INT_MAX, 2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MAX, -2, 1), -1);
  EXPECT_EQ(MulDiv(INT_MAX, INT_MAX, 1), -1);
}

TEST(Round, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(-0.5), 0);
  EXPECT_EQ(Round(-1.5), -2);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(2.5000001), 3);
  EXPECT_EQ(Round(-2.4999999), -2);
  EXPECT_EQ(Round(0.49999999999999994), 0);  // the largest double below one half
  EXPECT_EQ(Round(4503599627370497.0), 4503599627370497);  // odd integers above 2^52 stay
}

TEST(Round, AndTruncRejectWhatHasNoInt64) {
  EXPECT_EQ(Round(-9223372036854775808.0), INT64_MIN);
  EXPECT_EQ(Round(9223372036854774784.0), 9223372036854774784);  // largest double below 2^63
  EXPECT_THROW(Round(9223372036854775808.0), EInvalidOp);
  EXPECT_THROW(Round(NAN), EInvalidOp);
  EXPECT_THROW(Round(INFINITY), EInvalidOp);
  EXPECT_THROW(Trunc(-1e19), EInvalidOp);
  try {
    Round(NAN);
  } catch (const EMathError& e) {
    EXPECT_EQ(e.Message(), "Invalid floating point operation");
  }
}

TEST(Trunc, CutsTowardZero) {
  EXPECT_EQ(Trunc(2.9), 2);
  EXPECT_EQ(Trunc(-2.9), -2);
  EXPECT_EQ(Trunc(-0.5), 0);
  EXPECT_EQ(Trunc(1e15 + 0.5), 1000000000000000);
}

TEST(SaturateCast, KeepsWhatFitsAndStopsAtTheEndsOfTheRange) {
  static_assert(SaturateCast<int>(std::int64_t{INT_MAX} + 1) == INT_MAX);
  struct Case {
    std::int64_t Value;
    int Int;
    std::uint32_t Unsigned;
  };
  const Case cases[] = {
      {0, 0, 0},
      {-1, -1, 0},
      {INT_MAX, INT_MAX, INT_MAX},
      {std::int64_t{INT_MAX} + 1, INT_MAX, 0x80000000u},
      {INT_MIN, INT_MIN, 0},
      {std::int64_t{INT_MIN} - 1, INT_MIN, 0},
      {UINT32_MAX, INT_MAX, UINT32_MAX},
      {std::int64_t{UINT32_MAX} + 1, INT_MAX, UINT32_MAX},
      {INT64_MIN, INT_MIN, 0},
      {INT64_MAX, INT_MAX, UINT32_MAX},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Value);
    EXPECT_EQ(SaturateCast<int>(c.Value), c.Int);
    EXPECT_EQ(SaturateCast<std::uint32_t>(c.Value), c.Unsigned);
  }
  // Unsigned sources above every signed target.
  EXPECT_EQ(SaturateCast<int>(UINT64_MAX), INT_MAX);
  EXPECT_EQ(SaturateCast<std::int64_t>(UINT64_MAX), INT64_MAX);
}

TEST(LabAssert, ABrokenInvariantStopsTheProgramWithItsConditionWhereChecksAreOn) {
#if LAB_CHECKS
  int evaluated = 0;
  LAB_ASSERT(++evaluated == 1);
  EXPECT_EQ(evaluated, 1);
  EXPECT_DEATH(LAB_ASSERT(evaluated == 2), "LAB_ASSERT failed: evaluated == 2");
#else
  // Compiled out: the condition is not even evaluated.
  int evaluated = 0;
  LAB_ASSERT(++evaluated == 2);
  EXPECT_EQ(evaluated, 0);
#endif
}

}  // namespace
}  // namespace lab
