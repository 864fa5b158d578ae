// The grid's mouse: presses, moves and releases injected over each part of a shown grid (titles,
// the indicator, data cells, footers, column edges, edit buttons, check boxes), checked through the
// dataset, the selection, the columns' order and widths and the grid's state; the tracking timer's
// automatic scrolling, and Escape ending every kind of tracking.

#include "grid_paint_fixture.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "grid/grid_unit.h"
#include "grid/inplace_edit.h"
#include "platform/controls/application.h"
#include "platform/controls/cursor.h"
#include "platform/controls/screen.h"
#include "platform/controls/edit.h"
#include "platform/controls/input.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/window_functions.h"

namespace lab::gridtest {
namespace {

// Opens what the tests look at inside the grid.
class TMouseGrid : public TDBGridX {
  LAB_CLASS(TMouseGrid, TDBGridX)
 public:
  using TDBGridX::TDBGridX;
  using TDBGridX::ColWidths;
  using TDBGridX::FixedCols;
  using TDBGridX::GridState;
  using TDBGridX::DefaultApplySorting;
};

class GridMouse : public GridPaintTest {
 protected:
  void SetUp() override {
    GridPaintTest::SetUp();
    NewGrid();
  }
  void NewGrid() {
    delete grid;
    mgrid = new TMouseGrid(form);
    grid = mgrid;
    grid->SetParent(form);
    grid->SetBounds(0, 0, 380, 260);
  }
  void Records(int n, int footers = 0) {
    grid->Columns()->Add()->SetFieldName("Id");
    grid->Columns()->Add()->SetFieldName("Name");
    grid->Columns()->Add()->SetFieldName("Done");
    grid->SetDataSource(source);
    if (!ds->Active()) ds->Open();
    ds->DisableControls();
    for (int i = 1; i <= n; ++i) AddRow(i, Name(i).c_str(), false, "c", 1.0 * i);
    ds->First();
    ds->EnableControls();
    grid->SetFooterRowCount(footers);
    form->Show();
    grid->SetFocus();
    Pump();
  }
  static std::string Name(int i) { return std::string(1, static_cast<char>('a' + (i * 7) % 26)) + std::to_string(i); }
  win::POINT Screen(TPoint p) {
    win::POINT s{p.X, p.Y};
    win::ClientToScreen(grid->Handle(), s);
    return s;
  }
  TPoint Middle(int col, int row) {
    const TRect r = Cell(col, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }
  // The keys held while the mouse acts.
  void Hold(TShiftState keys, bool down) {
    if (keys.Contains(ssCtrl)) down ? input::KeyDown(win::VK_CONTROL) : input::KeyUp(win::VK_CONTROL);
    if (keys.Contains(ssShift)) down ? input::KeyDown(win::VK_SHIFT) : input::KeyUp(win::VK_SHIFT);
    Pump();
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
  // A click of its own: not the second of a double click.
  void Click(TPoint p, TShiftState keys = {}, win::UINT button = win::VK_LBUTTON) {
    clock.Advance(win::GetDoubleClickTime() + 1);
    Hold(keys, true);
    Down(p, button);
    Up(p, button);
    Hold(keys, false);
  }
  void Drag(TPoint from, TPoint to, TShiftState keys = {}) {
    clock.Advance(win::GetDoubleClickTime() + 1);
    Hold(keys, true);
    Down(from);
    Move({(from.X + to.X) / 2, (from.Y + to.Y) / 2});
    Move(to);
    Up(to);
    Hold(keys, false);
  }
  void Type(const std::string& text) {
    for (char c : text) {
      const win::UINT vk = static_cast<win::UINT>(std::toupper(static_cast<unsigned char>(c)));
      input::KeyDown(vk, static_cast<char32_t>(c));
      input::KeyUp(vk);
    }
    Pump();
  }
  // Lets the tracking timer fire once.
  void Tick() {
    clock.Advance(static_cast<std::uint64_t>(std::max(grid->TimerInterval(), 10)));
    Pump();
  }
  std::string NameOf(int id) {
    const TBookmark here = ds->Bookmark();
    ds->Locate("Id", Variant(id), {});
    std::string name = ds->FieldByName("Name")->AsString();
    ds->GotoBookmark(here);
    return name;
  }
  std::string Ids() {
    std::string ids;
    const TBookmark here = ds->Bookmark();
    ds->DisableControls();
    for (ds->First(); !ds->Eof(); ds->Next()) ids += ds->FieldByName("Id")->AsString() + " ";
    ds->GotoBookmark(here);
    ds->EnableControls();
    return ids;
  }
  std::string ColumnOrder() {
    std::string names;
    for (int i = 0; i < grid->Columns()->Count(); ++i) names += Column(i)->FieldName() + " ";
    return names;
  }
  // The row of the record with Id on screen (-1 when none).
  int RowOf(int id) {
    int row = -1;
    grid->ForEachShownRecord([&](int r) {
      if (Id() == id) row = r;
    });
    return row;
  }
  void TitleButtons() {
    for (int i = 0; i < grid->Columns()->Count(); ++i) Column(i)->Title()->SetTitleButton(true);
    grid->SetOptionsX(grid->OptionsX() + dgxAutoSortMarking + dgxMultiSortMarking);
  }

  TMouseGrid* mgrid = nullptr;
};

// ---- Records, cells and the editor ----

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
    NewGrid();
    Records(100, c.footers);
    if (c.thumb_to > 0) {
      grid->VertScrollBar()->SetTracking(true);
      grid->Perform(win::WM_VSCROLL, win::MAKEWPARAM(win::SB_THUMBTRACK, c.thumb_to), 0);
      grid->Perform(win::WM_VSCROLL, win::MAKEWPARAM(win::SB_THUMBPOSITION, c.thumb_to), 0);
      Pump();
    }
    const int row = grid->TopRow() + c.row_from_top;
    int expected = 0;
    grid->ForEachShownRecord([&](int r) {
      if (r == row) expected = Id();
    });
    Click(Middle(2, row));
    EXPECT_EQ(Id(), expected);
    Type("Abc");
    Press(win::VK_RETURN);
    EXPECT_EQ(NameOf(expected), "Abc");
    EXPECT_EQ(NameOf(1), expected == 1 ? "Abc" : Name(1));
    ds->Close();
  }
}

// A click leaves no selection behind, even where rectangles may be selected: the editor opens for
// the next key; a second click on the current cell opens it at once.
TEST_F(GridMouse, AClickSelectsNothingAndTheNextKeyOpensTheEditor) {
  grid->SetOptions(grid->Options() + dgMultiSelect);
  Records(5);
  Click(Middle(2, 3));
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  Type("q");
  EXPECT_TRUE(grid->EditorShowing());
  EXPECT_EQ(grid->EditorText(), "q");
  Press(win::VK_ESCAPE);
  Press(win::VK_ESCAPE);
  Click(Middle(2, 4));
  EXPECT_FALSE(grid->EditorShowing());
  Click(Middle(2, 4));
  EXPECT_TRUE(grid->EditorShowing());
}

TEST_F(GridMouse, DraggingOverCellsSelectsARectangleAndShiftClickGrowsIt) {
  grid->SetOptions(grid->Options() + dgMultiSelect);
  Records(8);
  Drag(Middle(1, 2), Middle(2, 4));
  ASSERT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  TDBGridXSelectionRect* rect = grid->Selection()->Rect();
  EXPECT_EQ(rect->LeftCol(), 0);
  EXPECT_EQ(rect->RightCol(), 1);
  ds->GotoBookmark(rect->TopRow());
  EXPECT_EQ(Id(), 2);
  ds->GotoBookmark(rect->BottomRow());
  EXPECT_EQ(Id(), 4);
  Click(Middle(3, 6), {ssShift});
  EXPECT_EQ(rect->RightCol(), 2);
  ds->GotoBookmark(rect->BottomRow());
  EXPECT_EQ(Id(), 6);
  // A plain click lets it go.
  Click(Middle(1, 1));
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
}

TEST_F(GridMouse, IndicatorPressesSelectRecords) {
  grid->SetOptions(grid->Options() + dgMultiSelect);
  Records(10);
  Click(Middle(0, 2));
  EXPECT_EQ(SelectedIds(), std::vector<int>{2});
  Click(Middle(0, 5), {ssShift});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ(Id(), 5);
  Click(Middle(0, 3), {ssCtrl});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{2, 4, 5}));
  Click(Middle(0, 7));
  EXPECT_EQ(SelectedIds(), std::vector<int>{7});
  // A drag selects the records it passes, a step at a time (never to the end of the data).
  Drag(Middle(0, 1), Middle(0, 4));
  EXPECT_EQ(SelectedIds(), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(Id(), 4);
}

TEST_F(GridMouse, FooterPressesOnlyTellTheProgram) {
  Records(5, 1);
  int presses = 0;
  grid->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };
  ds->MoveBy(2);
  Click(Middle(1, grid->RowCount() - 1));
  EXPECT_EQ(presses, 1);
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
}

