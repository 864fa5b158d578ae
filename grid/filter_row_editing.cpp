// Editing the title filter row: its editor, its keys and drop-down, its cells and applying what
// was typed.

#include <algorithm>

#include "grid/data_service.h"
#include "grid/dbgrid.h"
#include "grid/filter_editor.h"
#include "grid/filter_row.h"
#include "grid/grid_services.h"
#include "grid/grid_style.h"
#include "platform/controls/input.h"
#include "platform/db/dataset.h"
#include "platform/graphics/system_metrics.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

// The filter cells' background: the fixed colour lightened by an eighth.
TColor FilterCellColor(TColor Fixed) {
  const TColorRef rgb = ColorToRGB(Fixed);
  auto lighter = [](int c) { return static_cast<int>(std::min<std::int64_t>(255, c + Round(c / 8.0))); };
  return static_cast<TColor>(RGB(lighter(GetRValue(rgb)), lighter(GetGValue(rgb)), lighter(GetBValue(rgb))));
}

}  // namespace

// ---- What the filter row's editing asks of the grid ----

class TCustomDBGridX::TFilterRowHost final : public IFilterRowHostX {
 public:
  explicit TFilterRowHost(TCustomDBGridX& Grid) : grid_(Grid) {}

  TInplaceFilterEditX* CreateFilterEditor() override {
    TInplaceFilterEditX* e = grid_.CreateFilterEditor();
    e->SetVisible(false);
    e->SetParent(&grid_);
    return e;
  }
  void StyleFilterEditor(TInplaceFilterEditX& Editor) override {
    Editor.Font()->Assign(grid_.Font());
    Editor.SetColor(FilterCellColor(grid_.FixedColor()));
    TComboEditButton button = Editor.EditButton(0);
    button.Width = grid_.flat_ ? grid_.edit_button_width_ : 0;
    Editor.SetEditButton(0, button);
  }
  int FilterColumnCount() override { return grid_.columns_->Count(); }
  TColumnX* FilterColumn(int Index) override { return grid_.columns_->GetColumn(Index); }
  bool FilterCellEditable(TColumnX* Column) override {
    return grid_.FilterRowVisible() && grid_.CanEditFilter(Raw(Column));
  }
  TRect FilterCellRect(TColumnX* Column) override {
    return grid_.HandleAllocated() ? grid_.CellRect(Raw(Column), grid_.title_offset_ - 1) : TRect{};
  }
  bool FiltersUpdating() override { return grid_.st_filter_->UpdateCount() > 0; }
  bool FilterEditorMayShow() override { return grid_.FilterEditorActive(); }
  void StartEditFilter(TColumnX* Column) override { grid_.StartEditFilter(Raw(Column)); }
  // The cell editor goes; inside an update the column comes into view and, unless whole rows are
  // selected, becomes current.
  void EnterFilterColumn(TColumnX* Column) override {
    grid_.HideEditor();
    grid_.BeginUpdate();
    TScopeExit end_update([this] { grid_.EndUpdate(); });
    const int col = Raw(Column);
    if (col < grid_.FixedCols()) return;
    if (!grid_.options_.Contains(dgRowSelect)) {
      grid_.SetCol(col);
    } else if (col < grid_.LeftCol()) {
      grid_.SetLeftCol(col);
    } else {
      while (grid_.LeftCol() < col && col >= grid_.LeftCol() + grid_.VisibleColCount())
        grid_.SetLeftCol(grid_.LeftCol() + 1);
    }
  }
  void FilterEditingEnded() override {
    if (grid_.AlwaysShowEditor() && grid_.CanEditShow()) grid_.ShowEditor();
    else grid_.HideEditor();
  }
  void FocusGrid() override {
    if (grid_.Visible() && grid_.CanFocus()) grid_.SetFocus();
  }
  void InvalidateFilterCell(TColumnX* Column) override {
    const int col = Raw(Column);
    if (grid_.HandleAllocated() && col < grid_.ColCount() && grid_.title_offset_ > 0)
      grid_.InvalidateCell(col, grid_.title_offset_ - 1);
  }
  void TakeFilterEditText() override { grid_.ApplyFilterEditText(); }
  void FillFilterEditor() override { grid_.UpdateFilterEditValue(); }
  void ApplyFilter() override { grid_.ApplyFilter(); }
  void ClearAllFilters() override { grid_.ClearAllFilters(); }
  void SortByFilterColumn(TColumnX* Column, bool Ascending) override {
    TDBGridColumnsX* columns = grid_.columns_.get();
    for (int i = 0; i < columns->Count(); ++i) columns->GetColumn(i)->Title()->SetSortMarker(smNoneX);
    grid_.sort_marked_columns_.Clear();
    Column->Title()->SetSortMarker(Ascending ? smDownX : smUpX);
    grid_.SortMarkingChanged();
  }
  bool LeaveFilterRowDown(TColumnX* Column, bool ToFirst) override {
    if (!grid_.data_link_->Active()) return false;
    if (!grid_.options_.Contains(dgRowSelect)) grid_.SetCol(Raw(Column));
    if (ToFirst) grid_.data_link_->MoveBy((grid_.record_set_ ? grid_.TopRow() : grid_.title_offset_) - grid_.Row());
    grid_.StopEditFilter();
    return true;
  }
  bool TabMovesFilterEditor() override { return grid_.options_.Contains(dgTabs); }
  bool ChosenItemsApply() override {
    const TDBGridXStyle* style = grid_.Style();
    return style && style->FilterEditCloseUpApplyFilter();
  }
  bool OffersSorting(TColumnX* Column) override {
    return grid_.options_x_.Contains(dgxAutoSortMarking) && Column->Title()->TitleButton();
  }
  std::shared_ptr<IMemTableDataFieldValueListX> FilterValues(TColumnX* Column) override {
    if (Column->STFilter()->ListSource()) return Column->STFilter()->CreateFieldValueList();
    if (grid_.mem_table_ && Column->GetField()) return grid_.mem_table_->GetFieldValueList(Column->FieldName());
    return nullptr;
  }

