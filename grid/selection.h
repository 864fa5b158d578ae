#pragma once
// The grid's selection: one kind at a time (TDBGridXSelectionType): none, records (the grid's
// SelectedRows), a rectangle of cells between two corners (TDBGridXSelectionRect, each corner a
// column and a record's bookmark), whole columns (TDBGridXSelectionCols, kept in column order) or
// everything. Making a selection of another kind clears the current one first; a record or column
// selection that loses its last member falls back to none.

#include <memory>
#include <string>

#include "grid/columns_list.h"
#include "grid/dbgrid_types.h"
#include "grid/selection_host.h"
#include "platform/db/field_types.h"
#include "platform/grids/grid_types.h"
#include "platform/rtl/object.h"

namespace lab {


class TDBGridXSelectionRect : public TObject {
  LAB_CLASS(TDBGridXSelectionRect, TObject)
 public:
  explicit TDBGridXSelectionRect(ISelectionHostX& AGrid) : grid_(AGrid) {}

  // Moves the shift corner (and, without AddSel, the anchor too) and makes the rectangle the
  // grid's selection.
  void Select(int ACol, const TBookmark& ABookmark, bool AddSel);
  // Whether the cell lies within both corners. Without an open dataset EInvalidGridOperation
  // "Error in function TDBGridXSelectionRect.CellSelected".
  bool CellSelected(int DataCol, const TBookmark& Bookmark);
  // The earlier and later corner record, the left and right corner column, whichever corner they
  // belong to. Without an open dataset each raises EInvalidGridOperation naming itself.
  TBookmark TopRow();
  TBookmark BottomRow();
  int LeftCol();
  int RightCol();
  void Clear();

  int AnchorCol() const noexcept { return anchor_col_; }
  const TBookmark& AnchorBookmark() const noexcept { return anchor_bookmark_; }
  int ShiftCol() const noexcept { return shift_col_; }
  const TBookmark& ShiftBookmark() const noexcept { return shift_bookmark_; }

 private:
  bool HasData() const;

  ISelectionHostX& grid_;
  int anchor_col_ = -1;
  TBookmark anchor_bookmark_;
  int shift_col_ = -1;
  TBookmark shift_bookmark_;
};

class TDBGridXSelectionCols : public TColumnsXList {
 public:
  explicit TDBGridXSelectionCols(ISelectionHostX& AGrid) : grid_(AGrid) {}

  // Keeps the list in column order.
  void Add(TColumnX* Column);
  void Select(TColumnX* Column, bool AddSel);
  void InvertSelect(TColumnX* Column);
  // The columns from the anchor to Column.
  void SelectShift(TColumnX* Column);
  // Drops columns the grid no longer has and sorts the rest again.
  void Refresh();
  // A column leaves the grid: it leaves the selection at once (a selection left empty is none).
  void ColumnRemoved(TColumnX* Column);
  void Clear();

  TColumnX* AnchorColumn() const noexcept { return anchor_; }
  TColumnX* ShiftColumn() const noexcept { return shift_; }
  // The last gesture added to the selection.
  bool Adding() const noexcept { return adding_; }

 private:
  void Changed();

  ISelectionHostX& grid_;
  TColumnX* anchor_ = nullptr;
  TColumnX* shift_ = nullptr;
  bool adding_ = false;
};

class TDBGridXSelection : public TObject, public IRowsSelectionX {
  LAB_CLASS(TDBGridXSelection, TObject)
 public:
  explicit TDBGridXSelection(ISelectionHostX& AGrid);
  ~TDBGridXSelection() override;

  TDBGridXSelectionType SelectionType() const noexcept { return type_; }
  // Stores a new kind; the grid's editor follows.
  void SetSelectionType(TDBGridXSelectionType Value);
  TDBGridXSelectionRect* Rect() const noexcept { return rect_.get(); }
  TDBGridXSelectionCols* Columns() const noexcept { return columns_.get(); }
  // The grid's SelectedRows.
  TBookmarkListX* Rows() const;

  void Clear();
  void SelectAll();
  // Whether a data cell (a data column and a record) is selected.
  bool DataCellSelected(int DataCol, const TBookmark& Bookmark);
  void RowsPicked() override;
  void UpdateState() override;
  // The grid cells of the selection (grid columns and rows); all -1 for none.
  TGridRect SelectionToGridRect();
  void LinkActive(bool Value);
  void SelectionChanged() override;

 private:
  ISelectionHostX& grid_;
  std::unique_ptr<TDBGridXSelectionCols> columns_;
  std::unique_ptr<TDBGridXSelectionRect> rect_;
  TDBGridXSelectionType type_ = gstNon;
};

}  // namespace lab
