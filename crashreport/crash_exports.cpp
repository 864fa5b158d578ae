// The functions this module exports for the crash reporters of other modules (crash_exports.h).
// Each makes the incoming record current, takes the arguments into this module's state, fires this
// module's handlers only (an export never forwards, so two modules never call each other in a loop)
// and hands the results back; the state it used is put back as it was, also when a handler raises.
// The exception object is used as it comes: C++ classes are matched across modules by name.

#include "crashreport/crash_exports.h"

#include <string>

#include "crashreport/event_dispatch.h"
#include "crashreport/export_data.h"
#include "platform/rtl/string_list.h"

namespace lab {
namespace {

// The record and the event state an export uses, saved on entry and put back on leaving.
class TExportScope {
 public:
  explicit TExportScope(const TCrashRecordData* Data)
      : state_(CrashState()),
        saved_record_(state_.CurrentException),
        handled_(state_.Handled),
        custom_data_(state_.CustomData),
        password_(state_.Password) {
    saved_files_.Assign(state_.AttachedFiles.get());
    saved_names_.Assign(state_.FieldsName.get());
    saved_values_.Assign(state_.FieldsValue.get());
    if (Data) {
      record_ = RecordFromData(*Data);
      state_.CurrentException = &record_;
    }
  }
  ~TExportScope() {
    state_.CurrentException = saved_record_;
    state_.Handled = handled_;
    state_.CustomData = std::move(custom_data_);
    state_.Password = std::move(password_);
    state_.AttachedFiles->Assign(&saved_files_);
    state_.FieldsName->Assign(&saved_names_);
    state_.FieldsValue->Assign(&saved_values_);
  }
  TExportScope(const TExportScope&) = delete;
  TExportScope& operator=(const TExportScope&) = delete;

  TCrashProcessState& State() { return state_; }

 private:
  TCrashProcessState& state_;
  TCrashExceptionRecord record_;
  TCrashExceptionRecord* saved_record_;
  bool handled_;
  std::string custom_data_;
  std::string password_;
  TStringList saved_files_, saved_names_, saved_values_;
};

bool KnownAction(std::uint8_t Action) { return Action <= atTerminating; }

void AskPassword(const TCrashRecordData* Record, char* Password, int MaxLength) {
  if (!Password) return;
  TExportScope scope(Record);
  scope.State().Password = Password;
  DoPasswordRequest();
  PutShortText(scope.State().Password, Password, std::min(MaxLength, CRASHLOG_SHORT_TEXT));
}

}  // namespace
}  // namespace lab

using namespace lab;

extern "C" {

void CrashLog_PasswordRequestEvent(char* Password, int MaxLength) { AskPassword(nullptr, Password, MaxLength); }

void CrashLog_PasswordRequestEventEx(const TCrashRecordData* Record, char* Password, int MaxLength) {
  AskPassword(Record, Password, MaxLength);
}

void CrashLog_ExceptionNotifyEvent(const TCrashRecordData* Record, bool* Handled) {
  if (!Handled) return;
  TExportScope scope(Record);
  scope.State().Handled = *Handled;
  DoExceptionNotify();
  *Handled = scope.State().Handled;
}

void CrashLog_ExceptionActionNotifyEvent(const TCrashRecordData* Record, std::uint8_t Action, bool* Execute) {
  if (!Execute || !KnownAction(Action)) return;
  TExportScope scope(Record);
  DoExceptionActionNotify(CurrentExceptionRecord(), static_cast<TCrashActionType>(Action), *Execute);
}

void CrashLog_ExceptionErrorNotifyEvent(const TCrashRecordData* Record, std::uint8_t Action, bool* Retry) {
  if (!Retry || !KnownAction(Action)) return;
  TExportScope scope(Record);
  DoExceptionErrorNotify(CurrentExceptionRecord(), static_cast<TCrashActionType>(Action), *Retry);
}

void CrashLog_CustomDataRequestEvent(const TCrashRecordData* Record, const char** CustomData) {
  if (!CustomData) return;
  TExportScope scope(Record);
  scope.State().CustomData = *CustomData ? *CustomData : "";
  DoCustomDataRequest();
  std::string& out = scope.State().ExportedCustomData;
  out = scope.State().CustomData;
  *CustomData = out.c_str();
}

void CrashLog_AttachedFilesRequestEvent(const TCrashRecordData* Record, const TCrashStringsData* AttachedFiles) {
  if (!AttachedFiles) return;
  TExportScope scope(Record);
  CopyStrings(*AttachedFiles, scope.State().AttachedFiles.get());
  DoAttachedFilesRequest();
  CopyStrings(scope.State().AttachedFiles.get(), *AttachedFiles);
}

void CrashLog_CustomFieldsRequestEvent(const TCrashRecordData* Record, const TCrashStringsData* FieldsName,
                                       const TCrashStringsData* FieldsValue) {
  if (!FieldsName || !FieldsValue) return;
  TExportScope scope(Record);
  CopyStrings(*FieldsName, scope.State().FieldsName.get());
  CopyStrings(*FieldsValue, scope.State().FieldsValue.get());
  DoCustomFieldsRequest();
  CopyStrings(scope.State().FieldsName.get(), *FieldsName);
  CopyStrings(scope.State().FieldsValue.get(), *FieldsValue);
}

}  // extern "C"
