#pragma once
// The drawing of one grid cell, as TCustomDBGridX::DrawCell runs it: TCellPainterX holds what one
// call decides (the cell's kind, raised or not, the text offsets, pressed and highlighted states)
// and draws the indicator, title, filter-row, data, footer and spacer cells, then the focus frame,
// the 3D edges and the bands of multi-level titles. Title cells are in title_drawing.cpp.

#include <string>

#include "grid/dbgrid.h"

namespace lab {

class TCellPainterX {
 public:
  TCellPainterX(TCustomDBGridX* Grid, TCanvas* Canvas) : g_(*Grid), c_(Canvas) {}
  void Draw(int ACol, int ARow, TRect ARect, TGridDrawState AState);

 private:
  void DrawIndicator();
  void DrawTitle(TColumnX* Column);
  void DrawTitleGroupNodes(THeadTreeNode* Node, TRect R, bool EndEllipsis);
  void DrawData(TColumnX* Column);
  void DrawDataContent(TColumnX* Column, const std::string& Value);
  void DrawEditButtons(TColumnX* Column, TEditButtonKindX Kind);
  void DrawFooterOrSpacer(TColumnX* Column);
  bool IsDuplicateOfPrevious(TColumnX* Column, const std::string& Text);
  void DrawRequiredMark(TColumnX* Column, const std::string& Text, const TRect& R);
  void DrawIncSearchText(TColumnX* Column, const std::string& Value);
  void DrawFocusFrame();
  bool GridIsActiveControl();

  TCustomDBGridX& g_;
  TCanvas* c_;
  // The framework cell, and its place in the data: column index into Columns (-1 for the
  // indicator), row index from the first data row (negative above it).
  int grid_col_ = 0, grid_row_ = 0;
  int col_ = 0, row_ = 0;
  // GetCellType's answer.
  TCellTypeX cell_type_;
  TRect rect_, orig_rect_;
  TGridDrawState state_;
  bool cell3d_ = false, themed_ = false;
  int frame_offs_ = 2, text_dy_ = 2;
  bool down_ = false, hot_ = false, hl_ = false, hidden_ = false;
  // Set while a data cell's edit buttons took room at its right.
  int buttons_width_ = 0;
};

// Assigns Font to the canvas only when it differs, so cells of one font keep its device font.
void SetCanvasFont(TCanvas* Canvas, TFont* Font);

}  // namespace lab
