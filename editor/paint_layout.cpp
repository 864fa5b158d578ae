#include "editor/paint_layout.h"

#include <algorithm>

#include "editor/codeedit.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

constexpr char32_t kSpaceMark = 0xB7;  // a blank, with special characters shown
constexpr char32_t kEolMark = 0xB6;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text rows

TTextRows::TTextRows(TCustomCodeEdit& Editor, win::HDC DC, const TRect& Clip, int FirstCol, int LastCol)
    : editor_(Editor),
      dc_(DC),
      clip_(Clip),
      first_col_(FirstCol),
      last_col_(LastCol),
      background_(Editor.Color()),
      special_chars_(Editor.Options().Contains(eoShowSpecialChars)),
      default_fore_(Editor.Options().Contains(eoSpecialLineDefaultFg)) {
  if (TCodeCustomHighlighter* highlighter = Editor.Highlighter()) space_attr_ = highlighter->AttributeByName("Space");
  if (space_attr_ && space_attr_->Background() != clNone) background_ = space_attr_->Background();
  show_selection_ = (!Editor.HideSelection() || Editor.Focused()) && Editor.SelAvail();
  norm_begin_ = Editor.NormalizedBlockBegin();
  norm_end_ = Editor.NormalizedBlockEnd();
  if (show_selection_) {
    sel_begin_ = Editor.BufferToDisplayPos(norm_begin_);
    sel_end_ = Editor.BufferToDisplayPos(norm_end_);
    const int a = Editor.BufferToDisplayPos(Editor.BlockBegin()).Column;
    const int b = Editor.BufferToDisplayPos(Editor.BlockEnd()).Column;
    sel_left_ = std::min(a, b);
    sel_right_ = std::max(a, b);
  }
}

int TTextRows::XOf(std::int64_t Column) const {
  return SaturateCast<int>((Column - 1) * editor_.CharWidth() + editor_.TextOffset());
}

