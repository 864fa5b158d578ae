// Incremental search driven alone, over a list of texts standing in for the grid's records: where
// each mode finds a record and what becomes of the search text, the time-out's timer, and a walk
// that fails giving the records back.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "grid/inc_search.h"
#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

class TSearchedList : public IIncSearchHostX {
 public:
  std::vector<std::string> texts;
  int current = 0;
  bool link_active = true;
  bool has_column = true;
  // The dataset's own search answers (from the first record) where set.
  bool own_search = false;
  int fail_at = -1;  // the record whose text raises
  int walking = 0, kept = -1, steps = 0;
  std::vector<int> timer;  // the intervals asked for (-1: stopped)
  std::vector<bool> shown;
  bool guarded_end = false;
  TIncSearchX* search = nullptr;

  bool SearchLinkActive() override { return link_active; }
  std::optional<std::string> SearchedText() override {
    if (!has_column) return std::nullopt;
    if (current == fail_at) throw Exception("no text");
    return texts[static_cast<std::size_t>(current)];
  }
  std::optional<bool> LocateByDataSet(const std::string& Text) override {
    if (!own_search) return std::nullopt;
    for (std::size_t i = 0; i < texts.size(); ++i)
      if (texts[i].compare(0, Text.size(), Text) == 0) {
        current = static_cast<int>(i);
        return true;
      }
    return false;
  }
  void BeginWalk() override {
    ++walking;
    kept = current;
  }
  bool MoveRecord(int Step) override {
    ++steps;
    current = Step == 0 ? 0 : current + Step;
    const bool inside = current >= 0 && current < static_cast<int>(texts.size());
    current = std::clamp(current, 0, static_cast<int>(texts.size()) - 1);
    return inside;
  }
  void EndWalk(bool Found) override {
    --walking;
    guarded_end = search->Guarding();
    if (!Found) current = kept;
  }
  void IncSearchShown(bool Active) override { shown.push_back(Active); }
  void SetIncSearchTimer(int Interval) override { timer.push_back(Interval); }
};

class IncSearchPart : public ::testing::Test {
 protected:
  void SetUp() override { host.search = &search; }
  TSearchedList host;
  TIncSearchX search{host};
};

// Each row types its pieces one Locate after another from a record, over records the search walks
// (or the dataset searches itself, or the link is closed, or no column shows a field); the record
// reached and the search text after the last piece.
TEST_F(IncSearchPart, EachModeFindsTheFirstRecordBeginningWithTheText) {
  enum TRecords { kWalked, kOwnSearch, kLinkClosed, kNoColumn };
  struct Case {
    const char* what;
    TRecords records;
    int from;
    std::vector<std::pair<const char*, int>> typed;  // text, mode
    int record;
    const char* text;
    int steps;  // moves of the last piece's walk
  };
  const Case cases[] = {
      {"from the first", kWalked, 4, {{"m", 0}}, 0, "m", 1},
      {"the current one matching stays", kWalked, 2, {{"may", 0}}, 2, "may", 0},
      {"without case, letter by letter", kWalked, 0, {{"m", 0}, {"a", 0}, {"Y", 0}, {"b", 0}}, 3, "maYb", 4},
      {"a character no record continues is dropped", kWalked, 2, {{"may", 0}, {"q", 0}}, 2, "may", 7},
      {"wide characters", kWalked, 0, {{"m\xC3\xBC", 0}}, 5, "m\xC3\xBC", 6},
      {"forward from the next", kWalked, 0, {{"m", 0}, {"", 1}}, 2, "m", 2},
      {"none further on", kWalked, 5, {{"m", 0}, {"", 1}}, 5, "m", 1},
      {"backward from the prior", kWalked, 5, {{"m", 0}, {"", 2}}, 3, "m", 2},
      {"the dataset's own search", kOwnSearch, 4, {{"Ma", 0}}, 2, "Ma", 0},
      {"a closed link", kLinkClosed, 4, {{"m", 0}}, 4, "", 0},
      {"no column", kNoColumn, 4, {{"m", 0}}, 4, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    search.Stop();
    host.texts = {"Miller", "adams", "Mayer", "MAYBERRY", "Zoe", "m\xC3\xBCller"};
    host.current = c.from;
    host.own_search = c.records == kOwnSearch;
    host.link_active = c.records != kLinkClosed;
    host.has_column = c.records != kNoColumn;
    for (const auto& [text, mode] : c.typed) {
      host.steps = 0;
      search.Locate(text, 1500, mode);
    }
    EXPECT_EQ(host.current, c.record);
    EXPECT_EQ(search.Text(), c.text);
    EXPECT_EQ(host.steps, c.steps);
    EXPECT_EQ(search.Active(), c.records != kLinkClosed);
    EXPECT_EQ(host.walking, 0);
  }
}

// Each keystroke starts the time-out again; a negative one never runs; Backspace shortens the text
// and starts it again; the end of the search stops it and shows the row without the search.
TEST_F(IncSearchPart, TheTimeOutStartsAgainWithEveryKeystroke) {
  host.texts = {"alpha", "beta", "bravo"};
  search.Locate("b", 1500, 0);
  search.Locate("r", 1500, 0);
  EXPECT_EQ(host.timer, (std::vector<int>{1500, -1, 1500}));
  search.DropLastChar();
  EXPECT_EQ(search.Text(), "b");
  EXPECT_EQ(host.timer.back(), 1500);
  search.Stop();
  EXPECT_EQ(host.timer.back(), -1);
  EXPECT_FALSE(search.Active());
  EXPECT_EQ(search.Text(), "");
  EXPECT_EQ(host.shown.back(), false);
  host.timer.clear();
  search.Locate("", -1, 0);
  search.RestartTimer();
  search.Stop();
  EXPECT_TRUE(host.timer.empty());
}

// A text that raises during the walk: the records go back where they were, the walk ends (under
// the search's guard, so the moves it reports keep the search) and the error goes on.
TEST_F(IncSearchPart, AFailingWalkGivesTheRecordsBack) {
  host.texts = {"one", "two", "three", "four"};
  host.current = 3;
  host.fail_at = 2;
  EXPECT_THROW(search.Locate("x", 1500, 0), Exception);
  EXPECT_EQ(host.current, 3);
  EXPECT_EQ(host.walking, 0);
  EXPECT_TRUE(host.guarded_end);
  EXPECT_FALSE(search.Guarding());
}

}  // namespace
}  // namespace lab
