// Locate on a dataset sorted by a number field, which searches keys kept beside the sorted view:
// it must land where a scan of the records in view order lands.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"
#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

bool SameValue(const Variant& a, const Variant& b) {
  if (VarIsNull(a) || VarIsNull(b)) return VarIsNull(a) && VarIsNull(b);
  if (a.Type() == varDouble || b.Type() == varDouble) return a.AsDouble() == b.AsDouble();
  return a.AsInt64() == b.AsInt64();
}

struct DbLocateSorted : ::testing::Test {
  TMemDataSet ds{nullptr};
  std::mt19937 random{17};

  void SetUp() override {
    ds.FieldDefs().Add("Id", ftInteger);
    ds.FieldDefs().Add("Big", ftLargeint);
    ds.FieldDefs().Add("Score", ftFloat);
    ds.Open();
  }
  void Add(const Variant& id, const Variant& big, const Variant& score) {
    ds.Append();
    ds.FieldByName("Id")->SetValue(id);
    ds.FieldByName("Big")->SetValue(big);
    ds.FieldByName("Score")->SetValue(score);
    ds.Post();
  }
  // Ids even, so an odd one lies between two; many duplicates; 64-bit values sharing their high
  // bits; the ends of each type's range; Null, which shares its key with the smallest integer.
  void AddRecords(int Count) {
    for (int i = 0; i < Count; ++i) {
      const bool nulls = random() % 50 == 0;
      Add(nulls ? Null() : Variant(static_cast<std::int32_t>(random() % 400) * 2 - 400),
          nulls ? Null()
                : Variant((static_cast<std::int64_t>(random() % 20) - 10) * (std::int64_t{1} << 33) +
                          static_cast<std::int64_t>(random() % 3)),
          nulls ? Null() : Variant(static_cast<double>(random() % 40) / 4 - 5));
    }
    Add(std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int64_t>::min(), -0.0);
    Add(std::numeric_limits<std::int32_t>::min() + 1, std::numeric_limits<std::int64_t>::min() + 1, 0.0);
    Add(std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int64_t>::max(), 1e300);
  }
  // The field's values in view order, read once for several searches.
  std::vector<Variant> Values(const char* Field) {
    std::vector<Variant> values;
    for (int r = 1; r <= ds.RecordCount(); ++r) values.push_back(ds.RecordValue(r, ds.FieldByName(Field)));
    return values;
  }
  // Locate lands on the first record in view order that holds Value, or stays when none does.
  void ExpectLocate(const char* Field, const Variant& Value, const std::vector<Variant>& Held) {
    int expected = 0;
    for (std::size_t r = 0; r < Held.size() && expected == 0; ++r)
      if (SameValue(Held[r], Value)) expected = static_cast<int>(r) + 1;
    const int before = ds.RecNo();
    const std::string shown = VarIsNull(Value) ? "Null" : Value.AsString();
    EXPECT_EQ(ds.Locate(Field, Value, {}), expected > 0) << Field << " " << shown;
    EXPECT_EQ(ds.RecNo(), expected > 0 ? expected : before) << Field << " " << shown;
  }
  void ExpectLocate(const char* Field, const Variant& Value) { ExpectLocate(Field, Value, Values(Field)); }
  // Every value held, the first and last records', Null, and values between and beyond them.
  void ExpectLocatesAll() {
    const std::vector<Variant> ids = Values("Id"), bigs = Values("Big"), scores = Values("Score");
    for (int id = -402; id <= 402; ++id) ExpectLocate("Id", static_cast<std::int32_t>(id), ids);
    for (std::int32_t id : {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::min() + 1,
                            std::numeric_limits<std::int32_t>::min() + 2, std::numeric_limits<std::int32_t>::max()})
      ExpectLocate("Id", id, ids);
    ExpectLocate("Id", Null(), ids);
    for (std::int64_t high = -11; high <= 10; ++high)
      for (std::int64_t low = -1; low <= 3; ++low) ExpectLocate("Big", high * (std::int64_t{1} << 33) + low, bigs);
    for (std::int64_t big : {std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max()})
      ExpectLocate("Big", big, bigs);
    ExpectLocate("Big", Null(), bigs);
    for (int quarter = -22; quarter <= 42; ++quarter)
      ExpectLocate("Score", static_cast<double>(quarter) / 4 - 5 + 0.125 * (quarter & 1), scores);
    for (double score : {0.0, -0.0, 1e300, -1e300}) ExpectLocate("Score", score, scores);
    ExpectLocate("Score", Null(), scores);
  }
};

