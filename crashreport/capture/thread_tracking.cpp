#include "crashreport/capture/thread_tracking.h"

#include <link.h>
#include <pthread.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "crashreport/crash_exports.h"
#include "crashreport/report/call_stack.h"
#include "crashreport/report/system_utils.h"
#include "crashreport/capture/fault_capture.h"
#include "crashreport/report/memory_probe.h"
#include "crashreport/process_state.h"
#include "crashreport/report/thread_stacks.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

// Runs inside the thread class's handler: the report's call stack starts where the exception was
// raised. An EAbort is the program's silent way out and is not reported.
void ReportEscapingException(TThread*, std::exception_ptr E) {
  if (!IsCrashLogEnabled() || !IsCrashLogEnabledInThread(GetCurrentThreadID())) return;
  try {
    try {
      std::rethrow_exception(E);
    } catch (const EAbort&) {
      return;
    } catch (...) {
    }
    ReportCaughtException(E);
  } catch (...) {
    // The thread's own handling goes on whatever became of the report.
  }
}

// The crash reporter's own threads, by ID.
struct TOwnThreads {
  std::mutex lock;
  std::vector<std::uint32_t> ids;
};

TOwnThreads& OwnThreads() {
  static TOwnThreads* own = new TOwnThreads;  // never destroyed: threads may end after exit
  return *own;
}

// The TOwnThreadStart scopes open on this thread: a thread it starts then is the crash reporter's own.
// Per thread, as the thread start hook the program calls is handed no object.
thread_local int t_own_starts = 0;

// In a library module, the program's exports that take its thread starts, when the program carries
// a crash reporter; null in the program itself.
template <class F>
F ProgramExport(const char* Name) {
  const link_map* program = _r_debug.r_map;  // the loader lists the program first
  if (!program || LoaderEntryOf(RunningModuleBase()) == program) return nullptr;
  return reinterpret_cast<F>(const_cast<void*>(FindLoadedExport(*program, Name)));
}

// Takes the thread out of the list, or of the crash reporter's own, as it ends.
struct TThreadMembership {
  bool Tracked = false;
  bool Forwarded = false;  // to the program's list
  bool Own = false;
  ~TThreadMembership() {
    if (Tracked) CrashThreadsList().RemoveCurrentThread();
    if (Forwarded)
      if (auto exit_thread = ProgramExport<TCrashCallExitThread>("CrashLog_CallExitThread")) exit_thread();
    if (Own) {
      TOwnThreads& own = OwnThreads();
      std::lock_guard guard(own.lock);
      std::erase(own.ids, GetCurrentThreadID());
    }
  }
};
thread_local TThreadMembership t_membership;

void AddEntry(std::unique_ptr<TCrashThreadEntry> Entry) {
  TCrashThreadsList& list = CrashThreadsList();
  list.BeginWrite();
  TScopeExit done([&] { list.EndWrite(); });
  list.Add(std::move(Entry));
}

}  // namespace

void InstallThreadTracking() {
  SetThreadExceptionHook(&ReportEscapingException);
  // The main thread has been running since before the hook: its entry is made here, without a
  // creation call stack.
  if (!IsMainThread()) return;
  TCrashThreadsList& list = CrashThreadsList();
  list.BeginRead();
  const bool listed = list.IndexOfID(GetCurrentThreadID()) >= 0;
  list.EndRead();
  if (listed) return;
  auto entry = TCrashThreadsList::NewItem();
  entry->ThreadID = GetCurrentThreadID();
  entry->Handle = static_cast<std::uintptr_t>(::pthread_self());
  entry->StackBase = GetStackBase();
  AddEntry(std::move(entry));
  t_membership.Tracked = true;
}

void RemoveThreadTracking() { SetThreadExceptionHook(nullptr); }

TThreadStartRecord NewThreadEntry(void* (*Routine)(void*), void* Argument, const void* StackPointer) noexcept {
  TThreadStartRecord start;
  start.Own = t_own_starts > 0;
  if (start.Own || !IsCrashLogEnabled()) return start;
  try {
    CrashThreadsList().RemoveTerminated();
    auto entry = TCrashThreadsList::NewItem();
    entry->ResumerID = GetCurrentThreadID();
    entry->ReplacedCreateThreadStart = reinterpret_cast<const void*>(Routine);
    entry->StartParameter = Argument;
    if (reinterpret_cast<const void*>(Routine) == TThread::ThreadProcedure())
      entry->ThreadObject = static_cast<TThread*>(Argument);
    const auto from = reinterpret_cast<std::uintptr_t>(StackPointer);
    const std::uintptr_t base = CurrentThreadStack().High;
    if (base > from) {
      const std::size_t size = std::min<std::size_t>(base - from, kMaxStackScan);
      auto copy = std::make_unique_for_overwrite<std::uint8_t[]>(size);
      entry->SavedStackSize = ReadMemory(StackPointer, copy.get(), size);
      entry->SavedStack = std::move(copy);
      entry->SavedStackAddress = from;
    }
    start.Entry = std::move(entry);
  } catch (...) {
    start.Entry.reset();  // not tracked; the thread starts all the same
  }
  return start;
}

