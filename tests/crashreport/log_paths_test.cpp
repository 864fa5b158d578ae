#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "crashreport/codec/file_utils.h"
#include "crashreport/files/log_paths.h"
#include "crashreport/options.h"
#include "crashreport/report/system_utils.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::Scratch;
using testing::TEnv;

TEST(LogPaths, FileNameRules) {
  TCrashModuleOptions o("/opt/app/prog.bin", false);
  EXPECT_EQ(GetLogFileName(o), "/opt/app/prog.clf");
  EXPECT_EQ(GetLogFileName(o, "/srv/tool"), "/srv/tool.clf");
  EXPECT_EQ(GetLogFileName(o, "tool"), "/tool.clf");  // no folder at all: the root
  o.SetLogFilePath("/var/log/lab");
  EXPECT_EQ(GetLogFileName(o), "/var/log/lab/prog.clf");
  o.SetLogFilePath("/var/log/lab/");
  EXPECT_EQ(GetLogFileName(o), "/var/log/lab/prog.clf");
  o.SetLogFilePath("/x/My.CLF");
  EXPECT_EQ(GetLogFileName(o), "/x/My.CLF");
  EXPECT_EQ(GetLogFilePath(o, "/a/b.clf"), "/x/My.CLF");

  o.SetLogFilePath("/var/log/lab");
  o.SetLogFlags(o.LogFlags() | 8);
  EXPECT_EQ(GetLogFileName(o), "/var/log/lab/prog_" + LogComputerName() + ".clf");
}

// Runs Check in a child with its own host name; skipped where a UTS namespace cannot be made.
void WithHostName(const std::string& host, void (*check)()) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::unshare(CLONE_NEWUTS) != 0 || ::sethostname(host.data(), host.size()) != 0) ::_exit(77);
    check();
    ::_exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no UTS namespace here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "for host name " << host;
}

TEST(LogPaths, OddComputerNamesMakeSafeFileNames) {
  WithHostName("A:B", [] {
    TCrashModuleOptions o("/opt/app/prog", false);
    o.SetLogFilePath("/logs");
    o.SetLogFlags(kLogComputerInName);
    EXPECT_EQ(GetComputerNameText(), "A:B");
    EXPECT_EQ(GetLogFileName(o), "/logs/prog_A_B.clf");
  });
  WithHostName("a\"b*c/d:e<f>g?h\\i|j", [] {
    EXPECT_EQ(LogComputerName(), "a_b_c_d_e_f_g_h_i_j");
  });
  WithHostName("very-long-host-name.with.several.parts.example", [] {
    TCrashModuleOptions o("/opt/app/prog.v2.bin", false);
    o.SetLogFlags(kLogComputerInName);
    EXPECT_EQ(GetLogFileName(o), "/opt/app/prog.v2_very-long-host-name.with.several.parts.example.clf");
  });
}

TEST(LogPaths, WritablePathFallsBackToThePerUserFolder) {
  const std::string root = Scratch("writable");
  TEnv state("XDG_STATE_HOME", (root + "/state").c_str());

  std::string path = root + "/prog.clf";
  EXPECT_TRUE(EnsureWritableFilePath(path, false, false));
  EXPECT_EQ(path, root + "/prog.clf");  // writable where it is

  // A file stands where the log's folder should be.
  std::ofstream(root + "/blocker") << "x";
  path = root + "/blocker/prog.clf";
  EXPECT_TRUE(EnsureWritableFilePath(path, false, false));
  EXPECT_EQ(path, root + "/state/CrashLog/prog.clf");
  EXPECT_TRUE(IsFolder(root + "/state/CrashLog"));
  EXPECT_FALSE(FileCanRead(path));  // only tested, not left behind

  const std::string program = ChangeFileExt(ExtractFileName(GetModuleFullName(nullptr)), "");
  path = root + "/blocker/prog.clf";
  EXPECT_TRUE(EnsureWritableFilePath(path, true, false));
  EXPECT_EQ(path, root + "/state/CrashLog/" + program + "/prog.clf");

  // Reading needs an existing file, in the per-user folder as well.
  path = root + "/blocker/prog.clf";
  EXPECT_FALSE(EnsureWritableFilePath(path, false, true));
  EXPECT_EQ(path, root + "/blocker/prog.clf");
  std::ofstream(root + "/state/CrashLog/prog.clf") << "log";
  EXPECT_TRUE(EnsureWritableFilePath(path, false, true));
  EXPECT_EQ(path, root + "/state/CrashLog/prog.clf");
}

TEST(LogPaths, FallbackFailsWhenNoFolderCanBeMade) {
  const std::string root = Scratch("unwritable");
  std::ofstream(root + "/blocker") << "x";
  std::string path = root + "/blocker/prog.clf";
  {
    // The state folder itself is a file.
    TEnv state("XDG_STATE_HOME", (root + "/blocker").c_str());
    EXPECT_FALSE(EnsureWritableFilePath(path, false, false));
    EXPECT_EQ(path, root + "/blocker/prog.clf");
  }
  {
    // Without XDG_STATE_HOME (or with a relative one) HOME's .local/state serves.
    TEnv state("XDG_STATE_HOME", "relative/state");
    TEnv home("HOME", root.c_str());
    EXPECT_EQ(UserCrashLogFolder(), root + "/.local/state/CrashLog");
    EXPECT_TRUE(EnsureWritableFilePath(path, false, false));
    EXPECT_EQ(path, root + "/.local/state/CrashLog/prog.clf");
  }
  {
    TEnv state("XDG_STATE_HOME", nullptr);
    TEnv home("HOME", nullptr);
    path = root + "/blocker/prog.clf";
    EXPECT_EQ(UserCrashLogFolder(), "");
    EXPECT_FALSE(EnsureWritableFilePath(path, false, false));
  }
  {
    // The program's sub-folder is blocked by a file of that name.
    TEnv state("XDG_STATE_HOME", (root + "/state2").c_str());
    const std::string program = ChangeFileExt(ExtractFileName(GetModuleFullName(nullptr)), "");
    ForceFolders(root + "/state2/CrashLog");
    std::ofstream(root + "/state2/CrashLog/" + program) << "x";
    path = root + "/blocker/prog.clf";
    EXPECT_FALSE(EnsureWritableFilePath(path, true, false));
    EXPECT_EQ(path, root + "/blocker/prog.clf");
  }
}

}  // namespace
}  // namespace lab
