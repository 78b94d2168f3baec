// Everything a run can check before its output is touched: the sheet number,
// the input file (readable, polygons, coordinate system, where clause, the
// features it selects, their shapes and output names), the scale, and the
// work the grid settings would make. The front ends call CheckSheetRun or
// CheckFileRun right before they delete or create the output, so a refused
// run leaves nothing behind. Each check throws RunError with the message for
// the person.
//
// Sizes: planar extents are Gauss-Krueger metres, geographic ones decimal
// degrees.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "coords/utlbxy.h"
#include "gdb/feature.h"
#include "gdb/geometry.h"
#include "settings/frame_settings.h"
#include "sheets/uttfhao.h"

namespace tarvik {

// Grid lines one frame may hold: lines closer than about a millimetre on a
// sheet up to a metre wide cannot be told apart, so more is a mistyped
// interval, not a map.
inline constexpr std::int64_t kMaxGridLinesPerFrame = 2000;
// Crosses (crosshairs or graticule crosses) one frame may hold: a cross
// every 5 mm over a whole 1:10 000 sheet comes to about 12 000.
inline constexpr std::int64_t kMaxGridCrossesPerFrame = 10000;

// The map face of one frame, what its grid is laid over.
struct FrameSize {
  long double east = 0, north = 0;  // planar extent, metres
  long double lon = 0, lat = 0;     // geographic extent, degrees
};

// Lines and crosses the grid of the settings (rgGrid and its intervals)
// draws on a frame of that size. Standard sheets (typed numbers and index
// sheets) draw no grid for type 0; frames around polygons draw the
// straight-line graticule for types 0, 3 and 4.
struct GridWork {
  std::int64_t lines = 0, crosses = 0;
};
GridWork EstimateGridWork(const TFrameSettings& settings, bool standardSheet, const FrameSize& size);

// RunError naming the setting (Seinterval, or seJd and sewd) when the grid
// of the frame `what` ("图廓", or the feature) would exceed the limits above.
void CheckGridWork(const TFrameSettings& settings, bool standardSheet, const FrameSize& size,
                   const std::string& what);

// Why a shape cannot be framed, or nothing. Every shape needs coordinates,
// all of them numbers (no NaN, no infinity). A sheet of a standard sheet
// index must be one ring of four corners (four or five vertices).
std::optional<std::string> FrameShapeProblem(const Geometry& shape, bool sheetIndex);
// A sheet of a standard sheet index: FrameShapeProblem, then whether its
// corners are a sheet at all (ReadIndexSheet, index_sheets.h), read with
// the run's coordinate parameters (planar) or as stored (`geographic`).
std::optional<std::string> IndexSheetProblem(const Geometry& shape, const CoordParams& coords, bool geographic);

// How a feature is named in messages: "要素(FID=3, TFH=E45G094065)", the
// field left out when empty or not given.
std::string FeatureLabel(const Feature& feature, const std::string& nameField);

// A typed sheet number: RunError with the codec's message when the number
// is wrong; RunError when the grid of its frame would be absurd. Returns the
// sheet.
SheetExtent CheckSheetRun(const std::string& number, const TFrameSettings& settings);

// A run over an input file, as the front end will start it.
struct FileRunRequest {
  CreationMode createMode = CreationMode::SheetIndex;  // SheetIndex or PolygonFile
  std::string inputPath;
  std::string where;         // attribute condition (empty: every feature)
  std::string nameField;     // the field of the template
  std::string nameTemplate;  // e.g. "[TFH]" or "[NAME]图"
};

struct FileRunCheck {
  std::int64_t selected = 0;  // features the condition selects
  // One line per selected feature the run will skip (named, with the
  // reason); the run tells them again when it reaches them.
  std::vector<std::string> skipped;
  // The output names of the frames the run will make (cleaned, as the
  // classes are named), in input order.
  std::vector<std::string> names;
};

// Checks, in this order: the file exists ("文件" + path + ",不存在"),
// opens as a shapefile, holds polygons, has a coordinate system that fits
// the mode and the output coordinates; the scale is plausible; the where
// clause is valid and selects something ("没有数据，可能条件设置错误");
// every selected feature reads (a truncated or damaged file is refused);
// the output names of the features that can be framed are neither empty nor
// equal when letter case is ignored (the stores compare names so); their
// grids are within bounds; and at least one feature can be framed. A sheet
// index must be one: a file whose selected features are mostly not sheets
// is refused as a whole (a few odd ones are skipped by name), and so is an
// index whose sheets have the size of another scale of the series than the
// run's (its texts and distances would be drawn at the wrong scale).
FileRunCheck CheckFileRun(const FileRunRequest& request, const TFrameSettings& settings);

}  // namespace tarvik
