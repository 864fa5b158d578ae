#include "crashreport/dialogs/dialog_frame.h"

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/window_services.h"
#include "platform/controls/messages.h"
#include "platform/controls/standard_controls.h"
#include "platform/graphics/gdi.h"
#include "platform/controls/window_styles.h"

namespace lab {

void SetItemText(win::HWND Dialog, int Item, const std::string& Text) {
  TCrashGui& gui = CrashGui();
  if (const win::HWND w = Item ? gui.GetDlgItem(Dialog, Item) : Dialog)
    gui.SendMessage(w, win::WM_SETTEXT, 0, reinterpret_cast<win::LPARAM>(Text.c_str()));
}

void SetItemFont(win::HWND Dialog, int Item, win::HFONT Font) {
  TCrashGui& gui = CrashGui();
  if (const win::HWND w = gui.GetDlgItem(Dialog, Item); w && Font)
    gui.SendMessage(w, win::WM_SETFONT, reinterpret_cast<win::WPARAM>(Font), 0);
}

std::string ItemText(win::HWND Dialog, int Item) {
  TCrashGui& gui = CrashGui();
  const win::HWND w = gui.GetDlgItem(Dialog, Item);
  if (!w) return {};
  std::string text(static_cast<std::size_t>(gui.SendMessage(w, win::WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
  text.resize(static_cast<std::size_t>(
      gui.SendMessage(w, win::WM_GETTEXT, text.size(), reinterpret_cast<win::LPARAM>(text.data()))));
  return text;
}

bool IsItemChecked(win::HWND Dialog, int Item) {
  TCrashGui& gui = CrashGui();
  const win::HWND w = gui.GetDlgItem(Dialog, Item);
  return w && gui.SendMessage(w, win::BM_GETCHECK, 0, 0) == win::BST_CHECKED;
}

void CheckItem(win::HWND Dialog, int Item, bool Checked) {
  TCrashGui& gui = CrashGui();
  if (const win::HWND w = gui.GetDlgItem(Dialog, Item))
    gui.SendMessage(w, win::BM_SETCHECK, Checked ? win::BST_CHECKED : win::BST_UNCHECKED, 0);
}

win::SIZE MeasureText(win::HWND Window, const std::string& Text, win::HFONT Font) {
  TCrashGui& gui = CrashGui();
  win::SIZE extent{};
  const win::HDC dc = gui.GetDC(Window);
  if (!dc) return extent;
  if (!Font) Font = reinterpret_cast<win::HFONT>(gui.SendMessage(Window, win::WM_GETFONT, 0, 0));
  const win::HGDIOBJ old = Font ? win::SelectObject(dc, Font) : nullptr;
  // An empty line is as high as a blank.
  win::GetTextExtentPoint32(dc, Text.empty() ? std::string(" ") : Text, -1, &extent);
  if (Text.empty()) extent.cx = 0;
  if (old) win::SelectObject(dc, old);
  gui.ReleaseDC(Window, dc);
  return extent;
}

bool StayOnTopOption(const TCrashModuleOptions& Options) { return Options.DialogsStayOnTop(); }
bool OwnLookOption(const TCrashModuleOptions& Options) { return Options.DialogsOwnLook(); }

void ApplyDialogFrame(win::HWND Dialog, const TCrashModuleOptions& Options, bool StayOnTop) {
  TCrashGui& gui = CrashGui();
  TCrashWindowInfo info;
  if (!OwnLookOption(Options) && gui.GetWindowInfo(Dialog, info))
    gui.SetWindowStyles(Dialog, info.Style, info.ExStyle & ~win::WS_EX_TOOLWINDOW);
  if (StayOnTop)
    gui.SetWindowPos(Dialog, win::HWND_TOPMOST, {}, win::SWP_NOMOVE | win::SWP_NOSIZE | win::SWP_NOACTIVATE);
}

void StartKeepInFront(win::HWND Dialog) {
  SnapshotWindows();
  CrashGui().SetTimer(Dialog, kKeepInFrontTimer, 10);
}

void KeepInFront(win::HWND Dialog, bool StayOnTop) {
  TCrashGui& gui = CrashGui();
  const win::HWND front = gui.ForegroundWindow();
  if (StayOnTop || front == Dialog || !front) return;
  if (IsOwnProcessWindow(front) && !IsNewWindow(front)) gui.SetForegroundWindow(Dialog);
}

void TAutoClose::Start(win::HWND Dialog, int Seconds) {
  seconds_ = Seconds;
  count_ = 0;
  if (seconds_ > 0) CrashGui().SetTimer(Dialog, kAutoCloseTimer, 1000);
}

bool TAutoClose::Tick() { return seconds_ > 0 && ++count_ >= seconds_; }

void TAutoClose::Stop(win::HWND Dialog) {
  if (seconds_ > 0) CrashGui().KillTimer(Dialog, kAutoCloseTimer);
  seconds_ = 0;
}

bool TAutoClose::IsInput(win::UINT Msg) {
  switch (Msg) {
    case win::WM_LBUTTONDOWN: case win::WM_LBUTTONDBLCLK: case win::WM_RBUTTONDOWN: case win::WM_RBUTTONDBLCLK:
    case win::WM_MBUTTONDOWN: case win::WM_MBUTTONDBLCLK: case win::WM_MOUSEWHEEL: case win::WM_NCLBUTTONDOWN:
    case win::WM_NCLBUTTONDBLCLK: case win::WM_NCRBUTTONDOWN: case win::WM_NCRBUTTONDBLCLK:
    case win::WM_NCMBUTTONDOWN: case win::WM_NCMBUTTONDBLCLK: case win::WM_KEYDOWN: case win::WM_COMMAND:
      return true;
    default:
      return false;
  }
}

}  // namespace lab
