#include "platform/controls/combo_box.h"

#include <algorithm>

#include "platform/controls/input.h"
#include "platform/controls/mouse.h"
#include "platform/controls/popup_list_box.h"
#include "platform/controls/screen.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"
#include "platform/graphics/edges.h"
#include "platform/graphics/system_metrics.h"

namespace lab {

using namespace win;

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TCustomMaskEdit(AOwner), items_(std::make_unique<TStringList>()) {
  SetBounds(0, 0, 145, 21);
  buttons_.push_back({TEditButtonKind::DropDown, 0, true});
  items_->OnChange = [this](TObject*) {
    if (item_index_ >= items_->Count()) item_index_ = -1;
  };
}

TCustomComboBox::~TCustomComboBox() {
  items_->OnChange = nullptr;
  list_.reset();
}

TCustomListBox* TCustomComboBox::ListBox() const noexcept { return list_.get(); }

// --- properties

void TCustomComboBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= items_->Count()) throw EListError("List index out of bounds (%d)", Value);
  if (Value == item_index_) return;
  item_index_ = Value;
  choosing_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{choosing_};
  TCustomMaskEdit::SetText(Value >= 0 ? items_->Strings(Value) : std::string());
  if (list_ && dropped_down_ && Value >= 0) list_->SetItemIndex(Value);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
  if (Value == style_) return;
  style_ = Value;
  Invalidate();
}

void TCustomComboBox::SetDroppedDown(bool Value) {
  if (Value == dropped_down_) return;
  if (!Value) {
    dropped_down_ = false;
    if (list_) list_->Close();
    CloseUp(false);
    return;
  }
  if (!HandleAllocated() || !Enabled()) return;
  DropDown();
  if (!list_) list_ = std::make_unique<TPopupListBox>([this](int Index) { ListClicked(Index); });
  text_before_drop_ = Line().Text();
  dropped_down_ = true;
  list_->DropDown(this, items_.get(), drop_down_count_, drop_down_width_);
  if (item_index_ >= 0) {
    list_->SetItemIndex(item_index_);
  } else {
    // The item whose text the edit part holds, when there is one.
    const int match = items_->IndexOf(TCustomMaskEdit::Text());
    if (match >= 0) list_->SetItemIndex(match);
  }
  Invalidate();
}

void TCustomComboBox::SetEditButton(int Index, const TComboEditButton& Value) {
  buttons_.at(static_cast<std::size_t>(Index)) = Value;
  SelectionChanged();
  Invalidate();
}

int TCustomComboBox::AddEditButton(TEditButtonKind Kind, int Width) {
  buttons_.push_back({Kind, std::max(Width, 0), true});
  SelectionChanged();
  Invalidate();
  return EditButtonCount() - 1;
}

void TCustomComboBox::DeleteEditButton(int Index) {
  if (Index < 0 || Index >= EditButtonCount()) throw EListError("List index out of bounds (%d)", Index);
  buttons_.erase(buttons_.begin() + Index);
  SelectionChanged();
  Invalidate();
}

int TCustomComboBox::ButtonWidth(int Index) const {
  const TComboEditButton& b = buttons_[static_cast<std::size_t>(Index)];
  if (!b.Visible) return 0;
  return b.Width > 0 ? b.Width : GetSystemMetrics(SM_CXVSCROLL);
}

TRect TCustomComboBox::EditButtonRect(int Index) {
  if (Index < 0 || Index >= EditButtonCount()) return {};
  const TRect client = ClientRect();
  // The first button stands at the right end, the others to its left in order.
  int right = client.Right;
  for (int i = 0; i < Index; ++i) right -= ButtonWidth(i);
  const int w = ButtonWidth(Index);
  if (w == 0) return {};
  return {std::max(right - w, client.Left), client.Top, right, client.Bottom};
}

int TCustomComboBox::ButtonAt(TPoint Pos) {
  for (int i = 0; i < EditButtonCount(); ++i)
    if (EditButtonRect(i).Contains(Pos)) return i;
  return -1;
}

TRect TCustomComboBox::GetEditRect() {
  TRect r = TCustomMaskEdit::GetEditRect();
  int buttons = 0;
  for (int i = 0; i < EditButtonCount(); ++i) buttons += ButtonWidth(i);
  r.Right = std::max(r.Left, r.Right - buttons);
  return r;
}

