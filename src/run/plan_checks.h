// The checks of a plan once its frames are known, about the output and what
// lies beside it. Each refuses (RunError) before the output is touched,
// except the advice about the layout, which the plan carries for the front
// end to show before the run starts.
#pragma once

#include <cstddef>

#include "run/run_plan.h"

namespace tarvik {

// Frames above which the per-frame layout is advised against: each frame of
// it costs more than the one before (5000 frames: 3 minutes into a
// GeoPackage, 6 into a File GDB; 10 000 about four times that).
inline constexpr std::size_t kPerFrameAdvisedFrames = 10000;

// The frame names every store and project take (naming_checks.h); a
// GeoPackage name SQLite can journal; an existing File GDB that holds only
// its own files (replacing it removes nothing else); the project and style
// beside the output ours to replace (qgis_project.h); and, for a per-frame
// run of more than kPerFrameAdvisedFrames frames, plan.layoutAdvice.
void CheckPlannedOutput(RunPlan& plan);

}  // namespace tarvik
