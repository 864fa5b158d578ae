#pragma once
// The state the crash reporter's parts share while an exception is processed: the record every event
// receives, what the dispatcher hands the handler, the per-exception and per-thread state, the options
// in force and the handler lock. The crash reporter is process-wide: one current exception at a time.

#include <sys/ucontext.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>
#include <vector>

#include "crashreport/capture/handler_cache.h"
#include "crashreport/options.h"
#include "crashreport/shared_blocks.h"
#include "platform/controls/win_types.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/sync.h"

namespace lab {

class TCrashModulesList;
class TCrashStackList;

// A saved register context: the x86-64 general registers as ucontext_t keeps them (indexed by
// REG_R8 ... REG_RIP of sys/ucontext.h). ContextFlags is CONTEXT_FULL once filled; Held has the bit
// 1 << REG_x of each register that was read, and only those are ever shown.
constexpr std::uint32_t CONTEXT_FULL = 0x10007;
struct TCrashContext {
  std::uint32_t ContextFlags = 0;
  std::uint32_t Held = 0;
  greg_t Gregs[NGREG] = {};

  bool Holds(int Register) const noexcept { return Register >= 0 && Register < NGREG && ((Held >> Register) & 1); }
  std::uintptr_t Rip() const noexcept { return static_cast<std::uintptr_t>(Gregs[REG_RIP]); }
  std::uintptr_t Rsp() const noexcept { return static_cast<std::uintptr_t>(Gregs[REG_RSP]); }
  std::uintptr_t Rbp() const noexcept { return static_cast<std::uintptr_t>(Gregs[REG_RBP]); }
};
// A signal's context holds every general register.
inline constexpr std::uint32_t kSignalContextRegisters = (std::uint32_t{1} << NGREG) - 1;
// getcontext fills only the registers a call keeps (RBX, RBP, R12 to R15), the argument registers,
// RSP and RIP; RAX, R10, R11, the flags and the fault's registers keep what the buffer held.
inline constexpr std::uint32_t kGetcontextRegisters = [] {
  std::uint32_t held = 0;
  for (int r : {REG_RBX, REG_RBP, REG_R12, REG_R13, REG_R14, REG_R15, REG_RDI, REG_RSI, REG_RDX, REG_RCX, REG_R8,
                REG_R9, REG_RSP, REG_RIP})
    held |= std::uint32_t{1} << r;
  return held;
}();
// Copies the general registers of a context; Held names those it holds. Async-signal-safe.
void SaveContext(const ucontext_t& Source, TCrashContext& Dest, std::uint32_t Held = kSignalContextRegisters) noexcept;

// The exception being reported, as every event receives it; filled in this order by the handler.
struct TCrashExceptionRecord {
  // The thrown object and its type (the type as thrown, so objects without virtual functions are
  // described too); for a frozen main window an EFrozenApplication.
  const void* ExceptionObject = nullptr;
  const std::type_info* ExceptionClass = nullptr;
  // The code address; for a raise statement the call instruction itself, not the return address.
  const void* ExceptionAddress = nullptr;
  std::uint32_t ThreadID = 0;
  std::string ReportText;
  TCrashModulesList* ModulesList = nullptr;  // the process's module list
  TCrashStackList* CallStack = nullptr;      // the exception's call stack
  TCrashModuleOptions* Options = nullptr;    // the options in force
};

// What the dispatcher hands the handler and its thread.
struct TExceptNotifyParams {
  const TCrashContext* Context = nullptr;  // nullptr: none saved
  const void* StackBase = nullptr;         // nullptr: the current thread's
  const void* StackPointer = nullptr;      // nullptr: the one the catch routine saved
  std::uint32_t ThreadID = 0;
  std::string ActiveControlClass;
  std::string ActiveControlText;
};

// Who shows a report: the byte the entry point gives.
enum TCrashOutputMode : std::uint8_t { omAutomatic = 0, omConsole = 1, omWebPage = 2 };
// Who will catch an exception, as the handler analysis finds it.
enum TCrashHandlerKind : std::uint8_t {
  hkNone = 0,          // no handler of the program
  hkSafecall = 1,      // a safecall frame
  hkThreadWrapper = 2  // the thread class's own handler, which reports it itself
};

// The steps of making a report. Each is set before it runs, so an internal error names the step
// that failed, in decimal.
enum TCrashStep : int {
  csNone = 0,               // no report is being made
  csStarted = 1,            // the time, the thread snapshot, the signal's exception
  csFilters = 2,            // the exception filters
  csCallStacks = 4,         // every thread's call stack
  csRecord = 7,             // the exception's record and the report text
  csReportHeader = 7021,    // the report's header
  csReportCpu = 7022,       // its CPU block
  csReportCallStack = 7023,  // its call-stack block
  csReportModules = 7024,   // its modules block
  csDuplicateCheck = 706,   // the duplicate check
  csNotify = 8,             // OnExceptionNotify, the screenshot, the error times, the custom data
  csErrorCount = 9,
  csMessageText = 10,
  csShowChoice = 11,        // whether the exception is shown
  csShowing = 12,           // atShowingExceptionInfo
  csShow = 13,              // the dialog, console text or web page
  csShown = 14,             // atShowedExceptionInfo
  csLog = 15,               // the log of another version, the log, the clipboard
  csSend = 16,              // sending, the error-frequency rule
  csEnd = 18                // the request to end the program
};

// The options class of the crash reporter's modules. For the options of the running module a change
// of Active or FreezeActive starts or stops the freeze watchdog, and every change is published to
// the other modules in the shared block "MODULE".
class TCrashModuleOptionsEx : public TCrashModuleOptions {
  LAB_CLASS(TCrashModuleOptionsEx, TCrashModuleOptions)
 public:
  using TCrashModuleOptions::TCrashModuleOptions;
  ~TCrashModuleOptionsEx() override;

