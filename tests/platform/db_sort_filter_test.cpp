// Sorting, filtering, Locate and Lookup, distinct values of TMemDataSet.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/rtl/strutils.h"
#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

using dbtest::CurrentId;

std::vector<int> Ids(TDataSet& ds) {
  std::vector<int> ids;
  ds.First();
  while (!ds.Eof()) {
    ids.push_back(CurrentId(ds));
    ds.Next();
  }
  return ids;
}

struct DbSortFilter : ::testing::Test {
  TMemDataSet ds{nullptr};
  void SetUp() override {
    ds.FieldDefs().Add("Id", ftInteger);
    ds.FieldDefs().Add("Name", ftString, 10);
    ds.FieldDefs().Add("Score", ftFloat);
    ds.Open();
    const struct {
      int id;
      const char* name;
      double score;
      bool null_score;
    } rows[] = {{1, "bob", 2.5, false}, {2, "Alice", 9, false}, {3, "carl", 0, true},
                {4, "alice", 2.5, false}, {5, "Bob", -1, false}};
    for (const auto& r : rows) {
      ds.Append();
      ds.FieldByName("Id")->SetAsInteger(r.id);
      ds.FieldByName("Name")->SetAsString(r.name);
      if (!r.null_score) ds.FieldByName("Score")->SetAsFloat(r.score);
      ds.Post();
    }
  }
};

TEST_F(DbSortFilter, StableSortByOneAndSeveralFields) {
  ds.SetSortFields("Score");
  EXPECT_EQ(Ids(ds), (std::vector<int>{3, 5, 1, 4, 2}));  // null first, ties in stored order
  ds.SetSortFields("Score DESC; Id desc");
  EXPECT_EQ(Ids(ds), (std::vector<int>{2, 4, 1, 5, 3}));
  ds.SetSortFields("Name");
  EXPECT_EQ(Ids(ds), (std::vector<int>{4, 2, 1, 5, 3}));  // locale order, lower case first
  ds.SetSortFields("");
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_THROW(ds.SetSortFields("Nope"), EDatabaseError);
  EXPECT_EQ(ds.SortFields(), "");
}

TEST_F(DbSortFilter, SortingKeepsTheCurrentRecordAndPostedRecordsFindTheirPlace) {
  ds.SetRecNo(4);
  const TBookmark mark = ds.Bookmark();
  ds.SetSortFields("Id DESC");
  EXPECT_EQ(CurrentId(ds), 4);
  EXPECT_EQ(ds.RecNo(), 2);
  ds.Edit();
  ds.FieldByName("Id")->SetAsInteger(0);
  ds.Post();
  EXPECT_EQ(ds.RecNo(), 5);  // moved to its place
  ds.Insert();
  ds.FieldByName("Id")->SetAsInteger(3);
  ds.Post();
  EXPECT_EQ(Ids(ds), (std::vector<int>{5, 3, 3, 2, 1, 0}));
  ds.GotoBookmark(mark);  // the bookmark outlived the sorting
  EXPECT_EQ(CurrentId(ds), 0);
}

TEST(DbSortFilterBeforeOpening, RecordsPostedTakeTheirPlacesAndAreFound) {
  TMemDataSet ds{nullptr};
  ds.FieldDefs().Add("Id", ftInteger);
  ds.SetSortFields("Id DESC");
  ds.Open();
  for (int id : {5, 3, 9, 1, 7}) {
    ds.Append();
    ds.FieldByName("Id")->SetAsInteger(id);
    ds.Post();
  }
  EXPECT_EQ(Ids(ds), (std::vector<int>{9, 7, 5, 3, 1}));
  for (int id : {1, 9, 5}) {
    EXPECT_TRUE(ds.Locate("Id", id, {})) << id;
    EXPECT_EQ(CurrentId(ds), id);
  }
  EXPECT_FALSE(ds.Locate("Id", 4, {}));
}

