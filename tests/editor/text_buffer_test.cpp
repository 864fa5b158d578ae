#include "editor/text_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "editor/edit_exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/string_list.h"

namespace lab {
namespace {

using V = std::vector<std::string>;

V Lines(const TStrings& s) {
  V out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Strings(i));
  return out;
}

// Every event of a list, as text, in the order fired.
struct EventLog {
  V events;
  explicit EventLog(TCodeEditStringList& list) {
    list.OnChanging = [this](TObject*) { events.push_back("changing"); };
    list.OnChange = [this](TObject*) { events.push_back("change"); };
    list.OnCleared = [this](TObject*) { events.push_back("cleared"); };
    list.OnInserted = [this](TObject*, int i, int n) { Add("inserted", i, n); };
    list.OnDeleted = [this](TObject*, int i, int n) { Add("deleted", i, n); };
    list.OnPutted = [this](TObject*, int i, int n) { Add("putted", i, n); };
  }
  void Add(const char* what, int i, int n) {
    events.push_back(std::string(what) + " " + std::to_string(i) + " " + std::to_string(n));
  }
  V Take() { return std::exchange(events, {}); }
};

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Exception& e) {
    return std::string(e.ClassName()) + ": " + e.Message();
  }
  return "<none>";
}

TEST(CodeEditStringList, EachChangeOutsideAnUpdateIsBracketed) {
  TCodeEditStringList list;
  EventLog log(list);
  list.Add("a");
  EXPECT_EQ(log.Take(), (V{"changing", "inserted 0 1", "change"}));
  list.Insert(0, "b");
  EXPECT_EQ(log.Take(), (V{"changing", "inserted 0 1", "change"}));
  list.SetStrings(1, "c");
  EXPECT_EQ(log.Take(), (V{"changing", "putted 1 1", "change"}));
  list.SetStrings(2, "d");  // at Count: an Add
  EXPECT_EQ(log.Take(), (V{"changing", "inserted 2 1", "change"}));
  list.Delete(0);
  EXPECT_EQ(log.Take(), (V{"changing", "deleted 0 1", "change"}));
  list.Exchange(0, 1);
  EXPECT_EQ(log.Take(), (V{"changing", "change"}));
  EXPECT_EQ(Lines(list), (V{"d", "c"}));
  // Objects and highlighter states are no structural change.
  list.SetObjects(0, &list);
  list.SetRanges(0, 7);
  EXPECT_EQ(log.Take(), V{});
  EXPECT_EQ(list.Objects(0), &list);
  EXPECT_EQ(list.Ranges(0), 7);
  list.Clear();
  EXPECT_EQ(log.Take(), (V{"changing", "cleared", "change"}));
  list.Clear();  // nothing to clear: no events
  EXPECT_EQ(log.Take(), V{});
}

TEST(CodeEditStringList, InsideAnUpdateOnlyStructuralEventsFire) {
  TCodeEditStringList list;
  EventLog log(list);
  list.BeginUpdate();
  EXPECT_EQ(log.Take(), (V{"changing"}));
  list.BeginUpdate();
  list.Add("a");
  list.InsertLines(0, 3);
  list.DeleteLines(1, 10);  // cut to the lines that exist
  list.EndUpdate();
  EXPECT_EQ(log.Take(), (V{"inserted 0 1", "inserted 0 3", "deleted 1 3"}));
  list.EndUpdate();
  EXPECT_EQ(log.Take(), (V{"change"}));
  EXPECT_EQ(list.Count(), 1);

  // Assign is one update: clear, then the source's lines in one insertion.
  TStringList source;
  source.Add("x");
  source.Add("y");
  list.Assign(&source);
  EXPECT_EQ(log.Take(), (V{"changing", "cleared", "inserted 0 2", "change"}));
  EXPECT_EQ(Lines(list), (V{"x", "y"}));
  TStringList empty;
  list.AddStrings(&empty);
  EXPECT_EQ(log.Take(), V{});
}

