#include "crashreport/report/thread_stacks.h"

#include <dirent.h>
#include <dlfcn.h>
#include <link.h>
#include <linux/futex.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include "crashreport/capture/fault_capture.h"
#include "crashreport/capture/hooks.h"
#include "crashreport/capture/raise_record.h"
#include "crashreport/report/call_stack.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/memory_probe.h"
#include "crashreport/capture/thread_tracking.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/threads.h"

// The highest address of the stack the program started on, as the loader noted it.
extern "C" void* __libc_stack_end;

namespace lab {
namespace {

// Recorded stacks.

struct TStackTable {
  std::mutex lock;
  std::unordered_map<std::uint32_t, TStackBounds> stacks;
};

TStackTable& Stacks() {
  static TStackTable* table = new TStackTable;
  return *table;
}

// The thread's entry goes when the thread ends, however it ends.
struct TStackRecord {
  std::uint32_t id = 0;
  void Record(const TStackBounds& bounds) {
    id = GetCurrentThreadID();
    std::lock_guard guard(Stacks().lock);
    Stacks().stacks[id] = bounds;
  }
  ~TStackRecord() {
    if (!id) return;
    std::lock_guard guard(Stacks().lock);
    Stacks().stacks.erase(id);
  }
};
thread_local TStackRecord t_stack_record;

// The thread start and dlopen hooks' own state: the program calls them, with no object of ours.
using TPthreadCreate = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
std::atomic<TPthreadCreate> g_real_create{nullptr};  // kept once found: a call in flight still needs it
std::atomic<bool> g_start_hooked{false};

struct TStart {
  void* (*Routine)(void*);
  void* Argument;
  TThreadStartRecord Entry;
};

void* ThreadStart(void* start) {
  TStart s = std::move(*static_cast<TStart*>(start));
  delete static_cast<TStart*>(start);
  t_stack_record.Record(CurrentThreadStack());
  EnterThread(std::move(s.Entry));
  const TAlternateSignalStack fault_stack;  // a stack overflow is reported from it
  const TRaiseStackRoom raise_room;         // what it throws is reported from where it was thrown
  return s.Routine(s.Argument);
}

// Its frame address makes it keep a frame of its own: the starting thread's stack is copied from
// there, so the copy begins with the return into the code that started the thread.
int HookedPthreadCreate(pthread_t* thread, const pthread_attr_t* attributes, void* (*routine)(void*), void* argument) {
  TPthreadCreate real = g_real_create.load();
  auto* start = new (std::nothrow) TStart{routine, argument, NewThreadEntry(routine, argument, __builtin_frame_address(0))};
  if (!start) return real(thread, attributes, routine, argument);
  const int result = real(thread, attributes, &ThreadStart, start);
  if (result != 0) delete start;
  return result;
}

// Libraries loaded later: their threads are hooked as they load, so a thread a library starts gets
// its entry and its alternate stack like the program's own.

using TDlopen = void* (*)(const char*, int);
std::atomic<TDlopen> g_real_dlopen{nullptr};

void* HookedDlopen(const char* File, int Mode);

// Every module loaded now: the program, the C++ runtime (std::thread) and the rest.
void HookLoadedModules() {
  const std::vector<std::string> modules = LoadedModuleNames();
  const void* real = nullptr;
  HookImportedProc(modules, "", "pthread_create", reinterpret_cast<const void*>(&HookedPthreadCreate), real, true);
  HookImportedProc(modules, "", "dlopen", reinterpret_cast<const void*>(&HookedDlopen), real, true);
}

thread_local bool t_hooking_loaded = false;  // the hooking itself opens libraries

void* HookedDlopen(const char* File, int Mode) {
  void* handle = g_real_dlopen.load()(File, Mode);
  if (handle && !(Mode & RTLD_NOLOAD) && g_start_hooked.load() && !t_hooking_loaded) {
    t_hooking_loaded = true;
    TScopeExit done([] { t_hooking_loaded = false; });
    try {
      HookLoadedModules();
    } catch (...) {
      // The library is loaded all the same; its threads go untracked.
    }
  }
  return handle;
}

// Taking another thread's registers.

enum : int { kWaiting = 0, kCaptured = 1, kReleased = 2, kLeft = 3, kCancelled = -1 };

struct TCaptureSlot {
  std::atomic<int> State{kWaiting};
  TCrashContext Context;
  // A hold ends there even when nobody lets the thread go; a request for the registers waits for
  // its asker however long.
  bool Limited = false;
  std::chrono::steady_clock::time_point Until;
};

long Futex(std::atomic<int>& word, int operation, int value, const timespec* timeout) {
  return ::syscall(SYS_futex, reinterpret_cast<int*>(&word), operation, value, timeout, nullptr, 0);
}

void Wake(std::atomic<int>& word) { Futex(word, FUTEX_WAKE_PRIVATE, INT_MAX, nullptr); }

// Waits while word holds value, until the deadline (none: for good). False at the deadline.
bool WaitWhile(std::atomic<int>& word, int value, const std::chrono::steady_clock::time_point* deadline) {
  while (word.load() == value) {
    timespec wait{};
    if (deadline) {
      const auto left = *deadline - std::chrono::steady_clock::now();
      if (left <= std::chrono::steady_clock::duration::zero()) return false;
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      wait.tv_sec = static_cast<time_t>(ns / 1000000000);
      wait.tv_nsec = static_cast<long>(ns % 1000000000);
    }
    Futex(word, FUTEX_WAIT_PRIVATE, value, deadline ? &wait : nullptr);
  }
  return true;
}

// Set while the thread stands in a fault's handler for good (StopAtFault).
thread_local const ucontext_t* t_fault_context = nullptr;

// Runs in the thread asked: keeps its registers in the slot the request names and waits there
// until released. Only async-signal-safe calls.
void CaptureHandler(int, siginfo_t* info, void* context) {
  TKeepErrno keep;
  // Only our own requests carry a slot: the same signal queued by another process names memory of
  // its own, which is not written here.
  if (!info || info->si_code != SI_QUEUE || info->si_pid != ::getpid() || !info->si_value.sival_ptr) return;
  auto* slot = static_cast<TCaptureSlot*>(info->si_value.sival_ptr);
  // Read first with acquire, pairing with the asker's release before it sent the signal (which by
  // itself orders nothing for the tools that check threads).
  int expected = slot->State.load(std::memory_order_acquire);
  if (expected == kWaiting)
    SaveContext(t_fault_context ? *t_fault_context : *static_cast<ucontext_t*>(context), slot->Context);
  expected = kWaiting;
  if (!slot->State.compare_exchange_strong(expected, kCaptured)) {  // the asker gave up
    slot->State.store(kLeft);  // the last touch: the slot may be freed from now on
    return;
  }
  Wake(slot->State);
  if (!WaitWhile(slot->State, kCaptured, slot->Limited ? &slot->Until : nullptr)) {
    expected = kCaptured;
    if (slot->State.compare_exchange_strong(expected, kLeft)) return;  // gone on unreleased
  }
  slot->State.store(kLeft);
  Wake(slot->State);
}

// Slots of requests given up, kept until their thread has answered (for good when it never does,
// having ended or blocked the signal): each time one is given up, those answered since are freed.
void KeepGivenUp(TCaptureSlot* Slot) {
  static std::mutex lock;
  static auto* slots = new std::vector<TCaptureSlot*>;
  std::lock_guard guard(lock);
  std::erase_if(*slots, [](TCaptureSlot* s) {
    if (s->State.load() != kLeft) return false;
    delete s;
    return true;
  });
  slots->push_back(Slot);
}

// Asks ThreadID for its registers with a slot of its own: a thread that answers after the asker
// gave up writes only into a slot nobody reads any more, freed once it has. Nullptr, with errno,
// when the signal could not be sent (ESRCH: no such thread).
TCaptureSlot* Ask(std::uint32_t ThreadID, const std::chrono::steady_clock::time_point* HoldUntil) {
  auto* slot = new TCaptureSlot;
  if (HoldUntil) {
    slot->Limited = true;
    slot->Until = *HoldUntil;
  }
  slot->State.store(kWaiting, std::memory_order_release);
  siginfo_t info{};
  info.si_signo = CaptureSignal();
  info.si_code = SI_QUEUE;
  info.si_pid = ::getpid();
  info.si_uid = ::getuid();
  info.si_value.sival_ptr = slot;
  if (::syscall(SYS_rt_tgsigqueueinfo, ::getpid(), static_cast<pid_t>(ThreadID), CaptureSignal(), &info) != 0) {
    const TKeepErrno keep;
    delete slot;
    return nullptr;
  }
  return slot;
}

// False when the thread did not answer by Deadline: the slot is then given up.
bool Answered(TCaptureSlot* Slot, std::chrono::steady_clock::time_point Deadline) {
  if (WaitWhile(Slot->State, kWaiting, &Deadline)) return true;
  int expected = kWaiting;
  if (!Slot->State.compare_exchange_strong(expected, kCancelled)) return true;  // just now
  KeepGivenUp(Slot);
  return false;
}

// Lets the thread standing in its handler for Slot go on (unless its hold ran out and it went on
// already), and frees the slot once the thread has left it.
void Release(TCaptureSlot* Slot) noexcept {
  int expected = kCaptured;
  if (Slot->State.compare_exchange_strong(expected, kReleased)) {
    Wake(Slot->State);
    WaitWhile(Slot->State, kReleased, nullptr);
  }
  delete Slot;
}

// The threads held for a report.
struct THeldThreads {
  std::mutex lock;
  std::vector<TCaptureSlot*> slots;
};

THeldThreads& Held() {
  static THeldThreads* held = new THeldThreads;
  return *held;
}

void InstallCaptureHandler() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    struct sigaction action {};
    action.sa_sigaction = &CaptureHandler;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigfillset(&action.sa_mask);
    ::sigaction(CaptureSignal(), &action, nullptr);
  });
}

}  // namespace

