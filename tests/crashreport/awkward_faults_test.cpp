// Faults in awkward places, each in a child process with a time limit (a hang is the fault itself):
// the child's end, its reports and whether its log was saved.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "crashreport/capture/fault_capture.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "tests/crashreport/fault_child.h"

namespace {
int* volatile crawk_null = nullptr;
}  // namespace

LAB_FAULT_VICTIM void crawk_null_write() { *crawk_null = 1; }

namespace lab {
namespace {

using testing::CountLines;
using testing::RunChild;
using testing::TChildResult;

constexpr unsigned kTimeLimitSeconds = 20;

void StandardErrorIntoAClosedPipe() {
  int ends[2];
  if (::pipe(ends) != 0) std::_Exit(90);
  ::close(ends[0]);
  ::dup2(ends[1], STDERR_FILENO);
}

void SaveTheLog() { CurrentCrashLogOptions().SetSaveLogFile(true); }

// Reports an exception while another process sends Signal, which only the report worker takes.
void ReportWhileSent(int Signal) {
  static int signal;
  signal = Signal;
  SaveTheLog();
  ExceptionNotifyProc = [](const TCrashExceptionRecord&, bool&) {
    sigset_t all, before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &before);
    const pid_t parent = ::getpid();
    if (const pid_t sender = ::fork(); sender == 0) {
      ::kill(parent, signal);
      std::_Exit(0);
    } else {
      ::waitpid(sender, nullptr, 0);
    }
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
  };
  ReportCaughtException(std::make_exception_ptr(std::runtime_error("look")));
}

bool HasLog(const std::string& Folder) {
  for (const auto& entry : std::filesystem::directory_iterator(Folder))
    if (entry.path().extension() == ".clf") return true;
  return false;
}

struct TAwkwardCase {
  const char* Name;
  std::function<void()> Victim;
  int Signal;           // 0: exit code 0
  std::size_t Reports;  // on the standard error output
  bool Logged;
};

void PrintTo(const TAwkwardCase& Case, std::ostream* Out) { *Out << Case.Name; }

class AwkwardFaults : public ::testing::TestWithParam<TAwkwardCase> {};

TEST_P(AwkwardFaults, InAChild) {
  const TAwkwardCase& c = GetParam();
  const TChildResult r = RunChild(std::string("Awkward") + c.Name, [&] {
    ::alarm(kTimeLimitSeconds);
    c.Victim();
    std::_Exit(0);
  });
  if (c.Signal) {
    ASSERT_TRUE(WIFSIGNALED(r.Status)) << r.Status << "\n" << r.Output;
    EXPECT_EQ(WTERMSIG(r.Status), c.Signal) << r.Output;
  } else {
    ASSERT_TRUE(WIFEXITED(r.Status)) << (WIFSIGNALED(r.Status) ? WTERMSIG(r.Status) : 0) << "\n" << r.Output;
    EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  }
  EXPECT_EQ(CountLines(r.Output, kReportTitle), c.Reports) << r.Output;
  EXPECT_EQ(r.Output.find("Fatal signal"), std::string::npos) << r.Output;  // no minimal report
  EXPECT_EQ(r.Output.find("[ERROR]"), std::string::npos) << r.Output;
  EXPECT_EQ(HasLog(r.Folder), c.Logged) << r.Output;
}

INSTANTIATE_TEST_SUITE_P(
    Children, AwkwardFaults,
    ::testing::Values(
        TAwkwardCase{"AFatalFaultReportedIntoAClosedPipeEndsByItsSignal",
                     [] {
                       StandardErrorIntoAClosedPipe();
                       SaveTheLog();
                       crawk_null_write();
                     },
                     SIGSEGV, 0, true},
        TAwkwardCase{"AnExceptionReportedIntoAClosedPipeLetsTheProgramGoOn",
                     [] {
                       StandardErrorIntoAClosedPipe();
                       SaveTheLog();
                       ReportCaughtException(std::make_exception_ptr(std::runtime_error("look")));
                     },
                     0, 0, true},
        TAwkwardCase{"AFaultWhileTheLoaderIsLockedIsReported",
                     [] {
                       // A report first: the worker is known to run before the loader is locked.
                       ReportCaughtException(std::make_exception_ptr(std::runtime_error("look")));
                       ::setenv("CRTEST_LOADER_FAULT", "1", 1);
                       ::dlopen(LAB_CRTEST_LOADER_WAIT, RTLD_NOW);
                     },
                     SIGSEGV, 2, false},
        TAwkwardCase{"AStackOverflowInAThreadOfALibraryLoadedLaterIsReported",
                     [] {
                       void* library = ::dlopen(LAB_CRTEST_THREAD, RTLD_NOW);
                       if (!library) std::_Exit(91);
                       reinterpret_cast<void (*)()>(::dlsym(library, "crtest_run_overflowing_thread"))();
                     },
                     SIGSEGV, 1, false},
        // Held until the report is done, then taken as it comes.
        TAwkwardCase{"AFaultSignalSentWhileAReportIsMadeWaitsForIt", [] { ReportWhileSent(SIGSEGV); }, SIGSEGV, 2,
                     true},
        TAwkwardCase{"SIGTERMSentWhileAReportIsMadeWaitsForIt", [] { ReportWhileSent(SIGTERM); }, SIGTERM, 1, true}),
    [](const ::testing::TestParamInfo<TAwkwardCase>& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace lab
