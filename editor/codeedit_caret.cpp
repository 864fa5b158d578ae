// Caret, selection and scrolling: text and display positions, placing and moving the caret, the
// selection's ends and modes, replacing the selection in its three modes, words and brackets, block
// indentation, and the view following the caret.

#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "editor/codeedit.h"
#include "editor/edit_exceptions.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"
#include "platform/win/window_functions.h"

namespace lab {

namespace {

bool IsBlank(char32_t C) { return C == U' ' || C == U'\t'; }

std::u32string TrimRight(std::u32string_view S) {
  std::size_t n = S.size();
  while (n > 0 && IsBlank(S[n - 1])) --n;
  return std::u32string(S.substr(0, n));
}

// The pieces of Text between CR, LF and CR LF breaks.
std::vector<std::u32string_view> SplitLines(std::u32string_view Text) {
  std::vector<std::u32string_view> pieces;
  std::size_t start = 0;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] != U'\r' && Text[i] != U'\n') continue;
    pieces.push_back(Text.substr(start, i - start));
    if (Text[i] == U'\r' && i + 1 < Text.size() && Text[i + 1] == U'\n') ++i;
    start = i + 1;
  }
  pieces.push_back(Text.substr(start));
  return pieces;
}

bool Before(const TBufferCoord& A, const TBufferCoord& B) {
  return A.Line < B.Line || (A.Line == B.Line && A.Char < B.Char);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Positions

int TCustomCodeEdit::CharIndexToColumn(int Line, int Char) const {
  if (Char < 2) return 1;
  return SaturateCast<int>(lines_->Columns(Line - 1).CellsBefore(Char - 1) + 1);
}

int TCustomCodeEdit::ColumnToCharIndex(int Line, int Column) const {
  if (Column < 2) return 1;
  // A column inside a tab's cells belongs to the character after the tab.
  std::int64_t start;
  const std::int64_t at = lines_->Columns(Line - 1).CharAt(Column - 1, start);
  return SaturateCast<int>(at + (start < Column - 1 ? 2 : 1));
}

TDisplayCoord TCustomCodeEdit::BufferToDisplayPos(const TBufferCoord& P) const {
  TDisplayCoord d{P.Char, P.Line};
  if (P.Line >= 1 && P.Line <= lines_->Count()) d.Column = CharIndexToColumn(P.Line, P.Char);
  if (word_wrap_plugin_) d = word_wrap_plugin_->BufferToDisplayPos({d.Column, d.Row});
  return d;
}

TBufferCoord TCustomCodeEdit::DisplayToBufferPos(const TDisplayCoord& P) const {
  TBufferCoord b{P.Column, P.Row};
  if (word_wrap_plugin_) b = word_wrap_plugin_->DisplayToBufferPos(P);
  if (b.Line >= 1 && b.Line <= lines_->Count()) b.Char = ColumnToCharIndex(b.Line, b.Char);
  return b;
}

int TCustomCodeEdit::DisplayRowCount() {
  return word_wrap_plugin_ ? word_wrap_plugin_->RowCount() : lines_->Count();
}

int TCustomCodeEdit::LineToRow(int Line) { return word_wrap_plugin_ ? BufferToDisplayPos({1, Line}).Row : Line; }

int TCustomCodeEdit::RowToLine(int Row) { return word_wrap_plugin_ ? DisplayToBufferPos({1, Row}).Line : Row; }

TDisplayCoord TCustomCodeEdit::DisplayXY() {
  if (word_wrap_plugin_ && wrap_caret_pending_) {
    const int row = BufferToDisplayPos(CaretXY()).Row - 1;
    if (row >= 1 && row <= word_wrap_plugin_->RowCount()) return {word_wrap_plugin_->GetRowLength(row) + 1, row};
  }
  return BufferToDisplayPos(CaretXY());
}

TBufferCoord TCustomCodeEdit::NormalizedBlockBegin() const {
  return Before(block_end_, block_begin_) ? block_end_ : block_begin_;
}

TBufferCoord TCustomCodeEdit::NormalizedBlockEnd() const {
  return Before(block_end_, block_begin_) ? block_begin_ : block_end_;
}

// ---------------------------------------------------------------------------------------------
// The caret

void TCustomCodeEdit::RememberCaretColumn() {
  caret_step_aside_ = false;
  caret_column_stale_ = defer_caret_column_;
  if (!caret_column_stale_) last_caret_x_ = DisplayX();
}

void TCustomCodeEdit::RememberDeferredCaretColumn() {
  defer_caret_column_ = false;
  if (caret_column_stale_) RememberCaretColumn();
}

int TCustomCodeEdit::LastCaretX() const {
  if (caret_column_stale_) {
    auto* self = const_cast<TCustomCodeEdit*>(this);
    self->caret_column_stale_ = false;
    self->last_caret_x_ = self->DisplayX();
  }
  return last_caret_x_;
}

void TCustomCodeEdit::SetCaretX(int Value) { InternalSetCaretXY({Value, caret_y_}); }

void TCustomCodeEdit::SetCaretY(int Value) { InternalSetCaretXY({caret_x_, Value}); }

void TCustomCodeEdit::SetCaretXYEx(bool CallEnsureCursorPos, TBufferCoord Value) {
  wrap_caret_pending_ = false;
  const bool has_window = HandleAllocated();
  if (has_window) DoOnPaintTransient(ttBefore);
  int max_char = word_wrap_plugin_ ? kMaxScrollWidthLimit + 1 : MaxCaretChar();
  const bool past_eol = options_.Contains(eoScrollPastEol);
  if (Value.Line > lines_->Count()) Value.Line = lines_->Count();
  if (Value.Line < 1) {
    Value.Line = 1;
    if (!past_eol) max_char = 1;
  } else if (!past_eol) {
    max_char = static_cast<int>(lines_->LineView(Value.Line - 1).size()) + 1;
  }
  if (Value.Char > max_char && !(past_eol && options_.Contains(eoAutoSizeMaxScrollWidth))) Value.Char = max_char;
  Value.Char = std::min(Value.Char, kMaxScrollWidthLimit + 1);
  if (Value.Char < 1) Value.Char = 1;
  if (Value.Char != caret_x_ || Value.Line != caret_y_) {
    BeginUpdate();
    TScopeExit end_update([&] { EndUpdate(); });
    if (caret_x_ != Value.Char) {
      caret_x_ = Value.Char;
      status_changes_.Include(scCaretX);
    }
    if (caret_y_ != Value.Line) {
      if (active_line_color_ != clNone) {
        InvalidateLine(Value.Line);
        InvalidateLine(caret_y_);
      }
      caret_y_ = Value.Line;
      status_changes_.Include(scCaretY);
    }
    RememberCaretColumn();
    if (CallEnsureCursorPos && !defer_caret_column_) ScrollCaretIntoView();
    state_flags_ += TCodeStateFlags{sfCaretChanged, sfScrollbarChanged};
  } else {
    RememberCaretColumn();
  }
  if (has_window) DoOnPaintTransient(ttAfter);
}

void TCustomCodeEdit::DoSetCaretXY(const TBufferCoord& Value) {
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  status_changes_.Include(scSelection);
  InternalSetCaretXY(Value);
  if (SelAvail()) InvalidateSelection();
  block_begin_ = block_end_ = CaretXY();
}

void TCustomCodeEdit::SetCaretAtDisplayPos(const TDisplayCoord& Value) {
  {
    BeginUpdate();
    TScopeExit end_update([&] { EndUpdate(); });
    InternalSetCaretXY(DisplayToBufferPos(Value));
    wrap_caret_pending_ = word_wrap_plugin_ && Value.Row >= 1 && Value.Row <= word_wrap_plugin_->RowCount() &&
                          Value.Column > word_wrap_plugin_->GetRowLength(Value.Row) &&
                          BufferToDisplayPos(CaretXY()).Row != Value.Row;
  }
  RememberCaretColumn();
}

void TCustomCodeEdit::MoveCaretWithSelection(TBufferCoord From, TBufferCoord To, bool Extend) {
  if (options_.Contains(eoGroupUndo) && undo_list_->CanUndo()) undo_list_->AddGroupBreak();
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  if (Extend) {
    if (!SelAvail()) SetBlockBegin(From);
    SetBlockEnd(To);
  } else {
    SetBlockBegin(To);
  }
  InternalSetCaretXY(To);
}

void TCustomCodeEdit::PlaceCaretAndSelection(TBufferCoord Caret, TBufferCoord Begin, TBufferCoord End) {
  const TCodeSelectionMode mode = active_selection_mode_;
  {
    BeginUpdate();
    TScopeExit end_update([&] { EndUpdate(); });
    InternalSetCaretXY(Caret);
    SetBlockBegin(Begin);
    SetBlockEnd(End);
  }
  active_selection_mode_ = mode;
}

void TCustomCodeEdit::MoveCaretHorizontally(int DX, bool Extend) {
  if (word_wrap_plugin_) {
    if (DX >= 1 && wrap_caret_pending_) {
      // From the end of the previous row to the start of this one: the text position stays.
      wrap_caret_pending_ = false;
      RememberCaretColumn();
      UpdateCaret();
      return;
    }
    if (DX <= 0 && !wrap_caret_pending_ && caret_x_ >= 2 && DisplayX() == 1) {
      wrap_caret_pending_ = true;
      RememberCaretColumn();
      if (DisplayX() > chars_in_window_ + 1)
        SetCaretAtDisplayPos({chars_in_window_ + 1, DisplayY()});
      else
        UpdateCaret();
      return;
    }
  }
  const int length = static_cast<int>(lines_->LineView(caret_y_ - 1).size());
  const bool wrap_at_ends = !options_.Contains(eoScrollPastEol);
  TBufferCoord to{caret_x_, caret_y_};
  if (wrap_at_ends && DX == -1 && caret_x_ == 1 && caret_y_ > 1) {
    to = {static_cast<int>(lines_->LineView(caret_y_ - 2).size()) + 1, caret_y_ - 1};
  } else if (wrap_at_ends && DX == 1 && caret_x_ > length && caret_y_ < lines_->Count()) {
    to = {1, caret_y_ + 1};
  } else {
    to.Char = static_cast<int>(std::max<std::int64_t>(1, std::int64_t{caret_x_} + DX));
    if (DX >= 1 && wrap_at_ends) to.Char = std::min(to.Char, length + 1);
  }
  MoveCaretWithSelection(block_begin_, to, Extend);
  if (word_wrap_plugin_ && DX >= 1 && length > caret_x_) {
    const TDisplayCoord d = DisplayXY();
    if (d.Column == 1 && LineToRow(caret_y_) != d.Row) {
      wrap_caret_pending_ = true;
      RememberCaretColumn();
    } else if (d.Column > chars_in_window_ + 1) {
      SetCaretAtDisplayPos({1, d.Row + 1});
    }
  }
}

void TCustomCodeEdit::MoveCaretVertically(int DY, bool Extend) {
  const TDisplayCoord from = DisplayXY();
  TDisplayCoord dest = from;
  dest.Row = std::max(1, SaturateCast<int>(std::int64_t{from.Row} + DY));
  if (DY >= 0 && dest.Row > DisplayRowCount()) dest.Row = std::max(1, DisplayRowCount());
  const bool row_changed = dest.Row != from.Row;
  const int saved = LastCaretX();
  if (row_changed && options_.Contains(eoKeepCaretX)) dest.Column = saved;
  const TBufferCoord target = DisplayToBufferPos(dest);
  // No character here is wider than one position, so a move never lands inside one.
  const bool step_aside = row_changed ? false : caret_step_aside_;
  {
    BeginUpdate();
    TScopeExit end_update([&] { EndUpdate(); });
    MoveCaretWithSelection(block_begin_, target, Extend);
    if (word_wrap_plugin_) {
      const TDisplayCoord d = BufferToDisplayPos(target);
      wrap_caret_pending_ = d.Column == 1 && d.Row != dest.Row;
    }
  }
  caret_step_aside_ = step_aside;
  last_caret_x_ = saved;
}

void TCustomCodeEdit::MoveToLineHome(bool Extend) {
  int new_x = 1;
  const bool first_row = !word_wrap_plugin_ || LineToRow(caret_y_) == DisplayY();
  if (options_.Contains(eoEnhanceHomeKey) && first_row) {
    TLineView line = lines_->LineView(caret_y_ - 1);
    if (word_wrap_plugin_ && DisplayRowCount() > 0) {
      const TBufferCoord next_row = DisplayToBufferPos({1, LineToRow(caret_y_) + 1});
      if (next_row.Line == caret_y_) line = line.substr(0, static_cast<std::size_t>(next_row.Char - 1));
    }
    int first = 1;
    while (first <= static_cast<int>(line.size()) && IsBlank(line[static_cast<std::size_t>(first - 1)])) ++first;
    new_x = caret_x_ > first || caret_x_ == 1 ? first : 1;
  }
  TBufferCoord target{new_x, caret_y_};
  if (word_wrap_plugin_) target = DisplayToBufferPos({BufferToDisplayPos(target).Column, DisplayY()});
  MoveCaretWithSelection(CaretXY(), target, Extend);
}

void TCustomCodeEdit::MoveToLineEnd(bool Extend) {
  const TLineView line = lines_->LineView(caret_y_ - 1);
  const int length = static_cast<int>(line.size());
  const TDisplayCoord d = DisplayXY();
  int row_start = 1, row_end = length + 1;  // the characters of the caret's row
  bool last_row = true;
  if (word_wrap_plugin_ && caret_y_ <= lines_->Count()) {
    row_start = DisplayToBufferPos({1, d.Row}).Char;
    const TBufferCoord next = DisplayToBufferPos({1, d.Row + 1});
    last_row = next.Line != caret_y_;
    if (!last_row) row_end = next.Char;
  }
  const bool enhanced = options_.Contains(eoEnhanceEndKey) && last_row;
  int new_x = length + 1;
  if (enhanced) {
    int v = std::min(row_end, length + 1);
    while (v > row_start && IsBlank(line[static_cast<std::size_t>(v - 2)])) --v;
    new_x = caret_x_ == v ? length + 1 : v;
  }
  if (!word_wrap_plugin_) {
    MoveCaretWithSelection(CaretXY(), {new_x, caret_y_}, Extend);
    return;
  }
  int column = enhanced ? BufferToDisplayPos({new_x, caret_y_}).Column
                        : (d.Row <= word_wrap_plugin_->RowCount() ? word_wrap_plugin_->GetRowLength(d.Row) + 1 : 1);
  if (chars_in_window_ > 0) column = std::min(column, chars_in_window_ + 1);
  const TBufferCoord target = DisplayToBufferPos({column, d.Row});
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  MoveCaretWithSelection(CaretXY(), target, Extend);
  wrap_caret_pending_ = BufferToDisplayPos(target).Row != d.Row;
}

// ---------------------------------------------------------------------------------------------
// The selection

TBufferCoord TCustomCodeEdit::ClampBlockEnd(TBufferCoord Value) const {
  if (options_.Contains(eoScrollPastEol) && !word_wrap_plugin_)
    Value.Char = std::clamp(Value.Char, 1, MaxCaretChar());
  else
    Value.Char = std::max(Value.Char, 1);
  Value.Line = std::clamp(Value.Line, 1, std::max(1, lines_->Count()));
  if (active_selection_mode_ == smNormal) {
    const int length = Value.Line <= lines_->Count() ? static_cast<int>(lines_->LineView(Value.Line - 1).size()) : 0;
    Value.Char = std::min(Value.Char, length + 1);
  }
  return Value;
}

void TCustomCodeEdit::SetBlockBegin(TBufferCoord Value) {
  Value = ClampBlockEnd(Value);
  if (SelAvail()) {
    const int first = std::min({block_begin_.Line, block_end_.Line, Value.Line});
    const int last = std::max({block_begin_.Line, block_end_.Line, Value.Line});
    block_begin_ = block_end_ = Value;
    InvalidateLines(first, last);
    RecordStatusChange({scSelection});
  } else {
    const bool changed = !(block_begin_ == Value && block_end_ == Value);
    block_begin_ = block_end_ = Value;
    if (changed) RecordStatusChange({scSelection});
  }
}

void TCustomCodeEdit::SetBlockEnd(TBufferCoord Value) {
  if (options_.Contains(eoNoSelection)) return;
  Value = ClampBlockEnd(Value);
  if (Value == block_end_) return;
  const TBufferCoord old = block_end_;
  block_end_ = Value;
  // A column block spans display columns: over tabs the same character index on another line is
  // another column.
  auto column = [this](const TBufferCoord& P) { return BufferToDisplayPos(P).Column; };
  if (active_selection_mode_ == smColumn && column(Value) != column(old)) {
    InvalidateLines(std::min({block_begin_.Line, old.Line, Value.Line}),
                    std::max({block_begin_.Line, old.Line, Value.Line}));
  } else if (active_selection_mode_ != smColumn || column(block_begin_) != column(block_end_)) {
    InvalidateLines(std::min(old.Line, Value.Line), std::max(old.Line, Value.Line));
  }
  RecordStatusChange({scSelection});
}

void TCustomCodeEdit::SetSelectionMode(TCodeSelectionMode Value) {
  if (selection_mode_ == Value) return;
  selection_mode_ = Value;
  SetActiveSelectionMode(Value);
}

void TCustomCodeEdit::SetActiveSelectionMode(TCodeSelectionMode Value) {
  if (active_selection_mode_ == Value) return;
  if (SelAvail()) InvalidateSelection();
  active_selection_mode_ = Value;
  if (SelAvail()) InvalidateSelection();
  RecordStatusChange({scSelection});
}

void TCustomCodeEdit::SelectAll() {
  const int count = lines_->Count();
  const TBufferCoord last = count > 0 ? TBufferCoord{static_cast<int>(lines_->LineView(count - 1).size()) + 1, count}
                                      : TBufferCoord{1, 1};
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  PlaceCaretAndSelection(last, {1, 1}, last);
  RecordStatusChange({scSelection});
}

bool TCustomCodeEdit::IsPointInSelection(const TBufferCoord& Value) const {
  if (!SelAvail()) return false;
  const TBufferCoord b = NormalizedBlockBegin();
  const TBufferCoord e = NormalizedBlockEnd();
  if (Value.Line < b.Line || Value.Line > e.Line) return false;
  switch (active_selection_mode_) {
    case smLine:
      return true;
    case smColumn: {
      // The block spans display columns: over tabs one character index is another column.
      const int begin = BufferToDisplayPos(block_begin_).Column, end = BufferToDisplayPos(block_end_).Column;
      const int column = BufferToDisplayPos(Value).Column;
      return column >= std::min(begin, end) && column < std::max(begin, end);
    }
    default:
      return !Before(Value, b) && Before(Value, e);
  }
}

// ---------------------------------------------------------------------------------------------
// Words

bool TCustomCodeEdit::IsIdentChar(char32_t C) const {
  if (C >= 256) return u_isalnum(static_cast<UChar32>(C)) || u_hasBinaryProperty(static_cast<UChar32>(C), UCHAR_ALPHABETIC);
  if (highlighter_) return highlighter_->IdentChars().Contains(C) && !highlighter_->WordBreakChars().Contains(C);
  return (C >= U'0' && C <= U'9') || (C >= U'A' && C <= U'Z') || (C >= U'a' && C <= U'z') || C == U'_' ||
         (C >= 192 && C != 215 && C != 247);
}

bool TCustomCodeEdit::IsWordBreakChar(char32_t C) const { return C != 0 && !IsIdentChar(C); }

TBufferCoord TCustomCodeEdit::NextWordPosEx(const TBufferCoord& XY) {
  if (XY.Line < 1 || XY.Line > lines_->Count()) return XY;
  // Lines are read in place: a step costs the characters it passes, not the line's length.
  const TLineView line = lines_->LineView(XY.Line - 1);
  const int length = static_cast<int>(line.size());
  auto at = [&](int i) { return line[static_cast<std::size_t>(i - 1)]; };
  if (XY.Char >= 1 && XY.Char < length) {
    int x = XY.Char;
    if (IsIdentChar(at(x)) && !IsWideChar(at(x))) {
      while (x <= length && !IsWordBreakChar(at(x)) && !IsWideChar(at(x))) ++x;
    }
    while (x <= length && !IsIdentChar(at(x))) ++x;
    // A wide character is a word of its own: one passed on the way is a stop too.
    for (int i = XY.Char + 1; i < x; ++i)
      if (IsWideChar(at(i))) {
        x = i;
        break;
      }
    return {std::min(x, length + 1), XY.Line};
  }
  if (XY.Line >= lines_->Count()) return XY;
  const TLineView next = lines_->LineView(XY.Line);
  for (std::size_t i = 0; i < next.size(); ++i)
    if (IsIdentChar(next[i]) || IsWideChar(next[i])) return {static_cast<int>(i) + 1, XY.Line + 1};
  return {1, XY.Line + 1};
}

TBufferCoord TCustomCodeEdit::PrevWordPosEx(const TBufferCoord& XY) {
  if (XY.Line < 1 || XY.Line > lines_->Count()) return XY;
  const TLineView line = lines_->LineView(XY.Line - 1);
  const int length = static_cast<int>(line.size());
  auto at = [&](int i) { return line[static_cast<std::size_t>(i - 1)]; };
  auto previous_line_end = [&]() -> TBufferCoord {
    if (XY.Line > 1) return {static_cast<int>(lines_->LineView(XY.Line - 2).size()) + 1, XY.Line - 1};
    return {1, XY.Line};
  };
  const int start = std::min(XY.Char, length + 1);
  if (start <= 1) return previous_line_end();
  int x = start;
  if (IsWordBreakChar(at(x - 1))) {
    // Back over the break characters to the last identifier character.
    int i = x - 1;
    while (i >= 1 && !IsIdentChar(at(i))) --i;
    x = i;  // 0 when there is none
  }
  if (x > 0) {
    // Then to the start of that word.
    int i = x - 1;
    while (i >= 1 && !IsWordBreakChar(at(i))) --i;
    x = i + 1;
  }
  // A wide character is a word of its own: the nearest one between the word and the start is a stop
  // too.
  for (int i = start - 1; i > x; --i)
    if (IsWideChar(at(i))) {
      x = i;
      break;
    }
  if (x == 0) return previous_line_end();
  return {x, XY.Line};
}

TBufferCoord TCustomCodeEdit::WordStartEx(const TBufferCoord& XY) {
  if (XY.Line < 1 || XY.Line > lines_->Count()) return XY;
  const TLineView line = lines_->LineView(XY.Line - 1);
  int x = std::min(XY.Char, static_cast<int>(line.size()) + 1);
  if (x > 1 && !IsWordBreakChar(line[static_cast<std::size_t>(x - 2)])) {
    while (x > 1 && !IsWordBreakChar(line[static_cast<std::size_t>(x - 2)])) --x;
  }
  return {std::max(x, 1), XY.Line};
}

TBufferCoord TCustomCodeEdit::WordEndEx(const TBufferCoord& XY) {
  if (XY.Line < 1 || XY.Line > lines_->Count()) return XY;
  const TLineView line = lines_->LineView(XY.Line - 1);
  const int length = static_cast<int>(line.size());
  for (int x = std::max(XY.Char, 1); x <= length; ++x)
    if (IsWordBreakChar(line[static_cast<std::size_t>(x - 1)])) return {x, XY.Line};
  return {length + 1, XY.Line};
}

void TCustomCodeEdit::SelectWordAt(TBufferCoord P) {
  if (options_.Contains(eoScrollPastEol) && !word_wrap_plugin_)
    P.Char = std::clamp(P.Char, 1, max_scroll_width_ + 1);
  else
    P.Char = std::max(P.Char, 1);
  P.Line = std::clamp(P.Line, 1, std::max(1, lines_->Count()));
  const TLineView line = lines_->LineView(P.Line - 1);
  const int length = static_cast<int>(line.size());
  if (P.Char > length + 1) {
    // No word there: nothing stays selected (a case change must not take an older selection).
    const TBufferCoord end{length + 1, P.Line};
    PlaceCaretAndSelection(end, end, end);
    return;
  }
  // Each character's type, the line followed by one NUL, looked up only as far as the word reaches.
  auto type_at = [&](int i) { return GetCharTypeFlags(i < length ? line[static_cast<std::size_t>(i)] : 0); };
  const int at = P.Char - 1;  // 0-based
  std::uint16_t reference = type_at(at);
  if ((reference & C3_SYMBOL) && at > 0) reference = type_at(at - 1);
  auto boundary = [&](int i) {
    const std::uint16_t type = type_at(i);
    const int kind = CharTypeClass(type);
    if (kind == 1 || kind == 2) return i >= length || !IsIdentChar(line[static_cast<std::size_t>(i)]);
    if (kind == 5 || kind == 9) return true;
    return type != reference;
  };
  int e = at;
  while (e <= length && !boundary(e)) ++e;
  int s = at - 1;
  while (s >= 0 && !boundary(s)) --s;
  const TBufferCoord start{s + 2, P.Line}, end{e + 1, P.Line};
  PlaceCaretAndSelection(end, start, end);
  InvalidateLine(P.Line);
  RecordStatusChange({scSelection});
}

// ---------------------------------------------------------------------------------------------
// Brackets

TBufferCoord TCustomCodeEdit::GetMatchingBracketEx(const TBufferCoord& APoint) {
  static constexpr std::u32string_view kBrackets = U"()[]{}<>";
  if (APoint.Line < 1 || APoint.Line > lines_->Count()) return {0, 0};
  const std::u32string line = lines_->GetLine(APoint.Line - 1);
  if (APoint.Char < 1 || APoint.Char > static_cast<int>(line.size())) return {0, 0};
  const char32_t bracket = line[static_cast<std::size_t>(APoint.Char - 1)];
  const std::size_t which = kBrackets.find(bracket);
  if (which == std::u32string_view::npos) return {0, 0};
  const bool forward = which % 2 == 0;
  const char32_t partner = kBrackets[forward ? which + 1 : which - 1];
  // With a highlighter, brackets in strings and comments do not count.
  TCodeHighlighterAttributes* string_attr = highlighter_ ? highlighter_->AttributeByName("String") : nullptr;
  TCodeHighlighterAttributes* comment_attr = highlighter_ ? highlighter_->AttributeByName("Comment") : nullptr;
  auto quoted = [&](int Line, const std::u32string& Text, int Char) {
    if (!highlighter_ || (!string_attr && !comment_attr)) return false;
    if (Line > 1)
      highlighter_->SetRange(lines_->Ranges(Line - 2));
    else
      highlighter_->ResetRange();
    highlighter_->SetLine(Text, Line - 1);
    while (!highlighter_->GetEol()) {
      const int start = highlighter_->GetTokenPos() + 1;
      const int end = start + static_cast<int>(highlighter_->GetToken().size());
      if (Char >= start && Char < end) {
        TCodeHighlighterAttributes* attr = highlighter_->GetTokenAttribute();
        return attr && (attr == string_attr || attr == comment_attr);
      }
      highlighter_->Next();
    }
    return false;
  };
  int level = 1;
  int line_no = APoint.Line;
  std::u32string text = line;
  int x = APoint.Char;
  for (;;) {
    x += forward ? 1 : -1;
    while (x < 1 || x > static_cast<int>(text.size())) {
      line_no += forward ? 1 : -1;
      if (line_no < 1 || line_no > lines_->Count()) return {0, 0};
      text = lines_->GetLine(line_no - 1);
      x = forward ? 1 : static_cast<int>(text.size());
    }
    const char32_t c = text[static_cast<std::size_t>(x - 1)];
    if (c != bracket && c != partner) continue;
    if (quoted(line_no, text, x)) continue;
    level += c == bracket ? 1 : -1;
    if (level == 0) return {x, line_no};
  }
}

void TCustomCodeEdit::FindMatchingBracket() {
  const TBufferCoord match = GetMatchingBracket();
  // Without a partner the caret stays where it is.
  if (match.Char > 0 && match.Line > 0) InternalSetCaretXY(match);
}

// ---------------------------------------------------------------------------------------------
// Changing the text

void TCustomCodeEdit::StoreLine(int Index, std::u32string_view Text) {
  lines_->PutLine(Index, TrimmedForStore(Index, Text));
}

std::u32string_view TCustomCodeEdit::TrimmedForStore(int Index, std::u32string_view Text) {
  if (!options_.Contains(eoTrimTrailingSpaces)) return Text;
  const std::size_t kept = TrimRight(Text).size();
  if (kept < Text.size())
    trimmed_blanks_.push_back({Index + 1, std::u32string(Text.substr(kept))});
  return Text.substr(0, kept);
}

void TCustomCodeEdit::RecordTrimmedBlanks() {
  if (trimmed_blanks_.empty()) return;
  const std::vector<TTrimmedBlanks> trimmed = std::move(trimmed_blanks_);
  trimmed_blanks_.clear();
  const TCodeEditUndoItem* newest = undo_list_->PeekItem();
  if (!newest) return;
  // In a block of their own under the newest item's number: the list reports them once.
  const std::int32_t saved_number = undo_list_->BlockChangeNumber();
  undo_list_->BeginBlock();
  undo_list_->SetBlockChangeNumber(newest->ChangeNumber());
  TScopeExit end_block([&] {
    undo_list_->EndBlock();
    undo_list_->SetBlockChangeNumber(saved_number);
  });
  for (const TTrimmedBlanks& t : trimmed) {
    if (t.line > lines_->Count()) continue;
    const int end = static_cast<int>(lines_->LineView(t.line - 1).size()) + 1;
    undo_list_->AddChange(crTrailingBlanksTrimmed, {end, t.line}, {end + static_cast<int>(t.blanks.size()), t.line},
                          t.blanks, smNormal);
  }
}

void TCustomCodeEdit::ReplaceSelection(std::u32string_view Text) {
  ReplaceSelectionEx(active_selection_mode_, Text, true);
}

void TCustomCodeEdit::ReplaceSelectionEx(TCodeSelectionMode PasteMode, std::u32string_view Text, bool AddToUndoList) {
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  lines_->BeginUpdate();
  TScopeExit end_lines_update([&] { lines_->EndUpdate(); });
  if (SelAvail()) {
    // A column block beyond the ends of its lines changes no line: its colour goes all the same.
    InvalidateSelection();
    DoLinesDeleteSelection(NormalizedBlockBegin(), NormalizedBlockEnd());
  }
  if (!Text.empty()) InsertText(Text, PasteMode, AddToUndoList);
  if (caret_y_ < 1) InternalSetCaretXY({caret_x_, 1});
  // The selection is gone: it collapses at the caret (the line list's update end does the same
  // when there is a window).
  block_begin_ = block_end_ = CaretXY();
}

void TCustomCodeEdit::DoLinesDeleteSelection(TBufferCoord B, TBufferCoord E) {
  const int count = lines_->Count();
  switch (active_selection_mode_) {
    case smNormal: {
      if (B.Line > count) break;
      const bool trims = options_.Contains(eoScrollPastEol) && options_.Contains(eoTrimTrailingSpaces);
      if (E.Line == B.Line && !trims) {
        // Within one line (a typed character undone), the characters go in place.
        lines_->DeleteChars(B.Line - 1, B.Char - 1, E.Char - B.Char);
        InternalSetCaretXY(B);
        NotifyLinesDeleted(B.Line, 0);
        break;
      }
      const int last = std::min(E.Line, count);
      std::u32string joined;
      lines_->LineView(B.Line - 1).substr(0, static_cast<std::size_t>(B.Char - 1)).AppendTo(joined);
      if (E.Line <= count) {
        const TLineView end = lines_->LineView(E.Line - 1);
        if (static_cast<std::size_t>(E.Char - 1) < end.size()) end.substr(static_cast<std::size_t>(E.Char - 1)).AppendTo(joined);
      }
      if (last > B.Line) lines_->DeleteLines(B.Line, last - B.Line);
      lines_->PutLine(B.Line - 1, options_.Contains(eoScrollPastEol) ? TrimmedForStore(B.Line - 1, joined) : joined);
      InternalSetCaretXY(B);
      NotifyLinesDeleted(B.Line, E.Line - B.Line);
      break;
    }
    case smLine: {
      if (B.Line > count) break;
      const int last = std::min(E.Line, count);
      if (last == count) {
        // The last line is emptied, not removed: one empty line stays.
        if (last > B.Line) lines_->DeleteLines(B.Line - 1, last - B.Line);
        lines_->PutLine(B.Line - 1, U"");
      } else {
        lines_->DeleteLines(B.Line - 1, last - B.Line + 1);
      }
      InternalSetCaretXY({1, B.Line});
      NotifyLinesDeleted(B.Line, E.Line - B.Line + 1);
      break;
    }
    case smColumn: {
      int left = CharIndexToColumn(block_begin_.Line, block_begin_.Char);
      int right = CharIndexToColumn(block_end_.Line, block_end_.Char);
      if (left > right) std::swap(left, right);
      for (int line = B.Line; line <= std::min(E.Line, count); ++line) {
        std::u32string text = lines_->GetLine(line - 1);
        const int first = ColumnToCharIndex(line, left);
        const int stop = std::min(ColumnToCharIndex(line, right), static_cast<int>(text.size()) + 1);
        if (first <= static_cast<int>(text.size()) && stop > first) {
          text.erase(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(stop - first));
          StoreLine(line - 1, text);
        }
      }
      // Text put in its place starts at the block's top left corner: its left column on its first
      // line, wherever tabs put that column's character there.
      InternalSetCaretXY({ColumnToCharIndex(B.Line, left), B.Line});
      break;
    }
  }
}

void TCustomCodeEdit::InsertText(std::u32string_view Text, TCodeSelectionMode PasteMode, bool AddToUndoList) {
  const std::vector<std::u32string_view> pieces = SplitLines(Text);
  const int breaks = static_cast<int>(pieces.size()) - 1;
  const int x = caret_x_, y = caret_y_;
  const bool trim = options_.Contains(eoTrimTrailingSpaces);
  switch (PasteMode) {
    case smNormal: {
      const std::u32string line = lines_->GetLine(y - 1);
      std::u32string left = line.substr(0, std::min<std::size_t>(line.size(), static_cast<std::size_t>(x - 1)));
      left.resize(static_cast<std::size_t>(x - 1), U' ');
      const std::u32string right = static_cast<std::size_t>(x - 1) < line.size() ? line.substr(static_cast<std::size_t>(x - 1)) : U"";
      if (breaks == 0) {
        StoreLine(y - 1, left + std::u32string(pieces[0]) + right);
      } else {
        StoreLine(y - 1, left + std::u32string(pieces[0]));
        // The new lines are opened at once, then filled: opened one by one, each would move the
        // starts of every later block of records, a cost in the length of the text.
        lines_->InsertLines(y, breaks);
        for (int i = 1; i <= breaks; ++i) {
          std::u32string text(pieces[static_cast<std::size_t>(i)]);
          if (i == breaks) text += right;
          lines_->PutLine(y - 1 + i, TrimmedForStore(y - 1 + i, text));
        }
      }
      const std::u32string_view last = pieces.back();
      int caret_char;
      if (!trim) {
        caret_char = static_cast<int>((breaks == 0 ? left.size() : 0) + last.size()) + 1;
      } else if (!right.empty()) {
        const int stored = static_cast<int>(lines_->LineView(y - 1 + breaks).size());
        caret_char = stored + 1 - static_cast<int>(TrimRight(right).size());
      } else {
        caret_char = SaturateCast<int>(
            GetExpandedLength(breaks == 0 ? left + std::u32string(last) : std::u32string(last), tab_width_) + 1);
      }
      InternalSetCaretXY({caret_char, y + breaks});
      if (breaks > 0) NotifyLinesInserted(x > 1 ? y + 1 : y, breaks);
      break;
    }
    case smLine: {
      // Whole lines, opened at once as above.
      const int first = std::min(y - 1, lines_->Count());
      lines_->InsertLines(first, breaks);
      for (int i = 0; i < breaks; ++i)
        lines_->PutLine(first + i, TrimmedForStore(first + i, pieces[static_cast<std::size_t>(i)]));
      int line = y + breaks;
      const std::u32string last(pieces.back());
      if (line > lines_->Count())
        lines_->AddLine(TrimmedForStore(lines_->Count(), last));
      else if (!last.empty())
        StoreLine(line - 1, last + lines_->GetLine(line - 1));
      InternalSetCaretXY({static_cast<int>(last.size()) + 1, line});
      if (breaks > 0) NotifyLinesInserted(y, breaks);
      break;
    }
    case smColumn: {
      int line = y;
      for (std::size_t i = 0; i < pieces.size(); ++i, ++line) {
        const std::u32string_view piece = pieces[i];
        if (line > lines_->Count()) {
          // A line added below the text is recorded as the line break inserted at the end of the
          // text and the blanks that reach the column: undone, both go again; redone, both come back
          // as they were (a line break redone as a command would indent the line as the one above).
          if (AddToUndoList) {
            const int previous = lines_->Count();
            if (previous >= 1)
              undo_list_->AddChange(crPaste, {static_cast<int>(lines_->LineView(previous - 1).size()) + 1, previous},
                                    {1, previous + 1}, U"", smNormal);
            if (x > 1) undo_list_->AddChange(crWhiteSpaceAdd, {1, line}, {x, line}, U"", smNormal);
          }
          lines_->AddLine(std::u32string(static_cast<std::size_t>(x - 1), U' ') + std::u32string(piece));
        } else {
          std::u32string text = lines_->GetLine(line - 1);
          if (static_cast<int>(text.size()) < x - 1) {
            // The blanks that reach the column from a short line are recorded too: undo takes them out.
            if (AddToUndoList)
              undo_list_->AddChange(crWhiteSpaceAdd, {static_cast<int>(text.size()) + 1, line}, {x, line}, U"",
                                    smNormal);
            text.resize(static_cast<std::size_t>(x - 1), U' ');
          }
          text.insert(static_cast<std::size_t>(x - 1), piece);
          StoreLine(line - 1, text);
        }
        // Recorded as a column piece whatever mode is active, so that undo takes out just the piece.
        if (AddToUndoList)
          undo_list_->AddChange(crPaste, {x, line}, {x + static_cast<int>(piece.size()), line}, U"", smColumn);
      }
      InternalSetCaretXY({x + static_cast<int>(pieces.back().size()), line - 1});
      break;
    }
  }
}

void TCustomCodeEdit::RestoreColumnBlock(int FirstLine, int Column, std::u32string_view Text, bool Record) {
  const std::vector<std::u32string_view> pieces = SplitLines(Text);
  lines_->BeginUpdate();
  TScopeExit end_lines_update([&] { lines_->EndUpdate(); });
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const int line = FirstLine + static_cast<int>(i);
    if (pieces[i].empty() || line > lines_->Count()) continue;
    // The characters before the block are those the deletion left, so the column falls where the
    // piece was taken from (a line that lost everything from there on, at its end).
    const int at = ColumnToCharIndex(line, Column);
    std::u32string text = lines_->GetLine(line - 1);
    if (static_cast<int>(text.size()) < at - 1) {
      // The blanks that fill a line trimmed short up to the column are recorded: undo takes them out
      // again before it gives back the ones trimmed.
      if (Record)
        undo_list_->AddChange(crWhiteSpaceAdd, {static_cast<int>(text.size()) + 1, line}, {at, line}, U"", smNormal);
      text.resize(static_cast<std::size_t>(at - 1), U' ');
    }
    text.insert(static_cast<std::size_t>(at - 1), pieces[i]);
    StoreLine(line - 1, text);
    if (Record) undo_list_->AddChange(crPaste, {at, line}, {at + static_cast<int>(pieces[i].size()), line}, U"", smColumn);
  }
}

