#include "grid/dbgrid.h"

#include "grid/cell_writing.h"
#include "grid/filter_row.h"
#include "grid/grid_services.h"
#include "grid/grid_style.h"
#include "grid/grid_unit.h"
#include "grid/inplace_edit.h"
#include "platform/controls/menus.h"
#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/grids/inplace_edit.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/system_metrics.h"
#include "platform/win/window_functions.h"

namespace lab {
TBitmap* TCustomDBGridX::SharedDrawBitmap() noexcept { return DrawBitmap(); }
int TCustomDBGridX::SharedDrawBitmapUsers() noexcept { return DrawBitmapUsers(); }

// ---- Construction and destruction ----

TCustomDBGridX::TCustomDBGridX(TComponent* AOwner) : TCustomGrid(AOwner) {
  UseUnit(DBGridXUnit);
  style_ = DBGridXStyle();
  if (style_) style_->AddGrid(this);
  acquire_focus_ = true;
  indicator_offset_ = 1;
  options_ = TDBGridOptions{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                            dgConfirmDelete, dgCancelOnExit};
  title_offset_ = static_cast<std::uint8_t>(GetTitleOffset());
  AcquireDrawBitmap();
  SetScrollBars(ssHorizontal);
  TCustomGrid::SetOptions(TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goColSizing,
                                       goColMoving, goEditing, goTabs});
  column_def_values_ = CreateColumnDefValues();
  columns_ = CreateColumns();
  SetRowCount(2);
  SetColCount(2);
  data_link_ = std::make_unique<TGridDataLinkX>(this);
  SetColor(clWindow);
  footer_color_ = clWindow;
  SetParentColor(false);
  title_font_ = std::make_unique<TFont>();
  title_font_->OnChange = [this](TObject*) { TitleFontChanged(); };
  // The grid draws every cell itself: the framework grid neither fills nor frames them.
  TCustomGrid::SetDefaultDrawing(false);
  default_drawing_ = true;
  // Sizing, moving and drop lines are XOR in silver: dark grey over the light cells, light over
  // dark ones.
  SetLinePenColor(static_cast<TColor>(0xC0C0C0));
  selected_rows_ = std::make_unique<TBookmarkListX>(static_cast<ISelectionHostX&>(*this));
  title_tree_ = std::make_unique<THeadTreeNode>("Root", 0, 0);
  v_title_margin_ = 10;
  use_multi_title_ = false;
  row_sizing_allowed_ = false;
  // Owned as a component, so the form text streams it through the grid ("SumList.Active").
  sum_list_ = new TDBGridXSumList(this);
  horz_scroll_bar_ = CreateScrollBar(sbHorizontal);
  vert_scroll_bar_ = CreateScrollBar(sbVertical);
  options_x_ = TDBGridXOptions{dgxFixed3D, dgxHighlightFocus, dgxClearSelection, dgxDialogFind};
  allowed_operations_ = TDBGridXAllowedOperations{alopInsertX, alopUpdateX, alopDeleteX, alopAppendX};
  footer_font_ = std::make_unique<TFont>();
  footer_font_->OnChange = [this](TObject*) { FooterFontChanged(); };
  allowed_selections_ = TDBGridXAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns, gstAll};
  cell_params_ = std::make_unique<TColCellParamsX>();
  selection_ = std::make_unique<TDBGridXSelection>(static_cast<ISelectionHostX&>(*this));
  title_image_link_ = std::make_unique<TChangeLink>();
  title_image_link_->OnChange = [this](TObject* Sender) { TitleImagesChanged(Sender); };
  st_filter_ = std::make_unique<TSTDBGridXFilter>(this);
  CreateFilterRow();
}

TCustomDBGridX::~TCustomDBGridX() {
  destroying_ = true;
  // A style that went has already let go of the grid.
  if (style_) style_->RemoveGrid(this);
  cell_params_.reset();
  data_link_->SetDataSource(nullptr);
  selection_.reset();
  selected_rows_.reset();
  // Columns go first: while they are freed they still find the grid's lists.
  columns_.reset();
  column_def_values_.reset();
  visible_columns_.Clear();
  sort_marked_columns_.Clear();
  data_link_.reset();
  // An attached bar gets its own window procedure back.
  horz_scroll_bar_.reset();
  vert_scroll_bar_.reset();
  title_font_.reset();
  title_image_link_.reset();
  ReleaseDrawBitmap();
  // Freed here, while the grid it reports to is still whole.
  delete std::exchange(sum_list_, nullptr);
  footer_font_.reset();
  st_filter_.reset();
  // The filter editor, an owned component, goes after the grid: it must not report to it then.
  filter_row_.reset();
}

