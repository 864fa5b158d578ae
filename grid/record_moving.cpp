// Moving records by dragging them within the grid.

#include "grid/dbgrid.h"

namespace lab {

bool TCustomDBGridX::GetDropTarget(TPoint, int&, int&) { return false; }
void TCustomDBGridX::BeginRecordDrag(TPoint, bool) {}
void TCustomDBGridX::EndRecordDrag(TPoint, bool) {}
void TCustomDBGridX::MoveBy(int) {}
bool TCustomDBGridX::MoveRecords(TStrings* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly) {
  if (OnMoveRecords) return OnMoveRecords(this, BookmarkList, ToRecNo, TreeLevel, CheckOnly);
  return DefaultMoveRecords(BookmarkList, ToRecNo, TreeLevel, CheckOnly);
}
bool TCustomDBGridX::MoveSelectedRecords(int, int, bool) { return false; }
bool TCustomDBGridX::DefaultMoveRecords(TStrings*, int, int, bool) { return false; }

}  // namespace lab
