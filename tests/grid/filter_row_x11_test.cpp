// The filter row under X11, driven by xdotool on an X server of the test's own: a condition typed
// under a title, then Enter, narrows the rows the grid shows; the value drop-down opened with its
// button comes in a window of its own, and a click on a value there, then Enter, filters by it.

#include <functional>
#include <string>
#include <vector>

#include "grid/filter_editor.h"
#include "platform/controls/list_box.h"
#include "platform/rtl/string_list.h"
#include "record_ids.h"
// Last: Xlib's macros.
#include "grid_x11_fixture.h"

namespace lab::testing {
namespace {

class GridX11FilterRow : public GridX11Test {
 protected:
  void SetUp() override {
    GridX11Test::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    grid->STFilter()->SetVisible(true);
    ASSERT_TRUE(WaitFor([&] { return grid->TitleOffset() == 2; }));
  }
  TInplaceFilterEditX* Editor() { return grid->FilterEditor(); }
  // Does Act until Done holds, three times at most: a click a loaded machine lost is made again.
  bool Retried(const std::function<void()>& Act, const std::function<bool()>& Done) {
    for (int i = 0; i < 3; ++i) {
      Act();
      if (HasFatalFailure()) return false;
      if (WaitFor(Done)) return true;
    }
    return false;
  }
  void ClickAt(TControl* Control, const TRect& r) {
    std::vector<std::string> args = At({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}, Control);
    args.insert(args.end(), {"click", "1"});
    Xdotool(args);
  }
  // The names column's cells of data rows 0 .. Count-1 show text, the cell of row Count none.
  void ExpectRowsShown(int Count) {
    const int col = grid->DataToRawColumn(1);
    for (int row = 0; row < Count; ++row)
      EXPECT_GT(CountOther(grid->CellRect(col, grid->TitleOffset() + row), grid->Color()), 0) << row;
    EXPECT_EQ(CountOther(grid->CellRect(col, grid->TitleOffset() + Count), grid->Color()), 0);
  }
};

TEST_F(GridX11FilterRow, ATypedConditionAndAValuePickedFromTheDropDownFilterTheRowsShown) {
  const TRect cell = grid->CellRect(grid->DataToRawColumn(1), grid->TitleOffset() - 1);
  ASSERT_TRUE(Retried([&] { ClickAt(grid, cell); },
                      [&] { return grid->FilterEditing() && Editor() && Editor()->Visible() && Editor()->Focused(); }));
  // "<d" under Name: aname, bname and cname stay, in stored order.
  Xdotool({"type", "--delay", "50", "<d"});
  ASSERT_TRUE(WaitFor([&] { return Editor()->GetText() == "<d"; })) << Editor()->GetText();
  Xdotool({"key", "Return"});
  ASSERT_TRUE(WaitFor([&] { return ds->Filtered() && ds->RecordCount() == 3; }));
  EXPECT_EQ(gridtest::Ids(ds), (std::vector<int>{2, 5, 8}));
  ExpectRowsShown(3);
  // The drop-down offers every name, also those the filter hides; a click on one chooses it.
  ASSERT_TRUE(Editor()->Visible());
  ASSERT_TRUE(Retried([&] { ClickAt(Editor(), Editor()->EditButtonRect(0)); },
                      [&] { return Editor()->DroppedDown() && Editor()->ListBox() && Editor()->ListBox()->HandleAllocated(); }));
  TCustomListBox* list = Editor()->ListBox();
  ASSERT_TRUE(WaitFor([&] { return X11WindowOf(Backend(), list->Handle()) != 0; }));
  const int gname = Editor()->Items()->IndexOf("gname");
  ASSERT_GE(gname, 0);
  list->SetTopIndex(gname);  // in sight, however many items the list shows
  ASSERT_TRUE(Retried([&] { ClickAt(list, list->ItemRect(gname)); },
                      [&] { return !Editor()->DroppedDown() && Editor()->GetText() == "gname"; }))
      << Editor()->GetText();
  Xdotool({"key", "Return"});
  ASSERT_TRUE(WaitFor([&] { return ds->RecordCount() == 1; }));
  EXPECT_EQ(gridtest::Ids(ds), std::vector<int>{6});
  ExpectRowsShown(1);
}

}  // namespace
}  // namespace lab::testing
