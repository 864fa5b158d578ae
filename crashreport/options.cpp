#include "crashreport/options.h"

#include "crashreport/file_utils.h"
#include "crashreport/system_utils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

// As the loader looks a module up by name: a name with a folder must match the whole path, a bare
// file name the file part.
bool TCrashModuleOptions::BelongsToRunningModule() const {
  const std::string& running = RunningModuleFileName();
  if (ModuleName_.empty() || running.empty()) return false;
  if (ModuleName_.find('/') != std::string::npos) return ModuleName_ == running;
  return ModuleName_ == ExtractFileName(running);
}

TCrashModuleOptions::TCrashModuleOptions(std::string ModuleName, bool Shared)
    : ModuleName_(std::move(ModuleName)),
      Shared_(Shared),
      ExceptionFilterClasses_(std::make_unique<TStringList>()),
      ExceptionFilterSettings_(std::make_unique<TStringList>()) {
  ExceptionFilterClasses_->OnChange = [this](TObject*) { NotifyChange(); };
  ExceptionFilterSettings_->OnChange = [this](TObject*) { NotifyChange(); };
  TCrashModuleOptions::SetDefaults();
  UpdateCount_ = 0;
}

TCrashModuleOptions::~TCrashModuleOptions() = default;

void TCrashModuleOptions::SetActive(bool Value) {
  Active_ = Value;
  NotifyChange();
}

void TCrashModuleOptions::SetFreezeActive(bool Value) {
  FreezeActive_ = Value;
  NotifyChange();
}

void TCrashModuleOptions::SetMaxLogEntries(std::int32_t Value) {
  MaxLogEntries_ = Value == 0 ? 1 : Value;
  NotifyChange();
}

const std::string& TCrashModuleOptions::GetCustomizedText(std::uint8_t Index) const {
  if (Index >= kCustomizedTextCount) throw EListError("List index out of bounds (%d)", Index);
  return CustomizedTexts_[Index];
}

void TCrashModuleOptions::NotifyChange() {
  if (UpdateCount_ < 1 && Shared_ && BelongsToRunningModule()) Changed();
}

void TCrashModuleOptions::SetDefaults() {
  BeginUpdate();
  SetSMTPFrom(kDefaultSMTPFrom);
  SetSMTPHost("");
  SetSMTPUserID("");
  SetSMTPPassword("");
  SetSMTPPort(25);
  SetTerminateAction(1);
  SetFreezeActive(false);
  SetFreezeTimeout(60);
  SetFreezeMessage("The application seems to be frozen.");
  SetReportItems(0xFF'FFFF'FFFF);
  ExceptionFilterClasses_->Clear();
  ExceptionFilterSettings_->Clear();
  for (int i = 0; i < kCustomizedTextCount; ++i) CustomizedTexts_[i] = kDefaultCustomizedTexts[i];
  SetStoredFlag(false);
  SetExceptionFiltersActive(true);
  SetReportInMessageBody(false);
  SetTerminateAfterErrors(true);
  SetSaveLogFile(true);
  SetLogFlags(0x30);
  SetSendFlags(0x0051);
  SetDialogFirstPage(0);
  SetMaxLogEntries(32);
  SetErrorsBeforeTerminate(3);
  SetLogFilePath("");
  SetEmailAddresses("");
  SetEmailSubject("");
  SetEmailMessage("");
  SetEmailSendMode(0);
  SetWebSendMode(0);
  SetAttachedFiles("");
  SetDialogOptions(0x1F);
  SetAutoCloseSeconds(0);
  SetSupportURL("");
  SetHTMLTemplate(kDefaultHTMLTemplate);
  SetErrorFrequencyAction(1);
  SetErrorFrequencyCount(10);
  SetErrorFrequencyMinutes(1);
  SetCallStackOptions(0x0F);
  SetBehaviourFlags(0x30);
  SetWebURL("");
  SetWebPort(0);
  SetWebPassword("");
  SetWebUserID("");
  SetActive(true);
  EndUpdate();
  NotifyChange();
}

void TCrashModuleOptions::Assign(const TCrashModuleOptions* Source) {
  if (!Source) throw EConvertError("Impossible to assign nil as TCrashModuleOptions.");
  if (Source == this) return;
  {
    BeginUpdate();
    TScopeExit end_update([&] { EndUpdate(); });
    ExceptionFilterClasses_->Assign(Source->ExceptionFilterClasses_.get());
    ExceptionFilterSettings_->Assign(Source->ExceptionFilterSettings_.get());
    CustomizedTexts_ = Source->CustomizedTexts_;
    SetSMTPFrom(Source->SMTPFrom());
    SetSMTPHost(Source->SMTPHost());
    SetSMTPUserID(Source->SMTPUserID());
    SetSMTPPassword(Source->SMTPPassword());
    SetSMTPPort(Source->SMTPPort());
    SetTerminateAction(Source->TerminateAction());
    SetFreezeActive(Source->FreezeActive());
    SetFreezeTimeout(Source->FreezeTimeout());
    SetFreezeMessage(Source->FreezeMessage());
    SetReportItems(Source->ReportItems());
    SetStoredFlag(Source->StoredFlag());
    SetExceptionFiltersActive(Source->ExceptionFiltersActive());
    SetReportInMessageBody(Source->ReportInMessageBody());
    SetTerminateAfterErrors(Source->TerminateAfterErrors());
    SetSaveLogFile(Source->SaveLogFile());
    SetLogFlags(Source->LogFlags());
    SetSendFlags(Source->SendFlags());
    SetDialogFirstPage(Source->DialogFirstPage());
    SetMaxLogEntries(Source->MaxLogEntries());
    SetErrorsBeforeTerminate(Source->ErrorsBeforeTerminate());
    SetLogFilePath(Source->LogFilePath());
    SetEmailAddresses(Source->EmailAddresses());
    SetEmailSubject(Source->EmailSubject());
    SetEmailMessage(Source->EmailMessage());
    SetEmailSendMode(Source->EmailSendMode());
    SetWebSendMode(Source->WebSendMode());
    SetAttachedFiles(Source->AttachedFiles());
    SetDialogOptions(Source->DialogOptions());
    SetAutoCloseSeconds(Source->AutoCloseSeconds());
    SetSupportURL(Source->SupportURL());
    SetHTMLTemplate(Source->HTMLTemplate());
    SetErrorFrequencyAction(Source->ErrorFrequencyAction());
    SetErrorFrequencyCount(Source->ErrorFrequencyCount());
    SetErrorFrequencyMinutes(Source->ErrorFrequencyMinutes());
    SetCallStackOptions(Source->CallStackOptions());
    SetBehaviourFlags(Source->BehaviourFlags());
    SetWebURL(Source->WebURL());
    SetWebPort(Source->WebPort());
    SetWebPassword(Source->WebPassword());
    SetWebUserID(Source->WebUserID());
  }
  NotifyChange();
}

}  // namespace lab
