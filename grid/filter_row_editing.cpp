// Editing the title filter row: its editor, its keys and drop-down, its cells and applying what
// was typed.

#include <algorithm>

#include "grid/data_service.h"
#include "grid/dbgrid.h"
#include "grid/filter_editor.h"
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

TInplaceFilterEditX* TCustomDBGridX::FilterEditor() const { return dynamic_cast<TInplaceFilterEditX*>(filter_editor_); }

TColumnX* TCustomDBGridX::FilterColumnAt(int ACol) const {
  const int c = ACol - indicator_offset_;
  return c >= 0 && c < columns_->Count() ? columns_->GetColumn(c) : nullptr;
}

bool TCustomDBGridX::FilterEditorActive() { return filter_editing_ && !HasSelection(); }

bool TCustomDBGridX::CanEditFilter(int ACol) {
  TColumnX* c = FilterColumnAt(ACol);
  return c && c->Visible() && c->STFilter()->Visible();
}

std::string TCustomDBGridX::GetFilterText(int ACol) const {
  TColumnX* c = FilterColumnAt(ACol);
  return c && !c->FieldName().empty() ? c->STFilter()->ExpressionStr() : std::string();
}

TWinControl* TCustomDBGridX::CreateFilterEditor() { return new TInplaceFilterEditX(this); }

void TCustomDBGridX::SetFilterEditing(bool Value) {
  if (Value) StartEditFilter(Col());
  else StopEditFilter();
}

// ---- Starting, placing and stopping the editor ----

void TCustomDBGridX::StartEditFilter(int ACol) {
  if (!FilterRowVisible() || !CanEditFilter(ACol)) return;
  if (data_link_->Active()) data_link_->DataSet()->CheckBrowseMode();
  if (!filter_editor_) {
    filter_editor_ = CreateFilterEditor();
    filter_editor_->SetVisible(false);
    filter_editor_->SetParent(this);
    if (TInplaceFilterEditX* e = FilterEditor()) {
      e->OnKeyDown = [this](TObject*, win::WORD& Key, TShiftState Shift) { FilterEditKeyDown(Key, Shift); };
      e->OnKeyPress = [this](TObject*, char32_t& Key) { FilterEditKeyPress(Key); };
    }
  }
  filter_editor_->Font()->Assign(Font());
  filter_editor_->SetColor(FilterCellColor(FixedColor()));
  // The text of the cell left behind is taken first: one that does not read keeps the editor there.
  if (filter_col_ != ACol && filter_editing_ && filter_editor_->Visible()) HideFilterEdit();
  const int before = filter_col_;
  filter_col_ = ACol;
  filter_editing_ = true;
  HideEditor();
  BeginUpdate();
  {
    TScopeExit end_update([this] { EndUpdate(); });
    if (ACol >= FixedCols()) {
      if (!options_.Contains(dgRowSelect)) {
        SetCol(ACol);  // brings the column into view
      } else if (ACol < LeftCol()) {
        SetLeftCol(ACol);
      } else {
        while (LeftCol() < ACol && ACol >= LeftCol() + VisibleColCount()) SetLeftCol(LeftCol() + 1);
      }
    }
  }
  const int row = title_offset_ - 1;
  if (before >= 0 && before < ColCount()) InvalidateCell(before, row);
  InvalidateCell(ACol, row);
  UpdateFilterEdit(true);
}

void TCustomDBGridX::UpdateFilterEdit(bool Show) {
  if (st_filter_->UpdateCount() > 0) return;
  if (filter_editing_ && FilterRowVisible() && CanEditFilter(filter_col_) && filter_editor_ && HandleAllocated()) {
    TRect r = CellRect(filter_col_, title_offset_ - 1);
    ++r.Left;
    if (!FilterEditorActive() || r.IsEmpty()) {
      filter_editor_->SetVisible(false);
      return;
    }
    if (Show) {
      filter_editor_->SetBounds(r.Left, r.Top, 0, 0);
      filter_editor_->SetVisible(true);
      if (filter_editor_->CanFocus()) filter_editor_->SetFocus();
      UpdateFilterEditValue();
      if (TInplaceFilterEditX* e = FilterEditor()) e->SelectAll();
    }
    filter_editor_->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    return;
  }
  // Nothing left to edit: the text goes to its column when it reads, and editing ends.
  if (filter_editor_ && filter_editor_->Visible()) {
    try {
      HideFilterEdit();
    } catch (const EConvertError&) {
      // The condition in force stays; the editor goes with the row.
      filter_editor_->SetVisible(false);
    }
  }
  filter_editing_ = false;
}

