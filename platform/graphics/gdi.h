#pragma once
// Win32-style drawing functions over the graphics layer: device contexts (HDC is a TDeviceContext),
// device objects, mapping, clipping, lines, fills, block transfers and text. Text is UTF-8 (or UTF-32);
// a count of -1 means the whole string, otherwise it counts bytes of the UTF-8 text; per-character
// advance arrays hold one entry per character (code point), in logical order. Text with
// right-to-left letters is shown in display order unless ETO_IGNORELANGUAGE is given.

#include <span>
#include <string>
#include <string_view>

#include "platform/graphics/device_context.h"
#include "platform/graphics/gdi_types.h"

namespace lab::win {

using HDC = TDeviceContext*;
using BOOL = bool;
using HINSTANCE = void*;

// --- device contexts and objects
// A memory context (the argument is ignored: every device is 32-bit).
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
BOOL DeleteObject(HGDIOBJ obj);
HGDIOBJ GetStockObject(int index);
int GetObjectType(HGDIOBJ obj);
int GetObject(HFONT font, LOGFONT* lf);
int GetObject(HBITMAP bitmap, BITMAP* bm);
int GetObject(HPEN pen, LOGPEN* lp);
int GetObject(HBRUSH brush, LOGBRUSH* lb);

HFONT CreateFontIndirect(const LOGFONT* lf);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strike_out, DWORD charset, DWORD out_precision, DWORD clip_precision,
                 DWORD quality, DWORD pitch_and_family, const char* face_name);
HPEN CreatePen(int style, int width, COLORREF color);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD style_count, const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);
// Shared brushes of the system colours (not to be deleted).
HBRUSH GetSysColorBrush(int index);
// Rows of `bits` are word-aligned, top row first; 1 and 32 bits per pixel are understood.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits);
// A bitmap like the one selected into dc: monochrome when dc holds its initial 1×1 bitmap.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);

COLORREF GetSysColor(int index);
// Every colour is exact on 32-bit surfaces.
COLORREF GetNearestColor(HDC dc, COLORREF color);

constexpr int HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, NUMCOLORS = 24, RASTERCAPS = 38,
              LOGPIXELSX = 88, LOGPIXELSY = 90, SIZEPALETTE = 104, TECHNOLOGY = 2;
constexpr int DT_RASDISPLAY = 1;
constexpr int RC_BITBLT = 1, RC_BANDING = 2, RC_SCALING = 4, RC_BITMAP64 = 8, RC_DI_BITMAP = 0x80,
              RC_PALETTE = 0x100, RC_DIBTODEV = 0x200, RC_STRETCHBLT = 0x800, RC_STRETCHDIB = 0x2000;
int GetDeviceCaps(HDC dc, int index);

// --- attributes
COLORREF SetTextColor(HDC dc, COLORREF c);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF c);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);
int SetPolyFillMode(HDC dc, int mode);

// --- mapping
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL GetWindowOrgEx(HDC dc, POINT* p);
BOOL GetViewportOrgEx(HDC dc, POINT* p);
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* old);
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* old);
BOOL GetWindowExtEx(HDC dc, SIZE* s);
BOOL GetViewportExtEx(HDC dc, SIZE* s);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);

// --- regions and clipping
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* r);
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* r);
int GetRgnBox(HRGN rgn, RECT* r);
BOOL EqualRgn(HRGN a, HRGN b);
int SelectClipRgn(HDC dc, HRGN rgn);
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);
// 1 and a copy in rgn when there is a clip region, 0 when there is none.
int GetClipRgn(HDC dc, HRGN rgn);
int GetClipBox(HDC dc, RECT* r);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* r);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);

// --- lines and fills
BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL LineTo(HDC dc, int x, int y);
BOOL GetCurrentPositionEx(HDC dc, POINT* p);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL PolyPolyline(HDC dc, const POINT* points, const DWORD* counts, DWORD polylines);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
int FillRect(HDC dc, const RECT* r, HBRUSH brush);
int FrameRect(HDC dc, const RECT* r, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* r);
BOOL DrawFocusRect(HDC dc, const RECT* r);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF c);
COLORREF GetPixel(HDC dc, int x, int y);

// --- block transfers
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int swidth,
                int sheight, DWORD rop);
BOOL TransparentBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int swidth,
                    int sheight, UINT transparent);

struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LONG biWidth = 0;
  LONG biHeight = 0;
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};
struct RGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[256];
};
constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;
// Copies rows of a bitmap as device-independent pixels, rows padded to 4 bytes, bottom-up for a
// positive biHeight: 24 or 32 bits (blue, green, red) from any bitmap, or 8-bit palette indexes
// (with the palette in bmiColors) from a palette bitmap made by CreateDIBSection. With
// bits == nullptr only fills in the header. Answers the number of rows copied, 0 when the form
// asked for cannot be given.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
// A bitmap of the header's size: 1 bit per pixel makes a monochrome bitmap, 8 bits a palette bitmap
// with the header's colours (block transfers into it take the nearest of them), more a colour one.
// Pixels stay in the graphics layer's own form, so *bits is set to nullptr: read rows with GetDIBits.
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, void* section, DWORD offset);
// Sets palette entries of the palette bitmap selected into dc; answers how many were set.
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);

// --- text
BOOL TextOut(HDC dc, int x, int y, std::string_view text, int count = -1);
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, std::string_view text, int count = -1,
                const int* dx = nullptr);
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, std::u32string_view text,
                const int* dx = nullptr);
BOOL GetTextExtentPoint32(HDC dc, std::string_view text, int count, SIZE* size);
BOOL GetTextExtentPoint32(HDC dc, std::u32string_view text, SIZE* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm);
// Answers the record's size, 0 on failure.
UINT GetOutlineTextMetrics(HDC dc, UINT size, OUTLINETEXTMETRIC* otm);
BOOL GetCharABCWidths(HDC dc, UINT first, UINT last, ABC* abc);
BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int* widths);
int GetTextFace(HDC dc, std::string* face);
constexpr DWORD GCP_DBCS = 0x0001;
// Text here is Unicode throughout: no font is a double-byte code-page font, so GCP_DBCS is never set.
DWORD GetFontLanguageInfo(HDC dc);

}  // namespace lab::win
