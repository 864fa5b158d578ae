#include "platform/rtl/strutils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(AnsiCompare, LocaleOrderWithAndWithoutCase) {
  EXPECT_EQ(AnsiCompareText("abc", "ABC"), 0);
  EXPECT_TRUE(AnsiSameText("\xC3\x89t\xC3\xA9", "\xC3\xA9T\xC3\x89"));  // Été / éTÉ
  EXPECT_LT(AnsiCompareText("apple", "Banana"), 0);  // letters, not byte values
  EXPECT_GT(AnsiCompareText("b", "\xC3\xA1"), 0);     // á sorts among the a's
  EXPECT_LT(AnsiCompareText("e", "\xC3\xA9"), 0);     // accents still count
  EXPECT_FALSE(AnsiSameText("e", "\xC3\xA9"));

  EXPECT_NE(AnsiCompareStr("abc", "ABC"), 0);
  EXPECT_EQ(Sign(AnsiCompareStr("abc", "ABC")), -Sign(AnsiCompareStr("ABC", "abc")));
  EXPECT_LT(AnsiCompareStr("a", "B"), 0);
  EXPECT_LT(AnsiCompareStr("A", "b"), 0);
  EXPECT_EQ(AnsiCompareStr("same", "same"), 0);
  // Strings that collate alike are still told apart when case counts.
  EXPECT_NE(AnsiCompareStr("a", std::string("a\x01", 2)), 0);
  EXPECT_NE(AnsiCompareStr("\xC3\xA9", "e\xCC\x81"), 0);  // é precomposed / e + combining acute
  // Stray bytes compare as their Latin-1 characters and do not all collapse into one.
  EXPECT_NE(AnsiCompareText("\xFE", "\xFF"), 0);
  EXPECT_EQ(AnsiCompareText("", ""), 0);
  EXPECT_LT(AnsiCompareText("", "a"), 0);
}

// Sort keys order as AnsiCompareStr does, pair by pair, whatever the text: case and accents, ties
// of the collator broken by bytes, stray bytes, the empty string, prefixes.
TEST(AnsiCompare, SortKeysOrderAsTheComparison) {
  const std::vector<std::string> texts = {
      "", "a", "A", "a\x01", "ab", "aB", "Ab", "b", "\xC3\xA9", "e\xCC\x81", "e", "E", "\xC3\xA4z", "az",
      "\xFE", "\xFF", "\xC3", "\xC3(", "x\x80y", "\xF0\x9F\x98\x80", "10", "9", " a", "a ", "-a", "\xE2\x82\xAC"};
  std::vector<std::string> keys;
  for (const std::string& t : texts) AnsiSortKey(t, keys.emplace_back());
  for (std::size_t i = 0; i < texts.size(); ++i)
    for (std::size_t j = 0; j < texts.size(); ++j) {
      const int by_keys = Sign(keys[i].compare(keys[j]));  // std::string compares bytes unsigned
      EXPECT_EQ(by_keys, Sign(AnsiCompareStr(texts[i], texts[j]))) << i << " " << j;
      if (Utf8WellFormed(texts[i]) && Utf8WellFormed(texts[j])) {  // what the caller vouches for
        EXPECT_EQ(by_keys, Sign(AnsiCompareWellFormedStr(texts[i], texts[j]))) << i << " " << j;
      }
    }
  std::string appended = "prefix";
  AnsiSortKey("a", appended);
  EXPECT_EQ(appended, "prefix" + keys[1]);  // appended after what is there
  // The well-formed and the stray-byte paths of the comparison agree with each other too.
  EXPECT_LT(AnsiCompareStr("a", "\xC3"), 0);
  EXPECT_EQ(Sign(AnsiCompareStr("\xC3\xA9", "\xC3")), -Sign(AnsiCompareStr("\xC3", "\xC3\xA9")));
}

