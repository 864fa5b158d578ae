#pragma once
// What the editor paints, laid out before it is drawn: each text row as the runs of cells drawn in
// one call each (colours, style, characters, the tab marks over them and the fill after the text),
// and the gutter's rows (numbers, wrapped-row glyphs, marks). A layout holds only what is on screen:
// a row is laid out from its columns in the clip, read from the line in place, so painting costs
// what is shown, never the length of a line. The columns come from the line list's cell map
// (line_columns.h), which hit testing and word wrap read too.

#include <cstdint>
#include <string>
#include <vector>

#include "editor/edit_types.h"
#include "platform/graphics/colors.h"
#include "platform/graphics/graphics_objects.h"
#include "platform/rtl/geometry.h"
#include "platform/win/gdi.h"

namespace lab {

class TCustomCodeEdit;
class TCodeEditMark;
class TCodeHighlighterAttributes;

// Cells of a row drawn in one call: display columns [First, Last) of the row.
struct TTextRun {
  int First = 0;
  int Last = 0;
  TColor Fore = clNone;
  TColor Back = clNone;
  TFontStyles Style;
  // Where the run's text starts, and the part of the clip it covers.
  int X = 0;
  TRect Rect;
};

// A tab whose cells reach into a row: display columns [First, First + Cells) of the row (it may
// start on the row before).
struct TTabSpan {
  std::int64_t First = 0;
  std::int64_t Cells = 0;
};

// A stretch of the row after its text, filled with one colour (pixels).
struct TRowFill {
  int From = 0;
  int To = 0;
  TColor Colour = clNone;
};

struct TTextRowLayout {
  int Line = 0;  // 1-based
  int Row = 0;
  int Top = 0;
  // The row's display columns on screen, [First, Last), and what each shows.
  int First = 0;
  int Last = 0;
  std::u32string Glyphs;
  std::vector<TTextRun> Runs;
  std::vector<TTabSpan> Tabs;
  std::vector<TRowFill> Fill;
};

// The text rows of one paint: what every row shares (the clip, the columns, colours, the selection),
// the look of the line being laid out, and the layout of one row at a time.
class TTextRows {
 public:
  // Clip is the text area's part of the paint; FirstCol .. LastCol - 1 the display columns in it.
  TTextRows(TCustomCodeEdit& Editor, win::HDC DC, const TRect& Clip, int FirstCol, int LastCol);

  // The editor's background (the highlighter's whitespace colour when it has one).
  TColor Background() const { return background_; }
  // Lays out line Line's look: its colours and its tokens as far as LastRow shows it.
  void StartLine(int Line, int LastRow);
  // Lays out one row of the line started last.
  void LayOutRow(int Row, TTextRowLayout& Layout);

 private:
  struct TLineRun {  // cells [First, Last) of the line (1-based expanded columns)
    std::int64_t First;
    std::int64_t Last;
    TColor Fore;
    TColor Back;
    TFontStyles Style;
  };
  void LayOutCells(std::int64_t RowStart, TTextRowLayout& Layout);
  void LayOutRuns(std::int64_t RowStart, TTextRowLayout& Layout);
  void AddPiece(int From, int To, TColor Fore, TColor Back, TFontStyles Style, TTextRowLayout& Layout);
  void LayOutFill(TTextRowLayout& Layout);
  int XOf(std::int64_t Column) const;

  TCustomCodeEdit& editor_;
  win::HDC dc_;
  TRect clip_;
  int first_col_;
  int last_col_;
  TColor background_;
  TCodeHighlighterAttributes* space_attr_ = nullptr;
  bool special_chars_;
  bool default_fore_;
  // The selection as the rows show it.
  bool show_selection_ = false;
  TDisplayCoord sel_begin_{}, sel_end_{};
  int sel_left_ = 0, sel_right_ = 0;
  TBufferCoord norm_begin_{}, norm_end_{};

  // The line being laid out.
  int line_ = 0;
  std::int64_t length_ = 0;  // its cells
  int last_row_ = 0;         // its last display row
  TColor row_back_ = clNone;
  bool special_ = false;
  TColor special_fore_ = clNone, special_back_ = clNone;
  TColor sel_fore_ = clNone, sel_back_ = clNone;
  std::vector<TLineRun> runs_;
  std::u32string text_;  // the line's text for the highlighter

  // The row being laid out.
  std::u32string cells_;  // its cells on screen as the text has them (tab cells as tabs)
  int row_sel_first_ = 0, row_sel_last_ = 0;
  bool sel_to_end_ = false;
  TFontStyles last_style_;
  int drawn_to_ = 0;  // the column after the row's text as drawn
};

// The gutter of one paint: the line numbers with where they go, the rows that continue a wrapped
// line, and the marks with their places.
struct TGutterLayout {
  struct TNumber {
    int Line = 0;
    int Top = 0;
    std::u32string Text;
    int X = 0;
    int Y = 0;
  };
  struct TMarkPlace {
    TCodeEditMark* Mark = nullptr;
    int X = 0;
    int Y = 0;
  };
  std::vector<TNumber> Numbers;
  // Tops of the rows that continue a wrapped line.
  std::vector<int> ContinuationTops;
  std::vector<TMarkPlace> Marks;
  // Each visible line with the offset the marks reached on its row and its row's top, for the
  // gutter-paint event.
  struct TLineEnd {
    int Line = 0;
    int Offset = 0;
    int Top = 0;
  };
  std::vector<TLineEnd> Lines;
};

// Lays out the gutter's rows FirstRow .. LastRow; NumberDC (with the numbers' font) measures the
// numbers, nullptr when they are not shown.
void LayOutGutter(TCustomCodeEdit& Editor, int FirstRow, int LastRow, win::HDC NumberDC, TGutterLayout& Layout);

}  // namespace lab
