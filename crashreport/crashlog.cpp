#include "crashreport/crashlog.h"

#include "crashreport/capture/fault_capture.h"
#include "crashreport/dialogs/dialog_helper.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/capture/freeze_watchdog.h"
#include "crashreport/capture/hooks.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/report/memory_map.h"
#include "crashreport/module_data.h"
#include "crashreport/report/module_list.h"
#include "crashreport/capture/output_hooks.h"
#include "crashreport/process_control.h"
#include "crashreport/report/system_utils.h"
#include "crashreport/report/thread_stacks.h"
#include "crashreport/send/mail_shell.h"
#include "crashreport/send/send_report.h"
#include "crashreport/capture/thread_tracking.h"
#include "crashreport/unit_sections.h"
#include "platform/classes/class_registry.h"

namespace lab {
namespace {

// The components' list: made and freed by the unit's start and end, which are handed no object, and
// joined by each TCrashLog as it is made, perhaps before the unit starts.
TCrashLogList* g_list = nullptr;

// What the start-up needs of this module's record: its options (whether the reporter serves it, the
// freeze watchdog). They are kept in the process state, which the record takes them from when a
// report first asks for it and reads the rest (the file's facts, its exports), as for every other
// module. A wrong pass phrase leaves them to be read again then.
void LoadRunningModuleOptions() {
  TCrashProcessState& state = CrashState();
  if (state.ModuleDataLoaded) return;
  TCrashModuleInfo self;
  self.Handle = reinterpret_cast<std::uintptr_t>(RunningModuleBase());
  self.FileName = RunningModuleFileName();
  TModuleData data;
  data.Version = static_cast<std::uint16_t>(kOptionsStreamVersion);
  state.ModuleDataLoaded =
      LoadModuleOptions(self.FileName, [&self] { return RequestModulePassword(self); }, *state.ModuleOptions, data);
  state.ModuleLibraryVersion = data.Version;
  state.ModuleValues[0] = data.Values[0];
  state.ModuleValues[1] = data.Values[1];
}

void InitExceptionLog() {
  // Started again to show a fault's dialog: that is all this run does.
  ServeAsDialogHelperWhenAsked();
  // One snapshot of the mappings serves every hook and the main thread's stack.
  const TMemoryMapScope memory;
  CreateCrashLogList();
  TCrashProcessState& state = CrashState();
  state.ErrorTimes.clear();
  state.TerminateRequested = false;
  RecordStartupFolder();
  InitThreadCodeAddresses();
  RegisterClasses<TCrashLog>();
  // The module list, and this module's own options from its data.
  EnumerateModules();
  LoadRunningModuleOptions();
  // Threads started from now on record where their stacks lie.
  UseUnit(CrHookUnit);
  InstallThreadStartHook();
  // Faults, throws and the exceptions the message loop catches reach the reporter from now on.
  InstallFaultCapture();
  InstallThreadTracking();
  // A CGI program's answer is kept for its reports.
  InstallOutputHooks();
  SetCrashLogEnabled(true);
  // The options switch the freeze watchdog from now on; it starts when they have it on.
  SetFreezeWatchdogSwitch(&SwitchFreezeWatchdog);
  if (IsCrashLogActivated()) {
    const TCrashModuleOptions& options = CurrentCrashLogOptions();
    SwitchFreezeWatchdog(options.Active() && options.FreezeActive());
  }
}

void DoneExceptionLog() {
  // A report sent on a thread of its own goes before the program ends, or is kept for a later send.
  WaitForSending(kSendWaitAtEnd);
  RemoveMailProgramFiles();
  SetCrashLogEnabled(false);
  SetFreezeWatchdogSwitch(nullptr);
  SwitchFreezeWatchdog(false);
  RemoveOutputHooks();
  RemoveThreadTracking();
  RemoveFaultCapture();
  RemoveThreadStartHook();
  FreeCrashLogList();
  CrashState().ErrorTimes.clear();
  CrashModulesList().Clear();
}

void StartCrashLog() { SafeUnitSection(&InitExceptionLog, "CrExceptLog.Init"); }
void EndCrashLog() { SafeUnitSection(&DoneExceptionLog, "CrExceptLog.Done"); }

}  // namespace

constinit const TUnit CrashLogUnit{"CrExceptLog", &StartCrashLog, &EndCrashLog};

TCrashLogList* CrashLogList() noexcept { return g_list; }

void CreateCrashLogList() {
  if (!g_list) g_list = new TCrashLogList;
}

void FreeCrashLogList() noexcept {
  delete g_list;
  g_list = nullptr;
}

TCrashLog::TListEntry::TListEntry(TCrashLog* Log) : log_(Log) {
  if (g_list) g_list->Add(log_);
}

TCrashLog::TListEntry::~TListEntry() {
  if (g_list) g_list->Remove(log_);
}

TCrashLog::TCrashLog(TComponent* AOwner) : TComponent(AOwner), list_entry_(this) {
  if (!IsCrashLogActivated())
    throw CrashLogNotPresents(
        "\r\nCannot use a 'TCrashLog' component in module \"%s\", without activate CrashLog.\r\n"
        "To activate CrashLog use the new IDE \"Project/CrashLog Options...\" menu.",
        ExtractFileName(RunningModuleFileName()));
}

TCrashLog::~TCrashLog() = default;

void TCrashLog::DeclareProperties(TPropertyDeclarer<TCrashLog>& P) {
  P.Property("OnExceptionNotify", &TCrashLog::OnExceptionNotify);
  P.Property("OnExceptionActionNotify", &TCrashLog::OnExceptionActionNotify);
  P.Property("OnExceptionErrorNotify", &TCrashLog::OnExceptionErrorNotify);
  P.Property("OnPasswordRequest", &TCrashLog::OnPasswordRequest);
  P.Property("OnCustomDataRequest", &TCrashLog::OnCustomDataRequest);
  P.Property("OnAttachedFilesRequest", &TCrashLog::OnAttachedFilesRequest);
  P.Property("OnCustomFieldsRequest", &TCrashLog::OnCustomFieldsRequest);
}

}  // namespace lab
