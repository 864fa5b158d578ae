// The module's log as exception processing uses it: the duplicate check, logs that cannot be read
// (kept aside, never written over, never read half written) and the files written for a sending.

#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <thread>

#include "crashreport/internal_warning.h"
#include "crashreport/log_access.h"
#include "crashreport/log_file.h"
#include "crashreport/process_state.h"
#include "crashreport/report_text.h"
#include "crashreport/xml_log.h"
#include "platform/rtl/datetime.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::ReadAll;
using testing::Scratch;
using testing::WriteAll;

struct TError {
  std::string Address = "00005555555551A9";
  std::string Module = "lab_showcase";
  std::string Type = "lab::EConvertError";
  std::string Message = "'x' is not a number.";
};

// A whole report of an error, as the report text makes it.
TReportTexts MakeReport(const TError& Error) {
  static TCrashModuleOptions options("lab_showcase", false);
  TReportInputs in;
  in.Options = &options;
  in.HeaderValues[0] = "Wed, 31 Jan 2024 23:59:59 +0530";
  in.HeaderValues[6] = Error.Address;
  in.HeaderValues[7] = Error.Module;
  in.HeaderValues[8] = Error.Type;
  in.HeaderValues[9] = Error.Message;
  return FormatReport(in);
}

std::string ReplaceAll(std::string Text, const std::string& From, const std::string& To) {
  for (std::size_t at = 0; (at = Text.find(From, at)) != std::string::npos; at += To.size()) Text.replace(at, From.size(), To);
  return Text;
}

// The XML log of the reports of these errors.
std::string XMLOf(const std::vector<TError>& Errors) {
  TLogFile log;
  for (const TError& e : Errors) log.AddEntry(MakeReport(e).Report, 32);
  std::vector<std::string> entries;
  for (int i = 0; i < log.GetCount(); ++i) entries.push_back(log.GetEntry(i));
  return LogToXML(entries, "");
}

// The exception being processed has options of its own, whose log and temporary folder are in a
// scratch folder.
class LogAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    TCrashProcessState& s = CrashState();
    s.CurrentOptions->SetDefaults();
    s.CurrentOptions->SetLogFilePath(dir + "/app.clf");
    s.CurrentOptions->SetSendFlags(0);
    s.CurrentOptions->SetLogFlags(0);
    s.ExceptionRecord.Options = s.CurrentOptions.get();
    s.CurrentException = &s.ExceptionRecord;
    s.ExceptionTime = EncodeDate(2024, 1, 31) + EncodeTime(23, 59, 59, 0);
    ClearInternalWarning();
  }
  void TearDown() override {
    CloseLogFile();
    ResetExceptionState();
    CrashState().CurrentOptions->SetDefaults();
    CurrentReport() = TReportTexts{};
    ClearInternalWarning();
  }

  TCrashModuleOptions& Options() { return *CrashState().CurrentOptions; }
  std::string Log() const { return dir + "/app.clf"; }
  std::string Temp() const { return dir + "/crashlog-" + std::to_string(::getuid()) + "/"; }
  void SaveLog(const std::vector<TError>& Errors) {
    TLogFile log(Log(), false);
    for (const TError& e : Errors) log.AddEntry(MakeReport(e).Report, 32);
    log.Save();
  }

  const std::string dir = Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
  testing::TEnv tmpdir{"TMPDIR", dir.c_str()};
};

TEST_F(LogAccess, DuplicateOnlyForTheSameErrorWithTheFlagSet) {
  TError same, near_address, near_module, near_type, near_message, several_lines;
  near_address.Address = "00005555555551AA";
  near_module.Module = "lab_showcase2";
  near_type.Type = "lab::EConvertErrors";
  near_message.Message = "'x' is not a number";
  several_lines.Message = "First line\r\n\r\nKey: value";
  const TError other = {"00007FFFF7A0C123", "libc.so.6", "lab::EAccessViolation", "Access violation"};
  // The log holds the report, one that differs from it only in its address, and others.
  SaveLog({near_address, same, other, several_lines});

  const struct {
    const char* Name;
    TError Current;
    std::uint8_t LogFlags;
    bool Duplicate;
  } cases[] = {
      {"same", same, 1, true},
      {"same, other flags too", same, 0xF7, true},
      {"several lines", several_lines, 1, true},
      {"flag clear", same, 0xF6, false},
      {"module", near_module, 1, false},
      {"type", near_type, 1, false},
      {"message", near_message, 1, false},
  };
  for (const auto& c : cases) {
    Options().SetLogFlags(c.LogFlags);
    CurrentReport() = MakeReport(c.Current);
    CrashState().Duplicate = !c.Duplicate;
    CheckDuplicateException();
    EXPECT_EQ(CrashState().Duplicate, c.Duplicate) << c.Name;
  }
  // The check leaves the log closed: the next open reads the file again.
  TLogFile& log = OpenLogFile();
  EXPECT_EQ(log.GetCount(), 4);
  EXPECT_EQ(&OpenLogFile(), &log);
  Options().SetLogFilePath(dir + "/other.clf");
  EXPECT_EQ(OpenLogFile().GetCount(), 0);
}

