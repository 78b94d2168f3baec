// The frame store of the shared layout (gdb/output_layout.h): every frame of
// a run in one line, one polygon and one text class, named in FrameName.
#pragma once

#include <memory>

#include "common/user_feedback.h"
#include "frame/frame_sink.h"
#include "gdb/workspace.h"

namespace tarvik {

// A frame store over an open workspace (see gdb/shared_store.h for what it
// keeps, when, and what it refuses).
std::unique_ptr<FrameStore> MakeSharedFrameStore(OutputWorkspace workspace, UserFeedback& feedback);

}  // namespace tarvik
