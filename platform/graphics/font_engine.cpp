#include "platform/graphics/font_engine.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/rtl/utf8.h"

namespace lab {

// A resolved face: the font file fontconfig chose, opened with FreeType and wrapped in cairo's face,
// with the design metrics read once. No fontconfig pattern is kept: the face lives on its own.
class TFontFace {
 public:
  struct Choice {
    std::string file;
    int index = 0;
    std::string family, style, full;
    bool fixed = false;
    bool spacing_known = false;  // fontconfig said whether the face is monospaced
    bool embolden = false;  // the family has no bold face: thicken the regular one
    bool oblique = false;   // no italic face: slant the upright one
    bool bold = false, italic = false;  // as asked for
  };

  TFontFace(FT_Library library, const Choice& c)
      : family_(c.family), style_(c.style), full_(c.full.empty() ? c.family + " " + c.style : c.full),
        fixed_(c.fixed), bold_(c.bold), italic_(c.italic) {
    if (!c.file.empty() && FT_New_Face(library, c.file.c_str(), c.index, &ft_) != 0) ft_ = nullptr;
    if (ft_) {
      face_ = cairo_ft_font_face_create_for_ft_face(ft_, 0);
      // The FreeType face goes when cairo lets go of its face.
      static const cairo_user_data_key_t key{};
      cairo_font_face_set_user_data(face_, &key, ft_, [](void* f) { FT_Done_Face(static_cast<FT_Face>(f)); });
      unsigned synth = 0;
      if (c.embolden) synth |= CAIRO_FT_SYNTHESIZE_BOLD;
      if (c.oblique) synth |= CAIRO_FT_SYNTHESIZE_OBLIQUE;
      if (synth) cairo_ft_font_face_set_synthesize(face_, synth);
      ReadDesignMetrics(ft_);
      if (!c.spacing_known) fixed_ = HasFixedAdvances(ft_);
    } else {
      // No usable font file at all: cairo's own fallback face still draws something.
      face_ = cairo_toy_font_face_create("sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    }
    Complete();
  }
  ~TFontFace() { cairo_font_face_destroy(face_); }

  cairo_font_face_t* Face() const { return face_; }
  FT_Face FreeTypeFace() const { return ft_; }
  const std::string& Family() const { return family_; }
  const std::string& Style() const { return style_; }
  const std::string& FullName() const { return full_; }
  bool Fixed() const { return fixed_; }
  bool Bold() const { return bold_; }
  bool Italic() const { return italic_; }

  // Design units of the face.
  int units_per_em = 2048;
  int win_ascent = 0, win_descent = 0;
  int hhea_ascent = 0, hhea_descent = 0, hhea_gap = 0;
  int avg_width = 0, max_advance = 0;
  int underline_pos = 0, underline_thickness = 0;
  int strikeout_pos = 0, strikeout_size = 0;
  int x_height = 0, cap_height = 0;
  int typo_gap = 0;
  int bbox[4] = {0, 0, 0, 0};
  int italic_angle = 0;  // tenths of a degree
  unsigned fs_selection = 0, fs_type = 0;
  bool serif = false;

 private:
  void ReadDesignMetrics(FT_Face ft) {
    units_per_em = ft->units_per_EM ? ft->units_per_EM : 2048;
    hhea_ascent = ft->ascender;
    hhea_descent = -ft->descender;
    hhea_gap = ft->height - (ft->ascender - ft->descender);
    max_advance = ft->max_advance_width;
    underline_pos = ft->underline_position;
    underline_thickness = ft->underline_thickness;
    bbox[0] = static_cast<int>(ft->bbox.xMin);
    bbox[1] = static_cast<int>(ft->bbox.yMax);
    bbox[2] = static_cast<int>(ft->bbox.xMax);
    bbox[3] = static_cast<int>(ft->bbox.yMin);
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF) {
      win_ascent = os2->usWinAscent;
      win_descent = os2->usWinDescent;
      avg_width = os2->xAvgCharWidth;
      strikeout_pos = os2->yStrikeoutPosition;
      strikeout_size = os2->yStrikeoutSize;
      x_height = os2->sxHeight;
      cap_height = os2->sCapHeight;
      typo_gap = os2->sTypoLineGap;
      fs_selection = os2->fsSelection;
      fs_type = os2->fsType;
      serif = (os2->sFamilyClass >> 8) >= 1 && (os2->sFamilyClass >> 8) <= 7;
    }
    auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(ft, FT_SFNT_POST));
    if (post) italic_angle = static_cast<int>(post->italicAngle / 6553.6);  // 16.16 degrees to tenths
  }

