#pragma once
// What the grid's selection (selection.h) and its selected records (bookmark_list.h) ask of the
// grid that owns them: its records, its columns, where records stand on screen, what to repaint
// and whom to tell. The grid implements it; the selection needs nothing else of the grid. The
// selected records reach the selection only through IRowsSelectionX.

#include <functional>

#include "platform/grids/grid_types.h"

namespace lab {

class TDataSet;
class TDBGridColumnsX;
class TDBGridXSelection;
class TBookmarkListX;

// What the selected records tell the selection, which holds them as one of its kinds.
class IRowsSelectionX {
 public:
  // Records were picked: a selection of another kind is cleared and the records become the selection.
  virtual void RowsPicked() = 0;
  // A record or column selection left empty becomes none.
  virtual void UpdateState() = 0;
  // Fires the grid's OnSelectionChanged.
  virtual void SelectionChanged() = 0;

 protected:
  ~IRowsSelectionX() = default;
};

class ISelectionHostX {
 public:
  virtual ~ISelectionHostX() = default;
  // The link's dataset (nullptr without one) and whether the link is open.
  virtual TDataSet* SelectionDataSet() = 0;
  virtual bool SelectionLinkActive() = 0;
  // The grid's columns, its selection and its selected records.
  virtual TDBGridColumnsX* SelectionColumns() = 0;
  virtual TDBGridXSelection* GridSelection() = 0;
  virtual IRowsSelectionX* RowsSelection() = 0;
  virtual TBookmarkListX* GridSelectedRows() = 0;
  // Calls Action(grid row) for each record on screen while it is the record the fields show.
  virtual void ForEachRecordShown(const std::function<void(int GridRow)>& Action) = 0;
  // The grid's columns and rows (X, Y), and the indicator columns before the data columns.
  virtual TGridCoord GridCellCount() = 0;
  virtual int SelectionIndicatorOffset() = 0;
  // Repaints the cells of a grid rectangle; the current record's row; everything.
  virtual void RepaintCells(const TGridRect& Cells) = 0;
  virtual void RepaintCurrentRecord() = 0;
  virtual void RepaintGrid() = 0;
  // The selection's kind changed (the in-place editor follows); the selection changed (the
  // program is told); the selection was cleared (an editor that always shows comes back).
  virtual void SelectionKindChanged() = 0;
  virtual void SelectionChangeEvent() = 0;
  virtual void SelectionCleared() = 0;
};

}  // namespace lab
