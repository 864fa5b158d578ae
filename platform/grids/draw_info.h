#pragma once
// The draw information: where the fixed cells end, which cells are on screen and where, per axis.
// It is computed afresh for every paint and every hit test from the axis and the client extent.

#include <cstdint>

#include "platform/grids/grid_axis.h"
#include "platform/grids/grid_types.h"
#include "platform/rtl/geometry.h"

namespace lab {

struct TGridAxisDrawInfo {
  std::int32_t EffectiveLineWidth = 0;  // the grid line width when this axis draws lines, else 0
  std::int32_t FixedBoundary = 0;       // pixel end of the fixed cells, lines included
  std::int32_t GridBoundary = 0;        // pixel end of the last cell drawn, cut to GridExtent
  std::int32_t GridExtent = 0;          // the client width or height
  std::int32_t LastFullVisibleCell = 0; // at least FirstGridCell, even when that one is cut
  std::int32_t FullVisBoundary = 0;     // pixel end of LastFullVisibleCell when it is whole
  std::int32_t FixedCellCount = 0;
  std::int32_t FirstGridCell = 0;       // LeftCol or TopRow
  std::int32_t GridCellCount = 0;       // ColCount or RowCount
  const TGridAxis* Axis = nullptr;

  std::int32_t GetExtent(std::int32_t Index) const { return Axis->Extent(Index); }
  // The cell that holds pixel Pos, its grid line (right or below it) included; -1 when none does.
  std::int32_t CellAt(std::int32_t Pos) const;
  // The first pixel of a cell on screen; -1 when it is scrolled out or starts past GridBoundary.
  std::int32_t CellStart(std::int32_t Index) const;
  // The last cell with at least one pixel on screen (a cut one included).
  std::int32_t LastDrawnCell() const;
  // Cells fully shown after the fixed ones: the framework's visible count, at least 1.
  std::int32_t VisibleCount() const { return LastFullVisibleCell - FirstGridCell + 1; }
  // The largest first cell from which the cells up to Last still fit whole into the extent (Last
  // itself when it alone is too large): scrolling there shows Last as the final full cell.
  std::int32_t MaxFirstCell(std::int32_t Last) const;
};

struct TGridDrawInfo {
  TGridAxisDrawInfo Horz;
  TGridAxisDrawInfo Vert;
};

// The fixed part of an axis: line width, fixed boundary and counts, starting the scrolling cells at
// FirstCell.
TGridAxisDrawInfo CalcFixedAxis(const TGridAxis& Axis, std::int32_t LineWidth, std::int32_t FirstCell);
// The rest: grid boundary and the fully visible cells for a client extent.
void CalcAxis(TGridAxisDrawInfo& Info, std::int32_t GridExtent);

// The pixels of a range of cells on screen; with IncludeLine the grid lines after the last cells are
// taken in. Scrolled-out parts are left off; an empty rectangle when nothing of it shows.
TRect BoxRect(const TGridDrawInfo& Info, const TGridRect& Cells, bool IncludeLine);

// The cell under a client point; (-1, -1) when the point is over no cell.
TGridCoord CellAtPoint(const TGridDrawInfo& Info, std::int32_t X, std::int32_t Y);

}  // namespace lab
