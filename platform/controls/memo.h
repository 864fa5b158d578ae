#pragma once
// TMemo: the multi-line edit. Its text is lines (CR LF between them in Text, WM_GETTEXT and the
// clipboard; CR LF, LF or a lone CR taken in), broken at word ends to the control's width unless
// WordWrap is off (then a horizontal scroll bar may scroll it), with a caret and a selection that
// the keys (arrows by characters and rows, Home/End by rows, Ctrl+Home/End, page keys) and the
// mouse (click, drag, double click for a word) set. Enter starts a line and Tab types a tab when
// WantReturns and WantTabs say so; otherwise a dialog or form takes them. Editing, the clipboard,
// undo and read-only mode are the single-line edit's (TCustomEdit). Painting draws only the rows
// on screen; the rows are laid out again when the text, the width or the font change.

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/controls/edit.h"
#include "platform/controls/standard_controls.h"

namespace lab {

class TCustomMemo : public TCustomEdit {
  LAB_CLASS(TCustomMemo, TCustomEdit)
 public:
  explicit TCustomMemo(TComponent* AOwner);

  // The lines of the text; an index outside them raises EListError.
  int LineCount() const;
  std::string LineText(int Index) const;
  // The selection with CR LF between its lines; a replacement may have breaks of any kind.
  std::string SelText() const override;
  void SetSelText(const std::string& Value) override;

  bool WordWrap() const noexcept { return word_wrap_; }
  void SetWordWrap(bool Value);
  bool WantReturns() const noexcept { return want_returns_; }
  void SetWantReturns(bool Value) { want_returns_ = Value; }
  bool WantTabs() const noexcept { return want_tabs_; }
  void SetWantTabs(bool Value) { want_tabs_ = Value; }
  TScrollStyle ScrollBars() const noexcept { return scroll_bars_; }
  void SetScrollBars(TScrollStyle Value);

  // Rows as laid out: how many, the text position each starts at, the row of a text position (a
  // position where a wrapped row ends counts to the next row), and the first row shown.
  int RowCount();
  int RowStart(int Row);
  int RowOfPos(int Pos);
  int TopRow() const noexcept { return top_row_; }
  void SetTopRow(int Value);
  int RowHeight();
  // The text position nearest a client point, and a position's place in the client area.
  int PosAtPoint(TPoint Point);
  TPoint PointOfPos(int Pos);

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  TRect GetEditRect() override;
  void EditKey(win::WORD Key, TShiftState Shift) override;
  void EditChar(char32_t Ch) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void UpdateCaret() override;
  void ScrollToCaret() override;
  void TextChanged() override;
  std::string WindowText() const override;

 private:
  struct TRow {
    int Start = 0;   // text position of its first character
    int Length = 0;  // its characters, without the line break that may end it
  };
  // The width of a character in the control's font (a tab's depends on where it stands).
  int CharWidth(char32_t Ch);
  int TabWidth();
  // The x of the position Pos within Row, from the row's left edge.
  int XInRow(const TRow& Row, int Pos);
  int PosInRow(const TRow& Row, int X);
  void Layout();
  void EnsureLayout();
  void Relayout();
  int VisibleRows();
  int MaxTopRow();
  int ContentWidth();
  void SetScrollX(int Value);
  void UpdateScrollBars();
  // Moves the caret to the row Row at the remembered x.
  void MoveToRow(int Row, bool Extend);
  void PasteText();

  bool word_wrap_ = true;
  bool want_returns_ = true;
  bool want_tabs_ = false;
  TScrollStyle scroll_bars_ = ssNone;
  std::vector<TRow> rows_;
  bool laid_out_ = false;
  int content_width_ = 0;
  int top_row_ = 0;
  int scroll_x_ = 0;
  int goal_x_ = -1;  // the x that moves up and down keep to; -1: the caret's
  bool selecting_ = false;
  std::unordered_map<char32_t, int> widths_;
};

class TMemo : public TCustomMemo {
  LAB_CLASS(TMemo, TCustomMemo)
 public:
  using TCustomMemo::TCustomMemo;
};

}  // namespace lab
