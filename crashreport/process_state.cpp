#include "crashreport/process_state.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "crashreport/codec/file_utils.h"
#include "crashreport/module_data.h"
#include "crashreport/report/system_utils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/threads.h"

namespace lab {
namespace {

constexpr const char* kModuleBlockName = "MODULE";

// Per thread, as the fault and terminate handlers that read it are handed no object.
thread_local TCrashThreadState t_thread_state;

bool CarriesCrashReporterData() {
  std::vector<std::uint8_t> section;
  return ReadModuleDataSection(RunningModuleFileName(), section);
}

void PutLE32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t GetLE32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

// The bytes a shared block holds after its size word (which counts itself).
std::uint32_t BlockCapacity(const void* Data) {
  const std::uint32_t total = static_cast<const std::uint32_t*>(Data)[-1];
  return total >= 4 ? total - 4 : 0;
}

}  // namespace

void SaveContext(const ucontext_t& Source, TCrashContext& Dest, std::uint32_t Held) noexcept {
  std::memcpy(Dest.Gregs, Source.uc_mcontext.gregs, sizeof Dest.Gregs);
  Dest.ContextFlags = CONTEXT_FULL;
  Dest.Held = Held;
}

// Options of the running module.

TCrashModuleOptionsEx::~TCrashModuleOptionsEx() { CloseSharedBlock(block_, block_data_); }

void TCrashModuleOptionsEx::Changed() {
  TMemoryStream stream;
  SaveToStream(&stream);
  const auto size = static_cast<std::uint32_t>(stream.Size());
  // A block keeps the size it was made with, so each publication makes a new one; readers copy
  // what they need and close it again.
  CloseSharedBlock(block_, block_data_);
  block_ = CreateSharedBlock(kModuleBlockName, ModuleBlockID(RunningModuleBase()), size + 4, block_data_);
  if (!block_) return;
  // A block someone else still holds open keeps its old size: a longer stream does not fit there.
  if (BlockCapacity(block_data_) < size + 4) {
    CloseSharedBlock(block_, block_data_);
    return;
  }
  auto* bytes = static_cast<std::uint8_t*>(block_data_);
  PutLE32(bytes, size);
  std::memcpy(bytes + 4, stream.Memory(), size);
}

void TCrashModuleOptionsEx::SetActive(bool Value) {
  TCrashModuleOptions::SetActive(Value);
  SwitchWatchdog();
}

void TCrashModuleOptionsEx::SetFreezeActive(bool Value) {
  TCrashModuleOptions::SetFreezeActive(Value);
  SwitchWatchdog();
}

void TCrashModuleOptionsEx::SwitchWatchdog() {
  if (!Shared() || !BelongsToRunningModule()) return;
  if (TFreezeWatchdogSwitch watchdog = CrashState().FreezeWatchdogSwitch) watchdog(Active() && FreezeActive());
}

void SetFreezeWatchdogSwitch(TFreezeWatchdogSwitch Switch) { CrashState().FreezeWatchdogSwitch = Switch; }

std::uint32_t ModuleBlockID(const void* ModuleBase) noexcept {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(ModuleBase) >> 12);
}

bool ReadPublishedOptions(const void* ModuleBase, TCrashModuleOptions& Options) {
  void* data = nullptr;
  TSharedBlockHandle block = CreateSharedBlock(kModuleBlockName, ModuleBlockID(ModuleBase), 0, data);
  if (!block) return false;
  TMemoryStream stream;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  const std::uint32_t capacity = BlockCapacity(data);
  const std::uint32_t size = capacity >= 4 ? GetLE32(bytes) : 0;
  const bool whole = size > 0 && size <= capacity - 4;
  if (whole) stream.WriteBuffer(bytes + 4, size);
  CloseSharedBlock(block, data);
  if (!whole) return false;
  stream.SetPosition(0);
  Options.LoadFromStream(&stream, kOptionsStreamVersion);
  return true;
}

// Recognised code.

void InitThreadCodeAddresses() {
  TThreadCodeAddresses& code = CrashState().ThreadCode;
  if (code.ThreadProc) return;
  // The thread class catches what Execute lets out in its own thread procedure.
  code.ThreadProc = TThread::ThreadProcedure();
  code.ThreadHandler = code.ThreadProc;
  code.SynchronizeRaise =
      reinterpret_cast<const void*>(static_cast<void (*)(TThread*, const TThreadMethod&)>(&TThread::Synchronize));
}

