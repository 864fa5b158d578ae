#pragma once
// Firing the seven events of TCrashLog. A program may be made of several modules, each with its own
// crash reporter; an event goes first to the module that raised the exception (through the functions
// it exports, crash_exports.h), then to this module: every component of TCrashLogList from the last
// made to the first, then the event's global handler procedure when the program assigned one. Every
// handler sees what the handlers before it left; there is no early stop. An exception a handler
// raises passes out to the caller.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "crashreport/report/crash_lists.h"
#include "crashreport/crashlog.h"

namespace lab {

// The global handler procedures, one per event: plain functions, nullptr unless assigned. A program
// may assign one on any thread while another thread reports.
using TExceptionNotifyProc = void (*)(const TCrashExceptionRecord& CrashExceptionRecord, bool& Handled);
using TExceptionActionNotifyProc = void (*)(const TCrashExceptionRecord& CrashExceptionRecord,
                                            TCrashActionType CrashAction, bool& Execute);
using TExceptionErrorNotifyProc = void (*)(const TCrashExceptionRecord& CrashExceptionRecord,
                                           TCrashActionType CrashAction, bool& Retry);
using TPasswordRequestProc = void (*)(const TCrashExceptionRecord& CrashExceptionRecord, std::string& Password);
using TCustomDataRequestProc = void (*)(const TCrashExceptionRecord& CrashExceptionRecord,
                                        std::string& CustomData);
using TAttachedFilesRequestProc = void (*)(const TCrashExceptionRecord& CrashExceptionRecord,
                                           TStrings* AttachedFiles);
using TCustomFieldsRequestProc = void (*)(const TCrashExceptionRecord& CrashExceptionRecord,
                                          TStrings* FieldsName, TStrings* FieldsValue);

extern std::atomic<TExceptionNotifyProc> ExceptionNotifyProc;
extern std::atomic<TExceptionActionNotifyProc> ExceptionActionNotifyProc;
extern std::atomic<TExceptionErrorNotifyProc> ExceptionErrorNotifyProc;
extern std::atomic<TPasswordRequestProc> PasswordRequestProc;
extern std::atomic<TCustomDataRequestProc> CustomDataRequestProc;
extern std::atomic<TAttachedFilesRequestProc> AttachedFilesRequestProc;
extern std::atomic<TCustomFieldsRequestProc> CustomFieldsRequestProc;

// The action and error events take the record, the action and the flag; the others fire with the
// current record (CurrentExceptionRecord) and the process state's Handled, Password, CustomData,
// AttachedFiles, FieldsName and FieldsValue.
void DoExceptionNotify();
void DoExceptionActionNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Execute);
void DoExceptionErrorNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Retry);
void DoPasswordRequest();
void DoCustomDataRequest();
void DoAttachedFilesRequest();
void DoCustomFieldsRequest();

// The same events in the module that holds the current record's exception address, through its
// exports; nothing when that is this module, or a module that exports none. What it hands back
// becomes this module's state.
void ForwardExceptionNotify();
void ForwardExceptionActionNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Execute);
void ForwardExceptionErrorNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Retry);
void ForwardCustomDataRequest();
void ForwardAttachedFilesRequest();
void ForwardCustomFieldsRequest();
// To the module whose data is being opened (this module's own handlers when it is this one).
void ForwardPasswordRequest(const TCrashModuleInfo& Module);

// Forward, then fire here: how exception processing fires each event (inside CallInRaisingThread).
// Nothing once the report's thread has stopped (StopRaisingThread).
void FireExceptionNotify();
void FireExceptionActionNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Execute);
void FireExceptionErrorNotify(const TCrashExceptionRecord& Record, TCrashActionType Action, bool& Retry);
void FireCustomDataRequest();
void FireAttachedFilesRequest();
void FireCustomFieldsRequest();
// The pass phrase of a module's data: asked of the module itself, then, while its record is not
// complete and it is another module, of this module's handlers too.
std::string RequestModulePassword(const TCrashModuleInfo& Module);

// Runs Proc in the thread in which the current exception happened, and returns once it has run.
// From another thread the call waits in the one hand-over slot until the raising thread, which waits
// for the report, takes it (RunRaisingThreadCall); what Proc raises is raised again here. In the
// raising thread (also inside a handed-over call) Proc runs at once.
void CallInRaisingThread(const std::function<void()>& Proc);
// Whether handed-over calls go to the raising thread: it serves (RaisingThreadServes of the
// process state) and has not stopped.
bool RaisingThreadTakesCalls() noexcept;
// The raising thread's side: runs the call waiting in the slot, if any. Never raises.
bool RunRaisingThreadCall() noexcept;

// A fault of ThreadID: when it is the report's thread (ReportThread of the process state), it stops for good (its own fault ends the
// program once reported). From then on calls run where they are made, a call it was handed and did
// not finish is given up (its caller goes on as if it had returned), and no event is fired any more:
// a handler might wait for what the stopped thread holds. Async-signal-safe.
void StopRaisingThread(std::uint32_t ThreadID) noexcept;
bool RaisingThreadStopped() noexcept;

}  // namespace lab
