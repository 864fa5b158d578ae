// The base grid in a window: index errors, keys at the edges, mouse selection, column sizing with its
// XOR line, column moving, the editor shown and hidden with its text taken back, and the scroll bars.

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "controls_fixture.h"
#include "platform/controls/application.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/scroll_bars.h"
#include "platform/grids/grids.h"
#include "platform/grids/inplace_edit.h"

namespace lab::testing {
namespace {

using namespace lab::win;

struct DrawnCell {
  int Col, Row;
  TRect Rect;
  TGridDrawState State;
};

class TTestGrid : public TCustomGrid {
 public:
  using TCustomGrid::TCustomGrid;
  using TCustomGrid::ColCount;
  using TCustomGrid::ColWidths;
  using TCustomGrid::DeleteColumn;
  using TCustomGrid::DeleteRow;
  using TCustomGrid::MoveColumn;
  using TCustomGrid::MoveRow;
  using TCustomGrid::FixedCols;
  using TCustomGrid::GridState;
  using TCustomGrid::Options;
  using TCustomGrid::RowCount;
  using TCustomGrid::SetColCount;
  using TCustomGrid::SetColWidths;
  using TCustomGrid::SetDefaultColWidth;
  using TCustomGrid::SetDefaultRowHeight;
  using TCustomGrid::SetFixedCols;
  using TCustomGrid::SetFixedRows;
  using TCustomGrid::SetOptions;
  using TCustomGrid::RowHeights;
  using TCustomGrid::SetRowCount;
  using TCustomGrid::SetRowHeights;
  using TCustomGrid::SetScrollBars;
  using TCustomGrid::Sizing;

  std::map<std::pair<int, int>, std::string> cells;
  std::vector<DrawnCell> drawn;
  std::vector<std::string> log;
  bool refuseCell = false;

 protected:
  void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override {
    drawn.push_back({ACol, ARow, ARect, AState});
  }
  bool SelectCell(int ACol, int ARow) override {
    log.push_back("select " + std::to_string(ACol) + "," + std::to_string(ARow));
    return !refuseCell;
  }
  std::string GetEditText(int ACol, int ARow) override { return cells[{ACol, ARow}]; }
  void SetEditText(int ACol, int ARow, const std::string& Value) override {
    cells[{ACol, ARow}] = Value;
    log.push_back("set " + std::to_string(ACol) + "," + std::to_string(ARow) + "=" + Value);
  }
  void ColumnMoved(int FromIndex, int ToIndex) override {
    log.push_back("moved " + std::to_string(FromIndex) + ">" + std::to_string(ToIndex));
  }
  void ColWidthsChanged() override {
    log.push_back("widths");
    TCustomGrid::ColWidthsChanged();
  }
  void TopLeftChanged() override {
    log.push_back("topleft " + std::to_string(LeftCol()) + "," + std::to_string(TopRow()));
    TCustomGrid::TopLeftChanged();
  }
};

class GridControl : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 400, 300);
    grid = new TTestGrid(form);
    grid->SetParent(form);
    grid->SetBorderStyle(bsNone);
    grid->SetScrollBars(ssNone);
    // 200 x 100 of client: the geometry of the layout tests.
    grid->SetBounds(10, 10, 200, 100);
    form->Show();
    Process();
  }
  void TearDown() override {
    delete form;
    Process();
    ControlsTest::TearDown();
  }
  void Process() { Application->ProcessMessages(); }
  HWND H() { return grid->Handle(); }
  COLORREF At(int x, int y) {
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    return ColorOfPixel(s->Row(y + 10)[x + 10]);  // grid client coordinates
  }

  TForm* form = nullptr;
  TTestGrid* grid = nullptr;
};

TEST_F(GridControl, IndexesOutsideTheGridRaiseTheGridError) {
  try {
    grid->SetCol(5);
    FAIL();
  } catch (const EInvalidGridOperation& e) {
    EXPECT_EQ(e.Message(), "Grid index out of range");
  }
  EXPECT_THROW(grid->SetRow(-1), EInvalidGridOperation);
  EXPECT_THROW(grid->SetLeftCol(0), EInvalidGridOperation);  // a fixed column cannot scroll
  EXPECT_THROW(grid->SetSelection({0, 0, 9, 1}), EInvalidGridOperation);
  EXPECT_THROW(grid->SetFixedCols(5), EInvalidGridOperation);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 1);
  // Fewer columns than fixed ones: the fixed count gives way.
  grid->SetColCount(1);
  EXPECT_EQ(grid->FixedCols(), 0);
  EXPECT_EQ(grid->Col(), 0);
}

