#include "crashreport/send/send_report.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "crashreport/files/attachments.h"
#include "crashreport/dialogs/crash_gui.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/internal_warning.h"
#include "crashreport/files/log_access.h"
#include "crashreport/files/log_paths.h"
#include "crashreport/send/mail_shell.h"
#include "crashreport/process_control.h"
#include "crashreport/process_state.h"
#include "crashreport/dialogs/send_dialog.h"
#include "crashreport/send/smtp_mail.h"
#include "crashreport/codec/tar_gzip.h"
#include "crashreport/send/web_upload.h"
#include "crashreport/dialogs/window_services.h"
#include "platform/controls/dialogs.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/threads.h"

namespace lab {

namespace {

constexpr char kReportEnd[] = "\r\n\r\n\r\n";
constexpr char kKeptArchivePrefix[] = "CompressFiles";

const std::string& Text(int Index) {
  return OptionsInForce().GetCustomizedText(static_cast<std::uint8_t>(Index));
}

void RemoveFile(const std::string& FileName) {
  if (!FileName.empty()) ::unlink(FileName.c_str());
}

// Every file of Files in a new archive, each under its stored name.
void PackFilesToTgz(const std::string& ArchiveName, const TStrings& Files) {
  if (Files.Count() == 0) return;
  RemoveFile(ArchiveName);
  TTGZWriter writer(ArchiveName);
  for (int i = 0; i < Files.Count(); ++i) writer.AddFile(Files.Strings(i), AddTimeStampToFileName(Files.Strings(i)));
  writer.Close();
}

// Runs Step, which writes files of the report; one that cannot be written whole is told with its
// reason, and answers false.
bool WrittenWhole(const std::function<void()>& Step) {
  try {
    Step();
    return true;
  } catch (const Exception& e) {
    ShowInternalWarning(eeLogError, e.Message());
    return false;
  }
}

// The report text ending in three CR LF pairs, as the log file holds it.
std::string AsLogText(std::string Text) {
  if (!Text.ends_with(kReportEnd)) Text += kReportEnd;
  return Text;
}

// A report kept for a later send: its text, stored as the log file, and the files that went with it.
struct TKeptReport {
  std::string Folder;  // where the archive goes
  TDateTime Time = 0;  // the exception's
  bool Dated = false;  // stored names carry Time
  std::string Text, TextName;
  std::vector<std::string> Files;
};

// Writes the archive of Report (KeptArchiveName), then prunes the folder's kept archives. Files that
// cannot be read any more are left out.
void KeepReport(const TKeptReport& Report) {
  const std::string archive = KeptArchiveName(Report.Folder, Report.Time);
  TTGZWriter writer(archive);
  TScopeFail remove([&] { RemoveFile(archive); });
  TStringStream text(Report.Text);
  writer.AddStream(&text, Report.TextName, UtcNow());
  for (const std::string& file : Report.Files) {
    const std::string name = AddTimeStampToFileName(file, Report.Dated, Report.Time);
    if (name == Report.TextName || !FileCanRead(file)) continue;
    writer.AddFile(file, name);
  }
  writer.Close();
  PruneKeptArchives(Report.Folder);
}

// Keeps the current report, which was not sent, in the folder its log goes to: the archive packed for
// the sending moves there, else its files are packed there. When that fails the archive, or else the
// report's files, stay where they are, and the warning says where; the answer is what stays (empty
// when the report was kept beside its log).
std::string KeepUnsentReport() {
  const TCrashProcessState& state = CrashState();
  const TCrashModuleOptions& options = OptionsInForce();
  const std::string folder = GetLogFolder(options);
  const std::string packed = GetCompressedFilesName();
  const bool move = options.PacksAttachments() && FileCanRead(packed);
  try {
    if (move) {
      MoveFileAcross(packed, KeptArchiveName(folder, state.ExceptionTime));
      PruneKeptArchives(folder);
    } else {
      TKeptReport report{folder, state.ExceptionTime, options.DatesAttachedNames(),
                         AsLogText(state.TextToSend), AddTimeStampToFileName(GetTempLogFileName()), {}};
      for (int i = 0; i < state.AttachedFiles->Count(); ++i) report.Files.push_back(state.AttachedFiles->Strings(i));
      KeepReport(report);
    }
    return {};
  } catch (const Exception& e) {
    const std::string stays = move ? packed : GetReportFolder();
    ShowInternalWarning(eeLogError, Format("The unsent report stays in \"%s\". %s", stays, e.Message()));
    return stays;
  }
}

// The status line of the progress dialog: "Message <number>/<count>: <step>".
void ShowProgressStep(int Number, int Count, const std::string& Step) {
  SetSendProgressText(Format("%s %d/%d: ", Text(76), Number, Count) + Step);
}

// Both events of one action around attempts that repeat while a handler asks.
bool RunSendAction(TCrashActionType Starting, TCrashActionType Done, const std::function<bool()>& Attempt) {
  TCrashProcessState& state = CrashState();
  const TCrashExceptionRecord& record = CurrentExceptionRecord();
  state.Execute = true;
  CallInRaisingThread([&] { FireExceptionActionNotify(record, Starting, state.Execute); });
  if (!state.Execute) return false;
  do {
    state.Execute = Attempt();
    state.Retry = false;
    if (!state.Execute) CallInRaisingThread([&] { FireExceptionErrorNotify(record, Done, state.Retry); });
  } while (state.Retry);
  CallInRaisingThread([&] { FireExceptionActionNotify(record, Done, state.Execute); });
  return state.Execute;
}

// What a report sent from a thread of its own keeps: its own copies of what the handler leaves in the
// process state, put in place for the sending and taken out again after it.
struct TReportCopy {
  std::unique_ptr<TCrashModuleOptionsEx> Options;
  TCrashExceptionRecord Record;
  std::string TextToSend, Password, LastHTMLPage, ReportFolder;
  std::shared_ptr<const void> ExceptionOwner;
  TDateTime ExceptionTime = 0;
  // As they were when the report was made: the rule ends the program after the report that found
  // too many, whichever report's thread takes the handler lock first.
  std::vector<TDateTime> ErrorTimes;
  bool AttachChecked = false;

