#include "editor/word_wrap.h"

#include <algorithm>
#include <cstring>

#include "editor/codeedit.h"
#include "editor/edit_exceptions.h"
#include "editor/line_columns.h"
#include "platform/rtl/list.h"

namespace lab {

namespace {

// No row is longer than a byte can count.
constexpr int kMaxRow = 255;

bool IsBlank(char32_t C) { return C == U' ' || C == U'\t'; }

// The cells of a line without tabs: its characters.
template <class Chars>
class TPlainCells {
 public:
  explicit TPlainCells(Chars Text) : text_(Text) {}
  std::int64_t Size() const { return static_cast<std::int64_t>(text_.size()); }
  void Window(std::int64_t /*Start*/) {}
  char32_t At(std::int64_t Cell) const { return static_cast<char32_t>(text_[static_cast<std::size_t>(Cell)]); }
  // The cell after the blanks from Cell on, looked for up to Limit.
  std::int64_t SkipBlanks(std::int64_t Cell, std::int64_t Limit) const {
    Limit = std::min(Limit, Size());
    while (Cell < Limit && IsBlank(At(Cell))) ++Cell;
    return Cell;
  }

 private:
  Chars text_;
};

// The cells of a line with tabs (a tab's cells read as tabs), read from the line in place: the row
// being cut sees a window of the cells from its start on, filled by a cursor that moves forward
// with the rows, so no line is expanded whole.
class TWrapCells {
 public:
  explicit TWrapCells(const TLineColumns& Columns) : columns_(Columns), size_(Columns.Cells()) {}
  std::int64_t Size() const { return size_; }
  // Makes cells Start .. Start + kMaxRow readable; Start never goes back.
  void Window(std::int64_t Start) {
    Seek(Start, char_, cell_);
    start_ = Start;
    cells_.clear();
    const std::int64_t stop = std::min(size_, Start + kMaxRow + 1);
    columns_.ForEachFrom(char_, cell_, [&](std::int64_t Char, std::int64_t Cell, std::int64_t Width) {
      const char32_t c = columns_.Line()[static_cast<std::size_t>(Char)];
      for (std::int64_t k = std::max(Cell, Start); k < std::min(Cell + Width, stop); ++k) cells_.push_back(c);
      return Cell + Width < stop;
    });
  }
  char32_t At(std::int64_t Cell) const { return cells_[static_cast<std::size_t>(Cell - start_)]; }
  std::int64_t SkipBlanks(std::int64_t Cell, std::int64_t Limit) const {
    std::int64_t at_char = char_, at_cell = cell_;  // the window's cursor stays where the row starts
    Seek(Cell, at_char, at_cell);
    std::int64_t after = Cell;
    columns_.ForEachFrom(at_char, at_cell, [&](std::int64_t Char, std::int64_t At, std::int64_t Width) {
      if (!IsBlank(columns_.Line()[static_cast<std::size_t>(Char)])) return false;
      after = At + Width;
      return after < Limit;
    });
    return after;
  }

 private:
  // Moves a cursor (a character and the cell it starts at) on to the character holding Cell.
  void Seek(std::int64_t Cell, std::int64_t& Char, std::int64_t& At) const {
    const auto size = static_cast<std::int64_t>(columns_.Line().size());
    while (Char < size) {
      const std::int64_t width = columns_.Line()[static_cast<std::size_t>(Char)] == U'\t' ? columns_.TabCells(At) : 1;
      if (At + width > Cell) return;
      At += width;
      ++Char;
    }
  }

