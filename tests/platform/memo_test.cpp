// The multi-line edit: lines in and out with CR LF whatever breaks came in, typing with Enter and
// Tab as WantReturns and WantTabs say (and what a form or dialog is told it wants), rows broken at
// word ends, the caret moved by rows keeping its column, the ends of wrapped rows, paging and
// scrolling to the caret, selecting with the mouse across rows, pasting lines, read-only mode and
// the edit messages.

#include <string>

#include "platform/controls/clipboard.h"
#include "platform/controls/input.h"
#include "platform/controls/memo.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/window_manager.h"
#include "standard_controls_fixture.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class MemoTest : public StandardControlsTest {
 protected:
  void SetUp() override {
    StandardControlsTest::SetUp();
    memo = new TMemo(form);
    memo->SetParent(form);
    memo->SetBounds(10, 10, 300, 100);
    memo->SetScrollBars(ssVertical);
    memo->OnChange = [this](TObject*) { ++changes; };
    Show();
    memo->SetFocus();
    Process();
  }
  void Press(UINT key, bool shift = false, bool ctrl = false) {
    headless::PressKey(key, shift, ctrl, false);
    Process();
  }
  int Caret() { return memo->SelStart() + (memo->SelLength() > 0 ? memo->SelLength() : 0); }
  int Row() { return memo->RowOfPos(memo->SelStart()); }

  TMemo* memo = nullptr;
  int changes = 0;
};

TEST_F(MemoTest, LinesComeOutWithCrLfWhateverBreaksCameIn) {
  for (const char* text : {"one\r\ntwo\r\n\r\nfour", "one\ntwo\n\nfour", "one\rtwo\r\rfour", "one\r\ntwo\n\rfour"}) {
    SCOPED_TRACE(text);
    memo->SetText(text);
    EXPECT_EQ(memo->Text(), "one\r\ntwo\r\n\r\nfour");
    EXPECT_EQ(memo->LineCount(), 4);
    EXPECT_EQ(memo->LineText(2), "");
    EXPECT_EQ(memo->LineText(3), "four");
  }
  EXPECT_THROW(memo->LineText(4), EListError);
  EXPECT_EQ(wm::GetWindowTextLength(memo->Handle()), 16);
}

