#include "platform/graphics/gdi.h"

#include "platform/graphics/system_metrics.h"

#include <cstring>
#include <vector>


namespace lab::win {
namespace {

std::string_view Prefix(std::string_view text, int count) {
  if (count < 0) {
    const auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
  }
  return text.substr(0, std::min<std::size_t>(static_cast<std::size_t>(count), text.size()));
}

int Kind(const TRegion& r) {
  if (r.IsEmpty()) return NULLREGION;
  return r.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace

HDC CreateCompatibleDC(HDC) { return new TDeviceContext(); }

BOOL DeleteDC(HDC dc) {
  delete dc;
  return dc != nullptr;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) {
  if (!dc || !obj) return nullptr;
  if (obj->ObjectType() == OBJ_REGION) {
    // Selecting a region sets the clip and answers the region kind, as on the device.
    const int kind = dc->SelectClipRgn(&static_cast<TGdiRegion*>(obj)->Region());
    return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(kind));
  }
  return dc->SelectObject(obj);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) { return dc ? dc->CurrentObject(static_cast<int>(type)) : nullptr; }

BOOL DeleteObject(HGDIOBJ obj) {
  if (!obj) return false;
  if (!obj->IsStock()) obj->Release();
  return true;
}

HGDIOBJ GetStockObject(int index) { return StockObject(index); }

int GetObjectType(HGDIOBJ obj) { return obj ? obj->ObjectType() : 0; }

int GetObject(HFONT font, LOGFONT* lf) {
  if (!font) return 0;
  if (lf) *lf = font->LogFont();
  return sizeof(LOGFONT);
}

int GetObject(HBITMAP bitmap, BITMAP* bm) {
  if (!bitmap) return 0;
  if (bm) {
    bm->bmType = 0;
    bm->bmWidth = bitmap->Width();
    bm->bmHeight = bitmap->Height();
    bm->bmWidthBytes = bitmap->Width() * 4;
    bm->bmPlanes = 1;
    bm->bmBitsPixel = bitmap->Monochrome() ? 1 : 32;
    bm->bmBits = nullptr;
  }
  return sizeof(BITMAP);
}

int GetObject(HPEN pen, LOGPEN* lp) {
  if (!pen) return 0;
  if (lp) *lp = {pen->FullStyle(), {pen->Width(), 0}, pen->Color()};
  return sizeof(LOGPEN);
}

int GetObject(HBRUSH brush, LOGBRUSH* lb) {
  if (!brush) return 0;
  if (lb) *lb = {brush->Style(), brush->Color(), static_cast<std::uintptr_t>(brush->Hatch())};
  return sizeof(LOGBRUSH);
}

HFONT CreateFontIndirect(const LOGFONT* lf) { return lf ? new TGdiFont(*lf) : nullptr; }

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strike_out, DWORD charset, DWORD out_precision, DWORD clip_precision,
                 DWORD quality, DWORD pitch_and_family, const char* face_name) {
  LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic ? 1 : 0);
  lf.lfUnderline = static_cast<BYTE>(underline ? 1 : 0);
  lf.lfStrikeOut = static_cast<BYTE>(strike_out ? 1 : 0);
  lf.lfCharSet = static_cast<BYTE>(charset);
  lf.lfOutPrecision = static_cast<BYTE>(out_precision);
  lf.lfClipPrecision = static_cast<BYTE>(clip_precision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitch_and_family);
  if (face_name) std::strncpy(lf.lfFaceName, face_name, sizeof lf.lfFaceName - 1);
  return CreateFontIndirect(&lf);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  UINT s = static_cast<UINT>(style) & PS_STYLE_MASK;
  if (width > 1 && s != PS_NULL && s != PS_INSIDEFRAME) s = PS_SOLID;
  return new TGdiPen(s, width, color & 0xFFFFFF);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD, const DWORD*) {
  const COLORREF color = brush ? brush->lbColor : 0;
  if (brush && brush->lbStyle == BS_NULL) return new TGdiPen(PS_NULL, 0, 0);
  if ((style & PS_TYPE_MASK) == PS_COSMETIC) width = 1;
  return new TGdiPen(style, static_cast<int>(width), color & 0xFFFFFF);
}