void TCustomCodeEdit::ReplaceSelectionUndoable(std::u32string_view Text) {
  // The block closes last, so OnChange comes once the lines and the view have settled.
  undo_list_->BeginBlock();
  TScopeExit end_block([&] { undo_list_->EndBlock(); });
  if (!SelAvail()) active_selection_mode_ = selection_mode_;
  ReplaceSelectionRecorded(Text, active_selection_mode_, crInsert);
}

void TCustomCodeEdit::ReplaceSelectionRecorded(std::u32string_view Text, TCodeSelectionMode PasteMode,
                                               TCodeChangeReason Reason) {
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  lines_->BeginUpdate();
  TScopeExit end_lines_update([&] { lines_->EndUpdate(); });
  const bool selected = SelAvail();
  if (selected) undo_list_->AddChange(crDelete, block_begin_, block_end_, DeletedSelText(), active_selection_mode_);
  const TBufferCoord start = NormalizedBlockBegin(), end = NormalizedBlockEnd();
  block_begin_ = start;
  block_end_ = end;
  if (selected) {
    ReplaceSelection(U"");
    RecordTrimmedBlanks();
  }
  if (Text.empty()) return;
  // The text goes in at the caret (where the selection left it, or where it stood without one), so
  // the insertion is recorded from there: a selection collapsed elsewhere is not where it went in.
  // A line block goes in at the start of the caret's line and is taken out again as plain text.
  TBufferCoord at = CaretXY();
  if (PasteMode == smLine) at.Char = 1;
  if (PasteMode == smNormal) {
    // Blanks that fill the caret's line up to it (beyond its end) are recorded as such, so that undo
    // takes them out too (a column block records those of each line it reaches).
    const int length = static_cast<int>(lines_->LineView(at.Line - 1).size());
    if (at.Char - 1 > length) undo_list_->AddChange(crWhiteSpaceAdd, {length + 1, at.Line}, at, U"", smNormal);
  }
  ReplaceSelectionEx(PasteMode, Text, true);
  if (PasteMode != smColumn) undo_list_->AddChange(Reason, at, InsertedTextEnd(at, Text), U"", smNormal);
}

