// Faults of a program that links the crash reporter, each injected in a child process: the child's
// exit status and the one report it writes (its standard error output).

#include "crashreport/capture/fault_capture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/report/thread_stacks.h"
#include "platform/controls/application.h"
#include "tests/crashreport/fault_child.h"

// The victims: global names, kept out of line, so the report's call stack can be searched for them.
namespace {
volatile int crfault_zero = 0;
int* volatile crfault_null = nullptr;
std::atomic<int> crfault_ready{0};
}  // namespace

LAB_FAULT_VICTIM void crfault_null_write() {
  *crfault_null = 1;
  crfault_zero = crfault_zero + 1;
}

LAB_FAULT_VICTIM void crfault_divide() {
  volatile int n = 7 / crfault_zero;
  crfault_zero = n;
}

// Reads a page of a mapped file past the file's end.
__attribute__((noinline)) void crfault_bus() {
  const std::string name = std::string(std::getenv("TMPDIR")) + "/cut_short";
  const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  if (fd < 0 || ::ftruncate(fd, 4096) != 0) std::_Exit(90);
  auto* pages = static_cast<volatile char*>(::mmap(nullptr, 8192, PROT_READ, MAP_SHARED, fd, 0));
  crfault_zero = pages[4096];
}

__attribute__((noinline)) void crfault_abort() {
  std::abort();
}

__attribute__((noinline)) int crfault_recurse(int Depth) {
  volatile char frame[256];
  frame[0] = static_cast<char>(Depth);
  if (crfault_zero < 0) return 0;  // never: it recurses until the stack is gone
  return crfault_recurse(Depth + 1) + frame[0];
}

__attribute__((noinline)) void crfault_throw() { throw std::runtime_error("thrown on purpose"); }

__attribute__((noinline)) void crfault_through_noexcept() noexcept { crfault_throw(); }

__attribute__((noinline)) void crfault_both_threads() {
  crfault_ready.fetch_add(1);
  while (crfault_ready.load() < 2) {
  }
  crfault_null_write();
}

// Overflows its stack once another thread's fault is being reported.
void* crfault_overflow_during_report(void*) {
  crfault_ready = 1;
  while (!lab::FaultReportInProgress()) {
  }
  crfault_recurse(0);
  return nullptr;
}

