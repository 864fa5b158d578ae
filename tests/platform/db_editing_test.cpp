// Editing a dataset: the Before/After events, failures that keep what was typed, inserting in
// sorted and filtered views, field lists, and what happens when components go away.
#include <gtest/gtest.h>

#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

using dbtest::CurrentId;
using dbtest::TRecordingLink;
using Ev = std::vector<std::string>;

struct DbEditing : ::testing::Test {
  TMemDataSet ds{nullptr};
  Ev calls;
  void SetUp() override {
    dbtest::FillPeople(ds, 5);
    auto log = [this](const char* name) { return [this, name](TDataSet*) { calls.push_back(name); }; };
    ds.BeforeScroll = log("BeforeScroll");
    ds.AfterScroll = log("AfterScroll");
    ds.BeforeEdit = log("BeforeEdit");
    ds.AfterEdit = log("AfterEdit");
    ds.BeforeInsert = log("BeforeInsert");
    ds.AfterInsert = log("AfterInsert");
    ds.BeforePost = log("BeforePost");
    ds.AfterPost = log("AfterPost");
    ds.BeforeCancel = log("BeforeCancel");
    ds.AfterCancel = log("AfterCancel");
    ds.BeforeDelete = log("BeforeDelete");
    ds.AfterDelete = log("AfterDelete");
    ds.OnNewRecord = log("OnNewRecord");
  }
};

