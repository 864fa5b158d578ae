#pragma once
// TCrashModuleOptions: every setting of the crash reporter for one module (handling, the freeze
// watchdog, e-mail and web sending, the log file, report and dialog contents, exception filters) and
// the 96 texts of its dialogs and report. Each setter stores its value and notifies the change.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/object.h"
#include "platform/rtl/string_list.h"

namespace lab {

class TStream;

constexpr int kCustomizedTextCount = 96;
using TCustomizedTexts = std::array<std::string, kCustomizedTextCount>;

// The default texts, index 0 to 95.
extern const std::array<const char*, kCustomizedTextCount> kDefaultCustomizedTexts;
// The report header's fields, "group|field", in report order.
extern const std::array<const char*, 33> kReportHeaderFields;
extern const char* const kDefaultHTMLTemplate;
extern const char* const kDefaultSMTPFrom;

// The options stream layout SaveToStream writes; LoadFromStream also reads 401 to 499.
constexpr int kOptionsStreamVersion = 500;
// Every byte of a stored text is combined with this mask.
constexpr std::uint8_t kOptionsTextMask = 0xA7;

// The bits of the flag sets (bit 0 the lowest). Stored options streams hold these values.
// LogFlags:
inline constexpr std::uint8_t kLogMarkDuplicates = 0x01;       // an error already logged is neither logged nor sent
inline constexpr std::uint8_t kLogAskReproduceSteps = 0x02;    // ask the user how to reproduce it
inline constexpr std::uint8_t kLogDeleteOtherVersion = 0x04;   // a log of another program version is deleted
inline constexpr std::uint8_t kLogComputerInName = 0x08;       // the log file's name carries the computer's
inline constexpr std::uint8_t kLogModules = 0x10;              // modules block and page, modules listed anew
inline constexpr std::uint8_t kLogCpu = 0x20;                  // CPU block and page
// SendFlags:
inline constexpr std::uint16_t kSendShowDialogs = 0x0001;      // the mail program's and the progress dialog
inline constexpr std::uint16_t kSendResultMessage = 0x0002;    // tell the result in a message box
inline constexpr std::uint16_t kSendWholeLog = 0x0004;         // send every report of the log
inline constexpr std::uint16_t kSendXmlLog = 0x0008;           // attach the log as XML
inline constexpr std::uint16_t kSendScreenshot = 0x0010;       // attach "Screenshot.png"
inline constexpr std::uint16_t kSendWholeDesktop = 0x0020;     // the screenshot shows the desktop
inline constexpr std::uint16_t kSendLastHTMLPage = 0x0040;     // attach "LastHTMLPage.html"
inline constexpr std::uint16_t kSendFromThread = 0x0080;       // send on a thread of its own
inline constexpr std::uint16_t kSendDatedNames = 0x0100;       // "_yyyymmddhhnnss" in attached files' names
inline constexpr std::uint16_t kSendPacked = 0x0200;           // pack the attachments into one archive
// DialogOptions:
inline constexpr std::uint8_t kDialogShowException = 0x01;     // show the exception at all
inline constexpr std::uint8_t kDialogSendChecked = 0x02;       // the send box starts checked
inline constexpr std::uint8_t kDialogScreenshotChecked = 0x04; // the attach-screenshot box starts checked
inline constexpr std::uint8_t kDialogCopyOption = 0x08;        // the copy-to-clipboard box shows
inline constexpr std::uint8_t kDialogDetailsButton = 0x10;     // the Details button shows
inline constexpr std::uint8_t kDialogOpenDetailed = 0x20;      // the dialog opens with its pages
inline constexpr std::uint8_t kDialogStayOnTop = 0x40;         // the dialogs stay on top of all windows
inline constexpr std::uint8_t kDialogOwnLook = 0x80;           // caption, frame and buttons drawn by the dialogs
// CallStackOptions:
inline constexpr std::uint8_t kCallStackFunctionNames = 0x01;  // list entries known by a routine name only
inline constexpr std::uint8_t kCallStackDecoratedNames = 0x02; // list entries named by a decorated name
inline constexpr std::uint8_t kCallStackMainThreads = 0x04;    // the main thread's and thread objects' stacks
inline constexpr std::uint8_t kCallStackOtherThreads = 0x08;   // every other thread's stack
inline constexpr std::uint8_t kCallStackLineOffsets = 0x10;    // a line's offset in its routine
// BehaviourFlags:
inline constexpr std::uint8_t kBehaviourErrorFrequency = 0x01;    // the error-frequency rule is on
inline constexpr std::uint8_t kBehaviourPauseMainThreads = 0x02;  // pause the main thread and thread objects
inline constexpr std::uint8_t kBehaviourSpareMainThread = 0x04;   // ... but not the main thread
inline constexpr std::uint8_t kBehaviourPauseOtherThreads = 0x08; // pause every other thread
inline constexpr std::uint8_t kBehaviourMainModuleOptions = 0x10; // a library takes the main module's options
inline constexpr std::uint8_t kBehaviourCopyUnsent = 0x20;        // a report not sent goes to the clipboard
inline constexpr std::uint8_t kBehaviourKeepUnsent = 0x40;        // the files of a report not sent are kept
// DialogFirstPage: the page in the low seven bits.
inline constexpr std::uint8_t kDialogFirstPageMask = 0x7F;
// ReportItems: one bit per header field, 40 in all.
inline constexpr std::uint64_t kAllReportItems = 0xFF'FFFF'FFFF;

// The values of the modes (stored as they stand).
// TerminateAction, and the action of the error-frequency rule:
inline constexpr std::uint8_t kTerminateClose = 0;
inline constexpr std::uint8_t kTerminateRestart = 1;
// EmailSendMode:
inline constexpr std::uint8_t kEmailSendNone = 0;
inline constexpr std::uint8_t kEmailSendMailClient = 1;  // the user's mail program
inline constexpr std::uint8_t kEmailSendSMTPServer = 2;  // through SMTPHost
inline constexpr std::uint8_t kEmailSendSMTPDirect = 3;  // to the recipients' own mail exchangers
// WebSendMode:
inline constexpr std::uint8_t kWebSendNone = 0;
inline constexpr std::uint8_t kWebSendHTTP = 1;
inline constexpr std::uint8_t kWebSendHTTPS = 2;
inline constexpr std::uint8_t kWebSendFTP = 3;

// Declares a setting held in `field`: Name() reads it, SetName(v) stores it and notifies the change.
#define LAB_CRASH_OPTION(Type, Name, field)               \
 public:                                                  \
  const Type& Name() const noexcept { return field; }     \
  void Set##Name(const Type& Value) {                     \
    field = Value;                                        \
    NotifyChange();                                       \
  }                                                       \
                                                          \
 private:                                                 \
  Type field{};

