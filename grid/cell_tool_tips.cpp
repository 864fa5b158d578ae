// Cell tool tips and title hints: a cell whose text does not fit shows it whole over the cell
// while the mouse rests there (columns, titles and footers with ToolTips); a title with a Hint
// shows that.

#include <algorithm>

#include "grid/dbgrid.h"
#include "grid/grid_unit.h"
#include "grid/tool_tips_window.h"
#include "platform/controls/application.h"
#include "platform/controls/input.h"
#include "platform/controls/mouse.h"
#include "platform/graphics/draw_text.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

namespace {

// What a tool tip shows and how.
struct TToolTipX {
  TRect TextRect;
  std::string Text;
  TAlignment Alignment = taLeftJustify;
  bool WordWrap = false;
  bool AlwaysShow = false;  // images and check boxes: never "fits"
};

}  // namespace

std::string TCustomDBGridX::GetCellTooltipText(TColumnX* Column) {
  auto pick = [Column](int Index) {
    TStrings* list = Column->HasPickList() ? Column->PickList() : nullptr;
    return list && Index >= 0 && Index < list->Count() ? list->Strings(Index) : std::string();
  };
  switch (Column->GetColumnType()) {
    case ctKeyImageList: {
      TField* f = Column->GetField();
      return f && Column->HasKeyList() ? pick(Column->KeyList()->IndexOf(f->EditText())) : std::string();
    }
    case ctCheckboxes: return pick(static_cast<int>(Column->GetCheckboxState()));
    default: return Column->DisplayText();
  }
}

// The data cell under the mouse: 0 when its tool tip shows at once.
void TCustomDBGridX::CMHintShowPause(TMessage& Message) {
  const TPoint p = ScreenToClient(Mouse->CursorPos());
  const TGridCoord cell = MouseCoord(p.X, p.Y);
  if (cell.X < 0 || cell.Y < 0 || cell.Y >= RowCount()) return;
  const TCellTypeX type = GetCellType(cell.X, cell.Y);
  if (type.ColArea != caDataCol || type.DataCol >= columns_->Count()) return;
  TColumnX* column = columns_->GetColumn(type.DataCol);
  bool at_once = false;
  switch (type.RowArea) {
    case caFooterRow: at_once = column->GetFooterAt(type.DataRow)->ToolTips(); break;
    case caDataRow: at_once = data_link_->Active() && type.DataRow < DataRowCount() && column->ToolTips(); break;
    case caTitleRow: at_once = column->Title()->ToolTips() && column->Title()->Hint().empty(); break;
    default: break;
  }
  if (at_once) *reinterpret_cast<int*>(Message.LParam) = 0;
}

