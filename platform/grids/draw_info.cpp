#include "platform/grids/draw_info.h"

#include <algorithm>

namespace lab {

TGridAxisDrawInfo CalcFixedAxis(const TGridAxis& Axis, std::int32_t LineWidth, std::int32_t FirstCell) {
  TGridAxisDrawInfo info;
  info.Axis = &Axis;
  info.EffectiveLineWidth = LineWidth;
  info.FixedCellCount = Axis.FixedCount();
  info.FirstGridCell = FirstCell;
  info.GridCellCount = Axis.Count();
  for (std::int32_t i = 0; i < info.FixedCellCount; ++i)
    info.FixedBoundary += Axis.Extent(i) + LineWidth;
  return info;
}

void CalcAxis(TGridAxisDrawInfo& Info, std::int32_t GridExtent) {
  Info.GridExtent = GridExtent;
  Info.GridBoundary = Info.FixedBoundary;
  Info.FullVisBoundary = Info.FixedBoundary;
  Info.LastFullVisibleCell = Info.FirstGridCell;
  for (std::int32_t i = Info.FirstGridCell; i < Info.GridCellCount; ++i) {
    Info.GridBoundary += Info.GetExtent(i) + Info.EffectiveLineWidth;
    // A cell counts as whole when only its trailing line is cut off.
    if (Info.GridBoundary > GridExtent + Info.EffectiveLineWidth) {
      Info.GridBoundary = GridExtent;
      break;
    }
    Info.LastFullVisibleCell = i;
    Info.FullVisBoundary = Info.GridBoundary;
  }
}

std::int32_t TGridAxisDrawInfo::CellAt(std::int32_t Pos) const {
  if (Pos < 0 || Pos >= GridBoundary) return -1;
  std::int32_t stop = 0;
  std::int32_t i = 0;
  if (Pos >= FixedBoundary) {
    stop = FixedBoundary;
    i = FirstGridCell;
  }
  for (; i < GridCellCount; ++i) {
    stop += GetExtent(i) + EffectiveLineWidth;
    if (Pos < stop) return i;
  }
  return -1;
}

std::int32_t TGridAxisDrawInfo::CellStart(std::int32_t Index) const {
  if (Index < 0 || Index >= GridCellCount) return -1;
  std::int32_t pos = 0;
  std::int32_t i = 0;
  if (Index >= FixedCellCount) {
    if (Index < FirstGridCell) return -1;
    pos = FixedBoundary;
    i = FirstGridCell;
  }
  for (; i < Index; ++i) {
    pos += GetExtent(i) + EffectiveLineWidth;
    if (pos >= GridBoundary) return -1;
  }
  return pos < GridExtent ? pos : -1;
}

std::int32_t TGridAxisDrawInfo::LastDrawnCell() const {
  std::int32_t last = LastFullVisibleCell;
  if (FullVisBoundary < GridBoundary && last + 1 < GridCellCount) ++last;
  return last;
}

std::int32_t TGridAxisDrawInfo::MaxFirstCell(std::int32_t Last) const {
  std::int32_t result = Last;
  std::int32_t room = GridExtent + EffectiveLineWidth - FixedBoundary;
  for (std::int32_t i = Last; i >= FixedCellCount; --i) {
    room -= GetExtent(i) + EffectiveLineWidth;
    if (room < 0) break;
    result = i;
  }
  return result;
}

namespace {

// The pixel span [Start, Stop) of cells First..Last on one axis, or false when none shows.
bool AxisSpan(const TGridAxisDrawInfo& a, std::int32_t First, std::int32_t Last, bool IncludeLine,
              std::int32_t& Start, std::int32_t& Stop) {
  if (First > Last) std::swap(First, Last);
  First = std::max(First, 0);
  Last = std::min(Last, a.GridCellCount - 1);
  if (First > Last) return false;
  // Cells scrolled out between the fixed ones and the first shown one take no pixels.
  if (First >= a.FixedCellCount && First < a.FirstGridCell) {
    if (Last < a.FirstGridCell) return false;
    First = a.FirstGridCell;
  }
  if (Last >= a.FixedCellCount && Last < a.FirstGridCell) Last = a.FixedCellCount - 1;
  Last = std::min(Last, a.LastDrawnCell());
  if (First > Last) return false;
  Start = a.CellStart(First);
  const std::int32_t lastStart = a.CellStart(Last);
  if (Start < 0 || lastStart < 0) return false;
  Stop = lastStart + a.GetExtent(Last);
  if (IncludeLine) Stop += a.EffectiveLineWidth;
  Stop = std::min(Stop, a.GridExtent);
  return Stop > Start;
}

}  // namespace

TRect BoxRect(const TGridDrawInfo& Info, const TGridRect& Cells, bool IncludeLine) {
  TRect r;
  if (!AxisSpan(Info.Horz, Cells.Left, Cells.Right, IncludeLine, r.Left, r.Right) ||
      !AxisSpan(Info.Vert, Cells.Top, Cells.Bottom, IncludeLine, r.Top, r.Bottom))
    return {};
  return r;
}

TGridCoord CellAtPoint(const TGridDrawInfo& Info, std::int32_t X, std::int32_t Y) {
  TGridCoord c{Info.Horz.CellAt(X), Info.Vert.CellAt(Y)};
  if (c.X < 0 || c.Y < 0) return {-1, -1};
  return c;
}

}  // namespace lab
