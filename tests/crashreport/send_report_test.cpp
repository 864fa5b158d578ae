#include "crashreport/send/send_report.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "crashreport/files/attachments.h"
#include "crashreport/send/mail_shell.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/codec/file_utils.h"
#include "crashreport/internal_warning.h"
#include "crashreport/process_state.h"
#include "fake_crash_gui.h"
#include "loopback_server.h"
#include "platform/rtl/scope_exit.h"
#include "test_files.h"

namespace lab {
namespace {

using test::TLoopbackServer;

// A report being processed: the options in force are the current exception's, set up for sending
// to the test's servers; the log folder is a folder of the test's own.
class SendReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/lab-send-XXXXXX";
    folder_ = ::mkdtemp(pattern);
    // A private temporary folder of the test's own: test programs running at once share the user's.
    const char* tmpdir = std::getenv("TMPDIR");
    saved_tmpdir_ = tmpdir ? std::optional<std::string>(tmpdir) : std::nullopt;
    ::setenv("TMPDIR", folder_.c_str(), 1);
    TCrashProcessState& s = CrashState();
    s.CurrentException = &s.ExceptionRecord;
    s.ExceptionRecord.Options = s.CurrentOptions.get();
    s.ExceptionRecord.ThreadID = GetCurrentThreadID();
    TCrashModuleOptions& o = Options();
    o.SetLogFilePath(folder_.string() + "/");
    o.SetEmailSendMode(0);
    o.SetWebSendMode(0);
    o.SetSendFlags(0);
    o.SetBehaviourFlags(0);
    o.SetAttachedFiles("");
    o.SetReportInMessageBody(false);
    o.SetEmailAddresses("support@lab.example");
    o.SetEmailSubject("Crash report");
    o.SetEmailMessage("Please look at this.");
    o.SetSMTPFrom("reports@lab.example");
    o.SetSMTPHost("127.0.0.1");
    o.SetSMTPUserID("");
    o.SetSMTPPassword("");
    s.TextToSend = "The report\r\nsecond line";
    s.ExceptionTime = EncodeDate(2024, 1, 31) + EncodeTime(23, 59, 59, 0);
    attached_ = (folder_ / "device.log").string();
    std::ofstream(attached_, std::ios::binary) << std::string("\x00\x01 device trace \xFF", 17);
  }
  void TearDown() override {
    ExceptionActionNotifyProc = nullptr;
    ExceptionErrorNotifyProc = nullptr;
    CrashState().ErrorTimes.clear();
    CrashState().TerminateRequested = false;
    ResetExceptionState();
    if (saved_tmpdir_)
      ::setenv("TMPDIR", saved_tmpdir_->c_str(), 1);
    else
      ::unsetenv("TMPDIR");
    std::filesystem::remove_all(folder_);
  }
  static TCrashModuleOptions& Options() { return *CrashState().CurrentOptions; }
  // Reports are uploaded to Server, at Path.
  static void UploadTo(const TLoopbackServer& Server, const std::string& Path) {
    Options().SetWebSendMode(kWebSendHTTP);
    Options().SetWebURL("http://127.0.0.1/" + Path);
    Options().SetWebPort(Server.Port());
  }

  testing::TFakeCrashGui gui_;
  std::filesystem::path folder_;
  std::optional<std::string> saved_tmpdir_;
  std::string attached_;
};

std::vector<TCrashActionType> g_actions;
int g_retries = 0;

