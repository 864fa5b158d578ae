#pragma once
// TDBGridXDataService: the one data service of the process, made when the grid unit starts. Every
// grid hands it its sorting and filtering requests (and text searches); it gives them to the
// custom handler a program assigned, else to the feature object registered for the grid's dataset
// class (dataset_features.h). Without either nothing happens, and no error is raised.

#include <functional>
#include <string>

#include "platform/db/field_types.h"
#include "platform/rtl/persistent.h"

namespace lab {

class TCustomDBGridX;

using TDBGridXDataServiceEvent = std::function<void(TCustomDBGridX* Grid)>;

class TDBGridXDataService : public TPersistent {
  LAB_CLASS(TDBGridXDataService, TPersistent)
 public:
  TDBGridXDataService() = default;
  TDBGridXDataService(const TDBGridXDataService&) = delete;
  TDBGridXDataService& operator=(const TDBGridXDataService&) = delete;

  virtual bool LocateText(TCustomDBGridX* Grid, const std::string& FieldName, const std::string& Text,
                          TLocateOptions Options);
  // The feature object's search; false without one.
  virtual bool DefaultLocateText(TCustomDBGridX* Grid, const std::string& FieldName, const std::string& Text,
                                 TLocateOptions Options);
  // The custom handler when assigned, else the default.
  virtual void ApplyFilter(TCustomDBGridX* Grid);
  virtual void ApplySorting(TCustomDBGridX* Grid);
  // The feature object of the grid's dataset, told to apply at once.
  virtual void DefaultApplyFilter(TCustomDBGridX* Grid);
  virtual void DefaultApplySorting(TCustomDBGridX* Grid);

  TDBGridXDataServiceEvent OnApplySorting;
  TDBGridXDataServiceEvent OnApplyFilter;
};

// The process-wide service (starting the grid unit when needed).
TDBGridXDataService* DBGridXDataService();

}  // namespace lab
