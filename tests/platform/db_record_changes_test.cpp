// Reading records in place and the record changes a dataset tells the links that keep totals:
// posts (edit, insert, filtered out), deletes, new filters and contents, with controls disabled.
#include <gtest/gtest.h>

#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

// Keeps what it heard as "old -> new" texts of the Age values (index 2), or "undescribed".
class TObservingLink : public TDataLink {
 public:
  TObservingLink() { SetObservesRecords(true); }
  using TDataLink::SetObservesRecords;
  std::vector<std::string> Heard;

 protected:
  void RecordsChanged(const TRecordChange& Change) override {
    if (!Change.Described) {
      Heard.push_back("undescribed");
      return;
    }
    auto age = [](const std::vector<Variant>& v) {
      return v.empty() ? std::string("-") : VarIsNull(v[2]) ? std::string("null") : v[2].AsString();
    };
    Heard.push_back(age(Change.OldValues) + " -> " + age(Change.NewValues));
  }
};

struct DbRecordChanges : ::testing::Test {
  TMemDataSet ds{nullptr};
  TDataSource source{nullptr};
  TObservingLink link;
  void SetUp() override {
    dbtest::FillPeople(ds, 5);  // ages 7, 14, 21, 28, 35
    source.SetDataSet(&ds);
    link.SetDataSource(&source);
  }
};

TEST_F(DbRecordChanges, RecordValueReadsTheVisibleRecordsWithoutMoving) {
  ds.SetRecNo(3);
  TField* age = ds.FieldByName("Age");
  ASSERT_TRUE(ds.CanReadRecordValues());
  EXPECT_EQ(ds.RecordValue(1, age).AsInteger(), 7);
  EXPECT_EQ(ds.RecordValue(5, age).AsInteger(), 35);
  EXPECT_EQ(ds.RecNo(), 3);
  ds.SetSortFields("Age DESC");
  EXPECT_EQ(ds.RecordValue(1, age).AsInteger(), 35);
  // Exactly at the ends of the visible records.
  EXPECT_THROW(ds.RecordValue(0, age), EDatabaseError);
  EXPECT_THROW(ds.RecordValue(6, age), EDatabaseError);
  ds.SetFilter("Age > 20");
  ds.SetFiltered(true);
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_NO_THROW(ds.RecordValue(3, age));
  EXPECT_THROW(ds.RecordValue(4, age), EDatabaseError);
}

TEST_F(DbRecordChanges, ADatasetThatCannotReadInPlaceSaysSo) {
  TMemDataSet closed(nullptr);
  EXPECT_FALSE(closed.CanReadRecordValues());
  closed.FieldDefs().Add("Id", ftInteger);
  closed.Open();
  closed.Close();
  EXPECT_THROW(closed.RecordValue(1, nullptr), EDatabaseError);
}

TEST_F(DbRecordChanges, PostsAndDeletesCarryTheirOldAndNewValues) {
  ds.SetRecNo(2);
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(15);
  ds.Post();
  ds.Append();
  ds.FieldByName("Id")->SetAsInteger(6);
  ds.Post();
  ds.Delete();
  EXPECT_EQ(link.Heard, (std::vector<std::string>{"14 -> 15", "- -> null", "null -> -"}));
}

TEST_F(DbRecordChanges, CancelTellsNothing) {
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(99);
  ds.Cancel();
  ds.Insert();
  ds.Cancel();
  EXPECT_TRUE(link.Heard.empty());
}

TEST_F(DbRecordChanges, APostedRecordThatLeavesTheFilterHasNoNewValues) {
  ds.SetFilter("Age > 10");
  ds.SetFiltered(true);
  link.Heard.clear();
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(3);
  ds.Post();
  ds.Append();
  ds.FieldByName("Age")->SetAsInteger(1);  // hidden as soon as it is posted
  ds.Post();
  EXPECT_EQ(link.Heard, (std::vector<std::string>{"14 -> -", "- -> -"}));
}

TEST_F(DbRecordChanges, NewFiltersAndContentsAreUndescribed) {
  ds.SetFiltered(true);
  ds.SetFilter("Age > 10");
  ds.SetFiltered(false);
  ds.EmptyDataSet();
  EXPECT_EQ(link.Heard, (std::vector<std::string>{"undescribed", "undescribed", "undescribed", "undescribed"}));
}

// Deleting a collapsed tree node shows its children as records of their own: the links count again.
TEST_F(DbRecordChanges, ADeleteThatShowsOtherRecordsIsUndescribed) {
  ds.SetRecNo(2);
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(1);  // record 2's parent is record 1
  ds.Post();
  link.Heard.clear();
  ds.First();
  ds.SetTreeFields("Id", "Age");
  ASSERT_EQ(ds.RecordCount(), 4);
  ds.Delete();
  EXPECT_EQ(ds.RecordCount(), 4);
  EXPECT_EQ(link.Heard, (std::vector<std::string>{"undescribed", "undescribed"}));
}

TEST_F(DbRecordChanges, ChangesAreToldWhileControlsAreDisabled) {
  ds.DisableControls();
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(8);
  ds.Post();
  ds.EnableControls();
  EXPECT_EQ(link.Heard, (std::vector<std::string>{"7 -> 8"}));
}

TEST_F(DbRecordChanges, OnlyObservingLinksPayForTheValues) {
  TObservingLink other;
  other.SetDataSource(&source);
  link.SetDataSource(nullptr);
  other.SetObservesRecords(false);
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(8);
  ds.Post();
  EXPECT_TRUE(other.Heard.empty());
  EXPECT_TRUE(link.Heard.empty());
}

}  // namespace
}  // namespace lab
