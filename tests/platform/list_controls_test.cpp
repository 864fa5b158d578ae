// The list box (keys, clicks, scrolling, owner drawing) and the combo box with its drop-down list
// opening, choosing with keys and mouse, and closing; its extra edit buttons. The drop-down list on
// its own: keys at its ends, its size, presses beside the items, how often it reports a choice.

#include <memory>
#include <string>
#include <vector>

#include "controls_fixture.h"
#include "platform/controls/application.h"
#include "platform/controls/combo_box.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/list_box.h"
#include "platform/controls/popup_list_box.h"
#include "platform/controls/screen.h"
#include "platform/controls/scroll_info.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class ListControls : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    form = new TForm(nullptr);
    form->SetBounds(100, 100, 400, 300);
    list = new TListBox(form);
    list->SetParent(form);
    list->SetBounds(10, 10, 120, 100);
    list->SetStyle(lbOwnerDrawFixed);
    list->SetItemHeight(20);
    for (int i = 0; i < 12; ++i) list->Items()->Add("item " + std::to_string(i));
    list->OnClick = [this](TObject*) { ++clicks; };
    combo = new TComboBox(form);
    combo->SetParent(form);
    combo->SetBounds(150, 10, 160, 24);
    combo->Items()->SetCommaText("apple,banana,cherry,date");
    combo->OnSelect = [this](TObject*) { ++selects; };
    combo->OnCloseUp = [this](TObject*) { ++close_ups; };
    form->Show();
    Process();
  }
  void TearDown() override {
    delete form;
    Process();
    ControlsTest::TearDown();
  }
  void Process() { Application->ProcessMessages(); }
  // A point of the combo box's client area in the open list's client coordinates.
  TPoint InList(int index) {
    const TRect r = combo->ListBox()->ItemRect(index);
    return {r.Left + 5, r.Top + r.Height() / 2};
  }

  TForm* form = nullptr;
  TListBox* list = nullptr;
  TComboBox* combo = nullptr;
  int clicks = 0, selects = 0, close_ups = 0;
};

TEST_F(ListControls, ListBoxKeysClicksAndScrolling) {
  EXPECT_EQ(list->VisibleCount(), 4);  // 100 - 4 of border, 20 each
  list->SetFocus();
  headless::PressKey(VK_DOWN);
  Process();
  EXPECT_EQ(list->ItemIndex(), 0);
  headless::PressKey(VK_END);
  Process();
  EXPECT_EQ(list->ItemIndex(), 11);
  EXPECT_EQ(list->TopIndex(), 8);
  headless::PressKey(VK_PRIOR);  // a page less one
  Process();
  EXPECT_EQ(list->ItemIndex(), 8);
  EXPECT_EQ(clicks, 3);
  headless::PressKey(VK_HOME);
  Process();
  EXPECT_EQ(list->TopIndex(), 0);
  // A typed letter finds the next item that starts with it.
  list->Items()->Add("zeta");
  headless::TypeText("z");
  Process();
  EXPECT_EQ(list->ItemIndex(), 12);
  // Clicks select; positions map to items.
  list->SetTopIndex(0);
  headless::Click(list->Handle(), 10, 45);
  Process();
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_EQ(list->ItemAtPos({10, 45}, true), 2);
  EXPECT_EQ(list->ItemRect(2), Rect(0, 40, list->ClientWidth(), 60));
  // The scroll bar and the wheel move the view, not the selection.
  list->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(list->TopIndex(), 4);
  headless::Wheel(list->Handle(), 10, 10, -WHEEL_DELTA);
  Process();
  EXPECT_EQ(list->TopIndex(), 7);
  EXPECT_EQ(list->ItemIndex(), 2);
  EXPECT_THROW(list->SetItemIndex(13), EListError);
}

