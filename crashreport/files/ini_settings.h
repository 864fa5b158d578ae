#pragma once
// The crash reporter's small INI file (its dialogs keep their placement in "CrashLog.ini", section
// "Coordinates"). Both operations swallow their failures: reading then gives the default, writing
// does nothing.

#include <string>
#include <string_view>

namespace lab {

// The per-user settings folder: $XDG_CONFIG_HOME, else $HOME/.config; empty when neither gives an
// absolute folder.
std::string UserConfigFolder();
// A file name without a folder goes into the settings folder; then, when that file cannot be used
// (read, or with ForWriting written), its place in the per-user crash-report folder is tried. False
// when neither serves.
bool ResolveIniFilePath(std::string& FileName, bool ForWriting);

// The value, at most 2048 characters; Default when the file, the section or the key is missing.
std::string ReadIniString(const std::string& FileName, std::string_view Section, std::string_view Key,
                          std::string_view Default);
void WriteIniString(const std::string& FileName, std::string_view Section, std::string_view Key,
                    std::string_view Value);

}  // namespace lab
