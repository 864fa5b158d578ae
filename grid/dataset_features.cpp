#include "grid/dataset_features.h"

#include <map>
#include <mutex>

#include "platform/classes/class_registry.h"
#include "platform/db/dataset.h"

namespace lab {
namespace {

struct TRegistry {
  std::mutex lock;
  std::map<TClass, std::unique_ptr<TDatasetFeaturesX>> features;
};

TRegistry& Registry() {
  static TRegistry* registry = new TRegistry;  // kept to the end: grids may still ask at exit
  return *registry;
}

}  // namespace

void RegisterDatasetFeaturesX(TClass DataSetClass, std::unique_ptr<TDatasetFeaturesX> Features) {
  TRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  r.features[DataSetClass] = std::move(Features);
}

void UnRegisterDatasetFeaturesX(TClass DataSetClass) {
  TRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  r.features.erase(DataSetClass);
}

TDatasetFeaturesX* GetDatasetService(TDataSet* DataSet) {
  if (!DataSet) return nullptr;
  TRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  auto it = FindNearestClass(r.features, DataSet->ClassType());
  return it == r.features.end() ? nullptr : it->second.get();
}

}  // namespace lab
