#include "platform/controls/list_view.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

#include "platform/controls/common_controls.h"
#include "platform/controls/input.h"
#include "platform/controls/mouse.h"
#include "platform/controls/screen.h"
#include "platform/controls/scroll_bars.h"
#include "platform/controls/scrolled_view.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"
#include "platform/graphics/draw_text.h"
#include "platform/graphics/edges.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/exceptions.h"

namespace lab {

using namespace win;

namespace {

constexpr int kCellMargin = 6;   // text from a column's edges
constexpr int kImageSpace = 20;  // the first column's text after a row's image
constexpr int kDividerGrip = 3;  // pixels either side of a header divider that take the mouse
constexpr UINT kCellTextFlags = DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;

UINT AlignmentFlag(TAlignment Alignment) {
  return Alignment == taRightJustify ? DT_RIGHT : Alignment == taCenter ? DT_CENTER : DT_LEFT;
}

TAlignment AlignmentOfFormat(int Format) {
  return Format == LVCFMT_RIGHT ? taRightJustify : Format == LVCFMT_CENTER ? taCenter : taLeftJustify;
}

int FormatOfAlignment(TAlignment Alignment) {
  return Alignment == taRightJustify ? LVCFMT_RIGHT : Alignment == taCenter ? LVCFMT_CENTER : LVCFMT_LEFT;
}

// Copies Text into a caller's buffer of Size bytes, cut to fit with its closing 0; answers the bytes
// copied.
int CopyOut(const std::string& Text, char* Buffer, int Size) {
  if (!Buffer || Size <= 0) return 0;
  const std::size_t n = std::min(Text.size(), static_cast<std::size_t>(Size - 1));
  std::memcpy(Buffer, Text.data(), n);
  Buffer[n] = 0;
  return static_cast<int>(n);
}

}  // namespace

TCustomListView::TCustomListView(TComponent* AOwner)
    : TCustomControl(AOwner), image_link_(std::make_unique<TChangeLink>()) {
  SetControlStyle({csCaptureMouse, csDoubleClicks, csClickEvents, csOpaque});
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
  SetBorderStyle(bsSingle);
  SetColor(clWindow);
  SetParentColor(false);
  image_link_->OnChange = [this](TObject*) { Changed(); };
}

TCustomListView::~TCustomListView() { SetSmallImages(nullptr); }

void TCustomListView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_VSCROLL | WS_HSCROLL;
}

void TCustomListView::CreateWnd() {
  TCustomControl::CreateWnd();
  Changed();
}

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove || AComponent != small_images_) return;
  // The list is being destroyed and its change links are gone: forget it without calling into it.
  small_images_ = nullptr;
  Changed();
}

// ---- columns and items ---------------------------------------------------------------------------

void TCustomListView::CheckColumn(int Index) const {
  if (Index < 0 || Index >= ColumnCount()) throw EListError("List index out of bounds (%d)", Index);
}

void TCustomListView::CheckItem(int Index) const {
  if (Index < 0 || Index >= ItemCount()) throw EListError("List index out of bounds (%d)", Index);
}

const TListColumn& TCustomListView::Column(int Index) const {
  CheckColumn(Index);
  return columns_[static_cast<std::size_t>(Index)];
}

int TCustomListView::AddColumn(const std::string& Caption, int Width, TAlignment Alignment) {
  return InsertColumn(ColumnCount(), TListColumn{Caption, Width, Alignment});
}

int TCustomListView::InsertColumn(int Index, TListColumn Column) {
  Index = std::clamp(Index, 0, ColumnCount());
  Column.Width = std::max(Column.Width, 0);
  columns_.insert(columns_.begin() + Index, std::move(Column));
  // Cells stay with their columns.
  for (TListItem& item : items_)
    if (static_cast<int>(item.Texts.size()) > Index) item.Texts.insert(item.Texts.begin() + Index, std::string());
  Changed();
  return Index;
}

void TCustomListView::SetColumn(int Index, TListColumn Column) {
  CheckColumn(Index);
  Column.Width = std::max(Column.Width, 0);
  columns_[static_cast<std::size_t>(Index)] = std::move(Column);
  Changed();
}

void TCustomListView::SetColumnWidth(int Index, int Width) {
  CheckColumn(Index);
  columns_[static_cast<std::size_t>(Index)].Width = std::max(Width, 0);
  Changed();
}

