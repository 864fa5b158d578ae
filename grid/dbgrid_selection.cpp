// The grid's selection as the cells see it.

#include "grid/bookmark_list.h"
#include "grid/dbgrid.h"
#include "grid/selection.h"

namespace lab {

// ---- What the selection asks of the grid ----

TDataSet* TCustomDBGridX::SelectionDataSet() { return data_link_->DataSet(); }
bool TCustomDBGridX::SelectionLinkActive() { return data_link_->Active(); }

// The current record's row: its place in the link's buffer, or among all records when every record
// is a row.
void TCustomDBGridX::RepaintCurrentRecord() {
  const int record = record_set_ ? mem_table_->CurrentRecord() : data_link_->ActiveRecord();
  InvalidateRow(record + title_offset_);
}

void TCustomDBGridX::RepaintGrid() {
  if (HandleAllocated()) Invalidate();
}

void TCustomDBGridX::SelectionChangeEvent() {
  if (OnSelectionChanged) OnSelectionChanged(this);
}

// An editor that always shows comes back once nothing is selected.
void TCustomDBGridX::SelectionCleared() {
  if (options_.Contains(dgAlwaysShowEditor) && AlwaysShowEditor() && HandleAllocated() && data_link_->Active())
    ShowCellEditor();
}

bool TCustomDBGridX::HasSelection() const { return selection_ && selection_->SelectionType() != gstNon; }
bool TCustomDBGridX::SelectionIsAll() const { return selection_ && selection_->SelectionType() == gstAll; }

// Data cells by the selection's kind; the indicator of a selected record; titles, the filter row
// and footers of a selected column.
bool TCustomDBGridX::IsCellSelected(int ACol, int ARow, int DataCol, const TBookmark& Bookmark) {
  const TDBGridXSelectionType kind = selection_->SelectionType();
  if (kind == gstNon) return false;
  if (kind == gstAll) return true;
  const TGridRect box = GetDataBox();
  const bool in_rows = ARow >= box.Top && ARow <= box.Bottom && ARow < RowCount();
  if (ACol < box.Left)
    return in_rows && kind == gstRecordBookmarks && !Bookmark.empty() && selected_rows_->IndexOf(Bookmark) >= 0;
  if (ACol > box.Right) return false;
  if (in_rows) return !Bookmark.empty() && selection_->DataCellSelected(DataCol, Bookmark);
  return kind == gstColumns && DataCol >= 0 && DataCol < columns_->Count() &&
         selection_->Columns()->IndexOf(columns_->GetColumn(DataCol)) >= 0;
}
// The indicator shows the dataset's state (browsing, editing, inserting) on the current row.
void TCustomDBGridX::InvalidateSelRowIndicator() {
  if (options_.Contains(dgIndicator) && sel_row_ >= 0 && sel_row_ < RowCount()) InvalidateCell(0, sel_row_);
}

void TCustomDBGridX::SetAllowedSelections(TDBGridXAllowedSelections Value) {
  if (allowed_selections_ == Value) return;
  allowed_selections_ = Value;
  if (selection_ && selection_->SelectionType() != gstNon && !Value.Contains(selection_->SelectionType()))
    selection_->Clear();
}

}  // namespace lab
