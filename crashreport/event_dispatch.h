#pragma once
// Firing the seven events of TCrashLog in this module: every component of TCrashLogList from the
// last made to the first, then the event's global handler procedure when the program assigned one.
// Every handler sees what the handlers before it left; there is no early stop. An exception a
// handler raises passes out to the caller.

#include "crashreport/crashlog.h"

namespace lab {

// The global handler procedures, one per event: plain functions, nullptr unless assigned.
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

extern TExceptionNotifyProc ExceptionNotifyProc;
extern TExceptionActionNotifyProc ExceptionActionNotifyProc;
extern TExceptionErrorNotifyProc ExceptionErrorNotifyProc;
extern TPasswordRequestProc PasswordRequestProc;
extern TCustomDataRequestProc CustomDataRequestProc;
extern TAttachedFilesRequestProc AttachedFilesRequestProc;
extern TCustomFieldsRequestProc CustomFieldsRequestProc;

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

}  // namespace lab
