#include "platform/controls/static_text.h"

#include "platform/controls/dialog_controls.h"
#include "platform/graphics/draw_text.h"
#include "platform/graphics/edges.h"

namespace lab {

using namespace win;

TStaticText::TStaticText(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csSetCaption, csOpaque});
  SetBounds(0, 0, 65, 17);
}

void TStaticText::SetAlignment(TAlignment Value) {
  if (Value == alignment_) return;
  alignment_ = Value;
  Invalidate();
}

void TStaticText::SetWordWrap(bool Value) {
  if (Value == word_wrap_) return;
  word_wrap_ = Value;
  Invalidate();
}

void TStaticText::SetShowAccelChar(bool Value) {
  if (Value == show_accel_char_) return;
  show_accel_char_ = Value;
  Invalidate();
}

void TStaticText::SetFrame(TStaticFrame Value) {
  if (Value == frame_) return;
  frame_ = Value;
  Invalidate();
}

void TStaticText::Paint() {
  TCanvas* c = Canvas();
  c->SetFont(Font());
  HDC dc = c->Handle();
  dc->SelectObject(c->Font()->Handle());
  const HBRUSH brush = ParentColors(this, dc);
  TRect r = ClientRect();
  if (brush) {
    FillRect(dc, &r, brush);
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(r);
  }
  switch (frame_) {
    case sfEtchedHorz:
      DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
      return;
    case sfEtchedVert:
      DrawEdge(dc, &r, EDGE_ETCHED, BF_LEFT);
      return;
    case sfEtchedFrame:
      DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
      return;
    case sfNone:
      break;
  }
  dc->SetBkMode(TRANSPARENT);
  if (!Enabled()) dc->SetTextColor(ColorToRGB(clGrayText));
  UINT format = alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT;
  format |= word_wrap_ ? DT_WORDBREAK : DT_SINGLELINE;
  if (!show_accel_char_) format |= DT_NOPREFIX;
  DrawText(dc, GetText(), -1, &r, format | DT_EXPANDTABS);
}

void TStaticText::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_STATIC;
      return;
    case CN_CTLCOLORSTATIC:
      Message.Result = 0;
      return;
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