HBRUSH CreateSolidBrush(COLORREF color) { return new TGdiBrush(BS_SOLID, color & 0xFFFFFF, 0); }

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  return new TGdiBrush(BS_HATCHED, color & 0xFFFFFF, hatch);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) { return bitmap ? new TGdiBrush(*bitmap) : nullptr; }

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb->lbColor);
    case BS_NULL: return new TGdiBrush(BS_NULL, 0, 0);
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    default: return nullptr;
  }
}

HBRUSH GetSysColorBrush(int index) { return SystemColorBrush(index); }

HBITMAP CreateBitmap(int width, int height, UINT, UINT bits_per_pixel, const void* bits) {
  if (width < 0 || height < 0) return nullptr;
  const bool mono = bits_per_pixel == 1;
  TGdiBitmap* bm;
  try {
    bm = new TGdiBitmap(width, height, mono);
  } catch (const EOutOfResources&) {
    return nullptr;  // the device layer answers with no handle
  }
  if (bits && (bits_per_pixel == 1 || bits_per_pixel == 32)) {
    const auto* src = static_cast<const std::uint8_t*>(bits);
    const std::size_t stride =
        mono ? (static_cast<std::size_t>(width) + 15) / 16 * 2 : static_cast<std::size_t>(width) * 4;
    bm->BeginDirect();
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* row = src + stride * y;
      std::uint32_t* dst = bm->Row(y);
      for (int x = 0; x < width; ++x) {
        if (mono) {
          dst[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 0xFFFFFFFFu : 0xFF000000u;
        } else {
          std::uint32_t v;
          std::memcpy(&v, row + 4 * x, 4);
          dst[x] = v | 0xFF000000u;
        }
      }
    }
    bm->EndDirect();
  }
  return bm;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  const bool mono = dc && dc->Bitmap() == DefaultBitmap();
  return CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
}

COLORREF GetSysColor(int index) { return SystemColorRGB(index); }

COLORREF GetNearestColor(HDC, COLORREF color) { return color & 0xFFFFFF; }

int GetDeviceCaps(HDC, int index) {
  switch (index) {
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case RASTERCAPS: return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE: return 0;
    default: return 0;
  }
}

COLORREF SetTextColor(HDC dc, COLORREF c) { return dc ? dc->SetTextColor(c) : CLR_INVALID; }
COLORREF GetTextColor(HDC dc) { return dc ? dc->TextColor() : CLR_INVALID; }
COLORREF SetBkColor(HDC dc, COLORREF c) { return dc ? dc->SetBkColor(c) : CLR_INVALID; }
COLORREF GetBkColor(HDC dc) { return dc ? dc->BkColor() : CLR_INVALID; }
int SetBkMode(HDC dc, int mode) { return dc ? dc->SetBkMode(mode) : 0; }
int GetBkMode(HDC dc) { return dc ? dc->BkMode() : 0; }
int SetROP2(HDC dc, int mode) { return dc ? dc->SetROP2(mode) : 0; }
int GetROP2(HDC dc) { return dc ? dc->ROP2() : 0; }
UINT SetTextAlign(HDC dc, UINT align) { return dc ? dc->SetTextAlign(align) : 0; }
UINT GetTextAlign(HDC dc) { return dc ? dc->TextAlign() : 0; }
int SetTextCharacterExtra(HDC dc, int extra) { return dc ? dc->SetTextCharacterExtra(extra) : 0; }
int GetTextCharacterExtra(HDC dc) { return dc ? dc->TextCharacterExtra() : 0; }

BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) {
  if (!dc) return false;
  const POINT prev = dc->SetBrushOrg({x, y});
  if (old) *old = prev;
  return true;
}

int SetPolyFillMode(HDC dc, int mode) { return dc ? dc->SetPolyFillMode(mode) : 0; }

int SetMapMode(HDC dc, int mode) { return dc ? dc->SetMapMode(mode) : 0; }
int GetMapMode(HDC dc) { return dc ? dc->MapMode() : 0; }

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) {
  if (!dc) return false;
  const POINT prev = dc->SetWindowOrg({x, y});
  if (old) *old = prev;
  return true;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
  if (!dc) return false;
  const POINT prev = dc->SetViewportOrg({x, y});
  if (old) *old = prev;
  return true;
}

BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old) {
  if (!dc) return false;
  const POINT p = dc->WindowOrg();
  return SetWindowOrgEx(dc, p.X + dx, p.Y + dy, old);
}

BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old) {
  if (!dc) return false;
  const POINT p = dc->ViewportOrg();
  return SetViewportOrgEx(dc, p.X + dx, p.Y + dy, old);
}

