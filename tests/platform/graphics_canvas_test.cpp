#include <gtest/gtest.h>

#include <vector>

#include "graphics_test_util.h"
#include <string>

#include "platform/graphics/gdi.h"

namespace lab {
namespace {

using test::At;
using test::Clear;

constexpr TColorRef kWhite = 0xFFFFFF, kBlack = 0, kRed = 0x0000FF, kBlue = 0xFF0000;

TEST(GraphicsCanvas, FillRectCoversLeftTopButNotRightBottomAndRespectsClipSaveRestore) {
  TBitmap bmp(20, 20);
  Clear(bmp);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clRed);
  c->FillRect({2, 3, 6, 8});
  EXPECT_EQ(At(bmp, 2, 3), kRed);
  EXPECT_EQ(At(bmp, 5, 7), kRed);
  EXPECT_EQ(At(bmp, 6, 7), kWhite);
  EXPECT_EQ(At(bmp, 5, 8), kWhite);
  EXPECT_EQ(At(bmp, 1, 3), kWhite);

  win::HDC dc = c->Handle();
  const int saved = win::SaveDC(dc);
  win::IntersectClipRect(dc, 10, 10, 15, 15);
  win::ExcludeClipRect(dc, 12, 12, 13, 13);
  c->Brush()->SetColor(clBlue);
  c->FillRect({0, 0, 20, 20});
  EXPECT_EQ(At(bmp, 10, 10), kBlue);
  EXPECT_EQ(At(bmp, 14, 14), kBlue);
  EXPECT_EQ(At(bmp, 12, 12), kWhite) << "excluded hole";
  EXPECT_EQ(At(bmp, 15, 15), kWhite);
  EXPECT_EQ(At(bmp, 2, 3), kRed) << "outside the clip";
  TRect box;
  EXPECT_EQ(win::GetClipBox(dc, &box), win::COMPLEXREGION);
  EXPECT_EQ(box, (TRect{10, 10, 15, 15}));
  EXPECT_EQ(c->ClipRect(), (TRect{10, 10, 15, 15}));

