#include "platform/controls/hint_window.h"

#include "platform/controls/screen.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/draw_text.h"

namespace lab {

using namespace lab::win;

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clInfoBk);
  Canvas()->Font()->Assign(Screen->HintFont());
  Canvas()->Font()->SetColor(clInfoText);
  SetVisible(false);
}

void THintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WndParent = nullptr;
  Params.WindowClassStyle |= CS_SAVEBITS;
}

void THintWindow::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_MOUSEACTIVATE) {
    Message.Result = MA_NOACTIVATE;
    return;
  }
  if (Message.Msg == WM_NCHITTEST) {
    Message.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::Dispatch(Message);
}

TRect THintWindow::CalcHintRect(int MaxWidth, const std::string& AHint, void*) {
  TRect r = Rect(0, 0, MaxWidth, 0);
  HDC dc = Canvas()->Handle();
  dc->SelectObject(Canvas()->Font()->Handle());
  DrawText(dc, AHint, -1, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.Right += 6;
  r.Bottom += 2;
  return r;
}

void THintWindow::ActivateHint(TRect Rect, const std::string& AHint) {
  ActivateHintData(Rect, AHint, nullptr);
}

void THintWindow::ActivateHintData(TRect Rect, const std::string& AHint, void*) {
  SetCaption(AHint);
  // Kept on the screen.
  const int sw = Screen->Width(), sh = Screen->Height();
  if (Rect.Right > sw) Rect = lab::OffsetRect(Rect, sw - Rect.Right, 0);
  if (Rect.Left < 0) Rect = lab::OffsetRect(Rect, -Rect.Left, 0);
  if (Rect.Bottom > sh) Rect = lab::OffsetRect(Rect, 0, sh - Rect.Bottom);
  SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  wm::SetWindowPos(Handle(), HWND_TOPMOST, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(),
                   SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::ReleaseHandle() { DestroyHandle(); }

void THintWindow::Paint() {
  TRect r = ClientRect();
  r.Left += 2;
  r.Top += 2;
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
  Canvas()->Brush()->SetStyle(bsClear);
  HDC dc = Canvas()->Handle();
  dc->SelectObject(Canvas()->Font()->Handle());
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(ColorToRGB(Canvas()->Font()->Color()));
  DrawText(dc, Caption(), -1, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

}  // namespace lab
