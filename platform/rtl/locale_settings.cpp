// The user's locale as a TFormatSettings: numbers from LC_NUMERIC, money from LC_MONETARY, dates,
// times and names from LC_TIME. Date and time pictures are translated from strftime's language into
// FormatDateTime's, with the locale's separators turned into "/" and ":" so the settings' separators
// apply, as they do in the framework's own pictures.

#include <langinfo.h>
#include <locale.h>

#include <climits>
#include <string>

#include "platform/rtl/numbers.h"

namespace lab {

namespace {

class LocaleHandle {
 public:
  explicit LocaleHandle(const std::string& name) : loc_(newlocale(LC_ALL_MASK, name.c_str(), nullptr)) {}
  ~LocaleHandle() {
    if (loc_) freelocale(loc_);
  }
  LocaleHandle(const LocaleHandle&) = delete;
  LocaleHandle& operator=(const LocaleHandle&) = delete;

  bool Valid() const { return loc_ != nullptr; }
  std::string Text(nl_item item) const { return nl_langinfo_l(item, loc_); }
  // Numeric monetary items come as one char; CHAR_MAX means the locale leaves it open.
  int Number(nl_item item) const { return static_cast<unsigned char>(*nl_langinfo_l(item, loc_)); }

 private:
  locale_t loc_;
};

// A one-byte separator for a locale's separator text; spaces of every width become a plain space.
bool SeparatorChar(const std::string& text, char& out) {
  if (text.size() == 1 && static_cast<unsigned char>(text[0]) < 0x80) {
    out = text[0];
    return true;
  }
  if (text == "\xC2\xA0" || text == "\xE2\x80\xAF" || text == "\xE2\x80\x89") {
    out = ' ';
    return true;
  }
  if (text == "\xE2\x80\x99") {
    out = '\'';
    return true;
  }
  return false;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsPunctuation(char c) {
  return static_cast<unsigned char>(c) < 0x80 && c > ' ' && !IsAsciiLetter(c) && !(c >= '0' && c <= '9');
}

// Translates a strftime picture. The separator (given, or else the first punctuation of the picture)
// is written as `placeholder`; other punctuation that a picture would read as a placeholder is quoted. With `timeOnly` false, time fields and the punctuation joining them are left
// out (a long date from the locale's date-and-time picture); `dropSeconds` leaves out the seconds.
class PictureTranslator {
 public:
  PictureTranslator(const LocaleHandle& loc, char placeholder, bool keepTime, bool dropSeconds,
                    char separator = 0)
      : loc_(loc), placeholder_(placeholder), keep_time_(keepTime), drop_seconds_(dropSeconds),
        separator_(separator) {}

  std::string Translate(const std::string& picture) {
    Run(picture, 0);
    return Tidy(out_);
  }
  char Separator() const { return separator_; }

 private:
  void Run(const std::string& f, int depth) {
    for (std::size_t i = 0; i < f.size(); ++i) {
      if (f[i] != '%' || i + 1 >= f.size()) {
        Literal(f[i]);
        continue;
      }
      char c = f[++i];
      while ((c == 'E' || c == 'O' || c == '-' || c == '_' || c == '0' || c == '^' || c == '#') &&
             i + 1 < f.size())
        c = f[++i];
      Directive(c, depth);
    }
  }

  void Directive(char c, int depth) {
    switch (c) {
      case 'a': Date("ddd"); break;
      case 'A': Date("dddd"); break;
      case 'b': case 'h': Date("mmm"); break;
      case 'B': Date("mmmm"); break;
      case 'd': Date("dd"); break;
      case 'e': Date("d"); break;
      case 'm': Date("mm"); break;
      case 'y': Date("yy"); break;
      case 'Y': Date("yyyy"); break;
      case 'H': case 'I': Time("hh"); break;
      case 'k': case 'l': Time("h"); break;
      case 'M': Time("nn"); break;
      case 'S':
        if (drop_seconds_) {
          if (!out_.empty() && out_.back() == placeholder_) out_.pop_back();
          in_time_ = true;
        } else {
          Time("ss");
        }
        break;
      case 'p': case 'P': Time("AMPM"); break;
      case 'n': case 't': Literal(' '); break;
      case '%': Literal('%'); break;
      case 'Z': case 'z':  // a picture has no zone field; in a long date it goes with the time
        if (!keep_time_) in_time_ = true;
        break;
      default: Nested(c, depth); break;
    }
  }

  void Nested(char c, int depth) {
    if (depth > 2) return;
    switch (c) {
      case 'D': Run("%m/%d/%y", depth + 1); break;
      case 'F': Run("%Y-%m-%d", depth + 1); break;
      case 'T': Run("%H:%M:%S", depth + 1); break;
      case 'R': Run("%H:%M", depth + 1); break;
      case 'r': Run(loc_.Text(T_FMT_AMPM), depth + 1); break;
      case 'x': Run(loc_.Text(D_FMT), depth + 1); break;
      case 'X': Run(loc_.Text(T_FMT), depth + 1); break;
      case 'c': Run(loc_.Text(D_T_FMT), depth + 1); break;
      default: break;  // week numbers, day of the year and the like have no field in a picture
    }
  }

  void Date(const char* field) {
    in_time_ = false;
    out_ += field;
  }

  void Time(const char* field) {
    if (keep_time_) {
      out_ += field;
    } else if (!in_time_) {  // the comma or blank that joins the time to the date goes with it
      while (!out_.empty() && (out_.back() == ' ' || out_.back() == ',')) out_.pop_back();
    }
    in_time_ = true;
  }

  void Literal(char c) {
    if (in_time_ && !keep_time_) {
      if (c != ' ') return;  // punctuation between the time fields goes with them
      in_time_ = false;
    }
    if (IsPunctuation(c) && (separator_ == 0 || c == separator_)) {
      separator_ = c;
      out_ += placeholder_;
    } else if (IsAsciiLetter(c) || c == '/' || c == ':' || c == '\'' || c == '"') {
      out_ += c == '"' ? '\'' : '"';
      out_ += c;
      out_ += c == '"' ? '\'' : '"';
    } else {
      out_ += c;
    }
  }

  // Collapses the blanks that left-out fields leave behind.
  static std::string Tidy(const std::string& s) {
    std::string out;
    for (char c : s) {
      if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
      out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
  }

  const LocaleHandle& loc_;
  char placeholder_;
  bool keep_time_;
  bool drop_seconds_;
  bool in_time_ = false;
  char separator_ = 0;
  std::string out_;
};

// The framework's number for where a locale puts the currency and sign of a negative amount.
int NegativeCurrencyFormat(bool precedes, bool spaced, int signPosition) {
  // Rows: sign position 0 (parentheses), 1 (before all), 2 (after all), 3 (before the symbol),
  // 4 (after the symbol); columns: symbol first, symbol first spaced, symbol last, symbol last spaced.
  static constexpr int kTable[5][4] = {
      {0, 14, 4, 15}, {1, 9, 5, 8}, {3, 11, 7, 10}, {1, 9, 6, 13}, {2, 12, 7, 10}};
  const int column = (precedes ? 0 : 2) + (spaced ? 1 : 0);
  return kTable[signPosition][column];
}

void ReadNumbers(const LocaleHandle& loc, TFormatSettings& fs) {
  SeparatorChar(loc.Text(RADIXCHAR), fs.DecimalSeparator);
  SeparatorChar(loc.Text(THOUSEP), fs.ThousandSeparator);
  // Locales name no list separator; a comma decimal takes the semicolon, as Windows locales do.
  fs.ListSeparator = fs.DecimalSeparator == ',' ? ';' : ',';
}

void ReadMoney(const LocaleHandle& loc, TFormatSettings& fs) {
  const std::string symbol = loc.Text(CURRENCY_SYMBOL);
  if (symbol.empty()) return;  // a locale without money (C, POSIX) keeps the defaults
  fs.CurrencyString = symbol;
  const int digits = loc.Number(FRAC_DIGITS);
  if (digits != CHAR_MAX) fs.CurrencyDecimals = digits;
  const int pPrecedes = loc.Number(P_CS_PRECEDES), pSpace = loc.Number(P_SEP_BY_SPACE);
  if (pPrecedes != CHAR_MAX && pSpace != CHAR_MAX)
    fs.CurrencyFormat = (pPrecedes ? 0 : 1) + (pSpace ? 2 : 0);
  const int nPrecedes = loc.Number(N_CS_PRECEDES), nSpace = loc.Number(N_SEP_BY_SPACE);
  const int nSign = loc.Number(N_SIGN_POSN);
  if (nPrecedes != CHAR_MAX && nSpace != CHAR_MAX && nSign <= 4)
    fs.NegCurrFormat = NegativeCurrencyFormat(nPrecedes != 0, nSpace != 0, nSign);
}

void ReadDates(const LocaleHandle& loc, TFormatSettings& fs) {
  PictureTranslator shortDate(loc, '/', false, false);
  fs.ShortDateFormat = shortDate.Translate(loc.Text(D_FMT));
  if (shortDate.Separator()) fs.DateSeparator = shortDate.Separator();
  // A long date keeps its own punctuation; only the short date's separator stands for DateSeparator.
  const char dateSeparator = shortDate.Separator() ? shortDate.Separator() : '\x01';
  fs.LongDateFormat =
      PictureTranslator(loc, '/', false, false, dateSeparator).Translate(loc.Text(D_T_FMT));

  PictureTranslator longTime(loc, ':', true, false);
  fs.LongTimeFormat = longTime.Translate(loc.Text(T_FMT));
  if (longTime.Separator()) fs.TimeSeparator = longTime.Separator();
  fs.ShortTimeFormat = PictureTranslator(loc, ':', true, true).Translate(loc.Text(T_FMT));

  fs.TimeAMString = loc.Text(AM_STR);
  fs.TimePMString = loc.Text(PM_STR);
  for (int i = 0; i < 12; ++i) {
    fs.ShortMonthNames[i] = loc.Text(ABMON_1 + i);
    fs.LongMonthNames[i] = loc.Text(MON_1 + i);
  }
  for (int i = 0; i < 7; ++i) {
    fs.ShortDayNames[i] = loc.Text(ABDAY_1 + i);
    fs.LongDayNames[i] = loc.Text(DAY_1 + i);
  }
}

}  // namespace

TFormatSettings GetLocaleFormatSettings(std::string_view localeName) {
  TFormatSettings fs;
  const LocaleHandle loc{std::string(localeName)};
  if (!loc.Valid()) return fs;
  ReadNumbers(loc, fs);
  ReadMoney(loc, fs);
  ReadDates(loc, fs);
  return fs;
}

}  // namespace lab
