// The text a footer cell shows.

#include "grid/dbgrid.h"

namespace lab {

// Without footers there is no footer text.
std::string TCustomDBGridX::GetFooterValue(int, TColumnX*) { return {}; }

}  // namespace lab