  void Swap(TCrashProcessState& State) {
    std::swap(Options, State.CurrentOptions);
    std::swap(Record, State.ExceptionRecord);
    std::swap(TextToSend, State.TextToSend);
    std::swap(Password, State.Password);
    std::swap(LastHTMLPage, State.LastHTMLPage);
    std::swap(ReportFolder, State.ReportFolder);
    std::swap(ExceptionOwner, State.ExceptionOwner);
    std::swap(ExceptionTime, State.ExceptionTime);
    std::swap(ErrorTimes, State.ErrorTimes);
    std::swap(AttachChecked, State.AttachChecked);
  }
};

class TSendThread;

// A thread that sends (or waits to send) a report, with what keeps its report should the program
// end first: Kept without its files, which are those of ReportFolder at that time and Attached.
struct TSending {
  const TSendThread* Thread;
  TKeptReport Kept;  // no Folder: the options keep no unsent report
  std::string ReportFolder;
  std::vector<std::string> Attached;
};

struct TSendingThreads {
  std::mutex Lock;
  std::condition_variable Ended;
  std::vector<TSending> Running;
  bool Ending = false;  // a thread ends the program once the others are done
};

// Made on first use and never destroyed: threads may still end while the program does.
TSendingThreads& SendingThreads() {
  static auto* threads = new TSendingThreads;
  return *threads;
}

class TSendThread : public TThread {
  LAB_CLASS(TSendThread, TThread)
 public:
  explicit TSendThread(std::unique_ptr<TReportCopy> Report) : TThread(true), report_(std::move(Report)) {}