TBufferCoord TCustomCodeEdit::InsertedTextEnd(TBufferCoord At, std::u32string_view Text) {
  const std::vector<std::u32string_view> pieces = SplitLines(Text);
  const int last = static_cast<int>(pieces.back().size());
  if (pieces.size() == 1) return {At.Char + last, At.Line};
  return {last + 1, At.Line + static_cast<int>(pieces.size()) - 1};
}

int TCustomCodeEdit::LeadingBlankCount(std::u32string_view S, bool ExpandTabs) const {
  if (!options_.Contains(eoAutoIndent)) return 0;
  int count = 0;
  for (char32_t c : S) {
    if (c < 1 || c > 32) break;
    count += c == U'\t' && ExpandTabs ? tab_width_ : 1;
  }
  return count;
}

std::u32string TCustomCodeEdit::MakeIndent(int N, bool AllowTabs) const {
  if (N <= 0) return {};
  if (AllowTabs && !options_.Contains(eoTabsToSpaces) && N >= tab_width_)
    return std::u32string(static_cast<std::size_t>(N / tab_width_), U'\t') +
           std::u32string(static_cast<std::size_t>(N % tab_width_), U' ');
  return std::u32string(static_cast<std::size_t>(N), U' ');
}

// ---------------------------------------------------------------------------------------------
// Block indentation

