#pragma once
// The job browser: the lab's jobs in a data grid bound through a data source to an in-memory
// dataset, under a bar of check boxes that switch the grid's main options.

#include "grid/dbgrid.h"
#include "platform/controls/forms.h"
#include "platform/db/data_source.h"
#include "platform/db/mem_dataset.h"
#include "platform/graphics/image_list.h"

namespace showcase {

class TJobBrowser : public lab::TForm {
 public:
  // With EveryJobARow the grid has no footer row, so each of the jobs is a row of its own: the
  // window opens scrolled halfway down the jobs, with a few of them selected there.
  explicit TJobBrowser(lab::TComponent* AOwner, bool EveryJobARow = false);

  lab::TDBGridX* Grid() const noexcept { return grid_; }
  lab::TMemDataSet* Jobs() const noexcept { return jobs_; }

 private:
  void AddColumns();
  void SelectJobsOnScreen();
  void ShowJobsHalfway();

  lab::TMemDataSet* frames_;
  lab::TMemDataSet* jobs_;
  lab::TDataSource* source_;
  lab::TImageList* status_images_;
  lab::TDBGridX* grid_;
};

}  // namespace showcase
