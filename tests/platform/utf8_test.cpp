#include "platform/rtl/utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace lab {
namespace {

std::string Bytes(std::initializer_list<int> list) {
  std::string s;
  for (int b : list) s += static_cast<char>(b);
  return s;
}

TEST(Utf8, ValidTextDecodesAndRoundTrips) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € 😀 z
  EXPECT_EQ(Utf8Decode(text), (std::u32string{U'a', 0xE9, 0x20AC, 0x1F600, U'z'}));
  EXPECT_EQ(Utf8Encode(Utf8Decode(text)), text);
  EXPECT_EQ(Utf8Length(text), 5u);
  // Boundaries of the code-point ranges.
  const std::u32string edges{0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFF, 0x10000, 0x10FFFF};
  EXPECT_EQ(Utf8Decode(Utf8Encode(edges)), edges);
  EXPECT_EQ(Utf8Encode(edges).size(), 1u + 2 + 2 + 3 + 3 + 3 + 3 + 4 + 4);
  // Long ASCII runs go through the word-at-a-time path; mix them with other text around it.
  std::string mixed(21, 'x');
  mixed += "\xC3\xA9";
  mixed.append(9, 'y');
  mixed += '\xFF';
  EXPECT_EQ(Utf8Length(mixed), 32u);
  EXPECT_EQ(Utf8Decode(mixed)[21], 0xE9u);
  EXPECT_EQ(Utf8Decode(mixed)[31], 0xFFu);
}

TEST(Utf8, MalformedBytesDecodeAsLatin1) {
  // Stray continuation byte, lone lead bytes, and bytes never used by UTF-8.
  EXPECT_EQ(Utf8Decode(Bytes({0x80, 'a', 0xC3, 0xFF, 0xFE})),
            (std::u32string{0x80, U'a', 0xC3, 0xFF, 0xFE}));
  // Overlong forms.
  EXPECT_EQ(Utf8Decode(Bytes({0xC0, 0x80})), (std::u32string{0xC0, 0x80}));
  EXPECT_EQ(Utf8Decode(Bytes({0xE0, 0x80, 0xAF})), (std::u32string{0xE0, 0x80, 0xAF}));
  EXPECT_EQ(Utf8Decode(Bytes({0xF0, 0x8F, 0xBF, 0xBF})), (std::u32string{0xF0, 0x8F, 0xBF, 0xBF}));
  // An encoded surrogate and a value past U+10FFFF.
  EXPECT_EQ(Utf8Decode(Bytes({0xED, 0xA0, 0x80})), (std::u32string{0xED, 0xA0, 0x80}));
  EXPECT_EQ(Utf8Decode(Bytes({0xF4, 0x90, 0x80, 0x80})), (std::u32string{0xF4, 0x90, 0x80, 0x80}));
  // A cut sequence: its bytes stand alone and the following character is kept whole.
  EXPECT_EQ(Utf8Decode(Bytes({0xE2, 0x82, 0xC3, 0xA9})), (std::u32string{0xE2, 0x82, 0xE9}));
  EXPECT_EQ(Utf8Decode(Bytes({'x', 0xF0, 0x9F, 0x98})), (std::u32string{U'x', 0xF0, 0x9F, 0x98}));
}

TEST(Utf8, MalformedTextSurvivesEncodeAndDecodeAgain) {
  // The stray bytes come back as the characters they showed, so a view of device traffic that is
  // saved and loaded again shows the same text.
  const std::string traffic = Bytes({'O', 'K', 0x0D, 0x0A, 0x1B, 0x92, 0xFF, 0xC3}) + "\xC3\xA9";
  const std::u32string shown = Utf8Decode(traffic);
  EXPECT_EQ(shown.size(), 9u);
  const std::string saved = Utf8Encode(shown);
  EXPECT_EQ(Utf8Decode(saved), shown);
  EXPECT_EQ(Utf8Encode(Utf8Decode(saved)), saved);
}

TEST(Utf8, UnencodableValuesBecomeReplacementCharacter) {
  EXPECT_EQ(Utf8Encode(std::u32string{0xD800, U'a', 0x110000}), "\xEF\xBF\xBD" "a\xEF\xBF\xBD");
  std::string s = "x";
  Utf8Append(s, 0x20AC);
  Utf8Append(s, 0xDFFF);
  EXPECT_EQ(s, "x\xE2\x82\xAC\xEF\xBF\xBD");
}

TEST(Utf8, OffsetsNextPrevAndAt) {
  const std::string s = "a\xC3\xA9\xE2\x82\xAC\x80\xF0\x9F\x98\x80";  // a é € <80> 😀
  const std::vector<std::size_t> starts{0, 1, 3, 6, 7, 11};
  for (std::size_t i = 0; i < starts.size(); ++i) EXPECT_EQ(Utf8Offset(s, i), starts[i]) << i;
  EXPECT_EQ(Utf8Offset(s, 99), s.size());
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
    EXPECT_EQ(Utf8Next(s, starts[i]), starts[i + 1]);
    EXPECT_EQ(Utf8Prev(s, starts[i + 1]), starts[i]);
  }
  EXPECT_EQ(Utf8Next(s, s.size()), s.size());
  EXPECT_EQ(Utf8Prev(s, 0), 0u);
  EXPECT_EQ(Utf8Prev(s, 500), 7u);  // clamped to the end first

  std::size_t len = 9;
  EXPECT_EQ(Utf8At(s, 3, &len), 0x20ACu);
  EXPECT_EQ(len, 3u);
  EXPECT_EQ(Utf8At(s, 6, &len), 0x80u);
  EXPECT_EQ(len, 1u);
  EXPECT_EQ(Utf8At(s, 11, &len), 0u);
  EXPECT_EQ(len, 0u);
}

// Every helper must split any byte string the same way as Utf8Decode, or editor positions and
// byte offsets drift apart.
TEST(Utf8, AllHelpersAgreeOnRandomBytes) {
  std::mt19937 rng(12345);
  const int pool[] = {'a', ' ', 0x80, 0x9F, 0xA0, 0xBF, 0xC2, 0xC3, 0xDF, 0xE0,
                      0xE2, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF, 0x00, 0x0A, 0xC0};
  for (int round = 0; round < 2000; ++round) {
    std::string s;
    const int n = static_cast<int>(rng() % 24);
    for (int i = 0; i < n; ++i) s += static_cast<char>(pool[rng() % std::size(pool)]);

    const std::u32string decoded = Utf8Decode(s);
    ASSERT_EQ(Utf8Length(s), decoded.size()) << round;
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < s.size(); at = Utf8Next(s, at)) starts.push_back(at);
    ASSERT_EQ(starts.size(), decoded.size()) << round;
    for (std::size_t i = 0; i < starts.size(); ++i) {
      ASSERT_EQ(Utf8Offset(s, i), starts[i]) << round;
      ASSERT_EQ(Utf8At(s, starts[i]), decoded[i]) << round;
      const std::size_t following = i + 1 < starts.size() ? starts[i + 1] : s.size();
      ASSERT_EQ(Utf8Prev(s, following), starts[i]) << round;
    }
    ASSERT_EQ(Utf8Decode(Utf8Encode(decoded)), decoded) << round;
  }
}

}  // namespace
}  // namespace lab
