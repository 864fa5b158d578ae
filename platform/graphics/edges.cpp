#include "platform/graphics/edges.h"

#include <algorithm>

namespace lab::win {
namespace {

void Fill(HDC dc, int l, int t, int r, int b, int sys) {
  if (r > l && b > t) dc->FillSolidRect({l, t, r, b}, SystemColorRGB(sys));
}

void FillColor(HDC dc, int l, int t, int r, int b, COLORREF c) {
  if (r > l && b > t) dc->FillSolidRect({l, t, r, b}, c);
}

// One ring of an edge: colours for top-left and bottom-right; shrinks r on the sides drawn.
void Ring(HDC dc, RECT& r, UINT sides, int top_left, int bottom_right) {
  if (sides & BF_TOP) Fill(dc, r.Left, r.Top, r.Right, r.Top + 1, top_left);
  if (sides & BF_LEFT) Fill(dc, r.Left, r.Top, r.Left + 1, r.Bottom, top_left);
  if (sides & BF_BOTTOM) Fill(dc, r.Left, r.Bottom - 1, r.Right, r.Bottom, bottom_right);
  if (sides & BF_RIGHT) Fill(dc, r.Right - 1, r.Top, r.Right, r.Bottom, bottom_right);
  if (sides & BF_TOP) ++r.Top;
  if (sides & BF_LEFT) ++r.Left;
  if (sides & BF_BOTTOM) --r.Bottom;
  if (sides & BF_RIGHT) --r.Right;
}

}  // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  if (!dc || !rect) return false;
  if (flags & BF_DIAGONAL) return false;
  RECT r = NormalizeRect(*rect);
  const UINT sides = flags & BF_RECT;
  const bool soft = flags & BF_SOFT;
  const UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  if (outer) {
    int tl, br;
    if (flags & BF_MONO) tl = br = syscolor::WindowFrame;
    else if (flags & BF_FLAT) tl = br = syscolor::BtnShadow;
    else if (outer & BDR_RAISEDOUTER) tl = soft ? syscolor::BtnHighlight : syscolor::Light3D, br = syscolor::DkShadow3D;
    else tl = soft ? syscolor::DkShadow3D : syscolor::BtnShadow, br = syscolor::BtnHighlight;
    Ring(dc, r, sides, tl, br);
  }
  if (inner) {
    int tl, br;
    if (flags & BF_MONO) tl = br = syscolor::Window;
    else if (flags & BF_FLAT) tl = br = syscolor::BtnFace;
    else if (inner & BDR_RAISEDINNER) tl = soft ? syscolor::Light3D : syscolor::BtnHighlight, br = syscolor::BtnShadow;
    else tl = soft ? syscolor::BtnShadow : syscolor::DkShadow3D, br = syscolor::Light3D;
    Ring(dc, r, sides, tl, br);
  }
  if (flags & BF_MIDDLE) Fill(dc, r.Left, r.Top, r.Right, r.Bottom, (flags & BF_MONO) ? syscolor::Window : syscolor::BtnFace);
  if (flags & BF_ADJUST) *rect = r;
  return true;
}

