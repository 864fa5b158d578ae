// What a throw leaves for its report, each case in a child process: the frames between the throw and
// the catch in the report of an exception the program survives, none of the reporter's own frames,
// and a throw when memory has run out, with the reporter started and without it.

#include "crashreport/capture/raise_record.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "crashreport/capture/thread_tracking.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "platform/controls/application.h"
#include "platform/rtl/threads.h"
#include "tests/crashreport/fault_child.h"

// The victims, out of line under global names, so the report's call stack can be searched for them.
namespace {
volatile int crraise_zero = 0;
}  // namespace

__attribute__((noinline)) void crraise_throw() { throw std::runtime_error("raised deep"); }

__attribute__((noinline)) void crraise_middle() {
  crraise_throw();
  crraise_zero = crraise_zero + 1;
}

// Its room puts the frames below it far under where the catching code's own calls reach, so the
// words they left are never scanned from where the exception is reported.
__attribute__((noinline)) void crraise_outer() {
  volatile char room[32 << 10];
  room[0] = 1;
  crraise_middle();
  room[1] = room[0];
}

// Takes what memory is left, then throws bad_alloc as a program's own code does.
__attribute__((noinline)) void crraise_out_of_memory() {
  rlimit limit{};
  ::getrlimit(RLIMIT_AS, &limit);
  long pages = 0;
  if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
    std::fclose(statm);
  }
  limit.rlim_cur = static_cast<rlim_t>(pages) * 4096 + (64 << 20);
  ::setrlimit(RLIMIT_AS, &limit);
  for (std::size_t size = 1 << 20; size >= 16; size /= 4)
    while (std::malloc(size)) {
    }
  throw std::bad_alloc();
}

namespace lab {
namespace {

using testing::CountLines;
using testing::RunChild;
using testing::TChildResult;

class TRaisingThread : public TThread {
 public:
  TRaisingThread() : TThread(true) {}

 protected:
  void Execute() override { crraise_outer(); }
};

struct TRaiseCase {
  const char* Name;
  bool Started;  // the reporter captures faults
  std::function<void()> Victim;
  int ExitCode;
  std::size_t Reports;
  std::vector<const char*> Shown = {};  // in the call stack, in this order
};

void PrintTo(const TRaiseCase& Case, std::ostream* Out) { *Out << Case.Name; }

class RaiseRecord : public ::testing::TestWithParam<TRaiseCase> {};

TEST_P(RaiseRecord, InAChild) {
  const TRaiseCase& c = GetParam();
  const TChildResult r = RunChild(std::string("Raise") + c.Name, [&] {
    if (c.Started) {
      SetCrashLogEnabled(true);
      InstallThreadTracking();
    } else {
      RemoveFaultCapture();
    }
    c.Victim();
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), c.ExitCode) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), c.Reports) << r.Output;
  if (!c.Reports) return;
  // The exception thread's run of entries, up to the next thread's.
  const std::size_t from = r.Output.find("Call Stack Information:");
  ASSERT_NE(from, std::string::npos) << r.Output;
  const std::string stack = r.Output.substr(from, r.Output.find(" Thread: ID=", r.Output.find("|\n", from)) - from);
  std::size_t at = 0;
  for (const char* routine : c.Shown) {
    at = stack.find(routine, at);
    EXPECT_NE(at, std::string::npos) << routine << "\n" << r.Output;
  }
  for (const char* own : {"ThreadStart", "TerminateHandler", "__cxa_throw", "ReportCaughtException", "terminate"})
    EXPECT_EQ(stack.find(own), std::string::npos) << own << "\n" << r.Output;
}

const std::vector<const char*> kDeepFrames = {"crraise_throw", "crraise_middle", "crraise_outer"};

INSTANTIATE_TEST_SUITE_P(
    Children, RaiseRecord,
    ::testing::Values(
        TRaiseCase{"CaughtByTheMessageLoopShowsWhereItWasThrown", true,
                   [] {
                     TApplication application(nullptr);
                     try {
                       crraise_outer();
                     } catch (...) {
                       application.HandleException(nullptr);
                     }
                   },
                   0, 1, kDeepFrames},
        TRaiseCase{"EscapingAThreadObjectShowsWhereItWasThrown", true,
                   [] {
                     TRaisingThread thread;
                     thread.Start();
                     thread.WaitFor();
                   },
                   0, 1, kDeepFrames},
        TRaiseCase{"UncaughtInAThreadShowsWhereItWasThrown", true, [] { std::thread(&crraise_outer).join(); }, 1,
                   1, kDeepFrames},
        TRaiseCase{"AThrowWhenMemoryHasRunOutIsCaught", true,
                   [] {
                     // A report first, unwritten: the worker has started (its start takes memory).
                     SetFaultReportWriter([](std::string_view) {});
                     ReportCaughtException(std::make_exception_ptr(std::runtime_error("first")));
                     try {
                       crraise_out_of_memory();
                     } catch (const std::bad_alloc&) {
                       std::_Exit(0);
                     }
                   },
                   0, 0},
        TRaiseCase{"AThrowWhenMemoryHasRunOutIsCaughtWithoutTheReporter", false,
                   [] {
                     try {
                       crraise_out_of_memory();
                     } catch (const std::bad_alloc&) {
                       std::_Exit(LastRaise().Object ? 50 : 0);
                     }
                   },
                   0, 0}),
    [](const ::testing::TestParamInfo<TRaiseCase>& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace lab