class TCrashModuleOptions : public TObject {
  LAB_CLASS(TCrashModuleOptions, TObject)
 public:
  // Sets the module and the sharing, wires the filter lists' change to NotifyChange and takes the
  // defaults. (A derived class that overrides SetDefaults calls its own from its constructor.)
  TCrashModuleOptions(std::string ModuleName, bool Shared);
  ~TCrashModuleOptions() override;
  TCrashModuleOptions(const TCrashModuleOptions&) = delete;
  TCrashModuleOptions& operator=(const TCrashModuleOptions&) = delete;

  // Runs after a change of options that belong to the running module; empty here.
  virtual void Changed() {}
  virtual void SetActive(bool Value);
  virtual void SetFreezeActive(bool Value);
  // Copies every setting but Active, ModuleName and Shared. Nil raises EConvertError.
  virtual void Assign(const TCrashModuleOptions* Source);
  virtual void SetDefaults();
  // The options stream: no header, the layout of version 500.
  virtual void SaveToStream(TStream* Stream);
  // Reads a stream of the given version (401 and later). A stream that ends early, or a text whose
  // length is negative or runs past the end, raises EReadError; what was read before stays.
  virtual void LoadFromStream(TStream* Stream, int Version = kOptionsStreamVersion);

  void BeginUpdate() noexcept { ++update_count_; }
  // Does not notify by itself.
  void EndUpdate() noexcept { --update_count_; }
  // Calls Changed outside updates, for shared options of the running module.
  void NotifyChange();
  // ModuleName names the module that holds the crash reporter.
  bool BelongsToRunningModule() const;

  bool Shared() const noexcept { return shared_; }
  std::int32_t UpdateCount() const noexcept { return update_count_; }
  bool Active() const noexcept { return active_; }
  bool FreezeActive() const noexcept { return freeze_active_; }
  std::int32_t MaxLogEntries() const noexcept { return max_log_entries_; }
  // 0 stores 1.
  void SetMaxLogEntries(std::int32_t Value);

