#include "platform/graphics/gdi_objects.h"

#include <pixman.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace lab {

void MarkStock(TGdiObject* o) noexcept { o->stock_ = true; }

TFontInstance& TGdiFont::Instance() {
  if (!instance_) instance_ = AcquireFontInstance(lf_);
  return *instance_;
}

win::TEXTMETRIC TGdiFont::TextMetrics() {
  win::TEXTMETRIC tm = Instance().Metrics();
  tm.tmWeight = lf_.lfWeight ? lf_.lfWeight : win::FW_NORMAL;
  tm.tmItalic = lf_.lfItalic ? 1 : 0;
  tm.tmUnderlined = lf_.lfUnderline ? 1 : 0;
  tm.tmStruckOut = lf_.lfStrikeOut ? 1 : 0;
  tm.tmCharSet = lf_.lfCharSet == win::DEFAULT_CHARSET ? win::ANSI_CHARSET : lf_.lfCharSet;
  return tm;
}

TGdiBrush::TGdiBrush(const TGdiBitmap& pattern)
    : style_(win::BS_PATTERN), pw_(pattern.Width()), ph_(pattern.Height()), pmono_(pattern.Monochrome()) {
  pattern_.resize(static_cast<std::size_t>(pw_) * ph_);
  auto& bm = const_cast<TGdiBitmap&>(pattern);
  bm.BeginDirect();
  for (int y = 0; y < ph_; ++y)
    std::memcpy(&pattern_[static_cast<std::size_t>(y) * pw_], bm.Row(y), sizeof(std::uint32_t) * pw_);
  if (pattern_.empty()) {
    // An empty pattern paints like a hollow brush rather than dividing by zero.
    style_ = win::BS_NULL;
  }
}

TGdiBitmap::TGdiBitmap(int width, int height, bool monochrome) : mono_(monochrome) {
  Create(std::max(0, width), std::max(0, height));
}

TGdiBitmap::~TGdiBitmap() {
  if (cr_) cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

void TGdiBitmap::Create(int width, int height) {
  if (width > kMaxSurfaceSide || height > kMaxSurfaceSide) throw EOutOfResources("Out of system resources");
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    throw EOutOfResources("Out of system resources");
  }
  width_ = width;
  height_ = height;
  surface_ = s;
  cairo_surface_flush(surface_);
  data_ = cairo_image_surface_get_data(surface_);
  stride_ = cairo_image_surface_get_stride(surface_);
  FillPixels(TRect{0, 0, width, height}, 0xFF000000u);
  cairo_surface_mark_dirty(surface_);
}

void TGdiBitmap::FillPixels(const TRect& r, std::uint32_t pixel) noexcept {
  if (r.IsEmpty()) return;
  if (pixman_fill(reinterpret_cast<std::uint32_t*>(data_), stride_ / 4, 32, r.Left, r.Top, r.Width(), r.Height(),
                  pixel))
    return;
  for (int y = r.Top; y < r.Bottom; ++y) std::fill_n(Row(y) + r.Left, r.Width(), pixel);
}

cairo_t* TGdiBitmap::BeginCairo() noexcept {
  if (!cr_) cr_ = cairo_create(surface_);
  if (direct_dirty_) {
    cairo_surface_mark_dirty(surface_);
    direct_dirty_ = false;
  }
  cairo_used_ = true;
  return cr_;
}

void TGdiBitmap::Resize(int width, int height) {
  width = std::max(0, width);
  height = std::max(0, height);
  if (width == width_ && height == height_) return;
  BeginDirect();
  cairo_surface_t* old = surface_;
  unsigned char* old_data = data_;
  const int old_stride = stride_, old_w = width_, old_h = height_;
  Create(width, height);  // may raise: the old surface is still whole then
  if (cr_) {
    cairo_destroy(cr_);
    cr_ = nullptr;
  }
  const int w = std::min(width, old_w), h = std::min(height, old_h);
  for (int y = 0; y < h; ++y) std::memcpy(Row(y), old_data + std::ptrdiff_t{y} * old_stride, sizeof(std::uint32_t) * w);
  cairo_surface_destroy(old);
  clip_stamp_ = 0;
  cairo_used_ = false;
  direct_dirty_ = true;
}

