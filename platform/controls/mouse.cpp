#include "platform/controls/mouse.h"

#include "platform/controls/input.h"
#include "platform/controls/win_control.h"
#include "platform/controls/window_manager.h"

namespace lab {

namespace {
TMouse g_mouse;
// A graphic control that has the mouse: its parent's window holds the capture for it.
TControl* g_captureControl = nullptr;
}  // namespace

TMouse* const Mouse = &g_mouse;

TPoint TMouse::CursorPos() const {
  TPoint p;
  win::GetCursorPos(p);
  return p;
}

TControl* TMouse::Capture() const { return GetCaptureControl(); }

TControl* GetCaptureControl() {
  TControl* c = TWinControl::FindControl(wm::GetCapture());
  if (c && g_captureControl && g_captureControl->Parent() == c) return g_captureControl;
  return c;
}

void SetCaptureControl(TControl* Control) {
  wm::ReleaseCapture();
  g_captureControl = nullptr;
  if (!Control) return;
  auto* w = dynamic_cast<TWinControl*>(Control);
  if (!w) {
    if (!Control->Parent()) return;
    g_captureControl = Control;
    w = Control->Parent();
  }
  wm::SetCapture(w->Handle());
}

void ForgetCaptureControl(TControl* Control) {
  if (g_captureControl == Control) {
    g_captureControl = nullptr;
    TWinControl* p = Control->Parent();
    if (p && p->HandleAllocated() && wm::GetCapture() == p->Handle()) wm::ReleaseCapture();
  }
}

}  // namespace lab
