#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/float_text.h"
#include "platform/rtl/numbers.h"

namespace lab {
namespace {

TEST(StrToFloat, ReadsPlainAndExponentForms) {
  EXPECT_EQ(StrToFloat("1.5"), 1.5);
  EXPECT_EQ(StrToFloat("  -2.25  "), -2.25);
  EXPECT_EQ(StrToFloat("+3"), 3);
  EXPECT_EQ(StrToFloat(".5"), 0.5);
  EXPECT_EQ(StrToFloat("5."), 5);
  EXPECT_EQ(StrToFloat("1E3"), 1000);
  EXPECT_EQ(StrToFloat("1.5e-3"), 0.0015);
  EXPECT_EQ(StrToFloat("2E+2"), 200);
  EXPECT_EQ(StrToFloat("0.1"), 0.1);  // correctly rounded
  EXPECT_EQ(StrToFloat("000123.4500"), 123.45);
  EXPECT_EQ(StrToFloat("1e-400"), 0);
  EXPECT_EQ(StrToFloat("4.9406564584124654e-324"), 4.9406564584124654e-324);
  EXPECT_TRUE(std::signbit(StrToFloat("-0")));
}

TEST(StrToFloat, ReadsBackWhatFloatToStrWrites) {
  for (double v : {0.1, -1.0 / 3, 1e20, 1e-7, 123456.789, 2.5e300}) {
    const std::string text = FloatToStr(v);
    EXPECT_NEAR(StrToFloat(text), v, std::fabs(v) * 1e-14) << text;
  }
  EXPECT_TRUE(std::isinf(StrToFloat("INF")));
  EXPECT_LT(StrToFloat("-inf"), 0);
  EXPECT_TRUE(std::isnan(StrToFloat("NAN")));
}

TEST(StrToFloat, RejectsMalformedText) {
  double v = 7;
  for (const char* bad : {"", " ", "-", "1,5", "1.2.3", "1e", "1e+", "e5", "1 2", "0x10", "1.5f",
                          "1e400", "--1", "-NAN", ".", "1,000.5"}) {
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
  }
  EXPECT_EQ(v, 7);  // a failed read leaves the value alone
  EXPECT_EQ(StrToFloatDef("x", -1), -1);
  try {
    StrToFloat("12a");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12a' is not a valid floating point value");
  }
}

TEST(StrToFloat, TakesTheDecimalSeparatorFromTheSettings) {
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  EXPECT_EQ(StrToFloat("1,5", fs), 1.5);
  EXPECT_EQ(StrToFloat("-1,5E2", fs), -150);
  EXPECT_THROW(StrToFloat("1.5", fs), EConvertError);
}

}  // namespace
}  // namespace lab
