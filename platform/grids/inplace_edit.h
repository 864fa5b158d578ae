#pragma once
// TInplaceEdit: the grid's single-line editor, placed over the current cell. It takes its text,
// mask and length limit from the grid (UpdateContents), hands navigation keys to the grid (Up and
// Down always; Left, Right, Home and End at the edges of its text when the editor always shows; Tab,
// Escape, PgUp, PgDn, Insert and Ctrl+Delete), and asks the grid whether a character may be typed
// (CanEditAcceptKey) and the text changed (CanEditModify).

#include "platform/controls/mask_edit.h"

namespace lab {

class TCustomGrid;

class TInplaceEdit : public TCustomMaskEdit {
  LAB_CLASS(TInplaceEdit, TCustomMaskEdit)
 public:
  explicit TInplaceEdit(TComponent* AOwner);

  TCustomGrid* Grid() const noexcept { return grid_; }
  // The caret to the end, nothing selected.
  void Deselect();
  void Hide();
  void Invalidate() override;
  // Shows the editor over Loc (an empty rectangle hides it) and focuses it when the grid has focus.
  void Move(const TRect& Loc);
  bool PosEqual(const TRect& Rect);
  void SetFocus() override;
  // Follows its cell after the grid scrolled, without repainting more than needed.
  void UpdateLoc(const TRect& Loc);
  // Shown on screen.
  bool Visible();
  // Reads the current cell: mask, text and limit.
  virtual void UpdateContents();

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

 protected:
  friend class TCustomGrid;
  void SetGrid(TCustomGrid* Value) noexcept { grid_ = Value; }
  void CreateParams(TCreateParams& Params) override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  bool EditCanModify() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(win::WORD& Key, TShiftState Shift) override;
  // The editor's size or place changed.
  virtual void BoundsChanged();

 private:
  void InternalMove(const TRect& Loc, bool Redraw);

  TCustomGrid* grid_ = nullptr;
};

}  // namespace lab
