#include "grid/field_value_list.h"

#include <algorithm>
#include <set>

#include "grid/filter_expression.h"
#include "platform/db/fields.h"
#include "platform/db/mem_dataset.h"
#include "platform/rtl/scope_exit.h"

namespace lab {

void TDatasetFieldValueListX::SetDataSet(TDataSet* Value) {
  data_set_ = Value;
  loaded_ = false;
}

void TDatasetFieldValueListX::SetFieldName(const std::string& Value) {
  field_name_ = Value;
  loaded_ = false;
}

namespace {

// A dataset without a store of its own is walked record by record; the values are ordered as the
// field's values, not as their texts (2 before 10).
std::vector<Variant> WalkDistinct(TDataSet* DataSet, TField* Field) {
  std::vector<Variant> values;
  const TBookmark here = DataSet->Bookmark();
  DataSet->DisableControls();
  TScopeExit back([DataSet, &here] {
    if (!here.empty() && DataSet->BookmarkValid(here)) DataSet->GotoBookmark(here);
    DataSet->EnableControls();
  });
  for (DataSet->First(); !DataSet->Eof(); DataSet->Next())
    if (!Field->IsNull()) values.push_back(Field->Value());
  auto less = [](const Variant& A, const Variant& B) { return VarCompareValue(A, B) == vrLessThan; };
  std::sort(values.begin(), values.end(), less);
  values.erase(std::unique(values.begin(), values.end(),
                           [](const Variant& A, const Variant& B) { return VarCompareValue(A, B) == vrEqual; }),
               values.end());
  return values;
}

}  // namespace

const std::vector<std::string>& TDatasetFieldValueListX::Values() {
  if (loaded_) return values_;
  values_.clear();
  loaded_ = true;
  if (!data_set_ || !data_set_->Active() || field_name_.empty()) return values_;
  TField* field = data_set_->FieldByName(field_name_);
  auto* mem = dynamic_cast<TMemDataSet*>(data_set_);
  const std::vector<Variant> values =
      mem && field->FieldKind() == fkData ? mem->DistinctValues(field_name_) : WalkDistinct(data_set_, field);
  values_.reserve(values.size());
  for (const Variant& v : values) values_.push_back(FilterValueText(v));
  return values_;
}

std::shared_ptr<IMemTableDataFieldValueListX> MakeFieldValueList(TDataSet* DataSet, const std::string& FieldName) {
  auto list = std::make_shared<TDatasetFieldValueListX>();
  list->SetDataSet(DataSet);
  list->SetFieldName(FieldName);
  return list;
}

}  // namespace lab