TStackBounds InitialThreadStack(const TMappingLookup& Memory) {
  const auto start = reinterpret_cast<std::uintptr_t>(__libc_stack_end);
  TMemoryRegion holder;
  rlimit limit{};
  if (!Memory.Find(start, false, holder) || ::getrlimit(RLIMIT_STACK, &limit) != 0) return {};
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const std::uintptr_t high = (start & ~(page - 1)) + page;
  std::uintptr_t size = (static_cast<std::uintptr_t>(limit.rlim_cur) - (holder.End - high)) & ~(page - 1);
  // Never into the mapping below: the last one before the stack's, where it ends within that size.
  std::uintptr_t below = 0;
  TMemoryRegion r;
  for (std::uintptr_t at = size < high ? high - size : 0; Memory.Find(at, true, r) && r.Start < holder.Start; at = r.End)
    below = r.End;
  if (size > high - below) size = high - below;
  return TStackBounds{high - size, high};
}

TStackBounds ReadableStackAbove(const TMemoryMap& Memory, std::uintptr_t Sp) {
  if (const std::uintptr_t end = Memory.RegionEnd(Sp))
    return Memory.IsReadable(Sp, 1) ? TStackBounds{Sp, end} : TStackBounds{end, Memory.RegionEnd(end)};
  TMemoryRegion above;
  const TStackBounds main = InitialThreadStack(Memory);
  if (!Memory.Find(Sp, true, above) || main.High <= above.Start || main.High > above.End) return {};
  return TStackBounds{above.Start, main.High};
}

