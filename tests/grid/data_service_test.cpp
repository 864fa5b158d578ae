// The grid's data service: sorting, filtering and searching handed to the feature object of the
// grid's dataset class, custom handlers taking over, and datasets with no feature object.

#include "grid_fixture.h"

#include "grid/data_service.h"
#include "grid/dataset_features.h"
#include "grid/mem_dataset_features.h"

namespace lab::gridtest {
namespace {

// Opens the grid's hand-overs to the tests.
class TServiceGrid : public TDBGridX {
 public:
  using TDBGridX::TDBGridX;
  using TDBGridX::DefaultApplyFilter;
  using TDBGridX::DefaultApplySorting;
};

class DataService : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    delete grid;
    sgrid = new TServiceGrid(form);
    grid = sgrid;
    grid->SetName("Grid1");
    grid->SetParent(form);
    grid->SetDataSource(source);
    OpenWithRows();  // ids 1..3, names one, two, three, prices 1.5, null, 2.0
    AddRow(4, "four", false, "K0", 0.5);
    ds->First();
    for (const char* name : {"Id", "Name", "Price"}) grid->Columns()->Add()->SetFieldName(name);
  }
  void TearDown() override {
    DBGridXDataService()->OnApplySorting = nullptr;
    DBGridXDataService()->OnApplyFilter = nullptr;
    GridTest::TearDown();
  }
  std::string Ids() {
    std::string ids;
    ds->DisableControls();
    const TBookmark mark = ds->Bookmark();
    for (ds->First(); !ds->Eof(); ds->Next()) ids += ds->FieldByName("Id")->AsString() + " ";
    ds->GotoBookmark(mark);
    ds->EnableControls();
    return ids;
  }

  TServiceGrid* sgrid = nullptr;
};

TEST_F(DataService, SortMarkersSortAnInMemoryDataSet) {
  Column(1)->Title()->SetSortMarker(smDownX);
  sgrid->DefaultApplySorting();
  EXPECT_EQ(ds->SortFields(), "Name");
  EXPECT_EQ(Ids(), "4 1 3 2 ");
  Column(1)->Title()->SetSortMarker(smUpX);
  sgrid->DefaultApplySorting();
  EXPECT_EQ(Ids(), "2 3 1 4 ");
  // Several markers sort by each in turn.
  grid->SetOptionsX(grid->OptionsX() + dgxMultiSortMarking);
  Column(2)->Title()->SetSortMarker(smDownX);
  Column(0)->Title()->SetSortMarker(smUpX);
  EXPECT_EQ(TMemDataSetFeaturesX::SortText(grid), "Name DESC; Price; Id DESC");
  Column(1)->Title()->SetSortMarker(smNoneX);
  sgrid->DefaultApplySorting();
  EXPECT_EQ(Ids(), "2 4 1 3 ");  // null price first
  for (int i = 0; i < 3; ++i) Column(i)->Title()->SetSortMarker(smNoneX);
  sgrid->DefaultApplySorting();
  EXPECT_EQ(ds->SortFields(), "");
  EXPECT_EQ(Ids(), "1 2 3 4 ");
}

TEST_F(DataService, ColumnConditionsFilterAnInMemoryDataSet) {
  Column(2)->STFilter()->SetExpressionStr(">= 1 OR =Null");
  sgrid->DefaultApplyFilter();
  EXPECT_EQ(ds->Filter(), "(\"Price\" >= 1 OR \"Price\" IS NULL)");
  EXPECT_EQ(Ids(), "1 2 3 ");
  Column(1)->STFilter()->SetExpressionStr("~ t");
  sgrid->DefaultApplyFilter();
  EXPECT_EQ(Ids(), "2 3 ");
  Column(1)->STFilter()->SetExpressionStr("!In (two, nine)");
  sgrid->DefaultApplyFilter();
  EXPECT_EQ(Ids(), "1 3 ");
  Column(2)->STFilter()->Clear();
  Column(1)->STFilter()->Clear();
  sgrid->DefaultApplyFilter();
  EXPECT_FALSE(ds->Filtered());
  EXPECT_EQ(Ids(), "1 2 3 4 ");
  // The grid takes no layout while the dataset is filtered, and its flag is its own again after.
  EXPECT_FALSE(grid->InLayout());
}

