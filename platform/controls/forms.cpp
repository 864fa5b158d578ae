#include "platform/controls/forms.h"

#include <algorithm>

#include "platform/controls/application.h"
#include "platform/controls/drag_drop.h"
#include "platform/controls/input.h"
#include "platform/controls/menus.h"
#include "platform/controls/screen.h"
#include "platform/controls/window_manager.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

using namespace lab::win;

namespace {

// Sends a focus message; false when a handler changed the focus meanwhile.
int g_focusCount = 0;

bool SendFocusMessage(TWinControl* target, UINT msg) {
  const int count = g_focusCount;
  target->Perform(msg, 0, 0);
  return g_focusCount == count;
}

// The windows the running modal forms were opened over, innermost last (forms live on the main
// thread). Such a window is disabled meanwhile, yet still closes at the display's request.
std::vector<HWND> g_modalOwners;

bool OwnsModalForm(HWND h) {
  return std::find(g_modalOwners.begin(), g_modalOwners.end(), h) != g_modalOwners.end();
}

}  // namespace

void TCustomForm::DeclareProperties(TPropertyDeclarer<TCustomForm>& P) {
  P.Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle)
      .Default(bsSizeable);
  P.Property("Caption", &TCustomForm::Caption, &TCustomForm::SetCaption);
  P.Property("FormStyle", &TCustomForm::FormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
  P.Property("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
  P.Property("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDesigned);
  P.Property("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
  P.Property("OnActivate", &TCustomForm::OnActivate);
  P.Property("OnClose", &TCustomForm::OnClose);
  P.Property("OnCloseQuery", &TCustomForm::OnCloseQuery);
  P.Property("OnCreate", &TCustomForm::OnCreate);
  P.Property("OnDeactivate", &TCustomForm::OnDeactivate);
  P.Property("OnDestroy", &TCustomForm::OnDestroy);
  P.Property("OnHide", &TCustomForm::OnHide);
  P.Property("OnShow", &TCustomForm::OnShow);
}

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  control_style_ = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                csDoubleClicks};
  SetVisible(false);
  TWinControl::SetBorderStyle(bsSizeable);
  SetParentColor(false);
  SetParentFont(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 320, 240);
  Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (OnDestroy) {
    try {
      OnDestroy(this);
    } catch (...) {
      if (Application) Application->HandleException(this);
    }
  }
  Destroying();
  if (Screen) Screen->RemoveForm(this);
  if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
  DestroyHandle();
}

void TCustomForm::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  TWinControl::GetChildren(Proc, Root);
  if (Root != this) return;
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* c = Components(i);
    if (!c->HasParent() && !c->IsSubComponent()) Proc(c);
  }
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style &= ~(WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER);
  Params.ExStyle &= ~WS_EX_CLIENTEDGE;
  Params.WndParent = nullptr;
  switch (BorderStyle()) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle: Params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; break;
    case bsSizeable: Params.Style |= WS_OVERLAPPEDWINDOW; break;
    case bsDialog:
      Params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU;
      Params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      Params.Style |= WS_CAPTION | WS_SYSMENU;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      Params.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      Params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (form_style_ == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
  Params.WindowClassStyle = CS_DBLCLKS;
}

