#include "grid/cell_drawing.h"

#include "grid/cell_writing.h"
#include "grid/drawing_services.h"
#include "grid/grid_services.h"
#include "grid/grid_style.h"
#include "grid/grid_unit.h"
#include "platform/controls/forms.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/win/draw_text.h"
#include "platform/win/gdi.h"

namespace lab {
namespace {

// Makes one data row the record the fields show for the time of a cell and puts the former one
// back, also when an event or the dataset throws: the link's window moves to the row, or, with
// every record a row, the record is read in place. The current record is the saved active record
// meanwhile.
class TRecordMove {
 public:
  TRecordMove(TDataLink* Link, IMemTableX* MemTable, int& Saved, int Row)
      : link_(Link), mem_table_(MemTable), saved_(Saved), old_saved_(Saved) {
    if (mem_table_) {
      saved_ = mem_table_->CurrentRecord();
      mem_table_->ReadEnter(Row);
      return;
    }
    old_ = link_->ActiveRecord();
    saved_ = old_;
    link_->SetActiveRecord(Row);
  }
  ~TRecordMove() {
    if (mem_table_) mem_table_->ReadLeave();
    else link_->SetActiveRecord(old_);
    saved_ = old_saved_;
  }
  TRecordMove(const TRecordMove&) = delete;
  TRecordMove& operator=(const TRecordMove&) = delete;

 private:
  TDataLink* link_;
  IMemTableX* mem_table_;
  int& saved_;
  int old_saved_;
  int old_ = 0;
};

bool SameFont(TFont* A, TFont* B) {
  return A->Name() == B->Name() && A->Height() == B->Height() && A->Style() == B->Style() &&
         A->Color() == B->Color() && A->Charset() == B->Charset() && A->Pitch() == B->Pitch() &&
         A->Orientation() == B->Orientation();
}

}  // namespace

void SetCanvasFont(TCanvas* Canvas, TFont* Font) {
  if (!SameFont(Canvas->Font(), Font)) Canvas->SetFont(Font);
}

void TCustomDBGridX::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
  TCellPainterX(this, Canvas()).Draw(ACol, ARow, ARect, AState);
}

bool TCellPainterX::GridIsActiveControl() { return g_.IsActiveControl(); }

void TCellPainterX::Draw(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
  g_.cell_params_->Col = ACol;
  g_.cell_params_->Row = ARow;
  grid_col_ = ACol;
  grid_row_ = ARow;
  rect_ = orig_rect_ = ARect;
  state_ = AState;
  if (ARect.Left >= ARect.Right) return;
  if (g_.ComponentState().Contains(csLoading)) {
    c_->Brush()->SetColor(g_.Color());
    c_->FillRect(ARect);
    return;
  }
  cell3d_ = g_.IsCell3D(ACol, ARow, AState);
  cell_type_ = g_.GetCellType(ACol, ARow);
  row_ = ARow - g_.title_offset_;
  col_ = ACol - g_.indicator_offset_;
  if (cell3d_) {
    rect_ = InflateRect(rect_, -1, -1);
    frame_offs_ = 1;
  } else {
    frame_offs_ = 2;
  }
  text_dy_ = frame_offs_ - (g_.flat_ ? 1 : 0);
  themed_ = g_.UseThemedFixedCells();

  if (AState.Contains(gdFixed) && col_ < 0) {
    DrawIndicator();
  } else if (col_ >= g_.columns_->Count()) {
    // A grid without columns still shows one empty column.
    c_->Brush()->SetColor(AState.Contains(gdFixed) ? g_.FixedColor() : g_.Color());
    c_->FillRect(rect_);
  } else {
    TColumnX* column = g_.columns_->GetColumn(col_);
    if (AState.Contains(gdFixed) && row_ < 0) {
      SetCanvasFont(c_, column->Title()->Font());
      c_->Brush()->SetColor(column->Title()->Color());
    } else {
      SetCanvasFont(c_, column->Font());
      c_->Brush()->SetColor(column->Color());
    }
    TGridDataLinkX* link = g_.data_link_.get();
    if (row_ == -g_.title_offset_ && g_.options_.Contains(dgTitles)) {
      DrawTitle(column);
    } else if (row_ < 0) {
      hot_ = g_.IsCellSelected(ACol, ARow, cell_type_.DataCol, {});
      if (cell3d_ && themed_) g_.FillFixedCellBackground(rect_, false, hot_, {});
      g_.DrawFilterRowCell(ACol, ARow, cell_type_, orig_rect_, AState, hl_);
    } else if (!link || !link->Active()) {
      c_->FillRect(rect_);
    } else if (row_ < g_.DataRowCount() || g_.footer_row_count_ == 0) {
      // The one empty row of an empty dataset has no record to read.
      if (row_ < g_.DataRowCount()) DrawData(column);
      else c_->FillRect(rect_);
      DrawFocusFrame();
    } else {
      DrawFooterOrSpacer(column);
      DrawFocusFrame();
    }
  }

  if (cell3d_) {
    rect_ = InflateRect(rect_, 1, 1);
    if (!themed_) g_.DrawCellEdges(c_, rect_, down_, hl_, true, true);
  }
  if (row_ == -g_.title_offset_ && g_.options_.Contains(dgTitles) && col_ >= 0 && g_.use_multi_title_ &&
      col_ < static_cast<int>(g_.title_leaves_.size())) {
    SetCanvasFont(c_, g_.title_font_.get());
    if (hl_) {
      TColor background = c_->Brush()->Color();
      g_.HighlightFixedCell(ACol, ARow, cell_type_, AState, true, background, c_->Font());
      c_->Brush()->SetColor(background);
    } else {
      c_->Brush()->SetColor(g_.FixedColor());
    }
    THeadTreeNode* leaf = g_.title_leaves_[static_cast<std::size_t>(col_)].Leaf;
    if (leaf && leaf->Host() && leaf->Host() != g_.title_tree_.get())
      DrawTitleGroupNodes(leaf, rect_, g_.columns_->GetColumn(col_)->Title()->EndEllipsis());
  }
}

