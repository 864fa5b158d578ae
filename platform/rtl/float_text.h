#pragma once
// Floating-point to text in the framework's formats. Values are taken to 17 significant digits and then
// rounded half away from zero in decimal, once, so 0.125 shows as "0.13" with two decimals.

#include <string>

#include "platform/rtl/format_settings.h"

namespace lab {

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
using enum TFloatFormat;

// A value as decimal digits: Digits holds no leading zeros and no trailing zeros; the value is
// 0.Digits × 10^Exponent. Special: Digits empty for zero; Exponent 0x7FFF for NaN and infinities.
struct TFloatRec {
  int Exponent = 0;
  bool Negative = false;
  std::string Digits;
  bool IsNan() const { return Exponent == 0x7FFF && !Negative && Digits.empty(); }
  bool IsSpecial() const { return Exponent == 0x7FFF; }
};

// Converts with at most `precision` significant digits and at most `decimals` digits after the point.
TFloatRec FloatToDecimal(double value, int precision, int decimals);

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& settings = FormatSettings);
std::string FloatToStr(double value, const TFormatSettings& settings = FormatSettings);

}  // namespace lab
