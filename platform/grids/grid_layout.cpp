#include "platform/grids/grid_layout.h"

#include <algorithm>

namespace lab {

TGridLayout::TGridLayout()
    : Cols(5, 1, 64),
      Rows(5, 1, 24),
      Options{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect},
      TopLeft{1, 1},
      Current{1, 1},
      Anchor{1, 1} {}

TGridDrawInfo TGridLayout::CalcFixedInfo() const {
  const bool vertLines = Options.Contains(goFixedVertLine) || Options.Contains(goVertLine);
  const bool horzLines = Options.Contains(goFixedHorzLine) || Options.Contains(goHorzLine);
  TGridDrawInfo info;
  info.Horz = CalcFixedAxis(Cols, vertLines ? GridLineWidth : 0, TopLeft.X);
  info.Vert = CalcFixedAxis(Rows, horzLines ? GridLineWidth : 0, TopLeft.Y);
  return info;
}

TGridDrawInfo TGridLayout::CalcDrawInfo(std::int32_t ClientWidth, std::int32_t ClientHeight) const {
  TGridDrawInfo info = CalcFixedInfo();
  CalcAxis(info.Horz, ClientWidth);
  CalcAxis(info.Vert, ClientHeight);
  return info;
}

TGridCoord TGridLayout::MaxTopLeft(const TGridDrawInfo& Info) const {
  return {Info.Horz.MaxFirstCell(Cols.Count() - 1), Info.Vert.MaxFirstCell(Rows.Count() - 1)};
}

TGridCoord TGridLayout::TopLeftShowing(const TGridDrawInfo& Info, TGridCoord Cell) const {
  TGridCoord result = TopLeft;
  if (Cell.X >= Cols.FixedCount()) {
    if (Cell.X < TopLeft.X)
      result.X = Cell.X;
    else if (Cell.X > Info.Horz.LastFullVisibleCell)
      result.X = Info.Horz.MaxFirstCell(Cell.X);
  }
  if (Cell.Y >= Rows.FixedCount()) {
    if (Cell.Y < TopLeft.Y)
      result.Y = Cell.Y;
    else if (Cell.Y > Info.Vert.LastFullVisibleCell)
      result.Y = Info.Vert.MaxFirstCell(Cell.Y);
  }
  return result;
}

namespace {

// The edge of the cells of one axis that lies under Pos, looked for in a band 7 pixels wide (or the
// line width when that is wider) around each edge.
bool SizingEdge(const TGridAxisDrawInfo& a, std::int32_t Pos, TGridState State, TGridSizing& Out) {
  std::int32_t range = a.EffectiveLineWidth;
  std::int32_t back = 0;
  if (range < 7) {
    range = 7;
    back = (range - a.EffectiveLineWidth) >> 1;
  }
  std::int32_t line = a.FixedBoundary;
  for (std::int32_t i = a.FirstGridCell; i < a.GridCellCount; ++i) {
    line += a.GetExtent(i);
    if (line > a.GridBoundary) break;
    if (Pos >= line - back && Pos <= line - back + range) {
      Out = {State, i, line, line - Pos};
      return true;
    }
    line += a.EffectiveLineWidth;
  }
  // The cell cut off by the client edge can be sized from that edge.
  if (a.GridBoundary == a.GridExtent && Pos >= a.GridExtent - back && Pos <= a.GridExtent) {
    Out = {State, a.LastFullVisibleCell + 1, a.GridExtent, a.GridExtent - Pos};
    return true;
  }
  return false;
}

}  // namespace

TGridSizing TGridLayout::CalcSizingState(const TGridDrawInfo& Info, std::int32_t X, std::int32_t Y,
                                         TGridOptions Effective) const {
  TGridSizing result;
  if (X > Info.Horz.FixedBoundary && Effective.Contains(goColSizing)) {
    if (Y < Info.Vert.FixedBoundary) SizingEdge(Info.Horz, X, gsColSizing, result);
  } else if (Y > Info.Vert.FixedBoundary && Effective.Contains(goRowSizing)) {
    if (X < Info.Horz.FixedBoundary) SizingEdge(Info.Vert, Y, gsRowSizing, result);
  }
  return result;
}

std::int32_t TGridLayout::SizedExtent(const TGridAxisDrawInfo& Axis, std::int32_t Index,
                                      std::int32_t Pos) {
  std::int32_t start = 0;
  for (std::int32_t i = 0; i < Axis.FixedCellCount && i < Index; ++i)
    start += Axis.GetExtent(i) + Axis.EffectiveLineWidth;
  for (std::int32_t i = Axis.FirstGridCell; i < Index; ++i)
    start += Axis.GetExtent(i) + Axis.EffectiveLineWidth;
  return Pos - start;
}

std::int32_t TGridLayout::ShownCell(const TGridAxis& Axis, std::int32_t Index, std::int32_t Step) {
  const std::int32_t first = Axis.FixedCount();
  const std::int32_t last = Axis.Count() - 1;
  Index = std::clamp(Index, first, last);
  for (std::int32_t i = Index; i >= first && i <= last; i += Step)
    if (Axis.Extent(i) >= 0) return i;
  for (std::int32_t i = Index - Step; i >= first && i <= last; i -= Step)
    if (Axis.Extent(i) >= 0) return i;
  return Index;
}

TGridMove TGridLayout::KeyMove(const TGridDrawInfo& Info, TGridKey Key, bool Ctrl, bool Shift) const {
  const bool rowSelect = Options.Contains(goRowSelect);
  const std::int32_t fixedCols = Cols.FixedCount();
  const std::int32_t fixedRows = Rows.FixedCount();
  const std::int32_t pageWidth = std::max(Info.Horz.LastFullVisibleCell - TopLeft.X, 1);
  const std::int32_t pageHeight = std::max(Info.Vert.LastFullVisibleCell - TopLeft.Y, 1);
  TGridMove m{TopLeft, Current, !Shift};
  // Which way the current cell goes, so a hidden target is passed in that direction.
  std::int32_t stepX = 0, stepY = 0;
  if (Ctrl) {
    switch (Key) {
      case TGridKey::Up: --m.TopLeft.Y; break;
      case TGridKey::Down: ++m.TopLeft.Y; break;
      case TGridKey::Left:
        if (!rowSelect) {
          m.Current.X -= pageWidth;
          m.TopLeft.X -= pageWidth;
          stepX = -1;
        }
        break;
      case TGridKey::Right:
        if (!rowSelect) {
          m.Current.X += pageWidth;
          m.TopLeft.X += pageWidth;
          stepX = 1;
        }
        break;
      case TGridKey::PageUp: m.Current.Y = TopLeft.Y; stepY = 1; break;
      case TGridKey::PageDown: m.Current.Y = Info.Vert.LastFullVisibleCell; stepY = -1; break;
      case TGridKey::Home:
        m.Current = {fixedCols, fixedRows};
        stepX = stepY = 1;
        break;
      case TGridKey::End:
        m.Current = {Cols.Count() - 1, Rows.Count() - 1};
        stepX = stepY = -1;
        break;
      case TGridKey::Tab: break;
    }
  } else {
    switch (Key) {
      case TGridKey::Up: --m.Current.Y; stepY = -1; break;
      case TGridKey::Down: ++m.Current.Y; stepY = 1; break;
      case TGridKey::Left:
        if (rowSelect) { --m.Current.Y; stepY = -1; } else { --m.Current.X; stepX = -1; }
        break;
      case TGridKey::Right:
        if (rowSelect) { ++m.Current.Y; stepY = 1; } else { ++m.Current.X; stepX = 1; }
        break;
      case TGridKey::PageDown:
        m.Current.Y += pageHeight;
        m.TopLeft.Y += pageHeight;
        stepY = 1;
        break;
      case TGridKey::PageUp:
        m.Current.Y -= pageHeight;
        m.TopLeft.Y -= pageHeight;
        stepY = -1;
        break;
      case TGridKey::Home:
        if (rowSelect) { m.Current.Y = fixedRows; stepY = 1; } else { m.Current.X = fixedCols; stepX = 1; }
        break;
      case TGridKey::End:
        if (rowSelect) { m.Current.Y = Rows.Count() - 1; stepY = -1; }
        else { m.Current.X = Cols.Count() - 1; stepX = -1; }
        break;
      case TGridKey::Tab: {
        // The next tab stop, wrapping into the next (or previous) row; the anchor follows.
        m.MoveAnchor = true;
        TGridCoord c = Current;
        do {
          if (Shift) {
            if (--c.X < fixedCols) {
              c.X = Cols.Count() - 1;
              if (--c.Y < fixedRows) c.Y = Rows.Count() - 1;
            }
          } else if (++c.X >= Cols.Count()) {
            c.X = fixedCols;
            if (++c.Y >= Rows.Count()) c.Y = fixedRows;
          }
        } while (!(Cols.TabStop(c.X) && Cols.Extent(c.X) >= 0) && c.X != Current.X);
        m.Current = c;
        break;
      }
    }
  }
  const TGridCoord maxTopLeft = MaxTopLeft(Info);
  m.TopLeft.X = std::clamp(m.TopLeft.X, fixedCols, std::max(maxTopLeft.X, fixedCols));
  m.TopLeft.Y = std::clamp(m.TopLeft.Y, fixedRows, std::max(maxTopLeft.Y, fixedRows));
  m.Current.X = std::clamp(m.Current.X, fixedCols, Cols.Count() - 1);
  m.Current.Y = std::clamp(m.Current.Y, fixedRows, Rows.Count() - 1);
  // A hidden target is passed in the direction of the move; with nothing shown that way the move
  // falls back toward where it came from.
  if (stepX != 0) m.Current.X = ShownCell(Cols, m.Current.X, stepX);
  if (stepY != 0) m.Current.Y = ShownCell(Rows, m.Current.Y, stepY);
  return m;
}

bool TGridLayout::CanScroll(const TGridDrawInfo& Info, bool Vertical) const {
  const TGridCoord maxTopLeft = MaxTopLeft(Info);
  return Vertical ? maxTopLeft.Y > Rows.FixedCount() : maxTopLeft.X > Cols.FixedCount();
}

std::int32_t TGridLayout::ScrollPos(const TGridDrawInfo& Info, bool Vertical) const {
  const TGridCoord maxTopLeft = MaxTopLeft(Info);
  const std::int32_t min = Vertical ? Rows.FixedCount() : Cols.FixedCount();
  const std::int32_t max = Vertical ? maxTopLeft.Y : maxTopLeft.X;
  const std::int32_t first = Vertical ? TopLeft.Y : TopLeft.X;
  if (max <= min) return 0;
  const std::int64_t pos = std::int64_t(first - min) * GridScrollMax / (max - min);
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(pos, 0, GridScrollMax));
}

