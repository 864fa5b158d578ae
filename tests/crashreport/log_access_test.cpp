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

#include "crashreport/files/attachments.h"
#include "crashreport/internal_warning.h"
#include "crashreport/files/log_access.h"
#include "crashreport/files/log_file.h"
#include "crashreport/process_state.h"
#include "crashreport/report/report_text.h"
#include "crashreport/files/xml_log.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::ReadAll;
using testing::WriteAll;

struct TError {
  std::string Address = "00005555555551A9", Module = "lab_showcase", Type = "lab::EConvertError";
  std::string Message = "'x' is not a number.";
};

// A whole report of an error, as the report text makes it.
std::string Report(const TError& Error) {
  static TCrashModuleOptions options("lab_showcase", false);
  TReportInputs in;
  in.Options = &options;
  in.HeaderValues[6] = Error.Address;
  in.HeaderValues[7] = Error.Module;
  in.HeaderValues[8] = Error.Type;
  in.HeaderValues[9] = Error.Message;
  return FormatReport(in).Report;
}

// The log of these errors: its file's text, or its XML form.
std::string LogOf(const std::vector<TError>& Errors, bool XML = false) {
  TLogFile log;
  std::vector<std::string> entries;
  for (const TError& e : Errors) log.AddEntry(Report(e), 32);
  for (int i = 0; i < log.GetCount(); ++i) entries.push_back(log.GetEntry(i));
  return XML ? LogToXML(entries, "") : log.GetText();
}

// The exception being processed has options of its own (no flags set) whose log and temporary
// folder are in a scratch folder.
class LogAccess : public ::testing::Test {
 protected:
  void SetUp() override {
    TCrashProcessState& s = CrashState();
    s.CurrentOptions->SetLogFilePath(log);
    s.CurrentOptions->SetSendFlags(0);
    s.CurrentOptions->SetLogFlags(0);
    s.ExceptionRecord.Options = s.CurrentOptions.get();
    s.CurrentException = &s.ExceptionRecord;
    ClearInternalWarning();
  }
  void TearDown() override {
    CloseLogFile();
    ResetExceptionState();
    CrashState().CurrentOptions->SetDefaults();
    CurrentReport() = TReportTexts{};
  }
  TCrashModuleOptions& Options() { return *CrashState().CurrentOptions; }
  bool IsDuplicate(const TError& Error) {
    CurrentReport().Report = Report(Error);
    CurrentReport().ExceptionAddress = Error.Address;
    CurrentReport().ExceptionModule = Error.Module;
    CurrentReport().ExceptionType = Error.Type;
    CurrentReport().ExceptionMessage = Error.Message;
    CheckDuplicateException();
    return CrashState().Duplicate;
  }

  const std::string dir = testing::Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
  const std::string log = dir + "/app.clf";
  testing::TEnv tmpdir{"TMPDIR", dir.c_str()};
  // The report's own folder in the private temporary folder.
  const std::string temp = [] {
    RemoveReportFolder();
    return GetReportFolder();
  }();
};

TEST_F(LogAccess, DuplicateOnlyForTheSameErrorWithTheFlagSet) {
  TError same, address, module, type, message, lines;
  address.Address = "00005555555551AA";
  module.Module = "lab_showcase2";
  type.Type = "lab::EConvertErrors";
  message.Message = "'x' is not a number";
  lines.Message = "First line\r\n\r\nKey: value";
  // The log holds the error, one that differs from it in its address only, another one.
  WriteAll(log, LogOf({address, same, TError{"00007FFFF7A0C123", "libc.so.6", "lab::EAccessViolation", "?"}, lines}));
  const struct {
    TError Error;
    std::uint8_t LogFlags;
    bool Duplicate;
  } cases[] = {{same, 0xF7, true},  {lines, 1, true},   {same, 0xF6, false},
               {module, 1, false},  {type, 1, false},   {message, 1, false}};
  for (const auto& c : cases) {
    Options().SetLogFlags(c.LogFlags);
    EXPECT_EQ(IsDuplicate(c.Error), c.Duplicate) << c.Error.Address << " " << c.Error.Message;
  }
  // The check closed the log: the next one opens it for the name in force.
  EXPECT_EQ(OpenLogFile().GetCount(), 4);
  Options().SetLogFilePath(dir + "/other.clf");
  EXPECT_EQ(OpenLogFile().GetCount(), 0);
}