TEST_F(DbSortFilter, FilterTextAndHandler) {
  ds.SetFilter("Score >= 2.5 AND Name LIKE '%li%'");
  EXPECT_EQ(ds.RecordCount(), 5);  // not filtered yet
  ds.SetFiltered(true);
  EXPECT_EQ(Ids(ds), (std::vector<int>{2, 4}));
  ds.SetFilter("Score IS NULL OR NOT (Name = 'bob')");
  EXPECT_EQ(Ids(ds), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_THROW(ds.SetFilter("Score >"), EDatabaseError);
  EXPECT_EQ(ds.Filter(), "Score IS NULL OR NOT (Name = 'bob')");  // the bad text changed nothing
  ds.OnFilterRecord = [](TDataSet* d, bool& accept) { accept = d->FieldByName("Id")->AsInteger() % 2 == 1; };
  ds.SetFiltered(true);
  EXPECT_EQ(Ids(ds), (std::vector<int>{3, 5}));
  // A posted record that fails the filter leaves the view.
  ds.First();
  ds.Edit();
  ds.FieldByName("Id")->SetAsInteger(6);
  ds.Post();
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(CurrentId(ds), 5);
  ds.SetFiltered(false);
  EXPECT_EQ(ds.RecordCount(), 5);
  // A handler that raises leaves the view and the switch as they were.
  ds.OnFilterRecord = [](TDataSet* d, bool&) {
    if (d->FieldByName("Id")->AsInteger() == 4) DatabaseError("broken handler");
  };
  EXPECT_THROW(ds.SetFiltered(true), EDatabaseError);
  EXPECT_FALSE(ds.Filtered());
  EXPECT_EQ(Ids(ds), (std::vector<int>{1, 2, 6, 4, 5}));
}

TEST_F(DbSortFilter, BookmarksSurviveFiltering) {
  ds.SetRecNo(4);
  const TBookmark four = ds.Bookmark();
  ds.First();
  const TBookmark one = ds.Bookmark();
  ds.SetFilter("Id > 2");
  ds.SetFiltered(true);
  EXPECT_TRUE(ds.BookmarkValid(four));
  EXPECT_FALSE(ds.BookmarkValid(one));
  EXPECT_THROW(ds.GotoBookmark(one), EDatabaseError);
  ds.GotoBookmark(four);
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_GT(ds.CompareBookmarks(one, four), 0);  // hidden records after the visible ones
  ds.SetFiltered(false);
  ds.GotoBookmark(one);
  EXPECT_EQ(CurrentId(ds), 1);
  EXPECT_LT(ds.CompareBookmarks(one, four), 0);
}

// Bookmark keys order as CompareBookmarks does among the records shown, and the stamp they hold
// under moves on with every record that comes, goes or moves, and with nothing else.
TEST_F(DbSortFilter, BookmarkKeysOrderAsTheComparisonWhileTheStampHolds) {
  std::vector<TBookmark> marks;
  for (ds.First(); !ds.Eof(); ds.Next()) marks.push_back(ds.Bookmark());
  const auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    for (const TBookmark& a : marks)
      for (const TBookmark& b : marks) {
        std::int64_t ka = 0, kb = 0;
        const bool has_a = ds.BookmarkOrderKey(a, ka), has_b = ds.BookmarkOrderKey(b, kb);
        EXPECT_EQ(has_a, ds.BookmarkValid(a));
        if (has_a && has_b) {
          const int c = ds.CompareBookmarks(a, b);
          EXPECT_EQ((ka > kb) - (ka < kb), (c > 0) - (c < 0));
        }
      }
  };
  std::uint64_t stamp = ds.BookmarkOrderStamp();
  EXPECT_NE(stamp, 0u);
  const auto moved = [&] {
    const std::uint64_t now = ds.BookmarkOrderStamp();
    const bool changed = now != stamp;
    stamp = now;
    return changed;
  };
  check("stored order");
  ds.Last();
  ds.GotoBookmark(marks[1]);
  ds.Locate("Id", 4, {});
  ds.Edit();
  ds.FieldByName("Name")->SetAsString("dora");  // unsorted: stays where it is
  ds.Post();
  EXPECT_FALSE(moved());
  ds.SetSortFields("Name");
  EXPECT_TRUE(moved());
  check("sorted");
  ds.Locate("Id", 2, {});
  ds.Edit();
  ds.FieldByName("Name")->SetAsString("zed");  // sorted: moves to the end
  ds.Post();
  EXPECT_TRUE(moved());
  check("an edit moved");
  ds.SetFilter("Id > 2");
  ds.SetFiltered(true);
  EXPECT_TRUE(moved());
  check("filtered");
  std::int64_t key = 0;
  EXPECT_FALSE(ds.BookmarkOrderKey(marks[0], key));  // filtered out
  ds.SetFiltered(false);
  EXPECT_TRUE(moved());
  ds.Append();
  ds.FieldByName("Id")->SetAsInteger(6);
  EXPECT_FALSE(moved());  // not yet posted
  ds.Post();
  EXPECT_TRUE(moved());
  marks.push_back(ds.Bookmark());
  check("a record added");
  ds.GotoBookmark(marks[2]);
  ds.Delete();
  EXPECT_TRUE(moved());
  EXPECT_FALSE(ds.BookmarkOrderKey(marks[2], key));
  check("a record deleted");
  EXPECT_FALSE(ds.BookmarkOrderKey(TBookmark(), key));
  EXPECT_FALSE(ds.BookmarkOrderKey("foreign", key));
  ds.Close();
  EXPECT_EQ(ds.BookmarkOrderStamp(), 0u);
  EXPECT_FALSE(ds.BookmarkOrderKey(marks[0], key));
  ds.Open();
  EXPECT_TRUE(moved());
  EXPECT_NE(stamp, 0u);
}

