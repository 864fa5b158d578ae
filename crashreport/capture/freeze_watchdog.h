#pragma once
// The freeze watchdog: a thread of the crash reporter's own that asks the program's main window again
// and again whether it still answers (WM_NULL, 50 ms each), resting a quarter of a second after every
// answer, and reports a freeze when the window has not answered for FreezeTimeout seconds: an
// EFrozenApplication with FreezeMessage, and the main thread's call stack where it stands. Watching
// then starts again from zero. It runs while the options of the running module have both Active and
// FreezeActive on; it never counts the time while a report is made or waited for (the main thread
// may be the one waiting).

#include <cstdint>

#include "platform/rtl/exceptions.h"

namespace lab {

LAB_EXCEPTION(EFrozenApplication, Exception);

// Started (Run) or stopped as the options switch; stopping waits for the thread to end.
void SwitchFreezeWatchdog(bool Run);
bool FreezeWatchdogRunning() noexcept;

// The time-out in milliseconds for FreezeTimeout seconds; 0, which turns the watch off, for none or
// fewer.
std::int64_t FreezeTimeoutMilliseconds(std::int32_t Seconds) noexcept;

}  // namespace lab
