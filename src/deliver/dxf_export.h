// The frames of a run as one DXF drawing for CAD programs, made frame by
// frame while the run draws them (see dxf_document.h for how little of it
// is held in memory).
//
// Layers, per frame: NAME_OUTER (outer frame, 1.00 mm), NAME_FRAME (inner
// frame, corner marks, grids, ticks, table lines, 0.09 mm), NAME_CROSS
// (crosshairs, 0.15 mm), NAME_SCALEBAR (0.15 mm), NAME_HATCH (the table's
// centre cell, ANSI31 with its lines 1 mm apart on paper), NAME_BAND (black
// outer band), NAME_MASK (white mask ring with a grey outline) and NAME_TEXT
// (texts as MTEXT, spaced texts as a TEXT per character). NAME is the
// frame's name when it is made of ASCII letters, digits, "_" and "-" only,
// otherwise F1, F2, ... in the order the frames were drawn.
//
// Units are metres: planar frames keep their Gauss-Krueger coordinates,
// geographic frames are drawn in the Gauss-Krueger zone they lie in. Text
// heights are the capital height of the font size on paper at the frame's
// scale (points x 0.3528 mm x scale / 1000 x the face's cap-height share).
#pragma once

#include <string>
#include <vector>

#include "coords/spatial_reference.h"
#include "deliver/dxf_document.h"
#include "gdb/output_reader.h"

namespace tarvik::deliver {

struct FaceMetrics;

// One frame as its store took it, in store coordinates of `reference`.
struct DxfFrame {
  std::string name;
  const SpatialReference* reference = nullptr;
  double referenceScale = 0;  // 0: 1:10 000
  std::vector<StoredLine> lines;
  std::vector<StoredPolygon> polygons;
  std::vector<StoredText> texts;
};

class DxfDrawing {
 public:
  // Spools in `folder`, a folder of the caller's own (RunError when it
  // cannot).
  explicit DxfDrawing(const std::string& folder);

  // Adds the frame's layers and entities. RunError when a geographic frame
  // cannot be put on the plane, or the spool cannot be written.
  void addFrame(const DxfFrame& frame);
  int frames() const { return frames_; }

  struct Mark {
    DxfDocument::Mark document;
    int frames = 0;
    std::size_t styles = 0;
  };
  Mark mark() const { return {document_.mark(), frames_, styles_.size()}; }
  // Forgets the frames added after `mark` was taken.
  void rewind(const Mark& mark);

  // Writes the drawing to `path`, whole or not at all. RunError when it
  // cannot, or when no frame was added.
  void write(const std::string& path);

 private:
  std::string styleFor(const std::string& face);
  void addSpacedText(const std::string& layer, const std::string& style, const StoredText& text,
                     Point2 anchor, const FaceMetrics& face, double em, int color);
  DxfDocument document_;
  std::vector<std::string> styles_;
  int frames_ = 0;
};

// The layer name prefix of a frame (see above); `index` counts from 1.
std::string DxfFrameTag(const std::string& frameName, int index);

}  // namespace tarvik::deliver
