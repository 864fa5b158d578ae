// The exception dialog in a helper process: the request it reads, and the helper started on a
// written request, under an X server of the test's own and answered with xdotool.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "crashreport/capture/last_exception.h"
#include "crashreport/dialogs/dialog_helper.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/options.h"
#include "platform/controls/dialog_box.h"
#include "platform/controls/messages.h"
#include "platform/controls/window_manager.h"
#include "platform/rtl/streams.h"
#include "tests/crashreport/dialog_fixture.h"
#include "tests/crashreport/test_files.h"
#include "tests/platform/x11_fixture.h"

namespace lab::testing {
namespace {

TCrashDialogRequest SampleRequest() {
  TCrashDialogRequest r;
  r.Message = "Access violation\r\nat 0000000000401000.";
  r.Header = "Report\r\n\r\n1.1 Date: today\r\n";
  r.Cpu = "CPU\r\n";
  r.Report = r.Header + "\r\nCall Stack\r\n" + r.Cpu;
  r.CustomData = "tab\there";
  TCrashModuleOptions options("sample", false);  // the defaults: copy box and Details offered
  TStringStream stream;
  options.SaveToStream(&stream);
  r.Options = stream.DataString();
  TDialogListRow heading;
  heading.Texts = {""};
  heading.Heading = true;
  heading.Caption = "Exception Thread: ID=7";
  TDialogListRow entry;
  entry.Texts = {"0000000000401000", "prog", "job\tlist.cpp", "", "Open", "12[3]"};
  entry.Image = 3;
  entry.ModuleValues[0] = 4000000000u;
  r.CallStack = {heading, entry};
  r.Duplicate = false;
  r.SendChecked = true;
  r.ErrorCount = 5;
  return r;
}

TEST(DialogRequest, ReadsBackWhatWasWrittenAndRefusesOtherBytes) {
  const std::string bytes = WriteDialogRequest(SampleRequest());
  TCrashDialogRequest back;
  ASSERT_TRUE(ReadDialogRequest(bytes, back));
  EXPECT_EQ(back.Message, "Access violation\r\nat 0000000000401000.");
  EXPECT_EQ(back.Report, SampleRequest().Report);
  EXPECT_EQ(back.CustomData, "tab\there");
  EXPECT_EQ(back.Options, SampleRequest().Options);
  ASSERT_EQ(back.CallStack.size(), 2u);
  EXPECT_TRUE(back.CallStack[0].Heading);
  EXPECT_EQ(back.CallStack[0].Caption, "Exception Thread: ID=7");
  EXPECT_EQ(back.CallStack[1].Texts[2], "job list.cpp");  // a tab inside a cell becomes a blank
  EXPECT_EQ(back.CallStack[1].Texts[5], "12[3]");
  EXPECT_EQ(back.CallStack[1].ModuleValues[0], 4000000000u);
  EXPECT_EQ(back.CallStack[1].Image, 3);
  EXPECT_TRUE(back.SendChecked);
  EXPECT_EQ(back.ErrorCount, 5);
  EXPECT_EQ(WriteDialogRequest(back), bytes);

  for (const std::string& bad : {std::string(), std::string("LabCrashDialog 2\n"), bytes.substr(0, bytes.size() - 1),
                                 std::string("LabCrashDialog 1\nMessage 99\nshort\n"),
                                 std::string("LabCrashDialog 1\nMessage -1\n\n"),
                                 std::string("LabCrashDialog 1\nCallStack 4\n1\t0\n\n")}) {
    TCrashDialogRequest r;
    EXPECT_FALSE(ReadDialogRequest(bad, r)) << bad;
  }
  TCrashDialogRequest r;  // a field of a later version is passed over
  EXPECT_TRUE(ReadDialogRequest("LabCrashDialog 1\nLater 3\nabc\nCpu 1\nx\n", r));
  EXPECT_EQ(r.Cpu, "x");
}

TEST(DialogAnswer, ReadsBackWhatWasWrittenAndWaitsForWhatIsCutShort) {
  const TCrashDialogAnswer answer{true, false, true, false, "Opened a job,\nthen saved it."};
  const std::string bytes = WriteDialogAnswer(answer);
  EXPECT_EQ(bytes, "answer 1 0 1 0 28\nOpened a job,\nthen saved it.");
  TCrashDialogAnswer back;
  ASSERT_EQ(ReadDialogAnswer(bytes, back), TAnswerRead::Whole);
  EXPECT_EQ(WriteDialogAnswer(back), bytes);
  const std::pair<std::string, TAnswerRead> reads[] = {
      {"", TAnswerRead::Short},
      {"answer 1 0", TAnswerRead::Short},
      {bytes.substr(0, bytes.size() - 1), TAnswerRead::Short},
      {"answer 1 0 1 0 0\n", TAnswerRead::Whole},
      {"answer 1 0 1\n", TAnswerRead::Bad},
      {"answer 1 0 2 0 0\n", TAnswerRead::Bad},
      {"answer 1 0 1 0 -1\n", TAnswerRead::Bad},
      {"reply 1 0 1 0 0\n", TAnswerRead::Bad},
      {std::string(40, 'x'), TAnswerRead::Bad},
  };
  for (const auto& [text, read] : reads) {
    TCrashDialogAnswer a;
    EXPECT_EQ(ReadDialogAnswer(text, a), read) << text;
  }
}

// The helper's dialog offers what the program's options offer, and what the user answers (not
// sending, a restart, the steps to reproduce) is what the faulted process reads back.
TEST_F(CrashDialogTest, TheHelperShowsTheProgramsOptionsAndAnswersWithTheSteps) {
  TCrashDialogRequest request = SampleRequest();
  request.SendChecked = true;
  request.ErrorCount = 1;
  {
    TCrashModuleOptions options("program", false);
    options.SetEmailSendMode(kEmailSendSMTPServer);
    options.SetSupportURL("https://lab.example/support");
    options.SetTerminateAction(kTerminateRestart);
    options.SetTerminateAfterErrors(true);
    options.SetErrorsBeforeTerminate(0);
    options.SetLogFlags(kLogAskReproduceSteps);
    TStringStream stream;
    options.SaveToStream(&stream);
    request.Options = stream.DataString();
  }
  const std::string path = Scratch("dialog_helper_options") + "/request";
  WriteAll(path, WriteDialogRequest(request));
  std::vector<std::string> seen;
  win::SetDialogShownHook([&](win::HWND Dialog) {
    for (win::MSG m; wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE);) wm::DispatchMessage(m);  // painted
    const auto item = [&](int ID) { return win::GetDlgItem(Dialog, ID); };
    const auto click = [&](int ID) { wm::SendMessage(item(ID), win::BM_CLICK, 0, 0); };
    if (wm::GetWindowText(Dialog) == "Request") {
      wm::SetWindowText(item(101), "Opened job 7 ");
      click(2);
      return;
    }
    seen.push_back(std::string(wm::IsWindowVisible(item(3000)) ? "send " : "") +
                   (DialogState().Choices.ShowSupportLink ? "support " : "") +
                   (wm::IsWindowVisible(item(3)) ? wm::GetWindowText(item(3)) : ""));
    click(3000);  // not sending
    click(3);     // Restart
  });
  std::string program = "program", argument = kDialogHelperArgument, file = path;
  char* argv[] = {program.data(), argument.data(), file.data(), nullptr};
  ::testing::internal::CaptureStdout();
  const int code = RunDialogHelper(3, argv);
  const std::string answer = ::testing::internal::GetCapturedStdout();
  win::SetDialogShownHook(nullptr);
  SetExceptionMessageReplacement("");
  CrashState().TerminateRequested = false;
  EXPECT_EQ(code, 0);
  EXPECT_EQ(seen, std::vector<std::string>{"send support &Restart"});
  EXPECT_EQ(answer, "shown\nanswer 0 0 0 1 12\nOpened job 7");
}

TEST(DialogHelper, WithoutADisplayTheHelperGivesNoAnswer) {
  TEnv display("DISPLAY", nullptr), backend("LAB_BACKEND", nullptr);
  const std::string path = Scratch("dialog_helper_headless") + "/request";
  TCrashDialogAnswer answer;
  EXPECT_FALSE(ShowDialogInHelper(SampleRequest(), path, 10000, 10000, answer, LAB_CRTEST_DIALOG_HELPER));
  EXPECT_FALSE(ShowDialogInHelper(SampleRequest(), path, 10000, 10000, answer, "/no/such/program"));
  EXPECT_EQ(ReadAll(path), WriteDialogRequest(SampleRequest()));
}

class DialogHelperX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!TXvfb::Installed() || access("/usr/bin/xdotool", X_OK) != 0)
      GTEST_SKIP() << "Xvfb or xdotool is not installed (scripts/setup.sh)";
    ASSERT_TRUE(server.Start());
    display = std::make_unique<TEnv>("DISPLAY", server.Name().c_str());
    // The helper inherits the environment: it runs on the X server whatever the tests run on.
    backend = std::make_unique<TEnv>("LAB_BACKEND", "x11");
  }
  // Runs xdotool on the test's server; true when it succeeded.
  bool Xdotool(std::vector<std::string> args) {
    // A window that never comes fails the test rather than hang it.
    args.insert(args.begin(), {"/usr/bin/timeout", "20", "/usr/bin/xdotool"});
    return Shell(Join(args)) == 0;
  }
  static std::string Join(const std::vector<std::string>& Args) {
    std::string line;
    for (const std::string& a : Args) line += "'" + a + "' ";
    return line;
  }
  TXvfb server;
  std::unique_ptr<TEnv> display, backend;
};

