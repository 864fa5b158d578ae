#pragma once
// The crash reporter's narrow view of the GUI: the program's windows, the ping by which the message
// loop shows it still runs, the pixels of the screen for the screenshot, message boxes, the
// clipboard, and the dialogs of its own with what their procedures do to their windows. The crash
// reporter reaches the GUI only through it, so it serves console programs too;
// the framework's (over platform/controls) is in place unless a test puts a fake there.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/controls/painting.h"
#include "platform/controls/win_types.h"
#include "platform/rtl/geometry.h"

namespace lab {

struct TCrashWindowInfo {
  win::HWND Owner = nullptr;
  std::uint32_t ProcessID = 0;
  std::uint32_t ThreadID = 0;  // the thread whose queue serves it
  bool Visible = false;
  std::uint32_t Style = 0;
  std::uint32_t ExStyle = 0;
  TRect Bounds;  // on the screen
};

// Pixels 0xFFRRGGBB, row by row from the top; Area is where they were taken on the screen.
struct TCrashPicture {
  TRect Area;
  std::vector<std::uint32_t> Pixels;

  int Width() const noexcept { return Area.Width(); }
  int Height() const noexcept { return Area.Height(); }
};

class TCrashGui {
 public:
  virtual ~TCrashGui() = default;

  // Windows. TopLevelWindows lists every top-level window, the top-most first.
  virtual std::vector<win::HWND> TopLevelWindows() = 0;
  // False for a window that does not exist (any more).
  virtual bool GetWindowInfo(win::HWND Window, TCrashWindowInfo& Info) = 0;
  virtual win::HWND FocusedWindow() = 0;
  virtual win::HWND ForegroundWindow() = 0;
  virtual std::string WindowClassName(win::HWND Window) = 0;
  // Answers without waiting for the window's thread, which may be the one that is stuck.
  virtual std::string WindowText(win::HWND Window) = 0;
  virtual bool IsIconic(win::HWND Window) = 0;
  // The window of Owner's family that was active last (Owner itself when none).
  virtual win::HWND LastActivePopup(win::HWND Owner) = 0;
  virtual bool PostMessage(win::HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) = 0;
  // Sends a message and answers the window's result (0 for a window that does not exist); how the
  // report's views (a list view, a rich-text view) are filled.
  virtual win::LRESULT SendMessage(win::HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) = 0;
  virtual bool ShowWindow(win::HWND Window, int Cmd) = 0;
  virtual bool SetForegroundWindow(win::HWND Window) = 0;
  // The mouse cursor shown now (an opaque handle) and where the mouse is.
  virtual const void* CurrentCursor() = 0;
  virtual TPoint CursorPos() = 0;
  // The image of a cursor CurrentCursor answered: straight (not premultiplied) 0xAARRGGBB pixels
  // with Area at 0, 0 giving its size, and its hot spot. False for none (a hidden cursor).
  virtual bool GetCursorImage(const void* Cursor, TCrashPicture& Image, TPoint& HotSpot) = 0;

  // The message loop. Ping sends WM_NULL and answers whether the window's thread served it within
  // TimeoutMs. PeekMessage takes the calling thread's next message; DispatchMessage translates and
  // dispatches it. ServeSentMessages runs what other threads sent to the calling thread's windows and
  // takes nothing else.
  virtual bool Ping(win::HWND Window, unsigned TimeoutMs) = 0;
  virtual bool PeekMessage(win::MSG& Msg) = 0;
  virtual void DispatchMessage(const win::MSG& Msg) = 0;
  virtual void ServeSentMessages() = 0;
  // A thread stopped for good (in the handler of a fault that ends the program): what is sent to its
  // windows fails at once instead of waiting for it.
  virtual void ThreadStopped(std::uint32_t ThreadID) = 0;
  virtual void Beep() = 0;

  // Surfaces: the screen's size, and the pixels of an area of it as the windows show them.
  virtual TRect ScreenRect() = 0;
  virtual int ScreenBitsPerPixel() = 0;
  virtual bool CopyScreenPixels(const TRect& Area, TCrashPicture& Picture) = 0;

  // Dialogs and the clipboard. MessageBox answers IDOK ... IDNO.
  virtual int MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) = 0;
  virtual bool SetClipboardText(const std::string& Text) = 0;

  // Whether a person can see what is shown: without a display no dialog opens.
  virtual bool HasDisplay() = 0;
  // Dialogs made from the templates among the resources (platform/controls/dialog_box.h), run by a
  // dialog procedure on the calling thread. DialogBox answers EndDialog's result, -1 when the
  // dialog cannot be made; CreateDialog makes a child dialog inside Parent (nullptr: none made).
  using TDialogProc = std::function<std::intptr_t(win::HWND, win::UINT, win::WPARAM, win::LPARAM)>;
  virtual std::intptr_t DialogBox(const std::string& Template, const TDialogProc& Proc) = 0;
  virtual win::HWND CreateDialog(const std::string& Template, win::HWND Parent, const TDialogProc& Proc) = 0;
  virtual bool EndDialog(win::HWND Dialog, std::intptr_t Result) = 0;
  virtual win::HWND GetDlgItem(win::HWND Dialog, int ID) = 0;
  virtual bool DestroyWindow(win::HWND Window) = 0;
  virtual bool EnableWindow(win::HWND Window, bool Enable) = 0;
  // Bounds in the parent's client area (on the screen for a top-level window); SWP_ flags.
  virtual bool SetWindowPos(win::HWND Window, win::HWND InsertAfter, const TRect& Bounds, win::UINT Flags) = 0;
  virtual TRect ClientRect(win::HWND Window) = 0;
  // A child window's bounds in its parent's client area.
  virtual TRect ChildBounds(win::HWND Window) = 0;
  virtual void SetWindowStyles(win::HWND Window, std::uint32_t Style, std::uint32_t ExStyle) = 0;
  virtual bool SetFocus(win::HWND Window) = 0;
  virtual bool InvalidateRect(win::HWND Window, const TRect* Rect) = 0;
  // Window timers: WM_TIMER with the ID every Milliseconds.
  virtual bool SetTimer(win::HWND Window, win::UINT_PTR ID, unsigned Milliseconds) = 0;
  virtual bool KillTimer(win::HWND Window, win::UINT_PTR ID) = 0;
  // Painting inside WM_PAINT, and a context of the window for measuring.
  virtual win::HDC BeginPaint(win::HWND Window, win::PAINTSTRUCT& Paint) = 0;
  virtual void EndPaint(win::HWND Window, const win::PAINTSTRUCT& Paint) = 0;
  virtual win::HDC GetDC(win::HWND Window) = 0;
  virtual void ReleaseDC(win::HWND Window, win::HDC DC) = 0;
  // The mouse cursor while over a window that answers WM_SETCURSOR (a TCursor number).
  virtual void ShowCursor(int Cursor) = 0;
  // Opens a web page or file in the program the desktop has for it; false when none started.
  virtual bool OpenDocument(const std::string& Url) = 0;
};

// The GUI in place.
TCrashGui& CrashGui();
// Puts Gui in place (nullptr: the framework's again); answers the one that was.
TCrashGui* SetCrashGui(TCrashGui* Gui);

}  // namespace lab
