// The in-place editor's pick list: a pop-up list under the editor.

#include <algorithm>

#include "grid/inplace_edit.h"
#include "platform/controls/input.h"
#include "platform/controls/list_box.h"
#include "platform/controls/screen.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"

namespace lab {

using namespace win;

// A pop-up window that never takes the focus (the keys stay with the editor) and holds the mouse
// while it is open, so a press anywhere else closes it.
class TInplacePickListX : public TCustomListBox {
  LAB_CLASS(TInplacePickListX, TCustomListBox)
 public:
  explicit TInplacePickListX(TDBGridInplaceEdit* Editor) : TCustomListBox(nullptr), editor_(Editor) {
    SetControlStyle({csOpaque});
    SetTabStop(false);
    SetBorderStyle(bsNone);
    TControl::SetVisible(false);
  }

  void Open(const TRect& ScreenRect) {
    SetBoundsRect(ScreenRect);
    HandleNeeded();
    wm::SetWindowPos(Handle(), nullptr, ScreenRect.Left, ScreenRect.Top, ScreenRect.Width(), ScreenRect.Height(),
                     SWP_SHOWWINDOW | SWP_NOACTIVATE);
    TControl::SetVisible(true);
    wm::SetCapture(Handle());
  }

  void Close() {
    if (HandleAllocated() && wm::GetCapture() == Handle()) wm::ReleaseCapture();
    TControl::SetVisible(false);
    if (HandleAllocated()) wm::ShowWindow(Handle(), SW_HIDE);
  }

  void MoveBy(int Delta) {
    if (Count() == 0) return;
    const int from = ItemIndex() < 0 ? (Delta > 0 ? -1 : Count()) : ItemIndex();
    SelectByUser(std::clamp(from + Delta, 0, Count() - 1));
  }
  int PageSize() { return std::max(VisibleCount() - 1, 1); }

  void Dispatch(TMessage& Message) override {
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
          editor_->ListClicked(-1);
        } else if (const int i = ItemAtPos(pt, true); i >= 0) {
          SelectByUser(i);
        }
        return;
      case WM_LBUTTONUP:
        if (inside)
          if (const int i = ItemAtPos(pt, true); i >= 0) editor_->ListClicked(i);
        return;
      case WM_MOUSEMOVE:
        if (inside)
          if (const int i = ItemAtPos(pt, true); i >= 0 && i != ItemIndex()) SelectByUser(i);
        return;
      default: break;
    }
    TCustomListBox::Dispatch(Message);
  }

 protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomListBox::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER | WS_VSCROLL | WS_CLIPSIBLINGS;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.WndParent = nullptr;
  }
  // Moving over the items chooses nothing yet.
  void SelectionChangedByUser() override {}

 private:
  TDBGridInplaceEdit* editor_;
};

TDBGridInplaceEdit::~TDBGridInplaceEdit() { delete list_; }

TCustomListBox* TDBGridInplaceEdit::ListBox() const noexcept { return list_; }

void TDBGridInplaceEdit::SetDroppedDown(bool Value) {
  if (Value == dropped_down_) return;
  if (!Value) {
    dropped_down_ = false;
    if (list_) list_->Close();
    Invalidate();
    return;
  }
  if (!HasPickList() || !HandleAllocated() || !Visible()) return;
  if (!list_) list_ = new TInplacePickListX(this);
  list_->SetFont(Font());
  list_->Items()->Assign(pick_list_.get());
  // Under the editor, or above it when the screen ends first.
  TRect r;
  wm::GetWindowRect(Handle(), r);
  Canvas()->SetFont(Font());
  const int itemHeight = std::max(Canvas()->TextHeight("Wg"), 1);
  const int rows = std::clamp(pick_list_->Count(), 1, drop_down_rows_);
  const int height = rows * itemHeight + 2;
  const int width = drop_down_width_ > 0 ? drop_down_width_ : r.Width();
  int top = r.Bottom;
  if (top + height > Screen->Height() && r.Top - height >= 0) top = r.Top - height;
  dropped_down_ = true;
  list_->Open(Bounds(r.Left, top, width, height));
  list_->SetItemHeight(itemHeight);
  // The item the editor's text names, when there is one.
  const int match = pick_list_->IndexOf(Text());
  if (match >= 0) {
    list_->SetItemIndex(match);
    list_->MakeVisible(match);
  }
  Invalidate();
}

void TDBGridInplaceEdit::ListClicked(int Index) {
  if (!dropped_down_) return;
  dropped_down_ = false;
  list_->Close();
  Invalidate();
  if (Index >= 0) ChooseItem(Index);
}

void TDBGridInplaceEdit::ListKey(WORD Key) {
  switch (Key) {
    case VK_UP: list_->MoveBy(-1); break;
    case VK_DOWN: list_->MoveBy(1); break;
    case VK_PRIOR: list_->MoveBy(-list_->PageSize()); break;
    case VK_NEXT: list_->MoveBy(list_->PageSize()); break;
    default: break;
  }
}

}  // namespace lab
