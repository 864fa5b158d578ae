// TDataSet's fields: making and binding them, reading and writing values through the record
// buffers, calculated and lookup values, and field lists.
#include <algorithm>

#include "platform/db/dataset.h"
#include "platform/db/db_errors.h"
#include "platform/db/field_kinds.h"
#include "platform/rtl/scope_exit.h"
#include "platform/rtl/strutils.h"

namespace lab {

namespace {

std::vector<std::string> SplitFieldNames(std::string_view Names) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start <= Names.size()) {
    const std::size_t end = std::min(Names.find(';', start), Names.size());
    std::string name = Trim(Names.substr(start, end - start));
    if (!name.empty()) out.push_back(std::move(name));
    start = end + 1;
  }
  return out;
}

}  // namespace

void TDataSet::AddField(TField* Field) {
  fields_.list_.push_back(Field);
  Field->dataset_ = this;
  fields_.NamesChanged();
}

void TDataSet::RemoveField(TField* Field) {
  auto& list = fields_.list_;
  list.erase(std::remove(list.begin(), list.end(), Field), list.end());
  Field->dataset_ = nullptr;
  fields_.NamesChanged();
}

void TDataSet::DestroyFields() {
  // Default fields are made at each opening; persistent ones stay until the dataset goes.
  const bool all = ComponentState().Contains(csDestroying);
  const std::vector<TField*> fields = fields_.list_;
  for (TField* f : fields) {
    f->field_no_ = 0;
    f->calc_index_ = -1;
    if (all || f->default_field_) delete f;
  }
}

void TDataSet::BindFields() {
  if (fields_.Count() == 0) {
    for (int i = 0; i < field_defs_.Count(); ++i) {
      const TFieldDef& def = field_defs_[i];
      TField* f = CreateFieldOfType(def.DataType(), this, def.Name());
      if (def.DataType() == ftString) f->size_ = def.Size();
      f->required_ = def.Required();
      f->default_field_ = true;
      AddField(f);
    }
  }
  calc_count_ = 0;
  for (TField* f : fields_) {
    if (f->FieldName().empty()) DatabaseError(std::string(dbmsg::SFieldNameMissing), this);
    for (TField* other : fields_)
      if (other != f && AnsiSameText(other->FieldName(), f->FieldName()))
        DatabaseErrorFmt(dbmsg::SDuplicateFieldName, this, f->FieldName());
    if (f->FieldKind() != fkData) {
      if (f->FieldKind() == fkLookup &&
          (!f->lookup_dataset_ || f->key_fields_.empty() || f->lookup_key_fields_.empty() ||
           f->lookup_result_field_.empty()))
        DatabaseErrorFmt(dbmsg::SLookupInfoError, this, f->DisplayName());
      f->field_no_ = 0;
      f->calc_index_ = calc_count_++;
      continue;
    }
    const int def = field_defs_.IndexOf(f->FieldName());
    if (def < 0) DatabaseErrorFmt(dbmsg::SFieldNotFound, this, f->FieldName());
    const TFieldType stored = field_defs_[def].DataType();
    if (stored != f->DataType())
      DatabaseErrorFmt(dbmsg::SFieldTypeMismatch, this, f->FieldName(), FieldTypeName(f->DataType()),
                       FieldTypeName(stored));
    f->field_no_ = def + 1;
  }
}

TField* TDataSet::FieldByName(std::string_view FieldName) const {
  TField* f = fields_.FindField(FieldName);
  if (!f) DatabaseErrorFmt(dbmsg::SFieldNotFound, this, std::string(FieldName));
  return f;
}

void TDataSet::GetFieldList(std::vector<TField*>& List, std::string_view FieldNames) const {
  for (const std::string& name : SplitFieldNames(FieldNames)) List.push_back(FieldByName(name));
}

Variant TDataSet::FieldValues(std::string_view FieldNames) const {
  std::vector<TField*> fields;
  GetFieldList(fields, FieldNames);
  if (fields.size() == 1) return fields[0]->Value();
  std::vector<Variant> values;
  for (TField* f : fields) values.push_back(f->Value());
  return VarArrayOf(std::move(values));
}

void TDataSet::SetFieldValues(std::string_view FieldNames, const Variant& Value) {
  std::vector<TField*> fields;
  GetFieldList(fields, FieldNames);
  if (fields.size() == 1 && !VarIsArray(Value)) return fields[0]->SetValue(Value);
  if (!VarIsArray(Value)) {
    if (!VarIsNull(Value) && !VarIsEmpty(Value)) DatabaseError("Field values must be given as an array", this);
    for (TField* f : fields) f->Clear();
    return;
  }
  const int low = VarArrayLowBound(Value);
  if (VarArrayHighBound(Value) - low + 1 != static_cast<int>(fields.size()))
    DatabaseError(Format("%d field values given for %d fields", VarArrayHighBound(Value) - low + 1,
                         static_cast<int>(fields.size())),
                  this);
  for (std::size_t i = 0; i < fields.size(); ++i) fields[i]->SetValue(Value[low + static_cast<int>(i)]);
}

const TRecordBuffer* TDataSet::ReadBuffer() const {
  switch (state_) {
    case dsCalcFields: return calc_buffer_;
    case dsFilter: return filter_buffer_;
    default:
      if (read_record_no_ > 0) return &read_buffer_;
      return active_ < record_count_ && active_ < static_cast<int>(buffers_.size())
                 ? &buffers_[static_cast<std::size_t>(active_)]
                 : nullptr;
  }
}