TEST_F(SendReportTest, MailAndUploadCarryTheSameFilesAndAFailedMailStillUploads) {
  TLoopbackServer smtp("smtp");
  TLoopbackServer http("http");
  TCrashModuleOptions& o = Options();
  o.SetEmailSendMode(kEmailSendSMTPServer);
  o.SetSMTPPort(smtp.Port());
  UploadTo(http, "upload/report.php");
  o.SetAttachedFiles(attached_ + ";" + (folder_ / "missing.txt").string());
  o.SetSendFlags(kSendResultMessage | kSendDatedNames);
  gui_.Display = true;  // (the box shows only where someone can answer it)
  g_actions.clear();
  ExceptionActionNotifyProc = [](const TCrashExceptionRecord&, TCrashActionType Action, bool&) {
    g_actions.push_back(Action);
  };
  SendReport();
  EXPECT_TRUE(CrashState().Execute) << InternalWarningText();
  EXPECT_EQ(g_actions, (std::vector<TCrashActionType>{atSendingEmail, atSentEmail, atSendingWebMessage,
                                                      atSentWebMessage}));
  ASSERT_EQ(smtp.Count(), 1);
  const std::string log_name = ChangeFileExt(ExtractFileName(GetTempLogFileName()), "") + "_20240131235959.clf";
  EXPECT_EQ(smtp.Read(1, "attachment-device_20240131235959.log"), std::string("\x00\x01 device trace \xFF", 17));
  EXPECT_EQ(smtp.Read(1, "attachment-" + log_name), "The report\r\nsecond line\r\n\r\n\r\n");
  EXPECT_EQ(smtp.Read(1, "text.txt"), "Please look at this.\r\n");
  ASSERT_EQ(http.Count(), 1);
  EXPECT_EQ(http.Read(1, "file-device_20240131235959.log"), std::string("\x00\x01 device trace \xFF", 17));
  EXPECT_EQ(http.Read(1, "file-" + log_name), "The report\r\nsecond line\r\n\r\n\r\n");
  ASSERT_EQ(gui_.Boxes.size(), 1u);
  EXPECT_EQ(gui_.Boxes[0].Text, Options().GetCustomizedText(94));
  // The temporary log is gone again.
  EXPECT_FALSE(std::filesystem::exists(GetTempLogFileName()));

  // The mail fails (nothing listens on port 1); the upload is still made, and the sending failed.
  o.SetSMTPPort(1);
  o.SetBehaviourFlags(kBehaviourCopyUnsent);
  SendReport();
  EXPECT_FALSE(CrashState().Execute);
  EXPECT_EQ(http.Count(), 2);
  ASSERT_EQ(gui_.Clipboard.size(), 1u);
  EXPECT_EQ(gui_.Clipboard[0], "The report\r\nsecond line");
  EXPECT_EQ(gui_.Boxes.back().Text, Options().GetCustomizedText(95));
}

TEST_F(SendReportTest, AFailedUploadIsRetriedWhileAHandlerAsks) {
  TLoopbackServer http("http");
  UploadTo(http, "status/500");
  g_retries = 0;
  ExceptionErrorNotifyProc = [](const TCrashExceptionRecord&, TCrashActionType Action, bool& Retry) {
    EXPECT_EQ(Action, atSentWebMessage);
    Retry = ++g_retries < 3;
  };
  SendReport();
  EXPECT_FALSE(CrashState().Execute);
  EXPECT_EQ(http.Count(), 3);
  EXPECT_EQ(InternalWarningCode(), eeWebHTTPError);
  EXPECT_EQ(InternalWarningText(), "HTTP error code: 500 (Internal Server Error)");
}

TEST_F(SendReportTest, UnsentReportsAreKeptInArchivesOfTheirOwn) {
  TCrashModuleOptions& o = Options();
  o.SetWebSendMode(kWebSendHTTP);
  o.SetWebURL("http://127.0.0.1/");
  o.SetWebPort(1);
  o.SetBehaviourFlags(kBehaviourKeepUnsent);
  o.SetAttachedFiles(attached_);
  for (int i = 0; i < 11; ++i) SendReport();  // the same exception time each time
  std::vector<std::string> kept;
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    if (entry.path().extension() == ".tgz") kept.push_back(entry.path().filename().string());
  std::sort(kept.begin(), kept.end());
  ASSERT_EQ(kept.size(), 10u);
  // The first (in name order) went: the archive without a number.
  EXPECT_EQ(kept[0], "CompressFiles_20240131235959_10.tgz");
  EXPECT_EQ(kept[9], "CompressFiles_20240131235959_9.tgz");

  // Only the reporter's own archives are pruned.
  std::ofstream((folder_ / "backup.tgz").string()) << "mine";
  PruneKeptArchives(folder_.string(), 1);
  EXPECT_TRUE(std::filesystem::exists(folder_ / "backup.tgz"));
  EXPECT_TRUE(std::filesystem::exists(folder_ / "CompressFiles_20240131235959_9.tgz"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "CompressFiles_20240131235959_8.tgz"));
}

