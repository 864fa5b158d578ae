#pragma once
// The objects a device context draws with: fonts, pens, brushes, bitmaps and regions. Handles are
// pointers to these; an object lives while its creator holds it or a device context has it selected,
// so deleting an object that is still selected never leaves a dangling pointer.

#include <cairo.h>

#include <atomic>
#include <cstddef>
#include <unordered_map>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/graphics/font_engine.h"
#include "platform/graphics/gdi_types.h"
#include "platform/graphics/region.h"
#include "platform/rtl/exceptions.h"

namespace lab {

// A surface that cannot be made (too large for the device): "Out of system resources".
LAB_EXCEPTION(EOutOfResources, Exception);

// Surfaces are limited to this many pixels on a side.
constexpr int kMaxSurfaceSide = 32767;

class TGdiObject {
 public:
  TGdiObject() = default;
  TGdiObject(const TGdiObject&) = delete;
  TGdiObject& operator=(const TGdiObject&) = delete;
  virtual ~TGdiObject() = default;

  virtual int ObjectType() const noexcept = 0;
  bool IsStock() const noexcept { return stock_; }

  void AddRef() noexcept {
    if (!stock_) refs_.fetch_add(1, std::memory_order_relaxed);
  }
  void Release() noexcept {
    if (!stock_ && refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }

 protected:
  friend void MarkStock(TGdiObject*) noexcept;
  bool stock_ = false;

 private:
  std::atomic<int> refs_{1};
};

// A counted reference to a device object.
template <class T>
class TGdiRef {
 public:
  TGdiRef() = default;
  TGdiRef(T* p) : p_(p) {  // NOLINT: adopts a further reference
    if (p_) p_->AddRef();
  }
  TGdiRef(const TGdiRef& o) : TGdiRef(o.p_) {}
  TGdiRef(TGdiRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  TGdiRef& operator=(TGdiRef o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~TGdiRef() {
    if (p_) p_->Release();
  }
  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class TGdiFont : public TGdiObject {
 public:
  explicit TGdiFont(const win::LOGFONT& lf) : lf_(lf) {}
  int ObjectType() const noexcept override { return win::OBJ_FONT; }
  const win::LOGFONT& LogFont() const noexcept { return lf_; }
  TFontInstance& Instance();
  // The instance's metrics completed with this font's weight, style flags and character set.
  win::TEXTMETRIC TextMetrics();

 private:
  win::LOGFONT lf_;
  std::shared_ptr<TFontInstance> instance_;
};

class TGdiPen : public TGdiObject {
 public:
  TGdiPen(win::UINT style, int width, win::COLORREF color) : style_(style), width_(width), color_(color) {}
  int ObjectType() const noexcept override { return win::OBJ_PEN; }
  win::UINT Style() const noexcept { return style_ & win::PS_STYLE_MASK; }
  win::UINT FullStyle() const noexcept { return style_; }
  int Width() const noexcept { return width_; }
  win::COLORREF Color() const noexcept { return color_; }
  // One pixel wide and drawn by the line rasteriser (styles apply); wider pens are solid.
  bool Cosmetic() const noexcept { return width_ <= 1; }

 private:
  win::UINT style_;
  int width_;
  win::COLORREF color_;
};

class TGdiBitmap;

class TGdiBrush : public TGdiObject {
 public:
  TGdiBrush(win::UINT style, win::COLORREF color, int hatch) : style_(style), color_(color), hatch_(hatch) {}
  // A pattern brush: the bitmap's pixels are copied, so the bitmap may change or go afterwards.
  explicit TGdiBrush(const TGdiBitmap& pattern);
  int ObjectType() const noexcept override { return win::OBJ_BRUSH; }
  win::UINT Style() const noexcept { return style_; }
  win::COLORREF Color() const noexcept { return color_; }
  int Hatch() const noexcept { return hatch_; }
  // Pattern pixels (0xFFRRGGBB), row-major, and whether the pattern is two-coloured (mono patterns
  // take the text colour for black and the background colour for white).
  const std::vector<std::uint32_t>& Pattern() const noexcept { return pattern_; }
  int PatternWidth() const noexcept { return pw_; }
  int PatternHeight() const noexcept { return ph_; }
  bool PatternMono() const noexcept { return pmono_; }

 private:
  win::UINT style_;
  win::COLORREF color_ = 0;
  int hatch_ = 0;
  std::vector<std::uint32_t> pattern_;
  int pw_ = 0, ph_ = 0;
  bool pmono_ = false;
};

// A 32-bit surface (cairo image surface, pixels 0xFFRRGGBB, always opaque). Sizes past
// kMaxSurfaceSide, or memory that cannot be had, raise EOutOfResources. A monochrome bitmap keeps
// only black and white pixels; block transfers convert to and from it as the device layer does.
class TGdiBitmap : public TGdiObject {
 public:
  TGdiBitmap(int width, int height, bool monochrome = false);
  ~TGdiBitmap() override;
  int ObjectType() const noexcept override { return win::OBJ_BITMAP; }

  int Width() const noexcept { return width_; }
  int Height() const noexcept { return height_; }
  bool Monochrome() const noexcept { return mono_; }
  cairo_surface_t* Surface() const noexcept { return surface_; }

  // Direct pixel access; call around writes so cairo and direct writes see each other.
  std::uint32_t* Row(int y) noexcept { return reinterpret_cast<std::uint32_t*>(data_ + std::ptrdiff_t{y} * stride_); }
  const std::uint32_t* Row(int y) const noexcept {
    return reinterpret_cast<const std::uint32_t*>(data_ + std::ptrdiff_t{y} * stride_);
  }
  int Stride() const noexcept { return stride_; }
  // Sets every pixel of r (inside the surface) to one value, through pixman, cairo's own raster
  // library, so a fill costs what cairo's fill costs. Between BeginDirect and EndDirect.
  void FillPixels(const TRect& r, std::uint32_t pixel) noexcept;
  void BeginDirect() noexcept {
    if (cairo_used_) {
      cairo_surface_flush(surface_);
      cairo_used_ = false;
    }
  }
  void EndDirect() noexcept { direct_dirty_ = true; }
  // The shared drawing context of this surface, ready for cairo drawing.
  cairo_t* BeginCairo() noexcept;
  // Which clip was last put on the cairo context (0: none known).
  std::uint64_t& CairoClipStamp() noexcept { return clip_stamp_; }

  // Resizes, keeping the pixels that still fit; new pixels are black, as fresh device bitmaps are.
  void Resize(int width, int height);
  void SetMonochrome(bool mono);

  // An indexed (palette) bitmap: block transfers into it take the nearest palette colour, and its
  // rows can be read back as palette indexes. Pixels keep their 32-bit form.
  bool Indexed() const noexcept { return !palette_.empty(); }
  const std::vector<std::uint32_t>& Palette() const noexcept { return palette_; }
  void SetPalette(std::vector<std::uint32_t> palette);
  // Index of the palette entry nearest to a pixel (by squared distance; the first of equals).
  int NearestIndex(std::uint32_t pixel);

 private:
  void Create(int width, int height);

  int width_ = 0, height_ = 0;
  bool mono_ = false;
  cairo_surface_t* surface_ = nullptr;
  unsigned char* data_ = nullptr;
  int stride_ = 0;
  cairo_t* cr_ = nullptr;
  bool cairo_used_ = false;
  bool direct_dirty_ = false;
  std::uint64_t clip_stamp_ = 0;
  std::vector<std::uint32_t> palette_;
  std::unordered_map<std::uint32_t, int> nearest_;
};

class TGdiRegion : public TGdiObject {
 public:
  TGdiRegion() = default;
  explicit TGdiRegion(TRegion r) : region_(std::move(r)) {}
  int ObjectType() const noexcept override { return win::OBJ_REGION; }
  TRegion& Region() noexcept { return region_; }
  const TRegion& Region() const noexcept { return region_; }

 private:
  TRegion region_;
};

// Pixel values: colours as stored on surfaces.
constexpr std::uint32_t PixelOf(win::COLORREF c) noexcept {
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr win::COLORREF ColorOfPixel(std::uint32_t p) noexcept {
  return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
}

// Stock objects (never freed; deleting them does nothing). Index as GetStockObject's.
TGdiObject* StockObject(int index) noexcept;
// The solid brush of system colour `index`, as GetSysColorBrush gives it.
TGdiBrush* SystemColorBrush(int index) noexcept;
// The font devices start with: "sans-serif" at 13 pixels.
TGdiFont* DefaultGuiFont() noexcept;
// The 1×1 monochrome bitmap memory device contexts start with.
TGdiBitmap* DefaultBitmap() noexcept;

namespace win {
constexpr int WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4,
              NULL_BRUSH = 5, HOLLOW_BRUSH = 5, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8,
              OEM_FIXED_FONT = 10, ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13,
              DEVICE_DEFAULT_FONT = 14, SYSTEM_FIXED_FONT = 16, DEFAULT_GUI_FONT = 17;

using HGDIOBJ = TGdiObject*;
using HFONT = TGdiFont*;
using HPEN = TGdiPen*;
using HBRUSH = TGdiBrush*;
using HBITMAP = TGdiBitmap*;
using HRGN = TGdiRegion*;
}  // namespace win

}  // namespace lab