bool IsNearAddress(const void* A, const void* B) noexcept {
  const auto a = reinterpret_cast<std::uintptr_t>(A), b = reinterpret_cast<std::uintptr_t>(B);
  return (a > b ? a - b : b - a) <= 64;
}

TCrashThreadState& ThreadState() noexcept { return t_thread_state; }

// The process.

TCrashProcessState::TCrashProcessState()
    : Activated(CarriesCrashReporterData()),
      ModuleOptions(std::make_shared<TCrashModuleOptionsEx>(RunningModuleFileName(), true)),
      CurrentOptions(std::make_unique<TCrashModuleOptionsEx>(RunningModuleFileName(), false)),
      AttachedFiles(std::make_unique<TStringList>()),
      FieldsName(std::make_unique<TStringList>()),
      FieldsValue(std::make_unique<TStringList>()) {}

TCrashProcessState::~TCrashProcessState() = default;

TCrashProcessState& CrashState() {
  static TCrashProcessState* state = new TCrashProcessState;
  return *state;
}

TCriticalSection& HandlerLock() {
  static TCriticalSection* lock = new TCriticalSection;
  return *lock;
}

void ResetExceptionState() {
  TCrashProcessState& s = CrashState();
  s.ExceptionRecord = TCrashExceptionRecord{};
  s.CurrentException = nullptr;
  s.TextToSend.clear();
  s.ExceptionMessageText.clear();
  s.Handled = s.Execute = s.Retry = false;
  s.SendChecked = s.AttachChecked = s.CopyChecked = s.Duplicate = false;
  s.CustomData.clear();
  s.Password.clear();
  s.AttachedFiles->Clear();
  s.FieldsName->Clear();
  s.FieldsValue->Clear();
  s.LastHTMLPage.clear();
  s.ReportFolder.clear();
  s.ExceptionOwner.reset();
  s.ExceptionTime = 0;
  s.StepCode = csNone;
  s.FocusedWindow = nullptr;
  s.Cursor = nullptr;
  s.SendProgressWindow = nullptr;
  s.SendMessageNumber = s.SendMessageCount = 0;
  s.RaisingThreadServes = true;
}

const TCrashExceptionRecord& CurrentExceptionRecord() {
  TCrashProcessState& s = CrashState();
  return s.CurrentException ? *s.CurrentException : s.ExceptionRecord;
}

TCrashModuleOptions& OptionsInForce() {
  TCrashProcessState& s = CrashState();
  if (s.CurrentException && s.CurrentException->Options) return *s.CurrentException->Options;
  return *s.ModuleOptions;
}

bool IsCrashLogActivated() { return CrashState().Activated; }

TCrashModuleOptions& CurrentCrashLogOptions() {
  if (!IsCrashLogActivated())
    throw EAssertionFailed(
        "\r\nCannot use 'CurrentCrashLogOptions' function without activate CrashLog.\r\n"
        "To activate CrashLog use the new IDE \"Project/CrashLog Options...\" menu.");
  return *CrashState().ModuleOptions;
}

void ForceTermination(std::uint8_t TerminateAction) {
  if (!IsCrashLogActivated()) return;
  CrashState().TerminateRequested = true;
  OptionsInForce().SetTerminateAction(TerminateAction);
}

bool IsCrashLogEnabled() noexcept { return CrashState().Enabled.load(); }

void SetCrashLogEnabled(bool Value) noexcept { CrashState().Enabled.store(Value); }

bool IsCrashLogEnabledInThread(std::uint32_t ThreadID) {
  TCrashProcessState& s = CrashState();
  std::lock_guard guard(s.DisabledThreadsLock);
  return std::find(s.DisabledThreads.begin(), s.DisabledThreads.end(), ThreadID) == s.DisabledThreads.end();
}

void SetCrashLogEnabledInThread(std::uint32_t ThreadID, bool Value) {
  TCrashProcessState& s = CrashState();
  std::lock_guard guard(s.DisabledThreadsLock);
  auto it = std::find(s.DisabledThreads.begin(), s.DisabledThreads.end(), ThreadID);
  if (Value && it != s.DisabledThreads.end()) s.DisabledThreads.erase(it);
  if (!Value && it == s.DisabledThreads.end()) s.DisabledThreads.push_back(ThreadID);
}

}  // namespace lab
