// Scrolling: the grid scrolls records, not pixels. Its rows mirror the link's record buffer, so a
// vertical scroll request moves the dataset's current record, and the vertical bar shows where the
// current record stands: by record number when the dataset numbers its records, else at the top,
// the middle or the bottom. Horizontal scrolling is the framework grid's column scrolling.

#include <algorithm>
#include <cstdlib>

#include "grid/dbgrid.h"
#include "platform/controls/scroll_bar.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/window_functions.h"

namespace lab {

int TCustomDBGridX::GetVisibleDataRowCount() {
  int rows = VisibleRowCount();
  if (footer_row_count_ > 0) rows -= footer_row_count_ + 1;
  return std::max(rows, 1);
}

void TCustomDBGridX::UpdateScrollBar() {
  if (!data_link_ || !HandleAllocated()) return;
  TDataSet* ds = data_link_->DataSet();
  int min = 0, max = 1, page = 2, pos = 0;
  if (record_set_) {
    // The bar scrolls the rows: a position per first row.
    TGridDrawInfo di;
    TCustomGrid::CalcDrawInfo(di);
    min = 1;
    max = RowCount() - FixedRows();
    page = di.Vert.LastFullVisibleCell - TopRow() + 1;
    pos = TopRow() - FixedRows() + 1;
  } else if (data_link_->Active() && ds) {
    if (sum_list_ && sum_list_->IsSequenced()) {
      min = 1;
      page = GetVisibleDataRowCount();
      max = ds->RecordCount() + page - 1;
      // A new record has no number yet: the thumb stays where it was.
      if (ds->State() < dsInsert) last_rec_no_ = ds->RecNo();
      pos = last_rec_no_;
    } else {
      min = 0;
      max = 4;
      page = 0;
      pos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
    }
  }
  const int ext_max = max;
  TScrollBar* ext = vert_scroll_bar_->ExtScrollBar();
  if (!vert_scroll_bar_->Visible() || ext) max = min;
  const TScrollBarVisibleModeX mode = vert_scroll_bar_->VisibleMode();
  win::SCROLLINFO si;
  si.fMask = win::SIF_ALL | (mode == sbAlwaysShowX ? win::SIF_DISABLENOSCROLL : 0);
  si.nMin = min;
  si.nMax = max;
  si.nPage = static_cast<win::UINT>(std::max(page, 0));
  si.nPos = pos;
  si.nTrackPos = pos;
  const bool same = scroll_info_set_ && mode == last_visible_mode_ && si.nMin == last_scroll_info_.nMin &&
                    si.nMax == last_scroll_info_.nMax && si.nPage == last_scroll_info_.nPage &&
                    si.nPos == last_scroll_info_.nPos;
  if (!same) {
    const bool fits = max <= min || max - min + 1 <= page;
    if (mode == sbAlwaysShowX && !ext) {
      win::ShowScrollBar(Handle(), win::SB_VERT, true);
      if (fits) win::EnableScrollBar(Handle(), win::SB_VERT, win::ESB_DISABLE_BOTH);
    } else if (scroll_info_set_ && mode != last_visible_mode_ && fits) {
      win::EnableScrollBar(Handle(), win::SB_VERT, win::ESB_ENABLE_BOTH);
      win::ShowScrollBar(Handle(), win::SB_VERT, false);
    }
    win::SetScrollInfo(Handle(), win::SB_VERT, si, true);
    last_scroll_info_ = si;
    last_visible_mode_ = mode;
    scroll_info_set_ = true;
  }
  if (ext) {
    ext->SetPageSize(0);
    ext->SetParams(std::clamp(pos, std::min(min, ext_max), ext_max), std::min(min, ext_max), ext_max);
    ext->SetPageSize(std::max(page, 0));
  }
}

// An attached horizontal bar runs from 0 to 127 over the columns that can scroll.
void TCustomDBGridX::UpdateHorzScrollBar() {
  TScrollBar* ext = horz_scroll_bar_->ExtScrollBar();
  if (!ext || !HandleAllocated()) return;
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  const int visible = VisibleColCount();
  const int max = visible + FixedCols() != ColCount() ? 127 : 0;
  const int max_left = CalcMaxTopLeft(TGridCoord{ColCount() - 1, RowCount() - 1}, di).X;
  int pos = max_left > FixedCols() ? MulDiv(LeftCol() - FixedCols(), 127, max_left - FixedCols()) : 0;
  pos = std::clamp(pos, 0, max);
  if (ext->Min() != 0 || ext->Max() != max || ext->Position() != pos) ext->SetParams(pos, 0, max);
  if (ext->PageSize() != visible) ext->SetPageSize(std::min(visible, max + 1));
}

// The message carries the low 16 bits of the position; the bar holds all of it. While the thumb
// is dragged, and when it is let go, that is the tracking position (the bar's own position moves
// only when the grid sets it); a message sent by a program speaks of the bar's position.
int TCustomDBGridX::ThumbPosition(const TMessage& Message) {
  const int sent = Message.WParamHi();
  win::SCROLLINFO si;
  si.fMask = win::SIF_ALL;
  if (!vert_scroll_bar_->GetScrollInfo(si)) return sent;
  if ((si.nTrackPos & 0xFFFF) == sent) return si.nTrackPos;
  return (si.nPos & 0xFFFF) == sent ? si.nPos : sent;
}

void TCustomDBGridX::WMVScroll(TMessage& Message) {
  Message.Result = 0;
  if (!AcquireFocus()) return;
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || !ds) {
    UpdateScrollBar();
    return;
  }
  if (record_set_) {
    TGridDrawInfo di;
    TCustomGrid::CalcDrawInfo(di);
    const int full = std::max(1, di.Vert.LastFullVisibleCell - TopRow());
    switch (Message.WParamLo()) {
      case win::SB_LINEUP: SafeSetTopRow(TopRow() - 1); break;
      case win::SB_LINEDOWN: SafeSetTopRow(TopRow() + 1); break;
      // A page up goes back as far as a page down goes on.
      case win::SB_PAGEUP: SafeSetTopRow(TopRow() - full); break;
      case win::SB_PAGEDOWN: SafeSetTopRow(TopRow() + full); break;
      case win::SB_TOP: SafeSetTopRow(FixedRows()); break;
      case win::SB_BOTTOM: SafeSetTopRow(RowCount()); break;
      case win::SB_THUMBPOSITION: SafeSetTopRow(FixedRows() + ThumbPosition(Message) - 1); break;
      case win::SB_THUMBTRACK:
        if (vert_scroll_bar_->Tracking()) SafeSetTopRow(FixedRows() + ThumbPosition(Message) - 1);
        break;
      default: break;
    }
    UpdateScrollBar();
    return;
  }
  const bool sequenced = sum_list_ && sum_list_->IsSequenced();
  switch (Message.WParamLo()) {
    case win::SB_LINEUP: ds->MoveBy(-(data_link_->ActiveRecord() + 1)); break;
    case win::SB_LINEDOWN: ds->MoveBy(data_link_->RecordCount() - data_link_->ActiveRecord()); break;
    case win::SB_PAGEUP: ds->MoveBy(-GetVisibleDataRowCount()); break;
    case win::SB_PAGEDOWN: ds->MoveBy(GetVisibleDataRowCount()); break;
    case win::SB_TOP: ds->First(); break;
    case win::SB_BOTTOM: ds->Last(); break;
    case win::SB_THUMBPOSITION: {
      if (thumb_tracked_) {
        thumb_tracked_ = false;
        break;
      }
      const int pos = ThumbPosition(Message);
      if (sequenced) {
        if (pos <= 1) ds->First();
        else if (pos < ds->RecordCount()) sum_list_->SetRecNo(pos);
        else ds->Last();
      } else {
        switch (pos) {
          case 0: ds->First(); break;
          case 1: ds->MoveBy(-GetVisibleDataRowCount()); break;
          case 3: ds->MoveBy(GetVisibleDataRowCount()); break;
          case 4: ds->Last(); break;
          default: break;
        }
      }
      break;
    }
    case win::SB_THUMBTRACK:
      // Without numbers the three positions tell no distance to move by.
      if (vert_scroll_bar_->Tracking() && sequenced) {
        const int distance = ThumbPosition(Message) - ds->RecNo();
        // Within the window the rows move with the thumb; further on the record is taken by its
        // number, which costs the same however far the thumb went (a move walks every record).
        if (std::abs(distance) <= data_link_->BufferCount()) ds->MoveBy(distance);
        else sum_list_->SetRecNo(ds->RecNo() + distance);
        thumb_tracked_ = true;
      }
      break;
    default: break;
  }
  UpdateScrollBar();
}

