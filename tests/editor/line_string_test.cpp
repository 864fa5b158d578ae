#include "editor/line_string.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace lab {
namespace {

std::u32string Counting(std::size_t n) {
  std::u32string s(n, U'\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char32_t>(U'a' + i % 26);
  return s;
}

TEST(LineString, EmptyLinesHoldNoBlock) {
  TLineString line;
  EXPECT_TRUE(line.empty());
  EXPECT_EQ(line.capacity(), 0u);
  ASSERT_NE(line.data(), nullptr);  // a view of it may be copied with memcpy
  EXPECT_EQ(line.view(), U"");
  EXPECT_EQ(line.str(), U"");

  line.assign(U"text");
  EXPECT_EQ(line.capacity(), 4u);
  line.assign(U"");
  EXPECT_EQ(line.capacity(), 0u);
  line.assign(U"text");
  EXPECT_EQ(line.assign_for_overwrite(0), nullptr);
  EXPECT_EQ(line.capacity(), 0u);
  line.assign(U"text");
  line.clear();
  EXPECT_EQ(line.capacity(), 0u);
  EXPECT_EQ(line, U"");
}

TEST(LineString, LongLinesAndBlockReuse) {
  const std::u32string big = Counting(1 << 20);
  TLineString line(big);
  EXPECT_EQ(line.size(), big.size());
  EXPECT_EQ(line, big);

  // Text that fills at least half of the block is written in place.
  const char32_t* block = line.data();
  line.assign(Counting(1 << 19));
  EXPECT_EQ(line.data(), block);
  EXPECT_EQ(line.capacity(), big.size());
  EXPECT_EQ(line, Counting(1 << 19));
  // Much shorter text gets a block of its own size, so a shortened line gives its memory back.
  line.assign(U"short");
  EXPECT_EQ(line.capacity(), 5u);
  EXPECT_EQ(line, U"short");
  // Longer text grows the block to exactly its size.
  line.assign(big);
  EXPECT_EQ(line.capacity(), big.size());
  EXPECT_EQ(line, big);

  char32_t* out = line.assign_for_overwrite(3);
  out[0] = U'x';
  out[1] = U'y';
  out[2] = U'z';
  EXPECT_EQ(line, U"xyz");
}

TEST(LineString, MovesHandTheBlockOver) {
  TLineString a(U"first line");
  const char32_t* block = a.data();
  TLineString b(std::move(a));
  EXPECT_EQ(b.data(), block);
  EXPECT_EQ(b, U"first line");
  EXPECT_TRUE(a.empty());  // a moved-from line is empty
  EXPECT_EQ(a.capacity(), 0u);

  // Moving over a line frees what it held (the sanitizer build sees a leak otherwise).
  TLineString c(U"second");
  c = std::move(b);
  EXPECT_EQ(c.data(), block);
  EXPECT_TRUE(b.empty());

  // A line moved onto itself keeps its text.
  TLineString& alias = c;
  c = std::move(alias);
  EXPECT_EQ(c, U"first line");

  TLineString d(U"third");
  c.swap(d);
  EXPECT_EQ(c, U"third");
  EXPECT_EQ(d, U"first line");
}

TEST(LineString, AssignFromItsOwnText) {
  TLineString line(U"0123456789");
  line.assign(line.view());
  EXPECT_EQ(line, U"0123456789");
  // In place, overlapping its source.
  line.assign(line.view().substr(2));
  EXPECT_EQ(line, U"23456789");
  line.assign(line.view().substr(0, 6));
  EXPECT_EQ(line, U"234567");
  // Into a new block, from the old one.
  line.assign(line.view().substr(1, 1));
  EXPECT_EQ(line, U"3");
  EXPECT_EQ(line.capacity(), 1u);
  const std::u32string long_text = Counting(300);
  line.assign(long_text);
  line.assign(line.view().substr(290));
  EXPECT_EQ(line, long_text.substr(290));
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
}

}  // namespace
}  // namespace lab
