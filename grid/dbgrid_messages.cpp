// The grid's window: its window procedure and creation parameters, the flat border and focus
// changes.

#include "grid/dbgrid.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

void TCustomDBGridX::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_ERASEBKGND:
      // Every pixel is painted by Paint: erasing first would only flicker.
      Message.Result = 1;
      return;
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
      TCustomGrid::WndProc(Message);
      if (GridOrEditorFocused() != focused_) FocusChanged();
      return;
    case win::WM_LBUTTONDOWN:
    case win::WM_LBUTTONDBLCLK:
      // A grid that drags its selection to other controls selects with a press; a move with the
      // button held starts the drag (MouseMove).
      if (DragMode() == dmAutomatic && options_.Contains(dgMultiSelect) &&
          !ComponentState().Contains(csDesigning)) {
        SetDragMode(dmManual);
        drag_selected_press_ = true;
        TScopeExit restore([this] {
          SetDragMode(dmAutomatic);
          drag_selected_press_ = false;
        });
        TCustomGrid::WndProc(Message);
        return;
      }
      break;
    case CM_FONTCHANGED:
      TCustomGrid::WndProc(Message);
      // Row heights and default column fonts follow the grid's font.
      BeginLayout();
      for (int i = 0; i < columns_->Count(); ++i) {
        columns_->GetColumn(i)->RefreshDefaultFont();
        columns_->GetColumn(i)->Title()->RefreshDefaultFont();
      }
      EndLayout();
      return;
  }
  TCustomGrid::WndProc(Message);
}

void TCustomDBGridX::CreateParams(TCreateParams& Params) { TCustomGrid::CreateParams(Params); }
void TCustomDBGridX::PaintFlatBorder() {}
// Selected and current cells change colour with the focus.
void TCustomDBGridX::FocusChanged() {
  if (HandleAllocated()) {
    if (selection_->SelectionType() == gstAll) {
      Invalidate();
    } else if (selection_->SelectionType() != gstNon) {
      const TGridRect r = selection_->SelectionToGridRect();
      if (r.Left >= 0) InvalidateGridRect(r);
    }
    if (Row() < RowCount()) InvalidateRow(Row());
  }
  focused_ = GridOrEditorFocused();
}

}  // namespace lab