TEST(CodeEditStringList, BadIndexesRaiseAndChangeNothing) {
  TCodeEditStringList list;
  list.Add("one");
  list.Add("two");
  EventLog log(list);
  EXPECT_EQ(ErrorOf([&] { list.Delete(2); }), "ECodeEditStringList: Invalid stringlist index 2");
  EXPECT_EQ(ErrorOf([&] { list.Insert(3, "x"); }), "ECodeEditStringList: Invalid stringlist index 3");
  EXPECT_EQ(ErrorOf([&] { list.Insert(-1, "x"); }), "ECodeEditStringList: Invalid stringlist index -1");
  EXPECT_EQ(ErrorOf([&] { list.SetStrings(3, "x"); }), "ECodeEditStringList: Invalid stringlist index 3");
  EXPECT_EQ(ErrorOf([&] { list.SetObjects(2, nullptr); }), "ECodeEditStringList: Invalid stringlist index 2");
  EXPECT_EQ(ErrorOf([&] { list.SetRanges(-1, 0); }), "ECodeEditStringList: Invalid stringlist index -1");
  EXPECT_EQ(ErrorOf([&] { list.Exchange(0, 2); }), "ECodeEditStringList: Invalid stringlist index 2");
  EXPECT_EQ(ErrorOf([&] { list.DeleteLines(3, 1); }), "ECodeEditStringList: Invalid stringlist index 3");
  EXPECT_EQ(ErrorOf([&] { list.InsertLines(3, 1); }), "ECodeEditStringList: Invalid stringlist index 3");
  EXPECT_EQ(ErrorOf([&] { list.SetCapacity(1); }), "EListError: Stringlist capacity cannot be smaller than count");
  EXPECT_EQ(log.Take(), V{});
  EXPECT_EQ(Lines(list), (V{"one", "two"}));
  // Reads outside the list answer empty values instead.
  EXPECT_EQ(list.Strings(5), "");
  EXPECT_EQ(list.Objects(-1), nullptr);
  EXPECT_EQ(list.Ranges(9), 0);
  EXPECT_EQ(list.Ranges(-1), 0);
  EXPECT_EQ(list.ExpandedStrings(2), U"");
  EXPECT_EQ(list.ExpandedStringLengths(9), 0);
  EXPECT_EQ(list.GetLine(2), U"");
  // A count of 0 or less does nothing even at a bad index.
  list.DeleteLines(99, 0);
  list.InsertLines(99, -1);
  EXPECT_EQ(list.Count(), 2);
}

// Deleting at Count cuts nothing and says so: callers counting events hear of it. A move to the same
// place does nothing, at Count too.
TEST(CodeEditStringList, DeletingAtCountReportsNothingCut) {
  TCodeEditStringList empty;
  EventLog log(empty);
  empty.DeleteLines(0, 1);  // at Count of an empty list
  EXPECT_EQ(log.Take(), (V{"changing", "deleted 0 0", "change"}));
  EXPECT_EQ(empty.Count(), 0);

  TCodeEditStringList list;
  list.Add("one");
  list.Add("two");
  EventLog filled(list);
  list.DeleteLines(2, 5);
  EXPECT_EQ(filled.Take(), (V{"changing", "deleted 2 0", "change"}));
  EXPECT_EQ(Lines(list), (V{"one", "two"}));
  list.DeleteLines(1, 5);  // one line exists from index 1 on
  EXPECT_EQ(filled.Take(), (V{"changing", "deleted 1 1", "change"}));

  list.Add("three");
  filled.Take();
  list.Move(2, 2);
  list.Move(1, 1);
  EXPECT_EQ(filled.Take(), V{});
  EXPECT_EQ(ErrorOf([&] { list.Move(0, 2); }), "EStringListError: List index out of bounds (2)");
  list.Move(0, 1);
  EXPECT_EQ(Lines(list), (V{"three", "one"}));
}

