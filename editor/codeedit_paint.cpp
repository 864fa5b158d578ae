// Painting: the gutter (line numbers, the wrapped-line glyph, its border and the marks), the text rows
// (selection, active line, highlighter colours, special characters, the right edge), the plug-ins and
// the paint events. Only the rows and columns inside the clip rectangle are drawn.

#include <algorithm>
#include <cstdint>
#include <string>

#include "editor/codeedit.h"
#include "editor/paint_layout.h"
#include "platform/graphics/gdi.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"

namespace lab {

// ---------------------------------------------------------------------------------------------
// Paint events

void TCustomCodeEdit::DoOnPaint() {
  if (!OnPaint) return;
  Canvas()->SetFont(Font());
  Canvas()->Brush()->SetColor(Color());
  OnPaint(this, Canvas());
}

void TCustomCodeEdit::DoOnPaintTransientEx(TTransientType TransientType, bool Lock) {
  bool fire = paint_transient_lock_ == 0;
  if (Lock) {
    if (TransientType == ttBefore) {
      ++paint_transient_lock_;
    } else {
      --paint_transient_lock_;
      fire = paint_transient_lock_ == 0;
    }
  }
  if (!fire || !OnPaintTransient) return;
  Canvas()->SetFont(Font());
  Canvas()->Brush()->SetColor(Color());
  HideCaret();
  TScopeExit show([&] { ShowCaret(); });
  OnPaintTransient(this, Canvas(), TransientType);
}

bool TCustomCodeEdit::DoOnSpecialLineColors(int Line, TColor& Foreground, TColor& Background) {
  bool special = false;
  if (OnSpecialLineColors) OnSpecialLineColors(this, Line, special, Foreground, Background);
  return special;
}

// ---------------------------------------------------------------------------------------------
// Paint

void TCustomCodeEdit::Paint() {
  TCanvas* canvas = Canvas();
  const TRect clip = canvas->ClipRect();
  const std::int64_t text_left = std::int64_t{gutter_width_} + 2;
  const int first_col = clip.Left > text_left
                            ? SaturateCast<int>(left_char_ + (clip.Left - text_left) / char_width_)
                            : left_char_;
  const int last_col = SaturateCast<int>(left_char_ + (clip.Right - text_left + char_width_ - 1) / char_width_);
  const int first_row = std::max(top_line_ + clip.Top / text_height_, top_line_);
  const int rows = DisplayRowCount();
  // The rows the clip reaches into, and no more.
  const int last_row =
      std::clamp(SaturateCast<int>(std::int64_t{top_line_} + (clip.Bottom - 1) / text_height_), 1, std::max(1, rows));
  HideCaret();
  if (clip.Left < gutter_width_) {
    TRect r = clip;
    r.Right = gutter_width_;
    PaintGutter(r, first_row, last_row);
  }
  if (clip.Right > gutter_width_) {
    TRect r = clip;
    r.Left = std::max(r.Left, gutter_width_);
    PaintTextLines(r, first_row, last_row, first_col, last_col);
  }
  if (plugins_)
    for (TCodeEditPlugin* plugin : std::vector<TCodeEditPlugin*>(*plugins_))
      plugin->AfterPaint(canvas, clip, first_row, last_row);
  DoOnPaint();
  DoOnPaintTransient(ttAfter);
  caret_waits_for_paint_ = caret_paint_asked_ = false;
  UpdateCaret();
}

// ---------------------------------------------------------------------------------------------
// The gutter: laid out (paint_layout.h), then drawn in order: the numbers over their rows, the
// glyphs of continued rows, the border, the marks; then the gutter-paint event of each line.

void TCustomCodeEdit::PaintGutter(const TRect& AClip, int FirstRow, int LastRow) {
  TCanvas* canvas = Canvas();
  TCodeGutter& gutter = *gutter_;
  const bool gradient = gutter.Gradient();
  if (gradient)
    PaintGradient(canvas, gutter.GradientStartColor(), gutter.GradientEndColor(), true,
                  {0, 0, gutter_width_, ClientHeight()}, gutter.GradientSteps());
  canvas->Brush()->SetColor(gutter.Color());
  auto row_top = [&](int Row) { return SaturateCast<int>((std::int64_t{Row} - top_line_) * text_height_); };

  TGutterLayout layout;
  if (gutter.ShowLineNumbers()) {
    // The numbers in the gutter's font (or the editor's in plain style), opaque over their rows.
    // The drawer's own font is always the editor's: it is set back from there afterwards.
    const TFontStyles old_style = text_drawer_->BaseStyle();
    TScopeExit restore([&] {
      text_drawer_->SetBaseFont(Font());
      text_drawer_->SetBaseStyle(old_style);
    });
    TColor number_color;
    if (gutter.UseFontStyle()) {
      text_drawer_->SetBaseFont(gutter.Font());
      number_color = gutter.Font()->Color();
    } else {
      text_drawer_->SetStyle({});
      number_color = Font()->Color();
    }
    win::HDC dc = canvas->Handle();
    text_drawer_->BeginDrawing(dc);
    // The drawer gives the context back as it found it: the canvas selects its objects again.
    TScopeExit end_drawing([&] {
      text_drawer_->EndDrawing();
      canvas->Refresh();
    });
    LayOutGutter(*this, FirstRow, LastRow, dc, layout);
    text_drawer_->SetForeColor(number_color);
    text_drawer_->SetBackColor(gutter.Color());
    if (gradient) win::SetBkMode(dc, win::TRANSPARENT);
    int bottom = row_top(FirstRow);
    for (const TGutterLayout::TNumber& number : layout.Numbers) {
      // The continuation rows of the line above get no number.
      if (word_wrap_plugin_ && !gradient && number.Top > bottom)
        canvas->FillRect({0, bottom, gutter_width_, number.Top});
      const TRect cell{0, number.Top, std::max(gutter_width_ - 2, 0), number.Top + text_height_};
      win::ExtTextOut(dc, number.X, number.Y, gradient ? 0 : win::ETO_OPAQUE, &cell, number.Text);
      bottom = number.Top + text_height_;
    }
    if (!gradient && bottom < AClip.Bottom) canvas->FillRect({0, std::max(bottom, AClip.Top), gutter_width_, AClip.Bottom});
  } else {
    LayOutGutter(*this, FirstRow, LastRow, nullptr, layout);
    if (!gradient) canvas->FillRect(AClip);
  }

  if (!layout.ContinuationTops.empty()) {
    const int x = gutter_width_ - gutter.RightOffset() - 2 - word_wrap_glyph_->Width();
    if (gradient) canvas->Brush()->SetStyle(bsClear);
    for (const int top : layout.ContinuationTops) word_wrap_glyph_->Draw(canvas, x, top, text_height_);
    canvas->Brush()->SetStyle(bsSolid);
  }

  if (gutter.BorderStyle() != gbsNone && AClip.Right >= gutter_width_ - 2) {
    canvas->Pen()->SetWidth(1);
    const int x = gutter.BorderStyle() == gbsMiddle ? gutter_width_ - 2 : gutter_width_ - 1;
    canvas->Pen()->SetColor(gutter.BorderColor());
    canvas->MoveTo(x, AClip.Top);
    canvas->LineTo(x, AClip.Bottom);
    if (gutter.BorderStyle() == gbsMiddle) {
      canvas->Pen()->SetColor(gutter.Color());
      canvas->MoveTo(gutter_width_ - 1, AClip.Top);
      canvas->LineTo(gutter_width_ - 1, AClip.Bottom);
    }
  }

  TCustomImageList* images = bookmark_options_->BookmarkImages();
  for (const TGutterLayout::TMarkPlace& place : layout.Marks) {
    const TCodeEditMark* mark = place.Mark;
    if (images && !mark->InternalImage()) {
      if (mark->ImageIndex() < images->Count()) images->Draw(canvas, place.X, place.Y, mark->ImageIndex());
    } else if (mark->ImageIndex() >= 0 && mark->ImageIndex() <= 9) {
      if (!internal_image_) internal_image_ = std::make_unique<TCodeInternalImage>("CodeEditInternalImages", 10);
      internal_image_->DrawMark(canvas, mark->ImageIndex(), place.X, place.Y, text_height_);
    }
  }
  for (const TGutterLayout::TLineEnd& line : layout.Lines)
    if (OnGutterPaint) OnGutterPaint(this, line.Line, line.Offset, line.Top);
}

// ---------------------------------------------------------------------------------------------
// The text: each row laid out (paint_layout.h), then drawn: its runs with the tab marks over them,
// the fill after the text, the right edge.

namespace {

constexpr char32_t kTabMark = 0xBB;

}  // namespace

void TCustomCodeEdit::PaintTextLines(TRect AClip, int FirstRow, int LastRow, int FirstCol, int LastCol) {
  TCanvas* canvas = Canvas();
  const int count = lines_->Count();
  const int rows = DisplayRowCount();
  const int text_left = gutter_width_ + 2;
  const std::int64_t edge_x = std::int64_t{right_edge_} * char_width_ + text_offset_;
  const bool draw_edge = right_edge_ > 0 && edge_x >= AClip.Left && edge_x < AClip.Right;
  auto draw_edge_line = [&](int Top, int Bottom) {
    canvas->Pen()->SetColor(right_edge_color_);
    canvas->Pen()->SetWidth(1);
    canvas->MoveTo(static_cast<int>(edge_x), Top);
    canvas->LineTo(static_cast<int>(edge_x), Bottom);
  };
  TRect text_clip = AClip;
  text_clip.Left = std::max(AClip.Left, text_left);
  TTextRows text(*this, canvas->Handle(), text_clip, FirstCol, LastCol);
  // The margin between the gutter and the text.
  canvas->Brush()->SetColor(text.Background());
  if (AClip.Left < text_left) canvas->FillRect({std::max(AClip.Left, gutter_width_), AClip.Top, text_left, AClip.Bottom});
  AClip = text_clip;
  int painted_bottom = SaturateCast<int>((std::int64_t{FirstRow} - top_line_) * text_height_);
  if (rows > 0 && FirstRow <= rows && RowToLine(FirstRow) <= count && AClip.Right > AClip.Left) {
    const bool special_chars = options_.Contains(eoShowSpecialChars);
    text_drawer_->SetBaseStyle(Font()->Style());
    win::HDC dc = canvas->Handle();
    text_drawer_->BeginDrawing(dc);
    TScopeExit end_drawing([&] {
      text_drawer_->EndDrawing();
      canvas->Refresh();
    });
    TTextRowLayout row;
    const int first_line = RowToLine(FirstRow);
    const int last_line = std::min(RowToLine(LastRow), count);
    for (int line = first_line; line <= last_line; ++line) {
      text.StartLine(line, LastRow);
      const int line_last_row = word_wrap_plugin_ ? LineToRow(line + 1) - 1 : line;
      for (int r = std::max(LineToRow(line), FirstRow); r <= std::min(line_last_row, LastRow); ++r) {
        text.LayOutRow(r, row);
        for (const TTextRun& run : row.Runs) {
          text_drawer_->SetStyle(run.Style);
          text_drawer_->SetForeColor(run.Fore);
          text_drawer_->SetBackColor(run.Back);
          text_drawer_->ExtTextOut(run.X, row.Top, win::ETO_OPAQUE | win::ETO_CLIPPED, &run.Rect,
                                   row.Glyphs.data() + (run.First - row.First), run.Last - run.First);
          if (!special_chars) continue;
          // Each tab's cells show one mark, centred in them; a tab that the run cuts (a selection
          // edge, the window's edge) shows the part of its mark inside the run.
          for (const TTabSpan& tab : row.Tabs) {
            if (tab.First >= run.Last || tab.First + tab.Cells <= run.First) continue;
            const int x = SaturateCast<int>(std::int64_t{ColumnToXValue(SaturateCast<int>(tab.First))} +
                                     (tab.Cells - 1) * char_width_ / 2);
            text_drawer_->ExtTextOut(x, row.Top, win::ETO_CLIPPED, &run.Rect, &kTabMark, 1);
          }
        }
        for (const TRowFill& fill : row.Fill) {
          canvas->Brush()->SetColor(fill.Colour);
          win::RECT r{fill.From, row.Top, fill.To, row.Top + text_height_};
          win::SetBkColor(dc, ColorToRGB(fill.Colour));
          win::ExtTextOut(dc, fill.From, row.Top, win::ETO_OPAQUE, &r, std::u32string_view());
        }
        if (draw_edge) draw_edge_line(row.Top, row.Top + text_height_);
        painted_bottom = row.Top + text_height_;
      }
    }
  }
  // Below the last row.
  if (painted_bottom < AClip.Bottom) {
    canvas->Brush()->SetColor(text.Background());
    canvas->FillRect({AClip.Left, std::max(painted_bottom, AClip.Top), AClip.Right, AClip.Bottom});
  }
  if (draw_edge) draw_edge_line(AClip.Top, AClip.Bottom);
}

}  // namespace lab
