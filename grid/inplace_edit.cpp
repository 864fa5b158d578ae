#include "grid/inplace_edit.h"

#include <algorithm>

#include "grid/dbgrid.h"
#include "grid/lookup_grid.h"
#include "platform/controls/input.h"
#include "platform/controls/list_box.h"
#include "platform/controls/mouse.h"
#include "platform/controls/popup_list_box.h"
#include "platform/controls/screen.h"
#include "platform/controls/window_manager.h"
#include "platform/db/fields.h"

namespace lab {

using namespace win;

namespace {

constexpr UINT_PTR kRepeatTimer = 1;

// The face a column's own button takes among the extra buttons' styles.
TEditButtonStyleX StyleOfKind(TEditButtonKindX Kind) {
  switch (Kind) {
    case ebkEllipsisX: return ebsEllipsisX;
    case ebkUpDownX: return ebsUpDownX;
    default: return ebsDropDownX;
  }
}

}  // namespace

TDBGridInplaceEdit::TDBGridInplaceEdit(TComponent* AOwner)
    : TInplaceEdit(AOwner), pick_list_(std::make_unique<TStringList>()) {}

TCustomDBGridX* TDBGridInplaceEdit::DBGrid() const { return dynamic_cast<TCustomDBGridX*>(Grid()); }

TColumnX* TDBGridInplaceEdit::CurrentColumn() const {
  TCustomDBGridX* grid = DBGrid();
  return grid ? grid->SelectedColumn() : nullptr;
}

void TDBGridInplaceEdit::UpdateContents() {
  SetDroppedDown(false);
  TInplaceEdit::UpdateContents();
  pick_list_->Clear();
  buttons_.clear();
  kind_ = ebkNoneX;
  TCustomDBGridX* grid = DBGrid();
  TColumnX* column = CurrentColumn();
  if (grid && column) {
    kind_ = column->GetEditButtonKind();
    if ((kind_ == ebkPickListX || kind_ == ebkDropDownX) && column->HasPickList())
      pick_list_->Assign(column->GetPickList());
    drop_down_rows_ = std::max(column->DropDownRows(), 1);
    drop_down_width_ = column->DropDownWidth();
    // The widths the cell draws its buttons with, so the editor's buttons stand where the cell's do.
    const int flat = grid->Flat() ? 1 : 0;
    if (kind_ != ebkNoneX) buttons_.push_back({StyleOfKind(kind_), grid->EditButtonWidth() + flat, nullptr});
    TEditButtonsX* extras = column->EditButtons();
    for (int i = 0; i < extras->Count(); ++i) {
      TEditButtonX* b = extras->Items(i);
      if (!b->Visible()) continue;
      buttons_.push_back({b->Style(), (b->Width() > 0 ? b->Width() : grid->EditButtonWidth()) + flat, b});
    }
  }
  SelectionChanged();
}

// ---- Buttons ----

int TDBGridInplaceEdit::ButtonsWidth() const {
  int width = 0;
  for (const TButton& b : buttons_) width += b.Width;
  return width;
}

TRect TDBGridInplaceEdit::ButtonRect(int Index) {
  if (Index < 0 || Index >= ButtonCount()) return {};
  const TRect client = ClientRect();
  int left = client.Right - ButtonsWidth();
  for (int i = 0; i < Index; ++i) left += buttons_[static_cast<std::size_t>(i)].Width;
  const TRect r{std::max(left, client.Left), client.Top,
                std::min(left + buttons_[static_cast<std::size_t>(Index)].Width, client.Right), client.Bottom};
  return r.IsEmpty() ? TRect{} : r;
}

int TDBGridInplaceEdit::ButtonAt(TPoint Pos) {
  for (int i = 0; i < ButtonCount(); ++i)
    if (ButtonRect(i).Contains(Pos)) return i;
  return -1;
}

TRect TDBGridInplaceEdit::GetEditRect() {
  TRect r = TInplaceEdit::GetEditRect();
  r.Right = std::max(r.Left, r.Right - ButtonsWidth());
  return r;
}

void TDBGridInplaceEdit::Paint() {
  TInplaceEdit::Paint();
  TCustomDBGridX* grid = DBGrid();
  if (!grid) return;
  for (int i = 0; i < ButtonCount(); ++i) {
    const TRect r = ButtonRect(i);
    if (r.IsEmpty()) continue;
    const TButton& b = buttons_[static_cast<std::size_t>(i)];
    const bool pressed = (i == pressed_button_ && button_hot_) || (i == 0 && !b.Extra && dropped_down_);
    grid->DrawEditButton(nullptr, Canvas(), b.Style, r, ClientRect(), pressed, pressed, grid->Flat(),
                         grid->DataLink()->Active(), Color(), b.Extra ? b.Extra->Glyph() : nullptr);
  }
}

void TDBGridInplaceEdit::ButtonDown(int Index, bool TopHalf) {
  TColumnX* column = CurrentColumn();
  if (!column) return;
  const TButton& b = buttons_[static_cast<std::size_t>(Index)];
  bool handled = false;
  auto_repeat_ = b.Style == ebsUpDownX;
  if (column->OnEditButtonDown) column->OnEditButtonDown(b.Extra ? static_cast<TObject*>(b.Extra) : column,
                                                         TopHalf, auto_repeat_, handled);
  if (handled || b.Extra) return;
  if (kind_ == ebkUpDownX) {
    // Numbers step by the column's Increment; lists go to the next or the previous entry.
    const double step = column->GetColumnType() == ctCommon ? column->Increment() : 1.0;
    column->SetNextFieldValue(TopHalf ? step : -step);
  } else if (CanDropDown()) {
    SetDroppedDown(!dropped_down_);
  }
}

void TDBGridInplaceEdit::ButtonClick(int Index) {
  TColumnX* column = CurrentColumn();
  if (!column) return;
  const TButton& b = buttons_[static_cast<std::size_t>(Index)];
  // Own buttons that drop a list or step the value acted when pressed; the lookup list opens its
  // own drop-down grid.
  if (!b.Extra && (kind_ == ebkUpDownX || kind_ == ebkDataListX || HasPickList())) return;
  bool handled = false;
  if (column->OnEditButtonClick)
    column->OnEditButtonClick(b.Extra ? static_cast<TObject*>(b.Extra) : column, handled);
  if (!handled) DBGrid()->EditButtonClick();
}

// ---- The pick list ----

void TDBGridInplaceEdit::ChooseItem(int Index) {
  if (Index < 0 || Index >= pick_list_->Count()) return;
  const std::string text = pick_list_->Strings(Index);
  if (Text() == text) return;
  // The grid decides whether the cell may change (and puts the record into edit state).
  if (!EditCanModify()) return;
  SetText(text);
  SetModified(true);
  SelectAll();
}

// ---- Keys ----

void TDBGridInplaceEdit::KeyDown(WORD& Key, TShiftState Shift) {
  const bool alt = Shift.Contains(ssAlt);
  if (CanDropDown() && (Key == VK_F4 || (alt && (Key == VK_DOWN || Key == VK_UP)))) {
    SetDroppedDown(!dropped_down_);
    Key = 0;
    return;
  }
  if (data_list_) {
    if (!data_list_->MoveByKey(Key) && Key != VK_RETURN && Key != VK_ESCAPE) return;
    if (Key == VK_RETURN || Key == VK_ESCAPE) {
      data_list_->CloseUp(Key == VK_RETURN);
      list_took_key_ = true;
    }
    Key = 0;
    return;
  }
  if (dropped_down_ && list_) {
    switch (Key) {
      case VK_UP:
      case VK_DOWN:
      case VK_PRIOR:
      case VK_NEXT:
        list_->MoveByKey(Key);
        Key = 0;
        return;
      case VK_RETURN:
      case VK_ESCAPE:
        ListClicked(Key == VK_RETURN ? ListBox()->ItemIndex() : -1);
        list_took_key_ = true;
        Key = 0;
        return;
      default: break;
    }
  }
  // Enter that acts as Tab moves on from the editor as Tab does.
  TCustomDBGridX* grid = DBGrid();
  if (Key == VK_RETURN && grid && grid->OptionsX().Contains(dgxEnterAsTab) && !Shift.Contains(ssAlt) &&
      !Shift.Contains(ssCtrl)) {
    grid->KeyDown(Key, Shift);
    Key = 0;
    return;
  }
  TInplaceEdit::KeyDown(Key, Shift);
}

void TDBGridInplaceEdit::KeyPress(char32_t& Key) {
  if (list_took_key_ && (Key == U'\r' || Key == 0x1B)) {
    list_took_key_ = false;
    Key = 0;
    return;
  }
  list_took_key_ = false;
  TInplaceEdit::KeyPress(Key);
}

void TDBGridInplaceEdit::Change() {
  TInplaceEdit::Change();
  // The grid keeps the text it last saw, so a record changed under the editor can tell whether
  // the editor must read its cell again.
  if (TCustomDBGridX* grid = DBGrid()) grid->UpdateText();
}

// ---- The mouse ----

void TDBGridInplaceEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const int b = Button == mbLeft ? ButtonAt({X, Y}) : -1;
  if (b < 0) {
    TInplaceEdit::MouseDown(Button, Shift, X, Y);
    return;
  }
  pressed_button_ = b;
  button_hot_ = true;
  Invalidate();
  const TRect r = ButtonRect(b);
  pressed_top_ = Y < (r.Top + r.Bottom) / 2;
  ButtonDown(b, pressed_top_);
  // A list dropped down holds the mouse from here: the press is over for the button.
  if (dropped_down_) EndButtonPress();
  if (auto_repeat_ && pressed_button_ == b) wm::SetTimer(Handle(), kRepeatTimer, kRepeatDelay, nullptr);
  TControl::MouseDown(Button, Shift, X, Y);
}

