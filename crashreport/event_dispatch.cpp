#include "crashreport/event_dispatch.h"

#include <dlfcn.h>
#include <link.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/export_data.h"
#include "crashreport/report/system_utils.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/threads.h"

namespace lab {

// The program's event procedures: published variables a program sets before any component exists.
std::atomic<TExceptionNotifyProc> ExceptionNotifyProc{nullptr};
std::atomic<TExceptionActionNotifyProc> ExceptionActionNotifyProc{nullptr};
std::atomic<TExceptionErrorNotifyProc> ExceptionErrorNotifyProc{nullptr};
std::atomic<TPasswordRequestProc> PasswordRequestProc{nullptr};
std::atomic<TCustomDataRequestProc> CustomDataRequestProc{nullptr};
std::atomic<TAttachedFilesRequestProc> AttachedFilesRequestProc{nullptr};
std::atomic<TCustomFieldsRequestProc> CustomFieldsRequestProc{nullptr};

namespace {

// Calls the event on every component, last made first, then the global procedure (as it is when its
// turn comes). A handler may free components (its own among them), so each is looked up again before
// its call and the handler is called from a copy.
template <class Event, class Proc, class... Args>
void Fire(Event TCrashLog::*Member, const std::atomic<Proc>& Global, const TCrashExceptionRecord& Record,
          Args&&... args) {
  if (TCrashLogList* list = CrashLogList()) {
    std::vector<TCrashLog*> logs;
    for (int i = list->Count() - 1; i >= 0; --i) logs.push_back(list->Get(i));
    for (TCrashLog* log : logs) {
      list = CrashLogList();
      if (!list || list->IndexOf(log) < 0) continue;
      const Event handler = log->*Member;
      if (handler) handler(Record, args...);
    }
  }
  if (const Proc global = Global.load()) global(Record, args...);
}

}  // namespace

void DoExceptionNotify() {
  Fire(&TCrashLog::OnExceptionNotify, ExceptionNotifyProc, CurrentExceptionRecord(), CrashState().Handled);
}

void DoExceptionActionNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Execute) {
  Fire(&TCrashLog::OnExceptionActionNotify, ExceptionActionNotifyProc, Record, Action, Execute);
}

void DoExceptionErrorNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Retry) {
  Fire(&TCrashLog::OnExceptionErrorNotify, ExceptionErrorNotifyProc, Record, Action, Retry);
}

void DoPasswordRequest() {
  Fire(&TCrashLog::OnPasswordRequest, PasswordRequestProc, CurrentExceptionRecord(), CrashState().Password);
}

void DoCustomDataRequest() {
  Fire(&TCrashLog::OnCustomDataRequest, CustomDataRequestProc, CurrentExceptionRecord(), CrashState().CustomData);
}

void DoAttachedFilesRequest() {
  TStrings* files = CrashState().AttachedFiles.get();
  Fire(&TCrashLog::OnAttachedFilesRequest, AttachedFilesRequestProc, CurrentExceptionRecord(), files);
}

void DoCustomFieldsRequest() {
  TCrashProcessState& s = CrashState();
  TStrings* names = s.FieldsName.get();
  TStrings* values = s.FieldsValue.get();
  Fire(&TCrashLog::OnCustomFieldsRequest, CustomFieldsRequestProc, CurrentExceptionRecord(), names, values);
}

// Forwarding.

namespace {

bool IsRunningModule(const void* Base) { return Base && Base == RunningModuleBase(); }

// The export Name of the module that holds Address; nullptr for this module, a module without the
// export, or an address in no module.
template <class F>
F FindExport(const void* Address, const char* Name) {
  const void* base = nullptr;
  const link_map* map = Address ? LoaderEntryOf(Address, &base) : nullptr;
  if (!map || IsRunningModule(base)) return nullptr;
  return reinterpret_cast<F>(const_cast<void*>(FindLoadedExport(*map, Name)));
}

template <class F>
F FindRaisingModuleExport(const char* Name) {
  return FindExport<F>(CurrentExceptionRecord().ExceptionAddress, Name);
}

}  // namespace

void ForwardExceptionNotify() {
  auto event = FindRaisingModuleExport<TCrashExceptionNotifyEvent>("CrashLog_ExceptionNotifyEvent");
  if (!event) return;
  const TCrashRecordData data = MakeRecordData(CurrentExceptionRecord());
  event(&data, &CrashState().Handled);
}

void ForwardExceptionActionNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Execute) {
  auto event = FindExport<TCrashActionNotifyEvent>(Record.ExceptionAddress, "CrashLog_ExceptionActionNotifyEvent");
  if (!event) return;
  const TCrashRecordData data = MakeRecordData(Record);
  event(&data, Action, &Execute);
}

void ForwardExceptionErrorNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Retry) {
  auto event = FindExport<TCrashActionNotifyEvent>(Record.ExceptionAddress, "CrashLog_ExceptionErrorNotifyEvent");
  if (!event) return;
  const TCrashRecordData data = MakeRecordData(Record);
  event(&data, Action, &Retry);
}

void ForwardCustomDataRequest() {
  auto event = FindRaisingModuleExport<TCrashCustomDataRequestEvent>("CrashLog_CustomDataRequestEvent");
  if (!event) return;
  const TCrashRecordData data = MakeRecordData(CurrentExceptionRecord());
  std::string& custom = CrashState().CustomData;
  const char* text = custom.c_str();
  event(&data, &text);
  custom = text ? std::string(text) : std::string();
}

void ForwardAttachedFilesRequest() {
  auto event = FindRaisingModuleExport<TCrashStringsRequestEvent>("CrashLog_AttachedFilesRequestEvent");
  if (!event) return;
  const TCrashRecordData data = MakeRecordData(CurrentExceptionRecord());
  const TCrashStringsData files = MakeStringsData(CrashState().AttachedFiles.get());
  event(&data, &files);
}

void ForwardCustomFieldsRequest() {
  auto event = FindRaisingModuleExport<TCrashCustomFieldsRequestEvent>("CrashLog_CustomFieldsRequestEvent");
  if (!event) return;
  const TCrashRecordData data = MakeRecordData(CurrentExceptionRecord());
  const TCrashStringsData names = MakeStringsData(CrashState().FieldsName.get());
  const TCrashStringsData values = MakeStringsData(CrashState().FieldsValue.get());
  event(&data, &names, &values);
}

void ForwardPasswordRequest(const TCrashModuleInfo& Module) {
  const void* module = reinterpret_cast<const void*>(Module.Handle);
  std::string& password = CrashState().Password;
  if (IsRunningModule(module)) {  // what this module's own export would do
    DoPasswordRequest();
    return;
  }
  char buffer[CRASHLOG_SHORT_TEXT + 1];
  PutShortText(password, buffer, CRASHLOG_SHORT_TEXT);
  if (auto event = FindExport<TCrashPasswordRequestEventEx>(module, "CrashLog_PasswordRequestEventEx")) {
    const TCrashRecordData data = MakeRecordData(CurrentExceptionRecord());
    event(&data, buffer, CRASHLOG_SHORT_TEXT);
  } else if (auto plain = FindExport<TCrashPasswordRequestEvent>(module, "CrashLog_PasswordRequestEvent")) {
    plain(buffer, CRASHLOG_SHORT_TEXT);
  } else {
    return;
  }
  buffer[CRASHLOG_SHORT_TEXT] = 0;
  password = buffer;
}

// Pairs.

void FireExceptionNotify() {
  if (RaisingThreadStopped()) return;
  ForwardExceptionNotify();
  DoExceptionNotify();
}

void FireExceptionActionNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Execute) {
  if (RaisingThreadStopped()) return;
  ForwardExceptionActionNotify(Record, Action, Execute);
  DoExceptionActionNotify(Record, Action, Execute);
}

void FireExceptionErrorNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Retry) {
  if (RaisingThreadStopped()) return;
  ForwardExceptionErrorNotify(Record, Action, Retry);
  DoExceptionErrorNotify(Record, Action, Retry);
}

void FireCustomDataRequest() {
  if (RaisingThreadStopped()) return;
  ForwardCustomDataRequest();
  DoCustomDataRequest();
}

void FireAttachedFilesRequest() {
  if (RaisingThreadStopped()) return;
  ForwardAttachedFilesRequest();
  DoAttachedFilesRequest();
}

void FireCustomFieldsRequest() {
  if (RaisingThreadStopped()) return;
  ForwardCustomFieldsRequest();
  DoCustomFieldsRequest();
}

