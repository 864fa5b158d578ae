// Dialog templates and the dialog manager: a template's statements and its errors by line; a modal
// dialog run through its keys (the first tab stop focused, Enter in a memo that wants it, Tab round
// the tab stops, Enter on the focused and on the default button, Escape, a mnemonic, the close box),
// what its procedure hears and answers (the colours, WM_DESTROY with its controls still there), a
// child dialog inside it whose controls Tab reaches, a dialog on a thread of its own, and refusals.

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "controls_fixture.h"
#include "platform/backend/headless.h"
#include "platform/controls/dialog_box.h"
#include "platform/controls/dialog_template.h"
#include "platform/controls/dialogs.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/gdi.h"
#include "platform/rtl/scope_exit.h"

namespace lab::testing {
namespace {

using namespace lab::win;

TEST(DialogTemplate, ReadsEveryStatement) {
  const TDialogTemplate t = ParseDialogTemplate(
      "# comment\n"
      "DIALOG 1, 2, 30, 40\r\n"
      "STYLE WS_POPUP | WS_CAPTION | 0x40\n"
      "EXSTYLE WS_EX_TOOLWINDOW\n"
      "\n"
      "CAPTION \"Say \\\"hi\\\" \\\\ there\"\n"
      "FONT 8, \"SANS-SERIF\"\n"
      "CONTROL \"&OK\", 2, \"BUTTON\", BS_DEFPUSHBUTTON | WS_TABSTOP, 5, -6, 50, 14, WS_EX_RIGHT\n");
  EXPECT_EQ(t.Bounds, Bounds(1, 2, 30, 40));
  EXPECT_EQ(t.Style, WS_POPUP | WS_CAPTION | DS_SETFONT);
  EXPECT_EQ(t.ExStyle, WS_EX_TOOLWINDOW);
  EXPECT_EQ(t.Caption, "Say \"hi\" \\ there");
  EXPECT_EQ(t.FontName, "SANS-SERIF");
  EXPECT_EQ(t.FontSize, 8);
  ASSERT_EQ(t.Items.size(), 1u);
  EXPECT_EQ(t.Items[0].Text, "&OK");
  EXPECT_EQ(t.Items[0].ID, 2);
  EXPECT_EQ(t.Items[0].ClassName, "BUTTON");
  EXPECT_EQ(t.Items[0].Style, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_CHILD | WS_VISIBLE);
  EXPECT_EQ(t.Items[0].ExStyle, WS_EX_RIGHT);
  EXPECT_EQ(t.Items[0].Bounds, Bounds(5, -6, 50, 14));
}

TEST(DialogTemplate, ErrorsNameTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "no DIALOG statement"},
      {"STYLE WS_POPUP\n", "line 1: DIALOG must come first"},
      {"DIALOG 0, 0, 1, 1\nDIALOG 0, 0, 1, 1\n", "line 2: a second DIALOG"},
      {"DIALOG 0, 0, 1\n", "line 1: expected ','"},
      {"DIALOG 0, 0, -1, 1\n", "line 1: a size below 0"},
      {"DIALOG 0, 0, 1, 99999999999\n", "line 1: number out of range"},
      {"DIALOG 2147483647, 0, 1, 1\n", "line 1: number out of range"},
      {"DIALOG 0, 0, 1, 1\nSTYLE WS_NONSENSE\n", "line 2: no such style: WS_NONSENSE"},
      {"DIALOG 0, 0, 1, 1\nCAPTION \"open\n", "line 2: the text is not closed"},
      {"DIALOG 0, 0, 1, 1\nFONT 0, \"x\"\n", "line 2: a font size must be above 0"},
      {"DIALOG 0, 0, 1, 1\nWINDOW\n", "line 2: no such statement: WINDOW"},
      {"DIALOG 0, 0, 1, 1 x\n", "line 1: more after the statement"},
      {"DIALOG 0, 0, 1, 1\nCONTROL \"\", 1, \"BUTTON\", , 0, 0, 1, 1\n", "line 2: expected a style"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      ParseDialogTemplate(text, "T");
      ADD_FAILURE() << "read";
    } catch (const EDialogTemplateError& e) {
      EXPECT_EQ(e.Message(), std::string("T") + (message[0] == 'l' ? ", " : ": ") + message);
    }
  }
  // The program's own templates read; a missing one is none.
  for (const char* name : {"CR_DIALOG", "cr_request", "CR_Server", "CR_TAB_GENERAL", "CR_TAB_CPU", "CR_TAB_CUSTOMDATA",
                           "CR_TAB_CALLSTACK", "CR_TAB_MODULESLIST"})
    EXPECT_NE(FindDialogTemplate(name), nullptr) << name;
  EXPECT_EQ(FindDialogTemplate("NO_SUCH_DIALOG"), nullptr);
}

