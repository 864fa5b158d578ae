#include "platform/graphics/graphics_objects.h"

#include <cmath>
#include <cstring>
#include <strings.h>

#include "platform/classes/unit_init.h"
#include "platform/graphics/bitmap.h"
#include "platform/graphics/graphics_unit.h"

namespace lab {
namespace {

int MulDivRound(int a, int b, int c) {
  // Rounded half away from zero, as the device layer's MulDiv.
  const double q = static_cast<double>(a) * b / c;
  return static_cast<int>(q < 0 ? -std::floor(-q + 0.5) : std::floor(q + 0.5));
}

}  // namespace

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---------------------------------------------------------------- TFont

void TFont::DeclareProperties(TPropertyDeclarer<TFont>& P) {
  P.Property("Charset", &TFont::Charset, &TFont::SetCharset).Idents("TFontCharset").Default(win::DEFAULT_CHARSET);
  P.Property("Color", &TFont::Color, &TFont::SetColor).Idents("TColor").Default(clWindowText);
  P.Property("Height", &TFont::Height, &TFont::SetHeight).NoDefault();
  P.Property("Name", &TFont::Name, &TFont::SetName);
  P.Property("Orientation", &TFont::Orientation, &TFont::SetOrientation).Default(0);
  P.Property("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
  P.Property("Size", &TFont::Size, &TFont::SetSize).Stored(false);
  P.Property("Style", &TFont::Style, &TFont::SetStyle).Default(TFontStyles{});
}

// Fonts exist before any form is read: they make sure the colour and charset names are known.
TFont::TFont() { UseUnit(GraphicsUnit); }

TFont::~TFont() { DropHandle(); }

void TFont::DropHandle() {
  if (handle_) {
    handle_->Release();
    handle_ = nullptr;
  }
}

void TFont::Changed() {
  DropHandle();
  TGraphicsObject::Changed();
}

void TFont::SetName(const std::string& v) {
  if (v.empty() || v == name_) return;
  name_ = v;
  Changed();
}

int TFont::Size() const { return -MulDivRound(height_, 72, ppi_); }

void TFont::SetSize(int points) { SetHeight(-MulDivRound(points, ppi_, 72)); }

void TFont::SetHeight(int v) {
  if (v == height_) return;
  height_ = v;
  Changed();
}

void TFont::SetStyle(TFontStyles v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TFont::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  // The colour is not part of the device font: keep the handle.
  TGraphicsObject::Changed();
}

void TFont::SetCharset(TFontCharset v) {
  if (v == charset_) return;
  charset_ = v;
  Changed();
}

void TFont::SetPitch(TFontPitch v) {
  if (v == pitch_) return;
  pitch_ = v;
  Changed();
}

void TFont::SetOrientation(int v) {
  if (v == orientation_) return;
  orientation_ = v;
  Changed();
}

win::LOGFONT TFont::LogFont() const {
  win::LOGFONT lf{};
  lf.lfHeight = height_;
  lf.lfEscapement = orientation_;
  lf.lfOrientation = orientation_;
  lf.lfWeight = style_.Contains(fsBold) ? win::FW_BOLD : win::FW_NORMAL;
  lf.lfItalic = style_.Contains(fsItalic) ? 1 : 0;
  lf.lfUnderline = style_.Contains(fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = style_.Contains(fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = charset_;
  lf.lfOutPrecision = win::OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = win::CLIP_DEFAULT_PRECIS;
  lf.lfQuality = win::DEFAULT_QUALITY;
  lf.lfPitchAndFamily = pitch_ == fpVariable ? win::VARIABLE_PITCH
                        : pitch_ == fpFixed  ? win::FIXED_PITCH
                                             : win::DEFAULT_PITCH;
  std::string face = name_;
  if (face.size() == 7 && strncasecmp(face.c_str(), "Default", 7) == 0) face = kDefaultFontName;
  std::strncpy(lf.lfFaceName, face.c_str(), sizeof lf.lfFaceName - 1);
  return lf;
}

win::HFONT TFont::Handle() {
  if (!handle_) handle_ = new TGdiFont(LogFont());
  return handle_;
}

void TFont::SetHandle(win::HFONT h) {
  if (h == handle_) return;
  if (!h) {
    DropHandle();
    TGraphicsObject::Changed();
    return;
  }
  const win::LOGFONT& lf = h->LogFont();
  height_ = lf.lfHeight;
  orientation_ = lf.lfEscapement;
  TFontStyles s;
  if (lf.lfWeight >= 600) s += fsBold;
  if (lf.lfItalic) s += fsItalic;
  if (lf.lfUnderline) s += fsUnderline;
  if (lf.lfStrikeOut) s += fsStrikeOut;
  style_ = s;
  charset_ = lf.lfCharSet;
  const int pitch = lf.lfPitchAndFamily & 0x3;
  pitch_ = pitch == win::VARIABLE_PITCH ? fpVariable : pitch == win::FIXED_PITCH ? fpFixed : fpDefault;
  std::string face(lf.lfFaceName, strnlen(lf.lfFaceName, sizeof lf.lfFaceName));
  if (!face.empty()) name_ = face;
  DropHandle();
  handle_ = h;  // taken over
  TGraphicsObject::Changed();
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    if (f == this) return;
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    orientation_ = f->orientation_;
    ppi_ = f->ppi_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

// ---------------------------------------------------------------- TPen

void TPen::DeclareProperties(TPropertyDeclarer<TPen>& P) {
  P.Property("Color", &TPen::Color, &TPen::SetColor).Idents("TColor").Default(clBlack);
  P.Property("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
  P.Property("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
  P.Property("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

int PenModeToROP2(TPenMode mode) noexcept {
  static constexpr int kMix[] = {win::R2_BLACK,       win::R2_WHITE,      win::R2_NOP,
                                 win::R2_NOT,         win::R2_COPYPEN,    win::R2_NOTCOPYPEN,
                                 win::R2_MERGEPENNOT, win::R2_MASKPENNOT, win::R2_MERGENOTPEN,
                                 win::R2_MASKNOTPEN,  win::R2_MERGEPEN,   win::R2_NOTMERGEPEN,
                                 win::R2_MASKPEN,     win::R2_NOTMASKPEN, win::R2_XORPEN,
                                 win::R2_NOTXORPEN};
  return kMix[static_cast<int>(mode) & 15];
}

TPen::~TPen() {
  if (handle_) handle_->Release();
}

void TPen::Changed() {
  if (handle_) {
    handle_->Release();
    handle_ = nullptr;
  }
  TGraphicsObject::Changed();
}

void TPen::SetColor(TColor v) {
  if (v == color_) return;
  color_ = v;
  Changed();
}

void TPen::SetWidth(int v) {
  if (v < 0) v = 0;
  if (v == width_) return;
  width_ = v;
  Changed();
}

void TPen::SetStyle(TPenStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TPen::SetMode(TPenMode v) {
  if (v == mode_) return;
  mode_ = v;
  // The mode is a device-context setting, not part of the device pen.
  TGraphicsObject::Changed();
}

win::HPEN TPen::Handle() {
  if (!handle_) {
    win::UINT style;
    switch (style_) {
      case psDash: style = win::PS_DASH; break;
      case psDot: style = win::PS_DOT; break;
      case psDashDot: style = win::PS_DASHDOT; break;
      case psDashDotDot: style = win::PS_DASHDOTDOT; break;
      case psClear: style = win::PS_NULL; break;
      case psInsideFrame: style = win::PS_INSIDEFRAME; break;
      case psAlternate: style = win::PS_ALTERNATE; break;
      default: style = win::PS_SOLID;
    }
    // Styled pens are one pixel wide on the device; wider ones draw solid.
    if (width_ > 1 && style != win::PS_NULL && style != win::PS_INSIDEFRAME) style = win::PS_SOLID;
    handle_ = new TGdiPen(style, width_, ColorToRGB(color_));
  }
  return handle_;
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    if (p == this) return;
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

// ---------------------------------------------------------------- TBrush

void TBrush::DeclareProperties(TPropertyDeclarer<TBrush>& P) {
  P.Property("Color", &TBrush::Color, &TBrush::SetColor).Idents("TColor").Default(clWhite);
  P.Property("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

TBrush::~TBrush() {
  if (handle_) handle_->Release();
}

void TBrush::Changed() {
  if (handle_) {
    handle_->Release();
    handle_ = nullptr;
  }
  TGraphicsObject::Changed();
}

void TBrush::SetColor(TColor v) {
  if (v == color_ && style_ != bsClear) return;
  color_ = v;
  if (style_ == bsClear) style_ = bsSolid;
  Changed();
}

void TBrush::SetStyle(TBrushStyle v) {
  if (v == style_) return;
  style_ = v;
  Changed();
}

void TBrush::SetBitmap(TBitmap* v) {
  if (v == bitmap_) return;
  bitmap_ = v;
  Changed();
}

win::HBRUSH TBrush::Handle() {
  if (!handle_) {
    if (bitmap_ && !bitmap_->Empty()) {
      handle_ = new TGdiBrush(*bitmap_->Handle());
    } else {
      switch (style_) {
        case bsSolid: handle_ = new TGdiBrush(win::BS_SOLID, ColorToRGB(color_), 0); break;
        case bsClear: handle_ = new TGdiBrush(win::BS_NULL, 0, 0); break;
        default:
          handle_ = new TGdiBrush(win::BS_HATCHED, ColorToRGB(color_), static_cast<int>(style_) - bsHorizontal);
      }
    }
  }
  return handle_;
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    if (b == this) return;
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

}  // namespace lab
