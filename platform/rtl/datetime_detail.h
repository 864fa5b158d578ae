#pragma once
// Shared inside the date and time routines.

#include <cstdint>

#include "platform/rtl/datetime.h"

namespace lab::detail {

// A value rounded to the millisecond: the day (its integer part) and the milliseconds into it.
struct TSplitDateTime {
  std::int64_t Day = 0;
  int MSecOfDay = 0;
};
TSplitDateTime SplitDateTime(TDateTime value);

// The date of a day number; 0/0/0 before 0001-01-01.
void DayToDate(std::int64_t day, int& year, int& month, int& dayOfMonth);

// A date plus a time of day, counting the time forward from midnight also before 1899-12-30.
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

}  // namespace lab::detail
