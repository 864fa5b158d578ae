// The files sent with a report: each under its option, in the private temporary folder or nowhere,
// and the list an upload or an e-mail attaches.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "crashreport/files/attachments.h"
#include "crashreport/process_state.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/string_list.h"
#include "test_files.h"

namespace lab {
namespace {

class Attachments : public ::testing::Test {
 protected:
  void SetUp() override {
    TCrashProcessState& s = CrashState();
    s.CurrentOptions->SetLogFilePath("/var/log/lab/app.clf");
    s.ExceptionRecord.Options = s.CurrentOptions.get();
    s.CurrentException = &s.ExceptionRecord;
    s.ExceptionTime = EncodeDate(2024, 1, 31) + EncodeTime(23, 59, 59, 0);
    // Blanks around the names, two separators in a row and one at the end.
    s.CurrentOptions->SetAttachedFiles("  /srv/one.txt ;; /srv/two words.txt ; ");
  }
  void TearDown() override {
    ResetExceptionState();
    CrashState().CurrentOptions->SetDefaults();
  }
  std::vector<std::string> Attached(int Mode, bool InBody, std::uint16_t SendFlags, bool Chosen, bool Page) {
    CrashState().CurrentOptions->SetReportInMessageBody(InBody);
    CrashState().CurrentOptions->SetSendFlags(SendFlags);
    CrashState().AttachChecked = Chosen;
    CrashState().LastHTMLPage = Page ? "<html></html>" : "";
    TStringList list;
    list.Add("left over");
    GetAttachedFiles(Mode, &list);
    std::vector<std::string> files;
    for (int i = 0; i < list.Count(); ++i) files.push_back(list.Strings(i));
    return files;
  }

  const std::string dir = testing::Scratch(::testing::UnitTest::GetInstance()->current_test_info()->name());
  testing::TEnv tmpdir{"TMPDIR", dir.c_str()};
  // The report's own folder in the private temporary folder.
  const std::string temp = [] {
    RemoveReportFolder();
    return GetReportFolder();
  }();
};

TEST_F(Attachments, ForEachOption) {
  const std::string log = temp + "app.clf", shot = temp + "Screenshot.png", page = temp + "LastHTMLPage.html",
                    xml = temp + "app.xml";
  const std::uint16_t all = 0xFFFF & ~(1 << 8);
  const struct {
    int Mode;  // 0 upload, else e-mail
    bool InBody;
    std::uint16_t SendFlags;
    bool Chosen, Page;  // the screenshot attached in the dialog, a web page captured
    std::vector<std::string> Files;
  } cases[] = {
      {0, false, 0, true, true, {log}},
      {0, true, 0, false, false, {log}},
      {1, false, 0, false, false, {log}},
      {2, true, 0, false, false, {}},
      {1, false, 1 << 4, true, false, {log, shot}},
      {1, false, 1 << 4, false, false, {log}},
      {0, false, 1 << 6, false, true, {log, page}},
      {0, false, 1 << 6, false, false, {log}},
      {3, true, 1 << 3, false, false, {xml}},
      {0, true, all, true, true, {log, shot, page, xml}},
      {0, true, all & ~((1 << 3) | (1 << 4) | (1 << 6)), true, true, {log}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> expected = {"/srv/one.txt", "/srv/two words.txt"};
    expected.insert(expected.end(), c.Files.begin(), c.Files.end());
    EXPECT_EQ(Attached(c.Mode, c.InBody, c.SendFlags, c.Chosen, c.Page), expected)
        << c.Mode << c.InBody << " " << std::hex << c.SendFlags << " " << c.Chosen << c.Page;
  }
  // The screenshot's and the web page's names stand without the user's choice or a page; the packed
  // files' always. The folder is the user's alone.
  CrashState().CurrentOptions->SetSendFlags(all);
  CrashState().AttachChecked = false;
  EXPECT_EQ(GetScreenshotFileName(), shot);
  CrashState().LastHTMLPage.clear();
  EXPECT_EQ(GetLastHTMLPageFileName(), page);
  EXPECT_EQ(GetCompressedFilesName(), temp + "CompressFiles.tgz");
  struct stat st;
  ASSERT_EQ(::lstat(temp.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(Attachments, NoNameWithoutAPrivateFolder) {
  // A private folder that others may open is refused, and nothing is put anywhere else.
  RemoveReportFolder();
  ASSERT_EQ(::chmod(dir.c_str(), 0700), 0);
  ASSERT_EQ(::chmod((dir + "/crashlog-" + std::to_string(::getuid())).c_str(), 0777), 0);
  EXPECT_EQ(Attached(0, false, 0xFFFF, true, true), (std::vector<std::string>{"/srv/one.txt", "/srv/two words.txt"}));
  EXPECT_EQ(GetCompressedFilesName() + GetScreenshotFileName() + GetTempLogFileName(), "");
}

TEST_F(Attachments, SplitAndStoredNames) {
  TStringList list;
  SplitString(" a ,b;; c,", &list, ",;");
  SplitString("d", &list, "");
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(AddTimeStampToFileName("/var/log/lab/app.clf"), "app.clf");
  CrashState().CurrentOptions->SetSendFlags(kSendDatedNames);
  EXPECT_EQ(AddTimeStampToFileName("/var/log/lab/app.clf"), "app_20240131235959.clf");
  EXPECT_EQ(AddTimeStampToFileName("/var/log/lab.d/README"), "README_20240131235959");
}

}  // namespace
}  // namespace lab
