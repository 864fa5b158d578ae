// The commands that change text from the keyboard: typing a character or an input method's string,
// Backspace and Delete, deleting words and lines, line breaks, Tab and Shift-Tab, and case changes.
// Each records what it changes so that undo gives back the text exactly, blanks it added to reach a
// caret beyond the end of a line included.

#include <unicode/uchar.h>

#include <algorithm>

#include "editor/codeedit.h"
#include "editor/edit_exceptions.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

bool IsBlank(char32_t C) { return C == U' ' || C == U'\t'; }

bool AllBlank(std::u32string_view S) { return std::all_of(S.begin(), S.end(), IsBlank); }

char32_t MapCase(TCodeEditorCommand Command, char32_t C, bool First) {
  const auto c = static_cast<UChar32>(C);
  switch (Command) {
    case ecUpperCase:
    case ecUpperCaseBlock:
      return static_cast<char32_t>(u_toupper(c));
    case ecLowerCase:
    case ecLowerCaseBlock:
      return static_cast<char32_t>(u_tolower(c));
    case ecTitleCase:
      return static_cast<char32_t>(First ? u_toupper(c) : u_tolower(c));
    default:  // the toggles
      if (u_isupper(c)) return static_cast<char32_t>(u_tolower(c));
      if (u_islower(c)) return static_cast<char32_t>(u_toupper(c));
      return C;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared steps

void TCustomCodeEdit::DeleteSelectionRecorded(bool ByDirection) {
  const TCodeChangeReason reason =
      ByDirection && !(block_end_.Line > block_begin_.Line ||
                       (block_end_.Line == block_begin_.Line && block_end_.Char > block_begin_.Char))
          ? crDeleteAfterCursor
          : crDelete;
  undo_list_->AddChange(reason, block_begin_, block_end_, DeletedSelText(), active_selection_mode_);
  ReplaceSelection(U"");
  RecordTrimmedBlanks();
}

std::u32string TCustomCodeEdit::PadToCaret(const std::u32string& Line, int Upto, bool AllowTabs) {
  const int length = static_cast<int>(Line.size());
  if (Upto <= length) return Line;
  const int count = Upto - length;
  // A line that has nothing yet may be indented as indentation is made; a line with text gets spaces.
  const std::u32string pad = length >= 1 || !AllowTabs ? std::u32string(static_cast<std::size_t>(count), U' ')
                                                       : MakeIndent(count, true);
  undo_list_->AddChange(crWhiteSpaceAdd, {length + 1, caret_y_}, {length + 1 + static_cast<int>(pad.size()), caret_y_},
                        U"", smNormal);
  return Line + pad;
}

void TCustomCodeEdit::FollowCaretHorizontally() {
  if (chars_in_window_ > 0 && caret_x_ >= left_char_ + chars_in_window_)
    SetLeftChar(left_char_ + std::min(25, chars_in_window_ - 1));
}

void TCustomCodeEdit::CollapseSelectionAtCaret() { block_begin_ = block_end_ = CaretXY(); }

// ---------------------------------------------------------------------------------------------
// Typing

bool TCustomCodeEdit::TypeText(std::u32string_view Text, bool ImeString) {
  if (SelAvail()) {
    undo_list_->BeginBlock();
    TScopeExit end_block([&] { undo_list_->EndBlock(); });
    // The text goes in where the deletion left the caret, as the selection's mode puts it (with the
    // blanks that reach a column block's corner beyond a short line).
    ReplaceSelectionRecorded(Text, active_selection_mode_, crInsert);
    CollapseSelectionAtCaret();
    if (ImeString) InvalidateGutter();
    return true;
  }
  const int x = caret_x_, y = caret_y_;
  if (!ImeString && insert_mode_ && !word_wrap_plugin_ && !options_.Contains(eoAutoSizeMaxScrollWidth) &&
      x > max_scroll_width_)
    return false;
  if (lines_->Count() == 0) lines_->AddLine(U"");
  const TPastEol past_eol(options_);
  undo_list_->BeginBlock();
  TScopeExit end_block([&] { undo_list_->EndBlock(); });
  const std::u32string old_line = lines_->GetLine(y - 1);
  const int length = static_cast<int>(old_line.size());
  // Beyond the end the line is filled up to the caret (in overwrite mode, and for an input method's
  // string, to one blank more, which the text then overwrites or pushes along).
  const bool one_more = ImeString || !insert_mode_;
  std::u32string line = PadToCaret(old_line, one_more ? x : x - 1, !ImeString);
  // On a line that had nothing, the indentation may hold tabs: the text follows it.
  const int at = length >= 1 || x - 1 <= length ? x : static_cast<int>(line.size()) + (one_more ? 0 : 1);
  std::u32string overwritten;
  if (!insert_mode_) {
    const auto from = static_cast<std::size_t>(at - 1);
    const std::size_t count = std::min(Text.size(), line.size() - std::min(line.size(), from));
    overwritten = line.substr(from, count);
    line.erase(from, count);
  }
  line.insert(static_cast<std::size_t>(at - 1), Text);
  const int end = at + static_cast<int>(Text.size());
  StoreLine(y - 1, line);
  int caret = end;
  if (!ImeString && insert_mode_ && options_.Contains(eoTrimTrailingSpaces) && IsBlank(Text[0]) &&
      lines_->LineView(y - 1).size() == 0)
    caret = GetExpandedLength(std::u32string_view(line), tab_width_) + 1;  // on through the virtual space
  undo_list_->AddChange(crInsert, {at, y}, {end, y}, overwritten, smNormal);
  InternalSetCaretXY({caret, y});
  CollapseSelectionAtCaret();
  FollowCaretHorizontally();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Backspace and Delete

void TCustomCodeEdit::DeleteLastChar() {
  if (SelAvail()) {
    DeleteSelectionRecorded(true);
    return;
  }
  const std::u32string line = lines_->GetLine(caret_y_ - 1);
  const int length = static_cast<int>(line.size());
  const int x = caret_x_, y = caret_y_;
  const TPastEol past_eol(options_);
  const bool smart = options_.Contains(eoSmartTabDelete);
  // The indentation of the nearest line above indented less than Column blanks (0 when none is).
  auto indentation_above = [&](int Column, bool ExpandTabs) {
    int found = 0;
    bool stopped = false;
    for (int i = y - 1; i >= 1; --i) {
      found = LeadingBlankCount(lines_->GetLine(i - 1), ExpandTabs);
      if (found < Column) {
        stopped = true;
        break;
      }
    }
    if (!stopped || found == Column) found = 0;
    return found;
  };
  std::u32string deleted;
  TBufferCoord to{x, y};
  int caret_shift = 0;  // columns the caret keeps beyond where the deletion starts
  if (x > length + 1) {
    // Beyond the end nothing is deleted: the caret only steps back.
    if (!smart)
      to.Char = x - 1;
    else if (length > 0)
      to.Char = length + 1;
    else
      to.Char = x - ((x - 1) - indentation_above(x - 1, options_.Contains(eoTrimTrailingSpaces)));
  } else if (x == 1) {
    if (y == 1) return;
    // The line joins the one above.
    const std::u32string above = lines_->GetLine(y - 2);
    undo_list_->BeginBlock();
    TScopeExit end_block([&] { undo_list_->EndBlock(); });
    to = {static_cast<int>(above.size()) + 1, y - 1};
    {
      lines_->BeginUpdate();
      TScopeExit end_lines([&] { lines_->EndUpdate(); });
      StoreLine(y - 2, above + line);
      lines_->Delete(y - 1);
    }
    NotifyLinesDeleted(y, 1);
    undo_list_->AddChange(crSilentDelete, to, {x, y}, U"\r\n", smNormal);
    InternalSetCaretXY(to);
    CollapseSelectionAtCaret();
    ScrollCaretIntoView();
    return;
  } else {
    const std::u32string_view before = std::u32string_view(line).substr(0, static_cast<std::size_t>(x - 1));
    int count = 1;
    if (IsBlank(before.back()) && AllBlank(before)) {
      if (smart) {
        // Back to the indentation of the nearest line above that is indented less.
        count = (x - 1) - indentation_above(x - 1, false);
      } else {
        // Back to the previous tab stop: spaces up to it, or one tab.
        const int display_x = DisplayX();
        int k = (display_x - 1) % tab_width_;
        if (k == 0) k = tab_width_;
        count = 0;
        for (int i = x - 1; i >= 1 && count < k; --i) {
          ++count;
          if (line[static_cast<std::size_t>(i - 1)] == U'\t') break;
        }
      }
      count = std::clamp(count, 1, x - 1);
    }
    const int from = x - count;
    deleted = line.substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
    std::u32string changed = line;
    changed.erase(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(count));
    to.Char = from;
    StoreLine(y - 1, changed);
    const int stored = static_cast<int>(lines_->LineView(y - 1).size());
    if (options_.Contains(eoTrimTrailingSpaces) && changed.find(U'\t') != std::u32string::npos && stored < from - 1) {
      // The stored line lost blanks before the caret: the caret keeps its place on screen (the
      // deletion is recorded where it was made, the lost blanks after it).
      const int before = GetExpandedLength(std::u32string_view(changed).substr(0, static_cast<std::size_t>(from - 1)), tab_width_);
      const int after = lines_->ExpandedStringLengths(y - 1) + (from - 1 - stored);
      caret_shift = before - after;
    }
  }
  if (to.Char != x) {
    undo_list_->AddChange(crSilentDelete, to, {x, y}, deleted, smNormal);
    InternalSetCaretXY({to.Char + caret_shift, y});
    RememberCaretColumn();
    RecordStatusChange({scCaretX});
  }
  CollapseSelectionAtCaret();
  ScrollCaretIntoView();
}

void TCustomCodeEdit::DeleteChar() {
  if (SelAvail()) {
    DeleteSelectionRecorded(true);
    return;
  }
  RememberCaretColumn();
  const std::u32string line = lines_->GetLine(caret_y_ - 1);
  const int length = static_cast<int>(line.size());
  const int x = caret_x_, y = caret_y_;
  if (x <= length) {
    std::u32string changed = line;
    const std::u32string deleted(1, changed[static_cast<std::size_t>(x - 1)]);
    changed.erase(static_cast<std::size_t>(x - 1), 1);
    StoreLine(y - 1, changed);
    undo_list_->AddChange(crSilentDeleteAfterCursor, {x, y}, {x + 1, y}, deleted, smNormal);
  } else if (y < lines_->Count()) {
    // The next line joins this one, after blanks that reach the caret.
    undo_list_->BeginBlock();
    TScopeExit end_block([&] { undo_list_->EndBlock(); });
    const TPastEol past_eol(options_);
    const std::u32string padded = PadToCaret(line, x - 1, false);
    {
      lines_->BeginUpdate();
      TScopeExit end_lines([&] { lines_->EndUpdate(); });
      StoreLine(y - 1, padded + lines_->GetLine(y));
      lines_->Delete(y);
    }
    NotifyLinesDeleted(y + 1, 1);
    undo_list_->AddChange(crSilentDeleteAfterCursor, {static_cast<int>(padded.size()) + 1, y}, {1, y + 1}, U"\r\n",
                          smNormal);
    InternalSetCaretXY({static_cast<int>(padded.size()) + 1, y});
  }
  CollapseSelectionAtCaret();
}

void TCustomCodeEdit::DeleteToWordOrLineEnd(bool WordEnd) {
  const int x = caret_x_, y = caret_y_;
  const std::u32string line = lines_->GetLine(caret_y_ - 1);
  const int length = static_cast<int>(line.size());
  TBufferCoord target{length + 1, y};
  if (WordEnd) {
    target = WordEndEx(CaretXY());
    if (x >= target.Char) {
      if (target.Char > length)
        target = {1, y + 1};
      else if (line[static_cast<std::size_t>(target.Char - 1)] != U' ')
        ++target.Char;
    }
    if (target.Line > lines_->Count()) target = {length + 1, y};
    const TLineView at = lines_->LineView(target.Line - 1);
    while (target.Char <= static_cast<int>(at.size()) && at[static_cast<std::size_t>(target.Char - 1)] == U' ')
      ++target.Char;
  }
  // From the caret, or from the line's end for a caret beyond it; nothing to delete, nothing done,
  // but that the line's end deleted from beyond it is filled up to the caret.
  const TBufferCoord from{std::min(x, length + 1), y};
  if (target.Line == y && target.Char <= from.Char && (WordEnd || x <= from.Char)) return;
  undo_list_->BeginBlock();
  TScopeExit end_block([&] { undo_list_->EndBlock(); });
  const TPastEol past_eol(options_);
  const TCodeSelectionMode mode = active_selection_mode_;
  active_selection_mode_ = smNormal;
  TScopeExit restore_mode([&] { active_selection_mode_ = mode; });
  block_begin_ = from;
  block_end_ = target;
  const std::u32string deleted = Utf8Decode(SelText());
  // The caret keeps its place: blanks fill the gap up to it.
  if (x > from.Char) undo_list_->AddChange(crWhiteSpaceAdd, from, {x, y}, U"", smNormal);
  // The line is trimmed once, as it ends up: trimmed after the deletion and again after the blanks,
  // its trailing blanks would be recorded in two pieces that undo puts back in turn.
  const bool trim = options_.Contains(eoTrimTrailingSpaces);
  options_.Exclude(eoTrimTrailingSpaces);
  {
    TScopeExit restore_trim([&] {
      if (trim) options_.Include(eoTrimTrailingSpaces);
    });
    if (target == from) InternalSetCaretXY(from);  // the blanks go in from the line's end
    ReplaceSelectionEx(smNormal, std::u32string(static_cast<std::size_t>(x - from.Char), U' '), false);
  }
  if (trim) StoreLine(y - 1, lines_->GetLine(y - 1));
  if (target != from) undo_list_->AddChange(crSilentDeleteAfterCursor, {x, y}, target, deleted, smNormal);
  InternalSetCaretXY({x, y});
  CollapseSelectionAtCaret();
}

void TCustomCodeEdit::DeleteToWordOrLineStart(bool WordStart) {
  const TBufferCoord caret = CaretXY();
  const TBufferCoord target = WordStart ? PrevWordPos() : TBufferCoord{1, caret_y_};
  if (target == caret) return;
  const TCodeSelectionMode mode = active_selection_mode_;
  active_selection_mode_ = smNormal;
  TScopeExit restore_mode([&] { active_selection_mode_ = mode; });
  block_begin_ = caret;
  block_end_ = target;
  // A caret beyond the end of its line deletes from the end.
  block_begin_.Char = std::min(block_begin_.Char, static_cast<int>(lines_->LineView(caret_y_ - 1).size()) + 1);
  const std::u32string deleted = Utf8Decode(SelText());
  ReplaceSelectionEx(smNormal, U"", false);
  undo_list_->AddChange(crSilentDelete, target, caret, deleted, smNormal);
  InternalSetCaretXY(target);
  CollapseSelectionAtCaret();
}

void TCustomCodeEdit::DeleteCaretLine() {
  const int count = lines_->Count();
  const int y = caret_y_;
  if (count == 0 || (y == count && (lines_->LineView(caret_y_ - 1).size() == 0))) return;
  CollapseSelectionAtCaret();
  const std::u32string line = lines_->GetLine(caret_y_ - 1);
  if (y == count) {
    StoreLine(y - 1, U"");
    undo_list_->AddChange(crSilentDeleteAfterCursor, {1, y}, {static_cast<int>(line.size()) + 1, y}, line, smNormal);
  } else {
    lines_->Delete(y - 1);
    undo_list_->AddChange(crSilentDeleteAfterCursor, {1, y}, {1, y + 1}, line + U"\r\n", smNormal);
    // Marks on the line go to the one that takes its place.
    NotifyLinesDeleted(y, 1);
  }
  DoSetCaretXY({1, y});
}

// ---------------------------------------------------------------------------------------------
// Line breaks

void TCustomCodeEdit::BreakLine(bool MoveCaret) {
  undo_list_->BeginBlock();
  TScopeExit end_block([&] { undo_list_->EndBlock(); });
  if (SelAvail()) DeleteSelectionRecorded(false);
  const TPastEol past_eol(options_);
  if (lines_->Count() == 0) lines_->AddLine(U"");
  const int x = caret_x_, y = caret_y_;
  const std::u32string line = lines_->GetLine(caret_y_ - 1);
  const int length = static_cast<int>(line.size());
  TBufferCoord caret = CaretXY();
  int inserted_at;  // the line number the new line takes
  {
    lines_->BeginUpdate();
    TScopeExit end_lines([&] { lines_->EndUpdate(); });
    if (length == 0) {
      int indent = 0;
      for (int i = y; i >= 1; --i) {
        if (lines_->LineView(i - 1).size() == 0) continue;
        indent = LeadingBlankCount(lines_->GetLine(i - 1), true);
        break;
      }
      lines_->InsertLine(y - 1, U"");
      undo_list_->AddChange(crLineBreak, caret, caret, U"", smNormal);
      inserted_at = y;
      if (MoveCaret) caret = {indent + 1, y + 1};
    } else if (x > length) {
      const int indent = LeadingBlankCount(line, false);
      // Both commands do the same to the text (a redone break is a line break, whichever it was).
      lines_->InsertLine(y, line.substr(0, static_cast<std::size_t>(indent)));
      undo_list_->AddChange(crLineBreak, caret, caret, U"", smNormal);
      inserted_at = y + 1;
      if (MoveCaret) caret = {indent + 1, y + 1};
    } else if (x == 1) {
      lines_->InsertLine(y - 1, U"");
      undo_list_->AddChange(crLineBreak, caret, caret, line, smNormal);
      inserted_at = y;
      if (MoveCaret) caret = {1, y + 1};
    } else {
      const std::u32string head = line.substr(0, static_cast<std::size_t>(x - 1));
      const std::u32string tail = line.substr(static_cast<std::size_t>(x - 1));
      const std::u32string indent = MakeIndent(LeadingBlankCount(head, true), true);
      StoreLine(y - 1, head);
      lines_->InsertLine(y, indent + tail);
      undo_list_->AddChange(crLineBreak, caret, caret, tail, smNormal);
      inserted_at = y + 1;
      if (MoveCaret) caret = {static_cast<int>(indent.size()) + 1, y + 1};
    }
  }
  NotifyLinesInserted(inserted_at, 1);
  InternalSetCaretXY(caret);
  CollapseSelectionAtCaret();
  ScrollCaretIntoView();
  RememberCaretColumn();
}

// ---------------------------------------------------------------------------------------------
// Tab and Shift-Tab

bool TCustomCodeEdit::SelectsWholeLines() const {
  if (!SelAvail()) return false;
  if (SelTabBlock()) return true;
  const TBufferCoord b = NormalizedBlockBegin(), e = NormalizedBlockEnd();
  return active_selection_mode_ != smColumn && b.Line == e.Line && b.Char == 1 &&
         e.Char > static_cast<int>(lines_->LineView(e.Line - 1).size());
}

void TCustomCodeEdit::InsertTab() {
  if (options_.Contains(eoTabIndent) && SelectsWholeLines()) {
    const bool one_line = !SelTabBlock();
    IndentBlock();
    if (one_line) {
      if (block_begin_.Char < block_end_.Char)
        block_begin_.Char = 1;
      else
        block_end_.Char = 1;
      InvalidateSelection();
    }
    return;
  }
  undo_list_->BeginBlock();
  TScopeExit end_block([&] { undo_list_->EndBlock(); });
  if (SelAvail()) DeleteSelectionRecorded(false);
  const TPastEol past_eol(options_);
  const int x = caret_x_, y = caret_y_;
  const int display_x = DisplayX();
  const std::u32string line = lines_->GetLine(caret_y_ - 1);
  const int length = static_cast<int>(line.size());
  // Smart tab: the next word start of the nearest line above that reaches the caret's column.
  int smart_column = 0;
  if (options_.Contains(eoSmartTabs) && y > 1 && y <= lines_->Count()) {
    for (int i = y - 1; i >= 1; --i) {
      const TLineView above = lines_->LineView(i - 1);
      const int size = static_cast<int>(above.size());
      int c = DisplayToBufferPos({display_x, LineToRow(i)}).Char;
      if (c > size) continue;
      while (c <= size && !IsBlank(above[static_cast<std::size_t>(c - 1)])) ++c;
      while (c <= size && IsBlank(above[static_cast<std::size_t>(c - 1)])) ++c;
      smart_column = std::max(0, BufferToDisplayPos({c, i}).Column);
      if (smart_column <= display_x) smart_column = 0;
      break;
    }
  }
  std::u32string text;
  int new_x;
  if (options_.Contains(eoTabsToSpaces)) {
    const int n = smart_column > 0 ? smart_column - display_x : tab_width_ - (x - 1) % tab_width_;
    text.assign(static_cast<std::size_t>(n), U' ');
    new_x = x + n;
  } else if (options_.Contains(eoTrimTrailingSpaces) && x > length) {
    // Nothing would stay beyond the end: only the caret moves.
    const int target = smart_column > 0 ? smart_column : display_x + tab_width_ - (display_x - 1) % tab_width_;
    InternalSetCaretXY({x + target - display_x, y});
    CollapseSelectionAtCaret();
    ScrollCaretIntoView();
    return;
  } else {
    const bool blanks_before = AllBlank(
        std::u32string_view(line).substr(0, std::min<std::size_t>(line.size(), static_cast<std::size_t>(x - 1))));
    if (smart_column > 0 && blanks_before) {
      int d = smart_column - display_x;
      const int to_stop = tab_width_ - (display_x - 1) % tab_width_;
      if (d >= to_stop) {
        text += U'\t';
        d -= to_stop;
        while (d >= tab_width_) {
          text += U'\t';
          d -= tab_width_;
        }
      }
      text.append(static_cast<std::size_t>(d), U' ');
    } else {
      text = U"\t";
    }
    new_x = options_.Contains(eoTrimTrailingSpaces) && AllBlank(line)
                ? x + GetExpandedLength(std::u32string_view(text), tab_width_)
                : x + static_cast<int>(text.size());
  }
  ReplaceSelectionRecorded(text, smNormal, crInsert);
  InternalSetCaretXY({new_x, y});
  CollapseSelectionAtCaret();
  ScrollCaretIntoView();
}

void TCustomCodeEdit::RemoveTab() {
  if (options_.Contains(eoTabIndent) && SelectsWholeLines()) {
    UnindentBlock();
    return;
  }
  const int x = caret_x_, y = caret_y_;
  const std::u32string line = lines_->GetLine(caret_y_ - 1);
  const int length = static_cast<int>(line.size());
  int n = x;
  if (options_.Contains(eoSmartTabs) && x > 1) {
    for (int i = y - 1; i >= 1; --i) {
      const std::u32string above = lines_->GetLine(i - 1);
      if (static_cast<int>(above.size()) < x - 1) continue;
      int c = x - 1;
      while (c > 1 && above[static_cast<std::size_t>(c - 1)] == U' ') --c;
      while (c > 1 && above[static_cast<std::size_t>(c - 2)] != U' ') --c;
      n = c;
      break;
    }
  }
  if (n == x && x > 1) {
    const int stop = ((x - 2) / tab_width_) * tab_width_ + 1;
    if (x > length + 1) {
      n = stop;
    } else if (line[static_cast<std::size_t>(x - 2)] == U'\t' && stop < x) {
      n = x - 1;
    } else {
      while (n > stop && (n - 1 > length || line[static_cast<std::size_t>(n - 2)] == U' ')) --n;
    }
  }
  // Only blanks go: Shift-Tab never deletes text.
  int kept = std::min(x, length + 1);
  while (kept > n && IsBlank(line[static_cast<std::size_t>(kept - 2)])) --kept;
  if (kept > n) n = kept;
  if (n >= x) return;
  const TBufferCoord from{n, y};
  const int cut_end = std::min(x, length + 1);
  std::u32string removed;
  if (n <= length) {
    removed = line.substr(static_cast<std::size_t>(n - 1), static_cast<std::size_t>(cut_end - n));
    std::u32string changed = line;
    changed.erase(static_cast<std::size_t>(n - 1), static_cast<std::size_t>(cut_end - n));
    StoreLine(y - 1, changed);
  }
  undo_list_->AddChange(crSilentDelete, from, {x, y}, removed, smNormal);
  const TPastEol past_eol(options_);
  InternalSetCaretXY(from);
  CollapseSelectionAtCaret();
}

// ---------------------------------------------------------------------------------------------
// Case changes

void TCustomCodeEdit::ChangeCase(TCodeEditorCommand Command) {
  if (Command < ecUpperCase || Command > ecToggleCaseBlock || Command == ecTitleCase + 1)
    CodeAssertionFailed("CodeEdit");
  const bool block = Command >= ecUpperCaseBlock;
  const bool had_selection = SelAvail();
  const TBufferCoord old_begin = NormalizedBlockBegin(), old_end = NormalizedBlockEnd();
  const TBufferCoord old_caret = CaretXY();
  const TCodeSelectionMode mode = active_selection_mode_;
  const TPastEol past_eol(options_);
  if (!block) {
    // A word is picked as plain text, whatever the selection mode.
    active_selection_mode_ = smNormal;
    SelectWordAt(CaretXY());
    for (int tries = 0; tries < 2 && SelText().empty(); ++tries) {
      InternalSetCaretXY(PrevWordPos());
      SelectWordAt(CaretXY());
    }
  } else if (!had_selection) {
    if (caret_x_ > static_cast<int>(lines_->LineView(caret_y_ - 1).size())) {
      if (caret_y_ < lines_->Count()) DoSetCaretXY({1, caret_y_ + 1});
    } else {
      MoveCaretHorizontally(1, true);
    }
  }
  std::u32string text = DeletedSelText();
  if (!text.empty()) {
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = MapCase(Command, text[i], i == 0);
    undo_list_->BeginBlock();
    TScopeExit end_block([&] { undo_list_->EndBlock(); });
    undo_list_->AddChange(crSelection, had_selection ? old_begin : old_caret, had_selection ? old_end : old_caret, U"",
                          mode);
    undo_list_->AddChange(crCaret, old_caret, old_caret, U"", mode);
    if (active_selection_mode_ == smColumn) {
      // Each line's piece goes back where it was taken from: the block keeps its place however tabs
      // lay it out, and short lines gain no blanks.
      const int left = std::min(CharIndexToColumn(block_begin_.Line, block_begin_.Char),
                                CharIndexToColumn(block_end_.Line, block_end_.Char));
      const int first = NormalizedBlockBegin().Line;
      ReplaceSelectionRecorded(U"", smColumn, crInsert);
      RestoreColumnBlock(first, left, text, true);
    } else {
      ReplaceSelectionUndoable(text);
    }
  }
  active_selection_mode_ = mode;
  if (block && !had_selection) {
    CollapseSelectionAtCaret();
    return;
  }
  if (block) {
    block_begin_ = old_begin;
    block_end_ = old_end;
  }
  SetCaretXY(old_caret);
}

}  // namespace lab
