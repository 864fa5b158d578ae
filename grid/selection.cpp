#include "grid/selection.h"

#include <algorithm>

#include "grid/bookmark_list.h"
#include "grid/columns.h"
#include "grid/grid_services.h"
#include "platform/db/dataset.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

// ---- The rectangle ----

bool TDBGridXSelectionRect::HasData() const {
  return grid_.SelectionLinkActive() && grid_.SelectionDataSet();
}

void TDBGridXSelectionRect::Select(int ACol, const TBookmark& ABookmark, bool AddSel) {
  TDBGridXSelection* selection = grid_.GridSelection();
  if (selection->SelectionType() != gstRectangle) {
    selection->Clear();
    AddSel = false;
  }
  const TGridRect before = selection->SelectionToGridRect();
  shift_col_ = ACol;
  shift_bookmark_ = ABookmark;
  if (!AddSel) {
    anchor_col_ = ACol;
    anchor_bookmark_ = ABookmark;
  }
  selection->SetSelectionType(gstRectangle);
  // What changes on screen is the old rectangle and the new one together.
  const TGridRect after = selection->SelectionToGridRect();
  if (before.Left >= 0) grid_.RepaintCells(before);
  if (after.Left >= 0) grid_.RepaintCells(after);
  selection->SelectionChanged();
}

bool TDBGridXSelectionRect::CellSelected(int DataCol, const TBookmark& Bookmark) {
  if (!HasData()) GridError("Error in function TDBGridXSelectionRect.CellSelected");
  if (DataCol < LeftCol() || DataCol > RightCol()) return false;
  TDataSet* ds = grid_.SelectionDataSet();
  return ds->CompareBookmarks(Bookmark, TopRow()) >= 0 && ds->CompareBookmarks(Bookmark, BottomRow()) <= 0;
}

TBookmark TDBGridXSelectionRect::TopRow() {
  if (!HasData()) GridError("Error in TDBGridXSelectionRect.GetTopRow");
  TDataSet* ds = grid_.SelectionDataSet();
  return ds->CompareBookmarks(anchor_bookmark_, shift_bookmark_) <= 0 ? anchor_bookmark_ : shift_bookmark_;
}

TBookmark TDBGridXSelectionRect::BottomRow() {
  if (!HasData()) GridError("Error in TDBGridXSelectionRect.GetBottomRow");
  TDataSet* ds = grid_.SelectionDataSet();
  return ds->CompareBookmarks(anchor_bookmark_, shift_bookmark_) <= 0 ? shift_bookmark_ : anchor_bookmark_;
}

int TDBGridXSelectionRect::LeftCol() {
  if (!HasData()) GridError("Error in TDBGridXSelectionRect.GetLeftCol");
  return std::min(anchor_col_, shift_col_);
}

int TDBGridXSelectionRect::RightCol() {
  if (!HasData()) GridError("Error in TDBGridXSelectionRect.GetRightCol");
  return std::max(anchor_col_, shift_col_);
}

void TDBGridXSelectionRect::Clear() {
  anchor_col_ = shift_col_ = -1;
  anchor_bookmark_.clear();
  shift_bookmark_.clear();
  grid_.GridSelection()->SelectionChanged();
}

// ---- Whole columns ----

void TDBGridXSelectionCols::Add(TColumnX* Column) {
  for (int i = 0; i < Count(); ++i)
    if (GetColumn(i)->Index() > Column->Index()) {
      Insert(i, Column);
      return;
    }
  TColumnsXList::Add(Column);
}

void TDBGridXSelectionCols::Changed() {
  TDBGridXSelection* selection = grid_.GridSelection();
  selection->SetSelectionType(Count() > 0 ? gstColumns : gstNon);
  grid_.RepaintGrid();
  selection->SelectionChanged();
}

void TDBGridXSelectionCols::Select(TColumnX* Column, bool AddSel) {
  TDBGridXSelection* selection = grid_.GridSelection();
  if (selection->SelectionType() != gstColumns) selection->Clear();
  if (!AddSel) TColumnsXList::Clear();
  if (IndexOf(Column) < 0) Add(Column);
  anchor_ = shift_ = Column;
  adding_ = true;
  Changed();
}

void TDBGridXSelectionCols::InvertSelect(TColumnX* Column) {
  TDBGridXSelection* selection = grid_.GridSelection();
  if (selection->SelectionType() != gstColumns) selection->Clear();
  adding_ = IndexOf(Column) < 0;
  if (adding_) Add(Column);
  else Remove(Column);
  anchor_ = shift_ = Column;
  Changed();
}

void TDBGridXSelectionCols::SelectShift(TColumnX* Column) {
  TDBGridXSelection* selection = grid_.GridSelection();
  if (selection->SelectionType() != gstColumns) selection->Clear();
  if (!anchor_) anchor_ = Column;
  TColumnsXList::Clear();
  TDBGridColumnsX* columns = grid_.SelectionColumns();
  const int from = std::min(anchor_->Index(), Column->Index()), to = std::max(anchor_->Index(), Column->Index());
  for (int i = from; i <= to; ++i)
    if (columns->GetColumn(i)->Visible()) TColumnsXList::Add(columns->GetColumn(i));
  shift_ = Column;
  adding_ = true;
  Changed();
}

