#pragma once
// TDBGridInplaceEdit: the data grid's in-place editor. Over the current cell it shows the text,
// mask and length limit the grid gives for the cell (GetEditText, GetEditMask, GetEditLimit) and,
// at its right end, the column's edit buttons as the cells draw them: the column's own button (a
// drop-down arrow for a pick list, an ellipsis, up and down arrows) and its visible EditButtons.
//
// A column with a pick list offers it in a list that drops down under the editor (the button, F4,
// Alt+Down or Alt+Up open and close it; while open Up, Down, PgUp and PgDn move in it, Enter or a
// click chooses, Escape or a click elsewhere closes it). A chosen text goes into the editor as
// typed text does, and into the field when the grid writes the editor's text (a key-list column
// stores the key the text stands for). A lookup column drops its drop-down grid (DataList) down
// the same way, on the record whose key the field holds (or its special row); a choice there goes
// into the field's key fields at once. The up-down button steps the value (SetNextFieldValue) by
// the column's Increment, up for the upper half, down for the lower, again and again while held
// (as a scroll-bar arrow repeats); the ellipsis, a drop-down
// button without a list and the extra buttons fire the column's OnEditButtonClick (the extra
// buttons with themselves as Sender) and, unless handled, the grid's OnEditButtonClick. Every
// press fires the column's OnEditButtonDown first; a handler that handles it takes the press, and
// its AutoRepeat (set for up-down buttons) says whether a held button presses again.

#include <memory>
#include <string>
#include <vector>

#include "grid/columns.h"
#include "platform/grids/inplace_edit.h"

namespace lab {

class TCustomDBGridX;
class TCustomListBox;
class TPopupDataGridX;
class TPopupListBox;

class TDBGridInplaceEdit : public TInplaceEdit {
  LAB_CLASS(TDBGridInplaceEdit, TInplaceEdit)
 public:
  // Owner is the grid.
  explicit TDBGridInplaceEdit(TComponent* AOwner);
  ~TDBGridInplaceEdit() override;

  TCustomDBGridX* DBGrid() const;

  // The texts the cell offers to choose from (its column's pick list when it has one).
  TStrings* PickList() const noexcept { return pick_list_.get(); }
  bool HasPickList() const { return pick_list_->Count() > 0; }
  bool DroppedDown() const noexcept { return dropped_down_; }
  // Opens or closes the pick list or the drop-down grid (nothing to open without one, or without
  // a window).
  void SetDroppedDown(bool Value);
  // The pick list (nullptr before it first opens), and the drop-down grid while it is open.
  TCustomListBox* ListBox() const noexcept;
  TPopupDataGridX* DataList() const noexcept { return data_list_; }

  // The buttons at the right end: the column's own first (when it has one), then the visible
  // EditButtons; their client rectangles (empty outside the buttons).
  int ButtonCount() const noexcept { return static_cast<int>(buttons_.size()); }
  TRect ButtonRect(int Index);
  // The column's own button kind as the editor took it from its cell.
  TEditButtonKindX ButtonKind() const noexcept { return kind_; }

  // Reads the cell: text, mask and limit, then the column's pick list and buttons.
  void UpdateContents() override;

  void Dispatch(TMessage& Message) override;

 protected:
  TRect GetEditRect() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void Change() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // A button was pressed (TopHalf: the upper half of an up-down button), or clicked.
  virtual void ButtonDown(int Index, bool TopHalf);
  virtual void ButtonClick(int Index);

 private:
  struct TButton {
    TEditButtonStyleX Style = ebsDropDownX;
    int Width = 0;
    TEditButtonX* Extra = nullptr;  // one of the column's EditButtons; nullptr for its own button
  };
  TColumnX* CurrentColumn() const;
  int ButtonAt(TPoint Pos);
  int ButtonsWidth() const;
  // A held button presses again while the mouse stays on it; the press ends with the button's
  // release, a lost focus or a cancelled mode.
  void RepeatButton();
  void EndButtonPress();
  // A pick list or a drop-down grid to drop down.
  bool CanDropDown() const { return HasPickList() || kind_ == ebkDataListX; }
  void DropDataList();
  // Called by the open list: an item was clicked (Index), or the mouse went elsewhere (-1).
  void ListClicked(int Index);
  // Called by the drop-down grid as it closes.
  void DataListClosed(bool Chosen);
  void ChooseItem(int Index);

  std::unique_ptr<TStringList> pick_list_;
  std::vector<TButton> buttons_;
  TEditButtonKindX kind_ = ebkNoneX;
  int drop_down_rows_ = 7;
  int drop_down_width_ = 0;
  bool dropped_down_ = false;
  std::unique_ptr<TPopupListBox> list_;  // made on first drop-down
  TPopupDataGridX* data_list_ = nullptr;  // the column's, while open
  int pressed_button_ = -1;
  bool button_hot_ = false;  // the pressed button is under the mouse
  bool pressed_top_ = false;  // the press was on the upper half
  bool auto_repeat_ = false;  // the last press asked to repeat while held
  // Enter or Escape closed the list: the character that follows the key is the list's too.
  bool list_took_key_ = false;
};

}  // namespace lab
