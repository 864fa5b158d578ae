#include "platform/controls/dialogs.h"

#include <algorithm>
#include <mutex>

#include "platform/controls/application.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/graphics/draw_text.h"
#include "platform/graphics/edges.h"

namespace lab {

using namespace lab::win;

namespace {

std::mutex g_answererMutex;
TDialogAnswerer g_answerer;

constexpr int kMargin = 12, kButtonWidth = 75, kButtonHeight = 25, kGap = 8, kMaxTextWidth = 420;

std::string ButtonCaption(TModalResult r) {
  switch (r) {
    case mrOk: return "OK";
    case mrCancel: return "Cancel";
    case mrAbort: return "&Abort";
    case mrRetry: return "&Retry";
    case mrIgnore: return "&Ignore";
    case mrYes: return "&Yes";
    case mrNo: return "&No";
    case mrAll: return "&All";
    case mrNoToAll: return "N&o to All";
    case mrYesToAll: return "Yes to &All";
    default: return "&Help";
  }
}

void PrepareText(TCanvas* canvas, HDC dc) {
  dc->SelectObject(canvas->Font()->Handle());
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(ColorToRGB(canvas->Font()->Color()));
}

// The message text, word-wrapped.
class TDialogText : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override {
    Canvas()->Font()->Assign(Font());
    PrepareText(Canvas(), Canvas()->Handle());
    TRect r = ClientRect();
    DrawText(Canvas()->Handle(), GetText(), -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  }
};

class TDialogButton : public TCustomControl {
 public:
  TDialogButton(TComponent* owner, TModalResult result) : TCustomControl(owner), result_(result) {
    SetTabStop(true);
    SetCaption(ButtonCaption(result));
  }
  TModalResult Result() const { return result_; }
  void Click() override {
    TCustomControl::Click();
    if (TCustomForm* form = ParentForm()) form->SetModalResult(result_);
  }
  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
        TCustomControl::Dispatch(m);
        Invalidate();
        return;
      default:
        TCustomControl::Dispatch(m);
    }
  }

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    if (Button == mbLeft && CanFocus()) SetFocus();
    TCustomControl::MouseDown(Button, Shift, X, Y);
  }
  void KeyDown(WORD& Key, TShiftState Shift) override {
    if (Key == VK_SPACE) {
      Key = 0;
      Click();
      return;
    }
    TCustomControl::KeyDown(Key, Shift);
  }
  void Paint() override {
    TRect r = ClientRect();
    Canvas()->Brush()->SetColor(clBtnFace);
    Canvas()->FillRect(r);
    HDC dc = Canvas()->Handle();
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
    Canvas()->Font()->Assign(Font());
    Canvas()->Font()->SetColor(clBtnText);
    PrepareText(Canvas(), dc);
    TRect text = ClientRect();
    DrawText(dc, GetText(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (Focused()) {
      TRect f = ClientRect();
      f = lab::InflateRect(f, -4, -4);
      Canvas()->DrawFocusRect(f);
    }
  }

 private:
  TModalResult result_;
};

TModalResult ShowDialog(const TDialogRequest& request) {
  TDialogAnswerer answerer;
  {
    std::lock_guard lock(g_answererMutex);
    answerer = g_answerer;
  }
  if (answerer) return answerer(request);

  TForm form(nullptr);
  form.SetBorderStyle(bsDialog);
  form.SetPosition(poScreenCenter);
  form.SetCaption(request.Caption);
  form.SetKeyPreview(true);
  auto* text = new TDialogText(&form);
  text->SetParent(&form);
  text->SetCaption(request.Text);

  // Measure the text to size the form around it.
  TRect measure = Rect(0, 0, kMaxTextWidth, 0);
  {
    HDC dc = form.Handle() ? wm::GetDC(form.Handle()) : nullptr;
    if (dc) {
      dc->SelectObject(form.Font()->Handle());
      DrawText(dc, request.Text, -1, &measure, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
      wm::ReleaseDC(form.Handle(), dc);
    }
  }
  const int buttons = static_cast<int>(request.Buttons.size());
  const int rowWidth = buttons * kButtonWidth + std::max(0, buttons - 1) * kGap;
  const int width = std::max(measure.Width(), rowWidth) + 2 * kMargin;
  const int height = kMargin + measure.Height() + 2 * kMargin + kButtonHeight + kMargin;
  form.SetClientSize(width, height);
  text->SetBounds(kMargin, kMargin, measure.Width(), measure.Height());

  int x = (width - rowWidth) / 2;
  TDialogButton* focus = nullptr;
  for (TModalResult r : request.Buttons) {
    auto* b = new TDialogButton(&form, r);
    b->SetParent(&form);
    b->SetBounds(x, height - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
    if (r == request.DefaultButton || !focus) focus = b;
    x += kButtonWidth + kGap;
  }
  form.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    if (key == VK_RETURN) {
      auto* b = dynamic_cast<TDialogButton*>(form.ActiveControl());
      form.SetModalResult(b ? b->Result() : request.DefaultButton);
      key = 0;
    } else if (key == VK_ESCAPE && request.CancelButton != mrNone) {
      form.SetModalResult(request.CancelButton);
      key = 0;
    }
  };
  if (focus) form.OnShow = [focus, &form](TObject*) { form.SetActiveControl(focus); };
  return form.ShowModal();
}

TMsgDlgType TypeOfFlags(UINT flags) {
  switch (flags & 0xF0) {
    case MB_ICONSTOP: return mtError;
    case MB_ICONQUESTION: return mtConfirmation;
    case MB_ICONWARNING: return mtWarning;
    case MB_ICONINFORMATION: return mtInformation;
    default: return mtCustom;
  }
}

}  // namespace

TDialogAnswerer SetDialogAnswerer(TDialogAnswerer Answerer) {
  std::lock_guard lock(g_answererMutex);
  return std::exchange(g_answerer, std::move(Answerer));
}

int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  TDialogRequest request;
  request.Text = Text;
  request.Caption = Caption.empty() ? Application->Title() : Caption;
  request.Type = TypeOfFlags(Flags);
  switch (Flags & MB_TYPEMASK) {
    case MB_OKCANCEL: request.Buttons = {mrOk, mrCancel}; break;
    case MB_ABORTRETRYIGNORE: request.Buttons = {mrAbort, mrRetry, mrIgnore}; break;
    case MB_YESNOCANCEL: request.Buttons = {mrYes, mrNo, mrCancel}; break;
    case MB_YESNO: request.Buttons = {mrYes, mrNo}; break;
    case MB_RETRYCANCEL: request.Buttons = {mrRetry, mrCancel}; break;
    default: request.Buttons = {mrOk}; break;
  }
  const std::size_t defaultIndex = (Flags & MB_DEFMASK) / MB_DEFBUTTON2;
  request.DefaultButton = request.Buttons[std::min(defaultIndex, request.Buttons.size() - 1)];
  // A box can be escaped only when it has a way out: Cancel, or OK alone.
  const auto has = [&](TModalResult r) {
    return std::find(request.Buttons.begin(), request.Buttons.end(), r) != request.Buttons.end();
  };
  request.CancelButton = has(mrCancel) ? mrCancel : request.Buttons.size() == 1 ? mrOk : mrNone;
  // The box's answers are the IDOK ... IDNO numbers, which equal the modal results.
  return ShowDialog(request);
}

