#include "cli/file_run.h"

#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <system_error>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/preview_option.h"
#include "cli/project_option.h"
#include "cli/run_options.h"
#include "common/error.h"
#include "common/text_util.h"
#include "coords/zone_reach.h"
#include "frame/dxf_frame_store.h"
#include "frame/gdb_frame_store.h"
#include "frame/input_coordinates.h"
#include "frame/input_facts.h"
#include "frame/name_template.h"
#include "frame/run_checks.h"
#include "frame/file_builder.h"
#include "gdb/class_queries.h"

namespace tarvik::cli {
namespace {

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// What the input says before anything is written: the naming fields and the
// coordinate settings its system implies.
struct InputFacts {
  std::vector<std::string> nameFields;
  InputCoordinates coords;
  SpatialReference ref;
  FeatureClass cls;
};

InputFacts InspectFrameInput(const std::string& path) {
  const InputInspection in = InspectInput(path);
  if (!in.polygons) throw RunError(path + "不是面(多边形)图层，不能生成图廓");
  return {in.nameFields, in.coordinates(), in.ref, in.cls};
}

long long MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
      .count();
}

}  // namespace

std::string FileRunUsage(FileMode mode) {
  const bool index = mode == FileMode::Index;
  std::string text = index ? "Usage: tarvik-cli index SHEETS.shp -o OUTPUT --name-template TEMPLATE [options]\n\n"
                             "Draws the complete frame of every sheet of a standard sheet index (a polygon\n"
                             "shapefile with one four-corner polygon per sheet, e.g. made by make-index)\n"
                             "that the condition selects, each into its own classes.\n"
                           : "Usage: tarvik-cli area POLYGONS.shp -o OUTPUT --name-template TEMPLATE [options]\n\n"
                             "Draws a rectangular frame around every polygon of a polygon shapefile in\n"
                             "Gauss-Krueger coordinates (administrative divisions, project areas) that the\n"
                             "condition selects, each into its own classes.\n";
  text +=
      "\nThe classes of a frame are named after the template, e.g. [TFH] or [NAME]图:\n"
      "dataset yNAME with L_NAME (lines), p_NAME (polygons) and a_NAME (texts). The\n"
      "field must be one whose values differ on every feature (tarvik-cli fields\n"
      "lists them). Datum, zone width, zone prefix, central meridian and planar or\n"
      "geographic output default to the input's coordinate system.\n"
      "Ctrl-C (SIGTERM, SIGHUP) stops after the sheet being drawn; a second Ctrl-C\n"
      "exits at once. Every sheet reported done is on disk: what was written stays\n"
      "readable.\n\n"
      "Options:\n"
      "  --name-template TEMPLATE output names: the field between [ and ]\n"
      "  --where CONDITION        attribute condition selecting features, e.g.\n"
      "                           \"TFH LIKE 'E45G0950%'\" (default: all)\n"
      "  --verbose                one line per frame on stderr\n";
  text += RunOptionsHelp();
  text += PreviewOptionsHelp();
  if (index)
    text += "\nThe adjacent-sheet table is filled with the neighbours' names from the\n"
            "index when the field is given: --set edtField=TFH.\n";
  return text;
}

int RunFileCommand(FileMode mode, const std::vector<std::string>& argv) {
  const Args args(argv, WithPreviewOptions(Join(RunValueOptions(), {"--name-template", "--where"})),
                  Join(RunFlagOptions(), {"--verbose"}), RunRepeatableOptions());
  CheckPreviewOptions(args);
  if (args.positional().size() != 1)
    throw UsageError(mode == FileMode::Index ? "需要一个标准图幅文件 (.shp)" : "需要一个面图层文件 (.shp)");
  const std::string input = args.positional()[0];
  const auto nameTemplate = args.value("--name-template");
  if (!nameTemplate) throw UsageError("需要 --name-template，例如 [TFH] 或 [NAME]图");

  CliFeedback feedback;
  const InputFacts facts = InspectFrameInput(input);
  const std::string field = GetNameField(*nameTemplate, facts.nameFields);
  const std::string where = Trim(args.value("--where").value_or(""));
  // A system the program cannot read is never guessed at: the user says
  // what the coordinates are, or the run is refused.
  if (!facts.coords.recognised && !CoordinatesStated(args))
    throw RunError(input + "的坐标系统 " + facts.coords.description +
                   " 不是能自动识别的坐标系统（" + DatumCaptions() +
                   "的高斯-克吕格或经纬度坐标）；如果它的坐标是高斯-克吕格坐标，请用 --datum、"
                   "--zone-width、--central-meridian 和 --zone-prefix 说明");
  const std::optional<Envelope> extent = SelectionExtent(facts.cls, where);
  TFrameSettings settings = SettingsFromArgs(args, facts.coords);
  settings.CreateMode = mode == FileMode::Index ? CreationMode::SheetIndex : CreationMode::PolygonFile;
  // Longitudes name no zone: a geographic input is drawn in the zone of its
  // centre unless a meridian is asked for.
  if (facts.coords.geographic.value_or(false) && extent && !MeridianStated(args))
    settings.centralMeridian = ZoneMeridianOf((extent->xMin + extent->xMax) / 2, settings.is3DegreeZone);
  // Every check the run can make, before the output is touched.
  CheckFileRun({settings.CreateMode, input, where, field, *nameTemplate}, settings);
  if (extent) CheckInputCoordinates(facts.coords, facts.ref, settings, *extent, input);
  const PreparedOutput prepared = PrepareOutput(args);
  const std::string& output = prepared.path;

  const auto start = std::chrono::steady_clock::now();
  const auto builder = MakeFileBuilder(settings.CreateMode, settings, RunValues{},
                                       OpenFrameStore(output, feedback, OutputLayoutOf(settings)), feedback, input);
  TtkBaseClass& base = *builder;
  base.FWhereClause = where;
  base.FNameField = field;
  base.FNameTemplate = *nameTemplate;
  if (args.flag("--verbose")) {
    // Called once the frame is on disk: a line here is a frame a reader finds.
    base.FOnFrameDone = [&](int done, int total, const std::string& name) {
      std::ostringstream line;
      line << '[' << done << '/' << total << "] " << name;
      feedback.note(line.str());
    };
  }
  InstallInterruptHandler(prepared.lock.file());
  {
    // The bar stays up until the output is closed, failed or not.
    struct Closed {
      CliFeedback& feedback;
      ~Closed() { feedback.outputClosed(); }
    } closed{feedback};
    feedback.holdUntilClosed();
    base.RunAndClose(output);
  }
  const auto& c = base.counts();
  if (base.aborted()) {
    std::cerr << "已中止：写入 " << c.finished << " 个图廓，保留在 " << output << "\n";
    PrintSummary(c.finished, c.lines, c.polygons, c.texts, c.refused, MillisecondsSince(start));
    return kExitRefused;
  }
  PrintSummary(c.finished, c.lines, c.polygons, c.texts, c.refused, MillisecondsSince(start));
  if (c.finished > 0) {
    WriteProjectUnlessAsked(args, output);
    WritePreviewIfAsked(args, output, "");
  }
  int status = kExitOk;
  if (c.skipped > 0) {
    std::cerr << c.skipped << " 个要素的图形有错误，没有生成图廓（见上）\n";
    status = kExitRefused;
  }
  if (c.refused > 0) status = RefusedElementsExit(c.refused);
  return status;
}

}  // namespace tarvik::cli