int TCustomListView::TotalColumnWidth() const noexcept {
  return std::accumulate(columns_.begin(), columns_.end(), 0, [](int sum, const TListColumn& c) { return sum + c.Width; });
}

const TListItem& TCustomListView::Item(int Index) const {
  CheckItem(Index);
  return items_[static_cast<std::size_t>(Index)];
}

std::string TCustomListView::ItemText(int Index, int Column) const {
  const TListItem& item = Item(Index);
  return Column >= 0 && Column < static_cast<int>(item.Texts.size()) ? item.Texts[static_cast<std::size_t>(Column)]
                                                                     : std::string();
}

int TCustomListView::InsertItem(int Index, TListItem Item) {
  Index = std::clamp(Index, 0, ItemCount());
  items_.insert(items_.begin() + Index, std::move(Item));
  if (item_index_ >= Index) ++item_index_;
  if (item_focused_ >= Index) ++item_focused_;
  Changed();
  return Index;
}

void TCustomListView::SetItemText(int Index, int Column, const std::string& Text) {
  CheckItem(Index);
  if (Column < 0) throw EListError("List index out of bounds (%d)", Column);
  std::vector<std::string>& texts = items_[static_cast<std::size_t>(Index)].Texts;
  if (static_cast<int>(texts.size()) <= Column) texts.resize(static_cast<std::size_t>(Column) + 1);
  texts[static_cast<std::size_t>(Column)] = Text;
  Invalidate();
}

void TCustomListView::SetItemImage(int Index, int ImageIndex) {
  CheckItem(Index);
  items_[static_cast<std::size_t>(Index)].ImageIndex = ImageIndex;
  Invalidate();
}

void TCustomListView::SetItemData(int Index, LPARAM Data) {
  CheckItem(Index);
  items_[static_cast<std::size_t>(Index)].Data = Data;
}

void TCustomListView::DeleteItem(int Index) {
  CheckItem(Index);
  items_.erase(items_.begin() + Index);
  const auto shift = [&](int& row) {
    if (row == Index) row = -1;
    else if (row > Index) --row;
  };
  const bool had_selection = item_index_ == Index;
  shift(item_index_);
  shift(item_focused_);
  Changed();
  if (had_selection && OnSelectItem) OnSelectItem(this, -1, false);
}

void TCustomListView::ClearItems() {
  const bool had_selection = item_index_ >= 0;
  items_.clear();
  item_index_ = item_focused_ = -1;
  top_index_ = 0;
  Changed();
  if (had_selection && OnSelectItem) OnSelectItem(this, -1, false);
}

void TCustomListView::SetItemIndex(int Value) {
  if (Value < -1 || Value >= ItemCount()) throw EListError("List index out of bounds (%d)", Value);
  if (Value >= 0) item_focused_ = Value;
  if (Value == item_index_) return;
  item_index_ = Value;
  if (Value >= 0) MakeVisible(Value);
  Invalidate();
}

void TCustomListView::SetItemFocused(int Value) {
  if (Value < -1 || Value >= ItemCount()) throw EListError("List index out of bounds (%d)", Value);
  item_focused_ = Value;
  Invalidate();
}

void TCustomListView::SetSmallImages(TCustomImageList* Value) {
  if (Value == small_images_) return;
  if (small_images_) {
    small_images_->UnRegisterChanges(image_link_.get());
    small_images_->RemoveFreeNotification(this);
  }
  small_images_ = Value;
  if (small_images_) {
    small_images_->RegisterChanges(image_link_.get());
    small_images_->FreeNotification(this);
  }
  Changed();
}

void TCustomListView::SetOwnerDraw(bool Value) {
  if (Value == owner_draw_) return;
  owner_draw_ = Value;
  Invalidate();
}

// ---- geometry and scrolling ----------------------------------------------------------------------

int TCustomListView::HeaderHeight() {
  if (!HandleAllocated()) return 20;
  Canvas()->SetFont(Font());
  return Canvas()->TextHeight("Wg") + 6;
}

int TCustomListView::RowHeight() {
  int height = 17;
  if (HandleAllocated()) {
    Canvas()->SetFont(Font());
    height = Canvas()->TextHeight("Wg") + 3;
  }
  if (small_images_) height = std::max(height, small_images_->Height() + 1);
  return height;
}