std::string RequestModulePassword(const TCrashModuleInfo& Module) {
  TCrashProcessState& s = CrashState();
  s.Password.clear();
  s.PasswordModule = Module.Handle;
  ForwardPasswordRequest(Module);
  if (!Module.Valid && !IsRunningModule(reinterpret_cast<const void*>(Module.Handle))) DoPasswordRequest();
  s.PasswordModule = 0;
  return s.Password;
}

// The hand-over to the raising thread.

namespace {

struct TRaisingThreadCall {
  const std::function<void()>* Proc;
  std::exception_ptr Error;
  std::atomic<bool> Done{false};  // set last: the caller's frame may go right after
};

constexpr std::uintptr_t kSlotFree = 0, kSlotBusy = 1;
// Free; busy with a call running (direct, or taken from the slot); or the call waiting for the
// raising thread. The raising thread takes it while it waits in a signal handler or the throw
// interposer, which are handed no object.
std::atomic<std::uintptr_t> g_slot{kSlotFree};

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(10)); }

// Once, when the report's thread has stopped: its windows answer nothing any more.
void RetireStoppedThread() {
  TCrashProcessState& state = CrashState();
  int stopped = kRaisingThreadStopped;
  if (state.RaisingThreadStop.compare_exchange_strong(stopped, kRaisingThreadRetired))
    CrashGui().ThreadStopped(state.ReportThread.load());
}

}  // namespace

bool RaisingThreadTakesCalls() noexcept {
  const TCrashProcessState& state = CrashState();
  return state.RaisingThreadServes.load() && state.RaisingThreadStop.load() == kRaisingThreadRuns;
}

void StopRaisingThread(std::uint32_t ThreadID) noexcept {
  TCrashProcessState& state = CrashState();
  int runs = kRaisingThreadRuns;
  if (ThreadID != 0 && state.ReportThread.load() == ThreadID)
    state.RaisingThreadStop.compare_exchange_strong(runs, kRaisingThreadStopped);
}

bool RaisingThreadStopped() noexcept { return CrashState().RaisingThreadStop.load() != kRaisingThreadRuns; }

void CallInRaisingThread(const std::function<void()>& Proc) {
  RetireStoppedThread();
  const TCrashExceptionRecord* current = CrashState().CurrentException;
  if (current && current->ThreadID != GetCurrentThreadID() && RaisingThreadTakesCalls()) {
    TRaisingThreadCall call{&Proc, nullptr};
    const auto waiting = reinterpret_cast<std::uintptr_t>(&call);
    for (std::uintptr_t expected = kSlotFree;
         !g_slot.compare_exchange_weak(expected, waiting, std::memory_order_acq_rel); expected = kSlotFree) {
      if (RaisingThreadStopped()) return;
      Pause();
    }
    while (!call.Done.load(std::memory_order_acquire)) {
      // A stopped thread never comes back to the call it holds: the caller goes on without it. One
      // still waiting in the slot is taken out, so that nothing runs it after its frame is gone.
      if (RaisingThreadStopped()) {
        std::uintptr_t expected = waiting;
        g_slot.compare_exchange_strong(expected, kSlotFree, std::memory_order_acq_rel);
        RetireStoppedThread();
        return;
      }
      Pause();
    }
    if (call.Error) std::rethrow_exception(call.Error);
    return;
  }
  // A call made inside one that runs already (an event fired from a handed-over call) leaves the
  // slot to it: freeing it here would let the waiting caller go on while its call still runs.
  std::uintptr_t expected = kSlotFree;
  const bool took = g_slot.compare_exchange_strong(expected, kSlotBusy, std::memory_order_acq_rel);
  TScopeExit free_slot([took] {
    if (took) g_slot.store(kSlotFree, std::memory_order_release);
  });
  Proc();
}

bool RunRaisingThreadCall() noexcept {
  std::uintptr_t slot = g_slot.load(std::memory_order_acquire);
  // Busy: nothing waits, or the waiting call is running already (served from inside itself).
  if (slot == kSlotFree || slot == kSlotBusy ||
      !g_slot.compare_exchange_strong(slot, kSlotBusy, std::memory_order_acq_rel))
    return false;
  auto* call = reinterpret_cast<TRaisingThreadCall*>(slot);
  try {
    (*call->Proc)();
  } catch (...) {
    call->Error = std::current_exception();
  }
  g_slot.store(kSlotFree, std::memory_order_release);
  call->Done.store(true, std::memory_order_release);
  return true;
}

}  // namespace lab
