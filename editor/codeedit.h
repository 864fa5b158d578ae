#pragma once
// The text editor control. TCustomCodeEdit is a multi-line plain-text editor: it keeps its text in a
// TCodeEditStringList (text_buffer.h), draws it in fixed cells with a TTextDrawer (text_drawer.h),
// maps keys to editor commands through its keystrokes (keystrokes.h) and runs them in its command
// processor, records changes in its undo and redo lists (undo_list.h), shows a gutter with line
// numbers and marks (gutter.h, marks.h) and may wrap lines at the window's edge (word_wrap.h).
// TCodeEdit is the same control with its properties published for forms.
//
// Text positions (TBufferCoord) count characters, a tab being one; display positions (TDisplayCoord)
// count cells with tabs expanded to TabWidth and, under word wrap, rows instead of lines. Everything
// handed in and out as text (Lines, Text, SelText, the clipboard) is UTF-8.
//
// Updates are batched: BeginUpdate/EndUpdate count a paint lock; caret and scroll-bar updates and
// status changes collected under it are applied by the last EndUpdate, and every command runs inside
// one lock. Repaint requests made while the line list is inside its own update are collected and
// invalidated when that update ends.
//
// The class's parts live beside it, one source file each: the object model (codeedit.cpp), painting
// (codeedit_paint.cpp), caret, selection and scrolling (codeedit_caret.cpp), commands
// (codeedit_commands.cpp), undo and redo (codeedit_undo.cpp), the clipboard (codeedit_clipboard.cpp),
// the mouse (codeedit_mouse.cpp), window messages, caret and scroll bars (codeedit_messages.cpp),
// options, setters and line notifications (codeedit_options.cpp), marks and bookmarks
// (codeedit_marks.cpp), and the published properties (codeedit_properties.cpp).

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "editor/codeedit_types.h"
#include "editor/edit_types.h"
#include "editor/glyphs.h"
#include "editor/gutter.h"
#include "editor/highlighter.h"
#include "editor/kbd_handler.h"
#include "editor/keystrokes.h"
#include "editor/marks.h"
#include "editor/search_engine.h"
#include "editor/text_buffer.h"
#include "editor/text_drawer.h"
#include "editor/undo_list.h"
#include "editor/word_wrap.h"
#include "platform/controls/custom_control.h"
#include "platform/classes/unit_init.h"
#include "platform/controls/timer.h"

namespace lab {

class TCustomCodeEdit;

// A plug-in of an editor: it paints over the text after each paint and hears of lines inserted and
// deleted by the editing commands. It joins its editor when made and leaves it when freed; an editor
// frees the plug-ins it still holds.
class TCodeEditPlugin : public TObject {
  LAB_CLASS(TCodeEditPlugin, TObject)
 public:
  explicit TCodeEditPlugin(TCustomCodeEdit* AOwner);
  ~TCodeEditPlugin() override;
  TCodeEditPlugin(const TCodeEditPlugin&) = delete;
  TCodeEditPlugin& operator=(const TCodeEditPlugin&) = delete;

  TCustomCodeEdit* Editor() const noexcept { return owner_; }
  virtual void AfterPaint(TCanvas* /*ACanvas*/, const TRect& /*AClip*/, int /*FirstRow*/, int /*LastRow*/) {}
  // Lines are 1-based here, as the marks take them.
  virtual void LinesInserted(int /*FirstLine*/, int /*Count*/) {}
  virtual void LinesDeleted(int /*FirstLine*/, int /*Count*/) {}

 private:
  friend class TCustomCodeEdit;
  TCustomCodeEdit* owner_;
};

class TCustomCodeEdit : public TCustomControl {
  LAB_CLASS(TCustomCodeEdit, TCustomControl)
  LAB_PROPERTIES(TCustomCodeEdit, TCustomControl)
 public:
  explicit TCustomCodeEdit(TComponent* AOwner);
  ~TCustomCodeEdit() override;
  TCustomCodeEdit(const TCustomCodeEdit&) = delete;
  TCustomCodeEdit& operator=(const TCustomCodeEdit&) = delete;

  // ---- Text ----
  // The line list (the shared one while lines are shared); setting assigns the strings into it.
  TStrings* Lines() const noexcept { return lines_; }
  TCodeEditStringList* LineList() const noexcept { return lines_; }
  void SetLines(TStrings* Value);
  // The lines joined with CR LF, no break after the last; setting goes through Lines.
  std::string Text() const;
  void SetText(const std::string& Value);
  // The selected text: normal mode from BlockBegin to BlockEnd, line mode the whole lines, column
  // mode the cells between the two display columns of every line (padded with blanks unless
  // eoTrimTrailingSpaces); lines joined with CR LF.
  std::string SelText();
  // Replaces the selection (undoable).
  void SetSelText(const std::string& Value);
  // BlockBegin differs from BlockEnd (in column mode, their columns too).
  bool SelAvail() const;
  // A selection over more than one line, outside column mode.
  bool SelTabBlock() const;
  // The caret line's text; empty beyond the lines.
  std::string LineText() const;
  void SetLineText(const std::string& Value);
  // The word around the caret; the selection stays as it is.
  std::string WordAtCursor();
  // In this order: the lines cleared, the mark list emptied (its marks freed, but for the bookmarks,
  // which their slots keep), both undo lists cleared, Modified false. Works whatever ReadOnly is;
  // not undoable.
  void ClearAll();