// With Tracking the columns follow the thumb as it is dragged.
void TCustomDBGridX::WMHScroll(TMessage& Message) {
  if (horz_scroll_bar_->Tracking() && Message.WParamLo() == win::SB_THUMBTRACK) {
    TMessage position = Message;
    position.WParam = (Message.WParam & 0xFFFF0000) | win::SB_THUMBPOSITION;
    position.LParam = 0;
    TCustomGrid::Dispatch(position);
  } else {
    TMessage own = Message;
    own.LParam = 0;  // an attached bar speaks for the grid's own
    TCustomGrid::Dispatch(own);
  }
  Message.Result = 0;
  UpdateHorzScrollBar();
}

void TCustomDBGridX::WMSize(TMessage& Message) {
  TCustomGrid::Dispatch(Message);
  if (in_layout_ || destroying_) return;
  if (update_lock_ > 0) {
    resize_in_update_ = true;
    return;
  }
  ApplyPendingResize();
  UpdateHorzScrollBar();
}

// A resize refits the rows (or, fitting columns to the width, the whole layout).
void TCustomDBGridX::ApplyPendingResize() {
  resize_in_update_ = false;
  if (auto_fit_col_widths_ && !ComponentState().Contains(csDesigning)) {
    LayoutChanged();
    InvalidateEditor();
  } else {
    UpdateRowCount();
    UpdateScrollBar();
    UpdateFilterEdit(false);
  }
}

