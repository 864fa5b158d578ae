#pragma once
// The editor's small option objects. Each stores a property only when it changes and then fires
// OnChange, which the editor hooks to repaint or re-measure; Assign from the same class copies every
// value and fires OnChange once.
//   TCodeGutter: the strip left of the text with line numbers, marks and an optional gradient.
//   TCodeSelectedColor: the selection's colours.
//   TCodeBookMarkOpt: how bookmarks and other marks are drawn and reached by keys.

#include <memory>
#include <string>

#include "platform/classes/component.h"
#include "platform/classes/properties.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/cursors.h"
#include "platform/graphics/graphics_objects.h"

namespace lab {

class TCanvas;
class TCustomImageList;

enum TCodeGutterBorderStyle { gbsNone, gbsMiddle, gbsRight };
LAB_ENUM_NAMES(TCodeGutterBorderStyle, "gbsNone", "gbsMiddle", "gbsRight")

class TCodeSelectedColor : public TPersistent {
  LAB_CLASS(TCodeSelectedColor, TPersistent)
  LAB_PROPERTIES(TCodeSelectedColor, TPersistent)
 public:
  void Assign(TPersistent* Source) override;

  TColor Background() const { return background_; }
  void SetBackground(TColor Value);
  TColor Foreground() const { return foreground_; }
  void SetForeground(TColor Value);

  TNotifyEvent OnChange;

 private:
  TColor background_ = clHighlight;
  TColor foreground_ = clHighlightText;
};

class TCodeGutter : public TPersistent {
  LAB_CLASS(TCodeGutter, TPersistent)
  LAB_PROPERTIES(TCodeGutter, TPersistent)
 public:
  TCodeGutter();
  ~TCodeGutter() override;
  TCodeGutter(const TCodeGutter&) = delete;
  TCodeGutter& operator=(const TCodeGutter&) = delete;

  void Assign(TPersistent* Source) override;

  // The number shown for Line (1-based), right-aligned in AutoSizeDigitCount characters: blanks
  // before it, or zeros with LeadingZeros.
  std::string FormatLineNumber(int Line) const;
  // With line numbers shown and AutoSize on, widens the digit count to the highest number shown for
  // LinesCount lines (never below DigitCount); otherwise the digit count is DigitCount.
  void AutoSizeDigitCount(int LinesCount);
  // The digit count in use.
  int AutoSizeDigitCount() const { return auto_size_digit_count_; }
  // Pixel width: 0 when hidden, room for the digits with line numbers, else Width.
  int RealGutterWidth(int CharWidth) const;

  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TColor BorderColor() const { return border_color_; }
  void SetBorderColor(TColor Value);
  // Never below 0.
  int Width() const { return width_; }
  void SetWidth(int Value);
  bool ShowLineNumbers() const { return show_line_numbers_; }
  void SetShowLineNumbers(bool Value);
  // Kept within 2 .. 12; also sets the digit count in use.
  int DigitCount() const { return digit_count_; }
  void SetDigitCount(int Value);
  bool LeadingZeros() const { return leading_zeros_; }
  void SetLeadingZeros(bool Value);
  // Line 1 shows as 0.
  bool ZeroStart() const { return zero_start_; }
  void SetZeroStart(bool Value);
  int LeftOffset() const { return left_offset_; }
  void SetLeftOffset(int Value);
  int RightOffset() const { return right_offset_; }
  void SetRightOffset(int Value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  bool UseFontStyle() const { return use_font_style_; }
  void SetUseFontStyle(bool Value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool Value);
  TCodeGutterBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TCodeGutterBorderStyle Value);
  // The number shown for line 1; negative values become 0, and 0 sets ZeroStart.
  int LineNumberStart() const { return line_number_start_; }
  void SetLineNumberStart(int Value);
  bool Gradient() const { return gradient_; }
  void SetGradient(bool Value);
  TColor GradientStartColor() const { return gradient_start_color_; }
  void SetGradientStartColor(TColor Value);
  TColor GradientEndColor() const { return gradient_end_color_; }
  void SetGradientEndColor(TColor Value);
  // At least 2.
  int GradientSteps() const { return gradient_steps_; }
  void SetGradientSteps(int Value);

  TNotifyEvent OnChange;

 private:
  void Changed();
  int ShownNumber(int Line) const;
  template <class T>
  void Store(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Changed();
  }

  std::unique_ptr<TFont> font_;
  TColor color_ = clBtnFace;
  TColor border_color_ = clWindow;
  int width_ = 30;
  bool show_line_numbers_ = false;
  int digit_count_ = 4;
  bool leading_zeros_ = false;
  bool zero_start_ = false;
  int left_offset_ = 16;
  int right_offset_ = 2;
  TCursor cursor_ = crDefault;
  bool visible_ = true;
  bool use_font_style_ = true;
  bool auto_size_ = false;
  int auto_size_digit_count_ = 4;
  TCodeGutterBorderStyle border_style_ = gbsMiddle;
  int line_number_start_ = 1;
  bool gradient_ = false;
  TColor gradient_start_color_ = clWindow;
  TColor gradient_end_color_ = clBtnFace;
  int gradient_steps_ = 48;
  bool assigning_ = false;
};

class TCodeBookMarkOpt : public TPersistent {
  LAB_CLASS(TCodeBookMarkOpt, TPersistent)
  LAB_PROPERTIES(TCodeBookMarkOpt, TPersistent)
 public:
  // AOwner (the editor) is told when the image list goes away.
  explicit TCodeBookMarkOpt(TComponent* AOwner = nullptr) : owner_(AOwner) {}

  TPersistent* GetOwner() override { return owner_; }
  void Assign(TPersistent* Source) override;

  // Images for the marks instead of the built-in bookmark glyphs; not owned.
  TCustomImageList* BookmarkImages() const { return bookmark_images_; }
  void SetBookmarkImages(TCustomImageList* Value);
  bool DrawBookmarksFirst() const { return draw_bookmarks_first_; }
  void SetDrawBookmarksFirst(bool Value);
  bool EnableKeys() const { return enable_keys_; }
  void SetEnableKeys(bool Value);
  bool GlyphsVisible() const { return glyphs_visible_; }
  void SetGlyphsVisible(bool Value);
  int LeftMargin() const { return left_margin_; }
  void SetLeftMargin(int Value);
  // Horizontal distance between the marks of one line.
  int Xoffset() const { return xoffset_; }
  void SetXoffset(int Value);

  TNotifyEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }

  TComponent* owner_;
  TCustomImageList* bookmark_images_ = nullptr;
  bool draw_bookmarks_first_ = true;
  bool enable_keys_ = true;
  bool glyphs_visible_ = true;
  int left_margin_ = 2;
  int xoffset_ = 12;
};

// Fills Rect with Steps bands (kept within 2 .. 256) from StartColor to EndColor, left to right when
// Horizontal, else top to bottom.
void PaintGradient(TCanvas* Canvas, TColor StartColor, TColor EndColor, bool Horizontal, const TRect& Rect,
                   int Steps);

}  // namespace lab
