#include "platform/grids/grid_layout.h"

#include <gtest/gtest.h>

#include <ostream>

#include "platform/rtl/exceptions.h"

namespace lab {

void PrintTo(const TGridCoord& c, std::ostream* os) { *os << "(" << c.X << ", " << c.Y << ")"; }
void PrintTo(const TRect& r, std::ostream* os) {
  *os << "[" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "]";
}

namespace {

// The framework's new grid (5 x 5, one fixed column and row, 64 x 24, 1-pixel lines) in a client
// area of 200 x 100: columns 1 and 2 and rows 1 to 3 show whole, column 3 is cut at the edge.
struct GridLayout : ::testing::Test {
  TGridLayout g;
  TGridDrawInfo Info() const { return g.CalcDrawInfo(200, 100); }
  TRect Cell(int c, int r) const { return BoxRect(Info(), {c, r, c, r}, false); }
};

TEST_F(GridLayout, DrawInformationCountsLinesAndCutsAtTheClientEdge) {
  const TGridDrawInfo d = Info();
  EXPECT_EQ(d.Horz.EffectiveLineWidth, 1);
  EXPECT_EQ(d.Horz.FixedBoundary, 65);
  EXPECT_EQ(d.Horz.LastFullVisibleCell, 2);
  EXPECT_EQ(d.Horz.FullVisBoundary, 195);
  EXPECT_EQ(d.Horz.GridBoundary, 200);
  EXPECT_EQ(d.Horz.VisibleCount(), 2);
  EXPECT_EQ(d.Horz.LastDrawnCell(), 3);
  // Row 3 ends at 100 with its line at pixel 100 outside: it still counts as whole.
  EXPECT_EQ(d.Vert.FixedBoundary, 25);
  EXPECT_EQ(d.Vert.LastFullVisibleCell, 3);
  EXPECT_EQ(d.Vert.GridBoundary, 100);
  EXPECT_EQ(d.Vert.LastDrawnCell(), 3);

  // No line options: no line width at all; fixed lines alone count for their axis.
  g.Options = {};
  EXPECT_EQ(Info().Horz.FixedBoundary, 64);
  g.Options = {goFixedVertLine};
  EXPECT_EQ(Info().Horz.EffectiveLineWidth, 1);
  EXPECT_EQ(Info().Vert.EffectiveLineWidth, 0);
  // A first cell larger than the view still counts as the one visible cell.
  g.Cols.SetExtent(1, 500);
  EXPECT_EQ(Info().Horz.LastFullVisibleCell, 1);
  EXPECT_EQ(Info().Horz.VisibleCount(), 1);
}

TEST_F(GridLayout, CellRectanglesWithLinesFixedCellsAndHiddenColumns) {
  EXPECT_EQ(Cell(0, 0), Rect(0, 0, 64, 24));
  EXPECT_EQ(Cell(1, 1), Rect(65, 25, 129, 49));
  EXPECT_EQ(Cell(3, 2), Rect(195, 50, 200, 74));  // cut at the client edge
  EXPECT_EQ(Cell(4, 1), TRect{});                  // beyond the edge
  EXPECT_EQ(Cell(1, 4), TRect{});
  EXPECT_EQ(BoxRect(Info(), {1, 1, 2, 2}, true), Rect(65, 25, 195, 75));

  g.GridLineWidth = 3;
  EXPECT_EQ(Cell(1, 1), Rect(67, 27, 131, 51));

  g.GridLineWidth = 1;
  g.Cols.SetExtent(2, -1);  // hidden: neither the cell nor its line takes a pixel
  EXPECT_EQ(Cell(2, 1), TRect{});
  EXPECT_EQ(Cell(3, 1), Rect(130, 25, 194, 49));
  g.Cols.SetExtent(2, 0);  // zero width keeps its line
  EXPECT_EQ(Cell(3, 1), Rect(131, 25, 195, 49));

  // Scrolled: the fixed column stays, scrolled-out columns have no rectangle.
  g.Cols.SetExtent(2, 64);
  g.TopLeft = {3, 1};
  EXPECT_EQ(Cell(0, 1), Rect(0, 25, 64, 49));
  EXPECT_EQ(Cell(1, 1), TRect{});
  EXPECT_EQ(Cell(3, 1), Rect(65, 25, 129, 49));
  EXPECT_EQ(BoxRect(Info(), {0, 1, 3, 1}, false), Rect(0, 25, 129, 49));
  EXPECT_EQ(BoxRect(Info(), {1, 1, 2, 1}, false), TRect{});
}

TEST_F(GridLayout, HitTestsGiveTheLineToTheCellBeforeIt) {
  const TGridDrawInfo d = Info();
  EXPECT_EQ(CellAtPoint(d, 0, 0), (TGridCoord{0, 0}));
  EXPECT_EQ(CellAtPoint(d, 64, 24), (TGridCoord{0, 0}));  // the lines right of and below (0, 0)
  EXPECT_EQ(CellAtPoint(d, 65, 25), (TGridCoord{1, 1}));
  EXPECT_EQ(CellAtPoint(d, 199, 99), (TGridCoord{3, 3}));
  EXPECT_EQ(CellAtPoint(d, 200, 50), (TGridCoord{-1, -1}));
  EXPECT_EQ(CellAtPoint(d, -1, 50), (TGridCoord{-1, -1}));
  EXPECT_EQ(CellAtPoint(d, 70, -3), (TGridCoord{-1, -1}));

  g.Cols.SetExtent(2, -1);
  g.TopLeft = {2, 2};
  const TGridDrawInfo s = g.CalcDrawInfo(200, 100);
  EXPECT_EQ(CellAtPoint(s, 65, 30), (TGridCoord{3, 2}));  // hidden column 2 is never hit
  EXPECT_EQ(CellAtPoint(s, 10, 30), (TGridCoord{0, 2}));
}

TEST_F(GridLayout, LargestFirstCellAndScrollingIntoView) {
  const TGridDrawInfo d = Info();
  EXPECT_EQ(g.MaxTopLeft(d), (TGridCoord{3, 2}));
  EXPECT_EQ(g.TopLeftShowing(d, {4, 4}), (TGridCoord{3, 2}));
  EXPECT_EQ(g.TopLeftShowing(d, {2, 3}), (TGridCoord{1, 1}));  // already whole
  EXPECT_EQ(g.TopLeftShowing(d, {0, 0}), (TGridCoord{1, 1}));  // fixed cells never scroll
  g.TopLeft = {3, 2};
  EXPECT_EQ(g.TopLeftShowing(g.CalcDrawInfo(200, 100), {1, 1}), (TGridCoord{1, 1}));
  // A client larger than the cells: nothing to scroll.
  EXPECT_EQ(g.MaxTopLeft(g.CalcDrawInfo(1000, 1000)), (TGridCoord{1, 1}));
}

TEST_F(GridLayout, SizingEdgesOverTheFixedCells) {
  const TGridOptions sizing{goColSizing, goRowSizing};
  const TGridDrawInfo d = Info();
  // Column 1's right edge is at 129; the band reaches 3 pixels before it and 4 after.
  TGridSizing s = g.CalcSizingState(d, 127, 10, sizing);
  EXPECT_EQ(s.State, gsColSizing);
  EXPECT_EQ(s.Index, 1);
  EXPECT_EQ(s.Pos, 129);
  EXPECT_EQ(s.Ofs, 2);
  EXPECT_EQ(g.CalcSizingState(d, 125, 10, sizing).State, gsNormal);
  EXPECT_EQ(g.CalcSizingState(d, 133, 10, sizing).Index, 1);
  EXPECT_EQ(g.CalcSizingState(d, 127, 30, sizing).State, gsNormal);  // not over the titles
  EXPECT_EQ(g.CalcSizingState(d, 127, 10, {goRowSizing}).State, gsNormal);
  // The cut column is sized from the client edge.
  s = g.CalcSizingState(d, 199, 10, sizing);
  EXPECT_EQ(s.Index, 3);
  EXPECT_EQ(s.Pos, 200);
  // Rows over the fixed column.
  s = g.CalcSizingState(d, 10, 49, sizing);
  EXPECT_EQ(s.State, gsRowSizing);
  EXPECT_EQ(s.Index, 1);
  EXPECT_EQ(TGridLayout::SizedExtent(d.Horz, 1, 150), 85);
  EXPECT_EQ(TGridLayout::SizedExtent(d.Horz, 0, 40), 40);
}

TEST_F(GridLayout, KeyMovesStopAtTheEdges) {
  const TGridDrawInfo d = Info();
  auto move = [&](TGridKey k, bool ctrl = false, bool shift = false) { return g.KeyMove(d, k, ctrl, shift); };
  EXPECT_EQ(move(TGridKey::Up).Current, (TGridCoord{1, 1}));
  EXPECT_EQ(move(TGridKey::Left).Current, (TGridCoord{1, 1}));
  EXPECT_EQ(move(TGridKey::End).Current, (TGridCoord{4, 1}));
  EXPECT_EQ(move(TGridKey::End, true).Current, (TGridCoord{4, 4}));
  EXPECT_EQ(move(TGridKey::PageDown).Current, (TGridCoord{1, 3}));
  EXPECT_EQ(move(TGridKey::PageDown).TopLeft, (TGridCoord{1, 2}));  // kept within the largest first row
  EXPECT_FALSE(move(TGridKey::Down, false, true).MoveAnchor);
  EXPECT_TRUE(move(TGridKey::Down).MoveAnchor);
  EXPECT_EQ(move(TGridKey::Down, true).TopLeft, (TGridCoord{1, 2}));  // Ctrl scrolls the view only
  EXPECT_EQ(move(TGridKey::Down, true).Current, (TGridCoord{1, 1}));

  g.Current = g.Anchor = {4, 4};
  EXPECT_EQ(move(TGridKey::Down).Current, (TGridCoord{4, 4}));
  EXPECT_EQ(move(TGridKey::Right).Current, (TGridCoord{4, 4}));
  EXPECT_EQ(move(TGridKey::Home, true).Current, (TGridCoord{1, 1}));

  g.Options += goRowSelect;  // left and right move by rows
  EXPECT_EQ(move(TGridKey::Left).Current, (TGridCoord{4, 3}));
  EXPECT_EQ(move(TGridKey::Home).Current, (TGridCoord{4, 1}));
}

TEST_F(GridLayout, TabWrapsRowsAndPassesHiddenAndNonStopColumns) {
  const TGridDrawInfo d = Info();
  g.Current = g.Anchor = {4, 1};
  TGridMove m = g.KeyMove(d, TGridKey::Tab, false, false);
  EXPECT_EQ(m.Current, (TGridCoord{1, 2}));
  EXPECT_TRUE(m.MoveAnchor);
  g.Current = {1, 1};
  EXPECT_EQ(g.KeyMove(d, TGridKey::Tab, false, true).Current, (TGridCoord{4, 4}));  // back past the start
  g.Cols.SetTabStop(2, false);
  g.Cols.SetExtent(3, -1);
  EXPECT_EQ(g.KeyMove(d, TGridKey::Tab, false, false).Current, (TGridCoord{4, 1}));
  // Arrows pass hidden columns too, and stay put when nothing is shown that way.
  EXPECT_EQ(g.KeyMove(d, TGridKey::Right, false, false).Current, (TGridCoord{2, 1}));
  g.Current = {2, 1};
  EXPECT_EQ(g.KeyMove(d, TGridKey::Right, false, false).Current, (TGridCoord{4, 1}));
  g.Cols.SetExtent(4, -1);
  EXPECT_EQ(g.KeyMove(d, TGridKey::Right, false, false).Current, (TGridCoord{2, 1}));
  EXPECT_EQ(g.KeyMove(d, TGridKey::End, false, false).Current, (TGridCoord{2, 1}));
}

TEST_F(GridLayout, ScrollBarPositionsAndTargets) {
  TGridDrawInfo d = Info();
  EXPECT_TRUE(g.CanScroll(d, false));
  EXPECT_FALSE(g.CanScroll(g.CalcDrawInfo(1000, 1000), true));
  EXPECT_EQ(g.ScrollPos(d, false), 0);
  g.TopLeft = {2, 2};
  d = Info();
  EXPECT_EQ(g.ScrollPos(d, false), 63);   // halfway to the largest first column 3
  EXPECT_EQ(g.ScrollPos(d, true), 127);   // at the largest first row
  EXPECT_EQ(g.ScrollTarget(d, false, 0, 0), 1);    // line left
  EXPECT_EQ(g.ScrollTarget(d, false, 1, 0), 3);    // line right
  EXPECT_EQ(g.ScrollTarget(d, true, 1, 0), 2);     // kept at the largest first row
  EXPECT_EQ(g.ScrollTarget(d, false, 4, 127), 3);  // thumb at the end
  EXPECT_EQ(g.ScrollTarget(d, false, 4, 0), 1);
  EXPECT_EQ(g.ScrollTarget(d, false, 5, 64), 2);
  EXPECT_EQ(g.ScrollTarget(d, false, 6, 0), 1);    // top
  EXPECT_EQ(g.ScrollTarget(d, false, 7, 0), 3);    // bottom

  // Paging over 20 rows in a view of three whole rows: one row of overlap each way.
  g.Rows.SetCount(20);
  g.TopLeft = {1, 5};
  d = Info();
  EXPECT_EQ(d.Vert.LastFullVisibleCell, 7);
  EXPECT_EQ(g.ScrollTarget(d, true, 3, 0), 7);
  EXPECT_EQ(g.ScrollTarget(d, true, 2, 0), 3);
}

TEST_F(GridLayout, ScrollDataMovesTitlesWithTheirData) {
  std::vector<TGridScrollStep> steps;
  const TGridDrawInfo d = Info();
  ASSERT_TRUE(TGridLayout::CalcScrollData(d, {1, 1}, {2, 1}, steps));
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0].Area, Rect(65, 0, 200, 100));
  EXPECT_EQ(steps[0].DX, -65);
  ASSERT_TRUE(TGridLayout::CalcScrollData(d, {2, 2}, {1, 1}, steps));
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[1].Area, Rect(0, 25, 65, 100));
  EXPECT_EQ(steps[1].DY, 25);
  EXPECT_EQ(steps[2].DX, 65);
  // Further than the scrolling area: repaint instead.
  EXPECT_FALSE(TGridLayout::CalcScrollData(d, {1, 1}, {1, 4}, steps));
  EXPECT_TRUE(steps.empty());
  // From a first row that no longer exists (the grid shrank): repaint, never a cell index error.
  EXPECT_FALSE(TGridLayout::CalcScrollData(d, {1, 30}, {1, 1}, steps));
}

