// Painting, read back from the window's pixels: the rows inside the clip, the right edge, the
// selection split out of a row, special characters, the active line and the gutter's numbers.

#include <sys/resource.h>

#include <array>
#include <set>
#include <vector>

#include "editor_fixture.h"
#include "platform/controls/painting.h"
#include "platform/graphics/colors.h"
#include "platform/win/window_functions.h"

namespace lab::edittest {
namespace {

constexpr TColor kSelBack = 0x0000FF;  // red
constexpr TColor kEdge = 0x00C000;     // green
constexpr TColor kActive = 0xFF8000;   // blue-ish

class PaintTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    edit->SetColor(clWhite);
    edit->Font()->SetColor(clBlack);
    edit->SelectedColor()->SetBackground(kSelBack);
    edit->SelectedColor()->SetForeground(clWhite);
    edit->SetRightEdgeColor(kEdge);
    edit->Gutter()->SetVisible(false);
    form->Show();
    Pump();
  }
  // The colour of a pixel of the editor's client area, once what waits is painted.
  TColorRef At(int X, int Y) {
    Pump();
    win::RECT window{};
    win::GetWindowRect(form->Handle(), window);
    win::POINT at{X, Y};
    win::ClientToScreen(edit->Handle(), at);
    TGdiBitmap* surface = wm::WindowSurface(form->Handle());
    surface->BeginDirect();
    return ColorOfPixel(surface->Row(at.Y - window.Top)[at.X - window.Left]);
  }
  // Whether anything other than Back is drawn in a cell of a row (display column and row, 1-based).
  bool Ink(int Column, int Row, TColorRef Back = ColorToRGB(clWhite)) {
    const int x0 = (Column - 1) * edit->CharWidth() + edit->TextOffset();
    const int y0 = (Row - edit->TopLine()) * edit->TextHeight();
    for (int y = y0; y < y0 + edit->TextHeight(); ++y)
      for (int x = x0; x < x0 + edit->CharWidth(); ++x)
        if (At(x, y) != Back) return true;
    return false;
  }
  int CellX(int Column) { return (Column - 1) * edit->CharWidth() + edit->TextOffset(); }
  int RowY(int Row) { return (Row - edit->TopLine()) * edit->TextHeight(); }
};

TEST_F(PaintTest, TextIsDrawnInItsCellsOnTheBackground) {
  SetText({"x y", "", "tail"});
  EXPECT_TRUE(Ink(1, 1));
  EXPECT_FALSE(Ink(2, 1));
  EXPECT_TRUE(Ink(3, 1));
  EXPECT_FALSE(Ink(4, 1));
  EXPECT_FALSE(Ink(1, 2));
  EXPECT_TRUE(Ink(4, 3));
  // The two-pixel margin left of column 1 and the rows below the text take the background.
  EXPECT_EQ(At(0, 1), ColorToRGB(clWhite));
  EXPECT_EQ(At(CellX(2), RowY(6) + 2), ColorToRGB(clWhite));
}

TEST_F(PaintTest, TheRightEdgeStandsAtItsColumnOrNowhere) {
  Fill(3);
  edit->SetRightEdge(10);
  const int x = 10 * edit->CharWidth() + edit->TextOffset();
  EXPECT_EQ(At(x, 1), ColorToRGB(kEdge));
  EXPECT_EQ(At(x, RowY(8)), ColorToRGB(kEdge));  // also below the text
  EXPECT_NE(At(x + 1, 1), ColorToRGB(kEdge));
  // Scrolled so that the column is off screen, or set beyond any window, or 0: no line.
  edit->SetRightEdge(99999);
  for (int px = 0; px < edit->ClientWidth(); ++px) ASSERT_NE(At(px, 1), ColorToRGB(kEdge));
  edit->SetRightEdge(0);
  EXPECT_NE(At(edit->TextOffset(), 1), ColorToRGB(kEdge));
  edit->SetRightEdge(3);
  edit->SetLeftChar(10);
  for (int px = 0; px < edit->ClientWidth(); ++px) ASSERT_NE(At(px, 1), ColorToRGB(kEdge));
}

