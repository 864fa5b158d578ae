// The grid's layout: row and title heights from fonts and settings, frozen columns, footer rows
// standing at the bottom, rows that mirror the records, columns fitted to the width, the areas of
// a cell and which cells are raised.

#include "grid_paint_fixture.h"

#include "counted_dataset.h"

#include "platform/backend/headless.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"

namespace lab::gridtest {
namespace {

class GridLayout : public GridPaintTest {
 protected:
  // "Wg" in the grid's font, and the font's metrics.
  int TextHeight(TFont* f) {
    grid->Canvas()->SetFont(f);
    return grid->Canvas()->TextHeight("Wg");
  }
  win::TEXTMETRIC Metrics(TFont* f) { return f->Handle()->TextMetrics(); }
  void Bind(std::initializer_list<const char*> fields = {}) {
    grid->SetDataSource(source);
    for (const char* f : fields) grid->Columns()->Add()->SetFieldName(f);
    OpenWithRows();
  }
};

TEST_F(GridLayout, RowHeightFollowsTheFontWithItsMargin) {
  Bind();
  form->Show();
  const int t = TextHeight(grid->Font());
  EXPECT_EQ(grid->DefaultRowHeight(), t + 3 + 1);  // margin 3, a one-pixel row line
  grid->SetOptions(grid->Options() - dgRowLines);
  EXPECT_EQ(grid->DefaultRowHeight(), t + 3);
  grid->SetFlat(true);
  EXPECT_EQ(grid->DefaultRowHeight(), t + 1);
  grid->SetOptions(grid->Options() + dgRowLines);
  EXPECT_EQ(grid->DefaultRowHeight(), t + 2);
  // A larger font, a taller row.
  grid->Font()->SetHeight(-20);
  EXPECT_EQ(grid->DefaultRowHeight(), TextHeight(grid->Font()) + 2);
}

TEST_F(GridLayout, RowLinesAndRowHeightSetTheHeightInLines) {
  Bind();
  const win::TEXTMETRIC tm = Metrics(grid->Font());
  grid->SetRowLines(3);
  grid->SetRowHeight(5);
  EXPECT_EQ(grid->DefaultRowHeight(), (tm.tmHeight + tm.tmExternalLeading) * 3 + 5);
  EXPECT_TRUE(grid->MultiLineRows());
  grid->SetRowLines(-4);  // stored as 0
  EXPECT_EQ(grid->RowLines(), 0);
  EXPECT_EQ(grid->DefaultRowHeight(), 5);
  EXPECT_FALSE(grid->MultiLineRows());
}

TEST_F(GridLayout, FittingRowsToTextKeepsWholeLines) {
  Bind();
  const int t = TextHeight(grid->Font());
  grid->SetOptionsX(grid->OptionsX() + dgxFitRowHeightToText);
  grid->SetRowLines(2);
  EXPECT_EQ(grid->DefaultRowHeight(), 2 * t + 4);
  EXPECT_EQ(grid->RowLines(), 2);
  EXPECT_EQ(grid->RowHeight(), 4);  // the margin with the row line
  // A height of less than one line becomes one line.
  grid->SetRowLines(0);
  grid->SetRowHeight(4 + t / 3);
  EXPECT_EQ(grid->DefaultRowHeight(), t + 4);
  EXPECT_EQ(grid->RowLines(), 1);
  // A remainder of exactly half a line rounds down; one pixel more rounds up.
  const win::TEXTMETRIC tm = Metrics(grid->Font());
  const int line = tm.tmHeight + tm.tmExternalLeading;
  for (auto [extra, lines] : {std::pair{t / 2, 2}, std::pair{t / 2 + 1, 3}}) {
    grid->SetRowLines(1);
    ASSERT_EQ(grid->RowLines(), 1);
    grid->SetRowHeight(2 * t + extra + 4 - line);  // one line and this: two lines and the extra
    EXPECT_EQ(grid->RowLines(), lines) << extra;
    EXPECT_EQ(grid->DefaultRowHeight(), lines * t + 4) << extra;
  }
}

TEST_F(GridLayout, TitleRowFollowsTheTallestTitleFontOrItsSettings) {
  Bind();
  EXPECT_EQ(grid->RowHeights(0), TextHeight(grid->TitleFont()) + 4);
  grid->Columns()->Add()->SetFieldName("Id");
  grid->Columns()->Add()->SetFieldName("Name");
  grid->Columns()->GetColumn(1)->Title()->Font()->SetHeight(-24);
  EXPECT_EQ(grid->RowHeights(0), TextHeight(grid->Columns()->GetColumn(1)->Title()->Font()) + 4);
  grid->SetFlat(true);
  EXPECT_EQ(grid->RowHeights(0), TextHeight(grid->Columns()->GetColumn(1)->Title()->Font()) + 2);
  grid->SetFlat(false);
  grid->Columns()->GetColumn(1)->Title()->Font()->SetHeight(-11);
  // Two lines of title text with row lines: two line heights, the leading, 2 and the line.
  grid->SetTitleLines(2);
  const win::TEXTMETRIC tm = Metrics(grid->TitleFont());
  EXPECT_EQ(grid->RowHeights(0), 2 * tm.tmHeight + tm.tmExternalLeading + 3);
  grid->SetTitleHeight(7);
  EXPECT_EQ(grid->RowHeights(0), 2 * tm.tmHeight + tm.tmExternalLeading + 3 + 7);
  // The data rows keep their own height.
  EXPECT_EQ(grid->RowHeights(1), grid->DefaultRowHeight());
}

TEST_F(GridLayout, MultiLevelTitlesMakeTheTreeAndItsHeight) {
  grid->SetDataSource(source);
  for (const char* f : {"Id", "Name", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(f);
  grid->Columns()->GetColumn(0)->Title()->SetCaption("A|B");
  grid->Columns()->GetColumn(1)->Title()->SetCaption("A|C");
  grid->Columns()->GetColumn(2)->Title()->SetCaption("D");
  grid->Columns()->GetColumn(3)->Title()->SetCaption("");
  OpenWithRows();
  grid->SetUseMultiTitle(true);
  THeadTreeNode* root = grid->TitleTree();
  ASSERT_EQ(grid->TitleLeaves().size(), 4u);
  THeadTreeNode* a = root->Child();
  EXPECT_EQ(a->Text(), "A");
  EXPECT_EQ(a->Child()->Text(), "B");
  EXPECT_EQ(a->Child()->Next()->Text(), "C");
  EXPECT_EQ(a->Next()->Text(), "D");
  EXPECT_EQ(grid->TitleLeaves()[1].Leaf->Host(), a);
  EXPECT_EQ(grid->TitleLeaves()[2].Column, grid->Columns()->GetColumn(2));
  // The band is as wide as its columns and the line between them.
  EXPECT_EQ(a->Width(), grid->Columns()->GetColumn(0)->Width() + 1 + grid->Columns()->GetColumn(1)->Width());
  // One line of caption with the margin per level: the leaves under A end where D ends.
  const int line = TextHeight(grid->TitleFont());
  const int level = line + grid->VTitleMargin();
  EXPECT_EQ(root->Height(), 2 * level);
  EXPECT_EQ(a->Height(), level);
  EXPECT_EQ(a->Child()->Height(), level);
  EXPECT_EQ(a->Next()->Height(), 2 * level);
  // An empty caption measures as one line.
  EXPECT_EQ(grid->TitleLeaves()[3].Leaf->Height(), 2 * level);
  EXPECT_EQ(grid->RowHeights(0), 2 * level - 1);  // less 1 with raised fixed cells
  grid->SetOptionsX(grid->OptionsX() - dgxFixed3D);
  EXPECT_EQ(grid->RowHeights(0), 2 * level - 3);
}

TEST_F(GridLayout, ASortMarkerWrapsItsCaptionEarlierAndAHiddenColumnAddsNoWidth) {
  grid->SetDataSource(source);
  for (const char* f : {"Id", "Name", "Code"}) grid->Columns()->Add()->SetFieldName(f);
  TColumnX* c = grid->Columns()->GetColumn(0);
  c->Title()->SetCaption("Band|Wide words here");
  grid->Columns()->GetColumn(1)->Title()->SetCaption("Band|x");
  grid->Columns()->GetColumn(2)->Title()->SetCaption("Band|y");
  grid->Columns()->GetColumn(2)->SetVisible(false);
  grid->Canvas()->SetFont(grid->TitleFont());
  const int words = grid->Canvas()->TextWidth("Wide words here");
  c->SetWidth(words + 4 + 8);  // the caption just fits on one line
  OpenWithRows();
  grid->SetUseMultiTitle(true);
  THeadTreeNode* leaf = grid->TitleLeaves()[0].Leaf;
  const int one_line = leaf->Height();
  c->Title()->SetSortMarker(smDownX);
  leaf = grid->TitleLeaves()[0].Leaf;
  EXPECT_EQ(leaf->MarkerRoom(), 16);
  EXPECT_GT(leaf->Height(), one_line);
  EXPECT_EQ(grid->TitleLeaves()[2].Leaf->Width(), -1);
  EXPECT_EQ(grid->TitleTree()->Child()->Width(), c->Width() + 1 + grid->Columns()->GetColumn(1)->Width());
}

TEST_F(GridLayout, FrozenColumnsCountVisibleColumnsAndFixTheHiddenOnes) {
  grid->SetDataSource(source);
  for (const char* f : {"Id", "Name", "Done", "Code", "Price"}) grid->Columns()->Add()->SetFieldName(f);
  OpenWithRows();
  grid->SetFrozenCols(2);
  EXPECT_EQ(grid->FixedCols(), 3);  // the indicator and two columns
  grid->Columns()->GetColumn(1)->SetVisible(false);
  EXPECT_EQ(grid->FixedCols(), 4);  // the hidden one is fixed as well
  grid->Columns()->GetColumn(3)->SetVisible(false);
  EXPECT_EQ(grid->FixedCols(), 5);  // and one hidden right after the last frozen one
  grid->SetFrozenCols(-1);
  EXPECT_EQ(grid->FrozenCols(), 2);
  // More frozen columns than there are: every column but one scrolling column is fixed.
  grid->SetFrozenCols(9);
  EXPECT_EQ(grid->FixedCols(), grid->ColCount() - 1);
  grid->SetOptions(grid->Options() - dgIndicator);
  grid->SetFrozenCols(0);
  EXPECT_EQ(grid->FixedCols(), 0);
}

TEST_F(GridLayout, RowsMirrorTheRecordsAndFootersStandAtTheBottom) {
  Bind();
  form->Show();
  Pump();
  EXPECT_EQ(grid->RowCount(), 1 + 3);
  EXPECT_EQ(grid->FixedRows(), 1);
  EXPECT_EQ(grid->Row(), 1);
  ds->Last();
  EXPECT_EQ(grid->Row(), 3);
  grid->SetFooterRowCount(2);
  EXPECT_EQ(grid->RowCount(), 1 + 3 + 1 + 2);
  const int step = grid->DefaultRowHeight() + 1;
  // The filler row takes the free height, so the footers end at the bottom.
  TGridDrawInfoX di;
  grid->CalcDrawInfo(di);
  EXPECT_EQ(di.Vert.GridBoundary, grid->ClientHeight());
  EXPECT_EQ(di.FooterExtent, 2 * step);
  EXPECT_EQ(grid->RowHeights(4), grid->ClientHeight() - (grid->RowHeights(0) + 1) - 2 * step - 1 - 3 * step);
  EXPECT_EQ(Cell(1, 6).Bottom, grid->ClientHeight() - 1);
  grid->SetFooterRowCount(-1);
  EXPECT_EQ(grid->FooterRowCount(), 2);
}

TEST_F(GridLayout, FootersStandAtTheBottomOfAWindowWhoseScrollBarsCameWithIt) {
  // Wide columns need the horizontal bar, the counted records the vertical one: both arrive
  // while the window is made, and the rows fit what is left.
  auto* counted = new TCountedDataSet(form, 500);
  source->SetDataSet(counted);
  counted->Open();
  for (int i = 0; i < 6; ++i) {
    TColumnX* c = grid->Columns()->Add();
    c->SetFieldName("N");
    c->SetWidth(90);
  }
  grid->SetFooterRowCount(1);
  grid->SetAlign(alClient);
  grid->SetDataSource(source);
  form->Show();
  Pump();
  EXPECT_NE(wm::GetWindowLongPtr(grid->Handle(), win::GWL_STYLE) & win::WS_HSCROLL, 0);
  EXPECT_NE(wm::GetWindowLongPtr(grid->Handle(), win::GWL_STYLE) & win::WS_VSCROLL, 0);
  EXPECT_EQ(Cell(1, grid->RowCount() - 1).Bottom, grid->ClientHeight() - 1);
}

TEST_F(GridLayout, NoEmptyRowStandsAboveTheFootersWhileRecordsFollow) {
  // The job browser's rows: two levels of bold titles, the filter row, a footer row, records of
  // 17 pixels and a line. Its grid is 564, 568 and 576 pixels high in windows of 596, 600 and 608.
  grid->SetDataSource(source);
  ds->Open();
  ds->DisableControls();
  for (int i = 1; i <= 100; ++i) AddRow(i, "n", true, "c", 1.0 * i);
  ds->EnableControls();
  grid->SetUseMultiTitle(true);
  grid->TitleFont()->SetStyle({fsBold});
  for (const char* caption : {"Right|Sphere", "Right|Axis"}) grid->Columns()->Add()->Title()->SetCaption(caption);
  grid->STFilter()->SetVisible(true);
  grid->SetFooterRowCount(1);
  form->Show();
  Pump();
  ASSERT_EQ(grid->RowHeights(0), 45);
  ASSERT_EQ(grid->DefaultRowHeight(), 17);
  const struct {
    int Client, Records, Filler;
  } heights[] = {{564, 26, 13}, {567, 26, 16}, {568, 27, 0}, {569, 27, 0}, {576, 27, 7}};
  for (const auto& h : heights) {
    SCOPED_TRACE(h.Client);
    grid->SetBounds(0, 0, 380, h.Client + grid->Height() - grid->ClientHeight());
    Pump();
    ASSERT_EQ(grid->ClientHeight(), h.Client);
    const int filler = grid->RowCount() - 2;
    EXPECT_EQ(grid->DataLink()->RecordCount(), h.Records);
    EXPECT_EQ(grid->RowHeights(filler), h.Filler);
    // The footer row stands at the bottom, its line below the last pixel at most.
    EXPECT_GE(Cell(1, filler + 1).Bottom, h.Client - 1);
    EXPECT_LE(Cell(1, filler + 1).Bottom, h.Client);
  }
}

TEST_F(GridLayout, AnEmptyOrClosedDatasetShowsOneEmptyRow) {
  grid->SetDataSource(source);
  form->Show();
  Pump();
  EXPECT_EQ(grid->RowCount(), 2);
  ds->Open();
  EXPECT_EQ(grid->RowCount(), 2);
  grid->SetFooterRowCount(1);
  EXPECT_EQ(grid->RowCount(), 4);
  EXPECT_EQ(grid->RowHeights(2), grid->ClientHeight() - (grid->RowHeights(0) + 1) - 2 * (grid->DefaultRowHeight() + 1) - 1);
}

TEST_F(GridLayout, TheBufferHoldsAsManyRecordsAsRowsFit) {
  // A dataset that cannot read its records in place: the rows mirror the link's buffer.
  auto* counted = new TCountedDataSet(form, 100);
  source->SetDataSet(counted);
  grid->SetDataSource(source);
  counted->Open();
  form->Show();
  Pump();
  EXPECT_FALSE(grid->RecordSetMode());
  const int step = grid->DefaultRowHeight() + 1;
  const int rows = (grid->ClientHeight() - (grid->RowHeights(0) + 1)) / step;
  EXPECT_EQ(grid->DataLink()->BufferCount(), rows);
  EXPECT_EQ(grid->RowCount(), 1 + rows);
}

TEST_F(GridLayout, AutoFitSharesTheWidthAndTheLastFreeColumnTakesTheRest) {
  grid->SetDataSource(source);
  for (const char* f : {"Id", "Name", "Code"}) grid->Columns()->Add()->SetFieldName(f);
  for (int i = 0; i < 3; ++i) grid->Columns()->GetColumn(i)->SetWidth(50);
  OpenWithRows();
  form->Show();
  Pump();
  grid->SetAutoFitColWidths(true);
  Pump();
  auto total = [&] {
    int sum = grid->ColWidths(0) + 1;  // the indicator and its line
    for (int i = 0; i < 3; ++i) sum += grid->Columns()->GetColumn(i)->Width() + 1;
    return sum;
  };
  EXPECT_EQ(total(), grid->ClientWidth());
  // One column held back by its limit: the others share the rest.
  grid->Columns()->GetColumn(0)->SetMaxWidth(60);
  Pump();
  EXPECT_EQ(grid->Columns()->GetColumn(0)->Width(), 60);
  EXPECT_EQ(total(), grid->ClientWidth());
  EXPECT_NEAR(grid->Columns()->GetColumn(1)->Width(), grid->Columns()->GetColumn(2)->Width(), 1);
  // Switching it off gives the columns their widths back.
  grid->SetAutoFitColWidths(false);
  EXPECT_EQ(grid->Columns()->GetColumn(1)->Width(), 50);
}

TEST_F(GridLayout, CellTypesNameTheAreaAndTheIndexWithin) {
  Bind();
  form->Show();
  Pump();
  grid->SetFooterRowCount(1);
  struct Case {
    bool filter_row;
    int col, row;
    TCellTypeX type;
  };
  for (const Case c : {Case{false, 0, 0, {caIndicator, caTitleRow, -1, 0}}, Case{false, 2, 0, {caDataCol, caTitleRow, 1, 0}},
                       Case{false, 1, 3, {caDataCol, caDataRow, 0, 2}}, Case{false, 1, 4, {caDataCol, caSpacerRow, 0, 0}},
                       Case{false, 1, 5, {caDataCol, caFooterRow, 0, 0}}, Case{true, 1, 1, {caDataCol, caFilterRow, 0, 0}},
                       Case{true, 1, 2, {caDataCol, caDataRow, 0, 0}}}) {
    grid->STFilter()->SetVisible(c.filter_row);
    EXPECT_EQ(grid->GetCellType(c.col, c.row), c.type) << c.col << "," << c.row;
  }
  grid->STFilter()->SetVisible(false);
  try {
    grid->GetCellType(1, 6);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Algorithm error in TCustomDBGridX.GetCellType");
  }
}

TEST_F(GridLayout, ARowSizedWithTheMouseSetsTheHeightOfEveryDataRow) {
  Bind();
  grid->SetRowSizingAllowed(true);
  form->Show();
  Pump();
  const TRect first = Cell(0, 1);
  // Drag the line under the first data row 9 pixels down, over the indicator column.
  headless::MouseDown(grid->Handle(), first.Left + 4, first.Bottom);
  headless::MoveMouse(grid->Handle(), first.Left + 4, first.Bottom + 9);
  headless::MouseUp(grid->Handle(), first.Left + 4, first.Bottom + 9);
  Pump();
  const int sized = first.Height() + 9;
  EXPECT_EQ(grid->RowLines(), 0);
  EXPECT_EQ(grid->RowHeight(), sized);
  EXPECT_EQ(grid->DefaultRowHeight(), sized);
  EXPECT_EQ(grid->RowHeights(3), sized);
  grid->SetRowSizingAllowed(false);
  headless::MouseDown(grid->Handle(), first.Left + 4, Cell(0, 1).Bottom);
  headless::MoveMouse(grid->Handle(), first.Left + 4, Cell(0, 1).Bottom + 9);
  headless::MouseUp(grid->Handle(), first.Left + 4, Cell(0, 1).Bottom + 9);
  Pump();
  EXPECT_EQ(grid->RowHeight(), sized);
}

TEST_F(GridLayout, EditButtonsTakeTheirWidthsAndAFlatGapOnce) {
  Bind({});
  TColumnX* code = Column(3);
  form->Show();
  const int bw = grid->EditButtonWidth();
  EXPECT_EQ(code->EditButtonsWidth(), 0);
  code->SetButtonStyle(cbsEllipsis);
  EXPECT_EQ(code->GetEditButtonKind(), ebkEllipsisX);
  EXPECT_EQ(code->EditButtonsWidth(), bw);
  TEditButtonX* extra = code->EditButtons()->Add();
  extra->SetWidth(20);
  TEditButtonX* hidden = code->EditButtons()->Add();
  hidden->SetVisible(false);
  EXPECT_EQ(code->EditButtonsWidth(), bw + 20);
  grid->SetFlat(true);
  EXPECT_EQ(code->EditButtonsWidth(), grid->EditButtonWidth() + 1 + 20 + 1);
  code->SetButtonStyle(cbsNone);
  EXPECT_EQ(code->EditButtonsWidth(), 21);
  // A pick list drops down by itself.
  code->SetButtonStyle(cbsAuto);
  code->PickList()->Add("K0");
  EXPECT_EQ(code->GetEditButtonKind(), ebkPickListX);
}

class TExposedGrid : public TDBGridX {
 public:
  using TDBGridX::TDBGridX;
  using TCustomDBGridX::IsCell3D;
};

TEST_F(GridLayout, RaisedCellsFollowTheThreeDOptions) {
  delete grid;
  auto* g = new TExposedGrid(form);
  grid = g;
  g->SetParent(form);
  g->SetDataSource(source);
  OpenWithRows();
  form->Show();
  Pump();
  g->SetFooterRowCount(1);
  // Rows: title 0, data 1..3, spacer 4, footer 5.
  const TGridDrawState fixed{gdFixed};
  EXPECT_TRUE(g->IsCell3D(0, 0, fixed));
  EXPECT_TRUE(g->IsCell3D(0, 2, fixed));
  EXPECT_FALSE(g->IsCell3D(0, 4, fixed));  // the spacer's indicator
  EXPECT_FALSE(g->IsCell3D(1, 2, {}));
  EXPECT_FALSE(g->IsCell3D(1, 5, {}));
  g->SetOptionsX({dgxFooter3D});
  EXPECT_TRUE(g->IsCell3D(1, 5, {}));
  EXPECT_FALSE(g->IsCell3D(0, 0, fixed));
  g->SetOptionsX({dgxData3D});
  EXPECT_TRUE(g->IsCell3D(1, 2, {}));
  EXPECT_TRUE(g->IsCell3D(1, 4, {}));
  EXPECT_FALSE(g->IsCell3D(1, 5, {}));
  g->SetOptionsX({dgxFixed3D, dgxFrozen3D});
  EXPECT_TRUE(g->IsCell3D(0, 4, fixed));
  EXPECT_TRUE(g->IsCell3D(1, 2, fixed));  // a frozen data cell
}

}  // namespace
}  // namespace lab::gridtest