BOOL GetWindowOrgEx(HDC dc, POINT* p) {
  if (!dc || !p) return false;
  *p = dc->WindowOrg();
  return true;
}

BOOL GetViewportOrgEx(HDC dc, POINT* p) {
  if (!dc || !p) return false;
  *p = dc->ViewportOrg();
  return true;
}

BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* old) {
  if (!dc) return false;
  const SIZE prev = dc->SetWindowExt({x, y});
  if (old) *old = prev;
  return true;
}

BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* old) {
  if (!dc) return false;
  const SIZE prev = dc->SetViewportExt({x, y});
  if (old) *old = prev;
  return true;
}

BOOL GetWindowExtEx(HDC dc, SIZE* s) {
  if (!dc || !s) return false;
  *s = dc->WindowExt();
  return true;
}

BOOL GetViewportExtEx(HDC dc, SIZE* s) {
  if (!dc || !s) return false;
  *s = dc->ViewportExt();
  return true;
}

BOOL LPtoDP(HDC dc, POINT* points, int count) {
  if (!dc || (!points && count > 0)) return false;
  for (int i = 0; i < count; ++i) points[i] = dc->LPtoDP(points[i]);
  return true;
}

BOOL DPtoLP(HDC dc, POINT* points, int count) {
  if (!dc || (!points && count > 0)) return false;
  for (int i = 0; i < count; ++i) points[i] = dc->DPtoLP(points[i]);
  return true;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return new TGdiRegion(TRegion(NormalizeRect({left, top, right, bottom})));
}

HRGN CreateRectRgnIndirect(const RECT* r) { return r ? CreateRectRgn(r->Left, r->Top, r->Right, r->Bottom) : nullptr; }

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  if (!dest || !a || (mode != RGN_COPY && !b)) return ERROR;
  TRegion r = a->Region();
  switch (mode) {
    case RGN_AND: r.Intersect(b->Region()); break;
    case RGN_OR: r.Unite(b->Region()); break;
    case RGN_XOR: r.Xor(b->Region()); break;
    case RGN_DIFF: r.Subtract(b->Region()); break;
    case RGN_COPY: break;
    default: return ERROR;
  }
  dest->Region() = std::move(r);
  return Kind(dest->Region());
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  if (!rgn) return ERROR;
  rgn->Region().Offset(dx, dy);
  return Kind(rgn->Region());
}

BOOL PtInRegion(HRGN rgn, int x, int y) { return rgn && rgn->Region().Contains({x, y}); }
BOOL RectInRegion(HRGN rgn, const RECT* r) { return rgn && r && rgn->Region().Intersects(*r); }

int GetRgnBox(HRGN rgn, RECT* r) {
  if (!rgn || !r) return ERROR;
  *r = rgn->Region().Bounds();
  return Kind(rgn->Region());
}

BOOL EqualRgn(HRGN a, HRGN b) { return a && b && a->Region().SamePixels(b->Region()); }

int SelectClipRgn(HDC dc, HRGN rgn) {
  if (!dc) return ERROR;
  return dc->SelectClipRgn(rgn ? &rgn->Region() : nullptr);
}

int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode) {
  if (!dc) return ERROR;
  return dc->ExtSelectClipRgn(rgn ? &rgn->Region() : nullptr, mode);
}

int GetClipRgn(HDC dc, HRGN rgn) {
  if (!dc || !rgn) return -1;
  return dc->GetClipRgn(rgn->Region()) ? 1 : 0;
}

int GetClipBox(HDC dc, RECT* r) {
  if (!dc || !r) return ERROR;
  return dc->GetClipBox(*r);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom) {
  return dc ? dc->IntersectClipRect({left, top, right, bottom}) : ERROR;
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
  return dc ? dc->ExcludeClipRect({left, top, right, bottom}) : ERROR;
}

int OffsetClipRgn(HDC dc, int dx, int dy) { return dc ? dc->OffsetClipRgn(dx, dy) : ERROR; }
BOOL PtVisible(HDC dc, int x, int y) { return dc && dc->PtVisible({x, y}); }
BOOL RectVisible(HDC dc, const RECT* r) { return dc && r && dc->RectVisible(*r); }
int SaveDC(HDC dc) { return dc ? dc->SaveDC() : 0; }
BOOL RestoreDC(HDC dc, int saved) { return dc && dc->RestoreDC(saved); }

BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
  if (!dc) return false;
  if (old) *old = dc->CurrentPosition();
  dc->MoveTo({x, y});
  return true;
}

BOOL LineTo(HDC dc, int x, int y) {
  if (!dc) return false;
  dc->LineTo({x, y});
  return true;
}

BOOL GetCurrentPositionEx(HDC dc, POINT* p) {
  if (!dc || !p) return false;
  *p = dc->CurrentPosition();
  return true;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  if (!dc || !points || count < 2) return false;
  dc->Polyline(std::span<const TPoint>(points, static_cast<std::size_t>(count)));
  return true;
}

BOOL PolyPolyline(HDC dc, const POINT* points, const DWORD* counts, DWORD polylines) {
  if (!dc || !points || !counts) return false;
  std::size_t total = 0;
  for (DWORD i = 0; i < polylines; ++i) total += counts[i];
  dc->PolyPolyline(std::span<const TPoint>(points, total), std::span<const DWORD>(counts, polylines));
  return true;
}

BOOL Polygon(HDC dc, const POINT* points, int count) {
  if (!dc || !points || count < 2) return false;
  dc->Polygon(std::span<const TPoint>(points, static_cast<std::size_t>(count)));
  return true;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  if (!dc) return false;
  dc->Rectangle(NormalizeRect({left, top, right, bottom}));
  return true;
}

int FillRect(HDC dc, const RECT* r, HBRUSH brush) {
  if (!dc || !r || !brush) return 0;
  dc->FillRect(*r, brush);
  return 1;
}

int FrameRect(HDC dc, const RECT* r, HBRUSH brush) {
  if (!dc || !r || !brush) return 0;
  dc->FrameRect(*r, brush);
  return 1;
}

BOOL InvertRect(HDC dc, const RECT* r) {
  if (!dc || !r) return false;
  dc->InvertRect(*r);
  return true;
}

BOOL DrawFocusRect(HDC dc, const RECT* r) {
  if (!dc || !r) return false;
  dc->DrawFocusRect(*r);
  return true;
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  return dc && dc->PatBlt(x, y, width, height, rop);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF c) { return dc ? dc->SetPixel({x, y}, c) : CLR_INVALID; }
COLORREF GetPixel(HDC dc, int x, int y) { return dc ? dc->GetPixel({x, y}) : CLR_INVALID; }

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) {
  return dest && dest->BitBlt(x, y, width, height, src, sx, sy, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int swidth, int sheight,
                DWORD rop) {
  return dest && dest->StretchBlt(x, y, width, height, src, sx, sy, swidth, sheight, rop);
}

BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int swidth,
                    int sheight, UINT transparent) {
  return dest && src && dest->TransparentBlt(x, y, width, height, src, sx, sy, swidth, sheight, transparent);
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT) {
  if (!bitmap || !info) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  const int width = bitmap->Width(), height = bitmap->Height();
  if (h.biBitCount == 0) {
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = bitmap->Indexed() ? 8 : 32;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(((width * h.biBitCount / 8 + 3) & ~3) * height);
    return height;
  }
  const bool to_index = h.biBitCount == 8;
  if (to_index ? !bitmap->Indexed() : (h.biBitCount != 24 && h.biBitCount != 32)) return 0;
  const int bpp = h.biBitCount / 8;
  const std::size_t stride = (static_cast<std::size_t>(width) * bpp + 3) & ~std::size_t{3};
  h.biWidth = width;
  h.biSizeImage = static_cast<DWORD>(stride * height);
  if (to_index) {
    const auto& palette = bitmap->Palette();
    h.biClrUsed = static_cast<DWORD>(palette.size());
    for (std::size_t i = 0; i < 256; ++i) {
      const std::uint32_t c = i < palette.size() ? palette[i] : 0;
      info->bmiColors[i] = {static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16), 0};
    }
  }
  if (!bits) return height;
  const bool bottom_up = h.biHeight >= 0;
  auto* out = static_cast<std::uint8_t*>(bits);
  bitmap->BeginDirect();
  int copied = 0;
  // Scan line `start` is the bottom row for a bottom-up layout, the top one otherwise.
  for (UINT i = 0; i < lines; ++i) {
    const int line = static_cast<int>(start + i);
    if (line >= height) break;
    const int y = bottom_up ? height - 1 - line : line;
    const std::uint32_t* src = bitmap->Row(y);
    std::uint8_t* dst = out + stride * i;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = src[x];
      if (to_index) {
        dst[x] = static_cast<std::uint8_t>(bitmap->NearestIndex(p));
        continue;
      }
      dst[bpp * x] = static_cast<std::uint8_t>(p);
      dst[bpp * x + 1] = static_cast<std::uint8_t>(p >> 8);
      dst[bpp * x + 2] = static_cast<std::uint8_t>(p >> 16);
      if (bpp == 4) dst[bpp * x + 3] = 0;
    }
    ++copied;
  }
  return copied;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, void*, DWORD) {
  if (bits) *bits = nullptr;
  if (!info) return nullptr;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const int width = h.biWidth, height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (width < 0 || h.biHeight == INT32_MIN) return nullptr;
  HBITMAP bm = CreateBitmap(width, height, 1, h.biBitCount == 1 ? 1 : 32, nullptr);
  if (bm && h.biBitCount == 8) {
    const std::size_t used = h.biClrUsed && h.biClrUsed <= 256 ? h.biClrUsed : 256;
    std::vector<std::uint32_t> palette(used);
    for (std::size_t i = 0; i < used; ++i) {
      const RGBQUAD& q = info->bmiColors[i];
      palette[i] = (static_cast<std::uint32_t>(q.rgbRed) << 16) | (q.rgbGreen << 8) | q.rgbBlue;
    }
    bm->SetPalette(std::move(palette));
  }
  return bm;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  if (!dc || !colors || !dc->Bitmap() || !dc->Bitmap()->Indexed()) return 0;
  std::vector<std::uint32_t> palette = dc->Bitmap()->Palette();
  UINT set = 0;
  for (UINT i = 0; i < count && start + i < palette.size(); ++i, ++set)
    palette[start + i] = (static_cast<std::uint32_t>(colors[i].rgbRed) << 16) | (colors[i].rgbGreen << 8) |
                         colors[i].rgbBlue;
  dc->Bitmap()->SetPalette(std::move(palette));
  return set;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  if (!dc || !colors || !dc->Bitmap() || !dc->Bitmap()->Indexed()) return 0;
  const auto& palette = dc->Bitmap()->Palette();
  UINT got = 0;
  for (UINT i = 0; i < count && start + i < palette.size(); ++i, ++got) {
    const std::uint32_t c = palette[start + i];
    colors[i] = {static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16), 0};
  }
  return got;
}