  // fontconfig gives no spacing to a face whose glyphs (beyond ASCII: marks, wide symbols) have more
  // than two widths; such a face is still fixed-pitch when the flag of its tables says so, or when
  // its printable ASCII characters all advance the same.
  static bool HasFixedAdvances(FT_Face ft) {
    if (FT_IS_FIXED_WIDTH(ft)) return true;
    FT_Fixed first = 0;
    int seen = 0;
    for (FT_ULong ch = 0x21; ch < 0x7F; ++ch) {
      const FT_UInt glyph = FT_Get_Char_Index(ft, ch);
      FT_Fixed advance = 0;
      if (!glyph || FT_Get_Advance(ft, glyph, FT_LOAD_NO_SCALE, &advance) != 0) continue;
      if (seen++ == 0) first = advance;
      else if (advance != first) return false;
    }
    return seen > 0;
  }

  void Complete() {
    if (win_ascent + win_descent == 0) {
      win_ascent = hhea_ascent;
      win_descent = hhea_descent;
    }
    if (win_ascent + win_descent == 0) {
      win_ascent = units_per_em * 4 / 5;
      win_descent = units_per_em / 5;
    }
    if (avg_width == 0) avg_width = units_per_em / 2;
    if (strikeout_size == 0) strikeout_size = underline_thickness ? underline_thickness : units_per_em / 20;
    if (strikeout_pos == 0) strikeout_pos = win_ascent * 3 / 10;
    if (underline_thickness == 0) underline_thickness = units_per_em / 20;
    if (underline_pos == 0) underline_pos = -units_per_em / 10;
    if (!serif) {
      // No classification in the face: go by the name, as users think of it.
      serif = family_.find("Serif") != std::string::npos && family_.find("Sans") == std::string::npos;
    }
  }

