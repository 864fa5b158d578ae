// Moving through a dataset: Bof and Eof, record numbers, the buffer window the links see, and
// bookmarks.
#include <gtest/gtest.h>

#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

using dbtest::CurrentId;
using dbtest::TRecordingLink;

TEST(DbNavigation, EofTurnsTrueOnlyAfterAMovePastTheLastRecord) {
  TMemDataSet ds(nullptr);
  dbtest::FillPeople(ds, 3);
  EXPECT_TRUE(ds.Bof());
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.MoveBy(2), 2);
  EXPECT_EQ(CurrentId(ds), 3);
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.MoveBy(1), 0);
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(CurrentId(ds), 3);
  ds.Prior();
  EXPECT_FALSE(ds.Eof());
  EXPECT_FALSE(ds.Bof());
  EXPECT_EQ(ds.MoveBy(-5), -1);
  EXPECT_TRUE(ds.Bof());
  ds.Last();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.RecNo(), 3);

  TMemDataSet empty(nullptr);
  empty.FieldDefs().Add("A", ftInteger);
  empty.Open();
  EXPECT_TRUE(empty.Bof() && empty.Eof() && empty.IsEmpty());
  EXPECT_THROW(empty.Delete(), EDatabaseError);
  EXPECT_EQ(empty.RecNo(), 0);
  EXPECT_EQ(empty.Bookmark(), "");
}

TEST(DbNavigation, WindowAtTopMiddleAndEnd) {
  TMemDataSet ds(nullptr);
  dbtest::FillPeople(ds, 30);
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TRecordingLink grid, edit;
  grid.SetDataSource(&source);
  edit.SetDataSource(&source);
  grid.SetBufferCount(10);
  EXPECT_EQ(ds.BufferCount(), 10);  // the largest link's need
  EXPECT_EQ(grid.RecordCount(), 10);
  EXPECT_EQ(edit.RecordCount(), 1);

  ds.MoveBy(14);  // middle: the window slid so the record is on its last row
  EXPECT_EQ(CurrentId(ds), 15);
  EXPECT_EQ(grid.ActiveRecord(), 9);
  EXPECT_EQ(edit.ActiveRecord(), 0);
  // Reading the other rows of the window, then putting the active row back.
  grid.SetActiveRecord(0);
  EXPECT_EQ(CurrentId(ds), 6);
  EXPECT_EQ(ds.RecNo(), 6);
  grid.SetActiveRecord(9);
  EXPECT_EQ(CurrentId(ds), 15);

  ds.Last();  // end: the last ten records, the active one last
  EXPECT_EQ(grid.ActiveRecord(), 9);
  grid.SetActiveRecord(0);
  EXPECT_EQ(CurrentId(ds), 21);
  grid.SetActiveRecord(9);

  grid.SetBufferCount(15);  // growing at the end fills the window from before
  EXPECT_EQ(grid.RecordCount(), 15);
  EXPECT_EQ(grid.ActiveRecord(), 14);
  EXPECT_EQ(CurrentId(ds), 30);
  grid.SetBufferCount(4);  // shrinking keeps the active record
  EXPECT_EQ(grid.RecordCount(), 4);
  EXPECT_EQ(grid.ActiveRecord(), 3);
  EXPECT_EQ(CurrentId(ds), 30);

  ds.First();  // top
  grid.SetBufferCount(10);
  EXPECT_EQ(grid.ActiveRecord(), 0);
  EXPECT_EQ(grid.RecordCount(), 10);
  grid.SetDataSource(nullptr);
  EXPECT_EQ(ds.BufferCount(), 1);

  TMemDataSet few(nullptr);
  dbtest::FillPeople(few, 3);
  TDataSource few_source(nullptr);
  few_source.SetDataSet(&few);
  TRecordingLink few_link;
  few_link.SetDataSource(&few_source);
  few_link.SetBufferCount(10);
  EXPECT_EQ(few_link.RecordCount(), 3);
  few.Last();
  EXPECT_EQ(few_link.ActiveRecord(), 2);
}

TEST(DbNavigation, RecNoMovesAndBookmarksJump) {
  TMemDataSet ds(nullptr);
  dbtest::FillPeople(ds, 50);
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TRecordingLink grid;
  grid.SetDataSource(&source);
  grid.SetBufferCount(7);
  ds.SetRecNo(25);
  EXPECT_EQ(CurrentId(ds), 25);
  EXPECT_EQ(grid.ActiveRecord(), 3);  // centred
  const TBookmark mark = ds.Bookmark();
  ds.First();
  const TBookmark first = ds.Bookmark();
  EXPECT_LT(ds.CompareBookmarks(first, mark), 0);
  EXPECT_GT(ds.CompareBookmarks(mark, first), 0);
  EXPECT_EQ(ds.CompareBookmarks(mark, mark), 0);
  EXPECT_LT(ds.CompareBookmarks("", mark), 0);
  ds.GotoBookmark(mark);
  EXPECT_EQ(CurrentId(ds), 25);
  EXPECT_EQ(ds.RecNo(), 25);
  ds.SetRecNo(1000);
  EXPECT_EQ(ds.RecNo(), 50);

  ds.GotoBookmark(mark);
  ds.Delete();
  EXPECT_FALSE(ds.BookmarkValid(mark));
  EXPECT_THROW(ds.GotoBookmark(mark), EDatabaseError);
  EXPECT_EQ(CurrentId(ds), 26);
  EXPECT_FALSE(ds.BookmarkValid("junk"));
}

}  // namespace
}  // namespace lab