TEST_F(GridMouse, OneClickOnAnEditButtonDropsThePickList) {
  Records(3);
  Column(1)->PickList()->Add("x");
  Column(1)->PickList()->Add("y");
  Column(1)->SetButtonStyle(cbsDropDown);
  const TRect r = Cell(2, 2);
  Click({r.Right - 3, (r.Top + r.Bottom) / 2});
  EXPECT_EQ(Id(), 2);
  auto* editor = dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  ASSERT_TRUE(editor && grid->EditorShowing());
  EXPECT_TRUE(editor->DroppedDown());
}

TEST_F(GridMouse, AClickStepsACheckBoxOnceAndADoubleClickToo) {
  Records(3);
  Column(2)->SetCheckboxes(true);
  Click(Middle(3, 2));
  EXPECT_EQ(Id(), 2);
  EXPECT_TRUE(ds->FieldByName("Done")->AsBoolean());
  Click(Middle(3, 2));
  EXPECT_FALSE(ds->FieldByName("Done")->AsBoolean());
  // The second press of a double click comes as a double click: it does not step again.
  clock.Advance(win::GetDoubleClickTime() + 1);
  input::MouseButton(win::VK_LBUTTON, true, Screen(Middle(3, 2)));
  input::MouseButton(win::VK_LBUTTON, false, Screen(Middle(3, 2)));
  input::MouseButton(win::VK_LBUTTON, true, Screen(Middle(3, 2)));
  input::MouseButton(win::VK_LBUTTON, false, Screen(Middle(3, 2)));
  Pump();
  EXPECT_TRUE(ds->FieldByName("Done")->AsBoolean());
}

