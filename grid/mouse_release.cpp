// The mouse button released: it finishes what the press started (a column sized with its line, a
// record drag, a selection waiting for the release, a title button), turns a release over the
// pressed title button into a click that marks the column for sorting, fires the title and cell
// click events and steps a clicked check-box or image cell. Sorting by several columns (Ctrl held
// while the titles are clicked) waits for Ctrl to be released.

#include "grid/dbgrid.h"
#include "platform/controls/cursor.h"
#include "platform/controls/input.h"
#include "platform/controls/screen.h"
#include "platform/grids/inplace_edit.h"

namespace lab {

namespace {

constexpr int kMinSizedWidth = 2;

}  // namespace

void TCustomDBGridX::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  // The release that comes with a cancelled mouse (WMCancelMode) finishes nothing.
  if (mouse_.Cancelling()) return;
  if (mouse_.Mode() == mmSizeColumnX && !options_x_.Contains(dgxTraceColSizing)) {
    DrawColSizingLine(mouse_.Sizing.Pos);
    TGridDrawInfo di;
    TCustomGrid::CalcDrawInfo(di);
    const int width = TGridLayout::SizedExtent(di.Horz, mouse_.Sizing.Col, mouse_.Sizing.Pos);
    // A column dragged narrower than can be grabbed again keeps its width.
    if (width >= kMinSizedWidth) SetColWidths(mouse_.Sizing.Col, width);
  } else if (mouse_.Mode() == mmMoveRecordsX) {
    EndRecordDrag(TPoint{X, Y}, true);
  }
  if (mouse_.RowSelectPending()) {
    mouse_.SetRowSelectPending(false);
    if (Shift.Contains(ssCtrl) && options_.Contains(dgRowSelect))
      selected_rows_->SetCurrentRowSelected(!selected_rows_->CurrentRowSelected());
    else if (options_x_.Contains(dgxClearSelection))
      ClearSelection();
  } else if (options_x_.Contains(dgxTraceColSizing) && GridState() == gsColSizing) {
    SetGridState(gsNormal);  // sized live already
    return;
  }
  const TMouseModeX mode = mouse_.Mode();
  mouse_.SetMode(mmNoneX);
  const TGridState state = GridState();
  row_selecting_ = false;
  // A row sized: every data row takes the new height, and the edge the cursor showed moves away
  // from the mouse. The cursor is asked for again once the rows stand.
  const bool refresh_cursor = wm::GetCursor() && wm::GetCursor() == Screen->Cursors(crVSplit);
  if (mouse_.Tracking() && mouse_.PressedTitle() >= 0) {
    ReleaseTitleButton(Shift, X, Y);
  } else if (mouse_.RightCapture()) {
    mouse_.SetRightCapture(false);
    SetMouseCapture(false);
    if (Button == mbRight) Button = mbLeft;  // the framework grid finishes the column's move
  }
  if (mouse_.RecordTracking() || mouse_.Tracking() || mouse_.ColumnTracking()) StopTracking();
  if (mode != mmNoneX) StopTimer();
  // The capture a right-button press took goes with its release.
  if (Button == mbRight && MouseCapture()) SetMouseCapture(false);
  TCustomGrid::MouseUp(Button, Shift, X, Y);
  if (refresh_cursor) Perform(CM_CURSORCHANGED, 0, 0);
  if (state == gsRowSizing || state == gsColSizing) return;
  if (EditorShowing() && InplaceEditor()->BoundsRect().Contains(TPoint{X, Y})) return;
  const TGridCoord cell = MouseCoord(X, Y);
  const int data_col = RawToDataColumn(cell.X);
  if (Button == mbLeft && cell.X >= indicator_offset_ && cell.Y >= 0 && data_col < columns_->Count()) {
    TColumnX* column = columns_->GetColumn(data_col);
    if (cell.Y < title_offset_) TitleClick(column);
    else if (cell.Y < FirstFooterAreaRow() && cell.Y - title_offset_ < DataRowCount()) CellClick(column);
  }
  ReleaseOnCell(Shift, X, Y);
}

void TCustomDBGridX::ReleaseTitleButton(TShiftState Shift, int X, int Y) {
  const int col = mouse_.PressedTitle();
  const bool click = ClientRect().Contains(TPoint{X, Y}) && MouseCoord(X, Y) == TGridCoord{col, 0} &&
                     PointInLeafTitle(TGridCoord{col, 0}, Y);
  StopTracking();
  const int data_col = RawToDataColumn(col);
  if (!click || data_col < 0 || data_col >= columns_->Count()) return;
  TitleBtnClick(data_col, columns_->GetColumn(data_col));
  // The handler may have changed the columns.
  if (data_col >= columns_->Count()) return;
  const bool ctrl = Shift.Contains(ssCtrl);
  sort_marking_pending_ = ctrl;
  if (options_x_.Contains(dgxAutoSortMarking)) columns_->GetColumn(data_col)->Title()->CycleSortMarker(ctrl);
  if (!ctrl) SortMarkingChanged();
}

// A click on a check-box or image cell steps its value (back with Shift) when the press was on the
// same cell; a column that steps on double clicks leaves single clicks alone.
void TCustomDBGridX::ReleaseOnCell(TShiftState Shift, int X, int Y) {
  const TGridCoord pressed = mouse_down_cell_;
  mouse_down_cell_ = {-1, -1};
  if (pressed.X < 0 || MouseCoord(X, Y) != pressed || Shift.Contains(ssDouble)) return;
  const int data_col = RawToDataColumn(pressed.X);
  if (data_col < 0 || data_col >= columns_->Count()) return;
  TColumnX* column = columns_->GetColumn(data_col);
  const TColumnKindX kind = column->GetColumnType();
  if ((kind != ctCheckboxes && kind != ctKeyImageList) || column->DblClickNextVal() || !column->CanModify(true))
    return;
  column->SetNextFieldValue(Shift.Contains(ssShift) ? -1.0 : 1.0);
}

void TCustomDBGridX::KeyUp(win::WORD& Key, TShiftState Shift) {
  if (sort_marking_pending_ && Key == win::VK_CONTROL) {
    sort_marking_pending_ = false;
    SortMarkingChanged();
  }
  TCustomGrid::KeyUp(Key, Shift);
}

void TCustomDBGridX::SortMarkingChanged() {
  if (!options_x_.Contains(dgxAutoSortMarking)) return;
  if (OnSortMarkingChanged) OnSortMarkingChanged(this);
  else DefaultApplySorting();
}

void TCustomDBGridX::TitleBtnClick(int ACol, TColumnX* Column) {
  if (OnTitleBtnClick) OnTitleBtnClick(this, ACol, Column);
}

void TCustomDBGridX::CheckTitleButton(int ACol, bool& Enabled) {
  if (ACol < 0 || ACol >= columns_->Count()) {
    Enabled = false;
    return;
  }
  if (OnCheckButton) OnCheckButton(this, ACol, columns_->GetColumn(ACol), Enabled);
}

void TCustomDBGridX::TitleClick(TColumnX* Column) {
  if (OnTitleClick) OnTitleClick(Column);
}

}  // namespace lab
