#include "crashreport/dialogs/send_dialog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/dialog_fonts.h"
#include "crashreport/dialogs/dialog_frame.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/process_state.h"
#include "platform/controls/messages.h"
#include "platform/controls/standard_controls.h"

namespace lab {

namespace {

constexpr int kStatusItem = 100, kProgressItem = 101;

// The dialog's thread, started and joined by the sender's thread alone.
std::thread g_thread;
// Set by CloseSendDialog: a dialog that comes up after it ends at once.
std::atomic<bool> g_closing{false};
// Made and freed by the dialog's thread.
std::unique_ptr<TDialogFonts> g_send_fonts;

void SendToItem(int Item, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  const win::HWND dialog = DialogState().SendWindow.load();
  if (!dialog) return;
  TCrashGui& gui = CrashGui();
  if (const win::HWND item = gui.GetDlgItem(dialog, Item)) gui.SendMessage(item, Msg, WParam, LParam);
}

std::intptr_t SendDialogProc(win::HWND Dialog, win::UINT Msg, win::WPARAM WParam, win::LPARAM) {
  TCrashDialogState& state = DialogState();
  TCrashGui& gui = CrashGui();
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  switch (Msg) {
    case win::WM_INITDIALOG: {
      SetItemText(Dialog, 0, options.GetCustomizedText(75));
      g_send_fonts = std::make_unique<TDialogFonts>();
      SetItemFont(Dialog, kStatusItem, g_send_fonts->Message());
      ApplyDialogFrame(Dialog, options, StayOnTopOption(options));
      StartKeepInFront(Dialog);
      state.SendWindow = Dialog;
      if (g_closing) gui.EndDialog(Dialog, 0);
      return 1;
    }
    case win::WM_SETFOCUS:
      state.SendFocused = true;
      return 0;
    case win::WM_PAINT:
      state.DialogPainted = true;
      return 0;
    case win::WM_TIMER:
      if (WParam == kKeepInFrontTimer) KeepInFront(Dialog, StayOnTopOption(options));
      return 1;
    case kCloseSendDialogMessage:
      gui.EndDialog(Dialog, 1);
      return 1;
    case win::WM_DESTROY:
      gui.KillTimer(Dialog, kKeepInFrontTimer);
      state.SendWindow = nullptr;
      g_send_fonts.reset();
      return 0;
    default:
      return 0;
  }
}

}  // namespace

void ShowSendProgressDialog() { CrashGui().DialogBox("CR_Server", SendDialogProc); }

bool StartSendDialogThread() {
  CloseSendDialog();
  TCrashDialogState& state = DialogState();
  state.SendFocused = false;
  g_closing = false;
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  const bool wanted = options.ShowsSendDialogs() && (options.EmailSendMode() != 0 || options.WebSendMode() != 0);
  if (!wanted || !CrashGui().HasDisplay()) {
    state.DialogPainted = true;
    return false;
  }
  g_thread = std::thread(ShowSendProgressDialog);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSendDialogFocusWaitMs);
  while (!state.SendFocused && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  CrashState().SendProgressWindow = state.SendWindow.load();
  return true;
}

void SetSendProgressText(const std::string& Text) {
  SendToItem(kStatusItem, win::WM_SETTEXT, 0, reinterpret_cast<win::LPARAM>(Text.c_str()));
}

void SetSendProgressPosition(int Percent) {
  SendToItem(kProgressItem, win::PBM_SETPOS, static_cast<win::WPARAM>(std::clamp(Percent, 0, 100)), 0);
}

void CloseSendDialog() {
  g_closing = true;
  if (const win::HWND dialog = DialogState().SendWindow.load())
    CrashGui().PostMessage(dialog, kCloseSendDialogMessage, 0, 0);
  if (g_thread.joinable()) g_thread.join();
  CrashState().SendProgressWindow = nullptr;
}

}  // namespace lab
