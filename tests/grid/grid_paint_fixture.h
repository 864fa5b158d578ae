#pragma once
// Painting a grid for the tests: a shown form with the grid at a known place and size, the grid's
// pixels in its own client coordinates, and the rectangles of its cells.

#include <string>

#include "grid_fixture.h"
#include "platform/controls/input.h"
#include "platform/controls/painting.h"
#include "platform/controls/window_manager.h"
#include "platform/graphics/png_file.h"

namespace lab::gridtest {

class GridPaintTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    form->SetColor(clWhite);
    grid->SetBounds(0, 0, 380, 260);
  }
  // Shows the form (once) and lets every pending paint happen.
  void Paint() {
    if (!form->Visible()) form->Show();
    grid->Invalidate();
    Pump();
  }
  // The colour at a point of the grid's client area (0x00BBGGRR).
  win::COLORREF Pixel(int x, int y) {
    // The surface holds the form's client area; the grid's client area starts inside its border.
    win::POINT p{x, y};
    wm::MapWindowPoints(grid->Handle(), form->Handle(), &p, 1);
    TGdiBitmap* s = wm::WindowSurface(form->Handle());
    s->BeginDirect();
    return ColorOfPixel(s->Row(p.Y)[p.X]);
  }
  bool Is(win::COLORREF c, TColor expected) { return c == ColorToRGB(expected); }
  // Pixels of Color within a rectangle of the grid's client area.
  int Count(const TRect& r, TColor color) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (Pixel(x, y) == ColorToRGB(color)) ++n;
    return n;
  }
  // Pixels that are not Color.
  int CountOther(const TRect& r, TColor color) { return r.Width() * r.Height() - Count(r, color); }
  TRect Cell(int col, int row) { return grid->CellRect(col, row); }
  // Presses a key with modifiers held, as the keyboard would, and lets what it caused happen.
  void Press(win::UINT vk, TShiftState shift = {}) {
    if (shift.Contains(ssCtrl)) input::KeyDown(win::VK_CONTROL);
    if (shift.Contains(ssShift)) input::KeyDown(win::VK_SHIFT);
    input::KeyDown(vk);
    input::KeyUp(vk);
    if (shift.Contains(ssShift)) input::KeyUp(win::VK_SHIFT);
    if (shift.Contains(ssCtrl)) input::KeyUp(win::VK_CONTROL);
    Pump();
  }
  // For looking at a failure: the form as a PNG in the build folder.
  void Save(const std::string& name) {
    // Appended in place: g++ 12 takes the moves of a chain of + for writes out of bounds.
    std::string path(LAB_BUILD_DIR);
    path.append("/").append(name).append(".png");
    SaveSurfaceToPNG(wm::WindowSurface(form->Handle()), path);
  }
};

}  // namespace lab::gridtest
