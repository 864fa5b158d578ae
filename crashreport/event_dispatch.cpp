#include "crashreport/event_dispatch.h"

#include <vector>

namespace lab {

TExceptionNotifyProc ExceptionNotifyProc = nullptr;
TExceptionActionNotifyProc ExceptionActionNotifyProc = nullptr;
TExceptionErrorNotifyProc ExceptionErrorNotifyProc = nullptr;
TPasswordRequestProc PasswordRequestProc = nullptr;
TCustomDataRequestProc CustomDataRequestProc = nullptr;
TAttachedFilesRequestProc AttachedFilesRequestProc = nullptr;
TCustomFieldsRequestProc CustomFieldsRequestProc = nullptr;

namespace {

// Calls the event on every component, last made first, then the global procedure. A handler may
// free components (its own among them), so each is looked up again before its call and the handler
// is called from a copy.
template <class Event, class Proc, class... Args>
void Fire(Event TCrashLog::*Member, Proc Global, const TCrashExceptionRecord& Record, Args&&... args) {
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
  if (Global) Global(Record, args...);
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

}  // namespace lab
