#pragma once
// The window services of the crash reporter, over its narrow GUI (crash_gui.h). Each swallows its
// failures: a window or clipboard operation that cannot be done does nothing.

#include <cstdint>
#include <string>

#include "crashreport/process_state.h"
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
// What a thread serves while it waits for its report: the messages other threads send to its
// windows (a dialog of another thread that takes the focus sends some) and, with Pump, at most 11
// messages of its queue: mouse and keyboard input is dropped with a beep, the rest is dispatched
// but WM_QUIT, which stays for the program's own loop. False when a message failed: the caller then
// pumps no more.
bool ServeWaitingThread(bool Pump) noexcept;

// A message box of the crash reporter (MB_ flags; answers IDOK ... IDNO). Without a display nothing
// shows and the answer is the box's default button. While a report is made it shows in the thread
// that raised the exception when that thread serves its messages, so its windows take part as they
// do in the thread's own boxes.
int CrashMessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags);
// The button a box of Flags answers when nobody is asked: its default (MB_DEFBUTTON1 to 3, the last
// button when there are fewer).
int DefaultBoxAnswer(win::UINT Flags) noexcept;

// What the user was at when the exception came: the focused window and the mouse cursor (for the
// screenshot's frame and cursor) and the focused control's class and text, 256 characters at most,
// the text of a password edit ("EDIT" in its class, ES_PASSWORD) as stars.
void RecordActiveControl(TExceptNotifyParams& Params);

// Records every top-level window of this process; IsNewWindow is true for a window made since.
void SnapshotWindows();
bool IsOwnProcessWindow(win::HWND Window);
bool IsNewWindow(win::HWND Window);

}  // namespace lab
