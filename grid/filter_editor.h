#pragma once
// TInplaceFilterEditX: the editor the grid shows over a cell of its filter row (one per grid).
// Its drop-down starts with special items, each tagged with its code (ItemTag): the grid acts on
// them when one is chosen instead of taking their text. SetValueAndText gives the editor a key
// and the text shown for it.

#include <cstdint>
#include <string>
#include <vector>

#include "grid/db_combo_box.h"

namespace lab {

// The special items of the filter row's drop-down, by tag.
enum TFilterSpecialItemX : int {
  fsiNoneX = 0, fsiEmptyX = 1, fsiNotEmptyX = 2, fsiAllX = 3, fsiClearFilterX = 4, fsiSeparatorX = 5,
  fsiOrderAscendingX = 6, fsiOrderDescendingX = 7
};
// Their texts, by tag (index 0 unused).
extern const char* const FilterSpecialItemTexts[8];

class TInplaceFilterEditX : public TDBComboBoxX {
  LAB_CLASS(TInplaceFilterEditX, TDBComboBoxX)
 public:
  explicit TInplaceFilterEditX(TComponent* AOwner);

  void SetValueAndText(const Variant& AValue, const std::string& AText);
  // The tags of the first items (the special ones); the items after them are values.
  void SetItemTags(std::vector<int> Tags) { tags_ = std::move(Tags); }
  int ItemTag(int Index) const;
  // The last close-up chose an item; the text the editor held when the list dropped down.
  bool CloseUpAccepted() const noexcept { return accepted_; }
  const std::string& TextBeforeDrop() const noexcept { return text_before_drop_; }

  // A press on the grid's filter cell was passed on here: a second press at that screen point
  // within the double-click time is a double click.
  void ExpectSecondPress(TPoint ScreenPoint);

  // The list's close-up with whether an item was chosen.
  std::function<void(bool Accept)> OnFilterCloseUp;

  void Dispatch(TMessage& Message) override;

 protected:
  // One pixel lower than the combo box's, as the cell's text stands.
  TRect GetEditRect() override;
  void DropDown() override;
  void CloseUp(bool Accept) override;
  void EditKey(win::WORD Key, TShiftState Shift) override;
  // The Enter that chose from the open list types no Enter into the cell.
  void KeyPress(char32_t& Key) override;

 private:
  bool chose_by_return_ = false;
  // The press passed on from the grid: whether one waits for its second, when and where on the
  // screen it was.
  bool first_press_waits_ = false;
  std::uint64_t first_press_time_ = 0;
  TPoint first_press_;
  std::vector<int> tags_;
  bool accepted_ = false;
  std::string text_before_drop_;
};

}  // namespace lab