void TGdiBitmap::SetMonochrome(bool mono) {
  if (mono == mono_) return;
  mono_ = mono;
  if (!mono) return;
  BeginDirect();
  // Light pixels turn white, dark ones black.
  for (int y = 0; y < height_; ++y) {
    std::uint32_t* row = Row(y);
    for (int x = 0; x < width_; ++x) {
      const std::uint32_t p = row[x];
      const int lum = (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
      row[x] = lum >= 128 ? 0xFFFFFFFFu : 0xFF000000u;
    }
  }
  EndDirect();
}

void TGdiBitmap::SetPalette(std::vector<std::uint32_t> palette) {
  for (std::uint32_t& c : palette) c |= 0xFF000000u;
  palette_ = std::move(palette);
  nearest_.clear();
}

int TGdiBitmap::NearestIndex(std::uint32_t pixel) {
  pixel |= 0xFF000000u;
  auto it = nearest_.find(pixel);
  if (it != nearest_.end()) return it->second;
  int best = 0;
  long best_d = -1;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const std::uint32_t c = palette_[i];
    const long dr = static_cast<long>((pixel >> 16) & 0xFF) - static_cast<long>((c >> 16) & 0xFF);
    const long dg = static_cast<long>((pixel >> 8) & 0xFF) - static_cast<long>((c >> 8) & 0xFF);
    const long db = static_cast<long>(pixel & 0xFF) - static_cast<long>(c & 0xFF);
    const long d = dr * dr + dg * dg + db * db;
    if (best_d < 0 || d < best_d) {
      best_d = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  nearest_.emplace(pixel, best);
  return best;
}

namespace {

win::LOGFONT MakeLogFont(const char* face, int height, bool fixed) {
  win::LOGFONT lf{};
  lf.lfHeight = height;
  lf.lfWeight = win::FW_NORMAL;
  lf.lfCharSet = win::DEFAULT_CHARSET;
  lf.lfPitchAndFamily = fixed ? (win::FIXED_PITCH | win::FF_MODERN) : (win::VARIABLE_PITCH | win::FF_SWISS);
  std::strncpy(lf.lfFaceName, face, sizeof lf.lfFaceName - 1);
  return lf;
}

template <class T, class... A>
T* Stock(A&&... args) {
  T* o = new T(std::forward<A>(args)...);
  MarkStock(o);
  return o;
}

struct StockTable {
  std::array<TGdiObject*, 18> objects{};
  std::array<TGdiBrush*, syscolor::Count> sys_brushes{};
  TGdiBitmap* default_bitmap = nullptr;

  StockTable() {
    objects[win::WHITE_BRUSH] = Stock<TGdiBrush>(win::BS_SOLID, RGB(255, 255, 255), 0);
    objects[win::LTGRAY_BRUSH] = Stock<TGdiBrush>(win::BS_SOLID, RGB(192, 192, 192), 0);
    objects[win::GRAY_BRUSH] = Stock<TGdiBrush>(win::BS_SOLID, RGB(128, 128, 128), 0);
    objects[win::DKGRAY_BRUSH] = Stock<TGdiBrush>(win::BS_SOLID, RGB(64, 64, 64), 0);
    objects[win::BLACK_BRUSH] = Stock<TGdiBrush>(win::BS_SOLID, RGB(0, 0, 0), 0);
    objects[win::NULL_BRUSH] = Stock<TGdiBrush>(win::BS_NULL, 0, 0);
    objects[win::WHITE_PEN] = Stock<TGdiPen>(win::PS_SOLID, 0, RGB(255, 255, 255));
    objects[win::BLACK_PEN] = Stock<TGdiPen>(win::PS_SOLID, 0, RGB(0, 0, 0));
    objects[win::NULL_PEN] = Stock<TGdiPen>(win::PS_NULL, 0, 0);
    auto* fixed = Stock<TGdiFont>(MakeLogFont("monospace", -13, true));
    auto* gui = Stock<TGdiFont>(MakeLogFont("sans-serif", -13, false));
    objects[win::OEM_FIXED_FONT] = fixed;
    objects[win::ANSI_FIXED_FONT] = fixed;
    objects[win::SYSTEM_FIXED_FONT] = fixed;
    objects[win::ANSI_VAR_FONT] = gui;
    objects[win::SYSTEM_FONT] = gui;
    objects[win::DEVICE_DEFAULT_FONT] = gui;
    objects[win::DEFAULT_GUI_FONT] = gui;
    for (int i = 0; i < syscolor::Count; ++i)
      sys_brushes[static_cast<std::size_t>(i)] = Stock<TGdiBrush>(win::BS_SOLID, SystemColorRGB(i), 0);
    default_bitmap = Stock<TGdiBitmap>(1, 1, true);
  }
};

StockTable& Stocks() {
  static StockTable* table = new StockTable;  // never freed: handles may be used at exit
  return *table;
}

}  // namespace

TGdiObject* StockObject(int index) noexcept {
  if (index < 0 || index >= static_cast<int>(Stocks().objects.size())) return nullptr;
  return Stocks().objects[static_cast<std::size_t>(index)];
}

TGdiBrush* SystemColorBrush(int index) noexcept {
  if (index < 0 || index >= syscolor::Count) return nullptr;
  return Stocks().sys_brushes[static_cast<std::size_t>(index)];
}

TGdiFont* DefaultGuiFont() noexcept { return static_cast<TGdiFont*>(StockObject(win::DEFAULT_GUI_FONT)); }

TGdiBitmap* DefaultBitmap() noexcept { return Stocks().default_bitmap; }

}  // namespace lab
