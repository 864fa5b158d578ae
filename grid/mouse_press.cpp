// A mouse press on the grid: what it starts. In order: a double click (fit a column's width, step a
// check box), sizing a frozen column or (through the framework grid) any other, selecting columns
// over the titles, pressing a title button, moving a column, selecting everything from the
// indicator's title, then on a data row a record drag, the record move to the pressed row, a
// selection of records or cells, and the editor. The record moves first, before anything else
// happens on its row, so the row the editor opens on always shows the record typed text goes into.

#include "grid/dbgrid.h"
#include "grid/filter_row.h"
#include "grid/grid_unit.h"
#include "platform/controls/cursor.h"
#include "platform/controls/input.h"
#include "platform/controls/messages.h"
#include "platform/controls/window_manager.h"
#include "platform/db/dataset.h"
#include "platform/grids/inplace_edit.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

void TCustomDBGridX::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbRight) SetMouseCapture(true);
  mouse_down_cell_ = {-1, -1};
  mouse_.PressPoint = mouse_.MousePoint = {X, Y};
  if (!AcquireFocus()) {
    if (MouseCapture()) SetMouseCapture(false);
    return;
  }
  const TGridCoord cell = MouseCoord(X, Y);
  if (FilterEditing() && PointInGridRect(cell, GetDataBox())) StopEditFilter();
  if (Button == mbLeft && Shift.Contains(ssDouble)) {
    PressTwice(Shift, X, Y, cell);
    return;
  }
  int index = -1, pos = 0, ofs = 0;
  if (Button == mbLeft && CalcFrozenColSizingState(X, Y, index, pos, ofs)) {
    mouse_.SetMode(mmSizeColumnX);
    mouse_.Sizing.Col = index;
    mouse_.Sizing.Pos = pos;
    mouse_.Sizing.Ofs = ofs;
    if (!options_x_.Contains(dgxTraceColSizing)) DrawColSizingLine(pos);
    return;
  }
  if (Sizing(X, Y)) {
    if (data_link_->Active()) data_link_->UpdateRecord();
    if (!options_x_.Contains(dgxTraceColSizing) || Button != mbLeft) {
      TCustomGrid::MouseDown(Button, Shift, X, Y);
      return;
    }
    // Columns are sized live from here on (MouseMove); a row keeps its sizing line.
    TGridDrawInfo di;
    TCustomGrid::CalcDrawInfo(di);
    TGridState state = gsNormal;
    CalcSizingState(X, Y, state, index, pos, ofs, di);
    SetGridState(state);
    SetSizing(index, pos, ofs);
    if (state == gsRowSizing) DrawSizingLine(di);
    return;
  }
  // Columns are selected from the title's lowest strip, where the cursor said so.
  const int data_col = RawToDataColumn(cell.X);
  const bool on_data_col = cell.X >= indicator_offset_ && data_col < columns_->Count();
  if (on_data_col && cell.Y >= 0 && cell.Y < title_offset_ && wm::GetCursor() &&
      wm::GetCursor() == DBGridXResources().DownCursor) {
    TColumnX* column = columns_->GetColumn(data_col);
    InvalidateCol(cell.X);
    mouse_.SetMode(mmSelectColumnsX);
    ResetTimer(60);
    if (Shift.Contains(ssShift)) {
      selection_->Columns()->SelectShift(column);
    } else if (Shift.Contains(ssCtrl)) {
      selection_->Columns()->Select(column, true);
    } else {
      Invalidate();
      selection_->Columns()->Select(column, false);
    }
    return;
  }
  if (PressTitle(Button, Shift, X, Y, cell)) return;
  const bool footer_area = footer_row_count_ > 0 && cell.Y >= FirstFooterAreaRow();
  if (!footer_area && cell.Y >= title_offset_ && cell.X >= 0 && data_link_->Active()) {
    PressDataRow(Button, Shift, X, Y, cell);
    return;
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);  // OnMouseDown
}

int TCustomDBGridX::FirstFooterAreaRow() const {
  return footer_row_count_ > 0 ? RowCount() - footer_row_count_ - 1 : RowCount();
}

// A double click on a column's edge fits its width (with the selected columns'); on a check-box or
// image cell whose column steps on double clicks, it steps the value.
void TCustomDBGridX::PressTwice(TShiftState Shift, int X, int Y, TGridCoord Cell) {
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  TGridState state = gsNormal;
  int index = -1, pos = 0, ofs = 0;
  CalcSizingState(X, Y, state, index, pos, ofs, di);
  const bool edge = state == gsColSizing || CalcFrozenColSizingState(X, Y, index, pos, ofs);
  if (edge && options_x_.Contains(dgxDblClickOptimizeColWidth)) {
    const int data_col = RawToDataColumn(index);
    if (data_col >= 0 && data_col < columns_->Count()) OptimizeSelectedColsWidth(columns_->GetColumn(data_col));
    return;
  }
  const int data_col = RawToDataColumn(Cell.X);
  if (data_col >= 0 && data_col < columns_->Count() && Cell.Y >= title_offset_ && Cell.Y < FirstFooterAreaRow() &&
      data_link_->Active()) {
    TColumnX* column = columns_->GetColumn(data_col);
    const TColumnKindX kind = column->GetColumnType();
    if ((kind == ctCheckboxes || kind == ctKeyImageList) && column->DblClickNextVal())
      column->SetNextFieldValue(Shift.Contains(ssShift) ? -1.0 : 1.0);
  }
  DblClick();
  TCustomControl::MouseDown(mbLeft, Shift, X, Y);
}