 private:
  int Raw(TColumnX* Column) const { return grid_.DataToRawColumn(Column->Index()); }

  TCustomDBGridX& grid_;
};

void TCustomDBGridX::CreateFilterRow() {
  filter_host_ = std::make_unique<TFilterRowHost>(*this);
  filter_row_ = std::make_unique<TFilterRowX>(*filter_host_);
}

// ---- The grid's side ----

TInplaceFilterEditX* TCustomDBGridX::FilterEditor() const { return filter_row_->Editor(); }

int TCustomDBGridX::FilterCol() const {
  TColumnX* c = filter_row_->Column();
  return c ? DataToRawColumn(c->Index()) : -1;
}

bool TCustomDBGridX::FilterEditing() const { return filter_row_->Editing(); }

TColumnX* TCustomDBGridX::FilterColumnAt(int ACol) const {
  const int c = ACol - indicator_offset_;
  return c >= 0 && c < columns_->Count() ? columns_->GetColumn(c) : nullptr;
}

bool TCustomDBGridX::FilterEditorActive() { return filter_row_->Editing() && !HasSelection(); }

bool TCustomDBGridX::CanEditFilter(int ACol) {
  TColumnX* c = FilterColumnAt(ACol);
  return c && c->Visible() && c->STFilter()->Visible();
}

std::string TCustomDBGridX::GetFilterText(int ACol) const {
  TColumnX* c = FilterColumnAt(ACol);
  return c && !c->FieldName().empty() ? c->STFilter()->ExpressionStr() : std::string();
}

TInplaceFilterEditX* TCustomDBGridX::CreateFilterEditor() { return new TInplaceFilterEditX(this); }

void TCustomDBGridX::SetFilterEditing(bool Value) {
  if (Value) StartEditFilter(Col());
  else StopEditFilter();
}

void TCustomDBGridX::StartEditFilter(int ACol) {
  if (!FilterRowVisible() || !CanEditFilter(ACol)) return;
  if (data_link_->Active()) data_link_->DataSet()->CheckBrowseMode();
  filter_row_->Start(FilterColumnAt(ACol));
}

void TCustomDBGridX::UpdateFilterEdit(bool Show) { filter_row_->Place(Show); }

void TCustomDBGridX::StopEditFilter() { filter_row_->Stop(); }

void TCustomDBGridX::ApplyFilterEditText() {
  TColumnX* c = filter_row_->Column();
  TInplaceFilterEditX* e = filter_row_->Editor();
  if (!c || !c->GetField() || !e) return;
  const std::string text = e->GetText();
  try {
    c->STFilter()->SetExpressionStr(text);
  } catch (const EConvertError& err) {
    throw EConvertError(Format("Filter \"%s\" of column \"%s\": %s", text, c->Title()->Caption(), err.Message()));
  }
}

