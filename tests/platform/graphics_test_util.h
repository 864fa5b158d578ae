#pragma once
// Helpers for the graphics tests: pixel reads and, when LAB_TEST_PNG_DIR is set, PNG copies of the
// surfaces for a person to look at.

#include <cstdlib>
#include <string>

#include "platform/graphics/bitmap.h"
#include "platform/graphics/png_file.h"

namespace lab::test {

inline TColorRef At(TBitmap& bmp, int x, int y) { return ColorOfPixel(bmp.ScanLine(y)[x]); }

inline void SaveForInspection(TBitmap& bmp, const std::string& name) {
  if (const char* dir = std::getenv("LAB_TEST_PNG_DIR")) SaveSurfaceToPNG(bmp.Handle(), std::string(dir) + "/" + name + ".png");
}

// Bounds of the pixels that differ from `background` (empty when none).
inline TRect InkBounds(TBitmap& bmp, TColorRef background, const TRect& area) {
  TRect ink;
  for (int y = area.Top; y < area.Bottom; ++y)
    for (int x = area.Left; x < area.Right; ++x)
      if (At(bmp, x, y) != background) ink = UnionRect(ink, {x, y, x + 1, y + 1});
  return ink;
}

inline TRect InkBounds(TBitmap& bmp, TColorRef background) {
  return InkBounds(bmp, background, {0, 0, bmp.Width(), bmp.Height()});
}

// A white bitmap of the given size.
inline void Clear(TBitmap& bmp, TColor color = clWhite) {
  bmp.Canvas()->Brush()->SetColor(color);
  bmp.Canvas()->Brush()->SetStyle(bsSolid);
  bmp.Canvas()->FillRect({0, 0, bmp.Width(), bmp.Height()});
}

}  // namespace lab::test
