// The grid's selection: the sorted bookmark list of selected records, rectangles and columns, one
// kind at a time, which cells each answers as selected, and how selected cells are painted.

#include "grid_paint_fixture.h"

#include "counted_dataset.h"

#include <random>
#include <set>

#include "platform/controls/clipboard.h"
#include "platform/controls/edit.h"
#include "platform/controls/input.h"
#include "platform/db/db_errors.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"

namespace lab::gridtest {
namespace {

class GridSelection : public GridPaintTest {
 protected:
  // N records with Id 1..N.
  void Rows(int n) {
    grid->SetDataSource(source);
    ds->Open();
    for (int i = 1; i <= n; ++i) AddRow(i, "r", true, "c", 1.0);
    ds->First();
  }
  TBookmark BookmarkOf(int id) {
    ds->Locate("Id", id, {});
    return ds->Bookmark();
  }
  // The ids of the selected records, in list order.
  std::vector<int> SelectedIds() {
    std::vector<int> ids;
    TBookmarkListX* list = grid->SelectedRows();
    const TBookmark here = ds->Bookmark();
    for (int i = 0; i < list->Count(); ++i) {
      ds->GotoBookmark(list->Items(i));
      ids.push_back(ds->FieldByName("Id")->AsInteger());
    }
    ds->GotoBookmark(here);
    return ids;
  }
  void Select(int id, bool on = true) {
    ds->Locate("Id", id, {});
    grid->SelectedRows()->SetCurrentRowSelected(on);
  }
};

TEST_F(GridSelection, SelectedRecordsStayInDatasetOrderAndUnique) {
  Rows(200);
  std::mt19937 random(7);
  std::set<int> model;
  for (int step = 0; step < 600; ++step) {
    const int id = 1 + static_cast<int>(random() % 200);
    const bool on = random() % 3 != 0;
    Select(id, on);
    if (on) model.insert(id);
    else model.erase(id);
    if (step % 50 == 0) {
      const std::vector<int> ids = SelectedIds();
      ASSERT_EQ(ids, std::vector<int>(model.begin(), model.end())) << step;
    }
  }
  EXPECT_EQ(SelectedIds(), std::vector<int>(model.begin(), model.end()));
  // Re-sorting the dataset the other way: still found by the dataset's comparison after a refresh
  // of the order is not promised, but each lookup of a listed record finds it.
  for (int id : model) {
    ds->Locate("Id", id, {});
    EXPECT_TRUE(grid->SelectedRows()->CurrentRowSelected()) << id;
  }
}

TEST_F(GridSelection, SelectingTwiceKeepsOneAndTheLastDeselectionEndsTheKind) {
  Rows(5);
  int changes = 0;
  grid->OnSelectionChanged = [&](TObject*) { ++changes; };
  Select(3);
  Select(3);
  EXPECT_EQ(grid->SelectedRows()->Count(), 1);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstRecordBookmarks);
  EXPECT_EQ(changes, 1);
  Select(3, false);
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  EXPECT_EQ(changes, 2);
}

TEST_F(GridSelection, TheCurrentRowOfAClosedLinkIsAnError) {
  grid->SetDataSource(source);
  try {
    grid->SelectedRows()->CurrentRow();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Cannot perform this operation on a closed dataset");
  }
}

TEST_F(GridSelection, DeletingTheSelectionDeletesTheRecordsLastFirst) {
  Rows(6);
  for (int id : {5, 2, 4}) Select(id);
  std::vector<int> deleted;
  ds->BeforeDelete = [&](TDataSet* d) { deleted.push_back(d->FieldByName("Id")->AsInteger()); };
  grid->SelectedRows()->Delete();
  EXPECT_EQ(deleted, (std::vector<int>{5, 4, 2}));
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  EXPECT_EQ(ds->RecordCount(), 3);
}

TEST_F(GridSelection, RecordsDeletedFromTheDatasetLeaveTheSelectionOnRefresh) {
  Rows(6);
  for (int id : {1, 3, 6}) Select(id);
  // With the controls disabled the grid hears of nothing: an explicit refresh takes the record out.
  ds->DisableControls();
  ds->Locate("Id", 3, {});
  ds->Delete();
  EXPECT_TRUE(grid->SelectedRows()->Refresh());
  EXPECT_EQ(SelectedIds(), (std::vector<int>{1, 6}));
  EXPECT_FALSE(grid->SelectedRows()->Refresh());
  ds->EnableControls();
  // Else the dataset's change does.
  ds->Locate("Id", 1, {});
  ds->Delete();
  EXPECT_EQ(SelectedIds(), (std::vector<int>{6}));
  ds->Locate("Id", 6, {});
  ds->Delete();
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
}

// A selected record deleted (a record that is gone sorts after every other), or the dataset sorted
// the other way, leaves the list out of the dataset's order: the next change of the dataset puts it
// right, so every selected record is still found.
TEST_F(GridSelection, SelectedRecordsAreFoundAfterADeleteOrASort) {
  Rows(8);
  for (int id : {2, 4, 5, 7}) Select(id);
  ds->Locate("Id", 4, {});
  ds->Delete();
  EXPECT_EQ(SelectedIds(), (std::vector<int>{2, 5, 7}));
  for (int id = 1; id <= 8; ++id) {
    if (id == 4) continue;
    ds->Locate("Id", id, {});
    EXPECT_EQ(grid->SelectedRows()->CurrentRowSelected(), id == 2 || id == 5 || id == 7) << id;
  }
  ds->SetSortFields("Id DESC");
  EXPECT_EQ(SelectedIds(), (std::vector<int>{7, 5, 2}));
  for (int id : {2, 5, 7}) {
    ds->Locate("Id", id, {});
    EXPECT_TRUE(grid->SelectedRows()->CurrentRowSelected()) << id;
  }
  // Filtered out, a record leaves the selection.
  ds->SetFilter("Id > 3");
  ds->SetFiltered(true);
  EXPECT_EQ(SelectedIds(), (std::vector<int>{7, 5}));
}

// Find tells where a record not selected would go: at Count past the last, at 0 before the first,
// in either order of the dataset; IndexOf tells where each selected one is.
TEST_F(GridSelection, FindTellsPlacesAtBothEndsInEitherOrder) {
  Rows(10);
  for (int id : {6, 4}) Select(id);
  TBookmarkListX* list = grid->SelectedRows();
  int index = -1;
  EXPECT_FALSE(list->Find(BookmarkOf(10), index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list->Find(BookmarkOf(1), index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(list->Find(BookmarkOf(5), index));
  EXPECT_EQ(index, 1);
  ds->Last();
  list->SetCurrentRowSelected(true);
  EXPECT_EQ(SelectedIds(), (std::vector<int>{4, 6, 10}));
  EXPECT_EQ(list->IndexOf(BookmarkOf(10)), 2);
  EXPECT_TRUE(list->Find(BookmarkOf(6), index));
  EXPECT_EQ(index, 1);
  ds->SetSortFields("Id DESC");
  EXPECT_EQ(SelectedIds(), (std::vector<int>{10, 6, 4}));
  EXPECT_EQ(list->IndexOf(BookmarkOf(10)), 0);
  EXPECT_EQ(list->IndexOf(BookmarkOf(4)), 2);
  EXPECT_FALSE(list->Find(BookmarkOf(1), index));
  EXPECT_EQ(index, 3);
  // Selected in the new order, at its end, then the last one taken out again.
  Select(1);
  EXPECT_EQ(SelectedIds(), (std::vector<int>{10, 6, 4, 1}));
  EXPECT_EQ(list->IndexOf(BookmarkOf(1)), 3);
  Select(1, false);
  EXPECT_EQ(SelectedIds(), (std::vector<int>{10, 6, 4}));
  ds->SetSortFields("");
  EXPECT_EQ(SelectedIds(), (std::vector<int>{4, 6, 10}));
  // A record gone is never found, and would go past every other.
  const TBookmark gone = BookmarkOf(8);
  ds->Delete();
  EXPECT_FALSE(list->Find(gone, index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(list->IndexOf(BookmarkOf(10)), 2);
}

// Every visible record's lookup against a model, through every kind of change of the dataset's
// order: records selected and deselected, sorted several ways and back, filtered (what the filter
// hides leaves the selection), deleted, added, and moved by an edit; some of it with the controls
// disabled, when the list hears of nothing until they are enabled again.
TEST_F(GridSelection, LookupsFollowEveryChangeOfTheDatasetsOrder) {
  grid->SetDataSource(source);
  ds->Open();
  std::mt19937 random(23);
  std::set<int> live, model;
  int next_id = 1;
  const auto add = [&] {
    AddRow(next_id, "r", true, "c", static_cast<double>(random() % 8));
    live.insert(next_id++);
  };
  for (int i = 0; i < 60; ++i) add();
  const auto current = [&] { return ds->FieldByName("Id")->AsInteger(); };
  // A record shown, picked at random; 0 when none shows.
  const auto pick = [&] {
    const int n = ds->RecordCount();
    if (n == 0) return 0;
    ds->SetRecNo(1 + static_cast<int>(random() % static_cast<unsigned>(n)));
    return current();
  };
  const auto check = [&](int step, bool whole) {
    std::vector<int> expected;
    for (ds->First(); !ds->Eof(); ds->Next()) {
      const bool selected = model.count(current()) > 0;
      ASSERT_EQ(grid->SelectedRows()->CurrentRowSelected(), selected) << "step " << step << ", id " << current();
      if (selected) expected.push_back(current());
    }
    if (whole) {
      ASSERT_EQ(SelectedIds(), expected) << "step " << step;
    }
  };
  const char* const sorts[] = {"", "Id DESC", "Price", "Price DESC; Id DESC"};
  TBookmarkListX* list = grid->SelectedRows();
  for (int step = 0; step < 400; ++step) {
    const unsigned what = random() % 16;
    if (what < 7) {
      // Select or deselect.
      if (const int id = pick()) {
        const bool on = random() % 4 != 0;
        list->SetCurrentRowSelected(on);
        if (on) model.insert(id);
        else model.erase(id);
      }
    } else if (what == 7) {
      ds->SetSortFields(sorts[random() % 4]);
    } else if (what == 8) {
      if (ds->Filtered()) {
        ds->SetFiltered(false);
      } else {
        const int above = static_cast<int>(random() % static_cast<unsigned>(next_id));
        ds->SetFilter("Id > " + std::to_string(above));
        ds->SetFiltered(true);
        for (int id : live)
          if (id <= above) model.erase(id);
      }
    } else if (what == 9) {
      if (const int id = pick()) {
        ds->Delete();
        live.erase(id);
        model.erase(id);
      }
    } else if (what == 10) {
      if (!ds->Filtered()) add();
    } else if (what == 11) {
      // An edit that moves the record when sorted by price.
      if (pick()) {
        ds->Edit();
        ds->FieldByName("Price")->SetAsFloat(static_cast<double>(random() % 8));
        ds->Post();
      }
    } else {
      // With the controls disabled: records added, records not selected deleted or moved, records
      // selected and deselected; the list keeps the others' order meanwhile.
      ds->DisableControls();
      for (int k = 0; k < 3; ++k) {
        const unsigned inner = random() % 4;
        const int id = pick();
        if (inner == 0 && !ds->Filtered()) {
          add();
        } else if (id && model.count(id) == 0 && inner == 1) {
          ds->Delete();
          live.erase(id);
        } else if (id && model.count(id) == 0 && inner == 2) {
          ds->Edit();
          ds->FieldByName("Price")->SetAsFloat(static_cast<double>(random() % 8));
          ds->Post();
        } else if (id) {
          list->SetCurrentRowSelected(inner == 3);
          if (inner == 3) model.insert(id);
          else model.erase(id);
        }
      }
      check(step, true);
      ds->EnableControls();
    }
    check(step, step % 10 == 0);
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(model.size(), 5u);
}

// A dataset that cannot order its bookmarks by key is searched by its comparison alone.
TEST_F(GridSelection, ADatasetWithoutBookmarkKeysIsSearchedByItsComparison) {
  auto* counted = new TCountedDataSet(form, 1000);
  source->SetDataSet(counted);
  grid->SetDataSource(source);
  counted->Open();
  ASSERT_EQ(counted->BookmarkOrderStamp(), 0u);
  TBookmarkListX* list = grid->SelectedRows();
  for (int n : {700, 3, 1000, 250}) {
    counted->SetRecNo(n);
    list->SetCurrentRowSelected(true);
  }
  counted->Last();
  EXPECT_TRUE(list->CurrentRowSelected());
  EXPECT_EQ(list->IndexOf(counted->Bookmark()), 3);
  counted->SetRecNo(250);
  EXPECT_EQ(list->IndexOf(counted->Bookmark()), 1);
  counted->SetRecNo(999);
  int index = -1;
  EXPECT_FALSE(list->Find(counted->Bookmark(), index));
  EXPECT_EQ(index, 3);
  EXPECT_FALSE(list->Refresh());
  EXPECT_EQ(list->Count(), 4);
}

TEST_F(GridSelection, ARectangleHasTheSameCornersWhicheverWayItWasDragged) {
  Rows(8);
  TDBGridXSelectionRect* rect = grid->Selection()->Rect();
  rect->Select(3, BookmarkOf(6), false);
  rect->Select(1, BookmarkOf(2), true);
  const TBookmark top = rect->TopRow(), bottom = rect->BottomRow();
  EXPECT_EQ(rect->LeftCol(), 1);
  EXPECT_EQ(rect->RightCol(), 3);
  rect->Select(1, BookmarkOf(2), false);
  rect->Select(3, BookmarkOf(6), true);
  EXPECT_EQ(rect->TopRow(), top);
  EXPECT_EQ(rect->BottomRow(), bottom);
  EXPECT_EQ(rect->LeftCol(), 1);
  EXPECT_EQ(rect->RightCol(), 3);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  ds->Close();
  try {
    rect->BottomRow();
    FAIL();
  } catch (const EInvalidGridOperation& e) {
    EXPECT_EQ(e.Message(), "Error in TDBGridXSelectionRect.GetBottomRow");
  }
  EXPECT_THROW(rect->CellSelected(1, top), EInvalidGridOperation);
}

class TSelectionGrid : public TDBGridX {
 public:
  using TDBGridX::TDBGridX;
  using TCustomDBGridX::IsCellSelected;
};

TEST_F(GridSelection, CellsAnswerAsTheirSelectionSays) {
  delete grid;
  auto* g = new TSelectionGrid(form);
  grid = g;
  g->SetParent(form);
  g->SetBounds(0, 0, 380, 260);
  for (const char* f : {"Id", "Name", "Done", "Code"}) grid->Columns()->Add()->SetFieldName(f);
  Rows(5);
  grid->SetFooterRowCount(1);
  form->Show();
  Pump();
  const int rows = grid->RowCount();  // title, five records, spacer, footer
  ASSERT_EQ(rows, 8);
  auto check = [&](auto model) {
    for (int row = 0; row < rows; ++row)
      for (int col = 0; col < grid->ColCount(); ++col) {
        const TCellTypeX type = grid->GetCellType(col, row);
        TBookmark b;
        if (type.RowArea == caDataRow) {
          grid->DataLink()->SetActiveRecord(type.DataRow);
          b = ds->Bookmark();
        }
        EXPECT_EQ(g->IsCellSelected(col, row, type.DataCol, b), model(col, row)) << col << "," << row;
      }
    grid->DataLink()->SetActiveRecord(0);
  };
  // A rectangle: data columns 1..2 (grid 2..3), records 2..4 (grid rows 2..4).
  grid->Selection()->Rect()->Select(2, BookmarkOf(4), false);
  grid->Selection()->Rect()->Select(1, BookmarkOf(2), true);
  ds->First();
  check([](int col, int row) { return col >= 2 && col <= 3 && row >= 2 && row <= 4; });
  // Columns: titles, data and footers of the selected columns, not their indicator.
  grid->Selection()->Columns()->Select(grid->Columns()->GetColumn(3), false);
  grid->Selection()->Columns()->Select(grid->Columns()->GetColumn(0), true);
  EXPECT_EQ(grid->Selection()->Rect()->AnchorCol(), -1);  // the rectangle went
  EXPECT_EQ(grid->Selection()->Columns()->GetColumn(0), grid->Columns()->GetColumn(0));  // column order
  check([](int col, int) { return col == 1 || col == 4; });
  // Records: the data cells and the indicator of each.
  Select(3);
  Select(5);
  ds->First();
  check([](int col, int row) { return (row == 3 || row == 5) && col >= 0; });
  grid->Selection()->SelectAll();
  check([](int, int) { return true; });
  grid->Selection()->Clear();
  check([](int, int) { return false; });
}

TEST_F(GridSelection, ColumnSelectionsInvertShiftAndRefresh) {
  for (const char* f : {"Id", "Name", "Done", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(f);
  Rows(3);
  TDBGridXSelectionCols* cols = grid->Selection()->Columns();
  TDBGridColumnsX* c = grid->Columns();
  cols->Select(c->GetColumn(1), false);
  cols->SelectShift(c->GetColumn(3));
  EXPECT_EQ(cols->Count(), 3);
  cols->InvertSelect(c->GetColumn(2));
  EXPECT_EQ(cols->Count(), 2);
  EXPECT_EQ(cols->GetColumn(1), c->GetColumn(3));
  c->Delete(3);  // the grid drops it from the selection itself
  EXPECT_EQ(cols->Count(), 1);
  cols->InvertSelect(c->GetColumn(1));
  EXPECT_EQ(cols->Count(), 0);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
}

// A column that leaves the grid leaves the column selection at once, without a refresh by hand:
// the selection's cells, the copy key and a focus change after it meet no freed column.
TEST_F(GridSelection, AColumnThatLeavesTheGridLeavesTheColumnSelection) {
  struct TCase {
    const char* Name;
    bool Persistent;
    std::vector<int> Selected;  // column indexes
    std::function<void()> Remove;
    int Left, Right;  // the grid columns left selected; -1 for none
    const char* Copied;
  };
  const TCase cases[] = {
      {"a persistent column deleted", true, {1, 3}, [&] { grid->Columns()->Delete(3); }, 2, 2, "r\r\nr\r\n"},
      {"the last default column, another field hidden", false, {1, 4},
       [&] { ds->FieldByName("Done")->SetVisible(false); }, 2, 2, "r\r\nr\r\n"},
      {"a default column given the next field", false, {2, 3},
       [&] { ds->FieldByName("Done")->SetVisible(false); }, -1, -1, "kept"},
      {"the only selected column's field hidden", false, {4},
       [&] { ds->FieldByName("Price")->SetVisible(false); }, -1, -1, "kept"},
  };
  grid->SetEditActions({geaCopyX});
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(0, 270, 50, 20);
  for (const TCase& t : cases) {
    SCOPED_TRACE(t.Name);
    ds->Close();
    for (TField* f : ds->Fields()) f->SetVisible(true);
    grid->Columns()->Clear();
    if (t.Persistent)
      for (const char* f : {"Id", "Name", "Done", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(f);
    Rows(2);
    form->Show();
    grid->SetFocus();
    Pump();
    for (int c : t.Selected) grid->Selection()->Columns()->Select(grid->Columns()->GetColumn(c), true);
    t.Remove();
    const TGridRect r = grid->Selection()->SelectionToGridRect();
    EXPECT_EQ(r.Left, t.Left);
    EXPECT_EQ(r.Right, t.Right);
    EXPECT_EQ(grid->Selection()->SelectionType(), t.Left < 0 ? gstNon : gstColumns);
    Clipboard()->SetAsText("kept");
    input::KeyDown(win::VK_CONTROL);
    input::KeyDown('C');
    input::KeyUp('C');
    input::KeyUp(win::VK_CONTROL);
    Pump();
    EXPECT_EQ(Clipboard()->AsText(), t.Copied);
    other->SetFocus();
    grid->SetFocus();
    Paint();
  }
}

TEST_F(GridSelection, AKindNoLongerAllowedIsClearedAndClosingClearsAll) {
  Rows(4);
  Select(2);
  grid->SetAllowedSelections({gstRectangle, gstColumns});
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  EXPECT_EQ(grid->SelectedRows()->Count(), 0);
  grid->Selection()->Rect()->Select(0, BookmarkOf(1), false);
  grid->SetAllowedSelections({gstRectangle});
  EXPECT_EQ(grid->Selection()->SelectionType(), gstRectangle);
  ds->Close();
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
}

// Each kind stays while AllowedSelections holds it, whatever else goes, and is cleared (its
// records or columns with it) when it is refused.
TEST_F(GridSelection, EachKindStaysWhileAllowedAndGoesWhenRefused) {
  for (const char* f : {"Id", "Name", "Code"}) grid->Columns()->Add()->SetFieldName(f);
  Rows(5);
  const TDBGridXAllowedSelections every{gstRecordBookmarks, gstRectangle, gstColumns, gstAll};
  for (TDBGridXSelectionType kind : {gstRecordBookmarks, gstRectangle, gstColumns, gstAll}) {
    grid->SetAllowedSelections(every);
    switch (kind) {
      case gstRecordBookmarks: Select(2); break;
      case gstRectangle: grid->Selection()->Rect()->Select(0, BookmarkOf(1), false); break;
      case gstColumns: grid->Selection()->Columns()->Select(grid->Columns()->GetColumn(1), false); break;
      default: grid->Selection()->SelectAll(); break;
    }
    ASSERT_EQ(grid->Selection()->SelectionType(), kind);
    grid->SetAllowedSelections({kind});
    EXPECT_EQ(grid->Selection()->SelectionType(), kind) << kind;
    grid->SetAllowedSelections(every - kind);
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon) << kind;
    EXPECT_EQ(grid->SelectedRows()->Count(), 0) << kind;
    EXPECT_EQ(grid->Selection()->Columns()->Count(), 0) << kind;
    EXPECT_EQ(grid->Selection()->SelectionToGridRect().Left, -1) << kind;
    // Nothing selected is cleared by any refusal.
    grid->SetAllowedSelections({});
    EXPECT_EQ(grid->Selection()->SelectionType(), gstNon) << kind;
  }
}

TEST_F(GridSelection, SelectedRecordsArePaintedInTheHighlightColours) {
  for (const char* f : {"Id", "Name"}) grid->Columns()->Add()->SetFieldName(f);
  Rows(4);
  grid->SetOptions(grid->Options() + dgMultiSelect);
  Paint();
  grid->SetFocus();
  Select(3);
  ds->First();
  Paint();
  const TRect selected = Cell(2, 3), plain = Cell(2, 2);
  EXPECT_TRUE(Is(Pixel(selected.Right - 3, selected.Top + 2), clHighlight));
  EXPECT_TRUE(Is(Pixel(plain.Right - 3, plain.Top + 2), clWhite));
  // The indicator of a selected record that is not current is drawn pressed and dark.
  const TRect indicator = Cell(0, 3);
  EXPECT_FALSE(Is(Pixel(indicator.Left + 3, indicator.Top + 3), clBtnFace));
  EXPECT_TRUE(Is(Pixel(Cell(0, 2).Left + 3, Cell(0, 2).Top + 3), clBtnFace));
  // Everything: the current row's indicator shows the arrow for the whole selection.
  grid->Selection()->SelectAll();
  Paint();
  EXPECT_TRUE(Is(Pixel(plain.Right - 3, plain.Top + 2), clHighlight));
}

// The fixed cells of a selection: a selected column's title and a selected record's indicator
// are dark grey with white text; a footer takes the highlight colour while the grid has the focus
// and the face colour without it.
TEST_F(GridSelection, SelectedTitlesIndicatorsAndFootersTakeTheirOwnColours) {
  for (const char* f : {"Id", "Name"}) grid->Columns()->Add()->SetFieldName(f);
  Column(1)->Title()->SetCaption("WWWW");
  grid->SetFooterRowCount(1);
  Rows(4);
  grid->SetOptions(grid->Options() + dgMultiSelect);
  auto* other = new TEdit(form);
  other->SetParent(form);
  other->SetBounds(0, 270, 50, 20);
  Paint();
  grid->SetFocus();
  const TColor dark = static_cast<TColor>(0x404040);
  // Indicator: a selected record that is not current.
  Select(3);
  ds->First();
  Paint();
  const TRect indicator = InflateRect(Cell(0, 3), -3, -3);
  EXPECT_GT(Count(indicator, dark), indicator.Width() * indicator.Height() / 2);
  // Title and footer of a selected column.
  grid->Selection()->Columns()->Select(Column(1), false);
  Paint();
  const TRect title = Cell(2, 0), footer = Cell(2, grid->RowCount() - 1);
  EXPECT_TRUE(Is(Pixel(title.Right - 3, title.Top + 3), dark));
  EXPECT_GT(Count(InflateRect(title, -2, -2), clWhite), 0);  // the caption
  EXPECT_TRUE(Is(Pixel(footer.Right - 3, footer.Top + 3), clHighlight));
  other->SetFocus();
  Paint();
  EXPECT_TRUE(Is(Pixel(footer.Right - 3, footer.Top + 3), clBtnFace));
  EXPECT_TRUE(Is(Pixel(title.Right - 3, title.Top + 3), dark));
}

}  // namespace
}  // namespace lab::gridtest