// A row or column deleted and put back in its place gives the layout back, the current cell keeping
// to its contents; an index at the count (or below 0) is refused with nothing changed.
TEST_F(GridControl, DeletingRowsAndColumnsAndPuttingThemBackRestoresTheLayout) {
  grid->SetRowCount(6);
  grid->SetColCount(6);
  for (int i = 0; i < 6; ++i) {
    grid->SetRowHeights(i, 10 + i);
    grid->SetColWidths(i, 20 + i);
  }
  auto heights = [&] {
    std::vector<int> v;
    for (int i = 0; i < grid->RowCount(); ++i) v.push_back(grid->RowHeights(i));
    return v;
  };
  auto widths = [&] {
    std::vector<int> v;
    for (int i = 0; i < grid->ColCount(); ++i) v.push_back(grid->ColWidths(i));
    return v;
  };
  grid->SetCol(4);
  grid->SetRow(4);

  grid->DeleteRow(2);
  grid->DeleteColumn(2);
  EXPECT_EQ(heights(), (std::vector<int>{10, 11, 13, 14, 15}));
  EXPECT_EQ(widths(), (std::vector<int>{20, 21, 23, 24, 25}));
  EXPECT_EQ(grid->Row(), 3);
  EXPECT_EQ(grid->Col(), 3);

  grid->SetRowCount(6);
  grid->MoveRow(5, 2);
  grid->SetRowHeights(2, 12);
  grid->SetColCount(6);
  grid->MoveColumn(5, 2);
  grid->SetColWidths(2, 22);
  EXPECT_EQ(heights(), (std::vector<int>{10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(widths(), (std::vector<int>{20, 21, 22, 23, 24, 25}));
  EXPECT_EQ(grid->Row(), 4);
  EXPECT_EQ(grid->Col(), 4);

  // Moving there and back is no move at all.
  grid->MoveColumn(1, 4);
  grid->MoveColumn(4, 1);
  EXPECT_EQ(widths(), (std::vector<int>{20, 21, 22, 23, 24, 25}));
  EXPECT_EQ(grid->Col(), 4);
  // The current row and column moved themselves, there and back.
  grid->MoveRow(4, 1);
  grid->MoveColumn(4, 5);
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(grid->Col(), 5);
  grid->MoveRow(1, 4);
  grid->MoveColumn(5, 4);
  EXPECT_EQ(grid->Row(), 4);
  EXPECT_EQ(grid->Col(), 4);
  EXPECT_EQ(heights(), (std::vector<int>{10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(widths(), (std::vector<int>{20, 21, 22, 23, 24, 25}));

  EXPECT_THROW(grid->DeleteRow(grid->RowCount()), EInvalidGridOperation);
  EXPECT_THROW(grid->DeleteRow(-1), EInvalidGridOperation);
  EXPECT_THROW(grid->DeleteColumn(grid->ColCount()), EInvalidGridOperation);
  EXPECT_EQ(heights(), (std::vector<int>{10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(widths(), (std::vector<int>{20, 21, 22, 23, 24, 25}));

  // The last one, and the current row on it.
  grid->SetRow(5);
  grid->DeleteRow(grid->RowCount() - 1);
  grid->DeleteColumn(grid->ColCount() - 1);
  EXPECT_EQ(heights(), (std::vector<int>{10, 11, 12, 13, 14}));
  EXPECT_EQ(widths(), (std::vector<int>{20, 21, 22, 23, 24}));
  EXPECT_EQ(grid->Row(), 4);
}

TEST_F(GridControl, KeysMoveTheCurrentCellAndScrollItIntoView) {
  grid->SetFocus();
  Process();
  headless::PressKey(VK_UP);
  headless::PressKey(VK_LEFT);
  Process();
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 1);
  headless::PressKey(VK_END);
  Process();
  EXPECT_EQ(grid->Col(), 4);
  EXPECT_EQ(grid->LeftCol(), 3);  // column 4 is shown whole at the right
  headless::PressKey(VK_END, false, true, false);
  Process();
  EXPECT_EQ(grid->Row(), 4);
  EXPECT_EQ(grid->TopRow(), 2);
  headless::PressKey(VK_DOWN);
  headless::PressKey(VK_RIGHT);
  Process();
  EXPECT_EQ(grid->Col(), 4);
  EXPECT_EQ(grid->Row(), 4);
  // A cell that SelectCell refuses does not become current.
  grid->refuseCell = true;
  headless::PressKey(VK_HOME, false, true, false);
  Process();
  EXPECT_EQ(grid->Col(), 4);
  EXPECT_EQ(grid->log.back(), "select 1,1");
}

TEST_F(GridControl, ShiftAndDragsExtendARangeSelection) {
  grid->SetFocus();
  headless::PressKey(VK_RIGHT, true, false, false);
  headless::PressKey(VK_DOWN, true, false, false);
  Process();
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 2}));
  // A press and a drag: the selection follows the mouse from the pressed cell.
  headless::MouseDown(H(), 70, 30);  // cell (1, 1)
  headless::MoveMouse(H(), 140, 80);   // cell (2, 3)
  headless::MouseUp(H(), 140, 80);
  Process();
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 3}));
  EXPECT_EQ(grid->GridState(), gsNormal);
  // Without range selection the current cell simply follows.
  grid->SetOptions(grid->Options() - goRangeSelect);
  headless::PressKey(VK_DOWN, true, false, false);
  Process();
  EXPECT_EQ(grid->Selection().Top, grid->Selection().Bottom);
}

TEST_F(GridControl, SelectingPastTheCellsScrollsOnTheTimer) {
  grid->SetRowCount(20);
  Process();
  headless::MouseDown(H(), 70, 30);  // cell (1, 1)
  headless::MoveMouse(H(), 70, 98);  // row 3, the last whole one
  Process();
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 1, 3}));
  headless::MoveMouse(H(), 70, 130);  // below the grid
  Process();
  EXPECT_EQ(grid->TopRow(), 1);
  // Each tick of the grid's timer takes the selection one row further and the view along.
  clock.Advance(60);
  Process();
  clock.Advance(60);
  Process();
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 1, 5}));
  EXPECT_EQ(grid->TopRow(), 3);
  headless::MouseUp(H(), 70, 130);
  clock.Advance(120);
  Process();
  EXPECT_EQ(grid->Selection().Bottom, 5);  // the release stopped the timer
  EXPECT_TRUE(grid->Sizing(129, 10) == false);  // no sizing without goColSizing
}

