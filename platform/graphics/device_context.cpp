#include "platform/graphics/device_context.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "platform/graphics/raster_ops.h"

namespace lab {
namespace {

std::uint64_t NextClipStamp() {
  static std::atomic<std::uint64_t> counter{1};
  return counter.fetch_add(1, std::memory_order_relaxed);
}

int RegionKind(const TRegion& r) {
  if (r.IsEmpty()) return win::NULLREGION;
  return r.Rects().size() == 1 ? win::SIMPLEREGION : win::COMPLEXREGION;
}

int ScaleCoord(int v, int num, int den) {
  if (num == den) return v;
  if (den == 0) return v;
  const double q = static_cast<double>(v) * num / den;
  return static_cast<int>(std::lround(q));
}

// Calls Paint with each part of SurfaceRect inside Clip. The bitmap is opened for direct pixel access
// only when some part is there: before the first part, and marked changed after the last.
template <class F>
void ForEachClippedPart(TGdiBitmap& Bitmap, const TRegion& Clip, const TRect& SurfaceRect, F&& Paint) {
  bool touched = false;
  for (const TRect& c : Clip.Rects()) {
    const TRect r = IntersectRect(c, SurfaceRect);
    if (r.IsEmpty()) continue;
    if (!touched) {
      Bitmap.BeginDirect();
      touched = true;
    }
    Paint(r);
  }
  if (touched) Bitmap.EndDirect();
}

}  // namespace

TDeviceContext::TDeviceContext() {
  s_.font = DefaultGuiFont();
  s_.pen = static_cast<TGdiPen*>(StockObject(win::BLACK_PEN));
  s_.brush = static_cast<TGdiBrush*>(StockObject(win::WHITE_BRUSH));
  s_.bitmap = DefaultBitmap();
}

TDeviceContext::TDeviceContext(TGdiBitmap* surface, TPoint origin, const TRegion& visible)
    : TDeviceContext() {
  fixed_surface_ = surface;
  origin_ = origin;
  visible_ = visible;
}

TDeviceContext::~TDeviceContext() = default;

void TDeviceContext::SetDeviceArea(TPoint origin, const TRegion& visible) {
  origin_ = origin;
  visible_ = visible;
  ClipChanged();
}

// ---------------------------------------------------------------- objects

TGdiObject* TDeviceContext::SelectObject(TGdiObject* obj) {
  if (!obj) return nullptr;
  TGdiObject* prev = nullptr;
  switch (obj->ObjectType()) {
    case win::OBJ_FONT:
      prev = s_.font.get();
      s_.font = static_cast<TGdiFont*>(obj);
      break;
    case win::OBJ_PEN:
      prev = s_.pen.get();
      s_.pen = static_cast<TGdiPen*>(obj);
      break;
    case win::OBJ_BRUSH:
      prev = s_.brush.get();
      s_.brush = static_cast<TGdiBrush*>(obj);
      break;
    case win::OBJ_BITMAP:
      if (fixed_surface_) return nullptr;
      prev = s_.bitmap.get();
      s_.bitmap = static_cast<TGdiBitmap*>(obj);
      ClipChanged();
      break;
    case win::OBJ_REGION:
      SelectClipRgn(&static_cast<TGdiRegion*>(obj)->Region());
      return nullptr;
    default:
      return nullptr;
  }
  return prev;
}

TGdiObject* TDeviceContext::CurrentObject(int type) const noexcept {
  switch (type) {
    case win::OBJ_FONT: return s_.font.get();
    case win::OBJ_PEN: return s_.pen.get();
    case win::OBJ_BRUSH: return s_.brush.get();
    case win::OBJ_BITMAP: return target();
    default: return nullptr;
  }
}

int TDeviceContext::SetBkMode(int mode) noexcept {
  if (mode != win::OPAQUE && mode != win::TRANSPARENT) return 0;
  return std::exchange(s_.bk_mode, mode);
}

int TDeviceContext::SetROP2(int mode) noexcept {
  if (mode < win::R2_BLACK || mode > win::R2_WHITE) return 0;
  return std::exchange(s_.rop2, mode);
}

int TDeviceContext::SetPolyFillMode(int mode) noexcept {
  if (mode != win::ALTERNATE && mode != win::WINDING) return 0;
  return std::exchange(s_.poly_fill_mode, mode);
}

// ---------------------------------------------------------------- mapping

int TDeviceContext::SetMapMode(int mode) noexcept {
  if (mode != win::MM_TEXT && mode != win::MM_ANISOTROPIC && mode != win::MM_ISOTROPIC) return 0;
  const int prev = std::exchange(s_.map_mode, mode);
  if (mode == win::MM_TEXT) {
    s_.window_ext = {1, 1};
    s_.viewport_ext = {1, 1};
  }
  return prev;
}

TPoint TDeviceContext::SetWindowOrg(TPoint p) noexcept { return std::exchange(s_.window_org, p); }
TPoint TDeviceContext::SetViewportOrg(TPoint p) noexcept { return std::exchange(s_.viewport_org, p); }

TSize TDeviceContext::SetWindowExt(TSize s) noexcept {
  // Extents only count in the scalable modes; a zero extent would divide by zero.
  if (s_.map_mode == win::MM_TEXT || s.cx == 0 || s.cy == 0) return s_.window_ext;
  return std::exchange(s_.window_ext, s);
}

TSize TDeviceContext::SetViewportExt(TSize s) noexcept {
  if (s_.map_mode == win::MM_TEXT || s.cx == 0 || s.cy == 0) return s_.viewport_ext;
  return std::exchange(s_.viewport_ext, s);
}

int TDeviceContext::MapX(int x) const noexcept {
  return ScaleCoord(x - s_.window_org.X, s_.viewport_ext.cx, s_.window_ext.cx) + s_.viewport_org.X;
}

int TDeviceContext::MapY(int y) const noexcept {
  return ScaleCoord(y - s_.window_org.Y, s_.viewport_ext.cy, s_.window_ext.cy) + s_.viewport_org.Y;
}

bool TDeviceContext::MirroredX() const noexcept {
  return (s_.viewport_ext.cx < 0) != (s_.window_ext.cx < 0);
}

TPoint TDeviceContext::MapPixel(TPoint p) const noexcept {
  const bool my = (s_.viewport_ext.cy < 0) != (s_.window_ext.cy < 0);
  return {MirroredX() ? MapX(p.X + 1) : MapX(p.X), my ? MapY(p.Y + 1) : MapY(p.Y)};
}

TPoint TDeviceContext::DPtoLP(TPoint p) const noexcept {
  return {ScaleCoord(p.X - s_.viewport_org.X, s_.window_ext.cx, s_.viewport_ext.cx) + s_.window_org.X,
          ScaleCoord(p.Y - s_.viewport_org.Y, s_.window_ext.cy, s_.viewport_ext.cy) + s_.window_org.Y};
}

TRect TDeviceContext::LPtoDP(const TRect& r) const noexcept {
  return NormalizeRect({MapX(r.Left), MapY(r.Top), MapX(r.Right), MapY(r.Bottom)});
}

TRect TDeviceContext::DPtoLP(const TRect& r) const noexcept {
  TPoint a = DPtoLP(TPoint{r.Left, r.Top}), b = DPtoLP(TPoint{r.Right, r.Bottom});
  return NormalizeRect({a.X, a.Y, b.X, b.Y});
}

// ---------------------------------------------------------------- clipping

void TDeviceContext::ClipChanged() noexcept { clip_dirty_ = true; }

const TRegion& TDeviceContext::SurfaceClip() const {
  if (clip_dirty_) {
    TGdiBitmap* bm = target();
    if (fixed_surface_) {
      surface_clip_ = visible_;
    } else {
      surface_clip_ = TRegion(TRect{0, 0, bm->Width(), bm->Height()});
    }
    if (s_.has_clip) surface_clip_.Intersect(s_.clip);
    surface_clip_.Offset(origin_.X, origin_.Y);
    surface_clip_.Intersect(TRect{0, 0, bm->Width(), bm->Height()});
    clip_dirty_ = false;
    const_cast<TDeviceContext*>(this)->clip_stamp_ = NextClipStamp();
  }
  return surface_clip_;
}

int TDeviceContext::IntersectClipRect(const TRect& logical) {
  const TRect d = LPtoDP(logical);
  if (!s_.has_clip) {
    s_.clip = TRegion(d);
    s_.has_clip = true;
  } else {
    s_.clip.Intersect(d);
  }
  ClipChanged();
  return RegionKind(s_.clip);
}

int TDeviceContext::ExcludeClipRect(const TRect& logical) {
  if (!s_.has_clip) {
    TGdiBitmap* bm = target();
    s_.clip = fixed_surface_ ? visible_ : TRegion(TRect{0, 0, bm->Width(), bm->Height()});
    s_.has_clip = true;
  }
  s_.clip.Subtract(LPtoDP(logical));
  ClipChanged();
  return RegionKind(s_.clip);
}

int TDeviceContext::SelectClipRgn(const TRegion* device) {
  if (!device) {
    s_.has_clip = false;
    s_.clip.Clear();
    ClipChanged();
    return win::SIMPLEREGION;
  }
  s_.clip = *device;
  s_.has_clip = true;
  ClipChanged();
  return RegionKind(s_.clip);
}

int TDeviceContext::ExtSelectClipRgn(const TRegion* device, int mode) {
  if (mode == win::RGN_COPY) return SelectClipRgn(device);
  if (!device) return win::ERROR;
  TRegion current;
  if (s_.has_clip) {
    current = s_.clip;
  } else {
    TGdiBitmap* bm = target();
    current = fixed_surface_ ? visible_ : TRegion(TRect{0, 0, bm->Width(), bm->Height()});
  }
  switch (mode) {
    case win::RGN_AND: current.Intersect(*device); break;
    case win::RGN_OR: current.Unite(*device); break;
    case win::RGN_XOR: current.Xor(*device); break;
    case win::RGN_DIFF: current.Subtract(*device); break;
    default: return win::ERROR;
  }
  s_.clip = std::move(current);
  s_.has_clip = true;
  ClipChanged();
  return RegionKind(s_.clip);
}

int TDeviceContext::OffsetClipRgn(int dx, int dy) {
  if (!s_.has_clip) return win::SIMPLEREGION;
  s_.clip.Offset(dx, dy);
  ClipChanged();
  return RegionKind(s_.clip);
}

int TDeviceContext::GetClipBox(TRect& logical) const {
  TRegion r = SurfaceClip();
  r.Offset(-origin_.X, -origin_.Y);
  logical = DPtoLP(r.Bounds());
  return RegionKind(r);
}

bool TDeviceContext::GetClipRgn(TRegion& device) const {
  if (!s_.has_clip) return false;
  device = s_.clip;
  return true;
}

bool TDeviceContext::PtVisible(TPoint logical) const {
  const TPoint d = MapPixel(logical);
  return SurfaceClip().Contains({d.X + origin_.X, d.Y + origin_.Y});
}

bool TDeviceContext::RectVisible(const TRect& logical) const {
  return SurfaceClip().Intersects(OffsetRect(LPtoDP(logical), origin_.X, origin_.Y));
}

int TDeviceContext::SaveDC() {
  saved_.push_back(s_);
  return static_cast<int>(saved_.size());
}

bool TDeviceContext::RestoreDC(int level) {
  const int count = static_cast<int>(saved_.size());
  if (level < 0) level = count + 1 + level;
  if (level < 1 || level > count) return false;
  s_ = std::move(saved_[static_cast<std::size_t>(level - 1)]);
  saved_.resize(static_cast<std::size_t>(level - 1));
  ClipChanged();
  return true;
}

// ---------------------------------------------------------------- pixels

std::uint32_t TDeviceContext::DevicePixel(win::COLORREF c) const noexcept {
  if (target()->Monochrome()) {
    const int lum = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
    return lum >= 128 ? 0xFFFFFFFFu : 0xFF000000u;
  }
  return PixelOf(c);
}

void TDeviceContext::FillSurfaceRect(const TRect& surface_rect, std::uint32_t pixel) {
  TGdiBitmap* bm = target();
  ForEachClippedPart(*bm, SurfaceClip(), surface_rect, [&](const TRect& r) { bm->FillPixels(r, pixel); });
}

std::uint32_t TDeviceContext::BrushPixelAt(const TGdiBrush& b, int sx, int sy, bool& transparent) const {
  transparent = false;
  // Patterns are anchored at the brush origin in device coordinates.
  const int dx = sx - origin_.X - s_.brush_org.X, dy = sy - origin_.Y - s_.brush_org.Y;
  switch (b.Style()) {
    case win::BS_SOLID:
      return DevicePixel(b.Color());
    case win::BS_HATCHED: {
      const int x = dx & 7, y = dy & 7;
      bool on = false;
      switch (b.Hatch()) {
        case win::HS_HORIZONTAL: on = y == 0; break;
        case win::HS_VERTICAL: on = x == 0; break;
        case win::HS_FDIAGONAL: on = x == y; break;
        case win::HS_BDIAGONAL: on = x + y == 7; break;
        case win::HS_CROSS: on = x == 0 || y == 0; break;
        case win::HS_DIAGCROSS: on = x == y || x + y == 7; break;
        default: on = false;
      }
      if (on) return DevicePixel(b.Color());
      if (s_.bk_mode == win::TRANSPARENT) {
        transparent = true;
        return 0;
      }
      return DevicePixel(s_.bk_color);
    }
    case win::BS_PATTERN: {
      const int w = b.PatternWidth(), h = b.PatternHeight();
      int px = dx % w, py = dy % h;
      if (px < 0) px += w;
      if (py < 0) py += h;
      const std::uint32_t p = b.Pattern()[static_cast<std::size_t>(py) * w + px];
      if (b.PatternMono()) return DevicePixel((p & 0xFFFFFF) ? s_.bk_color : s_.text_color);
      return p;
    }
    default:
      transparent = true;
      return 0;
  }
}

void TDeviceContext::RopSurfaceRect(const TRect& surface_rect, TGdiBrush* brush, win::DWORD rop3) {
  const std::uint8_t code = raster::Code(rop3);
  const bool needs_pattern = raster::UsesPattern(code);
  if (needs_pattern && (!brush || brush->Style() == win::BS_NULL)) return;
  if (code == 0xF0 && brush->Style() == win::BS_SOLID) {
    FillSurfaceRect(surface_rect, DevicePixel(brush->Color()));
    return;
  }
  if (code == 0x00 || code == 0xFF) {
    FillSurfaceRect(surface_rect, code ? 0xFFFFFFFFu : 0xFF000000u);
    return;
  }
  TGdiBitmap* bm = target();
  ForEachClippedPart(*bm, SurfaceClip(), surface_rect, [&](const TRect& r) {
    for (int y = r.Top; y < r.Bottom; ++y) {
      std::uint32_t* row = bm->Row(y);
      for (int x = r.Left; x < r.Right; ++x) {
        bool transparent = false;
        const std::uint32_t p = needs_pattern ? BrushPixelAt(*brush, x, y, transparent) : 0;
        if (transparent) continue;
        row[x] = raster::Apply(code, p, 0, row[x]);
      }
    }
  });
}

void TDeviceContext::FillRect(const TRect& r, TGdiBrush* brush) {
  if (!brush || r.IsEmpty()) return;
  RopSurfaceRect(OffsetRect(LPtoDP(r), origin_.X, origin_.Y), brush, win::PATCOPY);
}

void TDeviceContext::FillSolidRect(const TRect& r, win::COLORREF color) {
  if (r.IsEmpty()) return;
  FillSurfaceRect(OffsetRect(LPtoDP(r), origin_.X, origin_.Y), DevicePixel(color));
}

void TDeviceContext::FrameRect(const TRect& r, TGdiBrush* brush) {
  if (!brush || r.IsEmpty()) return;
  const TRect d = OffsetRect(LPtoDP(r), origin_.X, origin_.Y);
  if (d.IsEmpty()) return;
  RopSurfaceRect({d.Left, d.Top, d.Right, d.Top + 1}, brush, win::PATCOPY);
  if (d.Height() > 1) RopSurfaceRect({d.Left, d.Bottom - 1, d.Right, d.Bottom}, brush, win::PATCOPY);
  if (d.Height() > 2) {
    RopSurfaceRect({d.Left, d.Top + 1, d.Left + 1, d.Bottom - 1}, brush, win::PATCOPY);
    if (d.Width() > 1) RopSurfaceRect({d.Right - 1, d.Top + 1, d.Right, d.Bottom - 1}, brush, win::PATCOPY);
  }
}

void TDeviceContext::InvertRect(const TRect& r) {
  if (r.IsEmpty()) return;
  RopSurfaceRect(OffsetRect(LPtoDP(r), origin_.X, origin_.Y), nullptr, win::DSTINVERT);
}

void TDeviceContext::DrawFocusRect(const TRect& r) {
  if (r.IsEmpty()) return;
  const TRect d = OffsetRect(LPtoDP(r), origin_.X, origin_.Y);
  if (d.IsEmpty()) return;
  TGdiBitmap* bm = target();
  const TRegion& clip = SurfaceClip();
  bm->BeginDirect();
  // Every other pixel of the border, by a fixed checkerboard, so that the dots line up with those of
  // neighbouring frames and a second call inverts exactly the same pixels back.
  auto flip = [&](int x, int y) {
    if (((x + y) & 1) != 0) return;
    if (!clip.Contains({x, y})) return;
    std::uint32_t& px = bm->Row(y)[x];
    px = (px ^ 0x00FFFFFFu) | 0xFF000000u;
  };
  for (int x = d.Left; x < d.Right; ++x) {
    flip(x, d.Top);
    if (d.Bottom - 1 > d.Top) flip(x, d.Bottom - 1);
  }
  for (int y = d.Top + 1; y < d.Bottom - 1; ++y) {
    flip(d.Left, y);
    if (d.Right - 1 > d.Left) flip(d.Right - 1, y);
  }
  bm->EndDirect();
}

bool TDeviceContext::PatBlt(int x, int y, int w, int h, win::DWORD rop) {
  const TRect d = OffsetRect(LPtoDP(NormalizeRect({x, y, x + w, y + h})), origin_.X, origin_.Y);
  RopSurfaceRect(d, s_.brush.get(), rop);
  return true;
}

win::COLORREF TDeviceContext::SetPixel(TPoint p, win::COLORREF c) {
  const TPoint d = MapPixel(p);
  const int sx = d.X + origin_.X, sy = d.Y + origin_.Y;
  if (!SurfaceClip().Contains({sx, sy})) return win::CLR_INVALID;
  TGdiBitmap* bm = target();
  bm->BeginDirect();
  const std::uint32_t px = DevicePixel(c);
  bm->Row(sy)[sx] = px;
  bm->EndDirect();
  return ColorOfPixel(px);
}

win::COLORREF TDeviceContext::GetPixel(TPoint p) const {
  const TPoint d = MapPixel(p);
  const int sx = d.X + origin_.X, sy = d.Y + origin_.Y;
  if (!SurfaceClip().Contains({sx, sy})) return win::CLR_INVALID;
  TGdiBitmap* bm = target();
  bm->BeginDirect();
  return ColorOfPixel(bm->Row(sy)[sx]);
}

// ---------------------------------------------------------------- lines

void TDeviceContext::MoveTo(TPoint p) noexcept {
  s_.current_pos = p;
  style_pos_ = 0;
}

void TDeviceContext::ApplyPenPixel(int sx, int sy, std::uint32_t pixel, int rop2) {
  if (!SurfaceClip().Contains({sx, sy})) return;
  std::uint32_t& d = target()->Row(sy)[sx];
  d = rop2 == win::R2_COPYPEN ? pixel : raster::Apply(raster::CodeOfMix(rop2), pixel, 0, d);
}

namespace {
// Dash patterns of one-pixel pens: on, off, on, off... lengths in pixels.
struct Dashes {
  const int* runs;
  int count;
  int period;
};
constexpr int kDash[] = {18, 6};
constexpr int kDot[] = {3, 3};
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};
constexpr int kAlternate[] = {1, 1};

Dashes DashesOf(win::UINT style) {
  switch (style) {
    case win::PS_DASH: return {kDash, 2, 24};
    case win::PS_DOT: return {kDot, 2, 6};
    case win::PS_DASHDOT: return {kDashDot, 4, 24};
    case win::PS_DASHDOTDOT: return {kDashDotDot, 6, 24};
    case win::PS_ALTERNATE: return {kAlternate, 2, 2};
    default: return {nullptr, 0, 0};
  }
}

bool DashOn(const Dashes& d, int pos) {
  int p = pos % d.period;
  for (int i = 0; i < d.count; ++i) {
    if (p < d.runs[i]) return (i & 1) == 0;
    p -= d.runs[i];
  }
  return true;
}
}  // namespace

