// The drawing of one grid cell and the colours of highlighted cells.

#include "grid/dbgrid.h"

namespace lab {

// The framework grid leaves a cell's content to its descendants: nothing is drawn over the
// background and lines yet.
void TCustomDBGridX::DrawCell(int, int, TRect, TGridDrawState) {}

// As the framework grid draws: fixed cells raised.
bool TCustomDBGridX::IsCell3D(int ACol, int ARow) { return ACol < FixedCols() || ARow < FixedRows(); }

bool TCustomDBGridX::HighlightFixedCell(int, int, TColor&, TColor&) { return false; }
bool TCustomDBGridX::HighlightDataCell(int, int, TColor&, TColor&) { return false; }

}  // namespace lab
