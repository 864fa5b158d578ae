#pragma once
// The Win32-style window functions: messages and the queue, timers, windows and their geometry,
// focus and capture, invalidation and painting, scroll bars, the caret, the keyboard state and the
// clipboard. They are the window manager's (platform/controls); this header gives them their Win32
// names in lab::win, beside the drawing functions of gdi.h.

#include "platform/controls/caret.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/cursor.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/input.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/messages.h"
#include "platform/controls/nc_layout.h"
#include "platform/controls/painting.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"

namespace lab::win {

// Messages, the queue and timers.
using wm::DispatchMessage;
using wm::GetMessage;
using wm::PeekMessage;
using wm::PostMessage;
using wm::PostQuitMessage;
using wm::PostThreadMessage;
using wm::SendMessage;
using wm::SendMessageTimeout;
using wm::TranslateMessage;
using wm::WaitMessage;
using wm::KillTimer;
using wm::SetTimer;
using wm::PM_NOREMOVE;
using wm::PM_NOYIELD;
using wm::PM_REMOVE;
using wm::SMTO_ABORTIFHUNG;
using wm::SMTO_BLOCK;
using wm::SMTO_NORMAL;
using wm::SMTO_NOTIMEOUTIFNOTHUNG;
using wm::USER_TIMER_MAXIMUM;
using wm::USER_TIMER_MINIMUM;
inline DWORD GetCurrentThreadId() { return wm::CurrentThreadId(); }

// Windows.
using wm::BringWindowToTop;
using wm::CallWindowProc;
using wm::ChildWindowFromPoint;
using wm::ClientToScreen;
using wm::CREATESTRUCT;
using wm::CreateWindowEx;
using wm::DefWindowProc;
using wm::DestroyWindow;
using wm::EnumChildWindows;
using wm::EnumWindows;
using wm::EnableWindow;
using wm::GetClassInfo;
using wm::GetClassName;
using wm::GetClientRect;
using wm::GetParent;
using wm::GetWindow;
using wm::GetWindowLongPtr;
using wm::GetWindowProc;
using wm::GetWindowRect;
using wm::GetWindowText;
using wm::GetWindowTextLength;
using wm::GetWindowThreadProcessId;
using wm::IsChild;
using wm::IsWindow;
using wm::IsWindowEnabled;
using wm::IsWindowVisible;
using wm::MapWindowPoints;
using wm::MoveWindow;
using wm::RegisterClass;
using wm::ScreenToClient;
using wm::SetParent;
using wm::SetWindowLongPtr;
using wm::SetWindowPos;
using wm::SetWindowProc;
using wm::SetWindowText;
using wm::ShowWindow;
using wm::WindowFromPoint;
using wm::WNDCLASS;
using wm::WNDENUMPROC;

// Focus, activation, capture.
using wm::GetActiveWindow;
using wm::GetCapture;
using wm::GetFocus;
using wm::ReleaseCapture;
using wm::SetActiveWindow;
using wm::SetCapture;
using wm::SetFocus;

// Painting.
using wm::BeginPaint;
using wm::EndPaint;
using wm::GetDC;
using wm::GetUpdateRect;
using wm::GetUpdateRgn;
using wm::GetWindowDC;
using wm::InvalidateRect;
using wm::InvalidateRgn;
using wm::ReleaseDC;
using wm::ScrollWindow;
using wm::ScrollWindowEx;
using wm::UpdateWindow;
using wm::ValidateRect;

// Scroll bars.
using wm::EnableScrollBar;
using wm::GetScrollInfo;
using wm::GetScrollPos;
using wm::GetScrollRange;
using wm::SetScrollInfo;
using wm::SetScrollPos;
using wm::SetScrollRange;
using wm::ShowScrollBar;

// The caret.
using wm::CreateCaret;
using wm::DestroyCaret;
using wm::GetCaretBlinkTime;
using wm::GetCaretPos;
using wm::HideCaret;
using wm::SetCaretBlinkTime;
using wm::SetCaretPos;
using wm::ShowCaret;

// The cursor shown (HCURSOR of cursors.h).
using wm::GetCursor;
using wm::SetCursor;

// Message boxes.
inline int MessageBox(HWND, const std::string& text, const std::string& caption, UINT flags) {
  return lab::MessageBox(text, caption, flags);
}
void MessageBeep(UINT type);

}  // namespace lab::win