  // ---- Updates ----
  void BeginUpdate();
  // Raises "Assertion failure (CodeEdit)" without a BeginUpdate. The last one applies what the
  // lock collected: the scroll bars, the caret column under word wrap, the caret, OnStatusChange.
  void EndUpdate();
  int PaintLock() const noexcept { return paint_lock_; }
  TCodeStateFlags StateFlags() const noexcept { return state_flags_; }
  TCodeStatusChanges StatusChanges() const noexcept { return status_changes_; }
  // Adds Changes; fires OnStatusChange at once outside a paint lock.
  void RecordStatusChange(TCodeStatusChanges Changes);

  // ---- Caret and selection ----
  int CaretX() const noexcept { return caret_x_; }
  void SetCaretX(int Value);
  int CaretY() const noexcept { return caret_y_; }
  void SetCaretY(int Value);
  TBufferCoord CaretXY() const noexcept { return {caret_x_, caret_y_}; }
  // Moves the caret and collapses the selection to it.
  void SetCaretXY(const TBufferCoord& Value) { DoSetCaretXY(Value); }
  // The caret's display position; under word wrap with WrapCaretPending, the end of the previous row.
  TDisplayCoord DisplayXY();
  int DisplayX() { return DisplayXY().Column; }
  int DisplayY() { return DisplayXY().Row; }
  int LastCaretX() const;
  bool CaretStepAside() const noexcept { return caret_step_aside_; }
  bool WrapCaretPending() const noexcept { return wrap_caret_pending_; }
  void RememberCaretColumn();
  void SetCaretAtDisplayPos(const TDisplayCoord& Value);
  TBufferCoord BlockBegin() const noexcept { return block_begin_; }
  void SetBlockBegin(TBufferCoord Value);
  TBufferCoord BlockEnd() const noexcept { return block_end_; }
  void SetBlockEnd(TBufferCoord Value);
  // The selection's ends in text order.
  TBufferCoord NormalizedBlockBegin() const;
  TBufferCoord NormalizedBlockEnd() const;
  TCodeSelectionMode SelectionMode() const noexcept { return selection_mode_; }
  // Also sets the active mode.
  void SetSelectionMode(TCodeSelectionMode Value);
  TCodeSelectionMode ActiveSelectionMode() const noexcept { return active_selection_mode_; }
  void SetActiveSelectionMode(TCodeSelectionMode Value);
  void SelectAll();
  void SelectWordAt(TBufferCoord P);
  void MoveCaretWithSelection(TBufferCoord From, TBufferCoord To, bool Extend);
  void PlaceCaretAndSelection(TBufferCoord Caret, TBufferCoord Begin, TBufferCoord End);
  void MoveCaretHorizontally(int DX, bool Extend);
  void MoveCaretVertically(int DY, bool Extend);
  void MoveToLineHome(bool Extend);
  void MoveToLineEnd(bool Extend);
  bool IsPointInSelection(const TBufferCoord& Value) const;

