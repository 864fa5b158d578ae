#include "crashreport/files/log_paths.h"

#include "crashreport/codec/file_utils.h"
#include "crashreport/options.h"
#include "crashreport/report/system_utils.h"
#include "platform/rtl/strutils.h"

namespace lab {
namespace {

bool PathServes(const std::string& path, bool read_only) {
  return read_only ? FileCanRead(path) : FileCanWrite(path);
}

}  // namespace

std::string LogComputerName() {
  std::string name = GetComputerNameText();
  for (char& c : name)
    if (std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos) c = '_';
  return name;
}

std::string GetLogFilePath(const TCrashModuleOptions& Options, const std::string& Name) {
  const std::string& path = Options.LogFilePath();
  if (LowerCase(ExtractFileExt(path)) == ".clf") return path;
  const std::string folder = path.empty() ? ExtractFilePath(Name) : path;
  return IncludeTrailingPathDelimiter(folder) + ExtractFileName(Name);
}

std::string GetLogFileName(const TCrashModuleOptions& Options, std::string Name) {
  if (Name.empty()) Name = Options.ModuleName();
  std::string result = GetLogFilePath(Options, ChangeFileExt(Name, ".clf"));
  if (Options.LogNameHasComputer())
    result = ChangeFileExt(result, "") + "_" + LogComputerName() + ExtractFileExt(result);
  return result;
}

std::string GetLogFolder(const TCrashModuleOptions& Options) {
  std::string path = GetLogFileName(Options);
  EnsureWritableFilePath(path, true, false);
  return ExtractFilePath(path);
}

std::string UserCrashLogFolder() {
  std::string base = GetEnvironmentText("XDG_STATE_HOME");
  if (base.empty() || base[0] != '/') {
    const std::string home = GetEnvironmentText("HOME");
    if (home.empty() || home[0] != '/') return {};
    base = IncludeTrailingPathDelimiter(home) + ".local/state";
  }
  return IncludeTrailingPathDelimiter(base) + "CrashLog";
}

bool EnsureWritableFilePath(std::string& Path, bool UseProgramSubfolder, bool ReadOnly) {
  if (PathServes(Path, ReadOnly)) return true;
  std::string folder = UserCrashLogFolder();
  if (folder.empty() || !ForceFolders(folder)) return false;
  if (UseProgramSubfolder) {
    folder += '/';
    folder += ChangeFileExt(ExtractFileName(GetModuleFullName(nullptr)), "");
    if (!ForceFolders(folder)) return false;
  }
  std::string candidate = folder + "/" + ExtractFileName(Path);
  if (!PathServes(candidate, ReadOnly)) return false;
  Path = std::move(candidate);
  return true;
}

}  // namespace lab
