// What every kind of cell draws with: the cell's areas and 3D rule, the colours of highlighted
// cells, fixed-cell backgrounds and edges, edit buttons and check boxes, mirrored text, and the
// events the drawing fires.

#include "grid/cell_writing.h"
#include "grid/dbgrid.h"
#include "grid/drawing_services.h"
#include "grid/grid_style.h"
#include "platform/graphics/themes.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/edges.h"
#include "platform/win/gdi.h"

namespace lab {

TCellTypeX TCustomDBGridX::GetCellType(int ACol, int ARow) {
  TCellTypeX cell;
  if (ACol >= indicator_offset_) {
    cell.ColArea = caDataCol;
    cell.DataCol = ACol - indicator_offset_;
  }
  const int titles = options_.Contains(dgTitles) ? 1 : 0;
  const int last_data = footer_row_count_ > 0 ? RowCount() - footer_row_count_ - 2 : RowCount() - 1;
  if (ARow < titles) {
    cell.DataRow = ARow;
  } else if (ARow < title_offset_) {
    cell.RowArea = caFilterRow;
    cell.DataRow = ARow - titles;
  } else if (ARow <= last_data) {
    cell.RowArea = caDataRow;
    cell.DataRow = ARow - title_offset_;
  } else if (ARow == last_data + 1 && footer_row_count_ > 0) {
    cell.RowArea = caSpacerRow;
  } else if (footer_row_count_ > 0 && ARow < RowCount()) {
    cell.RowArea = caFooterRow;
    cell.DataRow = ARow - (last_data + 2);
  } else {
    throw Exception("Algorithm error in TCustomDBGridX.GetCellType");
  }
  return cell;
}

bool TCustomDBGridX::IsCell3D(int ACol, int ARow, TGridDrawState State) {
  const int c = ACol - indicator_offset_;
  const int r = ARow - title_offset_;
  const bool footers = footer_row_count_ > 0;
  const int filler = RowCount() - footer_row_count_ - 1 - title_offset_;
  // A filter cell that can be edited is drawn flat, whatever the options, edited or not.
  if (r < 0 && ARow >= (options_.Contains(dgTitles) ? 1 : 0) && FilterRowVisible() && CanEditFilter(ACol))
    return false;
  const bool fixed = State.Contains(gdFixed);
  if (fixed && options_x_.Contains(dgxFixed3D) && (c < 0 || r < 0) && !(footers && r == filler)) return true;
  if (options_x_.Contains(dgxFooter3D) && footers && r > filler) return true;
  if (options_x_.Contains(dgxData3D) && !fixed && (!footers || r <= filler)) return true;
  if (options_x_.Contains(dgxFixed3D) &&
      (options_x_.Contains(dgxData3D) || options_x_.Contains(dgxFrozen3D)) && footers && c < 0 && r == filler)
    return true;
  if (options_x_.Contains(dgxFrozen3D) && fixed && c >= 0 && r >= 0) return true;
  return false;
}

// ---- Highlight colours ----

bool TCustomDBGridX::HighlightFixedCell(int ACol, int ARow, const TCellTypeX& Cell, TGridDrawState State,
                                        bool Highlight, TColor& Background, TFont* AFont) {
  if (style_) return style_->HighlightFixedCell(this, ACol, ARow, Cell, State, Highlight, Background, AFont);
  return DefaultHighlightFixedCell(Cell, Highlight, Background, AFont);
}

bool TCustomDBGridX::DefaultHighlightFixedCell(const TCellTypeX& Cell, bool Highlight, TColor& Background,
                                               TFont* AFont) {
  if (!Highlight) return false;
  if ((Cell.ColArea == caIndicator && Cell.RowArea != caSpacerRow) ||
      (Cell.ColArea == caDataCol && (Cell.RowArea == caTitleRow || Cell.RowArea == caFilterRow))) {
    Background = static_cast<TColor>(0x404040);
    AFont->SetColor(static_cast<TColor>(0xFFFFFF));
    return true;
  }
  if (GridOrEditorFocused()) {
    Background = clHighlight;
    AFont->SetColor(clHighlightText);
  } else {
    Background = clBtnFace;
  }
  return true;
}

bool TCustomDBGridX::HighlightDataCell(int DataCol, int DataRow, const std::string& Value, TGridDrawState State,
                                       TColor& Background, TFont* AFont) {
  bool selected = false;
  if (data_link_->Active() && HasSelection()) {
    TDataSet* ds = data_link_->DataSet();
    selected = IsCellSelected(DataCol + indicator_offset_, DataRow + title_offset_, DataCol, ds->Bookmark());
  }
  if (style_)
    return style_->HighlightDataCell(this, DataCol + indicator_offset_, DataRow + title_offset_, DataCol, DataRow,
                                     Value, State, selected, Background, AFont);
  return DefaultHighlightDataCell(DataCol, DataRow, State, selected, Background, AFont);
}

bool TCustomDBGridX::DefaultHighlightDataCell(int DataCol, int DataRow, TGridDrawState State, bool Selected,
                                              TColor& Background, TFont* AFont) {
  const bool current_row = DataRow + title_offset_ == Row();
  const bool current_col = Col() == DataCol + indicator_offset_;
  bool highlighted = false;
  bool focus_hl = false;
  if (!Selected) {
    focus_hl = Focused() && options_x_.Contains(dgxHighlightFocus);
    if (options_x_.Contains(dgxRowHighlight) && current_row && !HasSelection() && !current_col) {
      focus_hl = true;
      State += gdSelected;
    }
    highlighted = (State.Contains(gdSelected) || (current_row && options_.Contains(dgRowSelect))) &&
                  (options_.Contains(dgAlwaysShowSelection) || focus_hl) &&
                  (update_lock_ == 0 || options_.Contains(dgRowSelect));
  }
  if (!Selected && !highlighted) return false;
  if (GridOrEditorFocused()) {
    Background = clHighlight;
    AFont->SetColor(clHighlightText);
  } else if (current_row && (current_col || options_.Contains(dgRowSelect)) &&
             (options_.Contains(dgAlwaysShowSelection) || focus_hl)) {
    Background = clBtnShadow;
    AFont->SetColor(clHighlightText);
  } else {
    Background = clBtnFace;
  }
  return true;
}

// ---- Fixed-cell backgrounds and edges ----

bool TCustomDBGridX::UseThemedFixedCells() {
  return !flat_ && ThemeServices().ThemesEnabled() && options_x_.Contains(dgxFixed3D) &&
         options_.Contains(dgRowLines) && options_.Contains(dgColLines);
}

void TCustomDBGridX::FillFixedCellBackground(const TRect& R, bool Pressed, bool Hot, const TRect& Clip) {
  TCanvas* c = Canvas();
  if (!UseThemedFixedCells()) {
    c->FillRect(R);
    return;
  }
  const TThemedElementDetails details{teToolBar, TP_SPLITBUTTON, Pressed || Hot ? TS_PRESSED : TS_HOT};
  ThemeServices().DrawElement(c->PreparedHandle(), details, InflateRect(R, 2, 2), Clip.IsEmpty() ? nullptr : &Clip);
}

void TCustomDBGridX::DrawCellEdges(TCanvas* ACanvas, TRect ARect, bool Pressed, bool Highlighted, bool LeftEdge,
                                   bool RightEdge) {
  const win::UINT edge = Pressed || Highlighted ? win::BDR_SUNKENINNER : win::BDR_RAISEDINNER;
  const bool mirrored = UseRightToLeftAlignment();
  win::UINT start = win::BF_LEFT | win::BF_TOP, end = win::BF_RIGHT | win::BF_BOTTOM;
  if (mirrored) {
    ARect = LPtoDPX(ACanvas->Handle(), ARect);
    ChangeGridOrientation(false);
    start = win::BF_TOP | win::BF_RIGHT;
    end = win::BF_LEFT | win::BF_BOTTOM;
  }
  win::HDC dc = ACanvas->PreparedHandle();
  if (!flat_) {
    if (LeftEdge && RightEdge) {
      win::DrawEdge(dc, &ARect, edge, win::BF_RECT);
    } else {
      win::DrawEdge(dc, &ARect, edge, LeftEdge ? start : win::BF_TOP);
      win::DrawEdge(dc, &ARect, edge, RightEdge ? end : win::BF_BOTTOM);
    }
  } else {
    TPen* pen = ACanvas->Pen();
    pen->SetColor(ACanvas->Brush()->Color());
    pen->SetStyle(psSolid);
    pen->SetWidth(1);
    const int b = ARect.Bottom - 1, r = ARect.Right - 1;
    if (!mirrored) {
      if (RightEdge) {
        const TPoint line[3] = {{ARect.Left, b}, {r, b}, {r, ARect.Top - 1}};
        ACanvas->Polyline(line);
      } else {
        const TPoint line[2] = {{ARect.Left, b}, {ARect.Right, b}};
        ACanvas->Polyline(line);
      }
      dc = ACanvas->PreparedHandle();
      win::DrawEdge(dc, &ARect, edge, LeftEdge ? win::BF_LEFT | win::BF_TOP : win::BF_TOP);
    } else {
      const TPoint line[2] = {{ARect.Left, b}, {ARect.Right, b}};
      ACanvas->Polyline(line);
      dc = ACanvas->PreparedHandle();
      if (RightEdge) win::DrawEdge(dc, &ARect, edge, win::BF_LEFT);
      win::DrawEdge(dc, &ARect, edge, win::BF_TOP);
      if (LeftEdge) {
        const TPoint side[2] = {{r, b}, {r, ARect.Top - 1}};
        ACanvas->Polyline(side);
      }
    }
  }
  if (mirrored) ChangeGridOrientation(true);
}

// ---- Buttons and check boxes ----

void TCustomDBGridX::DrawEditButton(TColumnX* Column, TCanvas* ACanvas, TEditButtonStyleX Style, TRect ButtonRect,
                                    const TRect& CellRect, bool Pressed, bool Hot, bool AFlat, bool Enabled,
                                    TColor ParentColor, TBitmap* Glyph) {
  win::HDC dc = ACanvas->Handle();
  int saved = 0;
  if (ButtonRect.Left < CellRect.Left) {
    saved = win::SaveDC(dc);
    win::IntersectClipRect(dc, CellRect.Left, CellRect.Top, CellRect.Right, CellRect.Bottom);
  }
  TScopeExit restore([&] {
    if (saved) win::RestoreDC(dc, saved);
  });
  if (AFlat) {
    // A one-pixel gap before the button, in the cell's colour (the face colour when hot).
    TBrush* brush = ACanvas->Brush();
    const TColor color = brush->Color();
    brush->SetColor(Hot ? clBtnFace : ParentColor);
    ACanvas->FillRect(TRect{ButtonRect.Left, ButtonRect.Top, ButtonRect.Left + 1, ButtonRect.Bottom});
    brush->SetColor(color);
    ButtonRect.Left += 1;
  }
  const bool mirrored = Column && Column->UseRightToLeftAlignment();
  if (mirrored) {
    ButtonRect = LPtoDPX(dc, ButtonRect);
    ChangeGridOrientation(false);
  }
  if (Style == ebsGlyphX) {
    TBrush* brush = ACanvas->Brush();
    const TColor color = brush->Color();
    TRect face = ButtonRect;
    if (AFlat) {
      brush->SetColor(ParentColor);
      ACanvas->FrameRect(face);
      face = InflateRect(face, -1, -1);
      brush->SetColor(clBtnFace);
      ACanvas->FillRect(face);
    } else {
      win::DrawEdge(ACanvas->PreparedHandle(), &face, win::EDGE_RAISED, win::BF_RECT | win::BF_MIDDLE);
      face = InflateRect(face, -2, -2);
    }
    brush->SetColor(color);
    DrawImageInCell(Glyph, ACanvas, face, 0, taCenter);
  } else {
    int look = blDropDownX;
    switch (Style) {
      case ebsEllipsisX: look = blEllipsisX; break;
      case ebsUpDownX: look = blUpDownX; break;
      case ebsPlusX: look = blPlusX; break;
      case ebsMinusX: look = blMinusX; break;
      default: break;
    }
    PaintButtonControlX(ACanvas->PreparedHandle(), ButtonRect, ParentColor, look, Pressed, AFlat, Hot, Enabled,
                        cbUnchecked);
  }
  if (mirrored) ChangeGridOrientation(true);
}

void TCustomDBGridX::DrawCheckBox(win::HDC DC, TRect ARect, TCheckBoxState State, bool Enabled, bool Pressed,
                                  bool AFlat, bool Hot, TColor ParentColor) {
  const bool mirrored = UseRightToLeftAlignment();
  if (mirrored) {
    ARect = LPtoDPX(DC, ARect);
    ChangeGridOrientation(false);
  }
  PaintButtonControlX(DC, ARect, ParentColor, blCheckBoxX, Pressed, AFlat, Hot, Enabled, State);
  if (mirrored) ChangeGridOrientation(true);
}

// ---- Mirrored text ----

void TCustomDBGridX::WriteCellText(TColumnX* Column, TCanvas* ACanvas, TRect ARect, bool FillRect, int DX, int DY,
                                   std::string_view Text, TAlignment Alignment, TTextLayout Layout, bool MultiLine,
                                   bool EndEllipsis, int LeftMarg, int RightMarg) {
  const bool rtl_reading = Column && Column->UseRightToLeftReading();
  if (!Column || !Column->UseRightToLeftAlignment()) {
    lab::WriteCellText(ACanvas, ARect, FillRect, DX, DY, Text, Alignment, Layout, MultiLine, EndEllipsis, LeftMarg,
                       RightMarg, rtl_reading);
    return;
  }
  ARect = LPtoDPX(ACanvas->Handle(), ARect);
  if (Alignment == taLeftJustify) Alignment = taRightJustify;
  else if (Alignment == taRightJustify) Alignment = taLeftJustify;
  ChangeGridOrientation(false);
  TScopeExit restore([this] { ChangeGridOrientation(true); });
  lab::WriteCellText(ACanvas, ARect, FillRect, DX, DY, Text, Alignment, Layout, MultiLine, EndEllipsis, LeftMarg,
                     RightMarg, rtl_reading);
}

void TCustomDBGridX::ChangeGridOrientation(bool RightToLeftOrientation) {
  win::HDC dc = Canvas()->Handle();
  if (RightToLeftOrientation) {
    win::SetMapMode(dc, win::MM_ANISOTROPIC);
    win::SetWindowOrgEx(dc, ClientWidth(), 0, nullptr);
    win::SetWindowExtEx(dc, -1, 1, nullptr);
    win::SetViewportExtEx(dc, 1, 1, nullptr);
  } else {
    win::SetWindowOrgEx(dc, 0, 0, nullptr);
    win::SetMapMode(dc, win::MM_TEXT);
  }
}

// ---- Events ----

void TCustomDBGridX::GetCellParams(TColumnX* Column, TFont* AFont, TColor& Background, TGridDrawState State) {
  if (OnGetCellParams) OnGetCellParams(this, Column, AFont, Background, State);
}

void TCustomDBGridX::GetFooterParams(int DataCol, int Row, TColumnX* Column, TFont* AFont, TColor& Background,
                                     TAlignment& Alignment, TGridDrawState State, std::string& Text) {
  if (OnGetFooterParams) OnGetFooterParams(this, DataCol, Row, Column, AFont, Background, Alignment, State, Text);
}

void TCustomDBGridX::DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State) {
  if (OnDrawDataCell) OnDrawDataCell(this, Rect, Field, State);
}

void TCustomDBGridX::DrawColumnCell(const TRect& Rect, int DataCol, TColumnX* Column, TGridDrawState State) {
  if (OnDrawColumnCell) OnDrawColumnCell(this, Rect, DataCol, Column, State);
}

void TCustomDBGridX::EditButtonClick() {
  if (OnEditButtonClick) OnEditButtonClick(this);
}

}  // namespace lab