TRect TCustomListView::ItemRect(int Index) {
  CheckItem(Index);
  const int top = HeaderHeight() + (Index - top_index_) * RowHeight();
  return {-scroll_x_, top, std::max(TotalColumnWidth(), ClientWidth()) - scroll_x_, top + RowHeight()};
}

int TCustomListView::ItemAtPos(TPoint Pos) {
  const TRect client = ClientRect();
  const int header = HeaderHeight();
  if (Pos.Y < header || Pos.Y >= client.Height() || Pos.X < 0 || Pos.X >= client.Width()) return -1;
  if (Pos.X + scroll_x_ >= std::max(TotalColumnWidth(), client.Width())) return -1;
  const int index = top_index_ + (Pos.Y - header) / RowHeight();
  return index < ItemCount() ? index : -1;
}

int TCustomListView::VisibleRowCount() { return std::max((ClientHeight() - HeaderHeight()) / RowHeight(), 1); }

int TCustomListView::MaxTopIndex() { return std::max(ItemCount() - VisibleRowCount(), 0); }

int TCustomListView::MaxScrollX() { return std::max(TotalColumnWidth() - ClientWidth(), 0); }

void TCustomListView::SetTopIndex(int Value) {
  if (!MoveScrollPosition(top_index_, Value, MaxTopIndex())) return;
  UpdateScrollBars();
  Invalidate();
}

void TCustomListView::SetScrollX(int Value) {
  if (!MoveScrollPosition(scroll_x_, Value, MaxScrollX())) return;
  UpdateScrollBars();
  Invalidate();
}

void TCustomListView::MakeVisible(int Index) {
  if (Index < 0 || Index >= ItemCount()) return;
  if (Index < top_index_)
    SetTopIndex(Index);
  else if (Index >= top_index_ + VisibleRowCount())
    SetTopIndex(Index - VisibleRowCount() + 1);
}

void TCustomListView::Changed() {
  top_index_ = std::clamp(top_index_, 0, MaxTopIndex());
  scroll_x_ = std::clamp(scroll_x_, 0, MaxScrollX());
  UpdateScrollBars();
  Invalidate();
}

void TCustomListView::UpdateScrollBars() {
  if (!HandleAllocated()) return;
  ShowViewScrollBar(Handle(), SB_VERT, ItemCount() - 1, VisibleRowCount(), top_index_);
  ShowViewScrollBar(Handle(), SB_HORZ, TotalColumnWidth() - 1, ClientWidth(), scroll_x_);
}

// ---- painting -----------------------------------------------------------------------------------

void TCustomListView::Paint() {
  const TRect client = ClientRect();
  const int header = HeaderHeight(), row = RowHeight();
  int y = header;
  for (int i = top_index_; i < ItemCount() && y < client.Bottom; ++i, y += row)
    PaintRow(i, {-scroll_x_, y, std::max(TotalColumnWidth(), client.Width()) - scroll_x_, y + row});
  TCanvas* c = Canvas();
  if (y < client.Bottom) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect({0, y, client.Right, client.Bottom});
  }
  PaintHeader(client);
}

