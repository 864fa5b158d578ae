// What becomes of a reported exception: filters, events, the dialog in the program or in the helper
// process, the log, the termination asked for. Each case runs in a child that captures faults.

#include "crashreport/exception_processing.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "crashreport/dialogs/crash_dialogs.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/capture/fault_capture.h"
#include "crashreport/files/log_access.h"
#include "crashreport/files/log_file.h"
#include "crashreport/internal_warning.h"
#include "crashreport/dialogs/platform_gui.h"
#include "crashreport/report/report_text.h"
#include "crashreport/report/module_list.h"
#include "platform/controls/common_controls.h"
#include "platform/controls/dialog_box.h"
#include "platform/controls/messages.h"
#include "platform/controls/window_manager.h"
#include "tests/crashreport/fault_child.h"

__attribute__((noinline)) void crproc_throw() { throw std::logic_error("processed on purpose"); }
namespace {
int* volatile crproc_null = nullptr;
}
LAB_FAULT_VICTIM void crproc_null_write() { *crproc_null = 1; }

namespace lab::testing {
namespace {

// The desktop as the child sees it: message boxes and shown dialogs are told on stderr.
class TToldGui : public TFrameworkGui {
 public:
  explicit TToldGui(bool Display) : display_(Display) {}
  bool HasDisplay() override { return display_; }
  int MessageBox(const std::string& Text, const std::string& Caption, win::UINT) override {
    std::fprintf(stderr, "box %s: %s\n", Caption.c_str(), Text.c_str());
    return 1;
  }

