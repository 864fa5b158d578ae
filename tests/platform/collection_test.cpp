#include "platform/classes/collection.h"

#include <gtest/gtest.h>

#include "classes_fixtures.h"

namespace lab::test {
namespace {

std::vector<std::string> Names(TTestItems& items) {
  std::vector<std::string> names;
  for (int i = 0; i < items.Count(); ++i) names.push_back(items.Items(i)->FieldName());
  return names;
}

TEST(Collection, IndexMovesAndInsertKeepIdsAndOrder) {
  TTestGadget owner(nullptr);
  TTestItems& items = *owner.Items();
  for (const char* name : {"A", "B", "C", "D"}) items.Add()->SetFieldName(name);
  EXPECT_EQ(items.Items(0)->ID(), 0);
  EXPECT_EQ(items.Items(3)->ID(), 3);

  items.Items(0)->SetIndex(2);
  EXPECT_EQ(Names(items), (std::vector<std::string>{"B", "C", "A", "D"}));
  EXPECT_EQ(items.Items(2)->Index(), 2);
  items.Items(3)->SetIndex(0);
  EXPECT_EQ(Names(items), (std::vector<std::string>{"D", "B", "C", "A"}));
  try {
    items.Items(0)->SetIndex(4);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (4)");
  }
  EXPECT_EQ(Names(items), (std::vector<std::string>{"D", "B", "C", "A"}));

  TCollectionItem* inserted = items.Insert(1);
  static_cast<TTestItem*>(inserted)->SetFieldName("E");
  EXPECT_EQ(Names(items), (std::vector<std::string>{"D", "E", "B", "C", "A"}));
  EXPECT_EQ(inserted->ID(), 4);
  EXPECT_EQ(items.FindItemID(0)->Index(), 4);
  EXPECT_EQ(items.FindItemID(99), nullptr);

  items.Delete(0);
  EXPECT_EQ(Names(items), (std::vector<std::string>{"E", "B", "C", "A"}));
  EXPECT_THROW(items.Delete(4), EListError);
  EXPECT_THROW(items.Items(-1), EListError);
  // IDs are never reused.
  EXPECT_EQ(items.Add()->ID(), 5);

  // At the boundary: Count is a place to insert (the end), one past it is not, and nothing is
  // added by the refusal; the last index is a place to move to.
  const int count = items.Count();
  static_cast<TTestItem*>(items.Insert(count))->SetFieldName("Z");
  EXPECT_EQ(Names(items).back(), "Z");
  EXPECT_THROW(items.Insert(items.Count() + 1), EListError);
  EXPECT_EQ(items.Count(), count + 1);
  items.Items(0)->SetIndex(items.Count() - 1);
  EXPECT_EQ(Names(items).back(), "E");
  items.Items(items.Count() - 1)->SetIndex(0);  // and back
  EXPECT_EQ(Names(items).front(), "E");
  EXPECT_EQ(Names(items).back(), "Z");
}

TEST(Collection, UpdateFiresOnceAtTheEndOfNestedUpdates) {
  TTestGadget owner(nullptr);
  TTestItems& items = *owner.Items();
  items.Add();
  items.Add();
  items.Updates.clear();

  items.BeginUpdate();
  items.BeginUpdate();
  items.Items(0)->SetWidth(10);
  items.Add();
  items.Items(0)->SetIndex(1);
  items.EndUpdate();
  EXPECT_TRUE(items.Updates.empty());
  items.EndUpdate();
  EXPECT_EQ(items.Updates, std::vector<TCollectionItem*>{nullptr});
  EXPECT_EQ(items.UpdateCount(), 0);

  // Outside updates: one item changing names it; a move or an add concerns all.
  items.Updates.clear();
  TTestItem* first = items.Items(0);
  first->SetWidth(5);
  first->SetIndex(2);
  items.Add();
  EXPECT_EQ(items.Updates, (std::vector<TCollectionItem*>{first, nullptr, nullptr}));

  // An unbalanced EndUpdate does not push the count below zero.
  items.Updates.clear();
  items.EndUpdate();
  items.Items(0)->SetWidth(6);
  EXPECT_EQ(items.Updates.size(), 2u);

  // Clear is one update.
  items.Updates.clear();
  items.Clear();
  EXPECT_EQ(items.Updates, std::vector<TCollectionItem*>{nullptr});
}

TEST(Collection, NotificationsSeeWholeItems) {
  TTestGadget owner(nullptr);
  TTestItems& items = *owner.Items();
  items.Add()->SetFieldName("A");
  items.Add()->SetFieldName("B");
  items.Delete(0);
  items.Clear();
  using N = std::pair<TCollectionNotification, std::string>;
  // Added items are announced before descendants set them up; deletion is announced first as
  // deleting and then as extracting, while the item still answers as itself.
  EXPECT_EQ(items.Notes, (std::vector<N>{{cnAdded, "TTestItem"},
                                         {cnAdded, "TTestItem"},
                                         {cnDeleting, "A"},
                                         {cnExtracting, "A"},
                                         {cnExtracting, "B"}}));

  // Freeing an item directly takes it out; moving it to another collection too.
  TTestGadget other(nullptr);
  TTestItem* x = items.Add();
  TTestItem* y = items.Add();
  delete x;
  EXPECT_EQ(items.Count(), 1);
  y->SetCollection(other.Items());
  EXPECT_EQ(items.Count(), 0);
  EXPECT_EQ(other.Items()->Count(), 1);
  EXPECT_EQ(y->Collection(), other.Items());
  // A deleted item is announced once.
  other.Items()->Notes.clear();
  other.Items()->Delete(0);
  EXPECT_EQ(other.Items()->Notes.size(), 2u);
}

// An item whose destructor reaches its collection, as grid columns and footers do.
class TProbeItem : public TCollectionItem {
 public:
  TProbeItem(TCollection* Collection) : TCollectionItem(Collection) {}
  ~TProbeItem() override { Seen->push_back(Collection() ? Index() : -1); }
  std::vector<int>* Seen = nullptr;
};

TEST(Collection, ItemDestructorsStillFindTheirCollection) {
  std::vector<int> seen;
  {
    TCollection items(MetaClass<TProbeItem>());
    for (int i = 0; i < 4; ++i) static_cast<TProbeItem*>(items.Add())->Seen = &seen;
    items.Delete(1);
    delete items.Items(0);
    EXPECT_EQ(items.Count(), 2);
    items.Clear();
    EXPECT_EQ(items.Count(), 0);
    static_cast<TProbeItem*>(items.Add())->Seen = &seen;
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 0, 1, 0, 0}));
}

