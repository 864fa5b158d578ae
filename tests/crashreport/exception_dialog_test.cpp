// The exception dialog and the request for the steps to reproduce, shown on the headless back-end
// and answered through their controls.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "crashreport/dialogs/crash_dialogs.h"
#include "crashreport/crashlog.h"
#include "crashreport/event_dispatch.h"
#include "crashreport/dialogs/dialog_fonts.h"
#include "crashreport/dialogs/dialog_frame.h"
#include "crashreport/dialogs/dialog_state.h"
#include "crashreport/capture/last_exception.h"
#include "crashreport/report/report_text.h"
#include "crashreport/report/report_rtf.h"
#include "platform/controls/button.h"
#include "platform/controls/common_controls.h"
#include "platform/controls/dialog_box.h"
#include "platform/controls/messages.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/graphics/system_metrics.h"
#include "platform/rtl/scope_exit.h"
#include "crashreport/files/ini_settings.h"
#include "tests/crashreport/dialog_fixture.h"
#include "tests/crashreport/fake_crash_gui.h"
#include "tests/crashreport/test_files.h"

namespace lab::testing {
namespace {

using win::HWND;

// What a dialog asks of the desktop, kept instead of done.
class TRecordingGui : public TDisplayGui {
 public:
  int MessageBox(const std::string& Text, const std::string& Caption, win::UINT) override {
    Boxes.push_back(Caption + ": " + Text);
    return 1;
  }
  bool OpenDocument(const std::string& Url) override {
    Documents.push_back(Url);
    return true;
  }
  bool SetTimer(HWND Window, win::UINT_PTR ID, unsigned Milliseconds) override {
    Timers.push_back(static_cast<int>(ID));
    return TDisplayGui::SetTimer(Window, ID, Milliseconds);
  }
  std::intptr_t DialogBox(const std::string& Template, const TDialogProc& Proc) override {
    Shown.push_back(Template);
    return TDisplayGui::DialogBox(Template, Proc);
  }
  std::vector<std::string> Boxes, Documents, Shown;
  std::vector<int> Timers;
};

class ExceptionDialogTest : public CrashDialogTest {
 protected:
  void SetUp() override {
    CrashDialogTest::SetUp();
    SetCrashGui(&gui);
    config_ = std::make_unique<TEnv>("XDG_CONFIG_HOME",
        Scratch(std::string("exdlg_") + ::testing::UnitTest::GetInstance()->current_test_info()->name()).c_str());
    SetExceptionMessageReplacement("Access violation\r\nat 0000000000401000.");
    ResetExceptionState();
    CurrentReport() = TReportTexts{};
    CurrentReport().Header = "Report\r\n\r\n1.1 Date: today\r\n";
    CurrentReport().Report = CurrentReport().Header + "\r\nCall Stack\r\n";
  }
  void TearDown() override {
    win::SetDialogShownHook(nullptr);
    SetExceptionMessageReplacement("");
    ResetExceptionState();
    CrashState().ErrorCount = 0;
    CrashState().TerminateRequested = false;
    config_.reset();
    CrashDialogTest::TearDown();
  }
  // Shows the exception dialog, driven by Drive each time it shows; a dialog Drive leaves open
  // closes by its close box.
  void Show(std::function<void(HWND)> Drive) {
    win::SetDialogShownHook([&](HWND dialog) {
      if (gui.Shown.back() != "CR_Dialog") return;
      // Shown as a person would first see it.
      for (win::MSG m; wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE);) wm::DispatchMessage(m);
      Drive(dialog);
      if (wm::IsWindow(dialog)) wm::PostMessage(dialog, win::WM_CLOSE, 0, 0);
    });
    ShowExceptionDialog();
  }
  static HWND Item(HWND Dialog, int ID) { return win::GetDlgItem(Dialog, ID); }
  static void Click(HWND Dialog, int ID) { wm::SendMessage(Item(Dialog, ID), win::BM_CLICK, 0, 0); }
  static bool Shown(HWND Dialog, int ID) { return wm::IsWindowVisible(Item(Dialog, ID)); }
  static bool Checked(HWND Dialog, int ID) {
    return win::SendDlgItemMessage(Dialog, ID, win::BM_GETCHECK, 0, 0) == win::BST_CHECKED;
  }

