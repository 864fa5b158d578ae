// FormatDateTime's picture language.

#include "platform/rtl/datetime.h"
#include "platform/rtl/datetime_detail.h"

namespace lab {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsNoCase(std::string_view s, std::size_t at, std::string_view word) {
  if (s.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (Upper(s[at + i]) != word[i]) return false;
  return true;
}

class DateTimeWriter {
 public:
  DateTimeWriter(TDateTime value, const TFormatSettings& fs) : fs_(fs) {
    const detail::TSplitDateTime split = detail::SplitDateTime(value);
    detail::DayToDate(split.Day, year_, month_, day_);
    ms_of_day_ = split.MSecOfDay;
    int ms = ms_of_day_;
    msec_ = ms % 1000;
    sec_ = (ms /= 1000) % 60;
    min_ = (ms /= 60) % 60;
    hour_ = ms / 60;
    const std::int64_t stamp = split.Day + DateDelta;
    week_day_ = static_cast<int>(((stamp % 7) + 7) % 7);  // 0 = Sunday
  }

  void Append(std::string_view f, int depth) {
    if (depth > 2) return;  // pictures that name each other stop here
    char lastToken = ' ';
    for (std::size_t i = 0; i < f.size();) {
      const char c = f[i];
      char token = Upper(c);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      std::size_t count = 1;
      while (i + count < f.size() && Upper(f[i + count]) == Upper(c)) ++count;
      switch (token) {
        case 'Y':
          if (count <= 2) Number(year_ % 100, 2);
          else Number(year_, 4);
          break;
        case 'M':
          if (count <= 2) Number(month_, static_cast<int>(count));
          else if (month_ >= 1) out_ += count == 3 ? fs_.ShortMonthNames[month_ - 1] : fs_.LongMonthNames[month_ - 1];
          break;
        case 'D':
          if (count <= 2) Number(day_, static_cast<int>(count));
          else if (count == 3) out_ += fs_.ShortDayNames[week_day_];
          else if (count == 4) out_ += fs_.LongDayNames[week_day_];
          else Append(count == 5 ? fs_.ShortDateFormat : fs_.LongDateFormat, depth + 1);
          break;
        case 'H': {
          int hour = hour_;
          if (TwelveHourClock(f, i + count)) {
            hour %= 12;
            if (hour == 0) hour = 12;
          }
          Number(hour, count >= 2 ? 2 : 1);
          break;
        }
        case 'N': Number(min_, count >= 2 ? 2 : 1); break;
        case 'S': Number(sec_, count >= 2 ? 2 : 1); break;
        case 'Z': Number(msec_, count >= 2 ? 3 : 1); break;
        case 'T': Append(count == 1 ? fs_.ShortTimeFormat : fs_.LongTimeFormat, depth + 1); break;
        case 'C':
          Append(fs_.ShortDateFormat, depth + 1);
          if (ms_of_day_ != 0) {
            out_ += ' ';
            Append(fs_.LongTimeFormat, depth + 1);
          }
          break;
        case 'A':
          i += AmPm(f, i);
          continue;
        case '/':
          out_.append(count, fs_.DateSeparator);
          break;
        case ':':
          out_.append(count, fs_.TimeSeparator);
          break;
        case '\'':
        case '"': {
          const std::size_t close = f.find(c, i + 1);
          const std::size_t stop = close == std::string_view::npos ? f.size() : close;
          out_.append(f.substr(i + 1, stop - i - 1));
          i = stop == f.size() ? stop : stop + 1;
          continue;
        }
        default:
          out_.append(f.substr(i, count));
          break;
      }
      i += count;
    }
  }

  std::string Take() { return std::move(out_); }

 private:
  // A non-negative field with at least `digits` digits.
  void Number(int value, int digits) {
    char buf[12];
    char* p = buf + sizeof buf;
    do {
      *--p = static_cast<char>('0' + value % 10);
      value /= 10;
      --digits;
    } while (value > 0 || digits > 0);
    out_.append(p, buf + sizeof buf);
  }

  // An hour takes the 12-hour clock when an am/pm field follows before the next hour field.
  static bool TwelveHourClock(std::string_view f, std::size_t from) {
    bool quoted = false;
    char quote = 0;
    for (std::size_t i = from; i < f.size(); ++i) {
      const char c = f[i];
      if (quoted) {
        if (c == quote) quoted = false;
      } else if (c == '\'' || c == '"') {
        quoted = true;
        quote = c;
      } else if (c == 'A' || c == 'a') {
        return StartsNoCase(f, i, "AM/PM") || StartsNoCase(f, i, "A/P") || StartsNoCase(f, i, "AMPM");
      } else if (c == 'H' || c == 'h') {
        return false;
      }
    }
    return false;
  }

  // Writes an am/pm field (or a lone "a") and answers its length in the picture.
  std::size_t AmPm(std::string_view f, std::size_t i) {
    const bool pm = hour_ >= 12;
    if (StartsNoCase(f, i, "AM/PM")) {
      out_.append(f.substr(pm ? i + 3 : i, 2));
      return 5;
    }
    if (StartsNoCase(f, i, "A/P")) {
      out_ += f[pm ? i + 2 : i];
      return 3;
    }
    if (StartsNoCase(f, i, "AMPM")) {
      out_ += pm ? fs_.TimePMString : fs_.TimeAMString;
      return 4;
    }
    out_ += f[i];
    return 1;
  }

  const TFormatSettings& fs_;
  int year_ = 0, month_ = 0, day_ = 0, week_day_ = 0;
  int hour_ = 0, min_ = 0, sec_ = 0, msec_ = 0, ms_of_day_ = 0;
  std::string out_;
};

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime value, const TFormatSettings& settings) {
  DateTimeWriter writer(value, settings);
  writer.Append(format.empty() ? std::string_view("c") : format, 0);
  return writer.Take();
}

void DateTimeToString(std::string& result, std::string_view format, TDateTime value,
                      const TFormatSettings& settings) {
  result = FormatDateTime(format, value, settings);
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}

std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}

std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

}  // namespace lab
