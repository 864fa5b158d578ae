#include "crashreport/capture/fault_capture.h"

#include <dlfcn.h>
#include <linux/futex.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <typeinfo>

#include "crashreport/codec/file_utils.h"
#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/dialogs/web_mode.h"
#include "crashreport/dialogs/window_services.h"
#include "crashreport/report/call_stack.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/exception_processing.h"
#include "crashreport/internal_error.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/report/module_list.h"
#include "crashreport/report/object_checks.h"
#include "crashreport/capture/output_hooks.h"
#include "crashreport/capture/raise_record.h"
#include "crashreport/report/report_pause.h"
#include "crashreport/report/report_text.h"
#include "crashreport/report/thread_stacks.h"
#include "crashreport/capture/thread_tracking.h"
#include "platform/controls/application.h"
#include "platform/rtl/clock.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::size_t kAlternateStackSize = 64 * 1024;
// How long a faulting thread waits for the worker's report before it writes a minimal one itself.
constexpr long kReportTimeoutSeconds = 30;

// What the worker needs to know of a fault.
struct TFault {
  int Signal = 0;  // 0: an exception
  int SignalCode = 0;
  std::uintptr_t DataAddress = 0;
  TCrashContext Context;  // filled for a signal
  std::uint32_t ThreadID = 0;
  std::uintptr_t StackPointer = 0;
  std::uintptr_t Address = 0;  // where it was raised (for an exception: found from Raise when 0)
  TRaiseRecord Raise;          // an exception's throw, when it was recorded
  const void* Object = nullptr;
  const std::type_info* Class = nullptr;
  // Owns Object where the code that raised it frees it once the report is made (TCrashProcessState's
  // ExceptionOwner).
  std::shared_ptr<const void> Owner;
  bool Frozen = false;  // a thread that stopped answering: its stack is taken where it stands
  bool Fatal = false;  // the program ends after the report
};

// The worker and the slot a signal handler fills (preallocated: a handler may not allocate). At
// file scope, as the rest of the capture's state: the signal and terminate handlers are handed no
// object to reach it through.
std::atomic<bool> g_installed{false};
pid_t g_installed_pid = 0;
int g_event_fd = -1;
pthread_t g_worker;
std::atomic<pid_t> g_worker_tid{0};
std::atomic<bool> g_stop{false};
TFault g_fatal;
std::atomic<bool> g_fatal_pending{false};
std::atomic<pid_t> g_fatal_owner{0};
std::atomic<int> g_fatal_done{0};  // 1 done, 2 the worker failed
struct sigaction g_previous[std::size(kFaultSignals)];
std::terminate_handler g_previous_terminate = nullptr;
TApplicationExceptionHook g_previous_hook;

// Reports an exception thread asks for, each waited for by its thread.
struct TJob {
  const TFault* Fault;
  bool Done = false;
  bool Result = true;  // the program's own handling goes on
  std::atomic<bool> Stopped{false};  // its thread faulted while it waited
};
// The report the calling thread waits for (read by the fault handler: no dynamic TLS).
thread_local TJob* t_waiting_job __attribute__((tls_model("initial-exec"))) = nullptr;
std::mutex g_jobs_lock;
std::condition_variable g_jobs_done;
std::deque<TJob*> g_jobs;
std::atomic<int> g_reports_waited{0};

std::mutex g_writer_lock;
TFaultReportWriter g_writer;

pid_t Tid() noexcept { return static_cast<pid_t>(::syscall(SYS_gettid)); }

void WriteRaw(const char* Text) noexcept { WriteStandardError(Text); }

// 16 hex digits, without allocating.
void WriteHex(std::uintptr_t Value) noexcept {
  char text[17];
  for (int i = 15; i >= 0; --i, Value >>= 4) text[i] = "0123456789ABCDEF"[Value & 15];
  text[16] = 0;
  WriteRaw(text);
}

void WriteDecimal(long Value) noexcept {
  char text[24];
  char* p = text + sizeof text;
  *--p = 0;
  const bool negative = Value < 0;
  unsigned long v = negative ? 0UL - static_cast<unsigned long>(Value) : static_cast<unsigned long>(Value);
  do *--p = static_cast<char>('0' + v % 10); while ((v /= 10) != 0);
  if (negative) *--p = '-';
  WriteRaw(p);
}

const char* SignalName(int Signal) noexcept {
  switch (Signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "signal";
  }
}

