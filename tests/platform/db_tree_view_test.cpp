// The in-memory dataset's tree view: records linked by a key and a parent key, in tree order, with
// collapsed nodes' descendants left out; levels, siblings and children as a tree outline reads
// them; sorting, filtering, posting and deleting under it; keys that make no proper tree.
#include <gtest/gtest.h>

#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

struct DbTreeView : ::testing::Test {
  TMemDataSet ds{nullptr};

  // Records (Id, Parent, Name) in this stored order: 1 has 2 and 3, 2 has 4; 5 is a root and 6's
  // parent does not exist.
  void SetUp() override {
    ds.FieldDefs().Add("Id", ftInteger);
    ds.FieldDefs().Add("Parent", ftInteger);
    ds.FieldDefs().Add("Name", ftString, 10);
    ds.Open();
    for (auto [id, parent, name] : {std::tuple{4, 2, "d"}, {1, 0, "a"}, {2, 1, "b"}, {5, 0, "e"}, {3, 1, "c"},
                                    {6, 99, "f"}})
      Add(id, parent, name);
    ds.SetTreeFields("Id", "Parent");
    ds.First();
  }
  void Add(int id, int parent, const char* name) {
    ds.Append();
    ds.FieldByName("Id")->SetAsInteger(id);
    if (parent != 0) ds.FieldByName("Parent")->SetAsInteger(parent);
    ds.FieldByName("Name")->SetAsString(name);
    ds.Post();
  }
  // The records as "id:level" in order.
  std::string Rows() {
    std::string out;
    const TBookmark here = ds.Bookmark();
    ds.DisableControls();
    for (ds.First(); !ds.Eof(); ds.Next())
      out += (out.empty() ? "" : " ") + std::to_string(dbtest::CurrentId(ds)) + ":" + std::to_string(ds.TreeNode().Level);
    if (!here.empty() && ds.BookmarkValid(here)) ds.GotoBookmark(here);
    ds.EnableControls();
    return out;
  }
  void At(int id) { ASSERT_TRUE(ds.Locate("Id", id, {})) << id; }
  void ExpandAll() {
    for (int id : {1, 2}) {
      At(id);
      ds.TreeExpand();
    }
  }
};

TEST_F(DbTreeView, NodesStartCollapsedAndOpenStepByStep) {
  EXPECT_TRUE(ds.TreeViewShown());
  EXPECT_EQ(Rows(), "1:1 5:1 6:1");
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_EQ(ds.TreeLevels(), 3);
  struct TStep {
    int Id;
    TTreeNodeChange Change;
    const char* Rows;
  };
  const TStep steps[] = {
      {1, TTreeNodeChange::Expand, "1:1 2:2 3:2 5:1 6:1"},
      {2, TTreeNodeChange::Toggle, "1:1 2:2 4:3 3:2 5:1 6:1"},
      {4, TTreeNodeChange::Expand, "1:1 2:2 4:3 3:2 5:1 6:1"},  // a leaf has nothing to open
      {1, TTreeNodeChange::Collapse, "1:1 5:1 6:1"},
      {1, TTreeNodeChange::Toggle, "1:1 2:2 4:3 3:2 5:1 6:1"},  // 2 stayed open inside
      {2, TTreeNodeChange::Collapse, "1:1 2:2 3:2 5:1 6:1"},
      {5, TTreeNodeChange::Toggle, "1:1 2:2 3:2 5:1 6:1"},
  };
  for (const TStep& s : steps) {
    At(s.Id);
    ds.ChangeTreeNode(s.Change);
    EXPECT_EQ(Rows(), s.Rows) << s.Id;
    EXPECT_EQ(dbtest::CurrentId(ds), s.Id);  // the node stays current
  }
}

TEST_F(DbTreeView, ANodeTellsItsLevelChildrenSiblingsAndTheNextRowsLevel) {
  ExpandAll();
  struct TExpected {
    int Id, Level;
    bool HasChildren, Expanded;
    int NextLevel;
    std::vector<bool> Follows;
  };
  const TExpected nodes[] = {
      {1, 1, true, true, 2, {true}},           {2, 2, true, true, 3, {true, true}},
      {4, 3, false, false, 2, {true, true, false}}, {3, 2, false, false, 1, {true, false}},
      {5, 1, false, false, 1, {true}},         {6, 1, false, false, 0, {false}},
  };
  for (const TExpected& e : nodes) {
    At(e.Id);
    const TMemTreeNode n = ds.TreeNode();
    EXPECT_EQ(n.Level, e.Level) << e.Id;
    EXPECT_EQ(n.HasChildren, e.HasChildren) << e.Id;
    EXPECT_EQ(n.Expanded, e.Expanded) << e.Id;
    EXPECT_EQ(n.NextLevel, e.NextLevel) << e.Id;
    EXPECT_EQ(n.Follows, e.Follows) << e.Id;
  }
  // A record read in place answers for itself, the current one stays.
  At(6);
  ds.BeginReadRecord(2);
  EXPECT_EQ(ds.TreeNode().Level, 2);
  ds.EndReadRecord();
  EXPECT_EQ(ds.TreeNode().Level, 1);
}