TEST_F(DbLocateSorted, LandsWhereAScanLandsInEveryOrder) {
  AddRecords(1500);  // several blocks of the view
  for (const char* sort : {"Id", "Id DESC", "Big", "Big DESC", "Score", "Score DESC", "Id; Score DESC"}) {
    SCOPED_TRACE(sort);
    ds.SetSortFields(sort);
    ExpectLocatesAll();
    ExpectLocatesAll();  // again, with the keys kept
  }
  // Two keys, both in the order: the second decides among records of one Id.
  ds.SetSortFields("Id; Score");
  for (int id = -6; id <= 6; id += 2)
    for (int quarter = 0; quarter < 40; quarter += 3) {
      const Variant keys = VarArrayOf({id, static_cast<double>(quarter) / 4 - 5});
      int expected = 0;
      for (int r = 1; r <= ds.RecordCount() && expected == 0; ++r)
        if (SameValue(ds.RecordValue(r, ds.FieldByName("Id")), keys[0]) &&
            SameValue(ds.RecordValue(r, ds.FieldByName("Score")), keys[1]))
          expected = r;
      EXPECT_EQ(ds.Locate("Id;Score", keys, {}), expected > 0);
      if (expected > 0) {
        EXPECT_EQ(ds.RecNo(), expected);
      }
    }
}

TEST_F(DbLocateSorted, RecordsAppendedInOrderAndOneRecord) {
  Add(5, 5, 5.0);
  ds.SetSortFields("Id");
  ExpectLocate("Id", 5);
  ExpectLocate("Id", 4);
  ExpectLocate("Id", 6);
  for (int id = 6; id < 700; ++id) Add(id, id, id);  // the sorted view is the stored order
  for (int id : {4, 5, 6, 7, 255, 256, 257, 699, 700}) ExpectLocate("Id", id);
}

// Locate keeps the fields it was last asked for; fields made anew at the next opening are found
// again by the same text.
TEST_F(DbLocateSorted, KeyFieldsAreFoundAgainWhenTheFieldsAreMadeAgain) {
  Add(1, 10, 0.5);
  Add(2, 20, 1.5);
  EXPECT_TRUE(ds.Locate("Id", 2, {}));
  EXPECT_TRUE(ds.Locate("Id", 1, {}));
  ds.Close();
  ds.FieldDefs().Clear();
  ds.FieldDefs().Add("Score", ftFloat);
  ds.FieldDefs().Add("Id", ftInteger);
  ds.Open();
  ds.Append();
  ds.FieldByName("Score")->SetAsFloat(7.5);
  ds.FieldByName("Id")->SetAsInteger(9);
  ds.Post();
  ds.First();
  EXPECT_TRUE(ds.Locate("Id", 9, {}));
  EXPECT_EQ(ds.FieldByName("Score")->AsFloat(), 7.5);
  EXPECT_FALSE(ds.Locate("Id", 2, {}));
  EXPECT_TRUE(ds.Locate("Score", 7.5, {}));
}

TEST_F(DbLocateSorted, EditsInsertsAndDeletesKeepTheKeysTrue) {
  AddRecords(1200);
  ds.SetSortFields("Id");
  ExpectLocatesAll();
  TField* id = ds.FieldByName("Id");
  for (int step = 0; step < 300; ++step) {
    const int r = static_cast<int>(random() % static_cast<unsigned>(ds.RecordCount())) + 1;
    ds.SetRecNo(r);
    const Variant old = id->Value();
    switch (step % 4) {
      case 0: {
        // A new value between its neighbours': the record stays where it is.
        if (VarIsNull(old) || r == ds.RecordCount()) break;
        const std::int64_t next = ds.RecordValue(r + 1, id).AsInt64();
        if (next - old.AsInt64() < 2) break;
        ds.Edit();
        id->SetAsInteger(static_cast<std::int32_t>(old.AsInt64() + 1));
        ds.Post();
        ASSERT_EQ(ds.RecNo(), r);
        break;
      }
      case 1:
        ds.Edit();
        id->SetAsInteger(static_cast<std::int32_t>(random() % 805) - 402);
        ds.Post();
        break;
      case 2:
        ds.Insert();
        id->SetAsInteger(static_cast<std::int32_t>(random() % 805) - 402);
        ds.Post();
        break;
      case 3:
        ds.Delete();
        break;
    }
    const std::vector<Variant> ids = Values("Id");
    ExpectLocate("Id", old, ids);
    if (!VarIsNull(old)) ExpectLocate("Id", static_cast<std::int32_t>(old.AsInt64() + 1), ids);
    ExpectLocate("Id", static_cast<std::int32_t>(random() % 805) - 402, ids);
  }
  ExpectLocatesAll();
}

