// Threads as the crash reporter follows them, each case in a child process that captures faults.

#include "crashreport/thread_tracking.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include "crashreport/process_state.h"
#include "crashreport/report_text.h"
#include "fault_child.h"
#include "platform/rtl/threads.h"

// The victims, out of line under global names, so the report's call stack can be searched for them.
__attribute__((noinline)) void crthread_throw() { throw std::runtime_error("thrown by a thread"); }
__attribute__((noinline)) void crthread_abort() { throw lab::EAbort("silent"); }

namespace lab {
namespace {

using testing::Count;
using testing::RunChild;
using testing::TChildResult;

class TThrowingThread : public TThread {
 public:
  explicit TThrowingThread(void (*Victim)()) : TThread(true), victim_(Victim) {}

 protected:
  void Execute() override { victim_(); }

 private:
  void (*victim_)();
};

struct TEscapeCase {
  const char* Name;
  void (*Victim)();
  std::size_t Reports;
  const char* Routine;  // in the report's call stack
};

void PrintTo(const TEscapeCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ThreadClassEscape : public ::testing::TestWithParam<TEscapeCase> {};

// The report is made in the thread, and the thread keeps the exception for whoever waits for it.
TEST_P(ThreadClassEscape, IsReportedAndStillKeptByTheThread) {
  const TEscapeCase& c = GetParam();
  const TChildResult r = RunChild(std::string("ThreadEscape") + c.Name, [&] {
    SetCrashLogEnabled(true);
    InstallThreadTracking();
    TThrowingThread thread(c.Victim);
    thread.Start();
    thread.WaitFor();
    std::_Exit(thread.FatalException() ? 0 : 40);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(Count(r.Output, kReportTitle), c.Reports) << r.Output;
  if (c.Routine) {
    EXPECT_NE(r.Output.find(c.Routine, r.Output.find("Call Stack Information:")), std::string::npos) << r.Output;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, ThreadClassEscape,
    ::testing::Values(TEscapeCase{"Exception", &crthread_throw, 1, "crthread_throw"},
                      TEscapeCase{"Abort", &crthread_abort, 0, nullptr}),
    [](const ::testing::TestParamInfo<TEscapeCase>& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace lab