TEST_F(PaintTest, TheSelectionIsSplitOutOfItsRows) {
  SetText({"abcdefgh", "ijklmnop", "qr"});
  edit->SetBlockBegin({3, 1});
  edit->SetBlockEnd({6, 1});
  // Cells 3 to 5 are selected; their top-left pixel shows the selection's background.
  EXPECT_EQ(At(CellX(2), RowY(1)), ColorToRGB(clWhite));
  EXPECT_EQ(At(CellX(3), RowY(1)), ColorToRGB(kSelBack));
  EXPECT_EQ(At(CellX(5) + 1, RowY(1)), ColorToRGB(kSelBack));
  EXPECT_EQ(At(CellX(6), RowY(1)), ColorToRGB(clWhite));
  // Over lines, the selection goes on past the end of the first line, not past the last one's end.
  edit->SetBlockBegin({7, 1});
  edit->SetBlockEnd({2, 3});
  EXPECT_EQ(At(CellX(20), RowY(1)), ColorToRGB(kSelBack));
  EXPECT_EQ(At(CellX(20), RowY(2)), ColorToRGB(kSelBack));
  EXPECT_EQ(At(CellX(1), RowY(3)), ColorToRGB(kSelBack));
  EXPECT_EQ(At(CellX(2), RowY(3)), ColorToRGB(clWhite));
  // Column mode: the same columns on every line, past short lines too.
  edit->SetSelectionMode(smColumn);
  edit->SetBlockBegin({4, 1});
  edit->SetBlockEnd({6, 3});
  EXPECT_EQ(At(CellX(4), RowY(3)), ColorToRGB(kSelBack));
  EXPECT_EQ(At(CellX(6), RowY(2)), ColorToRGB(clWhite));
  EXPECT_EQ(At(CellX(3), RowY(2)), ColorToRGB(clWhite));
  // Without the focus the selection still shows, unless HideSelection is set.
  auto* other = new TCodeEdit(form);
  other->SetParent(form);
  other->SetBounds(0, 320, 100, 60);
  other->SetFocus();
  Pump();
  EXPECT_EQ(At(CellX(4), RowY(1)), ColorToRGB(kSelBack));
  edit->SetHideSelection(true);
  EXPECT_EQ(At(CellX(4), RowY(1)), ColorToRGB(clWhite));
}

TEST_F(PaintTest, SpecialCharactersShowBlanksTabsAndLineEnds) {
  edit->SetTabWidth(4);
  SetText({"a b", "\tc"});
  EXPECT_FALSE(Ink(2, 1));
  EXPECT_FALSE(Ink(4, 1));
  EXPECT_FALSE(Ink(2, 2));
  edit->SetOptions(edit->Options() + eoShowSpecialChars);
  EXPECT_TRUE(Ink(2, 1));   // the middle dot
  EXPECT_TRUE(Ink(4, 1));   // the line end mark
  EXPECT_FALSE(Ink(5, 1));
  EXPECT_TRUE(Ink(2, 2) || Ink(3, 2));  // the tab's mark, in the middle of its cells
  EXPECT_FALSE(Ink(1, 2) && Ink(4, 2));
  EXPECT_TRUE(Ink(5, 2));   // c after the tab
}

// The marks are the characters themselves: each shown cell matches the cell of the same character
// typed into a line.
TEST_F(PaintTest, SpecialCharactersAreTheirOwnGlyphs) {
  edit->SetTabWidth(3);
  SetText({"a b", "a\u00B7b\u00B6\u00BB", "\tc", "\t\tc"});
  edit->SetOptions(edit->Options() + eoShowSpecialChars);
  auto pixels = [&](int X, int Row) {
    std::vector<TColorRef> out;
    for (int y = RowY(Row); y < RowY(Row) + edit->TextHeight(); ++y)
      for (int x = X; x < X + edit->CharWidth(); ++x) out.push_back(At(x, y));
    return out;
  };
  const std::vector<TColorRef> dot = pixels(CellX(2), 2), pilcrow = pixels(CellX(4), 2), guillemet = pixels(CellX(5), 2);
  const std::vector<TColorRef> blank = pixels(CellX(9), 2);
  ASSERT_NE(dot, blank);  // the glyphs are not blank
  ASSERT_NE(dot, pilcrow);
  EXPECT_EQ(pixels(CellX(2), 1), dot);      // the blank
  EXPECT_EQ(pixels(CellX(4), 1), pilcrow);  // the line's end
  // A tab of three cells shows the mark in its middle cell, its other cells blank.
  EXPECT_EQ(pixels(CellX(2), 3), guillemet);
  EXPECT_EQ(pixels(CellX(1), 3), blank);
  EXPECT_EQ(pixels(CellX(3), 3), blank);
  // Two tabs: a mark each.
  EXPECT_EQ(pixels(CellX(2), 4), guillemet);
  EXPECT_EQ(pixels(CellX(5), 4), guillemet);
  // Scrolled so that the tab begins left of the window: the mark still shows in its middle cell.
  edit->SetLeftChar(2);
  edit->Invalidate();  // painted anew, not moved by the scroll
  EXPECT_EQ(pixels(CellX(2), 3), guillemet);
  EXPECT_EQ(pixels(CellX(3), 3), blank);
  edit->SetLeftChar(1);
  // A tab of an even count of cells: the mark half a cell right of the left middle cell.
  edit->SetTabWidth(4);
  EXPECT_EQ(pixels(CellX(2) + edit->CharWidth() / 2, 3), guillemet);
}