BOOL TextOut(HDC dc, int x, int y, std::string_view text, int count) {
  if (!dc) return false;
  dc->ExtTextOut(x, y, 0, nullptr, Prefix(text, count));
  return true;
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, std::string_view text, int count,
                const int* dx) {
  if (!dc) return false;
  dc->ExtTextOut(x, y, options, r, Prefix(text, count), dx);
  return true;
}

BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, std::u32string_view text, const int* dx) {
  if (!dc) return false;
  dc->ExtTextOut(x, y, options, r, text, dx);
  return true;
}

BOOL GetTextExtentPoint32(HDC dc, std::string_view text, int count, SIZE* size) {
  if (!dc || !size) return false;
  *size = dc->GetTextExtent(Prefix(text, count));
  return true;
}

BOOL GetTextExtentPoint32(HDC dc, std::u32string_view text, SIZE* size) {
  if (!dc || !size) return false;
  *size = dc->GetTextExtent(text);
  return true;
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm) {
  if (!dc || !tm) return false;
  *tm = dc->GetTextMetrics();
  return true;
}

UINT GetOutlineTextMetrics(HDC dc, UINT, OUTLINETEXTMETRIC* otm) {
  if (!dc) return 0;
  if (otm) dc->GetOutlineTextMetrics(*otm);
  return sizeof(OUTLINETEXTMETRIC);
}

BOOL GetCharABCWidths(HDC dc, UINT first, UINT last, ABC* abc) {
  if (!dc || !abc || last < first) return false;
  for (UINT c = first; c <= last; ++c) abc[c - first] = dc->GetCharABCWidths(c);
  return true;
}

BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int* widths) {
  if (!dc || !widths || last < first) return false;
  for (UINT c = first; c <= last; ++c) widths[c - first] = dc->GetCharWidth(c);
  return true;
}

int GetTextFace(HDC dc, std::string* face) {
  if (!dc) return 0;
  std::string f = dc->GetTextFace();
  if (face) *face = f;
  return static_cast<int>(f.size());
}

DWORD GetFontLanguageInfo(HDC) { return 0; }

}  // namespace lab::win