  FT_Face ft_ = nullptr;
  cairo_font_face_t* face_ = nullptr;
  std::string family_, style_, full_;
  bool fixed_ = false;
  bool bold_ = false, italic_ = false;
};

namespace {

int RoundTo(double v) { return static_cast<int>(std::lround(v)); }

cairo_font_options_t* SharedFontOptions() {
  static cairo_font_options_t* options = [] {
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_ON);
    return o;
  }();
  return options;
}

struct Cache {
  std::mutex mutex;
  // (requested family, bold, italic) -> resolved face
  std::map<std::tuple<std::string, bool, bool>, std::shared_ptr<TFontFace>> faces;
  std::map<std::pair<TFontFace*, int>, std::shared_ptr<TFontInstance>> instances;
};

Cache& TheCache() {
  // Never destroyed: fonts may still be in use while other statics go away at exit.
  static Cache* cache = new Cache;
  return *cache;
}

std::string PatternString(FcPattern* p, const char* object) {
  FcChar8* s = nullptr;
  return FcPatternGetString(p, object, 0, &s) == FcResultMatch ? reinterpret_cast<char*>(s) : std::string();
}

FT_Library Library() {
  static FT_Library library = [] {
    FT_Library l = nullptr;
    FT_Init_FreeType(&l);
    return l;
  }();
  return library;
}

void AddStyle(FcPattern* p, bool bold, bool italic) {
  FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
}

// The face fontconfig chose, with what it lacks of the style asked for made up.
TFontFace::Choice ChoiceOf(FcPattern* match, bool bold, bool italic) {
  TFontFace::Choice c;
  c.bold = bold;
  c.italic = italic;
  c.file = PatternString(match, FC_FILE);
  FcPatternGetInteger(match, FC_INDEX, 0, &c.index);
  c.family = PatternString(match, FC_FAMILY);
  c.style = PatternString(match, FC_STYLE);
  c.full = PatternString(match, FC_FULLNAME);
  int spacing = 0, weight = 0, slant = 0;
  c.spacing_known = FcPatternGetInteger(match, FC_SPACING, 0, &spacing) == FcResultMatch;
  c.fixed = c.spacing_known && spacing >= FC_MONO;
  FcBool embolden = FcFalse;
  c.embolden = bold && ((FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden) ||
                        (FcPatternGetInteger(match, FC_WEIGHT, 0, &weight) == FcResultMatch &&
                         weight < FC_WEIGHT_DEMIBOLD));
  c.oblique = italic && FcPatternGetInteger(match, FC_SLANT, 0, &slant) == FcResultMatch &&
              slant == FC_SLANT_ROMAN;
  return c;
}

// Asks fontconfig for the best font of a family; an unknown family gets fontconfig's fallback.
std::shared_ptr<TFontFace> ResolveFace(const std::string& family, bool bold, bool italic) {
  FcPattern* p = FcPatternCreate();
  FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  AddStyle(p, bold, italic);
  FcConfigSubstitute(nullptr, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, p, &result);
  FcPatternDestroy(p);
  TFontFace::Choice c;
  if (match) {
    c = ChoiceOf(match, bold, italic);
    FcPatternDestroy(match);
  }
  c.bold = bold;
  c.italic = italic;
  if (c.family.empty()) c.family = family;
  return std::make_shared<TFontFace>(Library(), c);
}

// Fallback faces and their sizes, apart from the requested fonts' cache: an instance being made
// under that cache's lock may look for fallbacks.
struct FallbackCache {
  std::mutex mutex;
  std::map<std::tuple<std::string, int, bool, bool>, std::shared_ptr<TFontFace>> faces;
  std::map<std::pair<TFontFace*, int>, std::shared_ptr<TFontInstance>> instances;
};

FallbackCache& TheFallbackCache() {
  static FallbackCache* cache = new FallbackCache;
  return *cache;
}

// The font fontconfig ranks first, for the family and style of `primary`, among those that have the
// character; nullptr when none has it.
std::shared_ptr<TFontInstance> FallbackInstance(const TFontFace& primary, int em, char32_t cp) {
  FcPattern* p = FcPatternCreate();
  FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(primary.Family().c_str()));
  AddStyle(p, primary.Bold(), primary.Italic());
  FcCharSet* wanted = FcCharSetCreate();
  FcCharSetAddChar(wanted, cp);
  FcPatternAddCharSet(p, FC_CHARSET, wanted);
  FcCharSetDestroy(wanted);
  FcConfigSubstitute(nullptr, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  FcResult result = FcResultNoMatch;
  FcFontSet* sorted = FcFontSort(nullptr, p, FcTrue, nullptr, &result);
  FcPattern* chosen = nullptr;
  for (int i = 0; sorted && i < sorted->nfont && !chosen; ++i) {
    FcCharSet* has = nullptr;
    if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &has) == FcResultMatch && FcCharSetHasChar(has, cp))
      chosen = FcFontRenderPrepare(nullptr, p, sorted->fonts[i]);
  }
  if (sorted) FcFontSetDestroy(sorted);
  FcPatternDestroy(p);
  if (!chosen) return nullptr;
  const TFontFace::Choice c = ChoiceOf(chosen, primary.Bold(), primary.Italic());
  FcPatternDestroy(chosen);
  if (c.file.empty()) return nullptr;
  FallbackCache& cache = TheFallbackCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  auto& face = cache.faces[{c.file, c.index, c.bold, c.italic}];
  if (!face) face = std::make_shared<TFontFace>(Library(), c);
  auto& inst = cache.instances[{face.get(), em}];
  if (!inst) inst = std::make_shared<TFontInstance>(face, em, true);
  return inst;
}

}  // namespace

