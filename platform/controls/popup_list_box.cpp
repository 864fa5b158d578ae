#include "platform/controls/popup_list_box.h"

#include <algorithm>

#include "platform/controls/input.h"
#include "platform/controls/screen.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"

namespace lab {

using namespace win;

TPopupListBox::TPopupListBox(TPopupListChooseEvent OnChoose)
    : TCustomListBox(nullptr), on_choose_(std::move(OnChoose)) {
  SetControlStyle({csOpaque});
  SetTabStop(false);
  SetBorderStyle(bsNone);
  TControl::SetVisible(false);
}

void TPopupListBox::CreateParams(TCreateParams& Params) {
  TCustomListBox::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER | WS_VSCROLL | WS_CLIPSIBLINGS;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WndParent = nullptr;
}

void TPopupListBox::DropDown(TCustomControl* Anchor, TStrings* Items, int MaxRows, int Width) {
  SetFont(Anchor->Font());
  this->Items()->Assign(Items);
  // Under the anchor, or above it when the screen ends first.
  TRect r;
  wm::GetWindowRect(Anchor->Handle(), r);
  Anchor->Canvas()->SetFont(Anchor->Font());
  const int itemHeight = std::max(Anchor->Canvas()->TextHeight("Wg"), 1);
  const int rows = std::clamp(Items->Count(), 1, std::max(MaxRows, 1));
  const int height = rows * itemHeight + 2;
  const int width = Width > 0 ? Width : r.Width();
  int top = r.Bottom;
  if (top + height > Screen->Height() && r.Top - height >= 0) top = r.Top - height;
  SetBounds(r.Left, top, width, height);
  HandleNeeded();
  wm::SetWindowPos(Handle(), nullptr, r.Left, top, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  TControl::SetVisible(true);
  wm::SetCapture(Handle());
  SetItemHeight(itemHeight);
}

void TPopupListBox::Close() {
  if (HandleAllocated() && wm::GetCapture() == Handle()) wm::ReleaseCapture();
  TControl::SetVisible(false);
  if (HandleAllocated()) wm::ShowWindow(Handle(), SW_HIDE);
}

void TPopupListBox::MoveBy(int Delta) {
  if (Count() == 0) return;
  const int from = ItemIndex() < 0 ? (Delta > 0 ? -1 : Count()) : ItemIndex();
  SelectByUser(std::clamp(from + Delta, 0, Count() - 1));
}

void TPopupListBox::MoveTo(int Index) {
  if (Count() > 0) SelectByUser(Index);
}

bool TPopupListBox::MoveByKey(WORD Key) {
  switch (Key) {
    case VK_UP: MoveBy(-1); return true;
    case VK_DOWN: MoveBy(1); return true;
    case VK_PRIOR: MoveBy(-PageSize()); return true;
    case VK_NEXT: MoveBy(PageSize()); return true;
    default: return false;
  }
}

int TPopupListBox::PageSize() { return std::max(VisibleCount() - 1, 1); }

void TPopupListBox::Dispatch(TMessage& Message) {
  const TPoint pt{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  const bool inside = ClientRect().Contains(pt);
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE:
      Message.Result = MA_NOACTIVATE;
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!inside) {
        if (on_choose_) on_choose_(-1);
      } else if (const int i = ItemAtPos(pt, true); i >= 0) {
        SelectByUser(i);
      }
      return;
    case WM_LBUTTONUP:
      // Released over an item: chosen (also at the end of a press that began on the edit
      // control's button).
      if (inside)
        if (const int i = ItemAtPos(pt, true); i >= 0 && on_choose_) on_choose_(i);
      return;
    case WM_MOUSEMOVE:
      if (inside)
        if (const int i = ItemAtPos(pt, true); i >= 0 && i != ItemIndex()) SelectByUser(i);
      return;
    default: break;
  }
  TCustomListBox::Dispatch(Message);
}

}  // namespace lab