// Draws the pixels of the segment a..b in device coordinates (b itself only when last_pixel).
void TDeviceContext::RasterLine(TPoint a, TPoint b, bool last_pixel) {
  TGdiPen* pen = s_.pen.get();
  if (!pen || pen->Style() == win::PS_NULL) return;
  TGdiBitmap* bm = target();
  const std::uint32_t on_pixel = DevicePixel(pen->Color());
  const std::uint32_t off_pixel = DevicePixel(s_.bk_color);
  const bool gaps_painted = s_.bk_mode == win::OPAQUE;
  const Dashes dashes = DashesOf(pen->Style());
  const int rop2 = s_.rop2;
  a = {a.X + origin_.X, a.Y + origin_.Y};
  b = {b.X + origin_.X, b.Y + origin_.Y};

  if (!dashes.runs && rop2 == win::R2_COPYPEN && (a.X == b.X || a.Y == b.Y)) {
    // Solid straight lines (grid lines, frames) as spans.
    // From a up to b, b itself only when asked for, in either direction.
    auto run = [last_pixel](int from, int to) {
      if (from <= to) return std::pair<int, int>{from, to + (last_pixel ? 1 : 0)};
      return std::pair<int, int>{to + (last_pixel ? 0 : 1), from + 1};
    };
    TRect span;
    if (a.Y == b.Y) {
      const auto [x0, x1] = run(a.X, b.X);
      span = {x0, a.Y, x1, a.Y + 1};
    } else {
      const auto [y0, y1] = run(a.Y, b.Y);
      span = {a.X, y0, a.X + 1, y1};
    }
    FillSurfaceRect(span, on_pixel);
    return;
  }

  bm->BeginDirect();
  int x = a.X, y = a.Y;
  const int dx = std::abs(b.X - a.X), dy = -std::abs(b.Y - a.Y);
  const int sx = a.X < b.X ? 1 : -1, sy = a.Y < b.Y ? 1 : -1;
  int err = dx + dy;
  for (;;) {
    const bool at_end = x == b.X && y == b.Y;
    if (at_end && !last_pixel) break;
    const bool on = !dashes.runs || DashOn(dashes, style_pos_);
    if (on) ApplyPenPixel(x, y, on_pixel, rop2);
    else if (gaps_painted) ApplyPenPixel(x, y, off_pixel, rop2);
    ++style_pos_;
    if (at_end) break;
    const int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
  bm->EndDirect();
}

void TDeviceContext::LineTo(TPoint p) {
  TGdiPen* pen = s_.pen.get();
  if (pen && pen->Style() != win::PS_NULL) {
    if (pen->Cosmetic()) {
      RasterLine(MapPixel(s_.current_pos), MapPixel(p), false);
    } else {
      const TPoint pts[2] = {s_.current_pos, p};
      WidePath(pts, false);
    }
  }
  s_.current_pos = p;
}

void TDeviceContext::Polyline(std::span<const TPoint> pts) {
  if (pts.size() < 2) return;
  TGdiPen* pen = s_.pen.get();
  if (!pen || pen->Style() == win::PS_NULL) return;
  if (!pen->Cosmetic()) {
    WidePath(pts, false);
    return;
  }
  style_pos_ = 0;
  for (std::size_t i = 1; i < pts.size(); ++i) RasterLine(MapPixel(pts[i - 1]), MapPixel(pts[i]), false);
}

void TDeviceContext::PolyPolyline(std::span<const TPoint> pts, std::span<const win::DWORD> counts) {
  std::size_t at = 0;
  for (win::DWORD n : counts) {
    if (at + n > pts.size()) break;
    Polyline(pts.subspan(at, n));
    at += n;
  }
}

// Paints the pixels set in `mask` (one byte per pixel of `box`, surface coordinates): with the pen
// pixel when given, else with the brush; both through the pen mix.
void TDeviceContext::MaskedPaint(const std::vector<std::uint8_t>& mask, const TRect& box, TGdiBrush* brush,
                                 const std::uint32_t* pen_pixel) {
  if (!pen_pixel && (!brush || brush->Style() == win::BS_NULL)) return;
  TGdiBitmap* bm = target();
  const std::uint8_t code = raster::CodeOfMix(s_.rop2);
  bm->BeginDirect();
  for (const TRect& c : SurfaceClip().Rects()) {
    const TRect r = IntersectRect(c, box);
    if (r.IsEmpty()) continue;
    for (int y = r.Top; y < r.Bottom; ++y) {
      const std::uint8_t* m = &mask[static_cast<std::size_t>(y - box.Top) * box.Width()];
      std::uint32_t* row = bm->Row(y);
      for (int x = r.Left; x < r.Right; ++x) {
        if (!m[x - box.Left]) continue;
        bool transparent = false;
        const std::uint32_t p = pen_pixel ? *pen_pixel : BrushPixelAt(*brush, x, y, transparent);
        if (transparent) continue;
        row[x] = raster::Apply(code, p, 0, row[x]);
      }
    }
  }
  bm->EndDirect();
}

namespace {
// Rasterises a path (built by `build` in surface coordinates) into a byte mask over `box`.
template <class Build>
std::vector<std::uint8_t> RasterMask(const TRect& box, Build build) {
  std::vector<std::uint8_t> mask(static_cast<std::size_t>(box.Width()) * box.Height());
  const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, box.Width());
  std::vector<unsigned char> data(static_cast<std::size_t>(stride) * box.Height());
  cairo_surface_t* s =
      cairo_image_surface_create_for_data(data.data(), CAIRO_FORMAT_A8, box.Width(), box.Height(), stride);
  cairo_t* cr = cairo_create(s);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_translate(cr, -box.Left, -box.Top);
  build(cr);
  cairo_destroy(cr);
  cairo_surface_flush(s);
  cairo_surface_destroy(s);
  for (int y = 0; y < box.Height(); ++y)
    for (int x = 0; x < box.Width(); ++x)
      mask[static_cast<std::size_t>(y) * box.Width() + x] = data[static_cast<std::size_t>(y) * stride + x] ? 1 : 0;
  return mask;
}
}  // namespace

