#pragma once
// TButton: a push button. A click (the left button released over it, Space, BM_CLICK, its '&'
// mnemonic) fires OnClick, ends a modal form with the button's ModalResult and tells the parent
// window by WM_COMMAND with BN_CLICKED. On a form Enter clicks the focused button, else the Default
// one, and Escape the Cancel one; in a dialog the dialog manager does the same through WM_GETDLGCODE
// and the default-button style (BS_DEFPUSHBUTTON, BM_SETSTYLE). Flat buttons (BS_FLAT) draw a single
// line instead of the raised edge.

#include "platform/controls/custom_control.h"
#include "platform/controls/standard_controls.h"

namespace lab {

class TButton : public TCustomControl {
  LAB_CLASS(TButton, TCustomControl)
 public:
  explicit TButton(TComponent* AOwner);

  bool Default() const noexcept { return default_; }
  void SetDefault(bool Value);
  bool Cancel() const noexcept { return cancel_; }
  void SetCancel(bool Value) { cancel_ = Value; }
  TModalResult ModalResult() const noexcept { return modal_result_; }
  void SetModalResult(TModalResult Value) { modal_result_ = Value; }
  // The flat look: a single line instead of the raised edge; the window's BS_FLAT style once it
  // has a window.
  bool Flat();
  void SetFlat(bool Value);
  // Whether the button draws as the one Enter clicks: the focused button, else the default one
  // while no other push button has the focus.
  bool Active();
  // Held down by the mouse or Space.
  bool Pushed() const noexcept { return pushed_; }

  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void KeyUp(win::WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

 private:
  void SetPushed(bool Value);

  bool default_ = false;
  bool cancel_ = false;
  bool flat_ = false;
  TModalResult modal_result_ = mrNone;
  bool pushed_ = false;
  bool tracking_ = false;  // the left button went down on it and is still held
};

}  // namespace lab
