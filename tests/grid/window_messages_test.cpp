// The grid's window: Options as stored and as the framework grid takes them, focus changes, the
// flat border, off-screen painting and the notifications and messages the grid answers.

#include "grid_paint_fixture.h"

#include <vector>

#include "grid/grid_style.h"
#include "grid/grid_unit.h"
#include "grid/inplace_edit.h"
#include "platform/classes/form_text.h"
#include "platform/controls/edit.h"
#include "platform/controls/list_box.h"
#include "platform/controls/nc_layout.h"
#include "platform/db/db_unit.h"

namespace lab::gridtest {
namespace {

class TWindowGrid : public TDBGridX {
  LAB_CLASS(TWindowGrid, TDBGridX)
 public:
  using TDBGridX::TDBGridX;
  TGridOptions BaseOptions() const { return TCustomGrid::Options(); }
  using TDBGridX::CheckTitleButton;
  using TDBGridX::TimedScroll;
  using TDBGridX::UseDoubleBuffer;
};

class GridWindow : public GridPaintTest {
 protected:
  void SetUp() override {
    GridPaintTest::SetUp();
    delete grid;
    grid = wgrid = new TWindowGrid(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 380, 260);
  }
  void Records(int n) {
    for (const char* name : {"Id", "Name", "Done", "Code"}) grid->Columns()->Add()->SetFieldName(name);
    grid->SetDataSource(source);
    ds->Open();
    for (int i = 1; i <= n; ++i) AddRow(i, ("name " + std::to_string(i)).c_str(), i % 2 == 0, "c", 1.0 * i);
    ds->First();
    form->Show();
    grid->SetFocus();
    Pump();
  }
  // A pixel of the grid's window, its frame included.
  win::COLORREF WindowPixel(int x, int y) {
    win::RECT r;
    wm::GetWindowRect(grid->Handle(), r);
    win::POINT p{r.Left + x, r.Top + y};
    wm::ScreenToClient(form->Handle(), p);
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    const win::COLORREF c = ColorOfPixel(s->Row(p.Y)[p.X]);
    s->EndDirect();
    return c;
  }
  std::vector<std::uint32_t> Pixels() {
    win::POINT p{0, 0};
    wm::MapWindowPoints(grid->Handle(), form->Handle(), &p, 1);
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    std::vector<std::uint32_t> out;
    for (int y = 0; y < grid->ClientHeight(); ++y)
      out.insert(out.end(), s->Row(p.Y + y) + p.X, s->Row(p.Y + y) + p.X + grid->ClientWidth());
    s->EndDirect();
    return out;
  }
  // What shows is what a full repaint draws.
  bool Fresh() {
    const std::vector<std::uint32_t> shown = Pixels();
    grid->Invalidate();
    Pump();
    return shown == Pixels();
  }

  TWindowGrid* wgrid = nullptr;
};

// Options as stored and as the framework grid takes them; switching dgMultiSelect off clears the
// selection; the titles come and go at once even while an update holds the layout back.
TEST_F(GridWindow, OptionsFollowTheirRules) {
  Records(6);
  grid->SetOptions(grid->Options() + dgRowSelect + dgAlwaysShowEditor);
  EXPECT_FALSE(grid->Options().Contains(dgEditing) || grid->Options().Contains(dgAlwaysShowEditor));
  struct Case {
    TDBGridOptions options;
    TGridOptions base;
  };
  for (const Case c : {Case{{}, {}}, Case{{dgColLines}, {goFixedVertLine, goVertLine}},
                       Case{{dgRowLines}, {goFixedHorzLine, goHorzLine}}, Case{{dgColumnResize}, {goColSizing, goColMoving}},
                       Case{{dgTabs, dgEditing, dgAlwaysShowEditor}, {goTabs, goEditing, goAlwaysShowEditor}},
                       Case{{dgRowSelect, dgEditing}, {goRowSelect}}}) {
    grid->SetOptions(c.options);
    EXPECT_EQ(wgrid->BaseOptions(), c.base) << c.options.Value();
  }
  grid->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgMultiSelect});
  grid->SelectedRows()->SetCurrentRowSelected(true);
  grid->SetOptions(grid->Options() - dgMultiSelect);
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  grid->BeginUpdate();
  grid->SetOptions(grid->Options() - dgTitles);
  EXPECT_EQ(grid->TitleOffset(), 0);
  grid->EndUpdate();
}

