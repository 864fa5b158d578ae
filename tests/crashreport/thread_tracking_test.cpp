// Threads as the crash reporter follows them, each case in a child process that captures faults.

#include "crashreport/thread_tracking.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

#include "crashreport/freeze_watchdog.h"
#include "crashreport/memory_map.h"
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

// Threads started by the program, each waiting for Go before it ends.
std::atomic<bool> g_go{false};
std::atomic<std::uint32_t> g_started{0};

class TWaitingThread : public TThread {
 public:
  TWaitingThread() : TThread(true) {}

 protected:
  void Execute() override {
    g_started = GetCurrentThreadID();
    while (!g_go.load()) std::this_thread::yield();
  }
};

void Wait() {
  g_started = GetCurrentThreadID();
  while (!g_go.load()) std::this_thread::yield();
}

}  // namespace
}  // namespace lab

// Where the program starts its threads: kept out of line, so the creation call stack can name it.
__attribute__((noinline)) std::function<void()> crtrack_start_plain() {
  auto* thread = new std::thread(&lab::Wait);
  return [thread] {
    thread->join();
    delete thread;
  };
}

__attribute__((noinline)) std::function<void()> crtrack_start_object() {
  auto* thread = new lab::TWaitingThread;
  thread->Start();
  return [thread] {
    thread->WaitFor();
    delete thread;
  };
}

namespace lab {
namespace {

std::uint32_t WaitUntilStarted() {
  while (g_started.load() == 0) std::this_thread::yield();
  return g_started.load();
}

bool Listed(std::uint32_t ThreadID) {
  TCrashThreadsList& list = CrashThreadsList();
  list.BeginRead();
  const bool listed = list.IndexOfID(ThreadID) >= 0;
  list.EndRead();
  return listed;
}

struct TStartCase {
  const char* Name;
  std::function<void()> (*Start)();
  const char* Starter;  // in the creation call stack
};

void PrintTo(const TStartCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ThreadTracking : public ::testing::TestWithParam<TStartCase> {};

// The report shows each thread's own stack, then where it was started from, as a calling thread
// (the thread that started it); the thread leaves the list as it ends.
TEST_P(ThreadTracking, TheReportShowsWhereEachThreadWasStartedAndAnEndedThreadLeavesTheList) {
  const TStartCase& c = GetParam();
  const TChildResult r = RunChild(std::string("Tracking") + c.Name, [&] {
    SetCrashLogEnabled(true);
    InstallThreadTracking();
    const std::function<void()> join = c.Start();
    const std::uint32_t id = WaitUntilStarted();
    if (!Listed(id) || !Listed(MainThreadID())) std::_Exit(60);
    ReportCaughtException(std::make_exception_ptr(std::runtime_error("look")));
    g_go = true;
    join();
    std::_Exit(Listed(id) ? 61 : 0);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(Count(r.Output, kReportTitle), 1u) << r.Output;
  const std::size_t calling = r.Output.find("| Calling Thread: ID=");
  ASSERT_NE(calling, std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find("[Main]", calling), std::string::npos) << r.Output;  // the main thread started it
  EXPECT_NE(r.Output.find(c.Starter, calling), std::string::npos) << r.Output;
}

INSTANTIATE_TEST_SUITE_P(
    Starts, ThreadTracking,
    ::testing::Values(TStartCase{"StdThread", &crtrack_start_plain, "crtrack_start_plain"},
                      TStartCase{"ThreadClass", &crtrack_start_object, "crtrack_start_object"}),
    [](const ::testing::TestParamInfo<TStartCase>& Info) { return std::string(Info.param.Name); });

TEST(ThreadTrackingExit, AThreadThatEndsThroughPthreadExitLeavesTheList) {
  const TChildResult r = RunChild("TrackingExit", [] {
    SetCrashLogEnabled(true);
    InstallThreadTracking();
    pthread_t thread;
    ::pthread_create(&thread, nullptr, [](void*) -> void* {
      Wait();
      ::pthread_exit(nullptr);
    }, nullptr);
    const std::uint32_t id = WaitUntilStarted();
    if (!Listed(id)) std::_Exit(62);
    g_go = true;
    ::pthread_join(thread, nullptr);
    std::_Exit(Listed(id) ? 63 : 0);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
}

TEST(ThreadTrackingOwnThreads, TheCrashReportersOwnThreadsAreNeitherListedNorReported) {
  const TChildResult r = RunChild("TrackingOwn", [] {
    SetCrashLogEnabled(true);
    InstallThreadTracking();
    SwitchFreezeWatchdog(true);  // waits for a main window that never comes
    if (!FreezeWatchdogRunning() || CrashThreadsList().Count() != 1) std::_Exit(64);
    ReportCaughtException(std::make_exception_ptr(std::runtime_error("look")));
    SwitchFreezeWatchdog(false);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(Count(r.Output, kReportTitle), 1u) << r.Output;
  EXPECT_EQ(Count(r.Output, "Running Thread"), 0u) << r.Output;
}

// The report works on a snapshot: a thread that ends meanwhile keeps its creation call stack there.
TEST(ThreadTrackingSnapshot, KeepsTheCreationCallStackOfAThreadThatEnded) {
  const TChildResult r = RunChild("TrackingSnapshot", [] {
    SetCrashLogEnabled(true);
    InstallThreadTracking();
    const std::function<void()> join = crtrack_start_plain();
    const std::uint32_t id = WaitUntilStarted();
    const TCrashThreadsList snapshot(CrashThreadsList());
    g_go = true;
    join();
    if (Listed(id)) std::_Exit(65);
    TCrashStackList stack;
    AppendCreationCallStack(stack, TMemoryMap(), snapshot, id);
    for (int i = 0; i < stack.Count(); ++i) {
      const TCrashDebugInfo& entry = *stack.GetItem(i);
      if (entry.ThreadKind != 0 || entry.ThreadID != MainThreadID()) std::_Exit(66);
      if (entry.ProcedureName.find("crtrack_start_plain") != std::string::npos) std::_Exit(0);
    }
    std::_Exit(67);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
}

}  // namespace
}  // namespace lab
