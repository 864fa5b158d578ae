// Text output of the device context: glyph runs through cairo with the pixel positions the device
// layer promises (whole-pixel advances, or the caller's own per-character advances).
#include <cmath>
#include <numbers>

#include "platform/graphics/bidi.h"
#include "platform/graphics/device_context.h"
#include "platform/rtl/per_thread.h"
#include "platform/rtl/utf8.h"

namespace lab {
namespace {

// Kept per thread, so text output allocates only while its runs grow; it lasts while the program
// ends, when windows freed by exit handlers may still measure text.
struct TTextScratch {
  std::u32string Decoded, Shown;
  std::vector<int> Order, ShownDx, Offsets;
  std::vector<cairo_glyph_t> Glyphs;
  std::vector<cairo_scaled_font_t*> Fonts;
};

TTextScratch& Scratch() { return PerThread<TTextScratch>(); }

// Shows the glyphs collected for one run, each stretch in the font it comes from (characters the
// font lacks come from fallback fonts). Turned text (turned_em > 0) sets each font by face and size,
// so it turns with the drawing's matrix.
void ShowGlyphs(cairo_t* cr, const std::vector<cairo_glyph_t>& glyphs,
                const std::vector<cairo_scaled_font_t*>& fonts, int turned_em = 0) {
  std::size_t start = 0;
  for (std::size_t i = 1; i <= glyphs.size(); ++i) {
    if (i < glyphs.size() && fonts[i] == fonts[start]) continue;
    if (turned_em > 0) {
      cairo_set_font_face(cr, cairo_scaled_font_get_font_face(fonts[start]));
      cairo_set_font_size(cr, turned_em);
    } else {
      cairo_set_scaled_font(cr, fonts[start]);
    }
    cairo_show_glyphs(cr, glyphs.data() + start, static_cast<int>(i - start));
    start = i;
  }
}

void ApplyClip(cairo_t* cr, TGdiBitmap* bm, const TRegion& clip, std::uint64_t stamp) {
  if (stamp != 0 && bm->CairoClipStamp() == stamp) return;
  cairo_reset_clip(cr);
  for (const TRect& r : clip.Rects()) cairo_rectangle(cr, r.Left, r.Top, r.Width(), r.Height());
  cairo_clip(cr);
  bm->CairoClipStamp() = stamp;
}

}  // namespace

void TDeviceContext::ExtTextOut(int x, int y, win::UINT options, const TRect* rect, std::string_view text,
                                const int* dx) {
  std::u32string& u = Scratch().Decoded;
  u.clear();
  Utf8DecodeAppend(text, u);
  std::u32string local;
  local.swap(u);  // the run may decode again (nested use on this thread)
  TextRun(x, y, options, rect, local.data(), local.size(), dx);
  local.swap(u);
}

void TDeviceContext::ExtTextOut(int x, int y, win::UINT options, const TRect* rect, std::u32string_view text,
                                const int* dx) {
  TextRun(x, y, options, rect, text.data(), text.size(), dx);
}

void TDeviceContext::TextRun(int x, int y, win::UINT options, const TRect* rect, const char32_t* text,
                             std::size_t n, const int* dx) {
  TGdiFont* font = s_.font.get();
  TFontInstance& fi = font->Instance();
  const win::TEXTMETRIC& tm = fi.Metrics();
  const win::LOGFONT& lf = font->LogFont();

  // Text with right-to-left letters (or right-to-left reading) is shown in display order; the
  // caller's advances travel with their characters.
  TTextScratch& scratch = Scratch();
  std::u32string& shown = scratch.Shown;
  std::vector<int>& order = scratch.Order;
  std::vector<int>& shown_dx = scratch.ShownDx;
  if (!(options & win::ETO_IGNORELANGUAGE)) {
    const bool rtl = (options & win::ETO_RTLREADING) || (s_.text_align & win::TA_RTLREADING);
    if (ReorderForDisplay(std::u32string_view(text, n), rtl, shown, order)) {
      if (dx) {
        shown_dx.resize(order.size());
        for (std::size_t i = 0; i < order.size(); ++i) shown_dx[i] = dx[order[i]];
        dx = shown_dx.data();
      }
      text = shown.data();
      n = shown.size();
    }
  }

  std::vector<int>& offsets = scratch.Offsets;
  offsets.resize(n + 1);
  int total = 0;
  for (std::size_t i = 0; i < n; ++i) {
    offsets[i] = total;
    total += dx ? dx[i] : fi.Glyph(text[i]).Advance + s_.char_extra;
  }
  offsets[n] = total;

  const win::UINT align = s_.text_align;
  if (align & win::TA_UPDATECP) {
    x = s_.current_pos.X;
    y = s_.current_pos.Y;
  }
  int ax = 0, ay = 0;  // alignment offset along and across the baseline
  switch (align & win::TA_CENTER) {
    case win::TA_RIGHT: ax = -total; break;
    case win::TA_CENTER: ax = -total / 2; break;
    default: break;
  }
  switch (align & win::TA_BASELINE) {
    case win::TA_BOTTOM: ay = -tm.tmHeight; break;
    case win::TA_BASELINE: ay = -tm.tmAscent; break;
    default: break;
  }
  if (align & win::TA_UPDATECP) s_.current_pos.X += total;

  TGdiBitmap* bm = target();
  const TRegion* clip = &SurfaceClip();
  std::uint64_t stamp = clip_stamp_;
  TRegion clipped;
  TRect opaque_rect;
  if (rect) opaque_rect = OffsetRect(LPtoDP(*rect), origin_.X, origin_.Y);
  if ((options & win::ETO_CLIPPED) && rect) {
    clipped = *clip;
    clipped.Intersect(opaque_rect);
    clip = &clipped;
    stamp = 0;
  }
  if ((options & win::ETO_OPAQUE) && rect) {
    TRegion fill_clip = *clip;
    fill_clip.Intersect(opaque_rect);
    const std::uint32_t px = DevicePixel(s_.bk_color);
    bm->BeginDirect();
    for (const TRect& r : fill_clip.Rects()) bm->FillPixels(r, px);
    bm->EndDirect();
  }
  if (clip->IsEmpty()) return;

  const int escapement = lf.lfEscapement % 3600;
  const std::uint32_t text_px = DevicePixel(s_.text_color);
  const double red = ((text_px >> 16) & 0xFF) / 255.0, green = ((text_px >> 8) & 0xFF) / 255.0,
               blue = (text_px & 0xFF) / 255.0;

  std::vector<cairo_glyph_t>& glyphs = scratch.Glyphs;
  std::vector<cairo_scaled_font_t*>& fonts = scratch.Fonts;
  glyphs.clear();
  fonts.clear();

  if (escapement == 0) {
    const TRect box = OffsetRect(LPtoDP(TRect{x + ax, y + ay, x + ax + total, y + ay + tm.tmHeight}),
                                 origin_.X, origin_.Y);
    if (s_.bk_mode == win::OPAQUE && !(options & win::ETO_OPAQUE)) {
      const std::uint32_t px = DevicePixel(s_.bk_color);
      bm->BeginDirect();
      for (const TRect& c : clip->Rects()) bm->FillPixels(IntersectRect(c, box), px);
      bm->EndDirect();
    }
    // Glyphs reach a little past the cell (italic overhang): test against a widened box.
    if (!clip->Intersects(InflateRect(box, tm.tmHeight, 0))) return;
    const double baseline = box.Top + tm.tmAscent;
    const TRect bounds = clip->Bounds();
    for (std::size_t i = 0; i < n; ++i) {
      const char32_t c = text[i];
      if (c < 0x20) continue;
      const TGlyphInfo& g = fi.Glyph(c);
      const int gx = box.Left + offsets[i];
      if (gx + g.BearingX + g.InkWidth < bounds.Left || gx + g.BearingX > bounds.Right) continue;
      glyphs.push_back({g.Index, static_cast<double>(gx), baseline});
      fonts.push_back(fi.FontOf(g));
    }
    if (!glyphs.empty()) {
      cairo_t* cr = bm->BeginCairo();
      ApplyClip(cr, bm, *clip, stamp);
      cairo_set_source_rgb(cr, red, green, blue);
      ShowGlyphs(cr, glyphs, fonts);
    }
    if (lf.lfUnderline || lf.lfStrikeOut) {
      bm->BeginDirect();
      auto line = [&](int top, int thickness) {
        const TRect lr{box.Left, top, box.Right, top + thickness};
        for (const TRect& c : clip->Rects()) bm->FillPixels(IntersectRect(c, lr), text_px);
      };
      const int base = box.Top + tm.tmAscent;
      if (lf.lfUnderline) line(base + fi.UnderlineOffset(), fi.UnderlineThickness());
      if (lf.lfStrikeOut) line(base + fi.StrikeoutOffset(), fi.StrikeoutThickness());
      bm->EndDirect();
    }
    return;
  }

  // Rotated text: the reference point stays put and the text turns about it, counter-clockwise.
  const TPoint o = LPtoDP(TPoint{x, y});
  const double angle = escapement * std::numbers::pi / 1800.0;
  cairo_t* cr = bm->BeginCairo();
  ApplyClip(cr, bm, *clip, stamp);
  cairo_save(cr);
  cairo_translate(cr, o.X + origin_.X, o.Y + origin_.Y);
  cairo_rotate(cr, -angle);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  if (s_.bk_mode == win::OPAQUE && !(options & win::ETO_OPAQUE)) {
    const std::uint32_t bk = DevicePixel(s_.bk_color);
    cairo_set_source_rgb(cr, ((bk >> 16) & 0xFF) / 255.0, ((bk >> 8) & 0xFF) / 255.0, (bk & 0xFF) / 255.0);
    cairo_rectangle(cr, ax, ay, total, tm.tmHeight);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, red, green, blue);
  for (std::size_t i = 0; i < n; ++i) {
    if (text[i] < 0x20) continue;
    const TGlyphInfo& g = fi.Glyph(text[i]);
    glyphs.push_back({g.Index, static_cast<double>(ax + offsets[i]), static_cast<double>(ay + tm.tmAscent)});
    fonts.push_back(fi.FontOf(g));
  }
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  cairo_font_options_t* fo = cairo_font_options_create();
  cairo_scaled_font_get_font_options(fi.ScaledFont(), fo);
  cairo_set_font_options(cr, fo);
  cairo_font_options_destroy(fo);
  ShowGlyphs(cr, glyphs, fonts, fi.EmPixels());
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  if (lf.lfUnderline) {
    cairo_rectangle(cr, ax, ay + tm.tmAscent + fi.UnderlineOffset(), total, fi.UnderlineThickness());
    cairo_fill(cr);
  }
  if (lf.lfStrikeOut) {
    cairo_rectangle(cr, ax, ay + tm.tmAscent + fi.StrikeoutOffset(), total, fi.StrikeoutThickness());
    cairo_fill(cr);
  }
  cairo_restore(cr);
}

TSize TDeviceContext::GetTextExtent(std::u32string_view text) {
  TFontInstance& fi = s_.font->Instance();
  int total = 0;
  for (char32_t c : text) total += fi.Glyph(c).Advance + s_.char_extra;
  return {total, fi.Metrics().tmHeight};
}

TSize TDeviceContext::GetTextExtent(std::string_view text) {
  std::u32string& u = Scratch().Decoded;
  u.clear();
  Utf8DecodeAppend(text, u);
  return GetTextExtent(std::u32string_view(u));
}

win::TEXTMETRIC TDeviceContext::GetTextMetrics() { return s_.font->TextMetrics(); }

void TDeviceContext::GetOutlineTextMetrics(win::OUTLINETEXTMETRIC& otm) {
  s_.font->Instance().FillOutlineMetrics(otm);
  otm.otmTextMetrics = s_.font->TextMetrics();
}

win::ABC TDeviceContext::GetCharABCWidths(char32_t c) {
  const TGlyphInfo& g = s_.font->Instance().Glyph(c);
  win::ABC abc;
  abc.abcA = g.InkWidth ? g.BearingX : 0;
  abc.abcB = static_cast<win::UINT>(g.InkWidth);
  abc.abcC = g.Advance - abc.abcA - g.InkWidth;
  return abc;
}

int TDeviceContext::GetCharWidth(char32_t c) { return s_.font->Instance().Glyph(c).Advance; }

std::string TDeviceContext::GetTextFace() { return s_.font->Instance().FamilyName(); }

void TDeviceContext::DrawTextUnderline(int x, int y, int width) {
  TFontInstance& fi = s_.font->Instance();
  const int top = y + fi.Metrics().tmAscent + fi.UnderlineOffset();
  FillSolidRect({x, top, x + width, top + fi.UnderlineThickness()}, s_.text_color);
}

}  // namespace lab