// A line with colours of its own: its text takes the foreground asked for, unless the option keeps
// the editor's; its background is taken either way.
TEST_F(PaintTest, SpecialLineColoursKeepTheEditorsForegroundWithTheirOption) {
  SetText({"HHHH", "HHHH"});
  edit->OnSpecialLineColors = [](TObject*, int Line, bool& Special, TColor& Fore, TColor& Back) {
    Special = Line == 1;
    Fore = clRed;
    Back = clYellow;
  };
  edit->Invalidate();
  auto reddish_ink = [&](int Row) {
    for (int y = RowY(Row); y < RowY(Row) + edit->TextHeight(); ++y)
      for (int x = CellX(1); x < CellX(5); ++x) {
        const TColorRef c = At(x, y);
        if (GetRValue(c) > GetGValue(c) + 60) return true;
      }
    return false;
  };
  EXPECT_EQ(At(CellX(8), RowY(1)), ColorToRGB(clYellow));
  EXPECT_TRUE(reddish_ink(1));
  EXPECT_FALSE(reddish_ink(2));
  edit->SetOptions(edit->Options() + eoSpecialLineDefaultFg);
  edit->Invalidate();
  EXPECT_EQ(At(CellX(8), RowY(1)), ColorToRGB(clYellow));
  EXPECT_FALSE(reddish_ink(1));
}

TEST_F(PaintTest, OnlyTheRowsInsideTheClipArePainted) {
  Fill(40);
  Pump();
  std::set<int> painted;
  edit->OnSpecialLineColors = [&](TObject*, int line, bool&, TColor&, TColor&) { painted.insert(line); };
  const int th = edit->TextHeight();
  edit->InvalidateRect({edit->TextOffset(), 4 * th + 1, edit->ClientWidth(), 6 * th - 1}, false);
  Pump();
  EXPECT_EQ(painted, (std::set<int>{5, 6}));
  // A scrolled view paints only the band it scrolled in.
  painted.clear();
  edit->SetTopLine(3);
  Pump();
  const int last = 2 + edit->LinesInWindow();
  ASSERT_FALSE(painted.empty());
  EXPECT_GE(*painted.begin(), last - 2);
}

// A locked pair of transient notifications fires its own two and silences those fired between them;
// a paint ends with one after the text.
TEST_F(PaintTest, TransientPaintsInsideALockedPairAreSilent) {
  Fill(3);
  std::vector<TTransientType> fired;
  edit->OnPaintTransient = [&](TObject*, TCanvas*, TTransientType t) { fired.push_back(t); };
  edit->DoOnPaintTransientEx(ttBefore, true);
  edit->DoOnPaintTransient(ttBefore);
  edit->SetCaretXY({2, 2});  // fires around the caret's move
  edit->DoOnPaintTransient(ttAfter);
  edit->DoOnPaintTransientEx(ttAfter, true);
  EXPECT_EQ(fired, (std::vector<TTransientType>{ttBefore, ttAfter}));
  fired.clear();
  edit->SetCaretXY({1, 3});
  EXPECT_EQ(fired, (std::vector<TTransientType>{ttBefore, ttAfter}));
  fired.clear();
  edit->Invalidate();
  Pump();
  EXPECT_EQ(fired, (std::vector<TTransientType>{ttAfter}));
}

