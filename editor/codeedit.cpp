// The editor's object model: construction and destruction, the paint lock, the text as lines and as
// one string, the selected text, clearing, pixel positions, gutter clicks, the key flow, plug-ins and
// lines shared between editors.

#include "editor/codeedit.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "editor/edit_exceptions.h"
#include "platform/classes/class_registry.h"
#include "platform/controls/window_styles.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"
#include "platform/win/window_functions.h"

namespace lab {

namespace {

void StartCodeEdit() {
  // Forms that hold an editor are read by class name.
  RegisterClasses<TCodeEdit>();
}

}  // namespace

constinit const TUnit CodeEditUnit{"CodeEdit", &StartCodeEdit};

// ---------------------------------------------------------------------------------------------
// Plug-ins

TCodeEditPlugin::TCodeEditPlugin(TCustomCodeEdit* AOwner) : owner_(AOwner) {
  if (!owner_) return;
  if (!owner_->plugins_) owner_->plugins_ = std::make_unique<std::vector<TCodeEditPlugin*>>();
  owner_->plugins_->push_back(this);
}

TCodeEditPlugin::~TCodeEditPlugin() {
  if (owner_ && owner_->plugins_) std::erase(*owner_->plugins_, this);
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

TCustomCodeEdit::TCustomCodeEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  UseUnit(CodeEditUnit);
  orig_lines_ = std::make_unique<TCodeEditStringList>();
  lines_ = orig_lines_.get();
  HookLines(lines_);

  font_dummy_ = std::make_unique<TFont>();
  orig_undo_list_ = std::make_unique<TCodeEditUndoList>(this);
  orig_undo_list_->OnAddedUndo = [this](TObject* Sender) { UndoRedoAdded(Sender); };
  orig_redo_list_ = std::make_unique<TCodeEditUndoList>(this);
  orig_redo_list_->OnAddedUndo = [this](TObject* Sender) { UndoRedoAdded(Sender); };
  undo_list_ = orig_undo_list_.get();
  redo_list_ = orig_redo_list_.get();

  active_line_color_ = clNone;
  selected_color_ = std::make_unique<TCodeSelectedColor>();
  selected_color_->OnChange = [this](TObject* Sender) { SelectedColorChanged(Sender); };
  bookmark_options_ = std::make_unique<TCodeBookMarkOpt>(this);
  bookmark_options_->OnChange = [this](TObject* Sender) { BookMarkOptionsChanged(Sender); };
  right_edge_ = 80;

  gutter_ = std::make_unique<TCodeGutter>();
  gutter_->OnChange = [this](TObject* Sender) { GutterChanged(Sender); };
  gutter_width_ = gutter_->Width();
  word_wrap_glyph_ = std::make_unique<TCodeGlyph>("CodeEditWrapped", clLime);
  word_wrap_glyph_->OnChange = [this](TObject*) { InvalidateGutter(); };
  text_offset_ = gutter_width_ + 2;

  TControlStyle style = ControlStyle();
  style += TControlStyle{csOpaque, csSetCaption, csNeedsBorderPaint};
  SetControlStyle(style);
  SetBounds(Left(), Top(), 200, 150);
  TControl::SetCursor(crIBeam);
  TControl::SetColor(clWindow);
  font_dummy_->SetName("monospace");
  font_dummy_->SetSize(10);
  font_dummy_->SetCharset(win::DEFAULT_CHARSET);

  text_drawer_ = std::make_unique<TTextDrawer>(TFontStyles{fsBold}, font_dummy_.get());
  Font()->Assign(font_dummy_.get());

  SetParentFont(false);
  SetParentColor(false);
  SetTabStop(true);
  insert_mode_ = true;
  max_scroll_width_ = 1024;
  scroll_bars_ = ssBoth;
  TWinControl::SetBorderStyle(bsSingle);
  insert_caret_ = ctVerticalLine;
  overwrite_caret_ = ctBlock;
  selection_mode_ = active_selection_mode_ = smNormal;

  kbd_handler_ = std::make_unique<TCodeEditKbdHandler>();
  keystrokes_ = std::make_unique<TCodeEditKeyStrokes>(this);
  marks_ = std::make_unique<TCodeEditMarkList>(this);
  marks_->OnChange = [this](TObject* Sender) { MarkListChanged(Sender); };
  SetDefaultKeystrokes();

  right_edge_color_ = clSilver;
  ime_count_ = 0;
  caret_step_aside_ = false;
  want_returns_ = true;
  want_tabs_ = false;
  tab_width_ = 8;
  left_char_ = top_line_ = 1;
  caret_x_ = last_caret_x_ = caret_y_ = 1;
  block_begin_ = block_end_ = {1, 1};
  options_ = kCodeEditDefaultOptions;

  scroll_timer_ = std::make_unique<TTimer>(nullptr);
  scroll_timer_->SetEnabled(false);
  scroll_timer_->SetInterval(100);
  scroll_timer_->OnTimer = [this](TObject* Sender) { ScrollTimerHandler(Sender); };
  scroll_hint_color_ = clInfoBk;
  scroll_hint_format_ = shfTopLineOnly;

  FontChanged();
}

TCustomCodeEdit::~TCustomCodeEdit() {
  // Marked as going first (an editor freed on its own, not through its owner, is not yet): letting
  // go of the highlighter and of shared lines then fires none of the editor's events.
  Destroying();
  // Nothing of the editor answers its window or its lines from here on.
  SetHighlighter(nullptr);
  while (!sharing_editors_.empty()) sharing_editors_.back()->RemoveLinesPointer();
  if (chained_editor_) RemoveLinesPointer();
  lines_->OnChange = nullptr;
  lines_->OnChanging = nullptr;
  lines_->OnCleared = nullptr;
  lines_->OnDeleted = nullptr;
  lines_->OnInserted = nullptr;
  lines_->OnPutted = nullptr;
  scroll_timer_->OnTimer = nullptr;
  DestroyHandle();
  hooked_command_handlers_.reset();
  if (plugins_) {
    // Each plug-in leaves the list as it goes.
    while (!plugins_->empty()) delete plugins_->back();
    plugins_.reset();
  }
  // A bookmark taken out of the mark list by ClearAll is its slot's to free.
  for (TCodeEditMark*& mark : bookmarks_) {
    if (mark && marks_->IndexOf(mark) < 0) delete mark;
    mark = nullptr;
  }
  word_wrap_plugin_.reset();
}

void TCustomCodeEdit::HookLines(TCodeEditStringList* AList) {
  AList->OnChange = [this](TObject* Sender) { ForEachLineListener([&](TCustomCodeEdit& E) { E.LinesChanged(Sender); }); };
  AList->OnChanging = [this](TObject*) {
    ForEachLineListener([](TCustomCodeEdit& E) { E.state_flags_.Include(sfLinesChanging); });
  };
  AList->OnCleared = [this](TObject* Sender) { ForEachLineListener([&](TCustomCodeEdit& E) { E.ListCleared(Sender); }); };
  AList->OnDeleted = [this](TObject* Sender, int Index, int Count) {
    ForEachLineListener([&](TCustomCodeEdit& E) { E.ListDeleted(Sender, Index, Count); });
  };
  AList->OnInserted = [this](TObject* Sender, int Index, int Count) {
    ForEachLineListener([&](TCustomCodeEdit& E) { E.ListInserted(Sender, Index, Count); });
  };
  AList->OnPutted = [this](TObject* Sender, int Index, int Count) {
    ForEachLineListener([&](TCustomCodeEdit& E) { E.ListPutted(Sender, Index, Count); });
  };
}

template <class F>
void TCustomCodeEdit::ForEachLineListener(F&& Handler) {
  // This editor while it shows its own lines, then every editor that shares them. A handler may
  // make an editor give the lines back: one that left is not told any more.
  if (lines_ == orig_lines_.get()) Handler(*this);
  if (sharing_editors_.empty()) return;
  const std::vector<TCustomCodeEdit*> sharing = sharing_editors_;
  for (TCustomCodeEdit* editor : sharing)
    if (std::find(sharing_editors_.begin(), sharing_editors_.end(), editor) != sharing_editors_.end())
      Handler(*editor);
}

void TCustomCodeEdit::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (BorderStyle() == bsSingle) Params.Style |= win::WS_BORDER;
  Params.Style |= win::WS_CLIPCHILDREN;
  Params.WindowClassStyle &= ~(win::CS_HREDRAW | win::CS_VREDRAW);
  if (Ctl3D() && BorderStyle() == bsSingle) {
    Params.Style &= ~win::WS_BORDER;
    Params.ExStyle |= win::WS_EX_CLIENTEDGE;
  }
}

