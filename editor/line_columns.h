#pragma once
// TLineColumns: where a line's characters stand in display cells, tabs expanded, read from the line
// in place. Painting, hit testing, the caret and word wrap all step through a line's cells with it,
// so none of them copies or expands a line. A line without tabs maps characters to cells one for
// one; one with tabs is walked from its first tab, or, for a long line, from the nearest of the cells
// kept for every kMarkStride-th character (the line list keeps them for the last such line asked
// for), so a place far along a line costs the same as one near its start.
//
// Cells and characters are 0-based here; characters past the line's end take one cell each.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "editor/line_string.h"

namespace lab {

class TLineColumns {
 public:
  // Characters between two kept cells; lines shorter than kMarkLine are walked from their first tab.
  static constexpr std::int64_t kMarkStride = 4096;
  static constexpr std::int64_t kMarkLine = 4 * kMarkStride;

  TLineColumns() = default;
  // Finds the line's first tab.
  TLineColumns(TLineView Line, int TabWidth);
  // FirstTab is the number of characters before the first tab (the line's length without one).
  // Marks, when given, are the cells before characters 0, kMarkStride, 2 * kMarkStride, ... as
  // MakeMarks answers them; they must stay alive while this is used.
  TLineColumns(TLineView Line, int TabWidth, std::int64_t FirstTab, const std::vector<std::int64_t>* Marks);

  TLineView Line() const noexcept { return line_; }
  int TabWidth() const noexcept { return tab_width_; }
  bool HasTabs() const noexcept { return first_tab_ < static_cast<std::int64_t>(line_.size()); }
  // The cells of the whole line.
  std::int64_t Cells() const { return CellsBefore(static_cast<std::int64_t>(line_.size())); }
  // The cells before character Char (Char >= 0).
  std::int64_t CellsBefore(std::int64_t Char) const;
  // The character whose cells hold Cell (Cell >= 0), and in Start the cell where it starts.
  std::int64_t CharAt(std::int64_t Cell, std::int64_t& Start) const;
  // The cells a tab takes that starts at cell Cell.
  std::int64_t TabCells(std::int64_t Cell) const noexcept { return tab_width_ - Cell % tab_width_; }

  // Calls F(Char, Cell, Width) for the characters from Char on (Char starting at cell Cell), with
  // the cell each starts at and the cells it takes, while F answers true and there are characters
  // left.
  template <class F>
  void ForEachFrom(std::int64_t Char, std::int64_t Cell, F&& f) const;

  // The kept cells of a line with tabs: one before every kMarkStride-th character.
  static std::vector<std::int64_t> MakeMarks(TLineView Line, int TabWidth);

 private:
  // The nearest place at or before character Char (or, with ByCell, at or before cell Cell) to walk
  // from: a kept mark, the first tab, or the line's start.
  void WalkStart(std::int64_t Char, std::int64_t Cell, bool ByCell, std::int64_t& FromChar,
                 std::int64_t& FromCell) const;

  TLineView line_;
  int tab_width_ = 8;
  std::int64_t first_tab_ = 0;  // characters before the first tab (the line's length without one)
  const std::vector<std::int64_t>* marks_ = nullptr;
};

template <class F>
void TLineColumns::ForEachFrom(std::int64_t Char, std::int64_t Cell, F&& f) const {
  const auto size = static_cast<std::int64_t>(line_.size());
  if (Char >= size) return;
  std::int64_t cell = Cell;
  line_.Visit([&](auto chars) {
    for (std::int64_t i = Char; i < size; ++i) {
      const std::int64_t width = chars[static_cast<std::size_t>(i)] == U'\t' ? TabCells(cell) : 1;
      if (!f(i, cell, width)) return;
      cell += width;
    }
  });
}

}  // namespace lab