// ---- Titles ----

TEST_F(GridMouse, TitleClicksSortAndCtrlClicksAddLevelsSortedWhenCtrlIsReleased) {
  Records(6);
  TitleButtons();
  int sorts = 0;
  std::vector<int> clicked;
  grid->OnTitleBtnClick = [&](TObject*, int ACol, TColumnX*) { clicked.push_back(ACol); };
  Click(Middle(2, 0));
  EXPECT_EQ(Column(1)->Title()->SortMarker(), smDownX);
  EXPECT_EQ(ds->SortFields(), "Name");
  EXPECT_EQ(clicked, std::vector<int>{1});
  // Ctrl+clicks change the markers; the dataset is sorted once, on Ctrl's release.
  grid->OnSortMarkingChanged = [&](TObject*) {
    ++sorts;
    mgrid->DefaultApplySorting();
  };
  Hold({ssCtrl}, true);
  for (int col : {3, 1, 1}) {
    clock.Advance(win::GetDoubleClickTime() + 1);
    Down(Middle(col, 0));
    Up(Middle(col, 0));
  }
  EXPECT_TRUE(grid->SortMarkingPending());
  EXPECT_EQ(sorts, 0);
  Hold({ssCtrl}, false);
  EXPECT_EQ(sorts, 1);
  EXPECT_EQ(ds->SortFields(), "Name; Done; Id DESC");
  // Released outside its title: no click, no sorting.
  clock.Advance(win::GetDoubleClickTime() + 1);
  Down(Middle(2, 0));
  Move(Middle(2, 2));
  Up(Middle(2, 2));
  EXPECT_EQ(clicked.size(), 4u);
  EXPECT_EQ(sorts, 1);
  EXPECT_EQ(Column(1)->Title()->SortMarker(), smDownX);
}

// With multi-level titles a column's button is its own caption: a press on the band above it
// presses nothing.
TEST_F(GridMouse, ATitleBandIsNoButton) {
  grid->SetUseMultiTitle(true);
  Records(4);
  Column(0)->Title()->SetCaption("Job|Id");
  Column(1)->Title()->SetCaption("Job|Name");
  TitleButtons();
  Pump();
  const TRect title = Cell(2, 0);
  Click({(title.Left + title.Right) / 2, title.Top + 2});
  EXPECT_EQ(Column(1)->Title()->SortMarker(), smNoneX);
  EXPECT_EQ(ds->SortFields(), "");
  Click({(title.Left + title.Right) / 2, title.Bottom - 3});
  EXPECT_EQ(Column(1)->Title()->SortMarker(), smDownX);
  EXPECT_EQ(ds->SortFields(), "Name");
}

TEST_F(GridMouse, APressedTitlePulledSidewaysMovesItsColumn) {
  Records(3);
  TitleButtons();
  struct Case {
    win::UINT button;
    int pull;
    const char* order;
  };
  for (const Case c : {Case{win::VK_LBUTTON, 3, "Id Name Done "}, Case{win::VK_LBUTTON, 200, "Id Done Name "},
                       Case{win::VK_RBUTTON, 200, "Id Name Done "}}) {
    SCOPED_TRACE(c.pull);
    clock.Advance(win::GetDoubleClickTime() + 1);
    const TPoint from = Middle(2, 0);
    Down(from, c.button);
    Move({from.X + c.pull / 2, from.Y});
    Move({from.X + c.pull, from.Y});
    if (c.pull <= 3) {
      EXPECT_TRUE(grid->TitleButtonDown());
    } else {
      EXPECT_FALSE(grid->TitleButtonDown());
      EXPECT_EQ(mgrid->GridState(), gsColMoving);
    }
    Up({from.X + c.pull, from.Y}, c.button);
    EXPECT_EQ(ColumnOrder(), c.order);
    EXPECT_EQ(mgrid->GridState(), gsNormal);
  }
}

