#include <gtest/gtest.h>

#include <string>

#include "graphics_test_util.h"
#include "platform/graphics/themes.h"
#include "platform/graphics/edges.h"
#include "platform/graphics/system_metrics.h"

namespace lab {
namespace {

using test::At;
using test::Clear;

TColorRef Sys(int index) { return win::GetSysColor(index); }

TEST(GraphicsEdges, RaisedAndSunkenEdgesColourTheirCorners) {
  TBitmap bmp(10, 8);
  Clear(bmp, clFuchsia);
  win::HDC dc = bmp.Canvas()->Handle();
  TRect r{0, 0, 10, 8};
  ASSERT_TRUE(win::DrawEdge(dc, &r, win::EDGE_RAISED, win::BF_RECT | win::BF_MIDDLE | win::BF_ADJUST));
  EXPECT_EQ(r, (TRect{2, 2, 8, 6}));
  EXPECT_EQ(At(bmp, 0, 0), Sys(syscolor::Light3D));
  EXPECT_EQ(At(bmp, 1, 1), Sys(syscolor::BtnHighlight));
  EXPECT_EQ(At(bmp, 9, 7), Sys(syscolor::DkShadow3D));
  EXPECT_EQ(At(bmp, 8, 6), Sys(syscolor::BtnShadow));
  // The far corners belong to the bottom and right edges.
  EXPECT_EQ(At(bmp, 9, 0), Sys(syscolor::DkShadow3D));
  EXPECT_EQ(At(bmp, 0, 7), Sys(syscolor::DkShadow3D));
  EXPECT_EQ(At(bmp, 5, 4), Sys(syscolor::BtnFace));

  Clear(bmp, clFuchsia);
  r = {0, 0, 10, 8};
  win::DrawEdge(dc, &r, win::EDGE_SUNKEN, win::BF_RECT);
  EXPECT_EQ(At(bmp, 0, 0), Sys(syscolor::BtnShadow));
  EXPECT_EQ(At(bmp, 1, 1), Sys(syscolor::DkShadow3D));
  EXPECT_EQ(At(bmp, 9, 7), Sys(syscolor::BtnHighlight));
  EXPECT_EQ(At(bmp, 8, 6), Sys(syscolor::Light3D));
  EXPECT_EQ(At(bmp, 5, 4), 0xFF00FFu) << "no middle without BF_MIDDLE";
  EXPECT_EQ(r, (TRect{0, 0, 10, 8})) << "no BF_ADJUST";

  // The grid's cell edges: inner borders on chosen sides only.
  Clear(bmp, clFuchsia);
  r = {0, 0, 10, 8};
  win::DrawEdge(dc, &r, win::BDR_SUNKENINNER, win::BF_LEFT | win::BF_TOP);
  EXPECT_EQ(At(bmp, 0, 0), Sys(syscolor::DkShadow3D));
  EXPECT_EQ(At(bmp, 0, 7), Sys(syscolor::DkShadow3D));
  EXPECT_EQ(At(bmp, 9, 7), 0xFF00FFu);
  r = {0, 0, 10, 8};
  win::DrawEdge(dc, &r, win::BDR_RAISEDINNER, win::BF_RIGHT | win::BF_BOTTOM);
  EXPECT_EQ(At(bmp, 9, 7), Sys(syscolor::BtnShadow));
  EXPECT_EQ(At(bmp, 9, 0), Sys(syscolor::BtnShadow));

  Clear(bmp, clFuchsia);
  r = {0, 0, 10, 8};
  win::DrawEdge(dc, &r, win::EDGE_RAISED, win::BF_RECT | win::BF_FLAT);
  EXPECT_EQ(At(bmp, 0, 0), Sys(syscolor::BtnShadow));
  EXPECT_EQ(At(bmp, 9, 7), Sys(syscolor::BtnShadow));
  EXPECT_EQ(At(bmp, 1, 1), Sys(syscolor::BtnFace));
  r = {0, 0, 10, 8};
  EXPECT_FALSE(win::DrawEdge(dc, &r, win::EDGE_RAISED, win::BF_DIAGONAL | win::BF_RECT));
}

TEST(GraphicsEdges, FrameControlCheckBoxesAndButtons) {
  TBitmap bmp(13, 13);
  Clear(bmp, clFuchsia);
  win::HDC dc = bmp.Canvas()->Handle();
  TRect r{0, 0, 13, 13};
  ASSERT_TRUE(win::DrawFrameControl(dc, &r, win::DFC_BUTTON, win::DFCS_BUTTONCHECK));
  EXPECT_EQ(At(bmp, 0, 0), Sys(syscolor::BtnShadow));
  EXPECT_EQ(At(bmp, 12, 12), Sys(syscolor::BtnHighlight));
  EXPECT_EQ(At(bmp, 6, 6), Sys(syscolor::Window));
  EXPECT_TRUE(test::InkBounds(bmp, Sys(syscolor::Window), {2, 2, 11, 11}).IsEmpty()) << "unchecked: empty box";

  win::DrawFrameControl(dc, &r, win::DFC_BUTTON, win::DFCS_BUTTONCHECK | win::DFCS_CHECKED);
  const TRect mark = test::InkBounds(bmp, Sys(syscolor::Window), {2, 2, 11, 11});
  EXPECT_EQ(mark.Width(), 7);
  EXPECT_EQ(mark.Height(), 7);
  EXPECT_EQ(At(bmp, mark.Left, mark.Top + 2), Sys(syscolor::WindowText));

  win::DrawFrameControl(dc, &r, win::DFC_BUTTON, win::DFCS_BUTTONCHECK | win::DFCS_INACTIVE);
  EXPECT_EQ(At(bmp, 6, 6), Sys(syscolor::BtnFace));

  win::DrawFrameControl(dc, &r, win::DFC_BUTTON, win::DFCS_BUTTONCHECK | win::DFCS_FLAT | win::DFCS_CHECKED);
  EXPECT_EQ(At(bmp, 0, 0), Sys(syscolor::BtnShadow));
  EXPECT_EQ(At(bmp, 12, 12), Sys(syscolor::BtnShadow));

  r = {0, 0, 13, 13};
  win::DrawFrameControl(dc, &r, win::DFC_BUTTON, win::DFCS_BUTTONPUSH | win::DFCS_ADJUSTRECT);
  EXPECT_EQ(r, (TRect{2, 2, 11, 11}));
  EXPECT_EQ(At(bmp, 0, 0), Sys(syscolor::BtnHighlight)) << "soft raised edge";
  EXPECT_EQ(At(bmp, 12, 12), Sys(syscolor::DkShadow3D));
  EXPECT_EQ(At(bmp, 6, 6), Sys(syscolor::BtnFace));
  r = {0, 0, 13, 13};
  EXPECT_FALSE(win::DrawFrameControl(dc, &r, win::DFC_CAPTION, 0));
}

TEST(GraphicsEdges, ScrollArrowsPointTheirWay) {
  TBitmap bmp(17, 17);
  win::HDC dc = bmp.Canvas()->Handle();
  const TColorRef face = Sys(syscolor::BtnFace), text = Sys(syscolor::BtnText);
  for (win::UINT kind : {win::DFCS_SCROLLUP, win::DFCS_SCROLLDOWN, win::DFCS_SCROLLLEFT, win::DFCS_SCROLLRIGHT}) {
    Clear(bmp);
    TRect r{0, 0, 17, 17};
    ASSERT_TRUE(win::DrawFrameControl(dc, &r, win::DFC_SCROLL, kind));
    EXPECT_EQ(At(bmp, 0, 0), Sys(syscolor::Light3D));
    const TRect arrow = test::InkBounds(bmp, face, {2, 2, 15, 15});
    ASSERT_FALSE(arrow.IsEmpty()) << kind;
    // Count arrow pixels on the arrow's first and last row (or column): the tip is narrower.
    auto count_row = [&](int y) {
      int n = 0;
      for (int x = 0; x < 17; ++x) n += At(bmp, x, y) == text;
      return n;
    };
    auto count_col = [&](int x) {
      int n = 0;
      for (int y = 0; y < 17; ++y) n += At(bmp, x, y) == text;
      return n;
    };
    switch (kind) {
      case win::DFCS_SCROLLUP: EXPECT_LT(count_row(arrow.Top), count_row(arrow.Bottom - 1)); break;
      case win::DFCS_SCROLLDOWN: EXPECT_GT(count_row(arrow.Top), count_row(arrow.Bottom - 1)); break;
      case win::DFCS_SCROLLLEFT: EXPECT_LT(count_col(arrow.Left), count_col(arrow.Right - 1)); break;
      default: EXPECT_GT(count_col(arrow.Left), count_col(arrow.Right - 1)); break;
    }
  }
  // Disabled arrows are embossed: no text colour at all.
  Clear(bmp);
  TRect r{0, 0, 17, 17};
  win::DrawFrameControl(dc, &r, win::DFC_SCROLL, win::DFCS_SCROLLDOWN | win::DFCS_INACTIVE);
  EXPECT_TRUE(test::InkBounds(bmp, text, {0, 0, 0, 0}).IsEmpty());
  bool shadow = false;
  for (int y = 3; y < 14; ++y)
    for (int x = 3; x < 14; ++x) shadow |= At(bmp, x, y) == Sys(syscolor::BtnShadow);
  EXPECT_TRUE(shadow);
}

TEST(GraphicsEdges, SystemMetricsAndThemeSwitch) {
  EXPECT_EQ(win::GetSystemMetrics(win::SM_CXVSCROLL), 17);
  EXPECT_EQ(win::GetSystemMetrics(win::SM_CYHSCROLL), 17);
  EXPECT_EQ(win::GetSystemMetrics(win::SM_CXEDGE), 2);
  EXPECT_EQ(win::GetSystemMetrics(win::SM_CXBORDER), 1);
  EXPECT_EQ(win::GetSystemMetrics(win::SM_CXDOUBLECLK), 4);
  EXPECT_EQ(win::GetSystemMetrics(win::SM_CXSCREEN), 1920);
  EXPECT_EQ(win::GetSystemMetrics(9999), 0);
  win::NONCLIENTMETRICS nc{};
  EXPECT_FALSE(win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof nc, &nc, 0));  // no size set
  nc.cbSize = sizeof nc;
  ASSERT_TRUE(win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof nc, &nc, 0));
  EXPECT_EQ(nc.iCaptionHeight + 1, win::GetSystemMetrics(win::SM_CYCAPTION));
  EXPECT_TRUE(nc.lfCaptionFont.lfWeight == win::FW_BOLD && nc.lfMessageFont.lfWeight == win::FW_NORMAL);
  EXPECT_EQ(std::string(nc.lfMessageFont.lfFaceName) + " " + std::to_string(nc.lfMessageFont.lfHeight), "sans-serif -11");
  EXPECT_FALSE(win::SystemParametersInfo(0, 0, &nc, 0));

  EXPECT_FALSE(ThemeServices().ThemesEnabled()) << "classic drawing unless switched on";
  TBitmap bmp(20, 10);
  Clear(bmp);
  const TRect kLeftHalf{0, 0, 10, 10};
  ThemeServices().DrawElement(bmp.Canvas()->Handle(), {teToolBar, TP_SPLITBUTTON, TS_HOT}, {0, 0, 20, 10},
                              &kLeftHalf);
  EXPECT_NE(At(bmp, 5, 5), 0xFFFFFFu);
  EXPECT_EQ(At(bmp, 15, 5), 0xFFFFFFu) << "clipped";
}

}  // namespace
}  // namespace lab
