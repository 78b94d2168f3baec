// tarvik-cli sheet NUMBER -o OUTPUT [...]: the whole frame of one sheet, of
// the national series or a large-scale rectangular one ("x-y" --scale N).
#include <chrono>
#include <cmath>
#include <iostream>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/preview_option.h"
#include "cli/project_option.h"
#include "cli/rect_options.h"
#include "cli/run_options.h"
#include "common/delphi.h"
#include "common/error.h"
#include "coords/zone_reach.h"
#include "frame/dxf_frame_store.h"
#include "frame/gdb_frame_store.h"
#include "frame/input_coordinates.h"
#include "frame/run_checks.h"
#include "frame/utTkBaseClass.h"
#include "frame/utCreateTkByTfhao.h"
#include "sheets/uttfhao.h"

namespace tarvik::cli {
namespace {

std::string Usage() {
  return std::string(
             "Usage: tarvik-cli sheet NUMBER -o OUTPUT [options]\n\n"
             "Draws the complete frame of one standard sheet, current (E45G095066) or old\n"
             "(J-50-5) number, at the scale of its scale letter, into classes named after\n"
             "the number: dataset yNAME with L_NAME (lines), p_NAME (polygons) and a_NAME\n"
             "(texts). Without --central-meridian the zone of the sheet's west edge is\n"
             "used; a meridian too far from the sheet is refused.\n\n"
             "A large-scale rectangular sheet is given by its number, the south-west\n"
             "corner in km with x (northing) first, its scale and the Gauss-Krueger system\n"
             "of its coordinates: 3810.40-500.75 --scale 500 --datum cgcs2000\n"
             "--central-meridian 117. Its frame has kilometre corner labels, the\n"
             "neighbours' numbers in the adjacent-sheet table and a grid every 10 cm; the\n"
             "settings of this layout ship as rect_sheets.set (--settings).\n\n"
             "Options:\n") +
         RunOptionsHelp() + RectOptionHelp() + PreviewOptionsHelp();
}

std::vector<std::string> ValueOptions() {
  std::vector<std::string> options = WithPreviewOptions(RunValueOptions());
  options.push_back("--rect");
  return options;
}

// The frame of a rectangular sheet: read at the scale of the options, in the
// Gauss-Krueger system they must state (its number tells no longitude).
int RunRect(const Args& args, const std::string& text) {
  if (!RectSystemStated(args))
    throw UsageError("矩形图幅号不含经纬度，请用 --datum 和 --central-meridian 说明其坐标系统（需要时加 --zone-width、--zone-prefix）");
  TFrameSettings settings = SettingsFromArgs(args, InputCoordinates{});
  settings.CreateMode = CreationMode::SheetNumber;
  if (settings.GeodeticOutput) throw UsageError("矩形图幅只能输出平面(XY)坐标，不能用 --geographic");
  const long denominator = std::lround(static_cast<double>(settings.ScaleFactor * 10000));
  if (!IsRectScale(denominator)) throw UsageError("矩形图幅号需要 --scale 500、1000、2000 或 5000");
  const RectSheet sheet = RectSheetOfNumber(text, denominator, args);
  CheckRectSheetCoordinates(CoordParamsOf(settings), sheet);
  const PreparedOutput prepared = PrepareOutput(args);
  const std::string& output = prepared.path;

  const auto start = std::chrono::steady_clock::now();
  CliFeedback feedback;
  TCreateTkByTfhao builder(sheet, settings, RunValues{}, OpenFrameStore(output, feedback, OutputLayoutOf(settings)), feedback);
  builder.RunAndClose(output);
  if (builder.counts().finished == 0) return kExitRefused;
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  std::cout << "矩形图幅 " << sheet.number() << "：1:" << denominator << "，" << RectLayoutName(sheet.layout)
            << "厘米\n";
  const auto& c = builder.counts();
  PrintSummary(c.finished, c.lines, c.polygons, c.texts, c.refused, ms);
  WriteProjectUnlessAsked(args, output);
  WritePreviewIfAsked(args, output, CleanFrameName(sheet.number()));
  return c.refused > 0 ? RefusedElementsExit(c.refused) : kExitOk;
}

int Run(const std::vector<std::string>& argv) {
  const Args args(argv, ValueOptions(), RunFlagOptions(), RunRepeatableOptions());
  CheckPreviewOptions(args);
  if (args.positional().size() != 1) throw UsageError("需要一个图幅号");
  const std::string number = args.positional()[0];
  if (LooksLikeRectNumber(number)) return RunRect(args, number);
  if (args.value("--rect")) throw UsageError("--rect 只用于矩形图幅号 (x-y)");

  InputCoordinates defaults;
  SilentFeedback quiet;  // the builder reports a wrong number itself
  if (const long double cm = SuggestCentralMeridian(number, quiet); cm >= 0)
    defaults.centralMeridian = static_cast<long double>(static_cast<long long>(cm));
  TFrameSettings settings = SettingsFromArgs(args, defaults);
  settings.CreateMode = CreationMode::SheetNumber;

  // Every check the run can make, before the output is touched.
  const SheetExtent extent = CheckSheetRun(number, settings);
  // Without a meridian asked for, the zone of the sheet's west edge in the
  // run's zone width (the suggestion above is a 3-degree zone's).
  if (!settings.is3DegreeZone && !MeridianStated(args))
    settings.centralMeridian = ZoneMeridianOf(extent.westLon, false);
  CheckSheetCoordinates(settings, extent.westLon, extent.westLon + extent.lonSize, number);
  const PreparedOutput prepared = PrepareOutput(args);
  const std::string& output = prepared.path;

  CliFeedback feedback;
  const auto start = std::chrono::steady_clock::now();
  TCreateTkByTfhao builder(number, settings, RunValues{}, OpenFrameStore(output, feedback, OutputLayoutOf(settings)), feedback);
  // A number the codec refused was told; nothing is written then.
  builder.RunAndClose(output);
  if (builder.counts().finished == 0) return kExitRefused;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  const auto& c = builder.counts();
  PrintSummary(c.finished, c.lines, c.polygons, c.texts, c.refused, ms);
  WriteProjectUnlessAsked(args, output);
  WritePreviewIfAsked(args, output, CleanFrameName(number));
  return c.refused > 0 ? RefusedElementsExit(c.refused) : kExitOk;
}

const CommandRegistration kRegistration({"sheet", "draw the frame of one sheet number into a .gdb or .gpkg",
                                         Usage(), &Run});

}  // namespace
}  // namespace tarvik::cli
