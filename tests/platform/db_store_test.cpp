// The in-memory dataset's column store and its sorting, below the dataset.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/db/mem_sort.h"

namespace lab {
namespace {

std::vector<TRecordId> AllIds(const TMemStore& store) {
  std::vector<TRecordId> ids;
  for (TRecordId id = 0; id < store.IdCount(); ++id) ids.push_back(id);
  return ids;
}

TEST(DbStore, SortsIntegersWithNullsAndExtremesStably) {
  TMemStore store({ftLargeint, ftInteger});
  const std::int64_t values[] = {5, std::numeric_limits<std::int64_t>::min(), 0, std::numeric_limits<std::int64_t>::max(), 5, -1};
  for (std::int64_t v : values) {
    const TRecordId id = store.NewRecord();
    store.SetInt(0, id, v);
    store.SetInt(1, id, static_cast<std::int64_t>(id));
  }
  store.NewRecord();  // all null
  std::vector<TRecordId> ids = AllIds(store);
  SortRecords(store, ids, {{0, false}});
  EXPECT_EQ(ids, (std::vector<TRecordId>{6, 1, 5, 2, 0, 4, 3}));  // null before the smallest value
  SortRecords(store, ids, {{0, true}});
  EXPECT_EQ(ids, (std::vector<TRecordId>{3, 0, 4, 2, 5, 1, 6}));  // equal keys stay in the given order
  SortRecords(store, ids, {{0, true}, {1, true}});
  EXPECT_EQ(ids, (std::vector<TRecordId>{3, 4, 0, 2, 5, 1, 6}));
}

TEST(DbStore, SortsRealsTextsAndBlobs) {
  TMemStore store({ftFloat, ftString, ftBlob});
  const double reals[] = {2.5, -0.0, -3, 0.0, 1e300};
  const char* texts[] = {"b", "B", "a", "Ä", "A"};
  const std::string blobs[] = {std::string("\x80", 1), std::string("\x01", 1), std::string(), "z", std::string("\0", 1)};
  for (int i = 0; i < 5; ++i) {
    const TRecordId id = store.NewRecord();
    store.SetReal(0, id, reals[i]);
    store.SetText(1, id, texts[i]);
    store.SetText(2, id, blobs[i]);
  }
  std::vector<TRecordId> ids = AllIds(store);
  SortRecords(store, ids, {{0, false}});
  EXPECT_EQ(ids, (std::vector<TRecordId>{2, 1, 3, 0, 4}));  // -0 and 0 are equal
  SortRecords(store, ids, {{1, false}});
  EXPECT_EQ(ids, (std::vector<TRecordId>{2, 4, 3, 0, 1}));  // a A Ä b B
  SortRecords(store, ids, {{2, false}});
  EXPECT_EQ(ids, (std::vector<TRecordId>{2, 4, 1, 3, 0}));  // bytes, unsigned
  EXPECT_EQ(CompareStoredValue(store, 1, 1, Variant("b"), true), 0);
  EXPECT_NE(CompareStoredValue(store, 1, 1, Variant("b"), false), 0);
  EXPECT_LT(CompareStoredValue(store, 0, 2, Variant(-2.0), false), 0);
}

TEST(DbStore, ManyKeysAndDeletedRecords) {
  TMemStore store({ftInteger, ftInteger, ftInteger, ftInteger, ftInteger});
  for (int i = 0; i < 40; ++i) {
    const TRecordId id = store.NewRecord();
    for (int c = 0; c < 5; ++c) store.SetInt(c, id, (i >> c) & 1);
  }
  std::vector<TRecordId> ids = AllIds(store);
  const std::vector<TSortKey> keys = {{4, false}, {3, true}, {2, false}, {1, true}, {0, false}};
  SortRecords(store, ids, keys);  // more words than the fixed-size rows hold
  for (std::size_t i = 1; i < ids.size(); ++i) {
    const int order = CompareByKeys(store, keys, ids[i - 1], ids[i]);
    EXPECT_TRUE(order < 0 || (order == 0 && ids[i - 1] < ids[i]));
  }
  store.DeleteRecord(3);
  EXPECT_FALSE(store.IsAlive(3));
  EXPECT_EQ(store.LiveCount(), 39u);
  EXPECT_EQ(store.NewRecord(), 40u);  // ids are never handed out twice
}

}  // namespace
}  // namespace lab