  // ---- Changing the text ----
  // ReplaceSelectionEx(ActiveSelectionMode, Text, true).
  void ReplaceSelection(std::u32string_view Text);
  // Deletes the selection (per the active mode) and inserts Text at the caret in PasteMode, inside
  // one paint lock and one update of the line list.
  void ReplaceSelectionEx(TCodeSelectionMode PasteMode, std::u32string_view Text, bool AddToUndoList);
  // In one undo block, with the deletion and insertion recorded.
  void ReplaceSelectionUndoable(std::u32string_view Text);
  // Replaces the selection (per the active mode) with Text put in as PasteMode at the caret, and
  // records the deletion, the blanks that pad short lines and the insertion (as Reason) so that undo
  // gives back the text before. The caller holds the undo block.
  void ReplaceSelectionRecorded(std::u32string_view Text, TCodeSelectionMode PasteMode, TCodeChangeReason Reason);
  // Where Text ends once it stands at At as normal or line text: the end of what undo takes out again
  // (the caret may stop short of it where the line lost trailing blanks).
  static TBufferCoord InsertedTextEnd(TBufferCoord At, std::u32string_view Text);
  // Line Index (0-based) := Text, trailing blanks removed with eoTrimTrailingSpaces.
  void StoreLine(int Index, std::u32string_view Text);
  // Text to store as line Index (0-based): with eoTrimTrailingSpaces, without its trailing blanks,
  // which are kept aside to be recorded as taken off the line's end right after the change that left
  // them (undo then gives them back before it undoes the change). The end is the line's end when
  // they are recorded: what the change puts before them later moves them along.
  std::u32string_view TrimmedForStore(int Index, std::u32string_view Text);
  // Records the blanks kept aside by TrimmedForStore, in the step of the undo list's newest item.
  void RecordTrimmedBlanks();
  // Lines inserted or deleted by editing: the marks follow, and the plug-ins hear of it.
  void NotifyLinesInserted(int FirstLine, int Count);
  void NotifyLinesDeleted(int FirstLine, int Count);
  void IndentBlock();
  void UnindentBlock();
  // Tab (ecTab): with eoTabIndent a selection of whole lines is indented; else a tab or spaces (to
  // the next stop, or with eoSmartTabs to the next word of a line above) replace the selection.
  void InsertTab();
  // Shift-Tab (ecShiftTab): unindents a selection of whole lines with eoTabIndent; else the blanks
  // before the caret back to the previous stop (or a word of a line above) go.
  void RemoveTab();
  // ecUpperCase .. ecToggleCaseBlock: the word at the caret, or the selection (one character without
  // one), changes case; undoable in one step. Another command raises "Assertion failure (CodeEdit)".
  void ChangeCase(TCodeEditorCommand Command);
  // Leading blanks of S (0 without eoAutoIndent), a tab counting TabWidth with ExpandTabs.
  int LeadingBlankCount(std::u32string_view S, bool ExpandTabs) const;
  // N blanks as tabs and spaces, or spaces only.
  std::u32string MakeIndent(int N, bool AllowTabs) const;

  // ---- Words and brackets ----
  bool IsIdentChar(char32_t C) const;
  bool IsWordBreakChar(char32_t C) const;
  // (The word and bracket searches are among the virtual operations; those without Ex start at the
  // caret.)

  // ---- Positions ----
  TDisplayCoord BufferToDisplayPos(const TBufferCoord& P) const;
  TBufferCoord DisplayToBufferPos(const TDisplayCoord& P) const;
  // Display rows: the line count, or the wrapped rows under word wrap.
  int DisplayRowCount();
  int RowToLine(int Row);
  int LineToRow(int Line);
  // (column, row) under a client pixel; the nearest one, halves to even, for the caret.
  TDisplayCoord PixelsToRowColumn(int X, int Y) const;
  TDisplayCoord PixelsToNearestRowColumn(int X, int Y) const;
  TPoint RowColumnToPixels(const TDisplayCoord& RowCol) const;
  // The x pixel of a display column.
  int ColumnToXValue(int Column) const { return RowColumnToPixels({Column, top_line_}).X; }
  // Places the caret at the text position nearest to a client pixel.
  void ComputeCaret(int X, int Y);

  // ---- Scrolling ----
  int TopLine() const noexcept { return top_line_; }
  void SetTopLine(int Value);
  int LeftChar() const noexcept { return left_char_; }
  void SetLeftChar(int Value);
  int LinesInWindow() const noexcept { return lines_in_window_; }
  int CharsInWindow() const noexcept { return chars_in_window_; }
  void ScrollCaretIntoView() { ScrollCaretIntoViewEx(false); }
  void ScrollCaretIntoViewEx(bool ForceToMiddle);
  void UpdateScrollBars();
  // Re-measures the window after a size or font change.
  void SizeOrFontChanged(bool FontChanged);
  bool IsScrolling() const noexcept { return is_scrolling_; }

  // ---- Metrics ----
  int CharWidth() const noexcept { return char_width_; }
  int TextHeight() const noexcept { return text_height_; }
  int GutterWidth() const noexcept { return gutter_width_; }
  int TextOffset() const noexcept { return text_offset_; }
  // TextHeight and CharWidth from the font styles in use (the highlighter's, else the font's).
  void RecalcCharExtent();

  // ---- Clipboard ----
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool CanPaste();

  // ---- Undo ----
  void Undo();
  void Redo();
  bool CanUndo() const { return !read_only_ && undo_list_->CanUndo(); }
  bool CanRedo() const { return !read_only_ && redo_list_->CanUndo(); }
  TCodeEditUndoList* UndoList() const noexcept { return undo_list_; }
  TCodeEditUndoList* RedoList() const noexcept { return redo_list_; }

  // ---- Marks and bookmarks ----
  TCodeEditMarkList* Marks() const noexcept { return marks_.get(); }
  // Bookmark 0 .. 9, or nullptr.
  TCodeEditMark* BookMarks(int Index) const;
  // Bookmark 0 .. 9 at character X of line Y (1 .. max(1, line count)); others are ignored.
  void SetBookmark(int BookMark, int X, int Y);
  void ClearBookmark(int BookMark);
  void GotoBookmark(int BookMark);
  // The position of a set bookmark; false when it is not set.
  bool GetBookMark(int BookMark, int& X, int& Y) const;
  bool IsBookmark(int BookMark) const { return BookMarks(BookMark) != nullptr; }

