#pragma once
// How the crash reporter tells of a failure inside its own report: the line
//   [ERROR] - Section: <section> - Address: <address> - Message: "<message>"
// on the standard error output (the program's debug output) and, only while a debugger is
// attached, a bug report: a ".log" file beside the program (or in the per-user folder) with the
// bug text, and the offer to mail it to the crash reporter's makers. A failing bug report ends
// silently; an EAbort or ECrashSocketError is no internal error at all.

#include <cstdint>
#include <string>
#include <string_view>

namespace lab {

// Where the crash reporter's makers take bug reports.
inline constexpr char kCrashLogSupportAddress[] = "crashlog-bugs@lab-components.example";

// What a bug report says of one failure.
struct TInternalBug {
  std::string Section;    // the handler's step code in decimal, or a part's name
  std::uintptr_t Address = 0;  // where the failing exception was raised (0 when unknown)
  std::string ClassName;  // of the failing exception
  std::string Message;    // its message, or "General internal error."
  std::string LastExceptionClass;  // of the exception being reported, when there is one
  std::string Dump;       // the 32 bytes at Address as "$hh " each, when readable
  std::string CallStack;  // one line per entry, the lines after the first indented by 12 blanks
};

// Call inside a catch block: the error line, then the bug report when a debugger is attached.
void ReportInternalError(std::string_view Section, std::uintptr_t Address = 0);

// The bug report's text and its call-stack lines (of the calling thread, from the caller up).
std::string InternalBugText(const TInternalBug& Bug);
std::string InternalBugCallStack();
// Writes the bug text to FileName (empty: the program's file name with ".log") and asks whether to
// mail it; the file's name, empty when it could not be written.
std::string WriteInternalBugReport(const TInternalBug& Bug, const std::string& FileName = {});

}  // namespace lab