void TCellPainterX::DrawIndicator() {
  TGridDataLinkX* link = g_.data_link_.get();
  const int spacer = g_.RowCount() - g_.footer_row_count_ - 1 - g_.title_offset_;
  TColor background = g_.FixedColor();
  if (g_.footer_row_count_ > 0 && row_ == spacer && !g_.options_x_.Contains(dgxFrozen3D)) background = g_.Color();
  c_->Brush()->SetColor(background);
  if (!link || !link->Active()) {
    g_.FillFixedCellBackground(rect_, false, false, {});
    return;
  }
  bool multi = false;  // the whole selection, or a selected record in a multi-select grid
  TDataSet* ds = link->DataSet();
  const int records = g_.DataRowCount();
  IMemTableX* rows_table = g_.record_set_ ? g_.mem_table_.get() : nullptr;
  if (row_ >= 0 && (row_ < records || g_.footer_row_count_ == 0) && g_.HasSelection()) {
    multi = g_.SelectionIsAll();
    if (!multi && g_.options_.Contains(dgMultiSelect) && row_ < records) {
      TRecordMove move(link, rows_table, g_.saved_active_record_, row_);
      multi = g_.IsCellSelected(grid_col_, grid_row_, -1, ds->Bookmark());
    }
  }
  if (multi) {
    TColor color = c_->Brush()->Color();
    hl_ = g_.HighlightFixedCell(grid_col_, grid_row_, cell_type_, state_, true, color,
                                c_->Font());
    c_->Brush()->SetColor(color);
  }
  g_.FillFixedCellBackground(rect_, multi, false, {});
  const int current_row = rows_table ? rows_table->CurrentRecord() : link->ActiveRecord();
  const bool current = row_ >= 0 && row_ == current_row && row_ < records;
  if (current || multi) {
    int index = -1;
    if (ds) {
      switch (ds->State()) {
        case dsEdit: index = current ? 1 : -1; break;
        case dsInsert: index = current ? 2 : -1; break;
        case dsBrowse:
          if (current) index = multi ? 5 : g_.IncSearchActive() ? 6 : 0;
          break;
        default: index = current ? 0 : -1; break;
      }
    }
    TImageList* images = DBGridXResources().IndicatorImages.get();
    if (index >= 0)
      images->Draw(c_, rect_.Right - images->Width() - frame_offs_, (rect_.Top + rect_.Bottom - images->Height()) >> 1,
                   index, true);
    if (current) g_.sel_row_ = row_ + g_.title_offset_;
  }
}