void TTextRows::StartLine(int Line, int LastRow) {
  const TCodeEditStringList& lines = *editor_.LineList();
  ICodeEditBufferPlugin* wrap = editor_.WordWrapPlugin();
  line_ = Line;
  length_ = lines.ExpandedStringLengths(Line - 1);
  last_row_ = wrap ? editor_.LineToRow(Line + 1) - 1 : Line;
  const bool active = editor_.ActiveLineColor() != clNone && Line == editor_.CaretY();
  row_back_ = active ? editor_.ActiveLineColor() : background_;
  const TColor font_color = editor_.Font()->Color();
  special_fore_ = font_color;
  special_back_ = row_back_;
  special_ = editor_.DoOnSpecialLineColors(Line, special_fore_, special_back_);
  sel_fore_ = editor_.SelectedColor()->Foreground();
  sel_back_ = editor_.SelectedColor()->Background();
  if (special_) {
    // The selected part of a line with colours of its own shows them exchanged.
    sel_fore_ = special_back_;
    sel_back_ = special_fore_;
  }
  runs_.clear();
  TCodeCustomHighlighter* highlighter = editor_.Highlighter();
  if (!highlighter || !highlighter->Enabled()) {
    runs_.push_back({1, length_ + 1 + (special_chars_ ? 1 : 0), special_ && !default_fore_ ? special_fore_ : font_color,
                     special_ ? special_back_ : row_back_, editor_.Font()->Style()});
    return;
  }
  // The tokens as far as the rows on screen show the line: one that starts past the last column of
  // the last row shown is never drawn. The highlighter reads the line's characters; their cells come
  // from the line's cell map.
  const int shown_row = std::min(last_row_, LastRow);
  const std::int64_t shown_start = wrap ? wrap->DisplayToBufferPos({1, shown_row}).Char - 1 : 0;
  const std::int64_t limit = shown_start + last_col_;
  if (Line > 1)
    highlighter->SetRange(lines.Ranges(Line - 2));
  else
    highlighter->ResetRange();
  text_.clear();
  lines.LineView(Line - 1).AppendTo(text_);
  highlighter->SetLine(text_, Line - 1);
  const TLineColumns columns = lines.Columns(Line - 1);
  std::int64_t at_char = 0, at_cell = 0;  // a cursor through the cells, for tokens in order
  auto cells_before = [&](std::int64_t Char) {
    if (Char < at_char) {
      at_char = Char;
      at_cell = columns.CellsBefore(Char);
      return at_cell;
    }
    columns.ForEachFrom(at_char, at_cell, [&](std::int64_t C, std::int64_t Cell, std::int64_t Width) {
      if (C >= Char) return false;
      at_char = C + 1;
      at_cell = Cell + Width;
      return true;
    });
    at_cell += Char - at_char;  // past the line's end, a cell a character
    at_char = Char;
    return at_cell;
  };
  const bool active_colour = editor_.ActiveLineColor() != clNone && Line == editor_.CaretY();
  while (!highlighter->GetEol()) {
    const std::int64_t pos = highlighter->GetTokenPos();
    const std::int64_t start = cells_before(pos) + 1;
    if (start >= limit) break;
    const std::int64_t stop = cells_before(pos + static_cast<std::int64_t>(highlighter->GetToken().size())) + 1;
    TCodeHighlighterAttributes* attr = highlighter->GetTokenAttribute();
    TColor fore = attr ? attr->Foreground() : font_color;
    TColor back = attr ? attr->Background() : row_back_;
    if (back == clNone || active_colour) back = row_back_;
    if (fore == clNone) fore = font_color;
    if (special_) {
      back = special_back_;
      if (!default_fore_) fore = special_fore_;
    }
    if (stop > start) runs_.push_back({start, stop, fore, back, attr ? attr->Style() : editor_.Font()->Style()});
    highlighter->Next();
  }
  if (special_chars_)
    runs_.push_back({length_ + 1, length_ + 2,
                     space_attr_ && space_attr_->Foreground() != clNone ? space_attr_->Foreground() : font_color,
                     row_back_, {}});
}

void TTextRows::LayOutRow(int Row, TTextRowLayout& Layout) {
  ICodeEditBufferPlugin* wrap = editor_.WordWrapPlugin();
  // Cells of the line before the row's first cell, and how many the row holds (the cell after the
  // line's end belongs to its last row).
  std::int64_t row_start = 0, row_cells = length_ + 1;
  if (wrap) {
    row_start = wrap->DisplayToBufferPos({1, Row}).Char - 1;
    row_cells = wrap->GetRowLength(Row) + (Row == last_row_ ? 1 : 0);
  }
  Layout.Line = line_;
  Layout.Row = Row;
  Layout.Top = SaturateCast<int>((std::int64_t{Row} - editor_.TopLine()) * editor_.TextHeight());
  Layout.First = first_col_;
  Layout.Last = static_cast<int>(std::max<std::int64_t>(first_col_, std::min<std::int64_t>(last_col_, row_cells + 1)));
  // This row's selected columns; to the end means the fill beyond the text too.
  row_sel_first_ = row_sel_last_ = 0;
  sel_to_end_ = false;
  if (show_selection_ && line_ >= norm_begin_.Line && line_ <= norm_end_.Line) {
    switch (editor_.ActiveSelectionMode()) {
      case smNormal:
        if (Row >= sel_begin_.Row && Row <= sel_end_.Row) {
          row_sel_first_ = Row == sel_begin_.Row ? sel_begin_.Column : 1;
          if (Row == sel_end_.Row) {
            row_sel_last_ = sel_end_.Column;
          } else {
            row_sel_last_ = INT32_MAX;
            sel_to_end_ = true;
          }
        }
        break;
      case smLine:
        row_sel_first_ = 1;
        row_sel_last_ = INT32_MAX;
        sel_to_end_ = true;
        break;
      case smColumn:
        row_sel_first_ = sel_left_;
        row_sel_last_ = sel_right_;
        break;
    }
  }
  LayOutCells(row_start, Layout);
  LayOutRuns(row_start, Layout);
  LayOutFill(Layout);
}