// The prefix of a key is made apart from the rest: it must equal the whole key's first bytes, for
// keys shorter than it too (where the text's own bytes follow the collator's).
TEST(AnsiCompare, SortKeyPrefixIsTheKeysStart) {
  const std::vector<std::string> texts = {
      "", "a", "A", "ab", "abc", "ABC", "abcdefgh", "\xC3\xA9", "e\xCC\x81", "\xC3\xA4z", "\xC3", "x\x80y",
      "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80\xF0\x9F\x98\x81", "\xE2\x82\xAC", "\xD0\x96\xD0\xB8",
      "\xE6\x97\xA5\xE6\x9C\xAC", " ", "-", "10", "\x01"};
  for (const std::string& t : texts) {
    std::string whole;
    AnsiSortKey(t, whole);
    for (std::size_t count : {0u, 1u, 2u, 3u, 4u, 5u, 8u, 64u})
      EXPECT_EQ(AnsiSortKeyPrefix(t, count), whole.substr(0, count)) << '"' << t << "\" " << count;
  }
}

TEST(AnsiCompare, SortingIsConsistent) {
  std::vector<std::string> words{"delta", "Alpha", "charlie", "alpha", "Bravo", "\xC3\xA9" "cho", "echo"};
  std::sort(words.begin(), words.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareStr(a, b) < 0; });
  const std::vector<std::string> sorted{"alpha", "Alpha", "Bravo", "charlie", "delta", "echo", "\xC3\xA9" "cho"};
  EXPECT_EQ(words, sorted);
}

TEST(AnsiCase, MapsCodePointsOneToOne) {
  EXPECT_EQ(AnsiUpperCase("stra\xC3\x9F" "e \xC3\xA9t\xC3\xA9"), "STRA\xC3\x9F" "E \xC3\x89T\xC3\x89");
  EXPECT_EQ(AnsiLowerCase("\xC3\x89T\xC3\x89 ABC"), "\xC3\xA9t\xC3\xA9 abc");
  EXPECT_EQ(AnsiUpperCase("\xD0\xB4\xCE\xB1"), "\xD0\x94\xCE\x91");  // Cyrillic and Greek
  // Dotless i upper-cases to ASCII I: fewer bytes, same number of characters.
  const std::string dotless = "\xC4\xB1x";
  EXPECT_EQ(AnsiUpperCase(dotless), "IX");
  EXPECT_EQ(Utf8Length(AnsiUpperCase(dotless)), Utf8Length(dotless));
  // Bytes that are not UTF-8 stay untouched.
  EXPECT_EQ(AnsiUpperCase("a\xFF" "b\xE9"), "A\xFF" "B\xE9");
}

TEST(OrdinalText, CompareAndAsciiCase) {
  EXPECT_EQ(CompareText("hello", "HELLO"), 0);
  EXPECT_TRUE(SameText("MiXeD", "mixed"));
  EXPECT_FALSE(SameText("\xC3\xA9", "\xC3\x89"));  // only ASCII folds
  EXPECT_LT(CompareText("a", "_"), 0);           // folded to upper case: 'A' < '_'
  EXPECT_GT(CompareStr("a", "_"), 0);
  EXPECT_LT(CompareStr("B", "a"), 0);
  EXPECT_LT(CompareStr("ab", "abc"), 0);
  EXPECT_GT(CompareStr("\xC3\xA9", "z"), 0);  // byte order is code point order
  EXPECT_EQ(UpperCase("abc\xC3\xA9"), "ABC\xC3\xA9");
  EXPECT_EQ(LowerCase("ABC\xC3\x89"), "abc\xC3\x89");
}

TEST(OrdinalText, TrimTakesControlsAndBlanks) {
  EXPECT_EQ(Trim(" \t\r\n x y \x01\x1F "), "x y");
  EXPECT_EQ(TrimLeft("\t x "), "x ");
  EXPECT_EQ(TrimRight("\t x \r\n"), "\t x");
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(Trim("\xC2\xA0x\xC2\xA0"), "\xC2\xA0x\xC2\xA0");  // no-break space is no control
}

