// TCustomGrid: the in-place editor. One editor is made on first use; it moves from cell to cell,
// reading each cell's text when it arrives and handing its text back (SetEditText) when it leaves.
#include "platform/controls/message_queue.h"
#include "platform/grids/grids.h"
#include "platform/grids/inplace_edit.h"

namespace lab {

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TCustomGrid::CanEditShow() {
  const TGridOptions o = Options();
  return o.Contains(goEditing) && !o.Contains(goRowSelect) && editor_mode_ && HandleAllocated() &&
         (o.Contains(goAlwaysShowEditor) || IsActiveControl());
}

bool TCustomGrid::CanEditAcceptKey(char32_t) { return true; }
bool TCustomGrid::CanEditModify() { return can_edit_modify_; }
int TCustomGrid::GetEditLimit() { return 0; }
std::string TCustomGrid::GetEditMask(int, int) { return {}; }
std::string TCustomGrid::GetEditText(int, int) { return {}; }
void TCustomGrid::SetEditText(int, int, const std::string&) {}

void TCustomGrid::SetEditorMode(bool Value) {
  if (!Value) {
    HideEditor();
    return;
  }
  ShowEditor();
  // Opened by the user (F2, the property): the caret goes to the end rather than selecting all.
  if (inplace_edit_) inplace_edit_->Deselect();
}

void TCustomGrid::ShowEditor() {
  editor_mode_ = true;
  UpdateEdit();
}

void TCustomGrid::HideEditor() {
  editor_mode_ = false;
  HideEdit();
}

void TCustomGrid::ShowEditorChar(char32_t Ch) {
  ShowEditor();
  if (inplace_edit_ && inplace_edit_->HandleAllocated())
    wm::PostMessage(inplace_edit_->Handle(), win::WM_CHAR, Ch, 0);
}

void TCustomGrid::InvalidateEditor() {
  inplace_col_ = -1;
  inplace_row_ = -1;
  UpdateEdit();
}

void TCustomGrid::UpdateText() {
  if (inplace_col_ != -1 && inplace_row_ != -1 && inplace_edit_)
    SetEditText(inplace_col_, inplace_row_, inplace_edit_->Text());
}

void TCustomGrid::HideEdit() {
  if (!inplace_edit_) return;
  struct Finish {
    TCustomGrid& g;
    ~Finish() {
      g.inplace_col_ = -1;
      g.inplace_row_ = -1;
      g.inplace_edit_->Hide();
    }
  } finish{*this};
  UpdateText();
}

void TCustomGrid::UpdateEdit() {
  if (!CanEditShow()) return;
  auto placeOnCell = [this] {
    inplace_col_ = Col();
    inplace_row_ = Row();
    inplace_edit_->UpdateContents();
    can_edit_modify_ = inplace_edit_->MaxLength() != -1;
    inplace_edit_->SelectAll();
  };
  if (!inplace_edit_) {
    inplace_edit_ = CreateEditor();
    inplace_edit_->SetGrid(this);
    inplace_edit_->SetParent(this);
    placeOnCell();
  } else if (Col() != inplace_col_ || Row() != inplace_row_) {
    HideEdit();
    placeOnCell();
  }
  // The cell's text may have made the editor unwelcome (a descendant's CanEditShow).
  if (CanEditShow()) inplace_edit_->Move(CellRect(Col(), Row()));
}

}  // namespace lab