// The beginning of a text on the field the dataset is sorted by: the first record in view order
// whose text begins with it, with and without case, among texts that differ in case and accents
// only, lands where a scan lands.
TEST(DbLocatePrefix, LandsWhereAScanLandsOnASortedTextField) {
  TMemDataSet ds{nullptr};
  ds.FieldDefs().Add("Id", ftInteger);
  ds.FieldDefs().Add("Name", ftString, 12);
  ds.Open();
  std::mt19937 random{5};
  const std::vector<std::string> stems = {"ab", "Ab", "AB", "\xC3\xA0" "b", "abc", "Abd", "b", "ba", "", "z\xC3\xBC",
                                          "zu", "Zu\xC3\x9F"};
  for (int i = 0; i < 2000; ++i) {
    ds.Append();
    ds.FieldByName("Id")->SetAsInteger(i);
    if (random() % 40 != 0) ds.FieldByName("Name")->SetAsString(stems[random() % stems.size()] + std::to_string(random() % 30));
    ds.Post();
  }
  auto head_matches = [](const std::string& text, const std::string& start, bool ci) {
    const std::string head = text.substr(0, Utf8Offset(text, Utf8Length(start)));
    return ci ? AnsiCompareText(head, start) == 0 : head == start;
  };
  for (const char* sort : {"Name", "Name; Id DESC", "Name DESC", ""}) {
    ds.SetSortFields(sort);
    for (const std::string start : {"a", "A", "ab", "aB", "\xC3\xA0", "abc1", "b", "ba2", "z", "Z\xC3\xBC", "zu\xC3\x9F", "q", "1"})
      for (bool ci : {true, false}) {
        SCOPED_TRACE(testing::Message() << sort << " " << start << " " << ci);
        int expected = 0;
        for (int r = 1; r <= ds.RecordCount() && expected == 0; ++r) {
          const Variant v = ds.RecordValue(r, ds.FieldByName("Name"));
          if (!VarIsNull(v) && head_matches(v.AsString(), start, ci)) expected = r;
        }
        ds.First();
        TLocateOptions options{loPartialKey};
        if (ci) options.Include(loCaseInsensitive);
        EXPECT_EQ(ds.Locate("Name", Variant(start), options), expected > 0);
        EXPECT_EQ(ds.RecNo(), expected > 0 ? expected : 1);
      }
  }
}

