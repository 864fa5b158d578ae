// The line records' block starts under the shift an edit leaves pending after its block: edits at a
// block's first and last line, on either side of the pending shift, blocks emptied, merged and split
// and runs across blocks keep every record in its place, and edits at one place write no block start
// however many blocks follow.

#include "editor/line_records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace lab {
namespace {

constexpr int kFill = TLineRecords::kAppendFill;

// Lines inserted (> 0) or erased (< 0) at a line of a block as the blocks stand then: At counts from
// the block's first line, or back from past its last one (-1 is the last line); block -1 is the end
// of the text. Times repeats the edit.
struct TEdit {
  int block, at, lines, times = 1;
};

struct TStartsCase {
  const char* name;
  int blocks;                // of lines appended, before the edits
  int room;                  // records reserved after them
  std::vector<TEdit> edits;
  int most_starts;           // block starts any edit after the first may write, or -1
};

const TStartsCase kCases[] = {
    {"FirstLineOfABlock", 4, 0, {{2, 0, 1}, {2, 0, -1}, {2, 0, 1, 3}, {0, 0, -2}}, -1},
    {"LastLineOfABlock", 4, 0, {{1, -1, 1}, {1, -1, -1, 2}, {3, -1, -1}, {3, -1, 2}}, -1},
    {"EitherSideOfTheShift", 8, 0, {{5, 3, 1}, {2, 7, 1}, {6, 0, -1}, {0, 0, 1}, {7, -1, -1}, {3, -1, 1}}, -1},
    {"ABlockEmptiedBeforeTheShift", 6, 0, {{4, 0, 2}, {2, 0, -kFill}, {3, 5, 1}}, -1},
    {"ABlockEmptiedAfterTheShift", 6, 0, {{1, 0, 2}, {3, 0, -kFill}, {0, 5, -1}}, -1},
    {"NeighboursMerged", 6, 0, {{4, 0, 1}, {1, 0, 100 - kFill}, {2, 0, 100 - kFill}, {3, 0, 1}}, -1},
    {"AFullBlockSplit", 5, 0, {{1, 0, 1}, {3, 10, 1, 70}, {4, -1, -1}, {0, 0, 1}}, -1},
    {"RunsAcrossBlocks", 6, 0, {{4, 5, 1}, {1, 100, 3000}, {0, 0, -2500}, {2, -1, 1}}, -1},
    {"AppendedIntoRoomWithTheShiftBefore", 3, 3000, {{1, 0, 1}, {-1, 0, 1, kFill + 5}, {0, 0, -1}}, -1},
    {"OnePlaceAmongManyBlocks", 300, 0, {{150, 400, 1}, {150, 400, -1}, {150, 400, 1, 20}, {150, 400, -1, 20}}, 0},
    {"NeighbouringBlocksAmongMany", 300, 0, {{150, 9, 1}, {151, 9, 1}, {150, 9, -1}, {149, -1, -1}}, 2},
};

void PrintTo(const TStartsCase& c, std::ostream* os) { *os << c.name; }

class LineRecordsStartsTest : public ::testing::TestWithParam<TStartsCase> {};

TEST_P(LineRecordsStartsTest, EditsKeepEveryRecordInPlace) {
  const TStartsCase& c = GetParam();
  TLineRecords records;
  std::vector<TCodeEditRange> model;
  TCodeEditRange next = 0;
  for (int i = 0; i < c.blocks * kFill; ++i) model.push_back(records.Append().Range = next++);
  records.SetCapacity(records.Count() + c.room);
  bool first = true;
  for (const TEdit& edit : c.edits) {
    for (int n = 0; n < edit.times; ++n) {
      int at = records.Count();
      if (edit.block >= 0)
        at = edit.at >= 0 ? records.BlockStart(edit.block) + edit.at
                          : (edit.block + 1 < records.BlockCount() ? records.BlockStart(edit.block + 1) : records.Count()) +
                                edit.at;
      const std::int64_t starts = records.StartsMoved();
      if (edit.lines > 0) {
        records.Open(at, edit.lines);
        for (int i = 0; i < edit.lines; ++i) {
          records[at + i].Range = next;
          model.insert(model.begin() + at + i, next++);
        }
      } else {
        records.Erase(at, -edit.lines);
        model.erase(model.begin() + at, model.begin() + at - edit.lines);
      }
      if (!first && c.most_starts >= 0) EXPECT_LE(records.StartsMoved() - starts, c.most_starts) << "at " << at;
      first = false;
      // Read forwards (from the block read last) and backwards (by searching the blocks).
      ASSERT_EQ(records.Count(), static_cast<int>(model.size()));
      for (int i = 0; i < records.Count(); ++i) ASSERT_EQ(records[i].Range, model[static_cast<std::size_t>(i)]) << i;
      for (int i = records.Count() - 1; i >= 0; --i) ASSERT_EQ(records[i].Range, model[static_cast<std::size_t>(i)]) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Edits, LineRecordsStartsTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lab
