// A grid's column layout kept through property paths (widths and the column order), and the
// columns' drop-down boxes with their drop-down grids.

#include "grid_fixture.h"

#include "grid/column_interceptors.h"
#include "grid/grid_unit.h"
#include "grid/lookup_grid.h"
#include "grid/special_row.h"
#include "platform/classes/form_text.h"
#include "platform/db/db_unit.h"

namespace lab::gridtest {
namespace {

class ColumnStorage : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    UseUnit(DBGridXUnit);  // registers the interceptors
    grid->SetDataSource(source);
    OpenWithRows();
    for (const char* name : {"Id", "Name", "Price"}) grid->Columns()->Add()->SetFieldName(name);
  }
  std::string Order() {
    std::string names;
    for (int i = 0; i < grid->Columns()->Count(); ++i) names += Column(i)->FieldName() + " ";
    return names;
  }
};

TEST_F(ColumnStorage, TheColumnOrderIsOneTextOfQuotedNames) {
  EXPECT_EQ(ReadStoredProperty(form, "Grid1.Columns.ColumnsIndex"), "\"Id\",\"Name\",\"Price\"");
  WriteStoredProperty(form, "Grid1.Columns.ColumnsIndex", "\"Price\",\"Name\",\"Id\"");
  EXPECT_EQ(Order(), "Price Name Id ");
  // Names are compared with case, and a name no column has is passed over.
  WriteStoredProperty(form, "Grid1.Columns.ColumnsIndex", "\"id\",\"Gone\",\"Id\",\"Name\"");
  EXPECT_EQ(Order(), "Id Name Price ");
}

TEST_F(ColumnStorage, ALayoutSavedBeforeAColumnWentRestores) {
  WriteStoredProperty(form, "Grid1.Columns.ColumnsIndex", "\"Price\",\"Id\",\"Name\"");
  const std::string saved = ReadStoredProperty(form, "Grid1.Columns.ColumnsIndex");
  grid->Columns()->Delete(1);  // Id
  WriteStoredProperty(form, "Grid1.Columns.ColumnsIndex", "\"Id\",\"Name\",\"Price\"");
  EXPECT_EQ(Order(), "Name Price ");
  WriteStoredProperty(form, "Grid1.Columns.ColumnsIndex", saved);
  EXPECT_EQ(Order(), "Price Name ");
  // A column shown twice is found once for each mention.
  grid->Columns()->Add()->SetFieldName("Name");
  WriteStoredProperty(form, "Grid1.Columns.ColumnsIndex", "\"Name\",\"Price\",\"Name\"");
  EXPECT_EQ(Order(), "Name Price Name ");
  EXPECT_NE(Column(0), Column(2));
}

TEST_F(ColumnStorage, ANameWithAQuoteTravelsDoubled) {
  Column(1)->SetFieldName("Say \"hi\"");
  const std::string saved = ReadStoredProperty(form, "Grid1.Columns.ColumnsIndex");
  EXPECT_EQ(saved, "\"Id\",\"Say \"\"hi\"\"\",\"Price\"");
  WriteStoredProperty(form, "Grid1.Columns.ColumnsIndex", "\"Price\",\"Id\",\"Say \"\"hi\"\"\"");
  EXPECT_EQ(Order(), "Price Id Say \"hi\" ");
  WriteStoredProperty(form, "Grid1.Columns.ColumnsIndex", saved);
  EXPECT_EQ(Order(), "Id Say \"hi\" Price ");
}

TEST_F(ColumnStorage, AStoredWidthGoesBeforeFittingWhenTheGridFits) {
  WriteStoredProperty(form, "Grid1.Columns[1].Width", "77");
  EXPECT_EQ(Column(1)->Width(), 77);
  grid->SetAutoFitColWidths(true);
  const int width = Column(1)->Width();
  WriteStoredProperty(form, "Grid1.Columns[1].Width", "120");
  EXPECT_EQ(Column(1)->InitWidth(), 120);
  EXPECT_EQ(Column(1)->Width(), width);
  // Reading goes to the column itself.
  EXPECT_EQ(ReadStoredProperty(form, "Grid1.Columns[1].Width"), std::to_string(width));
}

class DropDownBoxes : public ColumnStorage {};

TEST_F(DropDownBoxes, TheDropDownGridIsMadeOnFirstUseWithTheColumnsSettings) {
  TColumnX* c = Column(1);
  TColumnDropDownBoxX* box = c->DropDownBox();
  EXPECT_TRUE(box->AutoFitColWidths());
  EXPECT_EQ(box->Options(), TDBLookupGridXOptions{dlgColLinesX});
  EXPECT_FALSE(box->ColumnsCustomised());
  c->DropDownSpecRow()->SetCellsText("(none)");
  box->SetListSource(source);
  ASSERT_TRUE(box->Columns());
  TPopupDataGridX* list = c->DataList();
  EXPECT_EQ(list->Name(), "DataList");
  EXPECT_EQ(box->Columns(), list->Columns());
  EXPECT_EQ(box->ColumnDefValues(), list->ColumnDefValues());
  EXPECT_EQ(list->DataSource(), source);
  EXPECT_EQ(c->GetListDataSet(), ds);
  EXPECT_EQ(list->SpecRow()->CellsText(), "(none)");
  c->DropDownSpecRow()->SetCellsText("(all)");
  EXPECT_EQ(list->SpecRow()->CellsText(), "(all)");
  box->SetOptions(TDBLookupGridXOptions{dlgRowLinesX, dlgMultiSortMarkingX});
  EXPECT_EQ(list->Options(), (TDBLookupGridXOptions{dlgRowLinesX, dlgMultiSortMarkingX}));
  EXPECT_TRUE(list->OptionsX().Contains(dgxMultiSortMarking));
  EXPECT_FALSE(list->TCustomDBGridX::Options().Contains(dgColLines));
}