class DialogBoxTest : public ControlsTest {
 protected:
  void TearDown() override {
    SetDialogShownHook(nullptr);
    ControlsTest::TearDown();
  }
  // Runs the dialog, driven by Drive once it shows; its procedure records the commands it gets and
  // ends the dialog on OK (ID 2), with 7.
  INT_PTR Run(const char* name, std::function<void(HWND)> Drive, HWND owner = nullptr) {
    SetDialogShownHook([&](HWND dialog) {
      shown = dialog;
      Drive(dialog);
      PumpDialog();
      // A dialog the test left open closes rather than wait for input that never comes.
      wm::PostMessage(dialog, WM_CLOSE, 0, 0);
    });
    return DialogBoxParam(name, owner, [this](HWND dialog, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
      heard.push_back(msg);
      if (msg == WM_INITDIALOG) return TRUE;
      if (msg == WM_COMMAND) {
        commands.push_back(LOWORD(wp));
        texts.push_back(GetDlgItemText(dialog, 101));
        if (LOWORD(wp) == 2) EndDialog(dialog, 7);
        return TRUE;
      }
      if (msg == WM_CTLCOLORSTATIC && brush) {
        SetTextColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
        return reinterpret_cast<INT_PTR>(brush);
      }
      (void)lp;
      return FALSE;
    }, 0);
  }
  // Handles what waits as the dialog's loop does.
  void PumpDialog() {
    MSG m;
    while (wm::PeekMessage(m, nullptr, 0, 0, wm::PM_REMOVE))
      if (!IsDialogMessage(shown, m)) {
        wm::TranslateMessage(m);
        wm::DispatchMessage(m);
      }
  }
  COLORREF At(HWND window, int x, int y) {
    PumpDialog();
    POINT p{x, y};
    const HWND top = wm::GetTopLevel(window);
    wm::MapWindowPoints(window, top, &p, 1);
    TGdiBitmap* s = wm::WindowSurface(top);
    s->BeginDirect();
    return ColorOfPixel(s->Row(p.Y)[p.X]);
  }

  HWND shown = nullptr;
  std::vector<UINT> heard;
  std::vector<int> commands;
  std::vector<std::string> texts;
  HBRUSH brush = nullptr;
};

TEST_F(DialogBoxTest, KeysRunTheDialogAndEnterEndsIt) {
  const INT_PTR result = Run("CR_REQUEST", [&](HWND dialog) {
    // The first tab stop, the memo, has the focus and takes Enter as a line break.
    EXPECT_EQ(wm::GetFocus(), GetDlgItem(dialog, 101));
    headless::TypeText("step one");
    headless::PressKey(VK_RETURN);
    headless::TypeText("two");
    PumpDialog();
    EXPECT_TRUE(commands.empty());
    // Tab to the OK button; Enter clicks it.
    headless::PressKey(VK_TAB);
    PumpDialog();
    EXPECT_EQ(wm::GetFocus(), GetDlgItem(dialog, 2));
    headless::PressKey(VK_RETURN);
  });
  EXPECT_EQ(result, 7);
  EXPECT_EQ(commands, std::vector<int>{2});
  EXPECT_EQ(texts, std::vector<std::string>{"step one\r\ntwo"});
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.front(), static_cast<UINT>(WM_NCCREATE));
  EXPECT_NE(std::find(heard.begin(), heard.end(), static_cast<UINT>(WM_INITDIALOG)), heard.end());
  EXPECT_NE(std::find(heard.begin(), heard.end(), static_cast<UINT>(WM_DESTROY)), heard.end());
}

TEST_F(DialogBoxTest, EveryWayOutSendsItsCommand) {
  struct Case {
    const char* name;
    void (*act)(HWND);
    int command;
    const char* dialog = "CR_REQUEST";
  };
  const Case cases[] = {
      {"Escape", [](HWND) { headless::PressKey(VK_ESCAPE); }, IDCANCEL},
      {"the close box", [](HWND d) { input::WindowCloseRequested(d); }, IDCANCEL},
      {"Enter on the default button from a check box",
       [](HWND d) {
         wm::SetFocus(GetDlgItem(d, 3000));
         headless::PressKey(VK_RETURN);
       },
       2, "CR_DIALOG"},
      {"the mnemonic", [](HWND d) { SetDlgItemText(d, 2, "&Fine"), headless::PressKey('F', false, false, true); }, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    commands.clear();
    EXPECT_EQ(Run(c.dialog, c.act), c.command == 2 ? 7 : -1);
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.front(), c.command);
  }
}

