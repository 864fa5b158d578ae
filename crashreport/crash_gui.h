#pragma once
// The crash reporter's narrow view of the GUI: the program's windows, the ping by which the message
// loop shows it still runs, the pixels of the screen for the screenshot, and message boxes and the
// clipboard. The crash reporter reaches the GUI only through it, so it serves console programs too;
// the framework's (over platform/controls) is in place unless a test puts a fake there.

#include <cstdint>
#include <string>
#include <vector>

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

  // The message loop. Ping sends WM_NULL and answers whether the window's thread served it within
  // TimeoutMs. PeekMessage takes the calling thread's next message; DispatchMessage translates and
  // dispatches it.
  virtual bool Ping(win::HWND Window, unsigned TimeoutMs) = 0;
  virtual bool PeekMessage(win::MSG& Msg) = 0;
  virtual void DispatchMessage(const win::MSG& Msg) = 0;
  virtual void Beep() = 0;

  // Surfaces: the screen's size, and the pixels of an area of it as the windows show them.
  virtual TRect ScreenRect() = 0;
  virtual int ScreenBitsPerPixel() = 0;
  virtual bool CopyScreenPixels(const TRect& Area, TCrashPicture& Picture) = 0;

  // Dialogs and the clipboard. MessageBox answers IDOK ... IDNO.
  virtual int MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) = 0;
  virtual bool SetClipboardText(const std::string& Text) = 0;
};

// The GUI in place.
TCrashGui& CrashGui();
// Puts Gui in place (nullptr: the framework's again); answers the one that was.
TCrashGui* SetCrashGui(TCrashGui* Gui);

}  // namespace lab