void TTextRows::LayOutCells(std::int64_t RowStart, TTextRowLayout& Layout) {
  Layout.Tabs.clear();
  const auto count = static_cast<std::size_t>(std::max(0, Layout.Last - Layout.First));
  cells_.resize(count);
  Layout.Glyphs.resize(count);
  if (count == 0) return;
  const TLineColumns columns = editor_.LineList()->Columns(line_ - 1);
  const std::int64_t first_cell = RowStart + Layout.First - 1;  // of the line, 0-based
  std::size_t filled = 0;
  if (!columns.HasTabs()) {
    // Cells are characters.
    const TLineView shown = columns.Line().substr(static_cast<std::size_t>(std::min(first_cell, length_)), count);
    shown.Visit([&](auto chars) { std::copy(chars.begin(), chars.end(), cells_.begin()); });
    filled = shown.size();
  } else {
    // A tab of one cell is a blank, as the one-cell expansion makes it.
    const bool tab_cells = columns.TabWidth() > 1;
    const std::int64_t stop_cell = first_cell + static_cast<std::int64_t>(count);
    std::int64_t start;
    const std::int64_t first_char = columns.CharAt(first_cell, start);
    columns.ForEachFrom(first_char, start, [&](std::int64_t Char, std::int64_t Cell, std::int64_t Width) {
      char32_t c = columns.Line()[static_cast<std::size_t>(Char)];
      if (c == U'\t') {
        if (tab_cells)
          Layout.Tabs.push_back({Cell - RowStart + 1, Width});
        else
          c = U' ';
      }
      for (std::int64_t k = std::max(Cell, first_cell); k < std::min(Cell + Width, stop_cell); ++k) cells_[filled++] = c;
      return Cell + Width < stop_cell;
    });
  }
  // Past the line: its end's mark, then blanks.
  for (; filled < count; ++filled)
    cells_[filled] = first_cell + static_cast<std::int64_t>(filled) == length_ && special_chars_ ? kEolMark : U' ';
  // What the cells show: a tab's cells are blank, and a blank of the text is a mark with special
  // characters shown.
  if (!special_chars_ && Layout.Tabs.empty()) {
    std::copy(cells_.begin(), cells_.end(), Layout.Glyphs.begin());
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const char32_t c = cells_[i];
    if (c == U'\t')
      Layout.Glyphs[i] = U' ';
    else if (c == U' ' && special_chars_ && first_cell + static_cast<std::int64_t>(i) < length_)
      Layout.Glyphs[i] = kSpaceMark;
    else
      Layout.Glyphs[i] = c;
  }
}

void TTextRows::AddPiece(int From, int To, TColor Fore, TColor Back, TFontStyles Style, TTextRowLayout& Layout) {
  if (To <= From) return;
  const int top = Layout.Top;
  const TRect rect{std::max(XOf(From), clip_.Left), top, std::min(XOf(To), clip_.Right), top + editor_.TextHeight()};
  if (rect.Right <= rect.Left) return;
  Layout.Runs.push_back({From, To, Fore, Back, Style, XOf(From), rect});
  last_style_ = Style;
}