void TCustomForm::SetFormStyle(TFormStyle v) {
  if (form_style_ == v) return;
  form_style_ = v;
  if (HandleAllocated())
    wm::SetWindowPos(Handle(), v == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (active_control_ == Control) return;
  if (Control && (Control == this || Control->ParentForm() != this ||
                  (!ComponentState().Contains(csLoading) && !Control->CanFocus())))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  active_control_ = Control;
  if (!ComponentState().Contains(csLoading) && active_) SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  TWinControl* target = active_control_ ? active_control_ : this;
  wm::SetFocus(target->Handle());
}

void TCustomForm::SetFocus() {
  if (active_) return;
  if (!Visible() || !Enabled()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
  const bool wasActive = active_;
  SetActiveControl(Control);
  if (!wasActive) SetFocus();
}

void TCustomForm::DefocusControl(TWinControl* Control, bool Removing) {
  if (Removing && Control->ContainsControl(focused_control_)) focused_control_ = Control->Parent();
  if (Control->ContainsControl(active_control_)) SetActiveControl(nullptr);
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  ++g_focusCount;
  active_control_ = Control != this ? Control : nullptr;
  Screen->SetActive(this, Control);
  if (Control->ControlState().Contains(csFocusing)) return false;
  Control->SetControlState(Control->ControlState() + csFocusing);
  struct Unmark {
    TWinControl* c;
    ~Unmark() { c->SetControlState(c->ControlState() - csFocusing); }
  } unmark{Control};

  if (Screen->FocusedForm() != this) {
    if (TCustomForm* old = Screen->FocusedForm()) {
      Screen->SetFocusedForm(nullptr);
      if (!SendFocusMessage(old, CM_DEACTIVATE)) return false;
    }
    Screen->SetFocusedForm(this);
    if (!SendFocusMessage(this, CM_ACTIVATE)) return false;
  }
  if (!focused_control_) focused_control_ = this;
  if (focused_control_ != Control) {
    // CM_EXIT up from the control that had the focus to the common container...
    while (focused_control_ && !focused_control_->ContainsControl(Control)) {
      TWinControl* leaving = focused_control_;
      focused_control_ = focused_control_->Parent();
      if (!SendFocusMessage(leaving, CM_EXIT)) return false;
    }
    // ...and CM_ENTER down to the new one.
    while (focused_control_ != Control) {
      TWinControl* next = Control;
      while (next->Parent() != focused_control_) next = next->Parent();
      focused_control_ = next;
      if (!SendFocusMessage(next, CM_ENTER)) return false;
    }
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
  }
  return true;
}

void TCustomForm::SendCancelMode(TControl* Sender) {
  if (active_ && active_control_)
    active_control_->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}

bool TCustomForm::IsShortCut(const TMessage& Message) {
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* menu = dynamic_cast<TPopupMenu*>(Components(i)); menu && menu->IsShortCut(Message))
      return true;
  return false;
}

void TCustomForm::SetActive(bool Value) {
  active_ = Value;
  if (!Value) return;
  if (!active_control_) active_control_ = FindNextControl(nullptr, true, true, false);
  SetWindowFocus();
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  // A second request while the first is answered (OnCloseQuery may run a message loop) or once the
  // form is going away is the same request: OnClose runs once.
  if (closing_) return;
  if (modal_) {
    modal_result_ = mrCancel;
    return;
  }
  closing_ = true;
  TScopeExit reopen([this] { closing_ = false; });  // unless the form goes away
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->MainForm() == this) {
    reopen.Release();
    Application->Terminate();
  } else if (action == caHide || action == caMinimize) {
    Hide();
  } else {
    reopen.Release();  // Release may free the form at once
    Release();
  }
}

void TCustomForm::CloseModal() {
  if (closing_) return;
  closing_ = true;
  TScopeExit reopen([this] { closing_ = false; });
  TCloseAction action = caNone;
  if (CloseQuery()) {
    action = caHide;
    DoClose(action);
  }
  if (action == caNone) {
    modal_result_ = mrNone;
  } else if (action == caFree) {
    reopen.Release();
    Release();
  }
}

void TCustomForm::Release() {
  if (HandleAllocated())
    wm::PostMessage(Handle(), CM_RELEASE, 0, 0);
  else
    delete this;
}

void TCustomForm::PlaceOnScreen() {
  if (placed_) return;
  placed_ = true;
  const int sw = Screen->Width(), sh = Screen->Height();
  auto centerOn = [&](TRect r) {
    SetBounds(r.Left + (r.Width() - Width()) / 2, r.Top + (r.Height() - Height()) / 2, Width(), Height());
  };
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
      centerOn(Rect(0, 0, sw, sh));
      break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
      TCustomForm* over = position_ == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
      if (!over && Application) over = Application->MainForm();
      if (over && over != this) centerOn(over->BoundsRect());
      else centerOn(Rect(0, 0, sw, sh));
      break;
    }
    case poDefault:
    case poDefaultPosOnly: {
      // Each new form a little further down and to the right, as a desktop places windows.
      static int cascade = 0;
      const int step = 24 * (cascade++ % 8);
      SetBounds(sw / 8 + step, sh / 8 + step, Width(), Height());
      break;
    }
    default:
      break;
  }
}