 private:
  bool display_;
};

// Reports crproc_throw's exception as the message loop would; answers what ReportCaughtException
// answered.
bool ReportThrow() {
  try {
    crproc_throw();
  } catch (...) {
    return ReportCaughtException(std::current_exception());
  }
  return false;
}

// Says on stderr what the child saw: the answers, the error count and the log's entries.
void Tell(bool Result) {
  std::fprintf(stderr, "result=%d errors=%d", Result ? 1 : 0, CrashState().ErrorCount);
  if (CurrentCrashLogOptions().SaveLogFile()) {
    std::fprintf(stderr, " log=%d", OpenLogFile().GetCount());
    CloseLogFile();
  }
  std::fprintf(stderr, "\n");
}

struct TProcessCase {
  const char* Name;
  std::function<void()> Setup;  // in the child, before one exception is reported
  int Reports;                  // on the console
  const char* Told;             // "result=... errors=..." as Tell writes it
  const char* Shows = "";       // in the output too
};

void PrintTo(const TProcessCase& Case, std::ostream* Out) { *Out << Case.Name; }

void Filter(const char* Class, const char* Text) {
  TCrashModuleOptions& o = CurrentCrashLogOptions();
  o.SetExceptionFiltersActive(true);
  o.CustomizedTexts()[0] = "Look here";
  o.ExceptionFilterClasses()->Clear();
  o.ExceptionFilterSettings()->Clear();
  o.ExceptionFilterClasses()->Add("EConvertError");
  o.ExceptionFilterSettings()->Add("not this one");
  o.ExceptionFilterClasses()->Add(Class);
  o.ExceptionFilterSettings()->Add(Text);
}

class ExceptionProcessing : public ::testing::TestWithParam<TProcessCase> {};

TEST_P(ExceptionProcessing, OneExceptionReported) {
  const TProcessCase& c = GetParam();
  const TChildResult r = RunChild(std::string("processing_") + c.Name, [&] {
    SetCrashGui(new TToldGui(false));
    if (c.Setup) c.Setup();
    Tell(ReportThrow());
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), static_cast<std::size_t>(c.Reports)) << r.Output;
  EXPECT_NE(r.Output.find(c.Told), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find(c.Shows), std::string::npos) << r.Output;
  EXPECT_EQ(r.Output.find("[ERROR]"), std::string::npos) << r.Output;
  if (std::string(c.Shows).find("box") == std::string::npos) {
    EXPECT_EQ(r.Output.find("box "), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ExceptionProcessing,
    ::testing::Values(
        TProcessCase{"ShownOnTheConsoleAndDealtWith", nullptr, 1, "result=0 errors=1", "processed on purpose"},
        TProcessCase{"AFilterWithoutTextHidesIt", [] { Filter("LOGIC_ERROR", ""); }, 0, "result=0 errors=0"},
        TProcessCase{"AFilterWithTextShowsOnlyIt",
                     [] {
                       SetCrashGui(new TToldGui(true));
                       Filter("logic_error", "Please check the input.");
                     },
                     0, "result=0 errors=0", "box Look here: Please check the input.\n"},
        // Nobody could answer its box.
        TProcessCase{"AFilterWithTextShowsNothingWithoutADisplay", [] { Filter("logic_error", "Please check."); }, 0,
                     "result=0 errors=0"},
        TProcessCase{"AFilterOfAnAncestorMatches", [] { Filter("exception", ""); }, 0, "result=0 errors=0"},
        TProcessCase{"AnInactiveFilterDoesNot",
                     [] {
                       Filter("logic_error", "");
                       CurrentCrashLogOptions().SetExceptionFiltersActive(false);
                     },
                     1, "result=0 errors=1"},
        TProcessCase{"GivenBackByOnExceptionNotify",
                     [] {
                       CurrentCrashLogOptions().SetSaveLogFile(true);
                       ExceptionNotifyProc = [](const TCrashExceptionRecord&, bool& Handled) { Handled = false; };
                     },
                     0, "result=1 errors=0 log=0"},
        TProcessCase{"ShowingRefusedStillLogs",
                     [] {
                       CurrentCrashLogOptions().SetSaveLogFile(true);
                       ExceptionActionNotifyProc = [](const TCrashExceptionRecord&, TCrashActionType Action,
                                                      bool& Execute) {
                         if (Action == atShowingExceptionInfo) Execute = false;
                       };
                     },
                     0, "result=0 errors=1 log=1"},
        TProcessCase{"LoggedWithItsCustomData",
                     [] {
                       CurrentCrashLogOptions().SetSaveLogFile(true);
                       CurrentCrashLogOptions().CustomizedTexts()[13] = "Lab data";
                       CustomDataRequestProc = [](const TCrashExceptionRecord&, std::string& Data) { Data = "abc"; };
                     },
                     1, "result=0 errors=1 log=1", "Lab data"},
        TProcessCase{"NoDialogWanted", [] { CurrentCrashLogOptions().SetDialogOptions(0); }, 0,
                     "result=0 errors=1"}),
    [](const ::testing::TestParamInfo<TProcessCase>& Info) { return std::string(Info.param.Name); });

TEST(ExceptionProcessingReport, CustomDataGoesBetweenTheHeaderAndTheCallStack) {
  const TChildResult r = RunChild("processing_custom_data", [] {
    CurrentCrashLogOptions().CustomizedTexts()[13] = "Lab data";
    CustomDataRequestProc = [](const TCrashExceptionRecord&, std::string& Data) { Data = "abc"; };
    ReportThrow();
  });
  const std::size_t group = r.Output.find("Lab data");
  const std::size_t item = r.Output.find("7.1", group);
  const std::size_t stack = r.Output.find("Call Stack Information:");
  ASSERT_NE(group, std::string::npos) << r.Output;
  EXPECT_LT(r.Output.find("2.5 Message: processed on purpose"), group) << r.Output;
  EXPECT_LT(item, r.Output.find("abc", item)) << r.Output;
  EXPECT_LT(r.Output.find("abc", item), stack) << r.Output;
}

TEST(ExceptionProcessingReport, AnEAbortIsNeverReported) {
  const TChildResult r = RunChild("processing_abort", [] {
    try {
      Abort();
    } catch (...) {
      Tell(ReportCaughtException(std::current_exception()));
    }
  });
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 0u) << r.Output;
  EXPECT_NE(r.Output.find("result=1 errors=0"), std::string::npos) << r.Output;
}

TEST(ExceptionProcessingReport, TheSameErrorIsLoggedOnceAndCountedTwice) {
  const TChildResult r = RunChild("processing_duplicate", [] {
    CurrentCrashLogOptions().SetSaveLogFile(true);
    CurrentCrashLogOptions().SetLogFlags(kLogMarkDuplicates);
    for (int i = 0; i < 2; ++i) Tell(ReportThrow());
  });
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 2u) << r.Output;
  EXPECT_NE(r.Output.find("result=0 errors=1 log=1\n"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("result=0 errors=2 log=1\n"), std::string::npos) << r.Output;
}

TEST(ExceptionProcessingReport, ATerminationAskedForEndsTheProgramAfterTheReport) {
  const TChildResult r = RunChild("processing_terminate", [] {
    ExceptionNotifyProc = [](const TCrashExceptionRecord&, bool&) { ForceTermination(0); };
    Tell(ReportThrow());
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status;
  EXPECT_EQ(WEXITSTATUS(r.Status), 1) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 1u) << r.Output;
  EXPECT_EQ(r.Output.find("result="), std::string::npos) << r.Output;
}

TEST(ExceptionProcessingReport, TheEventsRunInTheRaisingThread) {
  const TChildResult r = RunChild("processing_threads", [] {
    ExceptionNotifyProc = [](const TCrashExceptionRecord& Record, bool&) {
      std::fprintf(stderr, "notified in raising thread: %d\n", Record.ThreadID == GetCurrentThreadID() ? 1 : 0);
    };
    std::thread([] { ReportThrow(); }).join();
  });
  EXPECT_NE(r.Output.find("notified in raising thread: 1\n"), std::string::npos) << r.Output;
}

// The dialog with a display: in the program for the main thread's exception; through the helper
// (here a script that keeps the request and answers) after a fatal fault or for a side thread.
struct TDialogCase {
  const char* Name;
  std::function<void()> Victim;
  const char* HelperAnswer;  // nullptr: the helper answers nothing
  bool InProgram;            // the dialog shows in the program
  int Signal;                // how the child ends (0: exit code 0)
  int Reports;               // on the console (where no dialog could show it)
};

void PrintTo(const TDialogCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ExceptionDialogRoute : public ::testing::TestWithParam<TDialogCase> {};

TEST_P(ExceptionDialogRoute, TheDialogShowsWhereItCan) {
  const TDialogCase& c = GetParam();
  const std::string folder = Scratch(std::string("processing_helper_") + c.Name);
  const std::string helper = folder + "/helper.sh";
  {
    std::ofstream script(helper);
    script << "#!/bin/sh\ncp \"$2\" '" << folder << "/request.txt'\n";
    if (c.HelperAnswer) script << "printf 'shown\\n" << c.HelperAnswer << "'\n";
  }
  ::chmod(helper.c_str(), 0700);
  const TChildResult r = RunChild(std::string("processing_route_") + c.Name, [&] {
    SetCrashGui(new TToldGui(true));
    CrashState().DialogHelperProgram = helper;
    win::SetDialogShownHook([](win::HWND Dialog) {
      std::fprintf(stderr, "dialog in program\n");
      wm::PostMessage(Dialog, win::WM_CLOSE, 0, 0);
    });
    c.Victim();
  });
  if (c.Signal) {
    ASSERT_TRUE(WIFSIGNALED(r.Status)) << r.Status << "\n" << r.Output;
    EXPECT_EQ(WTERMSIG(r.Status), c.Signal);
  } else {
    ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
    EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  }
  EXPECT_EQ(CountLines(r.Output, kReportTitle), static_cast<std::size_t>(c.Reports)) << r.Output;
  EXPECT_EQ(CountLines(r.Output, "dialog in program"), c.InProgram ? 1u : 0u) << r.Output;
  const std::string request = ReadAll(folder + "/request.txt");
  if (c.InProgram) {
    EXPECT_TRUE(request.empty());
  } else {
    EXPECT_EQ(request.rfind("LabCrashDialog 1\n", 0), 0u) << request;
    EXPECT_EQ(request.find("\nModules 0\n"), std::string::npos);  // the helper's Modules page has rows
  }
  // The request is not left behind in the private folder.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(r.Folder))
    EXPECT_NE(entry.path().filename().string().rfind("CrashDialog_", 0), 0u) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    Routes, ExceptionDialogRoute,
    ::testing::Values(TDialogCase{"MainThreadInProgram", [] { ReportThrow(); }, nullptr, true, 0, 0},
                      TDialogCase{"SideThreadThroughTheHelper", [] { std::thread([] { ReportThrow(); }).join(); },
                                  "answer 0 0 0 0 0\\n", false, 0, 0},
                      TDialogCase{"FatalFaultThroughTheHelper", [] { crproc_null_write(); }, "answer 0 0 0 0 0\\n",
                                  false, SIGSEGV, 0},
                      TDialogCase{"AHelperThatDoesNotAnswerLeavesItToTheConsole", [] { crproc_null_write(); },
                                  nullptr, false, SIGSEGV, 1}),
    [](const ::testing::TestParamInfo<TDialogCase>& Info) { return std::string(Info.param.Name); });

// The dialog's Modules page lists the report's modules.
TEST(ExceptionProcessingReport, TheDialogsModulesPageListsTheModules) {
  const TChildResult r = RunChild("processing_modules_page", [] {
    SetCrashGui(new TToldGui(true));
    CurrentCrashLogOptions().SetDialogOptions(kDialogShowException | kDialogSendChecked | kDialogScreenshotChecked |
                                              kDialogCopyOption | kDialogDetailsButton | kDialogOpenDetailed);
    CurrentCrashLogOptions().SetLogFlags(kLogModules);
    CurrentCrashLogOptions().SetDialogFirstPage(2);
    win::SetDialogShownHook([](win::HWND Dialog) {
      const win::HWND page = wm::GetWindow(win::GetDlgItem(Dialog, 1000), win::GW_CHILD);
      const auto rows = page ? wm::SendMessage(win::GetDlgItem(page, 103), win::LVM_GETITEMCOUNT, 0, 0) : -1;
      std::fprintf(stderr, "%s: %d rows of %d modules\n", wm::GetWindowText(win::GetDlgItem(page, 102)).c_str(),
                   static_cast<int>(rows), CrashModulesList().Count());
      wm::PostMessage(Dialog, win::WM_CLOSE, 0, 0);
    });
    ReportThrow();
  });
  int rows = -1, modules = -1;
  const std::size_t at = r.Output.find("Modules Information: ");
  ASSERT_NE(at, std::string::npos) << r.Output;
  ASSERT_EQ(std::sscanf(r.Output.c_str() + at, "Modules Information: %d rows of %d modules", &rows, &modules), 2);
  EXPECT_GT(modules, 0);
  EXPECT_EQ(rows, modules);
}

// Each reported error counts: with ErrorsBeforeTerminate 3 the fourth dialog offers Terminate.
TEST(ExceptionProcessingReport, TheTerminateButtonComesWithTheErrorAfterTheAllowedOnes) {
  const TChildResult r = RunChild("processing_terminate_button", [] {
    SetCrashGui(new TToldGui(true));
    CurrentCrashLogOptions().SetTerminateAfterErrors(true);
    CurrentCrashLogOptions().SetErrorsBeforeTerminate(3);
    win::SetDialogShownHook([](win::HWND Dialog) {
      std::fprintf(stderr, "terminate %d\n", wm::IsWindowVisible(win::GetDlgItem(Dialog, 3)) ? 1 : 0);
      wm::PostMessage(Dialog, win::WM_CLOSE, 0, 0);
    });
    for (int i = 0; i < 4; ++i) ReportThrow();
  });
  EXPECT_EQ(CountLines(r.Output, "terminate 0"), 3u) << r.Output;
  EXPECT_EQ(CountLines(r.Output, "terminate 1"), 1u) << r.Output;
  EXPECT_GT(r.Output.find("terminate 1\n"), r.Output.rfind("terminate 0\n")) << r.Output;
}

TEST(ExceptionProcessingReport, TerminateInTheHelpersDialogEndsTheProgram) {
  const std::string folder = Scratch("processing_helper_terminate");
  const std::string helper = folder + "/helper.sh";
  {
    std::ofstream script(helper);
    script << "#!/bin/sh\nprintf 'shown\\nanswer 0 0 0 1 0\\n'\n";
  }
  ::chmod(helper.c_str(), 0700);
  const TChildResult r = RunChild("processing_route_terminate", [&] {
    SetCrashGui(new TToldGui(true));
    CrashState().DialogHelperProgram = helper;
    std::thread([] { ReportThrow(); }).join();
    std::fprintf(stderr, "went on\n");
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status;
  EXPECT_EQ(WEXITSTATUS(r.Status), 1) << r.Output;
  EXPECT_EQ(r.Output.find("went on"), std::string::npos) << r.Output;
}

// After a fatal signal the faulting thread stays in its handler: the sending's events run in the
// worker instead of waiting for it, and the program still ends by its fault.
TEST(ExceptionProcessingReport, AFatalFaultsReportIsSentWithoutItsThread) {
  const TChildResult r = RunChild("processing_fatal_send", [] {
    ::alarm(60);  // a hang ends the child with SIGALRM
    ::setenv("PATH", "/nonexistent", 1);  // no desktop mail program: the sending fails at once
    CurrentCrashLogOptions().SetDialogOptions(0);
    CurrentCrashLogOptions().SetEmailSendMode(kEmailSendMailClient);
    AttachedFilesRequestProc = [](const TCrashExceptionRecord&, TStrings*) { std::fprintf(stderr, "files asked\n"); };
    crproc_null_write();
  });
  ASSERT_TRUE(WIFSIGNALED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WTERMSIG(r.Status), SIGSEGV) << r.Output;
  EXPECT_NE(r.Output.find("files asked\n"), std::string::npos) << r.Output;
}

// Whether a report is sent: a send method, no duplicate, and the user's choice or no dialog.
TEST(ExceptionProcessingSend, ShouldSendReport) {
  struct TCase {
    int Email, Web;
    bool Duplicate, SendChecked;
    int DialogOptions;
    bool Send;
  };
  const TCase cases[] = {
      {0, 0, false, true, 1, false}, {2, 0, false, true, 1, true},  {0, 1, false, true, 1, true},
      {2, 0, true, true, 1, false},  {2, 0, false, false, 1, false}, {2, 0, false, false, 0, true},
      {0, 3, true, false, 0, false},
  };
  TCrashModuleOptions saved("saved", false);
  saved.Assign(&CurrentCrashLogOptions());
  for (const TCase& c : cases) {
    CurrentCrashLogOptions().SetEmailSendMode(static_cast<std::uint8_t>(c.Email));
    CurrentCrashLogOptions().SetWebSendMode(static_cast<std::uint8_t>(c.Web));
    CurrentCrashLogOptions().SetDialogOptions(static_cast<std::uint8_t>(c.DialogOptions));
    CrashState().Duplicate = c.Duplicate;
    CrashState().SendChecked = c.SendChecked;
    EXPECT_EQ(ShouldSendReport(), c.Send) << c.Email << c.Web << c.Duplicate << c.SendChecked << c.DialogOptions;
  }
  CurrentCrashLogOptions().Assign(&saved);
  ResetExceptionState();
}

// A log that cannot be written: the warning says why, and names the file.
TEST(ExceptionProcessingLog, AFailedSaveSaysWhyAndWhere) {
  const std::string folder = Scratch("log_save_fails");
  WriteAll(folder + "/blocker", "a file where a folder should be");
  const TEnv state("XDG_STATE_HOME", (folder + "/blocker").c_str());  // no per-user folder either
  TCrashModuleOptions saved("saved", false);
  saved.Assign(&CurrentCrashLogOptions());
  CurrentCrashLogOptions().SetLogFilePath(folder + "/blocker/");
  CurrentCrashLogOptions().SetSaveLogFile(true);
  CrashState().ExceptionRecord.ReportText = "CrashLog 1.1.0\r\n-\r\n|a table|\r\n";
  SaveReportToLog();
  EXPECT_FALSE(CrashState().Execute);
  EXPECT_EQ(InternalWarningCode(), eeLogError);
  EXPECT_TRUE(InternalWarningText().starts_with("Log: ")) << InternalWarningText();
  EXPECT_NE(InternalWarningText().find(folder + "/blocker/"), std::string::npos) << InternalWarningText();
  EXPECT_NE(InternalWarningText().find(std::strerror(ENOTDIR)), std::string::npos) << InternalWarningText();
  CurrentCrashLogOptions().Assign(&saved);
  ResetExceptionState();
}

}  // namespace
}  // namespace lab::testing