  TRecordingGui gui;
  std::unique_ptr<TEnv> config_;
};

TEST_F(ExceptionDialogTest, TheChoicesAreReadBackWhenItCloses) {
  Options().SetEmailSendMode(kEmailSendSMTPServer);
  Options().SetSendFlags(kSendScreenshot);
  Options().SetDialogOptions(kDialogSendChecked | kDialogScreenshotChecked | kDialogCopyOption | kDialogDetailsButton);
  CrashState().SendChecked = CrashState().AttachChecked = true;
  Show([&](HWND d) {
    EXPECT_EQ(wm::GetWindowText(d), "Error.");
    EXPECT_EQ(wm::GetWindowText(Item(d, 101)), "Access violation\r\nat 0000000000401000.");
    EXPECT_EQ(wm::GetWindowText(Item(d, 2)), "&OK");
    EXPECT_TRUE(Checked(d, 3000));
    EXPECT_TRUE(Checked(d, 4000));
    EXPECT_TRUE(wm::IsWindowEnabled(Item(d, 4000)));
    EXPECT_FALSE(Checked(d, 5000));
    EXPECT_TRUE(Shown(d, 5000));
    EXPECT_FALSE(Shown(d, 3));  // the first error: no Terminate
    EXPECT_FALSE(Shown(d, 1000));
    Click(d, 3000);  // not sending: no screenshot either
    EXPECT_FALSE(wm::IsWindowEnabled(Item(d, 4000)));
    Click(d, 5000);
    Click(d, 2);
  });
  EXPECT_FALSE(CrashState().SendChecked);
  EXPECT_TRUE(CrashState().AttachChecked);
  EXPECT_TRUE(CrashState().CopyChecked);
  EXPECT_FALSE(CrashState().TerminateRequested);
  EXPECT_EQ(gui.Shown, std::vector<std::string>{"CR_Dialog"});
  EXPECT_TRUE(gui.Boxes.empty());
}

// Pixels of a control's area as its dialog shows them that are nearly black: its text and check mark.
int DarkPixels(HWND Dialog, HWND Control) {
  for (win::MSG m; wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE);) wm::DispatchMessage(m);
  TGdiBitmap* surface = wm::WindowSurface(Dialog);
  TRect dialog, control;
  wm::GetWindowRect(Dialog, dialog);
  wm::GetWindowRect(Control, control);
  surface->BeginDirect();
  int dark = 0;
  for (int y = control.Top; y < control.Bottom; ++y)
    for (int x = control.Left; x < control.Right; ++x) {
      const std::uint32_t p = surface->Row(y - dialog.Top)[x - dialog.Left];
      if (((p >> 16) & 0xFF) < 0x40 && ((p >> 8) & 0xFF) < 0x40 && (p & 0xFF) < 0x40) ++dark;
    }
  return dark;
}

TEST_F(ExceptionDialogTest, TheAttachBoxIsDrawnDisabledWhileNothingIsSent) {
  Options().SetEmailSendMode(kEmailSendSMTPServer);
  Options().SetSendFlags(kSendScreenshot);
  Options().SetDialogOptions(kDialogSendChecked | kDialogScreenshotChecked);
  CrashState().SendChecked = CrashState().AttachChecked = true;
  Show([&](HWND d) {
    EXPECT_GT(DarkPixels(d, Item(d, 4000)), 0);
    Click(d, 3000);
    EXPECT_EQ(DarkPixels(d, Item(d, 4000)), 0);  // greyed
    Click(d, 3000);
    EXPECT_GT(DarkPixels(d, Item(d, 4000)), 0);
    Click(d, 2);
  });
}

TEST_F(ExceptionDialogTest, NothingToOfferLeavesNoBottomAreaAndNoCheckBox) {
  Options().SetEmailSendMode(0);
  Options().SetWebSendMode(0);
  Options().SetSendFlags(0);
  Options().SetDialogOptions(0);
  Options().SetSupportURL(" ");
  Show([&](HWND d) {
    EXPECT_EQ(DialogState().Choices.BottomHeight, 0);
    for (int id : {3000, 4000, 5000, 2000, 4}) EXPECT_FALSE(Shown(d, id)) << id;
    const TRect client = CrashGui().ClientRect(d);
    const TRect ok = CrashGui().ChildBounds(Item(d, 2));
    EXPECT_EQ(client.Height() - ok.Bottom, 8);  // nothing under the buttons
    EXPECT_GE(client.Width(), 48 + 250);
  });
}

