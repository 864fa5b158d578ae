// The mouse moving over the grid: with a button held it carries on what the press started (a drag
// of selected records to another control, a pressed title button or, pulled sideways, the move of
// its column, selections of records, cells or columns, the size of a column, a record drag).

#include <algorithm>
#include <cstdlib>

#include "grid/dbgrid.h"
#include "platform/controls/mouse.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

// The narrowest a column is sized to with the mouse: one pixel would leave nothing to grab.
constexpr int kMinSizedWidth = 2;
// How far a pressed title may be pulled sideways before it moves its column.
constexpr int kTitleDragSlack = 3;

}  // namespace

void TCustomDBGridX::MouseMove(TShiftState Shift, int X, int Y) {
  const bool moved = X != mouse_.MousePoint.X || Y != mouse_.MousePoint.Y;
  mouse_.MousePoint = {X, Y};
  if (mouse_.RowSelectPending()) {
    mouse_.SetRowSelectPending(false);
    BeginDrag(Mouse->DragImmediate(), Mouse->DragThreshold());
    return;
  }
  if (mouse_.Tracking() && mouse_.PressedTitle() >= 0) {
    TrackTitleButton(X, Y);
    if (std::abs(X - mouse_.PressPoint.X) <= kTitleDragSlack || !options_.Contains(dgColumnResize)) {
      TCustomControl::MouseMove(Shift, X, Y);
      return;
    }
    // Pulled sideways: the press becomes the start of moving the column.
    StopTracking();
    if (Shift.Contains(ssLeft) || Shift.Contains(ssRight)) SetMouseCapture(true);
    TCustomGrid::MouseDown(mbLeft, Shift, mouse_.PressPoint.X, mouse_.PressPoint.Y);
    TCustomGrid::MouseMove(Shift, X, Y);
    return;
  }
  if (mouse_.RecordTracking() || mouse_.ColumnTracking() || mouse_.Mode() == mmSelectRectX) {
    DragSelection(Shift, X, Y, moved);
  } else if (mouse_.Mode() == mmSelectColumnsX) {
    const TRect box = DataBoxPixels();
    const TGridCoord cell = MouseCoord(X, Y);
    const int data_col = RawToDataColumn(cell.X);
    if (X > box.Left && X < box.Right && cell.X >= indicator_offset_ && data_col < columns_->Count())
      selection_->Columns()->SelectShift(columns_->GetColumn(data_col));
    else
      TimerScroll();
  } else if (mouse_.Mode() == mmSizeColumnX) {
    if (options_x_.Contains(dgxTraceColSizing)) {
      SizeColumnLive(mouse_.Sizing.Col, X);
    } else {
      DrawColSizingLine(mouse_.Sizing.Pos);
      mouse_.Sizing.Pos = (UseRightToLeftAlignment() ? ClientWidth() - X : X) + mouse_.Sizing.Ofs;
      DrawColSizingLine(mouse_.Sizing.Pos);
    }
  } else if (GridState() == gsColSizing && options_x_.Contains(dgxTraceColSizing)) {
    SizeColumnLive(SizingIndex(), X);
  } else if (mouse_.Mode() == mmMoveRecordsX) {
    const int row = DragMouseRow(Y);
    TGridDrawInfo di;
    TCustomGrid::CalcDrawInfo(di);
    if (row >= FixedRows() && row <= di.Vert.LastFullVisibleCell + 1) RecordDragStep(TPoint{X, Y}, row);
  } else {
    TCustomGrid::MouseMove(Shift, X, Y);
    return;
  }
  TCustomControl::MouseMove(Shift, X, Y);  // OnMouseMove
}

// The selection follows the mouse within the data cells; outside them the timer scrolls.
void TCustomDBGridX::DragSelection(TShiftState Shift, int X, int Y, bool Moved) {
  X = std::clamp(X, 0, std::max(0, GridWidth() - 1));
  Y = std::clamp(Y, 0, std::max(0, GridHeight() - 1));
  const TGridCoord cell = MouseCoord(X, Y);
  const TRect box = DataBoxPixels();
  const bool select = Shift.Contains(ssLeft) && Moved;
  if (Y > box.Top && Y < box.Bottom && cell.Y >= title_offset_ && cell.Y != Row())
    ExtendSelectionBy(select, cell.Y - Row(), false, mouse_.Mode() != mmSelectRectX);
  if (mouse_.ColumnTracking() && X > box.Left && X < box.Right && cell.X >= indicator_offset_ && cell.X != Col()) {
    SelectColumnTo(cell.X, cell.X > Col() ? 1 : -1, false);
    if (mouse_.Mode() == mmSelectRectX && Moved) GrowRectangle();
  }
  mouse_.DragKeys = Shift;
  TimerScroll();
}

void TCustomDBGridX::GrowRectangle() {
  if (!CanSelectType(gstRectangle) || rect_anchor_col_ < 0) return;
  TDBGridXSelectionRect* rect = selection_->Rect();
  if (selection_->SelectionType() != gstRectangle) rect->Select(rect_anchor_col_, rect_anchor_bookmark_, false);
  rect->Select(SelectedIndex(), selected_rows_->CurrentRow(), true);
}

// Live sizing: the column takes the width the mouse gives it at once. Fitted columns keep a pixel
// and a line each to the right, or the size is not taken.
void TCustomDBGridX::SizeColumnLive(int Index, int X) {
  const int ofs = mouse_.Mode() == mmSizeColumnX ? mouse_.Sizing.Ofs : SizingOfs();
  const int pos = (UseRightToLeftAlignment() ? ClientWidth() - X : X) + ofs;
  if (mouse_.Mode() == mmSizeColumnX) mouse_.Sizing.Pos = pos;
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  const int width = std::max(kMinSizedWidth, TGridLayout::SizedExtent(di.Horz, Index, pos));
  if (auto_fit_col_widths_ && !ComponentState().Contains(csDesigning)) {
    const int right = columns_->Count() - Index;
    if (di.Horz.GridBoundary - right * (1 + di.Horz.EffectiveLineWidth) <= pos) return;
  }
  if (width != ColWidths(Index)) SetColWidths(Index, width);
}

}  // namespace lab
