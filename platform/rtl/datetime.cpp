#include "platform/rtl/datetime.h"

#include <cmath>
#include <cstdint>

#include "platform/rtl/arith.h"
#include "platform/rtl/datetime_detail.h"
#include "platform/rtl/exceptions.h"

namespace lab {

namespace {

// TDateTime 0 is 1899-12-30, 25569 days before 1970-01-01.
constexpr std::int64_t kUnixDay = 25569;
constexpr std::int64_t kFirstDay = 1 - DateDelta;  // 0001-01-01

// Days since 1970-01-01 of a proleptic Gregorian date (eras of 400 years from March 1st).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

}  // namespace

namespace detail {

TSplitDateTime SplitDateTime(TDateTime value) {
  const std::int64_t ms = Round(value * MSecsPerDay);
  TSplitDateTime out;
  out.Day = ms / MSecsPerDay;  // toward zero: the day of a negative value is its integer part
  out.MSecOfDay = static_cast<int>((ms < 0 ? -ms : ms) % MSecsPerDay);
  return out;
}

void DayToDate(std::int64_t day, int& year, int& month, int& dayOfMonth) {
  std::int64_t y = 0;
  if (day < kFirstDay) {
    year = month = dayOfMonth = 0;
    return;
  }
  CivilFromDays(day - kUnixDay, y, month, dayOfMonth);
  year = static_cast<int>(y);
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - std::fabs(time) : date + std::fabs(time);
}

}  // namespace detail

bool IsLeapYear(int year) noexcept {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInAMonth(int year, int month) noexcept {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) noexcept {
  if (year < 1 || year > 9999 || day < 1 || day > DaysInAMonth(year, month)) return false;
  date = static_cast<double>(DaysFromCivil(year, month, day) + kUnixDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime date;
  if (!TryEncodeDate(year, month, day, date)) throw EConvertError("Invalid argument to date encode");
  return date;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) noexcept {
  if (hour < 0 || hour >= HoursPerDay || min < 0 || min >= MinsPerHour || sec < 0 ||
      sec >= SecsPerMin || msec < 0 || msec >= MSecsPerSec)
    return false;
  const int ms = ((hour * MinsPerHour + min) * SecsPerMin + sec) * MSecsPerSec + msec;
  time = static_cast<double>(ms) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime time;
  if (!TryEncodeTime(hour, min, sec, msec, time)) throw EConvertError("Invalid argument to time encode");
  return time;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  detail::DayToDate(detail::SplitDateTime(value).Day, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& min, int& sec, int& msec) {
  int ms = detail::SplitDateTime(value).MSecOfDay;
  msec = ms % MSecsPerSec;
  ms /= MSecsPerSec;
  sec = ms % SecsPerMin;
  ms /= SecsPerMin;
  min = ms % MinsPerHour;
  hour = ms / MinsPerHour;
}

int DayOfWeek(TDateTime value) {
  // Day 1 of the count (0001-01-01) was a Monday.
  const std::int64_t stamp = detail::SplitDateTime(value).Day + DateDelta;
  return static_cast<int>(((stamp % 7) + 7) % 7) + 1;
}

TDateTime IncMonth(TDateTime value, int months) {
  int year, month, day;
  DecodeDate(value, year, month, day);
  const std::int64_t index = static_cast<std::int64_t>(year) * 12 + (month - 1) + months;
  const std::int64_t y = index >= 0 ? index / 12 : (index - 11) / 12;
  const int m = static_cast<int>(index - y * 12) + 1;
  if (y < 1 || y > 9999) throw EConvertError("Invalid argument to date encode");
  const int newYear = static_cast<int>(y);
  const TDateTime date = EncodeDate(newYear, m, std::min(day, DaysInAMonth(newYear, m)));
  return detail::ComposeDateTime(date, value - std::trunc(value));
}

}  // namespace lab
