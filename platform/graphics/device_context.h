#pragma once
// TDeviceContext: the drawing state behind a canvas handle, with the device layer's semantics:
// selected font, pen, brush and bitmap; text and background colours and mode; the pen mix mode;
// the logical-to-device mapping (origins, extents, mirroring by a negative extent); the clip region
// with save and restore; and the drawing primitives. A memory context draws into its selected bitmap;
// a window context (made by the windowing layer) draws into its top-level window's surface at an
// offset, clipped to the window's visible region.
//
// Coordinates given to the primitives are logical; regions are in device coordinates.

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/graphics/gdi_objects.h"

namespace lab {

class TDeviceContext {
 public:
  // A memory context, holding the stock 1×1 monochrome bitmap until another is selected.
  TDeviceContext();
  // A context on a fixed surface: device (0, 0) is surface point `origin`; drawing stays inside
  // `visible` (device coordinates). Selecting another bitmap into it is refused.
  TDeviceContext(TGdiBitmap* surface, TPoint origin, const TRegion& visible);
  ~TDeviceContext();
  TDeviceContext(const TDeviceContext&) = delete;
  TDeviceContext& operator=(const TDeviceContext&) = delete;

  bool IsMemoryDC() const noexcept { return !fixed_surface_; }
  // The window layer moves a window context when the window moves or its visible part changes.
  void SetDeviceArea(TPoint origin, const TRegion& visible);

  // --- objects
  // Selects an object of its kind and answers the one it replaces (the context holds a reference to
  // what is selected). A region sets the clip region and answers nullptr, as does an object that
  // cannot be selected here (a bitmap in a window context).
  TGdiObject* SelectObject(TGdiObject* obj);
  TGdiObject* CurrentObject(int type) const noexcept;
  TGdiFont* Font() const noexcept { return s_.font.get(); }
  TGdiPen* Pen() const noexcept { return s_.pen.get(); }
  TGdiBrush* Brush() const noexcept { return s_.brush.get(); }
  TGdiBitmap* Bitmap() const noexcept { return target(); }

  // --- attributes
  win::COLORREF SetTextColor(win::COLORREF c) noexcept { return std::exchange(s_.text_color, c & 0xFFFFFF); }
  win::COLORREF TextColor() const noexcept { return s_.text_color; }
  win::COLORREF SetBkColor(win::COLORREF c) noexcept { return std::exchange(s_.bk_color, c & 0xFFFFFF); }
  win::COLORREF BkColor() const noexcept { return s_.bk_color; }
  int SetBkMode(int mode) noexcept;
  int BkMode() const noexcept { return s_.bk_mode; }
  int SetROP2(int mode) noexcept;
  int ROP2() const noexcept { return s_.rop2; }
  win::UINT SetTextAlign(win::UINT align) noexcept { return std::exchange(s_.text_align, align); }
  win::UINT TextAlign() const noexcept { return s_.text_align; }
  int SetTextCharacterExtra(int extra) noexcept { return std::exchange(s_.char_extra, extra); }
  int TextCharacterExtra() const noexcept { return s_.char_extra; }
  TPoint SetBrushOrg(TPoint p) noexcept { return std::exchange(s_.brush_org, p); }
  TPoint BrushOrg() const noexcept { return s_.brush_org; }
  int SetPolyFillMode(int mode) noexcept;
  int PolyFillMode() const noexcept { return s_.poly_fill_mode; }
  TPoint CurrentPosition() const noexcept { return s_.current_pos; }

  // --- mapping
  int SetMapMode(int mode) noexcept;
  int MapMode() const noexcept { return s_.map_mode; }
  TPoint SetWindowOrg(TPoint p) noexcept;
  TPoint SetViewportOrg(TPoint p) noexcept;
  TSize SetWindowExt(TSize s) noexcept;
  TSize SetViewportExt(TSize s) noexcept;
  TPoint WindowOrg() const noexcept { return s_.window_org; }
  TPoint ViewportOrg() const noexcept { return s_.viewport_org; }
  TSize WindowExt() const noexcept { return s_.window_ext; }
  TSize ViewportExt() const noexcept { return s_.viewport_ext; }
  TPoint LPtoDP(TPoint p) const noexcept { return {MapX(p.X), MapY(p.Y)}; }
  TPoint DPtoLP(TPoint p) const noexcept;
  // A logical rectangle in device coordinates, normalised (a mirrored mapping swaps its sides).
  TRect LPtoDP(const TRect& r) const noexcept;
  TRect DPtoLP(const TRect& r) const noexcept;

  // --- clipping (device coordinates for regions)
  int IntersectClipRect(const TRect& logical);
  int ExcludeClipRect(const TRect& logical);
  // nullptr removes the clip region; otherwise the region is copied.
  int SelectClipRgn(const TRegion* device);
  int ExtSelectClipRgn(const TRegion* device, int mode);
  int OffsetClipRgn(int dx, int dy);
  // The bounds of what can be drawn, in logical coordinates; answers the region kind.
  int GetClipBox(TRect& logical) const;
  // Copies the application clip region; false when there is none.
  bool GetClipRgn(TRegion& device) const;
  bool PtVisible(TPoint logical) const;
  bool RectVisible(const TRect& logical) const;

  int SaveDC();
  // A positive level restores that save; a negative one counts back from the latest.
  bool RestoreDC(int level);

