#include "crashreport/files/ini_settings.h"

#include "crashreport/codec/file_utils.h"
#include "crashreport/files/log_paths.h"
#include "platform/rtl/ini_file.h"
#include "platform/rtl/utf8.h"

namespace lab {

std::string UserConfigFolder() {
  std::string folder = GetEnvironmentText("XDG_CONFIG_HOME");
  if (!folder.empty() && folder[0] == '/') return folder;
  const std::string home = GetEnvironmentText("HOME");
  if (home.empty() || home[0] != '/') return {};
  return IncludeTrailingPathDelimiter(home) + ".config";
}

bool ResolveIniFilePath(std::string& FileName, bool ForWriting) {
  if (FileName.find('/') == std::string::npos) {
    const std::string folder = UserConfigFolder();
    if (folder.empty()) return false;
    if (ForWriting) ForceFolders(folder);
    FileName = IncludeTrailingPathDelimiter(folder) + FileName;
  }
  return EnsureWritableFilePath(FileName, false, !ForWriting);
}

std::string ReadIniString(const std::string& FileName, std::string_view Section, std::string_view Key,
                          std::string_view Default) {
  try {
    std::string path = FileName;
    if (!ResolveIniFilePath(path, false)) return std::string(Default);
    std::string value = TMemIniFile(path).ReadString(Section, Key, Default);
    if (Utf8Length(value) > 2048) value.resize(Utf8Offset(value, 2048));
    return value;
  } catch (...) {
    return std::string(Default);
  }
}

void WriteIniString(const std::string& FileName, std::string_view Section, std::string_view Key,
                    std::string_view Value) {
  try {
    std::string path = FileName;
    if (!ResolveIniFilePath(path, true)) return;
    TMemIniFile file(path);
    file.WriteString(Section, Key, Value);
    file.UpdateFile();
  } catch (...) {
    // A failed write keeps the settings the file had.
  }
}

}  // namespace lab