void TCellPainterX::DrawData(TColumnX* Column) {
  TGridDataLinkX* link = g_.data_link_.get();
  TRecordMove move(link, g_.record_set_ ? g_.mem_table_.get() : nullptr, g_.saved_active_record_, row_);
  TDBGridXSumList* sums = g_.sum_list_;
  if (Column->Color() == g_.Color() && sums && (sums->IsSequenced() || sums->Active()))
    c_->Brush()->SetColor(sums->RecNo() % 2 != 0 ? g_.OddRowColor() : g_.EvenRowColor());
  if (col_ == 0 && g_.TreeShown()) {
    g_.DrawTreeCell(col_, row_, rect_, state_);
    rect_.Left += g_.GetTreeIndentWidth();
  }
  TEditButtonKindX kind = ebkNoneX;
  buttons_width_ = 0;
  if (Column->AlwaysShowEditButton()) {
    kind = Column->GetEditButtonKind();
    buttons_width_ = Column->EditButtonsWidth();
    rect_.Right -= buttons_width_;
  }
  const std::string value = Column->DisplayText();
  TColCellParamsX& params = *g_.cell_params_;
  params.State = state_;
  params.Alignment = Column->Alignment();
  params.Background = c_->Brush()->Color();
  params.Text = value;
  params.CheckboxState = Column->GetCheckboxState();
  params.ImageIndex = Column->GetImageIndex();
  params.ReadOnly = Column->ReadOnly();
  g_.GetCellParams(Column, c_->Font(), params.Background, state_);
  if (Column->OnGetCellParams) {
    // The event works on the parameters' font; the cell is written in what it leaves.
    params.Font->Assign(c_->Font());
    Column->GetColCellParams(false, &params);
    SetCanvasFont(c_, params.Font.get());
  }
  hl_ = g_.HighlightDataCell(col_, row_, value, state_, params.Background, c_->Font());
  if (hl_) state_ += gdSelected;
  c_->Brush()->SetColor(params.Background);
  if (Column->HideDuplicates() && IsDuplicateOfPrevious(Column, params.Text)) {
    params.Text.clear();
    params.ImageIndex = -1;
    hidden_ = true;
  }
  if (g_.default_drawing_ && rect_.Right > rect_.Left) DrawDataContent(Column, value);
  if (Column->AlwaysShowEditButton()) DrawEditButtons(Column, kind);
  DrawRequiredMark(Column, params.Text, rect_);
  if (g_.columns_->GetState() == 0) g_.DrawDataCell(rect_, Column->GetField(), state_);
  g_.DrawColumnCell(rect_, col_, Column, state_);
  if (g_.IncSearchActive() && state_.Contains(gdSelected) && row_ == g_.saved_active_record_ &&
      g_.Col() == grid_col_ && (g_.options_.Contains(dgAlwaysShowSelection) || g_.Focused()) &&
      !g_.ComponentState().Contains(csDesigning) && g_.update_lock_ == 0 && GridIsActiveControl())
    DrawIncSearchText(Column, value);
  if (hidden_ && g_.options_.Contains(dgRowLines)) {
    // The line between two equal cells goes: they read as one.
    c_->Pen()->SetColor(Column->Color());
    c_->Pen()->SetStyle(psSolid);
    c_->Pen()->SetWidth(1);
    const TPoint line[2] = {{orig_rect_.Left, orig_rect_.Top - 1}, {orig_rect_.Right, orig_rect_.Top - 1}};
    c_->Polyline(line);
  }
  if (Column->AlwaysShowEditButton() && kind != ebkNoneX && g_.flat_) rect_.Right += buttons_width_;
}

void TCellPainterX::DrawDataContent(TColumnX* Column, const std::string&) {
  TColCellParamsX& params = *g_.cell_params_;
  if (cell3d_ && themed_) g_.FillFixedCellBackground(rect_, false, hl_, {});
  TRect r = rect_;
  if (Column->ImageList() && Column->ShowImageAndText()) {
    TRect image = r;
    image.Right = r.Left + Column->ImageList()->Width() + 4;
    c_->Brush()->SetColor(Column->Color());
    c_->FillRect(r);
    DrawImageInCell(Column->ImageList(), c_, image, params.ImageIndex, 0, taCenter);
    c_->Brush()->SetColor(params.Background);
    r.Left = image.Right + 1;
  }
  switch (Column->GetColumnType()) {
    case ctKeyImageList:
      c_->FillRect(r);
      DrawImageInCell(Column->ImageList(), c_, r, params.ImageIndex, 0, taCenter);
      break;
    case ctCheckboxes: {
      c_->FillRect(r);
      const int w = r.Width(), h = r.Height();
      const int cw = CheckBoxWidth(), ch = CheckBoxHeight();
      TRect box;
      if (w < cw) {
        box.Left = r.Left;
        box.Right = r.Right;
      } else {
        box.Left = r.Left + (w >> 1) - (cw >> 1);
        box.Right = box.Left + cw;
      }
      if (h < ch) {
        box.Top = r.Top;
        box.Bottom = r.Bottom;
      } else {
        box.Top = r.Top + (h >> 1) - (ch >> 1);
        box.Bottom = box.Top + ch;
      }
      g_.DrawCheckBox(c_->Handle(), box, params.CheckboxState, true, false, g_.flat_, false, c_->Brush()->Color());
      break;
    }
    default:
      g_.WriteCellText(Column, c_, r, true, frame_offs_, text_dy_, params.Text, params.Alignment, Column->Layout(),
                       Column->WordWrap() && g_.multi_line_rows_, Column->EndEllipsis(), 0, 0);
      break;
  }
}

