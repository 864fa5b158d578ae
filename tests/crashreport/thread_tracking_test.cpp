// Threads as the crash reporter follows them, each case in a child process that captures faults.

#include "crashreport/capture/thread_tracking.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "crashreport/crash_exports.h"
#include "crashreport/report/call_stack.h"
#include "crashreport/report/thread_stacks.h"
#include "crashreport/capture/freeze_watchdog.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "fault_child.h"
#include "platform/rtl/threads.h"

// The victims, out of line under global names, so the report's call stack can be searched for them.
__attribute__((noinline)) void crthread_throw() { throw std::runtime_error("thrown by a thread"); }
__attribute__((noinline)) void crthread_abort() { throw lab::EAbort("silent"); }

namespace lab {
namespace {

using testing::CountLines;
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

// What a child that tracks its threads does; each answers its exit code, 0 when all held.

// An exception that escapes a thread is reported in the thread, and the thread keeps it for
// whoever waits for it.
int Escape(void (*Victim)()) {
  TThrowingThread thread(Victim);
  thread.Start();
  thread.WaitFor();
  return thread.FatalException() ? 0 : 40;
}

// A thread is listed while it runs, and leaves the list as it ends; the report shows its own stack,
// then where it was started from, as a calling thread (the thread that started it).
int ReportWhileAThreadRuns(std::function<void()> (*Start)()) {
  const std::function<void()> join = Start();
  const std::uint32_t id = WaitUntilStarted();
  if (!Listed(id) || !Listed(MainThreadID())) return 60;
  ReportCaughtException(std::make_exception_ptr(std::runtime_error("look")));
  g_go = true;
  join();
  return Listed(id) ? 61 : 0;
}

// A thread that ends through pthread_exit leaves the list.
int EndThroughPthreadExit() {
  pthread_t thread;
  ::pthread_create(&thread, nullptr, [](void*) -> void* {
    Wait();
    ::pthread_exit(nullptr);
  }, nullptr);
  const std::uint32_t id = WaitUntilStarted();
  if (!Listed(id)) return 62;
  g_go = true;
  ::pthread_join(thread, nullptr);
  return Listed(id) ? 63 : 0;
}

// The crash reporter's own threads are neither listed nor reported.
int ReportBesideTheReportersOwnThreads() {
  SwitchFreezeWatchdog(true);  // waits for a main window that never comes
  if (!FreezeWatchdogRunning() || CrashThreadsList().Count() != 1) return 64;
  ReportCaughtException(std::make_exception_ptr(std::runtime_error("look")));
  SwitchFreezeWatchdog(false);
  return 0;
}

// The report works on a snapshot: a thread that ends meanwhile keeps its creation call stack there.
int SnapshotAThreadThatEnds() {
  const std::function<void()> join = crtrack_start_plain();
  const std::uint32_t id = WaitUntilStarted();
  const TCrashThreadsList snapshot(CrashThreadsList());
  g_go = true;
  join();
  if (Listed(id)) return 65;
  TCrashStackList stack;
  AppendCreationCallStack(stack, TMemoryMap(), snapshot, id);
  for (int i = 0; i < stack.Count(); ++i) {
    const TCrashDebugInfo& entry = *stack.GetItem(i);
    if (entry.ThreadKind != 0 || entry.ThreadID != MainThreadID()) return 66;
    if (entry.ProcedureName.find("crtrack_start_plain") != std::string::npos) return 0;
  }
  return 67;
}

// The thread start wrapper runs the routine it was handed, with its argument, and hands back its
// result, whether the thread has an entry in the list or not; the routine is called by the wrapper
// itself. What the routine saw of itself:
struct TRoutineRun {
  void* Argument = nullptr;
  bool Listed = false;
  bool EntryRight = false;  // its entry names the routine, its argument and the starting thread
  std::string Caller;       // the routine its return address is in
};
TRoutineRun g_run;

__attribute__((noinline)) void* RecordRun(void* Argument) {
  g_run.Argument = Argument;
  TCrashThreadsList& list = CrashThreadsList();
  list.BeginRead();
  const int index = list.IndexOfID(GetCurrentThreadID());
  g_run.Listed = index >= 0;
  if (index >= 0) {
    const TCrashThreadEntry& e = *list.GetItem(index);
    g_run.EntryRight = e.ReplacedCreateThreadStart == reinterpret_cast<const void*>(&RecordRun) &&
                       e.StartParameter == Argument && e.ResumerID == MainThreadID();
  }
  list.EndRead();
  TCrashDebugInfo caller;
  GetAddressDebugInfo(CallInstructionBefore(reinterpret_cast<std::uintptr_t>(__builtin_return_address(0))),
                      GetCurrentThreadID(), caller, 1);
  g_run.Caller = caller.ProcedureName;
  return static_cast<char*>(Argument) + 1;
}

// Enabled: the crash reporter; Own: started as one of its threads.
int StartThroughTheWrapper(bool Enabled, bool Own) {
  SetCrashLogEnabled(Enabled);
  char argument[2] = {};
  pthread_t thread;
  {
    std::optional<TOwnThreadStart> own;
    if (Own) own.emplace();
    if (::pthread_create(&thread, nullptr, &RecordRun, argument) != 0) return 70;
  }
  void* result = nullptr;
  ::pthread_join(thread, &result);
  if (result != argument + 1 || g_run.Argument != argument) return 71;
  const bool tracked = Enabled && !Own;
  if (g_run.Listed != tracked || (tracked && !g_run.EntryRight)) return 72;
  if (g_run.Caller != "ThreadStart") {
    std::fprintf(stderr, "called from %s\n", g_run.Caller.c_str());
    return 73;
  }
  return 0;
}

// A thread that a library module's crash reporter hands over: listed, with the starting thread's
// stack it was handed, until it says it ends. (Started as one of the reporter's own, so this
// module's hook leaves it to the exports.)
int ForwardFromALibrary() {
  int result = 0;
  const std::uint32_t starter = GetCurrentThreadID();
  const TOwnThreadStart own;
  std::thread([&] {
    const std::uint8_t stack[64] = {1, 2, 3};
    const TCrashThreadData data{GetCurrentThreadID(), static_cast<std::uintptr_t>(::pthread_self()), starter,
                                GetStackBase(), nullptr, nullptr, stack, sizeof stack, 0x1000};
    CrashLog_CallCreateThread(&data);
    TCrashThreadsList& list = CrashThreadsList();
    list.BeginRead();
    const int index = list.IndexOfID(GetCurrentThreadID());
    if (index < 0) {
      result = 74;
    } else {
      const TCrashThreadEntry& e = *list.GetItem(index);
      if (!e.ForeignCopy || e.ResumerID != starter || e.SavedStackSize != sizeof stack || e.SavedStack.get() == stack ||
          e.SavedStack[2] != 3 || e.SavedStackAddress != 0x1000)
        result = 75;
    }
    list.EndRead();
    CrashLog_CallExitThread();
    if (result == 0 && Listed(GetCurrentThreadID())) result = 76;
  }).join();
  return result;
}

struct TChildCase {
  const char* Name;
  int (*Run)();
  std::size_t Reports;            // the reports the child printed
  const char* Section = nullptr;  // where the report shows each of Shown (from there on)
  std::vector<const char*> Shown = {};
  const char* Absent = nullptr;  // nowhere in the child's output
};

void PrintTo(const TChildCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ThreadTracking : public ::testing::TestWithParam<TChildCase> {};

TEST_P(ThreadTracking, InAChildThatCapturesFaults) {
  const TChildCase& c = GetParam();
  const TChildResult r = RunChild(std::string("Tracking") + c.Name, [&] {
    SetCrashLogEnabled(true);
    InstallThreadTracking();
    std::_Exit(c.Run());
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(CountLines(r.Output, kReportTitle), c.Reports) << r.Output;
  const std::size_t section = c.Section ? r.Output.find(c.Section) : 0;
  ASSERT_NE(section, std::string::npos) << r.Output;
  for (const char* text : c.Shown) {
    EXPECT_NE(r.Output.find(text, section), std::string::npos) << text << "\n" << r.Output;
  }
  if (c.Absent) {
    EXPECT_EQ(r.Output.find(c.Absent), std::string::npos) << r.Output;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Children, ThreadTracking,
    ::testing::Values(
        TChildCase{"AnExceptionEscapingAThreadIsReportedAndKeptByIt", [] { return Escape(&crthread_throw); }, 1,
                   "Call Stack Information:", {"crthread_throw"}},
        TChildCase{"AnAbortEscapingAThreadIsKeptByItUnreported", [] { return Escape(&crthread_abort); }, 0},
        // The main thread started it, in the routine named.
        TChildCase{"AStdThreadShowsWhereItWasStarted", [] { return ReportWhileAThreadRuns(&crtrack_start_plain); }, 1,
                   "| Calling Thread: ID=", {"[Main]", "crtrack_start_plain"}},
        TChildCase{"AThreadObjectShowsWhereItWasStarted",
                   [] { return ReportWhileAThreadRuns(&crtrack_start_object); }, 1, "| Calling Thread: ID=",
                   {"[Main]", "crtrack_start_object"}},
        TChildCase{"AThreadThatEndsThroughPthreadExitLeavesTheList", &EndThroughPthreadExit, 0},
        TChildCase{"TheReportersOwnThreadsAreNeitherListedNorReported", &ReportBesideTheReportersOwnThreads, 1,
                   nullptr, {}, "Running Thread"},
        TChildCase{"ASnapshotKeepsTheCreationCallStackOfAThreadThatEnded", &SnapshotAThreadThatEnds, 0},
        TChildCase{"TheStartWrapperRunsATrackedThreadsRoutine", [] { return StartThroughTheWrapper(true, false); }, 0},
        TChildCase{"TheStartWrapperRunsTheRoutineOfAThreadWithoutAnEntry",
                   [] { return StartThroughTheWrapper(false, false); }, 0},
        TChildCase{"TheStartWrapperRunsTheReportersOwnThreadsRoutine", [] { return StartThroughTheWrapper(true, true); },
                   0},
        TChildCase{"AThreadALibraryHandsOverIsListedUntilItEnds", &ForwardFromALibrary, 0}),
    [](const ::testing::TestParamInfo<TChildCase>& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace lab