// A title click tells the program (OnTitleClick) with the left button, and with the right one where
// it moves columns (dgColumnResize); a title button held down by either sorts (OnTitleBtnClick)
// and with the right one that is all.
TEST_F(GridMouse, TitleClicksReachTheProgramWithTheButtonThatMovesColumns) {
  struct Case {
    win::UINT button;
    bool resize, title_button;
    int clicks, button_clicks;
  };
  for (const Case c : {Case{win::VK_LBUTTON, true, false, 1, 0}, Case{win::VK_RBUTTON, true, false, 1, 0},
                       Case{win::VK_RBUTTON, false, false, 0, 0}, Case{win::VK_LBUTTON, false, true, 1, 1},
                       Case{win::VK_RBUTTON, true, true, 0, 1}}) {
    SCOPED_TRACE(testing::Message() << (c.button == win::VK_LBUTTON ? "left" : "right") << c.resize << c.title_button);
    NewGrid();
    if (!c.resize) grid->SetOptions(grid->Options() - dgColumnResize);
    Records(3);
    if (c.title_button) TitleButtons();
    std::vector<std::string> clicked;
    int button_clicks = 0;
    grid->OnTitleClick = [&](TColumnX* Column) { clicked.push_back(Column->FieldName()); };
    grid->OnTitleBtnClick = [&](TObject*, int, TColumnX*) { ++button_clicks; };
    Click(Middle(2, 0), {}, c.button);
    EXPECT_EQ(clicked, std::vector<std::string>(static_cast<std::size_t>(c.clicks), "Name"));
    EXPECT_EQ(button_clicks, c.button_clicks);
    EXPECT_EQ(ColumnOrder(), "Id Name Done ");
    EXPECT_FALSE(grid->MouseCapture());
    ds->Close();
  }
}

// In a grid that drags its selected records to other controls, a press on a selected cell waits:
// its release settles the selection. Ctrl with whole-row selection takes the record out of the
// selection; otherwise the selection goes (dgxClearSelection) or stays.
TEST_F(GridMouse, TheReleaseOfAPressOnASelectedCellSettlesTheSelection) {
  struct Case {
    bool ctrl, row_select, clear;
    std::vector<int> selected;
  };
  for (const Case& c : {Case{false, false, true, {}}, Case{true, false, true, {}}, Case{false, true, true, {}},
                        Case{true, true, true, {2, 4}}, Case{true, true, false, {2, 4}},
                        Case{false, true, false, {2, 3, 4}}}) {
    SCOPED_TRACE(testing::Message() << c.ctrl << c.row_select << c.clear);
    NewGrid();
    grid->SetOptions(grid->Options() + dgMultiSelect + (c.row_select ? dgRowSelect : dgMultiSelect));
    if (!c.clear) grid->SetOptionsX(grid->OptionsX() - dgxClearSelection);
    grid->SetDragMode(dmAutomatic);
    Records(6);
    for (int row : {2, 3, 4}) Click(Middle(0, row), {ssCtrl});
    ASSERT_EQ(SelectedIds(), (std::vector<int>{2, 3, 4}));
    Click(Middle(2, 3), c.ctrl ? TShiftState{ssCtrl} : TShiftState{});
    EXPECT_EQ(SelectedIds(), c.selected);
    EXPECT_EQ(Id(), 3);
    ds->Close();
  }
}

TEST_F(GridMouse, ColumnSelectionStartsInATitlesLowestStrip) {
  grid->SetOptions(grid->Options() + dgMultiSelect);
  Records(3);
  const TDBGridXResources& res = DBGridXResources();
  const TRect title = Cell(1, 0);
  Move({title.Left + 5, title.Top + 1});
  EXPECT_NE(wm::GetCursor(), res.DownCursor);
  Move({title.Left + 5, title.Bottom - 2});
  EXPECT_EQ(wm::GetCursor(), res.DownCursor);
  Move(Middle(0, 2));
  EXPECT_EQ(wm::GetCursor(), res.RightCursor);
  Drag({title.Left + 5, title.Bottom - 2}, {Cell(2, 0).Left + 5, title.Bottom - 2});
  ASSERT_EQ(grid->Selection()->SelectionType(), gstColumns);
  EXPECT_EQ(grid->Selection()->Columns()->Count(), 2);
  Click({Cell(3, 0).Left + 5, title.Bottom - 2}, {ssCtrl});
  EXPECT_EQ(grid->Selection()->Columns()->Count(), 3);
  EXPECT_EQ(grid->MouseMode(), mmNoneX);
  // A title lower than the strip selects from anywhere in it.
  grid->SetTitleHeight(5);
  Pump();
  Move({Cell(1, 0).Left + 5, Cell(1, 0).Top});
  EXPECT_EQ(wm::GetCursor(), res.DownCursor);
}

// ---- Column edges ----

