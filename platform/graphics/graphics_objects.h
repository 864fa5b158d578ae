#pragma once
// The framework's drawing tools: TFont, TPen and TBrush. Each builds its device object on first use
// and drops it when a property changes, and tells its owner through OnChange.

#include <cstdint>
#include <string>

#include "platform/rtl/persistent.h"
#include "platform/classes/properties.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/rtl/set.h"

namespace lab {

class TBitmap;

class TGraphicsObject : public TPersistent {
  LAB_CLASS(TGraphicsObject, TPersistent)
 public:
  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
LAB_ENUM_NAMES(TFontStyle, "fsBold", "fsItalic", "fsUnderline", "fsStrikeOut")
LAB_ENUM_NAMES(TFontPitch, "fpDefault", "fpVariable", "fpFixed")
using TFontCharset = std::uint8_t;

// Screen resolution the sizes in points are converted with.
constexpr int kScreenPixelsPerInch = 96;
// The family a font named "Default" (or nothing) stands for.
constexpr const char* kDefaultFontName = "sans-serif";

class TFont : public TGraphicsObject {
  LAB_CLASS(TFont, TGraphicsObject)
  LAB_PROPERTIES(TFont, TGraphicsObject)
 public:
  TFont();
  ~TFont() override;

  const std::string& Name() const noexcept { return name_; }
  void SetName(const std::string& v);
  // Size in points; Height in pixels: negative for the character height (the usual form), positive
  // for the cell height including internal leading.
  int Size() const;
  void SetSize(int points);
  int Height() const noexcept { return height_; }
  void SetHeight(int v);
  TFontStyles Style() const noexcept { return style_; }
  void SetStyle(TFontStyles v);
  TColor Color() const noexcept { return color_; }
  void SetColor(TColor v);
  TFontCharset Charset() const noexcept { return charset_; }
  void SetCharset(TFontCharset v);
  TFontPitch Pitch() const noexcept { return pitch_; }
  void SetPitch(TFontPitch v);
  // Text angle in tenths of a degree, counter-clockwise.
  int Orientation() const noexcept { return orientation_; }
  void SetOrientation(int v);
  int PixelsPerInch() const noexcept { return ppi_; }
  void SetPixelsPerInch(int v) { ppi_ = v > 0 ? v : kScreenPixelsPerInch; }

  // The device font; built on first use and kept until a property changes.
  win::HFONT Handle();
  // Takes the properties of a device font and takes over the handle: the font deletes it when it is
  // replaced, as the framework's fonts do, so the caller must not delete it.
  void SetHandle(win::HFONT h);
  win::LOGFONT LogFont() const;

  void Assign(TPersistent* Source) override;

 protected:
  void Changed() override;

 private:
  void DropHandle();

  std::string name_ = kDefaultFontName;
  int height_ = -11;  // 8 points at 96 pixels per inch
  TFontStyles style_;
  TColor color_ = clWindowText;
  TFontCharset charset_ = win::DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int orientation_ = 0;
  int ppi_ = kScreenPixelsPerInch;
  win::HFONT handle_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame, psUserStyle, psAlternate };
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
  pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
LAB_ENUM_NAMES(TPenStyle, "psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame",
               "psUserStyle", "psAlternate")
LAB_ENUM_NAMES(TPenMode, "pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
               "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask",
               "pmXor", "pmNotXor")
// The device mix (R2_*) of a pen mode.
int PenModeToROP2(TPenMode mode) noexcept;

class TPen : public TGraphicsObject {
  LAB_CLASS(TPen, TGraphicsObject)
  LAB_PROPERTIES(TPen, TGraphicsObject)
 public:
  TPen() = default;
  ~TPen() override;

  TColor Color() const noexcept { return color_; }
  void SetColor(TColor v);
  int Width() const noexcept { return width_; }
  void SetWidth(int v);
  TPenStyle Style() const noexcept { return style_; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const noexcept { return mode_; }
  void SetMode(TPenMode v);

  win::HPEN Handle();
  void Assign(TPersistent* Source) override;

 protected:
  void Changed() override;

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  win::HPEN handle_ = nullptr;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
LAB_ENUM_NAMES(TBrushStyle, "bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal",
               "bsCross", "bsDiagCross")

class TBrush : public TGraphicsObject {
  LAB_CLASS(TBrush, TGraphicsObject)
  LAB_PROPERTIES(TBrush, TGraphicsObject)
 public:
  TBrush() = default;
  ~TBrush() override;

  TColor Color() const noexcept { return color_; }
  // A colour makes a clear brush solid again, as in the framework.
  void SetColor(TColor v);
  TBrushStyle Style() const noexcept { return style_; }
  void SetStyle(TBrushStyle v);
  // A pattern bitmap (not owned); while set it paints instead of colour and style.
  TBitmap* Bitmap() const noexcept { return bitmap_; }
  void SetBitmap(TBitmap* v);

  win::HBRUSH Handle();
  void Assign(TPersistent* Source) override;

 protected:
  void Changed() override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
  win::HBRUSH handle_ = nullptr;
};

}  // namespace lab