// A form text with every option and look setting changed reads back to the same text.
TEST_F(GridWindow, EveryChangedOptionReadsBackFromFormText) {
  UseUnit(DBGridXUnit);
  UseUnit(DBUnit);
  delete grid;  // of a class forms know
  grid = new TDBGridX(form);
  grid->SetName("Grid1");
  grid->SetParent(form);
  grid->SetDataSource(source);
  grid->SetOptions(TDBGridOptions{dgAlwaysShowEditor, dgRowSelect, dgAlwaysShowSelection, dgMultiSelect});
  grid->SetOptionsX(TDBGridXOptions::FromValue(~grid->OptionsX().Value() & 0x3FFFF));
  grid->SetFlat(true);
  grid->SetReadOnly(true);
  grid->SetRowSizingAllowed(true);
  grid->SetOddRowColor(clAqua);
  grid->SetCtl3D(false);
  grid->SetBorderStyle(bsNone);
  grid->SetAllowedSelections({gstRectangle});
  grid->SetAutoFitColWidths(true);
  grid->SetMinAutoFitWidth(300);
  grid->SetDrawMemoText(true);
  grid->SetFooterRowCount(2);
  grid->SetFooterColor(clLime);
  grid->SetFrozenCols(1);
  grid->SetRowHeight(30);
  grid->SetRowLines(2);
  grid->SetTitleHeight(40);
  grid->SetTitleLines(3);
  grid->SetUseMultiTitle(true);
  grid->SetVTitleMargin(6);
  grid->SetFixedColor(clSilver);
  grid->TitleFont()->SetSize(13);
  grid->FooterFont()->SetStyle(TFontStyles{fsItalic});
  const std::string text = WriteFormText(form);
  EXPECT_NE(text.find("Options = [dgRowSelect, dgAlwaysShowSelection, dgMultiSelect]"), std::string::npos) << text;
  // A row colour never set follows the grid's colour and is not written.
  EXPECT_EQ(text.find("EvenRowColor"), std::string::npos) << text;
  std::unique_ptr<TComponent> root(ReadFormText(text));
  auto* g = dynamic_cast<TDBGridX*>(root->FindComponent("Grid1"));
  ASSERT_TRUE(g);
  EXPECT_EQ(g->OptionsX(), grid->OptionsX());
  EXPECT_EQ(g->EvenRowColor(), g->Color());
  EXPECT_EQ(g->OddRowColor(), clAqua);
  EXPECT_EQ(WriteFormText(root.get()), text);
}

