#include "platform/controls/win_control.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/controls/application.h"
#include "platform/controls/cursor.h"
#include "platform/controls/drag_drop.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/mouse.h"
#include "platform/controls/nc_layout.h"
#include "platform/controls/screen.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/gdi.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

using namespace lab::win;

namespace {

std::mutex g_registryMutex;
std::unordered_map<HWND, TWinControl*>& Registry() {
  static auto* map = new std::unordered_map<HWND, TWinControl*>;
  return *map;
}

void Register(HWND h, TWinControl* c) {
  std::lock_guard lock(g_registryMutex);
  Registry()[h] = c;
}

void Unregister(HWND h) {
  std::lock_guard lock(g_registryMutex);
  Registry().erase(h);
}

}  // namespace

void TWinControl::DeclareProperties(TPropertyDeclarer<TWinControl>& P) {
  P.Property("Ctl3D", &TWinControl::Ctl3D, &TWinControl::SetCtl3D)
      .Stored([](TWinControl& c) { return !c.ParentCtl3D(); });
  P.Property("ParentCtl3D", &TWinControl::ParentCtl3D, &TWinControl::SetParentCtl3D).Default(true);
  P.Property("ImeMode", &TWinControl::ImeMode, &TWinControl::SetImeMode).Default(imDontCare);
  P.Property("ImeName", &TWinControl::ImeName, &TWinControl::SetImeName);
  P.Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Default(-1);
  P.Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop).Default(false);
  P.Property("OnEnter", &TWinControl::OnEnter);
  P.Property("OnExit", &TWinControl::OnExit);
  P.Property("OnKeyDown", &TWinControl::OnKeyDown);
  P.Property("OnKeyPress", &TWinControl::OnKeyPress);
  P.Property("OnKeyUp", &TWinControl::OnKeyUp);
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
  brush_.SetColor(Color());
}

TWinControl::~TWinControl() {
  Destroying();
  if (parent_) parent_->RemoveControl(this);
  DestroyHandle();
  // A parent frees its children (they may also be owned; their owner then forgets them).
  while (!controls_.empty()) {
    TControl* child = controls_.back();
    RemoveControl(child);
    delete child;
  }
}

TWinControl* TWinControl::FindControl(HWND hwnd) {
  if (!hwnd) return nullptr;
  std::lock_guard lock(g_registryMutex);
  auto it = Registry().find(hwnd);
  return it == Registry().end() ? nullptr : it->second;
}

// ---------------------------------------------------------------------------------------------
// The window

HWND TWinControl::Handle() {
  HandleNeeded();
  return handle_;
}

void TWinControl::HandleNeeded() {
  if (handle_) return;
  if (parent_) parent_->HandleNeeded();
  CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& Params) {
  Params = TCreateParams{};
  Params.Caption = text_;
  Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (control_style_.Contains(csAcceptsControls)) {
    Params.Style |= WS_CLIPCHILDREN;
    Params.ExStyle |= WS_EX_CONTROLPARENT;
  }
  if (!Enabled()) Params.Style |= WS_DISABLED;
  if (tab_stop_) Params.Style |= WS_TABSTOP;
  if (border_style_ == bsSingle) {
    if (ctl3d_)
      Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      Params.Style |= WS_BORDER;
  }
  if (UseRightToLeftReading()) Params.ExStyle |= WS_EX_RTLREADING;
  Params.X = left_;
  Params.Y = top_;
  Params.Width = width_;
  Params.Height = height_;
  if (parent_) Params.WndParent = parent_->Handle();
  Params.WindowClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  Params.WinClassName = std::string(ClassName());
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName) {
  wm::WNDCLASS wc;
  if (!wm::GetClassInfo(ControlClassName, wc)) return;
  Params.WindowClassStyle = wc.style;
  Params.WinClassName = ControlClassName;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  if ((params.Style & WS_CHILD) && !params.WndParent)
    throw EInvalidOperation("Control '%s' has no parent window", Name());
  wm::WNDCLASS wc;
  if (wm::GetClassInfo(params.WinClassName, wc)) {
    DefWndProc = wc.lpfnWndProc;
  } else {
    wc.lpszClassName = params.WinClassName;
    wc.style = params.WindowClassStyle;
    wm::RegisterClass(wc);
    DefWndProc = nullptr;
  }
  CreateWindowHandle(params);
  if (!handle_) throw EOSError("Error creating window");
  text_.clear();
  UpdateBounds();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
  // The control takes its window's messages from the first one on; WM_NCCREATE brings the handle.
  WNDPROC proc = [this](HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) -> LRESULT {
    if (!handle_) {
      handle_ = hwnd;
      Register(hwnd, this);
    }
    TMessage m{msg, wp, lp, 0};
    MainWndProc(m);
    return m.Result;
  };
  creating_handle_ = true;
  const HWND h = wm::CreateWindowEx(Params.ExStyle, Params.WinClassName, Params.Caption,
                                    Params.Style, Params.X, Params.Y, Params.Width, Params.Height,
                                    Params.WndParent, 0, Params.Param, &proc);
  creating_handle_ = false;
  if (!h) {
    if (handle_) Unregister(handle_);
    handle_ = nullptr;
  }
}