namespace lab {
namespace {

using testing::CountLines;
using testing::CountLinesMatching;
using testing::RunChild;
using testing::TChildResult;

struct TFaultCase {
  const char* Name;
  std::function<void()> Victim;
  int Signal;  // 0: exit code 1
  const char* ExceptionType;
  const char* Routine;  // in the report's call stack
};

void PrintTo(const TFaultCase& Case, std::ostream* Out) { *Out << Case.Name; }

class FaultCapture : public ::testing::TestWithParam<TFaultCase> {};

TEST_P(FaultCapture, OneReportAndTheExpectedEnd) {
  const TFaultCase& c = GetParam();
  const TChildResult r = RunChild(c.Name, c.Victim);
  if (c.Signal) {
    ASSERT_TRUE(WIFSIGNALED(r.Status)) << r.Status << "\n" << r.Output;
    EXPECT_EQ(WTERMSIG(r.Status), c.Signal);
  } else {
    ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
    EXPECT_EQ(WEXITSTATUS(r.Status), 1);
  }
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 1u) << r.Output;
  EXPECT_NE(r.Output.find(c.ExceptionType), std::string::npos) << r.Output;
  const std::size_t stack = r.Output.find("Call Stack Information:");
  ASSERT_NE(stack, std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find(c.Routine, stack), std::string::npos) << r.Output;
  EXPECT_EQ(r.Output.find("[ERROR]"), std::string::npos) << r.Output;
}

const TFaultCase kFaults[] = {
    TFaultCase{"NullWrite", [] { crfault_null_write(); }, SIGSEGV, "EAccessViolation", "crfault_null_write"},
    TFaultCase{"DivideByZero", [] { crfault_divide(); }, SIGFPE, "EIntError", "crfault_divide"},
    TFaultCase{"Abort", [] { crfault_abort(); }, SIGABRT, "Abnormal program termination", "crfault_abort"},
    TFaultCase{"MappedFileCutShort", [] { crfault_bus(); }, SIGBUS, "EBusError", "crfault_bus"},
    TFaultCase{"MainThreadStackOverflow",
               [] {
                 rlimit stack{};  // an unlimited stack would grow through gigabytes first
                 ::getrlimit(RLIMIT_STACK, &stack);
                 stack.rlim_cur = std::min<rlim_t>(stack.rlim_cur, 8 << 20);
                 ::setrlimit(RLIMIT_STACK, &stack);
                 crfault_recurse(0);
               },
               SIGSEGV, "EStackOverflow", "crfault_recurse"},
    TFaultCase{"SideThreadStackOverflow", [] { std::thread([] { crfault_recurse(0); }).join(); }, SIGSEGV,
               "EStackOverflow", "crfault_recurse"},
    TFaultCase{"ThrowThroughNoexcept", [] { crfault_through_noexcept(); }, 0, "runtime_error",
               "crfault_through_noexcept"},
    TFaultCase{"SideThreadUncaught", [] { std::thread([] { crfault_throw(); }).join(); }, 0, "thrown on purpose",
               "crfault_throw"},
    TFaultCase{"TwoThreadsAtOnce",
               [] {
                 std::thread other(&crfault_both_threads);
                 crfault_both_threads();
                 other.join();
               },
               SIGSEGV, "EAccessViolation", "crfault_null_write"},
    TFaultCase{"FaultWhileAnotherOverflows",
               [] {
                 pthread_attr_t small;  // a few hundred calls fill it, all within one scan
                 ::pthread_attr_init(&small);
                 ::pthread_attr_setstacksize(&small, 64 << 10);
                 pthread_t other;
                 ::pthread_create(&other, &small, &crfault_overflow_during_report, nullptr);
                 while (crfault_ready.load() == 0) {
                 }
                 crfault_null_write();
               },
               SIGSEGV, "EAccessViolation", "crfault_recurse"},
};
[[maybe_unused]] const bool kFaultVictims = [] {
  for (const TFaultCase& c : kFaults) testing::RegisterVictim(c.Name, c.Victim);
  return true;
}();

INSTANTIATE_TEST_SUITE_P(Faults, FaultCapture, ::testing::ValuesIn(kFaults),
                         [](const ::testing::TestParamInfo<TFaultCase>& Info) { return std::string(Info.param.Name); });

TEST(FaultCaptureMessageLoop, AnExceptionItsHandlerLetsOutIsReportedInsteadOfTheProgramsHandling) {
  const TChildResult r = RunChild("MessageLoop", [] {
    TApplication application(nullptr);
    int shown = 0;
    application.OnException = [&](TObject*, Exception&) { ++shown; };
    try {
      crfault_throw();
    } catch (...) {
      application.HandleException(nullptr);
    }
    std::_Exit(shown == 0 ? 0 : 30);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 1u) << r.Output;
  EXPECT_NE(r.Output.find("2.5 Message: thrown on purpose"), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("crfault_throw", r.Output.find("Call Stack Information:")), std::string::npos) << r.Output;
}

TEST(FaultCaptureFailures, AFaultInsideTheReportIsAnInternalErrorAndTheProgramEndsByItsSignal) {
  const TChildResult r = RunChild("ReporterFault", [] {
    SetFaultReportWriter([](std::string_view) { crfault_null_write(); });
    crfault_divide();
  });
  ASSERT_TRUE(WIFSIGNALED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WTERMSIG(r.Status), SIGFPE);
  EXPECT_EQ(CountLinesMatching(r.Output, R"(\[ERROR\] - Section: 13 - Address: [0-9A-F]{16} - Message: "SIGSEGV in the crash reporter")"), 1u) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 1u) << r.Output;  // the minimal report
  EXPECT_NE(r.Output.find("Fatal signal 8 (SIGFPE)"), std::string::npos) << r.Output;
}

TEST(FaultCaptureFailures, AFailedReportReleasesTheLockAndTheDispatchFlag) {
  const TChildResult r = RunChild("FailedReport", [] {
    ExceptionNotifyProc = [](const TCrashExceptionRecord&, bool&) { throw std::runtime_error("no room"); };
    const auto error = std::make_exception_ptr(std::logic_error("first"));
    if (!ReportCaughtException(error)) std::_Exit(10);
    if (ThreadState().InDispatch) std::_Exit(11);
    bool free = false;
    std::thread([&] {
      free = HandlerLock().TryEnter();
      if (free) HandlerLock().Leave();
    }).join();
    if (!free) std::_Exit(12);
    ExceptionNotifyProc = nullptr;
    ReportCaughtException(std::make_exception_ptr(std::logic_error("second")));
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(CountLinesMatching(r.Output, R"(\[ERROR\] - Section: 8 - Address: [0-9A-F]{16} - Message: "no room")"), 1u) << r.Output;
  EXPECT_NE(r.Output.find("\"no room\""), std::string::npos) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 1u) << r.Output;  // the second one
}

TEST(FaultCaptureFailures, AnExceptionRaisedWhileItsThreadDispatchesIsSwallowed) {
  const TChildResult r = RunChild("Nested", [] {
    SetFaultReportWriter([](std::string_view Report) {
      std::fwrite(Report.data(), 1, Report.size(), stderr);
    });
    ThreadState().InDispatch = true;
    const bool go_on = ReportCaughtException(std::make_exception_ptr(std::logic_error("nested")));
    ThreadState().InDispatch = false;
    std::_Exit(go_on ? 20 : 0);
  });
  ASSERT_TRUE(WIFEXITED(r.Status));
  EXPECT_EQ(WEXITSTATUS(r.Status), 0);
  EXPECT_EQ(CountLines(r.Output, kReportTitle), 0u) << r.Output;
}

}  // namespace
}  // namespace lab