TEST_F(ListControls, OwnerDrawingGetsEachVisibleItemWithItsState) {
  std::vector<std::pair<int, TOwnerDrawState>> drawn;
  list->OnDrawItem = [&](TWinControl*, int index, TRect, TOwnerDrawState state) {
    drawn.push_back({index, state});
  };
  list->SetItemIndex(1);
  list->Invalidate();
  Process();
  ASSERT_EQ(drawn.size(), 5u);
  EXPECT_EQ(drawn[0].first, 0);
  EXPECT_TRUE(drawn[1].second.Contains(odSelected));
  EXPECT_FALSE(drawn[2].second.Contains(odSelected));
  // Variable heights come from OnMeasureItem.
  list->OnMeasureItem = [](TWinControl*, int index, int& height) { height = index == 0 ? 50 : 10; };
  list->SetStyle(lbOwnerDrawVariable);
  EXPECT_EQ(list->ItemRect(1), Rect(0, 50, list->ClientWidth(), 60));
  EXPECT_EQ(list->ItemAtPos({5, 55}, true), 1);
}

TEST_F(ListControls, ComboOpensWithTheButtonAndChoosesWithTheMouse) {
  const TRect button = combo->EditButtonRect(0);
  ASSERT_FALSE(button.IsEmpty());
  headless::Click(combo->Handle(), button.Left + 3, button.Top + 3);
  Process();
  ASSERT_TRUE(combo->DroppedDown());
  ASSERT_NE(combo->ListBox(), nullptr);
  EXPECT_TRUE(wm::IsWindowVisible(combo->ListBox()->Handle()));
  EXPECT_EQ(combo->ListBox()->Count(), 4);
  // The list stands right under the combo box.
  TRect comboRect, listRect;
  wm::GetWindowRect(combo->Handle(), comboRect);
  wm::GetWindowRect(combo->ListBox()->Handle(), listRect);
  EXPECT_EQ(listRect.Top, comboRect.Bottom);
  EXPECT_EQ(listRect.Left, comboRect.Left);
  const TPoint p = InList(2);
  headless::Click(combo->ListBox()->Handle(), p.X, p.Y);
  Process();
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_FALSE(wm::IsWindowVisible(combo->ListBox()->Handle()));
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(combo->Text(), "cherry");
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(close_ups, 1);
  // A press outside the open list closes it without a choice.
  combo->SetDroppedDown(true);
  Process();
  headless::Click(form->Handle(), 5, 250);
  Process();
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->ItemIndex(), 2);
  EXPECT_EQ(selects, 1);
}

TEST_F(ListControls, ComboChoosesWithKeysAndEscapeCancels) {
  combo->SetFocus();
  Process();
  headless::PressKey(VK_F4);
  Process();
  ASSERT_TRUE(combo->DroppedDown());
  headless::PressKey(VK_DOWN);
  headless::PressKey(VK_DOWN);
  Process();
  EXPECT_EQ(combo->ListBox()->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "");  // nothing chosen yet
  headless::PressKey(VK_RETURN);
  Process();
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "banana");
  EXPECT_TRUE(combo->Modified());
  headless::PressKey(VK_DOWN, false, false, true);  // Alt+Down opens
  Process();
  ASSERT_TRUE(combo->DroppedDown());
  EXPECT_EQ(combo->ListBox()->ItemIndex(), 1);
  headless::PressKey(VK_END);
  headless::PressKey(VK_ESCAPE);
  Process();
  EXPECT_FALSE(combo->DroppedDown());
  EXPECT_EQ(combo->Text(), "banana");
  // Closed: Up and Down choose directly.
  headless::PressKey(VK_DOWN);
  Process();
  EXPECT_EQ(combo->Text(), "cherry");
  EXPECT_EQ(selects, 2);
  // Typing makes the text the user's own.
  headless::TypeText("x");
  Process();
  EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ListControls, ListOnlyComboAndExtraButtons) {
  combo->SetStyle(csDropDownList);
  combo->SetFocus();
  Process();
  headless::TypeText("d");
  Process();
  EXPECT_EQ(combo->Text(), "date");
  headless::TypeText("q");  // no item starts with q: nothing changes
  Process();
  EXPECT_EQ(combo->Text(), "date");

  std::vector<int> clicked;
  combo->OnEditButtonClick = [&](TObject*, int index) { clicked.push_back(index); };
  const int plus = combo->AddEditButton(TEditButtonKind::Plus, 12);
  Process();
  const TRect dd = combo->EditButtonRect(0);
  const TRect pr = combo->EditButtonRect(plus);
  EXPECT_EQ(pr.Right, dd.Left);
  EXPECT_EQ(pr.Width(), 12);
  headless::Click(combo->Handle(), pr.Left + 2, pr.Top + 2);
  Process();
  EXPECT_EQ(clicked, (std::vector<int>{plus}));
  EXPECT_FALSE(combo->DroppedDown());
  // A hidden drop-down button gives its room back.
  TComboEditButton b = combo->EditButton(0);
  b.Visible = false;
  combo->SetEditButton(0, b);
  EXPECT_TRUE(combo->EditButtonRect(0).IsEmpty());
  EXPECT_EQ(combo->EditButtonRect(plus).Right, combo->ClientWidth());
}