void TCustomCodeEdit::IndentBlock() {
  if (!SelAvail()) return;
  const TBufferCoord b = NormalizedBlockBegin();
  const TBufferCoord e = NormalizedBlockEnd();
  const int last = e.Char == 1 ? e.Line - 1 : e.Line;
  const std::u32string unit = options_.Contains(eoTabsToSpaces)
                                  ? std::u32string(static_cast<std::size_t>(tab_width_), U' ')
                                  : std::u32string(U"\t");
  const int unit_length = static_cast<int>(unit.size());
  std::u32string text;
  for (int line = b.Line; line < last; ++line) text += unit + U"\r\n";
  text += unit;
  const TCodeSelectionMode mode = active_selection_mode_;
  const TBufferCoord old_caret = CaretXY();
  const int column = mode == smColumn ? std::min(b.Char, e.Char) : 1;
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  undo_list_->BeginBlock();
  {
    TScopeExit end_block([&] { undo_list_->EndBlock(); });
    // Undone last: the selection, its mode and the caret come back as they stood.
    undo_list_->AddChange(crSelection, block_begin_, block_end_, U"", mode);
    undo_list_->AddChange(crCaret, old_caret, old_caret, U"", mode);
    block_begin_ = block_end_ = {column, b.Line};
    InternalSetCaretXY({column, b.Line});
    active_selection_mode_ = smColumn;
    ReplaceSelectionEx(smColumn, text, true);
    RecordStatusChange({scSelection});
    undo_list_->AddChange(crIndent, b, e, U"", mode);
    undo_list_->AddChange(crIndent, {b.Char + unit_length, b.Line}, {e.Char + unit_length, e.Line}, U"", mode);
  }
  const int caret_x = e.Char == 1 ? 1 : old_caret.Char + (options_.Contains(eoTabsToSpaces) ? tab_width_ : 1);
  active_selection_mode_ = mode;
  PlaceCaretAndSelection({caret_x, old_caret.Line}, {b.Char + unit_length, b.Line},
                         {e.Char == 1 ? 1 : e.Char + unit_length, e.Line});
}