// --- events

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp(bool) {
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::Select() {
  if (OnSelect) OnSelect(this);
}

void TCustomComboBox::EditButtonClick(int Index) {
  if (OnEditButtonClick) OnEditButtonClick(this, Index);
}

void TCustomComboBox::Change() {
  // Typing makes the text the user's own rather than a chosen item's.
  if (!choosing_) item_index_ = -1;
  TCustomMaskEdit::Change();
}

void TCustomComboBox::ChooseItem(int Index) {
  if (Index < 0 || Index >= items_->Count()) return;
  const bool changed = Index != item_index_ || TCustomMaskEdit::Text() != items_->Strings(Index);
  if (!changed) return;
  if (!EditCanModify()) return;
  item_index_ = -1;
  SetItemIndex(Index);
  SetModified(true);
  SelectAll();
  Select();
  Click();
}

void TCustomComboBox::ListClicked(int Index) {
  if (!dropped_down_) return;
  dropped_down_ = false;
  list_->Close();
  if (Index >= 0) ChooseItem(Index);
  CloseUp(Index >= 0);
  Invalidate();
}

// --- painting

void TCustomComboBox::PaintEditButton(TCanvas* Canvas, int Index, const TRect& Rect, bool Pressed) {
  const TComboEditButton& b = buttons_[static_cast<std::size_t>(Index)];
  TRect r = Rect;
  HDC dc = Canvas->Handle();
  if (b.Kind == TEditButtonKind::DropDown) {
    DrawFrameControl(dc, &r, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (Pressed ? DFCS_PUSHED | DFCS_FLAT : 0));
    return;
  }
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (Pressed ? DFCS_PUSHED : 0));
  // The glyph, in the button text colour, one pixel lower and to the right while pressed.
  const int shift = Pressed ? 1 : 0;
  const int cx = (Rect.Left + Rect.Right) / 2 + shift;
  const int cy = (Rect.Top + Rect.Bottom) / 2 + shift;
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(Enabled() ? clBtnText : clGrayText);
  switch (b.Kind) {
    case TEditButtonKind::Ellipsis:
      for (int dx : {-4, 0, 4}) Canvas->FillRect({cx + dx - 1, cy, cx + dx + 1, cy + 2});
      break;
    case TEditButtonKind::Plus:
      Canvas->FillRect({cx - 3, cy - 1, cx + 4, cy});
      Canvas->FillRect({cx, cy - 4, cx + 1, cy + 3});
      break;
    case TEditButtonKind::Minus:
      Canvas->FillRect({cx - 3, cy - 1, cx + 4, cy});
      break;
    case TEditButtonKind::UpDown:
      for (int i = 0; i < 3; ++i) {
        Canvas->FillRect({cx - i, cy - 5 + i, cx + i + 1, cy - 4 + i});
        Canvas->FillRect({cx - i, cy + 4 - i, cx + i + 1, cy + 5 - i});
      }
      break;
    case TEditButtonKind::DropDown: break;
  }
}

void TCustomComboBox::Paint() {
  TCustomMaskEdit::Paint();
  for (int i = 0; i < EditButtonCount(); ++i) {
    const TRect r = EditButtonRect(i);
    if (r.IsEmpty()) continue;
    const bool pressed = (i == pressed_button_ && button_hot_) ||
                         (dropped_down_ && buttons_[static_cast<std::size_t>(i)].Kind == TEditButtonKind::DropDown);
    PaintEditButton(Canvas(), i, r, pressed);
  }
}

// --- keys and the mouse

void TCustomComboBox::DefaultHandler(TMessage& Message) {
  // Alt+Down and Alt+Up come as system keys.
  if (Message.Msg == WM_SYSKEYDOWN && (Message.WParam == VK_DOWN || Message.WParam == VK_UP)) {
    SetDroppedDown(!dropped_down_);
    return;
  }
  TCustomMaskEdit::DefaultHandler(Message);
}

void TCustomComboBox::EditKey(WORD Key, TShiftState Shift) {
  const bool alt = Shift.Contains(ssAlt);
  if (Key == VK_F4 || (alt && (Key == VK_DOWN || Key == VK_UP))) {
    SetDroppedDown(!dropped_down_);
    return;
  }
  if (dropped_down_) {
    if (list_->MoveByKey(Key)) return;
    switch (Key) {
      case VK_HOME:
        if (style_ == csDropDownList) {
          list_->MoveTo(0);
          return;
        }
        break;
      case VK_END:
        if (style_ == csDropDownList) {
          list_->MoveTo(list_->Count() - 1);
          return;
        }
        break;
      case VK_RETURN: ListClicked(list_->ItemIndex()); return;
      case VK_ESCAPE: ListClicked(-1); return;
      default: break;
    }
  } else {
    const int count = items_->Count();
    switch (Key) {
      case VK_UP:
        if (count > 0) ChooseItem(item_index_ < 0 ? 0 : std::max(item_index_ - 1, 0));
        return;
      case VK_DOWN:
        if (count > 0) ChooseItem(item_index_ < 0 ? 0 : std::min(item_index_ + 1, count - 1));
        return;
      case VK_PRIOR:
      case VK_HOME:
        if (style_ == csDropDownList && count > 0) {
          ChooseItem(0);
          return;
        }
        break;
      case VK_NEXT:
      case VK_END:
        if (style_ == csDropDownList && count > 0) {
          ChooseItem(count - 1);
          return;
        }
        break;
      default: break;
    }
  }
  // A list-only combo box has no text to edit.
  if (style_ == csDropDownList && (Key == VK_DELETE || Key == VK_INSERT || Key == 'X' || Key == 'V' || Key == 'Z'))
    return;
  TCustomMaskEdit::EditKey(Key, Shift);
}

