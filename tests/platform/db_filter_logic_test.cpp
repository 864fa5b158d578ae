// Filter texts and Locate against SQL's rules: three-valued logic on Null in every form, LIKE's
// wildcards, negative numbers, ISO dates, and keys a field cannot hold. The expected records come
// from a small hand-written model of SQL evaluation, not from the code under test.
#include <gtest/gtest.h>

#include <optional>

#include "platform/rtl/datetime.h"
#include "tests/platform/db_test_support.h"

namespace lab {
namespace {

using dbtest::CurrentId;
using TTruth = std::optional<bool>;  // nullopt: unknown

TTruth Not(TTruth a) { return a ? TTruth(!*a) : a; }
TTruth And(TTruth a, TTruth b) {
  if (a == false || b == false) return false;
  return a && b ? TTruth(true) : std::nullopt;
}
TTruth Or(TTruth a, TTruth b) {
  if (a == true || b == true) return true;
  return a && b ? TTruth(false) : std::nullopt;
}

// SQL LIKE over bytes (the model's texts are ASCII): % any run, _ one character, nothing literal.
bool Like(const std::string& s, const std::string& p) {
  if (p.empty()) return s.empty();
  if (p[0] == '%') return Like(s, p.substr(1)) || (!s.empty() && Like(s.substr(1), p));
  return !s.empty() && (p[0] == '_' || p[0] == s[0]) && Like(s.substr(1), p.substr(1));
}

struct TRow {
  int id;
  std::optional<std::string> name;
  std::optional<int> score;
  std::optional<bool> on;
};

const TRow kRows[] = {
    {1, "q1", 13, true},  {2, "%x", 5, false}, {3, std::nullopt, 13, std::nullopt},
    {4, "abc", std::nullopt, true}, {5, std::nullopt, std::nullopt, false}, {6, "q_", -2, std::nullopt},
    {7, "Q9", 0, true},   {8, "", -1, false},
};

TTruth NameLike(const TRow& r, const char* p) { return r.name ? TTruth(Like(*r.name, p)) : std::nullopt; }
template <class F>
TTruth Score(const TRow& r, F test) { return r.score ? TTruth(test(*r.score)) : std::nullopt; }

struct DbFilterLogic : ::testing::Test {
  TMemDataSet ds{nullptr};
  void SetUp() override {
    ds.FieldDefs().Add("Id", ftInteger);
    ds.FieldDefs().Add("Name", ftString, 10);
    ds.FieldDefs().Add("Score", ftInteger);
    ds.FieldDefs().Add("On", ftBoolean);
    ds.Open();
    for (const TRow& r : kRows) {
      ds.Append();
      ds.FieldByName("Id")->SetAsInteger(r.id);
      if (r.name) ds.FieldByName("Name")->SetAsString(*r.name);
      if (r.score) ds.FieldByName("Score")->SetAsInteger(*r.score);
      if (r.on) ds.FieldByName("On")->SetAsBoolean(*r.on);
      ds.Post();
    }
    ds.SetFiltered(true);
  }

