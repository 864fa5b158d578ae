#include "crashreport/process_control.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <climits>
#include <mutex>
#include <vector>

#include "crashreport/process_state.h"

extern char** environ;

namespace lab {
namespace {

std::string CurrentFolder() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

// The arguments the program was started with, as the kernel keeps them.
std::vector<std::string> CommandLine() {
  std::vector<std::string> args;
  const int fd = ::open("/proc/self/cmdline", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return args;
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\0', start);
    args.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return args;
}

void StartAgain() {
  std::vector<std::string> args = CommandLine();
  if (args.empty()) return;
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&actions) != 0) return;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return;
  }
  const std::string folder = StartupFolder();
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
  pid_t pid;
  posix_spawn(&pid, "/proc/self/exe", &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
}

}  // namespace

void RecordStartupFolder() {
  std::string folder = CurrentFolder();
  TCrashProcessState& state = CrashState();
  std::lock_guard guard(state.NamesLock);
  state.StartupFolder = std::move(folder);
}

std::string StartupFolder() {
  {
    TCrashProcessState& state = CrashState();
    std::lock_guard guard(state.NamesLock);
    if (!state.StartupFolder.empty()) return state.StartupFolder;
  }
  return CurrentFolder();
}

void RestartApplication() noexcept {
  try {
    StartAgain();
  } catch (...) {
    // The program ends in any case.
  }
}

void TerminateApplication(bool Restart) {
  if (Restart) RestartApplication();
  ::_exit(1);
}

void TerminateIfRequested() {
  if (CrashState().TerminateRequested) TerminateApplication(OptionsInForce().RestartsOnTerminate());
}

}  // namespace lab
