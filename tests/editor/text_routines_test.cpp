#include "editor/text_routines.h"

#include <gtest/gtest.h>

namespace lab {
namespace {

TEST(TextRoutines, TabExpanders) {
  bool has_tabs = true;
  EXPECT_EQ(GetBestConvertTabsProc(0), &ConvertTabs1);
  EXPECT_EQ(GetBestConvertTabsProc(1), &ConvertTabs1);
  EXPECT_EQ(GetBestConvertTabsProc(8), &ConvertTabsPowerOfTwo);
  EXPECT_EQ(GetBestConvertTabsProc(65536), &ConvertTabsPowerOfTwo);
  EXPECT_EQ(GetBestConvertTabsProc(131072), &ConvertTabs);
  EXPECT_EQ(GetBestConvertTabsProc(6), &ConvertTabs);

  EXPECT_EQ(ConvertTabs1(U"a\tb\t", 1, has_tabs), U"a b ");
  EXPECT_TRUE(has_tabs);
  EXPECT_EQ(ConvertTabsPowerOfTwo(U"plain", 4, has_tabs), U"plain");
  EXPECT_FALSE(has_tabs);
  // Each tab reaches the next stop, at least one cell; the fill is tab characters.
  EXPECT_EQ(ConvertTabsPowerOfTwo(U"abcd\tx\t", 4, has_tabs), U"abcd\t\t\t\tx\t\t\t");
  EXPECT_EQ(ConvertTabs(U"ab\t\tc", 3, has_tabs), U"ab\t\t\t\tc");
  EXPECT_EQ(ConvertTabs(U"\u00E9\t", 3, has_tabs), U"\u00E9\t\t");  // one code point, one cell
  EXPECT_EQ(ConvertTabs(U"\t", 0, has_tabs), U"\t");
}

TEST(TextRoutines, ExpandedLengthAndCaretColumns) {
  EXPECT_EQ(GetExpandedLength(U"", 8), 0);
  EXPECT_EQ(GetExpandedLength(U"a\tb", 4), 5);
  EXPECT_EQ(GetExpandedLength(U"abcd\t", 4), 8);
  EXPECT_EQ(GetExpandedLength(U"\t\t", 0), 2);  // a width below 1 counts as 1
  EXPECT_EQ(GetExpandedLength(U"\t\t", -3), 2);

  const std::u32string line = U"ab\tc\td";
  EXPECT_EQ(CharIndex2CaretPos(0, 4, line), 1);
  EXPECT_EQ(CharIndex2CaretPos(1, 4, line), 1);
  EXPECT_EQ(CharIndex2CaretPos(3, 4, line), 3);   // at the tab
  EXPECT_EQ(CharIndex2CaretPos(4, 4, line), 5);   // after it
  EXPECT_EQ(CharIndex2CaretPos(6, 4, line), 9);
  EXPECT_EQ(CharIndex2CaretPos(10, 4, line), 13);  // past the end, one column a character
  EXPECT_EQ(CharIndex2CaretPos(6, 1, line), 6);
  EXPECT_EQ(CharIndex2CaretPos(6, 0, line), 6);
  EXPECT_EQ(CharIndex2CaretPos(3, 4, U"abc"), 3);

  int before = -1;
  EXPECT_TRUE(GetHasTabs(U"ab\tc", before));
  EXPECT_EQ(before, 2);
  EXPECT_FALSE(GetHasTabs(U"abc", before));
}

TEST(TextRoutines, Scans) {
  const TCodeCharSet breaks(U" .,");
  const std::u32string line = U"ab cd.\u00E9f";
  EXPECT_EQ(StrScanForCharInSet(line, 1, breaks), 3);
  EXPECT_EQ(StrScanForCharInSet(line, 4, breaks), 6);
  EXPECT_EQ(StrScanForCharInSet(line, 7, breaks), 0);
  EXPECT_EQ(StrScanForCharInSet(line, 0, breaks), 3);
  EXPECT_EQ(StrRScanForCharInSet(line, 8, breaks), 6);
  EXPECT_EQ(StrRScanForCharInSet(line, 5, breaks), 3);
  EXPECT_EQ(StrRScanForCharInSet(line, 100, breaks), 6);
  EXPECT_EQ(StrRScanForCharInSet(line, 2, breaks), 0);
  // Code points above 255 are never members of a character set.
  TCodeCharSet set = TCodeCharSet::Range(33, 255);
  EXPECT_TRUE(set.Contains(U'\u00FF'));
  EXPECT_FALSE(set.Contains(U'\u0100'));
  EXPECT_FALSE(set.Contains(U' '));

  const std::u32string mixed = U"ab\u65E5x\uFF21";
  EXPECT_EQ(StrScanForMultiByteChar(mixed, 1), 3);
  EXPECT_EQ(StrScanForMultiByteChar(mixed, 4), 5);
  EXPECT_EQ(StrRScanForMultiByteChar(mixed, 4), 3);
  EXPECT_EQ(StrRScanForMultiByteChar(U"abc", 3), 0);
  EXPECT_FALSE(IsWideChar(U'\u00E9'));

  const char32_t text[] = U"abc\rdef";
  EXPECT_EQ(GetEOL(text) - text, 3);
  EXPECT_EQ(GetEOL(text + 4) - text, 7);
}

TEST(TextRoutines, CharacterClasses) {
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'a')), 1);
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'\u00E9')), 1);
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'\u0301')), 1);  // a combining accent stays in its word
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'.')), 2);
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'\uFF76')), 3);  // half-width katakana
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'\uFF21')), 4);  // full-width A
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'\u3002')), 5);  // ideographic full stop
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'\u30AB')), 6);
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'\u3042')), 7);
  EXPECT_EQ(CharTypeClass(GetCharTypeFlags(U'\u65E5')), 8);
  // The classification itself, on flag sets as documented.
  EXPECT_EQ(CharTypeClass(C3_SYMBOL), 9);
  EXPECT_EQ(CharTypeClass(C3_HALFWIDTH | C3_LEXICAL), 2);
  EXPECT_EQ(CharTypeClass(C3_HALFWIDTH | C3_IDEOGRAPH), 0);
  EXPECT_EQ(CharTypeClass(C3_FULLWIDTH | C3_ALPHA | C3_KATAKANA | C3_HIRAGANA), 6);
  EXPECT_EQ(CharTypeClass(0), 0);
}

TEST(TextRoutines, SmallHelpers) {
  EXPECT_EQ(MinMax(5, 1, 3), 3);
  EXPECT_EQ(MinMax(-5, 1, 3), 1);
  int a = 1, b = 2;
  SwapInt(a, b);
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 1);
}

}  // namespace
}  // namespace lab