// Leaving and entering the grid repaints what shows the focus (the current cell, selected cells,
// the frame of selected rows), and leaving it applies a sort waiting for Ctrl.
TEST_F(GridWindow, FocusInAndOutRepaintsTheHighlight) {
  auto* other = new TEdit(form);
  other->SetParent(form);
  for (const bool rows : {false, true}) {
    SCOPED_TRACE(rows);
    grid->SetOptions(grid->Options() + dgMultiSelect + (rows ? dgRowSelect : dgMultiSelect));
    Records(8);
    ds->MoveBy(2);
    if (rows) grid->SelectedRows()->SetCurrentRowSelected(true);
    else Press(win::VK_RIGHT, {ssShift});
    const TRect current = Cell(grid->Col(), grid->Row());
    const win::COLORREF focused = Pixel(current.Left + 2, current.Bottom - 2);
    other->SetFocus();
    Pump();
    EXPECT_TRUE(Fresh());
    EXPECT_NE(Pixel(current.Left + 2, current.Bottom - 2), focused);
    grid->SetFocus();
    Pump();
    EXPECT_TRUE(Fresh());
    ds->Close();
    grid->Columns()->Clear();
  }
  Records(3);
  int sorts = 0;
  grid->OnSortMarkingChanged = [&](TObject*) { ++sorts; };
  grid->SetOptionsX(grid->OptionsX() + dgxAutoSortMarking);
  Column(1)->Title()->SetTitleButton(true);
  win::POINT title{(Cell(2, 0).Left + Cell(2, 0).Right) / 2, 5};
  wm::ClientToScreen(grid->Handle(), title);
  input::KeyDown(win::VK_CONTROL);
  input::MouseMove(title);
  input::MouseButton(win::VK_LBUTTON, true, title);
  input::MouseButton(win::VK_LBUTTON, false, title);
  other->SetFocus();
  input::KeyUp(win::VK_CONTROL);
  Pump();
  EXPECT_EQ(sorts, 1);
}

// Flat with a 3D look, the grid draws a 1-pixel sunken edge around its window and its scroll bar
// stands inside it, taking presses there.
TEST_F(GridWindow, AFlatGridDrawsItsOwnBorderWithItsBarInside) {
  grid->SetFlat(true);
  Records(40);
  const int w = grid->Width(), h = grid->Height();
  EXPECT_EQ(WindowPixel(0, h / 2), ColorToRGB(clBtnShadow));
  EXPECT_EQ(WindowPixel(w / 2, h - 1), ColorToRGB(clBtnHighlight));
  const wm::NcLayout l = wm::NcLayoutOf(grid->Handle());
  EXPECT_EQ(l.vbar.Right, w - 1);
  EXPECT_EQ(WindowPixel(l.vbar.Right - 1, l.vbar.Bottom - 4), ColorToRGB(cl3DDkShadow));
  win::RECT wr;
  wm::GetWindowRect(grid->Handle(), wr);
  const int top = grid->TopRow();
  input::MouseButton(win::VK_LBUTTON, true, {wr.Left + l.vbar.Left + 8, wr.Top + l.vbar.Bottom - 8});
  input::MouseButton(win::VK_LBUTTON, false, {wr.Left + l.vbar.Left + 8, wr.Top + l.vbar.Bottom - 8});
  Pump();
  EXPECT_EQ(grid->TopRow(), top + 1);
}

// Painted off-screen (a tree with row lines asks for it), only the update region reaches the
// screen; a program can switch off-screen painting off for the grids that have not chosen it yet.
TEST_F(GridWindow, OffScreenPaintingCopiesOnlyTheUpdateRegion) {
  ds->SetTreeFields("Id", "Price");
  Records(6);
  ASSERT_TRUE(wgrid->UseDoubleBuffer());
  TGdiBitmap* s = wm::WindowSurface(form->Handle());
  // Two cells apart: the cell between them lies within the bounds of what is painted, not in it.
  win::POINT marks[3] = {{5, 5}, {Cell(3, 4).Left + 2, Cell(3, 4).Top + 2}, {Cell(2, 3).Left + 2, Cell(2, 3).Top + 2}};
  wm::MapWindowPoints(grid->Handle(), form->Handle(), marks, 3);
  s->BeginDirect();
  for (const win::POINT& m : marks) s->Row(m.Y)[m.X] = 0xFF123456;
  s->EndDirect();
  grid->InvalidateCell(2, 3);
  grid->InvalidateCell(4, 5);
  Pump();
  s->BeginDirect();
  EXPECT_EQ(s->Row(marks[0].Y)[marks[0].X], 0xFF123456u);
  EXPECT_EQ(s->Row(marks[1].Y)[marks[1].X], 0xFF123456u);
  EXPECT_NE(s->Row(marks[2].Y)[marks[2].X], 0xFF123456u);
  s->EndDirect();
  DBGridXResources().DoubleBufferingOff = true;
  TWindowGrid other(nullptr);
  other.SetDataSource(source);
  EXPECT_FALSE(other.UseDoubleBuffer());
  DBGridXResources().DoubleBufferingOff = false;
}

