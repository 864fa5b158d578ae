#pragma once
// TCustomListBox: a list of text items (each with an object), one of which may be selected
// (ItemIndex), scrolled by its vertical scroll bar, the wheel and the keys (arrows, PgUp, PgDn, Home,
// End, a typed first letter), selected by clicks and drags. Items are drawn by the list, or by
// OnDrawItem in the owner-drawn styles, with heights from the font, ItemHeight or OnMeasureItem.

#include <functional>
#include <memory>
#include <vector>

#include "platform/controls/custom_control.h"
#include "platform/rtl/string_list.h"

namespace lab {

enum TListBoxStyle : std::uint8_t { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

enum TOwnerDrawStateItem : std::uint8_t {
  odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, odInactive,
  odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit
};
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;

using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

class TCustomListBox : public TCustomControl {
  LAB_CLASS(TCustomListBox, TCustomControl)
 public:
  explicit TCustomListBox(TComponent* AOwner);
  ~TCustomListBox() override;

  TStrings* Items() noexcept { return items_.get(); }
  void SetItems(TStrings* Value) { items_->Assign(Value); }
  int Count() const { return items_->Count(); }
  // -1: nothing selected. Other values outside the items raise EListError.
  int ItemIndex() const noexcept { return item_index_; }
  void SetItemIndex(int Value);
  // The first item shown.
  int TopIndex() const noexcept { return top_index_; }
  void SetTopIndex(int Value);
  TListBoxStyle Style() const noexcept { return style_; }
  void SetStyle(TListBoxStyle Value);
  // The height of an item: the font's in the standard style, this value in the owner-drawn ones.
  int ItemHeight();
  void SetItemHeight(int Value);
  bool Sorted() const;
  void SetSorted(bool Value);

  // The item at a client point; with Existing false, a point below the last item answers Count.
  // -1 when there is none.
  int ItemAtPos(TPoint Pos, bool Existing);
  // The client rectangle of an item (empty when scrolled out).
  TRect ItemRect(int Index);
  // Items that fit whole into the client area from TopIndex on (at least 1).
  int VisibleCount();
  void Clear() { items_->Clear(); }
  // Scrolls so that ItemIndex shows whole.
  void MakeVisible(int Index);

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;

  void Dispatch(TMessage& Message) override;

 protected:
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
  virtual void MeasureItem(int Index, int& Height);
  // The user changed the selection (keys, mouse): fires OnClick.
  virtual void SelectionChangedByUser();

  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

  // Items changed: heights, selection, scroll bar, picture.
  void ItemsChanged();
  // Selects Index as the user did it (OnClick when it changed) and scrolls it into view.
  void SelectByUser(int Index);
  bool Tracking() const noexcept { return tracking_; }

 private:
  int HeightOf(int Index);
  int TopOf(int Index);  // pixels from the first item's top
  void UpdateScrollBar();
  void Scroll(int Code, int Pos);
  int MaxTopIndex();

  std::unique_ptr<TStringList> items_;
  int item_index_ = -1;
  int top_index_ = 0;
  TListBoxStyle style_ = lbStandard;
  int item_height_ = 16;
  std::vector<int> heights_;  // measured heights (owner-drawn variable style)
  bool tracking_ = false;     // the left button is down over the list
};

class TListBox : public TCustomListBox {
  LAB_CLASS(TListBox, TCustomListBox)
 public:
  using TCustomListBox::TCustomListBox;
};

}  // namespace lab
