// Sorting the dataset by the grid's sort markers: the data service hands it to whoever sorts the
// grid's dataset.

#include "grid/data_service.h"
#include "grid/dbgrid.h"

namespace lab {

void TCustomDBGridX::DefaultApplySorting() { DBGridXDataService()->ApplySorting(this); }

}  // namespace lab