  void Changed() override;
  void SetActive(bool Value) override;
  void SetFreezeActive(bool Value) override;

 private:
  void SwitchWatchdog();

  TSharedBlockHandle block_ = 0;
  void* block_data_ = nullptr;
};

// The freeze watchdog registers how it is started (true) and stopped (false) in the process state;
// until then the options only store the switches.
using TFreezeWatchdogSwitch = void (*)(bool Run);
void SetFreezeWatchdogSwitch(TFreezeWatchdogSwitch Switch);

// The options a module published in its "MODULE" block: the stream's length (4 bytes, little-endian)
// and the options stream. ModuleBase is any address inside the module. False, Options untouched,
// when the module published none.
bool ReadPublishedOptions(const void* ModuleBase, TCrashModuleOptions& Options);
// The block's ID for a module: its load address in pages.
std::uint32_t ModuleBlockID(const void* ModuleBase) noexcept;

// Four places in the thread class's code that the handler and the hooks recognise. A thread made
// without the thread class has no wrapper of its own here, so BeginThreadWrapper stays nullptr.
struct TThreadCodeAddresses {
  const void* ThreadProc = nullptr;          // the thread procedure of TThread
  const void* ThreadHandler = nullptr;       // where it catches what Execute lets out
  const void* SynchronizeRaise = nullptr;    // where Synchronize raises a call's exception again
  const void* BeginThreadWrapper = nullptr;  // the run time's wrapper of plain threads
};
// Fills them once; later calls change nothing.
void InitThreadCodeAddresses();
// Less than 65 bytes apart.
bool IsNearAddress(const void* A, const void* B) noexcept;

// Per thread (thread_local, made without dynamic initialisation, so a signal handler may use it).
struct TCrashThreadState {
  bool InDispatch = false;  // inside the dispatcher
  bool InHandler = false;   // the thread-tracking hooks keep still while set
  // The catch routine's re-entrancy guard, set from 0 to 1 by compare-exchange.
  std::atomic<int> CatchFlag{0};
  const void* SavedStackPointer = nullptr;
  const void* SavedFramePointer = nullptr;
  TCrashContext SavedContext;

  // False when the thread is already catching.
  bool EnterCatch() noexcept {
    int expected = 0;
    return CatchFlag.compare_exchange_strong(expected, 1);
  }
  void LeaveCatch() noexcept { CatchFlag.store(0); }
};
static_assert(std::atomic<int>::is_always_lock_free, "the catch flag is read in signal handlers");
TCrashThreadState& ThreadState() noexcept;

// The process-wide state. Fields marked "per exception" are cleared by ResetExceptionState.
// RaisingThreadStop: the report's thread runs; stopped; stopped and its windows retired.
inline constexpr int kRaisingThreadRuns = 0, kRaisingThreadStopped = 1, kRaisingThreadRetired = 2;

struct TCrashProcessState {
  TCrashProcessState();
  ~TCrashProcessState();
  TCrashProcessState(const TCrashProcessState&) = delete;
  TCrashProcessState& operator=(const TCrashProcessState&) = delete;

  // This module carries the crash reporter's data (its ".crdata" section): only then does the
  // crash reporter serve it.
  bool Activated = false;
  // The running module's own options (CurrentCrashLogOptions), shared with its module record.
  std::shared_ptr<TCrashModuleOptionsEx> ModuleOptions;
  // Set once the options were read from the running module's data (or it has none), with what the
  // data gave besides: a module record made again takes these and leaves the options as the
  // program has changed them since. Until then (no data read yet, or a wrong pass phrase) each new
  // record reads the data again.
  bool ModuleDataLoaded = false;
  std::uint16_t ModuleLibraryVersion = 0;
  std::uint32_t ModuleValues[2] = {0, 0};

  // The record every event receives, and the one that counts now (ExceptionRecord, or a record a
  // module handed in through an exported function); nullptr while no exception is processed.
  TCrashExceptionRecord ExceptionRecord;
  TCrashExceptionRecord* CurrentException = nullptr;