  // ---- Repaint requests ----
  void InvalidateGutter();
  // Lines 1-based; -1, -1 for all.
  void InvalidateGutterLines(int FirstLine, int LastLine);
  void InvalidateGutterLine(int Line) { InvalidateGutterLines(Line, Line); }
  void InvalidateLines(int FirstLine, int LastLine);
  void InvalidateLine(int Line) { InvalidateLines(Line, Line); }
  void InvalidateSelection();
  TRect PendingRepaintRect() const noexcept { return pending_repaint_rect_; }

  // ---- Commands (CommandProcessor and ExecuteCommand are among the virtual operations) ----
  // Handlers called around every command, in registration order.
  void RegisterCommandHandler(const THookedCommandEvent& AHandler, void* AHandlerData);
  void UnregisterCommandHandler(void* AHandlerData);
  TCodePendingKey PendingKey() const noexcept { return pending_key_; }

  // ---- Plug-ins and shared lines ----
  int PluginCount() const { return static_cast<int>(plugins_ ? plugins_->size() : 0); }
  TCodeEditPlugin* Plugins(int Index) const { return plugins_->at(static_cast<std::size_t>(Index)); }
  ICodeEditBufferPlugin* WordWrapPlugin() const noexcept { return word_wrap_plugin_.get(); }
  // Shares the lines and undo lists AEditor shows (both editors show and edit one text); lines
  // AEditor itself shares are shared with their owner.
  void SetLinesPointer(TCustomCodeEdit* AEditor);
  // Takes back the editor's own lines and undo lists.
  void RemoveLinesPointer();
  // The editor that owns the shared lines; nullptr while the editor shows its own.
  TCustomCodeEdit* ChainedEditor() const noexcept { return chained_editor_; }
  // Controls that take the focus instead of the editor.
  void AddFocusControl(TWinControl* AControl);
  void RemoveFocusControl(TWinControl* AControl);
  void SetFocus() override;

  // ---- Published settings ----
  TColor ActiveLineColor() const noexcept { return active_line_color_; }
  void SetActiveLineColor(TColor Value);
  TCodeBookMarkOpt* BookMarkOptions() const noexcept { return bookmark_options_.get(); }
  void SetBookMarkOptions(TCodeBookMarkOpt* Value) { bookmark_options_->Assign(Value); }
  using TWinControl::BorderStyle;
  void SetBorderStyle(TBorderStyle Value);
  int ExtraLineSpacing() const noexcept { return extra_line_spacing_; }
  void SetExtraLineSpacing(int Value);
  TCodeGutter* Gutter() const noexcept { return gutter_.get(); }
  void SetGutter(TCodeGutter* Value) { gutter_->Assign(Value); }
  bool HideSelection() const noexcept { return hide_selection_; }
  void SetHideSelection(bool Value);
  TCodeCustomHighlighter* Highlighter() const noexcept { return highlighter_; }
  void SetHighlighter(TCodeCustomHighlighter* Value);
  // A fixed-pitch font is taken as it is; another one is asked for again with fixed pitch.
  void SetFont(TFont* Value);
  TCodeEditCaretType InsertCaret() const noexcept { return insert_caret_; }
  void SetInsertCaret(TCodeEditCaretType Value);
  bool InsertMode() const noexcept { return insert_mode_; }
  void SetInsertMode(bool Value);
  TCodeEditKeyStrokes* Keystrokes() const noexcept { return keystrokes_.get(); }
  // nullptr clears the keystrokes.
  void SetKeystrokes(TCodeEditKeyStrokes* Value);
  // The widest a line can be: the caret stands at most one column past it, and a position there
  // plus a typed text never overflows.
  static constexpr int kMaxScrollWidthLimit = static_cast<int>(TLineString::max_size());
  int MaxScrollWidth() const noexcept { return max_scroll_width_; }
  // Kept within 1 .. kMaxScrollWidthLimit (-1 for "unlimited" is the limit's other end).
  void SetMaxScrollWidth(int Value);
  // The undo list's limit; setting gives both lists the limit, a negative value is ignored.
  int MaxUndo() const { return undo_list_->MaxUndoActions(); }
  void SetMaxUndo(int Value);
  bool Modified() const noexcept { return modified_; }
  void SetModified(bool Value);
  TCodeEditorOptions Options() const noexcept { return options_; }
  void SetOptions(TCodeEditorOptions Value);
  TCodeEditCaretType OverwriteCaret() const noexcept { return overwrite_caret_; }
  void SetOverwriteCaret(TCodeEditCaretType Value);
  bool ReadOnly() const noexcept { return GetReadOnly(); }
  int RightEdge() const noexcept { return right_edge_; }
  void SetRightEdge(int Value);
  TColor RightEdgeColor() const noexcept { return right_edge_color_; }
  void SetRightEdgeColor(TColor Value);
  TColor ScrollHintColor() const noexcept { return scroll_hint_color_; }
  void SetScrollHintColor(TColor Value) { scroll_hint_color_ = Value; }
  TScrollHintFormat ScrollHintFormat() const noexcept { return scroll_hint_format_; }
  void SetScrollHintFormat(TScrollHintFormat Value) { scroll_hint_format_ = Value; }
  TScrollStyle ScrollBars() const noexcept { return scroll_bars_; }
  void SetScrollBars(TScrollStyle Value);
  TCodeEditSearchCustom* SearchEngine() const noexcept { return search_engine_; }
  void SetSearchEngine(TCodeEditSearchCustom* Value);
  TCodeSelectedColor* SelectedColor() const noexcept { return selected_color_.get(); }
  void SetSelectedColor(TCodeSelectedColor* Value) { selected_color_->Assign(Value); }
  int TabWidth() const noexcept { return tab_width_; }
  // Taken within 1 .. kMaxTabWidth.
  void SetTabWidth(int Value);
  bool WantReturns() const noexcept { return want_returns_; }
  void SetWantReturns(bool Value) { want_returns_ = Value; }
  bool WantTabs() const noexcept { return want_tabs_; }
  void SetWantTabs(bool Value) { want_tabs_ = Value; }
  bool WordWrap() const noexcept { return word_wrap_plugin_ != nullptr; }
  void SetWordWrap(bool Value);
  TCodeGlyph* WordWrapGlyph() const noexcept { return word_wrap_glyph_.get(); }
  void SetWordWrapGlyph(TCodeGlyph* Value) { word_wrap_glyph_->Assign(Value); }

