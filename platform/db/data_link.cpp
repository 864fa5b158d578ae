// TDataLink: a control's view of a dataset's record window; TFieldDataLink: one field of it.
#include "platform/db/data_link.h"

#include <algorithm>

#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

TDataLink::~TDataLink() { SetDataSource(nullptr); }

void TDataLink::SetDataSource(TDataSource* Value) {
  if (Value == data_source_) return;
  if (data_source_) data_source_->RemoveDataLink(this);
  if (Value) Value->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const { return data_source_ ? data_source_->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool Value) {
  if (read_only_ == Value) return;
  read_only_ = Value;
  UpdateState();
}

int TDataLink::ActiveRecord() const { return active_ ? DataSet()->active_ - first_record_ : 0; }

void TDataLink::SetActiveRecord(int Value) {
  if (active_) DataSet()->active_ = Value + first_record_;
}

void TDataLink::SetBufferCount(int Value) {
  Value = std::max(1, Value);
  if (buffer_count_ == Value) return;
  buffer_count_ = Value;
  if (!active_) return;
  UpdateRange();
  DataSet()->UpdateBufferCount();
  UpdateRange();
}

int TDataLink::RecordCount() const {
  if (!active_) return 0;
  return std::clamp(DataSet()->record_count_ - first_record_, 0, buffer_count_);
}

bool TDataLink::Bof() const { return active_ ? DataSet()->Bof() : true; }
bool TDataLink::Eof() const { return active_ ? DataSet()->Eof() : true; }

bool TDataLink::Edit() {
  if (!read_only_ && data_source_) data_source_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  TScopeExit done([&] { updating_ = false; });
  UpdateData();
}

int TDataLink::MoveBy(int Distance) { return DataSet()->MoveBy(Distance); }

bool TDataLink::ExecuteAction(TBasicAction* Action) { return data_source_ && data_source_->ExecuteAction(Action); }

bool TDataLink::UpdateAction(TBasicAction* Action) { return data_source_ && data_source_->UpdateAction(Action); }

void TDataLink::UpdateState() {
  SetActive(data_source_ && data_source_->State() != dsInactive);
  SetEditing(data_source_ && IsEditMode(data_source_->State()));
}

// Keeps the window inside the dataset's buffers and around its active record.
void TDataLink::UpdateRange() {
  const TDataSet* ds = DataSet();
  const int low = std::max(0, ds->active_ - buffer_count_ + 1);
  const int high = std::min(std::max(0, ds->buffer_count_ - buffer_count_), ds->active_);
  first_record_ = std::clamp(first_record_, low, std::max(low, high));
}

void TDataLink::SetActive(bool Value) {
  if (active_ == Value) return;
  active_ = Value;
  if (Value)
    UpdateRange();
  else
    first_record_ = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool Value) {
  if (editing_ == Value) return;
  editing_ = Value;
  EditingChanged();
}

void TDataLink::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event == deUpdateState) return UpdateState();
  if (!active_) return;
  switch (Event) {
    case deFieldChange: case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(Info));
      break;
    case deDataSetChange: case deDataSetScroll: case deLayoutChange: {
      // Where the link's rows now stand after the buffers moved, then the least move that keeps
      // the active record inside the window.
      const int active = DataSet()->active_;
      const int first = first_record_ - (Event == deDataSetScroll ? static_cast<int>(Info) : 0);
      const int last = first + buffer_count_ - 1;
      int count = 0;
      if (active > last)
        count = active - last;
      else if (active < first)
        count = active - first;
      first_record_ = std::max(0, first + count);
      if (Event == deDataSetScroll)
        DataSetScrolled(count);
      else if (Event == deLayoutChange)
        LayoutChanged();
      else
        DataSetChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(*reinterpret_cast<TField**>(Info));
      break;
    default:
      break;
  }
}

// ---- TFieldDataLink ----

void TFieldDataLink::SetFieldName(const std::string& Value) {
  if (field_name_ == Value) return;
  field_name_ = Value;
  UpdateField();
}

void TFieldDataLink::UpdateField() {
  if (Active() && !field_name_.empty()) {
    field_ = nullptr;
    SetField(DataSet()->FieldByName(field_name_));
  } else {
    SetField(nullptr);
  }
}

void TFieldDataLink::SetField(TField* Value) {
  if (field_ == Value) return;
  field_ = Value;
  EditingChanged();
  RecordChanged(nullptr);
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && field_ && field_->CanModify(); }

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return field_editing_;
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() {
  const bool value = TDataLink::Editing() && CanModify();
  if (field_editing_ == value) return;
  field_editing_ = value;
  modified_ = false;
  if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::RecordChanged(TField* Field) {
  if (Field && Field != field_) return;
  if (OnDataChange) OnDataChange(this);
  modified_ = false;
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_ && OnUpdateData) OnUpdateData(this);
  modified_ = false;
}

}  // namespace lab