TEST_F(ExceptionDialogTest, DetailsShowThePagesAndKeepThePlacement) {
  Options().SetDialogOptions(kDialogDetailsButton);
  Options().SetLogFlags(kLogCpu);  // no modules
  Options().SetDialogFirstPage(3);
  CurrentReport().Cpu = "CPU\r\nRAX: 0000000000000001\r\n";
  TCrashStackList stack;
  auto e = std::make_unique<TCrashDebugInfo>();
  e->Kind = 4;
  e->Line = 12;
  e->ThreadID = 1;
  stack.Add(std::move(e));
  CrashState().ExceptionRecord.CallStack = &stack;
  Show([&](HWND d) {
    EXPECT_EQ(wm::GetWindowText(Item(d, 4)), "&Details >>");
    Click(d, 4);
    EXPECT_EQ(wm::GetWindowText(Item(d, 4)), "<< &Details");
    EXPECT_TRUE(Shown(d, 1000));
    EXPECT_EQ(wm::GetWindowText(Item(d, 101)), Options().GetCustomizedText(3));
    TCrashWindowInfo info;
    CrashGui().GetWindowInfo(d, info);
    EXPECT_EQ(info.Bounds.Width(), 745);
    const HWND tab = Item(d, 1000);
    EXPECT_EQ(wm::SendMessage(tab, win::TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(wm::SendMessage(tab, win::TCM_GETCURSEL, 0, 0), 2);
    HWND page = wm::GetWindow(tab, win::GW_CHILD);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(wm::GetWindowText(Item(page, 102)), "CPU Information");
    // The user picks the call stack.
    wm::SendMessage(tab, win::TCM_SETCURSEL, 1, 0);
    win::NMHDR change{tab, 1000, win::TCN_SELCHANGE};
    wm::SendMessage(d, win::WM_NOTIFY, 1000, reinterpret_cast<win::LPARAM>(&change));
    page = wm::GetWindow(tab, win::GW_CHILD);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(wm::GetWindowText(Item(page, 102)), "Call Stack Information");
    EXPECT_EQ(wm::SendMessage(Item(page, 103), win::LVM_GETITEMCOUNT, 0, 0), 2);  // its thread and its entry
    // Moved and closed in detailed mode: the placement is kept.
    wm::SetWindowPos(d, nullptr, 30, 40, 700, 500, win::SWP_NOZORDER);
    Click(d, 2);
  });
  CrashState().ExceptionRecord.CallStack = nullptr;
  EXPECT_EQ(ReadIniString("CrashLog.ini", "Coordinates", "Left", ""), "30");
  EXPECT_EQ(ReadIniString("CrashLog.ini", "Coordinates", "Width", ""), "700");
  EXPECT_EQ(ReadIniString("CrashLog.ini", "Coordinates", "Col5", ""), "61");
}

// A detailed dialog opens in the state saved for it (headless, the window takes it at once) over
// the normal place saved, or in the state the user then gives it; simple mode shows it normal, and
// detailed mode again in that state. The state is saved with the normal place, which stays.
struct TSavedStateCase {
  const char* Name;
  const char* Saved;
  win::WPARAM UserCommand;  // a WM_SYSCOMMAND once it opens, or 0
  bool Zoomed, Iconic;
  const char* SavedAfter;
};

void PrintTo(const TSavedStateCase& Case, std::ostream* Out) { *Out << Case.Name; }

class ExceptionDialogSavedState : public ExceptionDialogTest, public ::testing::WithParamInterface<TSavedStateCase> {};

TEST_P(ExceptionDialogSavedState, OpensInItAndKeepsIt) {
  const TSavedStateCase& c = GetParam();
  for (const auto& [key, value] : {std::pair{"Left", "30"}, {"Top", "40"}, {"Width", "700"}, {"Height", "400"},
                                   {"WindowsState", c.Saved}})
    WriteIniString("CrashLog.ini", "Coordinates", key, value);
  Options().SetDialogOptions(kDialogDetailsButton | kDialogOpenDetailed);
  Show([&](HWND d) {
    if (c.UserCommand) wm::SendMessage(d, win::WM_SYSCOMMAND, c.UserCommand, 0);
    for (int step : {0, 1, 2}) {  // detailed, simple, detailed
      const bool detailed = step != 1;
      EXPECT_EQ(wm::IsZoomed(d), detailed && c.Zoomed) << step;
      EXPECT_EQ(wm::IsIconic(d), detailed && c.Iconic) << step;
      win::RECT bounds;
      wm::GetWindowRect(d, bounds);
      if (detailed) {
        EXPECT_EQ(bounds.Width(), c.Zoomed ? win::GetSystemMetrics(win::SM_CXSCREEN) : 700) << step;
      }
      if (step < 2) Click(d, 4);
    }
  });
  EXPECT_EQ(ReadIniString("CrashLog.ini", "Coordinates", "WindowsState", ""), c.SavedAfter);
  EXPECT_EQ(ReadIniString("CrashLog.ini", "Coordinates", "Left", ""), "30");
  EXPECT_EQ(ReadIniString("CrashLog.ini", "Coordinates", "Width", ""), "700");
}

INSTANTIATE_TEST_SUITE_P(
    States, ExceptionDialogSavedState,
    ::testing::Values(TSavedStateCase{"Normal", "1", 0, false, false, "1"},
                      TSavedStateCase{"Maximised", "3", 0, true, false, "3"},
                      TSavedStateCase{"Minimised", "6", 0, false, true, "6"},
                      TSavedStateCase{"MaximisedByTheUser", "1", win::SC_MAXIMIZE, true, false, "3"},
                      TSavedStateCase{"RestoredByTheUser", "3", win::SC_RESTORE, false, false, "1"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

win::LOGFONT FontOf(win::HFONT Font) {
  win::LOGFONT f{};
  EXPECT_TRUE(win::GetObject(Font, &f));
  return f;
}
win::LOGFONT ItemFont(HWND Dialog, int ID) {
  return FontOf(reinterpret_cast<win::HFONT>(wm::SendMessage(win::GetDlgItem(Dialog, ID), win::WM_GETFONT, 0, 0)));
}

// 8 points and proportional lists in a western locale, 10 points and monospaced lists in another;
// the caption bold at the system's caption height, the link the message font bold and underlined.
// The report's rich text takes the fixed font's size.
TEST(DialogFonts, AreMadeForTheLocalesCharacterSet) {
  struct Case {
    const char* locale;
    int points, height;
    const char* list_face;
  };
  win::NONCLIENTMETRICS system{};
  system.cbSize = sizeof system;
  ASSERT_TRUE(win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof system, &system, 0));
  for (const Case& c : {Case{"en_US.UTF-8", 8, -11, "sans-serif"}, Case{"ru_RU.UTF-8", 10, -13, "monospace"}}) {
    SCOPED_TRACE(c.locale);
    const TEnv locale("LC_ALL", c.locale);
    const TDialogFonts fonts;
    const win::LOGFONT caption = FontOf(fonts.Caption());
    EXPECT_EQ(caption.lfHeight, system.lfCaptionFont.lfHeight);
    EXPECT_EQ(caption.lfWeight, win::FW_BOLD);
    EXPECT_EQ(caption.lfPitchAndFamily, win::VARIABLE_PITCH | win::FF_SWISS);
    EXPECT_STREQ(caption.lfFaceName, "sans-serif");
    const win::LOGFONT message = FontOf(fonts.Message()), link = FontOf(fonts.Link());
    for (const win::LOGFONT& f : {message, link}) {
      EXPECT_STREQ(f.lfFaceName, system.lfMessageFont.lfFaceName);
      EXPECT_EQ(f.lfHeight, system.lfMessageFont.lfHeight);
    }
    EXPECT_TRUE(message.lfWeight == win::FW_NORMAL && !message.lfUnderline);
    EXPECT_TRUE(link.lfWeight == win::FW_BOLD && link.lfUnderline);
    const win::LOGFONT fixed = FontOf(fonts.Fixed()), list = FontOf(fonts.List());
    for (const win::LOGFONT& f : {fixed, list}) {
      EXPECT_EQ(f.lfHeight, c.height);
      EXPECT_EQ(f.lfWeight, win::FW_NORMAL);
      EXPECT_EQ(f.lfPitchAndFamily, win::FIXED_PITCH | win::FF_MODERN);
    }
    EXPECT_STREQ(fixed.lfFaceName, "monospace");
    EXPECT_STREQ(list.lfFaceName, c.list_face);
    EXPECT_EQ(fonts.Report().Name, "monospace");
    EXPECT_EQ(fonts.Report().PointSize, c.points);
  }
}

// The message and the buttons take the message font, the lists the list font and the custom data
// the fixed font; the buttons stay flat only with the library's own look.
TEST_F(ExceptionDialogTest, ItsControlsTakeTheDialogsFontsAndItsButtonsAreFlatOnlyWithItsOwnLook) {
  const TEnv locale("LC_ALL", "en_US.UTF-8");
  Options().SetLogFlags(kLogModules);
  CrashState().CustomData = "Shift: 3";
  const TScopeExit restore([] { CrashState().CustomData.clear(); });
  for (const bool own_look : {false, true}) {
    SCOPED_TRACE(own_look ? "own look" : "plain look");
    Options().SetDialogOptions(kDialogDetailsButton | kDialogOpenDetailed | (own_look ? kDialogOwnLook : 0));
    Show([&](HWND d) {
      for (int id : {101, 2, 3, 4}) {
        const win::LOGFONT f = ItemFont(d, id);
        EXPECT_TRUE(std::string(f.lfFaceName) == "sans-serif" && f.lfHeight == -11 && f.lfWeight == win::FW_NORMAL)
            << id;
      }
      for (int id : {2, 3, 4}) {
        auto* button = dynamic_cast<TButton*>(TWinControl::FindControl(Item(d, id)));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ((wm::GetWindowLongPtr(Item(d, id), win::GWL_STYLE) & win::BS_FLAT) != 0, own_look) << id;
        EXPECT_EQ(button->Flat(), own_look) << id;
      }
      // General, Call Stack, Modules, Other: each page's content in its font.
      const HWND tab = Item(d, 1000);
      ASSERT_EQ(wm::SendMessage(tab, win::TCM_GETITEMCOUNT, 0, 0), 4);
      for (const auto& [index, face] : {std::pair{1, "sans-serif"}, std::pair{2, "sans-serif"}, std::pair{3, "monospace"}}) {
        wm::SendMessage(tab, win::TCM_SETCURSEL, static_cast<win::WPARAM>(index), 0);
        win::NMHDR change{tab, 1000, win::TCN_SELCHANGE};
        wm::SendMessage(d, win::WM_NOTIFY, 1000, reinterpret_cast<win::LPARAM>(&change));
        const HWND page = wm::GetWindow(tab, win::GW_CHILD);
        ASSERT_NE(page, nullptr);
        const win::LOGFONT f = ItemFont(page, 103);
        EXPECT_STREQ(f.lfFaceName, face) << index;
        EXPECT_EQ(f.lfHeight, -11) << index;
        EXPECT_EQ(f.lfPitchAndFamily, win::FIXED_PITCH | win::FF_MODERN) << index;
      }
      Click(d, 2);
    });
  }
}

TEST_F(ExceptionDialogTest, TerminateFiresItsEventAndAHandlerThatCancelsShowsTheDialogAgain) {
  CrashState().ErrorCount = 4;
  Options().SetTerminateAction(kTerminateRestart);
  static int asked;
  asked = 0;
  ExceptionActionNotifyProc = [](const TCrashExceptionRecord&, TCrashActionType Action, bool& Execute) {
    EXPECT_EQ(Action, atTerminating);
    EXPECT_TRUE(Execute);
    Execute = ++asked > 1;  // the first time the program refuses
  };
  Show([&](HWND d) {
    EXPECT_TRUE(Shown(d, 3));
    EXPECT_EQ(wm::GetWindowText(Item(d, 3)), "&Restart");
    Click(d, 3);
  });
  ExceptionActionNotifyProc = nullptr;
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(gui.Shown.size(), 2u);
  EXPECT_TRUE(CrashState().TerminateRequested);
}

TEST_F(ExceptionDialogTest, TheSupportLinkOpensThePageWithTopMostOff) {
  Options().SetSupportURL("https://lab.example/support");
  Options().SetDialogOptions(kDialogStayOnTop);
  Show([&](HWND d) {
    EXPECT_TRUE(DialogState().StayOnTop);
    const TRect client = CrashGui().ClientRect(d);
    // The link ends at the bottom area's right margin.
    const int x = client.Width() - 8 - 5, y = client.Height() - 20 + 8;
    wm::SendMessage(d, win::WM_MOUSEMOVE, 0, static_cast<win::LPARAM>(x | (y << 16)));
    wm::SendMessage(d, win::WM_LBUTTONUP, 0, static_cast<win::LPARAM>(x | (y << 16)));
    EXPECT_FALSE(DialogState().StayOnTop);
  });
  EXPECT_EQ(gui.Documents, std::vector<std::string>{"https://lab.example/support"});
}

TEST_F(ExceptionDialogTest, AutoCloseCountsFromTheLastInput) {
  Options().SetAutoCloseSeconds(3);
  Show([&](HWND d) {
    const auto tick = [&] {
      wm::SendMessage(d, win::WM_TIMER, kAutoCloseTimer, 0);
      win::MSG m;
      return !wm::PeekMessage(m, d, win::WM_CLOSE, win::WM_CLOSE, wm::PM_NOREMOVE);
    };
    EXPECT_TRUE(tick());
    EXPECT_TRUE(tick());
    wm::SendMessage(d, win::WM_KEYDOWN, 'A', 0);  // the user is there
    EXPECT_TRUE(tick());
    EXPECT_TRUE(tick());
    EXPECT_FALSE(tick());  // three seconds since the key: closing
  });
  EXPECT_FALSE(CrashState().TerminateRequested);
}

TEST_F(ExceptionDialogTest, ADialogThatNeverPaintsFallsBackToAMessageBox) {
  Show([&](HWND d) {
    // The watchdog runs from the start.
    EXPECT_NE(std::find(gui.Timers.begin(), gui.Timers.end(), static_cast<int>(kPaintWatchdogTimer)), gui.Timers.end());
    DialogState().DialogPainted = false;
    wm::SendMessage(d, win::WM_TIMER, kPaintWatchdogTimer, 0);
  });
  EXPECT_EQ(gui.Boxes, std::vector<std::string>{"Error.: Access violation\r\nat 0000000000401000."});
}

TEST_F(ExceptionDialogTest, NoDisplayShowsNothing) {
  TFakeCrashGui fake;
  SetCrashGui(&fake);
  ShowExceptionDialog();
  ShowReproduceDialog();
  EXPECT_TRUE(fake.Dialogs.empty());
  EXPECT_TRUE(fake.Boxes.empty());
}

TEST_F(ExceptionDialogTest, TheStepsToReproduceGoIntoTheReportAfterItsHeader) {
  Options().SetLogFlags(kLogAskReproduceSteps);
  CrashState().SendChecked = true;
  win::SetDialogShownHook([&](HWND d) {
    EXPECT_EQ(wm::GetWindowText(d), "Request");
    EXPECT_EQ(wm::GetWindowText(Item(d, 100)), "Please describe the steps to reproduce the error:");
    wm::SetWindowText(Item(d, 101), "  Open a job.\r\nPress F5.  ");
    Click(d, 2);
  });
  ShowReproduceDialog();
  EXPECT_EQ(DialogState().ReproduceText, "Open a job.\r\nPress F5.");
  const std::string& report = CurrentReport().Report;
  const std::size_t steps = report.find("Open a job.");
  ASSERT_NE(steps, std::string::npos);
  EXPECT_LT(report.find("1.1 Date"), steps);
  EXPECT_GT(report.find("Call Stack"), steps);
  EXPECT_EQ(report.substr(report.find("\r\n\r\n1.1"), 4), "\r\n\r\n");
  // A later insertion follows this one.
  AddReproduceText(6, "Other Information", "custom");
  EXPECT_LT(CurrentReport().Report.find("Press F5."), CurrentReport().Report.find("custom"));
  EXPECT_EQ(CurrentReport().Report.rfind("Call Stack"), CurrentReport().Report.size() - 12);
  // A duplicate error asks nothing.
  CrashState().Duplicate = true;
  gui.Shown.clear();
  ShowReproduceDialog();
  EXPECT_TRUE(gui.Shown.empty());
}

}  // namespace
}  // namespace lab::testing
