#pragma once
// TCheckBox: a box with a caption that a click checks and clears (the left button released over it,
// Space, BM_CLICK, its '&' mnemonic), firing OnClick and telling the parent window by WM_COMMAND with
// BN_CLICKED. AllowGrayed adds the third, grayed state to the round. The box stands left of the text,
// or right of it with Alignment taLeftJustify; WordWrap breaks a long caption into lines. Beside its
// properties the box answers BM_GETCHECK, BM_SETCHECK and BM_CLICK, and asks its parent for its
// colours by WM_CTLCOLORSTATIC as a dialog's controls do.

#include "platform/classes/alignment.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/standard_controls.h"

namespace lab {

class TCheckBox : public TCustomControl {
  LAB_CLASS(TCheckBox, TCustomControl)
 public:
  explicit TCheckBox(TComponent* AOwner);

  TCheckBoxState State() const noexcept { return state_; }
  // A program's change fires OnClick too, as a click does.
  void SetState(TCheckBoxState Value);
  bool Checked() const noexcept { return state_ == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  bool AllowGrayed() const noexcept { return allow_grayed_; }
  void SetAllowGrayed(bool Value) { allow_grayed_ = Value; }
  // taRightJustify (the default): the text right of the box; taLeftJustify: left of it.
  TAlignment Alignment() const noexcept { return alignment_; }
  void SetAlignment(TAlignment Value);
  bool WordWrap() const noexcept { return word_wrap_; }
  void SetWordWrap(bool Value);

  void Dispatch(TMessage& Message) override;

 protected:
  // The user's click: the next state of the round, then OnClick and the parent's notification.
  virtual void Toggle();
  void Paint() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void KeyUp(win::WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  // The box's and the text's places in the client area.
  TRect BoxRect();
  TRect TextRect();
  void Clicked();

  TCheckBoxState state_ = cbUnchecked;
  bool allow_grayed_ = false;
  TAlignment alignment_ = taRightJustify;
  bool word_wrap_ = false;
  bool pressed_ = false;  // Space or the left button is held on it
};

}  // namespace lab
