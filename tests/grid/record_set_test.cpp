// Record-set mode: over a dataset that reads its records in place (TMemDataSet) and without
// footer rows, every record is a grid row; the grid scrolls its own rows, the bar follows the first
// row shown, and the current row follows the current record.

#include "grid_paint_fixture.h"

#include <map>

#include "platform/backend/headless.h"
#include "platform/controls/input.h"
#include "platform/controls/scroll_bars.h"
#include "platform/db/fields.h"

namespace lab::gridtest {
namespace {

class GridRecordSet : public GridPaintTest {
 protected:
  void Records(int n) {
    grid->SetDataSource(source);
    grid->Columns()->Add()->SetFieldName("Id");
    grid->Columns()->Add()->SetFieldName("Name");
    ds->Open();
    ds->DisableControls();
    for (int i = 1; i <= n; ++i) AddRow(i, ("name " + std::to_string(i)).c_str(), true, "c", 1.0);
    ds->First();
    ds->EnableControls();
    form->Show();
    Pump();
  }
  win::SCROLLINFO Bar() {
    win::SCROLLINFO si;
    si.fMask = win::SIF_ALL;
    wm::GetScrollInfo(grid->Handle(), win::SB_VERT, si);
    return si;
  }
  void Scroll(win::WORD code, int pos = 0) {
    grid->Perform(win::WM_VSCROLL, win::MAKEWPARAM(code, static_cast<win::WORD>(pos)), 0);
    Pump();
  }
  int FullRows() {
    TGridDrawInfo di;
    grid->CalcDrawInfo(di);
    return di.Vert.LastFullVisibleCell - grid->TopRow() + 1;
  }
  int Id() { return ds->FieldByName("Id")->AsInteger(); }
};

TEST_F(GridRecordSet, EveryRecordIsARowAndTheCurrentRowFollowsTheRecord) {
  Records(1000);
  EXPECT_TRUE(grid->RecordSetMode());
  EXPECT_EQ(grid->RowCount(), 1 + 1000);
  EXPECT_EQ(grid->Row(), 1);
  ds->MoveBy(500);
  Pump();
  EXPECT_EQ(grid->Row(), 501);
  // Shown: the view came to the record.
  EXPECT_LE(grid->TopRow(), 501);
  EXPECT_GE(grid->TopRow() + FullRows() - 1, 501);
  ds->Last();
  Pump();
  EXPECT_EQ(grid->Row(), 1000);
  // Footer rows need the buffer: the rows mirror it again.
  grid->SetFooterRowCount(1);
  EXPECT_FALSE(grid->RecordSetMode());
  EXPECT_LT(grid->RowCount(), 100);
  grid->SetFooterRowCount(0);
  EXPECT_TRUE(grid->RecordSetMode());
  EXPECT_EQ(grid->RowCount(), 1001);
}

TEST_F(GridRecordSet, TheBarFollowsTheFirstRowShown) {
  for (int n : {0, 1, 8, 1000}) {
    Records(n);
    const int page = FullRows();
    const win::SCROLLINFO si = Bar();
    EXPECT_EQ(si.nMin, 1) << n;
    EXPECT_EQ(si.nMax, std::max(1, n)) << n;
    EXPECT_EQ(static_cast<int>(si.nPage), page) << n;
    EXPECT_EQ(si.nPos, 1) << n;
    EXPECT_EQ((wm::GetWindowLongPtr(grid->Handle(), win::GWL_STYLE) & win::WS_VSCROLL) != 0, n > page) << n;
    delete grid;
    delete ds;
    ds = new TMemDataSet(form);
    ds->FieldDefs().Add("Id", ftInteger);
    ds->FieldDefs().Add("Name", ftString, 20);
    ds->FieldDefs().Add("Done", ftBoolean);
    ds->FieldDefs().Add("Code", ftString, 5);
    ds->FieldDefs().Add("Price", ftFloat);
    source->SetDataSet(ds);
    grid = new TDBGridX(form);
    grid->SetParent(form);
    grid->SetBounds(0, 0, 380, 260);
  }
}

TEST_F(GridRecordSet, ScrollMessagesMoveTheViewNotTheRecord) {
  Records(1000);
  const int page = FullRows();
  Scroll(win::SB_LINEDOWN);
  EXPECT_EQ(grid->TopRow(), 2);
  EXPECT_EQ(Id(), 1);
  EXPECT_EQ(Bar().nPos, 2);
  Scroll(win::SB_PAGEDOWN);
  EXPECT_EQ(grid->TopRow(), 2 + page - 1);
  Scroll(win::SB_PAGEUP);  // back by as much
  EXPECT_EQ(grid->TopRow(), 2);
  Scroll(win::SB_LINEUP);
  Scroll(win::SB_LINEUP);  // never past the first record: a fixed row is never shown scrolled
  EXPECT_EQ(grid->TopRow(), 1);
  Scroll(win::SB_THUMBPOSITION, 400);
  EXPECT_EQ(grid->TopRow(), 400);
  Scroll(win::SB_THUMBTRACK, 10);  // no tracking
  EXPECT_EQ(grid->TopRow(), 400);
  grid->VertScrollBar()->SetTracking(true);
  Scroll(win::SB_THUMBTRACK, 10);
  EXPECT_EQ(grid->TopRow(), 10);
  Scroll(win::SB_BOTTOM);
  EXPECT_EQ(grid->TopRow() + page - 1, 1000);  // the view stays full
  EXPECT_EQ(Id(), 1);
  Scroll(win::SB_TOP);
  EXPECT_EQ(grid->TopRow(), 1);
}

TEST_F(GridRecordSet, TheWheelScrollsWithoutMovingTheRecordUnlessShiftIsHeld) {
  Records(300);
  headless::Wheel(grid->Handle(), 30, 40, -120);
  Pump();
  EXPECT_EQ(grid->TopRow(), 2);
  EXPECT_EQ(Id(), 1);
  headless::Wheel(grid->Handle(), 30, 40, 120);
  Pump();
  EXPECT_EQ(grid->TopRow(), 1);
  // With Shift held the record moves.
  input::KeyDown(win::VK_SHIFT);
  headless::Wheel(grid->Handle(), 30, 40, -120);
  input::KeyUp(win::VK_SHIFT);
  Pump();
  EXPECT_EQ(Id(), 2);
  EXPECT_EQ(grid->TopRow(), 1);
}

TEST_F(GridRecordSet, RowsPaintTheirOwnRecordsAndTheCurrentOneStays) {
  Records(200);
  ds->MoveBy(4);  // record 5
  Scroll(win::SB_THUMBPOSITION, 100);
  std::map<int, int> ids_by_row;
  grid->OnGetCellParams = [&](TObject*, TColumnX* Column, TFont*, TColor&, TGridDrawState) {
    if (Column->FieldName() == "Id") ids_by_row[static_cast<int>(ids_by_row.size())] = Column->Field()->AsInteger();
  };
  Paint();
  ASSERT_FALSE(ids_by_row.empty());
  EXPECT_EQ(ids_by_row[0], 100);
  EXPECT_EQ(ids_by_row[1], 101);
  EXPECT_EQ(Id(), 5);
  EXPECT_EQ(grid->Row(), 5);
  // The row of a record being edited shows the edit, the others their stored values.
  Scroll(win::SB_TOP);
  ds->Edit();
  ds->FieldByName("Id")->SetAsInteger(555);
  ids_by_row.clear();
  Paint();
  EXPECT_EQ(ids_by_row[4], 555);
  EXPECT_EQ(ids_by_row[3], 4);
  ds->Cancel();
}

TEST_F(GridRecordSet, ARecordBeingInsertedTakesTheRowsBackToTheBuffer) {
  Records(50);
  ds->Insert();
  Pump();
  EXPECT_FALSE(grid->RecordSetMode());
  EXPECT_NO_THROW(Paint());
  ds->FieldByName("Id")->SetAsInteger(51);
  ds->Post();
  Pump();
  EXPECT_TRUE(grid->RecordSetMode());
  EXPECT_EQ(grid->RowCount(), 1 + 51);
  EXPECT_NO_THROW(Paint());
}

TEST_F(GridRecordSet, SelectedRecordsOnScreenFormTheSelectionsRows) {
  Records(100);
  grid->SetOptions(grid->Options() + dgMultiSelect);
  ds->Locate("Id", 40, {});
  grid->SelectedRows()->SetCurrentRowSelected(true);
  ds->Locate("Id", 43, {});
  grid->SelectedRows()->SetCurrentRowSelected(true);
  Pump();
  const TGridRect r = grid->Selection()->SelectionToGridRect();
  EXPECT_EQ(r.Top, 40);
  EXPECT_EQ(r.Bottom, 43);
  Scroll(win::SB_TOP);
  EXPECT_EQ(grid->Selection()->SelectionToGridRect().Top, -1);  // not on screen
}

TEST_F(GridRecordSet, SelectingTheCurrentRecordRepaintsItsOwnRow) {
  Records(100);
  grid->SetOptions(grid->Options() + dgMultiSelect);
  ds->MoveBy(59);
  Paint();
  const int row = grid->Row();
  ASSERT_EQ(row, 60);
  // The record's place in the link's buffer names another grid row.
  ASSERT_NE(grid->DataLink()->ActiveRecord() + grid->TitleOffset(), row);
  const TRect name = Cell(2, row);  // not the current cell
  EXPECT_FALSE(Is(Pixel(name.Right - 3, name.Top + 2), clHighlight));
  grid->SelectedRows()->SetCurrentRowSelected(true);
  Pump();  // only what was invalidated paints
  EXPECT_TRUE(Is(Pixel(name.Right - 3, name.Top + 2), clHighlight));
}

}  // namespace
}  // namespace lab::gridtest