TEST_F(LogAccess, AFileThatIsNoLogIsKeptAsideAndNeverWrittenOver) {
  SaveLog({TError()});
  const std::string good = ReadAll(Log());
  const struct {
    const char* Name;
    std::string Contents;
  } cases[] = {
      {"cut short", good.substr(0, good.size() / 2)},
      {"another program's", "[Window]\nLeft=10\n"},
      {"damaged", ReplaceAll(good, "-\r\n|", "-\r\n\xFF")},
      {"a line after the log", good + "\r\nnote"},
  };
  int kept = 0;
  for (const auto& c : cases) {
    WriteAll(Log(), c.Contents);
    ClearInternalWarning();
    // Read-only, nothing moves.
    EXPECT_EQ(TLogFile(Log(), true).KeptAsideName(), "") << c.Name;
    TLogFile& log = OpenLogFile();
    const std::string aside = Log() + ".unreadable" + (kept++ ? "." + std::to_string(kept) : "");
    EXPECT_EQ(log.KeptAsideName(), aside) << c.Name;
    EXPECT_EQ(log.GetCount(), 0) << c.Name;
    EXPECT_EQ(ReadAll(aside), c.Contents) << c.Name;
    EXPECT_EQ(InternalWarningCode(), eeLogError) << c.Name;
    EXPECT_NE(InternalWarningText().find(aside), std::string::npos) << InternalWarningText();
    log.AddEntry(MakeReport(TError()).Report, 32);
    log.Save();
    EXPECT_EQ(ReadAll(Log()), good) << c.Name;
    CloseLogFile();
  }
  EXPECT_EQ(ReadAll(Log() + ".unreadable"), cases[0].Contents);
}

TEST_F(LogAccess, AFileMadeNoLogBeforeTheSaveGoesAsideToo) {
  SaveLog({TError()});
  TLogFile log(Log(), false);
  WriteAll(Log(), "another program wrote here\n");
  TError other;
  other.Message = "other";
  log.AddEntry(MakeReport(other).Report, 32);
  log.Save();
  EXPECT_EQ(ReadAll(Log() + ".unreadable"), "another program wrote here\n");
  EXPECT_EQ(log.KeptAsideName(), Log() + ".unreadable");
  ASSERT_EQ(log.GetCount(), 1);
  EXPECT_EQ(log.GetEntryField("2.5", 0), "other");
  EXPECT_TRUE(IsLogText(ReadAll(Log())));
}

TEST_F(LogAccess, ALogBeingWrittenIsReadOnlyOnceWhole) {
  TError first, second;
  second.Message = "second";
  SaveLog({first});
  // Another process rewrites the log in place, holding its lock: half of it is written when the
  // duplicate check starts.
  TLogFile both(Log(), true);
  both.AddEntry(MakeReport(second).Report, 32);
  const std::string text = both.GetText();
  const int fd = ::open(Log().c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  ASSERT_EQ(::pwrite(fd, text.data(), text.size() / 2, 0), static_cast<ssize_t>(text.size() / 2));

  Options().SetLogFlags(1);
  CurrentReport() = MakeReport(second);
  std::atomic<bool> done{false};
  std::thread check([&] {
    CheckDuplicateException();
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(done);
  ASSERT_EQ(::pwrite(fd, text.data() + text.size() / 2, text.size() - text.size() / 2,
                     static_cast<off_t>(text.size() / 2)),
            static_cast<ssize_t>(text.size() - text.size() / 2));
  ::close(fd);
  check.join();
  EXPECT_TRUE(CrashState().Duplicate);
  EXPECT_FALSE(std::filesystem::exists(Log() + ".unreadable"));
  EXPECT_EQ(InternalWarningCode(), eeNone);
}

TEST_F(LogAccess, TheXMLLogHoldsTheReportWithoutTheTemporaryLog) {
  TError first, second;
  second.Message = "second";
  CurrentReport() = MakeReport(first);
  const std::string xml = Temp() + "app.xml";
  // Without bit 3 no XML log is written.
  SaveXMLLogFile();
  EXPECT_FALSE(std::filesystem::exists(xml));

  Options().SetSendFlags(1 << 3);
  SaveXMLLogFile();
  std::string text = ReadAll(xml);
  EXPECT_EQ(text, XMLOf({first}));

  // The temporary log written for the sending is what the XML log shows.
  TLogFile temporary(Temp() + "app.clf", false);
  temporary.AddEntry(MakeReport(first).Report, 32);
  temporary.AddEntry(MakeReport(second).Report, 32);
  temporary.Save();
  SaveXMLLogFile();
  EXPECT_EQ(ReadAll(xml), XMLOf({first, second}));
}

TEST_F(LogAccess, TextFilesAndTheLastWebPage) {
  EXPECT_EQ(LoadTextFile(dir + "/missing.html"), "");
  WriteAll(dir + "/page.html", std::string("<p>\0x</p>\n", 10));
  EXPECT_EQ(LoadTextFile(dir + "/page.html"), std::string("<p>\0x</p>\n", 10));

  SaveLastHTMLPage("<html>\n<p>Error</p>\r\n</html>");
  EXPECT_FALSE(std::filesystem::exists(Temp() + "LastHTMLPage.html"));
  Options().SetSendFlags(1 << 6);
  SaveLastHTMLPage("<html>\n<p>Error</p>\r\n</html>");
  EXPECT_EQ(ReadAll(Temp() + "LastHTMLPage.html"), "<html>\r\n<p>Error</p>\r\n</html>\r\n");
}

}  // namespace
}  // namespace lab