// A press on a title: a title button held down, or (with dgColumnResize) the framework grid moving
// the column from here; the indicator's title selects everything or nothing.
bool TCustomDBGridX::PressTitle(TMouseButton& Button, TShiftState Shift, int X, int Y, TGridCoord Cell) {
  if (Cell.Y < 0 || Cell.Y >= title_offset_) return false;
  const int data_col = RawToDataColumn(Cell.X);
  const bool button_cell = Cell.Y == 0 && options_.Contains(dgTitles) && data_col >= 0 &&
                           data_col < columns_->Count() && !ComponentState().Contains(csDesigning) &&
                           PointInLeafTitle(Cell, Y);
  // A right-button press moves a column as the left one does.
  if (button_cell && Button == mbRight && options_.Contains(dgColumnResize)) {
    Button = mbLeft;
    mouse_.SetRightCapture(true);
  }
  if (button_cell && Button == mbLeft) {
    TColumnX* column = columns_->GetColumn(data_col);
    bool enabled = column->Title()->TitleButton();
    CheckTitleButton(data_col, enabled);
    if (enabled && MouseCapture()) {
      mouse_.TrackTitle(Cell.X);
      TrackTitleButton(X, Y);
      return true;
    }
  }
  if (!options_.Contains(dgColumnResize)) return false;
  if (Cell.X >= 0 && Cell.X < indicator_offset_ && Cell.Y == 0 && options_.Contains(dgMultiSelect) &&
      data_link_->Active() && allowed_selections_.Contains(gstAll)) {
    if (HasSelection()) selection_->Clear();
    else selection_->SelectAll();
    ResetEditor();
  }
  if (data_link_->Active()) data_link_->UpdateRecord();
  TCustomGrid::MouseDown(Button, Shift, X, Y);
  return true;
}

void TCustomDBGridX::PressDataRow(TMouseButton Button, TShiftState Shift, int X, int Y, TGridCoord Cell) {
  if (ClickTreeArea(X, Y, false)) return;
  if (options_x_.Contains(dgxRecordMoving) && BeginRecordDrag(TPoint{X, Y}, false)) return;
  const TGridCoord before{Col(), Row()};
  const bool multi = options_.Contains(dgMultiSelect), row_select = options_.Contains(dgRowSelect);
  const bool in_indicator = Cell.X < indicator_offset_;
  // Shift+press on another row selects the records between: the selection moves the record there.
  const bool record_range = Shift.Contains(ssShift) && multi && (in_indicator || row_select) &&
                            CanSelectType(gstRecordBookmarks);
  {
    BeginUpdate();
    TScopeExit end_update([this] { EndUpdate(); });
    data_link_->UpdateRecord();
    HideEditor();
    const TBookmark before_bookmark = selected_rows_->CurrentRow();
    // The record first: the row and the column follow it, never the other way round.
    if (Cell.Y != Row() && !record_range) data_link_->MoveBy(Cell.Y - Row());
    if (!in_indicator) SelectColumnTo(Cell.X, 0, false);
    if (!MouseCapture()) return;
    if (drag_selected_press_ && !Shift.Contains(ssShift) && Button == mbLeft && !in_indicator &&
        IsCellSelected(Cell.X, Cell.Y, SelectedIndex(), selected_rows_->CurrentRow())) {
      // A drag may take the selection elsewhere: the move decides (MouseMove), or the release.
      mouse_.SetRowSelectPending(true);
      return;
    }
    if (!multi || !row_select) PressRectangle(Button, Shift, Cell, before, before_bookmark);
    if (CanSelectType(gstRecordBookmarks) && (in_indicator || row_select)) PressRecords(Button, Shift, Cell, before);
  }
  PressEditor(Button, X, Y, Cell, before);
  TCustomControl::MouseDown(Button, Shift, X, Y);  // OnMouseDown
}

