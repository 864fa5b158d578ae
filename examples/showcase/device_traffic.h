#pragma once
// Device traffic as the lab's communication monitor shows it: time-stamped lines received from and
// sent to the tracers, blockers and edgers on the serial ports, made up from a fixed seed so every run
// shows the same lines.

#include "platform/rtl/string_list.h"

namespace showcase {

// Count lines the devices sent (Received) and the answers sent to them (Sent).
void FillDeviceTraffic(lab::TStrings* Received, lab::TStrings* Sent, int Count);

}  // namespace showcase
