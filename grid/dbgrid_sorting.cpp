// Sorting the dataset by the grid's sort markers.

#include "grid/dbgrid.h"

namespace lab {

void TCustomDBGridX::DefaultApplySorting() {}

}  // namespace lab