void TTextRows::LayOutRuns(std::int64_t RowStart, TTextRowLayout& Layout) {
  Layout.Runs.clear();
  last_style_ = {};
  const bool whole_row_selected = row_sel_first_ <= 1 && sel_to_end_;
  // Splits a piece where the selection begins and ends.
  auto add_split = [&](int From, int To, TColor Fore, TColor Back, TFontStyles Style) {
    const int s1 = std::clamp(row_sel_first_, From, To), s2 = std::clamp(row_sel_last_, From, To);
    if (row_sel_last_ <= row_sel_first_ || s2 <= s1) {
      AddPiece(From, To, Fore, Back, Style, Layout);
      return;
    }
    AddPiece(From, s1, Fore, Back, Style, Layout);
    AddPiece(s1, s2, sel_fore_, sel_back_, Style, Layout);
    AddPiece(s2, To, Fore, Back, Style, Layout);
  };
  auto spaces_only = [&](int From, int To) {
    for (int c = From; c < To; ++c)
      if (cells_[static_cast<std::size_t>(c - Layout.First)] != U' ') return false;
    return true;
  };
  // The line's runs on this row, merged while their look allows, each added once.
  struct {
    int First, Last;
    TColor Fore, Back;
    TFontStyles Style;
  } queue{};
  bool queued = false;
  for (const TLineRun& run : runs_) {
    const int from = static_cast<int>(std::max<std::int64_t>(run.First - RowStart, Layout.First));
    const int to = static_cast<int>(std::min<std::int64_t>(run.Last - RowStart, Layout.Last));
    if (to <= from) continue;
    if (queued) {
      const bool spaces = spaces_only(from, to);
      const bool same_style = queue.Style == run.Style ||
                              (!queue.Style.Contains(fsUnderline) && !run.Style.Contains(fsUnderline) && spaces);
      const bool colours_free = (special_ && !default_fore_) || whole_row_selected;
      const bool same_colours = queue.Back == run.Back && (queue.Fore == run.Fore || spaces);
      if (same_style && (colours_free || same_colours) && queue.Last == from) {
        queue.Last = to;
        continue;
      }
      add_split(queue.First, queue.Last, queue.Fore, queue.Back, queue.Style);
    }
    queue = {from, to, run.Fore, run.Back, run.Style};
    queued = true;
  }
  drawn_to_ = Layout.First;
  if (queued) {
    add_split(queue.First, queue.Last, queue.Fore, queue.Back, queue.Style);
    drawn_to_ = queue.Last;
  }
}

void TTextRows::LayOutFill(TTextRowLayout& Layout) {
  Layout.Fill.clear();
  const int char_width = editor_.CharWidth();
  int fill_x = std::max(XOf(drawn_to_), clip_.Left);
  if (!last_style_.Empty() && drawn_to_ > Layout.First) {
    // A bold or italic glyph may hang over its cell: the fill leaves its overhang alone.
    editor_.TextDrawer()->SetStyle(last_style_);
    win::ABC abc{};
    const char32_t last_char = cells_[static_cast<std::size_t>(drawn_to_ - 1 - Layout.First)];
    int width = char_width;
    if (win::GetCharABCWidths(dc_, static_cast<win::UINT>(last_char), static_cast<win::UINT>(last_char), &abc))
      width = abc.abcA + static_cast<int>(abc.abcB) + std::max(0, abc.abcC);
    if (width > char_width) fill_x += width - char_width;
  }
  if (fill_x >= clip_.Right) return;
  auto fill = [&](int From, int To, TColor Colour) {
    if (To > From) Layout.Fill.push_back({From, To, Colour});
  };
  // The rest of the row: the row's background, the selection's colour where it goes on.
  const TColor fill_back = special_ ? special_back_ : row_back_;
  const int col = drawn_to_;  // the first column of the fill
  if (row_sel_last_ > row_sel_first_ && (sel_to_end_ || editor_.ActiveSelectionMode() == smColumn) &&
      row_sel_last_ > col) {
    const int s1 = std::max(XOf(std::max(row_sel_first_, col)), fill_x);
    const int s2 = sel_to_end_ ? clip_.Right : std::min(XOf(row_sel_last_), clip_.Right);
    fill(fill_x, s1, fill_back);
    fill(std::max(s1, fill_x), s2, sel_back_);
    fill(std::max(s2, fill_x), clip_.Right, fill_back);
  } else {
    fill(fill_x, clip_.Right, fill_back);
  }
}