void TWinControl::CreateHandle() {
  if (handle_) return;
  CreateWnd();
  if (parent_) parent_->SetZOrderOf(this);
}

// Puts a child's window in the z-order its place in the control list says.
void TWinControl::SetZOrderOf(TWinControl* child) {
  HWND after = HWND_TOP;
  auto it = std::find(controls_.begin(), controls_.end(), child);
  for (++it; it != controls_.end(); ++it) {
    auto* w = dynamic_cast<TWinControl*>(*it);
    if (w && w->handle_) {
      after = w->handle_;
      break;
    }
  }
  wm::SetWindowPos(child->handle_, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
  DestroyWnd();
}

void TWinControl::DestroyWnd() {
  // The text lives in the window; keep it for the next one, unless the control is going away (an
  // editor's text can be hundreds of megabytes).
  std::string text = ComponentState().Contains(csDestroying) ? std::string() : wm::GetWindowText(handle_);
  DestroyWindowHandle();
  text_ = std::move(text);
}

void TWinControl::DestroyWindowHandle() {
  control_state_.Include(csDestroyingHandle);
  const HWND h = handle_;
  wm::DestroyWindow(h);
  control_state_.Exclude(csDestroyingHandle);
  Unregister(h);
  handle_ = nullptr;
  showing_ = false;
}

void TWinControl::RecreateWnd() {
  if (handle_) Perform(CM_RECREATEWND, 0, 0);
}

void TWinControl::UpdateBounds() {
  if (!handle_) return;
  RECT r;
  wm::GetWindowRect(handle_, r);
  if (const HWND p = wm::GetParent(handle_); p && (wm::GetWindowLongPtr(handle_, GWL_STYLE) & WS_CHILD)) {
    POINT o{0, 0};
    wm::ClientToScreen(p, o);
    r = lab::OffsetRect(r, -o.X, -o.Y);
  }
  const bool sized = r.Width() != width_ || r.Height() != height_;
  UpdateBoundsRect(r);
  if (sized) RequestAlign();
}

void TWinControl::UpdateShowing() {
  const bool show = Visible();
  if (show) {
    if (!handle_) CreateHandle();
    for (TControl* c : std::vector<TControl*>(controls_))
      if (auto* w = dynamic_cast<TWinControl*>(c)) w->UpdateShowing();
  }
  if (handle_ && showing_ != show) {
    showing_ = show;
    TScopeFail undo([&] { showing_ = !show; });
    Perform(CM_SHOWINGCHANGED, 0, 0);
  }
}

// Shows or hides the control when every container up to its form is showing.
void TWinControl::UpdateControlState() {
  TWinControl* top = this;
  while (top->parent_) {
    top = top->parent_;
    if (!top->showing_) return;
  }
  // A top-level control other than a form (a dialog's window) shows its children once it shows.
  if (dynamic_cast<TCustomForm*>(top) || top->showing_) UpdateShowing();
}

// ---------------------------------------------------------------------------------------------
// Children

void TWinControl::InsertControl(TControl* AControl) {
  if (!AControl || AControl->parent_ == this) return;
  if (auto* w = dynamic_cast<TWinControl*>(AControl); w && w->ContainsControl(this))
    throw EInvalidOperation("A control cannot have itself as its parent");
  controls_.push_back(AControl);
  AControl->parent_ = this;
  AControl->UpdateAnchorRules();
  auto* win = dynamic_cast<TWinControl*>(AControl);
  if (win) tab_list_.push_back(win);
  if (!AControl->ComponentState().Contains(csReading)) {
    AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    AControl->Perform(CM_PARENTFONTCHANGED, 0, 0);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    AControl->Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
    if (win) {
      AControl->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
      win->UpdateControlState();
    } else if (handle_) {
      AControl->Invalidate();
    }
    AlignControl(AControl);
  }
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
}

void TWinControl::RemoveControl(TControl* AControl) {
  auto it = std::find(controls_.begin(), controls_.end(), AControl);
  if (it == controls_.end()) return;
  Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
  if (auto* w = dynamic_cast<TWinControl*>(AControl)) {
    if (TCustomForm* form = ParentForm()) form->DefocusControl(w, true);
    w->DestroyHandle();
    tab_list_.erase(std::remove(tab_list_.begin(), tab_list_.end(), w), tab_list_.end());
  } else if (handle_ && AControl->Visible()) {
    AControl->Invalidate();
  }
  controls_.erase(std::find(controls_.begin(), controls_.end(), AControl));
  AControl->parent_ = nullptr;
  AControl->UpdateAnchorRules();
  Realign();
}

bool TWinControl::ContainsControl(TControl* Control) const {
  for (; Control; Control = Control->parent_)
    if (Control == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (!AllowWinControls && dynamic_cast<TWinControl*>(c)) continue;
    if (!c->Visible() || (!AllowDisabled && !c->Enabled())) continue;
    if (!c->BoundsRect().Contains(Pos)) continue;
    const TPoint local{Pos.X - c->Left(), Pos.Y - c->Top()};
    if (c->Perform(CM_HITTEST, 0, MAKELPARAM(local.X, local.Y)) != 0) return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    c->WindowProc(Message);
    if (Message.Result != 0) return;
  }
}

void TWinControl::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TControl* c : controls_)
    if (c->Owner() == Root) Proc(c);
}

