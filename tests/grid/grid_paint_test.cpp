// The painted grid: lines, titles with sort markers and bands, data cells by kind (text, check
// boxes, images), highlight colours with and without focus, alternating row colours, the
// indicator, footers and frozen columns; and painting that fails or has nothing to show.

#include "grid_paint_fixture.h"

#include <stdexcept>

#include "grid/grid_unit.h"
#include "platform/controls/edit.h"
#include "platform/db/fields.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/image_list.h"

namespace lab::gridtest {
namespace {

class GridPaint : public GridPaintTest {
 protected:
  void Bind(std::initializer_list<const char*> fields = {"Id", "Name", "Done", "Code", "Price"}) {
    grid->SetDataSource(source);
    for (const char* f : fields) grid->Columns()->Add()->SetFieldName(f);
    OpenWithRows();
  }
  TColumnX* ColumnOf(const char* field) {
    for (int i = 0; i < grid->Columns()->Count(); ++i)
      if (grid->Columns()->GetColumn(i)->FieldName() == field) return grid->Columns()->GetColumn(i);
    return nullptr;
  }
  // The grid column of a data column.
  int RawCol(TColumnX* c) { return c->Index() + grid->IndicatorOffset(); }
  // Pixels in R that differ from the cell's background colour (text, images, marks).
  int Ink(const TRect& r, TColor background) { return CountOther(r, background); }
};

TEST_F(GridPaint, LinesTitlesAndCellsFillTheClientArea) {
  Bind();
  for (int i = 0; i < 5; ++i) grid->Columns()->GetColumn(i)->SetWidth(50);
  Paint();
  const TRect title = Cell(1, 0);
  const TRect data = Cell(1, 1);
  // Fixed lines are black, data lines silver, both after their cells.
  EXPECT_TRUE(Is(Pixel(title.Left + 3, title.Bottom), clBlack));
  EXPECT_TRUE(Is(Pixel(title.Right, title.Top + 3), clBlack));
  EXPECT_TRUE(Is(Pixel(data.Left + 3, data.Bottom), clSilver));
  EXPECT_TRUE(Is(Pixel(data.Right, data.Top + 3), clSilver));
  // A raised title: white inner edge at the top left, shadow at the bottom right.
  EXPECT_TRUE(Is(Pixel(title.Left + 3, title.Top), clBtnHighlight));
  EXPECT_TRUE(Is(Pixel(title.Left + 3, title.Bottom - 1), clBtnShadow));
  EXPECT_TRUE(Is(Pixel(title.Left + 3, title.Top + 2), clBtnFace));
  // Right of the last column and below the last row: the grid's colour.
  TGridDrawInfoX di;
  grid->CalcDrawInfo(di);
  EXPECT_TRUE(Is(Pixel(di.Horz.GridBoundary + 2, 5), grid->Color()));
  EXPECT_TRUE(Is(Pixel(5, di.Vert.GridBoundary + 2), grid->Color()));
  // A title row taller than the data rows: its line still runs under it over the scrolling
  // columns, not a data row's height down.
  grid->SetTitleLines(2);
  Paint();
  const TRect tall = Cell(2, 0);
  ASSERT_GT(tall.Height(), data.Height());
  EXPECT_TRUE(Is(Pixel(tall.Left + 3, tall.Bottom), clBlack));
  grid->SetTitleLines(0);
  // Without row lines there is no line under a data row.
  grid->SetOptions(grid->Options() - dgRowLines);
  Paint();
  const TRect d2 = Cell(3, 2);
  EXPECT_TRUE(Is(Pixel(d2.Left + 1, d2.Bottom), clWhite));
}

TEST_F(GridPaint, TitleImagesShowOnTheTitlesThatNameOne) {
  Bind({"Id", "Name"});
  auto* images = new TImageList(form, 8, 8);
  TBitmap red(8, 8);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(TRect{0, 0, 8, 8});
  images->Add(&red, nullptr);
  grid->SetTitleImages(images);
  for (int i = 0; i < 2; ++i) grid->Columns()->GetColumn(i)->SetWidth(60);
  grid->Columns()->GetColumn(0)->Title()->SetImageIndex(0);
  grid->Columns()->GetColumn(1)->Title()->SetImageIndex(-1);
  Paint();
  EXPECT_GT(Count(Cell(1, 0), clRed), 0);
  EXPECT_EQ(Count(Cell(2, 0), clRed), 0);
}

TEST_F(GridPaint, TextIsPlacedByTheColumnsAlignmentAndCutWithAnEllipsis) {
  Bind({"Name", "Price"});
  grid->Columns()->GetColumn(0)->SetWidth(120);
  grid->Columns()->GetColumn(1)->SetWidth(120);
  ds->First();
  Paint();
  // "three" on the left half of its cell, the price on the right half.
  const TRect name = Cell(1, 3);
  const TRect price = Cell(2, 3);
  const int half = name.Width() / 2;
  EXPECT_GT(Ink(TRect{name.Left, name.Top, name.Left + half, name.Bottom}, clWhite), 0);
  EXPECT_EQ(Ink(TRect{name.Left + half, name.Top, name.Right, name.Bottom}, clWhite), 0);
  EXPECT_EQ(Ink(TRect{price.Left, price.Top, price.Left + half, price.Bottom}, clWhite), 0);
  EXPECT_GT(Ink(TRect{price.Left + half, price.Top, price.Right, price.Bottom}, clWhite), 0);
  // A centred column.
  grid->Columns()->GetColumn(0)->SetAlignment(taCenter);
  Paint();
  EXPECT_EQ(Ink(TRect{name.Left, name.Top, name.Left + 30, name.Bottom}, clWhite), 0);
  EXPECT_EQ(Ink(TRect{name.Right - 30, name.Top, name.Right, name.Bottom}, clWhite), 0);
  EXPECT_GT(Ink(TRect{name.Left + 40, name.Top, name.Right - 40, name.Bottom}, clWhite), 0);
}

TEST_F(GridPaint, SortMarkersShowWithTheirNumbersWhenThereIsRoom) {
  Bind({"Id", "Name"});
  grid->Columns()->GetColumn(0)->SetWidth(80);
  grid->Columns()->GetColumn(1)->SetWidth(80);
  Paint();
  const TRect t = Cell(1, 0);
  const TRect strip{t.Right - 16, t.Top + 2, t.Right - 2, t.Bottom - 2};
  EXPECT_EQ(Ink(strip, clBtnFace), 0);
  grid->Columns()->GetColumn(0)->Title()->SetSortMarker(smDownX);
  Paint();
  const int one_marker = Ink(strip, clBtnFace);
  EXPECT_GT(one_marker, 0);
  // Two sorted columns: each title shows its place beside the marker.
  grid->SetOptionsX(grid->OptionsX() + dgxMultiSortMarking);
  grid->Columns()->GetColumn(1)->Title()->SetSortMarker(smUpX);
  Paint();
  const TRect wider{t.Right - 30, t.Top + 2, t.Right - 2, t.Bottom - 2};
  EXPECT_GT(Ink(wider, clBtnFace), one_marker);
  const TRect t2 = Cell(2, 0);
  EXPECT_GT(Ink(TRect{t2.Right - 30, t2.Top + 2, t2.Right - 2, t2.Bottom - 2}, clBtnFace), 0);
  // A column narrower than a marker shows only its number; narrower still, not even that.
  grid->Columns()->GetColumn(1)->Title()->SetCaption("");
  grid->Columns()->GetColumn(1)->SetWidth(12);
  Paint();
  const int number_only = Ink(InflateRect(Cell(2, 0), -2, -2), clBtnFace);
  EXPECT_GT(number_only, 0);
  grid->Columns()->GetColumn(1)->SetWidth(14);
  grid->Columns()->GetColumn(1)->Title()->SetSortMarker(smNoneX);
  grid->Columns()->GetColumn(1)->Title()->SetSortMarker(smUpX);
  Paint();
  EXPECT_GE(Ink(InflateRect(Cell(2, 0), -2, -2), clBtnFace), number_only);
  grid->Columns()->GetColumn(1)->SetWidth(3);
  Paint();
  EXPECT_EQ(Ink(InflateRect(Cell(2, 0), -1, -1), clBtnFace), 0);
}

TEST_F(GridPaint, CheckBoxesShowCheckedUncheckedAndGrayed) {
  Bind({"Done"});
  grid->Columns()->GetColumn(0)->SetWidth(40);
  Paint();
  ASSERT_EQ(grid->Columns()->GetColumn(0)->GetColumnType(), ctCheckboxes);
  auto middle = [&](int row) {
    const TRect r = Cell(1, row);
    return TRect{(r.Left + r.Right) / 2 - 2, (r.Top + r.Bottom) / 2 - 2, (r.Left + r.Right) / 2 + 3,
                 (r.Top + r.Bottom) / 2 + 3};
  };
  grid->SetFocus();
  ds->Last();  // the current cell's highlight stays off the first rows
  Paint();
  EXPECT_GT(Count(middle(1), clWindowText), 0);  // checked: a dark tick
  EXPECT_EQ(Count(middle(2), clWindow), 25);      // unchecked: white inside
  EXPECT_GT(Count(middle(3), clBtnFace), 0);      // grayed: the face colour and a grey tick
  EXPECT_EQ(Count(middle(3), clWindowText), 0);
}

TEST_F(GridPaint, AnImageColumnShowsTheImageOfItsValue) {
  Bind({"Id", "Name"});
  auto* images = new TImageList(form, 8, 8);
  for (TColor c : {clRed, clLime, clBlue, clYellow}) {
    TBitmap b(8, 8);
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(TRect{0, 0, 8, 8});
    images->Add(&b, nullptr);
  }
  TColumnX* id = grid->Columns()->GetColumn(0);
  id->SetImageList(images);
  id->SetWidth(30);
  ASSERT_EQ(id->GetColumnType(), ctKeyImageList);
  ds->Last();
  Paint();
  // Ids 1, 2, 3: images 1, 2, 3 in the middle of their cells.
  for (int row = 1; row <= 3; ++row) {
    const TRect r = Cell(1, row);
    const TColor colours[] = {clLime, clBlue, clYellow};
    EXPECT_TRUE(Is(Pixel((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2), colours[row - 1])) << row;
  }
  // Image and text side by side.
  id->SetShowImageAndText(true);
  Paint();
  const TRect r = Cell(1, 1);
  EXPECT_TRUE(Is(Pixel(r.Left + 4, (r.Top + r.Bottom) / 2), clLime));
  EXPECT_GT(Ink(TRect{r.Left + 14, r.Top, r.Right, r.Bottom}, clWhite), 0);
}

TEST_F(GridPaint, TheCurrentCellIsHighlightedFocusedOrNot) {
  Bind({"Id", "Name"});
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(0, 270, 100, 20);
  grid->Columns()->GetColumn(1)->SetWidth(100);
  Paint();
  grid->SetFocus();
  Pump();
  Paint();
  const TRect current = Cell(grid->Col(), grid->Row());
  EXPECT_TRUE(Is(Pixel(current.Left + 1, current.Bottom - 2), clHighlight));
  // Another cell of the row keeps the window colour.
  const int other = grid->Col() == 1 ? 2 : 1;
  EXPECT_TRUE(Is(Pixel(Cell(other, grid->Row()).Right - 2, current.Bottom - 2), clWhite));
  // Focus elsewhere: without dgAlwaysShowSelection no highlight, with it the shadow colour.
  edit->SetFocus();
  Pump();
  Paint();
  EXPECT_TRUE(Is(Pixel(current.Left + 1, current.Bottom - 2), clWhite));
  grid->SetOptions(grid->Options() + dgAlwaysShowSelection);
  Paint();
  EXPECT_TRUE(Is(Pixel(current.Left + 1, current.Bottom - 2), clBtnShadow));
  // Whole-row selection: every data cell of the current row.
  grid->SetOptions(grid->Options() + dgRowSelect);
  grid->SetFocus();
  Pump();
  Paint();
  EXPECT_TRUE(Is(Pixel(Cell(1, grid->Row()).Left + 1, current.Bottom - 2), clHighlight));
  EXPECT_TRUE(Is(Pixel(Cell(2, grid->Row()).Right - 2, current.Bottom - 2), clHighlight));
}

TEST_F(GridPaint, SelectedRowsGetOneFocusFrame) {
  Bind({"Id", "Name", "Code"});
  grid->SetOptions(grid->Options() + dgRowSelect);
  for (int i = 0; i < 3; ++i) grid->Columns()->GetColumn(i)->SetWidth(60);
  Paint();
  grid->SetFocus();
  Paint();
  // The dotted frame runs along the row's top edge across the cell boundaries; a frame drawn per
  // cell would cancel itself where the cells meet.
  const TRect a = Cell(1, 1), b = Cell(2, 1);
  int dots = 0;
  for (int x = a.Right - 4; x < b.Left + 4; ++x)
    if (!Is(Pixel(x, a.Top), clHighlight)) ++dots;
  EXPECT_GE(dots, 3);
  EXPECT_FALSE(Is(Pixel(Cell(1, 1).Left, Cell(1, 1).Top + 4), clHighlight) &&
               Is(Pixel(Cell(1, 1).Left, Cell(1, 1).Top + 5), clHighlight));
}

// A dataset that does not number its records.
class TUnnumbered : public TMemDataSet {
 public:
  using TMemDataSet::TMemDataSet;
  bool IsSequenced() const override { return false; }
};

TEST_F(GridPaint, RowColoursAlternateOnlyForNumberedRecords) {
  Bind({"Id"});
  grid->SetOddRowColor(clYellow);
  grid->SetEvenRowColor(clAqua);
  grid->Columns()->GetColumn(0)->SetWidth(60);
  ds->Last();
  Paint();
  EXPECT_TRUE(Is(Pixel(Cell(1, 1).Left + 3, Cell(1, 1).Top + 3), clYellow));  // record 1
  EXPECT_TRUE(Is(Pixel(Cell(1, 2).Left + 3, Cell(1, 2).Top + 3), clAqua));
  EXPECT_TRUE(Is(Pixel(Cell(1, 1).Left + 3, Cell(1, 1).Bottom - 2), clYellow));
  // A column of its own colour keeps it.
  grid->Columns()->GetColumn(0)->SetColor(clLime);
  Paint();
  EXPECT_TRUE(Is(Pixel(Cell(1, 2).Left + 3, Cell(1, 2).Top + 3), clLime));

  auto* plain = new TUnnumbered(form);
  plain->FieldDefs().Add("Id", ftInteger);
  plain->Open();
  for (int i = 0; i < 3; ++i) {
    plain->Append();
    plain->Fields()[0]->SetAsInteger(i);
    plain->Post();
  }
  source->SetDataSet(plain);
  grid->Columns()->GetColumn(0)->SetColor(grid->Color());
  plain->Last();
  Paint();
  EXPECT_TRUE(Is(Pixel(Cell(1, 1).Left + 3, Cell(1, 1).Top + 3), clWhite));
  EXPECT_TRUE(Is(Pixel(Cell(1, 2).Left + 3, Cell(1, 2).Top + 3), clWhite));
}

TEST_F(GridPaint, TheIndicatorShowsTheCurrentRecordAndItsState) {
  Bind({"Id"});
  Paint();
  auto ink = [&](int row) { return Ink(InflateRect(Cell(0, row), -1, -1), clBtnFace); };
  EXPECT_GT(ink(1), 0);
  EXPECT_EQ(ink(2), 0);
  EXPECT_EQ(grid->SelRow(), 1);
  const int arrow = ink(1);
  ds->Next();
  Paint();
  EXPECT_EQ(ink(1), 0);
  EXPECT_EQ(ink(2), arrow);
  EXPECT_EQ(grid->SelRow(), 2);
  ds->Edit();
  Paint();
  EXPECT_GT(ink(2), 0);
  EXPECT_NE(ink(2), arrow);  // the pencil
  ds->Cancel();
}

TEST_F(GridPaint, FootersStandAtTheBottomInTheirColourAndFrozenColumnsStay) {
  Bind();
  grid->SetFooterRowCount(1);
  grid->SetFooterColor(clYellow);
  Paint();
  const int last = grid->RowCount() - 1;
  const TRect footer = Cell(2, last);
  EXPECT_EQ(footer.Bottom, grid->ClientHeight() - 1);
  EXPECT_TRUE(Is(Pixel(footer.Left + 3, footer.Top + 3), clYellow));
  // A footer's own colour and its text.
  TColumnFooterX* count = grid->Columns()->GetColumn(1)->Footer();
  count->SetValueType(fvtStaticText);
  count->SetValue("Total");
  count->SetColor(clAqua);
  Paint();
  EXPECT_TRUE(Is(Pixel(footer.Left + 3, footer.Top + 3), clAqua));
  EXPECT_GT(Ink(InflateRect(footer, -1, -1), clAqua), 0);
  EXPECT_EQ(Ink(InflateRect(Cell(3, last), -1, -1), clYellow), 0);
  // The filler row keeps the grid's colour.
  const TRect filler = Cell(2, last - 1);
  EXPECT_TRUE(Is(Pixel(filler.Left + 3, filler.Top + 3), clWhite));

  // A frozen column does not scroll and is drawn as data, not as a fixed cell.
  grid->SetFrozenCols(1);
  for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->GetColumn(i)->SetWidth(120);
  ds->Last();
  Paint();
  const TRect frozen = Cell(1, 1);
  EXPECT_TRUE(Is(Pixel(frozen.Left + 2, frozen.Top + 2), clWhite));
  const int ink = Ink(InflateRect(frozen, -1, -1), clWhite);
  EXPECT_GT(ink, 0);
  grid->SetLeftCol(grid->FixedCols() + 1);
  Paint();
  EXPECT_EQ(Cell(1, 1), frozen);
  EXPECT_EQ(Ink(InflateRect(frozen, -1, -1), clWhite), ink);
}

TEST_F(GridPaint, ABandIsOneCellAboveItsColumns) {
  Bind({"Id", "Name", "Code"});
  grid->Columns()->GetColumn(0)->Title()->SetCaption("Band|Id");
  grid->Columns()->GetColumn(1)->Title()->SetCaption("Band|Name");
  grid->Columns()->GetColumn(2)->Title()->SetCaption("Code");
  for (int i = 0; i < 3; ++i) grid->Columns()->GetColumn(i)->SetWidth(70);
  grid->SetUseMultiTitle(true);
  Paint();
  const TRect id = Cell(1, 0), name = Cell(2, 0);
  THeadTreeNode* band = grid->TitleTree()->Child();
  const int strip_mid = id.Top + band->Height() / 2;
  const int leaf_mid = id.Bottom - 4;
  // No line between the two columns across the band's strip; one below it.
  EXPECT_FALSE(Is(Pixel(id.Right, strip_mid), clBlack));
  EXPECT_TRUE(Is(Pixel(id.Right, leaf_mid), clBlack));
  // The band's caption is centred across both columns: ink on both sides of their boundary.
  EXPECT_GT(Ink(TRect{id.Right - 12, id.Top + 2, id.Right, id.Top + band->Height() - 2}, clBtnFace) +
                Ink(TRect{name.Left, id.Top + 2, name.Left + 12, id.Top + band->Height() - 2}, clBtnFace),
            0);
  EXPECT_EQ(Ink(TRect{id.Left + 2, id.Top + 2, id.Left + 20, id.Top + band->Height() - 3}, clBtnFace), 0);
  EXPECT_TRUE(band->Drawn() == false);  // cleared at the end of the paint
}

TEST_F(GridPaint, AnEmptyDatasetAndOneRecordPaintWithoutError) {
  grid->SetDataSource(source);
  for (const char* f : {"Id", "Name", "Done"}) grid->Columns()->Add()->SetFieldName(f);
  ds->Open();
  EXPECT_NO_THROW(Paint());
  EXPECT_EQ(grid->RowCount(), 2);
  grid->SetFooterRowCount(2);
  EXPECT_NO_THROW(Paint());
  grid->SetFooterRowCount(0);
  AddRow(7, "seven", true, "S", 7.0);
  EXPECT_NO_THROW(Paint());
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_GT(Ink(InflateRect(Cell(2, 1), -1, -1), clWhite), 0);
  grid->SetDataSource(nullptr);
  EXPECT_NO_THROW(Paint());
}

TEST_F(GridPaint, AFailingCellEventLeavesTheActiveRecordWhereItWas) {
  Bind({"Id", "Name"});
  form->Show();
  Pump();
  ds->Next();
  const int active = grid->DataLink()->ActiveRecord();
  int calls = 0;
  grid->OnGetCellParams = [&](TObject*, TColumnX*, TFont*, TColor&, TGridDrawState) {
    if (++calls == 3) throw std::runtime_error("cell failed");
  };
  TBitmap target(400, 300);
  EXPECT_THROW(grid->PaintTo(target.Canvas()->Handle(), 0, 0), std::runtime_error);
  EXPECT_EQ(grid->DataLink()->ActiveRecord(), active);
  EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 2);
}

TEST_F(GridPaint, CellEventsMayChangeColoursAndDuplicatesHide) {
  Bind({"Code", "Name"});
  ds->First();
  ds->Edit();
  ds->FieldByName("Code")->SetAsString("zz");
  ds->Post();
  ds->Next();
  ds->Edit();
  ds->FieldByName("Code")->SetAsString("zz");
  ds->Post();
  ds->Last();
  grid->Columns()->GetColumn(1)->OnGetCellParams = [](TObject*, bool, TColCellParamsX* p) {
    if (p->Text == "two") p->Background = clRed;
  };
  grid->Columns()->GetColumn(0)->SetHideDuplicates(true);
  Paint();
  EXPECT_TRUE(Is(Pixel(Cell(2, 2).Right - 3, Cell(2, 2).Top + 3), clRed));
  // Rows 2 and 3 repeat row 1's code: empty cells without the line between them.
  EXPECT_GT(Ink(InflateRect(Cell(1, 1), -1, -1), clWhite), 0);
  EXPECT_EQ(Ink(InflateRect(Cell(1, 2), -1, -1), clWhite), 0);
  EXPECT_TRUE(Is(Pixel(Cell(1, 2).Left + 5, Cell(1, 2).Top - 1), clWhite));
  EXPECT_TRUE(Is(Pixel(Cell(2, 2).Left + 5, Cell(2, 2).Top - 1), clSilver));
}

}  // namespace
}  // namespace lab::gridtest
