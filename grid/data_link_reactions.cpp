// How the grid answers what happens outside its drawing and input: the dataset scrolled, a record
// or field changed under the editor, the form was scaled; and the small tests they use.

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "grid/dbgrid.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/arith.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"
#include "platform/win/window_functions.h"

namespace lab {

namespace {

// A lookup field shows a new text when one of its key fields changes.
bool IsLookupKeyOf(TField* Key, TField* LookupField) {
  if (!LookupField->Lookup() || !LookupField->DataSet()) return false;
  std::vector<TField*> keys;
  LookupField->DataSet()->GetFieldList(keys, LookupField->KeyFields());
  return std::find(keys.begin(), keys.end(), Key) != keys.end();
}

bool VertScrollBarShown(TCustomDBGridX& Grid) {
  return (win::GetWindowLongPtr(Grid.Handle(), win::GWL_STYLE) & win::WS_VSCROLL) != 0;
}

}  // namespace

// The dataset moved its current record by Distance rows of the link's window.
void TCustomDBGridX::Scroll(int Distance) {
  // A record moved by anything but the search itself ends the search.
  if (!inc_search_.Guarding()) StopIncSearch();
  // Every record has its row: the current row follows the record, the view scrolls itself.
  if (record_set_ || WantsRecordSet()) {
    if (!destroying_) RecordSetUpdateActive();
    return;
  }
  if (!HandleAllocated() || destroying_) return;
  // The box of grid rows Top..Bottom across all columns, stretched to the client width.
  auto rows_box = [this](int Top, int Bottom) {
    TRect r = BoxRect(0, Top, ColCount() - 1, Bottom);
    if (!r.IsEmpty()) r.Right = ClientWidth();
    return r;
  };
  const TRect old_row = rows_box(Row(), Row());
  if (data_link_->ActiveRecord() >= RowCount() - title_offset_) UpdateRowCount();
  const bool vert_shown = VertScrollBarShown(*this);
  UpdateScrollBar();
  // A scroll bar that came or went changes the client width the columns are fitted to.
  if (VertScrollBarShown(*this) != vert_shown && auto_fit_col_widths_ && !ComponentState().Contains(csDesigning))
    DeferLayout();
  UpdateActive();
  // The row left and the row reached both repaint (the current row is drawn apart).
  const TRect new_row = rows_box(Row(), Row());
  win::InvalidateRect(Handle(), &old_row, false);
  win::InvalidateRect(Handle(), &new_row, false);
  if (Distance != 0) {
    HideEditor();
    if (std::abs(Distance) > GetVisibleDataRowCount()) {
      Invalidate();
    } else {
      const int step = DefaultRowHeight() + (options_.Contains(dgRowLines) ? GridLineWidth() : 0);
      const bool indicator = options_.Contains(dgIndicator);
      if (indicator && sel_row_ >= 0) InvalidateCell(0, sel_row_);
      const TRect area = rows_box(title_offset_, 1000);
      // The footer rows and the filler row above them stay where they are.
      const TRect clip = footer_row_count_ > 0 ? rows_box(title_offset_, RowCount() - footer_row_count_ - 2)
                                               : area;
      if (!area.IsEmpty() && !clip.IsEmpty())
        win::ScrollWindowEx(Handle(), 0, -step * Distance, &area, &clip, nullptr, nullptr, win::SW_INVALIDATE);
      if (indicator) InvalidateCell(0, Row());
    }
    if (options_.Contains(dgAlwaysShowEditor)) ShowEditor();
  }
  // The first row's neighbour above changed: a duplicate it hid may show now.
  if (AnyColumnHidesDuplicates()) InvalidateRow(title_offset_);
  InvalidateFooter();
  if (update_lock_ == 0) Update();
}

void TCustomDBGridX::RecordChangedForField(TField* Field) {
  if (!HandleAllocated()) return;
  if (!Field) {
    Invalidate();
  } else {
    for (int i = 0; i < columns_->Count(); ++i)
      if (columns_->GetColumn(i)->field_ == Field) InvalidateCell(DataToRawColumn(i), Row());
  }
  TColumnX* current = SelectedColumn();
  TField* current_field = current ? current->GetField() : nullptr;
  if (!current_field || (Field && Field != current_field && !IsLookupKeyOf(Field, current_field))) return;
  std::string text;
  if (draw_memo_text_ && (current_field->DataType() == ftMemo || current_field->DataType() == ftFmtMemo))
    text = AdjustLineBreaks(current_field->AsString());
  else if (current->GetColumnType() == ctKeyPickList)
    text = current->DisplayText();
  else
    text = current_field->EditText();
  if (text != edit_text_) ResetEditor();
}

// The editor reads its cell again (through the framework grid's editor refresh).
void TCustomDBGridX::ResetEditor() {
  InvalidateEditor();
  if (FilterEditing()) UpdateFilterEdit(true);
}

void TCustomDBGridX::SetEditText(int, int, const std::string& Value) { edit_text_ = Value; }

bool TCustomDBGridX::AnyColumnHidesDuplicates() const {
  for (int i = 0; i < columns_->Count(); ++i)
    if (columns_->GetColumn(i)->HideDuplicates()) return true;
  return false;
}

bool TCustomDBGridX::FieldIsReadOnly(TField* Field) {
  if (!Field) return true;
  if (Field->ReadOnly()) return true;
  if (!Field->Lookup() || !Field->LookupDataSet()) return false;
  if (Field->KeyFields().empty() || !Field->DataSet()) return true;
  std::vector<TField*> keys;
  Field->DataSet()->GetFieldList(keys, Field->KeyFields());
  for (TField* k : keys)
    if (!k->ReadOnly()) return false;
  return true;
}

bool TCustomDBGridX::PointInGridRect(TGridCoord Coord, TGridRect Rect) {
  return Coord.X >= Rect.Left && Coord.X <= Rect.Right && Coord.Y >= Rect.Top && Coord.Y <= Rect.Bottom;
}

// While loading the control scales as it says; afterwards only the fonts: the widths of the
// columns are the grid's to scale, and they are, cumulatively, so they add up to the scaled total.
void TCustomDBGridX::ChangeScale(int M, int D) {
  if (D == 0) return;  // no scale: nothing to divide by
  if (M != D) {
    const TScalingFlags flags = ComponentState().Contains(csLoading) ? ScalingFlags() : TScalingFlags{sfFont};
    if (!ParentFont() && flags.Contains(sfFont)) {
      title_font_->SetSize(MulDiv(Font()->Size(), M, D));
      footer_font_->SetSize(MulDiv(footer_font_->Size(), M, D));
    }
    if (flags.Contains(sfFont)) {
      columns_->BeginUpdate();
      TScopeExit end_update([this] { columns_->EndUpdate(); });
      int sum = 0, scaled_before = 0;
      for (int i = 0; i < columns_->Count(); ++i) {
        TColumnX* c = columns_->GetColumn(i);
        // Read before the column's font scales: a width that follows the font would scale twice.
        sum += c->Width();
        if (c->Assigned(cvFont)) c->Font()->SetSize(MulDiv(c->Font()->Size(), M, D));
        if (c->Assigned(cvTitleFont)) c->Title()->Font()->SetSize(MulDiv(c->Title()->Font()->Size(), M, D));
        auto scale_footer = [M, D](TColumnFooterX* f) {
          if (f->AssignedValues().Contains(cfvFont)) f->Font()->SetSize(MulDiv(f->Font()->Size(), M, D));
        };
        scale_footer(c->Footer());
        for (int k = 0; k < c->Footers()->Count(); ++k) scale_footer(c->Footers()->GetFooter(k));
        const int scaled = MulDiv(sum, M, D);
        c->SetWidth(scaled - scaled_before);
        scaled_before = scaled;
      }
    }
  }
  TCustomGrid::ChangeScale(M, D);
}

}  // namespace lab
