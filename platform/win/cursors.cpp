#include "platform/win/cursors.h"

#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/graphics/system_metrics.h"

namespace lab::win {

HCURSOR LoadCursor(HINSTANCE, int id) {
  switch (id) {
    case IDC_ARROW: return StandardCursor(crArrow);
    case IDC_IBEAM: return StandardCursor(crIBeam);
    case IDC_WAIT: return StandardCursor(crHourGlass);
    case IDC_CROSS: return StandardCursor(crCross);
    case IDC_UPARROW: return StandardCursor(crUpArrow);
    case IDC_SIZE:
    case IDC_SIZEALL: return StandardCursor(crSizeAll);
    case IDC_SIZENWSE: return StandardCursor(crSizeNWSE);
    case IDC_SIZENESW: return StandardCursor(crSizeNESW);
    case IDC_SIZEWE: return StandardCursor(crSizeWE);
    case IDC_SIZENS: return StandardCursor(crSizeNS);
    case IDC_NO: return StandardCursor(crNo);
    case IDC_HAND: return StandardCursor(crHandPoint);
    case IDC_APPSTARTING: return StandardCursor(crAppStart);
    case IDC_HELP: return StandardCursor(crHelp);
    default: return nullptr;
  }
}

HCURSOR LoadCursor(HINSTANCE, std::string_view name) {
  try {
    return LoadCursorResource(name);
  } catch (const Exception&) {
    return nullptr;  // the device layer answers a missing or unreadable cursor with no handle
  }
}

HCURSOR CreateCursor(HINSTANCE, int x_hot, int y_hot, int width, int height, const void* and_plane,
                     const void* xor_plane) {
  if (width <= 0 || height <= 0 || !and_plane || !xor_plane) return nullptr;
  const auto* a = static_cast<const std::uint8_t*>(and_plane);
  const auto* x = static_cast<const std::uint8_t*>(xor_plane);
  const std::size_t stride = (static_cast<std::size_t>(width) + 15) / 16 * 2;
  std::vector<std::uint32_t> px(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int i = 0; i < width; ++i) {
      const bool and_bit = (a[stride * y + i / 8] >> (7 - i % 8)) & 1;
      const bool xor_bit = (x[stride * y + i / 8] >> (7 - i % 8)) & 1;
      // AND 0: black or white; AND 1, XOR 0: transparent; AND 1, XOR 1: inverted (shown black).
      std::uint32_t p = 0;
      if (!and_bit) p = xor_bit ? 0xFFFFFFFFu : 0xFF000000u;
      else if (xor_bit) p = 0xFF000000u;
      px[static_cast<std::size_t>(y) * width + i] = p;
    }
  return new TCursorImage(width, height, {x_hot, y_hot}, std::move(px));
}

BOOL DestroyCursor(HCURSOR cursor) {
  if (!cursor) return false;
  if (!cursor->Shared()) {
    for (int n = -22; n <= 0; ++n)
      if (StandardCursor(static_cast<TCursor>(n)) == cursor) return true;
    delete cursor;
  }
  return true;
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  if (!icon || !info) return false;
  const int w = icon->Width(), h = icon->Height();
  auto* mask = new TGdiBitmap(w, h, true);
  auto* colour = new TGdiBitmap(w, h);
  mask->BeginDirect();
  colour->BeginDirect();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = icon->Pixels()[static_cast<std::size_t>(y) * w + x];
      mask->Row(y)[x] = (p >> 24) >= 128 ? 0xFF000000u : 0xFFFFFFFFu;
      colour->Row(y)[x] = (p >> 24) >= 128 ? (0xFF000000u | p) : 0xFF000000u;
    }
  mask->EndDirect();
  colour->EndDirect();
  *info = {false, static_cast<DWORD>(icon->HotSpot().X), static_cast<DWORD>(icon->HotSpot().Y), mask, colour};
  return true;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH flicker_free, UINT flags) {
  if (!dc || !icon) return false;
  if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXCURSOR) : icon->Width();
  if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYCURSOR) : icon->Height();
  if (flicker_free) dc->FillRect({x, y, x + cx, y + cy}, flicker_free);
  if ((flags & DI_NORMAL) == DI_MASK) {
    // The mask alone: black where the image shows.
    std::vector<std::uint32_t> mask(icon->Pixels().size());
    for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = (icon->Pixels()[i] >> 24) >= 128 ? 0xFF000000u : 0;
    dc->BlendImage(x, y, cx, cy, mask.data(), icon->Width(), icon->Height());
    return true;
  }
  dc->BlendImage(x, y, cx, cy, icon->Pixels().data(), icon->Width(), icon->Height());
  return true;
}

}  // namespace lab::win