  // Per exception.
  std::unique_ptr<TCrashModuleOptionsEx> CurrentOptions;  // assigned from the raising module's
  std::string TextToSend;            // the report, or the whole log's text
  std::string ExceptionMessageText;  // the printable message
  bool Handled = false;              // OnExceptionNotify
  bool Execute = false;              // OnExceptionActionNotify
  bool Retry = false;                // OnExceptionErrorNotify
  bool SendChecked = false;          // the dialog's choices
  bool AttachChecked = false;
  bool CopyChecked = false;
  bool Duplicate = false;            // the same error is already in the log
  std::string CustomData;            // OnCustomDataRequest
  std::string Password;              // OnPasswordRequest
  std::uintptr_t PasswordModule = 0;  // the module whose data asks for it
  std::unique_ptr<TStringList> AttachedFiles;  // OnAttachedFilesRequest
  std::unique_ptr<TStringList> FieldsName;     // OnCustomFieldsRequest, parallel lists
  std::unique_ptr<TStringList> FieldsValue;
  std::string LastHTMLPage;          // what a web program wrote last
  std::string ReportFolder;          // where the report's files are written (attachments.h)
  // Owns the record's exception object where the catch that raised it would free it, so that a
  // sending on a thread of its own still finds it.
  std::shared_ptr<const void> ExceptionOwner;
  TDateTime ExceptionTime = 0;
  TCrashStep StepCode = csNone;      // the handler's current step
  win::HWND FocusedWindow = nullptr;  // remembered by the dispatcher
  const void* Cursor = nullptr;
  win::HWND SendProgressWindow = nullptr;  // the sending-progress dialog, when shown
  int SendMessageNumber = 0;
  int SendMessageCount = 0;
  // The raising thread takes handed-over calls while it waits: a thread stopped in a signal
  // handler cannot, and CallInRaisingThread then runs them in the calling thread.
  std::atomic<bool> RaisingThreadServes{true};
  // The thread whose report is being made (set by the capture, 0 between reports), and whether it
  // stopped for good in a fault of its own while it waited (StopRaisingThread): kept to the end, as
  // the program ends by that fault.
  std::atomic<std::uint32_t> ReportThread{0};
  std::atomic<int> RaisingThreadStop{0};

  // Across exceptions.
  int ErrorCount = 0;  // exceptions reported since start
  int ReportFolders = 0;  // report folders named since start
  bool TerminateRequested = false;
  // Date-times of the last reported exceptions, for the error-frequency rule (numbers, so no
  // locale's date format stands between storing and comparing them).
  std::vector<TDateTime> ErrorTimes;
  // The program started as the dialog's helper (the running program when empty): a program whose
  // own copy cannot serve (one that does not start the crash reporter first) names one that does.
  std::string DialogHelperProgram;
  // The custom data an exported event handed out: valid until the next such event.
  std::string ExportedCustomData;
  // The folder the program started in (a restart starts there), and the ID of the last error page
  // written for a web server; both read under NamesLock.
  std::mutex NamesLock;
  std::string StartupFolder;
  std::string WebPageID;

  // Switches of the handler analysis: two that make a frame of the crash reporter's own caller not
  // count as handling, one that takes every exception as handled.
  bool IgnoreCallerFrame = false;
  bool IgnoreCallerFrameEx = false;
  bool AllExceptionsHandled = false;
  // What the analysis found for the last exceptions thrown, as the throw interposer asks again.
  THandlerCache HandlerAnalyses;

  TThreadCodeAddresses ThreadCode;
  std::atomic<TFreezeWatchdogSwitch> FreezeWatchdogSwitch{nullptr};

  // Handling on at all, and the threads where it is off (read under DisabledThreadsLock).
  std::atomic<bool> Enabled{false};
  std::mutex DisabledThreadsLock;
  std::vector<std::uint32_t> DisabledThreads;
};

// Made on first use and never destroyed, so code running at exit may still use it.
TCrashProcessState& CrashState();
// The handler lock: one exception is processed at a time. Recursive: the handler takes it again
// inside its own dispatch.
TCriticalSection& HandlerLock();

// Clears the per-exception fields (the current options are kept for the next assignment).
void ResetExceptionState();
// The current record, or the process's record when none is current.
const TCrashExceptionRecord& CurrentExceptionRecord();
// The options of the exception being processed, else the running module's own.
TCrashModuleOptions& OptionsInForce();

bool IsCrashLogActivated();
// The running module's options. Without the crash reporter's data in the module, EAssertionFailed
// with the message that tells how to activate it.
TCrashModuleOptions& CurrentCrashLogOptions();
// Asks for the program to end (TerminateAction 1: and start again) once the report is done. Does
// nothing where the crash reporter is not activated.
void ForceTermination(std::uint8_t TerminateAction);

bool IsCrashLogEnabled() noexcept;
void SetCrashLogEnabled(bool Value) noexcept;
// False for a thread where handling is switched off.
bool IsCrashLogEnabledInThread(std::uint32_t ThreadID);
void SetCrashLogEnabledInThread(std::uint32_t ThreadID, bool Value);

}  // namespace lab