TEST(Collection, AssignCopiesItemByItemAndSurvivesSelfAssignment) {
  TTestGadget a(nullptr), b(nullptr);
  a.Items()->Add()->SetFieldName("X");
  a.Items()->Add()->SetFieldName("Y");
  a.Items()->Items(1)->Title()->SetCaption("Why");
  b.Items()->Add()->SetFieldName("old");
  b.Items()->Assign(a.Items());
  EXPECT_EQ(Names(*b.Items()), (std::vector<std::string>{"X", "Y"}));
  EXPECT_EQ(b.Items()->Items(1)->Title()->Caption(), "Why");
  EXPECT_NE(b.Items()->Items(0), a.Items()->Items(0));

  a.Items()->Assign(a.Items());
  EXPECT_EQ(Names(*a.Items()), (std::vector<std::string>{"X", "Y"}));

  TTestFont font;
  try {
    a.Items()->Assign(&font);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TTestFont to a TTestItems");
  }
}

TEST(Collection, EqualityComparesStoredProperties) {
  RegisterTestClasses();
  TTestGadget a(nullptr), b(nullptr);
  EXPECT_TRUE(CollectionsEqual(a.Items(), b.Items()));
  a.Items()->Add()->SetFieldName("X");
  b.Items()->Add()->SetFieldName("X");
  EXPECT_TRUE(CollectionsEqual(a.Items(), b.Items()));
  b.Items()->Items(0)->Title()->Font()->SetSize(12);
  EXPECT_FALSE(CollectionsEqual(a.Items(), b.Items()));
  a.Items()->Items(0)->Title()->Font()->SetSize(12);
  EXPECT_TRUE(CollectionsEqual(a.Items(), b.Items()));
  b.Items()->Add();
  EXPECT_FALSE(CollectionsEqual(a.Items(), b.Items()));
  EXPECT_FALSE(CollectionsEqual(a.Items(), nullptr));
}

}  // namespace
}  // namespace lab::test
