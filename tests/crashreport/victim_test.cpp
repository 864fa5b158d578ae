// What the crash reporter does to a program around a fault, seen from outside: the victim program
// run as a child, headless and on an X server of the test's own, ended as hung when it outlives its
// time limit. Each row is a way a program failed to go on (or to end) because of its reporter.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/crashreport/loopback_server.h"
#include "tests/crashreport/victim_child.h"
#include "tests/platform/x11_fixture.h"

namespace lab::testing {
namespace {

constexpr int kLimitSeconds = 60;

// A window the user answers, found by its caption: what is typed there, then the keys pressed.
struct TVictimAnswer {
  const char* Caption;
  const char* Keys = "Return";
  const char* Typed = nullptr;
};

// How a run ends: "went on" (exit code 0 after the fault) or by the signal named.
struct TVictimCase {
  const char* Name;
  const char* Scenario;
  std::vector<std::string> Options = {};  // "%SMTP%" stands for a loopback SMTP server's port
  bool Display = false;
  std::vector<TVictimAnswer> Answers = {};  // in turn
  int Signal = 0;
  std::vector<std::string> Logged = {};  // each in the log
  int Mails = -1;  // the mails the server received, when counted
  bool Debugger = false;  // run under gdb, with a mail program that takes what it is given
  bool SilentHelper = false;  // the dialog's helper is a program that never shows it
  std::vector<std::string> Written = {};  // each in what it wrote on its standard error output
};

void PrintTo(const TVictimCase& Case, std::ostream* Out) { *Out << Case.Name; }

// Mail through the SMTP server at Port ("%SMTP%": the test's own), then More.
std::vector<std::string> Mail(const char* Port, std::vector<std::string> More = {"DialogOptions = 0"}) {
  More.insert(More.begin(), {"EmailSendMode = 2", "SMTPHost = 127.0.0.1", std::string("SMTPPort = ") + Port,
                             "EmailAddresses = support@lab.example"});
  return More;
}
const std::vector<std::string> kFilter = {"ExceptionFiltersActive = true", "ExceptionFilterClasses[0] = lab::EConvertError",
                                          "ExceptionFilterSettings[0] = Bad number"};

const TVictimCase kCases[] = {
    {.Name = "FilterTextHeadless", .Scenario = "convert", .Options = kFilter},
    // (The report's Active Controls name the field the user was in.)
    {.Name = "SendResultBoxHeadless", .Scenario = "caught", .Options = Mail("1", {"DialogOptions = 0", "SendFlags = 0x53"}),
     .Logged = {"Victim failed", "victim's field"}},
    {.Name = "InternalErrorUnderADebugger", .Scenario = "handler-throws", .Debugger = true,
     .Written = {"[ERROR] - Section: 8 - ", "program handled: Victim failed before its handler"}},
    {.Name = "HandlerFaultDuringACaughtException", .Scenario = "handler-fault", .Signal = SIGSEGV,
     .Logged = {"Victim failed before its handler", "Access violation"}},
    // On a display each report's dialog shows through the helper, as the main thread serves no more.
    {.Name = "HandlerFaultDuringACaughtExceptionOnADisplay", .Scenario = "handler-fault", .Display = true,
     .Answers = {{"Error."}, {"Error."}}, .Signal = SIGSEGV, .Logged = {"Victim failed before its handler", "Access violation"}},
    {.Name = "SendingProgressAfterACaughtException", .Scenario = "caught", .Options = Mail("%SMTP%"), .Display = true,
     .Logged = {"Victim failed"}, .Mails = 1},
    {.Name = "SendingProgressAfterAFatalFault", .Scenario = "fatal", .Options = Mail("%SMTP%"), .Display = true,
     .Signal = SIGSEGV, .Logged = {"Access violation"}, .Mails = 1},
    {.Name = "RefusedServersWarningBox", .Scenario = "caught", .Options = Mail("1"), .Display = true,
     .Answers = {{"Error."}}, .Logged = {"Victim failed"}},
    {.Name = "FilterTextOnADisplay", .Scenario = "convert", .Options = kFilter, .Display = true,
     .Answers = {{"Information."}}},
    // The helper is the program itself, recognised at its reporter's start-up, offering what its
    // options offer: the user declines sending.
    {.Name = "TheHelperServesAndOffersTheProgramsChoices", .Scenario = "fatal",
     .Options = Mail("%SMTP%", {}),
     .Display = true, .Answers = {{"Error.", "alt+s Return"}}, .Signal = SIGSEGV, .Logged = {"Access violation"},
     .Mails = 0},
    // The helper asks for the steps to reproduce as the options ask; the report carries them.
    {.Name = "TheHelperAsksForTheStepsToReproduce", .Scenario = "fatal", .Options = {"LogFlags = 0x02"},
     .Display = true, .Answers = {{"Error."}, {"Request", "Tab Return", "Opened job 7"}}, .Signal = SIGSEGV,
     .Logged = {"Access violation", "Opened job 7"}},
    {.Name = "AHelperThatShowsNothingIsGivenUp", .Scenario = "fatal", .Display = true, .Signal = SIGSEGV,
     .Logged = {"Access violation"}, .SilentHelper = true, .Written = {"Application:"}},
    // Threads that go on while a thread object's exception is reported, paused as the options ask.
    {.Name = "NoThreadPausedByDefault", .Scenario = "pause",
     .Written = {"while reported: main=answered object=answered other=answered"}},
    {.Name = "MainThreadAndThreadObjectsPaused", .Scenario = "pause", .Options = {"BehaviourFlags = 0x02"},
     .Written = {"while reported: main=held object=held other=answered",
                 "after the report: main=answered object=answered other=answered"}},
    {.Name = "ThreadObjectsPausedMainThreadSpared", .Scenario = "pause", .Options = {"BehaviourFlags = 0x06"},
     .Written = {"while reported: main=answered object=held other=answered"}},
    {.Name = "OtherThreadsPaused", .Scenario = "pause", .Options = {"BehaviourFlags = 0x08"},
     .Written = {"while reported: main=answered object=answered other=held"}},
    {.Name = "PausedThreadsGoOnAfterAFailedReport", .Scenario = "pause-fails", .Options = {"BehaviourFlags = 0x02"},
     .Written = {"while reported: main=held object=held other=answered", "[ERROR] - Section: 8 - ",
                 "after the report: main=answered object=answered other=answered"}},
    {.Name = "AThreadThatCannotAnswerIsNamedNotPaused", .Scenario = "pause-deaf", .Options = {"BehaviourFlags = 0x0A"},
     .Written = {"while reported: main=held object=held other=answered",
                 "is not paused while the report is made: it did not answer in time.",
                 "after the report: main=answered object=answered other=answered"}},
};

class VictimRun : public ::testing::TestWithParam<TVictimCase> {};

TEST_P(VictimRun, TheProgramGoesOnOrEndsByItsFaultWithoutHanging) {
  const TVictimCase& c = GetParam();
  std::unique_ptr<TXvfb> server;
  std::unique_ptr<TEnv> display, backend;
  if (c.Display) {
    if (!TXvfb::Installed() || access("/usr/bin/xdotool", X_OK) != 0)
      GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/setup.sh)";
    server = std::make_unique<TXvfb>();
    ASSERT_TRUE(server->Start());
    display = std::make_unique<TEnv>("DISPLAY", server->Name().c_str());
    backend = std::make_unique<TEnv>("LAB_BACKEND", "x11");
  } else {
    display = std::make_unique<TEnv>("DISPLAY", nullptr);
    backend = std::make_unique<TEnv>("LAB_BACKEND", nullptr);
  }
  std::unique_ptr<test::TLoopbackServer> smtp;
  std::vector<std::string> arguments = {c.Scenario};
  for (std::string line : c.Options) {
    if (const std::size_t at = line.find("%SMTP%"); at != std::string::npos) {
      if (!smtp) smtp = std::make_unique<test::TLoopbackServer>("smtp");
      line.replace(at, 6, std::to_string(smtp->Port()));
    }
    arguments.push_back(line);
  }
  std::unique_ptr<TEnv> path;
  std::vector<std::string> debugger;
  const std::string bin = Scratch(std::string("victim_bin_") + c.Name);
  std::unique_ptr<TEnv> helper;
  if (c.SilentHelper) {
    WriteAll(bin + "/helper", "#!/bin/sh\nexec sleep 120\n");
    std::filesystem::permissions(bin + "/helper", std::filesystem::perms::owner_all);
    helper = std::make_unique<TEnv>("LAB_VICTIM_HELPER", (bin + "/helper").c_str());
  }
  if (c.Debugger) {
    if (access("/usr/bin/gdb", X_OK) != 0) GTEST_SKIP() << "gdb is not installed";
    debugger = {"/usr/bin/gdb", "-q", "-batch", "-ex", "run", "--args"};
    WriteAll(bin + "/xdg-email", "#!/bin/sh\necho \"$@\" > \"$(dirname \"$0\")/mailed.txt\"\n");
    std::filesystem::permissions(bin + "/xdg-email", std::filesystem::perms::owner_all);
    path = std::make_unique<TEnv>("PATH", (bin + ":" + std::getenv("PATH")).c_str());
  }
  TVictim victim(c.Name, arguments, debugger);
  // Each window answered is renamed and gone before the next is looked for, which may bear its
  // caption (even its id, when it is another helper's).
  for (const TVictimAnswer& a : c.Answers) {
    const std::string xdotool = "/usr/bin/timeout 20 /usr/bin/xdotool ";
    EXPECT_EQ(Shell(xdotool + "search --sync --name '^" + a.Caption + "$' windowfocus --sync %1 set_window --name Answered %1"),
              0) << a.Caption;
    if (a.Typed) { EXPECT_EQ(Shell(xdotool + "sleep 0.3 type --delay 50 '" + a.Typed + "'"), 0); }
    EXPECT_EQ(Shell(xdotool + "sleep 0.3 key --delay 100 " + a.Keys), 0);
    // A key pressed while the window was still taking the focus may be lost on a loaded machine: a
    // window still there after 5 s has its keys pressed again, as a user would.
    EXPECT_EQ(Shell(std::string("/usr/bin/timeout 20 sh -c 'for i in 1 2 3; do for j in $(seq 50); do "
                    "/usr/bin/xdotool search --name ^Answered$ > /dev/null || exit 0; sleep 0.1; done; "
                    "/usr/bin/xdotool search --name ^Answered$ windowfocus --sync %1 key --delay 100 ") +
                    a.Keys + "; done; exit 1'"),
              0)
        << a.Caption << " stays";
  }
  const TVictimEnd end = victim.Wait(kLimitSeconds);
  ASSERT_FALSE(end.Hung) << end.Errors;
  EXPECT_EQ(end.Errors.find("no such scenario"), std::string::npos) << "a copy of the program ran:\n" << end.Errors;
  if (c.Signal) {
    EXPECT_TRUE(WIFSIGNALED(end.WaitStatus) && WTERMSIG(end.WaitStatus) == c.Signal) << end.WaitStatus << "\n" << end.Errors;
    EXPECT_EQ(end.Errors.find("Fatal signal"), std::string::npos) << "a minimal report:\n" << end.Errors;
  } else {
    EXPECT_TRUE(WIFEXITED(end.WaitStatus) && WEXITSTATUS(end.WaitStatus) == 0) << end.WaitStatus << "\n" << end.Errors;
    EXPECT_NE(end.Output.find("went on\n"), std::string::npos) << end.Output;
  }
  for (const std::string& text : c.Written) EXPECT_NE(end.Errors.find(text), std::string::npos) << text;
  if (c.Debugger) {
    // The bug report beside the program, offered for mailing: the answer nobody could give is yes.
    EXPECT_NE(ReadAll(victim.Folder() + "/lab_crtest_victim.log").find("Section   : 8"), std::string::npos);
    EXPECT_NE(ReadAll(bin + "/mailed.txt").find("CrashLog"), std::string::npos);
  }
  for (const std::string& text : c.Logged) EXPECT_NE(end.Log.find(text), std::string::npos) << text;
  if (c.Mails >= 0) {
    EXPECT_EQ(smtp->Count(), c.Mails);
  }
}

INSTANTIATE_TEST_SUITE_P(Victims, VictimRun, ::testing::ValuesIn(kCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

}  // namespace
}  // namespace lab::testing
