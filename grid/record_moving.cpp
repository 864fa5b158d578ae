// Moving records by dragging them in the indicator column (dgxRecordMoving): a press on a record's
// indicator picks it up (with dgMultiSelect, a selected record picks up the selection), the
// current record follows the mouse as the drop target (the view scrolls at its ends), a dotted
// line shows where the records would go, and the release moves them there.

#include <algorithm>

#include "grid/dbgrid.h"
#include "grid/grid_services.h"
#include "platform/controls/input.h"
#include "platform/db/dataset.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/string_list.h"

namespace lab {

namespace {

// How far right the mouse goes for each level deeper in a tree.
constexpr int kTreeLevelWidth = 18;

bool ModifierHeld() {
  return win::GetKeyState(win::VK_SHIFT) < 0 || win::GetKeyState(win::VK_CONTROL) < 0 ||
         win::GetKeyState(win::VK_MENU) < 0;
}

}  // namespace

bool TCustomDBGridX::BeginRecordDrag(TPoint MousePt, bool CheckOnly) {
  if (!data_link_->Active() || !options_x_.Contains(dgxRecordMoving) || !CanDropRecords()) return false;
  TDataSet* ds = data_link_->DataSet();
  const TGridCoord cell = MouseCoord(MousePt.X, MousePt.Y);
  if (cell.X < 0 || cell.X >= indicator_offset_ || cell.Y < title_offset_ || cell.Y >= FirstFooterAreaRow() ||
      cell.Y - title_offset_ >= DataRowCount() || (ds->Bof() && ds->Eof()))
    return false;
  if (options_.Contains(dgMultiSelect)) {
    if (ModifierHeld()) return false;
    // The pressed record is read where it stands: the test moves nothing.
    SetRowActive(cell.Y - title_offset_);
    const bool selected = selected_rows_->CurrentRowSelected();
    RestoreActiveRecord();
    if (!selected) return false;
  }
  if (CheckOnly) return true;
  if (cell.Y != Row()) data_link_->MoveBy(cell.Y - Row());
  mouse_.Drag.Bookmark = ds->Bookmark();
  mouse_.Drag.Level = mem_table_ && mem_table_->TreeViewShown() ? mem_table_->TreeLevel() : 0;
  int row = Row(), level = mouse_.Drag.Level;
  if (!GetDropTarget(MousePt, row, level)) {
    mouse_.Drag.Bookmark.clear();
    return false;
  }
  mouse_.Drag.Level = level;
  mouse_.TrackRecordDrag();
  ShowDropLine(true);
  ResetTimer(60);
  if (!MouseCapture()) SetMouseCapture(true);
  return true;
}

// The drop target is the current record's row. In a tree the level is the box of the outline the
// mouse is over (level 1 the leftmost), at most one deeper than the record above the drop line,
// whose child the records would become.
bool TCustomDBGridX::GetDropTarget(TPoint MousePt, int& Row, int& TreeLevel) {
  Row = this->Row();
  if (mem_table_ && mem_table_->TreeViewShown()) {
    const TRect first = CellRect(indicator_offset_, Row);
    const int x = UseRightToLeftAlignment() ? first.Right - MousePt.X : MousePt.X - first.Left;
    const int above = Row - title_offset_ - (DropBelowTarget() ? 0 : 1);
    int deepest = 1;
    if (above >= 0) {
      SetRowActive(above);
      TScopeExit restore([this] { RestoreActiveRecord(); });
      deepest = mem_table_->TreeLevel() + 1;
    }
    TreeLevel = std::clamp(x < 0 ? 1 : x / kTreeLevelWidth + 1, 1, deepest);
  }
  return MoveSelectedRecords(DragTargetRecNo(), TreeLevel, true);
}

// The records go below the target when the first of them comes before it.
bool TCustomDBGridX::DropBelowTarget() {
  TDataSet* ds = data_link_->DataSet();
  const bool records = selection_->SelectionType() == gstRecordBookmarks && selected_rows_->Count() > 0;
  const TBookmark& first = records ? selected_rows_->Items(0) : mouse_.Drag.Bookmark;
  return DataSetCompareBookmarks(ds, ds->Bookmark(), first) > 0;
}

int TCustomDBGridX::DragTargetRecNo() {
  if (record_set_) return mem_table_->CurrentRecord() + 1;
  return data_link_->DataSet()->RecNo();
}

// The row under the mouse for a record drag: above the rows (the titles, or off the window) lies
// before the first, below them one past the last shown, whether or not the mouse is over a column.
int TCustomDBGridX::DragMouseRow(int Y) {
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  if (Y < 0) return -1;
  const int row = di.Vert.CellAt(Y);
  return row >= 0 ? row : di.Vert.LastFullVisibleCell + 1;
}

void TCustomDBGridX::RecordDragStep(TPoint MousePt, int MouseRow) {
  if (mouse_.Mode() != mmMoveRecordsX) return;
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  const int first = record_set_ ? TopRow() : title_offset_;
  const int last = std::min({di.Vert.LastFullVisibleCell, FirstFooterAreaRow() - 1,
                             title_offset_ + std::max(DataRowCount(), 1) - 1});
  const int distance = TMouseTrackerX::RecordDragDistance(MouseRow, first, last, Row());
  int level = mouse_.Drag.Level;
  if (distance == 0 && MousePt.X == mouse_.Drag.LineX) return;
  ShowDropLine(false);
  if (distance != 0) data_link_->MoveBy(distance);
  int row = Row();
  mouse_.Drag.DropAllowed = GetDropTarget(MousePt, row, level);
  mouse_.Drag.Level = level;
  mouse_.Drag.LineX = MousePt.X;
  ShowDropLine(mouse_.Drag.DropAllowed);
}

void TCustomDBGridX::EndRecordDrag(TPoint, bool Drop) {
  StopTimer();
  ShowDropLine(false);
  mouse_.SetMode(mmNoneX);
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || mouse_.Drag.Bookmark.empty()) return;
  const TBookmark dragged = std::move(mouse_.Drag.Bookmark);
  mouse_.Drag.Bookmark.clear();
  if (!Drop) {
    // Given up: the dragged record is current again.
    if (ds->BookmarkValid(dragged)) ds->GotoBookmark(dragged);
    return;
  }
  if (mouse_.Drag.DropAllowed && DataSetCompareBookmarks(ds, ds->Bookmark(), dragged) != 0) {
    const int to = DragTargetRecNo();
    // The records go where the line showed them; the dragged one is current again.
    mouse_.Drag.Bookmark = dragged;
    MoveSelectedRecords(to, mouse_.Drag.Level, false);
    mouse_.Drag.Bookmark.clear();
    if (ds->BookmarkValid(dragged)) ds->GotoBookmark(dragged);
  }
}

