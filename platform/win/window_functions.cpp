#include "platform/win/window_functions.h"

#include "platform/controls/backend.h"

namespace lab::win {

void MessageBeep(UINT) { Backend().Beep(); }

}  // namespace lab::win
