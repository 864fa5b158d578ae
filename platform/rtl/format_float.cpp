// FormatFloat's picture language.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/rtl/float_text.h"
#include "platform/rtl/numbers.h"

namespace lab {

namespace {

constexpr int kMaxPrecision = 18;

bool IsQuote(char c) { return c == '\'' || c == '"'; }
bool IsPlaceholder(char c) { return c == '0' || c == '#'; }
bool IsExponentAt(std::string_view s, std::size_t i) {
  return (s[i] == 'E' || s[i] == 'e') && i + 1 < s.size() && (s[i + 1] == '+' || s[i + 1] == '-');
}

// The index just past a quoted literal that opens at `i`; an unclosed quote runs to the end.
std::size_t SkipQuoted(std::string_view s, std::size_t i) {
  const std::size_t close = s.find(s[i], i + 1);
  return close == std::string_view::npos ? s.size() : close + 1;
}

// Splits "positive;negative;zero" at semicolons outside quotes; sections past the third are ignored.
std::vector<std::string_view> Sections(std::string_view format) {
  std::vector<std::string_view> out;
  std::size_t start = 0, i = 0;
  while (i < format.size() && out.size() < 2) {
    if (IsQuote(format[i])) {
      i = SkipQuoted(format, i);
    } else if (format[i] == ';') {
      out.push_back(format.substr(start, i - start));
      start = ++i;
    } else {
      ++i;
    }
  }
  std::string_view last = format.substr(start);
  for (i = 0; i < last.size(); ++i) {
    if (IsQuote(last[i])) i = SkipQuoted(last, i) - 1;
    else if (last[i] == ';') break;
  }
  out.push_back(last.substr(0, i));
  return out;
}

// What a section asks for. Placeholders are numbered from 0 in order; DecimalIndex is the number of
// them left of the decimal point.
struct SectionShape {
  int DigitCount = 0;
  int DecimalIndex = -1;
  int FirstZero = INT_MAX;  // first "0" placeholder: padding starts here
  int LastZero = 0;         // one past the last "0" placeholder: padding ends here
  bool Thousands = false;
  bool Scientific = false;
};

SectionShape Analyse(std::string_view s) {
  SectionShape shape;
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    if (IsPlaceholder(c)) {
      if (c == '0') {
        shape.FirstZero = std::min(shape.FirstZero, shape.DigitCount);
        shape.LastZero = shape.DigitCount + 1;
      }
      ++shape.DigitCount;
      ++i;
    } else if (c == '.') {
      if (shape.DecimalIndex < 0) shape.DecimalIndex = shape.DigitCount;
      ++i;
    } else if (c == ',') {
      shape.Thousands = true;
      ++i;
    } else if (IsExponentAt(s, i)) {
      shape.Scientific = true;
      for (i += 2; i < s.size() && s[i] == '0';) ++i;  // exponent digits, not placeholders
    } else if (IsQuote(c)) {
      i = SkipQuoted(s, i);
    } else {
      ++i;
    }
  }
  if (shape.DecimalIndex < 0) shape.DecimalIndex = shape.DigitCount;
  return shape;
}

class SectionWriter {
 public:
  SectionWriter(std::string_view section, const SectionShape& shape, const TFloatRec& rec,
                const TFormatSettings& fs)
      : s_(section), shape_(shape), rec_(rec), fs_(fs) {
    const int len = static_cast<int>(rec.Digits.size());
    if (shape.Scientific) {
      exponent_ = rec.Digits.empty() ? 0 : rec.Exponent - shape.DecimalIndex;
      fraction_shown_ = std::max(len - shape.DecimalIndex, shape.LastZero - shape.DecimalIndex);
    } else {
      for (int i = 0; i < rec.Exponent; ++i) whole_ += i < len ? rec.Digits[i] : '0';
      fraction_shown_ = std::max(len - rec.Exponent, shape.LastZero - shape.DecimalIndex);
    }
    fraction_shown_ = std::min(fraction_shown_, shape.DigitCount - shape.DecimalIndex);
  }

  std::string Write() {
    int placeholder = 0;
    bool pointDone = false;
    for (std::size_t i = 0; i < s_.size();) {
      const char c = s_[i];
      if (IsPlaceholder(c)) {
        if (placeholder < shape_.DecimalIndex) WholeDigit(placeholder);
        else FractionDigit(placeholder - shape_.DecimalIndex);
        ++placeholder;
        ++i;
      } else if (c == '.') {
        if (!pointDone && placeholder == shape_.DecimalIndex) {
          Point();
          pointDone = true;
        }
        ++i;
      } else if (c == ',') {
        ++i;
      } else if (IsExponentAt(s_, i)) {
        i = Exponent(i);
      } else if (IsQuote(c)) {
        const std::size_t close = s_.find(c, i + 1);
        if (close == std::string_view::npos) {
          out_.append(s_.substr(i + 1));
          i = s_.size();
        } else {
          out_.append(s_.substr(i + 1, close - i - 1));
          i = close + 1;
        }
      } else {
        out_ += c;
        ++i;
      }
    }
    return out_;
  }

