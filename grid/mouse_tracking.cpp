// What the mouse does between a press and its release: sizing hit tests (the framework grid's, and
// the grid's own over the frozen columns, which the framework grid does not size), the cursor over
// each part of the grid, a pressed title button following the mouse, the tracking timer with its
// automatic scrolling, and the end of all tracking when the mouse is cancelled.

#include <algorithm>

#include "grid/dbgrid.h"
#include "grid/filter_editor.h"
#include "grid/grid_unit.h"
#include "platform/controls/cursor.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/mouse.h"
#include "platform/controls/screen.h"
#include "platform/db/dataset.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

constexpr win::UINT_PTR kTrackingTimer = 1;
constexpr win::UINT_PTR kIncSearchTimer = 2;
// The lowest strip of a title cell where a press selects the column.
constexpr int kColumnSelectZone = 7;

}  // namespace

// ---- Sizing hit tests ----

// Rows are sized over the indicator only; a column's sizing line stays within the cells drawn.
void TCustomDBGridX::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                                     TGridDrawInfo& FixedInfo) {
  TCustomGrid::CalcSizingState(X, Y, State, Index, SizingPos, SizingOfs, FixedInfo);
  if (State == gsRowSizing) {
    int indicator = 0;
    for (int c = 0; c < indicator_offset_ && c < ColCount(); ++c)
      indicator += ColWidths(c) + FixedInfo.Horz.EffectiveLineWidth;
    if (X >= indicator) State = gsNormal;
  } else if (State == gsColSizing) {
    SizingPos = std::min(SizingPos, FixedInfo.Horz.GridBoundary);
  }
}

bool TCustomDBGridX::CalcFrozenColSizingState(int X, int Y, int& Index, int& SizingPos, int& SizingOfs) {
  Index = -1;
  if (!TCustomGrid::Options().Contains(goColSizing)) return false;
  if (UseRightToLeftAlignment()) X = ClientWidth() - X;
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  const int line = GridLineWidth();
  int titles_bottom = 0;
  for (int r = 0; r < title_offset_ && r < RowCount(); ++r) titles_bottom += RowHeights(r) + line;
  if (Y >= titles_bottom) return false;
  // A thin line is hard to hit: the band is 7 pixels wide, centred on it.
  const int band = std::max(line, 7), before = line < 7 ? (7 - line) / 2 : 0;
  int pos = 0;
  for (int c = 0; c < indicator_offset_ && c < ColCount(); ++c) pos += ColWidths(c) + line;
  bool cut_off = false;
  for (int c = indicator_offset_; c < FixedCols(); ++c) {
    if (ColWidths(c) < 0) continue;
    const int edge = pos + ColWidths(c);
    if (edge > di.Horz.GridBoundary) {
      Index = c;
      cut_off = true;
      break;
    }
    if (X >= edge - before && X <= edge - before + band) {
      Index = c;
      SizingPos = edge;
      SizingOfs = edge - X;
      return true;
    }
    pos = edge + line;
  }
  // A frozen column cut off by the client's edge is sized there.
  const int width = ClientWidth();
  if (cut_off && di.Horz.GridBoundary == width && X >= width - before && X <= width) {
    SizingPos = width;
    SizingOfs = width - X;
    return true;
  }
  Index = -1;
  return false;
}

bool TCustomDBGridX::FrozenColSizing(int X, int Y) {
  if (mouse_.Mode() != mmNoneX) return true;
  int index = -1, pos = 0, ofs = 0;
  return CalcFrozenColSizingState(X, Y, index, pos, ofs);
}

void TCustomDBGridX::DrawColSizingLine(int Pos) {
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  DrawSizingLine(di, false, UseRightToLeftAlignment() ? ClientWidth() - Pos : Pos);
}

// ---- The cursor ----