void TCustomListView::PaintHeader(TRect Client) {
  TCanvas* c = Canvas();
  const int height = HeaderHeight();
  c->SetFont(Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->Font()->SetColor(clBtnText);
  int x = -scroll_x_;
  for (const TListColumn& column : columns_) {
    TRect r{x, 0, x + column.Width, height};
    x = r.Right;
    if (r.Right <= 0 || r.Left >= Client.Right) continue;
    c->FillRect(r);
    DrawEdge(c->Handle(), &r, EDGE_RAISED, BF_RECT | BF_SOFT);
    TRect text{r.Left + kCellMargin, r.Top, r.Right - kCellMargin, r.Bottom};
    c->Brush()->SetStyle(bsClear);
    DrawText(c->Handle(), column.Caption, -1, &text, kCellTextFlags | AlignmentFlag(column.Alignment));
    c->Brush()->SetStyle(bsSolid);
  }
  if (x < Client.Right) {
    TRect rest{std::max(x, 0), 0, Client.Right, height};
    c->FillRect(rest);
    DrawEdge(c->Handle(), &rest, EDGE_RAISED, BF_RECT | BF_SOFT);
  }
}

void TCustomListView::PaintRow(int Index, TRect Rect) {
  TOwnerDrawState state;
  if (Index == item_index_) state += odSelected;
  if (Index == item_focused_ && Focused()) state += odFocused;
  if (!Enabled()) state += odDisabled;
  TCanvas* c = Canvas();
  c->SetFont(Font());
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, state);
    return;
  }
  if (owner_draw_ && Parent()) {
    // The parent draws the row into the list's context, the list's font selected.
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_LISTVIEW;
    dis.CtlID = static_cast<UINT>(wm::GetWindowLongPtr(Handle(), GWLP_ID));
    dis.itemID = static_cast<UINT>(Index);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (state.Contains(odSelected) ? ODS_SELECTED : 0) |
                    (Index == item_focused_ ? ODS_FOCUS : 0) | (state.Contains(odDisabled) ? ODS_DISABLED : 0);
    dis.hwndItem = Handle();
    dis.hDC = c->Handle();
    dis.rcItem = Rect;
    dis.itemData = static_cast<std::uintptr_t>(items_[static_cast<std::size_t>(Index)].Data);
    c->FillRect(Rect);
    const int saved = SaveDC(dis.hDC);
    wm::SendMessage(Parent()->Handle(), WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    RestoreDC(dis.hDC, saved);
    return;
  }
  DrawItem(Index, Rect, state);
}

void TCustomListView::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  TCanvas* c = Canvas();
  if (State.Contains(odSelected)) {
    c->Brush()->SetColor(Focused() ? clHighlight : clBtnFace);
    c->Font()->SetColor(Focused() ? clHighlightText : clWindowText);
  } else {
    c->Font()->SetColor(clWindowText);
  }
  c->FillRect(Rect);
  const TListItem& item = items_[static_cast<std::size_t>(Index)];
  if (small_images_ && item.ImageIndex >= 0)
    small_images_->Draw(c, Rect.Left + 2, Rect.Top + (Rect.Height() - small_images_->Height()) / 2, item.ImageIndex);
  c->Brush()->SetStyle(bsClear);
  int x = Rect.Left;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const TListColumn& column = columns_[i];
    const int left = i == 0 && small_images_ ? x + kImageSpace : x + kCellMargin;
    x += column.Width;
    TRect text{left, Rect.Top, x - kCellMargin, Rect.Bottom};
    if (i < item.Texts.size() && text.Right > text.Left)
      DrawText(c->Handle(), item.Texts[i], -1, &text, kCellTextFlags | AlignmentFlag(column.Alignment));
  }
  c->Brush()->SetStyle(bsSolid);
  if (State.Contains(odFocused)) c->DrawFocusRect(Rect);
}

// ---- input --------------------------------------------------------------------------------------

