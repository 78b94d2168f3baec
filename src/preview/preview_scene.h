// A written frame laid out on paper: what the preview draws, in millimetres
// on the page (x to the right, y DOWN, origin at the page's top-left corner),
// independent of the output format.
//
// Scale: store coordinates become ground metres (GroundProjection), and
// ground metres become paper at the frame's reference scale: at 1:10 000 one
// metre is 0.1 mm. The page is the extent of every feature, texts' boxes
// included, with a white margin around it.
//
// Needs a QGuiApplication (fonts are measured); see GuiApplicationScope.
#pragma once

#include <string>
#include <vector>

#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QSizeF>
#include <QString>

#include "gdb/annotation.h"
#include "gdb/output_reader.h"
#include "preview/ground_projection.h"
#include "preview/preview_fonts.h"

namespace tarvik {

// Paper widths of the line kinds stored in "ID" (element_kinds.h), in mm.
inline constexpr double kOuterFrameWidthMm = 1.0;   // kOuterLine
inline constexpr double kThinLineWidthMm = 0.1;     // kInnerLine
inline constexpr double kMediumLineWidthMm = 0.15;  // kCrossLine, kScaleBarLine
// Hatching of the adjacent table's centre cell (kTableCentreCell).
inline constexpr double kHatchSpacingMm = 1.0;
inline constexpr double kHatchAngleDegrees = -45;  // rising to the right on paper
// The mask ring's outline (kMaskRing).
inline constexpr QRgb kMaskOutlineColor = 0xff808080;

struct SceneStroke {
  std::vector<QPointF> points;
  double widthMm = kThinLineWidthMm;
  QRgb color = 0xff000000;
  bool squareCap = true;  // frame lines meet at corners; hatch lines end flush
};

struct SceneFill {
  std::vector<std::vector<QPointF>> rings;  // even-odd
  QRgb color = 0xff000000;
};

// One line of a text. Positions are relative to the anchor in the text's own
// unrotated frame (x along the text, y down), mm.
struct SceneTextLine {
  QString text;
  double x = 0;         // start of the line
  double baseline = 0;  // y of the baseline
  double width = 0;     // advance, spacing between characters included
};

struct SceneText {
  QPointF anchor;    // page mm
  double angle = 0;  // degrees counter-clockwise on paper
  PreviewTextStyle style;
  HorizontalAlignment horizontal = HorizontalAlignment::Left;
  std::vector<SceneTextLine> lines;
  QRectF box;  // around all lines, relative to the anchor, unrotated
};

struct PreviewOptions {
  double marginMm = 10;  // white border around the outermost feature or text
};

struct PreviewScene {
  std::string frame;
  double scaleDenominator = 0;  // reference scale of the frame's texts
  bool geographic = false;
  GroundProjection projection = GroundProjection::Planar();
  QSizeF pageMm;
  // Drawn in this order: fills, strokes, texts.
  std::vector<SceneFill> fills;
  std::vector<SceneStroke> strokes;
  std::vector<SceneText> texts;

  // Page position (mm) of a store point.
  QPointF toPage(Point2 store) const;

  // Ground metres at the page's left edge and top edge; mm per ground metre.
  double originEast = 0, originNorth = 0, mmPerMetre = 0;
};

// Reads the frame's lines, polygons and texts from the store and lays them
// out. RunError when the frame holds nothing to draw.
PreviewScene BuildPreviewScene(const OutputReader& reader, const FrameInfo& frame,
                               const PreviewOptions& options = {});

// The style of a stored text symbol: faces to try, size in points, spacing
// percentage, colour 0xRRGGBB. spacingMm is left for LayOutText, which
// measures the font.
PreviewTextStyle TextStyleOf(const TextSymbol& symbol);

// Lines and alignment of one text at `anchor` (page mm); fonts are measured.
// Lines break at CR LF (LF, CR); blanks at a line's end count in its width.
// Horizontally each line starts, centres or ends at the anchor; vertically
// the anchor is at the top of the first line, the middle of the block, the
// baseline of the last line or the bottom of the last line.
SceneText LayOutText(const std::string& text, const TextSymbol& symbol, QPointF anchor);

}  // namespace tarvik