 protected:
  void Execute() override {
    TScopeExit ended([this] {
      TSendingThreads& threads = SendingThreads();
      const std::lock_guard guard(threads.Lock);
      std::erase_if(threads.Running, [this](const TSending& Entry) { return Entry.Thread == this; });
      threads.Ended.notify_all();
    });
    bool terminate = false, restart = false;
    {
      TCriticalSection& lock = HandlerLock();
      lock.Enter();
      TScopeExit leave([&] { lock.Leave(); });
      TCrashProcessState& state = CrashState();
      TCrashExceptionRecord* current = state.CurrentException;
      report_->Swap(state);
      // The raising thread has gone on: the events of this sending run here.
      state.ExceptionRecord.ThreadID = GetCurrentThreadID();
      state.CurrentException = &state.ExceptionRecord;
      TScopeExit restore([&] {
        RemoveReportFolder();
        report_->Swap(state);
        state.CurrentException = current;
      });
      try {
        SendReport();
        CheckErrorFrequency();
      } catch (...) {
        ReportSectionError(eeNone, "TSendThread");
      }
      terminate = state.TerminateRequested;
      restart = OptionsInForce().RestartsOnTerminate();
    }
    // The reports of earlier errors may still be waiting for the handler lock: they go (or are kept)
    // before the program ends. One thread ends it; another that finds the request asked returns, so
    // the two never wait for each other.
    if (!terminate) return;
    {
      TSendingThreads& threads = SendingThreads();
      const std::lock_guard guard(threads.Lock);
      if (std::exchange(threads.Ending, true)) return;
    }
    WaitForSending(kSendWaitAtEnd);
    TerminateApplication(restart);
  }

 private:
  std::unique_ptr<TReportCopy> report_;
};

}  // namespace

bool StartSendReport(bool InPlace) {
  TCrashProcessState& state = CrashState();
  const TCrashModuleOptions& options = OptionsInForce();
  if (InPlace || !options.SendsFromThread()) {
    SendReport();
    return false;
  }
  auto report = std::make_unique<TReportCopy>();
  report->Options = std::make_unique<TCrashModuleOptionsEx>(options.ModuleName(), false);
  report->Options->Assign(&options);
  report->Record = CurrentExceptionRecord();
  report->Record.CallStack = nullptr;  // the handler frees it; the report text holds what it said
  report->Record.Options = report->Options.get();
  report->TextToSend = state.TextToSend;
  report->Password = state.Password;
  report->LastHTMLPage = state.LastHTMLPage;
  report->ExceptionOwner = state.ExceptionOwner;
  report->ExceptionTime = state.ExceptionTime;
  report->ErrorTimes = state.ErrorTimes;
  report->AttachChecked = state.AttachChecked;
  // The folder, with what is in it already (the screenshot), goes with the report.
  TSending sending{nullptr,
                   {options.KeepsUnsentFiles() ? GetLogFolder(options) : std::string(),
                    state.ExceptionTime, options.DatesAttachedNames(),
                    AsLogText(state.TextToSend), AddTimeStampToFileName(GetLogFileName(options)), {}},
                   GetReportFolder(), {}};
  report->ReportFolder = std::exchange(state.ReportFolder, {});
  TStringList attached;
  SplitString(options.AttachedFiles(), &attached, ";");
  for (int i = 0; i < attached.Count(); ++i) sending.Attached.push_back(attached.Strings(i));
  auto* thread = new TSendThread(std::move(report));
  thread->SetFreeOnTerminate(true);
  thread->SetPriority(tpHighest);
  sending.Thread = thread;
  {
    TSendingThreads& threads = SendingThreads();
    const std::lock_guard guard(threads.Lock);
    threads.Running.push_back(std::move(sending));
  }
  thread->Start();
  return true;
}

bool WaitForSending(std::chrono::milliseconds Limit) {
  TSendingThreads& threads = SendingThreads();
  std::vector<TSending> unsent;
  {
    std::unique_lock guard(threads.Lock);
    // A program ended by a handler of the sending's own events cannot wait for that sending.
    const std::uint32_t self = GetCurrentThreadID();
    const auto others_done = [&] {
      return std::all_of(threads.Running.begin(), threads.Running.end(),
                         [&](const TSending& Entry) { return Entry.Thread->ThreadID() == self; });
    };
    if (threads.Ended.wait_for(guard, Limit, others_done)) return true;
    unsent = threads.Running;
  }
  for (TSending& sending : unsent) {
    if (sending.Kept.Folder.empty()) continue;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(sending.ReportFolder, error))
      if (entry.path().filename() != "CompressFiles.tgz") sending.Kept.Files.push_back(entry.path().string());
    sending.Kept.Files.insert(sending.Kept.Files.end(), sending.Attached.begin(), sending.Attached.end());
    try {
      KeepReport(sending.Kept);
    } catch (const Exception& e) {
      ShowInternalWarning(eeLogError, "The unsent report cannot be kept. " + e.Message());
    }
  }
  return false;
}

