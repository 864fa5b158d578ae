// The grid's published settings: their setters, the property table of TDBGridX and the streaming
// of the columns.

#include "grid/dbgrid.h"
#include "grid/grid_style.h"
#include "platform/classes/filer.h"
#include "platform/db/data_source.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

void TCustomDBGridX::DeclareProperties(TPropertyDeclarer<TCustomDBGridX>&) {}

void TDBGridX::DeclareProperties(TPropertyDeclarer<TDBGridX>& P) {
  using G = TDBGridX;
  P.Property("AllowedOperations", &G::AllowedOperations, &G::SetAllowedOperations)
      .Default(TDBGridXAllowedOperations{alopInsertX, alopUpdateX, alopDeleteX, alopAppendX});
  P.Property("AllowedSelections", &G::AllowedSelections, &G::SetAllowedSelections)
      .Default(TDBGridXAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns, gstAll});
  P.Property("AutoFitColWidths", &G::AutoFitColWidths, &G::SetAutoFitColWidths).Default(false);
  // The framework grid starts with a single border.
  P.Property("BorderStyle", &G::BorderStyle, &G::SetBorderStyle).Default(bsSingle);
  P.Property("ColumnDefValues", &G::ColumnDefValues, &G::SetColumnDefValues);
  // Written through DefineProperties, only when customised.
  P.Property("Columns", &G::Columns, &G::SetColumns).Stored(false);
  P.Property("DataSource", &G::DataSource, &G::SetDataSource);
  P.Property("DefaultDrawing", &G::DefaultDrawing, &G::SetDefaultDrawing).Default(true);
  P.Property("DrawMemoText", &G::DrawMemoText, &G::SetDrawMemoText).Default(false);
  P.Property("EditActions", &G::EditActions, &G::SetEditActions).Default(TDBGridXEditActions{});
  P.Property("EvenRowColor", &G::EvenRowColor, &G::SetEvenRowColor).Idents("TColor").Stored([](G& g) {
    return g.EvenRowColorSet();
  });
  P.Property("FixedColor", &G::FixedColor, &G::SetFixedColor).Idents("TColor").Default(clBtnFace);
  P.Property("Flat", &G::Flat, &G::SetFlat).Default(false);
  P.Property("FooterColor", &G::FooterColor, &G::SetFooterColor).Idents("TColor");
  P.Property("FooterFont", &G::FooterFont, &G::SetFooterFont);
  P.Property("FooterRowCount", &G::FooterRowCount, &G::SetFooterRowCount).Default(0);
  P.Property("FrozenCols", &G::FrozenCols, &G::SetFrozenCols).Default(0);
  P.Property("HorzScrollBar", &G::HorzScrollBar, &G::SetHorzScrollBar);
  P.Property("MinAutoFitWidth", &G::MinAutoFitWidth, &G::SetMinAutoFitWidth).Default(0);
  P.Property("OddRowColor", &G::OddRowColor, &G::SetOddRowColor).Idents("TColor").Stored([](G& g) {
    return g.OddRowColorSet();
  });
  P.Property("Options", &G::Options, &G::SetOptions)
      .Default(TDBGridOptions{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                              dgConfirmDelete, dgCancelOnExit});
  P.Property("OptionsX", &G::OptionsX, &G::SetOptionsX)
      .Default(TDBGridXOptions{dgxFixed3D, dgxHighlightFocus, dgxClearSelection, dgxDialogFind});
  P.Property("ParentColor", &G::ParentColor, &G::SetParentColor).Default(false);
  P.Property("ReadOnly", &G::ReadOnly, &G::SetReadOnly).Default(false);
  P.Property("RowHeight", &G::RowHeight, &G::SetRowHeight).Default(0);
  P.Property("RowLines", &G::RowLines, &G::SetRowLines).Default(0);
  P.Property("RowSizingAllowed", &G::RowSizingAllowed, &G::SetRowSizingAllowed).Default(false);
  P.Property("SortLocal", &G::SortLocal, &G::SetSortLocal).Default(false);
  P.Property("STFilter", &G::STFilter, &G::SetSTFilter);
  P.Property("SumList", &G::SumList, &G::SetSumList);
  P.Property("TabStop", &G::TabStop, &G::SetTabStop).Default(true);
  P.Property("TitleFont", &G::TitleFont, &G::SetTitleFont);
  P.Property("TitleHeight", &G::TitleHeight, &G::SetTitleHeight).Default(0);
  P.Property("TitleImages", &G::TitleImages, &G::SetTitleImages);
  P.Property("TitleLines", &G::TitleLines, &G::SetTitleLines).Default(0);
  P.Property("UseMultiTitle", &G::UseMultiTitle, &G::SetUseMultiTitle).Default(false);
  P.Property("VertScrollBar", &G::VertScrollBar, &G::SetVertScrollBar);
  P.Property("VTitleMargin", &G::VTitleMargin, &G::SetVTitleMargin).Default(10);
  P.Property("OnApplyFilter", &G::OnApplyFilter);
  P.Property("OnCellClick", &G::OnCellClick);
  P.Property("OnCheckButton", &G::OnCheckButton);
  P.Property("OnColEnter", &G::OnColEnter);
  P.Property("OnColExit", &G::OnColExit);
  P.Property("OnColumnMoved", &G::OnColumnMoved);
  P.Property("OnColWidthsChanged", &G::OnColWidthsChanged);
  P.Property("OnDrawColumnCell", &G::OnDrawColumnCell);
  P.Property("OnDrawDataCell", &G::OnDrawDataCell);
  P.Property("OnDrawFooterCell", &G::OnDrawFooterCell);
  P.Property("OnEditButtonClick", &G::OnEditButtonClick);
  P.Property("OnGetBtnParams", &G::OnGetBtnParams);
  P.Property("OnGetCellParams", &G::OnGetCellParams);
  P.Property("OnGetFooterParams", &G::OnGetFooterParams);
  P.Property("OnMoveRecords", &G::OnMoveRecords);
  P.Property("OnSelectionChanged", &G::OnSelectionChanged);
  P.Property("OnSortMarkingChanged", &G::OnSortMarkingChanged);
  P.Property("OnSumListAfterRecalcAll", &G::OnSumListAfterRecalcAll);
  P.Property("OnSumListRecalcAll", &G::OnSumListRecalcAll);
  P.Property("OnTitleBtnClick", &G::OnTitleBtnClick);
  P.Property("OnTitleClick", &G::OnTitleClick);
}

