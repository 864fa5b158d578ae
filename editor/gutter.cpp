#include "editor/gutter.h"

#include <algorithm>

#include "platform/graphics/canvas.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"

namespace lab {

// ---- Selection colours ----

void TCodeSelectedColor::DeclareProperties(TPropertyDeclarer<TCodeSelectedColor>& P) {
  P.Property("Background", &TCodeSelectedColor::Background, &TCodeSelectedColor::SetBackground)
      .Idents("TColor")
      .Default(clHighlight);
  P.Property("Foreground", &TCodeSelectedColor::Foreground, &TCodeSelectedColor::SetForeground)
      .Idents("TColor")
      .Default(clHighlightText);
}

void TCodeSelectedColor::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TCodeSelectedColor*>(Source)) {
    background_ = source->background_;
    foreground_ = source->foreground_;
    if (OnChange) OnChange(this);
    return;
  }
  TPersistent::Assign(Source);
}

void TCodeSelectedColor::SetBackground(TColor Value) {
  if (background_ == Value) return;
  background_ = Value;
  if (OnChange) OnChange(this);
}

void TCodeSelectedColor::SetForeground(TColor Value) {
  if (foreground_ == Value) return;
  foreground_ = Value;
  if (OnChange) OnChange(this);
}

// ---- Gutter ----

void TCodeGutter::DeclareProperties(TPropertyDeclarer<TCodeGutter>& P) {
  P.Property("AutoSize", &TCodeGutter::AutoSize, &TCodeGutter::SetAutoSize).Default(false);
  P.Property("BorderStyle", &TCodeGutter::BorderStyle, &TCodeGutter::SetBorderStyle).Default(gbsMiddle);
  P.Property("Color", &TCodeGutter::Color, &TCodeGutter::SetColor).Idents("TColor").Default(clBtnFace);
  P.Property("BorderColor", &TCodeGutter::BorderColor, &TCodeGutter::SetBorderColor).Idents("TColor").Default(clWindow);
  P.Property("Cursor", &TCodeGutter::Cursor, &TCodeGutter::SetCursor).Idents("TCursor").Default(crDefault);
  P.Property("DigitCount", &TCodeGutter::DigitCount, &TCodeGutter::SetDigitCount).Default(4);
  P.Property("Font", &TCodeGutter::Font, &TCodeGutter::SetFont);
  P.Property("LeadingZeros", &TCodeGutter::LeadingZeros, &TCodeGutter::SetLeadingZeros).Default(false);
  P.Property("LeftOffset", &TCodeGutter::LeftOffset, &TCodeGutter::SetLeftOffset).Default(16);
  P.Property("RightOffset", &TCodeGutter::RightOffset, &TCodeGutter::SetRightOffset).Default(2);
  P.Property("ShowLineNumbers", &TCodeGutter::ShowLineNumbers, &TCodeGutter::SetShowLineNumbers).Default(false);
  P.Property("UseFontStyle", &TCodeGutter::UseFontStyle, &TCodeGutter::SetUseFontStyle).Default(true);
  P.Property("Visible", &TCodeGutter::Visible, &TCodeGutter::SetVisible).Default(true);
  P.Property("Width", &TCodeGutter::Width, &TCodeGutter::SetWidth).Default(30);
  P.Property("ZeroStart", &TCodeGutter::ZeroStart, &TCodeGutter::SetZeroStart).Default(false);
  P.Property("LineNumberStart", &TCodeGutter::LineNumberStart, &TCodeGutter::SetLineNumberStart).Default(1);
  P.Property("Gradient", &TCodeGutter::Gradient, &TCodeGutter::SetGradient).Default(false);
  P.Property("GradientStartColor", &TCodeGutter::GradientStartColor, &TCodeGutter::SetGradientStartColor)
      .Idents("TColor")
      .Default(clWindow);
  P.Property("GradientEndColor", &TCodeGutter::GradientEndColor, &TCodeGutter::SetGradientEndColor)
      .Idents("TColor")
      .Default(clBtnFace);
  P.Property("GradientSteps", &TCodeGutter::GradientSteps, &TCodeGutter::SetGradientSteps).Default(48);
}

TCodeGutter::TCodeGutter() : font_(std::make_unique<TFont>()) {
  font_->SetName("monospace");
  font_->SetSize(8);
  font_->SetStyle({});
  font_->OnChange = [this](TObject*) {
    if (!assigning_) Changed();
  };
}

