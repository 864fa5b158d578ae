#pragma once
// THintWindow: the small pop-up that shows a control's hint (or, in descendants, a tooltip): no
// activation, no border of the desktop's, word-wrapped text in the hint font on clInfoBk.

#include "platform/controls/custom_control.h"

namespace lab {

class THintWindow : public TCustomControl {
  LAB_CLASS(THintWindow, TCustomControl)
 public:
  explicit THintWindow(TComponent* AOwner);
  // Shows the hint in Rect (screen coordinates) without taking the focus.
  virtual void ActivateHint(TRect Rect, const std::string& AHint);
  virtual void ActivateHintData(TRect Rect, const std::string& AHint, void* AData);
  // The size the hint needs at most MaxWidth pixels wide (origin 0, 0).
  virtual TRect CalcHintRect(int MaxWidth, const std::string& AHint, void* AData);
  // Hides the hint and lets its window go.
  void ReleaseHandle();
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
};

}  // namespace lab
