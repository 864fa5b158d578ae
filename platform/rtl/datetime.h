#pragma once
// Dates and times as the framework keeps them: a TDateTime is a double counting days since
// 1899-12-30, its fraction the time of day. Before that day the integer part counts back and the
// fraction still counts forward from midnight: -1.25 is 1899-12-29 06:00.

#include <string>
#include <string_view>

#include "platform/rtl/format_settings.h"

namespace lab {

using TDateTime = double;

inline constexpr int HoursPerDay = 24;
inline constexpr int MinsPerHour = 60;
inline constexpr int SecsPerMin = 60;
inline constexpr int MSecsPerSec = 1000;
inline constexpr int MinsPerDay = HoursPerDay * MinsPerHour;
inline constexpr int SecsPerDay = MinsPerDay * SecsPerMin;
inline constexpr int MSecsPerDay = SecsPerDay * MSecsPerSec;
// Days from 0001-01-01 to 1899-12-30, plus one.
inline constexpr int DateDelta = 693594;

bool IsLeapYear(int year) noexcept;
int DaysInAMonth(int year, int month) noexcept;  // 0 for a month outside 1 .. 12

// Years 1 .. 9999. EncodeDate raises EConvertError "Invalid argument to date encode".
bool TryEncodeDate(int year, int month, int day, TDateTime& date) noexcept;
TDateTime EncodeDate(int year, int month, int day);
// A time of day, hour < 24. EncodeTime raises EConvertError "Invalid argument to time encode".
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) noexcept;
TDateTime EncodeTime(int hour, int min, int sec, int msec);

// Both round the value to the millisecond first, so 23:59:59.9996 is the next day's midnight.
// A day before 0001-01-01 decodes as 0/0/0. NaN and values beyond the 64-bit millisecond range
// raise EInvalidOp.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec);
// 1 for Sunday .. 7 for Saturday.
int DayOfWeek(TDateTime value);
// Moves by whole months, keeping the time; the day is cut to the length of the target month.
TDateTime IncMonth(TDateTime value, int months = 1);

// Pictures (letters in any case):
//   c  short date, then the long time unless it is midnight     d dd  day       ddd dddd  day name
//   ddddd short date  dddddd long date    m mm  month   mmm mmmm month name    yy yyyy  year
//   h hh  hour   n nn  minute ("m" right after an hour is the minute too)   s ss  second
//   z zzz  millisecond   t  short time   tt  long time
//   am/pm a/p  12-hour clock with these letters    ampm  12-hour clock with TimeAMString/TimePMString
//   /  DateSeparator   :  TimeSeparator   'x' "x"  literal text; other characters stand for themselves.
// An empty picture means "c".
std::string FormatDateTime(std::string_view format, TDateTime value,
                           const TFormatSettings& settings = FormatSettings);
void DateTimeToString(std::string& result, std::string_view format, TDateTime value,
                      const TFormatSettings& settings = FormatSettings);
std::string DateToStr(TDateTime value, const TFormatSettings& settings = FormatSettings);
std::string TimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings);

// Dates are two or three numbers joined by DateSeparator, in the order of ShortDateFormat's first
// day, month or year letter; without a year the current one is taken, and a year of at most two
// digits falls within TwoDigitYearCenturyWindow years before the current one (0: this century).
// Times are hour[:min[:sec[.msec]]] with TimeSeparator and DecimalSeparator, and an optional AM or PM
// (or TimeAMString/TimePMString) before or after. A date and time text may also be a time alone.
// Errors: EConvertError "'%s' is not a valid date", "... time", "... date and time".
bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings = FormatSettings);
bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings = FormatSettings);
bool TryStrToDateTime(std::string_view text, TDateTime& value,
                      const TFormatSettings& settings = FormatSettings);
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings = FormatSettings);
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings = FormatSettings);
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings = FormatSettings);

}  // namespace lab