void TCustomDBGridX::UpdateFilterEditValue() { filter_row_->Fill(); }

void TCustomDBGridX::FilterConditionChanged(TColumnX* Column) {
  if (HandleAllocated()) Invalidate();
  filter_row_->FilterChanged(Column);
}

// ---- Applying ----

void TCustomDBGridX::ApplyFilter() {
  // A text that does not read stops here: the filter in force stays.
  if (filter_row_->EditorShowing()) ApplyFilterEditText();
  const int left = LeftCol();
  if (OnApplyFilter) OnApplyFilter(this);
  else DefaultApplyFilter();
  if (left < ColCount() && left >= FixedCols()) SetLeftCol(left);
  UpdateFilterEdit(false);
  if (sum_list_ && sum_list_->Active()) sum_list_->RecalcAll();
  Invalidate();
}

// The grid does not paint while the dataset is being filtered, and keeps its drop-down values.
void TCustomDBGridX::DefaultApplyFilter() {
  const bool was = in_layout_, was_filtering = applying_filter_;
  in_layout_ = true;
  applying_filter_ = true;
  TScopeExit restore([this, was, was_filtering] {
    in_layout_ = was;
    applying_filter_ = was_filtering;
  });
  DBGridXDataService()->ApplyFilter(this);
}

void TCustomDBGridX::ClearAllFilters() {
  if (filter_row_->EditorShowing()) filter_row_->Editor()->SetText("");
  StopEditFilter();
  for (int i = 0; i < columns_->Count(); ++i) columns_->GetColumn(i)->STFilter()->Clear();
  Invalidate();
}

void TCustomDBGridX::DropFilterValueLists() {
  if (applying_filter_) return;
  for (int i = 0; i < columns_->Count(); ++i) columns_->GetColumn(i)->STFilter()->SetValueList(nullptr);
}

// ---- Drawing ----

void TCustomDBGridX::DrawFilterRowCell(int ACol, int ARow, const TCellTypeX& Cell, TRect ARect,
                                       TGridDrawState AState, bool& Highlighted) {
  TCanvas* cv = Canvas();
  TColumnX* column = FilterColumnAt(ACol);
  const bool hot = IsCellSelected(ACol, ARow, Cell.DataCol, {});
  if (!(FilterRowVisible() && ARow == title_offset_ - 1 && ACol >= indicator_offset_ && CanEditFilter(ACol))) {
    TColor back = Cell.ColArea == caDataCol && column ? column->Title()->Color() : FixedColor();
    Highlighted = HighlightFixedCell(ACol, ARow, Cell, AState, hot, back, cv->Font());
    cv->Brush()->SetColor(back);
    if (!UseThemedFixedCells()) cv->FillRect(ARect);
    return;
  }
  cv->Pen()->SetColor(clBlack);
  TRect tr = ARect;
  const bool list = column->STFilter()->UsesListDataSet();
  const int bw = flat_ ? ComputeDefaultButtonWidth() : win::GetSystemMetrics(win::SM_CXVSCROLL);
  const int lw = flat_ && list ? 1 : 0;
  if (list) tr.Right -= bw + lw;
  cv->Font()->Assign(Font());
  cv->Font()->SetColor(clBlue);
  TColor back = FilterCellColor(FixedColor());
  Highlighted = HighlightFixedCell(ACol, ARow, Cell, AState, hot, back, cv->Font());
  cv->Brush()->SetColor(back);
  WriteCellText(column, cv, tr, true, 1, 1, GetFilterText(ACol), taLeftJustify, column->Layout(), false, false, 0, 0);
  cv->Pen()->SetColor(cv->Brush()->Color());
  if (!list) return;
  if (lw == 1) {
    cv->FillRect({tr.Right, tr.Top, tr.Right + 1, tr.Bottom});
    ++tr.Right;
  }
  TRect br{tr.Right, tr.Top, tr.Right + bw, tr.Top + edit_button_height_};
  if (flat_) br = lab::OffsetRect(br, -1, 0);
  DrawEditButton(column, cv, ebsDropDownX, br, ARect, false, false, flat_, data_link_->Active(), cv->Brush()->Color(),
                 nullptr);
  if (DefaultRowHeight() > edit_button_height_) {
    const TRect strip = lab::IntersectRect({br.Left, br.Bottom, br.Right, br.Bottom + DefaultRowHeight() - edit_button_height_},
                                      ARect);
    if (!strip.IsEmpty()) cv->FillRect(strip);
  }
}

}  // namespace lab