TEST_F(DialogHelperX11, TheHelpersDialogIsAnsweredWithTheKeyboardAndItsAnswerReadBack) {
  const std::string path = Scratch("dialog_helper_x11") + "/request";
  std::future<bool> shown = std::async(std::launch::async, [&] {
    TCrashDialogAnswer answer;
    const bool answered =
        ShowDialogInHelper(SampleRequest(), path, kHelperShowTimeoutMs, 20000, answer, LAB_CRTEST_DIALOG_HELPER);
    return answered && answer.Send && answer.Copy && !answer.Attach && !answer.Terminate;
  });
  // The dialog, once it is up: Alt+C checks "Copy to Clipboard", Enter clicks OK.
  EXPECT_TRUE(Xdotool({"search", "--sync", "--name", "^Error\\.$", "windowfocus", "--sync", "%1", "sleep", "0.3"}));
  EXPECT_TRUE(Xdotool({"key", "--delay", "100", "alt+c", "Return"}));
  EXPECT_TRUE(shown.get());
}

TEST_F(DialogHelperX11, AHelperNobodyAnswersIsEndedAtTheTimeOut) {
  const std::string path = Scratch("dialog_helper_timeout") + "/request";
  TCrashDialogAnswer answer;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(ShowDialogInHelper(SampleRequest(), path, 1500, 1500, answer, LAB_CRTEST_DIALOG_HELPER));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace lab::testing