// A wide pen's stroke along points in logical coordinates (solid, centred on the pixel path).
void TDeviceContext::WidePath(std::span<const TPoint> pts, bool closed) {
  TGdiPen* pen = s_.pen.get();
  const int w = pen->Width();
  std::vector<TPoint> dev(pts.size());
  TRect box;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const TPoint d = MapPixel(pts[i]);
    dev[i] = {d.X + origin_.X, d.Y + origin_.Y};
    box = UnionRect(box, InflateRect({dev[i].X, dev[i].Y, dev[i].X + 1, dev[i].Y + 1}, w, w));
  }
  box = IntersectRect(box, SurfaceClip().Bounds());
  if (box.IsEmpty()) return;
  const win::UINT full = pen->FullStyle();
  auto mask = RasterMask(box, [&](cairo_t* cr) {
    cairo_set_line_width(cr, w);
    switch (full & win::PS_ENDCAP_MASK) {
      case win::PS_ENDCAP_FLAT: cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT); break;
      case win::PS_ENDCAP_SQUARE: cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE); break;
      default: cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    }
    switch (full & win::PS_JOIN_MASK) {
      case win::PS_JOIN_MITER: cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER); break;
      case win::PS_JOIN_BEVEL: cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL); break;
      default: cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    }
    cairo_move_to(cr, dev[0].X + 0.5, dev[0].Y + 0.5);
    for (std::size_t i = 1; i < dev.size(); ++i) cairo_line_to(cr, dev[i].X + 0.5, dev[i].Y + 0.5);
    if (closed) cairo_close_path(cr);
    cairo_stroke(cr);
  });
  const std::uint32_t px = DevicePixel(pen->Color());
  MaskedPaint(mask, box, nullptr, &px);
}