// Every file below Folder.
std::vector<std::string> FilesBelow(const std::filesystem::path& Folder) {
  std::vector<std::string> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Folder, error))
    if (entry.is_regular_file()) files.push_back(entry.path().string());
  return files;
}

TEST_F(SendReportTest, AnUnsentReportIsKeptWhereItsLogGoes) {
  // A folder of another file system for the temporary files, when the machine has one.
  char pattern[] = "/dev/shm/lab-send-XXXXXX";
  const char* other = ::mkdtemp(pattern);
  struct stat here {}, there {};
  const bool across = other && ::stat(folder_.c_str(), &here) == 0 && ::stat(other, &there) == 0 &&
                      here.st_dev != there.st_dev;
  const TScopeExit remove_other([&] {
    if (other) std::filesystem::remove_all(other);
  });
  const std::string program = std::filesystem::read_symlink("/proc/self/exe").filename().string();
  std::ofstream((folder_ / "blocker").string()) << "a file where a folder should be";
  struct Case {
    const char* what;
    bool across;           // the temporary files on another file system
    std::uint16_t packed;  // SendFlags
    const char* log;       // the log's folder, below the test's folder
    const char* state;     // the per-user folder (XDG_STATE_HOME)
    std::string kept;      // where the archive is kept, empty: in the temporary folder
  };
  const std::vector<Case> cases = {
      {"packed, moved from another file system", true, kSendPacked, "", "state", folder_.string()},
      {"packed into the log's folder from another file system", true, 0, "", "state", folder_.string()},
      {"the program's folder cannot be written", false, kSendPacked, "blocker/", "state",
       (folder_ / "state/CrashLog" / program).string()},
      {"nowhere to keep it", across, kSendPacked, "blocker/", "blocker", ""},
  };
  for (const Case& c : cases) {
    if (c.across && !across) {
      ADD_FAILURE() << c.what << ": /dev/shm is no file system of its own here";
      continue;
    }
    const std::string temporary = c.across ? std::string(other) : folder_.string();
    testing::TEnv tmpdir("TMPDIR", temporary.c_str());
    testing::TEnv state("XDG_STATE_HOME", (folder_ / c.state).c_str());
    TCrashModuleOptions& o = Options();
    o.SetLogFilePath(folder_.string() + "/" + c.log);
    o.SetWebSendMode(kWebSendHTTP);
    o.SetWebURL("http://127.0.0.1/");
    o.SetWebPort(1);  // nothing listens
    o.SetBehaviourFlags(kBehaviourKeepUnsent);
    o.SetSendFlags(c.packed);
    o.SetAttachedFiles(attached_);
    const std::string report_folder = GetReportFolder();
    SendReport();
    EXPECT_FALSE(CrashState().Execute) << c.what;
    const std::vector<std::string> left = FilesBelow(temporary + "/crashlog-" + std::to_string(::getuid()));
    if (c.kept.empty()) {
      // The packed archive stays where it is, and the warning says where.
      const std::string archive = report_folder + "CompressFiles.tgz";
      EXPECT_EQ(left, std::vector<std::string>{archive}) << c.what;
      EXPECT_EQ(InternalWarningCode(), eeLogError) << c.what;
      EXPECT_TRUE(InternalWarningText().starts_with("The unsent report stays in \"" + archive + "\". "))
          << c.what << ": " << InternalWarningText();
    } else {
      EXPECT_EQ(left, std::vector<std::string>{}) << c.what;
      const std::vector<std::string> archives = test::KeptArchives(c.kept);
      ASSERT_EQ(archives.size(), 1u) << c.what;
      EXPECT_NE(archives[0].find("The report\r\nsecond line\r\n\r\n\r\n"), std::string::npos) << c.what;
      EXPECT_NE(archives[0].find(" device trace "), std::string::npos) << c.what;
      std::filesystem::remove_all(c.kept + "/CompressFiles_20240131235959.tgz");
    }
    RemoveReportFolder();
    std::filesystem::remove_all(temporary + "/crashlog-" + std::to_string(::getuid()));
  }
}

