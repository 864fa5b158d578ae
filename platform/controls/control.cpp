#include "platform/controls/control.h"

#include <algorithm>

#include "platform/controls/application.h"
#include "platform/controls/controls_unit.h"
#include "platform/controls/drag_drop.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/menus.h"
#include "platform/controls/mouse.h"
#include "platform/controls/win_control.h"
#include "platform/controls/window_manager.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/threads.h"

namespace lab {

using namespace lab::win;

// ---------------------------------------------------------------------------------------------
// TSizeConstraints

void TSizeConstraints::DeclareProperties(TPropertyDeclarer<TSizeConstraints>& P) {
  P.Property("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight).Default(0);
  P.Property("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth).Default(0);
  P.Property("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight).Default(0);
  P.Property("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth).Default(0);
}

void TSizeConstraints::Set(int& field, int v) {
  if (v < 0) v = 0;
  if (field == v) return;
  field = v;
  if (OnChange) OnChange(this);
}

void TSizeConstraints::Apply(int& width, int& height) const {
  if (max_width_ > 0 && width > max_width_) width = max_width_;
  if (min_width_ > 0 && width < min_width_) width = min_width_;
  if (max_height_ > 0 && height > max_height_) height = max_height_;
  if (min_height_ > 0 && height < min_height_) height = min_height_;
}

void TSizeConstraints::Assign(TPersistent* Source) {
  if (auto* c = dynamic_cast<TSizeConstraints*>(Source)) {
    min_width_ = c->min_width_;
    min_height_ = c->min_height_;
    max_width_ = c->max_width_;
    max_height_ = c->max_height_;
    if (OnChange) OnChange(this);
    return;
  }
  TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------------------------
// TControl

void TControl::DeclareProperties(TPropertyDeclarer<TControl>& P) {
  P.Property("Left", &TControl::Left, &TControl::SetLeft);
  P.Property("Top", &TControl::Top, &TControl::SetTop);
  P.Property("Width", &TControl::Width, &TControl::SetWidth);
  P.Property("Height", &TControl::Height, &TControl::SetHeight);
  P.Property("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
  P.Property("Anchors", &TControl::Anchors, &TControl::SetAnchors)
      .Default(TAnchors{akLeft, akTop});
  P.Property("BiDiMode", &TControl::BiDiMode, &TControl::SetBiDiMode)
      .Stored([](TControl& c) { return !c.ParentBiDiMode(); });
  P.Property("Color", &TControl::Color, &TControl::SetColor)
      .Idents("TColor")
      .Stored([](TControl& c) { return !c.ParentColor(); })
      .Default(clWindow);
  P.Property("Constraints", &TControl::Constraints, &TControl::SetConstraints);
  P.Property("Cursor", &TControl::Cursor, &TControl::SetCursor).Idents("TCursor").Default(crDefault);
  P.Property("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor)
      .Idents("TCursor")
      .Default(crDrag);
  P.Property("DragKind", &TControl::DragKind, &TControl::SetDragKind).Default(dkDrag);
  P.Property("DragMode", &TControl::DragMode, &TControl::SetDragMode).Default(dmManual);
  P.Property("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
  P.Property("Font", &TControl::Font, &TControl::SetFont)
      .Stored([](TControl& c) { return !c.ParentFont(); });
  P.Property("ParentBiDiMode", &TControl::ParentBiDiMode, &TControl::SetParentBiDiMode)
      .Default(true);
  P.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(true);
  P.Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
  P.Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint)
      .Default(true);
  P.Property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
  P.Property("Hint", &TControl::Hint, &TControl::SetHint);
  P.Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
      .Stored([](TControl& c) { return !c.ParentShowHint(); });
  P.Property("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
  P.Property("OnClick", &TControl::OnClick);
  P.Property("OnContextPopup", &TControl::OnContextPopup);
  P.Property("OnDblClick", &TControl::OnDblClick);
  P.Property("OnDragDrop", &TControl::OnDragDrop);
  P.Property("OnDragOver", &TControl::OnDragOver);
  P.Property("OnEndDrag", &TControl::OnEndDrag);
  P.Property("OnMouseDown", &TControl::OnMouseDown);
  P.Property("OnMouseMove", &TControl::OnMouseMove);
  P.Property("OnMouseUp", &TControl::OnMouseUp);
  P.Property("OnMouseWheel", &TControl::OnMouseWheel);
  P.Property("OnMouseWheelDown", &TControl::OnMouseWheelDown);
  P.Property("OnMouseWheelUp", &TControl::OnMouseWheelUp);
  P.Property("OnResize", &TControl::OnResize);
  P.Property("OnStartDrag", &TControl::OnStartDrag);
}

namespace {

// The WindowProc a control starts with, recognisable among replacements.
struct TOwnWndProc {
  TControl* Control;
  void operator()(TMessage& Message) const { Control->WndProc(Message); }
};

}  // namespace

bool TControl::OwnsWindowProc() const {
  const TOwnWndProc* own = WindowProc.target<TOwnWndProc>();
  return own && own->Control == this;
}

TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner),
      control_style_{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks},
      scaling_flags_{sfLeft, sfTop, sfWidth, sfHeight, sfFont} {
  UseUnit(ControlsUnit);
  WindowProc = TOwnWndProc{this};
  font_.OnChange = [this](TObject*) { HandleFontChanged(); };
}

TControl::~TControl() {
  if (Dragging()) TDragManager::Cancel();
  ForgetCaptureControl(this);
  // Only the main thread's controls are the application's mouse and hint controls.
  if (IsMainThread() && Application) Application->ControlDestroyed(this);
  if (parent_) parent_->RemoveControl(this);
}

void TControl::Loaded() {
  TComponent::Loaded();
  UpdateAnchorRules();
  // Properties that follow the parent take its values now that reading is over.
  if (parent_) {
    Perform(CM_PARENTCOLORCHANGED, 0, 0);
    Perform(CM_PARENTFONTCHANGED, 0, 0);
    Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
  }
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == popup_menu_) popup_menu_ = nullptr;
}

void TControl::SetParent(TWinControl* AParent) {
  if (parent_ == AParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

bool TControl::HasParent() const { return true; }
TComponent* TControl::GetParentComponent() const { return parent_; }
void TControl::SetParentComponent(TComponent* Value) {
  if (auto* w = dynamic_cast<TWinControl*>(Value)) SetParent(w);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  constraints_.Apply(AWidth, AHeight);
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  const bool sized = AWidth != width_ || AHeight != height_;
  Invalidate();
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  UpdateAnchorRules();
  Invalidate();
  RequestAlign();
  if (sized) Resize();
}

void TControl::UpdateBoundsRect(const TRect& r) {
  left_ = r.Left;
  top_ = r.Top;
  width_ = r.Width();
  height_ = r.Height();
}

void TControl::SetAnchors(TAnchors v) {
  if (anchors_ == v) return;
  anchors_ = v;
  UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
  if (anchor_move_) return;
  if (!parent_ || ComponentState().Contains(csLoading)) {
    has_anchor_rules_ = false;  // taken once the control has a parent and is read whole
    return;
  }
  auto rule = [](bool near, bool far, int pos, int size) {
    if (far) return near ? size : pos;
    return pos + size / 2;
  };
  anchor_rules_.X = rule(anchors_.Contains(akLeft), anchors_.Contains(akRight), left_, width_);
  anchor_rules_.Y = rule(anchors_.Contains(akTop), anchors_.Contains(akBottom), top_, height_);
  const TRect client = parent_->ClientRect();
  original_parent_size_ = TSize{client.Width(), client.Height()};
  has_anchor_rules_ = true;
}

void TControl::ApplyAnchorRules(TSize parentSize) {
  if (align_ != alNone || anchors_ == TAnchors{akLeft, akTop}) return;
  if (!has_anchor_rules_) {
    UpdateAnchorRules();
    return;
  }
  // From the distances taken when the anchors were set, never from the bounds now: pixels a
  // constraint or a zero size took away come back when the parent grows again.
  auto place = [](bool near, bool far, int rule, int original, int now, int& pos, int& size) {
    if (far) {
      if (near) size = now - (original - rule);
      else pos = rule + (now - original);
    } else if (!near && original > 0) {
      pos = MulDiv(rule, now, original) - size / 2;
    }
  };
  int l = left_, t = top_, w = width_, h = height_;
  place(anchors_.Contains(akLeft), anchors_.Contains(akRight), anchor_rules_.X, original_parent_size_.cx,
        parentSize.cx, l, w);
  place(anchors_.Contains(akTop), anchors_.Contains(akBottom), anchor_rules_.Y, original_parent_size_.cy,
        parentSize.cy, t, h);
  anchor_move_ = true;
  TScopeExit moved([this] { anchor_move_ = false; });
  SetBounds(l, t, w, h);
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

TRect TControl::GetClientRect() { return Rect(0, 0, width_, height_); }

void TControl::SetClientSize(int width, int height) {
  const TRect client = ClientRect();
  SetBounds(left_, top_, width_ - client.Width() + width, height_ - client.Height() + height);
}

TPoint TControl::ClientOrigin() {
  if (!parent_) return Point(left_, top_);
  TPoint p = parent_->ClientOrigin();
  return Point(p.X + left_, p.Y + top_);
}

TPoint TControl::ClientToScreen(TPoint p) {
  const TPoint o = ClientOrigin();
  return Point(p.X + o.X, p.Y + o.Y);
}

TPoint TControl::ScreenToClient(TPoint p) {
  const TPoint o = ClientOrigin();
  return Point(p.X - o.X, p.Y - o.Y);
}

void TControl::SetAlign(TAlign v) {
  if (align_ == v) return;
  align_ = v;
  if (v == alLeft || v == alRight) anchors_ = TAnchors{akLeft, akTop, akBottom};
  else if (v == alTop || v == alBottom) anchors_ = TAnchors{akLeft, akTop, akRight};
  else if (v == alClient) anchors_ = TAnchors{akLeft, akTop, akRight, akBottom};
  RequestAlign();
}

void TControl::RequestAlign() {
  if (parent_) parent_->AlignControl(this);
}

void TControl::SetVisible(bool v) {
  if (visible_ == v) return;
  VisibleChanging();
  visible_ = v;
  Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
  RequestAlign();
}

bool TControl::IsShowing() { return visible_ && parent_ && parent_->IsShowing(); }

void TControl::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::HandleFontChanged() {
  if (!updating_font_from_parent_) parent_font_ = false;
  FontChanged();
}

void TControl::FontChanged() { Perform(CM_FONTCHANGED, 0, 0); }

void TControl::SetParentFont(bool v) {
  if (parent_font_ == v) return;
  parent_font_ = v;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::ParentFontChanged() {
  if (!parent_font_ || !parent_) return;
  updating_font_from_parent_ = true;
  font_.Assign(parent_->Font());
  updating_font_from_parent_ = false;
}

void TControl::SetColor(TColor v) {
  if (color_ == v) {
    parent_color_ = false;
    return;
  }
  color_ = v;
  parent_color_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool v) {
  if (parent_color_ == v) return;
  parent_color_ = v;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor v) {
  if (cursor_ == v) return;
  cursor_ = v;
  Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetShowHint(bool v) {
  if (show_hint_ == v && !parent_show_hint_) return;
  show_hint_ = v;
  parent_show_hint_ = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool v) {
  if (parent_show_hint_ == v) return;
  parent_show_hint_ = v;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu* v) {
  if (popup_menu_ == v) return;
  if (popup_menu_) popup_menu_->RemoveFreeNotification(this);
  popup_menu_ = v;
  if (v) v->FreeNotification(this);
}

void TControl::SetBiDiMode(TBiDiMode v) {
  if (bi_di_mode_ == v) {
    parent_bi_di_mode_ = false;
    return;
  }
  bi_di_mode_ = v;
  parent_bi_di_mode_ = false;
  Perform(CM_BIDIMODECHANGED, 0, 0);
}

void TControl::SetParentBiDiMode(bool v) {
  if (parent_bi_di_mode_ == v) return;
  parent_bi_di_mode_ = v;
  if (parent_ && !ComponentState().Contains(csReading)) Perform(CM_PARENTBIDIMODECHANGED, 0, 0);
}

bool TControl::UseRightToLeftAlignment() const noexcept { return bi_di_mode_ == bdRightToLeft; }
bool TControl::UseRightToLeftReading() const noexcept { return bi_di_mode_ != bdLeftToRight; }

std::string TControl::GetText() {
  const auto length = Perform(WM_GETTEXTLENGTH, 0, 0);
  if (length <= 0) return {};
  std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
  const auto copied = Perform(WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  buffer.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
  return buffer;
}

void TControl::SetText(const std::string& v) {
  if (GetText() == v) return;
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(v.c_str()));
  Perform(CM_TEXTCHANGED, 0, 0);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  if (WindowProc)
    WindowProc(m);
  else
    WndProc(m);
  return m.Result;
}

void TControl::MainWndProc(TMessage& Message) {
  try {
    if (WindowProc)
      WindowProc(Message);
    else
      WndProc(Message);
  } catch (...) {
    if (Application)
      Application->HandleException(this);
    else
      throw;
  }
}

void TControl::WndProc(TMessage& Message) {
  UINT& msg = Message.Msg;
  if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
    if (!control_style_.Contains(csDoubleClicks) &&
        (msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK))
      msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    switch (msg) {
      case WM_MOUSEMOVE:
        // Hints belong to the main thread; a dialog on a thread of its own shows none.
        if (IsMainThread() && Application) Application->HintMouseMessage(this, Message);
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
        if (drag_mode_ == dmAutomatic) {
          BeginDrag(Mouse->DragImmediate(), Mouse->DragThreshold());
          return;
        }
        control_state_.Include(csLButtonDown);
        break;
      case WM_LBUTTONUP:
        control_state_.Exclude(csLButtonDown);
        break;
      default:
        break;
    }
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_LBUTTONDOWN: HandleMouseButton(Message, mbLeft, true, false); return;
    case WM_LBUTTONDBLCLK: HandleMouseButton(Message, mbLeft, true, true); return;
    case WM_LBUTTONUP: HandleMouseButton(Message, mbLeft, false, false); return;
    case WM_RBUTTONDOWN: HandleMouseButton(Message, mbRight, true, false); return;
    case WM_RBUTTONDBLCLK: HandleMouseButton(Message, mbRight, true, true); return;
    case WM_RBUTTONUP: HandleMouseButton(Message, mbRight, false, false); return;
    case WM_MBUTTONDOWN: HandleMouseButton(Message, mbMiddle, true, false); return;
    case WM_MBUTTONDBLCLK: HandleMouseButton(Message, mbMiddle, true, true); return;
    case WM_MBUTTONUP: HandleMouseButton(Message, mbMiddle, false, false); return;
    case WM_MOUSEMOVE: HandleMouseMove(Message); return;
    case WM_MOUSEWHEEL: HandleMouseWheel(Message); return;
    case CM_MOUSEWHEEL: {
      TShiftState shift = TShiftState::FromValue(Message.WParamLo());
      const int delta = static_cast<SHORT>(Message.WParamHi());
      const TPoint pos{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      Message.Result = 0;
      if (DoMouseWheel(shift, delta, pos))
        Message.Result = 1;
      else if (parent_)
        Message.Result = parent_->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
      return;
    }
    case WM_CONTEXTMENU: HandleContextMenu(Message); return;
    case WM_CANCELMODE: HandleCancelMode(Message); return;
    case WM_GETTEXT:
      if (!dynamic_cast<TWinControl*>(this)) {
        if (Message.WParam == 0 || !Message.LParam) return;
        const std::size_t n = std::min<std::size_t>(text_.size(), Message.WParam - 1);
        std::copy_n(text_.data(), n, reinterpret_cast<char*>(Message.LParam));
        reinterpret_cast<char*>(Message.LParam)[n] = '\0';
        Message.Result = static_cast<LRESULT>(n);
        return;
      }
      break;
    case WM_GETTEXTLENGTH:
      if (!dynamic_cast<TWinControl*>(this)) {
        Message.Result = static_cast<LRESULT>(text_.size());
        return;
      }
      break;
    case WM_SETTEXT:
      if (!dynamic_cast<TWinControl*>(this)) {
        text_ = Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "";
        Message.Result = 1;
        return;
      }
      break;
    case CM_VISIBLECHANGED:
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
      Invalidate();
      return;
    case CM_PARENTFONTCHANGED:
      if (Message.WParam != 0 && Message.LParam) {
        if (parent_font_) {
          updating_font_from_parent_ = true;
          font_.Assign(reinterpret_cast<TFont*>(Message.LParam));
          updating_font_from_parent_ = false;
        }
      } else {
        ParentFontChanged();
      }
      return;
    case CM_PARENTCOLORCHANGED:
      if (parent_color_ && parent_) {
        const TColor c = Message.WParam ? static_cast<TColor>(Message.LParam) : parent_->Color();
        SetColor(c);
        parent_color_ = true;
      }
      return;
    case CM_PARENTSHOWHINTCHANGED:
      if (parent_show_hint_ && parent_) {
        SetShowHint(parent_->ShowHint());
        parent_show_hint_ = true;
      }
      return;
    case CM_PARENTBIDIMODECHANGED:
      if (parent_bi_di_mode_ && parent_) {
        SetBiDiMode(parent_->BiDiMode());
        parent_bi_di_mode_ = true;
      }
      return;
    case CM_HITTEST:
      Message.Result = 1;  // HTCLIENT: every point of a control is its own
      return;
    case CM_DRAG:
      TDragManager::HandleDragMessage(this, Message);
      return;
    default:
      break;
  }
  DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage&) {}

void TControl::HandleMouseButton(TMessage& m, TMouseButton button, bool down, bool dbl) {
  const int x = GET_X_LPARAM(m.LParam), y = GET_Y_LPARAM(m.LParam);
  const TShiftState keys = KeysToShiftState(m.WParamLo());
  if (down) {
    if (button == mbLeft && ParentForm()) ParentForm()->SendCancelMode(this);
    DefaultHandler(m);
    if (button == mbLeft) {
      if (control_style_.Contains(csCaptureMouse)) SetMouseCapture(true);
      if (dbl) {
        if (control_style_.Contains(csClickEvents)) DblClick();
      } else if (control_style_.Contains(csClickEvents)) {
        control_state_.Include(csClicked);
      }
    }
    if (!control_style_.Contains(csNoStdEvents))
      MouseDown(button, dbl ? keys + ssDouble : keys, x, y);
    return;
  }
  DefaultHandler(m);
  if (button == mbLeft) {
    if (control_style_.Contains(csCaptureMouse)) SetMouseCapture(false);
    if (control_state_.Contains(csClicked)) {
      control_state_.Exclude(csClicked);
      if (ClientRect().Contains(Point(x, y))) Click();
    }
  }
  if (!control_style_.Contains(csNoStdEvents)) MouseUp(button, keys, x, y);
}

void TControl::HandleMouseMove(TMessage& m) {
  DefaultHandler(m);
  if (!control_style_.Contains(csNoStdEvents))
    MouseMove(KeysToShiftState(m.WParamLo()), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
}

void TControl::HandleMouseWheel(TMessage& m) {
  // The wheel turns into CM_MOUSEWHEEL, which a control may take or pass to its parent. Past the
  // parent controls (they had it already) only a window of another kind gets it, from the default.
  TShiftState shift = KeysToShiftState(GET_KEYSTATE_WPARAM(m.WParam));
  m.Result = Perform(CM_MOUSEWHEEL, MAKEWPARAM(static_cast<WORD>(shift.Value()), m.WParamHi()),
                     m.LParam);
  if (m.Result == 0 && !parent_) DefaultHandler(m);
}

void TControl::HandleContextMenu(TMessage& m) {
  if (m.Result != 0) return;
  TPoint screen{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
  const bool keyboard = screen.X == -1 && screen.Y == -1;
  bool handled = false;
  DoContextPopup(keyboard ? Point(-1, -1) : ScreenToClient(screen), handled);
  m.Result = handled ? 1 : 0;
  if (handled) return;
  if (popup_menu_ && popup_menu_->AutoPopup()) {
    if (ParentForm()) ParentForm()->SendCancelMode(nullptr);
    popup_menu_->SetPopupComponent(this);
    if (keyboard) screen = ClientToScreen(Point(0, 0));
    popup_menu_->Popup(screen.X, screen.Y);
    m.Result = 1;
    return;
  }
  DefaultHandler(m);
}

void TControl::HandleCancelMode(TMessage& m) {
  DefaultHandler(m);
  if (MouseCapture()) {
    SetMouseCapture(false);
    if (control_state_.Contains(csLButtonDown)) Perform(WM_LBUTTONUP, 0, MAKELPARAM(-1, -1));
  } else {
    control_state_.Exclude(csLButtonDown);
  }
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
  if (handled) return true;
  // Each full notch is one step up or down; a part of a notch waits for the rest.
  wheel_accumulator_ += WheelDelta;
  while (std::abs(wheel_accumulator_) >= WHEEL_DELTA) {
    if (wheel_accumulator_ < 0) {
      wheel_accumulator_ += WHEEL_DELTA;
      handled = DoMouseWheelDown(Shift, MousePos);
    } else {
      wheel_accumulator_ -= WHEEL_DELTA;
      handled = DoMouseWheelUp(Shift, MousePos);
    }
  }
  return handled;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, handled);
  return handled;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, handled);
  return handled;
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

bool TControl::MouseCapture() { return GetCaptureControl() == this; }

void TControl::SetMouseCapture(bool v) {
  if (MouseCapture() == v) return;
  SetCaptureControl(v ? this : nullptr);
}

void TControl::Invalidate() {
  if (!parent_ || !parent_->HandleAllocated() || !(visible_ || parent_->control_style_.Contains(csAcceptsControls)))
    return;
  const TRect r = BoundsRect();
  wm::InvalidateRect(parent_->Handle(), &r, !control_style_.Contains(csOpaque));
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  list.push_back(this);
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    if (w->HandleAllocated()) wm::SetWindowPos(w->handle_, HWND_TOP, 0, 0, 0, 0,
                                               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    Invalidate();
  }
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  list.insert(list.begin(), this);
  if (auto* w = dynamic_cast<TWinControl*>(this)) {
    if (w->HandleAllocated()) wm::SetWindowPos(w->handle_, HWND_BOTTOM, 0, 0, 0, 0,
                                               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  } else {
    Invalidate();
  }
}

void TControl::BeginDrag(bool Immediate, int Threshold) {
  if (Threshold < 0) Threshold = Mouse->DragThreshold();
  TDragManager::Begin(this, Immediate, Threshold);
}

void TControl::EndDrag(bool Drop) {
  if (Dragging()) TDragManager::Finish(Drop);
}

bool TControl::Dragging() const noexcept { return TDragManager::Source() == this; }

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = false;
  if (OnDragOver) {
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
  }
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoStartDrag(TObject*& DragObject) {
  if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::ScaleBy(int M, int D) { ChangeScale(M, D); }

void TControl::ChangeScale(int M, int D) {
  if (M == D) return;
  auto scale = [&](int v) { return static_cast<int>((static_cast<long long>(v) * M + (v >= 0 ? D / 2 : -D / 2)) / D); };
  const int l = scaling_flags_.Contains(sfLeft) ? scale(left_) : left_;
  const int t = scaling_flags_.Contains(sfTop) ? scale(top_) : top_;
  const int w = scaling_flags_.Contains(sfWidth) ? scale(left_ + width_) - scale(left_) : width_;
  const int h = scaling_flags_.Contains(sfHeight) ? scale(top_ + height_) - scale(top_) : height_;
  SetBounds(l, t, w, h);
  if (!parent_font_ && scaling_flags_.Contains(sfFont)) font_.SetSize(scale(font_.Size()));
}

TCustomForm* TControl::ParentForm() {
  TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TCustomForm*>(c);
}

}  // namespace lab