// The parent's font reaches the titles and footers and its colour the footers; an open pick list
// takes the wheel first; characters are wanted with dgxPreferIncSearch; a title out of range is no
// button; the designer leaves column edges to a grid whose columns can change; the grid goes back
// to the process-wide style when its own goes.
TEST_F(GridWindow, NotificationsAndMessagesReachTheirParts) {
  Records(30);
  grid->SetParentFont(true);
  grid->SetParentColor(true);
  form->Font()->SetSize(15);
  form->SetColor(clAqua);
  EXPECT_EQ(grid->TitleFont()->Size(), 15);
  EXPECT_EQ(grid->FooterFont()->Size(), 15);
  EXPECT_TRUE(grid->ParentFont());
  EXPECT_EQ(grid->FooterColor(), clAqua);

  TStringList picks;
  for (int i = 0; i < 20; ++i) picks.Add("pick " + std::to_string(i));
  Column(3)->SetPickList(&picks);
  grid->SetSelectedIndex(3);
  Press(win::VK_F2);
  auto* editor = dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
  ASSERT_TRUE(editor);
  editor->SetDroppedDown(true);
  win::POINT p{10, 30};
  wm::ClientToScreen(grid->Handle(), p);
  grid->Perform(CM_MOUSEWHEEL, win::MAKEWPARAM(0, static_cast<win::WORD>(-120)), win::MAKELPARAM(p.X, p.Y));
  EXPECT_GT(editor->ListBox()->TopIndex(), 0);
  EXPECT_EQ(Id(), 1);
  editor->SetDroppedDown(false);

  grid->SetOptions(grid->Options() - dgEditing);
  EXPECT_EQ(grid->Perform(win::WM_GETDLGCODE, 0, 0) & win::DLGC_WANTCHARS, 0);
  grid->SetOptionsX(grid->OptionsX() + dgxPreferIncSearch);
  EXPECT_NE(grid->Perform(win::WM_GETDLGCODE, 0, 0) & win::DLGC_WANTCHARS, 0);
  bool enabled = true;
  wgrid->CheckTitleButton(grid->Columns()->Count(), enabled);
  EXPECT_FALSE(enabled);

  grid->SetFrozenCols(1);
  auto hit = [&](int col) {
    return grid->Perform(CM_DESIGNHITTEST, 0, win::MAKELPARAM(Cell(col, 0).Right, Cell(col, 0).Top + 5));
  };
  EXPECT_EQ(hit(1), 1);  // frozen: the grid's own edge test
  EXPECT_EQ(hit(2), 1);

  auto own = std::make_unique<TDBGridXStyle>();
  grid->SetStyle(own.get());
  EXPECT_EQ(own->GridCount(), 1);
  own.reset();
  EXPECT_EQ(grid->Style(), DBGridXStyle());

  grid->SetDataSource(nullptr);
  EXPECT_EQ(hit(2), 0);
}

// A field asking for the focus makes its first shown column current; a cell with row lines
// repaints the line above it; held outside the cells, up and down go past the rows shown.
TEST_F(GridWindow, FieldsCellsAndTimedScrolling) {
  Records(40);
  Column(1)->SetVisible(false);
  grid->Columns()->Add()->SetFieldName("Name");
  grid->SelectField(ds->FieldByName("Name"));
  EXPECT_EQ(grid->SelectedIndex(), 4);
  Pump();
  grid->InvalidateCell(3, 3);
  win::RECT update;
  wm::GetUpdateRect(grid->Handle(), &update, false);
  EXPECT_EQ(update.Top, Cell(3, 3).Top - 1);
  wgrid->TimedScroll({sdDown});
  EXPECT_EQ(Id(), grid->GetVisibleDataRowCount() + 1);
  wgrid->TimedScroll({sdUp});
  EXPECT_EQ(Id(), 1);
}