  ASSERT_TRUE(win::RestoreDC(dc, saved));
  EXPECT_EQ(c->ClipRect(), (TRect{0, 0, 20, 20}));
  c->FillRect({0, 0, 1, 1});
  EXPECT_EQ(At(bmp, 0, 0), kBlue) << "clip gone after restore";
  EXPECT_FALSE(win::RestoreDC(dc, saved)) << "a level is restored once";
}

TEST(GraphicsCanvas, ClipRegionsSelectOffsetAndRemove) {
  TBitmap bmp(10, 10);
  Clear(bmp);
  win::HDC dc = bmp.Canvas()->Handle();
  win::HRGN a = win::CreateRectRgn(0, 0, 4, 4);
  win::HRGN b = win::CreateRectRgn(6, 6, 10, 10);
  EXPECT_EQ(win::CombineRgn(a, a, b, win::RGN_OR), win::COMPLEXREGION);
  EXPECT_TRUE(win::PtInRegion(a, 7, 7));
  EXPECT_FALSE(win::PtInRegion(a, 5, 5));
  win::SelectClipRgn(dc, a);
  win::DeleteObject(a);  // the context keeps its own copy
  win::DeleteObject(b);
  win::OffsetClipRgn(dc, 1, 0);
  bmp.Canvas()->Brush()->SetColor(clBlack);
  bmp.Canvas()->FillRect({0, 0, 10, 10});
  EXPECT_EQ(At(bmp, 0, 0), kWhite);
  EXPECT_EQ(At(bmp, 1, 0), kBlack);
  EXPECT_EQ(At(bmp, 5, 5), kWhite);
  EXPECT_EQ(At(bmp, 9, 9), kBlack);
  win::SelectClipRgn(dc, nullptr);
  bmp.Canvas()->FillRect({5, 5, 6, 6});
  EXPECT_EQ(At(bmp, 5, 5), kBlack);
}

TEST(GraphicsCanvas, LinesLeaveOutTheEndPointAndFollowPenStyles) {
  TBitmap bmp(40, 10);
  Clear(bmp);
  TCanvas* c = bmp.Canvas();
  c->Pen()->SetColor(clBlack);
  c->MoveTo(0, 0);
  c->LineTo(10, 0);
  EXPECT_EQ(At(bmp, 9, 0), kBlack);
  EXPECT_EQ(At(bmp, 10, 0), kWhite);
  EXPECT_EQ(c->PenPos(), (TPoint{10, 0}));

  // Dots: three on, three off; with a clear brush the gaps stay untouched.
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetStyle(psDot);
  c->MoveTo(0, 2);
  c->LineTo(12, 2);
  const TColorRef dots[12] = {kBlack, kBlack, kBlack, kWhite, kWhite, kWhite,
                              kBlack, kBlack, kBlack, kWhite, kWhite, kWhite};
  for (int x = 0; x < 12; ++x) EXPECT_EQ(At(bmp, x, 2), dots[x]) << x;

  // With a solid brush the gaps take the background colour.
  c->Brush()->SetColor(clRed);
  c->MoveTo(0, 4);
  c->LineTo(6, 4);
  EXPECT_EQ(At(bmp, 0, 4), kBlack);
  EXPECT_EQ(At(bmp, 3, 4), kRed);

  // Dashes: eighteen on, six off.
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetStyle(psDash);
  c->MoveTo(0, 6);
  c->LineTo(30, 6);
  EXPECT_EQ(At(bmp, 17, 6), kBlack);
  EXPECT_EQ(At(bmp, 18, 6), kWhite);
  EXPECT_EQ(At(bmp, 23, 6), kWhite);
  EXPECT_EQ(At(bmp, 24, 6), kBlack);

  c->Pen()->SetStyle(psClear);
  c->MoveTo(0, 8);
  c->LineTo(30, 8);
  for (int x = 0; x < 30; ++x) EXPECT_EQ(At(bmp, x, 8), kWhite);
}

TEST(GraphicsCanvas, DashDotPatternsContinueAlongAPolyline) {
  TBitmap bmp(60, 6);
  Clear(bmp);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetStyle(bsClear);
  auto row = [&](int y, int n) {
    std::string s;
    for (int x = 0; x < n; ++x) s += At(bmp, x, y) == kBlack ? '#' : '.';
    return s;
  };
  c->Pen()->SetStyle(psDashDot);
  c->MoveTo(0, 0);
  c->LineTo(30, 0);
  EXPECT_EQ(row(0, 30), "#########......###......######");
  c->Pen()->SetStyle(psDashDotDot);
  c->MoveTo(0, 2);
  c->LineTo(30, 2);
  EXPECT_EQ(row(2, 30), "#########...###...###...######");
  c->Pen()->SetStyle(psAlternate);
  c->MoveTo(0, 4);
  c->LineTo(8, 4);
  EXPECT_EQ(row(4, 8), "#.#.#.#.");
  // The pattern runs on across the corner of a polyline instead of starting again.
  Clear(bmp);
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetStyle(psDot);
  const TPoint pts[] = {{0, 1}, {4, 1}, {4, 5}};
  c->Polyline(pts);
  EXPECT_EQ(row(1, 5), "###..");
  EXPECT_EQ(At(bmp, 4, 2), kWhite);
  EXPECT_EQ(At(bmp, 4, 3), kBlack);
}

TEST(GraphicsCanvas, DiagonalAndWideLines) {
  TBitmap bmp(20, 20);
  Clear(bmp);
  TCanvas* c = bmp.Canvas();
  c->MoveTo(0, 0);
  c->LineTo(5, 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(At(bmp, i, i), kBlack);
  EXPECT_EQ(At(bmp, 5, 5), kWhite);

  c->Pen()->SetWidth(5);
  c->MoveTo(2, 12);
  c->LineTo(17, 12);
  EXPECT_EQ(At(bmp, 9, 10), kBlack);
  EXPECT_EQ(At(bmp, 9, 14), kBlack);
  EXPECT_EQ(At(bmp, 9, 16), kWhite);
  EXPECT_EQ(At(bmp, 9, 8), kWhite);
  EXPECT_EQ(At(bmp, 1, 12), kBlack) << "round end caps reach past the end points";

  // The grid's geometric pen: flat ends stop at the end points.
  Clear(bmp);
  win::HDC dc = c->Handle();
  win::LOGBRUSH lb{win::BS_SOLID, 0x0000FF, 0};
  win::HPEN pen = win::ExtCreatePen(win::PS_GEOMETRIC | win::PS_ENDCAP_FLAT | win::PS_JOIN_MITER, 3, &lb, 0, nullptr);
  win::HGDIOBJ old = win::SelectObject(dc, pen);
  const TPoint pts[] = {{5, 3}, {15, 3}};
  const win::DWORD counts[] = {2};
  win::PolyPolyline(dc, pts, counts, 1);
  EXPECT_EQ(At(bmp, 5, 3), kRed);
  EXPECT_EQ(At(bmp, 10, 2), kRed);
  EXPECT_EQ(At(bmp, 10, 4), kRed);
  EXPECT_EQ(At(bmp, 4, 3), kWhite);
  EXPECT_EQ(At(bmp, 10, 6), kWhite);
  win::SelectObject(dc, old);
  win::DeleteObject(pen);
}

TEST(GraphicsCanvas, XorPenAndInversionsRestoreWhenDrawnTwice) {
  TBitmap bmp(30, 30);
  Clear(bmp);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clTeal);
  c->FillRect({5, 5, 25, 25});
  std::vector<TColorRef> before;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) before.push_back(At(bmp, x, y));
  auto unchanged = [&] {
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 30; ++x)
        if (At(bmp, x, y) != before[static_cast<std::size_t>(y * 30 + x)]) return false;
    return true;
  };

  c->Pen()->SetMode(pmXor);
  c->Pen()->SetColor(clWhite);
  const TPoint pts[] = {{1, 1}, {28, 3}, {20, 27}, {2, 20}};
  c->Polyline(pts);
  EXPECT_FALSE(unchanged());
  EXPECT_EQ(At(bmp, 1, 1), kBlack) << "white XOR white";
  c->Polyline(pts);
  EXPECT_TRUE(unchanged());

  c->Pen()->SetMode(pmNot);
  c->MoveTo(0, 10);
  c->LineTo(30, 10);
  EXPECT_EQ(At(bmp, 10, 10), 0x808000u ^ 0xFFFFFFu);
  c->MoveTo(0, 10);
  c->LineTo(30, 10);
  EXPECT_TRUE(unchanged());

  c->DrawFocusRect({3, 3, 20, 12});
  EXPECT_FALSE(unchanged());
  // Every other pixel of the border changes.
  EXPECT_NE(At(bmp, 3, 3) == before[3 * 30 + 3], At(bmp, 4, 3) == before[3 * 30 + 4]);
  EXPECT_EQ(At(bmp, 10, 7), before[7 * 30 + 10]) << "inside untouched";
  c->DrawFocusRect({3, 3, 20, 12});
  EXPECT_TRUE(unchanged());

  win::HDC dc = c->Handle();
  const TRect r{7, 2, 19, 17};
  win::InvertRect(dc, &r);
  EXPECT_EQ(At(bmp, 10, 10), 0x808000 ^ 0xFFFFFF);
  win::InvertRect(dc, &r);
  EXPECT_TRUE(unchanged());
  win::HBRUSH hatch = win::CreateHatchBrush(win::HS_CROSS, 0x00FF00);
  win::HGDIOBJ old = win::SelectObject(dc, hatch);
  win::PatBlt(dc, 0, 0, 30, 30, win::PATINVERT);
  EXPECT_FALSE(unchanged());
  win::PatBlt(dc, 0, 0, 30, 30, win::PATINVERT);
  EXPECT_TRUE(unchanged());
  win::SelectObject(dc, old);
  win::DeleteObject(hatch);
}