// ---------------------------------------------------------------------------------------------
// The gutter

void LayOutGutter(TCustomCodeEdit& Editor, int FirstRow, int LastRow, win::HDC NumberDC, TGutterLayout& Layout) {
  Layout = TGutterLayout();
  TCodeGutter& gutter = *Editor.Gutter();
  const int gutter_width = Editor.GutterWidth();
  const int text_height = Editor.TextHeight();
  const int first_line = Editor.RowToLine(FirstRow);
  const int last_line = std::min(Editor.RowToLine(LastRow), Editor.LineList()->Count());
  auto row_top = [&](int Row) { return SaturateCast<int>((std::int64_t{Row} - Editor.TopLine()) * text_height); };

  if (NumberDC)
    for (int line = first_line; line <= last_line; ++line) {
      std::string text = gutter.FormatLineNumber(line);
      if (Editor.OnGutterGetText) Editor.OnGutterGetText(&Editor, line, text);
      TGutterLayout::TNumber number;
      number.Line = line;
      number.Top = row_top(Editor.LineToRow(line));
      number.Text = Utf8Decode(text);
      win::SIZE extent{};
      win::GetTextExtentPoint32(NumberDC, number.Text, &extent);
      number.X = gutter_width - gutter.RightOffset() - 2 - extent.cx;
      number.Y = number.Top + (text_height - extent.cy) / 2;
      Layout.Numbers.push_back(std::move(number));
    }

  if (Editor.WordWrapPlugin() && Editor.WordWrapGlyph()->Visible())
    for (int row = FirstRow; row <= LastRow && row <= Editor.DisplayRowCount(); ++row)
      if (Editor.LineToRow(Editor.RowToLine(row)) != row) Layout.ContinuationTops.push_back(row_top(row));

  // Each mark on a visible row moves that row's offset on, drawn or not.
  std::vector<int> offsets(static_cast<std::size_t>(std::max(0, LastRow - FirstRow + 1)), 0);
  auto offset_of = [&](int Line) -> int* {
    const int row = Editor.LineToRow(Line);
    if (row < FirstRow || row > LastRow) return nullptr;
    return &offsets[static_cast<std::size_t>(row - FirstRow)];
  };
  TCodeBookMarkOpt& options = *Editor.BookMarkOptions();
  TCodeEditMarkList& marks = *Editor.Marks();
  if (options.GlyphsVisible() && marks.Count() > 0 && last_line >= first_line) {
    auto place = [&](TCodeEditMark* Mark) {
      int* offset = offset_of(Mark->Line());
      if (!offset) return;
      Layout.Marks.push_back({Mark, options.LeftMargin() + *offset, row_top(Editor.LineToRow(Mark->Line()))});
      *offset += options.Xoffset();
    };
    auto shown = [&](TCodeEditMark* Mark) {
      return Mark->Visible() && Mark->Line() >= first_line && Mark->Line() <= last_line;
    };
    // The marks of one kind first (bookmarks or the others), then the rest.
    bool skipped = false;
    const bool bookmarks_first = options.DrawBookmarksFirst();
    for (int i = 0; i < marks.Count(); ++i) {
      TCodeEditMark* mark = marks.Items(i);
      if (!shown(mark)) continue;
      if (mark->IsBookmark() == bookmarks_first)
        place(mark);
      else
        skipped = true;
    }
    if (skipped)
      for (int i = 0; i < marks.Count(); ++i) {
        TCodeEditMark* mark = marks.Items(i);
        if (shown(mark) && mark->IsBookmark() != bookmarks_first) place(mark);
      }
  }
  if (Editor.OnGutterPaint)
    for (int line = first_line; line <= last_line; ++line) {
      const int* offset = offset_of(line);
      Layout.Lines.push_back({line, offset ? *offset : 0, row_top(Editor.LineToRow(line))});
    }
}

}  // namespace lab
