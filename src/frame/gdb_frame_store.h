// The frame store of a real run: frames written into a File Geodatabase or a
// GeoPackage through the geodatabase layer.
#pragma once

#include <memory>
#include <string>

#include "common/user_feedback.h"
#include "frame/frame_sink.h"
#include "gdb/workspace.h"

namespace tarvik {

class AnnotationLayer;

// Opens the output store at `path` when it exists, creates it otherwise.
// RunError for a path that is not a .gdb or .gpkg, or a store that cannot be made.
std::unique_ptr<FrameStore> OpenGdbFrameStore(const std::string& path, UserFeedback& feedback);
// A frame store over an open workspace.
std::unique_ptr<FrameStore> MakeGdbFrameStore(OutputWorkspace workspace, UserFeedback& feedback);

// Writes one of the engine's texts into the open batch of `layer`, at the
// font's own size and unturned; false when the store refused it (told).
bool StoreFrameText(const FrameText& text, AnnotationLayer& layer, UserFeedback& feedback);

}  // namespace tarvik