TEST_F(ListControls, ComboFreedWhileOpenLeavesNoCaptureBehind) {
  combo->SetDroppedDown(true);
  Process();
  ASSERT_TRUE(combo->DroppedDown());
  const HWND listWindow = combo->ListBox()->Handle();
  ASSERT_EQ(wm::GetCapture(), listWindow);
  delete combo;
  combo = nullptr;
  Process();
  EXPECT_NE(wm::GetCapture(), listWindow);
  // The mouse still works for what is left.
  headless::Click(list->Handle(), 10, 45);
  Process();
  EXPECT_EQ(list->ItemIndex(), 2);
}

// The drop-down list on its own, under the combo box.
class PopupList : public ListControls {
 protected:
  void SetUp() override {
    ListControls::SetUp();
    popup = std::make_unique<TPopupListBox>([this](int index) { chosen.push_back(index); });
    popup->OnClick = [this](TObject*) { ++popup_clicks; };
  }
  void TearDown() override {
    popup.reset();
    ListControls::TearDown();
  }
  void Open(int count, int maxRows) {
    items.Clear();
    for (int i = 0; i < count; ++i) items.Add("item " + std::to_string(i));
    popup->DropDown(combo, &items, maxRows, 0);
    Process();
  }
  TPoint At(int index) {
    const TRect r = popup->ItemRect(index);
    return {r.Left + 5, r.Top + r.Height() / 2};
  }
  static TRect Window(TWinControl* control) {
    TRect r;
    wm::GetWindowRect(control->Handle(), r);
    return r;
  }

  std::unique_ptr<TPopupListBox> popup;
  TStringList items;
  std::vector<int> chosen;
  int popup_clicks = 0;
};

TEST_F(PopupList, KeysStopAtTheEndsAndPageByTheRowsShowingLessOne) {
  Open(10, 4);
  ASSERT_EQ(popup->VisibleCount(), 4);
  EXPECT_EQ(popup->PageSize(), 3);
  // With nothing selected Up starts from the last item, PgDn from before the first.
  EXPECT_TRUE(popup->MoveByKey(VK_UP));
  EXPECT_EQ(popup->ItemIndex(), 9);
  EXPECT_EQ(popup->TopIndex(), 6);
  popup->SetItemIndex(-1);
  popup->MoveByKey(VK_NEXT);
  EXPECT_EQ(popup->ItemIndex(), 2);
  // Past the last item is the last item.
  popup->MoveTo(popup->Count());
  EXPECT_EQ(popup->ItemIndex(), 9);
  popup->MoveByKey(VK_NEXT);
  popup->MoveByKey(VK_DOWN);
  EXPECT_EQ(popup->ItemIndex(), 9);
  EXPECT_EQ(popup->TopIndex(), 6);
  for (int expected : {6, 3, 0, 0}) {
    popup->MoveByKey(VK_PRIOR);
    EXPECT_EQ(popup->ItemIndex(), expected);
  }
  EXPECT_FALSE(popup->MoveByKey(VK_HOME));  // the edit control's business
  // One row showing still pages by one.
  Open(10, 1);
  popup->MoveTo(0);
  EXPECT_EQ(popup->PageSize(), 1);
  popup->MoveByKey(VK_NEXT);
  EXPECT_EQ(popup->ItemIndex(), 1);
  // Moving is no choice.
  EXPECT_TRUE(chosen.empty());
  EXPECT_EQ(popup_clicks, 0);
}