void TDeviceContext::Polygon(std::span<const TPoint> pts) {
  if (pts.size() < 2) return;
  std::vector<TPoint> dev(pts.size());
  TRect box;
  for (std::size_t i = 0; i < pts.size(); ++i) {
    const TPoint d = LPtoDP(pts[i]);
    dev[i] = {d.X + origin_.X, d.Y + origin_.Y};
    box = UnionRect(box, {dev[i].X, dev[i].Y, dev[i].X + 1, dev[i].Y + 1});
  }
  TRect fill_box = IntersectRect(box, SurfaceClip().Bounds());
  if (!fill_box.IsEmpty() && s_.brush && s_.brush->Style() != win::BS_NULL) {
    auto mask = RasterMask(fill_box, [&](cairo_t* cr) {
      cairo_set_fill_rule(cr, s_.poly_fill_mode == win::WINDING ? CAIRO_FILL_RULE_WINDING
                                                                 : CAIRO_FILL_RULE_EVEN_ODD);
      cairo_move_to(cr, dev[0].X, dev[0].Y);
      for (std::size_t i = 1; i < dev.size(); ++i) cairo_line_to(cr, dev[i].X, dev[i].Y);
      cairo_close_path(cr);
      cairo_fill(cr);
    });
    MaskedPaint(mask, fill_box, s_.brush.get(), nullptr);
  }
  TGdiPen* pen = s_.pen.get();
  if (!pen || pen->Style() == win::PS_NULL) return;
  if (!pen->Cosmetic()) {
    WidePath(pts, true);
    return;
  }
  style_pos_ = 0;
  for (std::size_t i = 0; i < pts.size(); ++i)
    RasterLine(MapPixel(pts[i]), MapPixel(pts[(i + 1) % pts.size()]), false);
}

