#include "grid/data_service.h"

#include "grid/dataset_features.h"
#include "grid/dbgrid.h"
#include "grid/grid_unit.h"
#include "platform/db/data_source.h"

namespace lab {
namespace {

TDataSet* GridDataSet(TCustomDBGridX* Grid) {
  TDataSource* source = Grid ? Grid->DataSource() : nullptr;
  return source ? source->DataSet() : nullptr;
}

}  // namespace

bool TDBGridXDataService::LocateText(TCustomDBGridX* Grid, const std::string& FieldName, const std::string& Text,
                                     TLocateOptions Options) {
  return DefaultLocateText(Grid, FieldName, Text, Options);
}

bool TDBGridXDataService::DefaultLocateText(TCustomDBGridX* Grid, const std::string& FieldName,
                                            const std::string& Text, TLocateOptions Options) {
  TDatasetFeaturesX* features = GetDatasetService(GridDataSet(Grid));
  return features && features->LocateText(Grid, FieldName, Text, Options);
}

void TDBGridXDataService::ApplyFilter(TCustomDBGridX* Grid) {
  if (OnApplyFilter) OnApplyFilter(Grid);
  else DefaultApplyFilter(Grid);
}

void TDBGridXDataService::ApplySorting(TCustomDBGridX* Grid) {
  if (OnApplySorting) OnApplySorting(Grid);
  else DefaultApplySorting(Grid);
}

void TDBGridXDataService::DefaultApplyFilter(TCustomDBGridX* Grid) {
  TDataSet* ds = GridDataSet(Grid);
  if (TDatasetFeaturesX* features = GetDatasetService(ds)) features->ApplyFilter(Grid, ds, true);
}

void TDBGridXDataService::DefaultApplySorting(TCustomDBGridX* Grid) {
  TDataSet* ds = GridDataSet(Grid);
  if (TDatasetFeaturesX* features = GetDatasetService(ds)) features->ApplySorting(Grid, ds, true);
}

}  // namespace lab
