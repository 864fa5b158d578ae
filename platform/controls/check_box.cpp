#include "platform/controls/check_box.h"

#include <algorithm>

#include "platform/controls/dialog_controls.h"
#include "platform/controls/input.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/draw_text.h"
#include "platform/graphics/edges.h"

namespace lab {

using namespace win;

namespace {

constexpr int kBoxSize = 13;
constexpr int kGap = 4;  // between the box and the text

}  // namespace

TCheckBox::TCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csCaptureMouse, csSetCaption, csOpaque});
  SetBounds(0, 0, 97, 17);
  SetTabStop(true);
}

void TCheckBox::SetState(TCheckBoxState Value) {
  if (Value == state_) return;
  state_ = Value;
  Invalidate();
  TCustomControl::Click();
}

void TCheckBox::SetAlignment(TAlignment Value) {
  if (Value == alignment_) return;
  alignment_ = Value;
  Invalidate();
}

void TCheckBox::SetWordWrap(bool Value) {
  if (Value == word_wrap_) return;
  word_wrap_ = Value;
  Invalidate();
}

void TCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: SetState(allow_grayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TCheckBox::Clicked() {
  const HWND h = HandleAllocated() ? Handle() : nullptr;
  Toggle();
  // OnClick may have freed the box.
  if (h && FindControl(h) == this) NotifyClicked(this);
}

TRect TCheckBox::BoxRect() {
  const TRect c = ClientRect();
  const int top = word_wrap_ ? c.Top + 1 : c.Top + (c.Height() - kBoxSize) / 2;
  const int left = alignment_ == taLeftJustify ? c.Right - kBoxSize : c.Left;
  return Bounds(left, top, kBoxSize, kBoxSize);
}

TRect TCheckBox::TextRect() {
  const TRect c = ClientRect();
  return alignment_ == taLeftJustify ? TRect{c.Left, c.Top, c.Right - kBoxSize - kGap, c.Bottom}
                                     : TRect{c.Left + kBoxSize + kGap, c.Top, c.Right, c.Bottom};
}

void TCheckBox::Paint() {
  TCanvas* c = Canvas();
  c->SetFont(Font());
  HDC dc = c->Handle();
  dc->SelectObject(c->Font()->Handle());
  const HBRUSH brush = ParentColors(this, dc);
  if (brush) {
    const TRect r = ClientRect();
    FillRect(dc, &r, brush);
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
  }
  TRect box = BoxRect();
  UINT state = DFCS_BUTTONCHECK;
  if (state_ == cbChecked) state |= DFCS_CHECKED;
  if (state_ == cbGrayed) state |= DFCS_BUTTON3STATE | DFCS_CHECKED;
  if (pressed_) state |= DFCS_PUSHED;
  if (!Enabled()) state |= DFCS_INACTIVE;
  DrawFrameControl(dc, &box, DFC_BUTTON, state);

  dc->SelectObject(c->Font()->Handle());
  dc->SetBkMode(TRANSPARENT);
  if (!Enabled()) dc->SetTextColor(ColorToRGB(clGrayText));
  const UINT align = alignment_ == taLeftJustify ? DT_RIGHT : DT_LEFT;
  const UINT format = align | (word_wrap_ ? DT_WORDBREAK : DT_SINGLELINE | DT_VCENTER);
  TRect text = TextRect();
  DrawText(dc, GetText(), -1, &text, format);
  if (Focused()) {
    // The focus frame goes round the text itself.
    TRect measured = TextRect();
    DrawText(dc, GetText(), -1, &measured, DT_CALCRECT | (word_wrap_ ? DT_WORDBREAK : DT_SINGLELINE));
    const TRect area = TextRect();
    const int width = std::min(measured.Width(), area.Width());
    const int height = std::min(measured.Height(), area.Height());
    const int left = alignment_ == taLeftJustify ? area.Right - width : area.Left;
    const int top = word_wrap_ ? area.Top : area.Top + (area.Height() - height) / 2;
    c->DrawFocusRect(lab::InflateRect(Bounds(left, top, width, height), 1, 0));
  }
}

void TCheckBox::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_SPACE) {
    pressed_ = true;
    Invalidate();
    Key = 0;
    return;
  }
  TCustomControl::KeyDown(Key, Shift);
}

void TCheckBox::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_SPACE && pressed_) {
    Key = 0;
    pressed_ = false;
    Clicked();
    return;
  }
  TCustomControl::KeyUp(Key, Shift);
}

void TCheckBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    pressed_ = true;
    Invalidate();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCheckBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const bool click = Button == mbLeft && pressed_ && ClientRect().Contains(Point(X, Y));
  if (Button == mbLeft && pressed_) {
    pressed_ = false;
    Invalidate();
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (click) Clicked();
}

void TCheckBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_BUTTON;
      return;
    case BM_GETCHECK:
      Message.Result = state_ == cbChecked ? BST_CHECKED : state_ == cbGrayed ? BST_INDETERMINATE : BST_UNCHECKED;
      return;
    case BM_SETCHECK: {
      // A program's setting by message, without the click's notifications.
      const TCheckBoxState value = Message.WParam == BST_CHECKED         ? cbChecked
                                   : Message.WParam == BST_INDETERMINATE ? cbGrayed
                                                                         : cbUnchecked;
      if (value != state_) {
        state_ = value;
        Invalidate();
      }
      return;
    }
    case BM_CLICK:
      Clicked();
      return;
    case CN_CTLCOLORSTATIC:
      Message.Result = 0;  // a form's box keeps its own colours
      return;
    case WM_KILLFOCUS:
      pressed_ = false;
      Invalidate();
      break;
    case WM_SETFOCUS:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
      Invalidate();
      break;
    case CM_DIALOGCHAR:
      if (IsMnemonic(static_cast<char32_t>(Message.WParam), GetText()) && CanFocus()) {
        SetFocus();
        Clicked();
        Message.Result = 1;
        return;
      }
      break;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
