// The plan of one run: everything decided and checked before the output is
// touched. PlanRun opens the input once, applies every rule that picks a
// meridian, a zone or a scale (coordinate_rules.h), makes every check of
// frame/run_checks.h and lists the frames to make. It writes nothing and
// asks nothing: what the person must be asked (an existing output: replace
// it, or add to it?) the plan only states.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/input_facts.h"
#include "frame/input_reprojection.h"
#include "gdb/geometry.h"
#include "run/run_request.h"
#include "settings/frame_settings.h"
#include "sheets/rect_sheets.h"

namespace tarvik {

struct RunPlan {
  RunRequest request;
  // The settings the run draws with: the request's, with the coordinates
  // and the scale decided.
  TFrameSettings settings;
  // What the run decided that the request left open, or did otherwise than
  // asked, one line each ("中央经线 93°（图幅西边所在的6度带）"), for the front
  // ends to show.
  std::vector<std::string> notes;
  // The output's coordinate system ("CGCS2000 / 6-degree Gauss-Kruger CM
  // 93E", with its EPSG code when it has one).
  std::string system;

  // A typed number: the current form of a national one, or the rectangular
  // sheet.
  std::string sheetNumber;
  std::optional<RectSheet> rectSheet;

  // A file run: the input, open, with its facts; the naming field of the
  // template; the condition (trimmed); the selected features in order;
  // those that will be skipped, with the reason.
  std::optional<InputInspection> input;
  std::string nameField;
  std::string where;
  std::vector<std::int64_t> fids;
  std::vector<std::string> skipped;
  // The input's own system as it names itself ("WGS 84 / UTM zone 50N
  // (EPSG:32650)"; "" when it states none), and what the run does with it
  // ("按其自身的坐标系统使用", "投影到…", "按所选的坐标系统读取").
  std::string inputSystem, inputUse;
  // An input in another system than the run's: how its shapes reach the
  // run's system, and the selection's extent there.
  std::shared_ptr<InputReprojection> reprojection;
  std::optional<Envelope> extent;
  // The person described an input that states no system.
  bool systemDescribed = false;

  // The frames the run will make (as their classes are named), in order.
  std::vector<std::string> frameNames;
  // The scale is the sheets' own (a sheet number's letter, an index's
  // numbers or sheet size), not one typed.
  bool scaleFromSheets = false;

  // The output path (without trailing separators), whether it exists, and
  // whether frames may be added to it (a GeoPackage; a File Geodatabase or a
  // DXF drawing can only be replaced).
  std::string output;
  bool outputExists = false;
  bool appendable = false;

  // Set when the run will take very long as asked (thousands of frames in
  // the per-frame layout): what to do instead; also among the notes. A
  // front end that can ask lets the person stop before the run starts.
  std::string layoutAdvice;
};

// The plan of the request, or RunError with the reason the run cannot be
// made, checked in this order: the name template (file runs), the output
// path (not blank, with its folder, a kind that can be written), the sheet
// number or the input file (its coordinate system, its condition, every
// selected feature, the names), the coordinates against the meridian, the
// grid the settings would draw.
// `stopRequested`, when given, is asked now and then during the long check
// of an input file; true ends the plan with RunStopped.
RunPlan PlanRun(const RunRequest& request, const std::function<bool()>& stopRequested = {});

}  // namespace tarvik