TRect TWinControl::GetClientRect() {
  if (handle_) {
    RECT r;
    wm::GetClientRect(handle_, r);
    return r;
  }
  TCreateParams params;
  CreateParams(params);
  // Without a window the client area is what the window will leave of the bounds once made, so
  // anchors taken before and kept after the window is made measure the same area.
  const RECT client = wm::ComputeNcLayout(width_, height_, params.Style, params.ExStyle).client;
  return Rect(0, 0, client.Width(), client.Height());
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  Constraints()->Apply(AWidth, AHeight);
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  if (handle_) {
    wm::SetWindowPos(handle_, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateBounds();
  } else {
    const bool sized = AWidth != width_ || AHeight != height_;
    UpdateBoundsRect(Bounds(ALeft, ATop, AWidth, AHeight));
    if (sized) {
      Realign();
      Resize();
    }
  }
  UpdateAnchorRules();
  RequestAlign();
}

void TWinControl::Invalidate() {
  if (handle_) wm::InvalidateRect(handle_, nullptr, !control_style_.Contains(csOpaque));
}

void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::Update() {
  if (handle_) wm::UpdateWindow(handle_);
}

void TWinControl::ScrollBy(int DeltaX, int DeltaY) {
  if (handle_) wm::ScrollWindowEx(handle_, DeltaX, DeltaY, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE | SW_ERASE | SW_SCROLLCHILDREN);
  for (TControl* c : controls_)
    if (!dynamic_cast<TWinControl*>(c) || !handle_)
      c->SetBounds(c->Left() + DeltaX, c->Top() + DeltaY, c->Width(), c->Height());
    else
      static_cast<TWinControl*>(c)->UpdateBounds();
}

// ---------------------------------------------------------------------------------------------
// Appearance

void TWinControl::SetBorderStyle(TBorderStyle v) {
  if (border_style_ == v) return;
  border_style_ = v;
  RecreateWnd();
}

void TWinControl::SetCtl3D(bool v) {
  if (ctl3d_ == v) {
    parent_ctl3d_ = false;
    return;
  }
  ctl3d_ = v;
  parent_ctl3d_ = false;
  Perform(CM_CTL3DCHANGED, 0, 0);
}

void TWinControl::SetParentCtl3D(bool v) {
  if (parent_ctl3d_ == v) return;
  parent_ctl3d_ = v;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTCTL3DCHANGED, 0, 0);
}