long Futex(std::atomic<int>& Word, int Operation, int Value, const timespec* Timeout) noexcept {
  return ::syscall(SYS_futex, reinterpret_cast<int*>(&Word), Operation, Value, Timeout, nullptr, 0);
}

void WakeWorker() noexcept {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(g_event_fd, &one, sizeof one);
}

void WriteReport(std::string_view Report) {
  TFaultReportWriter writer;
  {
    std::lock_guard guard(g_writer_lock);
    writer = g_writer;
  }
  if (writer) return writer(Report);
  std::fflush(stderr);  // what the program wrote there comes first
  WriteStandardError(Report);
}

// The fault as the exception the report names.
struct TFaultException {
  std::unique_ptr<Exception> Object;
  const std::type_info* Class = nullptr;
};

TFaultException FaultException(const TFault& Fault, const TMemoryMap& Memory) {
  auto make = [](auto* Object) { return TFaultException{std::unique_ptr<Exception>(Object), &typeid(*Object)}; };
  switch (Fault.Signal) {
    case SIGSEGV: {
      // A touch just below the stack pointer's mapping is the guard page of an exhausted stack.
      const std::uintptr_t sp = Fault.Context.Rsp();
      if (Fault.DataAddress + 65536 > sp && Fault.DataAddress < sp + 4096 && !Memory.IsReadable(Fault.DataAddress, 1))
        return make(new EStackOverflow("Stack overflow"));
      return make(new EAccessViolation("Access violation"));
    }
    case SIGBUS:
      // Mapped memory with nothing behind it: a page past the end of a file that was cut short.
      if (Fault.SignalCode == BUS_ADRERR)
        return make(new EBusError("Bus error: no data behind address " + Format("%.16X", Fault.DataAddress) +
                                  " (a mapped file cut short)"));
      return make(new EBusError("Bus error"));
    case SIGFPE:
      if (Fault.SignalCode == FPE_INTDIV) return make(new EIntError("Division by zero"));
      if (Fault.SignalCode == FPE_INTOVF) return make(new EIntError("Integer overflow"));
      return make(new EExternal("Floating point error"));
    case SIGILL: return make(new EExternal("Illegal instruction"));
    case SIGABRT: return make(new EExternal("Abnormal program termination"));
    default: return {};
  }
}

// Signals another process sends while a report is made wait until it is done: the first fault
// signal (which would otherwise pass for a fault of the report itself, or stop a thread the report
// waits for), and SIGTERM, which would end the program in the middle of writing the log.
std::atomic<int> g_held_signal{0};
std::atomic<bool> g_term_held{false};

bool SentFromOutside(const siginfo_t* Info) noexcept {
  return (Info->si_code == SI_USER || Info->si_code == SI_TKILL || Info->si_code == SI_QUEUE) &&
         Info->si_pid != ::getpid();
}

void HoldTerm(int) { g_term_held = true; }

