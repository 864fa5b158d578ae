#include "platform/rtl/arith.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

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

}  // namespace
}  // namespace lab
