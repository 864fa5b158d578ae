#include "platform/controls/mask_edit.h"

#include "platform/controls/input.h"
#include "platform/rtl/utf8.h"

namespace lab {

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TCustomMaskEdit::SetEditMask(const std::string& Value) {
  if (Value == edit_mask_) return;
  edit_mask_ = Value;
  Line().SetMask(Value);
  old_value_ = Line().Text();
  TextChanged();
}

std::string TCustomMaskEdit::Text() { return Utf8Encode(Line().MaskedText()); }

void TCustomMaskEdit::SetText(const std::string& Value) {
  const std::u32string before = Line().Text();
  Line().SetText(Utf8Decode(Value));
  old_value_ = Line().Text();
  if (Line().Text() != before) TextChanged();
}

std::string TCustomMaskEdit::EditText() { return Utf8Encode(Line().Text()); }

void TCustomMaskEdit::SetEditText(const std::string& Value) {
  const std::u32string before = Line().Text();
  Line().SetEditText(Utf8Decode(Value));
  old_value_ = Line().Text();
  if (Line().Text() != before) TextChanged();
}

void TCustomMaskEdit::ValidateEdit() {
  const int bad = Line().FirstInvalid();
  if (bad < 0) return;
  // The text stays as typed and the edit keeps the focus, the caret where it goes wrong.
  if (CanFocus() && !Focused()) {
    re_enter_ = true;
    SetFocus();
  }
  Line().SetSel(bad, 0);
  SelectionChanged();
  throw EDBEditError(std::string(SMaskEditErr));
}

void TCustomMaskEdit::Reset() {
  if (!Modified()) return;
  Line().SetEditText(old_value_);
  TextChanged();
}

void TCustomMaskEdit::EditKey(win::WORD Key, TShiftState Shift) {
  if (Key == win::VK_ESCAPE && IsMasked() && Modified()) {
    Reset();
    return;
  }
  TCustomEdit::EditKey(Key, Shift);
}

void TCustomMaskEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_ENTER:
      // Coming back after a refused exit: the value to return to and the caret stay.
      if (re_enter_) {
        re_enter_ = false;
        return;
      }
      old_value_ = Line().Text();
      break;
    case CM_EXIT:
      if (IsMasked() && Modified()) ValidateEdit();
      break;
    default: break;
  }
  TCustomEdit::Dispatch(Message);
}

}  // namespace lab