void EnterThread(TThreadStartRecord Start) noexcept {
  if (Start.Own) {
    TOwnThreads& own = OwnThreads();
    try {
      std::lock_guard guard(own.lock);
      own.ids.push_back(GetCurrentThreadID());
      t_membership.Own = true;
    } catch (...) {
    }
    return;
  }
  if (!Start.Entry) return;
  Start.Entry->ThreadID = GetCurrentThreadID();
  Start.Entry->Handle = static_cast<std::uintptr_t>(::pthread_self());
  Start.Entry->StackBase = GetStackBase();
  if (auto create = ProgramExport<TCrashCallCreateThread>("CrashLog_CallCreateThread")) {
    const TCrashThreadEntry& e = *Start.Entry;
    const TCrashThreadData data{e.ThreadID,     e.Handle, e.ResumerID, e.StackBase, e.ReplacedCreateThreadStart,
                                e.StartParameter, e.SavedStack.get(), e.SavedStackSize, e.SavedStackAddress};
    create(&data);
    t_membership.Forwarded = true;
  }
  try {
    AddEntry(std::move(Start.Entry));
    t_membership.Tracked = true;
  } catch (...) {
  }
}

TOwnThreadStart::TOwnThreadStart() noexcept { ++t_own_starts; }
TOwnThreadStart::~TOwnThreadStart() { --t_own_starts; }

bool IsOwnThread(std::uint32_t ThreadID) {
  TOwnThreads& own = OwnThreads();
  std::lock_guard guard(own.lock);
  return std::find(own.ids.begin(), own.ids.end(), ThreadID) != own.ids.end();
}

void AppendCreationCallStack(TCrashStackList& List, const TMemoryMap& Memory, const TCrashThreadsList& Snapshot,
                             std::uint32_t ThreadID) {
  const int index = Snapshot.IndexOfID(ThreadID);
  if (index < 0) return;
  const TCrashThreadEntry& entry = *Snapshot.GetItem(index);
  if (!entry.SavedStack || entry.SavedStackSize == 0) return;
  BuildCopiedCallStack(List, Memory, entry.SavedStack.get(), entry.SavedStackSize, entry.SavedStackAddress, 0, 0,
                       entry.ResumerID);
}

}  // namespace lab

extern "C" {

void CrashLog_CallCreateThread(const TCrashThreadData* Thread) {
  using namespace lab;
  if (!Thread || !IsCrashLogEnabled()) return;
  try {
    TCrashThreadsList& list = CrashThreadsList();
    list.RemoveTerminated();
    auto entry = TCrashThreadsList::NewItem();
    entry->ThreadID = Thread->ThreadID;
    entry->Handle = Thread->Handle;
    entry->ResumerID = Thread->ResumerID;
    entry->StackBase = Thread->StackBase;
    entry->ReplacedCreateThreadStart = Thread->StartRoutine;
    entry->StartParameter = Thread->StartParameter;
    entry->ForeignCopy = true;
    if (Thread->SavedStack && Thread->SavedStackSize) {
      auto copy = std::make_unique_for_overwrite<std::uint8_t[]>(Thread->SavedStackSize);
      std::memcpy(copy.get(), Thread->SavedStack, Thread->SavedStackSize);
      entry->SavedStack = std::move(copy);
      entry->SavedStackSize = Thread->SavedStackSize;
      entry->SavedStackAddress = Thread->SavedStackAddress;
    }
    list.BeginWrite();
    TScopeExit done([&] { list.EndWrite(); });
    if (list.IndexOfID(entry->ThreadID) < 0) list.Add(std::move(entry));
  } catch (...) {
    // The thread runs untracked.
  }
}

void CrashLog_CallExitThread(void) {
  try {
    lab::CrashThreadsList().RemoveCurrentThread();
  } catch (...) {
  }
}

}  // extern "C"
