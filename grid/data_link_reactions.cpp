// How the grid answers what its data link reports: the dataset scrolled, a record or field changed.

#include "grid/dbgrid.h"

namespace lab {

// The rows show other records now: repaint them.
void TCustomDBGridX::Scroll(int) {
  if (HandleAllocated()) Invalidate();
}
void TCustomDBGridX::RecordChangedForField(TField*) {
  if (HandleAllocated()) Invalidate();
}

}  // namespace lab
