// A column's edit buttons as the cells show them.

#include "grid/columns.h"
#include "grid/dbgrid.h"

namespace lab {

TEditButtonKindX TColumnX::GetEditButtonKind() {
  switch (button_style_) {
    case cbsNone: return ebkNoneX;
    case cbsEllipsis: return ebkEllipsisX;
    case cbsUpDown: return ebkUpDownX;
    case cbsDropDown: return ebkDropDownX;
    case cbsAuto: break;
  }
  switch (GetColumnType()) {
    case ctPickList:
    case ctKeyPickList: return ebkPickListX;
    case ctLookupField: return ebkDataListX;
    default: return ebkNoneX;
  }
}

// A flat grid puts a one-pixel gap before each button; a button of its own width takes the gap
// once.
int TColumnX::EditButtonsWidth() {
  TCustomDBGridX* grid = GetGrid();
  if (!grid) return 0;
  const int flat = grid->Flat() ? 1 : 0;
  int width = GetEditButtonKind() != ebkNoneX ? grid->EditButtonWidth() + flat : 0;
  for (int i = 0; i < edit_buttons_->Count(); ++i) {
    TEditButtonX* b = edit_buttons_->Items(i);
    if (!b->Visible()) continue;
    width += (b->Width() > 0 ? b->Width() : grid->EditButtonWidth()) + flat;
  }
  return width;
}

}  // namespace lab