void TWinControl::SetTabStop(bool v) {
  if (tab_stop_ == v) return;
  tab_stop_ = v;
  if (handle_) {
    const LONG_PTR style = wm::GetWindowLongPtr(handle_, GWL_STYLE);
    wm::SetWindowLongPtr(handle_, GWL_STYLE, v ? (style | WS_TABSTOP) : (style & ~LONG_PTR(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

int TWinControl::TabOrder() const {
  if (!parent_) return -1;
  auto& list = parent_->tab_list_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int v) {
  if (!parent_) return;
  auto& list = parent_->tab_list_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (v < 0 || v > static_cast<int>(list.size())) v = static_cast<int>(list.size());
  list.insert(list.begin() + v, this);
}

void TWinControl::FontChanged() { TControl::FontChanged(); }

void TWinControl::ChangeScale(int M, int D) {
  DisableAlign();
  for (TControl* c : std::vector<TControl*>(controls_)) c->ChangeScale(M, D);
  TControl::ChangeScale(M, D);
  // The children's distances to the edges were scaled with them: measure them in the scaled client area.
  for (TControl* c : controls_) c->UpdateAnchorRules();
  EnableAlign();
}

void TWinControl::Loaded() {
  TControl::Loaded();
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->Perform(CM_PARENTCTL3DCHANGED, 0, 0);
  Realign();
}

// ---------------------------------------------------------------------------------------------
// Messages

bool TWinControl::IsControlMouseMsg(TMessage& m) {
  TControl* target = nullptr;
  if (handle_ && wm::GetCapture() == handle_) {
    TControl* captured = GetCaptureControl();
    if (captured && captured != this && captured->parent_ == this) target = captured;
  } else {
    target = ControlAtPos(Point(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)), false);
  }
  if (!target) return false;
  const int x = GET_X_LPARAM(m.LParam) - target->Left();
  const int y = GET_Y_LPARAM(m.LParam) - target->Top();
  m.Result = target->Perform(m.Msg, m.WParam, MAKELPARAM(x, y));
  return true;
}

void TWinControl::WndProc(TMessage& Message) {
  const UINT msg = Message.Msg;
  switch (msg) {
    case WM_SETFOCUS:
      if (TCustomForm* form = ParentForm(); form && !form->SetFocusedControl(this)) return;
      break;
    case WM_KILLFOCUS:
      if (control_state_.Contains(csFocusing)) return;
      break;
    case WM_NCHITTEST:
      TControl::WndProc(Message);
      if (Message.Result == HTTRANSPARENT &&
          ControlAtPos(ScreenToClient(Point(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam))), false))
        Message.Result = HTCLIENT;
      return;
    case WM_CANCELMODE:
      if (handle_ && wm::GetCapture() == handle_) {
        TControl* captured = GetCaptureControl();
        if (captured && captured != this && captured->parent_ == this) captured->Perform(WM_CANCELMODE, 0, 0);
      }
      break;
    default:
      if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && IsControlMouseMsg(Message)) {
        if (Message.Result == 0 && handle_)
          wm::DefWindowProc(handle_, Message.Msg, Message.WParam, Message.LParam);
        return;
      }
      if (msg >= WM_KEYFIRST && msg <= WM_KEYLAST && TDragManager::Source()) {
        if (msg == WM_KEYDOWN && Message.WParam == VK_ESCAPE) TDragManager::Cancel();
        return;
      }
      break;
  }
  TControl::WndProc(Message);
}

void TWinControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT:
      if (!double_buffered_ && !UseDoubleBuffer() && !control_state_.Contains(csCustomPaint) &&
          controls_.empty())
        DefaultHandler(Message);
      else
        PaintHandler(Message);
      return;
    case WM_ERASEBKGND:
      HandleEraseBkgnd(Message);
      return;
    case WM_SIZE:
      UpdateBounds();
      DefaultHandler(Message);
      Realign();
      Resize();
      return;
    case WM_MOVE:
      UpdateBounds();
      DefaultHandler(Message);
      return;
    case WM_SETCURSOR:
      HandleSetCursor(Message);
      return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (!DoKeyDown(Message)) DefaultHandler(Message);
      return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (!DoKeyUp(Message)) DefaultHandler(Message);
      return;
    case WM_CHAR:
      if (!DoKeyPress(Message)) DefaultHandler(Message);
      return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
    case CN_CHAR:
    case CN_SYSCHAR:
      HandleKeyReflection(Message);
      return;
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      // Notifications from a child control's window go back to that control as CN_ messages.
      const HWND from = reinterpret_cast<HWND>(Message.LParam);
      if (TWinControl* c = from && from != handle_ ? FindControl(from) : nullptr) {
        Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
        return;
      }
      break;
    }
    case WM_SETFONT: {
      // A window built from messages alone (a dialog's) hands its controls their fonts this way;
      // the sender keeps its font, the control takes a copy.
      LOGFONT lf;
      if (Message.WParam && GetObject(reinterpret_cast<HFONT>(Message.WParam), &lf))
        Font()->SetHandle(CreateFontIndirect(&lf));
      if (Message.LParam) Invalidate();
      return;
    }
    case WM_GETFONT:
      Message.Result = reinterpret_cast<LRESULT>(Font()->Handle());
      return;
    case WM_NCDESTROY:
      DefaultHandler(Message);
      if (handle_) Unregister(handle_);
      handle_ = nullptr;
      showing_ = false;
      return;
    case CM_ENTER:
      DoEnter();
      return;
    case CM_EXIT:
      DoExit();
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
      Broadcast(Message);
      return;
    case CM_CHILDKEY:
      if (parent_) Message.Result = parent_->Perform(CM_CHILDKEY, Message.WParam, Message.LParam);
      return;
    case CM_FONTCHANGED: {
      TControl::Dispatch(Message);
      TMessage n{CM_PARENTFONTCHANGED, 0, 0, 0};
      Broadcast(n);
      return;
    }
    case CM_COLORCHANGED: {
      brush_.SetColor(Color());
      TControl::Dispatch(Message);
      TMessage n{CM_PARENTCOLORCHANGED, 0, 0, 0};
      Broadcast(n);
      return;
    }
    case CM_SHOWHINTCHANGED: {
      TMessage n{CM_PARENTSHOWHINTCHANGED, 0, 0, 0};
      Broadcast(n);
      return;
    }
    case CM_BIDIMODECHANGED: {
      TMessage n{CM_PARENTBIDIMODECHANGED, 0, 0, 0};
      Broadcast(n);
      RecreateWnd();
      return;
    }
    case CM_CTL3DCHANGED: {
      if (border_style_ == bsSingle) RecreateWnd();
      TMessage n{CM_PARENTCTL3DCHANGED, 0, 0, 0};
      Broadcast(n);
      return;
    }
    case CM_PARENTCTL3DCHANGED:
      if (parent_ctl3d_ && parent_) {
        SetCtl3D(parent_->Ctl3D());
        parent_ctl3d_ = true;
      }
      return;
    case CM_ENABLEDCHANGED:
      if (!Enabled() && parent_)
        if (TCustomForm* form = ParentForm()) form->DefocusControl(this, false);
      if (handle_) wm::EnableWindow(handle_, Enabled());
      TControl::Dispatch(Message);
      return;
    case CM_VISIBLECHANGED:
      if (!Visible() && parent_)
        if (TCustomForm* form = ParentForm()) form->DefocusControl(this, false);
      UpdateControlState();
      return;
    case CM_SHOWINGCHANGED:
      if (handle_)
        wm::SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                             (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
      return;
    case CM_RECREATEWND: {
      // The focus may be in a child window (a grid's editor): it goes with the window, and comes
      // back to the new one.
      const HWND focus = wm::GetFocus();
      const bool wasFocused = focus && (focus == handle_ || wm::IsChild(handle_, focus));
      DestroyHandle();
      UpdateControlState();
      if (wasFocused && handle_) wm::SetFocus(handle_);
      return;
    }
    case CM_CURSORCHANGED:
      if (handle_) {
        POINT p;
        GetCursorPos(p);
        if (wm::WindowFromPoint(p) == handle_)
          Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(handle_), HTCLIENT);
      }
      return;
    default:
      break;
  }
  TControl::Dispatch(Message);
}

