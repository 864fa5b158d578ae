// Reading dates and times back from text, with the order and separators of a TFormatSettings.

#include "platform/rtl/clock.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/datetime_detail.h"
#include "platform/rtl/exceptions.h"

namespace lab {

namespace {

enum class DateOrder { MDY, DMY, YMD };

// The order of the first day, month or year letter of the short date picture.
DateOrder GetDateOrder(std::string_view picture) {
  for (char c : picture) {
    switch (c) {
      case 'Y': case 'y': case 'E': case 'e': return DateOrder::YMD;
      case 'M': case 'm': return DateOrder::MDY;
      case 'D': case 'd': return DateOrder::DMY;
      default: break;
    }
  }
  return DateOrder::MDY;
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}

  void Blanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t')) ++pos_;
  }
  bool AtEnd() {
    Blanks();
    return pos_ == s_.size();
  }
  std::size_t Pos() const { return pos_; }
  void SetPos(std::size_t pos) { pos_ = pos; }

  // Digits, at most nine of them; `digits` tells how many there were.
  bool Number(int& value, int& digits) {
    Blanks();
    value = 0;
    digits = 0;
    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
      if (++digits > 9) return false;
      value = value * 10 + (s_[pos_++] - '0');
    }
    return digits > 0;
  }

  bool Char(char c) {
    Blanks();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }

  bool Word(std::string_view word) {
    Blanks();
    if (word.empty() || s_.size() - pos_ < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if (Upper(s_[pos_ + i]) != Upper(word[i])) return false;
    pos_ += word.size();
    return true;
  }

 private:
  std::string_view s_;
  std::size_t pos_ = 0;
};

int CurrentYear() {
  int year, month, day;
  DecodeDate(Now(), year, month, day);
  return year;
}

bool ScanDate(Scanner& in, const TFormatSettings& fs, TDateTime& date) {
  int n1, n2, n3 = 0, l1, l2, l3 = 0;
  if (!in.Number(n1, l1) || !in.Char(fs.DateSeparator) || !in.Number(n2, l2)) return false;
  const DateOrder order = GetDateOrder(fs.ShortDateFormat);
  int year, month, day, yearDigits;
  if (in.Char(fs.DateSeparator)) {
    if (!in.Number(n3, l3)) return false;
    switch (order) {
      case DateOrder::MDY: year = n3; yearDigits = l3; month = n1; day = n2; break;
      case DateOrder::DMY: year = n3; yearDigits = l3; month = n2; day = n1; break;
      default: year = n1; yearDigits = l1; month = n2; day = n3; break;
    }
    if (year <= 99 && yearDigits <= 2) {
      const int base = CurrentYear() - fs.TwoDigitYearCenturyWindow;
      year += base / 100 * 100;
      if (fs.TwoDigitYearCenturyWindow > 0 && year < base) year += 100;
    }
  } else {
    year = CurrentYear();
    if (order == DateOrder::DMY) {
      day = n1;
      month = n2;
    } else {
      month = n1;
      day = n2;
    }
  }
  return TryEncodeDate(year, month, day, date);
}

bool ScanAmPm(Scanner& in, const TFormatSettings& fs, int& baseHour) {
  if (in.Word(fs.TimeAMString) || in.Word("AM")) baseHour = 0;
  else if (in.Word(fs.TimePMString) || in.Word("PM")) baseHour = 12;
  else return false;
  return true;
}

bool ScanTime(Scanner& in, const TFormatSettings& fs, TDateTime& time) {
  int baseHour = -1;
  ScanAmPm(in, fs, baseHour);
  int hour, min = 0, sec = 0, msec = 0, digits;
  if (!in.Number(hour, digits)) return false;
  if (in.Char(fs.TimeSeparator)) {
    if (!in.Number(min, digits)) return false;
    if (in.Char(fs.TimeSeparator)) {
      if (!in.Number(sec, digits)) return false;
      if (in.Char(fs.DecimalSeparator) && !in.Number(msec, digits)) return false;
    }
  }
  if (baseHour < 0) ScanAmPm(in, fs, baseHour);
  if (baseHour >= 0) {
    if (hour == 0 || hour > 12) return false;
    hour = hour % 12 + baseHour;
  }
  return TryEncodeTime(hour, min, sec, msec, time);
}

}  // namespace

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner in(text);
  TDateTime date;
  if (!ScanDate(in, settings, date) || !in.AtEnd()) return false;
  value = date;
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner in(text);
  TDateTime time;
  if (!ScanTime(in, settings, time) || !in.AtEnd()) return false;
  value = time;
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner in(text);
  TDateTime date, time = 0;
  if (ScanDate(in, settings, date) && (in.AtEnd() || (ScanTime(in, settings, time) && in.AtEnd()))) {
    value = detail::ComposeDateTime(date, time);
    return true;
  }
  return TryStrToTime(text, value, settings);
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& settings) {
  TDateTime value;
  if (!TryStrToDate(text, value, settings)) throw EConvertError("'%s' is not a valid date", text);
  return value;
}

TDateTime StrToTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime value;
  if (!TryStrToTime(text, value, settings)) throw EConvertError("'%s' is not a valid time", text);
  return value;
}

TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime value;
  if (!TryStrToDateTime(text, value, settings))
    throw EConvertError("'%s' is not a valid date and time", text);
  return value;
}

}  // namespace lab
