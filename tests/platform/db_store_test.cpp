// The in-memory dataset's column store and its sorting, below the dataset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <random>

#include "platform/db/mem_sort.h"
#include "platform/rtl/utf8.h"

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

// Sorting by precomputed words orders as the record comparison does, for any mix of keys: narrow
// and wide integers with nulls and extremes, reals, texts of few and of many values, either way.
TEST(DbStore, SortsAsTheComparisonForAnyKeys) {
  TMemStore store({ftSmallint, ftLargeint, ftFloat, ftString, ftString, ftBoolean, ftInteger, ftString});
  std::mt19937 random(9);
  const char* words[] = {"a", "A", "b", "\xC3\xA4", "", "B", "ab"};
  for (int i = 0; i < 3000; ++i) {
    const TRecordId id = store.NewRecord();
    if (random() % 8) store.SetInt(0, id, static_cast<std::int64_t>(random() % 7) - 3);
    if (random() % 8) store.SetInt(1, id, random() % 5 == 0 ? std::numeric_limits<std::int64_t>::min() + random() % 3 : static_cast<std::int64_t>(random()));
    if (random() % 8) store.SetReal(2, id, static_cast<double>(random() % 100) / 4 - 10);
    if (random() % 8) store.SetText(3, id, words[random() % 7]);
    if (random() % 8) store.SetText(4, id, std::to_string(random()));
    if (random() % 8) store.SetInt(5, id, random() % 2);
    store.SetInt(6, id, static_cast<std::int64_t>(random() % 11) - 5);  // never null
    store.SetText(7, id, words[random() % 7]);
  }
  const std::vector<std::vector<TSortKey>> cases = {
      {{0, false}, {5, true}},           {{5, false}, {0, true}, {3, false}}, {{1, true}, {0, false}},
      {{3, false}, {2, true}},           {{4, true}},                         {{0, false}, {1, false}, {2, false}, {3, true}, {5, false}},
      {{2, false}, {0, true}, {5, true}}, {{6, false}, {7, true}, {0, false}}, {{7, false}, {6, true}},
      {{6, true}, {2, false}}};
  for (const auto& keys : cases) {
    std::vector<TRecordId> ids = AllIds(store), expected = ids;
    SortRecords(store, ids, keys);
    std::stable_sort(expected.begin(), expected.end(),
                     [&](TRecordId a, TRecordId b) { return CompareByKeys(store, keys, a, b) < 0; });
    EXPECT_EQ(ids, expected) << keys.size() << " keys, first " << keys[0].Column;
  }
}

// Texts are ranked by their collation keys, first by the keys' first bytes as a number and then
// byte by byte: texts that share long beginnings, differ in case or accent only, are empty, null,
// past the basic plane, with a stray byte, or repeated, come out as the comparison orders them.
TEST(DbStore, SortsTextsAsTheCollatorOrdersThem) {
  TMemStore store({ftString});
  std::mt19937 random(17);
  // a A ä Ä b - space 1, an emoji, a stray Latin-1 byte, z
  const char* parts[] = {"a", "A", "\xC3\xA4", "\xC3\x84", "b", "-", " ", "1", "\xF0\x9F\x98\x80", "\xE9", "z"};
  for (int i = 0; i < 4000; ++i) {
    const TRecordId id = store.NewRecord();
    if (random() % 10 == 0) continue;  // null
    std::string s = random() % 2 ? "Schmidt-Mueller " : "";
    for (auto n = random() % 4; n-- > 0;) s += parts[random() % 11];
    store.SetText(0, id, s);
  }
  for (const bool descending : {false, true}) {
    const std::vector<TSortKey> keys = {{0, descending}};
    std::vector<TRecordId> ids = AllIds(store);
    std::shuffle(ids.begin(), ids.end(), random);  // equal texts keep this order
    std::vector<TRecordId> expected = ids;
    SortRecords(store, ids, keys);
    std::stable_sort(expected.begin(), expected.end(),
                     [&](TRecordId a, TRecordId b) { return CompareByKeys(store, keys, a, b) < 0; });
    EXPECT_EQ(ids, expected) << (descending ? "descending" : "ascending");
  }
}

// Texts nearly all distinct each get a key of their own: the few repeated ones still rank alike,
// so they keep their order and let a second key decide.
TEST(DbStore, SortsNearlyDistinctTextsWithRepeats) {
  TMemStore store({ftString, ftInteger});
  std::mt19937 random(23);
  for (int i = 0; i < 70000; ++i) {
    const TRecordId id = store.NewRecord();
    store.SetInt(1, id, static_cast<std::int64_t>(random() % 3));
    if (i % 50 == 7) continue;  // null
    store.SetText(0, id, i % 500 == 3 ? std::string(i % 1000 == 3 ? "Same" : "same") : "N" + std::to_string(random()));
  }
  for (const std::vector<TSortKey>& keys : {std::vector<TSortKey>{{0, false}}, {{0, true}, {1, true}}}) {
    std::vector<TRecordId> ids = AllIds(store), expected = ids;
    SortRecords(store, ids, keys);
    std::stable_sort(expected.begin(), expected.end(),
                     [&](TRecordId a, TRecordId b) { return CompareByKeys(store, keys, a, b) < 0; });
    EXPECT_EQ(ids, expected) << keys.size() << " keys";
  }
}

