#include "platform/controls/edit_mask.h"

#include <gtest/gtest.h>

#include "platform/rtl/utf8.h"

namespace lab {
namespace {

std::string U8(const std::u32string& s) { return Utf8Encode(s); }

TEST(EditMask, FieldsLiteralsAndSeparators) {
  const TEditMask date("!99/99/0000;1;_", U'.', U':');
  EXPECT_EQ(date.Length(), 10);
  EXPECT_TRUE(date.LeadingBlanks());
  EXPECT_TRUE(date.SaveLiterals());
  EXPECT_EQ(date.Blank(), U'_');
  EXPECT_EQ(U8(date.EmptyEditText()), "__.__.____");  // '/' is the locale's date separator
  EXPECT_FALSE(date.Required(0));
  EXPECT_TRUE(date.Required(6));

  const TEditMask phone("\\(999\\)000-0000;0;*");
  EXPECT_FALSE(phone.SaveLiterals());
  EXPECT_EQ(U8(phone.EmptyEditText()), "(***)***-****");
  EXPECT_EQ(phone.NextEditable(0), 1);
  EXPECT_EQ(phone.NextEditable(4), 5);
  EXPECT_EQ(phone.PrevEditable(4), 3);
  EXPECT_EQ(U8(TEditMask("_\\L;1;_").EmptyEditText()), " L");  // '_' is a blank, \L a literal L
  EXPECT_TRUE(TEditMask("").IsEmpty());
  EXPECT_TRUE(TEditMask(";0;_").IsEmpty());
}

TEST(EditMask, CharacterClassesAndCase) {
  const TEditMask m(">LL<ll<>Aa09#C");
  EXPECT_EQ(m.Accept(0, U'q'), U'Q');
  EXPECT_EQ(m.Accept(0, U'é'), U'É');
  EXPECT_EQ(m.Accept(1, U'7'), 0u);
  EXPECT_EQ(m.Accept(2, U'W'), U'w');
  EXPECT_EQ(m.Accept(4, U'x'), U'x');  // no case change after <>
  EXPECT_EQ(m.Accept(4, U'5'), U'5');
  EXPECT_EQ(m.Accept(4, U'-'), 0u);
  EXPECT_EQ(m.Accept(6, U'a'), 0u);
  EXPECT_EQ(m.Accept(7, U'9'), U'9');
  EXPECT_EQ(m.Accept(8, U'-'), U'-');
  EXPECT_EQ(m.Accept(8, U'x'), 0u);
  EXPECT_EQ(m.Accept(9, U'%'), U'%');
  EXPECT_EQ(m.Accept(9, U'\t'), 0u);  // control characters never fit
}

TEST(EditMask, TypingAndPastingRejectWhatDoesNotFitAndKeepTheText) {
  const TEditMask date("99/99/0000;1;_", U'/', U':');
  std::u32string t = date.EmptyEditText();
  std::int32_t pos = 0;
  ASSERT_TRUE(date.Insert(t, 0, U"1", pos));
  EXPECT_EQ(U8(t), "1_/__/____");
  EXPECT_EQ(pos, 1);
  ASSERT_TRUE(date.Insert(t, pos, U"2", pos));
  EXPECT_EQ(pos, 3);  // past the literal
  ASSERT_TRUE(date.Insert(t, 2, U"/3", pos));  // a typed separator steps over its literal
  EXPECT_EQ(U8(t), "12/3_/____");
  const std::u32string before = t;
  EXPECT_FALSE(date.Insert(t, 4, U"x", pos));
  EXPECT_EQ(t, before);
  EXPECT_FALSE(date.Insert(t, 0, U"12/31/20245", pos));  // one too many
  EXPECT_EQ(t, before);
  ASSERT_TRUE(date.Insert(t, 0, U"12/31/2024", pos));
  EXPECT_EQ(U8(t), "12/31/2024");
  EXPECT_EQ(pos, 10);
  ASSERT_TRUE(date.Insert(t, 0, U" ", pos));  // a blank empties an optional position
  EXPECT_EQ(U8(t), "_2/31/2024");
  EXPECT_FALSE(date.Insert(t, 6, U" ", pos));  // but not a required one
}

TEST(EditMask, ValidityNeedsEveryRequiredPosition) {
  const TEditMask m("L9-00;1;_");
  EXPECT_EQ(m.FirstInvalid(m.EmptyEditText()), 0);
  EXPECT_EQ(m.FirstInvalid(U"A_-1_"), 4);
  EXPECT_EQ(m.FirstInvalid(U"A_-12"), -1);
  EXPECT_EQ(m.FirstInvalid(U"A_-1x"), 4);   // a character that does not fit
  EXPECT_EQ(m.FirstInvalid(U"A_-1"), 4);    // a short text misses its last position
}

TEST(EditMask, TextWithAndWithoutLiteralsAndOptionalBlanks) {
  const TEditMask phone("!\\(999\\)000-0000;0;_");
  const std::u32string shown = phone.FormatText(U"8005551212");
  EXPECT_EQ(U8(shown), "(800)555-1212");
  EXPECT_EQ(U8(phone.TextOf(shown)), "8005551212");
  EXPECT_EQ(FormatMaskText("!\\(999\\)000-0000;0;_", "8005551212"), "(800)555-1212");
  EXPECT_EQ(FormatMaskText("00:00;1;_", "1x:3"), "1 :3 ");  // what does not fit shows blank

  const TEditMask saved("99-99;1;_");
  EXPECT_EQ(U8(saved.FormatText(U"12-34")), "12-34");
  EXPECT_EQ(U8(saved.TextOf(U"1_-3_")), "1 -3 ");

  // Optional runs keep their blanks at the end, or with '!' at the front.
  EXPECT_EQ(U8(TEditMask("999;0;_").TextOf(U"_1_")), "1  ");
  EXPECT_EQ(U8(TEditMask("!999;0;_").TextOf(U"_1_")), "  1");
  EXPECT_EQ(U8(TEditMask("!999;0;_").FormatText(U"7")), "__7");
  EXPECT_EQ(U8(TEditMask("999;0;_").FormatText(U"7")), "7__");
}

}  // namespace
}  // namespace lab