TEST_F(LogAccess, AFileThatIsNoLogIsKeptAsideAndNeverWrittenOver) {
  const std::string good = LogOf({TError()});
  const std::string cases[] = {good.substr(0, good.size() / 2), "[Window]\nLeft=10\n", good + "\r\nnote",
                               std::string(good).replace(good.find("-\r\n|"), 4, "-\r\n\xFF").replace(
                                   good.rfind("-\r\n|"), 4, "-\r\n\xFF")};
  int kept = 0;
  for (const std::string& contents : cases) {
    WriteAll(log, contents);
    EXPECT_EQ(TLogFile(log, true).KeptAsideName(), "");  // a reader moves nothing
    TLogFile& opened = OpenLogFile();
    const std::string aside = log + ".unreadable" + (kept++ ? "." + std::to_string(kept) : "");
    EXPECT_EQ(opened.KeptAsideName(), aside);
    EXPECT_EQ(opened.GetCount(), 0);
    EXPECT_EQ(ReadAll(aside), contents);
    EXPECT_EQ(InternalWarningCode(), eeLogError);
    EXPECT_NE(InternalWarningText().find(aside), std::string::npos) << InternalWarningText();
    opened.AddEntry(Report(TError()), 32);
    opened.Save();
    EXPECT_EQ(ReadAll(log), good);
    CloseLogFile();
  }
  // One that another program writes between the opening and the save goes aside then.
  TLogFile& opened = OpenLogFile();
  WriteAll(log, "another program wrote here\n");
  opened.AddEntry(Report(TError()), 32);
  opened.Save();
  EXPECT_EQ(ReadAll(log + ".unreadable.5"), "another program wrote here\n");
  EXPECT_EQ(ReadAll(log), good);
}

TEST_F(LogAccess, ALogBeingWrittenIsReadOnlyOnceWhole) {
  TError second;
  second.Message = "second";
  WriteAll(log, LogOf({TError()}));
  // Another process rewrites the log in place under its lock: half of it is written when the
  // duplicate check starts.
  const std::string text = LogOf({TError(), second});
  const std::size_t half = text.size() / 2;
  const int fd = ::open(log.c_str(), O_RDWR);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  ASSERT_EQ(::pwrite(fd, text.data(), half, 0), static_cast<ssize_t>(half));
  Options().SetLogFlags(kLogMarkDuplicates);
  std::atomic<bool> done{false}, duplicate{false};
  std::thread check([&] {
    duplicate = IsDuplicate(second);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(done);
  ASSERT_EQ(::pwrite(fd, text.data() + half, text.size() - half, static_cast<off_t>(half)),
            static_cast<ssize_t>(text.size() - half));
  ::close(fd);
  check.join();
  EXPECT_TRUE(duplicate);
  EXPECT_FALSE(std::filesystem::exists(log + ".unreadable"));
  EXPECT_EQ(InternalWarningCode(), eeNone);
}

TEST_F(LogAccess, TheFilesWrittenForASending) {
  TError second;
  second.Message = "second";
  CurrentReport().Report = Report(TError());
  // Each only with its flag.
  SaveXMLLogFile();
  SaveLastHTMLPage("<html>\n<p>Error</p>\r\n</html>");
  EXPECT_TRUE(std::filesystem::is_empty(temp));
  Options().SetSendFlags(kSendXmlLog | kSendLastHTMLPage);
  SaveLastHTMLPage("<html>\n<p>Error</p>\r\n</html>");
  EXPECT_EQ(ReadAll(temp + "LastHTMLPage.html"), "<html>\r\n<p>Error</p>\r\n</html>\r\n");
  EXPECT_EQ(LoadTextFile(temp + "LastHTMLPage.html"), "<html>\r\n<p>Error</p>\r\n</html>\r\n");
  EXPECT_EQ(LoadTextFile(temp + "missing.html"), "");
  // Without the temporary log the XML log still holds the report; with it, its entries.
  SaveXMLLogFile();
  EXPECT_EQ(ReadAll(temp + "app.xml"), LogOf({TError()}, true));
  WriteAll(temp + "app.clf", LogOf({TError(), second}));
  SaveXMLLogFile();
  EXPECT_EQ(ReadAll(temp + "app.xml"), LogOf({TError(), second}, true));
}

}  // namespace
}  // namespace lab
