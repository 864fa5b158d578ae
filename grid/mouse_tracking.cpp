// Mouse tracking over the grid: sizing hit tests, the auto-scroll step of a mouse selection and
// presses in the tree area.

#include "grid/dbgrid.h"

namespace lab {

void TCustomDBGridX::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos, int& SizingOfs,
                                     TGridDrawInfo& FixedInfo) {
  TCustomGrid::CalcSizingState(X, Y, State, Index, SizingPos, SizingOfs, FixedInfo);
}
void TCustomDBGridX::TimerScroll() {}
bool TCustomDBGridX::ClickTreeArea(int, int, bool) { return false; }

}  // namespace lab