void TDeviceContext::Rectangle(const TRect& r) {
  const TRect d = LPtoDP(r);
  if (d.IsEmpty()) return;
  TGdiPen* pen = s_.pen.get();
  TGdiBrush* brush = s_.brush.get();
  const std::uint8_t code = raster::CodeOfMix(s_.rop2);
  const TRect sd = OffsetRect(d, origin_.X, origin_.Y);
  if (!pen || pen->Style() == win::PS_NULL) {
    // Without an outline the fill covers one pixel less to the right and bottom, as on the device.
    RopSurfaceRect({sd.Left, sd.Top, sd.Right - 1, sd.Bottom - 1}, brush, static_cast<win::DWORD>(code) << 16);
    return;
  }
  const int w = pen->Cosmetic() ? 1 : pen->Width();
  const int inset = pen->Style() == win::PS_INSIDEFRAME ? w : (w + 1) / 2;
  if (brush && brush->Style() != win::BS_NULL)
    RopSurfaceRect(InflateRect(sd, -inset, -inset), brush, static_cast<win::DWORD>(code) << 16);
  if (pen->Cosmetic()) {
    // Corner pixels belong to the frame: trace it as a closed loop in device space.
    const TPoint c[4] = {{d.Left, d.Top}, {d.Right - 1, d.Top}, {d.Right - 1, d.Bottom - 1}, {d.Left, d.Bottom - 1}};
    style_pos_ = 0;
    if (d.Width() == 1 || d.Height() == 1) {
      RasterLine(c[0], c[2], true);
      return;
    }
    for (int i = 0; i < 4; ++i) RasterLine(c[i], c[(i + 1) % 4], false);
    return;
  }
  const int half = pen->Style() == win::PS_INSIDEFRAME ? w / 2 : 0;
  const TPoint loop[4] = {DPtoLP(TPoint{d.Left + half, d.Top + half}), DPtoLP(TPoint{d.Right - 1 - half, d.Top + half}),
                          DPtoLP(TPoint{d.Right - 1 - half, d.Bottom - 1 - half}),
                          DPtoLP(TPoint{d.Left + half, d.Bottom - 1 - half})};
  WidePath(loop, true);
}

