#include "crashreport/options.h"

#include "crashreport/codec/file_utils.h"
#include "crashreport/report/system_utils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

// As the loader looks a module up by name: a name with a folder must match the whole path, a bare
// file name the file part.
bool TCrashModuleOptions::BelongsToRunningModule() const {
  const std::string& running = RunningModuleFileName();
  if (module_name_.empty() || running.empty()) return false;
  if (module_name_.find('/') != std::string::npos) return module_name_ == running;
  return module_name_ == ExtractFileName(running);
}

TCrashModuleOptions::TCrashModuleOptions(std::string ModuleName, bool Shared)
    : module_name_(std::move(ModuleName)),
      shared_(Shared),
      exception_filter_classes_(std::make_unique<TStringList>()),
      exception_filter_settings_(std::make_unique<TStringList>()) {
  exception_filter_classes_->OnChange = [this](TObject*) { NotifyChange(); };
  exception_filter_settings_->OnChange = [this](TObject*) { NotifyChange(); };
  TCrashModuleOptions::SetDefaults();
  update_count_ = 0;
}

TCrashModuleOptions::~TCrashModuleOptions() = default;

void TCrashModuleOptions::SetActive(bool Value) {
  active_ = Value;
  NotifyChange();
}

void TCrashModuleOptions::SetFreezeActive(bool Value) {
  freeze_active_ = Value;
  NotifyChange();
}

void TCrashModuleOptions::SetMaxLogEntries(std::int32_t Value) {
  max_log_entries_ = Value == 0 ? 1 : Value;
  NotifyChange();
}

const std::string& TCrashModuleOptions::GetCustomizedText(std::uint8_t Index) const {
  if (Index >= kCustomizedTextCount) throw EListError("List index out of bounds (%d)", Index);
  return customized_texts_[Index];
}

void TCrashModuleOptions::NotifyChange() {
  if (update_count_ < 1 && shared_ && BelongsToRunningModule()) Changed();
}

void TCrashModuleOptions::SetDefaults() {
  BeginUpdate();
  SetSMTPFrom(kDefaultSMTPFrom);
  SetSMTPHost("");
  SetSMTPUserID("");
  SetSMTPPassword("");
  SetSMTPPort(25);
  SetTerminateAction(kTerminateRestart);
  SetFreezeActive(false);
  SetFreezeTimeout(60);
  SetFreezeMessage("The application seems to be frozen.");
  SetReportItems(kAllReportItems);
  exception_filter_classes_->Clear();
  exception_filter_settings_->Clear();
  for (int i = 0; i < kCustomizedTextCount; ++i) customized_texts_[i] = kDefaultCustomizedTexts[i];
  SetStoredFlag(false);
  SetExceptionFiltersActive(true);
  SetReportInMessageBody(false);
  SetTerminateAfterErrors(true);
  SetSaveLogFile(true);
  SetLogFlags(kLogModules | kLogCpu);
  SetSendFlags(kSendShowDialogs | kSendScreenshot | kSendLastHTMLPage);
  SetDialogFirstPage(0);
  SetMaxLogEntries(32);
  SetErrorsBeforeTerminate(3);
  SetLogFilePath("");
  SetEmailAddresses("");
  SetEmailSubject("");
  SetEmailMessage("");
  SetEmailSendMode(kEmailSendNone);
  SetWebSendMode(kWebSendNone);
  SetAttachedFiles("");
  SetDialogOptions(kDialogShowException | kDialogSendChecked | kDialogScreenshotChecked | kDialogCopyOption |
                   kDialogDetailsButton);
  SetAutoCloseSeconds(0);
  SetSupportURL("");
  SetHTMLTemplate(kDefaultHTMLTemplate);
  SetErrorFrequencyAction(kTerminateRestart);
  SetErrorFrequencyCount(10);
  SetErrorFrequencyMinutes(1);
  SetCallStackOptions(kCallStackFunctionNames | kCallStackDecoratedNames | kCallStackMainThreads |
                      kCallStackOtherThreads);
  SetBehaviourFlags(kBehaviourMainModuleOptions | kBehaviourCopyUnsent);
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
    exception_filter_classes_->Assign(Source->exception_filter_classes_.get());
    exception_filter_settings_->Assign(Source->exception_filter_settings_.get());
    customized_texts_ = Source->customized_texts_;
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
