// Title cells: the caption (one line, several lines, or turned on its side), the title image, the
// sort marker with the column's place among the sorted columns, a pressed title button, and the
// bands of multi-level titles above the column's own caption.

#include <string>

#include "grid/cell_drawing.h"
#include "grid/cell_writing.h"
#include "grid/grid_unit.h"

namespace lab {

void TCellPainterX::DrawTitle(TColumnX* Column) {
  TColumnTitleX* title = Column->Title();
  down_ = g_.TrackedTitleColumn() - g_.indicator_offset_ == col_ && g_.TitleButtonDown();
  const bool multi = g_.use_multi_title_ && col_ < static_cast<int>(g_.title_leaves_.size());
  int image_w = 0;
  std::string caption;
  if (multi) {
    THeadTreeNode* leaf = g_.title_leaves_[static_cast<std::size_t>(col_)].Leaf;
    rect_.Top = rect_.Bottom - leaf->Height() + 3;
    caption = leaf->Text();
  } else {
    caption = title->Caption();
  }
  if (g_.title_images_ && title->ImageIndex() != -1) {
    caption.clear();
    image_w = g_.title_images_->Width();
  }
  TRect tr = rect_;
  TSortMarkerX marker = title->SortMarker();
  if (Column->GetField() && g_.OnGetBtnParams) {
    TColor background = c_->Brush()->Color();
    g_.OnGetBtnParams(&g_, Column, c_->Font(), background, marker, down_);
    c_->Brush()->SetColor(background);
  }
  int left_marg = 0, right_marg = 0;
  const bool lines = g_.title_height_ != 0 || g_.title_lines_ != 0;
  if (down_) {
    const int shift = g_.use_multi_title_ || lines ? 2 : 1;
    left_marg = shift;
    right_marg = -shift;
    tr.Top += shift;
  }
  TDBGridXResources& res = DBGridXResources();
  const int marker_image = marker == smDownX ? 0 : marker == smUpX ? 1 : -1;
  int index_w = 0;
  bool marker_fits = true;
  if (marker_image >= 0) {
    tr.Right -= 16;
    if (g_.sort_marked_columns_.Count() > 1) {
      SetCanvasFont(c_, res.SortIndexFont.get());
      index_w = c_->TextWidth(std::to_string(title->SortIndex()));
    }
    if (tr.Left + image_w > tr.Right) {
      tr.Right += 14 - index_w;
      marker_fits = false;
      if (tr.Left + image_w > tr.Right) {
        tr.Right += 2 + index_w;
        index_w = 0;
      }
    }
  }
  SetCanvasFont(c_, title->Font());
  if (Column->GetField() && g_.OnGetBtnParams) {
    // Only the font it leaves counts now: the background and the marker were taken the first time.
    TColor background = c_->Brush()->Color();
    TSortMarkerX ignored = marker;
    g_.OnGetBtnParams(&g_, Column, c_->Font(), background, ignored, down_);
  }
  hot_ = g_.IsCellSelected(grid_col_, grid_row_, cell_type_.DataCol, {});
  TColor background = c_->Brush()->Color();
  hl_ = g_.HighlightFixedCell(grid_col_, grid_row_, cell_type_, state_, hot_, background,
                              c_->Font());
  c_->Brush()->SetColor(background);
  if (themed_) g_.FillFixedCellBackground(rect_, down_, hot_, {});
  else if (tr.Right < rect_.Right) c_->FillRect(TRect{tr.Right, rect_.Top, rect_.Right, rect_.Bottom});

  const bool fill = !themed_;
  const bool vertical = title->Orientation() == toxVertical;
  const TAlignment align = multi ? taCenter : title->Alignment();
  // Titles of several lines are centred vertically; a one-line title moves with its pressed button.
  const bool several = multi || lines;
  if (!several) {
    tr.Left += left_marg;
    tr.Right -= right_marg;
  }
  if (vertical)
    WriteCellTextVertical(c_, tr, fill, frame_offs_, text_dy_ + 2, caption, align, tlBottom, title->EndEllipsis(),
                          false);
  else
    g_.WriteCellText(Column, c_, tr, fill, frame_offs_, text_dy_, caption, align, several ? tlCenter : tlTop, several,
                     title->EndEllipsis(), left_marg, right_marg);
  if (g_.title_images_ && title->ImageIndex() != -1)
    DrawImageInCell(g_.title_images_, c_, tr, title->ImageIndex(), left_marg, align);
  if (marker_image < 0) return;
  TImageList* markers = res.SortMarkerImages.get();
  const int marker_top = (rect_.Top + rect_.Bottom - markers->Height()) / 2 + left_marg;
  if (marker_fits)
    markers->Draw(c_, rect_.Right - markers->Width() - 2 - index_w + left_marg, marker_top, marker_image, true);
  if (index_w != 0) {
    SetCanvasFont(c_, res.SortIndexFont.get());
    if (hl_) c_->Font()->SetColor(clWhite);
    const TBrushStyle style = c_->Brush()->Style();
    if (themed_) c_->Brush()->SetStyle(bsClear);
    c_->TextOut(rect_.Right - index_w - 2 + left_marg, marker_top - 1, std::to_string(title->SortIndex()));
    if (themed_) c_->Brush()->SetStyle(style);
    SetCanvasFont(c_, g_.title_font_.get());
    if (hl_) c_->Font()->SetColor(clWhite);
  }
}

void TCellPainterX::DrawTitleGroupNodes(THeadTreeNode* Node, TRect R, bool EndEllipsis) {
  THeadTreeNode* group = Node->Host();
  const TDBGridOptions opts = g_.options_;
  const int bottom = R.Top - (opts.Contains(dgRowLines) ? 1 : 0);
  R.Top -= group->Height();
  int offset = 0;
  for (THeadTreeNode* n = group->Child(); n && n != Node; n = n->Next())
    offset += n->Width() + (opts.Contains(dgColLines) ? 1 : 0);
  R.Left -= offset;
  R.Right = R.Left + group->Width();
  const TRect cell = rect_;
  int left_cut = R.Left - cell.Left;
  int right_cut = cell.Right - R.Right;
  // Only the slice of the band above this cell is painted.
  TRect tr{cell.Left, R.Top, cell.Right, bottom};
  if (right_cut != 0 && !(grid_col_ == g_.FixedCols() - 1 && g_.FixedCols() != g_.LeftCol())) {
    ++right_cut;
    ++tr.Right;
  }
  const bool fixed3d = state_.Contains(gdFixed) && g_.options_x_.Contains(dgxFixed3D);
  if (fixed3d) tr = InflateRect(tr, 0, -1);
  TRect box = tr;
  if (left_cut == 0) {
    c_->FillRect(TRect{box.Left, box.Top, box.Left + 2, box.Bottom});
    box.Left += 2;
  } else {
    left_cut += 2;
  }
  if (right_cut == 0) {
    c_->FillRect(TRect{box.Right - 2, box.Top, box.Right, box.Bottom});
    box.Right -= 2;
  } else {
    right_cut += 2;
  }
  if (themed_)
    g_.FillFixedCellBackground(TRect{box.Left + left_cut - 1, box.Top, box.Right - right_cut + 1, box.Bottom}, false,
                               hl_, TRect{box.Left - 2, box.Top - 2, box.Right + 3, box.Bottom + 2});
  // Negative margins write the caption as if across the whole band.
  g_.WriteCellText(g_.columns_->GetColumn(col_), c_, box, !themed_, 0, text_dy_, group->Text(), taCenter, tlCenter,
                   true, EndEllipsis, left_cut, right_cut);
  group->SetDrawn(true);
  if (fixed3d && !themed_) {
    tr = InflateRect(tr, 0, 1);
    g_.DrawCellEdges(c_, tr, false, hl_, left_cut == 0, right_cut == 0);
  }
  if (opts.Contains(dgRowLines) && !themed_) {
    TPen* pen = c_->Pen();
    const TColor color = pen->Color();
    pen->SetColor(g_.flat_ ? static_cast<TColor>(0x808080) : static_cast<TColor>(0x000000));
    pen->SetStyle(psSolid);
    pen->SetWidth(1);
    c_->MoveTo(tr.Left, tr.Bottom);
    c_->LineTo(tr.Right, tr.Bottom);
    pen->SetColor(color);
  }
  if (group->Host() && group->Host() != g_.title_tree_.get()) {
    DrawTitleGroupNodes(group, R, EndEllipsis);
    group->Host()->SetDrawn(true);
  }
}

}  // namespace lab