TEST_F(GridControl, ColumnSizingDrawsAnXorLineAndSetsTheWidthOnRelease) {
  grid->SetOptions(grid->Options() + goColSizing);
  Process();
  EXPECT_TRUE(grid->Sizing(129, 10));
  EXPECT_FALSE(grid->Sizing(129, 30));
  const COLORREF before = At(150, 40);
  // Column 1 ends at 129: press on its edge in the title row and drag 21 pixels right.
  headless::MouseDown(H(), 129, 10);
  Process();
  EXPECT_EQ(grid->GridState(), gsColSizing);
  EXPECT_EQ(At(150, 40), before);
  auto lineAt = [&](int x) { return At(x, 40) != before || At(x, 41) != before; };
  headless::MoveMouse(H(), 140, 10);
  Process();
  // The dotted XOR line runs down the client at the mouse (every other pixel changed)...
  EXPECT_TRUE(lineAt(140));
  headless::MoveMouse(H(), 150, 10);
  Process();
  // ...and leaves nothing behind where it was.
  EXPECT_FALSE(lineAt(140));
  EXPECT_TRUE(lineAt(150));
  headless::MouseUp(H(), 150, 10);
  Process();
  EXPECT_EQ(grid->ColWidths(1), 85);
  EXPECT_EQ(grid->GridState(), gsNormal);
  EXPECT_NE(std::find(grid->log.begin(), grid->log.end(), "widths"), grid->log.end());
  // Dragged down to a pixel: the width stays.
  headless::MouseDown(H(), 150, 10);
  headless::MoveMouse(H(), 66, 10);
  headless::MouseUp(H(), 66, 10);
  Process();
  EXPECT_EQ(grid->ColWidths(1), 85);
}

TEST_F(GridControl, ColumnMovingByTheTitleRow) {
  grid->SetOptions(grid->Options() + goColMoving);
  grid->SetColWidths(1, 30);
  grid->SetColWidths(2, 40);
  Process();
  // Title of column 1 (65..95) dragged onto column 2 (96..136).
  headless::MouseDown(H(), 80, 10);
  Process();
  EXPECT_EQ(grid->GridState(), gsColMoving);
  headless::MoveMouse(H(), 110, 10);
  headless::MouseUp(H(), 110, 10);
  Process();
  EXPECT_NE(std::find(grid->log.begin(), grid->log.end(), "moved 1>2"), grid->log.end());
  EXPECT_EQ(grid->ColWidths(1), 40);
  EXPECT_EQ(grid->ColWidths(2), 30);
  EXPECT_EQ(grid->Col(), 2);  // the current cell moved with its column
}

