#pragma once
// A GUI the crash reporter can be tested against: windows, messages, boxes and the clipboard as
// plain data, and every call recorded. It puts itself in place while it exists.

#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "crashreport/dialogs/crash_gui.h"
#include "platform/controls/dialogs.h"

namespace lab::testing {

class TFakeCrashGui : public TCrashGui {
 public:
  struct TWindow {
    win::HWND Handle = nullptr;
    TCrashWindowInfo Info;
    std::string ClassName;
    std::string Text;
    bool Iconic = false;
  };
  struct TBox {
    std::string Text;
    std::string Caption;
    win::UINT Flags = 0;
  };

  TFakeCrashGui() : previous_(SetCrashGui(this)) {}
  ~TFakeCrashGui() override { SetCrashGui(previous_); }
  TFakeCrashGui(const TFakeCrashGui&) = delete;
  TFakeCrashGui& operator=(const TFakeCrashGui&) = delete;

  static win::HWND Handle(std::uintptr_t Number) { return reinterpret_cast<win::HWND>(Number); }
  // Adds a window below those already there.
  TWindow& Add(std::uintptr_t Number, std::uint32_t ProcessID) {
    TWindow w;
    w.Handle = Handle(Number);
    w.Info.ProcessID = ProcessID;
    w.Info.Visible = true;
    Windows.push_back(w);
    return Windows.back();
  }

  std::vector<TWindow> Windows;  // the top-most first
  win::HWND Focused = nullptr;
  win::HWND Foreground = nullptr;
  win::HWND Popup = nullptr;  // the last active popup of every window, when set
  std::set<win::HWND> Answering;
  std::deque<win::MSG> Queue;
  std::vector<win::MSG> Posted, Dispatched, Sent;
  win::LRESULT SendAnswer = 0;
  std::vector<std::pair<win::HWND, int>> Shown;
  std::vector<win::HWND> MadeForeground;
  std::vector<TBox> Boxes;
  int BoxAnswer = win::IDOK;
  std::vector<std::string> Clipboard;
  int Beeps = 0;
  int SentServed = 0;
  std::vector<std::uint32_t> Stopped;
  TRect Screen{0, 0, 640, 480};
  int ScreenBits = 24;
  std::uint32_t ScreenColor = 0xFF336699;
  std::function<std::uint32_t(int X, int Y)> ScreenPixel;  // when set, the screen's pixels
  std::vector<TRect> Copied;                               // the areas asked for
  const void* Cursor = nullptr;
  TCrashPicture CursorImage;  // Cursor's
  TPoint CursorHotSpot;
  TPoint Mouse;

  std::vector<win::HWND> TopLevelWindows() override {
    std::vector<win::HWND> handles;
    for (const TWindow& w : Windows) handles.push_back(w.Handle);
    return handles;
  }
  bool GetWindowInfo(win::HWND Window, TCrashWindowInfo& Info) override {
    const TWindow* w = Find(Window);
    if (w) Info = w->Info;
    return w != nullptr;
  }
  win::HWND FocusedWindow() override { return Focused; }
  win::HWND ForegroundWindow() override { return Foreground; }
  std::string WindowClassName(win::HWND Window) override {
    const TWindow* w = Find(Window);
    return w ? w->ClassName : std::string();
  }
  std::string WindowText(win::HWND Window) override {
    const TWindow* w = Find(Window);
    return w ? w->Text : std::string();
  }
  bool IsIconic(win::HWND Window) override {
    const TWindow* w = Find(Window);
    return w && w->Iconic;
  }
  win::HWND LastActivePopup(win::HWND Owner) override { return Popup ? Popup : Owner; }
  bool PostMessage(win::HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) override {
    win::MSG m;
    m.hwnd = Window;
    m.message = Msg;
    m.wParam = WParam;
    m.lParam = LParam;
    Posted.push_back(m);
    Queue.push_back(m);
    return true;
  }
  win::LRESULT SendMessage(win::HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) override {
    win::MSG m;
    m.hwnd = Window;
    m.message = Msg;
    m.wParam = WParam;
    m.lParam = LParam;
    Sent.push_back(m);
    return SendAnswer;
  }
  bool ShowWindow(win::HWND Window, int Cmd) override {
    Shown.emplace_back(Window, Cmd);
    return true;
  }
  bool SetForegroundWindow(win::HWND Window) override {
    MadeForeground.push_back(Window);
    Foreground = Window;
    return true;
  }
  const void* CurrentCursor() override { return Cursor; }
  TPoint CursorPos() override { return Mouse; }
  bool GetCursorImage(const void* Handle, TCrashPicture& Image, TPoint& HotSpot) override {
    if (!Handle || Handle != Cursor) return false;
    Image = CursorImage;
    HotSpot = CursorHotSpot;
    return true;
  }

