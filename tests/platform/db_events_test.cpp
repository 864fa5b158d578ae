// The exact notifications a data link gets, and in which order, for the dataset's operations.
#include <gtest/gtest.h>

#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

using dbtest::CurrentId;
using dbtest::TRecordingLink;
using Ev = std::vector<std::string>;

struct DbEvents : ::testing::Test {
  TMemDataSet ds{nullptr};
  TDataSource source{nullptr};
  TRecordingLink link;

  void SetUp() override {
    dbtest::FillPeople(ds, 20);
    source.SetDataSet(&ds);
    link.SetDataSource(&source);
    link.SetBufferCount(5);
    link.Take();
  }
};

TEST_F(DbEvents, OpeningAndClosingReachTheLinkAsActiveChanges) {
  ds.Close();
  EXPECT_EQ(link.Take(), (Ev{"active 0"}));
  ds.Open();
  EXPECT_EQ(link.Take(), (Ev{"active 1"}));
  EXPECT_EQ(link.RecordCount(), 0);  // a fresh in-memory dataset is empty
  source.SetEnabled(false);
  EXPECT_EQ(link.Take(), (Ev{"active 0"}));
}

// A data source's dataset set back to none: its links go inactive (leaving edit mode), the dataset
// drops the buffers they asked for, and nothing of the source is left with the dataset; set again,
// everything comes back.
TEST_F(DbEvents, ADataSourceSetBackToNoDataSetLetsGoOfIt) {
  ds.MoveBy(2);
  ds.Edit();
  link.Take();
  int state_changes = 0;
  source.OnStateChange = [&](TObject*) { ++state_changes; };
  EXPECT_EQ(ds.BufferCount(), 5);
  source.SetDataSet(nullptr);
  EXPECT_EQ(link.Take(), (Ev{"active 0", "editing 0"}));
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_EQ(source.State(), dsInactive);
  EXPECT_EQ(state_changes, 1);
  EXPECT_EQ(link.DataSet(), nullptr);
  EXPECT_EQ(link.RecordCount(), 0);
  EXPECT_TRUE(link.Eof());
  EXPECT_EQ(ds.BufferCount(), 1);
  EXPECT_EQ(ds.State(), dsEdit);  // the dataset itself goes on
  ds.Cancel();
  ds.Next();
  EXPECT_EQ(link.Take(), Ev{});

  source.SetDataSet(&ds);
  EXPECT_EQ(link.Take(), (Ev{"active 1"}));
  EXPECT_EQ(ds.BufferCount(), 5);
  EXPECT_EQ(link.RecordCount(), 5);
  EXPECT_EQ(CurrentId(ds), 4);
  {
    // A dataset freed after its source let go of it leaves the source alone.
    TMemDataSet other(nullptr);
    dbtest::FillPeople(other, 3);
    source.SetDataSet(&other);
    source.SetDataSet(nullptr);
  }
  EXPECT_EQ(source.DataSet(), nullptr);
  source.SetDataSet(&ds);
  EXPECT_EQ(source.State(), dsBrowse);
}

TEST_F(DbEvents, ScrollingWithinAndPastTheWindow) {
  ds.Next();
  EXPECT_EQ(link.Take(), (Ev{"check", "scroll 0"}));
  EXPECT_EQ(link.ActiveRecord(), 1);
  ds.MoveBy(3);  // to the window's last row
  EXPECT_EQ(link.Take(), (Ev{"check", "scroll 0"}));
  ds.Next();  // past it: the window moves one row
  EXPECT_EQ(link.Take(), (Ev{"check", "scroll 1"}));
  EXPECT_EQ(link.ActiveRecord(), 4);
  EXPECT_EQ(CurrentId(ds), 6);
  ds.MoveBy(-5);  // four rows up inside, one more moves the window back
  EXPECT_EQ(link.Take(), (Ev{"check", "scroll -1"}));
  EXPECT_EQ(link.ActiveRecord(), 0);
  EXPECT_EQ(CurrentId(ds), 1);
  ds.Last();
  EXPECT_EQ(link.Take(), (Ev{"check", "changed"}));
}

TEST_F(DbEvents, EditPostAndCancel) {
  ds.Edit();
  EXPECT_EQ(link.Take(), (Ev{"check", "editing 1", "record"}));
  ds.FieldByName("Name")->SetAsString("Zed");
  EXPECT_EQ(link.Take(), (Ev{"record Name"}));
  ds.Post();
  EXPECT_EQ(link.Take(), (Ev{"update", "check", "editing 0", "changed"}));
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(1);
  link.Take();
  ds.Cancel();
  EXPECT_EQ(link.Take(), (Ev{"check", "editing 0", "changed"}));
  EXPECT_EQ(ds.FieldByName("Age")->AsInteger(), 7);
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "Zed");
}