void TCustomCodeEdit::UnindentBlock() {
  if (!SelAvail()) return;
  TBufferCoord b = NormalizedBlockBegin();
  TBufferCoord e = NormalizedBlockEnd();
  const int last = std::min(e.Char == 1 ? e.Line - 1 : e.Line, lines_->Count());
  const TCodeSelectionMode mode = active_selection_mode_;
  const int column = mode == smColumn ? std::min(b.Char, e.Char) : 1;
  std::vector<int> removal;
  std::u32string removed;
  bool any = false;
  for (int line = b.Line; line <= last; ++line) {
    const std::u32string text = lines_->GetLine(line - 1);
    const auto from = static_cast<std::size_t>(column - 1);
    int n = 0;
    if (from < text.size() && text[from] == U'\t') {
      n = 1;
    } else {
      while (n < tab_width_ && from + static_cast<std::size_t>(n) < text.size() &&
             text[from + static_cast<std::size_t>(n)] == U' ')
        ++n;
      if (n < tab_width_ && from + static_cast<std::size_t>(n) < text.size() &&
          text[from + static_cast<std::size_t>(n)] == U'\t')
        ++n;
    }
    removal.push_back(n);
    if (line > b.Line) removed += U"\r\n";
    if (n > 0) {
      removed += text.substr(from, static_cast<std::size_t>(n));
      any = true;
    }
  }
  if (!any) return;
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  {
    lines_->BeginUpdate();
    TScopeExit end_lines_update([&] { lines_->EndUpdate(); });
    for (int line = b.Line; line <= last; ++line) {
      const int n = removal[static_cast<std::size_t>(line - b.Line)];
      if (n == 0) continue;
      std::u32string text = lines_->GetLine(line - 1);
      text.erase(static_cast<std::size_t>(column - 1), static_cast<std::size_t>(n));
      lines_->PutLine(line - 1, text);
    }
  }
  undo_list_->AddChange(crUnindent, b, e, removed, mode);
  TBufferCoord caret = CaretXY();
  if (caret.Line >= b.Line && caret.Line <= last && caret.Char != 1)
    caret.Char = std::max(1, caret.Char - removal[static_cast<std::size_t>(caret.Line - b.Line)]);
  if (mode != smColumn) {
    b.Char = std::max(1, b.Char - removal.front());
    if (e.Line <= last) e.Char = std::max(1, e.Char - removal.back());
  }
  PlaceCaretAndSelection(caret, b, e);
  active_selection_mode_ = mode;
}

