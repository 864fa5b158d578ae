#include "platform/controls/tab_control.h"

#include <algorithm>

#include "platform/controls/common_controls.h"
#include "platform/controls/input.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/draw_text.h"
#include "platform/graphics/edges.h"
#include "platform/rtl/exceptions.h"

namespace lab {

using namespace win;

namespace {

constexpr int kPadding = 6;   // a tab's text from its sides
constexpr int kFirstTab = 2;  // the first tab from the left edge
constexpr int kRaise = 2;     // what the selected tab stands out by
constexpr int kPageMargin = 4;

}  // namespace

TTabControl::TTabControl(TComponent* AOwner) : TCustomControl(AOwner) {
  SetControlStyle({csCaptureMouse, csOpaque, csAcceptsControls});
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
  SetColor(clBtnFace);
  SetParentColor(false);
}

void TTabControl::CheckTab(int Index) const {
  if (Index < 0 || Index >= TabCount()) throw EListError("List index out of bounds (%d)", Index);
}

const std::string& TTabControl::Tab(int Index) const {
  CheckTab(Index);
  return tabs_[static_cast<std::size_t>(Index)].Caption;
}

LPARAM TTabControl::TabData(int Index) const {
  CheckTab(Index);
  return tabs_[static_cast<std::size_t>(Index)].Data;
}

int TTabControl::InsertTab(int Index, const std::string& Caption, LPARAM Data) {
  Index = std::clamp(Index, 0, TabCount());
  tabs_.insert(tabs_.begin() + Index, TTab{Caption, Data});
  if (tab_index_ >= Index) ++tab_index_;
  // A control with tabs always shows one.
  if (tab_index_ < 0) tab_index_ = 0;
  Invalidate();
  return Index;
}

void TTabControl::DeleteTab(int Index) {
  CheckTab(Index);
  tabs_.erase(tabs_.begin() + Index);
  if (tab_index_ > Index || tab_index_ >= TabCount()) --tab_index_;
  Invalidate();
}

void TTabControl::ClearTabs() {
  tabs_.clear();
  tab_index_ = -1;
  Invalidate();
}

void TTabControl::SetTabIndex(int Value) {
  if (Value != -1) CheckTab(Value);
  if (Value == tab_index_) return;
  tab_index_ = Value;
  Invalidate();
}

// ---- geometry --------------------------------------------------------------------------------------

int TTabControl::TabHeight() {
  Canvas()->SetFont(Font());
  return Canvas()->TextHeight("Wg") + 2 * kPadding - 2;
}

TRect TTabControl::TabRect(int Index) {
  CheckTab(Index);
  Canvas()->SetFont(Font());
  int x = kFirstTab;
  for (int i = 0; i < Index; ++i) x += Canvas()->TextWidth(tabs_[static_cast<std::size_t>(i)].Caption) + 2 * kPadding;
  const int width = Canvas()->TextWidth(tabs_[static_cast<std::size_t>(Index)].Caption) + 2 * kPadding;
  return TRect{x, kRaise, x + width, TabHeight()};
}

int TTabControl::IndexOfTabAt(int X, int Y) {
  for (int i = 0; i < TabCount(); ++i) {
    TRect r = TabRect(i);
    if (i == tab_index_) r = TRect{r.Left - kRaise, 0, r.Right + kRaise, r.Bottom};
    if (r.Contains(Point(X, Y))) return i;
  }
  return -1;
}

TRect TTabControl::DisplayRect() {
  const TRect c = ClientRect();
  const int top = TabCount() > 0 ? TabHeight() : 0;
  return TRect{c.Left + kPageMargin, top + kPageMargin, std::max(c.Left + kPageMargin, c.Right - kPageMargin),
               std::max(top + kPageMargin, c.Bottom - kPageMargin)};
}

// ---- painting --------------------------------------------------------------------------------------

void TTabControl::Paint() {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  const TRect client = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(client);
  TRect body{client.Left, TabCount() > 0 ? TabHeight() - 1 : client.Top, client.Right, client.Bottom};
  DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);

