// The grid's mouse: presses, moves and releases injected over each part of a shown grid, checked
// through the dataset, the selection, the columns and the grid's state.

#include "grid_paint_fixture.h"

#include <cctype>

#include "platform/controls/input.h"
#include "platform/db/fields.h"
#include "platform/win/window_functions.h"

namespace lab::gridtest {
namespace {

class GridMouse : public GridPaintTest {
 protected:
  void Records(int n, int footers = 0) {
    grid->Columns()->Add()->SetFieldName("Id");
    grid->Columns()->Add()->SetFieldName("Name");
    grid->SetDataSource(source);
    ds->Open();
    ds->DisableControls();
    for (int i = 1; i <= n; ++i) AddRow(i, ("name " + std::to_string(i)).c_str(), false, "c", 1.0 * i);
    ds->First();
    ds->EnableControls();
    grid->SetFooterRowCount(footers);
    form->Show();
    grid->SetFocus();
    Pump();
  }
  win::POINT Screen(TPoint p) {
    win::POINT s{p.X, p.Y};
    win::ClientToScreen(grid->Handle(), s);
    return s;
  }
  TPoint Middle(int col, int row) {
    const TRect r = Cell(col, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  void Down(TPoint p, win::UINT button = win::VK_LBUTTON) {
    input::MouseMove(Screen(p));
    input::MouseButton(button, true, Screen(p));
    Pump();
  }
  void Move(TPoint p) {
    input::MouseMove(Screen(p));
    Pump();
  }
  void Up(TPoint p, win::UINT button = win::VK_LBUTTON) {
    input::MouseButton(button, false, Screen(p));
    Pump();
  }
  void Click(TPoint p, win::UINT button = win::VK_LBUTTON) {
    Down(p, button);
    Up(p, button);
  }
  void Type(const std::string& text) {
    for (char c : text) {
      const win::UINT vk = static_cast<win::UINT>(std::toupper(static_cast<unsigned char>(c)));
      input::KeyDown(vk, static_cast<char32_t>(c));
      input::KeyUp(vk);
    }
    Pump();
  }
  void Press(win::UINT vk) {
    input::KeyDown(vk);
    input::KeyUp(vk);
    Pump();
  }
  int Id() { return ds->FieldByName("Id")->AsInteger(); }
  int expected_id_ = 0;
  std::string NameOf(int id) {
    const TBookmark here = ds->Bookmark();
    ds->Locate("Id", Variant(id), {});
    std::string name = ds->FieldByName("Name")->AsString();
    ds->GotoBookmark(here);
    return name;
  }
};

// Typed text goes into the record whose row shows the editor, however the row was reached: a click
// on it, after the view scrolled with the thumb, over rows of the buffer (footer rows) or over one
// row a record.
TEST_F(GridMouse, TextTypedAfterAClickGoesIntoTheClickedRecord) {
  struct Case {
    int footers;
    int thumb_to;  // the first row the thumb shows (0: no thumb drag)
    int row_from_top;
  };
  for (const Case c : {Case{0, 0, 2}, Case{1, 0, 3}, Case{0, 40, 1}, Case{0, 40, 4}}) {
    SCOPED_TRACE(testing::Message() << c.footers << " " << c.thumb_to << " " << c.row_from_top);
    Records(100, c.footers);
    if (c.thumb_to > 0) {
      grid->VertScrollBar()->SetTracking(true);
      grid->Perform(win::WM_VSCROLL, win::MAKEWPARAM(win::SB_THUMBTRACK, c.thumb_to), 0);
      grid->Perform(win::WM_VSCROLL, win::MAKEWPARAM(win::SB_THUMBPOSITION, c.thumb_to), 0);
      Pump();
    }
    const int row = grid->TopRow() + c.row_from_top;
    grid->ForEachShownRecord([&](int r) {
      if (r == row) expected_id_ = Id();
    });
    Click(Middle(2, row));
    EXPECT_EQ(Id(), expected_id_);
    Type("Abc");
    Press(win::VK_RETURN);
    EXPECT_EQ(NameOf(expected_id_), "Abc");
    EXPECT_EQ(NameOf(1), c.row_from_top + c.thumb_to == 1 ? "Abc" : "name 1");
    delete grid;
    grid = new TDBGridX(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 380, 260);
    ds->Close();
  }
}

}  // namespace
}  // namespace lab::gridtest