TEST_F(PopupList, SizedToTheItemsUnderTheAnchorOrAboveWhereTheScreenEnds) {
  for (auto [count, rows] : {std::pair{0, 1}, {2, 2}, {4, 4}, {10, 4}}) {
    Open(count, 4);
    EXPECT_EQ(Window(popup.get()).Height(), rows * popup->ItemHeight() + 2) << count;
    EXPECT_EQ(popup->VisibleCount(), rows) << count;
  }
  EXPECT_EQ(Window(popup.get()).Top, Window(combo).Bottom);
  EXPECT_EQ(Window(popup.get()).Left, Window(combo).Left);
  EXPECT_EQ(Window(popup.get()).Width(), Window(combo).Width());
  popup->DropDown(combo, &items, 4, 70);
  EXPECT_EQ(Window(popup.get()).Width(), 70);
  // Ending exactly at the screen's foot still fits; a pixel lower it opens above.
  const int height = Window(popup.get()).Height();
  form->SetTop(form->Top() + Screen->Height() - Window(combo).Bottom - height);
  Process();
  Open(10, 4);
  EXPECT_EQ(Window(popup.get()).Top, Window(combo).Bottom);
  form->SetTop(form->Top() + 1);
  Process();
  Open(10, 4);
  EXPECT_EQ(Window(popup.get()).Bottom, Window(combo).Top);
}

TEST_F(PopupList, AReleaseOverAnItemChoosesItOncePressesElsewhereOnlyReport) {
  Open(3, 8);
  const HWND h = popup->Handle();
  headless::MouseDown(h, At(1).X, At(1).Y);
  Process();
  EXPECT_EQ(popup->ItemIndex(), 1);
  EXPECT_TRUE(chosen.empty());
  headless::MouseUp(h, At(1).X, At(1).Y);
  Process();
  EXPECT_EQ(chosen, (std::vector<int>{1}));
  // The mouse tracks the items without choosing.
  headless::MoveMouse(h, At(2).X, At(2).Y);
  Process();
  EXPECT_EQ(popup->ItemIndex(), 2);
  // A right click selects but does not choose; a release outside chooses nothing.
  headless::Click(h, At(0).X, At(0).Y, VK_RBUTTON);
  headless::MouseDown(h, At(2).X, At(2).Y);
  headless::MouseUp(form->Handle(), 5, 250);
  Process();
  EXPECT_EQ(chosen, (std::vector<int>{1}));
  // The first item is an item like the others.
  clock.Advance(1000);
  headless::Click(h, At(0).X, At(0).Y);
  Process();
  EXPECT_EQ(chosen, (std::vector<int>{1, 0}));
  // A press outside the list reports -1 once; its release nothing.
  headless::Click(form->Handle(), 5, 250);
  Process();
  EXPECT_EQ(chosen, (std::vector<int>{1, 0, -1}));
  // Inside the list but on no item (an empty list still shows a row): nothing at all.
  Open(0, 8);
  headless::Click(h, 5, 3);
  Process();
  EXPECT_EQ(popup->ItemIndex(), -1);
  EXPECT_EQ(chosen, (std::vector<int>{1, 0, -1}));
  EXPECT_EQ(popup_clicks, 0);
  popup->Close();
  EXPECT_NE(wm::GetCapture(), h);
  EXPECT_FALSE(wm::IsWindowVisible(h));
}

}  // namespace
}  // namespace lab::testing
