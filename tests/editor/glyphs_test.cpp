#include "editor/glyphs.h"

#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"

namespace lab {
namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

int Ink(TBitmap& bitmap, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if ((bitmap.ScanLine(y)[x] & 0xFFFFFF) != kWhite) ++n;
  return n;
}

TEST(CodeGlyph, TheWrapMarkIsDrawnTransparentlyAndCentred) {
  TCodeGlyph glyph("CodeEditWrapped", clLime);
  ASSERT_NE(glyph.InternalGlyph(), nullptr);
  const int w = glyph.Width(), h = glyph.InternalGlyph()->Height();
  EXPECT_GT(w, 0);
  TBitmap canvas(40, 40);
  canvas.Canvas()->Brush()->SetStyle(bsClear);
  glyph.Draw(canvas.Canvas(), 5, 0, 30);  // a line taller than the glyph: centred
  const int top = (30 - h) / 2;
  EXPECT_GT(Ink(canvas, 5, top, 5 + w, top + h), 0);
  EXPECT_EQ(Ink(canvas, 0, 0, 40, top), 0);
  EXPECT_EQ(Ink(canvas, 0, top + h, 40, 40), 0);
  // The lime background is left out.
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_NE(canvas.ScanLine(y)[x] & 0xFFFFFF, 0x00FF00u);
}

TEST(CodeGlyph, TallGlyphsShowTheirMiddleAndUserGlyphsWin) {
  TCodeGlyph glyph;
  EXPECT_EQ(glyph.Width(), 0);
  TBitmap target(20, 20);
  glyph.Draw(target.Canvas(), 0, 0, 10);  // nothing to draw
  EXPECT_EQ(Ink(target, 0, 0, 20, 20), 0);

  int changes = 0;
  glyph.OnChange = [&](TObject*) { ++changes; };
  TBitmap picture(4, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 4; ++x) picture.ScanLine(y)[x] = y < 4 || y >= 8 ? 0xFF0000FFu : 0xFF000000u;
  picture.Changed();
  glyph.SetGlyph(&picture);
  EXPECT_GE(changes, 1);
  EXPECT_EQ(glyph.Width(), 4);
  glyph.Draw(target.Canvas(), 2, 3, 4);  // rows 4..7 (black) on a 4-pixel line
  EXPECT_EQ(target.ScanLine(3)[2] & 0xFFFFFF, 0u);
  EXPECT_EQ(target.ScanLine(6)[5] & 0xFFFFFF, 0u);
  EXPECT_EQ(Ink(target, 0, 7, 20, 20), 0);
  EXPECT_EQ(Ink(target, 0, 0, 20, 3), 0);
}

TEST(CodeInternalImage, StripsAreSharedAndCellsCopied) {
  const int before = TCodeInternalImage::SharedCount();
  {
    TCodeInternalImage a("CodeEditInternalImages", 10);
    TCodeInternalImage b("codeeditinternalimages", 10);  // the name is not case-sensitive
    EXPECT_EQ(a.Images(), b.Images());
    EXPECT_EQ(TCodeInternalImage::SharedCount(), before + 1);
    EXPECT_EQ(a.Width() * 10, a.Images()->Width());
    TBitmap target(3 * a.Width(), a.Height() + 10);
    a.DrawMark(target.Canvas(), 3, a.Width(), 0, a.Height() + 10);
    const int top = 5;
    // The copied cell equals cell 3 of the strip.
    for (int y = 0; y < a.Height(); ++y)
      for (int x = 0; x < a.Width(); ++x)
        ASSERT_EQ(target.ScanLine(top + y)[a.Width() + x], a.Images()->ScanLine(y)[3 * a.Width() + x]);
    EXPECT_EQ(Ink(target, 0, 0, a.Width(), target.Height()), 0);
    a.DrawMark(target.Canvas(), 10, 0, 0, 20);  // no such cell
    a.DrawMark(target.Canvas(), -1, 0, 0, 20);
    EXPECT_EQ(Ink(target, 0, 0, a.Width(), target.Height()), 0);
  }
  EXPECT_EQ(TCodeInternalImage::SharedCount(), before);
  EXPECT_THROW(TCodeInternalImage("NoSuchStrip", 3), EResNotFound);
  EXPECT_EQ(TCodeInternalImage::SharedCount(), before);
}

TEST(CodeInternalImage, ShortLinesShowTheMiddleAndNoCountStillDraws) {
  TCodeInternalImage a("CodeEditInternalImages", 10);
  const int line = a.Height() - 4;  // two rows cut off above and two below
  TBitmap target(a.Width(), line + 6);
  a.DrawMark(target.Canvas(), 2, 0, 3, line);
  for (int y = 0; y < line; ++y)
    for (int x = 0; x < a.Width(); ++x)
      ASSERT_EQ(target.ScanLine(3 + y)[x], a.Images()->ScanLine(2 + y)[2 * a.Width() + x]) << x << "," << y;
  // Nothing spills above or below the line.
  EXPECT_EQ(Ink(target, 0, 0, a.Width(), 3), 0);
  EXPECT_EQ(Ink(target, 0, 3 + line, a.Width(), target.Height()), 0);

  // A count of 0 would divide by zero: the strip is one cell then.
  TCodeInternalImage whole("CodeEditInternalImages", 0);
  EXPECT_EQ(whole.Count(), 1);
  EXPECT_EQ(whole.Width(), whole.Images()->Width());
}

}  // namespace
}  // namespace lab
