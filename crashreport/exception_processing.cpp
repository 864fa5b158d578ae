#include "crashreport/exception_processing.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

#include "crashreport/files/attachments.h"
#include "crashreport/dialogs/crash_dialogs.h"
#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/dialog_helper.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/report/header_fields.h"
#include "crashreport/internal_error.h"
#include "crashreport/internal_warning.h"
#include "crashreport/files/log_access.h"
#include "crashreport/files/log_file.h"
#include "crashreport/files/log_paths.h"
#include "crashreport/report/object_checks.h"
#include "crashreport/process_control.h"
#include "crashreport/report/report_text.h"
#include "crashreport/report/thread_stacks.h"
#include "crashreport/files/screenshot.h"
#include "crashreport/send/send_report.h"
#include "crashreport/dialogs/web_mode.h"
#include "crashreport/dialogs/window_services.h"
#include "platform/controls/dialogs.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

// How long a fatal fault waits for the user's answer in the helper's dialog.
constexpr unsigned kHelperDialogTimeoutMs = 5 * 60 * 1000;

// Read by a faulting thread waiting in its signal handler, which reaches no object.
std::atomic<bool> g_waits_for_user{false};

// The message as a dialog shows it: control characters other than CR and LF become blanks.
std::string PrintableMessage(std::string Text) {
  for (char& c : Text)
    if (static_cast<unsigned char>(c) < 32 && c != '\r' && c != '\n') c = ' ';
  return Text;
}

// The dialog in a helper process: its answer becomes the user's choices, and the steps to
// reproduce it asked for go into the report. False when no helper answered (no private folder, no
// program that serves, no display, no dialog or no answer in time).
bool ShowDialogThroughHelper() {
  TCrashProcessState& state = CrashState();
  const std::string path = DialogRequestFileName(), program = DialogHelperProgram(state.DialogHelperProgram);
  if (path.empty() || program.empty()) return false;
  g_waits_for_user = true;
  TScopeExit done([&] {
    g_waits_for_user = false;
    ::unlink(path.c_str());
  });
  TCrashDialogAnswer answer;
  if (!ShowDialogInHelper(CurrentDialogRequest(), path, kHelperShowTimeoutMs, kHelperDialogTimeoutMs, answer, program))
    return false;
  state.SendChecked = answer.Send;
  state.AttachChecked = answer.Attach;
  state.CopyChecked = answer.Copy;
  state.TerminateRequested = state.TerminateRequested || answer.Terminate;
  if (!answer.Reproduce.empty()) {
    DialogState().ReproduceText = answer.Reproduce;
    AddReproduceText(7, OptionsInForce().GetCustomizedText(81), answer.Reproduce);
  }
  return true;
}

// Shows the exception: the dialog in the program when the raising thread is its main thread and
// goes on afterwards, else through the helper; without a display the report goes to the console.
// False when nothing could show it.
bool ShowException(const TProcessRoute& Route) {
  const char* what = "GUI";
  try {
    // A web program answers the request with the error page; its error log keeps the report too.
    if (IsWebApplication()) {
      what = "Console";
      const TReportTexts& report = CurrentReport();
      if (Route.Console) Route.Console(report.ConsoleIntroduction + report.Report + "\r\n");
      return ShowWebErrorOutput(report.ConsoleIntroduction, report.Report);
    }
    if (CrashGui().HasDisplay()) {
      // (Not once the main thread has stopped in a fault of its own while it waited.)
      if (Route.DialogInProgram && RaisingThreadTakesCalls()) {
        CallInRaisingThread([] {
          ActivateWindow();
          ShowExceptionDialog();
        });
        return true;
      }
      if (ShowDialogThroughHelper()) return true;
    }
    what = "Console";
    if (!Route.Console) return false;
    const TReportTexts& report = CurrentReport();
    Route.Console(report.ConsoleIntroduction + report.Report + "\r\n");
    return true;
  } catch (...) {
    ShowInternalWarning(eeShowError, what);
    return false;
  }
}

void FireAction(TCrashActionType Action, bool& Execute) {
  CallInRaisingThread([&] { FireExceptionActionNotify(CurrentExceptionRecord(), Action, Execute); });
}

// With LogFlags bit 2, a log written by another version of the program is deleted.
void DeleteLogOfOtherVersion() {
  std::string version;
  {
    TLogFile& log = OpenLogFile();
    TScopeExit close([] { CloseLogFile(); });
    if (log.GetCount() > 0) version = log.GetEntryField("1.3", log.GetCount() - 1);
  }
  if (!version.empty() && version != GetAppVersionInfo()) {
    std::string path = GetLogFileName(OptionsInForce());
    if (EnsureWritableFilePath(path, true, false)) ::unlink(path.c_str());
  }
}

}  // namespace

bool ReportWaitsForUser() noexcept { return g_waits_for_user.load(); }

std::string DialogRequestFileName() {
  const std::string folder = GetTempFolder();
  return folder.empty() ? std::string() : folder + "CrashDialog_" + std::to_string(::getpid()) + ".txt";
}

bool FilterException(const std::type_info* Class) {
  const TCrashModuleOptions& options = OptionsInForce();
  if (!options.ExceptionFiltersActive() || !Class) return false;
  const TStringList& classes = *options.ExceptionFilterClasses();
  for (int i = 0; i < classes.Count(); ++i) {
    if (!ClassInheritsFromName(*Class, classes.Strings(i))) continue;
    const TStringList& settings = *options.ExceptionFilterSettings();
    if (i < settings.Count() && !settings.Strings(i).empty())
      CrashMessageBox(settings.Strings(i), options.GetCustomizedText(0),
                      win::MB_ICONINFORMATION | win::MB_TASKMODAL | win::MB_TOPMOST | win::MB_SERVICE_NOTIFICATION);
    return true;
  }
  return false;
}

