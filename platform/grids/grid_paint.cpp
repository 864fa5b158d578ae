// TCustomGrid: painting. Grid lines first, then the cells of the four areas (fixed corner, column
// titles, row titles, data) through DrawCell, then the background the cells leave.
#include <algorithm>

#include "platform/grids/grids.h"
#include "platform/grids/inplace_edit.h"
#include "platform/graphics/edges.h"
#include "platform/graphics/gdi.h"

namespace lab {

void TCustomGrid::DrawLines(bool DoHorz, bool DoVert, int Col, int Row, const TRect& Box,
                            TColor OnColor, TColor OffColor, const TGridDrawInfo& DrawInfo) {
  if (Box.Left >= Box.Right || Box.Top >= Box.Bottom) return;
  TCanvas* c = Canvas();
  // Lines of one axis: each fills the line width after its cell, across the box.
  auto axisLines = [&](const TGridAxisDrawInfo& a, int cell, bool vertical, bool on) {
    const int lw = a.EffectiveLineWidth;
    if (lw == 0) return;
    c->Brush()->SetColor(on ? OnColor : OffColor);
    c->Brush()->SetStyle(bsSolid);
    const int start = vertical ? Box.Left : Box.Top;
    const int stop = vertical ? Box.Right : Box.Bottom;
    int line = start + a.GetExtent(cell);
    while (cell <= a.LastFullVisibleCell + 1 && cell < a.GridCellCount && line < stop) {
      if (a.GetExtent(cell) >= 0) {
        const TRect r = vertical ? Rect(line, Box.Top, line + lw, Box.Bottom)
                                 : Rect(Box.Left, line, Box.Right, line + lw);
        c->FillRect(r);
      }
      // Hidden cells take no pixels: the next line sits where this one was.
      int incr = 0;
      do {
        ++cell;
        incr = cell < a.GridCellCount ? a.GetExtent(cell) + lw : 1;
      } while (incr <= 0);
      line += incr;
    }
  };
  // The lines in their "on" colour go last, so an "off" line never cuts through them.
  if (DoHorz) {
    axisLines(DrawInfo.Horz, Col, true, DoVert);
    axisLines(DrawInfo.Vert, Row, false, DoHorz);
  } else {
    axisLines(DrawInfo.Vert, Row, false, DoHorz);
    axisLines(DrawInfo.Horz, Col, true, DoVert);
  }
}

void TCustomGrid::DrawCells(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY,
                            TColor AColor, TGridDrawState IncludeDrawState,
                            const TGridDrawInfo& DrawInfo) {
  TCanvas* c = Canvas();
  const TRect clip = c->ClipRect();
  const bool focused = IsActiveControl();
  const TGridRect sel = Selection();
  const bool editorShows = Options().Contains(goEditing) && editor_mode_ && inplace_edit_ != nullptr;
  const TGridOptions opts = Options();
  int top = StartY;
  for (int row = ARow; top < StopY && row < RowCount(); ++row) {
    const int bottom = top + RowHeights(row);
    int left = StartX;
    for (int col = ACol; left < StopX && col < ColCount(); ++col) {
      const TRect where{left, top, left + ColWidths(col), bottom};
      if (where.Right > where.Left && where.Bottom > where.Top &&
          !IntersectRect(InflateRect(where, 1, 1), clip).IsEmpty()) {
        TGridDrawState state = IncludeDrawState;
        if (focused && row == Row() && col == Col()) state += gdFocused;
        if (sel.Contains({col, row})) state += gdSelected;
        // The focused cell under a shown editor is the editor's to paint.
        if (!(state.Contains(gdFocused) && editorShows)) {
          if (default_drawing_) {
            c->SetFont(Font());
            if (state.Contains(gdSelected) &&
                (!state.Contains(gdFocused) || opts.Contains(goDrawFocusSelected) ||
                 opts.Contains(goRowSelect))) {
              c->Brush()->SetColor(clHighlight);
              c->Font()->SetColor(clHighlightText);
            } else {
              c->Brush()->SetColor(AColor);
            }
            c->Brush()->SetStyle(bsSolid);
            c->FillRect(where);
          }
          DrawCell(col, row, where, state);
          if (default_drawing_ && state.Contains(gdFixed) && Ctl3D()) {
            win::UINT flags1 = 0, flags2 = 0;
            if (opts.Contains(goFixedVertLine)) {
              flags1 |= win::BF_RIGHT;
              flags2 |= win::BF_LEFT;
            }
            if (opts.Contains(goFixedHorzLine)) {
              flags1 |= win::BF_BOTTOM;
              flags2 |= win::BF_TOP;
            }
            if (flags1 != 0) {
              TRect r = where;
              if (!(flags1 & win::BF_RIGHT))
                r.Right += DrawInfo.Horz.EffectiveLineWidth;
              else if (!(flags1 & win::BF_BOTTOM))
                r.Bottom += DrawInfo.Vert.EffectiveLineWidth;
              win::DrawEdge(c->Handle(), &r, win::BDR_RAISEDINNER, flags1);
              win::DrawEdge(c->Handle(), &r, win::BDR_RAISEDINNER, flags2);
            }
          }
          if (default_drawing_ && state.Contains(gdFocused) &&
              !(opts.Contains(goEditing) && opts.Contains(goAlwaysShowEditor)) &&
              !opts.Contains(goRowSelect))
            c->DrawFocusRect(where);
        }
      }
      left = where.Right + DrawInfo.Horz.EffectiveLineWidth;
    }
    top = bottom + DrawInfo.Vert.EffectiveLineWidth;
  }
}

void TCustomGrid::Paint() {
  TGridDrawInfo di;
  CalcDrawInfo(di);
  const TGridAxisDrawInfo& h = di.Horz;
  const TGridAxisDrawInfo& v = di.Vert;
  const TGridOptions opts = Options();
  if (h.EffectiveLineWidth > 0 || v.EffectiveLineWidth > 0) {
    const TColor lineColor = ColorToRGB(Color()) == ColorToRGB(clSilver) ? clGray : clSilver;
    const bool fixedHorz = opts.Contains(goFixedHorzLine), fixedVert = opts.Contains(goFixedVertLine);
    DrawLines(fixedHorz, fixedVert, 0, 0, {0, 0, h.FixedBoundary, v.FixedBoundary}, clBlack,
              fixed_color_, di);
    DrawLines(fixedHorz, fixedVert, LeftCol(), 0, {h.FixedBoundary, 0, h.GridBoundary, v.FixedBoundary},
              clBlack, fixed_color_, di);
    DrawLines(fixedHorz, fixedVert, 0, TopRow(), {0, v.FixedBoundary, h.FixedBoundary, v.GridBoundary},
              clBlack, fixed_color_, di);
    DrawLines(opts.Contains(goHorzLine), opts.Contains(goVertLine), LeftCol(), TopRow(),
              {h.FixedBoundary, v.FixedBoundary, h.GridBoundary, v.GridBoundary}, lineColor, Color(), di);
  }
  DrawCells(0, 0, 0, 0, h.FixedBoundary, v.FixedBoundary, fixed_color_, {gdFixed}, di);
  DrawCells(LeftCol(), 0, h.FixedBoundary, 0, h.GridBoundary, v.FixedBoundary, fixed_color_, {gdFixed}, di);
  DrawCells(0, TopRow(), 0, v.FixedBoundary, h.FixedBoundary, v.GridBoundary, fixed_color_, {gdFixed}, di);
  DrawCells(LeftCol(), TopRow(), h.FixedBoundary, v.FixedBoundary, h.GridBoundary, v.GridBoundary,
            Color(), {}, di);

  TCanvas* c = Canvas();
  // A whole-row selection gets one focus frame around all its cells.
  if (opts.Contains(goRowSelect) && default_drawing_ && Focused()) {
    const TRect r = lab::BoxRect(di, Selection(), false);
    if (!r.IsEmpty()) c->DrawFocusRect(r);
  }
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  if (h.GridBoundary < h.GridExtent) c->FillRect({h.GridBoundary, 0, h.GridExtent, v.GridBoundary});
  if (v.GridBoundary < v.GridExtent) c->FillRect({0, v.GridBoundary, h.GridExtent, v.GridExtent});
}

void TCustomGrid::DrawSizingLine(const TGridDrawInfo& DrawInfo) {
  DrawSizingLine(DrawInfo, grid_state_ == gsRowSizing, sizing_.Pos);
}

void TCustomGrid::DrawSizingLine(const TGridDrawInfo& DrawInfo, bool Rows, int Pos) {
  if (Rows) DrawXorLine({0, Pos}, {DrawInfo.Horz.GridBoundary, Pos}, 1);
  else DrawXorLine({Pos, 0}, {Pos, DrawInfo.Vert.GridBoundary}, 1);
}

// The line is drawn while the mouse drags, outside a paint, through a context of its own that
// covers the line alone: released, it shows that much at once (the canvas's own context would hold
// the line back until the next paint).
void TCustomGrid::DrawXorLine(TPoint From, TPoint To, int Width) {
  if (!HandleAllocated()) return;
  const int half = Width / 2 + 1;
  win::HRGN clip = win::CreateRectRgn(std::min(From.X, To.X) - half, std::min(From.Y, To.Y) - half,
                                      std::max(From.X, To.X) + half + 1, std::max(From.Y, To.Y) + half + 1);
  win::HDC dc = wm::GetDCEx(Handle(), clip, win::DCX_INTERSECTRGN);
  win::DeleteObject(clip);
  if (!dc) return;
  TCanvas c;
  c.SetHandle(dc);
  c.Pen()->SetStyle(psDot);
  c.Pen()->SetMode(pmXor);
  c.Pen()->SetWidth(Width);
  c.Pen()->SetColor(line_pen_color_);
  c.MoveTo(From.X, From.Y);
  c.LineTo(To.X, To.Y);
  c.SetHandle(nullptr);
  wm::ReleaseDC(Handle(), dc);
}

// A thick line where the moved column or row would go.
void TCustomGrid::DrawMove() {
  int w = 0, h = 0;
  ClientExtent(w, h);
  if (grid_state_ == gsRowMoving) {
    const TRect r = CellRect(0, move_pos_);
    const int pos = move_pos_ > move_index_ ? r.Bottom : r.Top;
    DrawXorLine({0, pos}, {w, pos}, 5);
  } else {
    const TRect r = CellRect(move_pos_, 0);
    const int pos = move_pos_ > move_index_ ? r.Right : r.Left;
    DrawXorLine({pos, 0}, {pos, h}, 5);
  }
}

}  // namespace lab
