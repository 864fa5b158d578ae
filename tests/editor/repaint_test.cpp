// What the editor shows after scrolling, moving the caret, selecting and editing (pixels moved by the
// window scroll, bands and lines repainted on request) is what a full repaint shows: a band left out
// or a repaint request made in the wrong place leaves stale pixels that only this comparison finds.

#include <random>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "platform/controls/painting.h"
#include "platform/rtl/utf8.h"
#include "platform/win/window_functions.h"

namespace lab::edittest {
namespace {

class RepaintTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    edit->Gutter()->SetShowLineNumbers(true);
    edit->Gutter()->SetAutoSize(true);
    edit->SetActiveLineColor(static_cast<TColor>(0xE0F0FF));
    edit->SetRightEdge(30);
    edit->SelectedColor()->SetBackground(static_cast<TColor>(0x0000C0));
    // No focus: no caret blinks into the pixels; the selection shows all the same.
    form->Show();
    Pump();
  }
  // The editor's client pixels once what waits is painted.
  std::vector<std::uint32_t> Shown() {
    Pump();
    win::RECT window{};
    win::GetWindowRect(form->Handle(), window);
    win::POINT origin{0, 0};
    win::ClientToScreen(edit->Handle(), origin);
    TGdiBitmap* surface = wm::WindowSurface(form->Handle());
    surface->BeginDirect();
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < edit->ClientHeight(); ++y) {
      const std::uint32_t* row = surface->Row(origin.Y - window.Top + y);
      pixels.insert(pixels.end(), row + (origin.X - window.Left), row + (origin.X - window.Left) + edit->ClientWidth());
    }
    surface->EndDirect();
    return pixels;
  }
  // The first row (client y) where what is shown differs from a full repaint, or -1.
  int StaleRow() {
    const std::vector<std::uint32_t> shown = Shown();
    edit->Invalidate();
    const std::vector<std::uint32_t> full = Shown();
    for (std::size_t i = 0; i < shown.size(); ++i)
      if (shown[i] != full[i]) return static_cast<int>(i / static_cast<std::size_t>(edit->ClientWidth()));
    return -1;
  }
  // Random scrolls, caret moves, selections and edits, each followed by the comparison.
  void RandomSteps(unsigned Seed, int Steps);
  void FillLong(int N) {
    TStringList lines;
    for (int i = 1; i <= N; ++i)
      lines.Add("line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 7) * 9, '-') + " end");
    edit->Lines()->Assign(&lines);
  }
};

TEST_F(RepaintTest, EditsThatScrollTheViewRepaintTheLinesTheyChanged) {
  FillLong(60);
  ASSERT_EQ(StaleRow(), -1);
  // The caret on the last row shown; three lines pasted there scroll the view while the lines change.
  const int last = edit->TopLine() + edit->LinesInWindow() - 1;
  edit->SetCaretXY({3, last});
  ASSERT_EQ(StaleRow(), -1);
  edit->ReplaceSelectionUndoable(U"AAA\r\nBBB\r\nCCC\r\nDDD");
  EXPECT_GT(edit->TopLine(), 1);
  EXPECT_EQ(StaleRow(), -1);
  // And back up: a paste above the view.
  edit->SetCaretXY({1, 1});
  edit->ReplaceSelectionUndoable(U"x\r\ny\r\n");
  EXPECT_EQ(StaleRow(), -1);
  // Sideways: a long line pasted at the right edge of the window.
  edit->SetCaretXY({edit->CharsInWindow() - 1, 5});
  edit->ReplaceSelectionUndoable(U"0123456789abcdefghij");
  EXPECT_GT(edit->LeftChar(), 1);
  EXPECT_EQ(StaleRow(), -1);
  // A column block beyond the ends of its lines: deleting it changes no line, and its colour goes.
  edit->SetLeftChar(1);
  edit->SetSelectionMode(smColumn);
  int line = 1;
  while (edit->LineList()->GetLine(line - 1).size() >= 39 || edit->LineList()->GetLine(line).size() >= 39) ++line;
  edit->SetBlockBegin({40, line});
  edit->SetBlockEnd({44, line + 1});
  ASSERT_EQ(StaleRow(), -1);
  const std::string before = edit->Text();
  edit->ReplaceSelectionUndoable(U"");
  EXPECT_EQ(edit->Text(), before);
  EXPECT_EQ(StaleRow(), -1);
}

