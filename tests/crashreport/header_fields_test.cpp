#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <string>

#include "crashreport/codec/file_utils.h"
#include "crashreport/report/header_fields.h"
#include "crashreport/module_data.h"
#include "crashreport/report/system_facts.h"
#include "crashreport/report/system_utils.h"
#include "fake_crash_gui.h"
#include "platform/rtl/exceptions.h"
#include "elf_image.h"
#include "test_files.h"

namespace lab {
namespace {

LAB_EXCEPTION(EAccessViolation, Exception);

struct TNoMessage {
  int Code = 7;
};

// Each test starts and ends without an exception being processed.
class HeaderFields : public ::testing::Test {
 protected:
  void SetUp() override { ResetExceptionState(); }
  void TearDown() override { ResetExceptionState(); }

  template <class T>
  void Raise(const T& Object, const void* Address) {
    TCrashExceptionRecord& record = CrashState().ExceptionRecord;
    record.ExceptionObject = &Object;
    record.ExceptionClass = &typeid(T);
    record.ExceptionAddress = Address;
  }
};

TEST_F(HeaderFields, ProgramValuesComeFromItsVersionNoteAndBuildStamp) {
  EXPECT_EQ(GetApplicationName(), "Crash reporter tests");
  EXPECT_EQ(GetAppVersionInfo(), "1.0.0.0");
  EXPECT_EQ(GetParameters(), FormatParameters(ProgramParameters()));
  {
    testing::TEnv zone("TZ", "Asia/Kolkata");
    ::tzset();
    // Dates in the mail form, with the zone's minutes.
    EXPECT_TRUE(GetStartDate().ends_with(" +0530")) << GetStartDate();
    const std::int64_t stamp = ReadModuleBuildTime(RunningModuleFileName());
    ASSERT_GT(stamp, 0);
    EXPECT_EQ(GetCompilationDate(), FormatMailDate(UnixToLocalDateTime(stamp)));
    EXPECT_TRUE(GetCompilationDate().ends_with(" +0530"));
    EXPECT_EQ(GetExceptionDate(), "");
    CrashState().ExceptionTime = EncodeDate(2024, 1, 31) + EncodeTime(23, 59, 59, 0);
    EXPECT_EQ(GetExceptionDate(), "Wed, 31 Jan 2024 23:59:59 +0530");
  }
  ::tzset();
}

// A module without a link time has no compilation date, rather than the first day of 1970.
TEST_F(HeaderFields, TheCompilationDateIsEmptyWithoutALinkTime) {
  auto zone = std::make_unique<testing::TEnv>("TZ", "UTC");
  ::tzset();
  const struct {
    const char* Section;
    std::string Stamp;
    const char* Expected;
  } cases[] = {
      {kBuildTimeSection, "86400", "Fri, 2 Jan 1970 00:00:00 +0000"},
      {kBuildTimeSection, "0", ""},
      {kBuildTimeSection, "99999999999999999999", ""},
      {".other", "86400", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetModuleCompilationDate(testing::TElfImage({{c.Section, c.Stamp}}).Write("compilation-date")),
              c.Expected)
        << c.Section << " " << c.Stamp;
  EXPECT_EQ(GetModuleCompilationDate("/bin/sh"), "");
  zone.reset();
  ::tzset();
}

TEST_F(HeaderFields, ExceptionValues) {
  EXPECT_EQ(GetExceptionAddress(), "");
  EXPECT_EQ(GetExceptionModule(), "");
  EXPECT_EQ(GetExceptionType(), "Unknown exception type.");
  EXPECT_EQ(GetExceptionMessage({}), "Unknown error message.");

  const EConvertError error("'x' is not a valid integer value");
  Raise(error, reinterpret_cast<const void*>(&GetExceptionAddress));
  EXPECT_EQ(GetExceptionAddress(),
            FormatExceptionAddress(reinterpret_cast<std::uintptr_t>(&GetExceptionAddress)));
  EXPECT_EQ(GetExceptionModule(), ExtractFileName(RunningModuleFileName()));
  EXPECT_EQ(GetExceptionType(), "lab::EConvertError");
  EXPECT_EQ(GetExceptionMessage({}), "'x' is not a valid integer value.");

  const std::runtime_error plain("done.");
  Raise(plain, nullptr);
  EXPECT_EQ(GetExceptionType(), "std::runtime_error");
  EXPECT_EQ(GetExceptionMessage({}), "done.");
  const TNoMessage record;
  Raise(record, nullptr);
  EXPECT_EQ(GetExceptionMessage({}), "Unknown error message.");
  const int number = 42;
  Raise(number, nullptr);
  EXPECT_EQ(GetExceptionType(), "Unknown exception type.");
  EXPECT_EQ(GetExceptionMessage({}), "Unknown error message.");
}

TEST_F(HeaderFields, AccessViolationMessageFromTheRegisterContext) {
  const EAccessViolation fault("Segmentation fault");
  Raise(fault, nullptr);
  TCrashContext context;
  context.ContextFlags = CONTEXT_FULL;
  context.Held = kSignalContextRegisters;
  context.Gregs[REG_RIP] = reinterpret_cast<greg_t>(&GetExceptionMessage);
  context.Gregs[REG_CR2] = 0x10;
  context.Gregs[REG_ERR] = 6;  // a write from user mode
  TExceptNotifyParams params;
  params.Context = &context;
  const std::string code = FormatExceptionAddress(reinterpret_cast<std::uintptr_t>(&GetExceptionMessage));
  EXPECT_EQ(GetExceptionMessage(params), "Access violation at address " + code + " in module '" +
                                             ExtractFileName(RunningModuleFileName()) +
                                             "'. Write of address 0000000000000010.");
  context.Gregs[REG_ERR] = 4;
  context.Gregs[REG_RIP] = 0x10;  // a call through a null function pointer: no module
  EXPECT_EQ(GetExceptionMessage(params), "Access violation at address 0000000000000010. Read of address "
                                         "0000000000000010.");
  // Without a context, or one that did not read the fault's registers, the message stays as it was made.
  EXPECT_EQ(GetExceptionMessage({}), "Segmentation fault.");
  context.Held = kGetcontextRegisters;
  EXPECT_EQ(GetExceptionMessage(params), "Segmentation fault.");
}

TEST_F(HeaderFields, ActiveControlsAndDisplayThroughTheGui) {
  testing::TFakeCrashGui gui;
  EXPECT_EQ(GetFormClass(), "");  // a console program has no foreground window
  EXPECT_EQ(GetFormText(), "");
  auto& window = gui.Add(5, 1);
  window.ClassName = "TJobForm";
  window.Text = "Job 12\r\nnew";
  gui.Foreground = window.Handle;
  EXPECT_EQ(GetFormClass(), "TJobForm");
  EXPECT_EQ(GetFormText(), "Job 12 new");
  TExceptNotifyParams params;
  params.ActiveControlClass = "TLabEdit";
  params.ActiveControlText = "a\tb";
  EXPECT_EQ(GetControlClass(params), "TLabEdit");
  EXPECT_EQ(GetControlText(params), "a b");
  EXPECT_EQ(GetDisplayMode(), "640 x 480, 24 bit");
}

TEST_F(HeaderFields, AllValuesInFieldOrder) {
  testing::TFakeCrashGui gui;
  const std::array<std::string, kReportHeaderFieldCount> values = GetReportHeaderValues({});
  EXPECT_EQ(values[1], "Crash reporter tests");
  EXPECT_EQ(values[2], "1.0.0.0");
  EXPECT_EQ(values[8], "Unknown exception type.");
  EXPECT_EQ(values[14], GetComputerNameText());
  EXPECT_EQ(values[15], GetUserName());
  EXPECT_TRUE(values[16].ends_with(" Mb"));
  EXPECT_TRUE(values[18].ends_with(" Gb"));
  EXPECT_NE(values[20].find("minute"), std::string::npos);
  EXPECT_EQ(values[22], "640 x 480, 24 bit");
  EXPECT_EQ(values[23], GetWindowsVersionText());
  EXPECT_EQ(values[24], SystemBuildText());
  const TNetworkValues network = GetNetworkValues();
  EXPECT_EQ(values[27], network.IPAddress);
  EXPECT_EQ(values[32], network.DHCP);
}

}  // namespace
}  // namespace lab
