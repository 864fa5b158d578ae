// Copies of the grid's published objects: a column with every setting changed (its title, footers,
// edit buttons, drop-down box, filter and the rest), the grid-wide column defaults, scroll bars and
// filter, each copied into another grid and compared property by property.

#include <algorithm>
#include <string>
#include <vector>

#include "grid_fixture.h"
#include "tests/common/published_values.h"

namespace lab::gridtest {
namespace {

using Paths = std::vector<std::string>;
using testing::DifferingPublishedValues;
using testing::EqualPublishedValues;
using testing::VaryPublishedValues;

class GridAssign : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    other = new TDBGridX(form);
    other->SetName("Grid2");
    other->SetParent(form);
  }
  // Varies every property of `source`, checks that each moved away from the fresh `copy`'s values
  // (but those in `fixed`, and in `same`: references to other components, views of another
  // property), copies and compares.
  void ExpectWholeCopy(TPersistent* source, TPersistent* copy, const Paths& fixed = {}, const Paths& same = {}) {
    EXPECT_EQ(VaryPublishedValues(source), fixed);
    Paths equal = fixed;
    equal.insert(equal.end(), same.begin(), same.end());
    std::sort(equal.begin(), equal.end());
    EXPECT_EQ(EqualPublishedValues(source, copy), equal);
    copy->Assign(source);
    EXPECT_EQ(DifferingPublishedValues(source, copy), Paths{});
  }
  TDBGridX* other = nullptr;
};

// What cannot be varied on a column alone: the sort index (taken over from another column only), and
// the width (held between MinWidth and MaxWidth once those are given one value; it differs from the
// default all the same). References to other components are left as they are.
const Paths kColumnFixed = {"DropDownBox.Columns[0].Title.SortIndex", "DropDownBox.Columns[0].Width",
                            "Title.SortIndex", "Width"};

TEST_F(GridAssign, AColumnCopiesEverySettingIntoAnotherGrid) {
  TColumnX* source = grid->Columns()->Add();
  TColumnX* copy = other->Columns()->Add();
  EXPECT_EQ(VaryPublishedValues(source), kColumnFixed);
  EXPECT_EQ(EqualPublishedValues(source, copy),
            (Paths{"DropDownBox.ListSource", "ImageList", "PopupMenu", "STFilter.ListSource"}));
  copy->Assign(source);
  EXPECT_EQ(DifferingPublishedValues(source, copy), Paths{});
}

TEST_F(GridAssign, TheColumnsCopyWhole) {
  grid->Columns()->Add();
  grid->Columns()->Add();
  VaryPublishedValues(grid->Columns());
  other->Columns()->Assign(grid->Columns());
  EXPECT_EQ(DifferingPublishedValues(grid->Columns(), other->Columns()), Paths{});
}

TEST_F(GridAssign, GridWideSettingsCopyWhole) {
  ExpectWholeCopy(grid->ColumnDefValues(), other->ColumnDefValues());
  ExpectWholeCopy(grid->HorzScrollBar(), other->HorzScrollBar(), {}, {"ExtScrollBar"});
  // Visible is VisibleMode seen as a flag: the mode it ends at shows.
  ExpectWholeCopy(grid->VertScrollBar(), other->VertScrollBar(), {}, {"ExtScrollBar", "Visible"});
  ExpectWholeCopy(grid->STFilter(), other->STFilter());
}

}  // namespace
}  // namespace lab::gridtest