bool ShouldSendReport() {
  const TCrashProcessState& state = CrashState();
  const TCrashModuleOptions& options = OptionsInForce();
  return options.HasSendMethod() && !state.Duplicate &&
         (state.SendChecked || !options.ShowsException());
}

void SaveReportToLog() {
  TCrashProcessState& state = CrashState();
  const TCrashModuleOptions& options = OptionsInForce();
  const bool save = options.SaveLogFile();
  state.Execute = true;
  ClearInternalWarning();
  if (save) FireAction(atSavingLogFile, state.Execute);
  TScopeExit close([] { CloseLogFile(); });
  do {
    ClearInternalWarning();
    try {
      TLogFile& log = OpenLogFile();
      if (!state.Duplicate) {
        log.AddEntry(state.ExceptionRecord.ReportText, options.MaxLogEntries());
        if (options.SendsWholeLog()) state.TextToSend = log.GetText();
        if (state.Execute && save) log.Save();
      }
    } catch (const Exception& e) {
      // What failed and where: a full disk, a folder that cannot be written, the file's name.
      ShowInternalWarning(eeLogError, "Log: " + e.Message());
      state.Execute = false;
    } catch (...) {
      ShowInternalWarning(eeLogError, "Log");
      state.Execute = false;
    }
    state.Retry = false;
    if (save && !state.Execute)
      CallInRaisingThread([&] { FireExceptionErrorNotify(CurrentExceptionRecord(), atSavedLogFile, state.Retry); });
  } while (state.Retry);
  CloseLogFile();
  if (save) FireAction(atSavedLogFile, state.Execute);
}

bool ProcessException(const TExceptNotifyParams& Params, const TProcessRoute& Route) {
  TCrashProcessState& state = CrashState();
  TCrashThreadState& self = ThreadState();
  self.InHandler = true;
  state.RaisingThreadServes = Route.RaisingThreadServes;
  TScopeExit out([&] {
    self.InHandler = false;
    state.RaisingThreadServes = true;
    RemoveReportFolder();
  });
  bool result = false;
  bool send_thread = false;
  try {
    const TCrashModuleOptions& options = OptionsInForce();
    state.StepCode = csDuplicateCheck;
    CheckDuplicateException();
    ClearInternalWarning();

    state.StepCode = csNotify;
    state.Handled = true;
    CallInRaisingThread([] { FireExceptionNotify(); });
    if (!GetScreenshotFileName().empty()) CaptureScreenshot();
    if (!state.Handled) return true;
    if (options.UsesErrorFrequencyRule()) {
      state.ErrorTimes.push_back(Now());
      if (static_cast<int>(state.ErrorTimes.size()) > options.ErrorFrequencyCount())
        state.ErrorTimes.erase(state.ErrorTimes.begin());
    }

    state.CustomData.clear();
    CallInRaisingThread([] { FireCustomDataRequest(); });
    if (!state.CustomData.empty()) AddReproduceText(6, options.GetCustomizedText(13), state.CustomData);

    state.StepCode = csErrorCount;
    ++state.ErrorCount;
    state.StepCode = csMessageText;
    state.ExceptionMessageText = PrintableMessage(GetExceptionMessage(Params));

    state.StepCode = csShowChoice;
    const bool send_configured = options.HasSendMethod();
    if (options.ShowsException()) {
      state.StepCode = csShowing;
      state.Execute = true;
      ClearInternalWarning();
      FireAction(atShowingExceptionInfo, state.Execute);
      state.SendChecked = send_configured;
      state.AttachChecked = options.AttachesScreenshot();
      state.StepCode = csShow;
      if (state.Execute) {
        state.Execute = ShowException(Route);
        if (!state.Execute) result = true;
      }
      state.StepCode = csShown;
      FireAction(atShowedExceptionInfo, state.Execute);
    } else {
      state.SendChecked = send_configured;
      state.AttachChecked = options.AttachesScreenshot();
      // A web program still answers the failed request: with the message alone.
      if (IsWebApplication()) ShowWebErrorOutput("", state.ExceptionMessageText);
    }

    if (Route.DialogInProgram && RaisingThreadTakesCalls()) CallInRaisingThread([] { ShowReproduceDialog(); });
    if (ShouldSendReport()) SaveScreenshotToFile(GetAttachedScreenshotFileName());
    FreeScreenshot();

    state.StepCode = csLog;
    if (options.DeletesLogOfOtherVersion()) DeleteLogOfOtherVersion();
    const bool send = ShouldSendReport();
    if (options.SaveLogFile()) SaveReportToLog();
    if (state.CopyChecked) CopyTextToClipboard(state.ExceptionRecord.ReportText);

    state.StepCode = csSend;
    // After a fatal fault the process ends before a thread of its own could send.
    if (send) send_thread = StartSendReport(Route.Fatal);
    if (!send_thread) CheckErrorFrequency();
    RemoveReportFolder();
  } catch (...) {
    ReportInternalError(std::to_string(state.StepCode),
                        reinterpret_cast<std::uintptr_t>(state.ExceptionRecord.ExceptionAddress));
    return true;  // not dealt with here: the program's own handling shows it
  }
  state.StepCode = csEnd;
  ReleaseHeldThreads();  // before the program may end
  if (send_thread) return result;
  if (!Route.Fatal) {
    TerminateIfRequested();
  } else if (state.TerminateRequested && OptionsInForce().RestartsOnTerminate()) {
    // The program ends by its own fault afterwards; only the new start is still to be made.
    RestartApplication();
  }
  return result;
}

}  // namespace lab
