// What the exception dialog decides before it draws: its choices and bottom area, its pages, its
// placement kept between runs, and the rows of its two lists.

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "crashreport/dialogs/dialog_lists.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/files/ini_settings.h"
#include "crashreport/dialogs/list_view_items.h"
#include "tests/crashreport/test_files.h"

namespace lab {
namespace {

using testing::Scratch;
using testing::TEnv;

TEST(DialogChoices, BottomAreaFollowsTheChoicesOffered) {
  struct {
    int EmailMode, WebMode;
    std::uint16_t SendFlags;
    std::uint8_t DialogOptions;
    const char* SupportURL;
    bool Duplicate;
    bool CanSend, CanAttach, Copy, Link;
    int Bottom;
  } cases[] = {
      // nothing offered
      {kEmailSendNone, kWebSendNone, kSendScreenshot, 0, "  ", false, false, false, false, false, 0},
      {kEmailSendSMTPServer, kWebSendNone, 0, 0, "", false, true, false, false, false, 20},
      {kEmailSendNone, kWebSendHTTP, kSendScreenshot, 0, "", false, true, true, false, false, 34},
      // a duplicate is not sent again
      {kEmailSendSMTPServer, kWebSendNone, kSendScreenshot, 0, "", true, false, false, false, false, 0},
      {kEmailSendNone, kWebSendNone, 0, kDialogCopyOption, "", false, false, false, true, false, 20},
      {kEmailSendNone, kWebSendNone, 0, kDialogCopyOption, "https://x", false, false, false, true, true, 34},
      {kEmailSendNone, kWebSendNone, 0, 0, "https://x", false, false, false, false, true, 20},
      {kEmailSendSMTPDirect, kWebSendNone, kSendScreenshot, kDialogCopyOption, "https://x", false, true, true, true,
       true, 34},
  };
  for (const auto& c : cases) {
    TCrashModuleOptions o("prog", false);
    o.SetEmailSendMode(static_cast<std::uint8_t>(c.EmailMode));
    o.SetWebSendMode(static_cast<std::uint8_t>(c.WebMode));
    o.SetSendFlags(c.SendFlags);
    o.SetDialogOptions(c.DialogOptions);
    o.SetSupportURL(c.SupportURL);
    const TDialogChoices got = GetDialogChoices(o, c.Duplicate);
    SCOPED_TRACE(::testing::Message() << c.EmailMode << c.WebMode << " " << c.SendFlags << " " << int(c.DialogOptions));
    EXPECT_EQ(got.CanSend, c.CanSend);
    EXPECT_EQ(got.CanAttachScreenshot, c.CanAttach);
    EXPECT_EQ(got.ShowCopyOption, c.Copy);
    EXPECT_EQ(got.ShowSupportLink, c.Link);
    EXPECT_EQ(got.BottomHeight, c.Bottom);
  }
}

TEST(DialogChoices, TerminateShowsFromTheFourthErrorAndDetailsCaptionTurns) {
  TCrashModuleOptions o("prog", false);
  EXPECT_FALSE(TerminateButtonShown(o, 3));
  EXPECT_TRUE(TerminateButtonShown(o, 4));
  o.SetTerminateAfterErrors(false);
  EXPECT_FALSE(TerminateButtonShown(o, 100));
  EXPECT_EQ(DetailsCaption(o, false), "&Details >>");
  EXPECT_EQ(DetailsCaption(o, true), "<< &Details");
}

TEST(DialogPages, HiddenPagesMoveTheTabsAndTheFirstPageFallsBackToGeneral) {
  TCrashModuleOptions o("prog", false);
  o.SetLogFlags(kLogCpu);  // without modules
  std::vector<TDialogPage> pages = DialogPages(o, false);
  EXPECT_EQ(pages, (std::vector<TDialogPage>{dpGeneral, dpCallStack, dpCpu}));
  o.SetDialogFirstPage(3);
  EXPECT_EQ(FirstTab(o, pages), 2);
  EXPECT_STREQ(PageTemplate(pages[2]), "CR_TAB_CPU");
  EXPECT_EQ(PageHeader(o, pages[2]), "CPU Information");
  EXPECT_EQ(PageCaption(o, pages[2]), "CPU");
  o.SetDialogFirstPage(4);  // no custom data: no such tab
  EXPECT_EQ(FirstTab(o, pages), 0);
  o.SetDialogFirstPage(2);  // modules hidden
  EXPECT_EQ(FirstTab(o, pages), 0);

  o.SetLogFlags(kLogModules | kLogCpu);
  pages = DialogPages(o, true);
  ASSERT_EQ(pages.size(), 5u);
  o.SetDialogFirstPage(0x84);  // only the low 7 bits count
  EXPECT_EQ(FirstTab(o, pages), 4);
  EXPECT_EQ(PageHeader(o, dpCustomData), "Other Information");
  o.SetDialogFirstPage(0x7F);
  EXPECT_EQ(FirstTab(o, pages), 0);
}

class DialogPlacementTest : public ::testing::Test {
 protected:
  // A folder per test: ctest runs them side by side.
  DialogPlacementTest()
      : config_("XDG_CONFIG_HOME",
                Scratch(std::string("dialog_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()).c_str()) {}
  void Put(const char* Key, const char* Value) { WriteIniString(kDialogIniFile, kPlacementSection, Key, Value); }
  std::string Get(const char* Key) { return ReadIniString(kDialogIniFile, kPlacementSection, Key, "none"); }
  TEnv config_;
};

TEST_F(DialogPlacementTest, DefaultsAreCentredAndSavedValuesStayOnTheScreen) {
  const TRect screen{0, 0, 1920, 1080};
  TDialogPlacement p = ReadDialogPlacement(34, screen);
  EXPECT_EQ(p.Width, 745);
  EXPECT_EQ(p.Height, 468);
  EXPECT_EQ(p.Left, (1920 - 745) / 2);
  EXPECT_EQ(p.Top, (1080 - 468 - 34) / 2);
  EXPECT_EQ(p.WindowsState, 1);

  Put("Left", "5000");
  Put("Top", "-20");
  Put("Width", "300");
  p = ReadDialogPlacement(20, TRect{0, 0, 800, 600});
  EXPECT_EQ(p.Left, 800 - 300);
  EXPECT_EQ(p.Top, 0);

  Put("Top", "590");  // its bottom area counts too
  Put("Height", "x12");  // not a number: the default
  p = ReadDialogPlacement(20, TRect{0, 0, 800, 600});
  EXPECT_EQ(p.Height, 468);
  EXPECT_EQ(p.Top, 600 - 468 - 20);

  Put("Width", "2000");  // wider than the screen: starts at its left edge
  p = ReadDialogPlacement(0, TRect{0, 0, 800, 600});
  EXPECT_EQ(p.Left, 0);
}

TEST_F(DialogPlacementTest, SavedOnlyOnceRecordedAndTheSizeOnlyInTheNormalState) {
  TDialogPlacement p{600, 400, 10, 20, 1, false};
  SaveDialogPlacement(p);
  EXPECT_EQ(Get("Width"), "none");
  p.Recorded = true;
  SaveDialogPlacement(p);
  EXPECT_EQ(Get("Width"), "600");
  EXPECT_EQ(Get("Top"), "20");
  p.Width = 900;
  p.WindowsState = 3;
  SaveDialogPlacement(p);
  EXPECT_EQ(Get("Width"), "600");
  EXPECT_EQ(Get("WindowsState"), "3");
  const TDialogPlacement back = ReadDialogPlacement(0, TRect{0, 0, 1920, 1080});
  EXPECT_EQ(back.WindowsState, 3);
  EXPECT_EQ(back.Width, 600);
}

TEST_F(DialogPlacementTest, ColumnWidthsComeBackUnderTheirKeys) {
  TCrashModuleOptions o("prog", false);
  std::vector<TDialogListColumn> columns = ModuleColumns(o);
  ASSERT_EQ(columns.size(), 7u);
  EXPECT_EQ(columns[5].Caption, "Modified");
  EXPECT_EQ(columns[5].WidthKey, "ColMod6");  // the path's and the time's keys are crossed
  EXPECT_EQ(columns[6].Width, 712);
  EXPECT_EQ(columns[3].Alignment, taRightJustify);
  SaveColumnWidths(columns, {1, 2, 3, 4, 5, 66, 77});
  Put("ColMod2", "wide");
  columns = ModuleColumns(o);
  EXPECT_EQ(columns[5].Width, 66);
  EXPECT_EQ(columns[6].Width, 77);
  EXPECT_EQ(columns[2].Width, 175);
  EXPECT_EQ(Get("ColMod5"), "77");

  const std::vector<TDialogListColumn> stack = CallStackColumns(o);
  ASSERT_EQ(stack.size(), 6u);
  EXPECT_EQ(stack[4].Caption, "Procedure/Method");
  EXPECT_EQ(stack[5].Alignment, taRightJustify);
  EXPECT_EQ(stack[0].Width, 89);
}

std::unique_ptr<TCrashDebugInfo> Entry(std::uint32_t Thread, std::uint8_t Kind, std::int32_t Line,
                                       std::shared_ptr<const TCrashModuleInfo> Module = nullptr) {
  auto e = std::make_unique<TCrashDebugInfo>();
  e->ThreadID = Thread;
  e->ThreadKind = 1;
  e->Kind = Kind;
  e->Line = Line;
  e->LineOffset = 7;
  e->Address = 0x401000 + Thread;
  e->UnitName = "unit.cpp";
  e->ProcedureName = "Run";
  e->Module = std::move(Module);
  return e;
}

TEST(DialogLists, CallStackRowsHeadEachThreadAndFollowTheFilter) {
  auto program = std::make_shared<TCrashModuleInfo>();
  program->FileName = "/opt/lab/prog";
  program->Kind = 1;
  program->Values[0] = 11;
  program->Values[1] = 22;
  auto library = std::make_shared<TCrashModuleInfo>();
  library->FileName = "/usr/lib/libx.so.1";
  library->Kind = 3;
  TCrashStackList stack;
  stack.Add(Entry(1, dkSourceLine, 12, program));
  stack.Add(Entry(1, dkDecorated, 0, program));  // a decorated name in the program itself: skipped
  stack.Add(Entry(1, dkDecorated, 0, library));
  stack.Add(Entry(2, dkSourceLine, 0));
  TCrashModuleOptions o("prog", false);
  o.SetCallStackOptions(kCallStackDecoratedNames | kCallStackLineOffsets);
  const std::vector<TDialogListRow> rows = CallStackRows(stack, o);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_TRUE(rows[0].Heading);
  EXPECT_FALSE(rows[0].Caption.empty());
  EXPECT_EQ(rows[1].Texts, (std::vector<std::string>{"0000000000401001", "prog", "unit.cpp", "", "Run", "12[7]"}));
  EXPECT_EQ(rows[1].Image, liSource);
  EXPECT_EQ(rows[1].ModuleValues[1], 22u);
  EXPECT_EQ(rows[2].Texts[1], "libx.so.1");
  EXPECT_EQ(rows[2].Image, liDll);
  EXPECT_EQ(rows[2].Texts[5], "");
  EXPECT_FALSE(rows[3].Heading);  // the empty row between threads
  EXPECT_EQ(rows[3].Texts, std::vector<std::string>{""});
  EXPECT_TRUE(rows[4].Heading);
  EXPECT_EQ(rows[5].Texts[1], "");  // no module
  EXPECT_EQ(rows[5].Texts[5], "");  // line 0 shows nothing, not even its offset

  o.SetCallStackOptions(0);  // source lines only, no offsets
  const std::vector<TDialogListRow> plain = CallStackRows(stack, o);
  ASSERT_EQ(plain.size(), 5u);
  EXPECT_EQ(plain[1].Texts[5], "12");
}

TEST(DialogLists, ModuleRowsShortenVersionsAndRoundSizes) {
  EXPECT_EQ(ShortVersion("1.2.3.4"), "1.2.x");
  EXPECT_EQ(ShortVersion("1.2."), "1.2.x");
  EXPECT_EQ(ShortVersion("1.2"), "1.2");
  EXPECT_EQ(ShortVersion(""), "");
  EXPECT_EQ(SizeInKb(0), "0 Kb");
  EXPECT_EQ(SizeInKb(1536), "2 Kb");  // half rounds to even
  EXPECT_EQ(SizeInKb(2560), "2 Kb");
  EXPECT_EQ(SizeInKb(2561), "3 Kb");

  TCrashModulesList modules;
  auto m = std::make_shared<TCrashModuleInfo>();
  m->Handle = 0x7F0000001000;
  m->FileName = "/opt/lab/tools.pkg";
  m->Version = "3.1.4.1";
  m->Size = 4096;
  modules.Add(m);
  const std::vector<TDialogListRow> rows = ModuleRows(modules);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Texts, (std::vector<std::string>{"00007F0000001000", "tools.pkg", "", "3.1.x", "4 Kb", "",
                                                     "/opt/lab"}));
  EXPECT_EQ(rows[0].Image, liPackage);
}

TEST(DialogLists, SourceNoticeLayoutAndDelivery) {
  TDialogListRow row;
  row.Texts = {"0000000000401000", "prog", std::string(120, 'u'), "TJob", "Run", "42[3]"};
  row.ModuleValues[0] = 0x01020304;
  row.ModuleValues[1] = 5;
  const TSourceNotice n = MakeSourceNotice("/opt/lab/prog", row);
  EXPECT_STREQ(reinterpret_cast<const char*>(n.data()), "/opt/lab/prog");
  EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(n.data() + 90)), 89u);  // cut, still terminated
  EXPECT_STREQ(reinterpret_cast<const char*>(n.data() + 180), "TJob");
  EXPECT_STREQ(reinterpret_cast<const char*>(n.data() + 270), "Run");
  const auto int_at = [&](std::size_t at) {
    std::int32_t v;
    std::memcpy(&v, n.data() + at, 4);
    return v;
  };
  EXPECT_EQ(int_at(360), 42);
  EXPECT_EQ(int_at(364), 3);
  EXPECT_EQ(int_at(368), 0x01020304);
  EXPECT_EQ(int_at(372), 5);
  row.Texts[5] = "42";
  EXPECT_EQ(MakeSourceNotice("p", row)[364], 0xFF);  // no offset: -1

  // Two of the four sockets listen; the others are passed over.
  const std::string folder = Scratch("dialog_notice");
  TEnv runtime("XDG_RUNTIME_DIR", folder.c_str());
  int listeners[2];
  for (int i = 0; i < 2; ++i) {
    listeners[i] = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    const std::string path = folder + "/CrashLog" + std::to_string(i * 2 + 1);
    std::strcpy(a.sun_path, path.c_str());
    ASSERT_EQ(::bind(listeners[i], reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  }
  EXPECT_EQ(SendSourceNotice(row), 2);
  std::uint8_t got[400];
  EXPECT_EQ(::recv(listeners[1], got, sizeof got, MSG_DONTWAIT), 376);
  EXPECT_EQ(got[360], 42);
  row.Texts[5] = "";
  EXPECT_EQ(SendSourceNotice(row), 0);  // a row without a line tells nobody
  for (int s : listeners) ::close(s);
}

}  // namespace
}  // namespace lab