TEST(CodeEditStringList, RecordsStartAsDocumented) {
  TCodeEditStringList list;
  list.Add("a");
  EXPECT_EQ(list.Record(0).Range, -1);
  EXPECT_EQ(list.Record(0).ExpandedLength, -1);
  EXPECT_EQ(list.Record(0).Flags, sfExpandedLengthUnknown);
  list.SetRanges(0, 5);
  list.SetObjects(0, &list);
  list.SetStrings(0, "b");  // keeps object and range
  EXPECT_EQ(list.Ranges(0), 5);
  EXPECT_EQ(list.Objects(0), &list);
  list.InsertLines(0, 20);  // zeroed records
  EXPECT_EQ(list.Record(0).Range, 0);
  EXPECT_EQ(list.Record(0).ExpandedLength, 0);
  EXPECT_EQ(list.Record(0).Flags, 0);
  EXPECT_EQ(list.ExpandedStringLengths(1), 0);
  EXPECT_EQ(list.Capacity(), 21);  // raised to exactly Count + NumLines
}

TEST(CodeEditStringList, CapacityGrowsBy16ThenByAQuarter) {
  TCodeEditStringList list;
  std::vector<int> capacities;
  for (int i = 0; i < 100; ++i) {
    list.Add("x");
    if (capacities.empty() || capacities.back() != list.Capacity()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{16, 32, 48, 64, 80, 100}));
  TCodeEditStringList other;
  other.Add("a");
  other.AddStrings(&list);  // 101 lines: rounded up to 112
  EXPECT_EQ(other.Capacity(), 112);
  other.Clear();
  EXPECT_EQ(other.Capacity(), 0);
}

TEST(CodeEditStringList, TextIsUtf8JoinedWithCrLf) {
  TCodeEditStringList list;
  EXPECT_EQ(list.Text(), "");
  list.Add("caf\xC3\xA9");
  list.Add("");
  list.Add("\xE6\x97\xA5");
  EXPECT_EQ(list.Text(), "caf\xC3\xA9\r\n\r\n\xE6\x97\xA5");
  EXPECT_EQ(list.GetLine(0), U"caf\u00E9");
  EXPECT_EQ(list.GetLine(2).size(), 1u);  // one code point, one position
  list.SetText("x\ny\r\n");
  EXPECT_EQ(Lines(list), (V{"x", "y"}));
  list.AddStrings(&list);  // doubles once
  EXPECT_EQ(Lines(list), (V{"x", "y", "x", "y"}));
}

TEST(CodeEditStringList, TabExpansionAndItsCache) {
  TCodeEditStringList list;
  list.SetTabWidth(4);
  list.Add(std::string("a\tb"));
  list.Add("plain");
  EXPECT_EQ(list.ExpandedStrings(0), std::u32string(U"a\t\t\tb"));
  EXPECT_EQ(list.ExpandedStringLengths(0), 5);
  EXPECT_EQ(list.Record(0).Flags, sfHasTabs);
  EXPECT_EQ(list.ExpandedStringLengths(1), 5);
  EXPECT_EQ(list.Record(1).Flags, sfHasNoTabs);
  EXPECT_EQ(list.ExpandedStrings(1), U"plain");

  // A new width forgets every cached length.
  list.SetTabWidth(8);
  EXPECT_EQ(list.Record(0).ExpandedLength, -1);
  EXPECT_TRUE(list.Record(1).Flags & sfExpandedLengthUnknown);
  EXPECT_FALSE(list.Record(1).Flags & sfHasNoTabs);
  EXPECT_EQ(list.ExpandedStringLengths(0), 9);
  EXPECT_EQ(list.ExpandedStrings(0).size(), 9u);

  // Put forgets the line's cache only.
  list.SetStrings(0, "\t\t");
  EXPECT_EQ(list.Record(0).ExpandedLength, -1);
  EXPECT_EQ(list.ExpandedStringLengths(0), 16);
  EXPECT_EQ(list.ExpandedStringLengths(1), 5);

  list.SetTabWidth(1);
  EXPECT_EQ(list.ExpandedStrings(0), U"  ");
  list.SetTabWidth(3);
  EXPECT_EQ(list.ExpandedStrings(0), std::u32string(6, U'\t'));
}

