#pragma once
// The window services of the crash reporter, over its narrow GUI (crash_gui.h). Each swallows its
// failures: a window or clipboard operation that cannot be done does nothing.

#include <cstdint>
#include <string>

#include "platform/controls/win_types.h"

namespace lab {

// Puts a non-empty text on the clipboard as text.
void CopyTextToClipboard(const std::string& Text);

// The first top-level window of the process that can be its main window: visible; without an owner,
// or owned by a tool window that has no owner itself; and either not a tool window or one marked
// WS_EX_APPWINDOW. nullptr when none.
win::HWND FindProcessMainWindow(std::uint32_t ProcessID);
// Brings the program's main window to the front: a minimised one is restored (one pending message
// is served meanwhile) and shown; otherwise its last active window becomes the foreground window.
void ActivateWindow();
// Serves one message of the calling thread, unless it is WM_QUIT; false when none was waiting.
bool ProcessOneMessage();

// Records every top-level window of this process; IsNewWindow is true for a window made since.
void SnapshotWindows();
bool IsOwnProcessWindow(win::HWND Window);
bool IsNewWindow(win::HWND Window);

}  // namespace lab