TEST_F(DbSortFilter, LocateAndLookupWithSeveralKeys) {
  for (const char* sort : {"", "Name;Score", "Name DESC"}) {
    SCOPED_TRACE(sort);
    ds.SetSortFields(sort);
    EXPECT_TRUE(ds.Locate("Name", "alice", {}));
    EXPECT_EQ(CurrentId(ds), 4);
    EXPECT_TRUE(ds.Locate("name;score", VarArrayOf({"BOB", -1}), {loCaseInsensitive}));
    EXPECT_EQ(CurrentId(ds), 5);
    EXPECT_FALSE(ds.Locate("Name;Score", VarArrayOf({"bob", 9}), {}));
    EXPECT_EQ(CurrentId(ds), 5);  // a failed search does not move
    EXPECT_TRUE(ds.Locate("Name", "CA", {loCaseInsensitive, loPartialKey}));
    EXPECT_EQ(CurrentId(ds), 3);
    EXPECT_TRUE(ds.Locate("Score", Null(), {}));
    EXPECT_EQ(CurrentId(ds), 3);
    EXPECT_FALSE(ds.Locate("Id", "x", {}));  // a key the field cannot hold matches nothing
    EXPECT_EQ(ds.Lookup("Name;Score", VarArrayOf({"Alice", "9"}), "Id"), Variant(2));
    EXPECT_EQ(ds.Lookup("Id", 1, "Name;Score"), VarArrayOf({"bob", 2.5}));
    EXPECT_TRUE(VarIsNull(ds.Lookup("Id", 99, "Name")));
    EXPECT_EQ(CurrentId(ds), 3);
  }
  EXPECT_THROW(ds.Locate("Name;Score", "bob", {}), EDatabaseError);
}

TEST_F(DbSortFilter, DistinctValuesInOrder) {
  ds.Append();
  ds.FieldByName("Name")->SetAsString("bob");
  ds.Post();
  const std::vector<Variant> names = ds.DistinctValues("Name");
  EXPECT_EQ(names, (std::vector<Variant>{"alice", "Alice", "bob", "Bob", "carl"}));
  EXPECT_EQ(ds.DistinctValues("Score"), (std::vector<Variant>{-1.0, 2.5, 9.0}));
}

