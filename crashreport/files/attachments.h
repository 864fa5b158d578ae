#pragma once
// The files that go with a report, all in a folder of the report's own in the crash reporter's
// private temporary folder (GetTempFolder), and the list of them that a sending attaches. The options
// in force decide which exist: each name is empty when its option is off, and every name is empty
// when no private folder can be had, so nothing is ever written to a folder others can reach.

#include <string>
#include <string_view>

#include "platform/rtl/datetime.h"

namespace lab {

class TStrings;

// The current report's folder: "report-<process>-<number>/" in the private temporary folder, made
// when first asked for, so the reports of other programs, and one that a thread of this program is
// still sending, never write over this one's files. Empty when there is no private folder.
std::string GetReportFolder();
// Removes the current report's folder unless something in it is kept, and forgets it.
void RemoveReportFolder();

// "Screenshot.png", with bit 4 of SendFlags.
std::string GetScreenshotFileName();
// The same, when the user also left the dialog's screenshot choice on (AttachChecked).
std::string GetAttachedScreenshotFileName();
// The log file's name (GetLogFileName, without its folder): the report to send as a file.
std::string GetTempLogFileName();
// "CompressFiles.tgz", the packed attachments.
std::string GetCompressedFilesName();
// "LastHTMLPage.html", with bit 6 of SendFlags.
std::string GetLastHTMLPageFileName();
// The same, when a web program's last page was captured.
std::string GetSavedHTMLPageFileName();
// The log file's name with the extension ".xml", with bit 3 of SendFlags.
std::string GetXMLLogFileName();

// The name a file is sent under: Path without its folder; with bit 8 of SendFlags, "_" and the
// exception's time ("yyyymmddhhnnss") before the extension (app_20240131235959.clf).
std::string AddTimeStampToFileName(std::string_view Path);
// The same with the option and the time given: with Dated, Time goes before the extension.
std::string AddTimeStampToFileName(std::string_view Path, bool Dated, TDateTime Time);
// Appends to List the pieces of Text between any of the Separators, trimmed; empty pieces are left out.
void SplitString(std::string_view Text, TStrings* List, std::string_view Separators);
// Fills List (cleared first) with the files to send: the options' AttachedFiles, the temporary log
// (always for an upload, Mode 0; for e-mail, any other Mode, unless the report goes in the message
// body), the screenshot when attached, the saved web page and the XML log.
void GetAttachedFiles(int Mode, TStrings* List);

}  // namespace lab
