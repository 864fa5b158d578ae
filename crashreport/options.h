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
  LAB_CRASH_OPTION(std::uint8_t, TerminateAction, terminate_action_)  // 1: ending restarts the program
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
  LAB_CRASH_OPTION(std::uint8_t, EmailSendMode, email_send_mode_)  // 0 none, 1 mail client, 2 SMTP server, 3 SMTP direct
  LAB_CRASH_OPTION(std::uint8_t, WebSendMode, web_send_mode_)    // 0 none, 1 HTTP, 2 HTTPS, 3 FTP
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
