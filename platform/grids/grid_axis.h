#pragma once
// One axis of a grid (its columns or its rows): how many cells, how many of them are fixed, and the
// extent and tab stop of each. Extents are stored only once one differs from the default, so a grid
// of a million default rows costs nothing.

#include <cstdint>
#include <vector>

namespace lab {

class TGridAxis {
 public:
  TGridAxis(std::int32_t Count, std::int32_t FixedCount, std::int32_t DefaultExtent)
      : count_(Count), fixed_(FixedCount), default_(DefaultExtent) {}

  std::int32_t Count() const noexcept { return count_; }
  // Cells added take the default extent and are tab stops.
  void SetCount(std::int32_t Value);
  std::int32_t FixedCount() const noexcept { return fixed_; }
  void SetFixedCount(std::int32_t Value) noexcept { fixed_ = Value; }

  std::int32_t DefaultExtent() const noexcept { return default_; }
  // Gives every cell the new default (a negative default counts as 0).
  void SetDefaultExtent(std::int32_t Value);

  // The extent of cell Index; -1 hides a cell together with its grid line. Raises the grid index
  // error outside 0..Count-1.
  std::int32_t Extent(std::int32_t Index) const {
    CheckIndex(Index);
    return extents_.empty() ? default_ : extents_[static_cast<std::size_t>(Index)];
  }
  // -1 hides; any other value below zero is taken as 0.
  void SetExtent(std::int32_t Index, std::int32_t Value);
  // True while every cell has the default extent.
  bool AllDefault() const noexcept { return extents_.empty(); }

  bool TabStop(std::int32_t Index) const {
    CheckIndex(Index);
    return tab_stops_.empty() || tab_stops_[static_cast<std::size_t>(Index)];
  }
  void SetTabStop(std::int32_t Index, bool Value);

  // Moves cell From to position To (the cells between shift by one), with its extent and tab stop.
  void Move(std::int32_t From, std::int32_t To);

  void CheckIndex(std::int32_t Index) const;

 private:
  std::int32_t count_;
  std::int32_t fixed_;
  std::int32_t default_;
  std::vector<std::int32_t> extents_;  // empty: all default
  std::vector<bool> tab_stops_;        // empty: all tab stops
};

}  // namespace lab
