// Scrolling: the grid's scroll bars and a resize that came during an update.

#include "grid/dbgrid.h"

namespace lab {

void TCustomDBGridX::UpdateScrollBar() {}
void TCustomDBGridX::UpdateHorzScrollBar() {}
void TCustomDBGridX::ApplyPendingResize() {}

}  // namespace lab
