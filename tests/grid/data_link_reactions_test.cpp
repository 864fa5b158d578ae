// What the grid does when its dataset scrolls, a record or field changes, components it refers to
// go away, the link opens and closes, and the form is scaled.

#include "grid_paint_fixture.h"

#include "grid/lookup_grid.h"
#include "platform/controls/menus.h"
#include "platform/db/field_kinds.h"
#include "platform/db/fields.h"
#include "platform/win/window_functions.h"

namespace lab::gridtest {
namespace {

class TScaleGrid : public TDBGridX {
 public:
  using TDBGridX::TDBGridX;
  using TDBGridX::ChangeScale;
  using TDBGridX::InvalidateSelRowIndicator;
  using TDBGridX::GridLineWidth;
};

class DataLinkReactions : public GridPaintTest {
 protected:
  void SetUp() override {
    GridPaintTest::SetUp();
    delete grid;
    sgrid = new TScaleGrid(form);
    grid = sgrid;
    grid->SetName("Grid1");
    grid->SetParent(form);
    grid->SetBounds(0, 0, 380, 260);
  }
  void Bind(int Records) {
    ds->Open();
    for (int i = 1; i <= Records; ++i) AddRow(i, ("n" + std::to_string(i)).c_str(), i % 2 == 0, "K0", i * 1.0);
    ds->First();
    grid->SetDataSource(source);
    for (const char* f : {"Id", "Name", "Price"}) grid->Columns()->Add()->SetFieldName(f);
  }
  TRect Update() {
    TRect r;
    if (!win::GetUpdateRect(grid->Handle(), &r, false)) return {};
    return r;
  }
  TScaleGrid* sgrid = nullptr;
};

TEST_F(DataLinkReactions, AOneRecordScrollMovesTheDataRowsAndLeavesTheFooters) {
  Bind(40);
  grid->SetFooterRowCount(1);
  Column(0)->Footer()->SetValueType(fvtCount);
  grid->SetFooterColor(clYellow);
  grid->SumList()->SetActive(true);
  Paint();
  const int shown = grid->DataLink()->RecordCount();
  ASSERT_GT(shown, 3);
  ds->MoveBy(shown - 1);  // the last row of the window
  Pump();
  const int step = grid->DefaultRowHeight() + sgrid->GridLineWidth();
  const TRect first = Cell(1, grid->TitleOffset());
  // The footer row with the filler row above it, and the line between them.
  const TRect footer{Cell(1, grid->RowCount() - 1).Left, Cell(1, grid->RowCount() - 2).Top,
                     Cell(1, grid->RowCount() - 1).Right, Cell(1, grid->RowCount() - 1).Bottom};
  // Each pixel row of a box, as one string.
  auto rows = [this](const TRect& r) {
    std::vector<std::string> out;
    for (int y = r.Top; y < r.Bottom; ++y) {
      std::string line;
      for (int x = r.Left; x < r.Right; ++x) line += std::to_string(Pixel(x, y)) + ",";
      out.push_back(line);
    }
    return out;
  };
  const TRect two_rows{first.Left, first.Top, first.Right, first.Top + 2 * step};
  const std::vector<std::string> data_before = rows(two_rows);
  const std::vector<std::string> footer_before = rows(footer);
  ASSERT_NE(data_before[0], data_before[step / 2]);  // the rows hold text

  grid->BeginUpdate();  // so the window shows what the scroll did before any repaint
  ds->Next();
  // The data rows moved up by one row and its line; the footer row did not move.
  const std::vector<std::string> data_after = rows(two_rows);
  for (int y = 0; y < step; ++y) EXPECT_EQ(data_after[y], data_before[step + y]) << y;
  EXPECT_EQ(rows(footer), footer_before);
  // Nothing of the footer came up into the data rows.
  const TRect data{first.Left, first.Top, first.Right, Cell(1, grid->RowCount() - 2).Top};
  EXPECT_EQ(Count(data, clYellow), 0);
  EXPECT_GT(Count(Cell(1, grid->RowCount() - 1), clYellow), 0);
  // Only the rows at the bottom wait to be painted, not the whole grid.
  EXPECT_GT(Update().Top, first.Top + step);
  grid->EndUpdate();
  Pump();
  EXPECT_EQ(grid->Row(), grid->TitleOffset() + shown - 1);
}

TEST_F(DataLinkReactions, ScrollingFurtherThanTheRowsShownRepaintsTheWholeGrid) {
  Bind(60);
  Paint();
  const int shown = grid->GetVisibleDataRowCount();
  grid->BeginUpdate();
  ds->MoveBy(shown * 3);
  const TRect update = Update();
  EXPECT_EQ(update.Top, 0);
  EXPECT_EQ(update.Left, 0);
  EXPECT_EQ(update.Bottom, grid->ClientHeight());
  grid->EndUpdate();
}

TEST_F(DataLinkReactions, ScalingScalesOwnFontsAndWidthsThatAddUp) {
  Bind(3);
  grid->SetParentFont(false);
  grid->Font()->SetSize(9);
  grid->TitleFont()->SetSize(10);
  grid->FooterFont()->SetSize(12);
  for (int i = 0; i < 3; ++i) Column(i)->SetWidth(10);
  Column(0)->Font()->SetSize(6);
  Column(1)->Footer()->Font()->SetSize(30);
  const int plain_title = Column(2)->Title()->Font()->Size();
  sgrid->ChangeScale(4, 3);
  EXPECT_EQ(Column(0)->Width(), 13);
  EXPECT_EQ(Column(1)->Width(), 14);
  EXPECT_EQ(Column(2)->Width(), 13);
  EXPECT_EQ(Column(0)->Font()->Size(), 8);
  EXPECT_EQ(Column(1)->Footer()->Font()->Size(), 40);
  // The title font is taken from the grid font, as it was before the grid font scaled.
  EXPECT_EQ(grid->TitleFont()->Size(), 12);
  EXPECT_EQ(grid->FooterFont()->Size(), 16);
  EXPECT_EQ(grid->Font()->Size(), 12);
  EXPECT_FALSE(Column(2)->Assigned(cvFont));
  EXPECT_NE(plain_title, 0);

  // By two and back.
  sgrid->ChangeScale(2, 1);
  EXPECT_EQ(Column(0)->Width(), 26);
  EXPECT_EQ(Column(1)->Width(), 28);
  sgrid->ChangeScale(1, 2);
  EXPECT_EQ(Column(0)->Width(), 13);
  EXPECT_EQ(Column(1)->Width(), 14);
  EXPECT_EQ(Column(2)->Width(), 13);
  EXPECT_EQ(Column(0)->Font()->Size(), 8);
  // No scale at all changes nothing.
  sgrid->ChangeScale(5, 5);
  sgrid->ChangeScale(5, 0);
  EXPECT_EQ(Column(2)->Width(), 13);
}

// Its width is read before its font scales, or it would scale with the font and again by itself.
TEST_F(DataLinkReactions, AWidthThatFollowsTheColumnsOwnFontScalesOnce) {
  Bind(3);
  Column(1)->Font()->SetSize(10);
  ASSERT_FALSE(Column(1)->Assigned(cvWidth));
  const int before = Column(1)->Width();
  sgrid->ChangeScale(2, 1);
  EXPECT_EQ(Column(1)->Font()->Size(), 20);
  EXPECT_EQ(Column(1)->Width(), 2 * before);
}

TEST_F(DataLinkReactions, ComponentsThatGoLeaveNoReferenceBehind) {
  Bind(3);
  auto* menu = new TPopupMenu(form);
  auto* images = new TImageList(form);
  Column(0)->SetPopupMenu(menu);
  Column(1)->SetImageList(images);
  grid->SetTitleImages(images);
  delete menu;
  delete images;
  EXPECT_EQ(Column(0)->PopupMenu(), nullptr);
  EXPECT_EQ(Column(1)->ImageList(), nullptr);
  EXPECT_EQ(grid->TitleImages(), nullptr);
  // Fields that go with their closing dataset: the columns forget them, and find the new ones.
  TField* price = ds->FieldByName("Price");
  ASSERT_EQ(Column(2)->GetField(), price);
  ds->Close();
  EXPECT_EQ(Column(2)->GetField(), nullptr);
  EXPECT_FALSE(grid->DataLink()->Active());
  ds->Open();
  EXPECT_EQ(Column(2)->GetField(), ds->FieldByName("Price"));
  EXPECT_TRUE(grid->DataLink()->Active());
  // The dataset itself goes: the link closes and the sum list lets go of it.
  Column(0)->Footer()->SetValueType(fvtSum);
  grid->SumList()->SetActive(true);
  delete ds;
  ds = nullptr;
  EXPECT_FALSE(grid->DataLink()->Active());
  EXPECT_EQ(grid->SumList()->DataSet(), nullptr);
  EXPECT_EQ(Column(2)->GetField(), nullptr);
  Paint();
}

TEST_F(DataLinkReactions, AChangedFieldRepaintsItsCellsInTheCurrentRow) {
  Bind(5);
  Paint();
  ds->Edit();
  ds->FieldByName("Name")->SetAsString("changed");
  const TRect update = Update();
  const TRect cell = Cell(2, grid->Row());
  EXPECT_LE(update.Top, cell.Top);
  EXPECT_GE(update.Bottom, cell.Bottom);
  // The indicator shows the editing state.
  Pump();
  ds->Cancel();
  Pump();
  sgrid->InvalidateSelRowIndicator();
  const TRect indicator = Cell(0, grid->SelRow());
  const TRect shown = Update();
  EXPECT_EQ(shown.Left, indicator.Left);
  EXPECT_EQ(shown.Top, indicator.Top - 1);  // with the row line above it
}

TEST_F(DataLinkReactions, AnotherDataSourceStartsWithoutSelection) {
  Bind(5);
  TMemDataSet other(nullptr);
  other.FieldDefs().Add("Id", ftInteger);
  other.Open();
  TDataSource other_source(nullptr);
  other_source.SetDataSet(&other);
  grid->Selection()->SelectAll();
  ASSERT_EQ(grid->Selection()->SelectionType(), gstAll);
  grid->SetDataSource(&other_source);
  EXPECT_EQ(grid->Selection()->SelectionType(), gstNon);
  grid->SetDataSource(nullptr);
}

// Over an in-memory dataset without footers every record is a row: that holds from the moment
// the link opens, even while an update keeps the layout back.
TEST_F(DataLinkReactions, RecordsAreRowsAsSoonAsTheLinkOpensInsideAnUpdate) {
  ds->Open();
  for (int i = 1; i <= 30; ++i) AddRow(i, "n", false, "K0", 1.0);
  ds->First();
  grid->BeginUpdate();
  grid->SetDataSource(source);
  EXPECT_EQ(grid->RowCount(), 1 + 30);
  grid->EndUpdate();
  // Closed, the rows are one empty row again.
  ds->Close();
  EXPECT_EQ(grid->RowCount(), 2);
  Paint();
}

TEST_F(DataLinkReactions, SmallTests) {
  EXPECT_TRUE(TCustomDBGridX::PointInGridRect({2, 3}, TGridRect{2, 3, 4, 5}));
  EXPECT_TRUE(TCustomDBGridX::PointInGridRect({4, 5}, TGridRect{2, 3, 4, 5}));
  EXPECT_FALSE(TCustomDBGridX::PointInGridRect({5, 5}, TGridRect{2, 3, 4, 5}));
  EXPECT_FALSE(TCustomDBGridX::PointInGridRect({4, 2}, TGridRect{2, 3, 4, 5}));
  Bind(2);
  EXPECT_FALSE(grid->AnyColumnHidesDuplicates());
  Column(1)->SetHideDuplicates(true);
  EXPECT_TRUE(grid->AnyColumnHidesDuplicates());
  TField* code = ds->FieldByName("Code");
  EXPECT_FALSE(TCustomDBGridX::FieldIsReadOnly(code));
  code->SetReadOnly(true);
  EXPECT_TRUE(TCustomDBGridX::FieldIsReadOnly(code));
  EXPECT_TRUE(TCustomDBGridX::FieldIsReadOnly(nullptr));
}

// A lookup field is read-only when it has no key fields, or when every key field is.
TEST(FieldIsReadOnly, LookupFieldsFollowTheirKeyFields) {
  TMemDataSet list(nullptr);
  list.FieldDefs().Add("K", ftInteger);
  list.FieldDefs().Add("T", ftString, 5);
  TMemDataSet people(nullptr);
  people.FieldDefs().Add("A", ftInteger);
  people.FieldDefs().Add("B", ftInteger);
  auto* a = CreateFieldOfType(ftInteger, &people, "A");
  a->SetDataSet(&people);
  auto* b = CreateFieldOfType(ftInteger, &people, "B");
  b->SetDataSet(&people);
  auto* look = new TStringField(&people);
  look->SetFieldName("L");
  look->SetLookup(true);
  look->SetDataSet(&people);
  EXPECT_FALSE(TCustomDBGridX::FieldIsReadOnly(look));  // no lookup dataset yet
  look->SetLookupDataSet(&list);
  EXPECT_TRUE(TCustomDBGridX::FieldIsReadOnly(look));  // no key fields
  look->SetKeyFields("A;B");
  EXPECT_FALSE(TCustomDBGridX::FieldIsReadOnly(look));
  a->SetReadOnly(true);
  EXPECT_FALSE(TCustomDBGridX::FieldIsReadOnly(look));
  b->SetReadOnly(true);
  EXPECT_TRUE(TCustomDBGridX::FieldIsReadOnly(look));
}

}  // namespace
}  // namespace lab::gridtest
