// Datasets and data sources in form text: field definitions, the deferred opening, filters, events
// bound by name, and the definitions' guards.
#include <gtest/gtest.h>

#include <memory>

#include "classes_fixtures.h"
#include "platform/classes/form_text.h"
#include "platform/db/db_unit.h"
#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

using test::TTestForm;

class DbStreaming : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RegisterTestClasses();
    UseUnit(DBUnit);
  }

  // A root offering the handlers the texts below bind, which count their calls and record what the
  // data source saw when the dataset opened.
  std::unique_ptr<TTestForm> Root() {
    auto root = std::make_unique<TTestForm>(nullptr);
    root->RegisterHandler<TDataSetNotifyEvent>("DataOpened", [this](TDataSet* D) {
      ++opened;
      source_seen_open = source_of(D);
    });
    root->RegisterHandler<TDataSetNotifyEvent>("DataPosting", [this](TDataSet*) { ++posting; });
    root->RegisterHandler<TNotifyEvent>("SourceState", [this](TObject*) { ++state_changes; });
    root->RegisterHandler<TDataChangeEvent>("SourceData", [this](TObject*, TField*) { ++data_changes; });
    return root;
  }

  int opened = 0, posting = 0, state_changes = 0, data_changes = 0;
  bool source_seen_open = false;
  std::function<bool(TDataSet*)> source_of = [](TDataSet*) { return false; };
};

const char* const kForm =
    "object Form1: TTestForm\n"
    "  object Source1: TDataSource\n"
    "    AutoEdit = False\n"
    "    DataSet = Jobs\n"
    "    OnDataChange = SourceData\n"
    "    OnStateChange = SourceState\n"
    "  end\n"
    "  object Jobs: TMemDataSet\n"
    "    Active = True\n"
    "    Filter = 'Id > 1'\n"
    "    Filtered = True\n"
    "    AfterOpen = DataOpened\n"
    "    BeforePost = DataPosting\n"
    "    FieldDefs = <\n"
    "      item\n"
    "        Name = 'Id'\n"
    "        DataType = ftInteger\n"
    "        Required = True\n"
    "      end\n"
    "      item\n"
    "        Name = 'Title'\n"
    "        DataType = ftString\n"
    "        Size = 12\n"
    "      end>\n"
    "  end\n"
    "end\n";

// Active comes before the definitions and the data source's reference is resolved only after the
// whole text: the dataset opens in Loaded, with its columns and its source in place.
TEST_F(DbStreaming, AFormDefinesTheColumnsAndOpensTheDataSetOnceLoaded) {
  std::unique_ptr<TTestForm> root = Root();
  TDataSource* seen_source = nullptr;
  source_of = [&](TDataSet* D) {
    seen_source = static_cast<TDataSource*>(D->Owner()->FindComponent("Source1"));
    return seen_source && seen_source->DataSet() == D && seen_source->State() == dsBrowse;
  };
  ReadFormText(kForm, root.get());
  auto* jobs = dynamic_cast<TMemDataSet*>(root->FindComponent("Jobs"));
  auto* source = dynamic_cast<TDataSource*>(root->FindComponent("Source1"));
  ASSERT_TRUE(jobs);
  ASSERT_TRUE(source);
  EXPECT_TRUE(jobs->Active());
  EXPECT_EQ(opened, 1);
  EXPECT_TRUE(source_seen_open);
  EXPECT_EQ(state_changes, 1);
  EXPECT_GE(data_changes, 1);
  EXPECT_EQ(source->DataSet(), jobs);
  EXPECT_FALSE(source->AutoEdit());
  EXPECT_TRUE(source->Enabled());

  ASSERT_EQ(jobs->FieldDefs().Count(), 2);
  EXPECT_EQ(jobs->FieldDefs()[1].Name(), "Title");
  EXPECT_EQ(jobs->FieldDefs()[1].Size(), 12);
  ASSERT_EQ(jobs->FieldCount(), 2);
  EXPECT_EQ(jobs->Fields()[0]->DataType(), ftInteger);
  EXPECT_TRUE(jobs->Fields()[0]->Required());
  EXPECT_EQ(jobs->Fields()[1]->Size(), 12);
  EXPECT_TRUE(jobs->DefaultFields());

  // The filter read with the form applies.
  EXPECT_EQ(jobs->Filter(), "Id > 1");
  EXPECT_TRUE(jobs->Filtered());
  for (int id : {1, 2, 3}) {
    jobs->Append();
    jobs->FieldByName("Id")->SetAsInteger(id);
    jobs->Post();
  }
  EXPECT_EQ(posting, 3);
  EXPECT_EQ(jobs->RecordCount(), 2);
}