TEST_F(GridControl, RowsAreSizedAndMovedOverTheFixedColumn) {
  grid->SetOptions(grid->Options() + goRowSizing + goRowMoving);
  grid->SetRowHeights(3, 30);
  Process();
  // Row 1 ends at 49: drag its edge 11 pixels down.
  headless::MouseDown(H(), 10, 49);
  Process();
  EXPECT_EQ(grid->GridState(), gsRowSizing);
  headless::MoveMouse(H(), 10, 60);
  headless::MouseUp(H(), 10, 60);
  Process();
  EXPECT_EQ(grid->RowHeights(1), 35);
  // Row 1's title dragged down onto row 2: the rows change places, heights with them.
  headless::MouseDown(H(), 10, 30);
  Process();
  EXPECT_EQ(grid->GridState(), gsRowMoving);
  headless::MoveMouse(H(), 10, 70);
  headless::MouseUp(H(), 10, 70);
  Process();
  EXPECT_EQ(grid->RowHeights(2), 35);
  EXPECT_EQ(grid->RowHeights(1), 24);
  EXPECT_EQ(grid->RowHeights(3), 30);
  EXPECT_EQ(grid->Row(), 2);
  // Cancelling the mode gives a sizing drag up.
  grid->SetFocus();
  headless::MouseDown(H(), 10, 49);
  Process();
  ASSERT_EQ(grid->GridState(), gsRowSizing);
  grid->Perform(WM_CANCELMODE, 0, 0);
  EXPECT_EQ(grid->GridState(), gsNormal);
  headless::MouseUp(H(), 10, 80);
  Process();
  EXPECT_EQ(grid->RowHeights(1), 24);
}

TEST_F(GridControl, EditorShowsTheCellTextAndHandsItBack) {
  grid->SetOptions(grid->Options() + goEditing);
  grid->cells[{1, 1}] = "alpha";
  grid->SetFocus();
  Process();
  headless::PressKey(VK_F2);
  Process();
  ASSERT_NE(grid->InplaceEditor(), nullptr);
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_TRUE(grid->InplaceEditor()->Visible());
  EXPECT_EQ(grid->InplaceEditor()->Text(), "alpha");
  EXPECT_EQ(grid->InplaceEditor()->BoundsRect(), grid->CellRect(1, 1));
  headless::TypeText("!");
  Process();
  EXPECT_EQ(grid->InplaceEditor()->Text(), "alpha!");
  // Enter closes the editor and the grid takes the text back.
  headless::PressKey(VK_RETURN);
  Process();
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_FALSE(grid->InplaceEditor()->Visible());
  EXPECT_EQ((grid->cells[{1, 1}]), "alpha!");
  // Typing in the grid opens the editor with the character.
  headless::PressKey(VK_DOWN);
  headless::TypeText("q");
  Process();
  EXPECT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->InplaceEditor()->Text(), "q");
  // Moving on with the editor open hands the text back first.
  headless::PressKey(VK_UP);
  Process();
  EXPECT_EQ((grid->cells[{1, 2}]), "q");
  EXPECT_EQ(grid->Row(), 1);
  // The editor's cell removed: the editor closes and hands nothing to a cell that is gone.
  headless::PressKey(VK_DOWN);
  headless::PressKey(VK_DOWN);
  headless::TypeText("z");
  Process();
  ASSERT_TRUE(grid->EditorMode());
  grid->log.clear();
  grid->SetRowCount(3);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_FALSE(grid->InplaceEditor()->Visible());
  for (const std::string& entry : grid->log) EXPECT_NE(entry.rfind("set", 0), 0u) << entry;
}

