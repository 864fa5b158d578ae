#pragma once
// TTextDrawer: draws the editor's text in fixed cells. Each character is placed one cell width
// after the previous one, whatever the font's own advance, so columns line up for every style; the
// cell size comes from the extent style (bold for the editor), so bold text fits the same cells.

#include <memory>
#include <vector>

#include "editor/font_stock.h"
#include "platform/graphics/colors.h"
#include "platform/win/gdi.h"

namespace lab {

class TTextDrawer : public TObject {
  LAB_CLASS(TTextDrawer, TObject)
 public:
  TTextDrawer(TFontStyles CalcExtentBaseStyle, TFont* BaseFont);
  ~TTextDrawer() override;
  TTextDrawer(const TTextDrawer&) = delete;
  TTextDrawer& operator=(const TTextDrawer&) = delete;

  // Cell width (the base advance plus CharExtra) and height.
  int CharWidth() const { return GetCharWidth(); }
  int CharHeight() const { return GetCharHeight(); }

  // Raises ETextDrawerException for nullptr.
  virtual void SetBaseFont(TFont* Value);
  TFont* BaseFont() const { return stock_->BaseFont(); }
  // The style the cells are measured in.
  TFontStyles BaseStyle() const { return calc_extent_base_style_; }
  virtual void SetBaseStyle(TFontStyles Value);
  TFontStyles Style() const { return stock_->Style(); }
  virtual void SetStyle(TFontStyles Value);
  TColor ForeColor() const { return color_; }
  virtual void SetForeColor(TColor Value);
  TColor BackColor() const { return bk_color_; }
  virtual void SetBackColor(TColor Value);
  int CharExtra() const { return char_extra_; }
  virtual void SetCharExtra(int Value);
  // The device font of the current style.
  win::HFONT StockFont() const { return stock_->FontHandle(); }

  // Drawing happens between BeginDrawing and EndDrawing on one context; nested calls with the same
  // context only count. The context's state is saved and restored around the drawing.
  virtual void BeginDrawing(win::HDC DC);
  virtual void EndDrawing();
  // Text in the font's own advances.
  virtual void TextOut(int X, int Y, const char32_t* Text, int Length);
  // Text in cells of CharWidth; Options and ARect as the device's ExtTextOut takes them.
  virtual void ExtTextOut(int X, int Y, win::UINT Options, const TRect* ARect, const char32_t* Text, int Length);

  // The cell spacing handed to the device, for tests: its length grows in steps of 64.
  int SpacingLength() const { return static_cast<int>(dist_.size()); }

 protected:
  virtual void ReleaseETODist();
  virtual void AfterStyleSet();
  virtual void DoSetCharExtra(int Value);
  virtual int GetCharWidth() const { return base_char_width_ + char_extra_; }
  virtual int GetCharHeight() const { return base_char_height_; }

 private:
  void Measure();

  win::HDC dc_ = nullptr;
  int saved_dc_ = 0;
  std::unique_ptr<TFontStock> stock_;
  TFontStyles calc_extent_base_style_;
  int base_char_width_ = 0;
  int base_char_height_ = 0;
  win::HFONT cur_font_ = nullptr;
  std::vector<int> dist_;
  TColor color_ = clWindowText;
  TColor bk_color_ = clWindow;
  int char_extra_ = 0;
  int draw_count_ = 0;
};

}  // namespace lab
