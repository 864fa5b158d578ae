#include "platform/rtl/format.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/float_text.h"
#include "platform/rtl/set.h"

namespace lab {
namespace {

TEST(Format, IntegersWidthPrecisionAndIndex) {
  EXPECT_EQ(Format("List index out of bounds (%d)", 5), "List index out of bounds (5)");
  EXPECT_EQ(Format("[%5d|%-5d|%.3d|%.3d]", 42, 42, 7, -7), "[   42|42   |007|-007]");
  EXPECT_EQ(Format("%x %X %.4x", 255, 255, 10), "FF FF 000A");
  EXPECT_EQ(Format("%x %u", -1, -1), "FFFFFFFF 4294967295");
  EXPECT_EQ(Format("%x", -1LL), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");
  EXPECT_EQ(Format("%*d|%-*d|%.*d", 4, 1, 3, 2, 2, 3), "   1|2  |03");
  EXPECT_EQ(Format("100%%"), "100%");
}

TEST(Format, StringsCountCharactersNotBytes) {
  EXPECT_EQ(Format("[%4s]", "\xC3\xA9t\xC3\xA9"), "[ \xC3\xA9t\xC3\xA9]");
  EXPECT_EQ(Format("[%.2s]", "\xC3\xA9t\xC3\xA9"), "[\xC3\xA9t]");
  EXPECT_EQ(Format("%s%s", 'x', std::string("yz")), "xyz");
}

TEST(Format, FloatsRoundHalfAwayFromZero) {
  EXPECT_EQ(Format("%.2f", 0.125), "0.13");
  EXPECT_EQ(Format("%.0f %.0f %.0f", 0.5, 1.5, 2.5), "1 2 3");
  EXPECT_EQ(Format("%.2f", -0.125), "-0.13");
  EXPECT_EQ(Format("%.2f", -0.001), "0.00");
  EXPECT_EQ(Format("%f", 1234.5), "1234.50");
  EXPECT_EQ(Format("%n", 1234567.891), "1,234,567.89");
  EXPECT_EQ(Format("%e", 1000.0), "1.00000000000000E+003");
  EXPECT_EQ(Format("%.3e", -0.00012345), "-1.23E-004");
  EXPECT_EQ(Format("%g", 0.1), "0.1");
  EXPECT_EQ(Format("%m", -12.5), "($12.50)");
}

TEST(Format, GeneralFloatText) {
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(0.00001), "0.00001");
  EXPECT_EQ(FloatToStr(0.000001), "1E-6");
  EXPECT_EQ(FloatToStr(-2.5e-7), "-2.5E-7");
  EXPECT_EQ(FloatToStr(999999999999999.9), "1E15");
  EXPECT_EQ(FloatToStr(NAN), "NAN");
  EXPECT_EQ(FloatToStr(-INFINITY), "-INF");
  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(2.5, comma), "2,5");
}

TEST(Format, MismatchedArgumentsRaise) {
  EXPECT_THROW(Format("%d", "text"), EConvertError);
  EXPECT_THROW(Format("%s", 1), EConvertError);
  EXPECT_THROW(Format("%f", 1), EConvertError);
  EXPECT_THROW(Format("%d %d", 1), EConvertError);
  EXPECT_THROW(Format("%q", 1), EConvertError);
  EXPECT_THROW(Format("%", 1), EConvertError);
  try {
    Format("%d", "x");
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(e.ClassName(), "EConvertError");
    EXPECT_TRUE(e.InheritsFrom(Exception::StaticClass()));
  }
}

TEST(Exceptions, FormattingConstructorAndClassChain) {
  EReadError e("Property %s does not exist", "Foo");
  EXPECT_EQ(e.Message(), "Property Foo does not exist");
  EXPECT_STREQ(e.what(), "Property Foo does not exist");
  EXPECT_TRUE(e.Is<EStreamError>());
  EXPECT_FALSE(e.Is<EWriteError>());
  EXPECT_THROW(Abort(), EAbort);
}

enum class TColor3 { Red, Green, Blue };

TEST(Set, NumericValueAndOperators) {
  TSet<TColor3> s{TColor3::Red, TColor3::Blue};
  EXPECT_EQ(s.Value(), 0b101u);
  EXPECT_TRUE(s.Contains(TColor3::Blue));
  EXPECT_FALSE(s.Contains(TColor3::Green));
  EXPECT_EQ((s + TColor3::Green).Value(), 7u);
  EXPECT_EQ((s - TSet<TColor3>{TColor3::Red}).Value(), 4u);
  EXPECT_EQ((s * TSet<TColor3>{TColor3::Red, TColor3::Green}).Value(), 1u);
  EXPECT_TRUE(TSet<TColor3>{TColor3::Red} <= s);
  EXPECT_FALSE(s <= TSet<TColor3>{TColor3::Red});
  EXPECT_EQ(TSet<TColor3>::FromValue(6), (TSet<TColor3>{TColor3::Green, TColor3::Blue}));
  std::vector<TColor3> members(s.begin(), s.end());
  EXPECT_EQ(members, (std::vector<TColor3>{TColor3::Red, TColor3::Blue}));
  EXPECT_EQ(s.Count(), 2);
  EXPECT_TRUE(TSet<TColor3>().Empty());
}

}  // namespace
}  // namespace lab
