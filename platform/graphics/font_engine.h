#pragma once
// Fonts as the device layer uses them: a family name resolves through fontconfig (an unknown family
// falls back to fontconfig's best match, never fails), the face is loaded once through cairo's
// FreeType face, and each pixel size of a face is one shared instance with its metrics and a glyph
// cache. Instances are shared by every font object and device context in the process.
// A character the face lacks comes from the font fontconfig names for it (the same size, weight and
// slant), as desktop toolkits do; the line metrics stay the requested font's.

#include <cairo.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/graphics/gdi_types.h"

namespace lab {

struct TGlyphInfo {
  std::uint32_t Index = 0;  // glyph index in the face; 0 is the face's "missing" glyph
  cairo_scaled_font_t* Font = nullptr;  // the fallback font the glyph comes from; nullptr: the instance's
  std::int32_t Advance = 0; // whole pixels, so text positions stay on the pixel grid
  std::int32_t BearingX = 0;
  std::int32_t InkWidth = 0;
};

class TFontFace;

// One face at one em size in pixels.
class TFontInstance {
 public:
  // A fallback instance takes no fallback fonts of its own.
  TFontInstance(std::shared_ptr<TFontFace> face, int em_pixels, bool fallback = false);
  ~TFontInstance();
  TFontInstance(const TFontInstance&) = delete;
  TFontInstance& operator=(const TFontInstance&) = delete;

  cairo_scaled_font_t* ScaledFont() const noexcept { return scaled_; }
  int EmPixels() const noexcept { return em_; }
  // Height, ascent, descent, leadings, average and widest advance, pitch and family; the fields that
  // depend on the logical font (weight, italic, underline, strike-out, charset) are left for the caller.
  const win::TEXTMETRIC& Metrics() const noexcept { return metrics_; }
  bool FixedPitch() const noexcept;
  // Underline and strike-out lines: top offset from the baseline (down positive) and thickness.
  int UnderlineOffset() const noexcept { return underline_offset_; }
  int UnderlineThickness() const noexcept { return underline_thickness_; }
  int StrikeoutOffset() const noexcept { return strikeout_offset_; }
  int StrikeoutThickness() const noexcept { return strikeout_thickness_; }
  void FillOutlineMetrics(win::OUTLINETEXTMETRIC& otm) const;
  const std::string& FamilyName() const noexcept;

  // Glyph of a code point; control characters have no glyph and no width.
  const TGlyphInfo& Glyph(char32_t cp) {
    if (cp < kDirect) return direct_[cp];
    return SlowGlyph(cp);
  }
  // The scaled font that draws a glyph.
  cairo_scaled_font_t* FontOf(const TGlyphInfo& g) const noexcept { return g.Font ? g.Font : scaled_; }

 private:
  static constexpr char32_t kDirect = 256;
  TGlyphInfo Measure(char32_t cp);
  std::uint32_t IndexOf(char32_t cp) const;
  // The glyph of a character the face lacks, from a fallback font (Index 0 when no font has it).
  TGlyphInfo FallbackGlyph(char32_t cp);
  const TGlyphInfo& SlowGlyph(char32_t cp);

  std::shared_ptr<TFontFace> face_;
  int em_;
  cairo_scaled_font_t* scaled_ = nullptr;
  win::TEXTMETRIC metrics_{};
  int underline_offset_ = 1, underline_thickness_ = 1;
  int strikeout_offset_ = 0, strikeout_thickness_ = 1;
  std::array<TGlyphInfo, kDirect> direct_{};
  std::mutex mutex_;
  std::unordered_map<char32_t, TGlyphInfo> others_;
  bool fallback_;
  std::vector<std::shared_ptr<TFontInstance>> fallbacks_;  // tried in the order found
};

// The shared instance for a logical font (face name, height with the Windows sign rule, weight, italic).
// Negative heights are em sizes; positive ones are cell heights (ascent + descent); 0 is a default size.
std::shared_ptr<TFontInstance> AcquireFontInstance(const win::LOGFONT& lf);

}  // namespace lab