TStackBounds CurrentThreadStack() {
  thread_local TStackBounds bounds;
  if (bounds.High) return bounds;
  if (const TMappingLookup* memory = TMemoryMapScope::Mappings()) {
    const TStackBounds initial = InitialThreadStack(*memory);
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (here >= initial.Low && here < initial.High) return bounds = initial;
  }
  pthread_attr_t attributes;
  if (::pthread_getattr_np(::pthread_self(), &attributes) == 0) {
    void* low = nullptr;
    std::size_t size = 0;
    if (::pthread_attr_getstack(&attributes, &low, &size) == 0) {
      bounds.Low = reinterpret_cast<std::uintptr_t>(low);
      bounds.High = bounds.Low + size;
    }
    ::pthread_attr_destroy(&attributes);
  }
  return bounds;
}

const void* GetStackBase() { return reinterpret_cast<const void*>(CurrentThreadStack().High); }

std::vector<std::string> LoadedModuleNames() {
  std::vector<std::string> modules{""};
  ::dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* out) {
        if (info->dlpi_name && *info->dlpi_name) static_cast<std::vector<std::string>*>(out)->push_back(info->dlpi_name);
        return 0;
      },
      &modules);
  return modules;
}

void InstallThreadStartHook() {
  if (g_start_hooked.exchange(true)) return;
  LeaveOutOfCallStacks(reinterpret_cast<const void*>(&ThreadStart));
  // The hooks read the real routines from g_real_create and g_real_dlopen: set them before any slot
  // points at a hook. They are the ones the modules bind to (a sanitizer's, which calls the C
  // library's, comes first).
  if (!g_real_create.load()) g_real_create = reinterpret_cast<TPthreadCreate>(::dlsym(RTLD_DEFAULT, "pthread_create"));
  if (!g_real_dlopen.load()) g_real_dlopen = reinterpret_cast<TDlopen>(::dlsym(RTLD_DEFAULT, "dlopen"));
  if (!g_real_create.load() || !g_real_dlopen.load()) {
    g_start_hooked = false;
    return;
  }
  TScopeFail not_hooked([] { g_start_hooked = false; });
  HookLoadedModules();
}

