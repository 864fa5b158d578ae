#include "crashreport/files/attachments.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "crashreport/codec/file_utils.h"
#include "crashreport/files/log_paths.h"
#include "crashreport/options.h"
#include "crashreport/process_state.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/strutils.h"

namespace lab {
namespace {

// Name in the report's folder; empty when there is none.
std::string TempFile(std::string_view Name) {
  const std::string folder = GetReportFolder();
  return folder.empty() ? std::string() : folder + std::string(Name);
}

std::string LogFileNameOnly() { return ExtractFileName(GetLogFileName(OptionsInForce())); }

void AddNotEmpty(TStrings* List, const std::string& Name) {
  if (!Name.empty()) List->Add(Name);
}

}  // namespace

std::string GetReportFolder() {
  TCrashProcessState& state = CrashState();
  if (state.ReportFolder.empty()) {
    const std::string temporary = GetTempFolder();
    if (temporary.empty()) return {};
    // A folder that stands already was left by an ended process of the same number: its files are
    // not this report's.
    std::string folder;
    do {
      folder = temporary + "report-" + std::to_string(::getpid()) + "-" + std::to_string(++state.ReportFolders);
    } while (::mkdir(folder.c_str(), 0700) != 0 && errno == EEXIST);
    if (!IsFolder(folder)) return {};
    state.ReportFolder = folder + "/";
  }
  return state.ReportFolder;
}

void RemoveReportFolder() {
  TCrashProcessState& state = CrashState();
  if (!state.ReportFolder.empty()) ::rmdir(state.ReportFolder.c_str());
  state.ReportFolder.clear();
}

std::string GetScreenshotFileName() { return OptionsInForce().AttachesScreenshot() ? TempFile("Screenshot.png") : std::string(); }

std::string GetAttachedScreenshotFileName() {
  return CrashState().AttachChecked ? GetScreenshotFileName() : std::string();
}

std::string GetTempLogFileName() { return TempFile(LogFileNameOnly()); }

std::string GetCompressedFilesName() { return TempFile("CompressFiles.tgz"); }

std::string GetLastHTMLPageFileName() { return OptionsInForce().AttachesLastHTMLPage() ? TempFile("LastHTMLPage.html") : std::string(); }

std::string GetSavedHTMLPageFileName() {
  return CrashState().LastHTMLPage.empty() ? std::string() : GetLastHTMLPageFileName();
}

std::string GetXMLLogFileName() { return OptionsInForce().AttachesXmlLog() ? TempFile(ChangeFileExt(LogFileNameOnly(), ".xml")) : std::string(); }

std::string AddTimeStampToFileName(std::string_view Path) {
  return AddTimeStampToFileName(Path, OptionsInForce().DatesAttachedNames(), CrashState().ExceptionTime);
}

std::string AddTimeStampToFileName(std::string_view Path, bool Dated, TDateTime Time) {
  const std::string name = ExtractFileName(Path);
  if (!Dated) return name;
  return ChangeFileExt(name, "") + "_" + FormatDateTime("yyyymmddhhnnss", Time) + ExtractFileExt(name);
}

void SplitString(std::string_view Text, TStrings* List, std::string_view Separators) {
  std::size_t from = 0;
  for (std::size_t i = 0; i <= Text.size(); ++i) {
    if (i < Text.size() && Separators.find(Text[i]) == std::string_view::npos) continue;
    AddNotEmpty(List, Trim(Text.substr(from, i - from)));
    from = i + 1;
  }
}

void GetAttachedFiles(int Mode, TStrings* List) {
  const TCrashModuleOptions& options = OptionsInForce();
  List->Clear();
  SplitString(options.AttachedFiles(), List, ";");
  if (Mode == 0 || !options.ReportInMessageBody()) AddNotEmpty(List, GetTempLogFileName());
  AddNotEmpty(List, GetAttachedScreenshotFileName());
  AddNotEmpty(List, GetSavedHTMLPageFileName());
  AddNotEmpty(List, GetXMLLogFileName());
}

}  // namespace lab