// Form text is written with CR LF line ends.
std::string Unix(std::string Text) {
  std::erase(Text, '\r');
  return Text;
}

TEST_F(DbStreaming, ADataSetAndItsSourceWriteWhatTheyHoldAndReadBackAlike) {
  std::unique_ptr<TTestForm> root = Root();
  ReadFormText(kForm, root.get());
  // The fields the dataset made are not written.
  EXPECT_EQ(Unix(WriteFormText(root.get())), kForm);

  // Defaults stay out; a closed dataset writes no Active.
  auto* jobs = static_cast<TMemDataSet*>(root->FindComponent("Jobs"));
  auto* source = static_cast<TDataSource*>(root->FindComponent("Source1"));
  jobs->Close();
  jobs->SetFiltered(false);
  jobs->SetFilter("");
  source->SetAutoEdit(true);
  source->SetEnabled(false);
  const std::string closed = WriteFormText(root.get());
  EXPECT_EQ(closed.find("Active"), std::string::npos) << closed;
  EXPECT_EQ(closed.find("Filter"), std::string::npos) << closed;
  EXPECT_EQ(closed.find("AutoEdit"), std::string::npos) << closed;
  EXPECT_NE(closed.find("Enabled = False"), std::string::npos) << closed;
  EXPECT_NE(closed.find("FieldDefs = <"), std::string::npos) << closed;

  std::unique_ptr<TTestForm> again = Root();
  ReadFormText(closed, again.get());
  auto* copy = static_cast<TMemDataSet*>(again->FindComponent("Jobs"));
  EXPECT_FALSE(copy->Active());
  EXPECT_FALSE(copy->DefaultFields());  // never opened
  EXPECT_FALSE(static_cast<TDataSource*>(again->FindComponent("Source1"))->Enabled());
  EXPECT_EQ(WriteFormText(again.get()), closed);
}

