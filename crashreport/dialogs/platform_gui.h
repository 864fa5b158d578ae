#pragma once
// The crash reporter's GUI over the framework's window manager (platform/controls): what CrashGui()
// answers unless a test puts another in place. A display is there unless the back-end is the
// headless one; a test may derive from it to show dialogs headless all the same.

#include "crashreport/dialogs/crash_gui.h"

namespace lab {

class TFrameworkGui : public TCrashGui {
 public:
  std::vector<win::HWND> TopLevelWindows() override;
  bool GetWindowInfo(win::HWND Window, TCrashWindowInfo& Info) override;
  win::HWND FocusedWindow() override;
  win::HWND ForegroundWindow() override;
  std::string WindowClassName(win::HWND Window) override;
  std::string WindowText(win::HWND Window) override;
  bool IsIconic(win::HWND Window) override;
  win::HWND LastActivePopup(win::HWND Owner) override;
  bool PostMessage(win::HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) override;
  win::LRESULT SendMessage(win::HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) override;
  bool ShowWindow(win::HWND Window, int Cmd) override;
  bool SetForegroundWindow(win::HWND Window) override;
  const void* CurrentCursor() override;
  TPoint CursorPos() override;
  bool GetCursorImage(const void* Cursor, TCrashPicture& Image, TPoint& HotSpot) override;
  bool Ping(win::HWND Window, unsigned TimeoutMs) override;
  bool PeekMessage(win::MSG& Msg) override;
  void DispatchMessage(const win::MSG& Msg) override;
  void ServeSentMessages() override;
  void ThreadStopped(std::uint32_t ThreadID) override;
  void Beep() override;
  TRect ScreenRect() override;
  int ScreenBitsPerPixel() override;
  // The visible top-level windows' surfaces laid over each other, the bottom-most first, on black.
  bool CopyScreenPixels(const TRect& Area, TCrashPicture& Picture) override;
  int MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) override;
  bool SetClipboardText(const std::string& Text) override;

  bool HasDisplay() override;
  std::intptr_t DialogBox(const std::string& Template, const TDialogProc& Proc) override;
  win::HWND CreateDialog(const std::string& Template, win::HWND Parent, const TDialogProc& Proc) override;
  bool EndDialog(win::HWND Dialog, std::intptr_t Result) override;
  win::HWND GetDlgItem(win::HWND Dialog, int ID) override;
  bool DestroyWindow(win::HWND Window) override;
  bool EnableWindow(win::HWND Window, bool Enable) override;
  bool SetWindowPos(win::HWND Window, win::HWND InsertAfter, const TRect& Bounds, win::UINT Flags) override;
  TRect ClientRect(win::HWND Window) override;
  TRect ChildBounds(win::HWND Window) override;
  void SetWindowStyles(win::HWND Window, std::uint32_t Style, std::uint32_t ExStyle) override;
  bool SetFocus(win::HWND Window) override;
  bool InvalidateRect(win::HWND Window, const TRect* Rect) override;
  bool SetTimer(win::HWND Window, win::UINT_PTR ID, unsigned Milliseconds) override;
  bool KillTimer(win::HWND Window, win::UINT_PTR ID) override;
  win::HDC BeginPaint(win::HWND Window, win::PAINTSTRUCT& Paint) override;
  void EndPaint(win::HWND Window, const win::PAINTSTRUCT& Paint) override;
  win::HDC GetDC(win::HWND Window) override;
  void ReleaseDC(win::HWND Window, win::HDC DC) override;
  void ShowCursor(int Cursor) override;
  // xdg-open, left to run on its own.
  bool OpenDocument(const std::string& Url) override;
};

}  // namespace lab
