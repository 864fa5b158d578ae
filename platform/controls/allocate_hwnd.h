#pragma once
// Hidden message windows whose window procedure is a bound method (timers, the application's own
// window, anything that only needs messages delivered on its thread).

#include "platform/controls/messages.h"

namespace lab {

// The method gets every message and answers through Result; what it does not handle it passes to
// DefWindowProc itself.
win::HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(win::HWND wnd);

}  // namespace lab
