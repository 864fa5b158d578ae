#include "grid/filter_editor.h"

#include <utility>

#include "platform/controls/clock.h"
#include "platform/controls/input.h"
#include "platform/graphics/system_metrics.h"

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

void TInplaceFilterEditX::ExpectSecondPress(TPoint ScreenPoint) {
  first_press_waits_ = true;
  first_press_time_ = ClockMilliseconds();
  first_press_ = ScreenPoint;
}

// The first press of a double click on a filter cell went to the grid, a window of its own: the
// second is measured against it here.
void TInplaceFilterEditX::Dispatch(TMessage& Message) {
  if (Message.Msg == win::WM_LBUTTONDOWN && first_press_waits_) {
    const TPoint at = ClientToScreen(TPoint{win::GET_X_LPARAM(Message.LParam), win::GET_Y_LPARAM(Message.LParam)});
    if (ClockMilliseconds() - first_press_time_ <= win::GetDoubleClickTime() &&
        std::abs(at.X - first_press_.X) <= win::GetSystemMetrics(win::SM_CXDOUBLECLK) / 2 &&
        std::abs(at.Y - first_press_.Y) <= win::GetSystemMetrics(win::SM_CYDOUBLECLK) / 2)
      Message.Msg = win::WM_LBUTTONDBLCLK;
    first_press_waits_ = false;
  }
  TDBComboBoxX::Dispatch(Message);
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