TEST(CodeEditStringList, AFreshListExpandsTabsForItsOwnWidth) {
  // Built over zeroed memory, where a width read before it is set would be 0 and pick the one-blank
  // expander while the lengths count eight.
  alignas(TCodeEditStringList) unsigned char storage[sizeof(TCodeEditStringList)] = {};
  auto* list = ::new (static_cast<void*>(storage)) TCodeEditStringList;
  list->Add(std::string("a\tb"));
  EXPECT_EQ(list->TabWidth(), 8);
  EXPECT_EQ(list->ExpandedStrings(0), U"a" + std::u32string(7, U'\t') + U"b");
  EXPECT_EQ(list->ExpandedStringLengths(0), 9);
  list->~TCodeEditStringList();
}

TEST(CodeEditStringList, TabWidthBelowOneCountsAsOne) {
  TCodeEditStringList list;
  list.Add("\tx\t");
  list.SetTabWidth(0);
  EXPECT_EQ(list.TabWidth(), 1);
  EXPECT_EQ(list.ExpandedStringLengths(0), 3);
  EXPECT_EQ(list.LengthOfLongestLine(), 3);
  list.SetTabWidth(-4);
  EXPECT_EQ(list.TabWidth(), 1);
  EXPECT_EQ(list.ExpandedStrings(0), U" x ");
}

// 32,768 tabs of 65,536 cells span 2^31 cells, past the int range: widths are counted in 64 bits,
// columns handed out as int stop at its end, and a wider tab is taken at that bound.
TEST(CodeEditStringList, WidthsPassTheIntRange) {
  constexpr std::int64_t kCells = std::int64_t{1} << 31;
  const std::u32string tabs(32768, U'\t');
  TCodeEditStringList list;
  list.Add("x");
  list.AddLine(tabs);
  list.SetTabWidth(1 << 20);
  EXPECT_EQ(list.TabWidth(), kMaxTabWidth);
  EXPECT_EQ(list.LengthOfLongestLine(), kCells);
  EXPECT_EQ(list.ExpandedStringLengths(1), kCells);
  EXPECT_EQ(GetExpandedLength(tabs + U"ab", kMaxTabWidth), kCells + 2);
  EXPECT_EQ(CharIndex2CaretPos(32768, kMaxTabWidth, tabs), kCells - kMaxTabWidth + 1);
  EXPECT_EQ(CharIndex2CaretPos(32769, kMaxTabWidth, tabs), INT32_MAX);
}

TEST(CodeEditStringList, LongestLineCacheFollowsChanges) {
  TCodeEditStringList list;
  EXPECT_EQ(list.LengthOfLongestLine(), 0);
  list.SetTabWidth(4);
  list.Add("abc");
  list.Add("\tabcdef");  // 10
  list.Add("abcdefghij");  // 10 too: the first one is kept
  list.Add("ab");
  EXPECT_EQ(list.LengthOfLongestLine(), 10);
  list.Delete(1);
  EXPECT_EQ(list.LengthOfLongestLine(), 10);
  list.Delete(1);
  EXPECT_EQ(list.LengthOfLongestLine(), 3);
  list.Add("abcd");
  EXPECT_EQ(list.LengthOfLongestLine(), 4);
  list.Exchange(0, 2);  // the cached index follows its line
  EXPECT_EQ(list.LengthOfLongestLine(), 4);
  list.SetStrings(0, "");
  EXPECT_EQ(list.LengthOfLongestLine(), 3);
  list.SetTabWidth(8);
  list.Add("\t");
  EXPECT_EQ(list.LengthOfLongestLine(), 8);
}

TEST(CodeEditStringList, DestructionFiresNoEvent) {
  bool fired = false;
  {
    TCodeEditStringList list;
    list.Add("a");
    list.OnCleared = [&](TObject*) { fired = true; };
    list.OnChange = [&](TObject*) { fired = true; };
    list.OnDeleted = [&](TObject*, int, int) { fired = true; };
  }
  EXPECT_FALSE(fired);
}

