#pragma once
// A test whose program has to end as programs do: the exit handlers, the static destructors and the
// units' shut-down run after the test's body. The test program runs again with only the current
// test, its body seeing InEndingProgram() true and ending with std::exit, under valgrind where it is
// installed and the build carries no sanitizer of its own (the sanitizers abort on a fault by
// themselves), so memory used after it was freed while the program ends makes the run fail.
//
//   TEST(Suite, Name) {
//     if (InEndingProgram()) { ...; std::exit(0); }
//     ExpectCleanEndOnEachDisplay();
//   }
//
// Include after the framework's headers (see tests/platform/x11_fixture.h).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/platform/x11_fixture.h"

extern char** environ;

namespace lab::testing {

inline bool InEndingProgram() { return std::getenv("LAB_ENDING_PROGRAM") != nullptr; }

inline bool UnderSanitizer() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

inline bool ValgrindInstalled() { return access("/usr/bin/valgrind", X_OK) == 0; }

struct TEndedProgram {
  int ExitCode = -1;   // the exit code; 97 for an error valgrind found, 124 when it ran too long
  std::string Errors;  // its standard error output
};

// A program a test runs to its end.
struct TProgramRun {
  std::vector<std::string> Command;
  std::vector<std::string> Env;        // NAME=value, in this program's environment
  std::function<void()> WhileRunning;  // called once it started
  bool Checked = true;                 // under valgrind, when installed and this build has no sanitizer
  bool Offline = false;                // in a network of its own, where this program can make one
  int Seconds = 240;                   // then it is ended
};

inline bool CanMakeNetwork() { return geteuid() == 0 && std::system("/usr/bin/unshare -n /bin/true") == 0; }

inline TEndedProgram RunProgramToEnd(const TProgramRun& Run) {
  std::vector<std::string> args = {"/usr/bin/timeout", "-k", "5", std::to_string(Run.Seconds)};
  if (Run.Offline && CanMakeNetwork()) args.insert(args.end(), {"/usr/bin/unshare", "-n"});
  if (Run.Checked && ValgrindInstalled() && !UnderSanitizer())
    args.insert(args.end(), {"/usr/bin/valgrind", "-q", "--error-exitcode=97", "--child-silent-after-fork=yes"});
  args.insert(args.end(), Run.Command.begin(), Run.Command.end());
  // Env's variables in place of this program's of the same names.
  std::vector<std::string> env = Run.Env;
  for (char** e = environ; *e; ++e) {
    const std::string_view var(*e);
    const auto named = [&](const std::string& v) { return v.substr(0, v.find('=') + 1) == var.substr(0, var.find('=') + 1); };
    if (std::none_of(Run.Env.begin(), Run.Env.end(), named)) env.emplace_back(var);
  }
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);

  int err[2];
  TEndedProgram ended;
  if (pipe2(err, O_CLOEXEC) != 0) return ended;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(err[1]);
  if (rc == 0) {
    if (Run.WhileRunning) Run.WhileRunning();
    char buf[4096];
    for (ssize_t n; (n = read(err[0], buf, sizeof buf)) > 0;) ended.Errors.append(buf, static_cast<std::size_t>(n));
    int status = 0;
    waitpid(pid, &status, 0);
    ended.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  close(err[0]);
  return ended;
}

// Runs the current test again in a program of its own (see above).
inline TEndedProgram RunEndingProgram(const std::vector<std::string>& Env = {}) {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::vector<std::string> env = {"LAB_ENDING_PROGRAM=1"};
  env.insert(env.end(), Env.begin(), Env.end());
  TProgramRun run;
  run.Command = {std::filesystem::read_symlink("/proc/self/exe").string(),
                 std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()};
  run.Env = env;
  return RunProgramToEnd(run);
}

// Runs the current test again headless and, where Xvfb is installed, on an X server of its own
// (named by LAB_TEST_DISPLAY); each program must end with exit code 0.
inline void ExpectCleanEndOnEachDisplay() {
  TXvfb server;
  const bool x11 = TXvfb::Installed() && server.Start();
  if (!x11) std::cout << "Xvfb is not installed: the program ends headless only\n";
  for (const bool on_x11 : {false, true}) {
    if (on_x11 && !x11) continue;
    SCOPED_TRACE(on_x11 ? "x11" : "headless");
    const TEndedProgram ended =
        RunEndingProgram(on_x11 ? std::vector<std::string>{"LAB_TEST_DISPLAY=" + server.Name()} : std::vector<std::string>{});
    EXPECT_EQ(ended.ExitCode, 0) << ended.Errors;
  }
}

}  // namespace lab::testing
