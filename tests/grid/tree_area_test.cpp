// The tree area of a dataset shown as a tree: the rows the keypad's +, - and * leave, and the
// outline the first column draws before its text (lines, buttons, the row lines it joins and the
// selection's colour), with the records as rows of their own and with footer rows; presses on the
// nodes' buttons and beside them, the view and the record they leave, also when the dataset raises.

#include "grid_paint_fixture.h"

#include <string>

#include "platform/controls/application.h"
#include "platform/controls/input.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/window_functions.h"

namespace lab::gridtest {
namespace {

class GridTree : public GridPaintTest {
 protected:
  // 1 Lens has 2 Glass (with 4 Crown) and 3 Plastic; 5 Frame is the last root.
  void SetUp() override {
    GridPaintTest::SetUp();
    tree = new TMemDataSet(form);
    tree->FieldDefs().Add("Id", ftInteger);
    tree->FieldDefs().Add("Parent", ftInteger);
    tree->FieldDefs().Add("Name", ftString, 20);
    tree->Open();
    for (auto [id, parent, name] : {std::tuple{1, 0, "Lens"}, {2, 1, "Glass"}, {3, 1, "Plastic"}, {4, 2, "Crown"},
                                    {5, 0, "Frame"}})
      AddNode(id, parent, name);
    tree->SetTreeFields("Id", "Parent");
    tree->First();
    source->SetDataSet(tree);
    grid->Columns()->Add()->SetFieldName("Name");
    grid->Columns()->Add()->SetFieldName("Id");
    grid->Columns()->GetColumn(0)->SetWidth(140);
    grid->SetDataSource(source);
    form->Show();
    grid->SetFocus();
    Pump();
  }
  int Id() { return tree->FieldByName("Id")->AsInteger(); }
  // The ids of the records shown as rows, from the grid's own rows.
  std::string Rows() {
    std::string out;
    for (int row = grid->TitleOffset(); row < grid->RowCount(); ++row) {
      grid->SetRowActive(row - grid->TitleOffset());
      out += (out.empty() ? "" : " ") + std::to_string(Id());
      grid->RestoreActiveRecord();
    }
    return out;
  }
  void ExpandAll() {
    for (int id : {1, 2}) {
      tree->Locate("Id", id, {});
      tree->TreeExpand();
    }
    tree->First();
    Paint();
  }
  // The grid row showing record Id.
  int RowOf(int id) {
    for (int row = grid->TitleOffset(); row < grid->RowCount(); ++row) {
      grid->SetRowActive(row - grid->TitleOffset());
      const bool found = Id() == id;
      grid->RestoreActiveRecord();
      if (found) return row;
    }
    return -1;
  }
  // The tree box of a level in record Id's first cell, grown by the row line below it.
  TRect Box(int id, int level) {
    const TRect cell = Cell(1, RowOf(id));
    return {cell.Left + (level - 1) * 18, cell.Top, cell.Left + level * 18, cell.Bottom + 1};
  }
  // Dots of the outline down the middle of a box.
  int Dots(const TRect& box) { return Count({(box.Left + box.Right) / 2, box.Top, (box.Left + box.Right) / 2 + 1, box.Bottom}, clGray); }
  // The button's sign shows a plus (its upright stroke) rather than a minus.
  bool Plus(const TRect& box) {
    return Is(Pixel((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2 - 2), clWindowText);
  }

  // Pixels of a colour the outline does not use (text, say).
  int Foreign(const TRect& r) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) {
        const win::COLORREF c = Pixel(x, y);
        bool outline = false;
        for (TColor o : {clWindow, clGray, clBtnShadow, clWindowText, clSilver}) outline = outline || Is(c, o);
        if (!outline) ++n;
      }
    return n;
  }

