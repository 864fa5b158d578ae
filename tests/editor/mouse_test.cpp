// Mouse input: selecting by dragging, Shift and Alt, the start of dragging the selection at the
// system's threshold, scrolling on the timer while the mouse is held outside the text, gutter clicks,
// and repaint requests collected while the lines change.

#include "editor_fixture.h"
#include "platform/controls/mouse.h"
#include "platform/graphics/system_metrics.h"
#include "platform/win/window_functions.h"

namespace lab::edittest {
namespace {

class MouseTest : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    Focus();
  }
  // The screen point of a client point of the editor.
  win::POINT Screen(int X, int Y) {
    win::POINT p{X, Y};
    win::ClientToScreen(edit->Handle(), p);
    return p;
  }
  // The client point in the middle of a cell (display column and row).
  TPoint Cell(int Column, int Row) {
    return {(Column - 1) * edit->CharWidth() + edit->TextOffset() + edit->CharWidth() / 4,
            (Row - edit->TopLine()) * edit->TextHeight() + edit->TextHeight() / 2};
  }
  void Down(TPoint P, win::UINT Button = win::VK_LBUTTON) {
    input::MouseMove(Screen(P.X, P.Y));
    input::MouseButton(Button, true, Screen(P.X, P.Y));
    Pump();
  }
  void Move(TPoint P) {
    input::MouseMove(Screen(P.X, P.Y));
    Pump();
  }
  void Up(TPoint P, win::UINT Button = win::VK_LBUTTON) {
    input::MouseButton(Button, false, Screen(P.X, P.Y));
    Pump();
  }
};

TEST_F(MouseTest, DraggingSelects) {
  Fill(20);
  Down(Cell(3, 2));
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{3, 2}));
  Move(Cell(5, 4));
  Up(Cell(5, 4));
  EXPECT_EQ(edit->BlockBegin(), (TBufferCoord{3, 2}));
  EXPECT_EQ(edit->BlockEnd(), (TBufferCoord{5, 4}));
  EXPECT_EQ(edit->SelText(), "ne 2\r\nline 3\r\nline");
  // Shift extends the selection to the click.
  input::KeyDown(win::VK_SHIFT);
  Down(Cell(2, 6));
  Up(Cell(2, 6));
  input::KeyUp(win::VK_SHIFT);
  Pump();
  EXPECT_EQ(edit->BlockBegin(), (TBufferCoord{3, 2}));
  EXPECT_EQ(edit->BlockEnd(), (TBufferCoord{2, 6}));
  // A plain click collapses it.
  Down(Cell(1, 1));
  Up(Cell(1, 1));
  EXPECT_FALSE(edit->SelAvail());
  // With eoAltSetsColumnMode, Alt selects a column.
  edit->SetOptions(edit->Options() + eoAltSetsColumnMode);
  input::KeyDown(win::VK_MENU);
  Down(Cell(2, 2));
  Move(Cell(4, 5));
  Up(Cell(4, 5));
  input::KeyUp(win::VK_MENU);
  Pump();
  EXPECT_EQ(edit->ActiveSelectionMode(), smColumn);
  EXPECT_EQ(edit->SelText(), "in\r\nin\r\nin\r\nin");
}

TEST_F(MouseTest, APressInsideTheSelectionDragsOnlyPastTheThreshold) {
  Fill(10);
  edit->SetBlockBegin({1, 2});
  edit->SetBlockEnd({7, 4});
  const TPoint inside = Cell(3, 3);
  Down(inside);
  EXPECT_TRUE(edit->StateFlags().Contains(sfWaitForDragging));
  EXPECT_EQ(edit->BlockEnd(), (TBufferCoord{7, 4}));  // nothing changed yet
  const int threshold = win::GetSystemMetrics(win::SM_CXDRAG);
  Move({inside.X + threshold - 1, inside.Y});
  EXPECT_FALSE(edit->Dragging());
  Up({inside.X + threshold - 1, inside.Y});
  // Let go without dragging: the caret goes to the point, the selection is gone.
  EXPECT_FALSE(edit->SelAvail());
  EXPECT_EQ(edit->CaretY(), 3);
  EXPECT_FALSE(edit->StateFlags().Contains(sfWaitForDragging));

  edit->SetBlockBegin({1, 2});
  edit->SetBlockEnd({7, 4});
  clock.Advance(2000);  // not a double click
  Down(inside);
  Move({inside.X + threshold, inside.Y});
  EXPECT_FALSE(edit->StateFlags().Contains(sfWaitForDragging));
  // The drag itself starts once the mouse goes on moving with the button held.
  Move({inside.X + 4 * threshold, inside.Y + threshold});
  EXPECT_TRUE(edit->Dragging());
  Up({inside.X + 4 * threshold, inside.Y + threshold});
  EXPECT_FALSE(edit->Dragging());
  EXPECT_EQ(edit->Text(), "line 1\r\nline 2\r\nline 3\r\nline 4\r\nline 5\r\nline 6\r\nline 7\r\nline 8\r\nline 9\r\n"
                          "line 10");
}

