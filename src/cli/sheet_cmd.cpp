// tarvik-cli sheet NUMBER -o OUTPUT [...]: the whole frame of one sheet.
#include <chrono>
#include <iostream>

#include "cli/args.h"
#include "cli/cli_feedback.h"
#include "cli/command.h"
#include "cli/preview_option.h"
#include "cli/project_option.h"
#include "cli/run_options.h"
#include "common/error.h"
#include "coords/zone_reach.h"
#include "frame/dxf_frame_store.h"
#include "frame/gdb_frame_store.h"
#include "frame/input_coordinates.h"
#include "frame/run_checks.h"
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
             "(texts). Without --central-meridian the zone of the sheet's west edge is\n"
             "used; a meridian too far from the sheet is refused.\n\n"
             "Options:\n") +
         RunOptionsHelp() + PreviewOptionsHelp();
}

int Run(const std::vector<std::string>& argv) {
  try {
    const Args args(argv, WithPreviewOptions(RunValueOptions()), RunFlagOptions(), RunRepeatableOptions());
    CheckPreviewOptions(args);
    if (args.positional().size() != 1) throw UsageError("需要一个图幅号");
    const std::string number = args.positional()[0];

    InputCoordinates defaults;
    SilentFeedback quiet;  // the builder reports a wrong number itself
    if (const long double cm = SuggestCentralMeridian(number, quiet); cm >= 0)
      defaults.centralMeridian = static_cast<long double>(static_cast<long long>(cm));
    TFrameSettings settings = SettingsFromArgs(args, defaults);
    settings.CreateMode = 0;

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
    RunValues run;
    run.StandardSheetMode = true;
    TCreateTkByTfhao builder(number, settings, run, OpenFrameStore(output, feedback), feedback);
    bool drawn = false;
    builder.RunAndClose([&] { drawn = builder.Run(); }, output);
    if (!drawn) return kExitRefused;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    const auto& c = builder.counts();
    PrintSummary(c.finished, c.lines, c.polygons, c.texts, c.refused, ms);
    WriteProjectUnlessAsked(args, output);
    WritePreviewIfAsked(args, output, CleanFrameName(number));
    return c.refused > 0 ? RefusedElementsExit(c.refused) : kExitOk;
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