void TCustomDBGridX::ShowDropLine(bool Show) {
  if (Show == (mouse_.Drag.LineY >= 0) || !HandleAllocated()) return;
  if (Show) {
    // The rows the drag moved paint first: painted after it, they would cover the line, and the
    // next erasing would draw it.
    Update();
    const TRect r = BoxRect(0, Row(), ColCount() - 1, Row());
    mouse_.Drag.LineY = DropBelowTarget() ? r.Bottom - 2 : r.Top + 2;
  }
  DrawRecordMoveLine();
  if (!Show) mouse_.Drag.LineY = -1;
}

// A 5-pixel dotted line across the client width.
void TCustomDBGridX::DrawRecordMoveLine() { DrawXorLine({0, mouse_.Drag.LineY}, {ClientWidth(), mouse_.Drag.LineY}, 5); }

bool TCustomDBGridX::MoveSelectedRecords(int ToRecNo, int TreeLevel, bool CheckOnly) {
  TStringList bookmarks;
  if (selection_->SelectionType() == gstRecordBookmarks) {
    for (int i = 0; i < selected_rows_->Count(); ++i) bookmarks.Add(selected_rows_->Items(i));
  } else if (!mouse_.Drag.Bookmark.empty()) {
    bookmarks.Add(mouse_.Drag.Bookmark);
  } else {
    bookmarks.Add(data_link_->DataSet()->Bookmark());
  }
  return MoveRecords(&bookmarks, ToRecNo, TreeLevel, CheckOnly);
}

bool TCustomDBGridX::MoveRecords(TStrings* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly) {
  if (OnMoveRecords) return OnMoveRecords(this, BookmarkList, ToRecNo, TreeLevel, CheckOnly);
  return DefaultMoveRecords(BookmarkList, ToRecNo, TreeLevel, CheckOnly);
}

bool TCustomDBGridX::DefaultMoveRecords(TStrings* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly) {
  if (!mem_table_ || !BookmarkList) return false;
  std::vector<TBookmark> bookmarks;
  for (int i = 0; i < BookmarkList->Count(); ++i) bookmarks.push_back(BookmarkList->Strings(i));
  return mem_table_->MoveRecords(bookmarks, ToRecNo, TreeLevel, CheckOnly);
}

}  // namespace lab
