// Options shared by the frame-generating commands (sheet, index, area): the
// map scale, datum and zone settings, output coordinates, --set NAME=VALUE
// through the control table, and the output store.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/args.h"
#include "frame/input_coordinates.h"
#include "settings/frame_settings.h"

namespace tarvik::cli {

// Option names of the shared options, for the Args parser.
std::vector<std::string> RunValueOptions();
std::vector<std::string> RunFlagOptions();
std::vector<std::string> RunRepeatableOptions();
// Help text of the shared options.
const char* RunOptionsHelp();

// Fills the settings from --settings FILE (first), then `defaults` (datum,
// zone and meridian as the input's coordinate system gives them, or as the
// codec suggests for a sheet number), then the main options, then every
// --set in order. Throws UsageError naming the option that is wrong.
TFrameSettings SettingsFromArgs(const Args& args, const InputCoordinates& defaults);

// Whether the options state the coordinates of an input whose system was not
// recognised (--datum and --central-meridian, or --settings / --set of both).
bool CoordinatesStated(const Args& args);
// Whether the options name the central meridian (--central-meridian or
// --set centerL=).
bool MeridianStated(const Args& args);

// The output path of -o, checked before anything is written: it must be
// given and end in .gdb or .gpkg; an existing output is refused unless
// --overwrite, which removes it first (only a real File Geodatabase or
// GeoPackage is ever removed). Throws UsageError or RunError.
std::string PrepareOutput(const Args& args);

// "完成，用时N毫秒" and the summary line of what was written.
void PrintSummary(int frames, int lines, int polygons, int texts, long long milliseconds);

}  // namespace tarvik::cli
