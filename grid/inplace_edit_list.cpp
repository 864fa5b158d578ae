// The in-place editor's pick list: a pop-up list under the editor.

#include "grid/inplace_edit.h"
#include "platform/controls/popup_list_box.h"

namespace lab {

TDBGridInplaceEdit::~TDBGridInplaceEdit() = default;

TCustomListBox* TDBGridInplaceEdit::ListBox() const noexcept { return list_.get(); }

void TDBGridInplaceEdit::SetDroppedDown(bool Value) {
  if (Value == dropped_down_) return;
  if (!Value) {
    dropped_down_ = false;
    if (list_) list_->Close();
    Invalidate();
    return;
  }
  if (!HasPickList() || !HandleAllocated() || !Visible()) return;
  if (!list_) list_ = std::make_unique<TPopupListBox>([this](int Index) { ListClicked(Index); });
  dropped_down_ = true;
  list_->DropDown(this, pick_list_.get(), drop_down_rows_, drop_down_width_);
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

}  // namespace lab
