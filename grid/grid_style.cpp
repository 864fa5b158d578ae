#include "grid/grid_style.h"

#include <algorithm>

#include "grid/dbgrid.h"

namespace lab {
namespace {
TDBGridXStyle* style = nullptr;
}  // namespace

TDBGridXStyle* DBGridXStyle() noexcept { return style; }

void SetDBGridXStyle(TDBGridXStyle* Value) noexcept { style = Value; }

// Its grids go back to the process-wide style (none when this was it).
TDBGridXStyle::~TDBGridXStyle() {
  if (style == this) style = nullptr;
  for (TCustomDBGridX* grid : std::vector<TCustomDBGridX*>(grids_)) grid->SetStyle(nullptr);
}

void TDBGridXStyle::AddGrid(TCustomDBGridX* Grid) {
  if (Grid && std::find(grids_.begin(), grids_.end(), Grid) == grids_.end()) grids_.push_back(Grid);
}

void TDBGridXStyle::RemoveGrid(TCustomDBGridX* Grid) { std::erase(grids_, Grid); }

bool TDBGridXStyle::HighlightFixedCell(TCustomDBGridX* Grid, int, int, const TCellTypeX& Cell, TGridDrawState,
                                       bool Highlight, TColor& Background, TFont* AFont) {
  return Grid->DefaultHighlightFixedCell(Cell, Highlight, Background, AFont);
}

bool TDBGridXStyle::HighlightDataCell(TCustomDBGridX* Grid, int, int, int DataCol, int DataRow, const std::string&,
                                      TGridDrawState State, bool Selected, TColor& Background, TFont* AFont) {
  return Grid->DefaultHighlightDataCell(DataCol, DataRow, State, Selected, Background, AFont);
}

}  // namespace lab
