// The names of the files sent with a report, each under its option, in the private temporary
// folder, and the list a sending attaches.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "crashreport/attachments.h"
#include "crashreport/file_utils.h"
#include "crashreport/process_state.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/string_list.h"
#include "test_files.h"

namespace lab {
namespace {

using testing::Scratch;

std::vector<std::string> Lines(const TStrings& List) {
  std::vector<std::string> lines;
  for (int i = 0; i < List.Count(); ++i) lines.push_back(List.Strings(i));
  return lines;
}

class Attachments : public ::testing::Test {
 protected:
  void SetUp() override {
    TCrashProcessState& s = CrashState();
    s.CurrentOptions->SetDefaults();
    s.CurrentOptions->SetLogFilePath("/var/log/lab/app.clf");
    s.CurrentOptions->SetSendFlags(0);
    s.ExceptionRecord.Options = s.CurrentOptions.get();
    s.CurrentException = &s.ExceptionRecord;
    s.ExceptionTime = EncodeDate(2024, 1, 31) + EncodeTime(23, 59, 59, 0);
  }
  void TearDown() override {
    ResetExceptionState();
    CrashState().CurrentOptions->SetDefaults();
  }

  TCrashModuleOptions& Options() { return *CrashState().CurrentOptions; }

  const std::string dir = Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
  testing::TEnv tmpdir{"TMPDIR", dir.c_str()};
  const std::string temp = dir + "/crashlog-" + std::to_string(::getuid()) + "/";
};

TEST_F(Attachments, EachNameUnderItsOptionInThePrivateFolder) {
  using TName = std::string (*)();
  const struct {
    const char* Name;
    TName Get;
    std::uint16_t SendFlags;
    bool AttachChecked, PageCaptured;
    const char* File;  // nullptr: empty
  } cases[] = {
      {"screenshot", GetScreenshotFileName, 1 << 4, false, false, "Screenshot.png"},
      {"screenshot, off", GetScreenshotFileName, 0xFFFF & ~(1 << 4), true, true, nullptr},
      {"attached screenshot", GetAttachedScreenshotFileName, 1 << 4, true, false, "Screenshot.png"},
      {"attached screenshot, not chosen", GetAttachedScreenshotFileName, 1 << 4, false, false, nullptr},
      {"attached screenshot, off", GetAttachedScreenshotFileName, 0, true, false, nullptr},
      {"temporary log", GetTempLogFileName, 0, false, false, "app.clf"},
      {"packed files", GetCompressedFilesName, 0, false, false, "CompressFiles.tgz"},
      {"web page", GetLastHTMLPageFileName, 1 << 6, false, false, "LastHTMLPage.html"},
      {"web page, off", GetLastHTMLPageFileName, 0xFFFF & ~(1 << 6), true, true, nullptr},
      {"saved web page", GetSavedHTMLPageFileName, 1 << 6, false, true, "LastHTMLPage.html"},
      {"saved web page, none captured", GetSavedHTMLPageFileName, 1 << 6, false, false, nullptr},
      {"XML log", GetXMLLogFileName, 1 << 3, false, false, "app.xml"},
      {"XML log, off", GetXMLLogFileName, 0xFFFF & ~(1 << 3), true, true, nullptr},
  };
  for (const auto& c : cases) {
    Options().SetSendFlags(c.SendFlags);
    CrashState().AttachChecked = c.AttachChecked;
    CrashState().LastHTMLPage = c.PageCaptured ? "<html></html>" : "";
    EXPECT_EQ(c.Get(), c.File ? temp + c.File : std::string()) << c.Name;
  }
  struct stat st;
  ASSERT_EQ(::lstat(temp.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  // The temporary log and the XML log take the log file's name (here with the computer's).
  Options().SetSendFlags(1 << 3);
  Options().SetLogFlags(1 << 3);
  EXPECT_EQ(ExtractFileName(GetTempLogFileName()).rfind("app_", 0), 0u);
  EXPECT_EQ(ChangeFileExt(GetTempLogFileName(), ".xml"), GetXMLLogFileName());
}

TEST_F(Attachments, NoNameWithoutAPrivateFolder) {
  // A folder of that name that others may open is refused, and nothing is put anywhere else.
  ASSERT_EQ(::mkdir(temp.c_str(), 0777), 0);
  ASSERT_EQ(::chmod(temp.c_str(), 0777), 0);
  Options().SetSendFlags(0xFFFF);
  Options().SetAttachedFiles("/srv/lab/a.txt");
  CrashState().AttachChecked = true;
  CrashState().LastHTMLPage = "<html></html>";
  for (const std::string& name : {GetScreenshotFileName(), GetAttachedScreenshotFileName(), GetTempLogFileName(),
                                  GetCompressedFilesName(), GetLastHTMLPageFileName(), GetSavedHTMLPageFileName(),
                                  GetXMLLogFileName()})
    EXPECT_EQ(name, "");
  TStringList list;
  GetAttachedFiles(0, &list);
  EXPECT_EQ(Lines(list), std::vector<std::string>{"/srv/lab/a.txt"});
}

TEST_F(Attachments, AttachedFilesForEachOption) {
  const std::string log = temp + "app.clf", shot = temp + "Screenshot.png", page = temp + "LastHTMLPage.html",
                    xml = temp + "app.xml";
  const struct {
    const char* Name;
    int Mode;
    bool InBody;
    std::uint16_t SendFlags;
    bool AttachChecked, PageCaptured;
    std::vector<std::string> Files;  // after the two of AttachedFiles
  } cases[] = {
      {"upload", 0, false, 0, false, false, {log}},
      {"upload, report in the body", 0, true, 0, false, false, {log}},
      {"e-mail", 1, false, 0, false, false, {log}},
      {"e-mail, report in the body", 2, true, 0, false, false, {}},
      {"screenshot", 1, false, 1 << 4, true, false, {log, shot}},
      {"screenshot not chosen", 1, false, 1 << 4, false, false, {log}},
      {"screenshot chosen, off", 1, false, 0, true, false, {log}},
      {"web page", 0, false, 1 << 6, false, true, {log, page}},
      {"web page, none captured", 0, false, 1 << 6, false, false, {log}},
      {"XML log", 3, true, 1 << 3, false, false, {xml}},
      {"everything", 0, true, (1 << 3) | (1 << 4) | (1 << 6), true, true, {log, shot, page, xml}},
  };
  // Blanks around the names, two separators in a row and one at the end.
  Options().SetAttachedFiles("  /srv/lab/one.txt ;; /srv/lab/two words.txt ; ");
  for (const auto& c : cases) {
    Options().SetReportInMessageBody(c.InBody);
    Options().SetSendFlags(c.SendFlags);
    CrashState().AttachChecked = c.AttachChecked;
    CrashState().LastHTMLPage = c.PageCaptured ? "<html></html>" : "";
    TStringList list;
    list.Add("left over");
    GetAttachedFiles(c.Mode, &list);
    std::vector<std::string> expected = {"/srv/lab/one.txt", "/srv/lab/two words.txt"};
    expected.insert(expected.end(), c.Files.begin(), c.Files.end());
    EXPECT_EQ(Lines(list), expected) << c.Name;
  }
}

TEST_F(Attachments, SplitAndStoredNames) {
  TStringList list;
  SplitString(" a ,b;; c,", &list, ",;");
  SplitString("", &list, ";");
  SplitString("d", &list, "");
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c", "d"}));

  EXPECT_EQ(AddTimeStampToFileName("/var/log/lab/app.clf"), "app.clf");
  Options().SetSendFlags(1 << 8);
  EXPECT_EQ(AddTimeStampToFileName("/var/log/lab/app.clf"), "app_20240131235959.clf");
  EXPECT_EQ(AddTimeStampToFileName("/var/log/lab.d/README"), "README_20240131235959");
  EXPECT_EQ(AddTimeStampToFileName("CompressFiles.tar.tgz"), "CompressFiles.tar_20240131235959.tgz");
}

}  // namespace
}  // namespace lab