// While one lives, SIGTERM waits (unless the program handles it itself); as it goes, the signals
// held are sent again, unless the program ends after the report anyway.
class TOutsideSignalHold {
 public:
  explicit TOutsideSignalHold(bool Fatal) noexcept : fatal_(Fatal) {
    struct sigaction current {};
    if (::sigaction(SIGTERM, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL)
      return;
    struct sigaction hold {};
    hold.sa_handler = &HoldTerm;
    hold.sa_flags = SA_RESTART;
    sigemptyset(&hold.sa_mask);
    installed_ = ::sigaction(SIGTERM, &hold, &previous_) == 0;
  }
  ~TOutsideSignalHold() {
    if (installed_) ::sigaction(SIGTERM, &previous_, nullptr);
    if (fatal_) return;
    if (g_term_held.exchange(false)) ::kill(::getpid(), SIGTERM);
    if (const int held = g_held_signal.exchange(0)) ::kill(::getpid(), held);
  }
  TOutsideSignalHold(const TOutsideSignalHold&) = delete;
  TOutsideSignalHold& operator=(const TOutsideSignalHold&) = delete;

 private:
  bool fatal_;
  bool installed_ = false;
  struct sigaction previous_ {};
};

// Builds the report of Fault (the raising thread's call stack from where it was raised, then every
// other thread's) and hands it to exception processing, unless a filter takes the exception out.
// Runs in the worker, under the handler lock. True when the program's own handling should go on.
bool MakeReport(const TFault& Fault, bool RaisingThreadServes) {
  TCrashProcessState& state = CrashState();
  const TOutsideSignalHold outside(Fault.Fatal || Fault.Signal != 0);
  HandlerLock().Enter();
  TScopeExit leave([&] {
    ReleaseHeldThreads();
    ResetExceptionState();
    HandlerLock().Leave();
  });
  try {
    // A thread stopped in a fault handler serves its windows no more: what other threads' dialogs
    // send to them must not wait for it.
    if (!RaisingThreadServes) CrashGui().ThreadStopped(Fault.ThreadID);
    state.StepCode = csStarted;
    state.ExceptionTime = Now();
    const TMemoryMap memory;
    // Entries of threads that end meanwhile stay whole in the snapshot (their stack copies are shared).
    const TCrashThreadsList threads(CrashThreadsList());
    TFaultException signal = FaultException(Fault, memory);
    state.StepCode = csFilters;
    if (FilterException(signal.Object ? signal.Class : Fault.Class)) return false;
    const TRaiseRecord& raise = Fault.Raise;
    const std::uintptr_t sp = Fault.Signal ? Fault.Context.Rsp() : raise.Stack ? raise.StackStart : Fault.StackPointer;
    std::uintptr_t address = Fault.Signal ? Fault.Context.Rip() : Fault.Address;
    if (!address && raise.ReturnAddress) address = CallInstructionBefore(memory, raise.ReturnAddress);
    state.StepCode = csCallStacks;
    TCrashStackList stack;
    if (Fault.Frozen) {
      if (!GetThreadCallStack(Fault.ThreadID, kAllCallStackKinds, 1, stack, &memory, 1000))
        return false;  // it is not there any more, or it answers now
    } else if (raise.Stack) {
      // The stack as it stood at the throw: the frames between the throw and the catch are gone.
      BuildCopiedCallStack(stack, memory, raise.Stack, raise.StackSize, raise.StackStart, address, 1, Fault.ThreadID);
    } else {
      const std::uintptr_t stack_end = ReadableStackAbove(memory, sp).High;
      BuildCallStack(stack, memory, address, sp, stack_end, kAllCallStackKinds, -1, -1, true, 1, Fault.ThreadID);
    }
    AppendCreationCallStack(stack, memory, threads, Fault.ThreadID);
    const std::uint32_t self = GetCurrentThreadID();
    for (std::uint32_t id : ProcessThreadIDs())
      if (id != self && id != Fault.ThreadID && !IsOwnThread(id) &&
          GetThreadCallStack(id, kAllCallStackKinds, 1, stack, &memory, 500))
        AppendCreationCallStack(stack, memory, threads, id);
    state.StepCode = csRecord;
    state.LastHTMLPage = CapturedWebPage();
    TCrashExceptionRecord& record = state.ExceptionRecord;
    record.ExceptionObject = signal.Object ? signal.Object.get() : Fault.Object;
    record.ExceptionClass = signal.Object ? signal.Class : Fault.Class;
    record.ExceptionAddress =
        reinterpret_cast<const void*>(Fault.Frozen && stack.Count() > 0 ? stack.GetItem(0)->Address : address);
    record.ThreadID = Fault.ThreadID;
    record.CallStack = &stack;
    record.ModulesList = &CrashModulesList();
    state.ExceptionOwner = signal.Object ? std::shared_ptr<const void>(std::move(signal.Object)) : Fault.Owner;
    state.CurrentException = &record;
    // Held until the report is done, at most as long as a faulting thread waits for it.
    PauseThreadsForReport(OptionsInForce(), threads, Fault.ThreadID, kReportTimeoutSeconds * 1000);
    TExceptNotifyParams params;
    params.Context = Fault.Signal ? &Fault.Context : nullptr;
    params.StackPointer = reinterpret_cast<const void*>(sp);
    params.ThreadID = Fault.ThreadID;
    RecordActiveControl(params);
    BuildReportText(params, IsGUIApplication());
    TProcessRoute route;
    route.Fatal = Fault.Fatal || Fault.Signal != 0;
    route.RaisingThreadServes = RaisingThreadServes;
    // The main thread shows the dialog itself when it goes on after the exception and waits here.
    route.DialogInProgram = !route.Fatal && RaisingThreadServes && !Fault.Frozen && Fault.ThreadID == MainThreadID();
    route.Console = &WriteReport;
    return ProcessException(params, route);
  } catch (...) {
    ReportInternalError(std::to_string(state.StepCode), Fault.Address);
    return true;
  }
}

void* WorkerMain(void*) {
  g_worker_tid = Tid();
  for (;;) {
    std::uint64_t count = 0;
    if (::read(g_event_fd, &count, sizeof count) < 0 && errno == EINTR) continue;
    if (g_stop) return nullptr;
    if (g_fatal_pending.exchange(false)) {
      CrashState().ReportThread = g_fatal.ThreadID;
      MakeReport(g_fatal, false);
      g_fatal_done = 1;
      Futex(g_fatal_done, FUTEX_WAKE, INT_MAX, nullptr);
    }
    for (;;) {
      TJob* job = nullptr;
      {
        std::lock_guard guard(g_jobs_lock);
        if (g_jobs.empty()) break;
        job = g_jobs.front();
        g_jobs.pop_front();
      }
      // (Stopped is read after the report's thread is named: a fault of that thread in between is
      // seen by one side or the other.)
      CrashState().ReportThread = job->Fault->ThreadID;
      if (job->Stopped.load()) StopRaisingThread(job->Fault->ThreadID);
      const bool result = MakeReport(*job->Fault, true);
      CrashState().ReportThread = 0;
      std::lock_guard guard(g_jobs_lock);
      job->Result = result;
      job->Done = true;
      g_jobs_done.notify_all();
    }
  }
}

// Hands Fault to the worker and waits for its report, running meanwhile what the worker hands this
// thread (the events, the dialog); the in-dispatch flag of this thread is set meanwhile and cleared
// on every path. False when this thread is already dispatching or the report dealt with the
// exception; true when the program's own handling should go on.
bool RunReport(const TFault& Fault) {
  TCrashThreadState& thread = ThreadState();
  if (thread.InDispatch) return false;
  // An EAbort is the program's quiet way out of an operation, never an error to report.
  if (!FaultCaptureInstalled() || (Fault.Class && ClassInheritsFromClass(*Fault.Class, typeid(EAbort)))) return true;
  thread.InDispatch = true;
  ++g_reports_waited;
  TJob job{&Fault};
  t_waiting_job = &job;
  TScopeExit clear([&] {
    t_waiting_job = nullptr;
    --g_reports_waited;
    thread.InDispatch = false;
    ForgetLastRaise();
  });
  const TRaiseHold hold;  // the worker reads the copy of this thread's stack
  // The main thread keeps its windows painted once a dialog of the report shows (not after a stack
  // overflow, whose stack has no room for it).
  bool pump = GetCurrentThreadID() == MainThreadID() &&
              !(Fault.Class && ClassInheritsFromClass(*Fault.Class, typeid(EStackOverflow)));
  std::unique_lock guard(g_jobs_lock);
  g_jobs.push_back(&job);
  WakeWorker();
  while (!g_jobs_done.wait_for(guard, std::chrono::milliseconds(10), [&] { return job.Done; })) {
    guard.unlock();
    pump = ServeWaitingThread(pump && DialogState().DialogPainted) && pump;
    RunRaisingThreadCall();
    guard.lock();
  }
  return job.Result;
}

TFault ExceptionFault(const std::exception_ptr& E) {
  TFault fault;
  fault.ThreadID = GetCurrentThreadID();
  fault.StackPointer = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  // The last throw of this thread is the one handled unless the exception came another way (made
  // by make_exception_ptr, or thrown in another thread): then only its object and type are known.
  // (An exception_ptr is the thrown object's address.)
  static_assert(sizeof(std::exception_ptr) == sizeof(void*));
  const void* object = nullptr;
  std::memcpy(&object, &E, sizeof object);
  fault.Object = object;
  fault.Class = E ? E.__cxa_exception_type() : nullptr;
  if (object && LastRaise().Object == object) fault.Raise = LastRaise();
  if (object) fault.Owner = std::make_shared<const std::exception_ptr>(E);
  return fault;
}

// An exception nothing caught (or a throw through noexcept): its report, then exit code 1.
[[noreturn]] void TerminateHandler() {
  TFault fault = ExceptionFault(std::current_exception());
  fault.Fatal = true;
  RunReport(fault);
  std::fflush(nullptr);
  std::_Exit(1);
}

bool ReportApplicationException(TObject*, std::exception_ptr E) { return ReportCaughtException(E); }

void EndWithSignal(int Signal, const siginfo_t* Info) noexcept {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  ::sigaction(Signal, &action, nullptr);
  // A fault of the code itself happens again as the handler returns; a sent signal is sent again
  // (it stays blocked until then).
  if (Info->si_code <= 0 || Signal == SIGABRT) ::syscall(SYS_tgkill, ::getpid(), Tid(), Signal);
}

// A report that the worker did not finish: what a handler can write without allocating.
void WriteMinimalReport(const TFault& Fault) noexcept {
  WriteRaw(kReportTitle);
  WriteRaw("\nFatal signal ");
  WriteDecimal(Fault.Signal);
  WriteRaw(" (");
  WriteRaw(SignalName(Fault.Signal));
  WriteRaw(") in thread ");
  WriteDecimal(Fault.ThreadID);
  WriteRaw(" at address ");
  WriteHex(Fault.Context.Rip());
  WriteRaw(", stack pointer ");
  WriteHex(Fault.Context.Rsp());
  WriteRaw("\n");
}

void FaultHandler(int Signal, siginfo_t* Info, void* Context) {
  const int saved_errno = errno;
  const pid_t self = Tid();
  if (SentFromOutside(Info) && FaultReportInProgress()) {
    int none = 0;
    g_held_signal.compare_exchange_strong(none, Signal);
    return;
  }
  // A thread whose report is being made, or waits to be, takes no more calls for it.
  if (TJob* job = t_waiting_job) job->Stopped.store(true);
  StopRaisingThread(static_cast<std::uint32_t>(self));
  if (self == g_worker_tid.load() || (g_installed.load() && ::pthread_equal(::pthread_self(), g_worker))) {
    if (Info->si_code <= 0) {  // sent, not a fault of the worker's own: the main thread takes it
      ::syscall(SYS_tgkill, ::getpid(), ::getpid(), Signal);
      errno = saved_errno;
      return;
    }
    // The report itself failed: say so, and let the faulting thread end the process.
    WriteRaw("[ERROR] - Section: ");
    WriteDecimal(CrashState().StepCode);
    WriteRaw(" - Address: ");
    WriteHex(static_cast<const ucontext_t*>(Context)->uc_mcontext.gregs[REG_RIP]);
    WriteRaw(" - Message: \"");
    WriteRaw(SignalName(Signal));
    WriteRaw(" in the crash reporter\"\n");
    if (g_fatal_owner.load() != 0) {
      g_fatal_done = 2;
      Futex(g_fatal_done, FUTEX_WAKE, INT_MAX, nullptr);
      for (;;) ::pause();
    }
    EndWithSignal(Signal, Info);
    return;
  }
  pid_t expected = 0;
  if (!g_fatal_owner.compare_exchange_strong(expected, self)) {
    if (expected == self) {  // a fault while this thread reports: end without a second report
      EndWithSignal(Signal, Info);
      return;
    }
    // Another thread reports, and the process ends with its fault: this thread's call stack in the
    // report is where its own fault found it.
    StopAtFault(*static_cast<const ucontext_t*>(Context));
    for (;;) ::pause();
  }
  g_fatal.Signal = Signal;
  g_fatal.SignalCode = Info->si_code;
  g_fatal.DataAddress = reinterpret_cast<std::uintptr_t>(Info->si_addr);
  SaveContext(*static_cast<const ucontext_t*>(Context), g_fatal.Context);
  g_fatal.ThreadID = static_cast<std::uint32_t>(self);
  g_fatal.Address = g_fatal.Context.Rip();
  // (A child made by fork has no worker until it installs the capture itself.)
  if (g_installed.load() && g_installed_pid == ::getpid()) {
    g_fatal_pending = true;
    WakeWorker();
    const timespec timeout{kReportTimeoutSeconds, 0};
    // (The wait goes on while the user answers the helper's dialog, which has a bound of its own.)
    while (g_fatal_done.load() == 0)
      if (Futex(g_fatal_done, FUTEX_WAIT, 0, &timeout) != 0 && errno == ETIMEDOUT && !ReportWaitsForUser()) break;
  }
  if (g_fatal_done.load() != 1) WriteMinimalReport(g_fatal);
  EndWithSignal(Signal, Info);
  errno = saved_errno;
}

}  // namespace

