#include <gtest/gtest.h>

#include "platform/rtl/clock.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

const TDateTime kLeapDay = EncodeDate(2024, 2, 29) + EncodeTime(13, 5, 7, 9);

TFormatSettings German() {
  TFormatSettings fs;
  fs.DecimalSeparator = ',';
  fs.DateSeparator = '.';
  fs.TimeSeparator = ':';
  fs.ShortDateFormat = "dd/mm/yyyy";
  fs.LongDateFormat = "dddd, d. mmmm yyyy";
  fs.ShortTimeFormat = "hh:nn";
  fs.LongTimeFormat = "hh:nn:ss";
  fs.LongMonthNames[1] = "Februar";
  fs.ShortMonthNames[1] = "Feb";
  fs.LongDayNames[4] = "Donnerstag";
  fs.ShortDayNames[4] = "Do";
  fs.TimeAMString = "vorm.";
  fs.TimePMString = "nachm.";
  return fs;
}

int ThisYear() {
  int y, m, d;
  DecodeDate(Now(), y, m, d);
  return y;
}

TEST(FormatDateTime, FieldsWithDefaultSettings) {
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", kLeapDay), "2024-02-29 13:05:07.009");
  EXPECT_EQ(FormatDateTime("d/m/yy h:n:s z", kLeapDay), "29/2/24 13:5:7 9");
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", kLeapDay), "Thu Thursday Feb February");
  EXPECT_EQ(FormatDateTime("YYYY MM DD HH NN", kLeapDay), "2024 02 29 13 05");  // any case
  EXPECT_EQ(FormatDateTime("ddddd", kLeapDay), "2/29/2024");
  EXPECT_EQ(FormatDateTime("dddddd", kLeapDay), "Thursday, February 29, 2024");
  EXPECT_EQ(FormatDateTime("t|tt", kLeapDay), "1:05 PM|1:05:07 PM");
  EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(5, 1, 1)), "0005");
}

TEST(FormatDateTime, MinutesAfterAnHourAndTwelveHourClocks) {
  EXPECT_EQ(FormatDateTime("hh:mm", kLeapDay), "13:05");  // "m" after an hour is the minute
  EXPECT_EQ(FormatDateTime("mm hh", kLeapDay), "02 13");
  EXPECT_EQ(FormatDateTime("h:mm am/pm", kLeapDay), "1:05 pm");
  EXPECT_EQ(FormatDateTime("h:mm AM/PM", kLeapDay), "1:05 PM");
  EXPECT_EQ(FormatDateTime("h a/p", kLeapDay), "1 p");
  EXPECT_EQ(FormatDateTime("h A/P", EncodeTime(0, 30, 0, 0)), "12 A");  // midnight hour is 12
  EXPECT_EQ(FormatDateTime("hh ampm", EncodeTime(12, 0, 0, 0)), "12 PM");
  EXPECT_EQ(FormatDateTime("h 'am/pm'", kLeapDay), "13 am/pm");  // quoted: no 12-hour clock
  EXPECT_EQ(FormatDateTime("h h am/pm", kLeapDay), "13 1 pm");    // only the last hour sees it
  EXPECT_EQ(FormatDateTime("a", kLeapDay), "a");
}

TEST(FormatDateTime, LiteralsSeparatorsAndTheCombinedForms) {
  EXPECT_EQ(FormatDateTime("'day' d \"of\" m", kLeapDay), "day 29 of 2");
  EXPECT_EQ(FormatDateTime("'unclosed", kLeapDay), "unclosed");
  EXPECT_EQ(FormatDateTime("c", kLeapDay), "2/29/2024 1:05:07 PM");
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 2, 29)), "2/29/2024");  // midnight: no time
  EXPECT_EQ(FormatDateTime("", EncodeDate(2024, 2, 29)), "2/29/2024");
  EXPECT_EQ(DateTimeToStr(-1.25), "12/29/1899 6:00:00 AM");
  EXPECT_EQ(DateToStr(kLeapDay), "2/29/2024");
  EXPECT_EQ(TimeToStr(kLeapDay), "1:05:07 PM");
  std::string s;
  DateTimeToString(s, "yyyy", kLeapDay);
  EXPECT_EQ(s, "2024");
  TFormatSettings loop;
  loop.ShortDateFormat = "ddddd";  // a picture naming itself stops instead of recursing forever
  EXPECT_EQ(FormatDateTime("ddddd", kLeapDay, loop), "");
}

TEST(FormatDateTime, NonDefaultSettings) {
  const TFormatSettings de = German();
  EXPECT_EQ(DateTimeToStr(kLeapDay, de), "29.02.2024 13:05:07");
  EXPECT_EQ(FormatDateTime("dddddd", kLeapDay, de), "Donnerstag, 29. Februar 2024");
  EXPECT_EQ(FormatDateTime("ddd, d. mmm", kLeapDay, de), "Do, 29. Feb");
  EXPECT_EQ(FormatDateTime("h ampm", kLeapDay, de), "1 nachm.");
  TFormatSettings odd = de;
  odd.DateSeparator = '-';
  odd.TimeSeparator = '.';
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", kLeapDay, odd), "2024-02-29 13.05");
}