std::int32_t TGridLayout::ScrollTarget(const TGridDrawInfo& Info, bool Vertical, std::int32_t Code,
                                       std::int32_t Pos) const {
  const TGridAxisDrawInfo& a = Vertical ? Info.Vert : Info.Horz;
  const TGridCoord maxTopLeft = MaxTopLeft(Info);
  const std::int32_t min = a.FixedCellCount;
  const std::int32_t max = std::max(Vertical ? maxTopLeft.Y : maxTopLeft.X, min);
  const std::int32_t first = a.FirstGridCell;
  std::int32_t target = first;
  switch (Code) {
    case 0: target = first - 1; break;  // SB_LINEUP
    case 1: target = first + 1; break;  // SB_LINEDOWN
    case 2: {                           // SB_PAGEUP: the page that ends with the first cell
      target = first > min ? a.MaxFirstCell(first) : first;
      if (target == first) --target;
      break;
    }
    case 3:  // SB_PAGEDOWN: the last whole cell becomes the first
      target = std::max(a.LastFullVisibleCell, first + 1);
      break;
    case 4:  // SB_THUMBPOSITION
    case 5:  // SB_THUMBTRACK
      target = min + static_cast<std::int32_t>(std::int64_t(std::clamp(Pos, 0, GridScrollMax)) *
                                                   (max - min) / GridScrollMax);
      break;
    case 6: target = min; break;  // SB_TOP
    case 7: target = max; break;  // SB_BOTTOM
    default: break;
  }
  return std::clamp(target, min, max);
}