TEST(IntegerText, ToText) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(0x1234, 2), "1234");
  EXPECT_EQ(IntToHex(-1, 4), "FFFFFFFF");
  EXPECT_EQ(IntToHex(std::int64_t{-2}, 1), "FFFFFFFFFFFFFFFE");
  EXPECT_EQ(IntToHex(std::uint8_t{0xAB}, 0), "AB");
}

TEST(IntegerText, FromText) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("  -17"), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$ff"), 255);
  EXPECT_EQ(StrToInt("-$10"), -16);
  EXPECT_EQ(StrToInt("0x7FFFFFFF"), 2147483647);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);  // hex may use the sign bit
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
  EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);

  std::int32_t v = 99;
  for (const char* bad : {"", " ", "-", "$", "12 ", "1a", "2147483648", "-2147483649", "$100000000",
                          "++1", "1.0", "\t1", "0x"}) {
    EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(StrToIntDef(bad, -7), -7) << bad;
  }
  EXPECT_EQ(v, 99);  // a failed conversion leaves the target alone
  std::int64_t w;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", w));
  try {
    StrToInt("12x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'12x' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64(""), EConvertError);
}

TEST(Quoting, QuoteAndDequote) {
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(AnsiDequotedStr("'it''s'", '\''), "it's");
  EXPECT_EQ(AnsiDequotedStr("\"say \"\"hi\"\"\"", '"'), "say \"hi\"");
  EXPECT_EQ(AnsiDequotedStr("''", '\''), "");
  EXPECT_EQ(AnsiDequotedStr("'ab'cd", '\''), "ab");      // text after the closing quote goes
  EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");    // not quoted: as is
  EXPECT_EQ(AnsiDequotedStr("'open", '\''), "'open");    // never closed: as is
  EXPECT_EQ(AnsiDequotedStr("'a''", '\''), "'a''");
  EXPECT_EQ(AnsiDequotedStr("", '\''), "");
}

TEST(Replacing, FirstAllAndWithoutCase) {
  EXPECT_EQ(StringReplace("a-b-c", "-", "+"), "a+b-c");
  EXPECT_EQ(StringReplace("a-b-c", "-", "+", {rfReplaceAll}), "a+b+c");
  EXPECT_EQ(StringReplace("aaa", "aa", "b", {rfReplaceAll}), "ba");  // no overlapping matches
  EXPECT_EQ(StringReplace("xyz", "", "!", {rfReplaceAll}), "xyz");
  EXPECT_EQ(StringReplace("xyz", "q", "!"), "xyz");
  EXPECT_EQ(StringReplace("Hello HELLO hello", "hello", "bye", {rfReplaceAll, rfIgnoreCase}),
            "bye bye bye");
  EXPECT_EQ(StringReplace("Hello HELLO", "hello", "bye", {rfIgnoreCase}), "bye HELLO");
  // Matches without case on non-ASCII letters, and keeps the unmatched bytes as they were,
  // even where upper-casing would change their length.
  EXPECT_EQ(StringReplace("\xC4\xB1\xC3\x89t\xC3\xA9!", "\xC3\xA9T\xC3\x89", "summer",
                          {rfIgnoreCase, rfReplaceAll}),
            "\xC4\xB1summer!");
  EXPECT_EQ(StringReplace("\xFFxX", "x", "-", {rfIgnoreCase, rfReplaceAll}), "\xFF--");
}

TEST(LineBreaks, EveryBreakBecomesCrLf) {
  EXPECT_EQ(AdjustLineBreaks("a\r\nb\rc\nd"), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(AdjustLineBreaks("a\n\rb"), "a\r\n\r\nb");  // LF CR: two breaks
  EXPECT_EQ(AdjustLineBreaks("\r\r\n\n"), "\r\n\r\n\r\n");
  EXPECT_EQ(AdjustLineBreaks("end\r"), "end\r\n");  // a CR last reads nothing past the end
  EXPECT_EQ(AdjustLineBreaks(std::string("a\0\nb", 4)), std::string("a\0\r\nb", 5));
  EXPECT_EQ(AdjustLineBreaks(""), "");
}

}  // namespace
}  // namespace lab