TEST_F(GridMouse, ColumnEdgesSizeLiveOrWithALineAndKeepAWidthToGrab) {
  struct Case {
    bool live;
    bool frozen;  // the edge of a frozen column, which the grid sizes itself
    int by;
    int width;  // expected, -1: unchanged
  };
  for (const Case c : {Case{false, false, 30, 1}, Case{true, false, 30, 1}, Case{false, false, -1000, -1},
                       Case{true, false, -1000, 2}, Case{false, true, 20, 1}, Case{true, true, -1000, 2}}) {
    SCOPED_TRACE(testing::Message() << c.live << c.frozen << c.by);
    NewGrid();
    if (c.live) grid->SetOptionsX(grid->OptionsX() + dgxTraceColSizing);
    if (c.frozen) grid->SetFrozenCols(1);
    Records(3);
    const int col = 1, before = mgrid->ColWidths(col);
    const TRect r = Cell(col, 0);
    Down({r.Right, (r.Top + r.Bottom) / 2});
    Move({r.Right + c.by / 2, (r.Top + r.Bottom) / 2});
    Move({r.Right + c.by, (r.Top + r.Bottom) / 2});
    if (c.live) {
      EXPECT_NE(mgrid->ColWidths(col), before);
    }
    Up({r.Right + c.by, (r.Top + r.Bottom) / 2});
    EXPECT_EQ(mgrid->ColWidths(col), c.width < 0 ? before : c.width == 1 ? before + c.by : c.width);
    EXPECT_EQ(Column(0)->Width(), mgrid->ColWidths(col));
    EXPECT_EQ(mgrid->GridState(), gsNormal);
    EXPECT_EQ(grid->MouseMode(), mmNoneX);
  }
}

TEST_F(GridMouse, ADoubleClickOnAnEdgeFitsTheColumn) {
  grid->SetOptionsX(grid->OptionsX() + dgxDblClickOptimizeColWidth);
  Records(3);
  Column(1)->SetWidth(20);
  ds->Edit();
  ds->FieldByName("Name")->SetAsString("WWWWWWWWWWWWWWWWWWWW");
  ds->Post();
  Pump();
  const TRect r = Cell(2, 0);
  const win::POINT edge = Screen({r.Right, (r.Top + r.Bottom) / 2});
  for (int i = 0; i < 2; ++i) {
    input::MouseButton(win::VK_LBUTTON, true, edge);
    input::MouseButton(win::VK_LBUTTON, false, edge);
  }
  Pump();
  EXPECT_GT(Column(1)->Width(), 100);
}

// Released, a row's sizing gives every data row the new height: the edge under the mouse moves
// away, and the cursor says so at once, not at the next move.
TEST_F(GridMouse, AfterARowIsSizedTheCursorShowsWhatIsUnderTheMouse) {
  grid->SetRowSizingAllowed(true);
  Records(5);
  const TRect second = Cell(0, 2);
  const TPoint edge{second.Left + 4, second.Bottom};
  Move(edge);
  ASSERT_EQ(wm::GetCursor(), lab::Screen->Cursors(crVSplit));
  Down(edge);
  Move({edge.X, edge.Y + 10});
  Up({edge.X, edge.Y + 10});
  EXPECT_EQ(grid->RowHeights(1), second.Height() + 10);
  EXPECT_NE(wm::GetCursor(), lab::Screen->Cursors(crVSplit));
}

// The lines a drag draws (a column's size, where a moved column lands, where dragged records go)
// reach the display as they are drawn, XOR in silver: dark over light cells.
TEST_F(GridMouse, TheLinesADragDrawsShowAtOnce) {
  // The display: what each watched point of the form last showed.
  struct TDisplay : THeadlessBackend {
    std::vector<win::POINT> watched;
    std::vector<win::COLORREF> shown;
    void Present(win::HWND, cairo_surface_t* Surface, const win::RECT& Dirty) override {
      cairo_surface_flush(Surface);
      const unsigned char* data = cairo_image_surface_get_data(Surface);
      const int stride = cairo_image_surface_get_stride(Surface);
      for (std::size_t i = 0; i < watched.size(); ++i)
        if (Dirty.Contains(TPoint{watched[i].X, watched[i].Y}))
          shown[i] = ColorOfPixel(reinterpret_cast<const std::uint32_t*>(data + watched[i].Y * stride)[watched[i].X]);
    }
  };
  for (const std::string what : {"size", "move", "drop"}) {
    NewGrid();
    grid->SetOptionsX(grid->OptionsX() + dgxRecordMoving);
    Records(6);
    // Where the mouse presses and goes, and the points the line crosses, dots and gaps.
    const TRect name = Cell(2, 0), done = Cell(3, 0), rows{Middle(2, 5).X, Cell(2, 3).Top, 0, Cell(2, 5).Top};
    const int y = Middle(1, 5).Y;
    TPoint press = Middle(0, 2), to = Middle(0, 4);
    TRect across{rows.Left, rows.Top, rows.Left + 8, rows.Bottom};
    if (what == "size") {
      press = {name.Right, name.Top + 5};
      to = {name.Right + 20, name.Top + 5};
      across = {to.X - 4, y, to.X + 4, y + 8};
    } else if (what == "move") {
      press = Middle(2, 0);
      to = {done.Right - 10, done.Top + 5};
      across = {done.Right - 4, y, done.Right + 4, y + 8};
    }
    SCOPED_TRACE(what);
    auto* display = new TDisplay;
    for (int py = across.Top; py < across.Bottom; ++py)
      for (int px = across.Left; px < across.Right; ++px) {
        win::POINT p{px, py};
        wm::MapWindowPoints(grid->Handle(), form->Handle(), &p, 1);
        display->watched.push_back(p);
      }
    display->shown.assign(display->watched.size(), 0xFFFFFFFF);
    SetBackend(std::unique_ptr<TBackend>(display));
    clock.Advance(win::GetDoubleClickTime() + 1);
    Down(press);
    Move({(press.X + to.X) / 2, (press.Y + to.Y) / 2});
    Move(to);
    EXPECT_TRUE(std::count(display->shown.begin(), display->shown.end(), 0x3F3F3Fu) > 0);
    Up(to);
    SetBackend(CreateHeadlessBackend());
  }
}