 private:
  // Integer digits that have no placeholder of their own go before the first one.
  void Point() {
    if (shape_.DecimalIndex == 0 && !shape_.Scientific) Whole(static_cast<int>(whole_.size()), 1);
    if (fraction_shown_ > 0) out_ += fs_.DecimalSeparator;
  }

  // Writes the integer digits at places `from` down to `to` (1 = units), with separators.
  void Whole(int from, int to) {
    const int len = static_cast<int>(whole_.size());
    for (int place = from; place >= to; --place) {
      out_ += place <= len ? whole_[len - place] : '0';
      if (shape_.Thousands && place > 1 && (place - 1) % 3 == 0) out_ += fs_.ThousandSeparator;
    }
  }

  void WholeDigit(int placeholder) {
    if (shape_.Scientific) {  // every place of the mantissa counts, so each one shows
      const int len = static_cast<int>(rec_.Digits.size());
      out_ += placeholder < len ? rec_.Digits[placeholder] : '0';
      return;
    }
    const int place = shape_.DecimalIndex - placeholder;
    const int len = static_cast<int>(whole_.size());
    if (placeholder == 0 && len > place) Whole(len, place);  // more digits than placeholders
    else if (place <= len || placeholder >= shape_.FirstZero) Whole(place, place);
  }

  void FractionDigit(int index) {
    if (index >= fraction_shown_) return;
    const int at = (shape_.Scientific ? shape_.DecimalIndex : rec_.Exponent) + index;
    out_ += at >= 0 && at < static_cast<int>(rec_.Digits.size()) ? rec_.Digits[at] : '0';
  }

  std::size_t Exponent(std::size_t i) {
    out_ += s_[i];
    const bool alwaysSign = s_[i + 1] == '+';
    i += 2;
    int minDigits = 0;
    for (; i < s_.size() && s_[i] == '0'; ++i) ++minDigits;
    std::string digits = std::to_string(std::abs(exponent_));
    if (static_cast<int>(digits.size()) < std::min(minDigits, 4))
      digits.insert(0, std::min(minDigits, 4) - digits.size(), '0');
    if (exponent_ < 0) out_ += '-';
    else if (alwaysSign) out_ += '+';
    out_ += digits;
    return i;
  }

  std::string_view s_;
  const SectionShape& shape_;
  const TFloatRec& rec_;
  const TFormatSettings& fs_;
  std::string whole_;
  int fraction_shown_ = 0;
  int exponent_ = 0;
  std::string out_;
};

TFloatRec Digits(double magnitude, const SectionShape& shape) {
  if (shape.Scientific)
    return FloatToDecimal(magnitude, std::clamp(shape.DigitCount, 1, kMaxPrecision), 9999);
  return FloatToDecimal(magnitude, kMaxPrecision, shape.DigitCount - shape.DecimalIndex);
}

}  // namespace

std::string FormatFloat(std::string_view format, double value, const TFormatSettings& settings) {
  if (!std::isfinite(value)) return FloatToStrF(value, ffGeneral, 15, 0, settings);
  const std::vector<std::string_view> sections = Sections(format);
  auto section = [&](std::size_t i) {
    return i < sections.size() && !sections[i].empty() ? sections[i] : sections[0];
  };
  const bool hasNegative = sections.size() > 1 && !sections[1].empty();

  std::string_view chosen = value < 0 ? section(1) : value > 0 ? section(0) : section(2);
  if (chosen.empty()) return FloatToStrF(value, ffGeneral, 15, 0, settings);
  SectionShape shape = Analyse(chosen);
  TFloatRec rec = Digits(std::fabs(value), shape);
  if (!shape.Scientific && rec.Exponent > kMaxPrecision)
    return FloatToStrF(value, ffGeneral, 15, 0, settings);
  if (rec.Digits.empty() && value != 0) {  // rounds to zero: show it as zero
    value = 0;
    chosen = section(2);
    shape = Analyse(chosen);
    rec = TFloatRec{};
    if (chosen.empty()) return "0";
  }
  std::string text = SectionWriter(chosen, shape, rec, settings).Write();
  if (value < 0 && !hasNegative) text.insert(0, 1, '-');
  return text;
}

}  // namespace lab
