#pragma once
// The lab's jobs as the showcase shows them: an in-memory dataset of optical lab orders, made up
// from a fixed seed so every run shows the same records.

#include <vector>

#include "platform/db/mem_dataset.h"

namespace showcase {

// Job states, in the order of the status images.
enum TJobStatus { jsNew, jsInWork, jsDone, jsOnHold, jsStatusCount };

// Defines the job fields on DataSet, opens it and fills it with Count jobs.
void FillLabJobs(lab::TMemDataSet* DataSet, int Count);

// The lens materials the jobs are made of.
std::vector<const char*> LabMaterials();

}  // namespace showcase