int TCustomForm::ShowModal() {
  TDragManager::Cancel();
  if (Visible() || !Enabled() || modal_)
    throw EInvalidOperation("Cannot make a visible window modal");
  if (HWND capture = wm::GetCapture()) wm::SendMessage(capture, WM_CANCELMODE, 0, 0);
  wm::ReleaseCapture();
  modal_ = true;
  const HWND previousActive = wm::GetActiveWindow();
  // The window the form opens over: once it is closed or gone, the form ends as cancelled.
  const HWND owner = previousActive && wm::IsWindowVisible(previousActive) ? previousActive : nullptr;
  g_modalOwners.push_back(owner);
  // Every other window of the program takes no input while this one is up.
  std::vector<TCustomForm*> disabled;
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* f = Screen->Forms(i);
    if (f != this && f->HandleAllocated() && wm::IsWindowVisible(f->Handle()) &&
        wm::IsWindowEnabled(f->Handle())) {
      wm::EnableWindow(f->Handle(), false);
      disabled.push_back(f);
    }
  }
  struct Restore {
    TCustomForm* self;
    std::vector<TCustomForm*>& disabled;
    HWND previous;
    ~Restore() {
      for (TCustomForm* f : disabled)
        if (Screen->IndexOfForm(f) >= 0 && f->HandleAllocated()) wm::EnableWindow(f->Handle(), true);
      if (previous && wm::IsWindow(previous)) wm::SetActiveWindow(previous);
      self->modal_ = false;
      g_modalOwners.pop_back();
    }
  } restore{this, disabled, previousActive};

  Show();
  Perform(CM_ACTIVATE, 0, 0);
  modal_result_ = mrNone;
  {
    TScopeFail hide([&] { Hide(); });
    const auto ownerGone = [owner] {
      return owner && (!wm::IsWindow(owner) || !wm::IsWindowVisible(owner));
    };
    // Checked before waiting, so a form shown once the application is ending answers at once.
    while (modal_result_ == mrNone) {
      if (Application->Terminated() || ownerGone()) {
        modal_result_ = mrCancel;
        break;
      }
      Application->HandleMessage();
      if (modal_result_ != mrNone) CloseModal();
    }
  }
  const int result = modal_result_;
  Perform(CM_DEACTIVATE, 0, 0);
  Hide();
  return result;
}

void TCustomForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATE:
      SetActive(LOWORD(Message.WParam) != WA_INACTIVE);
      return;
    case WM_CLOSE:
      Close();
      return;
    case WM_SYSCOMMAND:
      if ((Message.WParam & 0xFFF0) == SC_CLOSE && !wm::IsWindowEnabled(Handle()) &&
          OwnsModalForm(Handle())) {
        Close();
        return;
      }
      break;
    case WM_MOUSEACTIVATE:
      Message.Result = MA_ACTIVATE;
      return;
    case CM_ACTIVATE:
      Activate();
      return;
    case CM_DEACTIVATE:
      Deactivate();
      return;
    case CM_RELEASE:
      delete this;
      return;
    case CM_SHOWINGCHANGED:
      if (Showing()) {
        PlaceOnScreen();
        DoShow();
        if (form_style_ == fsStayOnTop)
          wm::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        wm::ShowWindow(Handle(), SW_SHOWNORMAL);
      } else {
        DoHide();
        wm::ShowWindow(Handle(), SW_HIDE);
      }
      return;
    case CM_DIALOGKEY:
      if (!(GetKeyState(VK_MENU) & 0x8000)) {
        switch (Message.WParam) {
          case VK_TAB:
            if (!(GetKeyState(VK_CONTROL) & 0x8000)) {
              SelectNext(active_control_, !(GetKeyState(VK_SHIFT) & 0x8000), true);
              Message.Result = 1;
              return;
            }
            break;
          case VK_LEFT:
          case VK_RIGHT:
          case VK_UP:
          case VK_DOWN:
            if (active_control_ && active_control_->Parent()) {
              active_control_->Parent()->SelectNext(
                  active_control_, Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN, false);
              Message.Result = 1;
            }
            return;
          default:
            break;
        }
      }
      break;
    default:
      break;
  }
  TWinControl::Dispatch(Message);
}

}  // namespace lab
