// Operations of the grid whose full behaviour comes with its painting, input, scrolling, selection,
// footer and filter-row work. Until then each does what the framework grid does in its place.

#include "grid/dbgrid.h"

namespace lab {

void TCustomDBGridX::WndProc(TMessage& Message) { TCustomGrid::WndProc(Message); }
void TCustomDBGridX::CreateParams(TCreateParams& Params) { TCustomGrid::CreateParams(Params); }
void TCustomDBGridX::Paint() { TCustomGrid::Paint(); }
void TCustomDBGridX::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                                     TGridDrawInfo& FixedInfo) {
  TCustomGrid::CalcSizingState(X, Y, State, Index, SizingPos, SizingOfs, FixedInfo);
}
TInplaceEdit* TCustomDBGridX::CreateEditor() { return TCustomGrid::CreateEditor(); }
// The framework grid leaves a cell's content to its descendants: nothing is drawn over the
// background and lines yet.
void TCustomDBGridX::DrawCell(int, int, TRect, TGridDrawState) {}

bool TCustomDBGridX::GetDropTarget(TPoint, int&, int&) { return false; }
bool TCustomDBGridX::RowSelectFocused() {
  return !ComponentState().Contains(csDesigning) && options_.Contains(dgRowSelect) && DefaultDrawing() &&
         Focused();
}
// No filter row is edited: its editor comes with the filter-row editing.
bool TCustomDBGridX::FilterEditorActive() { return false; }
// As the framework grid draws: fixed cells raised.
bool TCustomDBGridX::IsCell3D(int ACol, int ARow) { return ACol < FixedCols() || ARow < FixedRows(); }
// As the framework grid selects: the cells of its selection rectangle.
bool TCustomDBGridX::IsCellSelected(int ACol, int ARow) { return Selection().Contains(TGridCoord{ACol, ARow}); }
bool TCustomDBGridX::ClickTreeArea(int, int, bool) { return false; }
void TCustomDBGridX::BeginRecordDrag(TPoint, bool) {}
TWinControl* TCustomDBGridX::CreateFilterEditor() { return nullptr; }
bool TCustomDBGridX::HighlightFixedCell(int, int, TColor&, TColor&) { return false; }
bool TCustomDBGridX::HighlightDataCell(int, int, TColor&, TColor&) { return false; }
bool TCustomDBGridX::MoveRecords(TStrings* BookmarkList, int ToRecNo, int TreeLevel, bool CheckOnly) {
  if (OnMoveRecords) return OnMoveRecords(this, BookmarkList, ToRecNo, TreeLevel, CheckOnly);
  return DefaultMoveRecords(BookmarkList, ToRecNo, TreeLevel, CheckOnly);
}
bool TCustomDBGridX::MoveSelectedRecords(int, int, bool) { return false; }
bool TCustomDBGridX::UseDoubleBuffering() { return false; }
void TCustomDBGridX::ApplyPendingResize() {}
void TCustomDBGridX::PaintFlatBorder() {}
void TCustomDBGridX::DrawTreeCell(int, int, TRect) {}
void TCustomDBGridX::DrawFilterRowCell(int, int, TRect, TGridDrawState) {}
void TCustomDBGridX::EndRecordDrag(TPoint, bool) {}
void TCustomDBGridX::MoveBy(int) {}
// The rows show other records now: repaint them.
void TCustomDBGridX::Scroll(int) {
  if (HandleAllocated()) Invalidate();
}
void TCustomDBGridX::FocusChanged() {}
void TCustomDBGridX::ApplyFilterEditText() {}
void TCustomDBGridX::TimerScroll() {}
void TCustomDBGridX::UpdateActive() {}
void TCustomDBGridX::UpdateFilterEditValue() {}
void TCustomDBGridX::UpdateHorzScrollBar() {}
void TCustomDBGridX::UpdateRowCount() {}
void TCustomDBGridX::UpdateScrollBar() {}
bool TCustomDBGridX::DefaultMoveRecords(TStrings*, int, int, bool) { return false; }
// Without footers there is no footer text.
std::string TCustomDBGridX::GetFooterValue(int, TColumnX*) { return {}; }
void TCustomDBGridX::DefaultApplyFilter() {}
void TCustomDBGridX::DefaultApplySorting() {}
void TCustomDBGridX::OptimizeColumnWidths(const TColumnsXList&) {}
void TCustomDBGridX::RecordChangedForField(TField*) {
  if (HandleAllocated()) Invalidate();
}
void TCustomDBGridX::InvalidateSelRowIndicator() {}

}  // namespace lab
