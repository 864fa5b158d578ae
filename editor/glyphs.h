#pragma once
// Pictures the editor draws beside its text. TCodeGlyph is one picture with a transparent colour (the
// word-wrap mark); TCodeInternalImage is a strip of equal cells (the built-in bookmark glyphs),
// shared by every editor that uses the same strip.

#include <memory>
#include <string>
#include <string_view>

#include "platform/classes/properties.h"
#include "platform/graphics/bitmap.h"

namespace lab {

class TCodeGlyph : public TPersistent {
  LAB_CLASS(TCodeGlyph, TPersistent)
  LAB_PROPERTIES(TCodeGlyph, TPersistent)
 public:
  // The built-in picture is the bitmap resource AName (none when empty), transparent in AMaskColor.
  explicit TCodeGlyph(std::string_view AName = {}, TColor AMaskColor = clNone);
  ~TCodeGlyph() override;
  TCodeGlyph(const TCodeGlyph&) = delete;
  TCodeGlyph& operator=(const TCodeGlyph&) = delete;

  void Assign(TPersistent* Source) override;

  // Draws the user's Glyph (transparent in MaskColor) when it has one, else the built-in picture,
  // centred on a line of LineHeight pixels at (X, Y); of a picture taller than the line only its
  // middle part shows. Pixels of the transparent colour take the canvas brush, or stay as they
  // were when the brush is clear.
  void Draw(TCanvas* ACanvas, int X, int Y, int LineHeight);
  // Width of the picture in use; 0 without one.
  int Width();

  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* Value);
  TColor MaskColor() const { return mask_color_; }
  void SetMaskColor(TColor Value);
  TBitmap* InternalGlyph() const { return internal_glyph_.get(); }

  TNotifyEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }

  bool visible_ = true;
  std::unique_ptr<TBitmap> internal_glyph_;
  TColor internal_mask_color_ = clNone;
  std::unique_ptr<TBitmap> glyph_;
  TColor mask_color_ = clNone;
};

class TCodeInternalImage : public TObject {
  LAB_CLASS(TCodeInternalImage, TObject)
 public:
  // The strip of Count cells in bitmap resource Name; raises EResNotFound when there is none.
  TCodeInternalImage(std::string_view Name, int Count);
  ~TCodeInternalImage() override;
  TCodeInternalImage(const TCodeInternalImage&) = delete;
  TCodeInternalImage& operator=(const TCodeInternalImage&) = delete;

  // Copies cell Number to (X, Y), centred on a line of LineHeight; of a cell taller than the line
  // only its middle part shows. A number outside the strip draws nothing.
  void DrawMark(TCanvas* ACanvas, int Number, int X, int Y, int LineHeight);

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return count_; }
  TBitmap* Images() const { return images_; }

  // Strips loaded and shared at present (for tests).
  static int SharedCount();

 private:
  std::string name_;
  TBitmap* images_;
  int width_;
  int height_;
  int count_;
};

}  // namespace lab