// ---------------------------------------------------------------------------------------------
// Scrolling

void TCustomCodeEdit::SetTopLine(int Value) {
  const int rows = DisplayRowCount();
  const int top = options_.Contains(eoScrollPastEof) ? std::max(1, rows) : std::max(1, rows - lines_in_window_ + 1);
  Value = std::clamp(Value, 1, top);
  if (Value == top_line_) return;
  const std::int64_t delta = std::int64_t{top_line_} - Value;
  top_line_ = Value;
  if (HandleAllocated()) {
    FlushPendingRepaint();
    if (delta > -lines_in_window_ && delta < lines_in_window_) {
      // The rows that stay on screen move; only the band scrolled in is painted.
      const win::RECT client = ClientRect();
      win::ScrollWindowEx(Handle(), 0, static_cast<int>(delta * text_height_), &client, &client, nullptr, nullptr,
                          win::SW_INVALIDATE);
    } else {
      Invalidate();
    }
  }
  UpdateScrollBars();
  RecordStatusChange({scTopLine});
}

void TCustomCodeEdit::SetLeftChar(int Value) {
  if (word_wrap_plugin_) Value = 1;
  std::int64_t max_left;
  if (options_.Contains(eoScrollPastEol)) {
    // Growing with the view, the scroll width stops at its limit.
    max_left = (options_.Contains(eoAutoSizeMaxScrollWidth) ? kMaxScrollWidthLimit : std::int64_t{max_scroll_width_}) -
               chars_in_window_ + 1;
  } else {
    max_left = lines_->LengthOfLongestLine() - chars_in_window_ + 1;
  }
  Value = static_cast<int>(std::clamp<std::int64_t>(Value, 1, std::max<std::int64_t>(1, max_left)));
  if (Value == left_char_) return;
  const std::int64_t delta = std::int64_t{left_char_} - Value;
  left_char_ = Value;
  text_offset_ = SaturateCast<int>(std::int64_t{gutter_width_} + 2 - (std::int64_t{left_char_} - 1) * char_width_);
  if (HandleAllocated()) {
    FlushPendingRepaint();
    TRect area = ClientRect();
    area.Left = gutter_width_ + 2;
    if (delta > -chars_in_window_ && delta < chars_in_window_) {
      win::ScrollWindowEx(Handle(), static_cast<int>(delta * char_width_), 0, &area, &area, nullptr, nullptr,
                          win::SW_INVALIDATE);
    } else {
      InvalidateRect(area, false);
    }
  }
  if (options_.Contains(eoScrollPastEol) && options_.Contains(eoAutoSizeMaxScrollWidth) &&
      std::int64_t{left_char_} + chars_in_window_ > max_scroll_width_)
    SetMaxScrollWidth(SaturateCast<int>(std::int64_t{left_char_} + chars_in_window_));
  else
    UpdateScrollBars();
  RecordStatusChange({scLeftChar});
}

void TCustomCodeEdit::ScrollCaretIntoViewEx(bool ForceToMiddle) {
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  const TDisplayCoord caret = DisplayXY();
  // A window that shows no cell (not laid out yet) has nothing to scroll into view.
  if (chars_in_window_ > 0) {
    if (caret.Column < left_char_)
      SetLeftChar(caret.Column);
    else if (std::int64_t{caret.Column} >= std::int64_t{left_char_} + chars_in_window_)
      SetLeftChar(caret.Column - chars_in_window_ + 1);
  }
  if (lines_in_window_ <= 0) return;
  if (ForceToMiddle) {
    if (caret.Row < top_line_ - 1)
      SetTopLine(std::max(1, caret.Row - lines_in_window_ / 2 + 1));
    else if (caret.Row > top_line_ + lines_in_window_ - 2)
      SetTopLine(caret.Row - (lines_in_window_ - 1) + lines_in_window_ / 2);
  } else {
    if (caret.Row < top_line_)
      SetTopLine(caret.Row);
    else if (caret.Row > top_line_ + std::max(1, lines_in_window_) - 1)
      SetTopLine(caret.Row - (lines_in_window_ - 1));
  }
}

}  // namespace lab
