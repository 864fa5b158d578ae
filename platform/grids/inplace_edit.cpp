#include "platform/grids/inplace_edit.h"

#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/message_queue.h"
#include "platform/controls/window_manager.h"
#include "platform/grids/grids.h"

namespace lab {

using namespace win;

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {
  SetParentCtl3D(false);
  SetCtl3D(false);
  SetTabStop(false);
  SetBorderStyle(bsNone);
  // Shown by Move, over its cell.
  TControl::SetVisible(false);
}

void TInplaceEdit::CreateParams(TCreateParams& Params) {
  TCustomMaskEdit::CreateParams(Params);
  Params.Style &= ~WS_TABSTOP;
}

void TInplaceEdit::UpdateContents() {
  if (!grid_) return;
  TCustomMaskEdit::SetText("");
  SetEditMask(grid_->GetEditMask(grid_->Col(), grid_->Row()));
  TCustomMaskEdit::SetText(grid_->GetEditText(grid_->Col(), grid_->Row()));
  SetMaxLength(grid_->GetEditLimit());
  SetModified(false);
}

void TInplaceEdit::Deselect() {
  Line().SetSel(Line().Length(), 0);
  SelectionChanged();
}

bool TInplaceEdit::Visible() { return TControl::Visible() && HandleAllocated(); }

void TInplaceEdit::Hide() {
  if (!TControl::Visible()) return;
  // The keyboard goes back to the grid first: the focus of a hidden window would pass through the
  // form, and the grid would be told it was left.
  if (HandleAllocated() && Focused() && grid_ && grid_->HandleAllocated()) wm::SetFocus(grid_->Handle());
  TControl::SetVisible(false);
}

void TInplaceEdit::Invalidate() {
  TCustomMaskEdit::Invalidate();
  // The cell under the editor shows through its edges while it moves.
  if (grid_ && grid_->HandleAllocated() && HandleAllocated()) {
    const TRect r = BoundsRect();
    wm::InvalidateRect(grid_->Handle(), &r, false);
  }
}

bool TInplaceEdit::PosEqual(const TRect& Rect) { return BoundsRect() == Rect; }

void TInplaceEdit::InternalMove(const TRect& Loc, bool Redraw) {
  if (Loc.IsEmpty()) {
    Hide();
    return;
  }
  const bool wasShown = TControl::Visible();
  if (!PosEqual(Loc)) SetBoundsRect(Loc);
  if (!wasShown) TControl::SetVisible(true);
  HandleNeeded();
  BoundsChanged();
  if (Redraw || !wasShown) Invalidate();
  if (grid_ && grid_->HandleAllocated() && grid_->Focused()) wm::SetFocus(Handle());
}

void TInplaceEdit::Move(const TRect& Loc) { InternalMove(Loc, true); }

void TInplaceEdit::UpdateLoc(const TRect& Loc) { InternalMove(Loc, false); }

void TInplaceEdit::BoundsChanged() { SelectionChanged(); }

void TInplaceEdit::SetFocus() {
  if (Visible()) wm::SetFocus(Handle());
}

void TInplaceEdit::DblClick() {
  if (grid_) grid_->DblClick();
}

bool TInplaceEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  return grid_ ? grid_->DoMouseWheel(Shift, WheelDelta, MousePos) : false;
}

bool TInplaceEdit::EditCanModify() { return grid_ ? grid_->CanEditModify() : true; }

void TInplaceEdit::KeyDown(WORD& Key, TShiftState Shift) {
  if (!grid_) {
    TCustomMaskEdit::KeyDown(Key, Shift);
    return;
  }
  auto sendToParent = [&] {
    grid_->KeyDown(Key, Shift);
    Key = 0;
  };
  const bool forwardMovement = grid_->Options().Contains(goAlwaysShowEditor);
  const bool ctrl = Shift.Contains(ssCtrl);
  const int length = Line().Length();
  const int selStart = Line().SelStart();
  const int selEnd = selStart + Line().SelLength();
  // At an edge of the text: nothing selected there, or everything.
  const bool leftSide = selStart == 0 && (selEnd == 0 || selEnd == length);
  const bool rightSide = (selStart == 0 || selEnd == selStart) && selEnd == length;
  switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
      sendToParent();
      break;
    case VK_INSERT:
      if (Shift.Empty())
        sendToParent();
      else if (Shift == TShiftState{ssShift} && !grid_->CanEditModify())
        Key = 0;
      break;
    case VK_LEFT:
    case VK_HOME:
      if (forwardMovement && (ctrl || leftSide)) sendToParent();
      break;
    case VK_RIGHT:
    case VK_END:
      if (forwardMovement && (ctrl || rightSide)) sendToParent();
      break;
    case VK_F2:
      if (grid_->OnKeyDown) grid_->OnKeyDown(grid_, Key, Shift);
      if (Key == VK_F2) {
        Deselect();
        return;
      }
      break;
    case VK_TAB:
      if (!Shift.Contains(ssAlt)) sendToParent();
      break;
    case VK_DELETE:
      if (ctrl)
        sendToParent();
      else if (!grid_->CanEditModify())
        Key = 0;
      break;
    default: break;
  }
  if (Key != 0) {
    // The grid's OnKeyDown sees the editor's keys too.
    if (grid_->OnKeyDown) grid_->OnKeyDown(grid_, Key, Shift);
    if (Key != 0) TCustomMaskEdit::KeyDown(Key, Shift);
  }
}

void TInplaceEdit::KeyPress(char32_t& Key) {
  if (!grid_) {
    TCustomMaskEdit::KeyPress(Key);
    return;
  }
  grid_->KeyPress(Key);
  if (Key >= U' ' && !grid_->CanEditAcceptKey(Key)) Key = 0;
  switch (Key) {
    case U'\t':
    case 0x1B:
      Key = 0;
      break;
    case U'\r':
      // Enter toggles between everything selected and the caret at the end.
      if (Line().SelStart() == 0 && Line().SelLength() == Line().Length())
        Deselect();
      else
        SelectAll();
      Key = 0;
      break;
    case U'\b':
    case 0x16:  // Ctrl+V
    case 0x18:  // Ctrl+X
      if (!grid_->CanEditModify()) Key = 0;
      break;
    default:
      if (Key >= U' ' && !grid_->CanEditModify()) Key = 0;
      break;
  }
  if (Key != 0) TCustomMaskEdit::KeyPress(Key);
}

void TInplaceEdit::KeyUp(WORD& Key, TShiftState Shift) {
  if (grid_) grid_->KeyUp(Key, Shift);
}

void TInplaceEdit::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFOCUS: {
      // The grid stays its form's active control while its editor has the keyboard.
      TCustomForm* form = ParentForm();
      if (!form || !grid_ || form->SetFocusedControl(grid_)) Dispatch(Message);
      return;
    }
    default: break;
  }
  TCustomMaskEdit::WndProc(Message);
}

void TInplaceEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      TCustomMaskEdit::Dispatch(Message);
      if (grid_ && grid_->Options().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
      return;
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
      if (grid_ && !grid_->CanEditModify()) return;
      break;
    case CM_SHOWINGCHANGED:
      // Nothing to do while shown by the grid: Move places it.
      break;
    default: break;
  }
  TCustomMaskEdit::Dispatch(Message);
}

}  // namespace lab
