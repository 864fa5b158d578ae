// The grid's window: its window procedure and creation parameters, the flat border in the
// non-client area, focus changes and the framework's notifications.

#include "grid/dbgrid.h"
#include "grid/filter_editor.h"
#include "grid/filter_row.h"
#include "grid/inplace_edit.h"
#include "platform/controls/list_box.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_styles.h"
#include "platform/graphics/edges.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

win::HWND HandleOf(TWinControl* Control) {
  return Control && Control->HandleAllocated() ? Control->Handle() : nullptr;
}

}  // namespace

void TCustomDBGridX::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case win::WM_ERASEBKGND:
      // Every pixel is painted by Paint: erasing first would only flicker.
      Message.Result = 1;
      return;
    case win::WM_SETFOCUS: WMSetFocus(Message); return;
    case win::WM_KILLFOCUS: WMKillFocus(Message); return;
    case win::WM_NCCALCSIZE:
      TCustomGrid::WndProc(Message);
      // The flat border takes a pixel on each side.
      if (flat_border_ && Message.LParam) {
        auto* r = reinterpret_cast<win::RECT*>(Message.LParam);
        *r = win::RECT{r->Left + 1, r->Top + 1, r->Right - 1, r->Bottom - 1};
      }
      return;
    case win::WM_NCPAINT:
      TCustomGrid::WndProc(Message);
      PaintFlatBorder();
      return;
    case win::WM_GETDLGCODE:
      TCustomGrid::WndProc(Message);
      if (options_x_.Contains(dgxPreferIncSearch)) Message.Result |= win::DLGC_WANTCHARS;
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
    case CM_PARENTFONTCHANGED:
      TCustomGrid::WndProc(Message);
      // The titles and footers take the font the grid took from its parent.
      if (ParentFont()) {
        following_font_ = true;
        TScopeExit done([this] { following_font_ = false; });
        title_font_->Assign(Font());
        footer_font_->Assign(Font());
        LayoutChanged();
      }
      return;
    case CM_PARENTCOLORCHANGED:
      TCustomGrid::WndProc(Message);
      if (ParentColor()) {
        footer_color_ = Color();
        if (HandleAllocated()) Invalidate();
      }
      return;
    case CM_MOUSEWHEEL: {
      // An open pick list scrolls first, then the filter row's editor while it edits. A control
      // that does not take the wheel passes it to its parent, the grid: what comes back while it
      // is handed on is the grid's own, never handed on again.
      if (forwarding_wheel_) break;
      TWinControl* target = filter_row_->Editing() ? FilterEditor() : nullptr;
      auto* editor = dynamic_cast<TDBGridInplaceEdit*>(InplaceEditor());
      if (editor && editor->DroppedDown() && editor->ListBox()) target = editor->ListBox();
      if (!target) break;
      forwarding_wheel_ = true;
      TScopeExit done([this] { forwarding_wheel_ = false; });
      Message.Result = target->Perform(CM_MOUSEWHEEL, Message.WParam, Message.LParam);
      return;
    }
    case CM_SYSCOLORCHANGE:
      TCustomGrid::WndProc(Message);
      // The shared images keep no system colour: what shows them is painted again.
      if (HandleAllocated()) Invalidate();
      return;
    case CM_DESIGNHITTEST: WMDesignHitTest(Message); return;
  }
  TCustomGrid::WndProc(Message);
}

void TCustomDBGridX::CreateParams(TCreateParams& Params) {
  TCustomGrid::CreateParams(Params);
  Params.Style |= win::WS_CLIPCHILDREN;
  flat_border_ = false;
  if (flat_ && Ctl3D()) {
    Params.Style &= ~win::WS_BORDER;
    Params.ExStyle &= ~win::WS_EX_CLIENTEDGE;
    flat_border_ = BorderStyle() == bsSingle;
  }
}

// A 1-pixel sunken edge around the whole window.
void TCustomDBGridX::PaintFlatBorder() {
  if (!flat_border_ || !HandleAllocated()) return;
  win::HDC dc = wm::GetWindowDC(Handle());
  if (!dc) return;
  TScopeExit release([&] { wm::ReleaseDC(Handle(), dc); });
  win::RECT r{0, 0, Width(), Height()};
  win::DrawEdge(dc, &r, win::BDR_SUNKENOUTER, win::BF_RECT);
}

void TCustomDBGridX::WMSetFocus(TMessage& Message) {
  const auto from = reinterpret_cast<win::HWND>(Message.WParam);
  const bool from_editor = from && from == HandleOf(InplaceEditor());
  if (!from_editor)
    if (TColumnX* c = SelectedColumn()) {
      SetImeMode(c->ImeMode());
      SetImeName(c->ImeName());
    }
  if (options_.Contains(dgRowSelect)) InvalidateRowSelectBox();
  TCustomGrid::WndProc(Message);
  // Editing the filter row goes on in its editor.
  if (TWinControl* editor = filter_row_->Editing() ? FilterEditor() : nullptr;
      editor && from != HandleOf(editor) && editor->CanFocus())
    editor->SetFocus();
  if (GridOrEditorFocused() != focused_) FocusChanged();
}

void TCustomDBGridX::WMKillFocus(TMessage& Message) {
  const auto to = reinterpret_cast<win::HWND>(Message.WParam);
  const bool to_editor = to && to == HandleOf(InplaceEditor());
  // Sort markers changed with Ctrl held are applied when the grid is left.
  if (sort_marking_pending_ && !to_editor) {
    sort_marking_pending_ = false;
    SortMarkingChanged();
  }
  if (options_.Contains(dgRowSelect)) InvalidateRowSelectBox();
  // The mouse lets go with the focus: the timer would scroll on under another control. The grid's
  // own editors take the focus during a press (the filter row's editor never while one is tracked).
  if (!to_editor && !(to && to == HandleOf(FilterEditor()))) CancelMouse();
  TCustomGrid::WndProc(Message);
  // The focus is still here while it is being taken: where it goes tells the state to come.
  const bool focused = to && (to == HandleOf(this) || to_editor);
  if (focused != focused_) {
    FocusChanged();
    focused_ = focused;
  }
}

// The frame painted around the selected rows, from the frozen columns on.
void TCustomDBGridX::InvalidateRowSelectBox() {
  TGridRect box = TCustomGrid::Selection();
  box.Left = std::max(0, box.Left - frozen_cols_);
  InvalidateGridRect(box);
}

// At design time a press on a column edge (the framework grid's, or a frozen column's in the titles)
// sizes it, where the columns can be changed at all.
void TCustomDBGridX::WMDesignHitTest(TMessage& Message) {
  TCustomGrid::WndProc(Message);
  const int x = win::GET_X_LPARAM(Message.LParam), y = win::GET_Y_LPARAM(Message.LParam);
  if (Message.Result == 0 && FrozenColSizing(x, y)) Message.Result = 1;
  if (Message.Result == 1 &&
      !(data_link_->DataSource() && (columns_->Customized() || (data_link_->Active() && !data_link_->DefaultFields()))))
    Message.Result = 0;
}

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
