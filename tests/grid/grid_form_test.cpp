// A form holding a grid with its data source and dataset, written and read back as one text; and
// which fields the dataset made itself.

#include "grid_fixture.h"

#include "grid/grid_unit.h"
#include "platform/classes/form_text.h"
#include "platform/db/db_unit.h"
#include "platform/db/field_kinds.h"

namespace lab::gridtest {
namespace {

class GridForm : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    UseUnit(DBGridXUnit);
    UseUnit(DBUnit);
  }
  // Form text is written with CR LF line ends.
  static std::string Unix(std::string Text) {
    std::erase(Text, '\r');
    return Text;
  }
};

TEST_F(GridForm, AGridWithItsSourceAndDataSetReadsBackBoundAndOpen) {
  grid->SetDataSource(source);
  grid->SetFooterRowCount(1);
  OpenWithRows();
  TColumnX* name = grid->Columns()->Add();
  name->SetFieldName("Name");
  name->Title()->SetCaption("Who");
  grid->Columns()->Add()->SetFieldName("Price");

  const std::string text = WriteFormText(form);
  // The grid first, then the form's components without a parent; the dataset's own fields stay out.
  const std::size_t at_grid = text.find("object Grid1: TDBGridX");
  const std::size_t at_data = text.find("object Data1: TMemDataSet");
  const std::size_t at_source = text.find("object Source1: TDataSource");
  ASSERT_NE(at_grid, std::string::npos) << text;
  ASSERT_NE(at_data, std::string::npos) << text;
  ASSERT_NE(at_source, std::string::npos) << text;
  EXPECT_LT(at_grid, at_data);
  EXPECT_NE(text.find("DataSource = Source1"), std::string::npos) << text;
  EXPECT_NE(text.find("DataSet = Data1"), std::string::npos) << text;
  EXPECT_NE(text.find("Active = True"), std::string::npos) << text;
  EXPECT_NE(text.find("DataType = ftBoolean"), std::string::npos) << text;
  EXPECT_EQ(text.find("TIntegerField"), std::string::npos) << text;

  std::unique_ptr<TComponent> root(ReadFormText(text));
  auto* copy = dynamic_cast<TForm*>(root.get());
  ASSERT_TRUE(copy);
  auto* g = dynamic_cast<TDBGridX*>(copy->FindComponent("Grid1"));
  auto* d = dynamic_cast<TMemDataSet*>(copy->FindComponent("Data1"));
  auto* s = dynamic_cast<TDataSource*>(copy->FindComponent("Source1"));
  ASSERT_TRUE(g && d && s);
  EXPECT_EQ(g->Parent(), copy);
  EXPECT_EQ(g->DataSource(), s);
  EXPECT_EQ(s->DataSet(), d);
  EXPECT_TRUE(d->Active());  // opened in Loaded, after the grid was whole
  EXPECT_TRUE(g->DataLink()->Active());
  EXPECT_EQ(d->FieldCount(), 5);
  EXPECT_EQ(g->FooterRowCount(), 1);
  ASSERT_EQ(g->Columns()->Count(), 2);
  EXPECT_EQ(g->Columns()->GetColumn(0)->GetField(), d->FieldByName("Name"));
  EXPECT_EQ(g->Columns()->GetColumn(0)->Title()->Caption(), "Who");
  EXPECT_EQ(g->Columns()->GetColumn(1)->GetField(), d->FieldByName("Price"));
  // The records were not part of the form: the dataset opens empty.
  EXPECT_EQ(d->RecordCount(), 0);
  EXPECT_EQ(Unix(WriteFormText(copy)), Unix(text));
}

// Moving a column moves its field when the fields are persistent, whoever owns them; the dataset
// tells, where guessing from the owner took fields made in advance for its own.
TEST_F(GridForm, MovingAColumnMovesPersistentFieldsOnlyAndTheLinkKnowsThem) {
  TMemDataSet own(nullptr);
  own.FieldDefs().Add("Id", ftInteger);
  own.FieldDefs().Add("Name", ftString, 10);
  for (const char* f : {"Id", "Name"}) {
    TField* field = CreateFieldOfType(own.FieldDefs().Find(f)->DataType(), &own, f);
    field->SetDataSet(&own);
  }
  own.Open();
  source->SetDataSet(&own);
  grid->SetDataSource(source);
  ASSERT_EQ(grid->Columns()->Count(), 2);
  EXPECT_FALSE(own.DefaultFields());
  EXPECT_FALSE(grid->DataLink()->DefaultFields());
  Column(1)->SetIndex(0);
  EXPECT_EQ(own.Fields()[0]->FieldName(), "Name");
  EXPECT_EQ(Column(0)->FieldName(), "Name");
  source->SetDataSet(nullptr);

  // Fields the dataset made itself keep their order.
  source->SetDataSet(ds);
  OpenWithRows();
  EXPECT_TRUE(ds->DefaultFields());
  EXPECT_TRUE(grid->DataLink()->DefaultFields());
  TColumnX* price = grid->Columns()->Add();
  price->SetFieldName("Price");
  grid->Columns()->Add()->SetFieldName("Id");
  price->SetIndex(1);
  EXPECT_EQ(ds->Fields()[0]->FieldName(), "Id");
  EXPECT_EQ(Column(1), price);
  // A closed dataset has none of its own fields until it opens again.
  ds->Close();
  TColumnX* fresh = grid->Columns()->Add();
  fresh->SetFieldName("Name");
  EXPECT_EQ(fresh->GetField(), nullptr);
}

}  // namespace
}  // namespace lab::gridtest