void TCustomListView::Notify(UINT Code, int Item, TPoint Point) {
  if (!Parent() || !HandleAllocated()) return;
  NMITEMACTIVATE nm;
  nm.hdr.hwndFrom = Handle();
  nm.hdr.idFrom = static_cast<UINT_PTR>(wm::GetWindowLongPtr(Handle(), GWLP_ID));
  nm.hdr.code = Code;
  nm.iItem = Item;
  nm.ptAction = Point;
  if (Item >= 0) nm.lParam = items_[static_cast<std::size_t>(Item)].Data;
  wm::SendMessage(Parent()->Handle(), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void TCustomListView::SelectByUser(int Index) {
  if (ItemCount() == 0) return;
  Index = std::clamp(Index, 0, ItemCount() - 1);
  const int old = item_index_;
  SetItemIndex(Index);
  if (Index != old && OnSelectItem) OnSelectItem(this, Index, true);
}

int TCustomListView::DividerAt(int X) {
  int right = -scroll_x_;
  for (int i = 0; i < ColumnCount(); ++i) {
    right += columns_[static_cast<std::size_t>(i)].Width;
    // The last divider whose grip holds X, so a column dragged to nothing can be widened again.
    if (std::abs(X - right) <= kDividerGrip &&
        (i + 1 == ColumnCount() || std::abs(X - (right + columns_[static_cast<std::size_t>(i) + 1].Width)) > kDividerGrip))
      return i;
  }
  return -1;
}

void TCustomListView::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  const int page = std::max(VisibleRowCount() - 1, 1);
  const int from = item_focused_;
  switch (Key) {
    case VK_UP: SelectByUser(from < 0 ? 0 : from - 1); break;
    case VK_DOWN: SelectByUser(from + 1); break;
    case VK_PRIOR: SelectByUser(from < 0 ? 0 : from - page); break;
    case VK_NEXT: SelectByUser(std::max(from, 0) + page); break;
    case VK_HOME: SelectByUser(0); break;
    case VK_END: SelectByUser(ItemCount() - 1); break;
    case VK_LEFT: SetScrollX(scroll_x_ - RowHeight()); break;
    case VK_RIGHT: SetScrollX(scroll_x_ + RowHeight()); break;
    case VK_RETURN:
      if (item_focused_ >= 0) Notify(LVN_ITEMACTIVATE, item_focused_, {});
      break;
    default: return;
  }
  Key = 0;
}

void TCustomListView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && !Shift.Contains(ssDouble)) {
    if (CanFocus() && !Focused()) SetFocus();
    if (Y < HeaderHeight()) {
      sizing_column_ = DividerAt(X);
      if (sizing_column_ >= 0) {
        int right = -scroll_x_;
        for (int i = 0; i <= sizing_column_; ++i) right += columns_[static_cast<std::size_t>(i)].Width;
        sizing_offset_ = right - X;
      }
    } else if (const int i = ItemAtPos({X, Y}); i >= 0) {
      SelectByUser(i);
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomListView::MouseMove(TShiftState Shift, int X, int Y) {
  if (sizing_column_ >= 0) {
    int left = -scroll_x_;
    for (int i = 0; i < sizing_column_; ++i) left += columns_[static_cast<std::size_t>(i)].Width;
    SetColumnWidth(sizing_column_, X + sizing_offset_ - left);
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomListView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft) {
    if (sizing_column_ >= 0)
      sizing_column_ = -1;
    else if (Y >= HeaderHeight())
      Notify(NM_CLICK, ItemAtPos({X, Y}), {X, Y});
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TCustomListView::DblClick() {
  const TPoint p = ScreenToClient(Mouse->CursorPos());
  const int item = ItemAtPos(p);
  Notify(NM_DBLCLK, item, p);
  if (item >= 0) Notify(LVN_ITEMACTIVATE, item, p);
  TCustomControl::DblClick();
}

bool TCustomListView::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
  SetTopIndex(top_index_ + 3);
  return true;
}

bool TCustomListView::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
  SetTopIndex(top_index_ - 3);
  return true;
}

// ---- messages -----------------------------------------------------------------------------------

bool TCustomListView::HandleListMessage(TMessage& M) {
  const auto item_at = [&](int Index) { return Index >= 0 && Index < ItemCount(); };
  switch (M.Msg) {
    case LVM_GETITEMCOUNT: M.Result = ItemCount(); return true;
    case LVM_SETIMAGELIST:
      if (M.WParam == static_cast<WPARAM>(LVSIL_SMALL)) {
        M.Result = reinterpret_cast<LRESULT>(small_images_);
        SetSmallImages(reinterpret_cast<TCustomImageList*>(M.LParam));
      }
      return true;
    case LVM_SETBKCOLOR:
      SetColor(static_cast<TColor>(M.LParam));
      M.Result = 1;
      return true;
    case LVM_INSERTITEM: {
      const auto& lv = *reinterpret_cast<const LVITEM*>(M.LParam);
      TListItem item;
      if ((lv.mask & LVIF_TEXT) && lv.pszText) item.Texts.emplace_back(lv.pszText);
      if (lv.mask & LVIF_IMAGE) item.ImageIndex = lv.iImage;
      if (lv.mask & LVIF_PARAM) item.Data = lv.lParam;
      M.Result = InsertItem(lv.iItem, std::move(item));
      return true;
    }
    case LVM_GETITEM: {
      auto& lv = *reinterpret_cast<LVITEM*>(M.LParam);
      if (!item_at(lv.iItem)) return M.Result = 0, true;
      const TListItem& item = items_[static_cast<std::size_t>(lv.iItem)];
      if (lv.mask & LVIF_TEXT) CopyOut(ItemText(lv.iItem, lv.iSubItem), lv.pszText, lv.cchTextMax);
      if (lv.mask & LVIF_IMAGE) lv.iImage = item.ImageIndex;
      if (lv.mask & LVIF_PARAM) lv.lParam = item.Data;
      if (lv.mask & LVIF_STATE)
        lv.state = ((lv.iItem == item_index_ ? LVIS_SELECTED : 0) | (lv.iItem == item_focused_ ? LVIS_FOCUSED : 0)) &
                   lv.stateMask;
      M.Result = 1;
      return true;
    }
    case LVM_SETITEM:
    case LVM_SETITEMTEXT: {
      const auto& lv = *reinterpret_cast<const LVITEM*>(M.LParam);
      const int index = M.Msg == LVM_SETITEMTEXT ? static_cast<int>(M.WParam) : lv.iItem;
      if (!item_at(index) || lv.iSubItem < 0) return M.Result = 0, true;
      if ((M.Msg == LVM_SETITEMTEXT || (lv.mask & LVIF_TEXT)) && lv.pszText) SetItemText(index, lv.iSubItem, lv.pszText);
      if (M.Msg == LVM_SETITEM && (lv.mask & LVIF_IMAGE)) SetItemImage(index, lv.iImage);
      if (M.Msg == LVM_SETITEM && (lv.mask & LVIF_PARAM)) SetItemData(index, lv.lParam);
      M.Result = 1;
      return true;
    }
    case LVM_GETITEMTEXT: {
      auto& lv = *reinterpret_cast<LVITEM*>(M.LParam);
      const int index = static_cast<int>(M.WParam);
      M.Result = item_at(index) ? CopyOut(ItemText(index, lv.iSubItem), lv.pszText, lv.cchTextMax) : 0;
      return true;
    }
    case LVM_DELETEITEM:
      M.Result = item_at(static_cast<int>(M.WParam));
      if (M.Result) DeleteItem(static_cast<int>(M.WParam));
      return true;
    case LVM_DELETEALLITEMS: ClearItems(); M.Result = 1; return true;
    case LVM_GETNEXTITEM: {
      const int flags = static_cast<int>(M.LParam);
      const int start = static_cast<int>(static_cast<LPARAM>(M.WParam));
      M.Result = -1;
      for (int i = start + 1; i < ItemCount(); ++i)
        if ((!(flags & LVNI_SELECTED) || i == item_index_) && (!(flags & LVNI_FOCUSED) || i == item_focused_)) {
          M.Result = i;
          break;
        }
      return true;
    }
    case LVM_SETITEMSTATE: {
      const auto& lv = *reinterpret_cast<const LVITEM*>(M.LParam);
      const int index = static_cast<int>(static_cast<LPARAM>(M.WParam));
      if (index != -1 && !item_at(index)) return M.Result = 0, true;
      if (lv.stateMask & LVIS_SELECTED) {
        if (lv.state & LVIS_SELECTED) SetItemIndex(index < 0 ? ItemCount() - 1 : index);
        else if (index < 0 || index == item_index_) SetItemIndex(-1);
      }
      if ((lv.stateMask & LVIS_FOCUSED) && index >= 0)
        SetItemFocused((lv.state & LVIS_FOCUSED) ? index : (index == item_focused_ ? -1 : item_focused_));
      M.Result = 1;
      return true;
    }
    case LVM_GETITEMSTATE: {
      const int index = static_cast<int>(M.WParam);
      M.Result = item_at(index) ? ((index == item_index_ ? LVIS_SELECTED : 0) | (index == item_focused_ ? LVIS_FOCUSED : 0)) &
                                      static_cast<UINT>(M.LParam)
                                : 0;
      return true;
    }
    case LVM_GETITEMRECT: {
      const int index = static_cast<int>(M.WParam);
      M.Result = item_at(index);
      if (M.Result) *reinterpret_cast<RECT*>(M.LParam) = ItemRect(index);
      return true;
    }
    case LVM_HITTEST: {
      auto& info = *reinterpret_cast<LVHITTESTINFO*>(M.LParam);
      info.iItem = ItemAtPos(info.pt);
      info.flags = info.iItem >= 0 ? LVHT_ONITEM : LVHT_NOWHERE;
      M.Result = info.iItem;
      return true;
    }
    case LVM_ENSUREVISIBLE: MakeVisible(static_cast<int>(M.WParam)); M.Result = 1; return true;
    case LVM_GETTOPINDEX: M.Result = top_index_; return true;
    case LVM_GETCOUNTPERPAGE: M.Result = VisibleRowCount(); return true;
    case LVM_INSERTCOLUMN: {
      const auto& lv = *reinterpret_cast<const LVCOLUMN*>(M.LParam);
      TListColumn column;
      if ((lv.mask & LVCF_TEXT) && lv.pszText) column.Caption = lv.pszText;
      if (lv.mask & LVCF_WIDTH) column.Width = lv.cx;
      if (lv.mask & LVCF_FMT) column.Alignment = AlignmentOfFormat(lv.fmt & 3);
      M.Result = InsertColumn(static_cast<int>(M.WParam), std::move(column));
      return true;
    }
    case LVM_GETCOLUMN:
    case LVM_SETCOLUMN: {
      auto& lv = *reinterpret_cast<LVCOLUMN*>(M.LParam);
      const int index = static_cast<int>(M.WParam);
      if (index < 0 || index >= ColumnCount()) return M.Result = 0, true;
      TListColumn column = columns_[static_cast<std::size_t>(index)];
      if (M.Msg == LVM_GETCOLUMN) {
        if (lv.mask & LVCF_TEXT) CopyOut(column.Caption, lv.pszText, lv.cchTextMax);
        if (lv.mask & LVCF_WIDTH) lv.cx = column.Width;
        if (lv.mask & LVCF_FMT) lv.fmt = FormatOfAlignment(column.Alignment);
      } else {
        if ((lv.mask & LVCF_TEXT) && lv.pszText) column.Caption = lv.pszText;
        if (lv.mask & LVCF_WIDTH) column.Width = lv.cx;
        if (lv.mask & LVCF_FMT) column.Alignment = AlignmentOfFormat(lv.fmt & 3);
        SetColumn(index, std::move(column));
      }
      M.Result = 1;
      return true;
    }
    case LVM_GETCOLUMNWIDTH: {
      const int index = static_cast<int>(M.WParam);
      M.Result = index >= 0 && index < ColumnCount() ? columns_[static_cast<std::size_t>(index)].Width : 0;
      return true;
    }
    case LVM_SETCOLUMNWIDTH: {
      const int index = static_cast<int>(M.WParam);
      M.Result = index >= 0 && index < ColumnCount();
      if (M.Result) SetColumnWidth(index, static_cast<int>(M.LParam));
      return true;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE:
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      M.Result = LVS_EX_FULLROWSELECT;  // every row is selected whole
      return true;
    default: return false;
  }
}

void TCustomListView::Dispatch(TMessage& Message) {
  if (HandleListMessage(Message)) return;
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      return;
    case WM_GETFONT:
      Message.Result = reinterpret_cast<LRESULT>(Font()->Handle());
      return;
    case WM_VSCROLL:
      if (!IsViewScroll(Message)) break;
      SetTopIndex(ScrolledTo(Message, {top_index_, 1, VisibleRowCount(), ItemCount()}));
      return;
    case WM_HSCROLL:
      if (!IsViewScroll(Message)) break;
      SetScrollX(ScrolledTo(Message, {scroll_x_, RowHeight(), std::max(ClientWidth() - RowHeight(), 1), TotalColumnWidth()}));
      return;
    case WM_SETCURSOR:
      if (LOWORD(static_cast<std::uintptr_t>(Message.LParam)) == HTCLIENT) {
        const TPoint p = ScreenToClient(Mouse->CursorPos());
        if (sizing_column_ >= 0 || (p.Y >= 0 && p.Y < HeaderHeight() && DividerAt(p.X) >= 0)) {
          Screen->ShowCursor(crHSplit);
          Message.Result = 1;
          return;
        }
      }
      break;
    case WM_SIZE:
      TCustomControl::Dispatch(Message);
      Changed();
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(Message);
      Invalidate();
      return;
    case WM_CANCELMODE:
      sizing_column_ = -1;
      break;
    case CM_FONTCHANGED:
      TCustomControl::Dispatch(Message);
      Changed();
      return;
    default: break;
  }
  TCustomControl::Dispatch(Message);
}

}  // namespace lab
