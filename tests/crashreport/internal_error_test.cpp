// A failure inside the crash reporter's own processing: the error line always, the bug report only
// while a debugger is attached.

#include "crashreport/internal_error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "crashreport/event_dispatch.h"
#include "crashreport/dialogs/platform_gui.h"
#include "crashreport/report/report_text.h"
#include "crashreport/report/system_utils.h"
#include "platform/controls/dialogs.h"
#include "tests/crashreport/fault_child.h"

namespace lab::testing {
namespace {

class TAskedGui : public TFrameworkGui {
 public:
  bool HasDisplay() override { return true; }
  int MessageBox(const std::string& Text, const std::string& Caption, win::UINT Flags) override {
    Asked.push_back(Caption + ": " + Text);
    AskedFlags = Flags;
    std::fprintf(stderr, "asked %s\n", Caption.c_str());
    return win::IDNO;
  }
  std::vector<std::string> Asked;
  win::UINT AskedFlags = 0;
};

TEST(InternalError, TheBugTextNamesEachFactInItsLine) {
  TInternalBug bug;
  bug.Section = "15";
  bug.Address = 0x401000;
  bug.ClassName = "EWriteError";
  bug.Message = "Disk full";
  bug.LastExceptionClass = "EAccessViolation";
  bug.Dump = "$C3 ";
  bug.CallStack = "00 $0000000000401000 - [0000000000400000] program \r\n";
  const std::string text = InternalBugText(bug);
  const char* lines[] = {"Version   : 1.1.0\r\nDate      : ", "\r\nTool      : GNU C++ ", "\r\nDump      : $C3 \r\n",
                         "Section   : 15\r\nLastExcept: EAccessViolation\r\nAddress   : $0000000000401000\r\n"
                         "Exception : EWriteError\r\nMessage   : Disk full\r\nCall Stack: 00 $0000000000401000"};
  std::size_t at = 0;
  for (const char* line : lines) {
    const std::size_t found = text.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "\n" << text;
    at = found;
  }
}

TEST(InternalError, TheCallStackBeginsAtItsCaller) {
  const std::string stack = InternalBugCallStack();
  ASSERT_EQ(stack.rfind("00 $", 0), 0u) << stack;
  EXPECT_NE(stack.find("\r\n            01 $"), std::string::npos) << stack;
  EXPECT_NE(stack.find("lab_crashreport_tests"), std::string::npos) << stack;
}

TEST(InternalError, TheBugReportIsWrittenAndOfferedForMailing) {
  TAskedGui gui;
  TCrashGui* old = SetCrashGui(&gui);
  TInternalBug bug;
  bug.Section = "8";
  bug.Message = "no room";
  const std::string path = WriteInternalBugReport(bug, Scratch("internal_error_bug") + "/bug.log");
  SetCrashGui(old);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(ReadAll(path).rfind("Version   : 1.1.0\r\n", 0), 0u);
  std::filesystem::remove(path);
  ASSERT_EQ(gui.Asked.size(), 1u);  // answered No: nothing is mailed, nothing more asked
  EXPECT_EQ(gui.Asked[0],
            "Probably internal bug: Error: 'no room'\r\n\r\nThis is an internal CrashLog bug.\r\n"
            "Do you want to send the bug information to CrashLog author?");
  EXPECT_EQ(gui.AskedFlags, win::MB_YESNO | win::MB_ICONERROR | win::MB_TASKMODAL | win::MB_TOPMOST |
                                win::MB_SERVICE_NOTIFICATION);
}

TEST(InternalError, WithoutADebuggerOnlyTheErrorLineIsWritten) {
  ASSERT_FALSE(IsDebuggerAttached());
  // Beside the program, where another test program's run may have left one: not touched.
  const std::string bug_file = RunningModuleFileName() + ".log";
  const bool existed = std::filesystem::exists(bug_file);
  const std::string before = ReadAll(bug_file);
  const TChildResult r = RunChild("internal_error_quiet", [] {
    SetCrashGui(new TAskedGui);
    ExceptionNotifyProc = [](const TCrashExceptionRecord&, bool&) { throw std::runtime_error("no room"); };
    ReportCaughtException(std::make_exception_ptr(std::logic_error("reported")));
  });
  EXPECT_EQ(CountLinesMatching(r.Output, R"(\[ERROR\] - Section: 8 - Address: [0-9A-F]{16} - Message: "no room")"), 1u) << r.Output;
  EXPECT_EQ(r.Output.find("asked "), std::string::npos) << r.Output;
  EXPECT_EQ(std::filesystem::exists(bug_file), existed);
  EXPECT_EQ(ReadAll(bug_file), before);
}

TEST(InternalError, AnAbortIsNoInternalError) {
  const TChildResult r = RunChild("internal_error_abort", [] {
    try {
      Abort();
    } catch (...) {
      ReportInternalError("3");
    }
  });
  EXPECT_EQ(r.Output.find("[ERROR]"), std::string::npos) << r.Output;
}

}  // namespace
}  // namespace lab::testing