  // --- drawing
  void FillRect(const TRect& r, TGdiBrush* brush);
  void FillSolidRect(const TRect& r, win::COLORREF color);
  void FrameRect(const TRect& r, TGdiBrush* brush);
  void InvertRect(const TRect& r);
  // The dotted focus frame, drawn by inversion: drawing it twice restores the pixels.
  void DrawFocusRect(const TRect& r);
  bool PatBlt(int x, int y, int w, int h, win::DWORD rop);
  void MoveTo(TPoint p) noexcept;
  void LineTo(TPoint p);
  void Polyline(std::span<const TPoint> pts);
  void PolyPolyline(std::span<const TPoint> pts, std::span<const win::DWORD> counts);
  void Polygon(std::span<const TPoint> pts);
  void Rectangle(const TRect& r);
  win::COLORREF SetPixel(TPoint p, win::COLORREF c);
  win::COLORREF GetPixel(TPoint p) const;

  // Block transfers; `src` may be this context. A negative width or height mirrors.
  bool BitBlt(int x, int y, int w, int h, TDeviceContext* src, int sx, int sy, win::DWORD rop);
  bool StretchBlt(int x, int y, int w, int h, TDeviceContext* src, int sx, int sy, int sw, int sh,
                  win::DWORD rop);
  // Copies, leaving out source pixels of colour `transparent`.
  bool TransparentBlt(int x, int y, int w, int h, TDeviceContext* src, int sx, int sy, int sw, int sh,
                      win::COLORREF transparent);

  // Blends straight-alpha 0xAARRGGBB pixels (iw × ih) into the logical rectangle (x, y, w, h),
  // scaled to it (cursors and icons).
  void BlendImage(int x, int y, int w, int h, const std::uint32_t* pixels, int iw, int ih);

  // --- text (UTF-32 and UTF-8; `dx` holds one advance per character when given)
  void ExtTextOut(int x, int y, win::UINT options, const TRect* rect, std::u32string_view text,
                  const int* dx = nullptr);
  void ExtTextOut(int x, int y, win::UINT options, const TRect* rect, std::string_view text,
                  const int* dx = nullptr);
  TSize GetTextExtent(std::u32string_view text);
  TSize GetTextExtent(std::string_view text);
  win::TEXTMETRIC GetTextMetrics();
  void GetOutlineTextMetrics(win::OUTLINETEXTMETRIC& otm);
  win::ABC GetCharABCWidths(char32_t c);
  int GetCharWidth(char32_t c);
  std::string GetTextFace();
  // Underlines part of a text line (prefix marks): `x` and `width` logical, at text top `y`.
  void DrawTextUnderline(int x, int y, int width);

 private:
  struct State {
    TGdiRef<TGdiFont> font;
    TGdiRef<TGdiPen> pen;
    TGdiRef<TGdiBrush> brush;
    TGdiRef<TGdiBitmap> bitmap;
    win::COLORREF text_color = 0;
    win::COLORREF bk_color = 0xFFFFFF;
    int bk_mode = win::OPAQUE;
    int rop2 = win::R2_COPYPEN;
    win::UINT text_align = 0;
    int char_extra = 0;
    TPoint brush_org;
    TPoint current_pos;
    int poly_fill_mode = win::ALTERNATE;
    int map_mode = win::MM_TEXT;
    TPoint window_org, viewport_org;
    TSize window_ext{1, 1}, viewport_ext{1, 1};
    bool has_clip = false;
    TRegion clip;  // device coordinates
  };

  TGdiBitmap* target() const noexcept { return fixed_surface_ ? fixed_surface_.get() : s_.bitmap.get(); }
  int MapX(int x) const noexcept;
  int MapY(int y) const noexcept;
  // The device pixel that logical pixel (x, y) lands on (mirroring moves a pixel by its own width).
  TPoint MapPixel(TPoint p) const noexcept;
  bool MirroredX() const noexcept;
  void ClipChanged() noexcept;
  // Effective clip in surface coordinates.
  const TRegion& SurfaceClip() const;
  std::uint32_t DevicePixel(win::COLORREF c) const noexcept;

  // Painting helpers in surface coordinates.
  void FillSurfaceRect(const TRect& surface_rect, std::uint32_t pixel);
  void RopSurfaceRect(const TRect& surface_rect, TGdiBrush* brush, win::DWORD rop3);
  void ApplyPenPixel(int sx, int sy, std::uint32_t pixel, int rop2);
  void RasterLine(TPoint a, TPoint b, bool last_pixel);
  void MaskedPaint(const std::vector<std::uint8_t>& mask, const TRect& box, TGdiBrush* brush,
                   const std::uint32_t* pen_pixel);
  void WidePath(std::span<const TPoint> pts, bool closed);
  std::uint32_t BrushPixelAt(const TGdiBrush& b, int sx, int sy, bool& transparent) const;
  bool Transfer(int x, int y, int w, int h, TDeviceContext* src, int sx, int sy, int sw, int sh,
                win::DWORD rop, bool use_transparent, win::COLORREF transparent);
  void TextRun(int x, int y, win::UINT options, const TRect* rect, const char32_t* text, std::size_t n,
               const int* dx);

  State s_;
  std::vector<State> saved_;
  TGdiRef<TGdiBitmap> fixed_surface_;
  TPoint origin_;
  TRegion visible_;  // device coordinates; used by window contexts
  mutable TRegion surface_clip_;
  mutable bool clip_dirty_ = true;
  std::uint64_t clip_stamp_ = 0;
  int style_pos_ = 0;  // position in the pen's dash pattern, kept along a polyline
};

}  // namespace lab
