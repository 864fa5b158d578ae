#include "platform/controls/edit_line.h"

#include <gtest/gtest.h>

#include "platform/rtl/utf8.h"

namespace lab {
namespace {

std::string U8(const std::u32string& s) { return Utf8Encode(s); }

TEST(EditLine, SelectionReplaceAndUndoThatRedoes) {
  TEditLine e;
  e.SetText(U"hello world");
  EXPECT_FALSE(e.Modified);
  e.SetSel(6, 5);
  EXPECT_EQ(U8(e.SelText()), "world");
  ASSERT_TRUE(e.ReplaceSel(U"there"));
  EXPECT_EQ(U8(e.Text()), "hello there");
  EXPECT_EQ(e.Caret(), 11);
  EXPECT_TRUE(e.Modified);
  ASSERT_TRUE(e.Undo());
  EXPECT_EQ(U8(e.Text()), "hello world");
  EXPECT_EQ(U8(e.SelText()), "world");
  ASSERT_TRUE(e.Undo());
  EXPECT_EQ(U8(e.Text()), "hello there");

  // The caret moves alone or drags the selection with it.
  e.MoveCaret(2, false);
  e.MoveCaret(5, true);
  EXPECT_EQ(e.SelStart(), 2);
  EXPECT_EQ(e.SelLength(), 3);
  e.MoveCaret(0, true);
  EXPECT_EQ(e.SelStart(), 0);
  EXPECT_EQ(e.SelLength(), 2);
  e.SetSel(8, 100);
  EXPECT_EQ(e.SelLength(), 3);
  ASSERT_TRUE(e.DeleteForward());
  EXPECT_EQ(U8(e.Text()), "hello th");
  e.MoveCaret(0, false);
  EXPECT_FALSE(e.DeleteBack());
  ASSERT_TRUE(e.DeleteForward());
  EXPECT_EQ(U8(e.Text()), "ello th");
  // A program's text forgets the undo step.
  e.SetText(U"x");
  EXPECT_FALSE(e.CanUndo());
}

TEST(EditLine, LimitCaseAndReadOnly) {
  TEditLine e;
  e.MaxLength = 5;
  e.SetText(U"abc");
  e.MoveCaret(3, false);
  ASSERT_TRUE(e.ReplaceSel(U"defgh"));
  EXPECT_EQ(U8(e.Text()), "abcde");  // only what fits
  EXPECT_FALSE(e.TypeChar(U'z'));
  e.SetSel(1, 1);
  ASSERT_TRUE(e.TypeChar(U'Z'));  // replacing a selected character fits
  EXPECT_EQ(U8(e.Text()), "aZcde");
  e.SetText(U"a much longer text");  // a program is not limited
  EXPECT_EQ(e.Length(), 18);

  TEditLine u;
  u.CharCase = ecUpperCase;
  u.SetText(U"straße");
  EXPECT_EQ(U8(u.Text()), "STRAßE");  // one code point to one
  u.TypeChar(U'q');
  EXPECT_EQ(U8(u.Text()).substr(0, 1), "Q");

  TEditLine r;
  r.SetText(U"fixed");
  r.ReadOnly = true;
  r.SelectAll();
  EXPECT_FALSE(r.TypeChar(U'x'));
  EXPECT_FALSE(r.ClearSelection());
  EXPECT_FALSE(r.DeleteBack());
  EXPECT_EQ(U8(r.Text()), "fixed");
  EXPECT_FALSE(r.Modified);
}

TEST(EditLine, WordsForCtrlArrowsAndDoubleClicks) {
  TEditLine e;
  e.SetText(U"one  two three");
  EXPECT_EQ(e.WordRight(0), 5);
  EXPECT_EQ(e.WordRight(5), 9);
  EXPECT_EQ(e.WordRight(9), 14);
  EXPECT_EQ(e.WordLeft(14), 9);
  EXPECT_EQ(e.WordLeft(8), 5);
  EXPECT_EQ(e.WordLeft(5), 0);
  e.SelectWord(6);
  EXPECT_EQ(U8(e.SelText()), "two");
  e.SelectWord(3);
  EXPECT_EQ(U8(e.SelText()), "  ");
}

TEST(EditLine, MaskedLineOverwritesAndBlanks) {
  TEditLine e;
  e.SetMask("99/99;1;_");
  EXPECT_EQ(U8(e.Text()), "__/__");
  e.SetText(U"1231");  // a program's value through the mask
  EXPECT_EQ(U8(e.Text()), "12/31");
  e.MoveCaret(3, false);
  ASSERT_TRUE(e.DeleteBack());  // steps back over the literal
  EXPECT_EQ(U8(e.Text()), "1_/31");
  EXPECT_EQ(e.Caret(), 1);
  EXPECT_FALSE(e.TypeChar(U'x'));
  EXPECT_EQ(U8(e.Text()), "1_/31");
  ASSERT_TRUE(e.TypeChar(U'5'));
  EXPECT_EQ(U8(e.Text()), "15/31");
  EXPECT_EQ(e.Caret(), 3);
  EXPECT_EQ(U8(e.MaskedText()), "15/31");
  // Pasting that does not fit is refused whole.
  e.SelectAll();
  EXPECT_FALSE(e.ReplaceSel(U"1a/22"));
  EXPECT_EQ(U8(e.Text()), "15/31");
  ASSERT_TRUE(e.ReplaceSel(U"0102"));
  EXPECT_EQ(U8(e.Text()), "01/02");
  e.SetSel(1, 3);
  ASSERT_TRUE(e.ClearSelection());
  EXPECT_EQ(U8(e.Text()), "0_/_2");
  EXPECT_EQ(U8(e.MaskedText()), "0 / 2");
  // The edit text as shown: filled to the mask's length, literals kept where they belong.
  e.SetEditText(U"12-3");
  EXPECT_EQ(U8(e.Text()), "12/3_");
  EXPECT_FALSE(e.Modified);

  TEditLine r;
  r.SetMask("L00;0;_");
  r.SetText(U"A1");
  EXPECT_EQ(r.FirstInvalid(), 2);
  r.MoveCaret(2, false);
  r.TypeChar(U'7');
  EXPECT_EQ(r.FirstInvalid(), -1);
  EXPECT_EQ(U8(r.MaskedText()), "A17");
  // Removing the mask keeps the text it gave.
  r.SetMask("");
  EXPECT_EQ(U8(r.Text()), "A17");
}

}  // namespace
}  // namespace lab