TCodeGutter::~TCodeGutter() { font_->OnChange = nullptr; }

void TCodeGutter::Changed() {
  if (!assigning_ && OnChange) OnChange(this);
}

void TCodeGutter::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCodeGutter*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  {
    assigning_ = true;
    TScopeExit done([&] { assigning_ = false; });
    font_->Assign(source->font_.get());
  }
  color_ = source->color_;
  border_color_ = source->border_color_;
  width_ = source->width_;
  show_line_numbers_ = source->show_line_numbers_;
  digit_count_ = source->digit_count_;
  leading_zeros_ = source->leading_zeros_;
  zero_start_ = source->zero_start_;
  left_offset_ = source->left_offset_;
  right_offset_ = source->right_offset_;
  cursor_ = source->cursor_;
  visible_ = source->visible_;
  use_font_style_ = source->use_font_style_;
  auto_size_ = source->auto_size_;
  auto_size_digit_count_ = source->auto_size_digit_count_;
  border_style_ = source->border_style_;
  line_number_start_ = source->line_number_start_;
  gradient_ = source->gradient_;
  gradient_start_color_ = source->gradient_start_color_;
  gradient_end_color_ = source->gradient_end_color_;
  gradient_steps_ = source->gradient_steps_;
  Changed();
}

int TCodeGutter::ShownNumber(int Line) const {
  if (zero_start_) return Line - 1;
  if (line_number_start_ > 1) return Line + line_number_start_ - 1;
  return Line;
}

std::string TCodeGutter::FormatLineNumber(int Line) const {
  std::string text = IntToStr(ShownNumber(Line));
  if (static_cast<int>(text.size()) < auto_size_digit_count_)
    text.insert(0, static_cast<std::size_t>(auto_size_digit_count_) - text.size(), ' ');
  if (leading_zeros_)
    for (std::size_t i = 0; i + 1 < text.size() && text[i] == ' '; ++i) text[i] = '0';
  return text;
}

void TCodeGutter::AutoSizeDigitCount(int LinesCount) {
  if (visible_ && auto_size_ && show_line_numbers_) {
    const int digits = std::max(static_cast<int>(IntToStr(ShownNumber(LinesCount)).size()), digit_count_);
    Store(auto_size_digit_count_, digits);
  } else {
    auto_size_digit_count_ = digit_count_;
  }
}

int TCodeGutter::RealGutterWidth(int CharWidth) const {
  if (!visible_) return 0;
  if (show_line_numbers_) return left_offset_ + right_offset_ + auto_size_digit_count_ * CharWidth + 2;
  return width_;
}

void TCodeGutter::SetFont(TFont* Value) { font_->Assign(Value); }
void TCodeGutter::SetColor(TColor Value) { Store(color_, Value); }
void TCodeGutter::SetBorderColor(TColor Value) { Store(border_color_, Value); }
void TCodeGutter::SetWidth(int Value) { Store(width_, std::max(0, Value)); }
void TCodeGutter::SetShowLineNumbers(bool Value) { Store(show_line_numbers_, Value); }

void TCodeGutter::SetDigitCount(int Value) {
  Value = std::clamp(Value, 2, 12);
  if (digit_count_ == Value) return;
  digit_count_ = Value;
  auto_size_digit_count_ = Value;
  Changed();
}

void TCodeGutter::SetLeadingZeros(bool Value) { Store(leading_zeros_, Value); }
void TCodeGutter::SetZeroStart(bool Value) { Store(zero_start_, Value); }
void TCodeGutter::SetLeftOffset(int Value) { Store(left_offset_, std::max(0, Value)); }
void TCodeGutter::SetRightOffset(int Value) { Store(right_offset_, std::max(0, Value)); }
void TCodeGutter::SetCursor(TCursor Value) { Store(cursor_, Value); }
void TCodeGutter::SetVisible(bool Value) { Store(visible_, Value); }
void TCodeGutter::SetUseFontStyle(bool Value) { Store(use_font_style_, Value); }
void TCodeGutter::SetAutoSize(bool Value) { Store(auto_size_, Value); }
void TCodeGutter::SetBorderStyle(TCodeGutterBorderStyle Value) { Store(border_style_, Value); }

void TCodeGutter::SetLineNumberStart(int Value) {
  Value = std::max(0, Value);
  if (line_number_start_ == Value) return;
  line_number_start_ = Value;
  zero_start_ = Value == 0;
  Changed();
}

