// Options, property setters and change notifications: what each setter does beyond storing its
// value, the reactions to the line list's notifications (highlighter rescan, word wrap, repaint,
// scroll width), the text metrics, and the handlers of the editor's owned parts.

#include <algorithm>
#include <set>

#include "editor/codeedit.h"
#include "platform/controls/drop_files.h"
#include "platform/graphics/gdi.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"
#include "platform/win/window_functions.h"

namespace lab {

// ---------------------------------------------------------------------------------------------
// Options

void TCustomCodeEdit::SetOptions(TCodeEditorOptions Value) {
  if (Value == options_) return;
  const bool drop_files_changed = Value.Contains(eoDropFiles) != options_.Contains(eoDropFiles);
  // Re-applied under the options still in force.
  if (!options_.Contains(eoScrollPastEol)) SetLeftChar(left_char_);
  if (!options_.Contains(eoScrollPastEof)) SetTopLine(top_line_);
  const bool scroll_options_changed = (Value * kCodeEditScrollOptions) != (options_ * kCodeEditScrollOptions);
  options_ = Value;
  InternalSetCaretXY(CaretXY());
  if (options_.Contains(eoScrollPastEol)) {
    const TBufferCoord b = NormalizedBlockBegin(), e = NormalizedBlockEnd();
    SetBlockBegin(b);
    SetBlockEnd(e);
  }
  if (drop_files_changed && HandleAllocated() && !ComponentState().Contains(csDesigning))
    DragAcceptFiles(Handle(), options_.Contains(eoDropFiles));
  if (options_.Contains(eoShowSpecialChars) != show_special_chars_) {
    show_special_chars_ = options_.Contains(eoShowSpecialChars);
    Invalidate();
  }
  if (scroll_options_changed) UpdateScrollBars();
}

// ---------------------------------------------------------------------------------------------
// Setters

void TCustomCodeEdit::SetActiveLineColor(TColor Value) {
  if (active_line_color_ == Value) return;
  active_line_color_ = Value;
  InvalidateLine(caret_y_);
}

void TCustomCodeEdit::SetBorderStyle(TBorderStyle Value) { TWinControl::SetBorderStyle(Value); }

void TCustomCodeEdit::SetExtraLineSpacing(int Value) {
  extra_line_spacing_ = Value;
  RecalcCharExtent();
  SizeOrFontChanged(true);
}

void TCustomCodeEdit::SetHideSelection(bool Value) {
  if (hide_selection_ == Value) return;
  hide_selection_ = Value;
  InvalidateSelection();
}

void TCustomCodeEdit::SetHighlighter(TCodeCustomHighlighter* Value) {
  if (Value == highlighter_) return;
  if (highlighter_) {
    highlighter_->UnhookAttrChangeEvent(TNotifyMethod(this, &TCustomCodeEdit::HighlighterAttrChanged));
    highlighter_->RemoveFreeNotification(this);
  }
  if (Value) {
    Value->HookAttrChangeEvent(TNotifyMethod(this, &TCustomCodeEdit::HighlighterAttrChanged));
    Value->FreeNotification(this);
  }
  highlighter_ = Value;
  HighlighterChanged();
}

void TCustomCodeEdit::HighlighterChanged() {
  if (ComponentState().Contains(csDestroying)) return;
  // Rows break after the characters that make up no identifier, which the highlighter decides.
  if (word_wrap_plugin_) word_wrap_plugin_->Reset();
  RecalcCharExtent();
  if (highlighter_)
    ScanRanges();
  else
    Invalidate();
  SizeOrFontChanged(true);
}

void TCustomCodeEdit::HighlighterAttrChanged(TObject* /*Sender*/) {
  RecalcCharExtent();
  if (highlighter_) ScanRanges();
  SizeOrFontChanged(true);
  Invalidate();
}

void TCustomCodeEdit::SetInsertCaret(TCodeEditCaretType Value) {
  if (insert_caret_ == Value) return;
  insert_caret_ = Value;
  InitializeCaret();
}

void TCustomCodeEdit::SetOverwriteCaret(TCodeEditCaretType Value) {
  if (overwrite_caret_ == Value) return;
  overwrite_caret_ = Value;
  InitializeCaret();
}

void TCustomCodeEdit::SetInsertMode(bool Value) {
  if (insert_mode_ == Value) return;
  insert_mode_ = Value;
  if (!ComponentState().Contains(csDesigning)) InitializeCaret();
  RecordStatusChange({scInsertMode});
}

void TCustomCodeEdit::SetKeystrokes(TCodeEditKeyStrokes* Value) {
  if (!Value)
    keystrokes_->Clear();
  else
    keystrokes_->Assign(Value);
}

void TCustomCodeEdit::SetMaxScrollWidth(int Value) {
  Value = std::clamp(Value, 1, kMaxScrollWidthLimit);
  if (max_scroll_width_ == Value) return;
  max_scroll_width_ = Value;
  if (options_.Contains(eoScrollPastEol)) UpdateScrollBars();
}

void TCustomCodeEdit::SetMaxUndo(int Value) {
  if (Value < 0) return;
  undo_list_->SetMaxUndoActions(Value);
  redo_list_->SetMaxUndoActions(Value);
}

void TCustomCodeEdit::SetModified(bool Value) {
  if (modified_ == Value) return;
  modified_ = Value;
  if (!Value && options_.Contains(eoGroupUndo) && undo_list_->CanUndo()) undo_list_->AddGroupBreak();
  undo_list_->MarkTopAsUnmodified(!Value);
  RecordStatusChange({scModified});
}

void TCustomCodeEdit::SetRightEdge(int Value) {
  if (right_edge_ == Value) return;
  right_edge_ = Value;
  Invalidate();
}

void TCustomCodeEdit::SetRightEdgeColor(TColor Value) {
  if (right_edge_color_ == Value) return;
  right_edge_color_ = Value;
  if (!HandleAllocated()) return;
  const std::int64_t x = std::int64_t{right_edge_} * char_width_ + text_offset_;
  const int left = static_cast<int>(std::clamp<std::int64_t>(x - 1, -1, ClientWidth() + 1));
  InvalidateRect({left, 0, left + 2, ClientHeight()}, false);
}

void TCustomCodeEdit::SetScrollBars(TScrollStyle Value) {
  if (scroll_bars_ == Value) return;
  scroll_bars_ = Value;
  UpdateScrollBars();
  Invalidate();
}

void TCustomCodeEdit::SetSearchEngine(TCodeEditSearchCustom* Value) {
  if (search_engine_ == Value) return;
  if (search_engine_) search_engine_->RemoveFreeNotification(this);
  search_engine_ = Value;
  if (Value) Value->FreeNotification(this);
}

void TCustomCodeEdit::SetTabWidth(int Value) {
  Value = std::clamp(Value, 1, kMaxTabWidth);  // a width of 0 would divide by zero wherever tabs expand
  if (tab_width_ == Value) return;
  tab_width_ = Value;
  lines_->SetTabWidth(Value);
  Invalidate();
  if (word_wrap_plugin_) {
    word_wrap_plugin_->Reset();
    InvalidateGutter();
  }
}

void TCustomCodeEdit::SetWordWrap(bool Value) {
  if (WordWrap() == Value) return;
  Invalidate();
  const TDisplayCoord caret = DisplayXY();
  const bool caret_in_view = caret.Row >= top_line_ && caret.Row < top_line_ + std::max(1, lines_in_window_) &&
                             caret.Column >= left_char_ && caret.Column <= left_char_ + chars_in_window_;
  const int top_text_line = RowToLine(top_line_);
  if (Value) {
    word_wrap_plugin_ = std::make_unique<TCodeWordWrapPlugin>(this);
    SetLeftChar(1);
  } else {
    word_wrap_plugin_.reset();
  }
  SetTopLine(LineToRow(top_text_line));
  UpdateScrollBars();
  if (options_.Contains(eoScrollPastEol)) {
    InternalSetCaretXY(CaretXY());
    const TBufferCoord b = NormalizedBlockBegin(), e = NormalizedBlockEnd();
    SetBlockBegin(b);
    SetBlockEnd(e);
  }
  if (caret_in_view) ScrollCaretIntoView();
}

void TCustomCodeEdit::SetFont(TFont* Value) {
  if (!Value) return;
  // A fixed-pitch font is used as it is; another one is asked for again with fixed pitch.
  win::HDC dc = win::CreateCompatibleDC(nullptr);
  win::HGDIOBJ old = win::SelectObject(dc, Value->Handle());
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(dc, &tm);
  win::SelectObject(dc, old);
  win::DeleteDC(dc);
  if (tm.tmAveCharWidth == tm.tmMaxCharWidth) {
    TControl::SetFont(Value);
  } else {
    font_dummy_->SetColor(Value->Color());
    font_dummy_->SetPitch(fpFixed);
    font_dummy_->SetSize(Value->Size());
    font_dummy_->SetStyle(Value->Style());
    font_dummy_->SetName(Value->Name());
    TControl::SetFont(font_dummy_.get());
  }
  if (gutter_->ShowLineNumbers()) GutterChanged(gutter_.get());
}

// ---------------------------------------------------------------------------------------------
// Metrics

void TCustomCodeEdit::RecalcCharExtent() {
  // The styles in use: the highlighter's (bold and italic combinations), else the font's.
  std::set<std::uint64_t> styles;
  if (highlighter_)
    for (int i = 0; i < highlighter_->AttrCount(); ++i) {
      TFontStyles style = highlighter_->Attribute(i)->Style() * TFontStyles{fsBold, fsItalic};
      styles.insert(style.Value());
    }
  if (styles.empty()) styles.insert(Font()->Style().Value());
  int height = 0, width = 0;
  const TFontStyles base = text_drawer_->BaseStyle();
  for (std::uint64_t bits : styles) {
    text_drawer_->SetBaseStyle(TFontStyles::FromValue(bits));
    height = std::max(height, text_drawer_->CharHeight());
    width = std::max(width, text_drawer_->CharWidth());
  }
  text_drawer_->SetBaseStyle(base);
  // Never below one pixel: a large negative spacing would make every division by them fail; never
  // above what window coordinates of a few rows (and the caret's rectangle) can hold.
  constexpr std::int64_t kMaxTextHeight = 32767;
  text_height_ = static_cast<int>(std::clamp<std::int64_t>(std::int64_t{height} + extra_line_spacing_, 1, kMaxTextHeight));
  char_width_ = std::max(1, width);
}

void TCustomCodeEdit::FontChanged() {
  TCustomControl::FontChanged();
  if (!text_drawer_) return;  // still being made
  text_drawer_->SetBaseFont(Font());
  RecalcCharExtent();
  SizeOrFontChanged(true);
}

void TCustomCodeEdit::SetGutterWidth(int Value) {
  Value = std::max(0, Value);
  if (gutter_width_ == Value) {
    InvalidateGutter();
    return;
  }
  gutter_width_ = Value;
  text_offset_ = SaturateCast<int>(std::int64_t{gutter_width_} + 2 - (std::int64_t{left_char_} - 1) * char_width_);
  if (HandleAllocated()) {
    chars_in_window_ = std::max(0, (ClientWidth() - gutter_width_ - 2) / char_width_);
    if (word_wrap_plugin_) word_wrap_plugin_->DisplayChanged();
    UpdateScrollBars();
    Invalidate();
  }
}

void TCustomCodeEdit::GutterChanged(TObject* /*Sender*/) {
  if (ComponentState().Contains(csLoading)) return;
  if (gutter_->ShowLineNumbers() && gutter_->AutoSize()) gutter_->AutoSizeDigitCount(lines_->Count());
  int width;
  if (gutter_->UseFontStyle()) {
    // The numbers are drawn in the gutter's own font.
    TTextDrawer measure(TFontStyles{}, gutter_->Font());
    width = gutter_->RealGutterWidth(measure.CharWidth());
  } else {
    width = gutter_->RealGutterWidth(char_width_);
  }
  SetGutterWidth(width);
}

void TCustomCodeEdit::SelectedColorChanged(TObject* /*Sender*/) { InvalidateSelection(); }

void TCustomCodeEdit::BookMarkOptionsChanged(TObject* /*Sender*/) { InvalidateGutter(); }

// ---------------------------------------------------------------------------------------------
// The line list's notifications

int TCustomCodeEdit::ScanFrom(int Index) {
  const int count = lines_->Count();
  if (!highlighter_ || Index < 0 || Index >= count) return Index;
  if (Index > 0)
    highlighter_->SetRange(lines_->Ranges(Index - 1));
  else
    highlighter_->ResetRange();
  for (;;) {
    highlighter_->SetLine(lines_->GetLine(Index), Index);
    highlighter_->NextToEol();
    const TCodeEditRange range = highlighter_->GetRange();
    if (lines_->Ranges(Index) == range) return Index;
    lines_->SetRanges(Index, range);
    if (++Index >= count) return Index - 1;
  }
}

void TCustomCodeEdit::ScanRanges() {
  if (!highlighter_ || lines_->Count() == 0) return;
  highlighter_->ResetRange();
  for (int i = 0; i < lines_->Count(); ++i) {
    highlighter_->SetLine(lines_->GetLine(i), i);
    highlighter_->NextToEol();
    lines_->SetRanges(i, highlighter_->GetRange());
  }
}

void TCustomCodeEdit::ListCleared(TObject* /*Sender*/) {
  if (word_wrap_plugin_) word_wrap_plugin_->Reset();
  undo_list_->Clear();
  redo_list_->Clear();
  pending_repaint_rect_ = TRect{};
  Invalidate();
  DoSetCaretXY({1, 1});
  SetTopLine(1);
  SetLeftChar(1);
  RecordStatusChange({scAll});
}

void TCustomCodeEdit::ListDeleted(TObject* /*Sender*/, int Index, int Count) {
  if (Count <= 0) return;  // nothing cut at the end of the list
  if (highlighter_ && lines_->Count() > 0) ScanFrom(std::min(Index, lines_->Count() - 1));
  if (word_wrap_plugin_) word_wrap_plugin_->LinesDeleted(Index, Count);
  InvalidateLines(Index + 1, INT32_MAX);
  InvalidateGutterLines(Index + 1, INT32_MAX);
}

void TCustomCodeEdit::ListInserted(TObject* /*Sender*/, int Index, int Count) {
  if (highlighter_ && lines_->Count() > 0) {
    // Every inserted line, then on while the states differ.
    int line = Index;
    while (line < Index + Count && line < lines_->Count()) line = ScanFrom(line) + 1;
  }
  if (word_wrap_plugin_) word_wrap_plugin_->LinesInserted(Index, Count);
  InvalidateLines(Index + 1, INT32_MAX);
  InvalidateGutterLines(Index + 1, INT32_MAX);
  if (options_.Contains(eoAutoSizeMaxScrollWidth)) {
    const std::int64_t length = lines_->ExpandedStringLengths(Index);
    if (length > max_scroll_width_) SetMaxScrollWidth(SaturateCast<int>(length));
  }
}

void TCustomCodeEdit::ListPutted(TObject* /*Sender*/, int Index, int Count) {
  if (word_wrap_plugin_) {
    if (word_wrap_plugin_->LinesPutted(Index, Count) != 0) {
      // The numbers of the lines below move to other rows too.
      InvalidateLines(Index + 1, INT32_MAX);
      InvalidateGutterLines(Index + 1, INT32_MAX);
    } else
      InvalidateGutterLines(Index + 1, Index + Count);
  }
  if (highlighter_) {
    const int last = ScanFrom(Index);
    InvalidateLines(Index + 1, last + 1);
  } else {
    InvalidateLines(Index + 1, Index + Count);
  }
  if (options_.Contains(eoAutoSizeMaxScrollWidth)) {
    const std::int64_t length = lines_->ExpandedStringLengths(Index);
    if (length > max_scroll_width_) SetMaxScrollWidth(SaturateCast<int>(length));
  }
}

// ---------------------------------------------------------------------------------------------
// Components going away, renaming

void TCustomCodeEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // The component is half destroyed: its pointer is forgotten, nothing of it is called (its hooks
  // and notification lists go with it).
  if (AComponent == search_engine_) search_engine_ = nullptr;
  if (AComponent == highlighter_) {
    highlighter_ = nullptr;
    HighlighterChanged();
  }
  if (AComponent == chained_editor_) RemoveLinesPointer();
  if (bookmark_options_ && bookmark_options_->BookmarkImages() &&
      AComponent == static_cast<TComponent*>(bookmark_options_->BookmarkImages())) {
    bookmark_options_->SetBookmarkImages(nullptr);
    InvalidateGutter();
  }
}

void TCustomCodeEdit::SetName(const std::string& NewName) {
  const std::string old_name = Name();
  const bool follows =
      ComponentState().Contains(csDesigning) && !ComponentState().Contains(csLoading) && TrimRight(Text()) == old_name;
  TCustomControl::SetName(NewName);
  if (follows) SetText(NewName);
}

}  // namespace lab
