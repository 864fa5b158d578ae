// Column footers: their fallbacks and storing, their binding to the grid's sum list, the footer
// texts of every value type, and aggregates that follow inserts, edits, deletes, filters and cancel.

#include "grid_fixture.h"

#include "grid/grid_unit.h"
#include "platform/backend/headless.h"
#include "platform/classes/form_text.h"
#include "platform/controls/dialogs.h"
#include "platform/rtl/scope_exit.h"
#include "platform/db/db_unit.h"

namespace lab::gridtest {
namespace {

// Opens the grid's footer text to the tests.
class TFooterGrid : public TDBGridX {
 public:
  using TDBGridX::TDBGridX;
  using TDBGridX::GetFooterValue;
};

class Footers : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    delete grid;
    fgrid = new TFooterGrid(form);
    grid = fgrid;
    grid->SetName("Grid1");
    grid->SetParent(form);
    grid->SetDataSource(source);
    OpenWithRows();  // prices 1.5, null, 2.0
    id = grid->Columns()->Add();
    id->SetFieldName("Id");
    price = grid->Columns()->Add();
    price->SetFieldName("Price");
    grid->SumList()->SetActive(true);
  }
  int Sums() { return grid->SumList()->SumCollection()->Count(); }
  std::string Text(TColumnX* c, int row = 0) { return fgrid->GetFooterValue(row, c); }

  TFooterGrid* fgrid = nullptr;
  TColumnX* id = nullptr;
  TColumnX* price = nullptr;
};

TEST_F(Footers, UnassignedSettingsFollowTheGridAndAreNotStored) {
  TColumnFooterX* f = price->Footer();
  grid->SetFooterColor(clYellow);
  EXPECT_EQ(f->Color(), clYellow);
  grid->FooterFont()->SetSize(15);
  EXPECT_EQ(f->Font()->Size(), 15);
  EXPECT_EQ(f->Alignment(), taRightJustify);  // the float field's
  EXPECT_FALSE(f->ToolTips());
  static_cast<TDBGridXColumnDefValuesX*>(grid->ColumnDefValues())->Footer()->SetToolTips(true);
  EXPECT_TRUE(f->ToolTips());
  EXPECT_TRUE(f->AssignedValues().Empty());

  // A footer font of its own no longer hears of the grid's.
  f->Font()->SetSize(9);
  EXPECT_TRUE(f->AssignedValues().Contains(cfvFont));
  grid->FooterFont()->SetSize(20);
  EXPECT_EQ(f->Font()->Size(), 9);
  // An assigned value equal to its fallback is not written; one that differs is.
  f->SetColor(clYellow);
  f->SetToolTips(false);
  UseUnit(DBGridXUnit);
  UseUnit(DBUnit);
  const std::string text = WriteFormText(form);
  EXPECT_EQ(text.find("Footer.Color"), std::string::npos) << text;
  EXPECT_NE(text.find("Footer.ToolTips = False"), std::string::npos) << text;
  EXPECT_NE(text.find("Footer.Font.Height"), std::string::npos) << text;
  f->RestoreDefaults();
  EXPECT_TRUE(f->AssignedValues().Empty());
  EXPECT_EQ(f->Font()->Size(), 20);
  EXPECT_TRUE(f->ToolTips());
}

// As with the title font: a footer font set on the grid is the grid's own choice of fonts.
TEST_F(Footers, AGridFooterFontOfItsOwnEndsTheParentFont) {
  grid->SetParentFont(true);
  grid->FooterFont()->SetStyle(TFontStyles{fsBold});
  EXPECT_FALSE(grid->ParentFont());
  EXPECT_TRUE(price->Footer()->Font()->Style().Contains(fsBold));
}

TEST_F(Footers, AFooterWithoutGridFallsBackToItsColumnAndPlainDefaults) {
  TDBGridColumnsX loose(nullptr, MetaClass<TDBGridColumnX>());
  TColumnX* c = static_cast<TColumnX*>(loose.Add());
  c->Font()->SetSize(13);
  EXPECT_EQ(c->Footer()->Font()->Size(), 13);
  EXPECT_EQ(c->Footer()->Color(), clWindow);
  EXPECT_EQ(c->Footer()->Alignment(), taLeftJustify);
  // No grid, no sum list: the type is kept, nothing is bound.
  c->Footer()->SetValueType(fvtSum);
  EXPECT_EQ(c->Footer()->DBSum(), nullptr);
}

TEST_F(Footers, AggregateFootersBindToTheSumList) {
  TColumnFooterX* f = price->Footer();
  f->SetValueType(fvtSum);
  ASSERT_EQ(Sums(), 1);
  ASSERT_TRUE(f->DBSum());
  // An empty FieldName sums the column's own field.
  EXPECT_EQ(f->DBSum()->FieldName(), "Price");
  EXPECT_EQ(Text(price), "3.5");
  f->SetValueType(fvtCount);
  EXPECT_EQ(Sums(), 1);
  EXPECT_EQ(f->DBSum()->GroupOperation(), goCount);
  EXPECT_EQ(f->DBSum()->FieldName(), "");
  EXPECT_EQ(Text(price), "3");
  f->SetValueType(fvtStaticText);
  EXPECT_EQ(Sums(), 0);
  EXPECT_EQ(f->DBSum(), nullptr);
  f->SetValue("Total");
  EXPECT_EQ(Text(price), "Total");
}