std::unique_ptr<TColumnDefValuesX> TCustomDBGridX::CreateColumnDefValues() {
  return std::make_unique<TDBGridXColumnDefValuesX>(this);
}

std::unique_ptr<TDBGridColumnsX> TCustomDBGridX::CreateColumns() {
  return std::make_unique<TDBGridColumnsX>(this, MetaClass<TDBGridColumnX>());
}

std::unique_ptr<TDBGridXScrollBar> TCustomDBGridX::CreateScrollBar(TScrollBarKind Kind) {
  if (Kind == sbVertical) return std::make_unique<TVertDBGridXScrollBar>(this);
  return std::make_unique<TDBGridXScrollBar>(this, Kind);
}

// ---- Data source and link ----

TDataSource* TCustomDBGridX::DataSource() const { return data_link_->DataSource(); }

void TCustomDBGridX::SetDataSource(TDataSource* Value) {
  if (Value == data_link_->DataSource()) return;
  if (TDataSource* old = data_link_->DataSource()) old->RemoveFreeNotification(this);
  data_link_->SetDataSource(Value);
  if (Value) Value->FreeNotification(this);
  LinkActive(data_link_->Active());  // which hands the sum list its dataset
}

void TCustomDBGridX::SumListTakeDataSet() {
  if (!sum_list_ || destroying_) return;
  TDataSource* source = DataSource();
  sum_list_->SetDataSet(source ? source->DataSet() : nullptr);
}

void TCustomDBGridX::SumListRecalcAll() {
  if (OnSumListRecalcAll && !destroying_) OnSumListRecalcAll(sum_list_);
}

void TCustomDBGridX::SumListAfterRecalcAll() {
  if (OnSumListAfterRecalcAll && !destroying_) OnSumListAfterRecalcAll(sum_list_);
}

void TCustomDBGridX::InvalidateGridRect(const TGridRect& ARect) {
  if (HandleAllocated()) InvalidateRect(ARect);
}

void TCustomDBGridX::InvalidateCol(int ACol) {
  if (!HandleAllocated()) return;
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  InvalidateRect({ACol, 0, ACol, std::min(di.Vert.LastFullVisibleCell + 1, RowCount() - 1)});
}

void TCustomDBGridX::InvalidateCell(int ACol, int ARow) {
  TCustomGrid::InvalidateCell(ACol, ARow);
  if (!options_.Contains(dgRowLines) || !HandleAllocated()) return;
  TRect line = CellRect(ACol, ARow);
  if (line.IsEmpty()) return;
  line.Bottom = line.Top;
  line.Top -= GridLineWidth();
  wm::InvalidateRect(Handle(), &line, false);
}

void TCustomDBGridX::InvalidateFooter() {
  if (destroying_ || !HandleAllocated()) return;
  const int rows = RowCount();
  for (int i = 1; i <= footer_row_count_ && rows - i >= 0; ++i) InvalidateRow(rows - i);
}

void TCustomDBGridX::SetColumns(TDBGridColumnsX* Value) { columns_->Assign(Value); }

void TCustomDBGridX::SetColumnDefValues(TColumnDefValuesX* Value) { column_def_values_->Assign(Value); }

void TCustomDBGridX::GetDatasetFieldList(std::vector<TField*>& List) {
  if (TDataSet* ds = data_link_->DataSet())
    for (TField* f : ds->Fields()) List.push_back(f);
}

void TCustomDBGridX::GetDefaultColumnFields(std::vector<TField*>& List) {
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || !ds) return;
  for (TField* f : ds->Fields())
    if (f->Visible()) List.push_back(f);
}

