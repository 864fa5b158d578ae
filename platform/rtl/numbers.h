#pragma once
// Numbers as text in the framework's conventions: reading floating-point and currency values with the
// decimal separator of a TFormatSettings, FormatFloat's picture language, and the settings of the
// user's locale.

#include <string>
#include <string_view>

#include "platform/rtl/currency.h"
#include "platform/rtl/format_settings.h"

namespace lab {

// Reads [blanks] [sign] digits [separator digits] [E|e [sign] digits] [blanks], with the settings'
// decimal separator and no thousand separators; "INF", "-INF" and "NAN" read back what FloatToStr
// writes. StrToFloat raises EConvertError "'%s' is not a valid floating point value".
bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings = FormatSettings);
double StrToFloat(std::string_view text, const TFormatSettings& settings = FormatSettings);
double StrToFloatDef(std::string_view text, double fallback,
                     const TFormatSettings& settings = FormatSettings);

// Formats with a picture of up to three sections "positive;negative;zero":
//   0 digit or zero       # digit if significant     . decimal separator     , thousand separators
//   E+ E- e+ e- scientific notation, the zeros after it giving the minimum exponent digits
//   'x' "x" literal text; any other character stands for itself.
// A value that rounds to zero takes the zero section; without a negative section a negative value
// gets a leading "-". An empty section uses FloatToStr's general form.
std::string FormatFloat(std::string_view format, double value,
                        const TFormatSettings& settings = FormatSettings);

// Currency text: every significant decimal of the fixed-point value, no exponent.
std::string CurrToStr(Currency value, const TFormatSettings& settings = FormatSettings);
// Reads the same forms as StrToFloat, exactly, rounding past the fourth decimal half to even;
// EConvertError "'%s' is not a valid floating point value" for bad text or a value out of range.
Currency StrToCurr(std::string_view text, const TFormatSettings& settings = FormatSettings);
// Rounds to the nearest ten-thousandth, halves to even; EConvertError
// "'%s' is not a valid currency value" outside the currency range.
Currency FloatToCurr(double value);

// The number, currency and date conventions of a locale (LC_NUMERIC, LC_MONETARY, LC_TIME); an empty
// name means the user's locale from the environment. A locale that cannot be loaded yields the
// defaults. The global FormatSettings changes only when a program assigns the result to it.
TFormatSettings GetLocaleFormatSettings(std::string_view localeName = {});

}  // namespace lab
