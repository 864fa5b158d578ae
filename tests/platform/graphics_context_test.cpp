#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "graphics_test_util.h"
#include "platform/graphics/gdi.h"

namespace lab {
namespace {

using test::At;
using test::Clear;
using test::InkBounds;

TColorRef SurfaceAt(TGdiBitmap* s, int x, int y) {
  s->BeginDirect();
  return ColorOfPixel(s->Row(y)[x]);
}

TEST(GraphicsContext, WindowContextsDrawAtTheirOriginInsideTheirVisibleRegion) {
  // A child window at (10, 10) on its top-level surface, partly covered by a sibling.
  auto* surface = new TGdiBitmap(50, 50);
  TRegion visible({0, 0, 20, 20});
  visible.Subtract({5, 5, 10, 10});
  TDeviceContext dc(surface, {10, 10}, visible);
  surface->Release();  // the context holds the surface

  win::HBRUSH red = win::CreateSolidBrush(RGB(255, 0, 0));
  const TRect all{0, 0, 100, 100};
  win::FillRect(&dc, &all, red);
  EXPECT_EQ(SurfaceAt(surface, 10, 10), RGB(255, 0, 0));
  EXPECT_EQ(SurfaceAt(surface, 29, 29), RGB(255, 0, 0));
  EXPECT_EQ(SurfaceAt(surface, 30, 30), 0u) << "outside the window";
  EXPECT_EQ(SurfaceAt(surface, 9, 12), 0u);
  EXPECT_EQ(SurfaceAt(surface, 16, 16), 0u) << "under the sibling";
  TRect box;
  win::GetClipBox(&dc, &box);
  EXPECT_EQ(box, (TRect{0, 0, 20, 20}));
  win::HBITMAP other = win::CreateBitmap(1, 1, 1, 32, nullptr);
  EXPECT_EQ(win::SelectObject(&dc, other), nullptr) << "a window context keeps its surface";
  win::DeleteObject(other);
  EXPECT_EQ(win::GetPixel(&dc, 1, 1), RGB(255, 0, 0));
  EXPECT_EQ(win::GetPixel(&dc, 7, 7), win::CLR_INVALID);

  // Moved: the same drawing lands elsewhere.
  dc.SetDeviceArea({30, 0}, TRegion({0, 0, 5, 5}));
  win::HBRUSH blue = win::CreateSolidBrush(RGB(0, 0, 255));
  win::FillRect(&dc, &all, blue);
  EXPECT_EQ(SurfaceAt(surface, 34, 4), RGB(0, 0, 255));
  EXPECT_EQ(SurfaceAt(surface, 35, 4), 0u);
  win::DeleteObject(red);
  win::DeleteObject(blue);
}

TEST(GraphicsContext, ScaledMappingsAndTheirInverse) {
  TBitmap bmp(20, 20);
  Clear(bmp);
  win::HDC dc = bmp.Canvas()->Handle();
  win::SetMapMode(dc, win::MM_ANISOTROPIC);
  win::SetWindowExtEx(dc, 1, 1, nullptr);
  win::SetViewportExtEx(dc, 2, 3, nullptr);
  win::SetViewportOrgEx(dc, 1, 0, nullptr);
  TPoint p{3, 2};
  win::LPtoDP(dc, &p, 1);
  EXPECT_EQ(p, (TPoint{7, 6}));
  win::DPtoLP(dc, &p, 1);
  EXPECT_EQ(p, (TPoint{3, 2}));
  bmp.Canvas()->Brush()->SetColor(clBlack);
  bmp.Canvas()->FillRect({1, 1, 2, 2});
  EXPECT_EQ(At(bmp, 3, 3), 0u);
  EXPECT_EQ(At(bmp, 4, 5), 0u);
  EXPECT_EQ(At(bmp, 5, 5), 0xFFFFFFu);
  EXPECT_EQ(At(bmp, 3, 6), 0xFFFFFFu);
  TRect box;
  win::SetViewportOrgEx(dc, 0, 0, nullptr);
  win::GetClipBox(dc, &box);
  EXPECT_EQ(box, (TRect{0, 0, 10, 7})) << "the surface in logical units";

  // Back to plain pixels: extents no longer count.
  win::SetMapMode(dc, win::MM_TEXT);
  win::SetViewportOrgEx(dc, 0, 0, nullptr);
  win::SetWindowExtEx(dc, 7, 5, nullptr);
  p = {3, 2};
  win::LPtoDP(dc, &p, 1);
  EXPECT_EQ(p, (TPoint{3, 2}));
  win::SetWindowOrgEx(dc, 5, 0, nullptr);
  win::GetClipBox(dc, &box);
  EXPECT_EQ(box, (TRect{5, 0, 25, 20}));
}

TEST(GraphicsContext, MirroredTextStaysReadableAndLinesMirrorExactly) {
  TBitmap bmp(100, 20);
  Clear(bmp);
  bmp.Canvas()->Font()->SetName("monospace");
  bmp.Canvas()->Font()->SetHeight(-13);
  bmp.Canvas()->Brush()->SetStyle(bsClear);
  const int w = bmp.Canvas()->TextWidth("M.");
  win::HDC dc = bmp.Canvas()->Handle();
  win::SetMapMode(dc, win::MM_ANISOTROPIC);
  win::SetWindowOrgEx(dc, 100, 0, nullptr);
  win::SetViewportExtEx(dc, -1, 1, nullptr);
  bmp.Canvas()->TextOut(0, 0, "M.");
  const TRect ink = InkBounds(bmp, 0xFFFFFF);
  ASSERT_FALSE(ink.IsEmpty());
  EXPECT_GE(ink.Left, 100 - w - 1);
  EXPECT_LE(ink.Right, 100);
  // The tall "M" comes first (left), the low dot after it: glyphs are not reversed.
  const TRect m = InkBounds(bmp, 0xFFFFFF, {100 - w, 0, 100 - w / 2, 20});
  const TRect dot = InkBounds(bmp, 0xFFFFFF, {100 - w / 2, 0, 100, 20});
  EXPECT_LT(m.Top, dot.Top);

  // A line from logical 0 to 10 covers the ten rightmost pixels.
  Clear(bmp);
  win::MoveToEx(dc, 0, 15, nullptr);
  win::LineTo(dc, 10, 15);
  EXPECT_EQ(At(bmp, 99, 15), 0u);
  EXPECT_EQ(At(bmp, 90, 15), 0u);
  EXPECT_EQ(At(bmp, 89, 15), 0xFFFFFFu);
}

TEST(GraphicsContext, SaveAndRestoreKeepObjectsColoursAndMapping) {
  TBitmap bmp(10, 10);
  win::HDC dc = bmp.Canvas()->Handle();
  win::HFONT big = win::CreateFont(-30, 0, 0, 0, win::FW_BOLD, 0, 0, 0, win::DEFAULT_CHARSET, 0, 0, 0, 0, "sans-serif");
  win::HGDIOBJ original = win::GetCurrentObject(dc, win::OBJ_FONT);
  win::SetTextColor(dc, RGB(1, 2, 3));
  const int level = win::SaveDC(dc);
  win::SelectObject(dc, big);
  win::SetTextColor(dc, RGB(9, 9, 9));
  win::SetViewportOrgEx(dc, 4, 4, nullptr);
  win::SaveDC(dc);
  win::SetBkMode(dc, win::TRANSPARENT);
  win::TEXTMETRIC tm{};
  win::GetTextMetrics(dc, &tm);
  EXPECT_GT(tm.tmHeight, 30);
  EXPECT_EQ(tm.tmWeight, win::FW_BOLD);
  EXPECT_TRUE(win::RestoreDC(dc, -1));
  EXPECT_EQ(win::GetBkMode(dc), win::OPAQUE);
  EXPECT_EQ(win::GetCurrentObject(dc, win::OBJ_FONT), big);
  EXPECT_TRUE(win::RestoreDC(dc, level));
  EXPECT_EQ(win::GetCurrentObject(dc, win::OBJ_FONT), original);
  EXPECT_EQ(win::GetTextColor(dc), RGB(1, 2, 3));
  TPoint org;
  win::GetViewportOrgEx(dc, &org);
  EXPECT_EQ(org, (TPoint{0, 0}));
  EXPECT_FALSE(win::RestoreDC(dc, -1)) << "nothing left to restore";
  win::DeleteObject(big);
}

TEST(GraphicsContext, ThreadsDrawTextAtOnceWithTheSameResults) {
  // The font cache is shared: drawing on several threads must give what one thread gives.
  auto draw = [](TBitmap& bmp, int seed) {
    Clear(bmp);
    bmp.Canvas()->Brush()->SetStyle(bsClear);
    for (int i = 0; i < 12; ++i) {
      bmp.Canvas()->Font()->SetName(i % 2 ? "monospace" : "sans-serif");
      bmp.Canvas()->Font()->SetHeight(-(9 + (i + seed) % 9));
      bmp.Canvas()->Font()->SetStyle(i % 3 ? TFontStyles{} : TFontStyles{fsBold});
      bmp.Canvas()->TextOut(2, 2 + 10 * i, "Threads \xC3\xA4\xC3\xB6\xC3\xBC \xE2\x82\xAC 0123 " + std::to_string(seed));
    }
  };
  constexpr int kThreads = 4;
  std::vector<std::vector<TColorRef>> expected(kThreads);
  for (int t = 0; t < kThreads; ++t) {
    TBitmap ref(160, 130);
    draw(ref, t);
    for (int y = 0; y < 130; ++y)
      for (int x = 0; x < 160; ++x) expected[static_cast<std::size_t>(t)].push_back(At(ref, x, y));
  }
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      TBitmap bmp(160, 130);
      for (int round = 0; round < 5; ++round) {
        draw(bmp, t);
        std::size_t i = 0;
        for (int y = 0; y < 130; ++y)
          for (int x = 0; x < 160; ++x)
            if (At(bmp, x, y) != expected[static_cast<std::size_t>(t)][i++]) ++mismatches[static_cast<std::size_t>(t)];
      }
    });
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[static_cast<std::size_t>(t)], 0) << t;
}

TEST(GraphicsContext, CanvasLockExcludesOtherThreads) {
  TBitmap bmp(2, 2);
  TCanvas* c = bmp.Canvas();
  c->Lock();
  c->Lock();
  EXPECT_EQ(c->LockCount(), 2);
  bool other = true;
  std::thread([&] { other = c->TryLock(); }).join();
  EXPECT_FALSE(other);
  c->Unlock();
  c->Unlock();
  std::thread([&] {
    other = c->TryLock();
    if (other) c->Unlock();
  }).join();
  EXPECT_TRUE(other);
  EXPECT_EQ(c->LockCount(), 0);
}

}  // namespace
}  // namespace lab