void TCustomDBGridX::WMSetCursor(TMessage& Message) {
  const bool client = win::LOWORD(static_cast<std::uintptr_t>(Message.LParam)) == win::HTCLIENT;
  const bool designing = ComponentState().Contains(csDesigning);
  if (designing || (!data_link_->Active() && !columns_->Customized())) {
    TCustomGrid::Dispatch(Message);
    return;
  }
  auto show = [&Message](TCursorImage* Image) {
    wm::SetCursor(Image);
    Message.Result = 1;
  };
  const TPoint p = ScreenToClient(Mouse->CursorPos());
  if (client) {
    TGridState state = GridState();
    if (mouse_.Mode() == mmSizeColumnX || state == gsColMoving || (mouse_.Mode() == mmNoneX && state == gsNormal &&
                                                                  FrozenColSizing(p.X, p.Y))) {
      show(Screen->Cursors(crHSplit));
      return;
    }
    if (state != gsNormal || mouse_.Mode() != mmNoneX) {
      TCustomGrid::Dispatch(Message);
      return;
    }
  }
  if (client && data_link_->Active() && options_.Contains(dgMultiSelect) && !Sizing(p.X, p.Y) &&
      !BeginRecordDrag(p, true)) {
    const TGridCoord cell = MouseCoord(p.X, p.Y);
    TDataSet* ds = data_link_->DataSet();
    const TDBGridXResources& res = DBGridXResources();
    if (cell.X >= 0 && cell.X < indicator_offset_ && cell.Y >= title_offset_ && cell.Y < FirstFooterAreaRow() &&
        !(ds->Bof() && ds->Eof()) && allowed_selections_.Contains(gstRecordBookmarks)) {
      show(UseRightToLeftAlignment() ? res.LeftCursor : res.RightCursor);
      return;
    }
    if (cell.X >= indicator_offset_ && cell.Y == 0 && options_.Contains(dgTitles) && !options_.Contains(dgRowSelect) &&
        allowed_selections_.Contains(gstColumns)) {
      const TRect r = CellRect(cell.X, cell.Y);
      if (p.Y >= r.Bottom - kColumnSelectZone) {
        show(res.DownCursor);
        return;
      }
    }
  }
  TCustomGrid::Dispatch(Message);
}

// ---- Title buttons ----

void TCustomDBGridX::TrackTitleButton(int X, int Y) {
  bool pressed = false;
  if (mouse_.PressedTitle() >= 0 && ClientRect().Contains(TPoint{X, Y}) && options_.Contains(dgTitles)) {
    const TGridCoord cell = MouseCoord(X, Y);
    pressed = cell.X == mouse_.PressedTitle() && cell.Y == 0 && PointInLeafTitle(cell, Y);
  }
  mouse_.SetTitleDown(pressed);
}

bool TCustomDBGridX::PointInLeafTitle(TGridCoord Cell, int Y) {
  if (!use_multi_title_ || !options_.Contains(dgTitles) || Cell.Y != 0) return true;
  const int data_col = RawToDataColumn(Cell.X);
  if (data_col < 0 || data_col >= static_cast<int>(title_leaves_.size()) || !title_leaves_[data_col].Leaf)
    return true;
  const TRect r = CellRect(Cell.X, Cell.Y);
  return Y >= r.Bottom - title_leaves_[data_col].Leaf->Height() + 1;
}

// ---- Ending the tracking ----

void TCustomDBGridX::StopTracking() { mouse_.Stop(); }

// ---- What the tracker asks of the grid ----

void TCustomDBGridX::SetTrackingTimer(int Interval) {
  if (!HandleAllocated()) return;
  // A timer set again under its identifier starts over with the new interval.
  if (Interval < 0) wm::KillTimer(Handle(), kTrackingTimer);
  else wm::SetTimer(Handle(), kTrackingTimer, static_cast<win::UINT>(Interval), nullptr);
}

void TCustomDBGridX::TitleButtonChanged() {
  if (HandleAllocated()) InvalidateRow(0);
}

void TCustomDBGridX::AbandonRecordDrag() { EndRecordDrag(TPoint{-1, -1}, false); }

void TCustomDBGridX::ReleaseMouse() {
  if (MouseCapture()) SetMouseCapture(false);
}

// A cancelled mouse (Escape, another window taking it) ends what a press started without finishing
// it: a column keeps its width and dragged records stay. The grid's own modes end before the
// framework's handling, whose release of the mouse would otherwise finish them.
void TCustomDBGridX::WMCancelMode(TMessage& Message) {
  StopTracking();
  if (mouse_.Mode() == mmSizeColumnX && !options_x_.Contains(dgxTraceColSizing)) DrawColSizingLine(mouse_.Sizing.Pos);
  mouse_.Cancel();
  mouse_.SetCancelling(true);
  TScopeExit done([this] { mouse_.SetCancelling(false); });
  TCustomGrid::Dispatch(Message);
  if (Message.Msg == CM_CANCELMODE && FilterEditor())
    FilterEditor()->Perform(CM_CANCELMODE, Message.WParam, Message.LParam);
}

// ---- The tracking timer ----