void StoredFileNames(const TStrings& Files, TStrings* Names) {
  Names->Clear();
  for (int i = 0; i < Files.Count(); ++i) Names->Add(AddTimeStampToFileName(Files.Strings(i)));
}

bool PrepareAttachments(bool ForEmail) {
  TCrashProcessState& state = CrashState();
  TStrings* files = state.AttachedFiles.get();
  GetAttachedFiles(ForEmail ? 1 : 0, files);
  CallInRaisingThread([] { FireAttachedFilesRequest(); });
  for (int i = files->Count() - 1; i >= 0; --i)
    if (!FileCanRead(files->Strings(i))) files->Delete(i);
  if (!OptionsInForce().PacksAttachments() || files->Count() == 0) return true;
  const std::string archive = GetCompressedFilesName();
  if (!WrittenWhole([&] { PackFilesToTgz(archive, *files); })) return false;
  files->Clear();
  files->Add(archive);
  return true;
}

bool SendEmailReport() {
  TCrashProcessState& state = CrashState();
  return RunSendAction(atSendingEmail, atSentEmail, [&] {
    const TCrashModuleOptions& o = OptionsInForce();
    std::string body = o.EmailMessage();
    if (o.ReportInMessageBody()) body += kReportEnd + state.TextToSend;
    if (o.EmailSendMode() == kEmailSendMailClient)
      return SendMailShell(o.EmailAddresses(), o.EmailSubject(), o.EmailMessage(), state.TextToSend,
                           GetTempLogFileName());
    StartSendDialogThread();
    TScopeExit close([] { CloseSendDialog(); });
    TStringList names;
    StoredFileNames(*state.AttachedFiles, &names);
    return SendMailSMTPDirect(o.EmailSendMode() == kEmailSendSMTPDirect, o.SMTPFrom(), o.SMTPHost(), o.SMTPPort(),
                              o.SMTPUserID(), o.SMTPPassword(), o.EmailAddresses(), o.EmailSubject(), body,
                              *state.AttachedFiles, names, [](const std::string& Step, int Percent) {
                                if (!Step.empty()) SetSendProgressText(Step);
                                if (Percent >= 0) SetSendProgressPosition(Percent);
                              });
  });
}

bool SendWebReport() {
  TCrashProcessState& state = CrashState();
  return RunSendAction(atSendingWebMessage, atSentWebMessage, [&] {
    const TCrashModuleOptions& o = OptionsInForce();
    StartSendDialogThread();
    TScopeExit close([] { CloseSendDialog(); });
    std::string protocol, user, document, host, password, error;
    std::uint16_t port = 0;
    ParseURL(o.WebURL(), protocol, user, port, document, host, password);
    const auto progress = [](std::uint8_t Stage, std::int32_t Total, std::int32_t Position) {
      if (Stage == 0) SetSendProgressPosition(0);
      ShowProgressStep(1, 1, Text(78 + std::min<int>(Stage, 2)));
      if (Stage == 2 && Total > 0) SetSendProgressPosition(static_cast<int>(std::lround(Position * 100.0 / Total)));
    };
    TStringList names;
    StoredFileNames(*state.AttachedFiles, &names);
    const int mode = o.WebSendMode();
    int result = 0;
    bool nothing_to_send = false;
    if (mode == kWebSendFTP) {
      result = FtpUploadFiles(host, document, o.WebUserID(), o.WebPassword(), static_cast<std::uint16_t>(o.WebPort()),
                              *state.AttachedFiles, names, progress, error);
    } else {
      CallInRaisingThread([] { FireCustomFieldsRequest(); });
      // Nothing to send fails (its code stays 0).
      if (state.AttachedFiles->Count() == 0) {
        nothing_to_send = true;
      } else {
        result = HttpUploadFiles(host, document, o.WebUserID(), o.WebPassword(),
                                 static_cast<std::uint16_t>(o.WebPort()), mode == kWebSendHTTPS, *state.AttachedFiles,
                                 names, *state.FieldsName, *state.FieldsValue, progress, error);
      }
    }
    if (result == 0 && !nothing_to_send) return true;
    static constexpr TCrashLogErrorCode kCodes[] = {eeWebHTTPError, eeWebHTTPSError, eeWebFTPError};
    static constexpr const char* kNames[] = {"HTTP", "HTTPS", "FTP"};
    const int kind = std::clamp<int>(mode, kWebSendHTTP, kWebSendFTP) - kWebSendHTTP;
    ShowInternalWarning(kCodes[kind], Format("%s error code: %d%s", std::string(kNames[kind]), result,
                                             error.empty() ? std::string() : " (" + error + ")"));
    return false;
  });
}

