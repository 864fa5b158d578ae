#include "grid/grid_filter.h"

#include "grid/dbgrid.h"

namespace lab {

void TSTDBGridXFilter::DeclareProperties(TPropertyDeclarer<TSTDBGridXFilter>& P) {
  P.Property("Local", &TSTDBGridXFilter::Local, &TSTDBGridXFilter::SetLocal).Default(false);
  P.Property("Visible", &TSTDBGridXFilter::Visible, &TSTDBGridXFilter::SetVisible).Default(false);
}

TPersistent* TSTDBGridXFilter::GetOwner() { return grid_; }

// The filter row comes or goes: editing it ends with it, the fixed rows change, and an editor
// showing over a cell is placed again.
void TSTDBGridXFilter::SetVisible(bool Value) {
  if (visible_ == Value) return;
  visible_ = Value;
  if (!Value) grid_->UpdateFilterEdit(false);
  grid_->LayoutChanged();
  if (grid_->EditorMode()) grid_->InvalidateEditor();
}

void TSTDBGridXFilter::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TSTDBGridXFilter*>(Source)) {
    SetVisible(src->visible_);
    SetLocal(src->local_);
    return;
  }
  TPersistent::Assign(Source);
}

}  // namespace lab