TEST_F(DialogBoxTest, TheProcedureGivesColoursAndReadsItsControlsAsItGoes) {
  brush = CreateSolidBrush(RGB(0, 0, 128));
  TScopeExit free_brush([&] { DeleteObject(brush); });
  std::vector<UINT> checks;
  SetDialogShownHook([&](HWND dialog) {
    shown = dialog;
    // The check box asks its parent for its background, as the static texts do.
    const HWND box = GetDlgItem(dialog, 5000);
    RECT r;
    wm::GetClientRect(box, r);
    EXPECT_EQ(At(box, 0, r.Bottom - 1), RGB(0, 0, 128));
    EXPECT_EQ(At(GetDlgItem(dialog, 101), 0, 0), RGB(0, 0, 128));
    EXPECT_NE(At(dialog, 0, 0), RGB(0, 0, 128));
    CheckDlgButton(dialog, 4000, BST_CHECKED);
    RECT units{0, 0, 4, 8};
    MapDialogRect(dialog, &units);
    EXPECT_GT(units.Right, 2);
    EXPECT_GT(units.Bottom, 8);
    EXPECT_EQ(wm::SendMessage(dialog, DM_GETDEFID, 0, 0), MAKELONG(2, DC_HASDEFID));
    EndDialog(dialog, 3);
  });
  const INT_PTR result = DialogBoxParam("CR_DIALOG", nullptr, [&](HWND dialog, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
    if (msg == WM_CTLCOLORSTATIC) {
      SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      return reinterpret_cast<INT_PTR>(brush);
    }
    if (msg == WM_DESTROY) {
      checks.push_back(IsDlgButtonChecked(dialog, 3000));
      checks.push_back(IsDlgButtonChecked(dialog, 4000));
    }
    return FALSE;
  }, 0);
  EXPECT_EQ(result, 3);
  EXPECT_EQ(checks, (std::vector<UINT>{BST_UNCHECKED, BST_CHECKED}));
}

TEST_F(DialogBoxTest, AChildDialogSitsInsideItsParentAndTabReachesItsControls) {
  HWND page = nullptr;
  Run("CR_DIALOG", [&](HWND dialog) {
    page = CreateDialogParam("CR_TAB_CUSTOMDATA", dialog, [](HWND, UINT msg, WPARAM, LPARAM) -> INT_PTR {
      return msg == WM_INITDIALOG;
    }, 0);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(wm::GetParent(page), dialog);
    EXPECT_TRUE(wm::IsWindowVisible(GetDlgItem(page, 103)));
    // Tab goes round the dialog's stops and the page's memo.
    wm::SetFocus(GetDlgItem(dialog, 5000));
    shown = dialog;
    headless::PressKey(VK_TAB);
    PumpDialog();
    EXPECT_EQ(wm::GetFocus(), GetDlgItem(page, 103));
    // Destroyed with a window of its own gone, the page's controls go with it.
    const HWND memo = GetDlgItem(page, 103);
    wm::DestroyWindow(page);
    EXPECT_FALSE(wm::IsWindow(memo));
    EXPECT_EQ(GetDlgItem(dialog, 103), nullptr);
    EndDialog(dialog, 2);
  });
  // A child dialog needs a parent of the framework's, and a template must exist.
  const HWND plain = Recording();
  EXPECT_EQ(CreateDialogParam("CR_TAB_GENERAL", plain, nullptr, 0), nullptr);
  EXPECT_EQ(DialogBoxParam("NO_SUCH_DIALOG", nullptr, nullptr, 0), -1);
}

TEST_F(DialogBoxTest, TheOwnerTakesNoInputMeanwhile) {
  const HWND owner = Recording(WS_POPUP | WS_VISIBLE);
  Run("CR_REQUEST", [&](HWND) {
    EXPECT_FALSE(wm::IsWindowEnabled(owner));
    headless::PressKey(VK_ESCAPE);
  }, owner);
  EXPECT_TRUE(wm::IsWindowEnabled(owner));
}

TEST_F(DialogBoxTest, ADialogOnAThreadOfItsOwnEndsByAPostedMessage) {
  std::atomic<HWND> shown{nullptr};
  INT_PTR result = 0;
  std::thread thread([&] {
    result = DialogBoxParam("CR_SERVER", nullptr, [&](HWND dialog, UINT msg, WPARAM, LPARAM) -> INT_PTR {
      if (msg == WM_INITDIALOG) {
        shown = dialog;
        return TRUE;
      }
      if (msg == WM_USER + 1234) {
        EndDialog(dialog, 5);
        return TRUE;
      }
      return FALSE;
    }, 0);
  });
  while (!shown) std::this_thread::yield();
  SendDlgItemMessage(shown, 101, PBM_SETPOS, 40, 0);
  EXPECT_EQ(SendDlgItemMessage(shown, 101, PBM_GETPOS, 0, 0), 40);
  wm::PostMessage(shown, WM_USER + 1234, 0, 0);
  thread.join();
  EXPECT_EQ(result, 5);
  EXPECT_FALSE(wm::IsWindow(shown));
}

}  // namespace
}  // namespace lab::testing