TEST_F(DbEditing, EventsComeInTheirOrder) {
  ds.Next();
  ds.Last();
  ds.Next();  // at the end: no move, but the scroll is still announced
  EXPECT_EQ(calls, (Ev{"BeforeScroll", "AfterScroll", "BeforeScroll", "AfterScroll", "BeforeScroll"}));
  calls.clear();
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(1);
  ds.Next();  // a move posts the edit first
  EXPECT_EQ(calls, (Ev{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeScroll", "AfterScroll"}));
  EXPECT_TRUE(ds.Eof());
  calls.clear();
  ds.Insert();
  ds.Cancel();
  ds.Delete();
  EXPECT_EQ(calls, (Ev{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll", "BeforeCancel",
                       "AfterCancel", "BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
}

TEST_F(DbEditing, FailuresKeepTheEditOpen) {
  ds.BeforePost = [](TDataSet*) { DatabaseError("not now"); };
  ds.Edit();
  ds.FieldByName("Name")->SetAsString("kept");
  EXPECT_THROW(ds.Post(), EDatabaseError);
  EXPECT_EQ(ds.State(), dsEdit);
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "kept");
  EXPECT_THROW(ds.Next(), EDatabaseError);  // the move would post
  EXPECT_EQ(CurrentId(ds), 1);
  ds.BeforePost = nullptr;
  ds.Post();
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "kept");

  ds.OnNewRecord = [](TDataSet*) { DatabaseError("no new records"); };
  EXPECT_THROW(ds.Append(), EDatabaseError);
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(ds.RecordCount(), 5);
  EXPECT_EQ(CurrentId(ds), 5);  // back at the end, where the new record was to go
}

TEST_F(DbEditing, CheckBrowseModePostsOnlyChanges) {
  ds.Edit();
  ds.CheckBrowseMode();
  EXPECT_EQ(calls, (Ev{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}));
  calls.clear();
  ds.Edit();
  ds.FieldByName("Age")->SetAsInteger(2);
  ds.CheckBrowseMode();
  EXPECT_EQ(calls, (Ev{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}));
  EXPECT_THROW(ds.UpdateRecord(), EDatabaseError);
}

TEST_F(DbEditing, AppendOverAnUntouchedNewRecordCancelsItInsteadOfPostingIt) {
  ds.OnNewRecord = [](TDataSet* d) { d->FieldByName("Age")->SetAsInteger(7); };  // a default is no change
  for (bool appended_first : {true, false}) {
    SCOPED_TRACE(appended_first);
    if (appended_first) ds.Append();
    else ds.Insert();
    calls.clear();
    ds.Append();
    EXPECT_EQ(calls, (Ev{"BeforeCancel", "AfterCancel", "BeforeInsert", "BeforeScroll", "AfterInsert", "AfterScroll"}));
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_EQ(ds.RecordCount(), 5);
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 5);
  }
  // A new record with a change is posted first.
  ds.Append();
  ds.FieldByName("Id")->SetAsInteger(6);
  ds.Append();
  EXPECT_EQ(ds.RecordCount(), 6);
  ds.Cancel();
  ds.Last();
  EXPECT_EQ(CurrentId(ds), 6);
  EXPECT_EQ(ds.FieldByName("Age")->AsInteger(), 7);
}

TEST_F(DbEditing, InsertCancelDeleteAndEmptyDataSets) {
  ds.MoveBy(2);
  ds.Insert();
  EXPECT_EQ(ds.Bookmark(), "");
  EXPECT_EQ(ds.RecNo(), -1);
  ds.Delete();  // in insert mode Delete cancels
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(CurrentId(ds), 3);
  ds.EmptyDataSet();
  EXPECT_TRUE(ds.IsEmpty());
  ds.Edit();  // editing an empty dataset inserts
  EXPECT_EQ(ds.State(), dsInsert);
  ds.FieldByName("Id")->SetAsInteger(9);
  ds.Post();
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(CurrentId(ds), 9);
}

TEST_F(DbEditing, NewRecordsInSortedAndFilteredViews) {
  ds.SetSortFields("Age");
  ds.SetFilter("Age < 30");
  ds.SetFiltered(true);
  const int before = ds.RecordCount();
  ds.Append();
  ds.FieldByName("Id")->SetAsInteger(10);
  ds.FieldByName("Age")->SetAsInteger(0);
  ds.Post();
  EXPECT_EQ(ds.RecNo(), 1);  // sorted to the front
  ds.Insert();
  ds.FieldByName("Id")->SetAsInteger(11);
  ds.FieldByName("Age")->SetAsInteger(40);
  ds.Post();  // fails the filter: stored but hidden
  EXPECT_EQ(ds.RecordCount(), before + 1);
  ds.SetFiltered(false);
  EXPECT_TRUE(ds.Locate("Id", 11, {}));
  EXPECT_EQ(ds.RecNo(), ds.RecordCount());
}

TEST_F(DbEditing, FieldValuesAndFocus) {
  ds.Edit();
  ds.SetFieldValues("Name;Age", VarArrayOf({"Max", 33}));
  EXPECT_EQ(ds.FieldValues("age;NAME"), VarArrayOf({33, "Max"}));
  EXPECT_THROW(ds.SetFieldValues("Name;Age", VarArrayOf({"x"})), EDatabaseError);
  EXPECT_THROW(ds.SetFieldValues("Name;Age", "x"), EDatabaseError);
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "Max");
  ds.SetFieldValues("Name;Age", Null());
  EXPECT_TRUE(ds.FieldByName("Name")->IsNull() && ds.FieldByName("Age")->IsNull());
  EXPECT_THROW(ds.FieldValues("Name;Nope"), EDatabaseError);

  struct TFocusLink : TDataLink {
    TField* asked = nullptr;
    void FocusControl(TField*& Field) override {
      asked = Field;
      Field = nullptr;
    }
  };
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TFocusLink link;
  link.SetDataSource(&source);
  ds.FieldByName("Age")->SetRequired(true);
  EXPECT_THROW(ds.Post(), EDatabaseError);  // the required field asks for the focus
  EXPECT_EQ(link.asked, ds.FieldByName("Age"));
  ds.Cancel();
}

TEST(DbLifetime, ComponentsGoingAwayLeaveNoDanglingReferences) {
  auto ds = std::make_unique<TMemDataSet>(nullptr);
  dbtest::FillPeople(*ds, 3);
  auto source = std::make_unique<TDataSource>(nullptr);
  source->SetDataSet(ds.get());
  TRecordingLink link;
  link.SetDataSource(source.get());
  link.SetBufferCount(3);
  EXPECT_TRUE(link.Active());
  ds.reset();
  EXPECT_EQ(source->DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.RecordCount(), 0);
  source.reset();
  EXPECT_EQ(link.DataSource(), nullptr);

  TMemDataSet people(nullptr);
  auto cities = std::make_unique<TMemDataSet>(nullptr);
  auto* lookup = new TStringField(&people);
  lookup->SetFieldName("CityName");
  lookup->SetLookupDataSet(cities.get());
  cities.reset();
  EXPECT_EQ(lookup->LookupDataSet(), nullptr);
  people.FieldDefs().Add("Id", ftInteger);
  auto* id = new TIntegerField(&people);
  id->SetFieldName("Id");
  id->SetDataSet(&people);
  people.Open();
  EXPECT_THROW(id->SetFieldName("Other"), EDatabaseError);  // not while open
  people.Close();
  delete id;
  EXPECT_EQ(people.FieldCount(), 0);
}

TEST(DbLifetime, ClosingWhileControlsAreDisabled) {
  TMemDataSet ds(nullptr);
  dbtest::FillPeople(ds, 3);
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TRecordingLink link;
  link.SetDataSource(&source);
  link.Take();
  ds.DisableControls();
  ds.Close();
  ds.Open();
  ds.EnableControls();
  EXPECT_EQ(link.Take(), (Ev{"layout"}));  // the window was rebuilt: a layout change
  ds.DisableControls();
  ds.Close();
  ds.EnableControls();
  EXPECT_EQ(link.Take(), (Ev{"active 0"}));
}

}  // namespace
}  // namespace lab
