#include "editor/gutter.h"

#include <gtest/gtest.h>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/arith.h"

namespace lab {
namespace {

struct ChangeCounter {
  int count = 0;
  TNotifyEvent Handler() {
    return [this](TObject*) { ++count; };
  }
};

TEST(CodeGutter, DefaultsAndClamps) {
  TCodeGutter gutter;
  EXPECT_EQ(gutter.Width(), 30);
  EXPECT_EQ(gutter.DigitCount(), 4);
  EXPECT_EQ(gutter.Color(), clBtnFace);
  EXPECT_EQ(gutter.BorderStyle(), gbsMiddle);
  EXPECT_EQ(gutter.Font()->Name(), "monospace");
  EXPECT_EQ(gutter.Font()->Size(), 8);
  ChangeCounter changes;
  gutter.OnChange = changes.Handler();
  gutter.SetDigitCount(20);
  EXPECT_EQ(gutter.DigitCount(), 12);
  EXPECT_EQ(gutter.AutoSizeDigitCount(), 12);
  gutter.SetDigitCount(1);
  EXPECT_EQ(gutter.DigitCount(), 2);
  gutter.SetWidth(-5);
  EXPECT_EQ(gutter.Width(), 0);
  gutter.SetLeftOffset(-1);
  gutter.SetRightOffset(-1);
  EXPECT_EQ(gutter.LeftOffset(), 0);
  EXPECT_EQ(gutter.RightOffset(), 0);
  gutter.SetGradientSteps(1);
  EXPECT_EQ(gutter.GradientSteps(), 2);
  EXPECT_EQ(changes.count, 6);
  gutter.SetWidth(0);  // no change, no event
  gutter.SetGradientSteps(0);
  EXPECT_EQ(changes.count, 6);
  gutter.Font()->SetSize(12);  // the font's change is the gutter's
  EXPECT_EQ(changes.count, 7);
}

TEST(CodeGutter, LineNumbers) {
  TCodeGutter gutter;
  EXPECT_EQ(gutter.FormatLineNumber(7), "   7");
  gutter.SetLeadingZeros(true);
  EXPECT_EQ(gutter.FormatLineNumber(7), "0007");
  EXPECT_EQ(gutter.FormatLineNumber(123456), "123456");
  gutter.SetLeadingZeros(false);
  gutter.SetLineNumberStart(0);
  EXPECT_TRUE(gutter.ZeroStart());
  EXPECT_EQ(gutter.FormatLineNumber(1), "   0");
  gutter.SetLineNumberStart(-3);  // negative: 0
  EXPECT_EQ(gutter.LineNumberStart(), 0);
  gutter.SetLineNumberStart(10);
  EXPECT_FALSE(gutter.ZeroStart());
  EXPECT_EQ(gutter.FormatLineNumber(1), "  10");
  gutter.SetDigitCount(2);
  gutter.SetLineNumberStart(1);
  gutter.SetLeadingZeros(true);
  EXPECT_EQ(gutter.FormatLineNumber(0), "00");  // the last character stays
}

TEST(CodeGutter, WidthFollowsTheDigitCount) {
  TCodeGutter gutter;
  EXPECT_EQ(gutter.RealGutterWidth(8), 30);
  gutter.SetShowLineNumbers(true);
  EXPECT_EQ(gutter.RealGutterWidth(8), 16 + 2 + 4 * 8 + 2);
  gutter.SetAutoSize(true);
  ChangeCounter changes;
  gutter.OnChange = changes.Handler();
  gutter.AutoSizeDigitCount(1000);  // four digits fit the default count
  EXPECT_EQ(gutter.AutoSizeDigitCount(), 4);
  EXPECT_EQ(changes.count, 0);
  gutter.AutoSizeDigitCount(123456);
  EXPECT_EQ(gutter.AutoSizeDigitCount(), 6);
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(gutter.RealGutterWidth(8), 16 + 2 + 6 * 8 + 2);
  gutter.SetDigitCount(2);
  gutter.AutoSizeDigitCount(1000);
  EXPECT_EQ(gutter.AutoSizeDigitCount(), 4);  // widened only because the count is below 4
  gutter.SetLineNumberStart(9500);  // the highest shown number counts, not the line count
  gutter.AutoSizeDigitCount(1000);
  EXPECT_EQ(gutter.AutoSizeDigitCount(), 5);
  gutter.SetAutoSize(false);
  gutter.AutoSizeDigitCount(1000);
  EXPECT_EQ(gutter.AutoSizeDigitCount(), 2);
  gutter.SetVisible(false);
  EXPECT_EQ(gutter.RealGutterWidth(8), 0);
}

TEST(CodeGutter, AssignCopiesEverythingWithOneChange) {
  TCodeGutter a, b;
  a.SetShowLineNumbers(true);
  a.SetDigitCount(6);
  a.SetGradient(true);
  a.SetColor(clRed);
  a.Font()->SetName("DejaVu Sans Mono");
  ChangeCounter changes;
  b.OnChange = changes.Handler();
  b.Assign(&a);
  EXPECT_EQ(changes.count, 1);
  EXPECT_TRUE(b.ShowLineNumbers());
  EXPECT_EQ(b.AutoSizeDigitCount(), 6);
  EXPECT_TRUE(b.Gradient());
  EXPECT_EQ(b.Color(), clRed);
  EXPECT_EQ(b.Font()->Name(), "DejaVu Sans Mono");
}

TEST(CodeSelectedColor, StoresOnlyChanges) {
  TCodeSelectedColor colors;
  EXPECT_EQ(colors.Background(), clHighlight);
  EXPECT_EQ(colors.Foreground(), clHighlightText);
  ChangeCounter changes;
  colors.OnChange = changes.Handler();
  colors.SetBackground(clHighlight);
  colors.SetBackground(clYellow);
  colors.SetForeground(clBlack);
  EXPECT_EQ(changes.count, 2);
  TCodeSelectedColor copy;
  copy.Assign(&colors);
  EXPECT_EQ(copy.Background(), clYellow);
}

TEST(CodeBookMarkOpt, ForgetsNothingAndTellsTheOwner) {
  TComponent owner(nullptr);
  TCodeBookMarkOpt options(&owner);
  EXPECT_TRUE(options.DrawBookmarksFirst());
  EXPECT_TRUE(options.EnableKeys());
  EXPECT_TRUE(options.GlyphsVisible());
  EXPECT_EQ(options.LeftMargin(), 2);
  EXPECT_EQ(options.Xoffset(), 12);
  EXPECT_EQ(options.GetOwner(), &owner);
  ChangeCounter changes;
  options.OnChange = changes.Handler();
  auto* images = new TImageList(&owner);
  options.SetBookmarkImages(images);
  options.SetBookmarkImages(images);
  options.SetXoffset(14);
  EXPECT_EQ(changes.count, 2);
  EXPECT_EQ(options.BookmarkImages(), images);
}

TEST(PaintGradient, BandsAndColours) {
  TBitmap bitmap(10, 4);
  // One step asked for: drawn as two bands, the start colour and the end colour.
  PaintGradient(bitmap.Canvas(), clBlack, clWhite, true, TRect{0, 0, 10, 4}, 1);
  EXPECT_EQ(bitmap.ScanLine(1)[0] & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(bitmap.ScanLine(1)[4] & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(bitmap.ScanLine(1)[5] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(bitmap.ScanLine(1)[9] & 0xFFFFFF, 0xFFFFFFu);
  // Vertical, three bands, from red to blue through the middle.
  TBitmap tall(2, 9);
  PaintGradient(tall.Canvas(), clRed, clBlue, false, TRect{0, 0, 2, 9}, 3);
  EXPECT_EQ(tall.ScanLine(0)[0] & 0xFFFFFF, 0xFF0000u);  // pixels are 0xRRGGBB
  const std::uint32_t middle = static_cast<std::uint32_t>((255 + MulDiv(1, -255, 2)) << 16 | MulDiv(1, 255, 2));
  EXPECT_EQ(tall.ScanLine(4)[0] & 0xFFFFFF, middle);
  EXPECT_EQ(tall.ScanLine(8)[1] & 0xFFFFFF, 0x0000FFu);
}

}  // namespace
}  // namespace lab
