#include "crashreport/dialogs/platform_gui.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "platform/controls/backend.h"
#include "platform/controls/dialog_box.h"
#include "platform/controls/clipboard.h"
#include "platform/controls/cursor.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/input.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/painting.h"
#include "platform/controls/win_control.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/gdi.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/graphics/system_metrics.h"
#include "platform/win/window_functions.h"

extern char** environ;

namespace lab {
namespace {

using win::HWND;

}  // namespace

std::vector<HWND> TFrameworkGui::TopLevelWindows() {
  std::vector<HWND> windows;
  wm::EnumWindows([&](HWND w) {
    windows.push_back(w);
    return true;
  });
  return windows;
}

bool TFrameworkGui::GetWindowInfo(HWND Window, TCrashWindowInfo& Info) {
  if (!wm::IsWindow(Window)) return false;
  Info.Owner = wm::GetWindow(Window, win::GW_OWNER);
  Info.ThreadID = wm::GetWindowThreadProcessId(Window, &Info.ProcessID);
  Info.Visible = wm::IsWindowVisible(Window);
  Info.Style = static_cast<std::uint32_t>(wm::GetWindowLongPtr(Window, win::GWL_STYLE));
  Info.ExStyle = static_cast<std::uint32_t>(wm::GetWindowLongPtr(Window, win::GWL_EXSTYLE));
  return wm::GetWindowRect(Window, Info.Bounds);
}

HWND TFrameworkGui::FocusedWindow() { return wm::GetFocus(); }
HWND TFrameworkGui::ForegroundWindow() { return wm::GetActiveWindow(); }
std::string TFrameworkGui::WindowClassName(HWND Window) { return wm::GetClassName(Window); }
std::string TFrameworkGui::WindowText(HWND Window) { return wm::GetWindowText(Window); }
bool TFrameworkGui::IsIconic(HWND Window) { return wm::IsIconic(Window); }

HWND TFrameworkGui::LastActivePopup(HWND Owner) {
  HWND active = wm::GetActiveWindow();
  for (HWND w = active; w; w = wm::GetWindow(w, win::GW_OWNER))
    if (w == Owner) return active;
  return Owner;
}

bool TFrameworkGui::PostMessage(HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  return wm::PostMessage(Window, Msg, WParam, LParam);
}
win::LRESULT TFrameworkGui::SendMessage(HWND Window, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  return wm::IsWindow(Window) ? wm::SendMessage(Window, Msg, WParam, LParam) : 0;
}
bool TFrameworkGui::ShowWindow(HWND Window, int Cmd) {
  // A framework control inside a window keeps its own Visible, which its parent's showing follows.
  if ((wm::GetWindowLongPtr(Window, win::GWL_STYLE) & win::WS_CHILD) != 0)
    if (TWinControl* control = TWinControl::FindControl(Window)) {
      control->SetVisible(Cmd != win::SW_HIDE && Cmd != win::SW_MINIMIZE);
      return true;
    }
  return wm::ShowWindow(Window, Cmd);
}
bool TFrameworkGui::SetForegroundWindow(HWND Window) {
  if (!wm::IsWindow(Window)) return false;
  wm::BringWindowToTop(Window);
  wm::SetActiveWindow(Window);
  return true;
}
const void* TFrameworkGui::CurrentCursor() { return wm::GetCursor(); }
TPoint TFrameworkGui::CursorPos() {
  TPoint p;
  win::GetCursorPos(p);
  return p;
}
bool TFrameworkGui::GetCursorImage(const void* Cursor, TCrashPicture& Image, TPoint& HotSpot) {
  const auto* cursor = static_cast<const TCursorImage*>(Cursor);
  if (!cursor || cursor->Width() <= 0 || cursor->Height() <= 0) return false;
  Image.Area = TRect{0, 0, cursor->Width(), cursor->Height()};
  Image.Pixels = cursor->Pixels();
  HotSpot = cursor->HotSpot();
  return true;
}

bool TFrameworkGui::Ping(HWND Window, unsigned TimeoutMs) {
  win::LRESULT result = 0;
  return wm::SendMessageTimeout(Window, win::WM_NULL, 0, 0, wm::SMTO_BLOCK, TimeoutMs, &result);
}
bool TFrameworkGui::PeekMessage(win::MSG& Msg) { return wm::PeekMessage(Msg, nullptr, 0, 0, wm::PM_REMOVE); }
void TFrameworkGui::DispatchMessage(const win::MSG& Msg) {
  wm::TranslateMessage(Msg);
  wm::DispatchMessage(Msg);
}
void TFrameworkGui::ServeSentMessages() {
  win::MSG msg;
  wm::PeekMessage(msg, nullptr, 0, 0, wm::PM_NOREMOVE | wm::PM_QS_SENDMESSAGE);
}
void TFrameworkGui::ThreadStopped(std::uint32_t ThreadID) { wm::RetireThreadQueue(ThreadID); }
void TFrameworkGui::Beep() { win::MessageBeep(0); }

int TFrameworkGui::ScreenBitsPerPixel() { return win::GetDeviceCaps(nullptr, win::BITSPIXEL); }
TRect TFrameworkGui::ScreenRect() {
  return TRect{0, 0, win::GetSystemMetrics(win::SM_CXSCREEN), win::GetSystemMetrics(win::SM_CYSCREEN)};
}

bool TFrameworkGui::CopyScreenPixels(const TRect& Area, TCrashPicture& Picture) {
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

int TFrameworkGui::MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) {
  return lab::MessageBox(Text, Caption, Flags);
}

bool TFrameworkGui::SetClipboardText(const std::string& Text) {
  if (!win::OpenClipboard(nullptr)) return false;
  const bool done = win::EmptyClipboard() && win::SetClipboardData(win::CF_TEXT, Text);
  win::CloseClipboard();
  return done;
}


bool TFrameworkGui::HasDisplay() { return Backend().Name() != "headless"; }

std::intptr_t TFrameworkGui::DialogBox(const std::string& Template, const TDialogProc& Proc) {
  return win::DialogBoxParam(Template, nullptr, Proc, 0);
}

HWND TFrameworkGui::CreateDialog(const std::string& Template, HWND Parent, const TDialogProc& Proc) {
  return win::CreateDialogParam(Template, Parent, Proc, 0);
}

bool TFrameworkGui::EndDialog(HWND Dialog, std::intptr_t Result) { return win::EndDialog(Dialog, Result); }
HWND TFrameworkGui::GetDlgItem(HWND Dialog, int ID) { return win::GetDlgItem(Dialog, ID); }
bool TFrameworkGui::DestroyWindow(HWND Window) { return wm::DestroyWindow(Window); }
bool TFrameworkGui::EnableWindow(HWND Window, bool Enable) {
  // A framework control draws itself as its own Enabled says.
  if ((wm::GetWindowLongPtr(Window, win::GWL_STYLE) & win::WS_CHILD) != 0)
    if (TWinControl* control = TWinControl::FindControl(Window)) {
      const bool was = control->Enabled();
      control->SetEnabled(Enable);
      return !was;
    }
  return wm::EnableWindow(Window, Enable);
}

bool TFrameworkGui::SetWindowPos(HWND Window, HWND InsertAfter, const TRect& Bounds, win::UINT Flags) {
  return wm::SetWindowPos(Window, InsertAfter, Bounds.Left, Bounds.Top, Bounds.Width(), Bounds.Height(), Flags);
}

TRect TFrameworkGui::ClientRect(HWND Window) {
  TRect r;
  wm::GetClientRect(Window, r);
  return r;
}

TRect TFrameworkGui::ChildBounds(HWND Window) {
  TRect r;
  if (!wm::GetWindowRect(Window, r)) return {};
  win::POINT corners[2] = {{r.Left, r.Top}, {r.Right, r.Bottom}};
  wm::MapWindowPoints(nullptr, wm::GetParent(Window), corners, 2);
  return TRect{corners[0].X, corners[0].Y, corners[1].X, corners[1].Y};
}

void TFrameworkGui::SetWindowStyles(HWND Window, std::uint32_t Style, std::uint32_t ExStyle) {
  wm::SetWindowLongPtr(Window, win::GWL_STYLE, Style);
  wm::SetWindowLongPtr(Window, win::GWL_EXSTYLE, ExStyle);
  wm::FrameChanged(Window);
}

bool TFrameworkGui::SetFocus(HWND Window) { return wm::SetFocus(Window) != nullptr || wm::GetFocus() == Window; }
bool TFrameworkGui::InvalidateRect(HWND Window, const TRect* Rect) { return wm::InvalidateRect(Window, Rect, true); }

bool TFrameworkGui::SetTimer(HWND Window, win::UINT_PTR ID, unsigned Milliseconds) {
  return wm::SetTimer(Window, ID, Milliseconds, nullptr) != 0;
}

bool TFrameworkGui::KillTimer(HWND Window, win::UINT_PTR ID) { return wm::KillTimer(Window, ID); }
win::HDC TFrameworkGui::BeginPaint(HWND Window, win::PAINTSTRUCT& Paint) { return wm::BeginPaint(Window, Paint); }
void TFrameworkGui::EndPaint(HWND Window, const win::PAINTSTRUCT& Paint) { wm::EndPaint(Window, Paint); }
win::HDC TFrameworkGui::GetDC(HWND Window) { return wm::GetDC(Window); }
void TFrameworkGui::ReleaseDC(HWND Window, win::HDC DC) { wm::ReleaseDC(Window, DC); }
void TFrameworkGui::ShowCursor(int Cursor) { wm::ShowCursorNumber(static_cast<TCursor>(Cursor)); }

bool TFrameworkGui::OpenDocument(const std::string& Url) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::string program = "xdg-open", argument = Url;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  // Reaped when it ends, without holding the caller up.
  std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
  return true;
}

namespace {

TFrameworkGui& FrameworkGui() {
  static TFrameworkGui* gui = new TFrameworkGui;
  return *gui;
}

// The GUI put in the framework's place (a test's fake): the code of every trade draws through it,
// the fault worker's included, with no object at hand.
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
