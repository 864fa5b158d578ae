#include "grid/cell_writing.h"

#include <memory>

#include "grid/drawing_services.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"
#include "platform/win/draw_text.h"
#include "platform/win/gdi.h"

namespace lab {
namespace {

struct TSharedBitmap {
  std::unique_ptr<TBitmap> Bitmap;
  int Users = 0;
};

TSharedBitmap& Shared() {
  static auto* shared = new TSharedBitmap;  // never freed: grids may outlive the statics
  return *shared;
}

// DrawText flags of an alignment.
win::UINT AlignmentFlags(TAlignment Alignment) {
  switch (Alignment) {
    case taRightJustify: return win::DT_RIGHT;
    case taCenter: return win::DT_CENTER;
    default: return win::DT_LEFT;
  }
}

// The shared bitmap sized to Size, with the canvas's font and brush, filled.
TBitmap* PrepareDrawBitmap(TCanvas* Canvas, TSize Size) {
  TSharedBitmap& s = Shared();
  // Writing while no grid holds the bitmap (a list drawn on its own) makes one that the last
  // release frees.
  if (!s.Bitmap) s.Bitmap = std::make_unique<TBitmap>();
  TBitmap* bmp = s.Bitmap.get();
  if (bmp->Width() < Size.cx || bmp->Height() < Size.cy)
    bmp->SetSize(std::max(bmp->Width(), Size.cx), std::max(bmp->Height(), Size.cy));
  TCanvas* c = bmp->Canvas();
  c->SetFont(Canvas->Font());
  c->SetBrush(Canvas->Brush());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(TRect{0, 0, Size.cx, Size.cy});
  return bmp;
}

}  // namespace

void AcquireDrawBitmap() {
  TSharedBitmap& s = Shared();
  if (s.Users++ == 0 && !s.Bitmap) s.Bitmap = std::make_unique<TBitmap>();
}

void ReleaseDrawBitmap() noexcept {
  TSharedBitmap& s = Shared();
  if (s.Users > 0 && --s.Users == 0) s.Bitmap.reset();
}

TBitmap* DrawBitmap() noexcept { return Shared().Bitmap.get(); }
int DrawBitmapUsers() noexcept { return Shared().Users; }

std::string EllipsisText(std::string_view Text, TCanvas* Canvas, int MaxWidth) {
  if (Canvas->TextWidth(Text) <= MaxWidth) return std::string(Text);
  const std::size_t chars = Utf8Length(Text);
  std::size_t keep = chars >= 2 ? chars - 2 : 0;
  for (;;) {
    std::string s(Text.substr(0, Utf8Offset(Text, keep)));
    s += "...";
    if (keep == 0 || Canvas->TextWidth(s) <= MaxWidth) return s;
    --keep;
  }
}

void DrawTextInRect(const TWriteTextParamsX& P) {
  TCanvas* canvas = P.Canvas;
  TRect r = InflateRect(P.Rect, -P.DX, -P.DY);
  // Cell text is shown as it stands: an "&" is no prefix mark here.
  win::UINT flags = AlignmentFlags(P.Alignment) | win::DT_NOPREFIX;
  if (P.RightToLeft) flags |= win::DT_RTLREADING;
  if (P.WordWrap) flags |= win::DT_WORDBREAK;
  if (P.EndEllipsis) flags |= win::DT_END_ELLIPSIS;
  win::DRAWTEXTPARAMS dtp;
  dtp.iLeftMargin = P.LeftMarg;
  dtp.iRightMargin = P.RightMarg;
  win::HDC dc = canvas->PreparedHandle();
  if (P.Layout == tlCenter || P.Layout == tlBottom) {
    TRect calc = r;
    win::DRAWTEXTPARAMS measure = dtp;
    const int h = DrawTextExX(dc, P.Text, calc, flags | win::DT_CALCRECT, &measure);
    if (P.Layout == tlCenter) r.Top += (r.Height() - h) / 2;
    else r.Top = r.Bottom - h;
  }
  if (P.DX > 0) ++r.Bottom;
  DrawTextExX(dc, P.Text, r, flags, &dtp);
}

void WriteCellText(TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY, std::string_view Text,
                   TAlignment Alignment, TTextLayout Layout, bool MultiLine, bool EndEllipsis, int LeftMarg,
                   int RightMarg, bool RightToLeft) {
  TWriteTextParamsX p;
  p.Canvas = ACanvas;
  p.FillRect = FillRect;
  p.DX = DX;
  p.DY = DY;
  p.Text = Text;
  p.Alignment = Alignment;
  p.Layout = Layout;
  p.WordWrap = MultiLine;
  p.EndEllipsis = EndEllipsis;
  p.LeftMarg = LeftMarg;
  p.RightMarg = RightMarg;
  p.RightToLeft = RightToLeft;
  const win::COLORREF brush = ColorToRGB(ACanvas->Brush()->Color());
  if (ACanvas->Brush()->Style() == bsSolid && win::GetNearestColor(ACanvas->Handle(), brush) != brush) {
    // A colour the device cannot show purely: compose the cell on the shared bitmap.
    const TSize size{ARect.Width(), ARect.Height()};
    if (size.cx <= 0 || size.cy <= 0) return;
    TBitmap* bmp = PrepareDrawBitmap(ACanvas, size);
    p.Canvas = bmp->Canvas();
    p.Rect = TRect{0, 0, size.cx, size.cy};
    DrawTextInRect(p);
    ACanvas->CopyRect(ARect, bmp->Canvas(), p.Rect);
    return;
  }
  TBrush* brush_obj = ACanvas->Brush();
  const TBrushStyle style = brush_obj->Style();
  const TColor color = brush_obj->Color();
  TScopeExit restore([&] {
    if (brush_obj->Style() == style) return;
    brush_obj->SetColor(color);
    brush_obj->SetStyle(style);
  });
  if (MultiLine) {
    if (FillRect) ACanvas->FillRect(ARect);
    else brush_obj->SetStyle(bsClear);
    p.Rect = ARect;
    DrawTextInRect(p);
    return;
  }
  std::string cut;
  std::string_view text = Text;
  if (EndEllipsis) {
    cut = EllipsisText(Text, ACanvas, ARect.Width() - 2 * DX);
    text = cut;
  }
  int x = ARect.Left + DX;
  if (Alignment != taLeftJustify) {
    const int width = ACanvas->TextWidth(text);
    x = Alignment == taRightJustify ? ARect.Right - width - DX : (ARect.Left + ARect.Right - width) / 2;
  }
  if (!FillRect) brush_obj->SetStyle(bsClear);
  ACanvas->TextRect(ARect, x, ARect.Top + DY, text);
}

win::HFONT CreateRotatedFont(TFont* Font) {
  const win::LOGFONT lf = Font->LogFont();
  const TFontStyles style = Font->Style();
  // LogFont already turns "Default" into the default face.
  const win::BYTE pitch = Font->Pitch() == fpVariable ? win::VARIABLE_PITCH
                          : Font->Pitch() == fpFixed  ? win::FIXED_PITCH
                                                      : win::DEFAULT_PITCH;
  return win::CreateFont(Font->Height(), 0, 900, 900, style.Contains(fsBold) ? win::FW_BOLD : win::FW_NORMAL,
                         style.Contains(fsItalic), style.Contains(fsUnderline), style.Contains(fsStrikeOut),
                         Font->Charset(), win::OUT_TT_ONLY_PRECIS, win::CLIP_DEFAULT_PRECIS, win::DEFAULT_QUALITY,
                         pitch, lf.lfFaceName);
}

int WriteCellTextVertical(TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY, std::string_view Text,
                          TAlignment Alignment, TTextLayout Layout, bool EndEllipsis, bool CalcHeight) {
  // Measured unturned: the text's width is the height it takes in the cell.
  std::string cut;
  std::string_view text = Text;
  if (EndEllipsis && !CalcHeight) {
    cut = EllipsisText(Text, ACanvas, ARect.Height() - 2 * DY);
    text = cut;
  }
  const int length = ACanvas->TextWidth(text);
  if (CalcHeight) return length;
  const TSize size{ARect.Width(), ARect.Height()};
  if (size.cx <= 0 || size.cy <= 0) return 0;
  TBitmap* bmp = PrepareDrawBitmap(ACanvas, size);
  if (!FillRect) bmp->Canvas()->CopyRect(TRect{0, 0, size.cx, size.cy}, ACanvas, ARect);
  win::HDC dc = bmp->Canvas()->Handle();
  win::HFONT font = CreateRotatedFont(ACanvas->Font());
  win::HGDIOBJ old = win::SelectObject(dc, font);
  // The extent across the text comes from the font's outline metrics.
  const int across = GetOutlineTextMetricsX(dc).otmTextMetrics.tmHeight;
  // Along the height (roles swapped): left justified text starts at the bottom.
  int bottom;
  switch (Alignment) {
    case taRightJustify: bottom = DY + length; break;
    case taCenter: bottom = (size.cy + length) / 2; break;
    default: bottom = size.cy - DY; break;
  }
  int left;
  switch (Layout) {
    case tlCenter: left = (size.cx - across) / 2; break;
    case tlBottom: left = size.cx - across - DX; break;
    default: left = DX; break;
  }
  win::SetTextColor(dc, ColorToRGB(ACanvas->Font()->Color()));
  win::SetBkMode(dc, win::TRANSPARENT);
  win::TextOut(dc, left, bottom, text);
  win::SelectObject(dc, old);
  win::DeleteObject(font);
  bmp->Canvas()->Refresh();
  ACanvas->CopyRect(ARect, bmp->Canvas(), TRect{0, 0, size.cx, size.cy});
  return 0;
}

namespace {

// Places an image of Size in Rect and draws it through Draw, clipped to the cell when it is larger.
template <class TDraw>
void PlaceImage(TCanvas* Canvas, const TRect& Rect, TSize Size, int DX, TAlignment Alignment, TDraw Draw) {
  int x;
  switch (Alignment) {
    case taRightJustify: x = Rect.Right - Size.cx; break;
    case taCenter: x = (Rect.Left + Rect.Right - Size.cx) / 2; break;
    default: x = Rect.Left + DX; break;
  }
  const int y = (Rect.Top + Rect.Bottom - Size.cy) / 2;
  const TRect image{x, y, x + Size.cx, y + Size.cy};
  if (image.Left >= Rect.Left && image.Top >= Rect.Top && image.Right <= Rect.Right && image.Bottom <= Rect.Bottom) {
    Draw(x, y);
    return;
  }
  win::HDC dc = Canvas->Handle();
  const int saved = win::SaveDC(dc);
  TScopeExit restore([&] { win::RestoreDC(dc, saved); });
  win::IntersectClipRect(dc, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
  Draw(x, y);
}

}  // namespace

void DrawImageInCell(TCustomImageList* Images, TCanvas* Canvas, const TRect& Rect, int ImageIndex, int DX,
                     TAlignment Alignment) {
  if (!Images || ImageIndex < 0 || ImageIndex >= Images->Count()) return;
  PlaceImage(Canvas, Rect, TSize{Images->Width(), Images->Height()}, DX, Alignment,
             [&](int x, int y) { Images->Draw(Canvas, x, y, ImageIndex, true); });
}

void DrawImageInCell(TGraphic* Graphic, TCanvas* Canvas, const TRect& Rect, int DX, TAlignment Alignment) {
  if (!Graphic || Graphic->Empty()) return;
  PlaceImage(Canvas, Rect, TSize{Graphic->Width(), Graphic->Height()}, DX, Alignment,
             [&](int x, int y) { Canvas->Draw(x, y, Graphic); });
}

}  // namespace lab