  const TLineColumns& columns_;
  const std::int64_t size_;
  std::int64_t char_ = 0;  // the cursor: a character and the cell it starts at
  std::int64_t cell_ = 0;
  std::int64_t start_ = 0;
  std::vector<char32_t> cells_;
};

template <class Cells>
void AppendRows(Cells& Text, int MaxRowLength, int MinRowLength, int TabWidth, const TCodeCharSet& BreakChars,
                std::vector<std::uint8_t>& Rows) {
  const std::int64_t length = Text.Size();
  if (length == 0) {
    Rows.push_back(0);
    return;
  }
  // A window narrower than one cell shows nothing: the rows are then as wide as a row can be.
  const int max_row = MaxRowLength > 0 ? MaxRowLength : kMaxRow;
  const int min_row = MaxRowLength > 0 ? MinRowLength : kMaxRow - kMaxRow / 3;
  std::int64_t start = 0;
  while (start < length) {
    Text.Window(start);
    std::int64_t end = start + max_row;
    if (end >= length) {
      end = length;
    } else if (!IsBlank(Text.At(end))) {
      // Back to just after the nearest break character, but not into the row's first part.
      for (std::int64_t p = end - 1; p > start + min_row; --p)
        if (BreakChars.Contains(Text.At(p))) {
          end = p + 1;
          break;
        }
    } else {
      // Blanks at a break stay at the end of the upper row; a row that would take more than a row
      // holds is cut below, so the blanks are looked for no further (a long run of them costs each
      // row its own cells only).
      end = Text.SkipBlanks(end, start + kMaxRow + 1);
    }
    if (end - start > kMaxRow) {
      // Cut at the byte's limit, not inside the cells of a tab, but not below the last tab stop. A
      // tab wider than a row has no stop inside it: it is cut at the limit, so the row still
      // advances.
      const std::int64_t floor = start + kMaxRow - kMaxRow % std::max(1, TabWidth);
      end = start + kMaxRow;
      while (floor > start && end > floor && Text.At(end - 1) == U'\t' && end < length && Text.At(end) == U'\t') --end;
    }
    Rows.push_back(static_cast<std::uint8_t>(end - start));
    start = end;
  }
}

}  // namespace

TCodeWordWrapPlugin::TCodeWordWrapPlugin(TCustomCodeEdit* AOwner) : editor_(AOwner) {
  if (!AOwner) throw ECodeEditError("TCodeWordWrapPlugin must be owned by TCustomCodeEdit");
  Reset();
}

void TCodeWordWrapPlugin::GrowLines(int Needed) {
  if (Needed <= LineCapacity()) return;
  line_offsets_.resize(static_cast<std::size_t>((Needed + 255) / 256 * 256));
}

void TCodeWordWrapPlugin::GrowRows(int Needed) {
  if (Needed <= RowCapacity()) return;
  row_lengths_.resize(static_cast<std::size_t>((Needed + 511) / 512 * 512));
}

void TCodeWordWrapPlugin::Reset() {
  if (editor_->CharsInWindow() < 0) CodeAssertionFailed("CodeEditWordWrap");
  max_row_length_ = std::min(editor_->CharsInWindow(), kMaxRow);
  min_row_length_ = std::max(1, max_row_length_ - max_row_length_ / 3);
  // Without a highlighter every character from 33 to 255 makes up identifiers.
  break_chars_ = TCodeCharSet();
  const TCodeCharSet ident =
      editor_->Highlighter() ? editor_->Highlighter()->IdentChars() : TCodeCharSet::Range(33, 255);
  for (char32_t c = 0; c < 256; ++c)
    if (!ident.Contains(c)) break_chars_.Include(c);
  WrapAll();
}

void TCodeWordWrapPlugin::DisplayChanged() {
  if (editor_->CharsInWindow() != max_row_length_) Reset();
}

void TCodeWordWrapPlugin::WrapLineRows(int Index, std::vector<std::uint8_t>& Rows) const {
  const TCodeEditStringList& lines = *editor_->LineList();
  const TLineColumns columns = lines.Columns(Index);
  if (!columns.HasTabs()) {
    columns.Line().Visit([&](auto chars) {
      TPlainCells<decltype(chars)> cells(chars);
      AppendRows(cells, max_row_length_, min_row_length_, columns.TabWidth(), break_chars_, Rows);
    });
  } else {
    TWrapCells cells(columns);
    AppendRows(cells, max_row_length_, min_row_length_, columns.TabWidth(), break_chars_, Rows);
  }
}

void TCodeWordWrapPlugin::WrapAll() {
  const int count = editor_->LineList()->Count();
  line_offsets_.clear();
  row_lengths_.clear();
  line_count_ = 0;
  GrowLines(count);
  std::vector<std::uint8_t> rows;
  rows.reserve(static_cast<std::size_t>(count) + 16);
  for (int i = 0; i < count; ++i) {
    WrapLineRows(i, rows);
    line_offsets_[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(rows.size());
  }
  line_count_ = count;
  const int total = static_cast<int>(rows.size());
  row_lengths_ = std::move(rows);
  row_lengths_.resize(static_cast<std::size_t>((total + 511) / 512 * 512));
}

void TCodeWordWrapPlugin::SpliceRows(int First, int Count, const std::vector<std::uint8_t>& Rows) {
  const int from = FirstRow(First);
  const int old_rows = FirstRow(First + Count) - from;
  const int diff = static_cast<int>(Rows.size()) - old_rows;
  const int total = RowCount();
  GrowRows(total + diff);
  std::uint8_t* data = row_lengths_.data();
  std::memmove(data + from + Rows.size(), data + from + old_rows, static_cast<std::size_t>(total - from - old_rows));
  if (!Rows.empty()) std::memcpy(data + from, Rows.data(), Rows.size());
  if (diff != 0)
    for (int i = First + Count; i < line_count_; ++i) line_offsets_[static_cast<std::size_t>(i)] += diff;
}

int TCodeWordWrapPlugin::WrapNewLines(int First, int Count) {
  std::vector<std::uint8_t> rows;
  std::vector<std::int32_t> ends;  // rows up to and including each new line, from the block's start
  for (int i = First; i < First + Count; ++i) {
    WrapLineRows(i, rows);
    ends.push_back(static_cast<std::int32_t>(rows.size()));
  }
  const int base = FirstRow(First);
  SpliceRows(First, Count, rows);
  for (int i = 0; i < Count; ++i)
    line_offsets_[static_cast<std::size_t>(First + i)] = base + ends[static_cast<std::size_t>(i)];
  return static_cast<int>(rows.size());
}

int TCodeWordWrapPlugin::LinesInserted(int Index, int Count) {
  if (Index < 0 || Index > line_count_) CodeAssertionFailed("CodeEditWordWrap");
  if (Count <= 0) return 0;
  GrowLines(line_count_ + Count);
  std::int32_t* offsets = line_offsets_.data();
  std::memmove(offsets + Index + Count, offsets + Index,
               static_cast<std::size_t>(line_count_ - Index) * sizeof(std::int32_t));
  // The new lines hold no rows yet.
  const std::int32_t base = FirstRow(Index);
  for (int i = Index; i < Index + Count; ++i) offsets[i] = base;
  line_count_ += Count;
  return WrapNewLines(Index, Count);
}

int TCodeWordWrapPlugin::LinesDeleted(int Index, int Count) {
  if (Index < 0 || Count < 0 || Index + Count > line_count_) CodeAssertionFailed("CodeEditWordWrap");
  if (Count == 0) return 0;
  const int from = FirstRow(Index);
  const int removed = FirstRow(Index + Count) - from;
  const int total = RowCount();
  std::uint8_t* rows = row_lengths_.data();
  std::memmove(rows + from, rows + from + removed, static_cast<std::size_t>(total - from - removed));
  std::int32_t* offsets = line_offsets_.data();
  std::memmove(offsets + Index, offsets + Index + Count,
               static_cast<std::size_t>(line_count_ - Index - Count) * sizeof(std::int32_t));
  line_count_ -= Count;
  for (int i = Index; i < line_count_; ++i) offsets[i] -= removed;
  return -removed;
}

int TCodeWordWrapPlugin::LinesPutted(int Index, int Count) {
  if (Index < 0 || Count < 0 || Index + Count > line_count_) CodeAssertionFailed("CodeEditWordWrap");
  if (Count == 0) return 0;
  const int old_rows = FirstRow(Index + Count) - FirstRow(Index);
  return WrapNewLines(Index, Count) - old_rows;
}

int TCodeWordWrapPlugin::GetRowLength(int Row) {
  if (Row < 1 || Row > RowCount()) throw EListError("List index out of bounds (%d)", Row);
  return row_lengths_[static_cast<std::size_t>(Row - 1)];
}

TBufferCoord TCodeWordWrapPlugin::DisplayToBufferPos(const TDisplayCoord& Pos) {
  const int rows = RowCount();
  // A row above the text stays what it is, as without word wrap.
  if (Pos.Row < 1) return {Pos.Column, Pos.Row};
  if (Pos.Row > rows) return {Pos.Column, line_count_ + (Pos.Row - rows)};
  // The line whose rows include Pos.Row.
  const std::int32_t* offsets = line_offsets_.data();
  const int line = static_cast<int>(std::lower_bound(offsets, offsets + line_count_, Pos.Row) - offsets);
  int start = 0;
  for (int row = FirstRow(line) + 1; row < Pos.Row; ++row) start += row_lengths_[static_cast<std::size_t>(row - 1)];
  return {start + Pos.Column, line + 1};
}

TDisplayCoord TCodeWordWrapPlugin::BufferToDisplayPos(const TBufferCoord& Pos) {
  if (Pos.Line < 1) return {Pos.Char, Pos.Line};
  if (Pos.Line > line_count_) return {Pos.Char, RowCount() + (Pos.Line - line_count_)};
  const int first = FirstRow(Pos.Line - 1);
  const int last = line_offsets_[static_cast<std::size_t>(Pos.Line - 1)];
  int before = 0;
  for (int row = first; row < last - 1; ++row) {
    const int length = row_lengths_[static_cast<std::size_t>(row)];
    if (Pos.Char <= before + length) return {Pos.Char - before, row + 1};
    before += length;
  }
  // The last row takes the rest, and every position past the line's end.
  return {Pos.Char - before, last};
}

}  // namespace lab