  TStringList* ExceptionFilterClasses() const noexcept { return exception_filter_classes_.get(); }
  // At the same index as ExceptionFilterClasses: the text shown for that filter.
  TStringList* ExceptionFilterSettings() const noexcept { return exception_filter_settings_.get(); }
  TCustomizedTexts& CustomizedTexts() noexcept { return customized_texts_; }
  const TCustomizedTexts& CustomizedTexts() const noexcept { return customized_texts_; }
  // An index past 95 raises EListError.
  const std::string& GetCustomizedText(std::uint8_t Index) const;

  LAB_CRASH_OPTION(std::string, ModuleName, module_name_)
  LAB_CRASH_OPTION(std::string, SMTPFrom, smtp_from_)
  LAB_CRASH_OPTION(std::string, SMTPHost, smtp_host_)
  LAB_CRASH_OPTION(std::string, SMTPUserID, smtp_user_id_)
  LAB_CRASH_OPTION(std::string, SMTPPassword, smtp_password_)
  LAB_CRASH_OPTION(std::uint16_t, SMTPPort, smtp_port_)
  LAB_CRASH_OPTION(std::uint8_t, TerminateAction, terminate_action_)
  LAB_CRASH_OPTION(std::int32_t, FreezeTimeout, freeze_timeout_)    // seconds
  LAB_CRASH_OPTION(std::string, FreezeMessage, freeze_message_)
  LAB_CRASH_OPTION(std::uint64_t, ReportItems, report_items_)     // 40 bits
  LAB_CRASH_OPTION(bool, StoredFlag, stored_flag_)
  LAB_CRASH_OPTION(bool, ExceptionFiltersActive, exception_filters_active_)
  LAB_CRASH_OPTION(bool, ReportInMessageBody, report_in_message_body_)
  LAB_CRASH_OPTION(bool, TerminateAfterErrors, terminate_after_errors_)
  LAB_CRASH_OPTION(bool, SaveLogFile, save_log_file_)
  LAB_CRASH_OPTION(std::uint8_t, LogFlags, log_flags_)
  LAB_CRASH_OPTION(std::uint16_t, SendFlags, send_flags_)
  LAB_CRASH_OPTION(std::uint8_t, DialogFirstPage, dialog_first_page_)
  LAB_CRASH_OPTION(std::int32_t, ErrorsBeforeTerminate, errors_before_terminate_)
  LAB_CRASH_OPTION(std::string, LogFilePath, log_file_path_)
  LAB_CRASH_OPTION(std::string, EmailAddresses, email_addresses_)
  LAB_CRASH_OPTION(std::string, EmailSubject, email_subject_)
  LAB_CRASH_OPTION(std::string, EmailMessage, email_message_)
  LAB_CRASH_OPTION(std::uint8_t, EmailSendMode, email_send_mode_)
  LAB_CRASH_OPTION(std::uint8_t, WebSendMode, web_send_mode_)
  LAB_CRASH_OPTION(std::string, AttachedFiles, attached_files_)   // separated by ";"
  LAB_CRASH_OPTION(std::uint8_t, DialogOptions, dialog_options_)
  LAB_CRASH_OPTION(std::int32_t, AutoCloseSeconds, auto_close_seconds_)
  LAB_CRASH_OPTION(std::string, SupportURL, support_url_)
  LAB_CRASH_OPTION(std::string, HTMLTemplate, html_template_)
  LAB_CRASH_OPTION(std::uint8_t, ErrorFrequencyAction, error_frequency_action_)
  LAB_CRASH_OPTION(std::int32_t, ErrorFrequencyCount, error_frequency_count_)
  LAB_CRASH_OPTION(std::int32_t, ErrorFrequencyMinutes, error_frequency_minutes_)
  LAB_CRASH_OPTION(std::uint8_t, CallStackOptions, call_stack_options_)
  LAB_CRASH_OPTION(std::uint8_t, BehaviourFlags, behaviour_flags_)
  LAB_CRASH_OPTION(std::string, WebURL, web_url_)
  LAB_CRASH_OPTION(std::int32_t, WebPort, web_port_)
  LAB_CRASH_OPTION(std::string, WebPassword, web_password_)
  LAB_CRASH_OPTION(std::string, WebUserID, web_user_id_)