void TCustomCodeEdit::Loaded() {
  TCustomControl::Loaded();
  GutterChanged(gutter_.get());
  UpdateScrollBars();
}

// ---------------------------------------------------------------------------------------------
// The paint lock

void TCustomCodeEdit::BeginUpdate() { ++paint_lock_; }

void TCustomCodeEdit::EndUpdate() {
  if (paint_lock_ <= 0) CodeAssertionFailed("CodeEdit");
  if (--paint_lock_ > 0 || !HandleAllocated()) return;
  if (!state_flags_.Contains(sfLinesChanging)) FlushPendingRepaint();
  if (state_flags_.Contains(sfScrollbarChanged)) UpdateScrollBars();
  if (WordWrap() && (status_changes_.Contains(scCaretX) || status_changes_.Contains(scCaretY)) &&
      chars_in_window_ > 0) {
    const TDisplayCoord caret = DisplayXY();
    if (caret.Column > chars_in_window_ + 1) {
      if (wrap_caret_pending_) {
        wrap_caret_pending_ = false;
      } else {
        caret_x_ = DisplayToBufferPos({chars_in_window_ + 1, caret.Row}).Char;
        status_changes_.Include(scCaretX);
      }
      RememberCaretColumn();
      state_flags_.Include(sfCaretChanged);
    }
  }
  if (state_flags_.Contains(sfCaretChanged)) UpdateCaret();
  if (!status_changes_.Empty()) DoOnStatusChange();
}

