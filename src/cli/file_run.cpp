#include "cli/file_run.h"

#include "cli/args.h"
#include "cli/frame_run.h"
#include "cli/preview_option.h"

namespace tarvik::cli {
namespace {

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

std::string FileRunUsage(FileMode mode) {
  const bool index = mode == FileMode::Index;
  std::string text =
      index ? "Usage: tarvik-cli index SHEETS.shp -o OUTPUT --name-template TEMPLATE [options]\n\n"
              "Draws the complete frame of every sheet of a standard sheet index (a polygon\n"
              "shapefile with one four-corner polygon per sheet, e.g. made by make-index)\n"
              "that the condition selects, each into its own classes. The scale is the one\n"
              "its sheet numbers name (the name field's, or --set edtField's), else --scale,\n"
              "else the one its sheets' size is of.\n"
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
      "readable, and a stopped run still gets its QGIS project.\n\n"
      "Options:\n"
      "  --name-template TEMPLATE output names: the field between [ and ]\n"
      "  --where CONDITION        attribute condition selecting features, e.g.\n"
      "                           \"TFH LIKE 'E45G0950%'\" (default: all)\n"
      "  --verbose                one line per frame on stderr\n"
      "  --progress json          one JSON line per frame and a summary line on\n"
      "                           stdout (the other output goes to stderr)\n"
      "  --progress-fd N          write those lines to file descriptor N instead\n";
  text += FrameOptionsHelp();
  text += PreviewOptionsHelp();
  if (index)
    text +=
        "\nThe adjacent-sheet table is filled with the neighbours' names from the\n"
        "index when the field is given: --set edtField=TFH.\n";
  return text;
}

int RunFileCommand(FileMode mode, const std::vector<std::string>& argv, ProgressChannel& progress) {
  const Args args(argv, WithPreviewOptions(Join(FrameValueOptions(), {"--name-template", "--where"})),
                  Join(FrameFlagOptions(), {"--verbose"}), FrameRepeatableOptions());
  CheckPreviewOptions(args);
  if (args.positional().size() != 1)
    throw UsageError(mode == FileMode::Index ? "需要一个标准图幅文件 (.shp)" : "需要一个面图层文件 (.shp)");
  const auto nameTemplate = args.value("--name-template");
  if (!nameTemplate) throw UsageError("需要 --name-template，例如 [TFH] 或 [NAME]图");
  RunRequest request =
      RequestFromArgs(args, mode == FileMode::Index ? CreationMode::SheetIndex : CreationMode::PolygonFile);
  request.inputPath = args.positional()[0];
  request.nameTemplate = *nameTemplate;
  request.where = args.value("--where").value_or("");
  return RunFrameRequest(args, request, progress);
}

}  // namespace tarvik::cli
