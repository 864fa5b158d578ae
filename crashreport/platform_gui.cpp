// The crash reporter's GUI over the framework's window manager (platform/controls).

#include <algorithm>
#include <atomic>

#include "crashreport/crash_gui.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/cursor.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/input.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/gdi.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/graphics/system_metrics.h"
#include "platform/win/window_functions.h"

namespace lab {
namespace {

using win::HWND;

class TFrameworkGui final : public TCrashGui {
 public:
  std::vector<HWND> TopLevelWindows() override {
    std::vector<HWND> windows;
    wm::EnumWindows([&](HWND w) {
      windows.push_back(w);
      return true;
    });
    return windows;
  }

  bool GetWindowInfo(HWND Window, TCrashWindowInfo& Info) override {
    if (!wm::IsWindow(Window)) return false;
    Info.Owner = wm::GetWindow(Window, win::GW_OWNER);
    Info.ThreadID = wm::GetWindowThreadProcessId(Window, &Info.ProcessID);
    Info.Visible = wm::IsWindowVisible(Window);
    Info.Style = static_cast<std::uint32_t>(wm::GetWindowLongPtr(Window, win::GWL_STYLE));
    Info.ExStyle = static_cast<std::uint32_t>(wm::GetWindowLongPtr(Window, win::GWL_EXSTYLE));
    return wm::GetWindowRect(Window, Info.Bounds);
  }

  HWND FocusedWindow() override { return wm::GetFocus(); }
  HWND ForegroundWindow() override { return wm::GetActiveWindow(); }
  std::string WindowClassName(HWND Window) override { return wm::GetClassName(Window); }
  std::string WindowText(HWND Window) override { return wm::GetWindowText(Window); }
  // The window manager has no minimised state.
  bool IsIconic(HWND) override { return false; }

  HWND LastActivePopup(HWND Owner) override {
    HWND active = wm::GetActiveWindow();
    for (HWND w = active; w; w = wm::GetWindow(w, win::GW_OWNER))
      if (w == Owner) return active;
    return Owner;
  }

  bool PostMessage(HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) override {
    return wm::PostMessage(Window, Msg, WParam, LParam);
  }
  win::LRESULT SendMessage(HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) override {
    return wm::IsWindow(Window) ? wm::SendMessage(Window, Msg, WParam, LParam) : 0;
  }
  bool ShowWindow(HWND Window, int Cmd) override { return wm::ShowWindow(Window, Cmd); }
  bool SetForegroundWindow(HWND Window) override {
    if (!wm::IsWindow(Window)) return false;
    wm::BringWindowToTop(Window);
    wm::SetActiveWindow(Window);
    return true;
  }
  const void* CurrentCursor() override { return wm::GetCursor(); }
  TPoint CursorPos() override {
    TPoint p;
    win::GetCursorPos(p);
    return p;
  }

  bool Ping(HWND Window, unsigned TimeoutMs) override {
    win::LRESULT result = 0;
    return wm::SendMessageTimeout(Window, win::WM_NULL, 0, 0, wm::SMTO_BLOCK, TimeoutMs, &result);
  }
  bool PeekMessage(win::MSG& Msg) override { return wm::PeekMessage(Msg, nullptr, 0, 0, wm::PM_REMOVE); }
  void DispatchMessage(const win::MSG& Msg) override {
    wm::TranslateMessage(Msg);
    wm::DispatchMessage(Msg);
  }
  void Beep() override { win::MessageBeep(0); }

  int ScreenBitsPerPixel() override { return win::GetDeviceCaps(nullptr, win::BITSPIXEL); }
  TRect ScreenRect() override {
    return TRect{0, 0, win::GetSystemMetrics(win::SM_CXSCREEN), win::GetSystemMetrics(win::SM_CYSCREEN)};
  }

  // The visible top-level windows' surfaces laid over each other, the bottom-most first, on black.
  bool CopyScreenPixels(const TRect& Area, TCrashPicture& Picture) override {
    if (Area.IsEmpty()) return false;
    Picture.Area = Area;
    Picture.Pixels.assign(static_cast<std::size_t>(Area.Width()) * static_cast<std::size_t>(Area.Height()),
                          0xFF000000u);
    std::vector<HWND> windows = TopLevelWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
      TCrashWindowInfo info;
      if (!GetWindowInfo(*it, info) || !info.Visible) continue;
      TGdiBitmap* surface = wm::WindowSurface(*it);
      if (!surface) continue;
      surface->BeginDirect();
      const int left = std::max(Area.Left, info.Bounds.Left), right = std::min(Area.Right, info.Bounds.Right);
      const int top = std::max(Area.Top, info.Bounds.Top), bottom = std::min(Area.Bottom, info.Bounds.Bottom);
      for (int y = top; y < bottom; ++y) {
        const int sy = y - info.Bounds.Top;
        if (sy >= surface->Height()) break;
        const std::uint32_t* row = surface->Row(sy);
        std::uint32_t* out = Picture.Pixels.data() + static_cast<std::size_t>(y - Area.Top) * Area.Width();
        for (int x = left; x < right && x - info.Bounds.Left < surface->Width(); ++x)
          out[x - Area.Left] = row[x - info.Bounds.Left] | 0xFF000000u;
      }
    }
    return true;
  }

  int MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) override {
    return lab::MessageBox(Text, Caption, Flags);
  }

  bool SetClipboardText(const std::string& Text) override {
    if (!win::OpenClipboard(nullptr)) return false;
    const bool done = win::EmptyClipboard() && win::SetClipboardData(win::CF_TEXT, Text);
    win::CloseClipboard();
    return done;
  }
};

TFrameworkGui& FrameworkGui() {
  static TFrameworkGui* gui = new TFrameworkGui;
  return *gui;
}

std::atomic<TCrashGui*> g_gui{nullptr};

}  // namespace

TCrashGui& CrashGui() {
  TCrashGui* gui = g_gui.load();
  return gui ? *gui : FrameworkGui();
}

TCrashGui* SetCrashGui(TCrashGui* Gui) {
  TCrashGui* old = g_gui.exchange(Gui);
  return old ? old : &FrameworkGui();
}

}  // namespace lab