void TWinControl::DefaultHandler(TMessage& Message) {
  if (handle_) {
    Message.Result = wm::CallWindowProc(DefWndProc, handle_, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  // Without a window the text stays with the control.
  switch (Message.Msg) {
    case WM_GETTEXT: {
      if (Message.WParam == 0 || !Message.LParam) return;
      const std::size_t n = std::min<std::size_t>(text_.size(), Message.WParam - 1);
      std::copy_n(text_.data(), n, reinterpret_cast<char*>(Message.LParam));
      reinterpret_cast<char*>(Message.LParam)[n] = '\0';
      Message.Result = static_cast<LRESULT>(n);
      return;
    }
    case WM_GETTEXTLENGTH:
      Message.Result = static_cast<LRESULT>(text_.size());
      return;
    case WM_SETTEXT:
      text_ = Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "";
      Message.Result = 1;
      return;
    default:
      return;
  }
}

void TWinControl::HandleSetCursor(TMessage& m) {
  if (reinterpret_cast<HWND>(m.WParam) == handle_ &&
      static_cast<SHORT>(m.LParamLo()) == static_cast<SHORT>(HTCLIENT)) {
    TCursor cursor = Screen ? Screen->Cursor() : crDefault;
    if (cursor == crDefault) {
      POINT p;
      GetCursorPos(p);
      if (TControl* c = ControlAtPos(ScreenToClient(p), false)) cursor = c->Cursor();
      if (cursor == crDefault) cursor = Cursor();
    }
    if (cursor != crDefault) {
      if (Screen)
        Screen->ShowCursor(cursor);
      else
        wm::ShowCursorNumber(cursor);
      m.Result = 1;
      return;
    }
  }
  DefaultHandler(m);
}

void TWinControl::HandleEraseBkgnd(TMessage& m) {
  if (auto dc = reinterpret_cast<HDC>(m.WParam)) {
    brush_.SetColor(Color());
    dc->FillRect(ClientRect(), brush_.Handle());
  }
  m.Result = 1;
}

// ---------------------------------------------------------------------------------------------
// Painting

void TWinControl::PaintWindow(HDC DC) {
  TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
  DefaultHandler(m);
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
  auto it = controls_.begin();
  if (First) it = std::find(controls_.begin(), controls_.end(), First);
  for (; it != controls_.end(); ++it) {
    TControl* c = *it;
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    const TRect bounds = c->BoundsRect();
    if (!DC->RectVisible(bounds)) continue;
    const int saved = DC->SaveDC();
    const TPoint org = DC->ViewportOrg();
    DC->SetViewportOrg(Point(org.X + c->Left(), org.Y + c->Top()));
    DC->IntersectClipRect(Rect(0, 0, c->Width(), c->Height()));
    c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    DC->RestoreDC(saved);
  }
}

void TWinControl::PaintHandler(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  PAINTSTRUCT ps;
  if (!dc) {
    if (UseDoubleBuffer()) {
      // Paint off the screen, then copy what needs painting at once: no flicker.
      dc = wm::BeginPaint(handle_, ps);
      TScopeExit end_paint([&] { wm::EndPaint(handle_, ps); });
      if (dc) {
        const TRect client = ClientRect();
        auto* bitmap = new TGdiBitmap(std::max(client.Width(), 1), std::max(client.Height(), 1));
        auto* mem = new TDeviceContext();
        TScopeExit free_buffer([&] {
          delete mem;
          bitmap->Release();
        });
        mem->SelectObject(bitmap);
        mem->IntersectClipRect(ps.rcPaint);
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(mem), reinterpret_cast<LPARAM>(mem));
        TMessage inner{WM_PAINT, reinterpret_cast<WPARAM>(mem), 0, 0};
        PaintHandler(inner);
        dc->BitBlt(ps.rcPaint.Left, ps.rcPaint.Top, ps.rcPaint.Width(), ps.rcPaint.Height(), mem,
                   ps.rcPaint.Left, ps.rcPaint.Top, SRCCOPY);
      }
      return;
    }
    dc = wm::BeginPaint(handle_, ps);
    if (!dc) return;
  }
  TScopeExit end_paint([&] {
    if (!Message.WParam) wm::EndPaint(handle_, ps);
  });
  // Opaque graphic children paint their own background: leave their area out of the window's.
  const int saved = dc->SaveDC();
  for (TControl* c : controls_) {
    if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
    if (c->ControlStyle().Contains(csOpaque)) dc->ExcludeClipRect(c->BoundsRect());
  }
  PaintWindow(dc);
  dc->RestoreDC(saved);
  PaintControls(dc, nullptr);
}

void TWinControl::PaintTo(HDC DC, int X, int Y) {
  const int saved = DC->SaveDC();
  const TPoint org = DC->ViewportOrg();
  DC->SetViewportOrg(Point(org.X + X, org.Y + Y));
  DC->IntersectClipRect(Rect(0, 0, Width(), Height()));
  Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), reinterpret_cast<LPARAM>(DC));
  Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  DC->RestoreDC(saved);
  for (TControl* c : controls_)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && w->Visible()) w->PaintTo(DC, X + w->Left(), Y + w->Top());
}

}  // namespace lab