// ---------------------------------------------------------------- block transfers

bool TDeviceContext::Transfer(int x, int y, int w, int h, TDeviceContext* src, int sx, int sy, int sw, int sh,
                              win::DWORD rop, bool use_transparent, win::COLORREF transparent) {
  const std::uint8_t code = raster::Code(rop);
  if (!raster::UsesSource(code) && !use_transparent) return PatBlt(x, y, w, h, rop);
  if (!src || w == 0 || h == 0 || sw == 0 || sh == 0) return false;

  // Destination and source in surface coordinates, with the direction of each axis. A negative
  // width covers the pixels from x + width + 1 up to x, mirrored.
  auto span = [](int at, int len, bool& flip) {
    if (len < 0) {
      flip = !flip;
      return std::pair<int, int>{at + len + 1, at + 1};
    }
    return std::pair<int, int>{at, at + len};
  };
  bool dfx = MirroredX(), dfy = (s_.viewport_ext.cy < 0) != (s_.window_ext.cy < 0);
  bool sfx = src->MirroredX(), sfy = (src->s_.viewport_ext.cy < 0) != (src->s_.window_ext.cy < 0);
  const auto [dx0, dx1] = span(x, w, dfx);
  const auto [dy0, dy1] = span(y, h, dfy);
  const auto [sx0, sx1] = span(sx, sw, sfx);
  const auto [sy0, sy1] = span(sy, sh, sfy);
  const bool flip_x = dfx != sfx, flip_y = dfy != sfy;
  TRect dr = OffsetRect(LPtoDP(TRect{dx0, dy0, dx1, dy1}), origin_.X, origin_.Y);
  TRect sr = OffsetRect(src->LPtoDP(TRect{sx0, sy0, sx1, sy1}), src->origin_.X, src->origin_.Y);
  if (dr.IsEmpty() || sr.IsEmpty()) return false;

  TGdiBitmap* sbm = src->target();
  TGdiBitmap* dbm = target();
  const bool src_mono = sbm->Monochrome(), dst_mono = dbm->Monochrome();
  const std::uint32_t src_bk = PixelOf(src->s_.bk_color);
  const std::uint32_t mono_black = DevicePixel(s_.text_color), mono_white = DevicePixel(s_.bk_color);
  const std::uint32_t transparent_px = PixelOf(transparent);
  const bool needs_pattern = raster::UsesPattern(code);
  TGdiBrush* brush = s_.brush.get();
  if (needs_pattern && (!brush || brush->Style() == win::BS_NULL)) return false;

  sbm->BeginDirect();
  // Reading and writing one surface: read from a copy of the source rectangle.
  std::vector<std::uint32_t> copy;
  const TRect sbounds{0, 0, sbm->Width(), sbm->Height()};
  const TRect sread = IntersectRect(sr, sbounds);
  if (sread.IsEmpty()) return false;
  const bool same = sbm == dbm;
  if (same) {
    copy.resize(static_cast<std::size_t>(sread.Width()) * sread.Height());
    for (int yy = sread.Top; yy < sread.Bottom; ++yy)
      std::copy_n(sbm->Row(yy) + sread.Left, sread.Width(),
                  &copy[static_cast<std::size_t>(yy - sread.Top) * sread.Width()]);
  }
  auto source_at = [&](int px, int py) -> std::uint32_t {
    if (same) return copy[static_cast<std::size_t>(py - sread.Top) * sread.Width() + (px - sread.Left)];
    return sbm->Row(py)[px];
  };

  const bool plain = code == 0xCC && !flip_x && !flip_y && dr.Width() == sr.Width() &&
                     dr.Height() == sr.Height() && src_mono == dst_mono && !use_transparent &&
                     !dbm->Indexed();
  const bool indexed = dbm->Indexed();
  dbm->BeginDirect();
  for (const TRect& c : SurfaceClip().Rects()) {
    const TRect r = IntersectRect(c, dr);
    if (r.IsEmpty()) continue;
    for (int yy = r.Top; yy < r.Bottom; ++yy) {
      int oy = yy - dr.Top;
      int py = sr.Top + static_cast<int>(static_cast<std::int64_t>(oy) * sr.Height() / dr.Height());
      if (flip_y) py = sr.Bottom - 1 - (py - sr.Top);
      if (py < sread.Top || py >= sread.Bottom) continue;
      std::uint32_t* row = dbm->Row(yy);
      if (plain) {
        const int x0 = std::max(r.Left, dr.Left + (sread.Left - sr.Left));
        const int x1 = std::min(r.Right, dr.Left + (sread.Right - sr.Left));
        for (int xx = x0; xx < x1; ++xx) row[xx] = source_at(sr.Left + (xx - dr.Left), py);
        continue;
      }
      for (int xx = r.Left; xx < r.Right; ++xx) {
        int ox = xx - dr.Left;
        int px = sr.Left + static_cast<int>(static_cast<std::int64_t>(ox) * sr.Width() / dr.Width());
        if (flip_x) px = sr.Right - 1 - (px - sr.Left);
        if (px < sread.Left || px >= sread.Right) continue;
        std::uint32_t s = source_at(px, py);
        if (use_transparent && (s & 0xFFFFFF) == (transparent_px & 0xFFFFFF)) continue;
        // Colour conversions between monochrome and colour surfaces.
        if (src_mono && !dst_mono) s = (s & 0xFFFFFF) ? mono_white : mono_black;
        else if (!src_mono && dst_mono) s = (s & 0xFFFFFF) == (src_bk & 0xFFFFFF) ? 0xFFFFFFFFu : 0xFF000000u;
        bool tp = false;
        const std::uint32_t p = needs_pattern ? BrushPixelAt(*brush, xx, yy, tp) : 0;
        if (tp) continue;
        const std::uint32_t result = raster::Apply(code, p, s, row[xx]);
        // A palette bitmap shows the palette colour nearest to what was copied.
        row[xx] = indexed ? dbm->Palette()[static_cast<std::size_t>(dbm->NearestIndex(result))] : result;
      }
    }
  }
  dbm->EndDirect();
  return true;
}

