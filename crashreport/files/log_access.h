#pragma once
// The module's log as exception processing uses it: one log object open at a time (for the log file
// the options in force name), the test whether the current error is in it already, and the files
// written from it and from the report for a sending (attachments.h names them). Called under the
// handler lock, one exception at a time.

#include <string>
#include <string_view>

namespace lab {

class TLogFile;

// The log for GetLogFileName of the options in force: the one open when it has that name, else the
// open one is freed and a log for the name is opened (not read-only; see TLogFile for what a file
// that is no log becomes). Stays open until CloseLogFile.
TLogFile& OpenLogFile();
// Frees the open log, if any.
void CloseLogFile();

// Sets CrashState().Duplicate: with bit 0 of LogFlags, whether an entry of the log holds the current
// report's exception module, type and message (items 2.3 to 2.5) and its address (2.2) at the same
// place in that module (each report's modules table gives where the module stood in its run, which
// the load address changes); else false. The log is
// closed again. A log that cannot be read or locked counts as holding no duplicate and is told as an
// internal warning: the report goes on to be made and saved.
void CheckDuplicateException();

// The whole file; empty for a file that does not exist.
std::string LoadTextFile(const std::string& FileName);
// With bit 6 of SendFlags, writes Page, its lines ending in CR LF, to GetLastHTMLPageFileName.
void SaveLastHTMLPage(std::string_view Page);
// With bit 3 of SendFlags, writes the XML log (with the password of the current report) to
// GetXMLLogFileName: of the temporary log file's entries when that file is there, else of the
// current report alone.
void SaveXMLLogFile();

}  // namespace lab
