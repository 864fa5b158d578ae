#include "editor/text_drawer.h"

#include <string_view>

#include "editor/edit_exceptions.h"

namespace lab {

namespace {

constexpr const char* kUnit = "CodeTextDrawer";

}  // namespace

TTextDrawer::TTextDrawer(TFontStyles CalcExtentBaseStyle, TFont* BaseFont)
    : calc_extent_base_style_(CalcExtentBaseStyle) {
  if (!BaseFont) throw ETextDrawerException("SetBaseFont: 'Value' must be specified.");
  stock_ = std::make_unique<TFontStock>(BaseFont);
  SetBaseFont(BaseFont);
}

TTextDrawer::~TTextDrawer() {
  // A drawer freed in the middle of drawing gives the context back as it found it.
  if (dc_) win::RestoreDC(dc_, saved_dc_);
}

void TTextDrawer::ReleaseETODist() { dist_.clear(); }

void TTextDrawer::Measure() {
  ReleaseETODist();
  stock_->SetStyle(calc_extent_base_style_);
  base_char_width_ = stock_->CharAdvance();
  base_char_height_ = stock_->CharHeight();
}

void TTextDrawer::SetBaseFont(TFont* Value) {
  if (!Value) throw ETextDrawerException("SetBaseFont: 'Value' must be specified.");
  ReleaseETODist();
  stock_->SetBaseFont(Value);
  Measure();
  SetStyle(Value->Style());
}

void TTextDrawer::SetBaseStyle(TFontStyles Value) {
  if (Value == calc_extent_base_style_) return;
  calc_extent_base_style_ = Value;
  const TFontStyles style = stock_->Style();
  Measure();
  SetStyle(style);
}

void TTextDrawer::SetStyle(TFontStyles Value) {
  stock_->SetStyle(Value);
  AfterStyleSet();
}

void TTextDrawer::AfterStyleSet() {
  cur_font_ = stock_->FontHandle();
  if (dc_) win::SelectObject(dc_, cur_font_);
}

void TTextDrawer::SetForeColor(TColor Value) {
  color_ = Value;
  if (dc_) win::SetTextColor(dc_, ColorToRGB(Value));
}

void TTextDrawer::SetBackColor(TColor Value) {
  bk_color_ = Value;
  if (dc_) win::SetBkColor(dc_, ColorToRGB(Value));
}

void TTextDrawer::SetCharExtra(int Value) {
  if (Value == char_extra_) return;
  char_extra_ = Value;
  ReleaseETODist();  // the cells change width
  DoSetCharExtra(Value);
}

void TTextDrawer::DoSetCharExtra(int Value) {
  if (dc_) win::SetTextCharacterExtra(dc_, Value);
}

void TTextDrawer::BeginDrawing(win::HDC DC) {
  if (DC == dc_) {
    if (!dc_) CodeAssertionFailed(kUnit);
  } else {
    if (dc_ || !DC) CodeAssertionFailed(kUnit);
    dc_ = DC;
    saved_dc_ = win::SaveDC(DC);
    win::SelectObject(DC, cur_font_);
    win::SetTextColor(DC, ColorToRGB(color_));
    win::SetBkColor(DC, ColorToRGB(bk_color_));
    DoSetCharExtra(char_extra_);
  }
  ++draw_count_;
}

void TTextDrawer::EndDrawing() {
  if (draw_count_ <= 0) CodeAssertionFailed(kUnit);
  if (--draw_count_ > 0) return;
  if (saved_dc_) win::RestoreDC(dc_, saved_dc_);
  saved_dc_ = 0;
  dc_ = nullptr;
}

void TTextDrawer::TextOut(int X, int Y, const char32_t* Text, int Length) {
  if (!dc_ || Length <= 0) return;
  dc_->ExtTextOut(X, Y, 0, nullptr, std::u32string_view(Text, static_cast<std::size_t>(Length)));
}

void TTextDrawer::ExtTextOut(int X, int Y, win::UINT Options, const TRect* ARect, const char32_t* Text,
                             int Length) {
  if (!dc_) return;
  if (Length < 0) Length = 0;
  if (static_cast<int>(dist_.size()) < Length) dist_.assign(static_cast<std::size_t>(Length / 64 * 64 + 64), CharWidth());
  win::ExtTextOut(dc_, X, Y, Options, ARect, std::u32string_view(Text, static_cast<std::size_t>(Length)), dist_.data());
}

}  // namespace lab
