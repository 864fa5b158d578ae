#pragma once
// Threads as the crash reporter follows them: what escapes the Execute of a thread of the framework's
// thread class is reported in that thread, and then kept by the thread as before (FatalException).

namespace lab {

// Put in place by the crash reporter's start-up and taken away at its shut-down.
void InstallThreadTracking();
void RemoveThreadTracking();

}  // namespace lab
