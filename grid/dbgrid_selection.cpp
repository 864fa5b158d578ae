// The grid's selection as the cells see it.

#include "grid/dbgrid.h"

namespace lab {

// The grid holds no selection of records, cells or columns yet: nothing is selected but the
// current cell, which the drawing highlights by its own rules.
bool TCustomDBGridX::HasSelection() const { return false; }
bool TCustomDBGridX::SelectionIsAll() const { return false; }
bool TCustomDBGridX::IsCellSelected(int, int, int, const TBookmark&) { return false; }
void TCustomDBGridX::InvalidateSelRowIndicator() {}

}  // namespace lab
