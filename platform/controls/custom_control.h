#pragma once
// TCustomControl: a windowed control that paints itself on its Canvas (override Paint).
// TGraphicControl: a control without a window, painted by its parent onto the parent's window.
// TControlCanvas: a canvas bound to a control, taking a device context of the control when drawing
// starts outside painting.

#include <memory>

#include "platform/controls/win_control.h"
#include "platform/graphics/canvas.h"

namespace lab {

class TControlCanvas : public TCanvas {
  LAB_CLASS(TControlCanvas, TCanvas)
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* Control() const noexcept { return control_; }
  void SetControl(TControl* c);
  // Lets go of a context the canvas took for itself.
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TControl* control_ = nullptr;
  win::HWND window_ = nullptr;  // the window the context was taken from
  TDeviceContext* own_ = nullptr;
};

class TCustomControl : public TWinControl {
  LAB_CLASS(TCustomControl, TWinControl)
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() noexcept { return canvas_.get(); }

 protected:
  virtual void Paint() {}
  void PaintWindow(win::HDC DC) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

class TGraphicControl : public TControl {
  LAB_CLASS(TGraphicControl, TControl)
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() noexcept { return canvas_.get(); }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

}  // namespace lab