// A component being freed may already have lost its derived parts: only pointers are compared.
void TCustomDBGridX::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomGrid::Notification(AComponent, Operation);
  if (Operation != opRemove || !columns_) return;
  // A freed image list has already let go of the change links.
  if (AComponent == title_images_) title_images_ = nullptr;
  // Each settings object forgets only its own bar: another scroll bar of the form may go.
  if (vert_scroll_bar_) vert_scroll_bar_->ForgetComponent(AComponent);
  if (horz_scroll_bar_) horz_scroll_bar_->ForgetComponent(AComponent);
  if (AComponent == sum_list_) sum_list_ = nullptr;
  if (data_link_ && AComponent == data_link_->DataSource()) SetDataSource(nullptr);
  // The records-as-rows interface lives on the dataset: it goes with it.
  if (data_link_ && AComponent == data_link_->DataSet()) UpdateMemTableIntf();
  bool forgot_field = false;
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnX* c = columns_->GetColumn(i);
    if (c->field_ == AComponent) forgot_field = true;
    c->ForgetComponent(AComponent);
  }
  if (!forgot_field) return;
  // A field went: lay out again at once, or later when its dataset is going too.
  BeginLayout();
  TDataSet* ds = data_link_->DataSet();
  if (ds && !ds->ComponentState().Contains(csDestroying) && !destroying_) {
    EndLayout();
  } else {
    DeferLayout();
    CancelLayout();
  }
}

void TCustomDBGridX::SelectField(TField* Field) {
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnX* c = columns_->GetColumn(i);
    if (c->Visible() && c->GetField() == Field) {
      // Hidden columns keep their place among the data columns.
      SetSelectedIndex(c->Index());
      return;
    }
  }
}

// ---- Current column and geometry ----

int TCustomDBGridX::GetTitleOffset() { return (TitlesVisible() ? 1 : 0) + (FilterRowVisible() ? 1 : 0); }

bool TCustomDBGridX::FilterRowVisible() { return st_filter_ && st_filter_->Visible(); }

int TCustomDBGridX::SelectedIndex() const { return RawToDataColumn(Col()); }

void TCustomDBGridX::SetSelectedIndex(int Value) {
  const int raw = DataToRawColumn(Value);
  if (Value < 0 || raw >= ColCount() || raw == Col()) return;
  // What was typed belongs to the column being left; an editor dgAlwaysShowEditor keeps open goes
  // to the new cell.
  data_link_->UpdateRecord();
  MoveColRow(raw, Row(), true, true);
  if (EditorMode()) UpdateEdit();
}

TColumnX* TCustomDBGridX::SelectedColumn() const {
  const int i = SelectedIndex();
  return i >= 0 && i < columns_->Count() ? columns_->GetColumn(i) : nullptr;
}

TGridRect TCustomDBGridX::GetDataBox() {
  TGridRect r;
  r.Left = indicator_offset_;
  r.Top = title_offset_;
  r.Right = ColCount() - 1;
  r.Bottom = footer_row_count_ > 0 ? RowCount() - footer_row_count_ - 2 : RowCount();
  return r;
}

// ---- Editing ----

bool TCustomDBGridX::CanModifyRecord() {
  TDataSet* ds = data_link_->DataSet();
  if (!data_link_->Active() || !ds) return false;
  const bool inserting = ds->State() == dsInsert;
  return (allowed_operations_.Contains(alopUpdateX) || inserting) &&
         (!ds->IsEmpty() || allowed_operations_.Contains(alopInsertX) || allowed_operations_.Contains(alopAppendX));
}

bool TCustomDBGridX::CheckCanEditModify() {
  if (read_only_ || data_link_->ReadOnly() || !data_link_->Active()) return false;
  TColumnX* c = SelectedColumn();
  if (!c || c->ReadOnly()) return false;
  TField* f = c->GetField();
  if (!f || !f->CanModify()) return false;
  if (f->IsBlob() && !((f->DataType() == ftMemo || f->DataType() == ftFmtMemo) && draw_memo_text_)) return false;
  if (!c->CanModify(false)) return false;
  if (EditorShowing() && InplaceEditor()->ReadOnly()) return false;
  return true;
}

bool TCustomDBGridX::CanEditModify() {
  TColumnX* c = SelectedColumn();
  if ((c && c->GetColumnType() == ctCheckboxes) || in_data_update_) return false;
  if (!CheckCanEditModify()) return false;
  if (!data_link_->Edit()) return false;
  data_link_->SetModified();
  return true;
}

