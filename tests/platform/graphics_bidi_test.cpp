#include <gtest/gtest.h>

#include "graphics_test_util.h"
#include "platform/graphics/bidi.h"
#include "platform/graphics/draw_text.h"

namespace lab {
namespace {

using test::Clear;
using test::InkBounds;

TEST(GraphicsBidi, DisplayOrderOfMixedText) {
  std::u32string shown;
  std::vector<int> order;
  EXPECT_FALSE(ReorderForDisplay(U"plain text", false, shown, order));
  EXPECT_TRUE(shown.empty());

  // Hebrew letters in a left-to-right line run right to left.
  ASSERT_TRUE(ReorderForDisplay(U"ab \u05D0\u05D1\u05D2 cd", false, shown, order));
  EXPECT_EQ(shown, U"ab \u05D2\u05D1\u05D0 cd");
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 5, 4, 3, 6, 7, 8}));

  // Right-to-left reading moves the trailing full stop to the left end.
  ASSERT_TRUE(ReorderForDisplay(U"abc.", true, shown, order));
  EXPECT_EQ(shown, U".abc");
  EXPECT_EQ(order, (std::vector<int>{3, 0, 1, 2}));

  // Brackets in a right-to-left run are mirrored, so they still enclose.
  ASSERT_TRUE(ReorderForDisplay(U"(\u05D0)", true, shown, order));
  EXPECT_EQ(shown, U"(\u05D0)");
  EXPECT_EQ(order, (std::vector<int>{2, 1, 0}));

  // Characters outside the basic plane keep their place as one character.
  ASSERT_TRUE(ReorderForDisplay(U"\U0001F600\u05D0\u05D1", false, shown, order));
  EXPECT_EQ(shown, U"\U0001F600\u05D1\u05D0");
  EXPECT_TRUE(HasRightToLeft(U"x\u0627"));
  EXPECT_FALSE(HasRightToLeft(U"\u00E9\u4E2D"));
}

TEST(GraphicsBidi, HebrewCellsAreDrawnRightToLeftWithTheirAdvances) {
  TBitmap bmp(60, 20);
  Clear(bmp);
  bmp.Canvas()->Font()->SetName("sans-serif");
  bmp.Canvas()->Font()->SetHeight(-13);
  bmp.Canvas()->Brush()->SetStyle(bsClear);
  bmp.Canvas()->TextWidth("x");
  win::HDC dc = bmp.Canvas()->Handle();
  // Logical order: alef in a 10-pixel cell, bet in a 30-pixel cell. Shown: bet first (0..30), then alef.
  const int dx[2] = {10, 30};
  win::ExtTextOut(dc, 0, 0, 0, nullptr, std::u32string_view(U"\u05D0\u05D1"), dx);
  EXPECT_FALSE(InkBounds(bmp, 0xFFFFFF, {30, 0, 42, 20}).IsEmpty()) << "alef in the last cell";
  EXPECT_TRUE(InkBounds(bmp, 0xFFFFFF, {14, 0, 28, 20}).IsEmpty());

  // Told to leave the order alone, the output keeps logical order.
  Clear(bmp);
  bmp.Canvas()->Brush()->SetStyle(bsClear);
  win::ExtTextOut(dc, 0, 0, win::ETO_IGNORELANGUAGE, nullptr, std::u32string_view(U"\u05D0\u05D1"), dx);
  EXPECT_TRUE(InkBounds(bmp, 0xFFFFFF, {30, 0, 60, 20}).IsEmpty());
}

TEST(GraphicsBidi, DrawTextReadingRightToLeft) {
  TBitmap bmp(80, 20);
  Clear(bmp);
  bmp.Canvas()->Font()->SetName("monospace");
  bmp.Canvas()->Font()->SetHeight(-13);
  bmp.Canvas()->Brush()->SetStyle(bsClear);
  const int cell = bmp.Canvas()->TextWidth("M");
  win::HDC dc = bmp.Canvas()->Handle();
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(dc, &tm);
  TRect r{0, 0, 80, 20};
  win::DrawText(dc, "MMM.", -1, &r, win::DT_SINGLELINE | win::DT_RTLREADING);
  // The full stop comes first: only low ink in the first cell, tall ink in the last.
  const TRect first = InkBounds(bmp, 0xFFFFFF, {0, 0, cell, 20});
  const TRect last = InkBounds(bmp, 0xFFFFFF, {3 * cell, 0, 4 * cell, 20});
  ASSERT_FALSE(first.IsEmpty());
  ASSERT_FALSE(last.IsEmpty());
  EXPECT_GT(first.Top, tm.tmAscent / 2);
  EXPECT_LT(last.Top, tm.tmAscent / 2);

  // The prefix mark follows its character to where it is shown: under the M, now second from left.
  Clear(bmp);
  bmp.Canvas()->Brush()->SetStyle(bsClear);
  r = {0, 0, 80, 20};
  win::DrawText(dc, "&M.", -1, &r, win::DT_SINGLELINE | win::DT_RTLREADING);
  const TRect under = InkBounds(bmp, 0xFFFFFF, {0, tm.tmAscent + 1, 80, tm.tmHeight});
  ASSERT_FALSE(under.IsEmpty());
  EXPECT_GE(under.Left, cell);
  EXPECT_LE(under.Right, 2 * cell);
}

}  // namespace
}  // namespace lab
