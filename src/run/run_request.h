// One generation run as a front end asks for it: the window gathers it from
// its widgets, the command line from its arguments, and both hand it to the
// same plan (run_plan.h) and execution (run_execute.h). A request says what
// the person stated; what it leaves open the run decides, by the rules in
// coordinate_rules.h, the same for every front end.
#pragma once

#include <optional>
#include <string>

#include "coords/datum.h"
#include "gdb/coordinate_transform.h"
#include "settings/frame_settings.h"

namespace tarvik {

// The output coordinates the person stated; each unset member is decided by
// the run: from the input's own coordinate system, from the sheet, or from
// the fallback values in RunRequest::settings.
struct CoordinateChoice {
  std::optional<Datum> datum;
  std::optional<bool> is3DegreeZone;
  std::optional<int> centralMeridian;  // whole degrees east
  std::optional<bool> zonePrefix;      // eastings carry the zone number
  std::optional<bool> geographic;      // longitude/latitude output
};

// What to do with an output that exists already.
enum class ExistingOutput {
  Refuse,   // never touch it (the command line without --overwrite)
  Replace,  // remove it (only a store of ours), then write anew
  Append,   // write the run's frames into it (a GeoPackage only)
};

struct RunRequest {
  CreationMode mode = CreationMode::SheetNumber;
  // SheetNumber: the number as typed: current (E45G095066), old (J-50-5) or
  // a large-scale rectangular one ("3810.40-500.75", at the scale given).
  std::string sheetNumber;
  // The sheet layout of a rectangular number; none: the first layout whose
  // grid holds the number.
  std::optional<std::string> rectLayout;
  // SheetIndex and PolygonFile: the input file, the condition selecting its
  // features (empty: all) and the output-name template ("[TFH]", "[NAME]图").
  std::string inputPath;
  std::string where;
  std::string nameTemplate;

  CoordinateChoice coords;
  // How an input on another datum than the output's reaches it (seven
  // parameters or a PROJ pipeline); none: only exact transformations.
  std::optional<GivenTransformation> transformation;
  // The scale as typed ("10000", "1:5万"); none: the sheet numbers' scale,
  // or the fallback.
  std::optional<std::string> scale;
  // Every other setting of the frame (fonts, texts, grid, layout), and the
  // fallback of each coordinate value and of the scale.
  TFrameSettings settings;

  std::string output;  // .gdb, .gpkg or .dxf
  ExistingOutput existing = ExistingOutput::Refuse;
  bool writeProject = true;  // the QGIS project beside the output
};

}  // namespace tarvik