// The gutter-paint event comes once for each line shown, at the top of its row, with the place the
// line's marks reached.
TEST_F(PaintTest, TheGutterPaintEventFollowsTheMarksOfEachLine) {
  edit->Gutter()->SetVisible(true);
  Fill(50);
  edit->SetBookmark(0, 1, 2);
  edit->SetBookmark(1, 1, 2);
  edit->SetBookmark(2, 1, 4);
  edit->SetTopLine(2);
  Pump();
  std::vector<std::array<int, 3>> seen;
  edit->OnGutterPaint = [&](TObject*, int line, int x, int y) { seen.push_back({line, x, y}); };
  edit->Invalidate();
  Pump();
  const int step = edit->BookMarkOptions()->Xoffset(), th = edit->TextHeight();
  ASSERT_EQ(static_cast<int>(seen.size()), edit->LinesInWindow() + 1);  // the partly shown row too
  EXPECT_EQ(seen[0], (std::array<int, 3>{2, 2 * step, 0}));
  EXPECT_EQ(seen[1], (std::array<int, 3>{3, 0, th}));
  EXPECT_EQ(seen[2], (std::array<int, 3>{4, step, 2 * th}));
}

// A scroll by less than a page moves the pixels that stay; the paint that follows covers only the
// band scrolled in, below or right of them.
TEST_F(PaintTest, AScrollPaintsOnlyTheBandItUncovers) {
  TStringList lines;
  for (int i = 1; i <= 100; ++i) lines.Add(std::string(200, 'x'));
  edit->Lines()->Assign(&lines);
  Pump();
  std::vector<TRect> clips;
  edit->OnPaint = [&](TObject*, TCanvas* canvas) { clips.push_back(canvas->ClipRect()); };
  const TRect client = edit->ClientRect();
  const int th = edit->TextHeight(), cw = edit->CharWidth();
  edit->SetTopLine(4);
  Pump();
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0], (TRect{0, client.Bottom - 3 * th, client.Right, client.Bottom}));
  clips.clear();
  edit->SetTopLine(2);
  Pump();
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0], (TRect{0, 0, client.Right, 2 * th}));
  clips.clear();
  edit->SetLeftChar(6);
  Pump();
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0], (TRect{client.Right - 5 * cw, 0, client.Right, client.Bottom}));
  clips.clear();
  edit->SetLeftChar(4);
  Pump();
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0], (TRect{2, 0, 2 + 2 * cw, client.Bottom}));
  // A page or more is painted whole.
  clips.clear();
  edit->SetTopLine(2 + edit->LinesInWindow());
  Pump();
  ASSERT_EQ(clips.size(), 1u);
  EXPECT_EQ(clips[0], client);
}

// A highlighter reads a line's characters; its tokens are drawn in the cells those characters take,
// after tabs too.
TEST_F(PaintTest, HighlightedTokensStandInTheCellsOfTheirCharacters) {
  struct TDigits : TCodeCustomHighlighter {  // digits one token each, in red; the rest one token
    TDigits() : TCodeCustomHighlighter(nullptr) {
      AddAttribute(digit = new TCodeHighlighterAttributes("Digit"));
      digit->SetForeground(kSelBack);
    }
    void SetLine(const std::u32string& S, int) override {
      line = S;
      pos = 0;
      Measure();
    }
    bool GetEol() const override { return pos >= line.size(); }
    void Next() override {
      pos += len;
      Measure();
    }
    void Measure() {
      len = 0;
      if (pos >= line.size()) return;
      const bool d = IsDigit(line[pos]);
      while (pos + len < line.size() && IsDigit(line[pos + len]) == d && (!d || len == 0)) ++len;
    }
    static bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
    std::u32string GetToken() const override { return line.substr(pos, len); }
    int GetTokenKind() const override { return IsDigit(line[pos]) ? 1 : 0; }
    TCodeHighlighterAttributes* GetTokenAttribute() const override { return GetTokenKind() ? digit : nullptr; }
    int GetTokenPos() const override { return static_cast<int>(pos); }
    TCodeHighlighterAttributes* digit;
    std::u32string line;
    std::size_t pos = 0, len = 0;
  } digits;
  edit->SetTabWidth(4);
  edit->SetHighlighter(&digits);
  SetText({"a\t14\tb1"});  // a, tab cells 2 to 4, 1 and 4 in 5 and 6, tab 7 to 8, b in 9, 1 in 10
  const TColorRef red = ColorToRGB(kSelBack);
  auto red_in = [&](int Column) {
    for (int y = RowY(1); y < RowY(1) + edit->TextHeight(); ++y)
      for (int x = CellX(Column); x < CellX(Column + 1); ++x)
        if (At(x, y) == red) return true;
    return false;
  };
  for (const int column : {5, 6, 10}) EXPECT_TRUE(red_in(column)) << column;
  for (const int column : {1, 3, 7, 9}) EXPECT_FALSE(red_in(column)) << column;
  edit->SetHighlighter(nullptr);
}

