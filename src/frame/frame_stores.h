// The frame store of any output path: the one place that turns a path and a
// layout into the store a run draws into.
#pragma once

#include <memory>
#include <string>

#include "common/user_feedback.h"
#include "frame/frame_sink.h"
#include "gdb/output_layout.h"
#include "settings/frame_settings.h"

namespace tarvik {

// .gdb and .gpkg: one dataset and three classes per frame
// (gdb_frame_store.h), or in the shared layout three classes for the run
// (shared_frame_store.h); .dxf: a DXF drawing over a store of the shared
// layout whatever `layout` says (dxf_frame_store.h).
// Opens the store when it exists, creates it otherwise. RunError for a path
// of another kind or a store that cannot be made.
// `inputTransform` says in the output's catalog how the run's input reached
// its system (empty: it was in it).
std::unique_ptr<FrameStore> OpenFrameStore(const std::string& path, UserFeedback& feedback,
                                           OutputLayout layout = OutputLayout::PerFrame,
                                           const std::string& inputTransform = "");

// The layout the settings ask for (the window's 图层组织, --layout).
OutputLayout OutputLayoutOf(const TFrameSettings& settings);

// The layout an output is written in: the one asked for, except a DXF
// drawing, which is always made from the shared layout (its classes per
// frame would only cost time: the drawing has layers of its own per frame).
OutputLayout LayoutOfOutput(const std::string& path, OutputLayout asked);

}  // namespace tarvik