namespace {

// Characters a field of this type can take when typed.
bool IsValidChar(TField* F, char32_t Key) {
  if (Key < 0x20) return true;
  switch (F->DataType()) {
    case ftSmallint: case ftInteger: case ftWord: case ftLargeint: case ftAutoInc:
      return (Key >= '0' && Key <= '9') || Key == '+' || Key == '-';
    case ftFloat: case ftCurrency: case ftBCD: case ftFMTBcd:
      return (Key >= '0' && Key <= '9') || Key == '+' || Key == '-' || Key == 'E' || Key == 'e' ||
             Key == static_cast<char32_t>(FormatSettings.DecimalSeparator);
    default: return true;
  }
}

}  // namespace

bool TCustomDBGridX::CanEditAcceptKey(char32_t Key) {
  const bool editable = !(InplaceEditor() && InplaceEditor()->ReadOnly());
  TColumnX* c = SelectedColumn();
  TField* f = c ? c->GetField() : nullptr;
  if (data_link_->Active() && f) {
    if (c->HasKeyList()) return editable;
    return IsValidChar(f, Key) && editable;
  }
  return editable;
}

TInplaceEdit* TCustomDBGridX::CreateEditor() { return new TDBGridInplaceEdit(this); }

bool TCustomDBGridX::EditorShowing() {
  return EditorMode() && InplaceEditor() && InplaceEditor()->Visible();
}

bool TCustomDBGridX::EditorModified() { return EditorShowing() && InplaceEditor()->Modified(); }

std::string TCustomDBGridX::EditorText() { return InplaceEditor() ? InplaceEditor()->Text() : std::string(); }

bool TCustomDBGridX::CanEditShow() {
  if (in_layout_) return false;
  bool result = TCustomGrid::CanEditShow();
  // A selection stays on screen: typing would replace it.
  if (result && selection_ && selection_->SelectionType() != gstNon && options_x_.Contains(dgxClearSelection) &&
      allowed_selections_.Contains(gstRectangle))
    result = false;
  if (result) {
    TColumnX* c = SelectedColumn();
    if (c) {
      const TColumnKindX kind = c->GetColumnType();
      if (kind == ctCheckboxes || kind == ctKeyImageList) result = false;
    }
  }
  if (in_data_update_) result = false;
  // The editor may still stand over a cell that no longer takes it.
  if (!result && InplaceEditor() && InplaceEditor()->Visible()) InplaceEditor()->Hide();
  return result;
}

// The cell's editor and the filter row's never show at once.
void TCustomDBGridX::ShowCellEditor() {
  if (filter_row_->Editing()) StopEditFilter();
  ShowEditor();
}

bool TCustomDBGridX::AlwaysShowEditor() {
  return options_.Contains(dgAlwaysShowEditor) && !FilterEditorActive();
}

bool TCustomDBGridX::AcquireFocus() {
  if (!acquire_focus_ || !CanFocus() || ComponentState().Contains(csDesigning)) return true;
  SetFocus();
  return GridOrEditorFocused();
}

bool TCustomDBGridX::GridOrEditorFocused() {
  const win::HWND focus = win::GetFocus();
  if (!focus) return false;
  if (HandleAllocated() && focus == Handle()) return true;
  return InplaceEditor() && InplaceEditor()->HandleAllocated() && focus == InplaceEditor()->Handle();
}

bool TCustomDBGridX::TitlesVisible() { return options_.Contains(dgTitles); }

bool TCustomDBGridX::FindDialogModal() { return true; }

bool TCustomDBGridX::CanDropRecords() { return true; }

// ---- Events ----

void TCustomDBGridX::CellClick(TColumnX* Column) {
  if (OnCellClick) OnCellClick(Column);
}

