// Typed characters and what the in-place editor starts with.
//
// A WM_CHAR carries one code point, so a character is one keystroke whatever its length in UTF-8:
// "é" or "日" reaches incremental search and the editor whole, as one pending character.
// Characters go, first taker wins, to the filter-row editor, to check-box and image columns (Space
// steps the value), to incremental search, to the tree keys of a dataset shown as a tree, and only
// then to the framework grid, which opens the in-place editor with the character.

#include "grid/dbgrid.h"
#include "grid/filter_row.h"
#include "grid/grid_services.h"
#include "grid/grid_unit.h"
#include "platform/controls/message_queue.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

bool IsMemoField(TField* F) { return F->DataType() == ftMemo || F->DataType() == ftFmtMemo; }

// A record being changed is never searched away from.
bool SearchableState(TDataSet* DataSet) {
  const TDataSetState s = DataSet->State();
  return s != dsEdit && s != dsInsert && s != dsSetKey;
}

}  // namespace

TField* TCustomDBGridX::SelectedField() const {
  TColumnX* c = SelectedColumn();
  return c ? c->GetField() : nullptr;
}

bool TCustomDBGridX::IsColumnEditable(int DataCol) {
  if (DataCol < 0 || DataCol >= columns_->Count()) return false;
  return columns_->GetColumn(DataCol)->CanModify(false) && options_.Contains(dgEditing);
}

bool TCustomDBGridX::IsLookupKeyInList(TColumnX* Column) {
  TField* f = Column ? Column->GetField() : nullptr;
  TDataSet* list = Column ? Column->GetListDataSet() : nullptr;
  if (!f || !list || !list->Active() || !f->DataSet()) return false;
  const Variant key = f->DataSet()->FieldValues(f->KeyFields());
  return list->Locate(f->LookupKeyFields(), key, {loCaseInsensitive});
}

// ---- The filter row ----

void TCustomDBGridX::ForwardCharToFilterEditor(char32_t Ch) { filter_row_->TypeChar(Ch); }


// ---- Characters ----

void TCustomDBGridX::WMChar(TMessage& Message) {
  const char32_t ch = static_cast<char32_t>(Message.WParam);
  pending_chars_.clear();
  Utf8Append(pending_chars_, ch);
  TScopeExit done([this] { pending_chars_.clear(); });

  // A character for the filter row ends there: it must not also step a value or open an editor.
  if (filter_row_->Editing() && (ch == U'\b' || ch >= U' ')) {
    ForwardCharToFilterEditor(ch);
    return;
  }
  TColumnX* column = SelectedColumn();
  const TColumnKindX kind = column ? column->GetColumnType() : ctCommon;
  if ((kind == ctCheckboxes || kind == ctKeyImageList) && ch == U' ' && !options_.Contains(dgRowSelect)) {
    const bool back = KeyDataToShiftState(Message.LParam).Contains(ssShift);
    if (!DoKeyPress(Message) && Message.WParam == U' ') column->SetNextFieldValue(back ? -1.0 : 1.0);
    return;
  }
  TDataSet* ds = data_link_->Active() ? data_link_->DataSet() : nullptr;
  const bool searchTakes =
      inc_search_.Active() || (options_x_.Contains(dgxIncSearch) && !IsColumnEditable(SelectedIndex())) ||
      (options_x_.Contains(dgxPreferIncSearch) && !options_.Contains(dgAlwaysShowEditor) && !EditorModified());
  if (searchTakes && (ch >= U' ' || ch == U'\b') && ds && SearchableState(ds)) {
    DoKeyPress(Message);
    return;
  }
  if (mem_table_ && footer_row_count_ == 0 && mem_table_->TreeViewShown() &&
      (ch == U'*' || ch == U'+' || ch == U'-')) {
    DoKeyPress(Message);
    return;
  }
  TCustomGrid::WMChar(Message);
}

void TCustomDBGridX::KeyPress(char32_t& Key) {
  if (options_x_.Contains(dgxEnterAsTab) && Key == U'\r') Key = U'\t';
  if (!options_.Contains(dgAlwaysShowEditor) && Key == U'\r') data_link_->UpdateRecord();
  TCustomGrid::KeyPress(Key);
  const bool searchTakes =
      inc_search_.Active() || (options_x_.Contains(dgxIncSearch) && !IsColumnEditable(SelectedIndex())) ||
      (options_x_.Contains(dgxPreferIncSearch) && !options_.Contains(dgAlwaysShowEditor) && !EditorModified());
  if (!searchTakes || Key < U' ' || !data_link_->Active() || !data_link_->DataSet() ||
      !SearchableState(data_link_->DataSet()))
    return;
  // A character typed into the editor comes without a pending one of the grid's.
  std::string text = pending_chars_;
  if (text.empty()) Utf8Append(text, Key);
  IncSearchLocate(text, inc_search_.Active() ? inc_search_.TimeOut() : DBGridXResources().IncSearchTimeOut, 0);
  Key = 0;
}

// ---- The editor's text, mask and limit ----

std::string TCustomDBGridX::GetEditText(int ACol, int) {
  if (!data_link_->Active()) return {};
  const int dataCol = RawToDataColumn(ACol);
  TColumnX* column = dataCol >= 0 && dataCol < columns_->Count() ? columns_->GetColumn(dataCol) : nullptr;
  TField* f = column ? column->GetField() : nullptr;
  std::string text;
  edit_value_ = Variant();
  if (f) {
    if (column->HasKeyList()) {
      const int i = column->GetKeyList()->IndexOf(f->EditText());
      if (i >= 0 && column->HasPickList() && i < column->GetPickList()->Count())
        text = column->GetPickList()->Strings(i);
    } else if (draw_memo_text_ && IsMemoField(f)) {
      text = AdjustLineBreaks(f->AsString());
    } else {
      text = f->EditText();
    }
    if (f->Lookup() && f->LookupDataSet() && f->DataSet()) {
      TSpecRowX* spec = column->DropDownSpecRow();
      const Variant key = f->DataSet()->FieldValues(f->KeyFields());
      if (spec->Visible() &&
          (VariantsEqual(key, spec->Value()) || (spec->ShowIfNotInKeyList() && !IsLookupKeyInList(column)))) {
        edit_value_ = spec->Value();
        text = spec->CellText(0);
      } else {
        edit_value_ = key;
      }
    }
  }
  if (column) {
    TColCellParamsX params;
    params.Text = text;
    params.Font->Assign(Canvas()->Font());
    column->GetColCellParams(true, &params);
    text = params.Text;
  }
  edit_text_ = text;
  return text;
}

std::string TCustomDBGridX::GetEditMask(int ACol, int) {
  if (!data_link_->Active()) return {};
  const int dataCol = RawToDataColumn(ACol);
  if (dataCol < 0 || dataCol >= columns_->Count()) return {};
  TColumnX* column = columns_->GetColumn(dataCol);
  if (!column->EditMask().empty()) return column->EditMask();
  TField* f = column->GetField();
  if (f && !column->HasKeyList()) return f->EditMask();
  return {};
}

int TCustomDBGridX::GetEditLimit() {
  TColumnX* column = SelectedColumn();
  if (column && column->HasKeyList()) return 0;
  TField* f = SelectedField();
  return f && f->DataType() == ftString ? f->Size() : 0;
}

}  // namespace lab