  // ---- Parts ----
  TTextDrawer* TextDrawer() const noexcept { return text_drawer_.get(); }
  TCodeEditKbdHandler* KbdHandler() const noexcept { return kbd_handler_.get(); }
  TTimer* ScrollTimer() const noexcept { return scroll_timer_.get(); }
  TCodeInternalImage* InternalImage() const noexcept { return internal_image_.get(); }

  // ---- Events ----
  TNotifyEvent OnChange;
  TCodeMarkEvent OnClearBookmark;
  TCodeMarkEvent OnPlaceBookmark;
  TProcessCommandEvent OnCommandProcessed;
  TProcessCommandEvent OnProcessCommand;
  TProcessCommandEvent OnProcessUserCommand;
  TContextHelpEvent OnContextHelp;
  TDropFilesEvent OnDropFiles;
  TGutterClickEvent OnGutterClick;
  TGutterGetTextEvent OnGutterGetText;
  TGutterPaintEvent OnGutterPaint;
  TCodeMouseCursorEvent OnMouseCursor;
  TCodePaintEvent OnPaint;
  TPaintTransientEvent OnPaintTransient;
  TReplaceTextEvent OnReplaceText;
  TCodeScrollEvent OnScroll;
  TSpecialLineColorsEvent OnSpecialLineColors;
  TStatusChangeEvent OnStatusChange;

  // ---- Virtual operations, in slot order ----
  virtual void InvalidateRect(const TRect& ARect, bool AErase);
  virtual void DoChange();
  virtual bool GetReadOnly() const { return read_only_; }
  // The line list's change notification: the end of its outermost update.
  virtual void LinesChanged(TObject* Sender);
  virtual void NotifyHookedCommandHandlers(bool AfterProcessing, TCodeEditorCommand& Command, char32_t& AChar,
                                           void* Data);
  virtual void PaintGutter(const TRect& AClip, int FirstRow, int LastRow);
  virtual void PaintTextLines(TRect AClip, int FirstRow, int LastRow, int FirstCol, int LastCol);
  virtual void InternalSetCaretXY(const TBufferCoord& Value) { SetCaretXYEx(true, Value); }
  virtual void DoSetCaretXY(const TBufferCoord& Value);
  virtual void SetCaretXYEx(bool CallEnsureCursorPos, TBufferCoord Value);
  virtual void SetReadOnly(bool Value);
  virtual void UpdateMouseCursor();
  // A handler that sets Mark to nil takes the mark over: it leaves the editor all the same.
  virtual void DoOnClearBookmark(TCodeEditMark*& Mark);
  virtual void DoOnCommandProcessed(TCodeEditorCommand Command, char32_t AChar, void* Data);
  // Only with OnGutterClick: the line under Y and the clicked mark of it (each mark adds Xoffset).
  virtual void DoOnGutterClick(TMouseButton Button, int X, int Y);
  virtual void DoOnPaint();
  virtual void DoOnPaintTransientEx(TTransientType TransientType, bool Lock);
  virtual void DoOnPaintTransient(TTransientType TransientType) { DoOnPaintTransientEx(TransientType, false); }
  virtual void DoOnPlaceMark(TCodeEditMark*& Mark);
  virtual void DoOnProcessCommand(TCodeEditorCommand& Command, char32_t& AChar, void* Data);
  // raCancel when unassigned.
  virtual TCodeReplaceAction DoOnReplaceText(const std::string& ASearch, const std::string& AReplace, int Line,
                                             int Column);
  virtual bool DoOnSpecialLineColors(int Line, TColor& Foreground, TColor& Background);
  virtual void DoOnStatusChange();
  // Fires the command events, offers the command to the hooked handlers and executes it.
  virtual void CommandProcessor(TCodeEditorCommand Command, char32_t AChar, void* Data);
  // The caret to the matching bracket; it stays where it is when there is none.
  virtual void FindMatchingBracket();
  // (0, 0) when the position holds no bracket or it has no partner.
  virtual TBufferCoord GetMatchingBracket() { return GetMatchingBracketEx(CaretXY()); }
  virtual TBufferCoord GetMatchingBracketEx(const TBufferCoord& APoint);
  virtual void ExecuteCommand(TCodeEditorCommand Command, char32_t AChar, void* Data);
  virtual TBufferCoord NextWordPos() { return NextWordPosEx(CaretXY()); }
  virtual TBufferCoord NextWordPosEx(const TBufferCoord& XY);
  virtual TBufferCoord WordStart() { return WordStartEx(CaretXY()); }
  virtual TBufferCoord WordStartEx(const TBufferCoord& XY);
  virtual TBufferCoord WordEnd() { return WordEndEx(CaretXY()); }
  virtual TBufferCoord WordEndEx(const TBufferCoord& XY);
  virtual TBufferCoord PrevWordPos() { return PrevWordPosEx(CaretXY()); }
  virtual TBufferCoord PrevWordPosEx(const TBufferCoord& XY);
  virtual void SetDefaultKeystrokes();