namespace {

// The classic 7×7 check mark.
constexpr const char* kCheck[7] = {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."};

void DrawGlyph(HDC dc, const char* const* rows, int n, int cx, int cy, int scale, COLORREF c) {
  const int size = n * scale;
  const int x0 = cx - size / 2, y0 = cy - size / 2;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if (rows[y][x] == '#') FillColor(dc, x0 + x * scale, y0 + y * scale, x0 + (x + 1) * scale, y0 + (y + 1) * scale, c);
}

// A filled triangle pointing in `dir` (0 up, 1 down, 2 left, 3 right) centred on (cx, cy).
void Arrow(HDC dc, int dir, int cx, int cy, int base, COLORREF c) {
  const int h = (base + 1) / 2;
  for (int i = 0; i < h; ++i) {
    const int len = base - 2 * i;
    switch (dir) {
      case 0: FillColor(dc, cx - len / 2, cy + h / 2 - i, cx - len / 2 + len, cy + h / 2 - i + 1, c); break;
      case 1: FillColor(dc, cx - len / 2, cy - h / 2 + i, cx - len / 2 + len, cy - h / 2 + i + 1, c); break;
      case 2: FillColor(dc, cx + h / 2 - i, cy - len / 2, cx + h / 2 - i + 1, cy - len / 2 + len, c); break;
      default: FillColor(dc, cx - h / 2 + i, cy - len / 2, cx - h / 2 + i + 1, cy - len / 2 + len, c); break;
    }
  }
}

BOOL Button(HDC dc, RECT* rect, UINT state) {
  RECT r = NormalizeRect(*rect);
  const UINT kind = state & 0x1F;
  const bool flat = state & DFCS_FLAT, mono = state & DFCS_MONO;
  if (kind == DFCS_BUTTONPUSH) {
    const bool down = state & (DFCS_PUSHED | DFCS_CHECKED);
    UINT flags = BF_RECT | BF_SOFT | BF_ADJUST | (flat ? BF_FLAT : 0) | (mono ? BF_MONO : 0);
    if (!(state & DFCS_TRANSPARENT)) flags |= BF_MIDDLE;
    DrawEdge(dc, &r, down ? EDGE_SUNKEN : EDGE_RAISED, flags);
    if (state & DFCS_ADJUSTRECT) *rect = r;
    return true;
  }
  // Check boxes and radio buttons sit in the largest centred square.
  const int side = std::min(r.Width(), r.Height());
  if (side <= 0) return true;
  RECT box = Bounds(r.Left + (r.Width() - side) / 2, r.Top + (r.Height() - side) / 2, side, side);
  const bool dim = state & (DFCS_INACTIVE | DFCS_PUSHED);
  const bool checked = state & DFCS_CHECKED;
  if (kind == DFCS_BUTTONCHECK || kind == DFCS_BUTTON3STATE) {
    if (flat || mono) {
      dc->FrameRect(box, SystemColorBrush(mono ? syscolor::WindowFrame : syscolor::BtnShadow));
      box = lab::InflateRect(box, -1, -1);
    } else {
      DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    }
    const bool indeterminate = kind == DFCS_BUTTON3STATE && checked;
    Fill(dc, box.Left, box.Top, box.Right, box.Bottom, (dim || indeterminate) ? syscolor::BtnFace : syscolor::Window);
    if (checked) {
      const int scale = std::max(1, box.Width() / 9);
      const COLORREF c = SystemColorRGB((state & DFCS_INACTIVE) || indeterminate ? syscolor::BtnShadow : syscolor::WindowText);
      DrawGlyph(dc, kCheck, 7, (box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2, scale, c);
    }
    return true;
  }
  if (kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) {
    // A ring and an optional dot, by distance from the centre.
    const double c = (side - 1) / 2.0, outer = side / 2.0, dot = side / 6.0;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) {
        const double dx = x - c, dy = y - c, d2 = dx * dx + dy * dy;
        if (d2 > outer * outer) continue;
        int colour;
        if (kind & DFCS_BUTTONRADIOMASK) colour = syscolor::WindowText;
        else if (d2 > (outer - 1) * (outer - 1)) colour = (dx + dy < 0) ? syscolor::BtnShadow : syscolor::BtnHighlight;
        else if (d2 > (outer - 2) * (outer - 2)) colour = (dx + dy < 0) ? syscolor::DkShadow3D : syscolor::Light3D;
        else colour = checked && d2 <= dot * dot ? syscolor::WindowText : (dim ? syscolor::BtnFace : syscolor::Window);
        Fill(dc, box.Left + x, box.Top + y, box.Left + x + 1, box.Top + y + 1, colour);
      }
    return true;
  }
  return false;
}

BOOL Scroll(HDC dc, RECT* rect, UINT state) {
  RECT r = NormalizeRect(*rect);
  const UINT kind = state & 0x1F;
  if (kind == DFCS_SCROLLSIZEGRIP || kind == DFCS_SCROLLSIZEGRIPRIGHT) {
    if (!(state & DFCS_TRANSPARENT)) Fill(dc, r.Left, r.Top, r.Right, r.Bottom, syscolor::BtnFace);
    // Diagonal ridges toward the bottom-right corner.
    const int side = std::min(r.Width(), r.Height());
    for (int k = 0; k + 3 <= side; k += 4) {
      for (int i = 0; i <= side - k - 1; ++i) {
        const int x = r.Right - 1 - i, y = r.Bottom - 1 - (side - k - 1 - i);
        Fill(dc, x, y, x + 1, y + 1, syscolor::BtnHighlight);
        Fill(dc, x + 1, y, x + 2, y + 1, syscolor::BtnShadow);
        Fill(dc, x + 2, y, x + 3, y + 1, syscolor::BtnShadow);
      }
    }
    return true;
  }
  int dir;
  switch (kind) {
    case DFCS_SCROLLUP: dir = 0; break;
    case DFCS_SCROLLDOWN:
    case DFCS_SCROLLCOMBOBOX: dir = 1; break;
    case DFCS_SCROLLLEFT: dir = 2; break;
    case DFCS_SCROLLRIGHT: dir = 3; break;
    default: return false;
  }
  const bool pushed = state & DFCS_PUSHED;
  RECT face = r;
  if (pushed && !(state & DFCS_FLAT)) {
    // A pressed arrow button is flat with the arrow moved one pixel down and right.
    dc->FrameRect(face, SystemColorBrush(syscolor::BtnShadow));
    face = lab::InflateRect(face, -1, -1);
    if (!(state & DFCS_TRANSPARENT)) Fill(dc, face.Left, face.Top, face.Right, face.Bottom, syscolor::BtnFace);
  } else {
    UINT flags = BF_RECT | BF_ADJUST | ((state & DFCS_FLAT) ? BF_FLAT : 0) | ((state & DFCS_MONO) ? BF_MONO : 0);
    if (!(state & DFCS_TRANSPARENT)) flags |= BF_MIDDLE;
    DrawEdge(dc, &face, EDGE_RAISED, flags);
  }
  const int side = std::min(r.Width(), r.Height());
  int base = std::max(3, (side * 7 / 17) | 1);
  if (base > side - 4) base = std::max(1, (side - 4) | 1);
  int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
  if (pushed) ++cx, ++cy;
  if (state & DFCS_INACTIVE) {
    Arrow(dc, dir, cx + 1, cy + 1, base, SystemColorRGB(syscolor::BtnHighlight));
    Arrow(dc, dir, cx, cy, base, SystemColorRGB(syscolor::BtnShadow));
  } else {
    Arrow(dc, dir, cx, cy, base, SystemColorRGB(syscolor::BtnText));
  }
  if (state & DFCS_ADJUSTRECT) *rect = face;
  return true;
}

}  // namespace

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
  if (!dc || !rect) return false;
  switch (type) {
    case DFC_BUTTON: return Button(dc, rect, state);
    case DFC_SCROLL: return Scroll(dc, rect, state);
    default: return false;
  }
}

}  // namespace lab::win