TAlternateSignalStack::TAlternateSignalStack() noexcept {
  stack_t current{};
  if (::sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;  // one is set
  void* memory = ::mmap(nullptr, kAlternateStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return;
  stack_t stack{};
  stack.ss_sp = memory;
  stack.ss_size = kAlternateStackSize;
  if (::sigaltstack(&stack, nullptr) != 0) {
    ::munmap(memory, kAlternateStackSize);
    return;
  }
  memory_ = memory;
}

TAlternateSignalStack::~TAlternateSignalStack() {
  if (!memory_) return;
  stack_t off{};
  off.ss_flags = SS_DISABLE;
  ::sigaltstack(&off, nullptr);
  ::munmap(memory_, kAlternateStackSize);
}

void InstallFaultCapture() {
  // A child made by fork has the parent's state but not its worker: it starts one of its own.
  if (g_installed && g_installed_pid == ::getpid()) return;
  if (!IsCrashLogActivated()) return;
  g_stop = false;
  g_fatal_pending = false;
  g_fatal_owner = 0;
  g_fatal_done = 0;
  g_worker_tid = 0;
  if (g_event_fd >= 0) ::close(g_event_fd);
  g_event_fd = ::eventfd(0, EFD_CLOEXEC);
  if (g_event_fd < 0) throw Exception(std::string("No report worker: ") + std::strerror(errno));
  const TOwnThreadStart own;  // the worker is never in a report
  if (const int error = ::pthread_create(&g_worker, nullptr, &WorkerMain, nullptr); error != 0) {
    ::close(g_event_fd);
    g_event_fd = -1;
    throw Exception(std::string("No report worker: ") + std::strerror(error));
  }
  // (Not waited for: a fault before it runs leaves its wake-up in the eventfd, which it reads first.)
  // The installing thread's alternate stack lives as long as the process.
  static TAlternateSignalStack* const main_stack = new TAlternateSignalStack;
  (void)main_stack;
  StartRaiseRecording();
  static TRaiseStackRoom* const main_room = new TRaiseStackRoom;
  (void)main_room;
  struct sigaction action {};
  action.sa_sigaction = &FaultHandler;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kFaultSignals); ++i) ::sigaction(kFaultSignals[i], &action, &g_previous[i]);
  g_previous_terminate = std::set_terminate(&TerminateHandler);
  g_previous_hook = SetApplicationExceptionHook(&ReportApplicationException);
  for (const void* own : {reinterpret_cast<const void*>(&TerminateHandler), reinterpret_cast<const void*>(&std::terminate),
                          reinterpret_cast<const void*>(&ReportApplicationException),
                          reinterpret_cast<const void*>(&ReportCaughtException)})
    LeaveOutOfCallStacks(own);
  g_installed_pid = ::getpid();
  g_installed = true;
}

