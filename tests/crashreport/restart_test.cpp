#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "crashreport/process_control.h"
#include "crashreport/process_state.h"

namespace lab {
namespace {

constexpr const char* kReportVariable = "LAB_RESTART_REPORT";

std::string ReadFile(const std::string& Name) {
  std::ifstream in(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// How this process was started: its arguments, its folder and its open descriptors.
std::string DescribeStart() {
  std::string text = "args:" + ReadFile("/proc/self/cmdline") + "\ncwd:";
  char folder[PATH_MAX];
  if (::getcwd(folder, sizeof folder)) text += folder;
  text += "\nfds:";
  if (DIR* dir = ::opendir("/proc/self/fd")) {
    while (dirent* entry = ::readdir(dir)) {
      if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == ::dirfd(dir)) continue;
      text += std::string(" ") + entry->d_name;
    }
    ::closedir(dir);
  }
  return text + "\n";
}

// Started again by the test below, this program only reports how it was started, before any test.
const bool kStartedAgain = [] {
  const char* report = std::getenv(kReportVariable);
  if (!report) return false;
  const std::string text = DescribeStart();
  const std::string partial = std::string(report) + ".part";
  std::ofstream(partial, std::ios::binary) << text;
  std::rename(partial.c_str(), report);
  std::_Exit(0);
}();

TEST(Restart, StartsTheSameProgramAgainAndEndsWithCode1) {
  const std::string report =
      std::string(LAB_BUILD_DIR) + "/restart-report-" + std::to_string(::getpid()) + ".txt";
  std::remove(report.c_str());
  RecordStartupFolder();
  const std::string folder = StartupFolder();

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::open("/dev/null", O_RDONLY);  // a descriptor the new program must not get
    ::setenv(kReportVariable, report.c_str(), 1);
    if (::chdir("/") != 0) std::_Exit(3);  // the restart goes back to the start-up folder
    TerminateApplication(true);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);

  // The new program is no child of ours: wait for its report.
  for (int i = 0; i < 2000 && ::access(report.c_str(), F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const std::string text = ReadFile(report);
  std::remove(report.c_str());
  EXPECT_EQ(text, "args:" + ReadFile("/proc/self/cmdline") + "\ncwd:" + folder + "\nfds: 0 1 2\n");
}

TEST(Restart, OnlyWhenTerminationWasRequested) {
  CrashState().TerminateRequested = false;
  TerminateIfRequested();  // returns

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CrashState().TerminateRequested = true;
    CurrentCrashLogOptions().SetTerminateAction(kTerminateClose);
    TerminateIfRequested();
    std::_Exit(5);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace
}  // namespace lab
