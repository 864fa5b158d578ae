#pragma once
// The sending-progress dialog ("CR_Server"): a line of text over a progress bar while a report is
// sent. It runs on a thread of its own, so it paints while the sending thread waits on the network,
// and the sender moves it on through the calls below, which do nothing while no dialog is up.
//
// A sender's attempt:
//   StartSendDialogThread();
//   SetSendProgressText("Message 1/2: Connecting with server...");
//   SetSendProgressPosition(40);
//   CloseSendDialog();

#include <string>

namespace lab {

// How long starting the dialog waits for it to take the focus. Past it sending goes on without it:
// a window manager that never gives the focus must not hang a crashed program.
inline constexpr unsigned kSendDialogFocusWaitMs = 3000;

// Clears the dialog's state. When SendFlags bit 0 asks for the dialog, a send method is set and a
// display is there, shows it on a thread of its own and waits (polling every 50 ms, at most
// kSendDialogFocusWaitMs) until it has the focus; otherwise only marks the dialogs as painted, so
// nothing waits for one. Answers whether the dialog was started.
bool StartSendDialogThread();
// The status line (item 100) and the bar (item 101, from 0 to 100).
void SetSendProgressText(const std::string& Text);
void SetSendProgressPosition(int Percent);
// Ends the dialog and waits for its thread; nothing when none was started.
void CloseSendDialog();

// The dialog on the calling thread, until the sender ends it; what the dialog's thread runs.
void ShowSendProgressDialog();

}  // namespace lab