TEST_F(DropDownBoxes, TheDropDownGridsEventsRunTheColumnsHandlers) {
  TColumnX* c = Column(0);
  int checks = 0, sorts = 0;
  c->OnDropDownBoxCheckButton = [&](TObject*, int, TColumnX*, bool& Enabled) {
    ++checks;
    Enabled = false;
  };
  c->OnDropDownBoxSortMarkingChanged = [&](TObject*) { ++sorts; };
  TPopupDataGridX* list = c->DataList();
  bool enabled = true;
  list->OnCheckButton(list, 0, nullptr, enabled);
  list->OnSortMarkingChanged(list);
  list->OnTitleBtnClick(list, 0, nullptr);  // no handler: nothing happens
  EXPECT_EQ(checks, 1);
  EXPECT_FALSE(enabled);
  EXPECT_EQ(sorts, 1);
}

TEST_F(DropDownBoxes, ABoxWhoseOwnerHasNoDropDownAnswersNothing) {
  TColumnDropDownBoxX box(nullptr);
  EXPECT_EQ(box.Columns(), nullptr);
  EXPECT_EQ(box.ColumnDefValues(), nullptr);
  EXPECT_TRUE(box.Options().Empty());
  box.SetListSource(source);
  EXPECT_EQ(box.ListSource(), source);
  EXPECT_FALSE(box.ColumnsCustomised());
}

TEST_F(DropDownBoxes, RemovingADataSourceEmptiesEveryBoxAndTheGrid) {
  TDataSource* lists = new TDataSource(form);
  Column(0)->DropDownBox()->SetListSource(lists);
  Column(2)->DropDownBox()->SetListSource(source);
  Column(2)->DataList();
  delete source;
  source = nullptr;
  EXPECT_EQ(grid->DataSource(), nullptr);
  EXPECT_EQ(Column(2)->DropDownBox()->ListSource(), nullptr);
  EXPECT_EQ(Column(2)->DataList()->DataSource(), nullptr);
  EXPECT_EQ(Column(0)->DropDownBox()->ListSource(), lists);
  delete lists;
  EXPECT_EQ(Column(0)->DropDownBox()->ListSource(), nullptr);
}

TEST_F(DropDownBoxes, AssignAndFormTextCarryTheBox) {
  TColumnDropDownBoxX* box = Column(1)->DropDownBox();
  box->SetAutoFitColWidths(false);
  box->SetUseMultiTitle(true);
  box->SetListSource(source);
  box->SetOptions(TDBLookupGridXOptions{dlgColLinesX, dlgRowLinesX});
  box->Columns()->Add()->SetFieldName("Name");
  EXPECT_TRUE(box->ColumnsCustomised());

  TColumnX* copy = grid->Columns()->Add();
  copy->Assign(Column(1));
  TColumnDropDownBoxX* other = copy->DropDownBox();
  EXPECT_FALSE(other->AutoFitColWidths());
  EXPECT_TRUE(other->UseMultiTitle());
  EXPECT_EQ(other->ListSource(), source);
  EXPECT_EQ(other->Options(), (TDBLookupGridXOptions{dlgColLinesX, dlgRowLinesX}));
  ASSERT_EQ(other->Columns()->Count(), 1);
  EXPECT_EQ(other->Columns()->GetColumn(0)->FieldName(), "Name");
  grid->Columns()->Delete(copy->Index());

  UseUnit(DBUnit);
  const std::string text = WriteFormText(form);
  EXPECT_NE(text.find("DropDownBox.ListSource = Source1"), std::string::npos) << text;
  EXPECT_NE(text.find("DropDownBox.Options = [dlgColLinesX, dlgRowLinesX]"), std::string::npos) << text;
  // Columns without a drop-down grid made none while the form was written.
  EXPECT_FALSE(static_cast<const IColumnDropDownOwnerX*>(Column(0))->DropDownGridMade());
  std::unique_ptr<TComponent> root(ReadFormText(text));
  auto* g = dynamic_cast<TDBGridX*>(root->FindComponent("Grid1"));
  ASSERT_TRUE(g);
  TColumnDropDownBoxX* read = g->Columns()->GetColumn(1)->DropDownBox();
  EXPECT_EQ(read->ListSource(), root->FindComponent("Source1"));
  EXPECT_FALSE(read->AutoFitColWidths());
  EXPECT_EQ(read->Options(), (TDBLookupGridXOptions{dlgColLinesX, dlgRowLinesX}));
  ASSERT_TRUE(read->ColumnsCustomised());
  EXPECT_EQ(read->Columns()->GetColumn(0)->FieldName(), "Name");
}

}  // namespace
}  // namespace lab::gridtest
