#pragma once
// The victim program (modules/victim_main.cc) run as a user runs it: a child with its own folder for
// its log and temporary files, its output kept, ended when it outlives its time limit (a hang).

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/crashreport/test_files.h"

extern char** environ;

namespace lab::testing {

struct TVictimEnd {
  int WaitStatus = 0;
  bool Hung = false;  // ended at the time limit
  std::string Output, Errors, Log;
};

class TVictim {
 public:
  // The victim runs from its folder (linked there), so what it writes beside itself stays there.
  // Before, when not empty, is what runs it (a debugger and its arguments).
  TVictim(const std::string& Name, std::vector<std::string> Arguments, std::vector<std::string> Before = {})
      : folder_(Scratch("victim_" + Name)) {
    const std::string program = folder_ + "/lab_crtest_victim";
    std::error_code linked;
    std::filesystem::create_hard_link(LAB_CRTEST_VICTIM, program, linked);
    if (linked) std::filesystem::copy_file(LAB_CRTEST_VICTIM, program);
    Arguments.push_back("LogFilePath = " + folder_ + "/");
    Arguments.insert(Arguments.begin(), program);
    Arguments.insert(Arguments.begin(), Before.begin(), Before.end());
    std::vector<char*> argv;
    for (std::string& a : Arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    const TEnv temporary("TMPDIR", folder_.c_str()), state("XDG_STATE_HOME", folder_.c_str());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (folder_ + "/stdout.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (folder_ + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (::posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~TVictim() { Wait(0); }
  TVictim(const TVictim&) = delete;
  TVictim& operator=(const TVictim&) = delete;

  const std::string& Folder() const { return folder_; }

  // Waits for its end; one still running after LimitSeconds is killed, with the copies of the
  // program it started (its process group is not its own, so they are found by their parent).
  TVictimEnd Wait(int LimitSeconds) {
    TVictimEnd end;
    if (pid_ <= 0) return end;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(LimitSeconds);
    while (::waitpid(pid_, &end.WaitStatus, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= until) {
        end.Hung = true;
        Shell("pkill -KILL -P " + std::to_string(pid_));
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &end.WaitStatus, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
    end.Output = ReadAll(folder_ + "/stdout.txt");
    end.Errors = ReadAll(folder_ + "/stderr.txt");
    end.Log = ReadAll(folder_ + "/lab_crtest_victim.clf");
    return end;
  }

 private:
  std::string folder_;
  pid_t pid_ = -1;
};

}  // namespace lab::testing