TEST_F(GridControl, TheEditorHandsNavigationKeysToTheGrid) {
  grid->cells[{1, 1}] = "ab";
  grid->SetOptions(grid->Options() + goEditing + goAlwaysShowEditor + goTabs);
  grid->SetFocus();
  Process();
  ASSERT_NE(grid->InplaceEditor(), nullptr);
  EXPECT_TRUE(grid->InplaceEditor()->Focused());
  // The grid stays its form's active control while its editor has the keyboard.
  EXPECT_EQ(form->ActiveControl(), grid);
  // With all of the text selected the arrows go to the grid at once.
  headless::PressKey(VK_RIGHT);
  Process();
  EXPECT_EQ(grid->Col(), 2);
  headless::PressKey(VK_LEFT);
  Process();
  EXPECT_EQ(grid->Col(), 1);
  // F2 puts the caret at the end; inside the text the arrows move the caret, at its ends the cell.
  headless::PressKey(VK_F2);
  headless::PressKey(VK_LEFT);
  Process();
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->InplaceEditor()->SelStart(), 1);
  headless::PressKey(VK_RIGHT);
  Process();
  EXPECT_EQ(grid->Col(), 1);
  headless::PressKey(VK_RIGHT);
  Process();
  EXPECT_EQ(grid->Col(), 2);
  headless::PressKey(VK_TAB);
  Process();
  EXPECT_EQ(grid->Col(), 3);
  headless::PressKey(VK_DOWN);
  Process();
  EXPECT_EQ(grid->Row(), 2);
  EXPECT_EQ(grid->InplaceEditor()->BoundsRect(), grid->CellRect(3, 2));
}

TEST_F(GridControl, ScrollBarRangeAndPositionFollowTheView) {
  grid->SetScrollBars(ssBoth);
  grid->SetRowCount(40);
  Process();
  int min = 0, max = 0;
  wm::GetScrollRange(H(), SB_VERT, &min, &max);
  EXPECT_EQ(max, 127);
  wm::GetScrollRange(H(), SB_HORZ, &min, &max);
  const int horzMax = max;
  EXPECT_EQ(wm::GetScrollPos(H(), SB_VERT), 0);
  grid->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  Process();
  EXPECT_GT(grid->TopRow(), 1);
  const TGridCoord maxTopLeft = grid->Layout().MaxTopLeft(
      grid->Layout().CalcDrawInfo(grid->ClientWidth(), grid->ClientHeight()));
  EXPECT_EQ(wm::GetScrollPos(H(), SB_VERT), (grid->TopRow() - 1) * 127 / (maxTopLeft.Y - 1));
  grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  Process();
  EXPECT_EQ(grid->TopRow(), maxTopLeft.Y);
  EXPECT_EQ(wm::GetScrollPos(H(), SB_VERT), 127);
  // A thumb drag moves the view only when it is let go, unless thumb tracking is on.
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 0), 0);
  EXPECT_EQ(grid->TopRow(), maxTopLeft.Y);
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
  EXPECT_EQ(grid->TopRow(), 1);
  grid->SetOptions(grid->Options() + goThumbTracking);
  grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 127), 0);
  EXPECT_EQ(grid->TopRow(), maxTopLeft.Y);
  // Everything fits: no range left.
  grid->SetRowCount(2);
  grid->SetColCount(2);
  Process();
  wm::GetScrollRange(H(), SB_VERT, &min, &max);
  EXPECT_EQ(max, 0);
  (void)horzMax;
}

// A hidden column (width -1) and a column or row of no width or height draw no cells.
TEST_F(GridControl, PaintHandsEachCellItsStateAndDrawsTheLines) {
  grid->SetFocus();
  grid->SetColWidths(2, -1);
  grid->SetColWidths(4, 0);
  grid->SetRowHeights(3, 0);
  grid->drawn.clear();
  grid->Invalidate();
  Process();
  auto find = [&](int c, int r) -> const DrawnCell* {
    for (const DrawnCell& d : grid->drawn)
      if (d.Col == c && d.Row == r) return &d;
    return nullptr;
  };
  ASSERT_NE(find(0, 0), nullptr);
  EXPECT_TRUE(find(0, 0)->State.Contains(gdFixed));
  ASSERT_NE(find(1, 1), nullptr);
  EXPECT_EQ(find(1, 1)->State, (TGridDrawState{gdFocused, gdSelected}));
  EXPECT_EQ(find(1, 1)->Rect, Rect(65, 25, 129, 49));
  EXPECT_EQ(find(2, 1), nullptr);  // hidden
  for (int c = 0; c < 5; ++c) EXPECT_EQ(find(c, 3), nullptr) << c;
  for (int r = 0; r < 5; ++r) EXPECT_EQ(find(4, r), nullptr) << r;
  EXPECT_NE(find(3, 4), nullptr);
  EXPECT_TRUE(find(3, 2)->State.Empty());
  // Data lines in silver, fixed lines in black.
  EXPECT_EQ(At(129, 60), ColorToRGB(clSilver));
  EXPECT_EQ(At(64, 60), ColorToRGB(clBlack));
}

}  // namespace
}  // namespace lab::testing
