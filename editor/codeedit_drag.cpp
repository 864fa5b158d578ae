// Dragging and dropping text within an editor and between editors: the caret follows the mouse over
// an editor that would take the text, the text is moved (or copied with Ctrl within one editor,
// moved with Shift between two) on the drop, undoable in one step in each editor, and the dropped
// text ends selected. The end of a drag stops the drag-scroll timer.

#include <algorithm>

#include "editor/codeedit.h"
#include "editor/edit_exceptions.h"
#include "platform/controls/input.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

bool Held(win::UINT Key) { return win::GetKeyState(static_cast<int>(Key)) < 0; }

bool Before(const TBufferCoord& A, const TBufferCoord& B) {
  return A.Line < B.Line || (A.Line == B.Line && A.Char < B.Char);
}

}  // namespace

void TCustomCodeEdit::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TCustomControl::DragOver(Source, X, Y, State, Accept);
  auto* source = dynamic_cast<TCustomCodeEdit*>(Source);
  if (!source || ReadOnly()) return;
  Accept = true;
  source->SetDragCursor(Held(win::VK_CONTROL) ? crMultiDrag : crDrag);
  if (source != this) {
    if (State != dsDragLeave) ComputeCaret(X, Y);
    return;
  }
  if (State == dsDragLeave) {
    ComputeCaret(mouse_down_x_, mouse_down_y_);
    return;
  }
  // Over itself the caret stays in the visible text, and the text scrolls while the mouse is outside it.
  TDisplayCoord p = PixelsToNearestRowColumn(X, Y);
  p.Column = std::clamp(p.Column, left_char_, std::max(left_char_, left_char_ + chars_in_window_ - 1));
  p.Row = std::clamp(p.Row, top_line_, std::max(top_line_, top_line_ + lines_in_window_ - 1));
  p.Row = std::clamp(p.Row, 1, std::max(1, DisplayRowCount()));
  SetCaretAtDisplayPos(p);
  ComputeScroll(X, Y);
}

void TCustomCodeEdit::DragDrop(TObject* Source, int X, int Y) {
  auto* source = dynamic_cast<TCustomCodeEdit*>(Source);
  if (ReadOnly() || !source || !source->SelAvail()) {
    TCustomControl::DragDrop(Source, X, Y);
    return;
  }
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  TCustomControl::DragDrop(Source, X, Y);
  ComputeCaret(X, Y);
  TBufferCoord drop = CaretXY();
  TBufferCoord b = source->NormalizedBlockBegin(), e = source->NormalizedBlockEnd();
  if (source->active_selection_mode_ == smLine) {
    // A line block is its whole lines with the break after the last: it ends at the start of the
    // next line (at the end of the text on the last line).
    b.Char = 1;
    const int count = source->lines_->Count();
    e = e.Line < count ? TBufferCoord{1, e.Line + 1}
                       : TBufferCoord{static_cast<int>(source->lines_->LineView(count - 1).size()) + 1, count};
  }
  // A column block is the cells between its columns on its lines: a drop beside it on one of them
  // is outside it, and moving it takes out the block's characters there and no line.
  const bool column = source->active_selection_mode_ == smColumn;
  int left = 0, right = 0;
  if (column && source == this) {
    left = CharIndexToColumn(block_begin_.Line, block_begin_.Char);
    right = CharIndexToColumn(block_end_.Line, block_end_.Char);
    if (left > right) std::swap(left, right);
  }
  bool move;
  if (source == this) {
    move = !Held(win::VK_CONTROL);
    bool outside;
    if (column) {
      const int at = CharIndexToColumn(drop.Line, drop.Char);
      outside = drop.Line < b.Line || drop.Line > e.Line || (move ? at < left || at > right : at <= left || at >= right);
    } else {
      outside = move ? Before(drop, b) || Before(e, drop) : !Before(b, drop) || !Before(drop, e);
    }
    if (!outside) return;
  } else {
    move = Held(win::VK_SHIFT);
  }
  // Text is never taken from a view that may not change.
  if (source->ReadOnly()) move = false;
  undo_list_->BeginBlock();
  TScopeExit end_block([&] { undo_list_->EndBlock(); });
  const std::u32string text = Utf8Decode(source->SelText());
  if (move) {
    // The drop point moves with the text after the removed part.
    TBufferCoord moved = drop;
    if (source == this && column && drop.Line >= b.Line && drop.Line <= e.Line &&
        CharIndexToColumn(drop.Line, drop.Char) >= right) {
      const int length = static_cast<int>(lines_->LineView(drop.Line - 1).size());
      const int first = ColumnToCharIndex(drop.Line, left);
      const int stop = std::min(ColumnToCharIndex(drop.Line, right), length + 1);
      if (first <= length && stop > first) moved.Char -= stop - first;
    } else if (source == this && !column && Before(e, drop)) {
      if (drop.Line == e.Line) moved.Char = b.Char + (drop.Char - e.Char);
      moved.Line -= e.Line - b.Line;
    }
    source->ReplaceSelectionUndoable(U"");
    drop = moved;
  }
  {
    const TPastEol past_eol(options_);
    DoSetCaretXY(drop);
    // The text goes in where the caret could go, and is recorded there.
    drop = CaretXY();
    SetBlockBegin(drop);
    if (SelAvail()) CodeAssertionFailed("CodeEdit");
    // The dragged text is plain text: it goes in as such whatever mode this editor is in.
    const TCodeSelectionMode mode = active_selection_mode_;
    active_selection_mode_ = smNormal;
    TScopeExit restore_mode([&] { active_selection_mode_ = mode; });
    const int length = drop.Line <= lines_->Count() ? static_cast<int>(lines_->LineView(drop.Line - 1).size()) : 0;
    if (drop.Char - 1 > length)
      undo_list_->AddChange(crWhiteSpaceAdd, {length + 1, drop.Line}, drop, U"", smNormal);
    undo_list_->Lock();
    {
      TScopeExit unlock([&] { undo_list_->Unlock(); });
      ReplaceSelectionEx(smNormal, text, true);
    }
    // What the drop overwrote is nothing: undo takes the text out and puts nothing back.
    undo_list_->AddChange(source == this ? crDragDropInsert : crInsert, drop, InsertedTextEnd(drop, text), U"",
                          smNormal);
  }
  // The dropped text ends selected, from its end back to its start.
  CommandProcessor(ecSelGotoXY, U'\0', &drop);
}

void TCustomCodeEdit::DoEndDrag(TObject* Target, int X, int Y) {
  // A drag that scrolled the text while outside it scrolls no further.
  scroll_timer_->SetEnabled(false);
  TCustomControl::DoEndDrag(Target, X, Y);
}

}  // namespace lab