// ---- Record moving ----

// A record picked up in the indicator follows the mouse as the current record; the release hands
// the program the dragged record and where it goes (OnMoveRecords, asked first whether it may);
// Escape puts it down where it was.
TEST_F(GridMouse, ADraggedRecordGoesWhereItIsReleased) {
  grid->SetOptionsX(grid->OptionsX() + dgxRecordMoving);
  Records(8);
  struct TMoveCall {
    std::string bookmark;
    int to;
    bool check;
  };
  std::vector<TMoveCall> moves;
  grid->OnMoveRecords = [&](TObject*, TStrings* Bookmarks, int ToRecNo, int, bool CheckOnly) {
    EXPECT_EQ(Bookmarks->Count(), 1);
    moves.push_back({Bookmarks->Strings(0), ToRecNo, CheckOnly});
    return true;
  };
  ds->MoveBy(1);
  const TBookmark second = ds->Bookmark();
  ds->First();
  Pump();
  Down(Middle(0, 2));
  EXPECT_EQ(grid->MouseMode(), mmMoveRecordsX);
  Move(Middle(0, 4));
  Move(Middle(0, 5));
  EXPECT_EQ(Id(), 5);
  Up(Middle(0, 5));
  ASSERT_FALSE(moves.empty());
  EXPECT_FALSE(moves.back().check);
  EXPECT_EQ(moves.back().bookmark, second);
  EXPECT_EQ(moves.back().to, 5);
  EXPECT_EQ(Id(), 2);  // the dragged record is current again
  EXPECT_EQ(grid->MouseMode(), mmNoneX);
  // Given up with Escape: nothing moves.
  moves.clear();
  clock.Advance(win::GetDoubleClickTime() + 1);
  Down(Middle(0, 3));
  Move(Middle(0, 6));
  Press(win::VK_ESCAPE);
  Up(Middle(0, 6));
  for (const TMoveCall& m : moves) EXPECT_TRUE(m.check);
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(grid->TimerInterval(), -1);
}

// Without a handler the in-memory dataset reorders its records: a dragged run lands between the
// two records the drop line stood between, and dragged back where it came from it gives the order
// back; the run stays selected and the dragged record current.
TEST_F(GridMouse, ADraggedRunOfRecordsLandsWhereTheDropLineShowsAndDragsBack) {
  struct Case {
    const char* what;
    int first, last, pressed, target;
    const char* order;
  };
  for (const Case c : {Case{"down", 2, 4, 3, 6, "1 5 6 2 3 4 7 8 "}, Case{"up", 5, 6, 6, 2, "1 5 6 2 3 4 7 8 "},
                       Case{"to the last", 1, 2, 1, 8, "3 4 5 6 7 8 1 2 "}}) {
    SCOPED_TRACE(c.what);
    NewGrid();
    grid->SetOptions(grid->Options() + dgMultiSelect);
    grid->SetOptionsX(grid->OptionsX() + dgxRecordMoving);
    Records(8);
    const std::string start = Ids();
    Click(Middle(0, c.first));
    Click(Middle(0, c.last), {ssShift});
    std::vector<int> run;
    for (int id = c.first; id <= c.last; ++id) run.push_back(id);
    ASSERT_EQ(SelectedIds(), run);
    // Drags the run by record From to record To's row; answers the records on either side of the
    // drop line (0: none) as it stood before the release.
    auto drag = [&](int from, int to) {
      std::vector<int> shown(static_cast<std::size_t>(grid->RowCount()), 0);
      grid->ForEachShownRecord([&](int r) { shown[static_cast<std::size_t>(r)] = Id(); });
      clock.Advance(win::GetDoubleClickTime() + 1);
      Down(Middle(0, RowOf(from)));
      Move(Middle(0, (RowOf(from) + RowOf(to)) / 2));
      Move(Middle(0, RowOf(to)));
      const int y = grid->DropLineY();
      EXPECT_GE(y, 0);
      const int row = grid->MouseCoord(5, y).Y;
      const bool at_bottom = y > (Cell(0, row).Top + Cell(0, row).Bottom) / 2;
      const int above = at_bottom ? row : row - 1;
      auto at = [&](int r) { return r >= 1 && r < static_cast<int>(shown.size()) ? shown[static_cast<std::size_t>(r)] : 0; };
      const std::pair<int, int> sides{at(above), at(above + 1)};
      Up(Middle(0, RowOf(to)));
      EXPECT_EQ(grid->DropLineY(), -1);
      return sides;
    };
    // The records before and after the run in the dataset's order (0: none).
    auto neighbours = [&] {
      std::vector<int> ids;
      std::istringstream in(Ids());
      for (int id; in >> id;) ids.push_back(id);
      const auto first = std::find(ids.begin(), ids.end(), run.front());
      EXPECT_TRUE(std::equal(run.begin(), run.end(), first));
      const auto last = first + static_cast<std::ptrdiff_t>(run.size());
      return std::pair<int, int>{first == ids.begin() ? 0 : *(first - 1), last == ids.end() ? 0 : *last};
    };
    const std::pair<int, int> home = neighbours();
    const std::pair<int, int> line = drag(c.pressed, c.target);
    EXPECT_EQ(Ids(), c.order);
    EXPECT_EQ(neighbours(), line);
    EXPECT_EQ(Id(), c.pressed);
    EXPECT_EQ(SelectedIds(), run);
    // Back: next to the record that followed the run when it went down, else the one before it.
    const bool went_down = Ids().find(std::to_string(home.second) + " ") < Ids().find(std::to_string(run.front()) + " ");
    const std::pair<int, int> back = drag(c.pressed, went_down ? home.second : home.first);
    EXPECT_EQ(back, home);
    EXPECT_EQ(Ids(), start);
    ds->Close();
  }
}