// Collation keys of many texts are made on several threads, each range of texts on its own: the
// order is the one comparisons give, with repeats (kept in their order across the ranges), nulls,
// empty texts, case and accents, stray bytes and texts past the basic plane, whether the texts are
// nearly all distinct or each repeated, and for blobs, ordered by their bytes.
TEST(DbStore, SortsManyTextsOnSeveralThreadsAsComparisonsOrderThem) {
  struct TCase {
    TFieldType type;
    int records;
    int repeats;  // how often each distinct text occurs, about
  };
  const char* parts[] = {"a", "A", "\xC3\xA4", "\xC3\x84", "b", "-", " ", "\xF0\x9F\x98\x80", "\xE9", "z"};
  for (const TCase& c : {TCase{ftString, 70000, 1}, {ftString, 100000, 2}, {ftBlob, 70000, 1}}) {
    TMemStore store({c.type});
    std::mt19937 random(31);
    std::vector<std::string> made;
    for (int i = 0; i < c.records; ++i) {
      const TRecordId id = store.NewRecord();
      if (i % 50 == 7) continue;  // null
      std::string s;
      if (i % 500 == 3) {
        s = i % 1000 == 3 ? "" : "Same";  // repeated throughout, in every range
      } else if (c.repeats > 1 && !made.empty() && random() % c.repeats) {
        s = made[random() % made.size()];
      } else {
        for (auto n = random() % 4; n-- > 0;) s += parts[random() % 10];
        s += std::to_string(random() % 1000000);
        made.push_back(s);
      }
      store.SetText(0, id, s);
    }
    for (const bool descending : {false, true}) {
      const std::vector<TSortKey> keys = {{0, descending}};
      std::vector<TRecordId> ids = AllIds(store), expected = ids;
      SortRecords(store, ids, keys);
      std::stable_sort(expected.begin(), expected.end(),
                       [&](TRecordId a, TRecordId b) { return CompareByKeys(store, keys, a, b) < 0; });
      EXPECT_EQ(ids, expected) << c.records << " records, " << c.repeats << " each, " << (descending ? "descending" : "ascending");
    }
  }
}

TEST(DbStore, TextsSurviveEditsPackingAndPages) {
  TMemTexts texts;
  std::vector<std::optional<std::string>> model;
  for (int i = 0; i < 2500; ++i) {  // past two pages
    texts.PushNull();
    model.emplace_back();
  }
  std::mt19937 random(4);
  for (int step = 0; step < 40000; ++step) {
    const auto id = static_cast<std::uint32_t>(random() % 2500 < 2000 ? random() % 64 : random() % 2500);
    switch (random() % 8) {
      case 0:
        texts.SetNull(id);
        model[id].reset();
        break;
      case 1: {  // a text of a record of the same page, which may move while the page grows
        const auto other = (id & ~1023u) + random() % 64;
        if (!model[other]) break;
        texts.Set(id, texts.Get(other));
        model[id] = model[other];
        break;
      }
      default: {
        // Empty, short, and longer than a one-byte length holds.
        const std::size_t length = random() % 3 == 0 ? random() % 400 : random() % 12;
        std::string value(length, static_cast<char>('a' + random() % 26));
        if (length > 0) value[0] = '\0';
        if (length > 1 && random() % 4 == 0) value[length / 2] = '\xE9';  // a stray byte, marked so
        texts.Set(id, value);
        model[id] = value;
      }
    }
  }
  for (std::uint32_t id = 0; id < 2500; ++id) {
    ASSERT_EQ(texts.IsNull(id), !model[id]) << id;
    ASSERT_EQ(texts.Get(id), model[id].value_or("")) << id;
    ASSERT_EQ(texts.WellFormed(id), model[id] && Utf8WellFormed(*model[id])) << id;
  }
}

TEST(DbStore, NarrowAndWideIntegersKeepTheirRange) {
  TMemStore store({ftInteger, ftLargeint, ftCurrency, ftBoolean, ftString});
  const TRecordId id = store.NewRecord();
  for (int c = 0; c < 5; ++c) EXPECT_TRUE(store.IsNull(c, id));
  store.Set(0, id, Variant(std::numeric_limits<std::int32_t>::min()));
  store.Set(1, id, Variant(std::numeric_limits<std::int64_t>::max()));
  store.Set(2, id, Variant(Currency::FromRaw(-922337203685477580)));
  store.Set(3, id, Variant(true));
  store.Set(4, id, Variant(""));
  EXPECT_EQ(store.Get(0, id), Variant(std::numeric_limits<std::int32_t>::min()));
  EXPECT_EQ(store.Get(1, id), Variant(std::numeric_limits<std::int64_t>::max()));
  EXPECT_EQ(store.Get(2, id).AsCurrency().Raw(), -922337203685477580);
  EXPECT_EQ(store.Get(3, id), Variant(true));
  EXPECT_FALSE(store.IsNull(4, id));  // empty text is not null
  EXPECT_EQ(store.Get(4, id), Variant(""));
  store.SetNull(4, id);
  EXPECT_TRUE(VarIsNull(store.Get(4, id)));
}

}  // namespace
}  // namespace lab