void TCodeGutter::SetGradient(bool Value) { Store(gradient_, Value); }
void TCodeGutter::SetGradientStartColor(TColor Value) { Store(gradient_start_color_, Value); }
void TCodeGutter::SetGradientEndColor(TColor Value) { Store(gradient_end_color_, Value); }
void TCodeGutter::SetGradientSteps(int Value) { Store(gradient_steps_, std::max(2, Value)); }

// ---- Bookmark options ----

void TCodeBookMarkOpt::DeclareProperties(TPropertyDeclarer<TCodeBookMarkOpt>& P) {
  P.Property("BookmarkImages", &TCodeBookMarkOpt::BookmarkImages, &TCodeBookMarkOpt::SetBookmarkImages);
  P.Property("DrawBookmarksFirst", &TCodeBookMarkOpt::DrawBookmarksFirst, &TCodeBookMarkOpt::SetDrawBookmarksFirst)
      .Default(true);
  P.Property("EnableKeys", &TCodeBookMarkOpt::EnableKeys, &TCodeBookMarkOpt::SetEnableKeys).Default(true);
  P.Property("GlyphsVisible", &TCodeBookMarkOpt::GlyphsVisible, &TCodeBookMarkOpt::SetGlyphsVisible).Default(true);
  P.Property("LeftMargin", &TCodeBookMarkOpt::LeftMargin, &TCodeBookMarkOpt::SetLeftMargin).Default(2);
  P.Property("Xoffset", &TCodeBookMarkOpt::Xoffset, &TCodeBookMarkOpt::SetXoffset).Default(12);
}

void TCodeBookMarkOpt::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCodeBookMarkOpt*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  bookmark_images_ = source->bookmark_images_;
  if (bookmark_images_ && owner_) bookmark_images_->FreeNotification(owner_);
  draw_bookmarks_first_ = source->draw_bookmarks_first_;
  enable_keys_ = source->enable_keys_;
  glyphs_visible_ = source->glyphs_visible_;
  left_margin_ = source->left_margin_;
  xoffset_ = source->xoffset_;
  Changed();
}

void TCodeBookMarkOpt::SetBookmarkImages(TCustomImageList* Value) {
  if (bookmark_images_ == Value) return;
  bookmark_images_ = Value;
  if (Value && owner_) Value->FreeNotification(owner_);
  Changed();
}

void TCodeBookMarkOpt::SetDrawBookmarksFirst(bool Value) {
  if (draw_bookmarks_first_ == Value) return;
  draw_bookmarks_first_ = Value;
  Changed();
}

void TCodeBookMarkOpt::SetEnableKeys(bool Value) {
  if (enable_keys_ == Value) return;
  enable_keys_ = Value;
  Changed();
}

void TCodeBookMarkOpt::SetGlyphsVisible(bool Value) {
  if (glyphs_visible_ == Value) return;
  glyphs_visible_ = Value;
  Changed();
}

void TCodeBookMarkOpt::SetLeftMargin(int Value) {
  if (left_margin_ == Value) return;
  left_margin_ = Value;
  Changed();
}

void TCodeBookMarkOpt::SetXoffset(int Value) {
  if (xoffset_ == Value) return;
  xoffset_ = Value;
  Changed();
}

// ---- Gradient ----

void PaintGradient(TCanvas* Canvas, TColor StartColor, TColor EndColor, bool Horizontal, const TRect& Rect,
                   int Steps) {
  Steps = std::clamp(Steps, 2, 256);
  const TColorRef from = ColorToRGB(StartColor), to = ColorToRGB(EndColor);
  const int size = Horizontal ? Rect.Right - Rect.Left : Rect.Bottom - Rect.Top;
  auto channel = [&](int a, int b, int i) { return a + MulDiv(i, b - a, Steps - 1); };
  for (int i = 0; i < Steps; ++i) {
    const int start = MulDiv(i, size, Steps), stop = MulDiv(i + 1, size, Steps);
    const TRect band = Horizontal ? TRect{Rect.Left + start, Rect.Top, Rect.Left + stop, Rect.Bottom}
                                  : TRect{Rect.Left, Rect.Top + start, Rect.Right, Rect.Top + stop};
    Canvas->Brush()->SetColor(static_cast<TColor>(RGB(channel(GetRValue(from), GetRValue(to), i),
                                                      channel(GetGValue(from), GetGValue(to), i),
                                                      channel(GetBValue(from), GetBValue(to), i))));
    Canvas->FillRect(band);
  }
}

}  // namespace lab
