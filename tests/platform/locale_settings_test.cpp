#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/rtl/datetime.h"
#include "platform/rtl/float_text.h"
#include "platform/rtl/numbers.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace lab {
namespace {

namespace fs = std::filesystem;

// glibc keeps the LOCPATH list of every locale it loads from there, which the leak checker reports;
// the system path that programs use does not do this.
TFormatSettings ReadLocale(std::string_view name = {}) {
#if defined(__SANITIZE_ADDRESS__)
  __lsan_disable();
  const TFormatSettings fs = GetLocaleFormatSettings(name);
  __lsan_enable();
  return fs;
#else
  return GetLocaleFormatSettings(name);
#endif
}

// A made-up locale with year-first dates, dotted times, comma decimals, narrow no-break spaces
// between thousands and the currency after the amount, compiled into a private folder.
constexpr const char* kLocaleSource = R"(comment_char %
escape_char /
LC_CTYPE
copy "POSIX"
END LC_CTYPE
LC_COLLATE
copy "POSIX"
END LC_COLLATE
LC_NUMERIC
decimal_point "<U002C>"
thousands_sep "<U202F>"
grouping 3;3
END LC_NUMERIC
LC_MONETARY
int_curr_symbol "EUR "
currency_symbol "<U20AC>"
mon_decimal_point "<U002C>"
mon_thousands_sep "<U002E>"
mon_grouping 3;3
positive_sign ""
negative_sign "-"
int_frac_digits 2
frac_digits 2
p_cs_precedes 0
p_sep_by_space 1
n_cs_precedes 0
n_sep_by_space 1
p_sign_posn 1
n_sign_posn 1
END LC_MONETARY
LC_TIME
abday "Su";"Mo";"Tu";"We";"Th";"Fr";"Sa"
day "Sunday";"Monday";"Tuesday";"Wednesday";"Thursday";"Friday";"Saturday"
abmon "jan";"feb";"mar";"apr";"may";"jun";"jul";"aug";"sep";"oct";"nov";"dec"
mon "janvier";"february";"march";"april";"may";"june";"july";"august";"september";"october";"november";"december"
d_t_fmt "%A, %e. %B %Y, %H.%M.%S %Z"
d_fmt "%Y-%m-%d"
t_fmt "%H.%M.%S"
am_pm "";""
t_fmt_ampm ""
END LC_TIME
LC_MESSAGES
copy "POSIX"
END LC_MESSAGES
)";

class LocaleSettings : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("lab-locale-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    std::ofstream(dir_ / "xx_TEST") << kLocaleSource;
    const std::string cmd = "localedef -c -i '" + (dir_ / "xx_TEST").string() + "' -f UTF-8 '" +
                            (dir_ / "xx_TEST.UTF-8").string() + "' >/dev/null 2>&1";
    [[maybe_unused]] int rc = std::system(cmd.c_str());
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  void SetUp() override {
    if (!fs::exists(dir_ / "xx_TEST.UTF-8" / "LC_TIME"))
      GTEST_SKIP() << "localedef or the locale sources (Debian package locales) are missing";
    if (const char* old = std::getenv("LOCPATH")) old_path_ = old;
    setenv("LOCPATH", dir_.c_str(), 1);
  }
  void TearDown() override {
    if (old_path_) setenv("LOCPATH", old_path_->c_str(), 1);
    else unsetenv("LOCPATH");
  }

  static inline fs::path dir_;
  std::optional<std::string> old_path_;
};

TEST_F(LocaleSettings, NumbersAndMoney) {
  const TFormatSettings fs = ReadLocale("xx_TEST.UTF-8");
  EXPECT_EQ(fs.DecimalSeparator, ',');
  EXPECT_EQ(fs.ThousandSeparator, ' ');  // the narrow no-break space, as one byte
  EXPECT_EQ(fs.ListSeparator, ';');
  EXPECT_EQ(fs.CurrencyString, "\xE2\x82\xAC");
  EXPECT_EQ(fs.CurrencyFormat, 3);  // "1 €"
  EXPECT_EQ(fs.NegCurrFormat, 8);   // "-1 €"
  EXPECT_EQ(fs.CurrencyDecimals, 2);
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2, fs), "-1 234,50 \xE2\x82\xAC");
  EXPECT_EQ(StrToFloat("1,5", fs), 1.5);
}

TEST_F(LocaleSettings, DatePicturesAndNames) {
  const TFormatSettings fs = ReadLocale("xx_TEST.UTF-8");
  EXPECT_EQ(fs.DateSeparator, '-');
  EXPECT_EQ(fs.ShortDateFormat, "yyyy/mm/dd");
  EXPECT_EQ(fs.LongDateFormat, "dddd, d. mmmm yyyy");  // the time and zone of the picture left out
  EXPECT_EQ(fs.TimeSeparator, '.');
  EXPECT_EQ(fs.LongTimeFormat, "hh:nn:ss");
  EXPECT_EQ(fs.ShortTimeFormat, "hh:nn");
  EXPECT_EQ(fs.LongMonthNames[0], "janvier");
  EXPECT_EQ(fs.ShortDayNames[0], "Su");
  const TDateTime t = EncodeDate(2024, 1, 5) + EncodeTime(14, 7, 9, 0);
  EXPECT_EQ(DateTimeToStr(t, fs), "2024-01-05 14.07.09");
  EXPECT_EQ(FormatDateTime("dddddd", t, fs), "Friday, 5. janvier 2024");
  EXPECT_EQ(StrToDateTime("2024-01-05 14.07.09", fs), t);
}

TEST_F(LocaleSettings, EmptyNameReadsTheEnvironmentAndGlobalsStayPut) {
  const char* old = std::getenv("LC_ALL");
  const std::string saved = old ? old : "";
  setenv("LC_ALL", "xx_TEST.UTF-8", 1);
  const TFormatSettings fs = ReadLocale();
  if (old) setenv("LC_ALL", saved.c_str(), 1);
  else unsetenv("LC_ALL");
  EXPECT_EQ(fs.DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings.DecimalSeparator, '.');
  EXPECT_EQ(FormatSettings.ShortDateFormat, "M/d/yyyy");
}

TEST(LocaleSettingsFallback, UnknownLocaleGivesDefaultsAndCKeepsUnsetParts) {
  const TFormatSettings unknown = GetLocaleFormatSettings("no_SUCH.locale");
  EXPECT_EQ(unknown.ShortDateFormat, TFormatSettings{}.ShortDateFormat);
  const TFormatSettings c = GetLocaleFormatSettings("C");
  EXPECT_EQ(c.DecimalSeparator, '.');
  EXPECT_EQ(c.ThousandSeparator, ',');  // C has none; the default stays
  EXPECT_EQ(c.CurrencyString, "$");
  EXPECT_EQ(c.ShortDateFormat, "mm/dd/yy");
  EXPECT_EQ(c.LongTimeFormat, "hh:nn:ss");
}

}  // namespace
}  // namespace lab
