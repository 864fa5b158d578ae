#pragma once
// Dataset feature objects: what the grids hand text search, sorting and filtering to for datasets
// of one class. An object is registered for a dataset class and serves its descendants too (the
// registration of the nearest registered ancestor wins; a later registration for a class replaces
// the earlier one). TMemDataSet's is registered when the grid unit starts.

#include <memory>
#include <string>

#include "platform/db/field_types.h"
#include "platform/rtl/object.h"

namespace lab {

class TCustomDBGridX;
class TDataSet;

class TDatasetFeaturesX : public TObject {
  LAB_CLASS(TDatasetFeaturesX, TObject)
 public:
  TDatasetFeaturesX() = default;
  TDatasetFeaturesX(const TDatasetFeaturesX&) = delete;
  TDatasetFeaturesX& operator=(const TDatasetFeaturesX&) = delete;

  // Makes the first record whose field FieldName matches Text current (Options: without case, a
  // beginning only); answers whether there was one.
  virtual bool LocateText(TCustomDBGridX* Grid, const std::string& FieldName, const std::string& Text,
                          TLocateOptions Options) = 0;
  // Orders DataSet by the grid's sort-marked columns, and filters it by the grid's column filters.
  // IsReopen asks for the change at once, where a dataset would otherwise take it at its next
  // opening.
  virtual void ApplySorting(TCustomDBGridX* Grid, TDataSet* DataSet, bool IsReopen) = 0;
  virtual void ApplyFilter(TCustomDBGridX* Grid, TDataSet* DataSet, bool IsReopen) = 0;
};

void RegisterDatasetFeaturesX(TClass DataSetClass, std::unique_ptr<TDatasetFeaturesX> Features);
void UnRegisterDatasetFeaturesX(TClass DataSetClass);
// The feature object for DataSet's class or its nearest registered ancestor; nullptr when none
// (or without a dataset).
TDatasetFeaturesX* GetDatasetService(TDataSet* DataSet);

}  // namespace lab
