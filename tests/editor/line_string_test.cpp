#include "editor/line_string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace lab {
namespace {

std::u32string Counting(std::size_t n, char32_t base = U'a') {
  std::u32string s(n, U'\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char32_t>(base + i % 26);
  return s;
}

TEST(LineString, EmptyLinesHoldNoBlock) {
  TLineString line;
  EXPECT_TRUE(line.empty());
  EXPECT_EQ(line.BlockSize(), 0u);
  EXPECT_EQ(line.view(), U"");
  EXPECT_EQ(line.str(), U"");

  line.assign(std::u32string_view(U"text"));
  EXPECT_EQ(line.BlockSize(), 8u);  // the header and a byte a character
  line.assign(std::u32string_view(U""));
  EXPECT_EQ(line.BlockSize(), 0u);
  EXPECT_TRUE(line.empty());
  line.assign(std::u32string_view(U"text"));
  line.clear();
  EXPECT_EQ(line.BlockSize(), 0u);
  EXPECT_EQ(line, U"");
}

TEST(LineString, EachLineTakesTheWidthOfItsWidestCharacter) {
  struct Case {
    std::u32string text;
    int width;
  };
  const std::vector<Case> cases{
      {U"plain ASCII", 1},
      {U"Latin-1 caf\u00E9 \u00FF", 1},  // what a stray byte decodes to still fits a byte
      {U"Stra\u00DFe \u0100", 2},
      {U"\u65E5\u672C and text", 2},
      {U"\uFFFF", 2},
      {U"astral \U0001F600", 4},
      {U"\U0010FFFF", 4},
  };
  for (const Case& c : cases) {
    TLineString line(c.text);
    EXPECT_EQ(line.width(), c.width) << line.str().size();
    EXPECT_EQ(line.size(), c.text.size());
    EXPECT_EQ(line.BlockSize(), 4 + c.text.size() * static_cast<std::size_t>(c.width));
    EXPECT_EQ(line, c.text);
    for (std::size_t i = 0; i < c.text.size(); ++i) EXPECT_EQ(line[i], c.text[i]);
  }
  // A view keeps what it holds; a part of a wide line copied on its own gets its own width.
  TLineString wide(std::u32string_view(U"ab\U0001F600cd"));
  TLineString part(wide.view().substr(3));
  EXPECT_EQ(part.width(), 1);
  EXPECT_EQ(part, U"cd");
  TLineString whole(wide.view());
  EXPECT_EQ(whole.width(), 4);
  EXPECT_EQ(whole, wide);
}

TEST(LineString, EraseKeepsTheNarrowestWidth) {
  struct Case {
    std::u32string text;
    std::size_t from, count;
    std::u32string want;
    int width;
  };
  const std::vector<Case> cases{
      {U"abcdef", 2, 2, U"abef", 1},
      {U"abc", 1, 99, U"a", 1},  // cut to the line
      {U"abc", 3, 1, U"abc", 1},  // at the end: nothing
      {U"abc", 7, 1, U"abc", 1},
      {U"abc", 0, 3, U"", 1},
      {U"ab\u65E5cd", 2, 1, U"abcd", 1},  // the only wide one goes
      {U"a\u65E5\u672Cb", 1, 1, U"a\u672Cb", 2},
      {U"\u65E5abc", 1, 2, U"\u65E5c", 2},
      {U"a\U0001F600\u65E5b", 1, 1, U"a\u65E5b", 2},
      {U"a\U0001F600\U0001F601", 0, 2, U"\U0001F601", 4},
      {U"\u00E9\u0100", 1, 1, U"\u00E9", 1},
  };
  for (const Case& c : cases) {
    TLineString line(c.text);
    line.erase(c.from, c.count);
    EXPECT_EQ(line, c.want) << c.from << "+" << c.count;
    EXPECT_EQ(line.width(), c.width) << c.from << "+" << c.count;
    EXPECT_EQ(line.BlockSize(), c.want.empty() ? 0 : 4 + c.want.size() * static_cast<std::size_t>(c.width));
  }
}

TEST(LineString, LongLines) {
  const std::u32string big = Counting(1 << 20);
  TLineString line(big);
  EXPECT_EQ(line.size(), big.size());
  EXPECT_EQ(line, big);
  line.assign(std::u32string_view(U"short"));
  EXPECT_EQ(line.BlockSize(), 9u);  // a shortened line gives its memory back
  EXPECT_EQ(line, U"short");
  std::u32string wide = Counting(1 << 16, 0x4E00);
  line.assign(wide);
  EXPECT_EQ(line.width(), 2);
  EXPECT_EQ(line, wide);
  EXPECT_EQ(line.view().substr(100, 3), wide.substr(100, 3));
}

TEST(LineString, MovesHandTheBlockOver) {
  TLineString a(std::u32string_view(U"first line"));
  const unsigned char* block = a.view().bytes();
  TLineString b(std::move(a));
  EXPECT_EQ(b.view().bytes(), block);
  EXPECT_EQ(b, U"first line");
  EXPECT_TRUE(a.empty());  // a moved-from line is empty

  // Moving over a line frees what it held (the sanitizer build sees a leak otherwise).
  TLineString c(std::u32string_view(U"second"));
  c = std::move(b);
  EXPECT_EQ(c, U"first line");
  EXPECT_TRUE(b.empty());

  // A line moved onto itself keeps its text.
  TLineString& alias = c;
  c = std::move(alias);
  EXPECT_EQ(c, U"first line");

  TLineString d(std::u32string_view(U"third"));
  c.swap(d);
  EXPECT_EQ(c, U"third");
  EXPECT_EQ(d, U"first line");
}

TEST(LineString, AssignFromItsOwnText) {
  TLineString line(std::u32string_view(U"0123456789"));
  line.assign(line.view());
  EXPECT_EQ(line, U"0123456789");
  line.assign(line.view().substr(2));
  EXPECT_EQ(line, U"23456789");
  line.assign(line.view().substr(0, 6));
  EXPECT_EQ(line, U"234567");
  const std::u32string long_text = Counting(300, 0x400);
  line.assign(long_text);
  line.assign(line.view().substr(290));
  EXPECT_EQ(line, long_text.substr(290));
  const std::u32string as_text = line.str();
  line.assign(std::u32string_view(as_text).substr(1));
  EXPECT_EQ(line, long_text.substr(291));
}

TEST(LineString, HoldsEveryCodePointValue) {
  // NUL, ASCII, Latin-1 (what a stray byte decodes to), the rest of the BMP, lone surrogates, the
  // astral planes and values beyond Unicode: a line stores them all unchanged.
  const std::u32string values{U'\0', U'A',      U'\x7F',     U'\x80',     U'\xFF',     U'\x100',
                              U'\x7FF', U'\x800', 0xD800,      0xDFFF,      U'\xFFFD',   U'\xFFFF',
                              U'\U00010000', U'\U0001F600', U'\U0010FFFF', 0x110000, 0x7FFFFFFF, 0xFFFFFFFF};
  TLineString line(values);
  EXPECT_EQ(line.size(), values.size());
  EXPECT_EQ(line.view(), values);
  TLineString moved(std::move(line));
  EXPECT_EQ(moved.str(), values);
  // Each value alone, at its own width.
  for (char32_t c : values) {
    TLineString one(std::u32string_view(&c, 1));
    EXPECT_EQ(one[0], c);
  }
}

TEST(LineString, ViewsWriteUtf8AsTheRuntimeDoes) {
  const std::u32string text = U"caf\u00E9 \u65E5 \U0001F600 \xD800 end";
  TLineString line(text);
  std::string out;
  line.view().AppendUtf8(out);
  EXPECT_EQ(out, "caf\xC3\xA9 \xE6\x97\xA5 \xF0\x9F\x98\x80 \xEF\xBF\xBD end");
  EXPECT_EQ(line.view().Utf8Size(), out.size());
}

TEST(LineArena, ChunksGoWhenTheirLastLineIsReleased) {
  TLineArena arena;
  std::vector<TLineString> lines(10000);
  std::mt19937 rng(3);
  for (TLineString& line : lines) {
    const std::u32string text = Counting(rng() % 300, rng() % 4 == 0 ? 0x4E00 : U'a');
    const int width = LineWidthOf(text);
    unsigned char* out = arena.Allocate(line, text.size(), width);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (width == 1) {
        out[i] = static_cast<unsigned char>(text[i]);
      } else {
        const auto unit = static_cast<char16_t>(text[i]);
        std::memcpy(out + 2 * i, &unit, 2);
      }
    }
    ASSERT_EQ(line, text);
    if (!text.empty()) {
      EXPECT_TRUE(line.InArena());
    }
  }
  EXPECT_GT(arena.ReservedBytes(), 1u << 20);  // more than one chunk
  EXPECT_LE(arena.LiveBytes(), arena.ReservedBytes());
  // An arena line replaced by text of its own goes to the heap; the arena forgets it only when told.
  arena.Release(lines[0]);
  lines[0].assign(std::u32string_view(U"edited"));
  EXPECT_FALSE(lines[0].InArena());
  for (std::size_t i = 1; i < lines.size(); ++i) arena.Release(lines[i]);
  EXPECT_EQ(arena.LiveBytes(), 0u);
  EXPECT_EQ(arena.ReservedBytes(), 0u);
  EXPECT_EQ(lines[0], U"edited");
}

TEST(LineArena, AnAdoptedArenasLinesAreReleasedToTheAdopter) {
  // Lines made in two arenas, then all of them handed back to the one that took the other over:
  // each is found in its chunk, and every chunk goes with its last line.
  TLineArena mine, other;
  std::vector<TLineString> lines(6000);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    unsigned char* out = (i % 2 ? other : mine).Allocate(lines[i], 200 + i % 7, 1);
    std::memset(out, 'a' + static_cast<int>(i % 26), 200 + i % 7);
  }
  const std::size_t reserved = mine.ReservedBytes() + other.ReservedBytes();
  mine.Adopt(other);
  EXPECT_EQ(other.ReservedBytes(), 0u);
  EXPECT_EQ(mine.ReservedBytes(), reserved);
  // New lines go on where the adopted arena's lines stopped.
  TLineString more;
  mine.Allocate(more, 3, 1);
  EXPECT_EQ(mine.ReservedBytes(), reserved);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], std::u32string(200 + i % 7, static_cast<char32_t>('a' + i % 26)));
    mine.Release(lines[i]);
  }
  mine.Release(more);
  EXPECT_EQ(mine.LiveBytes(), 0u);
  EXPECT_EQ(mine.ReservedBytes(), 0u);
  mine.Adopt(mine);  // itself: nothing
}

}  // namespace
}  // namespace lab