// A view sorted by text keeps its order through edits, inserts and deletes, and Locate by text, with
// and without case, lands where a scan lands: short texts whose search keys carry case, case
// variants, accents, the empty text and nulls among them, over many blocks.
TEST(DbLocateSortedText, PostsKeepTheOrderAndLocateLandsWhereAScanLands) {
  std::mt19937 random(29);
  const char* const pieces[] = {"", "a", "A", "ab", "AB", "Ab", "b", "\xC3\xA9", "\xC3\x89", "e", "ka", "k\xC3\xA4",
                                "Kala", "kalo", "KALO", "zz", "x y"};
  const auto word = [&]() -> Variant {
    if (random() % 40 == 0) return Null();
    std::string w = pieces[random() % std::size(pieces)];
    if (random() % 2) w += pieces[random() % std::size(pieces)];
    return Variant(w);
  };
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Name", ftString, 30);
  ds.FieldDefs().Add("N", ftInteger);
  ds.Open();
  TField* name = ds.FieldByName("Name");
  for (int i = 0; i < 2000; ++i) {
    ds.Append();
    name->SetValue(word());
    ds.FieldByName("N")->SetAsInteger(i);
    ds.Post();
  }
  const auto check = [&](bool descending) {
    std::vector<Variant> held;
    for (int r = 1; r <= ds.RecordCount(); ++r) held.push_back(ds.RecordValue(r, name));
    for (std::size_t r = 1; r < held.size(); ++r) {
      const Variant& a = descending ? held[r] : held[r - 1];
      const Variant& b = descending ? held[r - 1] : held[r];
      ASSERT_TRUE(VarIsNull(a) || (!VarIsNull(b) && AnsiCompareStr(a.AsString(), b.AsString()) <= 0)) << r;
    }
    std::vector<std::string> sought(std::begin(pieces), std::end(pieces));
    sought.insert(sought.end(), {"aB", "kA", "KALA", "kalO", "abab", "zzz", "\xC3\xA9" "a"});
    for (const std::string& w : sought)
      for (const bool ci : {false, true}) {
        int expected = 0;
        for (std::size_t r = 0; r < held.size() && expected == 0; ++r)
          if (!VarIsNull(held[r]) && (ci ? AnsiSameText(held[r].AsString(), w) : held[r].AsString() == w))
            expected = static_cast<int>(r) + 1;
        const int before = ds.RecNo();
        TLocateOptions options;
        if (ci) options += loCaseInsensitive;
        ASSERT_EQ(ds.Locate("Name", w, options), expected > 0) << w << " " << ci;
        ASSERT_EQ(ds.RecNo(), expected > 0 ? expected : before) << w << " " << ci;
      }
  };
  for (const char* sort : {"Name", "Name DESC"}) {
    SCOPED_TRACE(sort);
    ds.SetSortFields(sort);
    check(sort[4] != 0);
    for (int step = 0; step < 600; ++step) {
      ds.SetRecNo(static_cast<int>(random() % static_cast<unsigned>(ds.RecordCount())) + 1);
      switch (step % 3) {
        case 0:
          ds.Edit();
          name->SetValue(word());
          ds.Post();
          break;
        case 1:
          ds.Insert();
          name->SetValue(word());
          ds.Post();
          break;
        case 2:
          ds.Delete();
          break;
      }
      if (step % 100 == 99) check(sort[4] != 0);
    }
  }
}

// An edited text takes its place by the collator wherever the view's own keys could mislead: texts
// whose collation keys share a long beginning, stray bytes (Latin-1 to the collator, never U+FFFD,
// whatever page packing did to the text), the empty text and null, in both directions.
TEST(DbLocateSortedText, EditedTextsLandWhereTheCollatorPutsThem) {
  const char* const texts[] = {nullptr, "", "e", "E", "\xC3\xA9", "\xE9", "\xE9x", "\xEF\xBF\xBD", "f",
                               "Schmidt-Mueller a", "Schmidt-Mueller A", "Schmidt-Mueller \xE9",
                               "Schmidt-Mueller \xC3\xA9", "Schmidt-Muellera", "Schmidt-Mueller", "\xF0\x9F\x98\x80"};
  const auto value = [&](std::size_t i) { return texts[i] ? Variant(texts[i]) : Null(); };
  std::mt19937 random(31);
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Name", ftString, 30);
  ds.Open();
  TField* name = ds.FieldByName("Name");
  for (int i = 0; i < 1500; ++i) {  // several blocks, each full of ties
    ds.Append();
    name->SetValue(value(random() % std::size(texts)));
    ds.Post();
  }
  for (const bool descending : {false, true}) {
    ds.SetSortFields(descending ? "Name DESC" : "Name");
    for (int step = 0; step < 400; ++step) {
      ds.SetRecNo(static_cast<int>(random() % 1500) + 1);
      ds.Edit();
      name->SetValue(value(static_cast<std::size_t>(step) % std::size(texts)));
      ds.Post();
      ASSERT_TRUE(name->Value() == value(static_cast<std::size_t>(step) % std::size(texts))) << step;  // current
      if (step % 100 != 99) continue;
      Variant last = ds.RecordValue(1, name);
      for (int r = 2; r <= 1500; ++r) {
        const Variant held = ds.RecordValue(r, name);
        const Variant& a = descending ? held : last;
        const Variant& b = descending ? last : held;
        ASSERT_TRUE(VarIsNull(a) || (!VarIsNull(b) && AnsiCompareStr(a.AsString(), b.AsString()) <= 0))
            << descending << " " << r;
        last = held;
      }
    }
  }
}

}  // namespace
}  // namespace lab