TFontInstance::TFontInstance(std::shared_ptr<TFontFace> face, int em_pixels, bool fallback)
    : face_(std::move(face)), em_(em_pixels < 1 ? 1 : em_pixels), fallback_(fallback) {
  cairo_matrix_t m, id;
  cairo_matrix_init_scale(&m, em_, em_);
  cairo_matrix_init_identity(&id);
  scaled_ = cairo_scaled_font_create(face_->Face(), &m, &id, SharedFontOptions());

  const TFontFace& f = *face_;
  const double scale = static_cast<double>(em_) / f.units_per_em;
  win::TEXTMETRIC& tm = metrics_;
  tm.tmAscent = RoundTo(f.win_ascent * scale);
  tm.tmDescent = RoundTo(f.win_descent * scale);
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max(0, tm.tmHeight - em_);
  const int ext = f.hhea_gap - ((f.win_ascent + f.win_descent) - (f.hhea_ascent + f.hhea_descent));
  tm.tmExternalLeading = std::max(0, RoundTo(ext * scale));
  tm.tmMaxCharWidth = RoundTo(f.max_advance * scale);
  tm.tmWeight = 400;
  tm.tmOverhang = 0;
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFFFD;
  tm.tmDefaultChar = 0xFFFD;
  tm.tmBreakChar = 0x20;
  tm.tmCharSet = win::ANSI_CHARSET;
  // The fixed-pitch bit is set for variable-pitch fonts: the device layer's historical inversion.
  win::BYTE family = f.Fixed() ? win::FF_MODERN : (f.serif ? win::FF_ROMAN : win::FF_SWISS);
  tm.tmPitchAndFamily = static_cast<win::BYTE>(family | win::TMPF_TRUETYPE | win::TMPF_VECTOR |
                                           (f.Fixed() ? 0 : win::TMPF_FIXED_PITCH));

  for (char32_t c = 0; c < kDirect; ++c) direct_[c] = Measure(c);
  // A fixed-pitch font's average width is its cell width as the glyphs are laid out.
  tm.tmAveCharWidth = f.Fixed() ? direct_['x'].Advance : std::max(1, RoundTo(f.avg_width * scale));
  if (tm.tmMaxCharWidth < tm.tmAveCharWidth) tm.tmMaxCharWidth = tm.tmAveCharWidth;

  underline_thickness_ = std::max(1, RoundTo(f.underline_thickness * scale));
  underline_offset_ = std::max(1, RoundTo(-f.underline_pos * scale - underline_thickness_ / 2.0));
  if (underline_offset_ + underline_thickness_ > tm.tmDescent)
    underline_offset_ = std::max(1, tm.tmDescent - underline_thickness_);
  strikeout_thickness_ = std::max(1, RoundTo(f.strikeout_size * scale));
  strikeout_offset_ = -RoundTo(f.strikeout_pos * scale);
}

TFontInstance::~TFontInstance() { cairo_scaled_font_destroy(scaled_); }

bool TFontInstance::FixedPitch() const noexcept { return face_->Fixed(); }
const std::string& TFontInstance::FamilyName() const noexcept { return face_->Family(); }

std::uint32_t TFontInstance::IndexOf(char32_t cp) const {
  std::uint32_t index = 0;
  if (FT_Face ft = cairo_ft_scaled_font_lock_face(scaled_)) {
    index = FT_Get_Char_Index(ft, cp);
    cairo_ft_scaled_font_unlock_face(scaled_);
  }
  return index;
}

TGlyphInfo TFontInstance::FallbackGlyph(char32_t cp) {
  std::shared_ptr<TFontInstance> from;
  for (const auto& f : fallbacks_)
    if (f->IndexOf(cp)) {
      from = f;
      break;
    }
  if (!from) {
    from = FallbackInstance(*face_, em_, cp);
    if (!from || !from->IndexOf(cp)) return {};
    fallbacks_.push_back(from);
  }
  TGlyphInfo g = from->Glyph(cp);
  g.Font = from->ScaledFont();
  return g;
}

TGlyphInfo TFontInstance::Measure(char32_t cp) {
  TGlyphInfo g;
  if (cp < 0x20 || cp == 0x7F) return g;
  g.Index = IndexOf(cp);
  if (!g.Index && !fallback_ && face_->FreeTypeFace())
    if (TGlyphInfo other = FallbackGlyph(cp); other.Index) return other;
  // An outline-less face (the fallback) maps nothing: take cairo's own mapping.
  if (!g.Index && !face_->FreeTypeFace()) {
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    char utf8[5] = {};
    const std::string s = Utf8Encode(std::u32string(1, cp));
    std::copy_n(s.data(), std::min<std::size_t>(s.size(), 4), utf8);
    if (cairo_scaled_font_text_to_glyphs(scaled_, 0, 0, utf8, -1, &glyphs, &count, nullptr, nullptr, nullptr) ==
            CAIRO_STATUS_SUCCESS && count > 0)
      g.Index = static_cast<std::uint32_t>(glyphs[0].index);
    cairo_glyph_free(glyphs);
  }
  cairo_glyph_t glyph{g.Index, 0, 0};
  cairo_text_extents_t ext;
  cairo_scaled_font_glyph_extents(scaled_, &glyph, 1, &ext);
  g.Advance = RoundTo(ext.x_advance);
  g.BearingX = static_cast<int>(std::floor(ext.x_bearing));
  g.InkWidth = static_cast<int>(std::ceil(ext.x_bearing + ext.width)) - g.BearingX;
  if (ext.width == 0) g.InkWidth = 0;
  return g;
}

