#include "platform/rtl/currency.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/arith.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/numbers.h"

namespace lab {
namespace {

Currency C(const char* text) { return StrToCurr(text); }

TEST(Currency, ArithmeticIsExactAndRoundsProductsToEven) {
  EXPECT_EQ((C("0.1") + C("0.2")).Raw(), 3000);  // no binary fraction error
  EXPECT_EQ(C("1.5") - C("2"), C("-0.5"));
  EXPECT_EQ(C("1.5") * C("2.5"), C("3.75"));
  EXPECT_EQ(C("0.0001") * C("0.5"), C("0"));       // 0.00005: half, to even
  EXPECT_EQ(C("0.0003") * C("0.5"), C("0.0002"));  // 0.00015: half, to even
  EXPECT_EQ(C("-0.0003") * C("0.5"), C("-0.0002"));
  EXPECT_EQ(C("1") / C("3"), C("0.3333"));
  EXPECT_EQ(C("2") / C("3"), C("0.6667"));
  EXPECT_EQ(C("-2") / C("3"), C("-0.6667"));
  EXPECT_EQ(C("10") / C("-4"), C("-2.5"));
  EXPECT_EQ(Currency(7).Raw(), 70000);
  EXPECT_LT(C("-1"), C("0.0001"));
  EXPECT_DOUBLE_EQ(C("12.3456").ToDouble(), 12.3456);
}

TEST(Currency, OverflowAndDivisionByZeroRaise) {
  EXPECT_THROW(MaxCurrency + C("0.0001"), EOverflow);
  EXPECT_THROW(MinCurrency - C("0.0001"), EOverflow);
  EXPECT_THROW(-MinCurrency, EOverflow);
  EXPECT_THROW(MaxCurrency * C("2"), EOverflow);
  EXPECT_THROW(C("1") / C("0"), EZeroDivide);
  EXPECT_THROW(Currency(INT64_MAX / 1000), EOverflow);
  EXPECT_EQ(MaxCurrency * C("1"), MaxCurrency);  // the wide intermediate does not overflow
}

TEST(Currency, TextBothWays) {
  EXPECT_EQ(CurrToStr(C("12.50")), "12.5");
  EXPECT_EQ(CurrToStr(C("-0.0001")), "-0.0001");
  EXPECT_EQ(CurrToStr(C("100")), "100");
  EXPECT_EQ(CurrToStr(MaxCurrency), "922337203685477.5807");
  EXPECT_EQ(CurrToStr(MinCurrency), "-922337203685477.5808");
  EXPECT_EQ(StrToCurr("-922337203685477.5808"), MinCurrency);
  EXPECT_EQ(StrToCurr("1.5E2").Raw(), 1500000);
  EXPECT_EQ(StrToCurr("1.00005").Raw(), 10000);  // halves past the fourth decimal go to even
  EXPECT_EQ(StrToCurr("1.00015").Raw(), 10002);
  EXPECT_EQ(StrToCurr("1.000050001").Raw(), 10001);
  EXPECT_EQ(StrToCurr("0.00004").Raw(), 0);
  EXPECT_EQ(StrToCurr("0.000000000000000000000009").Raw(), 0);
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  EXPECT_EQ(CurrToStr(C("3.25"), fs), "3,25");
  EXPECT_EQ(StrToCurr("3,25", fs), C("3.25"));
}

TEST(Currency, BadTextAndOutOfRangeValuesRaise) {
  EXPECT_THROW(StrToCurr("922337203685477.5808"), EConvertError);
  EXPECT_THROW(StrToCurr("1e20"), EConvertError);
  EXPECT_THROW(StrToCurr("INF"), EConvertError);
  try {
    StrToCurr("12x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12x' is not a valid floating point value");
  }
}

TEST(Currency, FromFloatingPoint) {
  EXPECT_EQ(FloatToCurr(1.5).Raw(), 15000);
  EXPECT_EQ(FloatToCurr(0.00005).Raw(), 0);   // scaled 0.5: to even
  EXPECT_EQ(FloatToCurr(-123.45678).Raw(), -1234568);
  EXPECT_EQ(FloatToCurr(-922337203685477.58), MinCurrency);  // scales to exactly -2^63
  EXPECT_THROW(FloatToCurr(1e15), EConvertError);
  EXPECT_THROW(FloatToCurr(NAN), EConvertError);
  try {
    FloatToCurr(1e16);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1E16' is not a valid currency value");
  }
}

}  // namespace
}  // namespace lab
