// Incremental search: typed characters find the first record whose text in the current column
// begins with them (without case). The dataset's own search takes a plain text field (a sorted
// in-memory dataset answers with a binary search); any other column is walked record by record,
// as its text shows. The search ends with its time-out, a key that leaves it, or a record moved by
// something else.

#include "grid/dataset_features.h"
#include "grid/dbgrid.h"
#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

namespace {

// Whether Text begins with Start, without case (and as many characters as Start has).
bool BeginsWithText(std::string_view Text, std::string_view Start) {
  const std::string_view head = Text.substr(0, Utf8Offset(Text, Utf8Length(Start)));
  return AnsiCompareText(head, Start) == 0;
}

// The column shows its field's stored text unchanged: the dataset's own search finds what the
// walk would.
bool ShowsStoredText(TColumnX* Column) {
  TField* f = Column->GetField();
  return f && f->FieldKind() == fkData && f->DataType() == ftString && !Column->HasKeyList() && !f->OnGetText;
}

}  // namespace

void TCustomDBGridX::IncSearchLocate(const std::string& Text, int TimeOut, int Mode) {
  if (!data_link_->Active()) return;
  TDataSet* ds = data_link_->DataSet();
  TColumnX* column = SelectedColumn();
  const std::string wanted = inc_search_text_ + Text;
  bool found = false;
  if (!wanted.empty() && column && column->GetField()) {
    if (Mode == 0 && BeginsWithText(column->DisplayText(), wanted)) {
      found = true;
    } else {
      ds->DisableControls();
      // The search's own moves keep the search going (UpdateActive).
      TScopeExit enable([this, ds] {
        inc_search_guard_ = true;
        TScopeExit unguard([this] { inc_search_guard_ = false; });
        ds->EnableControls();
      });
      TDatasetFeaturesX* features = GetDatasetService(ds);
      if (Mode == 0 && features && ShowsStoredText(column)) {
        found = features->LocateText(this, column->GetField()->FieldName(), wanted, {loCaseInsensitive, loPartialKey});
      } else {
        SaveBookmark();
        TScopeExit restore([this, &found] {
          if (!found) RestoreBookmark();
        });
        if (Mode == 0) ds->First();
        else if (Mode == 1) ds->Next();
        else ds->Prior();
        const bool back = Mode == 2;
        while (back ? !ds->Bof() : !ds->Eof()) {
          if (BeginsWithText(column->DisplayText(), wanted)) {
            found = true;
            break;
          }
          if (back) ds->Prior();
          else ds->Next();
        }
      }
    }
  }
  HideEditor();
  inc_search_active_ = true;
  // Without a match the typed characters are dropped: the text still names the record shown.
  if (found) inc_search_text_ = wanted;
  if (HandleAllocated()) InvalidateRow(Row());
  inc_search_time_out_ = TimeOut;
  StopIncSearchTimer();
  ResetIncSearchTimer();
}

void TCustomDBGridX::StopIncSearch() {
  StopIncSearchTimer();
  if (!inc_search_active_) return;
  inc_search_active_ = false;
  inc_search_text_.clear();
  if (HandleAllocated()) InvalidateRow(Row());
  if (options_.Contains(dgAlwaysShowEditor)) ShowEditor();
}

}  // namespace lab
