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

// ---- One cell's tool tip ----

// What a tool tip shows and how.
struct TCustomDBGridX::TToolTipText {
  TRect TextRect;
  std::string Text;
  TAlignment Alignment = taLeftJustify;
  bool WordWrap = false;
  bool AlwaysShow = false;  // images and check boxes: never "fits"
};

// The cell under a point of the client area, when it is a data column's on one of the grid's rows.
TCustomDBGridX::TTipCell TCustomDBGridX::TipCellAt(TPoint At) {
  TTipCell tip;
  const TGridCoord cell = MouseCoord(At.X, At.Y);
  if (cell.X < 0 || cell.Y < 0 || cell.Y >= RowCount()) return tip;
  tip.Type = GetCellType(cell.X, cell.Y);
  if (tip.Type.ColArea != caDataCol || tip.Type.DataCol >= columns_->Count()) return tip;
  tip.Cell = cell;
  tip.Column = columns_->GetColumn(tip.Type.DataCol);
  return tip;
}

// The cell's own tool tip is asked for: its footer's, its column's on a record, its title's.
bool TCustomDBGridX::TipWanted(const TTipCell& Tip) {
  const int row = Tip.Type.DataRow;
  switch (Tip.Type.RowArea) {
    case caFooterRow: return Tip.Column->GetFooterAt(row)->ToolTips();
    case caDataRow: return data_link_->Active() && row < DataRowCount() && Tip.Column->ToolTips();
    case caTitleRow: return Tip.Column->Title()->ToolTips();
    default: return false;
  }
}

void TCustomDBGridX::FooterTip(const TTipCell& Tip, TToolTipText& Text) {
  TColumnFooterX* f = Tip.Column->GetFooterAt(Tip.Type.DataRow);
  tooltip_font_->Assign(f->Font());
  Text.WordWrap = f->WordWrap();
  Text.Alignment = f->Alignment();
  Text.Text = GetFooterValue(Tip.Type.DataRow, Tip.Column);
}

// The record's text as the cell would show it after the cell-parameter events; none over the
// edit buttons or where the text would start past the cell.
bool TCustomDBGridX::DataTip(const TTipCell& Tip, TPoint At, TToolTipText& Text) {
  TColumnX* column = Tip.Column;
  // The row's record is read for the text; it goes back on every way out, an event's error too.
  SetRowActive(Tip.Type.DataRow);
  TScopeExit restore([this] { RestoreActiveRecord(); });
  const TColumnKindX kind = column->GetColumnType();
  Text.AlwaysShow = kind == ctKeyImageList || kind == ctCheckboxes;
  Text.Text = GetCellTooltipText(column);
  Text.Alignment = Text.AlwaysShow ? taLeftJustify : column->Alignment();
  Text.WordWrap = column->WordWrap() && multi_line_rows_;
  const int right = Text.TextRect.Right;
  if (column->AlwaysShowEditButton()) {
    Text.TextRect.Right -= column->EditButtonsWidth();
    if (At.X >= Text.TextRect.Right) return false;
  }
  if (Tip.Type.DataCol == 0 && TreeShown()) Text.TextRect.Left += GetTreeIndentWidth();
  if (column->ImageList() && column->ShowImageAndText()) Text.TextRect.Left += column->ImageList()->Width() + 5;
  if (Text.TextRect.Left >= right) return false;
  tooltip_font_->Assign(column->Font());
  TColCellParamsX& params = *cell_params_;
  params.Font->Assign(tooltip_font_.get());
  params.Background = column->Color();
  params.Alignment = Text.Alignment;
  params.Text = Text.Text;
  params.State = {};
  column->GetColCellParams(false, &params);
  GetCellParams(column, params.Font.get(), params.Background, params.State);
  tooltip_font_->Assign(params.Font.get());
  Text.Alignment = params.Alignment;
  Text.Text = params.Text;
  return true;
}

// The caption past the sort marker; with multi-level titles the leaf's own band only.
bool TCustomDBGridX::TitleTip(const TTipCell& Tip, TPoint At, TToolTipText& Text) {
  TColumnTitleX* title = Tip.Column->Title();
  const int data_col = Tip.Type.DataCol;
  Text.TextRect.Right -= std::max(0, title->SortMarkerWidth(Text.TextRect.Width(), 0) - 2);
  if (use_multi_title_ && data_col < static_cast<int>(title_leaves_.size()) && title_leaves_[data_col].Leaf) {
    if (!PointInLeafTitle(Tip.Cell, At.Y)) return false;
    Text.Text = title_leaves_[data_col].Leaf->Text();
    Text.TextRect.Top = Text.TextRect.Bottom - title_leaves_[data_col].Leaf->Height();
  } else {
    Text.Text = title->Caption();
  }
  Text.WordWrap = (use_multi_title_ || title_height_ > 0 || title_lines_ > 0) && title->Orientation() != toxVertical;
  Text.Alignment = title->Alignment();
  tooltip_font_->Assign(title->Font());
  return true;
}