  bool Ping(win::HWND Window, unsigned) override { return Answering.count(Window) != 0; }
  bool PeekMessage(win::MSG& Msg) override {
    if (Queue.empty()) return false;
    Msg = Queue.front();
    Queue.pop_front();
    return true;
  }
  void DispatchMessage(const win::MSG& Msg) override { Dispatched.push_back(Msg); }
  void ServeSentMessages() override { ++SentServed; }
  void ThreadStopped(std::uint32_t ThreadID) override { Stopped.push_back(ThreadID); }
  void Beep() override { ++Beeps; }

  TRect ScreenRect() override { return Screen; }
  int ScreenBitsPerPixel() override { return ScreenBits; }
  bool CopyScreenPixels(const TRect& Area, TCrashPicture& Picture) override {
    Copied.push_back(Area);
    Picture.Area = Area;
    Picture.Pixels.assign(static_cast<std::size_t>(Area.Width()) * static_cast<std::size_t>(Area.Height()),
                          ScreenColor);
    if (ScreenPixel)
      for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x)
          Picture.Pixels[static_cast<std::size_t>(y - Area.Top) * Area.Width() + (x - Area.Left)] = ScreenPixel(x, y);
    return !Area.IsEmpty();
  }

  int MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) override {
    Boxes.push_back(TBox{Text, Caption, Flags});
    return BoxAnswer;
  }
  bool SetClipboardText(const std::string& Text) override {
    Clipboard.push_back(Text);
    return true;
  }

  // Dialogs: the templates asked for, each answered by OnDialog (when set) or DialogAnswer; the
  // window operations a procedure would make do nothing.
  bool HasDisplay() override { return Display; }
  std::intptr_t DialogBox(const std::string& Template, const TDialogProc& Proc) override {
    Dialogs.push_back(Template);
    return OnDialog ? OnDialog(Template, Proc) : DialogAnswer;
  }
  win::HWND CreateDialog(const std::string&, win::HWND, const TDialogProc&) override { return nullptr; }
  bool EndDialog(win::HWND, std::intptr_t) override { return false; }
  win::HWND GetDlgItem(win::HWND, int) override { return nullptr; }
  bool DestroyWindow(win::HWND) override { return false; }
  bool EnableWindow(win::HWND, bool) override { return false; }
  bool SetWindowPos(win::HWND, win::HWND, const TRect&, win::UINT) override { return false; }
  TRect ClientRect(win::HWND) override { return {}; }
  TRect ChildBounds(win::HWND) override { return {}; }
  void SetWindowStyles(win::HWND, std::uint32_t, std::uint32_t) override {}
  bool SetFocus(win::HWND) override { return false; }
  bool InvalidateRect(win::HWND, const TRect*) override { return false; }
  bool SetTimer(win::HWND, win::UINT_PTR, unsigned) override { return false; }
  bool KillTimer(win::HWND, win::UINT_PTR) override { return false; }
  win::HDC BeginPaint(win::HWND, win::PAINTSTRUCT&) override { return nullptr; }
  void EndPaint(win::HWND, const win::PAINTSTRUCT&) override {}
  win::HDC GetDC(win::HWND) override { return nullptr; }
  void ReleaseDC(win::HWND, win::HDC) override {}
  void ShowCursor(int) override {}
  bool OpenDocument(const std::string& Url) override {
    Documents.push_back(Url);
    return true;
  }

  bool Display = false;
  std::vector<std::string> Dialogs;
  std::function<std::intptr_t(const std::string& Template, const TDialogProc& Proc)> OnDialog;
  std::intptr_t DialogAnswer = -1;
  std::vector<std::string> Documents;

 private:
  const TWindow* Find(win::HWND Window) const {
    for (const TWindow& w : Windows)
      if (w.Handle == Window) return &w;
    return nullptr;
  }

  TCrashGui* previous_;
};

}  // namespace lab::testing