// ---- Streaming the columns ----

void TCustomDBGridX::DefineProperties(TFiler& Filer) {
  TCustomGrid::DefineProperties(Filer);
  bool has_data = columns_->Customized();
  if (has_data)
    if (auto* ancestor = dynamic_cast<TCustomDBGridX*>(Filer.Ancestor()))
      has_data = ancestor->columns_->GetState() != columns_->GetState() ||
                 !CollectionsEqual(columns_.get(), ancestor->columns_.get());
  Filer.DefineProperty(
      "Columns", [this](TReader& R) { ReadColumns(R); }, [this](TWriter& W) { WriteColumns(W); }, has_data);
}

void TCustomDBGridX::ReadColumns(TReader& Reader) {
  columns_->Clear();
  Reader.ReadCollection(columns_.get());
}

void TCustomDBGridX::WriteColumns(TWriter& Writer) { Writer.WriteCollection(columns_.get()); }

// ---- Setters ----

void TCustomDBGridX::SetAutoFitColWidths(bool Value) {
  if (auto_fit_col_widths_ == Value) return;
  auto_fit_col_widths_ = Value;
  const bool loading = ComponentState().Contains(csLoading);
  if (Value) {
    if (!loading)
      for (int i = 0; i < columns_->Count(); ++i) {
        TColumnX* c = columns_->GetColumn(i);
        c->init_width_ = c->Width();
      }
    SetScrollBars(ssNone);
  } else {
    {
      columns_->BeginUpdate();
      TScopeExit end_update([&] { columns_->EndUpdate(); });
      for (int i = 0; i < columns_->Count(); ++i) {
        TColumnX* c = columns_->GetColumn(i);
        c->SetWidth(c->init_width_);
      }
    }
    SetScrollBars(ssHorizontal);
  }
  if (!loading) LayoutChanged();
}

