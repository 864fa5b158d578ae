#pragma once
// TPopupListBox: the list that drops down under an edit control (a combo box's items, a grid
// editor's pick list). It is a pop-up window that never takes the focus, so the keys stay with the
// edit control, which moves the selection here; it holds the mouse while it is open, so a press
// anywhere else closes it. The mouse tracks the items; a release over an item chooses it.

#include <functional>

#include "platform/controls/list_box.h"

namespace lab {

// Index: the item the button was released over; -1: a press outside the list.
using TPopupListChooseEvent = std::function<void(int Index)>;

class TPopupListBox : public TCustomListBox {
  LAB_CLASS(TPopupListBox, TCustomListBox)
 public:
  explicit TPopupListBox(TPopupListChooseEvent OnChoose);

  // Shows Items under Anchor (above it when the screen ends first) in Anchor's font, one row an
  // item (at least one, at most MaxRows), Width wide (0: as wide as Anchor).
  void DropDown(TCustomControl* Anchor, TStrings* Items, int MaxRows, int Width);
  void Close();

  // The keys of the edit control move the selection here.
  void MoveBy(int Delta);
  void MoveTo(int Index);
  // Up, Down, PgUp and PgDn move the selection; answers whether Key was one of them.
  bool MoveByKey(win::WORD Key);
  // The items showing less one, at least one.
  int PageSize();

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  // Hot tracking is no choice yet: choosing is the edit control's business.
  void SelectionChangedByUser() override {}

 private:
  TPopupListChooseEvent on_choose_;
};

}  // namespace lab
