#include "grid/drawing_services.h"

#include <algorithm>
#include <cmath>

#include "platform/graphics/bitmap.h"
#include "platform/win/edges.h"
#include "platform/win/gdi.h"

namespace lab {
namespace {

using win::HDC;

void Fill(HDC DC, int L, int T, int R, int B, TColor Color) {
  if (R > L && B > T) DC->FillSolidRect(TRect{L, T, R, B}, ColorToRGB(Color));
}

// Dotted lines: every other pixel, by the parity of x + y, so lines of one outline meet on dots.
void DotH(HDC DC, int X1, int X2, int Y, int Phase, win::COLORREF C) {
  for (int x = X1; x < X2; ++x)
    if (((x + Y) & 1) == Phase) DC->SetPixel({x, Y}, C);
}

void DotV(HDC DC, int X, int Y1, int Y2, int Phase, win::COLORREF C) {
  for (int y = Y1; y < Y2; ++y)
    if (((X + y) & 1) == Phase) DC->SetPixel({X, y}, C);
}

// A filled triangle pointing up or down, Base pixels wide (odd), its middle at (CX, CY).
void Arrow(HDC DC, int CX, int CY, int Base, bool Up, TColor Color) {
  const int rows = Base / 2 + 1;
  const int top = CY - rows / 2;
  for (int k = 0; k < rows; ++k) {
    const int half = Up ? k : rows - 1 - k;
    Fill(DC, CX - half, top + k, CX + half + 1, top + k + 1, Color);
  }
}

// A plus or a minus Size pixels across (odd), centred on (CX, CY).
void Sign(HDC DC, int CX, int CY, int Size, bool Plus, TColor Color) {
  const int half = Size / 2;
  Fill(DC, CX - half, CY, CX + half + 1, CY + 1, Color);
  if (Plus) Fill(DC, CX, CY - half, CX + 1, CY + half + 1, Color);
}

// The face of a push button; answers the inside left for the sign.
TRect ButtonFace(HDC DC, TRect R, TColor ParentColor, bool Pressed, bool Flat, bool Hot) {
  if (Flat) {
    Fill(DC, R.Left, R.Top, R.Right, R.Bottom, Pressed || Hot ? clBtnFace : ParentColor);
    if (Pressed || Hot) {
      win::HBRUSH frame = win::GetSysColorBrush(syscolor::BtnShadow);
      win::FrameRect(DC, &R, frame);
    }
    return InflateRect(R, -1, -1);
  }
  win::DrawEdge(DC, &R, Pressed ? win::EDGE_SUNKEN : win::EDGE_RAISED, win::BF_RECT | win::BF_MIDDLE | win::BF_ADJUST);
  return R;
}

// The glyph size that fits a face: odd, at least 3, at most 7.
int GlyphSize(const TRect& R) {
  int side = std::min(R.Width(), R.Height()) - 2;
  side = std::clamp(side, 3, 7);
  return side | 1;
}

}  // namespace

void DrawTreeElement(TCanvas* Canvas, const TRect& Rect, int Kind, double ScaleX, double ScaleY, bool OddPhase) {
  HDC dc = Canvas->Handle();
  const int cx = (Rect.Left + Rect.Right) / 2, cy = (Rect.Top + Rect.Bottom) / 2;
  const int phase = OddPhase ? 1 : 0;
  const win::COLORREF line = ColorToRGB(clGray);
  const bool node = Kind == 0 || Kind == 1 || Kind == 3 || Kind == 4;
  const bool leaf = Kind == 6 || Kind == 7;
  if (Kind == 9) {
    DotV(dc, cx, Rect.Top, Rect.Bottom, phase, line);
    return;
  }
  if (!node && !leaf) return;
  const bool follows = Kind == 0 || Kind == 3 || Kind == 6;
  DotV(dc, cx, Rect.Top, cy, phase, line);
  if (follows) DotV(dc, cx, cy, Rect.Bottom, phase, line);
  DotH(dc, cx, Rect.Right, cy, phase, line);
  if (!node) return;
  // The box: 9 pixels at scale 1, odd so its sign has a middle.
  const int w = std::max(5, static_cast<int>(std::lround(9 * ScaleX)) | 1);
  const int h = std::max(5, static_cast<int>(std::lround(9 * ScaleY)) | 1);
  const TRect box{cx - w / 2, cy - h / 2, cx - w / 2 + w, cy - h / 2 + h};
  Fill(dc, box.Left, box.Top, box.Right, box.Bottom, clWindow);
  win::HBRUSH frame = win::GetSysColorBrush(syscolor::BtnShadow);
  win::FrameRect(dc, &box, frame);
  const int size = std::min(w, h) - 4;
  Sign(dc, cx, cy, size | 1, Kind == 3 || Kind == 4, clWindowText);
}

void PaintButtonControlX(win::HDC DC, const TRect& Rect, TColor ParentColor, int Look, bool Pressed, bool Flat,
                         bool Hot, bool Enabled, TCheckBoxState CheckState) {
  if (!DC || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top) return;
  if (Look == blCheckBoxX) {
    win::UINT state = CheckState == cbGrayed ? win::DFCS_BUTTON3STATE : win::DFCS_BUTTONCHECK;
    if (CheckState != cbUnchecked) state |= win::DFCS_CHECKED;
    if (!Enabled) state |= win::DFCS_INACTIVE;
    if (Flat) state |= win::DFCS_FLAT;
    if (Pressed) state |= win::DFCS_PUSHED;
    TRect r = Rect;
    win::DrawFrameControl(DC, &r, win::DFC_BUTTON, state);
    return;
  }
  const TColor sign = Enabled ? clBtnText : clGrayText;
  const int shift = Pressed ? 1 : 0;
  if (Look == blUpDownX) {
    const int mid = (Rect.Top + Rect.Bottom) / 2;
    const TRect up = ButtonFace(DC, TRect{Rect.Left, Rect.Top, Rect.Right, mid}, ParentColor, Pressed, Flat, Hot);
    const TRect down = ButtonFace(DC, TRect{Rect.Left, mid, Rect.Right, Rect.Bottom}, ParentColor, Pressed, Flat, Hot);
    const int base = std::max(3, std::min(GlyphSize(up), (up.Height() * 2 - 1) | 1));
    Arrow(DC, (up.Left + up.Right) / 2 + shift, (up.Top + up.Bottom) / 2 + shift, base, true, sign);
    Arrow(DC, (down.Left + down.Right) / 2 + shift, (down.Top + down.Bottom) / 2 + shift, base, false, sign);
    return;
  }
  const TRect face = ButtonFace(DC, Rect, ParentColor, Pressed, Flat, Hot);
  const int cx = (face.Left + face.Right) / 2 + shift, cy = (face.Top + face.Bottom) / 2 + shift;
  const int size = GlyphSize(face);
  switch (Look) {
    case blDropDownX: Arrow(DC, cx, cy, size, false, sign); break;
    case blEllipsisX: {
      const int dot = face.Width() >= 12 ? 2 : 1;
      for (int i = -1; i <= 1; ++i) {
        const int x = cx + i * (dot + 2) - dot / 2;
        Fill(DC, x, cy, x + dot, cy + dot, sign);
      }
      break;
    }
    case blPlusX: Sign(DC, cx, cy, size, true, sign); break;
    case blMinusX: Sign(DC, cx, cy, size, false, sign); break;
    default: break;
  }
}

void LoadBitmapFromResourceX(TBitmap* Bitmap, void* Module, std::string_view Name) {
  Bitmap->LoadFromResourceName(Module, Name);
}

int DrawTextX(win::HDC DC, std::string_view Text, TRect& Rect, win::UINT Format) {
  return win::DrawText(DC, Text, -1, &Rect, Format);
}

int DrawTextExX(win::HDC DC, std::string_view Text, TRect& Rect, win::UINT Format, win::DRAWTEXTPARAMS* Params) {
  return win::DrawTextEx(DC, Text, -1, &Rect, Format, Params);
}

win::OUTLINETEXTMETRIC GetOutlineTextMetricsX(win::HDC DC) {
  win::OUTLINETEXTMETRIC otm{};
  win::GetOutlineTextMetrics(DC, sizeof otm, &otm);
  return otm;
}

TPoint LPtoDPX(win::HDC DC, TPoint P) {
  win::LPtoDP(DC, &P, 1);
  return P;
}

TRect LPtoDPX(win::HDC DC, const TRect& R) { return DC->LPtoDP(R); }

}  // namespace lab
