// tarvik-cli sheet NUMBER -o OUTPUT [...]: the whole frame of one sheet, of
// the national series or a large-scale rectangular one ("x-y" --scale N).
#include "cli/args.h"
#include "cli/command.h"
#include "cli/frame_run.h"
#include "cli/preview_option.h"
#include "cli/rect_options.h"
#include "sheets/rect_sheets.h"

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
         FrameOptionsHelp() + RectOptionHelp() + PreviewOptionsHelp() +
         "  --progress json          a JSON line for the frame and a summary line on\n"
         "                           stdout (the other output goes to stderr)\n"
         "  --progress-fd N          write those lines to file descriptor N instead\n";
}

std::vector<std::string> ValueOptions() {
  std::vector<std::string> options = WithPreviewOptions(FrameValueOptions());
  options.push_back("--rect");
  return options;
}

int Run(const std::vector<std::string>& argv, ProgressChannel& progress) {
  const Args args(argv, ValueOptions(), FrameFlagOptions(), FrameRepeatableOptions());
  CheckPreviewOptions(args);
  if (args.positional().size() != 1) throw UsageError("需要一个图幅号");
  RunRequest request = RequestFromArgs(args, CreationMode::SheetNumber);
  request.sheetNumber = args.positional()[0];
  request.rectLayout = args.value("--rect");
  if (request.rectLayout && !LooksLikeRectNumber(request.sheetNumber))
    throw UsageError("--rect 只用于矩形图幅号 (x-y)");
  if (request.rectLayout) RectLayoutOption(args);  // a layout that does not read is a usage error
  return RunFrameRequest(args, request, progress);
}

const CommandRegistration kRegistration({"sheet", "draw the frame of one sheet number into a .gdb or .gpkg",
                                         Usage(), nullptr, &Run});

}  // namespace
}  // namespace tarvik::cli
