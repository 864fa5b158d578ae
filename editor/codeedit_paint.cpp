// Painting: the gutter (line numbers, the wrapped-line glyph, its border and the marks), the text rows
// (selection, active line, highlighter colours, special characters, the right edge), the plug-ins and
// the paint events. Only the rows and columns inside the clip rectangle are drawn.

#include <algorithm>
#include <cstdint>
#include <string>

#include "editor/codeedit.h"
#include "platform/graphics/gdi.h"
#include "platform/graphics/image_list.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

constexpr char32_t kSpaceMark = 0xB7;  // a blank, with special characters shown
constexpr char32_t kTabMark = 0xBB;
constexpr char32_t kEolMark = 0xB6;

// A run of cells drawn in one call: display columns [First, Last) of the row.
struct TRun {
  int First;
  int Last;
  TColor Fore;
  TColor Back;
  TFontStyles Style;
};

}  // namespace

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
                            ? ClampToInt(left_char_ + (clip.Left - text_left) / char_width_)
                            : left_char_;
  const int last_col = ClampToInt(left_char_ + (clip.Right - text_left + char_width_ - 1) / char_width_);
  const int first_row = std::max(top_line_ + clip.Top / text_height_, top_line_);
  const int rows = DisplayRowCount();
  // The rows the clip reaches into, and no more.
  const int last_row =
      std::clamp(ClampToInt(std::int64_t{top_line_} + (clip.Bottom - 1) / text_height_), 1, std::max(1, rows));
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
  UpdateCaret();
}

// ---------------------------------------------------------------------------------------------
// The gutter

void TCustomCodeEdit::PaintGutter(const TRect& AClip, int FirstRow, int LastRow) {
  TCanvas* canvas = Canvas();
  TCodeGutter& gutter = *gutter_;
  const int count = lines_->Count();
  const bool gradient = gutter.Gradient();
  const int first_line = RowToLine(FirstRow);
  const int last_line = std::min(RowToLine(LastRow), count);
  if (gradient)
    PaintGradient(canvas, gutter.GradientStartColor(), gutter.GradientEndColor(), true,
                  {0, 0, gutter_width_, ClientHeight()}, gutter.GradientSteps());
  canvas->Brush()->SetColor(gutter.Color());
  auto row_top = [&](int Row) { return ClampToInt((std::int64_t{Row} - top_line_) * text_height_); };

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
    text_drawer_->SetForeColor(number_color);
    text_drawer_->SetBackColor(gutter.Color());
    if (gradient) win::SetBkMode(dc, win::TRANSPARENT);
    int bottom = row_top(FirstRow);
    for (int line = first_line; line <= last_line; ++line) {
      const int top = row_top(LineToRow(line));
      // The continuation rows of the line above get no number.
      if (word_wrap_plugin_ && !gradient && top > bottom)
        canvas->FillRect({0, bottom, gutter_width_, top});
      std::string text = gutter.FormatLineNumber(line);
      if (OnGutterGetText) OnGutterGetText(this, line, text);
      const std::u32string number = Utf8Decode(text);
      win::SIZE extent{};
      win::GetTextExtentPoint32(dc, number, &extent);
      const TRect cell{0, top, std::max(gutter_width_ - 2, 0), top + text_height_};
      const int x = gutter_width_ - gutter.RightOffset() - 2 - extent.cx;
      const int y = top + (text_height_ - extent.cy) / 2;
      win::ExtTextOut(dc, x, y, gradient ? 0 : win::ETO_OPAQUE, &cell, number);
      bottom = top + text_height_;
    }
    if (!gradient && bottom < AClip.Bottom) canvas->FillRect({0, std::max(bottom, AClip.Top), gutter_width_, AClip.Bottom});
  } else if (!gradient) {
    canvas->FillRect(AClip);
  }

  if (word_wrap_plugin_ && word_wrap_glyph_->Visible()) {
    const int x = gutter_width_ - gutter.RightOffset() - 2 - word_wrap_glyph_->Width();
    if (gradient) canvas->Brush()->SetStyle(bsClear);
    for (int row = FirstRow; row <= LastRow && row <= DisplayRowCount(); ++row)
      if (LineToRow(RowToLine(row)) != row) word_wrap_glyph_->Draw(canvas, x, row_top(row), text_height_);
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

  // Marks, then the gutter-paint event of each line with the place the marks reached on it.
  std::vector<int> offsets(static_cast<std::size_t>(std::max(0, LastRow - FirstRow + 1)), 0);
  auto offset_of = [&](int Line) -> int* {
    const int row = LineToRow(Line);
    if (row < FirstRow || row > LastRow) return nullptr;
    return &offsets[static_cast<std::size_t>(row - FirstRow)];
  };
  if (bookmark_options_->GlyphsVisible() && marks_->Count() > 0 && last_line >= first_line) {
    TCustomImageList* images = bookmark_options_->BookmarkImages();
    auto draw = [&](TCodeEditMark* mark) {
      int* offset = offset_of(mark->Line());
      if (!offset) return;
      const int x = bookmark_options_->LeftMargin() + *offset;
      const int y = row_top(LineToRow(mark->Line()));
      if (images && !mark->InternalImage()) {
        if (mark->ImageIndex() < images->Count()) images->Draw(canvas, x, y, mark->ImageIndex());
      } else if (mark->ImageIndex() >= 0 && mark->ImageIndex() <= 9) {
        if (!internal_image_) internal_image_ = std::make_unique<TCodeInternalImage>("CodeEditInternalImages", 10);
        internal_image_->DrawMark(canvas, mark->ImageIndex(), x, y, text_height_);
      }
      *offset += bookmark_options_->Xoffset();
    };
    bool skipped = false;
    const bool bookmarks_first = bookmark_options_->DrawBookmarksFirst();
    for (int i = 0; i < marks_->Count(); ++i) {
      TCodeEditMark* mark = marks_->Items(i);
      if (!mark->Visible() || mark->Line() < first_line || mark->Line() > last_line) continue;
      if (mark->IsBookmark() == bookmarks_first)
        draw(mark);
      else
        skipped = true;
    }
    if (skipped)
      for (int i = 0; i < marks_->Count(); ++i) {
        TCodeEditMark* mark = marks_->Items(i);
        if (mark->Visible() && mark->Line() >= first_line && mark->Line() <= last_line &&
            mark->IsBookmark() != bookmarks_first)
          draw(mark);
      }
  }
  if (OnGutterPaint)
    for (int line = first_line; line <= last_line; ++line) {
      const int* offset = offset_of(line);
      OnGutterPaint(this, line, offset ? *offset : 0, row_top(LineToRow(line)));
    }
}

