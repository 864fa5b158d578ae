#include "editor/line_columns.h"

#include <algorithm>

#include "editor/text_routines.h"

namespace lab {

TLineColumns::TLineColumns(TLineView Line, int TabWidth) : line_(Line), tab_width_(std::clamp(TabWidth, 1, kMaxTabWidth)) {
  int before;
  GetHasTabs(Line, before);
  first_tab_ = before;
}

TLineColumns::TLineColumns(TLineView Line, int TabWidth, std::int64_t FirstTab, const std::vector<std::int64_t>* Marks)
    : line_(Line),
      tab_width_(std::clamp(TabWidth, 1, kMaxTabWidth)),
      first_tab_(FirstTab),
      marks_(Marks && !Marks->empty() ? Marks : nullptr) {}

void TLineColumns::WalkStart(std::int64_t Char, std::int64_t Cell, bool ByCell, std::int64_t& FromChar,
                             std::int64_t& FromCell) const {
  FromChar = FromCell = first_tab_;
  if (!marks_) return;
  std::size_t k;
  if (ByCell) {
    // The last mark at or before the cell.
    k = static_cast<std::size_t>(std::upper_bound(marks_->begin(), marks_->end(), Cell) - marks_->begin());
    if (k == 0) return;
    --k;
  } else {
    k = std::min(static_cast<std::size_t>(Char / kMarkStride), marks_->size() - 1);
  }
  const std::int64_t at = static_cast<std::int64_t>(k) * kMarkStride;
  if (at > first_tab_) {
    FromChar = at;
    FromCell = (*marks_)[k];
  }
}

std::int64_t TLineColumns::CellsBefore(std::int64_t Char) const {
  if (Char <= first_tab_) return Char;
  const auto size = static_cast<std::int64_t>(line_.size());
  std::int64_t from, cell;
  WalkStart(std::min(Char, size), 0, false, from, cell);
  const std::int64_t stop = std::min(Char, size);
  line_.Visit([&](auto chars) {
    for (std::int64_t i = from; i < stop; ++i) cell += chars[static_cast<std::size_t>(i)] == U'\t' ? TabCells(cell) : 1;
  });
  return cell + (Char - stop);  // characters past the end take a cell each
}

std::int64_t TLineColumns::CharAt(std::int64_t Cell, std::int64_t& Start) const {
  if (Cell < first_tab_) {
    Start = Cell;
    return Cell;
  }
  const auto size = static_cast<std::int64_t>(line_.size());
  std::int64_t i, cell;
  WalkStart(0, Cell, true, i, cell);
  bool found = false;
  line_.Visit([&](auto chars) {
    for (; i < size; ++i) {
      const std::int64_t next = cell + (chars[static_cast<std::size_t>(i)] == U'\t' ? TabCells(cell) : 1);
      if (next > Cell) {
        found = true;
        return;
      }
      cell = next;
    }
  });
  if (found) {
    Start = cell;
    return i;
  }
  Start = Cell;
  return size + (Cell - cell);
}

std::vector<std::int64_t> TLineColumns::MakeMarks(TLineView Line, int TabWidth) {
  std::vector<std::int64_t> marks;
  const auto size = static_cast<std::int64_t>(Line.size());
  marks.reserve(static_cast<std::size_t>(size / kMarkStride + 1));
  const std::int64_t width = std::clamp(TabWidth, 1, kMaxTabWidth);
  std::int64_t cell = 0;
  Line.Visit([&](auto chars) {
    for (std::int64_t i = 0; i < size; ++i) {
      if (i % kMarkStride == 0) marks.push_back(cell);
      cell += chars[static_cast<std::size_t>(i)] == U'\t' ? width - cell % width : 1;
    }
  });
  return marks;
}

}  // namespace lab
