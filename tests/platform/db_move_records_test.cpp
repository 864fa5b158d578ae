// Moving records of TMemDataSet by hand: where they land, that the inverse move gives the order
// back (hidden records included), and when nothing may move.
#include <gtest/gtest.h>

#include <functional>

#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

using dbtest::CurrentId;
using dbtest::FillPeople;

std::vector<int> Ids(TDataSet& ds) {
  std::vector<int> ids;
  const TBookmark here = ds.Bookmark();
  for (ds.First(); !ds.Eof(); ds.Next()) ids.push_back(CurrentId(ds));
  if (!here.empty()) ds.GotoBookmark(here);
  return ids;
}

// The stored order: every record, whatever the filter.
std::vector<int> StoredIds(TMemDataSet& ds) {
  const bool filtered = ds.Filtered();
  ds.SetFiltered(false);
  std::vector<int> ids = Ids(ds);
  ds.SetFiltered(filtered);
  return ids;
}

std::vector<TBookmark> Marks(TMemDataSet& ds, const std::vector<int>& ids) {
  std::vector<TBookmark> marks;
  const TBookmark here = ds.Bookmark();
  for (int id : ids) {
    EXPECT_TRUE(ds.Locate("Id", Variant(id), {}));
    marks.push_back(ds.Bookmark());
  }
  ds.GotoBookmark(here);
  return marks;
}

struct DbMoveRecords : ::testing::Test {
  TMemDataSet ds{nullptr};
  void SetUp() override { FillPeople(ds, 8); }
};

// Each move, then the move that undoes it: the same records before the record that followed them.
TEST_F(DbMoveRecords, RecordsLandBeforeTheGivenRecordAndTheInverseMoveGivesTheOrderBack) {
  struct Case {
    const char* what;
    std::vector<int> moved;
    int before;
    std::vector<int> order;
    int back;  // where the inverse move puts them
  };
  const Case cases[] = {
      {"a run down", {2, 3, 4}, 7, {1, 5, 6, 2, 3, 4, 7, 8}, 2},
      {"a run up to the first", {5, 6}, 1, {5, 6, 1, 2, 3, 4, 7, 8}, 7},
      {"to the end", {1}, 9, {2, 3, 4, 5, 6, 7, 8, 1}, 1},
      {"the last to the end", {8}, 9, {1, 2, 3, 4, 5, 6, 7, 8}, 9},
      {"before one of them", {3, 4, 5}, 4, {1, 2, 3, 4, 5, 6, 7, 8}, 6},
      {"given out of order", {6, 2}, 5, {1, 3, 4, 2, 6, 5, 7, 8}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMemDataSet d{nullptr};
    FillPeople(d, 8);
    d.SetRecNo(3);
    EXPECT_TRUE(d.MoveRecords(Marks(d, c.moved), c.before));
    EXPECT_EQ(Ids(d), c.order);
    EXPECT_EQ(CurrentId(d), 3);  // the current record stays current where it went
    if (c.back == 0) continue;   // scattered records have no single inverse move
    EXPECT_TRUE(d.MoveRecords(Marks(d, c.moved), c.back));
    EXPECT_EQ(Ids(d), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  }
}

// Filtered, the records move among the visible ones and the hidden ones keep their places in the
// stored order, which the file written and an unfiltered view show.
TEST_F(DbMoveRecords, HiddenRecordsKeepTheirPlaces) {
  ds.SetFilter("Id <> 3 AND Id <> 6");
  ds.SetFiltered(true);
  ASSERT_EQ(Ids(ds), (std::vector<int>{1, 2, 4, 5, 7, 8}));
  EXPECT_TRUE(ds.MoveRecords(Marks(ds, {4, 5}), 6));  // before 8
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 7, 4, 5, 8}));
  EXPECT_EQ(StoredIds(ds), (std::vector<int>{1, 2, 3, 6, 7, 4, 5, 8}));
  EXPECT_TRUE(ds.MoveRecords(Marks(ds, {4, 5}), 3));  // before 7, their follower on show
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 4, 5, 7, 8}));
  EXPECT_EQ(StoredIds(ds), (std::vector<int>{1, 2, 3, 6, 4, 5, 7, 8}));
  EXPECT_TRUE(ds.MoveRecords(Marks(ds, {1}), 7));  // after the last shown: last of all
  EXPECT_EQ(StoredIds(ds), (std::vector<int>{2, 3, 6, 4, 5, 7, 8, 1}));
  const std::string csv = ds.SaveToCSV();
  EXPECT_LT(csv.find("\n8,"), csv.find("\n1,"));
}

// A pending edit is posted before the records move, and stays with its record.
TEST_F(DbMoveRecords, APendingEditIsPostedFirst) {
  const std::vector<TBookmark> second = Marks(ds, {2});
  ds.SetRecNo(2);
  ds.Edit();
  ds.FieldByName("Name")->SetAsString("edited");
  EXPECT_TRUE(ds.MoveRecords(second, 9));
  EXPECT_EQ(ds.State(), dsBrowse);
  EXPECT_EQ(CurrentId(ds), 2);
  EXPECT_EQ(ds.RecNo(), 8);
  EXPECT_EQ(ds.FieldByName("Name")->AsString(), "edited");
}

// Where a move cannot be made nothing moves, and asking only never moves anything.
TEST_F(DbMoveRecords, RefusedMovesAndChecksMoveNothing) {
  const std::vector<int> order{1, 2, 3, 4, 5, 6, 7, 8};
  struct Case {
    const char* what;
    std::function<void(TMemDataSet&)> arrange;
    std::vector<int> moved;
    int before;
    bool check_only;
    bool allowed;
  };
  const Case cases[] = {
      {"asked only", nullptr, {2}, 6, true, true},
      {"asked only, at the end", nullptr, {2}, 9, true, true},
      {"past the end", nullptr, {2}, 10, false, false},
      {"before the first number", nullptr, {2}, 0, false, false},
      {"no records", nullptr, {}, 3, false, false},
      {"sorted", [](TMemDataSet& d) { d.SetSortFields("Id DESC"); }, {2}, 6, false, false},
      {"a tree", [](TMemDataSet& d) { d.SetTreeFields("Id", "Age"); }, {2}, 6, false, false},
      {"read-only", [](TMemDataSet& d) { d.SetReadOnly(true); }, {2}, 6, true, false},
      {"a hidden record", [](TMemDataSet& d) {
         d.SetFilter("Id <> 2");
         d.SetFiltered(true);
       }, {2}, 6, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMemDataSet d{nullptr};
    FillPeople(d, 8);
    const std::vector<TBookmark> marks = Marks(d, c.moved);
    if (c.arrange) c.arrange(d);
    EXPECT_EQ(d.MoveRecords(marks, c.before, c.check_only), c.allowed);
    d.SetSortFields("");
    d.SetTreeFields("", "");
    EXPECT_EQ(StoredIds(d), order);
  }
  // A deleted record's bookmark, and a closed dataset.
  const std::vector<TBookmark> marks = Marks(ds, {2});
  ds.SetRecNo(2);
  ds.Delete();
  EXPECT_FALSE(ds.MoveRecords(marks, 5));
  ds.Close();
  EXPECT_FALSE(ds.MoveRecords(marks, 1));
}

}  // namespace
}  // namespace lab