TEST(GraphicsCanvas, RectangleFramesWithPenAndFillsWithBrush) {
  TBitmap bmp(12, 12);
  Clear(bmp);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clRed);
  c->Rectangle(1, 1, 8, 6);
  EXPECT_EQ(At(bmp, 1, 1), kBlack);
  EXPECT_EQ(At(bmp, 7, 5), kBlack);
  EXPECT_EQ(At(bmp, 8, 5), kWhite);
  EXPECT_EQ(At(bmp, 2, 2), kRed);
  EXPECT_EQ(At(bmp, 6, 4), kRed);

  // Without an outline the fill stops one pixel short on the right and bottom.
  Clear(bmp);
  c->Brush()->SetColor(clRed);
  c->Pen()->SetStyle(psClear);
  c->Rectangle(1, 1, 8, 6);
  EXPECT_EQ(At(bmp, 1, 1), kRed);
  EXPECT_EQ(At(bmp, 6, 4), kRed);
  EXPECT_EQ(At(bmp, 7, 4), kWhite);
  EXPECT_EQ(At(bmp, 6, 5), kWhite);

  c->Brush()->SetColor(clBlue);
  c->FrameRect({0, 0, 12, 12});
  EXPECT_EQ(At(bmp, 0, 0), kBlue);
  EXPECT_EQ(At(bmp, 11, 11), kBlue);
  EXPECT_EQ(At(bmp, 1, 1), kRed);
}

