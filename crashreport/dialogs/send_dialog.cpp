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

void SendToItem(int Item, win::UINT Msg, win::WPARAM WParam, win::LPARAM LParam) {
  const win::HWND dialog = DialogState().SendWindow.load();
  if (!dialog) return;
  TCrashGui& gui = CrashGui();
  if (const win::HWND item = gui.GetDlgItem(dialog, Item)) gui.SendMessage(item, Msg, WParam, LParam);
}

// Fonts are the dialog's, made and freed on its thread.
std::intptr_t SendDialogProc(std::unique_ptr<TDialogFonts>& Fonts, win::HWND Dialog, win::UINT Msg,
                             win::WPARAM WParam) {
  TCrashDialogState& state = DialogState();
  TCrashGui& gui = CrashGui();
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  switch (Msg) {
    case win::WM_INITDIALOG: {
      SetItemText(Dialog, 0, options.GetCustomizedText(75));
      Fonts = std::make_unique<TDialogFonts>();
      SetItemFont(Dialog, kStatusItem, Fonts->Message());
      ApplyDialogFrame(Dialog, options, StayOnTopOption(options));
      StartKeepInFront(Dialog);
      state.SendWindow = Dialog;
      if (state.SendClosing) gui.EndDialog(Dialog, 0);
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
      Fonts.reset();
      return 0;
    default:
      return 0;
  }
}

}  // namespace

void ShowSendProgressDialog() {
  std::unique_ptr<TDialogFonts> fonts;
  CrashGui().DialogBox("CR_Server", [&fonts](win::HWND Dialog, win::UINT Msg, win::WPARAM WParam, win::LPARAM) {
    return SendDialogProc(fonts, Dialog, Msg, WParam);
  });
}

bool StartSendDialogThread() {
  CloseSendDialog();
  TCrashDialogState& state = DialogState();
  state.SendFocused = false;
  state.SendClosing = false;
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  const bool wanted = options.ShowsSendDialogs() && options.HasSendMethod();
  if (!wanted || !CrashGui().HasDisplay()) {
    state.DialogPainted = true;
    return false;
  }
  state.SendThread = std::thread(ShowSendProgressDialog);
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
  TCrashDialogState& state = DialogState();
  state.SendClosing = true;
  if (const win::HWND dialog = state.SendWindow.load()) CrashGui().PostMessage(dialog, kCloseSendDialogMessage, 0, 0);
  if (state.SendThread.joinable()) state.SendThread.join();
  CrashState().SendProgressWindow = nullptr;
}

}  // namespace lab