void TCustomDBGridX::CMHintShow(TMessage& Message) {
  TCustomGrid::Dispatch(Message);
  if (Message.Result != 0) return;
  THintInfo& info = *reinterpret_cast<THintInfo*>(Message.LParam);
  const TGridCoord cell = MouseCoord(info.CursorPos.X, info.CursorPos.Y);
  if (cell.X < 0 || cell.Y < 0 || cell.Y >= RowCount()) return;
  const TCellTypeX type = GetCellType(cell.X, cell.Y);
  if (type.ColArea != caDataCol || type.DataCol >= columns_->Count()) return;
  const int data_col = type.DataCol, data_row = type.DataRow;
  TColumnX* column = columns_->GetColumn(data_col);
  const TRowAreaX area = type.RowArea;
  const TRect rect = CellRect(cell.X, cell.Y);
  // The hint is asked for again in another cell.
  info.CursorRect = rect;
  TColumnTitleX* title = column->Title();
  if (area == caTitleRow && !title->Hint().empty()) {
    info.HintStr = GetShortHint(title->Hint());
    return;
  }
  const bool footer = area == caFooterRow && column->GetFooterAt(data_row)->ToolTips();
  const bool data = area == caDataRow && data_link_->Active() && data_row < DataRowCount() && column->ToolTips();
  const bool titled = area == caTitleRow && title->ToolTips();
  if (!(footer || data || titled) || GetCaptureControl() || win::GetKeyState(win::VK_CONTROL) < 0) return;
  if (!tooltip_font_) tooltip_font_ = std::make_unique<TFont>();
  TToolTipX tip;
  tip.TextRect = rect;
  if (footer) {
    TColumnFooterX* f = column->GetFooterAt(data_row);
    tooltip_font_->Assign(f->Font());
    tip.WordWrap = f->WordWrap();
    tip.Alignment = f->Alignment();
    tip.Text = GetFooterValue(data_row, column);
  } else if (data) {
    // The row's record is read for the text; it goes back on every way out, an event's error too.
    SetRowActive(data_row);
    TScopeExit restore([this] { RestoreActiveRecord(); });
    const TColumnKindX kind = column->GetColumnType();
    tip.AlwaysShow = kind == ctKeyImageList || kind == ctCheckboxes;
    tip.Text = GetCellTooltipText(column);
    tip.Alignment = tip.AlwaysShow ? taLeftJustify : column->Alignment();
    tip.WordWrap = column->WordWrap() && multi_line_rows_;
    if (column->AlwaysShowEditButton()) {
      tip.TextRect.Right -= column->EditButtonsWidth();
      if (info.CursorPos.X >= tip.TextRect.Right) return;
    }
    if (data_col == 0 && TreeShown()) tip.TextRect.Left += GetTreeIndentWidth();
    if (column->ImageList() && column->ShowImageAndText()) tip.TextRect.Left += column->ImageList()->Width() + 5;
    if (tip.TextRect.Left >= rect.Right) return;
    tooltip_font_->Assign(column->Font());
    TColCellParamsX& params = *cell_params_;
    params.Font->Assign(tooltip_font_.get());
    params.Background = column->Color();
    params.Alignment = tip.Alignment;
    params.Text = tip.Text;
    params.State = {};
    column->GetColCellParams(false, &params);
    GetCellParams(column, params.Font.get(), params.Background, params.State);
    tooltip_font_->Assign(params.Font.get());
    tip.Alignment = params.Alignment;
    tip.Text = params.Text;
  } else {
    const int marker = title->SortMarkerWidth(rect.Width(), 0);
    tip.TextRect.Right -= std::max(0, marker - 2);
    if (use_multi_title_ && data_col < static_cast<int>(title_leaves_.size()) && title_leaves_[data_col].Leaf) {
      if (!PointInLeafTitle(cell, info.CursorPos.Y)) return;
      tip.Text = title_leaves_[data_col].Leaf->Text();
      tip.TextRect.Top = rect.Bottom - title_leaves_[data_col].Leaf->Height();
    } else {
      tip.Text = title->Caption();
    }
    tip.WordWrap = (use_multi_title_ || title_height_ > 0 || title_lines_ > 0) && title->Orientation() != toxVertical;
    tip.Alignment = title->Alignment();
    tooltip_font_->Assign(title->Font());
  }
  if (tip.Text.empty()) return;
  // Measured in the cell, less the margins the cell's text keeps.
  const int margin = 2;
  TCanvas* c = Canvas();
  c->Font()->Assign(tooltip_font_.get());
  const int room = std::max(0, tip.TextRect.Width() - 2 * margin);
  win::RECT measured{0, 0, room, 0};
  win::UINT flags = win::DT_CALCRECT | win::DT_NOPREFIX | (tip.WordWrap ? win::DT_WORDBREAK : win::DT_SINGLELINE);
  win::DrawText(c->Handle(), tip.Text, -1, &measured, flags);
  const bool fits = measured.Right - measured.Left <= room && measured.Bottom - measured.Top <= tip.TextRect.Height();
  if (fits && !tip.AlwaysShow) return;
  info.HintStr = tip.Text;
  info.HintData = tooltip_font_.get();
  info.HintWindowClass = &NewToolTipsWindow;
  info.HintMaxWidth = tip.WordWrap ? std::max(room, 1) : 32767;
  // Over the cell's text: its start, its end or its middle, at the cell's top.
  win::RECT full{0, 0, info.HintMaxWidth, 0};
  win::DrawText(c->Handle(), tip.Text, -1, &full, (flags & ~win::DT_SINGLELINE) | win::DT_CALCRECT);
  const int width = full.Right - full.Left + 6;  // the window's own edges around the text
  int x = tip.TextRect.Left + margin - 3;
  if (tip.Alignment == taRightJustify) x = tip.TextRect.Right - margin + 3 - width;
  else if (tip.Alignment == taCenter) x = (rect.Left + rect.Right - width) / 2;
  const int y = rect.Top - (flat_ ? 2 : 1);
  if (UseRightToLeftAlignment()) x = ClientWidth() - x - width;
  info.HintPos = ClientToScreen(Point(x, y));
}

}  // namespace lab