void TCustomDBGridX::ColEnter() {
  if (TColumnX* c = SelectedColumn()) {
    SetImeMode(c->ImeMode());
    SetImeName(c->ImeName());
  }
  if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridX::ColExit() {
  if (OnColExit) OnColExit(this);
}

// Inside a filter update: the filter columns move with the columns and are not taken for edits;
// then the filter editor goes over its column's cell again.
void TCustomDBGridX::ColumnMoved(int FromIndex, int ToIndex) {
  {
    st_filter_->BeginUpdate();
    TScopeExit end_update([&] { st_filter_->EndUpdate(); });
    const int from = RawToDataColumn(FromIndex), to = RawToDataColumn(ToIndex);
    if (from >= 0 && from < columns_->Count() && to >= 0 && to < columns_->Count())
      columns_->GetColumn(from)->SetIndex(to);
    if (OnColumnMoved) OnColumnMoved(this, from, to);
  }
  UpdateFilterEdit(false);
}

// The framework grid's widths follow the columns: hidden columns take no pixels (and, with column
// lines, no line either), and only visible, editable columns are tab stops.
void TCustomDBGridX::UpdateColWidthsAndTabStops() {
  updating_col_widths_ = true;
  TScopeExit clear([&] { updating_col_widths_ = false; });
  const bool lines = options_.Contains(dgColLines);
  for (int i = 0; i < columns_->Count(); ++i) {
    const int raw = DataToRawColumn(i);
    if (raw >= ColCount()) break;
    TColumnX* c = columns_->GetColumn(i);
    SetColWidths(raw, c->Visible() ? c->Width() : (lines ? -1 : 0));
    TField* f = c->GetField();
    SetTabStops(raw, c->Visible() && !c->ReadOnly() && data_link_->Active() && f && f->CanModify());
  }
  if (options_.Contains(dgIndicator) && ColCount() > 0) SetColWidths(0, 11);
}

// The user sized a column in the framework grid.
void TCustomDBGridX::ColWidthsChanged() {
  if (updating_col_widths_ || in_layout_ || destroying_ || !columns_) return;
  {
    BeginLayout();
    TScopeExit end_layout([&] { EndLayout(); });
    TColumnX* resized = nullptr;
    int old_width = 0, new_width = 0;
    for (int i = 0; i < columns_->Count(); ++i) {
      TColumnX* c = columns_->GetColumn(i);
      const int raw = DataToRawColumn(i);
      if (!c->Visible() || raw >= ColCount()) continue;
      const int w = c->ClampWidth(TCustomGrid::ColWidths(raw));
      if (w != c->Width() && !resized) {
        resized = c;
        old_width = c->Width();
        new_width = w;
      }
    }
    if (resized && auto_fit_col_widths_) {
      if (resized->AutoFitColWidth() && old_width > 0) {
        resized->init_width_ = MulDiv(new_width, resized->init_width_, old_width);
      } else {
        resized->SetWidth(new_width);
      }
      // The change is taken from (or given to) the fitting columns to its right.
      const int d = new_width - old_width;
      int s = 0;
      for (int i = resized->Index() + 1; i < columns_->Count(); ++i) {
        TColumnX* c = columns_->GetColumn(i);
        if (c->Visible() && c->AutoFitColWidth()) s += c->Width();
      }
      if (s > 0)
        for (int i = resized->Index() + 1; i < columns_->Count(); ++i) {
          TColumnX* c = columns_->GetColumn(i);
          if (c->Visible() && c->AutoFitColWidth()) c->init_width_ = std::max(1, MulDiv(s - d, c->init_width_, s));
        }
    } else if (resized) {
      resized->SetWidth(new_width);
    }
  }
  if (OnColWidthsChanged) OnColWidthsChanged(this);
}

void TCustomDBGridX::DefaultHandler(TMessage& Message) {
  TCustomGrid::DefaultHandler(Message);
  if (Message.Msg != win::WM_RBUTTONUP) return;
  const int x = static_cast<std::int16_t>(Message.LParam & 0xFFFF);
  const int y = static_cast<std::int16_t>((Message.LParam >> 16) & 0xFFFF);
  const TGridCoord cell = MouseCoord(x, y);
  const int data_col = RawToDataColumn(cell.X);
  if (cell.Y < title_offset_ || data_col < 0 || data_col >= columns_->Count()) return;
  TPopupMenu* menu = columns_->GetColumn(data_col)->PopupMenu();
  if (!menu || !menu->AutoPopup()) return;
  Perform(CM_CANCELMODE, 0, 0);
  menu->SetPopupComponent(this);
  const TPoint p = ClientToScreen(TPoint{x, y});
  menu->Popup(p.X, p.Y);
  Message.Result = 1;
}

// ---- Window ----

void TCustomDBGridX::CreateWnd() {
  {
    BeginUpdate();
    TScopeExit end_update([&] { EndUpdate(); });
    TCustomGrid::CreateWnd();
    // A new window has no scroll bar yet, whatever the old one showed.
    scroll_info_set_ = false;
    edit_button_width_ = flat_ ? ComputeDefaultButtonWidth() : win::GetSystemMetrics(win::SM_CXVSCROLL);
    // A layout before the window knew no button width: the buttons' height follows it now.
    LayoutEditButtonHeight();
    if (auto_fit_col_widths_) {
      BeginLayout();
      EndLayout();
    } else {
      UpdateRowCount();
      UpdateActive();
    }
    UpdateScrollBar();
  }
  // The scroll bars that came with the window may have made the client area smaller meanwhile.
  if (resize_in_update_ && update_lock_ == 0) ApplyPendingResize();
}

void TCustomDBGridX::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_DEFERLAYOUTX: HandleDeferLayout(Message); return;
    case win::WM_VSCROLL: WMVScroll(Message); return;
    case win::WM_HSCROLL: WMHScroll(Message); return;
    case win::WM_SIZE: WMSize(Message); return;
    case win::WM_CHAR: WMChar(Message); return;
    case win::WM_TIMER: WMTimer(Message); return;
    case win::WM_SETCURSOR: WMSetCursor(Message); return;
    case win::WM_CANCELMODE:
    case CM_CANCELMODE: WMCancelMode(Message); return;
    case win::WM_LBUTTONDOWN:
    case win::WM_RBUTTONDOWN: WMButtonDown(Message); return;
    case win::WM_COMMAND: WMCommand(Message); return;
    case CM_HINTSHOW: CMHintShow(Message); return;
    case CM_HINTSHOWPAUSE: CMHintShowPause(Message); return;
    case win::WM_IME_STARTCOMPOSITION:
      // Composed text goes into the cell's editor.
      ShowCellEditor();
      break;
    default: break;
  }
  TCustomGrid::Dispatch(Message);
}