void TCustomComboBox::EditChar(char32_t Ch) {
  if (dropped_down_ && (Ch == U'\r' || Ch == 0x1B)) return;  // taken by their keys
  if (style_ != csDropDownList) {
    TCustomMaskEdit::EditChar(Ch);
    return;
  }
  if (Ch < U' ' || items_->Count() == 0) return;
  // The next item that starts with the character.
  std::string typed;
  Utf8Append(typed, Ch);
  const int count = items_->Count();
  const int current = dropped_down_ && list_ ? list_->ItemIndex() : item_index_;
  for (int step = 1; step <= count; ++step) {
    const int i = (std::max(current, -1) + step) % count;
    const std::string s = items_->Strings(i);
    const std::size_t first = s.empty() ? 0 : Utf8Next(s, 0);
    if (first > 0 && AnsiSameText(std::string_view(s).substr(0, first), typed)) {
      if (dropped_down_ && list_)
        list_->MoveTo(i);
      else
        ChooseItem(i);
      return;
    }
  }
}

void TCustomComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const int b = Button == mbLeft ? ButtonAt({X, Y}) : -1;
  if (b >= 0) {
    if (CanFocus() && !Focused()) SetFocus();
    pressed_button_ = b;
    button_hot_ = true;
    if (buttons_[static_cast<std::size_t>(b)].Kind == TEditButtonKind::DropDown) {
      pressed_button_ = -1;
      SetDroppedDown(!dropped_down_);
    }
    Invalidate();
    TControl::MouseDown(Button, Shift, X, Y);
    return;
  }
  // The whole of a list-only combo box opens the list.
  if (Button == mbLeft && style_ == csDropDownList) {
    if (CanFocus() && !Focused()) SetFocus();
    SetDroppedDown(!dropped_down_);
    TControl::MouseDown(Button, Shift, X, Y);
    return;
  }
  TCustomMaskEdit::MouseDown(Button, Shift, X, Y);
}

void TCustomComboBox::MouseMove(TShiftState Shift, int X, int Y) {
  if (pressed_button_ >= 0) {
    const bool hot = EditButtonRect(pressed_button_).Contains({X, Y});
    if (hot != button_hot_) {
      button_hot_ = hot;
      Invalidate();
    }
    TControl::MouseMove(Shift, X, Y);
    return;
  }
  TCustomMaskEdit::MouseMove(Shift, X, Y);
}

void TCustomComboBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (pressed_button_ >= 0 && Button == mbLeft) {
    const int b = pressed_button_;
    const bool clicked = EditButtonRect(b).Contains({X, Y});
    pressed_button_ = -1;
    button_hot_ = false;
    Invalidate();
    if (clicked) EditButtonClick(b);
    TControl::MouseUp(Button, Shift, X, Y);
    return;
  }
  TCustomMaskEdit::MouseUp(Button, Shift, X, Y);
}

void TCustomComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      TCustomMaskEdit::Dispatch(Message);
      // Enter and Escape belong to the open list.
      if (dropped_down_) Message.Result |= DLGC_WANTALLKEYS;
      return;
    case WM_KILLFOCUS:
    case CM_CANCELMODE:
      if (dropped_down_) ListClicked(-1);
      break;
    case WM_SETCURSOR:
      // An arrow over the buttons, the I-beam over the text.
      if (LOWORD(static_cast<std::uintptr_t>(Message.LParam)) == HTCLIENT) {
        const TPoint p = ScreenToClient(Mouse->CursorPos());
        if (ButtonAt(p) >= 0 || style_ == csDropDownList) {
          Screen->ShowCursor(crArrow);
          Message.Result = 1;
          return;
        }
      }
      break;
    default: break;
  }
  TCustomMaskEdit::Dispatch(Message);
}

}  // namespace lab
