// Undo and redo: how an editor reacts when its undo lists grow (Modified, OnChange, the redo list
// emptied by a new change) and how it replays their items, one user step at a time.

#include <algorithm>
#include <utility>

#include "editor/codeedit.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

bool IsEndMarker(TCodeChangeReason Reason) {
  return Reason == crAutoCompleteEnd || Reason == crPasteEnd || Reason == crSpecial1End || Reason == crSpecial2End;
}

bool IsBeginMarker(TCodeChangeReason Reason) {
  return Reason == crAutoCompleteBegin || Reason == crPasteBegin || Reason == crSpecial1Begin ||
         Reason == crSpecial2Begin;
}

std::vector<std::u32string> SplitBreaks(const std::u32string& Text) {
  std::vector<std::u32string> pieces(1);
  for (std::size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == U'\r' || Text[i] == U'\n') {
      if (Text[i] == U'\r' && i + 1 < Text.size() && Text[i + 1] == U'\n') ++i;
      pieces.emplace_back();
    } else {
      pieces.back().push_back(Text[i]);
    }
  }
  return pieces;
}

// Puts the removed indentation (one piece a line, from FirstLine on, at Column) back in, or takes it
// out again.
void ChangeIndentation(TCodeEditStringList& Lines, int FirstLine, int Column, const std::u32string& Removed,
                       bool Insert) {
  const std::vector<std::u32string> pieces = SplitBreaks(Removed);
  Lines.BeginUpdate();
  TScopeExit end_lines([&] { Lines.EndUpdate(); });
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const int line = FirstLine + static_cast<int>(i);
    if (line > Lines.Count() || pieces[i].empty()) continue;
    std::u32string text = Lines.GetLine(line - 1);
    const auto at = static_cast<std::size_t>(Column - 1);
    if (Insert) {
      if (text.size() < at) text.resize(at, U' ');
      text.insert(at, pieces[i]);
    } else if (at < text.size()) {
      text.erase(at, std::min(pieces[i].size(), text.size() - at));
    }
    Lines.PutLine(line - 1, text);
  }
}

// Caret and selection items: what is there now goes to the other list, the item's state comes back.
void SwapCaretOrSelection(TCustomCodeEdit& Edit, const TCodeEditUndoItem& Item, TCodeEditUndoList& Into) {
  if (Item.ChangeReason() == crCaret) {
    const TBufferCoord caret = Edit.CaretXY();
    Edit.InternalSetCaretXY(Item.ChangeStartPos());
    Into.AddChange(crCaret, caret, caret, U"", Item.ChangeSelMode());
  } else {
    const TBufferCoord b = Edit.BlockBegin(), e = Edit.BlockEnd();
    Edit.SetBlockBegin(Item.ChangeStartPos());
    Edit.SetBlockEnd(Item.ChangeEndPos());
    Into.AddChange(crSelection, b, e, U"", Item.ChangeSelMode());
  }
}

// Whether Next belongs to the user step of an item of Reason in block Number: the same block, or with
// group undo a change of the same kind (indentation steps always stand alone). A block entered so
// is undone whole (Number becomes its number): stopped inside, it would show a text that never was.
bool SameStep(const TCodeEditUndoItem& Next, std::int32_t& Number, TCodeChangeReason Reason, bool GroupUndo) {
  if (Next.ChangeNumber() == Number) return true;
  if (!GroupUndo || Next.ChangeReason() != Reason || Reason == crIndent || Reason == crUnindent) return false;
  Number = Next.ChangeNumber();
  return true;
}

// Sets a list's block change number for a scope.
class TBlockNumber {
 public:
  TBlockNumber(TCodeEditUndoList* List, std::int32_t Number) : list_(List), saved_(List->BlockChangeNumber()) {
    List->SetBlockChangeNumber(Number);
  }
  ~TBlockNumber() { list_->SetBlockChangeNumber(saved_); }
  TBlockNumber(const TBlockNumber&) = delete;
  TBlockNumber& operator=(const TBlockNumber&) = delete;