void TCustomCodeEdit::RecordStatusChange(TCodeStatusChanges Changes) {
  status_changes_ += Changes;
  if (paint_lock_ == 0) DoOnStatusChange();
}

void TCustomCodeEdit::DoOnStatusChange() {
  if (!OnStatusChange) return;
  const TCodeStatusChanges changes = status_changes_;
  status_changes_ = {};
  OnStatusChange(this, changes);
}

void TCustomCodeEdit::LinesChanged(TObject* /*Sender*/) {
  state_flags_.Exclude(sfLinesChanging);
  if (!HandleAllocated()) return;
  UpdateScrollBars();
  const TCodeSelectionMode mode = active_selection_mode_;
  SetBlockBegin(CaretXY());
  active_selection_mode_ = mode;
  // While painting waits, the lines changed wait with the rest of what is to be repainted.
  if (paint_lock_ == 0) FlushPendingRepaint();
  if (defer_caret_column_) {
    lines_changed_in_step_ = true;  // an undo or redo step settles them once
    return;
  }
  LinesSettled();
}

void TCustomCodeEdit::LinesSettled() {
  if (gutter_->ShowLineNumbers() && gutter_->AutoSize()) gutter_->AutoSizeDigitCount(lines_->Count());
  if (!options_.Contains(eoScrollPastEof)) SetTopLine(top_line_);
}

void TCustomCodeEdit::InvalidateRect(const TRect& ARect, bool AErase) {
  if (!HandleAllocated()) return;
  const win::RECT r = ARect;
  win::InvalidateRect(Handle(), &r, AErase);
}

// ---------------------------------------------------------------------------------------------
// Text

void TCustomCodeEdit::SetLines(TStrings* Value) {
  if (Value) lines_->Assign(Value);
}

std::string TCustomCodeEdit::Text() const { return lines_->Text(); }

void TCustomCodeEdit::SetText(const std::string& Value) { lines_->SetText(Value); }

bool TCustomCodeEdit::SelAvail() const {
  if (block_begin_ == block_end_) return false;
  if (active_selection_mode_ == smColumn) {
    // Columns are compared as the lines lay them out with their tabs (as the block's cells are
    // taken), not within wrapped rows: a block's two ends may fall in one column of two rows.
    auto column = [this](TBufferCoord P) {
      return P.Line >= 1 && P.Line <= lines_->Count() ? CharIndexToColumn(P.Line, P.Char) : P.Char;
    };
    return column(block_begin_) != column(block_end_);
  }
  return true;
}

bool TCustomCodeEdit::SelTabBlock() const {
  return active_selection_mode_ != smColumn && block_begin_.Line != block_end_.Line;
}

std::string TCustomCodeEdit::LineText() const {
  if (caret_y_ < 1 || caret_y_ > lines_->Count()) return {};
  return lines_->Strings(caret_y_ - 1);
}

void TCustomCodeEdit::SetLineText(const std::string& Value) {
  if (caret_y_ >= 1 && caret_y_ <= std::max(1, lines_->Count())) lines_->SetStrings(caret_y_ - 1, Value);
}

