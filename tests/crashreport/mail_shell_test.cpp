#include "crashreport/send/mail_shell.h"

#include <gtest/gtest.h>

#include "crashreport/internal_warning.h"
#include "loopback_server.h"

namespace lab {
namespace {

TEST(CrashMailShell, TheURLKeepsOnlyLettersDigitsHyphensAndHighBytes) {
  EXPECT_EQ(EncodeMailtoText("a b&c=d/\xC3\xA4-9\r\n"), "a%20b%26c%3Dd%2F\xC3\xA4-9%0D%0A");
  EXPECT_EQ(MailtoURL("a@lab.example;b@lab.example", "Crash!", "x"),
            "mailto:a@lab.example;b@lab.example?Subject=Crash%21&Body=x");
}

TEST(CrashMailShell, SentOnlyWhenTheMailProgramSucceeds) {
  test::TFakeMailProgram program;
  EXPECT_TRUE(SendMailShell("a@lab.example", "Report", "Message", "Report text", "/tmp/report.clf"));
  EXPECT_EQ(test::ReadWholeFile(program.Args()),
            "mailto:a@lab.example?Subject=Report&Body=Message%0D%0A%0D%0A%0D%0AReport%20text\n");
  program.SetExitCode(3);  // no mail program configured
  EXPECT_FALSE(SendMailShell("a@lab.example", "Report", "Message", "", ""));
  EXPECT_EQ(test::ReadWholeFile(program.Args()), "mailto:a@lab.example?Subject=Report&Body=Message\n");
}

TEST(CrashMailShell, ALongReportGoesAsACopyThatStaysUntilTheNextMail) {
  test::TFakeMailProgram program;
  test::TFilesToSend files;
  files.Add("report file.clf", "the report");
  files.Add("second.clf", "the next report");
  const std::string report(kMaxArgumentLength / 3 + 1, '.');  // each dot takes three characters
  const std::string copy = MailProgramFolder() + "report file.clf";
  EXPECT_TRUE(SendMailShell("a@lab.example", "Report", "See the file.", report, files.paths.Strings(0)));
  EXPECT_EQ(test::ReadWholeFile(program.Args()),
            "--attach\n" + copy + "\nmailto:a@lab.example?Subject=Report&Body=See%20the%20file%2E\n");
  // The mail program reads it later: it stays, whatever becomes of the report's own file.
  std::filesystem::remove(files.paths.Strings(0));
  EXPECT_EQ(test::ReadWholeFile(copy), "the report");
  EXPECT_TRUE(SendMailShell("a@lab.example", "Report", "Again.", report, files.paths.Strings(1)));
  EXPECT_FALSE(std::filesystem::exists(copy));
  EXPECT_EQ(test::ReadWholeFile(MailProgramFolder() + "second.clf"), "the next report");
  RemoveMailProgramFiles();
  EXPECT_FALSE(std::filesystem::exists(MailProgramFolder()));
}

TEST(CrashMailShell, AMissingMailProgramIsAWarning) {
  test::TFakeMailProgram program;
  program.Remove();
  ClearInternalWarning();
  EXPECT_FALSE(SendMailShell("a@lab.example", "Report", "Message", "", ""));
  EXPECT_EQ(InternalWarningCode(), eeEmailShellError);
  EXPECT_NE(InternalWarningText(), "");
}

}  // namespace
}  // namespace lab
