#include "grid/lookup_grid.h"

#include <algorithm>

#include "grid/grid_services.h"
#include "grid/special_row.h"
#include "platform/controls/input.h"
#include "platform/controls/screen.h"
#include "platform/controls/window_manager.h"
#include "platform/controls/window_styles.h"
#include "platform/db/dataset.h"
#include "platform/rtl/strutils.h"

namespace lab {

using namespace win;

TDBLookupGridX::TDBLookupGridX(TComponent* AOwner)
    : TCustomDBGridX(AOwner), spec_row_(std::make_unique<TSpecRowX>(this)) {
  TCustomDBGridX::SetOptions(TCustomDBGridX::Options() - TDBGridOptions{dgIndicator, dgTitles, dgEditing});
  SetOptions(TDBLookupGridXOptions{dlgColLinesX});
  SetReadOnly(true);
}

TDBLookupGridX::~TDBLookupGridX() = default;

TDBLookupGridXOptions TDBLookupGridX::Options() const {
  const TDBGridOptions grid = TCustomDBGridX::Options();
  const TDBGridXOptions x = OptionsX();
  TDBLookupGridXOptions o;
  if (grid.Contains(dgColumnResize)) o.Include(dlgColumnResizeX);
  if (grid.Contains(dgColLines)) o.Include(dlgColLinesX);
  if (grid.Contains(dgRowLines)) o.Include(dlgRowLinesX);
  if (x.Contains(dgxAutoSortMarking)) o.Include(dlgAutoSortMarkingX);
  if (x.Contains(dgxMultiSortMarking)) o.Include(dlgMultiSortMarkingX);
  return o;
}

void TDBLookupGridX::SetOptions(TDBLookupGridXOptions Value) {
  TDBGridOptions grid = TCustomDBGridX::Options() - TDBGridOptions{dgColumnResize, dgColLines, dgRowLines};
  if (Value.Contains(dlgColumnResizeX)) grid.Include(dgColumnResize);
  if (Value.Contains(dlgColLinesX)) grid.Include(dgColLines);
  if (Value.Contains(dlgRowLinesX)) grid.Include(dgRowLines);
  TDBGridXOptions x = OptionsX() - TDBGridXOptions{dgxAutoSortMarking, dgxMultiSortMarking};
  if (Value.Contains(dlgAutoSortMarkingX)) x.Include(dgxAutoSortMarking);
  if (Value.Contains(dlgMultiSortMarkingX)) x.Include(dgxMultiSortMarking);
  TCustomDBGridX::SetOptions(grid);
  SetOptionsX(x);
}

void TDBLookupGridX::SetListFieldName(const std::string& Value) {
  if (list_field_name_ == Value) return;
  list_field_name_ = Value;
  LayoutChanged();
}

// The special row shows or goes: the rows are laid out again.
void TDBLookupGridX::SetSpecRow(TSpecRowX* Value) {
  const bool shown = spec_row_->Visible();
  spec_row_->Assign(Value);
  if (spec_row_->Visible() != shown) {
    if (!shown && choice_ == lcSpecRowX) choice_ = lcNoneX;
    LayoutChanged();
  } else if (HandleAllocated()) {
    Invalidate();
  }
}

bool TDBLookupGridX::SpecRowShown() const { return spec_row_->Visible(); }

// ---- Columns and the special row ----

void TDBLookupGridX::GetDefaultColumnFields(std::vector<TField*>& List) {
  TDataSet* ds = DataLink()->DataSet();
  if (list_field_name_.empty() || !ds || !DataLink()->Active()) {
    TCustomDBGridX::GetDefaultColumnFields(List);
    return;
  }
  // A name the dataset does not have shows nothing.
  for (std::string_view names = list_field_name_; !names.empty();) {
    const std::size_t end = std::min(names.find(';'), names.size());
    if (TField* f = ds->FindField(Trim(names.substr(0, end)))) List.push_back(f);
    names.remove_prefix(std::min(end + 1, names.size()));
  }
}

bool TDBLookupGridX::FilterRowVisible() { return SpecRowShown(); }

bool TDBLookupGridX::CanEditFilter(int) { return false; }

bool TDBLookupGridX::IsCell3D(int ACol, int ARow, TGridDrawState State) {
  if (SpecRowShown() && ARow == TitleOffset() - 1) return false;
  return TCustomDBGridX::IsCell3D(ACol, ARow, State);
}

// A special row's cell is written as a record's: in the column's font and colour, or highlighted
// while chosen.
void TDBLookupGridX::DrawFilterRowCell(int, int, const TCellTypeX& Cell, TRect ARect, TGridDrawState,
                                       bool& Highlighted) {
  TCanvas* cv = Canvas();
  TColumnX* column =
      Cell.ColArea == caDataCol && Cell.DataCol < Columns()->Count() ? Columns()->GetColumn(Cell.DataCol) : nullptr;
  cv->Font()->Assign(column ? column->Font() : Font());
  TColor back = column ? column->Color() : Color();
  Highlighted = choice_ == lcSpecRowX;
  if (Highlighted) {
    back = clHighlight;
    cv->Font()->SetColor(clHighlightText);
  }
  cv->Brush()->SetColor(back);
  if (!column) {
    cv->FillRect(ARect);
    return;
  }
  WriteCellText(column, cv, ARect, true, 2, 2, spec_row_->CellText(Cell.DataCol), column->Alignment(),
                column->Layout(), false, false, 0, 0);
}

bool TDBLookupGridX::HighlightDataCell(int DataCol, int DataRow, const std::string& Value, TGridDrawState State,
                                       TColor& Background, TFont* AFont) {
  if (choice_ == lcNoneX) return TCustomDBGridX::HighlightDataCell(DataCol, DataRow, Value, State, Background, AFont);
  if (choice_ != lcRecordX || DataRow + TitleOffset() != Row()) return false;
  Background = clHighlight;
  AFont->SetColor(clHighlightText);
  return true;
}

// ---- The choice ----

void TDBLookupGridX::SetChoice(TChoiceX Value) {
  choice_ = Value;
  if (HandleAllocated()) Invalidate();
}

void TDBLookupGridX::ChooseKey(const Variant& Key) {
  if (SpecRowShown() && VariantsEqual(Key, spec_row_->Value())) {
    SetChoice(lcSpecRowX);
    return;
  }
  TDataSet* ds = DataLink()->Active() ? DataLink()->DataSet() : nullptr;
  const bool found = ds && !key_field_name_.empty() && !VarIsNull(Key) && ds->Locate(key_field_name_, Key, {});
  if (!found && SpecRowShown() && spec_row_->ShowIfNotInKeyList()) {
    SetChoice(lcSpecRowX);
    return;
  }
  if (!found && ds) ds->First();
  SetChoice(found ? lcRecordX : lcNoneX);
}

void TDBLookupGridX::MoveChoice(int Distance) {
  TDataSet* ds = DataLink()->Active() ? DataLink()->DataSet() : nullptr;
  const bool records = ds && !ds->IsEmpty();
  if (choice_ == lcNoneX || (choice_ == lcSpecRowX && Distance > 0)) {
    if (choice_ == lcNoneX && SpecRowShown()) {
      SetChoice(lcSpecRowX);
    } else if (records) {
      ds->First();
      if (choice_ == lcSpecRowX) ds->MoveBy(Distance - 1);
      SetChoice(lcRecordX);
    }
    return;
  }
  if (choice_ != lcRecordX || !records || Distance == 0) return;
  // Up past the first record is the special row.
  if (ds->MoveBy(Distance) > Distance && SpecRowShown()) SetChoice(lcSpecRowX);
  else if (HandleAllocated()) Invalidate();
}

bool TDBLookupGridX::ChooseRow(int ARow) {
  if (SpecRowShown() && ARow == TitleOffset() - 1) {
    SetChoice(lcSpecRowX);
    return true;
  }
  TDataSet* ds = DataLink()->Active() ? DataLink()->DataSet() : nullptr;
  if (!ds || ds->IsEmpty() || ARow < TitleOffset() || ARow >= RowCount()) return false;
  if (ARow != Row()) DataLink()->MoveBy(ARow - Row());
  SetChoice(lcRecordX);
  return true;
}

Variant TDBLookupGridX::ChosenKey() {
  switch (choice_) {
    case lcSpecRowX: return spec_row_->Value();
    case lcRecordX: return DataLink()->Active() ? DataLink()->DataSet()->FieldValues(key_field_name_) : Null();
    default: return Null();
  }
}

// ---- The drop-down ----

TPopupDataGridX::TPopupDataGridX(TComponent* AOwner) : TDBLookupGridX(AOwner) {
  SetTabStop(false);
  TControl::SetVisible(false);
}

void TPopupDataGridX::CreateParams(TCreateParams& Params) {
  TDBLookupGridX::CreateParams(Params);
  Params.Style = (Params.Style & (WS_VSCROLL | WS_HSCROLL)) | WS_POPUP | WS_BORDER | WS_CLIPSIBLINGS;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WndParent = nullptr;
}

void TPopupDataGridX::DropDown(TWinControl* Anchor, int Rows, int Width, TPopupDataGridCloseEventX OnClose) {
  SetFont(Anchor->Font());
  HandleNeeded();
  // Laid out in the anchor's font first: the height follows from the rows.
  LayoutChanged();
  const int line = Options().Contains(dlgRowLinesX) ? GridLineWidth() : 0;
  const int step = DefaultRowHeight() + line;
  const int titles = TCustomDBGridX::Options().Contains(dgTitles) ? RowHeights(0) + line : 0;
  const int height = titles + (TitleOffset() - (titles ? 1 : 0)) * step + std::max(Rows, 1) * step + 2;
  TRect r;
  wm::GetWindowRect(Anchor->Handle(), r);
  const int width = Width > 0 ? Width : r.Width();
  int top = r.Bottom;
  if (top + height > Screen->Height() && r.Top - height >= 0) top = r.Top - height;
  on_close_ = std::move(OnClose);
  dropped_down_ = true;
  SetBounds(r.Left, top, width, height);
  wm::SetWindowPos(Handle(), nullptr, r.Left, top, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  TControl::SetVisible(true);
  wm::SetCapture(Handle());
}

void TPopupDataGridX::CloseUp(bool Chosen) {
  if (!dropped_down_) return;
  dropped_down_ = false;
  if (HandleAllocated() && wm::GetCapture() == Handle()) wm::ReleaseCapture();
  TControl::SetVisible(false);
  if (HandleAllocated()) wm::ShowWindow(Handle(), SW_HIDE);
  // The handler may open the list again.
  if (const TPopupDataGridCloseEventX close = std::exchange(on_close_, nullptr)) close(Chosen);
}

bool TPopupDataGridX::MoveByKey(WORD Key) {
  const int page = std::max(GetVisibleDataRowCount() - 1, 1);
  switch (Key) {
    case VK_UP: MoveChoice(-1); return true;
    case VK_DOWN: MoveChoice(1); return true;
    case VK_PRIOR: MoveChoice(-page); return true;
    case VK_NEXT: MoveChoice(page); return true;
    default: return false;
  }
}

void TPopupDataGridX::PressOutside(TPoint ClientPos) {
  TPoint screen = ClientToScreen(ClientPos);
  const LRESULT hit = wm::SendMessage(Handle(), WM_NCHITTEST, 0, MAKELPARAM(screen.X, screen.Y));
  if (hit != HTVSCROLL && hit != HTHSCROLL) {
    CloseUp(false);
    return;
  }
  // The bar holds the mouse while it is dragged; the list takes it back after.
  wm::ReleaseCapture();
  wm::SendMessage(Handle(), WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit), MAKELPARAM(screen.X, screen.Y));
  if (dropped_down_ && HandleAllocated()) wm::SetCapture(Handle());
}

// The rows answer the mouse themselves: the grid's own mouse handling (selections, sizing, the
// editor) has no part in a list to choose from.
void TPopupDataGridX::Dispatch(TMessage& Message) {
  const TPoint pt{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE:
      Message.Result = MA_NOACTIVATE;
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!dropped_down_) break;
      if (!ClientRect().Contains(pt)) PressOutside(pt);
      else ChooseRow(MouseCoord(pt.X, pt.Y).Y);
      return;
    case WM_MOUSEMOVE:
      if (!dropped_down_) break;
      if (ClientRect().Contains(pt)) ChooseRow(MouseCoord(pt.X, pt.Y).Y);
      return;
    case WM_LBUTTONUP:
      if (!dropped_down_) break;
      // Released over a row: chosen (also at the end of a press that began on the editor's button).
      if (ClientRect().Contains(pt) && ChooseRow(MouseCoord(pt.X, pt.Y).Y)) CloseUp(true);
      return;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      CloseUp(false);
      break;
    default: break;
  }
  TDBLookupGridX::Dispatch(Message);
}

}  // namespace lab
