// Everything a run can check before its output is touched: the sheet number,
// the input file (readable, polygons, coordinate system, where clause, the
// features it selects, their shapes and output names), the scale, and the
// work the grid settings would make. The run's plan (run/run_plan.h) makes
// them before an existing output is deleted or a new one created, so a
// refused run leaves nothing behind. Each check throws RunError with the
// message for the person.
//
// Sizes: planar extents are Gauss-Krueger metres, geographic ones decimal
// degrees.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "coords/utlbxy.h"
#include "coords/zone_reach.h"
#include "frame/input_checks.h"
#include "frame/input_reprojection.h"
#include "gdb/feature.h"
#include "gdb/feature_class.h"
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

// A typed sheet number: RunError with the codec's message when the number
// is wrong; RunError when the grid of its frame would be absurd. Returns the
// sheet.
SheetExtent CheckSheetRun(const std::string& number, const TFrameSettings& settings);

// A run over an input file, as the front end will start it.
struct FileRunRequest {
  CreationMode createMode = CreationMode::SheetIndex;  // SheetIndex or PolygonFile
  std::string inputPath;
  FeatureClass input;        // the file, open; none: opened here from inputPath
  std::string where;         // attribute condition (empty: every feature)
  std::string nameField;     // the field of the template
  std::string nameTemplate;  // e.g. "[TFH]" or "[NAME]图"
  // Fields whose values may be the sheets' numbers (a sheet index): the
  // first that reads as a number on every selected sheet names the scale.
  std::vector<std::string> numberFields;
  // An input in another system than the run's: its shapes as the run sees
  // them (none: the input is in the run's system).
  std::shared_ptr<InputReprojection> reprojection;
  // The caller settled the input's system (reprojected it, or the person
  // described an input that states none): its own is not checked here.
  bool systemSettled = false;
  // Asked every few hundred features; true ends the check with RunStopped.
  std::function<bool()> stopRequested;
};

struct FileRunCheck {
  std::int64_t selected = 0;  // features the condition selects
  // Every selected feature, in store order (those to be skipped too: the run
  // tells them again when it reaches them).
  std::vector<std::int64_t> fids;
  // One line per selected feature the run will skip (named, with the
  // reason).
  std::vector<std::string> skipped;
  // The output names of the frames the run will make (cleaned, as the
  // classes are named), in input order.
  std::vector<std::string> names;
  // The extent of the features that can be framed, in the run's system
  // (the input's own when it is not reprojected).
  std::optional<Envelope> extent;
  // Each feature that can be framed against the run's meridian, by its own
  // extent in the run's system: reach.check(path) refuses those beyond it.
  // The caller checks once the meridian is the run's (it is the one of the
  // settings given here).
  ReachJudge reach{CoordParams{}, false};
  // A sheet index: the scale index its sheet numbers name (the first of
  // numberFields whose value reads as a number of one scale on every
  // selected sheet); none when no field does.
  std::optional<int> numberScale;
  // A sheet index: per scale index of the series, the first sheet (its
  // label) whose size is that scale's; empty where none is.
  std::array<std::string, 8> firstSheetOfScale;
  // The one scale of the series every graticule sheet's size belongs to;
  // none when the sizes are of several scales or of none.
  std::optional<int> sizeScale() const;
};

// Reads every selected feature once and checks, in this order: the file
// exists ("文件" + path + ",不存在"), opens as a shapefile, holds polygons,
// has a coordinate system that fits the mode and the output coordinates;
// the where clause is valid and selects something ("没有数据，可能条件设置
// 错误"); every selected feature reads (a truncated or damaged file is
// refused); the output names of the features that can be framed are
// neither empty nor equal when letter case is ignored (the stores compare
// names so); their grids are within bounds; and at least one feature can be
// framed. A sheet index must be one: a file whose selected features are
// mostly not sheets is refused as a whole (a few odd ones are skipped by
// name). The scale is checked by CheckIndexScale once it is decided.
FileRunCheck CheckFileRun(const FileRunRequest& request, const TFrameSettings& settings);

// RunError unless the scale denominator is plausible (1:100 .. 1:10 000 000).
void CheckScale(long double denominator);
// RunError when a sheet of the index has the size of another scale of the
// series than `denominator`: its texts and distances would be drawn at the
// wrong scale.
void CheckIndexScale(const FileRunCheck& check, long double denominator);

}  // namespace tarvik
