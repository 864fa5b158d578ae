// Reading a record in place: the fields, the bookmark and the record number show another visible
// record while nothing moves and no link hears of it.

#include <gtest/gtest.h>

#include "db_test_support.h"
#include "platform/db/fields.h"

namespace lab::dbtest {
namespace {

TEST(DbReadRecord, FieldsShowTheRecordReadInPlace) {
  TMemDataSet ds(nullptr);
  FillPeople(ds, 50);
  ds.SetSortFields("Age DESC; Id");
  ds.MoveBy(10);
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TRecordingLink link;
  link.SetDataSource(&source);
  link.Take();
  const int current = CurrentId(ds), current_no = ds.RecNo();
  const TBookmark current_bookmark = ds.Bookmark();
  ds.BeginReadRecord(1);
  EXPECT_EQ(ds.ReadRecordNo(), 1);
  EXPECT_EQ(ds.FieldByName("Age")->AsInteger(), 49);  // the first in the sorted order
  EXPECT_EQ(ds.RecNo(), 1);
  ds.BeginReadRecord(50);
  EXPECT_EQ(ds.RecNo(), 50);
  const TBookmark last = ds.Bookmark();
  ds.EndReadRecord();
  EXPECT_EQ(CurrentId(ds), current);
  EXPECT_EQ(ds.RecNo(), current_no);
  EXPECT_EQ(ds.Bookmark(), current_bookmark);
  EXPECT_TRUE(link.Take().empty());
  ds.GotoBookmark(last);
  EXPECT_EQ(ds.RecNo(), 50);
}

TEST(DbReadRecord, OnlyVisibleRecordsWhileBrowsing) {
  TMemDataSet ds(nullptr);
  FillPeople(ds, 5);
  EXPECT_THROW(ds.BeginReadRecord(0), EDatabaseError);
  EXPECT_THROW(ds.BeginReadRecord(6), EDatabaseError);
  EXPECT_EQ(ds.ReadRecordNo(), 0);
  ds.BeginReadRecord(3);
  ds.Edit();  // a change of state ends the reading
  EXPECT_EQ(ds.ReadRecordNo(), 0);
  EXPECT_EQ(CurrentId(ds), 1);
  // While one record is edited the others read as stored, and the edited one shows its edit.
  ds.FieldByName("Id")->SetAsInteger(100);
  ds.BeginReadRecord(3);
  EXPECT_EQ(CurrentId(ds), 3);
  ds.EndReadRecord();
  EXPECT_EQ(CurrentId(ds), 100);
  ds.Cancel();
  ds.Insert();
  EXPECT_THROW(ds.BeginReadRecord(3), EDatabaseError);
  ds.Cancel();
  ds.SetFilter("Id > 3");
  ds.SetFiltered(true);
  EXPECT_THROW(ds.BeginReadRecord(3), EDatabaseError);  // two records are left in view
  ds.BeginReadRecord(2);
  EXPECT_EQ(CurrentId(ds), 5);
  ds.EndReadRecord();
}

TEST(DbReadRecord, CalculatedFieldsAreThoseOfTheRecordRead) {
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Id", ftInteger);
  auto* id = new TIntegerField(&ds);
  id->SetFieldName("Id");
  id->SetDataSet(&ds);
  auto* twice = new TIntegerField(&ds);
  twice->SetFieldName("Twice");
  twice->SetCalculated(true);
  twice->SetDataSet(&ds);
  ds.OnCalcFields = [](TDataSet* d) { d->FieldByName("Twice")->SetAsInteger(2 * d->FieldByName("Id")->AsInteger()); };
  ds.Open();
  for (int i = 1; i <= 3; ++i) {
    ds.Append();
    id->SetAsInteger(i);
    ds.Post();
  }
  ds.First();
  ds.BeginReadRecord(3);
  EXPECT_EQ(twice->AsInteger(), 6);
  ds.EndReadRecord();
  EXPECT_EQ(twice->AsInteger(), 2);
}

}  // namespace
}  // namespace lab::dbtest