namespace {

// Pixels between two first cells: negative when the picture moves left or up. Counting stops once
// past the grid's extent: a jump that far repaints the view however far it goes, and a jump over
// millions of rows costs no more than one over a screenful.
std::int32_t ScrollAmount(const TGridAxisDrawInfo& a, std::int32_t Old, std::int32_t New) {
  std::int32_t amount = 0;
  for (std::int32_t i = std::min(Old, New); i < std::max(Old, New) && amount <= a.GridExtent; ++i)
    amount += a.GetExtent(i) + a.EffectiveLineWidth;
  return New > Old ? -amount : amount;
}

}  // namespace

bool TGridLayout::CalcScrollData(const TGridDrawInfo& Info, TGridCoord OldTopLeft,
                                 TGridCoord NewTopLeft, std::vector<TGridScrollStep>& Steps) {
  Steps.clear();
  const TGridAxisDrawInfo& h = Info.Horz;
  const TGridAxisDrawInfo& v = Info.Vert;
  // A view that started on cells since taken away cannot be scrolled from: repaint.
  if (std::max(OldTopLeft.X, NewTopLeft.X) >= h.GridCellCount ||
      std::max(OldTopLeft.Y, NewTopLeft.Y) >= v.GridCellCount)
    return false;
  const std::int32_t dx = ScrollAmount(h, OldTopLeft.X, NewTopLeft.X);
  const std::int32_t dy = ScrollAmount(v, OldTopLeft.Y, NewTopLeft.Y);
  if (std::abs(dx) >= h.GridExtent - h.FixedBoundary || std::abs(dy) >= v.GridExtent - v.FixedBoundary)
    return dx == 0 && dy == 0;
  ScrollAreas(Info, dx, dy, Steps);
  return true;
}

void TGridLayout::ScrollAreas(const TGridDrawInfo& Info, std::int32_t DX, std::int32_t DY,
                              std::vector<TGridScrollStep>& Steps) {
  Steps.clear();
  const TGridAxisDrawInfo& h = Info.Horz;
  const TGridAxisDrawInfo& v = Info.Vert;
  if (DX == 0 && DY == 0) return;
  if (DY == 0) {
    // Column titles and data move together.
    Steps.push_back({{h.FixedBoundary, 0, h.GridExtent, v.GridExtent}, DX, 0});
  } else if (DX == 0) {
    Steps.push_back({{0, v.FixedBoundary, h.GridExtent, v.GridExtent}, 0, DY});
  } else {
    Steps.push_back({{h.FixedBoundary, 0, h.GridExtent, v.FixedBoundary}, DX, 0});
    Steps.push_back({{0, v.FixedBoundary, h.FixedBoundary, v.GridExtent}, 0, DY});
    Steps.push_back({{h.FixedBoundary, v.FixedBoundary, h.GridExtent, v.GridExtent}, DX, DY});
  }
}

}  // namespace lab
