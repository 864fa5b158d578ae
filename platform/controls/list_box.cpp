#include "platform/controls/list_box.h"

#include <algorithm>

#include "platform/controls/input.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/window_styles.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

using namespace win;

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TCustomControl(AOwner), items_(std::make_unique<TStringList>()) {
  SetControlStyle({csCaptureMouse, csDoubleClicks, csClickEvents, csOpaque});
  SetBounds(0, 0, 121, 97);
  SetTabStop(true);
  SetBorderStyle(bsSingle);
  SetColor(clWindow);
  SetParentColor(false);
  items_->OnChange = [this](TObject*) { ItemsChanged(); };
}

TCustomListBox::~TCustomListBox() { items_->OnChange = nullptr; }

void TCustomListBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_VSCROLL;
}

void TCustomListBox::CreateWnd() {
  TCustomControl::CreateWnd();
  ItemsChanged();
}

// --- properties

void TCustomListBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= Count()) throw EListError("List index out of bounds (%d)", Value);
  if (Value == item_index_) return;
  item_index_ = Value;
  if (Value >= 0) MakeVisible(Value);
  Invalidate();
}

void TCustomListBox::SetTopIndex(int Value) {
  Value = std::clamp(Value, 0, MaxTopIndex());
  if (Value == top_index_) return;
  top_index_ = Value;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  ItemsChanged();
}

int TCustomListBox::ItemHeight() {
  if (style_ != lbStandard || !HandleAllocated()) return item_height_;
  Canvas()->SetFont(Font());
  return Canvas()->TextHeight("Wg");
}

void TCustomListBox::SetItemHeight(int Value) {
  if (Value < 1 || Value == item_height_) return;
  item_height_ = Value;
  ItemsChanged();
}

bool TCustomListBox::Sorted() const { return items_->Sorted(); }

void TCustomListBox::SetSorted(bool Value) { items_->SetSorted(Value); }

// --- geometry

int TCustomListBox::HeightOf(int Index) {
  if (style_ == lbOwnerDrawVariable && Index >= 0 && Index < static_cast<int>(heights_.size()))
    return heights_[static_cast<std::size_t>(Index)];
  return std::max(ItemHeight(), 1);
}

int TCustomListBox::TopOf(int Index) {
  if (style_ != lbOwnerDrawVariable) return Index * HeightOf(0);
  int y = 0;
  for (int i = 0; i < Index; ++i) y += HeightOf(i);
  return y;
}

TRect TCustomListBox::ItemRect(int Index) {
  if (Index < top_index_ || Index < 0) return {};
  const TRect client = ClientRect();
  const int top = TopOf(Index) - TopOf(top_index_);
  if (top >= client.Height()) return {};
  return {0, top, client.Width(), top + HeightOf(Index)};
}

int TCustomListBox::ItemAtPos(TPoint Pos, bool Existing) {
  const TRect client = ClientRect();
  if (Pos.X < 0 || Pos.X >= client.Width() || Pos.Y < 0) return -1;
  int y = 0;
  for (int i = top_index_; i < Count(); ++i) {
    y += HeightOf(i);
    if (Pos.Y < y) return i;
  }
  return Existing ? -1 : Count();
}

int TCustomListBox::VisibleCount() {
  const int height = ClientRect().Height();
  int n = 0;
  int y = 0;
  for (int i = top_index_; i < Count(); ++i) {
    y += HeightOf(i);
    if (y > height) break;
    ++n;
  }
  if (n == 0 && style_ != lbOwnerDrawVariable) n = height / std::max(HeightOf(0), 1);
  return std::max(n, 1);
}

int TCustomListBox::MaxTopIndex() {
  // The largest first item from which the items to the end fill the client area.
  const int height = ClientRect().Height();
  int y = 0;
  int top = Count();
  while (top > 0 && y + HeightOf(top - 1) <= height) y += HeightOf(--top);
  return std::min(top, std::max(Count() - 1, 0));
}

void TCustomListBox::MakeVisible(int Index) {
  if (Index < 0 || Index >= Count()) return;
  if (Index < top_index_) {
    SetTopIndex(Index);
    return;
  }
  // Lower the view until the item's bottom fits.
  const int height = ClientRect().Height();
  int top = top_index_;
  while (top < Index && TopOf(Index + 1) - TopOf(top) > height) ++top;
  SetTopIndex(top);
}

void TCustomListBox::ItemsChanged() {
  heights_.clear();
  if (style_ == lbOwnerDrawVariable) {
    heights_.reserve(static_cast<std::size_t>(Count()));
    for (int i = 0; i < Count(); ++i) {
      int h = item_height_;
      MeasureItem(i, h);
      heights_.push_back(std::max(h, 1));
    }
  }
  if (item_index_ >= Count()) item_index_ = -1;
  top_index_ = std::clamp(top_index_, 0, MaxTopIndex());
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = std::max(Count() - 1, 0);
  si.nPage = static_cast<UINT>(VisibleCount());
  si.nPos = top_index_;
  wm::SetScrollInfo(Handle(), SB_VERT, si, true);
}

