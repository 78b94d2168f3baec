// tarvik-cli sheet NUMBER -o OUTPUT [...]: the whole frame of one sheet, of
// the national series or a large-scale rectangular one ("x-y" --scale N).
#include <chrono>
#include <cmath>
#include <iostream>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/preview_option.h"
#include "cli/rect_options.h"
#include "cli/run_options.h"
#include "common/delphi.h"
#include "common/error.h"
#include "frame/gdb_frame_store.h"
#include "frame/utTkBaseClass.h"
#include "sheets/utCreateTkByTfhao.h"
#include "sheets/uttfhao.h"

namespace tarvik::cli {
namespace {

std::string Usage() {
  return std::string(
             "Usage: tarvik-cli sheet NUMBER -o OUTPUT [options]\n\n"
             "Draws the complete frame of one standard sheet, current (E45G095066) or old\n"
             "(J-50-5) number, at the scale of its scale letter, into classes named after\n"
             "the number: dataset yNAME with L_NAME (lines), p_NAME (polygons) and a_NAME\n"
             "(texts). Without --central-meridian the 3-degree zone of the sheet's west\n"
             "edge is used.\n\n"
             "A large-scale rectangular sheet is given by its number, the south-west\n"
             "corner in km with x (northing) first, and its scale: 10.40-27.75 --scale 500,\n"
             "6230.0-10.0 --scale 1000. Its planar frame has kilometre corner labels\n"
             "(--set rgdmsmode=2) and a grid every 10 cm; the coordinate system is the one\n"
             "of --datum, --zone-width, --central-meridian and --zone-prefix (default\n"
             "Xi'an 1980, 3-degree zone, central meridian 87). Its settings ship as\n"
             "rect_sheets.set (--settings).\n\n"
             "Options:\n") +
         RunOptionsHelp() + RectOptionHelp() + PreviewOptionsHelp();
}

std::vector<std::string> ValueOptions() {
  std::vector<std::string> options = WithPreviewOptions(RunValueOptions());
  options.push_back("--rect");
  return options;
}

// The frame of a rectangular sheet: read at the scale of the options, in the
// planar system they state.
int RunRect(const Args& args, const std::string& text) {
  TFrameSettings settings = SettingsFromArgs(args, CoordinateDefaults{});
  settings.CreateMode = 0;
  if (settings.GeodeticOutput) throw UsageError("矩形图幅只能输出平面(XY)坐标，不能用 --geographic");
  const long denominator = std::lround(static_cast<double>(settings.ScaleFactor * 10000));
  if (!IsRectScale(denominator)) throw UsageError("矩形图幅号需要 --scale 500、1000、2000 或 5000");
  const RectSheet sheet = RectSheetOfNumber(text, denominator, args);
  const int zone = ZoneNumberOf(settings.is3DegreeZone, settings.centralMeridian);
  if (const auto problem = RectEastingProblem(static_cast<long double>(sheet.west()),
                                              static_cast<long double>(sheet.west() + sheet.ySize()),
                                              settings.addZoneNumber, zone))
    throw RunError("矩形图幅" + sheet.number() + "：" + *problem + "（见 --zone-prefix、--central-meridian）");
  const std::string output = PrepareOutput(args);

  const auto start = std::chrono::steady_clock::now();
  CliFeedback feedback;
  RunValues run;
  run.StandardSheetMode = true;
  TCreateTkByTfhao builder(sheet, settings, run, OpenGdbFrameStore(output, feedback), feedback);
  if (!builder.Run()) return kExitRefused;
  builder.CloseOutput();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  std::cout << "矩形图幅 " << sheet.number() << "：1:" << denominator << "，" << RectLayoutName(sheet.layout)
            << "厘米，中央经线" << FloatToStr(settings.centralMeridian) << "°\n";
  const auto& c = builder.counts();
  PrintSummary(c.frames, c.lines, c.polygons, c.texts, ms);
  WritePreviewIfAsked(args, output, CleanFrameName(sheet.number()));
  return kExitOk;
}

int Run(const std::vector<std::string>& argv) {
  try {
    const Args args(argv, ValueOptions(), RunFlagOptions(), RunRepeatableOptions());
    CheckPreviewOptions(args);
    if (args.positional().size() != 1) throw UsageError("需要一个图幅号");
    const std::string number = args.positional()[0];
    if (LooksLikeRectNumber(number)) return RunRect(args, number);
    if (args.value("--rect")) throw UsageError("--rect 只用于矩形图幅号 (x-y)");

    CoordinateDefaults defaults;
    SilentFeedback quiet;  // the builder reports a wrong number itself
    if (const long double cm = SuggestCentralMeridian(number, quiet); cm >= 0)
      defaults.centralMeridian = static_cast<long double>(static_cast<long long>(cm));
    TFrameSettings settings = SettingsFromArgs(args, defaults);
    settings.CreateMode = 0;

    // A wrong number is reported before the output is touched.
    CliFeedback feedback;
    const std::string current = NormalizeMapNo(number, feedback);
    if (current.empty() || !DecodeMapNo(current, feedback)) return kExitRefused;
    const std::string output = PrepareOutput(args);

    const auto start = std::chrono::steady_clock::now();
    RunValues run;
    run.StandardSheetMode = true;
    TCreateTkByTfhao builder(number, settings, run, OpenGdbFrameStore(output, feedback), feedback);
    if (!builder.Run()) return kExitRefused;
    builder.CloseOutput();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    const auto& c = builder.counts();
    PrintSummary(c.frames, c.lines, c.polygons, c.texts, ms);
    WritePreviewIfAsked(args, output, CleanFrameName(number));
    return kExitOk;
  } catch (const UsageError& e) {
    std::cerr << "tarvik-cli sheet: " << e.what() << "\n\n" << Usage();
    return kExitUsage;
  } catch (const RunError& e) {
    std::cerr << e.what() << "\n";
    return kExitRefused;
  }
}

const CommandRegistration kRegistration({"sheet", "draw the frame of one sheet number into a .gdb or .gpkg",
                                         Usage(), &Run});

}  // namespace
}  // namespace tarvik::cli
