// The Win32 names of the window functions resolve beside the drawing functions of gdi.h.

#include "controls_fixture.h"
#include "platform/win/gdi.h"
#include "platform/win/window_functions.h"

namespace lab::testing {
namespace {

using namespace lab::win;

class WinFaceTest : public ControlsTest {};

TEST_F(WinFaceTest, WindowAndDrawingFunctionsWorkTogether) {
  HWND h = Recording(WS_POPUP | WS_VISIBLE, nullptr, 0, 0, 50, 40);
  Pump();
  HDC dc = GetDC(h);
  ASSERT_TRUE(dc);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT r{0, 0, 10, 10};
  FillRect(dc, &r, red);
  ReleaseDC(h, dc);
  // A context held to a region draws only there.
  HRGN clip = CreateRectRgn(20, 0, 30, 10);
  dc = wm::GetDCEx(h, clip, DCX_INTERSECTRGN);
  DeleteObject(clip);
  ASSERT_TRUE(dc);
  r = RECT{0, 0, 50, 40};
  FillRect(dc, &r, red);
  ReleaseDC(h, dc);
  DeleteObject(red);
  TGdiBitmap* surface = wm::WindowSurface(h);
  surface->BeginDirect();
  EXPECT_EQ(ColorOfPixel(surface->Row(5)[5]), RGB(255, 0, 0));
  EXPECT_EQ(ColorOfPixel(surface->Row(5)[25]), RGB(255, 0, 0));
  EXPECT_NE(ColorOfPixel(surface->Row(5)[15]), RGB(255, 0, 0));
  EXPECT_NE(ColorOfPixel(surface->Row(20)[25]), RGB(255, 0, 0));
  EXPECT_EQ(GetCurrentThreadId(), wm::CurrentThreadId());
  EXPECT_TRUE(PostMessage(h, WM_USER, 0, 0));
  MSG m;
  EXPECT_TRUE(PeekMessage(m, h, WM_USER, WM_USER, PM_REMOVE));
}

}  // namespace
}  // namespace lab::testing