// A click on a title raises OnTitleClick and one on a cell OnCellClick; composing input opens the
// editor; a column, a system colour change or a parent's switch to a flat look repaints what it
// touches; an off-screen painting grid paints a context it is given as it paints the screen.
TEST_F(GridWindow, EventsAndRepaintsReachTheirParts) {
  Records(30);
  std::vector<int> titles, cells;
  grid->OnTitleClick = [&](TColumnX* c) { titles.push_back(c->Index()); };
  grid->OnCellClick = [&](TColumnX* c) { cells.push_back(c->Index()); };
  for (const int row : {0, 2}) {
    win::POINT p{Cell(3, row).Left + 5, Cell(3, row).Top + 5};
    wm::ClientToScreen(grid->Handle(), p);
    input::MouseMove(p);
    input::MouseButton(win::VK_LBUTTON, true, p);
    input::MouseButton(win::VK_LBUTTON, false, p);
    Pump();
  }
  EXPECT_EQ(titles, std::vector<int>{2});
  EXPECT_EQ(cells, std::vector<int>{2});

  ASSERT_FALSE(grid->EditorMode());
  grid->Perform(win::WM_IME_STARTCOMPOSITION, 0, 0);
  EXPECT_TRUE(grid->EditorMode());
  grid->SetEditorMode(false);

  std::vector<TField*> fields{nullptr};
  grid->GetDatasetFieldList(fields);
  ASSERT_EQ(static_cast<int>(fields.size()), ds->Fields().Count() + 1);
  EXPECT_EQ(fields[1], ds->Fields()[0]);

  auto update = [&] {
    win::RECT r{};
    wm::GetUpdateRect(grid->Handle(), &r, false);
    Pump();
    return TRect(r.Left, r.Top, r.Right, r.Bottom);
  };
  Pump();
  grid->InvalidateCol(2);
  const int below = grid->GetVisibleDataRowCount() + grid->TitleOffset();
  EXPECT_EQ(update(), TRect(Cell(2, 0).Left, 0, Cell(3, 0).Left, Cell(2, below).Bottom));  // its line too
  grid->Perform(CM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(update(), grid->ClientRect());

  grid->SetFlat(true);
  grid->SetBorderStyle(bsSingle);
  Pump();
  const TRect flat = grid->ClientRect();
  form->SetCtl3D(false);
  Pump();
  EXPECT_FALSE(grid->Ctl3D());
  EXPECT_NE(wm::GetWindowLongPtr(grid->Handle(), win::GWL_STYLE) & win::WS_BORDER, 0);
  EXPECT_TRUE(Fresh());
  form->SetCtl3D(true);
  Pump();
  EXPECT_EQ(grid->ClientRect(), flat);
  EXPECT_EQ(WindowPixel(0, 5), ColorToRGB(clBtnShadow));

  ds->SetTreeFields("Id", "Price");
  Pump();
  ASSERT_TRUE(wgrid->UseDoubleBuffer());
  TBitmap target(grid->ClientWidth(), grid->ClientHeight());
  grid->PaintTo(target.Canvas()->Handle(), 0, 0);
  const std::vector<std::uint32_t> shown = Pixels();
  int differ = 0;
  for (int y = 0; y < grid->ClientHeight(); ++y)
    for (int x = 0; x < grid->ClientWidth(); ++x)
      differ += ColorToRGB(target.Canvas()->Pixels(x, y)) != ColorOfPixel(shown[y * grid->ClientWidth() + x]);
  EXPECT_EQ(differ, 0);
}

}  // namespace
}  // namespace lab::gridtest