// The editor reads its cell again after each step, hiding and showing itself (and handing the
// focus to the grid and back): the press holds while the button is, on an editor that still has
// the focus. What a step did raising stops the repeating: the timer is set again only after it.
void TDBGridInplaceEdit::RepeatButton() {
  wm::KillTimer(Handle(), kRepeatTimer);
  if (pressed_button_ < 0 || pressed_button_ >= ButtonCount() || !auto_repeat_ || !Visible() || !Focused() ||
      GetKeyState(VK_LBUTTON) >= 0) {
    EndButtonPress();
    return;
  }
  if (button_hot_) ButtonDown(pressed_button_, pressed_top_);
  if (pressed_button_ >= 0 && auto_repeat_) wm::SetTimer(Handle(), kRepeatTimer, kRepeatInterval, nullptr);
}

void TDBGridInplaceEdit::EndButtonPress() {
  if (HandleAllocated()) wm::KillTimer(Handle(), kRepeatTimer);
  auto_repeat_ = false;
  if (pressed_button_ < 0) return;
  pressed_button_ = -1;
  button_hot_ = false;
  Invalidate();
}

void TDBGridInplaceEdit::MouseMove(TShiftState Shift, int X, int Y) {
  if (pressed_button_ >= 0) {
    const bool hot = ButtonRect(pressed_button_).Contains({X, Y});
    if (hot != button_hot_) {
      button_hot_ = hot;
      Invalidate();
    }
    TControl::MouseMove(Shift, X, Y);
    return;
  }
  TInplaceEdit::MouseMove(Shift, X, Y);
}

void TDBGridInplaceEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (pressed_button_ >= 0 && Button == mbLeft) {
    const int b = pressed_button_;
    const bool clicked = ButtonRect(b).Contains({X, Y});
    EndButtonPress();
    if (clicked) ButtonClick(b);
    TControl::MouseUp(Button, Shift, X, Y);
    return;
  }
  TInplaceEdit::MouseUp(Button, Shift, X, Y);
}

void TDBGridInplaceEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      TInplaceEdit::Dispatch(Message);
      // Enter and Escape belong to the open list.
      if (dropped_down_) Message.Result |= DLGC_WANTALLKEYS;
      return;
    case WM_KILLFOCUS:
      SetDroppedDown(false);
      break;
    case CM_CANCELMODE:
    case WM_CANCELMODE:
      SetDroppedDown(false);
      EndButtonPress();
      break;
    case WM_TIMER:
      if (Message.WParam == kRepeatTimer) {
        RepeatButton();
        return;
      }
      break;
    case CM_VISIBLECHANGED:
      // Hidden by the grid (the cell moved, the grid scrolled): the list goes with the editor.
      if (Message.WParam == 0) SetDroppedDown(false);
      break;
    case WM_SETCURSOR:
      // An arrow over the buttons, the I-beam over the text.
      if (LOWORD(static_cast<std::uintptr_t>(Message.LParam)) == HTCLIENT &&
          ButtonAt(ScreenToClient(Mouse->CursorPos())) >= 0) {
        Screen->ShowCursor(crArrow);
        Message.Result = 1;
        return;
      }
      break;
    default: break;
  }
  TInplaceEdit::Dispatch(Message);
}

}  // namespace lab
