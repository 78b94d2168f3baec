// Frames for CAD: an output path ending in ".dxf" is drawn into a
// GeoPackage beside it (PATH.dxf.gpkg, so every frame is checked as any
// output is) and, when the store is closed, every frame goes into the one
// DXF drawing (see deliver/dxf_export.h) and the GeoPackage is removed.
#pragma once

#include <memory>
#include <string>

#include "common/user_feedback.h"
#include "frame/frame_sink.h"
#include "gdb/output_layout.h"
#include "settings/frame_settings.h"

namespace tarvik {

// Whether the path names a DXF output (ending ".dxf", any case).
bool IsDxfOutput(const std::string& path);

// Whether the file is a DXF drawing (its first group is "0 SECTION"), so that
// an existing one may be replaced.
bool IsDxfFile(const std::string& path);

// The frame store of any output path: .dxf as above, .gdb and .gpkg as
// OpenGdbFrameStore, or in the shared layout as MakeSharedFrameStore.
// RunError as OpenGdbFrameStore, or when the DXF cannot be written at close.
std::unique_ptr<FrameStore> OpenFrameStore(const std::string& path, UserFeedback& feedback,
                                           OutputLayout layout = OutputLayout::PerFrame);
// The layout the settings ask for (the window's 图层组织, --layout).
OutputLayout OutputLayoutOf(const TFrameSettings& settings);

}  // namespace tarvik
