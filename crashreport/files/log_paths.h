#pragma once
// Where a module's log file goes, and the per-user fallback folder for files that cannot be written
// beside the program.

#include <string>

namespace lab {

class TCrashModuleOptions;

// Name (the options' module when empty) with the extension ".clf", in the folder of GetLogFilePath;
// with bit 3 of LogFlags, "_" and the computer's name go before the extension.
std::string GetLogFileName(const TCrashModuleOptions& Options, std::string Name = {});
// LogFilePath itself when it names a ".clf" file (any case); otherwise that folder (or Name's folder
// when LogFilePath is empty) with Name's file part.
std::string GetLogFilePath(const TCrashModuleOptions& Options, const std::string& Name);
// The folder the log file is written to: its own, or the per-user folder when that cannot be
// written (as EnsureWritableFilePath moves the log itself, with the program's sub-folder).
std::string GetLogFolder(const TCrashModuleOptions& Options);
// The computer's name fit for a file name: " * / : < > ? \ | become "_".
std::string LogComputerName();

// The per-user folder: $XDG_STATE_HOME (or $HOME/.local/state) followed by "/CrashLog"; empty when
// neither variable gives an absolute folder.
std::string UserCrashLogFolder();
// True when Path can be used (read with ReadOnly, else read and written). Otherwise the file part of
// Path is tried in the per-user folder (and, with UseProgramSubfolder, a sub-folder named after the
// program), made when missing: when that serves, Path becomes it and the result is true. Else false,
// Path unchanged.
bool EnsureWritableFilePath(std::string& Path, bool UseProgramSubfolder, bool ReadOnly);

}  // namespace lab
