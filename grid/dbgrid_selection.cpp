// The grid's selection as the cells see it.

#include "grid/dbgrid.h"

namespace lab {

// As the framework grid selects: the cells of its selection rectangle.
bool TCustomDBGridX::IsCellSelected(int ACol, int ARow) { return Selection().Contains(TGridCoord{ACol, ARow}); }
void TCustomDBGridX::InvalidateSelRowIndicator() {}

}  // namespace lab
