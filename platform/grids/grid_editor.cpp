// TCustomGrid: the in-place editor. One editor is made on first use; it moves from cell to cell,
// reading each cell's text when it arrives and handing its text back (SetEditText) when it leaves.
#include "platform/controls/message_queue.h"
#include "platform/grids/grids.h"
#include "platform/grids/inplace_edit.h"

namespace lab {

TInplaceEdit* TCustomGrid::CreateEditor() { return new TInplaceEdit(this); }

bool TCustomGrid::CanEditShow() {
  const TGridOptions o = Options();
  return o.Contains(goEditing) && !o.Contains(goRowSelect) && editorMode_ && HandleAllocated() &&
         (o.Contains(goAlwaysShowEditor) || IsActiveControl());
}

bool TCustomGrid::CanEditAcceptKey(char32_t) { return true; }
bool TCustomGrid::CanEditModify() { return canEditModify_; }
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
  if (inplaceEdit_) inplaceEdit_->Deselect();
}

void TCustomGrid::ShowEditor() {
  editorMode_ = true;
  UpdateEdit();
}

void TCustomGrid::HideEditor() {
  editorMode_ = false;
  HideEdit();
}

void TCustomGrid::ShowEditorChar(char32_t Ch) {
  ShowEditor();
  if (inplaceEdit_ && inplaceEdit_->HandleAllocated())
    wm::PostMessage(inplaceEdit_->Handle(), win::WM_CHAR, Ch, 0);
}

void TCustomGrid::InvalidateEditor() {
  inplaceCol_ = -1;
  inplaceRow_ = -1;
  UpdateEdit();
}

void TCustomGrid::UpdateText() {
  if (inplaceCol_ != -1 && inplaceRow_ != -1 && inplaceEdit_)
    SetEditText(inplaceCol_, inplaceRow_, inplaceEdit_->Text());
}

void TCustomGrid::HideEdit() {
  if (!inplaceEdit_) return;
  struct Finish {
    TCustomGrid& g;
    ~Finish() {
      g.inplaceCol_ = -1;
      g.inplaceRow_ = -1;
      g.inplaceEdit_->Hide();
    }
  } finish{*this};
  UpdateText();
}

void TCustomGrid::UpdateEdit() {
  if (!CanEditShow()) return;
  auto placeOnCell = [this] {
    inplaceCol_ = Col();
    inplaceRow_ = Row();
    inplaceEdit_->UpdateContents();
    canEditModify_ = inplaceEdit_->MaxLength() != -1;
    inplaceEdit_->SelectAll();
  };
  if (!inplaceEdit_) {
    inplaceEdit_ = CreateEditor();
    inplaceEdit_->SetGrid(this);
    inplaceEdit_->SetParent(this);
    placeOnCell();
  } else if (Col() != inplaceCol_ || Row() != inplaceRow_) {
    HideEdit();
    placeOnCell();
  }
  // The cell's text may have made the editor unwelcome (a descendant's CanEditShow).
  if (CanEditShow()) inplaceEdit_->Move(CellRect(Col(), Row()));
}

}  // namespace lab
