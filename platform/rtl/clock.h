#pragma once
// The clocks: local wall-clock time as TDateTime, and the Windows tick counter.

#include <cstdint>

#include "platform/rtl/datetime.h"

namespace lab {

TDateTime Now();   // local date and time, to the millisecond
TDateTime Date();  // today, midnight
TDateTime Time();  // the time of day alone

// Milliseconds since an unspecified start on a monotonic clock, wrapping at 2^32 like Windows' count:
// compare two readings by their unsigned difference.
std::uint32_t GetTickCount() noexcept;

}  // namespace lab