void TCustomDBGridX::SetDrawMemoText(bool Value) {
  if (draw_memo_text_ == Value) return;
  draw_memo_text_ = Value;
  LayoutChanged();
}

void TCustomDBGridX::SetEvenRowColor(TColor Value) {
  const bool changed = Value != EvenRowColor();
  even_row_color_ = Value;
  even_row_color_set_ = true;
  if (changed && HandleAllocated()) Invalidate();
}

void TCustomDBGridX::SetOddRowColor(TColor Value) {
  const bool changed = Value != OddRowColor();
  odd_row_color_ = Value;
  odd_row_color_set_ = true;
  if (changed && HandleAllocated()) Invalidate();
}

void TCustomDBGridX::SetFlat(bool Value) {
  if (flat_ == Value) return;
  flat_ = Value;
  title_text_margin_ = Value ? 2 : 4;
  // The border (CreateParams) and the edit buttons' width (CreateWnd) come with the window.
  RecreateWnd();
  LayoutChanged();
}

void TCustomDBGridX::SetStyle(TDBGridXStyle* Value) {
  if (!Value) Value = DBGridXStyle();
  if (style_ == Value) return;
  if (style_) style_->RemoveGrid(this);
  style_ = Value;
  if (style_) style_->AddGrid(this);
  LayoutChanged();
}

void TCustomDBGridX::SetDefaultDrawing(bool Value) {
  if (default_drawing_ == Value) return;
  default_drawing_ = Value;
  if (HandleAllocated()) Invalidate();
}

void TCustomDBGridX::SetFooterColor(TColor Value) {
  if (!ComponentState().Contains(csLoading)) SetParentColor(false);
  footer_color_ = Value;
  if (footer_row_count_ >= 1 && HandleAllocated()) Invalidate();
}

void TCustomDBGridX::SetFooterRowCount(int Value) {
  if (Value < 0 || Value == footer_row_count_) return;
  footer_row_count_ = Value;
  UpdateMemTableIntf();
  LayoutChanged();
}

void TCustomDBGridX::SetFrozenCols(int Value) {
  if (Value < 0 || Value == frozen_cols_) return;
  frozen_cols_ = Value;
  LayoutChanged();
}

void TCustomDBGridX::SetMinAutoFitWidth(int Value) {
  if (min_auto_fit_width_ == Value) return;
  min_auto_fit_width_ = Value;
  LayoutChanged();
}

// The framework grid's options follow the grid's own: lines, sizing and moving columns, tabs, whole
// rows, editing.
void TCustomDBGridX::SyncGridOptions() {
  TGridOptions o;
  if (row_sizing_allowed_) o.Include(goRowSizing);
  if (options_.Contains(dgColLines)) o += TGridOptions{goFixedVertLine, goVertLine};
  if (options_.Contains(dgRowLines)) o += TGridOptions{goFixedHorzLine, goHorzLine};
  if (options_.Contains(dgColumnResize)) o += TGridOptions{goColSizing, goColMoving};
  if (options_.Contains(dgTabs)) o.Include(goTabs);
  if (options_.Contains(dgRowSelect)) o.Include(goRowSelect);
  if (options_.Contains(dgEditing)) o.Include(goEditing);
  if (options_.Contains(dgAlwaysShowEditor)) o.Include(goAlwaysShowEditor);
  TCustomGrid::SetOptions(o);
}

void TCustomDBGridX::SetRowSizingAllowed(bool Value) {
  if (row_sizing_allowed_ == Value) return;
  row_sizing_allowed_ = Value;
  SyncGridOptions();
}