void RemoveFaultCapture() {
  if (!g_installed.exchange(false)) return;
  StopRaiseRecording();
  SetApplicationExceptionHook(std::move(g_previous_hook));
  std::set_terminate(g_previous_terminate);
  for (std::size_t i = 0; i < std::size(kFaultSignals); ++i) ::sigaction(kFaultSignals[i], &g_previous[i], nullptr);
  if (g_installed_pid == ::getpid()) {
    g_stop = true;
    WakeWorker();
    ::pthread_join(g_worker, nullptr);
  }
  g_worker_tid = 0;
  ::close(g_event_fd);
  g_event_fd = -1;
}

bool FaultCaptureInstalled() noexcept { return g_installed && g_installed_pid == ::getpid(); }

bool ReportCaughtException(std::exception_ptr E) {
  if (ThreadState().InDispatch) return false;
  return RunReport(ExceptionFault(E));
}

void ReportFrozenThread(std::uint32_t ThreadID, std::shared_ptr<const Exception> Frozen) {
  TFault fault;
  fault.ThreadID = ThreadID;
  const Exception& frozen = *Frozen;
  fault.Object = &frozen;
  fault.Class = &typeid(frozen);
  fault.Owner = std::move(Frozen);
  fault.Frozen = true;
  RunReport(fault);
}

bool FaultReportInProgress() noexcept { return g_reports_waited.load() > 0 || g_fatal_owner.load() != 0; }

void SetFaultReportWriter(TFaultReportWriter Writer) {
  std::lock_guard guard(g_writer_lock);
  g_writer = std::move(Writer);
}

}  // namespace lab
