// The cell map of a line: every character's cells and every cell's character agree with the line
// expanded whole, for short lines walked from their first tab and for long lines walked from kept
// cells, past the line's end too; and the line list keeps its cells with the line they belong to.

#include "editor/line_columns.h"

#include <gtest/gtest.h>

#include <random>

#include "editor/text_buffer.h"

namespace lab {
namespace {

TEST(LineColumns, AgreeWithTheLineExpandedWhole) {
  std::mt19937 rng(11);
  for (const int tab_width : {1, 3, 8, 65536}) {
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{40}, std::size_t{3 * 4096 + 7}}) {
      std::u32string line;
      for (std::size_t i = 0; i < length; ++i) line += rng() % 9 == 0 ? U'\t' : rng() % 50 == 0 ? U'\u65E5' : U'x';
      // Expanded whole: the character standing in each cell.
      std::vector<std::int64_t> owner;
      std::vector<std::int64_t> before;
      for (std::size_t i = 0; i < line.size(); ++i) {
        before.push_back(static_cast<std::int64_t>(owner.size()));
        const std::size_t width = line[i] == U'\t' ? tab_width - owner.size() % tab_width : 1;
        owner.insert(owner.end(), width, static_cast<std::int64_t>(i));
      }
      const TLineString stored(line);
      const std::vector<std::int64_t> marks = TLineColumns::MakeMarks(stored.view(), tab_width);
      int first_tab;
      GetHasTabs(stored.view(), first_tab);
      for (const TLineColumns& columns :
           {TLineColumns(stored.view(), tab_width), TLineColumns(stored.view(), tab_width, first_tab, &marks)}) {
        const auto cells = static_cast<std::int64_t>(owner.size());
        ASSERT_EQ(columns.Cells(), cells) << tab_width << " " << length;
        for (std::size_t i = 0; i < line.size(); i += 1 + rng() % 97)
          ASSERT_EQ(columns.CellsBefore(static_cast<std::int64_t>(i)), before[i]) << tab_width << " " << i;
        EXPECT_EQ(columns.CellsBefore(static_cast<std::int64_t>(line.size()) + 5), cells + 5);
        for (std::int64_t cell = 0; cell < std::min<std::int64_t>(cells, 200000); cell += 1 + rng() % 89) {
          std::int64_t start;
          const std::int64_t at = columns.CharAt(cell, start);
          ASSERT_EQ(at, owner[static_cast<std::size_t>(cell)]) << tab_width << " " << cell;
          ASSERT_EQ(start, before[static_cast<std::size_t>(at)]);
        }
        std::int64_t start;
        EXPECT_EQ(columns.CharAt(cells + 3, start), static_cast<std::int64_t>(line.size()) + 3);
        EXPECT_EQ(start, cells + 3);
      }
    }
  }
}

// The cells kept for a long line with tabs follow it through insertions and exchanges above it, and
// are forgotten when it is replaced or deleted or the tab width changes.
TEST(LineColumns, TheListKeepsTheCellsWithTheirLine) {
  TCodeEditStringList list;
  std::u32string wide;
  for (int i = 0; i < 5000; ++i) wide += U"ab\tc";
  list.AddLine(U"short");
  list.AddLine(wide);
  auto check = [&](int Index, const std::u32string& Text) {
    const TLineColumns columns = list.Columns(Index);
    EXPECT_EQ(columns.Cells(), GetExpandedLength(Text, list.TabWidth())) << Index;
    EXPECT_EQ(columns.CellsBefore(static_cast<std::int64_t>(Text.size()) - 1),
              GetExpandedLength(Text.substr(0, Text.size() - 1), list.TabWidth()));
  };
  check(1, wide);
  list.InsertLine(0, U"above");
  list.Exchange(0, 1);
  check(2, wide);
  list.PutLine(2, wide + U"\tz");
  check(2, wide + U"\tz");
  list.SetTabWidth(3);
  check(2, wide + U"\tz");
  list.Delete(2);
  list.InsertLine(0, wide.substr(4));
  check(0, wide.substr(4));
  EXPECT_EQ(list.Columns(7).Cells(), 0);  // outside the list
}

}  // namespace
}  // namespace lab
