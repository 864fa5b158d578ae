#include "crashreport/dialogs/window_services.h"

#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/event_dispatch.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/messages.h"
#include "platform/controls/window_styles.h"
#include "platform/rtl/strutils.h"

namespace lab {
namespace {

using win::HWND;

bool IsMainWindowCandidate(TCrashGui& gui, const TCrashWindowInfo& info) {
  if (!info.Visible) return false;
  if (info.Owner) {
    TCrashWindowInfo owner;
    if (gui.GetWindowInfo(info.Owner, owner) &&
        (!(owner.ExStyle & win::WS_EX_TOOLWINDOW) || owner.Owner != nullptr))
      return false;
  }
  return !(info.ExStyle & win::WS_EX_TOOLWINDOW) || (info.ExStyle & win::WS_EX_APPWINDOW);
}

}  // namespace

void CopyTextToClipboard(const std::string& Text) {
  if (Text.empty()) return;
  try {
    CrashGui().SetClipboardText(Text);
  } catch (...) {
  }
}

HWND FindProcessMainWindow(std::uint32_t ProcessID) {
  try {
    TCrashGui& gui = CrashGui();
    for (HWND w : gui.TopLevelWindows()) {
      TCrashWindowInfo info;
      if (gui.GetWindowInfo(w, info) && info.ProcessID == ProcessID && IsMainWindowCandidate(gui, info)) return w;
    }
  } catch (...) {
  }
  return nullptr;
}

void ActivateWindow() {
  try {
    TCrashGui& gui = CrashGui();
    HWND main = FindProcessMainWindow(static_cast<std::uint32_t>(::getpid()));
    if (!main) return;
    if (gui.IsIconic(main)) {
      gui.PostMessage(main, win::WM_SYSCOMMAND, win::SC_RESTORE, 0);
      ProcessOneMessage();
      gui.ShowWindow(main, win::SW_SHOW);
      gui.SetForegroundWindow(main);
      return;
    }
    HWND popup = gui.LastActivePopup(main);
    if (popup && popup != gui.ForegroundWindow()) gui.SetForegroundWindow(popup);
  } catch (...) {
  }
}

bool ProcessOneMessage() {
  TCrashGui& gui = CrashGui();
  win::MSG msg;
  if (!gui.PeekMessage(msg)) return false;
  if (msg.message != win::WM_QUIT) gui.DispatchMessage(msg);
  return true;
}

bool ServeWaitingThread(bool Pump) noexcept {
  try {
    TCrashGui& gui = CrashGui();
    gui.ServeSentMessages();
    if (!Pump) return true;
    const auto in = [](win::UINT Msg, win::UINT First, win::UINT Last) { return Msg >= First && Msg <= Last; };
    win::MSG msg;
    for (int i = 0; i < 11 && gui.PeekMessage(msg); ++i) {
      // The program's windows stay painted, but take no input until the report is done.
      if (in(msg.message, 0xA1, 0xA9) || in(msg.message, 0x100, 0x102) || in(msg.message, 0x104, 0x106) ||
          in(msg.message, 0x201, 0x209)) {
        gui.Beep();
      } else if (msg.message == win::WM_QUIT) {
        // Kept for the program's own loop, which ends once the report is done.
        gui.PostMessage(nullptr, win::WM_QUIT, msg.wParam, 0);
        break;
      } else {
        gui.DispatchMessage(msg);
      }
    }
    return true;
  } catch (...) {
    return false;
  }
}

int DefaultBoxAnswer(win::UINT Flags) noexcept {
  static constexpr int kButtons[][3] = {{win::IDOK},
                                        {win::IDOK, win::IDCANCEL},
                                        {win::IDABORT, win::IDRETRY, win::IDIGNORE},
                                        {win::IDYES, win::IDNO, win::IDCANCEL},
                                        {win::IDYES, win::IDNO},
                                        {win::IDRETRY, win::IDCANCEL}};
  const win::UINT type = Flags & win::MB_TYPEMASK;
  const auto& buttons = kButtons[type < std::size(kButtons) ? type : 0];
  for (unsigned i = (Flags & win::MB_DEFMASK) / win::MB_DEFBUTTON2;; --i)
    if (i < 3 && buttons[i] != 0) return buttons[i];
}

int CrashMessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) {
  TCrashGui& gui = CrashGui();
  if (!gui.HasDisplay()) return DefaultBoxAnswer(Flags);
  int answer = DefaultBoxAnswer(Flags);
  CallInRaisingThread([&] { answer = gui.MessageBox(Text, Caption, Flags); });
  return answer;
}

void RecordActiveControl(TExceptNotifyParams& Params) {
  constexpr std::uint32_t kPasswordStyle = 0x20;  // ES_PASSWORD
  constexpr std::size_t kMaxText = 256;
  TCrashProcessState& state = CrashState();
  try {
    TCrashGui& gui = CrashGui();
    state.Cursor = gui.CurrentCursor();
    const HWND focused = state.FocusedWindow = gui.FocusedWindow();
    if (!focused) return;
    Params.ActiveControlClass = gui.WindowClassName(focused).substr(0, kMaxText);
    std::string text = gui.WindowText(focused).substr(0, kMaxText);
    TCrashWindowInfo info;
    if (UpperCase(Params.ActiveControlClass).find("EDIT") != std::string::npos && gui.GetWindowInfo(focused, info) &&
        (info.Style & kPasswordStyle) != 0)
      text.assign(text.size(), '*');
    Params.ActiveControlText = std::move(text);
  } catch (...) {
    // A window gone meanwhile leaves these facts out.
  }
}

void SnapshotWindows() {
  std::vector<HWND> own;
  try {
    for (HWND w : CrashGui().TopLevelWindows())
      if (IsOwnProcessWindow(w)) own.push_back(w);
  } catch (...) {
  }
  TCrashDialogState& state = DialogState();
  std::lock_guard guard(state.WindowsBeforeLock);
  state.WindowsBefore = std::move(own);
}

bool IsOwnProcessWindow(HWND Window) {
  TCrashWindowInfo info;
  return CrashGui().GetWindowInfo(Window, info) && info.ProcessID == static_cast<std::uint32_t>(::getpid());
}

bool IsNewWindow(HWND Window) {
  TCrashDialogState& state = DialogState();
  std::lock_guard guard(state.WindowsBeforeLock);
  return std::find(state.WindowsBefore.begin(), state.WindowsBefore.end(), Window) == state.WindowsBefore.end();
}

}  // namespace lab
