#include "platform/rtl/list.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

struct TItem {
  int value;
};

// Records every notification as "+v" (added), "-v" (deleted) or "~v" (extracted).
class TLoggingList : public TList<TItem> {
 public:
  std::vector<std::string> log;

 protected:
  void Notify(TItem* Ptr, TListNotification Action) override {
    const char* mark = Action == lnAdded ? "+" : Action == lnDeleted ? "-" : "~";
    std::string entry = mark;
    entry += std::to_string(Ptr->value);
    log.push_back(entry);
  }
};

std::vector<int> Values(const TList<TItem>& list) {
  std::vector<int> out;
  for (TItem* item : list) out.push_back(item ? item->value : 0);
  return out;
}

std::string IndexErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EListError& e) {
    return e.Message();
  }
  return "<no exception>";
}

TEST(List, AddInsertDeleteRemoveExtractNotify) {
  TItem a{1}, b{2}, c{3}, d{4};
  TLoggingList list;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&c), 1);
  list.Insert(1, &b);
  list.Insert(3, &d);  // at Count: appends
  list.Add(nullptr);   // nil is kept but never notified
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 4, 0}));
  EXPECT_EQ(list.First(), &a);
  EXPECT_EQ(list.Last(), nullptr);
  EXPECT_EQ(list.IndexOf(&c), 2);
  EXPECT_EQ(list.IndexOf(nullptr), 4);

  list.Pack();
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Remove(&b), 1);
  EXPECT_EQ(list.Remove(&b), -1);
  EXPECT_EQ(list.Extract(&c), &c);
  EXPECT_EQ(list.Extract(&c), nullptr);
  list.Delete(0);
  list.Put(0, &b);  // replaces d
  EXPECT_EQ(Values(list), (std::vector<int>{2}));
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_EQ(list.log, (std::vector<std::string>{"+1", "+3", "+2", "+4", "-2", "~3", "-1", "-4",
                                                "+2", "-2"}));
}

TEST(List, IndexAndCapacityErrors) {
  TItem a{1}, b{2};
  TList<TItem> list;
  EXPECT_EQ(IndexErrorOf([&] { list.First(); }), "List index out of bounds (0)");
  EXPECT_EQ(IndexErrorOf([&] { list.Last(); }), "List index out of bounds (-1)");
  list.Add(&a);
  list.Add(&b);
  EXPECT_EQ(IndexErrorOf([&] { list.Get(2); }), "List index out of bounds (2)");
  EXPECT_EQ(IndexErrorOf([&] { list[-1]; }), "List index out of bounds (-1)");
  EXPECT_EQ(IndexErrorOf([&] { list.Insert(3, &a); }), "List index out of bounds (3)");
  EXPECT_EQ(IndexErrorOf([&] { list.Delete(2); }), "List index out of bounds (2)");
  EXPECT_EQ(IndexErrorOf([&] { list.Put(5, &a); }), "List index out of bounds (5)");
  EXPECT_EQ(IndexErrorOf([&] { list.Move(0, 2); }), "List index out of bounds (2)");
  EXPECT_EQ(IndexErrorOf([&] { list.Exchange(-3, 0); }), "List index out of bounds (-3)");
  EXPECT_EQ(IndexErrorOf([&] { list.SetCapacity(1); }), "List capacity out of bounds (1)");
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2}));  // nothing changed by the failures
  list.SetCapacity(100);
  EXPECT_GE(list.Capacity(), 100);
  list.SetCapacity(2);
  EXPECT_EQ(list.Capacity(), 2);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2}));
}

TEST(List, MoveExchangeAndStableSort) {
  std::vector<TItem> items{{0}, {1}, {2}, {3}, {4}};
  TList<TItem> list;
  for (TItem& item : items) list.Add(&item);
  list.Move(1, 3);
  EXPECT_EQ(Values(list), (std::vector<int>{0, 2, 3, 1, 4}));
  list.Move(4, 0);
  EXPECT_EQ(Values(list), (std::vector<int>{4, 0, 2, 3, 1}));
  list.Move(2, 2);
  list.Exchange(0, 4);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 0, 2, 3, 4}));

  // Sort by parity only: equal keys keep their order.
  list.Sort([](TItem* x, TItem* y) { return x->value % 2 - y->value % 2; });
  EXPECT_EQ(Values(list), (std::vector<int>{0, 2, 4, 1, 3}));
}

struct TCounted {
  static inline int alive = 0;
  TCounted() { ++alive; }
  ~TCounted() { --alive; }
};

TEST(ObjectList, OwnsWhatItDeletesButNotWhatItExtracts) {
  TCounted::alive = 0;
  std::unique_ptr<TCounted> extracted;
  {
    TObjectList<TCounted> list;
    EXPECT_TRUE(list.OwnsObjects());
    for (int i = 0; i < 5; ++i) list.Add(new TCounted);
    EXPECT_EQ(TCounted::alive, 5);
    list.Delete(0);
    EXPECT_EQ(TCounted::alive, 4);
    EXPECT_EQ(list.Remove(list[0]), 0);
    EXPECT_EQ(TCounted::alive, 3);
    list.Put(0, new TCounted);  // the replaced object goes
    EXPECT_EQ(TCounted::alive, 3);
    extracted.reset(list.Extract(list[1]));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(TCounted::alive, 3);
  }
  EXPECT_EQ(TCounted::alive, 1);  // destruction freed the rest
  extracted.reset();

  TCounted kept;
  {
    TObjectList<TCounted> list(false);
    list.Add(&kept);
    list.Delete(0);
    list.Add(&kept);
    list.SetOwnsObjects(false);
  }
  EXPECT_EQ(TCounted::alive, 1);
}

}  // namespace
}  // namespace lab