// A record dragged past the grid's bottom edge scrolls the records down a record a tick, over rows
// of the buffer (footer rows) or over one row a record, and the release there drops it after the
// last record reached.
TEST_F(GridMouse, ARecordDraggedBelowTheGridGoesDown) {
  for (const int footers : {1, 0}) {
    SCOPED_TRACE(footers);
    NewGrid();
    grid->SetOptionsX(grid->OptionsX() + dgxRecordMoving);
    Records(40, footers);
    int to = 0;
    grid->OnMoveRecords = [&](TObject*, TStrings*, int ToRecNo, int, bool CheckOnly) {
      if (!CheckOnly) to = ToRecNo;
      return true;
    };
    Down(Middle(0, 2));
    const TPoint below{Middle(0, 2).X, grid->ClientHeight() + 20};
    Move(Middle(0, 4));
    Move(below);
    const int reached = Id();
    EXPECT_GE(reached, 4);
    for (int i = 0; i < 3; ++i) Tick();
    EXPECT_EQ(Id(), reached + 3);
    EXPECT_EQ(RowOf(reached + 3), grid->Row());
    Up(below);
    EXPECT_EQ(to, reached + 3);
    EXPECT_EQ(Id(), 2);
    ds->Close();
  }
}

// ---- Automatic scrolling and Escape ----

// Held below the data, a selection drag scrolls a record for every 6 pixels, up to 8 a tick, each
// tick sooner the further out (never at once: the timer's shortest is 10 ms). Without footer rows
// the data ends with the last row, however few records there are.
TEST_F(GridMouse, HeldBelowTheDataTheTimerScrollsFasterTheFurtherOut) {
  struct Case {
    int records, footers;
    int below;
    int scrolled;
    int interval;
  };
  for (const Case c : {Case{200, 1, 30, 5, 10}, Case{200, 1, 6, 1, 110}, Case{200, 1, 3, 0, 155},
                       Case{200, 1, 100, 8, 10}, Case{5, 0, 6, 0, 110}, Case{5, 0, 30, 0, 10}}) {
    SCOPED_TRACE(testing::Message() << c.records << " " << c.below);
    NewGrid();
    grid->SetOptions(grid->Options() + dgMultiSelect);
    Records(c.records, c.footers);
    Down(Middle(0, 2));
    // The last data row: above the spacer row, or the last record's; the line below it lies outside.
    const TRect last = Cell(0, c.footers > 0 ? grid->RowCount() - 3 : c.records);
    const int bottom = last.Bottom;
    Move({last.Left + 2, last.Top + 2});
    const int start = Id();
    Move({last.Left + 2, bottom + c.below - 1});
    EXPECT_EQ(grid->TimerInterval(), c.interval);
    const int after_move = Id();
    Tick();
    EXPECT_EQ(Id() - after_move, c.scrolled);
    EXPECT_GE(after_move, start);
    Up({last.Left + 2, bottom + c.below - 1});
    EXPECT_EQ(grid->TimerInterval(), -1);
    ds->Close();
  }
}

