#include <gtest/gtest.h>

#include <array>
#include <random>

#include "graphics_test_util.h"
#include "platform/graphics/raster_ops.h"
#include "platform/graphics/gdi.h"

namespace lab {
namespace {

using test::At;
using test::Clear;

// Pixel-by-pixel membership, the reference the region operations must agree with.
bool In(const TRegion& r, int x, int y) { return r.Contains({x, y}); }

void ExpectDisjoint(const TRegion& r) {
  const auto& rects = r.Rects();
  for (std::size_t i = 0; i < rects.size(); ++i) {
    EXPECT_FALSE(rects[i].IsEmpty());
    for (std::size_t j = i + 1; j < rects.size(); ++j)
      EXPECT_TRUE(IntersectRect(rects[i], rects[j]).IsEmpty()) << "rectangles " << i << " and " << j << " overlap";
  }
}

TEST(GraphicsRegion, SetOperationsMatchPixelMembership) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> coord(0, 20);
  auto random_rect = [&] {
    int l = coord(rng), t = coord(rng);
    return TRect{l, t, l + coord(rng) / 2 + 1, t + coord(rng) / 2 + 1};
  };
  for (int round = 0; round < 60; ++round) {
    TRegion a, b;
    for (int i = 0; i < 3; ++i) a.Unite(random_rect());
    for (int i = 0; i < 3; ++i) b.Unite(random_rect());
    TRegion u = a, n = a, d = a, x = a;
    u.Unite(b);
    n.Intersect(b);
    d.Subtract(b);
    x.Xor(b);
    for (const TRegion* r : {&a, &b, &u, &n, &d, &x}) ExpectDisjoint(*r);
    for (int py = -1; py < 32; ++py)
      for (int px = -1; px < 32; ++px) {
        const bool ia = In(a, px, py), ib = In(b, px, py);
        ASSERT_EQ(In(u, px, py), ia || ib) << round << " " << px << "," << py;
        ASSERT_EQ(In(n, px, py), ia && ib);
        ASSERT_EQ(In(d, px, py), ia && !ib);
        ASSERT_EQ(In(x, px, py), ia != ib);
      }
    EXPECT_TRUE(u.SamePixels(u));
    TRegion back = d;
    back.Unite(n);
    EXPECT_TRUE(back.SamePixels(a)) << "difference and intersection make the whole";
  }
  TRegion empty;
  EXPECT_TRUE(empty.Bounds().IsEmpty());
  TRegion r({0, 0, 10, 10});
  r.Subtract({2, 2, 4, 4});
  EXPECT_EQ(r.Bounds(), (TRect{0, 0, 10, 10}));
  EXPECT_TRUE(r.Intersects({3, 3, 5, 5}));
  EXPECT_FALSE(r.Intersects({2, 2, 4, 4}));
  r.Offset(5, -1);
  EXPECT_TRUE(r.Contains({5, -1}));
  EXPECT_FALSE(r.Contains({8, 2}));
}

TEST(GraphicsRegion, RegionHandlesAnswerTheirKinds) {
  win::HRGN a = win::CreateRectRgn(10, 10, 0, 0);  // corners in any order
  win::HRGN b = win::CreateRectRgn(5, 5, 15, 15);
  win::HRGN out = win::CreateRectRgn(0, 0, 0, 0);
  TRect box;
  EXPECT_EQ(win::GetRgnBox(a, &box), win::SIMPLEREGION);
  EXPECT_EQ(box, (TRect{0, 0, 10, 10}));
  EXPECT_EQ(win::CombineRgn(out, a, b, win::RGN_AND), win::SIMPLEREGION);
  win::GetRgnBox(out, &box);
  EXPECT_EQ(box, (TRect{5, 5, 10, 10}));
  EXPECT_EQ(win::CombineRgn(out, a, b, win::RGN_DIFF), win::COMPLEXREGION);
  EXPECT_FALSE(win::PtInRegion(out, 7, 7));
  EXPECT_TRUE(win::PtInRegion(out, 2, 7));
  EXPECT_EQ(win::CombineRgn(out, a, a, win::RGN_DIFF), win::NULLREGION);
  EXPECT_EQ(win::CombineRgn(out, a, nullptr, win::RGN_COPY), win::SIMPLEREGION);
  EXPECT_TRUE(win::EqualRgn(out, a));
  EXPECT_EQ(win::CombineRgn(out, a, b, 99), win::ERROR);
  EXPECT_EQ(win::OffsetRgn(out, 100, 0), win::SIMPLEREGION);
  EXPECT_TRUE(win::PtInRegion(out, 100, 0));
  const TRect probe{95, 0, 101, 1};
  EXPECT_TRUE(win::RectInRegion(out, &probe));
  for (win::HRGN h : {a, b, out}) win::DeleteObject(h);
}

// The pen mixes against their definitions on every bit pattern.
TEST(GraphicsRegion, PenMixesAndRasterOperationsFollowTheirTruthTables) {
  const std::uint32_t p = 0xFF0F33F0u, d = 0xFF5555AAu;
  const std::uint32_t expected[17] = {0,
                                      0,              // R2_BLACK
                                      ~(p | d),       // R2_NOTMERGEPEN
                                      ~p & d,         // R2_MASKNOTPEN
                                      ~p,             // R2_NOTCOPYPEN
                                      p & ~d,         // R2_MASKPENNOT
                                      ~d,             // R2_NOT
                                      p ^ d,          // R2_XORPEN
                                      ~(p & d),       // R2_NOTMASKPEN
                                      p & d,          // R2_MASKPEN
                                      ~(p ^ d),       // R2_NOTXORPEN
                                      d,              // R2_NOP
                                      ~p | d,         // R2_MERGENOTPEN
                                      p,              // R2_COPYPEN
                                      p | ~d,         // R2_MERGEPENNOT
                                      p | d,          // R2_MERGEPEN
                                      ~0u};           // R2_WHITE
  for (int r2 = win::R2_BLACK; r2 <= win::R2_WHITE; ++r2)
    EXPECT_EQ(raster::Apply(raster::CodeOfMix(r2), p, 0, d) & 0xFFFFFF, expected[r2] & 0xFFFFFF) << r2;

  // Every ternary code: the quick cases agree with the general truth-table evaluation.
  const std::uint32_t s = 0xFF3C3C3Cu;
  for (int code = 0; code < 256; ++code) {
    std::uint32_t slow = 0;
    for (int k = 0; k < 8; ++k) {
      if (!((code >> k) & 1)) continue;
      slow |= (((0xF0 >> k) & 1) ? p : ~p) & (((0xCC >> k) & 1) ? s : ~s) & (((0xAA >> k) & 1) ? d : ~d);
    }
    EXPECT_EQ(raster::Apply(static_cast<std::uint8_t>(code), p, s, d), slow | 0xFF000000u) << code;
  }
  EXPECT_TRUE(raster::UsesSource(raster::Code(win::SRCCOPY)));
  EXPECT_FALSE(raster::UsesSource(raster::Code(win::PATINVERT)));
  EXPECT_FALSE(raster::UsesPattern(raster::Code(win::SRCAND)));
  EXPECT_FALSE(raster::UsesDest(raster::Code(win::NOTSRCCOPY)));
  EXPECT_TRUE(raster::UsesDest(raster::Code(win::DSTINVERT)));
}

TEST(GraphicsRegion, PenModesThroughTheCanvas) {
  TBitmap bmp(4, 1);
  for (TPenMode mode : {pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMerge, pmMask, pmXor, pmNotXor}) {
    Clear(bmp, static_cast<TColor>(0x5555AA));
    bmp.Canvas()->Pen()->SetColor(static_cast<TColor>(0x0F33F0));
    bmp.Canvas()->Pen()->SetMode(mode);
    bmp.Canvas()->MoveTo(0, 0);
    bmp.Canvas()->LineTo(4, 0);
    const std::uint32_t p = 0x0F33F0, d = 0x5555AA;
    std::uint32_t want = 0;
    switch (mode) {
      case pmBlack: want = 0; break;
      case pmWhite: want = 0xFFFFFF; break;
      case pmNop: want = d; break;
      case pmNot: want = ~d; break;
      case pmCopy: want = p; break;
      case pmNotCopy: want = ~p; break;
      case pmMerge: want = p | d; break;
      case pmMask: want = p & d; break;
      case pmXor: want = p ^ d; break;
      default: want = ~(p ^ d); break;
    }
    EXPECT_EQ(At(bmp, 2, 0), want & 0xFFFFFF) << mode;
  }
}

TEST(GraphicsRegion, BrushesHatchAndPatternsFollowTheOrigin) {
  TBitmap bmp(16, 16);
  Clear(bmp);
  win::HDC dc = bmp.Canvas()->Handle();
  bmp.Canvas()->Brush()->SetColor(clBlack);
  bmp.Canvas()->Brush()->SetStyle(bsCross);
  // The canvas selects its brush when it fills; a hatched brush leaves the gaps alone.
  bmp.Canvas()->FillRect({0, 0, 16, 16});
  EXPECT_EQ(At(bmp, 0, 0), 0u);
  EXPECT_EQ(At(bmp, 0, 5), 0u) << "vertical stroke";
  EXPECT_EQ(At(bmp, 5, 0), 0u) << "horizontal stroke";
  EXPECT_EQ(At(bmp, 8, 8), 0u) << "repeats every eight pixels";
  EXPECT_EQ(At(bmp, 3, 3), 0xFFFFFFu);

  // With an opaque background the gaps take the background colour; the origin moves the pattern.
  Clear(bmp, clRed);
  win::HBRUSH opaque_hatch = win::CreateHatchBrush(win::HS_HORIZONTAL, 0);
  win::SetBkMode(dc, win::OPAQUE);
  win::SetBkColor(dc, RGB(0, 255, 0));
  const TRect strip{0, 0, 4, 4};
  win::FillRect(dc, &strip, opaque_hatch);
  EXPECT_EQ(At(bmp, 1, 0), 0u);
  EXPECT_EQ(At(bmp, 1, 1), RGB(0, 255, 0));
  win::DeleteObject(opaque_hatch);
  win::HBRUSH hatch = win::CreateHatchBrush(win::HS_VERTICAL, 0);
  win::SetBkMode(dc, win::TRANSPARENT);
  win::SetBrushOrgEx(dc, 2, 0, nullptr);
  const TRect all{0, 0, 16, 16};
  win::FillRect(dc, &all, hatch);
  EXPECT_EQ(At(bmp, 2, 4), 0u);
  EXPECT_EQ(At(bmp, 10, 4), 0u);
  EXPECT_EQ(At(bmp, 0, 4), RGB(255, 0, 0));
  win::SetBrushOrgEx(dc, 0, 0, nullptr);
  win::DeleteObject(hatch);

  // A monochrome pattern takes the text colour for black and the background colour for white.
  Clear(bmp);
  win::HBITMAP mono = win::CreateBitmap(2, 1, 1, 1, std::array<std::uint8_t, 2>{0x40, 0}.data());
  win::HBRUSH pattern = win::CreatePatternBrush(mono);
  win::DeleteObject(mono);
  win::SetTextColor(dc, RGB(0, 0, 255));
  win::SetBkColor(dc, RGB(0, 255, 0));
  win::FillRect(dc, &all, pattern);
  EXPECT_EQ(At(bmp, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(At(bmp, 1, 0), RGB(0, 255, 0));
  EXPECT_EQ(At(bmp, 4, 9), RGB(0, 0, 255));
  win::DeleteObject(pattern);
}

}  // namespace
}  // namespace lab