// A line of 1,000 tabs of 65,536 cells is painted from the cells on screen: the mark in the middle of
// a tab far along shows, and the paint takes no memory to speak of (expanding the line would take
// 260 MB).
TEST_F(PaintTest, AWideLineIsPaintedFromTheCellsOnScreen) {
  edit->SetTabWidth(kMaxTabWidth);
  edit->SetOptions(edit->Options() - eoScrollPastEol + eoShowSpecialChars);
  edit->LineList()->Clear();
  edit->LineList()->AddLine(std::u32string(1000, U'\t') + U"x");
  // Tab 500 starts in column 500 * 65536 + 1; its mark stands half its cells on.
  const int left = 500 * kMaxTabWidth + 1 + kMaxTabWidth / 2 - 4;
  edit->SetLeftChar(left);
  ASSERT_EQ(edit->LeftChar(), left);
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  bool ink = false;
  for (int column = left; column < left + 8; ++column) ink = ink || Ink(column, 1);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  EXPECT_TRUE(ink);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024);  // kilobytes
  edit->SetOptions(edit->Options() - eoShowSpecialChars);
  for (int column = left; column < left + 8; ++column) EXPECT_FALSE(Ink(column, 1)) << column;
}

TEST_F(PaintTest, TheActiveLineTakesItsColour) {
  SetText({"one", "two", "three"});
  edit->SetCaretXY({1, 2});
  EXPECT_EQ(At(CellX(30), RowY(2)), ColorToRGB(clWhite));  // clNone: no colour of its own
  edit->SetActiveLineColor(kActive);
  EXPECT_EQ(At(CellX(30), RowY(2)), ColorToRGB(kActive));
  EXPECT_EQ(At(CellX(30), RowY(1)), ColorToRGB(clWhite));
  edit->SetCaretXY({1, 3});
  EXPECT_EQ(At(CellX(30), RowY(3)), ColorToRGB(kActive));
  EXPECT_EQ(At(CellX(30), RowY(2)), ColorToRGB(clWhite));
}

TEST_F(PaintTest, GutterNumbersAreRightAlignedAndOnlyOnTheFirstRowOfALine) {
  edit->Gutter()->SetVisible(true);
  edit->Gutter()->SetShowLineNumbers(true);
  edit->Gutter()->SetColor(clWhite);
  edit->Gutter()->SetBorderStyle(gbsNone);
  Fill(12);
  const TColorRef white = ColorToRGB(clWhite);
  auto right_ink = [&](int Row) {
    int right = -1;
    for (int y = RowY(Row); y < RowY(Row) + edit->TextHeight(); ++y)
      for (int x = 0; x < edit->GutterWidth(); ++x)
        if (At(x, y) != white) right = std::max(right, x);
    return right;
  };
  const int one = right_ink(1);
  ASSERT_GT(one, 0);
  EXPECT_EQ(right_ink(9), one);
  EXPECT_EQ(right_ink(10), one);
  EXPECT_EQ(right_ink(12), one);
  // Under word wrap a line's continuation rows show no number.
  edit->Gutter()->SetAutoSize(false);
  TStringList lines;
  lines.Add(std::string(300, 'w'));
  lines.Add("short");
  edit->Lines()->Assign(&lines);
  edit->WordWrapGlyph()->SetVisible(false);
  edit->SetWordWrap(true);
  ASSERT_GT(edit->DisplayRowCount(), 3);
  EXPECT_EQ(right_ink(1), one);
  EXPECT_EQ(right_ink(2), -1);
  EXPECT_EQ(right_ink(edit->LineToRow(2)), one);
}

}  // namespace
}  // namespace lab::edittest
