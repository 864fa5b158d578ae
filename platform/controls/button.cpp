#include "platform/controls/button.h"

#include "platform/controls/dialog_controls.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/draw_text.h"
#include "platform/graphics/edges.h"

namespace lab {

using namespace win;

namespace {

// Every push button of the top-level window, so that the one that draws as active follows the focus.
void InvalidateButtons(HWND Window) {
  const HWND top = wm::GetTopLevel(Window);
  wm::EnumChildWindows(top, [](HWND child) {
    if (auto* b = dynamic_cast<TButton*>(TWinControl::FindControl(child))) b->Invalidate();
    return true;
  });
}

}  // namespace

TButton::TButton(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csCaptureMouse, csSetCaption, csOpaque});
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
  SetColor(clBtnFace);
  SetParentColor(false);
}

void TButton::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= (default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (flat_ ? BS_FLAT : 0);
}

void TButton::SetDefault(bool Value) {
  if (Value == default_) return;
  default_ = Value;
  Invalidate();
}

bool TButton::Flat() {
  // The window's style holds once there is one: a dialog may set or drop the flat style on it.
  if (HandleAllocated()) flat_ = (wm::GetWindowLongPtr(Handle(), GWL_STYLE) & BS_FLAT) != 0;
  return flat_;
}

void TButton::SetFlat(bool Value) {
  if (Value == Flat()) return;
  flat_ = Value;
  if (HandleAllocated()) {
    const LONG_PTR style = wm::GetWindowLongPtr(Handle(), GWL_STYLE);
    wm::SetWindowLongPtr(Handle(), GWL_STYLE, Value ? style | BS_FLAT : style & ~LONG_PTR{BS_FLAT});
  }
  Invalidate();
}

bool TButton::Active() {
  const HWND focus = wm::GetFocus();
  if (HandleAllocated() && focus == Handle()) return true;
  if (!default_) return false;
  auto* focused = dynamic_cast<TButton*>(FindControl(focus));
  return !focused || (HandleAllocated() && wm::GetTopLevel(focus) != wm::GetTopLevel(Handle()));
}

void TButton::SetPushed(bool Value) {
  if (Value == pushed_) return;
  pushed_ = Value;
  Invalidate();
}

void TButton::Click() {
  if (TCustomForm* form = ParentForm(); form && modal_result_ != mrNone) form->SetModalResult(modal_result_);
  const HWND h = HandleAllocated() ? Handle() : nullptr;
  TCustomControl::Click();
  // OnClick may have freed the button.
  if (h && FindControl(h) == this) NotifyClicked(this);
}

void TButton::Paint() {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  TRect r = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  const bool active = Active();
  if (active) {
    // The button Enter clicks carries a dark frame.
    c->Brush()->SetColor(clWindowFrame);
    c->FrameRect(r);
    r = lab::InflateRect(r, -1, -1);
  }
  if (Flat()) {
    c->Brush()->SetColor(pushed_ ? clBtnText : clBtnShadow);
    c->FrameRect(r);
  } else if (pushed_) {
    c->Brush()->SetColor(clBtnShadow);
    c->FrameRect(r);
  } else {
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
  }
  c->SetFont(Font());
  c->Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
  dc->SelectObject(c->Font()->Handle());
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(ColorToRGB(c->Font()->Color()));
  TRect text = ClientRect();
  if (pushed_) text = lab::OffsetRect(text, 1, 1);
  DrawText(dc, GetText(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (Focused()) c->DrawFocusRect(lab::InflateRect(ClientRect(), -4, -4));
}

void TButton::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_SPACE) {
    SetPushed(true);
    Key = 0;
    return;
  }
  TCustomControl::KeyDown(Key, Shift);
}

void TButton::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_SPACE && pushed_) {
    Key = 0;
    SetPushed(false);
    Click();
    return;
  }
  TCustomControl::KeyUp(Key, Shift);
}

void TButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    tracking_ = true;
    SetPushed(true);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TButton::MouseMove(TShiftState Shift, int X, int Y) {
  if (tracking_) SetPushed(ClientRect().Contains(Point(X, Y)));
  TCustomControl::MouseMove(Shift, X, Y);
}

void TButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const bool click = Button == mbLeft && tracking_ && ClientRect().Contains(Point(X, Y));
  if (Button == mbLeft) {
    tracking_ = false;
    SetPushed(false);
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (click) Click();
}

void TButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_BUTTON | (default_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
      return;
    case BM_CLICK:
      Click();
      return;
    case BM_GETSTATE:
      Message.Result = (pushed_ ? BST_PUSHED : 0) | (Focused() ? BST_FOCUS : 0);
      return;
    case BM_SETSTYLE:
      SetDefault((Message.WParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(Message);
      if (Message.Msg == WM_KILLFOCUS) {
        tracking_ = false;
        SetPushed(false);
      }
      if (HandleAllocated()) InvalidateButtons(Handle());
      return;
    case CM_DIALOGKEY:
      // A form's Enter and Escape.
      if (((Message.WParam == VK_RETURN && Active()) || (Message.WParam == VK_ESCAPE && cancel_)) &&
          KeyDataToShiftState(Message.LParam).Empty() && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
      }
      break;
    case CM_DIALOGCHAR:
      if (IsMnemonic(static_cast<char32_t>(Message.WParam), GetText()) && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
      }
      break;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
      Invalidate();
      break;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