  // ---- Framework overrides ----
  void DefineProperties(TFiler& Filer) override;
  // While designing, text that equals the old name follows the new one.
  void SetName(const std::string& NewName) override;
  void Loaded() override;
  void WndProc(TMessage& Message) override;
  // Text dragged from an editor: a writable editor takes it (the caret follows the mouse), moving
  // it (within one editor unless Ctrl is held; between two with Shift; never out of a read-only one)
  // or copying it, and selects it where it was dropped. Other sources get the framework's handling.
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Paint() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(win::WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  // The font changed: the text metrics, window metrics, gutter and caret follow.
  void FontChanged() override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  // The end of a drag stops the drag-scroll timer.
  void DoEndDrag(TObject* Target, int X, int Y) override;

  // The command the keystrokes give for a key pressed with Shift; keeps the first key of a sequence.
  TCodeEditorCommand TranslateKeyCode(win::WORD Code, TShiftState Shift, void*& Data);
  void InitializeCaret();
  void UpdateCaret();
  void HideCaret();
  void ShowCaret();
  void ComputeScroll(int X, int Y);

 private:
  friend class TCodeEditPlugin;
  friend class TCodeEditMark;
  friend class TCodeWordWrapPlugin;

  // ---- Line-list notifications ----
  void ListCleared(TObject* Sender);
  void ListDeleted(TObject* Sender, int Index, int Count);
  void ListInserted(TObject* Sender, int Index, int Count);
  void ListPutted(TObject* Sender, int Index, int Count);
  // After the lines changed: the gutter's digit count and the top line follow the line count.
  void LinesSettled();
  // Highlighter states from line Index (0-based) on until they agree again; answers the last line
  // rescanned.
  int ScanFrom(int Index);
  void ScanRanges();
  void HookLines(TCodeEditStringList* AList);
  // Calls Handler for every editor that shows this one's own lines.
  template <class F>
  void ForEachLineListener(F&& Handler);

  // ---- Handlers of the owned parts ----
  void UndoRedoAdded(TObject* Sender);
  void GutterChanged(TObject* Sender);
  void SelectedColorChanged(TObject* Sender);
  void BookMarkOptionsChanged(TObject* Sender);
  void MarkListChanged(TObject* Sender);
  void HighlighterAttrChanged(TObject* Sender);
  // The view follows a highlighter set or gone: character extent, word-wrap breaks, ranges.
  void HighlighterChanged();
  void ScrollTimerHandler(TObject* Sender);
  void SetGutterWidth(int Value);

  // Keeps eoScrollPastEol on for a scope, so that the caret may stand beyond a line's end.
  class TPastEol {
   public:
    explicit TPastEol(TCodeEditorOptions& Options) : options_(Options), was_on_(Options.Contains(eoScrollPastEol)) {
      options_.Include(eoScrollPastEol);
    }
    ~TPastEol() {
      if (!was_on_) options_.Exclude(eoScrollPastEol);
    }
    TPastEol(const TPastEol&) = delete;
    TPastEol& operator=(const TPastEol&) = delete;

   private:
    TCodeEditorOptions& options_;
    bool was_on_;
  };

  // ---- Commands ----
  // The commands that change text (codeedit_typing.cpp). ImeString: an input method's string.
  // False when a character beyond MaxScrollWidth was refused.
  bool TypeText(std::u32string_view Text, bool ImeString);
  void DeleteLastChar();
  void DeleteChar();
  void DeleteToWordOrLineEnd(bool WordEnd);
  void DeleteToWordOrLineStart(bool WordStart);
  void DeleteCaretLine();
  // ecLineBreak (the caret goes to the new line) and ecInsertLine (it stays).
  void BreakLine(bool MoveCaret);
  // Deletes the selection, recorded as deleted (ByDirection: as made backwards when it was).
  void DeleteSelectionRecorded(bool ByDirection);
  // Line (the caret's) filled with blanks up to Upto characters, the blanks recorded as added; tabs
  // may make up the blanks of an empty line with AllowTabs.
  std::u32string PadToCaret(const std::u32string& Line, int Upto, bool AllowTabs);
  void FollowCaretHorizontally();
  void CollapseSelectionAtCaret();
  // A selection of more than one line, or of one whole line (Tab and Shift-Tab indent it).
  bool SelectsWholeLines() const;
  void DoLinesDeleteSelection(TBufferCoord B, TBufferCoord E);
  // The cells of a column block on each of its lines, lines joined with CR LF; Padded fills a line
  // that ends inside the block with blanks up to its right column.
  std::u32string ColumnBlockText(bool Padded) const;
  // What deleting the selection takes out of the lines: SelText, but a column block's lines without
  // the blanks that fill short ones (undo puts back just what was there).
  std::u32string DeletedSelText();
  // Puts the lines of Text back into a column block that was deleted, each at the block's left
  // Column on its line from FirstLine on; a line that gave nothing gets nothing. With Record, each
  // piece is recorded as a column piece inserted.
  void RestoreColumnBlock(int FirstLine, int Column, std::u32string_view Text, bool Record);
  void InsertText(std::u32string_view Text, TCodeSelectionMode PasteMode, bool AddToUndoList);
  void UndoItem();
  void RedoItem();
  void SelectToReplace(TBufferCoord Begin, TBufferCoord End);
  // Ends the deferral of RememberCaretColumn that an undo or redo step starts, remembering the
  // column where a deferred call left it stale.
  void RememberDeferredCaretColumn();
  // Replays one user step of an undo or redo list (the direction says which and how its marked
  // groups open and close) in one paint lock, the options that replaying needs set once for all its
  // items; the caret's column, the caret scrolled into view and what follows the lines' change settle
  // once at the end, and the next paint draws the caret.
  struct TReplayDirection;
  void ReplayStep(const TReplayDirection& Direction);
  // A selection end within the text (and, in normal mode, within its line).
  TBufferCoord ClampBlockEnd(TBufferCoord Value) const;
  // The caret's and a selection end's last column beyond line ends: past MaxScrollWidth by one, or
  // anywhere a line can reach while undo or redo replays an item.
  int MaxCaretChar() const noexcept { return replaying_ ? kMaxScrollWidthLimit + 1 : max_scroll_width_ + 1; }
  // A character index of a line to its column with tabs expanded, and back (the smallest index
  // whose column reaches Column); characters beyond the line's end count one column each.
  int CharIndexToColumn(int Line, int Char) const;
  int ColumnToCharIndex(int Line, int Column) const;
  // Calls Piece with each piece of a normal or line selection's text in order (line text, breaks).
  template <class F>
  void VisitSelection(F&& Piece);

  // ---- Window messages ----
  void WMGetDlgCode(TMessage& Message);
  void WMGetText(TMessage& Message);
  void WMGetTextLength(TMessage& Message);
  void WMSetText(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMHScroll(TMessage& Message);
  void WMVScroll(TMessage& Message);
  void WMClipboard(TMessage& Message);
  // Files dropped on the window: OnDropFiles hears of them (each name whole) with the drop point.
  void WMDropFiles(TMessage& Message);

  // Repaints collected while the lines change, invalidated now: a scroll then moves them with the
  // pixels they belong to.
  void FlushPendingRepaint();

  // ---- Fields, in declaration order ----
  TBufferCoord block_begin_{1, 1};
  TBufferCoord block_end_{1, 1};
  int caret_x_ = 1;
  int last_caret_x_ = 1;
  int caret_y_ = 1;
  int chars_in_window_ = 0;
  int char_width_ = 1;
  std::unique_ptr<TFont> font_dummy_;
  int ime_count_ = 0;
  // Trailing blanks trimmed off stored lines and not yet recorded (see TrimmedForStore).
  struct TTrimmedBlanks {
    int line;  // 1-based
    std::u32string blanks;
  };
  std::vector<TTrimmedBlanks> trimmed_blanks_;
  bool caret_step_aside_ = false;
  // While an undo or redo step is replayed, the caret's column is remembered once, when it is done,
  // and the caret is scrolled into view once.
  bool defer_caret_column_ = false;
  bool lines_changed_in_step_ = false;
  // After an undo or redo step the caret stays off the screen until the next paint places it; the
  // paint is asked for once, by the caret's cell invalidated.
  bool caret_waits_for_paint_ = false;
  bool caret_paint_asked_ = false;
  bool replaying_ = false;
  bool caret_column_stale_ = false;
  bool insert_mode_ = true;
  TCodeEditStringList* lines_ = nullptr;
  std::unique_ptr<TCodeEditStringList> orig_lines_;
  std::unique_ptr<TCodeEditUndoList> orig_undo_list_;
  std::unique_ptr<TCodeEditUndoList> orig_redo_list_;
  int lines_in_window_ = 0;
  int left_char_ = 1;
  int max_scroll_width_ = 1024;
  int paint_lock_ = 0;
  bool read_only_ = false;
  int right_edge_ = 80;
  TColor right_edge_color_ = clSilver;
  TColor scroll_hint_color_ = clInfoBk;
  TScrollHintFormat scroll_hint_format_ = shfTopLineOnly;
  TScrollStyle scroll_bars_ = ssBoth;
  int text_height_ = 1;
  int text_offset_ = 0;
  int top_line_ = 1;
  TCodeCustomHighlighter* highlighter_ = nullptr;
  std::unique_ptr<TCodeSelectedColor> selected_color_;
  TColor active_line_color_ = clNone;
  TCodeEditUndoList* undo_list_ = nullptr;
  TCodeEditUndoList* redo_list_ = nullptr;
  std::array<TCodeEditMark*, 10> bookmarks_{};
  int mouse_down_x_ = 0;
  int mouse_down_y_ = 0;
  std::unique_ptr<TCodeBookMarkOpt> bookmark_options_;
  bool hide_selection_ = false;
  int mouse_wheel_accumulator_ = 0;
  TCodeEditCaretType overwrite_caret_ = ctBlock;
  TCodeEditCaretType insert_caret_ = ctVerticalLine;
  TPoint caret_offset_{0, 0};
  std::unique_ptr<TCodeEditKeyStrokes> keystrokes_;
  bool modified_ = false;
  std::unique_ptr<TCodeEditMarkList> marks_;
  int extra_line_spacing_ = 0;
  TCodeSelectionMode selection_mode_ = smNormal;
  TCodeSelectionMode active_selection_mode_ = smNormal;
  bool want_returns_ = true;
  bool want_tabs_ = false;
  std::unique_ptr<TCodeWordWrapPlugin> word_wrap_plugin_;
  std::unique_ptr<TCodeGlyph> word_wrap_glyph_;
  bool wrap_caret_pending_ = false;
  std::unique_ptr<TCodeGutter> gutter_;
  int tab_width_ = 8;
  std::unique_ptr<TTextDrawer> text_drawer_;
  TRect pending_repaint_rect_{};
  TCodeStateFlags state_flags_;
  TCodeEditorOptions options_;
  TCodeStatusChanges status_changes_;
  TCodePendingKey pending_key_;
  TCodeEditSearchCustom* search_engine_ = nullptr;
  struct THookedCommandHandler {
    THookedCommandEvent Event;
    void* Data;
  };
  std::unique_ptr<std::vector<THookedCommandHandler>> hooked_command_handlers_;
  std::unique_ptr<TCodeEditKbdHandler> kbd_handler_;
  std::vector<TWinControl*> focus_list_;
  std::unique_ptr<std::vector<TCodeEditPlugin*>> plugins_;
  std::unique_ptr<TTimer> scroll_timer_;
  int scroll_delta_x_ = 0;
  int scroll_delta_y_ = 0;
  bool show_special_chars_ = false;
  int paint_transient_lock_ = 0;
  bool is_scrolling_ = false;
  // The editor that owns the lines this one shows while it shares them.
  TCustomCodeEdit* chained_editor_ = nullptr;
  // The editors that share this one's own lines: its line list tells them of every change, and they
  // take their own lines back before this one goes.
  std::vector<TCustomCodeEdit*> sharing_editors_;
  int gutter_width_ = 0;
  std::unique_ptr<TCodeInternalImage> internal_image_;
  // What UpdateScrollBars last gave each bar (horizontal, vertical), so that it is not drawn again
  // for nothing.
  struct TAppliedScrollBar {
    bool valid = false;
    bool shown = false;
    win::UINT disabled = 0;
    win::UINT mask = 0;
  };
  std::array<TAppliedScrollBar, 2> applied_scroll_bars_{};
};

class TCodeEdit : public TCustomCodeEdit {
  LAB_CLASS(TCodeEdit, TCustomCodeEdit)
  LAB_PROPERTIES(TCodeEdit, TCustomCodeEdit)
 public:
  using TCustomCodeEdit::TCustomCodeEdit;
};

// The editor unit's start-up: TCodeEdit becomes known by name for form text.
extern const TUnit CodeEditUnit;

}  // namespace lab
