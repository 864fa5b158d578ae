#pragma once
// The Id field of every record a dataset holds, in its order (its controls held meanwhile, so a grid
// on it does not follow the walk): the records a filter or a sort left, as the grid tests compare them.

#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/scope_exit.h"

namespace lab::gridtest {

inline std::vector<int> Ids(TDataSet* ds) {
  std::vector<int> ids;
  ds->DisableControls();
  TScopeExit enable([ds] { ds->EnableControls(); });
  for (ds->First(); !ds->Eof(); ds->Next()) ids.push_back(ds->FieldByName("Id")->AsInteger());
  return ids;
}

}  // namespace lab::gridtest
