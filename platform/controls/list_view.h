#pragma once
// TListView: a list in report style: columns with captions, widths and alignments under a header
// whose dividers the mouse drags, rows of texts with an image and a data value, one selected and
// focused row, scrolled by rows down and by pixels across (scroll bars, wheel, keys).
//
// Rows are drawn by the list, by OnDrawItem, or, with OwnerDraw and no OnDrawItem, by the parent
// window, which gets WM_DRAWITEM. Beside its properties the list answers the list-view messages
// (LVM_*, common_controls.h) and tells its parent of clicks and activations by WM_NOTIFY (NM_CLICK,
// NM_DBLCLK, LVN_ITEMACTIVATE), so a window built from messages alone can drive it.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/alignment.h"
#include "platform/controls/custom_control.h"
#include "platform/controls/list_box.h"

namespace lab {

class TChangeLink;
class TCustomImageList;
class TCustomListView;

struct TListColumn {
  std::string Caption;
  int Width = 50;
  TAlignment Alignment = taLeftJustify;
};

struct TListItem {
  std::vector<std::string> Texts;  // by column; missing ones are empty
  int ImageIndex = -1;             // in SmallImages; -1 none
  win::LPARAM Data = 0;
};

using TLVDrawItemEvent = std::function<void(TCustomListView* Sender, int Index, TRect Rect, TOwnerDrawState State)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, int Index, bool Selected)>;

class TCustomListView : public TCustomControl {
  LAB_CLASS(TCustomListView, TCustomControl)
 public:
  explicit TCustomListView(TComponent* AOwner);
  ~TCustomListView() override;

  // Columns. An index outside them raises EListError.
  int ColumnCount() const noexcept { return static_cast<int>(columns_.size()); }
  const TListColumn& Column(int Index) const;
  int AddColumn(const std::string& Caption, int Width, TAlignment Alignment = taLeftJustify);
  // At Index (clamped to 0 ... ColumnCount); answers where it went.
  int InsertColumn(int Index, TListColumn Column);
  void SetColumn(int Index, TListColumn Column);
  // Widths below 0 are 0.
  void SetColumnWidth(int Index, int Width);
  int TotalColumnWidth() const noexcept;

  // Items. An index outside them raises EListError.
  int ItemCount() const noexcept { return static_cast<int>(items_.size()); }
  const TListItem& Item(int Index) const;
  // The text of a cell; empty past the item's texts.
  std::string ItemText(int Index, int Column) const;
  int AddItem(TListItem Item) { return InsertItem(ItemCount(), std::move(Item)); }
  // At Index (clamped to 0 ... ItemCount); answers where it went. The selected and focused rows stay
  // on their items.
  int InsertItem(int Index, TListItem Item);
  void SetItemText(int Index, int Column, const std::string& Text);
  void SetItemImage(int Index, int ImageIndex);
  void SetItemData(int Index, win::LPARAM Data);
  void DeleteItem(int Index);
  void ClearItems();

  // The selected row (-1: none); selecting makes it the focused row too and scrolls it into view.
  // Other values outside the items raise EListError.
  int ItemIndex() const noexcept { return item_index_; }
  void SetItemIndex(int Value);
  // The row that has the focus frame (-1: none).
  int ItemFocused() const noexcept { return item_focused_; }
  void SetItemFocused(int Value);

  // Geometry, in client coordinates: the header's and a row's height, a row's rectangle (across every
  // column, however far it is scrolled out), the row at a point (-1 over the header or past the rows).
  int HeaderHeight();
  int RowHeight();
  TRect ItemRect(int Index);
  int ItemAtPos(TPoint Pos);
  // Rows that fit whole below the header (at least 1).
  int VisibleRowCount();

  // The first row shown, and how far the columns are scrolled left, in pixels.
  int TopIndex() const noexcept { return top_index_; }
  void SetTopIndex(int Value);
  int ScrollX() const noexcept { return scroll_x_; }
  void SetScrollX(int Value);
  // Scrolls so that the row shows whole.
  void MakeVisible(int Index);

  TCustomImageList* SmallImages() const noexcept { return small_images_; }
  void SetSmallImages(TCustomImageList* Value);
  bool OwnerDraw() const noexcept { return owner_draw_; }
  void SetOwnerDraw(bool Value);

  TLVDrawItemEvent OnDrawItem;
  // The user selected a row (keys, mouse) or the selection left one.
  TLVSelectItemEvent OnSelectItem;

  void Dispatch(TMessage& Message) override;

 protected:
  // Draws a row's cells: the image, then each column's text in its alignment.
  virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);

  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void KeyDown(win::WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;

 private:
  void CheckColumn(int Index) const;
  void CheckItem(int Index) const;
  void Changed();  // rows or columns changed: scroll range, picture
  void UpdateScrollBars();
  int MaxTopIndex();
  int MaxScrollX();
  void PaintHeader(TRect Client);
  void PaintRow(int Index, TRect Rect);
  // The divider at X in the header (the column it ends), -1 when none is near.
  int DividerAt(int X);
  void SelectByUser(int Index);
  // WM_NOTIFY to the parent window.
  void Notify(win::UINT Code, int Item, TPoint Point);
  bool HandleListMessage(TMessage& Message);

  std::vector<TListColumn> columns_;
  std::vector<TListItem> items_;
  int item_index_ = -1;
  int item_focused_ = -1;
  int top_index_ = 0;
  int scroll_x_ = 0;
  bool owner_draw_ = false;
  TCustomImageList* small_images_ = nullptr;
  std::unique_ptr<TChangeLink> image_link_;
  int sizing_column_ = -1;  // the column whose divider the mouse drags
  int sizing_offset_ = 0;   // from the pointer to the divider
};

class TListView : public TCustomListView {
  LAB_CLASS(TListView, TCustomListView)
 public:
  using TCustomListView::TCustomListView;
};

}  // namespace lab
