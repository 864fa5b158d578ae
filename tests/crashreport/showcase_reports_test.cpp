// The showcase as a user runs it, a child on an X server of the test's own with a time limit: a typo
// gives a box and nothing else, the Help button's report is logged and kept beside the log, or
// mailed to the server the command line names; a bad command line says what is wrong.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/crashreport/loopback_server.h"
#include "tests/crashreport/test_files.h"
#include "tests/common/ending_program.h"
#include "tests/platform/temp_folder.h"

namespace lab::testing {
namespace {

const std::filesystem::path kShowcase = std::filesystem::path(LAB_BUILD_DIR) / "examples_showcase";

struct TShowcaseCase {
  const char* Name;
  std::vector<std::string> Keys;  // what the user presses and types in the job browser (xdotool's steps)
  const char* Answer;       // the caption of the window then answered with Enter
  bool MailServer = false;  // --mail-server names a loopback SMTP server
  const char* Logged = nullptr;  // in the log beside the program; nullptr: no log is written
  int Kept = 0;             // archives of unsent reports beside the log
  int Mails = 0;
};

void PrintTo(const TShowcaseCase& Case, std::ostream* Out) { *Out << Case.Name; }

const TShowcaseCase kCases[] = {
    {.Name = "ADateTypedWrongShowsABoxAndNothingElse", .Keys = {"key End Left", "type 99999999", "key Return"},
     .Answer = "Information."},
    {.Name = "HelpKeepsItsReportBesideTheLog", .Keys = {"key alt+e"}, .Answer = "Error.",
     .Logged = "lab::EStringListError", .Kept = 1},
    {.Name = "HelpMailsItsReportToTheServerNamed", .Keys = {"key alt+e"}, .Answer = "Error.", .MailServer = true,
     .Logged = "lab::EStringListError", .Mails = 1},
};

int Xdotool(const std::string& Display, const std::string& Steps, std::string* Output = nullptr) {
  return Shell("DISPLAY=" + Display + " /usr/bin/timeout 20 /usr/bin/xdotool " + Steps, Output);
}

bool WaitUntil(const std::function<bool()>& Done, int Seconds = 30) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(Seconds);
  while (!Done()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

int ArchivesIn(const std::filesystem::path& Folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Folder)) count += entry.path().extension() == ".tgz";
  return count;
}

class ShowcaseRun : public ::testing::TestWithParam<TShowcaseCase> {};

TEST_P(ShowcaseRun, EndsAsTheUserLeftIt) {
  const TShowcaseCase& c = GetParam();
  if (!std::filesystem::exists(kShowcase)) GTEST_SKIP() << "the examples are not built (-DLAB_EXAMPLES=ON)";
  if (!TXvfb::Installed() || access("/usr/bin/xdotool", X_OK) != 0)
    GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/setup.sh)";
  TXvfb server;
  ASSERT_TRUE(server.Start());
  std::unique_ptr<test::TLoopbackServer> smtp;
  const TempFolder folder;
  const std::filesystem::path program = folder.Path() / "examples_showcase";
  std::filesystem::copy_file(kShowcase, program);
  TProgramRun run;
  run.Command = {program.string()};
  if (c.MailServer) {
    smtp = std::make_unique<test::TLoopbackServer>("smtp");
    run.Command.insert(run.Command.end(), {"--mail-server", "127.0.0.1:" + std::to_string(smtp->Port())});
  }
  run.Env = {"HOME=" + folder.Path().string(), "TMPDIR=" + folder.Path().string(), "LAB_BACKEND=x11",
             "DISPLAY=" + server.Name()};
  run.Offline = !c.MailServer;
  run.Checked = false;  // valgrind would slow it past its freeze watchdog's time-out
  run.Seconds = 90;
  const std::filesystem::path log = folder.Path() / "examples_showcase.clf";
  run.WhileRunning = [&] {
    // Once every window shows, the user clicks a job in the job browser (its order number, which
    // opens no editor), raised first as a window manager raises a window clicked (the windows
    // overlap); the grid has the keyboard once the program has handled the click. A click while the
    // program still gives the keyboard to the windows it showed may lose to that, so it is made
    // again until the job browser has the keyboard. The keys go through the server as a user's do,
    // one command each (after a window found in the same command they would be sent to that window
    // instead), and the answer once its window shows.
    EXPECT_EQ(Xdotool(server.Name(), "search --sync --onlyvisible --name '^Trace queue$'"), 0);
    std::string browser;
    ASSERT_EQ(Xdotool(server.Name(), "search --name '^Job browser$'", &browser), 0);
    browser = browser.substr(0, browser.find('\n'));
    EXPECT_TRUE(WaitUntil([&] {
      Xdotool(server.Name(), "windowraise " + browser);
      Xdotool(server.Name(), "mousemove --window " + browser + " 40 300 click 1");
      return WaitUntil(
          [&] {
            std::string focused;
            return Xdotool(server.Name(), "getwindowfocus getwindowname", &focused) == 0 && focused == "Job browser\n";
          },
          1);
    }));
    for (const std::string& keys : c.Keys) EXPECT_EQ(Xdotool(server.Name(), keys), 0) << keys;
    EXPECT_EQ(Xdotool(server.Name(), "search --sync --onlyvisible --name '^" + std::string(c.Answer) + "$'"), 0);
    EXPECT_EQ(Xdotool(server.Name(), "key Return"), 0);
    // The report is done once its window went and what it writes or sends is there.
    EXPECT_TRUE(WaitUntil([&] {
      return Xdotool(server.Name(), "search --name '^" + std::string(c.Answer) + "$'") != 0 &&
             std::filesystem::exists(log) == (c.Logged != nullptr) && ArchivesIn(folder.Path()) == c.Kept &&
             (!smtp || smtp->Count() == c.Mails);
    }));
    Display* d = XOpenDisplay(server.Name().c_str());
    ASSERT_TRUE(d);
    SendWindowManagerClose(d, static_cast<Window>(std::stoul(browser)));
    XCloseDisplay(d);
  };
  const TEndedProgram ended = RunProgramToEnd(run);
  EXPECT_EQ(ended.ExitCode, 0) << ended.Errors;
  EXPECT_EQ(ended.Errors.find("[WARNING]"), std::string::npos) << ended.Errors;
  if (c.Logged) {
    EXPECT_NE(ReadAll(log.string()).find(c.Logged), std::string::npos) << c.Logged;
  } else {
    EXPECT_FALSE(std::filesystem::exists(log));
  }
  EXPECT_EQ(ArchivesIn(folder.Path()), c.Kept);
  if (smtp) {
    EXPECT_EQ(smtp->Count(), c.Mails);
  }
}

