// The in-place editor's drop-downs: a pick list in a pop-up list under the editor, or a lookup
// column's drop-down grid.

#include "grid/dbgrid.h"
#include "grid/inplace_edit.h"
#include "grid/lookup_grid.h"
#include "platform/controls/popup_list_box.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"

namespace lab {

// An open drop-down grid must not call back into an editor that is gone.
TDBGridInplaceEdit::~TDBGridInplaceEdit() {
  if (data_list_) data_list_->CloseUp(false);
}

TCustomListBox* TDBGridInplaceEdit::ListBox() const noexcept { return list_.get(); }

void TDBGridInplaceEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TInplaceEdit::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == data_list_) {
    data_list_ = nullptr;
    dropped_down_ = false;
  }
}

void TDBGridInplaceEdit::SetDroppedDown(bool Value) {
  if (Value == dropped_down_) return;
  if (!Value) {
    // The grid tells DataListClosed.
    if (data_list_) {
      data_list_->CloseUp(false);
      return;
    }
    dropped_down_ = false;
    if (list_) list_->Close();
    Invalidate();
    return;
  }
  if (!HandleAllocated() || !Visible()) return;
  if (kind_ == ebkDataListX) {
    DropDataList();
    return;
  }
  if (!HasPickList()) return;
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

// ---- The drop-down grid ----

void TDBGridInplaceEdit::DropDataList() {
  TColumnX* column = CurrentColumn();
  TField* f = column ? column->GetField() : nullptr;
  if (!f || !f->Lookup() || !f->DataSet()) return;
  TPopupDataGridX* list = column->PrepareDataList();
  data_list_ = list;
  dropped_down_ = true;
  list->FreeNotification(this);
  list->DropDown(this, drop_down_rows_, drop_down_width_, [this](bool Chosen) { DataListClosed(Chosen); });
  list->ChooseKey(f->DataSet()->FieldValues(f->KeyFields()));
  Invalidate();
}

void TDBGridInplaceEdit::DataListClosed(bool Chosen) {
  if (!data_list_) return;
  data_list_ = nullptr;
  dropped_down_ = false;
  Invalidate();
  if (!Chosen) return;
  if (TColumnX* column = CurrentColumn()) column->TakeDataListChoice();
}

}  // namespace lab
