// The grid's update and layout locks, the deferred layout, the rebuilding of its columns, and the
// layout: row and title heights, frozen columns, footer rows and the rows that mirror the records.

#include "grid/dbgrid.h"
#include "grid/grid_services.h"
#include "grid/measure_canvas.h"
#include "platform/db/dataset.h"
#include "platform/rtl/arith.h"
#include "platform/win/gdi.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"
#include "platform/win/window_functions.h"

namespace lab {

void TCustomDBGridX::BeginUpdate() { ++update_lock_; }

void TCustomDBGridX::EndUpdate() {
  if (update_lock_ > 0) --update_lock_;
}

void TCustomDBGridX::BeginLayout() {
  BeginUpdate();
  if (layout_lock_ == 0) columns_->BeginUpdate();
  ++layout_lock_;
}

void TCustomDBGridX::EndLayout() {
  if (layout_lock_ <= 0) return;
  TScopeExit release([&] {
    --layout_lock_;
    EndUpdate();
  });
  if (layout_lock_ == 1) {
    {
      TScopeExit end_update([&] { columns_->EndUpdate(); });
      InternalLayout();
    }
    // The cells have moved and resized: an open editor goes with its cell (it cannot while the
    // layout runs), and one the options keep open comes back where the layout closed it.
    if (EditorMode()) UpdateEdit();
    else if (AlwaysShowEditor() && data_link_->Active()) ShowCellEditor();
  }
}

void TCustomDBGridX::CancelLayout() {
  if (layout_lock_ <= 0) return;
  if (layout_lock_ == 1) columns_->EndUpdate();
  --layout_lock_;
  EndUpdate();
}

bool TCustomDBGridX::AcquireLayoutLock() {
  if (update_lock_ != 0 || layout_lock_ != 0) return false;
  BeginLayout();
  return true;
}

// Only posts: ending levels here would end levels an outer caller holds (a BeginUpdate around a
// change would silently be undone), so a caller with a layout level of its own closes it itself.
void TCustomDBGridX::DeferLayout() {
  if (!HandleAllocated() || destroying_) return;
  win::MSG m{};
  if (!win::PeekMessage(m, Handle(), WM_DEFERLAYOUTX, WM_DEFERLAYOUTX, win::PM_NOREMOVE))
    win::PostMessage(Handle(), WM_DEFERLAYOUTX, 0, 0);
}

void TCustomDBGridX::HandleDeferLayout(TMessage& Message) {
  Message.Result = 0;
  if (AcquireLayoutLock()) EndLayout();
  else DeferLayout();
}

void TCustomDBGridX::LayoutChanged() {
  if (destroying_) return;
  if (AcquireLayoutLock()) EndLayout();
}

void TCustomDBGridX::LinkActive(bool Value) {
  if (destroying_) return;
  if (!Value) {
    // A drag the timer carries on would go on moving through a closed dataset.
    CancelMouse();
    HideEditor();
  }
  // Taken before the layout, which lays the rows out by it.
  UpdateMemTableIntf();
  selection_->LinkActive(Value);
  SumListTakeDataSet();
  // Every record a row: the rows follow at once, also while an update holds the layout back.
  if (WantsRecordSet()) UpdateRowCount();
  LayoutChanged();
  if (Value && AlwaysShowEditor()) ShowCellEditor();
  UpdateScrollBar();
  columns_->ReleaseColumnLinks();
}

namespace {

// Height of "Wg" in Font.
int TextHeightOf(TCanvas* Canvas, TFont* Font) {
  Canvas->SetFont(Font);
  return Canvas->TextHeight("Wg");
}

}  // namespace

void TCustomDBGridX::InternalLayout() {
  if (ComponentState().Contains(csLoading) || destroying_) return;
  if (HandleAllocated()) {
    win::MSG m{};
    while (win::PeekMessage(m, Handle(), WM_DEFERLAYOUTX, WM_DEFERLAYOUTX, win::PM_REMOVE)) {
    }
  }
  in_layout_ = true;
  TScopeExit clear([&] { in_layout_ = false; });
  RebuildColumns();
  indicator_offset_ = options_.Contains(dgIndicator) ? 1 : 0;
  const int cols = std::max(columns_->Count() + indicator_offset_, indicator_offset_ + 1);
  if (cols < ColCount() && FixedCols() >= cols) SetFixedCols(cols - 1);
  SetColCount(cols);
  LayoutFrozenCols();
  title_offset_ = static_cast<std::uint8_t>(GetTitleOffset());

  TMeasureCanvas canvas(this);
  // Setting the default row height resets every row: the title row keeps its height.
  const int title_row_height = RowHeights(0);
  LayoutRowHeights(canvas.Get());
  SetRowHeights(0, title_row_height);
  LayoutTitleFromFonts(canvas.Get());
  LayoutScrollBars();
  UpdateColWidthsAndTabStops();
  if (auto_fit_col_widths_ && !ComponentState().Contains(csDesigning) && HandleAllocated())
    FitColWidthsToClient();
  LayoutTitleFromSettings(canvas.Get());
  LayoutMultiTitle(canvas.Get());
  UpdateColWidthsAndTabStops();
  if (options_.Contains(dgRowSelect)) {
    const int left = LeftCol();
    UpdateRowCount();
    if (left < ColCount() && left >= FixedCols()) SetLeftCol(left);
  } else {
    UpdateRowCount();
  }
  UpdateActive();
  // The rows shown are the bar's page.
  if (HandleAllocated()) UpdateScrollBar();
  if (HandleAllocated()) Invalidate();
  // Columns may have moved: the selected ones stay in column order.
  if (selection_->SelectionType() == gstColumns) selection_->Columns()->Refresh();
  // Its column may have moved, changed width or gone from the screen.
  UpdateFilterEdit(false);
}

// Frozen columns join the indicator among the fixed columns; hidden columns met on the way (and
// those right after the last frozen one) are fixed too, taking no room.
void TCustomDBGridX::LayoutFrozenCols() {
  int hidden = 0, visible = 0, i = 0;
  const int count = columns_->Count();
  for (; i < count && visible < frozen_cols_; ++i) {
    if (columns_->GetColumn(i)->Visible()) ++visible;
    else ++hidden;
  }
  for (; i < count && !columns_->GetColumn(i)->Visible(); ++i) ++hidden;
  if (visible_columns_.Count() == 0 && hidden > 0) --hidden;
  int fixed = indicator_offset_ + hidden;
  if (data_link_->Active() || columns_->Customized()) fixed += std::min(frozen_cols_, visible);
  // The framework grid needs one scrolling column.
  SetFixedCols(std::min(fixed, ColCount() - 1));
}

void TCustomDBGridX::LayoutRowHeights(TCanvas* Canvas) {
  const int line = options_.Contains(dgRowLines) ? GridLineWidth() : 0;
  const int margin = (flat_ ? 1 : 3) + line;
  const int text = TextHeightOf(Canvas, Font());
  const win::TEXTMETRIC tm = Font()->Handle()->TextMetrics();
  int height;
  if (row_height_ < 1 && row_lines_ < 1) height = text + margin;
  else height = (tm.tmHeight + tm.tmExternalLeading) * row_lines_ + row_height_;
  // A font without height fits no lines: the height stays as set.
  if (options_x_.Contains(dgxFitRowHeightToText) && text > 0) {
    const int d = height - margin, q = d / text, r = d % text;
    height = (r <= text / 2 && q != 0) ? q * text + margin : (q + 1) * text + margin;
    row_lines_ = (height - margin) / text;
    row_height_ = margin;
  }
  SetDefaultRowHeight(std::max(height, 0));
  LayoutEditButtonHeight();
  multi_line_rows_ =
      DefaultRowHeight() > tm.tmHeight + tm.tmExternalLeading + tm.tmInternalLeading + title_text_margin_;
}

void TCustomDBGridX::LayoutEditButtonHeight() {
  const int max_button = Round(edit_button_width_ * 3.0 / 2.0);
  edit_button_height_ = DefaultRowHeight() <= max_button ? DefaultRowHeight()
                                                         : ScaleButtonWidth(edit_button_width_, flat_);
}

// The title row as high as the tallest title font needs.
void TCustomDBGridX::LayoutTitleFromFonts(TCanvas* Canvas) {
  if (!options_.Contains(dgTitles) || use_multi_title_) return;
  int height = 0;
  for (int i = 0; i < columns_->Count(); ++i)
    height = std::max(height, TextHeightOf(Canvas, columns_->GetColumn(i)->Title()->Font()) + title_text_margin_);
  if (columns_->Count() == 0) height = TextHeightOf(Canvas, title_font_.get()) + title_text_margin_;
  SetRowHeights(0, height);
}

// The title row from TitleHeight and TitleLines, measured with the tallest title font.
void TCustomDBGridX::LayoutTitleFromSettings(TCanvas* Canvas) {
  if (!options_.Contains(dgTitles) || (title_height_ == 0 && title_lines_ == 0)) return;
  TFont* font = title_font_.get();
  int tallest = -1;
  for (int i = 0; i < columns_->Count(); ++i) {
    TFont* f = columns_->GetColumn(i)->Title()->Font();
    const int h = TextHeightOf(Canvas, f) + title_text_margin_;
    if (h > tallest) {
      tallest = h;
      font = f;
    }
  }
  const win::TEXTMETRIC tm = font->Handle()->TextMetrics();
  computed_title_height_ = title_lines_ * tm.tmHeight + tm.tmExternalLeading + 2 + title_height_;
  if (options_.Contains(dgRowLines)) ++computed_title_height_;
  SetRowHeights(0, computed_title_height_);
}

void TCustomDBGridX::LayoutMultiTitle(TCanvas* Canvas) {
  if (!options_.Contains(dgTitles) || !use_multi_title_) return;
  Canvas->SetFont(title_font_.get());
  BuildTitleTree();
  const int height = CalcTitleTreeHeight(Canvas, title_tree_.get()) - (options_x_.Contains(dgxFixed3D) ? 1 : 3);
  SetRowHeights(0, std::max(height, 0));
}

// A horizontal scroll bar unless the columns are fitted to the width.
void TCustomDBGridX::LayoutScrollBars() {
  const bool fitting = auto_fit_col_widths_ && !ComponentState().Contains(csDesigning);
  const TScrollStyle wanted =
      horz_scroll_bar_->Visible() && !horz_scroll_bar_->ExtScrollBar() && !fitting ? ssHorizontal : ssNone;
  if (wanted == ScrollBars()) return;
  SetScrollBars(wanted);
  if (HandleAllocated()) UpdateScrollBar();
}

// Rows mirror the link's record buffer: as many as fit the client height, then the footer rows
// at the bottom with a filler row between them and the last record.
void TCustomDBGridX::UpdateRowCount() {
  if (!data_link_) return;
  const int old_rows = RowCount();
  auto set_rows = [this](int rows) {
    if (rows < RowCount() && Row() >= rows) MoveColRow(Col(), rows - 1, false, false);
    SetRowCount(rows);
  };
  if (RowCount() <= title_offset_) SetRowCount(title_offset_ + 1);
  SetFixedRows(title_offset_);
  const int line = options_.Contains(dgRowLines) ? GridLineWidth() : 0;
  const int step = DefaultRowHeight() + line;
  const int titles = options_.Contains(dgTitles) ? 1 : 0;
  const int fixed_height = (titles ? RowHeights(0) + line : 0) + (title_offset_ - titles) * step +
                           footer_row_count_ * step + (footer_row_count_ >= 1 ? line : 0);
  const int title_height = titles ? RowHeights(0) : 0;
  SetDefaultRowHeight(DefaultRowHeight());
  if (titles) SetRowHeights(0, title_height);
  record_set_ = WantsRecordSet();
  if (record_set_) {
    RecordSetRowCount();
    if (RowCount() != old_rows && HandleAllocated()) Invalidate();
    return;
  }
  if (TopRow() != FixedRows() && FixedRows() < RowCount()) SetTopRow(FixedRows());
  TDataSet* ds = data_link_->DataSet();
  const int client = HandleAllocated() ? ClientHeight() : 0;
  if (data_link_->Active() && ds && !ds->IsEmpty() && HandleAllocated()) {
    // A row shows whole with its line below the client area (the draw information counts it so):
    // without that pixel a record that fits would leave an empty ruled row above the footers.
    data_link_->SetBufferCount(std::max(1, step > 0 ? (client + line - fixed_height) / step : 1));
    const int records = data_link_->RecordCount();
    const int rows = title_offset_ + records;
    if (footer_row_count_ >= 1) {
      set_rows(rows + footer_row_count_ + 1);
      SetRowHeights(rows, std::max(0, client - fixed_height - records * step));
    } else {
      set_rows(rows);
    }
    UpdateActive();
  } else {
    set_rows(title_offset_ + 1);
    if (HandleAllocated() && footer_row_count_ > 0) {
      set_rows(RowCount() + footer_row_count_ + 1);
      SetRowHeights(title_offset_ + 1, std::max(0, client - fixed_height - step));
    }
  }
  if (RowCount() != old_rows && HandleAllocated()) Invalidate();
}

// After a sizing drag the first row whose height differs from the others (from the title row on,
// up to the footers) gives its height to every data row.
void TCustomDBGridX::RowHeightsChanged() {
  TCustomGrid::RowHeightsChanged();
  if (in_layout_ || GridState() != gsRowSizing) return;
  const int first = options_.Contains(dgTitles) ? 0 : title_offset_;
  const int last = RowCount() - (footer_row_count_ > 0 ? footer_row_count_ + 1 : 0);
  for (int row = first; row < last; ++row) {
    if (RowHeights(row) == DefaultRowHeight()) continue;
    row_lines_ = 0;
    row_height_ = RowHeights(row);
    LayoutChanged();
    return;
  }
}

// The current row follows the link's active record.
void TCustomDBGridX::UpdateActive() {
  // A record moved by anything but the search itself ends the search.
  if (!inc_search_.Guarding()) StopIncSearch();
  // A record being inserted has no row of its own among the records: the rows go back to the
  // buffer while it is, and the other way after.
  if (WantsRecordSet() != record_set_) UpdateRowCount();
  if (record_set_) {
    RecordSetUpdateActive();
    return;
  }
  if (!data_link_->Active() || !HandleAllocated() || ComponentState().Contains(csLoading)) return;
  const int wanted = data_link_->ActiveRecord() + title_offset_;
  if (wanted >= RowCount()) return;
  if (wanted != Row()) {
    if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
    MoveColRow(Col(), wanted, false, false);
    InvalidateEditor();
  } else if (EditorShowing()) {
    TColumnX* c = SelectedColumn();
    TField* f = c ? c->GetField() : nullptr;
    if (f && f->EditText() != EditorText()) InvalidateEditor();
  }
}

void TCustomDBGridX::RebuildColumns() {
  if (!columns_->Customized()) {
    std::vector<TField*> fields;
    GetDefaultColumnFields(fields);
    columns_->BeginUpdate();
    TScopeExit end_update([&] { columns_->EndUpdate(); });
    for (std::size_t i = 0; i < fields.size(); ++i) {
      TColumnX* c = static_cast<int>(i) < columns_->Count() ? columns_->GetColumn(static_cast<int>(i))
                                                            : columns_->AddDefaultColumn();
      // A column that shows another field now is another column to the user.
      if (c->field_ && c->field_ != fields[i]) selection_->Columns()->ColumnRemoved(c);
      c->SetField(fields[i]);
    }
    while (columns_->Count() > static_cast<int>(fields.size())) columns_->Delete(columns_->Count() - 1);
  } else {
    // Persistent columns stay and find their fields again.
    for (int i = 0; i < columns_->Count(); ++i) columns_->GetColumn(i)->field_ = nullptr;
  }
  DefineFieldMap();
  visible_columns_.Clear();
  for (int i = 0; i < columns_->Count(); ++i)
    if (columns_->GetColumn(i)->Visible()) visible_columns_.Add(columns_->GetColumn(i));
}

void TCustomDBGridX::DefineFieldMap() {
  data_link_->ClearMapping();
  if (!columns_->Customized()) {
    data_link_->SetSparseMap(false);
    std::vector<TField*> fields;
    GetDefaultColumnFields(fields);
    for (TField* f : fields) data_link_->AddMapping(f->FieldName());
  } else {
    data_link_->SetSparseMap(true);
    for (int i = 0; i < columns_->Count(); ++i) data_link_->AddMapping(columns_->GetColumn(i)->FieldName());
  }
}

}  // namespace lab
