#include "crashreport/send/mail_shell.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "crashreport/internal_warning.h"
#include "loopback_server.h"

namespace lab {
namespace {

// An xdg-email of the test's own first on PATH: it writes its arguments, one a line, to args.txt and
// ends with the exit code in exit.txt.
class TFakeMailProgram {
 public:
  TFakeMailProgram() : path_(std::getenv("PATH") ? std::getenv("PATH") : "") {
    char pattern[] = "/tmp/lab-xdg-email-XXXXXX";
    folder_ = ::mkdtemp(pattern);
    const std::string script = (folder_ / "xdg-email").string();
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << Args()
                          << "'\nexit $(cat '" << (folder_ / "exit.txt").string() << "')\n";
    ::chmod(script.c_str(), 0755);
    SetExitCode(0);
    ::setenv("PATH", (folder_.string() + ":" + path_).c_str(), 1);
  }
  ~TFakeMailProgram() {
    ::setenv("PATH", path_.c_str(), 1);
    std::filesystem::remove_all(folder_);
  }
  void SetExitCode(int Code) { std::ofstream((folder_ / "exit.txt").string()) << Code; }
  std::string Args() const { return (folder_ / "args.txt").string(); }
  // Only the fake's folder on PATH, without the program in it.
  void Remove() {
    std::filesystem::remove(folder_ / "xdg-email");
    ::setenv("PATH", folder_.c_str(), 1);
  }

 private:
  std::string path_;
  std::filesystem::path folder_;
};

TEST(CrashMailShell, TheURLKeepsOnlyLettersDigitsHyphensAndHighBytes) {
  EXPECT_EQ(EncodeMailtoText("a b&c=d/\xC3\xA4-9\r\n"), "a%20b%26c%3Dd%2F\xC3\xA4-9%0D%0A");
  EXPECT_EQ(MailtoURL("a@lab.example;b@lab.example", "Crash!", "x"),
            "mailto:a@lab.example;b@lab.example?Subject=Crash%21&Body=x");
}

TEST(CrashMailShell, SentOnlyWhenTheMailProgramSucceeds) {
  TFakeMailProgram program;
  EXPECT_TRUE(SendMailShell("a@lab.example", "Report", "Message", "Report text", "/tmp/report.clf"));
  EXPECT_EQ(test::ReadWholeFile(program.Args()),
            "mailto:a@lab.example?Subject=Report&Body=Message%0D%0A%0D%0A%0D%0AReport%20text\n");
  program.SetExitCode(3);  // no mail program configured
  EXPECT_FALSE(SendMailShell("a@lab.example", "Report", "Message", "", ""));
  EXPECT_EQ(test::ReadWholeFile(program.Args()), "mailto:a@lab.example?Subject=Report&Body=Message\n");
}

TEST(CrashMailShell, ALongReportGoesAsAnAttachment) {
  TFakeMailProgram program;
  const std::string report(kMaxArgumentLength / 3 + 1, '.');  // each dot takes three characters
  EXPECT_TRUE(SendMailShell("a@lab.example", "Report", "See the file.", report, "/tmp/report file.clf"));
  EXPECT_EQ(test::ReadWholeFile(program.Args()),
            "--attach\n/tmp/report file.clf\nmailto:a@lab.example?Subject=Report&Body=See%20the%20file%2E\n");
}

TEST(CrashMailShell, AMissingMailProgramIsAWarning) {
  TFakeMailProgram program;
  program.Remove();
  ClearInternalWarning();
  EXPECT_FALSE(SendMailShell("a@lab.example", "Report", "Message", "", ""));
  EXPECT_EQ(InternalWarningCode(), eeEmailShellError);
  EXPECT_NE(InternalWarningText(), "");
}

}  // namespace
}  // namespace lab