  c->SetFont(Font());
  dc->SelectObject(c->Font()->Handle());
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
  // The selected tab last, over its neighbours and the body's top edge.
  std::vector<int> order;
  for (int i = 0; i < TabCount(); ++i)
    if (i != tab_index_) order.push_back(i);
  if (tab_index_ >= 0) order.push_back(tab_index_);
  for (int i : order) {
    const bool selected = i == tab_index_;
    TRect r = TabRect(i);
    if (selected) r = TRect{r.Left - kRaise, 0, r.Right + kRaise, r.Bottom + 1};
    c->Brush()->SetColor(Color());
    c->FillRect(r);
    TRect edge = r;
    DrawEdge(dc, &edge, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
    TRect text = r;
    if (!selected) text = lab::OffsetRect(text, 0, 1);
    DrawText(dc, tabs_[static_cast<std::size_t>(i)].Caption, -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (selected && Focused()) c->DrawFocusRect(lab::InflateRect(r, -3, -3));
  }
}

// ---- the user --------------------------------------------------------------------------------------

LRESULT TTabControl::Notify(UINT Code) {
  if (!HandleAllocated()) return 0;
  const HWND parent = wm::GetParent(Handle());
  if (!parent) return 0;
  NMHDR nm;
  nm.hwndFrom = Handle();
  nm.idFrom = static_cast<UINT_PTR>(wm::GetWindowLongPtr(Handle(), GWLP_ID));
  nm.code = Code;
  return wm::SendMessage(parent, WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
}

bool TTabControl::SelectByUser(int Index) {
  if (Index < 0 || Index >= TabCount() || Index == tab_index_) return false;
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow || Notify(TCN_SELCHANGING) != 0) return false;
  SetTabIndex(Index);
  if (OnChange) OnChange(this);
  Notify(TCN_SELCHANGE);
  return true;
}

void TTabControl::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  switch (Key) {
    case VK_LEFT: SelectByUser(tab_index_ - 1); break;
    case VK_RIGHT: SelectByUser(tab_index_ + 1); break;
    case VK_HOME: SelectByUser(0); break;
    case VK_END: SelectByUser(TabCount() - 1); break;
    default: return;
  }
  Key = 0;
}

void TTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    const int index = IndexOfTabAt(X, Y);
    if (index >= 0) {
      SelectByUser(index);
      if (CanFocus() && !Focused()) SetFocus();
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

// ---- messages --------------------------------------------------------------------------------------

bool TTabControl::HandleTabMessage(TMessage& Message) {
  switch (Message.Msg) {
    case TCM_GETITEMCOUNT:
      Message.Result = TabCount();
      return true;
    case TCM_INSERTITEM: {
      const auto* item = reinterpret_cast<const TCITEM*>(Message.LParam);
      if (!item) {
        Message.Result = -1;
        return true;
      }
      const std::string text = (item->mask & TCIF_TEXT) && item->pszText ? item->pszText : "";
      Message.Result = InsertTab(static_cast<int>(Message.WParam), text, (item->mask & TCIF_PARAM) ? item->lParam : 0);
      return true;
    }
    case TCM_DELETEALLITEMS:
      ClearTabs();
      Message.Result = TRUE;
      return true;
    case TCM_GETCURSEL:
      Message.Result = tab_index_;
      return true;
    case TCM_SETCURSEL: {
      const int index = static_cast<int>(Message.WParam);
      Message.Result = tab_index_;
      if (index >= 0 && index < TabCount()) SetTabIndex(index);
      else Message.Result = -1;
      return true;
    }
    case TCM_GETITEMRECT: {
      const int index = static_cast<int>(Message.WParam);
      auto* r = reinterpret_cast<RECT*>(Message.LParam);
      Message.Result = FALSE;
      if (r && index >= 0 && index < TabCount()) {
        *r = TabRect(index);
        Message.Result = TRUE;
      }
      return true;
    }
    case TCM_ADJUSTRECT: {
      // A rectangle of the parent's: the window's place to the page area (FALSE), or back (TRUE).
      auto* r = reinterpret_cast<RECT*>(Message.LParam);
      if (!r || !HandleAllocated()) return true;
      RECT window, client;
      wm::GetWindowRect(Handle(), window);
      wm::GetClientRect(Handle(), client);
      POINT origin{0, 0};
      wm::ClientToScreen(Handle(), origin);
      const TRect page = lab::OffsetRect(DisplayRect(), origin.X - window.Left, origin.Y - window.Top);
      const int left = page.Left, top = page.Top, right = window.Width() - page.Right,
                bottom = window.Height() - page.Bottom;
      if (Message.WParam)
        *r = TRect{r->Left - left, r->Top - top, r->Right + right, r->Bottom + bottom};
      else
        *r = TRect{r->Left + left, r->Top + top, r->Right - right, r->Bottom - bottom};
      return true;
    }
    default:
      return false;
  }
}

void TTabControl::Dispatch(TMessage& Message) {
  if (HandleTabMessage(Message)) return;
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    default:
      break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
