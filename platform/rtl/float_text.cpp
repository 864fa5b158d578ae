#include "platform/rtl/float_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace lab {

namespace {

constexpr int kMaxDigits = 17;  // enough to tell every double apart
constexpr int kSpecial = 0x7FFF;

// Inserts the thousand separator into a run of integer digits.
std::string GroupThousands(const std::string& digits, char separator) {
  std::string out;
  const int n = static_cast<int>(digits.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

// Integer and fraction digits of a decimal value with exactly `decimals` fraction digits.
void SplitFixed(const TFloatRec& rec, int decimals, std::string& whole, std::string& fraction) {
  const int len = static_cast<int>(rec.Digits.size());
  whole.clear();
  fraction.clear();
  if (rec.Exponent <= 0) {
    whole.push_back('0');  // not = "0": g++ 12 then warns of an overlap that cannot happen
  } else {
    for (int i = 0; i < rec.Exponent; ++i) whole += i < len ? rec.Digits[i] : '0';
  }
  for (int i = 0; i < decimals; ++i) {
    const int at = rec.Exponent + i;
    fraction += at >= 0 && at < len ? rec.Digits[at] : '0';
  }
}

std::string Exponent(int value, bool alwaysSign, int minDigits) {
  std::string digits = std::to_string(std::abs(value));
  if (static_cast<int>(digits.size()) < minDigits)
    digits.insert(0, minDigits - digits.size(), '0');
  if (value < 0) return "-" + digits;
  return alwaysSign ? "+" + digits : digits;
}

std::string Scientific(const TFloatRec& rec, int mantissaDigits, bool padMantissa, bool alwaysSign,
                       int minExponentDigits, char decimal) {
  std::string out;
  if (rec.Negative && !rec.Digits.empty()) out += '-';
  const std::string& d = rec.Digits;
  out += d.empty() ? '0' : d[0];
  std::string rest = d.size() > 1 ? d.substr(1) : std::string();
  if (padMantissa && static_cast<int>(rest.size()) < mantissaDigits - 1)
    rest.append(mantissaDigits - 1 - rest.size(), '0');
  if (!rest.empty()) out += decimal + rest;
  out += 'E';
  out += Exponent(d.empty() ? 0 : rec.Exponent - 1, alwaysSign, minExponentDigits);
  return out;
}

std::string Special(const TFloatRec& rec) {
  if (rec.Digits == "N") return "NAN";
  return rec.Negative ? "-INF" : "INF";
}

// Places the currency string around an unsigned amount as the settings ask.
std::string Currency(const std::string& amount, bool negative, const TFormatSettings& fs) {
  const std::string& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1: return amount + c;
      case 2: return c + " " + amount;
      case 3: return amount + " " + c;
      default: return c + amount;
    }
  }
  switch (fs.NegCurrFormat) {
    case 1: return "-" + c + amount;
    case 2: return c + "-" + amount;
    case 3: return c + amount + "-";
    case 4: return "(" + amount + c + ")";
    case 5: return "-" + amount + c;
    case 6: return amount + "-" + c;
    case 7: return amount + c + "-";
    case 8: return "-" + amount + " " + c;
    case 9: return "-" + c + " " + amount;
    case 10: return amount + " " + c + "-";
    case 11: return c + " " + amount + "-";
    case 12: return c + " -" + amount;
    case 13: return amount + "- " + c;
    case 14: return "(" + c + " " + amount + ")";
    case 15: return "(" + amount + " " + c + ")";
    default: return "(" + c + amount + ")";
  }
}

}  // namespace

TFloatRec FloatToDecimal(double value, int precision, int decimals) {
  TFloatRec rec;
  if (std::isnan(value)) {
    rec.Exponent = kSpecial;
    rec.Digits = "N";
    return rec;
  }
  if (std::isinf(value)) {
    rec.Exponent = kSpecial;
    rec.Negative = value < 0;
    rec.Digits = "I";
    return rec;
  }
  if (value == 0) return rec;
  rec.Negative = value < 0;

  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                           kMaxDigits - 1);
  std::string digits;
  const char* p = buf;
  for (; p < res.ptr && *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  int exp10 = 0;
  std::from_chars(p + 1 + (p[1] == '+'), res.ptr, exp10);
  rec.Exponent = exp10 + 1;

  const int keep = std::min({std::clamp(precision, 1, kMaxDigits), rec.Exponent + decimals, kMaxDigits});
  if (keep < 0) return TFloatRec{};
  bool carry = digits[keep] >= '5';
  digits.resize(keep);
  for (int i = keep - 1; carry && i >= 0; --i) {
    if (digits[i] == '9') {
      digits[i] = '0';
    } else {
      ++digits[i];
      carry = false;
    }
  }
  if (carry) {
    digits.insert(digits.begin(), '1');
    ++rec.Exponent;
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) return TFloatRec{};
  rec.Digits = std::move(digits);
  return rec;
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs) {
  precision = std::clamp(precision, 1, 18);
  digits = std::clamp(digits, 0, format == ffExponent ? 4 : 18);
  const char dec = fs.DecimalSeparator;

  if (format == ffGeneral || format == ffExponent) {
    const TFloatRec rec = FloatToDecimal(value, precision, 9999);
    if (rec.IsSpecial()) return Special(rec);
    if (format == ffExponent) return Scientific(rec, precision, true, true, digits, dec);
    if (rec.Digits.empty()) return "0";
    if (rec.Exponent > precision || rec.Exponent < -4)
      return Scientific(rec, precision, false, false, 0, dec);
    std::string whole, fraction;
    SplitFixed(rec, std::max(0, static_cast<int>(rec.Digits.size()) - rec.Exponent), whole, fraction);
    std::string out = rec.Negative ? "-" + whole : whole;
    if (!fraction.empty()) out += dec + fraction;
    return out;
  }

  const TFloatRec rec = FloatToDecimal(value, precision, digits);
  if (rec.IsSpecial()) return Special(rec);
  if (rec.Exponent > precision) return Scientific(rec, precision, false, false, 0, dec);
  std::string whole, fraction;
  SplitFixed(rec, digits, whole, fraction);
  if (format != ffFixed) whole = GroupThousands(whole, fs.ThousandSeparator);
  std::string amount = fraction.empty() ? whole : whole + dec + fraction;
  const bool negative = rec.Negative && !rec.Digits.empty();
  if (format == ffCurrency) return Currency(amount, negative, fs);
  return negative ? "-" + amount : amount;
}

std::string FloatToStr(double value, const TFormatSettings& settings) {
  return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

}  // namespace lab