// The records lie in blocks: an edit anywhere, however far from the one before, moves the records of
// its block (and of a neighbour it splits from or merges with) at most.
TEST(CodeEditStringList, EditsAnywhereMoveTheRecordsOfABlockAtMost) {
  TCodeEditStringList list;
  for (int i = 0; i < 20000; ++i) list.AddLine(U"line " + std::u32string(1, static_cast<char32_t>(U'a' + i % 26)));
  std::mt19937 rng(3);
  for (int step = 0; step < 2000; ++step) {
    const std::int64_t moved = list.Records().RecordsMoved();
    const int at = static_cast<int>(rng() % static_cast<unsigned>(list.Count()));
    if (step % 2)
      list.InsertLine(at, U"typed");
    else
      list.Delete(at);
    ASSERT_LE(list.Records().RecordsMoved() - moved, 2 * TLineRecords::kBlockRecords) << step;
  }
  EXPECT_EQ(list.Count(), 20000);
  EXPECT_GE(list.Records().BlockCount(), 20000 / TLineRecords::kBlockRecords);
  EXPECT_EQ(list.Capacity(), list.Records().Capacity());
}

// Loaded lines share large blocks; lines edited or deleted give their room back, and a block goes
// once its last line is gone.
TEST(CodeEditStringList, LoadedLinesGiveTheirRoomBack) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "device line " + std::to_string(i) + (i % 7 ? "\r\n" : " \xE6\x97\xA5\n");
  TCodeEditStringList list;
  TStringStream stream(text);
  list.LoadFromStream(&stream);
  ASSERT_EQ(list.Count(), 20001);
  const TLineArena& arena = list.Records().Arena();
  EXPECT_GT(arena.ReservedBytes(), 0u);
  EXPECT_TRUE(list.Record(0).String.InArena());
  EXPECT_EQ(list.Record(7).String.width(), 2);
  EXPECT_EQ(list.Strings(7), "device line 7 \xE6\x97\xA5");
  const std::size_t live = arena.LiveBytes();
  list.SetStrings(0, "edited");
  EXPECT_FALSE(list.Record(0).String.InArena());
  EXPECT_LT(arena.LiveBytes(), live);
  list.Exchange(1, 2);
  EXPECT_EQ(list.Strings(1), "device line 2");
  while (list.Count() > 1) list.Delete(list.Count() - 1);
  EXPECT_EQ(arena.LiveBytes(), 0u);
  EXPECT_EQ(arena.ReservedBytes(), 0u);
  EXPECT_EQ(list.Strings(0), "edited");
}

// Characters taken out of a line are reported as a put, keep what the line's cache still knows, and
// a loaded line gives its room back to the arena.
TEST(CodeEditStringList, DeleteCharsIsAPutOfTheShorterLine) {
  TCodeEditStringList list;
  list.SetTabWidth(4);
  list.Add("plain text");
  list.Add("a\tb\tc");
  EXPECT_EQ(list.ExpandedStringLengths(0), 10);
  EXPECT_EQ(list.ExpandedStringLengths(1), 9);
  EXPECT_EQ(list.LengthOfLongestLine(), 10);
  EventLog log(list);
  list.DeleteChars(0, 2, 5);
  EXPECT_EQ(log.Take(), (V{"changing", "putted 0 1", "change"}));
  EXPECT_EQ(list.Strings(0), "plext");
  EXPECT_EQ(list.Record(0).Flags, sfHasNoTabs);
  EXPECT_EQ(list.Record(0).ExpandedLength, 5);
  EXPECT_EQ(list.LengthOfLongestLine(), 9);
  list.DeleteChars(1, 1, 1);
  EXPECT_EQ(list.Strings(1), "ab\tc");
  EXPECT_EQ(list.ExpandedStringLengths(1), 5);
  list.DeleteChars(1, 9, 1);  // past the end: the line is put as it was
  EXPECT_EQ(log.Take(), (V{"changing", "putted 1 1", "change", "changing", "putted 1 1", "change"}));
  EXPECT_EQ(ErrorOf([&] { list.DeleteChars(2, 0, 1); }), "ECodeEditStringList: Invalid stringlist index 2");

  std::string text;
  for (int i = 0; i < 1000; ++i) text += "device line " + std::to_string(i) + "\r\n";
  TCodeEditStringList loaded;
  TStringStream stream(text);
  loaded.LoadFromStream(&stream);
  ASSERT_TRUE(loaded.Record(3).String.InArena());
  const std::size_t live = loaded.Records().Arena().LiveBytes();
  loaded.DeleteChars(3, 0, 7);
  EXPECT_EQ(loaded.Strings(3), "line 3");
  EXPECT_FALSE(loaded.Record(3).String.InArena());
  EXPECT_LT(loaded.Records().Arena().LiveBytes(), live);
}