TEST_F(MemoTest, EnterAndTabTypeOnlyWhenWanted) {
  headless::TypeText("ab");
  Press(VK_RETURN);
  headless::TypeText("c\td");
  Process();
  EXPECT_EQ(memo->Text(), "ab\r\ncd");
  memo->SetWantTabs(true);
  memo->SetWantReturns(false);
  Press(VK_TAB);
  Press(VK_RETURN);
  EXPECT_EQ(memo->Text(), "ab\r\ncd\t");
  // Ctrl+Enter starts a line all the same.
  Press(VK_RETURN, false, true);
  EXPECT_EQ(memo->Text(), "ab\r\ncd\t\r\n");
  // What a dialog is told for the key at hand.
  MSG enter{memo->Handle(), WM_KEYDOWN, VK_RETURN}, tab{memo->Handle(), WM_KEYDOWN, VK_TAB};
  EXPECT_FALSE(wm::SendMessage(memo->Handle(), WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTALLKEYS);
  EXPECT_TRUE(wm::SendMessage(memo->Handle(), WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(&tab)) & DLGC_WANTTAB);
  memo->SetWantReturns(true);
  EXPECT_TRUE(wm::SendMessage(memo->Handle(), WM_GETDLGCODE, 0, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTALLKEYS);
}

TEST_F(MemoTest, RowsBreakAtWordEndsAndTheCaretKeepsItsColumn) {
  memo->SetBounds(10, 10, 80, 200);
  memo->SetText("alpha beta gamma delta\r\nx\r\nepsilonzetaetathetaiota");
  const int rows = memo->RowCount();
  EXPECT_GT(rows, 4);
  // Every row but the line's last of a wrapped line ends after a blank, or where one word was cut.
  for (int r = 1; r < rows; ++r) {
    const int start = memo->RowStart(r);
    const std::u32string text = U"alpha beta gamma delta\nx\nepsilonzetaetathetaiota";
    const char32_t before = text[static_cast<std::size_t>(start) - 1];
    EXPECT_TRUE(before == U' ' || before == U'\n' || start > 25) << r;
  }
  // Down from the middle of the first row keeps the column, as far as the rows go.
  memo->SetSelStart(3);
  const int x = memo->PointOfPos(3).X;
  Press(VK_DOWN);
  EXPECT_EQ(Row(), 1);
  EXPECT_NEAR(memo->PointOfPos(memo->SelStart()).X, x, 8);
  Press(VK_END, false, true);
  EXPECT_EQ(memo->SelStart(), 48);
  Press(VK_HOME, false, true);
  EXPECT_EQ(memo->SelStart(), 0);
  // End of a wrapped row stays on it, before its trailing blank.
  Press(VK_END);
  EXPECT_EQ(Row(), 0);
  EXPECT_EQ(memo->SelStart(), memo->RowStart(1) - 1);
  // Shift+Down selects down to the next row.
  Press(VK_HOME);
  Press(VK_DOWN, true);
  EXPECT_EQ(memo->SelText(), std::string("alpha beta gamma delta").substr(0, static_cast<std::size_t>(memo->RowStart(1))));
}

TEST_F(MemoTest, ScrollingFollowsTheCaretAndPaging) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\r\n";
  memo->SetText(text);
  EXPECT_EQ(memo->TopRow(), 0);
  Press(VK_END, false, true);
  EXPECT_GT(memo->TopRow(), 30);
  const int bottom = memo->TopRow();
  Press(VK_PRIOR);
  EXPECT_LT(memo->TopRow(), bottom);
  EXPECT_GE(Row(), memo->TopRow());
  // The vertical bar tells where the view stands.
  EXPECT_EQ(wm::GetScrollPos(memo->Handle(), SB_VERT), memo->TopRow());
  wm::SendMessage(memo->Handle(), WM_VSCROLL, MAKEWPARAM(SB_TOP, 0), 0);
  EXPECT_EQ(memo->TopRow(), 0);
  // Without wrapping a long line scrolls across to the caret.
  memo->SetWordWrap(false);
  memo->SetText(std::string(200, 'w'));
  Press(VK_END);
  EXPECT_LT(memo->PointOfPos(200).X, memo->ClientWidth());
  EXPECT_LT(memo->PointOfPos(0).X, 0);
}

TEST_F(MemoTest, MouseSelectionPasteReadOnlyAndMessages) {
  memo->SetText("first line\r\nsecond line");
  const TPoint a = memo->PointOfPos(6), b = memo->PointOfPos(17);
  const int h = memo->RowHeight() / 2;
  headless::MouseDown(memo->Handle(), a.X + 1, a.Y + h);
  headless::MoveMouse(memo->Handle(), b.X + 1, b.Y + h);
  headless::MouseUp(memo->Handle(), b.X + 1, b.Y + h);
  Process();
  EXPECT_EQ(memo->SelText(), "line\r\nsecond");
  // Pasted lines keep their breaks (and CR LF in the clipboard is one break).
  Clipboard()->SetAsText("A\r\nB\nC");
  Press('V', false, true);
  EXPECT_EQ(memo->Text(), "first A\r\nB\r\nC line");
  EXPECT_EQ(memo->LineCount(), 3);
  // Read-only: no typing, but a program's replacement.
  changes = 0;
  wm::SendMessage(memo->Handle(), EM_SETREADONLY, TRUE, 0);
  headless::TypeText("zz");
  Press(VK_RETURN);
  Process();
  EXPECT_EQ(changes, 0);
  wm::SendMessage(memo->Handle(), EM_SETSEL, 0, 5);
  EXPECT_EQ(wm::SendMessage(memo->Handle(), EM_GETSEL, 0, 0), MAKELONG(0, 5));
  std::string replacement = "1\r\n2";
  wm::SendMessage(memo->Handle(), EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(replacement.c_str()));
  EXPECT_EQ(memo->Text(), "1\r\n2 A\r\nB\r\nC line");
  EXPECT_EQ(wm::SendMessage(memo->Handle(), EM_GETLINECOUNT, 0, 0), 4);
}

}  // namespace
}  // namespace lab::testing