// The column's button, then its extra buttons, right of the text; below buttons lower than the
// row the cell's background continues.
void TCellPainterX::DrawEditButtons(TColumnX* Column, TEditButtonKindX Kind) {
  const int flat_w = g_.flat_ ? 1 : 0;
  const int bw = g_.edit_button_width_;
  TRect br{rect_.Right, rect_.Top, rect_.Right + bw + flat_w, rect_.Top + g_.edit_button_height_};
  const TRect cell{rect_.Left, rect_.Top, rect_.Right + buttons_width_, rect_.Bottom};
  const bool enabled = g_.data_link_->Active();
  const TColor parent = c_->Brush()->Color();
  auto gap = [&](const TRect& b) {
    if (g_.flat_ && cell3d_) {
      c_->FillRect(TRect{b.Left - 1, b.Top, b.Left, rect_.Bottom});
    }
  };
  if (Kind != ebkNoneX) {
    if (cell3d_) br = OffsetRect(br, 1, -1);
    const TEditButtonStyleX look = Kind == ebkEllipsisX ? ebsEllipsisX : Kind == ebkUpDownX ? ebsUpDownX : ebsDropDownX;
    g_.DrawEditButton(Column, c_, look, br, cell, false, false, g_.flat_, enabled, parent, nullptr);
    gap(br);
    br.Left += bw + flat_w;
  }
  TEditButtonsX* buttons = Column->EditButtons();
  for (int i = 0; i < buttons->Count(); ++i) {
    TEditButtonX* b = buttons->Items(i);
    if (!b->Visible()) continue;
    const int w = b->Width() > 0 ? b->Width() : bw;
    br.Right = br.Left + w + flat_w;
    g_.DrawEditButton(Column, c_, b->Style(), br, cell, false, false, g_.flat_, enabled, parent, b->Glyph());
    gap(br);
    br.Left += w + flat_w;
  }
  if (g_.edit_button_height_ < g_.DefaultRowHeight()) {
    c_->Brush()->SetColor(parent);
    c_->FillRect(TRect{rect_.Right, br.Bottom, rect_.Right + buttons_width_, rect_.Bottom});
  }
}

void TCellPainterX::DrawFooterOrSpacer(TColumnX* Column) {
  const int first_footer = g_.RowCount() - g_.footer_row_count_ - g_.title_offset_;
  if (g_.footer_row_count_ > 0 && row_ >= first_footer) {
    const int index = row_ - first_footer;
    TColumnFooterX* footer = Column->GetFooterAt(index);
    SetCanvasFont(c_, footer->Font());
    c_->Brush()->SetColor(footer->Color());
    if (g_.default_drawing_) {
      TColor background = c_->Brush()->Color();
      TAlignment align = footer->Alignment();
      std::string text = g_.GetFooterValue(index, Column);
      g_.GetFooterParams(col_, index, Column, c_->Font(), background, align, state_, text);
      hot_ = g_.IsCellSelected(grid_col_, grid_row_, cell_type_.DataCol, {});
      hl_ = g_.HighlightFixedCell(grid_col_, grid_row_, cell_type_, state_, hot_, background,
                                  c_->Font());
      c_->Brush()->SetColor(background);
      if (cell3d_ && themed_) g_.FillFixedCellBackground(rect_, false, hl_, {});
      const bool fill = !(c_->Brush()->Color() == clBtnFace && cell3d_ && themed_);
      g_.WriteCellText(Column, c_, rect_, fill, frame_offs_, text_dy_, text, align, Column->Layout(),
                       footer->WordWrap() && g_.multi_line_rows_, footer->EndEllipsis(), 0, 0);
    }
    if (g_.OnDrawFooterCell) g_.OnDrawFooterCell(&g_, col_, index, Column, rect_, state_);
    return;
  }
  // The spacer row between the records and the footers.
  hot_ = g_.IsCellSelected(grid_col_, grid_row_, cell_type_.DataCol, {});
  TColor background = c_->Brush()->Color();
  hl_ = g_.HighlightFixedCell(grid_col_, grid_row_, cell_type_, state_, hot_, background,
                              c_->Font());
  c_->Brush()->SetColor(background);
  if (cell3d_ && themed_) g_.FillFixedCellBackground(rect_, false, hl_, {});
  c_->FillRect(rect_);
}