TEST(GridOptions, NumericValuesFollowTheStoredBitOrder) {
  const TGridOptions dataGrid{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                              goColSizing, goColMoving, goEditing, goTabs};
  EXPECT_EQ(dataGrid.Value(), 3727u);
  EXPECT_EQ(TGridOptions{goThumbTracking}.Value(), 1u << 14);
  EXPECT_EQ(TGridLayout().Options.Value(), 31u);  // a new grid: lines and range selection
  EXPECT_EQ((TGridDrawState{gdSelected, gdFocused, gdFixed}).Value(), 7u);
}

TEST(GridAxis, ExtentsTabStopsAndMoves) {
  TGridAxis a(4, 1, 10);
  EXPECT_TRUE(a.AllDefault());
  a.SetExtent(2, 10);
  EXPECT_TRUE(a.AllDefault());  // the default costs no storage
  a.SetExtent(2, 30);
  a.SetExtent(3, -7);
  EXPECT_EQ(a.Extent(3), 0);  // below zero, other than -1, clamps
  a.SetExtent(1, -1);
  EXPECT_EQ(a.Extent(1), -1);
  a.SetTabStop(2, false);
  a.Move(2, 0);
  EXPECT_EQ(a.Extent(0), 30);
  EXPECT_FALSE(a.TabStop(0));
  EXPECT_EQ(a.Extent(1), 10);
  EXPECT_EQ(a.Extent(2), -1);
  a.SetCount(6);
  EXPECT_EQ(a.Extent(5), 10);
  EXPECT_TRUE(a.TabStop(5));
  a.SetDefaultExtent(12);
  EXPECT_EQ(a.Extent(0), 12);  // a new default resets every cell
  EXPECT_THROW(a.Extent(6), EInvalidGridOperation);
  try {
    a.SetExtent(-1, 5);
    FAIL();
  } catch (const EInvalidGridOperation& e) {
    EXPECT_EQ(e.Message(), "Grid index out of range");
  }
}

}  // namespace
}  // namespace lab