// Held outside the cells while selecting: up and down go to the record before the first row shown
// or after the last; left and right are the framework grid's.
void TCustomDBGridX::TimedScroll(TGridScrollDirections Direction) {
  if (!data_link_->Active()) return;
  TGridDrawInfo di;
  TCustomGrid::CalcDrawInfo(di);
  const int first = record_set_ ? TopRow() : title_offset_;
  if (Direction.Contains(sdUp)) data_link_->MoveBy(first - 1 - Row());
  if (Direction.Contains(sdDown)) data_link_->MoveBy(std::min(di.Vert.LastFullVisibleCell, FirstFooterAreaRow() - 1) + 1 - Row());
  Direction -= TGridScrollDirections{sdUp, sdDown};
  if (!Direction.Empty()) TCustomGrid::TimedScroll(Direction);
}

// The text of the in-place editor is the cell's (the filter row's editor tells the filter row).
void TCustomDBGridX::WMCommand(TMessage& Message) {
  const auto from = reinterpret_cast<win::HWND>(Message.LParam);
  if (win::HIWORD(Message.WParam) == win::EN_CHANGE && from) {
    if (InplaceEditor() && InplaceEditor()->HandleAllocated() && from == InplaceEditor()->Handle()) {
      UpdateText();
      return;
    }
  }
  TCustomGrid::Dispatch(Message);
}

void TCustomDBGridX::DataChanged() {
  if (!HandleAllocated()) return;
  UpdateRowCount();
  auto vert_shown = [this] {
    return (win::GetWindowLongPtr(Handle(), win::GWL_STYLE) & win::WS_VSCROLL) != 0;
  };
  const bool was_shown = vert_shown();
  UpdateScrollBar();
  // A scroll bar that came or went changes the client width the columns are fitted to.
  if (vert_shown() != was_shown && auto_fit_col_widths_ && !ComponentState().Contains(csDesigning)) DeferLayout();
  UpdateActive();
  InvalidateEditor();
  Invalidate();
}

void TCustomDBGridX::Loaded() {
  TCustomGrid::Loaded();
  if (columns_->Count() > 0) SetColCount(std::max(columns_->Count() + indicator_offset_, FixedCols() + 1));
  if (auto_fit_col_widths_ && !ComponentState().Contains(csDesigning)) {
    columns_->BeginUpdate();
    for (int i = 0; i < columns_->Count(); ++i) {
      TColumnX* c = columns_->GetColumn(i);
      c->init_width_ = c->Width();
    }
    columns_->EndUpdate();
    SetScrollBars(ssNone);
  }
  RebuildSortMarkedColumns();
  if (DataSource()) SumListTakeDataSet();
  LayoutChanged();
  DeferLayout();
}