  std::vector<int> Shown(const std::string& filter) {
    ds.SetFilter(filter);
    std::vector<int> ids;
    for (ds.First(); !ds.Eof(); ds.Next()) ids.push_back(CurrentId(ds));
    return ids;
  }
  template <class F>
  static std::vector<int> Model(F where) {
    std::vector<int> ids;
    for (const TRow& r : kRows)
      if (where(r) == true) ids.push_back(r.id);
    return ids;
  }
};

TEST_F(DbFilterLogic, NullIsUnknownInEveryFormOfACondition) {
  const struct {
    std::vector<const char*> forms;  // texts that must all mean the same
    std::function<TTruth(const TRow&)> model;
  } cases[] = {
      {{"Name LIKE 'q%'"}, [](const TRow& r) { return NameLike(r, "q%"); }},
      {{"Name NOT LIKE 'q%'", "NOT (Name LIKE 'q%')", "NOT Name LIKE 'q%'"},
       [](const TRow& r) { return Not(NameLike(r, "q%")); }},
      {{"Score <> 13", "Score != 13", "NOT (Score = 13)", "NOT Score = 13"},
       [](const TRow& r) { return Score(r, [](int s) { return s != 13; }); }},
      {{"NOT (Score < 5)", "Score >= 5"}, [](const TRow& r) { return Score(r, [](int s) { return s >= 5; }); }},
      {{"NOT NOT (Score = 13)", "Score = 13"}, [](const TRow& r) { return Score(r, [](int s) { return s == 13; }); }},
      {{"NOT (Score > 0 AND Name LIKE 'q%')", "Score <= 0 OR Name NOT LIKE 'q%'"},
       [](const TRow& r) { return Not(And(Score(r, [](int s) { return s > 0; }), NameLike(r, "q%"))); }},
      {{"NOT (Score > 0 OR Name LIKE 'q%')", "Score <= 0 AND NOT Name LIKE 'q%'"},
       [](const TRow& r) { return Not(Or(Score(r, [](int s) { return s > 0; }), NameLike(r, "q%"))); }},
      {{"Score = 13 OR Name IS NULL"},
       [](const TRow& r) { return Or(Score(r, [](int s) { return s == 13; }), TTruth(!r.name)); }},
      {{"NOT (Score = 13 OR Name IS NULL)"},
       [](const TRow& r) { return Not(Or(Score(r, [](int s) { return s == 13; }), TTruth(!r.name))); }},
      {{"Name IS NULL", "Name = NULL", "NOT (Name IS NOT NULL)", "NOT Name <> NULL"},
       [](const TRow& r) { return TTruth(!r.name); }},
      {{"On"}, [](const TRow& r) { return r.on; }},
      {{"NOT On", "On = FALSE", "NOT (On = TRUE)"}, [](const TRow& r) { return Not(r.on); }},
      {{"NOT (On AND Score > 0)"},
       [](const TRow& r) { return Not(And(r.on, Score(r, [](int s) { return s > 0; }))); }},
      {{"On OR NOT On"}, [](const TRow& r) { return Or(r.on, Not(r.on)); }},  // Null stays out
  };
  for (const auto& c : cases) {
    const std::vector<int> expected = Model(c.model);
    for (const char* text : c.forms) EXPECT_EQ(Shown(text), expected) << text;
  }
}

TEST_F(DbFilterLogic, LikeWildcardsAreNeverLiterals) {
  EXPECT_EQ(Shown("Name LIKE '%'"), Model([](const TRow& r) { return NameLike(r, "%"); }));
  EXPECT_EQ(Shown("Name LIKE '%'"), (std::vector<int>{1, 2, 4, 6, 7, 8}));  // "%x" and "" too
  EXPECT_EQ(Shown("Name LIKE '%x'"), (std::vector<int>{2}));
  EXPECT_EQ(Shown("Name LIKE '_x'"), (std::vector<int>{2}));
  EXPECT_EQ(Shown("Name LIKE 'q_'"), (std::vector<int>{1, 6}));
  EXPECT_EQ(Shown("Name LIKE '%_'"), (std::vector<int>{1, 2, 4, 6, 7}));
  EXPECT_EQ(Shown("Name NOT LIKE '%%'"), (std::vector<int>{}));
  EXPECT_TRUE(MatchesLikePattern("%x", U"%"));
  EXPECT_TRUE(MatchesLikePattern("%x", U"%%x"));
  EXPECT_FALSE(MatchesLikePattern("%", U"%_%_"));
  EXPECT_TRUE(MatchesLikePattern("a%b%c", U"a%%c"));
  EXPECT_TRUE(MatchesLikePattern("__", U"%_"));
}

TEST_F(DbFilterLogic, NegativeNumbers) {
  EXPECT_EQ(Shown("Score > -1"), Model([](const TRow& r) { return Score(r, [](int s) { return s > -1; }); }));
  EXPECT_EQ(Shown("Score=-2"), (std::vector<int>{6}));
  EXPECT_EQ(Shown("Score <> -1 AND Score<-.5"), (std::vector<int>{6}));
  EXPECT_EQ(Shown("Score >= -1.5E0"), (std::vector<int>{1, 2, 3, 7, 8}));
  EXPECT_EQ(Shown("Score > '-3'"), (std::vector<int>{1, 2, 3, 6, 7, 8}));
  for (const char* bad : {"Score > -", "Score > - 1", "Score > --1", "-Score > 1"})
    EXPECT_THROW(ds.SetFilter(bad), EDatabaseError) << bad;
}

TEST(DbFilterDates, IsoDatesInQuotesAndTheLocaleForm) {
  TMemDataSet ds(nullptr);
  ds.FieldDefs().Add("Id", ftInteger);
  ds.FieldDefs().Add("Day", ftDate);
  ds.FieldDefs().Add("At", ftDateTime);
  ds.Open();
  const TDateTime days[] = {EncodeDate(2023, 12, 31), EncodeDate(2024, 3, 5), EncodeDate(2024, 11, 20)};
  for (int i = 0; i < 3; ++i) {
    ds.Append();
    ds.FieldByName("Id")->SetAsInteger(i + 1);
    ds.FieldByName("Day")->SetAsDateTime(days[i]);
    ds.FieldByName("At")->SetAsDateTime(days[i] + EncodeTime(8, 30, 0, 0));
    ds.Post();
  }
  ds.SetFiltered(true);
  auto shown = [&](const char* filter) {
    ds.SetFilter(filter);
    std::vector<int> ids;
    for (ds.First(); !ds.Eof(); ds.Next()) ids.push_back(CurrentId(ds));
    return ids;
  };
  EXPECT_EQ(shown("Day = '2024-03-05'"), (std::vector<int>{2}));
  EXPECT_EQ(shown("Day >= '2024-01-01' AND Day < '2025-01-01'"), (std::vector<int>{2, 3}));
  EXPECT_EQ(shown("At > '2024-03-05 08:29' AND At < '2024-03-05 08:30:01'"), (std::vector<int>{2}));
  EXPECT_EQ(shown("At = '2024-11-20T08:30:00'"), (std::vector<int>{3}));
  EXPECT_EQ(shown("At >= '2024-03-05'"), (std::vector<int>{2, 3}));  // midnight
  EXPECT_EQ(shown("Day = '3/5/2024'"), (std::vector<int>{2}));        // the locale's form still reads
  for (const char* bad : {"Day = '2024-13-01'", "Day = '2024-02-30'", "Day = '2024-03-05 08:00'"})
    EXPECT_THROW(ds.SetFilter(bad), EDatabaseError) << bad;
  EXPECT_EQ(ds.Filter(), "Day = '3/5/2024'");
}

TEST_F(DbFilterLogic, LocateMatchesOnlyValuesTheFieldCanHold) {
  ds.SetFiltered(false);
  ds.First();
  EXPECT_FALSE(ds.Locate("Score", 12.75, {}));  // never the rounded 13
  EXPECT_FALSE(ds.Locate("Score", 13.25, {}));
  EXPECT_FALSE(ds.Locate("Score", "12.75", {}));
  EXPECT_FALSE(ds.Locate("Score", Currency::FromRaw(135000), {}));
  EXPECT_EQ(CurrentId(ds), 1);
  EXPECT_TRUE(ds.Locate("Score", 5.0, {}));
  EXPECT_EQ(CurrentId(ds), 2);
  EXPECT_TRUE(ds.Locate("Score", "-2", {}));
  EXPECT_EQ(CurrentId(ds), 6);
  EXPECT_TRUE(ds.Locate("Score", Currency(13), {}));
  EXPECT_EQ(CurrentId(ds), 1);
  EXPECT_TRUE(VarIsNull(ds.Lookup("Score", -1.5, "Id")));
  EXPECT_EQ(ds.Lookup("Score", -1.0, "Id"), Variant(8));
  ds.SetSortFields("Score");  // the binary search path too
  EXPECT_FALSE(ds.Locate("Score", 4.5, {}));
  EXPECT_FALSE(ds.Locate("Id;Score", VarArrayOf({2, 5.5}), {}));
  EXPECT_TRUE(ds.Locate("Id;Score", VarArrayOf({2, 5.0}), {}));
  EXPECT_EQ(CurrentId(ds), 2);

  TMemDataSet days(nullptr);
  days.FieldDefs().Add("Day", ftDate);
  days.FieldDefs().Add("Price", ftCurrency);
  days.Open();
  days.Append();
  days.FieldByName("Day")->SetAsDateTime(EncodeDate(2024, 3, 5));
  days.FieldByName("Price")->SetAsFloat(1.25);
  days.Post();
  EXPECT_FALSE(days.Locate("Day", VarFromDateTime(EncodeDate(2024, 3, 5) + 0.5), {}));  // a time the field drops
  EXPECT_TRUE(days.Locate("Day", VarFromDateTime(EncodeDate(2024, 3, 5)), {}));
  EXPECT_FALSE(days.Locate("Price", 1.25001, {}));  // past the four decimals a currency keeps
  EXPECT_TRUE(days.Locate("Price", 1.25, {}));
}

}  // namespace
}  // namespace lab
