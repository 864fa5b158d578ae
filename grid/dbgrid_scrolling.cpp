// Scrolling: the grid's scroll bars and a resize that came during an update.

#include <algorithm>

#include "grid/dbgrid.h"

namespace lab {

int TCustomDBGridX::GetVisibleDataRowCount() {
  int rows = VisibleRowCount();
  if (footer_row_count_ > 0) rows -= footer_row_count_ + 1;
  return std::max(rows, 1);
}

void TCustomDBGridX::UpdateScrollBar() {}
void TCustomDBGridX::UpdateHorzScrollBar() {}
void TCustomDBGridX::ApplyPendingResize() {}

}  // namespace lab
