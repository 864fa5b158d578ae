// Reports sent by programs run as users run them, each a child process with a time limit: the
// error-frequency rule over reports, a sending on a thread of its own against a fatal fault and the
// program's end, two programs reporting at once, a full disk.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "crashreport/crashlog.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/send/send_report.h"
#include "loopback_server.h"
#include "tests/crashreport/fault_child.h"

namespace {
int* volatile crsend_null = nullptr;
}
LAB_FAULT_VICTIM void crsend_null_write() { *crsend_null = 1; }

namespace lab::testing {
namespace {

using test::TLoopbackServer;
using test::TScriptedPeer;

// The child's options for sending: no dialog, and the report uploaded to Server (or mailed, for an
// SMTP server) with SendFlags Flags.
void SendTo(const TLoopbackServer* Http, std::uint16_t Flags) {
  ::alarm(60);  // a hang ends the child with SIGALRM
  TCrashModuleOptions& o = CurrentCrashLogOptions();
  o.SetDialogOptions(0);
  o.SetSendFlags(Flags);
  if (!Http) return;
  o.SetWebSendMode(kWebSendHTTP);
  o.SetWebURL("http://127.0.0.1/");
  o.SetWebPort(Http->Port());
}

// An exception the program catches and hands to the reporter, as the message loop does.
void ReportThrow(const std::string& What) {
  try {
    throw std::logic_error(What);
  } catch (...) {
    ReportCaughtException(std::current_exception());
  }
}

struct TFrequencyCase {
  const char* Name;
  std::uint8_t Behaviour;  // BehaviourFlags
  std::uint16_t Flags;     // SendFlags
  bool Upload;
  int Reports;
  bool Ends;  // after the last report, with exit code 1
};

void PrintTo(const TFrequencyCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ErrorFrequency : public ::testing::TestWithParam<TFrequencyCase> {};

// Three errors within a minute end the program (ErrorFrequencyAction 0), reached by reports.
TEST_P(ErrorFrequency, EndsTheProgramAfterTooManyReports) {
  const TFrequencyCase& c = GetParam();
  TLoopbackServer http("http");
  const TChildResult r = RunChild(std::string("frequency_") + c.Name, [&] {
    SendTo(c.Upload ? &http : nullptr, c.Flags);
    TCrashModuleOptions& o = CurrentCrashLogOptions();
    o.SetBehaviourFlags(c.Behaviour);
    o.SetErrorFrequencyCount(3);
    o.SetErrorFrequencyMinutes(1);
    o.SetErrorFrequencyAction(kTerminateClose);
    for (int i = 1; i <= c.Reports; ++i) {
      ReportThrow("error " + std::to_string(i));
      std::fprintf(stderr, "reported %d\n", i);
    }
    // A sending thread ends the program once it is done.
    WaitForSending(std::chrono::seconds(30));
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_EQ(WEXITSTATUS(r.Status), c.Ends ? 1 : 0) << r.Output;
  // Ended in the last report's handling, or by its sending thread just after.
  if (c.Ends && !(c.Flags & kSendFromThread)) {
    EXPECT_EQ(Count(r.Output, "reported "), static_cast<std::size_t>(c.Reports - 1)) << r.Output;
  }
  EXPECT_EQ(http.Count(), c.Upload ? c.Reports : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, ErrorFrequency,
    ::testing::Values(TFrequencyCase{"ThreeErrors", kBehaviourErrorFrequency, 0, false, 3, true},
                      TFrequencyCase{"TwoErrors", kBehaviourErrorFrequency, 0, false, 2, false},
                      TFrequencyCase{"RuleOff", 0, 0, false, 3, false},
                      TFrequencyCase{"SentFromAThread", kBehaviourErrorFrequency, kSendFromThread, true, 3, true},
                      TFrequencyCase{"NothingSentFromAThread", kBehaviourErrorFrequency, kSendFromThread, false, 3,
                                     true}),
    [](const ::testing::TestParamInfo<TFrequencyCase>& Info) { return std::string(Info.param.Name); });

// --- A sending on a thread of its own ---

std::atomic<bool> g_program_ends{false};
std::atomic<bool> g_catch_left{false};
std::atomic<bool> g_object_freed{false};
std::atomic<int> g_object_seen{-1};

// An exception that tells when it is freed.
struct TMarkedError : std::runtime_error {
  using std::runtime_error::runtime_error;
  TMarkedError(const TMarkedError&) = default;
  ~TMarkedError() override { g_object_freed = true; }
};

void WaitFor(const std::atomic<bool>& Flag) {
  while (!Flag) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Each case runs in a child with the reporter started, uploading from a thread (SendFlags bit 7).
struct TThreadCase {
  const char* Name;
  std::function<void(std::uint16_t Silent)> Victim;  // Silent: a server that takes and never answers
  int Uploads;   // the server's count afterwards
  int Signal;    // the child's end: by this signal, or exit code 0
  const char* Told = "";  // in the child's output
  const char* Kept = "";  // in the one archive kept beside the log
};

void PrintTo(const TThreadCase& Case, std::ostream* Out) { *Out << Case.Name; }

class SendingThread : public ::testing::TestWithParam<TThreadCase> {};

TEST_P(SendingThread, TheReportIsSentOrKept) {
  const TThreadCase& c = GetParam();
  TLoopbackServer http("http");
  TScriptedPeer silent([](int) {});
  const TChildResult r = RunChild(std::string("sending_thread_") + c.Name, [&] {
    UseUnit(CrashLogUnit);
    SendTo(&http, kSendFromThread);
    c.Victim(silent.Port());
  });
  if (c.Signal) {
    ASSERT_TRUE(WIFSIGNALED(r.Status)) << r.Status << "\n" << r.Output;
    EXPECT_EQ(WTERMSIG(r.Status), c.Signal) << r.Output;
  } else {
    ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
    EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  }
  EXPECT_EQ(http.Count(), c.Uploads) << r.Output;
  EXPECT_NE(r.Output.find(c.Told), std::string::npos) << r.Output;
  const std::vector<std::string> kept = test::KeptArchives(r.Folder);
  EXPECT_EQ(kept.size(), *c.Kept ? 1u : 0u) << r.Output;
  if (!kept.empty()) {
    EXPECT_NE(kept[0].find(c.Kept), std::string::npos);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SendingThread,
    ::testing::Values(
        // The process ends with the fault: the report goes out in the handler, however long the
        // sending's events take.
        TThreadCase{"AFatalFault",
                    [](std::uint16_t) {
                      ExceptionActionNotifyProc = [](const TCrashExceptionRecord&, TCrashActionType Action, bool&) {
                        if (Action == atSendingWebMessage) std::this_thread::sleep_for(std::chrono::milliseconds(200));
                      };
                      crsend_null_write();
                    },
                    1, SIGSEGV},
        // The program ends while its report is on the way: the end waits for it.
        TThreadCase{"AProgramThatEndsAtOnce",
                    [](std::uint16_t) {
                      ExceptionActionNotifyProc = [](const TCrashExceptionRecord&, TCrashActionType Action, bool&) {
                        if (Action == atSendingWebMessage) WaitFor(g_program_ends);
                      };
                      std::atexit([] { g_program_ends = true; });  // before the reporter's own end
                      ReportThrow("the last error");
                      std::exit(0);
                    },
                    1, 0},
        // A server that never answers: the end waits up to its limit, then keeps the report.
        TThreadCase{"AServerThatNeverAnswers",
                    [](std::uint16_t Silent) {
                      TCrashModuleOptions& o = CurrentCrashLogOptions();
                      o.SetWebSendMode(0);
                      o.SetEmailSendMode(kEmailSendSMTPServer);
                      o.SetSMTPHost("127.0.0.1");
                      o.SetSMTPPort(Silent);
                      o.SetEmailAddresses("support@lab.example");
                      o.SetBehaviourFlags(kBehaviourKeepUnsent);
                      ReportThrow("never taken");
                      std::fprintf(stderr, "sent in time %d\n", WaitForSending(std::chrono::milliseconds(300)));
                      std::_Exit(0);
                    },
                    0, 0, "sent in time 0\n", "never taken"},
        // The catch has freed what it caught; the events still read the exception object.
        TThreadCase{"TheEventsReadTheExceptionObject",
                    [](std::uint16_t) {
                      ExceptionActionNotifyProc = [](const TCrashExceptionRecord& Record, TCrashActionType Action,
                                                     bool&) {
                        if (Action != atSendingWebMessage) return;
                        WaitFor(g_catch_left);
                        g_object_seen = g_object_freed ? 0 : 1;
                        std::fprintf(stderr, "message %s\n", static_cast<const TMarkedError*>(Record.ExceptionObject)->what());
                      };
                      try {
                        throw TMarkedError("still here");
                      } catch (...) {
                        ReportCaughtException(std::current_exception());
                      }
                      g_catch_left = true;
                      WaitForSending(std::chrono::seconds(30));
                      std::fprintf(stderr, "alive while sending %d\n", g_object_seen.load());
                      std::_Exit(0);
                    },
                    1, 0, "message still here\nalive while sending 1\n"}),
    [](const ::testing::TestParamInfo<TThreadCase>& Info) { return std::string(Info.param.Name); });

// --- Runs ---

// The same error in every run: logged with duplicates marked (LogFlags bit 0); its address on stderr.
[[maybe_unused]] const bool kKnownError = RegisterVictim("known_error", [] {
  TCrashModuleOptions& o = CurrentCrashLogOptions();
  o.SetDialogOptions(0);
  o.SetSaveLogFile(true);
  o.SetLogFlags(kLogMarkDuplicates | kLogModules);
  ExceptionNotifyProc = [](const TCrashExceptionRecord& Record, bool&) {
    std::fprintf(stderr, "address %p\n", Record.ExceptionAddress);
  };
  ReportThrow("known error");
});

// The test program started again (another load address) to run a victim.
void RunAgain(const std::string& Victim, const std::string& Folder) {
  const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string command = "LAB_GDB_VICTIM='" + Victim + " " + Folder + "' timeout 60 " + program;
  ASSERT_EQ(Shell(command), 0) << command;
}

// An error the log holds from an earlier run is known in the next, whatever the load addresses.
TEST(KnownErrors, AreKnownInTheNextRun) {
  const std::string folder = Scratch("known_error");
  RunAgain("known_error", folder);
  const std::string first = ReadAll(folder + "/stderr.txt");
  RunAgain("known_error", folder);
  const std::string second = ReadAll(folder + "/stderr.txt");
  ASSERT_TRUE(first.starts_with("address ") && second.starts_with("address ")) << first << second;
  if (first == second) GTEST_SKIP() << "the program loads at one address in every run";
  std::string log;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    if (entry.path().extension() == ".clf") log = ReadAll(entry.path().string());
  EXPECT_EQ(Count(log, "known error"), 1u) << log;
}

// --- Files ---

int g_give = -1, g_take = -1;  // a child's ends of the pipes between the two programs

// Two programs of one user report at once, each packing its files (SendFlags bit 9) in the user's one
// temporary folder: both have packed before either sends, and each mail carries its own report.
TEST(TwoPrograms, ReportingAtOnceEachMailCarriesItsOwnReport) {
  TLoopbackServer smtp("smtp");
  const std::string temporary = Scratch("two_programs");
  int to_a[2], to_b[2];
  ASSERT_EQ(::pipe(to_a), 0);
  ASSERT_EQ(::pipe(to_b), 0);
  const auto start = [&](const std::string& Name, int Give, int Take) {
    const std::string folder = Scratch("two_programs_" + Name);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    BecomeFaultChild(folder);
    ::setenv("TMPDIR", temporary.c_str(), 1);
    SendTo(nullptr, kSendPacked | kSendXmlLog);
    TCrashModuleOptions& o = CurrentCrashLogOptions();
    o.SetEmailSendMode(kEmailSendSMTPServer);
    o.SetSMTPHost("127.0.0.1");
    o.SetSMTPPort(smtp.Port());
    o.SetEmailAddresses("support@lab.example");
    o.SetEmailSubject("report " + Name);
    g_give = Give;
    g_take = Take;
    ExceptionActionNotifyProc = [](const TCrashExceptionRecord&, TCrashActionType Action, bool&) {
      if (Action != atSendingEmail) return;
      char byte = 1;
      if (::write(g_give, &byte, 1) != 1 || ::read(g_take, &byte, 1) != 1) std::_Exit(3);
    };
    ReportThrow("the error of program " + Name);
    std::_Exit(0);
  };
  const pid_t a = start("A", to_b[1], to_a[0]);
  const pid_t b = start("B", to_a[1], to_b[0]);
  for (int fd : {to_a[0], to_a[1], to_b[0], to_b[1]}) ::close(fd);
  for (pid_t child : {a, b}) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  ASSERT_EQ(smtp.Count(), 2);
  for (int i = 1; i <= 2; ++i) {
    const std::string name = smtp.Read(i, "subject.txt").substr(7);
    const std::string other = name == "A" ? "B" : "A";
    std::string files;
    ASSERT_NO_THROW(files = test::Unpacked(smtp.Read(i, "attachment-CompressFiles.tgz"))) << "mail " << i;
    EXPECT_NE(files.find("the error of program " + name), std::string::npos) << name;
    EXPECT_EQ(files.find("the error of program " + other), std::string::npos) << name;
  }
}

// A temporary folder that takes only part of the report (a file size limit stands for a full disk):
// nothing is sent, and the warning says why.
TEST(FullDisk, AReportThatCannotBeWrittenWholeIsNotSent) {
  TLoopbackServer http("http");
  const TChildResult r = RunChild("full_disk", [&] {
    SendTo(&http, 0);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ReportThrow("longer than the disk takes");
    std::fprintf(stderr, "went on\n");
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status << "\n" << r.Output;
  EXPECT_NE(r.Output.find("went on\n"), std::string::npos) << r.Output;
  EXPECT_EQ(http.Count(), 0);
  EXPECT_NE(r.Output.find("Message: \"Cannot write file \""), std::string::npos) << r.Output;
  EXPECT_NE(r.Output.find(std::strerror(EFBIG)), std::string::npos) << r.Output;
}

}  // namespace
}  // namespace lab::testing