TEST_F(Footers, AFieldNameSetAfterTheTypeMovesTheAggregate) {
  TColumnFooterX* f = id->Footer();
  f->SetValueType(fvtSum);
  EXPECT_EQ(Text(id), "6");
  f->SetFieldName("Price");
  EXPECT_EQ(f->DBSum()->FieldName(), "Price");
  EXPECT_EQ(Text(id), "3.5");
  // A footer with a named field follows that field whatever the column shows.
  id->SetFieldName("Name");
  EXPECT_EQ(f->DBSum()->FieldName(), "Price");
}

TEST_F(Footers, EveryRowHasItsFooterAndItsAggregate) {
  grid->SetFooterRowCount(3);
  TColumnFooterX* sum = price->Footers()->Add();
  TColumnFooterX* avg = price->Footers()->Add();
  TColumnFooterX* field = price->Footers()->Add();
  sum->SetValueType(fvtSum);
  avg->SetValueType(fvtAvg);
  field->SetValueType(fvtFieldValue);
  EXPECT_EQ(Sums(), 2);
  EXPECT_EQ(Text(price, 0), "3.5");
  EXPECT_EQ(Text(price, 1), "1.75");
  EXPECT_EQ(Text(price, 2), "1.5");  // the current record's
  ds->Next();
  EXPECT_EQ(Text(price, 2), "");
  // Past the items the single Footer answers.
  EXPECT_EQ(price->GetFooterAt(3), price->Footer());
  avg->SetDisplayFormat("0.000");
  EXPECT_EQ(Text(price, 1), "1.750");
  // Removing a footer gives its aggregate back.
  price->Footers()->Delete(0);
  EXPECT_EQ(Sums(), 1);
  grid->Columns()->Delete(price->Index());
  EXPECT_EQ(Sums(), 0);
}

TEST_F(Footers, AggregatesFollowInsertsEditsDeletesFiltersAndCancel) {
  TColumnFooterX* sum = price->Footers()->Add();
  TColumnFooterX* avg = price->Footers()->Add();
  TColumnFooterX* count = price->Footers()->Add();
  sum->SetValueType(fvtSum);
  avg->SetValueType(fvtAvg);
  count->SetValueType(fvtCount);
  int recalcs = 0;
  grid->OnSumListRecalcAll = [&](TObject*) { ++recalcs; };

  AddRow(4, "four", false, "K0", 0.5);
  EXPECT_EQ(Text(price, 0), "4");
  EXPECT_EQ(Text(price, 1), "1.3333");  // 4 / 3 to the nearest ten-thousandth
  EXPECT_EQ(Text(price, 2), "4");
  ds->First();
  ds->Edit();
  ds->FieldByName("Price")->SetAsFloat(10);
  ds->Post();
  EXPECT_EQ(Text(price, 0), "12.5");
  ds->Edit();
  ds->FieldByName("Price")->SetAsFloat(99);
  ds->Cancel();
  EXPECT_EQ(Text(price, 0), "12.5");
  ds->Delete();
  EXPECT_EQ(Text(price, 0), "2.5");
  EXPECT_EQ(Text(price, 2), "3");
  // Each record change was followed by its own values, without counting everything again.
  EXPECT_EQ(recalcs, 0);

  // Two filters that keep as many records, but other ones.
  ds->SetFilter("Id <> 3");
  ds->SetFiltered(true);
  EXPECT_EQ(Text(price, 0), "0.5");
  ds->SetFilter("Id <> 4");
  EXPECT_EQ(Text(price, 0), "2");
  ds->SetFilter("Id > 100");
  EXPECT_EQ(Text(price, 0), "0");
  EXPECT_EQ(Text(price, 1), "");  // no average over no values
  EXPECT_EQ(Text(price, 2), "0");
}

TEST_F(Footers, EditsWhileControlsAreDisabledReachTheSums) {
  price->Footer()->SetValueType(fvtSum);
  ds->DisableControls();
  ds->Last();
  ds->Edit();
  ds->FieldByName("Price")->SetAsFloat(5);
  ds->Post();
  ds->EnableControls();
  EXPECT_EQ(Text(price), "6.5");
}