// Shows a text that does not fit over the cell's text: at its start, its end or its middle, at the
// cell's top. A line of text keeps its margin on the side it is aligned to and may run to the
// other edge, as the cell draws it; a right-aligned one also wants two pixels clear before its
// start. Wrapped text keeps both margins.
void TCustomDBGridX::PlaceTip(const TToolTipText& Text, const TRect& CellRect, THintInfo& Info) {
  const int margin = 2;
  TCanvas* c = Canvas();
  c->Font()->Assign(tooltip_font_.get());
  const TRect& area = Text.TextRect;
  const int wrap_room = std::max(0, area.Width() - 2 * margin);
  win::RECT measured{0, 0, Text.WordWrap ? wrap_room : 0, 0};
  const win::UINT flags =
      win::DT_CALCRECT | win::DT_NOPREFIX | (Text.WordWrap ? win::DT_WORDBREAK : win::DT_SINGLELINE);
  win::DrawText(c->Handle(), Text.Text, -1, &measured, flags);
  const int room = Text.WordWrap ? wrap_room : area.Width() - margin - (Text.Alignment == taRightJustify ? 2 : 0);
  const bool fits = measured.Right - measured.Left <= room && measured.Bottom - measured.Top <= area.Height();
  if (fits && !Text.AlwaysShow) return;
  Info.HintStr = Text.Text;
  Info.HintData = tooltip_font_.get();
  Info.HintWindowClass = &NewToolTipsWindow;
  Info.HintMaxWidth = Text.WordWrap ? std::max(wrap_room, 1) : 32767;
  win::RECT full{0, 0, Info.HintMaxWidth, 0};
  win::DrawText(c->Handle(), Text.Text, -1, &full, (flags & ~win::DT_SINGLELINE) | win::DT_CALCRECT);
  const int width = full.Right - full.Left + 6;  // the window's own edges around the text
  int x = area.Left + margin - 3;
  if (Text.Alignment == taRightJustify) x = area.Right - margin + 3 - width;
  else if (Text.Alignment == taCenter) x = (CellRect.Left + CellRect.Right - width) / 2;
  const int y = CellRect.Top - (flat_ ? 2 : 1);
  if (UseRightToLeftAlignment()) x = ClientWidth() - x - width;
  Info.HintPos = ClientToScreen(Point(x, y));
}

// ---- The hint messages ----

// The data cell under the mouse: 0 when its tool tip shows at once.
void TCustomDBGridX::CMHintShowPause(TMessage& Message) {
  const TTipCell tip = TipCellAt(ScreenToClient(Mouse->CursorPos()));
  if (tip.Column && TipWanted(tip) && (tip.Type.RowArea != caTitleRow || tip.Column->Title()->Hint().empty()))
    *reinterpret_cast<int*>(Message.LParam) = 0;
}

// A title's hint, or the whole text of a cell that does not show it all.
void TCustomDBGridX::CMHintShow(TMessage& Message) {
  TCustomGrid::Dispatch(Message);
  if (Message.Result != 0) return;
  THintInfo& info = *reinterpret_cast<THintInfo*>(Message.LParam);
  const TTipCell tip = TipCellAt(info.CursorPos);
  if (!tip.Column) return;
  const TRect rect = CellRect(tip.Cell.X, tip.Cell.Y);
  // The hint is asked for again in another cell.
  info.CursorRect = rect;
  const TRowAreaX area = tip.Type.RowArea;
  if (area == caTitleRow && !tip.Column->Title()->Hint().empty()) {
    info.HintStr = GetShortHint(tip.Column->Title()->Hint());
    return;
  }
  if (!TipWanted(tip) || GetCaptureControl() || win::GetKeyState(win::VK_CONTROL) < 0) return;
  if (!tooltip_font_) tooltip_font_ = std::make_unique<TFont>();
  TToolTipText text;
  text.TextRect = rect;
  bool built = true;
  if (area == caFooterRow) FooterTip(tip, text);
  else if (area == caDataRow) built = DataTip(tip, info.CursorPos, text);
  else built = TitleTip(tip, info.CursorPos, text);
  if (built && !text.Text.empty()) PlaceTip(text, rect, info);
}

}  // namespace lab