void TCustomDBGridX::RebuildSortMarkedColumns() {
  sort_marked_columns_.Clear();
  std::vector<TColumnX*> sorted;
  for (int i = 0; i < columns_->Count(); ++i) {
    TColumnX* c = columns_->GetColumn(i);
    if (c->Title()->SortIndex() > 0 && c->Title()->SortMarker() != smNoneX) sorted.push_back(c);
  }
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](TColumnX* a, TColumnX* b) { return a->Title()->SortIndex() < b->Title()->SortIndex(); });
  for (TColumnX* c : sorted) sort_marked_columns_.Add(c);
}

void TCustomDBGridX::ColumnRemoved(TColumnX* Column) {
  // While the grid goes, the editing only forgets the column: nothing is to be placed or shown.
  if (!destroying_) filter_row_->ColumnRemoved(Column);
  else if (filter_row_->Column() == Column) filter_row_->SetColumn(nullptr);
  visible_columns_.Remove(Column);
  // Copying, painting and focus changes read the selected columns: a freed one must not stay.
  if (selection_) selection_->Columns()->ColumnRemoved(Column);
  const int at = sort_marked_columns_.Remove(Column);
  if (at >= 0) {
    const int index = Column->Title()->SortIndex();
    for (TColumnX* c : sort_marked_columns_)
      if (c->Title()->sort_index_ > index) --c->Title()->sort_index_;
  }
}

void TCustomDBGridX::ColumnsUpdated(TColumnX*) {
  if (destroying_) return;
  // Titles may have taken their markers wholesale (columns assigned from another grid, or marked
  // while the collection was being updated): the sort list follows what the titles say.
  RebuildSortMarkedColumns();
  LayoutChanged();
}

void TCustomDBGridX::OptimizeColumnWidth(TColumnX* Column) {
  TColumnsXList list;
  list.Add(Column);
  OptimizeColumnWidths(list);
}

// The editor's text goes into the field as the column shows it: a pick-list text as the key it
// stands for, a lookup text as the key of the list record that shows it.
void TCustomDBGridX::UpdateData() {
  TColumnX* c = SelectedColumn();
  if (!c || !InplaceEditor()) return;
  in_data_update_ = true;
  TScopeExit done([&] { in_data_update_ = false; });
  const std::string text = EditorText();
  TField* f = c->GetField();
  auto notInList = [&] {
    bool recheck = false;
    if (c->OnNotInList) c->OnNotInList(c, Variant(text), recheck);
    return recheck;
  };
  if (f && c->HasKeyList()) {
    TStrings* picks = c->GetPickList();
    int i = picks->IndexOf(text);
    if (i < 0 && !text.empty() && notInList()) i = picks->IndexOf(text);
    TStrings* keys = c->GetKeyList();
    c->UpdateDataValues(text, i >= 0 && i < keys->Count() ? Variant(keys->Strings(i)) : Null(), false);
    return;
  }
  if (f && f->Lookup()) {
    TSpecRowX* spec = c->DropDownSpecRow();
    TDataSet* list = f->LookupDataSet();
    Variant key;
    if (spec->Visible() && text == spec->CellText(0)) {
      key = spec->Value();
    } else if (text.empty()) {
      key = Null();
    } else if (list && list->Active()) {
      auto locate = [&] { return list->Locate(f->LookupResultField(), Variant(text), {loCaseInsensitive}); };
      bool found = locate();
      if (!found && notInList()) found = locate();
      // A text the list does not hold stands for no key: the field keeps its value.
      if (!found) return;
      key = list->FieldValues(f->LookupKeyFields());
    } else {
      return;
    }
    if (c->CanModify(true)) c->UpdateDataValues(text, key, false);
    return;
  }
  if (f && c->HasPickList() && c->GetPickList()->IndexOf(text) < 0 && c->OnNotInList) notInList();
  c->UpdateDataValues(text, Variant(), true);
}

// A title or footer font of the grid's own: the grid font no longer follows the parent's (unless
// they are following the grid font now).
void TCustomDBGridX::TitleFontChanged() {
  if (!following_font_ && !ComponentState().Contains(csLoading)) SetParentFont(false);
  if (options_.Contains(dgTitles)) LayoutChanged();
}

void TCustomDBGridX::FooterFontChanged() {
  if (!following_font_ && !ComponentState().Contains(csLoading)) SetParentFont(false);
  if (footer_row_count_ > 0) LayoutChanged();
}

void TCustomDBGridX::TitleImagesChanged(TObject* Sender) {
  if (Sender == title_images_ && HandleAllocated()) Invalidate();
}

}  // namespace lab