// ---------------------------------------------------------------------------------------------
// The text

void TCustomCodeEdit::PaintTextLines(TRect AClip, int FirstRow, int LastRow, int FirstCol, int LastCol) {
  TCanvas* canvas = Canvas();
  const int count = lines_->Count();
  const int rows = DisplayRowCount();
  const int text_left = gutter_width_ + 2;
  // The editor's background: the highlighter's whitespace colour when it has one.
  TColor background = Color();
  TCodeHighlighterAttributes* space_attr = highlighter_ ? highlighter_->AttributeByName("Space") : nullptr;
  if (space_attr && space_attr->Background() != clNone) background = space_attr->Background();
  const std::int64_t edge_x = std::int64_t{right_edge_} * char_width_ + text_offset_;
  const bool draw_edge = right_edge_ > 0 && edge_x >= AClip.Left && edge_x < AClip.Right;
  canvas->Brush()->SetColor(background);
  if (AClip.Left < text_left) {
    canvas->FillRect({std::max(AClip.Left, gutter_width_), AClip.Top, text_left, AClip.Bottom});
    AClip.Left = text_left;
  }
  int painted_bottom = ClampToInt((std::int64_t{FirstRow} - top_line_) * text_height_);
  if (rows > 0 && FirstRow <= rows && RowToLine(FirstRow) <= count && AClip.Right > AClip.Left) {
    // The selection as the rows show it.
    const bool show_selection = (!hide_selection_ || Focused()) && SelAvail();
    TDisplayCoord sel_begin{}, sel_end{};
    int sel_left = 0, sel_right = 0;
    if (show_selection) {
      sel_begin = BufferToDisplayPos(NormalizedBlockBegin());
      sel_end = BufferToDisplayPos(NormalizedBlockEnd());
      sel_left = std::min(BufferToDisplayPos(block_begin_).Column, BufferToDisplayPos(block_end_).Column);
      sel_right = std::max(BufferToDisplayPos(block_begin_).Column, BufferToDisplayPos(block_end_).Column);
    }
    const TBufferCoord norm_begin = NormalizedBlockBegin(), norm_end = NormalizedBlockEnd();
    const bool enabled_highlighter = highlighter_ && highlighter_->Enabled();
    const bool special_chars = options_.Contains(eoShowSpecialChars);
    text_drawer_->SetBaseStyle(Font()->Style());
    win::HDC dc = canvas->Handle();
    text_drawer_->BeginDrawing(dc);
    TScopeExit end_drawing([&] {
      text_drawer_->EndDrawing();
      canvas->Refresh();
    });
    std::u32string cells;  // the cells of one run, as drawn
    const int first_line = RowToLine(FirstRow);
    const int last_line = std::min(RowToLine(LastRow), count);
    for (int line = first_line; line <= last_line; ++line) {
      const std::u32string text = lines_->ExpandedStrings(line - 1);
      const int length = static_cast<int>(text.size());
      const TColor row_back =
          active_line_color_ != clNone && line == caret_y_ ? active_line_color_ : background;
      TColor special_fore = Font()->Color(), special_back = row_back;
      const bool special = DoOnSpecialLineColors(line, special_fore, special_back);
      const bool default_fore = options_.Contains(eoSpecialLineDefaultFg);
      TColor sel_fore = selected_color_->Foreground(), sel_back = selected_color_->Background();
      if (special) {
        sel_fore = special_back;
        sel_back = special_fore;
      }
      // The line's runs over its whole expanded text (display columns of an unwrapped row).
      std::vector<TRun> runs;
      if (enabled_highlighter) {
        if (line > 1)
          highlighter_->SetRange(lines_->Ranges(line - 2));
        else
          highlighter_->ResetRange();
        highlighter_->SetLine(text, line - 1);
        while (!highlighter_->GetEol()) {
          const int start = highlighter_->GetTokenPos() + 1;
          const int stop = start + static_cast<int>(highlighter_->GetToken().size());
          TCodeHighlighterAttributes* attr = highlighter_->GetTokenAttribute();
          TColor fore = attr ? attr->Foreground() : Font()->Color();
          TColor back = attr ? attr->Background() : row_back;
          if (back == clNone || (active_line_color_ != clNone && line == caret_y_)) back = row_back;
          if (fore == clNone) fore = Font()->Color();
          if (special) {
            back = special_back;
            if (!default_fore) fore = special_fore;
          }
          if (stop > start) runs.push_back({start, stop, fore, back, attr ? attr->Style() : Font()->Style()});
          highlighter_->Next();
        }
        if (special_chars) runs.push_back({length + 1, length + 2,
                                           space_attr && space_attr->Foreground() != clNone ? space_attr->Foreground()
                                                                                             : Font()->Color(),
                                           row_back, {}});
      } else {
        runs.push_back({1, length + 1 + (special_chars ? 1 : 0), special && !default_fore ? special_fore : Font()->Color(),
                        special ? special_back : row_back, Font()->Style()});
      }
      auto cell_at = [&](int Column) -> char32_t {
        if (Column <= length) return text[static_cast<std::size_t>(Column - 1)];
        return Column == length + 1 && special_chars ? kEolMark : U' ';
      };
      const int line_first_row = LineToRow(line);
      const int line_last_row = word_wrap_plugin_ ? LineToRow(line + 1) - 1 : line;
      for (int row = std::max(line_first_row, FirstRow); row <= std::min(line_last_row, LastRow); ++row) {
        // Expanded column where this row's first cell stands, and how many cells the row holds.
        int row_start = 0, row_cells = length + 1;
        if (word_wrap_plugin_) {
          row_start = word_wrap_plugin_->DisplayToBufferPos({1, row}).Char - 1;
          row_cells = word_wrap_plugin_->GetRowLength(row) + (row == line_last_row ? 1 : 0);
        }
        const int top = ClampToInt((std::int64_t{row} - top_line_) * text_height_);
        const TRect row_rect{AClip.Left, top, AClip.Right, top + text_height_};
        // This row's selected columns (display columns); whole means the fill beyond the text too.
        int row_sel_first = 0, row_sel_last = 0;
        bool sel_to_end = false;
        if (show_selection && line >= norm_begin.Line && line <= norm_end.Line) {
          switch (active_selection_mode_) {
            case smNormal:
              if (row >= sel_begin.Row && row <= sel_end.Row) {
                row_sel_first = row == sel_begin.Row ? sel_begin.Column : 1;
                if (row == sel_end.Row) {
                  row_sel_last = sel_end.Column;
                } else {
                  row_sel_last = INT32_MAX;
                  sel_to_end = true;
                }
              }
              break;
            case smLine:
              row_sel_first = 1;
              row_sel_last = INT32_MAX;
              sel_to_end = true;
              break;
            case smColumn:
              row_sel_first = sel_left;
              row_sel_last = sel_right;
              break;
          }
        }
        const bool whole_row_selected = row_sel_first <= 1 && sel_to_end;
        // The visible cells: display columns FirstCol .. LastCol - 1, within the row.
        const int visible_first = FirstCol;
        const int visible_last = std::min<std::int64_t>(LastCol, std::int64_t{row_cells} + 1) > visible_first
                                     ? static_cast<int>(std::min<std::int64_t>(LastCol, std::int64_t{row_cells} + 1))
                                     : visible_first;
        auto x_of = [&](int Column) {
          return ClampToInt((std::int64_t{Column} - 1) * char_width_ + text_offset_);
        };
        // Draws display columns [From, To) of the row with one run's colours and style.
        TFontStyles last_style;
        auto draw_piece = [&](int From, int To, TColor Fore, TColor Back, TFontStyles Style) {
          if (To <= From) return;
          cells.clear();
          for (int c = From; c < To; ++c) {
            char32_t ch = cell_at(row_start + c);
            if (ch == U'\t')
              ch = U' ';
            else if (ch == U' ' && special_chars && row_start + c <= length)
              ch = kSpaceMark;
            cells.push_back(ch);
          }
          TRect rect{std::max(x_of(From), AClip.Left), top, std::min(x_of(To), AClip.Right), top + text_height_};
          if (rect.Right <= rect.Left) return;
          text_drawer_->SetStyle(Style);
          text_drawer_->SetForeColor(Fore);
          text_drawer_->SetBackColor(Back);
          text_drawer_->ExtTextOut(x_of(From), top, win::ETO_OPAQUE | win::ETO_CLIPPED, &rect, cells.data(),
                                   static_cast<int>(cells.size()));
          if (special_chars) {
            // Each tab's cells show one mark, centred in them; a tab that the piece cuts (a selection
            // edge, the window's left edge) shows the part of its mark inside the piece.
            auto tab_at = [&](int Col) { return Col >= 1 && Col <= length && text[static_cast<std::size_t>(Col - 1)] == U'\t'; };
            auto tab_goes_on = [&](int Col) { return tab_at(Col) && tab_at(Col - 1) && (Col - 1) % tab_width_ != 0; };
            int col = row_start + From;
            while (tab_goes_on(col)) --col;
            while (col < row_start + To) {
              if (!tab_at(col)) {
                ++col;
                continue;
              }
              int n = 1;
              while (tab_goes_on(col + n)) ++n;
              const char32_t mark = kTabMark;
              const int x = ClampToInt(std::int64_t{x_of(col - row_start)} + (std::int64_t{n} - 1) * char_width_ / 2);
              text_drawer_->ExtTextOut(x, top, win::ETO_CLIPPED, &rect, &mark, 1);
              col += n;
            }
          }
          last_style = Style;
        };
        // Splits a piece where the selection begins and ends.
        auto draw_split = [&](int From, int To, TColor Fore, TColor Back, TFontStyles Style) {
          const int s1 = std::clamp(row_sel_first, From, To), s2 = std::clamp(row_sel_last, From, To);
          if (row_sel_last <= row_sel_first || s2 <= s1) {
            draw_piece(From, To, Fore, Back, Style);
            return;
          }
          draw_piece(From, s1, Fore, Back, Style);
          draw_piece(s1, s2, sel_fore, sel_back, Style);
          draw_piece(s2, To, Fore, Back, Style);
        };
        // The runs of the row, merged while their look allows, each drawn once.
        bool queued = false;
        TRun queue{};
        auto spaces_only = [&](int From, int To) {
          for (int c = From; c < To; ++c)
            if (cell_at(row_start + c) != U' ') return false;
          return true;
        };
        int drawn_to = visible_first;
        for (const TRun& run : runs) {
          // The run's cells on this row, as display columns of the row, cut to the visible ones.
          const int from = std::max(run.First - row_start, visible_first);
          const int to = std::min(run.Last - row_start, visible_last);
          if (to <= from) continue;
          if (queued) {
            const bool spaces = spaces_only(from, to);
            const bool same_style = queue.Style == run.Style ||
                                    (!queue.Style.Contains(fsUnderline) && !run.Style.Contains(fsUnderline) && spaces);
            const bool colours_free = (special && !default_fore) || whole_row_selected;
            const bool same_colours = queue.Back == run.Back && (queue.Fore == run.Fore || spaces);
            if (same_style && (colours_free || same_colours) && queue.Last == from) {
              queue.Last = to;
              continue;
            }
            draw_split(queue.First, queue.Last, queue.Fore, queue.Back, queue.Style);
          }
          queue = {from, to, run.Fore, run.Back, run.Style};
          queued = true;
        }
        if (queued) {
          draw_split(queue.First, queue.Last, queue.Fore, queue.Back, queue.Style);
          drawn_to = queue.Last;
        }
        // The rest of the row: the row's background, the selection's colour where it goes on.
        int fill_x = std::max(x_of(drawn_to), AClip.Left);
        if (!last_style.Empty() && drawn_to > visible_first) {
          // A bold or italic glyph may hang over its cell: the fill leaves its overhang alone.
          win::ABC abc{};
          const char32_t last_char = cell_at(row_start + drawn_to - 1);
          int width = char_width_;
          if (win::GetCharABCWidths(dc, static_cast<win::UINT>(last_char), static_cast<win::UINT>(last_char), &abc))
            width = abc.abcA + static_cast<int>(abc.abcB) + std::max(0, abc.abcC);
          if (width > char_width_) fill_x += width - char_width_;
        }
        auto fill = [&](int From, int To, TColor Colour) {
          if (To <= From) return;
          canvas->Brush()->SetColor(Colour);
          win::RECT r{From, top, To, top + text_height_};
          win::SetBkColor(dc, ColorToRGB(Colour));
          win::ExtTextOut(dc, From, top, win::ETO_OPAQUE, &r, std::u32string_view());
        };
        const TColor fill_back = special ? special_back : row_back;
        if (fill_x < AClip.Right) {
          const int col = drawn_to;  // the first column of the fill
          if (row_sel_last > row_sel_first && (sel_to_end || active_selection_mode_ == smColumn) &&
              row_sel_last > col) {
            const int s1 = std::max(x_of(std::max(row_sel_first, col)), fill_x);
            const int s2 = sel_to_end ? AClip.Right : std::min(x_of(row_sel_last), AClip.Right);
            fill(fill_x, s1, fill_back);
            fill(std::max(s1, fill_x), s2, sel_back);
            fill(std::max(s2, fill_x), AClip.Right, fill_back);
          } else {
            fill(fill_x, AClip.Right, fill_back);
          }
        }
        if (draw_edge) {
          canvas->Pen()->SetColor(right_edge_color_);
          canvas->Pen()->SetWidth(1);
          canvas->MoveTo(static_cast<int>(edge_x), row_rect.Top);
          canvas->LineTo(static_cast<int>(edge_x), row_rect.Bottom);
        }
        painted_bottom = top + text_height_;
      }
    }
  }
  // Below the last row.
  if (painted_bottom < AClip.Bottom) {
    canvas->Brush()->SetColor(background);
    canvas->FillRect({AClip.Left, std::max(painted_bottom, AClip.Top), AClip.Right, AClip.Bottom});
  }
  if (draw_edge) {
    canvas->Pen()->SetColor(right_edge_color_);
    canvas->Pen()->SetWidth(1);
    canvas->MoveTo(static_cast<int>(edge_x), AClip.Top);
    canvas->LineTo(static_cast<int>(edge_x), AClip.Bottom);
  }
}

}  // namespace lab
