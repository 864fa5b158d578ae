// A mouse press on the grid: what it starts. A press on a data row moves the dataset's record to
// the pressed row before anything else happens there, so the row the editor opens on always shows
// the record the typed text goes into.

#include "grid/dbgrid.h"
#include "platform/db/dataset.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

void TCustomDBGridX::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TGridCoord cell = MouseCoord(X, Y);
  const bool data_row = cell.Y >= title_offset_ && cell.X >= 0 && cell.Y < FirstFooterAreaRow();
  if (!data_row || !data_link_->Active() || Shift.Contains(ssDouble) || Sizing(X, Y)) {
    TCustomGrid::MouseDown(Button, Shift, X, Y);
    return;
  }
  if (!AcquireFocus()) return;
  PressDataRow(Button, cell, X);
  TCustomControl::MouseDown(Button, Shift, X, Y);  // OnMouseDown
}

int TCustomDBGridX::FirstFooterAreaRow() const {
  return footer_row_count_ > 0 ? RowCount() - footer_row_count_ - 1 : RowCount();
}

void TCustomDBGridX::PressDataRow(TMouseButton Button, TGridCoord Cell, int X) {
  const TGridCoord before{Col(), Row()};
  {
    BeginUpdate();
    TScopeExit end_update([this] { EndUpdate(); });
    data_link_->UpdateRecord();
    HideEditor();
    // The record first: the row and the column follow it, never the other way round.
    if (Cell.Y != Row() && Cell.X >= indicator_offset_) data_link_->MoveBy(Cell.Y - Row());
    if (Cell.X >= indicator_offset_) SelectColumnTo(Cell.X, 0, false);
  }
  if (Button != mbLeft || Cell.X < indicator_offset_) {
    ResetEditor();
    return;
  }
  if (options_.Contains(dgAlwaysShowEditor) || PointInEditButtons(Cell, X) || Cell == before)
    ShowCellEditor();
}

bool TCustomDBGridX::PointInEditButtons(TGridCoord Cell, int X) {
  const int data_col = RawToDataColumn(Cell.X);
  if (data_col < 0 || data_col >= columns_->Count()) return false;
  TColumnX* column = columns_->GetColumn(data_col);
  const int width = column->EditButtonsWidth();
  if (width <= 0) return false;
  const TRect r = CellRect(Cell.X, Cell.Y);
  return column->UseRightToLeftAlignment() ? X < r.Left + width : X >= r.Right - width;
}

}  // namespace lab