void TDBGridXSelectionCols::Refresh() {
  TDBGridColumnsX* columns = grid_.SelectionColumns();
  for (int i = Count() - 1; i >= 0; --i) {
    bool present = false;
    for (int k = 0; k < columns->Count() && !present; ++k) present = columns->GetColumn(k) == GetColumn(i);
    if (!present) Delete(i);
  }
  std::vector<TColumnX*> kept(begin(), end());
  std::stable_sort(kept.begin(), kept.end(), [](TColumnX* a, TColumnX* b) { return a->Index() < b->Index(); });
  TColumnsXList::Clear();
  for (TColumnX* c : kept) TColumnsXList::Add(c);
  if (anchor_ && IndexOf(anchor_) < 0) anchor_ = nullptr;
  if (shift_ && IndexOf(shift_) < 0) shift_ = nullptr;
}

void TDBGridXSelectionCols::ColumnRemoved(TColumnX* Column) {
  if (anchor_ == Column) anchor_ = nullptr;
  if (shift_ == Column) shift_ = nullptr;
  if (Remove(Column) >= 0) Changed();
}

void TDBGridXSelectionCols::Clear() {
  TColumnsXList::Clear();
  anchor_ = shift_ = nullptr;
}

// ---- The selection ----

TDBGridXSelection::TDBGridXSelection(ISelectionHostX& AGrid)
    : grid_(AGrid),
      columns_(std::make_unique<TDBGridXSelectionCols>(AGrid)),
      rect_(std::make_unique<TDBGridXSelectionRect>(AGrid)) {}

TDBGridXSelection::~TDBGridXSelection() = default;

TBookmarkListX* TDBGridXSelection::Rows() const { return grid_.GridSelectedRows(); }

void TDBGridXSelection::SetSelectionType(TDBGridXSelectionType Value) {
  if (type_ == Value) return;
  type_ = Value;
  grid_.SelectionKindChanged();
}

void TDBGridXSelection::RowsPicked() {
  if (type_ == gstRecordBookmarks) return;
  Clear();
  SetSelectionType(gstRecordBookmarks);
}

void TDBGridXSelection::SelectionChanged() {
  grid_.SelectionChangeEvent();
}

void TDBGridXSelection::Clear() {
  switch (type_) {
    case gstRecordBookmarks: Rows()->Clear(); break;
    case gstRectangle: {
      const TGridRect before = SelectionToGridRect();
      rect_->Clear();
      if (before.Left >= 0) grid_.RepaintCells(before);
      break;
    }
    case gstColumns:
      columns_->Clear();
      grid_.RepaintGrid();
      break;
    case gstAll:
      grid_.RepaintGrid();
      break;
    case gstNon: break;
  }
  SetSelectionType(gstNon);
  grid_.SelectionCleared();
}

void TDBGridXSelection::SelectAll() {
  if (type_ == gstAll) return;
  Clear();
  SetSelectionType(gstAll);
  grid_.RepaintGrid();
  SelectionChanged();
}

bool TDBGridXSelection::DataCellSelected(int DataCol, const TBookmark& Bookmark) {
  switch (type_) {
    case gstRecordBookmarks: return Rows()->IndexOf(Bookmark) >= 0;
    case gstRectangle: return rect_->CellSelected(DataCol, Bookmark);
    case gstColumns:
      return DataCol >= 0 && DataCol < grid_.SelectionColumns()->Count() &&
             columns_->IndexOf(grid_.SelectionColumns()->GetColumn(DataCol)) >= 0;
    case gstAll: return true;
    case gstNon: return false;
  }
  return false;
}

void TDBGridXSelection::UpdateState() {
  if ((type_ == gstRecordBookmarks && Rows()->Count() == 0) || (type_ == gstColumns && columns_->Count() == 0)) {
    SetSelectionType(gstNon);
    grid_.RepaintGrid();
  }
}

TGridRect TDBGridXSelection::SelectionToGridRect() {
  TGridRect r{-1, -1, -1, -1};
  const int io = grid_.SelectionIndicatorOffset();
  switch (type_) {
    case gstRecordBookmarks: return Rows()->SelectionRect();
    case gstRectangle: {
      TDataSet* ds = grid_.SelectionDataSet();
      if (!grid_.SelectionLinkActive() || !ds || rect_->AnchorCol() < 0) return r;
      // The records on screen between the corners.
      const TBookmark top = rect_->TopRow(), bottom = rect_->BottomRow();
      grid_.ForEachRecordShown([&](int row) {
        const TBookmark b = ds->Bookmark();
        if (ds->CompareBookmarks(b, top) < 0 || ds->CompareBookmarks(b, bottom) > 0) return;
        if (r.Top < 0) r.Top = row;
        r.Bottom = row;
      });
      if (r.Top < 0) return r;
      r.Left = rect_->LeftCol() + io;
      r.Right = rect_->RightCol() + io;
      return r;
    }
    case gstColumns: {
      if (columns_->Count() == 0) return r;
      r.Left = columns_->GetColumn(0)->Index() + io;
      r.Right = columns_->GetColumn(columns_->Count() - 1)->Index() + io;
      r.Top = 0;
      r.Bottom = grid_.GridCellCount().Y - 1;
      return r;
    }
    case gstAll: return TGridRect{0, 0, grid_.GridCellCount().X - 1, grid_.GridCellCount().Y - 1};
    case gstNon: return r;
  }
  return r;
}

void TDBGridXSelection::LinkActive(bool Value) {
  Rows()->LinkActive(Value);
  Clear();
}

}  // namespace lab
