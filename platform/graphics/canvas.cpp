#include "platform/graphics/canvas.h"

#include "platform/graphics/bitmap.h"

namespace lab {

TCanvas::TCanvas() {
  font_.OnChange = [this](TObject*) { font_valid_ = false; };
  pen_.OnChange = [this](TObject*) { pen_valid_ = false; };
  brush_.OnChange = [this](TObject*) { brush_valid_ = false; };
}

TCanvas::~TCanvas() = default;

TDeviceContext* TCanvas::Handle() {
  if (!dc_) CreateHandle();
  if (!dc_) throw EInvalidOperation("Canvas does not allow drawing");
  return dc_;
}

void TCanvas::SetHandle(TDeviceContext* dc) {
  if (dc == dc_) return;
  dc_ = dc;
  Refresh();
}

void TCanvas::Refresh() { font_valid_ = pen_valid_ = brush_valid_ = false; }

TDeviceContext* TCanvas::PreparedHandle() {
  NeedFont();
  NeedPen();
  NeedBrush();
  return dc_;
}

void TCanvas::NeedFont() {
  TDeviceContext* dc = Handle();
  if (font_valid_) return;
  dc->SelectObject(font_.Handle());
  dc->SetTextColor(ColorToRGB(font_.Color()));
  font_valid_ = true;
}

void TCanvas::NeedPen() {
  TDeviceContext* dc = Handle();
  if (pen_valid_) return;
  dc->SelectObject(pen_.Handle());
  dc->SetROP2(PenModeToROP2(pen_.Mode()));
  pen_valid_ = true;
}

void TCanvas::NeedBrush() {
  TDeviceContext* dc = Handle();
  if (brush_valid_) return;
  dc->SelectObject(brush_.Handle());
  if (brush_.Style() == bsSolid) {
    dc->SetBkColor(ColorToRGB(brush_.Color()));
    dc->SetBkMode(win::OPAQUE);
  } else {
    // Hatched and clear brushes leave the background alone; the background colour is made to
    // differ from the hatch so that the hatch always shows.
    dc->SetBkColor(~ColorToRGB(brush_.Color()) & 0xFFFFFF);
    dc->SetBkMode(win::TRANSPARENT);
  }
  brush_valid_ = true;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() { return Handle()->CurrentPosition(); }

TRect TCanvas::ClipRect() {
  TRect r;
  Handle()->GetClipBox(r);
  return r;
}

TColor TCanvas::Pixels(int x, int y) {
  const win::COLORREF c = Handle()->GetPixel({x, y});
  return c == win::CLR_INVALID ? static_cast<TColor>(-1) : static_cast<TColor>(c);
}

void TCanvas::SetPixels(int x, int y, TColor c) {
  Changing();
  Handle()->SetPixel({x, y}, ColorToRGB(c));
  Changed();
}

void TCanvas::MoveTo(int x, int y) { Handle()->MoveTo({x, y}); }

void TCanvas::LineTo(int x, int y) {
  Changing();
  NeedPen();
  NeedBrush();  // gaps of styled pens take the background colour
  dc_->LineTo({x, y});
  Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  Changing();
  NeedPen();
  NeedBrush();
  dc_->Polyline(points);
  Changed();
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  Changing();
  NeedPen();
  NeedBrush();
  dc_->Polygon(points);
  Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Changing();
  NeedPen();
  NeedBrush();
  dc_->Rectangle({x1, y1, x2, y2});
  Changed();
}

void TCanvas::FillRect(const TRect& r) {
  Changing();
  NeedBrush();
  dc_->FillRect(r, brush_.Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  Changing();
  NeedBrush();
  dc_->FrameRect(r, brush_.Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& r) {
  Changing();
  Handle()->DrawFocusRect(r);
  Changed();
}

void TCanvas::TextOut(int x, int y, std::string_view text) {
  Changing();
  NeedFont();
  NeedBrush();
  dc_->ExtTextOut(x, y, text_flags_, nullptr, text);
  dc_->MoveTo({x + dc_->GetTextExtent(text).cx, y});
  Changed();
}

void TCanvas::TextRect(const TRect& r, int x, int y, std::string_view text) {
  Changing();
  NeedFont();
  NeedBrush();
  win::UINT options = win::ETO_CLIPPED | text_flags_;
  if (brush_.Style() != bsClear) options |= win::ETO_OPAQUE;
  dc_->ExtTextOut(x, y, options, &r, text);
  Changed();
}

TSize TCanvas::TextExtent(std::string_view text) {
  NeedFont();
  return dc_->GetTextExtent(text);
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, r);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src) {
  if (!source) return;
  Changing();
  NeedBrush();
  TDeviceContext* sdc = source->Handle();
  dc_->StretchBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), sdc, src.Left, src.Top, src.Width(),
                  src.Height(), copy_mode_);
  Changed();
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& src, TColor color) {
  if (!bitmap || bitmap->Empty()) return;
  Changing();
  NeedBrush();
  TDeviceContext* sdc = bitmap->Canvas()->Handle();
  if (brush_.Style() == bsClear) {
    dc_->TransparentBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), sdc, src.Left, src.Top, src.Width(),
                        src.Height(), ColorToRGB(color));
  } else {
    // Paint the destination with the brush, then lay the bitmap over it without the keyed colour.
    dc_->FillRect(dest, brush_.Handle());
    dc_->TransparentBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), sdc, src.Left, src.Top, src.Width(),
                        src.Height(), ColorToRGB(color));
  }
  Changed();
}

void TCanvas::Lock() {
  mutex_.lock();
  ++lock_count_;
}

void TCanvas::Unlock() {
  --lock_count_;
  mutex_.unlock();
}

bool TCanvas::TryLock() {
  if (!mutex_.try_lock()) return false;
  ++lock_count_;
  return true;
}

}  // namespace lab
