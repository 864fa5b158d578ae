#pragma once
// The lab's jobs as the showcase shows them: an in-memory dataset of optical lab orders, made up
// from a fixed seed so every run shows the same records.

#include <vector>

#include "platform/db/mem_dataset.h"

namespace showcase {

// Job states, in the order of the status images.
enum TJobStatus { jsNew, jsInWork, jsDone, jsOnHold, jsStatusCount };

// Defines the frame fields on Frames (FrameNo, Name, Material), opens it and fills it with the
// frames the lab fits.
void FillLabFrames(lab::TMemDataSet* Frames);
// Defines the job fields on DataSet, opens it and fills it with Count jobs. A job keeps its frame's
// number (FrameNo); its Frame field looks the name up in Frames.
void FillLabJobs(lab::TMemDataSet* DataSet, int Count, lab::TDataSet* Frames);

// The lens materials the jobs are made of.
std::vector<const char*> LabMaterials();

}  // namespace showcase