INSTANTIATE_TEST_SUITE_P(Showcase, ShowcaseRun, ::testing::ValuesIn(kCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(ShowcaseCommandLine, ABadArgumentIsNamedAndNothingStarts) {
  if (!std::filesystem::exists(kShowcase)) GTEST_SKIP() << "the examples are not built (-DLAB_EXAMPLES=ON)";
  struct TCase {
    std::vector<std::string> Arguments;
    const char* Said;
  };
  const TCase cases[] = {
      {{"--mail-server"}, "--mail-server names no server"},
      {{"--mail-server", "mail.example.com:0"}, "the port is a number from 1 to 65535"},
      {{"--mail-server", ":25"}, "a host name or an IPv4 address"},
      {{"--mail-server", "mail.example.com", "--verbose"}, "unknown argument \"--verbose\""},
  };
  const TempFolder folder;
  const std::filesystem::path program = folder.Path() / "examples_showcase";
  std::filesystem::copy_file(kShowcase, program);
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Said);
    TProgramRun run;
    run.Command = {program.string()};
    run.Command.insert(run.Command.end(), c.Arguments.begin(), c.Arguments.end());
    run.Env = {"HOME=" + folder.Path().string(), "TMPDIR=" + folder.Path().string(), "LAB_BACKEND=headless"};
    run.Checked = false;
    run.Seconds = 60;
    const TEndedProgram ended = RunProgramToEnd(run);
    EXPECT_EQ(ended.ExitCode, 2);
    EXPECT_NE(ended.Errors.find(c.Said), std::string::npos) << ended.Errors;
    EXPECT_NE(ended.Errors.find("usage: examples_showcase [--mail-server HOST[:PORT]]"), std::string::npos);
  }
  // Nothing was painted or reported beside it (the crash reporter, started first, may have made its
  // private temporary folder).
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
    EXPECT_TRUE(entry.path() == program || entry.is_directory()) << entry.path();
}

}  // namespace
}  // namespace lab::testing
