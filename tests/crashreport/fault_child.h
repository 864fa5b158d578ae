#pragma once
// A child process that captures faults, for tests of what a fault does to a program: the child's
// exit status and its standard error output (where a report goes without a display).

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "crashreport/fault_capture.h"
#include "crashreport/process_state.h"
#include "crashreport/thread_stacks.h"
#include "tests/crashreport/test_files.h"

namespace lab::testing {

struct TChildResult {
  int Status = 0;
  std::string Output;
  std::string Folder;  // the child's $TMPDIR and $XDG_STATE_HOME (its log)
};

// Runs Victim in a child that captures faults, its standard error output kept in a file. The child
// shows each report on the console, neither logs nor sends it and never restarts, until Victim sets
// otherwise.
inline TChildResult RunChild(const std::string& Name, const std::function<void()>& Victim) {
  const std::string folder = Scratch("fault_capture_" + Name);
  const std::string out = folder + "/stderr.txt";
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const rlimit no_core{0, 0};
    ::setrlimit(RLIMIT_CORE, &no_core);
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDERR_FILENO);
    ::setenv("TMPDIR", folder.c_str(), 1);
    ::setenv("XDG_STATE_HOME", folder.c_str(), 1);
    TCrashModuleOptions& options = CurrentCrashLogOptions();
    options.SetDialogOptions(1);
    options.SetEmailSendMode(0);
    options.SetWebSendMode(0);
    options.SetSendFlags(0);
    options.SetLogFlags(0);
    options.SetBehaviourFlags(0);
    options.SetSaveLogFile(false);
    options.SetExceptionFiltersActive(false);
    options.SetLogFilePath(folder + "/");
    options.SetTerminateAction(0);  // ending never starts the test program again
    InstallThreadStartHook();
    InstallFaultCapture();
    Victim();
    std::_Exit(0);
  }
  TChildResult result;
  ::waitpid(child, &result.Status, 0);
  result.Output = ReadAll(out);
  result.Folder = folder;
  return result;
}

inline std::size_t Count(const std::string& Text, const std::string& What) {
  std::size_t n = 0;
  for (std::size_t at = Text.find(What); at != std::string::npos; at = Text.find(What, at + 1)) ++n;
  return n;
}

}  // namespace lab::testing
