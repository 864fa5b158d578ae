#pragma once
// The feature object of TMemDataSet: a grid's sort markers become the dataset's SortFields and its
// column filters the dataset's Filter, so sorting and filtering run at the dataset's own speed.
// An in-memory dataset takes both at once whether or not a reopening is asked for.

#include "grid/dataset_features.h"

namespace lab {

class TMemDataSetFeaturesX : public TDatasetFeaturesX {
  LAB_CLASS(TMemDataSetFeaturesX, TDatasetFeaturesX)
 public:
  bool LocateText(TCustomDBGridX* Grid, const std::string& FieldName, const std::string& Text,
                  TLocateOptions Options) override;
  // Each sort-marked column with a stored field, in sort order: "Name; Age DESC" (smUpX
  // descending). Columns showing calculated or lookup fields are left out.
  void ApplySorting(TCustomDBGridX* Grid, TDataSet* DataSet, bool IsReopen) override;

  // Every column with a condition in the filter row, joined by AND: "([Age] >= 18 AND [Age] < 65)".
  void ApplyFilter(TCustomDBGridX* Grid, TDataSet* DataSet, bool IsReopen) override;

  // The sort and filter texts the grid's markers and conditions stand for.
  static std::string SortText(TCustomDBGridX* Grid);
  static std::string FilterText(TCustomDBGridX* Grid);
};

}  // namespace lab
