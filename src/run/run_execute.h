// The execution of a planned run: the output locked, replaced or added to as
// decided, the builder of the mode drawing into the store of the output, the
// store closed, the QGIS project written; and what came of it.
//
// What a stopped run leaves (one policy for every front end): the frames
// finished before the stop, each complete on disk, and a QGIS project for
// them; the result says it was stopped. A run ended by an error keeps the
// frames finished before (the error says how many, and where) and writes no
// project: the output may be incomplete, and a full disk would fail it too.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/user_feedback.h"
#include "frame/utTkBaseClass.h"
#include "run/run_plan.h"

namespace tarvik {

// What a front end wants to hear while the run goes on.
struct RunHooks {
  // A frame is on disk: features done, features selected (0 for a typed
  // sheet), the frame's name.
  std::function<void(int done, int total, const std::string& name)> frameDone;
  // The output is locked; the lock file (for a front end that must remove it
  // when it is killed).
  std::function<void(const std::string& lockFile)> outputLocked;
  // The store is closed (also after a failure), before the project is written.
  std::function<void()> outputClosed;
  // A long step that draws no frames begins ("正在删除已有的输出……").
  std::function<void(const std::string& what)> phase;
};

struct RunResult {
  std::string output;
  // The frames this run kept, in the order written.
  std::vector<std::string> frames;
  TtkBaseClass::Counts counts;  // lines, polygons, texts, refused and skipped elements
  bool stopped = false;         // the person stopped the run
  // The project beside the output (and the .qml beside a .gdb); empty when
  // none was written: `projectNote` says why, `projectError` when writing
  // it failed.
  std::string project, gdbStyle;
  std::string projectNote, projectError;
  RunValues run;  // the zone text the builders used
  long long milliseconds = 0;
};

// Runs the plan with `existing` deciding about an output that exists (the
// plan's request says what was asked; a front end that asked the person
// passes the answer). RunError when the output cannot be taken (locked by
// another run, appeared meanwhile, holds a frame of this run already) or
// when the run fails: its message then says how many frames are complete.
RunResult ExecuteRun(const RunPlan& plan, ExistingOutput existing, UserFeedback& feedback,
                     const RunHooks& hooks = {});

}  // namespace tarvik
