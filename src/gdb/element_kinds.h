// What the "ID" field of a frame's line and polygon classes says about each
// element. Written by the frame engine, read by the preview, the QGIS styles
// and the DXF export, so that all of them draw a kind alike.
#pragma once

namespace tarvik {

// "ID" of line features.
enum LineKind : int {
  kCrossLine = 0,     // crosses of the crosshair grid of polygon frames
  kInnerLine = 1,     // inner frame, corner marks, grids, ticks, table lines
  kOuterLine = 2,     // outer frame
  kScaleBarLine = 3,  // scale bar
};

// "ID" of polygon features.
enum PolygonKind : int {
  kTableCentreCell = 1,  // the hatched centre cell of the adjacent-sheet table
  kOuterBand = 10,       // the black band of polygon frames
  kMaskRing = 100,       // the white ring around the sheet
};

}  // namespace tarvik
