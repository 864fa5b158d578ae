#include "platform/rtl/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "platform/rtl/arith.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/float_text.h"

namespace lab {

namespace {

// A number read from text: Digits × 10^Exponent, Digits without leading or trailing zeros.
struct DecimalText {
  enum class Kind { Finite, Infinite, NotANumber };
  Kind kind = Kind::Finite;
  bool negative = false;
  std::string digits;
  long exponent = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

bool ScanDecimal(std::string_view s, char decimal, DecimalText& out) {
  std::size_t i = 0, end = s.size();
  while (i < end && IsBlank(s[i])) ++i;
  while (end > i && IsBlank(s[end - 1])) --end;
  bool signed_ = false;
  if (i < end && (s[i] == '+' || s[i] == '-')) {
    out.negative = s[i++] == '-';
    signed_ = true;
  }
  const std::string_view body = s.substr(i, end - i);
  if (EqualsNoCase(body, "INF")) {
    out.kind = DecimalText::Kind::Infinite;
    return true;
  }
  if (EqualsNoCase(body, "NAN")) {
    out.kind = DecimalText::Kind::NotANumber;
    return !signed_;
  }
  bool any = false;
  for (; i < end && IsDigit(s[i]); ++i, any = true) out.digits += s[i];
  if (i < end && s[i] == decimal) {
    for (++i; i < end && IsDigit(s[i]); ++i, any = true) {
      out.digits += s[i];
      --out.exponent;
    }
  }
  if (!any) return false;
  if (i < end && (s[i] == 'E' || s[i] == 'e')) {
    ++i;
    bool negExp = false;
    if (i < end && (s[i] == '+' || s[i] == '-')) negExp = s[i++] == '-';
    if (i >= end || !IsDigit(s[i])) return false;
    long e = 0;
    for (; i < end && IsDigit(s[i]); ++i) e = std::min(e * 10 + (s[i] - '0'), 100000000L);
    out.exponent += negExp ? -e : e;
  }
  if (i != end) return false;
  const std::size_t first = out.digits.find_first_not_of('0');
  if (first == std::string::npos) {
    out.digits.clear();
    out.exponent = 0;
    return true;
  }
  out.digits.erase(0, first);
  const std::size_t last = out.digits.find_last_not_of('0');
  out.exponent += static_cast<long>(out.digits.size() - 1 - last);
  out.digits.resize(last + 1);
  return true;
}

bool DecimalToDouble(const DecimalText& d, double& value) {
  if (d.kind == DecimalText::Kind::NotANumber) {
    value = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (d.kind == DecimalText::Kind::Infinite) {
    value = d.negative ? -HUGE_VAL : HUGE_VAL;
    return true;
  }
  double magnitude = 0;
  if (!d.digits.empty()) {
    const std::string text = d.digits + "e" + std::to_string(d.exponent);
    const auto res = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (res.ec == std::errc::result_out_of_range) {
      // Too large fails; too small is zero.
      if (static_cast<long>(d.digits.size()) + d.exponent > 0) return false;
      magnitude = 0;
    } else if (res.ec != std::errc()) {
      return false;
    }
  }
  value = d.negative ? -magnitude : magnitude;
  return true;
}

// The scaled integer of a currency amount, rounding the digits past the fourth decimal half to even.
bool DecimalToCurrency(const DecimalText& d, Currency& value) {
  if (d.kind != DecimalText::Kind::Finite) return false;
  using Wide = __int128;
  const long scaledExp = d.exponent + 4;
  const long len = static_cast<long>(d.digits.size());
  const long wholeLen = len + scaledExp;  // digits left of the scaled point
  if (wholeLen > 20) return false;
  Wide whole = 0;
  for (long i = 0; i < wholeLen; ++i) whole = whole * 10 + (i < len ? d.digits[i] - '0' : 0);
  if (wholeLen < len) {
    const long cut = std::max(wholeLen, 0L);
    const int first = cut == wholeLen ? d.digits[cut] - '0' : 0;  // first dropped digit
    const bool restNonZero = cut + 1 < len || cut != wholeLen;      // digits are trimmed of zeros
    if (first > 5 || (first == 5 && restNonZero) || (first == 5 && (whole & 1) != 0)) ++whole;
  }
  if (d.negative) whole = -whole;
  if (whole > INT64_MAX || whole < INT64_MIN) return false;
  value = Currency::FromRaw(static_cast<std::int64_t>(whole));
  return true;
}

}  // namespace

bool TryStrToFloat(std::string_view text, double& value, const TFormatSettings& settings) {
  DecimalText d;
  return ScanDecimal(text, settings.DecimalSeparator, d) && DecimalToDouble(d, value);
}

double StrToFloat(std::string_view text, const TFormatSettings& settings) {
  double value;
  if (!TryStrToFloat(text, value, settings))
    throw EConvertError("'%s' is not a valid floating point value", text);
  return value;
}

double StrToFloatDef(std::string_view text, double fallback, const TFormatSettings& settings) {
  double value;
  return TryStrToFloat(text, value, settings) ? value : fallback;
}

std::string CurrToStr(Currency value, const TFormatSettings& settings) {
  const std::int64_t raw = value.Raw();
  // The magnitude as unsigned, so the most negative amount has one too.
  const std::uint64_t magnitude = raw < 0 ? 0 - static_cast<std::uint64_t>(raw) : raw;
  std::string out = raw < 0 ? "-" : "";
  out += std::to_string(magnitude / Currency::Scale);
  std::uint64_t fraction = magnitude % Currency::Scale;
  if (fraction != 0) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    digits.erase(digits.find_last_not_of('0') + 1);
    out += settings.DecimalSeparator;
    out += digits;
  }
  return out;
}

Currency StrToCurr(std::string_view text, const TFormatSettings& settings) {
  DecimalText d;
  Currency value;
  if (!ScanDecimal(text, settings.DecimalSeparator, d) || !DecimalToCurrency(d, value))
    throw EConvertError("'%s' is not a valid floating point value", text);
  return value;
}

Currency FloatToCurr(double value) {
  const double scaled = value * Currency::Scale;
  // The range test is on the scaled value; 2^63 itself is one past the largest amount.
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
    throw EConvertError("'%s' is not a valid currency value", FloatToStr(value));
  return Currency::FromRaw(Round(scaled));
}

}  // namespace lab