void TCustomDBGridX::HideFilterEdit() {
  if (!filter_editor_ || !filter_editor_->Visible()) return;
  // First, so a text that does not read leaves the editor showing it.
  ApplyFilterEditText();
  if (Visible() && CanFocus() && filter_editor_->Focused()) SetFocus();
  filter_editor_->SetVisible(false);
  if (filter_col_ >= 0 && filter_col_ < ColCount()) InvalidateCell(filter_col_, title_offset_ - 1);
}

void TCustomDBGridX::StopEditFilter() {
  if (st_filter_->UpdateCount() > 0) return;
  HideFilterEdit();
  filter_editing_ = false;
  if (AlwaysShowEditor() && CanEditShow()) ShowEditor();
  else HideEditor();
}

// ---- The editor's contents ----

void TCustomDBGridX::ApplyFilterEditText() {
  TColumnX* c = FilterColumnAt(filter_col_);
  if (!c || !c->GetField() || !filter_editor_) return;
  const std::string text = filter_editor_->GetText();
  try {
    c->STFilter()->SetExpressionStr(text);
  } catch (const EConvertError& e) {
    throw EConvertError(Format("Filter \"%s\" of column \"%s\": %s", text, c->Title()->Caption(), e.Message()));
  }
}

void TCustomDBGridX::UpdateFilterEditValue() {
  TInplaceFilterEditX* e = FilterEditor();
  TColumnX* c = FilterColumnAt(filter_col_);
  if (!e || !c) return;
  TSTColumnFilterX* f = c->STFilter();
  e->Items()->Clear();
  e->SetItemTags({});
  const bool list = f->ListSource() || mem_table_;
  TComboEditButton button = e->EditButton(0);
  button.Visible = list;
  button.Width = flat_ ? edit_button_width_ : 0;
  e->SetEditButton(0, button);
  e->SetValue(Null());
  if (!list) {
    e->OnGetItemsList = nullptr;
    e->OnFilterCloseUp = nullptr;
    e->SetText(f->ExpressionStr());
    return;
  }
  e->OnGetItemsList = [this](TObject*) { FilterEditGetList(); };
  e->OnFilterCloseUp = [this](bool Accept) { FilterEditCloseUp(Accept); };
  if (!VarIsNull(f->KeyValue()) && !VarIsEmpty(f->KeyValue())) e->SetValueAndText(f->KeyValue(), f->ExpressionStr());
  else e->SetText(f->ExpressionStr());
  e->SetDropDownWidth(f->DropDownWidth() > 0 ? f->DropDownWidth() : 100);
  e->SetDropDownCount(f->DropDownCount() > 0 ? f->DropDownCount() : 17);
}

// The values of the column (made once, kept until the data changes), under the special items.
void TCustomDBGridX::FilterEditGetList() {
  TInplaceFilterEditX* e = FilterEditor();
  TColumnX* c = FilterColumnAt(filter_col_);
  if (!e || !c) return;
  TSTColumnFilterX* f = c->STFilter();
  if (!f->ValueList()) {
    if (f->ListSource()) f->SetValueList(f->CreateFieldValueList());
    else if (mem_table_ && c->GetField()) f->SetValueList(mem_table_->GetFieldValueList(c->FieldName()));
  }
  std::vector<int> tags{fsiEmptyX, fsiNotEmptyX, fsiAllX, fsiClearFilterX};
  if (options_x_.Contains(dgxAutoSortMarking) && c->Title()->TitleButton())
    tags.insert(tags.end(), {fsiSeparatorX, fsiOrderAscendingX, fsiOrderDescendingX});
  std::reverse(tags.begin(), tags.end());  // the last one inserted reads first
  TStrings* items = e->Items();
  TStringsUpdate update(*items);
  items->Clear();
  for (int tag : tags) items->Add(FilterSpecialItemTexts[tag]);
  if (f->ValueList())
    for (const std::string& v : f->ValueList()->Values()) items->Add(v);
  e->SetItemTags(std::move(tags));
}