TEST_F(SendReportTest, TheMailProgramsAttachmentStaysAfterTheSending) {
  test::TFakeMailProgram program;
  Options().SetEmailSendMode(kEmailSendMailClient);
  CrashState().TextToSend = std::string(kMaxArgumentLength, 'r');  // too long for the mailto URL
  SendReport();
  ASSERT_TRUE(CrashState().Execute) << InternalWarningText();
  const std::string args = test::ReadWholeFile(program.Args());
  ASSERT_TRUE(args.starts_with("--attach\n")) << args;
  const std::string attachment = args.substr(9, args.find('\n', 9) - 9);
  EXPECT_EQ(test::ReadWholeFile(attachment), CrashState().TextToSend + "\r\n\r\n\r\n");
  RemoveMailProgramFiles();
}

TEST_F(SendReportTest, TheErrorFrequencyRule) {
  struct Case {
    const char* what;
    std::uint8_t flags;
    int count, minutes;
    std::vector<double> times;  // in minutes
    bool ends;
  };
  const std::vector<Case> cases = {
      {"three within ten minutes", kBehaviourErrorFrequency, 3, 10, {0, 4, 10}, true},
      {"three over eleven minutes", kBehaviourErrorFrequency, 3, 10, {0, 4, 11}, false},
      {"the rule switched off", 0, 3, 10, {0, 1, 2}, false},
      {"not yet as many", kBehaviourErrorFrequency, 3, 10, {0, 1}, false},
      {"a count of 0", kBehaviourErrorFrequency, 0, 10, {}, false},
  };
  for (const Case& c : cases) {
    TCrashProcessState& s = CrashState();
    Options().SetBehaviourFlags(c.flags);
    Options().SetErrorFrequencyCount(c.count);
    Options().SetErrorFrequencyMinutes(c.minutes);
    Options().SetErrorFrequencyAction(kTerminateRestart);
    Options().SetTerminateAction(kTerminateClose);
    s.TerminateRequested = false;
    s.ErrorTimes.clear();
    for (double minute : c.times) s.ErrorTimes.push_back(45000.0 + minute / 1440.0);
    CheckErrorFrequency();
    EXPECT_EQ(s.TerminateRequested, c.ends) << c.what;
    if (c.ends) {
      EXPECT_TRUE(Options().RestartsOnTerminate()) << c.what;
    }
  }
}

TEST_F(SendReportTest, AReportSentFromAThreadIsItsOwn) {
  TLoopbackServer http("http");
  UploadTo(http, "");
  Options().SetSendFlags(kSendFromThread);
  StartSendReport();
  // The next exception comes at once.
  {
    TCriticalSection& lock = HandlerLock();
    lock.Enter();
    TScopeExit leave([&] { lock.Leave(); });
    CrashState().TextToSend = "the next report";
  }
  for (int i = 0; i < 200 && http.Count() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(http.Count(), 1);
  HandlerLock().Enter();  // the thread is done with the state
  HandlerLock().Leave();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  HandlerLock().Enter();
  EXPECT_EQ(CrashState().TextToSend, "the next report");
  HandlerLock().Leave();
  const std::string log_name = ExtractFileName(GetTempLogFileName());
  EXPECT_EQ(http.Read(1, "file-" + log_name), "The report\r\nsecond line\r\n\r\n\r\n");
}

}  // namespace
}  // namespace lab