TEST(GraphicsCanvas, PolygonFillsInsideOnly) {
  TBitmap bmp(20, 20);
  Clear(bmp);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clLime);
  c->Pen()->SetStyle(psClear);
  const TPoint tri[] = {{2, 2}, {18, 2}, {2, 18}};
  c->Polygon(tri);
  EXPECT_EQ(At(bmp, 4, 4), 0x00FF00u);
  EXPECT_EQ(At(bmp, 16, 16), kWhite);
  EXPECT_EQ(At(bmp, 1, 1), kWhite);
}

TEST(GraphicsCanvas, MirroredMappingFlipsRectanglesAndPixels) {
  TBitmap bmp(20, 4);
  Clear(bmp);
  win::HDC dc = bmp.Canvas()->Handle();
  // The grid's right-to-left orientation: window origin at the client width, x extent negated.
  win::SetMapMode(dc, win::MM_ANISOTROPIC);
  win::SetWindowOrgEx(dc, 20, 0, nullptr);
  win::SetWindowExtEx(dc, 1, 1, nullptr);
  win::SetViewportExtEx(dc, -1, 1, nullptr);
  TPoint p{3, 0};
  win::LPtoDP(dc, &p, 1);
  EXPECT_EQ(p, (TPoint{17, 0}));
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.Canvas()->FillRect({0, 0, 3, 4});
  EXPECT_EQ(At(bmp, 19, 1), kRed);
  EXPECT_EQ(At(bmp, 17, 1), kRed);
  EXPECT_EQ(At(bmp, 16, 1), kWhite);
  bmp.Canvas()->SetPixels(0, 3, clBlue);
  EXPECT_EQ(At(bmp, 19, 3), kBlue);
  EXPECT_EQ(bmp.Canvas()->Pixels(0, 3), static_cast<TColor>(kBlue));
  win::SetMapMode(dc, win::MM_TEXT);
  win::SetWindowOrgEx(dc, 0, 0, nullptr);

  // A plain origin shift.
  win::SetViewportOrgEx(dc, 5, 0, nullptr);
  bmp.Canvas()->Brush()->SetColor(clBlack);
  bmp.Canvas()->FillRect({0, 0, 1, 1});
  EXPECT_EQ(At(bmp, 5, 0), kBlack);
}

TEST(GraphicsCanvas, ZeroAndNegativeSizesDrawNothing) {
  TBitmap bmp(10, 10);
  Clear(bmp);
  TCanvas* c = bmp.Canvas();
  c->Brush()->SetColor(clBlack);
  c->FillRect({5, 5, 5, 9});
  c->FillRect({5, 5, 2, 2});
  c->Rectangle(4, 4, 4, 4);
  c->FrameRect({6, 6, 6, 6});
  c->DrawFocusRect({3, 3, 3, 8});
  EXPECT_TRUE(test::InkBounds(bmp, kWhite).IsEmpty());
  TBitmap empty;
  EXPECT_TRUE(empty.Empty());
  c->Draw(0, 0, &empty);
  empty.SetSize(-3, 4);
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_TRUE(test::InkBounds(bmp, kWhite).IsEmpty());
}

TEST(GraphicsCanvas, DeletedObjectsStaySelectableUntilReplaced) {
  TBitmap bmp(4, 4);
  Clear(bmp);
  win::HDC dc = bmp.Canvas()->Handle();
  win::HBRUSH red = win::CreateSolidBrush(0x0000FF);
  win::HGDIOBJ old = win::SelectObject(dc, red);
  win::DeleteObject(red);  // still selected: the context holds it
  win::PatBlt(dc, 0, 0, 2, 2, win::PATCOPY);
  EXPECT_EQ(At(bmp, 1, 1), kRed);
  win::SelectObject(dc, old);
  EXPECT_EQ(win::GetStockObject(win::NULL_BRUSH), win::GetStockObject(win::HOLLOW_BRUSH));
  EXPECT_TRUE(win::DeleteObject(win::GetStockObject(win::WHITE_BRUSH)));  // no effect on stock objects
  const TRect corner{0, 0, 1, 1};
  win::FillRect(dc, &corner, static_cast<win::HBRUSH>(win::GetStockObject(win::WHITE_BRUSH)));
  EXPECT_EQ(At(bmp, 0, 0), kWhite);
}

}  // namespace
}  // namespace lab
