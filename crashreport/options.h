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

// Declares a setting: Name() reads it, SetName(v) stores it and notifies the change.
#define LAB_CRASH_OPTION(Type, Name)                      \
 public:                                                  \
  const Type& Name() const noexcept { return Name##_; }   \
  void Set##Name(const Type& Value) {                     \
    Name##_ = Value;                                      \
    NotifyChange();                                       \
  }                                                       \
                                                          \
 private:                                                 \
  Type Name##_{};

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

  void BeginUpdate() noexcept { ++UpdateCount_; }
  // Does not notify by itself.
  void EndUpdate() noexcept { --UpdateCount_; }
  // Calls Changed outside updates, for shared options of the running module.
  void NotifyChange();
  // ModuleName names the module that holds the crash reporter.
  bool BelongsToRunningModule() const;

  bool Shared() const noexcept { return Shared_; }
  std::int32_t UpdateCount() const noexcept { return UpdateCount_; }
  bool Active() const noexcept { return Active_; }
  bool FreezeActive() const noexcept { return FreezeActive_; }
  std::int32_t MaxLogEntries() const noexcept { return MaxLogEntries_; }
  // 0 stores 1.
  void SetMaxLogEntries(std::int32_t Value);

  TStringList* ExceptionFilterClasses() const noexcept { return ExceptionFilterClasses_.get(); }
  // At the same index as ExceptionFilterClasses: the text shown for that filter.
  TStringList* ExceptionFilterSettings() const noexcept { return ExceptionFilterSettings_.get(); }
  TCustomizedTexts& CustomizedTexts() noexcept { return CustomizedTexts_; }
  const TCustomizedTexts& CustomizedTexts() const noexcept { return CustomizedTexts_; }
  // An index past 95 raises EListError.
  const std::string& GetCustomizedText(std::uint8_t Index) const;

  LAB_CRASH_OPTION(std::string, ModuleName)
  LAB_CRASH_OPTION(std::string, SMTPFrom)
  LAB_CRASH_OPTION(std::string, SMTPHost)
  LAB_CRASH_OPTION(std::string, SMTPUserID)
  LAB_CRASH_OPTION(std::string, SMTPPassword)
  LAB_CRASH_OPTION(std::uint16_t, SMTPPort)
  LAB_CRASH_OPTION(std::uint8_t, TerminateAction)  // 1: ending restarts the program
  LAB_CRASH_OPTION(std::int32_t, FreezeTimeout)    // seconds
  LAB_CRASH_OPTION(std::string, FreezeMessage)
  LAB_CRASH_OPTION(std::uint64_t, ReportItems)     // 40 bits
  LAB_CRASH_OPTION(bool, StoredFlag)
  LAB_CRASH_OPTION(bool, ExceptionFiltersActive)
  LAB_CRASH_OPTION(bool, ReportInMessageBody)
  LAB_CRASH_OPTION(bool, TerminateAfterErrors)
  LAB_CRASH_OPTION(bool, SaveLogFile)
  LAB_CRASH_OPTION(std::uint8_t, LogFlags)
  LAB_CRASH_OPTION(std::uint16_t, SendFlags)
  LAB_CRASH_OPTION(std::uint8_t, DialogFirstPage)
  LAB_CRASH_OPTION(std::int32_t, ErrorsBeforeTerminate)
  LAB_CRASH_OPTION(std::string, LogFilePath)
  LAB_CRASH_OPTION(std::string, EmailAddresses)
  LAB_CRASH_OPTION(std::string, EmailSubject)
  LAB_CRASH_OPTION(std::string, EmailMessage)
  LAB_CRASH_OPTION(std::uint8_t, EmailSendMode)  // 0 none, 1 mail client, 2 SMTP server, 3 SMTP direct
  LAB_CRASH_OPTION(std::uint8_t, WebSendMode)    // 0 none, 1 HTTP, 2 HTTPS, 3 FTP
  LAB_CRASH_OPTION(std::string, AttachedFiles)   // separated by ";"
  LAB_CRASH_OPTION(std::uint8_t, DialogOptions)
  LAB_CRASH_OPTION(std::int32_t, AutoCloseSeconds)
  LAB_CRASH_OPTION(std::string, SupportURL)
  LAB_CRASH_OPTION(std::string, HTMLTemplate)
  LAB_CRASH_OPTION(std::uint8_t, ErrorFrequencyAction)
  LAB_CRASH_OPTION(std::int32_t, ErrorFrequencyCount)
  LAB_CRASH_OPTION(std::int32_t, ErrorFrequencyMinutes)
  LAB_CRASH_OPTION(std::uint8_t, CallStackOptions)
  LAB_CRASH_OPTION(std::uint8_t, BehaviourFlags)
  LAB_CRASH_OPTION(std::string, WebURL)
  LAB_CRASH_OPTION(std::int32_t, WebPort)
  LAB_CRASH_OPTION(std::string, WebPassword)
  LAB_CRASH_OPTION(std::string, WebUserID)

 private:
  void ReadStream(TStream* Stream, int Version);

  bool Shared_;
  std::int32_t UpdateCount_ = 0;
  bool Active_ = true;
  bool FreezeActive_ = false;
  std::int32_t MaxLogEntries_ = 32;
  std::unique_ptr<TStringList> ExceptionFilterClasses_;
  std::unique_ptr<TStringList> ExceptionFilterSettings_;
  TCustomizedTexts CustomizedTexts_;
};

#undef LAB_CRASH_OPTION

}  // namespace lab
