// The request for the steps to reproduce, and how its answer and the custom data enter the report.

#include <memory>

#include "crashreport/dialogs/crash_dialogs.h"
#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/dialog_fonts.h"
#include "crashreport/dialogs/dialog_frame.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/report/log_item.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "platform/controls/messages.h"
#include "platform/controls/window_styles.h"
#include "platform/graphics/gdi.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

constexpr int kLabelItem = 100, kEditItem = 101, kOkItem = 2;

// Widens the dialog, its label and its edit so the label's text fits on its line; the OK button
// keeps its distance from the right edge.
void FitToLabel(win::HWND Dialog, const std::string& Text) {
  TCrashGui& gui = CrashGui();
  const win::HWND label = gui.GetDlgItem(Dialog, kLabelItem);
  TCrashWindowInfo dialog;
  if (!label || !gui.GetWindowInfo(Dialog, dialog)) return;
  const int grow = MeasureText(label, Text).cx + 4 - gui.ChildBounds(label).Width();
  if (grow <= 0) return;
  TRect bounds = dialog.Bounds;
  bounds.Right += grow;
  gui.SetWindowPos(Dialog, nullptr, bounds, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  for (int item : {kLabelItem, kEditItem, kOkItem}) {
    const win::HWND w = gui.GetDlgItem(Dialog, item);
    if (!w) continue;
    TRect r = gui.ChildBounds(w);
    if (item == kOkItem) r.Left += grow;
    r.Right += grow;
    gui.SetWindowPos(w, nullptr, r, win::SWP_NOZORDER | win::SWP_NOACTIVATE);
  }
}

// What the dialog that is up made.
struct TRequestDialog {
  TAutoClose AutoClose;
  std::unique_ptr<TDialogFonts> Fonts;
};

std::intptr_t RequestDialogProc(TRequestDialog& Made, win::HWND Dialog, win::UINT Msg, win::WPARAM WParam) {
  TCrashGui& gui = CrashGui();
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  if (TAutoClose::IsInput(Msg)) Made.AutoClose.Reset();
  switch (Msg) {
    case win::WM_INITDIALOG: {
      SetItemText(Dialog, 0, options.GetCustomizedText(81));
      const std::string label = options.GetCustomizedText(82);
      SetItemText(Dialog, kLabelItem, label);
      SetItemText(Dialog, kOkItem, options.GetCustomizedText(83));
      Made.Fonts = std::make_unique<TDialogFonts>();
      for (int item : {kLabelItem, kEditItem, kOkItem}) SetItemFont(Dialog, item, Made.Fonts->Message());
      ApplyDialogFrame(Dialog, options, StayOnTopOption(options));
      FitToLabel(Dialog, label);
      StartKeepInFront(Dialog);
      Made.AutoClose.Start(Dialog, options.AutoCloseSeconds());
      return 1;
    }
    case win::WM_COMMAND:
      if (win::LOWORD(WParam) == kOkItem) {
        const std::string text = Trim(ItemText(Dialog, kEditItem));
        DialogState().ReproduceText = text;
        AddReproduceText(7, options.GetCustomizedText(81), text);
        gui.EndDialog(Dialog, kOkItem);
      }
      return 1;
    case win::WM_TIMER:
      if (WParam == kKeepInFrontTimer) KeepInFront(Dialog, StayOnTopOption(options));
      if (WParam == kAutoCloseTimer && Made.AutoClose.Tick()) gui.PostMessage(Dialog, win::WM_CLOSE, 0, 0);
      return 1;
    case win::WM_DESTROY:
      gui.KillTimer(Dialog, kKeepInFrontTimer);
      Made.AutoClose.Stop(Dialog);
      Made.Fonts.reset();
      return 0;
    default:
      return 0;
  }
}

}  // namespace

void ShowReproduceDialog() {
  const TCrashModuleOptions& options = CurrentCrashLogOptions();
  const TCrashProcessState& s = CrashState();
  if (!options.AsksReproduceSteps() || !CrashGui().HasDisplay() || s.Duplicate ||
      !(s.SendChecked || options.SaveLogFile()))
    return;
  TRequestDialog made;
  CrashGui().DialogBox("CR_Request", [&made](win::HWND Dialog, win::UINT Msg, win::WPARAM WParam, win::LPARAM) {
    return RequestDialogProc(made, Dialog, Msg, WParam);
  });
}

void AddReproduceText(int Section, const std::string& Group, const std::string& Text) {
  if (Text.empty()) return;
  TLogItem item(Section);
  item.AddGroup(Group);
  item.AddItem("", Text, true);
  const std::string inserted = item.GetText() + "\r\n";
  TReportTexts& report = CurrentReport();
  const std::size_t at = std::min(report.Header.size() + 2, report.Report.size());
  TCrashProcessState& s = CrashState();
  TCrashExceptionRecord& record = s.CurrentException ? *s.CurrentException : s.ExceptionRecord;
  const bool send_report = s.TextToSend == report.Report;
  const bool record_report = record.ReportText == report.Report;
  report.Report.insert(at, inserted);
  if (record_report) record.ReportText = report.Report;
  else if (record.ReportText.size() >= at) record.ReportText.insert(at, inserted);
  if (send_report) s.TextToSend = report.Report;
  report.Header = report.Report.substr(0, report.Header.size() + inserted.size());
}

}  // namespace lab