void TDeviceContext::BlendImage(int x, int y, int w, int h, const std::uint32_t* pixels, int iw, int ih) {
  if (w <= 0 || h <= 0 || iw <= 0 || ih <= 0 || !pixels) return;
  const TRect dr = OffsetRect(LPtoDP(TRect{x, y, x + w, y + h}), origin_.X, origin_.Y);
  const bool flip = MirroredX();
  TGdiBitmap* bm = target();
  bm->BeginDirect();
  for (const TRect& c : SurfaceClip().Rects()) {
    const TRect r = IntersectRect(c, dr);
    for (int yy = r.Top; yy < r.Bottom; ++yy) {
      const int py = static_cast<int>(static_cast<std::int64_t>(yy - dr.Top) * ih / dr.Height());
      std::uint32_t* row = bm->Row(yy);
      for (int xx = r.Left; xx < r.Right; ++xx) {
        int px = static_cast<int>(static_cast<std::int64_t>(xx - dr.Left) * iw / dr.Width());
        if (flip) px = iw - 1 - px;
        const std::uint32_t s = pixels[static_cast<std::size_t>(py) * iw + px];
        const std::uint32_t a = s >> 24;
        if (a == 0) continue;
        if (a == 255) {
          row[xx] = 0xFF000000u | s;
          continue;
        }
        const std::uint32_t d = row[xx];
        auto mix = [a](std::uint32_t sc, std::uint32_t dc) { return (sc * a + dc * (255 - a) + 127) / 255; };
        row[xx] = 0xFF000000u | (mix((s >> 16) & 0xFF, (d >> 16) & 0xFF) << 16) |
                  (mix((s >> 8) & 0xFF, (d >> 8) & 0xFF) << 8) | mix(s & 0xFF, d & 0xFF);
      }
    }
  }
  bm->EndDirect();
}

bool TDeviceContext::BitBlt(int x, int y, int w, int h, TDeviceContext* src, int sx, int sy, win::DWORD rop) {
  return Transfer(x, y, w, h, src, sx, sy, w, h, rop, false, 0);
}

bool TDeviceContext::StretchBlt(int x, int y, int w, int h, TDeviceContext* src, int sx, int sy, int sw, int sh,
                                win::DWORD rop) {
  return Transfer(x, y, w, h, src, sx, sy, sw, sh, rop, false, 0);
}

bool TDeviceContext::TransparentBlt(int x, int y, int w, int h, TDeviceContext* src, int sx, int sy, int sw,
                                    int sh, win::COLORREF transparent) {
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return false;
  return Transfer(x, y, w, h, src, sx, sy, sw, sh, win::SRCCOPY, true, transparent);
}

}  // namespace lab