// A press waits for a drag when the pressed point lies in the selection ("abc" of "abcdef"), on
// either half of a character: that the caret would round to the edge after "c" does not decide it.
TEST_F(MouseTest, APressWaitsForADragWhereThePressedPointIsSelected) {
  SetText({"abcdef"});
  const struct {
    int column;
    int quarter;  // of the cell, from its left edge
    bool waits;
  } cases[] = {{1, 1, true}, {3, 1, true}, {3, 3, true}, {4, 0, false}, {4, 3, false}};
  for (const auto& c : cases) {
    edit->SetBlockBegin({1, 1});
    edit->SetBlockEnd({4, 1});
    clock.Advance(2000);  // no double click
    const TPoint at{edit->TextOffset() + (c.column - 1) * edit->CharWidth() + c.quarter * edit->CharWidth() / 4,
                    edit->TextHeight() / 2};
    Down(at);
    EXPECT_EQ(edit->StateFlags().Contains(sfWaitForDragging), c.waits) << c.column << " " << c.quarter;
    EXPECT_EQ(edit->SelAvail(), c.waits) << c.column << " " << c.quarter;
    Up(at);
    EXPECT_FALSE(edit->SelAvail());
  }
}

TEST_F(MouseTest, HoldingTheButtonBelowTheTextScrollsOnTheTimer) {
  Fill(300);
  Down(Cell(2, 3));
  const int bottom = edit->LinesInWindow() * edit->TextHeight();
  // Two rows below the text area: two rows a tick.
  Move({Cell(2, 3).X, bottom + edit->TextHeight() + 1});
  ASSERT_TRUE(edit->ScrollTimer()->Enabled());
  const int top = edit->TopLine();
  clock.Advance(100);
  Pump();
  EXPECT_EQ(edit->TopLine(), top + 2);
  clock.Advance(100);
  Pump();
  EXPECT_EQ(edit->TopLine(), top + 4);
  EXPECT_EQ(edit->CaretY(), edit->TopLine() + edit->LinesInWindow() - 1);
  EXPECT_TRUE(edit->SelAvail());
  // With Shift held it scrolls by pages.
  input::KeyDown(win::VK_SHIFT);
  Pump();
  clock.Advance(100);
  Pump();
  EXPECT_EQ(edit->TopLine(), top + 4 + 2 * edit->LinesInWindow());
  input::KeyUp(win::VK_SHIFT);
  // Back inside, and let go: the timer stops.
  Move(Cell(2, edit->TopLine() + 1));
  EXPECT_FALSE(edit->ScrollTimer()->Enabled());
  Up(Cell(2, edit->TopLine() + 1));
  EXPECT_FALSE(edit->ScrollTimer()->Enabled());
}

TEST_F(MouseTest, HoldingTheButtonBesideOrAboveTheTextScrollsThatWay) {
  TStringList lines;
  for (int i = 1; i <= 100; ++i) lines.Add(std::string(300, static_cast<char>('a' + i % 26)));
  edit->Lines()->Assign(&lines);
  edit->SetTopLine(50);
  Pump();
  Down(Cell(3, 55));
  // Right of the text area: the view moves right on each tick, the caret at the edge of the view.
  const int right = edit->GutterWidth() + edit->CharsInWindow() * edit->CharWidth();
  Move({right + 1, Cell(3, 55).Y});
  ASSERT_TRUE(edit->ScrollTimer()->Enabled());
  const int left = edit->LeftChar();
  clock.Advance(100);
  Pump();
  EXPECT_GT(edit->LeftChar(), left);
  EXPECT_EQ(edit->CaretX(), edit->LeftChar() + edit->CharsInWindow() - 1);
  EXPECT_EQ(edit->CaretY(), 55);
  // Three rows above the text: three rows a tick, up, the caret on the top row.
  Move({Cell(3, 55).X, -2 * edit->TextHeight() - 1});
  clock.Advance(100);
  Pump();
  EXPECT_EQ(edit->TopLine(), 47);
  EXPECT_EQ(edit->CaretY(), 47);
  EXPECT_EQ(edit->BlockBegin(), (TBufferCoord{3, 55}));
  EXPECT_EQ(edit->BlockEnd(), edit->CaretXY());
  Up({Cell(3, 55).X, -2 * edit->TextHeight() - 1});
  EXPECT_FALSE(edit->ScrollTimer()->Enabled());
}