// The condition names its field whatever characters the name holds.
TEST_F(DataService, AFieldNameWithBracketsAndQuotesFilters) {
  TMemDataSet sizes(nullptr);
  sizes.FieldDefs().Add("Width [mm]", ftInteger);
  sizes.FieldDefs().Add("Say \"hi\"", ftInteger);
  sizes.Open();
  for (int i = 1; i <= 3; ++i) {
    sizes.Append();
    sizes.Fields()[0]->SetAsInteger(i * 10);
    sizes.Fields()[1]->SetAsInteger(i);
    sizes.Post();
  }
  TDataSource sizes_source(nullptr);
  sizes_source.SetDataSet(&sizes);
  grid->SetDataSource(&sizes_source);
  grid->Columns()->Clear();
  grid->Columns()->Add()->SetFieldName("Width [mm]");
  grid->Columns()->Add()->SetFieldName("Say \"hi\"");
  Column(0)->STFilter()->SetExpressionStr(">= 20");
  Column(1)->STFilter()->SetExpressionStr("<> 3");
  sgrid->DefaultApplyFilter();
  EXPECT_TRUE(sizes.Filtered());
  EXPECT_EQ(sizes.RecordCount(), 1);
  EXPECT_EQ(sizes.Fields()[0]->AsInteger(), 20);
  grid->SetDataSource(source);
}

TEST_F(DataService, CustomHandlersTakeOver) {
  int sorts = 0, filters = 0;
  DBGridXDataService()->OnApplySorting = [&](TCustomDBGridX* g) {
    EXPECT_EQ(g, grid);
    ++sorts;
  };
  DBGridXDataService()->OnApplyFilter = [&](TCustomDBGridX* g) {
    EXPECT_TRUE(g->InLayout());
    ++filters;
  };
  Column(0)->Title()->SetSortMarker(smUpX);
  Column(0)->STFilter()->SetExpressionStr("> 2");
  sgrid->DefaultApplySorting();
  sgrid->DefaultApplyFilter();
  EXPECT_EQ(sorts, 1);
  EXPECT_EQ(filters, 1);
  EXPECT_EQ(ds->SortFields(), "");
  EXPECT_FALSE(ds->Filtered());
}

TEST_F(DataService, LocateTextGoesToTheFeatureObject) {
  EXPECT_TRUE(DBGridXDataService()->LocateText(grid, "Name", "THR", {loCaseInsensitive, loPartialKey}));
  EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 3);
  EXPECT_FALSE(DBGridXDataService()->LocateText(grid, "Name", "zzz", {}));
  EXPECT_EQ(ds->FieldByName("Id")->AsInteger(), 3);
}

// A dataset class of its own, with no feature object registered: nothing happens.
class TOtherDataSet : public TMemDataSet {
  LAB_CLASS(TOtherDataSet, TMemDataSet)
 public:
  using TMemDataSet::TMemDataSet;
};

TEST_F(DataService, ADataSetWithoutFeatureObjectIsLeftAlone) {
  EXPECT_TRUE(GetDatasetService(ds));
  EXPECT_EQ(GetDatasetService(nullptr), nullptr);
  TOtherDataSet other(nullptr);
  // A descendant is served by its ancestor's registration until it has one of its own.
  EXPECT_EQ(GetDatasetService(&other), GetDatasetService(ds));
  RegisterDatasetFeaturesX(TOtherDataSet::StaticClass(), nullptr);
  EXPECT_EQ(GetDatasetService(&other), nullptr);
  other.FieldDefs().Add("Id", ftInteger);
  other.Open();
  source->SetDataSet(&other);
  Column(0)->Title()->SetSortMarker(smUpX);
  Column(0)->STFilter()->SetExpressionStr("> 2");
  EXPECT_NO_THROW(sgrid->DefaultApplySorting());
  EXPECT_NO_THROW(sgrid->DefaultApplyFilter());
  EXPECT_FALSE(DBGridXDataService()->LocateText(grid, "Id", "1", {}));
  EXPECT_EQ(other.SortFields(), "");
  source->SetDataSet(nullptr);
  EXPECT_NO_THROW(sgrid->DefaultApplySorting());
  UnRegisterDatasetFeaturesX(TOtherDataSet::StaticClass());
}

}  // namespace
}  // namespace lab::gridtest
