// The grid's painting: the order of lines, cells and focus frames, and the tree area of the first
// data column.

#include "grid/dbgrid.h"

namespace lab {

void TCustomDBGridX::Paint() { TCustomGrid::Paint(); }

bool TCustomDBGridX::RowSelectFocused() {
  return !ComponentState().Contains(csDesigning) && options_.Contains(dgRowSelect) && DefaultDrawing() &&
         Focused();
}

bool TCustomDBGridX::UseDoubleBuffering() { return false; }
void TCustomDBGridX::DrawTreeCell(int, int, TRect) {}

}  // namespace lab
