#pragma once
// The trace queue: the frame shapes the tracers sent while no job window was open to take them,
// grouped as a tree in the data grid: each device, the jobs it traced under it, and each job's
// traces (right, left) under the job. A click on a node's button opens or closes it; the keypad's +
// and - open and close the current node, * toggles it.

#include "grid/dbgrid.h"
#include "platform/controls/forms.h"
#include "platform/db/data_source.h"
#include "platform/db/mem_dataset.h"

namespace showcase {

class TTraceQueue : public lab::TForm {
 public:
  explicit TTraceQueue(lab::TComponent* AOwner);

  lab::TDBGridX* Grid() const noexcept { return grid_; }
  lab::TMemDataSet* Traces() const noexcept { return traces_; }

 private:
  void FillTraces();

  lab::TMemDataSet* traces_;
  lab::TDataSource* source_;
  lab::TDBGridX* grid_;
};

}  // namespace showcase