TEST_F(DbStreaming, BadDefinitionsInATextAreRefusedWithTheirLine) {
  auto error_of = [this](const std::string& text) {
    std::unique_ptr<TTestForm> root = Root();
    try {
      ReadFormText(text, root.get());
    } catch (const Exception& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  const std::string head =
      "object Form1: TTestForm\n"
      "  object Jobs: TMemDataSet\n"
      "    FieldDefs = <\n"
      "      item\n"
      "        Name = 'Id'\n"
      "        DataType = ftInteger\n"
      "      end\n"
      "      item\n";
  const std::string tail = "      end>\n  end\nend\n";
  const std::string duplicate = error_of(head + "        Name = 'ID'\n" + tail);
  EXPECT_NE(duplicate.find("Line 9"), std::string::npos) << duplicate;
  EXPECT_NE(duplicate.find("Duplicate field name 'ID'"), std::string::npos) << duplicate;
  const std::string bad_type = error_of(head + "        Name = 'Note'\n        DataType = ftNothing\n" + tail);
  EXPECT_NE(bad_type.find("Line 10"), std::string::npos) << bad_type;
  EXPECT_NE(bad_type.find("Invalid property value"), std::string::npos) << bad_type;

  // A column type the dataset cannot store fails the opening in Loaded: the error comes out of the
  // reading, not later.
  const std::string text =
      "object Form1: TTestForm\n"
      "  object Jobs: TMemDataSet\n"
      "    Active = True\n"
      "    FieldDefs = <\n"
      "      item\n"
      "        Name = 'Key'\n"
      "        DataType = ftGuid\n"
      "      end>\n"
      "  end\n"
      "end\n";
  EXPECT_NE(error_of(text).find("Key"), std::string::npos) << error_of(text);
}

TEST_F(DbStreaming, DefinitionsChangeOnlyWhileTheDataSetIsClosed) {
  TMemDataSet ds(nullptr);
  ds.SetName("Jobs");
  ds.FieldDefs().Add("Id", ftInteger);
  TFieldDef* title = ds.FieldDefs().AddFieldDef();
  title->SetName("Title");
  title->SetDataType(ftString);
  title->SetSize(8);
  EXPECT_THROW(title->SetName("id"), EDatabaseError);  // names are unique without case
  title->SetName("TITLE");                               // its own name in another case is fine
  EXPECT_EQ(ds.FieldDefs().IndexOf("title"), 1);
  EXPECT_EQ(ds.FieldDefs().Items(1)->DisplayName(), "TITLE");
  EXPECT_FALSE(ds.DefaultFields());
  ds.Open();
  EXPECT_TRUE(ds.DefaultFields());
  EXPECT_EQ(ds.FieldByName("Title")->Size(), 8);

  auto message = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const EDatabaseError& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message([&] { title->SetDataType(ftInteger); }),
            "Jobs: Cannot perform this operation on an open dataset");
  EXPECT_EQ(message([&] { ds.FieldDefs().Add("More", ftInteger); }),
            "Jobs: Cannot perform this operation on an open dataset");
  EXPECT_EQ(ds.FieldDefs().Count(), 2);
  EXPECT_EQ(title->DataType(), ftString);
  ds.Append();
  ds.FieldByName("Title")->SetAsString("kept");
  ds.Post();
  EXPECT_NE(ds.SaveToCSV().find("kept"), std::string::npos);

  // Closed, the definitions change again and the fields follow them at the next opening; a
  // closed dataset keeps the answer of its last opening.
  ds.Close();
  EXPECT_TRUE(ds.DefaultFields());
  title->SetDataType(ftInteger);
  ds.Open();
  EXPECT_EQ(ds.FieldByName("Title")->DataType(), ftInteger);
}

// A form read back holds its data source before its dataset, and frees the dataset first.
TEST_F(DbStreaming, AnOwnerFreesADataSetMadeAfterItsSource) {
  auto owner = std::make_unique<TTestForm>(nullptr);
  auto* source = new TDataSource(owner.get());
  auto* ds = new TMemDataSet(owner.get());
  ds->FieldDefs().Add("Id", ftInteger);
  source->SetDataSet(ds);
  dbtest::TRecordingLink link;
  link.SetDataSource(source);
  ds->Open();
  EXPECT_TRUE(link.Active());
  delete ds;  // directly, too
  EXPECT_EQ(source->DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
  ds = new TMemDataSet(owner.get());
  ds->FieldDefs().Add("Id", ftInteger);
  source->SetDataSet(ds);
  ds->Open();
  EXPECT_TRUE(link.Active());
  link.SetDataSource(nullptr);
  owner.reset();  // frees the dataset (made last) first
}

TEST_F(DbStreaming, FieldsMadeBeforeOpeningAreNotTheDataSetsOwnEvenWhenItOwnsThem) {
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Id", ftInteger);
  ds.FieldDefs().Add("Name", ftString, 10);
  auto* id = CreateFieldOfType(ftInteger, &ds, "Id");
  id->SetDataSet(&ds);
  ds.Open();
  EXPECT_FALSE(ds.DefaultFields());
  EXPECT_EQ(ds.FieldCount(), 1);  // persistent fields only
  ds.Close();
  EXPECT_EQ(ds.FieldCount(), 1);
  EXPECT_FALSE(ds.DefaultFields());
}

}  // namespace
}  // namespace lab