template <class F>
void TCustomCodeEdit::VisitSelection(F&& Piece) {
  static constexpr char kBreak[] = "\r\n";
  const TLineView line_break(kBreak, 2, 1);
  const TBufferCoord b = NormalizedBlockBegin();
  const TBufferCoord e = NormalizedBlockEnd();
  const int count = lines_->Count();
  switch (active_selection_mode_) {
    case smNormal: {
      if (b.Line > count) return;
      const auto from = static_cast<std::size_t>(b.Char - 1);
      if (b.Line == e.Line) {
        Piece(lines_->LineView(b.Line - 1).substr(from, static_cast<std::size_t>(e.Char - b.Char)));
        return;
      }
      Piece(lines_->LineView(b.Line - 1).substr(from));
      for (int line = b.Line + 1; line < e.Line && line <= count; ++line) {
        Piece(line_break);
        Piece(lines_->LineView(line - 1));
      }
      Piece(line_break);
      if (e.Line <= count) Piece(lines_->LineView(e.Line - 1).substr(0, static_cast<std::size_t>(e.Char - 1)));
      return;
    }
    case smLine: {
      // An end beyond the last line counts as an empty last line.
      const int last = std::min(e.Line, count);
      for (int line = b.Line; line <= last; ++line) {
        Piece(lines_->LineView(line - 1));
        if (line < count) Piece(line_break);
      }
      return;
    }
    case smColumn:  // its text is ColumnBlockText's
      return;
  }
}

std::string TCustomCodeEdit::SelText() {
  if (!SelAvail()) return {};
  if (active_selection_mode_ == smColumn) return Utf8Encode(ColumnBlockText(!options_.Contains(eoTrimTrailingSpaces)));
  // Written as UTF-8 straight from the lines into a string of its final size: a large selection
  // costs its UTF-8 once and no more.
  std::size_t size = 0;
  VisitSelection([&](TLineView Piece) { size += Piece.Utf8Size(); });
  std::string out;
  out.reserve(size);
  VisitSelection([&](TLineView Piece) { Piece.AppendUtf8(out); });
  return out;
}

std::u32string TCustomCodeEdit::ColumnBlockText(bool Padded) const {
  // The cells between the two columns on every line, as the lines are laid out with their tabs.
  const TBufferCoord b = NormalizedBlockBegin(), e = NormalizedBlockEnd();
  int left = CharIndexToColumn(block_begin_.Line, block_begin_.Char);
  int right = CharIndexToColumn(block_end_.Line, block_end_.Char);
  if (left > right) std::swap(left, right);
  std::u32string out;
  for (int line = b.Line; line <= e.Line; ++line) {
    const TLineView text = lines_->LineView(line - 1);
    const int length = static_cast<int>(text.size());
    const int first = ColumnToCharIndex(line, left);
    const int last = std::min(ColumnToCharIndex(line, right), length + 1);
    if (first <= length && last > first) text.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first)).AppendTo(out);
    if (Padded) {
      // A line that ends inside the block is filled up to the block's right column.
      const int end_column = CharIndexToColumn(line, length + 1);
      if (end_column < right) out.append(static_cast<std::size_t>(right - std::max(left, end_column)), U' ');
    }
    if (line < e.Line) out += U"\r\n";
  }
  return out;
}

std::u32string TCustomCodeEdit::DeletedSelText() {
  if (active_selection_mode_ == smColumn) return SelAvail() ? ColumnBlockText(false) : std::u32string();
  std::u32string out;
  if (active_selection_mode_ == smNormal && block_begin_.Line == block_end_.Line) {
    // Within one line (a typed character being undone), straight from it.
    const TBufferCoord b = NormalizedBlockBegin(), e = NormalizedBlockEnd();
    if (b.Line <= lines_->Count())
      lines_->LineView(b.Line - 1)
          .substr(static_cast<std::size_t>(b.Char - 1), static_cast<std::size_t>(e.Char - b.Char))
          .AppendTo(out);
    return out;
  }
  return Utf8Decode(SelText());
}

void TCustomCodeEdit::SetSelText(const std::string& Value) { ReplaceSelectionUndoable(Utf8Decode(Value)); }

void TCustomCodeEdit::ClearAll() {
  lines_->Clear();
  // The list owns its marks: those no bookmark slot keeps go with it.
  std::vector<TCodeEditMark*> freed;
  for (int i = 0; i < marks_->Count(); ++i)
    if (std::find(bookmarks_.begin(), bookmarks_.end(), marks_->Items(i)) == bookmarks_.end())
      freed.push_back(marks_->Items(i));
  marks_->Clear();
  for (TCodeEditMark* mark : freed) delete mark;
  undo_list_->Clear();
  redo_list_->Clear();
  SetModified(false);
}

