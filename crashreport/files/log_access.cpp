#include "crashreport/files/log_access.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>

#include "crashreport/files/attachments.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/internal_warning.h"
#include "crashreport/files/log_file.h"
#include "crashreport/files/log_paths.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"

namespace lab {
namespace {

struct TOpenLog {
  std::unique_ptr<TLogFile> Log;
  std::string Name;  // as asked for (the log may have moved to the per-user folder)
};

// Made on first use and never destroyed, as the process state.
TOpenLog& OpenLog() {
  static TOpenLog* log = new TOpenLog;
  return *log;
}

}  // namespace

TLogFile& OpenLogFile() {
  const std::string name = GetLogFileName(OptionsInForce());
  TOpenLog& open = OpenLog();
  if (open.Log && open.Name != name) CloseLogFile();
  if (!open.Log) {
    open.Log = std::make_unique<TLogFile>(name, false);
    open.Name = name;
  }
  return *open.Log;
}

void CloseLogFile() {
  TOpenLog& open = OpenLog();
  open.Log.reset();
  open.Name.clear();
}

void CheckDuplicateException() {
  TCrashProcessState& state = CrashState();
  state.Duplicate = false;
  if (!OptionsInForce().MarksDuplicates()) return;
  const TReportTexts& report = CurrentReport();
  static const std::array<std::string, 4> kIDs = {"2.2", "2.3", "2.4", "2.5"};
  const std::array<std::string, 4> values = {report.ExceptionAddress, report.ExceptionModule, report.ExceptionType,
                                             report.ExceptionMessage};
  const TScopeExit close([] { CloseLogFile(); });
  try {
    state.Duplicate = OpenLogFile().HasEntry(kIDs, values);
  } catch (const Exception& e) {
    ShowInternalWarning(eeLogError, e.Message());
  }
}

std::string LoadTextFile(const std::string& FileName) {
  if (::access(FileName.c_str(), F_OK) != 0 && errno == ENOENT) return {};
  TMemoryStream stream;
  stream.LoadFromFile(FileName);
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

void SaveLastHTMLPage(std::string_view Page) {
  const std::string name = GetLastHTMLPageFileName();
  if (name.empty()) return;
  TStringList lines;
  lines.SetText(Page);
  lines.SaveToFile(name);
}

void SaveXMLLogFile() {
  const std::string xml = GetXMLLogFileName();
  if (xml.empty()) return;
  // The temporary log is written just before, for the sending; should it not be there, the XML log
  // still carries the report.
  const std::string temporary = GetTempLogFileName();
  std::unique_ptr<TLogFile> log;
  if (!temporary.empty() && FileCanRead(temporary)) {
    log = std::make_unique<TLogFile>(temporary, true);
  } else {
    log = std::make_unique<TLogFile>();
    log->AddEntry(CurrentReport().Report, 1);
  }
  log->SetPassword(CrashState().Password);
  log->SaveToXML(xml);
}

}  // namespace lab
