// The grid's mouse under X11, driven by xdotool on an X server of the test's own: a click, a
// Shift+click range in the indicator, a column edge dragged and a title clicked, each checked
// through the dataset and the grid's pixels.

#include "grid_x11_fixture.h"

#include <string>
#include <vector>

namespace lab::testing {
namespace {

class GridX11Mouse : public GridX11Test {};

TEST_F(GridX11Mouse, ClicksDragsAndTitlesActOnTheDataAndShow) {
  // A click moves the record; the indicator's arrow moves with it.
  const int no_arrow = CountOther(grid->CellRect(0, 3), clBtnFace), arrow = CountOther(grid->CellRect(0, 1), clBtnFace);
  EXPECT_GT(arrow, no_arrow);
  Click(Middle(1, 3));
  ASSERT_TRUE(WaitFor([&] { return Id() == 3; }));
  EXPECT_EQ(CountOther(grid->CellRect(0, 3), clBtnFace), arrow);
  EXPECT_EQ(CountOther(grid->CellRect(0, 1), clBtnFace), no_arrow);
  // Shift+click in the indicator selects the records between; their cells take the selection colour.
  Click(Middle(0, 3));
  Click(Middle(0, 6), "shift");
  ASSERT_TRUE(WaitFor([&] { return grid->SelectedRows()->Count() == 4; }));
  EXPECT_EQ(Id(), 6);
  const TRect selected = grid->CellRect(2, 5), plain = grid->CellRect(2, 7);
  const TPoint in_selected{selected.Right - 3, selected.Top + 2}, in_plain{plain.Right - 3, plain.Top + 2};
  EXPECT_EQ(Pixel(in_selected), ColorToRGB(clHighlight));
  EXPECT_NE(Pixel(in_plain), ColorToRGB(clHighlight));
  // A column edge dragged 40 pixels right: the column is that much wider, its line moved with it.
  const TRect title = grid->CellRect(1, 0);
  const int width = grid->Columns()->GetColumn(0)->Width();
  std::vector<std::string> drag = At({title.Right, (title.Top + title.Bottom) / 2});
  drag.insert(drag.end(), {"mousedown", "1"});
  for (std::string& a : At({title.Right + 20, (title.Top + title.Bottom) / 2})) drag.push_back(a);
  for (std::string& a : At({title.Right + 40, (title.Top + title.Bottom) / 2})) drag.push_back(a);
  drag.insert(drag.end(), {"mouseup", "1"});
  Xdotool(drag);
  ASSERT_TRUE(WaitFor([&] { return grid->Columns()->GetColumn(0)->Width() == width + 40; }));
  EXPECT_NE(Pixel({title.Right + 40, Middle(1, 7).Y}), Pixel({title.Right + 39, Middle(1, 7).Y}));
  // A title click sorts by the column and shows its marker.
  const TRect name_title = grid->CellRect(2, 0);
  int before = 0;
  for (int x = name_title.Right - 20; x < name_title.Right - 2; ++x)
    if (Pixel({x, (name_title.Top + name_title.Bottom) / 2}) != ColorToRGB(clBtnFace)) ++before;
  Click(Middle(2, 0));
  ASSERT_TRUE(WaitFor([&] { return ds->SortFields() == "Name"; }));
  int after = 0;
  for (int x = name_title.Right - 20; x < name_title.Right - 2; ++x)
    if (Pixel({x, (name_title.Top + name_title.Bottom) / 2}) != ColorToRGB(clBtnFace)) ++after;
  EXPECT_GT(after, before);
  ds->First();
  EXPECT_EQ(ds->FieldByName("Name")->AsString(), "aname");
}

}  // namespace
}  // namespace lab::testing
