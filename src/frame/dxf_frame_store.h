// Frames for CAD: a DXF output is drawn into a GeoPackage beside it (so every
// frame is checked as any output is) and, when the store is closed, every
// frame goes into the one DXF drawing (see deliver/dxf_export.h) and the
// GeoPackage is removed.
#pragma once

#include <memory>
#include <string>

#include "frame/frame_sink.h"

namespace tarvik {

// Whether the path names a DXF output (ending ".dxf", any case).
bool IsDxfOutput(const std::string& path);

// Whether the file is a DXF drawing (its first group is "0 SECTION"), so that
// an existing one may be replaced.
bool IsDxfFile(const std::string& path);

// The store of the DXF drawing `dxfPath`, drawing through `inner`, the store
// of the GeoPackage `storePath`. Closing it closes `inner`, writes the drawing
// (when a frame was made) and removes the GeoPackage; a failure to write the
// drawing leaves the GeoPackage with its frames. Everything else (kept
// frames, late refusals) is the inner store's.
std::unique_ptr<FrameStore> MakeDxfFrameStore(std::string dxfPath, std::string storePath,
                                              std::unique_ptr<FrameStore> inner);

}  // namespace tarvik