void TCustomDBGridX::TopLeftChanged() {
  // The first scrolling column's title is drawn differently at the leftmost position.
  const bool at_start = LeftCol() == FixedCols();
  if ((last_left_col_ == FixedCols()) != at_start && HandleAllocated() && options_.Contains(dgTitles))
    InvalidateRow(0);
  last_left_col_ = LeftCol();
  TCustomGrid::TopLeftChanged();
  UpdateHorzScrollBar();
  if (record_set_) {
    TGridDrawInfo di;
    TCustomGrid::CalcDrawInfo(di);
    mem_table_->FetchRecords(di.Vert.LastDrawnCell() - title_offset_ + 1);
    UpdateScrollBar();
  }
  UpdateFilterEdit(false);
}

namespace {

// The wheel in record-set mode scrolls the view, a row or (with Ctrl) a page, and leaves the
// current record alone; with Shift it moves the record instead.
void WheelRecordSet(TCustomDBGridX& Grid, TShiftState Shift, int Step, int Page) {
  TDataLink* link = Grid.DataLink();
  const int by = Shift.Contains(ssCtrl) ? Page : 1;
  if (Shift.Contains(ssShift)) {
    link->MoveBy(Step * by);
    return;
  }
  if (Step > 0 && Grid.MemTable()) Grid.MemTable()->FetchRecords(Grid.TopRow() + 2 * by);
  Grid.SafeSetTopRow(Grid.TopRow() + Step * by);
}

}  // namespace

bool TCustomDBGridX::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  if (record_set_) WheelRecordSet(*this, Shift, 1, VisibleRowCount());
  else if (data_link_->Active()) data_link_->MoveBy(1);
  return true;
}

bool TCustomDBGridX::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  if (record_set_) WheelRecordSet(*this, Shift, -1, VisibleRowCount());
  else if (data_link_->Active()) data_link_->MoveBy(-1);
  return true;
}

// ---- Record-set mode ----

void TCustomDBGridX::UpdateMemTableIntf() {
  TDataSet* ds = data_link_ ? data_link_->DataSet() : nullptr;
  mem_table_ = data_link_ && data_link_->Active() && !destroying_ ? GetMemTableX(ds) : nullptr;
}

bool TCustomDBGridX::WantsRecordSet() {
  if (!mem_table_ || footer_row_count_ != 0 || !data_link_->Active()) return false;
  TDataSet* ds = data_link_->DataSet();
  return ds && ds->State() != dsInsert;
}

int TCustomDBGridX::DataRowCount() {
  if (record_set_) return mem_table_->RecordCount();
  return data_link_->Active() ? data_link_->RecordCount() : 0;
}

void TCustomDBGridX::ForEachShownRecord(const std::function<void(int GridRow)>& Action) {
  if (!data_link_->Active()) return;
  if (record_set_) {
    TGridDrawInfo di;
    TCustomGrid::CalcDrawInfo(di);
    const int last = std::min(di.Vert.LastDrawnCell(), title_offset_ + mem_table_->RecordCount() - 1);
    for (int row = TopRow(); row <= last; ++row) {
      mem_table_->ReadEnter(row - title_offset_);
      TScopeExit leave([this] { mem_table_->ReadLeave(); });
      Action(row);
    }
    return;
  }
  const int saved = data_link_->ActiveRecord();
  TScopeExit restore([&] { data_link_->SetActiveRecord(saved); });
  for (int row = 0; row < data_link_->RecordCount(); ++row) {
    data_link_->SetActiveRecord(row);
    Action(row + title_offset_);
  }
}