TEST(StrToDate, FollowsTheShortDateOrder) {
  EXPECT_EQ(StrToDate("2/29/2024"), EncodeDate(2024, 2, 29));
  EXPECT_EQ(StrToDate(" 12 / 31 / 1999 "), EncodeDate(1999, 12, 31));
  const TFormatSettings de = German();
  EXPECT_EQ(StrToDate("29.02.2024", de), EncodeDate(2024, 2, 29));
  TFormatSettings ymd;
  ymd.ShortDateFormat = "yyyy-mm-dd";
  ymd.DateSeparator = '-';
  EXPECT_EQ(StrToDate("2024-02-29", ymd), EncodeDate(2024, 2, 29));
  EXPECT_EQ(StrToDate("3-15", ymd), EncodeDate(ThisYear(), 3, 15));  // no year: month first
  EXPECT_EQ(StrToDate("15.3", de), EncodeDate(ThisYear(), 3, 15));
}

TEST(StrToDate, YearsWithoutCenturyFollowTheWindow) {
  const int year = ThisYear();
  TFormatSettings fs;
  fs.TwoDigitYearCenturyWindow = 50;
  for (int yy : {0, 30, 49, 50, 51, 75, 99}) {
    int expected = (year - 50) / 100 * 100 + yy;
    if (expected < year - 50) expected += 100;
    int y, m, d;
    DecodeDate(StrToDate("1/2/" + std::to_string(yy), fs), y, m, d);
    EXPECT_EQ(y, expected) << yy;
    EXPECT_GE(y, year - 50);
    EXPECT_LT(y, year + 50);
  }
  fs.TwoDigitYearCenturyWindow = 0;  // no window: this century
  int y, m, d;
  DecodeDate(StrToDate("1/2/99", fs), y, m, d);
  EXPECT_EQ(y, year / 100 * 100 + 99);
  DecodeDate(StrToDate("1/2/0099", fs), y, m, d);  // four digits are taken as they stand
  EXPECT_EQ(y, 99);
}

TEST(StrToDate, RejectsWhatIsNotADate) {
  for (const char* bad : {"", "2/30/2024", "13/1/2024", "1/2/3/4", "1-2-2024", "1/2/", "x", "1/2/2024x",
                          "1/2/10000", "1//2"}) {
    TDateTime v;
    EXPECT_FALSE(TryStrToDate(bad, v)) << bad;
  }
  try {
    StrToDate("31/31/2024");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'31/31/2024' is not a valid date");
  }
}

TEST(StrToTime, HoursMinutesSecondsAndAmPm) {
  EXPECT_EQ(StrToTime("13:05"), EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(StrToTime("13:05:07.9"), EncodeTime(13, 5, 7, 9));  // digits after the point are ms
  EXPECT_EQ(StrToTime("7"), EncodeTime(7, 0, 0, 0));
  EXPECT_EQ(StrToTime("1:05 PM"), EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(StrToTime("12:00 am"), 0);
  EXPECT_EQ(StrToTime("12:30 PM"), EncodeTime(12, 30, 0, 0));
  EXPECT_EQ(StrToTime("PM 2:00"), EncodeTime(14, 0, 0, 0));
  const TFormatSettings de = German();
  EXPECT_EQ(StrToTime("1:05 nachm.", de), EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(StrToTime("13:05:07,250", de), EncodeTime(13, 5, 7, 250));
  for (const char* bad : {"", "24:00", "13:60", "13:05 PM", "0:30 AM", "1:", "1:2:3:4", "noon"}) {
    TDateTime v;
    EXPECT_FALSE(TryStrToTime(bad, v)) << bad;
  }
  try {
    StrToTime("25:00");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'25:00' is not a valid time");
  }
}

TEST(StrToDateTime, DateWithOptionalTimeAndRoundTrips) {
  EXPECT_EQ(StrToDateTime("2/29/2024 1:05:07 PM"), kLeapDay - EncodeTime(0, 0, 0, 9));
  EXPECT_EQ(StrToDateTime("2/29/2024"), EncodeDate(2024, 2, 29));
  EXPECT_EQ(StrToDateTime("13:05"), EncodeTime(13, 5, 0, 0));  // a time alone
  EXPECT_EQ(StrToDateTime("12/29/1899 6:00"), -1.25);           // before the epoch
  const TFormatSettings de = German();
  for (TDateTime v : {EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 0), EncodeDate(1850, 6, 1) + 0.5,
                      EncodeDate(2024, 2, 29)}) {
    EXPECT_EQ(StrToDateTime(DateTimeToStr(v)), v);
    EXPECT_EQ(StrToDateTime(DateTimeToStr(v, de), de), v);
  }
  try {
    StrToDateTime("2/29/2024 25:00");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'2/29/2024 25:00' is not a valid date and time");
  }
}

}  // namespace
}  // namespace lab
