// Writing into cells: the ellipsis, alignment and vertical layout of cell text, word wrap, vertical
// titles, images clipped to their cell, and the drawing services (tree elements, button faces).

#include <gtest/gtest.h>

#include <cstring>

#include "grid/cell_writing.h"
#include "grid/drawing_services.h"
#include "platform/graphics/bitmap.h"
#include "platform/win/gdi.h"

namespace lab {
namespace {

class CellWriting : public ::testing::Test {
 protected:
  CellWriting() : bmp(120, 60) { Clear(); }
  void Clear() {
    c()->Brush()->SetColor(clWhite);
    c()->Brush()->SetStyle(bsSolid);
    c()->FillRect(TRect{0, 0, bmp.Width(), bmp.Height()});
  }
  TCanvas* c() { return bmp.Canvas(); }
  bool Inked(int x, int y) { return (bmp.ScanLine(y)[x] & 0xFFFFFF) != 0xFFFFFF; }
  // The first and last rows, and the first and last columns, with ink inside R.
  TRect InkBox(const TRect& r) {
    TRect box{r.Right, r.Bottom, r.Left - 1, r.Top - 1};
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (Inked(x, y)) {
          box.Left = std::min(box.Left, x);
          box.Top = std::min(box.Top, y);
          box.Right = std::max(box.Right, x);
          box.Bottom = std::max(box.Bottom, y);
        }
    return box;
  }
  TBitmap bmp;
};

TEST_F(CellWriting, EllipsisTextCutsTwoCharactersFirstThenOneAtATime) {
  const std::string text = "WWWWWW";
  ASSERT_LT(c()->TextWidth("WWWW..."), c()->TextWidth(text));
  EXPECT_EQ(EllipsisText(text, c(), c()->TextWidth(text)), text);
  EXPECT_EQ(EllipsisText(text, c(), c()->TextWidth(text) - 1), "WWWW...");
  EXPECT_EQ(EllipsisText(text, c(), c()->TextWidth("WWW...")), "WWW...");
  EXPECT_EQ(EllipsisText(text, c(), c()->TextWidth("W...")), "W...");
  EXPECT_EQ(EllipsisText(text, c(), c()->TextWidth("...")), "...");
  EXPECT_EQ(EllipsisText(text, c(), 0), "...");
  // Characters, not bytes: an accented letter is cut whole.
  EXPECT_EQ(EllipsisText("ééééé", c(), c()->TextWidth("ééé...")), "ééé...");
  EXPECT_EQ(EllipsisText("x", c(), 0), "...");
  // The first cut takes two characters even where taking one would fit (a large font, so that
  // the last letter is wider than the dots).
  c()->Font()->SetHeight(-60);
  ASSERT_LE(c()->TextWidth("iiiii..."), c()->TextWidth("iiiiiЩ") - 1);
  EXPECT_EQ(EllipsisText("iiiiiЩ", c(), c()->TextWidth("iiiiiЩ") - 1), "iiii...");
}

TEST_F(CellWriting, SingleLineTextIsPlacedLeftRightOrCentred) {
  const TRect cell{10, 10, 110, 30};
  WriteCellText(c(), cell, true, 2, 2, "Wg", taLeftJustify, tlTop, false, false, 0, 0, false);
  const TRect left = InkBox(cell);
  EXPECT_LE(left.Left, cell.Left + 4);
  Clear();
  WriteCellText(c(), cell, true, 2, 2, "Wg", taRightJustify, tlTop, false, false, 0, 0, false);
  const TRect right = InkBox(cell);
  EXPECT_GE(right.Right, cell.Right - 5);
  Clear();
  WriteCellText(c(), cell, true, 2, 2, "Wg", taCenter, tlTop, false, false, 0, 0, false);
  const TRect centre = InkBox(cell);
  EXPECT_NEAR((centre.Left + centre.Right) / 2, (cell.Left + cell.Right) / 2, 2);
  // The text is written DY below the top, the same whatever the alignment.
  EXPECT_EQ(left.Top, right.Top);
}

TEST_F(CellWriting, TheBackgroundIsFilledOnlyWhenAsked) {
  const TRect cell{0, 0, 60, 20};
  c()->Brush()->SetColor(clYellow);
  WriteCellText(c(), cell, true, 2, 2, "a", taLeftJustify, tlTop, false, false, 0, 0, false);
  EXPECT_EQ(bmp.ScanLine(15)[50] & 0xFFFFFF, 0xFFFF00u);
  Clear();
  c()->Brush()->SetColor(clYellow);
  WriteCellText(c(), cell, false, 2, 2, "a", taLeftJustify, tlTop, true, false, 0, 0, false);
  EXPECT_EQ(bmp.ScanLine(15)[50] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(c()->Brush()->Style(), bsSolid);  // the brush is given back
  Clear();
  c()->Brush()->SetColor(clYellow);
  WriteCellText(c(), cell, false, 2, 2, "a", taLeftJustify, tlTop, false, false, 0, 0, false);
  EXPECT_EQ(bmp.ScanLine(15)[50] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(c()->Brush()->Color(), clYellow);
}

TEST_F(CellWriting, ACentredLayoutInAnOddHeightSitsOnePixelNearerTheTop) {
  const int h = c()->TextHeight("Wg");
  TWriteTextParamsX p;
  p.Canvas = c();
  p.Text = "Wg";
  p.Rect = TRect{0, 0, 100, h};
  DrawTextInRect(p);
  const int top_at_zero = InkBox(TRect{0, 0, 100, 60}).Top;
  Clear();
  p.Rect = TRect{0, 0, 100, h + 3};  // three spare pixels: one above, two below
  p.Layout = tlCenter;
  DrawTextInRect(p);
  EXPECT_EQ(InkBox(TRect{0, 0, 100, 60}).Top, top_at_zero + 1);
  Clear();
  p.Layout = tlBottom;
  DrawTextInRect(p);
  EXPECT_EQ(InkBox(TRect{0, 0, 100, 60}).Top, top_at_zero + 3);
}

TEST_F(CellWriting, MultiLineTextWrapsAndShowsAmpersands) {
  const int h = c()->TextHeight("Wg");
  const TRect cell{0, 0, c()->TextWidth("word word") - 4, 3 * h};
  WriteCellText(c(), cell, true, 0, 0, "word word", taLeftJustify, tlTop, true, false, 0, 0, false);
  const TRect box = InkBox(cell);
  EXPECT_GT(box.Bottom, h);  // the second word went to the second line
  Clear();
  // "&" is shown as it stands, not taken for a mark under the next letter.
  const TRect wide{0, 0, 110, 3 * h};
  WriteCellText(c(), wide, true, 0, 0, "A&B", taLeftJustify, tlTop, true, false, 0, 0, false);
  const int with_amp = InkBox(wide).Right;
  Clear();
  WriteCellText(c(), wide, true, 0, 0, "AB", taLeftJustify, tlTop, true, false, 0, 0, false);
  EXPECT_GT(with_amp, InkBox(wide).Right + 3);
}

TEST_F(CellWriting, AnEndEllipsisKeepsTheTextInItsCell) {
  const TRect cell{0, 0, 40, 20};
  WriteCellText(c(), cell, true, 2, 2, "a rather long text", taLeftJustify, tlTop, false, true, 0, 0, false);
  EXPECT_LT(InkBox(TRect{0, 0, 120, 60}).Right, 40);
  const TRect cut = InkBox(cell);
  Clear();
  WriteCellText(c(), cell, true, 2, 2, EllipsisText("a rather long text", c(), 36), taLeftJustify, tlTop, false,
                false, 0, 0, false);
  EXPECT_EQ(InkBox(cell), cut);
}

TEST_F(CellWriting, VerticalTextRunsUpTheCell) {
  const TRect cell{10, 0, 40, 60};
  const int length = WriteCellTextVertical(c(), cell, true, 2, 2, "Title", taLeftJustify, tlTop, false, true);
  EXPECT_EQ(length, c()->TextWidth("Title"));
  EXPECT_EQ(InkBox(TRect{0, 0, 120, 60}).Right, -1);  // measuring draws nothing
  WriteCellTextVertical(c(), cell, true, 2, 2, "Title", taLeftJustify, tlTop, false, false);
  const TRect box = InkBox(cell);
  // Taller than wide, ending at the bottom for left-justified text.
  EXPECT_GT(box.Bottom - box.Top, box.Right - box.Left);
  EXPECT_GE(box.Bottom, cell.Bottom - 4);
  EXPECT_LE(box.Left, cell.Left + 4);
}

TEST_F(CellWriting, ARotatedFontTurnsTheGridFont) {
  TFont font;
  font.SetName("Default");
  font.SetHeight(-13);
  font.SetStyle({fsBold, fsItalic});
  win::HFONT f = CreateRotatedFont(&font);
  win::LOGFONT lf{};
  win::GetObject(f, &lf);
  EXPECT_STREQ(lf.lfFaceName, kDefaultFontName);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfOrientation, 900);
  EXPECT_EQ(lf.lfHeight, -13);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfOutPrecision, win::OUT_TT_ONLY_PRECIS);
  win::DeleteObject(f);
  font.SetName("monospace");
  font.SetPitch(fpFixed);
  f = CreateRotatedFont(&font);
  win::GetObject(f, &lf);
  EXPECT_STREQ(lf.lfFaceName, "monospace");
  EXPECT_EQ(lf.lfPitchAndFamily & 3, win::FIXED_PITCH);
  win::DeleteObject(f);
}

TEST_F(CellWriting, AnImageLargerThanItsCellIsClippedAndTheClipComesBack) {
  TImageList images(nullptr, 16, 16);
  TBitmap red(16, 16);
  red.Canvas()->Brush()->SetColor(clRed);
  red.Canvas()->FillRect(TRect{0, 0, 16, 16});
  images.Add(&red, nullptr);
  win::HDC dc = c()->Handle();
  win::IntersectClipRect(dc, 0, 0, 100, 50);
  const TRect cell{20, 20, 30, 30};
  DrawImageInCell(&images, c(), cell, 0, 0, taCenter);
  TRect clip;
  win::GetClipBox(dc, &clip);
  EXPECT_EQ(clip, (TRect{0, 0, 100, 50}));
  EXPECT_EQ(InkBox(TRect{0, 0, 120, 60}), (TRect{20, 20, 29, 29}));
  // A fitting image is placed by the alignment and centred vertically.
  Clear();
  DrawImageInCell(&images, c(), TRect{0, 0, 60, 30}, 0, 3, taLeftJustify);
  EXPECT_EQ(InkBox(TRect{0, 0, 120, 60}), (TRect{3, 7, 18, 22}));
  Clear();
  DrawImageInCell(&images, c(), TRect{0, 0, 60, 30}, 0, 3, taRightJustify);
  EXPECT_EQ(InkBox(TRect{0, 0, 120, 60}).Right, 59);
  Clear();
  DrawImageInCell(&images, c(), TRect{0, 0, 60, 30}, 1, 0, taCenter);  // no such image
  EXPECT_EQ(InkBox(TRect{0, 0, 120, 60}).Right, -1);
}

TEST_F(CellWriting, TreeElementsDrawBoxesAndConnectors) {
  auto draw = [&](int kind) {
    Clear();
    DrawTreeElement(c(), TRect{0, 0, 18, 18}, kind, 1.0, 1.0, false);
    return InkBox(TRect{0, 0, 18, 18});
  };
  EXPECT_EQ(draw(9), (TRect{9, 1, 9, 17}));        // dots down the middle
  const TRect leaf = draw(7);                       // up and to the right
  EXPECT_EQ(leaf.Top, 1);
  EXPECT_EQ(leaf.Bottom, 9);
  EXPECT_EQ(leaf.Right, 17);
  EXPECT_EQ(draw(6).Bottom, 17);                   // a sibling follows: on down
  const TRect node = draw(4);
  EXPECT_TRUE(Inked(9, 9));                         // the plus's middle
  EXPECT_TRUE(Inked(9, 7));                         // its upright
  EXPECT_EQ(node.Bottom, 13);                       // the box ends it
  draw(1);
  EXPECT_FALSE(Inked(9, 7));                        // a minus has none
  EXPECT_EQ(draw(2).Right, -1);                     // not an element
  // The other phase puts the dots on the other pixels.
  Clear();
  DrawTreeElement(c(), TRect{0, 0, 18, 18}, 9, 1.0, 1.0, true);
  EXPECT_EQ(InkBox(TRect{0, 0, 18, 18}), (TRect{9, 0, 9, 16}));
}

TEST_F(CellWriting, ButtonFacesShowTheirSigns) {
  win::HDC dc = c()->Handle();
  for (int look : {blDropDownX, blEllipsisX, blUpDownX, blPlusX, blMinusX}) {
    Clear();
    PaintButtonControlX(dc, TRect{0, 0, 17, 20}, clWindow, look, false, true, false, true, cbUnchecked);
    // A flat face takes the parent colour; the sign is drawn in the button text colour.
    EXPECT_EQ(bmp.ScanLine(1)[1] & 0xFFFFFF, 0xFFFFFFu) << look;
    int dark = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 17; ++x)
        if ((bmp.ScanLine(y)[x] & 0xFFFFFF) == 0) ++dark;
    EXPECT_GT(dark, 0) << look;
  }
  Clear();
  PaintButtonControlX(dc, TRect{0, 0, 17, 20}, clWindow, blDropDownX, false, false, false, true, cbUnchecked);
  // A raised face in the button face colour.
  EXPECT_EQ(ColorOfPixel(bmp.ScanLine(10)[3]), ColorToRGB(clBtnFace));
}

}  // namespace
}  // namespace lab