void TCustomListBox::Scroll(int Code, int Pos) {
  switch (Code) {
    case SB_LINEUP: SetTopIndex(top_index_ - 1); break;
    case SB_LINEDOWN: SetTopIndex(top_index_ + 1); break;
    case SB_PAGEUP: SetTopIndex(top_index_ - VisibleCount()); break;
    case SB_PAGEDOWN: SetTopIndex(top_index_ + VisibleCount()); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: SetTopIndex(Pos); break;
    case SB_TOP: SetTopIndex(0); break;
    case SB_BOTTOM: SetTopIndex(Count()); break;
    default: break;
  }
}

// --- drawing

void TCustomListBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  TCanvas* c = Canvas();
  c->FillRect(Rect);
  c->TextOut(Rect.Left + 2, Rect.Top, Items()->Strings(Index));
}

void TCustomListBox::Paint() {
  TCanvas* c = Canvas();
  const TRect client = ClientRect();
  const bool focused = Focused();
  int y = 0;
  for (int i = top_index_; i < Count() && y < client.Height(); ++i) {
    const TRect r{0, y, client.Width(), y + HeightOf(i)};
    y = r.Bottom;
    TOwnerDrawState state;
    if (i == item_index_) state += odSelected;
    if (i == item_index_ && focused) state += odFocused;
    if (!Enabled()) state += odDisabled;
    c->SetFont(Font());
    c->Brush()->SetStyle(bsSolid);
    if (state.Contains(odSelected)) {
      c->Brush()->SetColor(clHighlight);
      c->Font()->SetColor(clHighlightText);
    } else {
      c->Brush()->SetColor(Color());
    }
    DrawItem(i, r, state);
    if (state.Contains(odFocused)) c->DrawFocusRect(r);
  }
  if (y < client.Height()) {
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect({0, y, client.Width(), client.Height()});
  }
}

// --- input

void TCustomListBox::SelectionChangedByUser() { Click(); }

void TCustomListBox::SelectByUser(int Index) {
  if (Count() == 0) return;
  Index = std::clamp(Index, 0, Count() - 1);
  MakeVisible(Index);
  if (Index == item_index_) return;
  item_index_ = Index;
  Invalidate();
  SelectionChangedByUser();
}

void TCustomListBox::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  const int page = std::max(VisibleCount() - 1, 1);
  const int from = item_index_ < 0 ? top_index_ - 1 : item_index_;
  switch (Key) {
    case VK_UP: SelectByUser(item_index_ < 0 ? top_index_ : from - 1); break;
    case VK_DOWN: SelectByUser(from + 1); break;
    case VK_PRIOR: SelectByUser(item_index_ < 0 ? top_index_ : from - page); break;
    case VK_NEXT: SelectByUser(std::max(from, 0) + page); break;
    case VK_HOME: SelectByUser(0); break;
    case VK_END: SelectByUser(Count() - 1); break;
    default: return;
  }
  Key = 0;
}

void TCustomListBox::KeyPress(char32_t& Key) {
  TCustomControl::KeyPress(Key);
  if (Key < U' ' || Count() == 0) return;
  // The next item after the selected one that starts with the typed character.
  std::string typed;
  Utf8Append(typed, Key);
  for (int step = 1; step <= Count(); ++step) {
    const int i = (std::max(item_index_, -1) + step) % Count();
    const std::string s = Items()->Strings(i);
    const std::size_t first = s.empty() ? 0 : Utf8Next(s, 0);
    if (first > 0 && AnsiSameText(std::string_view(s).substr(0, first), typed)) {
      SelectByUser(i);
      break;
    }
  }
  Key = 0;
}

void TCustomListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    tracking_ = true;
    const int i = ItemAtPos({X, Y}, true);
    if (i >= 0) SelectByUser(i);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomListBox::MouseMove(TShiftState Shift, int X, int Y) {
  if (tracking_ && Count() > 0) {
    // Dragging past the ends scrolls the list along.
    const int height = ClientRect().Height();
    if (Y < 0)
      SelectByUser(top_index_ - 1);
    else if (Y >= height)
      SelectByUser(top_index_ + VisibleCount());
    else if (const int i = ItemAtPos({std::max(X, 0), Y}, true); i >= 0)
      SelectByUser(i);
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) tracking_ = false;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TCustomListBox::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  SetTopIndex(top_index_ + 3);
  return true;
}

bool TCustomListBox::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  SetTopIndex(top_index_ - 3);
  return true;
}

void TCustomListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
      return;
    case WM_VSCROLL:
      if (Message.LParam == 0) {
        Scroll(Message.WParamLo(), static_cast<std::int16_t>(Message.WParamHi()));
        return;
      }
      break;
    case WM_SIZE:
      TCustomControl::Dispatch(Message);
      top_index_ = std::clamp(top_index_, 0, MaxTopIndex());
      UpdateScrollBar();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(Message);
      if (item_index_ >= 0) {
        const TRect r = ItemRect(item_index_);
        if (!r.IsEmpty() && HandleAllocated()) wm::InvalidateRect(Handle(), &r, false);
      }
      return;
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      ItemsChanged();
      return;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