// ---------------------------------------------------------------------------------------------
// Pixels and positions

TDisplayCoord TCustomCodeEdit::PixelsToRowColumn(int X, int Y) const {
  const std::int64_t column = (std::int64_t{X} - gutter_width_ - 2) / char_width_ + left_char_;
  const std::int64_t row = std::int64_t{Y} / text_height_ + top_line_;
  return {SaturateCast<int>(std::max<std::int64_t>(1, column)), SaturateCast<int>(std::max<std::int64_t>(1, row))};
}

TDisplayCoord TCustomCodeEdit::PixelsToNearestRowColumn(int X, int Y) const {
  const std::int64_t bottom = std::int64_t{lines_in_window_} * text_height_;
  std::int64_t y = Y;
  if (y >= bottom) y = std::max<std::int64_t>(0, bottom - 1);
  // A click on the right half of a character puts the caret after it; halves go to the even one.
  const double cells = static_cast<double>(std::int64_t{X} - gutter_width_ - 2) / char_width_;
  const std::int64_t column = left_char_ + Round(cells);
  const std::int64_t row = y / text_height_ + top_line_;
  return {SaturateCast<int>(std::max<std::int64_t>(1, column)), SaturateCast<int>(std::max<std::int64_t>(1, row))};
}

TPoint TCustomCodeEdit::RowColumnToPixels(const TDisplayCoord& RowCol) const {
  return {SaturateCast<int>((std::int64_t{RowCol.Column} - 1) * char_width_ + text_offset_),
          SaturateCast<int>((std::int64_t{RowCol.Row} - top_line_) * text_height_)};
}

void TCustomCodeEdit::ComputeCaret(int X, int Y) {
  TDisplayCoord p = PixelsToNearestRowColumn(X, Y);
  p.Row = std::clamp(p.Row, 1, std::max(1, DisplayRowCount()));
  SetCaretAtDisplayPos(p);
}

void TCustomCodeEdit::DoOnGutterClick(TMouseButton Button, int X, int Y) {
  if (!OnGutterClick) return;
  const int line = RowToLine(PixelsToRowColumn(X, Y).Row);
  if (line > lines_->Count()) return;
  TCodeEditMarks marks;
  marks_->GetMarksForLine(line, marks);
  TCodeEditMark* clicked = nullptr;
  std::int64_t offset = 0;
  for (TCodeEditMark* mark : marks) {
    if (!mark) break;
    offset += bookmark_options_->Xoffset();
    if (X < offset) {
      clicked = mark;
      break;
    }
  }
  OnGutterClick(this, Button, X, Y, line, clicked);
}

// ---------------------------------------------------------------------------------------------
// Events of the object model

void TCustomCodeEdit::DoChange() {
  if (OnChange) OnChange(this);
}

void TCustomCodeEdit::SetReadOnly(bool Value) {
  if (read_only_ == Value) return;
  read_only_ = Value;
  RecordStatusChange({scReadOnly});
}

TCodeReplaceAction TCustomCodeEdit::DoOnReplaceText(const std::string& ASearch, const std::string& AReplace,
                                                     int Line, int Column) {
  TCodeReplaceAction action = raCancel;
  if (OnReplaceText) OnReplaceText(this, ASearch, AReplace, Line, Column, action);
  return action;
}

// ---------------------------------------------------------------------------------------------
// Keys

void TCustomCodeEdit::SetDefaultKeystrokes() { keystrokes_->ResetDefaults(); }

TCodeEditorCommand TCustomCodeEdit::TranslateKeyCode(win::WORD Code, TShiftState Shift, void*& Data) {
  Data = nullptr;
  return lab::TranslateKeyCode(*keystrokes_, Code, Shift, pending_key_);
}

void TCustomCodeEdit::KeyDown(win::WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  kbd_handler_->ExecuteKeyDown(this, Key, Shift);
  void* data = nullptr;
  const TCodeEditorCommand command = TranslateKeyCode(Key, Shift, data);
  if (command != ecNone) {
    Key = 0;
    state_flags_.Include(sfIgnoreNextChar);
    CommandProcessor(command, U'\0', data);
  } else {
    state_flags_.Exclude(sfIgnoreNextChar);
  }
}

