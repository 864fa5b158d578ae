#pragma once
// TCanvas: the framework's drawing surface over a device context. Drawing goes through the canvas's
// Font, Pen and Brush, which are selected into the context before each operation when they changed.
// The handle is a TDeviceContext (the device functions in lab::win take it as HDC).

#include <memory>
#include <mutex>
#include <span>
#include <string_view>

#include "platform/graphics/device_context.h"
#include "platform/graphics/graphics_objects.h"

namespace lab {

class TGraphic;
class TBitmap;

using TCopyMode = win::DWORD;
constexpr TCopyMode cmBlackness = win::BLACKNESS, cmDstInvert = win::DSTINVERT, cmMergeCopy = win::MERGECOPY,
                    cmMergePaint = win::MERGEPAINT, cmNotSrcCopy = win::NOTSRCCOPY,
                    cmNotSrcErase = win::NOTSRCERASE, cmPatCopy = win::PATCOPY, cmPatInvert = win::PATINVERT,
                    cmPatPaint = win::PATPAINT, cmSrcAnd = win::SRCAND, cmSrcCopy = win::SRCCOPY,
                    cmSrcErase = win::SRCERASE, cmSrcInvert = win::SRCINVERT, cmSrcPaint = win::SRCPAINT,
                    cmWhiteness = win::WHITENESS;

class TCanvas : public TPersistent {
  LAB_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The device context; a canvas without one asks CreateHandle, and raises EInvalidOperation
  // "Canvas does not allow drawing" when it still has none.
  TDeviceContext* Handle();
  // Borrows a context (not owned); nullptr detaches.
  void SetHandle(TDeviceContext* dc);
  bool HandleAllocated() const noexcept { return dc_ != nullptr; }

  TFont* Font() noexcept { return &font_; }
  TPen* Pen() noexcept { return &pen_; }
  TBrush* Brush() noexcept { return &brush_; }
  void SetFont(TFont* f) { font_.Assign(f); }
  void SetPen(TPen* p) { pen_.Assign(p); }
  void SetBrush(TBrush* b) { brush_.Assign(b); }
  TCopyMode CopyMode() const noexcept { return copy_mode_; }
  void SetCopyMode(TCopyMode m) { copy_mode_ = m; }
  // Extra ExtTextOut options for TextOut and TextRect (ETO_RTLREADING and the like).
  win::UINT TextFlags() const noexcept { return text_flags_; }
  void SetTextFlags(win::UINT f) { text_flags_ = f; }
  TPoint PenPos();
  void SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }
  TRect ClipRect();
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor c);

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(std::span<const TPoint> points);
  void Polygon(std::span<const TPoint> points);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);
  void DrawFocusRect(const TRect& r);
  void TextOut(int x, int y, std::string_view text);
  // Text clipped to r, the rectangle filled first unless the brush is clear.
  void TextRect(const TRect& r, int x, int y, std::string_view text);
  TSize TextExtent(std::string_view text);
  int TextWidth(std::string_view text) { return TextExtent(text).cx; }
  int TextHeight(std::string_view text) { return TextExtent(text).cy; }
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& r, TGraphic* graphic);
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& src);
  // Copies src of the bitmap to dest, painting the pixels of `color` with the brush (or leaving the
  // destination there when the brush is clear).
  void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& src, TColor color);
  // Forgets what is selected, so the next operation selects font, pen and brush afresh.
  void Refresh();
  // The context with the canvas's font, pen and brush selected, for drawing through the device
  // functions directly (DrawText, DrawEdge and the like).
  TDeviceContext* PreparedHandle();

  // Serialises drawing from several threads (the framework's canvas lock).
  void Lock();
  void Unlock();
  bool TryLock();
  int LockCount() const noexcept { return lock_count_; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void CreateHandle() {}
  virtual void Changing();
  virtual void Changed();
  // Selects what an operation needs; the handle always.
  void NeedFont();
  void NeedPen();
  void NeedBrush();

 private:
  TDeviceContext* dc_ = nullptr;
  TFont font_;
  TPen pen_;
  TBrush brush_;
  bool font_valid_ = false, pen_valid_ = false, brush_valid_ = false;
  TCopyMode copy_mode_ = cmSrcCopy;
  win::UINT text_flags_ = 0;
  std::recursive_mutex mutex_;
  int lock_count_ = 0;
};

}  // namespace lab
