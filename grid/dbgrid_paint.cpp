// The grid's painting: grid lines area by area (fixed corner, titles, fixed and frozen columns,
// data, footers), then the cells of the four areas through DrawCell, the background the cells
// leave, and the frame around selected rows. Also the draw information.

#include <algorithm>

#include "grid/dbgrid.h"
#include "grid/grid_unit.h"
#include "grid/title_tree.h"
#include "platform/graphics/themes.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/edges.h"
#include "platform/win/gdi.h"

namespace lab {

void TCustomDBGridX::CalcDrawInfo(TGridDrawInfoX& DrawInfo) {
  TCustomGrid::CalcDrawInfo(static_cast<TGridDrawInfo&>(DrawInfo));
  TGridAxisDrawInfo& h = DrawInfo.Horz;
  TGridAxisDrawInfo& v = DrawInfo.Vert;
  // The frozen columns are the last FrozenCols of the fixed ones.
  DrawInfo.FrozenExtent = 0;
  if (frozen_cols_ > 0)
    for (int i = std::max<int>(h.FixedCellCount - frozen_cols_, indicator_offset_); i < h.FixedCellCount; ++i)
      DrawInfo.FrozenExtent += h.GetExtent(i) + h.EffectiveLineWidth;
  // Footer rows: from the first of them to the grid's end, when it is on screen.
  DrawInfo.FooterExtent = 0;
  if (footer_row_count_ > 0) {
    const int first_footer = v.GridCellCount - footer_row_count_;
    const int start = v.CellStart(first_footer);
    if (start >= 0) DrawInfo.FooterExtent = v.GridBoundary - start;
  }
}

void TCustomDBGridX::DrawGridLines(bool DoHorz, bool DoVert, int StartCol, int StartRow, const TRect& Box,
                                   TColor OnColor, TColor OffColor, const TGridDrawInfoX& Info) {
  if (Box.Left >= Box.Right || Box.Top >= Box.Bottom) return;
  TCanvas* c = Canvas();
  win::HDC dc = c->Handle();
  thread_local std::vector<TPoint> points;
  thread_local std::vector<win::DWORD> counts;
  // Lines of one axis: each after its cell, across the box; lines of hidden cells are left out.
  auto axis_lines = [&](const TGridAxisDrawInfo& a, int cell, bool vertical, bool on) {
    const int lw = a.EffectiveLineWidth;
    if (lw == 0) return;
    points.clear();
    counts.clear();
    const int start = vertical ? Box.Left : Box.Top;
    const int stop = vertical ? Box.Right : Box.Bottom;
    int pos = start + lw / 2;
    for (; cell <= a.LastFullVisibleCell + 1 && cell < a.GridCellCount; ++cell) {
      const int extent = a.GetExtent(cell);
      const int line = pos + extent;
      if (line >= stop) break;
      if (extent >= 0) {
        if (vertical) {
          points.push_back({line, Box.Top});
          points.push_back({line, Box.Bottom});
        } else {
          points.push_back({Box.Left, line});
          points.push_back({Box.Right, line});
        }
        counts.push_back(2);
      }
      pos += extent + lw;
    }
    if (counts.empty()) return;
    const TColor color = on ? OnColor : OffColor;
    if (lw == 1) {
      c->Pen()->SetStyle(psSolid);
      c->Pen()->SetMode(pmCopy);
      c->Pen()->SetWidth(1);
      c->Pen()->SetColor(color);
      win::PolyPolyline(c->PreparedHandle(), points.data(), counts.data(), static_cast<win::DWORD>(counts.size()));
      return;
    }
    // Wide lines as flat-ended strokes: the stroke covers the line width around its middle.
    const win::COLORREF rgb = ColorToRGB(color);
    for (std::size_t i = 0; i < points.size(); i += 2) {
      const TPoint a0 = points[i], a1 = points[i + 1];
      const TRect r = vertical ? TRect{a0.X - lw / 2, a0.Y, a0.X - lw / 2 + lw, a1.Y}
                               : TRect{a0.X, a0.Y - lw / 2, a1.X, a0.Y - lw / 2 + lw};
      dc->FillSolidRect(r, rgb);
    }
  };
  // The lines of the axis that is switched on go last, so an "off" line never cuts them.
  if (DoHorz) {
    axis_lines(Info.Horz, StartCol, true, DoVert);
    axis_lines(Info.Vert, StartRow, false, DoHorz);
  } else {
    axis_lines(Info.Vert, StartRow, false, DoHorz);
    axis_lines(Info.Horz, StartCol, true, DoVert);
  }
}

void TCustomDBGridX::DrawCellArea(int StartCol, int StartRow, const TRect& Box, TColor AreaColor,
                                  TGridDrawState AreaState, const TGridDrawInfoX& Info) {
  TCanvas* c = Canvas();
  const TRect clip = c->ClipRect();
  const bool active = IsActiveControl();
  const TGridRect sel = TCustomGrid::Selection();
  const TGridOptions opts = TCustomGrid::Options();
  const bool designing = ComponentState().Contains(csDesigning);
  const bool base_drawing = TCustomGrid::DefaultDrawing() || designing;
  const bool editor_shows = opts.Contains(goEditing) && EditorMode() && !designing;
  int top = Box.Top;
  for (int row = StartRow; top < Box.Bottom && row < RowCount(); ++row) {
    const int bottom = top + RowHeights(row);
    // Rows wholly outside the clip cost nothing.
    if (bottom + 1 >= clip.Top && top - 1 < clip.Bottom) {
      int left = Box.Left;
      for (int col = StartCol; left < Box.Right && col < ColCount(); ++col) {
        const TRect where{left, top, left + ColWidths(col), bottom};
        left = where.Right + Info.Horz.EffectiveLineWidth;
        if (where.Right <= where.Left || where.Bottom <= where.Top) continue;
        if (IntersectRect(InflateRect(where, 1, 1), clip).IsEmpty()) continue;
        TGridDrawState state = AreaState;
        if (active && row == Row() && col == Col()) state += gdFocused;
        if (sel.Contains({col, row})) state += gdSelected;
        if (state.Contains(gdFocused) && editor_shows) continue;
        if (base_drawing) {
          c->SetFont(Font());
          if (state.Contains(gdSelected) && (!state.Contains(gdFocused) || opts.Contains(goDrawFocusSelected) ||
                                             opts.Contains(goRowSelect))) {
            c->Brush()->SetColor(clHighlight);
            c->Font()->SetColor(clHighlightText);
          } else {
            c->Brush()->SetColor(AreaColor);
          }
          c->FillRect(where);
        }
        DrawCell(col, row, where, state);
        if (TCustomGrid::DefaultDrawing() && state.Contains(gdFixed) && Ctl3D() &&
            (opts.Contains(goFixedVertLine) || opts.Contains(goFixedHorzLine))) {
          win::UINT far = 0, near = 0;
          if (opts.Contains(goFixedVertLine)) far |= win::BF_RIGHT, near |= win::BF_LEFT;
          if (opts.Contains(goFixedHorzLine)) far |= win::BF_BOTTOM, near |= win::BF_TOP;
          TRect r = where;
          if (!(far & win::BF_RIGHT)) r.Right += Info.Horz.EffectiveLineWidth;
          else if (!(far & win::BF_BOTTOM)) r.Bottom += Info.Vert.EffectiveLineWidth;
          win::DrawEdge(c->Handle(), &r, win::BDR_RAISEDINNER, far);
          win::DrawEdge(c->Handle(), &r, win::BDR_RAISEDINNER, near);
        }
        if (TCustomGrid::DefaultDrawing() && !designing && state.Contains(gdFocused) &&
            !(opts.Contains(goEditing) && opts.Contains(goAlwaysShowEditor)) && !opts.Contains(goRowSelect))
          c->DrawFocusRect(where);
      }
    }
    top = bottom + Info.Vert.EffectiveLineWidth;
  }
}

void TCustomDBGridX::Paint() {
  if (in_layout_) return;
  const TDBGridOptions dg = options_;
  const bool themed_lines = ThemeServices().ThemesEnabled() && options_x_.Contains(dgxFixed3D) &&
                            dg.Contains(dgColLines) && dg.Contains(dgRowLines);
  const TColor fixed_line = flat_ || themed_lines ? clBtnShadow : clBlack;
  const TColor data_line = ColorToRGB(Color()) == ColorToRGB(clSilver) ? clGray : clSilver;
  const bool mirrored = UseRightToLeftAlignment();
  if (mirrored) ChangeGridOrientation(true);
  TScopeExit unmirror([&] {
    if (mirrored) ChangeGridOrientation(false);
  });

  TGridDrawInfoX di;
  CalcDrawInfo(di);
  const TGridAxisDrawInfo& h = di.Horz;
  const TGridAxisDrawInfo& v = di.Vert;
  const TGridOptions opts = TCustomGrid::Options();
  if (h.EffectiveLineWidth > 0 || v.EffectiveLineWidth > 0) {
    const bool fixed_horz = opts.Contains(goFixedHorzLine), fixed_vert = opts.Contains(goFixedVertLine);
    const TColor fixed = FixedColor();
    DrawGridLines(fixed_horz, fixed_vert, 0, 0, {0, 0, h.FixedBoundary, v.FixedBoundary}, fixed_line, fixed, di);
    DrawGridLines(fixed_horz, fixed_vert, LeftCol(), 0, {h.FixedBoundary, 0, h.GridBoundary, v.FixedBoundary},
                  fixed_line, fixed, di);
    DrawGridLines(fixed_horz, fixed_vert, 0, TopRow(), {0, v.FixedBoundary, h.FixedBoundary, v.GridBoundary},
                  fixed_line, fixed, di);
    const bool footer_fixed = options_x_.Contains(dgxFooter3D) || footer_color_ == clBtnFace;
    if (frozen_cols_ > 0 && !options_x_.Contains(dgxFrozen3D)) {
      const int f = footer_fixed ? di.FooterExtent : 0;
      DrawGridLines(fixed_horz, fixed_vert, FixedCols() - frozen_cols_, TopRow(),
                    {h.FixedBoundary - di.FrozenExtent, v.FixedBoundary, h.FixedBoundary - 1, v.GridBoundary - f},
                    data_line, Color(), di);
    }
    DrawGridLines(opts.Contains(goHorzLine), opts.Contains(goVertLine), LeftCol(), TopRow(),
                  {h.FixedBoundary, v.FixedBoundary, h.GridBoundary, v.GridBoundary}, data_line, Color(), di);
    if (footer_fixed && footer_row_count_ > 0 && di.FooterExtent > 0) {
      DrawGridLines(opts.Contains(goHorzLine), opts.Contains(goVertLine), LeftCol(), RowCount() - footer_row_count_,
                    {h.FixedBoundary, v.GridBoundary - di.FooterExtent, h.GridBoundary, v.GridBoundary}, fixed_line,
                    FixedColor(), di);
      if (opts.Contains(goHorzLine)) {
        TCanvas* c = Canvas();
        c->Pen()->SetColor(fixed_line);
        c->Pen()->SetWidth(1);
        c->Pen()->SetStyle(psSolid);
        const int y = v.GridBoundary - di.FooterExtent - 1;
        c->MoveTo(h.FixedBoundary - di.FrozenExtent, y);
        c->LineTo(h.GridBoundary, y);
      }
    }
  }
  DrawCellArea(0, 0, {0, 0, h.FixedBoundary, v.FixedBoundary}, FixedColor(), {gdFixed}, di);
  DrawCellArea(LeftCol(), 0, {h.FixedBoundary, 0, h.GridBoundary, v.FixedBoundary}, FixedColor(), {gdFixed}, di);
  DrawCellArea(0, TopRow(), {0, v.FixedBoundary, h.FixedBoundary, v.GridBoundary}, FixedColor(), {gdFixed}, di);
  DrawCellArea(LeftCol(), TopRow(), {h.FixedBoundary, v.FixedBoundary, h.GridBoundary, v.GridBoundary}, Color(), {},
               di);

  TCanvas* c = Canvas();
  const bool designing = ComponentState().Contains(csDesigning);
  if (opts.Contains(goRowSelect) && TCustomGrid::DefaultDrawing() && Focused() && !designing) {
    const TRect r = lab::BoxRect(di, TCustomGrid::Selection(), false);
    if (!r.IsEmpty()) c->DrawFocusRect(r);
  }
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  if (h.GridBoundary < h.GridExtent) c->FillRect({h.GridBoundary, 0, h.GridExtent, v.GridBoundary});
  if (v.GridBoundary < v.GridExtent) c->FillRect({0, v.GridBoundary, h.GridExtent, v.GridExtent});
  if (dg.Contains(dgTitles) && use_multi_title_)
    THeadTreeNode::ForEachNode(title_tree_.get(), [](THeadTreeNode* n) { n->SetDrawn(false); });
  // One frame around the selected rows, from the first frozen column on.
  if (RowSelectFocused() && data_link_->Active()) {
    TGridRect box = TCustomGrid::Selection();
    box.Left = std::max(0, box.Left - frozen_cols_);
    box.Bottom = std::min(box.Bottom, RowCount() - 1);
    const TRect r = lab::BoxRect(di, box, false);
    if (!r.IsEmpty()) {
      c->Font()->SetColor(clWindowText);
      c->Brush()->SetColor(clWindow);
      c->DrawFocusRect(r);
    }
  }
}

bool TCustomDBGridX::RowSelectFocused() {
  return !ComponentState().Contains(csDesigning) && options_.Contains(dgRowSelect) && default_drawing_ &&
         Focused();
}

// Off-screen painting pays only where the themed cells or the tree lines would flicker.
bool TCustomDBGridX::UseDoubleBuffering() {
  return UseThemedFixedCells() || (TreeShown() && options_.Contains(dgRowLines));
}

// Once chosen, painting stays double-buffered (unless the program turned it off for all grids).
bool TCustomDBGridX::UseDoubleBuffer() {
  if (!double_buffer_ && !DBGridXResources().DoubleBufferingOff && UseDoubleBuffering()) double_buffer_ = true;
  return double_buffer_ || TCustomGrid::UseDoubleBuffer();
}

}  // namespace lab