TEST_F(Footers, AValueTheSumCannotCarryIsRefusedBeforeItIsStored) {
  price->Footer()->SetValueType(fvtSum);
  grid->SetFooterRowCount(1);
  std::vector<std::string> asked;
  SetDialogAnswerer([&](const TDialogRequest& r) {
    asked.push_back(r.Text);
    return mrOk;
  });
  TScopeExit answerer([] { SetDialogAnswerer(nullptr); });
  form->Show();
  grid->SetFocus();
  grid->SetSelectedIndex(price->Index());
  Pump();
  const struct {
    std::string Typed, Message, Stored, Sum;
  } rows[] = {
      {std::string(36, '9'), "Price: 1E36 is out of the range of the sum.", "1.5", "3.5"},
      // Fits alone, not in the total.
      {"922337203685477", "Price: 922337203685477 is out of the range of the sum.", "1.5", "3.5"},
      {"12", "", "12", "14"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Typed);
    asked.clear();
    ds->First();
    headless::TypeText(row.Typed);
    Pump();
    headless::PressKey(win::VK_DOWN);  // leaving the record posts it
    Pump();
    EXPECT_EQ(asked, row.Message.empty() ? std::vector<std::string>{} : std::vector{row.Message});
    headless::PressKey(win::VK_ESCAPE);
    Pump();
    ds->First();
    EXPECT_EQ(ds->FieldByName("Price")->AsString(), row.Stored);
    EXPECT_EQ(Text(price), row.Sum);
  }
}

TEST_F(Footers, ValuesWithoutAggregateShowZeroAndCountsTakeTheirFormat) {
  TColumnFooterX* f = price->Footer();
  f->SetValueType(fvtSum);
  f->SetFieldName("Nothing");
  EXPECT_EQ(Text(price), "0");
  f->SetValueType(fvtCount);
  f->SetDisplayFormat("0 rows");
  EXPECT_EQ(Text(price), "3 rows");
  f->SetValueType(fvtNon);
  EXPECT_EQ(Text(price), "");
  grid->SumList()->SetActive(false);
  f->SetValueType(fvtCount);
  EXPECT_EQ(Text(price), "0");
}

TEST_F(Footers, AssignCopiesFootersAndBindsThemInTheirOwnGrid) {
  price->Footer()->SetValueType(fvtAvg);
  price->Footer()->SetAlignment(taCenter);
  price->Footer()->Font()->SetSize(17);
  price->Footers()->Add()->SetValue("x");
  TColumnX* copy = grid->Columns()->Add();
  copy->Assign(price);
  EXPECT_EQ(copy->Footer()->ValueType(), fvtAvg);
  EXPECT_EQ(copy->Footer()->Alignment(), taCenter);
  EXPECT_EQ(copy->Footer()->Font()->Size(), 17);
  ASSERT_EQ(copy->Footers()->Count(), 1);
  EXPECT_EQ(copy->Footers()->GetFooter(0)->Value(), "x");
  ASSERT_TRUE(copy->Footer()->DBSum());
  EXPECT_NE(copy->Footer()->DBSum(), price->Footer()->DBSum());
  EXPECT_EQ(Sums(), 2);
}

// With the dataset closed no field is found to move the aggregates later: the copy does it.
TEST_F(Footers, AColumnAssignedAnotherFieldMovesItsAggregates) {
  ds->Close();
  id->Footer()->SetValueType(fvtSum);
  price->Footer()->SetValueType(fvtSum);
  ASSERT_EQ(id->Footer()->DBSum()->FieldName(), "Id");
  id->Assign(price);
  EXPECT_EQ(id->Footer()->DBSum()->FieldName(), "Price");
  EXPECT_EQ(Sums(), 2);
  // Footers items copied in are bound to the new field as well.
  price->Footers()->Add()->SetValueType(fvtAvg);
  TColumnX* name = grid->Columns()->Add();
  name->SetFieldName("Name");
  name->Assign(price);
  EXPECT_EQ(name->Footers()->GetFooter(0)->DBSum()->FieldName(), "Price");
  EXPECT_EQ(Sums(), 5);
}

TEST_F(Footers, FootersAreWrittenAndReadBackBound) {
  price->Footer()->SetValueType(fvtSum);
  price->Footer()->SetDisplayFormat("0.00");
  TColumnFooterX* item = price->Footers()->Add();
  item->SetValueType(fvtStaticText);
  item->SetValue("Sum:");
  grid->SetFooterRowCount(1);
  UseUnit(DBGridXUnit);
  UseUnit(DBUnit);
  const std::string text = WriteFormText(form);
  EXPECT_NE(text.find("Footer.ValueType = fvtSum"), std::string::npos) << text;
  EXPECT_NE(text.find("SumList.Active = True"), std::string::npos) << text;
  std::unique_ptr<TComponent> root(ReadFormText(text));
  auto* g = dynamic_cast<TDBGridX*>(root->FindComponent("Grid1"));
  ASSERT_TRUE(g);
  TColumnX* p = g->Columns()->GetColumn(1);
  EXPECT_EQ(p->Footer()->DisplayFormat(), "0.00");
  ASSERT_TRUE(p->Footer()->DBSum());
  EXPECT_EQ(p->Footer()->DBSum()->FieldName(), "Price");
  ASSERT_EQ(p->Footers()->Count(), 1);
  EXPECT_EQ(p->Footers()->GetFooter(0)->Value(), "Sum:");
  EXPECT_EQ(g->SumList()->SumCollection()->Count(), 1);
}

}  // namespace
}  // namespace lab::gridtest
