#pragma once
// The base grid's geometry, current cell and selection, and everything computed from them alone:
// draw information, cell rectangles, hit tests, sizing hit tests, keyboard moves and scroll-bar
// arithmetic. No window is needed, so all of it can be checked directly; TCustomGrid holds one and
// applies the answers to its window.

#include <cstdint>
#include <vector>

#include "platform/grids/draw_info.h"
#include "platform/grids/grid_axis.h"
#include "platform/grids/grid_types.h"
#include "platform/rtl/geometry.h"

namespace lab {

// The scale of the grid's scroll bars: positions run from 0 to 127 whatever the cell count.
inline constexpr std::int32_t GridScrollMax = 127;

// The navigation keys of the grid, apart from their key codes.
enum class TGridKey : std::uint8_t { Up, Down, Left, Right, PageUp, PageDown, Home, End, Tab };

// Where a key takes the view and the current cell; MoveAnchor false extends the selection.
struct TGridMove {
  TGridCoord TopLeft;
  TGridCoord Current;
  bool MoveAnchor = true;
};

// The answer of the sizing hit test: which cell's edge is under the mouse, where that edge is, and
// how far the mouse is from it.
struct TGridSizing {
  TGridState State = gsNormal;
  std::int32_t Index = -1;
  std::int32_t Pos = 0;
  std::int32_t Ofs = 0;
};

// One pixel move of a part of the client area when the view scrolls.
struct TGridScrollStep {
  TRect Area;
  std::int32_t DX = 0;
  std::int32_t DY = 0;
};

class TGridLayout {
 public:
  // The framework's new grid: 5 x 5 cells, one fixed column and row, 64 x 24 pixels, 1-pixel lines.
  TGridLayout();

  TGridAxis Cols;
  TGridAxis Rows;
  std::int32_t GridLineWidth = 1;
  TGridOptions Options;
  TGridCoord TopLeft;
  TGridCoord Current;
  TGridCoord Anchor;

  TGridDrawInfo CalcFixedInfo() const;
  TGridDrawInfo CalcDrawInfo(std::int32_t ClientWidth, std::int32_t ClientHeight) const;

  // The cells between the current cell and the anchor.
  TGridRect Selection() const { return GridRect(Current, Anchor); }
  // The largest first column and row from which the last column and row still fit whole.
  TGridCoord MaxTopLeft(const TGridDrawInfo& Info) const;
  // The first column and row that show Cell whole (as little a move as possible; fixed parts stay).
  TGridCoord TopLeftShowing(const TGridDrawInfo& Info, TGridCoord Cell) const;

  // Column and row edges under the mouse: columns over the fixed rows, rows over the fixed columns.
  // Effective are the options in force (the grid adds its design-time ones).
  TGridSizing CalcSizingState(const TGridDrawInfo& Info, std::int32_t X, std::int32_t Y,
                              TGridOptions Effective) const;
  // The extent a sized cell gets when its edge is let go at Pos.
  static std::int32_t SizedExtent(const TGridAxisDrawInfo& Axis, std::int32_t Index, std::int32_t Pos);

  // Where a navigation key leads (with Ctrl and Shift held or not). Hidden cells are passed over.
  TGridMove KeyMove(const TGridDrawInfo& Info, TGridKey Key, bool Ctrl, bool Shift) const;

  // True when there is something to scroll on that axis.
  bool CanScroll(const TGridDrawInfo& Info, bool Vertical) const;
  // The scroll-bar position (0..GridScrollMax) of the current first cell.
  std::int32_t ScrollPos(const TGridDrawInfo& Info, bool Vertical) const;
  // The first cell a scroll-bar request leads to (an SB_ code; Pos for the thumb codes), kept within
  // the fixed cells and the largest first cell.
  std::int32_t ScrollTarget(const TGridDrawInfo& Info, bool Vertical, std::int32_t Code,
                            std::int32_t Pos) const;
  // The pixel moves that take the picture from OldTopLeft to TopLeft; false when it moved further
  // than the scrolling area, so repainting is cheaper.
  static bool CalcScrollData(const TGridDrawInfo& Info, TGridCoord OldTopLeft, TGridCoord NewTopLeft,
                             std::vector<TGridScrollStep>& Steps);
  // The areas that move when the cells scroll by DX, DY pixels: column titles move sideways with
  // their cells, row titles up and down with theirs, the fixed corner stays.
  static void ScrollAreas(const TGridDrawInfo& Info, std::int32_t DX, std::int32_t DY,
                          std::vector<TGridScrollStep>& Steps);

  // The nearest shown (not hidden) cell from Index going by Step (+1 or -1) within the scrolling
  // cells; when there is none that way, the nearest the other way; Index when the axis has none.
  static std::int32_t ShownCell(const TGridAxis& Axis, std::int32_t Index, std::int32_t Step);
};

}  // namespace lab