void TCustomDBGridX::SafeSetTopRow(int ARow) {
  if (!HandleAllocated()) return;
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  const int max_top = CalcMaxTopLeft(TGridCoord{ColCount() - 1, RowCount() - 1}, di).Y;
  ARow = std::clamp(ARow, FixedRows(), std::max(FixedRows(), RowCount() - 1));
  ARow = std::max(FixedRows(), std::min(ARow, max_top));
  if (ARow != TopRow()) SetTopRow(ARow);
  UpdateScrollBar();
}

// One row per record (one empty row without records), the view kept full.
void TCustomDBGridX::RecordSetRowCount() {
  const int count = data_link_->Active() ? mem_table_->RecordCount() : 0;
  const int rows = title_offset_ + std::max(1, count);
  if (rows < RowCount() && Row() >= rows) MoveColRow(Col(), rows - 1, false, false);
  SetRowCount(rows);
  if (!HandleAllocated() || !data_link_->Active() || ComponentState().Contains(csLoading)) return;
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  const int max_top = CalcMaxTopLeft(TGridCoord{ColCount() - 1, RowCount() - 1}, di).Y;
  if (TopRow() > max_top) SetTopRow(std::max(FixedRows(), max_top));
  RecordSetFollowCurrent();
  UpdateScrollBar();
}

void TCustomDBGridX::RecordSetUpdateActive() {
  if (!mem_table_) return;
  const int rows = title_offset_ + std::max(1, data_link_->Active() ? mem_table_->RecordCount() : 0);
  if (rows != RowCount()) {
    RecordSetRowCount();
    if (HandleAllocated()) Invalidate();
    return;
  }
  if (!data_link_->Active() || !HandleAllocated() || ComponentState().Contains(csLoading)) return;
  RecordSetFollowCurrent();
  if (EditorShowing()) {
    TColumnX* c = SelectedColumn();
    TField* f = c ? c->GetField() : nullptr;
    if (f && f->EditText() != EditorText()) InvalidateEditor();
  }
  UpdateScrollBar();
}

// The current row goes to the current record, shown; the rows left and reached repaint (the
// indicator moves with them).
void TCustomDBGridX::RecordSetFollowCurrent() {
  const int wanted = mem_table_->CurrentRecord() + title_offset_;
  if (wanted < title_offset_ || wanted >= RowCount() || wanted == Row()) return;
  if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
  InvalidateRow(Row());
  MoveColRow(std::max(Col(), FixedCols()), wanted, true, true);
  InvalidateRow(Row());
  InvalidateEditor();
}

// ---- Keeping the place ----

void TCustomDBGridX::SaveBookmark() {
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || !ds) return;
  const int count = data_link_->BufferCount();
  saved_offset_ = data_link_->ActiveRecord() - count / 2 + (count + 1) % 2;
  ds->MoveBy(-saved_offset_);
  saved_bookmark_ = ds->Bookmark();
  ds->MoveBy(saved_offset_);
}

void TCustomDBGridX::RestoreBookmark() {
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || !ds || saved_bookmark_.empty() || !ds->BookmarkValid(saved_bookmark_)) return;
  ds->GotoBookmark(saved_bookmark_);
  ds->MoveBy(saved_offset_);
}

void TCustomDBGridX::SetRowActive(int Row) {
  if (record_set_) {
    if (saved_active_record_ < 0) saved_active_record_ = mem_table_->CurrentRecord();
    mem_table_->ReadEnter(Row);
    return;
  }
  if (saved_active_record_ < 0) saved_active_record_ = data_link_->ActiveRecord();
  data_link_->SetActiveRecord(Row);
}

void TCustomDBGridX::RestoreActiveRecord() {
  if (saved_active_record_ < 0) return;
  if (record_set_) mem_table_->ReadLeave();
  else data_link_->SetActiveRecord(saved_active_record_);
  saved_active_record_ = -1;
}

bool TCustomDBGridX::IsRowActive(int Row) {
  return (record_set_ ? mem_table_->CurrentRecord() : data_link_->ActiveRecord()) == Row;
}

}  // namespace lab
