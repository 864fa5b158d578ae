// The list box (keys, clicks, scrolling, owner drawing) and the combo box with its drop-down list
// opening, choosing with keys and mouse, and closing; its extra edit buttons.

#include <string>
#include <vector>

#include "controls_fixture.h"
#include "platform/controls/application.h"
#include "platform/controls/combo_box.h"
#include "platform/controls/forms.h"
#include "platform/controls/input.h"
#include "platform/controls/list_box.h"
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

}  // namespace
}  // namespace lab::testing