void TCustomDBGridX::SetIncSearchTimer(int Interval) {
  if (!HandleAllocated()) return;
  if (Interval < 0) wm::KillTimer(Handle(), kIncSearchTimer);
  else wm::SetTimer(Handle(), kIncSearchTimer, static_cast<win::UINT>(Interval), nullptr);
}

void TCustomDBGridX::WMTimer(TMessage& Message) {
  if (Message.WParam == kIncSearchTimer) {
    StopIncSearch();
    return;
  }
  // The framework grid runs its own column moves on the same timer: the grid's ticks are its own
  // only while it started the timer.
  if (Message.WParam != kTrackingTimer || mouse_.TimerInterval() < 0) {
    TCustomGrid::Dispatch(Message);
    return;
  }
  if (mouse_.Mode() == mmMoveRecordsX) RecordDragStep(mouse_.MousePoint, DragMouseRow(mouse_.MousePoint.Y));
  else TimerScroll();
}

// ---- Automatic scrolling ----

TRect TCustomDBGridX::DataBoxPixels() {
  TGridRect box = GetDataBox();
  // The box reaches one row past the last without footer rows; its pixels end at the last row.
  box.Bottom = std::min(box.Bottom, RowCount() - 1);
  return BoxRect(box.Left, box.Top, box.Right, box.Bottom);
}

void TCustomDBGridX::TimerScroll() {
  if (mouse_.Mode() == mmSelectColumnsX) {
    TimerScrollColumns();
    return;
  }
  // Records are selected from the indicator, left of the data cells: only the rows scroll then.
  const TAutoScrollX step =
      TMouseTrackerX::AutoScroll(DataBoxPixels(), mouse_.MousePoint, mouse_.Mode() != mmSelectRecordsX);
  if (step.Interval < 0) {
    StopTimer();
    return;
  }
  const int records = step.Records, dx = step.Columns;
  {
    BeginUpdate();
    TScopeExit end_update([this] { EndUpdate(); });
    if (records != 0 && mouse_.Mode() != mmSelectRectX)
      ExtendSelectionBy(mouse_.DragKeys.Contains(ssLeft), records, false, true);
    if (dx != 0) {
      if (dx < 0 && LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
      else if (dx > 0 && LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
      SelectColumnTo(Col() + dx, dx, false);
    }
    if (mouse_.Mode() == mmSelectRectX) {
      if (records != 0) data_link_->MoveBy(records);
      selection_->Rect()->Select(SelectedIndex(), selected_rows_->CurrentRow(), true);
    }
  }
  if (update_lock_ == 0 && HandleAllocated()) Update();
  ResetTimer(step.Interval);
}

void TCustomDBGridX::TimerScrollColumns() {
  const TAutoScrollX step = TMouseTrackerX::AutoScrollColumns(DataBoxPixels(), mouse_.MousePoint.X);
  if (step.Columns == 0) return;
  int to = -1;
  if (step.Columns > 0) {
    if (LeftCol() + VisibleColCount() < ColCount()) SetLeftCol(LeftCol() + 1);
    to = std::min(LeftCol() + VisibleColCount() - 1, ColCount() - 1);
  } else {
    if (LeftCol() > FixedCols()) SetLeftCol(LeftCol() - 1);
    to = LeftCol();
  }
  const int data_col = RawToDataColumn(to);
  if (data_col >= 0 && data_col < columns_->Count()) selection_->Columns()->SelectShift(columns_->GetColumn(data_col));
  ResetTimer(step.Interval);
}

// ---- Small tests and steps the mouse shares ----

bool TCustomDBGridX::CanSelectType(TDBGridXSelectionType Kind) {
  if (Kind == gstNon) return true;
  if (!options_.Contains(dgMultiSelect) || !allowed_selections_.Contains(Kind)) return false;
  return (Kind != gstRectangle && Kind != gstColumns) || !options_.Contains(dgRowSelect);
}

void TCustomDBGridX::OptimizeSelectedColsWidth(TColumnX* Column) {
  TColumnsXList list;
  if (selection_->SelectionType() == gstColumns) {
    for (TColumnX* c : *selection_->Columns()) list.Add(c);
  } else if (selection_->SelectionType() == gstAll) {
    for (TColumnX* c : visible_columns_) list.Add(c);
  }
  if (Column && list.IndexOf(Column) < 0) list.Add(Column);
  OptimizeColumnWidths(list);
}

}  // namespace lab