 public:
  // The bits of the flag sets that are acted on, by what they do.
  bool MarksDuplicates() const noexcept { return log_flags_ & kLogMarkDuplicates; }
  bool AsksReproduceSteps() const noexcept { return log_flags_ & kLogAskReproduceSteps; }
  bool DeletesLogOfOtherVersion() const noexcept { return log_flags_ & kLogDeleteOtherVersion; }
  bool LogNameHasComputer() const noexcept { return log_flags_ & kLogComputerInName; }
  bool ReportsModules() const noexcept { return log_flags_ & kLogModules; }
  bool ReportsCpu() const noexcept { return log_flags_ & kLogCpu; }
  bool ShowsSendDialogs() const noexcept { return send_flags_ & kSendShowDialogs; }
  bool ShowsSendResult() const noexcept { return send_flags_ & kSendResultMessage; }
  bool SendsWholeLog() const noexcept { return send_flags_ & kSendWholeLog; }
  bool AttachesXmlLog() const noexcept { return send_flags_ & kSendXmlLog; }
  bool AttachesScreenshot() const noexcept { return send_flags_ & kSendScreenshot; }
  bool ScreenshotsDesktop() const noexcept { return send_flags_ & kSendWholeDesktop; }
  bool AttachesLastHTMLPage() const noexcept { return send_flags_ & kSendLastHTMLPage; }
  bool SendsFromThread() const noexcept { return send_flags_ & kSendFromThread; }
  bool DatesAttachedNames() const noexcept { return send_flags_ & kSendDatedNames; }
  bool PacksAttachments() const noexcept { return send_flags_ & kSendPacked; }
  bool ShowsException() const noexcept { return dialog_options_ & kDialogShowException; }
  bool ChecksSendBox() const noexcept { return dialog_options_ & kDialogSendChecked; }
  bool ChecksScreenshotBox() const noexcept { return dialog_options_ & kDialogScreenshotChecked; }
  bool ShowsCopyOption() const noexcept { return dialog_options_ & kDialogCopyOption; }
  bool ShowsDetailsButton() const noexcept { return dialog_options_ & kDialogDetailsButton; }
  bool OpensDetailed() const noexcept { return dialog_options_ & kDialogOpenDetailed; }
  bool DialogsStayOnTop() const noexcept { return dialog_options_ & kDialogStayOnTop; }
  bool DialogsOwnLook() const noexcept { return dialog_options_ & kDialogOwnLook; }
  bool ListsFunctionNames() const noexcept { return call_stack_options_ & kCallStackFunctionNames; }
  bool ListsDecoratedNames() const noexcept { return call_stack_options_ & kCallStackDecoratedNames; }
  bool ShowsLineOffsets() const noexcept { return call_stack_options_ & kCallStackLineOffsets; }
  bool UsesErrorFrequencyRule() const noexcept { return behaviour_flags_ & kBehaviourErrorFrequency; }
  bool PausesMainThreads() const noexcept { return behaviour_flags_ & kBehaviourPauseMainThreads; }
  bool SparesMainThread() const noexcept { return behaviour_flags_ & kBehaviourSpareMainThread; }
  bool PausesOtherThreads() const noexcept { return behaviour_flags_ & kBehaviourPauseOtherThreads; }
  bool CopiesUnsentReport() const noexcept { return behaviour_flags_ & kBehaviourCopyUnsent; }
  bool KeepsUnsentFiles() const noexcept { return behaviour_flags_ & kBehaviourKeepUnsent; }
  // ReportItems: the report header shows field Field (0 to 39).
  bool ShowsHeaderField(int Field) const noexcept { return (report_items_ >> Field) & 1; }
  // The modes, by what they do.
  bool RestartsOnTerminate() const noexcept { return terminate_action_ == kTerminateRestart; }
  bool HasSendMethod() const noexcept {
    return email_send_mode_ != kEmailSendNone || web_send_mode_ != kWebSendNone;
  }
  // DialogFirstPage without its high bit.
  std::uint8_t FirstPage() const noexcept { return dialog_first_page_ & kDialogFirstPageMask; }

 private:
  void ReadStream(TStream* Stream, int Version);

  bool shared_;
  std::int32_t update_count_ = 0;
  bool active_ = true;
  bool freeze_active_ = false;
  std::int32_t max_log_entries_ = 32;
  std::unique_ptr<TStringList> exception_filter_classes_;
  std::unique_ptr<TStringList> exception_filter_settings_;
  TCustomizedTexts customized_texts_;
};

#undef LAB_CRASH_OPTION

}  // namespace lab
