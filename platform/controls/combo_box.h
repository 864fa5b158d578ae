#pragma once
// TCustomComboBox: an edit part with buttons beside it (at the right) and a list of items that drops
// down in a pop-up window under it. The first button opens and closes the list by default; more
// buttons (an ellipsis, plus, minus, up-down, another drop-down) can be added, and a click on one
// that is not a drop-down button fires OnEditButtonClick. The list opens with the button, F4 or
// Alt+Down; while it is open Up, Down, PgUp, PgDn, Home and End move in it, Enter (or a click on an
// item) chooses and closes it, Escape (or a click elsewhere, or the edit losing the focus) closes it
// without a choice. With the list closed Up and Down choose the previous and next item directly.
// In the csDropDownList style the edit part takes no typing: a character chooses the next item that
// starts with it.

#include <functional>
#include <memory>
#include <vector>

#include "platform/controls/mask_edit.h"
#include "platform/rtl/string_list.h"

namespace lab {

class TCustomListBox;
class TPopupListBox;

enum TComboBoxStyle : std::uint8_t { csDropDown, csDropDownList };

enum class TEditButtonKind : std::uint8_t { DropDown, Ellipsis, UpDown, Plus, Minus };

struct TComboEditButton {
  TEditButtonKind Kind = TEditButtonKind::DropDown;
  int Width = 0;  // 0: the system's scroll-bar width
  bool Visible = true;
};

using TEditButtonClickEvent = std::function<void(TObject* Sender, int Index)>;

class TCustomComboBox : public TCustomMaskEdit {
  LAB_CLASS(TCustomComboBox, TCustomMaskEdit)
 public:
  explicit TCustomComboBox(TComponent* AOwner);
  ~TCustomComboBox() override;

  TStrings* Items() noexcept { return items_.get(); }
  void SetItems(TStrings* Value) { items_->Assign(Value); }
  // The chosen item; -1 when the text is not one chosen from the list. Setting it shows the item's
  // text; values outside the items raise EListError.
  int ItemIndex() const noexcept { return item_index_; }
  void SetItemIndex(int Value);
  TComboBoxStyle Style() const noexcept { return style_; }
  void SetStyle(TComboBoxStyle Value);
  // Items the open list shows at most before it scrolls.
  int DropDownCount() const noexcept { return drop_down_count_; }
  void SetDropDownCount(int Value) { drop_down_count_ = std::max(Value, 1); }
  // Width of the open list; 0: the combo box's width.
  int DropDownWidth() const noexcept { return drop_down_width_; }
  void SetDropDownWidth(int Value) { drop_down_width_ = std::max(Value, 0); }
  bool DroppedDown() const noexcept { return dropped_down_; }
  void SetDroppedDown(bool Value);
  // The open list (nullptr before it first opens).
  TCustomListBox* ListBox() const noexcept;

  // --- the buttons beside the edit part; the first is the drop-down button
  int EditButtonCount() const noexcept { return static_cast<int>(buttons_.size()); }
  const TComboEditButton& EditButton(int Index) const { return buttons_.at(static_cast<std::size_t>(Index)); }
  void SetEditButton(int Index, const TComboEditButton& Value);
  // Answers the new button's index.
  int AddEditButton(TEditButtonKind Kind, int Width = 0);
  void DeleteEditButton(int Index);
  // The client rectangle of a button; empty when it is hidden.
  TRect EditButtonRect(int Index);

  TNotifyEvent OnDropDown, OnCloseUp, OnSelect;
  TEditButtonClickEvent OnEditButtonClick;

  void Dispatch(TMessage& Message) override;

 protected:
  // The list is about to open (fires OnDropDown; the items are taken into the list after it).
  virtual void DropDown();
  // The list closed; Accept when an item was chosen (fires OnCloseUp).
  virtual void CloseUp(bool Accept);
  // An item was chosen from the list or with the keys (fires OnSelect).
  virtual void Select();
  // A button other than a drop-down button was clicked (fires OnEditButtonClick).
  virtual void EditButtonClick(int Index);
  // Draws one button (pressed while the mouse holds it down).
  virtual void PaintEditButton(TCanvas* Canvas, int Index, const TRect& Rect, bool Pressed);

  TRect GetEditRect() override;
  void Paint() override;
  void DefaultHandler(TMessage& Message) override;
  void EditKey(win::WORD Key, TShiftState Shift) override;
  void EditChar(char32_t Ch) override;
  void Change() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

  // Shows item Index in the edit part as if chosen (Select fires when it changed).
  void ChooseItem(int Index);

 private:
  int ButtonWidth(int Index) const;
  int ButtonAt(TPoint Pos);
  // Called by the open list: an item was clicked (Index) or the mouse went elsewhere (-1).
  void ListClicked(int Index);

  std::unique_ptr<TStringList> items_;
  int item_index_ = -1;
  TComboBoxStyle style_ = csDropDown;
  int drop_down_count_ = 8;
  int drop_down_width_ = 0;
  bool dropped_down_ = false;
  std::vector<TComboEditButton> buttons_;
  std::unique_ptr<TPopupListBox> list_;  // made on first drop-down
  int pressed_button_ = -1;
  bool button_hot_ = false;  // the pressed button is under the mouse
  bool choosing_ = false;   // the text changes because an item was chosen
  std::u32string text_before_drop_;
};

class TComboBox : public TCustomComboBox {
  LAB_CLASS(TComboBox, TCustomComboBox)
 public:
  using TCustomComboBox::TCustomComboBox;
};

}  // namespace lab
