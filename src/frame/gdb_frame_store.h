// The frame store of a real run: frames written into a File Geodatabase or a
// GeoPackage through the geodatabase layer.
#pragma once

#include <memory>
#include <string>

#include "common/user_feedback.h"
#include "frame/frame_sink.h"
#include "gdb/workspace.h"

namespace tarvik {

// Opens the output store at `path` when it exists, creates it otherwise.
// RunError for a path that is not a .gdb or .gpkg, or a store that cannot be made.
std::unique_ptr<FrameStore> OpenGdbFrameStore(const std::string& path, UserFeedback& feedback);
// A frame store over an open workspace.
std::unique_ptr<FrameStore> MakeGdbFrameStore(OutputWorkspace workspace, UserFeedback& feedback);

}  // namespace tarvik