TEST_F(DbEvents, InsertAppendAndDelete) {
  ds.MoveBy(2);
  link.Take();
  ds.Insert();
  EXPECT_EQ(link.Take(), (Ev{"check", "editing 1", "changed"}));
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_EQ(link.RecordCount(), 5);
  ds.FieldByName("Id")->SetAsInteger(100);
  ds.Post();
  link.Take();
  EXPECT_EQ(CurrentId(ds), 100);
  EXPECT_EQ(ds.RecNo(), 3);  // before the record that was current

  ds.Append();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(link.ActiveRecord(), 4);  // the last row of a window filled with the last records
  EXPECT_EQ(link.Take(), (Ev{"check", "editing 1", "changed"}));
  ds.Cancel();
  EXPECT_EQ(CurrentId(ds), 20);
  link.Take();

  ds.Delete();
  EXPECT_EQ(link.Take(), (Ev{"check", "changed"}));
  EXPECT_EQ(CurrentId(ds), 19);
  EXPECT_EQ(ds.RecordCount(), 20);
}

TEST_F(DbEvents, DisabledControlsHearOneChangeAtTheEnd) {
  ds.DisableControls();
  ds.DisableControls();
  while (!ds.Eof()) ds.Next();
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(3);
  ds.Post();  // pending control edits are still collected
  EXPECT_EQ(link.Take(), (Ev{"update"}));
  ds.EnableControls();
  EXPECT_TRUE(link.Take().empty());
  EXPECT_TRUE(ds.ControlsDisabled());
  ds.EnableControls();
  EXPECT_EQ(link.Take(), (Ev{"changed"}));

  ds.DisableControls();
  ds.FieldByName("Age")->SetDisplayLabel("Years");
  ds.Edit();
  ds.EnableControls();  // a layout change and a state change happened meanwhile
  EXPECT_EQ(link.Take(), (Ev{"editing 1", "layout"}));
  ds.Cancel();
}

TEST_F(DbEvents, DataSourceEventsFollowTheLinks) {
  std::vector<std::string> seen;
  source.OnStateChange = [&](TObject*) { seen.push_back("state"); };
  source.OnDataChange = [&](TObject*, TField* f) { seen.push_back(f ? "data " + f->FieldName() : "data"); };
  source.OnUpdateData = [&](TObject*) { seen.push_back("update"); };
  ds.Edit();
  ds.FieldByName("Id")->SetAsInteger(5);
  ds.Post();
  EXPECT_EQ(seen, (Ev{"state", "data", "data Id", "update", "state", "data"}));
  seen.clear();
  source.SetAutoEdit(false);
  EXPECT_FALSE(link.Edit());
  source.SetAutoEdit(true);
  EXPECT_TRUE(link.Edit());
  EXPECT_EQ(ds.State(), dsEdit);
  ds.Cancel();
}

TEST_F(DbEvents, ReadOnlyLinkAndDataSetRefuseEditing) {
  link.SetReadOnly(true);
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(ds.State(), dsBrowse);
  ds.SetReadOnly(true);
  EXPECT_THROW(ds.Edit(), EDatabaseError);
  EXPECT_THROW(ds.Delete(), EDatabaseError);
  EXPECT_EQ(ds.RecordCount(), 20);
}

TEST_F(DbEvents, FieldDataLinkFollowsItsField) {
  TFieldDataLink field_link;
  int data = 0, editing = 0, updates = 0;
  field_link.OnDataChange = [&](TObject*) { ++data; };
  field_link.OnEditingChange = [&](TObject*) { ++editing; };
  field_link.OnUpdateData = [&](TObject*) {
    ++updates;
    ds.FieldByName("Name")->SetAsString("From control");
  };
  field_link.SetFieldName("Name");
  field_link.SetDataSource(&source);
  EXPECT_EQ(field_link.Field(), ds.FieldByName("Name"));
  data = 0;
  ds.Next();
  EXPECT_EQ(data, 1);
  ds.FieldByName("Age")->SetReadOnly(true);
  EXPECT_TRUE(field_link.Edit());
  EXPECT_EQ(editing, 1);
  field_link.Modified();
  ds.Post();
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "From control");
  ds.Close();
  EXPECT_EQ(field_link.Field(), nullptr);
}

}  // namespace
}  // namespace lab
