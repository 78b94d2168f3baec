// Every frame of an output store as one DXF drawing for CAD programs.
//
// Layers, per frame: NAME_OUTER (outer frame, 1.00 mm), NAME_FRAME (inner
// frame, corner marks, grids, ticks, table lines, 0.09 mm), NAME_CROSS
// (crosshairs, 0.15 mm), NAME_SCALEBAR (0.15 mm), NAME_HATCH (the table's
// centre cell, 45-degree lines 1 mm apart on paper), NAME_BAND (black outer
// band), NAME_MASK (white mask ring with a grey outline) and NAME_TEXT
// (texts as MTEXT). NAME is the frame's name when it is made of ASCII
// letters, digits, "_" and "-" only, otherwise F1, F2, ... in the order the
// frames were written.
//
// Units are metres: planar frames keep their Gauss-Krueger coordinates,
// geographic frames are drawn in the Gauss-Krueger zone they lie in. Text
// heights are the font size on paper at the frame's scale (points x 0.3528
// mm x scale / 1000).
#pragma once

#include <functional>
#include <string>

#include "gdb/output_reader.h"

namespace tarvik::deliver {

struct DxfCounts {
  int frames = 0, polylines = 0, hatches = 0, texts = 0;
};

// Called after each frame with the frames done; false stops the export
// (RunError "已取消").
using DxfProgress = std::function<bool(int done, int total)>;

// The drawing of every frame as DXF text. RunError when the output holds no
// frame.
std::string FramesToDxf(const OutputReader& reader, DxfCounts* counts = nullptr,
                        const DxfProgress& progress = {});

// Writes FramesToDxf to `dxfPath` (whole or not at all).
DxfCounts WriteDxf(const std::string& outputPath, const std::string& dxfPath, const DxfProgress& progress = {});

// The layer name prefix of a frame (see above); `index` counts from 1.
std::string DxfFrameTag(const std::string& frameName, int index);

}  // namespace tarvik::deliver
