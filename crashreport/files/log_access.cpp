#include "crashreport/files/log_access.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <memory>

#include "crashreport/files/attachments.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/internal_warning.h"
#include "crashreport/files/log_file.h"
#include "crashreport/files/log_paths.h"
#include "crashreport/files/xml_log.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"

namespace lab {
namespace {

// Where an error stands in its module: its address (item 2.2) less the handle the report's modules
// table gives its module (item 2.3), which moves with the load address from run to run; the address
// itself when the report lists no such module.
std::string AddressInModule(std::string_view Report, const std::string& Address, const std::string& Module) {
  const std::string handle = LogEntryModuleHandle(Report, Module);
  std::uint64_t address = 0, base = 0;
  const auto read = [](const std::string& Hex, std::uint64_t& Value) {
    return !Hex.empty() && std::from_chars(Hex.data(), Hex.data() + Hex.size(), Value, 16).ptr == Hex.data() + Hex.size();
  };
  if (!read(Address, address) || !read(handle, base) || address < base) return Address;
  return Module + "+" + std::to_string(address - base);
}

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
  static const std::array<std::string, 3> kIDs = {"2.3", "2.4", "2.5"};
  const std::array<std::string, 3> values = {report.ExceptionModule, report.ExceptionType, report.ExceptionMessage};
  const std::string where = AddressInModule(report.Report, report.ExceptionAddress, report.ExceptionModule);
  const TScopeExit close([] { CloseLogFile(); });
  try {
    const TLogFile& log = OpenLogFile();
    for (int i : log.EntriesWith(kIDs, values))
      state.Duplicate = state.Duplicate ||
                        AddressInModule(log.GetEntry(i), log.GetEntryField("2.2", i), report.ExceptionModule) == where;
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
  WriteFileBytes(name, lines.Text());
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