void SendReport() {
  TCrashProcessState& state = CrashState();
  const TCrashModuleOptions& options = OptionsInForce();
  state.Execute = true;
  state.AttachedFiles->Clear();
  state.FieldsName->Clear();
  state.FieldsValue->Clear();
  ClearInternalWarning();

  // The files written for the sending go again however it ends, unless they keep an unsent report.
  const std::string log_file = GetTempLogFileName();
  const std::string archive = GetCompressedFilesName();
  std::string stays;
  TScopeExit remove([&] {
    if (options.PacksAttachments() && stays != archive) RemoveFile(archive);
    if (!stays.empty() && stays != archive) return;
    RemoveFile(GetXMLLogFileName());
    RemoveFile(GetSavedHTMLPageFileName());
    RemoveFile(log_file);
  });
  // A report that cannot be written whole is not sent at all: it would arrive cut short.
  const bool written = WrittenWhole([&] {
    if (!log_file.empty()) WriteFileBytes(log_file, AsLogText(state.TextToSend));
    SaveLastHTMLPage(state.LastHTMLPage);
    SaveXMLLogFile();
  });
  bool sent = written;
  bool prepared = false;
  if (written && options.EmailSendMode() != kEmailSendNone) {
    prepared = PrepareAttachments(true);
    sent = prepared && SendEmailReport();
  }
  if (written && options.WebSendMode() != kWebSendNone) {
    if (!prepared || options.ReportInMessageBody()) prepared = PrepareAttachments(false);
    // The upload is tried even when the mail failed.
    const bool uploaded = prepared && SendWebReport();
    sent = sent && uploaded;
  }
  if (!sent && options.CopiesUnsentReport()) CrashGui().SetClipboardText(state.TextToSend);
  if (options.ShowsSendResult()) {
    const win::UINT modifiers = win::MB_TASKMODAL | win::MB_TOPMOST | win::MB_SERVICE_NOTIFICATION;
    CrashMessageBox(Text(sent ? 94 : 95), Text(0),
                    modifiers | (sent ? win::MB_ICONINFORMATION : win::MB_ICONERROR));
  }
  if (!sent && options.KeepsUnsentFiles()) stays = KeepUnsentReport();
  state.Execute = sent;
}

void CheckErrorFrequency() {
  RemoveFile(GetScreenshotFileName());
  const TCrashModuleOptions& options = OptionsInForce();
  const std::vector<TDateTime>& times = CrashState().ErrorTimes;
  const int count = options.ErrorFrequencyCount();
  if (!options.UsesErrorFrequencyRule() || count < 1 || times.size() != static_cast<std::size_t>(count))
    return;
  // In whole milliseconds, so a span of exactly the limit counts whatever the days' fractions round to.
  const double span_ms = std::round((times.back() - times.front()) * 86400000.0);
  if (span_ms <= options.ErrorFrequencyMinutes() * 60000.0) ForceTermination(options.ErrorFrequencyAction());
}

std::string KeptArchiveName(const std::string& Folder, TDateTime Time) {
  const std::string stem = IncludeTrailingPathDelimiter(Folder) + kKeptArchivePrefix + "_" +
                           FormatDateTime("yyyymmddhhnnss", Time);
  std::string name = stem + ".tgz";
  for (int n = 2; std::filesystem::exists(name); ++n) name = stem + "_" + std::to_string(n) + ".tgz";
  return name;
}

void PruneKeptArchives(const std::string& Folder, int Keep) {
  std::vector<std::string> kept;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(Folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(kKeptArchivePrefix) && name.ends_with(".tgz") && entry.is_regular_file(error))
      kept.push_back(name);
  }
  std::sort(kept.begin(), kept.end());
  for (std::size_t i = 0; i + Keep < kept.size(); ++i) RemoveFile(IncludeTrailingPathDelimiter(Folder) + kept[i]);
}

}  // namespace lab