const TGlyphInfo& TFontInstance::SlowGlyph(char32_t cp) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = others_.find(cp);
  if (it != others_.end()) return it->second;
  return others_.emplace(cp, Measure(cp)).first->second;
}

void TFontInstance::FillOutlineMetrics(win::OUTLINETEXTMETRIC& otm) const {
  const TFontFace& f = *face_;
  const double scale = static_cast<double>(em_) / f.units_per_em;
  otm.otmSize = sizeof(win::OUTLINETEXTMETRIC);
  otm.otmTextMetrics = metrics_;
  otm.otmfsSelection = f.fs_selection;
  otm.otmfsType = f.fs_type;
  otm.otmsCharSlopeRise = 1;
  otm.otmsCharSlopeRun = 0;
  otm.otmItalicAngle = f.italic_angle;
  otm.otmEMSquare = static_cast<win::UINT>(f.units_per_em);
  otm.otmAscent = RoundTo(f.hhea_ascent * scale);
  otm.otmDescent = -RoundTo(f.hhea_descent * scale);
  otm.otmLineGap = static_cast<win::UINT>(std::max(0, RoundTo(f.typo_gap * scale)));
  otm.otmsCapEmHeight = static_cast<win::UINT>(std::max(0, RoundTo(f.cap_height * scale)));
  otm.otmsXHeight = static_cast<win::UINT>(std::max(0, RoundTo(f.x_height * scale)));
  otm.otmrcFontBox = {RoundTo(f.bbox[0] * scale), RoundTo(f.bbox[1] * scale),
                      RoundTo(f.bbox[2] * scale), RoundTo(f.bbox[3] * scale)};
  otm.otmMacAscent = RoundTo(f.hhea_ascent * scale);
  otm.otmMacDescent = -RoundTo(f.hhea_descent * scale);
  otm.otmMacLineGap = static_cast<win::UINT>(std::max(0, RoundTo(f.hhea_gap * scale)));
  otm.otmusMinimumPPEM = 9;
  otm.otmsStrikeoutSize = strikeout_thickness_;
  otm.otmsStrikeoutPosition = -strikeout_offset_;
  otm.otmsUnderscoreSize = underline_thickness_;
  otm.otmsUnderscorePosition = -underline_offset_;
  otm.otmpFamilyName = f.Family();
  otm.otmpFaceName = f.FullName();
  otm.otmpStyleName = f.Style();
  otm.otmpFullName = f.FullName();
}

std::shared_ptr<TFontInstance> AcquireFontInstance(const win::LOGFONT& lf) {
  std::string family(lf.lfFaceName, strnlen(lf.lfFaceName, sizeof lf.lfFaceName));
  if (family.empty()) family = "sans-serif";
  const bool bold = lf.lfWeight >= 600;
  const bool italic = lf.lfItalic != 0;
  Cache& cache = TheCache();
  std::lock_guard<std::mutex> lock(cache.mutex);
  auto& face = cache.faces[{family, bold, italic}];
  if (!face) face = ResolveFace(family, bold, italic);
  // Sizes past any screen's use are held to 4096 pixels, so no height can overflow or exhaust memory.
  double em;
  if (lf.lfHeight < 0) {
    em = -static_cast<double>(lf.lfHeight);
  } else if (lf.lfHeight > 0) {
    em = static_cast<double>(lf.lfHeight) * face->units_per_em / (face->win_ascent + face->win_descent);
  } else {
    em = 12;
  }
  const int em_px = static_cast<int>(std::lround(std::clamp(em, 1.0, 4096.0)));
  auto& inst = cache.instances[{face.get(), em_px}];
  if (!inst) inst = std::make_shared<TFontInstance>(face, em_px);
  return inst;
}

}  // namespace lab