TModalResult MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
  static const TModalResult kResults[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry,
                                          mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};
  TDialogRequest request;
  request.Text = Msg;
  request.Type = DlgType;
  switch (DlgType) {
    case mtWarning: request.Caption = "Warning"; break;
    case mtError: request.Caption = "Error"; break;
    case mtInformation: request.Caption = "Information"; break;
    case mtConfirmation: request.Caption = "Confirm"; break;
    default: request.Caption = Application->Title(); break;
  }
  for (TMsgDlgBtn b : Buttons)
    if (b != mbHelp) request.Buttons.push_back(kResults[b]);
  if (request.Buttons.empty()) request.Buttons.push_back(mrOk);
  request.DefaultButton = Buttons.Contains(mbOK)    ? mrOk
                          : Buttons.Contains(mbYes) ? mrYes
                          : Buttons.Contains(mbRetry) ? mrRetry
                                                      : request.Buttons.front();
  request.CancelButton = Buttons.Contains(mbCancel) ? mrCancel
                         : Buttons.Contains(mbNo)   ? mrNo
                         : Buttons.Contains(mbOK)   ? mrOk
                                                    : mrNone;
  return ShowDialog(request);
}

void ShowMessage(const std::string& Msg) { MessageDlg(Msg, mtCustom, TMsgDlgButtons{mbOK}); }

}  // namespace lab
