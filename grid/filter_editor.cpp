#include "grid/filter_editor.h"

#include <utility>

#include "platform/controls/input.h"

namespace lab {

const char* const FilterSpecialItemTexts[8] = {
    "", "(Empty)", "(Not empty)", "(All)", "(Clear filter)", "-", "(Order by ascending)", "(Order by descending)"};

TInplaceFilterEditX::TInplaceFilterEditX(TComponent* AOwner) : TDBComboBoxX(AOwner) {}

void TInplaceFilterEditX::SetValueAndText(const Variant& AValue, const std::string& AText) {
  SetValue(AValue);
  SetText(AText);
}

int TInplaceFilterEditX::ItemTag(int Index) const {
  return Index >= 0 && Index < static_cast<int>(tags_.size()) ? tags_[static_cast<std::size_t>(Index)] : fsiNoneX;
}

TRect TInplaceFilterEditX::GetEditRect() {
  TRect r = TDBComboBoxX::GetEditRect();
  ++r.Top;
  return r;
}

void TInplaceFilterEditX::DropDown() {
  text_before_drop_ = Text();
  TDBComboBoxX::DropDown();
}

void TInplaceFilterEditX::CloseUp(bool Accept) {
  accepted_ = Accept;
  if (OnFilterCloseUp) OnFilterCloseUp(Accept);
  TDBComboBoxX::CloseUp(Accept);
}

void TInplaceFilterEditX::EditKey(win::WORD Key, TShiftState Shift) {
  chose_by_return_ = Key == win::VK_RETURN && DroppedDown();
  TDBComboBoxX::EditKey(Key, Shift);
}

void TInplaceFilterEditX::KeyPress(char32_t& Key) {
  if (Key == U'\r' && std::exchange(chose_by_return_, false)) {
    Key = 0;
    return;
  }
  TDBComboBoxX::KeyPress(Key);
}

}  // namespace lab
