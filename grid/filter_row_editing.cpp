// Editing the title filter row: its editor, its cells and applying what was typed.

#include "grid/dbgrid.h"

namespace lab {

// No filter row is edited: its editor comes with the filter-row editing.
bool TCustomDBGridX::FilterEditorActive() { return false; }
TWinControl* TCustomDBGridX::CreateFilterEditor() { return nullptr; }
// No column has a filter cell yet: the row shows the title background.
void TCustomDBGridX::DrawFilterRowCell(int, int, int, int, int, TRect ARect, TGridDrawState, bool&) {
  Canvas()->FillRect(ARect);
}
void TCustomDBGridX::ApplyFilterEditText() {}
void TCustomDBGridX::UpdateFilterEditValue() {}
void TCustomDBGridX::DefaultApplyFilter() {}

}  // namespace lab