// Hovering over the indicator of a grid that moves records asks whether a drag would start there
// (for the cursor): asking moves no record and posts nothing.
TEST_F(GridMouse, TheRecordDragTestOfTheCursorChangesNothing) {
  grid->SetOptionsX(grid->OptionsX() + dgxRecordMoving);
  for (bool multi : {false, true}) {
    SCOPED_TRACE(multi);
    if (multi) grid->SetOptions(grid->Options() + dgMultiSelect);
    Records(6);
    ds->Edit();
    ds->FieldByName("Name")->SetAsString("edited");
    if (multi) {
      grid->SelectedRows()->SetCurrentRowSelected(true);
      ds->MoveBy(3);
      ds->Edit();
      ds->FieldByName("Name")->SetAsString("edited");
    }
    const int current = Id();
    for (int row = 1; row <= 6; ++row) Move(Middle(0, row));
    EXPECT_EQ(Id(), current);
    EXPECT_EQ(ds->State(), dsEdit);
    ds->Cancel();
    ds->Close();
  }
}

// A drag the timer carries on ends quietly when the dataset closes under it or the focus goes to
// another control: no error shows, nothing scrolls on and the mouse is free.
TEST_F(GridMouse, ATimerDrivenDragEndsQuietlyWhenTheDataCloseOrTheFocusGoes) {
  struct Case {
    const char* what;
    int col, row;
    bool multi, moving;
  };
  std::string reported;
  Application->OnException = [&reported](TObject*, Exception& E) { reported = E.Message(); };
  TScopeExit quiet([] { Application->OnException = nullptr; });
  for (const Case c : {Case{"records", 0, 2, true, false}, Case{"rectangle", 1, 2, true, false},
                       Case{"record drag", 0, 2, false, true}}) {
    for (const bool close : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.what << (close ? " closed" : " focus"));
      NewGrid();
      if (c.multi) grid->SetOptions(grid->Options() + dgMultiSelect);
      if (c.moving) grid->SetOptionsX(grid->OptionsX() + dgxRecordMoving);
      auto* other = new TEdit(form);
      other->SetParent(form);
      other->SetBounds(0, 270, 100, 20);
      Records(40, 1);
      Down(Middle(c.col, c.row));
      const TPoint below{Middle(c.col, c.row).X, grid->ClientHeight() + 30};
      Move(below);
      ASSERT_GE(grid->TimerInterval(), 0);
      if (close) ds->Close();
      else other->SetFocus();
      Pump();
      const int id = ds->Active() ? Id() : 0;
      Tick();
      Tick();
      EXPECT_EQ(reported, "");
      EXPECT_EQ(grid->TimerInterval(), -1);
      EXPECT_EQ(grid->MouseMode(), mmNoneX);
      EXPECT_FALSE(grid->MouseCapture());
      if (!close) {
        EXPECT_EQ(Id(), id);
      }
      Up(below);
      reported.clear();
      ds->Close();
      delete other;
    }
  }
}

// Escape ends whatever the mouse is doing, and finishes none of it: a sized column keeps its
// width, a moved column its place.
TEST_F(GridMouse, EscapeEndsEveryKindOfTracking) {
  struct Case {
    const char* what;
    int col, row;      // where the press is (row -1: on the first column's edge)
    int dx, dy;        // where the mouse goes then
    bool multi;
  };
  for (const Case c : {Case{"title button", 2, 0, 1, 0, false}, Case{"column move", 2, 0, 150, 0, false},
                       Case{"column size", 1, -1, 40, 0, false}, Case{"rectangle", 1, 2, 60, 40, true},
                       Case{"records", 0, 2, 0, 40, true}, Case{"columns", 1, 0, 60, 0, true}}) {
    SCOPED_TRACE(c.what);
    NewGrid();
    if (c.multi) grid->SetOptions(grid->Options() + dgMultiSelect);
    Records(20);
    TitleButtons();
    const std::string order = ColumnOrder();
    const int width = mgrid->ColWidths(1);
    TRect r = Cell(c.col, std::max(c.row, 0));
    TPoint at = c.row < 0 ? TPoint{r.Right, (r.Top + r.Bottom) / 2} : Middle(c.col, c.row);
    if (std::string(c.what) == "columns") at.Y = r.Bottom - 2;
    Down(at);
    Move({at.X + c.dx / 2, at.Y + c.dy / 2});
    Move({at.X + c.dx, at.Y + c.dy});
    Press(win::VK_ESCAPE);
    EXPECT_EQ(grid->MouseMode(), mmNoneX);
    EXPECT_EQ(mgrid->GridState(), gsNormal);
    EXPECT_FALSE(grid->TitleButtonDown());
    EXPECT_EQ(grid->TimerInterval(), -1);
    EXPECT_FALSE(grid->MouseCapture());
    Move({at.X + c.dx + 30, at.Y + c.dy + 30});
    Up({at.X + c.dx + 30, at.Y + c.dy + 30});
    EXPECT_EQ(ColumnOrder(), order);
    EXPECT_EQ(mgrid->ColWidths(1), width);
    EXPECT_EQ(Column(1)->Title()->SortMarker(), smNoneX);
    ds->Close();
  }
}

}  // namespace
}  // namespace lab::gridtest