// The value drop-down's list: each stored value once, nulls left out, in the field's ascending order
// (the sort's); of values that order finds alike the first stored stands for them; records the
// filter hides count too.
TEST(DbDistinctValues, EachValueOnceInTheFieldsOrder) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Variant day = VarFromDateTime(45000), noon = VarFromDateTime(45000.5), before = VarFromDateTime(-2.25);
  const struct {
    TFieldType type;
    std::vector<Variant> stored;  // Null() for a null
    std::vector<Variant> expected;
  } cases[] = {
      // Texts the collator finds alike (a composed and a decomposed e-acute) stay two, by their bytes.
      {ftString,
       {"bob", Null(), "Bob", "\xC3\xA9", "alice", "e\xCC\x81", "bob", "Alice", "\xC3\xA9"},
       {"alice", "Alice", "bob", "Bob", "e\xCC\x81", "\xC3\xA9"}},
      {ftInteger, {5, Null(), -3, 5, INT32_MAX, INT32_MIN, 0}, {INT32_MIN, -3, 0, 5, INT32_MAX}},
      {ftLargeint,
       {std::int64_t{1} << 40, Null(), -(std::int64_t{1} << 40), std::int64_t{1} << 40, std::int64_t{(1ll << 40) + 1}},
       {-(std::int64_t{1} << 40), std::int64_t{1} << 40, std::int64_t{(1ll << 40) + 1}}},
      // -0 and 0 are one value, shown as stored first; NaNs are one too, after every number.
      {ftFloat, {2.5, -0.0, Null(), nan, 0.0, -1e300, 2.5, -nan}, {-1e300, -0.0, 2.5, nan}},
      {ftDateTime, {noon, Null(), day, before, noon, day}, {before, day, noon}},
      {ftBoolean, {true, Null(), false, true}, {false, true}},
      {ftCurrency, {Currency::FromRaw(-5), Currency::FromRaw(7), Currency::FromRaw(-5)},
       {Currency::FromRaw(-5), Currency::FromRaw(7)}},
  };
  auto same = [](const Variant& a, const Variant& b) {
    if (a.Type() == varDouble && b.Type() == varDouble)
      return std::bit_cast<std::uint64_t>(a.AsDouble()) == std::bit_cast<std::uint64_t>(b.AsDouble()) ||
             (std::isnan(a.AsDouble()) && std::isnan(b.AsDouble()));
    return a.Type() == b.Type() && a == b;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FieldTypeName(c.type));
    TMemDataSet ds(nullptr);
    ds.FieldDefs().Add("V", c.type, c.type == ftString ? 10 : 0);
    ds.Open();
    for (const Variant& v : c.stored) {
      ds.Append();
      ds.FieldByName("V")->SetValue(v);
      ds.Post();
    }
    for (bool hidden : {false, true}) {
      ds.OnFilterRecord = [](TDataSet*, bool& accept) { accept = false; };
      ds.SetFiltered(hidden);
      const std::vector<Variant> values = ds.DistinctValues("V");
      ASSERT_EQ(values.size(), c.expected.size());
      for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_TRUE(same(values[i], c.expected[i])) << i << ": " << VarToStr(values[i]);
    }
  }
}

TEST(DbFilterText, ParsesAndReportsErrors) {
  const std::vector<std::pair<std::string, TFieldType>> fields = {{"A", ftInteger}, {"Name", ftString}, {"On", ftBoolean}};
  auto resolve = [&](std::string_view name, int& index, TFieldType& type) {
    for (std::size_t i = 0; i < fields.size(); ++i)
      if (SameText(fields[i].first, name)) {
        index = static_cast<int>(i);
        type = fields[i].second;
        return true;
      }
    return false;
  };
  std::vector<Variant> row = {Variant(5), Variant("O'Hara"), Variant(true)};
  auto test = [&](const char* text) {
    return TFilterExpression::Parse(text, resolve).Evaluate([&](int i) { return row[static_cast<std::size_t>(i)]; });
  };
  EXPECT_TRUE(test("a = 5 and [Name] = 'O''Hara'"));
  EXPECT_TRUE(test("On AND NOT A <> '5'"));  // the text constant takes the field's type
  EXPECT_TRUE(test("A > 4.5 or A < 0"));
  EXPECT_TRUE(test("Name like 'O_H%' AND Name NOT LIKE '%x%'"));
  EXPECT_TRUE(test("\"Name\" IS NOT NULL"));
  EXPECT_TRUE(test(""));
  row[0] = Null();
  EXPECT_FALSE(test("A = 5"));
  EXPECT_FALSE(test("A <> 5"));  // a comparison with null is unknown: the record stays out
  EXPECT_TRUE(test("A = NULL"));
  for (const char* bad : {"A = 'x'", "Nope = 1", "A = ", "(A = 1", "A = 1 B", "Name = 'open", "A # 1", "A > NULL"})
    EXPECT_THROW(TFilterExpression::Parse(bad, resolve), EDatabaseError) << bad;
  EXPECT_TRUE(MatchesLikePattern("ÄbÇ", U"_b%"));
  EXPECT_FALSE(MatchesLikePattern("abc", U"a_"));
  EXPECT_TRUE(MatchesLikePattern("aXbXc", U"%b%c"));
}

}  // namespace
}  // namespace lab
