#pragma once
// Sending a finished report to the program's makers: by e-mail (the desktop's mail program through
// mail_shell.h, or SMTP through smtp_mail.h) and by upload (web_upload.h), with the log, screenshot
// and other files attached, packed into one archive when the options ask; keeping the files of a
// report that could not be sent; and the error-frequency rule that ends a program which fails too
// often. Runs under the handler lock, one report at a time; the events it fires run in the thread
// that raised the exception.

#include <chrono>
#include <string>

#include "platform/rtl/datetime.h"

namespace lab {

class TStrings;

// With SendFlags bit 7, unless InPlace, SendReport, CheckErrorFrequency and TerminateIfRequested run
// on a thread of their own that holds copies of the report (its text, options, record, times and
// folder, and the exception object itself), so the next exception's state is never sent in its place;
// a termination asked for then waits for the other reports' sendings (WaitForSending). Otherwise
// SendReport runs here. A fatal fault sends in place: the process ends before a thread could. True
// when a thread took the sending.
bool StartSendReport(bool InPlace = false);
// How long the program's end waits for the sendings still running on threads of their own.
inline constexpr std::chrono::milliseconds kSendWaitAtEnd{30000};
// Waits up to Limit until no thread sends a report. A report still being sent (or waiting to be)
// then is kept as SendReport keeps an unsent one, when its options ask: its text, the files of its
// folder and the files its options attach, in an archive beside the log. False when one was still
// being sent.
bool WaitForSending(std::chrono::milliseconds Limit);

// The whole sending of the current report; CrashState().Execute tells afterwards whether it went out.
// A file of the report that cannot be written whole fails the sending, told as an internal warning
// with its reason. With BehaviourFlags bit 6 an unsent report's files are kept in an archive in the
// folder the log goes to (moved there from another file system by copy, check and removal); when that
// fails the packed archive stays in the report's folder and the warning says where.
void SendReport();
// Fills CrashState().AttachedFiles for e-mail or for the upload: the report's files, then what
// OnAttachedFilesRequest adds or removes, without the files that do not exist; with SendFlags bit 9
// the one archive they are packed into. False, with a warning, when the archive cannot be written.
bool PrepareAttachments(bool ForEmail);
// The stored names of Files (AddTimeStampToFileName), one for each.
void StoredFileNames(const TStrings& Files, TStrings* Names);
// Each send method in turn, repeated while an OnExceptionErrorNotify handler asks for it; false
// when a handler of OnExceptionActionNotify refuses the sending.
bool SendEmailReport();
bool SendWebReport();

// With BehaviourFlags bit 0 and ErrorFrequencyCount of at least 1: when the last reports' times
// (CrashState().ErrorTimes) are ErrorFrequencyCount within ErrorFrequencyMinutes, the program ends
// (restarts with ErrorFrequencyAction 1) once the report is done. Removes the screenshot file first.
void CheckErrorFrequency();

// Where the files of a report that could not be sent are kept: "CompressFiles_<yyyymmddhhnnss>.tgz"
// in Folder, with "_2", "_3", ... before the extension while a file of that name exists.
std::string KeptArchiveName(const std::string& Folder, TDateTime Time);
// Of the kept archives ("CompressFiles*.tgz") in Folder, deletes all but the last Keep in name order.
void PruneKeptArchives(const std::string& Folder, int Keep = 10);

}  // namespace lab