// Records move bytewise when lines are inserted and deleted: every line, object and highlighter state
// must stay with its line through any mix of edits (the sanitizer build also sees every block freed
// exactly once).
// Runs Steps random edits against a model; BlockLines is the most lines one InsertLines or DeleteLines
// takes (beyond a block's, lines span many blocks).
void EditAgainstAModel(int Steps, int BlockLines, unsigned Seed) {
  struct Line {
    std::u32string text;
    TObject* object = nullptr;
    TCodeEditRange range = -1;
  };
  std::vector<Line> model;
  TCodeEditStringList list;
  std::vector<TObject> objects(8);
  std::mt19937 rng(Seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto text = [&] {
    std::u32string s(static_cast<std::size_t>(pick(3) == 0 ? 0 : pick(40)), U' ');
    for (char32_t& c : s) c = static_cast<char32_t>(pick(4) == 0 ? 0x400 + pick(0x10000) : U'a' + pick(26));
    return s;
  };
  for (int step = 0; step < Steps; ++step) {
    const int count = static_cast<int>(model.size());
    const int at = pick(count + 1);
    switch (pick(9)) {
      case 0:
      case 1: {
        Line line{text(), &objects[static_cast<std::size_t>(pick(8))], pick(100)};
        list.InsertLine(at, line.text);
        list.SetObjects(at, line.object);
        list.SetRanges(at, line.range);
        model.insert(model.begin() + at, line);
        break;
      }
      case 2:
        if (at < count) {
          list.Delete(at);
          model.erase(model.begin() + at);
        }
        break;
      case 3: {
        const int n = pick(pick(4) == 0 ? BlockLines : 5);
        list.InsertLines(at, n);
        model.insert(model.begin() + at, static_cast<std::size_t>(n), Line{U"", nullptr, 0});
        break;
      }
      case 4: {
        const int n = std::min(pick(pick(4) == 0 ? BlockLines : 6), count - at);
        list.DeleteLines(at, n);
        model.erase(model.begin() + at, model.begin() + at + n);
        break;
      }
      case 5:
        if (at < count) {
          model[static_cast<std::size_t>(at)].text = text();
          list.PutLine(at, model[static_cast<std::size_t>(at)].text);
        }
        break;
      case 6:
        if (at < count) {
          const int other = pick(count);
          list.Exchange(at, other);
          std::swap(model[static_cast<std::size_t>(at)], model[static_cast<std::size_t>(other)]);
        }
        break;
      case 7:
        if (at < count) {
          std::u32string& line = model[static_cast<std::size_t>(at)].text;
          const int from = pick(static_cast<int>(line.size()) + 2), n = pick(6);
          list.DeleteChars(at, from, n);
          if (static_cast<std::size_t>(from) < line.size()) line.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(n));
        }
        break;
      default:
        list.SetCapacity(count + pick(3) + (pick(4) == 0 ? pick(BlockLines) : 0));
        break;
    }
    ASSERT_EQ(list.Count(), static_cast<int>(model.size())) << "step " << step;
    for (int i = 0; i < list.Count(); ++i) {
      const Line& want = model[static_cast<std::size_t>(i)];
      ASSERT_TRUE(list.LineView(i) == want.text) << "step " << step << ", line " << i;
      ASSERT_EQ(list.Objects(i), want.object) << "step " << step << ", line " << i;
      ASSERT_EQ(list.Ranges(i), want.range) << "step " << step << ", line " << i;
    }
  }
}

TEST(CodeEditStringList, EditsKeepEachRecordWhole) { EditAgainstAModel(3000, 5, 11); }

// Lines in many blocks: blocks split, fill, empty and merge, runs of lines span several, and room
// reserved ahead lies in empty blocks at the end.
TEST(CodeEditStringList, EditsOverManyBlocksKeepEachRecordWhole) {
  EditAgainstAModel(600, 3 * TLineRecords::kBlockRecords, 17);
}

}  // namespace
}  // namespace lab
