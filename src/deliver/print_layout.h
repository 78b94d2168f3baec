// The print layout of a QGIS project: a page that holds a frame at exactly
// its scale, so that "Export as PDF" prints the sheet at true size.
//
// One frame: a page of the frame's size with its marginal texts plus a
// margin, or the smallest standard paper A4..A0 that holds that (turned the
// way it fits); one map item over the whole page, in the project's plane
// (the frame's Gauss-Krueger system), its extent the page's size times the
// scale, centred on the frame. The item draws the project's visible layers,
// so that layers added to the project later print too.
//
// Several frames: one atlas layout. Its coverage is a virtual layer made
// from the frame catalog when the project is written, one rectangle per
// frame (the frame with its marginal texts, in the project's plane), page
// name = frame name; the map item is atlas driven at a fixed scale, the
// scale of the page's frame, so that each page is centred on its frame at
// the frame's scale. The page holds
// the largest frame. Each page draws its own frame's layers (named in the
// coverage's fields) and every other layer of the project that is no frame
// class ("a_", "L_" or "p_" names), whether shown or not.
//
// Units: millimetres on paper; extents in the project's plane (x easting,
// y northing, metres).
#pragma once

#include <string>
#include <vector>

#include "gdb/geometry.h"
#include "gdb/output_reader.h"

namespace tarvik::deliver {

enum class PaperRule {
  FitFrame = 0,       // the frame and its margin texts plus the margin
  StandardPaper = 1,  // the smallest of A4..A0 that holds that
};

struct PrintOptions {
  PaperRule paper = PaperRule::FitFrame;
  double marginMm = 10;  // around the frame and its texts
};

struct PageSize {
  double widthMm = 0, heightMm = 0;
  std::string name;  // "A1 横向", "A3 纵向"; empty for a page of the frame's size
};

// The page for content of this size on paper. A content that no standard
// paper holds gets a page of its own size.
PageSize ChoosePage(double contentWidthMm, double contentHeightMm, const PrintOptions& options);

// The rectangle a stored text covers, store coordinates, from its anchor,
// alignment, size (points on paper), lines and character spacing;
// `metresPerMm` is the scale / 1000. The width counts half an em per GBK
// byte, the height 1.1 em per line. For a geographic frame the metres are
// turned into degrees at the anchor's latitude.
Envelope TextBox(const StoredText& text, double metresPerMm, bool geographic);

// One page of an atlas: the frame, the layers that draw it, and its
// rectangle in the project's plane.
struct AtlasPage {
  std::string frame;
  std::string texts, lines, polygons;  // layer names
  Envelope extent;
  double scale = 10000;  // the frame's scale denominator
};

struct PrintLayoutModel {
  std::string name;
  double scale = 10000;  // the frame's scale denominator
  PageSize page;
  double centreX = 0, centreY = 0;  // the plane point at the page's centre
  std::string crsXml;               // the project's plane, a <spatialrefsys>
  // Several frames: the coverage (an atlas layout), by its layer id; none
  // for one frame. The pages, when the coverage lists them itself.
  std::vector<AtlasPage> atlas;
  std::string coverageLayerId, coverageLayerName;
};

// The virtual layer source of an atlas's coverage: the pages as rows
// (frame, texts, lines, polygons, scale) with their rectangles.
std::string CoverageSource(const std::vector<AtlasPage>& pages);

// The same coverage for the frames of one dataset of the shared layout, read
// from the frame rows of the catalog table (`catalogSource`, as QGIS's OGR
// provider opens it, relative to the project) at the time QGIS opens the
// project, so that the project does not grow with the run: each frame's
// recorded extent widened by `room` (how far the first frame's texts reach
// beyond its features), the layers the same for every page.
std::string CatalogCoverageSource(const std::string& catalogSource, const std::string& dataset,
                                  const AtlasPage& layers, const Envelope& room);

// The <Layouts> element of a project.
std::string LayoutsXml(const PrintLayoutModel& model);

}  // namespace tarvik::deliver