TEST_F(RepaintTest, RandomScrollsMovesSelectionsAndEditsLeaveNoStalePixels) {
  FillLong(200);
  RandomSteps(18, 200);
}

// The same over tabs, with blanks, tabs and line ends shown.
TEST_F(RepaintTest, OverTabsWithSpecialCharactersShownLeaveNoStalePixels) {
  TStringList lines;
  for (int i = 1; i <= 120; ++i)
    lines.Add(std::string(static_cast<std::size_t>(i % 3), '\t') + "line " + std::to_string(i) + "\t" +
              std::string(static_cast<std::size_t>(i % 5) * 7, 'x') + " \tend");
  edit->Lines()->Assign(&lines);
  edit->SetTabWidth(4);
  edit->SetOptions(edit->Options() + eoShowSpecialChars);
  RandomSteps(1, 150);
}

void RepaintTest::RandomSteps(unsigned Seed, int Steps) {
  std::mt19937 rng(Seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const int page = edit->LinesInWindow();
  for (int step = 0; step < Steps; ++step) {
    const int kind = pick(9);
    const TBufferCoord caret = edit->CaretXY();
    switch (kind) {
      case 0:
        edit->SetTopLine(edit->TopLine() + pick(2 * page + 5) - page - 2);
        break;
      case 1:
        edit->SetLeftChar(edit->LeftChar() + pick(2 * edit->CharsInWindow() + 3) - edit->CharsInWindow() - 1);
        break;
      case 2:
        edit->SetCaretXY({1 + pick(70), 1 + pick(edit->LineList()->Count())});
        break;
      case 3:
        edit->MoveCaretVertically(pick(2 * page) - page, pick(2) == 0);
        break;
      case 4:
        edit->MoveCaretHorizontally(pick(21) - 10, pick(2) == 0);
        break;
      case 5:
        edit->SetSelectionMode(static_cast<TCodeSelectionMode>(pick(3)));
        break;
      case 6: {
        // An edit at the caret, near the bottom of the window half the time.
        if (pick(2) == 0) edit->SetCaretXY({1 + pick(20), edit->TopLine() + page - 1});
        std::u32string text;
        for (int i = pick(4); i >= 0; --i) text += U"new text" + std::u32string(i ? U"\r\n" : U"");
        edit->ReplaceSelectionUndoable(text);
        break;
      }
      case 7:
        if (edit->SelAvail()) edit->ReplaceSelectionUndoable(U"");
        break;
      case 8:
        edit->SetBlockBegin({1 + pick(30), 1 + pick(edit->LineList()->Count())});
        edit->SetBlockEnd({1 + pick(30), 1 + pick(edit->LineList()->Count())});
        break;
    }
    ASSERT_EQ(StaleRow(), -1) << "step " << step << " kind " << kind;
    if (kind >= 2 && kind <= 4 && edit->CaretXY() != caret) {
      // The caret moved: it stands in view.
      const TDisplayCoord d = edit->DisplayXY();
      ASSERT_GE(d.Row, edit->TopLine()) << "step " << step;
      ASSERT_LT(d.Row, edit->TopLine() + edit->LinesInWindow()) << "step " << step;
      ASSERT_GE(d.Column, edit->LeftChar()) << "step " << step;
      ASSERT_LT(d.Column, edit->LeftChar() + edit->CharsInWindow()) << "step " << step;
    }
  }
}

TEST_F(RepaintTest, UnderWordWrapScrollsAndEditsLeaveNoStalePixels) {
  FillLong(80);
  edit->SetWordWrap(true);
  ASSERT_EQ(StaleRow(), -1);
  std::mt19937 rng(22);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const int page = edit->LinesInWindow();
  for (int step = 0; step < 60; ++step) {
    const int kind = pick(4);
    switch (kind) {
      case 0:
        edit->SetTopLine(edit->TopLine() + pick(2 * page + 5) - page - 2);
        break;
      case 1:
        edit->MoveCaretVertically(pick(2 * page) - page, pick(2) == 0);
        break;
      case 2: {
        edit->SetCaretXY({1 + pick(20), edit->RowToLine(edit->TopLine() + page - 1)});
        edit->ReplaceSelectionUndoable(std::u32string(static_cast<std::size_t>(pick(90)), U'w') + U"\r\nnext");
        break;
      }
      case 3:
        edit->MoveCaretHorizontally(pick(41) - 20, true);
        break;
    }
    ASSERT_EQ(StaleRow(), -1) << "step " << step << " kind " << kind;
  }
}

}  // namespace
}  // namespace lab::edittest