// A press in the data cells starts a rectangle of cells the drag grows: Shift grows the one there
// is (or makes one from the cell current before); a plain press only anchors it, so a click leaves
// no selection behind and the editor may open on the cell.
void TCustomDBGridX::PressRectangle(TMouseButton Button, TShiftState Shift, TGridCoord Cell, TGridCoord Before,
                                    const TBookmark& BeforeBookmark) {
  if (!PointInGridRect(Cell, GetDataBox())) return;
  mouse_.TrackRectangle();
  const bool on_selected =
      Button == mbLeft && IsCellSelected(Cell.X, Cell.Y, SelectedIndex(), selected_rows_->CurrentRow());
  if (!Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) && options_x_.Contains(dgxClearSelection) && !on_selected)
    ClearSelection();
  TDataSet* ds = data_link_->DataSet();
  if (!CanSelectType(gstRectangle) || Button != mbLeft || Cell.X < indicator_offset_ || !ds || ds->IsEmpty()) return;
  TDBGridXSelectionRect* rect = selection_->Rect();
  if (Shift.Contains(ssShift)) {
    if (selection_->SelectionType() != gstRectangle)
      rect->Select(RawToDataColumn(std::max(Before.X, static_cast<int>(indicator_offset_))), BeforeBookmark, false);
    rect->Select(SelectedIndex(), selected_rows_->CurrentRow(), true);
    rect_anchor_col_ = rect->AnchorCol();
    rect_anchor_bookmark_ = rect->AnchorBookmark();
  } else {
    rect_anchor_col_ = SelectedIndex();
    rect_anchor_bookmark_ = selected_rows_->CurrentRow();
  }
  mouse_.SetMode(mmSelectRectX);
}

// A press in the indicator (or on a row-select grid) selects records: Shift the ones up to the
// pressed row, Ctrl toggles the pressed one, a plain press selects it alone; a drag from the
// indicator selects the records it passes.
void TCustomDBGridX::PressRecords(TMouseButton Button, TShiftState Shift, TGridCoord Cell, TGridCoord Before) {
  const bool ctrl = Shift.Contains(ssCtrl);
  const bool was_selected = selected_rows_->CurrentRowSelected();
  if (Shift.Contains(ssShift) && Cell.Y != Before.Y) {
    ExtendSelectionBy(true, Cell.Y - Before.Y, false, true);
  } else if (Button == mbLeft) {
    if (ctrl || !options_x_.Contains(dgxClearSelection)) {
      selected_rows_->SetCurrentRowSelected(!was_selected);
    } else {
      ClearSelection();
      selected_rows_->SetCurrentRowSelected(true);
    }
  }
  if (Cell.X >= indicator_offset_ && CanSelectType(gstRectangle)) return;
  if (MouseCapture()) mouse_.TrackRecords();
  row_selecting_ = true;
  row_select_anchor_ = selected_rows_->CurrentRow();
  drag_select_value_ = was_selected;
  keep_selection_ = ctrl || !options_x_.Contains(dgxClearSelection);
  mouse_.SetMode(mmSelectRecordsX);
}

// The editor opens on a second press on the current cell, a press on the cell's edit buttons (which
// then get the press, so one click works them) or always with dgAlwaysShowEditor.
void TCustomDBGridX::PressEditor(TMouseButton Button, int X, int Y, TGridCoord Cell, TGridCoord Before) {
  if (Button != mbLeft || Cell.X < indicator_offset_) {
    ResetEditor();
    return;
  }
  const bool on_buttons = PointInEditButtons(Cell, X);
  if (options_.Contains(dgAlwaysShowEditor) || on_buttons || Cell == Before) ShowCellEditor();
  if (on_buttons && EditorShowing()) {
    StopTracking();
    win::POINT p{X, Y};
    wm::ClientToScreen(Handle(), p);
    const win::HWND target = wm::WindowFromPoint(p);
    if (target && target != Handle()) {
      wm::ScreenToClient(target, p);
      wm::SendMessage(target, win::WM_LBUTTONDOWN, win::MK_LBUTTON, win::MAKELPARAM(p.X, p.Y));
    }
  }
  const int data_col = RawToDataColumn(Cell.X);
  if (data_col < columns_->Count()) {
    const TColumnKindX kind = columns_->GetColumn(data_col)->GetColumnType();
    if (kind == ctCheckboxes || kind == ctKeyImageList) mouse_down_cell_ = Cell;
  }
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

// A press on the filter row starts editing the cell pressed; the editor takes the press itself.
// What is selected goes first, as with a press on a cell: the editor does not show over it.
void TCustomDBGridX::WMButtonDown(TMessage& Message) {
  const int x = win::GET_X_LPARAM(Message.LParam), y = win::GET_Y_LPARAM(Message.LParam);
  if (!ComponentState().Contains(csDesigning) && FilterRowVisible()) {
    const TGridCoord cell = MouseCoord(x, y);
    const int filter_row = options_.Contains(dgTitles) ? 1 : 0;
    if (cell.Y == filter_row && cell.X >= indicator_offset_ && CanEditFilter(cell.X)) {
      ClearSelection();
      StartEditFilter(cell.X);
      if (Message.Msg == win::WM_LBUTTONDOWN) filter_row_->PassPress(ClientToScreen(TPoint{x, y}), Message.WParam);
      Message.Result = 0;
      return;
    }
  }
  TCustomGrid::Dispatch(Message);
}

}  // namespace lab
