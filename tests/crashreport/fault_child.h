#pragma once
// A child process that captures faults, for tests of what a fault does to a program: the child's
// exit status and its standard error output (where a report goes without a display).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <string_view>

#include "crashreport/capture/fault_capture.h"
#include "crashreport/process_state.h"
#include "crashreport/report/thread_stacks.h"
#include "tests/crashreport/test_files.h"

// A routine that faults on purpose (a null write, a division by zero): kept out of line, so a report
// shows it, and left to fault under UBSan, whose check would end the child before the fault.
#define LAB_FAULT_VICTIM __attribute__((noinline, no_sanitize("undefined")))

namespace lab::testing {

struct TChildResult {
  int Status = 0;
  std::string Output;
  std::string Folder;  // the child's $TMPDIR and $XDG_STATE_HOME (its log)
};

// Makes the calling process a child that captures faults, its standard error output kept in
// Folder/stderr.txt. It shows each report on the console, neither logs nor sends it and never
// restarts, until the victim sets otherwise.
inline void BecomeFaultChild(const std::string& Folder) {
  const rlimit no_core{0, 0};
  ::setrlimit(RLIMIT_CORE, &no_core);
  const int fd = ::open((Folder + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(fd, STDERR_FILENO);
  ::setenv("TMPDIR", Folder.c_str(), 1);
  ::setenv("XDG_STATE_HOME", Folder.c_str(), 1);
  TCrashModuleOptions& options = CurrentCrashLogOptions();
  options.SetDialogOptions(kDialogShowException);
  options.SetEmailSendMode(0);
  options.SetWebSendMode(0);
  options.SetSendFlags(0);
  options.SetLogFlags(0);
  options.SetBehaviourFlags(0);
  options.SetSaveLogFile(false);
  options.SetExceptionFiltersActive(false);
  options.SetLogFilePath(Folder + "/");
  options.SetTerminateAction(kTerminateClose);  // ending never starts the test program again
  InstallThreadStartHook();
  InstallFaultCapture();
}

// Runs Victim in a child made by BecomeFaultChild.
inline TChildResult RunChild(const std::string& Name, const std::function<void()>& Victim) {
  const std::string folder = Scratch("fault_capture_" + Name);
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    BecomeFaultChild(folder);
    Victim();
    std::_Exit(0);
  }
  TChildResult result;
  ::waitpid(child, &result.Status, 0);
  result.Output = ReadAll(folder + "/stderr.txt");
  result.Folder = folder;
  return result;
}

// The victims of the fault tests by name, each file's own registered as the test program starts,
// so a debugger can run the very same one (report_gdb_test.cpp).
inline std::map<std::string, std::function<void()>>& Victims() {
  static std::map<std::string, std::function<void()>> victims;
  return victims;
}

inline bool RegisterVictim(const std::string& Name, std::function<void()> Victim) {
  return Victims().emplace(Name, std::move(Victim)).second;
}

}  // namespace lab::testing

// Called once a child's report is written in full: where a debugger stops to compare its view of
// the threads with the report's.
extern "C" __attribute__((noinline, used)) inline void crchild_report_written() { asm volatile(""); }

namespace lab::testing {

// A report writer for the child: the standard error output, then the stop above.
inline void WriteChildReport(std::string_view Report) {
  std::fwrite(Report.data(), 1, Report.size(), stderr);
  std::fflush(stderr);
  crchild_report_written();
}

inline std::size_t Count(const std::string& Text, const std::string& What) {
  std::size_t n = 0;
  for (std::size_t at = Text.find(What); at != std::string::npos; at = Text.find(What, at + 1)) ++n;
  return n;
}

// Takes each line of a child's output (each ends in LF or CR LF, which Take does not see).
template <class F>
void ForEachLine(std::string_view Text, F Take) {
  for (std::size_t from = 0; from < Text.size();) {
    const std::size_t end = std::min(Text.find('\n', from), Text.size());
    std::string_view line = Text.substr(from, end - from);
    if (line.ends_with('\r')) line.remove_suffix(1);
    Take(line);
    from = end + 1;
  }
}

// The lines that are Line whole: a report title inside a message, or a line run into another,
// counts for none.
inline std::size_t CountLines(std::string_view Text, std::string_view Line) {
  std::size_t n = 0;
  ForEachLine(Text, [&](std::string_view Each) { n += Each == Line ? 1 : 0; });
  return n;
}

// The lines that Pattern, a regular expression, matches whole.
inline std::size_t CountLinesMatching(std::string_view Text, const std::string& Pattern) {
  const std::regex pattern(Pattern);
  std::size_t n = 0;
  ForEachLine(Text, [&](std::string_view Each) { n += std::regex_match(Each.begin(), Each.end(), pattern) ? 1 : 0; });
  return n;
}

}  // namespace lab::testing