void RemoveThreadStartHook() {
  UnhookImportedProc(reinterpret_cast<const void*>(&HookedDlopen));
  UnhookImportedProc(reinterpret_cast<const void*>(&HookedPthreadCreate));
  g_start_hooked = false;
}

bool RecordedThreadStack(std::uint32_t ThreadID, TStackBounds& Bounds) {
  std::lock_guard guard(Stacks().lock);
  auto it = Stacks().stacks.find(ThreadID);
  if (it == Stacks().stacks.end()) return false;
  Bounds = it->second;
  return true;
}

int CaptureSignal() noexcept { return SIGRTMIN + 5; }

bool WithThreadContext(std::uint32_t ThreadID, unsigned TimeoutMs, const std::function<void(const TCrashContext&)>& Use) {
  // The asking thread would wait in its handler for itself.
  if (ThreadID == GetCurrentThreadID()) return false;
  InstallCaptureHandler();
  // While it asks, a request made of this thread waits: two threads asking each other at once would
  // otherwise each stand in its handler, waiting for the other to let it go.
  sigset_t capture, previous;
  sigemptyset(&capture);
  sigaddset(&capture, CaptureSignal());
  ::pthread_sigmask(SIG_BLOCK, &capture, &previous);
  TScopeExit restore_mask([&] { ::pthread_sigmask(SIG_SETMASK, &previous, nullptr); });
  TCaptureSlot* slot = Ask(ThreadID, nullptr);
  if (!slot || !Answered(slot, std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs))) return false;
  TScopeExit release([slot] { Release(slot); });
  Use(slot->Context);
  return true;
}

std::vector<std::uint32_t> HoldThreads(const std::vector<std::uint32_t>& ThreadIDs, unsigned AnswerMs, unsigned HoldMs) {
  InstallCaptureHandler();
  const auto now = std::chrono::steady_clock::now();
  const auto answer_by = now + std::chrono::milliseconds(AnswerMs);
  const auto hold_until = now + std::chrono::milliseconds(HoldMs);
  // All are asked before any answer is waited for: the slowest sets the wait.
  std::vector<std::pair<std::uint32_t, TCaptureSlot*>> asked;
  std::vector<std::uint32_t> not_held;
  for (std::uint32_t id : ThreadIDs) {
    if (id == GetCurrentThreadID()) continue;
    if (TCaptureSlot* slot = Ask(id, &hold_until)) asked.emplace_back(id, slot);
    else if (errno != ESRCH) not_held.push_back(id);  // (one that has ended needs no holding)
  }
  THeldThreads& held = Held();
  std::lock_guard guard(held.lock);
  for (const auto& [id, slot] : asked) {
    if (Answered(slot, answer_by)) held.slots.push_back(slot);
    else not_held.push_back(id);
  }
  return not_held;
}

void ReleaseHeldThreads() noexcept {
  std::vector<TCaptureSlot*> slots;
  {
    THeldThreads& held = Held();
    std::lock_guard guard(held.lock);
    slots.swap(held.slots);
  }
  for (TCaptureSlot* slot : slots) Release(slot);
}

void StopAtFault(const ucontext_t& Context) noexcept {
  t_fault_context = &Context;
  std::atomic_signal_fence(std::memory_order_seq_cst);  // set before a request can interrupt the wait
}

std::vector<std::uint32_t> ProcessThreadIDs() {
  std::vector<std::uint32_t> ids;
  if (DIR* dir = ::opendir("/proc/self/task")) {
    while (dirent* entry = ::readdir(dir)) {
      const long id = std::strtol(entry->d_name, nullptr, 10);
      if (id > 0) ids.push_back(static_cast<std::uint32_t>(id));
    }
    ::closedir(dir);
  }
  return ids;
}

}  // namespace lab
