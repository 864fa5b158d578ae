// The CGI web mode: the error page, its response, and the capture of what the program answers.

#include "crashreport/dialogs/web_mode.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "crashreport/internal_warning.h"
#include "crashreport/capture/output_hooks.h"
#include "crashreport/report/report_text.h"
#include "fault_child.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"

namespace {
int* volatile crweb_null = nullptr;
}  // namespace

LAB_FAULT_VICTIM void crweb_null_write() { *crweb_null = 1; }

// What printf becomes in a program built with _FORTIFY_SOURCE.
extern "C" int __printf_chk(int Flag, const char* Format, ...);

namespace lab {
namespace {

using testing::Count;
using testing::CountLines;
using testing::RunChild;
using testing::TChildResult;

constexpr const char* kIDComment = "<!-- CrashLog ID: ";

struct TPageCase {
  const char* Name;
  const char* Template;
  const char* Body;
  const char* Page;  // before the ID comment
};

void PrintTo(const TPageCase& Case, std::ostream* Out) { *Out << Case.Name; }

class WebPage : public ::testing::TestWithParam<TPageCase> {};

TEST_P(WebPage, IsTheTemplateFilledInWithANewIDAtTheEnd) {
  const TPageCase& c = GetParam();
  const std::string page = BuildHTMLPage(c.Template, "Error.", c.Body);
  const std::string id = WebPageID();
  ASSERT_EQ(id.size(), 8u);
  EXPECT_EQ(page, std::string(c.Page) + kIDComment + id + " -->");
  BuildHTMLPage(c.Template, "Error.", c.Body);
  EXPECT_NE(WebPageID(), id);
}

INSTANTIATE_TEST_SUITE_P(
    Templates, WebPage,
    ::testing::Values(
        TPageCase{"Tag", "<title>T</title><p><%HTML_TAG%></p>", "body", "<title>T</title><p>body</p>"},
        TPageCase{"LowerCaseTag", "<title>T</title><%html_tag%>", "body", "<title>T</title>body"},
        TPageCase{"EveryTag", "<title>T</title><%HTML_TAG%>|<%Html_Tag%>", "b", "<title>T</title>b|b"},
        TPageCase{"NoTag", "<title>T</title>plain", "body", "<title>T</title>plain"},
        TPageCase{"TitleAdded", "<p><%HTML_TAG%></p>", "body", "<title>Error.</title><p>body</p>"},
        TPageCase{"TitleClosedBeforeItOpens", "</title><title>", "b", "<title>Error.</title></title><title>"},
        TPageCase{"OneLineTrimmed", "  <title>T</title>\r\n<%HTML_TAG%>\n ", "body", "<title>T</title>body"},
        TPageCase{"BodyHoldingTheTag", "<title>T</title><%HTML_TAG%>", "<%HTML_TAG%>",
                  "<title>T</title><%HTML_TAG%>"}),
    [](const ::testing::TestParamInfo<TPageCase>& Info) { return std::string(Info.param.Name); });

TEST(WebPageDefault, AnEmptyTemplateIsTheDefaultOne) {
  const std::string page = BuildHTMLPage("", "Error.", "body");
  EXPECT_EQ(page.rfind("<title>Error.</title><html>  <head>", 0), 0u) << page;
  EXPECT_NE(page.find("size=\"2\">            body          </font>"), std::string::npos) << page;
}

// A child answering as a CGI program, its standard output kept in a file.
TChildResult RunCGIChild(const std::string& Name, const std::function<void()>& Victim, std::string& Out) {
  const std::string out = testing::Scratch("web_mode_" + Name) + "/stdout.txt";
  TChildResult r = RunChild(Name, [&] {
    ::setenv("REQUEST_METHOD", "GET", 1);
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, STDOUT_FILENO);
    InstallOutputHooks();
    Victim();
  });
  Out = testing::ReadAll(out);
  return r;
}

// The header as the server reads it, and the page whose length it gives.
void ExpectErrorResponse(const std::string& Out) {
  const std::string start = "Status: 500 Error\r\nCache-Control: no-cache\r\nExpires: 0\r\nContent-Type: text/html\r\n";
  ASSERT_EQ(Out.rfind(start, 0), 0u) << Out;
  const std::size_t end = Out.find("\r\nContent:\r\n\r\n");
  ASSERT_NE(end, std::string::npos) << Out;
  const std::string length = Out.substr(start.size(), end - start.size());
  EXPECT_EQ(length, "Content-Length: " + std::to_string(Out.size() - end - 14)) << Out;
  EXPECT_NE(Out.find(kIDComment), std::string::npos) << Out;
  EXPECT_EQ(Count(Out, kWebOkButton), 1u) << Out;
}

TEST(WebErrorPage, IsAnsweredWithStatus500AndTheMessageMadeSafe) {
  std::string out;
  const TChildResult r = RunCGIChild("ErrorPage", [] {
    std::_Exit(ShowWebErrorOutput("Intro\r\n", "a < b & \"c\"") ? 0 : 70);
  }, out);
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  ExpectErrorResponse(out);
  EXPECT_NE(out.find("Intro<br>\r\na &lt; b &amp; &quot;c&quot;"), std::string::npos) << out;
  EXPECT_EQ(CapturedWebPage(), "");
}

TEST(WebErrorPage, AnAnswerThatCannotBeWrittenIsAWarningNotASuccess) {
  std::string out;
  const TChildResult r = RunCGIChild("ClosedOutput", [] {
    ::close(STDOUT_FILENO);
    ClearInternalWarning();
    if (SendWebErrorPage("<p>page</p>")) std::_Exit(71);
    std::_Exit(InternalWarningText() == "CGI: Cannot write in the ouput file." ? 0 : 72);
  }, out);
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
}

// A fault answers the request with the report, or with the message alone when the options hide
// the exception.
struct TFaultPageCase {
  const char* Name;
  std::uint8_t DialogOptions;
  const char* Shows;
  const char* Hides;    // nullptr: nothing
  std::size_t Reports;  // in the server's error log
};

void PrintTo(const TFaultPageCase& Case, std::ostream* Out) { *Out << Case.Name; }

class WebFaultPage : public ::testing::TestWithParam<TFaultPageCase> {};

TEST_P(WebFaultPage, AFaultOfACGIProgramAnswersTheRequest) {
  const TFaultPageCase& c = GetParam();
  std::string out;
  const TChildResult r = RunCGIChild(c.Name, [&] {
    CurrentCrashLogOptions().SetDialogOptions(c.DialogOptions);
    std::printf("Content-Type: text/html\r\n\r\n<p>partial");
    std::fflush(stdout);
    crweb_null_write();
  }, out);
  ASSERT_TRUE(WIFSIGNALED(r.Status)) << r.Status << "\n" << r.Output;
  const std::size_t page = out.find("Status: 500 Error\r\n");
  ASSERT_NE(page, std::string::npos) << out;
  ExpectErrorResponse(out.substr(page));
  EXPECT_NE(out.find(c.Shows, page), std::string::npos) << out;
  if (c.Hides) {
    EXPECT_EQ(out.find(c.Hides, page), std::string::npos) << out;
  }
  EXPECT_EQ(CountLines(r.Output, kReportTitle), c.Reports) << r.Output;
}

INSTANTIATE_TEST_SUITE_P(Shown, WebFaultPage,
                         ::testing::Values(TFaultPageCase{"TheReport", 1, "crweb_null_write", nullptr, 1},
                                           TFaultPageCase{"TheMessageAlone", 0, "Access violation", "crweb_null_write", 0}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

struct TCaptureCase {
  const char* Name;
  bool CGI;
  const char* Captured;
};

void PrintTo(const TCaptureCase& Case, std::ostream* Out) { *Out << Case.Name; }

class OutputCapture : public ::testing::TestWithParam<TCaptureCase> {};

// Every way of writing to the standard output is appended in order; other streams pass untouched,
// and each write answers what it would have answered without the capture.
TEST_P(OutputCapture, KeepsWhatACGIProgramWritesToItsStandardOutput) {
  const TCaptureCase& c = GetParam();
  const std::string out = testing::Scratch(std::string("output_capture_") + c.Name) + "/stdout.txt";
  const TChildResult r = RunChild(std::string("Capture") + c.Name, [&] {
    if (c.CGI) ::setenv("REQUEST_METHOD", "POST", 1);
    ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    InstallOutputHooks();
    if (OutputHooksInstalled() != c.CGI) std::_Exit(73);
    int pipe_ends[2];
    if (::pipe(pipe_ends) != 0 || ::write(pipe_ends[1], "xy", 2) != 2) std::_Exit(74);
    if (std::printf("a%d", 1) != 2) std::_Exit(75);
    std::fputs("b", stdout);
    std::cout << "c" << std::flush;
    if (::write(STDOUT_FILENO, "d", 1) != 1) std::_Exit(76);
    std::fwrite("e", 1, 1, stdout);
    std::puts("f");
    std::putchar('g');
    std::fprintf(stdout, "%s%c", "h", 'i');
    __printf_chk(1, "%d", 7);
    std::fprintf(stderr, "not the page");
    std::fflush(stdout);
    std::_Exit(CapturedWebPage() == c.Captured ? 0 : 77);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
  EXPECT_EQ(testing::ReadAll(out).size(), 12u);  // every piece reached the output once
}

INSTANTIATE_TEST_SUITE_P(Programs, OutputCapture,
                         ::testing::Values(TCaptureCase{"CGI", true, "a1bcdef\nghi7"},
                                           TCaptureCase{"Console", false, ""}),
                         [](const ::testing::TestParamInfo<TCaptureCase>& Info) { return std::string(Info.param.Name); });

TEST(WebModeKind, ACGIProgramHasREQUEST_METHODAndNoWindowOfItsOwn) {
  const TChildResult r = RunChild("Kind", [] {
    ::unsetenv("REQUEST_METHOD");
    if (IsCGIApplication() || IsWebApplication() || !IsConsoleApplication()) std::_Exit(80);
    ::setenv("REQUEST_METHOD", "GET", 1);
    if (!IsCGIApplication() || !IsWebApplication() || IsGUIApplication()) std::_Exit(81);
    wm::CreateWindowEx(0, "WebModeTest", "Window", win::WS_OVERLAPPED | win::WS_VISIBLE, 0, 0, 10, 10, nullptr, 0);
    std::_Exit(IsCGIApplication() || !IsGUIApplication() ? 82 : 0);
  });
  ASSERT_TRUE(WIFEXITED(r.Status)) << r.Status;
  EXPECT_EQ(WEXITSTATUS(r.Status), 0) << r.Output;
}

}  // namespace
}  // namespace lab