TEST_F(DbTreeView, SortingOrdersSiblingsAndFilteringMakesOrphansRoots) {
  ExpandAll();
  ds.SetSortFields("Name DESC");
  EXPECT_EQ(Rows(), "6:1 5:1 1:1 3:2 2:2 4:3");
  ds.SetSortFields("");
  ds.SetFilter("Name <> 'b'");
  ds.SetFiltered(true);
  EXPECT_EQ(Rows(), "4:1 1:1 3:2 5:1 6:1");  // 4 was stored first
  ds.SetFiltered(false);
  EXPECT_EQ(Rows(), "1:1 2:2 4:3 3:2 5:1 6:1");
  // A locate finds the rows, and searches them in tree order even when sorted.
  ds.SetSortFields("Id");
  ASSERT_TRUE(ds.Locate("Id", 3, {}));
  EXPECT_EQ(dbtest::CurrentId(ds), 3);
}

TEST_F(DbTreeView, RingsOfParentsAndSelfParentsStillShowEveryRecordOnce) {
  Add(7, 8, "g");
  Add(8, 7, "h");  // 7 is where the walk up from 7 enters the ring: a root
  Add(9, 9, "i");
  Add(10, 8, "j");
  EXPECT_EQ(Rows(), "1:1 5:1 6:1 7:1 8:2 10:3 9:1");
}

TEST_F(DbTreeView, APostedRecordShowsUnderItsParentAndADeletedNodesChildrenBecomeRoots) {
  // Posted under collapsed 2: its ancestors open and it is current.
  At(5);
  Add(7, 2, "g");
  EXPECT_EQ(dbtest::CurrentId(ds), 7);
  EXPECT_EQ(Rows(), "1:1 2:2 4:3 7:3 3:2 5:1 6:1");
  // A new parent key moves the record with its subtree.
  At(2);
  ds.Edit();
  ds.FieldByName("Parent")->SetAsInteger(5);
  ds.Post();
  EXPECT_EQ(Rows(), "1:1 3:2 5:1 2:2 4:3 7:3 6:1");
  // Deleting collapsed 2 shows its children as roots; the cursor takes the record after it.
  ds.TreeCollapse();
  ds.Delete();
  EXPECT_EQ(Rows(), "4:1 1:1 3:2 5:1 6:1 7:1");  // roots in the stored order
  EXPECT_EQ(dbtest::CurrentId(ds), 6);
}

TEST_F(DbTreeView, FieldsThatCannotMakeATreeAreRefusedAndTheViewStays) {
  struct TCase {
    const char* Key;
    const char* Parent;
    const char* Message;
  };
  const TCase cases[] = {
      {"Id", "Missing", "Field 'Missing' not found"},
      {"Id", "Name", "Fields 'Id' and 'Name' cannot make a tree"},
  };
  for (const TCase& c : cases) {
    try {
      ds.SetTreeFields(c.Key, c.Parent);
      ADD_FAILURE() << c.Parent;
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), c.Message);
    }
    EXPECT_EQ(ds.TreeParentField(), "Parent");
    EXPECT_EQ(Rows(), "1:1 5:1 6:1");
  }
  // Ending the tree view keeps the current record and shows every record.
  At(5);
  ds.SetTreeFields("", "");
  EXPECT_FALSE(ds.TreeViewShown());
  EXPECT_EQ(ds.RecordCount(), 6);
  EXPECT_EQ(dbtest::CurrentId(ds), 5);
  EXPECT_EQ(ds.TreeNode().Level, 0);
  // Set on a closed dataset, the fields are checked at Open.
  ds.Close();
  ds.SetTreeFields("Id", "Nothing");
  EXPECT_THROW(ds.Open(), EDatabaseError);
}

}  // namespace
}  // namespace lab