void TCustomCodeEdit::KeyPress(char32_t& Key) {
  // The characters of a committed input-method string arrived as one command already.
  if (ime_count_ > 0) {
    --ime_count_;
    return;
  }
  if (state_flags_.Contains(sfIgnoreNextChar)) {
    state_flags_.Exclude(sfIgnoreNextChar);
    return;
  }
  TCustomControl::KeyPress(Key);
  kbd_handler_->ExecuteKeyPress(this, Key);
  if (Key != 0) CommandProcessor(ecChar, Key, nullptr);
}

void TCustomCodeEdit::KeyUp(win::WORD& Key, TShiftState Shift) {
  TCustomControl::KeyUp(Key, Shift);
  kbd_handler_->ExecuteKeyUp(this, Key, Shift);
}

// ---------------------------------------------------------------------------------------------
// Hooked command handlers

void TCustomCodeEdit::RegisterCommandHandler(const THookedCommandEvent& AHandler, void* AHandlerData) {
  if (!AHandler) return;
  if (!hooked_command_handlers_) hooked_command_handlers_ = std::make_unique<std::vector<THookedCommandHandler>>();
  hooked_command_handlers_->push_back({AHandler, AHandlerData});
}

void TCustomCodeEdit::UnregisterCommandHandler(void* AHandlerData) {
  if (!hooked_command_handlers_) return;
  std::erase_if(*hooked_command_handlers_, [&](const THookedCommandHandler& h) { return h.Data == AHandlerData; });
}

void TCustomCodeEdit::NotifyHookedCommandHandlers(bool AfterProcessing, TCodeEditorCommand& Command,
                                                  char32_t& AChar, void* Data) {
  if (!hooked_command_handlers_ || hooked_command_handlers_->empty()) return;
  bool handled = false;
  // A copy: a handler may register or unregister others.
  const std::vector<THookedCommandHandler> handlers = *hooked_command_handlers_;
  for (const THookedCommandHandler& h : handlers) h.Event(this, AfterProcessing, handled, Command, AChar, Data, h.Data);
  if (handled) Command = ecNone;
}

// ---------------------------------------------------------------------------------------------
// Focus

void TCustomCodeEdit::AddFocusControl(TWinControl* AControl) {
  if (AControl && std::find(focus_list_.begin(), focus_list_.end(), AControl) == focus_list_.end())
    focus_list_.push_back(AControl);
}

void TCustomCodeEdit::RemoveFocusControl(TWinControl* AControl) { std::erase(focus_list_, AControl); }

void TCustomCodeEdit::SetFocus() {
  if (!focus_list_.empty())
    focus_list_.back()->SetFocus();
  else
    TCustomControl::SetFocus();
}

// ---------------------------------------------------------------------------------------------
// Lines shared between editors

void TCustomCodeEdit::SetLinesPointer(TCustomCodeEdit* AEditor) {
  if (!AEditor) return;
  // The lines are those of the editor that owns them; it tells every editor that shares them, so
  // editors may join and leave in any order.
  TCustomCodeEdit* owner = AEditor->chained_editor_ ? AEditor->chained_editor_ : AEditor;
  if (owner == this) {
    if (chained_editor_) RemoveLinesPointer();
    return;
  }
  if (owner == chained_editor_) return;
  if (chained_editor_) RemoveLinesPointer();
  chained_editor_ = owner;
  owner->FreeNotification(this);
  owner->sharing_editors_.push_back(this);
  lines_ = owner->orig_lines_.get();
  undo_list_ = owner->orig_undo_list_.get();
  redo_list_ = owner->orig_redo_list_.get();
  ListCleared(lines_);
  if (word_wrap_plugin_) word_wrap_plugin_->Reset();
  if (highlighter_) ScanRanges();
  Invalidate();
}

void TCustomCodeEdit::RemoveLinesPointer() {
  if (chained_editor_) {
    chained_editor_->RemoveFreeNotification(this);
    std::erase(chained_editor_->sharing_editors_, this);
  }
  chained_editor_ = nullptr;
  lines_ = orig_lines_.get();
  undo_list_ = orig_undo_list_.get();
  redo_list_ = orig_redo_list_.get();
  if (ComponentState().Contains(csDestroying)) return;
  ListCleared(lines_);
  if (word_wrap_plugin_) word_wrap_plugin_->Reset();
  if (highlighter_) ScanRanges();
  Invalidate();
}

}  // namespace lab