 private:
  TCodeEditUndoList* list_;
  std::int32_t saved_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The lists growing

void TCustomCodeEdit::UndoRedoAdded(TObject* Sender) {
  if (Sender == undo_list_ && !trimmed_blanks_.empty()) {
    // The blanks the change trimmed are recorded after it; the list reports them in its place.
    RecordTrimmedBlanks();
    return;
  }
  const bool modified = !undo_list_->IsTopMarkedAsUnmodified();
  if (modified != modified_) {
    modified_ = modified;
    RecordStatusChange({scModified});
  }
  auto* list = static_cast<TCodeEditUndoList*>(Sender);
  if (list == undo_list_ && !undo_list_->InsideRedo() && undo_list_->CanUndo() &&
      undo_list_->PeekItem()->ChangeReason() != crGroupBreak)
    redo_list_->Clear();
  if (list->BlockCount() == 0) DoChange();
}

// ---------------------------------------------------------------------------------------------
// Undo and redo, a user step at a time

// One direction of replaying: the list the items come from and the one their replays go to, the
// replay of one item, the marker that opens a marked group on the list (the newest item: an end
// marker on the undo list, a begin marker on the redo list) and the step from it to the marker
// that closes it, whether group undo joins blocks of one kind, and what follows a closed group.
struct TCustomCodeEdit::TReplayDirection {
  TCodeEditUndoList* From;
  TCodeEditUndoList* To;
  void (TCustomCodeEdit::*Replay)();
  bool (*OpensGroup)(TCodeChangeReason);
  int ToClosingMarker;
  bool GroupUndo;
  void (*GroupClosed)(TCustomCodeEdit&);
};

void TCustomCodeEdit::Undo() {
  if (ReadOnly()) return;
  if (TCodeEditUndoItem* item = undo_list_->PeekItem(); item && item->ChangeReason() == crGroupBreak) {
    const TBlockNumber number(redo_list_, item->ChangeNumber());
    undo_list_->PopItem();
    redo_list_->AddGroupBreak();
  }
  if (!undo_list_->CanUndo()) return;
  ReplayStep({undo_list_, redo_list_, &TCustomCodeEdit::UndoItem, IsEndMarker, -1, options_.Contains(eoGroupUndo),
              [](TCustomCodeEdit& Edit) { Edit.SetModified(!Edit.undo_list_->IsTopMarkedAsUnmodified()); }});
}

void TCustomCodeEdit::Redo() {
  if (ReadOnly() || !redo_list_->CanUndo()) return;
  // The items one Undo moved here share its number: a step is redone as it was undone, never
  // together with another one of the same kind undone on its own.
  ReplayStep({redo_list_, undo_list_, &TCustomCodeEdit::RedoItem, IsBeginMarker, +1, false, nullptr});
  // A group break left newest on the redo list goes back to the undo list.
  if (TCodeEditUndoItem* item = redo_list_->PeekItem(); item && item->ChangeReason() == crGroupBreak) {
    const TBlockNumber number_of_break(undo_list_, item->ChangeNumber());
    redo_list_->PopItem();
    undo_list_->AddGroupBreak();
    SetModified(!undo_list_->IsTopMarkedAsUnmodified());
  }
}

// The items of one step, newest first: those of its block (with group undo, the following blocks of
// the same kind too), or a marked group whole, its closing marker included.
void TCustomCodeEdit::ReplayStep(const TReplayDirection& Direction) {
  TCodeEditUndoList* from = Direction.From;
  const TCodeChangeReason opening = from->LastChangeReason();
  const bool marker_group = Direction.OpensGroup(opening);
  const auto closing = static_cast<TCodeChangeReason>(opening + Direction.ToClosingMarker);
  std::int32_t number = from->PeekItem()->ChangeNumber();
  const TBlockNumber to_number(Direction.To, number);
  BeginUpdate();
  TScopeExit end_update([&] { EndUpdate(); });
  // Each item places the caret: its column is remembered, and the caret scrolled into view, once for
  // the step, where the last item left it.
  defer_caret_column_ = true;
  TScopeExit caret_column([&] { RememberDeferredCaretColumn(); });
  // The caret is placed and drawn by the next paint: a run of steps before it (undo-all, a key
  // repeated faster than painting) draws it once.
  caret_waits_for_paint_ = true;
  bool group_closed = false;
  {
    // While the items are replayed, lines are stored as the items say: trailing blanks trimmed by a
    // change have items of their own. The caret may stand past line ends, where positions beyond
    // MaxScrollWidth are reached too: text there (a long line loaded, tabs typed on past the caret's
    // limit) is taken out and put back whole.
    const TCodeEditorOptions options = options_;
    options_.Include(eoScrollPastEol);
    options_.Exclude(eoTrimTrailingSpaces);
    const bool replaying = std::exchange(replaying_, true);
    TScopeExit restore([&] {
      options_ = options;
      replaying_ = replaying;
    });
    for (;;) {
      const TCodeChangeReason reason = from->PeekItem()->ChangeReason();
      (this->*Direction.Replay)();
      const TCodeEditUndoItem* next = from->PeekItem();
      if (!next) break;
      if (marker_group) {
        if (next->ChangeReason() != closing) continue;
        (this->*Direction.Replay)();
        group_closed = true;
        break;
      }
      if (!SameStep(*next, number, reason, Direction.GroupUndo)) break;
    }
  }
  if (group_closed && Direction.GroupClosed) Direction.GroupClosed(*this);
  // What follows a change of the lines beyond the selection (the gutter's digits, the top line
  // clamped) waits for the step's end too.
  if (std::exchange(lines_changed_in_step_, false)) LinesSettled();
  ScrollCaretIntoView();
}

// As PlaceCaretAndSelection(Begin, Begin, End) for a selection about to be replaced: a selection
// there was is repainted, the new one is not painted on its own.
void TCustomCodeEdit::SelectToReplace(TBufferCoord Begin, TBufferCoord End) {
  if (SelAvail()) InvalidateSelection();
  InternalSetCaretXY(Begin);
  block_begin_ = ClampBlockEnd(Begin);
  block_end_ = options_.Contains(eoNoSelection) ? block_begin_ : ClampBlockEnd(End);
  RecordStatusChange({scSelection});
}

// ---------------------------------------------------------------------------------------------
// An item undone

void TCustomCodeEdit::UndoItem() {
  std::unique_ptr<TCodeEditUndoItem> item = undo_list_->PopItem();
  if (!item) return;
  const TBufferCoord start = item->ChangeStartPos(), end = item->ChangeEndPos();
  const TCodeSelectionMode mode = item->ChangeSelMode();
  const TCodeChangeReason reason = item->ChangeReason();
  active_selection_mode_ = mode;
  switch (reason) {
    case crInsert:
    case crPaste:
    case crDragDropInsert: {
      if (mode == smNormal && start.Line == end.Line && start.Char < end.Char && item->ChangeStr().empty() &&
          start.Line <= lines_->Count() &&
          static_cast<std::size_t>(end.Char - 1) <= lines_->LineView(start.Line - 1).size()) {
        // Characters typed into one line (the commonest item by far) go in place: what selecting
        // and replacing them would do, without a selection made to be replaced at once.
        if (SelAvail()) InvalidateSelection();
        std::u32string removed;
        lines_->LineView(start.Line - 1)
            .substr(static_cast<std::size_t>(start.Char - 1), static_cast<std::size_t>(end.Char - start.Char))
            .AppendTo(removed);
        InternalSetCaretXY(start);
        lines_->DeleteChars(start.Line - 1, start.Char - 1, end.Char - start.Char);
        block_begin_ = block_end_ = CaretXY();
        RecordStatusChange({scSelection});
        NotifyLinesDeleted(start.Line, 0);
        redo_list_->AddChange(reason, start, start, removed, mode);
        break;
      }
      SelectToReplace(start, end);
      const std::u32string removed = DeletedSelText();
      ReplaceSelectionEx(mode, item->ChangeStr(), false);
      // The redo item ends where the text the insertion overwrote ends, now that it is back, so
      // that redoing overwrites it again.
      const TBufferCoord restored_end = item->ChangeStr().empty() ? start : CaretXY();
      InternalSetCaretXY(start);
      redo_list_->AddChange(reason, start, restored_end, removed, mode);
      break;
    }
    case crDeleteAfterCursor:
    case crDelete:
    case crSilentDelete:
    case crSilentDeleteAfterCursor:
    case crTrailingBlanksTrimmed:
    case crDeleteAll: {
      TBufferCoord p = MinBufferCoord(start, end);
      if (mode == smColumn) p = {std::min(start.Char, end.Char), std::min(start.Line, end.Line)};
      if ((reason == crDeleteAfterCursor || reason == crSilentDeleteAfterCursor) && p.Line > lines_->Count())
        lines_->AddLine(U"");
      DoSetCaretXY(p);
      if (mode == smColumn) {
        // A column block goes back by its display column, each line's piece where tabs put that
        // column on the line. The end at that column kept it: the characters before it stayed.
        const int left = std::min(CharIndexToColumn(start.Line, start.Char), CharIndexToColumn(end.Line, end.Char));
        RestoreColumnBlock(p.Line, left, item->ChangeStr(), false);
      } else {
        ReplaceSelectionEx(mode, item->ChangeStr(), false);
      }
      switch (reason) {
        case crDeleteAfterCursor:
          PlaceCaretAndSelection(start, start, end);
          break;
        case crDelete:
          PlaceCaretAndSelection(end, start, end);
          break;
        case crSilentDelete:
          DoSetCaretXY(end);
          break;
        case crSilentDeleteAfterCursor:
        case crTrailingBlanksTrimmed:
          DoSetCaretXY(start);
          break;
        default:
          DoSetCaretXY({1, 1});
          break;
      }
      redo_list_->AddChange(reason, start, end, U"", mode);
      break;
    }
    case crLineBreak: {
      InternalSetCaretXY(start);
      std::u32string line = lines_->GetLine(caret_y_ - 1);
      const std::u32string& text = item->ChangeStr();
      // The blanks a trimmed line lost come back before the moved text; nothing moved, nothing
      // padded (blanks there would be ones the break never took away).
      const bool leading_blank = !text.empty() && (text[0] == U' ' || text[0] == U'\t');
      if (static_cast<int>(line.size()) < caret_x_ - 1 && !text.empty() && !leading_blank)
        line.resize(static_cast<std::size_t>(caret_x_ - 1), U' ');
      lines_->BeginUpdate();
      {
        TScopeExit end_lines([&] { lines_->EndUpdate(); });
        StoreLine(caret_y_ - 1, line + text);
        if (end.Line < lines_->Count()) lines_->Delete(end.Line);
      }
      NotifyLinesDeleted(caret_y_ + 1, 1);
      redo_list_->AddChange(crLineBreak, start, end, U"", mode);
      break;
    }
    case crIndent:
      PlaceCaretAndSelection(end, start, end);
      redo_list_->AddChange(crIndent, start, end, item->ChangeStr(), mode);
      break;
    case crUnindent:
      // The removed indentation goes back in, one piece a line, at the block's column.
      ChangeIndentation(*lines_, start.Line, mode == smColumn ? std::min(start.Char, end.Char) : 1, item->ChangeStr(),
                        true);
      PlaceCaretAndSelection(start, start, end);
      redo_list_->AddChange(crUnindent, start, end, item->ChangeStr(), mode);
      break;
    case crCaret:
    case crSelection:
      SwapCaretOrSelection(*this, *item, *redo_list_);
      break;
    case crWhiteSpaceAdd: {
      PlaceCaretAndSelection(start, start, end);
      const std::u32string removed = Utf8Decode(SelText());
      ReplaceSelectionEx(mode, item->ChangeStr(), true);
      InternalSetCaretXY(start);
      redo_list_->AddChange(crWhiteSpaceAdd, start, end, removed, mode);
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// An item redone

void TCustomCodeEdit::RedoItem() {
  std::unique_ptr<TCodeEditUndoItem> item = redo_list_->PopItem();
  if (!item) return;
  undo_list_->SetInsideRedo(true);
  TScopeExit inside([&] { undo_list_->SetInsideRedo(false); });
  const TBufferCoord start = item->ChangeStartPos(), end = item->ChangeEndPos();
  const TCodeSelectionMode mode = item->ChangeSelMode();
  const TCodeChangeReason reason = item->ChangeReason();
  active_selection_mode_ = mode;
  switch (reason) {
    case crInsert:
    case crPaste:
    case crDragDropInsert: {
      // What the insertion overwrote (back in place from its start to the item's end) is taken out
      // again and goes with the new undo item; a plain insertion overwrote nothing.
      PlaceCaretAndSelection(start, start, end);
      const std::u32string overwritten = DeletedSelText();
      ReplaceSelectionEx(mode, item->ChangeStr(), false);
      const TBufferCoord inserted_end = CaretXY();
      undo_list_->AddChange(reason, start, inserted_end, overwritten, mode);
      if (reason != crDragDropInsert) {
        block_begin_ = block_end_ = CaretXY();
      } else {
        PlaceCaretAndSelection(start, start, inserted_end);
      }
      break;
    }
    case crDeleteAfterCursor:
    case crSilentDeleteAfterCursor:
    case crTrailingBlanksTrimmed:
    case crDelete:
    case crSilentDelete: {
      SelectToReplace(start, end);
      const std::u32string removed = DeletedSelText();
      ReplaceSelectionEx(mode, U"", false);
      const bool to_end = reason == crDeleteAfterCursor || reason == crSilentDeleteAfterCursor;
      DoSetCaretXY(to_end ? end : start);
      undo_list_->AddChange(reason, start, end, removed, mode);
      break;
    }
    case crLineBreak: {
      DoSetCaretXY(start);
      // The break records its items again, under the number of the step being redone, so that
      // the step undoes as one again.
      const std::int32_t step = undo_list_->BlockChangeNumber();
      const int before = undo_list_->ItemCount();
      CommandProcessor(ecLineBreak, U'\r', nullptr);
      for (int i = before; i < undo_list_->ItemCount(); ++i) undo_list_->Items(i)->SetChangeNumber(step);
      undo_list_->SetBlockChangeNumber(step);
      break;
    }
    case crIndent:
      PlaceCaretAndSelection(end, start, end);
      undo_list_->AddChange(crIndent, start, end, item->ChangeStr(), mode);
      break;
    case crUnindent: {
      ChangeIndentation(*lines_, start.Line, mode == smColumn ? std::min(start.Char, end.Char) : 1, item->ChangeStr(),
                        false);
      const std::vector<std::u32string> pieces = SplitBreaks(item->ChangeStr());
      if (mode != smColumn)
        PlaceCaretAndSelection(start, {std::max(1, start.Char - tab_width_), start.Line},
                               {std::max(1, end.Char - static_cast<int>(pieces.back().size())), end.Line});
      else
        PlaceCaretAndSelection(start, start, end);
      undo_list_->AddChange(crUnindent, start, end, item->ChangeStr(), mode);
      break;
    }
    case crCaret:
    case crSelection:
      SwapCaretOrSelection(*this, *item, *undo_list_);
      break;
    case crWhiteSpaceAdd: {
      PlaceCaretAndSelection(start, start, start);
      ReplaceSelectionEx(mode, item->ChangeStr(), true);
      undo_list_->AddChange(crWhiteSpaceAdd, start, end, U"", mode);
      break;
    }
    default:
      break;
  }
  if (reason == crSelection || reason == crWhiteSpaceAdd || (reason == crUnindent && mode == smColumn))
    PlaceCaretAndSelection(start, start, end);
}

}  // namespace lab