TEST_F(MouseTest, GutterClicks) {
  Fill(10);
  std::vector<std::pair<TMouseButton, int>> clicks;
  edit->OnGutterClick = [&](TObject*, TMouseButton b, int, int, int line, TCodeEditMark*) {
    clicks.push_back({b, line});
  };
  const TPoint gutter{3, Cell(1, 4).Y};
  // Left: on the release.
  Down(gutter);
  EXPECT_TRUE(clicks.empty());
  Up(gutter);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0], (std::pair<TMouseButton, int>{mbLeft, 4}));
  // Right: on the press.
  Down(gutter, win::VK_RBUTTON);
  ASSERT_EQ(clicks.size(), 2u);
  EXPECT_EQ(clicks[1].first, mbRight);
  Up(gutter, win::VK_RBUTTON);
  EXPECT_EQ(clicks.size(), 2u);
}

TEST_F(MouseTest, RepaintsAskedForWhileLinesChangeAreCollected) {
  Fill(30);
  Pump();
  edit->LineList()->BeginUpdate();
  EXPECT_TRUE(edit->StateFlags().Contains(sfLinesChanging));
  edit->InvalidateLines(3, 4);
  edit->InvalidateGutterLines(10, 10);
  const TRect pending = edit->PendingRepaintRect();
  EXPECT_EQ(pending.Top, 2 * edit->TextHeight());
  EXPECT_EQ(pending.Bottom, 10 * edit->TextHeight());
  EXPECT_EQ(pending.Left, 0);
  edit->LineList()->EndUpdate();
  EXPECT_FALSE(edit->StateFlags().Contains(sfLinesChanging));
  EXPECT_TRUE(edit->PendingRepaintRect().IsEmpty());
  // Outside an update a request is invalidated at once.
  edit->InvalidateLines(3, 3);
  EXPECT_TRUE(edit->PendingRepaintRect().IsEmpty());
}

TEST_F(MouseTest, TheRightButtonMovesTheCaretOnlyWithItsOption) {
  Fill(10);
  edit->SetCaretXY({1, 1});
  Down(Cell(3, 5), win::VK_RBUTTON);
  Up(Cell(3, 5), win::VK_RBUTTON);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{1, 1}));
  edit->SetOptions(edit->Options() + eoRightMouseMovesCursor);
  edit->SetBlockBegin({1, 2});
  edit->SetBlockEnd({5, 3});
  Down(Cell(2, 2), win::VK_RBUTTON);  // inside the selection: it stays
  Up(Cell(2, 2), win::VK_RBUTTON);
  EXPECT_TRUE(edit->SelAvail());
  Down(Cell(3, 6), win::VK_RBUTTON);
  Up(Cell(3, 6), win::VK_RBUTTON);
  EXPECT_EQ(edit->CaretXY(), (TBufferCoord{3, 6}));
  EXPECT_FALSE(edit->SelAvail());
}

}  // namespace
}  // namespace lab::edittest

namespace lab::edittest {
namespace {

TEST_F(MouseTest, TheWheelScrollsUnlessAHandlerTookTheStep) {
  Fill(200);
  const TPoint at = Screen(Cell(2, 2).X, Cell(2, 2).Y);
  input::MouseWheel(-120, at);
  Pump();
  EXPECT_EQ(edit->TopLine(), 1 + Mouse->WheelScrollLines());
  // Half a notch waits for the other half.
  input::MouseWheel(60, at);
  Pump();
  EXPECT_EQ(edit->TopLine(), 1 + Mouse->WheelScrollLines());
  input::MouseWheel(60, at);
  Pump();
  EXPECT_EQ(edit->TopLine(), 1);
  edit->OnMouseWheel = [](TObject*, TShiftState, int, TPoint, bool& handled) { handled = true; };
  input::MouseWheel(-120, at);
  Pump();
  EXPECT_EQ(edit->TopLine(), 1);
}

TEST(CodeEditWithoutWindow, TheCaretDoesNotScrollAViewNotLaidOut) {
  SetBackend(CreateHeadlessBackend());
  TCodeEdit edit(nullptr);
  edit.Lines()->Add(std::string(300, 'x'));
  edit.SetCaretXY({250, 1});
  EXPECT_EQ(edit.CaretX(), 250);
  EXPECT_EQ(edit.LeftChar(), 1);
  EXPECT_EQ(edit.TopLine(), 1);
}

}  // namespace
}  // namespace lab::edittest
