// Editing the title filter row: its editor, its cells and applying what was typed.

#include "grid/data_service.h"
#include "grid/dbgrid.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

// No filter row is edited: its editor comes with the filter-row editing.
bool TCustomDBGridX::FilterEditorActive() { return false; }
bool TCustomDBGridX::CanEditFilter(int) { return false; }
void TCustomDBGridX::StartEditFilter(int) {}
TWinControl* TCustomDBGridX::CreateFilterEditor() { return nullptr; }
// No column has a filter cell yet: the row shows the title background.
void TCustomDBGridX::DrawFilterRowCell(int, int, int, int, int, TRect ARect, TGridDrawState, bool&) {
  Canvas()->FillRect(ARect);
}
void TCustomDBGridX::ApplyFilterEditText() {}
void TCustomDBGridX::UpdateFilterEditValue() {}
void TCustomDBGridX::UpdateFilterEdit(bool) {}

// The grid does not paint while the dataset is being filtered.
void TCustomDBGridX::DefaultApplyFilter() {
  const bool was = in_layout_;
  in_layout_ = true;
  TScopeExit restore([this, was] { in_layout_ = was; });
  DBGridXDataService()->ApplyFilter(this);
}

}  // namespace lab
