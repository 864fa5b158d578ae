#pragma once
// The base grid's value types: cell coordinates and ranges, options, mouse states and draw states.

#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/rtl/set.h"

namespace lab {

struct TGridCoord {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  friend constexpr bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// A range of cells, both ends included.
struct TGridRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  constexpr TGridCoord TopLeft() const noexcept { return {Left, Top}; }
  constexpr TGridCoord BottomRight() const noexcept { return {Right, Bottom}; }
  constexpr bool Contains(TGridCoord c) const noexcept {
    return c.X >= Left && c.X <= Right && c.Y >= Top && c.Y <= Bottom;
  }
  friend constexpr bool operator==(const TGridRect&, const TGridRect&) = default;
};

// The range spanned by two corners in any order.
constexpr TGridRect GridRect(TGridCoord a, TGridCoord b) noexcept {
  TGridRect r{a.X, a.Y, b.X, b.Y};
  if (r.Left > r.Right) std::swap(r.Left, r.Right);
  if (r.Top > r.Bottom) std::swap(r.Top, r.Bottom);
  return r;
}

// Ordinals are the stored bit numbers: the default set of a data grid, fixed and data lines, column
// sizing and moving, editing and tabs, has the value 3727.
enum TGridOption : std::uint8_t {
  goFixedVertLine,
  goFixedHorzLine,
  goVertLine,
  goHorzLine,
  goRangeSelect,
  goDrawFocusSelected,
  goRowSizing,
  goColSizing,
  goRowMoving,
  goColMoving,
  goEditing,
  goTabs,
  goRowSelect,
  goAlwaysShowEditor,
  goThumbTracking,
};
using TGridOptions = TSet<TGridOption>;

// What the mouse is doing with the grid between a press and its release.
enum TGridState : std::uint8_t {
  gsNormal,
  gsSelecting,
  gsRowSizing,
  gsColSizing,
  gsRowMoving,
  gsColMoving,
};

enum TGridDrawStateItem : std::uint8_t { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

enum TGridScrollDirection : std::uint8_t { sdLeft, sdRight, sdUp, sdDown };
using TGridScrollDirections = TSet<TGridScrollDirection>;

// The grid error messages.
inline constexpr std::string_view SGridIndexOutOfRange = "Grid index out of range";
inline constexpr std::string_view SFixedColTooBig = "Fixed column count must be less than column count";
inline constexpr std::string_view SFixedRowTooBig = "Fixed row count must be less than row count";

// Raises EInvalidGridOperation with Message: the one way the grid reports misuse.
[[noreturn]] void InvalidGridOperation(std::string_view Message);

}  // namespace lab
