#include <gtest/gtest.h>

#include <cmath>

#include "platform/rtl/numbers.h"

namespace lab {
namespace {

TEST(FormatFloat, DigitPlaceholdersAndThousands) {
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatFloat("#,##0.00", -1234.5), "-1,234.50");
  EXPECT_EQ(FormatFloat("#,##0", 999.5), "1,000");
  EXPECT_EQ(FormatFloat("00,000", 12), "00,012");
  EXPECT_EQ(FormatFloat("0.##", 1), "1");  // no point without fraction digits
  EXPECT_EQ(FormatFloat("0.##", 1.05), "1.05");
  EXPECT_EQ(FormatFloat("#.##", 0), "");
  EXPECT_EQ(FormatFloat("0.00#", 2.5), "2.50");
  EXPECT_EQ(FormatFloat(".00", 12.5), "12.50");  // integer digits without placeholders still show
  EXPECT_EQ(FormatFloat(".00", 0.5), ".50");
  EXPECT_EQ(FormatFloat("0", 123456789012.0), "123456789012");
}

TEST(FormatFloat, RoundsHalfAwayFromZeroLikeFloatToStrF) {
  EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
  EXPECT_EQ(FormatFloat("0.00", -0.125), "-0.13");
  EXPECT_EQ(FormatFloat("0", 2.5), "3");
  EXPECT_EQ(FormatFloat("0", -2.5), "-3");
  EXPECT_EQ(FormatFloat("0.00", 9.999), "10.00");
}

TEST(FormatFloat, LiteralsAmongDigits) {
  EXPECT_EQ(FormatFloat("000-000", 12), "000-012");
  EXPECT_EQ(FormatFloat("000-000", 1234567), "1234-567");  // surplus digits go to the first place
  EXPECT_EQ(FormatFloat("###-###", 1234), "1-234");
  EXPECT_EQ(FormatFloat("\"$\"#,##0.00", 1234.5), "$1,234.50");
  EXPECT_EQ(FormatFloat("0.0 'kg'", 2.25), "2.3 kg");
  EXPECT_EQ(FormatFloat("0 'a;b'", 3), "3 a;b");          // a quoted ";" does not split sections
  EXPECT_EQ(FormatFloat("0 \"it's\"", 3), "3 it's");
  EXPECT_EQ(FormatFloat("0%", 50), "50%");
  EXPECT_EQ(FormatFloat("0 'open", 7), "7 open");         // an unclosed quote runs to the end
  EXPECT_EQ(FormatFloat("0.0.0", 1.25), "1.25");          // a second point is no point
}

TEST(FormatFloat, SectionsForNegativeAndZero) {
  const char* f = "#,##0;(#,##0);'zero'";
  EXPECT_EQ(FormatFloat(f, 1234), "1,234");
  EXPECT_EQ(FormatFloat(f, -1234), "(1,234)");  // the negative section brings its own sign
  EXPECT_EQ(FormatFloat(f, 0), "zero");
  EXPECT_EQ(FormatFloat(f, 0.2), "zero");        // rounds to zero in its own section
  EXPECT_EQ(FormatFloat(f, -0.2), "zero");
  EXPECT_EQ(FormatFloat(f, -0.0), "zero");
  EXPECT_EQ(FormatFloat("0.00;;\"nil\"", -0.001), "nil");
  EXPECT_EQ(FormatFloat("0.00;;\"nil\"", -5), "-5.00");  // empty negative section: positive with "-"
  EXPECT_EQ(FormatFloat("0.0;-0.0", -0.04), "0.0");      // no "-0.0"
  EXPECT_EQ(FormatFloat("0.0;(0.0);", 0), "0.0");        // empty zero section: the positive one
  EXPECT_EQ(FormatFloat("0;0;0;0", -1), "1");
}

TEST(FormatFloat, ScientificNotation) {
  EXPECT_EQ(FormatFloat("0.00E+00", 12345), "1.23E+04");
  EXPECT_EQ(FormatFloat("0.00E+00", 0), "0.00E+00");
  EXPECT_EQ(FormatFloat("0.0E-0", 0.0012), "1.2E-3");
  EXPECT_EQ(FormatFloat("0.0E-0", 1200), "1.2E3");
  EXPECT_EQ(FormatFloat("0.0e+000", -123.456), "-1.2e+002");
  EXPECT_EQ(FormatFloat("##0.0E+0", 5), "500.0E-2");
  EXPECT_EQ(FormatFloat("0.##E+0", 1200), "1.2E+3");
  EXPECT_EQ(FormatFloat("0E+0", 9.6), "1E+1");
}

TEST(FormatFloat, FallsBackToGeneralText) {
  EXPECT_EQ(FormatFloat("", 0.1), "0.1");
  EXPECT_EQ(FormatFloat("", -2.5), "-2.5");
  EXPECT_EQ(FormatFloat("0", 1e20), "1E20");
  EXPECT_EQ(FormatFloat("0.00", NAN), "NAN");
  EXPECT_EQ(FormatFloat("0.00", -INFINITY), "-INF");
}

TEST(FormatFloat, UsesTheSeparatorsOfTheSettings) {
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  fs.ThousandSeparator = '.';
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891, fs), "1.234.567,89");
  EXPECT_EQ(FormatFloat("0.0E+0", 1500, fs), "1,5E+3");
  EXPECT_EQ(FormatFloat("0.00 '.,'", 1.5, fs), "1,50 .,");  // quoted text is not translated
}

}  // namespace
}  // namespace lab
