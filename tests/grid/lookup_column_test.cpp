// A column over a lookup field: its special first row and stepping through the lookup list.

#include "grid_fixture.h"

#include "platform/db/field_kinds.h"

namespace lab::gridtest {
namespace {

class LookupColumn : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    levels.FieldDefs().Add("Key", ftInteger);
    levels.FieldDefs().Add("Title", ftString, 10);
    levels.Open();
    for (auto [key, title] : {std::pair{1, "Low"}, {2, "Mid"}, {3, "High"}}) {
      levels.Append();
      levels.FieldByName("Key")->SetAsInteger(key);
      levels.FieldByName("Title")->SetAsString(title);
      levels.Post();
    }
    jobs.FieldDefs().Add("Id", ftInteger);
    jobs.FieldDefs().Add("Level", ftInteger);
    for (const char* name : {"Id", "Level"}) {
      auto* f = new TIntegerField(&jobs);
      f->SetFieldName(name);
      f->SetDataSet(&jobs);
    }
    level_name = new TStringField(&jobs);
    level_name->SetFieldName("LevelName");
    level_name->SetLookup(true);
    level_name->SetKeyFields("Level");
    level_name->SetLookupDataSet(&levels);
    level_name->SetLookupKeyFields("Key");
    level_name->SetLookupResultField("Title");
    level_name->SetDataSet(&jobs);
    jobs.Open();
    for (auto [id, level] : {std::pair{1, Variant(3)}, {2, Variant(-1)}, {3, Null()}}) {
      jobs.Append();
      jobs.FieldByName("Id")->SetAsInteger(id);
      jobs.FieldByName("Level")->SetValue(level);
      jobs.Post();
    }
    jobs.First();
    source->SetDataSet(&jobs);
    grid->SetDataSource(source);
    column = grid->Columns()->Add();
    column->SetFieldName("LevelName");
  }
  void TearDown() override {
    source->SetDataSet(nullptr);
    GridTest::TearDown();
  }

  TMemDataSet levels{nullptr};
  TMemDataSet jobs{nullptr};
  TStringField* level_name = nullptr;
  TColumnX* column = nullptr;
};

TEST_F(LookupColumn, SpecialRowStandsForItsValueAndForKeysNotInTheList) {
  EXPECT_EQ(column->GetColumnType(), ctLookupField);
  EXPECT_EQ(column->LookupDisplayFields(), "Title");
  EXPECT_EQ(column->GetListDataSet(), &levels);
  EXPECT_EQ(column->DisplayText(), "High");
  TSpecRowX* row = column->DropDownSpecRow();
  row->SetCellsText("(none)");
  row->SetValue(Null());
  row->SetShowIfNotInKeyList(false);
  row->SetVisible(true);
  EXPECT_EQ(column->DisplayText(), "High");
  jobs.Next();  // -1: not in the list
  EXPECT_EQ(column->DisplayText(), "");
  row->SetShowIfNotInKeyList(true);
  EXPECT_EQ(column->DisplayText(), "(none)");
  jobs.Next();  // Null equals the special value
  row->SetShowIfNotInKeyList(false);
  EXPECT_EQ(column->DisplayText(), "(none)");
}

TEST_F(LookupColumn, SteppingWalksTheLookupListAndWrapsAround) {
  column->SetNextFieldValue(1.0);  // 3 is the last: back to the first
  EXPECT_EQ(jobs.FieldByName("Level")->AsInteger(), 1);
  EXPECT_EQ(level_name->AsString(), "Low");
  column->SetNextFieldValue(-1.0);  // the first: on to the last
  EXPECT_EQ(jobs.FieldByName("Level")->AsInteger(), 3);
  column->SetNextFieldValue(-1.0);
  EXPECT_EQ(jobs.FieldByName("Level")->AsInteger(), 2);
  jobs.Post();
  jobs.Next();  // -1 is not found: the list starts at its first record
  column->SetNextFieldValue(1.0);
  EXPECT_EQ(jobs.FieldByName("Level")->AsInteger(), 1);
  jobs.Cancel();
}

}  // namespace
}  // namespace lab::gridtest
