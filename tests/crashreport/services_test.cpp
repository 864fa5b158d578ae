#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "crashreport/codec/file_utils.h"
#include "crashreport/files/ini_settings.h"
#include "crashreport/internal_warning.h"
#include "crashreport/capture/last_exception.h"
#include "crashreport/process_state.h"
#include "crashreport/report/system_utils.h"
#include "fake_crash_gui.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/ini_file.h"
#include "tests/common/file_size_limit.h"

namespace lab {
namespace {

// Sets an environment variable for one test.
class TEnvironment {
 public:
  TEnvironment(const char* Name, const std::string& Value) : name_(Name) {
    if (const char* old = std::getenv(Name)) old_ = old, had_ = true;
    ::setenv(Name, Value.c_str(), 1);
    ::tzset();
  }
  ~TEnvironment() {
    if (had_) ::setenv(name_, old_.c_str(), 1);
    else ::unsetenv(name_);
    ::tzset();
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

std::string ReadFile(const std::string& Name) {
  std::ifstream in(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string NewFolder(const std::string& Name) {
  const std::string folder = std::string(LAB_BUILD_DIR) + "/services-" + Name + "-" + std::to_string(::getpid());
  ForceFolders(folder);
  return folder;
}

TEST(InternalWarning, IsRecordedAndTracedOnce) {
  ClearInternalWarning();
  CrashState().ExceptionRecord.ExceptionAddress = reinterpret_cast<const void*>(0x7f12345678ab);
  ::testing::internal::CaptureStderr();
  ShowInternalWarning(eeLogError, "Log");
  const std::string traced = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(traced, "[WARNING] - Code: eeLogError - Address: 00007F12345678AB - Message: \"Log\"\n");
  EXPECT_EQ(InternalWarningCode(), eeLogError);
  EXPECT_EQ(InternalWarningText(), "Log");
  ClearInternalWarning();
  EXPECT_EQ(InternalWarningCode(), eeNone);
  EXPECT_EQ(InternalWarningText(), "");
  ResetExceptionState();
}

TEST(InternalWarning, SectionErrorsNameTheSectionAndTheMessage) {
  ::testing::internal::CaptureStderr();
  try {
    throw EConvertError("Bad number");
  } catch (...) {
    ReportSectionError(eeShowError, "705");
  }
  EXPECT_EQ(InternalWarningText(), "[705] Bad number");
  try {
    throw 42;
  } catch (...) {
    ReportSectionError(eeShowError, "GUI");
  }
  EXPECT_EQ(InternalWarningText(), "General 'GUI' error.");
  EXPECT_EQ(InternalWarningCode(), eeShowError);
  ::testing::internal::GetCapturedStderr();
  ClearInternalWarning();
}

TEST(InternalWarning, SendingFailuresShowABoxOnlyWhileTheProgressDialogIsUp) {
  testing::TFakeCrashGui gui;
  gui.Display = true;
  ::testing::internal::CaptureStderr();
  ShowInternalWarning(eeEmailSMTPError, "No server");  // no progress dialog
  CrashState().SendProgressWindow = testing::TFakeCrashGui::Handle(9);
  ShowInternalWarning(eeLogError, "Log");  // not a sending failure
  ShowInternalWarning(eeWebHTTPError, "HTTP 500");
  ::testing::internal::GetCapturedStderr();
  ASSERT_EQ(gui.Boxes.size(), 1u);
  EXPECT_EQ(gui.Boxes[0].Text, "HTTP 500");
  EXPECT_EQ(gui.Boxes[0].Caption, "Error.");
  EXPECT_EQ(gui.Boxes[0].Flags, 0x242010u);
  ResetExceptionState();
  ClearInternalWarning();
}

TEST(IniFile, RoundTripWithOddNamesAndMissingKeys) {
  const std::string folder = NewFolder("ini");
  const std::string file = folder + "/odd.ini";
  std::remove(file.c_str());
  EXPECT_EQ(ReadIniString(file, "Coordinates", "Left", "none"), "none");  // no file yet
  WriteIniString(file, "Coordinates", "Left", "120");
  WriteIniString(file, "Co-ordinates [old]", "Top Edge", "a=b; c");
  WriteIniString(file, "Fenêtre", "Größe", "groß");
  WriteIniString(file, "COORDINATES", "LEFT", "130");  // names compare without case
  EXPECT_EQ(ReadIniString(file, "coordinates", "left", ""), "130");
  EXPECT_EQ(ReadIniString(file, "Co-ordinates [old]", "top edge", ""), "a=b; c");
  EXPECT_EQ(ReadIniString(file, "Fenêtre", "Größe", ""), "groß");
  EXPECT_EQ(ReadIniString(file, "Coordinates", "Width", "640"), "640");
  EXPECT_EQ(ReadIniString(file, "Missing", "Left", "x"), "x");
  // A key that would not read back is not written, and the file keeps what it had.
  WriteIniString(file, "Coordinates", "Bad=Name", "1");
  WriteIniString(file, "Coordinates", "Left", "two\r\nlines");
  EXPECT_EQ(ReadIniString(file, "Coordinates", "Left", ""), "130");
  EXPECT_EQ(ReadIniString(file, "Coordinates", "Bad", "none"), "none");
  EXPECT_EQ(ReadFile(file).find("Coordinates]\r\nLeft=130\r\n") != std::string::npos, true);
}

TEST(IniFile, ValuesAreCutAt2048Characters) {
  const std::string file = NewFolder("long") + "/long.ini";
  const std::string long_value(3000, 'x');
  WriteIniString(file, "S", "K", long_value);
  EXPECT_EQ(ReadIniString(file, "S", "K", "").size(), 2048u);
}

TEST(IniFile, AFailedSaveKeepsTheOldFile) {
  const std::string folder = NewFolder("keep");
  const std::string file = folder + "/keep.ini";
  TMemIniFile ini(file);
  ini.WriteString("Coordinates", "Left", "1");
  ini.UpdateFile();
  ini.WriteString("Coordinates", "Left", "2");
  for (int i = 0; i < 2000; ++i) ini.WriteString("Filler", "Value" + std::to_string(i), "more than the disk holds");
  {
    const testing::TFileSizeLimit disk(16 * 1024);
    EXPECT_THROW(ini.UpdateFile(), EWriteError);
  }
  EXPECT_EQ(TMemIniFile(file).ReadString("Coordinates", "Left", ""), "1");
}

TEST(IniFile, ABareNameLivesInTheSettingsFolder) {
  const std::string folder = NewFolder("config");
  const std::string state = NewFolder("state");
  TEnvironment config("XDG_CONFIG_HOME", folder);
  TEnvironment state_home("XDG_STATE_HOME", state);
  WriteIniString("CrashLog.ini", "Coordinates", "Top", "33");
  EXPECT_NE(ReadFile(folder + "/CrashLog.ini").find("Top=33"), std::string::npos);
  EXPECT_EQ(ReadIniString("CrashLog.ini", "Coordinates", "Top", ""), "33");

  // A settings folder that cannot be written sends the file to the per-user crash-report folder
  // (the superuser writes everywhere, so this half needs an ordinary user).
  if (::geteuid() == 0) return;
  const std::string locked = NewFolder("locked");
  ::chmod(locked.c_str(), 0500);
  TEnvironment locked_config("XDG_CONFIG_HOME", locked);
  WriteIniString("CrashLog.ini", "Coordinates", "Top", "44");
  EXPECT_NE(ReadFile(state + "/CrashLog/CrashLog.ini").find("Top=44"), std::string::npos);
  EXPECT_EQ(ReadIniString("CrashLog.ini", "Coordinates", "Top", ""), "44");
  ::chmod(locked.c_str(), 0700);
}

TEST(MailDate, CarriesTheZoneOfTheLocalTime) {
  const TDateTime winter = EncodeDate(2024, 1, 9) + EncodeTime(14, 5, 9, 0);
  {
    TEnvironment tz("TZ", "America/New_York");
    EXPECT_EQ(FormatMailDate(winter), "Tue, 9 Jan 2024 14:05:09 -0500");
  }
  {
    TEnvironment tz("TZ", "<+02>-2");
    EXPECT_EQ(FormatMailDate(EncodeDate(2023, 12, 31) + EncodeTime(23, 59, 59, 0)), "Sun, 31 Dec 2023 23:59:59 +0200");
  }
  {
    TEnvironment tz("TZ", "Asia/Kolkata");
    EXPECT_EQ(FormatMailDate(EncodeDate(2024, 7, 6) + EncodeTime(0, 0, 1, 0)), "Sat, 6 Jul 2024 00:00:01 +0530");
  }
}

TEST(VersionText, NamesTheDistributionAndTheKernel) {
  EXPECT_EQ(OsReleaseValue("NAME=Debian\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "PRETTY_NAME"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsReleaseValue("PRETTY_NAME='single $quoted'", "PRETTY_NAME"), "single $quoted");
  EXPECT_EQ(OsReleaseValue("PRETTY_NAME=\"a \\\"b\\\" \\\\c\"", "PRETTY_NAME"), "a \"b\" \\c");
  EXPECT_EQ(OsReleaseValue("PRETTY_NAME=plain\r\n", "PRETTY_NAME"), "plain");
  EXPECT_EQ(OsReleaseValue("PRETTY_NAME_X=no\nNAME=x", "PRETTY_NAME"), "");
  EXPECT_EQ(OsReleaseValue("PRETTY_NAME=\"unended", "PRETTY_NAME"), "unended");

  const std::string text = GetWindowsVersionText();
  const std::string release = ReadFile("/proc/sys/kernel/osrelease");
  ASSERT_FALSE(release.empty());
  EXPECT_EQ(text.substr(text.size() - (release.size() + 2)), " (" + release.substr(0, release.size() - 1) + ")")
      << text;
  const std::string os = ReadFile("/etc/os-release");
  if (!os.empty()) {
    EXPECT_EQ(text.rfind(OsReleaseValue(os, "PRETTY_NAME"), 0), 0u) << text;
  }
}

TEST(LastException, KeepsTheLastSeenAndTheCurrent) {
  ClearLastExceptionInfo();
  auto* error = new EConvertError("x");
  std::uint64_t code = 0;  // a word that is no object
  StoreLastExceptionInfo(error, &typeid(EConvertError), &code, true);
  StoreLastExceptionInfo(nullptr, nullptr, nullptr, false);  // the current record is replaced...
  EXPECT_EQ(LastExceptionInfo().Object, nullptr);
  EXPECT_EQ(GetLastExceptionObject(), error);  // ...the last seen ones only by something
  EXPECT_EQ(GetLastExceptionAddress(), &code);
  SetLastExceptionObject(&code);  // not an object
  EXPECT_EQ(GetLastExceptionObject(), nullptr);
  delete error;
  ClearLastExceptionInfo();
  EXPECT_EQ(GetLastExceptionAddress(), nullptr);

  CrashState().ExceptionMessageText = "Printable.";
  EXPECT_EQ(GetExceptionMessageText(), "Printable.");
  SetExceptionMessageReplacement("Shown instead.");
  EXPECT_EQ(GetExceptionMessageText(), "Shown instead.");
  SetExceptionMessageReplacement("");
  ResetExceptionState();
}

TEST(ResourceData, ComesFromTheRunningModule) {
  std::size_t size = 1;
  EXPECT_EQ(GetResourceData(nullptr, "NO_SUCH_RESOURCE", "RCDATA", size), nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(GetResourceData(reinterpret_cast<const void*>(&::printf), "DOWNCURX", "CURSOR", size), nullptr);
  const void* cursor = GetResourceData(nullptr, "downcurx", "cursor", size);
  ASSERT_NE(cursor, nullptr);
  EXPECT_EQ(size, ReadFile(std::string(LAB_TEST_DATA_DIR) + "/../../resources/cursor/DOWNCURX.cur").size());
  EXPECT_EQ(GetResourceData(reinterpret_cast<const void*>(&ReadFile), "DOWNCURX", "CURSOR", size), cursor);
}

}  // namespace
}  // namespace lab