  // The middle of record Id's tree box of a level; level 0 is the text after the tree area.
  TPoint InBox(int id, int level) {
    const TRect cell = Cell(1, RowOf(id));
    const int left = level > 0 ? cell.Left + (level - 1) * 18 : cell.Left + tree->TreeLevels() * 18 + 4;
    return {left + 9, (cell.Top + cell.Bottom) / 2};
  }
  // A left-button press and release, not the second click of a double click.
  void Click(TPoint p) {
    clock.Advance(win::GetDoubleClickTime() + 1);
    win::POINT s{p.X, p.Y};
    win::ClientToScreen(grid->Handle(), s);
    input::MouseMove(s);
    input::MouseButton(win::VK_LBUTTON, true, s);
    input::MouseButton(win::VK_LBUTTON, false, s);
    Pump();
  }
  void AddNode(int id, int parent, const std::string& name) {
    tree->Append();
    tree->FieldByName("Id")->SetAsInteger(id);
    if (parent != 0) tree->FieldByName("Parent")->SetAsInteger(parent);
    tree->FieldByName("Name")->SetAsString(name);
    tree->Post();
  }

  TMemDataSet* tree = nullptr;
};

TEST_F(GridTree, KeypadKeysOpenCloseAndToggleTheCurrentNodeAndTheRowsFollow) {
  ASSERT_TRUE(grid->TreeShown());
  ASSERT_TRUE(grid->RecordSetMode());
  EXPECT_EQ(Rows(), "1 5");
  struct TStep {
    win::UINT Key;
    const char* Rows;
    int Current;
  };
  const TStep steps[] = {
      {win::VK_ADD, "1 2 3 5", 1},          {win::VK_DOWN, "1 2 3 5", 2},
      {win::VK_MULTIPLY, "1 2 4 3 5", 2},   {win::VK_SUBTRACT, "1 2 3 5", 2},
      {win::VK_UP, "1 2 3 5", 1},           {win::VK_SUBTRACT, "1 5", 1},
      {win::VK_MULTIPLY, "1 2 3 5", 1},     {win::VK_END, "1 2 3 5", 1},
  };
  for (const TStep& s : steps) {
    Press(s.Key, s.Key == win::VK_END ? TShiftState{ssCtrl} : TShiftState{});
    EXPECT_EQ(Rows(), s.Rows) << s.Key;
    if (s.Key != win::VK_END) {
      EXPECT_EQ(Id(), s.Current) << s.Key;
    }
  }
  // A leaf has nothing to open.
  ASSERT_EQ(Id(), 5);
  Press(win::VK_ADD);
  EXPECT_EQ(Rows(), "1 2 3 5");
  // With footer rows the rows follow the link's buffer and the keys leave the tree alone.
  grid->SetFooterRowCount(1);
  tree->First();
  Press(win::VK_SUBTRACT);
  EXPECT_EQ(tree->RecordCount(), 4);
}

TEST_F(GridTree, TheOutlineShowsLinesButtonsAndTheTextAfterIt) {
  ExpandAll();
  struct TExpected {
    int Id;
    std::vector<int> DotsIn;  // the levels whose boxes hold dots
    bool Button, Plus;
  };
  // Record 1 is current: its first cell is highlighted; the others show the outline on white.
  tree->Locate("Id", 5, {});
  Paint();
  const TExpected rows[] = {
      {1, {1}, true, false},     // expanded, a root after it
      {2, {1, 2}, true, false},  // expanded, a sibling after it
      {4, {1, 2, 3}, false, false},
      {3, {1, 2}, false, false},
  };
  for (const TExpected& e : rows) {
    SCOPED_TRACE(e.Id);
    const int level = static_cast<int>(e.DotsIn.size());
    for (int k = 1; k <= level; ++k) EXPECT_GT(Dots(Box(e.Id, k)), 0) << k;
    if (e.Button) {
      EXPECT_EQ(Plus(Box(e.Id, level)), e.Plus);
    }
    // The text starts after the tree area, which holds nothing but the outline.
    const TRect cell = Cell(1, RowOf(e.Id));
    EXPECT_EQ(Foreign({cell.Left, cell.Top, cell.Left + level * 18, cell.Bottom}), 0);
    EXPECT_GT(CountOther({cell.Left + level * 18, cell.Top, cell.Right, cell.Bottom}, clWindow), 0);
  }
  // Collapsed, the root's button shows a plus and its children are gone.
  tree->Locate("Id", 1, {});
  tree->TreeCollapse();
  Paint();
  EXPECT_TRUE(Plus(Box(1, 1)));
  EXPECT_EQ(grid->RowCount(), grid->TitleOffset() + 2);
}

TEST_F(GridTree, TheTreeJoinsItsRowsAcrossRowLinesAndTakesTheSelectionsColour) {
  ExpandAll();
  ASSERT_TRUE(grid->Options().Contains(dgRowLines));
  // Under record 4 (level 3, followed by level 2): the first two boxes run on, the third ends.
  const TRect cell = Cell(1, RowOf(4));
  EXPECT_TRUE(Is(Pixel(cell.Left + 3, cell.Bottom), grid->Color()));
  EXPECT_TRUE(Is(Pixel(cell.Left + 18 + 3, cell.Bottom), grid->Color()));
  EXPECT_TRUE(Is(Pixel(cell.Left + 36 + 3, cell.Bottom), clSilver));
  EXPECT_TRUE(Is(Pixel(cell.Right - 3, cell.Bottom), clSilver));
  // A silver line closes the tree area.
  EXPECT_TRUE(Is(Pixel(cell.Left + 3 * 18 - 1, cell.Top + 5), clSilver));
  // A selected record's tree area takes the highlight colour.
  grid->SetOptions(grid->Options() + dgMultiSelect);
  tree->Locate("Id", 3, {});
  grid->SelectedRows()->SetCurrentRowSelected(true);
  tree->First();
  Paint();
  EXPECT_TRUE(Is(Pixel(Box(3, 1).Left + 2, Box(3, 1).Top + 2), clHighlight));
  EXPECT_TRUE(Is(Pixel(Box(4, 1).Left + 2, Box(4, 1).Top + 2), clWindow));
  // With footer rows the rows come from the link's buffer, drawn alike.
  grid->SetFooterRowCount(1);
  Paint();
  EXPECT_GT(Dots(Box(4, 3)), 0);
  EXPECT_TRUE(Is(Pixel(Box(3, 1).Left + 2, Box(3, 1).Top + 2), clHighlight));
}

// With three rows shown: the view stays put while the current record moves out of it.
TEST_F(GridTree, APressOnANodesButtonOpensOrClosesItAndAPressBesideItDoesNot) {
  const TRect second = Cell(1, 2);
  grid->SetBounds(0, 0, 380, grid->Height() - grid->ClientHeight() + second.Bottom + second.Height() + 2);
  tree->Locate("Id", 5, {});
  Paint();
  struct TStep {
    int Id, Box;  // the record and the level of the box pressed (0: its text)
    const char* Rows;
    int Current;
  };
  const TStep steps[] = {
      {1, 1, "1 2 3 5", 5},    // the record current before stays so
      {2, 2, "1 2 4 3 5", 5},  // a child's button
      {4, 2, "1 2 4 3 5", 5},  // an ancestor's line: taken, nothing changes
      {4, 3, "1 2 4 3 5", 5},  // a leaf's own box holds no button
      {4, 0, "1 2 4 3 5", 4},  // the text: the record moves there
      {1, 1, "1 5", 1},        // closed over the current record: the node is current
      {1, 1, "1 2 4 3 5", 1},  // open again, with the child as it was
  };
  for (const TStep& s : steps) {
    SCOPED_TRACE(testing::Message() << s.Id << " " << s.Box);
    Click(InBox(s.Id, s.Box));
    EXPECT_EQ(Rows(), s.Rows);
    EXPECT_EQ(Id(), s.Current);
    EXPECT_EQ(grid->TopRow(), grid->TitleOffset());
  }
  EXPECT_FALSE(Plus(Box(1, 1)));  // repainted
  // With footer rows the rows come from the link's buffer: the button answers alike.
  grid->SetFooterRowCount(1);
  Paint();
  Click(InBox(1, 1));
  EXPECT_EQ(tree->RecordCount(), 2);
}

// Whatever raises while a node opens, the controls come back and so does the record current before.
TEST_F(GridTree, APressThatRaisesGivesBackTheControlsAndTheRecord) {
  std::string reported;  // what the press let out to the application
  Application->OnException = [&reported](TObject*, Exception& E) { reported = E.Message(); };
  TScopeExit quiet([] { Application->OnException = nullptr; });
  bool fail = false;
  tree->AfterScroll = [&fail](TDataSet*) {
    if (std::exchange(fail, false)) throw Exception("scroll refused");
  };
  tree->BeforePost = [](TDataSet*) { throw Exception("post refused"); };
  tree->Locate("Id", 5, {});
  for (const bool editing : {false, true}) {
    if (editing) tree->Edit();
    if (editing) tree->FieldByName("Name")->SetAsString("Frames");
    fail = !editing;  // after the move to the pressed record
    Click(InBox(1, 1));
    EXPECT_EQ(std::exchange(reported, ""), editing ? "post refused" : "scroll refused");
    EXPECT_FALSE(tree->ControlsDisabled());
    EXPECT_FALSE(grid->InLayout());
    EXPECT_EQ(tree->State(), editing ? dsEdit : dsBrowse);
    EXPECT_EQ(Id(), 5);
    EXPECT_EQ(Rows(), "1 5");
  }
}

// A record dragged in the indicator to a row of the tree, with the mouse over the outline's box of
// a level, becomes the child of the record one level up above the drop line (a root at level 1),
// through the parent-key field; a drop that would put a record below itself shows no line and
// changes nothing.
TEST_F(GridTree, ARecordDraggedToANodeBecomesItsChild) {
  struct Case {
    const char* what;
    int dragged, target, level;
    int parent;  // afterwards; 0: a root
  };
  grid->SetOptionsX(grid->OptionsX() + dgxRecordMoving);
  for (const Case c : {Case{"under the last root", 3, 5, 2, 5}, Case{"to the roots", 4, 5, 1, 0},
                       Case{"up, under the node above", 5, 3, 3, 2}, Case{"below itself", 1, 4, 4, 0}}) {
    SCOPED_TRACE(c.what);
    for (auto [id, parent] : {std::pair{1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 0}}) {
      tree->Locate("Id", id, {});
      tree->Edit();
      if (parent == 0) tree->FieldByName("Parent")->Clear();
      else tree->FieldByName("Parent")->SetAsInteger(parent);
      tree->Post();
    }
    ExpandAll();
    auto to_point = [&](int level) {
      win::POINT s{InBox(c.target, level).X, InBox(c.target, level).Y};
      win::ClientToScreen(grid->Handle(), s);
      return s;
    };
    clock.Advance(win::GetDoubleClickTime() + 1);
    win::POINT from{Cell(0, RowOf(c.dragged)).Left + 4, InBox(c.dragged, 1).Y};
    win::ClientToScreen(grid->Handle(), from);
    input::MouseMove(from);
    input::MouseButton(win::VK_LBUTTON, true, from);
    input::MouseMove(to_point(1));
    input::MouseMove(to_point(c.level));
    Pump();
    EXPECT_EQ(grid->DropLineY() >= 0, c.parent != 0 || c.level == 1);
    input::MouseButton(win::VK_LBUTTON, false, to_point(c.level));
    Pump();
    tree->Locate("Id", c.dragged, {});
    EXPECT_EQ(tree->FieldByName("Parent")->AsInteger(), c.parent);
    EXPECT_EQ(Id(), c.dragged);
  }
}

}  // namespace
}  // namespace lab::gridtest