void TCustomDBGridX::FilterEditCloseUp(bool Accept) {
  TInplaceFilterEditX* e = FilterEditor();
  TColumnX* c = FilterColumnAt(filter_col_);
  if (!Accept || !e || !c || e->ItemIndex() < 0) return;
  c->STFilter()->SetDropDownSize(e->DropDownWidth(), e->DropDownCount());
  const int index = e->ItemIndex();
  const int tag = e->ItemTag(index);
  switch (tag) {
    case fsiEmptyX: e->SetText("=Null"); break;
    case fsiNotEmptyX: e->SetText("<>Null"); break;
    case fsiAllX: e->SetText(""); break;
    case fsiClearFilterX:
      e->SetText("");
      ClearAllFilters();
      ApplyFilter();
      return;
    case fsiSeparatorX: e->SetText(e->TextBeforeDrop()); return;
    case fsiOrderAscendingX:
    case fsiOrderDescendingX: {
      e->SetText(e->TextBeforeDrop());
      for (int i = 0; i < columns_->Count(); ++i) columns_->GetColumn(i)->Title()->SetSortMarker(smNoneX);
      sort_marked_columns_.Clear();
      c->Title()->SetSortMarker(tag == fsiOrderAscendingX ? smDownX : smUpX);
      SortMarkingChanged();
      return;
    }
    default:
      // A value is typed as a condition equal to it, quoted where its text would read otherwise.
      e->SetText(FilterTextForValue(e->Items()->Strings(index)));
      break;
  }
  if (TDBGridXStyle* style = Style(); style && style->FilterEditCloseUpApplyFilter()) ApplyFilter();
}

// ---- Keys ----

void TCustomDBGridX::MoveFilterEdit(int Direction, bool FromEdge) {
  const int first = indicator_offset_;
  const int last = indicator_offset_ + columns_->Count() - 1;
  if (last < first) return;
  int c = FromEdge ? (Direction > 0 ? first - 1 : last + 1) : filter_col_;
  for (int n = last - first + 1; n > 0; --n) {
    c += Direction;
    if (c > last) c = first;
    if (c < first) c = last;
    if (CanEditFilter(c)) {
      if (c != filter_col_) StartEditFilter(c);
      return;
    }
  }
}

void TCustomDBGridX::FilterEditKeyDown(win::WORD& Key, TShiftState Shift) {
  TInplaceFilterEditX* e = FilterEditor();
  if (!e || e->DroppedDown()) return;
  const bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift), alt = Shift.Contains(ssAlt);
  const int length = static_cast<int>(Utf8Length(e->GetText()));
  const bool at_start = e->SelStart() == 0 && e->SelLength() == 0;
  const bool at_end = e->SelStart() == length && e->SelLength() == 0;
  switch (Key) {
    case win::VK_LEFT:
      if (ctrl || at_start) {
        MoveFilterEdit(ctrl ? 1 : -1, ctrl);
        Key = 0;
      }
      break;
    case win::VK_RIGHT:
      if (ctrl || at_end) {
        MoveFilterEdit(ctrl ? -1 : 1, ctrl);
        Key = 0;
      }
      break;
    case win::VK_HOME:
      if (ctrl || at_start) {
        MoveFilterEdit(1, true);
        Key = 0;
      }
      break;
    case win::VK_END:
      if (ctrl || at_end) {
        MoveFilterEdit(-1, true);
        Key = 0;
      }
      break;
    case win::VK_TAB:
      if (options_.Contains(dgTabs)) {
        MoveFilterEdit(shift ? -1 : 1, false);
        Key = 0;
      }
      break;
    case win::VK_UP:
      if (!ctrl && !shift && !alt) Key = 0;
      break;
    case win::VK_DOWN:
      if (!shift && !alt && data_link_->Active()) {
        if (!options_.Contains(dgRowSelect) && filter_col_ >= 0) SetCol(filter_col_);
        if (!ctrl) data_link_->MoveBy((record_set_ ? TopRow() : title_offset_) - Row());
        StopEditFilter();
        Key = 0;
      }
      break;
    case win::VK_F2:
      e->SetSelStart(length);
      Key = 0;
      break;
    default: break;
  }
}

void TCustomDBGridX::FilterEditKeyPress(char32_t& Key) {
  if (Key != U'\r') return;
  Key = 0;
  ApplyFilter();
}

// ---- Applying ----

void TCustomDBGridX::ApplyFilter() {
  // A text that does not read stops here: the filter in force stays.
  if (filter_editor_ && filter_editor_->Visible()) ApplyFilterEditText();
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
  if (TInplaceFilterEditX* e = FilterEditor(); e && e->Visible()) e->SetText("");
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
