// The grid's side of incremental search: the current column's shown text is what is searched, the
// dataset's own search takes a plain text field (a sorted in-memory dataset answers with a binary
// search), and any other column is walked record by record with the dataset's controls off and
// the record's place in the window kept.

#include "grid/dataset_features.h"
#include "grid/dbgrid.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

void TCustomDBGridX::IncSearchLocate(const std::string& Text, int TimeOut, int Mode) {
  inc_search_.Locate(Text, TimeOut, Mode);
}

bool TCustomDBGridX::SearchLinkActive() { return data_link_->Active(); }

std::optional<std::string> TCustomDBGridX::SearchedText() {
  TColumnX* column = SelectedColumn();
  if (!column || !column->GetField()) return std::nullopt;
  return column->DisplayText();
}

std::optional<bool> TCustomDBGridX::LocateByDataSet(const std::string& Text) {
  // The column shows its field's stored text unchanged: the dataset's search finds what the walk
  // would.
  TColumnX* column = SelectedColumn();
  TField* f = column ? column->GetField() : nullptr;
  TDatasetFeaturesX* features = GetDatasetService(data_link_->DataSet());
  if (!f || !features || f->FieldKind() != fkData || f->DataType() != ftString || column->HasKeyList() || f->OnGetText)
    return std::nullopt;
  return features->LocateText(this, f->FieldName(), Text, {loCaseInsensitive, loPartialKey});
}

void TCustomDBGridX::BeginWalk() {
  data_link_->DataSet()->DisableControls();
  SaveBookmark();
}

bool TCustomDBGridX::MoveRecord(int Step) {
  TDataSet* ds = data_link_->DataSet();
  if (Step == 0) ds->First();
  else if (Step > 0) ds->Next();
  else ds->Prior();
  return Step < 0 ? !ds->Bof() : !ds->Eof();
}

void TCustomDBGridX::EndWalk(bool Found) {
  TDataSet* ds = data_link_->DataSet();
  TScopeExit enable([ds] { ds->EnableControls(); });
  if (!Found) RestoreBookmark();
}

void TCustomDBGridX::IncSearchShown(bool Active) {
  if (Active) HideEditor();
  if (HandleAllocated()) InvalidateRow(Row());
  if (!Active && options_.Contains(dgAlwaysShowEditor)) ShowEditor();
}

}  // namespace lab