void TCellPainterX::DrawFocusFrame() {
  if (!g_.default_drawing_ || !state_.Contains(gdFocused) || !g_.Focused() ||
      g_.ComponentState().Contains(csDesigning) || g_.options_.Contains(dgRowSelect) || g_.update_lock_ != 0)
    return;
  if (!GridIsActiveControl()) return;
  if (g_.style_ && !g_.style_->DrawFocusRect()) return;
  c_->DrawFocusRect(rect_);
}

bool TCellPainterX::IsDuplicateOfPrevious(TColumnX* Column, const std::string& Text) {
  TGridDataLinkX* link = g_.data_link_.get();
  // The record above on screen; the first row shown always shows its text.
  IMemTableX* rows_table = g_.record_set_ ? g_.mem_table_.get() : nullptr;
  const int above = row_ - 1;
  if (rows_table ? row_ <= g_.TopRow() - g_.title_offset_ : link->ActiveRecord() <= 0) return false;
  TRecordMove move(link, rows_table, g_.saved_active_record_, rows_table ? above : link->ActiveRecord() - 1);
  TColCellParamsX& params = *DBGridXResources().CellParams;
  Column->FillColCellParams(&params);
  params.Col = Column->Index() + g_.indicator_offset_;
  params.Row = (rows_table ? above : link->ActiveRecord()) + g_.title_offset_;
  g_.GetCellParams(Column, params.Font.get(), params.Background, {});
  Column->GetColCellParams(false, &params);
  return params.Text == Text;
}

void TCellPainterX::DrawRequiredMark(TColumnX* Column, const std::string& Text, const TRect& R) {
  TDataSet* ds = g_.data_link_->DataSet();
  TField* f = Column->GetField();
  bool draw = Column->HighlightRequired() && row_ == g_.saved_active_record_ && ds &&
              (ds->State() == dsEdit || ds->State() == dsInsert) && f && f->Required() && f->IsNull();
  if (Column->OnCheckDrawRequiredState) Column->OnCheckDrawRequiredState(&g_, Text, draw);
  if (!draw) return;
  TPen* pen = c_->Pen();
  const TColor color = pen->Color();
  const TPenStyle style = pen->Style();
  pen->SetColor(static_cast<TColor>(0x0000FF));
  pen->SetStyle(psDot);
  c_->MoveTo(R.Left + 2, R.Bottom - 1);
  c_->LineTo(R.Right - 3, R.Bottom - 1);
  pen->SetColor(color);
  pen->SetStyle(style);
}

void TCellPainterX::DrawIncSearchText(TColumnX* Column, const std::string& Value) {
  TDBGridXResources& res = DBGridXResources();
  c_->Brush()->SetColor(res.IncSearchColor);
  c_->Font()->SetColor(res.IncSearchFontColor);
  TAlignment align = Column->Alignment();
  TRect r = InflateRect(rect_, -frame_offs_, -text_dy_);
  if (frame_offs_ > 0) ++r.Bottom;
  const bool mirrored = Column->UseRightToLeftAlignment();
  if (mirrored) {
    r = LPtoDPX(c_->Handle(), r);
    g_.ChangeGridOrientation(false);
    if (align == taLeftJustify) align = taRightJustify;
    else if (align == taRightJustify) align = taLeftJustify;
  }
  win::UINT flags = win::DT_EXPANDTABS | win::DT_NOPREFIX |
                    (align == taRightJustify ? win::DT_RIGHT : align == taCenter ? win::DT_CENTER : win::DT_LEFT);
  if (Column->WordWrap() && g_.multi_line_rows_) {
    flags |= win::DT_WORDBREAK;
    if (Column->UseRightToLeftReading()) flags |= win::DT_RTLREADING;
  }
  const std::string& search = g_.IncSearchText();
  win::DRAWTEXTPARAMS dtp;
  if (align != taLeftJustify) {
    // Placed where it stands in the whole text: the rest of the text is the right margin.
    const std::size_t n = std::min(search.size(), Value.size());
    dtp.iRightMargin = c_->TextWidth(std::string_view(Value).substr(n));
  }
  DrawTextExX(c_->PreparedHandle(), search, r, flags, &dtp);
  if (mirrored) g_.ChangeGridOrientation(true);
}

}  // namespace lab
