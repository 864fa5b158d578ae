#include "platform/controls/custom_control.h"

#include "platform/controls/window_manager.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

using namespace lab::win;

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* c) {
  if (control_ == c) return;
  FreeHandle();
  control_ = c;
}

void TControlCanvas::FreeHandle() {
  if (!own_) return;
  SetHandle(nullptr);
  wm::ReleaseDC(window_, own_);
  own_ = nullptr;
  window_ = nullptr;
}

void TControlCanvas::CreateHandle() {
  if (!control_) return;
  FreeHandle();
  auto* win = dynamic_cast<TWinControl*>(control_);
  if (win) {
    window_ = win->Handle();
    own_ = wm::GetDC(window_);
  } else if (control_->Parent()) {
    // A graphic control draws on its parent's window, at its own place, clipped to itself.
    window_ = control_->Parent()->Handle();
    own_ = wm::GetDC(window_);
    if (own_) {
      own_->SetViewportOrg(Point(control_->Left(), control_->Top()));
      own_->IntersectClipRect(Rect(0, 0, control_->Width(), control_->Height()));
    }
  }
  if (own_) SetHandle(own_);
}

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
  // Paint always runs, even without children.
  control_state_.Include(csCustomPaint);
}

TCustomControl::~TCustomControl() {
  // The window goes first, while Paint and the handlers of this class still exist.
  DestroyHandle();
  canvas_->FreeHandle();
}

void TCustomControl::PaintWindow(HDC DC) {
  canvas_->Lock();
  TScopeExit release([&] {
    canvas_->SetHandle(nullptr);
    canvas_->Unlock();
  });
  canvas_->FreeHandle();
  canvas_->SetHandle(DC);
  canvas_->Refresh();
  Paint();
}

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TControlCanvas>()) {
  canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() { canvas_->FreeHandle(); }

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT && Message.WParam) {
    // The parent paints its graphic children into its own context, moved to their place.
    canvas_->Lock();
    TScopeExit release([&] {
      canvas_->SetHandle(nullptr);
      canvas_->Unlock();
    });
    canvas_->FreeHandle();
    canvas_->SetHandle(reinterpret_cast<HDC>(Message.WParam));
    canvas_->Refresh();
    Paint();
    return;
  }
  TControl::Dispatch(Message);
}

}  // namespace lab
