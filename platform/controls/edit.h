#pragma once
// TCustomEdit: the single-line edit control, painted by itself. Text with a caret and a selection,
// set by the mouse (click, drag, double click for a word) and the keys (arrows and Home/End, with
// Ctrl by words and with Shift extending), cut, copy and paste through the clipboard, one-step undo,
// a length limit, character case, read-only mode and OnChange after every change of the text.
// What the keys and characters do to the text is TEditLine's (edit_line.h).

#include <string>

#include "platform/controls/custom_control.h"
#include "platform/controls/edit_line.h"

namespace lab {

class TCustomEdit : public TCustomControl {
  LAB_CLASS(TCustomEdit, TCustomControl)
 public:
  explicit TCustomEdit(TComponent* AOwner);
  ~TCustomEdit() override;

  // The text as the window holds it (SetText is TControl's; it fires OnChange).
  std::string Text() { return GetText(); }

  int SelStart() const noexcept { return line_.SelStart(); }
  void SetSelStart(int Value);
  int SelLength() const noexcept { return line_.SelLength(); }
  void SetSelLength(int Value);
  virtual std::string SelText() const;
  // Replaces the selection as pasting does.
  virtual void SetSelText(const std::string& Value);
  int MaxLength() const noexcept { return line_.MaxLength; }
  // 0: no limit. Text already longer stays.
  void SetMaxLength(int Value) { line_.MaxLength = Value; }
  bool ReadOnly() const noexcept { return line_.ReadOnly; }
  void SetReadOnly(bool Value) { line_.ReadOnly = Value; }
  TEditCharCase CharCase() const noexcept { return line_.CharCase; }
  // Converts the text already there.
  void SetCharCase(TEditCharCase Value);
  // Entering the edit with the keyboard selects all of it.
  bool AutoSelect() const noexcept { return auto_select_; }
  void SetAutoSelect(bool Value) { auto_select_ = Value; }
  bool HideSelection() const noexcept { return hide_selection_; }
  void SetHideSelection(bool Value);
  bool Modified() const noexcept { return line_.Modified; }
  void SetModified(bool Value) { line_.Modified = Value; }

  void Clear() { SetText(""); }
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void SelectAll();
  bool CanUndo() const noexcept { return line_.CanUndo(); }
  void Undo();
  void ClearUndo() { line_.ClearUndo(); }

  TNotifyEvent OnChange;

  void Dispatch(TMessage& Message) override;

 protected:
  // Fires OnChange; runs after every change of the text.
  virtual void Change();
  // Asked before the user changes the text; false keeps it as it is.
  virtual bool EditCanModify() { return true; }
  // The rectangle the text is drawn in, in client coordinates.
  virtual TRect GetEditRect();

  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  // The edit's own handling of keys and characters that KeyDown and KeyPress left (as a native edit
  // window does after the framework's events).
  void DefaultHandler(TMessage& Message) override;
  virtual void EditKey(win::WORD Key, TShiftState Shift);
  virtual void EditChar(char32_t Ch);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DoEnter() override;

  // The text model. Descendants that change it directly call TextChanged afterwards.
  TEditLine& Line() noexcept { return line_; }
  const TEditLine& Line() const noexcept { return line_; }
  // After a change of the text: repaint, caret, OnChange.
  virtual void TextChanged();
  // After a move of the caret or selection: repaint and caret.
  void SelectionChanged();
  // The text position nearest a client x coordinate, and a position's x coordinate.
  int PosFromX(int X);
  int XFromPos(int Pos);
  // The characters drawn in place of the text (a password edit draws '*'s, say).
  virtual std::u32string DisplayText() const { return line_.Text(); }
  // The text as WM_GETTEXT gives it (a multi-line edit puts CR LF between its lines).
  virtual std::string WindowText() const;
  // Places the caret where the text's caret is, and scrolls the text so that it shows (a multi-line
  // edit has lines to place it on).
  virtual void UpdateCaret();
  virtual void ScrollToCaret();

 private:
  void FocusChanged(bool Focused);
  // Applies one editing operation of the line; OnChange when it changed the text.
  template <class F>
  void Edit(F Operation);

  TEditLine line_;
  bool auto_select_ = true;
  bool hide_selection_ = true;
  bool selecting_ = false;  // the left button drags a selection
  bool has_caret_ = false;
  int scroll_ = 0;           // pixels of the text scrolled out at the left
  bool entered_by_mouse_ = false;
};

class TEdit : public TCustomEdit {
  LAB_CLASS(TEdit, TCustomEdit)
 public:
  using TCustomEdit::TCustomEdit;
};

}  // namespace lab