TRecordBuffer* TDataSet::ReadBuffer() {
  return const_cast<TRecordBuffer*>(static_cast<const TDataSet*>(this)->ReadBuffer());
}

Variant TDataSet::ReadField(const TField* Field) const {
  const TRecordBuffer* buffer = ReadBuffer();
  if (!buffer) return Null();
  if (Field->FieldKind() != fkData) {
    const auto slot = static_cast<std::size_t>(Field->calc_index_);
    return slot < buffer->Calc.size() ? buffer->Calc[slot] : Null();
  }
  if (Field->field_no_ <= 0) return Null();
  if (buffer->Editing) return edit_values_[static_cast<std::size_t>(Field->field_no_ - 1)];
  if (buffer->BookmarkFlag != bfCurrent) return Null();
  return GetFieldData(Field, *buffer);
}

void TDataSet::WriteField(TField* Field, Variant Value) {
  TRecordBuffer* buffer = ReadBuffer();
  const bool calc = Field->FieldKind() != fkData;
  if (state_ == dsCalcFields ? !calc : !IsEditMode(state_)) DatabaseError(std::string(dbmsg::SNotEditing), this);
  if (!buffer || (!calc && !buffer->Editing)) DatabaseError(std::string(dbmsg::SNotEditing), this);
  if (state_ != dsCalcFields && (Field->ReadOnly() || Field->FieldKind() == fkCalculated))
    DatabaseErrorFmt(dbmsg::SFieldReadOnly, this, Field->DisplayName());
  if (Field->FieldKind() == fkLookup && state_ != dsCalcFields) {
    // Choosing a lookup value chooses the key values of the record that shows it.
    TDataSet* list = Field->lookup_dataset_;
    if (!list || !list->Active()) DatabaseErrorFmt(dbmsg::SLookupInfoError, this, Field->DisplayName());
    const Variant keys = list->Lookup(Field->lookup_result_field_, Value, Field->lookup_key_fields_);
    SetFieldValues(Field->key_fields_, keys);
    return;
  }
  if (Field->OnValidate) {
    Field->validating_ = &Value;
    TScopeExit done([&] { Field->validating_ = nullptr; });
    Field->OnValidate(Field);
  }
  if (calc)
    buffer->Calc[static_cast<std::size_t>(Field->calc_index_)] = std::move(Value);
  else
    edit_values_[static_cast<std::size_t>(Field->field_no_ - 1)] = std::move(Value);
  if (state_ == dsCalcFields) return;
  DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(Field));
  if (Field->OnChange) Field->OnChange(Field);
}

void TDataSet::CalculateFields(TRecordBuffer& Buffer) {
  Buffer.Calc.assign(static_cast<std::size_t>(calc_count_), Null());
  for (TField* f : fields_) {
    if (f->FieldKind() != fkLookup || !f->lookup_dataset_ || !f->lookup_dataset_->Active()) continue;
    const Variant keys = FieldValues(f->key_fields_);
    Buffer.Calc[static_cast<std::size_t>(f->calc_index_)] =
        f->lookup_dataset_->Lookup(f->lookup_key_fields_, keys, f->lookup_result_field_);
  }
  Fire(OnCalcFields, this);
}

void TDataSet::GetCalcFields(TRecordBuffer& Buffer) {
  if (calc_count_ == 0) return;
  TRecordBuffer* saved_buffer = calc_buffer_;
  const TDataSetState saved = SetTempState(dsCalcFields);
  calc_buffer_ = &Buffer;
  TScopeExit restore([&] {
    calc_buffer_ = saved_buffer;
    RestoreState(saved);
  });
  CalculateFields(Buffer);
}

void TDataSet::UpdateCalcFields() {
  if (calc_count_ == 0 || !IsEditMode(state_)) return;
  if (TRecordBuffer* buffer = ReadBuffer()) GetCalcFields(*buffer);
}

void TDataSet::CheckRequiredFields() {
  for (TField* f : fields_)
    if (f->Required() && !f->ReadOnly() && f->FieldKind() == fkData && f->IsNull()) {
      f->FocusControl();
      DatabaseErrorFmt(dbmsg::SFieldRequired, this, f->DisplayName());
    }
}

Variant TDataSet::RecordFieldValue(const TField* Field, TRecordBuffer& Buffer) {
  if (Field->FieldKind() == fkData) return Field->field_no_ > 0 ? GetFieldData(Field, Buffer) : Null();
  GetCalcFields(Buffer);
  const auto slot = static_cast<std::size_t>(Field->calc_index_);
  return slot < Buffer.Calc.size() ? Buffer.Calc[slot] : Null();
}

bool TDataSet::FilterRecord(TRecordBuffer& Buffer) {
  if (!OnFilterRecord) return true;
  TRecordBuffer* saved_buffer = filter_buffer_;
  const TDataSetState saved = SetTempState(dsFilter);
  filter_buffer_ = &Buffer;
  bool accept = true;
  {
    TScopeExit restore([&] {
      filter_buffer_ = saved_buffer;
      RestoreState(saved);
    });
    GetCalcFields(Buffer);
    OnFilterRecord(this, accept);
  }
  return accept;
}

}  // namespace lab
