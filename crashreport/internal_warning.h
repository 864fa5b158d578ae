#pragma once
// How the crash reporter tells of faults of its own that it survives: the last warning is kept with
// its code, and each one is traced on stderr.

#include <string>
#include <string_view>

#include "crashreport/crashlog.h"

namespace lab {

// Keeps Code and Text as the last warning and writes the line
//   [WARNING] - Code: <code's name> - Address: <current exception address> - Message: "<text>"
// to stderr. While a sending-progress dialog is up, a failure to send by SMTP, HTTP, HTTPS or FTP is
// also shown in a message box titled "Error.".
void ShowInternalWarning(TCrashLogErrorCode Code, std::string_view Text);
void ClearInternalWarning();
TCrashLogErrorCode InternalWarningCode();
std::string InternalWarningText();

// Call inside a catch block: the warning "[<section>] <message>" for an Exception (or any
// std::exception), else "General '<section>' error.".
void ReportSectionError(TCrashLogErrorCode Code, std::string_view Section);

}  // namespace lab