void TCustomDBGridX::SetOptions(TDBGridOptions Value) {
  // Whole rows are selected: no cell is edited.
  if (Value.Contains(dgRowSelect)) Value -= TDBGridOptions{dgEditing, dgAlwaysShowEditor};
  if (options_ == Value) return;
  const TDBGridOptions layout{dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColLines, dgRowLines,
                              dgRowSelect, dgAlwaysShowSelection};
  const bool relayout = (options_ * layout) != (Value * layout);
  auto switched_off = [&](TDBGridOption o) { return options_.Contains(o) && !Value.Contains(o); };
  const bool multi_off = switched_off(dgMultiSelect), rows_off = switched_off(dgRowSelect);
  const bool always_off = switched_off(dgAlwaysShowEditor);
  options_ = Value;
  SyncGridOptions();
  if (multi_off) {
    selected_rows_->Clear();
    if (selection_->SelectionType() != gstNon) selection_->Clear();
  }
  // The framework grid's selection shrinks from the whole row to the current cell.
  if (rows_off && HandleAllocated()) {
    InvalidateRow(Row());
    MoveColRow(Col(), Row(), true, false);
  }
  // Hit tests read it before the layout runs (and while an update holds the layout back).
  title_offset_ = static_cast<std::uint8_t>(GetTitleOffset());
  if (relayout) LayoutChanged();
  // An editor the option alone kept open closes with it; one holding a change stays.
  if (always_off && EditorMode() && !EditorModified()) HideEditor();
  else if (EditorMode()) InvalidateEditor();
}

void TCustomDBGridX::SetOptionsX(TDBGridXOptions Value) {
  if (options_x_ == Value) return;
  const bool multi_off = options_x_.Contains(dgxMultiSortMarking) && !Value.Contains(dgxMultiSortMarking);
  options_x_ = Value;
  // Without multi-sort marking only the first sort column keeps its marker.
  if (multi_off)
    while (sort_marked_columns_.Count() > 1) {
      TColumnX* c = sort_marked_columns_[sort_marked_columns_.Count() - 1];
      c->Title()->sort_marker_ = smNoneX;
      c->Title()->sort_index_ = 0;
      sort_marked_columns_.Delete(sort_marked_columns_.Count() - 1);
    }
  LayoutChanged();
}

void TCustomDBGridX::SetReadOnly(bool Value) {
  if (read_only_ == Value) return;
  read_only_ = Value;
  LayoutChanged();
}

void TCustomDBGridX::SetRowHeight(int Value) {
  if (Value < 0) Value = 0;
  if (row_height_ == Value) return;
  row_height_ = Value;
  LayoutChanged();
}

void TCustomDBGridX::SetRowLines(int Value) {
  if (Value < 0) Value = 0;
  if (row_lines_ == Value) return;
  row_lines_ = Value;
  LayoutChanged();
}

void TCustomDBGridX::SetTitleHeight(int Value) {
  if (Value < 0) Value = 0;
  if (title_height_ == Value) return;
  title_height_ = Value;
  LayoutChanged();
}

void TCustomDBGridX::SetTitleLines(int Value) {
  if (Value < 0) Value = 0;
  if (title_lines_ == Value) return;
  title_lines_ = Value;
  LayoutChanged();
}

void TCustomDBGridX::SetTitleImages(TCustomImageList* Value) {
  if (title_images_ == Value) return;
  if (title_images_) title_images_->UnRegisterChanges(title_image_link_.get());
  title_images_ = Value;
  if (Value) {
    Value->RegisterChanges(title_image_link_.get());
    Value->FreeNotification(this);
  }
  LayoutChanged();
}

void TCustomDBGridX::SetUseMultiTitle(bool Value) {
  if (use_multi_title_ == Value) return;
  use_multi_title_ = Value;
  LayoutChanged();
}

void TCustomDBGridX::SetVTitleMargin(int Value) {
  if (v_title_margin_ == Value) return;
  v_title_margin_ = Value;
  LayoutChanged();
}

}  // namespace lab
