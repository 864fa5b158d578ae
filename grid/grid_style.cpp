#include "grid/grid_style.h"

#include <algorithm>

namespace lab {
namespace {
TDBGridXStyle* style = nullptr;
}  // namespace

TDBGridXStyle* DBGridXStyle() noexcept { return style; }

void SetDBGridXStyle(TDBGridXStyle* Value) noexcept { style = Value; }

TDBGridXStyle::~TDBGridXStyle() {
  if (style == this) style = nullptr;
}

void TDBGridXStyle::AddGrid(TCustomDBGridX* Grid) {
  if (Grid && std::find(grids_.begin(), grids_.end(), Grid) == grids_.end()) grids_.push_back(Grid);
}

void TDBGridXStyle::RemoveGrid(TCustomDBGridX* Grid) { std::erase(grids_, Grid); }

}  // namespace lab
