#pragma once
// The window manager: window objects with class, styles, parent, bounds, visibility, enabled state
// and z-order; their window procedures; focus, activation and mouse capture. The functions carry the
// Win32 names and meanings (platform/win re-exports them). Any thread may call them; a window belongs
// to the thread that created it, and its procedure runs there.

#include <functional>
#include <string>
#include <string_view>

#include "platform/controls/message_queue.h"
#include "platform/controls/window_styles.h"
#include "platform/rtl/geometry.h"

namespace lab::wm {

using win::BOOL;
using win::LONG_PTR;
using win::POINT;
using win::RECT;
using win::WNDPROC;

struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0, cx = 0, y = 0, x = 0;
  DWORD style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc;
  int hCursor = 0;  // a cursor number of the framework, shown over the client area (0: the arrow)
  std::string lpszClassName;
};

// Registers (or replaces) a window class; class names compare case-insensitively.
bool RegisterClass(const WNDCLASS& wc);
bool GetClassInfo(std::string_view className, WNDCLASS& out);

// Creates a window. A class that was never registered gets DefWindowProc. `proc`, when given,
// replaces the class procedure from the first message on (how a control receives WM_CREATE).
HWND CreateWindowEx(DWORD exStyle, std::string_view className, std::string_view text, DWORD style,
                    int x, int y, int width, int height, HWND parent, UINT_PTR id,
                    void* createParams = nullptr, const WNDPROC* proc = nullptr);
bool DestroyWindow(HWND hwnd);

bool IsWindow(HWND hwnd);
// The window and every ancestor have WS_VISIBLE.
bool IsWindowVisible(HWND hwnd);
bool IsWindowEnabled(HWND hwnd);
bool EnableWindow(HWND hwnd, bool enable);
// SW_SHOWMAXIMIZED, SW_MINIMIZE (SW_SHOWMINIMIZED, SW_SHOWMINNOACTIVE) and SW_RESTORE (SW_SHOWNORMAL)
// also ask for a top-level window's show state: with a display whose window manager offers it, the
// state comes when the window manager has made it; where it does not, the window stays as it is;
// headless, the window takes it at once (maximised, it fills the screen). A minimised window stays
// visible, as an icon.
bool ShowWindow(HWND hwnd, int cmd);
bool IsIconic(HWND hwnd);
bool IsZoomed(HWND hwnd);
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
bool MoveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint);
bool BringWindowToTop(HWND hwnd);

HWND GetParent(HWND hwnd);
HWND SetParent(HWND child, HWND newParent);
HWND GetWindow(HWND hwnd, UINT relation);
// The top-level window that holds hwnd (hwnd itself when it is one).
HWND GetTopLevel(HWND hwnd);
bool IsChild(HWND parent, HWND hwnd);
// Calls back for every top-level window (topmost first), or every descendant of parent (each
// window before its children), until the callback answers false.
using WNDENUMPROC = std::function<bool(HWND)>;
bool EnumWindows(const WNDENUMPROC& proc);
bool EnumChildWindows(HWND parent, const WNDENUMPROC& proc);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

bool GetWindowRect(HWND hwnd, RECT& r);
bool GetClientRect(HWND hwnd, RECT& r);
bool ClientToScreen(HWND hwnd, POINT& p);
bool ScreenToClient(HWND hwnd, POINT& p);
// Maps points from the client area of `from` to that of `to` (nullptr: the screen).
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
// The deepest visible window under a screen point.
HWND WindowFromPoint(POINT screen);
// The deepest window of the top-level window TopLevel at a screen point (TopLevel itself where none
// of its children is); nullptr when TopLevel is gone or hidden.
HWND WindowFromPointIn(HWND TopLevel, POINT screen);
// The visible child of parent under a point of its client area (parent itself when none).
HWND ChildWindowFromPoint(HWND parent, POINT client);

LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
// The window procedure slot, typed (GWLP_WNDPROC holds a function object here).
WNDPROC GetWindowProc(HWND hwnd);
WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc);
LRESULT CallWindowProc(const WNDPROC& proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

bool SetWindowText(HWND hwnd, std::string_view text);
// WM_GETTEXT on the window's own thread; from another thread the text the window keeps, so a
// thread that is stuck cannot hold the caller up.
std::string GetWindowText(HWND hwnd);
int GetWindowTextLength(HWND hwnd);
std::string GetClassName(HWND hwnd);

// The default handling of every message a window procedure does not handle itself.
LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Keyboard focus, activation and capture (one each for the whole process).
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
HWND SetCapture(HWND hwnd);
bool ReleaseCapture();
HWND GetCapture();

// Recomputes the client area (WM_NCCALCSIZE) and marks the frame for repainting, after a change of
// style or scroll bars; sends WM_SIZE when the client size changed.
void FrameChanged(HWND hwnd);

}  // namespace lab::wm
