// Frames for CAD: a DXF output is drawn into a GeoPackage of the shared
// layout (so every frame is checked and kept on disk as any output is) in a
// working folder of its own beside the drawing, made by this run under a
// name no file had before (".NAME.dxf.work-XXXXXX"). Each frame the
// GeoPackage takes is also drawn at once into the DXF drawing's spool files
// in that folder (see deliver/dxf_export.h); when the store is closed the
// drawing is written from them, holding exactly the frames the GeoPackage
// kept, and the folder is removed. A run that cannot write the drawing (a
// full disk) keeps the folder, whose GeoPackage holds its frames, and says
// so.
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
// of the GeoPackage `storePath` in the working folder `folder` this run
// made, where the drawing is spooled. Closing it closes `inner`, writes the drawing (when a frame was
// made) and removes the folder; a failure to write the drawing leaves the
// folder with its frames, which keptIn() names. Everything else (kept
// frames, late refusals) is the inner store's.
std::unique_ptr<FrameStore> MakeDxfFrameStore(std::string dxfPath, std::string folder, std::string storePath,
                                              std::unique_ptr<FrameStore> inner);

}  // namespace tarvik
